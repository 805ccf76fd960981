/// \class ZELKinematicChain
/// ZELKinematicChain: a serial robot arm described link by link in the classic
/// Denavit-Hartenberg form; its tool pose (forward kinematics), its Jacobian and the joint
/// vector for a wanted tool pose (inverse kinematics).
///
/// Links. Link i is the transform of `ZELXform3D::setDH(theta, d, alpha, a)`,
/// Rz(theta)·Tz(d)·Tx(a)·Rx(alpha), with the same cleaned sines and cosines. A revolute joint
/// moves theta = q[i] + offset (d, a, alpha fixed); a prismatic joint moves d = q[i] + offset
/// (theta, a, alpha fixed). The tool pose is base · link 0 · link 1 · ... · link n-1 · tool,
/// composed from the left with the transform's product, so `forward` gives the same bits as
/// multiplying the `setDH` transforms by hand in that order. A base or tool equal to the
/// identity is left out of the product (multiplying by it could only change the sign of a zero).
///
/// Jacobian. `jacobian(q)` is the 6 × n geometric Jacobian of the tool point (the origin of the
/// tool frame) in base-frame coordinates: rows 0-2 are the linear velocity x, y, z of the tool
/// point, rows 3-5 the angular velocity x, y, z, per unit joint velocity. The axis of joint i is
/// the z axis of the frame before link i (the base frame for joint 0): a revolute column is
/// (z × (p_tool − p), z), a prismatic column (z, 0).
///
/// Units. Angles are radians; lengths are any unit, the same for every link, the base, the tool
/// and the target. Prismatic joint values and the position error are in that unit.
///
/// Inverse kinematics. `inverse` is a damped least-squares (Levenberg-Marquardt) solver on the
/// error (position error / reach, rotation vector of the orientation error): the position is
/// measured against the chain's reach, so the chain in millimetres behaves like the chain in
/// metres. Steps are clamped to the joint limits. When an attempt stalls (at a singularity, a
/// limit or a local minimum) the solver restarts from a joint vector drawn uniformly within the
/// limits from the options' random stream (revolute joints without limits: [−π, π]; prismatic
/// joints without limits: offset ± reach). See ZELIKOptions for determinism, the time budget,
/// position-only solving and interrupting a search. Converged means both errors are finite and
/// within their tolerances.
///
/// Bad input:
///   - a joint vector (q or seed) of the wrong length throws ZELEDomainError naming both
///     lengths;
///   - a lower limit above the upper one, a NaN limit, limits that leave no finite value (a lower
///     limit of +inf, an upper one of −inf), or a non-finite link parameter throws
///     ZELEDomainError when the joint is added, and the chain is left as it was;
///   - NaN or infinite joint values give NaN poses from `forward` and `jacobian`, not an error;
///   - `inverse` with a NaN or infinite value in the target or the seed, a negative or NaN
///     tolerance, a NaN budget or a negative iteration or restart count returns reason
///     InvalidInput and leaves q untouched;
///   - `inverse` towards a target whose rotation is not a rotation (columns off orthonormal by
///     more than 1e-6, or a reflection: normalize() it first), on a chain whose reach is
///     infinite, or with a classic stream for the restarts throws ZELEDomainError and leaves q
///     untouched;
///   - a seed outside the limits is clamped into them before the first step;
///   - an unreachable target ends with the best joint vector found and converged == false,
///     after at most maxIterations · (restarts + 1) iterations or the time budget.
///
/// A chain is a value: copies are independent, and a const chain may be used from several
/// threads at once.
#ifndef ZELMATH_KINEMATICS_ZELKINEMATICCHAIN_H
#define ZELMATH_KINEMATICS_ZELKINEMATICCHAIN_H

/// \addtogroup kinematics
/// @{

#include "ZELMathExport.h"
#include "kinematics/ZELIKOptions.h"
#include "kinematics/ZELIKResult.h"
#include "publicinterfaces/ZELMathMatrix.h"
#include "publicinterfaces/ZELMathVector.h"
#include "publicinterfaces/ZELXform3D.h"

#include <array>
#include <limits>
#include <vector>

class ZELMATH_EXPORT ZELKinematicChain {
public:
    /// An empty chain: no joints, identity base and tool.
    ZELKinematicChain() = default;

    /// \name Building the chain
    /// @{

