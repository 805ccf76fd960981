"""Bad input from Python: every risky call of the linear algebra, geometry, time and stream
bindings raises a clear exception; none crashes the interpreter or hangs.

The sweep runs in one child interpreter under a time limit, announcing each case before it runs
it, so a crash or a hang names the case that caused it.
"""
import json
import os
import subprocess
import sys
import textwrap

import pytest

# (statement, name of the expected exception class). Names are looked up in zelmath first, then
# in builtins.
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

CHILD = textwrap.dedent("""
    import builtins, json, sys, warnings
    import numpy as np
    import zelmath
    from zelmath import *
    warnings.simplefilter("error", zelmath.AssertionWarning)
    for i, (code, _) in enumerate(json.loads(sys.argv[1])):
        print("start", i, flush=True)
        try:
            exec(code, {**vars(zelmath), "np": np})
            outcome = "no exception"
        except BaseException as e:
            outcome = type(e).__name__ + ": " + str(e)
            expected = json.loads(sys.argv[1])[i][1]
            cls = getattr(zelmath, expected, None) or getattr(builtins, expected)
            if isinstance(e, cls) and str(e):
                outcome = "ok"
        print("done", i, json.dumps(outcome), flush=True)
""")


def test_every_bad_call_raises_a_clear_exception():
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
    try:
        run = subprocess.run([sys.executable, "-c", CHILD, json.dumps(CASES)], capture_output=True, text=True,
                             timeout=300, env=env)
        out, code = run.stdout, run.returncode
    except subprocess.TimeoutExpired as e:
        out, code = (e.stdout or b"").decode() if isinstance(e.stdout, bytes) else (e.stdout or ""), "hang"
    lines = out.splitlines()
    started = [int(line.split()[1]) for line in lines if line.startswith("start")]
    if code != 0:
        culprit = CASES[started[-1]][0] if started else "(before the first case)"
        pytest.fail(f"the child ended with {code} at: {culprit}\n{run.stderr if code != 'hang' else ''}")
    outcomes = {int(line.split()[1]): json.loads(line.split(" ", 2)[2]) for line in lines if line.startswith("done")}
    wrong = [f"{CASES[i][0]}  (expected {CASES[i][1]}): {outcomes.get(i)}" for i in range(len(CASES))
             if outcomes.get(i) != "ok"]
    assert not wrong, "\n".join(wrong)
