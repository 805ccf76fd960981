/// \file
/// Pointer iterators of the container library: thin random-access wrappers over a raw pointer,
/// and a reverse adaptor. They exist so that value types can hand out iterators of a named type.
///
/// `scl_pointer_iterator<T>` walks mutable elements, `scl_pointer_const_iterator<T>` the same
/// elements read-only. As with the standard containers' iterators, both have `value_type` T (so
/// algorithms that keep a copy of an element, such as `std::adjacent_difference`, work on the
/// const iterator), a mutable iterator converts implicitly to a const one, and the two compare
/// with each other (==, !=, <, >, <=, >=) and subtract, by the element they point at.
#ifndef ZELMATH_FOUNDATION_SCL_ITERATORS_H
#define ZELMATH_FOUNDATION_SCL_ITERATORS_H

/// \addtogroup foundation
/// @{

#include <cstddef>
#include <iterator>
#include <type_traits>

namespace zelmath_detail {

/// The random-access iterator over elements of type E (T or const T); Derived is the iterator
/// class itself, so every operation returns it.
template <class Derived, class E>
class scl_pointer_iterator_base {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::remove_cv_t<E>;
    using difference_type = std::ptrdiff_t;
    using pointer = E*;
    using reference = E&;

    constexpr scl_pointer_iterator_base() noexcept = default;
    constexpr explicit scl_pointer_iterator_base(E* p) noexcept : p_(p) {}

    constexpr reference operator*() const noexcept { return *p_; }
    constexpr pointer operator->() const noexcept { return p_; }
    constexpr reference operator[](difference_type n) const noexcept { return p_[n]; }
    constexpr pointer base() const noexcept { return p_; }

    constexpr Derived& operator++() noexcept { ++p_; return self(); }
    constexpr Derived operator++(int) noexcept { Derived t = self(); ++p_; return t; }
    constexpr Derived& operator--() noexcept { --p_; return self(); }
    constexpr Derived operator--(int) noexcept { Derived t = self(); --p_; return t; }
    constexpr Derived& operator+=(difference_type n) noexcept { p_ += n; return self(); }
    constexpr Derived& operator-=(difference_type n) noexcept { p_ -= n; return self(); }
    friend constexpr Derived operator+(Derived i, difference_type n) noexcept { return i += n; }
    friend constexpr Derived operator+(difference_type n, Derived i) noexcept { return i += n; }
    friend constexpr Derived operator-(Derived i, difference_type n) noexcept { return i -= n; }
    // Non-template friends: a mutable iterator meets a const one here through its conversion.
    friend constexpr difference_type operator-(Derived a, Derived b) noexcept { return a.p_ - b.p_; }
    friend constexpr bool operator==(Derived a, Derived b) noexcept { return a.p_ == b.p_; }
    friend constexpr bool operator!=(Derived a, Derived b) noexcept { return a.p_ != b.p_; }
    friend constexpr bool operator<(Derived a, Derived b) noexcept { return a.p_ < b.p_; }
    friend constexpr bool operator>(Derived a, Derived b) noexcept { return a.p_ > b.p_; }
    friend constexpr bool operator<=(Derived a, Derived b) noexcept { return a.p_ <= b.p_; }
    friend constexpr bool operator>=(Derived a, Derived b) noexcept { return a.p_ >= b.p_; }

private:
    constexpr Derived& self() noexcept { return static_cast<Derived&>(*this); }
    E* p_ = nullptr;
};

}  // namespace zelmath_detail

/// Iterator over mutable elements of type T.
template <class T>
class scl_pointer_iterator : public zelmath_detail::scl_pointer_iterator_base<scl_pointer_iterator<T>, T> {
    using Base = zelmath_detail::scl_pointer_iterator_base<scl_pointer_iterator<T>, T>;

public:
    constexpr scl_pointer_iterator() noexcept = default;
    constexpr explicit scl_pointer_iterator(T* p) noexcept : Base(p) {}
};

/// Iterator over the same elements, read-only; every mutable iterator converts to it.
template <class T>
class scl_pointer_const_iterator
    : public zelmath_detail::scl_pointer_iterator_base<scl_pointer_const_iterator<T>, const T> {
    using Base = zelmath_detail::scl_pointer_iterator_base<scl_pointer_const_iterator<T>, const T>;

public:
    constexpr scl_pointer_const_iterator() noexcept = default;
    constexpr explicit scl_pointer_const_iterator(const T* p) noexcept : Base(p) {}
    constexpr scl_pointer_const_iterator(scl_pointer_iterator<T> i) noexcept  // NOLINT: implicit
        : Base(i.base()) {}
};

template <class It>
class scl_reverse_iterator : public std::reverse_iterator<It> {
public:
    using std::reverse_iterator<It>::reverse_iterator;
};

/// @}

#endif
