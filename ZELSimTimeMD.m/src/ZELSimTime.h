/// \class ZELSimTime
/// ZELSimTime: the exact clock value of discrete-event simulations.
///
/// A signed time held as whole seconds (64-bit) and nanoseconds (32-bit), free of the drift that
/// summing floating-point seconds gives. The value is seconds + nanoseconds * 1e-9.
///
/// Canonical form. Every value is kept canonical by every operation (this is a class invariant:
/// no public operation can build any other form):
///   - |nanoseconds| <= 999 999 999;
///   - when seconds != 0, nanoseconds is 0 or has the sign of seconds;
///   - a value strictly between -1 s and 0 has seconds 0 and negative nanoseconds
///     (-0.5 s is (0, -500 000 000)); zero is (0, 0).
/// Comparison orders by seconds, then nanoseconds, which is numeric order on canonical values.
///
/// Range. The largest time is (2^63 - 1 s, 999 999 999 ns) and the smallest (-2^63 s,
/// -999 999 999 ns); both are `scl_numeric_limits<ZELSimTime>::max()` and `min()`.
///
/// Construction:
///   - ZELSimTime(double x): x is split into its whole part w (x truncated toward zero by the
///     conversion to the 64-bit seconds) and the fraction f = x - w, which is exact (the split modf
///     gives, without calling it); seconds = w, nanoseconds = trunc(f * 1e9 + 0.5), with a carry
///     when that reaches one second. Positive x
///     rounds to the nearest nanosecond, halves up; for negative x the count lands 1 ns nearer to
///     zero as a rule (-1.5 gives (-1, -499 999 999), -0.25 gives (0, -249 999 999)). The
///     conversion is implicit, so a double can stand wherever a time is expected (t + 0.5).
///     NaN converts to zero; +inf and doubles whose whole part exceeds the range saturate to the
///     largest time, -inf and doubles below the range to the smallest time.
///   - ZELSimTime(sec, nsec) and set(sec, nsec): |nsec| >= 1e9 throws ZELEDomainError ("Nanosecond
///     domain violation"); set() then keeps the old value. A nsec of the opposite sign to a
///     non-zero sec is taken in the direction of sec: (-2, 500 000 000) is -2.5 s,
///     (2, -500 000 000) is 2.5 s; (0, -500 000 000) is -0.5 s.
///
/// Arithmetic:
///   - +, -, +=, -=: field-wise sum or difference, one carry and one sign repair (normalize_()).
///   - ++ and -- add or subtract exactly one second and keep the value canonical, so (0, -0.3 s)
///     becomes (0, 0.7 s); they are the same as += 1 s and -= 1 s.
///   - Unary minus returns the negated value and leaves its operand unchanged.
///   - *: the exact product of the two values as numbers of seconds, truncated toward zero to
///     whole nanoseconds ((0, 1 ns) * (0, 1 ns) is zero). Intermediates are wide enough for any
///     operands, so the product is exact everywhere in the range.
///   - /: the exact quotient as a number of seconds, truncated toward zero to whole nanoseconds
///     (1 s / 3 s is 0.333 333 333 s). A zero divisor throws ZELEZeroDivide ("ZELSimTime divide by
///     zero"); a quotient whose magnitude exceeds the largest time throws ZELEOverflowError
///     ("ZELSimTime division overflow"). The target keeps its value when either is thrown.
///   - ratio(a, b): the quotient a / b as a plain number, the double nearest to the exact quotient
///     (rounded once, ties to even; 0.0 when a is zero). A zero b throws ZELEZeroDivide as / does.
///   - Results outside the range (sums, differences, products, ++, --, unary minus, abs, ceil and
///     floor at the ends of the range) saturate: a result above the largest time becomes the
///     largest time, one below the smallest time becomes the smallest time. Nothing wraps, and no
///     input causes undefined behaviour.
///
/// Functions (free, global namespace, overloading the standard ones):
///   - acos, asin, atan, atan2, cos, sin, tan, cosh, sinh, tanh, exp, log, log10, pow, sqrt: the
///     double function of seconds(), converted back as by ZELSimTime(double) (so NaN gives zero,
///     infinities saturate).
///   - abs: both fields made non-negative (abs of the smallest time saturates to the largest).
///   - ceil, floor: the nearest whole second upward / downward, by the value's true sign:
///     ceil(-0.5 s) is 0 and floor(-0.5 s) is -1 s; ceil of a non-whole value in the last second
///     below the largest time gives the largest time (saturation), likewise floor at the bottom.
///   - modf(a, &whole): returns (0, a's nanoseconds) and stores (a's seconds, 0) in *whole.
///   - fmod(a, b): a - w*b with w the whole seconds of a / b; the sign of a. Throws as / does.
///
/// Output: operator<< writes fixed-point seconds with precision() digits after the point, at
/// most 9 (a negative or larger precision shows all 9), a "-" for negative values (the sign of
/// (0, -1 ns) is negative, so it prints -0.000000), a "+" for others when showpos is set, padded
/// to width() with fill(): with `internal` set the sign comes first, then the padding, then the
/// digits, whatever other adjustment flag is set; otherwise with `left` set the padding comes
/// last; otherwise first. The width is reset to 0. The fraction is rounded as printf rounds the
/// double nanoseconds / 1e9 at that precision; when it rounds up to a whole second, the second is
/// carried into the seconds printed ((0, 999 999 999 ns) prints 1.000000). The text goes straight
/// to the stream buffer whatever the stream's state (a stream with eofbit or failbit set still
/// receives it); a buffer that refuses a character sets failbit and badbit and gets nothing more,
/// and a stream without a buffer receives nothing. As in every formatted output, a good stream
/// flushes its tied stream first and, with unitbuf set, its buffer afterwards.
///
/// The type is trivially copyable, holds no heap memory, and the small operations are inline.
#ifndef ZELMATH_ZELSIMTIMEMD_M_SRC_ZELSIMTIME_H
#define ZELMATH_ZELSIMTIMEMD_M_SRC_ZELSIMTIME_H

