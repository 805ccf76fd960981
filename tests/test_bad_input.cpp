// Hostile input across the library: NaN, infinities, denormals, values at and beyond the ends of
// the ranges, zero vectors, matrices that are not rotations, enumeration values outside their
// sets, out-of-range stream numbers and unusable distribution parameters. Each case checks the
// documented outcome; the sanitizer builds check that nothing else happens.
#include "AssertRecorder.h"
#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELBetaDistribution.h"
#include "ZELRandomMD.m/src/ZELErlangDistribution.h"
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/ZELLogNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"
#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"
#include "ZELRandomMD.m/src/ZELUniformDistribution.h"
#include "ZELRandomMD.m/src/ZELUserContDistribution.h"
#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"
#include "ZELRandomMD.m/src/ZELUsrDist.h"
#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"
#include "publicinterfaces/ZELEuler3D.h"
#include "publicinterfaces/ZELMathVector.h"
#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/ZELVector3D.h"
#include "publicinterfaces/ZELXform3D.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using V3 = ZELBasicVector3D<double>;
using R3 = ZELBasicRotate3D<double>;
using E3 = ZELBasicEuler3D<double>;
using Q = ZELBasicQtn3D<double>;
using X3 = ZELBasicXform3D<double>;

constexpr double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Denormal = 4.9406564584124654e-324;
constexpr std::int64_t MaxSec = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t MinSec = std::numeric_limits<std::int64_t>::min();

const ZELSimTime Largest = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime Smallest = scl_numeric_limits<ZELSimTime>::min();

std::string print(const ZELSimTime& t, int precision, std::ios_base::fmtflags flags = {}, int width = 0) {
    std::ostringstream os;
    os.flags(flags);
    os.precision(precision);
    os.width(width);
    os.fill('*');
    os << t;
    return os.str();
}

// ---- simulation time -----------------------------------------------------------------------------

TEST(BadInput, TimeFromNonFiniteAndExtremeDoubles) {
    EXPECT_EQ(ZELSimTime(NaN), ZELSimTime());
    EXPECT_EQ(ZELSimTime(Inf), Largest);
    EXPECT_EQ(ZELSimTime(-Inf), Smallest);
    EXPECT_EQ(ZELSimTime(1e300), Largest);
    EXPECT_EQ(ZELSimTime(-1e300), Smallest);
    EXPECT_EQ(ZELSimTime(9223372036854775808.0), Largest);  // 2^63: one past the whole seconds
    EXPECT_EQ(ZELSimTime(-9223372036854775808.0), ZELSimTime(MinSec, 0));
    EXPECT_EQ(ZELSimTime(Denormal), ZELSimTime());
    EXPECT_EQ(ZELSimTime(-Denormal), ZELSimTime());
    EXPECT_EQ(ZELSimTime(0.9999999999), ZELSimTime(1, 0));  // the rounding carries
}

TEST(BadInput, TimeNanosecondsOutOfDomainThrowAndKeepTheValue) {
    for (int nsec : {1000000000, -1000000000, INT_MAX, INT_MIN}) {
        EXPECT_THROW(ZELSimTime(0, nsec), ZELEDomainError);
        ZELSimTime t(5, 5);
        try {
            t.set(7, nsec);
            ADD_FAILURE() << "no throw for " << nsec;
        } catch (const ZELEDomainError& e) {
            EXPECT_EQ(e.message(), L"Nanosecond domain violation");
        }
        EXPECT_EQ(t, ZELSimTime(5, 5));
    }
}

