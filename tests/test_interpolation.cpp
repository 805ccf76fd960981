#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELXform3D.h"

#include "OrientationTestUtil.h"

#include <gtest/gtest.h>

using namespace testutil;
using V = ZELVector3D;
using Q = ZELQtn3D;
using R3 = ZELRotate3D;
using X = ZELXform3D;

TEST(QtnInterpolation, EndsAndClamping) {
    std::mt19937_64 g(1);
    const Q p = randomUnit(g), a = randomUnit(g), b = randomUnit(g), q = randomUnit(g);
    Q out;
    for (double t : {-1.0, 0.0}) {
        Q::slerp(out, t, p, q);
        EXPECT_EQ(out, p);
        Q::squad(out, t, p, a, b, q);
        EXPECT_EQ(out, p);
        Q::EAAInterp(out, t, p, q);
        EXPECT_EQ(out, p);
    }
    Q e1;
    Q::EAAInterp(e1, 1.0, p, q);
    EXPECT_TRUE(ZELNearAbs(e1, q, 1e-7, 1e-7));  // q or −q
    for (double t : {1.0, 2.0}) {
        Q::slerp(out, t, p, q);
        EXPECT_EQ(out, q);
        Q::squad(out, t, p, a, b, q);
        EXPECT_EQ(out, q);
        Q::EAAInterp(out, t, p, q);
        EXPECT_EQ(out, e1);
    }
}

TEST(QtnInterpolation, SlerpValues) {
    Q out;
    Q::slerp(out, 0.5, Q::Identity, Q(0, 0, 0, 1));  // half way to a half turn: a quarter turn
    double s;
    V v;
    out.get(s, v);
    EXPECT_DOUBLE_EQ(s, std::sqrt(0.5));
    EXPECT_DOUBLE_EQ(v[2], std::sqrt(0.5));
    EXPECT_EQ(v[0], 0.0);

    // Along one axis the angle grows linearly; q0 = q1 gives q0 (the linear blend).
    for (double t : {0.25, 0.5, 0.75}) {
        Q::slerp(out, t, qtn(ZELMath3D::XAxis, 0.2), qtn(ZELMath3D::XAxis, 1.4));
        EXPECT_LE(maxDiff(out, qtn(ZELMath3D::XAxis, 0.2 + 1.2 * t)), 1e-15);
        Q::slerp(out, t, qtn(V(1, 2, 3), 2.0), qtn(V(1, 2, 3), 2.0));
        EXPECT_LE(maxDiff(out, qtn(V(1, 2, 3), 2.0)), 2e-16);
    }

    // Between q and −q, sin θ is below ε: the linear blend cancels to the zero quaternion.
    const Q q = qtn(V(1, 2, 3), 0.8);
    Q::slerp(out, 0.5, q, -q);
    EXPECT_EQ(out, Q(0, 0, 0, 0));
    Q::EAAInterp(out, 0.5, q, -q);
    EXPECT_LE(maxDiff(out, q), 1e-15);
}

TEST(QtnInterpolation, NegativeDotSlerpTakesTheLongWayEAAInterpTheShortWay) {
    const Q q1 = -qtn(ZELMath3D::ZAxis, 1.0);  // 1 rad about z, stored with the other sign
    ASSERT_LT(Q::Identity.dot(q1), 0.0);
    Q s, e;
    Q::slerp(s, 0.5, Q::Identity, q1);
    Q::EAAInterp(e, 0.5, Q::Identity, q1);
    EXPECT_NEAR(angleOf(s), kPi - 0.5, 1e-14);
    EXPECT_NEAR(angleOf(e), 0.5, 1e-14);
}

TEST(QtnInterpolation, EAAInterpAngles) {
    Q out;
    Q::EAAInterp(out, 0.5, Q::Identity, qtn(ZELMath3D::XAxis, 3.0));
    EXPECT_LE(maxDiff(out, qtn(ZELMath3D::XAxis, 1.5)), 1e-15);
    // 4 rad about x is stored with s < 0; the short way is 2π − 4 about −x.
    const Q four = qtn(ZELMath3D::XAxis, 4.0);
    ASSERT_LT(scalarOf(four), 0.0);
    Q::EAAInterp(out, 0.5, Q::Identity, four);
    EXPECT_LE(maxDiff(out, qtn(V(-1, 0, 0), (2 * kPi - 4.0) / 2)), 1e-15);

    std::mt19937_64 g(8);
    for (int n = 0; n < 50; ++n) {
        const Q q0 = randomUnit(g), q1 = randomUnit(g);
        Q a;
        Q::EAAInterp(a, 0.25, q0, q1);
        // A quarter of the relative rotation, which is never more than a half turn.
        const double full = angleOf(q0 / q1);
        EXPECT_LE(full, kPi);
        EXPECT_NEAR(angleOf(q0 / a), 0.25 * full, 1e-7);
    }
    EXPECT_NO_THROW(Q::EAAInterp(out, 0.5, Q(0, 0, 0, 0), Q::Identity));
}

