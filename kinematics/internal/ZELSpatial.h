// Internal to the library: not installed; names may change in any release.
//
// Spatial (6-D) algebra for the dynamics of a Denavit-Hartenberg chain. The quantities of link i
// live in its joint frame: the frame before the link turned by Rz(theta) and moved by Tz(d), so
// that the joint turns about, or slides along, the frame's z axis through its origin. They are
// expressed in that frame, about its origin:
//   motion vectors: angular velocity (3), then linear velocity of the origin (3);
//   force vectors: moment about the origin (3), then force (3).
// From joint frame i-1 to joint frame i the axes turn by R = Rx(alpha[i-1])·Rz(theta[i]) and the
// origin moves by p = (a[i-1], −d[i]·sin alpha[i-1], d[i]·cos alpha[i-1]) in the parent's
// coordinates (for joint 0: R = Rz(theta[0]), p = (0, 0, d[0])).
// Every function fixes its order of operations: the same inputs give the same bits everywhere.
//
// Symmetric 3 × 3 matrices are six scalars: xx, yy, zz, xy, xz, yz. General ones are nine,
// row by row.
#ifndef ZELMATH_KINEMATICS_INTERNAL_ZELSPATIAL_H
#define ZELMATH_KINEMATICS_INTERNAL_ZELSPATIAL_H

