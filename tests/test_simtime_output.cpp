// ZELSimTime text output and scl_numeric_limits<ZELSimTime>.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>

namespace {

using Limits = scl_numeric_limits<ZELSimTime>;

std::string Print(const ZELSimTime& t, std::streamsize precision = 6) {
    std::ostringstream os;
    os.precision(precision);
    os << t;
    return os.str();
}

TEST(SimTimeOutput, FixedPointWithCappedPrecision) {
    EXPECT_EQ(Print(ZELSimTime(12, 500000000)), "12.500000");
    EXPECT_EQ(Print(ZELSimTime(0, -250000000)), "-0.250000");
    EXPECT_EQ(Print(ZELSimTime()), "0.000000");
    EXPECT_EQ(Print(ZELSimTime(0, -1)), "-0.000000");  // negative by its sign, though it prints as 0
    EXPECT_EQ(Print(ZELSimTime(3, 250000000), 2), "3.25");
    EXPECT_EQ(Print(ZELSimTime(3, 250000000), 0), "3");
    EXPECT_EQ(Print(ZELSimTime(3, 250000000), 12), "3.250000000");
    EXPECT_EQ(Print(ZELSimTime(3, 250000000), -1), "3.250000000");
    EXPECT_EQ(Print(ZELSimTime(3, 7), 9), "3.000000007");
    EXPECT_EQ(Print(Limits::max(), 9), "9223372036854775807.999999999");
    EXPECT_EQ(Print(Limits::min(), 9), "-9223372036854775808.999999999");
    std::ostringstream os;
    os << std::showpos << ZELSimTime(5, 0) << ' ' << ZELSimTime(-5, 0) << std::noshowpos << ' ' << ZELSimTime(5, 0);
    EXPECT_EQ(os.str(), "+5.000000 -5.000000 5.000000");
    std::ostringstream sci;  // floatfield flags do not matter
    sci << std::scientific << ZELSimTime(1, 500000000);
    EXPECT_EQ(sci.str(), "1.500000");
}

TEST(SimTimeOutput, RoundingCarriesIntoTheSeconds) {
    EXPECT_EQ(Print(ZELSimTime(0, 999999999)), "1.000000");
    EXPECT_EQ(Print(ZELSimTime(-1, -999999999)), "-2.000000");
    EXPECT_EQ(Print(ZELSimTime(3, 700000000), 0), "4");
    EXPECT_EQ(Print(Limits::max()), "9223372036854775808.000000");
    EXPECT_EQ(Print(Limits::min()), "-9223372036854775809.000000");
    // Ties are rounded as printf rounds the double nanoseconds / 1e9.
    EXPECT_EQ(Print(ZELSimTime(2, 500000000), 0), "2");   // 0.5 exactly: to even
    EXPECT_EQ(Print(ZELSimTime(0, 125000000), 2), "0.12");  // 0.125 exactly: to even
    EXPECT_EQ(Print(ZELSimTime(0, 135000000), 2), "0.14");  // the double is above 0.135
    EXPECT_EQ(Print(ZELSimTime(0, 145000000), 2), "0.14");  // the double is below 0.145
}

// Every precision against printf of the double fraction, on random and tie nanoseconds.
TEST(SimTimeOutput, FractionAgreesWithPrintf) {
    std::mt19937 rng(99);
    for (int i = 0; i < 4000; ++i) {
        const int precision = static_cast<int>(rng() % 10);
        std::uint32_t n = rng() % 1000000000;
        if (i % 2) {  // force a tie at this precision
            std::uint32_t unit = 1;
            for (int k = precision; k < 9; ++k) unit *= 10;
            n = n / unit * unit + unit / 2;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", precision, static_cast<double>(n) / 1e9);
        const std::string expected = (text[0] == '1' ? "8" : "7") + std::string(text + 1);
        ASSERT_EQ(Print(ZELSimTime(7, static_cast<int>(n)), precision), expected) << n << " at " << precision;
        ASSERT_EQ(Print(ZELSimTime(-7, -static_cast<int>(n)), precision), "-" + expected);
    }
}

TEST(SimTimeOutput, WidthFillAndAdjustment) {
    std::ostringstream os;
    os.width(12);
    os << ZELSimTime(1, 500000000);
    EXPECT_EQ(os.str(), "    1.500000");
    EXPECT_EQ(os.width(), 0);
    os.str("");
    os << std::left << std::setw(12) << ZELSimTime(1, 500000000) << '|';
    EXPECT_EQ(os.str(), "1.500000    |");
    os.str("");
    os << std::internal << std::setfill('*') << std::setw(12) << ZELSimTime(-1, -500000000);
    EXPECT_EQ(os.str(), "-***1.500000");
    os.str("");
    os << std::showpos << std::setw(12) << ZELSimTime(1, 500000000) << std::right << std::setw(12)
       << ZELSimTime(1, 500000000);
    EXPECT_EQ(os.str(), "+***1.500000***+1.500000");
    os.str("");
    os << std::noshowpos << std::setw(3) << ZELSimTime(-1, -500000000);  // narrower than the text
    EXPECT_EQ(os.str(), "-1.500000");
    EXPECT_EQ(os.width(), 0);
}

// A buffer that takes `room` characters and refuses the rest.
class LimitedBuffer : public std::streambuf {
public:
    explicit LimitedBuffer(int room) : room_(room) {}
    std::string text;

protected:
    int_type overflow(int_type c) override {
        if (room_ <= 0 || traits_type::eq_int_type(c, traits_type::eof())) return traits_type::eof();
        --room_;
        text += traits_type::to_char_type(c);
        return c;
    }

private:
    int room_;
};

TEST(SimTimeOutput, StreamFailures) {
    for (int room : {0, 1, 4, 9}) {
        LimitedBuffer buffer(room);
        std::ostream os(&buffer);
        os << std::setw(10) << ZELSimTime(-1, -500000000);
        EXPECT_TRUE(os.fail() && os.bad()) << room;
        EXPECT_EQ(buffer.text, std::string(" -1.500000").substr(0, static_cast<std::size_t>(room)));
        EXPECT_EQ(os.width(), 0);
    }
    LimitedBuffer enough(20);
    std::ostream fine(&enough);
    fine << ZELSimTime(2, 0);
    EXPECT_TRUE(fine.good());
    EXPECT_EQ(enough.text, "2.000000");

    std::ostream unbuffered(nullptr);
    unbuffered << ZELSimTime(1, 0);  // receives nothing
    EXPECT_TRUE(unbuffered.bad());

    std::ostringstream failed;
    failed.setstate(std::ios_base::failbit);
    failed << std::setw(10) << ZELSimTime(1, 0);
    EXPECT_EQ(failed.str(), "  1.000000");
    EXPECT_EQ(failed.width(), 0);
}

TEST(SimTimeLimits, Members) {
    static_assert(Limits::is_specialized && Limits::is_signed && !Limits::is_integer && Limits::is_exact &&
                      Limits::is_bounded && !Limits::is_iec559,
                  "");
    static_assert(!Limits::has_infinity && !Limits::has_quiet_NaN && !Limits::has_signaling_NaN &&
                      !Limits::has_denorm && !Limits::has_denorm_loss && !Limits::traps && !Limits::tinyness_before,
                  "");
    static_assert(std::is_same<std::remove_cv_t<decltype(Limits::has_denorm)>, bool>::value, "");
    static_assert(Limits::is_modulo == scl_numeric_limits<std::int64_t>::is_modulo, "");
    static_assert(Limits::round_style == scl_round_toward_zero && Limits::round_style == 0, "");
    static_assert(Limits::radix == 2 && Limits::digits == 93 && Limits::digits10 == 27, "");
    static_assert(Limits::min_exponent == 0 && Limits::min_exponent10 == 0 && Limits::max_exponent == 0 &&
                      Limits::max_exponent10 == 0,
                  "");
    constexpr ZELSimTime max = Limits::max();  // constant-initialised
    static_assert(max.wholeSeconds() == INT64_MAX && max.nanoseconds() == 999999999, "");
    static_assert(Limits::min().wholeSeconds() == INT64_MIN && Limits::min().nanoseconds() == -999999999, "");
    EXPECT_EQ(Limits::epsilon(), ZELSimTime(0, 1));
    EXPECT_EQ(Limits::round_error(), ZELSimTime());
    EXPECT_EQ(Limits::denorm_min(), Limits::min());
    EXPECT_EQ(Limits::lowest(), Limits::min());
}

TEST(SimTimeLimits, MissingValuesAssertAndReturnZero) {
    AssertRecorder recorder;
    EXPECT_EQ(Limits::infinity(), ZELSimTime());
    EXPECT_EQ(Limits::quiet_NaN(), ZELSimTime());
    EXPECT_EQ(Limits::signaling_NaN(), ZELSimTime());
    const auto reports = recorder.take();
    ASSERT_EQ(reports.size(), 3u);
    const char* messages[] = {"No infinity value", "No quiet_NaN value", "No signaling_NaN value"};
    const int lines[] = {125, 134, 143};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reports[i].category, "Software");
        EXPECT_EQ(reports[i].message, messages[i]);
        EXPECT_EQ(reports[i].file, "ZELSimTimeMD.m/src/ZELSimTimeLimits");
        EXPECT_EQ(reports[i].line, lines[i]);
    }
}

}  // namespace
