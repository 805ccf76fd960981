#include "ZELRandomMD.m/src/internal/ZELMrg32k3aEngine.h"

#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"
#include "ZELRandomMD.m/src/internal/ZELStreamStateText.h"

#include <ostream>
#include <string>

namespace zel_internal {

constexpr Mrg32k3aEngine::Seed Mrg32k3aEngine::kDefaultSeed;

namespace {

// ---- jumps ---------------------------------------------------------------------------------------
// A jump of the generator by 2^e steps is the pair of 3x3 matrices (A1^(2^e) mod m1,
// A2^(2^e) mod m2) applied to the two state halves. The powers needed are computed once by
// repeated squaring: 2^e for e < 64 (advance), 2^(76+e) for e < 51 (substreams), 2^(127+e) for
// e < 64 (streams).

constexpr std::uint64_t kM1 = Mrg32k3aEngine::kM1;
constexpr std::uint64_t kM2 = Mrg32k3aEngine::kM2;
constexpr unsigned kSubstreamBits = Mrg32k3aEngine::kSubstreamBits;

using Mat = std::array<std::uint64_t, 9>;

Mat mulMod(const Mat& a, const Mat& b, std::uint64_t m) noexcept {
    Mat c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            std::uint64_t s = 0;
            for (int k = 0; k < 3; ++k) s += (a[3 * i + k] * b[3 * k + j]) % m;  // entries < 2^32
            c[3 * i + j] = s % m;
        }
    return c;
}

// The modulus is a template argument so that every remainder is a multiplication.
template <std::uint64_t m>
void applyMod(const Mat& a, std::uint32_t* v) noexcept {
    std::uint64_t r[3];
    for (int i = 0; i < 3; ++i) {
        std::uint64_t s = 0;
        for (int k = 0; k < 3; ++k) s += (a[3 * i + k] * v[k]) % m;
        r[i] = s % m;
    }
    for (int i = 0; i < 3; ++i) v[i] = static_cast<std::uint32_t>(r[i]);
}

struct Jumps {
    Mat step1[64], step2[64];                        // 2^e
    Mat sub1[kSubstreamBits], sub2[kSubstreamBits];  // 2^(76+e)
    Mat str1[64], str2[64];                          // 2^(127+e)

    Jumps() noexcept {
        Mat a1{0, 1, 0, 0, 0, 1, kM1 - 810728u, 1403580u, 0};
        Mat a2{0, 1, 0, 0, 0, 1, kM2 - 1370589u, 0, 527612u};
        for (unsigned e = 0; e < 127 + 64; ++e) {
            if (e < 64) step1[e] = a1, step2[e] = a2;
            if (e >= 76 && e < 76 + kSubstreamBits) sub1[e - 76] = a1, sub2[e - 76] = a2;
            if (e >= 127) str1[e - 127] = a1, str2[e - 127] = a2;
            a1 = mulMod(a1, a1, kM1);
            a2 = mulMod(a2, a2, kM2);
        }
    }
    static const Jumps& get() {
        static const Jumps jumps;
        return jumps;
    }
};

// Moves the six-word state by n times the jump whose binary powers are `p1`, `p2`.
void jump(std::uint32_t* state, std::uint64_t n, const Mat* p1, const Mat* p2) noexcept {
    for (unsigned e = 0; n != 0; ++e, n >>= 1)
        if (n & 1u) {
            applyMod<kM1>(p1[e], state);
            applyMod<kM2>(p2[e], state + 3);
        }
}

void copy6(const std::uint32_t* from, std::uint32_t* to) noexcept {
    for (int i = 0; i < 6; ++i) to[i] = from[i];
}

}  // namespace

void Mrg32k3aEngine::checkSeed(const Seed& seed) {
    for (int i = 0; i < 6; ++i) {
        const std::uint64_t m = i < 3 ? kM1 : kM2;
        if (seed[i] >= m)
            raise<ZELEDomainError>(kStreamPackageSeed,
                                   "component " + std::to_string(i) + " (" +
                                       std::to_string(seed[i]) + ") is not below " +
                                       (i < 3 ? "m1 = " : "m2 = ") + std::to_string(m));
    }
    for (int h = 0; h < 2; ++h)
        if (seed[3 * h] == 0 && seed[3 * h + 1] == 0 && seed[3 * h + 2] == 0)
            raise<ZELEDomainError>(kStreamPackageSeed,
                                   "components " + std::to_string(3 * h) + " to " +
                                       std::to_string(3 * h + 2) + " are all zero");
}

