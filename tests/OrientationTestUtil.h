// Helpers shared by the geometry tests: constants, short builders and distances.
#ifndef ZELMATH_TESTS_ORIENTATIONTESTUTIL_H
#define ZELMATH_TESTS_ORIENTATIONTESTUTIL_H

#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELXform3D.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <type_traits>

namespace testutil {

using M3 = ZELMath3D;
using V = ZELVector3D;
using R3 = ZELRotate3D;
using E3 = ZELEuler3D;
using Q = ZELQtn3D;
using X = ZELXform3D;

const double kPi = std::acos(-1.0);
constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

/// Builders: the quaternion of setCAA / setEAA, the rotation of setCAA / setRPY.
template <class T, class... A>
T built(void (T::*set)(A...), typename std::decay<A>::type... args) {
    T t;
    (t.*set)(args...);
    return t;
}
inline Q qtn(M3::AxisType k, double angle) { return built(&Q::setCAA, k, angle); }
inline Q qtn(const V& axis, double angle) { return built(&Q::setEAA, axis, angle); }
inline R3 rot(M3::AxisType k, double angle) { return built(&R3::setCAA, k, angle); }
inline R3 rpy(double roll, double pitch, double yaw) {
    return built(&R3::setRPY, roll, pitch, yaw);
}
/// A rotation that commutes with no coordinate rotation.
inline R3 general() { return rpy(0.3, -0.7, 1.9); }

inline double scalarOf(const Q& q) {
    double s;
    V v;
    q.get(s, v);
    return s;
}
inline V vectorOf(const Q& q) {
    double s;
    V v;
    q.get(s, v);
    return v;
}
inline double maxDiff(const Q& a, const Q& b) {
    return std::max(std::abs(scalarOf(a) - scalarOf(b)), ZELLinfNorm(vectorOf(a) - vectorOf(b)));
}
/// Largest difference of the nine scalars.
inline double maxDiff(const R3& a, const R3& b) {
    double m = 0;
    for (auto d : {M3::NDirection, M3::SDirection, M3::ADirection})
        m = std::max(m, ZELLinfNorm(a(d) - b(d)));
    return m;
}
/// Largest difference of the twelve scalars.
inline double maxDiff(const X& a, const X& b) {
    return std::max(maxDiff(a.rotation(), b.rotation()), ZELLinfNorm(a.position() - b.position()));
}
inline double angleOf(const Q& q) {
    V u;
    double a;
    q.getEAA(u, a);
    return a;
}

/// A unit quaternion with a uniformly distributed orientation.
inline Q randomUnit(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    double c[4];
    for (double& x : c) x = n(g);  // one draw per statement: argument order is unspecified
    Q q(c[0], c[1], c[2], c[3]);
    q.normalize();
    return q;
}
inline X randomPose(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    V p;
    for (int i = 0; i < 3; ++i) p[i] = n(g);
    return X(randomUnit(g), p);
}

}  // namespace testutil

#endif
