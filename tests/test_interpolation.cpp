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
    Q ref[3], x[7] = {p, q, a, q, p, q};
    Q::slerp(ref[0], 0.35, p, q);
    Q::squad(ref[1], 0.35, p, a, b, q);
    Q::EAAInterp(ref[2], 0.35, p, q);
    Q::slerp(x[0], 0.35, x[0], q);
    Q::slerp(x[1], 0.35, p, x[1]);
    Q::squad(x[2], 0.35, p, x[2], b, q);
    Q::squad(x[3], 0.35, p, a, b, x[3]);
    Q::EAAInterp(x[4], 0.35, x[4], q);
    Q::EAAInterp(x[5], 0.35, p, x[5]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(x[i], ref[i / 2]);
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
    Q::slerp(out, 0.5, Q::Identity, -qtn(M3::ZAxis, 1.0));
    EXPECT_NEAR(angleOf(out), kPi - 0.5, 1e-14);
    Q::EAAInterp(out, 0.5, Q::Identity, -qtn(M3::ZAxis, 1.0));
    EXPECT_NEAR(angleOf(out), 0.5, 1e-14);
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
    for (auto interp :
         {&X::slerp, static_cast<void (*)(X&, const double&, const X&, const X&)>(&X::EAAInterp)}) {
        X out, start, end, aliasA = a, aliasB = b;
        interp(start, 0.0, a, b);
        interp(end, 1.0, a, b);
        interp(out, 0.25, a, b);
        interp(aliasA, 0.25, aliasA, b);
        interp(aliasB, 0.25, a, aliasB);
        EXPECT_TRUE(maxDiff(start, a) < 1e-15 && maxDiff(end, b) < 1e-15 &&
                    out.position() == V(0, 1.5, 3.5));
        EXPECT_TRUE(aliasA == out && aliasB == out);
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
