"""Per-call cost of SimTime arithmetic from Python, against float arithmetic and Fraction.

  PYTHONPATH=build/release/python nice -n 10 /usr/bin/python3 python/bench/bench_simtime.py

Each figure is the median of several repeats, all operations interleaved in the same run. The
ratio column divides by the cost of `x + y` on two floats measured in the same run, so the
figures of a loaded machine stay comparable with an idle one's.
"""
import fractions
import statistics
import timeit

import zelmath


def median_time(stmt, number, repeat, env):
    return statistics.median(timeit.repeat(stmt, number=number, repeat=repeat, globals=env)) / number


def main():
    a, b = zelmath.SimTime(1.5), zelmath.SimTime(0, 250000000)
    env = dict(a=a, b=b, x=1.5, y=0.25, f=fractions.Fraction(3, 2), g=fractions.Fraction(1, 4))
    cases = ["x + y", "a + b", "a + 0.3", "0.3 + a", "a - b", "a * 2.0", "a / b", "a < b", "a == 1.5", "f + g"]
    times = {stmt: median_time(stmt, 200_000, 7, env) for stmt in cases}
    base = times["x + y"]
    for stmt in cases:
        print(f"{stmt:10s} {times[stmt] * 1e9:8.0f} ns   {times[stmt] / base:6.1f} x float add")


if __name__ == "__main__":
    main()
