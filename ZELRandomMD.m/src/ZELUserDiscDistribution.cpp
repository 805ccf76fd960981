#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

KOB_DEFINE_COMPONENT(ZELUserDiscDistribution, ZELRNDistribution)

ZELUserDiscDistribution::~ZELUserDiscDistribution() = default;

ZEL_DEFINE_DIRECT_DISTRIBUTION_DRAWS(ZELUserDiscDistribution)

template <class Uniforms>
double ZELUserDiscDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    const double v = u();
    const double* cum = table_.cumProbs();
    const double* values = table_.values();
    for (int i = 0; i < table_.count(); ++i)
        if (cum[i] > v) return values[i];
    return -1.0;
}
