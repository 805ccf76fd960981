// Dynamics of kinematic chains: closed-form answers for small arms, the identities that tie inverse
// dynamics, the mass matrix and forward dynamics together on random chains (revolute and
// prismatic joints, base, tool, payload, armature, wrenches), energy balance along trajectories,
// and bad input. The comparison with KDL is python/tests/test_dynamics_kdl.py.
#include "ArmInertias.h"
#include "RobotArms.h"

#include "ZELMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using arms::uniform;

const std::array<double, 6> kNoInertia = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};

double maxAbs(const ZELMathVector& v) {
    double m = 0.0;
    for (std::size_t i = 0; i < v.length(); ++i) m = std::fmax(m, std::fabs(v[i]));
    return m;
}

// max |a − b| / max(max |b|, floor)
double relDiff(const ZELMathVector& a, const ZELMathVector& b, double floor = 1e-300) {
    double d = 0.0;
    for (std::size_t i = 0; i < a.length(); ++i) d = std::fmax(d, std::fabs(a[i] - b[i]));
    return d / std::fmax(maxAbs(b), floor);
}

ZELMathVector times(const ZELMathMatrix& m, const ZELMathVector& v) {
    ZELMathVector out(m.rows(), 0.0);
    for (std::size_t i = 0; i < m.rows(); ++i)
        for (std::size_t j = 0; j < m.cols(); ++j) out[i] += m(i, j) * v[j];
    return out;
}

ZELXform3D randomPose(std::mt19937_64& g) {
    ZELRotate3D r;
    r.setRPY(uniform(g, -3, 3), uniform(g, -1.5, 1.5), uniform(g, -3, 3));
    return ZELXform3D(
        r, ZELVector3D(uniform(g, -0.3, 0.3), uniform(g, -0.3, 0.3), uniform(g, -0.3, 0.3)));
}

// A random chain of n joints (every third prismatic), random inertias, armature, base, tool and
// payload; everything drawn from `seed`.
struct RandomChain {
    ZELKinematicChain chain;
    std::vector<arms::Inertia> inertias;
    arms::Inertia payload;
    std::mt19937_64 g;

    RandomChain(int n, unsigned seed, bool extras = true) : g(seed) {
        for (int i = 0; i < n; ++i) {
            const double d = uniform(g, -0.4, 0.4), a = uniform(g, -0.5, 0.5);
            const double alpha = uniform(g, -3.1, 3.1), offset = uniform(g, -1, 1);
            if (i % 3 == 2)
                chain.addPrismatic(uniform(g, -3, 3), a, alpha, offset);
            else
                chain.addRevolute(d, a, alpha, offset);
            inertias.push_back(arms::randomInertia(g));
            chain.setInertia(i, inertias.back().mass, inertias.back().centre,
                             inertias.back().moments);
        }
        payload = arms::randomInertia(g);
        if (!extras) return;
        for (int i = 0; i < n; ++i) chain.setArmature(i, uniform(g, 0.0, 0.5));
        chain.setBase(randomPose(g));
        chain.setTool(randomPose(g));
        chain.setPayload(payload.mass, payload.centre, payload.moments);
    }
    ZELMathVector vec(double lo, double hi) {
        return arms::randomVector(static_cast<std::size_t>(chain.joints()), g, lo, hi);
    }
};

// ---- closed-form answers ---------------------------------------------------------------------

