#include "publicinterfaces/ZELMathMatrix.h"

#include <cmath>
#include <iomanip>
#include <new>
#include <ostream>
#include <vector>

// ---- storage ------------------------------------------------------------------------------------

template <class T>
typename ZELBasicMathMatrix<T>::Vector* ZELBasicMathMatrix<T>::makeRows(ZELPoolAllocator* allocator, std::size_t r,
                                                                        std::size_t c) {
    Vector* rows = static_cast<Vector*>(allocator->allocate(r * sizeof(Vector)));
    std::size_t built = 0;
    try {
        for (; built < r; ++built) new (rows + built) Vector(c, T(0));
    } catch (...) {
        destroyRows(allocator, rows, built);
        allocator->deallocate(rows, r * sizeof(Vector));
        throw;
    }
    return rows;
}

template <class T>
void ZELBasicMathMatrix<T>::destroyRows(ZELPoolAllocator*, Vector* rows, std::size_t r) noexcept {
    for (std::size_t i = 0; i < r; ++i) rows[i].~Vector();
}

template <class T>
void ZELBasicMathMatrix<T>::localAllocate(std::size_t r, std::size_t c) {
    _rows = makeRows(_allocator, r, c);
    _rows1 = oneBased(_rows);
    _rowCapacity = r;
}

// ---- construction -------------------------------------------------------------------------------

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix() {
    localAllocate(6, 0);
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(std::size_t r, std::size_t c, UninitializedType) {
    localAllocate(r, c);
    _numRows = r;
    _numCols = c;
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(std::size_t r, std::size_t c, const T& value) {
    localAllocate(r, c);
    _numRows = r;
    _numCols = c;
    for (std::size_t i = 0; i < r; ++i) _rows[i] = value;
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const T* values, std::size_t r, std::size_t c) {
    localAllocate(r, c);
    _numRows = r;
    _numCols = c;
    for (std::size_t i = 0; i < r; ++i) Vector::Assign(_rows[i]._data, c, values + i * c);
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const Vector& v, std::size_t r, std::size_t c)
    : ZELBasicMathMatrix(v.data(), r, c) {}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i) Vector::Assign(_rows[i]._data, c, a._rows[i]._data);
}

