// Uniform numbers and variates of the library's streams against std::mt19937 with the standard
// distributions and against Boost.Random, one thread and two threads on different streams
// (each thread with its own peer engine).
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#if ZELMATH_HAVE_BOOST
#include <boost/random/exponential_distribution.hpp>
#include <boost/random/gamma_distribution.hpp>
#include <boost/random/mersenne_twister.hpp>
#include <boost/random/normal_distribution.hpp>
#include <boost/random/poisson_distribution.hpp>
#include <boost/random/uniform_01.hpp>
#endif

namespace {

int streamOf(const benchmark::State& state) { return 1 + static_cast<int>(state.thread_index()); }

// ---- uniform numbers ------------------------------------------------------------------------

void BM_Zel_Uniform(benchmark::State& state) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    const int stream = streamOf(state);
    for (auto _ : state) benchmark::DoNotOptimize(g->GetRandomNumber(stream));
}

void BM_Zel_UniformBlock(benchmark::State& state) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    const int stream = streamOf(state);
    std::vector<double> block(256);
    for (auto _ : state) {
        g->GetRandomNumbers(stream, block.data(), block.size());
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

void BM_Std_Uniform(benchmark::State& state) {
    std::mt19937 engine(5489u + static_cast<unsigned>(state.thread_index()));
    std::uniform_real_distribution<double> dist(0.0, 1.0);
    for (auto _ : state) benchmark::DoNotOptimize(dist(engine));
}

// Draws per second of wall time, all threads together (each thread on its own stream, or with its
// own engine): the two-thread row divided into the one-thread row is the wall time per draw of
// two threads drawing at once relative to one thread alone (0.5 is perfect scaling). The std
// engine, which shares nothing, shows what the machine itself allows.
void BM_Zel_UniformWall(benchmark::State& state) {
    BM_Zel_Uniform(state);
    state.SetItemsProcessed(state.iterations());
}
void BM_Std_UniformWall(benchmark::State& state) {
    BM_Std_Uniform(state);
    state.SetItemsProcessed(state.iterations());
}

// ---- variates -------------------------------------------------------------------------------

template <class D>
void zelDraw(benchmark::State& state, D d) {
    ZELRandomGenerator::Instance();
    const int stream = streamOf(state);
    for (auto _ : state) benchmark::DoNotOptimize(d.getRandomVariate(stream));
}

template <class D>
void stdDraw(benchmark::State& state, D d) {
    std::mt19937 engine(5489u + static_cast<unsigned>(state.thread_index()));
    for (auto _ : state) benchmark::DoNotOptimize(d(engine));
}

void BM_Zel_Exponential(benchmark::State& s) { zelDraw(s, ZELExponentialDistribution(2.0)); }
void BM_Std_Exponential(benchmark::State& s) {
    stdDraw(s, std::exponential_distribution<double>(0.5));
}
void BM_Zel_Normal(benchmark::State& s) { zelDraw(s, ZELNormalDistribution(1.0, 2.0)); }
void BM_Std_Normal(benchmark::State& s) { stdDraw(s, std::normal_distribution<double>(1.0, 2.0)); }
void BM_Zel_Gamma05(benchmark::State& s) { zelDraw(s, ZELGammaDistribution(0.5, 2.0)); }
void BM_Std_Gamma05(benchmark::State& s) { stdDraw(s, std::gamma_distribution<double>(0.5, 2.0)); }
void BM_Zel_Gamma3(benchmark::State& s) { zelDraw(s, ZELGammaDistribution(3.0, 2.0)); }
void BM_Std_Gamma3(benchmark::State& s) { stdDraw(s, std::gamma_distribution<double>(3.0, 2.0)); }
void BM_Zel_Poisson4(benchmark::State& s) { zelDraw(s, ZELPoissonDistribution(4.0)); }
void BM_Std_Poisson4(benchmark::State& s) { stdDraw(s, std::poisson_distribution<int>(4.0)); }

// Exponential variates from a Philox stream object (one at a time and as a block) against
// std::exponential_distribution on std::mt19937_64.
void BM_Zel_ExponentialPhilox(benchmark::State& state) {
    ZELExponentialDistribution d(2.0);
    ZELRandomStream stream =
        ZELRandomStream::Philox(1, static_cast<std::uint64_t>(state.thread_index()));
    for (auto _ : state) benchmark::DoNotOptimize(d.getRandomVariate(stream));
}
void BM_Zel_ExponentialPhiloxBlock(benchmark::State& state) {
    ZELExponentialDistribution d(2.0);
    ZELRandomStream stream =
        ZELRandomStream::Philox(1, static_cast<std::uint64_t>(state.thread_index()));
    std::vector<double> block(256);
    for (auto _ : state) {
        d.getRandomVariates(stream, block.data(), block.size());
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
void BM_Std_Exponential64(benchmark::State& state) {
    std::mt19937_64 engine(5489u + static_cast<unsigned>(state.thread_index()));
    std::exponential_distribution<double> d(0.5);
    for (auto _ : state) benchmark::DoNotOptimize(d(engine));
}
void BM_Std_Exponential64Block(benchmark::State& state) {
    std::mt19937_64 engine(5489u);
    std::exponential_distribution<double> d(0.5);
    std::vector<double> block(256);
    for (auto _ : state) {
        for (double& x : block) x = d(engine);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_Zel_ExponentialPhilox);
BENCHMARK(BM_Zel_ExponentialPhiloxBlock);
BENCHMARK(BM_Std_Exponential64);
BENCHMARK(BM_Std_Exponential64Block);

#define ZEL_PAIR(name)                           \
    BENCHMARK(BM_Zel_##name)->ThreadRange(1, 2); \
    BENCHMARK(BM_Std_##name)->ThreadRange(1, 2);
ZEL_PAIR(Uniform)
BENCHMARK(BM_Zel_UniformBlock)->ThreadRange(1, 2);
BENCHMARK(BM_Zel_UniformWall)->ThreadRange(1, 2)->UseRealTime();
BENCHMARK(BM_Std_UniformWall)->ThreadRange(1, 2)->UseRealTime();
ZEL_PAIR(Exponential)
ZEL_PAIR(Normal)
ZEL_PAIR(Gamma05)
ZEL_PAIR(Gamma3)
ZEL_PAIR(Poisson4)

#if ZELMATH_HAVE_BOOST
void BM_Boost_Uniform(benchmark::State& state) {
    boost::random::mt19937 engine(5489u + static_cast<unsigned>(state.thread_index()));
    boost::random::uniform_01<double> dist;
    for (auto _ : state) benchmark::DoNotOptimize(dist(engine));
}
template <class D>
void boostDraw(benchmark::State& state, D d) {
    boost::random::mt19937 engine(5489u + static_cast<unsigned>(state.thread_index()));
    for (auto _ : state) benchmark::DoNotOptimize(d(engine));
}
void BM_Boost_Exponential(benchmark::State& s) {
    boostDraw(s, boost::random::exponential_distribution<double>(0.5));
}
void BM_Boost_Normal(benchmark::State& s) {
    boostDraw(s, boost::random::normal_distribution<double>(1.0, 2.0));
}
void BM_Boost_Gamma05(benchmark::State& s) {
    boostDraw(s, boost::random::gamma_distribution<double>(0.5, 2.0));
}
void BM_Boost_Gamma3(benchmark::State& s) {
    boostDraw(s, boost::random::gamma_distribution<double>(3.0, 2.0));
}
void BM_Boost_Poisson4(benchmark::State& s) {
    boostDraw(s, boost::random::poisson_distribution<int>(4.0));
}
BENCHMARK(BM_Boost_Uniform)->ThreadRange(1, 2);
BENCHMARK(BM_Boost_Exponential)->ThreadRange(1, 2);
BENCHMARK(BM_Boost_Normal)->ThreadRange(1, 2);
BENCHMARK(BM_Boost_Gamma05)->ThreadRange(1, 2);
BENCHMARK(BM_Boost_Gamma3)->ThreadRange(1, 2);
BENCHMARK(BM_Boost_Poisson4)->ThreadRange(1, 2);
#endif

}  // namespace

BENCHMARK_MAIN();
