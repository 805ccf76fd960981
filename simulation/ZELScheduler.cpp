#include "simulation/ZELScheduler.h"

#include "foundation/ZELException.h"
#include "simulation/internal/ZELOwnerId.h"
#include "simulation/internal/ZELSimulationReportSites.h"

#include <string>
#include <utility>

ZELScheduler::ZELScheduler() : ZELScheduler(ZELSimTime()) {}

ZELScheduler::ZELScheduler(ZELSimTime start) : now_(start), id_(zel_internal::nextOwnerId()) {}

ZELScheduler::~ZELScheduler() = default;

ZELEventHandle ZELScheduler::at(ZELSimTime time, Action action, int priority) {
    if (time < now_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kSchedulerTimeBeforeNow,
                                             "at: time " + zel_internal::detailTime(time) +
                                                 " is before now " +
                                                 zel_internal::detailTime(now_));
    return schedule(time, action, priority);
}

ZELEventHandle ZELScheduler::after(ZELSimTime delay, Action action, int priority) {
    if (delay < ZELSimTime())
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kSchedulerNegativeDelay,
            "after: negative delay " + zel_internal::detailTime(delay));
    return schedule(now_ + delay, action, priority);
}

ZELEventHandle ZELScheduler::schedule(ZELSimTime time, Action& action, int priority) {
    if (!action)
        zel_internal::raise<ZELEDomainError>(zel_internal::kSchedulerEmptyAction, "empty action");
    const std::uint32_t slot = queue_.acquire(action);
    queue_.push(slot, time, priority, sequence_++);
    return ZELEventHandle(id_, slot, queue_.generation(slot));
}

bool ZELScheduler::cancel(ZELEventHandle event) noexcept {
    if (!owns(event) || !queue_.queued(event.slot_)) return false;
    queue_.remove(event.slot_);
    ZELAction gone;
    queue_.release(event.slot_, gone);
    return true;
}

bool ZELScheduler::reschedule(ZELEventHandle event, ZELSimTime time, int priority) {
    if (!owns(event) || !queue_.queued(event.slot_)) return false;
    if (time < now_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kSchedulerTimeBeforeNow,
                                             "reschedule: time " + zel_internal::detailTime(time) +
                                                 " is before now " +
                                                 zel_internal::detailTime(now_));
    queue_.remove(event.slot_);
    queue_.push(event.slot_, time, priority, sequence_++);
    return true;
}

bool ZELScheduler::isPending(ZELEventHandle event) const noexcept {
    return owns(event) && queue_.queued(event.slot_);
}

void ZELScheduler::runNext() {
    now_ = queue_.topTime();
    const std::uint32_t slot = queue_.takeTop();
    // The action leaves its slot before it runs: the slot is free for what the action schedules,
    // and the action's handle is no longer pending. Its key is removed when the action returns
    // or throws, unless an event the action scheduled took its place.
    struct Settle {
        zel_internal::EventQueue& queue;
        ~Settle() { queue.settle(); }
    } settle{queue_};
    ZELAction action;
    queue_.release(slot, action);
    ++executed_;
    action();
}

bool ZELScheduler::step() {
    if (queue_.empty()) return false;
    runNext();
    return true;
}

std::uint64_t ZELScheduler::run() {
    stopRequested_ = false;
    std::uint64_t count = 0;
    while (!queue_.empty()) {
        ++count;
        runNext();
        if (stopRequested_) break;
    }
    stopRequested_ = false;
    return count;
}

std::uint64_t ZELScheduler::runUntil(ZELSimTime end) {
    if (end < now_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kSchedulerEndBeforeNow,
                                             "runUntil: end " + zel_internal::detailTime(end) +
                                                 " is before now " +
                                                 zel_internal::detailTime(now_));
    stopRequested_ = false;
    std::uint64_t count = 0;
    while (!queue_.empty()) {
        if (queue_.topAfter(end)) break;
        ++count;
        runNext();
        if (stopRequested_) {
            stopRequested_ = false;
            return count;
        }
    }
    now_ = end;
    return count;
}

ZELSimTime ZELScheduler::nextTime() const {
    if (queue_.empty())
        zel_internal::raise<ZELEDomainError>(zel_internal::kSchedulerNothingPending,
                                             "nextTime: no event is pending");
    // Asked by a running action, the running event's dead key may still be at the root;
    // reading the top removes it, which changes nothing a caller can see.
    return const_cast<zel_internal::EventQueue&>(queue_).topTime();
}

void ZELScheduler::clear() noexcept { queue_.clear(); }
