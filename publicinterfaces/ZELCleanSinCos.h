/// \file
/// Cleaned sine and cosine of an angle.
///
/// Every builder of a rotation in the library (rotation matrix, quaternion, transform, the
/// spherical and cylindrical coordinates of the 3-vector) takes its sine and cosine from here:
///   s = sin(angle), c = cos(angle);
///   if |s| <= eps, s becomes exactly +0 (c is kept as computed);
///   otherwise, if |c| <= eps, c becomes exactly +0.
/// eps is the machine epsilon of T. At most one of the two is cleared and the sine is tested
/// first. The effect is that quarter and half turns come out exact: cos(pi/2) is 6.1e-17 in
/// double and becomes 0, sin(pi) is 1.2e-16 and becomes 0, so a rotation by pi/2 about z maps
/// x exactly onto y.
#ifndef ZELMATH_PUBLICINTERFACES_ZELCLEANSINCOS_H
#define ZELMATH_PUBLICINTERFACES_ZELCLEANSINCOS_H

/// \addtogroup geometry
/// @{

#include "foundation/scl_numeric_limits.h"

#include <cmath>

/// Sets s and c to the sine and cosine of `angle` (radians), one of them cleaned to exact 0 as
/// described above.
template <class T>
inline void ZELCleanSinCos(const T& angle, T& s, T& c) {
    using std::abs;
    using std::cos;
    using std::sin;
    const T eps = scl_numeric_limits<T>::epsilon();
    s = sin(angle);
    c = cos(angle);
    if (abs(s) <= eps) {
        s = T(0);
    } else if (abs(c) <= eps) {
        c = T(0);
    }
}

/// @}

#endif
