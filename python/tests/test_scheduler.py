"""zelmath.Scheduler, Tally, TimeWeighted, Resource: the event order against a sorted-list
reference, times from SimTime and floats, exceptions out of actions, Ctrl-C, bad input."""
import math
import os
import random
import signal
import threading

import pytest

import zelmath
from zelmath import Resource, Scheduler, SimTime, Tally, TimeWeighted


def test_order_matches_a_sorted_reference_with_cancels_from_actions():
    rng = random.Random(3)
    s = Scheduler()
    ran, handles, keys, expected_cancels = [], [], [], []
    seq = [0]

    def make(i):
        def action():
            ran.append(i)
            # Cancel one earlier event from inside the action, and schedule one more.
            j = rng.randrange(len(handles))
            expected_cancels.append(s.cancel(handles[j]))
            if len(handles) < 400:
                add(s.now + rng.choice([0, 0, 1e-9, 0.5]), rng.randint(-1, 1))
        return action

    def add(t, priority):
        i = len(handles)
        handles.append(s.at(t, make(i), priority))
        keys.append((SimTime(t), priority, seq[0], i))
        seq[0] += 1

    for _ in range(50):
        add(rng.choice([0, 1, 2]), rng.randint(-1, 1))
    s.run()
    # The reference: replay the same decisions with a list kept sorted by key.
    rng2 = random.Random(3)
    for _ in range(50):  # the draws the initial events took
        rng2.choice([0, 1, 2]), rng2.randint(-1, 1)
    pending = sorted(keys[:50])
    done, hits, all_keys = [], [], list(keys[:50])
    count = 50
    while pending:
        key = pending.pop(0)
        i = key[3]
        done.append(i)
        j = rng2.randrange(count)
        hit = all_keys[j] in pending
        if hit:
            pending.remove(all_keys[j])
        hits.append(hit)
        if count < 400:
            t = key[0] + rng2.choice([0, 0, 1e-9, 0.5])
            k = (SimTime(t), rng2.randint(-1, 1), count, count)
            all_keys.append(k)
            pending.append(k)
            pending.sort()
            count += 1
    assert ran == done
    assert expected_cancels == hits and any(hits) and not all(hits)
    assert s.pending == 0 and s.executed == len(ran)


def test_times_convert_and_bad_times_raise():
    s = Scheduler(start=SimTime(2, 0))
    h = s.at(2.5, lambda: None)
    s.after(SimTime(0, 1), lambda: None)
    s.at(3, lambda: None)
    assert s.next_time() == SimTime(2, 1)
    assert s.is_pending(h)
    for bad in (math.nan, math.inf, -math.inf):
        with pytest.raises(ValueError):
            s.at(bad, lambda: None)
        with pytest.raises(ValueError):
            s.after(bad, lambda: None)
    with pytest.raises(zelmath.DomainError, match="before now"):
        s.at(1.0, lambda: None)
    with pytest.raises(zelmath.DomainError, match="negative delay"):
        s.after(SimTime(0, -1), lambda: None)
    with pytest.raises(TypeError):
        s.at(3.0, 42)
    with pytest.raises(TypeError):
        s.at("3", lambda: None)
    assert s.pending == 3
    assert s.run_until(2.75) == 2
    assert s.now == SimTime(2, 750000000)
    with pytest.raises(zelmath.DomainError):
        s.run_until(1.0)
    assert s.reschedule(h, 9.0) is False  # already ran
    assert s.cancel(zelmath.EventHandle()) is False
    assert s.run() == 1 and s.now == SimTime(3, 0)


def test_an_exception_from_an_action_propagates_and_the_scheduler_goes_on():
    s = Scheduler()
    log = []

    def boom():
        raise KeyError("part 7")

    s.at(1.0, boom)
    s.at(2.0, lambda: log.append(s.now))
    with pytest.raises(KeyError, match="part 7"):
        s.run()
    assert s.now == SimTime(1, 0) and s.pending == 1
    assert s.run() == 1
    assert log == [SimTime(2, 0)]


