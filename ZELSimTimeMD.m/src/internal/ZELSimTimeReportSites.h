// Internal to the library: not installed; names may change in any release.
//
// The report sites of simulation time (see foundation/internal/ZELReportSites.h): message,
// source file and line of each, written once here.
#ifndef ZELMATH_ZELSIMTIMEMD_INTERNAL_ZELSIMTIMEREPORTSITES_H
#define ZELMATH_ZELSIMTIMEMD_INTERNAL_ZELSIMTIMEREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

namespace zel_internal {

/// (sec, nsec) construction or set() with |nsec| >= 1e9 (ZELEDomainError).
constexpr ThrowSite kNanosecondDomain{L"Nanosecond domain violation",
                                      "ZELSimTimeMD.m/src/ZELSimTime", 114};
/// A zero divisor of /, /=, fmod and ratio (ZELEZeroDivide).
constexpr ThrowSite kTimeDivideByZero{L"ZELSimTime divide by zero", "ZELSimTimeMD.m/src/ZELSimTime",
                                      160};
/// A quotient beyond the largest time, in / and /= and in the quotient behind fmod
/// (ZELEOverflowError).
constexpr ThrowSite kTimeDivisionOverflow{L"ZELSimTime division overflow",
                                          "ZELSimTimeMD.m/src/ZELSimTimeP", 100};
/// The values a time does not have, asked of its numeric limits.
constexpr AssertSite kTimeNoInfinity{"No infinity value", "ZELSimTimeMD.m/src/ZELSimTimeLimits",
                                     125};
constexpr AssertSite kTimeNoQuietNaN{"No quiet_NaN value", "ZELSimTimeMD.m/src/ZELSimTimeLimits",
                                     134};
constexpr AssertSite kTimeNoSignalingNaN{"No signaling_NaN value",
                                         "ZELSimTimeMD.m/src/ZELSimTimeLimits", 143};

}  // namespace zel_internal

#endif
