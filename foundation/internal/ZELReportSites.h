// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Every report the library makes comes from a named site holding its message, the library
// source file it names and the line it gives, written once here. A throw site raises an
// exception by value with a wide message; an assertion site goes to the assertion hook with the
// category "Software" and a narrow message. Code that reports names the site, never a literal,
// so two different checks cannot share a line number by accident. Checks that share a site make
// the same report on purpose (the site's comment says which).
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELREPORTSITES_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELREPORTSITES_H

#include "foundation/scl_assert.h"

namespace zel_internal {

/// The origin of an exception: wide message, library source file, line.
struct ThrowSite {
    const wchar_t* message;
    const char* file;
    int line;
};

/// The origin of an assertion report: narrow message, library source file, line.
struct AssertSite {
    const char* message;
    const char* file;
    int line;
};

/// Throws an Error made from the site.
template <class Error>
[[noreturn]] inline void raise(const ThrowSite& site) {
    throw Error(site.message, site.file, site.line);
}

/// Hands the site's report to the assertion hook, which returns.
inline void report(const AssertSite& site) { _scl_do_assert("Software", site.message, site.file, site.line); }

// ---- simulation time ----------------------------------------------------------------------------

/// (sec, nsec) construction or set() with |nsec| >= 1e9 (ZELEDomainError).
constexpr ThrowSite kNanosecondDomain{L"Nanosecond domain violation", "ZELSimTimeMD.m/src/ZELSimTime", 114};
/// A zero divisor of /, /=, fmod and ratio (ZELEZeroDivide).
constexpr ThrowSite kTimeDivideByZero{L"ZELSimTime divide by zero", "ZELSimTimeMD.m/src/ZELSimTime", 160};
/// A quotient beyond the largest time, in / and /= and in the quotient behind fmod
/// (ZELEOverflowError).
constexpr ThrowSite kTimeDivisionOverflow{L"ZELSimTime division overflow", "ZELSimTimeMD.m/src/ZELSimTimeP", 100};
/// The values a time does not have, asked of its numeric limits.
constexpr AssertSite kTimeNoInfinity{"No infinity value", "ZELSimTimeMD.m/src/ZELSimTimeLimits", 125};
constexpr AssertSite kTimeNoQuietNaN{"No quiet_NaN value", "ZELSimTimeMD.m/src/ZELSimTimeLimits", 134};
constexpr AssertSite kTimeNoSignalingNaN{"No signaling_NaN value", "ZELSimTimeMD.m/src/ZELSimTimeLimits", 143};

// ---- stream objects ------------------------------------------------------------------------------
/// An MRG32k3a package seed with a component at or above its modulus or a half all zero
/// (ZELEDomainError; the message names the component).
constexpr ThrowSite kStreamPackageSeed{L"Invalid MRG32k3a package seed", "ZELRandomMD.m/src/ZELRandomStream", 176};
/// A substream number beyond the engine's substreams (ZELEDomainError).
constexpr ThrowSite kStreamSubstream{L"Substream out of range", "ZELRandomMD.m/src/ZELRandomStream", 197};
/// FromState of a text that is not a stream's state (ZELEDomainError).
constexpr ThrowSite kStreamState{L"Not a random stream state", "ZELRandomMD.m/src/ZELRandomStream", 398};
/// resetSubstream() or nextSubstream() of a classic stream.
constexpr AssertSite kClassicNoSubstreams{"A classic stream has no substreams", "ZELRandomMD.m/src/ZELRandomStream", 307};
/// setAntithetic(false) of a classic stream.
constexpr AssertSite kClassicAntitheticOff{"A classic stream cannot switch antithetic output off", "ZELRandomMD.m/src/ZELRandomStream", 341};

// ---- random streams --------------------------------------------------------------------------
/// A stream number outside 1..n while strict stream numbers are on.
constexpr AssertSite kInvalidStream{"Invalid stream number", "ZELRandomMD.m/src/ZELRandomGenerator", 165};

}  // namespace zel_internal

#endif
