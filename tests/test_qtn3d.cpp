#include "publicinterfaces/ZELQtn3D.h"

#include "AssertRecorder.h"
#include "OrientationTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;
using V = ZELVector3D;
using Q = ZELQtn3D;
using R3 = ZELRotate3D;

namespace {

const double kEps = 2.220446049250313e-16;

void expectQ(const Q& q, double s, double x, double y, double z) {
    double qs;
    V v;
    q.get(qs, v);
    EXPECT_EQ(qs, s);
    EXPECT_EQ(v, V(x, y, z));
}

}  // namespace

TEST(Qtn3DCore, ConstantsAndInPlaceSemantics) {
    EXPECT_EQ(Q(), Q::Identity);
    expectQ(Q::Identity, 1, 0, 0, 0);
    EXPECT_EQ(Q::Tolerance, 100 * kEps);

    // conjugate() and invert() change the object and return the new value; unary minus does not.
    Q q(0.5, 0.5, -0.5, 0.5);
    const Q p = q.conjugate();
    expectQ(q, 0.5, -0.5, 0.5, -0.5);
    EXPECT_EQ(p, q);
    EXPECT_EQ(q.invert(), Q(0.5, 0.5, -0.5, 0.5));
    expectQ(-q, -0.5, -0.5, 0.5, -0.5);
    expectQ(q, 0.5, 0.5, -0.5, 0.5);
    q.negate();
    expectQ(q, -0.5, -0.5, 0.5, -0.5);
    EXPECT_EQ(Q(1, 2, 3, 4).dot(Q(5, 6, 7, 8)), 70.0);

    Q a(1, 2, 3, 4), b;
    a.swap(b);
    expectQ(b, 1, 2, 3, 4);
    b.swap(b);
    expectQ(b, 1, 2, 3, 4);
    std::ostringstream os;
    os << Q(1, 2.5, -3, 0);
    EXPECT_EQ(os.str(), "[ 1  2.5  -3  0  ]\n");
}

TEST(Qtn3DCore, HamiltonProduct) {
    const Q i(0, 1, 0, 0), j(0, 0, 1, 0), k(0, 0, 0, 1);
    EXPECT_EQ(i * j, k);
    EXPECT_EQ(j * i, -k);
    EXPECT_EQ(i * i, Q(-1, 0, 0, 0));
    expectQ(Q(1, 2, 3, 4) * Q(5, 6, 7, 8), -60, 12, 30, 24);
    // a / b is a·b̄, without division by |b|².
    expectQ(Q(1, 2, 3, 4) / Q(5, 6, 7, 8), 70, 8, 0, 16);

    // Rounded exactly as s = as·bs − a.v·b.v, v = (as·b.v + bs·a.v) + a.v × b.v, left to right.
    std::mt19937_64 g(7);
    for (int n = 0; n < 100; ++n) {
        const Q p = randomUnit(g), q = randomUnit(g);
        double as, bs;
        V a, b;
        p.get(as, a);
        q.get(bs, b);
        expectQ(p * q, as * bs - (a[0] * b[0] + a[1] * b[1] + a[2] * b[2]),
                (as * b[0] + bs * a[0]) + (a[1] * b[2] - a[2] * b[1]),
                (as * b[1] + bs * a[1]) + (a[2] * b[0] - a[0] * b[2]),
                (as * b[2] + bs * a[2]) + (a[0] * b[1] - a[1] * b[0]));
    }
}

TEST(Qtn3DCore, ProductFormsAgreeAndAcceptAliases) {
    std::mt19937_64 g(11);
    const Q a = randomUnit(g), b = randomUnit(g);
    Q bc = b;
    bc.conjugate();
    Q x;
    Q::multiply(x, a, b);
    EXPECT_EQ(x, a * b);
    x = a, x *= b;
    EXPECT_EQ(x, a * b);
    x = a, x.postMultiply(b);
    EXPECT_EQ(x, a * b);
    x = a, x.preMultiply(b);
    EXPECT_EQ(x, b * a);
    x = a, x /= b;
    EXPECT_EQ(x, a * bc);
    EXPECT_EQ(a / b, a * bc);
    EXPECT_LE(maxDiff(a / a, Q::Identity), 4 * kEps);

    // Every form accepts its own object as an operand.
    x = a, x *= x;
    EXPECT_EQ(x, a * a);
    x = a, x.postMultiply(x);
    EXPECT_EQ(x, a * a);
    x = a, x.preMultiply(x);
    EXPECT_EQ(x, a * a);
    x = a, Q::multiply(x, x, b);
    EXPECT_EQ(x, a * b);
    x = b, Q::multiply(x, a, x);
    EXPECT_EQ(x, a * b);
}

