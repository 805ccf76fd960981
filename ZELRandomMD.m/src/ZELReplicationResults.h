/// \class ZELReplicationResults
/// The outputs of a study of independent replications and their statistics.
///
/// Row i of `values()` holds the k outputs of replication `first() + i`. The statistics of
/// output j run over its non-NaN values in replication order (one fixed order of operations),
/// so they come out with the same bits however the replications were computed: one thread or
/// many, one process or many, one job or several whose rows were joined.
///
/// - `mean(j)`: the sum in row order divided by the number of non-NaN values m;
/// - `stdDev(j)`: the sample standard deviation, sqrt(sum of (x - mean)^2 in row order / (m - 1));
/// - `halfWidth(j, level)`: t(m - 1, (1 + level) / 2) * stdDev(j) / sqrt(m), the half-width of
///   the Student t confidence interval for the mean at the given level (e.g. 0.95);
/// - `nanCount(j)`: how many replications gave NaN for output j.
///
/// With m = 0 the mean is NaN, with m < 2 the standard deviation and half-width are NaN (the
/// data do not determine them). Infinite values take part as IEEE arithmetic has them.
/// An output index j outside 0..outputs()-1 or a level outside (0, 1) throws ZELEDomainError.
#ifndef ZELMATH_ZELRANDOMMD_ZELREPLICATIONRESULTS_H
#define ZELMATH_ZELRANDOMMD_ZELREPLICATIONRESULTS_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "publicinterfaces/ZELMathMatrix.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ZELMATH_EXPORT ZELReplicationResults {
public:
    /// No replications: count() and outputs() are 0.
    ZELReplicationResults();
    /// The results of replications first, first + 1, ... whose outputs are the rows of `values`
    /// (a 0 x k matrix is an empty study of k outputs).
    explicit ZELReplicationResults(ZELMathMatrix values, std::uint64_t first = 0);

    /// The studies `parts` one after another: each part must start where the previous one ends
    /// and have the same number of outputs (ZELEDomainError otherwise, naming the part). Empty
    /// parts are skipped. The rows, and so every statistic, equal those of the undivided study.
    static ZELReplicationResults Join(const std::vector<ZELReplicationResults>& parts);

    /// count() x outputs(): row i is replication first() + i.
    const ZELMathMatrix& values() const noexcept { return values_; }
    std::uint64_t first() const noexcept { return first_; }
    std::size_t count() const noexcept { return values_.rows(); }
    std::size_t outputs() const noexcept { return outputs_; }

    double mean(std::size_t j) const;
    double stdDev(std::size_t j) const;
    double halfWidth(std::size_t j, double level = 0.95) const;
    std::size_t nanCount(std::size_t j) const;

    /// A table for printing: one line per output with its name (`names[j]`, or "output j" when
    /// absent), mean, standard deviation, the confidence interval at `level` and the NaN count.
    /// A study without replications says so.
    std::string summary(const std::vector<std::string>& names = {}, double level = 0.95) const;

    /// The p-quantile of Student's t distribution with `dof` degrees of freedom (dof > 0, may be
    /// infinite: the standard normal), p in (0, 1): the expansion of t about the normal quantile
    /// in powers of 1 / dof where its error is below a unit in the last place (large dof),
    /// otherwise the incomplete beta function inverted by safeguarded Newton steps. Relative
    /// error: a few units in the last place up to 100 degrees of freedom, below 10^-13 beyond.
    /// NaN for arguments outside these ranges.
    static double StudentTQuantile(double p, double dof);
    /// The p-quantile of the standard normal distribution, p in (0, 1) (NaN outside).
    static double NormalQuantile(double p);

private:
    void computeStatistics();
    std::size_t checkedOutput(std::size_t j) const;

    ZELMathMatrix values_;
    std::uint64_t first_ = 0;
    std::size_t outputs_ = 0;
    std::vector<double> mean_;
    std::vector<double> stdDev_;
    std::vector<std::size_t> valid_;
};

/// @}

#endif
