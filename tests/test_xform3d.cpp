#include "publicinterfaces/ZELXform3D.h"

#include "AssertRecorder.h"
#include "OrientationTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;
using V = ZELVector3D;
using Q = ZELQtn3D;
using R3 = ZELRotate3D;
using X = ZELXform3D;

namespace {

X translation(const V& p) { return X(R3::Identity, p); }
X rotation(ZELMath3D::AxisType k, double angle) { return X(rot(k, angle), V(0, 0, 0)); }

}  // namespace

TEST(Xform3DCore, IdentityAccessAndForwarding) {
    EXPECT_EQ(X(), X::Identity);
    const X x(rot(ZELMath3D::ZAxis, kPi / 2), V(1, 2, 3));
    EXPECT_EQ(x(ZELMath3D::Position), V(1, 2, 3));
    EXPECT_EQ(x(ZELMath3D::Position, ZELMath3D::ZCoord), 3.0);
    EXPECT_EQ(x(ZELMath3D::NDirection), V(0, 1, 0));
    EXPECT_EQ(x(ZELMath3D::SDirection, ZELMath3D::XCoord), -1.0);
    X y = x, z;
    y.swap(z);
    EXPECT_EQ(z, x);
    EXPECT_EQ(y, X::Identity);

    // The orientation setters act on the rotation only.
    X f = x;
    f.setRPY(0.1, 0.2, 0.3);
    R3 rpy;
    rpy.setRPY(0.1, 0.2, 0.3);
    EXPECT_EQ(rotationOf(f), rpy);
    EXPECT_EQ(f(ZELMath3D::Position), V(1, 2, 3));
    Q q;
    f.getQtn(q);
    EXPECT_EQ(q, rpy.toQtn());
    f.setQtn(Q(0, 1, 0, 0));
    EXPECT_EQ(rotationOf(f), rot(ZELMath3D::XAxis, kPi));
    V axis;
    double angle;
    f.getEAA(axis, angle);
    EXPECT_EQ(axis, V(1, 0, 0));
    EXPECT_EQ(angle, kPi);
}

TEST(Xform3DCore, MatrixArrayAndFlatLayouts) {
    const X x(rot(ZELMath3D::ZAxis, kPi / 2), V(1, 2, 3));
    const double expect[4][4] = {{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}};
    double a[4][4], t[4][4];
    x.get(a, false);
    x.get(t, true);
    ZELMathMatrix m(4, 4, 7.0), mt(4, 4, 7.0);
    x.get(m, false);
    x.get(mt, true);
    const ZELMathMatrix full = x.toZELBasicMathMatrix();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(a[r][c], expect[r][c]);
            EXPECT_EQ(t[c][r], expect[r][c]);
            EXPECT_EQ(m(r, c), expect[r][c]);
            EXPECT_EQ(mt(c, r), expect[r][c]);
            EXPECT_EQ(full(r, c), expect[r][c]);
        }
    }
    EXPECT_EQ(X(a, false), x);
    EXPECT_EQ(X(t, true), x);
    EXPECT_EQ(X(m, false), x);
    EXPECT_EQ(X(mt, true), x);

    // Flat order: the rotation column by column, then the position.
    double flat[12];
    x.get(flat);
    const double expectFlat[12] = {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 3};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(flat[i], expectFlat[i]);
    X s;
    s.set(flat);
    EXPECT_EQ(s, x);

    // Setting from a matrix re-orthonormalises the rotation and ignores the fourth row.
    const double raw[16] = {2, 1, 1, 5, 0, 3, 1, 6, 0, 0, 5, 7, 9, 9, 9, 9};
    s.set(ZELMathMatrix(raw, 4, 4), false);
    EXPECT_EQ(s, translation(V(5, 6, 7)));

    std::ostringstream os;
    os << translation(V(1, 2, 3));
    const std::string one = std::string(13, ' ') + "1 ", zero = std::string(13, ' ') + "0 ";
    auto num = [](int n) { return std::string(13, ' ') + std::to_string(n) + " "; };
    EXPECT_EQ(os.str(), "4X4:\n[\n" + one + zero + zero + num(1) + "\n" + zero + one + zero + num(2) + "\n" + zero +
                            zero + one + num(3) + "\n" + zero + zero + zero + one + "\n]\n");
}

