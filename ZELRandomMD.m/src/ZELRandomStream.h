/// \class ZELRandomStream
/// A stream of uniform random numbers held by value: MRG32k3a, Philox4x32-10, or a numbered
/// stream of the process-wide generator.
///
/// Three engines:
///   - `MRG32k3a(stream, substream, packageSeed)`: L'Ecuyer's combined multiple recursive
///     generator (period about 2^191). Stream k starts k * 2^127 steps beyond the package seed,
///     its substream j a further j * 2^76 steps, so every stream has 2^51 substreams of 2^76
///     numbers each. A draw returns exactly the number of the classic reference package:
///     (p1 - p2) / (m1 + 1) when p1 > p2, else (p1 - p2 + m1) / (m1 + 1), in (0, 1).
///   - `Philox(seed, stream, substream)`: the counter-based Philox4x32-10. The key is (low, high
///     32 bits of seed), the counter (block low, block high, stream low, stream high); substream
///     j starts at block j * 2^32 (2^32 substreams of 2^33 numbers; the stream's 2^65 numbers
///     then wrap around). A block's words x0, x1, x2, x3 are used in that order, two per number:
///     u = ((w0 >> 5) * 2^26 + (w1 >> 6) + 0.5) * 2^-53 in double arithmetic. That value lies
///     in (0, 1) except for the one word pair with w0 >= 0xFFFFFFE0 and w1 >= 0xFFFFFFC0, which
///     rounds to 1; that pair gives the largest double below 1 instead, so that every number
///     is strictly inside (0, 1). An antithetic Philox number is the same formula applied to
///     the complemented words (~w0, ~w1), that is 1 - u taken exactly and then rounded by the
///     same rule, so it too lies strictly inside (0, 1); it can differ from 1.0 - u computed in
///     double arithmetic in the last bit.
///   - `Classic(k)`: stream k of `ZELRandomGenerator::Instance()`. The state is the generator's,
///     shared with every other user of stream k; a draw is exactly `GetRandomNumber(k)`, a
///     block exactly `GetRandomNumbers`, `advance` is `AdvanceStream`, `resetStream` is
///     `ResetStream` and `setAntithetic(true)` is `SetAntithetic(k)`. Numbers lie in [0, 1].
///     A classic stream has no substreams, and the generator cannot switch antithetic output
///     off: `resetSubstream()`, `nextSubstream()` and `setAntithetic(false)` report through the
///     assertion hook (category "Software") and change nothing. `state()` of a classic stream
///     names the stream only (its position lives in the shared generator, which does not hand
///     it out); `FromState` of that text gives `Classic(k)` again.
///
/// Antithetic output (`setAntithetic(true)`) replaces every number u by 1 - u from the next draw
/// on; `setAntithetic(false)` switches it back (MRG32k3a and Philox). Resets keep the switch.
///
/// Positions: `resetStream()` returns to the start of the stream (substream 0), `resetSubstream()`
/// to the start of the current substream, `nextSubstream()` to the start of the next one (after
/// the last substream: MRG32k3a moves on to substream 0 of the next stream, where the last
/// substream ends; Philox wraps to substream 0 of the same stream).
/// `advance(n)` moves as if n numbers were drawn: O(log n) for MRG32k3a, O(1) for Philox.
/// `next(out, n)` gives exactly the numbers of n calls of `next()`.
///
/// State: `state()` is a line of text holding everything (engine, seed, stream, substream,
/// position, antithetic switch); `FromState` rebuilds the stream from it, so that the restored
/// stream continues exactly where the saved one was. Text that is not such a state is refused
/// with ZELEDomainError.
///
/// Threads: a stream object is a value with no shared state (except a classic stream's, which
/// the generator guards itself); a draw takes no lock and touches no atomic. One object must not
/// be used by two threads at once; copies may be used on different threads freely.
#ifndef ZELMATH_ZELRANDOMMD_ZELRANDOMSTREAM_H
#define ZELMATH_ZELRANDOMMD_ZELRANDOMSTREAM_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "ZELRandomMD.m/src/internal/ZELPhiloxUniform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

/// The engine behind a ZELRandomStream.
enum class ZELStreamEngine { Classic, MRG32k3a, Philox };

class ZELMATH_EXPORT ZELRandomStream {
public:
    /// The MRG32k3a package seed of the reference package.
    static constexpr std::array<std::uint32_t, 6> DefaultPackageSeed{
        {12345u, 12345u, 12345u, 12345u, 12345u, 12345u}};

    /// MRG32k3a stream `stream`, substream `substream` (below 2^51). ZELEDomainError names the
    /// first bad package seed component (one at or above its modulus, or a half all zero) or a
    /// substream out of range.
    static ZELRandomStream MRG32k3a(
        std::uint64_t stream = 0, std::uint64_t substream = 0,
        const std::array<std::uint32_t, 6>& packageSeed = DefaultPackageSeed);
    /// Philox4x32-10 stream `stream` of key `seed`, substream `substream` (below 2^32, else
    /// ZELEDomainError).
    static ZELRandomStream Philox(std::uint64_t seed, std::uint64_t stream = 0,
                                  std::uint64_t substream = 0);
    /// Stream `stream` of the process-wide generator (out-of-range numbers mean stream 1, as
    /// there).
    static ZELRandomStream Classic(int stream);

