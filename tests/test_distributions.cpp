#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELBetaDistribution.h"
#include "ZELRandomMD.m/src/ZELErlangDistribution.h"
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/ZELLogNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"
#include "ZELRandomMD.m/src/ZELUniformDistribution.h"
#include "ZELRandomMD.m/src/ZELUserContDistribution.h"
#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"
#include "ZELRandomMD.m/src/ZELUsrDist.h"
#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"
#include "ZELRandomMD.m/src/ZELRNDistribution.h"
#include "foundation/ZELPoolAllocator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int S = 42;  // the stream most tests force
const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

ZELRandomGenerator& gen() { return *ZELRandomGenerator::Instance(); }

// Forces the next uniform number of stream S to the one of state `next`; returns the model of
// the stream so that the numbers after it are known too.
model::Stream force(std::uint32_t next) { return model::forceNext(S, next); }

// Number of uniforms `draw` takes from stream S: the stream's next number after the draw is
// compared with the model's sequence.
int uniformsTaken(const std::function<void()>& draw, std::uint32_t start = 0x2468ACE1u) {
    model::Stream m = force(start);
    draw();
    const double next = gen().GetRandomNumber(S);
    for (int k = 0; k <= 40000; ++k)
        if (m.next() == next) return k;
    return -1;
}