TEST(Qtn3DCore, NormsAndNormalize) {
    const Q q(0, 3, 4, 0);
    EXPECT_EQ(ZELL2NormSqr(q), 25.0);
    EXPECT_EQ(ZELL2Norm(q), 5.0);
    EXPECT_EQ(ZELL1Norm(q), 7.0);
    EXPECT_EQ(ZELLinfNorm(q), 4.0);
    EXPECT_EQ(ZELL1Norm(Q(2, -3, 0, 0)), std::sqrt(13.0));
    // Sums under the root below 1e-20 count as zero.
    const Q tiny(std::sqrt(1e-21), 0, 0, 0);
    EXPECT_GT(ZELL2NormSqr(tiny), 0.0);
    EXPECT_EQ(tiny.norm(), 0.0);
    EXPECT_EQ(ZELL1Norm(Q(0, 3e-11, 4e-11, 0)), 0.0);
    EXPECT_EQ(ZELLinfNorm(Q(0, 3e-11, 0, 0)), 0.0);

    Q n(2, 0, 0, 0);
    n.normalize();
    EXPECT_EQ(n, Q::Identity);
    n = Q(0, 3, 0, 4);
    n.normalize();
    expectQ(n, 0, 0.6, 0, 0.8);
    n = Q(1e-9, 0, 0, 0);
    n.normalize();
    EXPECT_EQ(n, Q::Identity);
    // 1e-11 is far above Tolerance, but its square is below the floor.
    for (double s : {0.0, 1e-11}) {
        Q z(s, 0, 0, 0);
        try {
            z.normalize();
            ADD_FAILURE() << "no exception for " << s;
        } catch (const ZELENumericError& e) {
            EXPECT_EQ(e.message(), L"Zero length quaternion");
            EXPECT_EQ(e.file(), "publicinterfaces/ZELQtn3D");
        }
        expectQ(z, s, 0, 0, 0);
    }
    // set stores before it normalises: a zero value stays behind when it throws.
    n.set(0, V(0, 0, -2));
    expectQ(n, 0, 0, 0, -1);
    EXPECT_THROW(n.set(0, V(0, 0, 0)), ZELENumericError);
    expectQ(n, 0, 0, 0, 0);
}

// ---- matrix <-> quaternion --------------------------------------------------------------------

TEST(Qtn3DMatrix, ExactConversions) {
    R3 R;
    Q(0, 1, 0, 0).getRotate(R);
    EXPECT_EQ(R, rot(ZELMath3D::XAxis, kPi));
    EXPECT_EQ(R.toQtn(), Q(0, 1, 0, 0));
    EXPECT_EQ(rot(ZELMath3D::YAxis, kPi).toQtn(), Q(0, 0, 1, 0));
    EXPECT_EQ(rot(ZELMath3D::ZAxis, kPi).toQtn(), Q(0, 0, 0, 1));  // diagonal (-1, -1, 1)
    EXPECT_EQ(R3::Identity.toQtn(), Q::Identity);
    Q::Identity.getRotate(R);
    EXPECT_EQ(R, R3::Identity);
    EXPECT_LE(maxDiff(rot(ZELMath3D::ZAxis, kPi / 2).toQtn(), qtn(ZELMath3D::ZAxis, kPi / 2)), kEps);
}

