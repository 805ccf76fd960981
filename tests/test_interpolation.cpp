#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELXform3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const double kPi = 3.14159265358979323846;

using V = ZELVector3D;
using Q = ZELQtn3D;
using R3 = ZELRotate3D;
using X = ZELXform3D;

double maxDiff(const Q& a, const Q& b) {
    double as, bs;
    V av, bv;
    a.get(as, av);
    b.get(bs, bv);
    double m = std::abs(as - bs);
    for (int i = 0; i < 3; ++i)
        m = std::max(m, std::abs(av[i] - bv[i]));
    return m;
}

Q caa(ZELMath3D::AxisType k, double angle) {
    Q q;
    q.setCAA(k, angle);
    return q;
}

Q eaa(const V& axis, double angle) {
    Q q;
    q.setEAA(axis, angle);
    return q;
}

double angleOf(const Q& q) {
    V u;
    double a;
    q.getEAA(u, a);
    return a;
}

Q randomUnit(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    Q q(n(g), n(g), n(g), n(g));
    q.normalize();
    return q;
}

}  // namespace

TEST(QtnSlerp, EndsAndClamping) {
    std::mt19937_64 g(1);
    const Q q0 = randomUnit(g), q1 = randomUnit(g);
    Q out;
    for (double t : {-1.0, 0.0}) {
        Q::slerp(out, t, q0, q1);
        EXPECT_EQ(out, q0);
    }
    for (double t : {1.0, 2.0}) {
        Q::slerp(out, t, q0, q1);
        EXPECT_EQ(out, q1);
    }
    // q0 = q1: every t gives q0 (dot rounds to 1: the linear blend).
    for (double t : {0.1, 0.5, 0.9}) {
        Q::slerp(out, t, q0, q0);
        EXPECT_LE(maxDiff(out, q0), 2e-16);
    }
}

TEST(QtnSlerp, HalfWayValues) {
    Q out;
    Q::slerp(out, 0.5, Q::Identity, Q(0, 0, 0, 1));
    double s;
    V v;
    out.get(s, v);
    EXPECT_DOUBLE_EQ(s, std::sqrt(0.5));
    EXPECT_DOUBLE_EQ(v[2], std::sqrt(0.5));
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[1], 0.0);

    // Between q and −q the blend is linear (sin θ < ε) and cancels: the zero quaternion.
    const Q q = eaa(V(1, 2, 3), 0.8);
    Q::slerp(out, 0.5, q, -q);
    EXPECT_EQ(out, Q(0, 0, 0, 0));
    Q::EAAInterp(out, 0.5, q, -q);
    EXPECT_LE(maxDiff(out, q), 1e-15);

    // Along one axis slerp follows the angle linearly.
    for (double t : {0.25, 0.5, 0.75}) {
        Q::slerp(out, t, caa(ZELMath3D::XAxis, 0.2), caa(ZELMath3D::XAxis, 1.4));
        EXPECT_LE(maxDiff(out, caa(ZELMath3D::XAxis, 0.2 + 1.2 * t)), 1e-15);
    }
}

TEST(QtnSlerp, NegativeDotGoesTheLongWayEAAInterpTheShortWay) {
    // q1 is a rotation by 1 rad about z stored with the opposite sign.
    const Q q1 = -caa(ZELMath3D::ZAxis, 1.0);
    ASSERT_LT(Q::Identity.dot(q1), 0.0);
    Q s, e;
    Q::slerp(s, 0.5, Q::Identity, q1);
    Q::EAAInterp(e, 0.5, Q::Identity, q1);
    EXPECT_NEAR(angleOf(s), kPi - 0.5, 1e-14);
    EXPECT_NEAR(angleOf(e), 0.5, 1e-14);
    // Both still end on the same rotation.
    Q::slerp(s, 1.0, Q::Identity, q1);
    Q::EAAInterp(e, 1.0, Q::Identity, q1);
    EXPECT_TRUE(ZELNearAbs(s, e, 1e-14, 1e-14));
}

