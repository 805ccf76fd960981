/// \file
/// scl_numeric_limits<ZELSimTime>: the numeric limits of the simulation time, so that generic
/// numeric code can treat a time like a built-in number.
///
/// A time is exact, signed and bounded, with 1 ns resolution and no infinity or NaN:
///   min()       (-2^63 s, -999 999 999 ns), the smallest time (also lowest() and denorm_min())
///   max()       (2^63 - 1 s, 999 999 999 ns), the largest time and the bound of division
///   epsilon()   1 ns
///   round_error() zero
///   digits, digits10: those of the 64-bit seconds plus the nanoseconds (63 + 30, 18 + 9)
///   radix, is_modulo: those of the 64-bit seconds
///   round_style: toward zero (products and quotients truncate)
/// infinity(), quiet_NaN() and signaling_NaN() report through the assertion hook and return zero.
/// Every other member is a compile-time constant, so no start-up order can see it unset.
#ifndef ZELMATH_ZELSIMTIMEMD_M_SRC_ZELSIMTIMELIMITS_H
#define ZELMATH_ZELSIMTIMEMD_M_SRC_ZELSIMTIMELIMITS_H

/// \addtogroup simtime
/// @{

#include "ZELMathExport.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "foundation/scl_numeric_limits.h"

#include <cstdint>

/// The numeric limits of the simulation time: exact, signed, bounded, 1 ns resolution (see the
/// file description for each member).
template <>
struct ZELMATH_EXPORT scl_numeric_limits<ZELSimTime> {
private:
    using Seconds = scl_numeric_limits<std::int64_t>;

public:
    static constexpr bool is_specialized = true;
    static constexpr bool is_signed = true;
    static constexpr bool is_integer = false;
    static constexpr bool is_exact = true;
    static constexpr bool is_bounded = true;
    static constexpr bool is_modulo = Seconds::is_modulo;
    static constexpr bool is_iec559 = false;
    static constexpr bool has_infinity = false;
    static constexpr bool has_quiet_NaN = false;
    static constexpr bool has_signaling_NaN = false;
    static constexpr bool has_denorm = false;
    static constexpr bool has_denorm_loss = false;
    static constexpr bool traps = false;
    static constexpr bool tinyness_before = false;
    static constexpr scl_float_round_style round_style = scl_round_toward_zero;
    static constexpr int radix = Seconds::radix;
    static constexpr int digits = Seconds::digits + 30;
    static constexpr int digits10 = Seconds::digits10 + 9;
    static constexpr int min_exponent = 0;
    static constexpr int min_exponent10 = 0;
    static constexpr int max_exponent = 0;
    static constexpr int max_exponent10 = 0;

    static constexpr ZELSimTime min() noexcept { return ZELSimTime(Seconds::min(), -999999999); }
    static constexpr ZELSimTime max() noexcept { return ZELSimTime(Seconds::max(), 999999999); }
    static constexpr ZELSimTime lowest() noexcept { return min(); }
    static constexpr ZELSimTime epsilon() noexcept { return ZELSimTime(0, 1); }
    static constexpr ZELSimTime round_error() noexcept { return ZELSimTime(0, 0); }
    static constexpr ZELSimTime denorm_min() noexcept { return min(); }
    static ZELSimTime infinity() noexcept;
    static ZELSimTime quiet_NaN() noexcept;
    static ZELSimTime signaling_NaN() noexcept;
};

/// @}

#endif
