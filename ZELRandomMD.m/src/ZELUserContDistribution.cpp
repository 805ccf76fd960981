#include "ZELRandomMD.m/src/ZELUserContDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

KOB_DEFINE_COMPONENT(ZELUserContDistribution, ZELRNDistribution)

ZELUserContDistribution::~ZELUserContDistribution() = default;

double ZELUserContDistribution::getRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double u = generator->GetRandomNumber(stream);
    const double* cum = _table.cumProbs();
    const double* values = _table.values();
    for (int i = 0; i < _table.count(); ++i) {
        if (cum[i] >= u) {
            if (i == 0) return values[0];
            const double fraction = (u - cum[i - 1]) / (cum[i] - cum[i - 1]);
            return values[i - 1] + fraction * (values[i] - values[i - 1]);
        }
    }
    return -1.0;
}
