// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// MRG32k3a, L'Ecuyer's combined multiple recursive generator, as an engine of ZELRandomStream
// (see there for the numbering of streams and substreams): the recursion, its jumps and the
// package seed's checks.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELMRG32K3AENGINE_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELMRG32K3AENGINE_H

#include "ZELMathExport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>

namespace zel_internal {

class StreamStateReader;

class ZELMATH_EXPORT Mrg32k3aEngine {
public:
    using Seed = std::array<std::uint32_t, 6>;

    /// The word naming the engine in a state text.
    static constexpr const char* kName = "mrg32k3a";
    /// The moduli of the two component recursions.
    static constexpr std::uint64_t kM1 = 4294967087u;
    static constexpr std::uint64_t kM2 = 4294944443u;
    /// A stream holds 2^51 substreams of 2^76 numbers.
    static constexpr unsigned kSubstreamBits = 51;
    /// The package seed of the reference package.
    static constexpr Seed kDefaultSeed{{12345u, 12345u, 12345u, 12345u, 12345u, 12345u}};

    /// Refuses (ZELEDomainError) a seed with a component at or above its modulus or a half all
    /// zero, naming the first such component.
    static void checkSeed(const Seed& seed);

    /// Stream `stream`, substream `substream` of `seed`; refuses a bad seed or a substream at or
    /// above 2^51 (ZELEDomainError).
    Mrg32k3aEngine(std::uint64_t stream, std::uint64_t substream, const Seed& seed);

    double next() noexcept {
        const double u = raw();
        return antithetic_ ? 1.0 - u : u;
    }
    void next(double* out, std::size_t n) noexcept;
    void advance(std::uint64_t n) noexcept;
    void resetStream() noexcept;
    void resetSubstream() noexcept;
    void nextSubstream() noexcept;
    void setAntithetic(bool on) noexcept { antithetic_ = on; }
    bool antithetic() const noexcept { return antithetic_; }
    std::uint64_t stream() const noexcept { return stream_; }
    std::uint64_t substream() const noexcept { return substream_; }

    /// The words after the engine's name in a state text, and the engine they describe.
    void writeState(std::ostream& out) const;
    static Mrg32k3aEngine readState(StreamStateReader& in);

private:
    // The next number of the recursion, before the antithetic switch.
    double raw() noexcept {
        // x1 <- (1403580 x1[n-2] - 810728 x1[n-3]) mod m1, x2 <- (527612 x2[n-1] - 1370589
        // x2[n-3]) mod m2, each written with a non-negative left side so that the remainder is
        // the residue.
        const std::uint64_t p1 =
            (1403580u * static_cast<std::uint64_t>(cg_[1]) + 810728u * (kM1 - cg_[0])) % kM1;
        const std::uint64_t p2 =
            (527612u * static_cast<std::uint64_t>(cg_[5]) + 1370589u * (kM2 - cg_[3])) % kM2;
        cg_[0] = cg_[1];
        cg_[1] = cg_[2];
        cg_[2] = static_cast<std::uint32_t>(p1);
        cg_[3] = cg_[4];
        cg_[4] = cg_[5];
        cg_[5] = static_cast<std::uint32_t>(p2);
        constexpr double norm = 1.0 / 4294967088.0;
        return p1 > p2 ? static_cast<double>(p1 - p2) * norm
                       : static_cast<double>(p1 + kM1 - p2) * norm;
    }

    // Package seed; start of the stream, of the substream; the current state.
    Seed seed_{};
    std::uint64_t stream_ = 0;
    std::uint64_t substream_ = 0;
    std::uint32_t ig_[6] = {}, bg_[6] = {}, cg_[6] = {};
    bool antithetic_ = false;
};

}  // namespace zel_internal

#endif