    /// Appends a revolute link: theta = q + offset; d, a, alpha fixed. Limits apply to q.
    void addRevolute(double d, double a, double alpha, double offset = 0.0,
                     double lower = -std::numeric_limits<double>::infinity(),
                     double upper = std::numeric_limits<double>::infinity());
    /// Appends a prismatic link: d = q + offset; theta, a, alpha fixed. Limits apply to q.
    void addPrismatic(double theta, double a, double alpha, double offset = 0.0,
                      double lower = -std::numeric_limits<double>::infinity(),
                      double upper = std::numeric_limits<double>::infinity());
    /// The transform before the first link (identity by default).
    void setBase(const ZELXform3D& base) noexcept {
        base_ = base;
        hasBase_ = !(base == ZELXform3D::Identity);
    }
    /// The transform after the last link, from its frame to the tool frame (identity by default).
    void setTool(const ZELXform3D& tool);
    const ZELXform3D& base() const noexcept { return base_; }
    const ZELXform3D& tool() const noexcept { return tool_; }

    /// @}
    /// \name Joints
    /// @{

    int joints() const noexcept { return static_cast<int>(links_.size()); }
    /// Limits of joint i (0 ≤ i < joints(), else ZELEDomainError).
    double lower(int i) const;
    double upper(int i) const;
    bool isPrismatic(int i) const;
    /// The length scale of the chain: the sum over the links of √(a² + d²) (prismatic links
    /// counting their largest finite extension) plus the tool's offset; 1 for a chain with no
    /// length at all.
    double reach() const noexcept { return reach_ > 0.0 ? reach_ : 1.0; }

    /// @}
    /// \name Kinematics
    /// @{

    /// The tool pose base · links · tool.
    ZELXform3D forward(const ZELMathVector& q) const;
    /// frames[i] = base · links 0..i for every link, then frames[joints()] = the tool pose.
    void forward(const ZELMathVector& q, std::vector<ZELXform3D>& frames) const;
    /// The 6 × n geometric Jacobian of the tool point in base coordinates (see above).
    ZELMathMatrix jacobian(const ZELMathVector& q) const;
    /// Solves for q with forward(q) at the target, starting from the seed (see above).
    ZELIKResult inverse(const ZELXform3D& target, const ZELMathVector& seed, ZELMathVector& q,
                        const ZELIKOptions& options = {}) const;

    /// @}
    /// \name Unchecked forms on plain arrays
    /// For callers that keep their own storage (bindings, batch loops). q holds joints() values;
    /// nothing is checked.
    /// @{

    /// The tool pose as twelve scalars in the transform's flat order (rotation column by column,
    /// then position): the same bits as forward(q).
    void forwardScalars(const double* q, double* pose) const noexcept;
    /// The Jacobian into six rows of joints() elements each (the same bits as jacobian(q)); the
    /// tool pose into `pose` (twelve scalars) unless it is null.
    void jacobianRows(const double* q, double* const rows[6],
                      double* pose = nullptr) const noexcept;

    /// @}
    /// \name Dynamics
    /// Rigid-body dynamics of the chain (docs/guide.md, "Dynamics"). Link i's
    /// inertia is given in its own frame, the frame at the end of the link; the payload in the
    /// tool frame; gravity in the coordinates of `forward`'s result. Torques of revolute joints,
    /// forces of prismatic ones. A wrench (force, moment) is exerted by the environment on the
    /// tool, at the tool origin, in tool coordinates. Joint vectors of the wrong length throw
    /// ZELEDomainError naming both lengths; NaN values give NaN results.
    /// @{

    /// Link i's mass, centre of mass and rotational inertia about the centre of mass
    /// {Ixx, Iyy, Izz, Ixy, Ixz, Iyz} (Ixy the (0, 1) entry of the matrix, −∫xy dm). A negative
    /// or non-finite mass, a non-finite value, or an inertia that is not positive semi-definite
    /// or breaks the triangle inequalities throws ZELEDomainError and changes nothing.
    void setInertia(int i, double mass, const ZELVector3D& centreOfMass,
                    const std::array<double, 6>& inertia);
    /// The reflected rotor inertia of joint i (≥ 0), added to the mass matrix's diagonal.
    void setArmature(int i, double rotorInertia);
    /// Gravity's acceleration (default (0, 0, −9.81)); every component finite.
    void setGravity(const ZELVector3D& g);
    const ZELVector3D& gravity() const noexcept { return gravity_; }
    /// A rigid payload fixed to the tool frame, checked as setInertia; mass 0 removes it.
    void setPayload(double mass, const ZELVector3D& centreOfMass,
                    const std::array<double, 6>& inertia);

