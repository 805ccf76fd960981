// Math vector and matrix against Eigen's VectorXd/MatrixXd, and the pool allocator against
// operator new/delete and malloc/free, on one thread and across two. Each pair measures the same
// operation on the same data: results that allocate (a + b, A * B, A * x) allocate in both
// libraries.
#include <ZELMath.h>

#include <Eigen/Dense>
#include <benchmark/benchmark.h>

#include "operand_sets.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

std::vector<double> randomValues(std::size_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& x : v) x = dist(gen);
    return v;
}

ZELMathVector ourVector(std::size_t n, unsigned seed) {
    const std::vector<double> v = randomValues(n, seed);
    return ZELMathVector(v.data(), n);
}

Eigen::VectorXd eigenVector(std::size_t n, unsigned seed) {
    const std::vector<double> v = randomValues(n, seed);
    return Eigen::Map<const Eigen::VectorXd>(v.data(), static_cast<Eigen::Index>(n));
}

ZELMathMatrix ourMatrix(std::size_t n, unsigned seed) {
    const std::vector<double> v = randomValues(n * n, seed);
    return ZELMathMatrix(v.data(), n, n);
}

Eigen::MatrixXd eigenMatrix(std::size_t n, unsigned seed) {
    const std::vector<double> v = randomValues(n * n, seed);
    const auto idx = static_cast<Eigen::Index>(n);
    return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
        v.data(), idx, idx);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int n : {4, 16, 64, 256}) b->Arg(n);
}

// ---- vector element-wise ops and dot ----------------------------------------------------------

void BM_Vector_Add_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathVector a = ourVector(n, 1), b = ourVector(n, 2);
    for (auto _ : state) {
        ZELMathVector c = a + b;
        benchmark::DoNotOptimize(c.data());
    }
}
void BM_Vector_Add_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::VectorXd a = eigenVector(n, 1), b = eigenVector(n, 2);
    for (auto _ : state) {
        Eigen::VectorXd c = a + b;
        benchmark::DoNotOptimize(c.data());
    }
}

void BM_Vector_ScaleInPlace_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    ZELMathVector a = ourVector(n, 1);
    const ZELMathVector b = ourVector(n, 2);
    for (auto _ : state) {
        a += b;
        a *= 0.5;
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
}
void BM_Vector_ScaleInPlace_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Eigen::VectorXd a = eigenVector(n, 1);
    const Eigen::VectorXd b = eigenVector(n, 2);
    for (auto _ : state) {
        a += b;
        a *= 0.5;
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
}

void BM_Vector_Dot_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathVector a = ourVector(n, 1), b = ourVector(n, 2);
    for (auto _ : state) benchmark::DoNotOptimize(ZELDot(a, b));
}
void BM_Vector_Dot_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::VectorXd a = eigenVector(n, 1), b = eigenVector(n, 2);
    for (auto _ : state) benchmark::DoNotOptimize(a.dot(b));
}

// The assignment forms: the result goes into an existing object of the right size, as in a loop
// that updates its state. Eigen evaluates `r = x + y` without a temporary and `C = A * B`,
// `y = A * x` through one (it assumes aliasing unless told otherwise).
void BM_Vector_AddAssign_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathVector a = ourVector(n, 1), b = ourVector(n, 2);
    ZELMathVector r(n, 0.0);
    for (auto _ : state) {
        r = a + b;
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
}
void BM_Vector_AddAssign_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::VectorXd a = eigenVector(n, 1), b = eigenVector(n, 2);
    Eigen::VectorXd r = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n));
    for (auto _ : state) {
        r = a + b;
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
}

// ---- matrix product and matrix-vector product -------------------------------------------------

void BM_Matrix_Product_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathMatrix a = ourMatrix(n, 1), b = ourMatrix(n, 2);
    for (auto _ : state) {
        ZELMathMatrix c = a * b;
        benchmark::DoNotOptimize(c(0, 0));
    }
}
void BM_Matrix_Product_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::MatrixXd a = eigenMatrix(n, 1), b = eigenMatrix(n, 2);
    for (auto _ : state) {
        Eigen::MatrixXd c = a * b;
        benchmark::DoNotOptimize(c.data());
    }
}

