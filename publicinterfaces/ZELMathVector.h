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
///     with `zeroFill == false` does not). Elements of a buffer that were never written read as 0.
///
/// Nothing checks an index, a length match or a divisor. All arithmetic is element-wise over the
/// length of the left (or only) vector operand; a vector partner must be at least that long.
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
#include "foundation/scl_iterators.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <type_traits>

/// Tags of the constructors that build an element-wise result directly.
struct _ZELAddOp {};
struct _ZELSubOp {};
struct _ZELMulOp {};
struct _ZELDivOp {};

/// Tag of the constructors that leave their elements unset. The value is never read.
enum UninitializedType : int { ZELUninitialized = 0 };

template <class T>
class ZELBasicMathMatrix;

template <class T>
class ZELMATH_EXPORT ZELBasicMathVector {
    static_assert(std::is_trivially_copyable<T>::value, "ZELBasicMathVector holds plain scalars");

public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = scl_pointer_iterator<T>;
    using const_iterator = scl_pointer_const_iterator<T>;

    /// \name Construction
    /// @{
    ZELBasicMathVector() { allocate(0); }
    ZELBasicMathVector(std::size_t n, UninitializedType) { allocate(n); }
    ZELBasicMathVector(std::size_t n, const T& value) {
        allocate(n);
        Assign(_data, n, value);
    }
    ZELBasicMathVector(const T* values, std::size_t n) {
        allocate(n);
        Assign(_data, n, values);
    }
    ZELBasicMathVector(const ZELBasicMathVector& b) {
        allocate(b._length);
        Assign(_data, _length, b._data);
    }

    ZELBasicMathVector(const ZELBasicMathVector& a, _ZELSubOp) {
        allocate(a._length);
        const T* pa = a._data;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = -pa[i];
    }

