#include "simulation/ZELStatistics.h"

#include "ZELRandomMD.m/src/internal/ZELStatisticsKernels.h"
#include "foundation/ZELException.h"
#include "simulation/internal/ZELSimulationReportSites.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Error-free transformations (no fused multiply-add: the library is built without contraction).
// a + b = s + e exactly.
void twoSum(double a, double b, double& s, double& e) noexcept {
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}
// a = high + low with each half of at most 26 significant bits.
void split(double a, double& high, double& low) noexcept {
    const double c = 134217729.0 * a;  // 2^27 + 1
    high = c - (c - a);
    low = a - high;
}
// a * b = p + e exactly (for products far from overflow and underflow).
void twoProduct(double a, double b, double& p, double& e) noexcept {
    p = a * b;
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}
// Adds x to the unevaluated sum high + low.
void addTo(double& high, double& low, double x) noexcept {
    double e;
    twoSum(high, x, high, e);
    low += e;
}

// t - from in nanoseconds as an unevaluated sum of two doubles (exact: the difference of two
// times has at most 94 significant bits, and both parts here are exact).
void nanoseconds(const ZELSimTime& from, const ZELSimTime& t, double& high, double& low) noexcept {
    __extension__ typedef __int128 Wide;
    const Wide ns = (Wide(t.wholeSeconds()) - Wide(from.wholeSeconds())) * 1000000000 +
        (t.nanoseconds() - from.nanoseconds());
    // The high part has at most 53 significant bits and the low part is below 2^42.
    high = static_cast<double>(ns >> 42 << 42);
    low = static_cast<double>(ns - (ns >> 42 << 42));
}

}  // namespace

// ---- ZELTally ---------------------------------------------------------------------------------

void ZELTally::add(double x) noexcept {
    if (std::isnan(x)) {
        ++nanCount_;
        return;
    }
    ++count_;
    if (count_ == 1) {
        shift_ = x;
        mean_ = 0.0;
        squares_ = 0.0;
        min_ = max_ = x;
        return;
    }
    // Welford's update on x - shift_ (the first observation): data far from zero are summed
    // as their small differences, so the mean keeps its digits as well as the variance.
    const double d = x - shift_;
    const double delta = d - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (d - mean_);
    if (x < min_) min_ = x;
    if (x > max_) max_ = x;
}

double ZELTally::mean() const noexcept { return count_ == 0 ? kNaN : shift_ + mean_; }

double ZELTally::variance() const noexcept {
    return count_ < 2 ? kNaN : squares_ / static_cast<double>(count_ - 1);
}

double ZELTally::stdDev() const noexcept { return std::sqrt(variance()); }

double ZELTally::min() const noexcept { return count_ == 0 ? kNaN : min_; }

double ZELTally::max() const noexcept { return count_ == 0 ? kNaN : max_; }

double ZELTally::halfWidth(double level) const {
    if (!(level > 0.0 && level < 1.0))
        zel_internal::raise<ZELEDomainError>(zel_internal::kTallyLevel,
                                             "halfWidth: confidence level " +
                                                 zel_internal::detailNumber(level) +
                                                 " is not between 0 and 1");
    return zel_internal::studentHalfWidth(level, stdDev(), static_cast<double>(count_));
}

// ---- ZELTimeWeighted --------------------------------------------------------------------------

ZELTimeWeighted::ZELTimeWeighted(ZELSimTime start, double initial)
    : start_(start), last_(start), value_(initial), min_(initial), max_(initial) {
    if (!std::isfinite(initial))
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kTimeWeightedValue,
            "initial value " + zel_internal::detailNumber(initial) + " is not finite");
}

void ZELTimeWeighted::accumulate(double& high, double& low, ZELSimTime to) const noexcept {
    if (value_ == 0.0 || !(last_ < to)) return;
    double dh, dl;
    nanoseconds(last_, to, dh, dl);
    double p, e;
    twoProduct(value_, dh, p, e);
    addTo(high, low, p);
    low += e;
    if (dl != 0.0) {
        twoProduct(value_, dl, p, e);
        addTo(high, low, p);
        low += e;
    }
}

void ZELTimeWeighted::set(ZELSimTime t, double value) {
    if (t < last_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kTimeWeightedBackwards,
                                             "set: time " + zel_internal::detailTime(t) +
                                                 " is before the last change at " +
                                                 zel_internal::detailTime(last_));
    if (!std::isfinite(value))
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kTimeWeightedValue,
            "set: value " + zel_internal::detailNumber(value) + " is not finite");
    accumulate(high_, low_, t);
    last_ = t;
    value_ = value;
    if (value < min_) min_ = value;
    if (value > max_) max_ = value;
}

void ZELTimeWeighted::reset(ZELSimTime t) {
    if (t < last_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kTimeWeightedBackwards,
                                             "reset: time " + zel_internal::detailTime(t) +
                                                 " is before the last change at " +
                                                 zel_internal::detailTime(last_));
    start_ = last_ = t;
    high_ = low_ = 0.0;
    min_ = max_ = value_;
}

double ZELTimeWeighted::mean(ZELSimTime until) const {
    if (until < last_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kTimeWeightedBackwards,
                                             "mean: end " + zel_internal::detailTime(until) +
                                                 " is before the last change at " +
                                                 zel_internal::detailTime(last_));
    if (!(start_ < until)) return kNaN;
    double high = high_, low = low_;
    accumulate(high, low, until);
    double lh, ll;
    nanoseconds(start_, until, lh, ll);
    return (high + low) / (lh + ll);
}
