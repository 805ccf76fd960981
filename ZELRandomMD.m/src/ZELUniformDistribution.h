/// \class ZELUniformDistribution
/// Uniform variates on [min, max]: (max - min) * U + min, one uniform number per draw.
///
/// A default object (0, 1) returns the stream's numbers unchanged. min > max mirrors the range.
/// The acceptance bounds are not consulted.
#ifndef ZELMATH_ZELRANDOMMD_ZELUNIFORMDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELUNIFORMDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELUniformDistribution : public ZELRNDistribution {
    KOB_DECLARE_COMPONENT(ZELUniformDistribution)

public:
    ZELUniformDistribution() noexcept : _min(0.0), _max(1.0) {}
    ZELUniformDistribution(double minimum, double maximum) noexcept
        : _min(minimum), _max(maximum) {}
    ZELUniformDistribution(const ZELUniformDistribution&) noexcept = default;
    ZELUniformDistribution& operator=(const ZELUniformDistribution&) noexcept = default;
    ~ZELUniformDistribution() override;

    void SetDistributionParameters(double minimum, double maximum) noexcept {
        _min = minimum;
        _max = maximum;
    }
    /// The parameters in the order SetDistributionParameters takes them.
    std::array<double, 2> GetParameters() const noexcept { return {{_min, _max}}; }

    using ZELRNDistribution::getRandomVariate;
    double getRandomVariate(int stream) override;

protected:
    void drawFrom(ZELRandomStream& stream, double* out, std::size_t n) override;

private:
    template <class Uniforms>
    double rawDraw(Uniforms& uniforms);
    double _min;
    double _max;
};

/// @}

#endif
