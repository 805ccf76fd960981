#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELTriangularDistribution)

double ZELTriangularDistribution::doGetRandomVariate(int stream) {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    if (generator == nullptr) return 0.0;
    const double u = generator->GetRandomNumber(stream);
    const double a = _min, b = _max, c = _mode;
    const double f = (c - a) / (b - a);
    if (f >= u) return a + std::sqrt((b - a) * (c - a) * u);
    return b - std::sqrt((b - c) * (b - a) * (1.0 - u));
}
