// Studies of replications: the same bits for any thread count and any split, the failures, and
// the Student t quantile behind the confidence intervals. Also run under ThreadSanitizer.
#include "ZELMath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Bit-for-bit equality of two matrices (NaN equal to NaN of the same payload).
bool sameBits(const ZELMathMatrix& a, const ZELMathMatrix& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (std::size_t i = 0; i < a.rows(); ++i)
        if (a.cols() != 0 && std::memcmp(a[i].data(), b[i].data(), a.cols() * sizeof(double)) != 0)
            return false;
    return true;
}

// A small model: a busy loop of draws whose length depends on the replication (so that threads
// finish out of order), two sources, and a NaN output now and then.
std::vector<double> placeholderModel(const ZELReplication& rep) {
    ZELRandomStream work = rep.stream(0);
    ZELRandomStream other = rep.stream(7);
    double sum = 0.0;
    const int draws = 200 + static_cast<int>(rep.index() % 13) * 150;
    for (int i = 0; i < draws; ++i) sum += work.next();
    const double second = rep.index() % 10 == 3 ? kNaN : other.next();
    return {sum / draws, second, static_cast<double>(rep.index())};
}

ZELReplicationOptions withEngine(ZELStreamEngine engine, unsigned threads,
                                 std::uint64_t first = 0) {
    ZELReplicationOptions o;
    o.engine = engine;
    o.packageSeed = {1, 2, 3, 4, 5, 6};
    o.seed = 0x123456789abcdefULL;
    o.threads = threads;
    o.first = first;
    return o;
}

class ReplicationsEngines : public ::testing::TestWithParam<ZELStreamEngine> {};

