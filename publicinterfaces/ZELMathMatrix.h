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
/// Checked mode (a build without NDEBUG, or ZELMATH_CHECKED defined; see
/// foundation/internal/ZELSizeCheck.h): a partner smaller than the left operand in either
/// dimension (+, -, elementProduct, +=, -=, *=), a product whose inner dimensions do not fit
/// (a's columns above b's rows, a vector shorter than a's columns in a * v, longer than a's rows
/// in v * a) are reported ("Size mismatch") before any element is touched; the operation then
/// returns a result of the usual shape filled with NaN, or leaves an in-place target unchanged.
/// Element access stays unchecked in every mode.
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

#include "foundation/internal/ZELNearRules.h"
#include "publicinterfaces/internal/ZELMathMatrixOps.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <new>
#include <type_traits>

template <class T>
class ZELMATH_EXPORT ZELBasicMathMatrix {
    template <class Op>
    using IfOp = typename std::enable_if<ZELIsElementOp<Op>::value, int>::type;

public:
    using value_type = T;
    using Vector = ZELBasicMathVector<T>;

    /// \name Construction
    /// @{

    /// 0 x 0 with six spare rows of length 0.
    ZELBasicMathMatrix();
    /// r x c, row capacity r, all elements 0 (the tag only selects the shape constructor).
    ZELBasicMathMatrix(std::size_t r, std::size_t c, UninitializedType);
    /// r x c, row capacity r, every element = value.
    ZELBasicMathMatrix(std::size_t r, std::size_t c, const T& value);
    /// r x c, row capacity r, row-major: (i, j) = values[i * c + j].
    ZELBasicMathMatrix(const T* values, std::size_t r, std::size_t c);
    /// r x c, row capacity r, (i, j) = v[i * c + j]; v must hold at least r * c elements.
    ZELBasicMathMatrix(const Vector& v, std::size_t r, std::size_t c);
    /// A deep copy with the source's shape and row capacity.
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a);
    /// Takes over a's row array (shape and row capacity); a is left 0 x 0 with no row array.
    ZELBasicMathMatrix(ZELBasicMathMatrix&& a) noexcept { takeRows(a); }

    /// -a(i, j); a's shape and row capacity.
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, _ZELSubOp) {
        allocateLike(a);
        forEachRow(a, [](const T* x) { return [x](std::size_t j) { return -x[j]; }; });
    }
    /// a(i, j) op b(i, j) for the element-wise tags, a's shape and row capacity. Between two
    /// matrices `_ZELMulOp` names the matrix product (the next constructor, chosen over this
    /// template); the element-wise product is `elementProduct`.
    template <class Op, IfOp<Op> = 0>
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, Op)
        : ZELBasicMathMatrix(a, b, Op(), a.getRowCapacity()) {}
    /// The matrix product: a's rows x b's columns, a's row capacity, (i, j) = sum over k below
    /// a's columns of a(i, k) * b(k, j), accumulated from 0 in increasing k.
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, _ZELMulOp) {
        localAllocate(a.getRowCapacity(), b.cols(), a.rows());
        numRows_ = a.numRows_;
        numCols_ = b.numCols_;
        MultiplyInto(*this, a, b);
    }
    /// a(i, j) op s; a's shape and row capacity.
    template <class Op, IfOp<Op> = 0>
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const T& s, Op) {
        allocateLike(a);
        forEachRow(a, [v = s](const T* x) {
            return [x, v](std::size_t j) { return Op::apply(x[j], v); };
        });
    }
    /// s op a(i, j); a's shape and row capacity.
    template <class Op, IfOp<Op> = 0>
    ZELBasicMathMatrix(const T& s, const ZELBasicMathMatrix& a, Op) {
        allocateLike(a);
        forEachRow(a, [v = s](const T* x) {
            return [x, v](std::size_t j) { return Op::apply(v, x[j]); };
        });
    }

    /// Destroys every row object and returns the row array (nothing for a moved-from matrix: the
    /// test is inline, so the temporary of `c = a * b` costs nothing once moved from).
    ~ZELBasicMathMatrix() {
        if (rows_) releaseRows();
    }

    /// @}
    /// \name Shape and access (unchecked)
    /// @{

    /// Number of rows; `numRows()` is the same.
    std::size_t rows() const noexcept { return static_cast<std::size_t>(numRows_); }
    std::size_t numRows() const noexcept { return static_cast<std::size_t>(numRows_); }
    /// Number of columns; `numColumns()` is the same.
    std::size_t cols() const noexcept { return static_cast<std::size_t>(numCols_); }
    std::size_t numColumns() const noexcept { return static_cast<std::size_t>(numCols_); }
    /// Row objects in the row array.
    std::size_t getRowCapacity() const noexcept { return static_cast<std::size_t>(rowCapacity_); }

    /// Row vector i counted from 0; `row(i)` is the same.
    Vector& operator[](std::size_t i) noexcept { return rows_[i]; }
    const Vector& operator[](std::size_t i) const noexcept { return rows_[i]; }
    Vector& row(std::size_t i) noexcept { return rows_[i]; }
    const Vector& row(std::size_t i) const noexcept { return rows_[i]; }
    /// A new vector of rows() elements holding column j.
    Vector col(std::size_t j) const {
        Vector v(rows(), ZELUninitialized);
        Vector::Transform(v.data_, rows(), [r = rows_, j](std::size_t i) { return r[i].data_[j]; });
        return v;
    }

    /// Element (i, j) counted from 0.
    T& operator()(std::size_t i, std::size_t j) noexcept { return rows_[i][j]; }
    const T& operator()(std::size_t i, std::size_t j) const noexcept { return rows_[i][j]; }
    /// Element (i, j) counted from 1: element (i - 1, j - 1).
    T& fromOne(std::size_t i, std::size_t j) noexcept { return rows_[i - 1][j - 1]; }
    const T& fromOne(std::size_t i, std::size_t j) const noexcept { return rows_[i - 1][j - 1]; }

    /// Sets the shape to r x c. Elements inside both the old and the new shape keep their values.
    /// With zeroFill every other element is 0; without it, rows and columns that come back within
    /// the old capacities show what they last held, and anything new is 0.
    void reshape(std::size_t r, std::size_t c, bool zeroFill);
    /// `reshape(r, c, true)`.
    void resize(std::size_t r, std::size_t c) { reshape(r, c, true); }

    /// @}
    /// \name Assignment and in-place arithmetic
    /// @{

    /// Every element = s.
    ZELBasicMathMatrix& operator=(const T& s) {
        return update([&s](Vector& row, std::size_t) { row = s; });
    }
    /// Reshapes to b's shape (no zero fill) and copies every element.
    ZELBasicMathMatrix& operator=(const ZELBasicMathMatrix& b);
    /// Releases this matrix's rows and takes over a's row array (shape and row capacity); a is
    /// left 0 x 0 with no row array. Self-move leaves the matrix unchanged.
    ZELBasicMathMatrix& operator=(ZELBasicMathMatrix&& a) noexcept {
        if (this != &a) {
            releaseRows();
            takeRows(a);
        }
        return *this;
    }

    /// Element op= s, row by row.
    ZELBasicMathMatrix& operator+=(const T& s) {
        return update([&s](Vector& row, std::size_t) { row += s; });
    }
    ZELBasicMathMatrix& operator-=(const T& s) {
        return update([&s](Vector& row, std::size_t) { row -= s; });
    }
    ZELBasicMathMatrix& operator*=(const T& s) {
        return update([&s](Vector& row, std::size_t) { row *= s; });
    }
    ZELBasicMathMatrix& operator/=(const T& s) {
        return update([&s](Vector& row, std::size_t) { row /= s; });
    }
    /// Row i becomes row i +- row i of b.
    ZELBasicMathMatrix& operator+=(const ZELBasicMathMatrix& b) {
        if (!fitsPartner(b)) return *this;
        return update([&b](Vector& row, std::size_t i) { row += b.rows_[i]; });
    }
    ZELBasicMathMatrix& operator-=(const ZELBasicMathMatrix& b) {
        if (!fitsPartner(b)) return *this;
        return update([&b](Vector& row, std::size_t i) { row -= b.rows_[i]; });
    }
    /// Element-wise product. When b has more columns, this matrix is first resized to
    /// (rows(), b.cols()) with zero fill.
    ZELBasicMathMatrix& operator*=(const ZELBasicMathMatrix& b) {
        if (!fitsPartner(b)) return *this;
        if (b.cols() > cols()) resize(rows(), b.cols());
        return update([&b](Vector& row, std::size_t i) { row *= b.rows_[i]; });
    }

    /// Adds (subtracts) 1 to every element and returns the matrix; the postfix forms return nothing.
    ZELBasicMathMatrix& operator++() { return *this += T(1); }
    ZELBasicMathMatrix& operator--() { return *this -= T(1); }
    void operator++(int) { *this += T(1); }
    void operator--(int) { *this -= T(1); }

    /// @}
