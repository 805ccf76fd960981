#include "ZELRandomMD.m/src/internal/ZELStreamStateText.h"

#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zel_internal {

void StreamStateReader::fail(const std::string& what) const {
    raise<ZELEDomainError>(kStreamState, "expected " + what);
}

std::string StreamStateReader::word() {
    if (pos_ > text_.size() || (pos_ > 0 && text_[pos_ - 1] != ' ')) fail("another word");
    const std::size_t end = std::min(text_.find(' ', pos_), text_.size());
    std::string w = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (w.empty()) fail("a word");
    return w;
}

void StreamStateReader::expect(const char* keyword) {
    if (word() != keyword) fail(keyword);
}

std::uint64_t StreamStateReader::number(std::uint64_t max, const char* what) {
    const std::string w = word();
    if (w.size() > 20 || w.find_first_not_of("0123456789") != std::string::npos) fail(what);
    errno = 0;
    const unsigned long long v = std::strtoull(w.c_str(), nullptr, 10);
    if (errno != 0 || v > max) fail(what);
    return v;
}

int StreamStateReader::signedInt(const char* what) {
    const std::string w = word();
    const bool negative = w[0] == '-';
    const std::string digits = negative ? w.substr(1) : w;
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        fail(what);
    const long long v = std::strtoll(w.c_str(), nullptr, 10);
    if (v < INT_MIN || v > INT_MAX) fail(what);
    return static_cast<int>(v);
}

void StreamStateReader::end() const {
    if (pos_ != text_.size() + 1) fail("the end of the state");
}

}  // namespace zel_internal
