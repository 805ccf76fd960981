#include "publicinterfaces/ZELQtn3D.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

namespace {

const double kPi = 3.14159265358979323846;
const double kEps = 2.220446049250313e-16;

using V = ZELVector3D;
using Q = ZELQtn3D;
using R3 = ZELRotate3D;

void expectQ(const Q& q, double s, double x, double y, double z) {
    double qs;
    V v;
    q.get(qs, v);
    EXPECT_EQ(qs, s);
    EXPECT_EQ(v[0], x);
    EXPECT_EQ(v[1], y);
    EXPECT_EQ(v[2], z);
}

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

double scalarOf(const Q& q) {
    double s;
    V v;
    q.get(s, v);
    return s;
}

// A unit quaternion with uniformly distributed orientation.
Q randomUnit(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    Q q(n(g), n(g), n(g), n(g));
    q.normalize();
    return q;
}

}  // namespace

TEST(Qtn3DCore, ConstantsAndDefaults) {
    EXPECT_EQ(Q(), Q::Identity);
    expectQ(Q::Identity, 1, 0, 0, 0);
    EXPECT_EQ(Q::Identity.norm(), 1.0);
    EXPECT_EQ(Q::Tolerance, 100 * kEps);
}

TEST(Qtn3DCore, ConjugateInvertAndNegateSemantics) {
    Q q(0.5, 0.5, -0.5, 0.5);
    Q p = q.conjugate();
    expectQ(q, 0.5, -0.5, 0.5, -0.5);
    EXPECT_EQ(p, q);
    Q r = q.invert();
    expectQ(q, 0.5, 0.5, -0.5, 0.5);
    EXPECT_EQ(r, q);

    Q m = -q;
    expectQ(q, 0.5, 0.5, -0.5, 0.5);
    expectQ(m, -0.5, -0.5, 0.5, -0.5);
    q.negate();
    EXPECT_EQ(q, m);
    EXPECT_EQ(Q(1, 2, 3, 4).dot(Q(5, 6, 7, 8)), 70.0);
}

TEST(Qtn3DCore, HamiltonProduct) {
    const Q i(0, 1, 0, 0), j(0, 0, 1, 0), k(0, 0, 0, 1);
    EXPECT_EQ(i * j, k);
    EXPECT_EQ(j * i, -k);
    EXPECT_EQ(j * k, i);
    EXPECT_EQ(k * i, j);
    EXPECT_EQ(i * i, Q(-1, 0, 0, 0));
    expectQ(Q(1, 2, 3, 4) * Q(5, 6, 7, 8), -60, 12, 30, 24);
    expectQ(Q(5, 6, 7, 8) * Q(1, 2, 3, 4), -60, 20, 14, 32);
    // a / b is a·b̄ without division by |b|².
    expectQ(Q(1, 2, 3, 4) / Q(5, 6, 7, 8), 70, 8, 0, 16);

    std::mt19937_64 g(7);
    const Q a = randomUnit(g);
    EXPECT_LE(maxDiff(a / a, Q::Identity), 4 * kEps);

    // Rounded exactly as s = as·bs − a.v·b.v, v = (as·b.v + bs·a.v) + a.v × b.v, summed left to right.
    for (int n = 0; n < 100; ++n) {
        const Q p = randomUnit(g), q = randomUnit(g);
        double as, bs;
        V av, bv;
        p.get(as, av);
        q.get(bs, bv);
        const Q r = p * q;
        expectQ(r, as * bs - (av[0] * bv[0] + av[1] * bv[1] + av[2] * bv[2]),
                (as * bv[0] + bs * av[0]) + (av[1] * bv[2] - av[2] * bv[1]),
                (as * bv[1] + bs * av[1]) + (av[2] * bv[0] - av[0] * bv[2]),
                (as * bv[2] + bs * av[2]) + (av[0] * bv[1] - av[1] * bv[0]));
    }
}

