/// \class ZELBasicQtn3D
/// ZELBasicQtn3D<T>: a quaternion s + x·i + y·j + z·k used for orientations.
///
/// A unit quaternion (s, v) with s = cos(θ/2) and v = sin(θ/2)·u stands for the right-handed
/// rotation by θ about the unit axis u; q and −q stand for the same rotation. The four scalars
/// are stored in the order s, x, y, z.
///
/// Unit length is enforced only by `set(s, v)` and `normalize()`; every other operation takes the
/// value as it is, and the conversions and vector rotations assume a unit quaternion.
///
/// Algebra. The Hamilton product is
///   (a·b).s = a.s·b.s − a.v·b.v,   (a·b).v = a.s·b.v + b.s·a.v + a.v × b.v.
/// `a / b` is a·b̄ (the conjugate, no division by |b|²). `conjugate()` and `invert()` change the
/// quaternion and return a copy of the new value; `negate()` negates in place, unary minus
/// returns a negated copy. Every product form (the static `multiply`, the operators,
/// `preMultiply`, `postMultiply`, `rotate`) forms its result in locals before it stores it, so
/// an operand may be the result object, including `*this`.
///
/// Norms. `norm()`/`ZELL2Norm` is √(s² + x² + y² + z²); `ZELL1Norm` is √(s² + (|x|+|y|+|z|)²) and
/// `ZELLinfNorm` √(s² + max(|x|,|y|,|z|)²). A sum under the root below 1e-20 gives exactly 0, so
/// a quaternion of norm 1e-11 counts as zero. `normalize()` throws `ZELENumericError`
/// ("Zero length quaternion") when the norm is not above `Tolerance` (100 × machine epsilon) and
/// leaves the value unchanged.
///
/// Conversions. `getRotate` writes the matrix with diagonal 2s² − 1 + 2x² (assumes unit length).
/// `setRotate` takes the four magnitudes |s|, |x|, |y|, |z| from the diagonal, each as a square
/// root of a combination of diagonal entries, and their signs from the off-diagonal sums, the
/// largest of |x|, |y|, |z| choosing the reference sign (ties: x, then y, then z); the result has
/// s ≥ 0. Because every magnitude is the root of a difference, a component that should be
/// small carries an error near √ε ≈ 1e-8: the angle of a rotation below about 1e-6 rad, or the
/// distance of a rotation from a half turn, comes back only to about 1e-8 rad. The
/// near-comparisons of rotation matrices convert through `setRotate` and therefore cannot honour
/// tolerances much below that.
/// `setRotateAccurate` (an addition beside `setRotate`) takes only the largest of the four
/// components from the diagonal and divides the off-diagonal sums and differences by it, so
/// every component keeps full precision: the angle between its result and the exact quaternion
/// of R is a few units in the last place at every angle. Use it to read small rotations, or
/// rotations near a half turn, out of a matrix; `setRotate` gives the long-established bits.
/// `getEAA` returns a unit axis and an angle in [0, π]: the sign of s is folded into the axis; s
/// exactly 0 gives the vector part unchanged (not normalised) and π; a vector part not longer
/// than ε gives the axis (0, 0, 1) and 0.
/// RPY, NSA and Euler conversions go through a rotation matrix.
///
/// Near-comparison. `ZELNearAbs(a, b, tolAngle, tolAxis)` compares the equivalent angles with
/// tolAngle and then the equivalent axes with the 3-vector `ZELNearAbs` and tolAxis;
/// `ZELNearRel` uses tolAngle·max(θa, θb) and the 3-vector `ZELNearRel`. q and −q compare near
/// (for s ≠ 0). Either tolerance ≤ 0 means exact equality.
///
/// Frame-relative rotation. `rotate(r, WorldFrame)` makes this r·this (about the fixed axes),
/// `rotate(r, LocalFrame)` this·r (about the quaternion's own axes). An invalid frame calls the
/// assertion hook with "Invalid reference frame." and leaves the quaternion unchanged.
/// `setCAA` with an invalid axis (and a non-zero angle) asserts "Invalid rotation axis" after
/// it has stored the scalar part; the vector part keeps its old value. `rotate(k, angle, f)`
/// (after the frame) and `setEuler` (all three axes) also assert "Invalid rotation axis" for an
/// invalid axis, and leave the quaternion unchanged.
/// `setEAA` with a non-zero angle and an axis not longer than ε throws `ZELEZeroVector`
/// after it has stored the axis in the vector part (the scalar part is unchanged).
///
/// Interpolation (t from 0 to 1; out may be any of the inputs):
/// - `slerp` blends the four components as given: it never flips a sign, so between q0 and a
///   q1 with q0·q1 < 0 it takes the longer way round. When sin θ < ε (θ = acos(q0·q1)) it blends
///   linearly, so slerp between q and −q at t = 0.5 is the zero quaternion. The result is not
///   normalised. t ≤ 0 and t ≥ 1 return copies of q0 and q1.
/// - `squad(t, p, a, b, q)` = slerp(2t(1−t), slerp(t, p, q), slerp(t, a, b)) with the inner
///   control quaternions a and b supplied by the caller.
/// - `EAAInterp` turns q0 by the fraction t (clamped to [0, 1]) of the relative rotation q̄0·q1,
///   always the shorter way (at most π); at t = 1 it gives q1 or −q1. It never throws: a zero
///   relative axis (possible only for zero inputs) makes the increment the identity. A static
///   form returning the result by value gives the same bits.
#ifndef ZELMATH_PUBLICINTERFACES_ZELQTN3D_H
#define ZELMATH_PUBLICINTERFACES_ZELQTN3D_H

