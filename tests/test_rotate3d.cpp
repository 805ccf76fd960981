#include "AssertRecorder.h"
#include "foundation/ZELException.h"
#include "publicinterfaces/ZELRotate3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>

namespace {

const double kPi = std::acos(-1.0);
const double kEps = std::numeric_limits<double>::epsilon();
using M3 = ZELMath3D;

double at(const ZELRotate3D& r, int row, int col) {
    return r(static_cast<M3::DirectionIndex>(col), static_cast<M3::CoordinateIndex>(row));
}

double maxDiff(const ZELRotate3D& a, const ZELRotate3D& b) {
    double m = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m = std::fmax(m, std::fabs(at(a, r, c) - at(b, r, c)));
    return m;
}

ZELRotate3D transposeOf(ZELRotate3D r) {
    r.invert();
    return r;
}

ZELRotate3D caa(M3::AxisType k, double a) {
    ZELRotate3D r;
    r.setCAA(k, a);
    return r;
}

ZELRotate3D rpy(double roll, double pitch, double yaw) {
    ZELRotate3D r;
    r.setRPY(roll, pitch, yaw);
    return r;
}

// A general rotation that commutes with no coordinate rotation.
ZELRotate3D general() { return rpy(0.3, -0.7, 1.9); }

// A matrix holding exactly the given columns, without normalisation (every public setter
// normalises). The type is trivially copyable with the nine scalars as its only data.
ZELRotate3D rawMatrix(const ZELVector3D& n, const ZELVector3D& s, const ZELVector3D& a) {
    static_assert(std::is_standard_layout<ZELRotate3D>::value, "");
    const double flat[9] = {n[0], n[1], n[2], s[0], s[1], s[2], a[0], a[1], a[2]};
    ZELRotate3D r;
    std::memcpy(static_cast<void*>(&r), flat, sizeof flat);
    return r;
}

void expectColumns(const ZELRotate3D& r, const ZELVector3D& n, const ZELVector3D& s, const ZELVector3D& a) {
    EXPECT_EQ(r(M3::NDirection), n);
    EXPECT_EQ(r(M3::SDirection), s);
    EXPECT_EQ(r(M3::ADirection), a);
}

TEST(Rotate3D, ConstantsAndLayout) {
    static_assert(sizeof(ZELRotate3D) == 9 * sizeof(double), "");
    static_assert(std::is_trivially_copyable<ZELRotate3D>::value, "");
    EXPECT_EQ(ZELRotate3D::DetTolerance, 0.5);
    EXPECT_EQ(ZELRotate3D::ZeroTolerance, 100 * kEps);
    EXPECT_EQ(ZELRotate3D(), ZELRotate3D::Identity);
    expectColumns(ZELRotate3D::Identity, ZELVector3D::UnitX, ZELVector3D::UnitY, ZELVector3D::UnitZ);
    EXPECT_EQ(ZELRotate3D::Identity.det(), 1.0);
    EXPECT_NEAR(general().det(), 1.0, 1e-15);
}

TEST(Rotate3D, QuarterTurnAboutZ) {
    const ZELRotate3D r = caa(M3::ZAxis, kPi / 2);
    expectColumns(r, ZELVector3D(0, 1, 0), ZELVector3D(-1, 0, 0), ZELVector3D(0, 0, 1));
    EXPECT_EQ(r(M3::SDirection, M3::XCoord), -1);
    EXPECT_EQ(r * ZELVector3D::UnitX, ZELVector3D::UnitY);
    ZELVector3D v(1, 0, 0);
    r.rotateVec(v);
    EXPECT_EQ(v, ZELVector3D(0, 1, 0));
    EXPECT_EQ(r.det(), 1.0);

    double m[3][3], mt[3][3];
    double* rows[] = {m[0], m[1], m[2]};
    double* rowsT[] = {mt[0], mt[1], mt[2]};
    r.get(rows, false);
    r.get(rowsT, true);
    EXPECT_EQ(m[0][1], -1);
    EXPECT_EQ(m[1][0], 1);
    EXPECT_EQ(mt[1][0], -1);
    EXPECT_EQ(mt[0][1], 1);

    // Reading the transposed array back with transposed = true gives the matrix again.
    const double* crowsT[] = {mt[0], mt[1], mt[2]};
    EXPECT_EQ(ZELRotate3D(crowsT, true), r);
    ZELRotate3D back;
    back.set(rows, false);  // a double** is accepted too
    EXPECT_EQ(back, r);

    ZELRotate3D sq = r;
    sq *= sq;
    expectColumns(sq, ZELVector3D(-1, 0, 0), ZELVector3D(0, -1, 0), ZELVector3D(0, 0, 1));
}

TEST(Rotate3D, EveryAxisQuarterTurnIsExact) {
    // Rk(pi/2) maps axis p = k+1 onto q = k+2.
    EXPECT_EQ(caa(M3::XAxis, kPi / 2) * ZELVector3D::UnitY, ZELVector3D::UnitZ);
    EXPECT_EQ(caa(M3::YAxis, kPi / 2) * ZELVector3D::UnitZ, ZELVector3D::UnitX);
    EXPECT_EQ(caa(M3::ZAxis, kPi / 2) * ZELVector3D::UnitX, ZELVector3D::UnitY);
    expectColumns(caa(M3::XAxis, kPi), ZELVector3D(1, 0, 0), ZELVector3D(0, -1, 0), ZELVector3D(0, 0, -1));
    expectColumns(caa(M3::YAxis, -kPi / 2), ZELVector3D(0, 0, 1), ZELVector3D(0, 1, 0), ZELVector3D(-1, 0, 0));
    EXPECT_EQ(rpy(kPi / 2, 0, 0) * ZELVector3D::UnitX, ZELVector3D::UnitY);
    EXPECT_EQ(rpy(0, kPi / 2, 0) * ZELVector3D::UnitZ, ZELVector3D::UnitX);
    EXPECT_EQ(rpy(0, 0, kPi / 2) * ZELVector3D::UnitY, ZELVector3D::UnitZ);
}

TEST(Rotate3D, InvertAndDivide) {
    const ZELRotate3D a = general();
    ZELRotate3D twice = a;
    twice.invert();
    EXPECT_NE(twice, a);
    twice.invert();
    EXPECT_EQ(twice, a);

    EXPECT_LT(maxDiff(a / a, ZELRotate3D::Identity), 1e-15);
    EXPECT_LT(maxDiff(a * transposeOf(a), ZELRotate3D::Identity), 1e-15);
    const ZELRotate3D b = caa(M3::XAxis, 0.4);
    // Division multiplies by the transpose in the same order of summation.
    EXPECT_EQ(a / b, a * transposeOf(b));
    ZELRotate3D r;
    ZELRotate3D::divide(r, a, b);
    EXPECT_EQ(r, a / b);
    ZELRotate3D c = a;
    c /= b;
    EXPECT_EQ(c, a / b);
    c = a;
    const ZELRotate3D& alias = c;
    c /= alias;
    EXPECT_EQ(c, a / a);
}

TEST(Rotate3D, CompositionForms) {
    const ZELRotate3D a = general();
    const ZELRotate3D b = caa(M3::XAxis, 0.4);
    ZELRotate3D r;
    ZELRotate3D::multiply(r, a, b);
    EXPECT_EQ(r, a * b);
    EXPECT_NE(a * b, b * a);

    ZELRotate3D pre = a, post = a, times = a;
    pre.preMultiply(b);
    post.postMultiply(b);
    times *= b;
    EXPECT_EQ(pre, b * a);
    EXPECT_EQ(post, a * b);
    EXPECT_EQ(times, post);

    // The in-place forms accept their own object.
    ZELRotate3D self = a;
    self.postMultiply(self);
    EXPECT_EQ(self, a * a);
    self = a;
    self.preMultiply(self);
    EXPECT_EQ(self, a * a);

    // Product with a vector.
    const ZELVector3D v(0.5, -2, 3);
    ZELVector3D out;
    ZELRotate3D::multiply(out, a, v);
    EXPECT_EQ(out, a * v);
    ZELVector3D w = v;
    a.rotateVec(w);
    EXPECT_EQ(w, out);
}

TEST(Rotate3D, EqualityAndSwap) {
    const ZELRotate3D withNaN = rawMatrix(ZELVector3D::UnitX, ZELVector3D(0, std::nan(""), 0), ZELVector3D::UnitZ);
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_TRUE(withNaN != withNaN);
    EXPECT_TRUE(ZELRotate3D::Identity != withNaN);

    ZELRotate3D a = general(), b;
    a.swap(b);
    EXPECT_EQ(a, ZELRotate3D::Identity);
    EXPECT_EQ(b, general());
    b.swap(b);
    EXPECT_EQ(b, general());
}

ZELRotate3D fromColumns(const ZELVector3D& n, const ZELVector3D& s, const ZELVector3D& a) {
    ZELRotate3D r;
    r.setNSA(n, s, a);
    return r;
}

TEST(Rotate3D, NormalizeIsOnePassClassicalGramSchmidt) {
    // Upper triangular columns reduce exactly to the identity.
    EXPECT_EQ(fromColumns(ZELVector3D(2, 0, 0), ZELVector3D(1, 3, 0), ZELVector3D(1, 1, 5)), ZELRotate3D::Identity);
    // Degenerate first, second or third column: the identity.
    const ZELRotate3D a = general();
    ZELRotate3D r = a;
    r.setNSA(ZELVector3D(), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, 1));
    EXPECT_EQ(r, ZELRotate3D::Identity);
    r = a;
    r.setNSA(ZELVector3D(1, 0, 0), ZELVector3D(1, 0, 0), ZELVector3D(0, 0, 1));
    EXPECT_EQ(r, ZELRotate3D::Identity);
    r = a;
    r.setNSA(ZELVector3D(1, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(1, 1, 0));
    EXPECT_EQ(r, ZELRotate3D::Identity);
    // The thresholds compare squared lengths with epsilon: a column of length 1e-8 (squared
    // 1e-16 <= eps) is degenerate, one of length 1e-7 is not.
    r.setNSA(ZELVector3D(1e-8, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, 1));
    EXPECT_EQ(r, ZELRotate3D::Identity);
    r.setNSA(ZELVector3D(-1e-7, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, 1));
    expectColumns(r, ZELVector3D(-1, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, 1));
    // Handedness is kept: a reflection stays a reflection.
    const ZELRotate3D mirror = fromColumns(ZELVector3D(1, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, -1));
    expectColumns(mirror, ZELVector3D(1, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, -1));
    EXPECT_EQ(mirror.det(), -1.0);
    // A skewed, scaled frame comes out orthonormal with N along the first input column.
    const ZELRotate3D skew = fromColumns(ZELVector3D(2, 0.1, -0.2), ZELVector3D(0.3, 3, 0.2), ZELVector3D(0.1, -0.4, 4));
    EXPECT_LT(maxDiff(skew * transposeOf(skew), ZELRotate3D::Identity), 4 * kEps);
    EXPECT_NEAR(skew.det(), 1.0, 4 * kEps);
    EXPECT_EQ(skew(M3::NDirection), ZELVector3D(2, 0.1, -0.2) / std::sqrt(4.05));
    // A rotation passes through (nearly) unchanged.
    double m[3][3];
    double* rows[] = {m[0], m[1], m[2]};
    a.get(rows, false);
    EXPECT_LT(maxDiff(ZELRotate3D(rows, false), a), 4 * kEps);
}

TEST(Rotate3D, AxisAngle) {
    const ZELRotate3D z = caa(M3::ZAxis, kPi / 2);
    ZELRotate3D r = general();
    r.setEAA(ZELVector3D(0, 0, 2), kPi / 2);
    EXPECT_EQ(r, z);
    r.setEAA(ZELVector3D(), 0.0);
    EXPECT_EQ(r, ZELRotate3D::Identity);
    r = general();
    r.setEAA(ZELVector3D(), -0.0);
    EXPECT_EQ(r, ZELRotate3D::Identity);

    r = general();
    EXPECT_THROW(r.setEAA(ZELVector3D(), 1.0), ZELEZeroVector);
    EXPECT_EQ(r, general());

    // A general axis is left fixed, and a turn about a coordinate axis matches setCAA.
    const ZELVector3D axis(1, -2, 0.5);
    r.setEAA(axis, 0.8);
    EXPECT_LT(ZELLinfNorm(r * axis - axis), 1e-15);
    EXPECT_NEAR(r.det(), 1.0, 1e-15);
    ZELRotate3D half;
    half.setEAA(axis, 0.4);
    EXPECT_LT(maxDiff(half * half, r), 1e-15);
    for (M3::AxisType k : {M3::XAxis, M3::YAxis, M3::ZAxis}) {
        ZELVector3D u;
        u[static_cast<std::size_t>(k)] = 3;
        r.setEAA(u, -1.1);
        EXPECT_LT(maxDiff(r, caa(k, -1.1)), 1e-15);
    }
}

TEST(Rotate3D, CoordinateAxisAngleAssertsOnInvalidAxis) {
    AssertRecorder rec;
    ZELRotate3D r = general();
    r.setCAA(M3::XAxis, 0.0);
    EXPECT_EQ(r, ZELRotate3D::Identity);
    r = general();
    r.setCAA(static_cast<M3::AxisType>(3), 0.0);
    EXPECT_EQ(r, ZELRotate3D::Identity);
    EXPECT_TRUE(rec.take().empty());

    r = general();
    r.setCAA(static_cast<M3::AxisType>(3), 1.0);
    EXPECT_EQ(r, ZELRotate3D::Identity);
    const auto reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].category, "Software");
    EXPECT_EQ(reports[0].message, "Invalid rotation axis");
    EXPECT_EQ(reports[0].file, "publicinterfaces/ZELRotate3D");
    EXPECT_EQ(reports[0].line, 449);
    r.setCAA(static_cast<M3::AxisType>(-1), 1.0);
    EXPECT_EQ(rec.take().size(), 1u);
}

