#include "publicinterfaces/ZELRotate3D.h"

#include <cmath>

template <class T>
const ZELBasicRotate3D<T> ZELBasicRotate3D<T>::Identity{};
template <class T>
const T ZELBasicRotate3D<T>::ZeroTolerance = T(100) * scl_numeric_limits<T>::epsilon();
template <class T>
const T ZELBasicRotate3D<T>::DetTolerance = T(0.5);

template <class T>
void ZELBasicRotate3D<T>::set(const T* const* p, bool transposed) noexcept {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m_[3 * c + r] = transposed ? p[c][r] : p[r][c];
        }
    }
    normalize();
}

template <class T>
void ZELBasicRotate3D<T>::normalize() noexcept {
    using std::sqrt;
    const T eps = scl_numeric_limits<T>::epsilon();
    const Vector n(m_[0], m_[1], m_[2]);
    const Vector s(m_[3], m_[4], m_[5]);
    const Vector a(m_[6], m_[7], m_[8]);

    const Vector& u1 = n;
    const T l1 = ZELL2NormSqr(u1);
    if (l1 <= eps) {
        *this = Identity;
        return;
    }
    const Vector u2 = s - (ZELDot(s, u1) / l1) * u1;
    const T l2 = ZELL2NormSqr(u2);
    if (l2 <= eps) {
        *this = Identity;
        return;
    }
    const Vector u3 = a - (ZELDot(a, u1) / l1) * u1 - (ZELDot(a, u2) / l2) * u2;
    const T l3 = ZELL2NormSqr(u3);
    if (l3 <= eps) {
        *this = Identity;
        return;
    }
    const Vector c0 = u1 / sqrt(l1);
    const Vector c1 = u2 / sqrt(l2);
    const Vector c2 = u3 / sqrt(l3);
    for (int i = 0; i < 3; ++i) {
        m_[i] = c0[i];
        m_[3 + i] = c1[i];
        m_[6 + i] = c2[i];
    }
}

namespace {

// One candidate triple of getRPY for the roll angle phi.
template <class T>
ZELBasicVector3D<T> rpyCandidate(const T* m, const T& phi) noexcept {
    using std::atan2;
    T s, c;
    ZELCleanSinCos(phi, s, c);
    const T theta = atan2(-m[2], s * m[1] + c * m[0]);
    const T psi = atan2(s * m[6] - c * m[7], c * m[4] - s * m[3]);
    return ZELBasicVector3D<T>(phi, theta, psi);
}

}  // namespace

template <class T>
void ZELBasicRotate3D<T>::getRPY(T& roll, T& pitch, T& yaw) const noexcept {
    using std::abs;
    using std::atan2;
    const T tau = ZeroTolerance;
    const T* m = m_;
    if (abs(m[0]) < tau && abs(m[1]) < tau) {
        const T p = atan2(-m[2], T(0));
        const T y = atan2(-m[7], m[4]);
        roll = T(0);
        pitch = p;
        yaw = y;
        return;
    }
    const Vector first = rpyCandidate(m, atan2(m[1], m[0]));
    const Vector second = rpyCandidate(m, atan2(-m[1], -m[0]));
    const Vector& best = ZELL2NormSqr(second) < ZELL2NormSqr(first) ? second : first;
    roll = best[0];
    pitch = best[1];
    yaw = best[2];
}

template <class T>
void ZELBasicRotate3D<T>::setEuler(const ZELBasicEuler3D<T>& e) noexcept {
    *this = Identity;
    for (int i = 0; i < 3; ++i) {
        T angle;
        ZELMath3D::AxisType k;
        e.get(i, angle, k);
        if (angle == T(0)) {
            continue;
        }
        T s, c;
        ZELCleanSinCos(angle, s, c);
        const unsigned p = (static_cast<unsigned>(k) + 1u) % 3u;
        const unsigned q = (p + 1u) % 3u;
        ZELBasicRotate3D t;
        t.m_[3 * p + p] = c;
        t.m_[3 * q + q] = c;
        t.m_[3 * q + p] = -s;  // R(p, q)
        t.m_[3 * p + q] = s;   // R(q, p)
        if (i == 0) {
            *this = t;
        } else {
            postMultiply(t);
        }
    }
}

template class ZELBasicRotate3D<double>;
