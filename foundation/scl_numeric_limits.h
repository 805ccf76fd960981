/// \file
/// Numeric limits of the container library.
///
/// `scl_numeric_limits<T>` mirrors `std::numeric_limits<T>` for the types the library needs
/// (double and 64-bit signed integers here; the simulation time adds its own specialisation).
/// Every member is constexpr, so tolerances built from `epsilon()` are constant-initialised.
#ifndef ZELMATH_FOUNDATION_SCL_NUMERIC_LIMITS_H
#define ZELMATH_FOUNDATION_SCL_NUMERIC_LIMITS_H

/// \addtogroup foundation
/// @{

#include <cstdint>
#include <limits>

/// Rounding styles, numbered as the standard's float_round_style.
enum scl_float_round_style : int {
    scl_round_indeterminate = -1,
    scl_round_toward_zero = 0,
    scl_round_to_nearest = 1,
    scl_round_toward_infinity = 2,
    scl_round_toward_neg_infinity = 3
};

template <class T>
struct scl_numeric_limits;

namespace zel_internal {

/// The members shared by the built-in specialisations, read from the standard library.
template <class T>
struct scl_builtin_limits {
    using S = std::numeric_limits<T>;
    static constexpr bool is_specialized = S::is_specialized;
    static constexpr bool is_signed = S::is_signed;
    static constexpr bool is_integer = S::is_integer;
    static constexpr bool is_exact = S::is_exact;
    static constexpr bool is_bounded = S::is_bounded;
    static constexpr bool is_modulo = S::is_modulo;
    static constexpr bool is_iec559 = S::is_iec559;
    static constexpr bool has_infinity = S::has_infinity;
    static constexpr bool has_quiet_NaN = S::has_quiet_NaN;
    static constexpr bool has_signaling_NaN = S::has_signaling_NaN;
    static constexpr bool has_denorm = S::has_denorm == std::denorm_present;
    static constexpr bool has_denorm_loss = S::has_denorm_loss;
    static constexpr bool traps = S::traps;
    static constexpr bool tinyness_before = S::tinyness_before;
    static constexpr scl_float_round_style round_style =
        static_cast<scl_float_round_style>(S::round_style);
    static constexpr int radix = S::radix;
    static constexpr int digits = S::digits;
    static constexpr int digits10 = S::digits10;
    static constexpr int min_exponent = S::min_exponent;
    static constexpr int min_exponent10 = S::min_exponent10;
    static constexpr int max_exponent = S::max_exponent;
    static constexpr int max_exponent10 = S::max_exponent10;

    static constexpr T min() noexcept { return S::min(); }
    static constexpr T max() noexcept { return S::max(); }
    static constexpr T lowest() noexcept { return S::lowest(); }
    static constexpr T epsilon() noexcept { return S::epsilon(); }
    static constexpr T round_error() noexcept { return S::round_error(); }
    static constexpr T denorm_min() noexcept { return S::denorm_min(); }
    static constexpr T infinity() noexcept { return S::infinity(); }
    static constexpr T quiet_NaN() noexcept { return S::quiet_NaN(); }
    static constexpr T signaling_NaN() noexcept { return S::signaling_NaN(); }
};

}  // namespace zel_internal

template <>
struct scl_numeric_limits<double> : zel_internal::scl_builtin_limits<double> {};

template <>
struct scl_numeric_limits<std::int64_t> : zel_internal::scl_builtin_limits<std::int64_t> {};

/// @}

#endif
