// Error classes, assertion hook, recursive mutex, pointer iterators and the pool.
#include <ZELMath.h>

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <numeric>
#include <set>
#include <thread>
#include <type_traits>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ZELMATH_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELMATH_TEST_ASAN 1
#endif
#endif

namespace {

#ifdef ZELMATH_TEST_ASAN
constexpr bool kPoolForwards = true;
#else
constexpr bool kPoolForwards = false;
#endif

template <class Base, class Error>
bool caughtAs(const Error& error) {
    try {
        throw error;
    } catch (const Base&) {
        return true;
    } catch (...) {
        return false;
    }
}

// Thrown by value, then caught as each of its bases, with message, file, line and UTF-8 what().
template <class Error, class... Bases>
void expectCaughtAsItselfAnd() {
    const Error original(std::wstring(L"m\u00e9ssage ") + static_cast<wchar_t>(0x1F600),
                         "foundation/here", 42);
    try {
        throw Error(original);  // a copy, as every throw site makes
    } catch (const Error& e) {
        EXPECT_TRUE(e.message() == original.message() && e.file() == "foundation/here" &&
                    e.line() == 42);
        EXPECT_STREQ(e.what(), "m\xc3\xa9ssage \xf0\x9f\x98\x80");
    }
    EXPECT_TRUE((caughtAs<Bases>(original) && ...));
}

}  // namespace

TEST(Errors, EveryClassIsCaughtAlongItsBasesWithItsOrigin) {
    expectCaughtAsItselfAnd<ZELENumericError, ZELERuntimeError, ZELException, std::exception,
                            ZELMsgBase>();
    expectCaughtAsItselfAnd<ZELEZeroDivide, ZELERuntimeError, ZELMessage>();
    expectCaughtAsItselfAnd<ZELEOverflowError, ZELERuntimeError, ZELMsgData>();
    expectCaughtAsItselfAnd<ZELEZeroVector, ZELERuntimeError, ZELException>();
    expectCaughtAsItselfAnd<ZELEDomainError, ZELELogicError, ZELException, std::exception>();
    static_assert(!std::is_base_of<ZELELogicError, ZELEZeroDivide>::value, "separate branches");
    static_assert(!std::is_base_of<ZELERuntimeError, ZELEDomainError>::value, "separate branches");
}

TEST(AssertHook, HandlerReceivesReportsAndTheDefaultPrintsThem) {
    {
        AssertRecorder recorder;
        _scl_do_assert("Software", "Invalid reference frame", "publicinterfaces/ZELRotate3D", 802);
        const auto reports = recorder.take();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].category + reports[0].message + reports[0].file,
                  "SoftwareInvalid reference framepublicinterfaces/ZELRotate3D");
        EXPECT_EQ(reports[0].line, 802);
    }
    // The recorder put back the default, which reports to stderr and returns as null.
    EXPECT_EQ(scl_set_assert_handler(nullptr), nullptr);
    testing::internal::CaptureStderr();
    _scl_do_assert("Software", "No infinity value", "ZELSimTimeMD.m/src/ZELSimTimeLimits", 125);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ZELSimTimeMD.m/src/ZELSimTimeLimits(125): Software: No infinity value\n");
}

TEST(Mutex, IsRecursiveAndExcludesOtherThreads) {
    ZELSysFastMutexLock mutex(ZELStaticObject(0));
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            ZELSysFastMutexLock::LockGuard outer(mutex);
            ZELSysFastMutexLock::LockGuard inner(mutex);  // the holder may lock again
            ++counter;
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(work);
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 80000);

    // Released only after the last unlock.
    mutex.lock();
    mutex.lock();
    mutex.unlock();
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        ZELSysFastMutexLock::LockGuard g(mutex);
        acquired = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(acquired.load());
    mutex.unlock();
    other.join();
    EXPECT_TRUE(acquired.load());
}

TEST(Iterators, ConstIteratorsHoldPlainValuesAndMeetMutableOnes) {
    const double values[] = {1, 4, 9, 16};
    ZELMathVector v(values, 4);
    const ZELMathVector& cv = v;
    static_assert(std::is_same<std::iterator_traits<ZELMathVector::const_iterator>::value_type,
                               double>::value,
                  "");
    ZELMathVector steps(4, 0.0);
    std::adjacent_difference(cv.begin(), cv.end(), steps.begin());  // keeps a value_type copy
    EXPECT_EQ(steps, ZELMathVector(std::vector<double>{1, 3, 5, 7}.data(), 4));

    ZELMathVector::const_iterator c = v.begin();  // converts
    EXPECT_TRUE(c == v.begin() && v.begin() == c && v.end() != c && c != v.end());
    EXPECT_TRUE(v.begin() < cv.end() && !(cv.end() < v.begin()) && cv.begin() <= v.begin());
    EXPECT_EQ(cv.end() - v.begin(), 4);
    *v.begin() = 10;
    EXPECT_EQ(*c, 10);
    using Reverse = scl_reverse_iterator<ZELMathVector::const_iterator>;
    EXPECT_EQ(std::vector<double>(Reverse(cv.end()), Reverse(cv.begin())),
              (std::vector<double>{16, 9, 4, 10}));
}

