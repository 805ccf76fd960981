// Quaternions and rigid transforms side by side with Eigen's Quaterniond and Isometry3d.
//
// Every benchmark runs one operation over the same 1024 random inputs, so the pairs
// <Op>_ZEL / <Op>_Eigen can be compared directly (items per second).
#include "publicinterfaces/ZELQtn3D.h"
#include "publicinterfaces/ZELXform3D.h"

#include <Eigen/Geometry>
#include <benchmark/benchmark.h>

#include "operand_sets.h"

#include <random>
#include <vector>

namespace {

constexpr int kN = 1024;

struct Inputs {
    std::vector<ZELQtn3D> q0, q1;
    std::vector<Eigen::Quaterniond> e0, e1;
    std::vector<ZELRotate3D> r;
    std::vector<Eigen::Matrix3d> m;
    std::vector<ZELVector3D> v;
    std::vector<Eigen::Vector3d> ev;
    std::vector<ZELXform3D> x0, x1;
    std::vector<Eigen::Isometry3d> i0, i1;
    std::vector<double> t;
    std::vector<double> dh;  // four parameters per link

    Inputs() {
        std::mt19937_64 g(42);
        std::normal_distribution<double> n(0.0, 1.0);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        auto unit = [&](ZELQtn3D& q, Eigen::Quaterniond& e) {
            double c[4];
            for (double& x : c) x = n(g);
            q = ZELQtn3D(c[0], c[1], c[2], c[3]);
            q.normalize();
            double s;
            ZELVector3D w;
            q.get(s, w);
            e = Eigen::Quaterniond(s, w[0], w[1], w[2]);
        };
        for (int i = 0; i < kN; ++i) {
            ZELQtn3D a, b;
            Eigen::Quaterniond ea, eb;
            unit(a, ea);
            unit(b, eb);
            q0.push_back(a);
            q1.push_back(b);
            e0.push_back(ea);
            e1.push_back(eb);
            ZELRotate3D R;
            a.getRotate(R);
            r.push_back(R);
            Eigen::Matrix3d M;
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k)
                    M(k, c) = R(static_cast<ZELMath3D::DirectionIndex>(c),
                                static_cast<ZELMath3D::CoordinateIndex>(k));
            m.push_back(M);
            ZELVector3D p, p1;
            for (int k = 0; k < 3; ++k) p[k] = n(g);
            for (int k = 0; k < 3; ++k) p1[k] = n(g);
            v.push_back(p);
            ev.emplace_back(p[0], p[1], p[2]);
            x0.emplace_back(R, p);
            ZELRotate3D R1;
            b.getRotate(R1);
            x1.emplace_back(R1, p1);
            Eigen::Isometry3d I0 = Eigen::Isometry3d::Identity(),
                              I1 = Eigen::Isometry3d::Identity();
            I0.linear() = M;
            I0.translation() = Eigen::Vector3d(p[0], p[1], p[2]);
            I1.linear() = eb.toRotationMatrix();
            I1.translation() = Eigen::Vector3d(p1[0], p1[1], p1[2]);
            i0.push_back(I0);
            i1.push_back(I1);
            t.push_back(u(g));
            dh.push_back(6.28 * u(g) - 3.14);
            dh.push_back(u(g));
            dh.push_back(6.28 * u(g) - 3.14);
            dh.push_back(u(g));
        }
    }
};

const Inputs& in() {
    static const Inputs inputs;
    return inputs;
}

template <class F>
void run(benchmark::State& state, F f) {
    for (auto _ : state) {
        for (int i = 0; i < kN; ++i) f(i);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

// ---- quaternion product ---------------------------------------------------------------------------
void QtnProduct_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELQtn3D> out(kN);
    run(st, [&](int i) { out[i] = d.q0[i] * d.q1[i]; });
    benchmark::DoNotOptimize(out.data());
}
void QtnProduct_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Quaterniond> out(kN);
    run(st, [&](int i) { out[i] = d.e0[i] * d.e1[i]; });
    benchmark::DoNotOptimize(out.data());
}

// ---- quaternion to matrix and back ----------------------------------------------------------------
void QtnToMatrix_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELRotate3D> out(kN);
    run(st, [&](int i) { d.q0[i].getRotate(out[i]); });
    benchmark::DoNotOptimize(out.data());
}
void QtnToMatrix_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Matrix3d> out(kN);
    run(st, [&](int i) { out[i] = d.e0[i].toRotationMatrix(); });
    benchmark::DoNotOptimize(out.data());
}
void MatrixToQtn_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELQtn3D> out(kN);
    run(st, [&](int i) { out[i].setRotate(d.r[i]); });
    benchmark::DoNotOptimize(out.data());
}
void MatrixToQtn_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Quaterniond> out(kN);
    run(st, [&](int i) { out[i] = Eigen::Quaterniond(d.m[i]); });
    benchmark::DoNotOptimize(out.data());
}

