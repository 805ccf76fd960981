#include "foundation/ZELPoolAllocator.h"

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

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

namespace {

constexpr std::size_t kClasses = ZELPoolAllocator::MaxPooledBytes / ZELPoolAllocator::Granularity;
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kRefillBatch = 32;  // blocks moved from the shared list at once

std::atomic<ZELPoolAllocator::FailureHook> g_failureHook{nullptr};

struct FreeBlock {
    FreeBlock* next;
};

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

// Per-thread cache. Trivially destructible, so it stays usable after `CacheFlusher` below has
// run at thread exit; from then on `retired` sends every block to the shared lists.
struct ThreadCache {
    FreeBlock* lists[kClasses];
    char* bumpBegin;
    char* bumpEnd;
    bool retired;
};

thread_local ThreadCache t_cache;

void pushShared(std::size_t cls, FreeBlock* head, FreeBlock* tail) {
    SharedPool& pool = shared();
    std::lock_guard<std::mutex> lock(pool.mutex);
    tail->next = pool.lists[cls];
    pool.lists[cls] = head;
}

struct CacheFlusher {
    bool armed = false;
    ~CacheFlusher() {
        t_cache.retired = true;
        for (std::size_t cls = 0; cls < kClasses; ++cls) {
            FreeBlock* head = t_cache.lists[cls];
            if (!head) continue;
            FreeBlock* tail = head;
            while (tail->next) tail = tail->next;
            pushShared(cls, head, tail);
            t_cache.lists[cls] = nullptr;
        }
        // The rest of the bump region is abandoned; the chunk stays owned by the shared pool.
        t_cache.bumpBegin = t_cache.bumpEnd = nullptr;
    }
};

thread_local CacheFlusher t_flusher;

// Fast handle to the thread's cache. The cache itself is too large for the static TLS block that
// a library loaded with dlopen may use, but one pointer is not: with the initial-exec model the
// fast path reads it with a single thread-pointer-relative load instead of a call to the TLS
// resolver.
#if defined(__GNUC__)
__attribute__((tls_model("initial-exec")))
#endif
thread_local ThreadCache* t_cachePtr = nullptr;

#if defined(__GNUC__)
__attribute__((noinline, cold))
#endif
ThreadCache* attachCache() {
    t_flusher.armed = true;  // first use registers the flusher's destructor for this thread
    t_cachePtr = &t_cache;
    return &t_cache;
}

inline ThreadCache& cache() {
    ThreadCache* c = t_cachePtr;
    return *(c ? c : attachCache());
}

// Takes a block of class `cls` when the thread's list is empty.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
void* refill(std::size_t cls) {
    const std::size_t size = classBytes(cls);
    SharedPool& pool = shared();
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        if (FreeBlock* block = pool.lists[cls]) {
            // One block for the caller, up to a batch more for the thread's own list.
            pool.lists[cls] = block->next;
            for (std::size_t i = 1; i < kRefillBatch && pool.lists[cls] && !t_cache.retired; ++i) {
                FreeBlock* b = pool.lists[cls];
                pool.lists[cls] = b->next;
                b->next = t_cache.lists[cls];
                t_cache.lists[cls] = b;
            }
            return block;
        }
    }
    if (t_cache.retired) {
        // A thread past its exit handlers: no local bump region, take a block from a fresh chunk
        // of its own size. Rare (only objects destroyed during thread shut-down).
        void* chunk = ::operator new(size);
        std::lock_guard<std::mutex> lock(pool.mutex);
        try {
            pool.chunks.push_back(chunk);
        } catch (...) {
            ::operator delete(chunk);
            throw;
        }
        return chunk;
    }
    if (static_cast<std::size_t>(t_cache.bumpEnd - t_cache.bumpBegin) < size) {
        // The leftover of the old region (smaller than this class) is abandoned.
        char* chunk = static_cast<char*>(::operator new(kChunkBytes));
        {
            std::lock_guard<std::mutex> lock(pool.mutex);
            try {
                pool.chunks.push_back(chunk);
            } catch (...) {
                ::operator delete(chunk);
                throw;
            }
        }
        t_cache.bumpBegin = chunk;
        t_cache.bumpEnd = chunk + kChunkBytes;
    }
    void* block = t_cache.bumpBegin;
    t_cache.bumpBegin += size;
    return block;
}

}  // namespace

ZELPoolAllocator* ZELPoolAllocator::Global() {
    alignas(ZELPoolAllocator) static unsigned char storage[sizeof(ZELPoolAllocator)];
    static ZELPoolAllocator* pool = new (storage) ZELPoolAllocator();
    return pool;
}

ZELPoolAllocator::FailureHook ZELPoolAllocator::setFailureHook(FailureHook hook) noexcept {
    return g_failureHook.exchange(hook, std::memory_order_acq_rel);
}

void* ZELPoolAllocator::allocate(std::size_t bytes) {
    if (FailureHook hook = g_failureHook.load(std::memory_order_acquire)) {
        if (hook(bytes)) throw std::bad_alloc();
    }
    if (ZELMATH_POOL_FORWARDS || bytes > MaxPooledBytes) return ::operator new(bytes == 0 ? 1 : bytes);
    const std::size_t cls = classOf(bytes);
    ThreadCache& local = cache();
    if (FreeBlock* block = local.lists[cls]) {
        local.lists[cls] = block->next;
        return block;
    }
    return refill(cls);
}

void ZELPoolAllocator::deallocate(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (ZELMATH_POOL_FORWARDS || bytes > MaxPooledBytes) {
        ::operator delete(p);
        return;
    }
    const std::size_t cls = classOf(bytes);
    auto* block = static_cast<FreeBlock*>(p);
    ThreadCache& local = cache();
    if (local.retired) {
        block->next = nullptr;
        try {
            pushShared(cls, block, block);
        } catch (...) {
            // Locking a std::mutex does not fail in practice; losing one block is the fallback.
        }
        return;
    }
    block->next = local.lists[cls];
    local.lists[cls] = block;
}