TEST_P(ReplicationsEngines, SameBitsForAnyThreadCountAndAnySplit) {
    const ZELStreamEngine engine = GetParam();
    const ZELReplicationResults one =
        ZELRunReplications(100, placeholderModel, withEngine(engine, 1));
    ASSERT_EQ(one.count(), 100u);
    ASSERT_EQ(one.outputs(), 3u);
    for (unsigned threads : {2u, 4u}) {
        const ZELReplicationResults many =
            ZELRunReplications(100, placeholderModel, withEngine(engine, threads));
        EXPECT_TRUE(sameBits(one.values(), many.values())) << threads << " threads";
        EXPECT_EQ(one.summary(), many.summary()) << threads << " threads";
    }
    const ZELReplicationResults head =
        ZELRunReplications(37, placeholderModel, withEngine(engine, 3, 0));
    const ZELReplicationResults tail =
        ZELRunReplications(63, placeholderModel, withEngine(engine, 2, 37));
    EXPECT_EQ(tail.first(), 37u);
    EXPECT_EQ(tail.values()(0, 2), 37.0);
    const ZELReplicationResults joined =
        ZELReplicationResults::Join({head, ZELReplicationResults(), tail});
    EXPECT_TRUE(sameBits(one.values(), joined.values()));
    EXPECT_EQ(one.summary({"mean draw", "second"}), joined.summary({"mean draw", "second"}));
    // Row r is replication r, keyed by (source, r) and nothing else.
    ZELRandomStream expected = engine == ZELStreamEngine::Philox
        ? ZELRandomStream::Philox(0x123456789abcdefULL, 7, 42)
        : ZELRandomStream::MRG32k3a(7, 42, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(one.values()(42, 1), expected.next());
    EXPECT_EQ(one.nanCount(1), 10u);
    EXPECT_EQ(one.nanCount(0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Replications, ReplicationsEngines,
                         ::testing::Values(ZELStreamEngine::MRG32k3a, ZELStreamEngine::Philox));

TEST(Replications, StatisticsOfKnownDataSkipNaN) {
    const double data[] = {1.0, 10.0, 2.0, kNaN, 3.0, 10.0, 4.0, 10.0, kNaN, 10.0};
    const ZELReplicationResults r(ZELMathMatrix(data, 5, 2), 8);
    EXPECT_EQ(r.mean(0), 2.5);
    EXPECT_EQ(r.stdDev(0), std::sqrt(5.0 / 3.0));
    EXPECT_EQ(r.nanCount(0), 1u);
    EXPECT_NEAR(r.halfWidth(0), 3.1824463052837096 * std::sqrt(5.0 / 3.0) / 2.0, 1e-14);
    EXPECT_EQ(r.mean(1), 10.0);
    EXPECT_EQ(r.stdDev(1), 0.0);
    EXPECT_EQ(r.nanCount(1), 1u);
    const std::string s = r.summary({"a"});
    EXPECT_NE(s.find("Replications 8 to 12 (5), 95 % confidence"), std::string::npos) << s;
    EXPECT_NE(s.find("output 1"), std::string::npos) << s;
    // One value: no spread; none at all: no mean.
    const double single[] = {4.0, kNaN};
    const ZELReplicationResults one(ZELMathMatrix(single, 1, 2));
    EXPECT_EQ(one.mean(0), 4.0);
    EXPECT_TRUE(std::isnan(one.stdDev(0)));
    EXPECT_TRUE(std::isnan(one.halfWidth(0)));
    EXPECT_TRUE(std::isnan(one.mean(1)));
    EXPECT_NO_THROW(one.summary());
    EXPECT_THROW(r.mean(2), ZELEDomainError);
    EXPECT_THROW(r.halfWidth(0, 1.0), ZELEDomainError);
    EXPECT_THROW(r.halfWidth(0, kNaN), ZELEDomainError);
}

TEST(Replications, NoReplicationsGiveAnEmptyResult) {
    int calls = 0;
    const ZELReplicationResults r = ZELRunReplications(0, [&](const ZELReplication&) {
        ++calls;
        return std::vector<double>{1.0};
    });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(r.count(), 0u);
    EXPECT_EQ(r.outputs(), 0u);
    EXPECT_NE(r.summary().find("No replications"), std::string::npos);
}

// Two adjacent replications fail at once on two threads: each model waits until both have
// started, and the lower one throws only after the higher one has, so the pool sees the higher
// failure first. The lower one must still be the one reported, every time.
TEST(Replications, TheLowestFailingReplicationWinsWhateverTheOrderOfFailures) {
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> started{0}, running{0};
        std::atomic<bool> higherThrown{false};
        auto waitFor = [](auto done) {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!done() && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
        };
        ZELReplicationOptions o;
        o.threads = 2;
        o.first = 1000;
        try {
            ZELRunReplications(
                4,
                [&](const ZELReplication& rep) -> std::vector<double> {
                    ++running;
                    ++started;
                    waitFor([&] { return started.load() >= 2; });
                    --running;
                    if (rep.index() == 1001) {
                        higherThrown = true;
                        throw std::runtime_error("jam at the saw");
                    }
                    waitFor([&] { return higherThrown.load(); });
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    throw std::runtime_error("blunt blade");
                },
                o);
            ADD_FAILURE() << "no error";
        } catch (const ZELERuntimeError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "ZELRunReplications: replication 1000 failed: blunt blade");
        }
        EXPECT_EQ(running.load(), 0);
        EXPECT_EQ(started.load(), 2);  // nothing new started after the failures
    }
}

// The rule every runner (threads, MPI ranks, Python chunks) applies to the parts of a study.
TEST(Replications, JudgeTakesTheLowestFailureThenTheLowestMismatch) {
    auto part = [](std::uint64_t start, std::uint64_t count, std::uint64_t outputs) {
        ZELReplicationPart p;
        p.start = start;
        p.count = count;
        p.outputs = outputs;
        p.mismatch = count;
        return p;
    };
    auto failing = [&](std::uint64_t start, std::uint64_t count, std::uint64_t index) {
        ZELReplicationPart p = part(start, count, 2);
        p.failed = true;
        p.failedIndex = index;
        return p;
    };
    auto mismatchAt = [&](std::uint64_t start, std::uint64_t count, std::uint64_t at) {
        ZELReplicationPart p = part(start, count, 2);
        p.mismatch = at;
        p.mismatchOutputs = 5;
        return p;
    };
    auto mismatchMessage = [](std::vector<ZELReplicationPart> parts) -> std::string {
        try {
            ZELReplicationBatch::Judge(parts.data(), parts.size(), 10);
        } catch (const ZELEDomainError& e) {
            return e.what();
        }
        return "no error";
    };
    // Failures anywhere beat mismatches anywhere; the lowest failure wins, not the first part's.
    std::vector<ZELReplicationPart> parts = {mismatchAt(10, 4, 1), failing(14, 3, 16),
                                             failing(17, 1, 17), failing(18, 2, 15)};
    EXPECT_EQ(ZELReplicationBatch::Judge(parts.data(), parts.size(), 10).failedPart, 3u);
    // The study's outputs are those of its first replication, empty parts aside.
    parts = {part(10, 0, 0), part(10, 3, 4), part(13, 2, 4)};
    const ZELReplicationVerdict fine = ZELReplicationBatch::Judge(parts.data(), parts.size(), 10);
    EXPECT_EQ(fine.failedPart, 3u);
    EXPECT_EQ(fine.outputs, 4u);
    EXPECT_EQ(ZELReplicationBatch::Judge(nullptr, 0, 10).failedPart, 0u);
    // The lowest mismatch: inside a part, or a whole part whose first row differs.
    EXPECT_EQ(mismatchMessage({part(10, 3, 2), mismatchAt(13, 5, 2), part(18, 1, 3)}),
              "ZELRunReplications: replication 15 returned 5 outputs, but the first "
              "replication (10) returned 2");
    EXPECT_EQ(
        mismatchMessage({part(10, 0, 0), part(10, 3, 2), part(13, 5, 3), mismatchAt(18, 3, 0)}),
        "ZELRunReplications: replication 13 returned 3 outputs, but the first "
        "replication (10) returned 2");
}

TEST(Replications, ADifferentNumberOfOutputsNamesBothCounts) {
    ZELReplicationOptions o;
    o.threads = 2;
    try {
        ZELRunReplications(
            50,
            [](const ZELReplication& rep) {
                return std::vector<double>(rep.index() == 17 || rep.index() == 40 ? 3 : 2, 1.0);
            },
            o);
        ADD_FAILURE() << "no error";
    } catch (const ZELEDomainError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("replication 17 returned 3 outputs"), std::string::npos) << what;
        EXPECT_NE(what.find("(0) returned 2"), std::string::npos) << what;
    }
}