void expectRPY(const ZELRotate3D& r, double roll, double pitch, double yaw, double tol) {
    double a, b, c;
    r.getRPY(a, b, c);
    EXPECT_NEAR(a, roll, tol);
    EXPECT_NEAR(b, pitch, tol);
    EXPECT_NEAR(c, yaw, tol);
}

TEST(Rotate3D, GetRPYChoosesTheSmallerTriple) {
    expectRPY(rpy(0.1, 0.2, 0.3), 0.1, 0.2, 0.3, 1e-15);
    expectRPY(rpy(2.5, 0.2, 2.6), 2.5 - kPi, kPi - 0.2, 2.6 - kPi, 1e-14);
    expectRPY(rpy(0.5, 2.8, 0.4), 0.5, 2.8, 0.4, 1e-14);
    expectRPY(ZELRotate3D::Identity, 0, 0, 0, 0);
    // A half turn about z: (pi, 0, 0) beats the equivalent (0, -pi, pi).
    expectRPY(caa(M3::ZAxis, kPi), kPi, 0, 0, 0);
}

TEST(Rotate3D, GetRPYSingularBranch) {
    double roll, pitch, yaw;
    rpy(0.3, kPi / 2, 0.2).getRPY(roll, pitch, yaw);
    EXPECT_EQ(roll, 0.0);
    EXPECT_EQ(pitch, kPi / 2);
    EXPECT_NEAR(yaw, 0.2 - 0.3, 1e-15);
    rpy(0.3, -kPi / 2, 0.2).getRPY(roll, pitch, yaw);
    EXPECT_EQ(roll, 0.0);
    EXPECT_EQ(pitch, -kPi / 2);
    EXPECT_NEAR(yaw, 0.2 + 0.3, 1e-15);
    // Just inside ZeroTolerance of the pole the branch is still taken.
    rpy(0.0, kPi / 2 - 50 * kEps, 0.2).getRPY(roll, pitch, yaw);
    EXPECT_EQ(roll, 0.0);
    EXPECT_EQ(pitch, kPi / 2);
}

