// The model of the production-line examples: two machines in series with a buffer between
// them, and random breakdowns.
//
// Jobs arrive at machine 1 (exponential interarrival times, an unlimited queue), are processed
// there, wait in a buffer of `BufferSize` places, and are processed on machine 2. A job that
// finishes on machine 1 while the buffer is full blocks machine 1 until a place frees up.
// Each machine fails after an exponential amount of processing time and is repaired in a
// triangular time; the interrupted job then resumes. A replication simulates one shift of
// `Shift` minutes from an empty line and returns the throughput (jobs finished per hour) and
// the mean time in system of the finished jobs (minutes).
//
// Every random quantity has its own source, so replication r of two variants of the line
// (another buffer size, say) sees the same arrivals, processing times, failures and repairs.
#ifndef ZELMATH_EXAMPLES_PRODUCTION_LINE_H
#define ZELMATH_EXAMPLES_PRODUCTION_LINE_H

#include "ZELMath.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace production_line {

constexpr double Shift = 480.0;        // minutes
constexpr std::size_t BufferSize = 4;  // places between the machines
const std::vector<std::string> Outputs = {"throughput (jobs/h)", "time in system (min)"};

// A machine's processing, failures and repairs, each from its own source.
struct Machine {
    ZELRandomStream processing, failures, repairs;
    ZELExponentialDistribution work;
    ZELExponentialDistribution uptime;
    ZELTriangularDistribution repair;
    double untilFailure;

    Machine(const ZELReplication& rep, std::uint64_t firstSource, double meanWork)
        : processing(rep.stream(firstSource)),
          failures(rep.stream(firstSource + 1)),
          repairs(rep.stream(firstSource + 2)),
          work(meanWork),
          uptime(60.0),
          repair(2.0, 4.0, 10.0),
          untilFailure(uptime.getRandomVariate(failures)) {}

    // The time a job occupies the machine: its processing plus the repairs of the breakdowns
    // that fall within it.
    double occupy() {
        double left = work.getRandomVariate(processing);
        double total = left;
        while (untilFailure < left) {
            left -= untilFailure;
            total += repair.getRandomVariate(repairs);
            untilFailure = uptime.getRandomVariate(failures);
        }
        untilFailure -= left;
        return total;
    }
};

// One shift. Job i: arrival a, start and end on machine 1, departure d1 into the buffer (when
// job i - BufferSize - 1 has left it for machine 2), start and end on machine 2.
inline std::vector<double> shift(const ZELReplication& rep) {
    ZELRandomStream arrivalStream = rep.stream(0);
    ZELExponentialDistribution interarrival(1.1);
    Machine m1(rep, 1, 0.9), m2(rep, 4, 0.95);
    std::vector<double> start2;  // when each job started on machine 2
    double arrival = 0.0, depart1 = 0.0, end2 = 0.0, timeInSystem = 0.0;
    std::size_t finished = 0;
    for (std::size_t i = 0;; ++i) {
        arrival += interarrival.getRandomVariate(arrivalStream);
        if (arrival > Shift) break;
        const double end1 = std::max(arrival, depart1) + m1.occupy();
        depart1 = i > BufferSize ? std::max(end1, start2[i - BufferSize - 1]) : end1;
        start2.push_back(std::max(depart1, end2));
        end2 = start2.back() + m2.occupy();
        if (end2 <= Shift) {
            ++finished;
            timeInSystem += end2 - arrival;
        }
    }
    return {static_cast<double>(finished) / (Shift / 60.0),
            timeInSystem / static_cast<double>(finished)};
}

}  // namespace production_line

#endif