/// \addtogroup simtime
/// @{

#include "ZELMathExport.h"

#include <cstdint>
#include <iosfwd>
#include <limits>

class ZELSimTime;

/// Exact product and quotient (defined in the library; the compound forms below use them). The
/// results come back in registers, which keeps c = a * b free of a round trip through memory.
ZELMATH_EXPORT ZELSimTime operator*(const ZELSimTime& a, const ZELSimTime& b) noexcept;
ZELMATH_EXPORT ZELSimTime operator/(const ZELSimTime& a, const ZELSimTime& b);

class ZELMATH_EXPORT ZELSimTime {
public:
    static constexpr std::int32_t NanosecondsPerSecond = 1000000000;

    constexpr ZELSimTime() noexcept : sec_(0), nsec_(0) {}
    constexpr ZELSimTime(const ZELSimTime&) noexcept = default;
    ZELSimTime& operator=(const ZELSimTime&) noexcept = default;
    ~ZELSimTime() = default;

    /// From floating-point seconds (implicit; see the header comment for rounding and range).
    ZELSimTime(double seconds) noexcept  // NOLINT(google-explicit-constructor)
        : sec_(0), nsec_(0) {
        // The whole part fits the seconds exactly when -2^63 <= x < 2^63 (no double lies between
        // -2^63 - 1 and -2^63). Inside that range trunc(x) is the integer conversion and the
        // fraction x - trunc(x) is exact, the same split as modf.
        if (seconds >= -9223372036854775808.0 && seconds < 9223372036854775808.0) {
            sec_ = static_cast<std::int64_t>(seconds);
            nsec_ = static_cast<std::int32_t>((seconds - static_cast<double>(sec_)) * 1e9 + 0.5);
            if (nsec_ >= NanosecondsPerSecond) {  // the fraction rounded up to a whole second
                ++sec_;
                nsec_ -= NanosecondsPerSecond;
            }
        } else if (seconds > 0) {
            *this = largest_();
        } else if (seconds < 0) {
            *this = smallest_();
        }  // NaN: zero
    }

    /// From whole seconds and nanoseconds; throws ZELEDomainError when |nsec| >= 1e9.
    constexpr ZELSimTime(std::int64_t sec, int nsec)
        : sec_(sec), nsec_(checkedNanoseconds_(sec, nsec)) {}

    /// Same as the constructor; on a throw the value is unchanged.
    void set(std::int64_t sec, int nsec) {
        const std::int32_t n = checkedNanoseconds_(sec, nsec);
        sec_ = sec;
        nsec_ = n;
    }

    /// The value in seconds: nanoseconds / 1e9 + seconds, in double arithmetic.
    double seconds() const noexcept {
        return static_cast<double>(nsec_) / 1e9 + static_cast<double>(sec_);
    }

