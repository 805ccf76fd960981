// The kinematic chain: forward kinematics against the setDH transforms composed by hand (to the
// bit), the Jacobian against an independent derivative and finite differences, inverse
// kinematics (success, accuracy, reproducibility, units, joint limits, singular seeds, the rule
// that ends a slow attempt, half turns, position only) and bad input.
#include "RobotArms.h"
#include "kinematics/internal/ZELPoseError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
using M3 = ZELMath3D;

bool sameBits(const ZELXform3D& a, const ZELXform3D& b) {
    double x[12], y[12];
    a.get(x);
    b.get(y);
    return std::memcmp(x, y, sizeof x) == 0;
}

// An arm with everything the chain supports: offsets, a prismatic joint (1), a base and a tool.
struct Mixed {
    const double theta[4] = {0.1, 0.3, -0.2, 0.0}, d[4] = {0.2, 0.25, 0.0, 0.15};  // offsets for q
    const double alpha[4] = {arms::kPi / 2, -arms::kPi / 2, 0.4, arms::kPi / 2},
                 a[4] = {0.05, 0.1, 0.3, 0.0};
    const ZELXform3D base{0.3, 0.1, -0.2, 0.05}, tool{-0.4, 0.12, 0.7, 0.03};
    ZELKinematicChain chain;
    Mixed() {
        chain.addRevolute(d[0], a[0], alpha[0], theta[0], -2.0, 2.0);
        chain.addPrismatic(theta[1], a[1], alpha[1], d[1], 0.0, 0.5);
        chain.addRevolute(d[2], a[2], alpha[2], theta[2]);
        chain.addRevolute(d[3], a[3], alpha[3], theta[3]);
        chain.setBase(base);
        chain.setTool(tool);
    }
    double th(int k, const ZELMathVector& q) const { return k == 1 ? theta[k] : q[k] + theta[k]; }
    double dd(int k, const ZELMathVector& q) const { return k == 1 ? q[k] + d[k] : d[k]; }
    // The setDH transforms multiplied by hand, base first.
    ZELXform3D byHand(const ZELMathVector& q, int links = 4, bool withTool = true) const {
        ZELXform3D x = base;
        for (int k = 0; k < links; ++k) x *= ZELXform3D(th(k, q), dd(k, q), alpha[k], a[k]);
        return withTool ? x * tool : x;
    }
};

ZELMathVector vec(std::initializer_list<double> v) { return ZELMathVector(v.begin(), v.size()); }

TEST(KinematicChain, ForwardIsTheSetDHProductToTheBit) {
    std::mt19937_64 g(11);
    for (const arms::Arm& arm : arms::all()) {
        const ZELKinematicChain chain = arms::chain(arm);
        ASSERT_EQ(chain.joints(), static_cast<int>(arm.links.size()));
        for (int n = 0; n < 50; ++n) {
            const ZELMathVector q = arms::randomJoints(arm, g);
            // No base and no tool: the product starts from the first link.
            ZELXform3D x(q[0], arm.links[0].d, arm.links[0].alpha, arm.links[0].a);
            for (std::size_t i = 1; i < arm.links.size(); ++i)
                x *= ZELXform3D(q[i], arm.links[i].d, arm.links[i].alpha, arm.links[i].a);
            EXPECT_TRUE(sameBits(chain.forward(q), x)) << arm.name;
        }
    }
    Mixed m;
    std::vector<ZELXform3D> frames;
    for (int n = 0; n < 50; ++n) {
        const ZELMathVector q = vec({std::sin(n * 1.3), 0.5 * std::fabs(std::cos(n * 0.7)),
                                     3 * std::sin(n * 0.9), n * 0.4});
        EXPECT_TRUE(sameBits(m.chain.forward(q), m.byHand(q, 4)));
        m.chain.forward(q, frames);
        ASSERT_EQ(frames.size(), 5u);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(sameBits(frames[i], m.byHand(q, i + 1, false))) << i;
        EXPECT_TRUE(sameBits(frames[4], m.byHand(q, 4)));
    }
    // Quarter turns are exact, as in setDH: the PUMA 560 at zero has its tool at (0.4521, -0.15005, 0.4318).
    const ZELXform3D zero = arms::chain(arms::puma560()).forward(ZELMathVector(6, 0.0));
    EXPECT_EQ(zero.position(), ZELVector3D(0.4318 + 0.0203, -0.15005, 0.4318));
}

