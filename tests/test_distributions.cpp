// The draws' edge cases, fed chosen uniform numbers through RandomModel.h (their laws are checked
// statistically in test_distribution_statistics.cpp), stream objects, and draws that cannot end.
#include "AssertRecorder.h"
#include "RandomModel.h"
#include "ZELMath.h"
#include "foundation/ZELPoolAllocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr int S = 42;  // the stream the tests force
const double Inf = std::numeric_limits<double>::infinity(),
             NaN = std::numeric_limits<double>::quiet_NaN();

ZELRandomGenerator& gen() { return *ZELRandomGenerator::Instance(); }
model::Stream force(std::uint32_t next) { return model::forceNext(S, next); }
double forceU(double u) { return force(model::stateFor(u)).next(); }
// Forces stream S to deliver the state `next` and the state after it; returns their numbers.
std::pair<double, double> forcePair(std::uint32_t next) {
    model::Stream m = force(next);
    const double u1 = m.next();
    return {u1, m.next()};
}

// How many uniform numbers `draw` takes from stream S, started at state `start`.
int uniformsTaken(const std::function<void()>& draw, std::uint32_t start = 0x2468ACE1u) {
    model::Stream m = force(start);
    draw();
    const double next = gen().GetRandomNumber(S);
    for (int k = 0; k <= 40000; ++k)
        if (m.next() == next) return k;
    return -1;
}

TEST(Distributions, ClosedFormDrawsFollowTheirFormulasToTheBit) {
    ZELUniformDistribution standard, mirrored(5.0, 2.0);
    mirrored.SetBounds(100.0, 200.0);  // ignored by the uniform
    double u = forceU(0.5625);
    EXPECT_EQ(standard.getRandomVariate(S), u);
    u = forceU(0.3);
    EXPECT_EQ(mirrored.getRandomVariate(S), (2.0 - 5.0) * u + 5.0);

    ZELExponentialDistribution e(2.5);
    force(0u);
    EXPECT_EQ(e.getRandomVariate(S), Inf);
    force(0xFFFFFFFFu);
    EXPECT_EQ(e.getRandomVariate(S), 0.0);

    ZELTriangularDistribution t(0.0, 1.0, 4.0);  // mode 1, maximum 4: F = 0.25
    u = forceU(0.5);
    EXPECT_EQ(t.getRandomVariate(S), 4.0 - std::sqrt((4.0 - 1.0) * (4.0 - 0.0) * (1.0 - u)));
    t.SetParameters(0.0, 1.0, 4.0);  // now maximum 1, mode 4: F = 4 >= U
    u = forceU(0.5);
    EXPECT_EQ(t.getRandomVariate(S), 0.0 + std::sqrt((1.0 - 0.0) * (4.0 - 0.0) * u));

    force(0xFFFFFFFFu);  // U1 = 1: exactly the mean
    EXPECT_EQ(ZELNormalDistribution(10.0, 2.0).getRandomVariate(S), 10.0);
    const auto [u1, u2] = forcePair(0x5555'0000u);  // the angle factor is 3.14527, not pi
    EXPECT_EQ(ZELNormalDistribution(0.0, 1.0).getRandomVariate(S),
              std::cos(3.14527 * u2) * std::sqrt(-2.0 * std::log(u1)));
    EXPECT_NEAR(ZELLogNormalDistribution(4.0, 0.0).getRandomVariate(S), 4.0, 1e-15);
    const double bad = ZELLogNormalDistribution(0.0, 1.0).getRandomVariate(S);  // NaN, 0 or inf
    EXPECT_FALSE(std::isfinite(bad) && bad != 0.0) << bad;
}

TEST(Distributions, GammaUsesTheExponentialAndMethodsGsAndGbWithTheirEarlyZeros) {
    double u = forceU(0.25);
    EXPECT_EQ(ZELGammaDistribution(1.0, 2.0).getRandomVariate(S), -std::log(u) * 2.0);
    // alpha = 0.1: P = b U1 <= 0.01 yields 0 after one uniform; just above it, P^10 beta.
    ZELGammaDistribution tiny(0.1, 3.0);
    const double bTiny = (std::exp(1.0) + 0.1) / std::exp(1.0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(tiny.getRandomVariate(S), 0.0); },
                            model::stateFor(0.0095 / bTiny)),
              1);
    u = forceU(0.015 / bTiny);
    EXPECT_EQ(tiny.getRandomVariate(S), std::pow(bTiny * u, 1.0 / 0.1) * 3.0);
    EXPECT_EQ(ZELGammaDistribution(0.0, 1.0).getRandomVariate(S), 0.0);

    // alpha = 0.5: U1 = 1 gives P == b: 0.
    ZELGammaDistribution gs(0.5, 3.0);
    force(0xFFFFFFFFu);
    EXPECT_EQ(gs.getRandomVariate(S), 0.0);

    // alpha = 3: GB; U1 of 0 or 1 yields 0 after two uniforms; the quick test accepts U1 = 0.5.
    ZELGammaDistribution gb(3.0, 2.0);
    for (std::uint32_t edge : {0u, 0xFFFFFFFFu})
        EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(gb.getRandomVariate(S), 0.0); }, edge), 2);
}

