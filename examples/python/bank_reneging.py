"""A bank with two tellers whose customers leave when they have waited too long.

A SimPy-style model on zelmath.simulation (the import is the only change a SimPy model needs),
replicated 100 times with zelmath.replicate: each replication draws its arrivals, services and
patience from its own streams, so the study gives the same figures on every backend.
"""
import math

import zelmath
import zelmath.simulation as simpy

TELLERS = 2
ARRIVAL_RATE = 1.0 / 2.0  # customers per minute
MEAN_SERVICE = 3.5  # minutes
MEAN_PATIENCE = 4.0  # minutes
HOURS = 8


def bank_day(rep):
    arrivals, services, patience = rep.stream(0), rep.stream(1), rep.stream(2)

    def exponential(stream, mean):
        return -mean * math.log(stream.next())

    env = simpy.Environment()
    counter = simpy.Resource(env, capacity=TELLERS)
    monitor = env.monitor(counter)
    served, reneged, waits = [0], [0], []

    def customer():
        arrive = env.now
        with counter.request() as request:
            outcome = yield request | env.timeout(exponential(patience, MEAN_PATIENCE))
            if request not in outcome:
                reneged[0] += 1
                return
            waits.append(env.now - arrive)
            yield env.timeout(exponential(services, MEAN_SERVICE))
            served[0] += 1

    def door():
        while True:
            yield env.timeout(exponential(arrivals, 1.0 / ARRIVAL_RATE))
            env.process(customer())

    env.process(door())
    env.run(until=HOURS * 60)
    total = served[0] + reneged[0]
    return [reneged[0] / total if total else 0.0, sum(waits) / len(waits), monitor.utilisation]


if __name__ == "__main__":
    study = zelmath.replicate(bank_day, 100)
    print(f"A bank with {TELLERS} tellers, {HOURS} hours, 100 replicated days")
    print(study.summary(["fraction reneging", "mean wait of the served (min)", "teller utilisation"]))
