"""Python-side timings of the zelmath module against numpy (ratios: zelmath time / numpy time).

  PYTHONPATH=build/release/python /usr/bin/python3 python/bench/bench_transforms.py

1. One transform composition a * b (Xform3D) against a 4x4 numpy product A @ B: the per-call
   cost from Python, binding overhead included.
2. Xform3D.apply on 10^6 points against numpy's points @ R.T + p.
Each figure is the median of several repeats, ours and numpy's interleaved in the same run.
"""
import statistics
import timeit

import numpy as np

import zelmath


def median_time(stmt, number, repeat, env):
    return statistics.median(timeit.repeat(stmt, number=number, repeat=repeat, globals=env)) / number


def main():
    rng = np.random.default_rng(0)
    a, b = zelmath.Xform3D(0.3, 0.2, 0.7, 0.1), zelmath.Xform3D(-0.4, 0.1, 1.2, 0.3)
    A, B = a.matrix(), b.matrix()
    x = zelmath.Xform3D(0.3, 0.2, 0.7, 0.1)
    x.set_rpy(0.2, -0.5, 1.1)
    R, p = np.asarray(x.rotation()).copy(), np.asarray(x.position()).copy()
    points = rng.normal(size=(1_000_000, 3))
    env = dict(a=a, b=b, A=A, B=B, x=x, R=R, p=p, points=points)

    ours = median_time("a * b", 200_000, 7, env)
    peer = median_time("A @ B", 200_000, 7, env)
    print(f"compose   zelmath {ours * 1e9:7.0f} ns   numpy 4x4 @ {peer * 1e9:7.0f} ns   ratio {ours / peer:.2f}")
    ours = median_time("x.apply(points)", 5, 7, env)
    peer = median_time("points @ R.T + p", 5, 7, env)
    print(f"apply 1e6 zelmath {ours * 1e3:7.2f} ms   numpy @ R.T + p {peer * 1e3:6.2f} ms   ratio {ours / peer:.2f}")
    assert np.allclose(x.apply(points), points @ R.T + p, atol=1e-13)


if __name__ == "__main__":
    main()