TEST(Qtn3DCore, ProductFormsAgreeAndAcceptAliases) {
    std::mt19937_64 g(11);
    const Q a = randomUnit(g), b = randomUnit(g);
    const Q ab = a * b, ba = b * a, aa = a * a;

    Q r;
    Q::multiply(r, a, b);
    EXPECT_EQ(r, ab);
    Q x = a;
    x *= b;
    EXPECT_EQ(x, ab);
    x = a;
    x.postMultiply(b);
    EXPECT_EQ(x, ab);
    x = a;
    x.preMultiply(b);
    EXPECT_EQ(x, ba);
    x = a;
    x /= b;
    Q bc = b;
    bc.conjugate();
    EXPECT_EQ(x, a * bc);

    // The result may be an operand.
    x = a;
    x *= x;
    EXPECT_EQ(x, aa);
    x = a;
    x.postMultiply(x);
    EXPECT_EQ(x, aa);
    x = a;
    x.preMultiply(x);
    EXPECT_EQ(x, aa);
    x = a;
    Q::multiply(x, x, b);
    EXPECT_EQ(x, ab);
    x = b;
    Q::multiply(x, a, x);
    EXPECT_EQ(x, ab);
    x = a;
    x /= x;
    EXPECT_LE(maxDiff(x, Q::Identity), 4 * kEps);
}

TEST(Qtn3DCore, Norms) {
    const Q q(0, 3, 4, 0);
    EXPECT_EQ(ZELL2NormSqr(q), 25.0);
    EXPECT_EQ(ZELL2Norm(q), 5.0);
    EXPECT_EQ(q.norm(), 5.0);
    EXPECT_EQ(ZELL1Norm(q), 7.0);
    EXPECT_EQ(ZELLinfNorm(q), 4.0);
    EXPECT_EQ(ZELL1Norm(Q(2, -3, 0, 0)), std::sqrt(13.0));
    EXPECT_EQ(ZELLinfNorm(Q(1, 0, -2, 1)), std::sqrt(5.0));

    // Sums under the root below 1e-20 count as zero.
    const Q tiny(std::sqrt(1e-21), 0, 0, 0);
    EXPECT_GT(ZELL2NormSqr(tiny), 0.0);
    EXPECT_EQ(ZELL2Norm(tiny), 0.0);
    EXPECT_EQ(ZELL1Norm(Q(0, 3e-11, 4e-11, 0)), 0.0);
    EXPECT_EQ(ZELLinfNorm(Q(0, 3e-11, 0, 0)), 0.0);
    EXPECT_GT(ZELL2Norm(Q(1e-9, 0, 0, 0)), 0.0);
}

TEST(Qtn3DCore, NormalizeAndSet) {
    Q q(2, 0, 0, 0);
    q.normalize();
    EXPECT_EQ(q, Q::Identity);
    q = Q(0, 3, 0, 4);
    q.normalize();
    expectQ(q, 0, 0.6, 0, 0.8);

    q = Q(1e-9, 0, 0, 0);
    q.normalize();
    EXPECT_EQ(q, Q::Identity);

    for (double n : {0.0, 1e-11}) {
        Q z(n, 0, 0, 0);
        try {
            z.normalize();
            ADD_FAILURE() << "no exception for norm " << n;
        } catch (const ZELENumericError& e) {
            EXPECT_EQ(e.message(), L"Zero length quaternion");
            EXPECT_EQ(e.file(), "publicinterfaces/ZELQtn3D");
            EXPECT_STREQ(e.what(), "Zero length quaternion");
        }
        expectQ(z, n, 0, 0, 0);
    }

    q.set(0, V(0, 0, -2));
    expectQ(q, 0, 0, 0, -1);
    // set stores before it normalises: the zero value stays behind.
    q = Q(0.5, 0.5, 0.5, 0.5);
    EXPECT_THROW(q.set(0, V(0, 0, 0)), ZELENumericError);
    expectQ(q, 0, 0, 0, 0);
}