TEST(QtnSquad, EndsAndReductionToSlerp) {
    std::mt19937_64 g(3);
    const Q p = randomUnit(g), a = randomUnit(g), b = randomUnit(g), q = randomUnit(g);
    Q out;
    Q::squad(out, -1.0, p, a, b, q);
    EXPECT_EQ(out, p);
    Q::squad(out, 0.0, p, a, b, q);
    EXPECT_EQ(out, p);
    Q::squad(out, 1.0, p, a, b, q);
    EXPECT_EQ(out, q);
    Q::squad(out, 2.0, p, a, b, q);
    EXPECT_EQ(out, q);

    const Q p2 = eaa(V(1, 0, 1), 0.3), q2 = eaa(V(0, 1, 1), 1.9);
    for (double t : {0.1, 0.3, 0.5, 0.8}) {
        Q sq, sl;
        Q::squad(sq, t, p2, p2, q2, q2);
        Q::slerp(sl, t, p2, q2);
        EXPECT_LE(maxDiff(sq, sl), 4e-16) << t;
    }

    // With other control points the curve leaves the great arc but keeps unit length.
    Q::squad(out, 0.5, p2, a, b, q2);
    Q sl;
    Q::slerp(sl, 0.5, p2, q2);
    EXPECT_GT(maxDiff(out, sl), 1e-3);
    EXPECT_NEAR(out.norm(), 1.0, 1e-14);
}

TEST(QtnEAAInterp, AnglesEndsAndClamping) {
    Q out;
    Q::EAAInterp(out, 0.5, Q::Identity, caa(ZELMath3D::XAxis, 3.0));
    EXPECT_LE(maxDiff(out, caa(ZELMath3D::XAxis, 1.5)), 1e-15);

    // A rotation by 4 rad about x is stored with s < 0; the short way is 2π − 4 about −x.
    const Q four = caa(ZELMath3D::XAxis, 4.0);
    double s;
    V v;
    four.get(s, v);
    ASSERT_LT(s, 0.0);
    Q::EAAInterp(out, 0.5, Q::Identity, four);
    EXPECT_LE(maxDiff(out, eaa(V(-1, 0, 0), (2 * kPi - 4.0) / 2)), 1e-15);

    std::mt19937_64 g(8);
    for (int n = 0; n < 50; ++n) {
        const Q q0 = randomUnit(g), q1 = randomUnit(g);
        Q a, b;
        Q::EAAInterp(a, 0.0, q0, q1);
        EXPECT_EQ(a, q0);
        Q::EAAInterp(b, -1.0, q0, q1);
        EXPECT_EQ(b, q0);
        Q::EAAInterp(a, 1.0, q0, q1);
        Q::EAAInterp(b, 2.0, q0, q1);
        EXPECT_EQ(a, b);
        EXPECT_TRUE(ZELNearAbs(a, q1, 1e-7, 1e-7));
        // Never more than a half turn from q0, and the angle grows linearly with t.
        Q rel = q0;
        rel.conjugate();
        rel.postMultiply(q1);
        const double full = angleOf(rel);
        EXPECT_LE(full, kPi);
        Q::EAAInterp(a, 0.25, q0, q1);
        Q step = q0;
        step.conjugate();
        step.postMultiply(a);
        EXPECT_NEAR(angleOf(step), 0.25 * full, 1e-7);
    }
    // Zero inputs do not throw.
    EXPECT_NO_THROW(Q::EAAInterp(out, 0.5, Q(0, 0, 0, 0), Q::Identity));
}

TEST(QtnInterpolation, OutputMayAliasAnInput) {
    std::mt19937_64 g(21);
    const Q p = randomUnit(g), a = randomUnit(g), b = randomUnit(g), q = randomUnit(g);
    const double t = 0.35;
    Q ref, x;
    Q::slerp(ref, t, p, q);
    x = p;
    Q::slerp(x, t, x, q);
    EXPECT_EQ(x, ref);
    x = q;
    Q::slerp(x, t, p, x);
    EXPECT_EQ(x, ref);

    Q::squad(ref, t, p, a, b, q);
    x = a;
    Q::squad(x, t, p, x, b, q);
    EXPECT_EQ(x, ref);
    x = q;
    Q::squad(x, t, p, a, b, x);
    EXPECT_EQ(x, ref);

    Q::EAAInterp(ref, t, p, q);
    x = p;
    Q::EAAInterp(x, t, x, q);
    EXPECT_EQ(x, ref);
    x = q;
    Q::EAAInterp(x, t, p, x);
    EXPECT_EQ(x, ref);
}

