// Test helpers shared by the quaternion, transform and interpolation tests.
#ifndef ZELMATH_TESTS_ORIENTATIONTESTUTIL_H
#define ZELMATH_TESTS_ORIENTATIONTESTUTIL_H

#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELXform3D.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace testutil {

constexpr double kPi = 3.14159265358979323846;

inline ZELQtn3D qtn(ZELMath3D::AxisType k, double angle) {
    ZELQtn3D q;
    q.setCAA(k, angle);
    return q;
}

inline ZELQtn3D qtn(const ZELVector3D& axis, double angle) {
    ZELQtn3D q;
    q.setEAA(axis, angle);
    return q;
}

inline ZELRotate3D rot(ZELMath3D::AxisType k, double angle) {
    ZELRotate3D r;
    r.setCAA(k, angle);
    return r;
}

inline double scalarOf(const ZELQtn3D& q) {
    double s;
    ZELVector3D v;
    q.get(s, v);
    return s;
}

// Largest componentwise difference.
inline double maxDiff(const ZELQtn3D& a, const ZELQtn3D& b) {
    double as, bs;
    ZELVector3D av, bv;
    a.get(as, av);
    b.get(bs, bv);
    return std::max(std::abs(as - bs), ZELLinfNorm(av - bv));
}

inline double angleOf(const ZELQtn3D& q) {
    ZELVector3D u;
    double a;
    q.getEAA(u, a);
    return a;
}

// A unit quaternion with a uniformly distributed orientation.
inline ZELQtn3D randomUnit(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    double c[4];
    for (double& x : c)
        x = n(g);  // one draw per statement: the order of function arguments is unspecified
    ZELQtn3D q(c[0], c[1], c[2], c[3]);
    q.normalize();
    return q;
}

inline ZELXform3D randomPose(std::mt19937_64& g) {
    std::normal_distribution<double> n(0.0, 1.0);
    ZELXform3D x;
    x.setQtn(randomUnit(g));
    ZELVector3D p;
    for (int i = 0; i < 3; ++i)
        p[i] = n(g);
    x.setPosition(p);
    return x;
}

inline ZELRotate3D rotationOf(const ZELXform3D& x) {
    ZELRotate3D r;
    x.getRotate(r);
    return r;
}

// Column by column; near a half turn the comparison by equivalent angle and axis only resolves
// about 1e-8.
inline bool columnsNear(const ZELRotate3D& a, const ZELRotate3D& b, double tol) {
    return ZELNearAbs(a(ZELMath3D::NDirection), b(ZELMath3D::NDirection), tol) &&
           ZELNearAbs(a(ZELMath3D::SDirection), b(ZELMath3D::SDirection), tol) &&
           ZELNearAbs(a(ZELMath3D::ADirection), b(ZELMath3D::ADirection), tol);
}

// The twelve scalars within an absolute tolerance.
inline bool scalarsNear(const ZELXform3D& a, const ZELXform3D& b, double tol) {
    double fa[12], fb[12];
    a.get(fa);
    b.get(fb);
    for (int i = 0; i < 12; ++i)
        if (!(std::abs(fa[i] - fb[i]) <= tol))
            return false;
    return true;
}

}  // namespace testutil

#endif
