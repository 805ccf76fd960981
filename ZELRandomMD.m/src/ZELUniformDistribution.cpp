#include "ZELRandomMD.m/src/ZELUniformDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

KOB_DEFINE_COMPONENT(ZELUniformDistribution, ZELRNDistribution)

ZELUniformDistribution::~ZELUniformDistribution() = default;

double ZELUniformDistribution::getRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    return (_max - _min) * generator->GetRandomNumber(stream) + _min;
}