    ZELBasicMathVector(const ZELBasicMathVector& a, const ZELBasicMathVector& b, _ZELAddOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T* pb = b._data;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] + pb[i];
    }
    ZELBasicMathVector(const ZELBasicMathVector& a, const ZELBasicMathVector& b, _ZELSubOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T* pb = b._data;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] - pb[i];
    }
    ZELBasicMathVector(const ZELBasicMathVector& a, const ZELBasicMathVector& b, _ZELMulOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T* pb = b._data;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] * pb[i];
    }
    ZELBasicMathVector(const ZELBasicMathVector& a, const ZELBasicMathVector& b, _ZELDivOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T* pb = b._data;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] / pb[i];
    }

    ZELBasicMathVector(const ZELBasicMathVector& a, const T& s, _ZELAddOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T v = s;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] + v;
    }
    ZELBasicMathVector(const ZELBasicMathVector& a, const T& s, _ZELSubOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T v = s;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] - v;
    }
    ZELBasicMathVector(const ZELBasicMathVector& a, const T& s, _ZELMulOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T v = s;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] * v;
    }
    ZELBasicMathVector(const ZELBasicMathVector& a, const T& s, _ZELDivOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T v = s;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = pa[i] / v;
    }

    ZELBasicMathVector(const T& s, const ZELBasicMathVector& a, _ZELSubOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T v = s;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = v - pa[i];
    }
    ZELBasicMathVector(const T& s, const ZELBasicMathVector& a, _ZELDivOp) {
        allocate(a._length);
        const T* pa = a._data;
        const T v = s;
        T* d = _data;
        for (std::size_t i = 0, n = _length; i < n; ++i) d[i] = v / pa[i];
    }

    /// Takes over b's buffer (and so its capacity); b is left empty with no buffer.
    ZELBasicMathVector(ZELBasicMathVector&& b) noexcept
        : _length(b._length), _data(b._data), _data1(b._data1), _allocator(b._allocator), _capacity(b._capacity) {
        b.forgetBuffer();
    }

    ~ZELBasicMathVector() { deallocate(); }

    /// @}
    /// \name Size and storage
    /// @{
    std::size_t length() const noexcept { return static_cast<std::size_t>(_length); }
    std::size_t getCapacity() const noexcept { return static_cast<std::size_t>(_capacity); }
    const ZELPoolAllocator* getAllocator() const noexcept { return _allocator; }

    /// Sets the length to n, keeping the first min(length, n) elements. Grows the buffer to
    /// exactly n elements when n exceeds the capacity. With zeroFill, elements added beyond the
    /// old length are 0; without it, elements that come back within the capacity show what they
    /// last held, and elements of a newly grown buffer beyond the old length are 0.
    void reshape(std::size_t n, bool zeroFill) { reallocate(n, zeroFill); }
    void resize(std::size_t n) { reallocate(n, true); }

    ZELBasicMathVector copy() const { return ZELBasicMathVector(*this); }

    /// n elements copied from indices start ... start + n - 1.
    ZELBasicMathVector slice(int start, std::size_t n) const {
        ZELBasicMathVector r(n, ZELUninitialized);
        Assign(r._data, n, _data + start);
        return r;
    }

    /// @}
    /// \name Element access (unchecked)
    /// @{
    T& operator[](std::size_t i) noexcept { return _data[i]; }
    const T& operator[](std::size_t i) const noexcept { return _data[i]; }
    T& operator()(std::size_t i) noexcept { return _data[i]; }
    const T& operator()(std::size_t i) const noexcept { return _data[i]; }
    T& fromOne(std::size_t i) noexcept { return _data[i - 1]; }
    const T& fromOne(std::size_t i) const noexcept { return _data[i - 1]; }

    T* data() noexcept { return _data; }
    const T* data() const noexcept { return _data; }
    iterator begin() noexcept { return iterator(_data); }
    iterator end() noexcept { return iterator(_data + _length); }
    const_iterator begin() const noexcept { return const_iterator(_data); }
    const_iterator end() const noexcept { return const_iterator(_data + _length); }

    /// @}
    /// \name Assignment and in-place arithmetic
    /// @{
    ZELBasicMathVector& operator=(const T& s) {
        Assign(_data, _length, s);
        return *this;
    }
    /// Copies b's length and elements. The buffer is replaced (by one of exactly b's length) only
    /// when b is longer than the capacity.
    ZELBasicMathVector& operator=(const ZELBasicMathVector& b) {
        if (this == &b) return *this;
        if (b._length > _capacity) {
            T* p = newBuffer(b._length);
            releaseBuffer();
            setBuffer(p, b._length);
        }
        Assign(_data, b._length, b._data);
        _length = b._length;
        return *this;
    }

    /// Releases this vector's buffer and takes over b's (length, elements and capacity); b is
    /// left empty with no buffer. Self-move leaves the vector unchanged.
    ZELBasicMathVector& operator=(ZELBasicMathVector&& b) noexcept {
        if (this == &b) return *this;
        releaseBuffer();
        _length = b._length;
        _allocator = b._allocator;
        setBuffer(b._data, static_cast<std::size_t>(b._capacity));
        b.forgetBuffer();
        return *this;
    }

    ZELBasicMathVector& operator+=(const T& s) {
        const T v = s;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] += v;
        return *this;
    }
    ZELBasicMathVector& operator-=(const T& s) {
        const T v = s;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] -= v;
        return *this;
    }
    ZELBasicMathVector& operator*=(const T& s) {
        const T v = s;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] *= v;
        return *this;
    }
    ZELBasicMathVector& operator/=(const T& s) {
        const T v = s;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] /= v;
        return *this;
    }
    ZELBasicMathVector& operator+=(const ZELBasicMathVector& b) {
        const T* pb = b._data;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] += pb[i];
        return *this;
    }
    ZELBasicMathVector& operator-=(const ZELBasicMathVector& b) {
        const T* pb = b._data;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] -= pb[i];
        return *this;
    }
    ZELBasicMathVector& operator*=(const ZELBasicMathVector& b) {
        const T* pb = b._data;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] *= pb[i];
        return *this;
    }
    ZELBasicMathVector& operator/=(const ZELBasicMathVector& b) {
        const T* pb = b._data;
        for (std::size_t i = 0, n = _length; i < n; ++i) _data[i] /= pb[i];
        return *this;
    }

    ZELBasicMathVector& operator++() { return *this += T(1); }
    ZELBasicMathVector& operator--() { return *this -= T(1); }
    void operator++(int) { *this += T(1); }
    void operator--(int) { *this -= T(1); }

    /// @}
    /// \name Comparisons
    /// @{

    /// Equal lengths and equal elements; a NaN element makes the vectors unequal.
    bool operator==(const ZELBasicMathVector& b) const noexcept {
        if (_length != b._length) return false;
        for (std::size_t i = 0, n = _length; i < n; ++i)
            if (!(_data[i] == b._data[i])) return false;
        return true;
    }
    bool operator!=(const ZELBasicMathVector& b) const noexcept { return !(*this == b); }
    /// Every element lies below its partner (a pair involving a NaN counts as below). Not
    /// lexicographic: >= and <= are the negations, "some element does not lie below (above)".
    /// Only this vector's length is iterated; an empty vector is < anything.
    bool operator<(const ZELBasicMathVector& b) const noexcept {
        for (std::size_t i = 0, n = _length; i < n; ++i)
            if (_data[i] >= b._data[i]) return false;
        return true;
    }
    bool operator>(const ZELBasicMathVector& b) const noexcept { return b < *this; }
    bool operator>=(const ZELBasicMathVector& b) const noexcept { return !(*this < b); }
    bool operator<=(const ZELBasicMathVector& b) const noexcept { return !(b < *this); }

    /// @}
