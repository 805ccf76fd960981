// Orientations of a tool flange: build a rotation from roll, pitch and yaw, turn it about the
// world and the tool's own axes, read the angles back and map a point.
#include "ZELMath.h"

#include <cmath>
#include <iostream>

int main() {
    const double pi = std::acos(-1.0);

    // Roll 90 degrees about z, pitch 30 degrees about y, no yaw.
    ZELRotate3D flange;
    flange.setRPY(pi / 2, pi / 6, 0.0);
    std::cout << "flange orientation:\n" << flange;

    // Quarter turns are exact: the x axis goes exactly onto y.
    ZELRotate3D quarter;
    quarter.setCAA(ZELMath3D::ZAxis, pi / 2);
    std::cout << "quarter turn of x: " << quarter * ZELVector3D::UnitX;

    // Tilt the tool by 10 degrees about its own approach axis, then about the world's x axis.
    ZELRotate3D tool = flange;
    tool.rotate(ZELMath3D::ZAxis, pi / 18, ZELMath3D::LocalFrame);
    tool.rotate(ZELMath3D::XAxis, pi / 18, ZELMath3D::WorldFrame);

    double roll, pitch, yaw;
    tool.getRPY(roll, pitch, yaw);
    std::cout.precision(6);
    std::cout << "tool roll/pitch/yaw (deg): " << roll * 180 / pi << " " << pitch * 180 / pi << " "
              << yaw * 180 / pi << "\n";

    // The same orientation as a z-y-x Euler triple.
    const ZELEuler3D euler(roll, ZELMath3D::ZAxis, pitch, ZELMath3D::YAxis, yaw, ZELMath3D::XAxis);
    ZELRotate3D fromEuler;
    fromEuler.setEuler(euler);
    std::cout << "Euler triple:\n" << euler << "\n";
    std::cout << "same rotation: "
              << (ZELNearAbs(ZELVector3D(fromEuler * ZELVector3D(1, 2, 3)),
                             tool * ZELVector3D(1, 2, 3), 1e-12)
                      ? "yes"
                      : "no")
              << "\n";

    // A point 0.2 m along the tool's approach direction, in world coordinates.
    ZELVector3D tip(0.0, 0.0, 0.2);
    tool.rotateVec(tip);
    std::cout << "tool tip offset: " << tip;
    return 0;
}