void BM_Matrix_TimesVector_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathMatrix a = ourMatrix(n, 1);
    const ZELMathVector x = ourVector(n, 2);
    for (auto _ : state) {
        ZELMathVector y = a * x;
        benchmark::DoNotOptimize(y.data());
    }
}
void BM_Matrix_TimesVector_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::MatrixXd a = eigenMatrix(n, 1);
    const Eigen::VectorXd x = eigenVector(n, 2);
    for (auto _ : state) {
        Eigen::VectorXd y = a * x;
        benchmark::DoNotOptimize(y.data());
    }
}

void BM_Matrix_ProductAssign_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathMatrix a = ourMatrix(n, 1), b = ourMatrix(n, 2);
    ZELMathMatrix c(n, n, 0.0);
    for (auto _ : state) {
        c = a * b;
        benchmark::DoNotOptimize(c(0, 0));
        benchmark::ClobberMemory();
    }
}
void BM_Matrix_ProductAssign_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::MatrixXd a = eigenMatrix(n, 1), b = eigenMatrix(n, 2);
    Eigen::MatrixXd c =
        Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(n));
    for (auto _ : state) {
        c = a * b;
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
}

void BM_Matrix_TimesVectorAssign_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathMatrix a = ourMatrix(n, 1);
    const ZELMathVector x = ourVector(n, 2);
    ZELMathVector y(n, 0.0);
    for (auto _ : state) {
        y = a * x;
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
}
void BM_Matrix_TimesVectorAssign_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::MatrixXd a = eigenMatrix(n, 1);
    const Eigen::VectorXd x = eigenVector(n, 2);
    Eigen::VectorXd y = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n));
    for (auto _ : state) {
        y = a * x;
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
}

void BM_Vector_TimesMatrix_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const ZELMathMatrix a = ourMatrix(n, 1);
    const ZELMathVector x = ourVector(n, 2);
    for (auto _ : state) {
        ZELMathVector y = x * a;
        benchmark::DoNotOptimize(y.data());
    }
}
void BM_Vector_TimesMatrix_Eigen(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Eigen::MatrixXd a = eigenMatrix(n, 1);
    const Eigen::RowVectorXd x = eigenVector(n, 2).transpose();
    for (auto _ : state) {
        Eigen::RowVectorXd y = x * a;
        benchmark::DoNotOptimize(y.data());
    }
}

// ---- into existing results, cycling through operand sets ---------------------------------------
//
// The forms above reuse one operand set, which stays in registers and the store buffer between
// iterations, and time the allocation paths of the temporaries in a loop that does nothing else.
// A program updating its state takes new operands each time and writes into objects it already
// has: here every iteration takes the next of eight operand sets and writes into that set's
// existing result (Eigen through noalias(), which skips its aliasing temporary). Our result is
// first checked bit for bit against the plain definition (sums from 0 in index order) and the
// element-wise sum against Eigen's bits; the products against Eigen's to 1e-12 (Eigen orders its
// sums differently).

struct VectorSets {
    std::vector<ZELMathVector> a, b, r;
    std::vector<Eigen::VectorXd> ea, eb, er;
    explicit VectorSets(std::size_t n) {
        for (unsigned k = 0; k < bench::kSets; ++k) {
            a.push_back(ourVector(n, 10 + 2 * k));
            b.push_back(ourVector(n, 11 + 2 * k));
            r.emplace_back(n, 0.0);
            ea.push_back(eigenVector(n, 10 + 2 * k));
            eb.push_back(eigenVector(n, 11 + 2 * k));
            er.push_back(Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n)));
        }
    }
};