// dT/dq_i with 4 × 4 math matrices: the links before joint i, the derivative of its own motion
// (Rz(θ)·[z]× or d/dd Tz(d)) and the rest; linear rows from the position column, angular rows
// from dR·Rᵀ.
ZELMathMatrix derivativeJacobian(const Mixed& m, const ZELMathVector& q) {
    const ZELMathMatrix total = m.byHand(q).toZELBasicMathMatrix();
    ZELMathMatrix j(6, 4, 0.0);
    for (int i = 0; i < 4; ++i) {
        ZELMathMatrix g = m.base.toZELBasicMathMatrix();
        for (int k = 0; k < 4; ++k) {
            if (k != i) {
                g = g *
                    ZELXform3D(m.th(k, q), m.dd(k, q), m.alpha[k], m.a[k]).toZELBasicMathMatrix();
                continue;
            }
            ZELXform3D rz;
            rz.setCAA(ZELMath3D::ZAxis, m.th(k, q));
            ZELMathMatrix motion(4, 4, 0.0);
            motion(k == 1 ? 2 : 0, k == 1 ? 3 : 1) = k == 1 ? 1.0 : -1.0;
            motion(1, 0) = k == 1 ? 0.0 : 1.0;
            g = g * rz.toZELBasicMathMatrix() * motion *
                ZELXform3D(0.0, m.dd(k, q), m.alpha[k], m.a[k]).toZELBasicMathMatrix();
        }
        g = g * m.tool.toZELBasicMathMatrix();
        auto w = [&](int r, int c) {
            return g(r, 0) * total(c, 0) + g(r, 1) * total(c, 1) + g(r, 2) * total(c, 2);
        };
        const double column[6] = {g(0, 3), g(1, 3), g(2, 3), w(2, 1), w(0, 2), w(1, 0)};
        for (int r = 0; r < 6; ++r) j(r, i) = column[r];
    }
    return j;
}

TEST(KinematicChain, JacobianAgreesWithTheDerivativeOfTheTransformsAndWithFiniteDifferences) {
    Mixed m;
    for (int n = 0; n < 40; ++n) {
        const ZELMathVector q =
            vec({std::sin(n * 1.1), 0.4 * std::fabs(std::sin(n * 0.3)), 2 * std::cos(n), n * 0.3});
        const ZELMathMatrix j = m.chain.jacobian(q);
        ASSERT_TRUE(j.rows() == 6 && j.cols() == 4);
        const ZELMathMatrix ref = derivativeJacobian(m, q);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(j(r, c), ref(r, c), 1e-14) << r << "," << c;
        // Central differences of the pose: the position directly, the rotation through dR·Rᵀ.
        const double h = 1e-6;
        const ZELXform3D x0 = m.chain.forward(q);
        for (int c = 0; c < 4; ++c) {
            ZELMathVector qp = q, qm = q;
            qp[c] = qp[c] + h;
            qm[c] = qm[c] - h;
            const ZELXform3D xp = m.chain.forward(qp), xm = m.chain.forward(qm);
            const ZELVector3D dp = (xp.position() - xm.position()) / (2 * h);
            const ZELRotate3D dr = (xp / x0).rotation(), drm = (xm / x0).rotation();
            auto diff = [&](M3::DirectionIndex col, M3::CoordinateIndex row) {
                return (dr(col, row) - drm(col, row)) / (2 * h);
            };
            const double fd[6] = {dp[0],
                                  dp[1],
                                  dp[2],
                                  diff(M3::SDirection, M3::ZCoord),
                                  diff(M3::ADirection, M3::XCoord),
                                  diff(M3::NDirection, M3::YCoord)};
            for (int r = 0; r < 6; ++r) EXPECT_NEAR(j(r, c), fd[r], 1e-8) << r << "," << c;
        }
    }
    // A prismatic column is its axis over zero; the empty chain has a 6 × 0 Jacobian.
    const ZELMathMatrix j = m.chain.jacobian(ZELMathVector(4, 0.0));
    EXPECT_TRUE(j(3, 1) == 0.0 && j(4, 1) == 0.0 && j(5, 1) == 0.0);
    EXPECT_EQ(ZELKinematicChain().jacobian(ZELMathVector()).cols(), 0u);
}

