/// \class ZELGammaDistribution
/// Gamma variates with shape alpha and scale beta (mean alpha * beta).
///
///   - alpha == 1: an exponential of mean beta, -beta ln U (one uniform number).
///   - alpha < 1: the acceptance-rejection method GS of Ahrens and Dieter, with b = (e + alpha)/e.
///     For a small first product P = b U1 the draw yields 0.0 at once (P <= 0.01 when
///     1/alpha >= 7, P <= 0.001 when 1/alpha >= 6, P <= 1e-6 when 1/alpha >= 3), and P == b
///     (U1 = 1) yields 0.0: a value below the smallest positive double is what these early
///     exits stand for.
///   - alpha > 1: Cheng's method GB (two uniform numbers per attempt); U1 exactly 0 or 1 and
///     Z = U1^2 U2 exactly 0 yield 0.0.
/// A default-constructed object has alpha 1 and beta 1 (the standard exponential) until
/// SetDistParameters is called.
#ifndef ZELMATH_ZELRANDOMMD_ZELGAMMADISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELGAMMADISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

class ZELMATH_EXPORT ZELGammaDistribution : public ZELRNDistribution {
    KOB_DECLARE_COMPONENT(ZELGammaDistribution)

public:
    ZELGammaDistribution() noexcept : _shape(1.0), _scale(1.0) {}
    ZELGammaDistribution(double shape, double scale) noexcept : _shape(shape), _scale(scale) {}
    ZELGammaDistribution(const ZELGammaDistribution&) noexcept = default;
    ZELGammaDistribution& operator=(const ZELGammaDistribution&) noexcept = default;
    ~ZELGammaDistribution() override;

    void SetDistParameters(double shape, double scale) noexcept {
        _shape = shape;
        _scale = scale;
    }

    double getRandomVariate(int stream) override;

private:
    double doGetRandomVariate(int stream);

    double _shape;
    double _scale;
};

/// @}

#endif
