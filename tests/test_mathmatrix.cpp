// The whole program runs in checked mode: the shape checks of the matrix are compiled in and
// tested below, and every other test shows they cost nothing when the shapes fit.
#define ZELMATH_CHECKED 1

#include "publicinterfaces/ZELMathMatrix.h"

#include "AssertRecorder.h"
#include "PoolFailure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <new>
#include <random>
#include <sstream>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

using Rows = std::vector<std::vector<double>>;

ZELMathMatrix mat(const Rows& rows) {
    const std::size_t c = rows.empty() ? 0 : rows[0].size();
    std::vector<double> flat;
    for (const auto& r : rows) flat.insert(flat.end(), r.begin(), r.end());
    return ZELMathMatrix(flat.data(), rows.size(), c);
}

Rows elems(const ZELMathMatrix& m) {
    Rows out;
    for (std::size_t i = 0; i < m.rows(); ++i) {
        EXPECT_EQ(m.row(i).length(), m.cols());
        out.emplace_back(m.row(i).data(), m.row(i).data() + m.cols());
    }
    return out;
}

ZELMathVector vec(std::vector<double> v) { return ZELMathVector(v.data(), v.size()); }
std::vector<double> elems(const ZELMathVector& v) {
    return std::vector<double>(v.begin(), v.end());
}

std::string text(const ZELMathMatrix& m) {
    std::ostringstream os;
    os << m;
    return os.str();
}

