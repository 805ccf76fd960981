"""Timings of zelmath.replicate (one run; the ratios are the figures to read).

  PYTHONPATH=build/release/python /usr/bin/python3 python/bench/bench_replications.py

1. Serial overhead per replication: replicate() of an empty model (10^5 replications) against
   the plain loop a user writes (the same Replication objects and model calls, rows in a list).
2. Dask on a local cluster of 2 worker processes (started once, not timed): overhead per
   replication of an empty model at n = 10^4.
3. A CPU-bound model (about 5 ms of pure Python a replication, 200 replications): Dask with 2
   workers against serial, wall time.
Wall times on a loaded machine are noisy; the script prints the load average beside them.
"""
import os
import time

import zelmath


def empty(rep):
    return 0.0


def cpu_bound(rep):
    s = rep.stream(0)
    total = 0.0
    for _ in range(25000):
        total += s.next()
    return total


def wall(f, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        f()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    print(f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} CPUs")
    n = 100_000
    ours = wall(lambda: zelmath.replicate(empty, n))

    def plain():
        rows = []
        for i in range(n):
            rows.append((empty(zelmath.Replication(i)),))
        return rows

    peer = wall(plain)
    print(f"serial, empty model: {ours / n * 1e6:6.2f} us per replication "
          f"(plain loop {peer / n * 1e6:5.2f} us; overhead {(ours - peer) / n * 1e6:5.2f} us)")

    try:
        import distributed
    except ImportError:
        print("dask: skipped (distributed is not installed)")
        return
    one = wall(lambda: cpu_bound(zelmath.Replication(0)), 5)
    print(f"CPU-bound model: {one * 1e3:.2f} ms a replication")
    serial = wall(lambda: zelmath.replicate(cpu_bound, 200), 1)
    start = time.perf_counter()
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        started = time.perf_counter() - start
        n = 10_000
        zelmath.replicate(empty, 100, backend="dask", client=client)  # workers import zelmath once
        dask_empty = wall(lambda: zelmath.replicate(empty, n, backend="dask", client=client))
        print(f"dask, 2 processes (cluster start {started:.1f} s, not counted): empty model "
              f"{dask_empty / n * 1e6:6.1f} us per replication at n = {n}")
        dask_cpu = wall(lambda: zelmath.replicate(cpu_bound, 200, backend="dask", client=client), 1)
        print(f"dask, 2 processes, CPU-bound model: {dask_cpu:.2f} s against serial {serial:.2f} s: "
              f"ratio {dask_cpu / serial:.2f}")
    print(f"load average {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
