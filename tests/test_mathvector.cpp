// The whole program runs in checked mode: the size checks of the vector are compiled in and
// tested below, and every other test shows they cost nothing when the sizes fit.
#define ZELMATH_CHECKED 1

#include "publicinterfaces/ZELMathVector.h"

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
const double kInf = std::numeric_limits<double>::infinity();

using Elems = std::vector<double>;

ZELMathVector vec(Elems v) { return ZELMathVector(v.data(), v.size()); }
Elems elems(const ZELMathVector& v) { return Elems(v.begin(), v.end()); }
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string text(const ZELMathVector& v) {
    std::ostringstream os;
    os << v;
    return os.str();
}

}  // namespace

TEST(MathVector, CapacityIsSixAtLeastThenExactlyWhatGrowthAsksFor) {
    EXPECT_EQ(ZELMathVector().getCapacity(), 6u);
    EXPECT_EQ(ZELMathVector(10, 1.5).getCapacity(), 10u);
    EXPECT_EQ(ZELMathVector(4, 1.5).getCapacity(), 6u);
    ZELMathVector big(20, 1.0);
    big.resize(2);
    EXPECT_EQ(ZELMathVector(big).getCapacity(), 6u);  // copies are sized by the length
    EXPECT_EQ(big.copy().getCapacity(), 6u);

    // Copy assignment grows to exactly the source's length and never shrinks.
    ZELMathVector v;
    const ZELMathVector twenty(20, 2.0), three = vec({1, 2, 3});
    v = twenty;
    EXPECT_EQ(v.getCapacity(), 20u);
    const double* buffer = v.data();
    v = three;
    EXPECT_EQ(v.data(), buffer);
    EXPECT_EQ(v.getCapacity(), 20u);
    v.reshape(4, false);  // the old fourth element shows again
    EXPECT_EQ(elems(v), (Elems{1, 2, 3, 2}));
}

TEST(MathVector, ResizeZeroFillsWhileReshapeShowsWhatTheBufferLastHeld) {
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
    w.reshape(6, false);  // a minimum-size buffer starts as zeros
    EXPECT_EQ(w[5], 0.0);
    ZELMathVector g = vec({1, 2, 3});
    g.reshape(9, false);  // a grown buffer is 0 beyond the old length
    EXPECT_EQ(g.getCapacity(), 9u);
    EXPECT_EQ(elems(g), (Elems{1, 2, 3, 0, 0, 0, 0, 0, 0}));
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
    EXPECT_EQ(source.length() + source.getCapacity(), 0u);
    EXPECT_EQ(source.data(), nullptr);

    ZELMathVector target(50, 1.0);
    target = vec({1, 2}) + 1.0;  // a temporary result is taken over
    EXPECT_EQ(target.getCapacity(), 6u);
    EXPECT_EQ(elems(target), (Elems{2, 3}));
    ZELMathVector& alias = target;
    target = std::move(alias);
    EXPECT_EQ(elems(target), (Elems{2, 3}));
    // A moved-from vector can be assigned and grown again.
    source = vec({4, 5});
    EXPECT_EQ(elems(source), (Elems{4, 5}));
    ZELMathVector(std::move(moved)).length();
    moved.resize(3);
    EXPECT_EQ(moved.getCapacity(), 3u);
    EXPECT_EQ(elems(moved), (Elems{0, 0, 0}));
}