// Two revolute links of lengths l1, l2 in the x-y plane, point masses at their ends, gravity
// along −y: the textbook equations of the planar double pendulum.
TEST(ChainDynamics, PlanarTwoLinkArmMatchesItsClosedForm) {
    const double l1 = 0.7, l2 = 0.45, m1 = 2.5, m2 = 1.25, g = 9.81;
    ZELKinematicChain c;
    c.addRevolute(0.0, l1, 0.0);
    c.addRevolute(0.0, l2, 0.0);
    c.setInertia(0, m1, ZELVector3D(0, 0, 0), kNoInertia);
    c.setInertia(1, m2, ZELVector3D(0, 0, 0), kNoInertia);
    c.setGravity(ZELVector3D(0, -g, 0));
    std::mt19937_64 gen(5);
    for (int k = 0; k < 200; ++k) {
        const ZELMathVector q = arms::randomVector(2, gen, -3, 3);
        const ZELMathVector qd = arms::randomVector(2, gen, -2, 2);
        const ZELMathVector qdd = arms::randomVector(2, gen, -4, 4);
        const double c1 = std::cos(q[0]), c2 = std::cos(q[1]), s2 = std::sin(q[1]);
        const double c12 = std::cos(q[0] + q[1]);
        const double m11 = m1 * l1 * l1 + m2 * (l1 * l1 + 2 * l1 * l2 * c2 + l2 * l2);
        const double m12 = m2 * (l1 * l2 * c2 + l2 * l2), m22 = m2 * l2 * l2;
        const double h = m2 * l1 * l2 * s2;
        const double cor[2] = {-h * (2 * qd[0] * qd[1] + qd[1] * qd[1]), h * qd[0] * qd[0]};
        const double grav[2] = {(m1 + m2) * g * l1 * c1 + m2 * g * l2 * c12, m2 * g * l2 * c12};
        const double tau[2] = {m11 * qdd[0] + m12 * qdd[1] + cor[0] + grav[0],
                               m12 * qdd[0] + m22 * qdd[1] + cor[1] + grav[1]};

        const ZELMathMatrix m = c.massMatrix(q);
        EXPECT_NEAR(m(0, 0), m11, 1e-14 * m11);
        EXPECT_NEAR(m(0, 1), m12, 1e-14 * m11);
        EXPECT_NEAR(m(1, 1), m22, 1e-14 * m11);
        const ZELMathVector gt = c.gravityTorques(q), ct = c.coriolisTorques(q, qd);
        const ZELMathVector it = c.inverseDynamics(q, qd, qdd);
        for (int i = 0; i < 2; ++i) {
            EXPECT_NEAR(gt[i], grav[i], 1e-13 * 30);
            EXPECT_NEAR(ct[i], cor[i], 1e-13 * 10);
            EXPECT_NEAR(it[i], tau[i], 1e-13 * 60);
        }
    }
}

// A mass on a vertical slide: f = m (q̈ + g), exactly; forward dynamics inverts it.
TEST(ChainDynamics, VerticalSlideIsNewtonsSecondLaw) {
    ZELKinematicChain c;
    c.addPrismatic(0.0, 0.0, 0.0);
    c.setInertia(0, 4.0, ZELVector3D(0.1, -0.2, 0.3), {0.1, 0.2, 0.15, 0.01, 0.0, 0.02});
    const ZELMathVector q(1, 0.5), qd(1, 3.0), qdd(1, 2.0);
    EXPECT_EQ(c.inverseDynamics(q, qd, qdd)[0], 4.0 * (2.0 + 9.81));
    EXPECT_EQ(c.gravityTorques(q)[0], 4.0 * 9.81);
    EXPECT_EQ(c.coriolisTorques(q, qd)[0], 0.0);
    EXPECT_EQ(c.massMatrix(q)(0, 0), 4.0);
    EXPECT_DOUBLE_EQ(c.forwardDynamics(q, qd, ZELMathVector(1, 0.0))[0], -9.81);
    // Armature adds to the moving mass; a wrench pushing the tool down adds to the load.
    c.setArmature(0, 1.0);
    EXPECT_EQ(c.massMatrix(q)(0, 0), 5.0);
    EXPECT_EQ(c.inverseDynamics(q, qd, qdd, ZELVector3D(0, 0, -10), ZELVector3D(1, 2, 3))[0],
              4.0 * (2.0 + 9.81) + 2.0 + 10.0);
}

