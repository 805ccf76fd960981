"""Forward kinematics of a six-axis arm from its Denavit-Hartenberg table, checked against numpy.

The same PUMA 560 table (classic Denavit-Hartenberg, lengths in metres) as examples/robot_arm.cpp:
each link is Rz(theta) * Tz(d) * Tx(a) * Rx(alpha), built by Xform3D(theta, d, alpha, a), and the
tool pose is the product of the six links. numpy multiplies the same 4x4 matrices as a check, and
Xform3D.apply maps a whole point cloud of the tool at once.
"""
import math

import numpy as np

import zelmath

PI = math.pi
PUMA560 = [  # (d, a, alpha); theta is the joint variable
    (0.0, 0.0, PI / 2),
    (0.0, 0.4318, 0.0),
    (0.15005, 0.0203, -PI / 2),
    (0.4318, 0.0, PI / 2),
    (0.0, 0.0, -PI / 2),
    (0.0, 0.0, 0.0),
]


def tool_pose(q):
    pose = zelmath.Xform3D()
    for theta, (d, a, alpha) in zip(q, PUMA560):
        pose *= zelmath.Xform3D(theta, d, alpha, a)
    return pose


def numpy_pose(q):
    """The textbook product of homogeneous DH matrices."""
    pose = np.eye(4)
    for theta, (d, a, alpha) in zip(q, PUMA560):
        ct, st, ca, sa = math.cos(theta), math.sin(theta), math.cos(alpha), math.sin(alpha)
        pose = pose @ np.array([[ct, -st * ca, st * sa, a * ct],
                                [st, ct * ca, -ct * sa, a * st],
                                [0.0, sa, ca, d],
                                [0.0, 0.0, 0.0, 1.0]])
    return pose


def deg(rad):
    return rad * 180 / PI + 0.0


def main():
    poses = {
        "zero": [0, 0, 0, 0, 0, 0],
        "ready": [0, PI / 2, -PI / 2, 0, 0, 0],
        "nominal": [0, PI / 4, PI, 0, PI / 4, 0],
        "bent": [0.3, 0.6, -0.9, 0.4, -0.7, 1.1],
    }
    print("Tool poses as position and roll-pitch-yaw (numpy: largest difference of the 4x4 matrices):")
    worst = 0.0
    for name, q in poses.items():
        x = tool_pose(q)
        p = x.position()
        roll, pitch, yaw = x.get_rpy()
        diff = np.max(np.abs(x.matrix() - numpy_pose(q)))
        worst = max(worst, diff)
        print(f"{name:<10s} position ({p.x:8.4f} {p.y:8.4f} {p.z:8.4f}) m   "
              f"rpy ({deg(roll):8.3f} {deg(pitch):8.3f} {deg(yaw):8.3f}) deg   numpy {diff:.1e}")
    assert worst < 1e-14, worst

    # A point cloud of the tool (a 5 cm cube of 1000 points) mapped into the base frame at once;
    # every row is bit-identical to mapping the point alone.
    x = tool_pose(poses["bent"])
    grid = np.linspace(-0.025, 0.025, 10)
    cloud = np.stack(np.meshgrid(grid, grid, grid, indexing="ij"), axis=-1).reshape(-1, 3)
    mapped = x.apply(cloud)
    assert all(mapped[i].tolist() == list((x * zelmath.Vector3D(*cloud[i])).get()) for i in range(0, 1000, 37))
    h = numpy_pose(poses["bent"])
    print(f"\n{len(cloud)} tool points mapped: centre {np.round(mapped.mean(axis=0), 4)}, "
          f"largest difference to numpy {np.max(np.abs(mapped - (cloud @ h[:3, :3].T + h[:3, 3]))):.1e}")

    # A straight-line move between two poses, the orientation by slerp and by EAAInterp.
    start, end = tool_pose(poses["nominal"]), tool_pose(poses["bent"])
    print("\n   t    x        y        z       slerp angle  EAAInterp angle")
    for i in range(5):
        t = i / 4
        a, b = zelmath.Xform3D.slerp(t, start, end), zelmath.Xform3D.eaa_interp(t, start, end)
        p = a.position()
        print(f"{t:5.2f} {p.x:8.4f} {p.y:8.4f} {p.z:8.4f}   {deg((start / a).get_eaa()[1]):8.3f} deg    "
              f"{deg((start / b).get_eaa()[1]):8.3f} deg")


if __name__ == "__main__":
    main()
