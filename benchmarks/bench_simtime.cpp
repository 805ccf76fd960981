// ZELSimTime against std::chrono::nanoseconds and absl::Duration: conversion from double seconds,
// addition, comparison, multiplication, division, ratio and text output, each over the same 1024
// random times between -1e6 s and 1e6 s (steps and divisors between 0.5 s and 4 s). The
// element-wise loops let the compiler vectorise the single-integer peer; sorting shows comparison
// where nothing vectorises, and advancing a clock is one dependent chain of additions (which the
// compiler still turns into a vectorised integer reduction for std::chrono).
#include "ZELSimTimeMD.m/src/ZELSimTime.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <sstream>
#include <vector>

#if ZELMATH_HAVE_ABSL
#include "absl/time/time.h"
#endif

namespace {

constexpr std::size_t kCount = 1024;

struct Data {
    std::vector<double> seconds, factors;
    Data() {
        std::mt19937_64 rng(5);
        std::uniform_real_distribution<double> u(-1e6, 1e6), f(0.5, 4.0);
        for (std::size_t i = 0; i < kCount; ++i) {
            const double s = u(rng);
            seconds.push_back(s);
            factors.push_back(f(rng));
        }
    }
};
const Data& data() {
    static const Data d;
    return d;
}

std::vector<ZELSimTime> simTimes(const std::vector<double>& v) {
    std::vector<ZELSimTime> out;
    for (double s : v) out.emplace_back(s);
    return out;
}
std::vector<std::chrono::nanoseconds> chronoTimes(const std::vector<double>& v) {
    std::vector<std::chrono::nanoseconds> out;
    for (double s : v)
        out.push_back(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(s)));
    return out;
}

// ---- construction from double seconds ----

