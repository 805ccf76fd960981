// Products, quotients and ratios of times against an independent oracle: 256-bit unsigned
// integers in 32-bit limbs with schoolbook multiplication and bit-by-bit restoring division.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

const ZELSimTime kMax = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime kMin = scl_numeric_limits<ZELSimTime>::min();
__extension__ typedef unsigned __int128 U128;
using Big = std::array<std::uint32_t, 8>;  // least significant limb first

Big big(U128 v) {
    Big b{};
    for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint32_t>(v >> (32 * i));
    return b;
}
Big mul(const Big& a, const Big& b) {
    Big r{};
    for (int i = 0; i < 8; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; i + j < 8; ++j) {
            const std::uint64_t cur = r[i + j] + static_cast<std::uint64_t>(a[i]) * b[j] + carry;
            r[i + j] = static_cast<std::uint32_t>(cur);
            carry = cur >> 32;
        }
    }
    return r;
}
bool less(const Big& a, const Big& b) {
    for (int i = 7; i >= 0; --i)
        if (a[i] != b[i]) return a[i] < b[i];
    return false;
}
Big shiftLeft(Big a, int bits) {
    for (; bits >= 16; bits -= 16) a = mul(a, big(1u << 16));
    return mul(a, big(1u << bits));
}
void divMod(const Big& n, const Big& d, Big& q, Big& r) {
    q = r = Big{};
    for (int bit = 255; bit >= 0; --bit) {
        for (int i = 7; i > 0; --i) r[i] = (r[i] << 1) | (r[i - 1] >> 31);
        r[0] = (r[0] << 1) | ((n[bit / 32] >> (bit % 32)) & 1u);
        if (less(r, d)) continue;
        std::int64_t borrow = 0;
        for (int i = 0; i < 8; ++i) {
            const std::int64_t cur = static_cast<std::int64_t>(r[i]) - d[i] - borrow;
            borrow = cur < 0;
            r[i] = static_cast<std::uint32_t>(cur + (borrow << 32));
        }
        q[bit / 32] |= 1u << (bit % 32);
    }
}

const Big kBillion = big(1000000000);
bool negative(const ZELSimTime& t) { return t.wholeSeconds() < 0 || t.nanoseconds() < 0; }
Big magnitude(const ZELSimTime& t) {  // |t| in nanoseconds (plain 128-bit: below 2^94)
    const U128 sec =
        t.wholeSeconds() < 0 ? 0 - static_cast<std::uint64_t>(t.wholeSeconds()) : t.wholeSeconds();
    return big(sec * 1000000000u + static_cast<unsigned>(std::abs(t.nanoseconds())));
}

// The time of `ns` nanoseconds with the given sign, or false when its seconds exceed `limit`.
bool timeOf(const Big& ns, bool neg, std::uint64_t limit, ZELSimTime& t) {
    Big s, n;
    divMod(ns, kBillion, s, n);
    const std::uint64_t sec = s[0] | static_cast<std::uint64_t>(s[1]) << 32;
    if ((s[2] | s[3] | s[4] | s[5] | s[6] | s[7]) || sec > limit) return false;
    const auto nsec = static_cast<int>(n[0]);
    t = neg ? ZELSimTime(static_cast<std::int64_t>(0 - sec), -nsec)
            : ZELSimTime(static_cast<std::int64_t>(sec), nsec);
    return true;
}

// Every seconds bit length, both signs, edge nanoseconds and the ends of the range.
std::vector<ZELSimTime> operands() {
    std::mt19937_64 rng(20240611);
    std::vector<ZELSimTime> v = {ZELSimTime(),
                                 ZELSimTime(0, 1),
                                 ZELSimTime(0, -1),
                                 ZELSimTime(0, 999999999),
                                 ZELSimTime(1, 0),
                                 ZELSimTime(-1, 0),
                                 ZELSimTime(0, 500000000),
                                 ZELSimTime(999999999, 999999999),
                                 ZELSimTime(3037000500, 0),
                                 kMax,
                                 kMin,
                                 ZELSimTime(INT64_MIN, 0),
                                 ZELSimTime(INT64_MAX - 1, 5)};
    for (int i = 0; i < 200; ++i) {
        const int bits = static_cast<int>(rng() % 64);
        const auto sec = bits == 0 ? 0 : static_cast<std::int64_t>(rng() >> (64 - bits));
        const int nsec = rng() % 3 == 0 ? 999999999 : static_cast<int>(rng() % 1000000000);
        v.push_back(rng() & 1 ? ZELSimTime(-sec, -nsec) : ZELSimTime(sec, nsec));
    }
    return v;
}