TEST(BadInput, TimeArithmeticSaturatesAtTheEndsOfTheRange) {
    EXPECT_EQ(Largest + ZELSimTime(0, 1), Largest);
    EXPECT_EQ(Smallest - ZELSimTime(0, 1), Smallest);
    EXPECT_EQ(-Smallest, Largest);
    EXPECT_EQ(abs(Smallest), Largest);
    EXPECT_EQ(Largest * ZELSimTime(2, 0), Largest);
    EXPECT_EQ(Largest * ZELSimTime(-2, 0), Smallest);
    EXPECT_EQ(ceil(ZELSimTime(MaxSec, 1)), Largest);
    EXPECT_EQ(floor(ZELSimTime(MinSec, -1)), Smallest);
    ZELSimTime t = Largest;
    EXPECT_EQ(++t, Largest);
    t = Smallest;
    EXPECT_EQ(t--, Smallest);
    EXPECT_EQ(t, Smallest);
    // Zero seconds minus -2^63 s: the negative nanoseconds bring the difference back into range.
    EXPECT_EQ(ZELSimTime(0, -999999999) - ZELSimTime(MinSec, 0), ZELSimTime(MaxSec, 1));
    EXPECT_EQ(ZELSimTime(0, -500000000) - ZELSimTime(MinSec, -400000000), ZELSimTime(MaxSec, 900000000));
    EXPECT_EQ(ZELSimTime(0, -500000000) - ZELSimTime(MinSec, -600000000), Largest);
    EXPECT_EQ(ZELSimTime(0, 1) - ZELSimTime(MinSec, 0), Largest);
}

TEST(BadInput, TimeDivisionErrorsLeaveTheTarget) {
    ZELSimTime t(3, 0);
    try {
        t /= ZELSimTime();
        ADD_FAILURE();
    } catch (const ZELEZeroDivide& e) {
        EXPECT_EQ(e.message(), L"ZELSimTime divide by zero");
    }
    EXPECT_EQ(t, ZELSimTime(3, 0));
    EXPECT_THROW(fmod(t, ZELSimTime()), ZELEZeroDivide);
    t = Largest;
    try {
        t /= ZELSimTime(0, 1);
        ADD_FAILURE();
    } catch (const ZELEOverflowError& e) {
        EXPECT_EQ(e.message(), L"ZELSimTime division overflow");
    }
    EXPECT_EQ(t, Largest);
    EXPECT_THROW(Smallest / ZELSimTime(0, -999999999), ZELEOverflowError);
    EXPECT_THROW(fmod(Largest, ZELSimTime(0, 1)), ZELEOverflowError);
    EXPECT_EQ(Largest / ZELSimTime(1, 0), Largest);
    EXPECT_EQ(Smallest / Largest, ZELSimTime(-1, 0));
}

TEST(BadInput, TimeFunctionsOutsideTheirDomain) {
    EXPECT_EQ(sqrt(ZELSimTime(-1, 0)), ZELSimTime());  // NaN
    EXPECT_EQ(log(ZELSimTime()), Smallest);             // -inf
    EXPECT_EQ(exp(ZELSimTime(1000000, 0)), Largest);    // +inf
    EXPECT_EQ(acos(ZELSimTime(2, 0)), ZELSimTime());
    EXPECT_EQ(pow(ZELSimTime(), ZELSimTime(-1, 0)), Largest);
    AssertRecorder rec;
    EXPECT_EQ(scl_numeric_limits<ZELSimTime>::infinity(), ZELSimTime());
    EXPECT_EQ(scl_numeric_limits<ZELSimTime>::quiet_NaN(), ZELSimTime());
    EXPECT_EQ(rec.take().size(), 2u);
}

TEST(BadInput, TimeOutputAtTheExtremesAndWithOddFormats) {
    EXPECT_EQ(print(Largest, 9), "9223372036854775807.999999999");
    EXPECT_EQ(print(Largest, 0), "9223372036854775808");  // the carry passes 2^63 - 1
    EXPECT_EQ(print(Smallest, 3), "-9223372036854775809.000");
    EXPECT_EQ(print(ZELSimTime(0, -1), -5), "-0.000000001");
    EXPECT_EQ(print(ZELSimTime(1, 5), 1000), "1.000000005");
    // Conflicting adjustment flags pad on the left, as numbers do.
    EXPECT_EQ(print(ZELSimTime(-1, 0), 1, std::ios_base::left | std::ios_base::internal, 7), "***-1.0");
    EXPECT_EQ(print(ZELSimTime(-1, 0), 1, std::ios_base::internal, 7), "-***1.0");
    std::ostringstream bad;
    bad.setstate(std::ios_base::failbit);
    bad << ZELSimTime(1, 0);
    EXPECT_EQ(bad.str(), "");
}

