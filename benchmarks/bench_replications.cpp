// Studies of replications: the framework's cost per replication against a plain loop that calls
// the same model and keeps its rows (the peer), and the wall time of a CPU-bound study (about
// 5 ms a replication, 200 replications) on one and on two threads.
//
// Read: overhead per replication = (BM_Zel_Study_EmptyModel - BM_PlainLoop_EmptyModel) / 10^4
// (both report the time of a study of 10^4 replications); the thread speed-up = time of
// BM_Zel_Study_CpuBound/threads:2 over BM_Zel_Study_CpuBound/threads:1 (wall time).
#include "ZELRandomMD.m/src/ZELReplications.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr std::uint64_t EmptyStudy = 10000;
constexpr std::uint64_t CpuStudy = 200;

std::vector<double> emptyModel(const ZELReplication&) { return {}; }

// About 5 ms of arithmetic on the replication's stream (350000 MRG32k3a numbers).
std::vector<double> cpuBoundModel(const ZELReplication& rep) {
    ZELRandomStream s = rep.stream(0);
    double sum = 0.0;
    for (int i = 0; i < 350000; ++i) sum += s.next();
    return {sum};
}

void BM_Zel_Study_EmptyModel(benchmark::State& state) {
    ZELReplicationOptions options;
    options.threads = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(ZELRunReplications(EmptyStudy, emptyModel, options));
}

// The peer: the loop a user writes by hand, rows kept in a vector of vectors.
void BM_PlainLoop_EmptyModel(benchmark::State& state) {
    ZELReplicationOptions options;
    for (auto _ : state) {
        std::vector<std::vector<double>> rows(EmptyStudy);
        for (std::uint64_t i = 0; i < EmptyStudy; ++i)
            rows[i] = emptyModel(ZELReplication(i, options));
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_Zel_Study_CpuBound(benchmark::State& state) {
    ZELReplicationOptions options;
    options.threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ZELRunReplications(CpuStudy, cpuBoundModel, options));
}

}  // namespace

BENCHMARK(BM_Zel_Study_EmptyModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop_EmptyModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zel_Study_CpuBound)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
