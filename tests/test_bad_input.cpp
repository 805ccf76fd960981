// Hostile input across the library: NaN, infinities, denormals, values at and beyond the ends of
// the ranges, zero vectors, matrices that are not rotations, enumeration values outside their
// sets. Each case checks the documented outcome; the sanitizer builds check that nothing else happens.
#include "AssertRecorder.h"
#include "foundation/ZELException.h"
#include "protectedinterfaces/ZELLUFactor.h"
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

// ---- LU factorisation -----------------------------------------------------------------------------

using Matrix = ZELBasicMathMatrix<double>;
using Vector = ZELBasicMathVector<double>;

bool allNaN(const Vector& v) {
    for (std::size_t i = 0; i < v.length(); ++i)
        if (!std::isnan(v[i])) return false;
    return true;
}

TEST(BadInput, LUOfSingularNonFiniteAndOddlyShapedMatrices) {
    const double singular[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1};
    const double tinyPivot[4] = {1e-6, 0, 0, 1e-6};  // the pivot threshold is absolute
    const double withNaN[4] = {NaN, 1, 1, 1};
    const double withInf[4] = {Inf, 1, 1, 1};
    const double allInf[4] = {Inf, Inf, Inf, Inf};
    const Matrix inputs[] = {Matrix(singular, 3, 3), Matrix(tinyPivot, 2, 2), Matrix(withNaN, 2, 2),
                             Matrix(withInf, 2, 2), Matrix(allInf, 2, 2), Matrix(3, 3, 0.0)};
    for (const Matrix& a : inputs) {
        ZELLUFactor f(a, true);
        const Vector x = solve(f, Vector(a.rows(), 1.0));
        const Matrix inv = inverse(f);
        EXPECT_EQ(inv.rows(), a.rows());
        (void)determinant(f);
        (void)f.conditionHigham();
        if (f.fail()) {
            EXPECT_FALSE(f.good());
            EXPECT_TRUE(allNaN(x));
            EXPECT_EQ(f.condition(), 0.0);
            EXPECT_EQ(f.isSingular(), 1);
        }
    }
    EXPECT_TRUE(ZELLUFactor(inputs[0]).fail());
    EXPECT_TRUE(ZELLUFactor(inputs[1]).fail());
    EXPECT_TRUE(ZELLUFactor(inputs[5]).fail());

    // 0 x 0 factors; a right-hand side of the wrong length is answered with NaNs.
    ZELLUFactor empty(Matrix(0, 0, 0.0), true);
    EXPECT_TRUE(empty.good());
    EXPECT_EQ(determinant(empty), 1.0);
    EXPECT_EQ(empty.condition(), 1.0);
    const double good[4] = {2, 1, 1, 3};
    ZELLUFactor f(Matrix(good, 2, 2));
    const Vector wrong = solve(f, Vector(3, 1.0));
    EXPECT_EQ(wrong.length(), 3u);
    EXPECT_TRUE(allNaN(wrong));
    EXPECT_TRUE(allNaN(solve(ZELLUFactor(), Vector(2, 1.0))));
    // More rows than columns: padded with zero columns, so the factorisation fails.
    const double tall[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(ZELLUFactor(Matrix(tall, 3, 2)).fail());
    // More columns than rows: the extra columns are ignored.
    const double wide[6] = {2, 1, 99, 1, 3, -99};
    ZELLUFactor w(Matrix(wide, 2, 3));
    EXPECT_TRUE(w.good());
    EXPECT_EQ(determinant(w), determinant(f));
}

TEST(BadInput, LUCopyConstructorIsReported) {
    const double good[4] = {2, 1, 1, 3};
    const ZELLUFactor f(Matrix(good, 2, 2));
    AssertRecorder rec;
    const ZELLUFactor copy(f);
    const std::vector<AssertReport> reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "This constructor is not yet implemented");
    EXPECT_FALSE(copy.good());
    EXPECT_EQ(copy.dimension(), 0u);
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

}  // namespace
