// Stream state text: any text given to ZELRandomStream::FromState either gives a whole stream or
// is refused with ZELEDomainError, never another exception, a crash or undefined behaviour. A
// stream it gives writes a state that reads back to itself and draws the same numbers, all
// strictly inside (0, 1). Half the inputs are edits of a real state (a word replaced, a digit
// changed, the text cut), so that the fuzzer reaches the checks behind the keywords.
#include "FuzzInput.h"
#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include <cstdint>
#include <string>

namespace {

// A real state to start from, by kind: MRG32k3a or Philox, at some position, maybe antithetic.
std::string realState(FuzzInput& in) {
    const auto kind = in.take<std::uint8_t>();
    const auto stream = in.take<std::uint8_t>();
    const auto substream = in.take<std::uint16_t>();
    ZELRandomStream s = kind % 2 == 0
        ? ZELRandomStream::MRG32k3a(stream, substream)
        : ZELRandomStream::Philox(in.take<std::uint64_t>(), stream, substream);
    s.advance(in.take<std::uint16_t>());
    s.setAntithetic(kind & 2);
    return s.state();
}

void checkRoundTrip(ZELRandomStream s) {
    FUZZ_CHECK(s.engine() != ZELStreamEngine::Classic);
    const std::string text = s.state();
    ZELRandomStream t = ZELRandomStream::FromState(text);
    FUZZ_CHECK(t.state() == text);
    FUZZ_CHECK(t.antithetic() == s.antithetic());
    FUZZ_CHECK(t.streamIndex() == s.streamIndex() && t.substreamIndex() == s.substreamIndex());
    double block[9];
    t.next(block, 9);
    for (double expected : block) {
        const double u = s.next();
        FUZZ_CHECK(u == expected);
        FUZZ_CHECK(u > 0.0 && u < 1.0);
    }
    s.nextSubstream();
    s.resetSubstream();
    s.advance(~std::uint64_t{0});
    s.resetStream();
    FUZZ_CHECK(s.substreamIndex() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const auto mode = in.take<std::uint8_t>();
    std::string text;
    if (mode % 2 == 0) {
        text = realState(in);
        // Edits: replace a byte, cut the text, or insert a byte.
        for (int edits = (mode >> 1) % 4; edits > 0 && !text.empty(); --edits) {
            const std::size_t at = in.take<std::uint16_t>() % text.size();
            const char c = static_cast<char>(in.take<std::uint8_t>());
            switch (in.take<std::uint8_t>() % 3) {
                case 0: text[at] = c; break;
                case 1: text.resize(at); break;
                default: text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c); break;
            }
        }
    } else {
        while (in.remaining() > 0) text += static_cast<char>(in.take<std::uint8_t>());
    }
    try {
        checkRoundTrip(ZELRandomStream::FromState(text));
    } catch (const ZELEDomainError&) {
        // refused: the one allowed outcome besides a whole stream
    }
    return 0;
}