// ---- 3-vector ------------------------------------------------------------------------------------

TEST(BadInput, VectorNormalizeOfZeroTinyHugeAndNonFiniteVectors) {
    for (const V3& tiny : {V3(), V3(Denormal, 0, 0), V3(1e-17, -1e-17, 1e-17)}) {
        V3 v = tiny;
        try {
            v.normalize();
            ADD_FAILURE();
        } catch (const ZELEZeroVector& e) {
            EXPECT_EQ(e.message(), L"The vector has zero length");
            EXPECT_EQ(e.file(), "publicinterfaces/ZELVector3D");
            EXPECT_EQ(e.line(), 378);
        }
        EXPECT_EQ(v, tiny);
    }
    // Components whose squares overflow still give a unit vector.
    V3 huge(0, -7e182, 0);
    huge.normalize();
    EXPECT_EQ(huge, V3(0, -1, 0));
    V3 big(1e300, 1e300, 1e300), ones(1, 1, 1);
    big.normalize();
    ones.normalize();
    EXPECT_EQ(big, ones);
    V3 maxed(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), 0);
    maxed.normalize();
    EXPECT_EQ(maxed[0], 1.0 / std::sqrt(2.0));
    EXPECT_EQ(maxed[0], -maxed[1]);
    // NaN and infinite components are not caught: IEEE arithmetic decides.
    V3 withNaN(1, NaN, 0);
    withNaN.normalize();
    EXPECT_TRUE(std::isnan(withNaN[0]) && std::isnan(withNaN[1]) && std::isnan(withNaN[2]));
    V3 withInf(Inf, 1, 0);
    withInf.normalize();
    EXPECT_TRUE(std::isnan(withInf[0]));
    EXPECT_EQ(withInf[1], 0.0);
}

TEST(BadInput, VectorArithmeticFollowsIeee) {
    const V3 v(1, -1, 0);
    const V3 q = v / 0.0;
    EXPECT_EQ(q[0], Inf);
    EXPECT_EQ(q[1], -Inf);
    EXPECT_TRUE(std::isnan(q[2]));
    EXPECT_FALSE(ZELNearAbs(v, v, NaN));
    EXPECT_FALSE(ZELNearRel(v, v, NaN));
    EXPECT_TRUE(ZELNearRel(V3(), V3(), 1e-12));
    EXPECT_TRUE(std::isnan(ZELLinfNorm(V3(NaN, 1, 2))));   // a NaN in x is the result
    EXPECT_EQ(ZELLinfNorm(V3(1, NaN, 2)), 2.0);             // elsewhere it is passed over
}

// ---- rotation and Euler triple -------------------------------------------------------------------

TEST(BadInput, InvalidEnumerationValuesAreReported) {
    R3 r;
    r.setRPY(0.1, 0.2, 0.3);
    const R3 before = r;
    AssertRecorder rec;
    for (int f : {2, -1, INT_MAX, INT_MIN}) {
        const auto frame = static_cast<ZELMath3D::ReferenceFrame>(f);
        r.rotate(ZELMath3D::XAxis, 0.5, frame);
        r.rotate(before, frame);
        r.rotate(V3(0, 0, 1), 0.5, frame);
    }
    EXPECT_EQ(r, before);
    std::vector<AssertReport> reports = rec.take();
    ASSERT_EQ(reports.size(), 12u);
    const int lines[3] = {802, 851, 828};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].category, "Software");
        EXPECT_EQ(reports[i].message, "Invalid reference frame");
        EXPECT_EQ(reports[i].file, "publicinterfaces/ZELRotate3D");
        EXPECT_EQ(reports[i].line, lines[i % 3]);
    }
    for (int k : {3, -1, INT_MIN}) {
        R3 c = before;
        c.setCAA(static_cast<ZELMath3D::AxisType>(k), 0.5);
        EXPECT_EQ(c, R3());
        c.setCAA(static_cast<ZELMath3D::AxisType>(k), 0.0);  // a zero angle never looks at the axis
        EXPECT_EQ(c, R3());
    }
    reports = rec.take();
    ASSERT_EQ(reports.size(), 3u);
    for (const AssertReport& a : reports) {
        EXPECT_EQ(a.message, "Invalid rotation axis");
        EXPECT_EQ(a.line, 449);
    }
    // Axes of an Euler triple and of rotate() are not validated, but stay inside the matrix:
    // the result is still a rotation.
    E3 e(0.3, static_cast<ZELMath3D::AxisType>(7), 0.2, static_cast<ZELMath3D::AxisType>(-4), 0.1,
         static_cast<ZELMath3D::AxisType>(INT_MIN));
    R3 fromEuler;
    fromEuler.setEuler(e);
    EXPECT_NEAR(fromEuler.det(), 1.0, 1e-15);
    R3 turned = before;
    turned.rotate(static_cast<ZELMath3D::AxisType>(INT_MAX), 0.7, ZELMath3D::LocalFrame);
    EXPECT_NEAR(turned.det(), 1.0, 1e-15);
    EXPECT_TRUE(rec.take().empty());
}

