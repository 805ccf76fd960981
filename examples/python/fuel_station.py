"""A fuel station: cars draw fuel from a Container; a tanker refills it when it runs low.

Replicated 100 times with zelmath.replicate; each replication's cars, fuel amounts and tanker
delays come from its own streams.
"""
import math

import zelmath
import zelmath.simulation as simpy

TANK = 5000.0  # litres
REFILL_BELOW = 0.25  # of the tank
TANKER_DELAY = 30.0  # minutes, mean
CARS_PER_MINUTE = 0.5
PUMPS = 4
DAY = 12 * 60  # minutes


def station_day(rep):
    arrivals, litres, tanker = rep.stream(0), rep.stream(1), rep.stream(2)
    env = simpy.Environment()
    fuel = simpy.Container(env, capacity=TANK, init=TANK)
    pumps = simpy.Resource(env, capacity=PUMPS)
    pump_monitor = env.monitor(pumps)
    tank_monitor = env.monitor(fuel)
    tanker_called = [False]
    refills, waits = [0], []

    def car():
        arrive = env.now
        amount = 20.0 + 40.0 * litres.next()
        with pumps.request() as pump:
            yield pump
            if fuel.level - amount < REFILL_BELOW * TANK and not tanker_called[0]:
                tanker_called[0] = True
                env.process(tanker_trip())
            yield fuel.get(amount)
            waits.append(env.now - arrive)
            yield env.timeout(amount / 20.0)  # 20 litres a minute

    def tanker_trip():
        yield env.timeout(-TANKER_DELAY * math.log(tanker.next()))
        yield fuel.put(TANK - fuel.level)
        refills[0] += 1
        tanker_called[0] = False

    def cars():
        while True:
            yield env.timeout(-math.log(arrivals.next()) / CARS_PER_MINUTE)
            env.process(car())

    env.process(cars())
    env.run(until=DAY)
    return [sum(waits) / len(waits), pump_monitor.utilisation, tank_monitor.mean_level, refills[0]]


if __name__ == "__main__":
    study = zelmath.replicate(station_day, 100)
    print(f"A fuel station with {PUMPS} pumps and a {TANK:.0f} l tank, 100 replicated days")
    print(study.summary(["mean wait (min)", "pump utilisation", "mean fuel (l)", "tanker refills"]))
