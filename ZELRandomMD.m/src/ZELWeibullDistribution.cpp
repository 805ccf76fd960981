#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELWeibullDistribution)

double ZELWeibullDistribution::doGetRandomVariate(int stream) {
    if (_shape <= 0.0) return 0.0;
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double u = generator->GetRandomNumber(stream);
    return _scale * std::pow(-std::log(u), 1.0 / _shape);
}
