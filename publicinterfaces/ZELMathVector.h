/// \class ZELBasicMathVector
/// ZELBasicMathVector: a vector of run-time length, the element store of the linear algebra.
///
/// A value type with deep copies. The buffer comes from `ZELPoolAllocator::Global()`; it holds
/// `getCapacity()` elements, of which the first `length()` are in use:
///   - constructors take max(n, 6) elements;
///   - `reshape`, `resize` and assignment grow the buffer to exactly the length asked for, and
///     never shrink it;
///   - elements between the length and the capacity keep what they last held, so growing again
///     within the capacity shows them unless the operation zero-fills (`resize` does, `reshape`
///     with `zeroFill == false` does not). Elements that were never written are 0 only where an
///     operation says so (spare elements of a minimum-size buffer, growth of the buffer); the
///     (n, `ZELUninitialized`) constructor leaves them as the pool hands the buffer over, which
///     after reuse is whatever an earlier owner wrote.
///
/// Nothing checks an index, a length match or a divisor. All arithmetic is element-wise over the
/// length of the left (or only) vector operand; a vector partner must be at least that long.
/// Checked mode (a build without NDEBUG, or ZELMATH_CHECKED defined; see
/// foundation/internal/ZELSizeCheck.h): a partner shorter than the left operand (element-wise
/// operators, in-place operators, ZELDot, <) and a slice outside the vector are reported
/// ("Size mismatch") before any element is touched; the operation then returns a result of the
/// usual length filled with NaN, leaves an in-place target unchanged, gives NaN (ZELDot) or false
/// (<), and an empty slice. Element access stays unchecked in every mode.
///
/// Allocation failures propagate what the pool throws (`std::bad_alloc`) and leave the vector as
/// it was before the call.
///
/// Copies are always deep and follow the capacity rules above. Moves (constructor and assignment,
/// both noexcept) take over the source's buffer instead, so after a move the target has the
/// source's capacity, whatever the copy rules would have given; the moved-from vector is empty
/// and holds no buffer (length 0, capacity 0, null data). It may be destroyed, assigned to,
/// resized or reshaped (growing it takes a buffer of exactly the length asked for). Results of
/// the arithmetic operators are built in place (guaranteed copy elision), and assigning one to
/// an existing vector moves it, so `r = x + y` takes one buffer and releases r's old one.
///
/// `fromOne(i)` is element i counted from 1. The one-based data pointer is kept for layout
/// compatibility; element access never dereferences it.
///
/// `T` must be a trivially copyable arithmetic type; the library instantiates `double`.
#ifndef ZELMATH_PUBLICINTERFACES_ZELMATHVECTOR_H
#define ZELMATH_PUBLICINTERFACES_ZELMATHVECTOR_H

/// \addtogroup linalg
/// @{

#include "ZELMathExport.h"
#include "foundation/ZELPoolAllocator.h"
#include "foundation/internal/ZELNearRules.h"
#include "foundation/internal/ZELSizeCheck.h"
#include "foundation/scl_iterators.h"
#include "publicinterfaces/internal/ZELMathVectorOps.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <type_traits>

/// Tags of the constructors that build an element-wise result directly. Each tag also names its
/// operation: `apply(x, y)` is x op y, so one constructor template serves all four.
struct _ZELAddOp {
    template <class T>
    static constexpr T apply(T x, T y) noexcept {
        return x + y;
    }
};
struct _ZELSubOp {
    template <class T>
    static constexpr T apply(T x, T y) noexcept {
        return x - y;
    }
};
struct _ZELMulOp {
    template <class T>
    static constexpr T apply(T x, T y) noexcept {
        return x * y;
    }
};
struct _ZELDivOp {
    template <class T>
    static constexpr T apply(T x, T y) noexcept {
        return x / y;
    }
};

/// Tag of the constructors that leave their elements unset. The value is never read.
enum UninitializedType : int { ZELUninitialized = 0 };

