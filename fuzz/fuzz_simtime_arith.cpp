// Simulation-time arithmetic against an exact integer model of the value in nanoseconds:
// sums, differences, products, quotients, ratios, remainders, negation, abs, ceil and floor, including
// saturation at both ends of the range and the two division errors; and construction from
// arbitrary doubles (NaN, infinities, denormals, values beyond the range).
#include "FuzzInput.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "foundation/ZELException.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

__extension__ typedef __int128 I128;
__extension__ typedef unsigned __int128 U128;

constexpr std::int64_t kNano = 1000000000;
constexpr I128 kMaxNs =
    static_cast<I128>(std::numeric_limits<std::int64_t>::max()) * kNano + (kNano - 1);
constexpr I128 kMinNs =
    static_cast<I128>(std::numeric_limits<std::int64_t>::min()) * kNano - (kNano - 1);

I128 nsOf(const ZELSimTime& t) {
    return static_cast<I128>(t.wholeSeconds()) * kNano + t.nanoseconds();
}

bool canonical(const ZELSimTime& t) {
    const std::int64_t s = t.wholeSeconds();
    const int n = t.nanoseconds();
    if (n >= kNano || n <= -kNano) return false;
    return !((s > 0 && n < 0) || (s < 0 && n > 0));
}

ZELSimTime saturated(I128 ns) {
    if (ns > kMaxNs) ns = kMaxNs;
    if (ns < kMinNs) ns = kMinNs;
    return ZELSimTime(static_cast<std::int64_t>(ns / kNano), static_cast<int>(ns % kNano));
}

U128 magnitude(I128 v) {
    return v < 0 ? static_cast<U128>(0) - static_cast<U128>(v) : static_cast<U128>(v);
}

