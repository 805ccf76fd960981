/// \class ZELRandomGenerator
/// The process-wide source of uniform random numbers: numbered, reproducible streams.
///
/// Each stream is a 32-bit linear congruential generator
///
///     x <- x * 314159269 + 453806245   (mod 2^32)
///
/// with its own initial seed, current state and antithetic switch. A draw advances the state and
/// returns x / 4294967295.0, a number in the closed interval [0, 1] (state 0 gives exactly 0,
/// state 0xFFFFFFFF exactly 1); an antithetic stream returns 1 - that number instead.
/// Streams are numbered from 1 to `GetNumberOfStreams()`; every other stream number (0, negative,
/// too large) means stream 1. Stream k (k <= 2000) starts from the built-in seed
/// (1 + k * 0x40E00000) mod 2^32; streams beyond 2000 all start from seed 1.
///
/// Usage: distributions fetch `ZELRandomGenerator::Instance()` (2000 streams, created on first
/// use, never destroyed by the library) and name a stream on every draw. To repeat a run, reset
/// the streams it used (`ResetStream`); to run a variance-reduction twin, switch them to
/// antithetic output.
///
/// Threads: each stream's state is one atomic word, advanced by compare-and-swap, so a draw takes
/// no lock and threads drawing on different streams never wait for each other (each state sits
/// alone in its cache line, so they do not even share one). Every stream delivers exactly its own
/// sequence. Several threads drawing on one stream hand out each number once, nothing lost and
/// nothing repeated, in an order that depends on the scheduling; `GetRandomNumbers` and
/// `AdvanceStream` move the stream by their whole block in one step, so another thread's draw
/// comes before or after the block, never inside it. `ResetStream`, `SetInitialSeed`,
/// `GetInitialSeed` and `SetAntithetic` are single atomic stores or loads of the stream's entry;
/// a draw racing with them sees the entry before or after the change.
/// The one recursive lock `_contextLock`, shared by all generators, guards what is not per
/// stream: the creation of the singleton in `Instance()` (exactly one generator is built when
/// threads race on first use) and the building, copying and replacing of a generator's stream
/// arrays (construction, copy, assignment, destruction). Per-stream operations do not take it, so
/// assigning to or destroying a generator while other threads draw from it is the caller's error.
///
/// Strict stream numbers (off by default): after `SetStrictStreams(true)` every per-stream call
/// with a number outside 1..n first reports "Invalid stream number" through the assertion hook
/// (category "Software"), once per call, and then uses stream 1 as usual. The switch is
/// process-wide and applies to every generator.
///
/// Draw counts and the overrun check: every stream counts its draws since its creation or its last
/// `ResetStream` (`GetDrawCount`; `GetRandomNumbers` and `AdvanceStream` count their whole block,
/// a copy of a generator copies the counts). Counts run modulo 2^32, the generator's period: after
/// 2^32 draws a stream repeats its whole sequence, and its count starts again at 0. The count and the state are
/// one atomic word, advanced by the same compare-and-swap, so a count always matches its state.
/// With `SetOverrunCheck(true)` (process-wide, off by default) a stream whose count passes
/// 2 097 152 = 2^21 (the draws a stream holds before it runs into the next stream's sequence,
/// see below) reports "Stream ran into the next stream" through the assertion hook (category
/// "Software") at that draw, once until the stream's next `ResetStream`; a stream already past
/// 2^21 when the check is switched on reports at its next draw. The draw itself is unchanged.
///
/// Known limits of the generator (choose streams with them in mind):
///   - All 2^32 states form one cycle and the built-in seeds lie 2^21 = 2 097 152 steps apart on
///     it: each stream has 2 097 152 draws before it runs into the next stream's sequence.
///   - The built-in seeds differ by multiples of 2^21, and two streams' states at the same draw
///     index differ by their seeds' difference times an odd power of the multiplier, so all
///     streams share their low 21 state bits at the same draw index. The states of streams k and k + 1024 therefore always differ by
///     exactly 2^31 (their numbers are about 0.5 apart, mod 1), those of streams k and k + 512 by
///     3 * 2^30. Streams meant to be independent should not be chosen at such distances.
///   - A 32-bit LCG fails the standard statistical test batteries; its low bits are
///     particularly weak. It is kept because the sequences are part of the contract.
///   - State 0 occurs (stream 1523 at draw 1 549 403) and yields exactly 0, so an exponential
///     variate drawn there is infinite; state 0xFFFFFFFF occurs at stream 1136, draw 928 858, and
///     yields exactly 1.
///
/// Copying and destruction (the library itself never copies or destroys a generator):
///   - A copy owns its own arrays, duplicated from the source's current seeds, states and flags
///     (each stream's entries read atomically); assignment replaces the target's arrays the same way. No two
///     generators ever share arrays, so each frees only its own.
///   - The destructor frees the generator's arrays. If the generator being destroyed is the
///     singleton, `_Instance` is reset to null so that a later `Instance()` builds a fresh
///     generator with the built-in seeds; destroying any other generator leaves the singleton
///     alone. Destroying the singleton while other threads still draw from it is the caller's
///     error.
#ifndef ZELMATH_ZELRANDOMMD_ZELRANDOMGENERATOR_H
#define ZELMATH_ZELRANDOMMD_ZELRANDOMGENERATOR_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "foundation/KOBBaseUnknown.h"
#include "foundation/ZELSysFastMutexLock.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class ZELMATH_EXPORT ZELRandomGenerator : public KOBBaseUnknown {
    KOB_DECLARE_COMPONENT(ZELRandomGenerator)

