// The generator and the distributions under concurrent use; also run under ThreadSanitizer
// (preset `tsan`).
#include "AssertRecorder.h"
#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int Threads = 8;
constexpr int Draws = 250000;

// Runs body(t) on Threads threads released together, so that they really race.
void race(const std::function<void(int)>& body) {
    std::atomic<int> arrived{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            ++arrived;
            while (arrived.load() < Threads) std::this_thread::yield();
            body(t);
        });
    for (auto& th : threads) th.join();
}

TEST(RandomThreads, RacingFirstCallsBuildOneGenerator) {
    delete ZELRandomGenerator::Instance();  // start from no singleton
    ASSERT_EQ(ZELRandomGenerator::_Instance.load(), nullptr);
    std::vector<ZELRandomGenerator*> seen(Threads);
    race([&](int t) {
        seen[t] = ZELRandomGenerator::Instance();
        seen[t]->GetRandomNumber(t + 1);
    });
    ASSERT_NE(seen[0], nullptr);
    for (ZELRandomGenerator* g : seen) EXPECT_EQ(g, seen[0]);
}

// Each thread mixes single draws, blocks, advances and a normal variate on its own stream; every
// stream still delivers exactly its own sequence.
TEST(RandomThreads, EightThreadsOnTheirOwnStreamsEachKeepTheirSequence) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    for (int t = 0; t < Threads; ++t) g->ResetStream(600 + t);
    std::vector<int> mismatches(Threads, 0);
    ZELNormalDistribution normal;
    race([&](int t) {
        const int stream = 600 + t;
        model::Stream m{model::seedOfStream(stream)};
        for (int i = 0; i < Draws; ++i) {
            if (i % 1000 == 0) {
                double block[7];
                g->GetRandomNumbers(stream, block, 7);
                for (double u : block) mismatches[t] += u != m.next();
                g->AdvanceStream(stream, 3);
                for (int k = 0; k < 3; ++k) m.nextState();
            }
            mismatches[t] += g->GetRandomNumber(stream) != m.next();
        }
        const double u1 = m.next(), u2 = m.next();  // a distribution object shared by all threads
        mismatches[t] += normal.getRandomVariate(stream) !=
            std::cos(3.14527 * u2) * std::sqrt(-2.0 * std::log(u1));
    });
    for (int t = 0; t < Threads; ++t) EXPECT_EQ(mismatches[t], 0) << "stream " << 600 + t;
}

// Single draws and blocks of 5 by eight threads on one stream hand out the stream's first numbers,
// each exactly once, and the stream continues right after them.
TEST(RandomThreads, EightThreadsOnOneStreamHandOutEachNumberOnce) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int Stream = 500;
    g->ResetStream(Stream);
    std::vector<std::vector<std::uint32_t>> drawn(Threads);
    race([&](int t) {
        std::vector<std::uint32_t>& out = drawn[t];
        out.reserve(Draws + Draws / 100 * 4);
        for (int i = 0; i < Draws; ++i) {
            if (i % 100 == 0) {
                double block[5];
                g->GetRandomNumbers(Stream, block, 5);
                for (double u : block) out.push_back(model::stateFor(u));
            } else {
                out.push_back(model::stateFor(g->GetRandomNumber(Stream)));
            }
        }
    });
    std::vector<std::uint32_t> all, expected;
    for (auto& d : drawn) all.insert(all.end(), d.begin(), d.end());
    model::Stream m{model::seedOfStream(Stream)};
    for (std::size_t i = 0; i < all.size(); ++i) expected.push_back(m.nextState());
    std::sort(all.begin(), all.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(all == expected) << "the drawn numbers are not the stream's first " << all.size();
    EXPECT_EQ(model::stateFor(g->GetRandomNumber(Stream)), m.nextState());
}

// The count shares the state's word: racing draws across the end of a stream count every draw,
// and the overrun check reports the crossing exactly once.
TEST(RandomThreads, RacingDrawsCountEveryDrawAndReportTheOverrunOnce) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int Stream = 501;
    constexpr std::uint64_t Start = ZELRandomGenerator::StreamLength - 4000;
    g->ResetStream(Stream);
    g->AdvanceStream(Stream, Start);
    AssertRecorder recorder;
    ZELRandomGenerator::SetOverrunCheck(true);
    race([&](int) {
        for (int i = 0; i < 1000; ++i) g->GetRandomNumber(Stream);
    });
    ZELRandomGenerator::SetOverrunCheck(false);
    EXPECT_EQ(g->GetDrawCount(Stream), Start + Threads * 1000);
    const std::vector<AssertReport> reports = recorder.take();
    ASSERT_EQ(reports.size(), 1u);
    // The report names the draw of the thread that made it: past the end, but which racing draw
    // that was is up to the scheduler.
    const std::string prefix = "Stream ran into the next stream: stream 501 after ";
    ASSERT_EQ(reports[0].message.compare(0, prefix.size(), prefix), 0) << reports[0].message;
    const std::uint64_t count = std::stoull(reports[0].message.substr(prefix.size()));
    EXPECT_GT(count, ZELRandomGenerator::StreamLength);
    EXPECT_LE(count, Start + Threads * 1000);
}

}  // namespace
