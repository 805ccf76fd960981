#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELWeibullDistribution)

template <class Uniforms>
double ZELWeibullDistribution::rawDraw(Uniforms& u) {
    if (_shape <= 0.0) return 0.0;
    if (!u.ready()) return 0.0;
    return _scale * std::pow(-std::log(u()), 1.0 / _shape);
}
