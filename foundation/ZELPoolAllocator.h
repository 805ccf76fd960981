/// \class ZELPoolAllocator
/// The process-wide pool allocator behind every math vector and matrix buffer.
///
/// Blocks up to `MaxPooledBytes` are served from size classes of 16-byte steps. Each thread keeps
/// its own free list per class, so the common allocate/deallocate pair takes no lock; a thread
/// that runs dry refills a batch from a shared list (under a mutex) or carves a new 64 KiB chunk.
/// A thread's list holds at most `MaxCached` blocks per class: beyond that a batch goes back to the
/// shared list, so blocks freed on one thread are reused by the others and memory stays bounded
/// when one thread allocates and another frees. A thread that ends hands its cached blocks back
/// to the shared lists. Larger blocks go straight to `operator new`. Every block is 16-byte
/// aligned and blocks never overlap. Chunks are kept for the life of the process (they are
/// reused, not returned to the system).
///
/// The common case (a block taken from or returned to the thread's own list) is inline: it reads
/// the thread's cache, `zel_internal::t_poolCache`, directly. The cache is an ordinary (dynamic
/// model) thread-local of the library, so the library can be loaded with `dlopen`; code compiled
/// into an executable reaches it in one instruction, code in a shared object through the dynamic
/// TLS lookup. Everything else (refill, spill, large blocks, the failure hook) is out of line.
///
/// In AddressSanitizer builds the pool forwards every request to `operator new`/`operator delete`,
/// so that use-after-free and overflows of pooled buffers are still caught (the inline path is
/// compiled out, and a cache that the library never fills is never used).
///
/// `allocate` throws `std::bad_alloc` when memory runs out. Tests make it fail on demand through
/// `zel_internal::setPoolFailureHook` (foundation/internal/ZELPoolFailureHook.h).
#ifndef ZELMATH_FOUNDATION_ZELPOOLALLOCATOR_H
#define ZELMATH_FOUNDATION_ZELPOOLALLOCATOR_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"
#include "foundation/internal/ZELPoolFailureHook.h"
#include "foundation/internal/ZELPoolThreadCache.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class ZELMATH_EXPORT ZELPoolAllocator {
public:
    static constexpr std::size_t Granularity = 16;
    static constexpr std::size_t MaxPooledBytes = 4096;
    /// Blocks a thread keeps per size class before it hands a batch to the shared list.
    static constexpr std::uint32_t MaxCached = 128;

    /// The one process-wide pool. It is constant-initialised and never destroyed, so buffers of
    /// objects with static storage duration can be returned to it at any time.
    static ZELPoolAllocator* Global() noexcept { return &global_; }

    /// A block of at least `bytes` bytes (a zero-byte request gets a valid, unique block).
    void* allocate(std::size_t bytes) {
#if !ZELMATH_POOL_FORWARDS
        const std::size_t cls = (bytes - 1) / Granularity;  // 0 bytes wraps round: out of line
        if (cls < zel_internal::PoolThreadCache::Classes &&
            !failureHook_.load(std::memory_order_relaxed)) {
            zel_internal::PoolThreadCache& c = zel_internal::t_poolCache;
            if (zel_internal::PoolFreeBlock* block = c.lists[cls]) {
                c.lists[cls] = block->next;
                --c.counts[cls];
                return block;
            }
        }
#endif
        return allocateSlow(bytes);
    }

    /// Returns a block; `bytes` must be the count it was allocated with. A null pointer is ignored.
    void deallocate(void* p, std::size_t bytes) noexcept {
#if !ZELMATH_POOL_FORWARDS
        const std::size_t cls = (bytes - 1) / Granularity;
        zel_internal::PoolThreadCache& c = zel_internal::t_poolCache;
        if (p && cls < zel_internal::PoolThreadCache::Classes && c.live &&
            c.counts[cls] < MaxCached) {
            auto* block = static_cast<zel_internal::PoolFreeBlock*>(p);
            block->next = c.lists[cls];
            c.lists[cls] = block;
            ++c.counts[cls];
            return;
        }
#endif
        deallocateSlow(p, bytes);
    }

    ZELPoolAllocator(const ZELPoolAllocator&) = delete;
    ZELPoolAllocator& operator=(const ZELPoolAllocator&) = delete;

private:
    constexpr ZELPoolAllocator() noexcept = default;
    ~ZELPoolAllocator() = default;

    /// Everything `allocate` does not do inline: the failure hook, refills, large blocks.
    void* allocateSlow(std::size_t bytes);
    /// Everything `deallocate` does not do inline: a full list, a new or ending thread, large
    /// blocks, null.
    void deallocateSlow(void* p, std::size_t bytes) noexcept;

    static ZELPoolAllocator global_;
    static std::atomic<zel_internal::PoolFailureHook> failureHook_;

    friend zel_internal::PoolFailureHook zel_internal::setPoolFailureHook(
        zel_internal::PoolFailureHook hook) noexcept;
};

/// @}

#endif