TEST(BadInput, RotationFromZeroAndNonFiniteAxes) {
    R3 r;
    r.setRPY(0.4, 0.5, 0.6);
    const R3 before = r;
    EXPECT_THROW(r.setEAA(V3(), 1.0), ZELEZeroVector);
    EXPECT_THROW(r.rotate(V3(1e-20, 0, 0), 1.0, ZELMath3D::WorldFrame), ZELEZeroVector);
    EXPECT_EQ(r, before);
    r.setEAA(V3(), 0.0);  // a zero angle never looks at the axis
    EXPECT_EQ(r, R3());
    r.setEAA(V3(0, 0, 1e200), M_PI / 2);  // a huge axis is still a direction
    R3 z;
    z.setCAA(ZELMath3D::ZAxis, M_PI / 2);
    EXPECT_EQ(r, z);
    r.setEAA(V3(NaN, 0, 1), 1.0);  // a NaN axis gives NaN entries, nothing else
    EXPECT_FALSE(r == r);
    double roll, pitch, yaw;
    r.getRPY(roll, pitch, yaw);
    EXPECT_TRUE(std::isnan(roll) || std::isnan(pitch) || std::isnan(yaw));
}

TEST(BadInput, NonOrthonormalMatricesAreRepairedOrReplaced) {
    auto fromColumns = [](const V3& n, const V3& s, const V3& a) {
        R3 r;
        r.setNSA(n, s, a);
        return r;
    };
    EXPECT_EQ(fromColumns(V3(2, 0, 0), V3(1, 3, 0), V3(1, 1, 5)), R3());
    EXPECT_EQ(fromColumns(V3(1, 0, 0), V3(1, 0, 0), V3(0, 0, 1)), R3());  // degenerate column
    EXPECT_EQ(fromColumns(V3(), V3(), V3()), R3());
    const R3 leftHanded = fromColumns(V3(1, 0, 0), V3(0, 1, 0), V3(0, 0, -1));
    EXPECT_EQ(leftHanded.det(), -1.0);
    // Non-finite entries pass through normalize without a crash.
    for (double bad : {NaN, Inf, -Inf, 1e300, Denormal}) {
        const double row0[3] = {bad, 0, 0}, row1[3] = {0, 1, bad}, row2[3] = {0, 0, 1};
        const double* rows[3] = {row0, row1, row2};
        R3 r(rows, false);
        double roll, pitch, yaw;
        r.getRPY(roll, pitch, yaw);
        V3 v(1, 2, 3);
        r.rotateVec(v);
        r *= r;
    }
}

// ---- quaternion and transform --------------------------------------------------------------------

