#include "ZELRandomMD.m/src/ZELNormalDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELNormalDistribution)

template <class Uniforms>
double ZELNormalDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    const double u1 = u();
    const double u2 = u();
    double r = -2.0 * std::log(u1);
    if (r < 0.0) r = 0.0;
    const double z = std::cos(AngleFactor * u2) * std::sqrt(r);
    return z * _stdDev + _mean;
}
