"""SimTime from Python: the operators on the type's own slots, ratio against the correctly
rounded quotient, non-finite seconds refused, pickling."""
import fractions
import pickle

import numpy as np
import pytest

import zelmath as z


def ns(t):
    return t.whole_seconds * 10**9 + t.nanoseconds


def test_operators_take_times_floats_and_ints_on_either_side():
    a, b = z.SimTime(7, 250000000), z.SimTime(0, 333333333)
    for x, y in ((a, b), (a, 0.5), (2, a), (np.float64(0.25), a)):
        tx, ty = z.SimTime(x) if not isinstance(x, z.SimTime) else x, z.SimTime(y) if not isinstance(y, z.SimTime) else y
        assert x + y == tx + ty and x - y == tx - ty and x * y == tx * ty and x / y == tx / ty
        assert (x < y, x <= y, x == y, x != y, x > y, x >= y) == (ns(tx) < ns(ty), ns(tx) <= ns(ty), ns(tx) == ns(ty),
                                                                  ns(tx) != ns(ty), ns(tx) > ns(ty), ns(tx) >= ns(ty))
    assert ns(a + b) == ns(a) + ns(b) and ns(a - b) == ns(a) - ns(b)
    assert a.__add__(b) == a + b and a.__rsub__(1) == 1 - a and a.__lt__(b) is False
    assert (a == "a") is False and a != None  # noqa: E711
    with pytest.raises(TypeError):
        a + "1"


def test_ratio_is_the_nearest_double_to_the_exact_quotient():
    rng = np.random.default_rng(5)
    pairs = [(z.SimTime(1), z.SimTime(3)), (z.SimTime.max, z.SimTime(0, 1)), (z.SimTime(0, -7), z.SimTime(2, 5))]
    pairs += [(z.SimTime(int(s), int(n)), z.SimTime(int(t), int(m)))
              for s, n, t, m in rng.integers(-10**6, 10**6, size=(200, 4)) if t or m]
    for a, b in pairs:
        assert z.ratio(a, b) == float(fractions.Fraction(ns(a), ns(b)))
    assert z.ratio(1.5, 0.5) == 3.0


def test_non_finite_seconds_are_refused_and_pickles_are_exact():
    for bad in (float("nan"), float("inf"), -float("inf")):
        with pytest.raises(ValueError, match="finite"):
            z.SimTime(bad)
        with pytest.raises(ValueError):
            z.SimTime(1) + bad
    for t in (z.SimTime.max, z.SimTime.min, z.SimTime(-3, -1), z.SimTime()):
        back = pickle.loads(pickle.dumps(t))
        assert (back.whole_seconds, back.nanoseconds) == (t.whole_seconds, t.nanoseconds)