TEST(Rotate3D, RPYRoundTripsInEveryOctant) {
    const double angles[] = {-3.0, -2.2, -1.2, -0.4, 0.0, 0.35, 1.3, 1.5707963267948966, 1.9, 2.7, 3.1};
    for (double roll : angles) {
        for (double pitch : angles) {
            for (double yaw : angles) {
                const ZELRotate3D r = rpy(roll, pitch, yaw);
                double a, b, c;
                r.getRPY(a, b, c);
                ASSERT_LT(maxDiff(rpy(a, b, c), r), 1e-14) << roll << " " << pitch << " " << yaw;
                for (double x : {a, b, c}) ASSERT_LE(std::fabs(x), kPi);
                // Away from the poles the answer is never larger than the input triple.
                if (std::fabs(std::cos(pitch)) > 1e-3) {
                    ASSERT_LE(a * a + b * b + c * c, roll * roll + pitch * pitch + yaw * yaw + 1e-12);
                }
            }
        }
    }
}

// The selection rule of getRPY written out plainly: both candidates, compared by their squared
// norms. getRPY must agree with it to the bit, whatever shortcut it takes.
void referenceRPY(const ZELRotate3D& r, double out[3]) {
    auto R = [&](int row, int col) { return at(r, row, col); };
    const double tau = ZELRotate3D::ZeroTolerance;
    if (std::fabs(R(0, 0)) < tau && std::fabs(R(1, 0)) < tau) {
        out[0] = 0;
        out[1] = std::atan2(-R(2, 0), 0.0);
        out[2] = std::atan2(-R(1, 2), R(1, 1));
        return;
    }
    ZELVector3D cand[2];
    const double phis[2] = {std::atan2(R(1, 0), R(0, 0)), std::atan2(-R(1, 0), -R(0, 0))};
    for (int i = 0; i < 2; ++i) {
        double s, c;
        ZELCleanSinCos(phis[i], s, c);
        cand[i] = ZELVector3D(phis[i], std::atan2(-R(2, 0), s * R(1, 0) + c * R(0, 0)),
                              std::atan2(s * R(0, 2) - c * R(1, 2), c * R(1, 1) - s * R(0, 1)));
    }
    const ZELVector3D& best = ZELL2NormSqr(cand[1]) < ZELL2NormSqr(cand[0]) ? cand[1] : cand[0];
    for (int i = 0; i < 3; ++i) out[i] = best[i];
}

