// The generator's streams on one thread, checked against the independent model in RandomModel.h.
#include "AssertRecorder.h"
#include "RandomModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

// Opens the protected constructor for generators of other sizes.
class TestGenerator : public ZELRandomGenerator {
public:
    explicit TestGenerator(int streams) : ZELRandomGenerator(streams) {}
};

TEST(RandomGenerator, StreamsStartFromTheBuiltInSeedsAndFollowTheModel) {
    TestGenerator g(2000);
    EXPECT_EQ(g.GetNumberOfStreams(), 2000);
    EXPECT_EQ(g.GetInitialSeed(1), 1088421889);
    EXPECT_EQ(g.GetInitialSeed(2), -2118123519);  // 0x81c00001 read as a signed int
    EXPECT_EQ(static_cast<std::uint32_t>(g.GetInitialSeed(1999)), 0x95200001u);
    EXPECT_EQ(static_cast<std::uint32_t>(g.GetInitialSeed(2000)), 0xd6000001u);
    EXPECT_EQ(g.GetRandomNumber(1), 4263917898.0 / 4294967295.0);
    EXPECT_EQ(g.GetRandomNumber(1), static_cast<double>(0xCB8C5557u) / 4294967295.0);
    for (int k : {2, 17, 1024, 1999, 2000}) {
        model::Stream m{model::seedOfStream(k)};
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(g.GetRandomNumber(k), m.next()) << k << " " << i;
    }
}

TEST(RandomGenerator, SeedsLieTwoToTheTwentyOneStepsApartWithTheDocumentedLimits) {
    model::Stream m{model::seedOfStream(1000)};  // walked by the model, not by AdvanceStream
    for (int i = 0; i < 2097152; ++i) m.nextState();
    EXPECT_EQ(m.x, model::seedOfStream(1001));
    TestGenerator g(2000);
    g.AdvanceStream(7, 2097152);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.GetRandomNumber(7), g.GetRandomNumber(8));
    // Streams k and k + 1024 stay exactly 2^31 apart, k and k + 512 exactly 3 * 2^30.
    for (int i = 0; i < 100; ++i) {
        const std::uint32_t x = model::stateFor(g.GetRandomNumber(3));
        EXPECT_EQ(model::stateFor(g.GetRandomNumber(515)) - x, 0xC0000000u);
        EXPECT_EQ(model::stateFor(g.GetRandomNumber(1027)) - x, 0x80000000u);
    }
    g.AdvanceStream(1523, 1549402);  // state 0 at draw 1 549 403 gives exactly 0
    EXPECT_EQ(g.GetRandomNumber(1523), 0.0);
    g.AdvanceStream(1136, 928857);  // state 0xFFFFFFFF at draw 928 858 gives exactly 1
    EXPECT_EQ(g.GetRandomNumber(1136), 1.0);
}

TEST(RandomGenerator, BlockDrawsAndAdvancesEqualSingleDraws) {
    TestGenerator a(10), b(10);
    a.SetAntithetic(6);
    b.SetAntithetic(6);
    for (int stream : {2, 6}) {
        std::vector<double> block(1000);
        a.GetRandomNumbers(stream, block.data(), block.size());
        for (double u : block) ASSERT_EQ(u, b.GetRandomNumber(stream));
        a.GetRandomNumbers(stream, nullptr, 0);
        EXPECT_EQ(a.GetRandomNumber(stream), b.GetRandomNumber(stream));
    }
    for (std::uint64_t steps : {0ull, 1ull, 2ull, 3ull, 1000ull, 65537ull, 999999ull}) {
        a.AdvanceStream(2, steps);
        for (std::uint64_t i = 0; i < steps; ++i) b.GetRandomNumber(2);
        ASSERT_EQ(a.GetRandomNumber(2), b.GetRandomNumber(2)) << steps;
    }
    // The cycle has length 2^32: advancing by it, or by 2^64 - 1 and then 1, changes nothing.
    const double next = TestGenerator(a).GetRandomNumber(2);
    a.AdvanceStream(2, 1ull << 32);
    a.AdvanceStream(2, ~0ull);
    a.AdvanceStream(2, 1);
    EXPECT_EQ(a.GetRandomNumber(2), next);
    EXPECT_EQ(a.GetInitialSeed(2), static_cast<int>(model::seedOfStream(2)));
}

