#include "foundation/ZELException.h"
#include "publicinterfaces/ZELCleanSinCos.h"
#include "publicinterfaces/ZELVector3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <type_traits>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kEps = std::numeric_limits<double>::epsilon();

void expectExact(const ZELVector3D& v, double x, double y, double z) {
    EXPECT_EQ(v[0], x);
    EXPECT_EQ(v[1], y);
    EXPECT_EQ(v[2], z);
}

TEST(Math3D, EnumerationValuesAndUnderlyingType) {
    static_assert(std::is_same<std::underlying_type_t<ZELMath3D::AxisType>, int>::value, "");
    static_assert(std::is_same<std::underlying_type_t<ZELMath3D::ReferenceFrame>, int>::value, "");
    static_assert(std::is_same<std::underlying_type_t<ZELMath3D::DirectionIndex>, int>::value, "");
    static_assert(ZELMath3D::XAxis == 0 && ZELMath3D::YAxis == 1 && ZELMath3D::ZAxis == 2, "");
    static_assert(ZELMath3D::WorldFrame == 0 && ZELMath3D::LocalFrame == 1, "");
    static_assert(ZELMath3D::NDirection == 0 && ZELMath3D::SDirection == 1 && ZELMath3D::ADirection == 2, "");
    static_assert(ZELMath3D::XCoord == 0 && ZELMath3D::ZCoord == 2 && ZELMath3D::Uninitialized == 0, "");
    static_assert(std::is_empty<ZELMath3D>::value, "");
    static_assert(sizeof(ZELVector3D) == 3 * sizeof(double), "");
    static_assert(std::is_trivially_copyable<ZELVector3D>::value, "");
}

TEST(CleanSinCos, QuarterAndHalfTurnsAreExact) {
    double s, c;
    ZELCleanSinCos(kPi / 2, s, c);
    EXPECT_EQ(s, 1.0);
    EXPECT_EQ(c, 0.0);
    ZELCleanSinCos(kPi, s, c);
    EXPECT_EQ(s, 0.0);
    EXPECT_FALSE(std::signbit(s));
    EXPECT_EQ(c, -1.0);
    // -0 gives +0, and the sine is cleared when tiny even though the cosine is 1.
    ZELCleanSinCos(-0.0, s, c);
    EXPECT_FALSE(std::signbit(s));
    EXPECT_EQ(c, 1.0);
    ZELCleanSinCos(kEps, s, c);
    EXPECT_EQ(s, 0.0);
    // Just above the threshold nothing is cleared.
    ZELCleanSinCos(4 * kEps, s, c);
    EXPECT_EQ(s, std::sin(4 * kEps));
}

TEST(Vector3D, ConstructionAccessAndIterators) {
    expectExact(ZELVector3D::UnitY, 0, 1, 0);
    expectExact(ZELVector3D::UnitZ + ZELVector3D::UnitX + ZELVector3D::Zero, 1, 0, 1);
    expectExact(ZELVector3D(2.5), 2.5, 2.5, 2.5);
    const double p[] = {1, 2, 3, 4};
    ZELVector3D v(p);
    v[std::size_t(1)] = 5;
    v(ZELMath3D::ZCoord) = 6;
    expectExact(v, 1, 5, 6);
    static_assert(!std::is_convertible<double, ZELVector3D>::value, "a scalar must not convert implicitly");

    const ZELVector3D& cv = v;
    EXPECT_EQ(std::vector<double>(cv.rbegin(), cv.rend()), (std::vector<double>{6, 5, 1}));
    for (double& e : v) e *= 2;
    ZELVector3D w(-1, -2, -3);
    v.swap(w);
    expectExact(v, -1, -2, -3);
    expectExact(w, 2, 10, 12);
    v.swap(v);
    expectExact(v, -1, -2, -3);
}

TEST(Vector3D, Arithmetic) {
    const ZELVector3D v(1, 2, 3);
    expectExact(2.0 - v, 1, 0, -1);
    expectExact(6.0 / v, 6, 3, 2);
    expectExact(v - 1.0, 0, 1, 2);
    expectExact(v * 2, 2, 4, 6);  // an int scalar converts
    expectExact(v + ZELVector3D(1, 1, 1), 2, 3, 4);
    expectExact(v * v, 1, 4, 9);
    const ZELVector3D q = v / ZELVector3D(1, 2, 0);
    EXPECT_EQ(q[0], 1);
    EXPECT_TRUE(std::isinf(q[2]));
    expectExact(-v, -1, -2, -3);
    EXPECT_TRUE(std::signbit((-ZELVector3D())[0]));

    ZELVector3D w(v);
    const ZELVector3D old = w++;
    expectExact(old, 1, 2, 3);
    expectExact(w, 2, 3, 4);
    expectExact(--w, 1, 2, 3);
    expectExact(w--, 1, 2, 3);
    expectExact(w, 0, 1, 2);
    w += v;
    w *= 2.0;
    w -= ZELVector3D(1);
    w /= ZELVector3D(1, 2, 3);
    expectExact(w, 1, 2.5, 3);

    const ZELVector3D withNaN(1, kNaN, 3);
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_TRUE(withNaN != withNaN);
}

