// Random but physically consistent inertial parameters for the arms of RobotArms.h, shared by
// the dynamics tests and benchmarks: the same bits with every standard library.
#ifndef ZELMATH_TESTS_ARMINERTIAS_H
#define ZELMATH_TESTS_ARMINERTIAS_H

#include "RobotArms.h"

#include <array>
#include <cmath>
#include <random>

namespace arms {

/// A uniform variate in [lo, hi) from 53 bits of g.
inline double uniform(std::mt19937_64& g, double lo, double hi) {
    return lo + static_cast<double>(g() >> 11) * 0x1.0p-53 * (hi - lo);
}

struct Inertia {
    double mass;
    ZELVector3D centre;
    std::array<double, 6> moments;  ///< Ixx, Iyy, Izz, Ixy, Ixz, Iyz about the centre of mass
};

/// A body of mass in [0.5, 5) kg whose centre lies within 0.2 of the frame origin and whose
/// inertia is R·diag(y+z, x+z, x+y)·Rᵀ for positive second moments x, y, z and a random
/// rotation R: positive definite, and strictly inside the triangle inequalities.
inline Inertia randomInertia(std::mt19937_64& g) {
    Inertia b;
    b.mass = uniform(g, 0.5, 5.0);
    b.centre = ZELVector3D(uniform(g, -0.2, 0.2), uniform(g, -0.2, 0.2), uniform(g, -0.2, 0.2));
    const double x = uniform(g, 0.005, 0.1), y = uniform(g, 0.005, 0.1), z = uniform(g, 0.005, 0.1);
    const double d[3] = {y + z, x + z, x + y};
    // R from a random unit quaternion (arithmetic and a square root only).
    double w = uniform(g, -1.0, 1.0), a = uniform(g, -1.0, 1.0), c = uniform(g, -1.0, 1.0),
           e = uniform(g, -1.0, 1.0);
    const double norm = std::sqrt(w * w + a * a + c * c + e * e);
    w = w / norm;
    a = a / norm;
    c = c / norm;
    e = e / norm;
    const double r[3][3] = {{1 - 2 * (c * c + e * e), 2 * (a * c - w * e), 2 * (a * e + w * c)},
                            {2 * (a * c + w * e), 1 - 2 * (a * a + e * e), 2 * (c * e - w * a)},
                            {2 * (a * e - w * c), 2 * (c * e + w * a), 1 - 2 * (a * a + c * c)}};
    double m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k) s = s + r[i][k] * d[k] * r[j][k];
            m[i][j] = s;
        }
    b.moments = {m[0][0], m[1][1], m[2][2], m[0][1], m[0][2], m[1][2]};
    return b;
}

/// Gives every link of the chain a random inertia; returns them.
inline std::vector<Inertia> setRandomInertias(ZELKinematicChain& chain, unsigned seed) {
    std::mt19937_64 g(seed);
    std::vector<Inertia> all;
    for (int i = 0; i < chain.joints(); ++i) {
        all.push_back(randomInertia(g));
        chain.setInertia(i, all.back().mass, all.back().centre, all.back().moments);
    }
    return all;
}

/// A vector of n uniform values in [lo, hi).
inline ZELMathVector randomVector(std::size_t n, std::mt19937_64& g, double lo, double hi) {
    ZELMathVector v(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) v[i] = uniform(g, lo, hi);
    return v;
}

}  // namespace arms

#endif
