// Stream objects: MRG32k3a and Philox4x32-10 against their published values and independent
// reference models, positions, state text, the classic forwarding, and two threads.
#include "AssertRecorder.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "ZELRandomMD.m/src/ZELRandomStream.h"
#include "foundation/ZELException.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Words = std::array<std::uint32_t, 4>;
using State6 = std::array<std::uint32_t, 6>;

std::string sig13(double u) {
    char text[40];
    std::snprintf(text, sizeof text, "%.13g", u);
    return text;
}

// The six state components of an MRG32k3a stream, read from its state text.
State6 mrgState(const ZELRandomStream& s) {
    std::istringstream in(s.state().substr(s.state().find(" state ") + 7));
    State6 c{};
    for (auto& v : c) in >> v;
    return c;
}

// The reference package's generator, written independently in double arithmetic.
struct ReferenceMrg {
    double s[6];
    explicit ReferenceMrg(const State6& c) {
        for (int i = 0; i < 6; ++i) s[i] = c[i];
    }
    double next() {
        const double m1 = 4294967087.0, m2 = 4294944443.0;
        double p1 = 1403580.0 * s[1] - 810728.0 * s[0];
        p1 -= std::floor(p1 / m1) * m1;
        if (p1 < 0.0) p1 += m1;
        s[0] = s[1], s[1] = s[2], s[2] = p1;
        double p2 = 527612.0 * s[5] - 1370589.0 * s[3];
        p2 -= std::floor(p2 / m2) * m2;
        if (p2 < 0.0) p2 += m2;
        s[3] = s[4], s[4] = s[5], s[5] = p2;
        return (p1 > p2 ? p1 - p2 : p1 - p2 + m1) * 2.328306549295727688e-10;
    }
};

// A Philox number made from two words as the class documents it.
double philoxU(std::uint32_t w0, std::uint32_t w1) {
    const double u = ((w0 >> 5) * 67108864.0 + (w1 >> 6) + 0.5) / 9007199254740992.0;
    return u < 1.0 ? u : 1.0 - 0x1p-53;
}

// The numbers of a Philox stream from block `block` on, from the pure block function.
std::vector<double> philoxReference(std::uint64_t seed, std::uint64_t stream, std::uint64_t block,
                                    std::size_t n) {
    std::vector<double> out;
    const std::array<std::uint32_t, 2> key{static_cast<std::uint32_t>(seed),
                                           static_cast<std::uint32_t>(seed >> 32)};
    auto lo = [](std::uint64_t v) { return static_cast<std::uint32_t>(v); };
    for (; out.size() < n; ++block) {
        const Words w = ZELRandomStream::PhiloxBlock(
            {lo(block), lo(block >> 32), lo(stream), lo(stream >> 32)}, key);
        out.push_back(philoxU(w[0], w[1]));
        if (out.size() < n) out.push_back(philoxU(w[2], w[3]));
    }
    return out;
}

std::vector<double> draws(ZELRandomStream& s, std::size_t n) {
    std::vector<double> out(n);
    for (auto& u : out) u = s.next();
    return out;
}

std::vector<double> block(ZELRandomStream& s, std::size_t n) {
    std::vector<double> out(n);
    s.next(out.data(), n);
    return out;
}

TEST(RandomStreamMrg, PublishedStatesAndNumbers) {
    EXPECT_EQ(mrgState(ZELRandomStream::MRG32k3a(1)),
              (State6{3692455944u, 1366884236u, 2968912127u, 335948734u, 4161675175u, 475798818u}));
    EXPECT_EQ(
        mrgState(ZELRandomStream::MRG32k3a(2)),
        (State6{1015873554u, 1310354410u, 2249465273u, 994084013u, 2912484720u, 3876682925u}));

    ZELRandomStream s0 = ZELRandomStream::MRG32k3a();
    s0.advance(35);
    EXPECT_EQ(mrgState(s0),
              (State6{1040577685u, 3747037609u, 277208355u, 1712706441u, 627445683u, 2408037141u}));
    EXPECT_EQ(sig13(s0.next()), "0.07941673614985");

    ZELRandomStream s2 = ZELRandomStream::MRG32k3a(2);
    const char* stream2[] = {"0.7285097861965", "0.9655872822837", "0.9961841304801",
                             "0.1149884161813", "0.9731454191297"};
    for (const char* expected : stream2) EXPECT_EQ(sig13(s2.next()), expected);
    ZELRandomStream s24 = ZELRandomStream::MRG32k3a(2, 4);
    const char* sub4[] = {"0.1734545396358", "0.03286351608942", "0.2643169129682",
                          "0.3059403602117", "0.5476303035177"};
    for (const char* expected : sub4) EXPECT_EQ(sig13(s24.next()), expected);
}