TEST(Qtn3DCore, SwapAndOutput) {
    Q a(1, 2, 3, 4), b;
    a.swap(b);
    expectQ(a, 1, 0, 0, 0);
    expectQ(b, 1, 2, 3, 4);
    b.swap(b);
    expectQ(b, 1, 2, 3, 4);

    std::ostringstream os;
    os << Q(1, 2.5, -3, 0);
    EXPECT_EQ(os.str(), "[ 1  2.5  -3  0  ]\n");
    EXPECT_NE(Q(1, 2, 3, 4), Q(1, 2, 3, 5));
    EXPECT_NE(Q(std::nan(""), 0, 0, 0), Q(std::nan(""), 0, 0, 0));
}

// ---- matrix <-> quaternion --------------------------------------------------------------------

TEST(Qtn3DMatrix, ExactConversions) {
    R3 R;
    Q(0, 1, 0, 0).getRotate(R);
    EXPECT_EQ(R(ZELMath3D::NDirection), V(1, 0, 0));
    EXPECT_EQ(R(ZELMath3D::SDirection), V(0, -1, 0));
    EXPECT_EQ(R(ZELMath3D::ADirection), V(0, 0, -1));
    Q q;
    q.setRotate(R);
    expectQ(q, 0, 1, 0, 0);

    R3 Rz;
    Rz.setCAA(ZELMath3D::ZAxis, kPi);  // diagonal (-1, -1, 1)
    q.setRotate(Rz);
    expectQ(q, 0, 0, 0, 1);
    R3 Ry;
    Ry.setCAA(ZELMath3D::YAxis, kPi);
    q.setRotate(Ry);
    expectQ(q, 0, 0, 1, 0);
    q.setRotate(R3::Identity);
    EXPECT_EQ(q, Q::Identity);
    EXPECT_EQ(R3::Identity.toQtn(), Q::Identity);
    Q::Identity.getRotate(R);
    EXPECT_EQ(R, R3::Identity);

    // A quarter turn about z through every path.
    R3 Rq;
    Rq.setCAA(ZELMath3D::ZAxis, kPi / 2);
    q = Rq.toQtn();
    Q c;
    c.setCAA(ZELMath3D::ZAxis, kPi / 2);
    EXPECT_LE(maxDiff(q, c), kEps);
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
        EXPECT_LE(std::abs(R.det() - 1), 1e-14);
        const Q back = R.toQtn();
        EXPECT_GE(scalarOf(back), 0.0);
        const Q expect = s < 0 ? -q : q;
        // Error grows like ε / (smallest magnitude): bounded well below 1e-12 here.
        double smallest = std::abs(s);
        for (int i = 0; i < 3; ++i)
            smallest = std::min(smallest, std::abs(v[i]));
        EXPECT_LE(maxDiff(back, expect), std::max(1e-15 / smallest, 1e-15)) << q;
        int b = 0;
        if (!(std::abs(v[0]) >= std::abs(v[1]) && std::abs(v[0]) >= std::abs(v[2])))
            b = (std::abs(v[1]) >= std::abs(v[2])) ? 1 : 2;
        ++branch[b];

        // The matrix's own equivalent axis and angle agree with the quaternion's.
        V ua, uq;
        double ta, tq;
        R.getEAA(ua, ta);
        q.getEAA(uq, tq);
        EXPECT_NEAR(ta, tq, 1e-7);
        EXPECT_TRUE(ZELNearAbs(ua, uq, 1e-7));
    }
    EXPECT_GT(branch[0], 300);
    EXPECT_GT(branch[1], 300);
    EXPECT_GT(branch[2], 300);
}

