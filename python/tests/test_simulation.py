"""zelmath.simulation on its own: exact time, order, bad input, monitor, replications."""
import gc
import math
import signal
import time
import weakref

import pytest

import zelmath
import zelmath.simulation as sim


def test_float_delays_are_exact_nanoseconds():
    env = sim.Environment()
    order = []

    def after(delays, name):
        for d in delays:
            yield env.timeout(d)
        order.append((name, env.now_time))

    # 0.7 + 0.1 < 0.8 in floats (a float clock runs "sum" first); here both are due at 800 ms
    # and run in scheduling order: "single" was scheduled at 0, the last step of "sum" at 0.7.
    env.process(after([0.7, 0.1], "sum"))
    env.process(after([0.8], "single"))
    env.run()
    assert order == [("single", zelmath.SimTime(0, 800000000)), ("sum", zelmath.SimTime(0, 800000000))]
    env = sim.Environment(initial_time=zelmath.SimTime(5, 1))
    t = env.timeout(zelmath.SimTime(0, 2), value="v")
    assert env.peek_time() == zelmath.SimTime(5, 3) and env.peek() == 5.000000003
    assert env.run(until=t) == "v" and env.now_time == zelmath.SimTime(5, 3)
    env.timeout(2.5e-10)  # rounds to the nearest nanosecond: 0
    env.step()
    assert env.now_time == zelmath.SimTime(5, 3) and env.peek() == math.inf


def test_urgent_before_normal_then_scheduling_order():
    env = sim.Environment()
    seen = []
    events = []
    for name, priority in [("n1", sim.NORMAL), ("u1", sim.URGENT), ("n2", sim.NORMAL), ("u2", sim.URGENT)]:
        e = env.event()
        e._ok, e._value = True, name
        e.callbacks.append(lambda ev: seen.append(ev.value))
        env.schedule(e, priority, 1)
        events.append(e)
    late = env.event()
    late._ok, late._value = True, "late-urgent"
    late.callbacks.append(lambda ev: seen.append(ev.value))
    env.schedule(late, sim.URGENT, 1.0000000001)  # 1 s + 0.1 ns: the same nanosecond
    env.run()
    assert seen == ["u1", "u2", "late-urgent", "n1", "n2"]
    assert all(e.processed and e.triggered and e.ok for e in events)


def test_run_until_time_leaves_events_at_that_time():
    env = sim.Environment()
    ran = []
    env.timeout(2).callbacks.append(lambda e: ran.append(2))
    env.timeout(1).callbacks.append(lambda e: ran.append(1))
    assert env.run(until=2) is None
    assert ran == [1] and env.now == 2.0
    env.run()
    assert ran == [1, 2]


def test_event_state_and_values():
    env = sim.Environment()
    e = env.event()
    assert not e.triggered and not e.processed and e._value is sim.PENDING
    with pytest.raises(AttributeError):
        e.value
    assert e.succeed(7) is e and e.triggered and e.value == 7 and not e.processed
    with pytest.raises(RuntimeError, match="already been triggered"):
        e.succeed()
    with pytest.raises(RuntimeError, match="already been triggered"):
        e.fail(ValueError())
    with pytest.raises(ValueError, match="is not an exception"):
        env.event().fail("not an exception")
    env.run()
    assert e.processed and e.callbacks is None
    copy = env.event()
    copy.callbacks.append(lambda ev: None)
    env.event().succeed(1).callbacks.append(copy.trigger)
    env.run()
    assert copy.value == 1 and copy.ok


def test_process_value_target_and_interrupt_rules():
    env = sim.Environment()

    def worker():
        yield env.timeout(1)
        with pytest.raises(RuntimeError, match="interrupt itself"):
            env.active_process.interrupt()
        return "result"

    p = env.process(worker())
    assert p.is_alive and p.name == "worker" and isinstance(p.target, sim.Event)
    assert env.run(until=p) == "result"
    assert not p.is_alive and p.value == "result" and env.active_process is None
    with pytest.raises(RuntimeError, match="has terminated and cannot be interrupted"):
        p.interrupt("late")
    for call in (lambda: p.interrupt(reason="late"), lambda: p.interrupt("a", "b"),
                 lambda: env.event().succeed(val=1), lambda: env.event().succeed(1, value=2)):
        with pytest.raises(TypeError, match="takes one optional argument"):
            call()
    assert env.event().succeed(value=3).value == 3
    with pytest.raises(ValueError, match="is not a generator"):
        env.process(lambda: None)
    assert str(sim.Interrupt("why")) == "Interrupt('why')"


