#include "publicinterfaces/ZELXform3D.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

namespace {

const double kPi = 3.14159265358979323846;

using V = ZELVector3D;
using Q = ZELQtn3D;
using R3 = ZELRotate3D;
using X = ZELXform3D;

R3 rotationOf(const X& x) {
    R3 r;
    x.getRotate(r);
    return r;
}

V positionOf(const X& x) { return x(ZELMath3D::Position); }

// Compares the twelve scalars with an absolute tolerance.
bool scalarsNear(const X& a, const X& b, double tol) {
    double fa[12], fb[12];
    a.get(fa);
    b.get(fb);
    for (int i = 0; i < 12; ++i)
        if (!(std::abs(fa[i] - fb[i]) <= tol))
            return false;
    return true;
}

X randomPose(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    Q q(n(g), n(g), n(g), n(g));
    q.normalize();
    X x;
    x.setQtn(q);
    x.setPosition(V(n(g), n(g), n(g)));
    return x;
}

X translation(const V& p) {
    X x;
    x.setPosition(p);
    return x;
}

X caa(ZELMath3D::AxisType k, double angle) {
    X x;
    x.setCAA(k, angle);
    return x;
}

}  // namespace

TEST(Xform3DCore, IdentityAndConstruction) {
    EXPECT_EQ(X(), X::Identity);
    EXPECT_EQ(rotationOf(X::Identity), R3::Identity);
    EXPECT_EQ(positionOf(X::Identity), V(0, 0, 0));
    const ZELMathMatrix m = X::Identity.toZELBasicMathMatrix();
    ASSERT_EQ(m.rows(), 4u);
    ASSERT_EQ(m.cols(), 4u);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(m(r, c), r == c ? 1.0 : 0.0);

    R3 rz;
    rz.setCAA(ZELMath3D::ZAxis, kPi / 2);
    const X x(rz, V(1, 2, 3));
    EXPECT_EQ(rotationOf(x), rz);
    EXPECT_EQ(positionOf(x), V(1, 2, 3));
    EXPECT_EQ(x(ZELMath3D::Position, ZELMath3D::ZCoord), 3.0);
    EXPECT_EQ(x(ZELMath3D::NDirection), V(0, 1, 0));
    EXPECT_EQ(x(ZELMath3D::SDirection, ZELMath3D::XCoord), -1.0);
    V p;
    x.getPosition(p);
    EXPECT_EQ(p, V(1, 2, 3));

    X y;
    X z = x;
    z.swap(y);
    EXPECT_EQ(y, x);
    EXPECT_EQ(z, X::Identity);
    z.swap(z);
    EXPECT_EQ(z, X::Identity);

    // The rotation setters forward to the rotation; the position stays.
    X f(rz, V(4, 5, 6));
    f.setRPY(0.1, 0.2, 0.3);
    R3 rpy;
    rpy.setRPY(0.1, 0.2, 0.3);
    EXPECT_EQ(rotationOf(f), rpy);
    EXPECT_EQ(positionOf(f), V(4, 5, 6));
    Q q;
    f.getQtn(q);
    EXPECT_EQ(q, rpy.toQtn());
    f.setQtn(Q(0, 1, 0, 0));
    EXPECT_EQ(f(ZELMath3D::SDirection), V(0, -1, 0));
    V axis;
    double angle;
    f.getEAA(axis, angle);
    EXPECT_EQ(axis, V(1, 0, 0));
    EXPECT_EQ(angle, kPi);
}

