#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELExponentialDistribution)

template <class Uniforms>
double ZELExponentialDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    return -std::log(u()) * _mean;
}
