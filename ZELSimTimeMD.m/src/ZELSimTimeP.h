/// \class ZELSimTimeP
/// ZELSimTimeP: the exact multiplication and division behind ZELSimTime's *, / and fmod.
///
/// Both work on the magnitudes as whole counts of nanoseconds (below 2^93) with 64-bit words and
/// 128-bit intermediates on the stack; no floating point is involved and nothing is allocated.
///   multiply:  floor(|a|ns * |b|ns / 1e9) nanoseconds, the sign of a times the sign of b; a
///              product beyond the range saturates to the largest or smallest time.
///   divide:    floor(|a|ns * 1e9 / |b|ns) nanoseconds, the sign of a times the sign of b. When its
///              whole seconds exceed 2^63 - 1 (the quotient is larger than the largest time) it
///              throws ZELEOverflowError "ZELSimTime division overflow".
///   remainder: |a|ns mod |b|ns with the sign of a, i.e. a - w*b for the whole seconds w of a / b;
///              throws as divide does when a / b does not fit.
///   ratio:     the double nearest to the exact quotient |a|ns / |b|ns (ties to even), with the
///              sign of a times the sign of b; 0.0 when a is zero.
/// The divisor of divide, remainder and ratio must not be zero (ZELSimTime's operators check it first
/// and throw ZELEZeroDivide); callers normally use those operators rather than this class.
#ifndef ZELMATH_ZELSIMTIMEMD_M_SRC_ZELSIMTIMEP_H
#define ZELMATH_ZELSIMTIMEMD_M_SRC_ZELSIMTIMEP_H

/// \addtogroup simtime
/// @{

#include "ZELMathExport.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"

#include <cstdint>

class ZELMATH_EXPORT ZELSimTimeP {
public:
    static ZELSimTime multiply(const ZELSimTime& a, const ZELSimTime& b) noexcept;
    static ZELSimTime divide(const ZELSimTime& a, const ZELSimTime& b);
    static ZELSimTime remainder(const ZELSimTime& a, const ZELSimTime& b);
    static double ratio(const ZELSimTime& a, const ZELSimTime& b) noexcept;

private:
    /// The time of magnitude (sec, nsec < 1e9), negated when `negative`; sec <= 2^63 - 1, or
    /// <= 2^63 when negative.
    static ZELSimTime fromMagnitude_(std::uint64_t sec, std::int32_t nsec, bool negative) noexcept;
};

/// @}

#endif