TEST(Xform3DCore, Composition) {
    std::mt19937_64 g(10);
    for (int n = 0; n < 50; ++n) {
        const X x = randomPose(g), y = randomPose(g);
        const X xy = x * y;
        // Rotation R·R' and position R·p' + p, rounded as the rotation's own products.
        EXPECT_EQ(rotationOf(xy), rotationOf(x) * rotationOf(y));
        EXPECT_EQ(xy(ZELMath3D::Position), rotationOf(x) * y(ZELMath3D::Position) + x(ZELMath3D::Position));
        EXPECT_EQ(rotationOf(x / y), rotationOf(x) / rotationOf(y));
        EXPECT_TRUE(scalarsNear(x * y / y, x, 1e-14));
        EXPECT_TRUE(scalarsNear(x / y * y, x, 1e-14));
        X c = x;
        c.invert();
        EXPECT_TRUE(scalarsNear(x * c, X::Identity, 1e-14));
        EXPECT_TRUE(scalarsNear(c * x, X::Identity, 1e-14));

        X m;
        X::multiply(m, x, y);
        EXPECT_EQ(m, xy);
        X::divide(m, x, y);
        EXPECT_EQ(m, x / y);
        m = x, m *= y;
        EXPECT_EQ(m, xy);
        m = x, m.postMultiply(y);
        EXPECT_EQ(m, xy);
        m = x, m.preMultiply(y);
        EXPECT_EQ(m, y * x);
        m = x, m /= y;
        EXPECT_EQ(m, x / y);
        m = x, m *= m;
        EXPECT_EQ(m, x * x);
        m = x;
        const X& self = m;
        m /= self;
        EXPECT_TRUE(scalarsNear(m, X::Identity, 1e-14));
        m = y, X::multiply(m, x, m);
        EXPECT_EQ(m, xy);

        // Points: R·v + p.
        const V p(0.5, -1, 2);
        EXPECT_EQ(x * p, rotationOf(x) * p + x(ZELMath3D::Position));
        V out = p;
        x.rotateVec(out);
        EXPECT_EQ(out, x * p);
    }
}

TEST(Xform3DCore, Comparisons) {
    const X a = translation(V(1, 1, 1)), b = translation(V(1, 1, 1.5));
    EXPECT_TRUE(a != b);
    // The positions are compared with the second tolerance.
    EXPECT_FALSE(ZELNearAbs(a, b, 1.0, 0.1));
    EXPECT_TRUE(ZELNearAbs(a, b, 0.1, 1.0));
    EXPECT_TRUE(ZELNearRel(a, b, 0.1, 0.34));
    EXPECT_FALSE(ZELNearRel(a, b, 0.1, 0.33));
    // A zero angle tolerance makes only the rotation comparison exact.
    EXPECT_TRUE(ZELNearAbs(a, b, 0.0, 1.0));
    EXPECT_FALSE(ZELNearAbs(a, b, 1.0, 0.0));

    // The rotations come first, by equivalent angle and axis.
    const X r1 = rotation(ZELMath3D::XAxis, 0.3), r2 = rotation(ZELMath3D::XAxis, 0.31);
    EXPECT_TRUE(ZELNearAbs(r1, r2, 0.02, 1e-9));
    EXPECT_FALSE(ZELNearAbs(r1, r2, 0.005, 1.0));
    EXPECT_FALSE(ZELNearRel(r1, r2, 0.03, 1e-9));
    EXPECT_TRUE(ZELNearAbs(r1, r2, 1, 1));  // any scalar type converts to the tolerance
    EXPECT_FALSE(ZELNearAbs(r1, r2, 0, 1));
}

// ---- motion and Denavit-Hartenberg --------------------------------------------------------------

TEST(Xform3DMotion, DenavitHartenberg) {
    X x = translation(V(1, 2, 3));
    x.setDH(0, 0, 0, 0);
    EXPECT_EQ(x, X::Identity);
    x.setDH(kPi / 2, 0, 0, 1);
    EXPECT_EQ(x(ZELMath3D::NDirection), V(0, 1, 0));
    EXPECT_EQ(x(ZELMath3D::Position), V(0, 1, 0));
    const X y(kPi / 2, 0.5, -kPi / 2, 2);
    EXPECT_EQ(y(ZELMath3D::SDirection), V(0, 0, -1));
    EXPECT_EQ(y(ZELMath3D::ADirection), V(-1, 0, 0));
    EXPECT_EQ(y(ZELMath3D::Position), V(0, 2, 0.5));

    // The product of the elementary transforms Rz(theta), Tz(d), Tx(a), Rx(alpha).
    std::mt19937_64 g(6);
    std::uniform_real_distribution<double> ang(-kPi, kPi), len(-1, 1);
    for (int n = 0; n < 50; ++n) {
        const double theta = ang(g), d = len(g), alpha = ang(g), a = len(g);
        const X chain = rotation(ZELMath3D::ZAxis, theta) * translation(V(0, 0, d)) * translation(V(a, 0, 0)) *
                        rotation(ZELMath3D::XAxis, alpha);
        EXPECT_TRUE(scalarsNear(X(theta, d, alpha, a), chain, 1e-15));
    }
}

