#include "ZELRandomMD.m/src/ZELUniformDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

KOB_DEFINE_COMPONENT(ZELUniformDistribution, ZELRNDistribution)

ZELUniformDistribution::~ZELUniformDistribution() = default;

ZEL_DEFINE_DIRECT_DISTRIBUTION_DRAWS(ZELUniformDistribution)

template <class Uniforms>
double ZELUniformDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    return (_max - _min) * u() + _min;
}
