"""Dynamics of a PUMA 560 and a UR5 with their published inertial parameters (the Python form of
examples/chain_dynamics.cpp, which documents the sources and the two adjusted PUMA values):
the joint torques along the pick of chain_pick.py in 2 s, from one batch call of the inverse
dynamics, and 2 s of free fall under gravity with zero torque (RK4 at 1 ms) with its energy
drift."""
import math

import numpy as np

import zelmath as z

DEG = math.pi / 180


def cylinder(mass, radius, length, axis):
    across = mass * (3 * radius**2 + length**2) / 12
    moments = [across, across, across]
    moments[axis] = mass * radius**2 / 2
    return moments + [0.0, 0.0, 0.0]


#        d        a        alpha        (mass, centre of mass, inertia about it)
PUMA = [((0.0, 0.0, math.pi / 2), (0.0, (0, 0, 0), [0.175, 0.35, 0.175, 0, 0, 0])),
        ((0.0, 0.4318, 0.0), (17.4, (-0.3638, 0.006, 0.2275), [0.13, 0.524, 0.539, 0, 0, 0])),
        ((0.15005, 0.0203, -math.pi / 2), (4.8, (-0.0203, -0.0141, 0.070), [0.066, 0.086, 0.020, 0, 0, 0])),
        ((0.4318, 0.0, math.pi / 2), (0.82, (0, 0.019, 0), [1.8e-3, 1.3e-3, 1.8e-3, 0, 0, 0])),
        ((0.0, 0.0, -math.pi / 2), (0.34, (0, 0, 0), [0.3e-3, 0.4e-3, 0.3e-3, 0, 0, 0])),
        ((0.0, 0.0, 0.0), (0.09, (0, 0, 0.032), [0.15e-3, 0.15e-3, 0.04e-3, 0, 0, 0]))]
PUMA_ARMATURE = [j * g * g for j, g in zip([200e-6] * 3 + [33e-6] * 3,
                                           [-62.6111, 107.815, -53.7063, 76.0364, 71.923, 76.686])]
UR5 = [((0.089159, 0.0, math.pi / 2), (3.7, (0, -0.02561, 0.00193), cylinder(3.7, 0.06, 0.15, 1))),
       ((0.0, -0.425, 0.0), (8.393, (0.2125, 0, 0.11336), cylinder(8.393, 0.06, 0.425, 0))),
       ((0.0, -0.39225, 0.0), (2.33, (0.15, 0, 0.0265), cylinder(2.33, 0.06, 0.39225, 0))),
       ((0.10915, 0.0, math.pi / 2), (1.219, (0, -0.0018, 0.01634), cylinder(1.219, 0.06, 0.12, 2))),
       ((0.09465, 0.0, -math.pi / 2), (1.219, (0, 0.0018, 0.01634), cylinder(1.219, 0.06, 0.12, 2))),
       ((0.0823, 0.0, 0.0), (0.1879, (0, 0, -0.001159), cylinder(0.1879, 0.0375, 0.0345, 2)))]


def row(values):
    return " ".join(f"{x + 0.0:8.3f}" for x in values)


def build(table, armature=None):
    arm = z.KinematicChain()
    for i, ((d, a, alpha), (mass, centre, inertia)) in enumerate(table):
        arm.add_revolute(d, a, alpha)
        arm.set_inertia(i, mass, centre, inertia)
        if armature:
            arm.set_armature(i, armature[i])
    return arm


def energy(arm, table, q, qd):
    kinetic = 0.5 * qd @ arm.mass_matrix(q) @ qd
    frames = arm.frames(q)
    g = np.array(list(arm.gravity()))
    potential = -sum(m * g @ np.array(list(frames[i] * z.Vector3D(c))) for i, (_, (m, c, _)) in enumerate(table))
    return kinetic + potential


puma, ur5 = build(PUMA, PUMA_ARMATURE), build(UR5)

# The pick: joint vectors every 20 ms, the tool point on the line at 3s^2 - 2s^3 (rest to rest).
q = np.array([0.0, math.pi / 4, -math.pi, 0.0, math.pi / 4, 0.0])
start = puma.forward(q)
p0 = start.matrix()[:3, 3]
p1 = p0 + np.array([-0.1, 0.3, -0.1])
dt, path = 0.02, []
for k in range(-1, 102):
    s = min(max(k / 100, 0.0), 1.0)
    q, result = puma.inverse(z.Xform3D(start.rotation(), p0 + (p1 - p0) * (3 * s * s - 2 * s**3)), q)
    assert result.converged, result
    path.append(q)
path = np.array(path)
qd = (path[2:] - path[:-2]) / (2 * dt)
qdd = (path[2:] - 2 * path[1:-1] + path[:-2]) / dt**2
tau = puma.inverse_dynamics(path[1:-1], qd, qdd)  # 101 rows in one call
print("PUMA 560 pick, 30 cm in 2 s: joint torques (N m) by inverse dynamics")
for k in range(0, 101, 25):
    print(f"  t = {k * dt:4.2f} s  tau = {row(tau[k])}")
print(f"  peak |tau|     {row(np.abs(tau).max(axis=0))}")

print("Free fall under gravity, zero torque, RK4 at 1 ms for 2 s:")
for name, arm, table, q0 in (("PUMA 560", puma, PUMA, [0.3, -0.2, 0.4, 0.5, 0.7, 0.2]),
                             ("UR5", ur5, UR5, [0.0, -1.2, 0.8, -0.5, 1.2, 0.3])):
    q, v, h, zero = np.array(q0), np.zeros(6), 1e-3, np.zeros(6)
    e0, drift, scale = energy(arm, table, q, v), 0.0, 0.0
    for step in range(1, 2001):
        a1 = arm.forward_dynamics(q, v, zero)
        a2 = arm.forward_dynamics(q + h / 2 * v, v + h / 2 * a1, zero)
        a3 = arm.forward_dynamics(q + h / 2 * (v + h / 2 * a1), v + h / 2 * a2, zero)
        a4 = arm.forward_dynamics(q + h * (v + h / 2 * a2), v + h * a3, zero)
        q = q + h / 6 * (v + 2 * (v + h / 2 * a1) + 2 * (v + h / 2 * a2) + (v + h * a3))
        v = v + h / 6 * (a1 + 2 * a2 + 2 * a3 + a4)
        if step % 100 == 0:
            e = energy(arm, table, q, v)
            drift = max(drift, abs(e - e0))
            scale = max(scale, abs(e - energy(arm, table, q, zero)))
    print(f"  {name}: q(2 s) = {row(q)} rad, energy drift {drift:.3g} J "
          f"({drift / scale:.3g} of the largest kinetic energy)")
    assert drift / scale < 1e-6
