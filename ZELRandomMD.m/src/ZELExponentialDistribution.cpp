#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

KOB_DEFINE_COMPONENT(ZELExponentialDistribution, ZELRNDistribution)

ZELExponentialDistribution::~ZELExponentialDistribution() = default;

double ZELExponentialDistribution::doGetRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    return -std::log(generator->GetRandomNumber(stream)) * _mean;
}

double ZELExponentialDistribution::getRandomVariate(int stream) {
    return drawAccepted([&] { return doGetRandomVariate(stream); });
}