    /// The two fields of the canonical form.
    constexpr std::int64_t wholeSeconds() const noexcept { return sec_; }
    constexpr int nanoseconds() const noexcept { return nsec_; }

    ZELSimTime& operator++() noexcept { return *this += ZELSimTime(1, 0); }
    ZELSimTime& operator--() noexcept { return *this -= ZELSimTime(1, 0); }
    ZELSimTime operator++(int) noexcept {
        const ZELSimTime before = *this;
        ++*this;
        return before;
    }
    ZELSimTime operator--(int) noexcept {
        const ZELSimTime before = *this;
        --*this;
        return before;
    }

    constexpr ZELSimTime operator+() const noexcept { return *this; }
    constexpr ZELSimTime operator-() const noexcept {
        // -(-2^63 s - x) does not fit: saturate to the largest time.
        return sec_ == std::numeric_limits<std::int64_t>::min() ? largest_()
                                                                : ZELSimTime(-sec_, -nsec_, Raw{});
    }

    /// The sum of the seconds can only leave the range when both have the same sign, and then the
    /// nanoseconds share it too: no carry or repair could bring the value back, so it saturates.
    ZELSimTime& operator+=(const ZELSimTime& b) noexcept {
        std::int64_t s;
        if (__builtin_expect(__builtin_add_overflow(sec_, b.sec_, &s), 0))
            return *this = sec_ < 0 ? smallest_() : largest_();
        sec_ = s;
        nsec_ += b.nsec_;
        normalize_();
        return *this;
    }
    // A difference of seconds leaves the range when the signs differ; the nanoseconds then point
    // the same way, except for 0 s minus -2^63 s, where negative nanoseconds of the left operand
    // can bring the value back below 2^63 s.
    ZELSimTime& operator-=(const ZELSimTime& b) noexcept {
        std::int64_t s;
        if (__builtin_expect(__builtin_sub_overflow(sec_, b.sec_, &s), 0)) {
            const std::int32_t n = nsec_ - b.nsec_;
            if (sec_ == 0 && n < 0)
                return *this = ZELSimTime(std::numeric_limits<std::int64_t>::max(),
                                          n + NanosecondsPerSecond, Raw{});
            return *this = sec_ < 0 ? smallest_() : largest_();
        }
        sec_ = s;
        nsec_ -= b.nsec_;
        normalize_();
        return *this;
    }
    ZELSimTime& operator*=(const ZELSimTime& b) noexcept { return *this = *this * b; }
    ZELSimTime& operator/=(const ZELSimTime& b) {
        return *this = *this / b;
    }  // unchanged on a throw

    friend constexpr bool operator==(const ZELSimTime& a, const ZELSimTime& b) noexcept {
        return a.sec_ == b.sec_ && a.nsec_ == b.nsec_;
    }
    friend constexpr bool operator<(const ZELSimTime& a, const ZELSimTime& b) noexcept {
        return a.sec_ != b.sec_ ? a.sec_ < b.sec_ : a.nsec_ < b.nsec_;
    }

    friend ZELSimTime abs(const ZELSimTime& a) noexcept;
    friend ZELSimTime ceil(const ZELSimTime& a) noexcept;
    friend ZELSimTime floor(const ZELSimTime& a) noexcept;

private:
    struct Raw {};
    friend class ZELSimTimeP;

    /// Fields taken as they are (callers guarantee the canonical form).
    constexpr ZELSimTime(std::int64_t sec, std::int32_t nsec, Raw) noexcept
        : sec_(sec), nsec_(nsec) {}

    static constexpr ZELSimTime largest_() noexcept {
        return ZELSimTime(std::numeric_limits<std::int64_t>::max(), NanosecondsPerSecond - 1,
                          Raw{});
    }
    static constexpr ZELSimTime smallest_() noexcept {
        return ZELSimTime(std::numeric_limits<std::int64_t>::min(), -(NanosecondsPerSecond - 1),
                          Raw{});
    }

    /// The nanoseconds for (sec, nsec), turned toward the sign of sec; throws when out of domain.
    static constexpr std::int32_t checkedNanoseconds_(std::int64_t sec, int nsec) {
        if (nsec >= NanosecondsPerSecond || nsec <= -NanosecondsPerSecond) throwDomainError_();
        return ((sec < 0 && nsec > 0) || (sec > 0 && nsec < 0)) ? -nsec : nsec;
    }
    [[noreturn]] static void throwDomainError_();

