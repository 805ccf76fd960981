/// \class ZELBasicMathMatrix
/// ZELBasicMathMatrix: a dense matrix of run-time size, stored as an array of row vectors.
///
/// Row i is a `ZELBasicMathVector<T>` with its own buffer; element (i, j) is element j of row i.
/// The row array comes from `ZELPoolAllocator::Global()` and holds `getRowCapacity()` constructed
/// row vectors, of which the first `rows()` are in use (each of `cols()` elements):
///   - the (r, c, ...) constructors make exactly r rows (the default constructor 6 spare rows of
///     length 0), a copy keeps the source's row capacity, and every spare row is built as a
///     vector of `cols()` zeros;
///   - the row array only grows, and spare rows keep their contents for reuse, so a `reshape`
///     without zero fill shows rows and columns that come back within the old capacity as they
///     last were. Rows and columns that never existed are 0.
///
/// Nothing checks an index or a shape. Element-wise operations walk the rows of the left operand;
/// a matrix partner must be at least as large.
///
/// The product, the matrix-vector products, `col`, `ZELL1Norm` and `transpose` give results
/// identical to the column-by-column definitions (each result element is summed from 0 in
/// increasing index order), without building the temporary columns.
///
/// Allocation failures propagate what the pool throws (`std::bad_alloc`) and leave the matrix as it
/// was before the call (constructors release what they had taken). References to rows stay valid
/// until the matrix grows its row array, is assigned a larger shape, or is destroyed.
///
/// Copies always have the row capacity the rules above give them. Moves (constructor and
/// assignment, both noexcept) take over the source's row array instead, so the target has the
/// source's shape and row capacity; the moved-from matrix is 0 x 0 with no row array (row
/// capacity 0). It may be destroyed, assigned to, resized or reshaped.
#ifndef ZELMATH_PUBLICINTERFACES_ZELMATHMATRIX_H
#define ZELMATH_PUBLICINTERFACES_ZELMATHMATRIX_H

/// \addtogroup linalg
/// @{

#include "ZELMathExport.h"
#include "foundation/ZELPoolAllocator.h"
#include "publicinterfaces/ZELMathVector.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>

template <class T>
class ZELMATH_EXPORT ZELBasicMathMatrix {
public:
    using value_type = T;
    using Vector = ZELBasicMathVector<T>;

    /// \name Construction
    /// @{

