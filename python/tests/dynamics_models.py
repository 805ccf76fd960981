"""Inertial models for the dynamics tests: the PUMA 560 and the UR5 with the parameters of the
examples (examples/python/chain_dynamics.py documents their sources) and random, physically
consistent link inertias for any arm."""
import numpy as np

from kinematics_arms import chain

# (mass, centre of mass, (Ixx, Iyy, Izz, Ixy, Ixz, Iyz) about the centre of mass), link frames.
PUMA560 = [
    (0.0, (0.0, 0.0, 0.0), (0.175, 0.35, 0.175, 0.0, 0.0, 0.0)),
    (17.4, (-0.3638, 0.006, 0.2275), (0.13, 0.524, 0.539, 0.0, 0.0, 0.0)),
    (4.8, (-0.0203, -0.0141, 0.070), (0.066, 0.086, 0.0200, 0.0, 0.0, 0.0)),
    (0.82, (0.0, 0.019, 0.0), (1.8e-3, 1.3e-3, 1.8e-3, 0.0, 0.0, 0.0)),
    (0.34, (0.0, 0.0, 0.0), (0.3e-3, 0.4e-3, 0.3e-3, 0.0, 0.0, 0.0)),
    (0.09, (0.0, 0.0, 0.032), (0.15e-3, 0.15e-3, 0.04e-3, 0.0, 0.0, 0.0)),
]


def cylinder(mass, radius, length, axis):
    """A solid cylinder about its centre, its axis along x, y or z (0, 1, 2)."""
    across = mass * (3 * radius**2 + length**2) / 12
    moments = [across, across, across]
    moments[axis] = mass * radius**2 / 2
    return tuple(moments) + (0.0, 0.0, 0.0)


UR5 = [
    (3.7, (0.0, -0.02561, 0.00193), cylinder(3.7, 0.06, 0.15, 1)),
    (8.393, (0.2125, 0.0, 0.11336), cylinder(8.393, 0.06, 0.425, 0)),
    (2.33, (0.15, 0.0, 0.0265), cylinder(2.33, 0.06, 0.39225, 0)),
    (1.219, (0.0, -0.0018, 0.01634), cylinder(1.219, 0.06, 0.12, 2)),
    (1.219, (0.0, 0.0018, 0.01634), cylinder(1.219, 0.06, 0.12, 2)),
    (0.1879, (0.0, 0.0, -0.001159), cylinder(0.1879, 0.0375, 0.0345, 2)),
]


def random_inertia(rng):
    """Mass in [0.5, 5), centre within 0.2 of the origin, R diag(y+z, x+z, x+y) R^T."""
    mass = rng.uniform(0.5, 5.0)
    centre = rng.uniform(-0.2, 0.2, 3)
    x, y, z = rng.uniform(0.005, 0.1, 3)
    r, _ = np.linalg.qr(rng.normal(size=(3, 3)))
    i = r @ np.diag([y + z, x + z, x + y]) @ r.T
    return mass, tuple(centre), (i[0, 0], i[1, 1], i[2, 2], i[0, 1], i[0, 2], i[1, 2])


def model(name, rng=None):
    """The arm with its published parameters (PUMA 560, UR5) or random ones (rng given)."""
    c = chain(name)
    if rng is not None:
        links = [random_inertia(rng) for _ in range(c.joints())]
    else:
        links = {"PUMA 560": PUMA560, "UR5": UR5}[name]
    for i, (mass, centre, inertia) in enumerate(links):
        c.set_inertia(i, mass, centre, inertia)
    return c, links