def test_stop_and_actions_that_reschedule_themselves():
    s = Scheduler()
    ticks = []
    handle = {}

    def tick():
        ticks.append(float(s.now))
        assert not s.is_pending(handle["h"])
        if len(ticks) == 5:
            s.stop()
        handle["h"] = s.after(1.5, tick)

    handle["h"] = s.at(0, tick)
    assert s.run() == 5
    assert ticks == [0.0, 1.5, 3.0, 4.5, 6.0]
    assert s.is_pending(handle["h"])
    s.clear()
    assert s.pending == 0 and not s.is_pending(handle["h"])


def test_ctrl_c_interrupts_a_run_of_builtin_actions():
    s = Scheduler()
    # An endless chain of events whose actions are C functions (no bytecode runs).
    s.at(0, lambda: None)
    for k in range(1000):
        s.at(k * 1e-3, int)
    def refill():
        s.after(1e-3, refill)
        for _ in range(10):
            s.after(1e-3, int)
    s.at(0, refill)
    timer = threading.Timer(0.2, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            s.run()
    finally:
        timer.cancel()
    assert s.pending > 0  # interrupted, not finished; still usable
    assert s.step()


def test_tally_and_time_weighted():
    t = Tally()
    for x in (2.5, -1.0, 7.25, 3.0, 0.5, math.nan):
        t.add(x)
    assert (t.count, t.nan_count) == (5, 1)
    assert t.mean == pytest.approx(2.45, rel=1e-15)
    assert t.variance == pytest.approx(9.7625, rel=1e-15)
    assert t.half_width(0.99) == pytest.approx(6.43338860271350572361, rel=1e-13)
    with pytest.raises(zelmath.DomainError):
        t.half_width(1.0)
    w = TimeWeighted(10, 2.0)
    w.set(12, 6.0)
    assert w.mean(14) == 4.0
    with pytest.raises(zelmath.DomainError):
        w.set(11, 1.0)
    with pytest.raises(ValueError):
        w.set(13, math.nan)
    assert (w.current, w.min, w.max, w.start) == (6.0, 2.0, 6.0, SimTime(10, 0))


def test_resource_queue_withdraw_and_statistics():
    s = Scheduler()
    r = Resource(s, 1)
    log = []
    r.request(lambda: log.append("a"))
    waiting = r.request(lambda: log.append("b"))
    r.request(lambda: log.append("c"), priority=-1)
    assert (r.in_use, r.queue_length) == (1, 2)
    assert r.withdraw(waiting) and not r.withdraw(waiting)
    s.at(4.0, r.release)
    s.at(6.0, r.release)
    s.run()
    assert log == ["a", "c"]
    assert r.utilisation(10) == 0.6
    # Two waiting over [0, 0] then one (c waits until 4): the withdrawal at 0 left one.
    assert r.mean_queue_length(10) == 0.4
    assert r.waiting_times.count == 2 and r.waiting_times.max == 4.0
    with pytest.raises(zelmath.DomainError):
        r.release()
    with pytest.raises(zelmath.DomainError):
        Resource(s, 0)


def test_resource_keeps_its_scheduler_alive():
    r = Resource(Scheduler(), 2)
    r.request(lambda: None)
    assert r.in_use == 1


def test_models_whose_actions_refer_back_are_collected():
    import gc
    import weakref

    refs = []
    for _ in range(20):
        s = Scheduler()
        r = Resource(s, 1)

        def hold(s=s, r=r):
            r.request(lambda: s.after(5.0, r.release))
            s.after(1.0, hold)

        s.at(0, hold)
        s.run_until(20)  # events pending and requests waiting at the end
        refs.append((weakref.ref(s), weakref.ref(r)))
        del s, r, hold
    gc.collect()
    assert all(a() is None and b() is None for a, b in refs)
