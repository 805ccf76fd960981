#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELExponentialDistribution)

double ZELExponentialDistribution::doGetRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    return -std::log(generator->GetRandomNumber(stream)) * _mean;
}
