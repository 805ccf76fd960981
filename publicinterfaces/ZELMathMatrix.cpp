#include "publicinterfaces/ZELMathMatrix.h"

#include "foundation/internal/ZELSimdPair.h"

#include <cmath>
#include <iomanip>
#include <new>
#include <ostream>
#include <vector>

// ---- storage ------------------------------------------------------------------------------------

// ---- construction -------------------------------------------------------------------------------

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix() {
    localAllocate(6, 0);
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(std::size_t r, std::size_t c, UninitializedType) {
    localAllocate(r, c);
    numRows_ = r;
    numCols_ = c;
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(std::size_t r, std::size_t c, const T& value) {
    localAllocate(r, c, r);
    numRows_ = r;
    numCols_ = c;
    *this = value;
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const T* values, std::size_t r, std::size_t c) {
    localAllocate(r, c, r);
    numRows_ = r;
    numCols_ = c;
    for (std::size_t i = 0; i < r; ++i) Vector::Assign(rows_[i].data_, c, values + i * c);
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const Vector& v, std::size_t r, std::size_t c)
    : ZELBasicMathMatrix(v.data(), r, c) {}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a) {
    allocateLike(a);
    for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i)
        Vector::Assign(rows_[i].data_, c, a.rows_[i].data_);
}

namespace {

// ---- product kernels ----------------------------------------------------------------------------
//
// Every element of a product is a sum accumulated from 0 in increasing index order, exactly as
// the dot product of a row with a column. The kernels keep that order per element and differ
// from the plain loops only in how many independent sums they carry at once; nothing is
// reassociated and, with contraction off, nothing is fused, so the results are bit-identical.
// The library instantiates double only, so the kernels are written for double.

using zel_internal::loadPair;
using zel_internal::Pair;
using zel_internal::splatPair;
using zel_internal::storePair;

// c = a * b with c shaped (a.rows() x b.cols()); a.cols() terms per element.
// 4 x 4 tiles of the result, each element in its own running sum, for increasing k. Column
// strips are the outer loop so that the strip of b (k rows x 4 columns) stays in the cache while
// the tiles of every row block use it.
void multiplyInto(ZELMathMatrix& c, const ZELMathMatrix& a, const ZELMathMatrix& b) {
    const std::size_t n = a.cols();
    const std::size_t rows = c.rows();
    const std::size_t cols = c.cols();
    const ZELMathVector* brow = n ? &b.row(0) : nullptr;
    std::size_t j = 0;
    for (; j + 4 <= cols; j += 4) {
        std::size_t i = 0;
        for (; i + 4 <= rows; i += 4) {
            const double* a0 = a.row(i).data();
            const double* a1 = a.row(i + 1).data();
            const double* a2 = a.row(i + 2).data();
            const double* a3 = a.row(i + 3).data();
            Pair c00 = splatPair(0.0), c01 = c00, c10 = c00, c11 = c00, c20 = c00, c21 = c00,
                 c30 = c00, c31 = c00;
            for (std::size_t k = 0; k < n; ++k) {
                const double* bk = brow[k].data() + j;
                const Pair b0 = loadPair(bk);
                const Pair b1 = loadPair(bk + 2);
                const Pair x0 = splatPair(a0[k]);
                c00 += x0 * b0;
                c01 += x0 * b1;
                const Pair x1 = splatPair(a1[k]);
                c10 += x1 * b0;
                c11 += x1 * b1;
                const Pair x2 = splatPair(a2[k]);
                c20 += x2 * b0;
                c21 += x2 * b1;
                const Pair x3 = splatPair(a3[k]);
                c30 += x3 * b0;
                c31 += x3 * b1;
            }
            double* d0 = c.row(i).data() + j;
            double* d1 = c.row(i + 1).data() + j;
            double* d2 = c.row(i + 2).data() + j;
            double* d3 = c.row(i + 3).data() + j;
            storePair(d0, c00);
            storePair(d0 + 2, c01);
            storePair(d1, c10);
            storePair(d1 + 2, c11);
            storePair(d2, c20);
            storePair(d2 + 2, c21);
            storePair(d3, c30);
            storePair(d3 + 2, c31);
        }
        for (; i < rows; ++i) {
            const double* ai = a.row(i).data();
            Pair c0 = splatPair(0.0), c1 = c0;
            for (std::size_t k = 0; k < n; ++k) {
                const double* bk = brow[k].data() + j;
                const Pair x = splatPair(ai[k]);
                c0 += x * loadPair(bk);
                c1 += x * loadPair(bk + 2);
            }
            double* d = c.row(i).data() + j;
            storePair(d, c0);
            storePair(d + 2, c1);
        }
    }
    // The last zero to three columns.
    for (; j < cols; ++j) {
        for (std::size_t i = 0; i < rows; ++i) {
            const double* ai = a.row(i).data();
            double sum = 0.0;
            for (std::size_t k = 0; k < n; ++k) sum += ai[k] * brow[k].data()[j];
            c.row(i).data()[j] = sum;
        }
    }
}

// Eight rows at once, two to a pair of lanes: eight independent sums in increasing j. The
// products of two consecutive columns are formed lane-wise from contiguous loads and then added
// column j first, column j + 1 second.
void timesVector(double* out, const ZELMathMatrix& a, const double* v) {
    const std::size_t rows = a.rows();
    const std::size_t n = a.cols();
    const std::size_t even = n & ~std::size_t(1);
    std::size_t i = 0;
    for (; i + 8 <= rows; i += 8) {
        const double* a0 = a.row(i).data();
        const double* a1 = a.row(i + 1).data();
        const double* a2 = a.row(i + 2).data();
        const double* a3 = a.row(i + 3).data();
        const double* a4 = a.row(i + 4).data();
        const double* a5 = a.row(i + 5).data();
        const double* a6 = a.row(i + 6).data();
        const double* a7 = a.row(i + 7).data();
        Pair s01 = splatPair(0.0), s23 = s01, s45 = s01, s67 = s01;
        for (std::size_t j = 0; j < even; j += 2) {
            const Pair x = loadPair(v + j);
            const Pair m0 = loadPair(a0 + j) * x, m1 = loadPair(a1 + j) * x;
            const Pair m2 = loadPair(a2 + j) * x, m3 = loadPair(a3 + j) * x;
            const Pair m4 = loadPair(a4 + j) * x, m5 = loadPair(a5 + j) * x;
            const Pair m6 = loadPair(a6 + j) * x, m7 = loadPair(a7 + j) * x;
            s01 += Pair{m0[0], m1[0]};
            s23 += Pair{m2[0], m3[0]};
            s45 += Pair{m4[0], m5[0]};
            s67 += Pair{m6[0], m7[0]};
            s01 += Pair{m0[1], m1[1]};
            s23 += Pair{m2[1], m3[1]};
            s45 += Pair{m4[1], m5[1]};
            s67 += Pair{m6[1], m7[1]};
        }
        if (even < n) {
            const Pair x = splatPair(v[even]);
            s01 += Pair{a0[even], a1[even]} * x;
            s23 += Pair{a2[even], a3[even]} * x;
            s45 += Pair{a4[even], a5[even]} * x;
            s67 += Pair{a6[even], a7[even]} * x;
        }
        storePair(out + i, s01);
        storePair(out + i + 2, s23);
        storePair(out + i + 4, s45);
        storePair(out + i + 6, s67);
    }
    for (; i + 2 <= rows; i += 2) {
        const double* a0 = a.row(i).data();
        const double* a1 = a.row(i + 1).data();
        Pair s = splatPair(0.0);
        for (std::size_t j = 0; j < n; ++j) s += Pair{a0[j], a1[j]} * splatPair(v[j]);
        storePair(out + i, s);
    }
    if (i < rows) {
        const double* ai = a.row(i).data();
        double sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) sum += ai[j] * v[j];
        out[i] = sum;
    }
}