def test_bad_yield_and_failures_surface_from_run():
    env = sim.Environment()

    def bad():
        yield "not an event"

    env.process(bad())
    with pytest.raises(RuntimeError, match='Invalid yield value "not an event"'):
        env.run()
    env = sim.Environment()
    e = env.event()
    e.fail(KeyError("k"))
    with pytest.raises(KeyError) as info:
        env.run()
    assert info.value.__cause__ is e.value
    env = sim.Environment()
    f = env.event()
    f.fail(OSError("defused"))
    f.defused = True
    env.run()  # a defused failure does not stop the run
    env = sim.Environment()
    failing = env.timeout(1)
    failing.callbacks.append(lambda ev: 1 / 0)
    with pytest.raises(ZeroDivisionError):
        env.run()
    assert env.now == 1.0
    g = env.event()
    g.fail(IndexError("until"))
    with pytest.raises(IndexError, match="until"):
        env.run(until=g)
    # an event put on the list untriggered (or set back to PENDING) is an error, not a crash
    env = sim.Environment()
    pending = env.event()
    env.schedule(pending)
    env.schedule(pending)
    for _ in range(2):  # it was on the list twice
        with pytest.raises(RuntimeError, match="never triggered"):
            env.run()
    reset = env.event()
    reset.fail(KeyError("reset"))
    reset.defused = True
    env.run()
    reset._value = sim.PENDING

    def waits_for_reset():
        yield reset

    env.process(waits_for_reset())
    with pytest.raises(RuntimeError, match="failed without an exception"):
        env.run()


@pytest.mark.parametrize("delay", [-1.0, -1, math.nan, math.inf, zelmath.SimTime(-1.0)])
def test_bad_delays(delay):
    env = sim.Environment()
    with pytest.raises(ValueError):
        env.timeout(delay)
    with pytest.raises(ValueError):
        sim.Timeout(env, delay)
    with pytest.raises(ValueError):
        env.schedule(env.event(), sim.NORMAL, delay)
    assert env.peek() == math.inf


def test_bad_arguments_leave_the_environment_usable():
    env = sim.Environment()
    with pytest.raises(TypeError):
        env.timeout("1")
    with pytest.raises(TypeError):
        env.timeout()
    with pytest.raises(ValueError, match="must be > the current simulation time"):
        env.run(until=0)
    env.run(until=1)
    with pytest.raises(ValueError):
        env.run(until=0.5)
    with pytest.raises(ValueError):
        env.run(until=math.nan)
    with pytest.raises(sim.EmptySchedule):
        env.step()
    with pytest.raises(ValueError, match="mix events from different environments"):
        sim.AllOf(env, [sim.Environment().event()])
    with pytest.raises(TypeError):
        sim.Environment(initial_time="0")
    for make in (lambda: sim.Resource(env, 0), lambda: sim.Resource(env, -1),
                 lambda: sim.Container(env, capacity=-5), lambda: sim.Container(env, 10, init=11),
                 lambda: sim.Container(env, init=-1), lambda: sim.Store(env, capacity=0),
                 lambda: sim.Container(env, 10).put(11), lambda: sim.Container(env).get(-1),
                 lambda: sim.Container(env).put(0), lambda: sim.Container(env).get(math.nan)):
        with pytest.raises(ValueError):
            make()
    env.timeout(1)
    env.run()
    assert env.now == 2.0


def test_uninitialised_objects_refuse_every_use():
    for cls in (sim.Event, sim.Timeout, sim.Process, sim.Environment):
        obj = cls.__new__(cls)
        for name in ("succeed", "triggered", "value", "callbacks", "now", "step", "run",
                     "timeout", "interrupt", "env", "is_alive"):
            if hasattr(cls, name):
                with pytest.raises(TypeError, match="not initialised"):
                    attr = getattr(obj, name)
                    attr() if callable(attr) else None
    with pytest.raises(TypeError):
        sim.Event(sim.Environment.__new__(sim.Environment))
    with pytest.raises(TypeError):
        sim.Interruption()
    env = sim.Environment()
    e = env.event()
    with pytest.raises(TypeError, match="already initialised"):
        e.__init__(env)


def test_ctrl_c_interrupts_run_within_a_second():
    env = sim.Environment()

    def forever():
        while True:
            yield env.timeout(1e-6)

    env.process(forever())
    previous = signal.signal(signal.SIGALRM, lambda *a: (_ for _ in ()).throw(KeyboardInterrupt()))
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        start = time.monotonic()
        with pytest.raises(KeyboardInterrupt):
            env.run()
        assert time.monotonic() - start < 1.2
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    t = env.now
    env.run(until=t + 1e-5)  # still usable, no stale stop left behind
    assert env.now == pytest.approx(t + 1e-5)


def test_environments_with_pending_processes_are_collected():
    refs = []
    for _ in range(3):
        env = sim.Environment()

        def proc():
            yield env.timeout(10)

        env.process(proc())
        env.run(until=1)
        refs.append(weakref.ref(env))
        del env, proc
    gc.collect()
    assert all(r() is None for r in refs)


