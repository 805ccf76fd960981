"""Dynamics against KDL (PyKDL, Debian python3-pykdl) as an independent oracle: the PUMA 560 and
the UR5 with their published parameters and a seven-axis arm with random link inertias, 10^4
random (q, qd, qdd) each. Joint torques (with a wrench on the tool), the mass matrix, gravity
and Coriolis torques agree to 1e-10 relative. Skipped when PyKDL is not installed."""
import numpy as np
import pytest

from dynamics_models import model
from kinematics_arms import ARMS, limits

kdl = pytest.importorskip("PyKDL", reason="PyKDL not installed (Debian: python3-pykdl)")

SAMPLES = 10_000
ARM_MODELS = [("PUMA 560", None), ("UR5", None), ("7-axis", 2026)]


def kdl_chain(name, links):
    c = kdl.Chain()
    for (d, a, alpha, _, _), (mass, centre, i) in zip(ARMS[name], links):
        body = kdl.RigidBodyInertia(mass, kdl.Vector(*centre), kdl.RotationalInertia(*i))
        c.addSegment(kdl.Segment(kdl.Joint(kdl.Joint.RotZ), kdl.Frame.DH(a, alpha, d, 0.0), body))
    return c


def joints(x):
    j = kdl.JntArray(len(x))
    for i, v in enumerate(x):
        j[i] = v
    return j


def rel(a, b):
    return np.max(np.abs(a - b)) / max(np.max(np.abs(b)), 1e-12)


@pytest.mark.parametrize("name,seed", ARM_MODELS)
def test_dynamics_agree_with_kdl(name, seed):
    ours, links = model(name, None if seed is None else np.random.default_rng(seed))
    theirs = kdl_chain(name, links)
    gravity = kdl.Vector(0.0, 0.0, -9.81)
    rne = kdl.ChainIdSolver_RNE(theirs, gravity)
    params = kdl.ChainDynParam(theirs, gravity)
    n = ours.joints()
    rng = np.random.default_rng(7)
    lower, upper = limits(name)
    q = rng.uniform(lower, upper, size=(SAMPLES, n))
    qd = rng.uniform(-2.0, 2.0, size=(SAMPLES, n))
    qdd = rng.uniform(-5.0, 5.0, size=(SAMPLES, n))
    wrench = rng.uniform(-20.0, 20.0, size=(SAMPLES, 6))
    tau = ours.inverse_dynamics(q, qd, qdd, wrench)
    mass = ours.mass_matrix(q)
    grav = ours.gravity_torques(q)
    cor = ours.coriolis_torques(q, qd)
    worst = dict(torques=0.0, mass=0.0, gravity=0.0, coriolis=0.0)
    t, g, c, m = kdl.JntArray(n), kdl.JntArray(n), kdl.JntArray(n), kdl.JntSpaceInertiaMatrix(n)
    external = [kdl.Wrench() for _ in range(n)]
    for k in range(SAMPLES):
        jq, jqd = joints(q[k]), joints(qd[k])
        external[-1] = kdl.Wrench(kdl.Vector(*wrench[k, :3]), kdl.Vector(*wrench[k, 3:]))
        assert rne.CartToJnt(jq, jqd, joints(qdd[k]), external, t) >= 0
        params.JntToMass(jq, m)
        params.JntToGravity(jq, g)
        params.JntToCoriolis(jq, jqd, c)
        worst["torques"] = max(worst["torques"], rel(tau[k], np.array(list(t))))
        worst["mass"] = max(worst["mass"], rel(mass[k], np.array([[m[i, j] for j in range(n)] for i in range(n)])))
        worst["gravity"] = max(worst["gravity"], rel(grav[k], np.array(list(g))))
        worst["coriolis"] = max(worst["coriolis"], rel(cor[k], np.array(list(c))))
    print(name, {key: f"{v:.2g}" for key, v in worst.items()})
    assert max(worst.values()) <= 1e-10, worst
