// A PUMA 560 picks along a straight line: the tool keeps its orientation while its point moves
// 30 cm in a straight line, in 100 steps. Each step solves the inverse kinematics from the
// previous joint vector (so the arm stays on one branch) and checks the answer by forward
// kinematics.
//
// The link table is the classic Denavit-Hartenberg description of the PUMA 560 (metres,
// radians): each link is Rz(q + offset)·Tz(d)·Tx(a)·Rx(alpha), as setDH builds it.
#include "ZELMath.h"

#include <cmath>
#include <cstdio>

namespace {

const double kPi = 3.14159265358979323846;
const double kDeg = kPi / 180;

ZELKinematicChain puma560() {
    ZELKinematicChain arm;
    //              d        a       alpha    offset  lower        upper
    arm.addRevolute(0.0, 0.0, kPi / 2, 0.0, -160 * kDeg, 160 * kDeg);
    arm.addRevolute(0.0, 0.4318, 0.0, 0.0, -45 * kDeg, 225 * kDeg);
    arm.addRevolute(0.15005, 0.0203, -kPi / 2, 0.0, -225 * kDeg, 45 * kDeg);
    arm.addRevolute(0.4318, 0.0, kPi / 2, 0.0, -110 * kDeg, 170 * kDeg);
    arm.addRevolute(0.0, 0.0, -kPi / 2, 0.0, -100 * kDeg, 100 * kDeg);
    arm.addRevolute(0.0, 0.0, 0.0, 0.0, -266 * kDeg, 266 * kDeg);
    return arm;
}

}  // namespace

int main() {
    const ZELKinematicChain arm = puma560();
    // Start at a comfortable pose and move 30 cm across and 10 cm down, orientation fixed.
    const double start[6] = {0.0, kPi / 4, -kPi, 0.0, kPi / 4, 0.0};
    ZELMathVector q(start, 6);
    const ZELXform3D from = arm.forward(q);
    const ZELVector3D p0 = from.position(), p1 = p0 + ZELVector3D(-0.1, 0.3, -0.1);
    std::printf(
        "PUMA 560, reach %.4f m: the tool point from (%.4f, %.4f, %.4f) to (%.4f, %.4f, %.4f) m\n",
        arm.reach(), p0[0], p0[1], p0[2], p1[0], p1[1], p1[2]);
    std::printf(" step   x (m)    y (m)    z (m)   q1..q6 (deg)\n");

    const int steps = 100;
    double worstPosition = 0.0, worstAngle = 0.0, largestJointStep = 0.0;
    int iterations = 0, failures = 0;
    for (int k = 0; k <= steps; ++k) {
        const double t = static_cast<double>(k) / steps;
        ZELXform3D target = from;
        target.setPosition(p0 + (p1 - p0) * t);
        ZELMathVector next;
        const ZELIKResult r = arm.inverse(target, q, next);
        if (!r.converged) ++failures;
        iterations += r.iterations;
        // The check: forward kinematics of the answer against the target.
        const ZELXform3D reached = arm.forward(next);
        worstPosition = std::fmax(worstPosition, ZELL2Norm(reached.position() - target.position()));
        ZELVector3D axis;
        double angle;
        (reached / target).getEAA(axis, angle);
        worstAngle = std::fmax(worstAngle, angle);
        for (int i = 0; i < 6; ++i)
            largestJointStep = std::fmax(largestJointStep, std::fabs(next[i] - q[i]));
        q = next;
        if (k % 20 == 0) {
            const ZELVector3D p = reached.position();
            std::printf("%5d %8.4f %8.4f %8.4f  ", k, p[0], p[1], p[2]);
            for (int i = 0; i < 6; ++i) std::printf(" %7.2f", q[i] / kDeg + 0.0);
            std::printf("\n");
        }
    }
    std::printf("%d of %d points solved (%d iterations in all); checked by forward kinematics:\n",
                steps + 1 - failures, steps + 1, iterations);
    std::printf(
        "  largest position error %s 1 micrometre, largest orientation error %s 1 microradian\n",
        worstPosition <= 1e-6 ? "below" : "ABOVE", worstAngle <= 1e-6 ? "below" : "ABOVE");
    std::printf("  largest joint change between neighbouring points: %.2f deg\n",
                largestJointStep / kDeg);
    return failures == 0 && worstPosition <= 1e-6 && worstAngle <= 1e-6 ? 0 : 1;
}
