/// \class ZELBasicXform3D
/// ZELBasicXform3D<T>: a rigid transform, a rotation R followed by a position p.
///
/// It stands for the homogeneous matrix [R p; 0 0 0 1] and maps a point x to R·x + p. The twelve
/// scalars are stored as the rotation (column by column: the N, S and A columns) followed by the
/// position; `get(T*)` and `set(T const*)` use that flat order.
///
/// 4 × 4 layouts: with `transposed == false` M(r, c) = R(r, c), M(r, 3) = p[r] and the last row
/// is (0, 0, 0, 1) (column vectors); with `transposed == true` it is the transpose (row vectors,
/// the position in the last row). The setters from a matrix or an array read only R and p and
/// re-orthonormalise R (the rotation's `normalize`); every other setter stores what it is given.
/// The array forms carry no size: pass twelve scalars to the flat forms and a 4 × 4 array to the
/// others. A math matrix must be at least 4 × 4.
///
/// Composition: a·b has rotation R·R' and position R·p' + p; a / b is a·b⁻¹ with rotation R·R'ᵀ
/// and position p − (R·R'ᵀ)·p'. Every product form builds its result in locals before storing
/// it, so the result may be one of the operands, including `*this`. `invert()` works in place.
///
/// Comparison: `==` compares the positions and then the rotations exactly.
/// `ZELNearAbs(a, b, tolAngle, tolAxis)` first compares the rotations by equivalent angle and axis
/// (tolAngle, tolAxis; see ZELQtn3D.h) and then the positions with tolAxis alone;
/// `ZELNearRel` does the same with the relative forms. Either tolerance ≤ 0 makes the rotation
/// comparison exact; the positions follow tolAxis alone (exact when it is ≤ 0).
///
/// Motion: `WorldFrame` applies an increment in the fixed frame the transform is expressed in
/// (from the left: rotations turn the position too), `LocalFrame` in the transform's own frame
/// (from the right: the position stays). An invalid frame calls the assertion hook with
/// "Invalid reference frame" and leaves the transform unchanged; the axis-vector form of
/// `rotate` builds its rotation first, so a zero axis with a non-zero angle throws
/// `ZELEZeroVector` before the frame is read. The coordinate-axis form of `rotate` asserts
/// "Invalid rotation axis" for an axis other than XAxis, YAxis, ZAxis (after the frame) and
/// changes nothing; `setCAA` and `setEuler` report through the rotation (ZELRotate3D.h).
///
/// Denavit-Hartenberg: `setDH(theta, d, alpha, a)` (and the four-scalar constructor) is the
/// classic link transform Rz(theta)·Tz(d)·Tx(a)·Rx(alpha):
///   [ cθ  −cα·sθ   sα·sθ  a·cθ ]
///   [ sθ   cα·cθ  −sα·cθ  a·sθ ]
///   [ 0    sα      cα     d    ]
/// with sines and cosines cleaned so that quarter and half turns are exact.
///
/// Interpolation (`slerp`, `EAAInterp`, out may be a or b): the rotations are converted to
/// quaternions (`setRotate`, so s ≥ 0 for both), interpolated with the quaternion function of the
/// same name and written back with `getRotate`; the positions are interpolated with the 3-vector
/// `lerp`. `slerp` never flips a sign: between rotations on either side of a half turn (whose
/// quaternions have a negative dot product) it goes the long way round, where `EAAInterp` takes
/// the short way.
#ifndef ZELMATH_PUBLICINTERFACES_ZELXFORM3D_H
#define ZELMATH_PUBLICINTERFACES_ZELXFORM3D_H

/// \addtogroup geometry
/// @{

#include "ZELMathExport.h"
#include "publicinterfaces/ZELEuler3D.h"
#include "publicinterfaces/ZELMath3D.h"
#include "publicinterfaces/ZELMathMatrix.h"
#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/ZELCleanSinCos.h"
#include "publicinterfaces/ZELVector3D.h"
#include "publicinterfaces/internal/ZELFrameDispatch.h"
#include "publicinterfaces/internal/ZELGeometryReportSites.h"
#include "publicinterfaces/internal/ZELRotationStorage.h"
#include "publicinterfaces/internal/ZELTransformKernel.h"

