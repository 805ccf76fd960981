/// \class ZELBasicRotate3D
/// ZELBasicRotate3D<T>: a 3 by 3 rotation matrix R.
///
/// R maps a vector v to R*v; its columns N, S, A are the unit axes of the rotated frame
/// expressed in the reference frame. The nine scalars live inside the object, column by column:
/// flat position 3*c + r holds R(r, c) (row r, column c). A DirectionIndex selects a column, a
/// CoordinateIndex a row.
///
/// The matrix is meant to be orthonormal with determinant +1. Only the operations that take a
/// whole matrix from outside (`set` and the constructors from a row array or a math matrix,
/// `setNSA`) restore that, through `normalize` (one pass of classical Gram-Schmidt that keeps
/// the handedness it is given and falls back to the identity for a degenerate column). Every
/// other operation assumes an orthonormal matrix.
///
/// Composition comes in three forms:
/// - the free operators build a new matrix, so any arguments may coincide;
/// - the in-place members (`*=`, `/=`, `preMultiply`, `postMultiply`, `rotate`) compute into a
///   local matrix first, so their argument may be `*this` (R *= R squares R);
/// - the static `multiply`/`divide` write straight into their result, which must be a different
///   object from both operands.
/// Products are written out scalar by scalar: result(r, c) = a(r,0)*b(0,c) + a(r,1)*b(1,c) +
/// a(r,2)*b(2,c), summed in that order, so every product is reproducible to the bit.
///
/// Every sine and cosine is cleaned (ZELCleanSinCos), so quarter and half turns are exact.
/// Rotations are active and right-handed; angles are in radians.
///
/// Reporting (assertion hook, category "Software", file "publicinterfaces/ZELRotate3D"):
/// - an invalid ReferenceFrame given to any `rotate`: "Invalid reference frame", the matrix is
///   unchanged;
/// - an invalid AxisType given to `setCAA` with a non-zero angle: "Invalid rotation axis", the
///   matrix is left the identity (its old value is lost, as for every valid call);
/// - an invalid AxisType given to the axis-type `rotate` (checked after the frame) or anywhere in
///   the triple given to `setEuler` (all three axes are checked, zero angles included):
///   "Invalid rotation axis", and the matrix is unchanged. The quaternion and the transform
///   behave the same way.
/// `setEAA` and the axis form of `rotate` throw ZELEZeroVector for a zero axis with a non-zero
/// angle, leaving the matrix unchanged.
///
/// The row-array forms take `const T* const*` (and `T* const*` for `get`), so both a `T**` and
/// a `const T**` array of three row pointers can be passed.
///
/// Quaternions and near-comparison: the quaternion sits above the rotation (ZELQtn3D.h includes
/// this header and defines the conversions between the two); `toQtn()` needs ZELQtn3D.h, every
/// other member works with this header alone. `toQtn()` is the quaternion's `setRotate` of R
/// (s >= 0); `getEAA` returns that quaternion's unit axis and angle in [0, pi].
/// `ZELNearAbs(a, b, tolAngle, tolAxis)` and `ZELNearRel` convert both matrices to quaternions and
/// compare their equivalent angles (tolAngle) and axes (tolAxis); either tolerance <= 0 means exact
/// equality of the nine scalars. The conversion takes each quaternion component as the square root
/// of a difference of diagonal entries, so angles below about 1e-6 rad or within that of a half
/// turn come back only to about 1e-8 rad, and tolerances much below that are not honoured
/// (ZELQtn3D::setRotateAccurate does not have this limit).
#ifndef ZELMATH_PUBLICINTERFACES_ZELROTATE3D_H
#define ZELMATH_PUBLICINTERFACES_ZELROTATE3D_H

/// \addtogroup geometry
/// @{

#include "publicinterfaces/ZELEuler3D.h"
#include "publicinterfaces/ZELMathMatrix.h"
#include "publicinterfaces/ZELVector3D.h"  // also the cleaned sine and cosine
#include "publicinterfaces/internal/ZELFrameDispatch.h"
#include "publicinterfaces/internal/ZELGeometryOps.h"
#include "publicinterfaces/internal/ZELGeometryReportSites.h"
#include "publicinterfaces/internal/ZELRotationStorage.h"

#include <array>
#include <iosfwd>

template <class T>
class ZELMATH_EXPORT ZELBasicRotate3D : public ZELMath3D {
public:
    /// The scalar, and the 3-vector type of the columns and of the vectors a rotation turns.
    using value_type = T;
    using Vector = ZELBasicVector3D<T>;

