// The rotation matrix: storage, products, normalisation and the conversions it builds itself.
// Invalid frames and axes are covered for all three orientation types in test_xform3d.cpp.
#include "OrientationTestUtil.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

using namespace testutil;

namespace {

double at(const R3& r, int row, int col) {
    return r(static_cast<M3::DirectionIndex>(col), static_cast<M3::CoordinateIndex>(row));
}
R3 transposeOf(R3 r) {
    r.invert();
    return r;
}
/// Exactly these columns, without the normalisation every public setter applies.
R3 rawMatrix(const V& n, const V& s, const V& a) {
    static_assert(std::is_standard_layout<R3>::value && sizeof(R3) == 9 * sizeof(double), "");
    const double flat[9] = {n[0], n[1], n[2], s[0], s[1], s[2], a[0], a[1], a[2]};
    R3 r;
    std::memcpy(static_cast<void*>(&r), flat, sizeof flat);
    return r;
}
R3 fromColumns(const V& n, const V& s, const V& a) { return built(&R3::setNSA, n, s, a); }
bool hasColumns(const R3& r, const V& n, const V& s, const V& a) {
    return r(M3::NDirection) == n && r(M3::SDirection) == s && r(M3::ADirection) == a;
}

TEST(Rotate3D, QuarterTurnsAreExactAndRawAccessKeepsRowsAndColumnsApart) {
    EXPECT_TRUE(R3() == R3::Identity && R3::Identity.det() == 1.0);
    EXPECT_TRUE(R3::DetTolerance == 0.5 && R3::ZeroTolerance == 100 * kEps);
    const R3 r = rot(M3::ZAxis, kPi / 2);
    EXPECT_TRUE(hasColumns(r, V(0, 1, 0), V(-1, 0, 0), V(0, 0, 1)));
    EXPECT_TRUE(hasColumns(rot(M3::XAxis, kPi), V(1, 0, 0), V(0, -1, 0), V(0, 0, -1)));
    EXPECT_TRUE(rot(M3::XAxis, kPi / 2) * V::UnitY == V::UnitZ &&
                rot(M3::YAxis, kPi / 2) * V::UnitZ == V::UnitX);
    EXPECT_TRUE(rpy(kPi / 2, 0, 0) * V::UnitX == V::UnitY &&
                rpy(0, kPi / 2, 0) * V::UnitZ == V::UnitX &&
                rpy(0, 0, kPi / 2) * V::UnitY == V::UnitZ);
    double m[3][3], mt[3][3];
    double* rows[] = {m[0], m[1], m[2]};
    double* rowsT[] = {mt[0], mt[1], mt[2]};
    r.get(rows, false);
    r.get(rowsT, true);
    EXPECT_TRUE(m[0][1] == -1 && m[1][0] == 1 && mt[1][0] == -1 && mt[0][1] == 1);
    const double* crowsT[] = {mt[0], mt[1], mt[2]};
    EXPECT_TRUE(R3(crowsT, true) == r && R3(rows, false) == r);
    ZELMathMatrix mm(4, 4, 9.0);
    r.get(mm, false);
    EXPECT_TRUE(mm(0, 1) == -1 && mm(3, 3) == 9 &&
                mm(0, 3) == 9);   // only the 3 by 3 block is written
    EXPECT_EQ(R3(mm, false), r);  // extra rows and columns are ignored
    r.get(mm, true);
    EXPECT_TRUE(R3(mm, true) == r && mm(1, 0) == -1 && r.toZELBasicMathMatrix()(0, 1) == -1);
    std::ostringstream os;
    os << r;
    auto f = [](const std::string& s) { return std::string(14 - s.size(), ' ') + s + " "; };
    EXPECT_EQ(os.str(),
              "3X3:\n[\n" + f("0") + f("-1") + f("0") + "\n" + f("1") + f("0") + f("0") + "\n" +
                  f("0") + f("0") + f("1") + "\n]\n");
}

TEST(Rotate3D, EveryProductFormSumsInTheSameOrderAndAcceptsItsOwnObject) {
    const R3 a = general(), b = rot(M3::XAxis, 0.4);
    // The product summed column by column as a(r,0)*b(0,c) + a(r,1)*b(1,c) + a(r,2)*b(2,c).
    V cols[3];
    for (int c = 0; c < 9; ++c)
        cols[c / 3][c % 3] = at(a, c % 3, 0) * at(b, 0, c / 3) + at(a, c % 3, 1) * at(b, 1, c / 3) +
            at(a, c % 3, 2) * at(b, 2, c / 3);
    const R3 ab = rawMatrix(cols[0], cols[1], cols[2]);
    EXPECT_TRUE(a * b == ab && a * b != b * a);
    EXPECT_EQ(a / transposeOf(b), ab);
    R3 r, pre = a, post = a, times = a, div = a * b;
    R3::multiply(r, a, b);
    EXPECT_EQ(r, ab);
    R3::divide(r, ab, b);
    pre.preMultiply(b);
    post.postMultiply(b);
    times *= b;
    div /= b;
    EXPECT_TRUE(pre == b * a && post == ab && times == ab && div == r && r == ab * transposeOf(b));
    R3 s1 = a, s2 = a, s3 = a, s4 = a;
    s1 *= s1;
    s2.preMultiply(s2);
    s3.postMultiply(s3);
    const R3& self4 = s4;  // the same object through another name
    s4 /= self4;
    EXPECT_TRUE(s1 == a * a && s2 == a * a && s3 == a * a && maxDiff(s4, R3::Identity) < 1e-15);
    R3 twice = a;
    twice.invert();
    EXPECT_EQ(twice * V(1, 2, 3),
              V(ZELDot(a(M3::NDirection), V(1, 2, 3)), ZELDot(a(M3::SDirection), V(1, 2, 3)),
                ZELDot(a(M3::ADirection), V(1, 2, 3))));
    twice.invert();
    EXPECT_EQ(twice, a);
    const V v(0.5, -2, 3);
    V out, w = v;
    R3::multiply(out, a, v);
    a.rotateVec(w);
    EXPECT_EQ(out,
              V(at(a, 0, 0) * v[0] + at(a, 0, 1) * v[1] + at(a, 0, 2) * v[2],
                at(a, 1, 0) * v[0] + at(a, 1, 1) * v[1] + at(a, 1, 2) * v[2],
                at(a, 2, 0) * v[0] + at(a, 2, 1) * v[1] + at(a, 2, 2) * v[2]));
    EXPECT_TRUE(a * v == out && w == out);
    const R3 nan = rawMatrix(V::UnitX, V(0, kNaN, 0), V::UnitZ);
    EXPECT_TRUE(!(nan == nan) && nan != nan);
}

TEST(Rotate3D, NormalizeIsOnePassOfClassicalGramSchmidtWithTheIdentityAsFallback) {
    EXPECT_EQ(fromColumns(V(2, 0, 0), V(1, 3, 0), V(1, 1, 5)), R3::Identity);
    for (const V& n : {V(), V(1e-8, 0, 0)})  // squared lengths are compared with epsilon
        EXPECT_EQ(fromColumns(n, V(0, 1, 0), V(0, 0, 1)), R3::Identity);
    EXPECT_EQ(fromColumns(V(1, 0, 0), V(1, 0, 0), V(0, 0, 1)), R3::Identity);
    EXPECT_EQ(fromColumns(V(1, 0, 0), V(0, 1, 0), V(1, 1, 0)), R3::Identity);
    EXPECT_TRUE(hasColumns(fromColumns(V(-1e-7, 0, 0), V(0, 1, 0), V(0, 0, 1)), V(-1, 0, 0),
                           V(0, 1, 0), V(0, 0, 1)));
    EXPECT_EQ(fromColumns(V(1, 0, 0), V(0, 1, 0), V(0, 0, -1)).det(), -1.0);  // handedness is kept
    // A skewed frame: every column by the classical rule, both projections of A taken from A.
    const V n(2, 0.1, -0.2), s(0.3, 3, 0.2), a(0.1, -0.4, 4);
    const V u2 = s - (ZELDot(s, n) / ZELL2NormSqr(n)) * n;
    const V u3 = a - (ZELDot(a, n) / ZELL2NormSqr(n)) * n - (ZELDot(a, u2) / ZELL2NormSqr(u2)) * u2;
    const R3 skew = fromColumns(n, s, a);
    EXPECT_TRUE(hasColumns(skew, n / std::sqrt(ZELL2NormSqr(n)), u2 / std::sqrt(ZELL2NormSqr(u2)),
                           u3 / std::sqrt(ZELL2NormSqr(u3))));
    EXPECT_LT(maxDiff(skew * transposeOf(skew), R3::Identity), 4 * kEps);
    const double cols[9] = {2, 0.1, -0.2, 0.3, 3, 0.2, 0.1, -0.4, 4};
    EXPECT_EQ(R3(ZELMathMatrix(cols, 3, 3), true),
              skew);  // the transposed flag reads rows as columns
    for (double bad : {kNaN, kInf, -kInf, 1e300, 4.9e-324}) {  // non-finite entries: no crash
        const double row0[3] = {bad, 0, 0}, row1[3] = {0, 1, bad}, row2[3] = {0, 0, 1};
        const double* rows[3] = {row0, row1, row2};
        R3 r(rows, false);
        r.rpy();
        r *= r;
    }
}

TEST(Rotate3D, AxisAngleSettersBuildTheRightHandedRotation) {
    R3 r = general();
    EXPECT_THROW(r.setEAA(V(), 1.0), ZELEZeroVector);
    EXPECT_EQ(r, general());
    r.setEAA(V(), -0.0);  // a zero angle never looks at the axis
    EXPECT_EQ(r, R3::Identity);
    for (const V& z : {V(0, 0, 2), V(0, 0, 1e200)})
        EXPECT_EQ(built(&R3::setEAA, z, kPi / 2), rot(M3::ZAxis, kPi / 2));
    const V axis(1, -2, 0.5);
    r.setEAA(axis, 0.8);
    EXPECT_LT(ZELLinfNorm(r * axis - axis), 1e-15);  // the axis stays fixed
    EXPECT_LT(maxDiff(built(&R3::setEAA, axis, 0.4) * built(&R3::setEAA, axis, 0.4), r), 1e-15);
    for (M3::AxisType k : {M3::XAxis, M3::YAxis, M3::ZAxis}) {
        V u;
        u[static_cast<std::size_t>(k)] = 3;
        EXPECT_LT(maxDiff(built(&R3::setEAA, u, -1.1), rot(k, -1.1)), 1e-15);
    }
    r.setEAA(V(kNaN, 0, 1), 1.0);  // a NaN axis gives NaN entries and nothing else
    EXPECT_FALSE(r == r);
}

// The selection rule of getRPY written out plainly: both candidates, compared by their squared
// norms. getRPY must agree with it to the bit, whatever shortcut it takes.
std::array<double, 3> referenceRPY(const R3& r) {
    auto R = [&](int row, int col) { return at(r, row, col); };
    if (std::fabs(R(0, 0)) < R3::ZeroTolerance && std::fabs(R(1, 0)) < R3::ZeroTolerance)
        return {0, std::atan2(-R(2, 0), 0.0), std::atan2(-R(1, 2), R(1, 1))};
    V cand[2];
    const double phis[2] = {std::atan2(R(1, 0), R(0, 0)), std::atan2(-R(1, 0), -R(0, 0))};
    for (int i = 0; i < 2; ++i) {
        double s, c;
        ZELCleanSinCos(phis[i], s, c);
        cand[i] = V(phis[i], std::atan2(-R(2, 0), s * R(1, 0) + c * R(0, 0)),
                    std::atan2(s * R(0, 2) - c * R(1, 2), c * R(1, 1) - s * R(0, 1)));
    }
    const V& best = ZELL2NormSqr(cand[1]) < ZELL2NormSqr(cand[0]) ? cand[1] : cand[0];
    return {best[0], best[1], best[2]};
}

void expectSameRPY(const R3& r) {
    const std::array<double, 3> expected = referenceRPY(r), got = r.rpy();
    ASSERT_EQ(std::memcmp(expected.data(), got.data(), sizeof expected), 0)
        << got[0] << " " << got[1] << " " << got[2] << " vs " << expected[0] << " " << expected[1]
        << " " << expected[2];
}

TEST(Rotate3D, GetRPYAgreesWithThePlainRuleToTheBitEvenForNonRotations) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> angle(-kPi, kPi), unit(-1, 1), wide(-5, 5),
        tiny(-2e-15, 2e-15);
    for (int i = 0; i < 20000; ++i) {
        expectSameRPY(rpy(angle(gen), angle(gen), angle(gen)));
        // Triples whose L1 norm lies at or next to 3 pi / 2, where the two candidates tie.
        const double a = angle(gen) / 2, b = angle(gen) / 2;
        const double c = 1.5 * kPi - std::fabs(a) - std::fabs(b) + tiny(gen);
        expectSameRPY(rpy(a, b, std::fabs(c) <= kPi ? c : kPi));
        expectSameRPY(rpy(a, kPi - b, -c));
        double m[9];
        for (double& x : m) x = (i % 2) ? wide(gen) : unit(gen);
        expectSameRPY(rawMatrix(V(m), V(m + 3), V(m + 6)));
    }
    for (const R3& r : {rawMatrix(V(kNaN, 0, 0), V(0, 1, 0), V(0, 0, 1)),
                        rawMatrix(V(1, 0, 0), V(0, kNaN, 0), V(0, 0, 1)),
                        rawMatrix(V(kInf, 1, -kInf), V(0, 1, 0), V(0, 0, 1)),
                        rawMatrix(V(1, 0, 0), V(0, 1e300, 0), V(0, 0, 1)),
                        rpy(0.0, kPi / 2 - 50 * kEps, 0.2), rpy(0.3, -kPi / 2, 0.2)})
        expectSameRPY(r);
    // The singular branch, and the smaller of the two triples even beyond pitch pi/2.
    double roll, pitch, yaw;
    rpy(0.3, kPi / 2, 0.2).getRPY(roll, pitch, yaw);
    EXPECT_TRUE(roll == 0.0 && pitch == kPi / 2 && std::fabs(yaw - (0.2 - 0.3)) < 1e-15);
    rpy(2.5, 0.2, 2.6).getRPY(roll, pitch, yaw);
    EXPECT_LT(ZELLinfNorm(V(roll, pitch, yaw) - V(2.5 - kPi, kPi - 0.2, 2.6 - kPi)), 1e-14);
    rpy(0.5, 2.8, 0.4).getRPY(roll, pitch, yaw);
    EXPECT_LT(ZELLinfNorm(V(roll, pitch, yaw) - V(0.5, 2.8, 0.4)), 1e-14);
}

