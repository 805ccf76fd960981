// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Numeric constants that more than one class uses, each written once.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELCONSTANTS_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELCONSTANTS_H

#include "foundation/internal/ZELSimdPair.h"

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

/// flooredRoot of a and of b. The double form takes both roots in one pair of lanes: the roots
/// of the quaternion conversion are independent, and the square root unit is the bottleneck.
template <class T>
inline void flooredRoots(const T& a, const T& b, T& ra, T& rb) noexcept {
    ra = flooredRoot(a);
    rb = flooredRoot(b);
}
inline void flooredRoots(double a, double b, double& ra, double& rb) noexcept {
    const Pair v{a, b};
    const Pair r = zeroWhere(v < splatPair(kRootFloor<double>), sqrtPair(v));
    ra = r[0];
    rb = r[1];
}

/// Each of the four values divided by d (two pairs of lanes for double).
template <class T>
inline void divideFour(const T& d, T& a, T& b, T& c, T& e) noexcept {
    a = a / d;
    b = b / d;
    c = c / d;
    e = e / d;
}
inline void divideFour(double d, double& a, double& b, double& c, double& e) noexcept {
    const Pair q0 = Pair{a, b} / splatPair(d);
    const Pair q1 = Pair{c, e} / splatPair(d);
    a = q0[0];
    b = q0[1];
    c = q1[0];
    e = q1[1];
}

}  // namespace zel_internal

#endif
