"""The same model source run with SimPy and with zelmath.simulation: identical traces.

Each model takes the simulation module and returns its trace (who did what, when). Times are
compared within 1e-9 relative; everything else exactly. The random delays are drawn to the
microsecond (and the fixed ones are binary fractions), so that SimPy's float sums and zelmath's
nanoseconds order the events alike: two float times within half a nanosecond of each other are
simultaneous in zelmath (tested in test_simulation.py).
"""
import math
import random
import traceback

import pytest

import zelmath.simulation as zsim

simpy = pytest.importorskip("simpy")


class Draws(random.Random):
    """Random inputs to the microsecond."""

    def expovariate(self, lambd):
        return round(super().expovariate(lambd), 6)

    def uniform(self, a, b):
        return round(super().uniform(a, b), 6)


def same_trace(a, b):
    assert len(a) == len(b)
    for x, y in zip(a, b):
        assert len(x) == len(y), (x, y)
        for u, v in zip(x, y):
            if isinstance(u, float) or isinstance(v, float):
                assert math.isclose(u, v, rel_tol=1e-9, abs_tol=1e-12), (x, y)
            else:
                assert u == v, (x, y)


def clocks(sim):
    rng = Draws(11)
    env = sim.Environment()
    trace = []

    def clock(name, delays):
        for d in delays:
            trace.append((name, env.now))
            yield env.timeout(d)

    for name in "abcde":
        env.process(clock(name, [rng.choice([0.125, 0.25, 0.375, 0.5, 0.75]) for _ in range(30)]))
    env.run(until=2.0)  # events at exactly 2.0 do not run
    trace.append(("until", env.now))
    env.run(until=env.timeout(1.5, "x"))
    trace.append(("event", env.now))
    return trace


def conditions(sim):
    env = sim.Environment()
    trace = []

    def waiter():
        a, b = env.timeout(1, "a"), env.timeout(2, "b")
        r = yield a & b
        trace.append(("all", env.now, sorted(r.values())))
        r = yield env.timeout(3, "slow") | env.timeout(1, "fast")
        trace.append(("any", env.now, list(r.values())))
        r = yield env.all_of([env.timeout(0.5, 1), env.any_of([env.timeout(2, 2), env.timeout(1, 3)])])
        trace.append(("nested", env.now, sorted(r.values())))
        r = yield env.all_of([])
        trace.append(("empty", env.now, len(r.events)))
        failing = env.event()
        failing.fail(ValueError("bad"))
        try:
            yield env.timeout(5) | failing
        except ValueError as e:
            trace.append(("failed", env.now, str(e)))
        return "done"

    p = env.process(waiter())
    trace.append(("result", env.run(until=p)))
    return trace


def interrupts(sim):
    env = sim.Environment()
    trace = []

    def worker():
        remaining = 10.0
        while remaining > 0:
            start = env.now
            try:
                yield env.timeout(remaining)
                remaining = 0
            except sim.Interrupt as i:
                remaining -= env.now - start
                trace.append(("interrupted", env.now, i.cause, round(remaining, 9)))
        trace.append(("finished", env.now))
        return "w"

    def boss(w):
        for d in (1.5, 2.25, 0.75):
            yield env.timeout(d)
            w.interrupt(f"call at {env.now}")
        v = yield w
        trace.append(("joined", env.now, v, w.is_alive))

    w = env.process(worker())
    env.process(boss(w))
    env.run()
    return trace


def bank(sim):
    rng = Draws(5)
    env = sim.Environment()
    counter = sim.Resource(env, capacity=2)
    trace = []

    def customer(i, patience):
        arrive = env.now
        with counter.request() as req:
            r = yield req | env.timeout(patience)
            if req in r:
                trace.append(("served", i, env.now, env.now - arrive, counter.count))
                yield env.timeout(rng.expovariate(1.0))
            else:
                trace.append(("reneged", i, env.now, len(counter.queue)))

    def source():
        for i in range(60):
            env.process(customer(i, rng.uniform(0.5, 3.0)))
            yield env.timeout(rng.expovariate(2.2))

    env.process(source())
    env.run()
    return trace


