#include "ZELRandomMD.m/src/ZELErlangDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELErlangDistribution)

double ZELErlangDistribution::doGetRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double k = _phases;
    if (k == 0.0) return 0.0;
    double sum = 0.0;
    for (double i = 0.0; k > i; i = i + 1.0) {
        double t = std::log(generator->GetRandomNumber(stream));
        if (t > 0.0) t = 0.0;
        sum = sum - t * _mean;
    }
    return sum / k;
}