TEST(Distributions, BetaIsTheRatioOfTwoGammaDrawsInOrder) {
    for (auto shapes : {std::pair<double, double>{1.0, 0.25}, {2.0, 3.0}, {0.5, 0.5}}) {
        force(0x1357'9BDFu);
        const double y1 = ZELGammaDistribution(shapes.first, 1.0).getRandomVariate(S);
        const double y2 = ZELGammaDistribution(shapes.second, 1.0).getRandomVariate(S),
                     after = gen().GetRandomNumber(S);
        force(0x1357'9BDFu);
        EXPECT_EQ((shapes.first == 1.0 ? ZELBetaDistribution()
                                       : ZELBetaDistribution(shapes.first, shapes.second))
                      .getRandomVariate(S),
                  y1 / (y1 + y2));  // the default shapes are 1 and 0.25
        EXPECT_EQ(gen().GetRandomNumber(S), after);
    }
    EXPECT_EQ(ZELBetaDistribution(0.0, 1.0).getRandomVariate(S), 0.0);
}

TEST(Distributions, ErlangWeibullAndPoissonTakeTheirCountOfUniforms) {
    model::Stream m = force(0x2222'2222u);
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) sum = sum - std::log(m.next()) * 6.0;
    ZELErlangDistribution erlang;
    erlang.SetDistParameters(6.0, 2.5);  // ceil(2.5) phases, divided by 2.5
    force(0x2222'2222u);
    EXPECT_EQ(erlang.getRandomVariate(S), sum / 2.5);
    const double u = forceU(0.4);
    EXPECT_EQ(ZELErlangDistribution(5.0, -3).getRandomVariate(S), (0.0 - std::log(u) * 5.0) / 1.0);
    erlang.SetDistParameters(3.0, -2.0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_TRUE(std::signbit(erlang.getRandomVariate(S))); }), 0);

    const double w = forceU(std::exp(-4.0));
    EXPECT_EQ(ZELWeibullDistribution(2.0, 0.5).getRandomVariate(S),
              2.0 * std::pow(-std::log(w), 1.0 / 0.5));
    EXPECT_EQ(uniformsTaken([] { EXPECT_EQ(ZELWeibullDistribution().getRandomVariate(S), 0.0); }),
              0);
    EXPECT_EQ(uniformsTaken(
                  [] { EXPECT_EQ(ZELWeibullDistribution(2.0, -1.0).getRandomVariate(S), 0.0); }),
              0);

    ZELPoissonDistribution poisson(1.0);
    forcePair(model::stateFor(0.5));  // 0.5 >= exp(-1) goes on, 0.5 * next < exp(-1) stops: 1
    EXPECT_EQ(poisson.getRandomVariate(S), 1.0);
    // lambda 0 takes one uniform unless it is 1 (p == L goes on, last line); exp(-lambda)
    // underflowing runs to the cap; exp(-lambda) >= 1 or NaN ends at the first uniform.
    const std::pair<double, double> cases[] = {
        {0.0, 0.0}, {1000.0, 32366.0}, {Inf, 32366.0}, {-5.0, 0.0}, {NaN, 0.0}};
    for (const auto& c : cases) {
        poisson.SetDistParameters(c.first);
        EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(poisson.getRandomVariate(S), c.second); }),
                  c.second + 1)
            << c.first;
    }
    poisson.SetDistParameters(0.0);
    EXPECT_EQ(uniformsTaken([&] { EXPECT_EQ(poisson.getRandomVariate(S), 1.0); }, 0xFFFFFFFFu), 2);
}