TEST(Vector3D, ProductsAndNorms) {
    EXPECT_EQ(ZELCross(ZELVector3D::UnitX, ZELVector3D::UnitY), ZELVector3D::UnitZ);
    expectExact(ZELCross(ZELVector3D(1, 2, 3), ZELVector3D(4, 5, 6)), -3, 6, -3);
    EXPECT_EQ(ZELDot(ZELVector3D::UnitX, ZELVector3D::UnitY), 0);
    EXPECT_EQ(ZELDot(ZELVector3D(1, 2, 3), ZELVector3D(4, 5, 6)), 32);

    const ZELVector3D v(-3, 2, 3);
    EXPECT_EQ(ZELLinfNorm(v), 3);
    EXPECT_EQ(ZELL1Norm(v), 8);
    EXPECT_EQ(ZELSum(v), 2);
    expectExact(ZELAbs(v), 3, 2, 3);
    EXPECT_EQ(ZELL2NormSqr(ZELVector3D(1, 2, 2)), 9);
    EXPECT_EQ(ZELL2Norm(ZELVector3D(1, 2, 2)), 3);

    // The double overload of the dot product sums in the same order as the generic one.
    std::mt19937_64 gen(3);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    for (int i = 0; i < 1000; ++i) {
        const ZELVector3D a(u(gen), u(gen), u(gen)), b(u(gen), u(gen), u(gen));
        ASSERT_EQ(ZELDot(a, b), (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]);
        ASSERT_EQ(ZELDot(a, b), ZELDot<double>(a, b));
    }

    // The infinity norm passes over a NaN in y or z, but not in x.
    EXPECT_EQ(ZELLinfNorm(ZELVector3D(1, kNaN, -2)), 2);
    EXPECT_TRUE(std::isnan(ZELLinfNorm(ZELVector3D(kNaN, 1, 2))));
}

TEST(Vector3D, NearComparisons) {
    const ZELVector3D a(1, 1, 1), b(1, 1, 1.05);
    EXPECT_TRUE(ZELNearAbs(a, b, 0.1));
    EXPECT_FALSE(ZELNearAbs(a, b, 0.01));
    EXPECT_FALSE(ZELNearAbs(a, b, 0.0));
    EXPECT_TRUE(ZELNearAbs(a, a, -1.0));
    EXPECT_FALSE(ZELNearAbs(a, a, kNaN));

    EXPECT_TRUE(ZELNearRel(ZELVector3D(100, 0, 0), ZELVector3D(101, 0, 0), 0.01));
    EXPECT_FALSE(ZELNearRel(ZELVector3D(1, 0, 0), ZELVector3D(2, 0, 0), 0.4));
    EXPECT_TRUE(ZELNearRel(ZELVector3D(), ZELVector3D(), 1e-12));
    EXPECT_FALSE(ZELNearRel(ZELVector3D(1, 0, 0), ZELVector3D(1, 0, 0), kNaN));
    EXPECT_TRUE(ZELNearRel(ZELVector3D(1, 0, 0), ZELVector3D(1, 0, 0), 0.0));

    // The difference's infinity norm passes over a NaN in y, not in x.
    EXPECT_TRUE(ZELNearAbs(ZELVector3D(0, kNaN, 0), ZELVector3D(), 0.5));
    EXPECT_FALSE(ZELNearAbs(ZELVector3D(kNaN, 0, 0), ZELVector3D(), 0.5));
    // With a zero tolerance a NaN component is never equal.
    EXPECT_FALSE(ZELNearAbs(ZELVector3D(0, kNaN, 0), ZELVector3D(0, kNaN, 0), 0.0));
}