void expectSameRPY(const ZELRotate3D& r) {
    double expected[3], got[3];
    referenceRPY(r, expected);
    r.getRPY(got[0], got[1], got[2]);
    ASSERT_EQ(std::memcmp(expected, got, sizeof got), 0)
        << got[0] << " " << got[1] << " " << got[2] << " vs " << expected[0] << " " << expected[1] << " "
        << expected[2];
}

TEST(Rotate3D, GetRPYAgreesWithThePlainRuleToTheBit) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> angle(-kPi, kPi), unit(-1, 1), wide(-5, 5);
    std::uniform_real_distribution<double> tiny(-2e-15, 2e-15);
    for (int i = 0; i < 20000; ++i) {
        expectSameRPY(rpy(angle(gen), angle(gen), angle(gen)));
        // Triples whose L1 norm lies at or next to 3 pi / 2, where the two candidates tie.
        const double a = angle(gen) / 2, b = angle(gen) / 2;
        const double c = 1.5 * kPi - std::fabs(a) - std::fabs(b) + tiny(gen);
        expectSameRPY(rpy(a, b, std::fabs(c) <= kPi ? c : kPi));
        expectSameRPY(rpy(a, kPi - b, -c));
        // Matrices that are not rotations at all.
        double m[3][3];
        for (auto& row : m)
            for (double& x : row) x = (i % 2) ? wide(gen) : unit(gen);
        ZELVector3D n(m[0][0], m[1][0], m[2][0]), s(m[0][1], m[1][1], m[2][1]), t(m[0][2], m[1][2], m[2][2]);
        expectSameRPY(rawMatrix(n, s, t));
    }
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    expectSameRPY(rawMatrix(ZELVector3D(nan, 0, 0), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, 1)));
    expectSameRPY(rawMatrix(ZELVector3D(1, 0, 0), ZELVector3D(0, nan, 0), ZELVector3D(0, 0, 1)));
    expectSameRPY(rawMatrix(ZELVector3D(inf, 1, -inf), ZELVector3D(0, 1, 0), ZELVector3D(0, 0, 1)));
    expectSameRPY(rawMatrix(ZELVector3D(1, 0, 0), ZELVector3D(0, 0, 0), ZELVector3D(0, 0, 0)));
    expectSameRPY(rawMatrix(ZELVector3D(1, 0, 0), ZELVector3D(0, 1e300, 0), ZELVector3D(0, 0, 1)));
}