TEST(RandomStreamMrg, EqualsTheReferencePackageBitForBit) {
    for (const auto& start :
         {std::array<std::uint64_t, 2>{0, 0}, {3, 0}, {5, 7}, {1000003, 123456789}}) {
        ZELRandomStream s = ZELRandomStream::MRG32k3a(start[0], start[1], {1, 2, 3, 4, 5, 6});
        ReferenceMrg ref(mrgState(s));
        ZELRandomStream t = s;
        const std::vector<double> one = draws(s, 5000), many = block(t, 5000);
        for (std::size_t i = 0; i < one.size(); ++i) {
            ASSERT_EQ(one[i], ref.next()) << "draw " << i;
            ASSERT_EQ(many[i], one[i]) << "draw " << i;
            ASSERT_TRUE(one[i] > 0.0 && one[i] < 1.0);
        }
    }
}

TEST(RandomStreamMrg, JumpsAgreeWithSteps) {
    // Advancing (one set of squared matrices) against drawing and against the substream and
    // stream jumps (two other sets): a wrong matrix in any of them breaks an equality.
    for (std::uint64_t n : {1ull, 2ull, 3ull, 63ull, 64ull, 1000ull, 65537ull}) {
        ZELRandomStream a = ZELRandomStream::MRG32k3a(9, 2), b = a;
        a.advance(n);
        for (std::uint64_t i = 0; i < n; ++i) b.next();
        ASSERT_EQ(mrgState(a), mrgState(b)) << n;
    }
    ZELRandomStream a = ZELRandomStream::MRG32k3a(4);
    for (int i = 0; i < 4096; ++i)
        a.advance(std::uint64_t{1} << 63), a.advance(std::uint64_t{1} << 63);  // 2^76
    ZELRandomStream b = ZELRandomStream::MRG32k3a(4);
    b.nextSubstream();
    EXPECT_EQ(mrgState(a), mrgState(b));
    EXPECT_EQ(mrgState(a), mrgState(ZELRandomStream::MRG32k3a(4, 1)));
    // 2^51 substreams make a stream; stream numbers add.
    ZELRandomStream c = ZELRandomStream::MRG32k3a(6, (std::uint64_t{1} << 51) - 1);
    c.nextSubstream();
    EXPECT_EQ(mrgState(c), mrgState(ZELRandomStream::MRG32k3a(7)));
    EXPECT_EQ(c.streamIndex(), 7u);
    EXPECT_EQ(c.substreamIndex(), 0u);
    ZELRandomStream d = ZELRandomStream::MRG32k3a(2, 12345);
    for (int i = 0; i < 3; ++i) d.nextSubstream();
    EXPECT_EQ(mrgState(d), mrgState(ZELRandomStream::MRG32k3a(2, 12348)));
}

TEST(RandomStreamPhilox, PublishedBlocks) {
    EXPECT_EQ(ZELRandomStream::PhiloxBlock({0, 0, 0, 0}, {0, 0}),
              (Words{0x6627e8d5, 0xe169c58d, 0xbc57ac4c, 0x9b00dbd8}));
    EXPECT_EQ(ZELRandomStream::PhiloxBlock({~0u, ~0u, ~0u, ~0u}, {~0u, ~0u}),
              (Words{0x408f276d, 0x41c83b0e, 0xa20bc7c6, 0x6d5451fd}));
    EXPECT_EQ(ZELRandomStream::PhiloxBlock({0x243f6a88, 0x85a308d3, 0x13198a2e, 0x03707344},
                                           {0xa4093822, 0x299f31d0}),
              (Words{0xd16cfe09, 0x94fdcceb, 0x5001e420, 0x24126ea1}));
}

