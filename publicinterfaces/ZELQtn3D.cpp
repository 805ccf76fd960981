#include "publicinterfaces/ZELQtn3D.h"

#include "publicinterfaces/ZELMathVector.h"

#include <ostream>

template <class T>
const ZELBasicQtn3D<T> ZELBasicQtn3D<T>::Identity(T(1), T(0), T(0), T(0));
template <class T>
const T ZELBasicQtn3D<T>::Tolerance = T(100) * scl_numeric_limits<T>::epsilon();

template <class T>
void ZELBasicQtn3D<T>::squad(ZELBasicQtn3D& out, T const& t, ZELBasicQtn3D const& p, ZELBasicQtn3D const& a,
                             ZELBasicQtn3D const& b, ZELBasicQtn3D const& q) {
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
void ZELBasicQtn3D<T>::EAAInterp(ZELBasicQtn3D& out, T t, ZELBasicQtn3D const& q0, ZELBasicQtn3D const& q1) {
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
    if (phi != T(0) && ZELL2Norm(u) > scl_numeric_limits<T>::epsilon())
        r.setEAA(u, phi);
    multiply(out, q0, r);
}

namespace {

template <class T>
const T& largerOf(const T& a, const T& b) {
    return b > a ? b : a;
}

}  // namespace

template <class T>
bool ZELNearAbs(ZELBasicQtn3D<T> const& a, ZELBasicQtn3D<T> const& b,
                typename ZELBasicQtn3D<T>::value_type const& tolAngle, typename ZELBasicQtn3D<T>::value_type const& tolAxis) {
    if (tolAngle <= T(0) || tolAxis <= T(0))
        return a == b;
    ZELBasicVector3D<T> ua(ZELMath3D::Uninitialized), ub(ZELMath3D::Uninitialized);
    T ta, tb;
    a.getEAA(ua, ta);
    b.getEAA(ub, tb);
    if (!(tolAngle >= std::abs(ta - tb)))
        return false;
    return ZELNearAbs(ua, ub, tolAxis);
}

template <class T>
bool ZELNearRel(ZELBasicQtn3D<T> const& a, ZELBasicQtn3D<T> const& b,
                typename ZELBasicQtn3D<T>::value_type const& tolAngle, typename ZELBasicQtn3D<T>::value_type const& tolAxis) {
    if (tolAngle <= T(0) || tolAxis <= T(0))
        return a == b;
    ZELBasicVector3D<T> ua(ZELMath3D::Uninitialized), ub(ZELMath3D::Uninitialized);
    T ta, tb;
    a.getEAA(ua, ta);
    b.getEAA(ub, tb);
    if (!(tolAngle * largerOf(std::abs(ta), std::abs(tb)) >= std::abs(ta - tb)))
        return false;
    return ZELNearRel(ua, ub, tolAxis);
}

template <class T>
std::ostream& operator<<(std::ostream& os, ZELBasicQtn3D<T> const& q) {
    T s;
    ZELBasicVector3D<T> v(ZELMath3D::Uninitialized);
    q.get(s, v);
    ZELBasicMathVector<T> m(4, T(0));
    m[0] = s;
    m[1] = v[0];
    m[2] = v[1];
    m[3] = v[2];
    return os << m;
}

// ---- the rotation matrix's side of the matrix-quaternion pair ------------------------------------

template <class T>
ZELBasicQtn3D<T> ZELBasicRotate3D<T>::toQtn() const {
    ZELBasicQtn3D<T> q(ZELMath3D::Uninitialized);
    q.setRotate(*this);
    return q;
}

template <class T>
void ZELBasicRotate3D<T>::getEAA(ZELBasicVector3D<T>& axis, T& angle) const {
    ZELBasicQtn3D<T> q(ZELMath3D::Uninitialized);
    q.setRotate(*this);
    q.getEAA(axis, angle);
}

template <class T>
bool ZELNearAbs(ZELBasicRotate3D<T> const& a, ZELBasicRotate3D<T> const& b,
                typename ZELBasicRotate3D<T>::value_type const& tolAngle,
                typename ZELBasicRotate3D<T>::value_type const& tolAxis) {
    if (tolAngle <= T(0) || tolAxis <= T(0))
        return a == b;
    return ZELNearAbs(a.toQtn(), b.toQtn(), tolAngle, tolAxis);
}

template <class T>
bool ZELNearRel(ZELBasicRotate3D<T> const& a, ZELBasicRotate3D<T> const& b,
                typename ZELBasicRotate3D<T>::value_type const& tolAngle,
                typename ZELBasicRotate3D<T>::value_type const& tolAxis) {
    if (tolAngle <= T(0) || tolAxis <= T(0))
        return a == b;
    return ZELNearRel(a.toQtn(), b.toQtn(), tolAngle, tolAxis);
}

template class ZELBasicQtn3D<double>;
template ZELMATH_EXPORT bool ZELNearAbs<double>(ZELBasicQtn3D<double> const&, ZELBasicQtn3D<double> const&,
                                                double const&, double const&);
template ZELMATH_EXPORT bool ZELNearRel<double>(ZELBasicQtn3D<double> const&, ZELBasicQtn3D<double> const&,
                                                double const&, double const&);
template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, ZELBasicQtn3D<double> const&);

template ZELMATH_EXPORT ZELBasicQtn3D<double> ZELBasicRotate3D<double>::toQtn() const;
template ZELMATH_EXPORT void ZELBasicRotate3D<double>::getEAA(ZELBasicVector3D<double>&, double&) const;
template ZELMATH_EXPORT bool ZELNearAbs<double>(ZELBasicRotate3D<double> const&, ZELBasicRotate3D<double> const&,
                                                double const&, double const&);
template ZELMATH_EXPORT bool ZELNearRel<double>(ZELBasicRotate3D<double> const&, ZELBasicRotate3D<double> const&,
                                                double const&, double const&);
