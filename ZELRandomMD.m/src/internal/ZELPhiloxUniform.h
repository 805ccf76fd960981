// Internal to the library: not part of the public interface (installed only because the public
// headers include it); names may change in any release.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELPHILOXUNIFORM_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELPHILOXUNIFORM_H

#include <cstdint>

namespace zel_internal {

/// A Philox number from two words (see ZELRandomStream).
inline double philoxUniform(std::uint32_t w0, std::uint32_t w1) noexcept {
    constexpr double belowOne = 1.0 - 0x1p-53;
    const double u =
        (static_cast<double>(w0 >> 5) * 67108864.0 + static_cast<double>(w1 >> 6) + 0.5) * 0x1p-53;
    return u < belowOne ? u : belowOne;
}

}  // namespace zel_internal

#endif
