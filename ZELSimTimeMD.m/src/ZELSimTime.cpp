#include "ZELSimTimeMD.m/src/ZELSimTime.h"

#include "ZELSimTimeMD.m/src/ZELSimTimeP.h"
#include "foundation/ZELException.h"
#include "ZELSimTimeMD.m/src/internal/ZELSimTimeReportSites.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>

namespace {

void checkDivisor(const ZELSimTime& b) {
    if (b == ZELSimTime()) zel_internal::raise<ZELEZeroDivide>(zel_internal::kTimeDivideByZero);
}

}  // namespace

void ZELSimTime::throwDomainError_() {
    zel_internal::raise<ZELEDomainError>(zel_internal::kNanosecondDomain);
}

ZELSimTime operator*(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    return ZELSimTimeP::multiply(a, b);
}

ZELSimTime operator/(const ZELSimTime& a, const ZELSimTime& b) {
    checkDivisor(b);
    return ZELSimTimeP::divide(a, b);
}

ZELSimTime fmod(const ZELSimTime& a, const ZELSimTime& b) {
    checkDivisor(b);
    return ZELSimTimeP::remainder(a, b);
}

double ratio(const ZELSimTime& a, const ZELSimTime& b) {
    checkDivisor(b);
    return ZELSimTimeP::ratio(a, b);
}

// ---- floating-point functions -------------------------------------------------------------------

ZELSimTime acos(const ZELSimTime& a) noexcept { return ZELSimTime(std::acos(a.seconds())); }
ZELSimTime asin(const ZELSimTime& a) noexcept { return ZELSimTime(std::asin(a.seconds())); }
ZELSimTime atan(const ZELSimTime& a) noexcept { return ZELSimTime(std::atan(a.seconds())); }
ZELSimTime atan2(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    return ZELSimTime(std::atan2(a.seconds(), b.seconds()));
}
ZELSimTime cos(const ZELSimTime& a) noexcept { return ZELSimTime(std::cos(a.seconds())); }
ZELSimTime sin(const ZELSimTime& a) noexcept { return ZELSimTime(std::sin(a.seconds())); }
ZELSimTime tan(const ZELSimTime& a) noexcept { return ZELSimTime(std::tan(a.seconds())); }
ZELSimTime cosh(const ZELSimTime& a) noexcept { return ZELSimTime(std::cosh(a.seconds())); }
ZELSimTime sinh(const ZELSimTime& a) noexcept { return ZELSimTime(std::sinh(a.seconds())); }
ZELSimTime tanh(const ZELSimTime& a) noexcept { return ZELSimTime(std::tanh(a.seconds())); }
ZELSimTime exp(const ZELSimTime& a) noexcept { return ZELSimTime(std::exp(a.seconds())); }
ZELSimTime log(const ZELSimTime& a) noexcept { return ZELSimTime(std::log(a.seconds())); }
ZELSimTime log10(const ZELSimTime& a) noexcept { return ZELSimTime(std::log10(a.seconds())); }
ZELSimTime pow(const ZELSimTime& a, const ZELSimTime& b) noexcept {
    return ZELSimTime(std::pow(a.seconds(), b.seconds()));
}
ZELSimTime sqrt(const ZELSimTime& a) noexcept { return ZELSimTime(std::sqrt(a.seconds())); }

// ---- text output --------------------------------------------------------------------------------

namespace {

constexpr std::uint32_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                      100000, 1000000, 10000000, 100000000, 1000000000};

// Digits of the fraction nsec / 1e9 at `precision` (0..9) decimals, rounded as printf rounds the
// double nsec / 1e9; `carry` is set when it rounds up to a whole second (the digits are then 0).
std::uint32_t fractionDigits(std::uint32_t nsec, unsigned precision, bool& carry) {
    carry = false;
    if (precision == 9) return nsec;  // the double is within 1e-17 of nsec / 1e9: exact digits
    const std::uint32_t unit = kPow10[9 - precision];
    std::uint32_t digits = nsec / unit;
    const std::uint32_t rest = nsec % unit;
    // Away from a tie the double lies on the same side of it as the exact decimal (they differ by
    // far less than the 1 ns to the tie). At a tie, let printf decide on the double itself.
    if (rest > unit / 2) {
        ++digits;
    } else if (rest == unit / 2) {
        char text[16];  // "0.ddd" or "1.000"; "0" or "1" at precision 0
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(precision),
                      static_cast<double>(nsec) / 1e9);
        if (text[0] == '1') {
            digits = kPow10[precision];
        } else if (precision > 0) {
            digits = 0;
            for (const char* c = text + 2; *c; ++c)
                digits = digits * 10 + static_cast<std::uint32_t>(*c - '0');
        }
    }
    if (digits == kPow10[precision]) {
        carry = true;
        digits = 0;
    }
    return digits;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const ZELSimTime& t) {
    const std::streamsize width = os.width();
    os.width(0);
    std::streambuf* const buffer = os.rdbuf();
    if (!buffer) return os;
    // The text goes to the buffer whatever the stream's state; like every formatted output, a
    // good stream first flushes the stream tied to it.
    if (os.tie() && os.good()) os.tie()->flush();

    const std::streamsize requested = os.precision();
    const unsigned precision =
        requested < 0 || requested > 9 ? 9u : static_cast<unsigned>(requested);

    const std::int64_t sec = t.wholeSeconds();
    const int nsec = t.nanoseconds();
    const bool negative = sec < 0 || (sec == 0 && nsec < 0);
    std::uint64_t wholeSeconds =
        sec < 0 ? 0 - static_cast<std::uint64_t>(sec) : static_cast<std::uint64_t>(sec);
    bool carry = false;
    std::uint32_t fraction =
        fractionDigits(static_cast<std::uint32_t>(nsec < 0 ? -nsec : nsec), precision, carry);
    if (carry) ++wholeSeconds;  // at most 2^63 + 1: fits

    // Seconds, point and fraction digits; built from the right.
    char text[40];
    char* end = text + sizeof text;
    char* p = end;
    for (unsigned i = 0; i < precision; ++i) {
        *--p = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    if (precision > 0) *--p = '.';
    do {
        *--p = static_cast<char>('0' + wholeSeconds % 10);
        wholeSeconds /= 10;
    } while (wholeSeconds != 0);
    const char* body = p;
    const std::ios_base::fmtflags flags = os.flags();
    const char sign = negative ? '-' : (flags & std::ios_base::showpos) ? '+' : '\0';

    const std::streamsize length = (end - body) + (sign ? 1 : 0);
    std::streamsize pad = width > length ? width - length : 0;
    const char fill = os.fill();
    bool ok = true;
    auto putFill = [&] {
        for (; pad > 0 && ok; --pad) ok = buffer->sputc(fill) != std::char_traits<char>::eof();
    };
    auto putSign = [&] {
        if (sign && ok) ok = buffer->sputc(sign) != std::char_traits<char>::eof();
    };
    auto putBody = [&] {
        if (ok) ok = buffer->sputn(body, end - body) == end - body;
    };
    // internal wins over every other adjustment flag, then left; anything else pads on the left.
    if (flags & std::ios_base::internal) {
        putSign();
        putFill();
        putBody();
    } else if (flags & std::ios_base::left) {
        putSign();
        putBody();
        putFill();
    } else {
        putFill();
        putSign();
        putBody();
    }
    if (!ok) {
        os.setstate(std::ios_base::failbit | std::ios_base::badbit);
    } else if ((flags & std::ios_base::unitbuf) && os.good() && buffer->pubsync() == -1) {
        os.setstate(std::ios_base::badbit);
    }
    return os;
}
