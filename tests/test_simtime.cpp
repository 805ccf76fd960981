// Construction, canonical form, order, sums, the exact functions, the ends of the range, text
// output and the limits a time does not have.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace {

const ZELSimTime kMax = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime kMin = scl_numeric_limits<ZELSimTime>::min();

// The exact value in nanoseconds, and whether the fields are in canonical form.
__extension__ typedef __int128 Nanos;
Nanos ns(const ZELSimTime& t) {
    return static_cast<Nanos>(t.wholeSeconds()) * 1000000000 + t.nanoseconds();
}
Nanos saturated(Nanos v) { return v < ns(kMin) ? ns(kMin) : v > ns(kMax) ? ns(kMax) : v; }
bool canonical(const ZELSimTime& t) {
    const std::int64_t s = t.wholeSeconds(), n = t.nanoseconds();
    return n > -1000000000 && n < 1000000000 && !(s > 0 && n < 0) && !(s < 0 && n > 0);
}

// Mixed signs around zero and one second, and the ends of the range.
const ZELSimTime kGrid[] = {kMin,
                            ZELSimTime(INT64_MIN, 0),
                            ZELSimTime(-2, -999999999),
                            ZELSimTime(-1, 0),
                            ZELSimTime(0, -1),
                            ZELSimTime(),
                            ZELSimTime(0, 1),
                            ZELSimTime(0, 999999999),
                            ZELSimTime(1, 500000000),
                            ZELSimTime(INT64_MAX, 0),
                            kMax};