TEST(Qtn3DMatrix, AnglesNearHalfTurnAndNearZeroLoseHalfThePrecision) {
    // Near a half turn s is the root of a small difference; near zero the vector part is.
    for (double delta : {1e-3, 1e-6, 1e-9}) {
        for (double angle : {kPi - delta, delta}) {
            R3 R;
            R.setEAA(V(1, 2, 3), angle);
            V u;
            double a;
            R.getEAA(u, a);
            EXPECT_NEAR(a, angle, 2e-8) << angle;
            Q q;
            q.setEAA(V(1, 2, 3), angle);
            const Q back = R.toQtn();
            EXPECT_LE(maxDiff(back, q), 2e-8);
        }
    }
    // Below about 1e-8 rad the angle is lost completely: the diagonal rounds to exactly 1.
    R3 R;
    R.setCAA(ZELMath3D::XAxis, 1e-9);
    V u;
    double a;
    R.getEAA(u, a);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(u, V(0, 0, 1));
    // ... and the matrix near-comparison cannot see a difference of 1e-9 rad either.
    R3 S;
    S.setCAA(ZELMath3D::XAxis, 2e-9);
    EXPECT_TRUE(ZELNearAbs(R, S, 1e-12, 1e-12));
    EXPECT_FALSE(R == S);
}

TEST(Qtn3DMatrix, EquivalentAxisAndAngle) {
    V u;
    double a;
    Q::Identity.getEAA(u, a);
    EXPECT_EQ(u, V(0, 0, 1));
    EXPECT_EQ(a, 0.0);
    Q(0, 0, 0, 1).getEAA(u, a);
    EXPECT_EQ(u, V(0, 0, 1));
    EXPECT_EQ(a, kPi);
    Q(0, 0, 0, -1).getEAA(u, a);  // s is exactly 0: no sign folding
    EXPECT_EQ(u, V(0, 0, -1));
    EXPECT_EQ(a, kPi);
    Q(0, 0, 0, -3).getEAA(u, a);  // ... and no normalisation
    EXPECT_EQ(u, V(0, 0, -3));
    Q(-0.6, 0, 0.8, 0).getEAA(u, a);
    EXPECT_EQ(u, V(0, -1, 0));
    EXPECT_EQ(a, 2 * std::acos(0.6));
    Q(-1, 0, 0, 0).getEAA(u, a);
    EXPECT_EQ(u, V(0, 0, 1));
    EXPECT_EQ(a, 0.0);

    Q q;
    q.setEAA(V(0, 3, 4), 1.25);
    q.getEAA(u, a);
    EXPECT_NEAR(a, 1.25, 1e-15);
    EXPECT_TRUE(ZELNearAbs(u, V(0, 0.6, 0.8), 1e-15));
}

TEST(Qtn3DMatrix, NearComparisons) {
    Q q;
    q.setEAA(V(1, -2, 0.5), 0.7);
    const Q m = -q;
    EXPECT_FALSE(q == m);
    EXPECT_TRUE(ZELNearAbs(q, m, 1e-9, 1e-9));
    EXPECT_TRUE(ZELNearRel(q, m, 1e-9, 1e-9));
    EXPECT_FALSE(ZELNearAbs(q, m, 0.0, 1e-9));
    EXPECT_FALSE(ZELNearAbs(q, m, 1e-9, 0.0));
    EXPECT_FALSE(ZELNearRel(q, m, 0.0, 1e-9));
    EXPECT_TRUE(ZELNearAbs(q, q, 0.0, 0.0));

    Q a, b;
    a.setEAA(V(1, 1, 0), 0.30);
    b.setEAA(V(1, 1, 0), 0.31);
    EXPECT_TRUE(ZELNearAbs(a, b, 0.02, 1e-9));
    EXPECT_FALSE(ZELNearAbs(a, b, 0.005, 1e-9));
    EXPECT_TRUE(ZELNearRel(a, b, 0.05, 1e-9));
    EXPECT_FALSE(ZELNearRel(a, b, 0.03, 1e-9));
    // Same angle, different axes: the axis tolerance decides.
    b.setEAA(V(1, 1, 0.01), 0.30);
    EXPECT_FALSE(ZELNearAbs(a, b, 0.1, 1e-3));
    EXPECT_TRUE(ZELNearAbs(a, b, 0.1, 1e-2));

    R3 r1, r2;
    r1.setCAA(ZELMath3D::XAxis, 0.3);
    r2.setCAA(ZELMath3D::XAxis, 0.3 + 1e-7);
    EXPECT_FALSE(r1 == r2);
    EXPECT_TRUE(ZELNearAbs(r1, r2, 1e-6, 1e-6));
    EXPECT_TRUE(ZELNearRel(r1, r2, 1e-5, 1e-6));
    EXPECT_FALSE(ZELNearAbs(r1, r2, 1e-8, 1e-6));
    EXPECT_FALSE(ZELNearAbs(r1, r2, 0.0, 1e-9));
    EXPECT_TRUE(ZELNearAbs(r1, r1, 0.0, 1e-9));
    R3 r3;
    r3.setCAA(ZELMath3D::YAxis, 0.3);
    EXPECT_FALSE(ZELNearAbs(r1, r3, 1e-6, 1e-6));
    EXPECT_FALSE(ZELNearRel(r1, r3, 1e-6, 1e-6));
}

