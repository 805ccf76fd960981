/// \class ZELRequestHandle
/// ZELRequestHandle: names one request of one ZELResource, for withdraw and isQueued.
///
/// A small copyable value; a default-constructed handle is empty and names no request.
#ifndef ZELMATH_SIMULATION_ZELREQUESTHANDLE_H
#define ZELMATH_SIMULATION_ZELREQUESTHANDLE_H

/// \addtogroup simulation
/// @{

#include <cstdint>

class ZELRequestHandle {
public:
    constexpr ZELRequestHandle() noexcept = default;

    /// Whether the handle names no request (default-constructed).
    constexpr bool empty() const noexcept { return owner_ == 0; }

    friend constexpr bool operator==(const ZELRequestHandle& a,
                                     const ZELRequestHandle& b) noexcept {
        return a.owner_ == b.owner_ && a.priority_ == b.priority_ && a.sequence_ == b.sequence_;
    }
    friend constexpr bool operator!=(const ZELRequestHandle& a,
                                     const ZELRequestHandle& b) noexcept {
        return !(a == b);
    }

private:
    friend class ZELResource;
    constexpr ZELRequestHandle(std::uint32_t owner, int priority, std::uint64_t sequence) noexcept
        : owner_(owner), priority_(priority), sequence_(sequence) {}

    std::uint32_t owner_ = 0;  // the resource's number; 0: empty
    int priority_ = 0;
    std::uint64_t sequence_ = 0;
};

/// @}

#endif
