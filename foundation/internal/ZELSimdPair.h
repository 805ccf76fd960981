// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Two doubles operated on lane by lane (GCC and clang vector extension; SSE2 on x86-64, NEON on
// AArch64). Lane-wise + - * round exactly as the scalar operations do, so kernels built on pairs
// give the same bits as the plain loops as long as they keep each element's order of operations.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELSIMDPAIR_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELSIMDPAIR_H

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace zel_internal {

typedef double Pair __attribute__((vector_size(16)));

/// Two consecutive doubles from any address (no alignment needed).
inline Pair loadPair(const double* p) noexcept {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
/// Stores both lanes at p and p + 1.
inline void storePair(double* p, Pair v) noexcept { std::memcpy(p, &v, sizeof v); }
/// Both lanes equal to x.
inline Pair splatPair(double x) noexcept { return Pair{x, x}; }

/// Lane masks: all bits set where a comparison of two pairs holds.
typedef long long PairMask __attribute__((vector_size(16)));

/// The correctly rounded square root of each lane (the bits of std::sqrt on each), in one
/// instruction where the target has one.
inline Pair sqrtPair(Pair v) noexcept {
#if defined(__SSE2__)
    return reinterpret_cast<Pair>(_mm_sqrt_pd(reinterpret_cast<__m128d>(v)));
#elif defined(__aarch64__)
    return reinterpret_cast<Pair>(vsqrtq_f64(reinterpret_cast<float64x2_t>(v)));
#else
    return Pair{std::sqrt(v[0]), std::sqrt(v[1])};
#endif
}

/// Lane i is 0.0 where mask lane i is set, else v's lane i.
inline Pair zeroWhere(PairMask mask, Pair v) noexcept {
    return reinterpret_cast<Pair>(reinterpret_cast<PairMask>(v) & ~mask);
}

}  // namespace zel_internal

#endif