    /// One carry step, then one sign repair. For canonical operands of a sum or difference the
    /// nanoseconds lie strictly between -2e9 and 2e9, so the result is canonical again; a carry
    /// out of the seconds' range saturates. Plain branches: a clock advanced by steps of one sign
    /// predicts them perfectly, and they measured faster than a branch-free form even on random
    /// signs.
    void normalize_() noexcept {
        if (nsec_ >= NanosecondsPerSecond) {
            if (__builtin_expect(sec_ == std::numeric_limits<std::int64_t>::max(), 0)) {
                *this = largest_();
                return;
            }
            ++sec_;
            nsec_ -= NanosecondsPerSecond;
        } else if (nsec_ <= -NanosecondsPerSecond) {
            if (__builtin_expect(sec_ == std::numeric_limits<std::int64_t>::min(), 0)) {
                *this = smallest_();
                return;
            }
            --sec_;
            nsec_ += NanosecondsPerSecond;
        }
        if (sec_ > 0 && nsec_ < 0) {
            --sec_;
            nsec_ += NanosecondsPerSecond;
        } else if (sec_ < 0 && nsec_ > 0) {
            ++sec_;
            nsec_ -= NanosecondsPerSecond;
        }
    }

    std::int64_t sec_;
    std::int32_t nsec_;
};

inline constexpr bool operator!=(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    return !(a == b);
}
inline constexpr bool operator>(const ZELSimTime& a, const ZELSimTime& b) noexcept { return b < a; }
inline constexpr bool operator<=(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    return !(b < a);
}
inline constexpr bool operator>=(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    return !(a < b);
}

inline ZELSimTime operator+(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    ZELSimTime r = a;
    r += b;
    return r;
}
inline ZELSimTime operator-(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    ZELSimTime r = a;
    r -= b;
    return r;
}

// ---- exact functions ----------------------------------------------------------------------------

inline ZELSimTime abs(const ZELSimTime& a) noexcept { return a.sec_ < 0 || a.nsec_ < 0 ? -a : a; }

inline ZELSimTime ceil(const ZELSimTime& a) noexcept {
    if (a.nsec_ <= 0) return ZELSimTime(a.sec_, 0, ZELSimTime::Raw{});
    if (a.sec_ == std::numeric_limits<std::int64_t>::max()) return ZELSimTime::largest_();
    return ZELSimTime(a.sec_ + 1, 0, ZELSimTime::Raw{});
}

inline ZELSimTime floor(const ZELSimTime& a) noexcept {
    if (a.nsec_ >= 0) return ZELSimTime(a.sec_, 0, ZELSimTime::Raw{});
    if (a.sec_ == std::numeric_limits<std::int64_t>::min()) return ZELSimTime::smallest_();
    return ZELSimTime(a.sec_ - 1, 0, ZELSimTime::Raw{});
}

/// Returns the fraction (0, a's nanoseconds) and stores the whole seconds in *whole.
inline ZELSimTime modf(const ZELSimTime& a, ZELSimTime* whole) {
    *whole = ZELSimTime(a.wholeSeconds(), 0);
    return ZELSimTime(0, a.nanoseconds());
}

/// Remainder of the truncated division, with the sign of a; throws as a / b does.
ZELMATH_EXPORT ZELSimTime fmod(const ZELSimTime& a, const ZELSimTime& b);

/// a / b as a double, rounded once from the exact quotient (ties to even); throws ZELEZeroDivide
/// for a zero b.
ZELMATH_EXPORT double ratio(const ZELSimTime& a, const ZELSimTime& b);

// ---- floating-point functions: evaluated in double on seconds() and converted back ----------

ZELMATH_EXPORT ZELSimTime acos(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime asin(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime atan(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime atan2(const ZELSimTime& a, const ZELSimTime& b) noexcept;
ZELMATH_EXPORT ZELSimTime cos(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime sin(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime tan(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime cosh(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime sinh(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime tanh(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime exp(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime log(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime log10(const ZELSimTime& a) noexcept;
ZELMATH_EXPORT ZELSimTime pow(const ZELSimTime& a, const ZELSimTime& b) noexcept;
ZELMATH_EXPORT ZELSimTime sqrt(const ZELSimTime& a) noexcept;

/// Fixed-point seconds; see the header comment for the format.
ZELMATH_EXPORT std::ostream& operator<<(std::ostream& os, const ZELSimTime& t);

/// @}

#endif