def test_reused_timeouts_start_clean_and_cycles_through_them_are_collected():
    env = sim.Environment()
    fired = []
    for k in range(300):  # more than are kept for reuse
        t = env.timeout(k * 1e-3, value=("old", k))
        t.callbacks.append(fired.append)
        t.defused = True
    env.run()
    assert len(fired) == 300 and all(e.processed for e in fired)
    del fired, t
    old_env = env
    env = sim.Environment()
    fresh = [env.timeout(0.5), env.timeout(sim.SimTime(2), value=7)]
    for t in fresh:
        assert t.env is env and t.triggered and not t.processed and not t.defused
        assert t.callbacks == [] and gc.is_tracked(t)
    assert (fresh[0].value, fresh[0]._delay, fresh[1].value) == (None, 0.5, 7)
    assert env.run(until=fresh[1]) == 7 and env.now == 2.0
    del old_env, fresh, t
    # a timeout in a reference cycle (through its callbacks) is collected with its environment
    loop = env.timeout(1)
    loop.callbacks.append(lambda e: loop)
    probe = weakref.ref(env)
    del env, loop
    gc.collect()
    assert probe() is None


def test_monitor_of_a_deterministic_queue():
    env = sim.Environment()
    server = sim.Resource(env, capacity=1)
    monitor = env.monitor(server)

    def customer(arrive, service):
        yield env.timeout(arrive)
        with server.request() as req:
            yield req
            yield env.timeout(service)

    # Busy over [0, 3] and [4, 5]; the second customer waits 2 s, the third none.
    for arrive, service in [(0, 2), (0, 1), (4, 1)]:
        env.process(customer(arrive, service))
    env.run(until=10)
    assert monitor.utilisation == pytest.approx(0.4, abs=1e-15)
    assert monitor.mean_queue_length == pytest.approx(0.2, abs=1e-15)
    assert monitor.mean_wait == pytest.approx(2 / 3, abs=1e-15) and monitor.granted == 3
    tank = sim.Container(env, capacity=10, init=10)
    level = env.monitor(tank)

    def drain():
        yield tank.get(4)
        yield env.timeout(5)
        yield tank.get(6)

    env.process(drain())
    env.run(until=20)
    assert level.mean_level == pytest.approx((6 * 5 + 0 * 5) / 10)
    with pytest.raises(ValueError):
        sim.Environment().monitor(server)


def mm1(rep):
    env = sim.Environment()
    arrivals, services = rep.stream(0), rep.stream(1)
    server = sim.Resource(env)
    monitor = env.monitor(server)

    def customer():
        with server.request() as req:
            yield req
            yield env.timeout(-math.log(services.next()) / 1.25)

    def source():
        while True:
            yield env.timeout(-math.log(arrivals.next()))
            env.process(customer())

    env.process(source())
    env.run(until=500)
    return [monitor.utilisation, monitor.mean_queue_length, monitor.mean_wait]


def test_replicated_model_is_identical_on_every_backend():
    serial = zelmath.replicate(mm1, 8, backend="serial")
    threads = zelmath.replicate(mm1, 8, backend="threads", workers=2)
    assert serial.values.tobytes() == threads.values.tobytes()
    low, high = serial.ci(0.99)
    assert low[0] < 0.8 < high[0]  # utilisation rho = 1 / 1.25


def test_run_from_a_callback_is_refused_and_subclasses_work():
    env = sim.Environment()
    env.timeout(1).callbacks.append(lambda ev: env.run())
    env.timeout(2)
    with pytest.raises(RuntimeError, match="from a callback"):
        env.run()
    env.run()
    assert env.now == 2.0

    class Tagged(sim.Event):
        def __init__(self, env, tag):
            super().__init__(env)
            self.tag = tag

    class Clocked(sim.Environment):
        pass

    env = Clocked(initial_time=10)
    got = []

    def waiter(ev):
        value = yield ev
        got.append((ev.tag, value, env.now))

    tagged = Tagged(env, "t")
    env.process(waiter(tagged))
    env.process(waiter(tagged))  # two waiters: the callbacks become a list
    tagged.succeed("v")
    env.run()
    assert got == [("t", "v", 10.0), ("t", "v", 10.0)] and tagged.processed


def test_a_cancelled_put_or_get_leaves_its_queue():
    env = sim.Environment()
    box = sim.Store(env, capacity=1)
    box.put("a")
    with box.put("b") as waiting:  # the store is full: it waits
        assert box.put_queue == [waiting]
    assert box.put_queue == [] and not waiting.triggered
    got = box.get()
    with box.get() as late:  # nothing left: it waits
        assert box.get_queue == [late]
    assert box.get_queue == [] and not late.triggered
    box.put("c")
    env.run()
    assert got.value == "a" and box.items == ["c"] and not late.triggered
