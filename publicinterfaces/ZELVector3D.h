/// \class ZELBasicVector3D
/// ZELBasicVector3D<T>: a fixed-size 3-vector (x, y, z).
///
/// A plain value type for positions, directions, rotation axes and the columns of rotation
/// matrices. The three scalars live inside the object, contiguously in the order x, y, z; there
/// is no invariant (infinities and NaNs are valid components) and no heap memory. Everything is
/// defined inline here except four members compiled into the library (ZELVector3D.cpp):
/// `throwZeroLength` (the error path of `normalize`), `normalizeLarge_` (its path for
/// components whose squares overflow), the conversion to the run-time-sized math vector and
/// `write` (the text output, which goes through the math vector).
///
/// Notes for callers:
/// - Indices are not range-checked: `v[i]` and `v(c)` require i, c in 0..2. The constructors
///   from a pointer and from a math vector read exactly three scalars.
/// - The constructors from a scalar, a pointer and a math vector are explicit, so a scalar or a
///   run-time-sized vector never turns into a 3-vector by accident (`v == 1.0` does not compile).
/// - Scalar operands of the free operators are not used for template deduction: `2 * v` and
///   `v / 2` work with an integer literal.
/// - `getSpherical` and `getCylindrical` use the one-argument arctangent of the quotient, so the
///   angles they return lie in [-pi/2, pi/2]: they invert the setters only for x > 0 (and z > 0
///   for the polar angle). They are const members.
/// - Arithmetic follows IEEE rules: a zero divisor gives an infinity or a NaN, never an error.
///   Only `normalize` throws (ZELEZeroVector, for a vector whose length is at most the machine
///   epsilon; the vector keeps its value).
#ifndef ZELMATH_PUBLICINTERFACES_ZELVECTOR3D_H
#define ZELMATH_PUBLICINTERFACES_ZELVECTOR3D_H

/// \addtogroup geometry
/// @{

#include "foundation/internal/ZELNearRules.h"
#include "foundation/internal/ZELSimdPair.h"
#include "foundation/scl_iterators.h"
#include "foundation/scl_numeric_limits.h"
#include "publicinterfaces/ZELCleanSinCos.h"
#include "publicinterfaces/ZELMath3D.h"
#include "publicinterfaces/ZELMathVector.h"
#include "publicinterfaces/internal/ZELGeometryOps.h"

#include <cmath>
#include <cstddef>
#include <iosfwd>
#include <limits>

template <class T>
class ZELMATH_EXPORT ZELBasicVector3D : public ZELMath3D {
public:
    using value_type = T;
    using iterator = scl_pointer_iterator<T>;
    using const_iterator = scl_pointer_const_iterator<T>;
    using reverse_iterator = scl_reverse_iterator<iterator>;
    using const_reverse_iterator = scl_reverse_iterator<const_iterator>;

    // Constant-initialised.
    static const ZELBasicVector3D Zero;   ///< (0, 0, 0)
    static const ZELBasicVector3D UnitX;  ///< (1, 0, 0)
    static const ZELBasicVector3D UnitY;  ///< (0, 1, 0)
    static const ZELBasicVector3D UnitZ;  ///< (0, 0, 1)

    /// \name Construction and assignment
    /// @{
    constexpr ZELBasicVector3D() noexcept : v_{T(0), T(0), T(0)} {}
    /// Leaves the three scalars unset.
    explicit ZELBasicVector3D(ZELMath3D::UninitializedType) noexcept
        : ZELMath3D(ZELMath3D::Uninitialized) {}
    constexpr explicit ZELBasicVector3D(const T& v) noexcept : v_{v, v, v} {}
    constexpr ZELBasicVector3D(const T& x, const T& y, const T& z) noexcept : v_{x, y, z} {}
    /// Reads p[0], p[1], p[2].
    constexpr explicit ZELBasicVector3D(const T* p) noexcept : v_{p[0], p[1], p[2]} {}
    /// (m[0], m[1], m[2]); m must hold at least three elements, further ones are ignored.
    explicit ZELBasicVector3D(const ZELBasicMathVector<T>& m) noexcept : v_{m[0], m[1], m[2]} {}
    constexpr ZELBasicVector3D(const ZELBasicVector3D&) noexcept = default;
    ZELBasicVector3D& operator=(const ZELBasicVector3D&) noexcept = default;
    ZELBasicVector3D& operator=(const T& v) noexcept {
        v_[0] = v;
        v_[1] = v;
        v_[2] = v;
        return *this;
    }
    ~ZELBasicVector3D() = default;