namespace {

// Builds every row of `m` (already shaped like `a`) from row i of `a` with `op(x)`.
template <class T, class Op>
void mapRows(ZELBasicMathMatrix<T>& m, const ZELBasicMathMatrix<T>& a, Op op) {
    for (std::size_t i = 0, r = m.rows(), c = m.cols(); i < r; ++i) {
        T* d = m.row(i).data();
        const T* s = a.row(i).data();
        for (std::size_t j = 0; j < c; ++j) d[j] = op(s[j]);
    }
}

// Row i of `m` = row i of `a` op row i of `b`, over row i of `a`.
template <class T, class Op>
void zipRows(ZELBasicMathMatrix<T>& m, const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b, Op op) {
    for (std::size_t i = 0, r = m.rows(), c = m.cols(); i < r; ++i) {
        T* d = m.row(i).data();
        const T* sa = a.row(i).data();
        const T* sb = b.row(i).data();
        for (std::size_t j = 0; j < c; ++j) d[j] = op(sa[j], sb[j]);
    }
}

}  // namespace

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, _ZELSubOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    mapRows(*this, a, [](T x) { return -x; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELAddOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    zipRows(*this, a, b, [](T x, T y) { return x + y; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELSubOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    zipRows(*this, a, b, [](T x, T y) { return x - y; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELMulOp) {
    localAllocate(a.getRowCapacity(), b.cols());
    _numRows = a._numRows;
    _numCols = b._numCols;
    const std::size_t n = a.cols();
    const std::size_t m = cols();
    // Row i of the result accumulates a(i, k) * row k of b for increasing k: every element is the
    // same sum, in the same order, as the dot product of row i of a with column j of b.
    for (std::size_t i = 0, r = rows(); i < r; ++i) {
        T* d = _rows[i]._data;
        const T* ai = a._rows[i]._data;
        for (std::size_t k = 0; k < n; ++k) {
            const T aik = ai[k];
            const T* bk = b._rows[k]._data;
            for (std::size_t j = 0; j < m; ++j) d[j] += aik * bk[j];
        }
    }
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELAddOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return x + v; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELSubOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return x - v; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELMulOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return x * v; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELDivOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return x / v; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELAddOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return v + x; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELSubOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return v - x; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELMulOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return v * x; });
}

template <class T>
ZELBasicMathMatrix<T>::ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELDivOp) {
    localAllocate(a.getRowCapacity(), a.cols());
    _numRows = a._numRows;
    _numCols = a._numCols;
    const T v = s;
    mapRows(*this, a, [v](T x) { return v / x; });
}

template <class T>
ZELBasicMathMatrix<T>::~ZELBasicMathMatrix() {
    destroyRows(_allocator, _rows, getRowCapacity());
    _allocator->deallocate(_rows, getRowCapacity() * sizeof(Vector));
    _rows = nullptr;
    _rows1 = nullptr;
    _numRows = 0;
    _numCols = 0;
    _rowCapacity = 0;
}

// ---- shape ----------------------------------------------------------------------------------------

template <class T>
typename ZELBasicMathMatrix<T>::Vector ZELBasicMathMatrix<T>::col(std::size_t j) const {
    Vector v(rows(), ZELUninitialized);
    for (std::size_t i = 0, r = rows(); i < r; ++i) v._data[i] = _rows[i]._data[j];
    return v;
}

template <class T>
void ZELBasicMathMatrix<T>::reshape(std::size_t r, std::size_t c, bool zeroFill) {
    const std::size_t oldRows = rows();
    if (r > _rowCapacity) {
        // A new row array of zeros; the old rows' leading columns are copied over.
        Vector* fresh = makeRows(_allocator, r, c);
        const std::size_t keep = cols() < c ? cols() : c;
        for (std::size_t i = 0; i < oldRows; ++i) Vector::Assign(fresh[i]._data, keep, _rows[i]._data);
        destroyRows(_allocator, _rows, getRowCapacity());
        _allocator->deallocate(_rows, getRowCapacity() * sizeof(Vector));
        _rows = fresh;
        _rows1 = oneBased(fresh);
        _rowCapacity = r;
    } else {
        // Rows that must grow get their buffers first, so that a failure changes nothing.
        std::size_t growing = 0;
        for (std::size_t i = 0; i < r; ++i)
            if (_rows[i]._capacity < c) ++growing;
        std::vector<T*> buffers;
        if (growing) {
            buffers.reserve(growing);
            try {
                for (std::size_t k = 0; k < growing; ++k) buffers.push_back(_rows[0].newBuffer(c));
            } catch (...) {
                for (T* p : buffers) _allocator->deallocate(p, c * sizeof(T));
                throw;
            }
        }
        std::size_t next = 0;
        for (std::size_t i = 0; i < r; ++i) {
            Vector& row = _rows[i];
            row.reallocateWith(c, zeroFill, row._capacity < c ? buffers[next++] : nullptr);
        }
    }
    if (zeroFill)
        for (std::size_t i = oldRows; i < r; ++i) Vector::Assign(_rows[i]._data, c, T(0));
    _numRows = r;
    _numCols = c;
}

// ---- assignment and in-place arithmetic -------------------------------------------------------

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator=(const T& s) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] = s;
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator=(const ZELBasicMathMatrix& b) {
    if (this == &b) return *this;
    reshape(b.rows(), b.cols(), false);
    for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i) Vector::Assign(_rows[i]._data, c, b._rows[i]._data);
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator+=(const T& s) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] += s;
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator-=(const T& s) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] -= s;
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator*=(const T& s) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] *= s;
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator/=(const T& s) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] /= s;
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator+=(const ZELBasicMathMatrix& b) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] += b._rows[i];
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator-=(const ZELBasicMathMatrix& b) {
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] -= b._rows[i];
    return *this;
}

template <class T>
ZELBasicMathMatrix<T>& ZELBasicMathMatrix<T>::operator*=(const ZELBasicMathMatrix& b) {
    if (b.cols() > cols()) resize(rows(), b.cols());
    for (std::size_t i = 0, r = rows(); i < r; ++i) _rows[i] *= b._rows[i];
    return *this;
}

// ---- free functions -----------------------------------------------------------------------------

