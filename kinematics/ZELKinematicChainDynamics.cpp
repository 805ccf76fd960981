// Rigid-body dynamics of ZELKinematicChain: the inertial parameters, inverse dynamics (recursive
// Newton-Euler), the mass matrix (composite rigid bodies) and forward dynamics (articulated
// bodies). Every quantity of link i lives in link i's frame about its origin (see
// kinematics/internal/ZELSpatial.h); the order of every sum is fixed, so results are the same bits
// with any compiler and optimisation level.
#include "foundation/ZELException.h"
#include "kinematics/ZELKinematicChain.h"
#include "kinematics/internal/ZELKinematicsReportSites.h"
#include "kinematics/internal/ZELSpatial.h"
#include "publicinterfaces/ZELCleanSinCos.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using zel_internal::ArticulatedInertia;
using zel_internal::detailNumber;
using zel_internal::RigidInertia;
using zel_internal::SpatialRotation;

namespace {

// The step from joint frame i-1 (or the base frame) to joint frame i, and the joint's axis in
// the motion vectors: 2 (turning about z) or 5 (sliding along z).
struct Joint {
    SpatialRotation r;
    double p[3];
    int axis;
};

template <class Link>
inline void jointFrame(const Link* before, const Link& l, double q, Joint& j) noexcept {
    double st, ct, d;
    if (l.prismatic) {
        st = l.sinTheta;
        ct = l.cosTheta;
        d = q + l.offset;
    } else {
        ZELCleanSinCos(q + l.offset, st, ct);
        d = l.d;
    }
    j.axis = l.prismatic ? 5 : 2;
    if (before == nullptr) {
        j.r = SpatialRotation{ct, st, 1.0, 0.0};
        j.p[0] = 0.0;
        j.p[1] = 0.0;
        j.p[2] = d;
        return;
    }
    const double sa = before->sinAlpha, ca = before->cosAlpha;
    j.r = SpatialRotation{ct, st, ca, sa};
    j.p[0] = before->a;
    j.p[1] = -(d * sa);
    j.p[2] = d * ca;
}

// A body given in the frame at the end of link l in link l's joint frame: turned by Rx(alpha),
// moved by (a, 0, 0).
template <class Link>
inline void endToJoint(const Link& l, RigidInertia& b) noexcept {
    const SpatialRotation r{1.0, 0.0, l.cosAlpha, l.sinAlpha};
    const double p[3] = {l.a, 0.0, 0.0};
    zel_internal::rigidToParent(r, p, b);
}

// Per-call work space: on the stack for up to Stack links, on the heap beyond.
template <class T, std::size_t Stack>
class Scratch {
public:
    explicit Scratch(std::size_t n) {
        if (n > Stack) {
            heap_.resize(n);
            data_ = heap_.data();
        }
    }
    T& operator[](std::size_t i) noexcept { return data_[i]; }

private:
    T local_[Stack];
    std::vector<T> heap_;
    T* data_ = local_;
};

constexpr std::size_t kStack = ZELKinematicChain::kDynamicsStackJoints;

inline RigidInertia rigid(double mass, const double* moment, const double* inertia) noexcept {
    RigidInertia b;
    b.m = mass;
    for (int k = 0; k < 3; ++k) b.h[k] = moment[k];
    for (int k = 0; k < 6; ++k) b.i[k] = inertia[k];
    return b;
}

template <class Body>
inline RigidInertia rigidOf(const Body& b) noexcept {
    return rigid(b.mass, b.moment, b.inertia);
}

// R·S·Rᵀ and R·h for a general rotation R (the transform's flat order: column by column).
void rotateRigid(const double* t, RigidInertia& b) noexcept {
    double rs[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            rs[3 * r + c] = t[r] * b.i[zel_internal::kSym[0][c]] +
                t[3 + r] * b.i[zel_internal::kSym[1][c]] + t[6 + r] * b.i[zel_internal::kSym[2][c]];
    for (int r = 0; r < 3; ++r)
        for (int k = r; k < 3; ++k)
            b.i[zel_internal::kSym[r][k]] =
                rs[3 * r] * t[k] + rs[3 * r + 1] * t[3 + k] + rs[3 * r + 2] * t[6 + k];
    const double h0 = b.h[0], h1 = b.h[1], h2 = b.h[2];
    for (int r = 0; r < 3; ++r) b.h[r] = t[r] * h0 + t[3 + r] * h1 + t[6 + r] * h2;
}

// The wrench the environment exerts on the tool (force, moment in tool coordinates at the tool
// origin) as a force vector of the last link: moment first, about the last link's origin.
void toolWrench(const double* tool, bool hasTool, const double* w, double* out) noexcept {
    if (!hasTool) {
        out[0] = w[3];
        out[1] = w[4];
        out[2] = w[5];
        out[3] = w[0];
        out[4] = w[1];
        out[5] = w[2];
        return;
    }
    double m[3], t[3];
    for (int r = 0; r < 3; ++r) {
        out[3 + r] = tool[r] * w[0] + tool[3 + r] * w[1] + tool[6 + r] * w[2];
        m[r] = tool[r] * w[3] + tool[3 + r] * w[4] + tool[6 + r] * w[5];
    }
    zel_internal::spatialCross(tool + 9, out + 3, t);
    for (int r = 0; r < 3; ++r) out[r] = m[r] + t[r];
}

// A force vector at the end of link l in link l's joint frame.
template <class Link>
inline void forceEndToJoint(const Link& l, double* f) noexcept {
    const SpatialRotation r{1.0, 0.0, l.cosAlpha, l.sinAlpha};
    const double p[3] = {l.a, 0.0, 0.0};
    double t[6];
    zel_internal::forceToParent(r, p, f, t);
    for (int e = 0; e < 6; ++e) f[e] = t[e];
}

}  // namespace

// ---- inertial parameters ---------------------------------------------------------------------

ZELKinematicChain::Body ZELKinematicChain::body(double mass, const ZELVector3D& centreOfMass,
                                                const std::array<double, 6>& inertia,
                                                const char* what) {
    const std::string head = std::string(what) + ": ";
    auto fail = [&](const std::string& detail) {
        zel_internal::raise<ZELEDomainError>(zel_internal::kChainInertia, head + detail);
    };
    if (!std::isfinite(mass) || mass < 0.0)
        fail("mass " + detailNumber(mass) + " is not a finite value at or above 0");
    bool finite = true;
    for (int k = 0; k < 3; ++k) finite = finite && std::isfinite(centreOfMass[k]);
    for (double x : inertia) finite = finite && std::isfinite(x);
    const std::string values = "{" + detailNumber(inertia[0]) + ", " + detailNumber(inertia[1]) +
        ", " + detailNumber(inertia[2]) + ", " + detailNumber(inertia[3]) + ", " +
        detailNumber(inertia[4]) + ", " + detailNumber(inertia[5]) + "}";
    if (!finite)
        fail("centre of mass (" + detailNumber(centreOfMass[0]) + ", " +
             detailNumber(centreOfMass[1]) + ", " + detailNumber(centreOfMass[2]) +
             ") and inertia " + values + " must be finite");
    // Positive semi-definite: every principal minor at or above 0. The triangle inequalities
    // (each principal moment at most the sum of the other two) hold exactly when the second
    // moment of the mass, trace/2·1 − I, is positive semi-definite too. Both within rounding of
    // the trace's scale, so that a thin rod or a point mass passes.
    const double trace = inertia[0] + inertia[1] + inertia[2];
    auto semiDefinite = [&](double xx, double yy, double zz, double xy, double xz, double yz) {
        const double t1 = -1e-12 * trace, t2 = t1 * trace, t3 = t2 * trace;
        const double det =
            xx * (yy * zz - yz * yz) - xy * (xy * zz - yz * xz) + xz * (xy * yz - yy * xz);
        return xx >= t1 && yy >= t1 && zz >= t1 && xx * yy - xy * xy >= t2 &&
            xx * zz - xz * xz >= t2 && yy * zz - yz * yz >= t2 && det >= t3;
    };
    const double ixx = inertia[0], iyy = inertia[1], izz = inertia[2];
    const double ixy = inertia[3], ixz = inertia[4], iyz = inertia[5];
    if (!(trace >= 0.0) || !semiDefinite(ixx, iyy, izz, ixy, ixz, iyz))
        fail("inertia " + values + " is not positive semi-definite");
    const double half = 0.5 * trace;
    if (!semiDefinite(half - ixx, half - iyy, half - izz, -ixy, -ixz, -iyz))
        fail("inertia " + values +
             " breaks the triangle inequality (a principal moment exceeds the sum of the "
             "other two)");
    // About the frame's origin: I + m((c·c)1 − c cᵀ), first moment m·c.
    const double cx = centreOfMass[0], cy = centreOfMass[1], cz = centreOfMass[2];
    Body b;
    b.mass = mass;
    b.moment[0] = mass * cx;
    b.moment[1] = mass * cy;
    b.moment[2] = mass * cz;
    b.inertia[0] = ixx + mass * (cy * cy + cz * cz);
    b.inertia[1] = iyy + mass * (cx * cx + cz * cz);
    b.inertia[2] = izz + mass * (cx * cx + cy * cy);
    b.inertia[3] = ixy - mass * (cx * cy);
    b.inertia[4] = ixz - mass * (cx * cz);
    b.inertia[5] = iyz - mass * (cy * cz);
    return b;
}

void ZELKinematicChain::setInertia(int i, double mass, const ZELVector3D& centreOfMass,
                                   const std::array<double, 6>& inertia) {
    (void)link(i);
    const Body b =
        body(mass, centreOfMass, inertia, ("setInertia(" + std::to_string(i) + ")").c_str());
    // Kept in the link's joint frame, where the recursions work.
    RigidInertia r = rigidOf(b);
    endToJoint(links_[static_cast<std::size_t>(i)], r);
    Body j;
    j.mass = r.m;
    for (int k = 0; k < 3; ++k) j.moment[k] = r.h[k];
    for (int k = 0; k < 6; ++k) j.inertia[k] = r.i[k];
    if (bodies_.size() <= static_cast<std::size_t>(i))
        bodies_.resize(static_cast<std::size_t>(i) + 1);
    bodies_[static_cast<std::size_t>(i)] = j;
}

void ZELKinematicChain::setArmature(int i, double rotorInertia) {
    (void)link(i);
    if (!std::isfinite(rotorInertia) || rotorInertia < 0.0)
        zel_internal::raise<ZELEDomainError>(zel_internal::kChainArmature,
                                             "setArmature(" + std::to_string(i) +
                                                 "): " + detailNumber(rotorInertia) +
                                                 " is not a finite value at or above 0");
    if (armature_.size() <= static_cast<std::size_t>(i))
        armature_.resize(static_cast<std::size_t>(i) + 1, 0.0);
    armature_[static_cast<std::size_t>(i)] = rotorInertia;
}

void ZELKinematicChain::setGravity(const ZELVector3D& g) {
    if (!std::isfinite(g[0]) || !std::isfinite(g[1]) || !std::isfinite(g[2]))
        zel_internal::raise<ZELEDomainError>(zel_internal::kChainGravity,
                                             "setGravity: (" + detailNumber(g[0]) + ", " +
                                                 detailNumber(g[1]) + ", " + detailNumber(g[2]) +
                                                 ") is not finite");
    gravity_ = g;
}

void ZELKinematicChain::setPayload(double mass, const ZELVector3D& centreOfMass,
                                   const std::array<double, 6>& inertia) {
    payload_ = body(mass, centreOfMass, inertia, "setPayload");
    hasPayload_ = mass > 0.0;
}

const ZELKinematicChain::Body& ZELKinematicChain::bodyOf(std::size_t i) const noexcept {
    static const Body massless;
    return i < bodies_.size() ? bodies_[i] : massless;
}

// The last link's inertia with the payload carried into its frame.
void ZELKinematicChain::lastBody(Body& out) const noexcept {
    out = bodyOf(links_.size() - 1);
    if (!hasPayload_) return;
    RigidInertia p = rigid(payload_.mass, payload_.moment, payload_.inertia);
    if (hasTool_) {
        double t[12];
        tool_.get(t);
        rotateRigid(t, p);
        zel_internal::shiftRigid(p, t + 9);
    }
    endToJoint(links_.back(), p);
    out.mass = out.mass + p.m;
    for (int k = 0; k < 3; ++k) out.moment[k] = out.moment[k] + p.h[k];
    for (int k = 0; k < 6; ++k) out.inertia[k] = out.inertia[k] + p.i[k];
}

namespace {

// The spatial acceleration of the base: the opposite of gravity, in the frame before joint 0.
void baseAcceleration(const ZELXform3D& base, bool hasBase, const ZELVector3D& g, bool gravity,
                      double* a) noexcept {
    a[0] = a[1] = a[2] = 0.0;
    if (!gravity) {
        a[3] = a[4] = a[5] = 0.0;
        return;
    }
    if (!hasBase) {
        a[3] = -g[0];
        a[4] = -g[1];
        a[5] = -g[2];
        return;
    }
    double t[12];
    base.get(t);
    for (int c = 0; c < 3; ++c)
        a[3 + c] = -(t[3 * c] * g[0] + t[3 * c + 1] * g[1] + t[3 * c + 2] * g[2]);
}

struct RneaLink {
    Joint j;
    double v[6], a[6], f[6];
};

}  // namespace

// ---- inverse dynamics: recursive Newton-Euler --------------------------------------------------

void ZELKinematicChain::inverseDynamicsArrays(const double* q, const double* qd, const double* qdd,
                                              double* tau, const double* wrench,
                                              bool gravity) const {
    const std::size_t n = links_.size();
    if (n == 0) return;
    Scratch<RneaLink, kStack> w(n);
    double base[6];
    baseAcceleration(base_, hasBase_, gravity_, gravity, base);
    const double* vPrev = nullptr;
    const double* aPrev = base;
    for (std::size_t i = 0; i < n; ++i) {
        RneaLink& k = w[i];
        jointFrame(i > 0 ? &links_[i - 1] : nullptr, links_[i], q[i], k.j);
        const int axis = k.j.axis;
        const double rate = qd != nullptr ? qd[i] : 0.0;
        const double acc = qdd != nullptr ? qdd[i] : 0.0;
        double t[6], c[6];
        if (i == 0) {
            // The base is still: the velocity is the joint's own, and its product with the
            // joint's velocity vanishes.
            for (int e = 0; e < 6; ++e) {
                k.v[e] = 0.0;
                c[e] = 0.0;
            }
            k.v[axis] = rate;
        } else {
            zel_internal::motionToChild(k.j.r, k.j.p, vPrev, k.v);
            k.v[axis] = k.v[axis] + rate;
            zel_internal::crossJoint(k.v, axis, rate, c);
        }
        zel_internal::motionToChild(k.j.r, k.j.p, aPrev, k.a);
        k.a[axis] = k.a[axis] + acc;
        for (int e = 0; e < 6; ++e) k.a[e] = k.a[e] + c[e];
        RigidInertia in;
        if (i + 1 < n) {
            in = rigidOf(bodyOf(i));
        } else {
            Body last;
            lastBody(last);
            in = rigidOf(last);
        }
        double iv[6];
        zel_internal::applyRigid(in, k.a, k.f);
        zel_internal::applyRigid(in, k.v, iv);
        zel_internal::crossForce(k.v, iv, t);
        for (int e = 0; e < 6; ++e) k.f[e] = k.f[e] + t[e];
        vPrev = k.v;
        aPrev = k.a;
    }
    if (wrench != nullptr) {
        double t[12], ext[6];
        tool_.get(t);
        toolWrench(t, hasTool_, wrench, ext);
        forceEndToJoint(links_[n - 1], ext);
        for (int e = 0; e < 6; ++e) w[n - 1].f[e] = w[n - 1].f[e] - ext[e];
    }
    for (std::size_t i = n; i-- > 0;) {
        RneaLink& k = w[i];
        const double acc = qdd != nullptr ? qdd[i] : 0.0;
        const double arm = i < armature_.size() ? armature_[i] : 0.0;
        tau[i] = k.f[k.j.axis] + arm * acc;
        if (i > 0) {
            double t[6];
            zel_internal::forceToParent(k.j.r, k.j.p, k.f, t);
            for (int e = 0; e < 6; ++e) w[i - 1].f[e] = w[i - 1].f[e] + t[e];
        }
    }
}

// ---- mass matrix: composite rigid bodies -------------------------------------------------------

namespace {

struct CrbaLink {
    Joint j;
    RigidInertia c;
};

}  // namespace

void ZELKinematicChain::massMatrixArray(const double* q, double* m) const {
    const std::size_t n = links_.size();
    if (n == 0) return;
    Scratch<CrbaLink, kStack> w(n);
    for (std::size_t i = 0; i < n; ++i) {
        jointFrame(i > 0 ? &links_[i - 1] : nullptr, links_[i], q[i], w[i].j);
        if (i + 1 < n) {
            w[i].c = rigidOf(bodyOf(i));
        } else {
            Body last;
            lastBody(last);
            w[i].c = rigidOf(last);
        }
    }
    for (std::size_t i = n - 1; i > 0; --i) {
        RigidInertia t = w[i].c;
        zel_internal::rigidToParent(w[i].j.r, w[i].j.p, t);
        zel_internal::addRigid(w[i - 1].c, t);
    }
    for (std::size_t i = 0; i < n; ++i) {
        double f[6], t[6], unit[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        unit[w[i].j.axis] = 1.0;
        zel_internal::applyRigid(w[i].c, unit, f);
        const double arm = i < armature_.size() ? armature_[i] : 0.0;
        m[i * n + i] = f[w[i].j.axis] + arm;
        for (std::size_t j = i; j > 0; --j) {
            zel_internal::forceToParent(w[j].j.r, w[j].j.p, f, t);
            for (int e = 0; e < 6; ++e) f[e] = t[e];
            const double x = f[w[j - 1].j.axis];
            m[i * n + j - 1] = x;
            m[(j - 1) * n + i] = x;
        }
    }
}

// ---- forward dynamics: articulated bodies ------------------------------------------------------

namespace {

struct AbaLink {
    Joint j;
    ArticulatedInertia ia;
    double v[6], c[6], pa[6], u[6], a[6];
    double d, torque;
};

}  // namespace

void ZELKinematicChain::forwardDynamicsArrays(const double* q, const double* qd, const double* tau,
                                              double* qdd, const double* wrench) const {
    const std::size_t n = links_.size();
    if (n == 0) return;
    Scratch<AbaLink, kStack> w(n);
    const double* vPrev = nullptr;
    // Velocities, velocity-product accelerations and bias forces, outwards.
    for (std::size_t i = 0; i < n; ++i) {
        AbaLink& k = w[i];
        jointFrame(i > 0 ? &links_[i - 1] : nullptr, links_[i], q[i], k.j);
        const int axis = k.j.axis;
        double iv[6];
        if (i == 0) {
            for (int e = 0; e < 6; ++e) {
                k.v[e] = 0.0;
                k.c[e] = 0.0;
            }
            k.v[axis] = qd[i];
        } else {
            zel_internal::motionToChild(k.j.r, k.j.p, vPrev, k.v);
            k.v[axis] = k.v[axis] + qd[i];
            zel_internal::crossJoint(k.v, axis, qd[i], k.c);
        }
        RigidInertia in;
        if (i + 1 < n) {
            in = rigidOf(bodyOf(i));
        } else {
            Body last;
            lastBody(last);
            in = rigidOf(last);
        }
        zel_internal::articulatedFromRigid(in, k.ia);
        zel_internal::applyRigid(in, k.v, iv);
        zel_internal::crossForce(k.v, iv, k.pa);
        vPrev = k.v;
    }
    if (wrench != nullptr) {
        double t[12], ext[6];
        tool_.get(t);
        toolWrench(t, hasTool_, wrench, ext);
        forceEndToJoint(links_[n - 1], ext);
        for (int e = 0; e < 6; ++e) w[n - 1].pa[e] = w[n - 1].pa[e] - ext[e];
    }
    // Articulated inertias and bias forces, inwards.
    for (std::size_t i = n; i-- > 0;) {
        AbaLink& k = w[i];
        // U = I·e_axis: a column of the articulated inertia.
        const ArticulatedInertia& x = k.ia;
        const int axis = k.j.axis;
        if (axis == 2) {
            k.u[0] = x.a[4];
            k.u[1] = x.a[5];
            k.u[2] = x.a[2];
            k.u[3] = x.b[6];
            k.u[4] = x.b[7];
            k.u[5] = x.b[8];
        } else {
            k.u[0] = x.b[2];
            k.u[1] = x.b[5];
            k.u[2] = x.b[8];
            k.u[3] = x.c[4];
            k.u[4] = x.c[5];
            k.u[5] = x.c[2];
        }
        const double arm = i < armature_.size() ? armature_[i] : 0.0;
        k.d = k.u[axis] + arm;
        k.torque = tau[i] - k.pa[axis];
        if (i > 0) {
            ArticulatedInertia ia = k.ia;
            zel_internal::subtractOuter(ia, k.u, k.d);
            double ic[6], pa[6], t[6];
            zel_internal::applyArticulated(ia, k.c, ic);
            const double ratio = k.torque / k.d;
            for (int e = 0; e < 6; ++e) pa[e] = (k.pa[e] + ic[e]) + k.u[e] * ratio;
            zel_internal::articulatedToParent(k.j.r, k.j.p, ia);
            zel_internal::addArticulated(w[i - 1].ia, ia);
            zel_internal::forceToParent(k.j.r, k.j.p, pa, t);
            for (int e = 0; e < 6; ++e) w[i - 1].pa[e] = w[i - 1].pa[e] + t[e];
        }
    }
    // Accelerations, outwards.
    double base[6];
    baseAcceleration(base_, hasBase_, gravity_, true, base);
    const double* aPrev = base;
    for (std::size_t i = 0; i < n; ++i) {
        AbaLink& k = w[i];
        zel_internal::motionToChild(k.j.r, k.j.p, aPrev, k.a);
        for (int e = 0; e < 6; ++e) k.a[e] = k.a[e] + k.c[e];
        const double x = (k.torque - zel_internal::spatialDot6(k.u, k.a)) / k.d;
        qdd[i] = x;
        k.a[k.j.axis] = k.a[k.j.axis] + x;
        aPrev = k.a;
    }
}

// ---- checked forms ---------------------------------------------------------------------------

namespace {

double* wrenchOf(const ZELVector3D& force, const ZELVector3D& moment, double* w) noexcept {
    for (int k = 0; k < 3; ++k) {
        w[k] = force[k];
        w[3 + k] = moment[k];
    }
    return w;
}

}  // namespace

ZELMathVector ZELKinematicChain::checkedInverseDynamics(const ZELMathVector& q,
                                                        const ZELMathVector& qd,
                                                        const ZELMathVector& qdd,
                                                        const double* wrench) const {
    checkLength(q, "inverseDynamics (q)");
    checkLength(qd, "inverseDynamics (qd)");
    checkLength(qdd, "inverseDynamics (qdd)");
    ZELMathVector tau(links_.size(), 0.0);
    inverseDynamicsArrays(q.data(), qd.data(), qdd.data(), tau.data(), wrench);
    return tau;
}

ZELMathVector ZELKinematicChain::inverseDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                                 const ZELMathVector& qdd) const {
    return checkedInverseDynamics(q, qd, qdd, nullptr);
}

ZELMathVector ZELKinematicChain::inverseDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                                 const ZELMathVector& qdd, const ZELVector3D& force,
                                                 const ZELVector3D& moment) const {
    double w[6];
    return checkedInverseDynamics(q, qd, qdd, wrenchOf(force, moment, w));
}

