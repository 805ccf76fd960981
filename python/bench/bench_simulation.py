"""Events per second of zelmath.simulation against SimPy, the same model source in one run.

  PYTHONPATH=build/release/python nice -n 10 /usr/bin/python3 python/bench/bench_simulation.py

1. Timeouts: 1000 processes, each looping on `yield env.timeout(exp)` (mean 1 s).
2. M/M/c with Resource: c = 5 servers, utilisation 0.9, 10^5 customers.
3. Store: 10 producers and 10 consumers on a Store of capacity 50.
Events are counted as the environment's processed events (the same count for both libraries:
the same models schedule the same events). Each figure is the least CPU time of five runs, the two
libraries interleaved (CPU time, so that the waits of a shared machine inflate neither side);
the random inputs come from Python's `random` with a fixed seed.
"""
import os
import random
import sys
import time

import zelmath.simulation

try:
    import simpy
except ImportError:  # the comparison needs Debian's python3-simpy3
    simpy = None


def timeouts(sim, horizon):
    env = sim.Environment()
    rng = random.Random(1)
    expo = rng.expovariate

    def loop(env):
        timeout = env.timeout
        while True:
            yield timeout(expo(1.0))

    for _ in range(1000):
        env.process(loop(env))
    env.run(until=horizon)
    return env


def mmc(sim, customers):
    env = sim.Environment()
    rng = random.Random(2)
    servers = sim.Resource(env, capacity=5)

    def customer(env):
        with servers.request() as req:
            yield req
            yield env.timeout(rng.expovariate(1.0))

    def source(env):
        for _ in range(customers):
            env.process(customer(env))
            yield env.timeout(rng.expovariate(4.5))

    env.process(source(env))
    env.run()
    return env


def store(sim, items):
    env = sim.Environment()
    rng = random.Random(3)
    box = sim.Store(env, capacity=50)

    def producer(env):
        for i in range(items):
            yield env.timeout(rng.expovariate(1.0))
            yield box.put(i)

    def consumer(env):
        while True:
            yield box.get()
            yield env.timeout(rng.expovariate(1.1))

    for _ in range(10):
        env.process(producer(env))
        env.process(consumer(env))
    env.run()
    return env



def count_events(sim, model, size):
    env_class = sim.Environment
    counted = [0]

    class Env(env_class):
        def step(self):
            counted[0] += 1
            return env_class.step(self)

    if sim is simpy:
        sim.Environment = Env
        try:
            model(sim, size)
        finally:
            sim.Environment = env_class
    return counted[0]


def cpu_time(model, sim, size):
    start = time.process_time()
    model(sim, size)
    return time.process_time() - start


def best_of(model, size, repeat=5):
    """The least CPU time of each library over `repeat` runs, the two interleaved."""
    t_simpy = t_zel = float("inf")
    for _ in range(repeat):
        t_simpy = min(t_simpy, cpu_time(model, simpy, size))
        t_zel = min(t_zel, cpu_time(model, zelmath.simulation, size))
    return t_simpy, t_zel


def main():
    if simpy is None:
        sys.exit("SimPy is not importable (Debian: python3-simpy3)")
    cases = [("timeouts, 1000 processes", timeouts, 100.0),
             ("M/M/5 with Resource, 10^5 customers", mmc, 100000),
             ("Store, 10 producers and 10 consumers", store, 5000)]
    print(f"load average {os.getloadavg()[0]:.2f}; SimPy {simpy.__version__}")
    print(f"{'model':40} {'events':>9} {'SimPy ev/s':>12} {'zelmath ev/s':>13} {'ratio':>6}")
    for name, model, size in cases:
        events = count_events(simpy, model, size)
        t_simpy, t_zel = best_of(model, size)
        print(f"{name:40} {events:9d} {events / t_simpy:12.3g} {events / t_zel:13.3g} "
              f"{t_simpy / t_zel:6.2f}")


if __name__ == "__main__":
    main()