TEST(Xform3DMotion, FramesAgreeAcrossTransformRotationAndQuaternion) {
    X x = rotation(ZELMath3D::ZAxis, kPi / 2);
    x.translate(V(1, 0, 0), ZELMath3D::LocalFrame);
    EXPECT_EQ(x(ZELMath3D::Position), V(0, 1, 0));
    x.translate(V(1, 0, 0), ZELMath3D::WorldFrame);
    EXPECT_EQ(x(ZELMath3D::Position), V(1, 1, 0));
    X w = translation(V(1, 0, 0)), l = w;
    w.rotate(ZELMath3D::ZAxis, kPi / 2, ZELMath3D::WorldFrame);
    l.rotate(ZELMath3D::ZAxis, kPi / 2, ZELMath3D::LocalFrame);
    EXPECT_EQ(w, X(rot(ZELMath3D::ZAxis, kPi / 2), V(0, 1, 0)));
    EXPECT_EQ(l, X(rot(ZELMath3D::ZAxis, kPi / 2), V(1, 0, 0)));

    std::mt19937_64 g(12);
    for (int n = 0; n < 20; ++n) {
        const X x0 = randomPose(g);
        for (auto k : {ZELMath3D::XAxis, ZELMath3D::YAxis, ZELMath3D::ZAxis}) {
            V axis;
            axis[static_cast<int>(k)] = 2.0;
            const double angle = n % 2 ? 0.4 : -2.2;
            const X inc = rotation(k, angle);
            for (auto f : {ZELMath3D::WorldFrame, ZELMath3D::LocalFrame}) {
                const X expect = f == ZELMath3D::WorldFrame ? inc * x0 : x0 * inc;
                X byAxis = x0, byVector = x0, byMove = x0;
                byAxis.rotate(k, angle, f);
                byVector.rotate(axis, angle, f);
                byMove.move(inc, f);
                EXPECT_EQ(byMove, expect);
                EXPECT_TRUE(scalarsNear(byAxis, expect, 1e-15));
                EXPECT_TRUE(scalarsNear(byVector, expect, 1e-15));
                R3 r = rotationOf(x0);
                r.rotate(k, angle, f);
                EXPECT_EQ(rotationOf(byAxis), r);  // the rotation's own in-place rule, to the bit
                Q q;
                x0.getQtn(q);
                q.rotate(k, angle, f);
                X viaQ;
                viaQ.setQtn(q);
                EXPECT_TRUE(columnsNear(rotationOf(viaQ), r, 1e-13));
            }
        }
        X self = x0;
        self.move(self, ZELMath3D::LocalFrame);
        EXPECT_EQ(self, x0 * x0);
    }
}

TEST(Xform3DMotion, InvalidArgumentsLeaveTheTransform) {
    std::mt19937_64 g(13);
    const X x0 = randomPose(g);
    const auto bad = static_cast<ZELMath3D::ReferenceFrame>(2);
    AssertRecorder rec;
    X x = x0;
    x.translate(V(1, 2, 3), bad);
    x.rotate(V(0, 0, 1), 0.5, bad);
    x.rotate(ZELMath3D::YAxis, 0.5, bad);
    x.move(rotation(ZELMath3D::XAxis, 1), bad);
    EXPECT_EQ(x, x0);
    auto reports = rec.take();
    ASSERT_EQ(reports.size(), 4u);
    for (const auto& r : reports) {
        EXPECT_EQ(r.category, "Software");
        EXPECT_EQ(r.message, "Invalid reference frame");
        EXPECT_EQ(r.file, "publicinterfaces/ZELXform3D");
    }
    x.rotate(static_cast<ZELMath3D::AxisType>(3), 0.5, ZELMath3D::LocalFrame);
    EXPECT_EQ(x, x0);
    reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "Invalid rotation axis");

    // The axis is turned into a rotation first: a zero axis throws whatever the frame.
    EXPECT_THROW(x.rotate(V(0, 0, 0), 0.5, bad), ZELEZeroVector);
    EXPECT_EQ(x, x0);
    EXPECT_TRUE(rec.take().empty());
}