TEST(Vector3D, Normalize) {
    ZELVector3D v(3, 0, 4);
    v.normalize();
    expectExact(v, 0.6, 0, 0.8);

    ZELVector3D zero;
    try {
        zero.normalize();
        FAIL() << "expected ZELEZeroVector";
    } catch (const ZELEZeroVector& e) {
        EXPECT_EQ(e.message(), L"The vector has zero length");
        EXPECT_EQ(e.file(), "publicinterfaces/ZELVector3D");
        EXPECT_EQ(e.line(), 378);
    }
    expectExact(zero, 0, 0, 0);

    // A length exactly at epsilon still throws and keeps the value; a little more does not.
    ZELVector3D tiny(0, kEps, 0);
    EXPECT_THROW(tiny.normalize(), ZELERuntimeError);
    expectExact(tiny, 0, kEps, 0);
    ZELVector3D small(0, 2 * kEps, 0);
    small.normalize();
    expectExact(small, 0, 1, 0);

    ZELVector3D nan(kNaN, 0, 0);
    EXPECT_NO_THROW(nan.normalize());
    EXPECT_TRUE(std::isnan(nan[1]));
}

TEST(Vector3D, SphericalAndCylindricalCoordinates) {
    ZELVector3D v;
    v.setSpherical(kPi / 2, kPi / 2, 2);
    expectExact(v, 0, 2, 0);
    v.setSpherical(0, kPi / 2, 1);
    expectExact(v, 1, 0, 0);
    v.setSpherical(0.3, 0.4, 2);
    expectExact(v, (std::cos(0.3) * 2) * std::sin(0.4), (std::sin(0.3) * 2) * std::sin(0.4), std::cos(0.4) * 2);
    v.setCylindrical(kPi / 2, 2, 5);
    expectExact(v, 0, 2, 5);

    double theta, phi, r;
    ZELVector3D(1, 1, std::sqrt(2.0)).getSpherical(theta, phi, r);
    EXPECT_DOUBLE_EQ(theta, kPi / 4);
    EXPECT_DOUBLE_EQ(phi, kPi / 4);
    EXPECT_EQ(r, 2);
    // One-argument arctangent: (-1, 0, 0) gives theta -0 rather than pi, phi pi/2 from 1/0.
    ZELVector3D(-1, 0, 0).getSpherical(theta, phi, r);
    EXPECT_EQ(theta, 0);
    EXPECT_TRUE(std::signbit(theta));
    EXPECT_EQ(phi, kPi / 2);
    EXPECT_EQ(r, 1);
    ZELVector3D().getSpherical(theta, phi, r);
    EXPECT_TRUE(std::isnan(theta));

    double rho, z;
    ZELVector3D(3, 4, -7).getCylindrical(theta, rho, z);
    EXPECT_EQ(theta, std::atan(4.0 / 3.0));
    EXPECT_EQ(rho, 5);
    EXPECT_EQ(z, -7);
    v.setCylindrical(theta, rho, z);
    EXPECT_TRUE(ZELNearAbs(v, ZELVector3D(3, 4, -7), 1e-14));
}

TEST(Vector3D, Lerp) {
    const ZELVector3D a(1, 2, 3), b(5, -2, 7);
    ZELVector3D r;
    ZELVector3D::lerp(r, -0.5, a, b);
    EXPECT_EQ(r, a);
    ZELVector3D::lerp(r, 1.5, a, b);
    EXPECT_EQ(r, b);
    ZELVector3D::lerp(r, 0.25, a, b);
    EXPECT_EQ(r, 0.75 * a + 0.25 * b);
    expectExact(r, 2, 1, 4);
    // The result may be one of the operands.
    ZELVector3D x = a;
    ZELVector3D::lerp(x, 0.5, x, b);
    expectExact(x, 3, 0, 5);
    ZELVector3D y = b;
    ZELVector3D::lerp(y, 0.5, a, y);
    expectExact(y, 3, 0, 5);
}

TEST(Vector3D, MathVectorConversionAndText) {
    const ZELVector3D v(1, 2.5, -3);
    const ZELMathVector m = v;
    ASSERT_EQ(m.length(), 3u);
    EXPECT_EQ(m[0], 1);
    EXPECT_EQ(m[1], 2.5);
    EXPECT_EQ(m[2], -3);
    const double five[] = {4, 5, 6, 7, 8};
    expectExact(ZELVector3D(ZELMathVector(five, 5)), 4, 5, 6);

    std::ostringstream os;
    os << ZELVector3D::UnitX << v << ZELVector3D(kNaN, 0.0, -0.0);
    EXPECT_EQ(os.str(), "[ 1  0  0  ]\n[ 1  2.5  -3  ]\n[ NaN   0  -0  ]\n");
    std::ostringstream fixed;
    fixed.setf(std::ios::fixed);
    fixed.precision(2);
    fixed << v;
    EXPECT_EQ(fixed.str(), "[ 1.00  2.50  -3.00  ]\n");
}

}  // namespace