    /// Joint torques for the motion (q, qd, qdd) (recursive Newton-Euler).
    ZELMathVector inverseDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                  const ZELMathVector& qdd) const;
    ZELMathVector inverseDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                  const ZELMathVector& qdd, const ZELVector3D& force,
                                  const ZELVector3D& moment) const;
    /// The joint-space mass matrix M(q), armature included (composite rigid bodies).
    ZELMathMatrix massMatrix(const ZELMathVector& q) const;
    /// The torques holding the chain still against gravity.
    ZELMathVector gravityTorques(const ZELMathVector& q) const;
    /// The Coriolis and centrifugal torques C(q, qd)·qd.
    ZELMathVector coriolisTorques(const ZELMathVector& q, const ZELMathVector& qd) const;
    /// Joint accelerations under the torques tau (articulated bodies).
    ZELMathVector forwardDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                  const ZELMathVector& tau) const;
    ZELMathVector forwardDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                  const ZELMathVector& tau, const ZELVector3D& force,
                                  const ZELVector3D& moment) const;

    /// Unchecked forms of the above on arrays of joints() values; `wrench` is null or six
    /// scalars (force x y z, moment x y z). A null qd or qdd stands for zeros; gravity false
    /// leaves gravity out. The same bits as the checked forms. Nothing is allocated for chains
    /// of up to kDynamicsStackJoints joints.
    static constexpr int kDynamicsStackJoints = 32;
    void inverseDynamicsArrays(const double* q, const double* qd, const double* qdd, double* tau,
                               const double* wrench = nullptr, bool gravity = true) const;
    /// M(q) row by row into m (joints()² values).
    void massMatrixArray(const double* q, double* m) const;
    void forwardDynamicsArrays(const double* q, const double* qd, const double* tau, double* qdd,
                               const double* wrench = nullptr) const;

    /// @}
private:
    struct Link {
        double sinTheta, cosTheta;  ///< of the fixed theta of a prismatic link
        double d;                   ///< d of a revolute link
        double a;
        double sinAlpha, cosAlpha;
        double offset;
        double lower, upper;
        bool prismatic;
    };

    void add(const Link& link);
    /// Composes base · links · tool into t, calling before(i, t) and after(i, t) around link i.
    template <class Before, class After>
    void walk(const double* q, double* t, Before before, After after) const noexcept;
    const Link& link(int i) const;
    void checkLength(const ZELMathVector& q, const char* what) const;
    /// The checked forms of the dynamics share these (wrench: null or six scalars).
    ZELMathVector checkedInverseDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                         const ZELMathVector& qdd, const double* wrench) const;
    ZELMathVector checkedForwardDynamics(const ZELMathVector& q, const ZELMathVector& qd,
                                         const ZELMathVector& tau, const double* wrench) const;
    void updateReach() noexcept;

    std::vector<Link> links_;
    ZELXform3D base_;
    ZELXform3D tool_;
    bool hasBase_ = false;  ///< the base is not the identity
    bool hasTool_ = false;  ///< the tool is not the identity
    double reach_ = 0.0;

    /// A rigid body's inertia about a frame's origin (a link's in its joint frame, the frame
    /// before the link turned by theta and moved by d; the payload's in the tool frame): mass,
    /// first moment (mass times centre of mass) and rotational inertia {xx, yy, zz, xy, xz, yz}.
    struct Body {
        double mass = 0.0;
        double moment[3] = {0.0, 0.0, 0.0};
        double inertia[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    };
    static Body body(double mass, const ZELVector3D& centreOfMass,
                     const std::array<double, 6>& inertia, const char* what);
    const Body& bodyOf(std::size_t i) const noexcept;
    void lastBody(Body& out) const noexcept;
    std::vector<Body> bodies_;      ///< per link; links past the end are massless
    std::vector<double> armature_;  ///< per joint; joints past the end have none
    ZELVector3D gravity_{0.0, 0.0, -9.81};
    Body payload_;
    bool hasPayload_ = false;
};

/// @}

#endif