/// \addtogroup geometry
/// @{

#include "ZELMathExport.h"
#include "foundation/ZELException.h"
#include "foundation/internal/ZELConstants.h"
#include "foundation/internal/ZELSimdPair.h"
#include "foundation/scl_numeric_limits.h"
#include "publicinterfaces/ZELCleanSinCos.h"
#include "publicinterfaces/ZELEuler3D.h"
#include "publicinterfaces/ZELMath3D.h"
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/ZELVector3D.h"
#include "publicinterfaces/internal/ZELFrameDispatch.h"
#include "publicinterfaces/internal/ZELGeometryOps.h"
#include "publicinterfaces/internal/ZELGeometryReportSites.h"
#include "publicinterfaces/internal/ZELRotationStorage.h"

#include <cmath>
#include <iosfwd>
#include <type_traits>

template <class T>
class ZELMATH_EXPORT ZELBasicQtn3D : public ZELMath3D {
public:
    using value_type = T;

    /// The identity rotation (1, 0, 0, 0).
    static const ZELBasicQtn3D Identity;
    /// 100 × machine epsilon: `normalize` refuses a norm that is not above it.
    static const T Tolerance;

    /// \name Construction and access
    /// @{

    constexpr ZELBasicQtn3D() noexcept : ZELMath3D(), s_(T(1)), v_() {}
    explicit ZELBasicQtn3D(ZELMath3D::UninitializedType u) noexcept : ZELMath3D(u), v_(u) {}
    /// Stores the four scalars as given, without normalising.
    constexpr ZELBasicQtn3D(T const& s, T const& x, T const& y, T const& z) noexcept
        : ZELMath3D(), s_(s), v_(x, y, z) {}
    constexpr ZELBasicQtn3D(ZELBasicQtn3D const&) noexcept = default;
    ZELBasicQtn3D& operator=(ZELBasicQtn3D const&) noexcept = default;
    ~ZELBasicQtn3D() = default;

    /// Copies the scalar and the vector part out.
    void get(T& s, ZELBasicVector3D<T>& v) const {
        s = s_;
        v = v_;
    }
    /// The scalar part s.
    constexpr T s() const noexcept { return s_; }
    /// A copy of the vector part (x, y, z).
    ZELBasicVector3D<T> v() const noexcept { return v_; }
    /// Stores s and v, then normalises; on a zero norm the values stay stored and it throws.
    void set(T const& s, ZELBasicVector3D<T> const& v) {
        s_ = s;
        v_ = v;
        normalize();
    }
    void swap(ZELBasicQtn3D& q) noexcept {
        ZELBasicQtn3D tmp(q);
        q = *this;
        *this = tmp;
    }

