"""The M/M/1 queue of examples/queue_simulation.cpp from Python, with replayed streams.

Arrivals draw from stream 1 and services from stream 2; the customers are events on a
zelmath.Scheduler and the server a zelmath.Resource, on the exact clock. The variates are drawn
in blocks (variates(stream, n) equals n single draws), and resetting the
streams replays a run exactly, so two server speeds are compared on the same customers. The
figures are those of the C++ example, to the last digit.
"""
import zelmath

ARRIVALS, SERVICES = 1, 2
CUSTOMERS = 200000


def reset_streams():
    generator = zelmath.RandomGenerator.instance()
    generator.reset_stream(ARRIVALS)
    generator.reset_stream(SERVICES)


def simulate(servers, mean_interarrival, mean_service):
    """Customers arrive, request a server (first come, first served), hold it for their service
    and release it; the resource records the waits and the busy servers over time."""
    gaps = iter(zelmath.ExponentialDistribution(mean_interarrival).variates(ARRIVALS, CUSTOMERS).tolist())
    services = iter(zelmath.ExponentialDistribution(mean_service).variates(SERVICES, CUSTOMERS).tolist())
    scheduler = zelmath.Scheduler()
    server = zelmath.Resource(scheduler, servers)

    def serve():
        scheduler.after(next(services), server.release)

    def arrive():
        server.request(serve)
        gap = next(gaps, None)
        if gap is not None:
            scheduler.after(gap, arrive)

    scheduler.after(next(gaps), arrive)
    scheduler.run()  # until the last customer has left
    return server.waiting_times.mean, server.utilisation(scheduler.now)


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
