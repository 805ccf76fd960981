// LU factorisation, solve, inverse and the condition estimates, side by side with Eigen's
// PartialPivLU on the same random matrices (n = 4, 16, 64, 256).
#include "protectedinterfaces/ZELLUFactor.h"

#include <Eigen/Dense>
#include <benchmark/benchmark.h>

#include "operand_sets.h"

#include <random>
#include <vector>

namespace {

struct Problem {
    ZELMathMatrix a;
    ZELMathVector b;
    Eigen::MatrixXd ea;
    Eigen::VectorXd eb;
};

Problem makeProblem(int n, unsigned seed = 12345u) {
    std::mt19937_64 rng(seed + static_cast<unsigned>(n));
    std::normal_distribution<double> normal;
    Problem p{ZELMathMatrix(n, n, 0.0), ZELMathVector(n, 0.0), Eigen::MatrixXd(n, n),
              Eigen::VectorXd(n)};
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

// ---- cycling through operand sets -----------------------------------------------------------------
//
// Factor and solve as a program runs them: each iteration takes the next of eight systems and
// writes into an existing factor object (Eigen: an existing PartialPivLU). Before timing, the
// factors and the solutions are checked against Eigen's to 1e-9 (Eigen orders its sums
// differently, and both pick the same pivots on these matrices).

struct Systems {
    std::vector<Problem> p;
    explicit Systems(int n) {
        for (unsigned k = 0; k < bench::kSets; ++k) p.push_back(makeProblem(n, 100 + k));
    }
};

bool factorsAgree(const ZELLUFactor& f, const Eigen::PartialPivLU<Eigen::MatrixXd>& lu,
                  std::size_t n) {
    const Eigen::MatrixXd& e = lu.matrixLU();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            const double x = f.getLU()(i, j),
                         y = e(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
            if (!bench::near(&x, &y, 1, 1e-9)) return false;
        }
    return true;
}

void ZEL_FactorCycle(benchmark::State& state) {
    const Systems s(static_cast<int>(state.range(0)));
    ZELLUFactor f;
    Eigen::PartialPivLU<Eigen::MatrixXd> lu(s.p[0].ea.rows());
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        f.factor(s.p[k].a, false);
        lu.compute(s.p[k].ea);
        if (!bench::require(state, factorsAgree(f, lu, s.p[k].a.rows()), "LU factor")) return;
    }
    std::size_t k = 0;
    for (auto _ : state) {
        f.factor(s.p[k].a, false);
        benchmark::DoNotOptimize(&f.getLU()(0, 0));
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

void Eigen_FactorCycle(benchmark::State& state) {
    const Systems s(static_cast<int>(state.range(0)));
    Eigen::PartialPivLU<Eigen::MatrixXd> lu(s.p[0].ea.rows());
    std::size_t k = 0;
    for (auto _ : state) {
        lu.compute(s.p[k].ea);
        benchmark::DoNotOptimize(lu.matrixLU().data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

// One right-hand side into an existing vector, eight right-hand sides for one factorisation.
void ZEL_SolveCycle(benchmark::State& state) {
    const Systems s(static_cast<int>(state.range(0)));
    const std::size_t n = s.p[0].a.rows();
    const ZELLUFactor f(s.p[0].a, false);
    const Eigen::PartialPivLU<Eigen::MatrixXd> lu(s.p[0].ea);
    std::vector<ZELMathVector> x(bench::kSets, ZELMathVector(n, 0.0));
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        const ZELMathVector ours = solve(f, s.p[k].b);
        const Eigen::VectorXd theirs = lu.solve(s.p[k].eb);
        if (!bench::require(state, bench::near(ours.data(), theirs.data(), n, 1e-9), "LU solve"))
            return;
    }
    std::size_t k = 0;
    for (auto _ : state) {
        x[k] = solve(f, s.p[k].b);
        benchmark::DoNotOptimize(x[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

void Eigen_SolveCycle(benchmark::State& state) {
    const Systems s(static_cast<int>(state.range(0)));
    const Eigen::PartialPivLU<Eigen::MatrixXd> lu(s.p[0].ea);
    std::vector<Eigen::VectorXd> x(bench::kSets, Eigen::VectorXd(s.p[0].eb.size()));
    std::size_t k = 0;
    for (auto _ : state) {
        x[k] = lu.solve(s.p[k].eb);
        benchmark::DoNotOptimize(x[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

// The floor of the one-vector solve. Each row's sum in the back substitution starts with the
// unknown solved just before it, so the solve holds a chain of n(n-1)/2 dependent additions
// whatever the hardware: this is that chain alone, a plain loop of as many dependent additions
// (on values that do not let the compiler shorten it).
void Floor_SolveChain(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::size_t adds = n * (n - 1) / 2;
    std::vector<double> terms(adds);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (double& t : terms) t = u(rng);
    for (auto _ : state) {
        double s = 0.0;
        const double* t = terms.data();
        benchmark::DoNotOptimize(t);
        for (std::size_t i = 0; i < adds; ++i) s += t[i];
        benchmark::DoNotOptimize(s);
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
BENCHMARK(ZEL_FactorCycle) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_FactorCycle) ZELMATH_LU_SIZES;
BENCHMARK(ZEL_SolveCycle) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_SolveCycle) ZELMATH_LU_SIZES;
BENCHMARK(Floor_SolveChain) ZELMATH_LU_SIZES;
BENCHMARK(ZEL_Inverse) ZELMATH_LU_SIZES;
BENCHMARK(Eigen_Inverse) ZELMATH_LU_SIZES;

BENCHMARK_MAIN();
