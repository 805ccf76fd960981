/// \class ZELTally
/// ZELTally: statistics of observations (waiting times, lead times, costs).
///
/// `add(x)` records one observation; NaN is not an observation but is counted by nanCount().
/// `count()` is the number of observations, `mean()`, `variance()` (the sample variance, n - 1
/// in the denominator), `stdDev()`, `min()`, `max()`. The running sums are Welford's, taken on
/// the differences from the first observation (numerically stable: no cancellation for data
/// far from zero). `halfWidth(level)` is
/// t(n - 1, (1 + level) / 2) * stdDev() / sqrt(n), with the same Student t quantile as the
/// replication results (a level outside (0, 1) throws ZELEDomainError). With no observation the
/// mean, min and max are NaN; with fewer than two the variance, stdDev and halfWidth are NaN.
/// An infinite observation makes the statistics infinite or NaN as IEEE arithmetic does.
/// `reset()` forgets everything (for warm-up deletion).
///
/// \class ZELTimeWeighted
/// ZELTimeWeighted: a time-persistent value (a queue length, busy servers, stock) and its
/// time-weighted statistics.
///
/// `ZELTimeWeighted(start, initial)` holds `initial` from `start`; `set(t, value)` changes the
/// value at t (t before the last change throws ZELEDomainError; a NaN or infinite value too;
/// either leaves the statistic unchanged). `mean(until)` is the integral of the piecewise-constant
/// value over [start, until] divided by until - start; the integral is accumulated from the exact
/// durations in nanoseconds with error-free products and a compensated sum, so integer values
/// give the correctly rounded mean whenever the exact integral and length are below 2^53. An
/// `until` before the last change throws ZELEDomainError; an `until` equal to the start gives NaN.
/// `min()` and `max()` are the extremes of the value since the start (the value at the start
/// included). `reset(t)` restarts the statistics at t with the current value (warm-up deletion;
/// t before the last change throws ZELEDomainError).
#ifndef ZELMATH_SIMULATION_ZELSTATISTICS_H
#define ZELMATH_SIMULATION_ZELSTATISTICS_H

/// \addtogroup simulation
/// @{

#include "ZELMathExport.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"

#include <cstdint>

class ZELMATH_EXPORT ZELTally {
public:
    ZELTally() = default;

    void add(double x) noexcept;
    void reset() noexcept { *this = ZELTally(); }

    std::uint64_t count() const noexcept { return count_; }
    std::uint64_t nanCount() const noexcept { return nanCount_; }
    double mean() const noexcept;
    double variance() const noexcept;
    double stdDev() const noexcept;
    double min() const noexcept;
    double max() const noexcept;
    double halfWidth(double level = 0.95) const;

private:
    std::uint64_t count_ = 0;
    std::uint64_t nanCount_ = 0;
    double shift_ = 0.0;    // the first observation
    double mean_ = 0.0;     // of the observations minus shift_
    double squares_ = 0.0;  // sum of squared deviations from the running mean
    double min_ = 0.0;
    double max_ = 0.0;
};

class ZELMATH_EXPORT ZELTimeWeighted {
public:
    explicit ZELTimeWeighted(ZELSimTime start = ZELSimTime(), double initial = 0.0);

    void set(ZELSimTime t, double value);
    void reset(ZELSimTime t);

    double current() const noexcept { return value_; }
    ZELSimTime start() const noexcept { return start_; }
    ZELSimTime lastChange() const noexcept { return last_; }
    double mean(ZELSimTime until) const;
    double min() const noexcept { return min_; }
    double max() const noexcept { return max_; }

private:
    // The integral of the value over [start_, last_] as an unevaluated sum high_ + low_.
    void accumulate(double& high, double& low, ZELSimTime to) const noexcept;

    ZELSimTime start_;
    ZELSimTime last_;
    double value_;
    double high_ = 0.0;
    double low_ = 0.0;
    double min_;
    double max_;
};

/// @}

#endif
