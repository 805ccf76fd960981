// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The report sites of the 3D geometry classes (see foundation/internal/ZELReportSites.h):
// message, source file and line of each, written once here. The lines are fixed numbers, not
// positions in the files: editing a header does not move a report.
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELGEOMETRYREPORTSITES_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELGEOMETRYREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

namespace zel_internal {

// ---- 3-vector -----------------------------------------------------------------------------------
/// normalize() of a vector not longer than the machine epsilon (ZELEZeroVector); also the zero
/// axis of every axis-angle setter and rotate, which normalise through it.
constexpr ThrowSite kVectorZeroLength{L"The vector has zero length", "publicinterfaces/ZELVector3D",
                                      378};

// ---- rotation matrix (the transform's setCAA and setEuler are the rotation's) ------------------
constexpr AssertSite kRotateCAAAxis{"Invalid rotation axis", "publicinterfaces/ZELRotate3D", 449};
constexpr AssertSite kRotateEulerAxis{"Invalid rotation axis", "publicinterfaces/ZELRotate3D", 471};
/// rotate(k, angle, f): the frame, then the axis.
constexpr AssertSite kRotateTurnFrame{"Invalid reference frame", "publicinterfaces/ZELRotate3D",
                                      802};
constexpr AssertSite kRotateTurnAxis{"Invalid rotation axis", "publicinterfaces/ZELRotate3D", 803};
/// rotate(axis, angle, f).
constexpr AssertSite kRotateAxisAngleFrame{"Invalid reference frame",
                                           "publicinterfaces/ZELRotate3D", 828};
/// rotate(b, f).
constexpr AssertSite kRotateComposeFrame{"Invalid reference frame", "publicinterfaces/ZELRotate3D",
                                         851};

// ---- quaternion (its frame message ends with a full stop) --------------------------------------
/// normalize() and set(s, v) with a norm not above Tolerance (ZELENumericError).
constexpr ThrowSite kQtnZeroLength{L"Zero length quaternion", "publicinterfaces/ZELQtn3D", 207};
constexpr AssertSite kQtnCAAAxis{"Invalid rotation axis", "publicinterfaces/ZELQtn3D", 267};
constexpr AssertSite kQtnEulerAxis{"Invalid rotation axis", "publicinterfaces/ZELQtn3D", 299};
/// rotate(r, f), and rotate(axis, angle, f) which goes through it.
constexpr AssertSite kQtnComposeFrame{"Invalid reference frame.", "publicinterfaces/ZELQtn3D", 334};
/// rotate(k, angle, f): the frame, then the axis (one line for both).
constexpr AssertSite kQtnTurnFrame{"Invalid reference frame.", "publicinterfaces/ZELQtn3D", 345};
constexpr AssertSite kQtnTurnAxis{"Invalid rotation axis", "publicinterfaces/ZELQtn3D", 345};

// ---- transform ----------------------------------------------------------------------------------
constexpr AssertSite kXformTranslateFrame{"Invalid reference frame", "publicinterfaces/ZELXform3D",
                                          295};
constexpr AssertSite kXformAxisAngleFrame{"Invalid reference frame", "publicinterfaces/ZELXform3D",
                                          314};
/// rotate(k, angle, f): the frame, then the axis (one line for both).
constexpr AssertSite kXformTurnFrame{"Invalid reference frame", "publicinterfaces/ZELXform3D", 324};
constexpr AssertSite kXformTurnAxis{"Invalid rotation axis", "publicinterfaces/ZELXform3D", 324};
constexpr AssertSite kXformMoveFrame{"Invalid reference frame", "publicinterfaces/ZELXform3D", 345};

}  // namespace zel_internal

#endif
