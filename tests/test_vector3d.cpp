// The 3-vector and the cleaned sine and cosine.
#include "OrientationTestUtil.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <sstream>
#include <type_traits>
#include <vector>

using namespace testutil;

namespace {

void expectExact(const V& v, double x, double y, double z) {
    EXPECT_EQ(v.x(), x);
    EXPECT_EQ(v.y(), y);
    EXPECT_EQ(v.z(), z);
}

TEST(Vector3D, StoresThreeScalarsAndExposesThemEveryWay) {
    static_assert(sizeof(V) == 3 * sizeof(double) && std::is_trivially_copyable<V>::value, "");
    static_assert(!std::is_convertible<double, V>::value, "a scalar must not turn into a vector");
    expectExact(V::UnitZ + V::UnitX + V::UnitY + V::Zero, 1, 1, 1);
    const double p[] = {1, 2, 3, 4, 5};
    V v(p);
    v[std::size_t(1)] = 5;
    v(M3::ZCoord) = 6;
    const V& cv = v;
    EXPECT_EQ(std::vector<double>(cv.rbegin(), cv.rend()), (std::vector<double>{6, 5, 1}));
    V w(2.5);
    v.swap(w);
    expectExact(w, 1, 5, 6);
    expectExact(v, 2.5, 2.5, 2.5);
    const ZELMathVector m = V(1, 2.5, -3);
    EXPECT_TRUE(m.length() == 3u && m[1] == 2.5);
    expectExact(V(ZELMathVector(p, 5)), 1, 2, 3);
    std::ostringstream os;
    os << V::UnitX << V(1, 2.5, -3) << V(kNaN, 0.0, -0.0);
    EXPECT_EQ(os.str(), "[ 1  0  0  ]\n[ 1  2.5  -3  ]\n[ NaN   0  -0  ]\n");
}

TEST(Vector3D, ArithmeticIsComponentwiseUnderIeeeRules) {
    const V v(1, 2, 3);
    expectExact(2.0 - v, 1, 0, -1);
    expectExact(6.0 / v, 6, 3, 2);
    expectExact(v * 2 - 1.0, 1, 3, 5);  // an int scalar converts
    expectExact(v * v + v, 2, 6, 12);
    expectExact(v / V(1, -1, 0), 1, -2, kInf);
    EXPECT_TRUE(std::isnan((V() / 0.0).x()));
    EXPECT_TRUE(std::signbit((-V()).x()));
    V w(v);
    expectExact(w++, 1, 2, 3);
    expectExact(w, 2, 3, 4);
    expectExact(--w, 1, 2, 3);
    expectExact(w--, 1, 2, 3);
    w += v;
    w *= 2.0;
    w -= V(1);
    w /= V(1, 2, 3);
    w -= 1.0;
    w /= 0.5;
    w += 1.0;
    expectExact(w, 1, 4, 5);
    const V withNaN(1, kNaN, 3);
    EXPECT_TRUE(!(withNaN == withNaN) && withNaN != withNaN);
}

TEST(Vector3D, ProductsAndNormsFollowTheirFormulas) {
    EXPECT_EQ(ZELCross(V::UnitX, V::UnitY), V::UnitZ);
    expectExact(ZELCross(V(1, 2, 3), V(4, 5, 6)), -3, 6, -3);
    const V v(-3, 2, 3);
    EXPECT_TRUE(ZELLinfNorm(v) == 3 && ZELL1Norm(v) == 8 && ZELSum(v) == 2 &&
                ZELAbs(v) == V(3, 2, 3));
    EXPECT_TRUE(ZELL2NormSqr(V(1, 2, 2)) == 9 && ZELL2Norm(V(1, 2, 2)) == 3);
    // The infinity norm passes over a NaN in y or z, not in x.
    EXPECT_EQ(ZELLinfNorm(V(1, kNaN, -2)), 2);
    EXPECT_TRUE(std::isnan(ZELLinfNorm(V(kNaN, 1, 2))));
    // The double dot product sums (x + y) + z like the generic one.
    std::mt19937_64 gen(3);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    for (int i = 0; i < 1000; ++i) {
        const V a(u(gen), u(gen), u(gen)), b(u(gen), u(gen), u(gen));
        ASSERT_EQ(ZELDot(a, b), (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]);
        ASSERT_EQ(ZELDot(a, b), ZELDot<double>(a, b));
    }
}

TEST(Vector3D, NearComparisonsMeasureTheInfinityNormOfTheDifference) {
    const V a(1, 1, 1), b(1, 1, 1.05);
    EXPECT_TRUE(ZELNearAbs(a, b, 0.1) && !ZELNearAbs(a, b, 0.01));
    EXPECT_TRUE(!ZELNearAbs(a, b, 0.0) &&
                ZELNearAbs(a, a, -1.0));  // a tolerance <= 0: exact equality
    EXPECT_TRUE(ZELNearRel(V(100, 0, 0), V(101, 0, 0), 0.01) &&
                !ZELNearRel(V(1, 0, 0), V(2, 0, 0), 0.4));
    EXPECT_TRUE(ZELNearRel(V(), V(), 1e-12) && ZELNearRel(a, a, 0.0) && !ZELNearRel(a, b, 0.0));
    EXPECT_TRUE(!ZELNearAbs(a, a, kNaN) && !ZELNearRel(a, a, kNaN));  // a NaN tolerance: never near
    EXPECT_TRUE(ZELNearAbs(V(0, kNaN, 0), V(), 0.5));   // a NaN in y is passed over...
    EXPECT_FALSE(ZELNearAbs(V(kNaN, 0, 0), V(), 0.5));  // ...one in x is not
    EXPECT_FALSE(ZELNearAbs(V(0, kNaN, 0), V(0, kNaN, 0), 0.0));
}

TEST(Vector3D, NormalizeGivesAUnitVectorOrThrowsAndKeepsTheValue) {
    V v(3, 0, 4);
    v.normalize();
    expectExact(v, 0.6, 0, 0.8);
    for (const V& tiny : {V(), V(0, kEps, 0), V(4.9e-324, 0, 0), V(1e-17, -1e-17, 1e-17)}) {
        V t = tiny;
        try {
            t.normalize();
            ADD_FAILURE() << "no exception";
        } catch (const ZELEZeroVector& e) {
            EXPECT_EQ(e.message(), L"The vector has zero length");
            EXPECT_EQ(e.file(), "publicinterfaces/ZELVector3D");
        }
        EXPECT_EQ(t, tiny);
    }
    // Just above epsilon, and components whose squares overflow, still give unit vectors;
    // NaN and infinite components are not caught: IEEE arithmetic decides.
    const double big = std::numeric_limits<double>::max();
    V small(0, 2 * kEps, 0), huge(0, -7e182, 0), maxed(big, -big, 0), nan(1, kNaN, 0),
        inf(kInf, 1, 0);
    for (V* u : {&small, &huge, &maxed, &nan, &inf}) u->normalize();
    expectExact(small, 0, 1, 0);
    expectExact(huge, 0, -1, 0);
    expectExact(maxed, 1 / std::sqrt(2.0), -1 / std::sqrt(2.0), 0);
    EXPECT_TRUE(std::isnan(nan.x()) && std::isnan(nan.z()) && std::isnan(inf.x()) &&
                inf.y() == 0.0);
}

TEST(Vector3D, CleanedSinesMakeQuarterTurnsOfTheCoordinatesExact) {
    double s, c;
    ZELCleanSinCos(kPi / 2, s, c);
    EXPECT_TRUE(s == 1.0 && c == 0.0);
    ZELCleanSinCos(kPi, s, c);
    EXPECT_TRUE(s == 0.0 && !std::signbit(s) && c == -1.0);
    ZELCleanSinCos(kEps, s, c);  // the sine is tested first and cleared
    EXPECT_TRUE(s == 0.0 && c == 1.0);
    ZELCleanSinCos(4 * kEps, s, c);
    EXPECT_EQ(s, std::sin(4 * kEps));

    V v;
    v.setSpherical(kPi / 2, kPi / 2, 2);
    expectExact(v, 0, 2, 0);
    v.setSpherical(0.3, 0.4, 2);
    expectExact(v, (std::cos(0.3) * 2) * std::sin(0.4), (std::sin(0.3) * 2) * std::sin(0.4),
                std::cos(0.4) * 2);
    v.setCylindrical(kPi / 2, 2, 5);
    expectExact(v, 0, 2, 5);
    double theta, phi, r;
    // The one-argument arctangent: (-1, 0, 0) gives theta -0 rather than pi, phi pi/2 from 1/0.
    V(-1, 0, 0).getSpherical(theta, phi, r);
    EXPECT_TRUE(theta == 0 && std::signbit(theta) && phi == kPi / 2 && r == 1);
    double rho, z;
    V(3, 4, -7).getCylindrical(theta, rho, z);
    EXPECT_TRUE(theta == std::atan(4.0 / 3.0) && rho == 5 && z == -7);
}

TEST(Vector3D, LerpHoldsTheEndsAndMayWriteIntoAnOperand) {
    const V a(1, 2, 3), b(5, -2, 7);
    V r;
    V::lerp(r, -0.5, a, b);
    EXPECT_EQ(r, a);
    V::lerp(r, 1.5, a, b);
    EXPECT_EQ(r, b);
    V::lerp(r, 0.25, a, b);
    expectExact(r, 2, 1, 4);
    V x = a, y = b;  // the result may be an operand
    V::lerp(x, 0.5, x, b);
    V::lerp(y, 0.5, a, y);
    expectExact(x, 3, 0, 5);
    EXPECT_EQ(y, x);
}

}  // namespace
