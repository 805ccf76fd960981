#include "ZELRandomMD.m/src/ZELGammaDistribution.h"

#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELGammaDistribution)

double ZELGammaDistribution::doGetRandomVariate(int stream) {
    const double alpha = _shape;
    const double beta = _scale;
    ZELExponentialDistribution exponential(beta);
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (alpha == 1.0) return exponential.getRandomVariate(stream);
    if (generator == nullptr) return 0.0;

    if (alpha < 1.0) {
        const double e = std::exp(1.0);
        const double b = (e + alpha) / e;
        for (;;) {
            const double p = b * generator->GetRandomNumber(stream);
            if (p <= 1.0) {
                if ((p <= 0.01 && 1.0 / alpha >= 7.0) || (p <= 0.001 && 1.0 / alpha >= 6.0) ||
                    (p <= 1e-6 && 1.0 / alpha >= 3.0))
                    return 0.0;
                const double y = std::pow(p, 1.0 / alpha);
                const double u2 = generator->GetRandomNumber(stream);
                if (u2 <= std::exp(-y)) return y * beta;
            } else {
                if (p == b) return 0.0;
                const double y = -std::log((b - p) / alpha);
                const double u2 = generator->GetRandomNumber(stream);
                if (u2 <= std::pow(y, alpha - 1.0)) return y * beta;
            }
        }
    }

    // alpha > 1 (or NaN, which runs the same arithmetic).
    const double a = std::pow(2.0 * alpha - 1.0, -0.5);
    const double b = alpha - std::log(4.0);
    const double q = alpha + 1.0 / a;
    const double d = 1.0 + std::log(4.5);
    for (;;) {
        const double u1 = generator->GetRandomNumber(stream);
        const double u2 = generator->GetRandomNumber(stream);
        if (u1 == 0.0 || u1 == 1.0) return 0.0;
        const double v = a * std::log(u1 / (1.0 - u1));
        const double y = alpha * std::exp(v);
        const double z = u1 * u1 * u2;
        const double w = b + q * v - y;
        if (w + d - 4.5 * z >= 0.0) return y * beta;
        if (z == 0.0) return 0.0;
        if (std::log(z) <= w) return y * beta;
    }
}
