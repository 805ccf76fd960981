/// \class ZELUserContDistribution
/// A continuous variate from a caller's table of points (value_i, cum_i) of a piecewise-linear
/// distribution function, cum_i being the normalised cumulative probabilities (see ZELUserTable).
///
/// A draw takes one uniform number U from the given stream and finds the first entry i with
/// cum_i >= U. For i = 0 it returns value_0 (the first value carries the probability mass cum_0,
/// usually 0, as an atom); otherwise it interpolates linearly between the neighbouring points,
///
///     value_(i-1) + (U - cum_(i-1)) / (cum_i - cum_(i-1)) * (value_i - value_(i-1)),
///
/// where cum_i >= U > cum_(i-1) guarantees a positive denominator. Values in increasing order
/// with cum_0 = 0 give the usual empirical continuous distribution; U = 1 returns the last value.
/// When no entry qualifies (an empty table, NaN entries, U above a last entry below 1 from
/// negative probabilities) the draw returns -1.0. The acceptance bounds are not consulted; several
/// threads may draw from one object at once.
#ifndef ZELMATH_ZELRANDOMMD_ZELUSERCONTDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELUSERCONTDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"
#include "ZELRandomMD.m/src/ZELUserTable.h"

#include <utility>

class ZELMATH_EXPORT ZELUserContDistribution : public ZELRNDistribution {
    KOB_DECLARE_COMPONENT(ZELUserContDistribution)

public:
    ZELUserContDistribution(const double* values, const double* probabilities, int count)
        : table_(values, probabilities, count) {}
    /// The distribution of a table (e.g. another distribution's table(), rebuilt).
    explicit ZELUserContDistribution(ZELUserTable table) noexcept : table_(std::move(table)) {}
    ZELUserContDistribution(const ZELUserContDistribution&) = default;
    ZELUserContDistribution& operator=(const ZELUserContDistribution&) = default;
    ~ZELUserContDistribution() override;

    using ZELRNDistribution::getRandomVariate;
    double getRandomVariate(int stream) override;

    const ZELUserTable& table() const noexcept { return table_; }

protected:
    void drawFrom(ZELRandomStream& stream, double* out, std::size_t n) override;

private:
    template <class Uniforms>
    double rawDraw(Uniforms& uniforms);
    ZELUserTable table_;
};

/// @}

#endif
