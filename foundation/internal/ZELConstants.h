// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Numeric constants that more than one class uses, each written once.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELCONSTANTS_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELCONSTANTS_H

#include <cmath>

namespace zel_internal {

/// pi rounded once to T.
template <class T>
constexpr T kPi = static_cast<T>(3.14159265358979323846264338327950288L);

/// Sums of squares below this floor count as zero in the quaternion's norms and in its
/// conversion from a rotation matrix: no square root is taken of them.
template <class T>
constexpr T kRootFloor = static_cast<T>(1e-20);

/// sqrt(a), or exactly 0 when a is below kRootFloor.
template <class T>
inline T flooredRoot(const T& a) noexcept {
    using std::sqrt;
    return a < kRootFloor<T> ? T(0) : sqrt(a);
}

}  // namespace zel_internal

#endif