/// True for the four operation tags (`_ZELAddOp` ... `_ZELDivOp`).
template <class Op>
struct ZELIsElementOp
    : std::integral_constant<
          bool,
          std::is_same<Op, _ZELAddOp>::value || std::is_same<Op, _ZELSubOp>::value ||
              std::is_same<Op, _ZELMulOp>::value || std::is_same<Op, _ZELDivOp>::value> {};

template <class T>
class ZELMATH_EXPORT ZELBasicMathMatrix;

template <class T>
class ZELMATH_EXPORT ZELBasicMathVector {
    static_assert(std::is_trivially_copyable<T>::value, "ZELBasicMathVector holds plain scalars");

    template <class Op>
    using IfOp = typename std::enable_if<ZELIsElementOp<Op>::value, int>::type;

public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = scl_pointer_iterator<T>;
    using const_iterator = scl_pointer_const_iterator<T>;

    /// \name Construction
    /// @{

    /// Length 0, capacity 6.
    ZELBasicMathVector() { allocate(0); }
    /// Length n; elements not initialised (they hold whatever the buffer last held).
    ZELBasicMathVector(std::size_t n, UninitializedType) { allocate(n); }
    /// Length n, every element = value.
    ZELBasicMathVector(std::size_t n, const T& value) {
        allocate(n);
        Assign(data_, n, value);
    }
    /// Length n, element i = values[i].
    ZELBasicMathVector(const T* values, std::size_t n) {
        allocate(n);
        Assign(data_, n, values);
    }
    /// A deep copy: b's length and elements, capacity max(b.length(), 6), on the global pool.
    ZELBasicMathVector(const ZELBasicMathVector& b) {
        allocate(b.length_);
        Assign(data_, length_, b.data_);
    }
    /// Takes over b's buffer (and so its capacity); b is left empty with no buffer.
    ZELBasicMathVector(ZELBasicMathVector&& b) noexcept { takeBuffer(b); }

    /// Element i = -a[i] (a sign change: a zero gives the zero of opposite sign).
    ZELBasicMathVector(const ZELBasicMathVector& a, _ZELSubOp) {
        allocate(a.length_);
        Transform(data_, length_, [pa = a.data_](std::size_t i) { return -pa[i]; });
    }
    /// a's length, element i = a[i] op b[i] for the tag's op; b must be at least as long.
    template <class Op, IfOp<Op> = 0>
    ZELBasicMathVector(const ZELBasicMathVector& a, const ZELBasicMathVector& b, Op) {
        allocate(a.length_);
        if (!a.fitsPartner(b)) {
            Assign(data_, length_, zel_internal::notComputed<T>());
            return;
        }
        Transform(data_, length_,
                  [pa = a.data_, pb = b.data_](std::size_t i) { return Op::apply(pa[i], pb[i]); });
    }
    /// a's length, element i = a[i] op s.
    template <class Op, IfOp<Op> = 0>
    ZELBasicMathVector(const ZELBasicMathVector& a, const T& s, Op) {
        allocate(a.length_);
        Transform(data_, length_,
                  [pa = a.data_, v = s](std::size_t i) { return Op::apply(pa[i], v); });
    }
    /// a's length, element i = s op a[i] (s - a[i], s / a[i], ...).
    template <class Op, IfOp<Op> = 0>
    ZELBasicMathVector(const T& s, const ZELBasicMathVector& a, Op) {
        allocate(a.length_);
        Transform(data_, length_,
                  [pa = a.data_, v = s](std::size_t i) { return Op::apply(v, pa[i]); });
    }

    /// Returns the buffer to the allocator (nothing for a moved-from vector, which holds none: small
    /// enough to inline, so the temporary of `r = x + y` costs nothing once moved from).
    ~ZELBasicMathVector() { releaseBuffer(); }

    /// @}
    /// \name Size and storage
    /// @{
    /// Number of elements in use.
    std::size_t length() const noexcept { return static_cast<std::size_t>(length_); }
    /// Number of elements the buffer holds.
    std::size_t getCapacity() const noexcept { return static_cast<std::size_t>(capacity_); }
    /// The pool the buffer came from (always `ZELPoolAllocator::Global()`).
    const ZELPoolAllocator* getAllocator() const noexcept { return allocator_; }