    /// @}
    /// \name Algebra
    /// @{

    /// r = a·b. r may be a or b.
    static void multiply(ZELBasicQtn3D& r, ZELBasicQtn3D const& a,
                         ZELBasicQtn3D const& b) noexcept {
        const T as = a.s_, ax = a.v_[0], ay = a.v_[1], az = a.v_[2];
        const T bs = b.s_, bx = b.v_[0], by = b.v_[1], bz = b.v_[2];
        if constexpr (std::is_same<T, double>::value) {
            // Lane by lane the same operations in the same order as the scalar form below: the
            // pair (x, y) and the pair (z, x), whose second lane is not used; the two products
            // ax*bx and ay*by of s form a third pair.
            using namespace zel_internal;
            const Pair axy = loadPair(&a.v_[0]), ayz = loadPair(&a.v_[1]);
            const Pair bxy = loadPair(&b.v_[0]), byz = loadPair(&b.v_[1]);
            const Pair azx = Pair{az, ax}, bzx = Pair{bz, bx};
            const Pair sa = splatPair(as), sb = splatPair(bs);
            const Pair xy = (sa * bxy + sb * axy) + (ayz * bzx - azx * byz);
            const Pair zx = (sa * bzx + sb * azx) + (axy * byz - ayz * bxy);
            const Pair d = axy * bxy;
            r.s_ = as * bs - ((d[0] + d[1]) + az * bz);
            storePair(&r.v_[0], xy);
            r.v_[2] = zx[0];
        } else {
            const T s = as * bs - (ax * bx + ay * by + az * bz);
            const T x = (as * bx + bs * ax) + (ay * bz - az * by);
            const T y = (as * by + bs * ay) + (az * bx - ax * bz);
            const T z = (as * bz + bs * az) + (ax * by - ay * bx);
            r.s_ = s;
            r.v_[0] = x;
            r.v_[1] = y;
            r.v_[2] = z;
        }
    }
    /// this = this·b; b may be *this.
    ZELBasicQtn3D& operator*=(ZELBasicQtn3D const& b) noexcept {
        multiply(*this, *this, b);
        return *this;
    }
    /// this = this·b̄; b may be *this.
    ZELBasicQtn3D& operator/=(ZELBasicQtn3D const& b) noexcept {
        multiply(*this, *this, ZELBasicQtn3D(b.s_, -b.v_[0], -b.v_[1], -b.v_[2]));
        return *this;
    }
    /// this = this·b and this = a·this.
    void postMultiply(ZELBasicQtn3D const& b) noexcept { multiply(*this, *this, b); }
    void preMultiply(ZELBasicQtn3D const& a) noexcept { multiply(*this, a, *this); }

    /// Both replace v by −v in this quaternion and return a copy of the new value.
    ZELBasicQtn3D conjugate() noexcept {
        v_ = -v_;
        return *this;
    }
    ZELBasicQtn3D invert() noexcept { return conjugate(); }
    /// All four scalars negated in place; unary minus returns a negated copy instead.
    void negate() noexcept {
        s_ = -s_;
        v_ = -v_;
    }
    ZELBasicQtn3D operator-() const noexcept { return ZELBasicQtn3D(-s_, -v_[0], -v_[1], -v_[2]); }
    /// s·s' + x·x' + y·y' + z·z'.
    T dot(ZELBasicQtn3D const& q) const noexcept {
        return s_ * q.s_ + v_[0] * q.v_[0] + v_[1] * q.v_[1] + v_[2] * q.v_[2];
    }

    /// @}
    /// \name Norms
    /// @{

    /// sqrt(s^2 + x^2 + y^2 + z^2); 0 when the sum is below 1e-20.
    T norm() const noexcept {
        return zel_internal::flooredRoot(s_ * s_ + v_[0] * v_[0] + v_[1] * v_[1] + v_[2] * v_[2]);
    }
    /// Divides by the norm; throws ZELENumericError ("Zero length quaternion") when the norm is
    /// not above Tolerance, leaving the value unchanged.
    void normalize() {
        const T n = norm();
        if (n <= Tolerance) zel_internal::raise<ZELENumericError>(zel_internal::kQtnZeroLength);
        s_ = s_ / n;
        v_[0] = v_[0] / n;
        v_[1] = v_[1] / n;
        v_[2] = v_[2] / n;
    }