// ---- transforms -------------------------------------------------------------------------------

namespace {

X pose(ZELMath3D::AxisType k, double angle, const V& p) {
    X x;
    x.setCAA(k, angle);
    x.setPosition(p);
    return x;
}

R3 rotationOf(const X& x) {
    R3 r;
    x.getRotate(r);
    return r;
}

// Column by column: near a half turn the comparison by equivalent angle and axis only resolves
// about 1e-8.
bool columnsNear(const R3& a, const R3& b, double tol) {
    return ZELNearAbs(a(ZELMath3D::NDirection), b(ZELMath3D::NDirection), tol) &&
           ZELNearAbs(a(ZELMath3D::SDirection), b(ZELMath3D::SDirection), tol) &&
           ZELNearAbs(a(ZELMath3D::ADirection), b(ZELMath3D::ADirection), tol);
}

}  // namespace

TEST(XformInterpolation, EndsAndPositions) {
    const X a = pose(ZELMath3D::XAxis, 0.4, V(1, 2, 3));
    X b = pose(ZELMath3D::YAxis, -1.2, V(-3, 0, 5));
    b.rotate(ZELMath3D::ZAxis, 0.5, ZELMath3D::LocalFrame);
    for (auto interp : {&X::slerp, &X::EAAInterp}) {
        X out;
        interp(out, 0.0, a, b);
        EXPECT_EQ(out(ZELMath3D::Position), V(1, 2, 3));
        EXPECT_TRUE(ZELNearAbs(out, a, 1e-14, 1e-14));
        interp(out, 1.0, a, b);
        EXPECT_EQ(out(ZELMath3D::Position), V(-3, 0, 5));
        EXPECT_TRUE(ZELNearAbs(out, b, 1e-14, 1e-14));
        interp(out, 0.25, a, b);
        EXPECT_EQ(out(ZELMath3D::Position), V(0, 1.5, 3.5));
        // out may be a or b.
        X alias = a;
        interp(alias, 0.25, alias, b);
        EXPECT_EQ(alias, out);
        alias = b;
        interp(alias, 0.25, a, alias);
        EXPECT_EQ(alias, out);
    }
}

TEST(XformInterpolation, AcrossAHalfTurnSlerpGoesTheLongWay) {
    // Rotations by π − 0.1 and π + 0.1 about z: 0.2 rad apart the short way. As quaternions with
    // s ≥ 0 they have a negative dot product, so slerp passes through the identity.
    const X a = pose(ZELMath3D::ZAxis, kPi - 0.1, V(0, 0, 0));
    const X b = pose(ZELMath3D::ZAxis, kPi + 0.1, V(2, 0, 0));
    X s, e;
    X::slerp(s, 0.5, a, b);
    X::EAAInterp(e, 0.5, a, b);
    EXPECT_TRUE(columnsNear(rotationOf(s), R3::Identity, 1e-13));
    R3 half;
    half.setCAA(ZELMath3D::ZAxis, kPi);
    EXPECT_TRUE(columnsNear(rotationOf(e), half, 1e-13));
    EXPECT_EQ(s(ZELMath3D::Position), V(1, 0, 0));
    EXPECT_EQ(e(ZELMath3D::Position), V(1, 0, 0));

    // On the same side of the half turn both agree.
    const X c = pose(ZELMath3D::ZAxis, kPi - 0.3, V(0, 0, 0));
    X::slerp(s, 0.5, a, c);
    X::EAAInterp(e, 0.5, a, c);
    EXPECT_TRUE(columnsNear(rotationOf(s), rotationOf(e), 1e-13));
    EXPECT_TRUE(columnsNear(rotationOf(s), rotationOf(pose(ZELMath3D::ZAxis, kPi - 0.2, V(0, 0, 0))), 1e-13));
}
