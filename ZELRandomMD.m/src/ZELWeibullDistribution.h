/// \class ZELWeibullDistribution
/// Weibull variates by inversion: scale * (-ln U)^(1 / shape), one uniform number per draw.
/// A shape <= 0 yields 0.0 without drawing. Defaults: scale 0, shape 0 (every draw 0.0).
#ifndef ZELMATH_ZELRANDOMMD_ZELWEIBULLDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELWEIBULLDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELWeibullDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELWeibullDistribution)

    ZELWeibullDistribution() noexcept : _scale(0.0), _shape(0.0) {}
    ZELWeibullDistribution(double scale, double shape) noexcept : _scale(scale), _shape(shape) {}

    void SetDistributionParameters(double scale, double shape) noexcept {
        _scale = scale;
        _shape = shape;
    }
    /// The parameters in the order SetDistributionParameters takes them.
    std::array<double, 2> GetParameters() const noexcept { return {{_scale, _shape}}; }

private:
    double _scale;
    double _shape;
};

/// @}

#endif