    /// Sets the length to n, keeping the first min(length, n) elements. Grows the buffer to
    /// exactly n elements when n exceeds the capacity. With zeroFill, elements added beyond the
    /// old length are 0; without it, elements that come back within the capacity show what they
    /// last held, and elements of a newly grown buffer beyond the old length are 0.
    void reshape(std::size_t n, bool zeroFill) { reallocate(n, zeroFill); }
    /// `reshape(n, true)`: elements added beyond the old length are 0.
    void resize(std::size_t n) { reallocate(n, true); }

    /// A deep copy (the copy constructor).
    ZELBasicMathVector copy() const { return ZELBasicMathVector(*this); }

    /// n elements copied from indices start ... start + n - 1.
    ZELBasicMathVector slice(int start, std::size_t n) const {
        if (!zel_internal::sizesFit(start >= 0 && static_cast<std::size_t>(start) <= length() &&
                                    n <= length() - static_cast<std::size_t>(start)))
            return ZELBasicMathVector();
        ZELBasicMathVector r(n, ZELUninitialized);
        Assign(r.data_, n, data_ + start);
        return r;
    }

    /// @}
    /// \name Element access (unchecked)
    /// @{
    /// Element i counted from 0; `operator()` is the same operation.
    T& operator[](std::size_t i) noexcept { return data_[i]; }
    const T& operator[](std::size_t i) const noexcept { return data_[i]; }
    T& operator()(std::size_t i) noexcept { return data_[i]; }
    const T& operator()(std::size_t i) const noexcept { return data_[i]; }
    /// Element i counted from 1 (element i - 1 of `operator[]`).
    T& fromOne(std::size_t i) noexcept { return data_[i - 1]; }
    const T& fromOne(std::size_t i) const noexcept { return data_[i - 1]; }

    /// The first element; the elements are contiguous.
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    iterator begin() noexcept { return iterator(data_); }
    iterator end() noexcept { return iterator(data_ + length_); }
    const_iterator begin() const noexcept { return const_iterator(data_); }
    const_iterator end() const noexcept { return const_iterator(data_ + length_); }

    /// @}
    /// \name Assignment and in-place arithmetic
    /// @{
    /// Every element = s; the length is unchanged.
    ZELBasicMathVector& operator=(const T& s) {
        Assign(data_, length_, s);
        return *this;
    }
    /// Copies b's length and elements. The buffer is replaced (by one of exactly b's length) only
    /// when b is longer than the capacity.
    ZELBasicMathVector& operator=(const ZELBasicMathVector& b) {
        if (this == &b) return *this;
        if (b.length_ > capacity_) {
            T* p = newBuffer(b.length_);
            releaseBuffer();
            setBuffer(p, b.length_);
        }
        Assign(data_, b.length_, b.data_);
        length_ = b.length_;
        return *this;
    }

    /// Releases this vector's buffer and takes over b's (length, elements and capacity); b is
    /// left empty with no buffer. Self-move leaves the vector unchanged.
    ZELBasicMathVector& operator=(ZELBasicMathVector&& b) noexcept {
        if (this != &b) {
            releaseBuffer();
            takeBuffer(b);
        }
        return *this;
    }

    /// Element op= s.
    ZELBasicMathVector& operator+=(const T& s) { return update(s, _ZELAddOp()); }
    ZELBasicMathVector& operator-=(const T& s) { return update(s, _ZELSubOp()); }
    ZELBasicMathVector& operator*=(const T& s) { return update(s, _ZELMulOp()); }
    ZELBasicMathVector& operator/=(const T& s) { return update(s, _ZELDivOp()); }
    /// Element i op= b[i] (element-wise product and quotient); b must be at least as long.
    ZELBasicMathVector& operator+=(const ZELBasicMathVector& b) { return update(b, _ZELAddOp()); }
    ZELBasicMathVector& operator-=(const ZELBasicMathVector& b) { return update(b, _ZELSubOp()); }
    ZELBasicMathVector& operator*=(const ZELBasicMathVector& b) { return update(b, _ZELMulOp()); }
    ZELBasicMathVector& operator/=(const ZELBasicMathVector& b) { return update(b, _ZELDivOp()); }