TEST(SimTime, DoublesRoundToTheNanosecondAndNanosecondsTurnTowardTheSeconds) {
    const double in[] = {1.5,          -1.5,       2.9999999996,          -0.25, 5e-10, -6e-10,
                         0.9999999999, 1e15 + 0.5, -9223372036854775808.0};
    const ZELSimTime out[] = {ZELSimTime(1, 500000000), ZELSimTime(-1, -499999999),
                              ZELSimTime(3, 0),         ZELSimTime(0, -249999999),
                              ZELSimTime(0, 1),         ZELSimTime(),
                              ZELSimTime(1, 0),         ZELSimTime(1000000000000000, 500000000),
                              ZELSimTime(INT64_MIN, 0)};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(ZELSimTime(in[i]), out[i]) << in[i];
    // NaN gives zero; infinities and doubles beyond the range saturate.
    EXPECT_EQ(ZELSimTime(std::numeric_limits<double>::quiet_NaN()), ZELSimTime());
    EXPECT_EQ(ZELSimTime(-std::numeric_limits<double>::infinity()), kMin);
    EXPECT_EQ(ZELSimTime(9223372036854775808.0), kMax);
    EXPECT_EQ(ZELSimTime(0, -500000000).seconds(), -0.5);
    EXPECT_EQ(ns(ZELSimTime(-2, 500000000)), -2500000000);
    ZELSimTime t(7, 0);
    t.set(2, -500000000);
    for (int bad : {1000000000, -1000000000, INT_MIN}) {
        EXPECT_THROW(t.set(0, bad), ZELEDomainError);
        EXPECT_EQ(ns(t), 2500000000);  // unchanged
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
    EXPECT_EQ(sqrt(ZELSimTime(-1, 0)), ZELSimTime());               // NaN
    EXPECT_EQ(log(ZELSimTime()), kMin);                             // -inf
}

std::string print(const ZELSimTime& t, std::streamsize precision,
                  std::ios_base::fmtflags flags = {}, int width = 0) {
    std::ostringstream os;
    os.flags(flags);
    os.precision(precision);
    os << std::setfill('*') << std::setw(width) << t;
    EXPECT_EQ(os.width(), 0);
    return os.str();
}

// Every precision against printf of the double fraction, on random nanoseconds and on ties.
TEST(SimTimeOutput, DigitsAreThoseOfPrintfWithTheCarryIntoTheSeconds) {
    std::mt19937 rng(99);
    for (int i = 0; i < 4000; ++i) {
        const int precision = static_cast<int>(rng() % 10);
        std::uint32_t n = rng() % 1000000000, unit = 1;
        for (int k = precision; k < 9; ++k) unit *= 10;
        if (i % 2) n = n / unit * unit + unit / 2;
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", precision, static_cast<double>(n) / 1e9);
        const std::string expected = (text[0] == '1' ? "8" : "7") + std::string(text + 1);
        ASSERT_EQ(print(ZELSimTime(7, static_cast<int>(n)), precision), expected)
            << n << " at " << precision;
        ASSERT_EQ(print(ZELSimTime(-7, -static_cast<int>(n)), precision), "-" + expected);
    }
    EXPECT_EQ(print(ZELSimTime(0, -1), 6), "-0.000000");
    EXPECT_EQ(print(ZELSimTime(3, 250000000), -1), "3.250000000");  // at most nine decimals
    EXPECT_EQ(print(ZELSimTime(3, 250000000), 12, std::ios_base::scientific), "3.250000000");
    EXPECT_EQ(print(scl_numeric_limits<ZELSimTime>::min(), 0), "-9223372036854775809");
}

TEST(SimTimeOutput, InternalPutsTheSignFirstWhateverElseIsSet) {
    using F = std::ios_base;
    const ZELSimTime t(-1, -500000000);
    EXPECT_EQ(print(t, 6, {}, 12), "***-1.500000");
    EXPECT_EQ(print(t, 6, F::left, 12), "-1.500000***");
    EXPECT_EQ(print(t, 6, F::internal, 12), "-***1.500000");
    EXPECT_EQ(print(t, 6, F::internal | F::left, 12), "-***1.500000");
    EXPECT_EQ(print(t, 6, F::internal | F::right, 12), "-***1.500000");
    EXPECT_EQ(print(t, 6, F::left | F::right, 12), "-1.500000***");
    EXPECT_EQ(print(ZELSimTime(1, 0), 1, F::showpos | F::internal, 6), "+**1.0");
    EXPECT_EQ(print(ZELSimTime(1, 0), 1, F::showpos, 2), "+1.0");  // narrower than the text
}

// A buffer that takes `room` characters and refuses the rest (the default overflow refuses).
struct FixedBuffer : std::streambuf {
    explicit FixedBuffer(int room) { setp(text, text + room); }
    std::string taken() const { return std::string(pbase(), pptr()); }
    char text[16];
};

TEST(SimTimeOutput, GoesToTheBufferWhateverTheStreamState) {
    for (auto state : {std::ios_base::eofbit, std::ios_base::failbit}) {
        std::ostringstream os;
        os.setstate(state);
        os << std::setw(10) << ZELSimTime(1, 0);
        EXPECT_TRUE(os.str() == "  1.000000" && os.rdstate() == state) << os.str();
    }
    for (int room : {0, 1, 9}) {  // a refused character sets failbit and badbit
        FixedBuffer buffer(room);
        std::ostream os(&buffer);
        os << std::setw(10) << ZELSimTime(-1, -500000000);
        EXPECT_TRUE(os.fail() && os.bad() &&
                    buffer.taken() == std::string(" -1.500000", static_cast<std::size_t>(room)))
            << buffer.taken();
    }
    std::ostream unbuffered(nullptr);
    unbuffered << std::setw(4) << ZELSimTime(1, 0);  // receives nothing, and nothing breaks
    EXPECT_EQ(unbuffered.width(), 0);
}

TEST(SimTimeLimits, MissingValuesAssertAndReturnZero) {
    using Limits = scl_numeric_limits<ZELSimTime>;
    AssertRecorder recorder;
    EXPECT_TRUE(Limits::infinity() == ZELSimTime() && Limits::quiet_NaN() == ZELSimTime() &&
                Limits::signaling_NaN() == ZELSimTime());
    EXPECT_EQ(recorder.take().size(), 3u);  // what each report says: test_report_sites.cpp
    static_assert(
        Limits::digits == 93 && Limits::digits10 == 27 && Limits::epsilon() == ZELSimTime(0, 1),
        "");
}

}  // namespace
