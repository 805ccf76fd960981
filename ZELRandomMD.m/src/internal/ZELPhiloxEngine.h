// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Philox4x32-10, the counter-based generator, as an engine of ZELRandomStream (see there for
// the counter layout and the number formula): the block function, a buffer of eight blocks and
// the conversion of two words into a number.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELPHILOXENGINE_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELPHILOXENGINE_H

#include "ZELMathExport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>

namespace zel_internal {

class StreamStateReader;

/// A Philox number from two words: ((w0 >> 5) * 2^26 + (w1 >> 6) + 0.5) * 2^-53, the one pair
/// that rounds to 1 giving the largest double below 1.
inline double philoxUniform(std::uint32_t w0, std::uint32_t w1) noexcept {
    constexpr double belowOne = 1.0 - 0x1p-53;
    const double u =
        (static_cast<double>(w0 >> 5) * 67108864.0 + static_cast<double>(w1 >> 6) + 0.5) * 0x1p-53;
    return u < belowOne ? u : belowOne;
}

/// The Philox4x32-10 block function: the four words of block `counter` under `key`.
ZELMATH_EXPORT std::array<std::uint32_t, 4> philoxBlock(
    const std::array<std::uint32_t, 4>& counter, const std::array<std::uint32_t, 2>& key) noexcept;

class ZELMATH_EXPORT PhiloxEngine {
public:
    /// The word naming the engine in a state text.
    static constexpr const char* kName = "philox";
    /// Blocks held ready in the buffer.
    static constexpr unsigned kBufferBlocks = 8;

    /// Stream `stream` of key `seed`, substream `substream`; refuses a substream at or above 2^32
    /// (ZELEDomainError).
    PhiloxEngine(std::uint64_t seed, std::uint64_t stream, std::uint64_t substream);

    double next() noexcept {
        if (pos_ == kBufferWords) refill();
        const double u = philoxUniform(buf_[pos_] ^ flip_, buf_[pos_ + 1] ^ flip_);
        pos_ += 2;
        return u;
    }
    void next(double* out, std::size_t n) noexcept;
    void advance(std::uint64_t n) noexcept;
    void resetStream() noexcept;
    void resetSubstream() noexcept;
    void nextSubstream() noexcept;
    void setAntithetic(bool on) noexcept { flip_ = on ? 0xFFFFFFFFu : 0u; }
    bool antithetic() const noexcept { return flip_ != 0; }
    std::uint64_t stream() const noexcept { return stream_; }
    std::uint64_t substream() const noexcept { return substream_; }

    /// The words after the engine's name in a state text, and the engine they describe.
    void writeState(std::ostream& out) const;
    static PhiloxEngine readState(StreamStateReader& in);

private:
    static constexpr unsigned kBufferWords = 4 * kBufferBlocks;

    /// Refills the buffer with the eight blocks after the current ones.
    void refill() noexcept;
    /// Puts the stream at block `block`, word `word` (0 or 2).
    void seek(std::uint64_t block, unsigned word) noexcept;

    // The key, the counter of the buffer's first block, the next word in the buffer.
    std::uint32_t key_[2] = {};
    std::uint64_t stream_ = 0;
    std::uint64_t substream_ = 0;
    std::uint64_t bufBlock_ = 0;
    unsigned pos_ = kBufferWords;
    std::uint32_t flip_ = 0;  // all ones when antithetic
    std::uint32_t buf_[kBufferWords] = {};
};

}  // namespace zel_internal

#endif