// One distribution of each kind and the uniform numbers its draw takes at the default bounds
// (0 where that count depends on the numbers).
std::vector<std::pair<std::unique_ptr<ZELRNDistribution>, int>> oneOfEach() {
    static const double v[] = {1.0, 2.0}, w[] = {1.0, 3.0};
    std::vector<std::pair<std::unique_ptr<ZELRNDistribution>, int>> all;
    const auto add = [&all](ZELRNDistribution* d, int uniforms) { all.emplace_back(d, uniforms); };
    add(new ZELUniformDistribution(2.0, 3.0), 1), add(new ZELExponentialDistribution(1.0), 1);
    add(new ZELTriangularDistribution(1.0, 2.0, 3.0), 1),
        add(new ZELNormalDistribution(5.0, 1.0), 2);
    add(new ZELLogNormalDistribution(1.0, 0.5), 2), add(new ZELWeibullDistribution(1.0, 1.5), 1);
    add(new ZELGammaDistribution(1.0, 1.0), 1), add(new ZELErlangDistribution(2.0, 4), 4);
    add(new ZELGammaDistribution(0.5, 1.0), 0), add(new ZELGammaDistribution(2.5, 1.0), 0);
    add(new ZELBetaDistribution, 0), add(new ZELPoissonDistribution(3.0), 0);
    add(new ZELUserDiscDistribution(v, w, 2), 1), add(new ZELUserContDistribution(v, w, 2), 1);
    add(new ZELUsrDist(w, 2), 0);
    return all;
}

