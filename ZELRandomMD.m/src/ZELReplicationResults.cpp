#include "ZELRandomMD.m/src/ZELReplicationResults.h"

#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"
#include "ZELRandomMD.m/src/internal/ZELStatisticsKernels.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using zel_internal::normalLowerQuantile;
using zel_internal::normalUpperQuantile;
using zel_internal::studentUpperQuantile;

void appendFormatted(std::string& out, const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    out += buffer;
}

}  // namespace

double ZELReplicationResults::NormalQuantile(double p) {
    if (!(p > 0.0 && p < 1.0)) return kNaN;
    return p > 0.5 ? normalUpperQuantile(1.0 - p) : normalLowerQuantile(p);
}

double ZELReplicationResults::StudentTQuantile(double p, double dof) {
    if (!(p > 0.0 && p < 1.0) || !(dof > 0.0)) return kNaN;
    return p >= 0.5 ? studentUpperQuantile(1.0 - p, dof) : -studentUpperQuantile(p, dof);
}

ZELReplicationResults::ZELReplicationResults() = default;

ZELReplicationResults::ZELReplicationResults(ZELMathMatrix values, std::uint64_t first)
    : values_(std::move(values)), first_(first), outputs_(values_.cols()) {
    computeStatistics();
}

void ZELReplicationResults::computeStatistics() {
    const std::size_t n = values_.rows();
    mean_.assign(outputs_, kNaN);
    stdDev_.assign(outputs_, kNaN);
    valid_.assign(outputs_, 0);
    for (std::size_t j = 0; j < outputs_; ++j) {
        double sum = 0.0;
        std::size_t m = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = values_(i, j);
            if (std::isnan(x)) continue;
            sum += x;
            ++m;
        }
        valid_[j] = m;
        if (m == 0) continue;
        const double mean = sum / static_cast<double>(m);
        mean_[j] = mean;
        if (m < 2) continue;
        double squares = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = values_(i, j);
            if (std::isnan(x)) continue;
            squares += (x - mean) * (x - mean);
        }
        stdDev_[j] = std::sqrt(squares / static_cast<double>(m - 1));
    }
}

ZELReplicationResults ZELReplicationResults::Join(const std::vector<ZELReplicationResults>& parts) {
    std::size_t rows = 0;
    std::size_t outputs = 0;
    std::uint64_t first = 0;
    std::uint64_t next = 0;
    bool started = false;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const ZELReplicationResults& part = parts[p];
        if (part.count() == 0) continue;
        if (!started) {
            first = next = part.first();
            outputs = part.outputs();
            started = true;
        }
        if (part.first() != next)
            zel_internal::raise<ZELEDomainError>(
                zel_internal::kReplicationStatistic,
                "Join: part " + std::to_string(p) + " starts at replication " +
                    std::to_string(part.first()) + ", the parts before it end before replication " +
                    std::to_string(next));
        if (part.outputs() != outputs)
            zel_internal::raise<ZELEDomainError>(
                zel_internal::kReplicationStatistic,
                "Join: part " + std::to_string(p) + " has " + std::to_string(part.outputs()) +
                    " outputs, the first part " + std::to_string(outputs));
        next += part.count();
        rows += part.count();
    }
    if (!started) return ZELReplicationResults();
    ZELMathMatrix values(rows, outputs, ZELUninitialized);
    std::size_t row = 0;
    for (const ZELReplicationResults& part : parts)
        for (std::size_t i = 0; i < part.count(); ++i, ++row)
            for (std::size_t j = 0; j < outputs; ++j) values(row, j) = part.values_(i, j);
    return ZELReplicationResults(std::move(values), first);
}

std::size_t ZELReplicationResults::checkedOutput(std::size_t j) const {
    if (j >= outputs_)
        zel_internal::raise<ZELEDomainError>(zel_internal::kReplicationStatistic,
                                             "output " + std::to_string(j) +
                                                 " does not exist (the study has " +
                                                 std::to_string(outputs_) + " outputs)");
    return j;
}

double ZELReplicationResults::mean(std::size_t j) const { return mean_[checkedOutput(j)]; }
double ZELReplicationResults::stdDev(std::size_t j) const { return stdDev_[checkedOutput(j)]; }
std::size_t ZELReplicationResults::nanCount(std::size_t j) const {
    return count() - valid_[checkedOutput(j)];
}

double ZELReplicationResults::halfWidth(std::size_t j, double level) const {
    checkedOutput(j);
    if (!(level > 0.0 && level < 1.0))
        zel_internal::raise<ZELEDomainError>(zel_internal::kReplicationStatistic,
                                             "ZELReplicationResults: confidence level " +
                                                 zel_internal::detailNumber(level) +
                                                 " is not between 0 and 1");
    return zel_internal::studentHalfWidth(level, stdDev_[j], static_cast<double>(valid_[j]));
}

std::string ZELReplicationResults::summary(const std::vector<std::string>& names,
                                           double level) const {
    if (count() == 0)
        return "No replications: the study is empty, there is nothing to summarise.\n";
    std::string out = "Replications " + std::to_string(first_) + " to " +
        std::to_string(first_ + count() - 1) + " (" + std::to_string(count()) + "), ";
    appendFormatted(out, "%g", 100.0 * level);
    out += " % confidence intervals (Student t)\n";
    char line[128];
    std::snprintf(line, sizeof line, "%-20s %16s %16s %16s %16s %16s %8s\n", "output", "mean",
                  "std dev", "half-width", "low", "high", "NaN");
    out += line;
    for (std::size_t j = 0; j < outputs_; ++j) {
        std::string name = j < names.size() ? names[j] : "output " + std::to_string(j);
        if (name.size() < 20) name.resize(20, ' ');
        const double h = halfWidth(j, level);
        std::snprintf(line, sizeof line, " %16.10g %16.10g %16.10g %16.10g %16.10g %8zu\n",
                      mean_[j], stdDev_[j], h, mean_[j] - h, mean_[j] + h, nanCount(j));
        out += name + line;
    }
    return out;
}