namespace zel_internal {

/// R = Rx(alpha)·Rz(theta) by its cosines and sines.
struct SpatialRotation {
    double ct, st, ca, sa;
};

/// The position of a symmetric matrix's element (i, j) in its six scalars.
constexpr int kSym[3][3] = {{0, 3, 4}, {3, 1, 5}, {4, 5, 2}};

inline void spatialCross(const double* a, const double* b, double* out) noexcept {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

inline double spatialDot6(const double* a, const double* b) noexcept {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3] + a[4] * b[4] + a[5] * b[5];
}

/// y = Rᵀ·x (parent coordinates to child coordinates); y may not alias x.
inline void rotateToChild(const SpatialRotation& r, const double* x, double* y) noexcept {
    const double u1 = r.ca * x[1] + r.sa * x[2];
    y[2] = r.ca * x[2] - r.sa * x[1];
    y[0] = r.ct * x[0] + r.st * u1;
    y[1] = r.ct * u1 - r.st * x[0];
}

/// y = R·x (child coordinates to parent coordinates); y may not alias x.
inline void rotateToParent(const SpatialRotation& r, const double* x, double* y) noexcept {
    const double u1 = r.st * x[0] + r.ct * x[1];
    y[0] = r.ct * x[0] - r.st * x[1];
    y[1] = r.ca * u1 - r.sa * x[2];
    y[2] = r.sa * u1 + r.ca * x[2];
}

/// A motion vector of the parent frame in the child frame: ω' = Rᵀω, v' = Rᵀ(v + ω × p).
inline void motionToChild(const SpatialRotation& r, const double* p, const double* m,
                          double* out) noexcept {
    double v[3];
    spatialCross(m, p, v);
    v[0] = m[3] + v[0];
    v[1] = m[4] + v[1];
    v[2] = m[5] + v[2];
    rotateToChild(r, m, out);
    rotateToChild(r, v, out + 3);
}

/// A force vector of the child frame in the parent frame: f' = R f, n' = R n + p × f'.
inline void forceToParent(const SpatialRotation& r, const double* p, const double* f,
                          double* out) noexcept {
    double m[3];
    rotateToParent(r, f + 3, out + 3);
    rotateToParent(r, f, out);
    spatialCross(p, out + 3, m);
    out[0] = out[0] + m[0];
    out[1] = out[1] + m[1];
    out[2] = out[2] + m[2];
}

/// v ×m (e_axis·rate): the velocity-product term of a joint that turns about z (axis 2) or
/// slides along z (axis 5) at `rate`.
inline void crossJoint(const double* v, int axis, double rate, double* out) noexcept {
    if (axis == 2) {
        out[0] = v[1] * rate;
        out[1] = -(v[0] * rate);
        out[2] = 0.0;
        out[3] = v[4] * rate;
        out[4] = -(v[3] * rate);
    } else {
        out[0] = 0.0;
        out[1] = 0.0;
        out[2] = 0.0;
        out[3] = v[1] * rate;
        out[4] = -(v[0] * rate);
    }
    out[5] = 0.0;
}

/// The force term a ×* f of a motion vector and a force vector.
inline void crossForce(const double* a, const double* f, double* out) noexcept {
    double t[3];
    spatialCross(a, f, out);
    spatialCross(a + 3, f + 3, t);
    out[0] = out[0] + t[0];
    out[1] = out[1] + t[1];
    out[2] = out[2] + t[2];
    spatialCross(a, f + 3, out + 3);
}

/// G·S·Gᵀ for the plane rotation G of axes (I, J) by (c, s); K is the third axis.
template <int I, int J, int K>
inline void rotateSymmetric(double* m, double c, double s) noexcept {
    const double a = m[kSym[I][K]], b = m[kSym[J][K]];
    m[kSym[I][K]] = c * a - s * b;
    m[kSym[J][K]] = s * a + c * b;
    const double ii = m[kSym[I][I]], ij = m[kSym[I][J]], jj = m[kSym[J][J]];
    const double uii = c * ii - s * ij, uij = c * ij - s * jj;
    const double uji = s * ii + c * ij, ujj = s * ij + c * jj;
    m[kSym[I][I]] = c * uii - s * uij;
    m[kSym[I][J]] = s * uii + c * uij;
    m[kSym[J][J]] = s * uji + c * ujj;
}

/// R·S·Rᵀ of a symmetric matrix, in place.
inline void rotateSymmetricToParent(const SpatialRotation& r, double* m) noexcept {
    rotateSymmetric<0, 1, 2>(m, r.ct, r.st);
    rotateSymmetric<1, 2, 0>(m, r.ca, r.sa);
}

/// G·B·Gᵀ of a general matrix for the plane rotation of axes (i, j) by (c, s).
inline void rotateGeneral(double* b, int i, int j, double c, double s) noexcept {
    for (int k = 0; k < 3; ++k) {
        const double x = b[3 * i + k], y = b[3 * j + k];
        b[3 * i + k] = c * x - s * y;
        b[3 * j + k] = s * x + c * y;
    }
    for (int k = 0; k < 3; ++k) {
        const double x = b[3 * k + i], y = b[3 * k + j];
        b[3 * k + i] = c * x - s * y;
        b[3 * k + j] = s * x + c * y;
    }
}

/// The inertia of a rigid body about a frame's origin: mass m, first moment h = m·c (c the centre
/// of mass) and the rotational inertia about the origin (symmetric). It maps a motion vector
/// (ω, v) to the momentum (Iω + h × v, m v − h × ω).
struct RigidInertia {
    double m;
    double h[3];
    double i[6];
};

inline void applyRigid(const RigidInertia& b, const double* v, double* out) noexcept {
    const double* w = v;
    const double* l = v + 3;
    const double* s = b.i;
    double t[3];
    spatialCross(b.h, l, t);
    out[0] = s[0] * w[0] + s[3] * w[1] + s[4] * w[2] + t[0];
    out[1] = s[3] * w[0] + s[1] * w[1] + s[5] * w[2] + t[1];
    out[2] = s[4] * w[0] + s[5] * w[1] + s[2] * w[2] + t[2];
    spatialCross(b.h, w, t);
    out[3] = b.m * l[0] - t[0];
    out[4] = b.m * l[1] - t[1];
    out[5] = b.m * l[2] - t[2];
}

/// The inertia about a point O re-expressed about O' = O − p (same axes): the first moment gains
/// m·p, the rotational inertia gains 2(h·p)1 − (p hᵀ + h pᵀ) + m((p·p)1 − p pᵀ).
inline void shiftRigid(RigidInertia& b, const double* p) noexcept {
    const double hx = b.h[0], hy = b.h[1], hz = b.h[2];
    const double px = p[0], py = p[1], pz = p[2], m = b.m;
    b.i[0] = b.i[0] + (2.0 * (hy * py + hz * pz) + m * (py * py + pz * pz));
    b.i[1] = b.i[1] + (2.0 * (hx * px + hz * pz) + m * (px * px + pz * pz));
    b.i[2] = b.i[2] + (2.0 * (hx * px + hy * py) + m * (px * px + py * py));
    b.i[3] = b.i[3] - ((px * hy + py * hx) + m * (px * py));
    b.i[4] = b.i[4] - ((px * hz + pz * hx) + m * (px * pz));
    b.i[5] = b.i[5] - ((py * hz + pz * hy) + m * (py * pz));
    b.h[0] = hx + m * px;
    b.h[1] = hy + m * py;
    b.h[2] = hz + m * pz;
}

/// A child's rigid inertia in its parent's frame (about the parent's origin).
inline void rigidToParent(const SpatialRotation& r, const double* p, RigidInertia& b) noexcept {
    rotateSymmetricToParent(r, b.i);
    double h[3];
    rotateToParent(r, b.h, h);
    b.h[0] = h[0];
    b.h[1] = h[1];
    b.h[2] = h[2];
    shiftRigid(b, p);
}

inline void addRigid(RigidInertia& to, const RigidInertia& b) noexcept {
    to.m = to.m + b.m;
    for (int k = 0; k < 3; ++k) to.h[k] = to.h[k] + b.h[k];
    for (int k = 0; k < 6; ++k) to.i[k] = to.i[k] + b.i[k];
}

/// An articulated-body inertia [A B; Bᵀ C]: A and C symmetric, B general. It maps a motion
/// vector (ω, v) to (Aω + Bv, Bᵀω + Cv).
struct ArticulatedInertia {
    double a[6];
    double b[9];
    double c[6];
};

inline void articulatedFromRigid(const RigidInertia& r, ArticulatedInertia& x) noexcept {
    for (int k = 0; k < 6; ++k) x.a[k] = r.i[k];
    x.b[0] = 0.0;
    x.b[1] = -r.h[2];
    x.b[2] = r.h[1];
    x.b[3] = r.h[2];
    x.b[4] = 0.0;
    x.b[5] = -r.h[0];
    x.b[6] = -r.h[1];
    x.b[7] = r.h[0];
    x.b[8] = 0.0;
    x.c[0] = r.m;
    x.c[1] = r.m;
    x.c[2] = r.m;
    x.c[3] = 0.0;
    x.c[4] = 0.0;
    x.c[5] = 0.0;
}

inline void applyArticulated(const ArticulatedInertia& x, const double* v, double* out) noexcept {
    const double* w = v;
    const double* l = v + 3;
    const double* a = x.a;
    const double* b = x.b;
    const double* c = x.c;
    out[0] = (a[0] * w[0] + a[3] * w[1] + a[4] * w[2]) + (b[0] * l[0] + b[1] * l[1] + b[2] * l[2]);
    out[1] = (a[3] * w[0] + a[1] * w[1] + a[5] * w[2]) + (b[3] * l[0] + b[4] * l[1] + b[5] * l[2]);
    out[2] = (a[4] * w[0] + a[5] * w[1] + a[2] * w[2]) + (b[6] * l[0] + b[7] * l[1] + b[8] * l[2]);
    out[3] = (b[0] * w[0] + b[3] * w[1] + b[6] * w[2]) + (c[0] * l[0] + c[3] * l[1] + c[4] * l[2]);
    out[4] = (b[1] * w[0] + b[4] * w[1] + b[7] * w[2]) + (c[3] * l[0] + c[1] * l[1] + c[5] * l[2]);
    out[5] = (b[2] * w[0] + b[5] * w[1] + b[8] * w[2]) + (c[4] * l[0] + c[5] * l[1] + c[2] * l[2]);
}

/// x − u·(u/d)ᵀ (u a force vector: the articulated inertia times the joint's motion subspace).
inline void subtractOuter(ArticulatedInertia& x, const double* u, double d) noexcept {
    const double inv = 1.0 / d;
    double ud[6];
    for (int k = 0; k < 6; ++k) ud[k] = u[k] * inv;
    for (int r = 0; r < 3; ++r)
        for (int k = r; k < 3; ++k) {
            x.a[kSym[r][k]] = x.a[kSym[r][k]] - u[r] * ud[k];
            x.c[kSym[r][k]] = x.c[kSym[r][k]] - u[3 + r] * ud[3 + k];
        }
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) x.b[3 * r + k] = x.b[3 * r + k] - u[r] * ud[3 + k];
}

