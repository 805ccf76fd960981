/// \class ZELEventHandle
/// ZELEventHandle: names one event of one ZELScheduler, for cancel, reschedule and isPending.
///
/// A small copyable value. A default-constructed handle is empty: it names no event, and every
/// scheduler answers false for it. A handle stays valid after its event ran or was cancelled (the
/// scheduler then answers false); it never names a later event that reuses the place.
#ifndef ZELMATH_SIMULATION_ZELEVENTHANDLE_H
#define ZELMATH_SIMULATION_ZELEVENTHANDLE_H

/// \addtogroup simulation
/// @{

#include <cstdint>

class ZELEventHandle {
public:
    constexpr ZELEventHandle() noexcept = default;

    /// Whether the handle names no event (default-constructed).
    constexpr bool empty() const noexcept { return owner_ == 0; }

    friend constexpr bool operator==(const ZELEventHandle& a, const ZELEventHandle& b) noexcept {
        return a.owner_ == b.owner_ && a.slot_ == b.slot_ && a.generation_ == b.generation_;
    }
    friend constexpr bool operator!=(const ZELEventHandle& a, const ZELEventHandle& b) noexcept {
        return !(a == b);
    }

private:
    friend class ZELScheduler;
    constexpr ZELEventHandle(std::uint32_t owner, std::uint32_t slot,
                             std::uint64_t generation) noexcept
        : owner_(owner), slot_(slot), generation_(generation) {}

    std::uint32_t owner_ = 0;  // the scheduler's number; 0: empty
    std::uint32_t slot_ = 0;
    std::uint64_t generation_ = 0;
};

/// @}

#endif