struct MatrixSets {
    std::vector<ZELMathMatrix> a, b, c;
    std::vector<ZELMathVector> x, y;
    std::vector<Eigen::MatrixXd> ea, eb, ec;
    std::vector<Eigen::VectorXd> ex, ey;
    explicit MatrixSets(std::size_t n) {
        const auto idx = static_cast<Eigen::Index>(n);
        for (unsigned k = 0; k < bench::kSets; ++k) {
            a.push_back(ourMatrix(n, 30 + 3 * k));
            b.push_back(ourMatrix(n, 31 + 3 * k));
            c.emplace_back(n, n, 0.0);
            x.push_back(ourVector(n, 32 + 3 * k));
            y.emplace_back(n, 0.0);
            ea.push_back(eigenMatrix(n, 30 + 3 * k));
            eb.push_back(eigenMatrix(n, 31 + 3 * k));
            ec.push_back(Eigen::MatrixXd::Zero(idx, idx));
            ex.push_back(eigenVector(n, 32 + 3 * k));
            ey.push_back(Eigen::VectorXd::Zero(idx));
        }
    }
};

// Element (i, j) of our matrix and Eigen's, row by row.
bool matricesNear(const ZELMathMatrix& m, const Eigen::MatrixXd& e) {
    for (std::size_t i = 0; i < m.rows(); ++i)
        for (std::size_t j = 0; j < m.cols(); ++j) {
            const double x = m(i, j),
                         y = e(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
            if (!bench::near(&x, &y, 1)) return false;
        }
    return true;
}

void BM_Vector_AddInto_ZEL(benchmark::State& state) {
    VectorSets s(static_cast<std::size_t>(state.range(0)));
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        s.r[k] = s.a[k] + s.b[k];
        s.er[k].noalias() = s.ea[k] + s.eb[k];
        if (!bench::require(state, bench::sameBits(s.r[k].data(), s.er[k].data(), s.r[k].length()),
                            "a + b"))
            return;
    }
    std::size_t k = 0;
    for (auto _ : state) {
        s.r[k] = s.a[k] + s.b[k];
        benchmark::DoNotOptimize(s.r[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}
void BM_Vector_AddInto_Eigen(benchmark::State& state) {
    VectorSets s(static_cast<std::size_t>(state.range(0)));
    std::size_t k = 0;
    for (auto _ : state) {
        s.er[k].noalias() = s.ea[k] + s.eb[k];
        benchmark::DoNotOptimize(s.er[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

void BM_Matrix_TimesVectorInto_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    MatrixSets s(n);
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        s.y[k] = s.a[k] * s.x[k];
        s.ey[k].noalias() = s.ea[k] * s.ex[k];
        std::vector<double> plain(n, 0.0);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) plain[i] += s.a[k](i, j) * s.x[k][j];
        if (!bench::require(state, bench::sameBits(s.y[k].data(), plain.data(), n), "A * x (bits)"))
            return;
        if (!bench::require(state, bench::near(s.y[k].data(), s.ey[k].data(), n), "A * x")) return;
    }
    std::size_t k = 0;
    for (auto _ : state) {
        s.y[k] = s.a[k] * s.x[k];
        benchmark::DoNotOptimize(s.y[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}
void BM_Matrix_TimesVectorInto_Eigen(benchmark::State& state) {
    MatrixSets s(static_cast<std::size_t>(state.range(0)));
    std::size_t k = 0;
    for (auto _ : state) {
        s.ey[k].noalias() = s.ea[k] * s.ex[k];
        benchmark::DoNotOptimize(s.ey[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

void BM_Matrix_ProductInto_ZEL(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    MatrixSets s(n);
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        s.c[k] = s.a[k] * s.b[k];
        s.ec[k].noalias() = s.ea[k] * s.eb[k];
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                double sum = 0.0;
                for (std::size_t m = 0; m < n; ++m) sum += s.a[k](i, m) * s.b[k](m, j);
                if (!bench::require(state, bench::sameBits(&s.c[k](i, j), &sum, 1), "A * B (bits)"))
                    return;
            }
        if (!bench::require(state, matricesNear(s.c[k], s.ec[k]), "A * B")) return;
    }
    std::size_t k = 0;
    for (auto _ : state) {
        s.c[k] = s.a[k] * s.b[k];
        benchmark::DoNotOptimize(&s.c[k](0, 0));
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}
void BM_Matrix_ProductInto_Eigen(benchmark::State& state) {
    MatrixSets s(static_cast<std::size_t>(state.range(0)));
    std::size_t k = 0;
    for (auto _ : state) {
        s.ec[k].noalias() = s.ea[k] * s.eb[k];
        benchmark::DoNotOptimize(s.ec[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

// ---- pool allocator ---------------------------------------------------------------------------

void poolSizes(benchmark::internal::Benchmark* b) {
    for (int bytes : {48, 256, 2048, 32768}) b->Arg(bytes);
}

struct PoolAlloc {
    static void* get(std::size_t bytes) { return ZELPoolAllocator::Global()->allocate(bytes); }
    static void put(void* p, std::size_t bytes) {
        ZELPoolAllocator::Global()->deallocate(p, bytes);
    }
};
struct NewAlloc {
    static void* get(std::size_t bytes) { return ::operator new(bytes); }
    static void put(void* p, std::size_t) { ::operator delete(p); }
};
struct MallocAlloc {
    static void* get(std::size_t bytes) { return std::malloc(bytes); }
    static void put(void* p, std::size_t) { std::free(p); }
};

// A burst of 16 blocks, then all returned: the pattern of building and dropping a small matrix.
template <class A>
void BM_Alloc(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    void* blocks[16];
    for (auto _ : state) {
        for (void*& p : blocks) p = A::get(bytes);
        benchmark::DoNotOptimize(blocks);
        for (void* p : blocks) A::put(p, bytes);
    }
    state.SetItemsProcessed(state.iterations() * 16);
}

// One thread allocates, another frees (a producer handing vectors to a consumer): the producer
// takes a batch of 256 blocks, hands it over, and the consumer frees it. Only the allocating and
// the freeing loops are timed (manual time), so the hand-over's wake-ups are not measured.
template <class A>
void BM_AllocCrossThread(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    constexpr std::size_t kBlocks = 256;
    std::vector<void*> blocks(kBlocks);
    std::mutex mutex;
    std::condition_variable changed;
    enum { Producer, Consumer, Stop } turn = Producer;
    double freeSeconds = 0.0;
    std::thread consumer([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return turn != Producer; });
            if (turn == Stop) return;
            const auto start = std::chrono::steady_clock::now();
            for (void* p : blocks) A::put(p, bytes);
            freeSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            turn = Producer;
            changed.notify_all();
        }
    });
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (void*& p : blocks) p = A::get(bytes);
        const double allocSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::unique_lock<std::mutex> lock(mutex);
        turn = Consumer;
        changed.notify_all();
        changed.wait(lock, [&] { return turn == Producer; });
        state.SetIterationTime(allocSeconds + freeSeconds);
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        turn = Stop;
    }
    changed.notify_all();
    consumer.join();
    state.SetItemsProcessed(state.iterations() * kBlocks);
}

}  // namespace

BENCHMARK(BM_Vector_Add_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_Add_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_AddAssign_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_AddAssign_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_ScaleInPlace_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_ScaleInPlace_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_Dot_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_Dot_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_Product_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_Product_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVector_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVector_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_ProductAssign_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_ProductAssign_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVectorAssign_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVectorAssign_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_TimesMatrix_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_TimesMatrix_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_AddInto_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_AddInto_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVectorInto_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVectorInto_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_ProductInto_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_ProductInto_Eigen)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_Alloc, PoolAlloc)->Apply(poolSizes);
BENCHMARK_TEMPLATE(BM_Alloc, NewAlloc)->Apply(poolSizes);
BENCHMARK_TEMPLATE(BM_Alloc, MallocAlloc)->Apply(poolSizes);
BENCHMARK_TEMPLATE(BM_AllocCrossThread, PoolAlloc)->Apply(poolSizes)->UseManualTime();
BENCHMARK_TEMPLATE(BM_AllocCrossThread, NewAlloc)->Apply(poolSizes)->UseManualTime();
BENCHMARK_TEMPLATE(BM_AllocCrossThread, MallocAlloc)->Apply(poolSizes)->UseManualTime();

BENCHMARK_MAIN();