TEST(Qtn3DMatrix, RandomRoundTripsCoverEveryBranch) {
    std::mt19937_64 g(2024);
    int branch[3] = {0, 0, 0};
    for (int n = 0; n < 2000; ++n) {
        const Q q = randomUnit(g);
        double s;
        V v;
        q.get(s, v);
        R3 R;
        q.getRotate(R);
        const Q back = R.toQtn();
        EXPECT_GE(scalarOf(back), 0.0);
        // The error grows as machine epsilon over the smallest magnitude.
        const double smallest = std::min(std::abs(s), std::min(std::abs(v[0]), std::min(std::abs(v[1]), std::abs(v[2]))));
        EXPECT_LE(maxDiff(back, s < 0 ? -q : q), std::max(1e-15 / smallest, 1e-15)) << q;
        const V a = ZELAbs(v);
        ++branch[a[0] >= a[1] && a[0] >= a[2] ? 0 : a[1] >= a[2] ? 1 : 2];

        V ur, uq;
        double tr, tq;
        R.getEAA(ur, tr);
        q.getEAA(uq, tq);
        EXPECT_NEAR(tr, tq, 1e-7);
        EXPECT_TRUE(ZELNearAbs(ur, uq, 1e-7));
    }
    for (int b : branch)
        EXPECT_GT(b, 300);
}

TEST(Qtn3DMatrix, SmallAnglesAndNearHalfTurnsKeepOnlyHalfThePrecision) {
    for (double delta : {1e-3, 1e-6, 1e-9}) {
        for (double angle : {kPi - delta, delta}) {
            R3 R;
            R.setEAA(V(1, 2, 3), angle);
            V u;
            double a;
            R.getEAA(u, a);
            EXPECT_NEAR(a, angle, 2e-8) << angle;
            EXPECT_LE(maxDiff(R.toQtn(), qtn(V(1, 2, 3), angle)), 2e-8);
        }
    }
    // At 1e-9 rad the diagonal rounds to exactly 1 and the angle is lost; the matrix
    // near-comparison cannot tell 1e-9 from 2e-9, whatever the tolerances.
    V u;
    double a;
    rot(ZELMath3D::XAxis, 1e-9).getEAA(u, a);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(u, V(0, 0, 1));
    EXPECT_TRUE(ZELNearAbs(rot(ZELMath3D::XAxis, 1e-9), rot(ZELMath3D::XAxis, 2e-9), 1e-12, 1e-12));
}

TEST(Qtn3DMatrix, EquivalentAxisAndAngle) {
    const struct {
        Q q;
        V axis;
        double angle;
    } cases[] = {
        {Q::Identity, V(0, 0, 1), 0.0},
        {Q(-1, 0, 0, 0), V(0, 0, 1), 0.0},
        {Q(0, 0, 0, 1), V(0, 0, 1), kPi},
        {Q(0, 0, 0, -1), V(0, 0, -1), kPi},  // s exactly 0: no sign folding
        {Q(0, 0, 0, -3), V(0, 0, -3), kPi},  // ... and no normalisation
        {Q(-0.6, 0, 0.8, 0), V(0, -1, 0), 2 * std::acos(0.6)},
    };
    for (const auto& c : cases) {
        V u;
        double a;
        c.q.getEAA(u, a);
        EXPECT_EQ(u, c.axis) << c.q;
        EXPECT_EQ(a, c.angle) << c.q;
    }
}

TEST(Qtn3DMatrix, NearComparisons) {
    const Q q = qtn(V(1, -2, 0.5), 0.7);
    EXPECT_FALSE(q == -q);
    EXPECT_TRUE(ZELNearAbs(q, -q, 1e-9, 1e-9));
    EXPECT_TRUE(ZELNearRel(q, -q, 1e-9, 1e-9));
    EXPECT_FALSE(ZELNearAbs(q, -q, 0.0, 1e-9));  // either tolerance <= 0: exact equality
    EXPECT_FALSE(ZELNearRel(q, -q, 1e-9, 0.0));
    EXPECT_TRUE(ZELNearAbs(q, q, 0.0, 0.0));

    const Q a = qtn(V(1, 1, 0), 0.30), b = qtn(V(1, 1, 0), 0.31);
    EXPECT_TRUE(ZELNearAbs(a, b, 0.02, 1e-9));
    EXPECT_FALSE(ZELNearAbs(a, b, 0.005, 1e-9));
    EXPECT_TRUE(ZELNearRel(a, b, 0.05, 1e-9));
    EXPECT_FALSE(ZELNearRel(a, b, 0.03, 1e-9));
    const Q c = qtn(V(1, 1, 0.01), 0.30);  // same angle, axes 0.007 apart
    EXPECT_FALSE(ZELNearAbs(a, c, 0.1, 1e-3));
    EXPECT_TRUE(ZELNearAbs(a, c, 0.1, 1e-2));

    const R3 r1 = rot(ZELMath3D::XAxis, 0.3), r2 = rot(ZELMath3D::XAxis, 0.3 + 1e-7);
    EXPECT_FALSE(r1 == r2);
    EXPECT_TRUE(ZELNearAbs(r1, r2, 1e-6, 1e-6));
    EXPECT_TRUE(ZELNearRel(r1, r2, 1e-5, 1e-6));
    EXPECT_FALSE(ZELNearAbs(r1, r2, 1e-8, 1e-6));
    EXPECT_FALSE(ZELNearAbs(r1, r2, 0.0, 1e-9));
    EXPECT_FALSE(ZELNearAbs(r1, rot(ZELMath3D::YAxis, 0.3), 1e-6, 1e-6));
}

