#include "publicinterfaces/ZELMathVector.h"

#include "PoolFailure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <new>
#include <sstream>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

using Elems = std::vector<double>;

ZELMathVector vec(Elems v) { return ZELMathVector(v.data(), v.size()); }
Elems elems(const ZELMathVector& v) { return Elems(v.begin(), v.end()); }

std::string text(const ZELMathVector& v) {
    std::ostringstream os;
    os << v;
    return os.str();
}

}  // namespace

TEST(MathVector, CapacityRules) {
    ZELMathVector empty;
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(empty.getCapacity(), 6u);
    EXPECT_EQ(empty.getAllocator(), ZELPoolAllocator::Global());
    EXPECT_EQ(ZELMathVector(10, 1.5).getCapacity(), 10u);
    EXPECT_EQ(ZELMathVector(4, 1.5).getCapacity(), 6u);
    EXPECT_EQ(elems(ZELMathVector(3, 1.5)), (Elems{1.5, 1.5, 1.5}));

    // Copies and operator results are sized by the length, not the source's capacity.
    ZELMathVector big(20, 1.0);
    big.resize(2);
    EXPECT_EQ(ZELMathVector(big).getCapacity(), 6u);
    EXPECT_EQ(big.copy().getCapacity(), 6u);
    EXPECT_EQ((ZELMathVector(8, 1.0) + 1.0).getCapacity(), 8u);

    // Assignment grows to exactly the source's length and never shrinks.
    ZELMathVector v;
    const ZELMathVector twenty(20, 2.0);
    v = twenty;
    EXPECT_EQ(v.getCapacity(), 20u);
    const double* buffer = v.data();
    const ZELMathVector three = vec({1, 2, 3});
    v = three;
    EXPECT_EQ(v.getCapacity(), 20u);
    EXPECT_EQ(v.data(), buffer);
    EXPECT_EQ(elems(v), (Elems{1, 2, 3}));
    v.reshape(4, false);  // the old fourth element shows again
    EXPECT_EQ(v[3], 2.0);
    const ZELMathVector& self = v;
    v = self;
    EXPECT_EQ(elems(v), (Elems{1, 2, 3, 2}));
}

TEST(MathVector, MovesTakeOverTheBufferAndLeaveTheSourceEmpty) {
    static_assert(std::is_nothrow_move_constructible<ZELMathVector>::value, "");
    static_assert(std::is_nothrow_move_assignable<ZELMathVector>::value, "");
    ZELMathVector source(20, 2.0);
    source.resize(3);
    const double* buffer = source.data();
    ZELMathVector moved(std::move(source));
    EXPECT_EQ(moved.data(), buffer);
    EXPECT_EQ(moved.getCapacity(), 20u);  // the source's capacity, not a copy's max(3, 6)
    EXPECT_EQ(elems(moved), (Elems{2, 2, 2}));
    EXPECT_EQ(source.length(), 0u);
    EXPECT_EQ(source.getCapacity(), 0u);
    EXPECT_EQ(source.data(), nullptr);

    // Move assignment releases the target's buffer; a temporary result is taken over.
    ZELMathVector target(50, 1.0);
    target = std::move(moved);
    EXPECT_EQ(target.data(), buffer);
    EXPECT_EQ(target.getCapacity(), 20u);
    target = vec({1, 2}) + 1.0;
    EXPECT_EQ(target.getCapacity(), 6u);
    EXPECT_EQ(elems(target), (Elems{2, 3}));
    ZELMathVector& alias = target;
    target = std::move(alias);
    EXPECT_EQ(elems(target), (Elems{2, 3}));

    // A moved-from vector is usable: it can be assigned, grown and moved again.
    source = vec({4, 5});
    EXPECT_EQ(elems(source), (Elems{4, 5}));
    moved.resize(3);
    EXPECT_EQ(moved.getCapacity(), 3u);
    EXPECT_EQ(elems(moved), (Elems{0, 0, 0}));
    ZELMathVector empty;
    ZELMathVector other(std::move(empty));
    other = std::move(empty);
    EXPECT_EQ(other.getCapacity(), 0u);
}