// The double nearest to |a| / |b|, ties to even: with d = m * 2^e (m of 53 bits) the quotient lies
// between the midpoints to d's neighbours (the lower one is nearer when m = 2^52), and on one only
// for an even m. Compared as 4 * |a| * 2^-e against (4m +- 2) * |b| * 2^e, all in exact integers.
::testing::AssertionResult IsNearest(double d, const ZELSimTime& a, const ZELSimTime& b) {
    int exp2;
    const auto m = static_cast<std::uint64_t>(std::ldexp(std::frexp(std::fabs(d), &exp2), 53));
    const int e = exp2 - 53;
    const Big lhs = shiftLeft(magnitude(a), 2 + (e < 0 ? -e : 0));
    auto side = [&](std::uint64_t k) {
        return shiftLeft(mul(big(k), magnitude(b)), e > 0 ? e : 0);
    };
    const Big hi = side(4 * m + 2), lo = side(m == std::uint64_t{1} << 52 ? 4 * m - 1 : 4 * m - 2);
    const bool even = (m & 1) == 0;
    if ((less(lhs, hi) || (even && lhs == hi)) && (less(lo, lhs) || (even && lhs == lo)) &&
        std::signbit(d) == (negative(a) != negative(b)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "ratio(" << a << ", " << b << ") = " << d;
}

// Products saturate; quotients beyond the largest time (for either sign) throw and keep the target.
TEST(SimTimeMulDiv, EveryPairOfOperandsMatchesTheOracle) {
    const std::vector<ZELSimTime> v = operands();
    for (const ZELSimTime& a : v) {
        for (const ZELSimTime& b : v) {
            const bool neg = negative(a) != negative(b);
            Big ns, rest;
            divMod(mul(magnitude(a), magnitude(b)), kBillion, ns, rest);
            ZELSimTime expected = neg ? kMin : kMax;
            timeOf(ns, neg, INT64_MAX + std::uint64_t{neg}, expected);
            ASSERT_EQ(a * b, expected) << a << " * " << b;
            if (b == ZELSimTime()) continue;
            divMod(mul(magnitude(a), kBillion), magnitude(b), ns, rest);
            ZELSimTime r = a;
            if (timeOf(ns, neg, INT64_MAX, expected)) {
                ASSERT_NO_THROW(r /= b) << a << " / " << b;
                ASSERT_EQ(r, expected) << a << " / " << b;
            } else {
                ASSERT_THROW(r /= b, ZELEOverflowError) << a << " / " << b;
                ASSERT_EQ(r, a);
            }
            if (a != ZELSimTime()) {
                ASSERT_TRUE(IsNearest(ratio(a, b), a, b));
            }
        }
    }
}

TEST(SimTimeMulDiv, RatioRoundsTiesToEvenAndSeesTheRemainderBeyondTheTie) {
    EXPECT_EQ(ratio(ZELSimTime(9007199, 254740993), ZELSimTime(0, 1)),
              9007199254740992.0);  // 2^53 + 1
    EXPECT_EQ(ratio(ZELSimTime(9007199, 254740995), ZELSimTime(0, -1)), -9007199254740996.0);
    const ZELSimTime aboveTie(1237940039285380412, 338077697),
        divisor(274, 877906944);  // (2^53+1)2^37+1, 2^38
    EXPECT_EQ(ratio(aboveTie, divisor), 4503599627370497.0);
    EXPECT_FALSE(std::signbit(ratio(ZELSimTime(), ZELSimTime(-2, 0))));  // a zero time has no sign
}

}  // namespace