    /// @}
    /// \name Access
    /// @{
    void set(const T& x, const T& y, const T& z) noexcept {
        v_[0] = x;
        v_[1] = y;
        v_[2] = z;
    }
    void setCartesian(const T& x, const T& y, const T& z) noexcept { set(x, y, z); }
    void get(T& x, T& y, T& z) const noexcept {
        x = v_[0];
        y = v_[1];
        z = v_[2];
    }
    void getCartesian(T& x, T& y, T& z) const noexcept { get(x, y, z); }
    /// The x, y and z components by value.
    constexpr T x() const noexcept { return v_[0]; }
    constexpr T y() const noexcept { return v_[1]; }
    constexpr T z() const noexcept { return v_[2]; }

    constexpr T& operator[](std::size_t i) noexcept { return v_[i]; }
    constexpr const T& operator[](std::size_t i) const noexcept { return v_[i]; }
    constexpr T& operator[](ZELMath3D::CoordinateIndex i) noexcept { return v_[i]; }
    constexpr const T& operator[](ZELMath3D::CoordinateIndex i) const noexcept { return v_[i]; }
    constexpr T& operator()(ZELMath3D::CoordinateIndex i) noexcept { return v_[i]; }
    constexpr const T& operator()(ZELMath3D::CoordinateIndex i) const noexcept { return v_[i]; }

