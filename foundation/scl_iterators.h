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

#include "foundation/internal/scl_pointer_iterator_base.h"

/// Iterator over mutable elements of type T.
template <class T>
class scl_pointer_iterator
    : public zel_internal::scl_pointer_iterator_base<scl_pointer_iterator<T>, T> {
    using Base = zel_internal::scl_pointer_iterator_base<scl_pointer_iterator<T>, T>;

public:
    constexpr scl_pointer_iterator() noexcept = default;
    constexpr explicit scl_pointer_iterator(T* p) noexcept : Base(p) {}
};

/// Iterator over the same elements, read-only; every mutable iterator converts to it.
template <class T>
class scl_pointer_const_iterator
    : public zel_internal::scl_pointer_iterator_base<scl_pointer_const_iterator<T>, const T> {
    using Base = zel_internal::scl_pointer_iterator_base<scl_pointer_const_iterator<T>, const T>;

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
