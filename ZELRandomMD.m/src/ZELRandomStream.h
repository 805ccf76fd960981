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
///     assertion hook (category "Software") and change nothing. A copy of a classic stream
///     shares its position (the generator's). `state()` of a classic stream names the stream
///     only, and `FromState` refuses that text: restoring a position would rewind every other
///     user of the shared stream, and in another process would repeat the numbers drawn here.
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
/// stream continues exactly where the saved one was. Text that is not such a state, and the
/// text of a classic stream, is refused with ZELEDomainError.
///
/// Threads: a stream object is a value with no shared state (except a classic stream's, which
/// the generator guards itself); a draw takes no lock and touches no atomic. One object must not
/// be used by two threads at once; copies may be used on different threads freely.
#ifndef ZELMATH_ZELRANDOMMD_ZELRANDOMSTREAM_H
#define ZELMATH_ZELRANDOMMD_ZELRANDOMSTREAM_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "ZELRandomMD.m/src/internal/ZELClassicEngine.h"
#include "ZELRandomMD.m/src/internal/ZELMrg32k3aEngine.h"
#include "ZELRandomMD.m/src/internal/ZELPhiloxEngine.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

/// The engine behind a ZELRandomStream (in the order of ZELRandomStream's engine alternatives).
enum class ZELStreamEngine { Classic, MRG32k3a, Philox };

class ZELMATH_EXPORT ZELRandomStream {
public:
    /// The MRG32k3a package seed of the reference package.
    static constexpr std::array<std::uint32_t, 6> DefaultPackageSeed =
        zel_internal::Mrg32k3aEngine::kDefaultSeed;

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
    bool antithetic() const noexcept;

    ZELStreamEngine engine() const noexcept {
        return static_cast<ZELStreamEngine>(engine_.index());
    }
    /// The stream number (a classic stream: the generator's stream it draws from, 1 for a
    /// number outside the generator's range).
    std::uint64_t streamIndex() const noexcept;
    /// The substream number (0 for a classic stream).
    std::uint64_t substreamIndex() const noexcept;

    /// The whole state as one line of text.
    std::string state() const;
    /// The stream saved by state(); ZELEDomainError for any other text.
    static ZELRandomStream FromState(const std::string& text);

    /// Numbers held ready by a Philox stream (eight blocks).
    static constexpr unsigned PhiloxBufferBlocks = zel_internal::PhiloxEngine::kBufferBlocks;

private:
    // One alternative per engine, in the order of ZELStreamEngine; each engine is one internal
    // unit (see ZELRandomMD.m/src/internal/), and the stream forwards every operation to it.
    using Engines = std::variant<zel_internal::ClassicEngine, zel_internal::Mrg32k3aEngine,
                                 zel_internal::PhiloxEngine>;

    template <class Engine>
    explicit ZELRandomStream(Engine engine) noexcept : engine_(std::move(engine)) {}

    Engines engine_;
};

inline double ZELRandomStream::next() {
    // A draw of the counter-based and the recursive engine is a few instructions: they are
    // tested first, so that the dispatch costs a compare, not a jump through a table.
    if (auto* philox = std::get_if<zel_internal::PhiloxEngine>(&engine_)) return philox->next();
    if (auto* mrg = std::get_if<zel_internal::Mrg32k3aEngine>(&engine_)) return mrg->next();
    return std::visit([](auto& engine) { return engine.next(); }, engine_);
}

/// @}

#endif
