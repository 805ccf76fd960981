"""Random variates from Python: parameter checks, one setter per class, stream objects, the
generator's switches, and long batches (GIL, Ctrl-C)."""
import math
import subprocess
import sys
import textwrap
import threading
import time
import warnings

import pytest
from interrupting import seconds_to_give_up

import zelmath as z

NAN, INF = math.nan, math.inf

# class: (valid keyword parameters, invalid parameter sets that raise ValueError)
PARAMETERS = {
    "UniformDistribution": ({"minimum": 2.0, "maximum": 5.0}, [(5.0, 2.0), (NAN, 1.0), (0.0, INF)]),
    "ExponentialDistribution": ({"mean": 4.0}, [(0.0,), (-1.0,), (NAN,), (INF,)]),
    "TriangularDistribution": ({"minimum": 1.0, "mode": 2.0, "maximum": 4.0},
                               [(3.0, 2.0, 1.0), (1.0, 5.0, 4.0), (0.0, -1.0, 4.0), (0.0, NAN, 1.0)]),
    "NormalDistribution": ({"mean": 12.0, "std_dev": 0.5}, [(0.0, -1.0), (NAN, 1.0), (0.0, INF)]),
    "LogNormalDistribution": ({"mean": 2.0, "std_dev": 0.5}, [(0.0, 1.0), (-2.0, 1.0), (1.0, -0.5)]),
    "GammaDistribution": ({"shape": 0.5, "scale": 2.0},
                          [(NAN, 1.0), (INF, 1.0), (0.0, 1.0), (-1.0, 1.0), (1.0, 0.0), (1e308, 1.0)]),
    "ErlangDistribution": ({"mean": 3.0, "phases": 2}, [(0.0, 2), (1.0, 0), (1.0, -3), (INF, 1)]),
    "BetaDistribution": ({"shape1": 2.0, "shape2": 3.0},
                         [(0.0, 0.0), (NAN, 1.0), (1.0, INF), (-1.0, 2.0), (1e-300, 1e-300)]),
    "WeibullDistribution": ({"scale": 2.0, "shape": 1.5}, [(0.0, 1.0), (1.0, 0.0), (1.0, -2.0)]),
    "PoissonDistribution": ({"lam": 4.0}, [(-1.0,), (NAN,), (INF,), (746.0,)]),
}
TABLES = {"UserDiscDistribution": z.UserDiscDistribution, "UserContDistribution": z.UserContDistribution}
S = 61  # the numbered stream these tests draw from


def draws(d, n=5):
    z.RandomGenerator.instance().reset_stream(S)
    return d.variates(S, n).tolist()


@pytest.mark.parametrize("name", sorted(PARAMETERS))
def test_parameters_are_checked_and_set_in_the_constructor_order(name):
    cls = getattr(z, name)
    valid, invalid = PARAMETERS[name]
    d = cls(**valid)
    before = draws(d)
    for args in invalid:
        with pytest.raises(ValueError, match=name):
            cls(*args)
        with pytest.raises(ValueError, match=name):
            d.set_parameters(*args)
        assert draws(d) == before  # the object is as it was
    fresh = cls(*valid.values())
    fresh.set_parameters(**valid)  # the same keyword names, the same order
    assert draws(fresh) == before
    assert not any(hasattr(d, old) for old in ("set_dist_parameters", "set_distribution_parameters"))


def test_triangular_setter_takes_minimum_mode_maximum():
    t = z.TriangularDistribution(0.0, 1.0, 4.0)
    t.set_parameters(0.0, 3.0, 4.0)
    assert draws(t) == draws(z.TriangularDistribution(0.0, 3.0, 4.0))


def test_tables_refuse_what_is_not_a_distribution():
    for name, cls in TABLES.items():
        for values, probabilities in [([1, 2], [0, 0]), ([1, 2], [1, -1]), ([], []), ([1, NAN], [1, 1]),
                                      ([1, 2], [1, INF])]:
            with pytest.raises(ValueError, match=name):
                cls(values, probabilities)
    assert set(draws(z.UserDiscDistribution([1, 2, 5], [0.2, 0.5, 0.3]), 50)) == {1, 2, 5}
    with pytest.raises(ValueError, match="values"):
        z.UserContDistribution([0, 3, 1], [0, 1, 1])
    with pytest.raises(TypeError):
        z.UserDiscDistribution([1, 2], [1])


def test_bounds_refuse_empty_intervals_and_give_nan_when_nothing_is_accepted():
    d = z.ExponentialDistribution(1.0)
    for lower, upper in [(10.0, 5.0), (NAN, 1.0), (0.0, NAN)]:
        with pytest.raises(ValueError, match="set_bounds"):
            d.set_bounds(lower, upper)
    assert (d.lower_bound, d.upper_bound) == (INF, INF)
    d.set_bounds(-5.0, -1.0)  # outside the distribution: 2**24 rejections, then NaN and a warning
    with pytest.warns(z.AssertionWarning, match="Bounds reject every draw"):
        assert math.isnan(d.variate(S))