    /// @}
    /// \name Rotation matrix and equivalent axis and angle
    /// @{

    /// Writes the rotation matrix of this (unit) quaternion into R (diagonal 2s² − 1 + 2x²).
    void getRotate(ZELBasicRotate3D<T>& R) const noexcept;
    /// Sets this quaternion (s ≥ 0) from a rotation matrix: magnitudes from the diagonal, signs
    /// from the off-diagonal sums (see the header comment for its precision near 0 and π).
    void setRotate(ZELBasicRotate3D<T> const& R) noexcept;
    /// Sets this quaternion (s ≥ 0, unit length) from a rotation matrix to full precision at
    /// every angle: the largest component from the diagonal, the others from the off-diagonal
    /// sums divided by it.
    void setRotateAccurate(ZELBasicRotate3D<T> const& R) noexcept;
    /// A unit axis and an angle in [0, π] (see the header comment for the special cases).
    void getEAA(ZELBasicVector3D<T>& axis, T& angle) const { axisAngle(s_, v_, axis, angle); }

    /// @}
    /// \name Other orientation forms
    /// @{

    /// The rotation by angle about axis (normalised first): (cos(angle/2), sin(angle/2)·u) with
    /// the cleaned sine and cosine. A zero angle gives the identity without reading the axis;
    /// otherwise an axis not longer than ε throws ZELEZeroVector after being stored in v.
    void setEAA(ZELBasicVector3D<T> const& axis, T const& angle) {
        if (angle == T(0)) {
            setIdentity();
            return;
        }
        v_ = axis;
        v_.normalize();
        T sn, cs;
        ZELCleanSinCos(angle * T(0.5), sn, cs);
        v_[0] = v_[0] * sn;
        v_[1] = v_[1] * sn;
        v_[2] = v_[2] * sn;
        s_ = cs;
    }
    /// The rotation by angle about coordinate axis k. A zero angle gives the identity without
    /// reading k; an invalid k is reported after s is stored (v keeps its value).
    void setCAA(ZELMath3D::AxisType k, T const& angle) {
        if (angle == T(0)) {
            setIdentity();
            return;
        }
        T sn, cs;
        ZELCleanSinCos(angle * T(0.5), sn, cs);
        s_ = cs;
        switch (k) {
            case ZELMath3D::XAxis: v_ = ZELBasicVector3D<T>(sn, T(0), T(0)); break;
            case ZELMath3D::YAxis: v_ = ZELBasicVector3D<T>(T(0), sn, T(0)); break;
            case ZELMath3D::ZAxis: v_ = ZELBasicVector3D<T>(T(0), T(0), sn); break;
            default: zel_internal::checkAxis(k, zel_internal::kQtnCAAAxis); break;
        }
    }
    /// Roll, pitch and yaw through getRotate and the rotation's getRPY.
    void getRPY(T& roll, T& pitch, T& yaw) const {
        ZELBasicRotate3D<T> R(ZELMath3D::Uninitialized);
        getRotate(R);
        R.getRPY(roll, pitch, yaw);
    }
    /// The rotation's setRPY, then setRotate.
    void setRPY(T const& roll, T const& pitch, T const& yaw) {
        ZELBasicRotate3D<T> R;
        R.setRPY(roll, pitch, yaw);
        setRotate(R);
    }
    /// The columns N, S, A of getRotate.
    void getNSA(ZELBasicVector3D<T>& n, ZELBasicVector3D<T>& s, ZELBasicVector3D<T>& a) const {
        ZELBasicRotate3D<T> R(ZELMath3D::Uninitialized);
        getRotate(R);
        R.getNSA(n, s, a);
    }
    /// The rotation's setNSA (which re-orthonormalises), then setRotate.
    void setNSA(ZELBasicVector3D<T> const& n, ZELBasicVector3D<T> const& s,
                ZELBasicVector3D<T> const& a) {
        ZELBasicRotate3D<T> R;
        R.setNSA(n, s, a);
        setRotate(R);
    }
    /// Through a rotation matrix; an invalid axis in the triple is reported and changes nothing.
    void setEuler(ZELBasicEuler3D<T> const& e) {
        ZELMath3D::AxisType k[3];
        e.getAxes(k[0], k[1], k[2]);
        for (ZELMath3D::AxisType axis : k) {
            if (!zel_internal::checkAxis(axis, zel_internal::kQtnEulerAxis)) return;
        }
        ZELBasicRotate3D<T> R;
        R.setEuler(e);
        setRotate(R);
    }