private:
    template <class U>
    friend struct zel_internal::MathMatrixOps;

    /// True when b has at least this matrix's rows and columns (reported in checked mode otherwise).
    bool fitsPartner(const ZELBasicMathMatrix& b) const noexcept {
        return zel_internal::sizesFit(b.rows() >= rows() && b.cols() >= cols());
    }

    /// The one element-wise form between two matrices: a(i, j) op b(i, j), a's shape,
    /// `rowCapacity` row objects (at least a's rows).
    template <class Op>
    ZELBasicMathMatrix(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b, Op,
                       std::size_t rowCapacity) {
        allocateLike(a, rowCapacity);
        forEachRow(a, b, [](const T* x, const T* y) {
            return [x, y](std::size_t j) { return Op::apply(x[j], y[j]); };
        });
    }
    /// The kernels of the products, out of line; the results are allocated inline by the callers
    /// (so the pool's fast path runs in the caller's code). c is shaped a.rows() x b.cols() and
    /// is neither a nor b; out holds a.rows() elements.
    static void MultiplyInto(ZELBasicMathMatrix& c, const ZELBasicMathMatrix& a,
                             const ZELBasicMathMatrix& b);
    static void TimesVectorInto(T* out, const ZELBasicMathMatrix& a, const T* v);

    /// A row array of r rows of c elements, all 0 except the first `written` rows, whose elements
    /// the caller is about to overwrite; on failure nothing is left allocated. Inline, as are the
    /// constructors of results, so that the pool's fast path runs in the caller.
    static Vector* makeRows(ZELPoolAllocator* allocator, std::size_t r, std::size_t c,
                            std::size_t written = 0) {
        Vector* rows = static_cast<Vector*>(allocator->allocate(r * sizeof(Vector)));
        std::size_t built = 0;
        try {
            for (; built < r; ++built) {
                Vector* row = new (rows + built) Vector(allocator, c, typename Vector::RowTag());
                if (built >= written) Vector::Assign(row->data_, c, T(0));
            }
        } catch (...) {
            destroyRows(rows, built);
            allocator->deallocate(rows, r * sizeof(Vector));
            throw;
        }
        return rows;
    }
    /// Destroys the first r row objects (each returns its own buffer to its own pool).
    static void destroyRows(Vector* rows, std::size_t r) noexcept {
        for (std::size_t i = 0; i < r; ++i) rows[i].~Vector();
    }
    /// p minus one row object (null for null).
    static Vector* oneBased(Vector* p) noexcept {
        return p ? reinterpret_cast<Vector*>(reinterpret_cast<std::uintptr_t>(p) - sizeof(Vector))
                 : nullptr;
    }
    /// Takes and constructs a row array of r rows of c zeros (but see `written` of makeRows); sets
    /// the row pointers and the row capacity, not the counts.
    void localAllocate(std::size_t r, std::size_t c, std::size_t written = 0) {
        rows_ = makeRows(allocator_, r, c, written);
        rows1_ = oneBased(rows_);
        rowCapacity_ = r;
    }
    /// The rows of a new element-wise result: a's shape and `rowCapacity` row objects (a's row
    /// capacity when not given), rows in use left for the caller to write.
    void allocateLike(const ZELBasicMathMatrix& a, std::size_t rowCapacity) {
        localAllocate(rowCapacity, a.cols(), a.rows());
        numRows_ = a.numRows_;
        numCols_ = a.numCols_;
    }
    void allocateLike(const ZELBasicMathMatrix& a) { allocateLike(a, a.getRowCapacity()); }
    /// Destroys every row object and returns the row array (the destructor's work).
    void releaseRows() noexcept {
        if (!rows_) return;
        destroyRows(rows_, getRowCapacity());
        allocator_->deallocate(rows_, getRowCapacity() * sizeof(Vector));
    }
    /// Takes over a's row array, shape and pool (this matrix holds none); a becomes 0 x 0.
    void takeRows(ZELBasicMathMatrix& a) noexcept {
        rows_ = a.rows_;
        rows1_ = a.rows1_;
        numRows_ = a.numRows_;
        numCols_ = a.numCols_;
        rowCapacity_ = a.rowCapacity_;
        allocator_ = a.allocator_;
        a.forgetRows();
    }
    /// 0 x 0 with no row array, without releasing the old one.
    void forgetRows() noexcept {
        rows_ = nullptr;
        rows1_ = nullptr;
        numRows_ = 0;
        numCols_ = 0;
        rowCapacity_ = 0;
    }
    /// Writes every row i in use with `Vector::Transform`, the element function made by
    /// `rowFn(row i of a)`.
    template <class RowFn>
    void forEachRow(const ZELBasicMathMatrix& a, RowFn rowFn) noexcept {
        for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i)
            Vector::Transform(rows_[i].data_, c, rowFn(a.rows_[i].data_));
    }
    /// The same with `rowFn(row i of a, row i of b)`.
    /// A partner smaller than a (checked mode) leaves every element NaN instead.
    template <class RowFn>
    void forEachRow(const ZELBasicMathMatrix& a, const ZELBasicMathMatrix& b,
                    RowFn rowFn) noexcept {
        if (!a.fitsPartner(b)) {
            for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i)
                Vector::Assign(rows_[i].data_, c, zel_internal::notComputed<T>());
            return;
        }
        for (std::size_t i = 0, r = rows(), c = cols(); i < r; ++i)
            Vector::Transform(rows_[i].data_, c, rowFn(a.rows_[i].data_, b.rows_[i].data_));
    }
    /// Applies the in-place row operation f(row i, i) to every row in use.
    template <class F>
    ZELBasicMathMatrix& update(F f) {
        for (std::size_t i = 0, r = rows(); i < r; ++i) f(rows_[i], i);
        return *this;
    }

    Vector* rows_ = nullptr;         ///< the row array
    Vector* rows1_ = nullptr;        ///< rows_ - 1 (kept for layout; never read)
    std::uint64_t numRows_ = 0;      ///< rows in use
    std::uint64_t numCols_ = 0;      ///< elements per row in use
    std::uint64_t rowCapacity_ = 0;  ///< row objects in the row array
    ZELPoolAllocator* allocator_ = ZELPoolAllocator::Global();  ///< the pool of the row array
};