#include <iosfwd>

template <class T>
class ZELMATH_EXPORT ZELBasicXform3D : public ZELMath3D {
public:
    using value_type = T;

    /// Identity rotation, zero position.
    static const ZELBasicXform3D Identity;

    /// \name Construction
    /// @{

    constexpr ZELBasicXform3D() noexcept : ZELMath3D(), r_(), p_() {}
    explicit ZELBasicXform3D(ZELMath3D::UninitializedType u) noexcept
        : ZELMath3D(u), r_(u), p_(u) {}
    constexpr ZELBasicXform3D(ZELBasicXform3D const&) noexcept = default;
    /// Stores R and p as given.
    ZELBasicXform3D(ZELBasicRotate3D<T> const& R, ZELBasicVector3D<T> const& p) noexcept
        : ZELMath3D(), r_(R), p_(p) {}
    /// The rotation of q (its getRotate) and the position p.
    ZELBasicXform3D(ZELBasicQtn3D<T> const& q, ZELBasicVector3D<T> const& p) noexcept
        : ZELMath3D(), r_(ZELMath3D::Uninitialized), p_(p) {
        q.getRotate(r_);
    }
    ZELBasicXform3D(ZELBasicMathMatrix<T> const& m, bool transposed) : ZELMath3D(), r_(), p_() {
        set(m, transposed);
    }
    ZELBasicXform3D(T const (*a)[4], bool transposed) : ZELMath3D(), r_(), p_() {
        set(a, transposed);
    }
    /// The Denavit-Hartenberg link transform (see setDH).
    ZELBasicXform3D(T const& theta, T const& d, T const& alpha, T const& a) noexcept
        : ZELMath3D(), r_(ZELMath3D::Uninitialized), p_(ZELMath3D::Uninitialized) {
        setDH(theta, d, alpha, a);
    }
    ZELBasicXform3D& operator=(ZELBasicXform3D const&) noexcept = default;
    ~ZELBasicXform3D() = default;
    void swap(ZELBasicXform3D& x) noexcept {
        ZELBasicXform3D tmp(x);
        x = *this;
        *this = tmp;
    }

    /// @}
    /// \name Rotation
    /// @{

    /// Copy the rotation out / in, unchanged (the position is not touched).
    void getRotate(ZELBasicRotate3D<T>& R) const noexcept { R = r_; }
    /// A copy of the rotation (as getRotate).
    ZELBasicRotate3D<T> rotation() const noexcept { return r_; }
    /// The quaternion of the rotation (as getQtn).
    ZELBasicQtn3D<T> qtn() const noexcept { return r_.toQtn(); }
    void setRotate(ZELBasicRotate3D<T> const& R) noexcept { r_ = R; }
    /// The quaternion's setRotate of the rotation / its getRotate into the rotation.
    void getQtn(ZELBasicQtn3D<T>& q) const noexcept { q.setRotate(r_); }
    void setQtn(ZELBasicQtn3D<T> const& q) noexcept { q.getRotate(r_); }
    /// The rotation's operations of the same names, applied to the rotation only.
    void getNSA(ZELBasicVector3D<T>& n, ZELBasicVector3D<T>& s, ZELBasicVector3D<T>& a) const {
        r_.getNSA(n, s, a);
    }
    void setNSA(ZELBasicVector3D<T> const& n, ZELBasicVector3D<T> const& s,
                ZELBasicVector3D<T> const& a) {
        r_.setNSA(n, s, a);
    }
    void getEAA(ZELBasicVector3D<T>& axis, T& angle) const { r_.getEAA(axis, angle); }
    void setEAA(ZELBasicVector3D<T> const& axis, T const& angle) { r_.setEAA(axis, angle); }
    void setCAA(ZELMath3D::AxisType k, T const& angle) { r_.setCAA(k, angle); }
    void setEuler(ZELBasicEuler3D<T> const& e) { r_.setEuler(e); }
    void getRPY(T& roll, T& pitch, T& yaw) const { r_.getRPY(roll, pitch, yaw); }
    void setRPY(T const& roll, T const& pitch, T const& yaw) { r_.setRPY(roll, pitch, yaw); }
    void normalize() { r_.normalize(); }

