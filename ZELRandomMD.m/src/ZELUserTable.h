/// \class ZELUserTable
/// The table behind ZELUserDiscDistribution and ZELUserContDistribution: n values in the
/// caller's order and their normalised cumulative probabilities
///
///     cumProbs[i] = (p0 + ... + pi) / (p0 + ... + p(n-1)),
///
/// each array followed by a trailing 0.0. Nothing is checked: probabilities need not sum to 1,
/// negative probabilities are taken as they come, a zero sum makes every entry NaN. A negative
/// count is taken as 0 (an empty table). Copies duplicate the arrays, so every table owns and
/// frees its own.
#ifndef ZELMATH_ZELRANDOMMD_ZELUSERTABLE_H
#define ZELMATH_ZELRANDOMMD_ZELUSERTABLE_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"

#include <memory>

class ZELMATH_EXPORT ZELUserTable {
public:
    ZELUserTable(const double* values, const double* probabilities, int count);
    /// The table whose cumulative probabilities are `cumProbs` as they are (not normalised
    /// again): rebuilds a table from its values() and cumProbs() bit for bit.
    static ZELUserTable FromCumulative(const double* values, const double* cumProbs, int count);
    ZELUserTable(const ZELUserTable& other);
    ZELUserTable& operator=(const ZELUserTable& other);
    ZELUserTable(ZELUserTable&&) noexcept = default;
    ZELUserTable& operator=(ZELUserTable&&) noexcept = default;
    ~ZELUserTable();

    int count() const noexcept { return _count; }
    const double* values() const noexcept { return _values.get(); }
    const double* cumProbs() const noexcept { return _cumProbs.get(); }

private:
    explicit ZELUserTable(int count);

    std::unique_ptr<double[]> _values;
    std::unique_ptr<double[]> _cumProbs;
    int _count;
};

/// @}

#endif
