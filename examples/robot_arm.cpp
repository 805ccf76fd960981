// Forward kinematics of a six-axis arm from its Denavit-Hartenberg table, and a short motion
// between two tool poses.
//
// The link table is the standard (classic) Denavit-Hartenberg description of the PUMA 560,
// lengths in metres. Each link transform is Rz(theta)·Tz(d)·Tx(a)·Rx(alpha), built with
// setDH(theta, d, alpha, a); the tool pose is the product of the six links.
#include "ZELMath.h"

#include <cstdio>
#include <iomanip>
#include <iostream>

namespace {

const double kPi = 3.14159265358979323846;

struct Link {
    double d, a, alpha;  // theta is the joint variable
};

const Link kPuma560[6] = {
    {0.0, 0.0, kPi / 2},          //
    {0.0, 0.4318, 0.0},           //
    {0.15005, 0.0203, -kPi / 2},  //
    {0.4318, 0.0, kPi / 2},       //
    {0.0, 0.0, -kPi / 2},         //
    {0.0, 0.0, 0.0},              //
};

ZELXform3D toolPose(const double (&q)[6]) {
    ZELXform3D pose;
    for (int j = 0; j < 6; ++j)
        pose *= ZELXform3D(q[j], kPuma560[j].d, kPuma560[j].alpha, kPuma560[j].a);
    return pose;
}

// Degrees, with a negative zero shown as 0.
double deg(double rad) { return rad * 180 / kPi + 0.0; }

void printRPY(const char* label, const ZELXform3D& x) {
    ZELVector3D p;
    x.getPosition(p);
    double roll, pitch, yaw;
    x.getRPY(roll, pitch, yaw);
    std::printf("%-10s position (%8.4f %8.4f %8.4f) m   rpy (%8.3f %8.3f %8.3f) deg\n", label, p[0],
                p[1], p[2], deg(roll), deg(pitch), deg(yaw));
}

}  // namespace

int main() {
    const double zero[6] = {0, 0, 0, 0, 0, 0};
    const double ready[6] = {0, kPi / 2, -kPi / 2, 0, 0, 0};
    const double nominal[6] = {0, kPi / 4, kPi, 0, kPi / 4, 0};
    const double bent[6] = {0.3, 0.6, -0.9, 0.4, -0.7, 1.1};

    std::cout << std::fixed << std::setprecision(4);
    std::cout << "Tool pose at the zero joint vector:\n" << toolPose(zero);
    std::cout << "Tool pose at (0.3, 0.6, -0.9, 0.4, -0.7, 1.1) rad:\n" << toolPose(bent);

    std::printf("\nTool poses as position and roll-pitch-yaw:\n");
    printRPY("zero", toolPose(zero));
    printRPY("ready", toolPose(ready));
    printRPY("nominal", toolPose(nominal));
    printRPY("bent", toolPose(bent));

    // A straight-line move from the nominal pose to the bent pose, the orientation interpolated
    // by slerp and by the equivalent axis and angle of the relative rotation.
    const ZELXform3D from = toolPose(nominal), to = toolPose(bent);
    std::printf("\nMove from the nominal to the bent pose (angle: turned from the start):\n");
    std::printf("   t    x        y        z       slerp angle  EAAInterp angle\n");
    for (int i = 0; i <= 4; ++i) {
        const double t = i / 4.0;
        ZELXform3D a, b;
        ZELXform3D::slerp(a, t, from, to);
        ZELXform3D::EAAInterp(b, t, from, to);
        ZELVector3D p, axis;
        a.getPosition(p);
        double angleA, angleB;
        (from / a).getEAA(axis, angleA);
        (from / b).getEAA(axis, angleB);
        std::printf("%5.2f %8.4f %8.4f %8.4f   %8.3f deg    %8.3f deg\n", t, p[0], p[1], p[2],
                    deg(angleA), deg(angleB));
    }
    return 0;
}
