#!/usr/bin/env bash
# Builds the Linux library without sanitizers and runs the benchmarks;
# extra arguments go to Google Benchmark (--benchmark_filter=Short, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target files_bench
build/native-release/bin/files_bench "$@"
