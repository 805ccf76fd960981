// LU factorisation, solve, inverse and the condition estimates, side by side with Eigen's
// PartialPivLU on the same random matrices (n = 4, 16, 64, 256).
#include "protectedinterfaces/ZELLUFactor.h"

#include <Eigen/Dense>
#include <benchmark/benchmark.h>

#include <random>

namespace {

struct Problem {
    ZELMathMatrix a;
    ZELMathVector b;
    Eigen::MatrixXd ea;
    Eigen::VectorXd eb;
};

Problem makeProblem(int n) {
    std::mt19937_64 rng(12345u + static_cast<unsigned>(n));
    std::normal_distribution<double> normal;
    Problem p{ZELMathMatrix(n, n, 0.0), ZELMathVector(n, 0.0), Eigen::MatrixXd(n, n), Eigen::VectorXd(n)};
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) p.ea(i, j) = p.a(i, j) = normal(rng);
        p.eb(i) = p.b[i] = normal(rng);
    }
    return p;
}

void ZEL_Factor(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    ZELLUFactor f;
    for (auto _ : state) {
        f.factor(p.a, false);
        benchmark::DoNotOptimize(f.getLU()(0, 0));
    }
}

void Eigen_Factor(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    Eigen::PartialPivLU<Eigen::MatrixXd> lu(p.ea.rows());
    for (auto _ : state) {
        lu.compute(p.ea);
        benchmark::DoNotOptimize(lu.matrixLU()(0, 0));
    }
}

// Factorisation followed by each condition estimate; subtract ZEL_Factor for the estimate alone.
void ZEL_FactorCondition(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    ZELLUFactor f;
    for (auto _ : state) {
        f.factor(p.a, true);
        benchmark::DoNotOptimize(f.condition());
    }
}

void ZEL_FactorConditionHigham(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    ZELLUFactor f;
    for (auto _ : state) {
        f.factor(p.a, false);
        benchmark::DoNotOptimize(f.conditionHigham());
    }
}

void Eigen_FactorRcond(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    Eigen::PartialPivLU<Eigen::MatrixXd> lu(p.ea.rows());
    for (auto _ : state) {
        lu.compute(p.ea);
        benchmark::DoNotOptimize(lu.rcond());
    }
}

void ZEL_Solve(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const ZELLUFactor f(p.a);
    for (auto _ : state) {
        ZELMathVector x = solve(f, p.b);
        benchmark::DoNotOptimize(x[0]);
    }
}

void Eigen_Solve(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const Eigen::PartialPivLU<Eigen::MatrixXd> lu(p.ea);
    Eigen::VectorXd x(p.eb.size());
    for (auto _ : state) {
        x = lu.solve(p.eb);
        benchmark::DoNotOptimize(x(0));
    }
}

// Eight right-hand sides at once (solved side by side in blocks).
void ZEL_SolveEight(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const ZELLUFactor f(p.a);
    ZELMathMatrix b(p.a.rows(), 8, 0.0);
    for (std::size_t i = 0; i < b.rows(); ++i)
        for (std::size_t j = 0; j < 8; ++j) b(i, j) = p.a(i, j);
    for (auto _ : state) {
        ZELMathMatrix x = solve(f, b);
        benchmark::DoNotOptimize(x(0, 0));
    }
}

void Eigen_SolveEight(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const Eigen::PartialPivLU<Eigen::MatrixXd> lu(p.ea);
    const Eigen::MatrixXd b = p.ea.leftCols(8);
    Eigen::MatrixXd x(b.rows(), b.cols());
    for (auto _ : state) {
        x = lu.solve(b);
        benchmark::DoNotOptimize(x(0, 0));
    }
}

// The two halves of the one-vector solve. The back substitution is a chain: row i's sum starts
// with b(i+1), so each row waits for the row below it, one addition latency per element.
void ZEL_SolveLower(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const ZELLUFactor f(p.a);
    ZELMathVector x = p.b;
    for (auto _ : state) {
        solveLower(f.getLU(), x);
        benchmark::DoNotOptimize(x[0]);
        benchmark::ClobberMemory();
    }
}

void ZEL_SolveUpper(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const ZELLUFactor f(p.a);
    ZELMathVector x = p.b;
    for (auto _ : state) {
        x = p.b;
        solveUpper(f.getLU(), x);
        benchmark::DoNotOptimize(x[0]);
    }
}

void ZEL_Inverse(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const ZELLUFactor f(p.a);
    for (auto _ : state) {
        ZELMathMatrix x = inverse(f);
        benchmark::DoNotOptimize(x(0, 0));
    }
}

void Eigen_Inverse(benchmark::State& state) {
    const Problem p = makeProblem(static_cast<int>(state.range(0)));
    const Eigen::PartialPivLU<Eigen::MatrixXd> lu(p.ea);
    Eigen::MatrixXd x(p.ea.rows(), p.ea.cols());
    for (auto _ : state) {
        x = lu.inverse();
        benchmark::DoNotOptimize(x(0, 0));
    }
}

}  // namespace

#define ZELMATH_LU_SIZES ->Arg(4)->Arg(16)->Arg(64)->Arg(256)
BENCHMARK(ZEL_Factor) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_Factor) ZELMATH_LU_SIZES;
BENCHMARK(ZEL_FactorCondition) ZELMATH_LU_SIZES;
BENCHMARK(ZEL_FactorConditionHigham) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_FactorRcond) ZELMATH_LU_SIZES;
BENCHMARK(ZEL_Solve) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_Solve) ZELMATH_LU_SIZES;
BENCHMARK(ZEL_SolveEight)->Arg(16)->Arg(64)->Arg(256);
BENCHMARK(Eigen_SolveEight)->Arg(16)->Arg(64)->Arg(256);
BENCHMARK(ZEL_SolveLower)->Arg(64)->Arg(256);
BENCHMARK(ZEL_SolveUpper)->Arg(64)->Arg(256);
BENCHMARK(ZEL_Inverse) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_Inverse) ZELMATH_LU_SIZES;

BENCHMARK_MAIN();
