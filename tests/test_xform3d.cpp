// The rigid transform, the conveniences beside the out-parameter forms, and the one test of
// invalid frames and axes for the rotation, the quaternion and the transform.
#include "AssertRecorder.h"
#include "OrientationTestUtil.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>

using namespace testutil;

namespace {

X translation(const V& p) { return X(R3::Identity, p); }
X turn(M3::AxisType k, double angle) { return X(rot(k, angle), V()); }

TEST(Xform3D, AccessorsByValueAndByOutParameterGiveTheSameBits) {
    EXPECT_EQ(X(), X::Identity);
    X x(rot(M3::ZAxis, kPi / 2), V(1, 2, 3));
    EXPECT_TRUE(x(M3::Position) == V(1, 2, 3) && x(M3::Position, M3::ZCoord) == 3.0);
    EXPECT_TRUE(x(M3::NDirection) == V(0, 1, 0) && x(M3::SDirection, M3::XCoord) == -1.0);
    x.setRPY(0.1, 0.2, 0.3);  // orientation setters change the rotation only
    EXPECT_TRUE(x.rotation() == rpy(0.1, 0.2, 0.3) && x.position() == V(1, 2, 3));
    x.setQtn(Q(0, 1, 0, 0));
    V axis;
    double angle;
    x.getEAA(axis, angle);
    EXPECT_TRUE(x.rotation() == rot(M3::XAxis, kPi) && axis == V(1, 0, 0) && angle == kPi);
    std::mt19937_64 g(4);
    for (int n = 0; n < 20; ++n) {
        const X a = randomPose(g), b = randomPose(g);
        R3 r;
        Q q;
        V p;
        a.getRotate(r);
        a.getQtn(q);
        a.getPosition(p);
        EXPECT_TRUE(a.rotation() == r && a.qtn() == q && a.position() == p);
        EXPECT_TRUE(p.x() == p[0] && p.y() == p[1] && p.z() == p[2]);
        double rpyOut[3];
        r.getRPY(rpyOut[0], rpyOut[1], rpyOut[2]);
        EXPECT_EQ(std::memcmp(rpyOut, r.rpy().data(), sizeof rpyOut), 0);
        X set;
        set.setQtn(q);
        set.setPosition(p);
        EXPECT_TRUE(X(q, p) == set && X(r, p) == a);
        set.swap(x);
        EXPECT_EQ(x, X(q, p));
        for (double t : {-0.5, 0.3, 0.75, 1.5}) {
            X xo;
            Q qo;
            X::EAAInterp(xo, t, a, b);
            Q::EAAInterp(qo, t, a.qtn(), b.qtn());
            EXPECT_TRUE(X::EAAInterp(t, a, b) == xo && Q::EAAInterp(t, a.qtn(), b.qtn()) == qo);
        }
    }
}

TEST(Xform3D, MatrixArrayAndFlatLayoutsRoundTrip) {
    const X x(rot(M3::ZAxis, kPi / 2), V(1, 2, 3));
    const double expect[4][4] = {{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}};
    double a[4][4], t[4][4];
    x.get(a, false);
    x.get(t, true);
    ZELMathMatrix m(4, 4, 7.0), mt(4, 4, 7.0);
    x.get(m, false);
    x.get(mt, true);
    const ZELMathMatrix full = x.toZELBasicMathMatrix();
    for (int i = 0; i < 16; ++i) {
        const int r = i / 4, c = i % 4;
        EXPECT_TRUE(a[r][c] == expect[r][c] && t[c][r] == expect[r][c] && m(r, c) == expect[r][c] &&
                    mt(c, r) == expect[r][c] && full(r, c) == expect[r][c]);
    }
    EXPECT_TRUE(X(a, false) == x && X(t, true) == x && X(m, false) == x && X(mt, true) == x);
    double flat[12];
    x.get(flat);
    const double expectFlat[12] = {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 3};
    X s;
    s.set(flat);
    EXPECT_TRUE(std::memcmp(flat, expectFlat, sizeof flat) == 0 && s == x);
    // Reading a matrix re-orthonormalises the rotation and ignores the fourth row.
    const double skewed[4][4] = {{2, 1, 1, 5}, {0, 3, 1, 6}, {0, 0, 5, 7}, {9, 9, 9, 9}};
    EXPECT_EQ(X(skewed, false), translation(V(5, 6, 7)));
    const double broken[4][4] = {
        {kNaN, 0, 0, kInf}, {0, kInf, 0, 0}, {0, 0, 1, -kInf}, {0, 0, 0, 1}};
    X y(broken, true);  // non-finite input passes through without a crash
    y *= y;
    std::ostringstream os;
    os << translation(V(1, 2, 3));
    auto f = [](int n) { return std::string(13, ' ') + std::to_string(n) + " "; };
    EXPECT_EQ(os.str(),
              "4X4:\n[\n" + f(1) + f(0) + f(0) + f(1) + "\n" + f(0) + f(1) + f(0) + f(2) + "\n" +
                  f(0) + f(0) + f(1) + f(3) + "\n" + f(0) + f(0) + f(0) + f(1) + "\n]\n");
}

TEST(Xform3D, CompositionRoundsAsTheRotationsOwnProducts) {
    std::mt19937_64 g(10);
    for (int n = 0; n < 50; ++n) {
        const X x = randomPose(g), y = randomPose(g);
        const X xy = x * y;
        EXPECT_TRUE(xy.rotation() == x.rotation() * y.rotation() &&
                    xy.position() == x.rotation() * y.position() + x.position());
        EXPECT_EQ((x / y).rotation(), x.rotation() / y.rotation());
        X c = x, m1, m2, m3 = x, m4 = x, m5 = x, m6 = y, m7 = x;
        c.invert();
        X::multiply(m1, x, y);
        X::divide(m2, x, y);
        m3.preMultiply(y);
        m4 *= m4;
        const X& self5 = m5;  // the same object through another name
        m5 /= self5;
        X::multiply(m6, x, m6);
        m7.postMultiply(y);
        EXPECT_TRUE(m1 == xy && m2 == x / y && m3 == y * x && m4 == x * x && m6 == xy && m7 == xy);
        for (const X& near : {x * y / y, x / y * y, x * c * x, m5 * x})
            EXPECT_LT(maxDiff(near, x), 1e-14);
        const V p(0.5, -1, 2);
        V out = p;
        x.rotateVec(out);
        EXPECT_TRUE(x * p == x.rotation() * p + x.position() && out == x * p);
    }
}

TEST(Xform3D, NearComparisonTakesTheRotationFirstAndThePositionWithTheAxisTolerance) {
    const X a = translation(V(1, 1, 1)), b = translation(V(1, 1, 1.5));
    EXPECT_TRUE(!ZELNearAbs(a, b, 1.0, 0.1) && ZELNearAbs(a, b, 0.1, 1.0));
    EXPECT_TRUE(ZELNearRel(a, b, 0.1, 0.34) && !ZELNearRel(a, b, 0.1, 0.33));
    EXPECT_TRUE(ZELNearAbs(a, b, 0.0, 1.0) &&
                !ZELNearAbs(a, b, 1.0, 0.0));  // zero angle tolerance: exact rotations
    const X r1 = turn(M3::XAxis, 0.3), r2 = turn(M3::XAxis, 0.31);
    EXPECT_TRUE(ZELNearAbs(r1, r2, 0.02, 1e-9) && !ZELNearAbs(r1, r2, 0.005, 1.0) &&
                !ZELNearRel(r1, r2, 0.03, 1e-9));
}

TEST(Xform3D, DenavitHartenbergIsRzTzTxRxWithExactQuarterTurns) {
    X x = translation(V(1, 2, 3));
    x.setDH(0, 0, 0, 0);
    EXPECT_EQ(x, X::Identity);
    x.setDH(kPi / 2, 0, 0, 1);
    EXPECT_TRUE(x(M3::NDirection) == V(0, 1, 0) && x.position() == V(0, 1, 0));
    const X y(kPi / 2, 0.5, -kPi / 2, 2);
    EXPECT_TRUE(y(M3::SDirection) == V(0, 0, -1) && y(M3::ADirection) == V(-1, 0, 0) &&
                y.position() == V(0, 2, 0.5));
    std::mt19937_64 g(6);
    std::uniform_real_distribution<double> ang(-kPi, kPi), len(-1, 1);
    for (int n = 0; n < 50; ++n) {
        const double theta = ang(g), d = len(g), alpha = ang(g), a = len(g);
        const X chain = turn(M3::ZAxis, theta) * translation(V(0, 0, d)) * translation(V(a, 0, 0)) *
            turn(M3::XAxis, alpha);
        EXPECT_LT(maxDiff(X(theta, d, alpha, a), chain), 1e-15);
    }
}

TEST(Xform3D, WorldFrameMotionTurnsThePositionAndLocalFrameMotionDoesNot) {
    X x = turn(M3::ZAxis, kPi / 2);
    x.translate(V(1, 0, 0), M3::LocalFrame);
    EXPECT_EQ(x.position(), V(0, 1, 0));
    x.translate(V(1, 0, 0), M3::WorldFrame);
    EXPECT_EQ(x.position(), V(1, 1, 0));
    std::mt19937_64 g(12);
    for (int n = 0; n < 20; ++n) {
        const X x0 = randomPose(g);
        for (auto k : {M3::XAxis, M3::YAxis, M3::ZAxis}) {
            V axis;
            axis[static_cast<int>(k)] = 2.0;
            const double angle = n % 2 ? 0.4 : -2.2;
            const X inc = turn(k, angle);
            for (auto f : {M3::WorldFrame, M3::LocalFrame}) {
                const X expect = f == M3::WorldFrame ? inc * x0 : x0 * inc;
                X byAxis = x0, byVector = x0, byMove = x0;
                byAxis.rotate(k, angle, f);
                byVector.rotate(axis, angle, f);
                byMove.move(inc, f);
                EXPECT_EQ(byMove, expect);
                EXPECT_LT(maxDiff(byAxis, expect), 1e-15);
                EXPECT_LT(maxDiff(byVector, expect), 1e-15);
                R3 r = x0.rotation();
                r.rotate(k, angle, f);
                EXPECT_EQ(byAxis.rotation(), r);  // the rotation's own in-place rule, to the bit
            }
        }
        X self = x0;
        self.move(self, M3::LocalFrame);
        EXPECT_EQ(self, x0 * x0);
    }
}

// ---- invalid frames and axes, for all three orientation types ------------------------------------

// What differs between the three types: the report's file and frame message, one composition
// in a frame (two for the transform: move and translate), and what setCAA leaves behind.
template <class T>
struct Kind {
    static constexpr bool isQ = std::is_same<T, Q>::value, isX = std::is_same<T, X>::value;
    static constexpr const char* file = isQ ? "publicinterfaces/ZELQtn3D"
        : isX                               ? "publicinterfaces/ZELXform3D"
                                            : "publicinterfaces/ZELRotate3D";
    static constexpr const char* frameMessage =
        isQ ? "Invalid reference frame." : "Invalid reference frame";
    static T sample() { return T(general(), V(1, 2, 3)); }
};
template <>
Q Kind<Q>::sample() {
    return Q(0.5, 0.5, -0.5, 0.5);
}
template <>
R3 Kind<R3>::sample() {
    return general();
}
int composeInFrame(R3& x, M3::ReferenceFrame f) { return x.rotate(general(), f), 1; }
int composeInFrame(Q& x, M3::ReferenceFrame f) { return x.rotate(Q(0, 1, 0, 0), f), 1; }
int composeInFrame(X& x, M3::ReferenceFrame f) {
    return x.move(X(general(), V()), f), x.translate(V(1, 0, 0), f), 2;
}
R3 afterInvalidCAA(const R3&) { return R3::Identity; }
Q afterInvalidCAA(const Q& q) {
    return Q(std::cos(0.25), vectorOf(q).x(), vectorOf(q).y(), vectorOf(q).z());
}  // s stored
X afterInvalidCAA(const X& x) { return X(R3::Identity, x.position()); }

template <class T>
class InvalidEnumerations : public ::testing::Test {};
using OrientationTypes = ::testing::Types<R3, Q, X>;
TYPED_TEST_SUITE(InvalidEnumerations, OrientationTypes, );

void expectReports(const std::vector<AssertReport>& reports, std::size_t count,
                   const char* message) {
    ASSERT_EQ(reports.size(), count);
    for (const AssertReport& r : reports)
        EXPECT_TRUE(r.category == "Software" && r.message == message) << r.message;
}

TYPED_TEST(InvalidEnumerations, AreReportedAndChangeNothingExceptWhereTheContractSaysSo) {
    using K = Kind<TypeParam>;
    const TypeParam before = K::sample();
    TypeParam x = before;
    AssertRecorder rec;
    std::size_t count = 0;
    for (int bad : {2, -1, INT_MIN}) {
        const auto f = static_cast<M3::ReferenceFrame>(bad);
        x.rotate(M3::ZAxis, 0.5, f);
        x.rotate(static_cast<M3::AxisType>(bad), 0.5, f);  // the frame is checked first
        x.rotate(V(0, 0, 1), 0.5, f);
        count += 3 + composeInFrame(x, f);
    }
    EXPECT_EQ(x, before);
    std::vector<AssertReport> reports = rec.take();
    expectReports(reports, count, K::frameMessage);
    for (const AssertReport& r : reports) EXPECT_EQ(r.file, K::file);
    for (int bad : {3, -1, INT_MAX}) {
        const auto k = static_cast<M3::AxisType>(bad);
        x.rotate(k, 0.5, M3::LocalFrame);
        x.setEuler(E3(0.1, M3::XAxis, 0.0, k, 0.3, M3::ZAxis));  // every axis is checked
    }
    EXPECT_EQ(x, before);
    expectReports(rec.take(), 6, "Invalid rotation axis");
    // A zero axis is turned into a rotation first: it throws whatever the frame.
    EXPECT_THROW(x.rotate(V(), 0.5, static_cast<M3::ReferenceFrame>(2)), ZELEZeroVector);
    EXPECT_EQ(x, before);
    EXPECT_TRUE(rec.take().empty());
    // setCAA: a zero angle never looks at the axis; otherwise the documented partial result.
    x.setCAA(static_cast<M3::AxisType>(3), 0.0);
    EXPECT_TRUE(rec.take().empty());
    x = before;
    x.setCAA(static_cast<M3::AxisType>(-4), 0.5);
    EXPECT_EQ(x, afterInvalidCAA(before));
    reports = rec.take();
    expectReports(reports, 1, "Invalid rotation axis");
    EXPECT_EQ(reports[0].file,
              (std::is_same<TypeParam, Q>::value ? K::file : "publicinterfaces/ZELRotate3D"));
}

}  // namespace