template <class T>
ZELBasicMathMatrix<T> elementProduct(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    ZELBasicMathMatrix<T> m(a.rows(), a.cols(), ZELUninitialized);
    zipRows(m, a, b, [](T x, T y) { return x * y; });
    return m;
}

template <class T>
ZELBasicMathVector<T> operator*(const ZELBasicMathMatrix<T>& a, const ZELBasicMathVector<T>& v) {
    ZELBasicMathVector<T> out(a.rows(), ZELUninitialized);
    for (std::size_t i = 0, r = a.rows(); i < r; ++i) out[i] = ZELDot(a.row(i), v);
    return out;
}

template <class T>
ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& v, const ZELBasicMathMatrix<T>& a) {
    const std::size_t c = a.cols();
    ZELBasicMathVector<T> out(c, T(0));
    T* d = out.data();
    // Column sums accumulated row by row: each element is summed in increasing i from 0.
    for (std::size_t i = 0, n = v.length(); i < n; ++i) {
        const T vi = v[i];
        const T* ai = a.row(i).data();
        for (std::size_t j = 0; j < c; ++j) d[j] += vi * ai[j];
    }
    return out;
}

template <class T>
ZELBasicMathMatrix<T> transpose(const ZELBasicMathMatrix<T>& a) {
    const std::size_t r = a.rows();
    const std::size_t c = a.cols();
    ZELBasicMathMatrix<T> t(c, r, ZELUninitialized);
    for (std::size_t i = 0; i < r; ++i) {
        const T* ai = a.row(i).data();
        for (std::size_t j = 0; j < c; ++j) t(j, i) = ai[j];
    }
    return t;
}

template <class T>
bool operator==(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (std::size_t i = 0, r = a.rows(); i < r; ++i)
        if (!(a.row(i) == b.row(i))) return false;
    return true;
}

template <class T>
bool operator<(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (std::size_t i = 0, r = a.rows(); i < r; ++i)
        if (a.row(i) > b.row(i)) return false;
    return true;
}

template <class T>
T ZELL1Norm(const ZELBasicMathMatrix<T>& a) {
    T m = T(0);
    for (std::size_t j = 0, c = a.cols(); j < c; ++j) {
        T sum = T(0);
        for (std::size_t i = 0, r = a.rows(); i < r; ++i) sum += std::fabs(a(i, j));
        if (sum > m) m = sum;
    }
    return m;
}

template <class T>
T ZELLinfNorm(const ZELBasicMathMatrix<T>& a) {
    T m = T(0);
    for (std::size_t i = 0, r = a.rows(); i < r; ++i) {
        const T x = ZELLinfNorm(a.row(i));
        if (x > m) m = x;
    }
    return m;
}

template <class T>
bool ZELNearAbs(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b, const T& tol) {
    if (tol <= T(0)) return a == b;
    return ZELLinfNorm(a - b) <= tol;
}

template <class T>
bool ZELNearRel(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b, const T& tol) {
    if (tol <= T(0)) return a == b;
    const T na = ZELLinfNorm(a);
    const T nb = ZELLinfNorm(b);
    return ZELLinfNorm(a - b) <= tol * (nb > na ? nb : na);
}

template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicMathMatrix<T>& a) {
    os << static_cast<int>(a.rows()) << "X" << static_cast<int>(a.cols()) << ":" << "\n[\n";
    for (std::size_t i = 0, r = a.rows(); i < r; ++i) {
        const T* ai = a.row(i).data();
        for (std::size_t j = 0, c = a.cols(); j < c; ++j) os << std::setw(14) << ai[j] << " ";
        os << "\n";
    }
    os << "]\n";
    return os;
}

template class ZELBasicMathMatrix<double>;
template ZELMATH_EXPORT ZELBasicMathMatrix<double> elementProduct<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT ZELBasicMathVector<double> operator*<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathVector<double>&);
template ZELMATH_EXPORT ZELBasicMathVector<double> operator*<double>(const ZELBasicMathVector<double>&, const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT ZELBasicMathMatrix<double> transpose<double>(const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT bool operator==<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT bool operator< <double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT double ZELL1Norm<double>(const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT double ZELLinfNorm<double>(const ZELBasicMathMatrix<double>&);
template ZELMATH_EXPORT bool ZELNearAbs<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&, const double&);
template ZELMATH_EXPORT bool ZELNearRel<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&, const double&);
template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicMathMatrix<double>&);
