#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Opens the protected constructor for generators of other sizes.
class TestGenerator : public ZELRandomGenerator {
public:
    explicit TestGenerator(int streams) : ZELRandomGenerator(streams) {}
};

TEST(RandomGenerator, DocumentedSeedsAndFirstNumbers) {
    TestGenerator g(2000);
    EXPECT_EQ(g.GetNumberOfStreams(), 2000);
    EXPECT_EQ(g.GetInitialSeed(1), 1088421889);
    EXPECT_EQ(g.GetInitialSeed(2), -2118123519);
    EXPECT_EQ(static_cast<std::uint32_t>(g.GetInitialSeed(3)), 0xc2a00001u);
    EXPECT_EQ(static_cast<std::uint32_t>(g.GetInitialSeed(5)), 0x44600001u);
    EXPECT_EQ(static_cast<std::uint32_t>(g.GetInitialSeed(1999)), 0x95200001u);
    EXPECT_EQ(static_cast<std::uint32_t>(g.GetInitialSeed(2000)), 0xd6000001u);

    EXPECT_EQ(g.GetRandomNumber(1), 4263917898.0 / 4294967295.0);
    EXPECT_EQ(g.GetRandomNumber(1), static_cast<double>(0xCB8C5557u) / 4294967295.0);
    EXPECT_NEAR(4263917898.0 / 4294967295.0, 0.99277074891, 1e-11);
    EXPECT_NEAR(static_cast<double>(0xCB8C5557u) / 4294967295.0, 0.79511006730, 1e-11);
}

TEST(RandomGenerator, EveryStreamFollowsTheModel) {
    TestGenerator g(2000);
    for (int k : {1, 2, 17, 1024, 1999, 2000}) {
        model::Stream m{model::seedOfStream(k)};
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(g.GetRandomNumber(k), m.next()) << k << " " << i;
    }
}

TEST(RandomGenerator, SeedsLie2To21StepsApartOnOneCycle) {
    // Walked with the model, independently of AdvanceStream.
    for (int k : {1, 1000, 1999}) {
        model::Stream m{model::seedOfStream(k)};
        for (int i = 0; i < 2097152; ++i) m.nextState();
        EXPECT_EQ(m.x, model::seedOfStream(k + 1)) << k;
    }
    TestGenerator g(2000);
    g.AdvanceStream(7, 2097152);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.GetRandomNumber(7), g.GetRandomNumber(8));
}

TEST(RandomGenerator, KnownLimitsOfTheStreams) {
    TestGenerator g(2000);
    // Streams k and k + 1024 stay exactly 2^31 apart, k and k + 512 exactly 3 * 2^30.
    for (int i = 0; i < 200; ++i) {
        const double u1 = g.GetRandomNumber(3), u512 = g.GetRandomNumber(515),
                     u1024 = g.GetRandomNumber(1027);
        const auto state = [](double u) { return model::stateFor(u); };
        EXPECT_EQ(state(u1024) - state(u1), 0x80000000u);
        EXPECT_EQ(state(u512) - state(u1), 0xC0000000u);
    }
    // State 0 is reached on stream 1523 at draw 1 549 403 and gives exactly 0.
    g.AdvanceStream(1523, 1549402);
    EXPECT_EQ(g.GetRandomNumber(1523), 0.0);
    // State 0xFFFFFFFF on stream 1136 at draw 928 858 gives exactly 1.
    g.AdvanceStream(1136, 928857);
    EXPECT_EQ(g.GetRandomNumber(1136), 1.0);
}

TEST(RandomGenerator, OutOfRangeStreamsMeanStreamOne) {
    TestGenerator g(2000);
    model::Stream m{model::seedOfStream(1)};
    for (int stream : {0, -5, 2001, 1, -2147483647 - 1, 2147483647}) EXPECT_EQ(g.GetRandomNumber(stream), m.next());
    g.SetInitialSeed(0, 77u);
    EXPECT_EQ(g.GetInitialSeed(1), 77);
    g.ResetStream(-1);
    m = model::Stream{77u};
    EXPECT_EQ(g.GetRandomNumber(1), m.next());
    g.SetAntithetic(4000);
    EXPECT_EQ(g.GetRandomNumber(1), 1.0 - m.next());
    EXPECT_EQ(g.GetRandomNumber(2), model::Stream{model::seedOfStream(2)}.next());
}

TEST(RandomGenerator, AntitheticStreams) {
    TestGenerator g(2000);
    model::Stream m3{model::seedOfStream(3)};
    EXPECT_EQ(g.GetRandomNumber(3), m3.next());
    g.SetAntithetic(3);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.GetRandomNumber(3), 1.0 - m3.next());
    // Neighbours are plain; a reset keeps the flag.
    EXPECT_EQ(g.GetRandomNumber(2), model::Stream{model::seedOfStream(2)}.next());
    EXPECT_EQ(g.GetRandomNumber(4), model::Stream{model::seedOfStream(4)}.next());
    g.ResetStream(3);
    EXPECT_EQ(g.GetRandomNumber(3), 1.0 - model::Stream{model::seedOfStream(3)}.next());
}