def priorities(sim):
    env = sim.Environment()
    res = sim.PriorityResource(env, capacity=1)
    trace = []

    def user(name, delay, priority, hold):
        yield env.timeout(delay)
        with res.request(priority=priority) as req:
            yield req
            trace.append((name, env.now, priority))
            yield env.timeout(hold)

    for k, (delay, priority) in enumerate([(0, 3), (0.1, 2), (0.2, 1), (0.2, 0), (0.3, 2), (0.3, 1)]):
        env.process(user(f"u{k}", delay, priority, 1.0))
    env.run()
    return trace


def machine_shop(sim):
    rng = Draws(7)
    env = sim.Environment()
    machine = sim.PreemptiveResource(env, capacity=1)
    trace = []

    def job(i, priority, work):
        while work > 1e-12:
            with machine.request(priority=priority) as req:
                yield req
                start = env.now
                try:
                    yield env.timeout(work)
                    work = 0.0
                    trace.append(("done", i, env.now))
                except sim.Interrupt as irq:
                    work -= env.now - start
                    cause = irq.cause
                    trace.append(("preempted", i, env.now, cause.usage_since, cause.by is not None))

    def source():
        for i in range(25):
            env.process(job(i, rng.choice([0, 1, 2]), rng.uniform(0.2, 1.5)))
            yield env.timeout(rng.expovariate(1.5))

    env.process(source())
    env.run(until=40)
    return trace


def fuel_station(sim):
    rng = Draws(3)
    env = sim.Environment()
    tank = sim.Container(env, capacity=200, init=120)
    trace = []

    def car(i):
        amount = rng.randint(10, 40)
        yield tank.get(amount)
        trace.append(("fuelled", i, env.now, tank.level))

    def truck():
        while True:
            yield env.timeout(5)
            if tank.level < 80:
                yield tank.put(200 - tank.level)
                trace.append(("refilled", env.now, tank.level))

    def cars():
        for i in range(40):
            env.process(car(i))
            yield env.timeout(rng.expovariate(1.0))

    env.process(truck())
    env.process(cars())
    env.run(until=60)
    return trace


def stores(sim):
    rng = Draws(9)
    env = sim.Environment()
    fifo = sim.Store(env, capacity=3)
    prio = sim.PriorityStore(env)
    parts = sim.FilterStore(env)
    trace = []

    def producer():
        for i in range(20):
            yield env.timeout(rng.uniform(0, 1))
            yield fifo.put(i)
            yield prio.put(sim.PriorityItem(rng.randint(0, 5), i))
            yield parts.put(("red" if i % 3 == 0 else "blue", i))
            trace.append(("put", i, env.now, len(fifo.items)))

    def consumer():
        for _ in range(20):
            item = yield fifo.get()
            trace.append(("fifo", item, env.now))
            yield env.timeout(rng.uniform(0, 2))

    def picky():
        for _ in range(5):
            colour, i = yield parts.get(lambda p: p[0] == "red")
            trace.append(("red", i, env.now))
        yield env.timeout(30)
        while prio.items:
            item = yield prio.get()
            trace.append(("prio", item.priority, item.item, env.now))

    env.process(producer())
    env.process(consumer())
    env.process(picky())
    env.run()
    return trace


def failures(sim):
    env = sim.Environment()
    trace = []

    def child(n):
        yield env.timeout(n)
        if n == 2:
            raise KeyError(n)
        return n * 10

    def parent():
        for n in (1, 2, 3):
            try:
                v = yield env.process(child(n))
                trace.append(("value", env.now, v))
            except KeyError as e:
                trace.append(("caught", env.now, e.args[0]))
        ev = env.event()
        ev.callbacks.append(lambda e: trace.append(("callback", env.now, e.value)))
        env.process(trigger_later(ev))
        v = yield ev
        trace.append(("event", env.now, v))

    def trigger_later(ev):
        yield env.timeout(0.5)
        ev.succeed("ping")

    env.process(parent())
    env.run()
    return trace


