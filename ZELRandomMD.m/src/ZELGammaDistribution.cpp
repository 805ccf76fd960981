#include "ZELRandomMD.m/src/ZELGammaDistribution.h"

#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELGammaDistribution)

template <class Uniforms>
double ZELGammaDistribution::rawDraw(Uniforms& u) {
    const double alpha = _shape;
    const double beta = _scale;
    ZELExponentialDistribution exponential(beta);
    if (alpha == 1.0) return u.variate(exponential);
    if (!u.ready()) return 0.0;

    if (alpha < 1.0) {
        const double e = std::exp(1.0);
        const double b = (e + alpha) / e;
        if (!(b > 0.0)) return endlessDraw();  // alpha <= -e: P = b U1 is never accepted
        for (std::uint32_t attempt = 0; attempt < MaxAttempts; ++attempt) {
            const double p = b * u();
            if (p <= 1.0) {
                if ((p <= 0.01 && 1.0 / alpha >= 7.0) || (p <= 0.001 && 1.0 / alpha >= 6.0) ||
                    (p <= 1e-6 && 1.0 / alpha >= 3.0))
                    return 0.0;
                const double y = std::pow(p, 1.0 / alpha);
                const double u2 = u();
                if (u2 <= std::exp(-y)) return y * beta;
            } else {
                if (p == b) return 0.0;
                const double y = -std::log((b - p) / alpha);
                const double u2 = u();
                if (u2 <= std::pow(y, alpha - 1.0)) return y * beta;
            }
        }
        return endlessDraw();
    }

    // alpha > 1, or NaN (which fails the test below).
    const double a = std::pow(2.0 * alpha - 1.0, -0.5);
    const double b = alpha - std::log(4.0);
    const double q = alpha + 1.0 / a;
    const double d = 1.0 + std::log(4.5);
    if (!std::isfinite(q)) return endlessDraw();  // NaN, infinite or above about 9e307
    for (std::uint32_t attempt = 0; attempt < MaxAttempts; ++attempt) {
        const double u1 = u();
        const double u2 = u();
        if (u1 == 0.0 || u1 == 1.0) return 0.0;
        const double v = a * std::log(u1 / (1.0 - u1));
        const double y = alpha * std::exp(v);
        const double z = u1 * u1 * u2;
        const double w = b + q * v - y;
        if (w + d - 4.5 * z >= 0.0) return y * beta;
        if (z == 0.0) return 0.0;
        if (std::log(z) <= w) return y * beta;
    }
    return endlessDraw();
}
