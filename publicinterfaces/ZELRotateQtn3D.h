/// \file
/// The conversions between the rotation matrix and the quaternion, in one place.
///
/// ZELRotate3D.h and ZELQtn3D.h each include this header after their own class, and this header
/// includes both, so whichever a caller includes first, both classes are complete here and every
/// conversion is available: the quaternion's `getRotate`, `setRotate` and `setRotateAccurate`,
/// and the rotation's `toQtn` and `getEAA` (which the near-comparisons of rotations use).
#ifndef ZELMATH_PUBLICINTERFACES_ZELROTATEQTN3D_H
#define ZELMATH_PUBLICINTERFACES_ZELROTATEQTN3D_H

/// \addtogroup geometry
/// @{

#include "foundation/internal/ZELConstants.h"
#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELRotate3D.h"

#include <cmath>

/// The diagonal is 2s² − 1 + 2x² (and so on), which assumes a unit quaternion.
template <class T>
inline void ZELBasicQtn3D<T>::getRotate(ZELBasicRotate3D<T>& R) const noexcept {
    const T s = s_, x = v_[0], y = v_[1], z = v_[2];
    const T d = T(2) * s * s - T(1);
    T* m = R.m_;  // m[3c + r] is R(r, c)
    m[0] = d + T(2) * x * x;
    m[1] = T(2) * x * y + T(2) * s * z;
    m[2] = T(2) * x * z - T(2) * s * y;
    m[3] = T(2) * x * y - T(2) * s * z;
    m[4] = d + T(2) * y * y;
    m[5] = T(2) * y * z + T(2) * s * x;
    m[6] = T(2) * x * z + T(2) * s * y;
    m[7] = T(2) * y * z - T(2) * s * x;
    m[8] = d + T(2) * z * z;
}

/// Four squared magnitudes from the diagonal (made non-negative), each rooted with the 1e-20
/// floor; the largest of |x|, |y|, |z| takes its sign from the antisymmetric difference and fixes
/// the signs of the other two through the symmetric sums; finally all four are divided by the
/// root of the sum of the squared estimates (at least 1, so never zero).
template <class T>
inline void ZELBasicQtn3D<T>::setRotate(ZELBasicRotate3D<T> const& R) noexcept {
    using zel_internal::flooredRoot;
    const T* m = R.m_;  // m[3c + r] is R(r, c)
    const T t = (m[0] + m[4]) + m[8];
    const T c = (T(1) - t) * T(0.25);
    const T S = std::abs((t + T(1)) * T(0.25));
    const T X = std::abs(m[0] * T(0.5) + c);
    const T Y = std::abs(m[4] * T(0.5) + c);
    const T Z = std::abs(m[8] * T(0.5) + c);
    T s, ax, ay, az;
    zel_internal::flooredRoots(S, X, s, ax);
    zel_internal::flooredRoots(Y, Z, ay, az);
    T x, y, z;
    if (ax >= ay && ax >= az) {
        x = signed_(m[5] - m[7], ax);
        y = signed_((m[3] + m[1]) * x, ay);
        z = signed_((m[6] + m[2]) * x, az);
    } else if (ay >= az && ay >= ax) {
        y = signed_(m[6] - m[2], ay);
        z = signed_((m[7] + m[5]) * y, az);
        x = signed_((m[3] + m[1]) * y, ax);
    } else {
        z = signed_(m[1] - m[3], az);
        x = signed_((m[6] + m[2]) * z, ax);
        y = signed_((m[7] + m[5]) * z, ay);
    }
    const T n = flooredRoot(((X + S) + Y) + Z);
    zel_internal::divideFour(n, s, x, y, z);
    s_ = s;
    v_[0] = x;
    v_[1] = y;
    v_[2] = z;
}

/// Four times the squares of s, x, y, z from the diagonal; the largest (ties: s, x, y, z) is
/// rooted, and the other three are the off-diagonal differences (for s) and sums divided by four
/// times it. The sign makes s >= 0, and a last division by the norm makes the result unit.
template <class T>
inline void ZELBasicQtn3D<T>::setRotateAccurate(ZELBasicRotate3D<T> const& R) noexcept {
    using std::sqrt;
    const T* m = R.m_;  // m[3c + r] is R(r, c)
    const T d[4] = {(T(1) + m[0]) + (m[4] + m[8]), (T(1) + m[0]) - (m[4] + m[8]),
                    (T(1) - m[0]) + (m[4] - m[8]), (T(1) - m[0]) - (m[4] - m[8])};
    const T sx = m[5] - m[7], sy = m[6] - m[2], sz = m[1] - m[3];  // 4sx, 4sy, 4sz
    const T xy = m[3] + m[1], xz = m[6] + m[2], yz = m[7] + m[5];  // 4xy, 4xz, 4yz
    int big = 0;
    for (int i = 1; i < 4; ++i) {
        if (d[i] > d[big]) big = i;
    }
    const T q = sqrt(d[big]) * T(0.5);
    const T w = T(4) * q;
    T c[4];  // s, x, y, z
    switch (big) {
        case 0: c[0] = q, c[1] = sx / w, c[2] = sy / w, c[3] = sz / w; break;
        case 1: c[0] = sx / w, c[1] = q, c[2] = xy / w, c[3] = xz / w; break;
        case 2: c[0] = sy / w, c[1] = xy / w, c[2] = q, c[3] = yz / w; break;
        default: c[0] = sz / w, c[1] = xz / w, c[2] = yz / w, c[3] = q; break;
    }
    T n = sqrt(((c[0] * c[0] + c[1] * c[1]) + c[2] * c[2]) + c[3] * c[3]);
    if (c[0] < T(0)) n = -n;
    s_ = c[0] / n;
    v_[0] = c[1] / n;
    v_[1] = c[2] / n;
    v_[2] = c[3] / n;
}

template <class T>
inline ZELBasicQtn3D<T> ZELBasicRotate3D<T>::toQtn() const noexcept {
    ZELBasicQtn3D<T> q(ZELMath3D::Uninitialized);
    q.setRotate(*this);
    return q;
}

template <class T>
inline void ZELBasicRotate3D<T>::getEAA(Vector& axis, T& angle) const {
    toQtn().getEAA(axis, angle);
}

/// @}

#endif