// out[j] (zeroed by the caller) accumulates v[i] * a(i, j) for increasing i below n.
// Four rows per pass over the result, added one after the other in increasing i.
void vectorTimes(double* out, const double* v, std::size_t n, const ZELMathMatrix& a) {
    const std::size_t c = a.cols();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const double* a0 = a.row(i).data();
        const double* a1 = a.row(i + 1).data();
        const double* a2 = a.row(i + 2).data();
        const double* a3 = a.row(i + 3).data();
        const Pair v0 = splatPair(v[i]), v1 = splatPair(v[i + 1]), v2 = splatPair(v[i + 2]),
                   v3 = splatPair(v[i + 3]);
        std::size_t j = 0;
        for (; j + 2 <= c; j += 2) {
            Pair s = loadPair(out + j);
            s += v0 * loadPair(a0 + j);
            s += v1 * loadPair(a1 + j);
            s += v2 * loadPair(a2 + j);
            s += v3 * loadPair(a3 + j);
            storePair(out + j, s);
        }
        if (j < c)
            out[j] = (((out[j] + v[i] * a0[j]) + v[i + 1] * a1[j]) + v[i + 2] * a2[j]) +
                v[i + 3] * a3[j];
    }
    for (; i < n; ++i) {
        const double vi = v[i];
        const double* ai = a.row(i).data();
        for (std::size_t j = 0; j < c; ++j) out[j] += vi * ai[j];
    }
}

}  // namespace

