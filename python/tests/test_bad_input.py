"""Bad input from Python: every risky call of the bindings raises a clear exception; none
crashes the interpreter or hangs.

The sweep runs in one child interpreter per family, announcing each case before it runs it, so a
crash or a hang names the case that caused it; each case has its own time limit.
"""
import json
import os
import subprocess
import sys
import textwrap

import pytest

import zelmath

# (statement, name of the expected exception class, or names separated by "|"; None, or "ok" among
# the names: the statement may complete, its own assert checking the value). Names are looked up
# in zelmath first, then in builtins.
CASES = [
    # ---- linear algebra: shapes ----
    ("MathMatrix(np.eye(3)) + MathMatrix(np.eye(2))", "ValueError"),
    ("MathMatrix(np.eye(3)) - np.ones((2, 2))", "ValueError"),
    ("np.ones((2, 2)) + MathMatrix(np.eye(3))", "ValueError"),
    ("MathMatrix(np.eye(3)) * MathVector(np.ones(2))", "ValueError"),
    ("MathVector(np.ones(2)) * MathMatrix(np.eye(3))", "ValueError"),
    ("MathMatrix(2, 3) * MathMatrix(2, 3)", "ValueError"),
    ("MathMatrix(200, 300) * MathMatrix(200, 300)", "ValueError"),
    ("MathMatrix(2, 3) @ MathMatrix(2, 3)", "ValueError"),
    ("np.ones((2, 2)) @ MathMatrix(3, 3)", "ValueError"),
    ("np.ones((2, 2)) * MathMatrix(3, 3)", "ValueError"),
    ("MathMatrix(3, 3) @ np.ones(2)", "ValueError"),
    ("MathMatrix(3, 3).element_product(MathMatrix(1, 1))", "ValueError"),
    ("MathVector(3) + MathVector(2)", "ValueError"),
    ("MathVector(2) - MathVector(3)", "ValueError"),
    ("MathVector(3) * MathVector(2)", "ValueError"),
    ("MathVector(3) / np.ones(4)", "ValueError"),
    ("[1.0, 2.0] / MathVector(3)", "ValueError"),
    ("MathVector(3) @ MathVector(2)", "ValueError"),
    ("MathVector(3).dot([1, 2])", "ValueError"),
    ("v = MathVector(3); v += MathVector(2)", "ValueError"),
    ("v = MathVector(3); v *= np.ones(5)", "ValueError"),
    ("LUFactor(np.eye(3)).solve(np.ones(5))", "ValueError"),
    ("LUFactor(np.ones((2, 3)))", "ValueError"),
    ("LUFactor(np.eye(2)).factor(np.ones((3, 2)))", "ValueError"),
    # ---- linear algebra: indices, ranges and sizes ----
    ("MathVector(3).slice(0, 10**8)", "IndexError"),
    ("MathVector(3).slice(-10**9, 3)", "IndexError"),
    ("MathVector(3).slice(2, 2)", "IndexError"),
    ("MathVector(3).slice(4, 0)", "IndexError"),
    ("MathVector(3).slice(0, -1)", "IndexError"),
    ("MathVector(3)[3]", "IndexError"),
    ("MathVector(3)[-4]", "IndexError"),
    ("MathVector(3)[2**70]", "TypeError"),
    ("m = MathMatrix(2, 2); m[2, 0] = 1.0", "IndexError"),
    ("MathMatrix(2, 2)[0, -3]", "IndexError"),
    ("MathMatrix(2, 2).row(5)", "IndexError"),
    ("MathMatrix(2, 2).col(-3)", "IndexError"),
    ("MathVector(-1)", "TypeError"),
    ("MathVector(2**62)", "ValueError"),
    ("MathMatrix(2**40, 2**40)", "ValueError"),
    ("MathMatrix(2**62, 0)", "ValueError"),
    # ---- linear algebra: element types ----
    ("MathVector([1j, 2])", "TypeError"),
    ("MathVector(np.array(['1.5', '2']))", "TypeError"),
    ("MathVector(np.array([object(), 1.0]))", "TypeError"),
    ("MathVector([None])", "TypeError"),
    ("MathMatrix([[1, 2], [3]])", "TypeError"),
    ("MathMatrix(np.ones((2, 2, 2)))", "TypeError"),
    ("MathVector(np.ones((2, 2)))", "TypeError"),
    ("MathVector(3) * 1j", "TypeError"),
    ("MathVector(3) + np.ones(3, dtype=complex)", "TypeError"),
    ("MathMatrix(2, 2) * np.ones((2, 2, 2))", "TypeError"),
    ("MathMatrix(2, 2) + 'ab'", "TypeError"),
    ("LUFactor([['a', 'b'], ['c', 'd']])", "TypeError"),
    # ---- geometry: rotation matrices ----
    ("Rotate3D(np.zeros((3, 3)))", "ValueError"),
    ("Rotate3D(np.ones((3, 3)))", "ValueError"),
    ("Rotate3D([[1, 0, 0], [0, 1, 0], [0, 0, 0]])", "ValueError"),
    ("Rotate3D(np.diag([1.0, 1.0, -1.0]))", "ValueError"),
    ("Rotate3D(np.eye(3) * 2)", "ValueError"),
    ("Rotate3D(np.full((3, 3), np.nan))", "ValueError"),
    ("Rotate3D(np.zeros((4, 4)))", "TypeError"),
    ("Rotate3D(np.eye(3, dtype=complex))", "TypeError"),
    ("Xform3D(np.zeros((4, 4)))", "ValueError"),
    ("Xform3D(np.eye(4) + np.diag([0, 0, 0, 1.0]))", "ValueError"),
    ("m = np.eye(4); m[0, 3] = np.inf; Xform3D(m)", "ValueError"),
    ("Rotate3D().set_nsa([0, 0, 0], [0, 1, 0], [0, 0, 1])", "ValueError"),
    ("Rotate3D(Qtn3D(0, 0, 0, 0))", "ValueError"),
    ("Qtn3D(2, 0, 0, 0).rotation()", "ValueError"),
    ("Xform3D().set_qtn(Qtn3D(0, 0, 0, 0))", "ValueError"),
    ("Xform3D().set_nsa([1, 0, 0], [1, 0, 0], [0, 0, 1])", "ValueError"),
    # ---- geometry: angles and components ----
    ("Rotate3D().set_rpy(np.nan, 0, 0)", "ValueError"),
    ("Qtn3D().set_rpy(0, np.inf, 0)", "ValueError"),
    ("Xform3D().set_rpy(0, 0, -np.inf)", "ValueError"),
    ("Rotate3D().set_eaa([0, 0, 1], np.nan)", "ValueError"),
    ("Qtn3D().set_eaa([np.nan, 0, 1], 1.0)", "ValueError"),
    ("Rotate3D().set_caa(ZAxis, np.inf)", "ValueError"),
    ("Xform3D().rotate(XAxis, np.nan, WorldFrame)", "ValueError"),
    ("Qtn3D().rotate([0, 0, 1], np.inf, LocalFrame)", "ValueError"),
    ("Euler3D(np.nan, ZAxis, 0, YAxis, 0, ZAxis)", "ValueError"),
    ("Euler3D().set_angles(0, np.inf, 0)", "ValueError"),
    ("Xform3D(np.nan, 0, 0, 0)", "ValueError"),
    ("Xform3D(0, np.inf, 0, 0)", "ValueError"),
    ("Xform3D().set_dh(0, 0, np.nan, 0)", "ValueError"),
    ("Xform3D().set_position([np.nan, 0, 0])", "ValueError"),
    ("Qtn3D(np.nan, 0, 0, 0)", "ValueError"),
    ("Qtn3D([np.inf, 0, 0, 0])", "ValueError"),
    ("Qtn3D().set(np.nan, [0, 0, 0])", "ValueError"),
    ("Vector3D().set_spherical(np.nan, 0, 1)", "ValueError"),
    ("Vector3D().set_cylindrical(0, np.inf, 1)", "ValueError"),
    ("Rotate3D().set_eaa([0, 0, 0], 1.0)", "ZeroVectorError"),
    ("Vector3D().normalize()", "ZeroVectorError"),
    ("Qtn3D(0, 0, 0, 0).normalize()", "NumericError"),
    ("Qtn3D().set_caa(5, 0.5)", "AssertionWarning"),
    ("Rotate3D().rotate(XAxis, 0.5, 7)", "AssertionWarning"),
    # ---- geometry: shapes, indices and operands ----
    ("Vector3D([1, 2])", "TypeError"),
    ("Vector3D([1j, 0, 0])", "TypeError"),
    ("Vector3D()[3]", "IndexError"),
    ("v = Vector3D(); v[-4] = 1.0", "IndexError"),
    ("Rotate3D()[3, 0]", "IndexError"),
    ("Rotate3D().column(3)", "IndexError"),
    ("Rotate3D() * np.ones((3, 3))", "TypeError"),
    ("np.ones((3, 3)) @ Rotate3D()", "TypeError"),
    ("Xform3D() @ np.ones(4)", "TypeError"),
    ("Xform3D().apply(np.ones((2, 2)))", "TypeError"),
    ("Xform3D().apply(np.ones((2, 3), dtype=complex))", "TypeError"),
    # ---- time ----
    ("SimTime(np.nan)", "ValueError"),
    ("SimTime(-np.inf)", "ValueError"),
    ("SimTime(1) + np.nan", "ValueError"),
    ("np.inf * SimTime(1)", "ValueError"),
    ("SimTime(1) < np.nan", "ValueError"),
    ("SimTime(2**1100)", "OverflowError"),
    ("SimTime(1, 10**12)", "DomainError"),
    ("SimTime(1) / 0", "ZeroDivideError"),
    ("SimTime(1).fmod(0)", "ZeroDivideError"),
    ("SimTime.max / SimTime(0, 1)", "DivisionOverflowError"),
    ("ratio(SimTime(1), 0)", "ZeroDivideError"),
    ("ratio(SimTime(1), 'x')", "TypeError"),
    ("SimTime(1) + 'x'", "TypeError"),
    ("SimTime(1) + np.ones(2)", "TypeError"),
    # ---- random streams: states ----
    ("RandomStream.philox(1).__setstate__(('garbage',))", "DomainError"),
    ("RandomStream.philox(1).__setstate__('ZELRandomStream')", "TypeError"),
    ("import pickle; pickle.dumps(RandomStream.classic(3))", "TypeError"),
    ("RandomStream.from_state(RandomStream.classic(3).state())", "DomainError"),
]

