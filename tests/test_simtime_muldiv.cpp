// ZELSimTime multiplication and division against an independent oracle: 256-bit unsigned
// integers in 32-bit limbs with schoolbook multiplication and bit-by-bit restoring division.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr std::int64_t kMaxSec = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinSec = std::numeric_limits<std::int64_t>::min();
const ZELSimTime kMax = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime kMin = scl_numeric_limits<ZELSimTime>::min();

struct Big {
    std::array<std::uint32_t, 8> limb{};  // least significant first
};

Big big(std::uint64_t v) {
    Big b;
    b.limb[0] = static_cast<std::uint32_t>(v);
    b.limb[1] = static_cast<std::uint32_t>(v >> 32);
    return b;
}

Big mul(const Big& a, const Big& b) {
    Big r;
    for (int i = 0; i < 8; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; i + j < 8; ++j) {
            const std::uint64_t cur = r.limb[i + j] + static_cast<std::uint64_t>(a.limb[i]) * b.limb[j] + carry;
            r.limb[i + j] = static_cast<std::uint32_t>(cur);
            carry = cur >> 32;
        }
    }
    return r;
}

Big add(const Big& a, const Big& b) {
    Big r;
    std::uint64_t carry = 0;
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t cur = static_cast<std::uint64_t>(a.limb[i]) + b.limb[i] + carry;
        r.limb[i] = static_cast<std::uint32_t>(cur);
        carry = cur >> 32;
    }
    return r;
}

bool less(const Big& a, const Big& b) {
    for (int i = 7; i >= 0; --i)
        if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i];
    return false;
}

void divMod(const Big& n, const Big& d, Big& q, Big& r) {
    q = Big();
    r = Big();
    for (int bit = 255; bit >= 0; --bit) {
        for (int i = 7; i > 0; --i) r.limb[i] = (r.limb[i] << 1) | (r.limb[i - 1] >> 31);
        r.limb[0] = (r.limb[0] << 1) | ((n.limb[bit / 32] >> (bit % 32)) & 1u);
        if (!less(r, d)) {
            std::int64_t borrow = 0;
            for (int i = 0; i < 8; ++i) {
                const std::int64_t cur = static_cast<std::int64_t>(r.limb[i]) - d.limb[i] - borrow;
                borrow = cur < 0;
                r.limb[i] = static_cast<std::uint32_t>(cur + (borrow << 32));
            }
            q.limb[bit / 32] |= 1u << (bit % 32);
        }
    }
}

bool fits64(const Big& a) {
    for (int i = 2; i < 8; ++i)
        if (a.limb[i]) return false;
    return true;
}
std::uint64_t low64(const Big& a) { return a.limb[0] | static_cast<std::uint64_t>(a.limb[1]) << 32; }

const Big kBillion = big(1000000000);

// |t| in nanoseconds and its sign.
Big magnitude(const ZELSimTime& t) {
    const std::int64_t s = t.wholeSeconds();
    const std::uint64_t us = s < 0 ? ~static_cast<std::uint64_t>(s) + 1 : static_cast<std::uint64_t>(s);
    const int n = t.nanoseconds();
    return add(mul(big(us), kBillion), big(static_cast<std::uint64_t>(n < 0 ? -n : n)));
}
bool negative(const ZELSimTime& t) { return t.wholeSeconds() < 0 || t.nanoseconds() < 0; }

struct Expected {
    bool fits;                 // the magnitude's seconds are <= limit
    std::uint64_t sec;         // magnitude
    int nsec;
};

Expected split(const Big& ns, std::uint64_t limit) {
    Big s, n;
    divMod(ns, kBillion, s, n);
    if (!fits64(s) || low64(s) > limit) return {false, 0, 0};
    return {true, low64(s), static_cast<int>(low64(n))};
}

::testing::AssertionResult Matches(const ZELSimTime& t, const Expected& e, bool neg) {
    const std::int64_t sec = neg ? static_cast<std::int64_t>(0 - e.sec) : static_cast<std::int64_t>(e.sec);
    const int nsec = neg ? -e.nsec : e.nsec;
    if (t.wholeSeconds() == sec && t.nanoseconds() == nsec) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << t.wholeSeconds() << ", " << t.nanoseconds() << "), expected ("
                                         << sec << ", " << nsec << ")";
}

