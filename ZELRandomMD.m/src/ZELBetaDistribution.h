/// \class ZELBetaDistribution
/// Beta variates with shapes a1 and a2: Y1 / (Y1 + Y2) for gamma variates Y1 (shape a1) and Y2
/// (shape a2), both of scale 1 and drawn in that order from the same stream (see
/// ZELGammaDistribution for the uniform numbers each takes). A pair with Y1 + Y2 == 0 (both gamma
/// draws took an early exit) is drawn again.
///
/// Without a generator (ZELRandomGenerator::Instance() null) a draw yields 0.0 at once instead
/// of repeating for ever on gamma draws that are all 0.0. Defaults: shapes 1.0 and 0.25.
///
/// Endless parameters: a NaN or infinite shape, or both shapes 0, report "No draw ends with these
/// parameters" through the assertion hook and yield NaN. A draw also gives up the same way after
/// MaxAttempts (2^20) pairs with Y1 + Y2 == 0: shapes so small that nearly every gamma variate is
/// 0 (below about 1e-8 each; e.g. both 1e-300) reach it, shapes of 1e-8 and more with a
/// probability below 2e-7.
#ifndef ZELMATH_ZELRANDOMMD_ZELBETADISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELBETADISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELBetaDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELBetaDistribution)

    ZELBetaDistribution() noexcept : _alpha1(1.0), _alpha2(0.25) {}
    ZELBetaDistribution(double shape1, double shape2) noexcept : _alpha1(shape1), _alpha2(shape2) {}

    /// Pairs of gamma variates both 0 before a draw gives up (see above).
    static constexpr std::uint32_t MaxAttempts = 1u << 20;

    void SetDistParameters(double shape1, double shape2) noexcept {
        _alpha1 = shape1;
        _alpha2 = shape2;
    }
    /// The parameters in the order SetDistParameters takes them.
    std::array<double, 2> GetParameters() const noexcept { return {{_alpha1, _alpha2}}; }

private:
    double _alpha1;
    double _alpha2;
};

/// @}

#endif
