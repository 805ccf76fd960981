"""Forward kinematics and the Jacobian against KDL (PyKDL, Debian python3-pykdl) as an
independent oracle: 10^4 random joint vectors within the limits for each arm; the pose agrees to
1e-12 and the Jacobian to 1e-10. Skipped when PyKDL is not installed."""
import numpy as np
import pytest

from kinematics_arms import ARMS, chain, limits

kdl = pytest.importorskip("PyKDL", reason="PyKDL not installed (Debian: python3-pykdl)")

SAMPLES = 10_000


def kdl_chain(name):
    c = kdl.Chain()
    for d, a, alpha, _, _ in ARMS[name]:
        c.addSegment(kdl.Segment(kdl.Joint(kdl.Joint.RotZ), kdl.Frame.DH(a, alpha, d, 0.0)))
    return c


@pytest.mark.parametrize("name", list(ARMS))
def test_forward_and_jacobian_agree_with_kdl(name):
    ours = chain(name)
    theirs = kdl_chain(name)
    fk = kdl.ChainFkSolverPos_recursive(theirs)
    jac = kdl.ChainJntToJacSolver(theirs)
    n = ours.joints()
    lower, upper = limits(name)
    qs = np.random.default_rng(2026).uniform(lower, upper, size=(SAMPLES, n))
    poses = ours.forward(qs)
    frame, jq, j = kdl.Frame(), kdl.JntArray(n), kdl.Jacobian(n)
    worst_pose = worst_jacobian = 0.0
    for k in range(SAMPLES):
        for i in range(n):
            jq[i] = qs[k, i]
        assert fk.JntToCart(jq, frame) >= 0
        assert jac.JntToJac(jq, j) >= 0
        m = np.array([[frame.M[r, c] for c in range(3)] + [frame.p[r]] for r in range(3)])
        worst_pose = max(worst_pose, np.max(np.abs(poses[k, :3, :] - m)))
        ref = np.array([[j[r, c] for c in range(n)] for r in range(6)])
        worst_jacobian = max(worst_jacobian, np.max(np.abs(ours.jacobian(qs[k]) - ref)))
    print(f"{name}: largest pose difference {worst_pose:.3g}, largest Jacobian difference {worst_jacobian:.3g}")
    assert worst_pose <= 1e-12
    assert worst_jacobian <= 1e-10
