// Internal to the library: not installed; names may change in any release.
//
// The report sites of event scheduling and the simulation statistics (see
// foundation/internal/ZELReportSites.h): message, source file and line of each, written once
// here. The detail after the message says exactly what was wrong.
#ifndef ZELMATH_SIMULATION_INTERNAL_ZELSIMULATIONREPORTSITES_H
#define ZELMATH_SIMULATION_INTERNAL_ZELSIMULATIONREPORTSITES_H

#include "foundation/internal/ZELReportSites.h"

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

}  // namespace zel_internal

#endif