TEST(Rotate3D, EulerTriples) {
    ZELRotate3D r = general();
    r.setEuler(ZELEuler3D());
    EXPECT_EQ(r, ZELRotate3D::Identity);
    r.setEuler(ZELEuler3D(0.7, M3::ZAxis, 0, M3::YAxis, 0, M3::ZAxis));
    EXPECT_EQ(r, caa(M3::ZAxis, 0.7));
    r.setEuler(ZELEuler3D(0, M3::ZAxis, 0.7, M3::YAxis, 0, M3::ZAxis));
    EXPECT_EQ(r, caa(M3::YAxis, 0.7));
    // Turns about the moved axes: the product in the order of the triple, to the bit.
    r.setEuler(ZELEuler3D(0.1, M3::ZAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis));
    EXPECT_EQ(r, caa(M3::ZAxis, 0.1) * caa(M3::YAxis, 0.2) * caa(M3::ZAxis, 0.3));
    r.setEuler(ZELEuler3D(-1.1, M3::XAxis, 0.2, M3::YAxis, 2.3, M3::ZAxis));
    EXPECT_EQ(r, caa(M3::XAxis, -1.1) * caa(M3::YAxis, 0.2) * caa(M3::ZAxis, 2.3));
    r.setEuler(ZELEuler3D(kPi / 2, M3::XAxis, kPi / 2, M3::YAxis, 0, M3::ZAxis));
    EXPECT_EQ(r * ZELVector3D::UnitY, ZELVector3D::UnitZ);  // exact quarter turns
    EXPECT_EQ(r * ZELVector3D::UnitZ, ZELVector3D::UnitX);
    // Roll-pitch-yaw is the z-y-x triple (roll, pitch, yaw).
    r.setEuler(ZELEuler3D(0.3, M3::ZAxis, -0.7, M3::YAxis, 1.9, M3::XAxis));
    EXPECT_LT(maxDiff(r, general()), 1e-15);
    // The inverted triple gives the inverse rotation.
    ZELEuler3D e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    r.setEuler(e);
    e.invert();
    ZELRotate3D inv;
    inv.setEuler(e);
    EXPECT_LT(maxDiff(inv * r, ZELRotate3D::Identity), 1e-15);
}