TEST(Replications, InputThatNoReplicationCouldUseIsRefusedBeforeAnyModelRuns) {
    int calls = 0;
    auto model = [&](const ZELReplication&) {
        ++calls;
        return std::vector<double>{};
    };
    ZELReplicationOptions o;
    o.threads = 1;
    o.engine = ZELStreamEngine::Classic;
    EXPECT_THROW(ZELRunReplications(3, model, o), ZELEDomainError);
    o.engine = ZELStreamEngine::MRG32k3a;
    o.packageSeed = {0, 0, 0, 1, 1, 1};
    EXPECT_THROW(ZELRunReplications(3, model, o), ZELEDomainError);
    o = ZELReplicationOptions();
    o.engine = ZELStreamEngine::Philox;
    o.first = (std::uint64_t{1} << 32) - 1;
    EXPECT_THROW(ZELRunReplications(2, model, o), ZELEDomainError);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(ZELRunReplications(1, model, o).count(), 1u);  // the last substream is fine
}

TEST(Replications, ProgressCountsEveryReplicationOnceInOrder) {
    std::vector<std::uint64_t> seen;
    ZELReplicationOptions o;
    o.threads = 4;
    o.progress = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, 64u);
        seen.push_back(done);
    };
    ZELRunReplications(64, placeholderModel, o);
    ASSERT_EQ(seen.size(), 64u);
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], i + 1);
    o.progress = [](std::uint64_t done, std::uint64_t) {
        if (done == 5) throw std::logic_error("stop");
    };
    EXPECT_THROW(ZELRunReplications(64, placeholderModel, o), std::logic_error);
}

TEST(Replications, JoinRefusesPartsThatDoNotFollowEachOther) {
    const double v[] = {1.0, 2.0};
    const ZELReplicationResults a(ZELMathMatrix(v, 2, 1), 0), gap(ZELMathMatrix(v, 2, 1), 3),
        wide(ZELMathMatrix(v, 1, 2), 2);
    EXPECT_THROW(ZELReplicationResults::Join({a, gap}), ZELEDomainError);
    EXPECT_THROW(ZELReplicationResults::Join({a, wide}), ZELEDomainError);
    EXPECT_EQ(ZELReplicationResults::Join({}).count(), 0u);
}

