// Internal to the library: not installed; names may change in any release.
//
// The report sites of the random streams and distributions (see
// foundation/internal/ZELReportSites.h): message, source file and line of each, written once
// here.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELRANDOMREPORTSITES_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELRANDOMREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

namespace zel_internal {

/// A stream number outside 1..n while strict stream numbers are on.
constexpr AssertSite kInvalidStream{"Invalid stream number", "ZELRandomMD.m/src/ZELRandomGenerator", 165};

}  // namespace zel_internal

#endif
