// Shared by the benchmarks that measure an operation the way a program runs it: each timed
// iteration takes the next of kSets operand sets (so no single operand stays hot in registers, in
// the store-to-load forwarding or in the branch history), writes into a result object that
// exists before the loop, and runs only after the result was checked against the peer's.
#ifndef ZELMATH_BENCHMARKS_OPERAND_SETS_H
#define ZELMATH_BENCHMARKS_OPERAND_SETS_H

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

namespace bench {

constexpr std::size_t kSets = 8;

/// The set after k.
inline std::size_t nextSet(std::size_t k) { return (k + 1) % kSets; }

/// Same bits in all n elements.
inline bool sameBits(const double* a, const double* b, std::size_t n) {
    return n == 0 || std::memcmp(a, b, n * sizeof(double)) == 0;
}

/// Every |a[i] - b[i]| at most tol * (1 + |b[i]|): for peers whose sums run in another order.
inline bool near(const double* a, const double* b, std::size_t n, double tol = 1e-12) {
    for (std::size_t i = 0; i < n; ++i)
        if (!(std::fabs(a[i] - b[i]) <= tol * (1.0 + std::fabs(b[i])))) return false;
    return true;
}

/// Marks the run as failed (and so untimed) unless ok; returns ok.
inline bool require(benchmark::State& state, bool ok, const char* what) {
    if (!ok) state.SkipWithError((std::string("result differs from the peer: ") + what).c_str());
    return ok;
}

}  // namespace bench

#endif