    /// Adds (subtracts) 1 to every element and returns the vector; the postfix forms return nothing.
    ZELBasicMathVector& operator++() { return *this += T(1); }
    ZELBasicMathVector& operator--() { return *this -= T(1); }
    void operator++(int) { *this += T(1); }
    void operator--(int) { *this -= T(1); }

    /// @}
    /// \name Comparisons
    /// @{

    /// Equal lengths and equal elements; a NaN element makes the vectors unequal.
    bool operator==(const ZELBasicMathVector& b) const noexcept {
        if (length_ != b.length_) return false;
        for (std::size_t i = 0, n = length_; i < n; ++i)
            if (!(data_[i] == b.data_[i])) return false;
        return true;
    }
    /// not (a == b).
    bool operator!=(const ZELBasicMathVector& b) const noexcept { return !(*this == b); }
    /// Every element lies below its partner (a pair involving a NaN counts as below). Not
    /// lexicographic: >= and <= are the negations, "some element does not lie below (above)".
    /// Only this vector's length is iterated; an empty vector is < anything.
    bool operator<(const ZELBasicMathVector& b) const noexcept {
        if (!fitsPartner(b)) return false;
        for (std::size_t i = 0, n = length_; i < n; ++i)
            if (data_[i] >= b.data_[i]) return false;
        return true;
    }
    /// b < a, iterating over b's length: every element lies above its partner.
    bool operator>(const ZELBasicMathVector& b) const noexcept { return b < *this; }
    /// not (a < b): some element does not lie below its partner; an empty a gives false.
    bool operator>=(const ZELBasicMathVector& b) const noexcept { return !(*this < b); }
    /// not (b < a): some element does not lie above its partner; an empty b gives false.
    bool operator<=(const ZELBasicMathVector& b) const noexcept { return !(b < *this); }

    /// @}
protected:
    /// \name Element-wise kernels (shared with the matrix)
    /// @{

    /// dst[i] = f(i) for i below n: the one element-wise loop of the vector and the matrix.
    template <class F>
    static void Transform(T* dst, std::size_t n, F f) noexcept {
        for (std::size_t i = 0; i < n; ++i) dst[i] = f(i);
    }
    /// Sets dst[0 ... n-1] to s.
    static void Assign(T* dst, std::size_t n, const T& s) noexcept {
        Transform(dst, n, [v = s](std::size_t) { return v; });
    }
    /// Copies src[0 ... n-1] to dst.
    static void Assign(T* dst, std::size_t n, const T* src) noexcept {
        Transform(dst, n, [src](std::size_t i) { return src[i]; });
    }

    /// @}
private:
    template <class U>
    friend class ZELBasicMathMatrix;

    /// True when b is at least as long as this vector (reported in checked mode otherwise).
    bool fitsPartner(const ZELBasicMathVector& b) const noexcept {
        return zel_internal::sizesFit(b.length_ >= length_);
    }

    /// A matrix row or a product's result: n elements on the given pool, left for the caller to
    /// fill (spare elements of a minimum-size buffer are 0).
    struct RowTag {};
    ZELBasicMathVector(ZELPoolAllocator* pool, std::size_t n, RowTag) : allocator_(pool) {
        allocate(n);
    }

    /// Element i op= s over the length.
    template <class Op>
    ZELBasicMathVector& update(const T& s, Op) noexcept {
        Transform(data_, length_, [d = data_, v = s](std::size_t i) { return Op::apply(d[i], v); });
        return *this;
    }
    /// Element i op= b[i] over the length.
    template <class Op>
    ZELBasicMathVector& update(const ZELBasicMathVector& b, Op) noexcept {
        if (!fitsPartner(b)) return *this;
        Transform(data_, length_,
                  [d = data_, pb = b.data_](std::size_t i) { return Op::apply(d[i], pb[i]); });
        return *this;
    }