// The distance between two positions and the angle between two orientations, from the
// transform's quotient a·b⁻¹ (the angle from the skew part and the trace of its rotation).
void poseDistance(const ZELXform3D& a, const ZELXform3D& b, double& position, double& angle) {
    position = ZELL2Norm(a.position() - b.position());
    ZELMathMatrix d = (a / b).rotation().toZELBasicMathMatrix();
    const ZELVector3D v(d(2, 1) - d(1, 2), d(0, 2) - d(2, 0), d(1, 0) - d(0, 1));
    angle = std::atan2(0.5 * ZELL2Norm(v), 0.5 * (d(0, 0) + d(1, 1) + d(2, 2) - 1));
}

struct Solved {
    int converged = 0;
    std::vector<double> bits;
};

// Solves `count` targets made from random joint vectors within the limits, from the middle of
// the limits, and checks every converged answer with forward kinematics.
Solved solveSample(const arms::Arm& arm, double unit, int count) {
    const ZELKinematicChain chain = arms::chain(arm, unit);
    std::mt19937_64 g(5);
    Solved s;
    for (int n = 0; n < count; ++n) {
        ZELMathVector target = arms::randomJoints(arm, g), q;
        const ZELXform3D goal = chain.forward(target);
        const ZELIKResult r = chain.inverse(goal, arms::middle(arm), q);
        double position, angle;
        poseDistance(chain.forward(q), goal, position, angle);
        EXPECT_EQ(r.converged, r.reason == ZELIKReason::Converged);
        if (r.converged) {
            ++s.converged;
            EXPECT_LE(position, 1e-6 * chain.reach() * (1 + 1e-9));
            EXPECT_LE(angle, 1.0001e-6);
            EXPECT_NEAR(position, r.positionError, 1e-12 * unit);
            EXPECT_NEAR(angle, r.orientationError, 1e-12);
        }
        for (int i = 0; i < chain.joints(); ++i) {
            EXPECT_TRUE(q[i] >= chain.lower(i) && q[i] <= chain.upper(i));
            s.bits.push_back(q[i]);
        }
        s.bits.push_back(r.iterations);
        s.bits.push_back(r.restarts);
    }
    return s;
}

TEST(KinematicChain, InverseSolvesReachablePosesInMetresAndMillimetresReproducibly) {
    for (const arms::Arm& arm : arms::all()) {
        const Solved metres = solveSample(arm, 1.0, 200);
        EXPECT_EQ(metres.converged, 200) << arm.name;
        const Solved again = solveSample(arm, 1.0, 200);
        ASSERT_EQ(metres.bits.size(), again.bits.size());
        EXPECT_EQ(
            std::memcmp(metres.bits.data(), again.bits.data(), metres.bits.size() * sizeof(double)),
            0);
        EXPECT_EQ(solveSample(arm, 1000.0, 200).converged, 200) << arm.name;
    }
}

TEST(KinematicChain, InverseWithPrismaticJointsBaseAndTool) {
    Mixed m;  // four joints: the targets are poses of the arm itself
    for (int n = 0; n < 30; ++n) {
        ZELMathVector q;
        const ZELXform3D goal =
            m.chain.forward(vec({std::sin(n * 1.7), 0.45 * std::fabs(std::sin(n * 0.4)),
                                 2.5 * std::cos(n * 2.1), std::sin(n * 0.9)}));
        EXPECT_TRUE(m.chain.inverse(goal, ZELMathVector(4, 0.0), q).converged) << n;
        double position, angle;
        poseDistance(m.chain.forward(q), goal, position, angle);
        EXPECT_TRUE(position <= 1e-6 * m.chain.reach() * (1 + 1e-9) && q[1] >= 0.0 && q[1] <= 0.5);
    }
}