    /// @}
    /// \name Rotating vectors
    /// @{

    /// w becomes q·(0, w)·q̄, computed as w + 2·(s·t + v × t) with t = v × w.
    void rotateVec(ZELBasicVector3D<T>& w) const noexcept { multiply(w, *this, w); }
    /// out = w rotated by q; out may be w.
    static void multiply(ZELBasicVector3D<T>& out, ZELBasicQtn3D const& q,
                         ZELBasicVector3D<T> const& w) noexcept {
        const T s = q.s_, x = q.v_[0], y = q.v_[1], z = q.v_[2];
        const T wx = w[0], wy = w[1], wz = w[2];
        const T tx = y * wz - z * wy;
        const T ty = z * wx - x * wz;
        const T tz = x * wy - y * wx;
        const T rx = wx + T(2) * (s * tx + (y * tz - z * ty));
        const T ry = wy + T(2) * (s * ty + (z * tx - x * tz));
        const T rz = wz + T(2) * (s * tz + (x * ty - y * tx));
        out[0] = rx;
        out[1] = ry;
        out[2] = rz;
    }

    /// @}
    /// \name Rotation relative to a frame
    /// @{

    /// WorldFrame: this = r·this; LocalFrame: this = this·r.
    void rotate(ZELBasicQtn3D const& r, ZELMath3D::ReferenceFrame f) {
        zel_internal::dispatchFrame(
            f, zel_internal::kQtnComposeFrame, [&] { multiply(*this, r, *this); },
            [&] { multiply(*this, *this, r); });
    }
    /// r = the rotation by angle about axis (throws for a zero axis before the frame is read).
    void rotate(ZELBasicVector3D<T> const& axis, T const& angle, ZELMath3D::ReferenceFrame f) {
        ZELBasicQtn3D r(ZELMath3D::Uninitialized);
        r.setEAA(axis, angle);
        rotate(r, f);
    }
    /// The rotation by angle about coordinate axis k, worked out in place. The frame is checked
    /// first, then the axis.
    void rotate(ZELMath3D::AxisType k, T const& angle, ZELMath3D::ReferenceFrame f) {
        if (!zel_internal::checkFrame(f, zel_internal::kQtnTurnFrame) ||
            !zel_internal::checkAxis(k, zel_internal::kQtnTurnAxis))
            return;
        T sn, cs;
        ZELCleanSinCos(angle * T(0.5), sn, cs);
        const int kk = static_cast<int>(k);
        const int i = (kk + 1) % 3, j = (kk + 2) % 3;
        const ZELBasicVector3D<T> v = v_;
        const T s = s_;
        s_ = cs * s - sn * v[kk];
        v_[0] = cs * v[0];
        v_[1] = cs * v[1];
        v_[2] = cs * v[2];
        v_[kk] = v_[kk] + sn * s;
        if (f == ZELMath3D::WorldFrame) {
            v_[j] = v_[j] + sn * v[i];
            v_[i] = v_[i] - sn * v[j];
        } else {
            v_[i] = v_[i] + sn * v[j];
            v_[j] = v_[j] - sn * v[i];
        }
    }

    /// @}
    /// \name Interpolation
    /// @{

