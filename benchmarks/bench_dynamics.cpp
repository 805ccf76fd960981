// Dynamics of kinematic chains: inverse dynamics, mass matrix and forward dynamics of a PUMA 560,
// a UR5 and a seven-axis arm with random link inertias, side by side with KDL
// (ChainIdSolver_RNE, ChainDynParam::JntToMass, ChainFdSolver_RNE) when it is installed.
// BM_InverseDynamicsBatch_ZEL is the C++ loop that the Python batch of 10^5 rows is measured
// against (python/bench/bench_dynamics.py).
#include "ArmInertias.h"
#include "RobotArms.h"

#include <benchmark/benchmark.h>

#include <vector>

#if defined(ZELMATH_HAVE_KDL)
#include <kdl/chain.hpp>
#include <kdl/chaindynparam.hpp>
#include <kdl/chainfdsolver_recursive_newton_euler.hpp>
#include <kdl/chainidsolver_recursive_newton_euler.hpp>
#endif

namespace {

const int kSamples = 256;

using arms::arm;

// A chain with its inertias, and kSamples random (q, qd, qdd) rows.
struct Setup {
    ZELKinematicChain chain;
    std::vector<arms::Inertia> inertias;
    std::vector<ZELMathVector> q, qd, qdd;

    explicit Setup(int index, int rows = kSamples) : chain(arms::chain(arm(index))) {
        inertias = arms::setRandomInertias(chain, 7);
        std::mt19937_64 g(11);
        const std::size_t n = arm(index).links.size();
        for (int k = 0; k < rows; ++k) {
            q.push_back(arms::randomJoints(arm(index), g));
            qd.push_back(arms::randomVector(n, g, -2.0, 2.0));
            qdd.push_back(arms::randomVector(n, g, -5.0, 5.0));
        }
    }
};

void BM_InverseDynamics_ZEL(benchmark::State& state) {
    const Setup s(static_cast<int>(state.range(0)));
    std::size_t k = 0;
    for (auto _ : state) {
        ZELMathVector tau = s.chain.inverseDynamics(s.q[k], s.qd[k], s.qdd[k]);
        benchmark::DoNotOptimize(tau[0]);
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_InverseDynamics_ZEL)->DenseRange(0, 2);

// Into storage the caller keeps, as KDL's solvers work.
void BM_InverseDynamicsArrays_ZEL(benchmark::State& state) {
    const Setup s(static_cast<int>(state.range(0)));
    std::vector<double> tau(s.q[0].length());
    std::size_t k = 0;
    for (auto _ : state) {
        s.chain.inverseDynamicsArrays(s.q[k].data(), s.qd[k].data(), s.qdd[k].data(), tau.data());
        benchmark::DoNotOptimize(tau.data());
        benchmark::ClobberMemory();
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_InverseDynamicsArrays_ZEL)->DenseRange(0, 2);

// 10^5 rows in one loop: the reference for the Python batch.
void BM_InverseDynamicsBatch_ZEL(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const std::size_t rows = 100000, n = arm(index).links.size();
    const Setup s(index);
    std::vector<double> q(rows * n), qd(rows * n), qdd(rows * n), tau(rows * n);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t i = 0; i < n; ++i) {
            q[r * n + i] = s.q[r % s.q.size()][i];
            qd[r * n + i] = s.qd[r % s.q.size()][i];
            qdd[r * n + i] = s.qdd[r % s.q.size()][i];
        }
    for (auto _ : state) {
        for (std::size_t r = 0; r < rows; ++r)
            s.chain.inverseDynamicsArrays(q.data() + r * n, qd.data() + r * n, qdd.data() + r * n,
                                          tau.data() + r * n);
        benchmark::DoNotOptimize(tau.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(arm(index).name);
}
BENCHMARK(BM_InverseDynamicsBatch_ZEL)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_MassMatrix_ZEL(benchmark::State& state) {
    const Setup s(static_cast<int>(state.range(0)));
    std::vector<double> m(s.q[0].length() * s.q[0].length());
    std::size_t k = 0;
    for (auto _ : state) {
        s.chain.massMatrixArray(s.q[k].data(), m.data());
        benchmark::DoNotOptimize(m.data());
        benchmark::ClobberMemory();
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_MassMatrix_ZEL)->DenseRange(0, 2);

void BM_ForwardDynamics_ZEL(benchmark::State& state) {
    const Setup s(static_cast<int>(state.range(0)));
    std::vector<double> qdd(s.q[0].length());
    std::size_t k = 0;
    for (auto _ : state) {
        // The accelerations of torques qdd[k] (any torques do).
        s.chain.forwardDynamicsArrays(s.q[k].data(), s.qd[k].data(), s.qdd[k].data(), qdd.data());
        benchmark::DoNotOptimize(qdd.data());
        benchmark::ClobberMemory();
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_ForwardDynamics_ZEL)->DenseRange(0, 2);

#if defined(ZELMATH_HAVE_KDL)

KDL::Chain kdlChain(const arms::Arm& a, const std::vector<arms::Inertia>& inertias) {
    KDL::Chain c;
    for (std::size_t i = 0; i < a.links.size(); ++i) {
        const arms::Link& l = a.links[i];
        const arms::Inertia& b = inertias[i];
        const KDL::RigidBodyInertia body(
            b.mass, KDL::Vector(b.centre[0], b.centre[1], b.centre[2]),
            KDL::RotationalInertia(b.moments[0], b.moments[1], b.moments[2], b.moments[3],
                                   b.moments[4], b.moments[5]));
        c.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ),
                                  KDL::Frame::DH(l.a, l.alpha, l.d, 0.0), body));
    }
    return c;
}

KDL::JntArray kdlJoints(const ZELMathVector& q) {
    KDL::JntArray j(static_cast<unsigned>(q.length()));
    for (std::size_t i = 0; i < q.length(); ++i) j(static_cast<unsigned>(i)) = q[i];
    return j;
}

struct KdlSetup {
    Setup s;
    KDL::Chain chain;
    std::vector<KDL::JntArray> q, qd, qdd;
    explicit KdlSetup(int index) : s(index), chain(kdlChain(arm(index), s.inertias)) {
        for (std::size_t k = 0; k < s.q.size(); ++k) {
            q.push_back(kdlJoints(s.q[k]));
            qd.push_back(kdlJoints(s.qd[k]));
            qdd.push_back(kdlJoints(s.qdd[k]));
        }
    }
};

void BM_InverseDynamics_KDL(benchmark::State& state) {
    const KdlSetup s(static_cast<int>(state.range(0)));
    KDL::ChainIdSolver_RNE solver(s.chain, KDL::Vector(0.0, 0.0, -9.81));
    const KDL::Wrenches none(s.chain.getNrOfSegments(), KDL::Wrench::Zero());
    KDL::JntArray tau(s.chain.getNrOfJoints());
    std::size_t k = 0;
    for (auto _ : state) {
        solver.CartToJnt(s.q[k], s.qd[k], s.qdd[k], none, tau);
        benchmark::DoNotOptimize(tau.data.data());
        benchmark::ClobberMemory();
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_InverseDynamics_KDL)->DenseRange(0, 2);

void BM_MassMatrix_KDL(benchmark::State& state) {
    const KdlSetup s(static_cast<int>(state.range(0)));
    KDL::ChainDynParam solver(s.chain, KDL::Vector(0.0, 0.0, -9.81));
    KDL::JntSpaceInertiaMatrix m(s.chain.getNrOfJoints());
    std::size_t k = 0;
    for (auto _ : state) {
        solver.JntToMass(s.q[k], m);
        benchmark::DoNotOptimize(m.data.data());
        benchmark::ClobberMemory();
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_MassMatrix_KDL)->DenseRange(0, 2);

void BM_ForwardDynamics_KDL(benchmark::State& state) {
    const KdlSetup s(static_cast<int>(state.range(0)));
    KDL::ChainFdSolver_RNE solver(s.chain, KDL::Vector(0.0, 0.0, -9.81));
    const KDL::Wrenches none(s.chain.getNrOfSegments(), KDL::Wrench::Zero());
    KDL::JntArray qdd(s.chain.getNrOfJoints());
    std::size_t k = 0;
    for (auto _ : state) {
        solver.CartToJnt(s.q[k], s.qd[k], s.qdd[k], none, qdd);
        benchmark::DoNotOptimize(qdd.data.data());
        benchmark::ClobberMemory();
        k = (k + 1) % s.q.size();
    }
    state.SetLabel(arm(static_cast<int>(state.range(0))).name);
}
BENCHMARK(BM_ForwardDynamics_KDL)->DenseRange(0, 2);

#endif

}  // namespace

BENCHMARK_MAIN();