TEST(RandomGenerator, AntitheticOutputIsTheExactComplementAndNewSeedsWaitForAReset) {
    TestGenerator g(2000);
    model::Stream m3{model::seedOfStream(3)}, m5{model::seedOfStream(5)};
    EXPECT_EQ(g.GetRandomNumber(3), m3.next());
    g.SetAntithetic(3);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(g.GetRandomNumber(3), 1.0 - m3.next());
    EXPECT_EQ(g.GetRandomNumber(4),
              model::Stream{model::seedOfStream(4)}.next());  // neighbours stay plain
    g.ResetStream(3);                                         // a reset keeps the flag
    EXPECT_EQ(g.GetRandomNumber(3), 1.0 - model::Stream{model::seedOfStream(3)}.next());
    g.SetInitialSeed(5, 0xDEADBEEFu);
    EXPECT_EQ(g.GetInitialSeed(5), static_cast<int>(0xDEADBEEFu));
    EXPECT_EQ(g.GetRandomNumber(5), m5.next());  // the old sequence goes on until the reset
    for (int twice = 0; twice < 2; ++twice) {
        g.ResetStream(5);
        EXPECT_EQ(g.GetRandomNumber(5), model::Stream{0xDEADBEEFu}.next());
    }
}

TEST(RandomGenerator, StreamCountsBelowOneMeanOneAndStreamsBeyondTheTableStartFromSeedOne) {
    TestGenerator big(2500);
    EXPECT_EQ(big.GetNumberOfStreams(), 2500);
    EXPECT_EQ(static_cast<std::uint32_t>(big.GetInitialSeed(2000)), 0xd6000001u);
    for (int k : {2001, 2250, 2500}) {
        EXPECT_EQ(big.GetInitialSeed(k), 1);
        EXPECT_EQ(big.GetRandomNumber(k), 767965514.0 / 4294967295.0);
    }
    for (int n : {0, -3}) {
        TestGenerator one(n);
        model::Stream m{model::seedOfStream(1)};
        EXPECT_TRUE(one.GetNumberOfStreams() == 1 && one.GetRandomNumber(1) == m.next() &&
                    one.GetRandomNumber(2) == m.next());
    }
}

// Every per-stream call with stream 0, -1, n + 1, INT_MAX or INT_MIN works on stream 1. With strict
// numbers each such call is reported once first; valid numbers are never reported.
TEST(RandomGenerator, OutOfRangeStreamNumbersMeanStreamOneAndAreReportedWhenStrict) {
    AssertRecorder recorder;
    for (bool strict : {false, true}) {
        ZELRandomGenerator::SetStrictStreams(strict);
        EXPECT_EQ(ZELRandomGenerator::GetStrictStreams(), strict);
        int calls = 0;
        for (int bad : {0, -1, 2001, INT_MAX, INT_MIN}) {
            TestGenerator g(2000);
            model::Stream m{model::seedOfStream(1)};
            EXPECT_EQ(g.GetRandomNumber(bad), m.next()) << bad;
            double block[3];
            g.GetRandomNumbers(bad, block, 3);
            for (double u : block) EXPECT_EQ(u, m.next());
            g.AdvanceStream(bad, 2);
            m.nextState(), m.nextState();
            EXPECT_EQ(g.GetRandomNumber(1), m.next());
            g.SetInitialSeed(bad, 77u);
            EXPECT_EQ(g.GetInitialSeed(bad), 77);
            g.ResetStream(bad);
            g.SetAntithetic(bad);
            EXPECT_EQ(g.GetRandomNumber(1), 1.0 - model::Stream{77u}.next());
            EXPECT_EQ(g.GetRandomNumber(2000), model::Stream{model::seedOfStream(2000)}.next());
            calls += 7;
        }
        const std::vector<AssertReport> reports = recorder.take();
        ASSERT_EQ(reports.size(), strict ? static_cast<std::size_t>(calls) : 0u);
        for (const AssertReport& r : reports)
            EXPECT_TRUE(r.category == "Software" && r.message == "Invalid stream number" &&
                        r.file == "ZELRandomMD.m/src/ZELRandomGenerator");
    }
    ZELRandomGenerator::SetStrictStreams(false);
}

TEST(RandomGenerator, CopiesOwnTheirStreamsAndTheSingletonIsRebuiltAfterItsDestruction) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    ASSERT_TRUE(g != nullptr && ZELRandomGenerator::Instance() == g &&
                g->GetNumberOfStreams() == 2000);
    {
        TestGenerator a(3), c(2500);
        a.GetRandomNumber(2);
        a.SetAntithetic(3);
        TestGenerator b(a);
        c = a;
        c = static_cast<const TestGenerator&>(c);
        for (TestGenerator* copy : {&b, &c}) {
            EXPECT_EQ(copy->GetNumberOfStreams(), 3);
            EXPECT_EQ(copy->GetRandomNumber(2), TestGenerator(a).GetRandomNumber(2));
            EXPECT_EQ(copy->GetRandomNumber(3), TestGenerator(a).GetRandomNumber(3));
        }
        b.SetInitialSeed(1, 9u);
        EXPECT_EQ(a.GetInitialSeed(1), 1088421889);
    }
    EXPECT_EQ(ZELRandomGenerator::_Instance.load(), g);  // other generators' destruction leaves it
    g->SetInitialSeed(9, 5u);
    delete g;
    EXPECT_EQ(ZELRandomGenerator::_Instance.load(), nullptr);
    ZELRandomGenerator* fresh = ZELRandomGenerator::Instance();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetInitialSeed(9), static_cast<int>(model::seedOfStream(9)));
}

