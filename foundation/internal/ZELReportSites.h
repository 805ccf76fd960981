// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// Every report the library makes comes from a named site holding its message, the library
// source file it names and the line it gives. A throw site raises an exception by value with a
// wide message; an assertion site goes to the assertion hook with the category "Software" and a
// narrow message. Each family declares its own sites, in one table in its internal folder
// (`<family>/internal/ZEL<Family>ReportSites.h`); code that reports names a site, never a
// literal or __LINE__, so editing a file does not move the (file, line) a user sees, and two
// different checks cannot share a line number by accident. Checks that share a site make the
// same report on purpose (the site's comment says which). tests/test_report_sites.cpp pins every
// site a user can see.
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELREPORTSITES_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELREPORTSITES_H

#include "foundation/scl_assert.h"

#include <cstdio>
#include <string>

namespace zel_internal {

/// The origin of an exception: wide message, library source file, line.
struct ThrowSite {
    const wchar_t* message;
    const char* file;
    int line;
};

/// The origin of an assertion report: narrow message, library source file, line.
struct AssertSite {
    const char* message;
    const char* file;
    int line;
};

/// Throws an Error made from the site.
template <class Error>
[[noreturn]] inline void raise(const ThrowSite& site) {
    throw Error(site.message, site.file, site.line);
}

/// Throws an Error made from the site, its message followed by ": " and `detail` (what exactly
/// was wrong).
template <class Error>
[[noreturn]] inline void raise(const ThrowSite& site, const std::wstring& detail) {
    throw Error(std::wstring(site.message) + L": " + detail, site.file, site.line);
}

/// A number in a report's detail, with every digit that tells it apart ("%.17g").
inline std::string detailNumber(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

/// UTF-8 text as a wide string; bytes that are not UTF-8 become U+FFFD, so that any text (a
/// number, a user's what()) survives the trip into the library's wide messages.
inline std::wstring fromUtf8(const std::string& text) {
    std::wstring out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = byte < 0x80 ? 1
            : (byte >> 5) == 0x6         ? 2
            : (byte >> 4) == 0xE         ? 3
            : (byte >> 3) == 0x1E        ? 4
                                         : 0;
        unsigned long cp = length == 1 ? byte
            : length == 2              ? (byte & 0x1Fu)
            : length == 3              ? (byte & 0x0Fu)
                                       : (byte & 0x07u);
        bool ok = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        static const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            out += static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
        i += length;
    }
    return out;
}

/// Throws an Error made from the site, its message followed by ": " and `detail` (UTF-8 text).
template <class Error>
[[noreturn]] inline void raise(const ThrowSite& site, const std::string& detail) {
    raise<Error>(site, fromUtf8(detail));
}

/// Hands the site's report to the assertion hook, which returns.
inline void report(const AssertSite& site) {
    _scl_do_assert("Software", site.message, site.file, site.line);
}

/// Hands the site's report to the assertion hook, its message followed by ": " and `detail`
/// (which stream, which value).
inline void report(const AssertSite& site, const std::string& detail) {
    const std::string message = std::string(site.message) + ": " + detail;
    _scl_do_assert("Software", message.c_str(), site.file, site.line);
}

}  // namespace zel_internal

#endif