// Values of widely different magnitudes (a different summation order would show) and signed zeros.
ZELMathMatrix randomMatrix(std::mt19937_64& gen, std::size_t r, std::size_t c) {
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-20, 20);
    std::uniform_int_distribution<int> pick(0, 15);
    ZELMathMatrix m(r, c, ZELUninitialized);
    for (std::size_t i = 0; i < r; ++i)
        for (std::size_t j = 0; j < c; ++j) {
            const int p = pick(gen);
            m(i, j) = p == 0 ? 0.0 : p == 1 ? -0.0 : std::ldexp(mantissa(gen), exponent(gen));
        }
    return m;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(MathMatrix, ConstructorsGiveTheDocumentedShapesRowCapacitiesAndElements) {
    ZELMathMatrix empty;
    EXPECT_EQ(empty.rows() + empty.cols(), 0u);
    EXPECT_EQ(empty.getRowCapacity(), 6u);
    const ZELMathMatrix zeros(3, 2, ZELUninitialized);
    EXPECT_EQ(zeros.getRowCapacity(), 3u);
    EXPECT_EQ(elems(zeros), (Rows{{0, 0}, {0, 0}, {0, 0}}));
    EXPECT_EQ(elems(ZELMathMatrix(2, 1, 7.5)), (Rows{{7.5}, {7.5}}));
    const double values[] = {1, 2, 3, 4, 5, 6};
    const ZELMathMatrix m(values, 2, 3);
    EXPECT_EQ(elems(m), (Rows{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(m.fromOne(2, 1), 4.0);
    EXPECT_EQ(&m.fromOne(1, 3), &m(0, 2));
    EXPECT_EQ(elems(m.col(1)), (std::vector<double>{2, 5}));
    EXPECT_EQ(elems(ZELMathMatrix(vec({1, 2, 3, 4, 5, 6, 7}), 3, 2)),
              (Rows{{1, 2}, {3, 4}, {5, 6}}));
    ZELMathMatrix grown = m;
    grown.resize(9, 3);
    grown.resize(1, 3);
    const ZELMathMatrix copied(grown);  // a copy keeps the source's row capacity
    EXPECT_EQ(copied.getRowCapacity(), 9u);
    EXPECT_EQ((-copied).getRowCapacity(), 9u);
    EXPECT_EQ(elementProduct(copied, copied).getRowCapacity(), 1u);
    EXPECT_EQ(transpose(m).getRowCapacity(), 3u);
}

TEST(MathMatrix, ReshapeKeepsTheOldShapeAndShowsOrZeroesTheRest) {
    ZELMathMatrix m = mat({{1, 2}, {3, 4}});
    m.resize(3, 3);
    EXPECT_EQ(elems(m), (Rows{{1, 2, 0}, {3, 4, 0}, {0, 0, 0}}));
    m.reshape(1, 1, false);
    m.reshape(2, 2, false);  // rows and columns within the capacities show again
    EXPECT_EQ(elems(m), (Rows{{1, 2}, {3, 4}}));
    m.resize(1, 1);
    m.resize(2, 2);
    EXPECT_EQ(elems(m), (Rows{{1, 0}, {0, 0}}));
    // Growing the row array keeps the leading columns; what is new is 0 even without zero fill.
    ZELMathMatrix k = mat({{1, 2, 3}, {4, 5, 6}});
    k.reshape(4, 2, false);
    EXPECT_EQ(k.getRowCapacity(), 4u);
    k.reshape(4, 3, false);
    EXPECT_EQ(elems(k), (Rows{{1, 2, 0}, {4, 5, 0}, {0, 0, 0}, {0, 0, 0}}));
    ZELMathMatrix d;  // spare rows of a default matrix
    d.reshape(2, 2, false);
    EXPECT_EQ(elems(d), (Rows{{0, 0}, {0, 0}}));
    d = 5.0;
    d.reshape(1, 2, true);
    d.reshape(2, 2, false);
    EXPECT_EQ(elems(d), (Rows{{5, 5}, {5, 5}}));
    d.reshape(1, 2, true);
    d.reshape(2, 2, true);
    EXPECT_EQ(elems(d), (Rows{{5, 5}, {0, 0}}));
}

TEST(MathMatrix, CopyAssignmentReusesTheRowArrayWhileMovesTakeItOver) {
    static_assert(std::is_nothrow_move_constructible<ZELMathMatrix>::value, "");
    static_assert(std::is_nothrow_move_assignable<ZELMathMatrix>::value, "");
    ZELMathMatrix m(8, 2, 1.0);
    const ZELMathVector* firstRow = &m[0];
    const ZELMathMatrix wide = mat({{1, 2, 3}});
    m = wide;
    EXPECT_EQ(m.getRowCapacity(), 8u);
    EXPECT_EQ(&m[0], firstRow);
    m.reshape(2, 2, false);
    EXPECT_EQ(elems(m), (Rows{{1, 2}, {1, 1}}));
    const ZELMathMatrix& self = m;
    m = self;
    EXPECT_EQ(elems(m), (Rows{{1, 2}, {1, 1}}));

    ZELMathMatrix moved(std::move(m));
    EXPECT_EQ(&moved[0], firstRow);
    EXPECT_EQ(moved.getRowCapacity(), 8u);
    EXPECT_EQ(elems(moved), (Rows{{1, 2}, {1, 1}}));
    EXPECT_EQ(m.rows() + m.cols() + m.getRowCapacity(), 0u);
    moved = mat({{1, 2}}) * mat({{3}, {4}});  // a temporary result is taken over
    EXPECT_EQ(moved.getRowCapacity(), 1u);
    EXPECT_EQ(elems(moved), (Rows{{11}}));
    ZELMathMatrix& alias = moved;
    moved = std::move(alias);
    EXPECT_EQ(elems(moved), (Rows{{11}}));
    m.resize(2, 1);  // a moved-from matrix is usable again
    EXPECT_EQ(elems(m), (Rows{{0}, {0}}));
    m = moved;
    EXPECT_EQ(elems(m), (Rows{{11}}));
}

// Every element-wise form is the vector operation applied to each row of the left operand.
TEST(MathMatrix, ElementWiseFormsAreTheRowwiseVectorOperations) {
    std::mt19937_64 gen(3);
    const ZELMathMatrix a = randomMatrix(gen, 5, 7), b = randomMatrix(gen, 6, 9);
    const double s = 0.375;
    const auto rowwise = [&](const ZELMathMatrix& r, auto f) {
        ASSERT_EQ(r.rows(), a.rows());
        ASSERT_EQ(r.cols(), a.cols());
        for (std::size_t i = 0; i < a.rows(); ++i) {
            ZELMathVector bi = b.row(i);
            bi.reshape(a.cols(), false);
            EXPECT_EQ(elems(r.row(i)), elems(f(a.row(i), bi))) << i;
        }
    };
    using V = const ZELMathVector&;
    rowwise(-a, [](V x, V) { return -x; });
    rowwise(a + b, [](V x, V y) { return x + y; });
    rowwise(a - b, [](V x, V y) { return x - y; });
    rowwise(elementProduct(a, b), [](V x, V y) { return x * y; });
    // The element-wise tags between two matrices; _ZELMulOp alone names the matrix product.
    rowwise(ZELMathMatrix(a, ZELMathMatrix(a.rows(), a.cols(), 4.0), _ZELDivOp()),
            [](V x, V) { return x / 4.0; });
    EXPECT_EQ(ZELMathMatrix(a, transpose(a), _ZELMulOp()), a * transpose(a));
    EXPECT_EQ(ZELMathMatrix(a, transpose(a), _ZELMulOp()).cols(), a.rows());
    rowwise(a + s, [s](V x, V) { return x + s; });
    rowwise(s + a, [s](V x, V) { return s + x; });
    rowwise(a - s, [s](V x, V) { return x - s; });
    rowwise(s - a, [s](V x, V) { return s - x; });
    rowwise(a * s, [s](V x, V) { return x * s; });
    rowwise(s * a, [s](V x, V) { return s * x; });
    rowwise(a / s, [s](V x, V) { return x / s; });
    rowwise(s / a, [s](V x, V) { return s / x; });
    ZELMathMatrix m = a;
    rowwise((((m += b) -= s) *= s) /= s, [s](V x, V y) { return ((x + y) - s) * s / s; });
    rowwise(++(m -= b), [s](V x, V y) { return (((((x + y) - s) * s / s) - y) + 1.0); });
    m--;
    rowwise(m, [s](V x, V y) { return (((((x + y) - s) * s / s) - y) + 1.0) - 1.0; });
    // Element-wise *= widens to the partner's columns first.
    ZELMathMatrix narrow = mat({{2}, {3}});
    narrow *= mat({{4, 5}, {6, 7}});
    EXPECT_EQ(elems(narrow), (Rows{{8, 0}, {18, 0}}));
}

TEST(MathMatrix, ProductsAndTransposeFollowTheDefinitions) {
    const ZELMathMatrix a = mat({{1, 2}, {3, 4}});
    EXPECT_EQ(elems(a * vec({1, 1})), (std::vector<double>{3, 7}));
    EXPECT_EQ(elems(vec({1, 1}) * a), (std::vector<double>{4, 6}));
    EXPECT_EQ(elems(transpose(a)), (Rows{{1, 3}, {2, 4}}));
    EXPECT_EQ(elems(a * mat({{5, 6}, {7, 8}})), (Rows{{19, 22}, {43, 50}}));
    EXPECT_EQ((ZELMathMatrix() * ZELMathMatrix()).getRowCapacity(), 6u);  // the left operand's
}

TEST(MathMatrix, ProductsMatchTheDotProductDefinitionBitForBitOverManyShapes) {
    std::mt19937_64 gen(20240611);
    const std::size_t shapes[][3] = {{1, 1, 1},    {2, 3, 4},  {4, 4, 4},    {5, 1, 7},
                                     {7, 9, 3},    {8, 8, 8},  {13, 17, 11}, {16, 16, 16},
                                     {33, 31, 65}, {70, 64, 5}};
    for (const auto& s : shapes) {
        const ZELMathMatrix a = randomMatrix(gen, s[0], s[1]);
        const ZELMathMatrix b = randomMatrix(gen, s[1], s[2]);
        const ZELMathMatrix p = a * b;
        ASSERT_EQ(p.rows(), s[0]);
        ASSERT_EQ(p.cols(), s[2]);
        for (std::size_t j = 0; j < s[2]; ++j) {
            const ZELMathVector column = b.col(j);
            for (std::size_t i = 0; i < s[0]; ++i)
                ASSERT_TRUE(sameBits(p(i, j), ZELDot(a.row(i), column)))
                    << s[0] << "x" << s[1] << "x" << s[2];
        }

        const ZELMathVector x = randomMatrix(gen, 1, s[1]).row(0);
        const ZELMathVector ax = a * x;
        ASSERT_EQ(ax.length(), s[0]);
        for (std::size_t i = 0; i < s[0]; ++i) ASSERT_TRUE(sameBits(ax[i], ZELDot(a.row(i), x)));

        const ZELMathVector y = randomMatrix(gen, 1, s[0]).row(0);
        const ZELMathVector ya = y * a;
        ASSERT_EQ(ya.length(), s[1]);
        for (std::size_t j = 0; j < s[1]; ++j) ASSERT_TRUE(sameBits(ya[j], ZELDot(y, a.col(j))));
    }
}

TEST(MathMatrix, ComparisonsNormsAndNearComparisonsWorkRowByRow) {
    const ZELMathMatrix a = mat({{1, -2}, {3, 4}});
    EXPECT_TRUE(a == mat({{1, -2}, {3, 4}}));
    EXPECT_FALSE(a == mat({{1, -2}, {3, 5}}));
    EXPECT_FALSE(a == mat({{1, -2}}));
    ZELMathMatrix nan = a;
    nan(1, 1) = kNaN;
    EXPECT_FALSE(nan == nan);
    EXPECT_TRUE(a < mat({{2, 3}, {4, 5}}));  // unless some row of a lies entirely above its partner
    EXPECT_TRUE(a < mat({{0, 3}, {4, 0}}));
    EXPECT_FALSE(a < mat({{0, -3}, {4, 5}}));
    EXPECT_FALSE(a < mat({{2, 3}}));
    EXPECT_TRUE(ZELMathMatrix() < ZELMathMatrix());
    const ZELMathMatrix noColumns(2, 0, ZELUninitialized);
    EXPECT_FALSE(noColumns < noColumns);

    EXPECT_EQ(ZELL1Norm(a), 6.0);
    EXPECT_EQ(ZELLinfNorm(a), 4.0);
    EXPECT_EQ(ZELL1Norm(ZELMathMatrix()) + ZELLinfNorm(ZELMathMatrix()), 0.0);
    EXPECT_EQ(ZELLinfNorm(mat({{kNaN, -3}})), 3.0);
    EXPECT_FALSE(
        ZELNearAbs(mat({{1, 2}}), mat({{1, 2}, {3, 4}}), 0));  // tolerance 0 compares shapes
    EXPECT_TRUE(ZELNearAbs(mat({{1, 2}}), mat({{1, 2}, {3, 4}}), 0.1));
    EXPECT_TRUE(ZELNearAbs(a, a + 0.0625, 0.1));
    EXPECT_FALSE(ZELNearAbs(a, a + 0.125, 0.1));
    EXPECT_TRUE(ZELNearRel(mat({{100, 0}}), mat({{101, 0}}), 0.01));
    EXPECT_FALSE(ZELNearRel(mat({{100, 0}}), mat({{102, 0}}), 0.01));
    EXPECT_FALSE(ZELNearRel(a, a, kNaN));
}

// Shapes that do not fit are reported before any element is touched: the result has its usual
// shape, all NaN, and an in-place target is unchanged. Partners at least as large still work.
TEST(MathMatrix, CheckedModeReportsShapesThatDoNotFitAndTouchesNothing) {
    AssertRecorder recorder;
    ZELMathMatrix a(8, 8, 2.0);
    const ZELMathMatrix fewerRows(7, 8, 1.0), fewerCols(8, 7, 1.0);
    const auto allNaN = [](const ZELMathMatrix& m, std::size_t r, std::size_t c) {
        ASSERT_EQ(m.rows(), r);
        ASSERT_EQ(m.cols(), c);
        for (std::size_t i = 0; i < r; ++i)
            for (std::size_t j = 0; j < c; ++j) EXPECT_TRUE(std::isnan(m(i, j)));
    };
    allNaN(a + fewerRows, 8, 8);
    allNaN(a - fewerCols, 8, 8);
    allNaN(elementProduct(a, fewerCols), 8, 8);
    allNaN(a * fewerRows, 8, 8);
    const ZELMathVector ofSeven(7, 1.0), ofNine(9, 1.0);
    for (const ZELMathVector& v : {a * ofSeven, ofNine * a}) {
        ASSERT_EQ(v.length(), 8u);
        for (double x : v) EXPECT_TRUE(std::isnan(x));
    }
    ((a += fewerRows) -= fewerCols) *= fewerRows;
    EXPECT_EQ(a, ZELMathMatrix(8, 8, 2.0));
    std::vector<AssertReport> reports = recorder.take();
    ASSERT_EQ(reports.size(), 9u);
    for (const AssertReport& r : reports)
        EXPECT_EQ(r.message + " " + r.file, "Size mismatch foundation/internal/ZELSizeCheck");
    EXPECT_EQ(fewerRows + a, ZELMathMatrix(7, 8, 3.0));
    EXPECT_EQ(fewerCols * fewerRows, ZELMathMatrix(8, 8, 7.0));
    EXPECT_EQ(ofSeven * fewerCols, ZELMathVector(7, 7.0));  // a shorter row vector sums fewer rows
    EXPECT_TRUE(recorder.take().empty());
}

TEST(MathMatrix, PrintsTheShapeThenRowsInFieldsOfFourteen) {
    EXPECT_EQ(text(mat({{1, 2}})), "1X2:\n[\n             1              2 \n]\n");
    EXPECT_EQ(text(ZELMathMatrix()), "0X0:\n[\n]\n");
    EXPECT_EQ(text(ZELMathMatrix(2, 0, ZELUninitialized)), "2X0:\n[\n\n\n]\n");
    std::ostringstream os;
    os << std::fixed << std::setprecision(3) << std::setfill('.') << mat({{-0.5}, {kNaN}});
    EXPECT_EQ(os.str(), "2X1:\n[\n........-0.500 \n...........nan \n]\n");
}

TEST(MathMatrix, FailedAllocationLeavesTheMatrixUnchanged) {
    const ZELMathMatrix source = mat({{1, 2, 3}, {4, 5, 6}}), st = transpose(source);
    for (std::size_t k = 1; k <= 3; ++k) {  // the row array, then each row
        PoolFailure fail(k);
        EXPECT_THROW(ZELMathMatrix copied(source), std::bad_alloc) << k;
        EXPECT_THROW(source * st, std::bad_alloc) << k;
    }
    ZELMathMatrix m(4, 2, 0.0);
    const ZELMathMatrix small = mat({{1, 2}, {3, 4}}), wide(3, 9, 1.0), tall(7, 2, 1.0);
    m = small;
    const ZELMathVector* firstRow = &m[0];
    const auto unchanged = [&] {
        EXPECT_EQ(&m[0], firstRow);
        EXPECT_EQ(m.getRowCapacity(), 4u);
        EXPECT_EQ(elems(m), (Rows{{1, 2}, {3, 4}}));
        EXPECT_EQ(m[0].getCapacity() + m[1].getCapacity(), 12u);
    };
    // Growing rows fail on the first or the second row's buffer; a new row array on any of its
    // allocations. Each attempt fails from its k-th allocation on.
    const auto failsAt = [&](std::size_t k, auto op) {
        {
            PoolFailure fail(k);
            EXPECT_THROW(op(), std::bad_alloc) << k;
        }
        unchanged();
    };
    for (std::size_t k = 1; k <= 8; ++k) {
        if (k <= 2) {
            failsAt(k, [&] { m.resize(3, 9); });
            failsAt(k, [&] { m = wide; });
            failsAt(k, [&] { m *= wide; });
        }
        failsAt(k, [&] { m.reshape(7, 2, false); });
        failsAt(k, [&] { m = tall; });
    }
}
