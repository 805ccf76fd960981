#include "protectedinterfaces/ZELLUFactor.h"

#include "foundation/scl_assert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

namespace {

using Index = std::ptrdiff_t;

// A pivot of magnitude at most this stops the factorisation.
constexpr double PivotThreshold = 1e-5;

template <class T>
T absOf(T x) {
    using std::abs;
    return abs(x);
}

// A buffer of n scalars: on the stack for small sizes, on the heap otherwise. The contents are
// not initialised.
template <class T, std::size_t Local>
class ScratchBuffer {
public:
    explicit ScratchBuffer(std::size_t n) {
        if (n > Local) {
            heap_.reset(new T[n]);
            data_ = heap_.get();
        } else {
            data_ = local_;
        }
    }
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;
    T* data() { return data_; }

private:
    T local_[Local];
    std::unique_ptr<T[]> heap_;
    T* data_;
};

// ---- factorisation kernel ----------------------------------------------------------------------
//
// The matrix is a contiguous row-major n x n copy. Rows are interchanged whole as soon as a pivot
// is chosen; since an element and its multipliers always travel together, this gives the same
// values as interchanging each column just before it is processed. Each element a(i,c) receives
// the products a(i,m)*a(m,c), m = 0 .. min(i,c)-1, as separate subtractions in increasing m,
// whether they come from the panel, the block row or the trailing update.

template <class T>
void swapRows(T* a, T* b, Index n) {
    for (Index k = 0; k < n; ++k) {
        const T t = a[k];
        a[k] = b[k];
        b[k] = t;
    }
}

// Factors columns k0 .. k1-1 (rows k0 .. n-1), which have already received the products of
// every earlier column. Returns the column whose pivot failed, or -1.
template <class T>
Index factorPanel(T* a, Index n, Index k0, Index k1, int* pivot) {
    for (Index j = k0; j < k1; ++j) {
        T* rj = a + j * n;
        if (j < n - 1) {
            Index p = j;
            T best = T(0);
            for (Index i = j; i < n; ++i) {
                const T v = absOf(a[i * n + j]);
                if (v > best) {
                    best = v;
                    p = i;
                }
            }
            pivot[j] = static_cast<int>(p + 1);
            if (p != j) swapRows(rj, a + p * n, n);
        }
        const T d = rj[j];
        if (absOf(d) <= T(PivotThreshold)) return j;
        for (Index i = j + 1; i < n; ++i) {
            T* ri = a + i * n;
            const T l = ri[j] / d;
            ri[j] = l;
            for (Index c = j + 1; c < k1; ++c) ri[c] -= l * rj[c];
        }
    }
    return -1;
}

// Rows k0 .. k1-1 of the columns right of the panel: the products of the panel's own columns.
template <class T>
void updateBlockRow(T* a, Index n, Index k0, Index k1) {
    for (Index r = k0 + 1; r < k1; ++r) {
        T* rr = a + r * n;
        for (Index m = k0; m < r; ++m) {
            const T l = rr[m];
            const T* rm = a + m * n;
            for (Index c = k1; c < n; ++c) rr[c] -= l * rm[c];
        }
    }
}

// The trailing update: for rows and columns k1 .. n-1, a(i,c) -= a(i,m)*a(m,c) for m = k0 .. k1-1
// in increasing m. The operands are packed into tiles of MR rows and NR columns so that each
// tile of results stays in registers while m runs.
constexpr Index MR = 4;
constexpr Index NR = 4;

#if defined(__GNUC__)
typedef double Double2 __attribute__((vector_size(16)));

inline Double2 load2(const double* p) {
    Double2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store2(double* p, Double2 v) { std::memcpy(p, &v, sizeof v); }

// c (MR x NR, row stride ldc) -= lp * up over kb steps. lp holds every multiplier twice
// ([m][row][2]), up the tile of U ([m][NR]).
inline void tileKernel(Index kb, const double* lp, const double* up, double* c, Index ldc) {
    Double2 c00 = load2(c), c01 = load2(c + 2);
    Double2 c10 = load2(c + ldc), c11 = load2(c + ldc + 2);
    Double2 c20 = load2(c + 2 * ldc), c21 = load2(c + 2 * ldc + 2);
    Double2 c30 = load2(c + 3 * ldc), c31 = load2(c + 3 * ldc + 2);
    for (Index m = 0; m < kb; ++m) {
        const Double2 u0 = load2(up), u1 = load2(up + 2);
        const Double2 l0 = load2(lp), l1 = load2(lp + 2), l2 = load2(lp + 4), l3 = load2(lp + 6);
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
    store2(c, c00);
    store2(c + 2, c01);
    store2(c + ldc, c10);
    store2(c + ldc + 2, c11);
    store2(c + 2 * ldc, c20);
    store2(c + 2 * ldc + 2, c21);
    store2(c + 3 * ldc, c30);
    store2(c + 3 * ldc + 2, c31);
}
#define ZELMATH_LU_TILE_KERNEL 1
#endif

template <class T>
void updateTrailingScalar(T* a, Index n, Index k0, Index k1) {
    for (Index i = k1; i < n; ++i) {
        T* ri = a + i * n;
        for (Index m = k0; m < k1; ++m) {
            const T l = ri[m];
            const T* rm = a + m * n;
            for (Index c = k1; c < n; ++c) ri[c] -= l * rm[c];
        }
    }
}

template <class T>
void updateTrailing(T* a, Index n, Index k0, Index k1, T* lpack, T* upack) {
#if defined(ZELMATH_LU_TILE_KERNEL)
    if constexpr (std::is_same<T, double>::value) {
        const Index kb = k1 - k0;
        const Index rows = n - k1;
        const Index rowTiles = (rows + MR - 1) / MR;
        const Index colTiles = (rows + NR - 1) / NR;
        // U tiles: [tile][m][NR], zero beyond the last column.
        for (Index t = 0; t < colTiles; ++t) {
            const Index c0 = k1 + t * NR;
            const Index w = std::min(NR, n - c0);
            T* dst = upack + t * kb * NR;
            for (Index m = 0; m < kb; ++m) {
                const T* src = a + (k0 + m) * n + c0;
                for (Index q = 0; q < NR; ++q) dst[m * NR + q] = q < w ? src[q] : T(0);
            }
        }
        // L tiles: [tile][m][MR][2], zero beyond the last row.
        for (Index t = 0; t < rowTiles; ++t) {
            const Index r0 = k1 + t * MR;
            const Index h = std::min(MR, n - r0);
            T* dst = lpack + t * kb * MR * 2;
            for (Index r = 0; r < MR; ++r) {
                const T* src = a + (r0 + r) * n + k0;
                for (Index m = 0; m < kb; ++m) {
                    const T v = r < h ? src[m] : T(0);
                    dst[(m * MR + r) * 2] = v;
                    dst[(m * MR + r) * 2 + 1] = v;
                }
            }
        }
        T edge[MR * NR];
        for (Index tc = 0; tc < colTiles; ++tc) {
            const Index c0 = k1 + tc * NR;
            const Index w = std::min(NR, n - c0);
            const T* up = upack + tc * kb * NR;
            for (Index tr = 0; tr < rowTiles; ++tr) {
                const Index r0 = k1 + tr * MR;
                const Index h = std::min(MR, n - r0);
                const T* lp = lpack + tr * kb * MR * 2;
                T* c = a + r0 * n + c0;
                if (h == MR && w == NR) {
                    tileKernel(kb, lp, up, c, n);
                } else {
                    for (Index r = 0; r < MR; ++r)
                        for (Index q = 0; q < NR; ++q) edge[r * NR + q] = r < h && q < w ? c[r * n + q] : T(0);
                    tileKernel(kb, lp, up, edge, NR);
                    for (Index r = 0; r < h; ++r)
                        for (Index q = 0; q < w; ++q) c[r * n + q] = edge[r * NR + q];
                }
            }
        }
        return;
    }
#endif
    (void)lpack;
    (void)upack;
    updateTrailingScalar(a, n, k0, k1);
}

// Small matrices are factored in place in their rows, in the plain left-looking order: column j
// receives the earlier interchanges, then the products of columns 0 .. j-1 in increasing m
// (the rows above the diagonal first need no separate pass: row m of column j is final before
// it is used), then its pivot, which is applied to columns 0 .. j only.
template <class T>
Index factorRowsInPlace(T* const* r, Index n, int* pivot) {
    for (Index j = 0; j < n; ++j) {
        for (Index k = 0; k < j; ++k) {
            const Index p = pivot[k] - 1;
            if (p != k) ZELBasicLUFactor<T>::interchange(r[k] + j, r[p] + j);
        }
        for (Index m = 0; m < j; ++m) {
            const T u = r[m][j];
            for (Index i = m + 1; i < n; ++i) r[i][j] -= r[i][m] * u;
        }
        if (j < n - 1) {
            Index p = j;
            T best = T(0);
            for (Index i = j; i < n; ++i) {
                const T v = absOf(r[i][j]);
                if (v > best) {
                    best = v;
                    p = i;
                }
            }
            pivot[j] = static_cast<int>(p + 1);
            if (p != j)
                for (Index k = 0; k <= j; ++k) ZELBasicLUFactor<T>::interchange(r[p] + k, r[j] + k);
        }
        const T d = r[j][j];
        if (absOf(d) <= T(PivotThreshold)) return j;
        for (Index i = j + 1; i < n; ++i) r[i][j] = r[i][j] / d;
    }
    return -1;
}

// Up to this size the factorisation runs in place in the rows.
constexpr Index SmallSize = 8;

// Panel width of the blocked factorisation; smaller matrices are one panel.
constexpr Index PanelWidth = 16;

// Factors the contiguous n x n matrix a in place. pivot receives the entries of the columns
// reached (n-1 entries in all). Returns the failing column or -1.
template <class T>
Index factorContiguous(T* a, Index n, int* pivot) {
    if (n <= PanelWidth) return factorPanel(a, n, 0, n, pivot);
    const Index rowTiles = (n + MR - 1) / MR;
    const Index colTiles = (n + NR - 1) / NR;
    std::unique_ptr<T[]> lpack(new T[static_cast<std::size_t>(rowTiles * MR * 2 * PanelWidth)]);
    std::unique_ptr<T[]> upack(new T[static_cast<std::size_t>(colTiles * NR * PanelWidth)]);
    for (Index k0 = 0; k0 < n; k0 += PanelWidth) {
        const Index k1 = std::min(n, k0 + PanelWidth);
        const Index failed = factorPanel(a, n, k0, k1, pivot);
        if (failed >= 0) return failed;
        if (k1 == n) break;
        updateBlockRow(a, n, k0, k1);
        updateTrailing(a, n, k0, k1, lpack.get(), upack.get());
    }
    return -1;
}

// ---- substitutions ---------------------------------------------------------------------------

// b(i) -= sum over k < i of M(i,k)*b(k), for i = 1 .. n-1. Four rows at a time accumulate their
// sums over the solved prefix side by side, then finish the small triangle in order; each sum
// still starts from 0.0 and runs in increasing k.
template <class T>
void forwardSubstitute(const ZELBasicMathMatrix<T>& m, T* b, Index n) {
    Index i = 1;
    for (; i + 4 <= n; i += 4) {
        const T* r0 = &m(i, 0);
        const T* r1 = &m(i + 1, 0);
        const T* r2 = &m(i + 2, 0);
        const T* r3 = &m(i + 3, 0);
        T s0 = T(0), s1 = T(0), s2 = T(0), s3 = T(0);
        for (Index k = 0; k < i; ++k) {
            const T bk = b[k];
            s0 += r0[k] * bk;
            s1 += r1[k] * bk;
            s2 += r2[k] * bk;
            s3 += r3[k] * bk;
        }
        b[i] = b[i] - s0;
        s1 += r1[i] * b[i];
        s2 += r2[i] * b[i];
        s3 += r3[i] * b[i];
        b[i + 1] = b[i + 1] - s1;
        s2 += r2[i + 1] * b[i + 1];
        s3 += r3[i + 1] * b[i + 1];
        b[i + 2] = b[i + 2] - s2;
        s3 += r3[i + 2] * b[i + 2];
        b[i + 3] = b[i + 3] - s3;
    }
    for (; i < n; ++i) {
        const T* r = &m(i, 0);
        T s = T(0);
        for (Index k = 0; k < i; ++k) s += r[k] * b[k];
        b[i] = b[i] - s;
    }
}

// b(n-1) /= M(n-1,n-1); then for i = n-2 down to 0: b(i) = (b(i) - sum over k > i of
// M(i,k)*b(k)) / M(i,i), the sum in increasing k.
template <class T>
void backSubstitute(const ZELBasicMathMatrix<T>& m, T* b, Index n) {
    if (n == 0) return;
    b[n - 1] = b[n - 1] / m(n - 1, n - 1);
    for (Index i = n - 2; i >= 0; --i) {
        const T* r = &m(i, 0);
        T s = T(0);
        for (Index k = i + 1; k < n; ++k) s += r[k] * b[k];
        b[i] = (b[i] - s) / r[i];
    }
}

// The same for many right-hand sides at once. The columns are packed ColumnBlock at a time into
// a contiguous block p (row k at p + k*ColumnBlock); each column is an independent system and
// receives exactly the operations of the single-vector substitution.
constexpr Index ColumnBlock = 8;

// Forward substitution of rows start+1 .. n-1, the sums starting at column start. The rows
// above start must be zero in every column of the block and the multipliers finite, so that
// the products left out are all zeros and the sums are unchanged by leaving them out.
template <class T>
void forwardSubstitutePacked(const ZELBasicMathMatrix<T>& m, T* p, Index n, Index start) {
    for (Index i = start + 1; i < n; ++i) {
        const T* l = &m(i, 0);
        T* pi = p + i * ColumnBlock;
#if defined(ZELMATH_LU_TILE_KERNEL)
        if constexpr (std::is_same<T, double>::value) {
            Double2 s0 = {0.0, 0.0}, s1 = s0, s2 = s0, s3 = s0;
            for (Index k = start; k < i; ++k) {
                const Double2 lk = {l[k], l[k]};
                const double* pk = p + k * ColumnBlock;
                s0 = s0 + lk * load2(pk);
                s1 = s1 + lk * load2(pk + 2);
                s2 = s2 + lk * load2(pk + 4);
                s3 = s3 + lk * load2(pk + 6);
            }
            store2(pi, load2(pi) - s0);
            store2(pi + 2, load2(pi + 2) - s1);
            store2(pi + 4, load2(pi + 4) - s2);
            store2(pi + 6, load2(pi + 6) - s3);
            continue;
        }
#endif
        T s[ColumnBlock];
        for (Index q = 0; q < ColumnBlock; ++q) s[q] = T(0);
        for (Index k = start; k < i; ++k)
            for (Index q = 0; q < ColumnBlock; ++q) s[q] += l[k] * p[k * ColumnBlock + q];
        for (Index q = 0; q < ColumnBlock; ++q) pi[q] = pi[q] - s[q];
    }
}

// Back substitution of all rows. The last row is divided by its diagonal element directly;
// subtracting the empty sum first would not change a bit.
template <class T>
void backSubstitutePacked(const ZELBasicMathMatrix<T>& m, T* p, Index n) {
    for (Index i = n - 1; i >= 0; --i) {
        const T* u = &m(i, 0);
        T* pi = p + i * ColumnBlock;
#if defined(ZELMATH_LU_TILE_KERNEL)
        if constexpr (std::is_same<T, double>::value) {
            Double2 s0 = {0.0, 0.0}, s1 = s0, s2 = s0, s3 = s0;
            for (Index k = i + 1; k < n; ++k) {
                const Double2 uk = {u[k], u[k]};
                const double* pk = p + k * ColumnBlock;
                s0 = s0 + uk * load2(pk);
                s1 = s1 + uk * load2(pk + 2);
                s2 = s2 + uk * load2(pk + 4);
                s3 = s3 + uk * load2(pk + 6);
            }
            const Double2 d = {u[i], u[i]};
            store2(pi, (load2(pi) - s0) / d);
            store2(pi + 2, (load2(pi + 2) - s1) / d);
            store2(pi + 4, (load2(pi + 4) - s2) / d);
            store2(pi + 6, (load2(pi + 6) - s3) / d);
            continue;
        }
#endif
        T s[ColumnBlock];
        for (Index q = 0; q < ColumnBlock; ++q) s[q] = T(0);
        for (Index k = i + 1; k < n; ++k)
            for (Index q = 0; q < ColumnBlock; ++q) s[q] += u[k] * p[k * ColumnBlock + q];
        for (Index q = 0; q < ColumnBlock; ++q) pi[q] = (pi[q] - s[q]) / u[i];
    }
}

// True when every multiplier (the strict lower triangle) is finite.
template <class T>
bool finiteMultipliers(const ZELBasicMathMatrix<T>& m, Index n) {
    for (Index i = 1; i < n; ++i) {
        const T* l = &m(static_cast<std::size_t>(i), 0);
        for (Index k = 0; k < i; ++k)
            if (!(absOf(l[k]) <= std::numeric_limits<T>::max())) return false;
    }
    return true;
}

// The row interchanges of the factorisation applied to x, in order.
template <class T>
void applyInterchanges(const scl_vector<int>& pivot, T* x, Index n) {
    for (Index k = 0; k + 1 < n; ++k) {
        const Index p = pivot[static_cast<std::size_t>(k)] - 1;
        if (p != k) std::swap(x[k], x[p]);
    }
}

// True when f holds complete factors for a system of n equations.
template <class T>
bool solvable(const ZELBasicLUFactor<T>& f, std::size_t n) {
    return f.good() && f.dimension() == n;
}

template <class T>
void scale(T* z, Index n, T c) {
    for (Index i = 0; i < n; ++i) z[i] *= c;
}

template <class T>
T l1Norm(const T* z, Index n) {
    T s = T(0);
    for (Index i = 0; i < n; ++i) s += absOf(z[i]);
    return s;
}

// Copies a into lu (when they are different objects) as matrix assignment does, and returns
// ZELL1Norm(a): the largest column sum, each sum taken in increasing row order from 0.0. One
// pass over the rows does both.
template <class T>
T copyAndMeasure(const ZELBasicMathMatrix<T>& a, ZELBasicMathMatrix<T>& lu) {
    const std::size_t rows = a.rows(), cols = a.cols();
    const bool copy = &a != &lu;
    if (copy && (lu.rows() != rows || lu.cols() != cols)) lu.reshape(rows, cols, false);
    if (cols == 0) return T(0);
    ScratchBuffer<T, 32> sumsBuffer(cols);
    T* sums = sumsBuffer.data();
    for (std::size_t j = 0; j < cols; ++j) sums[j] = T(0);
    for (std::size_t i = 0; i < rows; ++i) {
        const T* src = &a(i, 0);
        if (copy) {
            T* dst = &lu(i, 0);
            for (std::size_t j = 0; j < cols; ++j) {
                const T v = src[j];
                dst[j] = v;
                sums[j] += absOf(v);
            }
        } else {
            for (std::size_t j = 0; j < cols; ++j) sums[j] += absOf(src[j]);
        }
    }
    T best = T(0);
    for (std::size_t j = 0; j < cols; ++j)
        if (sums[j] > best) best = sums[j];
    return best;
}

}  // namespace

// ---- construction ----------------------------------------------------------------------------

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor()
    : fail_(false), good_(false), dimension_(0), rcond_(T(-1)), norm_(T(0)), identity_(), lu_(), pivot_(),
      rcondHigham_(T(-1)) {}

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor(const Matrix& a, bool computeCondition) : ZELBasicLUFactor() {
    factor(a, computeCondition);
}

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor(const ZELBasicLUFactor&) : ZELBasicLUFactor() {
    _scl_do_assert("Software", "This constructor is not yet implemented", "protectedinterfaces/ZELLUFactor", 86);
}

template <class T>
ZELBasicLUFactor<T>::ZELBasicLUFactor(ZELBasicLUFactor&& other) : ZELBasicLUFactor() {
    *this = other;
    other.fail_ = false;
    other.good_ = false;
    other.dimension_ = 0;
    other.rcond_ = T(-1);
    other.norm_ = T(0);
    other.identity_.resize(0, 0);
    other.lu_.resize(0, 0);
    other.pivot_.clear();
    other.rcondHigham_ = T(-1);
}

template <class T>
ZELBasicLUFactor<T>& ZELBasicLUFactor<T>::operator=(const ZELBasicLUFactor& other) {
    if (this == &other) return *this;
    fail_ = other.fail_;
    good_ = other.good_;
    dimension_ = other.dimension_;
    rcond_ = other.rcond_;
    norm_ = other.norm_;
    identity_ = other.identity_;
    lu_ = other.lu_;
    pivot_ = other.pivot_;
    rcondHigham_ = other.rcondHigham_;
    return *this;
}

template <class T>
ZELBasicLUFactor<T>::~ZELBasicLUFactor() = default;

template <class T>
typename ZELBasicLUFactor<T>::Matrix ZELBasicLUFactor<T>::getIdentity() const {
    return identity_;
}

// ---- factorisation ---------------------------------------------------------------------------

template <class T>
void ZELBasicLUFactor<T>::factor(const Matrix& a, bool computeCondition) {
    fail_ = false;
    good_ = false;
    const std::size_t n = a.rows();
    dimension_ = n;
    norm_ = copyAndMeasure(a, lu_);
    pivot_.assign(n == 0 ? 0 : n - 1, 0);
    rcond_ = T(-1);
    rcondHigham_ = T(-1);
    if (lu_.cols() < n) lu_.resize(n, n);
    if (identity_.rows() != n || identity_.cols() != n) {
        identity_.resize(n, n);
        identity_ = T(0);
        for (std::size_t i = 0; i < n; ++i) identity_(i, i) = T(1);
    }
    justFactor();
    if (computeCondition && good_) calculateCondition();
}

template <class T>
void ZELBasicLUFactor<T>::justFactor() {
    const Index n = static_cast<Index>(dimension_);
    Index failed;
    if (n <= SmallSize) {
        T* rows[SmallSize];
        for (Index i = 0; i < n; ++i) rows[i] = &lu_(static_cast<std::size_t>(i), 0);
        failed = factorRowsInPlace(rows, n, pivot_.data());
    } else {
        std::unique_ptr<T[]> work(new T[static_cast<std::size_t>(n) * static_cast<std::size_t>(n)]);
        T* a = work.get();
        for (Index i = 0; i < n; ++i) {
            const T* row = &lu_(static_cast<std::size_t>(i), 0);
            std::copy(row, row + n, a + i * n);
        }
        failed = factorContiguous(a, n, pivot_.data());
        // After a failure only the columns up to the failing one have been processed; the
        // others keep the values copied from A.
        const Index done = failed < 0 ? n : failed + 1;
        for (Index i = 0; i < n; ++i) std::copy(a + i * n, a + i * n + done, &lu_(static_cast<std::size_t>(i), 0));
    }
    if (failed >= 0) {
        fail_ = true;
        good_ = false;
    } else {
        good_ = true;
    }
}

// ---- classic condition estimate --------------------------------------------------------------

template <class T>
T ZELBasicLUFactor<T>::condition() {
    if (rcond_ == T(-1)) calculateCondition();
    return rcond_;
}

template <class T>
int ZELBasicLUFactor<T>::isSingular() const {
    return rcond_ + 1.0 == 1.0 ? 1 : 0;
}

template <class T>
void ZELBasicLUFactor<T>::calculateCondition() {
    if (fail_) {
        rcond_ = T(0);
        return;
    }
    if (good_ && dimension_ == 0) {
        rcond_ = T(1);
        return;
    }
    if (norm_ == T(0)) {
        rcond_ = T(0);
        return;
    }
    Vector z = solveEandW();
    solveUpperSpecial(z);
    T ynorm = T(1);
    solveLowerSpecial(z, ynorm);
    solveUpperWithScaling(z, ynorm);
    rcond_ = ynorm / norm_;
}

// Solves U^T w = e, choosing the signs of e = (+-1) on the fly so that w grows.
template <class T>
typename ZELBasicLUFactor<T>::Vector ZELBasicLUFactor<T>::solveEandW() {
    const Index n = static_cast<Index>(dimension_);
    Vector z(static_cast<std::size_t>(n), T(0));
    T* zp = &z[0];
    T ek = T(1);
    for (Index k = 0; k < n; ++k) {
        const T* u = &lu_(static_cast<std::size_t>(k), 0);
        if (zp[k] != T(0)) ek = sign(-zp[k]);
        const T mek = -ek;
        const T ukk = absOf(u[k]);
        if (absOf(ek - zp[k]) > ukk) {
            const T c = ukk / absOf(ek - zp[k]);
            scale(zp, n, c);
            ek = ek * c;
        }
        T wk = ek - zp[k];
        T wkm = mek - zp[k];
        T s = absOf(wk);
        T sm = absOf(wkm);
        if (u[k] == T(0)) {
            wk = T(1);
            wkm = T(1);
        } else {
            wk = wk / u[k];
            wkm = wkm / u[k];
        }
        if (k < n - 1) {
            for (Index j = k + 1; j < n; ++j) {
                sm = sm + absOf(wkm * u[j] + zp[j]);
                zp[j] = wk * u[j] + zp[j];
                s = s + absOf(zp[j]);
            }
            if (sm >= s) {
                const T t = wkm - wk;
                wk = wkm;
                for (Index j = k + 1; j < n; ++j) zp[j] = t * u[j] + zp[j];
            }
        }
        zp[k] = wk;
    }
    scale(zp, n, T(1) / l1Norm(zp, n));
    return z;
}

// Solves L^T y = w, applying the interchanges as it goes.
template <class T>
typename ZELBasicLUFactor<T>::Vector& ZELBasicLUFactor<T>::solveUpperSpecial(Vector& w) {
    const Index n = static_cast<Index>(dimension_);
    T* zp = &w[0];
    for (Index k = n - 1; k >= 0; --k) {
        if (k < n - 1) {
            T s = T(0);
            for (Index j = k + 1; j < n; ++j) s += lu_(static_cast<std::size_t>(j), static_cast<std::size_t>(k)) * zp[j];
            zp[k] = zp[k] - s;
        }
        if (absOf(zp[k]) > T(1)) scale(zp, n, T(1) / absOf(zp[k]));
        if (k < n - 1) interchange(zp + k, zp + (pivot_[static_cast<std::size_t>(k)] - 1));
    }
    scale(zp, n, T(1) / l1Norm(zp, n));
    return w;
}

// Solves L v = y.
template <class T>
typename ZELBasicLUFactor<T>::Vector& ZELBasicLUFactor<T>::solveLowerSpecial(Vector& y, T& ynorm) {
    const Index n = static_cast<Index>(dimension_);
    T* zp = &y[0];
    for (Index k = 0; k < n; ++k) {
        if (k < n - 1) interchange(zp + k, zp + (pivot_[static_cast<std::size_t>(k)] - 1));
        const T* l = &lu_(static_cast<std::size_t>(k), 0);
        T s = T(0);
        for (Index j = 0; j < k; ++j) s += l[j] * zp[j];
        zp[k] = zp[k] - s;
        if (absOf(zp[k]) > T(1)) {
            const T c = T(1) / absOf(zp[k]);
            scale(zp, n, c);
            ynorm = ynorm * c;
        }
    }
    const T c = T(1) / l1Norm(zp, n);
    scale(zp, n, c);
    ynorm = ynorm * c;
    return y;
}

// Solves U z = v.
template <class T>
typename ZELBasicLUFactor<T>::Vector& ZELBasicLUFactor<T>::solveUpperWithScaling(Vector& v, T& ynorm) {
    const Index n = static_cast<Index>(dimension_);
    T* zp = &v[0];
    for (Index k = n - 1; k >= 0; --k) {
        const T* u = &lu_(static_cast<std::size_t>(k), 0);
        T s = T(0);
        for (Index j = k + 1; j < n; ++j) s += zp[j] * u[j];
        zp[k] = zp[k] - s;
        const T ukk = absOf(u[k]);
        if (absOf(zp[k]) > ukk) {
            const T c = ukk / absOf(zp[k]);
            scale(zp, n, c);
            ynorm = ynorm * c;
        }
        if (u[k] != T(0))
            zp[k] = zp[k] / u[k];
        else
            zp[k] = T(1);
    }
    const T c = T(1) / l1Norm(zp, n);
    scale(zp, n, c);
    ynorm = ynorm * c;
    return v;
}

// ---- Hager-Higham condition estimate -----------------------------------------------------------

template <class T>
T ZELBasicLUFactor<T>::conditionHigham() {
    if (rcondHigham_ == T(-1)) calculateConditionHigham();
    return rcondHigham_;
}

namespace {

// x = A^-1 x from the factors P*A = L*U.
template <class T>
void solveWithFactors(const ZELBasicMathMatrix<T>& lu, const scl_vector<int>& pivot, T* x, Index n) {
    applyInterchanges(pivot, x, n);
    forwardSubstitute(lu, x, n);
    backSubstitute(lu, x, n);
}

// x = A^-T x: U^T w = x, L^T v = w, then the interchanges in reverse order.
template <class T>
void solveTransposedWithFactors(const ZELBasicMathMatrix<T>& lu, const scl_vector<int>& pivot, T* x, Index n) {
    for (Index i = 0; i < n; ++i) {
        const T* u = &lu(static_cast<std::size_t>(i), 0);
        const T xi = x[i] / u[i];
        x[i] = xi;
        for (Index k = i + 1; k < n; ++k) x[k] -= u[k] * xi;
    }
    for (Index i = n - 1; i > 0; --i) {
        const T* l = &lu(static_cast<std::size_t>(i), 0);
        const T xi = x[i];
        for (Index k = 0; k < i; ++k) x[k] -= l[k] * xi;
    }
    for (Index k = n - 2; k >= 0; --k) {
        const Index p = pivot[static_cast<std::size_t>(k)] - 1;
        if (p != k) ZELBasicLUFactor<T>::interchange(x + k, x + p);
    }
}

template <class T>
Index firstLargest(const T* x, Index n) {
    Index j = 0;
    T best = absOf(x[0]);
    for (Index i = 1; i < n; ++i) {
        if (absOf(x[i]) > best) {
            best = absOf(x[i]);
            j = i;
        }
    }
    return j;
}

}  // namespace

// Estimates |A^-1|_1 by Hager's method with Higham's refinements: at most five iterations of
// x -> A^-1 x, sign vector, A^-T, unit vector at the largest component, stopped when the sign
// vector repeats or the estimate stops growing; then one more solve with the vector of
// alternating signs (1 + i/(n-1)) guards against the cases the iteration misses.
template <class T>
void ZELBasicLUFactor<T>::calculateConditionHigham() {
    const Index n = static_cast<Index>(dimension_);
    if (fail_) {
        rcondHigham_ = T(0);
        return;
    }
    if (good_ && n == 0) {
        rcondHigham_ = T(1);
        return;
    }
    if (norm_ == T(0) || !good_) {
        rcondHigham_ = T(0);
        return;
    }
    constexpr int MaxIterations = 5;
    std::unique_ptr<T[]> xBuffer(new T[static_cast<std::size_t>(n)]);
    std::unique_ptr<signed char[]> signs(new signed char[static_cast<std::size_t>(n)]);
    T* x = xBuffer.get();

    for (Index i = 0; i < n; ++i) x[i] = T(1) / T(static_cast<double>(n));
    solveWithFactors(lu_, pivot_, x, n);
    T estimate;
    if (n == 1) {
        estimate = absOf(x[0]);
    } else {
        estimate = l1Norm(x, n);
        for (Index i = 0; i < n; ++i) {
            signs[static_cast<std::size_t>(i)] = x[i] >= T(0) ? 1 : -1;
            x[i] = T(signs[static_cast<std::size_t>(i)]);
        }
        solveTransposedWithFactors(lu_, pivot_, x, n);
        Index j = firstLargest(x, n);
        for (int iteration = 2;; ++iteration) {
            for (Index i = 0; i < n; ++i) x[i] = T(0);
            x[j] = T(1);
            solveWithFactors(lu_, pivot_, x, n);
            const T previous = estimate;
            estimate = l1Norm(x, n);
            bool sameSigns = true;
            for (Index i = 0; i < n && sameSigns; ++i)
                sameSigns = (x[i] >= T(0) ? 1 : -1) == signs[static_cast<std::size_t>(i)];
            if (sameSigns || estimate <= previous) break;
            for (Index i = 0; i < n; ++i) {
                signs[static_cast<std::size_t>(i)] = x[i] >= T(0) ? 1 : -1;
                x[i] = T(signs[static_cast<std::size_t>(i)]);
            }
            solveTransposedWithFactors(lu_, pivot_, x, n);
            const Index last = j;
            j = firstLargest(x, n);
            if (!(x[last] != absOf(x[j]) && iteration < MaxIterations)) break;
        }
        T alternating = T(1);
        for (Index i = 0; i < n; ++i) {
            x[i] = alternating * (T(1) + T(static_cast<double>(i)) / T(static_cast<double>(n - 1)));
            alternating = -alternating;
        }
        solveWithFactors(lu_, pivot_, x, n);
        const T extra = T(2) * (l1Norm(x, n) / T(static_cast<double>(3 * n)));
        if (extra > estimate) estimate = extra;
    }
    rcondHigham_ = (T(1) / estimate) / norm_;
}

// ---- free functions --------------------------------------------------------------------------

template <class T>
ZELBasicMathVector<T> solve(const ZELBasicLUFactor<T>& f, const ZELBasicMathVector<T>& b) {
    const std::size_t n = b.length();
    if (!solvable(f, n)) return ZELBasicMathVector<T>(n, std::numeric_limits<T>::quiet_NaN());
    ZELBasicMathVector<T> x(b);
    if (n == 0) return x;
    T* xp = &x[0];
    const Index m = static_cast<Index>(n);
    applyInterchanges(f.getPivot(), xp, m);
    forwardSubstitute(f.getLU(), xp, m);
    backSubstitute(f.getLU(), xp, m);
    return x;
}

namespace {

// X with A*X = B for the n x w right-hand side whose element (r, c) is rhs(r, c).
template <class T, class Rhs>
ZELBasicMathMatrix<T> solveColumns(const ZELBasicLUFactor<T>& f, std::size_t w, const Rhs& rhs) {
    const std::size_t n = f.dimension();
    ZELBasicMathMatrix<T> x(n, w, T(0));
    if (n == 0 || w == 0) return x;
    const Index m = static_cast<Index>(n);
    const Index cols = static_cast<Index>(w);
    const ZELBasicMathMatrix<T>& lu = f.getLU();

    ScratchBuffer<Index, 192> indices(n + 2 * w);
    // Row k of the interchanged right-hand side is row source[k] of B.
    Index* source = indices.data();
    Index* order = source + m;
    Index* firstNonZero = order + cols;
    for (Index k = 0; k < m; ++k) source[k] = k;
    applyInterchanges(f.getPivot(), source, m);

    // A column whose leading rows are zero keeps them zero in the forward substitution, and its
    // sums gain nothing from them while the multipliers are finite. Columns are grouped by their
    // first non-zero row so that each block can skip its common zero rows.
    const bool skipZeros = finiteMultipliers(lu, m);
    for (Index c = 0; c < cols; ++c) {
        order[c] = c;
        Index k = 0;
        if (skipZeros)
            while (k < m && rhs(source[k], c) == T(0)) ++k;
        firstNonZero[c] = k;
    }
    std::stable_sort(order, order + cols, [&](Index c1, Index c2) { return firstNonZero[c1] < firstNonZero[c2]; });

    ScratchBuffer<T, 32 * ColumnBlock> packed(n * ColumnBlock);
    T* p = packed.data();
    for (Index c0 = 0; c0 < cols; c0 += ColumnBlock) {
        const Index cw = std::min(ColumnBlock, cols - c0);
        for (Index k = 0; k < m; ++k) {
            T* pk = p + k * ColumnBlock;
            for (Index q = 0; q < ColumnBlock; ++q) pk[q] = q < cw ? rhs(source[k], order[c0 + q]) : T(0);
        }
        const Index start = std::min(firstNonZero[order[c0]], m - 1);
        forwardSubstitutePacked(lu, p, m, start);
        backSubstitutePacked(lu, p, m);
        for (Index k = 0; k < m; ++k) {
            T* row = &x(static_cast<std::size_t>(k), 0);
            const T* pk = p + k * ColumnBlock;
            for (Index q = 0; q < cw; ++q) row[order[c0 + q]] = pk[q];
        }
    }
    return x;
}

}  // namespace

template <class T>
ZELBasicMathMatrix<T> solve(const ZELBasicLUFactor<T>& f, const ZELBasicMathMatrix<T>& b) {
    if (!solvable(f, b.rows())) return ZELBasicMathMatrix<T>(f.dimension(), b.cols(), std::numeric_limits<T>::quiet_NaN());
    return solveColumns(f, b.cols(), [&b](Index r, Index c) {
        return b(static_cast<std::size_t>(r), static_cast<std::size_t>(c));
    });
}

// The stored identity has 1.0 on the diagonal and 0.0 elsewhere; its elements are produced
// directly instead of copying it.
template <class T>
ZELBasicMathMatrix<T> inverse(const ZELBasicLUFactor<T>& f) {
    const std::size_t n = f.dimension();
    if (!f.good()) return ZELBasicMathMatrix<T>(n, n, std::numeric_limits<T>::quiet_NaN());
    return solveColumns(f, n, [](Index r, Index c) { return r == c ? T(1) : T(0); });
}

template <class T>
T determinant(const ZELBasicLUFactor<T>& f) {
    const ZELBasicMathMatrix<T>& lu = f.getLU();
    T det = T(1);
    for (std::size_t i = 0; i < f.dimension(); ++i) det *= lu(i, i);
    const scl_vector<int>& pivot = f.getPivot();
    for (std::size_t k = 0; k < pivot.size(); ++k)
        if (pivot[k] != static_cast<int>(k + 1)) det = -det;
    return det;
}

template <class T>
ZELBasicMathVector<T> solve(const ZELBasicMathMatrix<T>& a, const ZELBasicMathVector<T>& b) {
    const ZELBasicLUFactor<T> f(a, false);
    return solve(f, b);
}

template <class T>
ZELBasicMathMatrix<T> solve(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    const ZELBasicLUFactor<T> f(a, false);
    return solve(f, b);
}

template <class T>
ZELBasicMathMatrix<T> inverse(const ZELBasicMathMatrix<T>& a) {
    const ZELBasicLUFactor<T> f(a, false);
    return inverse(f);
}

template <class T>
T determinant(const ZELBasicMathMatrix<T>& a) {
    const ZELBasicLUFactor<T> f(a, false);
    return determinant(f);
}

template <class T>
ZELBasicMathVector<T>& solveLower(const ZELBasicMathMatrix<T>& m, ZELBasicMathVector<T>& b) {
    const Index n = static_cast<Index>(b.length());
    if (n >= 2) forwardSubstitute(m, &b[0], n);
    return b;
}

template <class T>
ZELBasicMathVector<T> solveUpper(const ZELBasicMathMatrix<T>& m, ZELBasicMathVector<T>& b) {
    const Index n = static_cast<Index>(b.length());
    if (n > 0) backSubstitute(m, &b[0], n);
    return b;
}

template <class T>
bool ZELNearAbs(const ZELBasicLUFactor<T>& a, const ZELBasicLUFactor<T>& b, const T& tol) {
    return ZELNearAbs(a.getLU(), b.getLU(), tol);
}

template <class T>
bool ZELNearRel(const ZELBasicLUFactor<T>& a, const ZELBasicLUFactor<T>& b, const T& tol) {
    return ZELNearRel(a.getLU(), b.getLU(), tol);
}

template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicLUFactor<T>& f) {
    os << "\n The LU matrix is " << f.getLU() << "The pivot vector is [ ";
    for (int p : f.getPivot()) os << p << " ";
    os << "]\n";
    return os;
}

template class ZELBasicLUFactor<double>;
template ZELMATH_EXPORT ZELBasicMathVector<double> solve<double>(const ZELBasicLUFactor<double>&,
                                                                 const ZELBasicMathVector<double>&);
template ZELMATH_EXPORT ZELBasicMathMatrix<double> solve<double>(const ZELBasicLUFactor<double>&,
                                                                 const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT ZELBasicMathMatrix<double> inverse<double>(const ZELBasicLUFactor<double>&);
template ZELMATH_EXPORT double determinant<double>(const ZELBasicLUFactor<double>&);
template ZELMATH_EXPORT ZELBasicMathVector<double> solve<double>(const ZELBasicMathMatrix<double>&,
                                                                 const ZELBasicMathVector<double>&);
template ZELMATH_EXPORT ZELBasicMathMatrix<double> solve<double>(const ZELBasicMathMatrix<double>&,
                                                                 const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT ZELBasicMathMatrix<double> inverse<double>(const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT double determinant<double>(const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT ZELBasicMathVector<double>& solveLower<double>(const ZELBasicMathMatrix<double>&,
                                                                       ZELBasicMathVector<double>&);
template ZELMATH_EXPORT ZELBasicMathVector<double> solveUpper<double>(const ZELBasicMathMatrix<double>&,
                                                                      ZELBasicMathVector<double>&);
template ZELMATH_EXPORT bool ZELNearAbs<double>(const ZELBasicLUFactor<double>&, const ZELBasicLUFactor<double>&,
                                                const double&);
template ZELMATH_EXPORT bool ZELNearRel<double>(const ZELBasicLUFactor<double>&, const ZELBasicLUFactor<double>&,
                                                const double&);
template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicLUFactor<double>&);