    iterator begin() noexcept { return iterator(v_); }
    iterator end() noexcept { return iterator(v_ + 3); }
    const_iterator begin() const noexcept { return const_iterator(v_); }
    const_iterator end() const noexcept { return const_iterator(v_ + 3); }
    reverse_iterator rbegin() noexcept { return reverse_iterator(end()); }
    reverse_iterator rend() noexcept { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const noexcept { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const noexcept { return const_reverse_iterator(begin()); }

    void swap(ZELBasicVector3D& other) noexcept {
        const ZELBasicVector3D t(other);
        other = *this;
        *this = t;
    }

    /// @}
    /// \name Spherical and cylindrical coordinates (radians)
    /// @{

    /// theta: azimuth about z measured from x; phi: polar angle measured from z; r: radius.
    /// x = (c1*r)*s2, y = (s1*r)*s2, z = c2*r with the cleaned sine and cosine (s1, c1) of theta
    /// and (s2, c2) of phi, so quarter turns are exact: setSpherical(pi/2, pi/2, 2) is (0, 2, 0).
    void setSpherical(const T& theta, const T& phi, const T& r) noexcept {
        T s1, c1, s2, c2;
        ZELCleanSinCos(theta, s1, c1);
        ZELCleanSinCos(phi, s2, c2);
        v_[0] = (c1 * r) * s2;
        v_[1] = (s1 * r) * s2;
        v_[2] = c2 * r;
    }
    /// theta = atan(y/x), phi = atan(sqrt(x^2 + y^2)/z), r = sqrt(x^2 + y^2 + z^2).
    void getSpherical(T& theta, T& phi, T& r) const noexcept {
        using std::atan;
        using std::sqrt;
        const T x = v_[0], y = v_[1], z = v_[2];
        const T rho2 = x * x + y * y;
        theta = atan(y / x);
        phi = atan(sqrt(rho2) / z);
        r = sqrt(rho2 + z * z);
    }
    /// x = c*rho, y = s*rho, z = z with the cleaned sine and cosine of theta.
    void setCylindrical(const T& theta, const T& rho, const T& z) noexcept {
        T s, c;
        ZELCleanSinCos(theta, s, c);
        v_[0] = c * rho;
        v_[1] = s * rho;
        v_[2] = z;
    }
    /// theta = atan(y/x), rho = sqrt(x^2 + y^2), z = z.
    void getCylindrical(T& theta, T& rho, T& z) const noexcept {
        using std::atan;
        using std::sqrt;
        const T x = v_[0], y = v_[1];
        theta = atan(y / x);
        rho = sqrt(x * x + y * y);
        z = v_[2];
    }

    /// @}
    /// \name Arithmetic
    /// @{
    constexpr ZELBasicVector3D operator-() const noexcept {
        return ZELBasicVector3D(-v_[0], -v_[1], -v_[2]);
    }
    constexpr ZELBasicVector3D operator+() const noexcept { return *this; }
    ZELBasicVector3D& operator++() noexcept { return *this += T(1); }
    ZELBasicVector3D& operator--() noexcept { return *this -= T(1); }
    ZELBasicVector3D operator++(int) noexcept {
        const ZELBasicVector3D old(*this);
        *this += T(1);
        return old;
    }
    ZELBasicVector3D operator--(int) noexcept {
        const ZELBasicVector3D old(*this);
        *this -= T(1);
        return old;
    }

    /// Componentwise sum, difference, product and quotient with a vector or a scalar.
    ZELBasicVector3D& operator+=(const ZELBasicVector3D& b) noexcept {
        return *this = zel_internal::Vector3DOps<T>::zip(*this, b, _ZELAddOp());
    }
    ZELBasicVector3D& operator-=(const ZELBasicVector3D& b) noexcept {
        return *this = zel_internal::Vector3DOps<T>::zip(*this, b, _ZELSubOp());
    }
    ZELBasicVector3D& operator*=(const ZELBasicVector3D& b) noexcept {
        return *this = zel_internal::Vector3DOps<T>::zip(*this, b, _ZELMulOp());
    }
    ZELBasicVector3D& operator/=(const ZELBasicVector3D& b) noexcept {
        return *this = zel_internal::Vector3DOps<T>::zip(*this, b, _ZELDivOp());
    }
    ZELBasicVector3D& operator+=(const T& s) noexcept { return *this += ZELBasicVector3D(s); }
    ZELBasicVector3D& operator-=(const T& s) noexcept { return *this -= ZELBasicVector3D(s); }
    ZELBasicVector3D& operator*=(const T& s) noexcept { return *this *= ZELBasicVector3D(s); }
    ZELBasicVector3D& operator/=(const T& s) noexcept { return *this /= ZELBasicVector3D(s); }

    /// Exact componentwise comparison: a NaN component makes == false and != true.
    constexpr bool operator==(const ZELBasicVector3D& b) const noexcept {
        return v_[0] == b.v_[0] && v_[1] == b.v_[1] && v_[2] == b.v_[2];
    }
    constexpr bool operator!=(const ZELBasicVector3D& b) const noexcept { return !(*this == b); }

    /// A new 3-element math vector (x, y, z).
    operator ZELBasicMathVector<T>() const;

    /// @}
    /// \name Normalisation and interpolation
    /// @{

    /// Scales the vector to unit length. Throws ZELEZeroVector when the length is at most the
    /// machine epsilon; the vector is then unchanged. A NaN length is not caught (the components
    /// become NaN). Finite components whose squares overflow are scaled down first, so they still
    /// give a unit vector.
    void normalize() {
        using std::sqrt;
        const T n = sqrt(v_[0] * v_[0] + v_[1] * v_[1] + v_[2] * v_[2]);
        if (n <= scl_numeric_limits<T>::epsilon()) {
            throwZeroLength();
        }
        if (n > std::numeric_limits<T>::max() && normalizeLarge_()) {
            return;
        }
        v_[0] /= n;
        v_[1] /= n;
        v_[2] /= n;
    }

    /// result = a for t <= 0, b for t >= 1, else (1 - t)*a + t*b. result may be a or b.
    static void lerp(ZELBasicVector3D& result, const T& t, const ZELBasicVector3D& a,
                     const ZELBasicVector3D& b) noexcept {
        if (t <= T(0)) {
            result = a;
        } else if (t >= T(1)) {
            result = b;
        } else {
            const T u = T(1) - t;
            const T x = u * a.v_[0] + t * b.v_[0];
            const T y = u * a.v_[1] + t * b.v_[1];
            const T z = u * a.v_[2] + t * b.v_[2];
            result.set(x, y, z);
        }
    }

    /// @}
private:
    [[noreturn]] static void throwZeroLength();
    // normalize() of finite components whose sum of squares overflows; false (and nothing
    // changed) when a component is infinite.
    bool normalizeLarge_() noexcept;

    T v_[3];
};

// ---- free operators ----
// The scalar operand is a non-deduced parameter, so it may be any type that converts to T.
template <class T>
constexpr ZELBasicVector3D<T> operator+(const ZELBasicVector3D<T>& a,
                                        const ZELBasicVector3D<T>& b) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, b, _ZELAddOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator+(
    const ZELBasicVector3D<T>& a, const typename ZELBasicVector3D<T>::value_type& s) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, ZELBasicVector3D<T>(s), _ZELAddOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator+(const typename ZELBasicVector3D<T>::value_type& s,
                                        const ZELBasicVector3D<T>& a) noexcept {
    return zel_internal::Vector3DOps<T>::zip(ZELBasicVector3D<T>(s), a, _ZELAddOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator-(const ZELBasicVector3D<T>& a,
                                        const ZELBasicVector3D<T>& b) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, b, _ZELSubOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator-(
    const ZELBasicVector3D<T>& a, const typename ZELBasicVector3D<T>::value_type& s) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, ZELBasicVector3D<T>(s), _ZELSubOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator-(const typename ZELBasicVector3D<T>::value_type& s,
                                        const ZELBasicVector3D<T>& a) noexcept {
    return zel_internal::Vector3DOps<T>::zip(ZELBasicVector3D<T>(s), a, _ZELSubOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator*(const ZELBasicVector3D<T>& a,
                                        const ZELBasicVector3D<T>& b) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, b, _ZELMulOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator*(
    const ZELBasicVector3D<T>& a, const typename ZELBasicVector3D<T>::value_type& s) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, ZELBasicVector3D<T>(s), _ZELMulOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator*(const typename ZELBasicVector3D<T>::value_type& s,
                                        const ZELBasicVector3D<T>& a) noexcept {
    return zel_internal::Vector3DOps<T>::zip(ZELBasicVector3D<T>(s), a, _ZELMulOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator/(const ZELBasicVector3D<T>& a,
                                        const ZELBasicVector3D<T>& b) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, b, _ZELDivOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator/(
    const ZELBasicVector3D<T>& a, const typename ZELBasicVector3D<T>::value_type& s) noexcept {
    return zel_internal::Vector3DOps<T>::zip(a, ZELBasicVector3D<T>(s), _ZELDivOp());
}
template <class T>
constexpr ZELBasicVector3D<T> operator/(const typename ZELBasicVector3D<T>::value_type& s,
                                        const ZELBasicVector3D<T>& a) noexcept {
    return zel_internal::Vector3DOps<T>::zip(ZELBasicVector3D<T>(s), a, _ZELDivOp());
}

// ---- products, norms and near-comparison ----
template <class T>
constexpr T ZELSum(const ZELBasicVector3D<T>& v) noexcept {
    return v[0] + v[1] + v[2];
}

template <class T>
inline ZELBasicVector3D<T> ZELAbs(const ZELBasicVector3D<T>& v) noexcept {
    using std::abs;
    return ZELBasicVector3D<T>(abs(v[0]), abs(v[1]), abs(v[2]));
}

/// (a.x*b.x + a.y*b.y) + a.z*b.z.
template <class T>
constexpr T ZELDot(const ZELBasicVector3D<T>& a, const ZELBasicVector3D<T>& b) noexcept {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

/// The same sum for double, with x and y multiplied as one pair: bit-identical, and it keeps
/// compilers from vectorising loops of dot products across elements with costly shuffles.
inline double ZELDot(const ZELBasicVector3D<double>& a,
                     const ZELBasicVector3D<double>& b) noexcept {
    const zel_internal::Pair p = zel_internal::loadPair(&a[0]) * zel_internal::loadPair(&b[0]);
    return (p[0] + p[1]) + a[2] * b[2];
}

template <class T>
constexpr ZELBasicVector3D<T> ZELCross(const ZELBasicVector3D<T>& a,
                                       const ZELBasicVector3D<T>& b) noexcept {
    return ZELBasicVector3D<T>(a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                               a[0] * b[1] - a[1] * b[0]);
}

template <class T>
inline T ZELL1Norm(const ZELBasicVector3D<T>& v) noexcept {
    using std::abs;
    return abs(v[0]) + abs(v[1]) + abs(v[2]);
}

template <class T>
constexpr T ZELL2NormSqr(const ZELBasicVector3D<T>& v) noexcept {
    return v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
}

template <class T>
inline T ZELL2Norm(const ZELBasicVector3D<T>& v) noexcept {
    using std::sqrt;
    return sqrt(ZELL2NormSqr(v));
}

/// The largest magnitude: m = |x|, replaced by |y| and then |z| when strictly larger. A NaN in
/// y or z is passed over; a NaN in x is the result.
template <class T>
inline T ZELLinfNorm(const ZELBasicVector3D<T>& v) noexcept {
    using std::abs;
    T m = abs(v[0]);
    const T ay = abs(v[1]);
    if (ay > m) m = ay;
    const T az = abs(v[2]);
    if (az > m) m = az;
    return m;
}

/// tol <= 0: exact componentwise equality. Otherwise tol >= ZELLinfNorm(a - b). A NaN tolerance
/// gives false.
template <class T>
inline bool ZELNearAbs(const ZELBasicVector3D<T>& a, const ZELBasicVector3D<T>& b,
                       const typename ZELBasicVector3D<T>::value_type& tol) noexcept {
    return zel_internal::nearAbs(
        tol, [&] { return a == b; }, [&] { return ZELLinfNorm(a - b); });
}

/// tol <= 0: exact componentwise equality. Otherwise the larger of the two infinity norms times
/// tol must be >= ZELLinfNorm(a - b); two zero vectors are near for any positive tolerance.
template <class T>
inline bool ZELNearRel(const ZELBasicVector3D<T>& a, const ZELBasicVector3D<T>& b,
                       const typename ZELBasicVector3D<T>::value_type& tol) noexcept {
    return zel_internal::nearRel(
        tol, [&] { return a == b; }, [&] { return ZELLinfNorm(a - b); },
        [&] { return ZELLinfNorm(a); }, [&] { return ZELLinfNorm(b); });
}

/// Writes the vector as a 3-element math vector: "[ ", each component followed by two spaces
/// (a NaN as "NaN   "), "]" and a line break, with the stream's floating-point flags.
template <class T>
inline std::ostream& operator<<(std::ostream& os, const ZELBasicVector3D<T>& v) {
    return os << static_cast<ZELBasicMathVector<T>>(v);
}

// The constants, defined here so that every user sees their constant initialisers.
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::Zero(T(0), T(0), T(0));
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::UnitX(T(1), T(0), T(0));
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::UnitY(T(0), T(1), T(0));
template <class T>
const ZELBasicVector3D<T> ZELBasicVector3D<T>::UnitZ(T(0), T(0), T(1));

using ZELVector3D = ZELBasicVector3D<double>;

/// @}

#endif