TEST(MathVector, ResizeAndReshapeVisibility) {
    ZELMathVector v;
    v.resize(8);
    EXPECT_EQ(v.getCapacity(), 8u);
    EXPECT_EQ(elems(v), Elems(8, 0.0));

    ZELMathVector w = vec({1, 2, 3, 4, 5});
    w.resize(2);
    w.reshape(5, false);
    EXPECT_EQ(elems(w), (Elems{1, 2, 3, 4, 5}));
    w.resize(2);
    w.resize(5);
    EXPECT_EQ(elems(w), (Elems{1, 2, 0, 0, 0}));
    w.reshape(6, false);  // never written: 0, not stale memory
    EXPECT_EQ(w[5], 0.0);

    // Growing past the capacity keeps the elements; the new part is 0 even without zero fill.
    ZELMathVector g = vec({1, 2, 3});
    g.reshape(9, false);
    EXPECT_EQ(g.getCapacity(), 9u);
    EXPECT_EQ(elems(g), (Elems{1, 2, 3, 0, 0, 0, 0, 0, 0}));
}

TEST(MathVector, AccessSliceAndCopy) {
    ZELMathVector v = vec({10, 20, 30, 40});
    EXPECT_EQ(&v.fromOne(1), &v[0]);
    EXPECT_EQ(&v(3), &v[3]);
    EXPECT_EQ(elems(v.slice(1, 2)), (Elems{20, 30}));
    ZELMathVector c = v.copy();
    c[0] = -1;
    EXPECT_EQ(v[0], 10.0);
}

TEST(MathVector, Arithmetic) {
    const ZELMathVector a = vec({1, -2, 6});
    const ZELMathVector b = vec({4, 8, -3});
    EXPECT_EQ(elems(a + b), (Elems{5, 6, 3}));
    EXPECT_EQ(elems(a - b), (Elems{-3, -10, 9}));
    EXPECT_EQ(elems(a * b), (Elems{4, -16, -18}));
    EXPECT_EQ(elems(a / b), (Elems{0.25, -0.25, -2}));
    EXPECT_EQ(elems(1.0 + a), elems(a + 1.0));
    EXPECT_EQ(elems(a - 1.0), (Elems{0, -3, 5}));
    EXPECT_EQ(elems(1.0 - a), (Elems{0, 3, -5}));
    EXPECT_EQ(elems(2 * a), (Elems{2, -4, 12}));
    EXPECT_EQ(elems(a * 2), (Elems{2, -4, 12}));
    EXPECT_EQ(elems(a / 2), (Elems{0.5, -1, 3}));
    EXPECT_EQ(elems(12.0 / a), (Elems{12, -6, 2}));
    EXPECT_EQ((vec({1, 2}) + vec({1, 1, 1})).length(), 2u);  // the left operand fixes the length

    const ZELMathVector n = -vec({0.0, 3});
    EXPECT_TRUE(std::signbit(n[0]));
    EXPECT_EQ(n[1], -3.0);
    const ZELMathVector q = vec({1, -1, 0}) / 0.0;
    EXPECT_EQ(q[0], kInf);
    EXPECT_EQ(q[1], -kInf);
    EXPECT_TRUE(std::isnan(q[2]));

    ZELMathVector v = vec({1, 2, 3, 4, 5});
    v += 1.0;
    v *= 2.0;
    v -= 4.0;
    v /= 2.0;
    EXPECT_EQ(elems(v), (Elems{0, 1, 2, 3, 4}));
    v += vec({1, 1, 1, 1, 1, 99});
    v *= vec({2, 2, 2, 2, 2});
    v -= vec({1, 1, 1, 1, 1});
    v /= vec({1, 1, 1, 1, 3});
    EXPECT_EQ(elems(v), (Elems{1, 3, 5, 7, 3}));
    ++v;
    v++;
    EXPECT_EQ(elems(v), (Elems{3, 5, 7, 9, 5}));
    EXPECT_EQ(&(--v), &v);
    v--;
    EXPECT_EQ(elems(v), (Elems{1, 3, 5, 7, 3}));
    v = 7.0;
    EXPECT_EQ(elems(v), Elems(5, 7.0));
}

