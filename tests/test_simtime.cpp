// ZELSimTime: construction, canonical form, comparison, +, -, ++, --, errors, the exact functions
// and the behaviour at and beyond the ends of the range.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>

namespace {

constexpr std::int64_t kMaxSec = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinSec = std::numeric_limits<std::int64_t>::min();
const ZELSimTime kMax = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime kMin = scl_numeric_limits<ZELSimTime>::min();

::testing::AssertionResult Fields(const ZELSimTime& t, std::int64_t sec, int nsec) {
    if (t.wholeSeconds() == sec && t.nanoseconds() == nsec) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << t.wholeSeconds() << ", " << t.nanoseconds()
                                         << "), expected (" << sec << ", " << nsec << ")";
}

// The canonical form every value must have.
bool Canonical(const ZELSimTime& t) {
    const std::int64_t s = t.wholeSeconds();
    const int n = t.nanoseconds();
    if (n >= 1000000000 || n <= -1000000000) return false;
    return !((s > 0 && n < 0) || (s < 0 && n > 0));
}

static_assert(std::is_trivially_copyable<ZELSimTime>::value, "a plain value");
static_assert(sizeof(ZELSimTime) == 16, "two fields");

TEST(SimTimeConstruct, FromDoubleRoundsAsDocumented) {
    EXPECT_TRUE(Fields(ZELSimTime(), 0, 0));
    EXPECT_TRUE(Fields(ZELSimTime(1.5), 1, 500000000));
    EXPECT_TRUE(Fields(ZELSimTime(-1.5), -1, -499999999));
    EXPECT_TRUE(Fields(ZELSimTime(2.9999999996), 3, 0));
    EXPECT_TRUE(Fields(ZELSimTime(-0.25), 0, -249999999));
    EXPECT_TRUE(Fields(ZELSimTime(0.25), 0, 250000000));
    EXPECT_TRUE(Fields(ZELSimTime(-2.0), -2, 0));
    EXPECT_TRUE(Fields(ZELSimTime(-0.0), 0, 0));
    EXPECT_TRUE(Fields(ZELSimTime(1e-10), 0, 0));
    EXPECT_TRUE(Fields(ZELSimTime(-1e-10), 0, 0));
    EXPECT_TRUE(Fields(ZELSimTime(6e-10), 0, 1));
    EXPECT_TRUE(Fields(ZELSimTime(-6e-10), 0, 0));  // -0.6 + 0.5 truncates to 0
    EXPECT_TRUE(Fields(ZELSimTime(-0.9999999999), 0, -999999999));
    EXPECT_TRUE(Fields(ZELSimTime(1e15 + 0.5), 1000000000000000, 500000000));
    EXPECT_TRUE(Fields(ZELSimTime(-9223372036854775808.0), kMinSec, 0));
    EXPECT_TRUE(Fields(ZELSimTime(9223372036854774784.0), 9223372036854774784, 0));
    // Implicit: a double stands for a time.
    const ZELSimTime t = ZELSimTime(1, 0) + 0.5;
    EXPECT_TRUE(Fields(t, 1, 500000000));
}

TEST(SimTimeConstruct, NonFiniteAndOutOfRangeDoublesSaturate) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ZELSimTime(std::numeric_limits<double>::quiet_NaN()), ZELSimTime());
    EXPECT_EQ(ZELSimTime(-std::numeric_limits<double>::quiet_NaN()), ZELSimTime());
    EXPECT_EQ(ZELSimTime(inf), kMax);
    EXPECT_EQ(ZELSimTime(-inf), kMin);
    EXPECT_EQ(ZELSimTime(9223372036854775808.0), kMax);  // 2^63: one past the seconds' range
    EXPECT_EQ(ZELSimTime(-9223372036854777856.0), kMin);  // the double below -2^63
    EXPECT_EQ(ZELSimTime(1e300), kMax);
    EXPECT_EQ(ZELSimTime(-1e300), kMin);
    EXPECT_EQ(ZELSimTime(std::numeric_limits<double>::max()), kMax);
}

