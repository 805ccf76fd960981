// 3-vector and rotation matrix operations against Eigen's Vector3d, Matrix3d and AngleAxisd.
//
// Each benchmark walks the same arrays of kCount inputs, so the work cannot be folded away and
// both sides see the same memory traffic. Compare the pairs BM_Zel<Op> / BM_Eigen<Op>.
#include "publicinterfaces/ZELRotate3D.h"
#include "publicinterfaces/ZELVector3D.h"

#include <Eigen/Geometry>
#include <benchmark/benchmark.h>

#include "operand_sets.h"

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kCount = 256;

struct Inputs {
    std::vector<ZELVector3D> zv, zw;
    std::vector<Eigen::Vector3d> ev, ew;
    std::vector<ZELRotate3D> za, zb;
    std::vector<Eigen::Matrix3d> ea, eb;
    std::vector<double> roll, pitch, yaw;

    Inputs() {
        std::mt19937_64 gen(42);
        std::uniform_real_distribution<double> u(-3.0, 3.0);
        for (int i = 0; i < kCount; ++i) {
            const double x = u(gen), y = u(gen), z = u(gen), p = u(gen), q = u(gen), r = u(gen);
            zv.emplace_back(x, y, z);
            zw.emplace_back(p, q, r);
            ev.emplace_back(x, y, z);
            ew.emplace_back(p, q, r);
            roll.push_back(x);
            pitch.push_back(y);
            yaw.push_back(z);
            ZELRotate3D a, b;
            a.setRPY(x, y, z);
            b.setRPY(p, q, r);
            za.push_back(a);
            zb.push_back(b);
            Eigen::Matrix3d ma, mb;
            for (int row = 0; row < 3; ++row) {
                for (int col = 0; col < 3; ++col) {
                    ma(row, col) = a(static_cast<ZELMath3D::DirectionIndex>(col),
                                     static_cast<ZELMath3D::CoordinateIndex>(row));
                    mb(row, col) = b(static_cast<ZELMath3D::DirectionIndex>(col),
                                     static_cast<ZELMath3D::CoordinateIndex>(row));
                }
            }
            ea.push_back(ma);
            eb.push_back(mb);
        }
    }
};

const Inputs& in() {
    static const Inputs inputs;
    return inputs;
}