// A link of inertia Izz spinning about a vertical axis through its centre needs τ = Izz q̈ and
// no torque at constant speed, whatever its speed.
TEST(ChainDynamics, SpinningDiscNeedsOnlyItsAngularAcceleration) {
    ZELKinematicChain c;
    c.addRevolute(0.2, 0.0, 0.0);
    c.setInertia(0, 3.0, ZELVector3D(0, 0, -0.1), {0.4, 0.4, 0.25, 0.0, 0.0, 0.0});
    EXPECT_EQ(
        c.inverseDynamics(ZELMathVector(1, 0.3), ZELMathVector(1, 50.0), ZELMathVector(1, 2.0))[0],
        0.5);
    EXPECT_EQ(
        c.forwardDynamics(ZELMathVector(1, 0.3), ZELMathVector(1, 50.0), ZELMathVector(1, 0.5))[0],
        2.0);
}

// ---- identities on random chains ---------------------------------------------------------------

TEST(ChainDynamics, MassMatrixColumnsAreTorquesOfUnitAccelerations) {
    for (int n : {1, 2, 5, 7, 9}) {
        RandomChain r(n, 100 + static_cast<unsigned>(n));
        r.chain.setGravity(ZELVector3D(0, 0, 0));
        for (int k = 0; k < 20; ++k) {
            const ZELMathVector q = r.vec(-3, 3);
            const ZELMathMatrix m = r.chain.massMatrix(q);
            double scale = 0.0;
            for (int i = 0; i < n; ++i) scale = std::fmax(scale, m(i, i));
            for (int j = 0; j < n; ++j) {
                ZELMathVector e(static_cast<std::size_t>(n), 0.0);
                e[j] = 1.0;
                const ZELMathVector col =
                    r.chain.inverseDynamics(q, ZELMathVector(static_cast<std::size_t>(n), 0.0), e);
                for (int i = 0; i < n; ++i) {
                    EXPECT_NEAR(m(i, j), col[i], 1e-13 * scale) << n << " " << i << " " << j;
                    EXPECT_EQ(m(i, j), m(j, i));
                }
            }
            // Positive definite: Cholesky succeeds with positive pivots.
            std::vector<double> l(static_cast<std::size_t>(n * n), 0.0);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j <= i; ++j) {
                    double s = m(i, j);
                    for (int p = 0; p < j; ++p) s -= l[i * n + p] * l[j * n + p];
                    if (i == j) {
                        ASSERT_GT(s, 0.0);
                        l[i * n + i] = std::sqrt(s);
                    } else {
                        l[i * n + j] = s / l[j * n + j];
                    }
                }
        }
    }
}

TEST(ChainDynamics, TorquesSplitIntoInertialCoriolisAndGravityTerms) {
    RandomChain r(7, 3);
    for (int k = 0; k < 50; ++k) {
        const ZELMathVector q = r.vec(-3, 3), qd = r.vec(-2, 2), qdd = r.vec(-5, 5);
        const ZELMathVector tau = r.chain.inverseDynamics(q, qd, qdd);
        const ZELMathVector mq = times(r.chain.massMatrix(q), qdd);
        const ZELMathVector c = r.chain.coriolisTorques(q, qd), g = r.chain.gravityTorques(q);
        ZELMathVector sum(7, 0.0);
        for (int i = 0; i < 7; ++i) sum[i] = mq[i] + c[i] + g[i];
        EXPECT_LT(relDiff(sum, tau), 1e-13);
        // Gravity alone is the torque of the resting chain, to the bit.
        const ZELMathVector zero(7, 0.0);
        const ZELMathVector rest = r.chain.inverseDynamics(q, zero, zero);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(rest[i], g[i]);
    }
}

TEST(ChainDynamics, ForwardDynamicsInvertsInverseDynamics) {
    for (int n : {1, 3, 6, 7, 12, 40}) {  // 40 joints: the work space comes from the heap
        RandomChain r(n, 200 + static_cast<unsigned>(n));
        double worst = 0.0;
        for (int k = 0; k < 100; ++k) {
            const ZELMathVector q = r.vec(-3, 3), qd = r.vec(-2, 2), qdd = r.vec(-5, 5);
            const ZELVector3D f(uniform(r.g, -20, 20), uniform(r.g, -20, 20),
                                uniform(r.g, -20, 20));
            const ZELVector3D m(uniform(r.g, -5, 5), uniform(r.g, -5, 5), uniform(r.g, -5, 5));
            worst = std::fmax(
                worst,
                relDiff(r.chain.forwardDynamics(q, qd, r.chain.inverseDynamics(q, qd, qdd)), qdd));
            worst = std::fmax(worst,
                              relDiff(r.chain.forwardDynamics(
                                          q, qd, r.chain.inverseDynamics(q, qd, qdd, f, m), f, m),
                                      qdd));
        }
        EXPECT_LT(worst, n > 12 ? 1e-7 : 1e-9) << n << " joints";
    }
}

