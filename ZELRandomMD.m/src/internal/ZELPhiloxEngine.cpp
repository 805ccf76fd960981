#include "ZELRandomMD.m/src/internal/ZELPhiloxEngine.h"

#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"
#include "ZELRandomMD.m/src/internal/ZELStreamStateText.h"

#include <algorithm>
#include <ostream>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zel_internal {

constexpr unsigned PhiloxEngine::kBufferBlocks;

namespace {

// ---- Philox4x32-10 -------------------------------------------------------------------------------
constexpr std::uint32_t kPhiloxM0 = 0xD2511F53u, kPhiloxM1 = 0xCD9E8D57u;
constexpr std::uint32_t kPhiloxW0 = 0x9E3779B9u, kPhiloxW1 = 0xBB67AE85u;

inline void philoxScalar(std::uint32_t x[4], std::uint32_t k0, std::uint32_t k1) noexcept {
    for (int round = 0; round < 10; ++round) {
        if (round > 0) k0 += kPhiloxW0, k1 += kPhiloxW1;
        const std::uint64_t p0 = static_cast<std::uint64_t>(kPhiloxM0) * x[0];
        const std::uint64_t p1 = static_cast<std::uint64_t>(kPhiloxM1) * x[2];
        const std::uint32_t y0 = static_cast<std::uint32_t>(p1 >> 32) ^ x[1] ^ k0;
        const std::uint32_t y2 = static_cast<std::uint32_t>(p0 >> 32) ^ x[3] ^ k1;
        x[0] = y0;
        x[1] = static_cast<std::uint32_t>(p1);
        x[2] = y2;
        x[3] = static_cast<std::uint32_t>(p0);
    }
}

#if defined(__SSE2__)
// Four blocks side by side: vector i holds word i of the four blocks. The 32x32 -> 64-bit
// products of the even and odd lanes are taken separately and their halves put back in place.
inline void mulHiLo(__m128i x, __m128i m, __m128i& hi, __m128i& lo) noexcept {
    const __m128i lowMask = _mm_set_epi32(0, -1, 0, -1);
    const __m128i even = _mm_mul_epu32(x, m);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), m);
    lo = _mm_or_si128(_mm_and_si128(even, lowMask), _mm_slli_epi64(odd, 32));
    hi = _mm_or_si128(_mm_srli_epi64(even, 32), _mm_andnot_si128(lowMask, odd));
}

// Eight blocks (two groups of four, interleaved for the pipelines) from `block` on.
inline void philoxEight(const std::uint32_t key[2], std::uint64_t stream, std::uint64_t block,
                        std::uint32_t* out) noexcept {
    constexpr int G = 2;
    __m128i x[G][4];
    for (int g = 0; g < G; ++g) {
        std::uint32_t lo[4], hi[4];
        for (int l = 0; l < 4; ++l) {
            const std::uint64_t b = block + static_cast<std::uint64_t>(4 * g + l);
            lo[l] = static_cast<std::uint32_t>(b);
            hi[l] = static_cast<std::uint32_t>(b >> 32);
        }
        x[g][0] = _mm_setr_epi32(static_cast<int>(lo[0]), static_cast<int>(lo[1]),
                                 static_cast<int>(lo[2]), static_cast<int>(lo[3]));
        x[g][1] = _mm_setr_epi32(static_cast<int>(hi[0]), static_cast<int>(hi[1]),
                                 static_cast<int>(hi[2]), static_cast<int>(hi[3]));
        x[g][2] = _mm_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(stream)));
        x[g][3] = _mm_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(stream >> 32)));
    }
    const __m128i m0 = _mm_set1_epi32(static_cast<int>(kPhiloxM0));
    const __m128i m1 = _mm_set1_epi32(static_cast<int>(kPhiloxM1));
    std::uint32_t k0 = key[0], k1 = key[1];
    for (int round = 0; round < 10; ++round) {
        if (round > 0) k0 += kPhiloxW0, k1 += kPhiloxW1;
        const __m128i vk0 = _mm_set1_epi32(static_cast<int>(k0));
        const __m128i vk1 = _mm_set1_epi32(static_cast<int>(k1));
        for (int g = 0; g < G; ++g) {
            __m128i hi0, lo0, hi1, lo1;
            mulHiLo(x[g][0], m0, hi0, lo0);
            mulHiLo(x[g][2], m1, hi1, lo1);
            x[g][0] = _mm_xor_si128(_mm_xor_si128(hi1, x[g][1]), vk0);
            x[g][1] = lo1;
            x[g][2] = _mm_xor_si128(_mm_xor_si128(hi0, x[g][3]), vk1);
            x[g][3] = lo0;
        }
    }
    for (int g = 0; g < G; ++g) {
        // Transpose: block l's words x0..x3 become one vector.
        const __m128i t0 = _mm_unpacklo_epi32(x[g][0], x[g][1]);  // b0x0 b0x1 b1x0 b1x1
        const __m128i t1 = _mm_unpackhi_epi32(x[g][0], x[g][1]);  // b2x0 b2x1 b3x0 b3x1
        const __m128i t2 = _mm_unpacklo_epi32(x[g][2], x[g][3]);
        const __m128i t3 = _mm_unpackhi_epi32(x[g][2], x[g][3]);
        __m128i* dst = reinterpret_cast<__m128i*>(out + 16 * g);
        _mm_storeu_si128(dst + 0, _mm_unpacklo_epi64(t0, t2));
        _mm_storeu_si128(dst + 1, _mm_unpackhi_epi64(t0, t2));
        _mm_storeu_si128(dst + 2, _mm_unpacklo_epi64(t1, t3));
        _mm_storeu_si128(dst + 3, _mm_unpackhi_epi64(t1, t3));
    }
}
#endif

