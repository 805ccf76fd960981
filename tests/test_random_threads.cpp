// Concurrency of the generator; also run under ThreadSanitizer (preset `tsan`).
#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "foundation/KOBMetaClass.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ZELMATH_TEST_SCALED_DOWN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELMATH_TEST_SCALED_DOWN 1
#endif
#endif

namespace {

constexpr int Threads = 4;

// The stress tests: 8 threads of 10^6 draws each (10^5 under AddressSanitizer, which slows the
// sorting and the vectors more than the locking that is under test).
constexpr int StressThreads = 8;
#ifdef ZELMATH_TEST_SCALED_DOWN
constexpr int StressDraws = 100000;
#else
constexpr int StressDraws = 1000000;
#endif

// Releases all threads at once; the counterpart of StartLine for any number of threads.
class Gate {
public:
    explicit Gate(int n) : n_(n) {}
    void arriveAndWait() {
        ++arrived_;
        while (arrived_.load() < n_) std::this_thread::yield();
    }

private:
    int n_;
    std::atomic<int> arrived_{0};
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Releases all threads at once so that they really race.
class StartLine {
public:
    void arriveAndWait() {
        ++arrived_;
        while (arrived_.load() < Threads) std::this_thread::yield();
    }

private:
    std::atomic<int> arrived_{0};
};

TEST(RandomThreads, InstanceRaceBuildsOneGenerator) {
    delete ZELRandomGenerator::Instance();  // start from no singleton
    ASSERT_EQ(ZELRandomGenerator::_Instance.load(), nullptr);
    StartLine start;
    std::vector<ZELRandomGenerator*> seen(Threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            start.arriveAndWait();
            seen[t] = ZELRandomGenerator::Instance();
            seen[t]->GetRandomNumber(t + 1);
        });
    for (auto& th : threads) th.join();
    ASSERT_NE(seen[0], nullptr);
    for (ZELRandomGenerator* g : seen) EXPECT_EQ(g, seen[0]);
}

TEST(RandomThreads, DistinctStreamsKeepTheirSequences) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int Draws = 20000;
    for (int t = 0; t < Threads; ++t) g->ResetStream(100 + t);
    StartLine start;
    std::vector<std::vector<double>> drawn(Threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            std::vector<double>& out = drawn[t];
            out.reserve(Draws);
            start.arriveAndWait();
            for (int i = 0; i < Draws; ++i) {
                if (i % 100 == 0) {
                    double block[7];  // block draws interleave with single draws
                    g->GetRandomNumbers(100 + t, block, 7);
                    out.insert(out.end(), block, block + 7);
                } else {
                    out.push_back(g->GetRandomNumber(100 + t));
                }
            }
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < Threads; ++t) {
        model::Stream m{model::seedOfStream(100 + t)};
        for (double u : drawn[t]) ASSERT_EQ(u, m.next()) << "stream " << 100 + t;
    }
}

TEST(RandomThreads, OneSharedStreamLosesAndRepeatsNothing) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int Draws = 20000;
    g->ResetStream(200);
    StartLine start;
    std::vector<std::vector<std::uint32_t>> drawn(Threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            start.arriveAndWait();
            for (int i = 0; i < Draws; ++i) drawn[t].push_back(model::stateFor(g->GetRandomNumber(200)));
        });
    for (auto& th : threads) th.join();
    std::vector<std::uint32_t> all;
    for (auto& d : drawn) all.insert(all.end(), d.begin(), d.end());
    std::vector<std::uint32_t> expected;
    model::Stream m{model::seedOfStream(200)};
    for (int i = 0; i < Threads * Draws; ++i) expected.push_back(m.nextState());
    std::sort(all.begin(), all.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected);
}

TEST(RandomThreads, DistributionsAndMetaDataFromSeveralThreads) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    for (int t = 0; t < Threads; ++t) g->ResetStream(300 + t);
    const ZELNormalDistribution normal(1.0, 2.0);
    StartLine start;
    std::vector<double> sums(Threads);
    std::vector<const char*> names(Threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            ZELNormalDistribution mine(normal);
            ZELExponentialDistribution exponential(3.0);
            start.arriveAndWait();
            names[t] = exponential.IsA();
            for (int i = 0; i < 2000; ++i) sums[t] += mine.getRandomVariate(300 + t) + exponential.getRandomVariate(300 + t);
        });
    for (auto& th : threads) th.join();
    // The same draws on one thread, afterwards, give the same sums.
    for (int t = 0; t < Threads; ++t) {
        g->ResetStream(300 + t);
        ZELNormalDistribution mine(normal);
        ZELExponentialDistribution exponential(3.0);
        double sum = 0.0;
        for (int i = 0; i < 2000; ++i) sum += mine.getRandomVariate(300 + t) + exponential.getRandomVariate(300 + t);
        EXPECT_EQ(sums[t], sum);
        EXPECT_STREQ(names[t], "ZELExponentialDistribution");
    }
}

TEST(RandomThreads, StressOneSharedStreamHandsOutEachNumberOnce) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int Stream = 500;
    g->ResetStream(Stream);
    Gate gate(StressThreads);
    std::vector<std::vector<std::uint32_t>> drawn(StressThreads);
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < StressThreads; ++t)
        threads.emplace_back([&, t] {
            std::vector<std::uint32_t>& out = drawn[t];
            out.reserve(StressDraws);
            gate.arriveAndWait();
            for (int i = 0; i < StressDraws; ++i) out.push_back(model::stateFor(g->GetRandomNumber(Stream)));
        });
    for (auto& th : threads) th.join();
    const double elapsed = secondsSince(start);

    std::vector<std::uint32_t> all;
    all.reserve(static_cast<std::size_t>(StressThreads) * StressDraws);
    for (auto& d : drawn) all.insert(all.end(), d.begin(), d.end());
    std::vector<std::uint32_t> expected;
    expected.reserve(all.size());
    model::Stream m{model::seedOfStream(Stream)};
    for (std::size_t i = 0; i < all.size(); ++i) expected.push_back(m.nextState());
    std::sort(all.begin(), all.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(all == expected) << "the multiset of drawn numbers differs from the stream's first "
                                 << expected.size() << " numbers";
    // The stream continues right after the numbers handed out.
    EXPECT_EQ(model::stateFor(g->GetRandomNumber(Stream)), m.nextState());
    std::printf("[ figures  ] %d threads x %d draws on one stream: %.3f s, %.2f M draws/s\n", StressThreads,
                StressDraws, elapsed, StressThreads * static_cast<double>(StressDraws) / elapsed / 1e6);
}

TEST(RandomThreads, StressDistinctStreamsKeepTheirSequences) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int FirstStream = 600;
    for (int t = 0; t < StressThreads; ++t) g->ResetStream(FirstStream + t);
    Gate gate(StressThreads);
    std::vector<int> mismatches(StressThreads, 0);
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < StressThreads; ++t)
        threads.emplace_back([&, t] {
            const int stream = FirstStream + t;
            model::Stream m{model::seedOfStream(stream)};
            int bad = 0;
            gate.arriveAndWait();
            for (int i = 0; i < StressDraws; ++i) bad += g->GetRandomNumber(stream) != m.next();
            mismatches[t] = bad;
        });
    for (auto& th : threads) th.join();
    const double elapsed = secondsSince(start);
    for (int t = 0; t < StressThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "stream " << FirstStream + t;
    std::printf("[ figures  ] %d threads x %d draws on distinct streams: %.3f s, %.2f M draws/s\n",
                StressThreads, StressDraws, elapsed, StressThreads * static_cast<double>(StressDraws) / elapsed / 1e6);
}

}  // namespace
