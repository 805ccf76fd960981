// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The pool allocator's per-thread cache, which its inline fast path reads directly (see
// foundation/ZELPoolAllocator.h), and the switch that turns the pool into plain operator new in
// AddressSanitizer builds.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELPOOLTHREADCACHE_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELPOOLTHREADCACHE_H

#include "ZELMathExport.h"

#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define ZELMATH_POOL_FORWARDS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELMATH_POOL_FORWARDS 1
#endif
#endif
#ifndef ZELMATH_POOL_FORWARDS
#define ZELMATH_POOL_FORWARDS 0
#endif

namespace zel_internal {

/// A free block holds the link to the next one.
struct PoolFreeBlock {
    PoolFreeBlock* next;
};

/// One thread's cache. Zero-initialised and trivially destructible, so it needs no guard and
/// stays readable after the thread's exit handler has run.
struct PoolThreadCache {
    static constexpr std::size_t Classes = 256;  // MaxPooledBytes / Granularity
    PoolFreeBlock* lists[Classes];
    std::uint32_t counts[Classes];
    char* bumpBegin;
    char* bumpEnd;
    bool live;     ///< registered for the exit handler and not yet past it: frees may be cached
    bool retired;  ///< past the exit handler: every block goes to the shared lists
};

/// The calling thread's cache.
extern ZELMATH_EXPORT __thread PoolThreadCache t_poolCache;

}  // namespace zel_internal

#endif