# Model outputs, backends and clients of zelmath.replicate, and its results.
REPLICATION_CASES = [
    ("replicate(lambda r: ['1.5', '2'], 3)", "TypeError"),
    ("replicate(lambda r: ['nan'], 3)", "TypeError"),
    ("replicate(lambda r: bytearray(b'2.5'), 3)", "TypeError"),
    ("replicate(lambda r: {1.0: 2.0}, 3)", "TypeError"),
    ("replicate(lambda r: {1.0, 2.0}, 3)", "TypeError"),
    ("replicate(lambda r: 1j, 3)", "TypeError"),
    ("replicate(lambda r: np.ones((2, 2)), 3)", "TypeError"),
    ("replicate(lambda r: np.array(['1']), 3)", "TypeError"),
    ("replicate(lambda r: None, 3)", "TypeError"),
    ("replicate(lambda r: 1.0, 3, backend='processes', workers=2)", "TypeError"),
    ("replicate(lambda r: 1.0, 3, backend='dask', client=object())", "TypeError|ImportError"),
    ("replicate(lambda r: 1.0, 3, dashboard=True)", "ValueError"),
    ("ReplicationResults(np.zeros(3))", "TypeError"),
    ("ReplicationResults(np.zeros((2, 2), dtype=complex))", "TypeError"),
    ("ReplicationResults.join([ReplicationResults.__new__(ReplicationResults)])", "TypeError"),
]

