// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The one way into a rotation matrix's nine scalars for the other geometry classes (the
// quaternion's conversions, the transform). ZELBasicRotate3D befriends this helper and nothing
// else, so the storage layout is known here and in the rotation itself only.
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELROTATIONSTORAGE_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELROTATIONSTORAGE_H

#include "publicinterfaces/ZELMath3D.h"  // declares ZELBasicRotate3D

namespace zel_internal {

struct RotationStorage {
    /// R(r, c), row r and column c, both 0..2.
    template <class T>
    static T& at(ZELBasicRotate3D<T>& R, int r, int c) noexcept {
        return R.m_[3 * c + r];
    }
    template <class T>
    static const T& at(const ZELBasicRotate3D<T>& R, int r, int c) noexcept {
        return R.m_[3 * c + r];
    }
    /// The nine scalars in their flat order, column by column: position 3c + r holds R(r, c).
    template <class T>
    static T* columns(ZELBasicRotate3D<T>& R) noexcept {
        return R.m_;
    }
    template <class T>
    static const T* columns(const ZELBasicRotate3D<T>& R) noexcept {
        return R.m_;
    }
};

}  // namespace zel_internal

#endif