// ---- free operators ---------------------------------------------------------------------------
template <class T>
inline ZELBasicMathMatrix<T> operator-(const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator+(const ZELBasicMathMatrix<T>& a,
                                       const ZELBasicMathMatrix<T>& b) {
    return ZELBasicMathMatrix<T>(a, b, _ZELAddOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator-(const ZELBasicMathMatrix<T>& a,
                                       const ZELBasicMathMatrix<T>& b) {
    return ZELBasicMathMatrix<T>(a, b, _ZELSubOp());
}
/// Matrix product; a's columns must not exceed b's rows.
template <class T>
inline ZELBasicMathMatrix<T> operator*(const ZELBasicMathMatrix<T>& a,
                                       const ZELBasicMathMatrix<T>& b) {
    if (!zel_internal::sizesFit(a.cols() <= b.rows()))
        return ZELBasicMathMatrix<T>(a.rows(), b.cols(), zel_internal::notComputed<T>());
    return ZELBasicMathMatrix<T>(a, b, _ZELMulOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator+(const ZELBasicMathMatrix<T>& a,
                                       const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELAddOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator+(const typename ZELBasicMathMatrix<T>::value_type& s,
                                       const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELAddOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator-(const ZELBasicMathMatrix<T>& a,
                                       const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELSubOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator-(const typename ZELBasicMathMatrix<T>::value_type& s,
                                       const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator*(const ZELBasicMathMatrix<T>& a,
                                       const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELMulOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator*(const typename ZELBasicMathMatrix<T>::value_type& s,
                                       const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELMulOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator/(const ZELBasicMathMatrix<T>& a,
                                       const typename ZELBasicMathMatrix<T>::value_type& s) {
    return ZELBasicMathMatrix<T>(a, s, _ZELDivOp());
}
template <class T>
inline ZELBasicMathMatrix<T> operator/(const typename ZELBasicMathMatrix<T>::value_type& s,
                                       const ZELBasicMathMatrix<T>& a) {
    return ZELBasicMathMatrix<T>(s, a, _ZELDivOp());
}

/// Element-wise product, a's shape, row capacity a.rows().
template <class T>
inline ZELBasicMathMatrix<T> elementProduct(const ZELBasicMathMatrix<T>& a,
                                            const ZELBasicMathMatrix<T>& b) {
    return zel_internal::MathMatrixOps<T>::elementProduct(a, b);
}
/// a.rows() elements: element i = ZELDot(row i of a, v); v needs at least a.cols() elements.
template <class T>
inline ZELBasicMathVector<T> operator*(const ZELBasicMathMatrix<T>& a,
                                       const ZELBasicMathVector<T>& v) {
    if (!zel_internal::sizesFit(v.length() >= a.cols()))
        return ZELBasicMathVector<T>(a.rows(), zel_internal::notComputed<T>());
    return zel_internal::MathMatrixOps<T>::timesVector(a, v);
}
/// a.cols() elements: element j = sum over i below v.length() of v[i] * a(i, j), from 0 in
/// increasing i.
template <class T>
inline ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& v,
                                       const ZELBasicMathMatrix<T>& a) {
    if (!zel_internal::sizesFit(v.length() <= a.rows()))
        return ZELBasicMathVector<T>(a.cols(), zel_internal::notComputed<T>());
    return zel_internal::MathMatrixOps<T>::vectorTimes(v, a);
}
/// a.cols() x a.rows(), row capacity a.cols().
template <class T>
inline ZELBasicMathMatrix<T> transpose(const ZELBasicMathMatrix<T>& a) {
    return zel_internal::MathMatrixOps<T>::transpose(a);
}

// ---- comparisons ------------------------------------------------------------------------------
/// Same shape and every row == (a NaN element makes matrices unequal).
template <class T>
inline bool operator==(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (std::size_t i = 0, r = a.rows(); i < r; ++i)
        if (!(a.row(i) == b.row(i))) return false;
    return true;
}
/// Same shape, and for no row i is row i of a > row i of b (as vectors: every element strictly
/// greater or unordered). So a < b when every row of a has some element not above its partner.
template <class T>
inline bool operator<(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (std::size_t i = 0, r = a.rows(); i < r; ++i)
        if (a.row(i) > b.row(i)) return false;
    return true;
}

// ---- norms and near-comparisons ---------------------------------------------------------------
/// Largest column sum of absolute values; 0 without columns.
template <class T>
inline T ZELL1Norm(const ZELBasicMathMatrix<T>& a) {
    return zel_internal::MathMatrixOps<T>::l1Norm(a);
}
/// Largest absolute value of any element (not the largest row sum); 0 without rows.
template <class T>
inline T ZELLinfNorm(const ZELBasicMathMatrix<T>& a) {
    T m = T(0);
    for (std::size_t i = 0, r = a.rows(); i < r; ++i) {
        const T x = ZELLinfNorm(a.row(i));
        if (x > m) m = x;
    }
    return m;
}
/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol (shapes not compared).
template <class T>
inline bool ZELNearAbs(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b,
                       const typename ZELBasicMathMatrix<T>::value_type& tol) {
    return zel_internal::nearAbs(
        tol, [&] { return a == b; }, [&] { return ZELLinfNorm(a - b); });
}
/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol * max(ZELLinfNorm(a), ZELLinfNorm(b)).
template <class T>
inline bool ZELNearRel(const ZELBasicMathMatrix<T>& a, const ZELBasicMathMatrix<T>& b,
                       const typename ZELBasicMathMatrix<T>::value_type& tol) {
    return zel_internal::nearRel(
        tol, [&] { return a == b; }, [&] { return ZELLinfNorm(a - b); },
        [&] { return ZELLinfNorm(a); }, [&] { return ZELLinfNorm(b); });
}

/// Writes "<rows>X<cols>:\n[\n", each row as its elements in fields of width 14 each followed by
/// " " and ended by "\n", then "]\n". Numbers use the stream's fill and floating-point flags.
template <class T>
inline std::ostream& operator<<(std::ostream& os, const ZELBasicMathMatrix<T>& a) {
    return zel_internal::MathMatrixOps<T>::print(os, a);
}

using ZELMathMatrix = ZELBasicMathMatrix<double>;

/// @}

#endif