    /// The Philox4x32-10 block function: the four words of block `counter` under `key`.
    static std::array<std::uint32_t, 4> PhiloxBlock(
        const std::array<std::uint32_t, 4>& counter,
        const std::array<std::uint32_t, 2>& key) noexcept;

    /// The next number.
    inline double next();
    /// The next n numbers into out[0..n), identical to n calls of next().
    void next(double* out, std::size_t n);
    /// Moves on as if n numbers had been drawn.
    void advance(std::uint64_t n);
    /// Back to the start of the stream (substream 0).
    void resetStream();
    /// Back to the start of the current substream.
    void resetSubstream();
    /// On to the start of the next substream.
    void nextSubstream();
    /// Antithetic output (1 - u) on or off, from the next draw on.
    void setAntithetic(bool on);
    /// Whether output is antithetic (a classic stream: whether this object switched it on).
    bool antithetic() const noexcept { return _antithetic; }

    ZELStreamEngine engine() const noexcept { return _engine; }
    /// The stream number (a classic stream: the generator's stream it draws from, 1 for a
    /// number outside the generator's range).
    std::uint64_t streamIndex() const noexcept { return _stream; }
    /// The substream number (0 for a classic stream).
    std::uint64_t substreamIndex() const noexcept { return _substream; }

    /// The whole state as one line of text.
    std::string state() const;
    /// The stream saved by state(); ZELEDomainError for any other text.
    static ZELRandomStream FromState(const std::string& text);

    /// Numbers held ready by a Philox stream (eight blocks).
    static constexpr unsigned PhiloxBufferBlocks = 8;

private:
    static constexpr unsigned kBufferWords = 4 * PhiloxBufferBlocks;
    static constexpr std::uint64_t kM1 = 4294967087u;
    static constexpr std::uint64_t kM2 = 4294944443u;

    ZELRandomStream() = default;

    double mrgNext() noexcept;
    double philoxNext() noexcept;
    double classicNext() const;
    /// Refills the Philox buffer with the eight blocks after the current ones.
    void philoxRefill() noexcept;
    /// Puts a Philox stream at block `block`, word `word` (0 or 2).
    void philoxSeek(std::uint64_t block, unsigned word) noexcept;
    void setMrgStart();
    static void checkPackageSeed(const std::array<std::uint32_t, 6>& seed);

    ZELStreamEngine _engine = ZELStreamEngine::Classic;
    bool _antithetic = false;
    int _classic = 1;
    std::uint64_t _stream = 0;
    std::uint64_t _substream = 0;
    // MRG32k3a: package seed, start of the stream, of the substream, current state.
    std::array<std::uint32_t, 6> _seed{};
    std::uint32_t _ig[6] = {}, _bg[6] = {}, _cg[6] = {};
    // Philox: key, the counter of the buffer's first block, the next word in the buffer.
    std::uint32_t _key[2] = {};
    std::uint64_t _bufBlock = 0;
    unsigned _pos = kBufferWords;
    std::uint32_t _flip = 0;  // all ones when antithetic
    std::uint32_t _buf[kBufferWords] = {};
};

inline double ZELRandomStream::mrgNext() noexcept {
    // x1 <- (1403580 x1[n-2] - 810728 x1[n-3]) mod m1, x2 <- (527612 x2[n-1] - 1370589 x2[n-3])
    // mod m2, each written with a non-negative left side so that the remainder is the residue.
    const std::uint64_t p1 =
        (1403580u * static_cast<std::uint64_t>(_cg[1]) + 810728u * (kM1 - _cg[0])) % kM1;
    const std::uint64_t p2 =
        (527612u * static_cast<std::uint64_t>(_cg[5]) + 1370589u * (kM2 - _cg[3])) % kM2;
    _cg[0] = _cg[1];
    _cg[1] = _cg[2];
    _cg[2] = static_cast<std::uint32_t>(p1);
    _cg[3] = _cg[4];
    _cg[4] = _cg[5];
    _cg[5] = static_cast<std::uint32_t>(p2);
    constexpr double norm = 1.0 / 4294967088.0;
    return p1 > p2 ? static_cast<double>(p1 - p2) * norm
                   : static_cast<double>(p1 + kM1 - p2) * norm;
}

inline double ZELRandomStream::philoxNext() noexcept {
    if (_pos == kBufferWords) philoxRefill();
    const double u = zel_internal::philoxUniform(_buf[_pos] ^ _flip, _buf[_pos + 1] ^ _flip);
    _pos += 2;
    return u;
}

inline double ZELRandomStream::next() {
    if (_engine == ZELStreamEngine::Philox) return philoxNext();
    if (_engine == ZELStreamEngine::MRG32k3a) {
        const double u = mrgNext();
        return _antithetic ? 1.0 - u : u;
    }
    return classicNext();
}

/// @}

#endif
