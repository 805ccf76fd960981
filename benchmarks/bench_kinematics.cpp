// Kinematic chains: forward kinematics, Jacobian and inverse kinematics of a PUMA 560, a UR5 and
// a seven-axis arm, side by side with KDL (ChainFkSolverPos_recursive, ChainJntToJacSolver,
// ChainIkSolverPos_LMA) when it is installed.
//
// `zelmath_bench_kinematics --ik_success[=N]` runs the inverse-kinematics measurement instead of
// the benchmarks: N (default 10^4) targets per arm from random joint vectors within the limits,
// solved from the middle of the limits; success rate and mean time per solve of both solvers,
// and the mean times on the poses both solve.
#include "RobotArms.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#if defined(ZELMATH_HAVE_KDL)
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainiksolverpos_lma.hpp>
#include <kdl/chainjnttojacsolver.hpp>
#endif

namespace {

const int kSamples = 256;

using arms::arm;

std::vector<ZELMathVector> samples(const arms::Arm& a, int count, unsigned seed) {
    std::mt19937_64 g(seed);
    std::vector<ZELMathVector> q;
    for (int k = 0; k < count; ++k) q.push_back(arms::randomJoints(a, g));
    return q;
}

void BM_Forward_ZEL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const ZELKinematicChain chain = arms::chain(a);
    const std::vector<ZELMathVector> q = samples(a, kSamples, 1);
    std::size_t k = 0;
    for (auto _ : state) {
        ZELXform3D x = chain.forward(q[k]);
        benchmark::DoNotOptimize(x);
        k = (k + 1) % q.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_Forward_ZEL)->DenseRange(0, 2);

void BM_Jacobian_ZEL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const ZELKinematicChain chain = arms::chain(a);
    const std::vector<ZELMathVector> q = samples(a, kSamples, 1);
    std::size_t k = 0;
    for (auto _ : state) {
        ZELMathMatrix j = chain.jacobian(q[k]);
        benchmark::DoNotOptimize(j(0, 0));
        k = (k + 1) % q.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_Jacobian_ZEL)->DenseRange(0, 2);

// The Jacobian into rows the caller keeps (no matrix made per call).
void BM_JacobianRows_ZEL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const ZELKinematicChain chain = arms::chain(a);
    const std::vector<ZELMathVector> q = samples(a, kSamples, 1);
    std::vector<double> storage(6 * a.links.size());
    double* rows[6];
    for (std::size_t r = 0; r < 6; ++r) rows[r] = storage.data() + r * a.links.size();
    std::size_t k = 0;
    for (auto _ : state) {
        chain.jacobianRows(q[k].data(), rows);
        benchmark::DoNotOptimize(storage.data());
        benchmark::ClobberMemory();
        k = (k + 1) % q.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_JacobianRows_ZEL)->DenseRange(0, 2);

void BM_Inverse_ZEL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const ZELKinematicChain chain = arms::chain(a);
    const std::vector<ZELMathVector> q = samples(a, 64, 2);
    std::vector<ZELXform3D> targets;
    for (const ZELMathVector& v : q) targets.push_back(chain.forward(v));
    const ZELMathVector seed = arms::middle(a);
    ZELMathVector out;
    std::size_t k = 0;
    for (auto _ : state) {
        ZELIKResult r = chain.inverse(targets[k], seed, out);
        benchmark::DoNotOptimize(r);
        k = (k + 1) % targets.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_Inverse_ZEL)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

#if defined(ZELMATH_HAVE_KDL)

KDL::Chain kdlChain(const arms::Arm& a) {
    KDL::Chain c;
    for (const arms::Link& l : a.links)
        c.addSegment(
            KDL::Segment(KDL::Joint(KDL::Joint::RotZ), KDL::Frame::DH(l.a, l.alpha, l.d, 0.0)));
    return c;
}

KDL::JntArray kdlJoints(const ZELMathVector& q) {
    KDL::JntArray j(static_cast<unsigned>(q.length()));
    for (std::size_t i = 0; i < q.length(); ++i) j(static_cast<unsigned>(i)) = q[i];
    return j;
}

std::vector<KDL::JntArray> kdlSamples(const arms::Arm& a, int count, unsigned seed) {
    std::vector<KDL::JntArray> out;
    for (const ZELMathVector& q : samples(a, count, seed)) out.push_back(kdlJoints(q));
    return out;
}

void BM_Forward_KDL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const KDL::Chain chain = kdlChain(a);
    KDL::ChainFkSolverPos_recursive solver(chain);
    const std::vector<KDL::JntArray> q = kdlSamples(a, kSamples, 1);
    KDL::Frame f;
    std::size_t k = 0;
    for (auto _ : state) {
        solver.JntToCart(q[k], f);
        benchmark::DoNotOptimize(f);
        k = (k + 1) % q.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_Forward_KDL)->DenseRange(0, 2);

void BM_Jacobian_KDL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const KDL::Chain chain = kdlChain(a);
    KDL::ChainJntToJacSolver solver(chain);
    const std::vector<KDL::JntArray> q = kdlSamples(a, kSamples, 1);
    KDL::Jacobian j(chain.getNrOfJoints());
    std::size_t k = 0;
    for (auto _ : state) {
        solver.JntToJac(q[k], j);
        benchmark::DoNotOptimize(j.data.data());
        benchmark::ClobberMemory();
        k = (k + 1) % q.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_Jacobian_KDL)->DenseRange(0, 2);

void BM_Inverse_KDL(benchmark::State& state) {
    const arms::Arm& a = arm(static_cast<int>(state.range(0)));
    const KDL::Chain chain = kdlChain(a);
    KDL::ChainFkSolverPos_recursive fk(chain);
    KDL::ChainIkSolverPos_LMA solver(chain);
    std::vector<KDL::Frame> targets;
    for (const KDL::JntArray& q : kdlSamples(a, 64, 2)) {
        KDL::Frame f;
        fk.JntToCart(q, f);
        targets.push_back(f);
    }
    const KDL::JntArray seed = kdlJoints(arms::middle(a));
    KDL::JntArray out(chain.getNrOfJoints());
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(solver.CartToJnt(seed, targets[k], out));
        k = (k + 1) % targets.size();
    }
    state.SetLabel(a.name);
}
BENCHMARK(BM_Inverse_KDL)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

