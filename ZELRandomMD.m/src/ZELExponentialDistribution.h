/// \class ZELExponentialDistribution
/// Exponential variates with a given mean: -(ln U) * mean, one uniform number per draw.
///
/// U = 0 (state 0 of the generator) gives +infinity for a positive mean, U = 1 gives 0. A zero or
/// negative mean gives zero or non-positive values. Default mean: 0.
#ifndef ZELMATH_ZELRANDOMMD_ZELEXPONENTIALDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELEXPONENTIALDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELExponentialDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELExponentialDistribution)

    ZELExponentialDistribution() noexcept : _mean(0.0) {}
    explicit ZELExponentialDistribution(double mean) noexcept : _mean(mean) {}

    void SetDistributionParameters(double mean) noexcept { _mean = mean; }
    /// The parameters in the order SetDistributionParameters takes them.
    std::array<double, 1> GetParameters() const noexcept { return {{_mean}}; }

private:
    double _mean;
};

/// @}

#endif
