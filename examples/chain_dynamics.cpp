// Dynamics of two arms with their published inertial parameters.
//
// 1. A PUMA 560 follows the pick of examples/chain_pick.cpp (the tool point 30 cm along a straight
//    line, orientation fixed) in 2 s with a smooth start and stop; the joint torques along the
//    way, from inverse dynamics, motor armature included.
// 2. The PUMA 560 and a UR5 fall under gravity with zero joint torque for 2 s, integrated with
//    the classic Runge-Kutta method at 1 ms steps from forward dynamics; the energy (kinetic plus
//    potential) should stay where it started, and its drift measures the integration.
//
// PUMA 560: masses, centres of mass and inertias about the centres of mass (link frames, kg, m,
// kg m²) of Armstrong, Khatib and Burdick (1986), as collected by Corke and Armstrong-Helouvry
// (1994); motor rotor inertias Jm and gear ratios G of the same sources give the armature Jm·G².
// Two published values break the triangle inequality of a rigid body's moments and are adjusted:
// link 1's Ixx and Izz (given as 0; only Iyy, about joint 1's axis, acts on the joints) are set
// to 0.175, and link 3's Izz is raised from 0.0125 to 0.020 (= Iyy − Ixx, the smallest valid).
// UR5: the maker's published masses and centres of mass; the maker gives no inertias, so each
// link is a solid cylinder of the stated radius and length about its centre of mass.
#include "ZELMath.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const double kDeg = kPi / 180;

struct Body {
    double mass;
    ZELVector3D centre;
    std::array<double, 6> inertia;
};

std::array<double, 6> cylinder(double mass, double radius, double length, int axis) {
    const double across = mass * (3 * radius * radius + length * length) / 12;
    std::array<double, 6> i = {across, across, across, 0.0, 0.0, 0.0};
    i[static_cast<std::size_t>(axis)] = mass * radius * radius / 2;
    return i;
}

ZELKinematicChain puma560(std::vector<Body>& bodies) {
    ZELKinematicChain arm;
    arm.addRevolute(0.0, 0.0, kPi / 2, 0.0, -160 * kDeg, 160 * kDeg);
    arm.addRevolute(0.0, 0.4318, 0.0, 0.0, -45 * kDeg, 225 * kDeg);
    arm.addRevolute(0.15005, 0.0203, -kPi / 2, 0.0, -225 * kDeg, 45 * kDeg);
    arm.addRevolute(0.4318, 0.0, kPi / 2, 0.0, -110 * kDeg, 170 * kDeg);
    arm.addRevolute(0.0, 0.0, -kPi / 2, 0.0, -100 * kDeg, 100 * kDeg);
    arm.addRevolute(0.0, 0.0, 0.0, 0.0, -266 * kDeg, 266 * kDeg);
    bodies = {{0.0, ZELVector3D(0, 0, 0), {0.175, 0.35, 0.175, 0, 0, 0}},
              {17.4, ZELVector3D(-0.3638, 0.006, 0.2275), {0.13, 0.524, 0.539, 0, 0, 0}},
              {4.8, ZELVector3D(-0.0203, -0.0141, 0.070), {0.066, 0.086, 0.020, 0, 0, 0}},
              {0.82, ZELVector3D(0, 0.019, 0), {1.8e-3, 1.3e-3, 1.8e-3, 0, 0, 0}},
              {0.34, ZELVector3D(0, 0, 0), {0.3e-3, 0.4e-3, 0.3e-3, 0, 0, 0}},
              {0.09, ZELVector3D(0, 0, 0.032), {0.15e-3, 0.15e-3, 0.04e-3, 0, 0, 0}}};
    const double jm[6] = {200e-6, 200e-6, 200e-6, 33e-6, 33e-6, 33e-6};
    const double gear[6] = {-62.6111, 107.815, -53.7063, 76.0364, 71.923, 76.686};
    for (int i = 0; i < 6; ++i) {
        const Body& b = bodies[static_cast<std::size_t>(i)];
        arm.setInertia(i, b.mass, b.centre, b.inertia);
        arm.setArmature(i, jm[i] * gear[i] * gear[i]);
    }
    return arm;
}