TEST(Xform3DCore, MatrixAndArrayLayouts) {
    R3 rz;
    rz.setCAA(ZELMath3D::ZAxis, kPi / 2);
    const X x(rz, V(1, 2, 3));

    double a[4][4], t[4][4];
    x.get(a, false);
    x.get(t, true);
    const double expect[4][4] = {{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(a[r][c], expect[r][c]);
            EXPECT_EQ(t[c][r], expect[r][c]);
        }
    }
    EXPECT_EQ(X(a, false), x);
    EXPECT_EQ(X(t, true), x);

    ZELMathMatrix m(4, 4, 7.0), mt(4, 4, 7.0);
    x.get(m, false);
    x.get(mt, true);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(m(r, c), expect[r][c]);
            EXPECT_EQ(mt(c, r), expect[r][c]);
        }
    }
    EXPECT_EQ(X(m, false), x);
    EXPECT_EQ(X(mt, true), x);
    X s;
    s.set(mt, true);
    EXPECT_EQ(s, x);

    // Flat order: rotation column by column, then the position.
    double flat[12];
    x.get(flat);
    const double expectFlat[12] = {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 3};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(flat[i], expectFlat[i]);
    s.set(flat);
    EXPECT_EQ(s, x);

    // Setting from a matrix re-orthonormalises and ignores the last row (or column).
    ZELMathMatrix skew(4, 4, 9.0);
    const double raw[4][4] = {{2, 1, 1, 5}, {0, 3, 1, 6}, {0, 0, 5, 7}, {9, 9, 9, 9}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            skew(r, c) = raw[r][c];
    s.set(skew, false);
    EXPECT_EQ(rotationOf(s), R3::Identity);
    EXPECT_EQ(positionOf(s), V(5, 6, 7));

    std::mt19937_64 g(4);
    for (int n = 0; n < 20; ++n) {
        const X r = randomPose(g);
        for (bool tr : {false, true}) {
            ZELMathMatrix mm(4, 4, 0.0);
            r.get(mm, tr);
            EXPECT_TRUE(scalarsNear(X(mm, tr), r, 1e-15));
        }
    }
}

TEST(Xform3DCore, TextOutputIsTheFourByFourMatrix) {
    std::ostringstream os;
    os << translation(V(1, 2, 3));
    const std::string one = std::string(13, ' ') + "1 ";
    const std::string zero = std::string(13, ' ') + "0 ";
    EXPECT_EQ(os.str(), "4X4:\n[\n" + one + zero + zero + one + "\n" + zero + one + zero + std::string(13, ' ') +
                            "2 \n" + zero + zero + one + std::string(13, ' ') + "3 \n" + zero + zero + zero + one +
                            "\n]\n");
}

TEST(Xform3DCore, CompositionFormulas) {
    std::mt19937_64 g(10);
    for (int n = 0; n < 50; ++n) {
        const X x = randomPose(g), y = randomPose(g);
        const X xy = x * y;
        // Rotation part as the rotation product, position R·p' + p, to the bit.
        EXPECT_EQ(rotationOf(xy), rotationOf(x) * rotationOf(y));
        const V rp = rotationOf(x) * positionOf(y);
        EXPECT_EQ(positionOf(xy), V(rp[0] + positionOf(x)[0], rp[1] + positionOf(x)[1], rp[2] + positionOf(x)[2]));
        EXPECT_EQ(rotationOf(x / y), rotationOf(x) / rotationOf(y));

        EXPECT_TRUE(scalarsNear(x * y / y, x, 1e-14));
        EXPECT_TRUE(scalarsNear(x / y * y, x, 1e-14));
        X c = x;
        c.invert();
        EXPECT_TRUE(scalarsNear(c * x, X::Identity, 1e-14));
        EXPECT_TRUE(scalarsNear(x * c, X::Identity, 1e-14));
        c.invert();
        EXPECT_EQ(rotationOf(c), rotationOf(x));

        X m;
        X::multiply(m, x, y);
        EXPECT_EQ(m, xy);
        X::divide(m, x, y);
        EXPECT_EQ(m, x / y);
        m = x;
        m *= y;
        EXPECT_EQ(m, xy);
        m = x;
        m.postMultiply(y);
        EXPECT_EQ(m, xy);
        m = x;
        m.preMultiply(y);
        EXPECT_EQ(m, y * x);
        m = x;
        m /= y;
        EXPECT_EQ(m, x / y);

        // Self-application and aliased results.
        m = x;
        m *= m;
        EXPECT_EQ(m, x * x);
        m = x;
        m /= m;
        EXPECT_TRUE(scalarsNear(m, X::Identity, 1e-14));
        m = y;
        X::multiply(m, x, m);
        EXPECT_EQ(m, xy);

        const V p(0.5, -1, 2);
        V out;
        X::multiply(out, x, p);
        EXPECT_EQ(out, x * p);
        EXPECT_TRUE(ZELNearAbs(x * p, rotationOf(x) * p + positionOf(x), 0.0));
        out = p;
        x.rotateVec(out);
        EXPECT_EQ(out, x * p);
        X::multiply(out, x, out);
        EXPECT_EQ(out, x * (x * p));
    }
    V zero(0, 0, 0);
    const X t = translation(V(4, 5, 6)) * caa(ZELMath3D::YAxis, 1.0);
    t.rotateVec(zero);
    EXPECT_EQ(zero, V(4, 5, 6));
}