    /// The identity; constant-initialised.
    static const ZELBasicRotate3D Identity;
    /// 100 times the machine epsilon: the threshold of the singular case of getRPY.
    static const T ZeroTolerance;
    /// 0.5, for callers that test a determinant; no operation of the library reads it.
    static const T DetTolerance;

    /// \name Construction, assignment and raw access
    /// @{

    constexpr ZELBasicRotate3D() noexcept
        : m_{T(1), T(0), T(0), T(0), T(1), T(0), T(0), T(0), T(1)} {}
    /// Leaves the nine scalars unset.
    explicit ZELBasicRotate3D(ZELMath3D::UninitializedType) noexcept
        : ZELMath3D(ZELMath3D::Uninitialized) {}
    constexpr ZELBasicRotate3D(const ZELBasicRotate3D&) noexcept = default;
    ZELBasicRotate3D& operator=(const ZELBasicRotate3D&) noexcept = default;
    ~ZELBasicRotate3D() = default;

    /// R(r, c) = m(r, c), or m(c, r) when transposed, for r, c in 0..2; then normalize(). m must
    /// be at least 3 by 3; further rows and columns are ignored.
    ZELBasicRotate3D(const ZELBasicMathMatrix<T>& m, bool transposed) noexcept
        : ZELMath3D(ZELMath3D::Uninitialized) {
        set(m, transposed);
    }
    void set(const ZELBasicMathMatrix<T>& m, bool transposed) noexcept;
    /// m(r, c) = R(r, c), or R(c, r) when transposed; m must already be at least 3 by 3 and its
    /// other elements are left alone.
    void get(ZELBasicMathMatrix<T>& m, bool transposed) const noexcept {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m(r, c) = transposed ? m_[3 * r + c] : m_[3 * c + r];
            }
        }
    }
    /// A new 3 by 3 math matrix equal to R.
    ZELBasicMathMatrix<T> toZELBasicMathMatrix() const;

    /// R(r, c) = p[r][c], or p[c][r] when transposed; then normalize().
    ZELBasicRotate3D(const T* const* p, bool transposed) noexcept
        : ZELMath3D(ZELMath3D::Uninitialized) {
        set(p, transposed);
    }
    void set(const T* const* p, bool transposed) noexcept;
    /// p[r][c] = R(r, c), or R(c, r) when transposed.
    void get(T* const* p, bool transposed) const noexcept {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                p[r][c] = transposed ? m_[3 * r + c] : m_[3 * c + r];
            }
        }
    }

    /// A copy of column d (N, S or A).
    Vector operator()(ZELMath3D::DirectionIndex d) const noexcept {
        return Vector(m_[3 * d], m_[3 * d + 1], m_[3 * d + 2]);
    }
    /// R(c, d): component c of column d.
    const T& operator()(ZELMath3D::DirectionIndex d, ZELMath3D::CoordinateIndex c) const noexcept {
        return m_[3 * d + c];
    }
    /// Stores n, s, a as the columns, then normalize().
    void setNSA(const Vector& n, const Vector& s, const Vector& a) noexcept {
        for (int i = 0; i < 3; ++i) {
            m_[i] = n[i];
            m_[3 + i] = s[i];
            m_[6 + i] = a[i];
        }
        normalize();
    }
    void getNSA(Vector& n, Vector& s, Vector& a) const noexcept {
        n.set(m_[0], m_[1], m_[2]);
        s.set(m_[3], m_[4], m_[5]);
        a.set(m_[6], m_[7], m_[8]);
    }

    void swap(ZELBasicRotate3D& other) noexcept {
        const ZELBasicRotate3D t(other);
        other = *this;
        *this = t;
    }

    /// @}
    /// \name Algebra
    /// @{

    /// The determinant by the rule of Sarrus, summed in a fixed order; 1 for a rotation.
    T det() const noexcept {
        const T* m = m_;
        return (m[2] * m[3] * m[7]) + (m[0] * m[4] * m[8] + m[1] * m[5] * m[6]) -
            m[2] * m[4] * m[6] - m[3] * m[1] * m[8] - m[0] * m[5] * m[7];
    }

    /// Re-orthonormalises the columns by one pass of classical Gram-Schmidt in the order N, S, A
    /// (both projections of A are taken from A itself). When a squared column length drops to
    /// the machine epsilon or below, the matrix becomes the identity. A is not replaced by
    /// N x S, so a left-handed input stays left-handed. Never throws.
    void normalize() noexcept;

    /// R = transpose(R), the inverse of an orthonormal R.
    void invert() noexcept {
        swapElements(1, 3);
        swapElements(2, 6);
        swapElements(5, 7);
    }

    /// r = a*v. r must not be v.
    static void multiply(Vector& r, const ZELBasicRotate3D& a, const Vector& v) noexcept {
        const T* m = a.m_;
        const T x = v[0], y = v[1], z = v[2];
        r.set(m[0] * x + m[3] * y + m[6] * z, m[1] * x + m[4] * y + m[7] * z,
              m[2] * x + m[5] * y + m[8] * z);
    }
    /// r = a*b. r must be a different object from a and b.
    static void multiply(ZELBasicRotate3D& r, const ZELBasicRotate3D& a,
                         const ZELBasicRotate3D& b) noexcept {
        product(r.m_, a.m_, b.m_);
    }
    /// r = a*transpose(b) (a times the inverse of an orthonormal b). r must be a different
    /// object from a and b.
    static void divide(ZELBasicRotate3D& r, const ZELBasicRotate3D& a,
                       const ZELBasicRotate3D& b) noexcept {
        productTransposed(r.m_, a.m_, b.m_);
    }

    /// R = R*b; b may be *this.
    ZELBasicRotate3D& operator*=(const ZELBasicRotate3D& b) noexcept {
        postMultiply(b);
        return *this;
    }
    /// R = R*transpose(b); b may be *this.
    ZELBasicRotate3D& operator/=(const ZELBasicRotate3D& b) noexcept {
        ZELBasicRotate3D t(ZELMath3D::Uninitialized);
        productTransposed(t.m_, m_, b.m_);
        *this = t;
        return *this;
    }
    /// R = b*R; b may be *this.
    void preMultiply(const ZELBasicRotate3D& b) noexcept {
        ZELBasicRotate3D t(ZELMath3D::Uninitialized);
        product(t.m_, b.m_, m_);
        *this = t;
    }
    /// R = R*b; b may be *this.
    void postMultiply(const ZELBasicRotate3D& b) noexcept {
        ZELBasicRotate3D t(ZELMath3D::Uninitialized);
        product(t.m_, m_, b.m_);
        *this = t;
    }

    /// @}
    /// \name Conversions from other orientation forms
    /// @{

    /// The rotation by `angle` about `axis` (normalised first). A zero angle gives the identity
    /// without looking at the axis; otherwise an axis not longer than the machine epsilon
    /// throws ZELEZeroVector and the matrix is unchanged.
    void setEAA(const Vector& axis, const T& angle) {
        if (angle == T(0)) {
            *this = ZELBasicRotate3D();
            return;
        }
        Vector u(axis);
        u.normalize();
        T s, c;
        ZELCleanSinCos(angle, s, c);
        const T v = T(1) - c;
        const T x = u[0], y = u[1], z = u[2];
        m_[0] = v * x * x + c;
        m_[1] = v * y * x + s * z;
        m_[2] = v * z * x - s * y;
        m_[3] = v * x * y - s * z;
        m_[4] = v * y * y + c;
        m_[5] = v * z * y + s * x;
        m_[6] = v * x * z + s * y;
        m_[7] = v * y * z - s * x;
        m_[8] = v * z * z + c;
    }

    /// The rotation by `angle` about coordinate axis k. An invalid k with a non-zero angle is
    /// reported ("Invalid rotation axis") and leaves the identity.
    void setCAA(ZELMath3D::AxisType k, const T& angle) noexcept {
        *this = ZELBasicRotate3D();
        if (angle == T(0)) {
            return;
        }
        T s, c;
        ZELCleanSinCos(angle, s, c);
        switch (k) {
            case XAxis:
                m_[4] = c;
                m_[5] = s;
                m_[7] = -s;
                m_[8] = c;
                break;
            case YAxis:
                m_[0] = c;
                m_[6] = s;
                m_[2] = -s;
                m_[8] = c;
                break;
            case ZAxis:
                m_[0] = c;
                m_[1] = s;
                m_[3] = -s;
                m_[4] = c;
                break;
            default: zel_internal::checkAxis(k, zel_internal::kRotateCAAAxis); return;
        }
    }

    /// R = Rz(roll) * Ry(pitch) * Rx(yaw): a vector is turned first by yaw about x, then by
    /// pitch about y, then by roll about z.
    void setRPY(const T& roll, const T& pitch, const T& yaw) noexcept {
        T sr, cr, sp, cp, sy, cy;
        ZELCleanSinCos(roll, sr, cr);
        ZELCleanSinCos(pitch, sp, cp);
        ZELCleanSinCos(yaw, sy, cy);
        const T sysp = sy * sp;
        const T cysp = cy * sp;
        m_[0] = cp * cr;
        m_[1] = cp * sr;
        m_[2] = -sp;
        m_[3] = sysp * cr - cy * sr;
        m_[4] = sysp * sr + cy * cr;
        m_[5] = sy * cp;
        m_[6] = sy * sr + cysp * cr;
        m_[7] = cysp * sr - sy * cr;
        m_[8] = cy * cp;
    }

    /// The roll, pitch and yaw of setRPY that give R, each in [-pi, pi]. When R(0,0) and R(1,0)
    /// are both below ZeroTolerance in magnitude (pitch at +-pi/2), roll is 0 and yaw carries the
    /// whole turn about the vertical. Otherwise of the two equivalent triples (roll and roll +
    /// pi) the one with the smaller sum of squared angles is returned, the first on a tie; its
    /// pitch may lie beyond pi/2.
    void getRPY(T& roll, T& pitch, T& yaw) const noexcept;
    /// {roll, pitch, yaw}: the same values as getRPY, to the bit.
    std::array<T, 3> rpy() const noexcept {
        std::array<T, 3> a;
        getRPY(a[0], a[1], a[2]);
        return a;
    }

    /// R = R_k0(a0) * R_k1(a1) * R_k2(a2); a zero angle is skipped. An axis outside XAxis, YAxis,
    /// ZAxis is reported ("Invalid rotation axis") and leaves the matrix unchanged.
    void setEuler(const ZELBasicEuler3D<T>& e) noexcept;

    /// v = R*v.
    void rotateVec(Vector& v) const noexcept {
        Vector t(ZELMath3D::Uninitialized);
        multiply(t, *this, v);
        v = t;
    }

    /// @}
    /// \name Frame-relative rotation
    /// @{

    /// WorldFrame: R = Rk(angle)*R (rows p, q change); LocalFrame: R = R*Rk(angle) (columns p, q
    /// change), with p = (k + 1) mod 3 and q = (p + 1) mod 3. Works in place. The frame is
    /// checked first, then the axis.
    void rotate(ZELMath3D::AxisType k, const T& angle, ZELMath3D::ReferenceFrame f) noexcept {
        if (!zel_internal::checkFrame(f, zel_internal::kRotateTurnFrame) ||
            !zel_internal::checkAxis(k, zel_internal::kRotateTurnAxis)) {
            return;
        }
        T s, c;
        ZELCleanSinCos(angle, s, c);
        const unsigned p = (static_cast<unsigned>(k) + 1u) % 3u;
        const unsigned q = (p + 1u) % 3u;
        if (f == WorldFrame) {
            for (unsigned j = 0; j < 9; j += 3) {
                const T rp = m_[j + p], rq = m_[j + q];
                m_[j + p] = c * rp - s * rq;
                m_[j + q] = s * rp + c * rq;
            }
        } else {
            T* cp = m_ + 3 * p;
            T* cq = m_ + 3 * q;
            for (unsigned i = 0; i < 3; ++i) {
                const T ip = cp[i], iq = cq[i];
                cp[i] = c * ip + s * iq;
                cq[i] = c * iq - s * ip;
            }
        }
    }
    /// WorldFrame: R = b*R; LocalFrame: R = R*b. b may be *this.
    void rotate(const ZELBasicRotate3D& b, ZELMath3D::ReferenceFrame f) noexcept {
        zel_internal::dispatchFrame(
            f, zel_internal::kRotateComposeFrame, [&] { preMultiply(b); },
            [&] { postMultiply(b); });
    }
    /// Q = setEAA(axis, angle) (which may throw, before the frame is looked at); then WorldFrame:
    /// R = Q*R, LocalFrame: R = R*Q.
    void rotate(const Vector& axis, const T& angle, ZELMath3D::ReferenceFrame f) {
        ZELBasicRotate3D q(ZELMath3D::Uninitialized);
        q.setEAA(axis, angle);
        zel_internal::dispatchFrame(
            f, zel_internal::kRotateAxisAngleFrame, [&] { preMultiply(q); },
            [&] { postMultiply(q); });
    }

    /// @}
    /// \name Quaternion and equivalent axis and angle
    /// @{

    /// The quaternion of R (s >= 0): the quaternion's setRotate (defined in ZELQtn3D.h).
    ZELBasicQtn3D<T> toQtn() const noexcept;
    /// A unit axis and an angle in [0, pi], through toQtn().
    void getEAA(Vector& axis, T& angle) const;

    /// Exact comparison of the nine scalars; a NaN makes == false.
    friend bool operator==(const ZELBasicRotate3D& a, const ZELBasicRotate3D& b) noexcept {
        for (int i = 0; i < 9; ++i) {
            if (!(a.m_[i] == b.m_[i])) return false;
        }
        return true;
    }
    friend bool operator!=(const ZELBasicRotate3D& a, const ZELBasicRotate3D& b) noexcept {
        return !(a == b);
    }

    /// @}
