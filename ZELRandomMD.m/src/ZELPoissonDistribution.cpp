#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELPoissonDistribution)

double ZELPoissonDistribution::doGetRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double l = std::exp(-_lambda);
    int k = -1;
    double p = 1.0;
    do {
        p = p * generator->GetRandomNumber(stream);
        ++k;
    } while (k < Cap && p - l >= 0.0);
    return static_cast<double>(k);
}
