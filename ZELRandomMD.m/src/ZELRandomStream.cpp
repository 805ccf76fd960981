#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

constexpr std::array<std::uint32_t, 6> ZELRandomStream::DefaultPackageSeed;
constexpr unsigned ZELRandomStream::PhiloxBufferBlocks;

namespace {

// ---- MRG32k3a jumps ------------------------------------------------------------------------------
// A jump of the generator by 2^e steps is the pair of 3x3 matrices (A1^(2^e) mod m1,
// A2^(2^e) mod m2) applied to the two state halves. The powers needed are computed once by
// repeated squaring: 2^e for e < 64 (advance), 2^(76+e) for e < 51 (substreams), 2^(127+e) for
// e < 64 (streams).

constexpr std::uint64_t kM1 = 4294967087u;
constexpr std::uint64_t kM2 = 4294944443u;
constexpr unsigned kSubstreamBits = 51;  // 2^51 substreams of 2^76 steps in a stream of 2^127

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

struct MrgJumps {
    Mat step1[64], step2[64];                        // 2^e
    Mat sub1[kSubstreamBits], sub2[kSubstreamBits];  // 2^(76+e)
    Mat str1[64], str2[64];                          // 2^(127+e)

    MrgJumps() noexcept {
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
    static const MrgJumps& get() {
        static const MrgJumps jumps;
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

// ---- reports -------------------------------------------------------------------------------------
[[noreturn]] void refuse(const zel_internal::ThrowSite& site, const std::wstring& detail) {
    zel_internal::raise<ZELEDomainError>(site, detail);
}

std::wstring wnum(std::uint64_t v) { return std::to_wstring(v); }

}  // namespace

// ---- construction --------------------------------------------------------------------------------

void ZELRandomStream::checkPackageSeed(const std::array<std::uint32_t, 6>& seed) {
    for (int i = 0; i < 6; ++i) {
        const std::uint64_t m = i < 3 ? kM1 : kM2;
        if (seed[i] >= m)
            refuse(zel_internal::kStreamPackageSeed,
                   L"component " + wnum(i) + L" (" + wnum(seed[i]) + L") is not below " +
                       (i < 3 ? L"m1 = " : L"m2 = ") + wnum(m));
    }
    for (int h = 0; h < 2; ++h)
        if (seed[3 * h] == 0 && seed[3 * h + 1] == 0 && seed[3 * h + 2] == 0)
            refuse(zel_internal::kStreamPackageSeed,
                   L"components " + wnum(3 * h) + L" to " + wnum(3 * h + 2) + L" are all zero");
}

void ZELRandomStream::setMrgStart() {
    const MrgJumps& j = MrgJumps::get();
    for (int i = 0; i < 6; ++i) _ig[i] = _seed[i];
    jump(_ig, _stream, j.str1, j.str2);
    for (int i = 0; i < 6; ++i) _bg[i] = _ig[i];
    jump(_bg, _substream, j.sub1, j.sub2);
    for (int i = 0; i < 6; ++i) _cg[i] = _bg[i];
}

ZELRandomStream ZELRandomStream::MRG32k3a(std::uint64_t stream, std::uint64_t substream,
                                          const std::array<std::uint32_t, 6>& packageSeed) {
    checkPackageSeed(packageSeed);
    if (substream >> kSubstreamBits != 0)
        refuse(zel_internal::kStreamSubstream,
               L"MRG32k3a substream " + wnum(substream) + L" is not below 2^51");
    ZELRandomStream s;
    s._engine = ZELStreamEngine::MRG32k3a;
    s._stream = stream;
    s._substream = substream;
    s._seed = packageSeed;
    s.setMrgStart();
    return s;
}

ZELRandomStream ZELRandomStream::Philox(std::uint64_t seed, std::uint64_t stream,
                                        std::uint64_t substream) {
    if (substream >> 32 != 0)
        refuse(zel_internal::kStreamSubstream,
               L"Philox substream " + wnum(substream) + L" is not below 2^32");
    ZELRandomStream s;
    s._engine = ZELStreamEngine::Philox;
    s._stream = stream;
    s._substream = substream;
    s._key[0] = static_cast<std::uint32_t>(seed);
    s._key[1] = static_cast<std::uint32_t>(seed >> 32);
    s.philoxSeek(substream << 32, 0);
    return s;
}

ZELRandomStream ZELRandomStream::Classic(int stream) {
    ZELRandomStream s;
    s._engine = ZELStreamEngine::Classic;
    s._classic = stream;  // kept as given, so that strict stream numbers report it at each draw
    const ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    const int n =
        generator != nullptr ? generator->GetNumberOfStreams() : ZELRandomGenerator::SeedTableSize;
    s._stream = stream >= 1 && stream <= n ? static_cast<std::uint64_t>(stream) : 1u;
    return s;
}

std::array<std::uint32_t, 4> ZELRandomStream::PhiloxBlock(
    const std::array<std::uint32_t, 4>& counter, const std::array<std::uint32_t, 2>& key) noexcept {
    std::array<std::uint32_t, 4> x = counter;
    philoxScalar(x.data(), key[0], key[1]);
    return x;
}

// ---- drawing -------------------------------------------------------------------------------------

double ZELRandomStream::classicNext() const {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    return generator != nullptr ? generator->GetRandomNumber(_classic) : 0.0;
}

void ZELRandomStream::philoxSeek(std::uint64_t block, unsigned word) noexcept {
    _bufBlock = block;
    philoxWords(_key, _stream, _bufBlock, PhiloxBufferBlocks, _buf);
    _pos = word;
}

void ZELRandomStream::philoxRefill() noexcept { philoxSeek(_bufBlock + PhiloxBufferBlocks, 0); }

void ZELRandomStream::next(double* out, std::size_t n) {
    switch (_engine) {
        case ZELStreamEngine::Classic: {
            ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
            if (generator != nullptr)
                generator->GetRandomNumbers(_classic, out, n);
            else
                for (std::size_t i = 0; i < n; ++i) out[i] = 0.0;
            return;
        }
        case ZELStreamEngine::MRG32k3a:
            if (_antithetic)
                for (std::size_t i = 0; i < n; ++i) out[i] = 1.0 - mrgNext();
            else
                for (std::size_t i = 0; i < n; ++i) out[i] = mrgNext();
            return;
        case ZELStreamEngine::Philox: break;
    }
    // Philox: the rest of the buffer, then whole blocks straight from the block function (in
    // chunks that stay in the first-level cache), then the buffer again.
    std::size_t i = 0;
    while (i < n && _pos != kBufferWords) out[i++] = philoxNext();
    constexpr std::size_t chunkBlocks = 64;
    std::uint32_t words[4 * chunkBlocks];
    std::uint64_t block = _bufBlock + PhiloxBufferBlocks;
    while (n - i >= 2) {
        const std::size_t blocks = std::min(chunkBlocks, (n - i) / 2);
        philoxWords(_key, _stream, block, blocks, words);
        const std::uint32_t f = _flip;
        for (std::size_t b = 0; b < 2 * blocks; ++b)
            out[i + b] = zel_internal::philoxUniform(words[2 * b] ^ f, words[2 * b + 1] ^ f);
        i += 2 * blocks;
        block += blocks;
    }
    if (block != _bufBlock + PhiloxBufferBlocks) philoxSeek(block, 0);
    if (i < n) out[i] = philoxNext();
}

// ---- positions -----------------------------------------------------------------------------------

void ZELRandomStream::advance(std::uint64_t n) {
    switch (_engine) {
        case ZELStreamEngine::Classic:
            if (ZELRandomGenerator* generator = ZELRandomGenerator::Instance())
                generator->AdvanceStream(_classic, n);
            return;
        case ZELStreamEngine::MRG32k3a: {
            const MrgJumps& j = MrgJumps::get();
            jump(_cg, n, j.step1, j.step2);
            return;
        }
        case ZELStreamEngine::Philox: {
            // Position in numbers: two per block.
            const std::uint64_t half = _pos / 2;  // numbers used from the buffer, 0 .. 2 * blocks
            const std::uint64_t sum = half % 2 + n % 2;
            const std::uint64_t block = _bufBlock + half / 2 + n / 2 + sum / 2;
            philoxSeek(block, static_cast<unsigned>(2 * (sum % 2)));
            return;
        }
    }
}

void ZELRandomStream::resetStream() {
    switch (_engine) {
        case ZELStreamEngine::Classic:
            if (ZELRandomGenerator* generator = ZELRandomGenerator::Instance())
                generator->ResetStream(_classic);
            return;
        case ZELStreamEngine::MRG32k3a:
            _substream = 0;
            for (int i = 0; i < 6; ++i) _bg[i] = _cg[i] = _ig[i];
            return;
        case ZELStreamEngine::Philox:
            _substream = 0;
            philoxSeek(0, 0);
            return;
    }
}

void ZELRandomStream::resetSubstream() {
    switch (_engine) {
        case ZELStreamEngine::Classic:
            zel_internal::report(zel_internal::kClassicNoSubstreams);
            return;
        case ZELStreamEngine::MRG32k3a:
            for (int i = 0; i < 6; ++i) _cg[i] = _bg[i];
            return;
        case ZELStreamEngine::Philox: philoxSeek(_substream << 32, 0); return;
    }
}

void ZELRandomStream::nextSubstream() {
    switch (_engine) {
        case ZELStreamEngine::Classic:
            zel_internal::report(zel_internal::kClassicNoSubstreams);
            return;
        case ZELStreamEngine::MRG32k3a: {
            // The last substream's successor is the next stream's first; the numbering wraps with it.
            const MrgJumps& j = MrgJumps::get();
            applyMod<kM1>(j.sub1[0], _bg);
            applyMod<kM2>(j.sub2[0], _bg + 3);
            for (int i = 0; i < 6; ++i) _cg[i] = _bg[i];
            _substream = (_substream + 1) & ((std::uint64_t{1} << kSubstreamBits) - 1);
            if (_substream == 0) {
                ++_stream;
                for (int i = 0; i < 6; ++i) _ig[i] = _bg[i];
            }
            return;
        }
        case ZELStreamEngine::Philox:
            _substream = (_substream + 1) & 0xFFFFFFFFu;
            philoxSeek(_substream << 32, 0);
            return;
    }
}

void ZELRandomStream::setAntithetic(bool on) {
    if (_engine == ZELStreamEngine::Classic) {
        if (!on) {
            zel_internal::report(zel_internal::kClassicAntitheticOff);
            return;
        }
        if (ZELRandomGenerator* generator = ZELRandomGenerator::Instance())
            generator->SetAntithetic(_classic);
    }
    _antithetic = on;
    _flip = on ? 0xFFFFFFFFu : 0u;
}

// ---- state text ----------------------------------------------------------------------------------
// One line of words separated by single spaces:
//   ZELRandomStream mrg32k3a seed s0 .. s5 stream k substream j state c0 .. c5 antithetic a
//   ZELRandomStream philox seed s stream k substream j block b word w antithetic a
//   ZELRandomStream classic stream k

std::string ZELRandomStream::state() const {
    std::ostringstream out;
    out << "ZELRandomStream ";
    switch (_engine) {
        case ZELStreamEngine::Classic: out << "classic stream " << _classic; break;
        case ZELStreamEngine::MRG32k3a:
            out << "mrg32k3a seed";
            for (std::uint32_t v : _seed) out << ' ' << v;
            out << " stream " << _stream << " substream " << _substream << " state";
            for (std::uint32_t v : _cg) out << ' ' << v;
            out << " antithetic " << (_antithetic ? 1 : 0);
            break;
        case ZELStreamEngine::Philox: {
            const std::uint64_t seed = (static_cast<std::uint64_t>(_key[1]) << 32) | _key[0];
            out << "philox seed " << seed << " stream " << _stream << " substream " << _substream
                << " block " << _bufBlock + _pos / 4 << " word " << _pos % 4 << " antithetic "
                << (_antithetic ? 1 : 0);
            break;
        }
    }
    return out.str();
}

namespace {

// Reads the words of a state text; every failure is the same refusal, naming what was expected.
class StateReader {
public:
    explicit StateReader(const std::string& text) : text_(text) {}

    [[noreturn]] void fail(const char* what) const {
        std::wstring w;
        for (const char* c = what; *c != '\0'; ++c) w += static_cast<wchar_t>(*c);
        refuse(zel_internal::kStreamState, L"expected " + w);
    }
    std::string word() {
        if (pos_ > text_.size() || (pos_ > 0 && text_[pos_ - 1] != ' ')) fail("another word");
        const std::size_t end = std::min(text_.find(' ', pos_), text_.size());
        std::string w = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (w.empty()) fail("a word");
        return w;
    }
    void expect(const char* keyword) {
        if (word() != keyword) fail(keyword);
    }
    std::uint64_t number(std::uint64_t max, const char* what) {
        const std::string w = word();
        if (w.size() > 20 || w.find_first_not_of("0123456789") != std::string::npos) fail(what);
        errno = 0;
        const unsigned long long v = std::strtoull(w.c_str(), nullptr, 10);
        if (errno != 0 || v > max) fail(what);
        return v;
    }
    void end() const {
        if (pos_ != text_.size() + 1) fail("the end of the state");
    }

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

}  // namespace

ZELRandomStream ZELRandomStream::FromState(const std::string& text) {
    constexpr std::uint64_t any = ~std::uint64_t{0};
    StateReader in(text);
    in.expect("ZELRandomStream");
    const std::string engine = in.word();
    if (engine == "classic") {
        in.expect("stream");
        const std::string w = in.word();
        const bool negative = w[0] == '-';
        if (negative && w.size() == 1) in.fail("a stream number");
        const std::string digits = negative ? w.substr(1) : w;
        if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
            in.fail("a stream number");
        const long long v = std::strtoll(w.c_str(), nullptr, 10);
        if (v < INT32_MIN || v > INT32_MAX) in.fail("a stream number");
        in.end();
        return Classic(static_cast<int>(v));
    }
    ZELRandomStream s;
    if (engine == "mrg32k3a") {
        in.expect("seed");
        std::array<std::uint32_t, 6> seed{};
        for (auto& v : seed)
            v = static_cast<std::uint32_t>(in.number(0xFFFFFFFFu, "a seed component"));
        in.expect("stream");
        const std::uint64_t stream = in.number(any, "a stream number");
        in.expect("substream");
        const std::uint64_t substream = in.number(any, "a substream number");
        in.expect("state");
        std::array<std::uint32_t, 6> c{};
        for (auto& v : c)
            v = static_cast<std::uint32_t>(in.number(0xFFFFFFFFu, "a state component"));
        in.expect("antithetic");
        const bool anti = in.number(1, "0 or 1") != 0;
        in.end();
        for (int i = 0; i < 6; ++i)
            if (c[i] >= (i < 3 ? kM1 : kM2)) in.fail("state components below their moduli");
        if ((c[0] | c[1] | c[2]) == 0 || (c[3] | c[4] | c[5]) == 0)
            in.fail("a state half not all zero");
        s = MRG32k3a(stream, substream, seed);
        for (int i = 0; i < 6; ++i) s._cg[i] = c[i];
        s.setAntithetic(anti);
        return s;
    }
    if (engine == "philox") {
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
        const bool anti = in.number(1, "0 or 1") != 0;
        in.end();
        s = Philox(seed, stream, substream);
        s.philoxSeek(block, static_cast<unsigned>(word));
        s.setAntithetic(anti);
        return s;
    }
    in.fail("classic, mrg32k3a or philox");
}
