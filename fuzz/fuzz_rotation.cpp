// Rotation and quaternion conversions on arbitrary input: no crash, no out-of-bounds access, no undefined
// behaviour for any scalars (NaN, infinities, denormals, huge values) or enumeration values; for
// orthonormal input the conversions round-trip.
#include "FuzzInput.h"
#include "foundation/scl_assert.h"
#include "foundation/ZELException.h"
#include "publicinterfaces/ZELEuler3D.h"
#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/ZELVector3D.h"

#include <cmath>
#include <cstdint>

namespace {

using R3 = ZELBasicRotate3D<double>;
using V3 = ZELBasicVector3D<double>;
using Q = ZELBasicQtn3D<double>;

int g_reports = 0;
void countReport(const char*, const char*, const char*, int) { ++g_reports; }

bool finite(const R3& r) {
    for (int d = 0; d < 3; ++d)
        for (int c = 0; c < 3; ++c)
            if (!std::isfinite(r(static_cast<ZELMath3D::DirectionIndex>(d),
                                 static_cast<ZELMath3D::CoordinateIndex>(c))))
                return false;
    return true;
}

double maxDiff(const R3& a, const R3& b) {
    double m = 0.0;
    for (int d = 0; d < 3; ++d)
        for (int c = 0; c < 3; ++c) {
            const auto dd = static_cast<ZELMath3D::DirectionIndex>(d);
            const auto cc = static_cast<ZELMath3D::CoordinateIndex>(c);
            m = std::fmax(m, std::fabs(a(dd, cc) - b(dd, cc)));
        }
    return m;
}

// ||R^T R - I||_max and |det R - 1|.
double orthoError(const R3& r) {
    double e = std::fabs(r.det() - 1.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const V3 a = r(static_cast<ZELMath3D::DirectionIndex>(i));
            const V3 b = r(static_cast<ZELMath3D::DirectionIndex>(j));
            e = std::fmax(e, std::fabs(ZELDot(a, b) - (i == j ? 1.0 : 0.0)));
        }
    return e;
}

// Reduces an arbitrary double to a finite angle of moderate size (or keeps it when asked to).
double angleFrom(double x, bool raw) {
    if (raw) return x;
    if (!std::isfinite(x)) return 0.0;
    return std::fmod(x, 16.0);
}

// R from roll, pitch, yaw must come back from getRPY.
void checkRpyRoundTrip(const R3& r) {
    double roll, pitch, yaw;
    r.getRPY(roll, pitch, yaw);
    FUZZ_CHECK(std::fabs(roll) <= M_PI && std::fabs(pitch) <= M_PI && std::fabs(yaw) <= M_PI);
    R3 back;
    back.setRPY(roll, pitch, yaw);
    FUZZ_CHECK(maxDiff(back, r) <= 1e-7);
}

// Quaternions: arbitrary scalars through normalize, the conversions, interpolation and the
// frame-relative rotations; for orthonormal input the round trips through the matrix and the
// equivalent axis and angle hold.
void checkQuaternion(FuzzInput& in, const double* s, bool raw, const R3& orthonormal) {
    Q q(s[0], s[1], s[2], s[3]);
    try {
        q.normalize();
    } catch (const ZELENumericError&) {}
    R3 m;
    q.getRotate(m);
    Q back;
    back.setRotate(m);
    V3 axis;
    double angle = 0.0;
    q.getEAA(axis, angle);
    Q other(s[4], s[5], s[6], s[7]);
    Q out;
    const double t = in.take<double>();
    Q::slerp(out, t, q, other);
    Q::EAAInterp(out, t, q, other);
    Q::squad(out, t, q, other, q, other);
    V3 w(s[6], s[7], s[8]);
    q.rotateVec(w);
    double roll, pitch, yaw;
    q.getRPY(roll, pitch, yaw);
    const double* rows[3] = {s, s + 3, s + 6};
    const R3 anyMatrix(rows, false);
    back.setRotate(anyMatrix);

    if (raw) return;
    // Matrix -> quaternion -> matrix: each magnitude is a root of a difference, so ~1e-8.
    Q fromMatrix;
    fromMatrix.setRotate(orthonormal);
    FUZZ_CHECK(std::fabs(fromMatrix.norm() - 1.0) <= 1e-7);
    R3 again;
    fromMatrix.getRotate(again);
    FUZZ_CHECK(maxDiff(again, orthonormal) <= 1e-7);
    // Axis and angle -> quaternion -> axis and angle -> quaternion: the same rotation.
    const V3 a(s[3], s[4], s[5]);
    if (std::isfinite(ZELL2NormSqr(a)) && ZELL2Norm(a) > 1e-15) {  // shorter axes throw
        Q e;
        e.setEAA(a, angleFrom(s[0], false));
        FUZZ_CHECK(std::fabs(e.norm() - 1.0) <= 1e-14);
        V3 u;
        double phi = 0.0;
        e.getEAA(u, phi);
        FUZZ_CHECK(phi >= 0.0 && phi <= M_PI);
        if (phi > 0.0) {
            Q f;
            f.setEAA(u, phi);
            R3 re, rf;
            e.getRotate(re);
            f.getRotate(rf);
            // The angle comes back as 2 acos(|s|), good to about 1e-8 near 0.
            FUZZ_CHECK(maxDiff(re, rf) <= 1e-7);
        }
    }
    // Invalid enumeration values: reported, nothing changes.
    const int kRaw = in.take<std::int32_t>();
    const int fRaw = in.take<std::int32_t>();
    const bool validK = kRaw >= 0 && kRaw <= 2;
    const bool validF = fRaw == 0 || fRaw == 1;
    Q turned = fromMatrix;
    const int before = g_reports;
    turned.rotate(static_cast<ZELMath3D::AxisType>(kRaw), 0.5,
                  static_cast<ZELMath3D::ReferenceFrame>(fRaw));
    if (!validK || !validF) {
        FUZZ_CHECK(g_reports == before + 1);
        FUZZ_CHECK(turned == fromMatrix);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool installed = (scl_set_assert_handler(&countReport), true);
    (void)installed;
    FuzzInput in(data, size);
    const auto mode = in.take<std::uint8_t>();
    const bool raw = (mode & 1) != 0;
    double s[9];
    for (double& x : s) x = in.take<double>();

    // Arbitrary rows through normalize(): anything goes, nothing may crash; a finite result of
    // finite input has unit columns or is the identity fallback.
    {
        const double* rows[3] = {s, s + 3, s + 6};
        const R3 r(rows, (mode & 2) != 0);
        double roll, pitch, yaw;
        r.getRPY(roll, pitch, yaw);
        V3 v(s[0], s[1], s[2]);
        r.rotateVec(v);
        R3 t = r;
        t.invert();
        t *= r;
        (void)t.det();
    }

    // Orthonormal input: from angles, an equivalent axis and angle, or an Euler triple.
    const double a0 = angleFrom(s[0], raw), a1 = angleFrom(s[1], raw), a2 = angleFrom(s[2], raw);
    R3 rpy;
    rpy.setRPY(a0, a1, a2);
    R3 eaa;
    bool eaaOk = true;
    try {
        eaa.setEAA(V3(s[3], s[4], s[5]), a0);
    } catch (...) {
        eaaOk = false;
    }
    const auto k0 = static_cast<ZELMath3D::AxisType>(in.take<std::uint8_t>() % 3);
    const auto k1 = static_cast<ZELMath3D::AxisType>(in.take<std::uint8_t>() % 3);
    const auto k2 = static_cast<ZELMath3D::AxisType>(in.take<std::uint8_t>() % 3);
    R3 euler;
    euler.setEuler(ZELBasicEuler3D<double>(a0, k0, a1, k1, a2, k2));

    if (!raw) {
        FUZZ_CHECK(orthoError(rpy) <= 1e-14);
        FUZZ_CHECK(orthoError(euler) <= 1e-14);
        checkRpyRoundTrip(rpy);
        checkRpyRoundTrip(euler);
        if (eaaOk && finite(eaa)) {
            FUZZ_CHECK(orthoError(eaa) <= 1e-13);
            checkRpyRoundTrip(eaa);
        }
        // An orthonormal matrix passes through normalize() almost unchanged.
        double rows[3][3];
        double* p[3] = {rows[0], rows[1], rows[2]};
        rpy.get(p, false);
        const R3 again(p, false);
        FUZZ_CHECK(maxDiff(again, rpy) <= 1e-14);
        // The transpose is the inverse.
        R3 inv = rpy;
        inv.invert();
        inv *= rpy;
        FUZZ_CHECK(maxDiff(inv, R3()) <= 1e-14);
    }

    // Arbitrary enumeration values: an invalid frame or axis is reported and changes nothing,
    // a valid one works as usual.
    const int kRaw = in.take<std::int32_t>();
    const int fRaw = in.take<std::int32_t>();
    const auto k = static_cast<ZELMath3D::AxisType>(kRaw);
    const auto f = static_cast<ZELMath3D::ReferenceFrame>(fRaw);
    const int before = g_reports;
    R3 r = rpy;
    r.rotate(k, a1, f);
    const bool validK = kRaw >= 0 && kRaw <= 2;
    const bool validF = fRaw == 0 || fRaw == 1;
    if (!validF || !validK) {  // one report (the frame is checked first), nothing changes
        FUZZ_CHECK(g_reports == before + 1);
        FUZZ_CHECK(maxDiff(r, rpy) == 0.0 || !finite(rpy));
    }
    R3 c;
    c.setCAA(k, a1);
    if (!validK && a1 != 0.0) FUZZ_CHECK(maxDiff(c, R3()) == 0.0);
    if (validK && validF && !raw) FUZZ_CHECK(orthoError(r) <= 1e-13);

    checkQuaternion(in, s, raw, euler);
    return 0;
}