TEST(BadInput, QuaternionZeroTinyAndNonFiniteValues) {
    for (const Q& tiny : {Q(0, 0, 0, 0), Q(1e-11, 0, 0, 0), Q(Denormal, Denormal, 0, 0)}) {
        Q q = tiny;
        try {
            q.normalize();
            ADD_FAILURE();
        } catch (const ZELENumericError& e) {
            EXPECT_EQ(e.message(), L"Zero length quaternion");
        }
        EXPECT_TRUE(q == tiny);
    }
    Q fine(1e-9, 0, 0, 0);
    fine.normalize();
    EXPECT_TRUE(fine == Q());
    // A zero axis with a non-zero angle throws after storing the axis; the scalar part stays.
    Q q(0.5, 0.5, 0.5, 0.5);
    EXPECT_THROW(q.setEAA(V3(), 1.0), ZELEZeroVector);
    EXPECT_TRUE(q == Q(0.5, 0, 0, 0));
    // slerp between q and -q blends linearly through zero.
    Q out;
    const Q a(0.6, 0, 0.8, 0);
    Q::slerp(out, 0.5, a, -a);
    EXPECT_TRUE(out == Q(0, 0, 0, 0));
    // NaN goes through the conversions without a crash.
    Q nan(NaN, 0, 0, 1);
    R3 r;
    nan.getRotate(r);
    Q back;
    back.setRotate(r);
    V3 axis;
    double angle = 0.0;
    nan.getEAA(axis, angle);
}

TEST(BadInput, QuaternionAndTransformRejectInvalidEnumerations) {
    AssertRecorder rec;
    Q q;
    q.setRPY(0.1, 0.2, 0.3);
    const Q qBefore = q;
    q.rotate(ZELMath3D::XAxis, 0.5, static_cast<ZELMath3D::ReferenceFrame>(2));
    q.rotate(static_cast<ZELMath3D::AxisType>(-1), 0.5, ZELMath3D::WorldFrame);
    q.rotate(qBefore, static_cast<ZELMath3D::ReferenceFrame>(INT_MIN));
    EXPECT_TRUE(q == qBefore);
    std::vector<AssertReport> reports = rec.take();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].message, "Invalid reference frame.");
    EXPECT_EQ(reports[1].message, "Invalid rotation axis");
    EXPECT_EQ(reports[2].message, "Invalid reference frame.");
    // setCAA with an invalid axis stores the scalar part and keeps the vector part.
    Q c(0.5, 0.5, 0.5, 0.5);
    c.setCAA(static_cast<ZELMath3D::AxisType>(3), M_PI);
    EXPECT_EQ(rec.take().size(), 1u);
    double s;
    V3 v;
    c.get(s, v);
    EXPECT_EQ(v, V3(0.5, 0.5, 0.5));

    X3 x(0.3, 1.0, 0.2, 2.0);
    const X3 xBefore = x;
    x.rotate(ZELMath3D::ZAxis, 0.5, static_cast<ZELMath3D::ReferenceFrame>(7));
    x.rotate(static_cast<ZELMath3D::AxisType>(9), 0.5, ZELMath3D::LocalFrame);
    x.translate(V3(1, 2, 3), static_cast<ZELMath3D::ReferenceFrame>(-3));
    x.move(xBefore, static_cast<ZELMath3D::ReferenceFrame>(5));
    EXPECT_TRUE(x == xBefore);
    reports = rec.take();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].message, "Invalid reference frame");
    EXPECT_EQ(reports[1].message, "Invalid rotation axis");
    EXPECT_EQ(reports[2].message, "Invalid reference frame");
    EXPECT_EQ(reports[3].message, "Invalid reference frame");
    EXPECT_THROW(x.rotate(V3(), 1.0, static_cast<ZELMath3D::ReferenceFrame>(5)), ZELEZeroVector);
    EXPECT_TRUE(rec.take().empty());
}

TEST(BadInput, TransformFromNonOrthonormalAndNonFiniteArrays) {
    const double skewed[4][4] = {{2, 1, 1, 7}, {0, 3, 1, 8}, {0, 0, 5, 9}, {4, 4, 4, 4}};
    const X3 x(skewed, false);
    EXPECT_TRUE(x == X3(R3(), V3(7, 8, 9)));
    const double broken[4][4] = {{NaN, 0, 0, Inf}, {0, Inf, 0, 0}, {0, 0, 1, -Inf}, {0, 0, 0, 1}};
    X3 y(broken, true);
    y *= y;
    V3 p(1, 2, 3);
    y.rotateVec(p);
}