    /// @}
    /// \name Position and single elements
    /// @{

    /// Copy the position out / in.
    void getPosition(ZELBasicVector3D<T>& p) const noexcept { p = p_; }
    /// A copy of the position (as getPosition).
    ZELBasicVector3D<T> position() const noexcept { return p_; }
    void setPosition(ZELBasicVector3D<T> const& p) noexcept { p_ = p; }
    /// Position component c; the first argument only selects this overload.
    T operator()(ZELMath3D::PositionIndex, ZELMath3D::CoordinateIndex c) const noexcept {
        return p_[c];
    }
    ZELBasicVector3D<T> operator()(ZELMath3D::PositionIndex) const noexcept { return p_; }
    /// Rotation column d (N, S or A), and component c of it.
    ZELBasicVector3D<T> operator()(ZELMath3D::DirectionIndex d) const noexcept { return r_(d); }
    T operator()(ZELMath3D::DirectionIndex d, ZELMath3D::CoordinateIndex c) const noexcept {
        return r_(d, c);
    }

    /// @}
    /// \name Matrices and arrays
    /// @{

    /// A new 4 × 4 math matrix in the column-vector layout.
    ZELBasicMathMatrix<T> toZELBasicMathMatrix() const;
    /// Writes the sixteen elements of m (at least 4 × 4) in the chosen layout.
    void get(ZELBasicMathMatrix<T>& m, bool transposed) const;
    /// Reads R and p from m in the chosen layout, then re-orthonormalises R.
    void set(ZELBasicMathMatrix<T> const& m, bool transposed);
    /// a[i][j] = M(i, j) in the chosen layout.
    void get(T (*a)[4], bool transposed) const noexcept {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                if (transposed)
                    a[c][r] = at(r_, r, c);
                else
                    a[r][c] = at(r_, r, c);
            }
        }
        for (int r = 0; r < 3; ++r) {
            if (transposed) {
                a[3][r] = p_[r];
                a[r][3] = T(0);
            } else {
                a[r][3] = p_[r];
                a[3][r] = T(0);
            }
        }
        a[3][3] = T(1);
    }
    /// R and p from a 4 × 4 array in the chosen layout, then R re-orthonormalised.
    void set(T const (*a)[4], bool transposed) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) at(r_, r, c) = transposed ? a[c][r] : a[r][c];
            p_[r] = transposed ? a[3][r] : a[r][3];
        }
        r_.normalize();
    }
    /// The twelve scalars in flat order: R column by column, then p.
    void get(T* a) const noexcept {
        const T* R = zel_internal::RotationStorage::columns(r_);
        for (int i = 0; i < 9; ++i) a[i] = R[i];
        a[9] = p_[0];
        a[10] = p_[1];
        a[11] = p_[2];
    }
    /// The twelve scalars in flat order, stored exactly as given (no re-orthonormalisation):
    /// for results computed elsewhere, e.g. a pose of a kinematic chain.
    void setScalars(T const* a) noexcept { store(a); }
    /// R from a[0..8] (column by column) and p from a[9..11], then R re-orthonormalised.
    void set(T const* a) {
        store(a);
        r_.normalize();
    }

    /// @}
    /// \name Composition
    /// @{

    /// c = a·b.
    static void multiply(ZELBasicXform3D& c, ZELBasicXform3D const& a,
                         ZELBasicXform3D const& b) noexcept {
        T m[12];  // c may be a or b
        zel_internal::composeXform(zel_internal::RotationStorage::columns(a.r_), &a.p_[0],
                                   zel_internal::RotationStorage::columns(b.r_), &b.p_[0], m);
        c.store(m);
    }
    /// c = a·b⁻¹.
    static void divide(ZELBasicXform3D& c, ZELBasicXform3D const& a,
                       ZELBasicXform3D const& b) noexcept {
        ZELBasicXform3D m(ZELMath3D::Uninitialized);  // c may be a or b
        const ZELBasicRotate3D<T>& A = a.r_;
        const ZELBasicRotate3D<T>& B = b.r_;
        for (int k = 0; k < 3; ++k)
            for (int r = 0; r < 3; ++r)
                at(m.r_, r, k) = at(A, r, 0) * at(B, k, 0) + at(A, r, 1) * at(B, k, 1) +
                    at(A, r, 2) * at(B, k, 2);
        for (int r = 0; r < 3; ++r)
            m.p_[r] = a.p_[r] -
                (b.p_[0] * at(m.r_, r, 0) + b.p_[1] * at(m.r_, r, 1) + b.p_[2] * at(m.r_, r, 2));
        c = m;
    }
    /// y = R·x + p; y may be x.
    static void multiply(ZELBasicVector3D<T>& y, ZELBasicXform3D const& a,
                         ZELBasicVector3D<T> const& x) noexcept {
        const ZELBasicRotate3D<T>& A = a.r_;
        const T x0 = x[0], x1 = x[1], x2 = x[2];
        const T y0 = at(A, 0, 0) * x0 + at(A, 0, 1) * x1 + at(A, 0, 2) * x2 + a.p_[0];
        const T y1 = at(A, 1, 0) * x0 + at(A, 1, 1) * x1 + at(A, 1, 2) * x2 + a.p_[1];
        const T y2 = at(A, 2, 0) * x0 + at(A, 2, 1) * x1 + at(A, 2, 2) * x2 + a.p_[2];
        y[0] = y0;
        y[1] = y1;
        y[2] = y2;
    }
    ZELBasicXform3D& operator*=(ZELBasicXform3D const& b) noexcept {
        multiply(*this, *this, b);
        return *this;
    }
    ZELBasicXform3D& operator/=(ZELBasicXform3D const& b) noexcept {
        divide(*this, *this, b);
        return *this;
    }
    void postMultiply(ZELBasicXform3D const& b) noexcept { multiply(*this, *this, b); }
    void preMultiply(ZELBasicXform3D const& a) noexcept { multiply(*this, a, *this); }
    /// R becomes Rᵀ and p becomes −Rᵀ·p.
    void invert() noexcept {
        const T p0 = -(at(r_, 0, 0) * p_[0] + at(r_, 1, 0) * p_[1] + at(r_, 2, 0) * p_[2]);
        const T p1 = -(at(r_, 0, 1) * p_[0] + at(r_, 1, 1) * p_[1] + at(r_, 2, 1) * p_[2]);
        const T p2 = -(at(r_, 0, 2) * p_[0] + at(r_, 1, 2) * p_[1] + at(r_, 2, 2) * p_[2]);
        r_.invert();
        p_[0] = p0;
        p_[1] = p1;
        p_[2] = p2;
    }

    /// @}
    /// \name Motion and Denavit-Hartenberg set-up
    /// @{

    /// The Denavit-Hartenberg link transform Rz(theta)·Tz(d)·Tx(a)·Rx(alpha) (see above).
    void setDH(T const& theta, T const& d, T const& alpha, T const& a) noexcept {
        T st, ct, sa, ca;
        ZELCleanSinCos(theta, st, ct);
        ZELCleanSinCos(alpha, sa, ca);
        zel_internal::dhLink(st, ct, d, a, sa, ca, zel_internal::RotationStorage::columns(r_),
                             &p_[0]);
    }
    /// WorldFrame: p = p + v; LocalFrame: p = p + R·v.
    void translate(ZELBasicVector3D<T> const& v, ZELMath3D::ReferenceFrame f) {
        zel_internal::dispatchFrame(
            f, zel_internal::kXformTranslateFrame,
            [&] {
                p_[0] = p_[0] + v[0];
                p_[1] = p_[1] + v[1];
                p_[2] = p_[2] + v[2];
            },
            [&] {
                const T v0 = v[0], v1 = v[1], v2 = v[2];
                p_[0] = p_[0] + (at(r_, 0, 0) * v0 + at(r_, 0, 1) * v1 + at(r_, 0, 2) * v2);
                p_[1] = p_[1] + (at(r_, 1, 0) * v0 + at(r_, 1, 1) * v1 + at(r_, 1, 2) * v2);
                p_[2] = p_[2] + (at(r_, 2, 0) * v0 + at(r_, 2, 1) * v1 + at(r_, 2, 2) * v2);
            });
    }
    /// Rotation by angle about axis: WorldFrame turns R and p, LocalFrame turns R only.
    void rotate(ZELBasicVector3D<T> const& axis, T const& angle, ZELMath3D::ReferenceFrame f) {
        ZELBasicRotate3D<T> Q(ZELMath3D::Uninitialized);
        Q.setEAA(axis, angle);
        zel_internal::dispatchFrame(
            f, zel_internal::kXformAxisAngleFrame,
            [&] {
                r_.preMultiply(Q);
                Q.rotateVec(p_);
            },
            [&] { r_.postMultiply(Q); });
    }
    /// Rotation by angle about coordinate axis k, worked out in place. The frame is checked
    /// first, then the axis.
    void rotate(ZELMath3D::AxisType k, T const& angle, ZELMath3D::ReferenceFrame f) {
        if (!zel_internal::checkFrame(f, zel_internal::kXformTurnFrame) ||
            !zel_internal::checkAxis(k, zel_internal::kXformTurnAxis))
            return;
        T s, c;
        ZELCleanSinCos(angle, s, c);
        const int i = (static_cast<int>(k) + 1) % 3, j = (static_cast<int>(k) + 2) % 3;
        if (f == ZELMath3D::WorldFrame) {
            for (int col = 0; col < 3; ++col) turnPair(at(r_, i, col), at(r_, j, col), s, c);
            turnPair(p_[i], p_[j], s, c);
        } else {
            for (int row = 0; row < 3; ++row) {
                const T ui = at(r_, row, i), uj = at(r_, row, j);
                at(r_, row, i) = c * ui + s * uj;
                at(r_, row, j) = c * uj - s * ui;
            }
        }
    }
    /// WorldFrame: this = x·this; LocalFrame: this = this·x.
    void move(ZELBasicXform3D const& x, ZELMath3D::ReferenceFrame f) {
        zel_internal::dispatchFrame(
            f, zel_internal::kXformMoveFrame, [&] { multiply(*this, x, *this); },
            [&] { multiply(*this, *this, x); });
    }
    /// v = R·v + p.
    void rotateVec(ZELBasicVector3D<T>& v) const noexcept { multiply(v, *this, v); }

    /// @}
    /// \name Interpolation
    /// @{

    static void slerp(ZELBasicXform3D& out, T const& t, ZELBasicXform3D const& a,
                      ZELBasicXform3D const& b);
    static void EAAInterp(ZELBasicXform3D& out, T const& t, ZELBasicXform3D const& a,
                          ZELBasicXform3D const& b);
    /// The same interpolation returned by value (the same bits).
    static ZELBasicXform3D EAAInterp(T const& t, ZELBasicXform3D const& a,
                                     ZELBasicXform3D const& b) {
        ZELBasicXform3D out(ZELMath3D::Uninitialized);
        EAAInterp(out, t, a, b);
        return out;
    }

    /// @}
    /// \name Comparison
    /// @{

    friend bool operator==(ZELBasicXform3D const& a, ZELBasicXform3D const& b) noexcept {
        return a.p_ == b.p_ && a.r_ == b.r_;
    }
    friend bool operator!=(ZELBasicXform3D const& a, ZELBasicXform3D const& b) noexcept {
        return !(a == b);
    }

    /// @}