    /// p minus one element (null for null), computed without pointer arithmetic out of bounds.
    static T* oneBased(T* p) noexcept {
        return p ? reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(p) - sizeof(T)) : nullptr;
    }
    /// A buffer of exactly n elements from this vector's pool.
    T* newBuffer(std::size_t n) { return static_cast<T*>(allocator_->allocate(n * sizeof(T))); }
    /// Returns the buffer (capacity elements) to the pool; a missing buffer is ignored.
    void releaseBuffer() noexcept {
        if (data_) allocator_->deallocate(data_, static_cast<std::size_t>(capacity_) * sizeof(T));
    }
    /// Points both data pointers at p and records its capacity.
    void setBuffer(T* p, std::size_t capacity) noexcept {
        data_ = p;
        data1_ = oneBased(p);
        capacity_ = capacity;
    }
    /// Moves the elements in use into `p` (of `capacity` elements) and releases the old buffer.
    void adoptBuffer(T* p, std::size_t capacity) noexcept {
        Assign(p, length_, data_);
        releaseBuffer();
        setBuffer(p, capacity);
    }

    /// Takes a new buffer of max(n, 6) elements and sets the length to n; does not release an
    /// earlier one. A minimum-size buffer has all six elements cleared (a fixed-size store, cheaper
    /// than a variable one), so a short vector's spare elements read as 0 until written; a longer
    /// buffer is left as the pool hands it over.
    void allocate(std::size_t n) {
        const std::size_t capacity = n < 6 ? 6 : n;
        T* p = newBuffer(capacity);
        setBuffer(p, capacity);
        length_ = n;
        if (n < 6)
            for (std::size_t i = 0; i < 6; ++i) p[i] = T(0);
    }
    /// Takes over b's buffer, length and pool (this vector holds no buffer); b becomes empty.
    void takeBuffer(ZELBasicMathVector& b) noexcept {
        length_ = b.length_;
        allocator_ = b.allocator_;
        setBuffer(b.data_, static_cast<std::size_t>(b.capacity_));
        b.forgetBuffer();
    }
    /// Empty with no buffer, without releasing the old one (it has a new owner, or is gone).
    void forgetBuffer() noexcept {
        length_ = 0;
        data_ = nullptr;
        data1_ = nullptr;
        capacity_ = 0;
    }
    /// The body of reshape. A grown buffer is zero beyond the old length even without zeroFill.
    void reallocate(std::size_t n, bool zeroFill) {
        reallocateWith(n, zeroFill, n > capacity_ ? newBuffer(n) : nullptr);
    }
    /// reallocate with the buffer of exactly n elements already taken when n exceeds the
    /// capacity (null otherwise); cannot fail.
    void reallocateWith(std::size_t n, bool zeroFill, T* grown) noexcept {
        const std::size_t len = static_cast<std::size_t>(length_);
        if (grown) {
            adoptBuffer(grown, n);
            Assign(data_ + len, n - len, T(0));
        } else if (zeroFill && n > len) {
            Assign(data_ + len, n - len, T(0));
        }
        length_ = n;
    }

    std::uint64_t length_ = 0;  ///< elements in use
    T* data_ = nullptr;         ///< element 0
    T* data1_ = nullptr;        ///< data_ - 1 (kept for layout; never read)
    ZELPoolAllocator* allocator_ = ZELPoolAllocator::Global();  ///< the pool of the buffer
    std::uint64_t capacity_ = 0;                                ///< elements in the buffer
};

