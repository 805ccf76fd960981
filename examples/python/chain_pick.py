"""A PUMA 560 picks along a straight line (the Python form of examples/chain_pick.cpp): the tool
keeps its orientation while its point moves 30 cm in 100 steps; each step solves the inverse
kinematics from the previous joint vector, and all 101 answers are checked at once by the
vectorised forward kinematics."""
import math

import numpy as np

import zelmath as z

DEG = math.pi / 180
#        d        a       alpha         lower        upper
PUMA = [(0.0, 0.0, math.pi / 2, -160 * DEG, 160 * DEG),
        (0.0, 0.4318, 0.0, -45 * DEG, 225 * DEG),
        (0.15005, 0.0203, -math.pi / 2, -225 * DEG, 45 * DEG),
        (0.4318, 0.0, math.pi / 2, -110 * DEG, 170 * DEG),
        (0.0, 0.0, -math.pi / 2, -100 * DEG, 100 * DEG),
        (0.0, 0.0, 0.0, -266 * DEG, 266 * DEG)]

arm = z.KinematicChain()
for d, a, alpha, lower, upper in PUMA:
    arm.add_revolute(d, a, alpha, lower=lower, upper=upper)

q = np.array([0.0, math.pi / 4, -math.pi, 0.0, math.pi / 4, 0.0])
start = arm.forward(q)
p0 = start.matrix()[:3, 3]
p1 = p0 + np.array([-0.1, 0.3, -0.1])
print(f"PUMA 560, reach {arm.reach():.4f} m: the tool point from {np.round(p0, 4)} to {np.round(p1, 4)} m")

path, targets, iterations = [], [], 0
for k in range(101):
    target = z.Xform3D(start.rotation(), p0 + (p1 - p0) * (k / 100))
    q, result = arm.inverse(target, q)
    assert result.converged, result
    iterations += result.iterations
    path.append(q)
    targets.append(target.matrix())

# The check: every answer's pose from one call of the vectorised forward kinematics.
reached = arm.forward(np.array(path))
targets = np.array(targets)
position_error = np.linalg.norm(reached[:, :3, 3] - targets[:, :3, 3], axis=1).max()
turn = np.einsum("kij,kjl->kil", reached[:, :3, :3], np.transpose(targets[:, :3, :3], (0, 2, 1)))
angle_error = np.arccos(np.clip((np.trace(turn, axis1=1, axis2=2) - 1) / 2, -1, 1)).max()
steps = np.abs(np.diff(np.array(path), axis=0)).max()
for k in range(0, 101, 20):
    print(f"{k:5d} {np.round(reached[k, :3, 3], 4)}  q = {np.round(np.array(path[k]) / DEG + 0.0, 2)} deg")
print(f"101 of 101 points solved ({iterations} iterations in all); checked by forward kinematics:")
print(f"  largest position error {'below' if position_error <= 1e-6 else 'ABOVE'} 1 micrometre, "
      f"largest orientation error {'below' if angle_error <= 1e-6 else 'ABOVE'} 1 microradian")
print(f"  largest joint change between neighbouring points: {steps / DEG:.2f} deg")
assert position_error <= 1e-6 and angle_error <= 1e-6