ZELKinematicChain ur5(std::vector<Body>& bodies) {
    ZELKinematicChain arm;
    const double d[6] = {0.089159, 0.0, 0.0, 0.10915, 0.09465, 0.0823};
    const double a[6] = {0.0, -0.425, -0.39225, 0.0, 0.0, 0.0};
    const double alpha[6] = {kPi / 2, 0.0, 0.0, kPi / 2, -kPi / 2, 0.0};
    for (int i = 0; i < 6; ++i) arm.addRevolute(d[i], a[i], alpha[i]);
    bodies = {{3.7, ZELVector3D(0, -0.02561, 0.00193), cylinder(3.7, 0.06, 0.15, 1)},
              {8.393, ZELVector3D(0.2125, 0, 0.11336), cylinder(8.393, 0.06, 0.425, 0)},
              {2.33, ZELVector3D(0.15, 0, 0.0265), cylinder(2.33, 0.06, 0.39225, 0)},
              {1.219, ZELVector3D(0, -0.0018, 0.01634), cylinder(1.219, 0.06, 0.12, 2)},
              {1.219, ZELVector3D(0, 0.0018, 0.01634), cylinder(1.219, 0.06, 0.12, 2)},
              {0.1879, ZELVector3D(0, 0, -0.001159), cylinder(0.1879, 0.0375, 0.0345, 2)}};
    for (int i = 0; i < 6; ++i) {
        const Body& b = bodies[static_cast<std::size_t>(i)];
        arm.setInertia(i, b.mass, b.centre, b.inertia);
    }
    return arm;
}

// Kinetic energy ½ qdᵀ M qd (armature included) plus the potential energy of every centre of
// mass in gravity.
double energy(const ZELKinematicChain& arm, const std::vector<Body>& bodies, const ZELMathVector& q,
              const ZELMathVector& qd) {
    const ZELMathMatrix m = arm.massMatrix(q);
    const std::size_t n = q.length();
    double e = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) e += 0.5 * qd[i] * m(i, j) * qd[j];
    std::vector<ZELXform3D> frames;
    arm.forward(q, frames);
    const ZELVector3D g = arm.gravity();
    for (std::size_t i = 0; i < n; ++i) {
        const ZELVector3D c = frames[i] * bodies[i].centre;
        e -= bodies[i].mass * (g[0] * c[0] + g[1] * c[1] + g[2] * c[2]);
    }
    return e;
}

void pick(const ZELKinematicChain& arm) {
    const double start[6] = {0.0, kPi / 4, -kPi, 0.0, kPi / 4, 0.0};
    ZELMathVector q(start, 6);
    const ZELXform3D from = arm.forward(q);
    const ZELVector3D p0 = from.position(), p1 = p0 + ZELVector3D(-0.1, 0.3, -0.1);
    // Joint vectors every 20 ms over 2 s, the path parameter 3s² − 2s³ (rest to rest).
    const int steps = 100;
    const double dt = 2.0 / steps;
    std::vector<ZELMathVector> path;
    for (int k = -1; k <= steps + 1; ++k) {
        const double s = std::fmin(std::fmax(static_cast<double>(k) / steps, 0.0), 1.0);
        ZELXform3D target = from;
        target.setPosition(p0 + (p1 - p0) * (3 * s * s - 2 * s * s * s));
        ZELMathVector next;
        arm.inverse(target, q, next);
        path.push_back(next);
        q = next;
    }
    std::printf("PUMA 560 pick, 30 cm in 2 s: joint torques (N m) by inverse dynamics\n");
    std::printf("  t (s)     tau1     tau2     tau3     tau4     tau5     tau6\n");
    double peak[6] = {0, 0, 0, 0, 0, 0};
    for (int k = 0; k <= steps; ++k) {
        const ZELMathVector &prev = path[static_cast<std::size_t>(k)],
                            &here = path[static_cast<std::size_t>(k + 1)],
                            &next = path[static_cast<std::size_t>(k + 2)];
        ZELMathVector qd(6, 0.0), qdd(6, 0.0);
        for (int i = 0; i < 6; ++i) {
            qd[i] = (next[i] - prev[i]) / (2 * dt);
            qdd[i] = (next[i] - 2 * here[i] + prev[i]) / (dt * dt);
        }
        const ZELMathVector tau = arm.inverseDynamics(here, qd, qdd);
        for (int i = 0; i < 6; ++i) peak[i] = std::fmax(peak[i], std::fabs(tau[i]));
        if (k % 25 == 0) {
            std::printf("  %5.2f", k * dt);
            for (int i = 0; i < 6; ++i) std::printf(" %8.3f", tau[i] + 0.0);
            std::printf("\n");
        }
    }
    std::printf("  peak ");
    for (int i = 0; i < 6; ++i) std::printf(" %8.3f", peak[i]);
    std::printf("\n");
}

