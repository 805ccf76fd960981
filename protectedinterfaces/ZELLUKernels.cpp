// The factorisation and substitution loops of the LU factorisation (see ZELLUKernels.h).
#include "protectedinterfaces/internal/ZELLUKernels.h"

#include "foundation/internal/ZELSimdPair.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zel_internal {
namespace lu {

namespace {

// ---- factorisation ------------------------------------------------------------------------------
//
// Left-looking by panels of PanelWidth columns, in place in the rows. For each panel: the earlier
// interchanges are applied to its columns, then every element a(i,c) receives the products
// a(i,m)*a(m,c) of the earlier columns m < min(i, k0) in increasing m (register tiles for the
// bulk), then the panel is factored column by column, each pivot's interchange applied to the
// columns up to the panel's end. An element and its multipliers always travel together in an
// interchange, so every element receives exactly the operations of the column loop, in its order.
// The columns right of the panel are not touched, so a failure leaves them as they were; the
// failing panel's own later columns are restored from a copy taken before the panel started.

constexpr Index PanelWidth = 16;
constexpr Index MR = 4;  // rows of a register tile
constexpr Index NR = 4;  // columns of a register tile
constexpr Index ColumnTiles = PanelWidth / NR;

// The rows of the matrix, looked up once per factorisation.
using Rows = double* const*;

// c[r][0..NR-1] -= sum over m < kb of l(r,m) * u(m,.), one subtraction per m in increasing m.
// lp holds every multiplier twice ([m][row][2]), up the rows of U ([m][NR]).
inline void tileKernel(Index kb, const double* lp, const double* up, double* const* c) {
    Pair c00 = loadPair(c[0]), c01 = loadPair(c[0] + 2);
    Pair c10 = loadPair(c[1]), c11 = loadPair(c[1] + 2);
    Pair c20 = loadPair(c[2]), c21 = loadPair(c[2] + 2);
    Pair c30 = loadPair(c[3]), c31 = loadPair(c[3] + 2);
    for (Index m = 0; m < kb; ++m) {
        const Pair u0 = loadPair(up), u1 = loadPair(up + 2);
        const Pair l0 = loadPair(lp), l1 = loadPair(lp + 2), l2 = loadPair(lp + 4),
                   l3 = loadPair(lp + 6);
        c00 = c00 - l0 * u0;
        c01 = c01 - l0 * u1;
        c10 = c10 - l1 * u0;
        c11 = c11 - l1 * u1;
        c20 = c20 - l2 * u0;
        c21 = c21 - l2 * u1;
        c30 = c30 - l3 * u0;
        c31 = c31 - l3 * u1;
        up += NR;
        lp += 2 * MR;
    }
    storePair(c[0], c00);
    storePair(c[0] + 2, c01);
    storePair(c[1], c10);
    storePair(c[1] + 2, c11);
    storePair(c[2], c20);
    storePair(c[2] + 2, c21);
    storePair(c[3], c30);
    storePair(c[3] + 2, c31);
}

// Row tile r0 .. r0+h-1, columns c0 .. c0+w-1 through the tile kernel; partial tiles go through
// a zero-padded copy.
void updateTile(Rows a, Index r0, Index h, Index c0, Index w, Index kb, const double* lp,
                const double* up) {
    double* rows[MR];
    if (h == MR && w == NR) {
        for (Index r = 0; r < MR; ++r) rows[r] = a[r0 + r] + c0;
        tileKernel(kb, lp, up, rows);
        return;
    }
    double edge[MR * NR];
    for (Index r = 0; r < MR; ++r) {
        rows[r] = edge + r * NR;
        for (Index q = 0; q < NR; ++q) rows[r][q] = r < h && q < w ? a[r0 + r][c0 + q] : 0.0;
    }
    tileKernel(kb, lp, up, rows);
    for (Index r = 0; r < h; ++r)
        for (Index q = 0; q < w; ++q) a[r0 + r][c0 + q] = rows[r][q];
}

// Columns k0 .. k1-1 of every row i receive the products of columns m < min(i, k0). Rows above
// k0 (the U part) are finished in increasing order, each packed into upack ([tile][m][NR], tile
// stride k0*NR) as soon as it is final, because the rows below need it.
void updatePanel(Rows a, Index n, Index k0, Index k1, double* upack, double* lpack) {
    const Index w = k1 - k0;
    for (Index r0 = 0; r0 < n; r0 += MR) {
        const Index h = std::min(MR, n - r0);
        const Index kb = std::min(r0, k0);
        if (kb > 0) {
            for (Index r = 0; r < MR; ++r) {
                const double* src = r < h ? a[r0 + r] : nullptr;
                for (Index m = 0; m < kb; ++m)
                    lpack[(m * MR + r) * 2] = lpack[(m * MR + r) * 2 + 1] = src ? src[m] : 0.0;
            }
            for (Index t = 0; t * NR < w; ++t)
                updateTile(a, r0, h, k0 + t * NR, std::min(NR, w - t * NR), kb, lpack,
                           upack + t * k0 * NR);
        }
        if (r0 >= k0) continue;
        // Inside the row tile (r0 + MR <= k0, as k0 is a multiple of PanelWidth): row r0+q
        // receives the products of rows r0 .. r0+q-1, which are final by then.
        for (Index q = 1; q < h; ++q) {
            double* ri = a[r0 + q];
            for (Index m = r0; m < r0 + q; ++m) {
                const double l = ri[m];
                const double* rm = a[m];
                for (Index c = k0; c < k1; ++c) ri[c] -= l * rm[c];
            }
        }
        for (Index m = r0; m < r0 + h; ++m) {
            const double* src = a[m] + k0;
            for (Index t = 0; t < ColumnTiles; ++t)
                for (Index q = 0; q < NR; ++q)
                    upack[(t * k0 + m) * NR + q] = t * NR + q < w ? src[t * NR + q] : 0.0;
        }
    }
}

// The pivot row of column j: the first of the rows j .. n-1 with the largest magnitude (ties keep
// the topmost row; a column of zeros or NaNs keeps j). Stores it as pivot entry j, counted from 1.
Index choosePivot(Rows a, Index n, Index j, int* pivot) {
    Index p = j;
    double best = 0.0;
    for (Index i = j; i < n; ++i) {
        const double v = std::fabs(a[i][j]);
        if (v > best) {
            best = v;
            p = i;
        }
    }
    pivot[j] = static_cast<int>(p + 1);
    return p;
}

// Factors columns k0 .. k1-1 (rows k0 .. n-1), which have received the products of every
// earlier column. Returns the column whose pivot failed, or -1.
Index factorPanel(Rows a, Index n, Index k0, Index k1, int* pivot, double threshold) {
    for (Index j = k0; j < k1; ++j) {
        double* rj = a[j];
        if (j < n - 1) {
            const Index p = choosePivot(a, n, j, pivot);
            if (p != j) std::swap_ranges(rj, rj + k1, a[p]);
        }
        const double d = rj[j];
        if (std::fabs(d) <= threshold) return j;
        for (Index i = j + 1; i < n; ++i) {
            double* ri = a[i];
            const double l = ri[j] / d;
            ri[j] = l;
            for (Index c = j + 1; c < k1; ++c) ri[c] -= l * rj[c];
        }
    }
    return -1;
}

// Small matrices: the column loop itself, in place, which needs no copy for a failure (the later
// columns are not touched before their turn). Column j receives the earlier interchanges, then
// the products of columns 0 .. j-1 in increasing m (row m of column j is final before it is used),
// then its pivot, applied to columns 0 .. j only.
constexpr Index SmallSize = 8;

Index factorColumns(Rows a, Index n, int* pivot, double threshold) {
    for (Index j = 0; j < n; ++j) {
        for (Index k = 0; k < j; ++k) {
            const Index p = pivot[k] - 1;
            if (p != k) std::swap(a[k][j], a[p][j]);
        }
        for (Index m = 0; m < j; ++m) {
            const double u = a[m][j];
            for (Index i = m + 1; i < n; ++i) a[i][j] -= a[i][m] * u;
        }
        if (j < n - 1) {
            const Index p = choosePivot(a, n, j, pivot);
            if (p != j) std::swap_ranges(a[j], a[j] + j + 1, a[p]);
        }
        const double d = a[j][j];
        if (std::fabs(d) <= threshold) return j;
        for (Index i = j + 1; i < n; ++i) a[i][j] = a[i][j] / d;
    }
    return -1;
}

Index factorRows(Rows a, Index n, int* pivot, double threshold) {
    if (n <= SmallSize) return factorColumns(a, n, pivot, threshold);
    // A copy of the current panel, the packed rows of U above it, one packed row tile of L.
    const Index width = std::min(n, PanelWidth);
    ScratchBuffer<double, 40 * PanelWidth> buffer(
        static_cast<std::size_t>(n * (width + PanelWidth + 2 * MR)));
    double* saved = buffer.data();
    double* upack = saved + n * width;
    double* lpack = upack + n * PanelWidth;
    for (Index k0 = 0; k0 < n; k0 += PanelWidth) {
        const Index k1 = std::min(n, k0 + PanelWidth);
        for (Index i = 0; i < n; ++i)
            for (Index c = k0; c < k1; ++c) saved[i * width + c - k0] = a[i][c];
        for (Index k = 0; k < k0; ++k) {
            const Index p = pivot[k] - 1;
            if (p != k) {
                double* rk = a[k];
                std::swap_ranges(rk + k0, rk + k1, a[p] + k0);
            }
        }
        updatePanel(a, n, k0, k1, upack, lpack);
        const Index failed = factorPanel(a, n, k0, k1, pivot, threshold);
        if (failed >= 0) {
            for (Index i = 0; i < n; ++i) {
                const double* from = saved + i * width;
                std::copy(from + (failed + 1 - k0), from + (k1 - k0), a[i] + failed + 1);
            }
            return failed;
        }
    }
    return -1;
}

}  // namespace

Index factor(Matrix& m, Index n, int* pivot, double threshold) {
    ScratchBuffer<double*, 64> rows(static_cast<std::size_t>(n));
    for (Index i = 0; i < n; ++i) rows.data()[i] = &m(static_cast<std::size_t>(i), 0);
    return factorRows(rows.data(), n, pivot, threshold);
}

// ---- substitutions ------------------------------------------------------------------------------

// Eight (then four) rows at a time accumulate their sums over the solved prefix side by side,
// then finish the small triangle in order; each sum still starts from 0.0 and runs in increasing
// k. The back substitution cannot be blocked the same way: row i's sum starts with b(i+1), so each
// row waits for the one below it.
namespace {

// Rows i .. i+R-1 of the forward substitution.
template <int R>
inline void forwardRows(const Matrix& m, double* b, Index i) {
    const double* r[R];
    double s[R];
    for (int q = 0; q < R; ++q) {
        r[q] = &m(static_cast<std::size_t>(i + q), 0);
        s[q] = 0.0;
    }
    for (Index k = 0; k < i; ++k) {
        const double bk = b[k];
        for (int q = 0; q < R; ++q) s[q] += r[q][k] * bk;
    }
    for (int q = 0; q < R; ++q) {
        const double x = b[i + q] - s[q];
        b[i + q] = x;
        for (int q2 = q + 1; q2 < R; ++q2) s[q2] += r[q2][i + q] * x;
    }
}

}  // namespace

void forwardSubstitute(const Matrix& m, double* b, Index n) {
    Index i = 1;
    for (; i + 8 <= n; i += 8) forwardRows<8>(m, b, i);
    for (; i + 4 <= n; i += 4) forwardRows<4>(m, b, i);
    for (; i < n; ++i) forwardRows<1>(m, b, i);
}

// The unknown just solved is carried in a register into the next row's first term, so the chain
// of dependent operations does not also wait for its store to be forwarded to a load.
void backSubstitute(const Matrix& m, double* b, Index n) {
    if (n == 0) return;
    double last = b[n - 1] / m(static_cast<std::size_t>(n - 1), static_cast<std::size_t>(n - 1));
    b[n - 1] = last;
    for (Index i = n - 2; i >= 0; --i) {
        const double* r = &m(static_cast<std::size_t>(i), 0);
        double s = 0.0;
        s += r[i + 1] * last;
        for (Index k = i + 2; k < n; ++k) s += r[k] * b[k];
        last = (b[i] - s) / r[i];
        b[i] = last;
    }
}

static_assert(Columns == 8, "solveBlock works on four pairs of columns");

namespace {

// The block's eight column sums of c[k] * p(k, .) over k = k0 .. k1-1, each from 0.0 in
// increasing k, as four pairs.
inline void blockSums(const double* c, const double* p, Index k0, Index k1, Pair* sums) {
    Pair s0 = splatPair(0.0), s1 = s0, s2 = s0, s3 = s0;
    for (Index k = k0; k < k1; ++k) {
        const Pair ck = splatPair(c[k]);
        const double* pk = p + k * Columns;
        s0 = s0 + ck * loadPair(pk);
        s1 = s1 + ck * loadPair(pk + 2);
        s2 = s2 + ck * loadPair(pk + 4);
        s3 = s3 + ck * loadPair(pk + 6);
    }
    sums[0] = s0;
    sums[1] = s1;
    sums[2] = s2;
    sums[3] = s3;
}

}  // namespace

void solveBlock(const Matrix& lu, double* p, Index n, Index start) {
    Pair s[4];
    for (Index i = start + 1; i < n; ++i) {
        double* pi = p + i * Columns;
        blockSums(&lu(static_cast<std::size_t>(i), 0), p, start, i, s);
        for (Index q = 0; q < 4; ++q) storePair(pi + 2 * q, loadPair(pi + 2 * q) - s[q]);
    }
    // The last row's sums are empty (0.0); subtracting them changes no bit, not even of -0.0.
    for (Index i = n - 1; i >= 0; --i) {
        const double* u = &lu(static_cast<std::size_t>(i), 0);
        double* pi = p + i * Columns;
        blockSums(u, p, i + 1, n, s);
        const Pair d = splatPair(u[i]);
        for (Index q = 0; q < 4; ++q) storePair(pi + 2 * q, (loadPair(pi + 2 * q) - s[q]) / d);
    }
}

bool finiteMultipliers(const Matrix& lu, Index n) {
    for (Index i = 1; i < n; ++i) {
        const double* l = &lu(static_cast<std::size_t>(i), 0);
        for (Index k = 0; k < i; ++k)
            if (!(std::fabs(l[k]) <= std::numeric_limits<double>::max())) return false;
    }
    return true;
}

}  // namespace lu
}  // namespace zel_internal