TEST(Distributions, DrawsRepeatUntilTheBoundsAcceptAndCopiesKeepTheBounds) {
    for (const auto& d : oneOfEach()) {
        if (d.second == 0) continue;
        EXPECT_EQ(uniformsTaken([&] { d.first->getRandomVariate(S); }), d.second) << d.first->IsA();
    }
    ZELExponentialDistribution e(1.0), assigned;
    e.SetBounds(0.5, 1.0);
    for (double ok : {0.5, 0.75, 1.0, NaN}) EXPECT_TRUE(e.DistValueOK(&ok)) << ok;
    for (double bad : {0.49, 1.01, Inf, -Inf}) EXPECT_FALSE(e.DistValueOK(&bad)) << bad;
    model::Stream m = force(0x0ABC'DEF0u);
    double expected;
    do expected = -std::log(m.next());
    while (expected < 0.5 || expected > 1.0);
    EXPECT_EQ(e.getRandomVariate(S), expected);
    EXPECT_EQ(gen().GetRandomNumber(S), m.next());
    EXPECT_EQ(assigned.GetLowerBound(), Inf);
    assigned = ZELExponentialDistribution(e);  // copied, then assigned
    force(0x0ABC'DEF0u);
    EXPECT_EQ(assigned.getRandomVariate(S), expected);
    for (double bound : {Inf, -Inf, NaN}) {  // infinite and NaN bounds never reject
        e.SetBounds(bound, bound);
        for (double x : {-1e308, 5.0, Inf}) EXPECT_TRUE(e.DistValueOK(&x));
    }
}

TEST(Distributions, UserTablesSelectTheFirstEntryStrictlyAboveTheUniform) {
    const double values[] = {10, 20, 30}, scaled[] = {2, 2, 4},
                 zeros[] = {0, 0, 0};  // probabilities 1/4, 1/4, 1/2
    auto source = std::make_unique<ZELUserDiscDistribution>(values, scaled, 3);
    ZELUserDiscDistribution disc(values, zeros, 1);
    disc = *source;
    source.reset();  // a copy owns its table
    const std::pair<std::uint32_t, double> cases[] = {
        {model::stateFor(0.1), 10.0}, {1073741823u, 10.0}, {1073741824u, 20.0},
        {model::stateFor(0.7), 30.0}, {0xFFFFFFFFu, -1.0}, {0u, 10.0}};  // 0.25 = 2^30 / (2^32 - 1)
    for (const auto& c : cases) {
        force(c.first);
        EXPECT_EQ(ZELUserDiscDistribution(disc).getRandomVariate(S), c.second) << c.first;
    }
    EXPECT_EQ(uniformsTaken([&] {
                  EXPECT_EQ(ZELUserDiscDistribution(values, scaled, 0).getRandomVariate(S), -1.0);
              }),
              1);
    EXPECT_EQ(ZELUserDiscDistribution(values, zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserDiscDistribution(nullptr, nullptr, -4).getRandomVariate(S), -1.0);

    const double edges[] = {0.0, 10.0, 20.0}, mass[] = {0.0, 1.0, 3.0},
                 atom[] = {1.0, 3.0};  // cum 0, 0.25, 1
    ZELUserContDistribution cont(edges, mass, 3);
    const double u = forceU(0.625);
    EXPECT_EQ(ZELUserContDistribution(cont).getRandomVariate(S),
              10.0 + (u - 0.25) / (1.0 - 0.25) * (20.0 - 10.0));
    force(0xFFFFFFFFu);
    EXPECT_EQ(cont.getRandomVariate(S), 20.0);
    force(model::stateFor(0.2));  // the first value is an atom of mass 0.25
    EXPECT_EQ(ZELUserContDistribution(edges, atom, 2).getRandomVariate(S), 0.0);
    EXPECT_EQ(ZELUserContDistribution(edges, zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserContDistribution(nullptr, nullptr, -1).getRandomVariate(S), -1.0);

    const double weights[] = {1.0, 3.0};
    ZELUsrDist usr(weights, 2), before(usr);
    const model::Stream stream7{static_cast<std::uint32_t>(gen().GetInitialSeed(7))};
    gen().ResetStream(7);
    model::forceNext(1, model::stateFor(0.1));
    EXPECT_EQ(usr.getRandomVariate(7), 0.25);  // draws from stream 1, normalised in place
    EXPECT_TRUE(usr.weights()[1] == 0.75 && before.weights()[1] == 3.0);
    EXPECT_EQ(gen().GetRandomNumber(7), model::Stream(stream7).next());
    model::forceNext(1, 0xFFFFFFFFu);
    EXPECT_EQ(usr.getRandomVariate(1), -1.0);
    EXPECT_EQ(ZELUsrDist(zeros, 2).getRandomVariate(1), -1.0);
    EXPECT_EQ(ZELUsrDist(weights, -1).count(), 0);
    std::vector<double> many(ZELUsrDist::Capacity + 5, 1.0);  // the first 10000 are kept
    auto big = std::make_unique<ZELUsrDist>(many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(big->getRandomVariate(1), 1.0 / ZELUsrDist::Capacity);
}

// Without a generator (its memory could not be allocated) every draw is 0.0, the log-normal 1.0.
TEST(Distributions, DrawsWithoutAGeneratorYieldZero) {
    const auto all = oneOfEach();
    delete ZELRandomGenerator::Instance();
    zel_internal::setPoolFailureHook([](std::size_t) { return true; });
    ZELRandomGenerator* none = ZELRandomGenerator::Instance();
    std::vector<double> drawn;
    for (const auto& d : all) drawn.push_back(d.first->getRandomVariate(1));
    zel_internal::setPoolFailureHook(nullptr);
    EXPECT_EQ(none, nullptr);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(drawn[i], i == 4 ? 1.0 : 0.0) << all[i].first->IsA();
    EXPECT_EQ(static_cast<ZELUsrDist&>(*all.back().first).weights()[1],
              0.75);                                     // normalised even so
    EXPECT_NE(ZELRandomGenerator::Instance(), nullptr);  // the next call tries again
}

// A stream object applies each distribution's own transformation: through Classic(k) every
// distribution (bounds and tables included) gives exactly the variates of stream k, singly or as a
// block; through Philox and MRG32k3a a block equals single draws and the closed forms take the
// stream's own numbers.
TEST(Distributions, StreamObjectsApplyTheSameTransformationAsNumberedStreams) {
    for (const auto& entry : oneOfEach()) {
        ZELRNDistribution& d = *entry.first;
        const int k = dynamic_cast<ZELUsrDist*>(&d) != nullptr
            ? 1
            : S;  // ZELUsrDist always draws from stream 1
        std::vector<double> v(64), numbered(300), single(300), block(300);
        for (double& x : v) x = d.getRandomVariate(k);
        std::sort(v.begin(), v.end());
        d.SetBounds(v[16], v[48]);  // rejects about half of the raw draws
        const auto fromStart = [&](auto draw) {
            model::forceNext(k, 0x1234'5678u);
            draw();
            return gen().GetRandomNumber(k);
        };
        const double after = fromStart([&] {
            for (double& x : numbered) x = d.getRandomVariate(k);
        });
        ZELRandomStream classic = ZELRandomStream::Classic(k);
        EXPECT_EQ(fromStart([&] {
                      for (double& x : single) x = d.getRandomVariate(classic);
                  }),
                  after)
            << d.IsA();
        EXPECT_EQ(fromStart([&] { d.getRandomVariates(classic, block.data(), block.size()); }),
                  after)
            << d.IsA();
        EXPECT_TRUE(numbered == single && numbered == block) << d.IsA();

        for (ZELRandomStream stream :
             {ZELRandomStream::Philox(99, 3), ZELRandomStream::MRG32k3a(2, 1)}) {
            ZELRandomStream copy(stream);
            for (double& x : single) x = d.getRandomVariate(stream);
            d.getRandomVariates(copy, block.data(), block.size());
            EXPECT_TRUE(single == block && stream.next() == copy.next()) << d.IsA();
        }
    }
    ZELRandomStream philox = ZELRandomStream::Philox(5), numbers(philox);
    const double u1 = numbers.next(), u2 = numbers.next(), u3 = numbers.next();
    EXPECT_EQ(ZELExponentialDistribution(2.5).getRandomVariate(philox), -std::log(u1) * 2.5);
    EXPECT_EQ(ZELNormalDistribution(1.0, 3.0).getRandomVariate(philox),
              std::cos(3.14527 * u3) * std::sqrt(-2.0 * std::log(u2)) * 3.0 + 1.0);
    const double values[] = {10, 20, 30}, probabilities[] = {1, 1, 2};
    const double u4 = numbers.next();
    EXPECT_EQ(ZELUserDiscDistribution(values, probabilities, 3).getRandomVariate(philox),
              u4 < 0.25      ? 10
                  : u4 < 0.5 ? 20
                             : 30);
}

// Parameters with which no draw could end, and bounds that reject everything, give NaN and one
// report per draw instead of a hang, through both kinds of stream; small but valid shapes do not.
TEST(Distributions, DrawsThatCannotEndReportAndYieldNaN) {
    AssertRecorder recorder;
    ZELExponentialDistribution empty(1.0), outside(1.0);
    empty.SetBounds(10.0, 5.0);
    outside.SetBounds(-5.0, -1.0);
    ZELErlangDistribution endless, tooMany;
    endless.SetDistParameters(1.0, Inf);
    tooMany.SetDistParameters(1.0, 3e9);
    ZELGammaDistribution gNaN(NaN, 1.0), gInf(Inf, 1.0), gHuge(1e308, 1.0), gNegative(-3.0, 1.0);
    ZELBetaDistribution bZero(0.0, 0.0), bNaN(NaN, 1.0), bInf(1.0, Inf), bTiny(1e-300, 1e-300);
    // (distribution, report, uniform numbers a numbered draw takes: -1 when many)
    const std::tuple<ZELRNDistribution*, const char*, std::int64_t> cases[] = {
        {&empty, "Bounds reject every draw", 0},
        {&outside, "Bounds reject every draw", ZELRNDistribution::MaxRejections},
        {&endless, "No draw ends with these parameters", 0},
        {&tooMany, "No draw ends with these parameters", 0},
        {&gNaN, "No draw ends with these parameters", 0},
        {&gInf, "No draw ends with these parameters", 0},
        {&gHuge, "No draw ends with these parameters", 0},
        {&gNegative, "No draw ends with these parameters", 0},
        {&bZero, "No draw ends with these parameters", 0},
        {&bNaN, "No draw ends with these parameters", 0},
        {&bInf, "No draw ends with these parameters", 0},
        {&bTiny, "No draw ends with these parameters", -1}};
    ZELRandomStream philox = ZELRandomStream::Philox(1);
    for (const auto& [d, message, uniforms] : cases) {
        gen().ResetStream(S);
        EXPECT_TRUE(std::isnan(d->getRandomVariate(S))) << d->IsA();
        if (uniforms >= 0) {
            EXPECT_EQ(gen().GetDrawCount(S), static_cast<std::uint64_t>(uniforms)) << d->IsA();
        }
        EXPECT_TRUE(std::isnan(d->getRandomVariate(philox))) << d->IsA();
        const std::vector<AssertReport> reports = recorder.take();
        ASSERT_EQ(reports.size(), 2u) << d->IsA();
        for (const AssertReport& r : reports)
            EXPECT_TRUE(r.category == "Software" && r.message == message &&
                        r.file == "ZELRandomMD.m/src/ZELRNDistribution");
    }
    ZELBetaDistribution small(1e-3, 1e-3);
    ZELGammaDistribution large(1e300, 1.0),
        negative(-1.0, 1.0);  // a negative shape above -e still ends
    for (int i = 0; i < 2000; ++i) {
        EXPECT_FALSE(std::isnan(small.getRandomVariate(philox)));
        EXPECT_TRUE(std::isfinite(large.getRandomVariate(philox)));
        EXPECT_TRUE(std::isfinite(negative.getRandomVariate(philox)));
    }
    EXPECT_TRUE(recorder.take().empty());
}

}  // namespace
