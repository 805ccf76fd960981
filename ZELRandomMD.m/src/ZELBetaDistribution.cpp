#include "ZELRandomMD.m/src/ZELBetaDistribution.h"

#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELBetaDistribution)

double ZELBetaDistribution::doGetRandomVariate(int stream) {
    if (ZELRandomGenerator::Instance() == nullptr) return 0.0;
    ZELGammaDistribution g1;
    ZELGammaDistribution g2;
    for (;;) {
        g1.SetDistParameters(_alpha1, 1.0);
        g2.SetDistParameters(_alpha2, 1.0);
        const double y1 = g1.getRandomVariate(stream);
        const double y2 = g2.getRandomVariate(stream);
        if (y1 + y2 != 0.0) return y1 / (y1 + y2);
    }
}
