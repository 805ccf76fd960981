/// \class ZELUserDiscDistribution
/// A discrete variate from a caller's table: value i with probability p_i / sum(p).
///
/// A draw takes one uniform number U from the given stream and returns the first value whose
/// cumulative probability exceeds U (strictly), so value i is returned for U in
/// [cum(i-1), cum(i)) and a value of probability 0 never is. When no entry qualifies (U equal to
/// the last cumulative entry, an empty table, NaN entries from an all-zero table) the draw
/// returns -1.0. The acceptance bounds are not consulted. The table (see ZELUserTable) is fixed at
/// construction; the caller's arrays are only read there. Several threads may draw from one
/// object at once.
#ifndef ZELMATH_ZELRANDOMMD_ZELUSERDISCDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELUSERDISCDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"
#include "ZELRandomMD.m/src/ZELUserTable.h"

#include <utility>

class ZELMATH_EXPORT ZELUserDiscDistribution : public ZELRNDistribution {
    KOB_DECLARE_COMPONENT(ZELUserDiscDistribution)

public:
    ZELUserDiscDistribution(const double* values, const double* probabilities, int count)
        : table_(values, probabilities, count) {}
    /// The distribution of a table (e.g. another distribution's table(), rebuilt).
    explicit ZELUserDiscDistribution(ZELUserTable table) noexcept : table_(std::move(table)) {}
    ZELUserDiscDistribution(const ZELUserDiscDistribution&) = default;
    ZELUserDiscDistribution& operator=(const ZELUserDiscDistribution&) = default;
    ~ZELUserDiscDistribution() override;

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