// ---- random streams and distributions ------------------------------------------------------------

TEST(BadInput, OutOfRangeStreamNumbersMeanStreamOne) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    const int bad[] = {0, -1, 2001, INT_MAX, INT_MIN};
    for (int stream : bad) {
        g->ResetStream(1);
        model::Stream m{model::seedOfStream(1)};
        EXPECT_EQ(g->GetRandomNumber(stream), m.next()) << stream;
        EXPECT_EQ(g->GetRandomNumber(1), m.next());
        EXPECT_EQ(g->GetInitialSeed(stream), g->GetInitialSeed(1));
    }
    g->ResetStream(2);
    g->AdvanceStream(INT_MIN, 0);
    g->GetRandomNumbers(-3, nullptr, 0);  // an empty block draws nothing
    g->ResetStream(1);
    model::Stream m{model::seedOfStream(1)};
    double block[3];
    g->GetRandomNumbers(5000, block, 3);
    for (double u : block) EXPECT_EQ(u, m.next());
    ZELUniformDistribution uniform;
    EXPECT_EQ(uniform.getRandomVariate(-7), m.next());
    g->ResetStream(1);
}

// Draws `n` numbers of `stream` and tells whether the stream then continues at position n.
bool streamAt(int stream, int n) {
    model::Stream m{model::seedOfStream(stream)};
    for (int i = 0; i < n; ++i) m.next();
    return ZELRandomGenerator::Instance()->GetRandomNumber(stream) == m.next();
}

TEST(BadInput, ZeroNegativeAndNonFiniteDistributionParameters) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int S = 700;
    g->ResetStream(S);

    ZELExponentialDistribution exponential(0.0);
    EXPECT_EQ(exponential.getRandomVariate(S), 0.0);
    exponential.SetDistributionParameters(-2.0);
    EXPECT_LE(exponential.getRandomVariate(S), 0.0);
    EXPECT_TRUE(streamAt(S, 2));

    // Erlang: k = 0 and k < 0 draw nothing; a negative count in the constructor means 1 phase.
    g->ResetStream(S);
    ZELErlangDistribution erlang(3.0, 0);
    EXPECT_EQ(erlang.getRandomVariate(S), 0.0);
    erlang.SetDistParameters(3.0, -2.0);
    const double negative = erlang.getRandomVariate(S);
    EXPECT_EQ(negative, 0.0);
    EXPECT_TRUE(std::signbit(negative));
    EXPECT_TRUE(streamAt(S, 0));
    g->ResetStream(S);
    ZELErlangDistribution onePhase(3.0, -5);
    ZELExponentialDistribution same(3.0);
    const double x = onePhase.getRandomVariate(S);
    g->ResetStream(S);
    EXPECT_EQ(x, same.getRandomVariate(S));
    g->ResetStream(S);
    erlang.SetDistParameters(1.0, 2.5);  // ceil(2.5) phases
    (void)erlang.getRandomVariate(S);
    EXPECT_TRUE(streamAt(S, 3));

    // Weibull with a shape <= 0 (or the default object) yields 0 without drawing.
    g->ResetStream(S);
    ZELWeibullDistribution weibull(2.0, 0.0);
    EXPECT_EQ(weibull.getRandomVariate(S), 0.0);
    weibull.SetDistributionParameters(2.0, -1.0);
    EXPECT_EQ(weibull.getRandomVariate(S), 0.0);
    EXPECT_EQ(ZELWeibullDistribution().getRandomVariate(S), 0.0);
    EXPECT_TRUE(streamAt(S, 0));

    // Degenerate spreads give the location.
    g->ResetStream(S);
    EXPECT_EQ(ZELNormalDistribution(4.0, 0.0).getRandomVariate(S), 4.0);
    EXPECT_EQ(ZELTriangularDistribution(2.0, 2.0, 2.0).getRandomVariate(S), 2.0);
    EXPECT_EQ(ZELUniformDistribution(5.0, 5.0).getRandomVariate(S), 5.0);
    const double mirrored = ZELUniformDistribution(1.0, -1.0).getRandomVariate(S);
    EXPECT_TRUE(mirrored >= -1.0 && mirrored <= 1.0);

    // A gamma of shape 0 ends at once (the early exits), a log-normal of mean <= 0 gives no
    // finite positive values, NaN parameters give NaN; none of them hangs or crashes.
    ZELGammaDistribution gamma(0.0, 1.0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(gamma.getRandomVariate(S), 0.0);
    ZELLogNormalDistribution logNormal(0.0, 1.0);
    for (int i = 0; i < 10; ++i) {
        const double v = logNormal.getRandomVariate(S);
        EXPECT_FALSE(std::isfinite(v) && v > 0.0) << v;
    }
    EXPECT_TRUE(std::isnan(ZELNormalDistribution(NaN, 1.0).getRandomVariate(S)));
    EXPECT_TRUE(std::isnan(ZELExponentialDistribution(NaN).getRandomVariate(S)));
    ZELBetaDistribution beta(0.0, 1.0);  // Y1 is always 0
    EXPECT_EQ(beta.getRandomVariate(S), 0.0);
}