Mrg32k3aEngine::Mrg32k3aEngine(std::uint64_t stream, std::uint64_t substream, const Seed& seed)
    : seed_(seed), stream_(stream), substream_(substream) {
    checkSeed(seed);
    if (substream >> kSubstreamBits != 0)
        raise<ZELEDomainError>(
            kStreamSubstream,
            "MRG32k3a substream " + std::to_string(substream) + " is not below 2^51");
    const Jumps& j = Jumps::get();
    for (int i = 0; i < 6; ++i) ig_[i] = seed_[i];
    jump(ig_, stream_, j.str1, j.str2);
    copy6(ig_, bg_);
    jump(bg_, substream_, j.sub1, j.sub2);
    copy6(bg_, cg_);
}

void Mrg32k3aEngine::next(double* out, std::size_t n) noexcept {
    if (antithetic_)
        for (std::size_t i = 0; i < n; ++i) out[i] = 1.0 - raw();
    else
        for (std::size_t i = 0; i < n; ++i) out[i] = raw();
}

void Mrg32k3aEngine::advance(std::uint64_t n) noexcept {
    const Jumps& j = Jumps::get();
    jump(cg_, n, j.step1, j.step2);
}

void Mrg32k3aEngine::resetStream() noexcept {
    substream_ = 0;
    copy6(ig_, bg_);
    copy6(ig_, cg_);
}

void Mrg32k3aEngine::resetSubstream() noexcept { copy6(bg_, cg_); }

void Mrg32k3aEngine::nextSubstream() noexcept {
    // The last substream's successor is the next stream's first; the numbering wraps with it.
    const Jumps& j = Jumps::get();
    applyMod<kM1>(j.sub1[0], bg_);
    applyMod<kM2>(j.sub2[0], bg_ + 3);
    copy6(bg_, cg_);
    substream_ = (substream_ + 1) & ((std::uint64_t{1} << kSubstreamBits) - 1);
    if (substream_ == 0) {
        ++stream_;
        copy6(bg_, ig_);
    }
}

// seed s0 .. s5 stream k substream j state c0 .. c5 antithetic a
void Mrg32k3aEngine::writeState(std::ostream& out) const {
    out << "seed";
    for (std::uint32_t v : seed_) out << ' ' << v;
    out << " stream " << stream_ << " substream " << substream_ << " state";
    for (std::uint32_t v : cg_) out << ' ' << v;
    out << " antithetic " << (antithetic_ ? 1 : 0);
}

Mrg32k3aEngine Mrg32k3aEngine::readState(StreamStateReader& in) {
    constexpr std::uint64_t any = ~std::uint64_t{0};
    in.expect("seed");
    Seed seed{};
    for (auto& v : seed) v = static_cast<std::uint32_t>(in.number(0xFFFFFFFFu, "a seed component"));
    in.expect("stream");
    const std::uint64_t stream = in.number(any, "a stream number");
    in.expect("substream");
    const std::uint64_t substream = in.number(any, "a substream number");
    in.expect("state");
    std::uint32_t c[6] = {};
    for (auto& v : c) v = static_cast<std::uint32_t>(in.number(0xFFFFFFFFu, "a state component"));
    in.expect("antithetic");
    const bool antithetic = in.number(1, "0 or 1") != 0;
    in.end();
    for (int i = 0; i < 6; ++i)
        if (c[i] >= (i < 3 ? kM1 : kM2)) in.fail("state components below their moduli");
    if ((c[0] | c[1] | c[2]) == 0 || (c[3] | c[4] | c[5]) == 0)
        in.fail("a state half not all zero");
    Mrg32k3aEngine e(stream, substream, seed);
    copy6(c, e.cg_);
    e.antithetic_ = antithetic;
    return e;
}

}  // namespace zel_internal