TEST(Distributions, UniformIsAffineInTheStreamNumber) {
    model::Stream m = force(0x9000'0000u);
    ZELUniformDistribution standard, range(5.0, 2.0);  // a mirrored range is accepted
    range.SetBounds(100.0, 200.0);                       // and the bounds are ignored
    EXPECT_EQ(standard.getRandomVariate(S), m.next());
    const double u = m.next();
    EXPECT_EQ(range.getRandomVariate(S), (2.0 - 5.0) * u + 5.0);
}

TEST(Distributions, ExponentialFormulaAndExtremes) {
    ZELExponentialDistribution e(2.5);
    model::Stream m = force(0x3000'0000u);
    const double u = m.next();
    EXPECT_EQ(e.getRandomVariate(S), -std::log(u) * 2.5);
    force(0u);
    EXPECT_EQ(e.getRandomVariate(S), Inf);
    force(0xFFFFFFFFu);
    EXPECT_EQ(e.getRandomVariate(S), 0.0);
    ZELExponentialDistribution zero;
    force(0x3000'0000u);
    EXPECT_EQ(zero.getRandomVariate(S), 0.0);
}

TEST(Distributions, TriangularArgumentOrdersAndBranches) {
    ZELTriangularDistribution t(0.0, 1.0, 4.0);  // mode 1, maximum 4: F = 0.25
    const std::uint32_t below = 1073741823u;      // U just below 0.25
    double u = force(below).next();
    ASSERT_LT(u, 0.25);
    EXPECT_EQ(t.getRandomVariate(S), 0.0 + std::sqrt((4.0 - 0.0) * (1.0 - 0.0) * u));
    u = force(model::stateFor(0.5)).next();
    EXPECT_EQ(t.getRandomVariate(S), 4.0 - std::sqrt((4.0 - 1.0) * (4.0 - 0.0) * (1.0 - u)));

    t.SetParameters(0.0, 1.0, 4.0);  // now maximum 1, mode 4
    u = force(0x1000'0000u).next();
    // F = 4 >= U: the first branch with a = 0, b = 1, c = 4.
    EXPECT_EQ(t.getRandomVariate(S), 0.0 + std::sqrt((1.0 - 0.0) * (4.0 - 0.0) * u));

    ZELTriangularDistribution point(3.0, 3.0, 3.0);
    force(0x1234'5678u);
    EXPECT_EQ(point.getRandomVariate(S), 3.0);
}

TEST(Distributions, NormalUsesTheFixedAngleFactor) {
    ZELNormalDistribution n(10.0, 2.0);
    model::Stream m = force(0x5555'0000u);
    const double u1 = m.next(), u2 = m.next();
    const double z = std::cos(3.14527 * u2) * std::sqrt(-2.0 * std::log(u1));
    EXPECT_EQ(n.getRandomVariate(S), z * 2.0 + 10.0);
    force(0xFFFFFFFFu);  // U1 = 1: r = 0, exactly the mean
    EXPECT_EQ(n.getRandomVariate(S), 10.0);
    // U2 = 0 needs state 0 second: its predecessor is forced first.
    m = force(model::predecessor(0u));
    const double first = m.next();
    EXPECT_EQ(n.getRandomVariate(S), 10.0 + 2.0 * std::sqrt(-2.0 * std::log(first)));
}

TEST(Distributions, LogNormalDrawsThroughTheNormal) {
    const double mean = 3.0, sd = 1.5;
    ZELLogNormalDistribution ln(mean, sd);
    model::Stream m = force(0x7777'7777u);
    const double u1 = m.next(), u2 = m.next();
    const double v = std::log(std::pow(sd / mean, 2.0) + 1.0);
    const double mu = std::log(mean) - 0.5 * v;
    const double z = std::cos(3.14527 * u2) * std::sqrt(-2.0 * std::log(u1));
    EXPECT_EQ(ln.getRandomVariate(S), std::exp(z * std::sqrt(v) + mu));

    ZELLogNormalDistribution degenerate(4.0, 0.0);
    force(0x7777'7777u);
    EXPECT_NEAR(degenerate.getRandomVariate(S), 4.0, 1e-15);
    ZELLogNormalDistribution zeroMean(0.0, 1.0);
    force(0x7777'7777u);
    const double bad = zeroMean.getRandomVariate(S);  // NaN, zero or infinite
    EXPECT_FALSE(std::isfinite(bad) && bad != 0.0) << bad;
}

TEST(Distributions, GammaMethods) {
    // alpha == 1: an exponential of mean beta.
    ZELGammaDistribution g(1.0, 2.0);
    double u = force(0x4000'0000u).next();
    EXPECT_EQ(g.getRandomVariate(S), -std::log(u) * 2.0);

    // alpha < 1, early exit: P = b U1 <= 0.01 with 1/alpha >= 7 yields 0 after one uniform.
    ZELGammaDistribution tiny(0.1, 3.0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(tiny.getRandomVariate(S), 0.0); }, 1000u), 1);
    // alpha < 1, P <= 1 accepted at the first attempt.
    const double alpha = 0.5, beta = 3.0;
    ZELGammaDistribution gs(alpha, beta);
    const double e = std::exp(1.0), b = (e + alpha) / e;
    model::Stream m = force(model::stateFor(0.3));
    double u1 = m.next(), u2 = m.next();
    double y = std::pow(b * u1, 1.0 / alpha);
    ASSERT_LE(u2, std::exp(-y));
    EXPECT_EQ(gs.getRandomVariate(S), y * beta);
    // alpha < 1, P > 1 branch accepted at the first attempt.
    for (std::uint32_t s = 0xF000'0000u;; s += 0x0100'0000u) {
        m = force(s);
        u1 = m.next();
        u2 = m.next();
        y = -std::log((b - b * u1) / alpha);
        if (b * u1 > 1.0 && u2 <= std::pow(y, alpha - 1.0)) break;
    }
    EXPECT_EQ(gs.getRandomVariate(S), y * beta);
    // U1 = 1 gives P == b: 0.0.
    force(0xFFFFFFFFu);
    EXPECT_EQ(gs.getRandomVariate(S), 0.0);

    // alpha > 1: U1 of 0 or 1 yields 0 after two uniforms.
    ZELGammaDistribution gb(3.0, 2.0);
    for (std::uint32_t edge : {0u, 0xFFFFFFFFu})
        EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(gb.getRandomVariate(S), 0.0); }, edge), 2);
    // alpha > 1, accepted by the quick test at the first attempt.
    m = force(model::stateFor(0.5));
    u1 = m.next();
    u2 = m.next();
    const double a = std::pow(2.0 * 3.0 - 1.0, -0.5);
    const double v = a * std::log(u1 / (1.0 - u1));
    y = 3.0 * std::exp(v);
    const double w = (3.0 - std::log(4.0)) + (3.0 + 1.0 / a) * v - y;
    ASSERT_GE(w + (1.0 + std::log(4.5)) - 4.5 * (u1 * u1 * u2), 0.0);
    EXPECT_EQ(gb.getRandomVariate(S), y * 2.0);
}

TEST(Distributions, ErlangPhases) {
    ZELErlangDistribution negative(5.0, -3);  // k = 1: an exponential of mean 5
    double u = force(0x2222'2222u).next();
    EXPECT_EQ(negative.getRandomVariate(S), (0.0 - std::log(u) * 5.0) / 1.0);

    ZELErlangDistribution three(5.0, 3);
    model::Stream m = force(0x2222'2222u);
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) sum = sum - std::log(m.next()) * 5.0;
    EXPECT_EQ(three.getRandomVariate(S), sum / 3.0);

    ZELErlangDistribution fractional;
    fractional.SetDistParameters(6.0, 2.5);
    EXPECT_EQ(uniformsTaken([&] { fractional.getRandomVariate(S); }), 3);
    m = force(0x2222'2222u);
    sum = 0.0;
    for (int i = 0; i < 3; ++i) sum = sum - std::log(m.next()) * 6.0;
    EXPECT_EQ(fractional.getRandomVariate(S), sum / 2.5);

    ZELErlangDistribution none(5.0, 0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(none.getRandomVariate(S), 0.0); }), 0);
    none.SetDistParameters(5.0, -2.0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(none.getRandomVariate(S), 0.0); }), 0);
}

TEST(Distributions, BetaIsARatioOfTwoGammaDraws) {
    for (auto shapes : {std::pair<double, double>{1.0, 0.25}, {2.0, 3.0}, {0.5, 0.5}}) {
        model::forceNext(S, 0x1357'9BDFu);
        ZELGammaDistribution g1(shapes.first, 1.0), g2(shapes.second, 1.0);
        const double y1 = g1.getRandomVariate(S), y2 = g2.getRandomVariate(S);
        const double after = gen().GetRandomNumber(S);
        model::forceNext(S, 0x1357'9BDFu);
        ZELBetaDistribution beta(shapes.first, shapes.second);
        EXPECT_EQ(beta.getRandomVariate(S), y1 / (y1 + y2));
        EXPECT_EQ(gen().GetRandomNumber(S), after);
    }
    ZELBetaDistribution byDefault, set;
    set.SetDistParameters(1.0, 0.25);
    model::forceNext(S, 0x0F0F'0F0Fu);
    const double x = byDefault.getRandomVariate(S);
    model::forceNext(S, 0x0F0F'0F0Fu);
    EXPECT_EQ(set.getRandomVariate(S), x);
}

TEST(Distributions, WeibullByInversion) {
    ZELWeibullDistribution w(2.0, 0.5);
    double u = force(model::stateFor(std::exp(-4.0))).next();
    EXPECT_EQ(w.getRandomVariate(S), 2.0 * std::pow(-std::log(u), 1.0 / 0.5));
    EXPECT_NEAR(2.0 * std::pow(-std::log(u), 2.0), 32.0, 1e-6);
    ZELWeibullDistribution byDefault;
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(byDefault.getRandomVariate(S), 0.0); }), 0);
    byDefault.SetDistributionParameters(1.0, 2.0);
    EXPECT_EQ(uniformsTaken([&] { byDefault.getRandomVariate(S); }), 1);
}

TEST(Distributions, PoissonMultiplication) {
    ZELPoissonDistribution zero(0.0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(zero.getRandomVariate(S), 0.0); }), 1);
    // A product that equals L = 1 goes on.
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(zero.getRandomVariate(S), 1.0); }, 0xFFFFFFFFu), 2);

    ZELPoissonDistribution one(1.0);
    for (std::uint32_t start : {0x8000'0000u, 0xC000'0000u, 0xFF00'0000u}) {
        model::Stream m = force(start);
        const double l = std::exp(-1.0);
        double p = m.next();
        int k = 0;
        while (p - l >= 0.0) {
            p = p * m.next();
            ++k;
        }
        EXPECT_EQ(one.getRandomVariate(S), k);
        EXPECT_EQ(gen().GetRandomNumber(S), m.next());
    }
    ZELPoissonDistribution huge(1000.0);  // exp(-1000) underflows: every draw runs to the cap
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(huge.getRandomVariate(S), 32366.0); }), 32367);
    huge.SetDistParameters(2.0);
    force(0x8000'0000u);
    EXPECT_LT(huge.getRandomVariate(S), 20.0);
}

