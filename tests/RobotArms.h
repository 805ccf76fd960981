// Three arms in classic Denavit-Hartenberg form (lengths in metres, angles in radians), shared by
// the kinematic-chain tests and benchmarks: a PUMA 560, a UR5 and a seven-axis arm with the link
// lengths of a 14 kg lightweight arm.
#ifndef ZELMATH_TESTS_ROBOTARMS_H
#define ZELMATH_TESTS_ROBOTARMS_H

#include "ZELMath.h"

#include <random>
#include <string>
#include <vector>

namespace arms {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;

/// One revolute link: theta = q (no offset), limits on q.
struct Link {
    double d, a, alpha, lower, upper;
};

struct Arm {
    std::string name;
    std::vector<Link> links;
};

inline Arm puma560() {
    return {"PUMA 560",
            {{0.0, 0.0, kPi / 2, -160 * kDeg, 160 * kDeg},
             {0.0, 0.4318, 0.0, -45 * kDeg, 225 * kDeg},
             {0.15005, 0.0203, -kPi / 2, -225 * kDeg, 45 * kDeg},
             {0.4318, 0.0, kPi / 2, -110 * kDeg, 170 * kDeg},
             {0.0, 0.0, -kPi / 2, -100 * kDeg, 100 * kDeg},
             {0.0, 0.0, 0.0, -266 * kDeg, 266 * kDeg}}};
}

inline Arm ur5() {
    return {"UR5",
            {{0.089159, 0.0, kPi / 2, -2 * kPi, 2 * kPi},
             {0.0, -0.425, 0.0, -2 * kPi, 2 * kPi},
             {0.0, -0.39225, 0.0, -2 * kPi, 2 * kPi},
             {0.10915, 0.0, kPi / 2, -2 * kPi, 2 * kPi},
             {0.09465, 0.0, -kPi / 2, -2 * kPi, 2 * kPi},
             {0.0823, 0.0, 0.0, -2 * kPi, 2 * kPi}}};
}

inline Arm sevenAxis() {
    return {"7-axis",
            {{0.36, 0.0, -kPi / 2, -170 * kDeg, 170 * kDeg},
             {0.0, 0.0, kPi / 2, -120 * kDeg, 120 * kDeg},
             {0.42, 0.0, kPi / 2, -170 * kDeg, 170 * kDeg},
             {0.0, 0.0, -kPi / 2, -120 * kDeg, 120 * kDeg},
             {0.4, 0.0, -kPi / 2, -170 * kDeg, 170 * kDeg},
             {0.0, 0.0, kPi / 2, -120 * kDeg, 120 * kDeg},
             {0.126, 0.0, 0.0, -175 * kDeg, 175 * kDeg}}};
}

inline std::vector<Arm> all() { return {puma560(), ur5(), sevenAxis()}; }

/// all()[index], made once (the benchmarks name the arm by its number).
inline const Arm& arm(int index) {
    static const std::vector<Arm> every = all();
    return every[static_cast<std::size_t>(index)];
}

/// The arm as a chain; every length times `unit` (1000: millimetres).
inline ZELKinematicChain chain(const Arm& arm, double unit = 1.0) {
    ZELKinematicChain c;
    for (const Link& l : arm.links)
        c.addRevolute(l.d * unit, l.a * unit, l.alpha, 0.0, l.lower, l.upper);
    return c;
}

/// A joint vector uniform within the limits, the same bits with every standard library.
inline ZELMathVector randomJoints(const Arm& arm, std::mt19937_64& g) {
    ZELMathVector q(arm.links.size(), 0.0);
    for (std::size_t i = 0; i < arm.links.size(); ++i) {
        const double u = static_cast<double>(g() >> 11) * 0x1.0p-53;
        q[i] = arm.links[i].lower + u * (arm.links[i].upper - arm.links[i].lower);
    }
    return q;
}

/// The middle of the limits.
inline ZELMathVector middle(const Arm& arm) {
    ZELMathVector q(arm.links.size(), 0.0);
    for (std::size_t i = 0; i < arm.links.size(); ++i)
        q[i] = 0.5 * (arm.links[i].lower + arm.links[i].upper);
    return q;
}

}  // namespace arms

#endif
