/// \class ZELGammaDistribution
/// Gamma variates with shape alpha and scale beta (mean alpha * beta).
///
///   - alpha == 1: an exponential of mean beta, -beta ln U (one uniform number).
///   - alpha < 1: the acceptance-rejection method GS of Ahrens and Dieter, with b = (e + alpha)/e.
///     For a small first product P = b U1 the draw yields 0.0 at once (P <= 0.01 when
///     1/alpha >= 7, P <= 0.001 when 1/alpha >= 6, P <= 1e-6 when 1/alpha >= 3), and P == b
///     (U1 = 1) yields 0.0. These zeros are a truncation, not an underflow: the value the method
///     would have produced there, P^(1/alpha) * beta, is an ordinary double of up to
///     0.01^(1/alpha) * beta (1e-20 beta for alpha = 0.1, 1e-14 beta for alpha = 1/7), or up to
///     1e-18 beta under the two other thresholds. They are frequent for small shapes: with
///     alpha = 0.1 about 1.05 % of all draws are exactly 0.0 (the gamma law puts that much mass
///     below 1e-20 beta), with alpha = 1/7 about 1.07 %, with alpha = 1/6 about 0.1 %; above
///     1/6 they are rarer than one in a million. Callers that take logarithms of the variates
///     must allow for them.
///   - alpha > 1: Cheng's method GB (two uniform numbers per attempt); U1 exactly 0 or 1 and
///     Z = U1^2 U2 exactly 0 yield 0.0.
/// Endless parameters: alpha NaN, infinite or above about 9e307 (where the constants of GB are
/// not finite), and alpha <= -e (where b <= 0 and GS never accepts), report "No draw ends with
/// these parameters" through the assertion hook and yield NaN. Each draw also gives up the same
/// way after MaxAttempts rejected attempts, which for a positive shape happens with probability
/// below 2^-1000 (every attempt of GS and GB is accepted with probability above 1/2).
/// A default-constructed object has alpha 1 and beta 1 (the standard exponential) until
/// SetDistParameters is called.
#ifndef ZELMATH_ZELRANDOMMD_ZELGAMMADISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELGAMMADISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELGammaDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELGammaDistribution)

    ZELGammaDistribution() noexcept : _shape(1.0), _scale(1.0) {}
    ZELGammaDistribution(double shape, double scale) noexcept : _shape(shape), _scale(scale) {}

    /// Attempts of GS or GB before a draw gives up (see above).
    static constexpr std::uint32_t MaxAttempts = 1u << 20;

    void SetDistParameters(double shape, double scale) noexcept {
        _shape = shape;
        _scale = scale;
    }
    /// The parameters in the order SetDistParameters takes them.
    std::array<double, 2> GetParameters() const noexcept { return {{_shape, _scale}}; }

private:
    double _shape;
    double _scale;
};

/// @}

#endif