private:
    /// The quaternion and the transform reach the nine scalars through this helper only.
    friend struct zel_internal::RotationStorage;

    void swapElements(int i, int j) noexcept {
        const T t = m_[i];
        m_[i] = m_[j];
        m_[j] = t;
    }
    /// out = a*b on flat column-major storage; out must not alias a or b.
    static void product(T* out, const T* a, const T* b) noexcept {
        for (int c = 0; c < 9; c += 3) {
            const T b0 = b[c], b1 = b[c + 1], b2 = b[c + 2];
            out[c] = a[0] * b0 + a[3] * b1 + a[6] * b2;
            out[c + 1] = a[1] * b0 + a[4] * b1 + a[7] * b2;
            out[c + 2] = a[2] * b0 + a[5] * b1 + a[8] * b2;
        }
    }
    /// out = a*transpose(b); out must not alias a or b.
    static void productTransposed(T* out, const T* a, const T* b) noexcept {
        for (int c = 0; c < 3; ++c) {
            const T b0 = b[c], b1 = b[c + 3], b2 = b[c + 6];
            out[3 * c] = a[0] * b0 + a[3] * b1 + a[6] * b2;
            out[3 * c + 1] = a[1] * b0 + a[4] * b1 + a[7] * b2;
            out[3 * c + 2] = a[2] * b0 + a[5] * b1 + a[8] * b2;
        }
    }

    T m_[9];
};