TEST(Xform3DCore, Comparisons) {
    const X a = translation(V(1, 1, 1)), b = translation(V(1, 1, 1.5));
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(ZELNearAbs(a, b, 1.0, 0.1));
    EXPECT_TRUE(ZELNearAbs(a, b, 0.1, 1.0));
    EXPECT_TRUE(ZELNearRel(a, b, 0.1, 0.34));
    EXPECT_FALSE(ZELNearRel(a, b, 0.1, 0.33));
    // A zero angle tolerance makes only the rotation comparison exact.
    EXPECT_TRUE(ZELNearAbs(a, b, 0.0, 1.0));
    EXPECT_FALSE(ZELNearAbs(a, b, 1.0, 0.0));

    // The rotations are compared first, by equivalent angle (first tolerance) and axis.
    X r1 = caa(ZELMath3D::XAxis, 0.3), r2 = caa(ZELMath3D::XAxis, 0.31);
    EXPECT_TRUE(ZELNearAbs(r1, r2, 0.02, 1e-9));
    EXPECT_FALSE(ZELNearAbs(r1, r2, 0.005, 1.0));
    EXPECT_TRUE(ZELNearRel(r1, r2, 0.05, 1e-9));
    EXPECT_FALSE(ZELNearRel(r1, r2, 0.03, 1e-9));
    X n = r1;
    n.setPosition(V(std::nan(""), 0, 0));
    EXPECT_FALSE(n == n);
}

// ---- motion and Denavit-Hartenberg --------------------------------------------------------------

TEST(Xform3DMotion, DenavitHartenberg) {
    X x;
    x.setDH(0, 0, 0, 0);
    EXPECT_EQ(x, X::Identity);
    x.setDH(kPi / 2, 0, 0, 1);
    EXPECT_EQ(x(ZELMath3D::NDirection), V(0, 1, 0));
    EXPECT_EQ(positionOf(x), V(0, 1, 0));
    X y(kPi / 2, 0.5, -kPi / 2, 2);
    EXPECT_EQ(y(ZELMath3D::NDirection), V(0, 1, 0));
    EXPECT_EQ(y(ZELMath3D::SDirection), V(0, 0, -1));
    EXPECT_EQ(y(ZELMath3D::ADirection), V(-1, 0, 0));
    EXPECT_EQ(positionOf(y), V(0, 2, 0.5));

    std::mt19937_64 g(6);
    std::uniform_real_distribution<double> ang(-kPi, kPi), len(-1, 1);
    for (int n = 0; n < 50; ++n) {
        const double theta = ang(g), d = len(g), alpha = ang(g), a = len(g);
        const X dh(theta, d, alpha, a);
        X set = randomPose(g);
        set.setDH(theta, d, alpha, a);
        EXPECT_EQ(set, dh);
        const X chain =
            caa(ZELMath3D::ZAxis, theta) * translation(V(0, 0, d)) * translation(V(a, 0, 0)) * caa(ZELMath3D::XAxis, alpha);
        EXPECT_TRUE(scalarsNear(dh, chain, 1e-15));
        EXPECT_NEAR(rotationOf(dh).det(), 1.0, 1e-15);
    }
}

