// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The one implementation behind the container library's pointer iterators
// (foundation/scl_iterators.h).
#ifndef ZELMATH_FOUNDATION_INTERNAL_SCL_POINTER_ITERATOR_BASE_H
#define ZELMATH_FOUNDATION_INTERNAL_SCL_POINTER_ITERATOR_BASE_H

#include <cstddef>
#include <iterator>
#include <type_traits>

namespace zel_internal {

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

    constexpr Derived& operator++() noexcept {
        ++p_;
        return self();
    }
    constexpr Derived operator++(int) noexcept {
        Derived t = self();
        ++p_;
        return t;
    }
    constexpr Derived& operator--() noexcept {
        --p_;
        return self();
    }
    constexpr Derived operator--(int) noexcept {
        Derived t = self();
        --p_;
        return t;
    }
    constexpr Derived& operator+=(difference_type n) noexcept {
        p_ += n;
        return self();
    }
    constexpr Derived& operator-=(difference_type n) noexcept {
        p_ -= n;
        return self();
    }
    friend constexpr Derived operator+(Derived i, difference_type n) noexcept { return i += n; }
    friend constexpr Derived operator+(difference_type n, Derived i) noexcept { return i += n; }
    friend constexpr Derived operator-(Derived i, difference_type n) noexcept { return i -= n; }
    // Non-template friends: a mutable iterator meets a const one here through its conversion.
    friend constexpr difference_type operator-(Derived a, Derived b) noexcept {
        return a.p_ - b.p_;
    }
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

}  // namespace zel_internal

#endif