void BM_FromDouble_ZELSimTime(benchmark::State& state) {
    const auto& in = data().seconds;
    std::vector<ZELSimTime> out(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) out[i] = ZELSimTime(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_FromDouble_Chrono(benchmark::State& state) {
    const auto& in = data().seconds;
    std::vector<std::chrono::nanoseconds> out(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i)
            out[i] = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::duration<double>(in[i]));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- addition: c[i] = a[i] + b[i] ----

void BM_Add_ZELSimTime(benchmark::State& state) {
    const auto a = simTimes(data().seconds);
    const auto b = simTimes(data().factors);
    std::vector<ZELSimTime> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] + b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Add_Chrono(benchmark::State& state) {
    const auto a = chronoTimes(data().seconds);
    const auto b = chronoTimes(data().factors);
    std::vector<std::chrono::nanoseconds> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] + b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- comparison: count a[i] < b[i] (b is a rotated copy of a) ----

template <class T>
void compareLoop(benchmark::State& state, const std::vector<T>& a) {
    std::vector<T> b(a.begin() + 1, a.end());
    b.push_back(a.front());
    for (auto _ : state) {
        std::size_t count = 0;
        for (std::size_t i = 0; i < kCount; ++i) count += a[i] < b[i];
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Less_ZELSimTime(benchmark::State& state) { compareLoop(state, simTimes(data().seconds)); }
void BM_Less_Chrono(benchmark::State& state) { compareLoop(state, chronoTimes(data().seconds)); }

// ---- comparison as an event queue uses it: sorting (not vectorisable for either) ----

template <class T>
void sortLoop(benchmark::State& state, const std::vector<T>& a) {
    std::vector<T> v;
    for (auto _ : state) {
        v = a;
        std::sort(v.begin(), v.end());
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Sort_ZELSimTime(benchmark::State& state) { sortLoop(state, simTimes(data().seconds)); }
void BM_Sort_Chrono(benchmark::State& state) { sortLoop(state, chronoTimes(data().seconds)); }

// ---- a clock advanced by positive steps: t += dt (one dependent chain) ----

void BM_Advance_ZELSimTime(benchmark::State& state) {
    const auto dt = simTimes(data().factors);
    for (auto _ : state) {
        ZELSimTime t;
        for (std::size_t i = 0; i < kCount; ++i) t += dt[i];
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Advance_Chrono(benchmark::State& state) {
    const auto dt = chronoTimes(data().factors);
    for (auto _ : state) {
        std::chrono::nanoseconds t{0};
        for (std::size_t i = 0; i < kCount; ++i) t += dt[i];
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- multiplication: time * time for ZELSimTime, duration * integer for the peers ----

void BM_Mul_ZELSimTime(benchmark::State& state) {
    const auto a = simTimes(data().seconds);
    const auto b = simTimes(data().factors);
    std::vector<ZELSimTime> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] * b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Mul_Chrono(benchmark::State& state) {
    const auto a = chronoTimes(data().seconds);
    std::vector<std::chrono::nanoseconds> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i)
            c[i] = a[i] * (3 + static_cast<std::int64_t>(i & 3));
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- division: time / time (ZELSimTime gives a time, the peers an integer count) ----

void BM_Div_ZELSimTime(benchmark::State& state) {
    const auto a = simTimes(data().seconds);
    const auto b = simTimes(data().factors);
    std::vector<ZELSimTime> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] / b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Div_Chrono(benchmark::State& state) {
    const auto a = chronoTimes(data().seconds);
    const auto b = chronoTimes(data().factors);
    std::vector<std::int64_t> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] / b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- ratio: time / time as a double ----
// Argument 0: the common data (counts below 2^53 ns); 1: the dividends scaled by 2^20 (up to
// about 1e12 s), which takes ZELSimTime's long division. std::chrono divides the counts as
// doubles (two roundings beyond 2^53 ns); absl::FDivDuration is the peer's own ratio.

std::vector<double> ratioDividends(bool large) {
    std::vector<double> v = data().seconds;
    if (large)
        for (double& s : v) s *= 1048576.0;
    return v;
}

void BM_Ratio_ZELSimTime(benchmark::State& state) {
    const auto a = simTimes(ratioDividends(state.range(0) != 0));
    const auto b = simTimes(data().factors);
    std::vector<double> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = ratio(a[i], b[i]);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Ratio_Chrono(benchmark::State& state) {
    const auto a = chronoTimes(data().seconds);
    const auto b = chronoTimes(data().factors);
    std::vector<double> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i)
            c[i] = std::chrono::duration<double>(a[i]) / std::chrono::duration<double>(b[i]);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// ---- text output into a reused string stream ----

void BM_Print_ZELSimTime(benchmark::State& state) {
    const auto a = simTimes(data().seconds);
    std::ostringstream os;
    for (auto _ : state) {
        os.str("");
        for (std::size_t i = 0; i < 64; ++i) os << a[i] << '\n';
        benchmark::DoNotOptimize(os);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
void BM_Print_Chrono(benchmark::State& state) {
    const auto a = chronoTimes(data().seconds);
    std::ostringstream os;
    for (auto _ : state) {
        os.str("");
        for (std::size_t i = 0; i < 64; ++i) os << a[i].count() << "ns\n";
        benchmark::DoNotOptimize(os);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}

BENCHMARK(BM_FromDouble_ZELSimTime);
BENCHMARK(BM_FromDouble_Chrono);
BENCHMARK(BM_Add_ZELSimTime);
BENCHMARK(BM_Add_Chrono);
BENCHMARK(BM_Less_ZELSimTime);
BENCHMARK(BM_Less_Chrono);
BENCHMARK(BM_Sort_ZELSimTime);
BENCHMARK(BM_Sort_Chrono);
BENCHMARK(BM_Advance_ZELSimTime);
BENCHMARK(BM_Advance_Chrono);
BENCHMARK(BM_Mul_ZELSimTime);
BENCHMARK(BM_Mul_Chrono);
BENCHMARK(BM_Div_ZELSimTime);
BENCHMARK(BM_Div_Chrono);
BENCHMARK(BM_Ratio_ZELSimTime)->Arg(0)->Arg(1);
BENCHMARK(BM_Ratio_Chrono);
BENCHMARK(BM_Print_ZELSimTime);
BENCHMARK(BM_Print_Chrono);

#if ZELMATH_HAVE_ABSL
std::vector<absl::Duration> abslTimes(const std::vector<double>& v) {
    std::vector<absl::Duration> out;
    for (double s : v) out.push_back(absl::Seconds(s));
    return out;
}

void BM_FromDouble_Absl(benchmark::State& state) {
    const auto& in = data().seconds;
    std::vector<absl::Duration> out(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) out[i] = absl::Seconds(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Add_Absl(benchmark::State& state) {
    const auto a = abslTimes(data().seconds);
    const auto b = abslTimes(data().factors);
    std::vector<absl::Duration> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] + b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Less_Absl(benchmark::State& state) { compareLoop(state, abslTimes(data().seconds)); }
void BM_Sort_Absl(benchmark::State& state) { sortLoop(state, abslTimes(data().seconds)); }
void BM_Advance_Absl(benchmark::State& state) {
    const auto dt = abslTimes(data().factors);
    for (auto _ : state) {
        absl::Duration t;
        for (std::size_t i = 0; i < kCount; ++i) t += dt[i];
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Mul_Absl(benchmark::State& state) {
    const auto a = abslTimes(data().seconds);
    std::vector<absl::Duration> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i)
            c[i] = a[i] * (3 + static_cast<std::int64_t>(i & 3));
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Div_Absl(benchmark::State& state) {
    const auto a = abslTimes(data().seconds);
    const auto b = abslTimes(data().factors);
    std::vector<std::int64_t> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = a[i] / b[i];
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Ratio_Absl(benchmark::State& state) {
    const auto a = abslTimes(ratioDividends(state.range(0) != 0));
    const auto b = abslTimes(data().factors);
    std::vector<double> c(kCount);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCount; ++i) c[i] = absl::FDivDuration(a[i], b[i]);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
void BM_Print_Absl(benchmark::State& state) {
    const auto a = abslTimes(data().seconds);
    std::ostringstream os;
    for (auto _ : state) {
        os.str("");
        for (std::size_t i = 0; i < 64; ++i) os << absl::FormatDuration(a[i]) << '\n';
        benchmark::DoNotOptimize(os);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}

BENCHMARK(BM_FromDouble_Absl);
BENCHMARK(BM_Add_Absl);
BENCHMARK(BM_Less_Absl);
BENCHMARK(BM_Sort_Absl);
BENCHMARK(BM_Advance_Absl);
BENCHMARK(BM_Mul_Absl);
BENCHMARK(BM_Div_Absl);
BENCHMARK(BM_Ratio_Absl)->Arg(0)->Arg(1);
BENCHMARK(BM_Print_Absl);
#endif

}  // namespace

BENCHMARK_MAIN();
