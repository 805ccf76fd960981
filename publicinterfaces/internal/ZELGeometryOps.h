// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The work behind the geometry types' free functions that is not written in the free function
// itself: the 3-vector's element-wise idiom, the orientation near-comparisons and the Euler
// triple's output. The out-of-line members are defined and instantiated in the .cpp of the class
// they serve (ZELRotate3D.cpp, ZELEuler3D.cpp, ZELQtn3D.cpp).
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELGEOMETRYOPS_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELGEOMETRYOPS_H

#include "ZELMathExport.h"
#include "publicinterfaces/ZELMath3D.h"  // declares the geometry class templates

#include <iosfwd>

namespace zel_internal {

template <class T>
struct Vector3DOps {
    using Vector = ZELBasicVector3D<T>;
    /// (a.x op b.x, a.y op b.y, a.z op b.z) for an operation tag (_ZELAddOp, ...): the element-wise
    /// idiom shared with the math vector and matrix (a scalar operand is broadcast first).
    template <class Op>
    static constexpr Vector zip(const Vector& a, const Vector& b, Op) noexcept {
        return Vector(Op::apply(a[0], b[0]), Op::apply(a[1], b[1]), Op::apply(a[2], b[2]));
    }
};

template <class T>
struct ZELMATH_EXPORT Rotate3DOps {
    /// ZELNearAbs (relative false) and ZELNearRel (relative true) of two rotations: exact
    /// equality when either tolerance is <= 0, otherwise Qtn3DOps::nearEAA of their quaternions.
    static bool nearOrientation(const ZELBasicRotate3D<T>& a, const ZELBasicRotate3D<T>& b,
                                const T& tolAngle, const T& tolAxis, bool relative);
};

template <class T>
struct ZELMATH_EXPORT Qtn3DOps {
    /// The orientation near-comparison for positive tolerances: the equivalent angles within
    /// tolAngle (relative: tolAngle times the larger angle), then the equivalent axes by the
    /// 3-vector ZELNearAbs (relative: ZELNearRel) with tolAxis. The rotation's comparison uses it.
    static bool nearEAA(const ZELBasicQtn3D<T>& a, const ZELBasicQtn3D<T>& b, const T& tolAngle,
                        const T& tolAxis, bool relative);
    /// ZELNearAbs (relative false) and ZELNearRel (relative true): exact equality when either
    /// tolerance is <= 0, otherwise nearEAA.
    static bool nearOrientation(const ZELBasicQtn3D<T>& a, const ZELBasicQtn3D<T>& b,
                                const T& tolAngle, const T& tolAxis, bool relative) {
        if (tolAngle <= T(0) || tolAxis <= T(0)) return a == b;
        return nearEAA(a, b, tolAngle, tolAxis, relative);
    }
};

template <class T>
struct ZELMATH_EXPORT Euler3DOps {
    /// operator<<(os, e): the angles as a math vector, then the axes.
    static std::ostream& print(std::ostream& os, const ZELBasicEuler3D<T>& e);
};

}  // namespace zel_internal

#endif