TEST(PoolAllocator, BlocksAreAlignedDistinctAndReused) {
    ZELPoolAllocator* pool = ZELPoolAllocator::Global();
    EXPECT_EQ(pool, ZELPoolAllocator::Global());
    std::vector<std::pair<char*, std::size_t>> blocks;
    for (std::size_t bytes : {0, 1, 8, 16, 17, 48, 100, 4096, 4097, 100000}) {
        for (int i = 0; i < 50; ++i) {
            auto* p = static_cast<char*>(pool->allocate(bytes));
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u);
            std::memset(p, 0xA5, bytes);
            blocks.emplace_back(p, bytes);
        }
    }
    // No two live blocks overlap.
    auto sorted = blocks;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 1; i < sorted.size(); ++i)
        EXPECT_GE(sorted[i].first,
                  sorted[i - 1].first + std::max<std::size_t>(sorted[i - 1].second, 1));
    for (auto& b : blocks) pool->deallocate(b.first, b.second);
    pool->deallocate(nullptr, 64);
}

TEST(PoolAllocator, ThreadsNeverShareALiveBlock) {
    std::atomic<bool> overlap{false};
    auto work = [&](unsigned char tag) {
        ZELPoolAllocator* pool = ZELPoolAllocator::Global();
        std::vector<std::pair<unsigned char*, std::size_t>> live;
        auto release = [&](std::pair<unsigned char*, std::size_t> block) {
            for (std::size_t i = 0; i < block.second; ++i)
                if (block.first[i] != tag) overlap = true;
            pool->deallocate(block.first, block.second);
        };
        for (int round = 0; round < 2000; ++round) {
            const std::size_t bytes = 8 + static_cast<std::size_t>(round % 7) * 24;
            auto* p = static_cast<unsigned char*>(pool->allocate(bytes));
            std::memset(p, tag, bytes);
            live.emplace_back(p, bytes);
            if (live.size() > 64) {
                release(live.front());
                live.erase(live.begin());
            }
        }
        for (auto& block : live)
            release(block);  // cached blocks return to the shared lists at exit
    };
    for (int generation = 0; generation < 2; ++generation) {
        std::vector<std::thread> threads;
        for (unsigned char t = 1; t <= 4; ++t) threads.emplace_back(work, t);
        for (auto& t : threads) t.join();
    }
    EXPECT_FALSE(overlap.load());
}

// One thread allocates, another frees, at most 1000 blocks alive: the freed blocks must come back
// into use, so the number of distinct addresses stays near the number alive (under
// AddressSanitizer the pool forwards to operator new and only the hand-over is checked).
TEST(PoolAllocator, BlocksFreedOnAnotherThreadAreReused) {
    constexpr std::size_t kBytes = 80, kTotal = 200000, kAlive = 1000;
    std::vector<void*> ring(kAlive);
    std::atomic<std::size_t> produced{0}, consumed{0};
    std::set<void*> seen;
    std::thread consumer([&] {
        for (std::size_t i = 0; i < kTotal; ++i) {
            while (produced.load(std::memory_order_acquire) <= i) std::this_thread::yield();
            ZELPoolAllocator::Global()->deallocate(ring[i % kAlive], kBytes);
            consumed.store(i + 1, std::memory_order_release);
        }
    });
    for (std::size_t i = 0; i < kTotal; ++i) {
        while (i - consumed.load(std::memory_order_acquire) >= kAlive) std::this_thread::yield();
        void* p = ZELPoolAllocator::Global()->allocate(kBytes);
        if (seen.size() < 100000) seen.insert(p);
        ring[i % kAlive] = p;
        produced.store(i + 1, std::memory_order_release);
    }
    consumer.join();
    if (!kPoolForwards) {
        EXPECT_LT(seen.size(), 4 * kAlive);
    }
}

TEST(PoolAllocator, FailureHookMakesAllocationThrow) {
    static int calls;
    calls = 0;
    auto previous = zel_internal::setPoolFailureHook([](std::size_t) { return ++calls == 2; });
    ZELPoolAllocator* pool = ZELPoolAllocator::Global();
    void* first = pool->allocate(32);
    EXPECT_THROW(pool->allocate(32), std::bad_alloc);
    void* third = pool->allocate(32);
    zel_internal::setPoolFailureHook(previous);
    pool->deallocate(first, 32);
    pool->deallocate(third, 32);
}
