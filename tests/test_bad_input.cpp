// Hostile input across the library: NaN, infinities, denormals, values at and beyond the ends of
// the ranges, zero vectors, matrices that are not rotations, enumeration values outside their
// sets. Each case checks the documented outcome; the sanitizer builds check that nothing else
// happens.
#include "AssertRecorder.h"
#include "foundation/ZELException.h"
#include "protectedinterfaces/ZELLUFactor.h"
#include "publicinterfaces/ZELMathVector.h"

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

}  // namespace