// Counts follow draws, blocks and advances, restart at a reset, survive a copy and run modulo 2^32;
// with the check on, the draw that passes 2^21 is reported once per reset (also when the check
// comes on late), and the numbers never change.
TEST(RandomGenerator, DrawCountsAndTheOverrunCheck) {
    AssertRecorder recorder;
    TestGenerator g(10);
    double block[5];
    g.GetRandomNumber(4);
    g.GetRandomNumbers(4, block, 5);
    g.AdvanceStream(4, 1000);
    EXPECT_EQ(g.GetDrawCount(4), 1006u);
    EXPECT_EQ(g.GetDrawCount(5), 0u);
    EXPECT_EQ(TestGenerator(g).GetDrawCount(4), 1006u);
    g.ResetStream(4);
    EXPECT_EQ(g.GetDrawCount(4), 0u);
    g.AdvanceStream(4, ~0ull);  // 2^64 - 1 steps: 2^32 - 1 modulo the period
    EXPECT_EQ(g.GetDrawCount(4), 0xFFFFFFFFu);
    EXPECT_EQ(g.GetRandomNumber(4),
              model::Stream{model::seedOfStream(4)}.x / 4294967295.0);  // a whole period
    EXPECT_EQ(g.GetDrawCount(4), 0u);
    EXPECT_TRUE(recorder.take().empty());  // the check is off by default

    // The reports' messages (each names the stream and its draw count).
    const auto reportsAfter = [&](const std::function<void()>& draws) {
        draws();
        std::vector<std::string> messages;
        for (const AssertReport& a : recorder.take()) {
            EXPECT_TRUE(a.category == "Software" &&
                        a.file == "ZELRandomMD.m/src/ZELRandomGenerator");
            messages.push_back(a.message);
        }
        return messages;
    };
    using Messages = std::vector<std::string>;
    const auto ranInto = [](int stream, std::uint64_t draws) {
        return Messages{"Stream ran into the next stream: stream " + std::to_string(stream) +
                        " after " + std::to_string(draws) + " draws"};
    };
    ZELRandomGenerator::SetOverrunCheck(true);
    EXPECT_TRUE(ZELRandomGenerator::GetOverrunCheck());
    for (int round = 0; round < 2; ++round) {
        g.ResetStream(7);
        EXPECT_EQ(reportsAfter([&] {
                      g.AdvanceStream(7, ZELRandomGenerator::StreamLength - 1);
                      g.GetRandomNumber(7);
                  }),
                  Messages{});
        EXPECT_EQ(g.GetDrawCount(7), ZELRandomGenerator::StreamLength);
        double u = 0.0;
        EXPECT_EQ(reportsAfter([&] { u = g.GetRandomNumber(7); }), ranInto(7, (1u << 21) + 1));
        EXPECT_EQ(u, model::Stream{model::seedOfStream(8)}.next());  // stream 8's first number
        EXPECT_EQ(reportsAfter([&] {
                      g.GetRandomNumbers(7, block, 5);
                      g.AdvanceStream(7, 9);
                  }),
                  Messages{});
    }
    EXPECT_EQ(reportsAfter([&] {
                  g.GetRandomNumbers(8, block, 1);
                  g.AdvanceStream(8, 1u << 22);
              }),
              ranInto(8, (1u << 22) + 1));
    ZELRandomGenerator::SetOverrunCheck(false);
    EXPECT_EQ(reportsAfter([&] {
                  g.ResetStream(9);
                  g.AdvanceStream(9, 3u << 21);
              }),
              Messages{});
    ZELRandomGenerator::SetOverrunCheck(
        true);  // a stream already past 2^21 reports at its next draw
    EXPECT_EQ(reportsAfter([&] {
                  g.GetRandomNumber(9);
                  g.GetRandomNumber(9);
              }),
              ranInto(9, (3u << 21) + 1));
    ZELRandomGenerator::SetOverrunCheck(false);
}

}  // namespace
