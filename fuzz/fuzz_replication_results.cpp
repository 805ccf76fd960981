// Statistics of replication results on small tables of any values (NaN, infinities, huge and
// tiny numbers): no crash and no undefined behaviour; the NaN counts, means and standard
// deviations equal a plain model written here from the documented formulas, bit for bit; a
// half-width is NaN or not negative; a table split in two and joined gives the same bits; any
// level and any output index give a number or ZELEDomainError. Also the Student t quantile on
// any arguments.
#include "FuzzInput.h"
#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/ZELReplicationResults.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double value(FuzzInput& in) {
    const auto kind = in.take<std::uint8_t>();
    switch (kind % 8) {
        case 0: return in.take<double>();
        case 1: return std::numeric_limits<double>::quiet_NaN();
        case 2: return kind & 8 ? -kInf : kInf;
        case 3: return std::ldexp(static_cast<double>(in.take<std::int8_t>()), 1000);
        case 4: return std::ldexp(static_cast<double>(in.take<std::int8_t>()), -1070);
        default: return static_cast<double>(in.take<std::int8_t>());
    }
}

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const auto shape = in.take<std::uint8_t>();
    const std::size_t n = shape % 13, k = (shape >> 4) % 4;
    const std::uint64_t first = in.take<std::uint64_t>() >> (shape % 64);
    ZELMathMatrix values(n, k, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < k; ++j) values(i, j) = value(in);
    const double level = in.take<std::uint8_t>() % 2 ? in.take<double>() : 0.95;

    const ZELReplicationResults r(values, first);
    FUZZ_CHECK(r.count() == n && r.outputs() == k && r.first() == first);
    for (std::size_t j = 0; j < k; ++j) {
        std::size_t nan = 0, m = 0;
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            if (std::isnan(values(i, j)))
                ++nan;
            else
                sum += values(i, j), ++m;
        const double mean = m == 0 ? std::nan("") : sum / static_cast<double>(m);
        double squares = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isnan(values(i, j))) squares += (values(i, j) - mean) * (values(i, j) - mean);
        const double sd = m < 2 ? std::nan("") : std::sqrt(squares / static_cast<double>(m - 1));
        FUZZ_CHECK(r.nanCount(j) == nan);
        FUZZ_CHECK(same(r.mean(j), mean));
        FUZZ_CHECK(same(r.stdDev(j), sd));
        try {
            const double h = r.halfWidth(j, level);
            FUZZ_CHECK(level > 0.0 && level < 1.0);
            FUZZ_CHECK(std::isnan(h) || h >= 0.0);
            FUZZ_CHECK(m >= 2 || std::isnan(h));
        } catch (const ZELEDomainError&) {
            FUZZ_CHECK(!(level > 0.0 && level < 1.0));
        }
    }
    try {
        (void)r.mean(k + in.take<std::uint8_t>() % 3);
        FUZZ_CHECK(false);
    } catch (const ZELEDomainError&) {}
    try {
        (void)r.summary({"a", std::string(in.take<std::uint8_t>() % 40, 'x')}, level);
    } catch (const ZELEDomainError&) {
        FUZZ_CHECK(!(level > 0.0 && level < 1.0));
    }

    // Split anywhere and joined again: the same rows, so the same bits.
    if (first <= std::numeric_limits<std::uint64_t>::max() - n) {
        const std::size_t cut = n == 0 ? 0 : in.take<std::uint8_t>() % (n + 1);
        ZELMathMatrix head(cut, k, 0.0), tail(n - cut, k, 0.0);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < k; ++j)
                (i < cut ? head(i, j) : tail(i - cut, j)) = values(i, j);
        const ZELReplicationResults joined = ZELReplicationResults::Join(
            {ZELReplicationResults(head, first), ZELReplicationResults(tail, first + cut)});
        FUZZ_CHECK(joined.count() == n && joined.outputs() == (n == 0 ? joined.outputs() : k));
        for (std::size_t j = 0; j < joined.outputs() && n > 0; ++j) {
            FUZZ_CHECK(same(joined.mean(j), r.mean(j)));
            FUZZ_CHECK(same(joined.stdDev(j), r.stdDev(j)));
        }
    }

    const double p = in.take<double>(), dof = in.take<double>();
    const double t = ZELReplicationResults::StudentTQuantile(p, dof);
    if (!(p > 0.0 && p < 1.0 && dof > 0.0)) FUZZ_CHECK(std::isnan(t));
    if (p > 0.0 && p < 0.5 && dof > 0.0) FUZZ_CHECK(!(t > 0.0));
    return 0;
}
