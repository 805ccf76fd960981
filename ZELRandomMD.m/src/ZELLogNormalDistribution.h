/// \class ZELLogNormalDistribution
/// Log-normal variates given the mean m and standard deviation s of the variate itself:
/// with v = ln((s / m)^2 + 1) (0 if negative), a normal draw N with mean ln m - v / 2 and standard
/// deviation sqrt(v) (two uniform numbers) gives exp(N). See ZELNormalDistribution for the
/// normal draw. A mean m <= 0 gives NaN, zero or infinite draws.
///
/// A default-constructed object has mean 1 and standard deviation 1 until
/// SetDistributionParameters is called.
#ifndef ZELMATH_ZELRANDOMMD_ZELLOGNORMALDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELLOGNORMALDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELLogNormalDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELLogNormalDistribution)

    ZELLogNormalDistribution() noexcept : _mean(1.0), _stdDev(1.0) {}
    ZELLogNormalDistribution(double mean, double stdDev) noexcept : _mean(mean), _stdDev(stdDev) {}

    void SetDistributionParameters(double mean, double stdDev) noexcept {
        _mean = mean;
        _stdDev = stdDev;
    }
    /// The parameters in the order SetDistributionParameters takes them.
    std::array<double, 2> GetParameters() const noexcept { return {{_mean, _stdDev}}; }

private:
    double _mean;
    double _stdDev;
};

/// @}

#endif