TEST(SimTimeConstruct, FieldsAreTurnedTowardTheSecondsSign) {
    EXPECT_TRUE(Fields(ZELSimTime(-2, 500000000), -2, -500000000));
    EXPECT_TRUE(Fields(ZELSimTime(2, -500000000), 2, 500000000));
    EXPECT_TRUE(Fields(ZELSimTime(0, -500000000), 0, -500000000));
    EXPECT_TRUE(Fields(ZELSimTime(0, 999999999), 0, 999999999));
    EXPECT_TRUE(Fields(ZELSimTime(kMinSec, 999999999), kMinSec, -999999999));
    ZELSimTime t(7, 0);
    t.set(2, -500000000);
    EXPECT_TRUE(Fields(t, 2, 500000000));
    t.set(-3, 1);
    EXPECT_TRUE(Fields(t, -3, -1));
    EXPECT_DOUBLE_EQ(ZELSimTime(0, -500000000).seconds(), -0.5);
    EXPECT_EQ(ZELSimTime(-2, -500000000).seconds(), -2.5);
    constexpr ZELSimTime c(3, 4);  // usable in constant expressions
    static_assert(c.wholeSeconds() == 3 && c.nanoseconds() == 4, "");
}

TEST(SimTimeConstruct, NanosecondsOutOfDomainThrowAndKeepTheValue) {
    for (int bad : {1000000000, -1000000000, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        ZELSimTime t(4, 250000000);
        try {
            t.set(0, bad);
            ADD_FAILURE() << "no throw for " << bad;
        } catch (const ZELEDomainError& e) {
            EXPECT_EQ(e.message(), L"Nanosecond domain violation");
            EXPECT_EQ(e.file(), "ZELSimTimeMD.m/src/ZELSimTime");
            EXPECT_EQ(e.line(), 114);
        }
        EXPECT_TRUE(Fields(t, 4, 250000000));
        EXPECT_THROW(ZELSimTime(1, bad), ZELELogicError);
    }
}

TEST(SimTimeCompare, OrdersNumerically) {
    EXPECT_LT(ZELSimTime(0, -500000000), ZELSimTime());
    EXPECT_LT(ZELSimTime(-1, 0), ZELSimTime(0, -500000000));
    EXPECT_LT(ZELSimTime(-1, -1), ZELSimTime(-1, 0));
    EXPECT_LT(ZELSimTime(1, 0), ZELSimTime(1, 1));
    EXPECT_LT(kMin, kMax);
    EXPECT_TRUE(ZELSimTime(2, 5) == ZELSimTime(2, 5));
    EXPECT_TRUE(ZELSimTime(2, 5) != ZELSimTime(2, 6));
    EXPECT_TRUE(ZELSimTime(2, 5) >= ZELSimTime(2, 5));
    EXPECT_TRUE(ZELSimTime(2, 5) <= ZELSimTime(2, 5));
    EXPECT_FALSE(ZELSimTime(2, 5) > ZELSimTime(2, 5));
    EXPECT_TRUE(ZELSimTime(3, 0) > 2.5);
}

TEST(SimTimeAddSub, NormaliseTheirResults) {
    EXPECT_TRUE(Fields(ZELSimTime(1, 700000000) + ZELSimTime(0, 600000000), 2, 300000000));
    EXPECT_TRUE(Fields(ZELSimTime(1, 0) - ZELSimTime(0, 300000000), 0, 700000000));
    EXPECT_TRUE(Fields(ZELSimTime(0, 300000000) - ZELSimTime(1, 0), 0, -700000000));
    EXPECT_TRUE(Fields(ZELSimTime(-1, -600000000) + ZELSimTime(2, 100000000), 0, 500000000));
    EXPECT_TRUE(Fields(ZELSimTime(-1, -600000000) - ZELSimTime(0, 600000000), -2, -200000000));
    EXPECT_TRUE(Fields(ZELSimTime(-3, -1) + ZELSimTime(3, 1), 0, 0));
    EXPECT_TRUE(Fields(ZELSimTime(0, 999999999) + ZELSimTime(0, 999999999), 1, 999999998));
    EXPECT_TRUE(Fields(ZELSimTime(5, 0) + ZELSimTime(-6, -1), -1, -1));

    // The field-wise sum agrees with the sum of the exact values on a grid of mixed signs.
    const ZELSimTime values[] = {ZELSimTime(-2, -999999999), ZELSimTime(-1, 0), ZELSimTime(0, -1),
                                 ZELSimTime(), ZELSimTime(0, 1), ZELSimTime(0, 999999999),
                                 ZELSimTime(1, 500000000), ZELSimTime(3, 0)};
    for (const ZELSimTime& a : values) {
        for (const ZELSimTime& b : values) {
            const auto na = a.wholeSeconds() * 1000000000 + a.nanoseconds();
            const auto nb = b.wholeSeconds() * 1000000000 + b.nanoseconds();
            for (const auto& [r, n] : {std::pair{a + b, na + nb}, std::pair{a - b, na - nb}}) {
                EXPECT_TRUE(Canonical(r));
                EXPECT_EQ(r.wholeSeconds() * 1000000000 + r.nanoseconds(), n);
            }
            ZELSimTime c = a;
            c += b;
            EXPECT_EQ(c, a + b);
            c = a;
            c -= b;
            EXPECT_EQ(c, a - b);
        }
    }
    ZELSimTime self(1, 600000000);
    const ZELSimTime& alias = self;  // the operand is the target itself
    self += alias;
    EXPECT_TRUE(Fields(self, 3, 200000000));
    self -= alias;
    EXPECT_TRUE(Fields(self, 0, 0));
}

TEST(SimTimeAddSub, ResultsBeyondTheRangeSaturate) {
    EXPECT_EQ(kMax + ZELSimTime(0, 1), kMax);
    EXPECT_EQ(ZELSimTime(kMaxSec, 500000000) + ZELSimTime(0, 600000000), kMax);  // carry overflows
    EXPECT_EQ(kMax + kMax, kMax);
    EXPECT_EQ(kMin + kMin, kMin);
    EXPECT_EQ(kMin - ZELSimTime(0, 1), kMin);
    EXPECT_EQ(ZELSimTime(kMinSec, -500000000) - ZELSimTime(0, 600000000), kMin);
    EXPECT_EQ(kMax - kMin, kMax);
    EXPECT_EQ(kMin - kMax, kMin);
    // Just inside the range nothing saturates.
    EXPECT_TRUE(Fields(kMax + ZELSimTime(0, -1), kMaxSec, 999999998));
    EXPECT_TRUE(Fields(kMax + kMin, -1, 0));
    EXPECT_TRUE(Fields(ZELSimTime(kMaxSec, 0) + ZELSimTime(0, 999999999), kMaxSec, 999999999));
    EXPECT_TRUE(Fields(ZELSimTime(kMinSec, 0) - ZELSimTime(0, 999999999), kMinSec, -999999999));
}

TEST(SimTimeIncrement, AddsOneSecondAndStaysCanonical) {
    ZELSimTime t(5, 0);
    EXPECT_TRUE(Fields(t++, 5, 0));
    EXPECT_TRUE(Fields(t, 6, 0));
    EXPECT_TRUE(Fields(++t, 7, 0));
    EXPECT_TRUE(Fields(t--, 7, 0));
    EXPECT_TRUE(Fields(--t, 5, 0));
    // Across zero the value is renormalised: ++ is exactly += 1 s.
    ZELSimTime u(0, -300000000);
    ++u;
    EXPECT_TRUE(Fields(u, 0, 700000000));
    --u;
    EXPECT_TRUE(Fields(u, 0, -300000000));
    ZELSimTime v(0, 300000000);
    --v;
    EXPECT_TRUE(Fields(v, 0, -700000000));
    ZELSimTime w(-1, -1);
    ++w;
    EXPECT_TRUE(Fields(w, 0, -1));
    EXPECT_LT(w, ZELSimTime());
    ZELSimTime top = kMax;
    ++top;
    EXPECT_EQ(top, kMax);
    ZELSimTime bottom = kMin;
    bottom--;
    EXPECT_EQ(bottom, kMin);
}

TEST(SimTimeUnary, MinusNegatesACopyOnly) {
    ZELSimTime t(2, 500000000);
    EXPECT_TRUE(Fields(-t, -2, -500000000));
    EXPECT_TRUE(Fields(t, 2, 500000000));  // the operand is untouched
    EXPECT_TRUE(Fields(+t, 2, 500000000));
    EXPECT_TRUE(Fields(-ZELSimTime(0, -1), 0, 1));
    EXPECT_EQ(-ZELSimTime(), ZELSimTime());
    EXPECT_EQ(-kMax, ZELSimTime(-kMaxSec, -999999999));
    EXPECT_EQ(-kMin, kMax);                    // 2^63 + 0.999999999 s saturates
    EXPECT_EQ(-ZELSimTime(kMinSec, 0), kMax);  // so does exactly 2^63 s
}

TEST(SimTimeExactFunctions, AbsCeilFloorModf) {
    EXPECT_TRUE(Fields(abs(ZELSimTime(-3, -250000000)), 3, 250000000));
    EXPECT_TRUE(Fields(abs(ZELSimTime(0, -1)), 0, 1));
    EXPECT_TRUE(Fields(abs(ZELSimTime(3, 1)), 3, 1));
    EXPECT_EQ(abs(kMin), kMax);

    EXPECT_TRUE(Fields(ceil(ZELSimTime(2, 1)), 3, 0));
    EXPECT_TRUE(Fields(ceil(ZELSimTime(-2, -1)), -2, 0));
    EXPECT_TRUE(Fields(floor(ZELSimTime(2, 1)), 2, 0));
    EXPECT_TRUE(Fields(floor(ZELSimTime(-2, -1)), -3, 0));
    for (const ZELSimTime& whole : {ZELSimTime(4, 0), ZELSimTime(-4, 0), ZELSimTime()}) {
        EXPECT_EQ(ceil(whole), whole);
        EXPECT_EQ(floor(whole), whole);
    }
    // Between -1 s and 0 the value's true sign decides.
    EXPECT_TRUE(Fields(ceil(ZELSimTime(0, -500000000)), 0, 0));
    EXPECT_TRUE(Fields(floor(ZELSimTime(0, -500000000)), -1, 0));
    EXPECT_TRUE(Fields(ceil(ZELSimTime(0, 1)), 1, 0));
    EXPECT_TRUE(Fields(floor(ZELSimTime(0, 1)), 0, 0));
    // The last second of the range saturates.
    EXPECT_EQ(ceil(ZELSimTime(kMaxSec, 1)), kMax);
    EXPECT_EQ(floor(ZELSimTime(kMinSec, -1)), kMin);
    EXPECT_TRUE(Fields(ceil(ZELSimTime(kMinSec, -1)), kMinSec, 0));
    EXPECT_TRUE(Fields(floor(ZELSimTime(kMaxSec, 1)), kMaxSec, 0));

    ZELSimTime whole(9, 9);
    EXPECT_TRUE(Fields(modf(ZELSimTime(-2, -300000000), &whole), 0, -300000000));
    EXPECT_TRUE(Fields(whole, -2, 0));
    EXPECT_TRUE(Fields(modf(ZELSimTime(0, -300000000), &whole), 0, -300000000));
    EXPECT_TRUE(Fields(whole, 0, 0));
}

TEST(SimTimeExactFunctions, Fmod) {
    EXPECT_TRUE(Fields(fmod(ZELSimTime(7, 500000000), ZELSimTime(2, 0)), 1, 500000000));
    EXPECT_TRUE(Fields(fmod(ZELSimTime(-7, -500000000), ZELSimTime(2, 0)), -1, -500000000));
    EXPECT_TRUE(Fields(fmod(ZELSimTime(7, 500000000), ZELSimTime(-2, 0)), 1, 500000000));
    EXPECT_TRUE(Fields(fmod(ZELSimTime(1, 0), ZELSimTime(0, 300000000)), 0, 100000000));
    EXPECT_TRUE(Fields(fmod(ZELSimTime(0, 5), ZELSimTime(3, 0)), 0, 5));
    EXPECT_TRUE(Fields(fmod(kMin, ZELSimTime(2, 0)), 0, -999999999));
    EXPECT_THROW(fmod(kMin, ZELSimTime(1, 0)), ZELEOverflowError);  // 2^63 whole seconds
    EXPECT_TRUE(Fields(fmod(ZELSimTime(kMinSec, -5), kMin), kMinSec, -5));  // |a| < |b|: a itself
    EXPECT_THROW(fmod(ZELSimTime(5, 0), ZELSimTime()), ZELEZeroDivide);
    EXPECT_THROW(fmod(kMax, ZELSimTime(0, 1)), ZELEOverflowError);
    // fmod(a, b) == a - w * b with w the whole seconds of a / b.
    const ZELSimTime a(123456, 789000001), b(0, 777777777);
    ZELSimTime w;
    modf(a / b, &w);
    EXPECT_EQ(fmod(a, b), a - w * b);
}

TEST(SimTimeFloatFunctions, EvaluateInDoubleAndConvertBack) {
    EXPECT_TRUE(Fields(sqrt(ZELSimTime(2, 250000000)), 1, 500000000));
    EXPECT_TRUE(Fields(exp(ZELSimTime()), 1, 0));
    EXPECT_TRUE(Fields(pow(ZELSimTime(2, 0), ZELSimTime(10, 0)), 1024, 0));
    EXPECT_TRUE(Fields(atan2(ZELSimTime(1, 0), ZELSimTime(1, 0)), 0, 785398163));
    EXPECT_TRUE(Fields(log(ZELSimTime(1, 0)), 0, 0));
    EXPECT_TRUE(Fields(log10(ZELSimTime(1000, 0)), 3, 0));
    EXPECT_TRUE(Fields(cos(ZELSimTime()), 1, 0));
    EXPECT_TRUE(Fields(acos(ZELSimTime(-1, 0)), 3, 141592654));
    EXPECT_TRUE(Fields(asin(ZELSimTime(1, 0)), 1, 570796327));
    EXPECT_TRUE(Fields(atan(ZELSimTime(-1, 0)), 0, -785398162));  // -785398163.397 ns, 1 ns toward zero
    // Results outside the double domain go through the documented conversion.
    EXPECT_EQ(sqrt(ZELSimTime(-1, 0)), ZELSimTime());  // NaN
    EXPECT_EQ(log(ZELSimTime()), kMin);                // -inf
    EXPECT_EQ(exp(ZELSimTime(1000, 0)), kMax);         // +inf
    EXPECT_EQ(acos(ZELSimTime(2, 0)), ZELSimTime());
}

TEST(SimTimeErrors, DivisionFailuresKeepTheTarget) {
    ZELSimTime t(5, 0);
    try {
        t /= ZELSimTime();
        ADD_FAILURE() << "no throw";
    } catch (const ZELEZeroDivide& e) {
        EXPECT_EQ(e.message(), L"ZELSimTime divide by zero");
        EXPECT_EQ(e.file(), "ZELSimTimeMD.m/src/ZELSimTime");
        EXPECT_EQ(e.line(), 160);
        EXPECT_STREQ(e.what(), "ZELSimTime divide by zero");
    }
    EXPECT_TRUE(Fields(t, 5, 0));
    ZELSimTime big = kMax;
    try {
        big /= ZELSimTime(0, 500000000);
        ADD_FAILURE() << "no throw";
    } catch (const ZELEOverflowError& e) {
        EXPECT_EQ(e.message(), L"ZELSimTime division overflow");
        EXPECT_EQ(e.file(), "ZELSimTimeMD.m/src/ZELSimTimeP");
        EXPECT_EQ(e.line(), 100);
    }
    EXPECT_EQ(big, kMax);
    EXPECT_THROW(ZELSimTime(1, 0) / ZELSimTime(), ZELERuntimeError);
    EXPECT_THROW(kMin / ZELSimTime(-1, 0), ZELException);
}

}  // namespace