// ---- other orientation forms ------------------------------------------------------------------

TEST(Qtn3DForms, AxisAngleSetters) {
    Q q;
    q.setCAA(ZELMath3D::ZAxis, kPi);
    expectQ(q, 0, 0, 0, 1);
    q.setCAA(ZELMath3D::XAxis, -kPi);
    expectQ(q, 0, -1, 0, 0);
    Q e;
    e.setEAA(V(0, 0, 2), kPi / 2);
    q.setCAA(ZELMath3D::ZAxis, kPi / 2);
    EXPECT_EQ(e, q);
    e.setEAA(V(0, 5, 0), 0.4);
    q.setCAA(ZELMath3D::YAxis, 0.4);
    EXPECT_EQ(e, q);
    e.setEAA(V(0, 0, 0), 0.0);
    EXPECT_EQ(e, Q::Identity);
    q.setCAA(static_cast<ZELMath3D::AxisType>(7), 0.0);
    EXPECT_EQ(q, Q::Identity);

    // A zero axis throws after the axis has been stored; s keeps its value.
    e = Q(0.5, 0.5, 0.5, 0.5);
    try {
        e.setEAA(V(0, 0, 0), 1.0);
        ADD_FAILURE() << "no exception";
    } catch (const ZELEZeroVector& x) {
        EXPECT_EQ(x.message(), L"The vector has zero length");
    }
    expectQ(e, 0.5, 0, 0, 0);

    // An invalid axis asserts after s has been set; v keeps its value.
    AssertRecorder rec;
    q = Q(0.5, 0.5, 0.5, 0.5);
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
    double r, p, y;
    q.getRPY(r, p, y);
    EXPECT_NEAR(r, 0.1, 1e-14);
    EXPECT_NEAR(p, 0.2, 1e-14);
    EXPECT_NEAR(y, 0.3, 1e-14);
    R3 R;
    R.setRPY(0.1, 0.2, 0.3);
    EXPECT_EQ(q, R.toQtn());

    q.setCAA(ZELMath3D::ZAxis, kPi / 2);
    V n, s, a;
    q.getNSA(n, s, a);
    EXPECT_TRUE(ZELNearAbs(n, V(0, 1, 0), 1e-15));
    EXPECT_TRUE(ZELNearAbs(s, V(-1, 0, 0), 1e-15));
    EXPECT_TRUE(ZELNearAbs(a, V(0, 0, 1), 1e-15));
    Q w;
    w.setNSA(V(0, 2, 0), V(-1, 0, 0), V(0, 0, 3));  // normalised by the matrix
    expectQ(w, std::sqrt(0.5), 0, 0, std::sqrt(0.5));

    const ZELEuler3D euler(0.3, ZELMath3D::ZAxis, 0.2, ZELMath3D::YAxis, 0.1, ZELMath3D::ZAxis);
    Q fromEuler;
    fromEuler.setEuler(euler);
    Q z1, y1, z2;
    z1.setCAA(ZELMath3D::ZAxis, 0.3);
    y1.setCAA(ZELMath3D::YAxis, 0.2);
    z2.setCAA(ZELMath3D::ZAxis, 0.1);
    EXPECT_LE(maxDiff(fromEuler, z1 * y1 * z2), 1e-13);
}

