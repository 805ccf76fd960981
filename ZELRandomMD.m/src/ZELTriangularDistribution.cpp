#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELTriangularDistribution)

template <class Uniforms>
double ZELTriangularDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    const double v = u();
    const double a = _min, b = _max, c = _mode;
    const double f = (c - a) / (b - a);
    if (f >= v) return a + std::sqrt((b - a) * (c - a) * v);
    return b - std::sqrt((b - c) * (b - a) * (1.0 - v));
}