TEST(QtnInterpolation, SquadWithEndControlPointsIsSlerp) {
    const Q p = qtn(V(1, 0, 1), 0.3), q = qtn(V(0, 1, 1), 1.9);
    for (double t : {0.1, 0.3, 0.5, 0.8}) {
        Q sq, sl;
        Q::squad(sq, t, p, p, q, q);
        Q::slerp(sl, t, p, q);
        EXPECT_LE(maxDiff(sq, sl), 4e-16) << t;
    }
}

TEST(QtnInterpolation, OutputMayAliasAnInput) {
    std::mt19937_64 g(21);
    const Q p = randomUnit(g), a = randomUnit(g), b = randomUnit(g), q = randomUnit(g);
    const double t = 0.35;
    Q ref, x;
    Q::slerp(ref, t, p, q);
    x = p, Q::slerp(x, t, x, q);
    EXPECT_EQ(x, ref);
    x = q, Q::slerp(x, t, p, x);
    EXPECT_EQ(x, ref);
    Q::squad(ref, t, p, a, b, q);
    x = a, Q::squad(x, t, p, x, b, q);
    EXPECT_EQ(x, ref);
    x = q, Q::squad(x, t, p, a, b, x);
    EXPECT_EQ(x, ref);
    Q::EAAInterp(ref, t, p, q);
    x = p, Q::EAAInterp(x, t, x, q);
    EXPECT_EQ(x, ref);
    x = q, Q::EAAInterp(x, t, p, x);
    EXPECT_EQ(x, ref);
}

// ---- transforms -------------------------------------------------------------------------------

TEST(XformInterpolation, EndsPositionsAndAliasing) {
    const X a(rot(ZELMath3D::XAxis, 0.4), V(1, 2, 3));
    X b(rot(ZELMath3D::YAxis, -1.2), V(-3, 0, 5));
    b.rotate(ZELMath3D::ZAxis, 0.5, ZELMath3D::LocalFrame);
    for (auto interp : {&X::slerp, &X::EAAInterp}) {
        X out;
        interp(out, 0.0, a, b);
        EXPECT_TRUE(scalarsNear(out, a, 1e-15));
        interp(out, 1.0, a, b);
        EXPECT_TRUE(scalarsNear(out, b, 1e-15));
        interp(out, 0.25, a, b);
        EXPECT_EQ(out(ZELMath3D::Position), V(0, 1.5, 3.5));
        X alias = a;
        interp(alias, 0.25, alias, b);
        EXPECT_EQ(alias, out);
        alias = b;
        interp(alias, 0.25, a, alias);
        EXPECT_EQ(alias, out);
    }
}

TEST(XformInterpolation, AcrossAHalfTurnSlerpGoesTheLongWay) {
    // π − 0.1 and π + 0.1 about z are 0.2 rad apart. Their quaternions (s ≥ 0 both) have a
    // negative dot product, so slerp passes through the identity; EAAInterp through the half turn.
    const X a(rot(ZELMath3D::ZAxis, kPi - 0.1), V(0, 0, 0));
    const X b(rot(ZELMath3D::ZAxis, kPi + 0.1), V(2, 0, 0));
    X s, e;
    X::slerp(s, 0.5, a, b);
    X::EAAInterp(e, 0.5, a, b);
    EXPECT_TRUE(columnsNear(rotationOf(s), R3::Identity, 1e-13));
    EXPECT_TRUE(columnsNear(rotationOf(e), rot(ZELMath3D::ZAxis, kPi), 1e-13));
    EXPECT_EQ(s(ZELMath3D::Position), V(1, 0, 0));

    // On one side of the half turn both agree.
    const X c(rot(ZELMath3D::ZAxis, kPi - 0.3), V(0, 0, 0));
    X::slerp(s, 0.5, a, c);
    X::EAAInterp(e, 0.5, a, c);
    EXPECT_TRUE(columnsNear(rotationOf(s), rot(ZELMath3D::ZAxis, kPi - 0.2), 1e-13));
    EXPECT_TRUE(columnsNear(rotationOf(e), rot(ZELMath3D::ZAxis, kPi - 0.2), 1e-13));
}