// One conversion per iteration, cycling through eight matrices into existing quaternions (the
// loop above lets the compiler overlap 1024 independent conversions). Checked first: the same
// rotation as Eigen's to 1e-12 (q and -q are the same rotation).
void MatrixToQtnCycle_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    ZELQtn3D out[bench::kSets];
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        out[k].setRotate(d.r[k]);
        const Eigen::Quaterniond e(d.m[k]);
        double s;
        ZELVector3D w;
        out[k].get(s, w);
        const double sign = (s < 0) == (e.w() < 0) ? 1.0 : -1.0;
        const double ours[4] = {sign * s, sign * w[0], sign * w[1], sign * w[2]};
        const double theirs[4] = {e.w(), e.x(), e.y(), e.z()};
        if (!bench::require(st, bench::near(ours, theirs, 4), "matrix to quaternion")) return;
    }
    std::size_t k = 0;
    for (auto _ : st) {
        out[k].setRotate(d.r[k]);
        benchmark::DoNotOptimize(&out[k]);
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}
void MatrixToQtnCycle_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    Eigen::Quaterniond out[bench::kSets];
    std::size_t k = 0;
    for (auto _ : st) {
        out[k] = Eigen::Quaterniond(d.m[k]);
        benchmark::DoNotOptimize(out[k].coeffs().data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

// ---- rotating a vector ----------------------------------------------------------------------------
void QtnRotateVec_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kN);
    run(st, [&](int i) { out[i] = d.q0[i] * d.v[i]; });
    benchmark::DoNotOptimize(out.data());
}
void QtnRotateVec_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kN);
    run(st, [&](int i) { out[i] = d.e0[i] * d.ev[i]; });
    benchmark::DoNotOptimize(out.data());
}

// ---- slerp ----------------------------------------------------------------------------------------
void Slerp_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELQtn3D> out(kN);
    run(st, [&](int i) { ZELQtn3D::slerp(out[i], d.t[i], d.q0[i], d.q1[i]); });
    benchmark::DoNotOptimize(out.data());
}
void Slerp_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Quaterniond> out(kN);
    run(st, [&](int i) { out[i] = d.e0[i].slerp(d.t[i], d.e1[i]); });
    benchmark::DoNotOptimize(out.data());
}

// ---- transforms -----------------------------------------------------------------------------------
void XformCompose_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELXform3D> out(kN);
    run(st, [&](int i) { out[i] = d.x0[i] * d.x1[i]; });
    benchmark::DoNotOptimize(out.data());
}
void XformCompose_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Isometry3d> out(kN);
    run(st, [&](int i) { out[i] = d.i0[i] * d.i1[i]; });
    benchmark::DoNotOptimize(out.data());
}
void XformInvert_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELXform3D> out(d.x0);
    run(st, [&](int i) { out[i].invert(); });
    benchmark::DoNotOptimize(out.data());
}
void XformInvert_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Isometry3d> out(d.i0);
    run(st, [&](int i) { out[i] = out[i].inverse(Eigen::Isometry); });
    benchmark::DoNotOptimize(out.data());
}
void XformApply_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kN);
    run(st, [&](int i) { out[i] = d.x0[i] * d.v[i]; });
    benchmark::DoNotOptimize(out.data());
}
void XformApply_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kN);
    run(st, [&](int i) { out[i] = d.i0[i] * d.ev[i]; });
    benchmark::DoNotOptimize(out.data());
}
// The link transform Rz(theta)·T(a, 0, d)·Rx(alpha), written the usual Eigen way.
void SetDH_ZEL(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELXform3D> out(kN);
    const double* p = d.dh.data();
    run(st, [&](int i) { out[i].setDH(p[4 * i], p[4 * i + 1], p[4 * i + 2], p[4 * i + 3]); });
    benchmark::DoNotOptimize(out.data());
}
void SetDH_Eigen(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Isometry3d> out(kN);
    const double* p = d.dh.data();
    run(st, [&](int i) {
        Eigen::Isometry3d T(Eigen::AngleAxisd(p[4 * i], Eigen::Vector3d::UnitZ()));
        T.translate(Eigen::Vector3d(p[4 * i + 3], 0, p[4 * i + 1]));
        T.rotate(Eigen::AngleAxisd(p[4 * i + 2], Eigen::Vector3d::UnitX()));
        out[i] = T;
    });
    benchmark::DoNotOptimize(out.data());
}

}  // namespace

BENCHMARK(QtnProduct_ZEL);
BENCHMARK(QtnProduct_Eigen);
BENCHMARK(QtnToMatrix_ZEL);
BENCHMARK(QtnToMatrix_Eigen);
BENCHMARK(MatrixToQtn_ZEL);
BENCHMARK(MatrixToQtn_Eigen);
BENCHMARK(MatrixToQtnCycle_ZEL);
BENCHMARK(MatrixToQtnCycle_Eigen);
BENCHMARK(QtnRotateVec_ZEL);
BENCHMARK(QtnRotateVec_Eigen);
BENCHMARK(Slerp_ZEL);
BENCHMARK(Slerp_Eigen);
BENCHMARK(XformCompose_ZEL);
BENCHMARK(XformCompose_Eigen);
BENCHMARK(XformInvert_ZEL);
BENCHMARK(XformInvert_Eigen);
BENCHMARK(XformApply_ZEL);
BENCHMARK(XformApply_Eigen);
BENCHMARK(SetDH_ZEL);
BENCHMARK(SetDH_Eigen);

BENCHMARK_MAIN();
