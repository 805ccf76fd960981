// Interpolation of quaternions (slerp, squad, EAAInterp) and of transforms.
#include "OrientationTestUtil.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

TEST(Interpolation, EndsAreCopiesAndTheOutputMayBeAnyInput) {
    std::mt19937_64 g(1);
    const Q p = randomUnit(g), a = randomUnit(g), b = randomUnit(g), q = randomUnit(g);
    Q out, e1;
    Q::EAAInterp(e1, 1.0, p, q);
    EXPECT_TRUE(ZELNearAbs(e1, q, 1e-7, 1e-7));  // q or -q
    for (double t : {-1.0, 0.0, 1.0, 2.0}) {
        const bool start = t <= 0;
        Q::slerp(out, t, p, q);
        EXPECT_EQ(out, start ? p : q);
        Q::squad(out, t, p, a, b, q);
        EXPECT_EQ(out, start ? p : q);
        Q::EAAInterp(out, t, p, q);  // t is clamped
        EXPECT_EQ(out, start ? p : e1);
    }
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

TEST(Interpolation, SlerpFollowsTheArcBetweenTheValuesAsGiven) {
    Q out;
    Q::slerp(out, 0.5, Q::Identity, Q(0, 0, 0, 1));  // half way to a half turn: a quarter turn
    EXPECT_LE(maxDiff(out, Q(std::sqrt(0.5), 0, 0, std::sqrt(0.5))), kEps);
    for (double t : {0.25, 0.5, 0.75}) {
        Q::slerp(out, t, qtn(M3::XAxis, 0.2), qtn(M3::XAxis, 1.4));
        EXPECT_LE(maxDiff(out, qtn(M3::XAxis, 0.2 + 1.2 * t)), 1e-15);
        Q::slerp(out, t, qtn(V(1, 2, 3), 2.0), qtn(V(1, 2, 3), 2.0));
        EXPECT_LE(maxDiff(out, qtn(V(1, 2, 3), 2.0)), 2e-16);
        Q sq;
        const Q p = qtn(V(1, 0, 1), 0.3), q = qtn(V(0, 1, 1), 1.9);
        Q::squad(sq, t, p, p, q, q);  // end control points: squad is slerp
        Q::slerp(out, t, p, q);
        EXPECT_LE(maxDiff(sq, out), 4e-16);
    }
    // Between q and -q, sin(theta) is below epsilon: the linear blend cancels to zero, where
    // EAAInterp stays at q.
    const Q q = qtn(V(1, 2, 3), 0.8);
    Q::slerp(out, 0.5, q, -q);
    EXPECT_EQ(out, Q(0, 0, 0, 0));
    Q::EAAInterp(out, 0.5, q, -q);
    EXPECT_LE(maxDiff(out, q), 1e-15);
    // With a negative dot product slerp takes the long way, EAAInterp the short one.
    const Q q1 = -qtn(M3::ZAxis, 1.0);
    Q s, e;
    Q::slerp(s, 0.5, Q::Identity, q1);
    Q::EAAInterp(e, 0.5, Q::Identity, q1);
    EXPECT_NEAR(angleOf(s), kPi - 0.5, 1e-14);
    EXPECT_NEAR(angleOf(e), 0.5, 1e-14);
}

TEST(Interpolation, EAAInterpTurnsByTheFractionOfTheShorterRelativeRotation) {
    Q out;
    Q::EAAInterp(out, 0.5, Q::Identity, qtn(M3::XAxis, 3.0));
    EXPECT_LE(maxDiff(out, qtn(M3::XAxis, 1.5)), 1e-15);
    const Q four = qtn(M3::XAxis, 4.0);  // stored with s < 0: the short way is 2 pi - 4 about -x
    ASSERT_LT(scalarOf(four), 0.0);
    Q::EAAInterp(out, 0.5, Q::Identity, four);
    EXPECT_LE(maxDiff(out, qtn(V(-1, 0, 0), (2 * kPi - 4.0) / 2)), 1e-15);
    std::mt19937_64 g(8);
    for (int n = 0; n < 50; ++n) {
        const Q q0 = randomUnit(g), q1 = randomUnit(g);
        Q::EAAInterp(out, 0.25, q0, q1);
        const double full = angleOf(q0 / q1);
        EXPECT_LE(full, kPi);
        EXPECT_NEAR(angleOf(q0 / out), 0.25 * full, 1e-7);
    }
    EXPECT_NO_THROW(Q::EAAInterp(out, 0.5, Q(0, 0, 0, 0), Q::Identity));
}

TEST(Interpolation, TransformsInterpolateRotationAndPositionTogether) {
    const X a(rot(M3::XAxis, 0.4), V(1, 2, 3));
    X b(rot(M3::YAxis, -1.2), V(-3, 0, 5));
    b.rotate(M3::ZAxis, 0.5, M3::LocalFrame);
    for (auto interp : {&X::slerp, static_cast<void (*)(X&, const double&, const X&, const X&)>(&X::EAAInterp)}) {
        X out;
        interp(out, 0.0, a, b);
        EXPECT_LT(maxDiff(out, a), 1e-15);
        interp(out, 1.0, a, b);
        EXPECT_LT(maxDiff(out, b), 1e-15);
        interp(out, 0.25, a, b);
        EXPECT_EQ(out.position(), V(0, 1.5, 3.5));
        X alias = a;
        interp(alias, 0.25, alias, b);
        EXPECT_EQ(alias, out);
        alias = b;
        interp(alias, 0.25, a, alias);
        EXPECT_EQ(alias, out);
    }
    // pi - 0.1 and pi + 0.1 about z: their quaternions (s >= 0 both) have a negative dot
    // product, so slerp passes through the identity and EAAInterp through the half turn.
    const X c(rot(M3::ZAxis, kPi - 0.1), V()), d(rot(M3::ZAxis, kPi + 0.1), V(2, 0, 0));
    X s, e;
    X::slerp(s, 0.5, c, d);
    X::EAAInterp(e, 0.5, c, d);
    EXPECT_LT(maxDiff(s.rotation(), R3::Identity), 1e-13);
    EXPECT_LT(maxDiff(e.rotation(), rot(M3::ZAxis, kPi)), 1e-13);
    EXPECT_EQ(s.position(), V(1, 0, 0));
}

}  // namespace