    /// Spherical linear interpolation of the four components as given (no sign flip, no
    /// normalisation); t <= 0 and t >= 1 copy q0 and q1.
    static void slerp(ZELBasicQtn3D& out, T const& t, ZELBasicQtn3D const& q0,
                      ZELBasicQtn3D const& q1) {
        if (t <= T(0)) {
            out = q0;
            return;
        }
        if (t >= T(1)) {
            out = q1;
            return;
        }
        T d = q0.dot(q1);
        if (d < T(-1))
            d = T(-1);
        else if (d > T(1))
            d = T(1);
        const T theta = std::acos(d);
        const T sigma = std::sin(theta);
        T w0, w1;
        if (sigma < scl_numeric_limits<T>::epsilon()) {
            w0 = T(1) - t;
            w1 = t;
        } else {
            w0 = std::sin((T(1) - t) * theta) / sigma;
            w1 = std::sin(t * theta) / sigma;
        }
        out.s_ = w0 * q0.s_ + w1 * q1.s_;
        out.v_[0] = w0 * q0.v_[0] + w1 * q1.v_[0];
        out.v_[1] = w0 * q0.v_[1] + w1 * q1.v_[1];
        out.v_[2] = w0 * q0.v_[2] + w1 * q1.v_[2];
    }
    /// slerp(2t(1 − t), slerp(t, p, q), slerp(t, a, b)); the inner controls a, b come from the caller.
    static void squad(ZELBasicQtn3D& out, T const& t, ZELBasicQtn3D const& p,
                      ZELBasicQtn3D const& a, ZELBasicQtn3D const& b, ZELBasicQtn3D const& q);
    /// q0 turned by the fraction t (clamped to [0, 1]) of the shorter relative rotation q̄0·q1.
    static void EAAInterp(ZELBasicQtn3D& out, T t, ZELBasicQtn3D const& q0,
                          ZELBasicQtn3D const& q1);
    /// The same interpolation returned by value (the same bits).
    static ZELBasicQtn3D EAAInterp(T const& t, ZELBasicQtn3D const& q0, ZELBasicQtn3D const& q1) {
        ZELBasicQtn3D out(ZELMath3D::Uninitialized);
        EAAInterp(out, t, q0, q1);
        return out;
    }

    /// @}
    /// \name Comparison
    /// @{

    friend bool operator==(ZELBasicQtn3D const& a, ZELBasicQtn3D const& b) noexcept {
        return a.s_ == b.s_ && a.v_ == b.v_;
    }
    friend bool operator!=(ZELBasicQtn3D const& a, ZELBasicQtn3D const& b) noexcept {
        return !(a == b);
    }

    /// @}
private:
    /// |m| with the sign of d (zero and NaN count as positive).
    static T signed_(T const& d, T const& m) noexcept { return d < T(0) ? -m : m; }
    void setIdentity() noexcept {
        s_ = T(1);
        v_ = ZELBasicVector3D<T>(T(0), T(0), T(0));
    }
    /// Equivalent axis and angle of the quaternion (s, v).
    static void axisAngle(T const& s, ZELBasicVector3D<T> const& v, ZELBasicVector3D<T>& axis,
                          T& angle) {
        if (s == T(0)) {
            axis = v;
            angle = zel_internal::kPi<T>;
            return;
        }
        axis = s < T(0) ? -v : v;
        const T m = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        if (m > scl_numeric_limits<T>::epsilon()) {
            axis[0] = axis[0] / m;
            axis[1] = axis[1] / m;
            axis[2] = axis[2] / m;
            const T a = std::abs(s);
            angle = a >= T(1) ? T(0) : T(2) * std::acos(a);
        } else {
            axis = ZELBasicVector3D<T>(T(0), T(0), T(1));
            angle = T(0);
        }
    }

    T s_;
    ZELBasicVector3D<T> v_;
};

// ---- conversions between the quaternion and the rotation matrix -------------------------------

