#include "ZELRandomMD.m/src/ZELErlangDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <cmath>

ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(ZELErlangDistribution)

template <class Uniforms>
double ZELErlangDistribution::rawDraw(Uniforms& u) {
    if (!u.ready()) return 0.0;
    const double k = _phases;
    if (k == 0.0) return 0.0;
    if (k > MaxPhases) return endlessDraw();  // i + 1 would stop growing before reaching k
    double sum = 0.0;
    for (double i = 0.0; k > i; i = i + 1.0) {
        double t = std::log(u());
        if (t > 0.0) t = 0.0;
        sum = sum - t * _mean;
    }
    return sum / k;
}
