#include "ZELSimTimeMD.m/src/ZELSimTimeP.h"

#include "foundation/ZELException.h"
#include "ZELSimTimeMD.m/src/internal/ZELSimTimeReportSites.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kNano = 1000000000u;
constexpr std::uint64_t kMaxSeconds =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// |t| as an unsigned count of whole seconds (the smallest time's 2^63 fits) and nanoseconds.
struct Magnitude {
    std::uint64_t sec;
    std::uint64_t nsec;
};

// Branch-free absolute values and negation: the signs of simulation times are not predictable.
// mask is all ones to negate, zero to keep; the unsigned arithmetic wraps by definition.
std::uint64_t negateIf(std::uint64_t v, std::uint64_t mask) { return (v ^ mask) - mask; }

std::uint64_t signMask(const ZELSimTime& t) {
    const std::int64_t s = t.wholeSeconds();
    return 0 - static_cast<std::uint64_t>((s < 0) | ((s == 0) & (t.nanoseconds() < 0)));
}

Magnitude magnitudeOf(const ZELSimTime& t) {
    const std::uint64_t mask = signMask(t);
    return {negateIf(static_cast<std::uint64_t>(t.wholeSeconds()), mask),
            negateIf(static_cast<std::uint64_t>(static_cast<std::int64_t>(t.nanoseconds())), mask)};
}

Wide totalNanoseconds(const ZELSimTime& t) {
    const Magnitude m = magnitudeOf(t);
    return static_cast<Wide>(m.sec) * kNano + m.nsec;
}

// Quotient and remainder of n / d (d != 0), with plain 64-bit division when both fit.
void divMod(Wide n, Wide d, Wide& q, Wide& r) {
    if ((n >> 64) == 0 && (d >> 64) == 0) {
        const auto n64 = static_cast<std::uint64_t>(n);
        const auto d64 = static_cast<std::uint64_t>(d);
        q = n64 / d64;
        r = n64 % d64;
    } else {
        q = n / d;
        r = n % d;
    }
}

// The whole seconds of a quotient must fit the largest time.
void checkQuotientSeconds(Wide seconds) {
    if (seconds > kMaxSeconds)
        zel_internal::raise<ZELEOverflowError>(zel_internal::kTimeDivisionOverflow);
}

// Number of significant bits of v != 0.
int bitLength(Wide v) {
    const auto high = static_cast<std::uint64_t>(v >> 64);
    return high ? 128 - __builtin_clzll(high) : 64 - __builtin_clzll(static_cast<std::uint64_t>(v));
}

}  // namespace

ZELSimTime ZELSimTimeP::fromMagnitude_(std::uint64_t sec, std::int32_t nsec,
                                       bool negative) noexcept {
    // Two's complement negation in unsigned arithmetic; the result (at least -2^63) is a valid
    // seconds count, converted back by value.
    const std::uint64_t mask = 0 - static_cast<std::uint64_t>(negative);
    const std::uint64_t s = negateIf(sec, mask);
    const auto n = static_cast<std::int32_t>(negateIf(static_cast<std::uint64_t>(nsec), mask));
    const std::int64_t signedSec =
        s <= kMaxSeconds ? static_cast<std::int64_t>(s) : -static_cast<std::int64_t>(~s) - 1;
    return ZELSimTime(signedSec, n, ZELSimTime::Raw{});
}

