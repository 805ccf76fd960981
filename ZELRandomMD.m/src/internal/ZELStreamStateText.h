// Internal to the library: not installed; names may change in any release.
//
// The state text of a ZELRandomStream: one line of words separated by single spaces,
//   ZELRandomStream <engine name> <the engine's own words>
// Each engine writes and reads its own words (writeState, readState); this reader gives them the
// words one at a time, and every failure is the same refusal (ZELEDomainError), naming what was
// expected.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELSTREAMSTATETEXT_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELSTREAMSTATETEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace zel_internal {

class StreamStateReader {
public:
    explicit StreamStateReader(const std::string& text) noexcept : text_(text) {}

    /// Refuses the text: "Not a random stream state: expected <what>".
    [[noreturn]] void fail(const std::string& what) const;
    /// The next word (not empty).
    std::string word();
    /// The next word, which must be `keyword`.
    void expect(const char* keyword);
    /// The next word as a decimal number in [0, max] (digits only).
    std::uint64_t number(std::uint64_t max, const char* what);
    /// The next word as a decimal int, with an optional minus sign.
    int signedInt(const char* what);
    /// Checks that no word is left.
    void end() const;

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

}  // namespace zel_internal

#endif
