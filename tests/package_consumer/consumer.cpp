// Builds against the installed package only: the umbrella header and the exported target.
// Exercises inline code of every family (so a build at -O0 must link every member it uses) and
// prints the results as hexadecimal floats: every build of this program, whatever its compiler,
// optimisation level, language level and library kind, must print the same text. Built with
// -DZELMATH_CONSUMER_CXX20 it takes its matrix through std::span: a C++20 program, which does not
// compile if the flags it got from the package lower the language level.
#include <ZELMath.h>

#include <cstdio>
#ifdef ZELMATH_CONSUMER_CXX20
#include <span>
#endif

int main() {
    const double values[] = {4.0, -2.0, 1.0, -2.0, 4.0, -2.0, 1.0, -2.0, 4.0};
#ifdef ZELMATH_CONSUMER_CXX20
    const std::span<const double, 9> view(values);
    const ZELMathMatrix a(view.data(), 3, 3);
#else
    const ZELMathMatrix a(values, 3, 3);
#endif
    const ZELMathMatrix b = a * a;
    const ZELLUFactor lu(a);
    const double rhs[] = {11.0, -16.0, 17.0};
    const ZELMathVector x = solve(lu, ZELMathVector(rhs, 3));

    const double x0 = b(2, 1) / 7.0;
    const ZELVector3D v(x0, 0.3, -1.7);
    ZELRotate3D r;
    r.setRPY(0.3, -0.2, 1.1);
    r.rotate(ZELMath3D::YAxis, 0.7, ZELMath3D::LocalFrame);
    ZELQtn3D q, p;
    q.setRotate(r);
    p.setEAA(ZELVector3D(1.0, 2.0, 3.0), 0.4);
    const ZELQtn3D qp = q * p;
    const ZELXform3D link(0.4, 0.2, 1.3, 0.5);
    const ZELXform3D tool = link * ZELXform3D(r, v);
    const ZELVector3D tip = tool * v;
    const ZELEuler3D euler;
    double e0, e1, e2;
    euler.getAngles(e0, e1, e2);
    double qs;
    ZELVector3D qv;
    qp.get(qs, qv);
    const ZELSimTime t = ZELSimTime(1.25) * ZELSimTime(0, 3);

    std::printf("%a %a %a | %a %a %a | %a %a %a %a | %a %a %a | %a | %lld %ld\n", x[0], x[1], x[2],
                (r * v)[0], (r * v)[1], (r * v)[2], qs, qv[0], qv[1], qv[2], tip[0], tip[1], tip[2],
                e0 + e1 + e2 + ZELLinfNorm(b), static_cast<long long>(t.wholeSeconds()),
                static_cast<long>(t.nanoseconds()));
    // A kinematic chain: forward kinematics, Jacobian and inverse kinematics.
    ZELKinematicChain arm;
    arm.addRevolute(0.36, 0.0, -1.5707963267948966, 0.0, -2.9, 2.9);
    arm.addRevolute(0.0, 0.42, 0.3, 0.1, -2.0, 2.0);
    arm.addPrismatic(0.2, 0.05, 1.5707963267948966, 0.1, 0.0, 0.4);
    arm.addRevolute(0.4, 0.0, -1.5707963267948966);
    arm.addRevolute(0.0, 0.0, 1.5707963267948966);
    arm.addRevolute(0.126, 0.0, 0.0);
    arm.setTool(link);
    const double joints[] = {0.3, -0.7, 0.25, 1.3, -0.4, 0.9};
    const ZELXform3D pose = arm.forward(ZELMathVector(joints, 6));
    const ZELMathMatrix jac = arm.jacobian(ZELMathVector(joints, 6));
    ZELMathVector solved;
    const ZELIKResult ik = arm.inverse(pose, ZELMathVector(6, 0.0), solved);
    std::printf("%a %a %a | %a %a %a | %a %a %a %d %d\n",
                pose(ZELMath3D::Position, ZELMath3D::XCoord),
                pose(ZELMath3D::ADirection, ZELMath3D::YCoord),
                pose(ZELMath3D::Position, ZELMath3D::ZCoord), jac(0, 0), jac(2, 2), jac(4, 5),
                solved[0], solved[2], solved[5], ik.iterations, static_cast<int>(ik.reason));
    // Its dynamics: inverse dynamics with a tool wrench, the mass matrix, forward dynamics.
    for (int i = 0; i < 6; ++i)
        arm.setInertia(i, 1.5 + 0.5 * i, ZELVector3D(0.05 * i, -0.02, 0.1),
                       {0.03, 0.04, 0.05, 0.002, -0.001, 0.003});
    arm.setArmature(1, 0.25);
    arm.setPayload(0.8, ZELVector3D(0.0, 0.01, 0.04), {0.004, 0.004, 0.002, 0.0, 0.0, 0.0});
    const double rates[] = {0.4, -1.1, 0.2, 2.0, -0.6, 1.4};
    const double accelerations[] = {-0.5, 1.5, -0.3, 0.8, 2.2, -1.0};
    const ZELMathVector jq(joints, 6), jqd(rates, 6), jqdd(accelerations, 6);
    const ZELMathVector tau = arm.inverseDynamics(jq, jqd, jqdd, ZELVector3D(1.0, -2.0, 3.0),
                                                  ZELVector3D(0.1, 0.2, -0.3));
    const ZELMathMatrix mass = arm.massMatrix(jq);
    const ZELMathVector fd = arm.forwardDynamics(jq, jqd, tau);
    std::printf("%a %a %a | %a %a %a | %a %a %a\n", tau[0], tau[2], tau[5], mass(0, 0), mass(1, 4),
                mass(5, 5), fd[0], fd[3], fd[5]);
    return lu.good() ? 0 : 1;
}