/// a*b: b applied first.
template <class T>
inline ZELBasicRotate3D<T> operator*(const ZELBasicRotate3D<T>& a,
                                     const ZELBasicRotate3D<T>& b) noexcept {
    ZELBasicRotate3D<T> r(ZELMath3D::Uninitialized);
    ZELBasicRotate3D<T>::multiply(r, a, b);
    return r;
}

/// a*transpose(b), a times the inverse of b.
template <class T>
inline ZELBasicRotate3D<T> operator/(const ZELBasicRotate3D<T>& a,
                                     const ZELBasicRotate3D<T>& b) noexcept {
    ZELBasicRotate3D<T> r(ZELMath3D::Uninitialized);
    ZELBasicRotate3D<T>::divide(r, a, b);
    return r;
}

/// v rotated by a.
template <class T>
inline ZELBasicVector3D<T> operator*(const ZELBasicRotate3D<T>& a,
                                     const ZELBasicVector3D<T>& v) noexcept {
    ZELBasicVector3D<T> r(ZELMath3D::Uninitialized);
    ZELBasicRotate3D<T>::multiply(r, a, v);
    return r;
}

/// Writes R (not its transpose) as a 3 by 3 math matrix: "3X3:", "[", three rows of values
/// right-aligned in fields of width 14, each followed by a space, and "]".
template <class T>
inline std::ostream& operator<<(std::ostream& os, const ZELBasicRotate3D<T>& r) {
    return os << r.toZELBasicMathMatrix();
}

