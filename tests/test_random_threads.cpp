// Concurrency of the generator; also run under ThreadSanitizer (preset `tsan`).
#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "foundation/KOBMetaClass.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr int Threads = 4;

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

}  // namespace