TEST(KinematicChain, BadInput) {
    ZELKinematicChain chain = arms::chain(arms::puma560());
    const ZELMathVector five(5, 0.0), six(6, 0.0);
    ZELMathVector q = vec({1, 2, 3, 4, 5, 6});
    for (auto call : {0, 1, 2, 3}) {
        try {
            std::vector<ZELXform3D> frames;
            if (call == 0) chain.forward(five);
            if (call == 1) chain.forward(five, frames);
            if (call == 2) chain.jacobian(five);
            if (call == 3) chain.inverse(ZELXform3D(), five, q);
            ADD_FAILURE() << "no throw from call " << call;
        } catch (const ZELEDomainError& e) {
            EXPECT_NE(std::string(e.what()).find("length 5 for a chain of 6 joints"),
                      std::string::npos)
                << e.what();
        }
    }
    // Limits: lower above upper, or NaN, throws and leaves the chain as it was.
    EXPECT_THROW(chain.addRevolute(0, 0, 0, 0, 1.0, -1.0), ZELEDomainError);
    EXPECT_THROW(chain.addPrismatic(0, 0, 0, 0, kNaN, 1.0), ZELEDomainError);
    EXPECT_THROW(chain.addRevolute(kInf, 0, 0), ZELEDomainError);
    EXPECT_THROW(chain.addRevolute(0, 0, 0, 0, kInf, kInf), ZELEDomainError);  // no finite value
    EXPECT_THROW(chain.addPrismatic(0, 0, 0, 0, -kInf, -kInf), ZELEDomainError);
    EXPECT_THROW(chain.lower(6), ZELEDomainError);
    EXPECT_EQ(chain.joints(), 6);
    // NaN joint values give NaN poses.
    const ZELXform3D nan = chain.forward(vec({0, kNaN, 0, 0, 0, 0}));
    EXPECT_TRUE(std::isnan(nan.position()[0]));
    // Non-finite targets, seeds or options: InvalidInput, q untouched.
    const ZELMathVector before = q;
    ZELXform3D bad;
    bad.setPosition(ZELVector3D(kInf, 0, 0));
    ZELIKOptions nanTolerance;
    nanTolerance.orientationTolerance = kNaN;
    ZELIKOptions negative;
    negative.positionTolerance = -1.0;
    const ZELIKResult results[] = {chain.inverse(bad, six, q),
                                   chain.inverse(ZELXform3D(), vec({0, 0, kNaN, 0, 0, 0}), q),
                                   chain.inverse(ZELXform3D(), six, q, nanTolerance),
                                   chain.inverse(ZELXform3D(), six, q, negative)};
    for (const ZELIKResult& r : results) {
        EXPECT_TRUE(r.reason == ZELIKReason::InvalidInput && !r.converged && r.iterations == 0);
        EXPECT_EQ(std::memcmp(q.data(), before.data(), 6 * sizeof(double)), 0);
    }
    // Not a rotation (a scaled one, a reflection), a classic stream, an infinite reach: refused,
    // q untouched.
    const double scaled[12] = {0.5, 0, 0, 0, 0.5, 0, 0, 0, 0.5, 0.4, 0, 0.4};
    const double mirrored[12] = {1, 0, 0, 0, 1, 0, 0, 0, -1, 0.4, 0, 0.4};
    for (const double* x : {scaled, mirrored}) {
        ZELXform3D notRigid;
        notRigid.setScalars(x);
        EXPECT_THROW(chain.inverse(notRigid, six, q), ZELEDomainError);
    }
    ZELIKOptions classic;
    classic.stream = ZELRandomStream::Classic(3);
    EXPECT_THROW(chain.inverse(ZELXform3D(), six, q, classic), ZELEDomainError);
    ZELKinematicChain huge;
    huge.addRevolute(1e308, 1e308, 0);
    EXPECT_TRUE(std::isinf(huge.reach()));
    EXPECT_THROW(huge.inverse(ZELXform3D(), ZELMathVector(1, 0.0), q), ZELEDomainError);
    EXPECT_EQ(std::memcmp(q.data(), before.data(), 6 * sizeof(double)), 0);
    // Converged means finite errors, whatever the tolerance: a target too far to measure.
    ZELXform3D beyond;
    beyond.setPosition(ZELVector3D(1e200, 0, 0));
    ZELIKOptions anything;
    anything.positionTolerance = kInf;
    anything.restarts = 0;
    const ZELIKResult inf = chain.inverse(beyond, six, q, anything);
    EXPECT_TRUE(!inf.converged && std::isinf(inf.positionError));
    // A seed outside the limits is clamped into them.
    const ZELXform3D goal = chain.forward(vec({0.5, 0.4, -0.3, 0.2, 0.6, -0.1}));
    EXPECT_TRUE(chain.inverse(goal, vec({100, -100, 100, -100, 100, -100}), q).converged);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(q[i] >= chain.lower(i) && q[i] <= chain.upper(i));
    // Out of reach: the best pose found, never converged, bounded work.
    ZELXform3D far;
    far.setPosition(ZELVector3D(5, 0, 0));
    ZELIKOptions few;
    few.restarts = 3;
    few.maxIterations = 40;
    const ZELIKResult r = chain.inverse(far, six, q, few);
    EXPECT_TRUE(!r.converged && r.reason == ZELIKReason::IterationLimit);
    EXPECT_TRUE(r.restarts == 3 && r.iterations <= 160);
    EXPECT_NEAR(r.positionError, 5 - 0.4521 - 0.4318, 0.2);
    // No time at all: the seed is checked, then the budget stops the search.
    ZELIKOptions noTime;
    noTime.timeBudget = 0.0;
    EXPECT_EQ(chain.inverse(far, six, q, noTime).reason, ZELIKReason::TimeLimit);
    EXPECT_EQ(chain.inverse(chain.forward(six), six, q, noTime).reason, ZELIKReason::Converged);
}

