#include "foundation/ZELPoolAllocator.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace {

using zel_internal::PoolThreadCache;
using FreeBlock = zel_internal::PoolFreeBlock;

constexpr std::size_t kClasses = PoolThreadCache::Classes;
static_assert(kClasses == ZELPoolAllocator::MaxPooledBytes / ZELPoolAllocator::Granularity,
              "one list per class");
constexpr std::size_t kChunkBytes = 64 * 1024;
// Blocks moved between a thread's list and the shared list at once.
constexpr std::size_t kBatch = 32;
// A thread's list of one class never holds more than MaxCached blocks: at that point a batch goes
// back to the shared list, where other threads find it. A thread that only frees (the consumer of
// a producer/consumer pair) therefore hands its blocks on instead of hoarding them.
static_assert(ZELPoolAllocator::MaxCached >= 2 * kBatch, "room for a refill batch below the cap");

// Size class of a request: class k serves blocks of (k + 1) * Granularity bytes.
inline std::size_t classOf(std::size_t bytes) noexcept {
    return bytes == 0 ? 0 : (bytes - 1) / ZELPoolAllocator::Granularity;
}

inline std::size_t classBytes(std::size_t cls) noexcept {
    return (cls + 1) * ZELPoolAllocator::Granularity;
}

// Lists shared by all threads, and the chunks every block was carved from.
struct SharedPool {
    std::mutex mutex;
    FreeBlock* lists[kClasses] = {};
    std::vector<void*> chunks;
};

SharedPool& shared() {
    // Never destroyed: threads and static objects may return blocks during shut-down.
    alignas(SharedPool) static unsigned char storage[sizeof(SharedPool)];
    static SharedPool* pool = new (storage) SharedPool();
    return *pool;
}

// A new chunk of `bytes`, recorded in the shared pool (which owns it for the process lifetime).
void* newChunk(std::size_t bytes) {
    void* chunk = ::operator new(bytes);
    SharedPool& pool = shared();
    std::lock_guard<std::mutex> lock(pool.mutex);
    try {
        pool.chunks.push_back(chunk);
    } catch (...) {
        ::operator delete(chunk);
        throw;
    }
    return chunk;
}

void pushShared(std::size_t cls, FreeBlock* head, FreeBlock* tail) {
    SharedPool& pool = shared();
    std::lock_guard<std::mutex> lock(pool.mutex);
    tail->next = pool.lists[cls];
    pool.lists[cls] = head;
}

struct CacheFlusher {
    bool armed = false;
    ~CacheFlusher() {
        PoolThreadCache& c = zel_internal::t_poolCache;
        c.retired = true;
        c.live = false;
        for (std::size_t cls = 0; cls < kClasses; ++cls) {
            FreeBlock* head = c.lists[cls];
            if (!head) continue;
            FreeBlock* tail = head;
            while (tail->next) tail = tail->next;
            pushShared(cls, head, tail);
            c.lists[cls] = nullptr;
            c.counts[cls] = 0;
        }
        // The rest of the bump region is abandoned; the chunk stays owned by the shared pool.
        c.bumpBegin = c.bumpEnd = nullptr;
    }
};

thread_local CacheFlusher t_flusher;

#if defined(__GNUC__)
#define ZELMATH_POOL_COLD __attribute__((noinline, cold))
#else
#define ZELMATH_POOL_COLD
#endif

// First use on a thread: registers the flusher's destructor for this thread.
ZELMATH_POOL_COLD void attach(PoolThreadCache& c) {
    t_flusher.armed = true;
    c.live = true;
}

