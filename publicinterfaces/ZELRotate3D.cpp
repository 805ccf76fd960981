#include "publicinterfaces/ZELRotate3D.h"

#include "foundation/internal/ZELConstants.h"
#include "publicinterfaces/ZELQtn3D.h"

#include <cmath>
#include <ostream>

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
void ZELBasicRotate3D<T>::set(const ZELBasicMathMatrix<T>& m, bool transposed) noexcept {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m_[3 * c + r] = transposed ? m(c, r) : m(r, c);
        }
    }
    normalize();
}

template <class T>
ZELBasicMathMatrix<T> ZELBasicRotate3D<T>::toZELBasicMathMatrix() const {
    ZELBasicMathMatrix<T> m(3, 3, ZELUninitialized);
    get(m, false);
    return m;
}

template <class T>
bool zel_internal::Rotate3DOps<T>::nearOrientation(const ZELBasicRotate3D<T>& a,
                                                   const ZELBasicRotate3D<T>& b, const T& tolAngle,
                                                   const T& tolAxis, bool relative) {
    if (tolAngle <= T(0) || tolAxis <= T(0)) return a == b;
    return Qtn3DOps<T>::nearEAA(a.toQtn(), b.toQtn(), tolAngle, tolAxis, relative);
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
    const T py = s * m[6] - c * m[7];
    const T px = c * m[4] - s * m[3];
    return ZELBasicVector3D<T>(phi, theta, atan2(py, px));
}

// |atan2(y, x)| for y = ay >= 0, within 2e-6 rad: a minimax polynomial for atan on [0, 1]
// with the usual octant reduction. Only used to decide which candidate of getRPY to compute.
template <class T>
T absAtan2Approx(const T& ay, const T& x) noexcept {
    using std::abs;
    const T ax = abs(x);
    const T hi = ax > ay ? ax : ay;
    const T lo = ax > ay ? ay : ax;
    if (!(hi > T(0))) {
        return T(0);
    }
    const T a = lo / hi;
    const T s = a * a;
    T r = a *
        (T(0.99997726) +
         s *
             (T(-0.33262347) +
              s *
                  (T(0.19354346) +
                   s * (T(-0.11643287) + s * (T(0.05265332) + s * T(-0.01172120))))));
    const T halfPi = zel_internal::kPi<T> * T(0.5);
    if (ay > ax) r = halfPi - r;
    if (x < T(0)) r = T(2) * halfPi - r;
    return r;
}

}  // namespace

template <class T>
void ZELBasicRotate3D<T>::getRPY(T& roll, T& pitch, T& yaw) const noexcept {
    using std::abs;
    using std::atan2;
    using std::sqrt;
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
    // The two candidates are (phi, theta, psi) and, up to rounding, (phi -+ pi, +-pi - theta,
    // psi -+ pi), so the difference of their squared norms is 3 pi^2 - 2 pi (|phi| + |theta| +
    // |psi|): the second one is the smaller exactly when the first one's L1 norm exceeds
    // 3 pi / 2. For a matrix near a rotation (bounded entries, yaw arguments of unit size) the
    // winner is therefore known before either candidate is computed, unless that norm lies
    // within `margin` of 3 pi / 2:
    // - when |phi| and |psi| are both below pi/2 (positive cosines) the first one wins;
    // - otherwise a cheap estimate of the norm, good to 1e-5, decides.
    // Near the tie, or for anything unusual (NaN included), both candidates are computed and
    // compared as they stand. Either way the result is the one of the plain rule, to the bit.
    const T pivot = T(1.5) * zel_internal::kPi<T>;
    const T margin = T(1e-4);
    // (py, px) are h times the arguments of the first candidate's yaw arctangent.
    const T hh = m[0] * m[0] + m[1] * m[1];
    const T py = m[1] * m[6] - m[0] * m[7];
    const T px = m[0] * m[4] - m[1] * m[3];
    const T pa = abs(py) + abs(px);
    const T rowArgs = abs(m[3]) + abs(m[4]) + abs(m[6]) + abs(m[7]);
    const bool wellConditioned = pa * pa >= T(0.25) * hh && hh <= T(64) && rowArgs <= T(8);
    enum { Undecided, First, Second } winner = Undecided;
    if (wellConditioned) {
        if (m[0] > T(1e-3) * (abs(m[0]) + abs(m[1])) && px > T(1e-3) * pa) {
            winner = First;
        } else {
            const T h = sqrt(hh);
            const T l1 = absAtan2Approx(abs(m[1]), m[0]) + absAtan2Approx(abs(m[2]), h) +
                absAtan2Approx(abs(py), px);
            if (l1 <= pivot - margin) {
                winner = First;
            } else if (l1 >= pivot + margin) {
                winner = Second;
            }
        }
    }
    if (winner != Undecided) {
        const Vector best = winner == First ? rpyCandidate(m, atan2(m[1], m[0]))
                                            : rpyCandidate(m, atan2(-m[1], -m[0]));
        roll = best[0];
        pitch = best[1];
        yaw = best[2];
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
    ZELMath3D::AxisType k[3];
    e.getAxes(k[0], k[1], k[2]);
    for (ZELMath3D::AxisType axis : k) {
        if (!zel_internal::checkAxis(axis, zel_internal::kRotateEulerAxis)) return;
    }
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

template <class T>
void ZELBasicRotate3D<T>::getEAA(Vector& axis, T& angle) const {
    toQtn().getEAA(axis, angle);
}

template class ZELBasicRotate3D<double>;
template struct zel_internal::Rotate3DOps<double>;