/// Near-comparison by equivalent angle (tolAngle) and axis (tolAxis) of the quaternions of a
/// and b; either tolerance <= 0: exact equality of the nine scalars.
template <class T>
inline bool ZELNearAbs(const ZELBasicRotate3D<T>& a, const ZELBasicRotate3D<T>& b,
                       const typename ZELBasicRotate3D<T>::value_type& tolAngle,
                       const typename ZELBasicRotate3D<T>::value_type& tolAxis) {
    return zel_internal::Rotate3DOps<T>::nearOrientation(a, b, tolAngle, tolAxis, false);
}
/// The relative form: the angles within tolAngle times the larger angle, the axes by the
/// 3-vector ZELNearRel.
template <class T>
inline bool ZELNearRel(const ZELBasicRotate3D<T>& a, const ZELBasicRotate3D<T>& b,
                       const typename ZELBasicRotate3D<T>::value_type& tolAngle,
                       const typename ZELBasicRotate3D<T>::value_type& tolAxis) {
    return zel_internal::Rotate3DOps<T>::nearOrientation(a, b, tolAngle, tolAxis, true);
}

// The constants, defined here so that every user sees their constant initialisers.
template <class T>
const ZELBasicRotate3D<T> ZELBasicRotate3D<T>::Identity{};
template <class T>
const T ZELBasicRotate3D<T>::ZeroTolerance = T(100) * scl_numeric_limits<T>::epsilon();
template <class T>
const T ZELBasicRotate3D<T>::DetTolerance = T(0.5);

using ZELRotate3D = ZELBasicRotate3D<double>;

/// @}

#endif
