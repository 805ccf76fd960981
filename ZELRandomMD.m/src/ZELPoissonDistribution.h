/// \class ZELPoissonDistribution
/// Poisson variates with mean lambda by the multiplication method: the count k of uniform
/// numbers U1, U2, ... multiplied before the product falls below exp(-lambda), capped at 32366
/// (a draw takes k + 1 uniform numbers, at most 32367). The result is a whole number returned as
/// a double. From lambda of about 745 on, exp(-lambda) underflows to 0 and every draw yields the
/// cap; the method's cost grows linearly with lambda, so it suits small and moderate means.
#ifndef ZELMATH_ZELRANDOMMD_ZELPOISSONDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELPOISSONDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include <array>

class ZELMATH_EXPORT ZELPoissonDistribution : public ZELRNDistribution {
    ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(ZELPoissonDistribution)

    explicit ZELPoissonDistribution(double lambda) noexcept : _lambda(lambda) {}

    void SetDistParameters(double lambda) noexcept { _lambda = lambda; }
    /// The parameters in the order SetDistParameters takes them.
    std::array<double, 1> GetParameters() const noexcept { return {{_lambda}}; }

    /// The largest value a draw yields.
    static constexpr int Cap = 32366;

private:
    double _lambda;
};

/// @}

#endif