template <class T>
void ZELBasicMathMatrix<T>::MultiplyInto(ZELBasicMathMatrix& c, const ZELBasicMathMatrix& a,
                                         const ZELBasicMathMatrix& b) {
    multiplyInto(c, a, b);
}

template <class T>
void ZELBasicMathMatrix<T>::TimesVectorInto(T* out, const ZELBasicMathMatrix& a, const T* v) {
    timesVector(out, a, v);
}

// ---- shape and assignment -------------------------------------------------------------------------

template <class T>
void ZELBasicMathMatrix<T>::reshape(std::size_t r, std::size_t c, bool zeroFill) {
    const std::size_t oldRows = rows();
    if (r > rowCapacity_) {
        // A new row array of zeros; the old rows' leading columns are copied over.
        Vector* fresh = makeRows(allocator_, r, c);
        const std::size_t keep = cols() < c ? cols() : c;
        for (std::size_t i = 0; i < oldRows; ++i)
            Vector::Assign(fresh[i].data_, keep, rows_[i].data_);
        releaseRows();
        rows_ = fresh;
        rows1_ = oneBased(fresh);
        rowCapacity_ = r;
    } else {
        // Rows that must grow get their buffers first, so that a failure changes nothing.
        std::size_t growing = 0;
        for (std::size_t i = 0; i < r; ++i)
            if (rows_[i].capacity_ < c) ++growing;
        std::vector<T*> buffers;
        if (growing) {
            buffers.reserve(growing);
            try {
                for (std::size_t k = 0; k < growing; ++k) buffers.push_back(rows_[0].newBuffer(c));
            } catch (...) {
                for (T* p : buffers) allocator_->deallocate(p, c * sizeof(T));
                throw;
            }
        }
        std::size_t next = 0;
        for (std::size_t i = 0; i < r; ++i) {
            Vector& row = rows_[i];
            row.reallocateWith(c, zeroFill, row.capacity_ < c ? buffers[next++] : nullptr);
        }
    }
    if (zeroFill)
        for (std::size_t i = oldRows; i < r; ++i) Vector::Assign(rows_[i].data_, c, T(0));
    numRows_ = r;
    numCols_ = c;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator=(const ZELBasicMathMatrix& b) {
    if (this == &b) return *this;
    reshape(b.rows(), b.cols(), false);
    for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i)
        Vector::Assign(rows_[i].data_, c, b.rows_[i].data_);
    return *this;
}

// ---- the work behind the free functions --------------------------------------------------------

template <class T>
ZELBasicMathVector<T> zel_internal::MathMatrixOps<T>::vectorTimes(const Vector& v,
                                                                  const Matrix& a) {
    Vector out(a.cols(), T(0));
    ::vectorTimes(out.data(), v.data(), v.length(), a);
    return out;
}

template <class T>
ZELBasicMathMatrix<T> zel_internal::MathMatrixOps<T>::transpose(const Matrix& a) {
    const std::size_t r = a.rows();
    const std::size_t c = a.cols();
    Matrix t(c, r, ZELUninitialized);
    for (std::size_t i = 0; i < r; ++i) {
        const T* ai = a.row(i).data();
        for (std::size_t j = 0; j < c; ++j) t.row(j).data()[i] = ai[j];
    }
    return t;
}

template <class T>
T zel_internal::MathMatrixOps<T>::l1Norm(const Matrix& a) {
    T m = T(0);
    for (std::size_t j = 0, c = a.cols(); j < c; ++j) {
        T sum = T(0);
        for (std::size_t i = 0, r = a.rows(); i < r; ++i) sum += std::fabs(a.row(i).data()[j]);
        if (sum > m) m = sum;
    }
    return m;
}

template <class T>
std::ostream& zel_internal::MathMatrixOps<T>::print(std::ostream& os, const Matrix& a) {
    os << static_cast<int>(a.rows()) << "X" << static_cast<int>(a.cols()) << ":"
       << "\n[\n";
    for (std::size_t i = 0, r = a.rows(); i < r; ++i) {
        const T* ai = a.row(i).data();
        for (std::size_t j = 0, c = a.cols(); j < c; ++j) os << std::setw(14) << ai[j] << " ";
        os << "\n";
    }
    os << "]\n";
    return os;
}

// Compiles every member defined out of line (and the internal functions the free functions
// forward to) into the library; members defined in the header are inline and instantiated by
// each user.
template class ZELBasicMathMatrix<double>;
template struct zel_internal::MathMatrixOps<double>;
