#!/usr/bin/env bash
# Builds the Linux library without sanitizers and runs the benchmarks.
#   bash bench/run.sh [files|string|rewrite|all] [Google Benchmark arguments...]
# The first argument picks the program (all by default); the others go to
# Google Benchmark (--benchmark_repetitions=3, --benchmark_filter=search, ...).
# string_bench ends with the tables of bench/string_table.py, computed from
# the JSON output of that same run (kept in build/native-release/).
set -euo pipefail
cd "$(dirname "$0")/.."
program=all
case "${1:-}" in files | string | rewrite | all) program=$1; shift ;; esac
bash scripts/install-deps.sh
cmake --preset native-release >/dev/null
bin=build/native-release/bin

if [ "$program" = files ] || [ "$program" = all ]; then
  cmake --build --preset native-release --target files_bench -j 2
  "$bin/files_bench" "$@"
fi
if [ "$program" = rewrite ] || [ "$program" = all ]; then
  # On the disk that holds the build: flushing a memory file system costs nothing.
  cmake --build --preset native-release --target rewrite_bench -j 2
  CTCOMMON_BENCH_DIR=${CTCOMMON_BENCH_DIR:-build/native-release} "$bin/rewrite_bench" "$@"
fi
if [ "$program" = string ] || [ "$program" = all ]; then
  cmake --build --preset native-release --target string_bench -j 2
  json=build/native-release/string_bench.json
  "$bin/string_bench" --benchmark_out="$json" --benchmark_out_format=json "$@"
  python3 bench/string_table.py "$json"
fi