def test_stream_objects_and_numbers_give_the_same_variates():
    gen = z.RandomGenerator.instance()
    for name, (valid, _) in PARAMETERS.items():
        d = getattr(z, name)(**valid)
        expected = draws(d, 50)
        gen.reset_stream(S)
        classic = z.RandomStream.classic(S)
        assert [d.variate(classic) for _ in range(25)] + d.variates(classic, 25).tolist() == expected, name
        philox = z.RandomStream.philox(7, 1)
        copy = z.RandomStream.philox(7, 1)
        batch = d.variates(philox, 40)
        assert [d.variate(copy) for _ in range(40)] == batch.tolist() and philox.next() == copy.next(), name
    with pytest.raises(TypeError):
        z.NormalDistribution().variate(1.5)


def test_generator_switches_counts_and_seeds():
    gen = z.RandomGenerator.instance()
    gen.set_initial_seed(2, gen.get_initial_seed(2))  # the signed value round-trips
    assert gen.get_initial_seed(2) == -2118123519
    gen.set_initial_seed(3, 0xFFFFFFFF)
    assert gen.get_initial_seed(3) == -1
    for bad in (2**32, -(2**31) - 1):
        with pytest.raises(ValueError, match="seed"):
            gen.set_initial_seed(3, bad)
    gen.reset_stream(4)
    gen.get_random_numbers(4, 10)
    gen.advance_stream(4, 5)
    assert gen.draw_count(4) == 15
    try:
        z.RandomGenerator.set_strict_streams(True)
        assert z.RandomGenerator.get_strict_streams()
        for bad in (0, 2001, -(2**70)):
            with pytest.warns(z.AssertionWarning, match="Invalid stream number"):
                z.ExponentialDistribution(1.0).variate(bad)
        z.RandomGenerator.set_overrun_check(True)
        gen.reset_stream(4)
        gen.advance_stream(4, 2**21)
        with pytest.warns(z.AssertionWarning, match="Stream ran into the next stream: stream 4 after 2097153 draws"):
            gen.get_random_number(4)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            gen.get_random_number(4)  # once until the next reset
    finally:
        z.RandomGenerator.set_strict_streams(False)
        z.RandomGenerator.set_overrun_check(False)
    assert not z.RandomGenerator.get_overrun_check()


def test_long_batches_release_the_gil():
    d = z.PoissonDistribution(300.0)  # about 300 uniforms per variate
    ticks = []
    worker = threading.Thread(target=lambda: d.variates(z.RandomStream.philox(3), 20000))
    worker.start()
    while worker.is_alive():
        ticks.append(time.monotonic())
        time.sleep(0.001)
    worker.join()
    assert len(ticks) > 5


@pytest.mark.parametrize("call", [
    "z.PoissonDistribution(700.0).variates(z.RandomStream.philox(1), 10**8)",
    "z.RandomStream.mrg32k3a(1).random(3 * 10**8)",
    # bounds that reject every draw: each variate is 2**24 raw draws before it gives up
    "d = z.ExponentialDistribution(1.0); d.set_bounds(1e3, 2e3); d.variates(z.RandomStream.philox(1), 100)",
    "d = z.GammaDistribution(2.0, 1.0); d.set_bounds(1e3, 2e3); d.variates(7, 100)",
])
def test_ctrl_c_stops_a_long_call_within_a_second(call):
    elapsed, err = seconds_to_give_up("import zelmath as z; print('go', flush=True)\n" + call)
    assert "KeyboardInterrupt" in err and elapsed is not None, err
    assert elapsed < 1.0, elapsed


def test_overrun_warnings_name_the_stream_and_are_not_collapsed():
    # Under the default warning filters, one warning per message and line: two streams that
    # overrun at the same line give two warnings, each naming its stream and draw count.
    code = textwrap.dedent("""
        import zelmath as z
        g = z.RandomGenerator.instance()
        z.RandomGenerator.set_overrun_check(True)
        for k in (5, 6):
            g.reset_stream(k)
            g.advance_stream(k, 2**21 + k)
        for k in (5, 6):
            g.get_random_number(k)
    """)
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    lines = [line for line in run.stderr.splitlines() if "AssertionWarning" in line]
    assert len(lines) == 2, run.stderr
    assert "Stream ran into the next stream: stream 5 after 2097157 draws" in lines[0]
    assert "Stream ran into the next stream: stream 6 after 2097158 draws" in lines[1]
