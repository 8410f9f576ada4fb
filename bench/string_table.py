#!/usr/bin/env python3
"""Tables of one string_bench run, from its JSON output (--benchmark_out).

For every operation and kind of text: the time of CT_String over the time of
std::string at each size, and how each type's time grows from 64 KiB to
1 MiB (16 is linear, 256 quadratic). With repetitions the medians are used,
otherwise the single run; times are CPU times.

    python3 bench/string_table.py string_bench.json
"""
import json
import sys

SIZES = ["1K", "64K", "1M"]
# The largest CT_String / std::string ratio allowed, at every size.
RATIO_AIMS = {"equal": 4, "search": 4, "mid": 3, "replace": 3}
# Sixteen times the text, at most 1.5 times the linear growth.
LINEAR_LIMIT = 24
TO_NS = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}


def read_times(path):
    """{(operation, kind, size, type): CPU time in ns}, in the run's order."""
    with open(path) as o_file:
        runs = json.load(o_file)["benchmarks"]
    with_aggregates = any(o.get("run_type") == "aggregate" for o in runs)
    times = {}
    for o in runs:
        if with_aggregates and o.get("aggregate_name") != "median":
            continue
        key = tuple(o["run_name"].split("/"))
        times[key] = o["cpu_time"] * TO_NS[o["time_unit"]]
    return times, with_aggregates


def verdict(met):
    return "met" if met else "**missed**"


def ratio_table(times):
    rows = []
    groups = list(dict.fromkeys((op, kind) for op, kind, _, _ in times))
    for op, kind in groups:
        ours = [times.get((op, kind, size, "ct_string")) for size in SIZES]
        theirs = [times.get((op, kind, size, "std_string")) for size in SIZES]
        if None in ours or None in theirs:
            continue
        ratios = [a / b for a, b in zip(ours, theirs)]
        growth_ours, growth_theirs = ours[2] / ours[1], theirs[2] / theirs[1]
        aim = RATIO_AIMS.get(op)
        ratio_aim = f"≤ {aim}x: {verdict(max(ratios) <= aim)}" if aim else "–"
        rows.append([op, kind] + [f"{r:.2f}" for r in ratios] +
                    [f"{growth_ours:.1f}", f"{growth_theirs:.1f}", ratio_aim,
                     verdict(growth_ours <= LINEAR_LIMIT)])
    return (["Operation", "Text", "CT/std 1 KiB", "CT/std 64 KiB", "CT/std 1 MiB",
             "CT 1M/64K", "std 1M/64K", "Ratio aim", "Linear"], rows)


def time_table(times):
    rows = []
    groups = list(dict.fromkeys((op, kind) for op, kind, _, _ in times))
    for op, kind in groups:
        for side in ("ct_string", "std_string"):
            cells = [times.get((op, kind, size, side)) for size in SIZES]
            rows.append([op, kind, side] +
                        ["" if t is None else f"{t / 1e3:.3f}" for t in cells])
    return (["Operation", "Text", "Type", "1 KiB (µs)", "64 KiB (µs)", "1 MiB (µs)"], rows)


def print_table(header, rows):
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(row) + " |")


def main():
    times, with_aggregates = read_times(sys.argv[1])
    print("\nCT_String against std::string, "
          + ("medians of the repetitions" if with_aggregates else "one repetition")
          + ", CPU time:\n")
    print_table(*ratio_table(times))
    print(f"\n'Linear': CT_String's time grows at most {LINEAR_LIMIT}x from 64 KiB to 1 MiB"
          " (16x is linear, 256x quadratic).\n\nTimes:\n")
    print_table(*time_table(times))


if __name__ == "__main__":
    main()