// The wrench the environment exerts on the tool loads the joints with −Jᵀ(force, moment), the
// force and moment turned into base coordinates (the Jacobian is taken at the tool point).
TEST(ChainDynamics, ToolWrenchActsThroughTheJacobianTranspose) {
    RandomChain r(6, 9);
    for (int k = 0; k < 50; ++k) {
        const ZELMathVector q = r.vec(-3, 3), qd = r.vec(-2, 2), qdd = r.vec(-5, 5);
        const ZELVector3D f(uniform(r.g, -20, 20), uniform(r.g, -20, 20), uniform(r.g, -20, 20));
        const ZELVector3D m(uniform(r.g, -5, 5), uniform(r.g, -5, 5), uniform(r.g, -5, 5));
        const ZELXform3D pose = r.chain.forward(q);
        const ZELRotate3D rot = pose.rotation();
        const ZELVector3D fw = rot * f, mw = rot * m;
        const ZELMathMatrix j = r.chain.jacobian(q);
        const ZELMathVector free = r.chain.inverseDynamics(q, qd, qdd);
        const ZELMathVector loaded = r.chain.inverseDynamics(q, qd, qdd, f, m);
        for (int i = 0; i < 6; ++i) {
            const double jt = j(0, i) * fw[0] + j(1, i) * fw[1] + j(2, i) * fw[2] +
                j(3, i) * mw[0] + j(4, i) * mw[1] + j(5, i) * mw[2];
            EXPECT_NEAR(loaded[i], free[i] - jt, 1e-12 * (maxAbs(free) + 50));
        }
    }
}

// A payload fixed to the tool acts as one more link that never moves: the chain extended by a
// joint whose link transform is the tool, carrying the payload's inertia, at rest.
TEST(ChainDynamics, PayloadActsAsARigidlyAttachedLink) {
    RandomChain r(5, 21, false);
    const double theta = 0.4, d = 0.12, a = -0.2, alpha = 1.1;
    ZELKinematicChain extended = r.chain;
    extended.addRevolute(d, a, alpha, theta);
    extended.setInertia(5, r.payload.mass, r.payload.centre, r.payload.moments);
    r.chain.setTool(ZELXform3D(theta, d, alpha, a));
    r.chain.setPayload(r.payload.mass, r.payload.centre, r.payload.moments);
    for (int k = 0; k < 50; ++k) {
        const ZELMathVector q = r.vec(-3, 3), qd = r.vec(-2, 2), qdd = r.vec(-5, 5);
        const ZELVector3D f(uniform(r.g, -20, 20), uniform(r.g, -20, 20), uniform(r.g, -20, 20));
        const ZELVector3D m(uniform(r.g, -5, 5), uniform(r.g, -5, 5), uniform(r.g, -5, 5));
        ZELMathVector q6(6, 0.0), qd6(6, 0.0), qdd6(6, 0.0);
        for (int i = 0; i < 5; ++i) {
            q6[i] = q[i];
            qd6[i] = qd[i];
            qdd6[i] = qdd[i];
        }
        const ZELMathVector ours = r.chain.inverseDynamics(q, qd, qdd, f, m);
        const ZELMathVector theirs = extended.inverseDynamics(q6, qd6, qdd6, f, m);
        for (int i = 0; i < 5; ++i) EXPECT_NEAR(ours[i], theirs[i], 1e-12 * maxAbs(theirs));
        const ZELMathMatrix m5 = r.chain.massMatrix(q), m6 = extended.massMatrix(q6);
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) EXPECT_NEAR(m5(i, j), m6(i, j), 1e-12 * m6(0, 0));
    }
    // Mass 0 takes the payload off again.
    ZELKinematicChain bare = r.chain;
    bare.setPayload(0.0, ZELVector3D(0, 0, 0), kNoInertia);
    ZELKinematicChain reference = extended;
    reference.setInertia(5, 0.0, ZELVector3D(0, 0, 0), kNoInertia);
    const ZELMathVector q = r.vec(-3, 3);
    ZELMathVector q6(6, 0.0);
    for (int i = 0; i < 5; ++i) q6[i] = q[i];
    const ZELMathVector a5 = bare.gravityTorques(q), a6 = reference.gravityTorques(q6);
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(a5[i], a6[i], 1e-12 * maxAbs(a6));
}

