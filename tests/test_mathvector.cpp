#include "publicinterfaces/ZELMathVector.h"

#include "PoolFailure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <new>
#include <sstream>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

ZELMathVector vec(std::vector<double> v) { return ZELMathVector(v.data(), v.size()); }

std::vector<double> elems(const ZELMathVector& v) { return std::vector<double>(v.begin(), v.end()); }

std::string text(const ZELMathVector& v) {
    std::ostringstream os;
    os << v;
    return os.str();
}

}  // namespace

TEST(MathVector, ConstructorsTakeAtLeastSixElements) {
    ZELMathVector empty;
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(empty.getCapacity(), 6u);
    EXPECT_EQ(empty.getAllocator(), ZELPoolAllocator::Global());

    EXPECT_EQ(ZELMathVector(10, 1.5).getCapacity(), 10u);
    EXPECT_EQ(ZELMathVector(4, 1.5).getCapacity(), 6u);
    EXPECT_EQ(elems(ZELMathVector(3, 1.5)), (std::vector<double>{1.5, 1.5, 1.5}));
    EXPECT_EQ(ZELMathVector(7, ZELUninitialized).length(), 7u);

    // A copy is sized by the source's length, not its capacity.
    ZELMathVector big(20, 1.0);
    big.resize(2);
    ZELMathVector copied(big);
    EXPECT_EQ(copied.getCapacity(), 6u);
    EXPECT_EQ(elems(copied), (std::vector<double>{1.0, 1.0}));
    EXPECT_EQ(big.copy().getCapacity(), 6u);

    // Results of the operators follow the constructor rule too.
    EXPECT_EQ((ZELMathVector(8, 1.0) + 1.0).getCapacity(), 8u);
    EXPECT_EQ((-vec({1, 2})).getCapacity(), 6u);
}

TEST(MathVector, ResizeAndReshapeVisibility) {
    ZELMathVector v;
    v.resize(8);
    EXPECT_EQ(v.getCapacity(), 8u);
    EXPECT_EQ(elems(v), std::vector<double>(8, 0.0));

    ZELMathVector w = vec({1, 2, 3, 4, 5});
    w.resize(2);
    EXPECT_EQ(w.getCapacity(), 6u);
    w.resize(5);
    EXPECT_EQ(elems(w), (std::vector<double>{1, 2, 0, 0, 0}));

    ZELMathVector u = vec({1, 2, 3, 4, 5});
    u.resize(2);
    u.reshape(5, false);
    EXPECT_EQ(elems(u), (std::vector<double>{1, 2, 3, 4, 5}));
    u.reshape(6, false);  // within the capacity: the sixth element was never written by us
    EXPECT_EQ(u.getCapacity(), 6u);

    // Growing past the capacity takes exactly what is asked for and keeps the elements; the
    // new part is 0 even without zero fill.
    ZELMathVector g = vec({1, 2, 3});
    g.reshape(9, false);
    EXPECT_EQ(g.getCapacity(), 9u);
    EXPECT_EQ(elems(g), (std::vector<double>{1, 2, 3, 0, 0, 0, 0, 0, 0}));
    g.reshape(1, true);
    EXPECT_EQ(g.getCapacity(), 9u);
}

TEST(MathVector, AssignmentGrowsOnlyWhenNeeded) {
    ZELMathVector v;
    v = ZELMathVector(20, 2.0);
    EXPECT_EQ(v.getCapacity(), 20u);
    EXPECT_EQ(v.length(), 20u);
    const double* buffer = v.data();
    v = vec({1, 2, 3});
    EXPECT_EQ(v.getCapacity(), 20u);
    EXPECT_EQ(v.data(), buffer);
    EXPECT_EQ(elems(v), (std::vector<double>{1, 2, 3}));
    // The elements beyond the new length keep their values.
    v.reshape(4, false);
    EXPECT_EQ(v[3], 2.0);

    const ZELMathVector& self = v;
    v = self;
    EXPECT_EQ(elems(v), (std::vector<double>{1, 2, 3, 2}));
    v = 7.0;
    EXPECT_EQ(elems(v), (std::vector<double>{7, 7, 7, 7}));
}

TEST(MathVector, ElementAccessSliceAndCopy) {
    ZELMathVector v = vec({10, 20, 30, 40});
    EXPECT_EQ(&v.fromOne(1), &v[0]);
    EXPECT_EQ(&v(3), &v[3]);
    EXPECT_EQ(v.fromOne(4), 40.0);
    EXPECT_EQ(elems(v.slice(1, 2)), (std::vector<double>{20, 30}));
    EXPECT_EQ(v.slice(0, 0).length(), 0u);

    ZELMathVector c = v.copy();
    c[0] = -1;
    EXPECT_EQ(v[0], 10.0);
}