    ZELBasicMathMatrix();
    /// All elements 0 (the tag only selects the shape constructor).
    ZELBasicMathMatrix(std::size_t r, std::size_t c, UninitializedType);
    ZELBasicMathMatrix(std::size_t r, std::size_t c, const T& value);
    /// Row-major: (i, j) = values[i * c + j].
    ZELBasicMathMatrix(const T* values, std::size_t r, std::size_t c);
    /// (i, j) = v[i * c + j]; v must hold at least r * c elements.
    ZELBasicMathMatrix(const Vector& v, std::size_t r, std::size_t c);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a);

    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, _ZELSubOp);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELAddOp);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELSubOp);
    /// The matrix product: a's rows x b's columns, (i, j) = sum over k below a's columns of
    /// a(i, k) * b(k, j), accumulated from 0 in increasing k.
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELMulOp);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELAddOp);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELSubOp);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELMulOp);
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, _ZELDivOp);
    ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELAddOp);
    ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELSubOp);
    ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELMulOp);
    ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, _ZELDivOp);

    /// Takes over a's row array (shape and row capacity); a is left 0 x 0 with no row array.
    ZELBasicMathMatrix(ZELBasicMathMatrix&& a) noexcept
        : _rows(a._rows), _rows1(a._rows1), _numRows(a._numRows), _numCols(a._numCols),
          _rowCapacity(a._rowCapacity), _allocator(a._allocator) {
        a.forgetRows();
    }

    ~ZELBasicMathMatrix();

    /// @}
    /// \name Shape and access (unchecked)
    /// @{

    std::size_t rows() const noexcept { return static_cast<std::size_t>(_numRows); }
    std::size_t numRows() const noexcept { return static_cast<std::size_t>(_numRows); }
    std::size_t cols() const noexcept { return static_cast<std::size_t>(_numCols); }
    std::size_t numColumns() const noexcept { return static_cast<std::size_t>(_numCols); }
    std::size_t getRowCapacity() const noexcept { return static_cast<std::size_t>(_rowCapacity); }

    Vector& operator[](std::size_t i) noexcept { return _rows[i]; }
    const Vector& operator[](std::size_t i) const noexcept { return _rows[i]; }
    Vector& row(std::size_t i) noexcept { return _rows[i]; }
    const Vector& row(std::size_t i) const noexcept { return _rows[i]; }
    /// A new vector holding column j.
    Vector col(std::size_t j) const;

    T& operator()(std::size_t i, std::size_t j) noexcept { return _rows[i][j]; }
    const T& operator()(std::size_t i, std::size_t j) const noexcept { return _rows[i][j]; }
    T& fromOne(std::size_t i, std::size_t j) noexcept { return _rows[i - 1][j - 1]; }
    const T& fromOne(std::size_t i, std::size_t j) const noexcept { return _rows[i - 1][j - 1]; }

    /// Sets the shape to r x c. Elements inside both the old and the new shape keep their values.
    /// With zeroFill every other element is 0; without it, rows and columns that come back within
    /// the old capacities show what they last held, and anything new is 0.
    void reshape(std::size_t r, std::size_t c, bool zeroFill);
    void resize(std::size_t r, std::size_t c) { reshape(r, c, true); }

    /// @}
    /// \name Assignment and in-place arithmetic
    /// @{

    ZELBasicMathMatrix& operator=(const T& s);
    /// Reshapes to b's shape (no zero fill) and copies every element.
    ZELBasicMathMatrix& operator=(const ZELBasicMathMatrix& b);

    /// Releases this matrix's rows and takes over a's row array (shape and row capacity); a is
    /// left 0 x 0 with no row array. Self-move leaves the matrix unchanged.
    ZELBasicMathMatrix& operator=(ZELBasicMathMatrix&& a) noexcept {
        if (this == &a) return *this;
        releaseRows();
        _rows = a._rows;
        _rows1 = a._rows1;
        _numRows = a._numRows;
        _numCols = a._numCols;
        _rowCapacity = a._rowCapacity;
        _allocator = a._allocator;
        a.forgetRows();
        return *this;
    }

    ZELBasicMathMatrix& operator+=(const T& s);
    ZELBasicMathMatrix& operator-=(const T& s);
    ZELBasicMathMatrix& operator*=(const T& s);
    ZELBasicMathMatrix& operator/=(const T& s);
    ZELBasicMathMatrix& operator+=(const ZELBasicMathMatrix& b);
    ZELBasicMathMatrix& operator-=(const ZELBasicMathMatrix& b);
    /// Element-wise product. When b has more columns, this matrix is first resized to
    /// (rows(), b.cols()) with zero fill.
    ZELBasicMathMatrix& operator*=(const ZELBasicMathMatrix& b);

    ZELBasicMathMatrix& operator++() { return *this += T(1); }
    ZELBasicMathMatrix& operator--() { return *this -= T(1); }
    void operator++(int) { *this += T(1); }
    void operator--(int) { *this -= T(1); }

    /// @}
private:
    /// A row array of r rows of c elements, all 0 except the first `written` rows, whose elements
    /// the caller is about to overwrite; on failure nothing is left allocated.
    static Vector* makeRows(ZELPoolAllocator* allocator, std::size_t r, std::size_t c, std::size_t written = 0);
    static void destroyRows(ZELPoolAllocator* allocator, Vector* rows, std::size_t r) noexcept;
    static Vector* oneBased(Vector* p) noexcept {
        return p ? reinterpret_cast<Vector*>(reinterpret_cast<std::uintptr_t>(p) - sizeof(Vector)) : nullptr;
    }
    /// Takes and constructs a row array of r rows of c zeros (but see `written` of makeRows); sets
    /// the row pointers and the row capacity, not the counts.
    void localAllocate(std::size_t r, std::size_t c, std::size_t written = 0);
    void allocateLike(const ZELBasicMathMatrix& a);
    /// Destroys every row object and returns the row array (the destructor's work).
    void releaseRows() noexcept {
        destroyRows(_allocator, _rows, getRowCapacity());
        _allocator->deallocate(_rows, getRowCapacity() * sizeof(Vector));
    }
    /// 0 x 0 with no row array, without releasing the old one.
    void forgetRows() noexcept {
        _rows = nullptr;
        _rows1 = nullptr;
        _numRows = 0;
        _numCols = 0;
        _rowCapacity = 0;
    }

    Vector* _rows = nullptr;
    Vector* _rows1 = nullptr;
    std::uint64_t _numRows = 0;
    std::uint64_t _numCols = 0;
    std::uint64_t _rowCapacity = 0;
    ZELPoolAllocator* _allocator = ZELPoolAllocator::Global();
};

