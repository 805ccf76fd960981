/// \class ZELTriangularDistribution
/// Triangular variates on [min, max] with the given mode, by inversion (one uniform per draw):
/// with F = (mode - min) / (max - min), U <= F gives min + sqrt((max - min)(mode - min) U), else
/// max - sqrt((max - mode)(max - min)(1 - U)).
///
/// Mind the argument orders: the constructor takes (minimum, mode, maximum), `SetParameters` takes
/// (minimum, maximum, mode). min == max yields that value on every draw.
#ifndef ZELMATH_ZELRANDOMMD_ZELTRIANGULARDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELTRIANGULARDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELTriangularDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELTriangularDistribution)

    ZELTriangularDistribution(double minimum, double mode, double maximum) noexcept
        : _min(minimum), _max(maximum), _mode(mode) {}

    void SetParameters(double minimum, double maximum, double mode) noexcept {
        _min = minimum;
        _max = maximum;
        _mode = mode;
    }
    /// The parameters in the order SetParameters takes them.
    std::array<double, 3> GetParameters() const noexcept { return {{_min, _max, _mode}}; }

private:
    double _min;
    double _max;
    double _mode;
};

/// @}

#endif