// The words of `n` consecutive blocks from `block` on (the block number wraps modulo 2^64).
void philoxWords(const std::uint32_t key[2], std::uint64_t stream, std::uint64_t block,
                 std::size_t n, std::uint32_t* out) noexcept {
    std::size_t b = 0;
#if defined(__SSE2__)
    for (; b + 8 <= n; b += 8) philoxEight(key, stream, block + b, out + 4 * b);
#endif
    for (; b < n; ++b) {
        const std::uint64_t c = block + b;
        std::uint32_t* x = out + 4 * b;
        x[0] = static_cast<std::uint32_t>(c);
        x[1] = static_cast<std::uint32_t>(c >> 32);
        x[2] = static_cast<std::uint32_t>(stream);
        x[3] = static_cast<std::uint32_t>(stream >> 32);
        philoxScalar(x, key[0], key[1]);
    }
}

}  // namespace

std::array<std::uint32_t, 4> philoxBlock(const std::array<std::uint32_t, 4>& counter,
                                         const std::array<std::uint32_t, 2>& key) noexcept {
    std::array<std::uint32_t, 4> x = counter;
    philoxScalar(x.data(), key[0], key[1]);
    return x;
}

PhiloxEngine::PhiloxEngine(std::uint64_t seed, std::uint64_t stream, std::uint64_t substream)
    : key_{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)},
      stream_(stream),
      substream_(substream) {
    if (substream >> 32 != 0)
        raise<ZELEDomainError>(
            kStreamSubstream,
            "Philox substream " + std::to_string(substream) + " is not below 2^32");
    seek(substream << 32, 0);
}

void PhiloxEngine::seek(std::uint64_t block, unsigned word) noexcept {
    bufBlock_ = block;
    philoxWords(key_, stream_, bufBlock_, kBufferBlocks, buf_);
    pos_ = word;
}

void PhiloxEngine::refill() noexcept { seek(bufBlock_ + kBufferBlocks, 0); }

void PhiloxEngine::next(double* out, std::size_t n) noexcept {
    // The rest of the buffer, then whole blocks straight from the block function (in chunks that
    // stay in the first-level cache), then the buffer again.
    std::size_t i = 0;
    while (i < n && pos_ != kBufferWords) out[i++] = next();
    constexpr std::size_t chunkBlocks = 64;
    std::uint32_t words[4 * chunkBlocks];
    std::uint64_t block = bufBlock_ + kBufferBlocks;
    while (n - i >= 2) {
        const std::size_t blocks = std::min(chunkBlocks, (n - i) / 2);
        philoxWords(key_, stream_, block, blocks, words);
        const std::uint32_t f = flip_;
        for (std::size_t b = 0; b < 2 * blocks; ++b)
            out[i + b] = philoxUniform(words[2 * b] ^ f, words[2 * b + 1] ^ f);
        i += 2 * blocks;
        block += blocks;
    }
    if (block != bufBlock_ + kBufferBlocks) seek(block, 0);
    if (i < n) out[i] = next();
}

void PhiloxEngine::advance(std::uint64_t n) noexcept {
    // Position in numbers: two per block.
    const std::uint64_t half = pos_ / 2;  // numbers used from the buffer, 0 .. 2 * blocks
    const std::uint64_t sum = half % 2 + n % 2;
    const std::uint64_t block = bufBlock_ + half / 2 + n / 2 + sum / 2;
    seek(block, static_cast<unsigned>(2 * (sum % 2)));
}

void PhiloxEngine::resetStream() noexcept {
    substream_ = 0;
    seek(0, 0);
}

void PhiloxEngine::resetSubstream() noexcept { seek(substream_ << 32, 0); }

void PhiloxEngine::nextSubstream() noexcept {
    substream_ = (substream_ + 1) & 0xFFFFFFFFu;
    seek(substream_ << 32, 0);
}

// seed s stream k substream j block b word w antithetic a
void PhiloxEngine::writeState(std::ostream& out) const {
    const std::uint64_t seed = (static_cast<std::uint64_t>(key_[1]) << 32) | key_[0];
    out << "seed " << seed << " stream " << stream_ << " substream " << substream_ << " block "
        << bufBlock_ + pos_ / 4 << " word " << pos_ % 4 << " antithetic " << (antithetic() ? 1 : 0);
}

PhiloxEngine PhiloxEngine::readState(StreamStateReader& in) {
    constexpr std::uint64_t any = ~std::uint64_t{0};
    in.expect("seed");
    const std::uint64_t seed = in.number(any, "a seed");
    in.expect("stream");
    const std::uint64_t stream = in.number(any, "a stream number");
    in.expect("substream");
    const std::uint64_t substream = in.number(0xFFFFFFFFu, "a substream number below 2^32");
    in.expect("block");
    const std::uint64_t block = in.number(any, "a block number");
    in.expect("word");
    const std::uint64_t word = in.number(2, "word 0 or 2");
    if (word == 1) in.fail("word 0 or 2");
    in.expect("antithetic");
    const bool antithetic = in.number(1, "0 or 1") != 0;
    in.end();
    PhiloxEngine e(seed, stream, substream);
    e.seek(block, static_cast<unsigned>(word));
    e.setAntithetic(antithetic);
    return e;
}

}  // namespace zel_internal
