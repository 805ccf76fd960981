"""The three arms of the kinematics tests in classic Denavit-Hartenberg form (metres, radians):
rows of (d, a, alpha, lower, upper), the same as tests/RobotArms.h."""
import math

import zelmath as z

DEG = math.pi / 180
ARMS = {
    "PUMA 560": [(0.0, 0.0, math.pi / 2, -160 * DEG, 160 * DEG), (0.0, 0.4318, 0.0, -45 * DEG, 225 * DEG),
                 (0.15005, 0.0203, -math.pi / 2, -225 * DEG, 45 * DEG), (0.4318, 0.0, math.pi / 2, -110 * DEG, 170 * DEG),
                 (0.0, 0.0, -math.pi / 2, -100 * DEG, 100 * DEG), (0.0, 0.0, 0.0, -266 * DEG, 266 * DEG)],
    "UR5": [(0.089159, 0.0, math.pi / 2, -2 * math.pi, 2 * math.pi), (0.0, -0.425, 0.0, -2 * math.pi, 2 * math.pi),
            (0.0, -0.39225, 0.0, -2 * math.pi, 2 * math.pi), (0.10915, 0.0, math.pi / 2, -2 * math.pi, 2 * math.pi),
            (0.09465, 0.0, -math.pi / 2, -2 * math.pi, 2 * math.pi), (0.0823, 0.0, 0.0, -2 * math.pi, 2 * math.pi)],
    "7-axis": [(0.36, 0.0, -math.pi / 2, -170 * DEG, 170 * DEG), (0.0, 0.0, math.pi / 2, -120 * DEG, 120 * DEG),
               (0.42, 0.0, math.pi / 2, -170 * DEG, 170 * DEG), (0.0, 0.0, -math.pi / 2, -120 * DEG, 120 * DEG),
               (0.4, 0.0, -math.pi / 2, -170 * DEG, 170 * DEG), (0.0, 0.0, math.pi / 2, -120 * DEG, 120 * DEG),
               (0.126, 0.0, 0.0, -175 * DEG, 175 * DEG)],
}


def chain(name, unit=1.0):
    c = z.KinematicChain()
    for d, a, alpha, lower, upper in ARMS[name]:
        c.add_revolute(d * unit, a * unit, alpha, 0.0, lower, upper)
    return c


def limits(name):
    rows = ARMS[name]
    return [r[3] for r in rows], [r[4] for r in rows]
