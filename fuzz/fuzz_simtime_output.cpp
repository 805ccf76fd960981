// Simulation-time text output under arbitrary precision, width, fill and format flags, onto a
// buffer that may refuse characters part way. The text is checked against a model built from
// the exact value; a refused character must set failbit and badbit.
#include "FuzzInput.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

namespace {

// Keeps up to `capacity` characters and refuses the rest.
class LimitedBuffer : public std::streambuf {
public:
    explicit LimitedBuffer(std::size_t capacity) : capacity_(capacity) {}
    const std::string& text() const { return text_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (text_.size() >= capacity_) return traits_type::eof();
        text_.push_back(traits_type::to_char_type(c));
        return c;
    }

private:
    std::size_t capacity_;
    std::string text_;
};

// The expected rendering without padding: sign, seconds, point, fraction.
std::string model(const ZELSimTime& t, int precision, bool showpos, std::string& sign) {
    const std::int64_t sec = t.wholeSeconds();
    const int nsec = t.nanoseconds();
    const bool negative = sec < 0 || (sec == 0 && nsec < 0);
    sign = negative ? "-" : showpos ? "+" : "";
    std::uint64_t whole =
        sec < 0 ? 0 - static_cast<std::uint64_t>(sec) : static_cast<std::uint64_t>(sec);
    const double fraction = static_cast<double>(nsec < 0 ? -nsec : nsec) / 1e9;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.*f", precision, fraction);
    if (digits[0] == '1') ++whole;  // rounded up to a whole second
    std::string body = std::to_string(whole);
    if (precision > 0) body += digits + 1;  // ".ddd"
    return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::int64_t sec = in.take<std::int64_t>() >> (in.take<std::uint8_t>() % 64);
    const int nsec = in.take<std::int32_t>() % 1000000000;
    const ZELSimTime t(sec, nsec);
    const auto precision = static_cast<std::streamsize>(in.take<std::int64_t>());
    const auto width = static_cast<std::streamsize>(in.take<std::int16_t>() % 200);
    const char fill = in.take<char>();
    const auto flags =
        static_cast<std::ios_base::fmtflags>(in.take<std::uint32_t>()) & ~std::ios_base::unitbuf;
    const std::size_t capacity = in.take<std::uint8_t>() % 128;
    const auto mode = in.take<std::uint8_t>();
    const bool limited = (mode & 1) != 0;
    const bool failed = (mode & 2) != 0;  // a stream that is not good() still receives the text

    LimitedBuffer buffer(limited ? capacity : static_cast<std::size_t>(-1));
    std::ostream os(&buffer);
    os.flags(flags);
    os.precision(precision);
    os.width(width);
    os.fill(fill);
    if (failed) os.setstate(std::ios_base::failbit);
    os << t;
    FUZZ_CHECK(os.width() == 0);

    const int shown = precision < 0 || precision > 9 ? 9 : static_cast<int>(precision);
    std::string sign;
    const std::string body = model(t, shown, (flags & std::ios_base::showpos) != 0, sign);
    const std::size_t length = sign.size() + body.size();
    const std::string padding(
        width > 0 && static_cast<std::size_t>(width) > length ? width - length : 0, fill);
    std::string expected;
    if (flags & std::ios_base::internal) {  // whatever else is set
        expected = sign + padding + body;
    } else if (flags & std::ios_base::left) {
        expected = sign + body + padding;
    } else {
        expected = padding + sign + body;
    }

    if (limited && expected.size() > capacity) {
        FUZZ_CHECK(buffer.text() == expected.substr(0, capacity));
        FUZZ_CHECK(os.bad() && os.fail());
    } else {
        FUZZ_CHECK(buffer.text() == expected);
        FUZZ_CHECK(os.rdstate() == (failed ? std::ios_base::failbit : std::ios_base::goodbit));
    }
    return 0;
}