TEST(Rotate3D, RotateAboutCoordinateAxisMatchesTheProducts) {
    const ZELRotate3D a = general();
    for (M3::AxisType k : {M3::XAxis, M3::YAxis, M3::ZAxis}) {
        for (double angle : {0.0, 0.6, -2.0, kPi / 2}) {
            ZELRotate3D world = a, local = a, worldB = a, localB = a;
            world.rotate(k, angle, M3::WorldFrame);
            local.rotate(k, angle, M3::LocalFrame);
            worldB.rotate(caa(k, angle), M3::WorldFrame);
            localB.rotate(caa(k, angle), M3::LocalFrame);
            EXPECT_EQ(world, caa(k, angle) * a) << k << " " << angle;
            EXPECT_EQ(local, a * caa(k, angle)) << k << " " << angle;
            EXPECT_EQ(worldB, world);
            EXPECT_EQ(localB, local);
        }
    }
    ZELRotate3D r = caa(M3::XAxis, kPi / 2);
    r.rotate(M3::ZAxis, kPi / 2, M3::WorldFrame);
    EXPECT_EQ(r, caa(M3::ZAxis, kPi / 2) * caa(M3::XAxis, kPi / 2));
    r = caa(M3::XAxis, kPi / 2);
    r.rotate(M3::ZAxis, kPi / 2, M3::LocalFrame);
    EXPECT_EQ(r, caa(M3::XAxis, kPi / 2) * caa(M3::ZAxis, kPi / 2));
}

TEST(Rotate3D, RotateByMatrixAndByAxisAngle) {
    const ZELRotate3D a = general();
    ZELRotate3D r = a;
    r.rotate(r, M3::WorldFrame);
    EXPECT_EQ(r, a * a);
    r = a;
    r.rotate(r, M3::LocalFrame);
    EXPECT_EQ(r, a * a);

    const ZELVector3D axis(0.2, 1, -0.3);
    ZELRotate3D q;
    q.setEAA(axis, 0.9);
    r = a;
    r.rotate(axis, 0.9, M3::WorldFrame);
    EXPECT_EQ(r, q * a);
    r = a;
    r.rotate(axis, 0.9, M3::LocalFrame);
    EXPECT_EQ(r, a * q);
    r = a;
    r.rotate(ZELVector3D(), 0.0, M3::LocalFrame);
    EXPECT_EQ(r, a * ZELRotate3D::Identity);

    // A zero axis throws before the frame is looked at, and the matrix is unchanged.
    AssertRecorder rec;
    r = a;
    EXPECT_THROW(r.rotate(ZELVector3D(), 0.5, static_cast<M3::ReferenceFrame>(2)), ZELEZeroVector);
    EXPECT_EQ(r, a);
    EXPECT_TRUE(rec.take().empty());
}

