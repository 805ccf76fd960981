/// \class ZELSysFastMutexLock
/// A recursive mutex that is cheap when uncontended.
///
/// The thread that holds the lock may lock it again; it is released when every `lock()` has been
/// matched by an `unlock()`. An uncontended lock/unlock pair costs one read of the owner, one
/// atomic exchange to take the underlying mutex and one to release it. A thread that finds the
/// lock held retries briefly before it sleeps in the kernel, since the sections it guards are a
/// few nanoseconds long. `LockGuard` locks in its constructor and unlocks in its destructor.
#ifndef ZELMATH_FOUNDATION_ZELSYSFASTMUTEXLOCK_H
#define ZELMATH_FOUNDATION_ZELSYSFASTMUTEXLOCK_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"

#include <atomic>
#include <mutex>
#include <thread>

/// Identifies a static mutex instance; the library uses 0 for its one static instance.
enum ZELStaticObject : int { ZELStaticObjectDefault = 0 };

class ZELMATH_EXPORT ZELSysFastMutexLock {
public:
    explicit ZELSysFastMutexLock(ZELStaticObject = ZELStaticObjectDefault) noexcept {}
    ZELSysFastMutexLock(const ZELSysFastMutexLock&) = delete;
    ZELSysFastMutexLock& operator=(const ZELSysFastMutexLock&) = delete;

    void lock() {
        const std::thread::id self = std::this_thread::get_id();
        // Only this thread can have stored its own id, so a relaxed read is enough.
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        if (!mutex_.try_lock()) lockContended();
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }

    void unlock() {
        if (--depth_ == 0) {
            owner_.store(std::thread::id(), std::memory_order_relaxed);
            mutex_.unlock();
        }
    }

    /// Holds the lock for its lifetime (locks in the constructor, unlocks in the destructor).
    class LockGuard {
    public:
        explicit LockGuard(ZELSysFastMutexLock& lock) : lock_(lock) { lock_.lock(); }
        ~LockGuard() { lock_.unlock(); }
        LockGuard(const LockGuard&) = delete;
        LockGuard& operator=(const LockGuard&) = delete;

    private:
        ZELSysFastMutexLock& lock_;
    };

private:
    /// Critical sections under this lock are short: spinning briefly on try_lock keeps a waiter
    /// from going to sleep in the kernel (and the holder from having to wake it) in most cases.
    void lockContended() {
        for (int i = 0; i < 256; ++i) {
            spinPause();
            if (mutex_.try_lock()) return;
        }
        mutex_.lock();
    }

    static void spinPause() noexcept {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }

    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    unsigned depth_ = 0;
};

/// @}

#endif