// ---- free operators (the left vector operand fixes the length) -------------------------------
template <class T>
inline ZELBasicMathVector<T> operator-(const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathVector<T> operator+(const ZELBasicMathVector<T>& a,
                                       const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELAddOp());
}
template <class T>
inline ZELBasicMathVector<T> operator-(const ZELBasicMathVector<T>& a,
                                       const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELSubOp());
}
/// Element-wise product.
template <class T>
inline ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& a,
                                       const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELMulOp());
}
/// Element-wise quotient.
template <class T>
inline ZELBasicMathVector<T> operator/(const ZELBasicMathVector<T>& a,
                                       const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELDivOp());
}
template <class T>
inline ZELBasicMathVector<T> operator+(const ZELBasicMathVector<T>& a,
                                       const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELAddOp());
}
template <class T>
inline ZELBasicMathVector<T> operator+(const typename ZELBasicMathVector<T>::value_type& s,
                                       const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(a, s, _ZELAddOp());
}
template <class T>
inline ZELBasicMathVector<T> operator-(const ZELBasicMathVector<T>& a,
                                       const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELSubOp());
}
template <class T>
inline ZELBasicMathVector<T> operator-(const typename ZELBasicMathVector<T>::value_type& s,
                                       const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(s, a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& a,
                                       const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELMulOp());
}
template <class T>
inline ZELBasicMathVector<T> operator*(const typename ZELBasicMathVector<T>::value_type& s,
                                       const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(a, s, _ZELMulOp());
}
template <class T>
inline ZELBasicMathVector<T> operator/(const ZELBasicMathVector<T>& a,
                                       const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELDivOp());
}
template <class T>
inline ZELBasicMathVector<T> operator/(const typename ZELBasicMathVector<T>::value_type& s,
                                       const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(s, a, _ZELDivOp());
}

// ---- reductions -------------------------------------------------------------------------------
/// Sum of a[i]*b[i] over a's length, accumulated from 0 in index order.
template <class T>
inline T ZELDot(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b) {
    if (!zel_internal::sizesFit(b.length() >= a.length())) return zel_internal::notComputed<T>();
    const T* pa = a.data();
    const T* pb = b.data();
    T sum = T(0);
    for (std::size_t i = 0, n = a.length(); i < n; ++i) sum += pa[i] * pb[i];
    return sum;
}

/// Sum of the absolute values in index order.
template <class T>
inline T ZELL1Norm(const ZELBasicMathVector<T>& v) {
    const T* p = v.data();
    T sum = T(0);
    for (std::size_t i = 0, n = v.length(); i < n; ++i) sum += std::fabs(p[i]);
    return sum;
}

/// Largest absolute value; 0 for an empty vector; NaN elements are passed over.
template <class T>
inline T ZELLinfNorm(const ZELBasicMathVector<T>& v) {
    const T* p = v.data();
    T m = T(0);
    for (std::size_t i = 0, n = v.length(); i < n; ++i) {
        const T x = std::fabs(p[i]);
        if (x > m) m = x;
    }
    return m;
}

/// Smallest absolute value; 0 for an empty vector; NaN elements are passed over.
template <class T>
inline T ZELMinAbsValue(const ZELBasicMathVector<T>& v) {
    const T* p = v.data();
    T m = ZELLinfNorm(v);
    for (std::size_t i = 0, n = v.length(); i < n; ++i) {
        const T x = std::fabs(p[i]);
        if (x < m) m = x;
    }
    return m;
}

/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol (lengths not compared). A NaN
/// tolerance gives false.
template <class T>
inline bool ZELNearAbs(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b,
                       const typename ZELBasicMathVector<T>::value_type& tol) {
    return zel_internal::nearAbs(
        tol, [&] { return a == b; }, [&] { return ZELLinfNorm(a - b); });
}

/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol * max(ZELLinfNorm(a), ZELLinfNorm(b)).
template <class T>
inline bool ZELNearRel(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b,
                       const typename ZELBasicMathVector<T>::value_type& tol) {
    return zel_internal::nearRel(
        tol, [&] { return a == b; }, [&] { return ZELLinfNorm(a - b); },
        [&] { return ZELLinfNorm(a); }, [&] { return ZELLinfNorm(b); });
}

/// Writes "[ ", then each element followed by two spaces (NaNs as "NaN   "), then "]\n". Numbers
/// use the stream's own floating-point formatting.
template <class T>
inline std::ostream& operator<<(std::ostream& os, const ZELBasicMathVector<T>& v) {
    return zel_internal::MathVectorOps<T>::print(os, v);
}

using ZELMathVector = ZELBasicMathVector<double>;

/// @}

#endif
