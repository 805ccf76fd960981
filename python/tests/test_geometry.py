"""The 3D classes from Python: @ and * with numpy on either side, rotation matrices checked
against their tolerance, quaternion parts, pickling."""
import math
import pickle

import numpy as np
import pytest

import zelmath as z


def rotation(r, p, y):
    out = z.Rotate3D()
    out.set_rpy(r, p, y)
    return out


def test_at_composes_and_applies_like_star():
    ra, rb = rotation(0.3, -0.2, 1.1), rotation(-1.0, 0.4, 0.2)
    xa, xb = z.Xform3D(ra, z.Vector3D(1, 2, 3)), z.Xform3D(0.7, 0.2, -0.4, 0.35)
    qa, qb = ra.qtn(), rb.qtn()
    v = z.Vector3D(0.3, -1.2, 2.0)
    for a, b in ((ra, rb), (qa, qb), (xa, xb)):
        assert a @ b == a * b and a @ v == a * v == a @ [0.3, -1.2, 2.0] == a * np.array([0.3, -1.2, 2.0])
    # numpy defers: a Vector3D operand gives the same Vector3D whichever side the array is on
    arr = np.array([2.0, -4.0, 0.5])
    for f in (lambda a, b: a + b, lambda a, b: a - b, lambda a, b: a * b, lambda a, b: a / b):
        assert f(arr, v) == f(z.Vector3D(arr), v) and f(v, arr) == f(v, z.Vector3D(arr))
        assert isinstance(f(arr, v), z.Vector3D)
    for bad in (lambda: ra * np.eye(3), lambda: np.eye(3) @ ra, lambda: np.ones(3) @ xa):
        with pytest.raises(TypeError):
            bad()


def test_rotation_matrices_within_the_tolerance_are_accepted():
    r = rotation(0.3, -0.2, 1.1)
    m = np.asarray(r).copy()
    assert z.Rotate3D(m) == z.Rotate3D(m.tolist())
    assert z.Rotate3D(m + 2e-5) is not None  # float32 input or printed values pass
    assert z.Rotate3D(m.astype(np.float32)) is not None
    for far in (m * 1.001, m + 1e-3, m[:, [1, 0, 2]]):
        with pytest.raises(ValueError, match="not a rotation matrix"):
            z.Rotate3D(far)
    x = z.Xform3D(np.block([[m, np.array([[1.0], [2.0], [3.0]])], [np.array([[0, 0, 0, 1.0]])]]))
    assert x.position() == z.Vector3D(1, 2, 3)


def test_quaternion_parts():
    q = z.Qtn3D(0.5, -0.1, 0.2, 0.7)
    assert q.s == 0.5 and q.v == z.Vector3D(-0.1, 0.2, 0.7)
    q.set(0.0, [0.0, 3.0, 4.0])
    assert q.s == 0.0 and q.v == z.Vector3D(0.0, 0.6, 0.8)
    assert z.Qtn3D.Identity.s == 1.0 and z.Qtn3D.Identity.v == z.Vector3D()


def test_pickles_are_bit_exact():
    r = rotation(0.3, -0.2, 1.1)
    r.rotate(z.XAxis, 1e-9, z.LocalFrame)  # a matrix normalize() would move in the last bits
    values = [z.Vector3D(0.1, -0.0, math.inf), r, z.Qtn3D(0.3, 0.1, -0.2, 5.0), z.Xform3D(r, z.Vector3D(1e-300, 2, 3)),
              z.Euler3D(0.1, z.XAxis, 0.2, z.ZAxis, 0.3, z.YAxis)]
    for value in values:
        back = pickle.loads(pickle.dumps(value))
        assert type(back) is type(value) and pickle.dumps(back) == pickle.dumps(value) and back == value
    assert np.asarray(pickle.loads(pickle.dumps(r))).tobytes() == np.asarray(r).tobytes()
