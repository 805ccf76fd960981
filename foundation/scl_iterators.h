/// \file
/// Pointer iterators of the container library: thin random-access wrappers over a raw pointer,
/// and a reverse adaptor. They exist so that value types can hand out iterators of a named type.
#ifndef ZELMATH_FOUNDATION_SCL_ITERATORS_H
#define ZELMATH_FOUNDATION_SCL_ITERATORS_H

/// \addtogroup foundation
/// @{

#include <cstddef>
#include <iterator>

template <class T>
class scl_pointer_iterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = T*;
    using reference = T&;

    constexpr scl_pointer_iterator() noexcept = default;
    constexpr explicit scl_pointer_iterator(T* p) noexcept : p_(p) {}

    constexpr reference operator*() const noexcept { return *p_; }
    constexpr pointer operator->() const noexcept { return p_; }
    constexpr reference operator[](difference_type n) const noexcept { return p_[n]; }
    constexpr pointer base() const noexcept { return p_; }

    constexpr scl_pointer_iterator& operator++() noexcept { ++p_; return *this; }
    constexpr scl_pointer_iterator operator++(int) noexcept { auto t = *this; ++p_; return t; }
    constexpr scl_pointer_iterator& operator--() noexcept { --p_; return *this; }
    constexpr scl_pointer_iterator operator--(int) noexcept { auto t = *this; --p_; return t; }
    constexpr scl_pointer_iterator& operator+=(difference_type n) noexcept { p_ += n; return *this; }
    constexpr scl_pointer_iterator& operator-=(difference_type n) noexcept { p_ -= n; return *this; }
    friend constexpr scl_pointer_iterator operator+(scl_pointer_iterator i, difference_type n) noexcept { return i += n; }
    friend constexpr scl_pointer_iterator operator+(difference_type n, scl_pointer_iterator i) noexcept { return i += n; }
    friend constexpr scl_pointer_iterator operator-(scl_pointer_iterator i, difference_type n) noexcept { return i -= n; }
    friend constexpr difference_type operator-(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ - b.p_; }
    friend constexpr bool operator==(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ == b.p_; }
    friend constexpr bool operator!=(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ != b.p_; }
    friend constexpr bool operator<(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ < b.p_; }
    friend constexpr bool operator>(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ > b.p_; }
    friend constexpr bool operator<=(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ <= b.p_; }
    friend constexpr bool operator>=(scl_pointer_iterator a, scl_pointer_iterator b) noexcept { return a.p_ >= b.p_; }

private:
    T* p_ = nullptr;
};

/// The const iterator is the pointer iterator over const elements; a mutable iterator converts.
template <class T>
class scl_pointer_const_iterator : public scl_pointer_iterator<const T> {
public:
    using scl_pointer_iterator<const T>::scl_pointer_iterator;
    constexpr scl_pointer_const_iterator() noexcept = default;
    constexpr scl_pointer_const_iterator(scl_pointer_iterator<const T> i) noexcept  // NOLINT: implicit
        : scl_pointer_iterator<const T>(i) {}
    constexpr scl_pointer_const_iterator(scl_pointer_iterator<T> i) noexcept  // NOLINT: implicit
        : scl_pointer_iterator<const T>(i.base()) {}
};

template <class It>
class scl_reverse_iterator : public std::reverse_iterator<It> {
public:
    using std::reverse_iterator<It>::reverse_iterator;
};

/// @}

#endif
