/// \class ZELWeibullDistribution
/// Weibull variates by inversion: scale * (-ln U)^(1 / shape), one uniform number per draw.
/// A shape <= 0 yields 0.0 without drawing. Defaults: scale 0, shape 0 (every draw 0.0).
#ifndef ZELMATH_ZELRANDOMMD_ZELWEIBULLDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELWEIBULLDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

class ZELMATH_EXPORT ZELWeibullDistribution : public ZELRNDistribution {
    KOB_DECLARE_COMPONENT(ZELWeibullDistribution)

public:
    ZELWeibullDistribution() noexcept : _scale(0.0), _shape(0.0) {}
    ZELWeibullDistribution(double scale, double shape) noexcept : _scale(scale), _shape(shape) {}
    ZELWeibullDistribution(const ZELWeibullDistribution&) noexcept = default;
    ZELWeibullDistribution& operator=(const ZELWeibullDistribution&) noexcept = default;
    ~ZELWeibullDistribution() override;

    void SetDistributionParameters(double scale, double shape) noexcept {
        _scale = scale;
        _shape = shape;
    }

    double getRandomVariate(int stream) override;

private:
    double doGetRandomVariate(int stream);

    double _scale;
    double _shape;
};

/// @}

#endif