// Targets whose joint k sits exactly at its upper limit, from seeds with joint k at that limit:
// while the error pulls joint k outwards, the other joints must do its share (a step that moves
// it would be clamped away and make little progress).
TEST(KinematicChain, InverseWorksAroundAJointHeldAtItsLimit) {
    for (int k : {0, 5}) {
        const arms::Arm arm = arms::sevenAxis();
        std::mt19937_64 g(7);
        int fromSeed = 0, iterations = 0;
        for (int n = 0; n < 100; ++n) {
            const ZELMathVector target = arms::randomJoints(arm, g);
            arms::Arm limited = arm;
            limited.links[static_cast<std::size_t>(k)].upper = target[k];
            const ZELKinematicChain chain = arms::chain(limited);
            ZELMathVector seed = arms::middle(arm), q;
            seed[k] = target[k];
            const ZELIKResult r = chain.inverse(chain.forward(target), seed, q);
            ASSERT_TRUE(r.converged) << k << " " << n;
            EXPECT_LE(q[k], target[k]);
            fromSeed += r.restarts == 0;
            iterations += r.iterations;
        }
        // About 85 of 100 converge from the seed, in about 18 iterations each on average.
        EXPECT_GE(fromSeed, 75) << k;
        EXPECT_LE(iterations, 4000) << k;
    }
}

// A planar two-link arm (1 m, 1 m) stretched out along x is singular: no joint motion moves the
// tool along x. From exactly there the target (1, 0) cannot be approached and the solver must
// restart; from a seed bent by a hair it is slow at first but gets there without a restart.
TEST(KinematicChain, InverseRestartsFromASingularSeedButNotFromOneNearIt) {
    ZELKinematicChain planar;
    planar.addRevolute(0, 1, 0);
    planar.addRevolute(0, 1, 0);
    ZELXform3D target;
    target.setPosition(ZELVector3D(1, 0, 0));
    ZELIKOptions positionOnly;
    positionOnly.positionOnly = true;
    ZELMathVector q;
    ZELIKResult r = planar.inverse(target, ZELMathVector(2, 0.0), q, positionOnly);
    EXPECT_TRUE(r.converged && r.restarts == 1) << r.restarts;
    // The elbow at +-120 degrees, the shoulder at -+60 (mod 2 pi).
    EXPECT_NEAR(std::cos(q[1]), -0.5, 1e-5);
    EXPECT_NEAR(std::cos(q[0]), 0.5, 1e-5);
    for (double bend : {1e-3, 1e-6, 1e-9}) {
        r = planar.inverse(target, vec({0.0, bend}), q, positionOnly);
        EXPECT_TRUE(r.converged && r.restarts == 0) << bend;
        EXPECT_NEAR(q[1], 2 * arms::kPi / 3, 1e-5) << bend;
        EXPECT_NEAR(q[0], -arms::kPi / 3, 1e-5) << bend;
    }
}

