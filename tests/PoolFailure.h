// Test helper: makes the global pool fail on demand while it is in scope.
#ifndef ZELMATH_TESTS_POOLFAILURE_H
#define ZELMATH_TESTS_POOLFAILURE_H

#include "foundation/ZELPoolAllocator.h"

#include <cstddef>

// Fails every allocation from the k-th on (counted from construction, k >= 1) with
// std::bad_alloc; `allocations()` tells how many were asked for so far.
class PoolFailure {
public:
    explicit PoolFailure(std::size_t k)
        : previous_(zel_internal::setPoolFailureHook(&PoolFailure::hook)) {
        failAt() = k;
        count() = 0;
    }
    ~PoolFailure() { zel_internal::setPoolFailureHook(previous_); }
    PoolFailure(const PoolFailure&) = delete;
    PoolFailure& operator=(const PoolFailure&) = delete;

    static std::size_t allocations() { return count(); }

private:
    static bool hook(std::size_t) { return ++count() >= failAt(); }
    static std::size_t& failAt() {
        static std::size_t k = 0;
        return k;
    }
    static std::size_t& count() {
        static std::size_t n = 0;
        return n;
    }
    zel_internal::PoolFailureHook previous_;
};

#endif
