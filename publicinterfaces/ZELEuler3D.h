/// \class ZELBasicEuler3D
/// ZELBasicEuler3D<T>: an orientation as three successive rotations about coordinate axes.
///
/// The triple holds three angles a0, a1, a2 (radians) and three axes k0, k1, k2; angle i goes
/// with axis i. It stands for R = R_k0(a0) * R_k1(a1) * R_k2(a2): each rotation turns about an
/// axis of the frame as moved by the rotations before it. The rotation itself is built by the
/// rotation matrix's `setEuler`; this class only stores and exchanges the six values.
///
/// The axes may repeat (z-y-z, the default) or all differ (x-y-z). They are stored without a
/// check; whatever turns the triple into a rotation requires XAxis, YAxis or ZAxis. `get`/`set`
/// take an index 0..2 that is not range-checked.
///
/// Text output writes the angles as a math vector ("[ a0  a1  a2  ]" and a line break), then
/// the axes as integers, "[ k0  k1  k2 ]", with no line break after them.
#ifndef ZELMATH_PUBLICINTERFACES_ZELEULER3D_H
#define ZELMATH_PUBLICINTERFACES_ZELEULER3D_H

/// \addtogroup geometry
/// @{

#include "ZELMathExport.h"
#include "publicinterfaces/ZELMath3D.h"
#include "publicinterfaces/internal/ZELGeometryOps.h"

#include <iosfwd>

template <class T>
class ZELMATH_EXPORT ZELBasicEuler3D : public ZELMath3D {
public:
    using value_type = T;

    /// Angles (0, 0, 0) about (ZAxis, YAxis, ZAxis); constant-initialised.
    static const ZELBasicEuler3D Identity;

    constexpr ZELBasicEuler3D() noexcept : a_{T(0), T(0), T(0)}, k_{ZAxis, YAxis, ZAxis} {}
    /// The triple R_k0(a0) * R_k1(a1) * R_k2(a2); the axes are stored unchecked.
    constexpr ZELBasicEuler3D(const T& a0, AxisType k0, const T& a1, AxisType k1, const T& a2,
                              AxisType k2) noexcept
        : a_{a0, a1, a2}, k_{k0, k1, k2} {}
    constexpr ZELBasicEuler3D(const ZELBasicEuler3D&) noexcept = default;
    ZELBasicEuler3D& operator=(const ZELBasicEuler3D&) noexcept = default;
    ~ZELBasicEuler3D() = default;

    /// Stores the three angles; the axes are not touched.
    void setAngles(const T& a0, const T& a1, const T& a2) noexcept { putThree(a_, a0, a1, a2); }
    /// Reads the three angles.
    void getAngles(T& a0, T& a1, T& a2) const noexcept { takeThree(a_, a0, a1, a2); }
    /// Stores the three axes (unchecked); the angles are not touched.
    void setAxes(AxisType k0, AxisType k1, AxisType k2) noexcept { putThree(k_, k0, k1, k2); }
    /// Reads the three axes.
    void getAxes(AxisType& k0, AxisType& k1, AxisType& k2) const noexcept {
        takeThree(k_, k0, k1, k2);
    }
    /// Angle and axis number i (0..2, unchecked).
    void set(int i, const T& angle, AxisType axis) noexcept {
        a_[i] = angle;
        k_[i] = axis;
    }
    void get(int i, T& angle, AxisType& axis) const noexcept {
        angle = a_[i];
        axis = k_[i];
    }

    /// The triple of the inverse rotation: angles (-a2, -a1, -a0) about (k2, k1, k0). The
    /// negation only flips the sign bit (0 becomes -0), so inverting twice restores the triple.
    void invert() noexcept {
        const T a0 = a_[0];
        a_[0] = -a_[2];
        a_[1] = -a_[1];
        a_[2] = -a0;
        const AxisType k0 = k_[0];
        k_[0] = k_[2];
        k_[2] = k0;
    }

    /// Exact comparison of the angles, then the axes; a NaN angle makes == false.
    constexpr bool operator==(const ZELBasicEuler3D& b) const noexcept {
        return a_[0] == b.a_[0] && a_[1] == b.a_[1] && a_[2] == b.a_[2] && k_[0] == b.k_[0] &&
            k_[1] == b.k_[1] && k_[2] == b.k_[2];
    }
    constexpr bool operator!=(const ZELBasicEuler3D& b) const noexcept { return !(*this == b); }

private:
    template <class U>
    static void putThree(U* to, const U& u0, const U& u1, const U& u2) noexcept {
        to[0] = u0;
        to[1] = u1;
        to[2] = u2;
    }
    template <class U>
    static void takeThree(const U* from, U& u0, U& u1, U& u2) noexcept {
        u0 = from[0];
        u1 = from[1];
        u2 = from[2];
    }

    T a_[3];
    AxisType k_[3];
};

/// The angles as a math vector ("[ a0  a1  a2  ]" and a line break), then "[ k0  k1  k2 ]"
/// with the axes as integers and no line break.
template <class T>
inline std::ostream& operator<<(std::ostream& os, const ZELBasicEuler3D<T>& e) {
    return zel_internal::Euler3DOps<T>::print(os, e);
}

// The constants, defined here so that every user sees their constant initialisers.
template <class T>
const ZELBasicEuler3D<T> ZELBasicEuler3D<T>::Identity{};

using ZELEuler3D = ZELBasicEuler3D<double>;

/// @}

#endif