private:
    /// R from m[0..8] (column by column) and p from m[9..11], as given.
    void store(T const* m) noexcept {
        T* R = zel_internal::RotationStorage::columns(r_);
        for (int i = 0; i < 9; ++i) R[i] = m[i];
        p_[0] = m[9];
        p_[1] = m[10];
        p_[2] = m[11];
    }
    /// R(r, c) of a rotation, through the rotation's one storage helper.
    static T& at(ZELBasicRotate3D<T>& R, int r, int c) noexcept {
        return zel_internal::RotationStorage::at(R, r, c);
    }
    static const T& at(ZELBasicRotate3D<T> const& R, int r, int c) noexcept {
        return zel_internal::RotationStorage::at(R, r, c);
    }
    /// (ui, uj) becomes (c·ui − s·uj, s·ui + c·uj).
    static void turnPair(T& ui, T& uj, T const& s, T const& c) noexcept {
        const T a = ui, b = uj;
        ui = c * a - s * b;
        uj = s * a + c * b;
    }

    ZELBasicRotate3D<T> r_;
    ZELBasicVector3D<T> p_;
};

/// a·b: b applied first, so a chain of links composes from the base outwards.
template <class T>
inline ZELBasicXform3D<T> operator*(ZELBasicXform3D<T> const& a,
                                    ZELBasicXform3D<T> const& b) noexcept {
    ZELBasicXform3D<T> c(ZELMath3D::Uninitialized);
    ZELBasicXform3D<T>::multiply(c, a, b);
    return c;
}
/// a·b⁻¹.
template <class T>
inline ZELBasicXform3D<T> operator/(ZELBasicXform3D<T> const& a,
                                    ZELBasicXform3D<T> const& b) noexcept {
    ZELBasicXform3D<T> c(ZELMath3D::Uninitialized);
    ZELBasicXform3D<T>::divide(c, a, b);
    return c;
}
/// The point x mapped by a: R·x + p.
template <class T>
inline ZELBasicVector3D<T> operator*(ZELBasicXform3D<T> const& a,
                                     ZELBasicVector3D<T> const& x) noexcept {
    ZELBasicVector3D<T> y(ZELMath3D::Uninitialized);
    ZELBasicXform3D<T>::multiply(y, a, x);
    return y;
}

