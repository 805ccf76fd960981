"""zelmath.KinematicChain: the batch and single forms agree to the bit, shapes and values are
checked, inverse kinematics is reproducible and checked by forward kinematics (position only
against the closed form of a planar arm), and Ctrl-C stops long calls."""
import math

import numpy as np
import pytest

import zelmath as z
from interrupting import seconds_to_give_up
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


@pytest.mark.parametrize("bad", [np.zeros(6, complex), np.array([None] * 6, dtype=object), ["0"] * 6,
                                 np.zeros((2, 6), complex)])
def test_joint_values_must_be_real_numbers(bad):
    c = chain("PUMA 560")
    with pytest.raises(TypeError, match="expected real numbers"):
        c.forward(bad)
    if np.ndim(bad) == 1:
        for call in (c.jacobian, c.frames, lambda q: c.inverse(z.Xform3D(), q)):
            with pytest.raises(TypeError, match="expected real numbers"):
                call(bad)


def test_a_batch_too_large_to_copy_is_a_memory_error():
    with pytest.raises(MemoryError):
        chain("PUMA 560").forward(np.broadcast_to(np.zeros(6), (10**9, 6)))


def test_inverse_refuses_bad_options_and_targets():
    c = chain("PUMA 560")
    seed = np.zeros(6)
    for keyword in ("position_tolerance", "orientation_tolerance", "time_budget"):
        for value in (-1.0, math.nan):
            with pytest.raises(ValueError, match=keyword):
                c.inverse(z.Xform3D(), seed, **{keyword: value})
    for keyword in ("max_iterations", "restarts"):
        with pytest.raises(ValueError, match="must be >= 0"):
            c.inverse(z.Xform3D(), seed, **{keyword: -1})
    # A classic stream's position lives in the process-wide generator: refused, where two calls
    # would otherwise draw different restarts.
    with pytest.raises(z.DomainError, match="classic stream 3"):
        c.inverse(z.Xform3D(), seed, stream=z.RandomStream.classic(3))
    # An infinite reach, a matrix that is not a rotation: invalid input, never "converged".
    huge = z.KinematicChain()
    huge.add_revolute(1e308, 1e308, 0.0)
    with pytest.raises(ValueError, match="reach is inf"):
        huge.inverse(z.Xform3D(), [0.0])
    with pytest.raises(ValueError):
        scaled = z.Xform3D.__new__(z.Xform3D)
        scaled.__setstate__(((0.5, 0.0, 0.0, 0.0, 0.5, 0.0, 0.0, 0.0, 0.5), z.Vector3D(0.4, 0.0, 0.4)))
        c.inverse(scaled, seed)
    # Converged means finite errors, even with an infinite tolerance.
    beyond = z.Xform3D()
    beyond.set_position([1e200, 0.0, 0.0])
    q, r = c.inverse(beyond, seed, position_tolerance=math.inf, restarts=0)
    assert not r.converged and math.isinf(r.position_error)


def test_position_only_on_a_planar_arm_and_a_five_axis_arm():
    planar = z.KinematicChain()
    planar.add_revolute(0.0, 1.0, 0.0)
    planar.add_revolute(0.0, 0.5, 0.0, 0.0, 0.0, math.pi)  # the elbow bends one way only
    tilted = z.Xform3D()
    tilted.set_rpy(1.0, -0.5, 2.0)  # an orientation no planar arm can take
    for x, phi in [(0.7, -1.0), (1.2, 0.4), (1.45, 2.5)]:
        target = z.Xform3D(tilted)
        target.set_position([x * math.cos(phi), x * math.sin(phi), 0.0])
        q, r = planar.inverse(target, [0.0, 0.1], position_only=True)
        elbow = math.acos((x * x - 1.25) / 1.0)  # the closed form of the two-link arm
        shoulder = phi - math.atan2(0.5 * math.sin(elbow), 1.0 + 0.5 * math.cos(elbow))
        assert r.converged and r.orientation_error > 0.1
        assert q[1] == pytest.approx(elbow, abs=1e-5)
        assert math.remainder(q[0] - shoulder, 2 * math.pi) == pytest.approx(0.0, abs=1e-5)
        assert not planar.inverse(target, [0.0, 0.1])[1].converged
    five = z.KinematicChain()
    for d, a, alpha, lower, upper in ARMS["PUMA 560"][:5]:
        five.add_revolute(d, a, alpha, 0.0, lower, upper)
    lower, upper = limits("PUMA 560")
    for k, wanted in enumerate(np.random.default_rng(4).uniform(lower[:5], upper[:5], size=(20, 5))):
        target = z.Xform3D()
        target.set_rpy(0.1 * k, 1.0, -0.3 * k)
        target.set_position(five.forward(wanted).matrix()[:3, 3])
        q, r = five.inverse(target, np.zeros(5), position_only=True)
        assert r.converged, (k, r)
        reached = five.forward(q).matrix()[:3, 3]
        assert np.linalg.norm(reached - target.matrix()[:3, 3]) <= 1e-6 * five.reach() * (1 + 1e-9)


CTRL_C_CHILD = """
import sys, numpy as np, zelmath as z
c = z.KinematicChain()
if sys.argv[1] == "forward":
    for i in range(1000):
        c.add_revolute(0.001, 0.001, 0.3)
    q = np.random.default_rng(1).uniform(-1.0, 1.0, size=(30000, 1000))  # several seconds of work
    print("go", flush=True)
    c.forward(q)
else:
    for d, a, alpha, lower, upper in %r:
        c.add_revolute(d, a, alpha, 0.0, lower, upper)
    far = z.Xform3D()
    far.set_position([5.0, 0.0, 0.0])
    print("go", flush=True)
    c.inverse(far, np.zeros(6), max_iterations=10**7, restarts=10**7)
""" % (ARMS["PUMA 560"],)


@pytest.mark.parametrize("call", ["forward", "inverse"])
def test_ctrl_c_stops_long_calls_within_a_second(call):
    elapsed, err = seconds_to_give_up(CTRL_C_CHILD, call, wait=0.5)
    assert "KeyboardInterrupt" in err and elapsed is not None, err
    assert elapsed < 1.0, elapsed