public:
    /// The singleton, created with 2000 streams on first use. Null only if its memory could not
    /// be allocated (a later call tries again).
    static ZELRandomGenerator* Instance();

    ZELRandomGenerator(const ZELRandomGenerator& other);
    ZELRandomGenerator& operator=(const ZELRandomGenerator& other);
    ~ZELRandomGenerator() override;

    /// The number of streams.
    int GetNumberOfStreams() const noexcept { return _numberOfStreams; }

    /// Advances the stream by one step and returns its next number in [0, 1].
    double GetRandomNumber(int stream);
    /// The next `count` numbers of the stream, taken as one block; identical to `count` calls of
    /// GetRandomNumber (antithetic output included).
    void GetRandomNumbers(int stream, double* out, std::size_t count);
    /// Moves the stream's current state `steps` draws ahead in O(log steps), as if that many
    /// numbers had been drawn and discarded. The initial seed and the antithetic flag stay.
    void AdvanceStream(int stream, std::uint64_t steps);

    /// Switches the stream to antithetic output (1 - u) from its next draw on, for good.
    void SetAntithetic(int stream);
    /// The stream's initial seed, its 32 bits read as a signed int.
    int GetInitialSeed(int stream);
    /// Replaces the stream's initial seed; takes effect at the stream's next ResetStream.
    void SetInitialSeed(int stream, unsigned int seed);
    /// Sets the stream's state back to its initial seed (the antithetic flag stays).
    void ResetStream(int stream);

    /// Draws of the stream since its creation or last ResetStream (blocks and advances count).
    std::uint64_t GetDrawCount(int stream);
    /// The overrun check on or off for every generator (see above); off by default.
    static void SetOverrunCheck(bool on) noexcept;
    static bool GetOverrunCheck() noexcept;
    /// The draws a stream holds before it reaches the next stream's seed: 2^21.
    static constexpr std::uint64_t StreamLength = 2097152u;

    /// Strict stream numbers on or off for every generator (see above); off by default.
    static void SetStrictStreams(bool on) noexcept;
    static bool GetStrictStreams() noexcept;

    static constexpr std::uint32_t Multiplier = 314159269u;  // 0x12B9B0A5
    static constexpr std::uint32_t Increment = 453806245u;   // 0x1B0C88A5
    static constexpr int SeedTableSize = 2000;

    /// The singleton (null until the first Instance()) and the lock of every generator's creation
    /// and array replacement.
    static std::atomic<ZELRandomGenerator*> _Instance;
    static ZELSysFastMutexLock _contextLock;

protected:
    /// A generator with `numberOfStreams` streams (at least 1).
    explicit ZELRandomGenerator(int numberOfStreams = 2000);

private:
    /// A stream's current state (low 32 bits) and draw count (high 32 bits) in one word, alone in
    /// a cache line so that draws on different streams from different threads do not contend for
    /// one; and whether the overrun check has reported the stream since its last reset.
    struct alignas(64) StreamState {
        std::atomic<std::uint64_t> x;
        std::atomic<bool> overrunReported;
    };
    struct StreamArrays;  // a set of the three arrays, built before it is installed

    void CreateRandomStreams();
    /// Swaps the generator's arrays with `arrays` (which then holds, and frees, the old ones).
    void install(StreamArrays& arrays) noexcept;
    /// Index of the array entry of `stream`; out-of-range numbers mean stream 1.
    int index(int stream) const {
        return (stream < 1 || stream > _numberOfStreams) ? invalidStream() : stream - 1;
    }
    /// Reports an invalid stream number when strict numbers are on; returns 0 (stream 1).
    static int invalidStream();
    /// The overrun check of stream entry `j` after a move that left `word`.
    void checkOverrun(int j, std::uint64_t word);
    /// checkOverrun, then `u`.
    double checkedNumber(int j, std::uint64_t word, double u);

    std::unique_ptr<std::atomic<std::uint32_t>[]> _initialSeeds;
    std::unique_ptr<StreamState[]> _currentSeeds;
    std::unique_ptr<std::atomic<unsigned char>[]> _antitheticFlags;
    int _numberOfStreams;
    int _seedTableSize;
    std::uint32_t _seedTable[SeedTableSize];
};

/// @}

#endif