/// Near-comparison: the rotations as for ZELBasicRotate3D (tolAngle, tolAxis), the positions
/// with the 3-vector comparison and tolAxis.
template <class T>
inline bool ZELNearAbs(ZELBasicXform3D<T> const& a, ZELBasicXform3D<T> const& b,
                       typename ZELBasicXform3D<T>::value_type const& tolAngle,
                       typename ZELBasicXform3D<T>::value_type const& tolAxis) {
    return ZELNearAbs(a.rotation(), b.rotation(), tolAngle, tolAxis) &&
        ZELNearAbs(a.position(), b.position(), tolAxis);
}
/// The relative form of both parts.
template <class T>
inline bool ZELNearRel(ZELBasicXform3D<T> const& a, ZELBasicXform3D<T> const& b,
                       typename ZELBasicXform3D<T>::value_type const& tolAngle,
                       typename ZELBasicXform3D<T>::value_type const& tolAxis) {
    return ZELNearRel(a.rotation(), b.rotation(), tolAngle, tolAxis) &&
        ZELNearRel(a.position(), b.position(), tolAxis);
}
/// Writes the 4 × 4 matrix (column-vector layout) in the math matrix's format.
template <class T>
inline std::ostream& operator<<(std::ostream& os, ZELBasicXform3D<T> const& x) {
    return os << x.toZELBasicMathMatrix();
}

// The constants, defined here so that every user sees their constant initialisers.
template <class T>
const ZELBasicXform3D<T> ZELBasicXform3D<T>::Identity;

using ZELXform3D = ZELBasicXform3D<double>;

/// @}

#endif