/// A child's articulated inertia in its parent's frame: rotated by R, then shifted by p
/// (A + P + Pᵀ − p̃Cp̃, B + p̃C, C with P = p̃Bᵀ).
inline void articulatedToParent(const SpatialRotation& r, const double* p,
                                ArticulatedInertia& x) noexcept {
    rotateSymmetricToParent(r, x.a);
    rotateSymmetricToParent(r, x.c);
    rotateGeneral(x.b, 0, 1, r.ct, r.st);
    rotateGeneral(x.b, 1, 2, r.ca, r.sa);
    // Q = p̃C: column k is p × (column k of C).
    double q[9];
    for (int k = 0; k < 3; ++k) {
        const double col[3] = {x.c[kSym[0][k]], x.c[kSym[1][k]], x.c[kSym[2][k]]};
        double t[3];
        spatialCross(p, col, t);
        q[k] = t[0];
        q[3 + k] = t[1];
        q[6 + k] = t[2];
    }
    // P = p̃Bᵀ: column k is p × (row k of B). −p̃Cp̃ = −Qp̃: row j is p × (row j of Q).
    double pm[9], s[9];
    for (int k = 0; k < 3; ++k) {
        double t[3];
        spatialCross(p, x.b + 3 * k, t);
        pm[k] = t[0];
        pm[3 + k] = t[1];
        pm[6 + k] = t[2];
        spatialCross(p, q + 3 * k, s + 3 * k);
    }
    for (int i = 0; i < 3; ++i)
        for (int k = i; k < 3; ++k)
            x.a[kSym[i][k]] = x.a[kSym[i][k]] + ((pm[3 * i + k] + pm[3 * k + i]) + s[3 * i + k]);
    for (int k = 0; k < 9; ++k) x.b[k] = x.b[k] + q[k];
}

inline void addArticulated(ArticulatedInertia& to, const ArticulatedInertia& x) noexcept {
    for (int k = 0; k < 6; ++k) to.a[k] = to.a[k] + x.a[k];
    for (int k = 0; k < 9; ++k) to.b[k] = to.b[k] + x.b[k];
    for (int k = 0; k < 6; ++k) to.c[k] = to.c[k] + x.c[k];
}

}  // namespace zel_internal

#endif
