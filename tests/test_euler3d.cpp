// The Euler triple stores and exchanges six values; its rotation is tested with the rotation.
#include "OrientationTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;

namespace {

void expectTriple(const E3& e, const V& angles, M3::AxisType k0, M3::AxisType k1, M3::AxisType k2) {
    V a;
    e.getAngles(a[0], a[1], a[2]);
    EXPECT_EQ(a, angles);
    M3::AxisType j[3];
    e.getAxes(j[0], j[1], j[2]);
    EXPECT_TRUE(j[0] == k0 && j[1] == k1 && j[2] == k2);
}

TEST(Euler3D, EachSetterChangesOnlyItsPart) {
    EXPECT_EQ(E3(), E3::Identity);
    expectTriple(E3::Identity, V(), M3::ZAxis, M3::YAxis, M3::ZAxis);
    E3 e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    e.setAngles(1, 2, 3);
    expectTriple(e, V(1, 2, 3), M3::XAxis, M3::YAxis, M3::ZAxis);
    e.setAxes(M3::ZAxis, M3::XAxis, M3::ZAxis);
    expectTriple(e, V(1, 2, 3), M3::ZAxis, M3::XAxis, M3::ZAxis);
    e.set(1, 0.5, M3::YAxis);
    expectTriple(e, V(1, 0.5, 3), M3::ZAxis, M3::YAxis, M3::ZAxis);
    double a;
    M3::AxisType k;
    e.get(2, a, k);
    EXPECT_TRUE(a == 3 && k == M3::ZAxis);
    E3 other = e;
    other.set(2, 3, M3::XAxis);  // differs in one axis only
    EXPECT_TRUE(other != e && !(other == e));
    const E3 nan(kNaN, M3::XAxis, 0, M3::YAxis, 0, M3::ZAxis);
    EXPECT_TRUE(nan != nan && !(nan == nan));
}

TEST(Euler3D, InvertReversesTheOrderAndFlipsEverySignBit) {
    E3 e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    e.invert();
    expectTriple(e, V(-0.3, -0.2, -0.1), M3::ZAxis, M3::YAxis, M3::XAxis);
    e.invert();
    EXPECT_EQ(e, E3(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis));
    E3 z;
    z.invert();
    double a0, a1, a2;
    z.getAngles(a0, a1, a2);
    EXPECT_TRUE(std::signbit(a0) && std::signbit(a1) && std::signbit(a2));
}

TEST(Euler3D, TextShowsTheAnglesThenTheAxesWithoutALineBreak) {
    std::ostringstream os;
    os << E3() << "|" << E3(1, M3::XAxis, 2, M3::YAxis, 3.5, M3::ZAxis) << "|";
    EXPECT_EQ(os.str(), "[ 0  0  0  ]\n[ 2  1  2 ]|[ 1  2  3.5  ]\n[ 0  1  2 ]|");
}

}  // namespace