// floor(a * b / 1e9) for a, b < 2^96, saturated to `limit` (the product can exceed 128 bits).
U128 productNs(U128 a, U128 b, U128 limit) {
    const std::uint64_t a0 = static_cast<std::uint64_t>(a),
                        a1 = static_cast<std::uint64_t>(a >> 64);
    const std::uint64_t b0 = static_cast<std::uint64_t>(b),
                        b1 = static_cast<std::uint64_t>(b >> 64);
    const U128 p00 = static_cast<U128>(a0) * b0, p01 = static_cast<U128>(a0) * b1;
    const U128 p10 = static_cast<U128>(a1) * b0, p11 = static_cast<U128>(a1) * b1;
    std::uint64_t limb[4];
    limb[0] = static_cast<std::uint64_t>(p00);
    const U128 mid =
        (p00 >> 64) + static_cast<std::uint64_t>(p01) + static_cast<std::uint64_t>(p10);
    limb[1] = static_cast<std::uint64_t>(mid);
    const U128 high = (mid >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<std::uint64_t>(p11);
    limb[2] = static_cast<std::uint64_t>(high);
    limb[3] = static_cast<std::uint64_t>((high >> 64) + (p11 >> 64));
    std::uint64_t q[4];
    U128 rem = 0;
    for (int i = 3; i >= 0; --i) {
        const U128 cur = (rem << 64) | limb[i];
        q[i] = static_cast<std::uint64_t>(cur / kNano);
        rem = cur % kNano;
    }
    if (q[3] || q[2]) return limit + 1;
    const U128 result = (static_cast<U128>(q[1]) << 64) | q[0];
    return result > limit ? limit + 1 : result;
}

ZELSimTime takeTime(FuzzInput& in) {
    const auto shift = static_cast<unsigned>(in.take<std::uint8_t>() % 64);
    std::int64_t sec = in.take<std::int64_t>();
    sec = sec >> shift;  // small magnitudes as often as large ones
    const int nsec = in.take<std::int32_t>() % kNano;
    return ZELSimTime(sec, nsec);
}

void checkFromDouble(double x) {
    const ZELSimTime t(x);
    FUZZ_CHECK(canonical(t));
    if (std::isnan(x)) {
        FUZZ_CHECK(t == ZELSimTime());
    } else if (x >= 9223372036854775808.0) {
        FUZZ_CHECK(nsOf(t) == kMaxNs);
    } else if (x < -9223372036854775808.0) {
        FUZZ_CHECK(nsOf(t) == kMinNs);
    } else if (std::fabs(x) >= 4503599627370496.0) {  // 2^52 and beyond: x is whole
        FUZZ_CHECK(t.wholeSeconds() == static_cast<std::int64_t>(x) && t.nanoseconds() == 0);
    } else {
        // (sec - x) is exact here. Positive x rounds to the nearest nanosecond; negative x
        // lands up to 1 ns nearer to zero than that.
        const long double err =
            static_cast<long double>(static_cast<double>(t.wholeSeconds()) - x) +
            static_cast<long double>(t.nanoseconds()) / 1e9L;
        FUZZ_CHECK(std::fabs(err) <= (x >= 0 ? 0.5000001e-9L : 1.5000001e-9L));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const ZELSimTime a = takeTime(in);
    const ZELSimTime b = takeTime(in);
    const I128 na = nsOf(a), nb = nsOf(b);

    FUZZ_CHECK((a < b) == (na < nb) && (a == b) == (na == nb));
    FUZZ_CHECK(a + b == saturated(na + nb));
    FUZZ_CHECK(a - b == saturated(na - nb));
    FUZZ_CHECK(-a == saturated(-na));
    FUZZ_CHECK(abs(a) == saturated(na < 0 ? -na : na));
    const I128 whole = na / kNano * kNano;  // truncated toward zero
    FUZZ_CHECK(ceil(a) == saturated(na > whole ? whole + kNano : whole));
    FUZZ_CHECK(floor(a) == saturated(na < whole ? whole - kNano : whole));

    // Product: exact, truncated toward zero, saturated.
    const bool negative = (na < 0) != (nb < 0);
    const U128 limit = magnitude(negative ? kMinNs : kMaxNs);
    const U128 p = productNs(magnitude(na), magnitude(nb), limit);
    const ZELSimTime product = a * b;
    FUZZ_CHECK(canonical(product));
    if (p > limit) {
        FUZZ_CHECK(nsOf(product) == (negative ? kMinNs : kMaxNs));
    } else {
        FUZZ_CHECK(nsOf(product) == (negative ? -static_cast<I128>(p) : static_cast<I128>(p)));
    }

    // Quotient and remainder: exact, truncated toward zero; errors leave the target unchanged.
    ZELSimTime target = a;
    if (nb == 0) {
        auto dividesByZero = [](auto call) {
            try {
                call();
            } catch (const ZELEZeroDivide&) {
                return true;
            }
            return false;
        };
        FUZZ_CHECK(dividesByZero([&] { target /= b; }) && target == a);
        FUZZ_CHECK(dividesByZero([&] { (void)fmod(a, b); }));
        FUZZ_CHECK(dividesByZero([&] { (void)ratio(a, b); }));
    } else {
        const U128 ma = magnitude(na), mb = magnitude(nb);
        const U128 q = ma * kNano / mb;  // ma * 1e9 < 2^127
        const bool overflow = ma / mb > static_cast<U128>(std::numeric_limits<std::int64_t>::max());
        bool threw = false;
        try {
            target /= b;
        } catch (const ZELEOverflowError&) {
            threw = true;
        }
        FUZZ_CHECK(threw == overflow);
        if (overflow) {
            FUZZ_CHECK(target == a);
        } else {
            FUZZ_CHECK(canonical(target));
            FUZZ_CHECK(nsOf(target) == (negative ? -static_cast<I128>(q) : static_cast<I128>(q)));
        }
        threw = false;
        try {
            const ZELSimTime r = fmod(a, b);
            const I128 rem = static_cast<I128>(ma % mb);
            FUZZ_CHECK(canonical(r) && nsOf(r) == (na < 0 ? -rem : rem));
        } catch (const ZELEOverflowError&) {
            threw = true;
        }
        FUZZ_CHECK(threw == overflow);

        // ratio: counts below 2^53 are exact doubles, whose IEEE quotient is the exact quotient
        // rounded once; beyond, it must lie within half a unit in the last place (checked in
        // long double, whose 64-bit significand leaves a margin far below that).
        const double q2 = ratio(a, b);
        if (ma < (static_cast<U128>(1) << 53) && mb < (static_cast<U128>(1) << 53)) {
            FUZZ_CHECK(q2 == static_cast<double>(na) / static_cast<double>(nb));
        } else {
            const long double exact = static_cast<long double>(na) / static_cast<long double>(nb);
            FUZZ_CHECK(std::fabs(q2 - exact) <= std::fabs(exact) * 0x1.002p-53L);
        }
    }

    checkFromDouble(in.take<double>());
    return 0;
}