/// The diagonal is 2s² − 1 + 2x² (and so on), which assumes a unit quaternion.
template <class T>
inline void ZELBasicQtn3D<T>::getRotate(ZELBasicRotate3D<T>& R) const noexcept {
    const T s = s_, x = v_[0], y = v_[1], z = v_[2];
    const T d = T(2) * s * s - T(1);
    T* m = zel_internal::RotationStorage::columns(R);  // m[3c + r] is R(r, c)
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
    const T* m = zel_internal::RotationStorage::columns(R);  // m[3c + r] is R(r, c)
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
    const T* m = zel_internal::RotationStorage::columns(R);  // m[3c + r] is R(r, c)
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

// ---- free functions ----------------------------------------------------------------------------
/// The Hamilton product a·b (b's rotation applied first).
template <class T>
inline ZELBasicQtn3D<T> operator*(ZELBasicQtn3D<T> const& a, ZELBasicQtn3D<T> const& b) noexcept {
    ZELBasicQtn3D<T> r(ZELMath3D::Uninitialized);
    ZELBasicQtn3D<T>::multiply(r, a, b);
    return r;
}
/// a·b̄.
template <class T>
inline ZELBasicQtn3D<T> operator/(ZELBasicQtn3D<T> const& a, ZELBasicQtn3D<T> const& b) noexcept {
    ZELBasicQtn3D<T> r(a);
    r /= b;
    return r;
}
/// w rotated by q.
template <class T>
inline ZELBasicVector3D<T> operator*(ZELBasicQtn3D<T> const& q,
                                     ZELBasicVector3D<T> const& w) noexcept {
    ZELBasicVector3D<T> r(w);
    q.rotateVec(r);
    return r;
}

template <class T>
inline T ZELL2NormSqr(ZELBasicQtn3D<T> const& q) noexcept {
    T s;
    ZELBasicVector3D<T> v(ZELMath3D::Uninitialized);
    q.get(s, v);
    return s * s + v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
}
template <class T>
inline T ZELL2Norm(ZELBasicQtn3D<T> const& q) noexcept {
    return q.norm();
}
template <class T>
inline T ZELL1Norm(ZELBasicQtn3D<T> const& q) noexcept {
    T s;
    ZELBasicVector3D<T> v(ZELMath3D::Uninitialized);
    q.get(s, v);
    const T l = std::abs(v[0]) + std::abs(v[1]) + std::abs(v[2]);
    return zel_internal::flooredRoot(s * s + l * l);
}
template <class T>
inline T ZELLinfNorm(ZELBasicQtn3D<T> const& q) noexcept {
    T s;
    ZELBasicVector3D<T> v(ZELMath3D::Uninitialized);
    q.get(s, v);
    const T m = ZELLinfNorm(v);
    return zel_internal::flooredRoot(s * s + m * m);
}

/// Near-comparison of the rotations: equivalent angles within tolAngle, then equivalent axes
/// within tolAxis (q and -q compare equal); either tolerance <= 0: exact equality.
template <class T>
inline bool ZELNearAbs(ZELBasicQtn3D<T> const& a, ZELBasicQtn3D<T> const& b,
                       typename ZELBasicQtn3D<T>::value_type const& tolAngle,
                       typename ZELBasicQtn3D<T>::value_type const& tolAxis) {
    return zel_internal::Qtn3DOps<T>::nearOrientation(a, b, tolAngle, tolAxis, false);
}
/// The relative form: the angles within tolAngle times the larger angle, the axes by the
/// 3-vector ZELNearRel.
template <class T>
inline bool ZELNearRel(ZELBasicQtn3D<T> const& a, ZELBasicQtn3D<T> const& b,
                       typename ZELBasicQtn3D<T>::value_type const& tolAngle,
                       typename ZELBasicQtn3D<T>::value_type const& tolAxis) {
    return zel_internal::Qtn3DOps<T>::nearOrientation(a, b, tolAngle, tolAxis, true);
}
/// Writes "[ s  x  y  z  ]" and a line break in the math vector's format.
template <class T>
inline std::ostream& operator<<(std::ostream& os, ZELBasicQtn3D<T> const& q) {
    const ZELBasicVector3D<T> v = q.v();
    const T m[4] = {q.s(), v[0], v[1], v[2]};
    return os << ZELBasicMathVector<T>(m, 4);
}

// The constants, defined here so that every user sees their constant initialisers.
template <class T>
const ZELBasicQtn3D<T> ZELBasicQtn3D<T>::Identity(T(1), T(0), T(0), T(0));
template <class T>
const T ZELBasicQtn3D<T>::Tolerance = T(100) * scl_numeric_limits<T>::epsilon();

using ZELQtn3D = ZELBasicQtn3D<double>;

/// @}

#endif
