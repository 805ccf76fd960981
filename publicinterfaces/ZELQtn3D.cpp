#include "publicinterfaces/ZELQtn3D.h"

#include "publicinterfaces/ZELMathVector.h"

#include <ostream>

template <class T>
void ZELBasicQtn3D<T>::squad(ZELBasicQtn3D& out, T const& t, ZELBasicQtn3D const& p,
                             ZELBasicQtn3D const& a, ZELBasicQtn3D const& b,
                             ZELBasicQtn3D const& q) {
    if (t <= T(0)) {
        out = p;
        return;
    }
    if (t >= T(1)) {
        out = q;
        return;
    }
    ZELBasicQtn3D A(ZELMath3D::Uninitialized), B(ZELMath3D::Uninitialized);
    slerp(A, t, p, q);
    slerp(B, t, a, b);
    slerp(out, T(2) * t * (T(1) - t), A, B);
}

template <class T>
void ZELBasicQtn3D<T>::EAAInterp(ZELBasicQtn3D& out, T t, ZELBasicQtn3D const& q0,
                                 ZELBasicQtn3D const& q1) {
    if (t < T(0))
        t = T(0);
    else if (t > T(1))
        t = T(1);
    // The relative rotation q̄0·q1 as an axis and an angle in [0, π]: the shorter way.
    ZELBasicQtn3D d(q0);
    d.conjugate();
    d.postMultiply(q1);
    ZELBasicVector3D<T> u(ZELMath3D::Uninitialized);
    T theta;
    axisAngle(d.s_, d.v_, u, theta);
    const T phi = theta * t;
    ZELBasicQtn3D r;
    // A relative axis too short to normalise comes only from zero inputs: keep r the identity.
    if (phi != T(0) && ZELL2Norm(u) > scl_numeric_limits<T>::epsilon()) r.setEAA(u, phi);
    multiply(out, q0, r);
}

template <class T>
bool zel_internal::Qtn3DOps<T>::nearEAA(const ZELBasicQtn3D<T>& a, const ZELBasicQtn3D<T>& b,
                                        const T& tolAngle, const T& tolAxis, bool relative) {
    ZELBasicVector3D<T> ua(ZELMath3D::Uninitialized), ub(ZELMath3D::Uninitialized);
    T ta, tb;
    a.getEAA(ua, ta);
    b.getEAA(ub, tb);
    const auto never = [] { return false; };  // both tolerances are positive here
    const auto angleGap = [&] { return std::abs(ta - tb); };
    if (relative) {
        return zel_internal::nearRel(
                   tolAngle, never, angleGap, [&] { return std::abs(ta); },
                   [&] { return std::abs(tb); }) &&
            ZELNearRel(ua, ub, tolAxis);
    }
    return zel_internal::nearAbs(tolAngle, never, angleGap) && ZELNearAbs(ua, ub, tolAxis);
}

template class ZELBasicQtn3D<double>;
template struct zel_internal::Qtn3DOps<double>;
