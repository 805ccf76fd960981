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

SIZES = [4, 16, 64, 256]

# Tables of (row label, ours, peer, arguments, target); {n} in a name is replaced by each
# argument. A target (one number, or one per argument) is shown with --targets.
TABLES = [
    ("Math vector and matrix (vs Eigen `VectorXd` / `MatrixXd`, dynamic size)", ["n = 4", "n = 16", "n = 64", "n = 256"], [
        ("vector `r = a + b` into an existing vector, 8 operand sets",
         "BM_Vector_AddInto_ZEL/{n}", "BM_Vector_AddInto_Eigen/{n}", SIZES, {4: 2.5}),
        ("`y = A * x` into an existing vector, 8 operand sets",
         "BM_Matrix_TimesVectorInto_ZEL/{n}", "BM_Matrix_TimesVectorInto_Eigen/{n}", SIZES, {4: 1.2, 16: 1.0, 256: 1.2}),
        ("`C = A * B` into an existing matrix, 8 operand sets",
         "BM_Matrix_ProductInto_ZEL/{n}", "BM_Matrix_ProductInto_Eigen/{n}", SIZES, {4: 1.2}),
        ("vector `a + b` (allocating)", "BM_Vector_Add_ZEL/{n}", "BM_Vector_Add_Eigen/{n}", SIZES, None),
        ("vector `r = a + b`, one operand set", "BM_Vector_AddAssign_ZEL/{n}", "BM_Vector_AddAssign_Eigen/{n}", SIZES, None),
        ("vector `a += b; a *= 0.5`", "BM_Vector_ScaleInPlace_ZEL/{n}", "BM_Vector_ScaleInPlace_Eigen/{n}", SIZES, None),
        ("dot product", "BM_Vector_Dot_ZEL/{n}", "BM_Vector_Dot_Eigen/{n}", SIZES, None),
        ("matrix x vector (allocating)", "BM_Matrix_TimesVector_ZEL/{n}", "BM_Matrix_TimesVector_Eigen/{n}", SIZES, None),
        ("`y = A * x`, one operand set", "BM_Matrix_TimesVectorAssign_ZEL/{n}", "BM_Matrix_TimesVectorAssign_Eigen/{n}", SIZES, None),
        ("vector x matrix (allocating)", "BM_Vector_TimesMatrix_ZEL/{n}", "BM_Vector_TimesMatrix_Eigen/{n}", SIZES, None),
        ("matrix product (allocating)", "BM_Matrix_Product_ZEL/{n}", "BM_Matrix_Product_Eigen/{n}", SIZES, None),
        ("`C = A * B`, one operand set", "BM_Matrix_ProductAssign_ZEL/{n}", "BM_Matrix_ProductAssign_Eigen/{n}", SIZES, None),
    ]),
    ("LU factorisation (vs Eigen `PartialPivLU<MatrixXd>`)", ["n = 4", "n = 16", "n = 64", "n = 256"], [
        ("factor, 8 operand sets", "ZEL_FactorCycle/{n}", "Eigen_FactorCycle/{n}", SIZES, {16: 1.0, 64: 1.2}),
        ("factor, one matrix", "ZEL_Factor/{n}", "Eigen_Factor/{n}", SIZES, None),
        ("factor and `conditionHigham()` (vs `rcond()`)", "ZEL_FactorConditionHigham/{n}", "Eigen_FactorRcond/{n}", SIZES, None),
        ("factor and classic `condition()` (vs `rcond()`)", "ZEL_FactorCondition/{n}", "Eigen_FactorRcond/{n}", SIZES, None),
        ("solve one right-hand side, 8 operand sets", "ZEL_SolveCycle/{n}", "Eigen_SolveCycle/{n}", SIZES, None),
        ("the same vs its floor (n(n-1)/2 dependent additions)", "ZEL_SolveCycle/{n}", "Floor_SolveChain/{n}", SIZES,
         {64: 1.1, 256: 1.1}),
        ("solve one right-hand side, one vector", "ZEL_Solve/{n}", "Eigen_Solve/{n}", SIZES, None),
        ("solve eight right-hand sides", "ZEL_SolveEight/{n}", "Eigen_SolveEight/{n}", SIZES, None),
        ("inverse", "ZEL_Inverse/{n}", "Eigen_Inverse/{n}", SIZES, None),
    ]),
    ("Rotation and quaternion (vs Eigen `Matrix3d` / `Quaterniond`)", ["Ratio"], [
        ("rotation product `r = a * b`, one per iteration, 8 operand sets", "BM_ZelComposeCycle", "BM_EigenComposeCycle", [None], 1.0),
        ("rotation product `a * b`, 256 independent products per iteration", "BM_ZelCompose", "BM_EigenCompose", [None], None),
        ("rotation product in place `a *= b`, 256 per iteration", "BM_ZelComposeInPlace", "BM_EigenComposeInPlace", [None], None),
        ("rotation matrix to quaternion, one per iteration, 8 operand sets", "MatrixToQtnCycle_ZEL", "MatrixToQtnCycle_Eigen", [None], 1.2),
        ("rotation matrix to quaternion, 1024 independent conversions per iteration", "MatrixToQtn_ZEL", "MatrixToQtn_Eigen", [None], None),
        ("quaternion to rotation matrix, 1024 per iteration", "QtnToMatrix_ZEL", "QtnToMatrix_Eigen", [None], None),
    ]),
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


def main(argv):
    targets = "--targets" in argv
    times = medians([a for a in argv if a != "--targets"])
    failed = False
    for title, columns, rows in TABLES:
        lines = []
        for label, ours, peer, args, target in rows:
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
                mark = ""
                if targets and goal is not None:
                    mark = " (target <= %.1f%s)" % (goal, "" if r <= goal else ", missed")
                cells.append("%.2f%s" % (r, mark))
            if any(cells):
                lines.append("| %s | %s |" % (label, " | ".join(cells)))
        if lines:
            print("### %s\n" % title)
            print("| Operation | %s |" % " | ".join(columns))
            print("|---|%s" % ("---|" * len(columns)))
            print("\n".join(lines))
            print()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