// Gravity is given in the coordinates of forward's result: turning the base is turning gravity
// the other way.
TEST(ChainDynamics, GravityFollowsTheBase) {
    RandomChain r(6, 31, false);
    const ZELXform3D base = randomPose(r.g);
    ZELKinematicChain mounted = r.chain;
    mounted.setBase(base);
    r.chain.setGravity((ZELRotate3D() / base.rotation()) * ZELVector3D(0, 0, -9.81));
    for (int k = 0; k < 20; ++k) {
        const ZELMathVector q = r.vec(-3, 3), qd = r.vec(-2, 2), qdd = r.vec(-5, 5);
        EXPECT_LT(relDiff(mounted.inverseDynamics(q, qd, qdd), r.chain.inverseDynamics(q, qd, qdd)),
                  1e-13);
        EXPECT_LT(relDiff(mounted.forwardDynamics(q, qd, qdd), r.chain.forwardDynamics(q, qd, qdd)),
                  1e-12);
    }
}

// Along a smooth trajectory the power put in by the joints is the rate of change of the energy:
// qdᵀτ = d/dt (½ qdᵀ M qd + potential), the derivative by central differences.
TEST(ChainDynamics, JointPowerIsTheRateOfChangeOfEnergy) {
    for (unsigned seed : {41u, 42u, 43u}) {
        RandomChain r(6, seed, false);
        const ZELMathVector q0 = r.vec(-2, 2), amp = r.vec(-1, 1), freq = r.vec(0.5, 3);
        auto state = [&](double t, ZELMathVector& q, ZELMathVector& qd, ZELMathVector& qdd) {
            for (int i = 0; i < 6; ++i) {
                q[i] = q0[i] + amp[i] * std::sin(freq[i] * t);
                qd[i] = amp[i] * freq[i] * std::cos(freq[i] * t);
                qdd[i] = -amp[i] * freq[i] * freq[i] * std::sin(freq[i] * t);
            }
        };
        auto energy = [&](double t) {
            ZELMathVector q(6, 0.0), qd(6, 0.0), qdd(6, 0.0);
            state(t, q, qd, qdd);
            const ZELMathVector mqd = times(r.chain.massMatrix(q), qd);
            double e = 0.0;
            for (int i = 0; i < 6; ++i) e += 0.5 * qd[i] * mqd[i];
            std::vector<ZELXform3D> frames;
            r.chain.forward(q, frames);
            for (int i = 0; i < 6; ++i) {
                const ZELVector3D c = frames[static_cast<std::size_t>(i)] * r.inertias[i].centre;
                e += r.inertias[i].mass * 9.81 * c[2];
            }
            return e;
        };
        for (double t : {0.1, 0.7, 1.3, 2.9}) {
            ZELMathVector q(6, 0.0), qd(6, 0.0), qdd(6, 0.0);
            state(t, q, qd, qdd);
            const ZELMathVector tau = r.chain.inverseDynamics(q, qd, qdd);
            double power = 0.0, scale = 0.0;
            for (int i = 0; i < 6; ++i) {
                power += qd[i] * tau[i];
                scale += std::fabs(qd[i] * tau[i]);
            }
            const double h = 1e-4;
            const double rate = (energy(t + h) - energy(t - h)) / (2 * h);
            EXPECT_NEAR(power, rate, 1e-6 * scale) << seed << " t=" << t;
        }
    }
}

// ---- bad input ---------------------------------------------------------------------------------

