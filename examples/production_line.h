// The model of the production-line examples: two machines in series with a buffer between
// them, and random breakdowns.
//
// Jobs arrive at machine 1 (exponential interarrival times, an unlimited queue), are processed
// there, wait in a buffer of `BufferSize` places, and are processed on machine 2. A job that
// finishes on machine 1 while the buffer is full blocks machine 1 until a place frees up. The
// machines and the buffer are resources on the event scheduler.
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

// One shift on a scheduler, time in minutes: each job takes machine 1, then a place in the
// buffer (keeping machine 1 until it gets one: blocking), then machine 2, which frees its place.
// The resources queue first come, first served.
class Line {
public:
    explicit Line(const ZELReplication& rep)
        : machine1_(scheduler_, 1),
          buffer_(scheduler_, static_cast<int>(BufferSize)),
          machine2_(scheduler_, 1),
          arrivals_(rep.stream(0)),
          interarrival_(1.1),
          m1_(rep, 1, 0.9),
          m2_(rep, 4, 0.95) {}

    std::vector<double> run() {
        arrive();
        scheduler_.runUntil(ZELSimTime(Shift));
        return {static_cast<double>(timeInSystem_.count()) / (Shift / 60.0), timeInSystem_.mean()};
    }

private:
    // Schedules the next arrival, when it falls within the shift.
    void arrive() {
        const ZELSimTime next =
            scheduler_.now() + ZELSimTime(interarrival_.getRandomVariate(arrivals_));
        if (next <= ZELSimTime(Shift)) scheduler_.at(next, [this, next] { start(next); });
    }
    void start(ZELSimTime arrival) {
        arrive();
        machine1_.request([this, arrival] {
            scheduler_.after(m1_.occupy(), [this, arrival] {
                buffer_.request([this, arrival] {
                    machine1_.release();
                    machine2_.request([this, arrival] {
                        buffer_.release();
                        scheduler_.after(m2_.occupy(), [this, arrival] {
                            machine2_.release();
                            timeInSystem_.add((scheduler_.now() - arrival).seconds());
                        });
                    });
                });
            });
        });
    }

    ZELScheduler scheduler_;
    ZELResource machine1_, buffer_, machine2_;
    ZELRandomStream arrivals_;
    ZELExponentialDistribution interarrival_;
    Machine m1_, m2_;
    ZELTally timeInSystem_;  // minutes, of the jobs finished within the shift
};

inline std::vector<double> shift(const ZELReplication& rep) { return Line(rep).run(); }

}  // namespace production_line

#endif