def shared_events(sim):
    env = sim.Environment()
    trace = []
    gate = env.event()

    def waiter(name):
        try:
            v = yield gate
            trace.append((name, "through", env.now, v))
        except sim.Interrupt as i:
            trace.append((name, "interrupted", env.now, i.cause))
            v = yield gate  # waits again, behind the others
            trace.append((name, "late", env.now, v))

    def opener(victim):
        yield env.timeout(1)
        gate.callbacks.append(lambda e: trace.append(("callback", env.now, e.value)))
        victim.interrupt("first")
        yield env.timeout(1)
        gate.succeed("open")
        yield env.timeout(0)
        trace.append(("processed", gate.processed))

    waiters = [env.process(waiter(f"w{k}")) for k in range(4)]
    env.process(opener(waiters[1]))
    env.run(until=waiters[3])
    trace.append(("stopped", env.now))
    env.run()
    return trace


def resource_details(sim):
    env = sim.Environment()
    trace = []
    machine = sim.PreemptiveResource(env, capacity=1)
    box = sim.Store(env, capacity=1)
    parts = sim.FilterStore(env)
    tank = sim.Container(env, capacity=10, init=0)
    desk = sim.Resource(env, capacity=1)

    def holder():
        with machine.request(priority=5) as req:
            yield req
            try:
                yield env.timeout(3)
                trace.append(("holder done", env.now))
            except sim.Interrupt:
                trace.append(("holder preempted", env.now))

    def polite():
        yield env.timeout(1)
        with machine.request(priority=0, preempt=False) as req:
            yield req
            trace.append(("polite got", env.now, machine.count, len(machine.queue)))

    def boxes():
        for i in range(3):
            yield box.put(i)
            trace.append(("boxed", i, env.now, len(box.put_queue)))

    def unbox():
        yield env.timeout(2)
        for _ in range(3):
            item = yield box.get()
            trace.append(("unboxed", item, env.now))

    def pickers():
        x = parts.get(lambda p: p == "x")
        y = parts.get(lambda p: p == "y")
        yield parts.put("y")
        got = yield y
        trace.append(("picked", got, env.now, x.triggered))
        yield parts.put("x")
        got = yield x
        trace.append(("picked", got, env.now))

    def drinkers():
        first, second = tank.get(4), tank.get(5)
        yield env.timeout(1)
        yield tank.put(10)
        yield first & second
        trace.append(("drunk", env.now, tank.level))

    def desks():
        a = desk.request()
        b = desk.request()
        yield a
        desk.release(b)  # withdraws the queued request
        trace.append(("withdrawn", env.now, len(desk.queue), desk.count))
        yield desk.release(a)
        trace.append(("released", env.now, desk.count))

    for p in (holder, polite, boxes, unbox, pickers, drinkers, desks):
        env.process(p())
    env.run()
    return trace


MODELS = [resource_details, shared_events, clocks, conditions, interrupts, bank, priorities, machine_shop, fuel_station, stores, failures]


@pytest.mark.parametrize("model", MODELS, ids=[m.__name__ for m in MODELS])
def test_same_trace_as_simpy(model):
    expected = model(simpy)
    assert len(expected) > 3
    same_trace(model(zsim), expected)


def test_unhandled_failure_and_until_errors_match_simpy():
    for sim in (simpy, zsim):
        env = sim.Environment()

        def crash():
            yield env.timeout(1)
            raise ZeroDivisionError("boom")

        env.process(crash())
        with pytest.raises(ZeroDivisionError, match="boom") as info:
            env.run()
        assert info.value.__cause__ is not None  # the original, with its traceback
        frames = traceback.extract_tb(info.value.__cause__.__traceback__)
        assert "crash" in [f.name for f in frames]
        with pytest.raises(ValueError):
            env.run(until=0.5)
        pending = env.event()
        with pytest.raises(RuntimeError, match="No scheduled events left"):
            env.run(until=pending)