// ---- free operators ---------------------------------------------------------------------------
template <class T>
inline ZELBasicMathMatrix<T> operator-(const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator+(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    return ZELBasicMathMatrix<T>(a, b, _ZELAddOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator-(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    return ZELBasicMathMatrix<T>(a, b, _ZELSubOp());
}
/// Matrix product; a's columns must not exceed b's rows.
template <class T>
inline ZELBasicMathMatrix<T> operator*(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    return ZELBasicMathMatrix<T>(a, b, _ZELMulOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator+(const ZELBasicMathMatrix<T>& a, const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELAddOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator+(const typename ZELBasicMathMatrix<T>::value_type& s, const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELAddOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator-(const ZELBasicMathMatrix<T>& a, const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELSubOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator-(const typename ZELBasicMathMatrix<T>::value_type& s, const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator*(const ZELBasicMathMatrix<T>& a, const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELMulOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator*(const typename ZELBasicMathMatrix<T>::value_type& s, const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELMulOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator/(const ZELBasicMathMatrix<T>& a, const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELDivOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator/(const typename ZELBasicMathMatrix<T>::value_type& s, const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELDivOp());
}

/// Element-wise product, a's shape, row capacity a.rows().
template <class T>
ZELBasicMathMatrix<T> elementProduct(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b);

/// a.rows() elements: element i = ZELDot(row i of a, v); v needs at least a.cols() elements.
template <class T>
ZELBasicMathVector<T> operator*(const ZELBasicMathMatrix<T>& a, const ZELBasicMathVector<T>& v);
/// a.cols() elements: element j = sum over i below v.length() of v[i] * a(i, j), from 0 in
/// increasing i.
template <class T>
ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& v, const ZELBasicMathMatrix<T>& a);

/// a.cols() x a.rows(), row capacity a.cols().
template <class T>
ZELBasicMathMatrix<T> transpose(const ZELBasicMathMatrix<T>& a);

// ---- comparisons ------------------------------------------------------------------------------
/// Same shape and every row == (a NaN element makes matrices unequal).
template <class T>
bool operator==(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b);
/// Same shape, and for no row i is row i of a > row i of b (as vectors: every element strictly
/// greater or unordered). So a < b when every row of a has some element not above its partner.
template <class T>
bool operator<(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b);

// ---- norms and near-comparisons ---------------------------------------------------------------
/// Largest column sum of absolute values; 0 without columns.
template <class T>
T ZELL1Norm(const ZELBasicMathMatrix<T>& a);
/// Largest absolute value of any element (not the largest row sum); 0 without rows.
template <class T>
T ZELLinfNorm(const ZELBasicMathMatrix<T>& a);
/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol (shapes not compared).
template <class T>
bool ZELNearAbs(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b, const typename ZELBasicMathMatrix<T>::value_type& tol);
/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol * max(ZELLinfNorm(a), ZELLinfNorm(b)).
template <class T>
bool ZELNearRel(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b, const typename ZELBasicMathMatrix<T>::value_type& tol);

/// Writes "<rows>X<cols>:\n[\n", each row as its elements in fields of width 14 each followed by
/// " " and ended by "\n", then "]\n". Numbers use the stream's fill and floating-point flags.
template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicMathMatrix<T>& a);

/// \cond
extern template class ZELBasicMathMatrix<double>;
extern template ZELMATH_EXPORT ZELBasicMathMatrix<double> elementProduct<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT ZELBasicMathVector<double> operator*<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathVector<double>&);
extern template ZELMATH_EXPORT ZELBasicMathVector<double> operator*<double>(const ZELBasicMathVector<double>&, const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT ZELBasicMathMatrix<double> transpose<double>(const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT bool operator==<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT bool operator< <double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT double ZELL1Norm<double>(const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT double ZELLinfNorm<double>(const ZELBasicMathMatrix<double>&);
extern template ZELMATH_EXPORT bool ZELNearAbs<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&, const double&);
extern template ZELMATH_EXPORT bool ZELNearRel<double>(const ZELBasicMathMatrix<double>&, const ZELBasicMathMatrix<double>&, const double&);
extern template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicMathMatrix<double>&);
/// \endcond

using ZELMathMatrix = ZELBasicMathMatrix<double>;

/// @}

#endif
