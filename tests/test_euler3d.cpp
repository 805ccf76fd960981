// The Euler triple stores and exchanges six values; its rotation is tested with the rotation.
#include "OrientationTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;

namespace {

V anglesOf(const E3& e) {
    V a;
    e.getAngles(a[0], a[1], a[2]);
    return a;
}
bool hasAxes(const E3& e, M3::AxisType k0, M3::AxisType k1, M3::AxisType k2) {
    M3::AxisType j[3];
    e.getAxes(j[0], j[1], j[2]);
    return j[0] == k0 && j[1] == k1 && j[2] == k2;
}

TEST(Euler3D, EachSetterChangesOnlyItsPartAndComparisonSeesEveryValue) {
    EXPECT_TRUE(E3() == E3::Identity && anglesOf(E3()) == V() &&
                hasAxes(E3(), M3::ZAxis, M3::YAxis, M3::ZAxis));
    E3 e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    e.setAngles(1, 2, 3);
    EXPECT_TRUE(anglesOf(e) == V(1, 2, 3) && hasAxes(e, M3::XAxis, M3::YAxis, M3::ZAxis));
    e.setAxes(M3::ZAxis, M3::XAxis, M3::ZAxis);
    EXPECT_TRUE(anglesOf(e) == V(1, 2, 3) && hasAxes(e, M3::ZAxis, M3::XAxis, M3::ZAxis));
    e.set(1, 0.5, M3::YAxis);
    double a;
    M3::AxisType k;
    e.get(1, a, k);
    EXPECT_TRUE(anglesOf(e) == V(1, 0.5, 3) && hasAxes(e, M3::ZAxis, M3::YAxis, M3::ZAxis) &&
                a == 0.5 && k == M3::YAxis);
    E3 other = e;
    other.set(2, 3, M3::XAxis);  // differs in one axis only
    EXPECT_TRUE(other != e && !(other == e));
    const E3 nan(kNaN, M3::XAxis, 0, M3::YAxis, 0, M3::ZAxis);
    EXPECT_TRUE(nan != nan && !(nan == nan));
}

TEST(Euler3D, InvertReversesTheOrderAndFlipsEverySignBit) {
    const E3 e(0.1, M3::XAxis, 0.2, M3::YAxis, 0.3, M3::ZAxis);
    E3 i = e, z;
    i.invert();
    EXPECT_TRUE(anglesOf(i) == V(-0.3, -0.2, -0.1) && hasAxes(i, M3::ZAxis, M3::YAxis, M3::XAxis));
    i.invert();
    z.invert();
    EXPECT_TRUE(i == e && std::signbit(anglesOf(z)[0]) && std::signbit(anglesOf(z)[2]));
    std::ostringstream os;  // text: the angles as a math vector, then the axes, no line break
    os << E3() << "|" << E3(1, M3::XAxis, 2, M3::YAxis, 3.5, M3::ZAxis) << "|";
    EXPECT_EQ(os.str(), "[ 0  0  0  ]\n[ 2  1  2 ]|[ 1  2  3.5  ]\n[ 0  1  2 ]|");
}

}  // namespace
