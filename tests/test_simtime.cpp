// Construction, canonical form, order, sums, the exact functions and the ends of the range.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>

namespace {

const ZELSimTime kMax = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime kMin = scl_numeric_limits<ZELSimTime>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The exact value in nanoseconds, and whether the fields are in canonical form.
__extension__ typedef __int128 Nanos;
Nanos ns(const ZELSimTime& t) { return static_cast<Nanos>(t.wholeSeconds()) * 1000000000 + t.nanoseconds(); }
Nanos saturated(Nanos v) { return v < ns(kMin) ? ns(kMin) : v > ns(kMax) ? ns(kMax) : v; }
bool canonical(const ZELSimTime& t) {
    const std::int64_t s = t.wholeSeconds(), n = t.nanoseconds();
    return n > -1000000000 && n < 1000000000 && !(s > 0 && n < 0) && !(s < 0 && n > 0);
}

// Mixed signs around zero and one second, and the ends of the range.
const ZELSimTime kGrid[] = {kMin, ZELSimTime(INT64_MIN, 0), ZELSimTime(-2, -999999999), ZELSimTime(-1, 0),
                            ZELSimTime(0, -1), ZELSimTime(), ZELSimTime(0, 1), ZELSimTime(0, 999999999),
                            ZELSimTime(1, 500000000), ZELSimTime(INT64_MAX, 0), kMax};

TEST(SimTime, FromDoubleRoundsToTheNanosecondAndNegativesLandNearerZero) {
    const double in[] = {1.5, -1.5, 2.9999999996, -0.25, 6e-10, -6e-10, 0.9999999999, 1e15 + 0.5, -9223372036854775808.0};
    const ZELSimTime out[] = {ZELSimTime(1, 500000000), ZELSimTime(-1, -499999999), ZELSimTime(3, 0),
                              ZELSimTime(0, -249999999), ZELSimTime(0, 1), ZELSimTime(), ZELSimTime(1, 0),
                              ZELSimTime(1000000000000000, 500000000), ZELSimTime(INT64_MIN, 0)};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(ZELSimTime(in[i]), out[i]) << in[i];
    // NaN gives zero; infinities and doubles beyond the range saturate.
    EXPECT_EQ(ZELSimTime(std::numeric_limits<double>::quiet_NaN()), ZELSimTime());
    EXPECT_EQ(ZELSimTime(kInf), kMax);
    EXPECT_EQ(ZELSimTime(9223372036854775808.0), kMax);
    EXPECT_EQ(ZELSimTime(-9223372036854777856.0), kMin);
    EXPECT_EQ(ZELSimTime(0, -500000000).seconds(), -0.5);
}

TEST(SimTime, FieldsTurnTowardTheSecondsAndOutOfDomainNanosecondsThrow) {
    EXPECT_EQ(ns(ZELSimTime(-2, 500000000)), -2500000000);
    EXPECT_EQ(ns(ZELSimTime(0, -500000000)), -500000000);
    ZELSimTime t(7, 0);
    t.set(2, -500000000);
    for (int bad : {1000000000, -1000000000, INT_MIN}) {
        EXPECT_THROW(t.set(0, bad), ZELEDomainError);
        EXPECT_EQ(ns(t), 2500000000);  // unchanged
    }
    try {
        ZELSimTime(1, 1000000000);
        ADD_FAILURE() << "no throw";
    } catch (const ZELEDomainError& e) {
        EXPECT_TRUE(e.message() == L"Nanosecond domain violation" && e.line() == 114);
        EXPECT_EQ(e.file(), "ZELSimTimeMD.m/src/ZELSimTime");
    }
}

// Order, sums, differences, negation, ++ and -- against the exact values, saturating at the ends.
TEST(SimTime, ArithmeticAndOrderAgreeWithTheExactValues) {
    for (const ZELSimTime& a : kGrid) {
        EXPECT_EQ(ns(-a), saturated(-ns(a)));
        ZELSimTime up = a, down = a;
        EXPECT_EQ(up++, a);
        EXPECT_EQ(ns(--down), saturated(ns(a) - 1000000000));
        EXPECT_EQ(ns(up), saturated(ns(a) + 1000000000));
        EXPECT_TRUE(canonical(up) && canonical(down));
        for (const ZELSimTime& b : kGrid) {
            EXPECT_EQ(a < b, ns(a) < ns(b));
            EXPECT_EQ(a <= b, ns(a) <= ns(b));
            EXPECT_EQ(a == b, ns(a) == ns(b));
            const ZELSimTime sum = a + b, difference = a - b;
            EXPECT_TRUE(canonical(sum) && canonical(difference));
            EXPECT_EQ(ns(sum), saturated(ns(a) + ns(b))) << a << " + " << b;
            EXPECT_EQ(ns(difference), saturated(ns(a) - ns(b))) << a << " - " << b;
        }
    }
}

TEST(SimTime, ExactFunctionsWorkOnTheFields) {
    for (const ZELSimTime& a : kGrid) {
        const Nanos whole = ns(a) / 1000000000 * 1000000000, rest = ns(a) - whole;
        EXPECT_EQ(ns(abs(a)), saturated(ns(a) < 0 ? -ns(a) : ns(a)));
        EXPECT_EQ(ns(ceil(a)), saturated(whole + (rest > 0 ? 1000000000 : 0)));
        EXPECT_EQ(ns(floor(a)), saturated(whole - (rest < 0 ? 1000000000 : 0)));
        ZELSimTime w;
        EXPECT_EQ(ns(modf(a, &w)), rest);
        EXPECT_EQ(ns(w), whole);
    }
    EXPECT_EQ(fmod(ZELSimTime(7, 500000000), ZELSimTime(-2, 0)), ZELSimTime(1, 500000000));
    EXPECT_EQ(fmod(ZELSimTime(-7, -500000000), ZELSimTime(2, 0)), ZELSimTime(-1, -500000000));
    EXPECT_EQ(fmod(kMin, ZELSimTime(2, 0)), ZELSimTime(0, -999999999));
    EXPECT_THROW(fmod(kMin, ZELSimTime(1, 0)), ZELEOverflowError);  // 2^63 whole seconds
    ZELSimTime t(5, 0);
    EXPECT_THROW(fmod(t, ZELSimTime()), ZELEZeroDivide);
    EXPECT_THROW(t /= ZELSimTime(), ZELEZeroDivide);
    EXPECT_EQ(t, ZELSimTime(5, 0));
}

TEST(SimTime, FloatingPointFunctionsConvertTheDoubleResultBack) {
    EXPECT_EQ(sqrt(ZELSimTime(2, 250000000)), ZELSimTime(1, 500000000));
    EXPECT_EQ(pow(ZELSimTime(2, 0), ZELSimTime(10, 0)), ZELSimTime(1024, 0));
    EXPECT_EQ(atan2(ZELSimTime(1, 0), ZELSimTime(1, 0)), ZELSimTime(0, 785398163));
    EXPECT_EQ(atan(ZELSimTime(-1, 0)), ZELSimTime(0, -785398162));  // 1 ns toward zero
    EXPECT_EQ(sqrt(ZELSimTime(-1, 0)), ZELSimTime());                // NaN
    EXPECT_EQ(log(ZELSimTime()), kMin);                              // -inf
}

}  // namespace
