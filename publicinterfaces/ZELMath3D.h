/// \class ZELMath3D
/// ZELMath3D: the common base of the 3D geometry value types.
///
/// The class holds no data and has no virtual functions; it scopes the enumerations that the
/// 3-vector, rotation matrix, quaternion, Euler triple and rigid transform share. Every
/// enumeration has `int` as its fixed underlying type, so any int converts to it without
/// undefined behaviour and the operations that take one can recognise and reject a value outside
/// its set (an invalid frame or rotation axis is reported through the assertion hook).
#ifndef ZELMATH_PUBLICINTERFACES_ZELMATH3D_H
#define ZELMATH_PUBLICINTERFACES_ZELMATH3D_H

#include "ZELMathExport.h"

/// \addtogroup geometry
/// @{

class ZELMath3D {
public:
    /// A coordinate axis: rotations about an axis, the axes of an Euler triple.
    enum AxisType : int { XAxis = 0, YAxis = 1, ZAxis = 2 };

    /// The frame an incremental motion is expressed in. WorldFrame: the fixed frame the object
    /// itself is expressed in (the increment is applied from the left). LocalFrame: the object's
    /// own frame (the increment is applied from the right).
    enum ReferenceFrame : int { WorldFrame = 0, LocalFrame = 1 };

    /// Tag of the constructors that leave their storage unset.
    enum UninitializedType : int { Uninitialized = 0 };

    /// The x, y or z component of a 3-vector; also the row of a rotation matrix.
    enum CoordinateIndex : int { XCoord = 0, YCoord = 1, ZCoord = 2 };

    /// One of the direction vectors (columns) N, S, A of a rotation matrix.
    enum DirectionIndex : int { NDirection = 0, SDirection = 1, ADirection = 2 };

    /// Names the position vector of a transform; its value is never read.
    enum PositionIndex : int { Position = 0 };

protected:
    constexpr ZELMath3D() noexcept = default;
    constexpr ZELMath3D(const ZELMath3D&) noexcept = default;
    constexpr explicit ZELMath3D(UninitializedType) noexcept {}
    ZELMath3D& operator=(const ZELMath3D&) noexcept = default;
    ~ZELMath3D() = default;
};

// The geometry value types, declared once before any of them is defined: the rotation and the
// quaternion refer to each other, and the first declaration of a class carries its visibility.
template <class T>
class ZELMATH_EXPORT ZELBasicVector3D;
template <class T>
class ZELMATH_EXPORT ZELBasicRotate3D;
template <class T>
class ZELMATH_EXPORT ZELBasicEuler3D;
template <class T>
class ZELMATH_EXPORT ZELBasicQtn3D;
template <class T>
class ZELMATH_EXPORT ZELBasicXform3D;

/// @}

#endif
