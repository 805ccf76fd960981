#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"

#include "ZELSimTimeMD.m/src/internal/ZELSimTimeReportSites.h"

ZELSimTime scl_numeric_limits<ZELSimTime>::infinity() noexcept {
    zel_internal::report(zel_internal::kTimeNoInfinity);
    return ZELSimTime();
}

ZELSimTime scl_numeric_limits<ZELSimTime>::quiet_NaN() noexcept {
    zel_internal::report(zel_internal::kTimeNoQuietNaN);
    return ZELSimTime();
}

ZELSimTime scl_numeric_limits<ZELSimTime>::signaling_NaN() noexcept {
    zel_internal::report(zel_internal::kTimeNoSignalingNaN);
    return ZELSimTime();
}

// The constants must hold before any code of the library runs.
static_assert(scl_numeric_limits<ZELSimTime>::max().wholeSeconds() ==
                  scl_numeric_limits<std::int64_t>::max(),
              "");
static_assert(scl_numeric_limits<ZELSimTime>::digits == 93 &&
                  scl_numeric_limits<ZELSimTime>::digits10 == 27,
              "");