// ---- 3-vector ----
void BM_ZelCross(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = ZELCross(d.zv[i], d.zw[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenCross(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = d.ev[i].cross(d.ew[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelDot(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<double> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = ZELDot(d.zv[i], d.zw[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenDot(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<double> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = d.ev[i].dot(d.ew[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelNormalize(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            out[i] = d.zv[i];
            out[i].normalize();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenNormalize(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            out[i] = d.ev[i];
            out[i].normalize();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

// ---- rotation matrix ----
void BM_ZelCompose(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELRotate3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = d.za[i] * d.zb[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenCompose(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Matrix3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i].noalias() = d.ea[i] * d.eb[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

// One product per iteration, cycling through the first eight operand pairs into existing
// results: the loop above lets the compiler overlap 256 independent products, this form measures
// one product as a program runs it. Our product is checked against Eigen's first, to 1e-12: Eigen
// adds the three terms of an element as x0 + (x1 + x2), ours as (x0 + x1) + x2.
void BM_ZelComposeCycle(benchmark::State& st) {
    const Inputs& d = in();
    ZELRotate3D out[bench::kSets];
    for (std::size_t k = 0; k < bench::kSets; ++k) {
        out[k] = d.za[k] * d.zb[k];
        const Eigen::Matrix3d e = d.ea[k] * d.eb[k];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                const double x = out[k](static_cast<ZELMath3D::DirectionIndex>(c),
                                        static_cast<ZELMath3D::CoordinateIndex>(r));
                if (!bench::require(st, bench::near(&x, &e(r, c), 1), "rotation product")) return;
            }
    }
    std::size_t k = 0;
    for (auto _ : st) {
        out[k] = d.za[k] * d.zb[k];
        benchmark::DoNotOptimize(&out[k]);
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}
void BM_EigenComposeCycle(benchmark::State& st) {
    const Inputs& d = in();
    Eigen::Matrix3d out[bench::kSets];
    std::size_t k = 0;
    for (auto _ : st) {
        out[k].noalias() = d.ea[k] * d.eb[k];
        benchmark::DoNotOptimize(out[k].data());
        benchmark::ClobberMemory();
        k = bench::nextSet(k);
    }
}

void BM_ZelComposeInPlace(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELRotate3D> out(d.za);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] *= d.zb[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenComposeInPlace(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Matrix3d> out(d.ea);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] *= d.eb[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

// v = R*v on a copy held in an array element.
void BM_ZelRotateVec(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            out[i] = d.zv[i];
            d.za[i].rotateVec(out[i]);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenRotateVec(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            out[i] = d.ev[i];
            out[i] = d.ea[i] * out[i];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

// v = R*v on a local copy.
void BM_ZelRotateVecLocal(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            ZELVector3D v = d.zv[i];
            d.za[i].rotateVec(v);
            out[i] = v;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenRotateVecLocal(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            Eigen::Vector3d v = d.ev[i];
            v = d.ea[i] * v;
            out[i] = v;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelMatVec(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = d.za[i] * d.zv[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenMatVec(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i].noalias() = d.ea[i] * d.ev[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelSetRPY(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELRotate3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i].setRPY(d.roll[i], d.pitch[i], d.yaw[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenSetRPY(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Matrix3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) {
            out[i] = (Eigen::AngleAxisd(d.roll[i], Eigen::Vector3d::UnitZ()) *
                      Eigen::AngleAxisd(d.pitch[i], Eigen::Vector3d::UnitY()) *
                      Eigen::AngleAxisd(d.yaw[i], Eigen::Vector3d::UnitX()))
                         .toRotationMatrix();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelGetRPY(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELVector3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) d.za[i].getRPY(out[i][0], out[i][1], out[i][2]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenGetRPY(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Vector3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i] = d.ea[i].eulerAngles(2, 1, 0);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelSetEAA(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELRotate3D> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i) out[i].setEAA(d.zv[i], d.roll[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenSetEAA(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Matrix3d> out(kCount);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i)
            out[i] = Eigen::AngleAxisd(d.roll[i], d.ev[i].normalized()).toRotationMatrix();
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

void BM_ZelRotateLocalAxis(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<ZELRotate3D> out(d.za);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i)
            out[i].rotate(ZELMath3D::YAxis, d.roll[i], ZELMath3D::LocalFrame);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}
void BM_EigenRotateLocalAxis(benchmark::State& st) {
    const Inputs& d = in();
    std::vector<Eigen::Matrix3d> out(d.ea);
    for (auto _ : st) {
        for (int i = 0; i < kCount; ++i)
            out[i] *= Eigen::AngleAxisd(d.roll[i], Eigen::Vector3d::UnitY()).toRotationMatrix();
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kCount);
}

}  // namespace

BENCHMARK(BM_ZelCross);
BENCHMARK(BM_EigenCross);
BENCHMARK(BM_ZelDot);
BENCHMARK(BM_EigenDot);
BENCHMARK(BM_ZelNormalize);
BENCHMARK(BM_EigenNormalize);
BENCHMARK(BM_ZelCompose);
BENCHMARK(BM_EigenCompose);
BENCHMARK(BM_ZelComposeCycle);
BENCHMARK(BM_EigenComposeCycle);
BENCHMARK(BM_ZelComposeInPlace);
BENCHMARK(BM_EigenComposeInPlace);
BENCHMARK(BM_ZelRotateVec);
BENCHMARK(BM_EigenRotateVec);
BENCHMARK(BM_ZelRotateVecLocal);
BENCHMARK(BM_EigenRotateVecLocal);
BENCHMARK(BM_ZelMatVec);
BENCHMARK(BM_EigenMatVec);
BENCHMARK(BM_ZelSetRPY);
BENCHMARK(BM_EigenSetRPY);
BENCHMARK(BM_ZelGetRPY);
BENCHMARK(BM_EigenGetRPY);
BENCHMARK(BM_ZelSetEAA);
BENCHMARK(BM_EigenSetEAA);
BENCHMARK(BM_ZelRotateLocalAxis);
BENCHMARK(BM_EigenRotateLocalAxis);

BENCHMARK_MAIN();
