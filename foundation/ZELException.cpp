#include "foundation/ZELException.h"

namespace {

// Wide message to UTF-8. wchar_t holds UTF-32 on the platforms we build for (UTF-16 surrogate
// pairs are combined where wchar_t is 16 bits); invalid code points become U+FFFD.
std::string toUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto cp = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
        if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            const auto low =
                static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) cp = 0xFFFD;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace

ZELMsgBase::ZELMsgBase(const std::wstring& message, const char* file, int line)
    : message_(message), file_(file ? file : ""), line_(line) {}
ZELMsgBase::~ZELMsgBase() = default;

ZELMsgData::ZELMsgData(const std::wstring& message, const char* file, int line)
    : ZELMsgBase(message, file, line) {}
ZELMsgData::~ZELMsgData() = default;

ZELMessage::ZELMessage(const std::wstring& message, const char* file, int line)
    : ZELMsgData(message, file, line) {}
ZELMessage::~ZELMessage() = default;

ZELException::ZELException(const std::wstring& message, const char* file, int line)
    : ZELMessage(message, file, line), what_(toUtf8(message)) {}
ZELException::~ZELException() = default;

const char* ZELException::what() const noexcept { return what_.c_str(); }

#define ZELMATH_DEFINE_ERROR_CLASS(Name, Base)                          \
    Name::Name(const std::wstring& message, const char* file, int line) \
        : Base(message, file, line) {}                                  \
    Name::~Name() = default;

ZELMATH_DEFINE_ERROR_CLASS(ZELERuntimeError, ZELException)
ZELMATH_DEFINE_ERROR_CLASS(ZELELogicError, ZELException)
ZELMATH_DEFINE_ERROR_CLASS(ZELENumericError, ZELERuntimeError)
ZELMATH_DEFINE_ERROR_CLASS(ZELEZeroDivide, ZELERuntimeError)
ZELMATH_DEFINE_ERROR_CLASS(ZELEOverflowError, ZELERuntimeError)
ZELMATH_DEFINE_ERROR_CLASS(ZELEZeroVector, ZELERuntimeError)
ZELMATH_DEFINE_ERROR_CLASS(ZELEDomainError, ZELELogicError)
