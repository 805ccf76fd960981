// Internal to the library: not installed; names may change in any release.
//
// The statistics kernels that the replication results and the simulation statistics share:
// the standard normal quantile and the quantile of Student's t (through the incomplete beta
// function), each computed one way only, so that a confidence interval has the same bits
// wherever it is made.
#ifndef ZELMATH_ZELRANDOMMD_M_SRC_INTERNAL_ZELSTATISTICSKERNELS_H
#define ZELMATH_ZELRANDOMMD_M_SRC_INTERNAL_ZELSTATISTICSKERNELS_H

namespace zel_internal {

/// The z with P(Z <= z) = p for the standard normal Z, p in (0, 1).
double normalLowerQuantile(double p);

/// The z with P(Z > z) = q, for q in (0, 0.5]: computed on the lower tail q, where the
/// probability is held without cancellation.
double normalUpperQuantile(double q);

/// The t with P(T > t) = q for Student's T with nu > 0 degrees of freedom (nu may be
/// infinite), q in (0, 0.5].
double studentUpperQuantile(double q, double nu);

/// The half-width t(n - 1, (1 + level) / 2) * stdDev / sqrt(n) of the confidence interval of a
/// mean of n observations (level in (0, 1), checked by the caller); NaN below two observations.
double studentHalfWidth(double level, double stdDev, double n);

}  // namespace zel_internal

#endif
