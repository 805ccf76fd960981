#include "ZELRandomMD.m/src/ZELRNDistribution.h"

#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"

#include <cmath>
#include <limits>

KOB_DEFINE_COMPONENT(ZELRNDistribution, KOBBaseUnknown)

ZELRNDistribution::ZELRNDistribution() noexcept
    : _upperBound(std::numeric_limits<double>::infinity()),
      _lowerBound(std::numeric_limits<double>::infinity()) {}

ZELRNDistribution::~ZELRNDistribution() = default;

bool ZELRNDistribution::DistValueOK(double* value) const noexcept {
    if (!std::isinf(_upperBound) && *value > _upperBound) return false;
    if (!std::isinf(_lowerBound) && _lowerBound > *value) return false;
    return true;
}

bool ZELRNDistribution::boundsEmpty() const noexcept {
    return std::isfinite(_lowerBound) && std::isfinite(_upperBound) && _lowerBound > _upperBound;
}

double ZELRNDistribution::rejectedEverything() {
    zel_internal::report(zel_internal::kBoundsRejectEverything);
    return std::numeric_limits<double>::quiet_NaN();
}

double ZELRNDistribution::abandoned() noexcept { return std::numeric_limits<double>::quiet_NaN(); }

double ZELRNDistribution::endlessDraw() {
    zel_internal::report(zel_internal::kEndlessDraw);
    return std::numeric_limits<double>::quiet_NaN();
}
