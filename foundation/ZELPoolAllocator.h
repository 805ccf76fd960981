/// \class ZELPoolAllocator
/// The process-wide pool allocator behind every math vector and matrix buffer.
///
/// Blocks up to `MaxPooledBytes` are served from size classes of 16-byte steps. Each thread keeps
/// its own free list per class, so the common allocate/deallocate pair takes no lock; a thread
/// that runs dry refills a batch from a shared list (under a mutex) or carves a new 64 KiB chunk.
/// A thread's list holds at most 128 blocks per class: beyond that a batch of 32 goes back to the
/// shared list, so blocks freed on one thread are reused by the others and memory stays bounded
/// when one thread allocates and another frees. A thread that ends hands its cached blocks back
/// to the shared lists. Larger blocks go straight to `operator new`. Every block is 16-byte
/// aligned and blocks never overlap. Chunks are kept for the life of the process (they are
/// reused, not returned to the system). The per-thread caches use the default TLS model, so the
/// library can be loaded with `dlopen`.
///
/// In AddressSanitizer builds the pool forwards every request to `operator new`/`operator delete`,
/// so that use-after-free and overflows of pooled buffers are still caught.
///
/// `allocate` throws `std::bad_alloc` when memory runs out. For tests, `setFailureHook` installs
/// a predicate that is asked before each allocation; when it answers true the allocation throws
/// `std::bad_alloc` instead.
#ifndef ZELMATH_FOUNDATION_ZELPOOLALLOCATOR_H
#define ZELMATH_FOUNDATION_ZELPOOLALLOCATOR_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"

#include <cstddef>

class ZELMATH_EXPORT ZELPoolAllocator {
public:
    static constexpr std::size_t Granularity = 16;
    static constexpr std::size_t MaxPooledBytes = 4096;

    using FailureHook = bool (*)(std::size_t bytes);

    /// The one process-wide pool. It is never destroyed, so buffers of objects with static
    /// storage duration can be returned to it at any time during shut-down.
    static ZELPoolAllocator* Global();

    /// A block of at least `bytes` bytes (a zero-byte request gets a valid, unique block).
    void* allocate(std::size_t bytes);
    /// Returns a block; `bytes` must be the count it was allocated with. A null pointer is ignored.
    void deallocate(void* p, std::size_t bytes) noexcept;

    /// Installs a failure predicate (null removes it); returns the previous one.
    static FailureHook setFailureHook(FailureHook hook) noexcept;

    ZELPoolAllocator(const ZELPoolAllocator&) = delete;
    ZELPoolAllocator& operator=(const ZELPoolAllocator&) = delete;

private:
    ZELPoolAllocator() = default;
    ~ZELPoolAllocator() = default;
};

/// @}

#endif