// ---- other orientation forms ------------------------------------------------------------------

TEST(Qtn3DForms, AxisAngleSettersAndTheirPartialWrites) {
    expectQ(qtn(ZELMath3D::ZAxis, kPi), 0, 0, 0, 1);
    expectQ(qtn(ZELMath3D::XAxis, -kPi), 0, -1, 0, 0);
    EXPECT_EQ(qtn(V(0, 0, 2), kPi / 2), qtn(ZELMath3D::ZAxis, kPi / 2));
    EXPECT_EQ(qtn(V(0, 5, 0), 0.4), qtn(ZELMath3D::YAxis, 0.4));
    EXPECT_EQ(qtn(V(0, 0, 0), 0.0), Q::Identity);
    EXPECT_EQ(qtn(static_cast<ZELMath3D::AxisType>(7), 0.0), Q::Identity);

    // A zero axis throws after the axis has been stored; s keeps its value.
    Q e(0.5, 0.5, 0.5, 0.5);
    EXPECT_THROW(e.setEAA(V(0, 0, 0), 1.0), ZELEZeroVector);
    expectQ(e, 0.5, 0, 0, 0);

    // An invalid axis asserts after s has been set; v keeps its value.
    AssertRecorder rec;
    Q q(0.5, 0.5, 0.5, 0.5);
    q.setCAA(static_cast<ZELMath3D::AxisType>(3), 1.0);
    const auto reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].category, "Software");
    EXPECT_EQ(reports[0].message, "Invalid rotation axis");
    EXPECT_EQ(reports[0].file, "publicinterfaces/ZELQtn3D");
    expectQ(q, std::cos(0.5), 0.5, 0.5, 0.5);
}

TEST(Qtn3DForms, ThroughTheRotationMatrix) {
    Q q;
    q.setRPY(0.1, 0.2, 0.3);
    R3 R;
    R.setRPY(0.1, 0.2, 0.3);
    EXPECT_EQ(q, R.toQtn());
    double r, p, y;
    q.getRPY(r, p, y);
    EXPECT_NEAR(r, 0.1, 1e-14);
    EXPECT_NEAR(p, 0.2, 1e-14);
    EXPECT_NEAR(y, 0.3, 1e-14);

    V n, s, a;
    qtn(ZELMath3D::ZAxis, kPi / 2).getNSA(n, s, a);
    EXPECT_TRUE(ZELNearAbs(n, V(0, 1, 0), 1e-15));
    EXPECT_TRUE(ZELNearAbs(s, V(-1, 0, 0), 1e-15));
    q.setNSA(V(0, 2, 0), V(-1, 0, 0), V(0, 0, 3));  // normalised by the matrix
    expectQ(q, std::sqrt(0.5), 0, 0, std::sqrt(0.5));

    q.setEuler(ZELEuler3D(0.3, ZELMath3D::ZAxis, 0.2, ZELMath3D::YAxis, 0.1, ZELMath3D::ZAxis));
    const Q zyz = qtn(ZELMath3D::ZAxis, 0.3) * qtn(ZELMath3D::YAxis, 0.2) * qtn(ZELMath3D::ZAxis, 0.1);
    EXPECT_LE(maxDiff(q, zyz), 1e-13);
}