TEST(Rotate3D, EulerTriplesMultiplyTheirAxisRotationsInOrder) {
    R3 r = general();
    r.setEuler(E3());
    EXPECT_EQ(r, R3::Identity);
    r.setEuler(E3(0.7, M3::ZAxis, 0, M3::YAxis, 0, M3::ZAxis));
    EXPECT_EQ(r, rot(M3::ZAxis, 0.7));
    r.setEuler(E3(0.1, M3::ZAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis));
    EXPECT_EQ(r, rot(M3::ZAxis, 0.1) * rot(M3::YAxis, 0.2) * rot(M3::ZAxis, 0.3));
    r.setEuler(E3(-1.1, M3::XAxis, 0.2, M3::YAxis, 2.3, M3::ZAxis));
    EXPECT_EQ(r, rot(M3::XAxis, -1.1) * rot(M3::YAxis, 0.2) * rot(M3::ZAxis, 2.3));
    r.setEuler(E3(0.3, M3::ZAxis, -0.7, M3::YAxis, 1.9, M3::XAxis));  // roll, pitch, yaw is z-y-x
    EXPECT_LT(maxDiff(r, general()), 1e-15);
}

TEST(Rotate3D, FrameRelativeRotationsEqualTheProductsInTheirOrder) {
    const R3 a = general();
    for (M3::AxisType k : {M3::XAxis, M3::YAxis, M3::ZAxis}) {
        V axis;
        axis[static_cast<std::size_t>(k)] = 2;
        for (double angle : {0.0, 0.6, -2.0, kPi / 2}) {
            const R3 inc = rot(k, angle), q = built(&R3::setEAA, axis, angle);
            R3 world = a, local = a, worldB = a, localB = a, worldV = a, localV = a;
            world.rotate(k, angle, M3::WorldFrame);
            local.rotate(k, angle, M3::LocalFrame);
            worldB.rotate(inc, M3::WorldFrame);
            localB.rotate(inc, M3::LocalFrame);
            worldV.rotate(axis, angle, M3::WorldFrame);
            localV.rotate(axis, angle, M3::LocalFrame);
            EXPECT_TRUE(world == inc * a && worldB == inc * a && worldV == q * a);
            EXPECT_TRUE(local == a * inc && localB == a * inc && localV == a * q);
        }
    }
    R3 self = a;
    self.rotate(self, M3::LocalFrame);
    EXPECT_EQ(self, a * a);
}

}  // namespace
