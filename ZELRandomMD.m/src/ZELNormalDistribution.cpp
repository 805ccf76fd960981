#include "ZELRandomMD.m/src/ZELNormalDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELNormalDistribution)

double ZELNormalDistribution::doGetRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double u1 = generator->GetRandomNumber(stream);
    const double u2 = generator->GetRandomNumber(stream);
    double r = -2.0 * std::log(u1);
    if (r < 0.0) r = 0.0;
    const double z = std::cos(AngleFactor * u2) * std::sqrt(r);
    return z * _stdDev + _mean;
}