// 2 s of free fall from q0 at rest, RK4 at 1 ms; returns the largest relative energy drift.
double fall(const char* name, const ZELKinematicChain& arm, const std::vector<Body>& bodies,
            const ZELMathVector& q0) {
    const std::size_t n = q0.length();
    const ZELMathVector zero(n, 0.0);
    ZELMathVector q = q0, qd = zero;
    const double e0 = energy(arm, bodies, q, qd);
    const double h = 1e-3;
    double drift = 0.0, scale = 0.0;
    auto axpy = [&](const ZELMathVector& x, double a, const ZELMathVector& y) {
        ZELMathVector r(n, 0.0);
        for (std::size_t i = 0; i < n; ++i) r[i] = x[i] + a * y[i];
        return r;
    };
    for (int step = 1; step <= 2000; ++step) {
        const ZELMathVector a1 = arm.forwardDynamics(q, qd, zero);
        const ZELMathVector q2 = axpy(q, h / 2, qd), v2 = axpy(qd, h / 2, a1);
        const ZELMathVector a2 = arm.forwardDynamics(q2, v2, zero);
        const ZELMathVector q3 = axpy(q, h / 2, v2), v3 = axpy(qd, h / 2, a2);
        const ZELMathVector a3 = arm.forwardDynamics(q3, v3, zero);
        const ZELMathVector q4 = axpy(q, h, v3), v4 = axpy(qd, h, a3);
        const ZELMathVector a4 = arm.forwardDynamics(q4, v4, zero);
        for (std::size_t i = 0; i < n; ++i) {
            q[i] += h / 6 * (qd[i] + 2 * v2[i] + 2 * v3[i] + v4[i]);
            qd[i] += h / 6 * (a1[i] + 2 * a2[i] + 2 * a3[i] + a4[i]);
        }
        const double e = energy(arm, bodies, q, qd);
        // Drift relative to the kinetic energy gained so far (the energy's own zero is arbitrary).
        scale = std::fmax(scale, std::fabs(e - energy(arm, bodies, q, zero)));
        drift = std::fmax(drift, std::fabs(e - e0));
        if (step % 500 == 0) {
            std::printf("  %s t = %.1f s: q =", name, step * h);
            for (std::size_t i = 0; i < n; ++i) std::printf(" %7.3f", q[i]);
            std::printf(" rad, energy %+.9f J\n", e);
        }
    }
    std::printf("  %s: energy drift over 2 s %.3g J, %.3g of the largest kinetic energy\n", name,
                drift, drift / scale);
    return drift / scale;
}

}  // namespace

int main() {
    std::vector<Body> pumaBodies, urBodies;
    const ZELKinematicChain puma = puma560(pumaBodies);
    const ZELKinematicChain ur = ur5(urBodies);
    pick(puma);
    const double still[6] = {0.0, kPi / 4, -kPi, 0.0, kPi / 4, 0.0};
    const ZELMathVector holding = puma.gravityTorques(ZELMathVector(still, 6));
    std::printf("PUMA 560 holding still at the start: tau2 = %.3f N m, tau3 = %.3f N m\n",
                holding[1], holding[2]);

    std::printf("Free fall under gravity, zero torque, RK4 at 1 ms for 2 s:\n");
    const double pumaStart[6] = {0.3, -0.2, 0.4, 0.5, 0.7, 0.2};
    const double urStart[6] = {0.0, -1.2, 0.8, -0.5, 1.2, 0.3};
    const double d1 = fall("PUMA 560", puma, pumaBodies, ZELMathVector(pumaStart, 6));
    const double d2 = fall("UR5", ur, urBodies, ZELMathVector(urStart, 6));
    return d1 < 1e-6 && d2 < 1e-6 ? 0 : 1;
}