// An attempt ends after three accepted steps in a row that each remove less than 1% of the cost.
// The cost after m iterations is read from runs limited to m iterations (the solver is
// deterministic, so they follow the same steps), and the rule applied to them predicts where the
// unlimited attempt stops: an unreachable target, so that the attempt can only end by the rule.
TEST(KinematicChain, InverseEndsAnAttemptAfterThreeSlowSteps) {
    ZELKinematicChain planar;
    planar.addRevolute(0, 1, 0);
    planar.addRevolute(0, 1, 0);
    for (const ZELVector3D& far : {ZELVector3D(3, 0.5, 0), ZELVector3D(-1, 2.5, 0)}) {
        ZELXform3D target;
        target.setPosition(far);
        ZELIKOptions o;
        o.positionOnly = true;
        o.restarts = 0;
        ZELMathVector q;
        const ZELIKResult all = planar.inverse(target, vec({0.3, 1.0}), q, o);
        ASSERT_TRUE(!all.converged && all.iterations < 50) << all.iterations;
        int slow = 0, predicted = -1;
        double before = 0.0;
        for (int m = 0; m <= all.iterations && predicted < 0; ++m) {
            o.maxIterations = m;
            const double e = planar.inverse(target, vec({0.3, 1.0}), q, o).positionError / 2.0;
            const double cost = e * e;
            if (m > 0) {
                ASSERT_LT(cost, before) << m;  // every iteration here accepts a step
                slow = cost > 0.99 * before ? slow + 1 : 0;
                EXPECT_TRUE(std::fabs(cost / before - 0.99) > 1e-6) << "too close to call";
                if (slow == 3) predicted = m;
            }
            before = cost;
        }
        EXPECT_EQ(all.iterations, predicted);
    }
}

// The rotation vector of a half turn, where the skew part of the rotation vanishes: the angle
// is pi and the axis the turn's own (either sign), to the last few bits.
TEST(KinematicChain, RotationErrorOfAHalfTurn) {
    const double r = std::sqrt(0.5), t = std::sqrt(1.0 / 3.0);
    const double axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {r, r, 0}, {0, -r, r}, {t, t, t}};
    for (const auto& u : axes)
        for (double angle : {arms::kPi, arms::kPi - 1e-9, arms::kPi - 1e-7}) {
            ZELRotate3D turn;
            turn.setEAA(ZELVector3D(u[0], u[1], u[2]), angle);
            const ZELMathMatrix m = turn.toZELBasicMathMatrix();
            double e[9], w[3];
            for (int c = 0; c < 3; ++c)
                for (int row = 0; row < 3; ++row) e[3 * c + row] = m(row, c);
            const double got = zel_internal::rotationLog(e, w);
            EXPECT_NEAR(got, angle, 1e-8);
            const double dot = w[0] * u[0] + w[1] * u[1] + w[2] * u[2];
            const double sign = angle == arms::kPi ? (dot < 0 ? -1.0 : 1.0) : 1.0;
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(w[i], sign * angle * u[i], 1e-8) << i;
        }
    // And the solver turns the tool of a PUMA 560 by a half turn about its own axis.
    const ZELKinematicChain puma = arms::chain(arms::puma560());
    const ZELMathVector q0 = vec({0.3, 0.4, -0.5, 0.2, 0.6, 0.1});
    ZELXform3D flipped = puma.forward(q0);
    flipped.rotate(ZELMath3D::ZAxis, arms::kPi, ZELMath3D::LocalFrame);
    ZELMathVector q;
    const ZELIKResult r1 = puma.inverse(flipped, q0, q);
    EXPECT_TRUE(r1.converged && r1.restarts == 0);
}

