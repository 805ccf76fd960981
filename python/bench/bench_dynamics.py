"""Python batches of the chain dynamics against the same loop in C++.

  PYTHONPATH=build/release/python /usr/bin/python3 python/bench/bench_dynamics.py \\
      [build/release/benchmarks/zelmath_bench_dynamics]

inverse_dynamics on (10^5, n) arrays for a 6-axis (PUMA 560) and a 7-axis arm, median of seven
repeats, CPU time; with the benchmark program given, its BM_InverseDynamicsBatch_ZEL (the C++
loop over the same 10^5 rows with inverseDynamicsArrays) runs in between and the ratio
Python / C++ is printed.
"""
import json
import math
import statistics
import subprocess
import sys
import time

import numpy as np

import zelmath

ROWS = 100_000
ARMS = {  # d, a, alpha
    "PUMA 560": [(0.0, 0.0, math.pi / 2), (0.0, 0.4318, 0.0), (0.15005, 0.0203, -math.pi / 2),
                 (0.4318, 0.0, math.pi / 2), (0.0, 0.0, -math.pi / 2), (0.0, 0.0, 0.0)],
    "7-axis": [(0.36, 0.0, -math.pi / 2), (0.0, 0.0, math.pi / 2), (0.42, 0.0, math.pi / 2),
               (0.0, 0.0, -math.pi / 2), (0.4, 0.0, -math.pi / 2), (0.0, 0.0, math.pi / 2),
               (0.126, 0.0, 0.0)],
}
CXX_INDEX = {"PUMA 560": 0, "7-axis": 2}


def cpu_median(call, repeat=7):
    times = []
    for _ in range(repeat):
        start = time.process_time()
        call()
        times.append(time.process_time() - start)
    return statistics.median(times)


def cxx_batch(program, index):
    out = subprocess.run([program, f"--benchmark_filter=BM_InverseDynamicsBatch_ZEL/{index}$",
                          "--benchmark_repetitions=7", "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return statistics.median(b["cpu_time"] for b in runs) / 1e3  # ms -> s


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else None
    rng = np.random.default_rng(0)
    for name, links in ARMS.items():
        arm = zelmath.KinematicChain()
        for i, (d, a, alpha) in enumerate(links):
            arm.add_revolute(d, a, alpha)
            arm.set_inertia(i, 2.0, (0.05, -0.02, 0.1), (0.03, 0.04, 0.05, 0.002, -0.001, 0.003))
        n = len(links)
        q, qd, qdd = (rng.uniform(-2, 2, (ROWS, n)) for _ in range(3))
        ours = cpu_median(lambda: arm.inverse_dynamics(q, qd, qdd))
        line = f"{name}: inverse_dynamics on ({ROWS}, {n}) from Python {ours * 1e3:7.2f} ms CPU"
        if program:
            cxx = cxx_batch(program, CXX_INDEX[name])
            line += f", the C++ loop {cxx * 1e3:7.2f} ms, ratio {ours / cxx:.2f}"
        print(line)


if __name__ == "__main__":
    main()