ZELSimTime ZELSimTimeP::multiply(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    const Magnitude ma = magnitudeOf(a);
    const Magnitude mb = magnitudeOf(b);
    const bool negative = (signMask(a) ^ signMask(b)) != 0;

    // Magnitudes below 1e9 s (about 31 years), the usual case: A*B < 1e18 and the low sum below
    // fit 64 bits and no splitting is needed.
    if (ma.sec < kNano && mb.sec < kNano) {
        const std::uint64_t low = ma.nsec * mb.nsec / kNano + ma.nsec * mb.sec + mb.nsec * ma.sec;
        return fromMagnitude_(ma.sec * mb.sec + low / kNano, static_cast<std::int32_t>(low % kNano),
                              negative);
    }

    // With A = Ahi*1e9 + Alo and B = Bhi*1e9 + Blo, the product in nanoseconds,
    //   floor((A*1e9 + An) * (B*1e9 + Bn) / 1e9),
    // is 1e9 * (A*B + An*Bhi + Bn*Ahi) + (An*Blo + Bn*Alo + floor(An*Bn / 1e9)).
    // Every term but A*B fits 64 bits (An*Bhi < 1e9 * 9.3e9; the low sum < 2.1e18).
    const std::uint64_t aHi = ma.sec / kNano, aLo = ma.sec % kNano;
    const std::uint64_t bHi = mb.sec / kNano, bLo = mb.sec % kNano;
    const std::uint64_t low = ma.nsec * mb.nsec / kNano + ma.nsec * bLo + mb.nsec * aLo;
    const auto nsec = static_cast<std::int32_t>(low % kNano);
    const Wide sec =
        static_cast<Wide>(ma.sec) * mb.sec + ma.nsec * bHi + mb.nsec * aHi + low / kNano;

    if (sec > (negative ? kMaxSeconds + 1 : kMaxSeconds))
        return negative ? ZELSimTime::smallest_() : ZELSimTime::largest_();
    return fromMagnitude_(static_cast<std::uint64_t>(sec), nsec, negative);
}

ZELSimTime ZELSimTimeP::divide(const ZELSimTime& a, const ZELSimTime& b) {
    const Wide na = totalNanoseconds(a);
    const Wide nb = totalNanoseconds(b);

    // floor(na * 1e9 / nb) = q1 * 1e9 + q2 with q1 = floor(na / nb) and q2 = floor(r1 * 1e9 / nb):
    // q1 is the quotient's whole seconds and q2 (< 1e9, as r1 < nb) its nanoseconds.
    Wide q1, r1, q2, r2;
    divMod(na, nb, q1, r1);
    checkQuotientSeconds(q1);
    divMod(r1 * kNano, nb, q2, r2);
    return fromMagnitude_(static_cast<std::uint64_t>(q1), static_cast<std::int32_t>(q2),
                          (signMask(a) ^ signMask(b)) != 0);
}

ZELSimTime ZELSimTimeP::remainder(const ZELSimTime& a, const ZELSimTime& b) {
    const Wide na = totalNanoseconds(a);
    const Wide nb = totalNanoseconds(b);

    Wide q, r;
    divMod(na, nb, q, r);
    checkQuotientSeconds(q);
    // r <= na, so the remainder with the sign of a is a time.
    return fromMagnitude_(static_cast<std::uint64_t>(r / kNano),
                          static_cast<std::int32_t>(r % kNano), signMask(a) != 0);
}

double ZELSimTimeP::ratio(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    const Wide na = totalNanoseconds(a);
    const Wide nb = totalNanoseconds(b);
    if (na == 0) return 0.0;
    const bool negative = (signMask(a) ^ signMask(b)) != 0;

    // Both counts below 2^53 are exact doubles, and IEEE division rounds their exact quotient once.
    constexpr Wide kExact = Wide(1) << 53;
    if (na < kExact && nb < kExact) {
        const double q = static_cast<double>(na) / static_cast<double>(nb);
        return negative ? -q : q;
    }

    // Long division, 32 bits per step, until the integer quotient q holds at least 55 bits:
    // na / nb = (q + r / nb) * 2^-shift, r < nb < 2^94, so r * 2^32 fits and q stays below 2^86.
    Wide q, r;
    divMod(na, nb, q, r);
    int shift = 0;
    while ((q >> 54) == 0) {
        Wide qStep, rStep;
        divMod(r << 32, nb, qStep, rStep);
        q = (q << 32) | qStep;
        r = rStep;
        shift += 32;
    }
    // Keep 53 bits; round the dropped ones, with a non-zero remainder as a sticky bit below them,
    // to nearest, ties to even. A mantissa carried up to 2^53 is still exact.
    const int drop = bitLength(q) - 53;  // >= 2
    auto mantissa = static_cast<std::uint64_t>(q >> drop);
    const Wide rest = q & ((Wide(1) << drop) - 1);
    const Wide half = Wide(1) << (drop - 1);
    if (rest > half || (rest == half && (r != 0 || (mantissa & 1u) != 0))) ++mantissa;
    // The quotient lies between 2^-94 and 2^94: scaling by a power of two is exact.
    const double magnitude = std::ldexp(static_cast<double>(mantissa), drop - shift);
    return negative ? -magnitude : magnitude;
}