#endif

// ---- the inverse-kinematics measurement --------------------------------------------------------

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Tally {
    int solved = 0;
    double wall = 0.0, cpu = 0.0, wallBoth = 0.0;
};

void measureInverse(int count) {
    std::printf(
        "Inverse kinematics on %d targets per arm from random joint vectors within the limits, "
        "seed = the "
        "middle of the limits.\nOurs: default options and a 5 ms time budget; success = converged "
        "(position "
        "1e-6 of reach, orientation 1e-6 rad).\n",
        count);
#if defined(ZELMATH_HAVE_KDL)
    std::printf(
        "KDL: ChainIkSolverPos_LMA with its defaults (eps 1e-5, 500 iterations, no joint limits); "
        "success = "
        "its return code E_NOERROR.\n");
#else
    std::printf("KDL not found at configure time: its solver is not measured.\n");
#endif
    for (const arms::Arm& a : arms::all()) {
        const ZELKinematicChain chain = arms::chain(a);
        const ZELMathVector seed = arms::middle(a);
        ZELIKOptions options;
        options.timeBudget = 5e-3;
        const std::vector<ZELMathVector> q = samples(a, count, 2026);
        std::vector<char> ours(q.size()), theirs(q.size());
        std::vector<double> oursTime(q.size()), theirsTime(q.size());
        Tally o, t;
        int iterations = 0, restarts = 0;
        ZELMathVector out;
        for (std::size_t k = 0; k < q.size(); ++k) {
            const ZELXform3D target = chain.forward(q[k]);
            const double w0 = wallSeconds(), c0 = threadSeconds();
            const ZELIKResult r = chain.inverse(target, seed, out, options);
            const double c1 = threadSeconds(), w1 = wallSeconds();
            ours[k] = r.converged;
            oursTime[k] = w1 - w0;
            o.solved += r.converged;
            o.wall += w1 - w0;
            o.cpu += c1 - c0;
            iterations += r.iterations;
            restarts += r.restarts;
        }
#if defined(ZELMATH_HAVE_KDL)
        const KDL::Chain kc = kdlChain(a);
        KDL::ChainFkSolverPos_recursive fk(kc);
        KDL::ChainIkSolverPos_LMA solver(kc);
        const KDL::JntArray kseed = kdlJoints(seed);
        KDL::JntArray kout(kc.getNrOfJoints());
        for (std::size_t k = 0; k < q.size(); ++k) {
            KDL::Frame target;
            fk.JntToCart(kdlJoints(q[k]), target);
            const double w0 = wallSeconds(), c0 = threadSeconds();
            const int code = solver.CartToJnt(kseed, target, kout);
            const double c1 = threadSeconds(), w1 = wallSeconds();
            theirs[k] = code == KDL::SolverI::E_NOERROR;
            theirsTime[k] = w1 - w0;
            t.solved += theirs[k];
            t.wall += w1 - w0;
            t.cpu += c1 - c0;
        }
#endif
        int both = 0;
        for (std::size_t k = 0; k < q.size(); ++k)
            if (ours[k] && theirs[k]) {
                ++both;
                o.wallBoth += oursTime[k];
                t.wallBoth += theirsTime[k];
            }
        // The same targets without a budget: the solver's own success, and how many of its
        // solves took at most 5 ms of this thread's CPU time (unaffected by other processes).
        ZELIKOptions unlimited;
        int solvedUnlimited = 0, withinCpu = 0;
        double slowest = 0.0;
        for (std::size_t k = 0; k < q.size(); ++k) {
            const ZELXform3D target = chain.forward(q[k]);
            const double c0 = threadSeconds();
            const ZELIKResult r = chain.inverse(target, seed, out, unlimited);
            const double c = threadSeconds() - c0;
            solvedUnlimited += r.converged;
            withinCpu += r.converged && c <= 5e-3;
            slowest = c > slowest ? c : slowest;
        }
        const double n = static_cast<double>(count);
        std::printf(
            "%-9s ours without a budget: %6.2f %% solved, %6.2f %% within 5 ms of CPU time, "
            "slowest %.2f ms\n",
            a.name.c_str(), 100.0 * solvedUnlimited / n, 100.0 * withinCpu / n, 1e3 * slowest);
        std::printf(
            "%-9s ours: %6.2f %% solved, mean %7.1f us wall (%7.1f us CPU), %.1f iterations, %.2f "
            "restarts per "
            "solve\n",
            a.name.c_str(), 100.0 * o.solved / n, 1e6 * o.wall / n, 1e6 * o.cpu / n, iterations / n,
            restarts / n);
#if defined(ZELMATH_HAVE_KDL)
        std::printf("%-9s KDL:  %6.2f %% solved, mean %7.1f us wall (%7.1f us CPU)\n", "",
                    100.0 * t.solved / n, 1e6 * t.wall / n, 1e6 * t.cpu / n);
        if (both > 0)
            std::printf(
                "%-9s on the %d poses both solve: ours %.1f us, KDL %.1f us mean wall time (ratio "
                "%.2f)\n",
                "", both, 1e6 * o.wallBoth / both, 1e6 * t.wallBoth / both,
                o.wallBoth / t.wallBoth);
#endif
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ik_success", 12) == 0) {
            const int count = argv[i][12] == '=' ? std::atoi(argv[i] + 13) : 10000;
            measureInverse(count > 0 ? count : 10000);
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
