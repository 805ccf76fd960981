// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The two formulas every rigid-transform product in the library goes through, written once:
// the Denavit-Hartenberg link from cleaned sines and cosines, and the product of two transforms.
// The transform's setDH and multiply use them on their own storage; the kinematic chain uses
// them on flat poses of twelve scalars (the rotation column by column, then the position), so
// that a chain composed either way has the same bits.
#ifndef ZELMATH_PUBLICINTERFACES_INTERNAL_ZELTRANSFORMKERNEL_H
#define ZELMATH_PUBLICINTERFACES_INTERNAL_ZELTRANSFORMKERNEL_H

#include "foundation/internal/ZELSimdPair.h"

#include <type_traits>

namespace zel_internal {

/// The link Rz(theta)·Tz(d)·Tx(a)·Rx(alpha) from the cleaned sine and cosine of theta (st, ct)
/// and of alpha (sa, ca): rotation columns into r[0..8], position into p[0..2].
template <class T>
inline void dhLink(T st, T ct, T d, T a, T sa, T ca, T* r, T* p) noexcept {
    r[0] = ct;
    r[1] = st;
    r[2] = T(0);
    r[3] = -ca * st;
    r[4] = ca * ct;
    r[5] = sa;
    r[6] = sa * st;
    r[7] = -sa * ct;
    r[8] = ca;
    p[0] = a * ct;
    p[1] = a * st;
    p[2] = d;
}

/// out = A·B for transforms given as rotation columns (ra, rb) and positions (pa, pb): rotation
/// R_A·R_B, position R_A·p_B + p_A, into out[0..11] in the flat order. Element (r, k) of the
/// rotation is A(r,0)·B(0,k) + A(r,1)·B(1,k) + A(r,2)·B(2,k), summed left to right; the position
/// adds p_A last. out must not overlap the operands.
template <class T>
inline void composeXform(const T* ra, const T* pa, const T* rb, const T* pb, T* out) noexcept {
    if constexpr (std::is_same_v<T, double>) {
        // Rows 0 and 1 of each column as a pair, row 2 alone: each element keeps its order of
        // operations, so the bits are those of the scalar loop below.
        const Pair c0 = loadPair(ra), c1 = loadPair(ra + 3), c2 = loadPair(ra + 6);
        const double z0 = ra[2], z1 = ra[5], z2 = ra[8];
        for (int k = 0; k < 4; ++k) {
            const double* b = k < 3 ? rb + 3 * k : pb;
            const double x = b[0], y = b[1], z = b[2];
            Pair top = c0 * splatPair(x) + c1 * splatPair(y) + c2 * splatPair(z);
            double bottom = z0 * x + z1 * y + z2 * z;
            if (k == 3) {
                top = top + loadPair(pa);
                bottom = bottom + pa[2];
            }
            storePair(out + 3 * k, top);
            out[3 * k + 2] = bottom;
        }
    } else {
        for (int k = 0; k < 4; ++k) {
            const T* b = k < 3 ? rb + 3 * k : pb;
            for (int r = 0; r < 3; ++r) {
                T sum = ra[r] * b[0] + ra[3 + r] * b[1] + ra[6 + r] * b[2];
                if (k == 3) sum = sum + pa[r];
                out[3 * k + r] = sum;
            }
        }
    }
}

}  // namespace zel_internal

#endif