TEST(Qtn3DForms, RotatingVectors) {
    Q q;
    q.setCAA(ZELMath3D::ZAxis, kPi / 2);
    V w(1, 0, 0);
    q.rotateVec(w);
    EXPECT_TRUE(ZELNearAbs(w, V(0, 1, 0), 1e-15));
    q.setCAA(ZELMath3D::XAxis, kPi);
    EXPECT_EQ(q * V(1, 2, 3), V(1, -2, -3));

    std::mt19937_64 g(5);
    std::uniform_real_distribution<double> u(-2, 2);
    for (int n = 0; n < 200; ++n) {
        const Q r = randomUnit(g);
        const V x(u(g), u(g), u(g));
        R3 R;
        r.getRotate(R);
        const V y = r * x;
        EXPECT_TRUE(ZELNearAbs(y, R * x, 1e-14));
        V out = x;
        Q::multiply(out, r, out);  // out may be the input
        EXPECT_EQ(out, y);
        out = x;
        r.rotateVec(out);
        EXPECT_EQ(out, y);
    }
}

// ---- frame-relative rotation ------------------------------------------------------------------

TEST(Qtn3DRotate, FramesMatchProductsAndTheRotationMatrix) {
    std::mt19937_64 g(99);
    const ZELMath3D::AxisType axes[] = {ZELMath3D::XAxis, ZELMath3D::YAxis, ZELMath3D::ZAxis};
    for (int n = 0; n < 30; ++n) {
        const Q q0 = randomUnit(g);
        for (auto k : axes) {
            for (double angle : {0.0, 0.7, -2.9, kPi}) {
                Q r;
                r.setCAA(k, angle);
                Q world = q0, local = q0;
                world.rotate(k, angle, ZELMath3D::WorldFrame);
                local.rotate(k, angle, ZELMath3D::LocalFrame);
                // The in-place form rounds exactly as the full product.
                EXPECT_EQ(world, r * q0);
                EXPECT_EQ(local, q0 * r);

                Q qw = q0, ql = q0;
                qw.rotate(r, ZELMath3D::WorldFrame);
                ql.rotate(r, ZELMath3D::LocalFrame);
                EXPECT_EQ(qw, r * q0);
                EXPECT_EQ(ql, q0 * r);

                V axis;
                axis[static_cast<int>(k)] = 3.0;
                Q vw = q0, vl = q0;
                vw.rotate(axis, angle, ZELMath3D::WorldFrame);
                vl.rotate(axis, angle, ZELMath3D::LocalFrame);
                EXPECT_EQ(vw, r * q0);
                EXPECT_EQ(vl, q0 * r);

                // Same semantics as the rotation matrix.
                R3 R, Rw, Rl;
                q0.getRotate(R);
                Rw = R;
                Rl = R;
                Rw.rotate(k, angle, ZELMath3D::WorldFrame);
                Rl.rotate(k, angle, ZELMath3D::LocalFrame);
                R3 Qw, Ql;
                world.getRotate(Qw);
                local.getRotate(Ql);
                EXPECT_TRUE(ZELNearAbs(Qw, Rw, 1e-12, 1e-12));
                EXPECT_TRUE(ZELNearAbs(Ql, Rl, 1e-12, 1e-12));
            }
        }
    }
    Q id;
    Q r;
    r.setCAA(ZELMath3D::YAxis, 1.1);
    id.rotate(ZELMath3D::YAxis, 1.1, ZELMath3D::LocalFrame);
    EXPECT_EQ(id, r);
    // The quaternion form may be given the object itself.
    Q s = r;
    s.rotate(s, ZELMath3D::WorldFrame);
    EXPECT_EQ(s, r * r);
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