// Position only: a planar two-link arm against the closed-form solution, and a five-axis arm
// (a PUMA 560 without its last joint) that cannot take an arbitrary orientation.
TEST(KinematicChain, InversePositionOnly) {
    ZELKinematicChain planar;
    planar.addRevolute(0, 1, 0);
    planar.addRevolute(0, 0.5, 0, 0, 0, arms::kPi);  // elbow on one side only
    ZELIKOptions o;
    o.positionOnly = true;
    for (int n = 0; n < 20; ++n) {
        const double x = 0.6 + 0.04 * n, phi = 0.3 * n - 2.0;
        const double c2 = (x * x - 1.25) / 1.0;  // (x^2 - l1^2 - l2^2) / (2 l1 l2)
        const double q2 = std::acos(c2);
        const double q1 = phi - std::atan2(0.5 * std::sin(q2), 1 + 0.5 * c2);
        ZELXform3D target;
        target.setRPY(1.0, -0.5, 2.0);  // an orientation the arm cannot take
        target.setPosition(ZELVector3D(x * std::cos(phi), x * std::sin(phi), 0));
        ZELMathVector q;
        const ZELIKResult r = planar.inverse(target, vec({0.0, 0.1}), q, o);
        ASSERT_TRUE(r.converged) << n;
        EXPECT_NEAR(q[1], q2, 1e-5) << n;
        EXPECT_NEAR(std::remainder(q[0] - q1, 2 * arms::kPi), 0.0, 1e-5) << n;
        EXPECT_LE(r.positionError, 1e-6 * planar.reach());
        EXPECT_GT(r.orientationError, 0.1);  // reported, though not part of the goal
        EXPECT_FALSE(planar.inverse(target, vec({0.0, 0.1}), q).converged);
    }
    arms::Arm five = arms::puma560();
    five.links.pop_back();
    const ZELKinematicChain chain = arms::chain(five);
    std::mt19937_64 g(21);
    for (int n = 0; n < 40; ++n) {
        const ZELMathVector wanted = arms::randomJoints(five, g);
        ZELXform3D target;
        target.setRPY(0.1 * n, 1.0 - 0.05 * n, 2.0);
        target.setPosition(chain.forward(wanted).position());
        ZELMathVector q;
        const ZELIKResult r = chain.inverse(target, arms::middle(five), q, o);
        ASSERT_TRUE(r.converged) << n;
        EXPECT_LE(ZELL2Norm(chain.forward(q).position() - target.position()),
                  1e-6 * chain.reach() * (1 + 1e-9));
        for (int i = 0; i < 5; ++i) EXPECT_TRUE(q[i] >= chain.lower(i) && q[i] <= chain.upper(i));
    }
}

// Cancelling: the interrupt is asked between iterations; true ends the search at once with the
// best joint vector so far.
TEST(KinematicChain, InverseInterrupted) {
    const ZELKinematicChain chain = arms::chain(arms::puma560());
    ZELXform3D far;
    far.setPosition(ZELVector3D(5, 0, 0));
    int asked = 0;
    ZELIKOptions o;
    o.maxIterations = 1000000;
    o.restarts = 1000000;
    o.interrupt = [&] { return ++asked == 25; };
    ZELMathVector q;
    const ZELIKResult r = chain.inverse(far, ZELMathVector(6, 0.0), q, o);
    EXPECT_TRUE(r.reason == ZELIKReason::Interrupted && !r.converged && asked == 25);
    EXPECT_LT(r.iterations, 25);
    EXPECT_NEAR(ZELL2Norm(chain.forward(q).position() - far.position()), r.positionError, 1e-12);
}

// Fixed results whose bits every build (compiler, optimisation, library kind) must reproduce.
TEST(KinematicChain, SameBitsOnEveryBuild) {
    const ZELKinematicChain chain = arms::chain(arms::sevenAxis());
    const ZELMathVector q = vec({0.3, -0.7, 1.1, 1.3, -0.4, 0.9, 2.0});
    double pose[12];
    chain.forward(q).get(pose);
    const ZELMathMatrix j = chain.jacobian(q);
    ZELMathVector solved;
    const ZELIKResult r = chain.inverse(chain.forward(vec({-0.2, 0.5, 0.4, -1.0, 0.8, -0.6, 0.1})),
                                        arms::middle(arms::sevenAxis()), solved);
    char text[256];
    std::snprintf(text, sizeof text, "%a %a %a %a | %a %a %a | %a %a %d", pose[0], pose[5], pose[9],
                  pose[11], j(0, 0), j(2, 3), j(5, 6), solved[0], solved[6], r.iterations);
    // And every bit of 50 PUMA 560 solves, restarts included (FNV-1a of the joint values and counts).
    std::uint64_t hash = 14695981039346656037ULL;
    for (double x : solveSample(arms::puma560(), 1.0, 50).bits) {
        std::uint64_t b;
        std::memcpy(&b, &x, sizeof b);
        hash = (hash ^ b) * 1099511628211ULL;
    }
    EXPECT_EQ(hash, 8527711875449675499ULL);
    EXPECT_STREQ(text,
                 "-0x1.c1bae6e6348ccp-1 -0x1.0902e0805c947p-1 -0x1.900dd99b5754cp-2 "
                 "0x1.7b2e12cdfdcadp-1 | 0x1.17bd8e7deee16p-1 -0x1.966be6c0cda02p-2 "
                 "0x1.6e4942b77e323p-1 | 0x1.5f8f6008ab589p-4 0x1.1fe0bdbb8426dp-2 6");
}

}  // namespace
