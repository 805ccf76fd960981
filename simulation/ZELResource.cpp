#include "simulation/ZELResource.h"

#include "foundation/ZELException.h"
#include "simulation/internal/ZELOwnerId.h"
#include "simulation/internal/ZELSimulationReportSites.h"

#include <string>

namespace {

int checkedCapacity(int capacity) {
    if (capacity < 1)
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kResourceCapacity,
            "capacity " + std::to_string(capacity) + " is below 1");
    return capacity;
}

}  // namespace

ZELResource::ZELResource(ZELScheduler& scheduler, int capacity)
    : scheduler_(scheduler),
      capacity_(checkedCapacity(capacity)),
      id_(zel_internal::nextOwnerId()),
      busy_(scheduler.now()),
      queued_(scheduler.now()) {}

ZELResource::~ZELResource() = default;

void ZELResource::grant(ZELAction& action, ZELSimTime since) {
    const ZELSimTime now = scheduler_.now();
    scheduler_.at(now, std::move(action));
    waiting_.add((now - since).seconds());
}

ZELRequestHandle ZELResource::request(Action onGranted, int priority) {
    if (!onGranted)
        zel_internal::raise<ZELEDomainError>(zel_internal::kResourceEmptyAction,
                                             "request: empty action");
    const ZELSimTime now = scheduler_.now();
    const std::uint64_t sequence = sequence_++;
    if (inUse_ < capacity_ && queue_.empty()) {
        grant(onGranted, now);
        ++inUse_;
        busy_.set(now, inUse_);
    } else {
        queue_.emplace(std::make_pair(priority, sequence), Waiting{std::move(onGranted), now});
        queued_.set(now, static_cast<double>(queue_.size()));
    }
    return ZELRequestHandle(id_, priority, sequence);
}

void ZELResource::release() {
    if (inUse_ == 0)
        zel_internal::raise<ZELEDomainError>(zel_internal::kResourceRelease,
                                             "release: no unit is in use");
    const ZELSimTime now = scheduler_.now();
    if (queue_.empty()) {
        --inUse_;
        busy_.set(now, inUse_);
        return;
    }
    // The unit passes to the first waiting request.
    const Queue::iterator first = queue_.begin();
    grant(first->second.action, first->second.since);
    queue_.erase(first);
    queued_.set(now, static_cast<double>(queue_.size()));
}

bool ZELResource::withdraw(ZELRequestHandle request) {
    if (request.owner_ != id_) return false;
    const Queue::iterator it = queue_.find(std::make_pair(request.priority_, request.sequence_));
    if (it == queue_.end()) return false;
    queue_.erase(it);
    queued_.set(scheduler_.now(), static_cast<double>(queue_.size()));
    return true;
}

bool ZELResource::isQueued(ZELRequestHandle request) const noexcept {
    return request.owner_ == id_ &&
        queue_.count(std::make_pair(request.priority_, request.sequence_)) != 0;
}

double ZELResource::utilisation(ZELSimTime until) const {
    return busy_.mean(until) / static_cast<double>(capacity_);
}

double ZELResource::meanQueueLength(ZELSimTime until) const { return queued_.mean(until); }

void ZELResource::resetStatistics() {
    busy_.reset(scheduler_.now());
    queued_.reset(scheduler_.now());
    waiting_.reset();
}