TEST(RandomStreamPhilox, KeyCounterAndWordOrder) {
    // The third published block reached through a stream: key (low, high) of the seed, counter
    // (block low, block high, stream low, stream high), words in order.
    ZELRandomStream t = ZELRandomStream::FromState(
        "ZELRandomStream philox seed " + std::to_string(0x299f31d0a4093822ull) + " stream " +
        std::to_string(0x0370734413198a2eull) + " substream 0 block " +
        std::to_string(0x85a308d3243f6a88ull) + " word 0 antithetic 0");
    EXPECT_EQ(t.next(), philoxU(0xd16cfe09, 0x94fdcceb));
    EXPECT_EQ(t.next(), philoxU(0x5001e420, 0x24126ea1));
    ZELRandomStream zero = ZELRandomStream::Philox(0);
    EXPECT_EQ(zero.next(), philoxU(0x6627e8d5, 0xe169c58d));
    EXPECT_EQ(zero.next(), philoxU(0xbc57ac4c, 0x9b00dbd8));
    // Substream j starts at block j * 2^32.
    ZELRandomStream sub = ZELRandomStream::Philox(77, 5, 3);
    EXPECT_EQ(draws(sub, 20), philoxReference(77, 5, std::uint64_t{3} << 32, 20));
    // The extreme word pairs stay inside (0, 1).
    EXPECT_EQ(zel_internal::philoxUniform(0, 0), 0x1p-54);
    EXPECT_EQ(zel_internal::philoxUniform(0xFFFFFFE0u, 0xFFFFFFC0u), 1.0 - 0x1p-53);
    EXPECT_EQ(zel_internal::philoxUniform(0xFFFFFFE0u, 0xFFFFFF80u), 1.0 - 0x1p-52);
}

TEST(RandomStreamPhilox, EveryWordOnceAcrossBlockAndBufferEdges) {
    const std::vector<double> ref = philoxReference(0x123456789abcdefull, 42, 0, 4000);
    ZELRandomStream one = ZELRandomStream::Philox(0x123456789abcdefull, 42);
    EXPECT_EQ(draws(one, 4000), ref);
    // Mixed single draws and blocks of every length around the buffer and chunk sizes.
    ZELRandomStream s = ZELRandomStream::Philox(0x123456789abcdefull, 42);
    std::vector<double> got;
    for (std::size_t n : {1, 2, 3, 15, 16, 17, 0, 1, 129, 128, 127, 1, 1, 300, 5}) {
        const std::vector<double> b = block(s, n);
        got.insert(got.end(), b.begin(), b.end());
        got.push_back(s.next());
    }
    ASSERT_LE(got.size(), ref.size());
    EXPECT_EQ(
        got,
        std::vector<double>(ref.begin(), ref.begin() + static_cast<std::ptrdiff_t>(got.size())));
    // The block counter carries into its high word.
    const ZELRandomStream edge =
        ZELRandomStream::FromState("ZELRandomStream philox seed 9 stream 1 substream 0 block " +
                                   std::to_string(0xFFFFFFFEull) + " word 2 antithetic 0");
    ZELRandomStream e1 = edge, e2 = edge;
    std::vector<double> expected = philoxReference(9, 1, 0xFFFFFFFEull, 40);
    expected.erase(expected.begin());
    EXPECT_EQ(draws(e1, 39), expected);
    EXPECT_EQ(block(e2, 39), expected);
}

TEST(RandomStream, AdvanceMatchesDrawing) {
    for (ZELRandomStream start : {ZELRandomStream::Philox(3, 8), ZELRandomStream::MRG32k3a(8)}) {
        for (std::uint64_t skip : {0ull, 1ull, 2ull, 3ull, 15ull, 16ull, 17ull, 33ull, 1001ull}) {
            for (std::uint64_t before : {0ull, 1ull, 6ull}) {
                ZELRandomStream a = start, b = start;
                draws(a, before), draws(b, before);
                a.advance(skip);
                draws(b, skip);
                ASSERT_EQ(draws(a, 20), draws(b, 20)) << skip << " after " << before;
            }
        }
    }
    // A Philox jump far ahead lands on the block function's numbers.
    ZELRandomStream p = ZELRandomStream::Philox(5, 6);
    p.next();
    p.advance((std::uint64_t{1} << 63) + 2);  // number 2^63 + 3 = block 2^62 + 1, word 2
    const std::vector<double> far = philoxReference(5, 6, (std::uint64_t{1} << 62) + 1, 4);
    EXPECT_EQ(draws(p, 3), std::vector<double>(far.begin() + 1, far.end()));
}