protected:
    static void Assign(T* dst, std::size_t n, const T& s) noexcept {
        const T v = s;
        for (std::size_t i = 0; i < n; ++i) dst[i] = v;
    }
    static void Assign(T* dst, std::size_t n, const T* src) noexcept {
        for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
    }

private:
    template <class U>
    friend class ZELBasicMathMatrix;

    /// A matrix row: n elements on the matrix's pool, left for the caller to fill.
    struct _RowTag {};
    ZELBasicMathVector(ZELPoolAllocator* pool, std::size_t n, _RowTag) : _allocator(pool) { allocate(n); }

    static T* oneBased(T* p) noexcept {
        return p ? reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(p) - sizeof(T)) : nullptr;
    }
    T* newBuffer(std::size_t n) { return static_cast<T*>(_allocator->allocate(n * sizeof(T))); }
    void releaseBuffer() noexcept {
        if (_data) _allocator->deallocate(_data, static_cast<std::size_t>(_capacity) * sizeof(T));
    }
    void setBuffer(T* p, std::size_t capacity) noexcept {
        _data = p;
        _data1 = oneBased(p);
        _capacity = capacity;
    }
    /// Moves the elements in use into `p` (of `capacity` elements) and releases the old buffer.
    void adoptBuffer(T* p, std::size_t capacity) noexcept {
        Assign(p, _length, _data);
        releaseBuffer();
        setBuffer(p, capacity);
    }

    /// Takes a new buffer of max(n, 6) elements; does not release an earlier one. The spare
    /// elements beyond n are zeroed, so growing into them later never shows stale memory.
    void allocate(std::size_t n);
    void deallocate() noexcept {
        releaseBuffer();
        forgetBuffer();
    }
    /// Empty with no buffer, without releasing the old one (it has a new owner, or is gone).
    void forgetBuffer() noexcept {
        _length = 0;
        _data = nullptr;
        _data1 = nullptr;
        _capacity = 0;
    }
    /// The body of reshape. A new buffer is zero beyond the old length even without zeroFill,
    /// so no element ever reads indeterminate memory.
    void reallocate(std::size_t n, bool zeroFill) { reallocateWith(n, zeroFill, n > _capacity ? newBuffer(n) : nullptr); }
    /// reallocate with the buffer of exactly n elements already taken when n exceeds the
    /// capacity (null otherwise); cannot fail.
    void reallocateWith(std::size_t n, bool zeroFill, T* grown) noexcept {
        const std::size_t len = static_cast<std::size_t>(_length);
        if (grown) {
            adoptBuffer(grown, n);
            Assign(_data + len, n - len, T(0));
        } else if (zeroFill && n > len) {
            Assign(_data + len, n - len, T(0));
        }
        _length = n;
    }

    std::uint64_t _length = 0;
    T* _data = nullptr;
    T* _data1 = nullptr;
    ZELPoolAllocator* _allocator = ZELPoolAllocator::Global();
    std::uint64_t _capacity = 0;
};

