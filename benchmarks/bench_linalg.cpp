// Math vector and matrix against Eigen's VectorXd/MatrixXd, and the pool allocator against plain
// operator new/delete. Each pair measures the same operation on the same data: results that
// allocate (a + b, A * B, A * x) allocate in both libraries.
#include <ZELMath.h>

#include <Eigen/Dense>
#include <benchmark/benchmark.h>

#include <cstddef>
#include <new>
#include <random>
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
    return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(v.data(), idx, idx);
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

// ---- pool allocator ---------------------------------------------------------------------------

void poolSizes(benchmark::internal::Benchmark* b) {
    for (int bytes : {48, 256, 2048, 32768}) b->Arg(bytes);
}

// A burst of 16 blocks, then all returned: the pattern of building and dropping a small matrix.
void BM_Alloc_Pool(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    ZELPoolAllocator* pool = ZELPoolAllocator::Global();
    void* blocks[16];
    for (auto _ : state) {
        for (void*& p : blocks) p = pool->allocate(bytes);
        benchmark::DoNotOptimize(blocks);
        for (void* p : blocks) pool->deallocate(p, bytes);
    }
}
void BM_Alloc_OperatorNew(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    void* blocks[16];
    for (auto _ : state) {
        for (void*& p : blocks) p = ::operator new(bytes);
        benchmark::DoNotOptimize(blocks);
        for (void* p : blocks) ::operator delete(p);
    }
}

}  // namespace

BENCHMARK(BM_Vector_Add_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_Add_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_ScaleInPlace_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_ScaleInPlace_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_Dot_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_Dot_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_Product_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_Product_Eigen)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVector_ZEL)->Apply(sizes);
BENCHMARK(BM_Matrix_TimesVector_Eigen)->Apply(sizes);
BENCHMARK(BM_Vector_TimesMatrix_ZEL)->Apply(sizes);
BENCHMARK(BM_Vector_TimesMatrix_Eigen)->Apply(sizes);
BENCHMARK(BM_Alloc_Pool)->Apply(poolSizes);
BENCHMARK(BM_Alloc_OperatorNew)->Apply(poolSizes);

BENCHMARK_MAIN();