TEST(Rotate3D, RotateAssertsOnInvalidFrame) {
    AssertRecorder rec;
    const ZELRotate3D a = general();
    const auto bad = static_cast<M3::ReferenceFrame>(2);
    ZELRotate3D r = a;
    r.rotate(M3::ZAxis, 0.5, bad);
    r.rotate(ZELVector3D(1, 0, 0), 0.5, bad);
    r.rotate(caa(M3::XAxis, 0.5), bad);
    r.rotate(M3::XAxis, 0.5, static_cast<M3::ReferenceFrame>(-1));
    EXPECT_EQ(r, a);
    const auto reports = rec.take();
    ASSERT_EQ(reports.size(), 4u);
    const int lines[] = {802, 828, 851, 802};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].category, "Software");
        EXPECT_EQ(reports[i].message, "Invalid reference frame");
        EXPECT_EQ(reports[i].file, "publicinterfaces/ZELRotate3D");
        EXPECT_EQ(reports[i].line, lines[i]);
    }
}

TEST(Rotate3D, OutOfRangeAxisStaysInsideTheMatrix) {
    // Not a valid call, but it must not read or write outside the nine scalars.
    ZELRotate3D r = general();
    r.rotate(static_cast<M3::AxisType>(-7), 0.5, M3::WorldFrame);
    r.rotate(static_cast<M3::AxisType>(2147483647), 0.5, M3::LocalFrame);
    r.setEuler(ZELEuler3D(0.1, static_cast<M3::AxisType>(-4), 0.2, static_cast<M3::AxisType>(9), 0.3, M3::ZAxis));
    EXPECT_NEAR(r.det(), 1.0, 1e-14);
}

TEST(Rotate3D, MathMatrixConversions) {
    const ZELRotate3D r = caa(M3::ZAxis, kPi / 2);
    ZELMathMatrix m(4, 4, 9.0);
    r.get(m, false);
    EXPECT_EQ(m(0, 1), -1);
    EXPECT_EQ(m(1, 0), 1);
    EXPECT_EQ(m(2, 2), 1);
    EXPECT_EQ(m(3, 3), 9);  // elements outside the 3 by 3 block are left alone
    EXPECT_EQ(m(0, 3), 9);
    ZELRotate3D back(M3::Uninitialized);
    back.set(m, false);  // a larger matrix: the extra row and column are ignored
    EXPECT_EQ(back, r);
    r.get(m, true);
    EXPECT_EQ(m(1, 0), -1);
    EXPECT_EQ(ZELRotate3D(m, true), r);

    const ZELMathMatrix full = general().toZELBasicMathMatrix();
    ASSERT_EQ(full.rows(), 3u);
    ASSERT_EQ(full.cols(), 3u);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(full(i, j), at(general(), i, j));

    // A skewed matrix comes out orthonormal, keeping the direction of its first column.
    const double skewed[] = {2, 0.3, 0.1, 0.1, 3, -0.4, -0.2, 0.2, 4};
    const ZELRotate3D o(ZELMathMatrix(skewed, 3, 3), false);
    EXPECT_LT(maxDiff(o * transposeOf(o), ZELRotate3D::Identity), 4 * kEps);
    EXPECT_EQ(o(M3::NDirection), ZELVector3D(2, 0.1, -0.2) / std::sqrt(4.05));
    // The transposed flag reads the rows as columns.
    const ZELRotate3D ot(ZELMathMatrix(skewed, 3, 3), true);
    EXPECT_EQ(ot(M3::NDirection), ZELVector3D(2, 0.3, 0.1) / std::sqrt(4.1));
}

std::string field(const std::string& s) { return std::string(14 - s.size(), ' ') + s + " "; }

TEST(Rotate3D, TextShowsTheMatrixNotItsTranspose) {
    std::ostringstream os;
    os << caa(M3::ZAxis, kPi / 2);
    EXPECT_EQ(os.str(), "3X3:\n[\n" + field("0") + field("-1") + field("0") + "\n" + field("1") + field("0") +
                            field("0") + "\n" + field("0") + field("0") + field("1") + "\n]\n");
}

}  // namespace
