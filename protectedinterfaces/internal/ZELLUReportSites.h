// Internal to the library: not installed; names may change in any release.
//
// The report sites of the LU factorisation (see foundation/internal/ZELReportSites.h): message,
// source file and line of each, written once here.
#ifndef ZELMATH_PROTECTEDINTERFACES_INTERNAL_ZELLUREPORTSITES_H
#define ZELMATH_PROTECTEDINTERFACES_INTERNAL_ZELLUREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

namespace zel_internal {

/// The copy constructor, which is not supported (the copy is left unfactored).
constexpr AssertSite kLUCopyNotImplemented{"This constructor is not yet implemented",
                                           "protectedinterfaces/ZELLUFactor", 86};

}  // namespace zel_internal

#endif
