/// \file
/// The assertion hook.
///
/// Programming errors (an enumeration argument outside its set, an unimplemented constructor)
/// call `_scl_do_assert`, which hands the report to the installed handler and returns; the
/// calling operation then returns at once. The default handler writes one line to stderr:
///   "<file>(<line>): <category>: <message>"
/// `scl_set_assert_handler` installs another handler (for example one that records reports in a
/// test, or one that aborts) and returns the previous one (null when that was the default); a
/// null handler restores the default.
/// Installing and calling are thread-safe.
#ifndef ZELMATH_FOUNDATION_SCL_ASSERT_H
#define ZELMATH_FOUNDATION_SCL_ASSERT_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"

/// A report receiver: category ("Software"), message, library source file and line.
using scl_assert_handler = void (*)(const char* category, const char* message, const char* file,
                                    int line);

/// Hands a report to the installed handler (or the default one) and returns.
ZELMATH_EXPORT void _scl_do_assert(const char* category, const char* message, const char* file,
                                   int line);
/// Installs `handler` (null: the default) and returns the previous one (null for the default).
ZELMATH_EXPORT scl_assert_handler scl_set_assert_handler(scl_assert_handler handler);

/// @}

#endif
