// Text output of times, and the limits a time does not have.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <tuple>

namespace {

std::string print(const ZELSimTime& t, std::streamsize precision, std::ios_base::fmtflags flags = {}, int width = 0) {
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
        ASSERT_EQ(print(ZELSimTime(7, static_cast<int>(n)), precision), expected) << n << " at " << precision;
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
        EXPECT_EQ(os.str(), "  1.000000");
        EXPECT_EQ(os.rdstate(), state);
    }
    for (int room : {0, 1, 9}) {  // a refused character sets failbit and badbit
        FixedBuffer buffer(room);
        std::ostream os(&buffer);
        os << std::setw(10) << ZELSimTime(-1, -500000000);
        EXPECT_TRUE(os.fail() && os.bad());
        EXPECT_EQ(buffer.taken(), std::string(" -1.500000", static_cast<std::size_t>(room)));
    }
    std::ostream unbuffered(nullptr);
    unbuffered << std::setw(4) << ZELSimTime(1, 0);  // receives nothing, and nothing breaks
    EXPECT_EQ(unbuffered.width(), 0);
}

TEST(SimTimeLimits, MissingValuesAssertAndReturnZero) {
    using Limits = scl_numeric_limits<ZELSimTime>;
    AssertRecorder recorder;
    EXPECT_EQ(Limits::infinity(), ZELSimTime());
    EXPECT_EQ(Limits::quiet_NaN(), ZELSimTime());
    EXPECT_EQ(Limits::signaling_NaN(), ZELSimTime());
    const auto reports = recorder.take();
    ASSERT_EQ(reports.size(), 3u);
    const char* messages[] = {"No infinity value", "No quiet_NaN value", "No signaling_NaN value"};
    for (int i = 0; i < 3; ++i) {
        const AssertReport expected{"Software", messages[i], "ZELSimTimeMD.m/src/ZELSimTimeLimits", 125 + 9 * i};
        EXPECT_EQ(std::tie(reports[i].category, reports[i].message, reports[i].file, reports[i].line),
                  std::tie(expected.category, expected.message, expected.file, expected.line));
    }
    static_assert(Limits::digits == 93 && Limits::digits10 == 27 && Limits::epsilon() == ZELSimTime(0, 1), "");
}

}  // namespace