// Operands spread over the whole range: every seconds bit length, both signs, edge nanoseconds.
std::vector<ZELSimTime> operands() {
    std::mt19937_64 rng(20240611);
    std::vector<ZELSimTime> v = {ZELSimTime(),          ZELSimTime(0, 1),         ZELSimTime(0, -1),
                                 ZELSimTime(0, 999999999), ZELSimTime(1, 0),      ZELSimTime(1, 1),
                                 ZELSimTime(-1, 0),     ZELSimTime(0, 500000000), ZELSimTime(2, 0),
                                 ZELSimTime(999999999, 999999999), ZELSimTime(1000000000, 0),
                                 ZELSimTime(3037000499, 0), ZELSimTime(3037000500, 0),
                                 ZELSimTime(10000000000, 0), kMax, kMin, ZELSimTime(kMaxSec, 0),
                                 ZELSimTime(kMinSec, 0), ZELSimTime(kMaxSec - 1, 5)};
    for (int i = 0; i < 200; ++i) {
        const int bits = static_cast<int>(rng() % 64);
        std::int64_t sec = bits == 0 ? 0 : static_cast<std::int64_t>(rng() >> (64 - bits));
        int nsec;
        switch (rng() % 4) {
            case 0: nsec = 0; break;
            case 1: nsec = 999999999; break;
            default: nsec = static_cast<int>(rng() % 1000000000);
        }
        if (rng() & 1) {
            sec = -sec;
            nsec = -nsec;
        }
        v.emplace_back(sec, nsec);
    }
    return v;
}

TEST(SimTimeMultiply, MatchesTheOracleEverywhere) {
    const std::vector<ZELSimTime> v = operands();
    for (const ZELSimTime& a : v) {
        for (const ZELSimTime& b : v) {
            const bool neg = negative(a) != negative(b);
            Big product, rest;
            divMod(mul(magnitude(a), magnitude(b)), kBillion, product, rest);  // truncated nanoseconds
            const Expected e = split(product, neg ? std::uint64_t{1} << 63 : static_cast<std::uint64_t>(kMaxSec));
            const ZELSimTime r = a * b;
            if (e.fits) {
                ASSERT_TRUE(Matches(r, e, neg))
                    << "(" << a.wholeSeconds() << ", " << a.nanoseconds() << ") * (" << b.wholeSeconds() << ", "
                    << b.nanoseconds() << ")";
            } else {
                ASSERT_EQ(r, neg ? kMin : kMax);  // saturated
            }
        }
    }
}

// The same product formed with 64-bit intermediates, as a plain transcription of the definition,
// wherever none of them overflows.
TEST(SimTimeMultiply, AgreesWithTheSixtyFourBitFormulaWhereItFits) {
    std::mt19937_64 rng(7);
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t A = static_cast<std::int64_t>(rng() >> (1 + rng() % 63));
        const std::int64_t B = static_cast<std::int64_t>(rng() >> (1 + rng() % 63));
        const std::int64_t An = static_cast<std::int64_t>(rng() % 1000000000), Bn = static_cast<std::int64_t>(rng() % 1000000000);
        std::int64_t x, y, ab, t, sec;
        if (__builtin_mul_overflow(An, B, &x) || __builtin_mul_overflow(Bn, A, &y) || __builtin_mul_overflow(A, B, &ab) ||
            __builtin_add_overflow(An * Bn / 1000000000, x, &t) || __builtin_add_overflow(t, y, &t) ||
            __builtin_add_overflow(ab, t / 1000000000, &sec))
            continue;
        ++compared;
        const ZELSimTime r = ZELSimTime(A, static_cast<int>(An)) * ZELSimTime(-B, static_cast<int>(-Bn));
        ASSERT_EQ(r.wholeSeconds(), -sec);
        ASSERT_EQ(r.nanoseconds(), -static_cast<int>(t % 1000000000));
    }
    EXPECT_GT(compared, 5000);
}