TEST(ChainDynamics, InvalidParametersThrowAndLeaveTheChainAsItWas) {
    RandomChain r(4, 51);
    const ZELMathVector q = r.vec(-3, 3), qd = r.vec(-2, 2), qdd = r.vec(-5, 5);
    const ZELMathVector before = r.chain.inverseDynamics(q, qd, qdd);
    const double nan = std::nan("");
    const ZELVector3D c(0, 0, 0);
    EXPECT_THROW(r.chain.setInertia(1, -1.0, c, {1, 1, 1, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setInertia(1, nan, c, {1, 1, 1, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setInertia(1, 1.0, ZELVector3D(0, nan, 0), {1, 1, 1, 0, 0, 0}),
                 ZELEDomainError);
    EXPECT_THROW(r.chain.setInertia(1, 1.0, c, {1, 1, nan, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setInertia(1, 1.0, c, {1, 1, -0.5, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setInertia(1, 1.0, c, {1, 1, 1, 1.5, 0, 0}),
                 ZELEDomainError);  // indefinite
    EXPECT_THROW(r.chain.setInertia(1, 1.0, c, {1, 1, 2.5, 0, 0, 0}), ZELEDomainError);  // triangle
    EXPECT_THROW(r.chain.setInertia(4, 1.0, c, {1, 1, 1, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setInertia(-1, 1.0, c, {1, 1, 1, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setPayload(1.0, c, {0.1, 0.1, 0.3, 0, 0, 0}), ZELEDomainError);
    EXPECT_THROW(r.chain.setArmature(0, -0.1), ZELEDomainError);
    EXPECT_THROW(r.chain.setArmature(7, 0.1), ZELEDomainError);
    EXPECT_THROW(r.chain.setGravity(ZELVector3D(0, 0, INFINITY)), ZELEDomainError);
    const ZELMathVector after = r.chain.inverseDynamics(q, qd, qdd);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(after[i], before[i]);
    // The limits of what is accepted: a thin rod (Izz = 0, Ixx = Iyy) and a point mass.
    EXPECT_NO_THROW(r.chain.setInertia(1, 1.0, c, {0.3, 0.3, 0.0, 0, 0, 0}));
    EXPECT_NO_THROW(r.chain.setInertia(1, 1.0, c, kNoInertia));
}

TEST(ChainDynamics, WrongLengthsNameBothAndNaNJointsGiveNaN) {
    RandomChain r(3, 61);
    const ZELMathVector ok(3, 0.1), bad(2, 0.1);
    try {
        (void)r.chain.inverseDynamics(ok, bad, ok);
        FAIL() << "no error";
    } catch (const ZELEDomainError& e) {
        const std::wstring m = e.message();
        EXPECT_NE(m.find(L"qd"), std::wstring::npos);
        EXPECT_NE(m.find(L"length 2"), std::wstring::npos);
        EXPECT_NE(m.find(L"3 joints"), std::wstring::npos);
    }
    EXPECT_THROW((void)r.chain.massMatrix(bad), ZELEDomainError);
    EXPECT_THROW((void)r.chain.gravityTorques(bad), ZELEDomainError);
    EXPECT_THROW((void)r.chain.coriolisTorques(ok, bad), ZELEDomainError);
    EXPECT_THROW((void)r.chain.forwardDynamics(ok, ok, bad), ZELEDomainError);
    ZELMathVector q = ok;
    q[1] = std::nan("");
    EXPECT_TRUE(std::isnan(r.chain.inverseDynamics(q, ok, ok)[0]));
    EXPECT_TRUE(std::isnan(r.chain.forwardDynamics(q, ok, ok)[0]));
    EXPECT_TRUE(std::isnan(r.chain.massMatrix(q)(0, 0)));
    // An empty chain has no torques.
    const ZELKinematicChain empty;
    EXPECT_EQ(empty.inverseDynamics(ZELMathVector(), ZELMathVector(), ZELMathVector()).length(),
              0u);
    EXPECT_EQ(empty.massMatrix(ZELMathVector()).rows(), 0u);
}

}  // namespace
