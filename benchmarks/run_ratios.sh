#!/bin/sh
# Runs the benchmark families behind the README's performance table (median of five runs each,
# the runs of ours and the peer's interleaved in random order, so that a change of the machine's
# load during the run falls on both) and prints the table's rows. Usage, from the source directory after
#   cmake --preset bench && cmake --build --preset bench
# benchmarks/run_ratios.sh [build directory (build/bench)] [output directory (<build>/ratios)]
# Extra Google Benchmark flags can be passed in BENCHMARK_FLAGS (e.g. --benchmark_min_time=0.2);
# TARGETS=1 marks each row that has a target with it.
set -e
build=${1:-build/bench}
out=${2:-$build/ratios}
mkdir -p "$out"
for family in linalg lufactor geometry3d qtn_xform; do
    # The pool allocator's benchmarks are not part of these tables.
    filter=.
    [ "$family" = linalg ] && filter=-BM_Alloc
    # shellcheck disable=SC2086
    "$build/benchmarks/zelmath_bench_$family" --benchmark_repetitions=5 --benchmark_report_aggregates_only \
        --benchmark_enable_random_interleaving=true \
        --benchmark_out="$out/$family.json" --benchmark_out_format=json --benchmark_filter="$filter" $BENCHMARK_FLAGS >/dev/null
done
/usr/bin/python3 "$(dirname "$0")/ratios.py" ${TARGETS:+--targets} "$out"/linalg.json "$out"/lufactor.json "$out"/geometry3d.json "$out"/qtn_xform.json
