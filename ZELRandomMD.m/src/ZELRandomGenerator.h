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
/// Threads: every operation except `GetNumberOfStreams` runs under the one recursive lock
/// `_contextLock`, shared by all generators, one uniform number per lock. Draws on different
/// streams from different threads are therefore safe and each stream delivers exactly its own
/// sequence; draws by several threads on one stream hand out each number once, in an order that
/// depends on the scheduling. `GetRandomNumbers` takes a whole block under one lock.
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
///     (taken under the lock); assignment replaces the target's arrays the same way. No two
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

class ZELMATH_EXPORT ZELRandomGenerator : public KOBBaseUnknown {
    KOB_DECLARE_COMPONENT(ZELRandomGenerator)

public:
    /// The singleton, created with 2000 streams on first use. Null only if its memory could not
    /// be allocated (a later call tries again).
    static ZELRandomGenerator* Instance();

    ZELRandomGenerator(const ZELRandomGenerator& other);
    ZELRandomGenerator& operator=(const ZELRandomGenerator& other);
    ~ZELRandomGenerator() override;

    /// The number of streams (read without the lock).
    int GetNumberOfStreams() const noexcept { return _numberOfStreams; }

    /// Advances the stream by one step and returns its next number in [0, 1].
    double GetRandomNumber(int stream);
    /// The next `count` numbers of the stream, taken under one lock; identical to `count` calls
    /// of GetRandomNumber (antithetic output included).
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

    static constexpr std::uint32_t Multiplier = 314159269u;  // 0x12B9B0A5
    static constexpr std::uint32_t Increment = 453806245u;   // 0x1B0C88A5
    static constexpr int SeedTableSize = 2000;

    /// The singleton (null until the first Instance()) and the lock of every generator.
    static std::atomic<ZELRandomGenerator*> _Instance;
    static ZELSysFastMutexLock _contextLock;

protected:
    /// A generator with `numberOfStreams` streams (at least 1).
    explicit ZELRandomGenerator(int numberOfStreams = 2000);

private:
    void CreateRandomStreams();
    /// Index of the array entry of `stream`, out-of-range numbers mapped to stream 1.
    int index(int stream) const noexcept {
        return (stream < 1 || stream > _numberOfStreams) ? 0 : stream - 1;
    }

    std::uint32_t* _initialSeeds = nullptr;
    std::uint32_t* _currentSeeds = nullptr;
    unsigned char* _antitheticFlags = nullptr;
    int _numberOfStreams;
    int _seedTableSize;
    std::uint32_t _seedTable[SeedTableSize];
};

/// @}

#endif