// Every element-wise form against the scalar operation on each element, bit for bit, over random
// lengths (the left operand fixes the length), signed zeros, infinities and NaNs included.
TEST(MathVector, ElementWiseFormsAgreeWithTheScalarOperationBitForBit) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> value(-4.0, 4.0);
    const double specials[] = {0.0, -0.0, kInf, -kInf, kNaN, 1.0};
    auto draw = [&](std::size_t n) {
        Elems v(n);
        for (double& x : v) x = gen() % 5 ? value(gen) : specials[gen() % 6];
        return v;
    };
    for (std::size_t n : {0, 1, 3, 4, 5, 6, 7, 17}) {
        const Elems x = draw(n), y = draw(n + 2);
        const double s = value(gen);
        const ZELMathVector a = vec(x), b = vec(y);
        const auto check = [&](const ZELMathVector& r, auto f) {
            ASSERT_EQ(r.length(), n);
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_TRUE(sameBits(r[i], f(x[i], y[i]))) << n << " " << i;
        };
        check(-a, [](double p, double) { return -p; });
        check(a + b, [](double p, double q) { return p + q; });
        check(a - b, [](double p, double q) { return p - q; });
        check(a * b, [](double p, double q) { return p * q; });
        check(a / b, [](double p, double q) { return p / q; });
        check(a + s, [s](double p, double) { return p + s; });
        check(s + a, [s](double p, double) { return p + s; });
        check(a - s, [s](double p, double) { return p - s; });
        check(s - a, [s](double p, double) { return s - p; });
        check(a * s, [s](double p, double) { return p * s; });
        check(s * a, [s](double p, double) { return p * s; });
        check(a / s, [s](double p, double) { return p / s; });
        check(s / a, [s](double p, double) { return s / p; });
        ZELMathVector m = a;
        check(((m += b) -= s) *= b, [s](double p, double q) { return ((p + q) - s) * q; });
        check(((m /= b) += s) -= b,
              [s](double p, double q) { return ((((((p + q) - s) * q) / q) + s) - q); });
        check((m *= s) /= s, [s](double p, double q) {
            return ((((((((p + q) - s) * q) / q) + s) - q) * s) / s);
        });
    }
    ZELMathVector v = vec({1, 2});
    ++v;
    v++;
    EXPECT_EQ(&(--v), &v);
    v--;
    EXPECT_EQ(elems(v), (Elems{1, 2}));
    v = 7.0;
    EXPECT_EQ(elems(v), (Elems{7, 7}));
}

TEST(MathVector, OrderingIsEveryElementBelowNotLexicographic) {
    const ZELMathVector empty;
    EXPECT_TRUE(vec({1, 2}) < vec({2, 3}));
    EXPECT_FALSE(vec({1, 3}) < vec({2, 3}));
    EXPECT_TRUE(vec({1, 3}) >= vec({2, 3}));
    EXPECT_TRUE(vec({3, 4}) > vec({2, 3}));
    EXPECT_TRUE(vec({3, 3}) <= vec({2, 3}));
    EXPECT_TRUE(empty < vec({1}));
    EXPECT_FALSE(empty >= vec({1}));
    EXPECT_FALSE(vec({1}) <= empty);
    EXPECT_TRUE(vec({kNaN, 1}) < vec({0, 2}));  // a pair with a NaN counts as "less"
    const ZELMathVector withNaN = vec({1, kNaN});
    EXPECT_TRUE(withNaN != withNaN);
    EXPECT_FALSE(vec({1, 2}) == vec({1, 2, 3}));
    EXPECT_TRUE(vec({0.0}) == vec({-0.0}));
}

TEST(MathVector, NormsSumInIndexOrderAndNearComparisonsFollowTheTolerance) {
    const ZELMathVector empty, v = vec({-3, 2, -5});
    EXPECT_EQ(ZELL1Norm(empty) + ZELLinfNorm(empty) + ZELMinAbsValue(empty) + ZELDot(empty, empty),
              0.0);
    EXPECT_EQ(ZELMinAbsValue(v), 2.0);
    EXPECT_EQ(ZELLinfNorm(v), 5.0);
    EXPECT_EQ(ZELL1Norm(v), 10.0);
    EXPECT_EQ(ZELDot(v, vec({1, 2, 3, 100})), -14.0);
    EXPECT_EQ(ZELLinfNorm(vec({kNaN, -2})), 2.0);  // NaNs are passed over
    EXPECT_EQ(ZELMinAbsValue(vec({kNaN, 3, -1})), 1.0);
    EXPECT_EQ(ZELDot(vec({1e16, 1, -1e16}), vec({1, 1, 1})), 0.0);  // 1e16 + 1 rounds back first
    EXPECT_EQ(ZELL1Norm(vec({1e16, 1, 1})), 1e16);

    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1, 2, 3}), 0.0));  // tolerance 0 compares lengths
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1, 2, 3}), 0.1));
    EXPECT_TRUE(ZELNearAbs(vec({1, 2}), vec({1.05, 2}), 0.1));
    EXPECT_FALSE(ZELNearAbs(vec({1, 2}), vec({1.2, 2}), 0.1));
    EXPECT_TRUE(ZELNearRel(vec({101, 0}), vec({100, 0}), 0.01));  // the larger norm scales
    EXPECT_FALSE(ZELNearRel(vec({100, 0}), vec({102, 0}), 0.01));
    EXPECT_TRUE(ZELNearRel(vec({0, 0}), vec({0, 0}), 0.01));
    EXPECT_FALSE(ZELNearAbs(vec({1}), vec({1}), kNaN));
}