TEST(SimTimeMultiply, WorkedExamples) {
    EXPECT_EQ(ZELSimTime(1, 500000000) * ZELSimTime(2, 0), ZELSimTime(3, 0));
    EXPECT_EQ(ZELSimTime(0, 500000000) * ZELSimTime(0, 500000000), ZELSimTime(0, 250000000));
    EXPECT_EQ(ZELSimTime(-1, -500000000) * ZELSimTime(2, 0), ZELSimTime(-3, 0));
    EXPECT_EQ(ZELSimTime(0, 1) * ZELSimTime(0, 1), ZELSimTime());
    EXPECT_EQ(ZELSimTime(0, -1) * ZELSimTime(0, 1), ZELSimTime());  // no negative zero
    // 64-bit intermediates would wrap here although the product fits.
    EXPECT_EQ(ZELSimTime(0, 999999999) * ZELSimTime(10000000000, 0), ZELSimTime(9999999990, 0));
    EXPECT_EQ(kMax * ZELSimTime(1, 0), kMax);
    EXPECT_EQ(kMin * ZELSimTime(1, 0), kMin);
    EXPECT_EQ(kMin * ZELSimTime(-1, 0), kMax);
    EXPECT_EQ(kMax * ZELSimTime(-1, 0), -kMax);
    EXPECT_EQ(ZELSimTime(kMinSec, 0) * ZELSimTime(0, 500000000), ZELSimTime(-4611686018427387904, 0));
    ZELSimTime self(1, 500000000);
    const ZELSimTime& alias = self;
    self *= alias;
    EXPECT_EQ(self, ZELSimTime(2, 250000000));
}

TEST(SimTimeDivide, MatchesTheOracleEverywhere) {
    const std::vector<ZELSimTime> v = operands();
    for (const ZELSimTime& a : v) {
        for (const ZELSimTime& b : v) {
            if (b == ZELSimTime()) continue;
            Big q, rest;
            divMod(mul(magnitude(a), kBillion), magnitude(b), q, rest);
            const Expected e = split(q, static_cast<std::uint64_t>(kMaxSec));
            const bool neg = negative(a) != negative(b);
            if (e.fits) {
                ZELSimTime r = a;
                ASSERT_NO_THROW(r /= b);
                ASSERT_TRUE(Matches(r, e, neg))
                    << "(" << a.wholeSeconds() << ", " << a.nanoseconds() << ") / (" << b.wholeSeconds() << ", "
                    << b.nanoseconds() << ")";
            } else {
                ZELSimTime r = a;
                ASSERT_THROW(r /= b, ZELEOverflowError);
                ASSERT_EQ(r, a);
            }
        }
    }
}

TEST(SimTimeDivide, ExactQuotients) {
    struct Row {
        ZELSimTime a, b, q;
    };
    const Row rows[] = {
        {ZELSimTime(1, 0), ZELSimTime(3, 0), ZELSimTime(0, 333333333)},
        {ZELSimTime(-1, 0), ZELSimTime(3, 0), ZELSimTime(0, -333333333)},
        {ZELSimTime(2, 500000000), ZELSimTime(0, 500000000), ZELSimTime(5, 0)},
        {ZELSimTime(10, 0), ZELSimTime(-4, 0), ZELSimTime(-2, -500000000)},
        {ZELSimTime(7, 0), ZELSimTime(0, 3), ZELSimTime(2333333333, 333333333)},
        {ZELSimTime(0, 1), kMax, ZELSimTime()},
        {kMax, ZELSimTime(1, 0), kMax},
        {kMax, ZELSimTime(-1, 0), -kMax},
        {kMax, ZELSimTime(1, 1), ZELSimTime(9223372027631403780, 368596218)},
        {kMax, ZELSimTime(3, 0), ZELSimTime(3074457345618258602, 666666666)},
        {kMin, kMin, ZELSimTime(1, 0)},
        {kMin, kMax, ZELSimTime(-1, 0)},  // -(1 + 1e-9 / 9.2e18) truncates to -1
    };
    for (const Row& row : rows) EXPECT_EQ(row.a / row.b, row.q) << row.a << " / " << row.b;
    EXPECT_THROW(ZELSimTime(5, 0) / ZELSimTime(), ZELEZeroDivide);
    EXPECT_THROW(kMax / ZELSimTime(0, 500000000), ZELEOverflowError);
    EXPECT_THROW(kMax / ZELSimTime(0, 999999999), ZELEOverflowError);
    EXPECT_THROW(kMin / ZELSimTime(1, 0), ZELEOverflowError);  // 2^63 s does not fit the bound
    ZELSimTime self(3, 700000000);
    const ZELSimTime& alias = self;
    self /= alias;
    EXPECT_EQ(self, ZELSimTime(1, 0));
}

}  // namespace
