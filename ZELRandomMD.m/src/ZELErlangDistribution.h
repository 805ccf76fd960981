/// \class ZELErlangDistribution
/// Erlang variates: the sum of k exponential phases of mean `mean` each, divided by k, so that
/// the variate has mean `mean` (each phase has mean mean / k). One uniform number per phase.
///
/// The constructor takes an int phase count and replaces a negative count by 1; `SetDistParameters`
/// stores its second argument as it comes, so a fractional count k draws ceil(k) phases and
/// divides their sum by k. A count of 0 (or any k <= 0) draws no uniform number; with k == 0 the
/// draw yields 0.0 (an empty sum), with k < 0 it yields 0 / k = -0.0. A count above MaxPhases
/// (2^31 - 1, the int range of the constructor), +infinity included, reports "No draw ends with
/// these parameters" through the assertion hook and yields NaN; a NaN count yields NaN.
/// Defaults: mean 0, k = 1.
#ifndef ZELMATH_ZELRANDOMMD_ZELERLANGDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELERLANGDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELErlangDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELErlangDistribution)

    ZELErlangDistribution() noexcept : _mean(0.0), _phases(1.0) {}
    ZELErlangDistribution(double mean, int phases) noexcept
        : _mean(mean), _phases(phases < 0 ? 1.0 : static_cast<double>(phases)) {}

    /// The largest phase count a draw accepts (the largest the int constructor takes).
    static constexpr double MaxPhases = 2147483647.0;

    void SetDistParameters(double mean, double phases) noexcept {
        _mean = mean;
        _phases = phases;
    }
    /// The parameters in the order SetDistParameters takes them.
    std::array<double, 2> GetParameters() const noexcept { return {{_mean, _phases}}; }

private:
    double _mean;
    double _phases;
};

/// @}

#endif
