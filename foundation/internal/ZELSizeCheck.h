// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The checked mode of the linear algebra. The vector, matrix and LU operators assume that their
// operands' sizes fit (a partner at least as long, inner dimensions that agree, a slice inside
// the vector) and check nothing in a release build. In a build without NDEBUG, or with
// ZELMATH_CHECKED defined, each of those operators first asks `sizesFit`; a mismatch is reported
// through the assertion hook ("Size mismatch") before any element is read or written, and the
// operator returns without touching the operands' elements (each operator says what it returns
// then). The choice is made where the library's headers are compiled, so define ZELMATH_CHECKED
// (or leave NDEBUG undefined) in every translation unit of a program alike.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELSIZECHECK_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELSIZECHECK_H

#include "foundation/internal/ZELReportSites.h"

#include <limits>

#if defined(ZELMATH_CHECKED) || !defined(NDEBUG)
#define ZELMATH_SIZE_CHECKS 1
#else
#define ZELMATH_SIZE_CHECKS 0
#endif

namespace zel_internal {

/// Operands whose sizes do not fit: the one report of every size check.
constexpr AssertSite kSizeMismatch{"Size mismatch", "foundation/internal/ZELSizeCheck", 35};

/// True when the sizes fit or the checks are off; otherwise reports kSizeMismatch and returns
/// false, and the caller returns without touching the operands' elements.
inline bool sizesFit(bool fits) noexcept {
#if ZELMATH_SIZE_CHECKS
    if (!fits) {
        report(kSizeMismatch);
        return false;
    }
#endif
    static_cast<void>(fits);
    return true;
}

/// The value of a result that could not be computed: NaN (zero for a type without one).
template <class T>
constexpr T notComputed() noexcept {
    return std::numeric_limits<T>::has_quiet_NaN ? std::numeric_limits<T>::quiet_NaN() : T(0);
}

}  // namespace zel_internal

#endif
