// Internal to the library: not installed; names may change in any release.
//
// The report sites of event scheduling and the simulation statistics (see
// foundation/internal/ZELReportSites.h): message, source file and line of each, written once
// here. The detail after the message says exactly what was wrong.
#ifndef ZELMATH_SIMULATION_INTERNAL_ZELSIMULATIONREPORTSITES_H
#define ZELMATH_SIMULATION_INTERNAL_ZELSIMULATIONREPORTSITES_H

#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "foundation/internal/ZELReportSites.h"

#include <iomanip>
#include <sstream>
#include <string>

namespace zel_internal {

/// at or reschedule with a time before now() (ZELEDomainError).
constexpr ThrowSite kSchedulerTimeBeforeNow{L"ZELScheduler", "simulation/ZELScheduler", 48};
/// after with a negative delay (ZELEDomainError).
constexpr ThrowSite kSchedulerNegativeDelay{L"ZELScheduler", "simulation/ZELScheduler", 62};
/// at, after with an empty action (ZELEDomainError).
constexpr ThrowSite kSchedulerEmptyAction{L"ZELScheduler", "simulation/ZELScheduler", 44};
/// runUntil with an end before now() (ZELEDomainError).
constexpr ThrowSite kSchedulerEndBeforeNow{L"ZELScheduler", "simulation/ZELScheduler", 140};
/// nextTime with nothing pending (ZELEDomainError).
constexpr ThrowSite kSchedulerNothingPending{L"ZELScheduler", "simulation/ZELScheduler", 158};

/// ZELTally::halfWidth with a level outside (0, 1) (ZELEDomainError).
constexpr ThrowSite kTallyLevel{L"ZELTally", "simulation/ZELStatistics", 104};
/// ZELTimeWeighted::set, reset or mean at a time before the last change (ZELEDomainError).
constexpr ThrowSite kTimeWeightedBackwards{L"ZELTimeWeighted", "simulation/ZELStatistics", 134};
/// ZELTimeWeighted with a NaN or infinite value (ZELEDomainError).
constexpr ThrowSite kTimeWeightedValue{L"ZELTimeWeighted", "simulation/ZELStatistics", 138};
/// ZELResource with a capacity below 1 (ZELEDomainError).
constexpr ThrowSite kResourceCapacity{L"ZELResource", "simulation/ZELResource", 24};
/// ZELResource::release with no unit in use (ZELEDomainError).
constexpr ThrowSite kResourceRelease{L"ZELResource", "simulation/ZELResource", 65};
/// ZELResource::request with an empty action (ZELEDomainError).
constexpr ThrowSite kResourceEmptyAction{L"ZELResource", "simulation/ZELResource", 46};

/// A time in a report's detail: seconds to the nanosecond.
inline std::string detailTime(const ZELSimTime& t) {
    std::ostringstream out;
    out << std::setprecision(9) << t << " s";
    return out.str();
}

}  // namespace zel_internal

#endif