TEST(MathVector, ComparisonsAreElementWiseNotLexicographic) {
    const ZELMathVector empty;
    EXPECT_TRUE(vec({1, 2}) < vec({2, 3}));
    EXPECT_FALSE(vec({1, 3}) < vec({2, 3}));
    EXPECT_TRUE(vec({1, 3}) >= vec({2, 3}));
    EXPECT_TRUE(vec({3, 4}) > vec({2, 3}));
    EXPECT_FALSE(vec({3, 3}) > vec({2, 3}));
    EXPECT_TRUE(vec({3, 3}) <= vec({2, 3}));
    EXPECT_TRUE(empty < vec({1}));
    EXPECT_FALSE(empty >= vec({1}));
    EXPECT_FALSE(vec({1}) <= empty);
    EXPECT_TRUE(vec({kNaN, 1}) < vec({0, 2}));  // a pair with a NaN counts as "less"

    const ZELMathVector withNaN = vec({1, kNaN});
    EXPECT_FALSE(withNaN == withNaN);
    EXPECT_TRUE(withNaN != withNaN);
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
    EXPECT_EQ(ZELLinfNorm(vec({kNaN, -2})), 2.0);  // NaNs are passed over
    EXPECT_EQ(ZELMinAbsValue(vec({kNaN, 3, -1})), 1.0);

    // Index order: 1e16 + 1 rounds back to 1e16 before -1e16 is added.
    EXPECT_EQ(ZELDot(vec({1e16, 1, -1e16}), vec({1, 1, 1})), 0.0);
    EXPECT_EQ(ZELL1Norm(vec({1e16, 1, 1})), 1e16);
}

TEST(MathVector, NearComparisons) {
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1, 2, 3}), 0.0));  // tolerance 0 compares lengths
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1, 2, 3}), 0.1));
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1.05, 2}), 0.0));
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1.05, 2}), 0.1));
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1.2, 2}), 0.1));

    EXPECT_TRUE(ZELNearRel(vec({100, 0}), vec({101, 0}), 0.01));
    EXPECT_TRUE(ZELNearRel(vec({101, 0}), vec({100, 0}), 0.01));
    EXPECT_FALSE(ZELNearRel(vec({100, 0}), vec({102, 0}), 0.01));
    EXPECT_TRUE(ZELNearRel(vec({0, 0}), vec({0, 0}), 0.01));

    EXPECT_FALSE(ZELNearAbs(vec({1}), vec({1}), kNaN));
    EXPECT_FALSE(ZELNearRel(vec({1}), vec({1}), kNaN));
}

TEST(MathVector, TextOutput) {
    EXPECT_EQ(text(vec({1, 2.5})), "[ 1  2.5  ]\n");
    EXPECT_EQ(text(ZELMathVector()), "[ ]\n");
    EXPECT_EQ(text(vec({kNaN, 1, -kNaN})), "[ NaN   1  NaN   ]\n");
    EXPECT_EQ(text(vec({std::numeric_limits<double>::signaling_NaN()})), "[ NaN   ]\n");
    EXPECT_EQ(text(vec({kInf, -kInf})), "[ inf  -inf  ]\n");

    std::ostringstream os;
    os << std::fixed << std::setprecision(2) << vec({1, -0.125});
    EXPECT_EQ(os.str(), "[ 1.00  -0.12  ]\n");
}

TEST(MathVector, FailedAllocationLeavesVectorUnchanged) {
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
    EXPECT_EQ(elems(v), (Elems{1, 2, 3}));

    // Nothing that fits the capacity allocates.
    const ZELMathVector five(5, 9.0);
    {
        PoolFailure fail(1);
        v.resize(6);
        v = five;
        v.reshape(2, false);
        EXPECT_EQ(PoolFailure::allocations(), 0u);
    }
}