TEST(RandomStream, ResetsAndSubstreams) {
    for (ZELRandomStream s : {ZELRandomStream::Philox(11, 2), ZELRandomStream::MRG32k3a(2)}) {
        const bool philox = s.engine() == ZELStreamEngine::Philox;
        const std::vector<double> first = draws(s, 10);
        s.nextSubstream();
        const std::vector<double> sub1 = draws(s, 10);
        s.resetSubstream();
        EXPECT_EQ(draws(s, 10), sub1);
        s.nextSubstream();
        ZELRandomStream fresh =
            philox ? ZELRandomStream::Philox(11, 2, 2) : ZELRandomStream::MRG32k3a(2, 2);
        EXPECT_EQ(s.substreamIndex(), 2u);
        EXPECT_EQ(draws(s, 10), draws(fresh, 10));
        s.resetStream();
        EXPECT_EQ(s.substreamIndex(), 0u);
        EXPECT_EQ(s.streamIndex(), 2u);
        EXPECT_EQ(draws(s, 10), first);
    }
}

TEST(RandomStream, AntitheticOutputAndStateTextContinueExactly) {
    for (ZELRandomStream s : {ZELRandomStream::Philox(~0ull, ~0ull, 0xFFFFFFFFu),
                              ZELRandomStream::MRG32k3a(3, 9, {7, 8, 9, 10, 11, 12})}) {
        ZELRandomStream plain = s;
        s.setAntithetic(true);
        const std::vector<double> a = draws(s, 100), p = draws(plain, 100);
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (s.engine() == ZELStreamEngine::MRG32k3a)
                ASSERT_EQ(a[i], 1.0 - p[i]);
            else
                ASSERT_LE(std::fabs(a[i] + p[i] - 1.0), 0x1p-53);
        }
        for (std::size_t n : {0, 1, 15, 16, 17}) {
            draws(s, n);
            // The copy made from the text continues exactly, antithetic switch and stream start included.
            ZELRandomStream b = ZELRandomStream::FromState(s.state());
            EXPECT_TRUE(b.antithetic());
            EXPECT_EQ(b.state(), s.state());
            EXPECT_EQ(b.substreamIndex(), s.substreamIndex());
            ZELRandomStream c = s;
            EXPECT_EQ(block(b, 40), draws(c, 40));
            b.resetStream(), c.resetStream();
            EXPECT_EQ(draws(b, 5), draws(c, 5));
        }
        s.setAntithetic(false);
        plain = s;
        plain.setAntithetic(true);
        plain.setAntithetic(false);
        EXPECT_EQ(draws(s, 10), draws(plain, 10));
    }
    // An antithetic Philox number is the complemented words' number.
    ZELRandomStream z = ZELRandomStream::Philox(0);
    z.setAntithetic(true);
    EXPECT_EQ(z.next(), philoxU(~0x6627e8d5u, ~0xe169c58du));
    // A classic stream's position is the shared generator's: its text names the stream, and
    // reading it back is refused rather than giving a stream somewhere else.
    for (int k : {2000, -3}) {
        const std::string text = ZELRandomStream::Classic(k).state();
        EXPECT_EQ(text, "ZELRandomStream classic stream " + std::to_string(k));
        try {
            (void)ZELRandomStream::FromState(text);
            ADD_FAILURE() << "a classic state was restored";
        } catch (const ZELEDomainError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Not a random stream state: classic stream " + std::to_string(k) +
                          " draws from the process-wide generator, whose position a state text "
                          "does not restore; make the classic stream anew");
        }
    }
}

