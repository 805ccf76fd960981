#include "ZELRandomMD.m/src/ZELBetaDistribution.h"

#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELBetaDistribution)

template <class Uniforms>
double ZELBetaDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    if (!std::isfinite(_alpha1) || !std::isfinite(_alpha2) || (_alpha1 == 0.0 && _alpha2 == 0.0))
        return endlessDraw();
    ZELGammaDistribution g1;
    ZELGammaDistribution g2;
    for (std::uint32_t attempt = 0; attempt < MaxAttempts; ++attempt) {
        g1.SetDistParameters(_alpha1, 1.0);
        g2.SetDistParameters(_alpha2, 1.0);
        const double y1 = u.variate(g1);
        const double y2 = u.variate(g2);
        if (y1 + y2 != 0.0) return y1 / (y1 + y2);
    }
    return endlessDraw();
}