ZELMathMatrix ZELKinematicChain::massMatrix(const ZELMathVector& q) const {
    checkLength(q, "massMatrix");
    const std::size_t n = links_.size();
    ZELMathMatrix m(n, n, 0.0);
    std::vector<double> rows(n * n);
    if (n > 0) massMatrixArray(q.data(), rows.data());
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) m(i, j) = rows[i * n + j];
    return m;
}

ZELMathVector ZELKinematicChain::gravityTorques(const ZELMathVector& q) const {
    checkLength(q, "gravityTorques");
    ZELMathVector tau(links_.size(), 0.0);
    inverseDynamicsArrays(q.data(), nullptr, nullptr, tau.data());
    return tau;
}

ZELMathVector ZELKinematicChain::coriolisTorques(const ZELMathVector& q,
                                                 const ZELMathVector& qd) const {
    checkLength(q, "coriolisTorques (q)");
    checkLength(qd, "coriolisTorques (qd)");
    ZELMathVector tau(links_.size(), 0.0);
    inverseDynamicsArrays(q.data(), qd.data(), nullptr, tau.data(), nullptr, false);
    return tau;
}

ZELMathVector ZELKinematicChain::checkedForwardDynamics(const ZELMathVector& q,
                                                        const ZELMathVector& qd,
                                                        const ZELMathVector& tau,
                                                        const double* wrench) const {
    checkLength(q, "forwardDynamics (q)");
    checkLength(qd, "forwardDynamics (qd)");
    checkLength(tau, "forwardDynamics (tau)");
    ZELMathVector qdd(links_.size(), 0.0);
    forwardDynamicsArrays(q.data(), qd.data(), tau.data(), qdd.data(), wrench);
    return qdd;
}

ZELMathVector ZELKinematicChain::forwardDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                                 const ZELMathVector& tau) const {
    return checkedForwardDynamics(q, qd, tau, nullptr);
}

ZELMathVector ZELKinematicChain::forwardDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                                 const ZELMathVector& tau, const ZELVector3D& force,
                                                 const ZELVector3D& moment) const {
    double w[6];
    return checkedForwardDynamics(q, qd, tau, wrenchOf(force, moment, w));
}
