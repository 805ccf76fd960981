// Internal to the library: not installed; names may change in any release.
//
// How far a pose of the chain is from the target, in the form the inverse-kinematics solver
// minimises: the position error measured against the chain's reach, and the orientation error
// as a rotation vector (the logarithm of the rotation between the two).
#ifndef ZELMATH_KINEMATICS_INTERNAL_ZELPOSEERROR_H
#define ZELMATH_KINEMATICS_INTERNAL_ZELPOSEERROR_H

#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/internal/ZELRotationStorage.h"

#include <cmath>

namespace zel_internal {

/// The error of a pose against the target: e[0..2] the position error divided by the reach,
/// e[3..5] the rotation vector (axis times angle, base frame) that turns the pose's orientation
/// into the target's.
struct PoseError {
    double e[6];
    double position;     ///< |target p − p|, length unit
    double orientation;  ///< angle, radians
    double cost;         ///< e · e
};

/// The rotation vector of E (nine scalars column by column) into w[0..2], and its angle in
/// [0, π]. Away from a half turn the axis comes from the skew part of E; close to one the skew
/// part vanishes, and the axis is the vector part of E's quaternion (setRotateAccurate keeps it
/// to full precision there), turned to agree with what is left of the skew part.
inline double rotationLog(const double* m, double* w) noexcept {
    const double vx = 0.5 * (m[5] - m[7]), vy = 0.5 * (m[6] - m[2]), vz = 0.5 * (m[1] - m[3]);
    const double s = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double c = 0.5 * (m[0] + m[4] + m[8] - 1.0);
    const double angle = std::atan2(s, c);
    if (s >= 1e-6 || c > 0.0) {
        const double f = s > 0.0 ? angle / s : 1.0;
        w[0] = vx * f;
        w[1] = vy * f;
        w[2] = vz * f;
        return angle;
    }
    ZELRotate3D r(ZELMath3D::Uninitialized);
    double* columns = RotationStorage::columns(r);
    for (int i = 0; i < 9; ++i) columns[i] = m[i];
    ZELQtn3D q(ZELMath3D::Uninitialized);
    q.setRotateAccurate(r);
    const ZELVector3D v = q.v();
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const double dot = v[0] * vx + v[1] * vy + v[2] * vz;
    const double f = length > 0.0 ? (dot < 0.0 ? -angle : angle) / length : 0.0;
    w[0] = v[0] * f;
    w[1] = v[1] * f;
    w[2] = v[2] * f;
    return angle;
}

/// The error of `pose` against `target` (twelve scalars each, the rotation column by column
/// and then the position).
inline void poseError(const double* target, const double* pose, double invReach,
                      PoseError& out) noexcept {
    const double dx = target[9] - pose[9], dy = target[10] - pose[10], dz = target[11] - pose[11];
    out.position = std::sqrt(dx * dx + dy * dy + dz * dz);
    out.e[0] = dx * invReach;
    out.e[1] = dy * invReach;
    out.e[2] = dz * invReach;
    // E = Rt · Rᵀ, element (r, c) at flat index 3c + r.
    double m[9];
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            m[3 * c + r] =
                target[r] * pose[c] + target[3 + r] * pose[3 + c] + target[6 + r] * pose[6 + c];
    out.orientation = rotationLog(m, out.e + 3);
    out.cost = 0.0;
    for (int i = 0; i < 6; ++i) out.cost = out.cost + out.e[i] * out.e[i];
}

}  // namespace zel_internal

#endif