TEST(RandomGenerator, ReseedTakesEffectAtReset) {
    TestGenerator g(2000);
    model::Stream old{model::seedOfStream(5)};
    EXPECT_EQ(g.GetRandomNumber(5), old.next());
    g.SetInitialSeed(5, 0xDEADBEEFu);
    EXPECT_EQ(g.GetInitialSeed(5), static_cast<int>(0xDEADBEEFu));
    EXPECT_EQ(g.GetRandomNumber(5), old.next());  // continues the old sequence
    g.ResetStream(5);
    model::Stream fresh{0xDEADBEEFu};
    EXPECT_EQ(g.GetRandomNumber(5), fresh.next());
    g.ResetStream(5);
    EXPECT_EQ(g.GetRandomNumber(5), model::Stream{0xDEADBEEFu}.next());
}

TEST(RandomGenerator, StreamCounts) {
    TestGenerator big(2500);
    EXPECT_EQ(big.GetNumberOfStreams(), 2500);
    EXPECT_EQ(big.GetInitialSeed(2001), 1);
    EXPECT_EQ(big.GetInitialSeed(2500), 1);
    EXPECT_EQ(static_cast<std::uint32_t>(big.GetInitialSeed(2000)), 0xd6000001u);
    for (int k : {2001, 2250, 2500}) EXPECT_EQ(big.GetRandomNumber(k), 767965514.0 / 4294967295.0);
    EXPECT_NEAR(767965514.0 / 4294967295.0, 0.17880590497, 1e-11);

    for (int n : {0, -3}) {
        TestGenerator one(n);
        EXPECT_EQ(one.GetNumberOfStreams(), 1);
        model::Stream m{model::seedOfStream(1)};
        EXPECT_EQ(one.GetRandomNumber(1), m.next());
        EXPECT_EQ(one.GetRandomNumber(2), m.next());
    }
}

TEST(RandomGenerator, BlockDrawsMatchSingleDraws) {
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
}

TEST(RandomGenerator, AdvanceEqualsDrawAndDiscard) {
    TestGenerator a(4), b(4);
    a.SetInitialSeed(2, 0x12345678u);
    a.ResetStream(2);
    b.SetInitialSeed(2, 0x12345678u);
    b.ResetStream(2);
    for (std::uint64_t steps : {0ull, 1ull, 2ull, 3ull, 1000ull, 65537ull, 999999ull}) {
        a.AdvanceStream(2, steps);
        for (std::uint64_t i = 0; i < steps; ++i) b.GetRandomNumber(2);
        ASSERT_EQ(a.GetRandomNumber(2), b.GetRandomNumber(2)) << steps;
    }
    EXPECT_EQ(a.GetInitialSeed(2), 0x12345678);
    // The cycle has length 2^32: advancing by it, or by 2^64, changes nothing.
    const double next = TestGenerator(a).GetRandomNumber(2);
    a.AdvanceStream(2, 1ull << 32);
    a.AdvanceStream(2, ~0ull);
    a.AdvanceStream(2, 1);
    EXPECT_EQ(a.GetRandomNumber(2), next);
}

TEST(RandomGenerator, CopiesAreIndependent) {
    TestGenerator a(3);
    a.GetRandomNumber(2);
    a.SetAntithetic(3);
    TestGenerator b(a);
    EXPECT_EQ(b.GetNumberOfStreams(), 3);
    EXPECT_EQ(a.GetRandomNumber(2), b.GetRandomNumber(2));
    EXPECT_EQ(a.GetRandomNumber(3), b.GetRandomNumber(3));
    b.SetInitialSeed(1, 9u);
    EXPECT_EQ(a.GetInitialSeed(1), 1088421889);
    TestGenerator c(2500);
    c = a;
    EXPECT_EQ(c.GetNumberOfStreams(), 3);
    EXPECT_EQ(c.GetRandomNumber(3), a.GetRandomNumber(3));
    const TestGenerator& alias = c;
    c = alias;
    EXPECT_EQ(c.GetRandomNumber(3), a.GetRandomNumber(3));
}

TEST(RandomGenerator, SingletonLifecycle) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ZELRandomGenerator::Instance(), g);
    EXPECT_EQ(g->GetNumberOfStreams(), 2000);
    {
        TestGenerator other(5);  // destroying another generator leaves the singleton alone
    }
    EXPECT_EQ(ZELRandomGenerator::_Instance.load(), g);

    g->SetInitialSeed(9, 5u);
    delete g;  // the singleton's own destruction clears it ...
    EXPECT_EQ(ZELRandomGenerator::_Instance.load(), nullptr);
    ZELRandomGenerator* fresh = ZELRandomGenerator::Instance();  // ... and the next use rebuilds it
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetInitialSeed(9), static_cast<int>(model::seedOfStream(9)));
}

}  // namespace