# Pickled states from outside: checked as the constructors check their arguments; objects made by
# __new__ alone (every class is swept by test_an_object_made_by_new_alone_refuses_to_be_used).
STATE_CASES = [
    ("RandomStream.__new__(RandomStream).random(10)", "TypeError"),
    ("MathVector.__new__(MathVector)[0]", "TypeError"),
    ("ReplicationResults.__new__(ReplicationResults).summary()", "TypeError"),
    ("KinematicChain.__new__(KinematicChain).add_revolute(0, 1, 0)", "TypeError"),
    ("Xform3D.__new__(Xform3D).__setstate__(((1.0, 0, 0, 0, 2.0, 0, 0, 0, 1.0), (0, 0, 0)))", "ValueError"),
    ("Xform3D.__new__(Xform3D).__setstate__(((1.0, 0, 0, 0, 1.0, 0, 0, 0, 1.0), (np.nan, 0, 0)))", "ValueError"),
    ("Xform3D.__new__(Xform3D).__setstate__(((1.0, 0, 0, 0, 1.0, 0, 0, 0, 1.0), ('0', 0, 0)))", "TypeError"),
    ("Rotate3D.__new__(Rotate3D).__setstate__((1.0, 0, 0, 0, 1.0, 0, 0, 0, -1.0))", "ValueError"),
    ("Rotate3D.__new__(Rotate3D).__setstate__((1.0,))", "ValueError"),
    ("Euler3D.__new__(Euler3D).__setstate__((0.0, 7, 0.0, 1, 0.0, 2))", "ValueError"),
    ("Euler3D.__new__(Euler3D).__setstate__((np.inf, 2, 0.0, 1, 0.0, 2))", "ValueError"),
    ("Qtn3D.__new__(Qtn3D).__setstate__((np.nan, 0, 0, 0))", "ValueError"),
    ("Vector3D.__new__(Vector3D).__setstate__((1.0, 2.0))", "ValueError"),
    ("MathVector.__new__(MathVector).__setstate__(())", "ValueError"),
    ("MathMatrix.__new__(MathMatrix).__setstate__((np.ones(3),))", "TypeError"),
    ("x = Xform3D(); x.__setstate__(Xform3D(0.1, 1, 0, 0).__getstate__())", "TypeError"),
    ("v = Vector3D(); v.__setstate__((1.0, 2.0, 3.0))", "TypeError"),
    ("s = RandomStream.mrg32k3a(1, 2); s.__setstate__(('garbage',))", "TypeError|ValueError"),
]

