#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELPoissonDistribution)

template <class Uniforms>
double ZELPoissonDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    const double l = std::exp(-_lambda);
    int k = -1;
    double p = 1.0;
    do {
        p = p * u();
        ++k;
    } while (k < Cap && p - l >= 0.0);
    return static_cast<double>(k);
}