TEST(MathVector, ArithmeticIsElementWise) {
    const ZELMathVector a = vec({1, -2, 6});
    const ZELMathVector b = vec({4, 8, -3});
    EXPECT_EQ(elems(a + b), (std::vector<double>{5, 6, 3}));
    EXPECT_EQ(elems(a - b), (std::vector<double>{-3, -10, 9}));
    EXPECT_EQ(elems(a * b), (std::vector<double>{4, -16, -18}));
    EXPECT_EQ(elems(a / b), (std::vector<double>{0.25, -0.25, -2}));
    EXPECT_EQ(elems(a + 1.0), (std::vector<double>{2, -1, 7}));
    EXPECT_EQ(elems(1.0 + a), (std::vector<double>{2, -1, 7}));
    EXPECT_EQ(elems(a - 1.0), (std::vector<double>{0, -3, 5}));
    EXPECT_EQ(elems(1.0 - a), (std::vector<double>{0, 3, -5}));
    EXPECT_EQ(elems(a * 2), (std::vector<double>{2, -4, 12}));
    EXPECT_EQ(elems(2 * a), (std::vector<double>{2, -4, 12}));
    EXPECT_EQ(elems(a / 2), (std::vector<double>{0.5, -1, 3}));
    EXPECT_EQ(elems(12.0 / a), (std::vector<double>{12, -6, 2}));

    // The left operand fixes the length; a longer partner is read only that far.
    EXPECT_EQ((vec({1, 2}) + vec({1, 1, 1})).length(), 2u);

    // Negation flips the sign of zeros; division by zero gives IEEE results.
    const ZELMathVector n = -vec({0.0, 3});
    EXPECT_TRUE(std::signbit(n[0]));
    EXPECT_EQ(n[1], -3.0);
    const ZELMathVector q = vec({1, -1, 0}) / 0.0;
    EXPECT_EQ(q[0], kInf);
    EXPECT_EQ(q[1], -kInf);
    EXPECT_TRUE(std::isnan(q[2]));
}

TEST(MathVector, InPlaceArithmetic) {
    ZELMathVector v = vec({1, 2, 3, 4, 5});
    v += 1.0;
    v *= 2.0;
    v -= 4.0;
    v /= 2.0;
    EXPECT_EQ(elems(v), (std::vector<double>{0, 1, 2, 3, 4}));
    v += vec({1, 1, 1, 1, 1, 99});
    v *= vec({2, 2, 2, 2, 2});
    v -= vec({1, 1, 1, 1, 1});
    v /= vec({1, 1, 1, 1, 3});
    EXPECT_EQ(elems(v), (std::vector<double>{1, 3, 5, 7, 3}));
    ++v;
    v++;
    --v;
    EXPECT_EQ(elems(v), (std::vector<double>{2, 4, 6, 8, 4}));
    EXPECT_EQ(&(--v), &v);
    v--;
    EXPECT_EQ(elems(v), (std::vector<double>{0, 2, 4, 6, 2}));
}

TEST(MathVector, ComparisonsAreElementWiseNotLexicographic) {
    const ZELMathVector empty;
    EXPECT_TRUE(vec({1, 2}) < vec({2, 3}));
    EXPECT_FALSE(vec({1, 3}) < vec({2, 3}));
    EXPECT_TRUE(vec({1, 3}) >= vec({2, 3}));
    EXPECT_TRUE(vec({3, 4}) > vec({2, 3}));
    EXPECT_FALSE(vec({3, 3}) > vec({2, 3}));
    EXPECT_TRUE(vec({3, 3}) <= vec({2, 3}));
    EXPECT_FALSE(vec({3, 4}) <= vec({2, 3}));
    EXPECT_TRUE(empty < vec({1}));
    EXPECT_FALSE(empty >= vec({1}));
    EXPECT_FALSE(vec({1}) <= empty);
    // Pairs with a NaN count as "less".
    EXPECT_TRUE(vec({kNaN, 1}) < vec({0, 2}));
    EXPECT_TRUE(vec({5, 1}) < vec({kNaN, 2}));

    const ZELMathVector withNaN = vec({1, kNaN});
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_TRUE(withNaN != withNaN);
    EXPECT_TRUE(vec({1, 2}) == vec({1, 2}));
    EXPECT_FALSE(vec({1, 2}) == vec({1, 2, 3}));
    EXPECT_TRUE(vec({0.0}) == vec({-0.0}));
}