// Takes a block of class `cls` when the thread's list is empty.
ZELMATH_POOL_COLD void* refill(PoolThreadCache& c, std::size_t cls) {
    if (!c.live && !c.retired) attach(c);
    const std::size_t size = classBytes(cls);
    SharedPool& pool = shared();
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        if (FreeBlock* block = pool.lists[cls]) {
            // One block for the caller, up to a batch more for the thread's own list.
            pool.lists[cls] = block->next;
            for (std::size_t i = 1; i < kBatch && pool.lists[cls] && !c.retired; ++i) {
                FreeBlock* b = pool.lists[cls];
                pool.lists[cls] = b->next;
                b->next = c.lists[cls];
                c.lists[cls] = b;
                ++c.counts[cls];
            }
            return block;
        }
    }
    if (c.retired) {
        // A thread past its exit handlers: no local bump region, take a block from a fresh chunk
        // of its own size. Rare (only objects destroyed during thread shut-down).
        return newChunk(size);
    }
    if (static_cast<std::size_t>(c.bumpEnd - c.bumpBegin) < size) {
        // The leftover of the old region (smaller than this class) is abandoned.
        char* chunk = static_cast<char*>(newChunk(kChunkBytes));
        c.bumpBegin = chunk;
        c.bumpEnd = chunk + kChunkBytes;
    }
    void* block = c.bumpBegin;
    c.bumpBegin += size;
    return block;
}

// The thread's list of class `cls` is full: the newest batch goes to the shared list.
ZELMATH_POOL_COLD void spill(PoolThreadCache& c, std::size_t cls) noexcept {
    FreeBlock* head = c.lists[cls];
    FreeBlock* tail = head;
    for (std::size_t i = 1; i < kBatch; ++i) tail = tail->next;
    FreeBlock* rest = tail->next;
    try {
        pushShared(cls, head, tail);
    } catch (...) {
        return;  // locking a std::mutex does not fail in practice; the list just stays long
    }
    c.lists[cls] = rest;
    c.counts[cls] -= static_cast<std::uint32_t>(kBatch);
}

}  // namespace

// The per-thread caches use the default (dynamic) TLS model, so the library can be loaded with
// dlopen. A plain `__thread` object (no constructor, no destructor) needs no guard or wrapper, so
// the inline fast path in the header reaches it directly.
__thread PoolThreadCache zel_internal::t_poolCache;

ZELPoolAllocator ZELPoolAllocator::global_;
std::atomic<zel_internal::PoolFailureHook> ZELPoolAllocator::failureHook_{nullptr};

zel_internal::PoolFailureHook zel_internal::setPoolFailureHook(PoolFailureHook hook) noexcept {
    return ZELPoolAllocator::failureHook_.exchange(hook, std::memory_order_acq_rel);
}

void* ZELPoolAllocator::allocateSlow(std::size_t bytes) {
    if (zel_internal::PoolFailureHook hook = failureHook_.load(std::memory_order_acquire)) {
        if (hook(bytes)) throw std::bad_alloc();
    }
    if (ZELMATH_POOL_FORWARDS || bytes > MaxPooledBytes)
        return ::operator new(bytes == 0 ? 1 : bytes);
    const std::size_t cls = classOf(bytes);
    PoolThreadCache& c = zel_internal::t_poolCache;
    if (FreeBlock* block = c.lists[cls]) {
        c.lists[cls] = block->next;
        --c.counts[cls];
        return block;
    }
    return refill(c, cls);
}

void ZELPoolAllocator::deallocateSlow(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (ZELMATH_POOL_FORWARDS || bytes > MaxPooledBytes) {
        ::operator delete(p);
        return;
    }
    const std::size_t cls = classOf(bytes);
    auto* block = static_cast<FreeBlock*>(p);
    PoolThreadCache& c = zel_internal::t_poolCache;
    if (c.retired) {
        block->next = nullptr;
        try {
            pushShared(cls, block, block);
        } catch (...) {
            // Locking a std::mutex does not fail in practice; losing one block is the fallback.
        }
        return;
    }
    if (!c.live) attach(c);
    block->next = c.lists[cls];
    c.lists[cls] = block;
    if (++c.counts[cls] > MaxCached) spill(c, cls);
}
