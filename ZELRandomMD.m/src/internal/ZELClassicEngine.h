// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// A numbered stream of the process-wide ZELRandomGenerator as an engine of ZELRandomStream: every
// operation forwards to the generator, which holds the position.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELCLASSICENGINE_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELCLASSICENGINE_H

#include "ZELMathExport.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>

namespace zel_internal {

class StreamStateReader;

class ZELMATH_EXPORT ClassicEngine {
public:
    /// The word naming the engine in a state text.
    static constexpr const char* kName = "classic";

    /// Stream `stream` of the generator (kept as given, so that strict stream numbers report it
    /// at each draw).
    explicit ClassicEngine(int stream);

    double next() const;
    void next(double* out, std::size_t n) const;
    void advance(std::uint64_t n) const;
    void resetStream() const;
    /// A classic stream has no substreams: reported through the assertion hook, nothing changes.
    void resetSubstream() const;
    void nextSubstream() const;
    /// On: the generator's SetAntithetic. Off: reported (the generator cannot switch it off).
    void setAntithetic(bool on);
    bool antithetic() const noexcept { return antithetic_; }
    /// The generator's stream drawn from (1 for a number outside its range).
    std::uint64_t stream() const noexcept { return stream_; }
    std::uint64_t substream() const noexcept { return 0; }

    /// The state text names the stream only; reading it back is refused, since the position
    /// belongs to the generator.
    void writeState(std::ostream& out) const;
    [[noreturn]] static ClassicEngine readState(StreamStateReader& in);

private:
    int classic_ = 1;
    std::uint64_t stream_ = 1;
    bool antithetic_ = false;
};

}  // namespace zel_internal

#endif