// ---- free operators (the left vector operand fixes the length) -------------------------------
template <class T>
inline ZELBasicMathVector<T> operator-(const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathVector<T> operator+(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELAddOp());
}
template <class T>
inline ZELBasicMathVector<T> operator-(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELSubOp());
}
/// Element-wise product.
template <class T>
inline ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELMulOp());
}
/// Element-wise quotient.
template <class T>
inline ZELBasicMathVector<T> operator/(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b) {
    return ZELBasicMathVector<T>(a, b, _ZELDivOp());
}
template <class T>
inline ZELBasicMathVector<T> operator+(const ZELBasicMathVector<T>& a, const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELAddOp());
}
template <class T>
inline ZELBasicMathVector<T> operator+(const typename ZELBasicMathVector<T>::value_type& s, const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(a, s, _ZELAddOp());
}
template <class T>
inline ZELBasicMathVector<T> operator-(const ZELBasicMathVector<T>& a, const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELSubOp());
}
template <class T>
inline ZELBasicMathVector<T> operator-(const typename ZELBasicMathVector<T>::value_type& s, const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(s, a, _ZELSubOp());
}
template <class T>
inline ZELBasicMathVector<T> operator*(const ZELBasicMathVector<T>& a, const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELMulOp());
}
template <class T>
inline ZELBasicMathVector<T> operator*(const typename ZELBasicMathVector<T>::value_type& s, const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(a, s, _ZELMulOp());
}
template <class T>
inline ZELBasicMathVector<T> operator/(const ZELBasicMathVector<T>& a, const typename ZELBasicMathVector<T>::value_type& s) {
    return ZELBasicMathVector<T>(a, s, _ZELDivOp());
}
template <class T>
inline ZELBasicMathVector<T> operator/(const typename ZELBasicMathVector<T>::value_type& s, const ZELBasicMathVector<T>& a) {
    return ZELBasicMathVector<T>(s, a, _ZELDivOp());
}

// ---- reductions -------------------------------------------------------------------------------
/// Sum of a[i]*b[i] over a's length, accumulated from 0 in index order.
template <class T>
inline T ZELDot(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b) {
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
inline bool ZELNearAbs(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b, const typename ZELBasicMathVector<T>::value_type& tol) {
    if (tol <= T(0)) return a == b;
    return ZELLinfNorm(a - b) <= tol;
}

/// With tol <= 0: a == b. Otherwise ZELLinfNorm(a - b) <= tol * max(ZELLinfNorm(a), ZELLinfNorm(b)).
template <class T>
inline bool ZELNearRel(const ZELBasicMathVector<T>& a, const ZELBasicMathVector<T>& b, const typename ZELBasicMathVector<T>::value_type& tol) {
    if (tol <= T(0)) return a == b;
    const T na = ZELLinfNorm(a);
    const T nb = ZELLinfNorm(b);
    const T d = ZELLinfNorm(a - b);
    return d <= tol * (nb > na ? nb : na);
}

/// Writes "[ ", then each element followed by two spaces (NaNs as "NaN   "), then "]\n". Numbers
/// use the stream's own floating-point formatting.
template <class T>
std::ostream& operator<<(std::ostream& os, const ZELBasicMathVector<T>& v);

/// \cond
extern template class ZELBasicMathVector<double>;
extern template ZELMATH_EXPORT std::ostream& operator<< <double>(std::ostream&, const ZELBasicMathVector<double>&);
/// \endcond

using ZELMathVector = ZELBasicMathVector<double>;

/// @}

#endif
