"""KinematicChain dynamics from Python: batches give the bits of single rows, the derived terms
are the inverse dynamics they stand for, forward dynamics inverts inverse dynamics, and bad input
raises ValueError, TypeError or IndexError."""
import numpy as np
import pytest

import zelmath as z
from dynamics_models import model

ROWS = 300


@pytest.fixture(scope="module")
def arm():
    c, _ = model("7-axis", np.random.default_rng(3))
    c.set_payload(1.5, (0.0, 0.02, 0.05), (0.01, 0.01, 0.008, 0.0, 0.0, 0.0))
    c.set_armature(2, 0.3)
    rng = np.random.default_rng(11)
    n = c.joints()
    data = dict(q=rng.uniform(-3, 3, (ROWS, n)), qd=rng.uniform(-2, 2, (ROWS, n)),
                qdd=rng.uniform(-5, 5, (ROWS, n)), wrench=rng.uniform(-10, 10, (ROWS, 6)))
    return c, data


def test_batches_are_the_rows_computed_one_by_one(arm):
    c, d = arm
    q, qd, qdd, w = d["q"], d["qd"], d["qdd"], d["wrench"]
    tau = c.inverse_dynamics(q, qd, qdd, w)
    loaded = c.inverse_dynamics(q, qd, qdd)
    mass = c.mass_matrix(q)
    acc = c.forward_dynamics(q, qd, tau, w)
    assert tau.shape == (ROWS, 7) and mass.shape == (ROWS, 7, 7) and acc.shape == (ROWS, 7)
    for k in range(0, ROWS, 37):
        assert np.array_equal(tau[k], c.inverse_dynamics(q[k], qd[k], qdd[k], w[k]))
        assert np.array_equal(loaded[k], c.inverse_dynamics(list(q[k]), list(qd[k]), list(qdd[k])))
        assert np.array_equal(mass[k], c.mass_matrix(q[k]))
        assert np.array_equal(acc[k], c.forward_dynamics(q[k], qd[k], tau[k], w[k]))
    # Forward dynamics undoes inverse dynamics; the mass matrix is symmetric.
    assert np.max(np.abs(acc - qdd)) <= 1e-9 * np.max(np.abs(qdd))
    assert np.array_equal(mass, np.transpose(mass, (0, 2, 1)))


def test_gravity_and_coriolis_are_inverse_dynamics_terms(arm):
    c, d = arm
    q, qd, qdd = d["q"], d["qd"], d["qdd"]
    zero = np.zeros_like(q)
    assert np.array_equal(c.gravity_torques(q), c.inverse_dynamics(q, zero, zero))
    full = c.inverse_dynamics(q, qd, qdd)
    split = np.einsum("kij,kj->ki", c.mass_matrix(q), qdd) + c.coriolis_torques(q, qd) + c.gravity_torques(q)
    assert np.max(np.abs(full - split)) <= 1e-12 * np.max(np.abs(full))


def test_gravity_setting_round_trips_and_scales_the_gravity_torques(arm):
    c, d = arm
    before = c.gravity_torques(d["q"][:5])
    c.set_gravity(z.Vector3D(0.0, 0.0, -2 * 9.81))
    try:
        assert list(c.gravity()) == [0.0, 0.0, -2 * 9.81]
        twice = c.gravity_torques(d["q"][:5])
        assert np.max(np.abs(twice - 2 * before)) <= 1e-12 * np.max(np.abs(twice))
    finally:
        c.set_gravity([0.0, 0.0, -9.81])


def test_bad_input_raises_and_names_what_was_wrong(arm):
    c, d = arm
    q = d["q"]
    with pytest.raises(ValueError, match=r"qd must have shape \(300, 7\), got \(299, 7\)"):
        c.inverse_dynamics(q, q[1:], q)
    with pytest.raises(ValueError, match=r"q must have shape \(7,\) or \(m, 7\), got \(6,\)"):
        c.mass_matrix(q[0, :6])
    with pytest.raises(ValueError, match=r"wrench must have shape \(6,\), got \(5,\)"):
        c.forward_dynamics(q[0], q[0], q[0], np.zeros(5))
    with pytest.raises(ValueError, match=r"tau must have shape \(7,\), got \(300, 7\)"):
        c.forward_dynamics(q[0], q[0], q)
    with pytest.raises(TypeError):
        c.gravity_torques("seven")
    with pytest.raises(TypeError):
        c.inverse_dynamics(q, None, q)
    with pytest.raises(IndexError, match="link index 7 outside 0..6"):
        c.set_inertia(7, 1.0, (0, 0, 0), (1, 1, 1, 0, 0, 0))
    with pytest.raises(IndexError):
        c.set_armature(-1, 0.1)
    before = c.gravity_torques(q[0])
    for mass, inertia in ((-1.0, (1, 1, 1, 0, 0, 0)), (1.0, (1, 1, 3, 0, 0, 0)), (float("nan"), (1, 1, 1, 0, 0, 0))):
        with pytest.raises(z.DomainError, match=r"setInertia\(1\)"):
            c.set_inertia(1, mass, (0, 0, 0), inertia)
    with pytest.raises(TypeError, match=r"expected shape \(6,\), got \(5,\)"):
        c.set_payload(1.0, (0, 0, 0), (1, 1, 1, 0, 0))
    with pytest.raises(ValueError):
        c.set_gravity((0.0, float("inf"), 0.0))
    assert np.array_equal(c.gravity_torques(q[0]), before)
    nan = q[0].copy()
    nan[3] = np.nan
    assert np.isnan(c.inverse_dynamics(nan, q[0], q[0])).any()
