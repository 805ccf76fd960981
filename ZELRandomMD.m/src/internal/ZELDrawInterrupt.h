// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
//
// A way out of a long draw for a caller that must stay responsive (the Python bindings and
// Ctrl-C): a check, per thread, that the rejection loops of the distributions call now and then
// (every 2^16 rejected raw draws). When it returns true the draw is abandoned and gives NaN,
// without a report; the caller that installed the check knows why and discards the result.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELDRAWINTERRUPT_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELDRAWINTERRUPT_H

#include "ZELMathExport.h"

#include <cstdint>

namespace zel_internal {

using DrawInterruptCheck = bool (*)();

/// Rejected raw draws between two checks (a power of two).
constexpr std::uint32_t kDrawInterruptPeriod = 1u << 16;

/// Installs `check` for draws on the calling thread (nullptr: none, the default); returns the
/// check installed before.
ZELMATH_EXPORT DrawInterruptCheck setDrawInterruptCheck(DrawInterruptCheck check) noexcept;

/// Whether the calling thread's check asks to abandon the draw (false without a check).
ZELMATH_EXPORT bool drawInterrupted();

}  // namespace zel_internal

#endif