# Kinematic chains: the module's one dtype check, tolerances, unmeasurable reach, allocation
# failure, and classic streams (their position is the process-wide generator's: refused).
CHAIN_CASES = [
    ("c = KinematicChain(); [c.add_revolute(0, 1, 0) for _ in range(6)]; c.forward(np.zeros(6, complex))",
     "TypeError"),
    ("c = KinematicChain(); [c.add_revolute(0, 1, 0) for _ in range(6)]; "
     "c.forward(np.array([None] * 6, dtype=object))", "TypeError"),
    ("c = KinematicChain(); [c.add_revolute(0, 1, 0) for _ in range(6)]; c.forward(['0'] * 6)", "TypeError"),
    ("c = KinematicChain(); [c.add_revolute(0, 1, 0) for _ in range(6)]; "
     "c.inverse(c.forward(np.zeros(6)), np.zeros(6), position_tolerance=-1)", "ValueError"),
    ("c = KinematicChain(); [c.add_revolute(0, 1, 0) for _ in range(6)]; "
     "c.inverse(c.forward(np.zeros(6)), np.zeros(6), orientation_tolerance=np.nan)", "ValueError"),
    ("c = KinematicChain(); [c.add_revolute(1e308, 1e308, 0) for _ in range(2)]; "
     "c.inverse(Xform3D(), np.zeros(2))", "ValueError"),
    ("c = KinematicChain(); [c.add_revolute(0, 1, 0) for _ in range(6)]; "
     "c.forward(np.broadcast_to(np.zeros(6), (10**9, 6)))", "MemoryError"),
    ("c = KinematicChain(); [c.add_revolute(0.1, 1, 0.5) for _ in range(6)]; "
     "t = c.forward([0.3, 2.5, -1.9, 0.8, 2.2, -0.4]); "
     "a, b = (c.inverse(t, np.full(6, -2.9), max_iterations=8, restarts=200, stream=RandomStream.classic(3))[1] "
     "for _ in range(2)); assert (a.iterations, a.restarts) == (b.iterations, b.restarts)",
     "ValueError"),
    # a NaN pivot: not good from Python (C++ lets it through), every result NaN
    ("f = LUFactor(np.full((3, 3), np.nan)); assert not f.good and f.fail; "
     "assert np.isnan(np.asarray(f.solve(np.ones(3)))).all()", None),
]

FAMILIES = {"linalg_geometry_time": CASES, "replications": REPLICATION_CASES, "states": STATE_CASES,
            "chains_lu": CHAIN_CASES}

CHILD = textwrap.dedent("""
    import builtins, json, signal, sys, warnings
    import numpy as np
    import zelmath
    from zelmath import *
    warnings.simplefilter("error", zelmath.AssertionWarning)
    signal.signal(signal.SIGALRM, lambda *_: sys.exit("hang"))
    cases = json.loads(sys.argv[1])
    for i, (code, expected) in enumerate(cases):
        print("start", i, flush=True)
        signal.alarm(20)
        try:
            exec(code, {**vars(zelmath), "np": np})
            outcome = "ok" if expected is None or "ok" in expected.split("|") else "no exception"
        except BaseException as e:
            outcome = type(e).__name__ + ": " + str(e)
            classes = tuple(getattr(zelmath, name, None) or getattr(builtins, name)
                            for name in (expected or "").split("|") if name not in ("", "ok"))
            if classes and isinstance(e, classes) and str(e):
                outcome = "ok"
        signal.alarm(0)
        print("done", i, json.dumps(outcome), flush=True)
""")


