"""The M/M/1 queue of examples/queue_simulation.cpp from Python, with replayed streams.

Arrivals draw from stream 1 and services from stream 2; the clock is an exact SimTime. The
variates are drawn in blocks (variates(stream, n) equals n single draws), and resetting the
streams replays a run exactly, so two server speeds are compared on the same customers. The
figures are those of the C++ example, to the last digit.
"""
import heapq

import zelmath

ARRIVALS, SERVICES = 1, 2
CUSTOMERS = 200000


def reset_streams():
    generator = zelmath.RandomGenerator.instance()
    generator.reset_stream(ARRIVALS)
    generator.reset_stream(SERVICES)


def simulate(servers, mean_interarrival, mean_service):
    gaps = zelmath.ExponentialDistribution(mean_interarrival).variates(ARRIVALS, CUSTOMERS)
    services = zelmath.ExponentialDistribution(mean_service).variates(SERVICES, CUSTOMERS)
    SimTime = zelmath.SimTime
    free_at = [SimTime()] * servers  # when each server becomes free (a heap)
    clock, total_wait, busy, last_departure = SimTime(), SimTime(), SimTime(), SimTime()
    for gap, service in zip(gaps.tolist(), services.tolist()):
        clock = clock + SimTime(gap)
        service_time = SimTime(service)
        start = max(clock, free_at[0])
        departure = start + service_time
        heapq.heapreplace(free_at, departure)
        total_wait = total_wait + (start - clock)
        busy = busy + service_time
        last_departure = max(last_departure, departure)
    return float(total_wait) / CUSTOMERS, float(busy) / (servers * float(last_departure))


def theoretical_wait(c, mean_interarrival, mean_service):
    """Mean wait in queue of an M/M/c queue (Erlang's C formula)."""
    lam, mu = 1.0 / mean_interarrival, 1.0 / mean_service
    a = lam / mu
    total, term = 0.0, 1.0
    for k in range(c):
        total += term
        term *= a / (k + 1)
    tail = term / (1.0 - a / c)
    return tail / (total + tail) / (c * mu - lam)


def main():
    print(f"{CUSTOMERS} customers, arrivals on stream {ARRIVALS}, services on stream {SERVICES}\n")
    reset_streams()
    wait, util = simulate(1, 10.0, 8.0)
    print(f"{'M/M/1, arrivals 10 s, service 8 s':<36s} wait {wait:7.2f} s (theory {theoretical_wait(1, 10.0, 8.0):6.2f})"
          f"   utilisation {util:.4f} (theory {8.0 / 10.0:.4f})")
    reset_streams()
    again = simulate(1, 10.0, 8.0)
    print(f"\nrepeated M/M/1 run after reset_stream: {'identical' if again == (wait, util) else 'DIFFERENT'}"
          f" (mean wait {again[0]:.6f} s both times)")
    reset_streams()
    faster = simulate(1, 10.0, 7.0)
    print(f"service 7 s instead of 8 s on the same customers: wait {wait:.2f} s -> {faster[0]:.2f} s "
          f"(theory {theoretical_wait(1, 10.0, 8.0):.2f} s -> {theoretical_wait(1, 10.0, 7.0):.2f} s)")
    assert again == (wait, util)


if __name__ == "__main__":
    main()
