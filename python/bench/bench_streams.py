"""RandomStream.philox(0).random(10**7) against numpy's Generator(Philox(0)).random(10**7)
(ratio: zelmath time / numpy time; the target is at most 1).

  PYTHONPATH=build/release/python /usr/bin/python3 python/bench/bench_streams.py

Each figure is the median of several repeats, ours and numpy's interleaved in the same run; the
array allocation is part of both.
"""
import statistics
import time

import numpy as np

import zelmath

N = 10**7


def main():
    ours, theirs, ours_mrg = [], [], []
    s = zelmath.RandomStream.philox(0)
    m = zelmath.RandomStream.mrg32k3a()
    g = np.random.Generator(np.random.Philox(0))
    for _ in range(9):
        t = time.perf_counter()
        s.random(N)
        ours.append(time.perf_counter() - t)
        t = time.perf_counter()
        g.random(N)
        theirs.append(time.perf_counter() - t)
        t = time.perf_counter()
        m.random(N)
        ours_mrg.append(time.perf_counter() - t)
    a, b, c = (statistics.median(x) for x in (ours, theirs, ours_mrg))
    print(f"RandomStream.philox(0).random(10**7):     {a * 1e3:8.2f} ms")
    print(f"Generator(Philox(0)).random(10**7):       {b * 1e3:8.2f} ms")
    print(f"ratio (zelmath / numpy):                  {a / b:8.2f}")
    print(f"RandomStream.mrg32k3a().random(10**7):    {c * 1e3:8.2f} ms  (ratio {c / b:.2f})")


if __name__ == "__main__":
    main()