TEST(Qtn3DForms, RotatingVectors) {
    V w(1, 0, 0);
    qtn(ZELMath3D::ZAxis, kPi / 2).rotateVec(w);
    EXPECT_TRUE(ZELNearAbs(w, V(0, 1, 0), 1e-15));
    EXPECT_EQ(qtn(ZELMath3D::XAxis, kPi) * V(1, 2, 3), V(1, -2, -3));

    std::mt19937_64 g(5);
    std::uniform_real_distribution<double> u(-2, 2);
    for (int n = 0; n < 200; ++n) {
        const Q q = randomUnit(g);
        V x;
        for (int i = 0; i < 3; ++i)
            x[i] = u(g);
        R3 R;
        q.getRotate(R);
        const V y = q * x;
        EXPECT_TRUE(ZELNearAbs(y, R * x, 1e-14));
        V out = x;
        Q::multiply(out, q, out);  // out may be the input
        EXPECT_EQ(out, y);
    }
}

// ---- frame-relative rotation ------------------------------------------------------------------

TEST(Qtn3DRotate, FramesMatchProductsAndTheRotationMatrix) {
    std::mt19937_64 g(99);
    for (int n = 0; n < 30; ++n) {
        const Q q0 = randomUnit(g);
        for (auto k : {ZELMath3D::XAxis, ZELMath3D::YAxis, ZELMath3D::ZAxis}) {
            for (double angle : {0.0, 0.7, -2.9, kPi}) {
                const Q r = qtn(k, angle);
                V axis;
                axis[static_cast<int>(k)] = 3.0;
                for (auto f : {ZELMath3D::WorldFrame, ZELMath3D::LocalFrame}) {
                    const Q expect = f == ZELMath3D::WorldFrame ? r * q0 : q0 * r;
                    Q byAxis = q0, byQtn = q0, byVector = q0;
                    byAxis.rotate(k, angle, f);
                    byQtn.rotate(r, f);
                    byVector.rotate(axis, angle, f);
                    // The in-place form rounds exactly as the full product.
                    EXPECT_EQ(byAxis, expect);
                    EXPECT_EQ(byQtn, expect);
                    EXPECT_EQ(byVector, expect);
                    // The same frame semantics as the rotation matrix.
                    R3 R, fromQ;
                    q0.getRotate(R);
                    R.rotate(k, angle, f);
                    byAxis.getRotate(fromQ);
                    EXPECT_TRUE(columnsNear(fromQ, R, 1e-15));
                }
            }
        }
    }
    Q s = qtn(ZELMath3D::YAxis, 1.1);
    s.rotate(s, ZELMath3D::WorldFrame);  // the quaternion form may be given the object itself
    EXPECT_EQ(s, qtn(ZELMath3D::YAxis, 1.1) * qtn(ZELMath3D::YAxis, 1.1));
}

TEST(Qtn3DRotate, InvalidArgumentsLeaveTheValue) {
    const Q q0(0.5, 0.5, -0.5, 0.5);
    const auto bad = static_cast<ZELMath3D::ReferenceFrame>(2);
    AssertRecorder rec;
    Q q = q0;
    q.rotate(Q(0, 1, 0, 0), bad);
    q.rotate(V(1, 0, 0), 0.5, bad);
    q.rotate(ZELMath3D::ZAxis, 0.5, bad);
    EXPECT_EQ(q, q0);
    auto reports = rec.take();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& r : reports) {
        EXPECT_EQ(r.category, "Software");
        EXPECT_EQ(r.message, "Invalid reference frame.");
        EXPECT_EQ(r.file, "publicinterfaces/ZELQtn3D");
    }
    q.rotate(static_cast<ZELMath3D::AxisType>(-1), 0.5, ZELMath3D::WorldFrame);
    EXPECT_EQ(q, q0);
    reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "Invalid rotation axis");

    // A zero axis throws before the frame is looked at.
    EXPECT_THROW(q.rotate(V(0, 0, 0), 0.5, bad), ZELEZeroVector);
    EXPECT_EQ(q, q0);
    EXPECT_TRUE(rec.take().empty());
}