def run_child(code, cases, timeout=300):
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
    try:
        run = subprocess.run([sys.executable, "-c", code, json.dumps(cases)], capture_output=True, text=True,
                             timeout=timeout, env=env)
        return run.stdout, run.returncode, run.stderr
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode() if isinstance(e.stdout, bytes) else (e.stdout or "")
        return out, "hang", ""


@pytest.mark.parametrize("family", list(FAMILIES))
def test_every_bad_call_raises_a_clear_exception(family):
    cases = FAMILIES[family]
    out, code, err = run_child(CHILD, cases)
    lines = out.splitlines()
    started = [int(line.split()[1]) for line in lines if line.startswith("start")]
    if code != 0:
        culprit = cases[started[-1]][0] if started else "(before the first case)"
        pytest.fail(f"the child ended with {code} at: {culprit}\n{err}")
    outcomes = {int(line.split()[1]): json.loads(line.split(" ", 2)[2]) for line in lines if line.startswith("done")}
    wrong = [f"{cases[i][0]}  (expected {cases[i][1]}): {outcomes.get(i)}" for i in range(len(cases))
             if outcomes.get(i) != "ok"]
    assert not wrong, "\n".join(wrong)


def bound_classes(module=zelmath._zelmath, seen=None):
    """Every class of the extension and of its submodules, as "module:qualname"."""
    seen = set() if seen is None else seen
    for value in vars(module).values():
        if id(value) in seen:
            continue
        seen.add(id(value))
        if isinstance(value, type):
            yield f"{value.__module__}:{value.__qualname__}"
        elif type(value) is type(zelmath) and value.__name__.startswith("zelmath."):
            yield from bound_classes(value, seen)


UNINITIALISED = textwrap.dedent("""
    import importlib, json, sys
    module, name = sys.argv[1].split(":")
    cls = importlib.import_module(module)
    for part in name.split("."):
        cls = getattr(cls, part)
    pybind = type(cls).__name__ == "pybind11_type"
    try:
        obj = cls.__new__(cls)
    except TypeError:  # a type that cannot be instantiated from Python refuses at once
        print(json.dumps({"pybind": pybind, "refused": 0, "other": []}))
        sys.exit(0)
    refused, other = 0, []
    bases = [base for base in cls.__mro__ if type(base).__name__ == "pybind11_type"]
    names = sorted({name for base in bases for name in vars(base)} - {"__new__", "__init__", "__setstate__"})
    for attr in names:
        raw = next(vars(base)[attr] for base in bases if attr in vars(base))
        if type(raw).__name__ == "pybind11_static_property":  # the class's, not the object's
            continue
        if isinstance(raw, property):
            calls = [lambda: raw.fget(obj)]
        elif type(raw).__name__ == "instancemethod":
            method = getattr(cls, attr)
            calls = [lambda extra=extra: method(obj, *[None] * extra) for extra in range(4)]
        else:
            continue
        for call in calls:
            print(attr, flush=True)
            try:
                # NotImplemented: an operator given too few arguments; comparisons with another
                # type answer False
                if call() is not NotImplemented and attr not in ("__eq__", "__ne__"):
                    other.append(f"{attr}: returned")
            except TypeError as e:
                if "not initialised" in str(e) and str(e).split()[0] in {base.__name__ for base in bases}:
                    refused += 1
                elif "incompatible function arguments" not in str(e):
                    other.append(f"{attr}: {e}")
            except Exception as e:
                other.append(f"{attr}: {type(e).__name__}: {e}")
    try:
        repr(obj)
    except TypeError:
        pass
    print(json.dumps({"pybind": pybind, "refused": refused, "other": other}))
""")


@pytest.mark.parametrize("name", sorted(set(bound_classes())))
def test_an_object_made_by_new_alone_refuses_to_be_used(name):
    """Every method and property of a class bound by pybind11 raises TypeError naming the class
    (instead of reading memory never constructed); other types are usable or refuse at once."""
    run = subprocess.run([sys.executable, "-c", UNINITIALISED, name], capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, f"crashed at {run.stdout.splitlines()[-1:]}: {run.stderr[-2000:]}"
    result = json.loads(run.stdout.splitlines()[-1])
    if result["pybind"]:
        assert result["refused"] > 0 and not result["other"], result