// A partner shorter than the left operand and a slice outside the vector are reported before
// any element is touched (the vectors are longer than the minimum buffer of six, so a read past
// the end would leave the buffer); partners at least as long still work unreported.
TEST(MathVector, CheckedModeReportsSizesThatDoNotFitAndTouchesNothing) {
    AssertRecorder recorder;
    ZELMathVector a(10, 2.0);
    const ZELMathVector shorter(7, 1.0), longer(12, 4.0);
    for (const ZELMathVector& r : {a + shorter, a - shorter, a * shorter, a / shorter}) {
        ASSERT_EQ(r.length(), 10u);
        for (double x : r) EXPECT_TRUE(std::isnan(x));
    }
    (((a += shorter) -= shorter) *= shorter) /= shorter;
    EXPECT_EQ(a, ZELMathVector(10, 2.0));
    EXPECT_TRUE(std::isnan(ZELDot(a, shorter)));
    EXPECT_FALSE(a < shorter);
    EXPECT_EQ(a.slice(5, 6).length(), 0u);
    EXPECT_EQ(a.slice(-1, 2).length(), 0u);
    std::vector<AssertReport> reports = recorder.take();
    ASSERT_EQ(reports.size(), 12u);
    for (const AssertReport& r : reports) {
        EXPECT_EQ(r.category, "Software");
        EXPECT_EQ(r.message, "Size mismatch");
        EXPECT_EQ(r.file, "foundation/internal/ZELSizeCheck");
    }
    EXPECT_EQ(elems(shorter + longer), Elems(7, 5.0));
    EXPECT_EQ(ZELDot(shorter, longer), 28.0);
    EXPECT_EQ(elems(a.slice(4, 6)), Elems(6, 2.0));
    EXPECT_EQ(a.slice(10, 0).length(), 0u);
    EXPECT_TRUE(recorder.take().empty());
}

TEST(MathVector, PrintsElementsWithTwoSpacesAndNaNsAsText) {
    EXPECT_EQ(text(vec({1, 2.5})), "[ 1  2.5  ]\n");
    EXPECT_EQ(text(ZELMathVector()), "[ ]\n");
    EXPECT_EQ(text(vec({kNaN, 1, -kNaN, std::numeric_limits<double>::signaling_NaN()})),
              "[ NaN   1  NaN   NaN   ]\n");
    EXPECT_EQ(text(vec({kInf, -kInf})), "[ inf  -inf  ]\n");
    std::ostringstream os;
    os << std::fixed << std::setprecision(2) << vec({1, -0.125});
    EXPECT_EQ(os.str(), "[ 1.00  -0.12  ]\n");
}

TEST(MathVector, FailedAllocationLeavesTheVectorUnchanged) {
    const ZELMathVector source = vec({1, 2}), big(50, 4.0), five(5, 9.0);
    ZELMathVector v = vec({1, 2, 3});
    const double* buffer = v.data();
    {
        PoolFailure fail(1);
        EXPECT_THROW(ZELMathVector copied(source), std::bad_alloc);
        EXPECT_THROW(source + source, std::bad_alloc);
        EXPECT_THROW(v = big, std::bad_alloc);
        EXPECT_THROW(v.resize(100), std::bad_alloc);
        EXPECT_THROW(v.reshape(7, false), std::bad_alloc);
    }
    EXPECT_EQ(v.data(), buffer);
    EXPECT_EQ(v.getCapacity(), 6u);
    EXPECT_EQ(elems(v), (Elems{1, 2, 3}));
    PoolFailure fail(1);  // nothing that fits the capacity allocates
    v.resize(6);
    v = five;
    v.reshape(2, false);
    EXPECT_EQ(PoolFailure::allocations(), 0u);
}
