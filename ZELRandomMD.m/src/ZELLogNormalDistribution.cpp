#include "ZELRandomMD.m/src/ZELLogNormalDistribution.h"

#include "ZELRandomMD.m/src/ZELNormalDistribution.h"
#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELLogNormalDistribution)

template <class Uniforms>
double ZELLogNormalDistribution::rawDraw(Uniforms& u) {
    const double m = _mean, s = _stdDev;
    double v = std::log(std::pow(s / m, 2.0) + 1.0);
    if (v < 0.0) v = 0.0;
    const double mu = std::log(m) - 0.5 * v;
    const double sigma = std::sqrt(v);
    ZELNormalDistribution normal(mu, sigma);
    return std::exp(u.variate(normal));
}