TEST(MathVector, NormsAndDot) {
    const ZELMathVector empty;
    EXPECT_EQ(ZELL1Norm(empty), 0.0);
    EXPECT_EQ(ZELLinfNorm(empty), 0.0);
    EXPECT_EQ(ZELMinAbsValue(empty), 0.0);
    EXPECT_EQ(ZELDot(empty, empty), 0.0);

    const ZELMathVector v = vec({-3, 2, -5});
    EXPECT_EQ(ZELMinAbsValue(v), 2.0);
    EXPECT_EQ(ZELLinfNorm(v), 5.0);
    EXPECT_EQ(ZELL1Norm(v), 10.0);
    EXPECT_EQ(ZELDot(v, vec({1, 2, 3, 100})), -14.0);

    // NaN elements are passed over by the max/min reductions.
    EXPECT_EQ(ZELLinfNorm(vec({kNaN, -2})), 2.0);
    EXPECT_EQ(ZELMinAbsValue(vec({kNaN, 3, -1})), 1.0);
    EXPECT_EQ(ZELMinAbsValue(vec({kNaN})), 0.0);

    // Index order: (1e16 + 1) rounds back to 1e16 before -1e16 is added.
    const ZELMathVector big = vec({1e16, 1, -1e16});
    EXPECT_EQ(ZELDot(big, vec({1, 1, 1})), 0.0);
    EXPECT_EQ(ZELL1Norm(vec({1e16, 1, 1})), 1e16);
}

TEST(MathVector, NearComparisons) {
    const double zero = 0.0;
    const double tenth = 0.1;
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1, 2, 3}), zero));
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1, 2}), zero));
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1.05, 2}), zero));
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1.05, 2}), tenth));
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1.2, 2}), tenth));
    // With a positive tolerance only the left operand's length is compared.
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1, 2, 3}), tenth));

    const double pct = 0.01;
    EXPECT_TRUE(ZELNearRel(vec({100, 0}), vec({101, 0}), pct));
    EXPECT_TRUE(ZELNearRel(vec({101, 0}), vec({100, 0}), pct));
    EXPECT_FALSE(ZELNearRel(vec({100, 0}), vec({102, 0}), pct));
    EXPECT_TRUE(ZELNearRel(vec({0, 0}), vec({0, 0}), pct));

    const double nan = kNaN;
    EXPECT_FALSE(ZELNearAbs(vec({1}), vec({1}), nan));
    EXPECT_FALSE(ZELNearRel(vec({1}), vec({1}), nan));
}

TEST(MathVector, TextOutput) {
    EXPECT_EQ(text(vec({1, 2.5})), "[ 1  2.5  ]\n");
    EXPECT_EQ(text(ZELMathVector()), "[ ]\n");
    EXPECT_EQ(text(vec({kNaN, 1})), "[ NaN   1  ]\n");
    EXPECT_EQ(text(vec({-kNaN})), "[ NaN   ]\n");
    EXPECT_EQ(text(vec({std::numeric_limits<double>::signaling_NaN()})), "[ NaN   ]\n");
    EXPECT_EQ(text(vec({kInf, -kInf})), "[ inf  -inf  ]\n");

    std::ostringstream os;
    os << std::fixed << std::setprecision(2) << vec({1, -0.125});
    EXPECT_EQ(os.str(), "[ 1.00  -0.12  ]\n");
}

TEST(MathVector, FailedAllocationLeavesVectorUnchanged) {
    {
        PoolFailure fail(1);
        EXPECT_THROW(ZELMathVector(3, 1.0), std::bad_alloc);
    }
    const ZELMathVector source = vec({1, 2});
    {
        PoolFailure fail(1);
        EXPECT_THROW(ZELMathVector copied(source), std::bad_alloc);
    }
    {
        PoolFailure fail(1);
        EXPECT_THROW(source + source, std::bad_alloc);
    }

    ZELMathVector v = vec({1, 2, 3});
    const double* buffer = v.data();
    const ZELMathVector big(50, 4.0);
    {
        PoolFailure fail(1);
        EXPECT_THROW(v = big, std::bad_alloc);
    }
    {
        PoolFailure fail(1);
        EXPECT_THROW(v.resize(100), std::bad_alloc);
    }
    {
        PoolFailure fail(1);
        EXPECT_THROW(v.reshape(7, false), std::bad_alloc);
    }
    EXPECT_EQ(v.data(), buffer);
    EXPECT_EQ(v.getCapacity(), 6u);
    EXPECT_EQ(elems(v), (std::vector<double>{1, 2, 3}));

    // Nothing that fits the capacity allocates.
    const ZELMathVector five(5, 9.0);
    {
        PoolFailure fail(1);
        v.resize(6);
        v = five;
        v.reshape(2, false);
        EXPECT_EQ(PoolFailure::allocations(), 0u);
    }
    EXPECT_EQ(elems(v), (std::vector<double>{9, 9}));
}