TEST(RandomStream, BadInputIsRefusedAndChangesNothing) {
    auto expectRefusal = [](auto make, const std::string& part) {
        try {
            make();
            ADD_FAILURE() << "no refusal, expected one naming " << part;
        } catch (const ZELEDomainError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    };
    expectRefusal(
        [] {
            ZELRandomStream::MRG32k3a(0, 0, {4294967087u, 1, 1, 1, 1, 1});
        },
        "component 0 (4294967087)");
    expectRefusal(
        [] {
            ZELRandomStream::MRG32k3a(0, 0, {1, 1, 1, 1, 4294944443u, 1});
        },
        "component 4 (4294944443)");
    expectRefusal([] { ZELRandomStream::MRG32k3a(0, 0, {0, 0, 0, 1, 1, 1}); }, "components 0 to 2");
    expectRefusal([] { ZELRandomStream::MRG32k3a(0, 0, {1, 0, 0, 0, 0, 0}); }, "components 3 to 5");
    EXPECT_NO_THROW(ZELRandomStream::MRG32k3a(0, 0, {4294967086u, 0, 0, 0, 0, 4294944442u}));
    expectRefusal([] { ZELRandomStream::MRG32k3a(0, std::uint64_t{1} << 51); }, "Substream");
    expectRefusal([] { ZELRandomStream::Philox(0, 0, std::uint64_t{1} << 32); }, "Substream");

    const std::string philox =
        "ZELRandomStream philox seed 1 stream 2 substream 3 block 4 word 0 antithetic 0";
    const std::string mrg =
        "ZELRandomStream mrg32k3a seed 1 2 3 4 5 6 stream 0 substream 0 state 1 1 1 1 1 1 "
        "antithetic 0";
    ZELRandomStream::FromState(philox),
        ZELRandomStream::FromState(mrg);  // the texts edited below are states
    auto edit = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    ZELRandomStream kept = ZELRandomStream::MRG32k3a(5);
    const std::string keptState = kept.state();
    for (const std::string& bad : {std::string(),
                                   philox + " ",
                                   " " + philox,
                                   philox.substr(0, philox.size() - 2),
                                   philox + " 1",
                                   edit(philox, "philox", "mt19937"),
                                   edit(philox, "word 0", "word 1"),
                                   edit(philox, "antithetic 0", "antithetic 2"),
                                   edit(philox, "substream 3", "substream 4294967296"),
                                   edit(philox, "seed 1", "seed 18446744073709551616"),
                                   edit(philox, "seed 1", "seed -1"),
                                   edit(philox, "seed 1", "seed  1"),
                                   edit(philox, "block 4", "block 4x"),
                                   edit(mrg, "state 1 1 1", "state 0 0 0"),
                                   edit(mrg, "state 1 1 1", "state 1 1 4294967087"),
                                   edit(mrg, "1 1 1 1 1 1", "1 1 1 1 1"),
                                   edit(mrg, "seed 1 2 3", "seed 0 0 0"),
                                   std::string("ZELRandomStream classic stream"),
                                   std::string("ZELRandomStream classic stream 1x"),
                                   std::string("ZELRandomStream classic stream 99999999999"),
                                   std::string("ZELRandomStream classic stream -")}) {
        EXPECT_THROW(kept = ZELRandomStream::FromState(bad), ZELEDomainError) << '"' << bad << '"';
        EXPECT_EQ(kept.state(), keptState);
    }
}

TEST(RandomStream, ClassicForwardsToTheGenerator) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    g->ResetStream(17);
    std::vector<double> expected(30);
    for (auto& u : expected) u = g->GetRandomNumber(17);
    g->ResetStream(17);
    ZELRandomStream c = ZELRandomStream::Classic(17);
    EXPECT_EQ(c.streamIndex(), 17u);
    std::vector<double> got = draws(c, 10), more = block(c, 10);
    got.insert(got.end(), more.begin(), more.end());
    c.advance(5);
    got.push_back(c.next());
    expected.erase(expected.begin() + 20, expected.begin() + 25);
    EXPECT_EQ(got, std::vector<double>(expected.begin(), expected.begin() + 21));

    // What makes no sense for the shared stream is reported and changes nothing.
    AssertRecorder recorder;
    c.resetStream();
    c.nextSubstream(), c.resetSubstream(), c.setAntithetic(false);
    const std::vector<AssertReport> reports = recorder.take();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[1].message, "A classic stream has no substreams");
    EXPECT_EQ(reports[2].message, "A classic stream cannot switch antithetic output off");
    EXPECT_EQ(c.next(), expected[0]);
    c.setAntithetic(true);
    EXPECT_EQ(c.next(), 1.0 - expected[1]);
    EXPECT_EQ(g->GetRandomNumber(17), 1.0 - expected[2]);
}

}  // namespace
