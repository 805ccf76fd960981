#include "publicinterfaces/ZELEuler3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <type_traits>

namespace {

using M3 = ZELMath3D;

void expectTriple(const ZELEuler3D& e, double a0, double a1, double a2, M3::AxisType k0, M3::AxisType k1,
                  M3::AxisType k2) {
    double b0, b1, b2;
    e.getAngles(b0, b1, b2);
    EXPECT_EQ(b0, a0);
    EXPECT_EQ(b1, a1);
    EXPECT_EQ(b2, a2);
    M3::AxisType j0, j1, j2;
    e.getAxes(j0, j1, j2);
    EXPECT_EQ(j0, k0);
    EXPECT_EQ(j1, k1);
    EXPECT_EQ(j2, k2);
}

TEST(Euler3D, DefaultIsZYZIdentity) {
    static_assert(std::is_trivially_copyable<ZELEuler3D>::value, "");
    EXPECT_EQ(ZELEuler3D(), ZELEuler3D::Identity);
    expectTriple(ZELEuler3D::Identity, 0, 0, 0, M3::ZAxis, M3::YAxis, M3::ZAxis);
}

TEST(Euler3D, AccessorsTouchOnlyTheirPart) {
    ZELEuler3D e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    e.setAngles(1, 2, 3);
    expectTriple(e, 1, 2, 3, M3::XAxis, M3::YAxis, M3::ZAxis);
    e.setAxes(M3::ZAxis, M3::XAxis, M3::ZAxis);
    expectTriple(e, 1, 2, 3, M3::ZAxis, M3::XAxis, M3::ZAxis);
    e.set(1, 0.5, M3::YAxis);
    expectTriple(e, 1, 0.5, 3, M3::ZAxis, M3::YAxis, M3::ZAxis);
    double a;
    M3::AxisType k;
    e.get(2, a, k);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(k, M3::ZAxis);
}

TEST(Euler3D, InvertReversesAndNegates) {
    ZELEuler3D e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    e.invert();
    expectTriple(e, -0.3, -0.2, -0.1, M3::ZAxis, M3::YAxis, M3::XAxis);
    e.invert();
    EXPECT_EQ(e, ZELEuler3D(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis));

    // A zero angle reads -0 after one inversion and +0 after two.
    ZELEuler3D z;
    z.invert();
    double a0, a1, a2;
    z.getAngles(a0, a1, a2);
    EXPECT_TRUE(std::signbit(a0) && std::signbit(a1) && std::signbit(a2));
    z.invert();
    z.getAngles(a0, a1, a2);
    EXPECT_FALSE(std::signbit(a0) || std::signbit(a1) || std::signbit(a2));
}

TEST(Euler3D, Comparison) {
    const ZELEuler3D a(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    ZELEuler3D b = a;
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    b.set(2, 0.3, M3::XAxis);  // differs only in one axis
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    const ZELEuler3D n(std::numeric_limits<double>::quiet_NaN(), M3::XAxis, 0, M3::YAxis, 0, M3::ZAxis);
    EXPECT_FALSE(n == n);
    EXPECT_TRUE(n != n);
}

TEST(Euler3D, TextShowsAnglesThenAxes) {
    std::ostringstream os;
    os << ZELEuler3D();
    EXPECT_EQ(os.str(), "[ 0  0  0  ]\n[ 2  1  2 ]");
    std::ostringstream os2;
    os2 << ZELEuler3D(1, M3::XAxis, 2, M3::YAxis, 3.5, M3::ZAxis) << "|";
    EXPECT_EQ(os2.str(), "[ 1  2  3.5  ]\n[ 0  1  2 ]|");
}

}  // namespace
