"""zelmath.KinematicChain: the batch and single forms agree to the bit, shapes are checked, and
inverse kinematics is reproducible and checked by forward kinematics."""
import math

import numpy as np
import pytest

import zelmath as z
from kinematics_arms import ARMS, chain, limits


def random_joints(name, count, seed):
    lower, upper = limits(name)
    return np.random.default_rng(seed).uniform(lower, upper, size=(count, len(lower)))


@pytest.mark.parametrize("name", list(ARMS))
def test_batch_forward_is_the_single_forward_to_the_bit(name):
    c = chain(name)
    q = random_joints(name, 40, 1)
    batch = c.forward(q)
    assert batch.shape == (40, 4, 4)
    for k in range(40):
        x = c.forward(q[k])
        assert isinstance(x, z.Xform3D)
        assert np.array_equal(batch[k], x.matrix())
    # The link frames end with the tool pose; the product of the Xform3D links (no base, no tool)
    # gives the same bits.
    frames = c.frames(q[0])
    assert len(frames) == c.joints() + 1 and frames[-1] == c.forward(q[0])
    links = [z.Xform3D(qi, d, alpha, a) for (d, a, alpha, _, _), qi in zip(ARMS[name], q[0])]
    by_hand = links[0]
    for link in links[1:]:
        by_hand = by_hand * link
    assert by_hand.matrix().tobytes() == c.forward(q[0]).matrix().tobytes()
    assert frames[2].matrix().tobytes() == (links[0] * links[1] * links[2]).matrix().tobytes()


def test_jacobian_against_finite_differences():
    c = chain("UR5")
    q = random_joints("UR5", 1, 2)[0]
    j = c.jacobian(q)
    assert j.shape == (6, 6)
    h = 1e-6
    for i in range(6):
        dq = np.zeros(6)
        dq[i] = h
        plus, minus, here = c.forward(q + dq).matrix(), c.forward(q - dq).matrix(), c.forward(q).matrix()
        assert np.allclose(j[:3, i], (plus[:3, 3] - minus[:3, 3]) / (2 * h), atol=1e-8)
        w = (plus[:3, :3] - minus[:3, :3]) / (2 * h) @ here[:3, :3].T
        assert np.allclose(j[3:, i], [w[2, 1], w[0, 2], w[1, 0]], atol=1e-8)


def test_shapes_and_bad_input():
    c = chain("PUMA 560")
    with pytest.raises(ValueError, match=r"expected shape \(6,\) or \(m, 6\), got \(5,\)"):
        c.forward(np.zeros(5))
    with pytest.raises(ValueError, match=r"got \(3, 7\)"):
        c.forward(np.zeros((3, 7)))
    with pytest.raises(ValueError, match=r"expected shape \(6,\), got \(2, 6\)"):
        c.jacobian(np.zeros((2, 6)))
    with pytest.raises(ValueError, match=r"seed.*got \(4,\)"):
        c.inverse(z.Xform3D(), np.zeros(4))
    with pytest.raises(z.DomainError, match="lower limit 1 is not at or below upper limit 0"):
        c.add_revolute(0.0, 0.0, 0.0, 0.0, 1.0, 0.0)
    assert c.joints() == 6 and c.forward(np.zeros((0, 6))).shape == (0, 4, 4)
    assert np.isnan(c.forward([0, math.nan, 0, 0, 0, 0]).matrix()).any()
    seed = np.full(6, 0.25)
    q, r = c.inverse(z.Xform3D(), [0, 0, math.inf, 0, 0, 0])
    assert r.reason == z.IKReason.InvalidInput and not r.converged


@pytest.mark.parametrize("name", list(ARMS))
def test_inverse_converges_checked_by_forward_and_reproduces(name):
    c = chain(name)
    lower, upper = limits(name)
    seed = 0.5 * (np.array(lower) + np.array(upper))
    for target_q in random_joints(name, 25, 3):
        target = c.forward(target_q)
        q, r = c.inverse(target, seed)
        assert r.converged and r.reason == z.IKReason.Converged, r
        reached = c.forward(q).matrix()
        assert np.linalg.norm(reached[:3, 3] - target.matrix()[:3, 3]) <= 1e-6 * c.reach() * (1 + 1e-9)
        assert np.all(q >= lower) and np.all(q <= upper)
        q2, r2 = c.inverse(target, seed)
        assert np.array_equal(q, q2) and r2.iterations == r.iterations and r2.restarts == r.restarts
    assert "IKResult(converged=True" in repr(r)


def test_inverse_options_and_stream():
    c = chain("PUMA 560")
    far = z.Xform3D()
    far.set_position([3.0, 0.0, 0.0])
    q, r = c.inverse(far, np.zeros(6), max_iterations=20, restarts=2)
    assert not r.converged and r.reason == z.IKReason.IterationLimit and r.restarts == 2 and r.iterations <= 60
    q, r = c.inverse(far, np.zeros(6), time_budget=0.0)
    assert r.reason == z.IKReason.TimeLimit
    # The restarts draw from the stream given (a copy: the caller's stream does not move).
    stream = z.RandomStream.philox(7)
    a = c.inverse(far, np.zeros(6), max_iterations=10, restarts=3, stream=stream)
    b = c.inverse(far, np.zeros(6), max_iterations=10, restarts=3, stream=z.RandomStream.philox(7))
    assert np.array_equal(a[0], b[0]) and stream.next() == z.RandomStream.philox(7).next()
    with pytest.raises(TypeError, match="stream must be a RandomStream or None, got int"):
        c.inverse(far, np.zeros(6), stream=7)
