// Internal to the library: not installed; names may change in any release.
//
// The numbers that tell schedulers and resources apart in their handles.
#ifndef ZELMATH_SIMULATION_INTERNAL_ZELOWNERID_H
#define ZELMATH_SIMULATION_INTERNAL_ZELOWNERID_H

#include <atomic>
#include <cstdint>

namespace zel_internal {

/// A fresh number for a scheduler or a resource; never 0, the empty handle's. After 2^32 - 1
/// owners the numbers repeat: a handle then needs its slot and generation to match as well.
inline std::uint32_t nextOwnerId() noexcept {
    static std::atomic<std::uint32_t> counter{0};
    std::uint32_t id;
    do id = counter.fetch_add(1, std::memory_order_relaxed) + 1;
    while (id == 0);
    return id;
}

}  // namespace zel_internal

#endif
