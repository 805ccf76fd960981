"""A study of 1000 shifts of a two-machine production line with breakdowns, run on a Dask
local cluster of two worker processes (the model of examples/production_line.h, in Python).

Jobs arrive at machine 1 (exponential interarrival times), wait in a buffer of four places and
go on to machine 2; a job finished on machine 1 while the buffer is full blocks it. The machines
and the buffer are zelmath.Resource objects on a zelmath.Scheduler. Each machine
fails after an exponential amount of processing time and is repaired in a triangular time.
Every random quantity draws from its own stream, keyed by (source, replication), so the values
do not depend on which worker ran which replication: the serial study gives the same table
(and, the transformations being those of the library's distributions, so does the C++ example).

Needs Dask's distributed (Debian: python3-distributed); without it the example says so and stops.
"""
import math
import sys
import time

import zelmath

SHIFT = 480.0
BUFFER = 4


def exponential(stream, mean):
    return -mean * math.log(stream.next())


def triangular(stream, low, mode, high):
    u = stream.next()
    cut = (mode - low) / (high - low)
    if u < cut:
        return low + math.sqrt(u * (high - low) * (mode - low))
    return high - math.sqrt((1.0 - u) * (high - low) * (high - mode))


class Machine:
    def __init__(self, rep, first_source, mean_work):
        self.processing, self.failures, self.repairs = (rep.stream(first_source + k) for k in range(3))
        self.mean_work = mean_work
        self.until_failure = exponential(self.failures, 60.0)

    def occupy(self):
        """Processing time plus the repairs of the breakdowns that fall within it."""
        left = exponential(self.processing, self.mean_work)
        total = left
        while self.until_failure < left:
            left -= self.until_failure
            total += triangular(self.repairs, 2.0, 4.0, 10.0)
            self.until_failure = exponential(self.failures, 60.0)
        self.until_failure -= left
        return total


def shift(rep):
    """One shift on a scheduler (minutes): machine 1, then a place in the buffer (machine 1 is
    kept until there is one), then machine 2, which frees the place."""
    s = zelmath.Scheduler()
    machine1, buffer, machine2 = zelmath.Resource(s, 1), zelmath.Resource(s, BUFFER), zelmath.Resource(s, 1)
    arrivals = rep.stream(0)
    m1, m2 = Machine(rep, 1, 0.9), Machine(rep, 4, 0.95)
    time_in_system = zelmath.Tally()
    end = zelmath.SimTime(SHIFT)

    def arrive():
        when = s.now + exponential(arrivals, 1.1)
        if when <= end:
            s.at(when, lambda: start(when))

    def start(arrival):
        arrive()

        def on_machine1():
            s.after(m1.occupy(), lambda: buffer.request(on_buffer))

        def on_buffer():
            machine1.release()
            machine2.request(on_machine2)

        def on_machine2():
            buffer.release()
            s.after(m2.occupy(), done)

        def done():
            machine2.release()
            time_in_system.add(float(s.now - arrival))

        machine1.request(on_machine1)

    arrive()
    s.run_until(end)
    return time_in_system.count / (SHIFT / 60.0), time_in_system.mean


def main():
    try:
        import distributed  # noqa: F401
    except ImportError:
        print("production_line_dask: skipped, Dask's distributed is not installed (Debian: python3-distributed)")
        return 0
    names = ["throughput (jobs/h)", "time in system (min)"]
    start = time.perf_counter()
    study = zelmath.replicate(shift, 1000, backend="dask", workers=2)
    took = time.perf_counter() - start
    print(f"Two-machine line, Dask local cluster of 2 processes: {len(study)} replications in {took:.1f} s "
          "(cluster start included)\n")
    print(study.summary(names))
    low, high = study.ci(0.95)
    print(f"throughput {study.mean[0]:.3f} jobs/h, 95 % interval [{low[0]:.3f}, {high[0]:.3f}]")
    serial = zelmath.replicate(shift, 1000)
    same = serial.values.tobytes() == study.values.tobytes()
    print("The serial study gives", "the same values, bit for bit." if same else "OTHER VALUES (a bug).")
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
