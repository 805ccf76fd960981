// Stream objects (MRG32k3a, Philox4x32-10) against std::mt19937_64 with
// std::uniform_real_distribution<double>, per double: one number at a time and blocks of 4096,
// and the MRG32k3a jump far ahead. Every row counts items (doubles), so the ratios are read from
// items_per_second.
#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t Block = 4096;

void BM_Std_Mt64_Next(benchmark::State& state) {
    std::mt19937_64 engine(5489u);
    std::uniform_real_distribution<double> dist(0.0, 1.0);
    for (auto _ : state) benchmark::DoNotOptimize(dist(engine));
    state.SetItemsProcessed(state.iterations());
}

void BM_Std_Mt64_Block(benchmark::State& state) {
    std::mt19937_64 engine(5489u);
    std::uniform_real_distribution<double> dist(0.0, 1.0);
    std::vector<double> out(Block);
    for (auto _ : state) {
        for (double& u : out) u = dist(engine);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Block));
}

ZELRandomStream make(bool philox) {
    return philox ? ZELRandomStream::Philox(42, 1) : ZELRandomStream::MRG32k3a(1);
}

void streamNext(benchmark::State& state, bool philox) {
    ZELRandomStream s = make(philox);
    for (auto _ : state) benchmark::DoNotOptimize(s.next());
    state.SetItemsProcessed(state.iterations());
}

void streamBlock(benchmark::State& state, bool philox) {
    ZELRandomStream s = make(philox);
    std::vector<double> out(Block);
    for (auto _ : state) {
        s.next(out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Block));
}

void BM_Philox_Next(benchmark::State& state) { streamNext(state, true); }
void BM_Philox_Block(benchmark::State& state) { streamBlock(state, true); }
void BM_MRG32k3a_Next(benchmark::State& state) { streamNext(state, false); }
void BM_MRG32k3a_Block(benchmark::State& state) { streamBlock(state, false); }

// advance(2^62): one squared matrix pair applied (the tables are built before the loop).
void BM_MRG32k3a_Advance2p62(benchmark::State& state) {
    ZELRandomStream s = ZELRandomStream::MRG32k3a(1);
    s.advance(1);
    for (auto _ : state) {
        s.advance(std::uint64_t{1} << 62);
        benchmark::ClobberMemory();
    }
}

// advance by a number with every bit set: the worst case, 64 matrix pairs.
void BM_MRG32k3a_AdvanceAllBits(benchmark::State& state) {
    ZELRandomStream s = ZELRandomStream::MRG32k3a(1);
    for (auto _ : state) {
        s.advance(~std::uint64_t{0});
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_Std_Mt64_Next);
BENCHMARK(BM_Philox_Next);
BENCHMARK(BM_MRG32k3a_Next);
BENCHMARK(BM_Std_Mt64_Block);
BENCHMARK(BM_Philox_Block);
BENCHMARK(BM_MRG32k3a_Block);
BENCHMARK(BM_MRG32k3a_Advance2p62);
BENCHMARK(BM_MRG32k3a_AdvanceAllBits);

BENCHMARK_MAIN();
