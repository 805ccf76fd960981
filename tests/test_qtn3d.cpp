// The quaternion: algebra, norms, conversions to and from the rotation matrix, the other
// orientation forms and frame-relative rotation. Invalid frames and axes: test_xform3d.cpp.
#include "OrientationTestUtil.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;

namespace {

TEST(Qtn3D, ConjugateAndInvertChangeTheObjectWhileUnaryMinusCopies) {
    EXPECT_TRUE(Q() == Q::Identity && Q::Identity == Q(1, 0, 0, 0) && Q::Tolerance == 100 * kEps);
    Q q(0.5, 0.5, -0.5, 0.5);
    const Q p = q.conjugate();
    EXPECT_TRUE(q == Q(0.5, -0.5, 0.5, -0.5) && p == q);
    EXPECT_EQ(q.invert(), Q(0.5, 0.5, -0.5, 0.5));
    EXPECT_EQ(-q, Q(-0.5, -0.5, 0.5, -0.5));
    EXPECT_EQ(q, Q(0.5, 0.5, -0.5, 0.5));
    q.negate();
    EXPECT_EQ(q, Q(-0.5, -0.5, 0.5, -0.5));
    EXPECT_EQ(Q(1, 2, 3, 4).dot(Q(5, 6, 7, 8)), 70.0);
    std::ostringstream os;
    os << Q(1, 2.5, -3, 0);
    EXPECT_EQ(os.str(), "[ 1  2.5  -3  0  ]\n");
}

TEST(Qtn3D, EveryProductFormRoundsAsTheHamiltonFormulaAndAcceptsAliases) {
    const Q i(0, 1, 0, 0), j(0, 0, 1, 0), k(0, 0, 0, 1);
    EXPECT_TRUE(i * j == k && j * i == -k && i * i == Q(-1, 0, 0, 0));
    EXPECT_EQ(Q(1, 2, 3, 4) / Q(5, 6, 7, 8), Q(70, 8, 0, 16));  // a·b̄, no division by |b|²
    std::mt19937_64 g(7);
    for (int n = 0; n < 100; ++n) {
        const Q p = randomUnit(g), q = randomUnit(g);
        double as, bs;
        V a, b;
        p.get(as, a);
        q.get(bs, b);
        const Q ref(as * bs - (a[0] * b[0] + a[1] * b[1] + a[2] * b[2]),
                    (as * b[0] + bs * a[0]) + (a[1] * b[2] - a[2] * b[1]),
                    (as * b[1] + bs * a[1]) + (a[2] * b[0] - a[0] * b[2]),
                    (as * b[2] + bs * a[2]) + (a[0] * b[1] - a[1] * b[0]));
        ASSERT_EQ(p * q, ref);
        Q qc = q, x1, x2 = p, x3 = p, x4 = q, x5 = p, x6 = p, x7 = q;
        qc.conjugate();
        Q::multiply(x1, p, q);
        x2 *= q;
        x3.postMultiply(q);
        x4.preMultiply(p);
        x5 /= q;
        x6 *= x6;
        Q::multiply(x7, p, x7);
        EXPECT_TRUE(x1 == ref && x2 == ref && x3 == ref && x4 == ref && x7 == ref);
        EXPECT_TRUE(x5 == p * qc && p / q == p * qc && x6 == p * p);
    }
}

TEST(Qtn3D, NormsFloorTinySumsAndNormalizeRefusesThem) {
    const Q q(0, 3, 4, 0), tiny(std::sqrt(1e-21), 0, 0, 0);
    EXPECT_TRUE(ZELL2NormSqr(q) == 25 && ZELL2Norm(q) == 5 && ZELL1Norm(q) == 7 &&
                ZELLinfNorm(q) == 4);
    EXPECT_EQ(ZELL1Norm(Q(2, -3, 0, 0)), std::sqrt(13.0));
    EXPECT_TRUE(ZELL2NormSqr(tiny) > 0 && tiny.norm() == 0 && ZELL2Norm(tiny) == 0);
    EXPECT_TRUE(ZELL1Norm(Q(0, 3e-11, 4e-11, 0)) == 0 && ZELLinfNorm(Q(0, 3e-11, 0, 0)) == 0);
    Q n(0, 3, 0, 4), m(1e-9, 0, 0, 0);
    n.normalize();
    m.normalize();
    EXPECT_TRUE(n == Q(0, 0.6, 0, 0.8) && m == Q::Identity);
    // 1e-11 is far above Tolerance, but its square is below the floor.
    for (const Q& z : {Q(0, 0, 0, 0), Q(1e-11, 0, 0, 0), Q(4.9e-324, 4.9e-324, 0, 0)}) {
        Q t = z;
        try {
            t.normalize();
            ADD_FAILURE() << "no exception for " << z;
        } catch (const ZELENumericError& e) {
            EXPECT_EQ(e.message(), L"Zero length quaternion");
            EXPECT_EQ(e.file(), "publicinterfaces/ZELQtn3D");
        }
        EXPECT_EQ(t, z);
    }
    n.set(0, V(0, 0, -2));  // set stores, then normalises
    EXPECT_EQ(n, Q(0, 0, 0, -1));
    EXPECT_THROW(n.set(0, V(0, 0, 0)), ZELENumericError);
    EXPECT_EQ(n, Q(0, 0, 0, 0));
}

TEST(Qtn3D, MatrixConversionsRoundTripInEveryBranchWithPositiveScalar) {
    EXPECT_TRUE(rot(M3::XAxis, kPi).toQtn() == Q(0, 1, 0, 0) &&
                rot(M3::YAxis, kPi).toQtn() == Q(0, 0, 1, 0) &&
                rot(M3::ZAxis, kPi).toQtn() == Q(0, 0, 0, 1) &&
                R3::Identity.toQtn() == Q::Identity);
    R3 R;
    Q(0, 1, 0, 0).getRotate(R);
    EXPECT_EQ(R, rot(M3::XAxis, kPi));
    std::mt19937_64 g(2024);
    int branch[3] = {0, 0, 0};
    for (int n = 0; n < 2000; ++n) {
        const Q q = randomUnit(g);
        double s;
        V v;
        q.get(s, v);
        q.getRotate(R);
        const Q back = R.toQtn();
        const Q expect = s < 0 ? -q : q;
        // The error grows as machine epsilon over the smallest magnitude.
        const V a = ZELAbs(v);
        const double smallest = std::min(std::min(std::abs(s), a[0]), std::min(a[1], a[2]));
        EXPECT_LE(maxDiff(back, expect), std::max(1e-15 / smallest, 1e-15)) << q;
        ++branch[a[0] >= a[1] && a[0] >= a[2] ? 0 : a[1] >= a[2] ? 1 : 2];
        V ur, uq;
        double tr, tq;
        R.getEAA(ur, tr);
        q.getEAA(uq, tq);
        EXPECT_NEAR(tr, tq, 1e-7);
        EXPECT_TRUE(ZELNearAbs(ur, uq, 1e-7));
    }
    for (int b : branch) EXPECT_GT(b, 300);
}

TEST(Qtn3D, AccurateConversionKeepsFullPrecisionWhereTheSpecifiedOneLosesHalf) {
    std::mt19937_64 g(31);
    for (double angle : {1e-12, 1e-9, 1e-6, 0.5, 2.0, kPi - 1e-6, kPi - 1e-10, kPi}) {
        for (int n = 0; n < 50; ++n) {
            V axis = randomUnit(g) * V(1, 1, 1);
            if (n < 3) axis = V(n == 0, n == 1, n == 2);
            const Q q = qtn(axis, angle);  // s = cos(angle / 2) >= 0: the exact quaternion
            R3 R;
            q.getRotate(R);
            Q a, b;
            a.setRotateAccurate(R);
            b.setRotate(R);
            EXPECT_LE(std::min(maxDiff(a, q), maxDiff(a, -q)), 2 * kEps)
                << angle << " " << axis;  // s = 0 at pi
            EXPECT_GE(scalarOf(a), 0.0);
            EXPECT_LE(std::min(maxDiff(b, q), maxDiff(b, -q)), 2e-8) << angle;
        }
    }
    // What the specified conversion cannot see: 1e-9 rad rounds to angle 0 and its axis to z,
    // so matrices 1e-9 and 2e-9 apart compare near whatever the tolerances.
    V u;
    double a;
    rot(M3::XAxis, 1e-9).getEAA(u, a);
    EXPECT_TRUE(a == 0.0 && u == V(0, 0, 1));
    EXPECT_TRUE(ZELNearAbs(rot(M3::XAxis, 1e-9), rot(M3::XAxis, 2e-9), 1e-12, 1e-12));
    EXPECT_NEAR(vectorOf(built(&Q::setRotateAccurate, rot(M3::XAxis, 1e-9))).x(), 5e-10, 1e-24);
}

TEST(Qtn3D, EquivalentAxisAndAngleFoldTheSignIntoTheAxis) {
    const struct {
        Q q;
        V axis;
        double angle;
    } cases[] = {
        {Q::Identity, V(0, 0, 1), 0.0},
        {Q(-1, 0, 0, 0), V(0, 0, 1), 0.0},
        {Q(0, 0, 0, 1), V(0, 0, 1), kPi},
        {Q(0, 0, 0, -3), V(0, 0, -3), kPi},  // s == 0: no folding, no normalisation
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

TEST(Qtn3D, NearComparisonsCompareAnglesThenAxesAndTreatMinusQAsQ) {
    const Q q = qtn(V(1, -2, 0.5), 0.7);
    EXPECT_FALSE(q == -q);
    EXPECT_TRUE(ZELNearAbs(q, -q, 1e-9, 1e-9) && ZELNearRel(q, -q, 1e-9, 1e-9));
    EXPECT_FALSE(ZELNearAbs(q, -q, 0.0, 1e-9));  // either tolerance <= 0: exact equality
    EXPECT_FALSE(ZELNearRel(q, -q, 1e-9, 0.0));
    EXPECT_TRUE(ZELNearAbs(q, q, 0.0, 0.0));
    const Q a = qtn(V(1, 1, 0), 0.30), b = qtn(V(1, 1, 0), 0.31), c = qtn(V(1, 1, 0.01), 0.30);
    EXPECT_TRUE(ZELNearAbs(a, b, 0.02, 1e-9) && !ZELNearAbs(a, b, 0.005, 1e-9));
    EXPECT_TRUE(ZELNearRel(a, b, 0.05, 1e-9) && !ZELNearRel(a, b, 0.03, 1e-9));
    EXPECT_TRUE(!ZELNearAbs(a, c, 0.1, 1e-3) && ZELNearAbs(a, c, 0.1, 1e-2));  // axes 0.007 apart
    EXPECT_TRUE(!ZELNearRel(a, c, 0.1, 1e-3) && !ZELNearAbs(a, a, kNaN, 1.0));
    const R3 r1 = rot(M3::XAxis, 0.3), r2 = rot(M3::XAxis, 0.3 + 1e-7);
    EXPECT_TRUE(r1 != r2 && ZELNearAbs(r1, r2, 1e-6, 1e-6) && ZELNearRel(r1, r2, 1e-5, 1e-6));
    EXPECT_TRUE(!ZELNearAbs(r1, r2, 1e-8, 1e-6) && !ZELNearAbs(r1, r2, 0.0, 1e-9));
    EXPECT_FALSE(ZELNearRel(r1, rot(M3::YAxis, 0.3), 1e-6, 1e-6));
}

TEST(Qtn3D, OtherOrientationFormsGoThroughTheRotationMatrix) {
    EXPECT_TRUE(qtn(M3::ZAxis, kPi) == Q(0, 0, 0, 1) && qtn(M3::XAxis, -kPi) == Q(0, -1, 0, 0));
    EXPECT_EQ(qtn(V(0, 0, 2), kPi / 2), qtn(M3::ZAxis, kPi / 2));
    EXPECT_TRUE(qtn(V(0, 0, 0), 0.0) == Q::Identity &&
                qtn(static_cast<M3::AxisType>(7), 0.0) == Q::Identity);
    Q e(0.5, 0.5, 0.5, 0.5);
    EXPECT_THROW(e.setEAA(V(0, 0, 0), 1.0), ZELEZeroVector);  // after storing the axis
    EXPECT_EQ(e, Q(0.5, 0, 0, 0));
    Q q;
    q.setRPY(0.1, 0.2, 0.3);
    EXPECT_EQ(q, rpy(0.1, 0.2, 0.3).toQtn());
    double r, p, y;
    q.getRPY(r, p, y);
    EXPECT_LT(ZELLinfNorm(V(r, p, y) - V(0.1, 0.2, 0.3)), 1e-14);
    q.setNSA(V(0, 2, 0), V(-1, 0, 0), V(0, 0, 3));
    EXPECT_EQ(q, Q(std::sqrt(0.5), 0, 0, std::sqrt(0.5)));
    q.setEuler(E3(0.3, M3::ZAxis, 0.2, M3::YAxis, 0.1, M3::ZAxis));
    EXPECT_LE(maxDiff(q, qtn(M3::ZAxis, 0.3) * qtn(M3::YAxis, 0.2) * qtn(M3::ZAxis, 0.1)), 1e-13);
    // Vectors rotate as through the matrix; the static form may write into its input.
    EXPECT_EQ(qtn(M3::XAxis, kPi) * V(1, 2, 3), V(1, -2, -3));
    std::mt19937_64 g(5);
    for (int i = 0; i < 200; ++i) {
        const Q u = randomUnit(g);
        const V x = randomUnit(g) * V(2, -1, 3);
        V out = x, w = x;
        Q::multiply(out, u, out);
        u.rotateVec(w);
        EXPECT_TRUE(out == u * x && w == out &&
                    ZELNearAbs(out, X(u, V()) * x, 1e-14));  // as the matrix turns it
    }
    // NaN passes through the conversions without a crash.
    R3 R;
    Q(kNaN, 0, 0, 1).getRotate(R);
    Q back;
    back.setRotate(R);
    back.setRotateAccurate(R);
}

TEST(Qtn3D, FrameRelativeRotationsEqualTheProductsToTheBit) {
    std::mt19937_64 g(99);
    for (int n = 0; n < 30; ++n) {
        const Q q0 = randomUnit(g);
        for (auto k : {M3::XAxis, M3::YAxis, M3::ZAxis}) {
            for (double angle : {0.0, 0.7, -2.9, kPi}) {
                const Q r = qtn(k, angle);
                V axis;
                axis[static_cast<int>(k)] = 3.0;
                for (auto f : {M3::WorldFrame, M3::LocalFrame}) {
                    const Q expect = f == M3::WorldFrame ? r * q0 : q0 * r;
                    Q byAxis = q0, byQtn = q0, byVector = q0;
                    byAxis.rotate(k, angle, f);
                    byQtn.rotate(r, f);
                    byVector.rotate(axis, angle, f);
                    EXPECT_TRUE(byAxis == expect && byQtn == expect && byVector == expect)
                        << k << angle << f;
                }
            }
        }
    }
    Q s = qtn(M3::YAxis, 1.1);
    s.rotate(s, M3::WorldFrame);
    EXPECT_EQ(s, qtn(M3::YAxis, 1.1) * qtn(M3::YAxis, 1.1));
}

}  // namespace