TEST(Xform3DMotion, TranslateAndRotate) {
    const X rz = caa(ZELMath3D::ZAxis, kPi / 2);
    X x = rz;
    x.translate(V(1, 0, 0), ZELMath3D::LocalFrame);
    EXPECT_EQ(positionOf(x), V(0, 1, 0));
    x.translate(V(1, 0, 0), ZELMath3D::WorldFrame);
    EXPECT_EQ(positionOf(x), V(1, 1, 0));
    EXPECT_EQ(rotationOf(x), rotationOf(rz));

    X w = translation(V(1, 0, 0)), l = w;
    w.rotate(ZELMath3D::ZAxis, kPi / 2, ZELMath3D::WorldFrame);
    l.rotate(ZELMath3D::ZAxis, kPi / 2, ZELMath3D::LocalFrame);
    EXPECT_EQ(positionOf(w), V(0, 1, 0));
    EXPECT_EQ(positionOf(l), V(1, 0, 0));
    EXPECT_EQ(rotationOf(w), rotationOf(rz));
    EXPECT_EQ(rotationOf(l), rotationOf(rz));

    std::mt19937_64 g(12);
    const ZELMath3D::AxisType axes[] = {ZELMath3D::XAxis, ZELMath3D::YAxis, ZELMath3D::ZAxis};
    for (int n = 0; n < 20; ++n) {
        const X x0 = randomPose(g);
        for (auto k : axes) {
            for (double angle : {0.4, -2.2}) {
                V axis;
                axis[static_cast<int>(k)] = 2.0;
                const X inc = caa(k, angle);
                for (auto f : {ZELMath3D::WorldFrame, ZELMath3D::LocalFrame}) {
                    X byAxis = x0, byVector = x0, byMove = x0;
                    byAxis.rotate(k, angle, f);
                    byVector.rotate(axis, angle, f);
                    byMove.move(inc, f);
                    EXPECT_TRUE(scalarsNear(byAxis, byVector, 1e-15));
                    EXPECT_TRUE(scalarsNear(byAxis, f == ZELMath3D::WorldFrame ? inc * x0 : x0 * inc, 1e-15));
                    EXPECT_EQ(byMove, f == ZELMath3D::WorldFrame ? inc * x0 : x0 * inc);
                    // The same frame semantics as the rotation matrix, to the bit.
                    R3 r = rotationOf(x0);
                    r.rotate(k, angle, f);
                    EXPECT_EQ(rotationOf(byAxis), r);
                    // ... and as the quaternion.
                    Q q;
                    x0.getQtn(q);
                    q.rotate(k, angle, f);
                    X viaQ;
                    viaQ.setQtn(q);
                    EXPECT_TRUE(ZELNearAbs(rotationOf(viaQ), r, 1e-12, 1e-12));
                }
            }
        }
        X self = x0;
        self.move(self, ZELMath3D::WorldFrame);
        EXPECT_EQ(self, x0 * x0);
        self = x0;
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
    x.move(caa(ZELMath3D::XAxis, 1), bad);
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
    try {
        x.rotate(V(0, 0, 0), 0.5, bad);
        ADD_FAILURE() << "no exception";
    } catch (const ZELEZeroVector& e) {
        EXPECT_EQ(e.message(), L"The vector has zero length");
    }
    EXPECT_EQ(x, x0);
    EXPECT_TRUE(rec.take().empty());
    x.rotate(V(0, 0, 0), 0.0, ZELMath3D::WorldFrame);
    EXPECT_EQ(x, x0);
}