TEST(BadInput, PoissonWithHugeNegativeAndNaNMeans) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int S = 701;
    for (double lambda : {1e6, 800.0, Inf}) {
        g->ResetStream(S);
        ZELPoissonDistribution poisson(lambda);
        EXPECT_EQ(poisson.getRandomVariate(S), double(ZELPoissonDistribution::Cap)) << lambda;
        EXPECT_TRUE(streamAt(S, ZELPoissonDistribution::Cap + 1));
    }
    for (double lambda : {-5.0, -Inf, NaN}) {  // exp(-lambda) >= 1 or NaN: the first uniform ends it
        g->ResetStream(S);
        ZELPoissonDistribution poisson(lambda);
        EXPECT_EQ(poisson.getRandomVariate(S), 0.0) << lambda;
        EXPECT_TRUE(streamAt(S, 1));
    }
}

TEST(BadInput, BoundsThatAreNaNNeverReject) {
    ZELRandomGenerator::Instance()->ResetStream(702);
    ZELNormalDistribution normal(0.0, 1.0);
    normal.SetBounds(NaN, NaN);
    (void)normal.getRandomVariate(702);
    EXPECT_TRUE(streamAt(702, 2));
    double v = NaN;
    normal.SetBounds(0.0, 1.0);
    EXPECT_TRUE(normal.DistValueOK(&v));
}

TEST(BadInput, DegenerateUserTables) {
    constexpr int S = 703;
    const double values[3] = {10, 20, 30};
    const double zeros[3] = {0, 0, 0};
    const double negative[3] = {1, -2, 0.5};
    ZELRandomGenerator::Instance()->ResetStream(S);
    EXPECT_EQ(ZELUserDiscDistribution(values, zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserContDistribution(values, zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserDiscDistribution(nullptr, nullptr, -4).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserContDistribution(nullptr, nullptr, INT_MIN).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUsrDist(zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUsrDist(nullptr, -1).getRandomVariate(S), -1.0);
    // Negative probabilities are taken as they come: every draw is a table value or -1.
    ZELUserDiscDistribution disc(values, negative, 3);
    ZELUserContDistribution cont(values, negative, 3);
    for (int i = 0; i < 200; ++i) {
        const double d = disc.getRandomVariate(S);
        EXPECT_TRUE(d == -1.0 || d == 10.0 || d == 20.0 || d == 30.0) << d;
        const double c = cont.getRandomVariate(S);
        EXPECT_TRUE(c == -1.0 || (c >= 10.0 && c <= 30.0) || std::isnan(c)) << c;
    }
    // More weights than the capacity: the first ones are kept.
    std::vector<double> many(ZELUsrDist::Capacity + 5, 1.0);
    auto usr = std::make_unique<ZELUsrDist>(many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(usr->count(), ZELUsrDist::Capacity);
    EXPECT_EQ(usr->getRandomVariate(S), 1.0 / ZELUsrDist::Capacity);
}

}  // namespace