// Quantiles of the doubles p computed to 40 digits with an arbitrary-precision library: {p, dof, t}.
struct Quantile {
    double p, dof, t;
};
const Quantile kQuantiles[] = {
    {0.975, 1, 12.706204736174693},        {0.975, 2, 4.3026527297494618},
    {0.975, 3, 3.1824463052837084},        {0.975, 5, 2.5705818356363148},
    {0.975, 9, 2.262157162798205},         {0.975, 30, 2.0422724563012379},
    {0.975, 100, 1.9839715185235519},      {0.975, 999, 1.9623414611334496},
    {0.975, 10000, 1.9602012398906259},    {0.975, 100000, 1.9599877075346093},
    {0.975, 1000000, 1.9599663568141067},  {0.975, kInf, 1.9599639845400539},
    {0.995, 1, 63.656741162871524},        {0.995, 2, 9.9248432009182886},
    {0.995, 3, 5.8409093097333554},        {0.995, 5, 4.0321429835552272},
    {0.995, 9, 3.2498355415921257},        {0.995, 30, 2.749995653567225},
    {0.995, 100, 2.6258905214380176},      {0.995, 999, 2.5807596372676365},
    {0.995, 10000, 2.5763210466685286},    {0.995, 100000, 2.575878469908375},
    {0.995, 1000000, 2.5758342201053338},  {0.995, kInf, 2.5758293035489005},
    {0.9, 1, 3.0776835371752541},          {0.9, 2, 1.885618083164127},
    {0.9, 3, 1.6377443536962103},          {0.9, 5, 1.4758840488244813},
    {0.9, 9, 1.3830287383966325},          {0.9, 30, 1.3104150253913957},
    {0.9, 100, 1.2900747613465161},        {0.9, 999, 1.2823995700373974},
    {0.9, 10000, 1.2816362297304777},      {0.9, 100000, 1.2815600314493611},
    {0.9, 1000000, 1.2815524121299386},    {0.9, kInf, 1.2815515655446006},
    {0.6, 1, 0.32491969623290625},         {0.6, 2, 0.28867513459481282},
    {0.6, 3, 0.27667066233268985},         {0.6, 5, 0.26718086570414507},
    {0.6, 9, 0.26095533647391095},         {0.6, 30, 0.25560536495191271},
    {0.6, 100, 0.25402218245822776},       {0.6, 999, 0.25341458333036731},
    {0.6, 10000, 0.25335384344572679},     {0.6, 100000, 0.25334777715717989},
    {0.6, 1000000, 0.25334717053784162},   {0.6, kInf, 0.25334710313579974},
    {0.9995, 1, 636.61924876878973},       {0.9995, 2, 31.599054576445363},
    {0.9995, 3, 12.923978636687964},       {0.9995, 5, 6.8688266258812751},
    {0.9995, 9, 4.7809125859312179},       {0.9995, 30, 3.6459586350420628},
    {0.9995, 100, 3.3904913111642636},     {0.9995, 999, 3.3002924403987667},
    {0.9995, 10000, 3.2914999659416357},   {0.9995, 100000, 3.2906240314119137},
    {0.9995, 1000000, 3.2905364612487221}, {0.9995, kInf, 3.2905267314919258},
};

TEST(Replications, StudentTQuantileMatchesHighPrecisionValues) {
    for (const Quantile& q : kQuantiles) {
        const double tolerance = (q.dof <= 100.0 ? 4e-15 : 1e-13) * q.t;
        EXPECT_NEAR(ZELReplicationResults::StudentTQuantile(q.p, q.dof), q.t, tolerance)
            << q.p << " " << q.dof;
        EXPECT_NEAR(ZELReplicationResults::StudentTQuantile(1.0 - q.p, q.dof), -q.t, tolerance);
    }
    EXPECT_NEAR(ZELReplicationResults::StudentTQuantile(0.975, 1.0), 12.7062047361747, 1e-12);
    EXPECT_NEAR(ZELReplicationResults::StudentTQuantile(0.975, 9.0), 2.26215716279820, 1e-14);
    EXPECT_EQ(ZELReplicationResults::StudentTQuantile(0.5, 7.0), 0.0);
    EXPECT_NEAR(ZELReplicationResults::NormalQuantile(1e-300), -37.0471, 1e-4);
    EXPECT_TRUE(std::isnan(ZELReplicationResults::StudentTQuantile(1.0, 3.0)));
    EXPECT_TRUE(std::isnan(ZELReplicationResults::StudentTQuantile(0.9, 0.0)));
    EXPECT_TRUE(std::isnan(ZELReplicationResults::NormalQuantile(kNaN)));
}

}  // namespace
