#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

KOB_DEFINE_COMPONENT(ZELUserDiscDistribution, ZELRNDistribution)

ZELUserDiscDistribution::~ZELUserDiscDistribution() = default;

double ZELUserDiscDistribution::getRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double u = generator->GetRandomNumber(stream);
    const double* cum = _table.cumProbs();
    const double* values = _table.values();
    for (int i = 0; i < _table.count(); ++i)
        if (cum[i] > u) return values[i];
    return -1.0;
}
