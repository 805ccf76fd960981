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

/// Hands the site's report to the assertion hook, which returns.
inline void report(const AssertSite& site) {
    _scl_do_assert("Software", site.message, site.file, site.line);
}

}  // namespace zel_internal

#endif
