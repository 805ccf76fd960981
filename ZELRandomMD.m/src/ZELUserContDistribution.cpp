#include "ZELRandomMD.m/src/ZELUserContDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

KOB_DEFINE_COMPONENT(ZELUserContDistribution, ZELRNDistribution)

ZELUserContDistribution::~ZELUserContDistribution() = default;

ZEL_DEFINE_DIRECT_DISTRIBUTION_DRAWS(ZELUserContDistribution)

template <class Uniforms>
double ZELUserContDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    const double v = u();
    const double* cum = table_.cumProbs();
    const double* values = table_.values();
    for (int i = 0; i < table_.count(); ++i) {
        if (cum[i] >= v) {
            if (i == 0) return values[0];
            const double fraction = (v - cum[i - 1]) / (cum[i] - cum[i - 1]);
            return values[i - 1] + fraction * (values[i] - values[i - 1]);
        }
    }
    return -1.0;
}
