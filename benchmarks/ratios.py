#!/usr/bin/env python3
"""Prints the README's performance rows from Google Benchmark JSON output.

Run the benchmark programs of the `bench` preset with

    build/bench/benchmarks/zelmath_bench_<family> --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only --benchmark_out=<family>.json --benchmark_out_format=json

(benchmarks/run_ratios.sh does all four families), then

    /usr/bin/python3 benchmarks/ratios.py linalg.json lufactor.json geometry3d.json qtn_xform.json

Each ratio is the median CPU time of ours over the median CPU time of the peer measured in the
same run (below 1: ZELMath is faster). CPU time rather than wall time, so that a machine shared
with other work inflates neither side by the time it spends waiting.
"""
import json
import sys

# (row label, ours, peer, arguments, target); {n} in a name is replaced by each argument.
ROWS = [
    ("rotation product `r = a * b` (one per iteration, 8 operand sets)",
     "BM_ZelComposeCycle", "BM_EigenComposeCycle", [None], 1.0),
    ("rotation product, 256 independent products per iteration",
     "BM_ZelCompose", "BM_EigenCompose", [None], None),
    ("matrix -> quaternion (one per iteration, 8 operand sets)",
     "MatrixToQtnCycle_ZEL", "MatrixToQtnCycle_Eigen", [None], 1.2),
    ("matrix -> quaternion, 1024 independent conversions per iteration",
     "MatrixToQtn_ZEL", "MatrixToQtn_Eigen", [None], None),
    ("vector `r = a + b` into an existing vector (8 operand sets)",
     "BM_Vector_AddInto_ZEL/{n}", "BM_Vector_AddInto_Eigen/{n}", [4, 16, 64, 256], {4: 2.5}),
    ("vector `r = a + b`, one operand set",
     "BM_Vector_AddAssign_ZEL/{n}", "BM_Vector_AddAssign_Eigen/{n}", [4, 16, 64, 256], None),
    ("`y = A * x` into an existing vector (8 operand sets)",
     "BM_Matrix_TimesVectorInto_ZEL/{n}", "BM_Matrix_TimesVectorInto_Eigen/{n}", [4, 16, 64, 256],
     {4: 1.2, 16: 1.0, 256: 1.2}),
    ("`y = A * x`, one operand set",
     "BM_Matrix_TimesVectorAssign_ZEL/{n}", "BM_Matrix_TimesVectorAssign_Eigen/{n}", [4, 16, 64, 256], None),
    ("`C = A * B` into an existing matrix (8 operand sets)",
     "BM_Matrix_ProductInto_ZEL/{n}", "BM_Matrix_ProductInto_Eigen/{n}", [4, 16, 64, 256], {4: 1.2}),
    ("`C = A * B`, one operand set",
     "BM_Matrix_ProductAssign_ZEL/{n}", "BM_Matrix_ProductAssign_Eigen/{n}", [4, 16, 64, 256], None),
    ("LU factor (8 operand sets)",
     "ZEL_FactorCycle/{n}", "Eigen_FactorCycle/{n}", [4, 16, 64, 256], {16: 1.0, 64: 1.2}),
    ("LU factor, one matrix",
     "ZEL_Factor/{n}", "Eigen_Factor/{n}", [4, 16, 64, 256], None),
    ("LU solve, one right-hand side (8 operand sets) vs Eigen",
     "ZEL_SolveCycle/{n}", "Eigen_SolveCycle/{n}", [4, 16, 64, 256], None),
    ("LU solve, one right-hand side vs its floor (n(n-1)/2 dependent additions)",
     "ZEL_SolveCycle/{n}", "Floor_SolveChain/{n}", [4, 16, 64, 256], {64: 1.1, 256: 1.1}),
]


def medians(paths):
    times = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data["benchmarks"]:
            if b.get("error_occurred"):
                times[b.get("run_name", b["name"])] = None
                continue
            if b.get("run_type") == "aggregate":
                if b.get("aggregate_name") != "median":
                    continue
                times[b["run_name"]] = b["cpu_time"]
            else:
                times.setdefault(b["name"], b["cpu_time"])
    return times


def main(paths):
    times = medians(paths)
    failed = False
    for label, ours, peer, args, target in ROWS:
        cells = []
        for n in args:
            a = ours.format(n=n) if n is not None else ours
            b = peer.format(n=n) if n is not None else peer
            if a not in times or b not in times:
                cells.append("")
                continue
            if times[a] is None or times[b] is None:
                cells.append("check failed")
                failed = True
                continue
            r = times[a] / times[b]
            goal = target.get(n) if isinstance(target, dict) else target
            mark = "" if goal is None else (" (target <= %.1f%s)" % (goal, "" if r <= goal else ", MISSED"))
            cells.append("%.2f%s" % (r, mark))
        if any(cells):
            print("| %s | %s |" % (label, " | ".join(cells)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