TEST(Distributions, UniformsPerDrawWithDefaultBounds) {
    ZELUniformDistribution uniform;
    ZELExponentialDistribution exponential(1.0);
    ZELTriangularDistribution triangular(0.0, 1.0, 2.0);
    ZELNormalDistribution normal;
    ZELLogNormalDistribution logNormal(1.0, 0.5);
    ZELWeibullDistribution weibull(1.0, 1.5);
    ZELGammaDistribution gammaOne(1.0, 1.0);
    ZELErlangDistribution erlang(2.0, 4);
    const std::vector<std::pair<ZELRNDistribution*, int>> cases = {
        {&uniform, 1}, {&exponential, 1}, {&triangular, 1}, {&normal, 2},
        {&logNormal, 2}, {&weibull, 1}, {&gammaOne, 1}, {&erlang, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(uniformsTaken([&] { c.first->getRandomVariate(S); }), c.second) << c.first->IsA();
}

TEST(Distributions, BoundsRedrawAndAcceptance) {
    ZELRNDistribution* base = nullptr;
    ZELExponentialDistribution e(1.0);
    base = &e;
    double x = 1.0;
    EXPECT_TRUE(base->DistValueOK(&x));
    e.SetBounds(0.5, 1.0);
    for (double ok : {0.5, 0.75, 1.0, NaN}) EXPECT_TRUE(e.DistValueOK(&ok)) << ok;
    for (double bad : {0.49, 1.01, Inf, -Inf}) EXPECT_FALSE(e.DistValueOK(&bad)) << bad;
    e.SetBounds(-Inf, Inf);  // infinite bounds are none
    for (double ok : {-1e308, 1e308, Inf, -Inf}) EXPECT_TRUE(e.DistValueOK(&ok));
    e.SetBounds(NaN, NaN);
    x = 5.0;
    EXPECT_TRUE(e.DistValueOK(&x));

    // A truncated exponential redraws until the value lies in [0.5, 1].
    e.SetBounds(0.5, 1.0);
    model::Stream m = force(0x0ABC'DEF0u);
    double expected;
    int taken = 0;
    do {
        expected = -std::log(m.next()) * 1.0;
        ++taken;
    } while (expected < 0.5 || expected > 1.0);
    EXPECT_EQ(e.getRandomVariate(S), expected);
    EXPECT_EQ(gen().GetRandomNumber(S), m.next());
    EXPECT_EQ(e.GetLowerBound(), 0.5);
    EXPECT_EQ(e.GetUpperBound(), 1.0);

    // Copies carry the bounds and draw the same values.
    ZELExponentialDistribution copy(e);
    force(0x0ABC'DEF0u);
    EXPECT_EQ(copy.getRandomVariate(S), expected);
    ZELExponentialDistribution fresh;
    EXPECT_EQ(fresh.GetLowerBound(), Inf);
    EXPECT_EQ(fresh.GetUpperBound(), Inf);
    fresh = e;
    EXPECT_EQ(fresh.GetLowerBound(), 0.5);
}

TEST(Distributions, UserDiscreteTable) {
    const double values[] = {10, 20, 30};
    const double probs[] = {1, 1, 2};
    const double scaled[] = {2, 2, 4};
    ZELUserDiscDistribution d(values, probs, 3), same(values, scaled, 3);
    EXPECT_EQ(d.table().cumProbs()[0], 0.25);
    EXPECT_EQ(d.table().cumProbs()[1], 0.5);
    EXPECT_EQ(d.table().cumProbs()[2], 1.0);
    EXPECT_EQ(d.table().cumProbs()[3], 0.0);
    EXPECT_EQ(d.table().values()[3], 0.0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(same.table().cumProbs()[i], d.table().cumProbs()[i]);

    const std::vector<std::pair<std::uint32_t, double>> cases = {
        {model::stateFor(0.1), 10.0}, {1073741823u, 10.0}, {1073741824u, 20.0},  // around 0.25
        {model::stateFor(0.7), 30.0}, {0xFFFFFFFFu, -1.0}, {0u, 10.0}};
    for (const auto& c : cases) {
        force(c.first);
        EXPECT_EQ(d.getRandomVariate(S), c.second) << c.first;
    }
    const double zeroProb[] = {0, 1, 0};
    ZELUserDiscDistribution skip(values, zeroProb, 3);
    force(0u);
    EXPECT_EQ(skip.getRandomVariate(S), 20.0);

    ZELUserDiscDistribution empty(values, probs, 0), negative(values, probs, -4);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(empty.getRandomVariate(S), -1.0); }), 1);
    EXPECT_EQ(negative.table().count(), 0);
    EXPECT_EQ(negative.getRandomVariate(S), -1.0);
    const double zeros[] = {0, 0, 0};
    ZELUserDiscDistribution allZero(values, zeros, 3);
    EXPECT_EQ(allZero.getRandomVariate(S), -1.0);

    // Copies own their tables: the source may go first.
    auto source = std::make_unique<ZELUserDiscDistribution>(values, probs, 3);
    ZELUserDiscDistribution copy(*source);
    ZELUserDiscDistribution assigned(values, probs, 1);
    assigned = *source;
    source.reset();
    force(model::stateFor(0.7));
    EXPECT_EQ(copy.getRandomVariate(S), 30.0);
    force(model::stateFor(0.7));
    EXPECT_EQ(assigned.getRandomVariate(S), 30.0);
}

TEST(Distributions, UserContinuousTableInterpolates) {
    const double values[] = {0.0, 10.0, 20.0};
    const double probs[] = {0.0, 1.0, 3.0};  // cum 0, 0.25, 1
    ZELUserContDistribution c(values, probs, 3);
    double u = force(model::stateFor(0.125)).next();
    EXPECT_EQ(c.getRandomVariate(S), 0.0 + (u - 0.0) / (0.25 - 0.0) * (10.0 - 0.0));
    u = force(model::stateFor(0.625)).next();
    EXPECT_EQ(c.getRandomVariate(S), 10.0 + (u - 0.25) / (1.0 - 0.25) * (20.0 - 10.0));
    force(0u);
    EXPECT_EQ(c.getRandomVariate(S), 0.0);
    force(0xFFFFFFFFu);
    EXPECT_EQ(c.getRandomVariate(S), 20.0);

    const double atom[] = {1.0, 3.0};
    ZELUserContDistribution withAtom(values, atom, 2);  // 0 with mass 0.25, then up to 10
    force(model::stateFor(0.2));
    EXPECT_EQ(withAtom.getRandomVariate(S), 0.0);
    u = force(model::stateFor(0.5)).next();
    EXPECT_EQ(withAtom.getRandomVariate(S), 0.0 + (u - 0.25) / (1.0 - 0.25) * 10.0);

    ZELUserContDistribution empty(values, probs, 0);
    EXPECT_EQ(empty.getRandomVariate(S), -1.0);
    ZELUserContDistribution copy(c);
    ZELUserContDistribution assigned(values, atom, 2);
    assigned = c;
    u = force(model::stateFor(0.625)).next();
    const double expected = 10.0 + (u - 0.25) / 0.75 * 10.0;
    EXPECT_EQ(copy.getRandomVariate(S), expected);
    force(model::stateFor(0.625));
    EXPECT_EQ(assigned.getRandomVariate(S), expected);
}

TEST(Distributions, UsrDistWeightTable) {
    const double weights[] = {1.0, 3.0};
    ZELUsrDist w(weights, 2);
    ZELUsrDist before(w);
    model::forceNext(1, model::stateFor(0.1));
    const std::uint32_t stream7 = static_cast<std::uint32_t>(gen().GetInitialSeed(7));
    gen().ResetStream(7);
    EXPECT_EQ(w.getRandomVariate(7), 0.25);  // draws from stream 1
    EXPECT_EQ(w.weights()[0], 0.25);
    EXPECT_EQ(w.weights()[1], 0.75);
    EXPECT_EQ(gen().GetRandomNumber(7), model::Stream{stream7}.next());
    model::forceNext(1, model::stateFor(0.5));
    EXPECT_EQ(w.getRandomVariate(1), 0.75);
    model::forceNext(1, 0xFFFFFFFFu);
    EXPECT_EQ(w.getRandomVariate(1), -1.0);  // the running sum never exceeds 1
    EXPECT_EQ(before.weights()[0], 1.0);
    EXPECT_EQ(before.weights()[1], 3.0);

    const double zeros[] = {0.0, 0.0};
    ZELUsrDist none(zeros, 2), empty(weights, 0), negative(weights, -1);
    EXPECT_EQ(none.getRandomVariate(1), -1.0);
    EXPECT_EQ(empty.getRandomVariate(1), -1.0);
    EXPECT_EQ(negative.count(), 0);

    std::vector<double> many(12000, 1.0);
    auto big = std::make_unique<ZELUsrDist>(many.data(), 12000);
    EXPECT_EQ(big->count(), ZELUsrDist::Capacity);
    model::forceNext(1, model::stateFor(0.5));
    EXPECT_EQ(big->getRandomVariate(1), 1.0 / 10000.0);
    ZELUsrDist assigned(weights, 1);
    assigned = *big;
    EXPECT_EQ(assigned.count(), 10000);
}

// Sample moments against the theoretical ones, within five standard errors.
void expectMoments(ZELRNDistribution& d, int stream, double mean, double variance, int n = 20000) {
    double sum = 0.0, sumSq = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = d.getRandomVariate(stream);
        sum += x;
        sumSq += x * x;
    }
    const double m = sum / n, v = sumSq / n - m * m;
    EXPECT_NEAR(m, mean, 5.0 * std::sqrt(variance / n)) << d.IsA();
    EXPECT_NEAR(v, variance, 0.08 * variance) << d.IsA();
}

TEST(Distributions, SampleMoments) {
    ZELUniformDistribution uniform(2.0, 5.0);
    expectMoments(uniform, 11, 3.5, 9.0 / 12.0);
    ZELExponentialDistribution exponential(2.0);
    expectMoments(exponential, 12, 2.0, 4.0);
    ZELTriangularDistribution triangular(0.0, 1.0, 4.0);
    expectMoments(triangular, 13, 5.0 / 3.0, (0 + 16 + 1 - 0 - 0 - 4) / 18.0);
    ZELNormalDistribution normal(3.0, 2.0);
    expectMoments(normal, 14, 3.0, 4.0);
    ZELLogNormalDistribution logNormal(2.0, 0.5);
    expectMoments(logNormal, 15, 2.0, 0.25);
    for (double alpha : {0.3, 0.5, 1.0, 3.0, 7.5}) {
        ZELGammaDistribution gamma(alpha, 2.0);
        expectMoments(gamma, 16, alpha * 2.0, alpha * 4.0);
    }
    ZELErlangDistribution erlang(6.0, 3);
    expectMoments(erlang, 17, 6.0, 36.0 / 3.0);
    ZELBetaDistribution beta(2.0, 3.0);
    expectMoments(beta, 18, 0.4, 6.0 / (25.0 * 6.0));
    ZELWeibullDistribution weibull(2.0, 1.5);
    const double g1 = std::tgamma(1.0 + 1.0 / 1.5), g2 = std::tgamma(1.0 + 2.0 / 1.5);
    expectMoments(weibull, 19, 2.0 * g1, 4.0 * (g2 - g1 * g1));
    ZELPoissonDistribution poisson(4.0);
    expectMoments(poisson, 20, 4.0, 4.0);
    const double values[] = {1.0, 2.0, 5.0};
    const double probs[] = {0.2, 0.5, 0.3};
    ZELUserDiscDistribution disc(values, probs, 3);
    expectMoments(disc, 21, 2.7, 0.2 + 2.0 + 7.5 - 2.7 * 2.7);
    const double edges[] = {0.0, 1.0, 3.0};
    const double mass[] = {0.0, 0.5, 0.5};  // density 0.5 on [0,1], 0.25 on [1,3]
    ZELUserContDistribution cont(edges, mass, 3);
    expectMoments(cont, 22, 0.25 + 1.0, (1.0 / 6.0 + 26.0 / 12.0) - 1.25 * 1.25);
}

// A failing allocator makes Instance() null; every draw then yields 0.0 (the log-normal exp(0)).
bool failAll(std::size_t) { return true; }

TEST(Distributions, DrawsWithoutAGenerator) {
    const double values[] = {1.0, 2.0}, weights[] = {1.0, 3.0};
    ZELUniformDistribution uniform(2.0, 3.0);
    ZELExponentialDistribution exponential(1.0);
    ZELTriangularDistribution triangular(1.0, 2.0, 3.0);
    ZELNormalDistribution normal(5.0, 1.0);
    ZELLogNormalDistribution logNormal(5.0, 1.0);
    ZELGammaDistribution gammaOne(1.0, 1.0), gammaSmall(0.5, 1.0), gammaLarge(2.5, 1.0);
    ZELErlangDistribution erlang(1.0, 2);
    ZELBetaDistribution beta;
    ZELWeibullDistribution weibull(1.0, 1.0);
    ZELPoissonDistribution poisson(3.0);
    ZELUserDiscDistribution disc(values, weights, 2);
    ZELUserContDistribution cont(values, weights, 2);
    ZELUsrDist usr(weights, 2);
    ZELRNDistribution* const zeroes[] = {&uniform, &exponential, &triangular, &normal, &gammaOne,
                                         &gammaSmall, &gammaLarge, &erlang, &beta, &weibull,
                                         &poisson, &disc, &cont, &usr};

    delete ZELRandomGenerator::Instance();
    ZELPoolAllocator::setFailureHook(&failAll);
    ZELRandomGenerator* none = ZELRandomGenerator::Instance();
    // Heap components come from the same pool: their allocation yields null, it does not throw.
    void* block = ZELNormalDistribution::operator new(sizeof(ZELNormalDistribution));
    std::vector<double> drawn;
    for (ZELRNDistribution* d : zeroes) drawn.push_back(d->getRandomVariate(1));
    const double logNormalDrawn = logNormal.getRandomVariate(1);
    ZELPoolAllocator::setFailureHook(nullptr);

    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(block, nullptr);
    for (std::size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(drawn[i], 0.0) << zeroes[i]->IsA();
    EXPECT_EQ(logNormalDrawn, 1.0);
    EXPECT_EQ(usr.weights()[1], 0.75);                   // normalised even so
    EXPECT_NE(ZELRandomGenerator::Instance(), nullptr);  // the next call tries again
}

}  // namespace
