// An M/M/1 study on stream objects: 20 independent replications of a single-server queue, once on
// the classic numbered streams and once each on MRG32k3a and Philox, with a 95 % confidence
// interval of the mean waiting time; then a comparison of two service rates under common random
// numbers.
//
// Streams are keyed by (source, replication): arrivals are source 0 and services source 1; with
// MRG32k3a and Philox, source s is stream s and replication r is its substream r, so replication
// r of every scenario sees exactly the same arrivals and the same service demands. The classic
// generator has no substreams; replication r takes streams 2r + 1 and 2r + 2 (each good for
// 2 097 152 draws, far more than one replication here draws).
#include "ZELMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int Replications = 20;
constexpr int Customers = 50000;  // per replication, after the warm-up
constexpr int WarmUp = 5000;
constexpr double MeanInterarrival = 1.0;
constexpr double T19 = 2.093;  // Student t quantile 0.975 with 19 degrees of freedom

// An exponential variate by inversion of a uniform in (0, 1) (a classic stream can give 0 or 1;
// such a number is replaced by the next).
double exponential(ZELRandomStream& s, double mean) {
    double u = s.next();
    while (u <= 0.0 || u >= 1.0) u = s.next();
    return -mean * std::log(u);
}

// Mean wait in queue of one replication (Lindley's recursion).
double replication(ZELRandomStream arrivals, ZELRandomStream services, double meanService) {
    double wait = 0.0, total = 0.0;
    for (int i = 0; i < WarmUp + Customers; ++i) {
        if (i >= WarmUp) total += wait;
        const double service = exponential(services, meanService);
        const double gap = exponential(arrivals, MeanInterarrival);
        wait = std::max(0.0, wait + service - gap);
    }
    return total / Customers;
}

struct Interval {
    double mean, halfWidth;
};

Interval confidence(const double* x, int n) {
    double mean = 0.0, ss = 0.0;
    for (int i = 0; i < n; ++i) mean += x[i];
    mean /= n;
    for (int i = 0; i < n; ++i) ss += (x[i] - mean) * (x[i] - mean);
    return {mean, T19 * std::sqrt(ss / (n - 1) / n)};
}

// The two streams of replication r: (arrivals, services).
using StreamsOf = std::function<std::pair<ZELRandomStream, ZELRandomStream>(int r)>;

void study(const char* name, const StreamsOf& streams, double meanService) {
    double waits[Replications];
    for (int r = 0; r < Replications; ++r) {
        const auto s = streams(r);
        waits[r] = replication(s.first, s.second, meanService);
    }
    const Interval ci = confidence(waits, Replications);
    std::printf("  %-9s mean wait %6.3f s  +- %.3f\n", name, ci.mean, ci.halfWidth);
}

}  // namespace

int main() {
    const StreamsOf classic = [](int r) {
        ZELRandomGenerator::Instance()->ResetStream(2 * r + 1);
        ZELRandomGenerator::Instance()->ResetStream(2 * r + 2);
        return std::make_pair(ZELRandomStream::Classic(2 * r + 1),
                              ZELRandomStream::Classic(2 * r + 2));
    };
    const StreamsOf mrg = [](int r) {
        return std::make_pair(ZELRandomStream::MRG32k3a(0, static_cast<std::uint64_t>(r)),
                              ZELRandomStream::MRG32k3a(1, static_cast<std::uint64_t>(r)));
    };
    const StreamsOf philox = [](int r) {
        return std::make_pair(ZELRandomStream::Philox(2026, 0, static_cast<std::uint64_t>(r)),
                              ZELRandomStream::Philox(2026, 1, static_cast<std::uint64_t>(r)));
    };

    const double rho = 0.8, meanService = rho * MeanInterarrival;
    std::printf(
        "M/M/1, utilisation %.1f: %d replications of %d customers, 95 %% confidence intervals\n",
        rho, Replications, Customers);
    std::printf("  theory    mean wait %6.3f s\n", rho * meanService / (1.0 - rho));
    study("classic", classic, meanService);
    study("MRG32k3a", mrg, meanService);
    study("Philox", philox, meanService);

    // Common random numbers: service mean 0.8 against 0.7 on the same (source, replication)
    // streams; the difference is measured far more precisely than either mean.
    double diff[Replications], indep[Replications];
    for (int r = 0; r < Replications; ++r) {
        const auto s = mrg(r);
        diff[r] = replication(s.first, s.second, 0.8) - replication(s.first, s.second, 0.7);
        // Without common numbers: the second design on other substreams.
        const auto t = mrg(r + Replications);
        indep[r] = replication(s.first, s.second, 0.8) - replication(t.first, t.second, 0.7);
    }
    const Interval crn = confidence(diff, Replications), ind = confidence(indep, Replications);
    std::printf("wait(0.8) - wait(0.7), theory %.3f s:\n", 3.2 - 0.7 * 0.7 / 0.3);
    std::printf("  common random numbers      %6.3f s  +- %.3f\n", crn.mean, crn.halfWidth);
    std::printf("  independent numbers        %6.3f s  +- %.3f\n", ind.mean, ind.halfWidth);
    return 0;
}
