// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The reference-frame dispatch of every frame-relative operation of the rotation matrix, the
// quaternion and the transform, and the checks of a coordinate axis, each written once. A
// failed check reports the site its caller names (publicinterfaces/internal/
// ZELGeometryReportSites.h) to the assertion hook; the operation then changes nothing.
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELFRAMEDISPATCH_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELFRAMEDISPATCH_H

#include "foundation/internal/ZELReportSites.h"
#include "publicinterfaces/ZELMath3D.h"

namespace zel_internal {

/// WorldFrame: world(); LocalFrame: local(); any other value: reports `invalid` and calls
/// neither.
template <class World, class Local>
inline void dispatchFrame(ZELMath3D::ReferenceFrame f, const AssertSite& invalid, World world,
                          Local local) {
    if (f == ZELMath3D::WorldFrame) {
        world();
    } else if (f == ZELMath3D::LocalFrame) {
        local();
    } else {
        report(invalid);
    }
}

/// True for WorldFrame and LocalFrame; otherwise reports `invalid` and returns false.
inline bool checkFrame(ZELMath3D::ReferenceFrame f, const AssertSite& invalid) {
    if (f == ZELMath3D::WorldFrame || f == ZELMath3D::LocalFrame) return true;
    report(invalid);
    return false;
}

/// True for XAxis, YAxis and ZAxis; otherwise reports `invalid` and returns false.
inline bool checkAxis(ZELMath3D::AxisType k, const AssertSite& invalid) {
    if (k == ZELMath3D::XAxis || k == ZELMath3D::YAxis || k == ZELMath3D::ZAxis) return true;
    report(invalid);
    return false;
}

}  // namespace zel_internal

#endif
