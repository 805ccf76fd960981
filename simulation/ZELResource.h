/// \class ZELResource
/// ZELResource: identical servers (machines, operators, AGVs) on a ZELScheduler.
///
/// `request(onGranted, priority)` asks for one unit. When a unit is free and nobody waits, the
/// unit is taken at once and `onGranted` is scheduled as an event at now() (it runs in the
/// scheduler's order, behind the events already due now). Otherwise the request waits in the
/// queue: a lower priority value first, then first come, first served. `release()` frees a
/// unit; when a request waits, the unit passes straight to the first one and its action is
/// scheduled at now(). A release with no unit in use throws ZELEDomainError. `withdraw(handle)`
/// takes a waiting request back (reneging) and is true; for a request already granted or
/// withdrawn, an empty handle or another resource's request it is false and changes nothing.
///
/// Statistics, from the construction (or the last resetStatistics()): `utilisation(until)`,
/// the time-weighted mean of busy units / capacity over [start, until]; `meanQueueLength(until)`,
/// the time-weighted mean number of waiting requests; `waitingTimes()`, one observation in
/// seconds per granted request (zero for a request granted at once). `until` must not lie
/// before the last change (ZELEDomainError).
///
/// The resource refers to its scheduler, which must outlive it; the scheduled grants do not
/// refer to the resource. Capacity below 1 and an empty action throw ZELEDomainError.
#ifndef ZELMATH_SIMULATION_ZELRESOURCE_H
#define ZELMATH_SIMULATION_ZELRESOURCE_H

/// \addtogroup simulation
/// @{

#include "ZELMathExport.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "simulation/ZELAction.h"
#include "simulation/ZELRequestHandle.h"
#include "simulation/ZELScheduler.h"
#include "simulation/ZELStatistics.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

class ZELMATH_EXPORT ZELResource {
public:
    using Action = ZELAction;

    ZELResource(ZELScheduler& scheduler, int capacity);
    ZELResource(const ZELResource&) = delete;
    ZELResource& operator=(const ZELResource&) = delete;
    ~ZELResource();

    ZELRequestHandle request(Action onGranted, int priority = 0);
    void release();
    bool withdraw(ZELRequestHandle request);
    /// Whether the request is waiting in the queue.
    bool isQueued(ZELRequestHandle request) const noexcept;

    int capacity() const noexcept { return capacity_; }
    int inUse() const noexcept { return inUse_; }
    std::size_t queueLength() const noexcept { return queue_.size(); }

    double utilisation(ZELSimTime until) const;
    double meanQueueLength(ZELSimTime until) const;
    const ZELTally& waitingTimes() const noexcept { return waiting_; }
    /// Restarts the statistics at the scheduler's now() (warm-up deletion).
    void resetStatistics();

private:
    struct Waiting {
        ZELAction action;
        ZELSimTime since;
    };
    using Queue = std::map<std::pair<int, std::uint64_t>, Waiting>;

    void grant(ZELAction& action, ZELSimTime since);

    ZELScheduler& scheduler_;
    int capacity_;
    int inUse_ = 0;
    std::uint32_t id_;
    std::uint64_t sequence_ = 0;
    Queue queue_;
    ZELTimeWeighted busy_;
    ZELTimeWeighted queued_;
    ZELTally waiting_;
};

/// @}

#endif
