// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Two doubles operated on lane by lane (GCC and clang vector extension; SSE2 on x86-64, NEON on
// AArch64). Lane-wise + - * round exactly as the scalar operations do, so kernels built on pairs
// give the same bits as the plain loops as long as they keep each element's order of operations.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELSIMDPAIR_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELSIMDPAIR_H

#include <cstring>

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

}  // namespace zel_internal

#endif
