// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// The pool allocator's failure seam for tests: a predicate asked before each allocation; when it
// answers true the allocation throws std::bad_alloc instead. The library never installs one
// (tests/PoolFailure.h does).
#ifndef ZELMATH_FOUNDATION_INTERNAL_ZELPOOLFAILUREHOOK_H
#define ZELMATH_FOUNDATION_INTERNAL_ZELPOOLFAILUREHOOK_H

#include "ZELMathExport.h"

#include <cstddef>

namespace zel_internal {

using PoolFailureHook = bool (*)(std::size_t bytes);

/// Installs the predicate of the global pool (null removes it); returns the previous one.
ZELMATH_EXPORT PoolFailureHook setPoolFailureHook(PoolFailureHook hook) noexcept;

}  // namespace zel_internal

#endif
