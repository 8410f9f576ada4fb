#!/usr/bin/env bash
# Builds the library without sanitizers and runs the benchmarks.
#   bash bench/run.sh [files|string|rewrite|all] [arguments...]
# The first argument picks the program (all by default); the others go to
# it: Google Benchmark's for files and rewrite (--benchmark_repetitions=3,
# --benchmark_filter=...), string_bench's own for string (--rounds=N,
# --batch-ms=N, filters such as search/dbcs). With all they go to files and
# rewrite, and string_bench takes CTCOMMON_BENCH_ROUNDS and
# CTCOMMON_BENCH_BATCH_MS from the environment.
#
# string_bench runs twice, on the Linux build and on the Windows DLL under
# Wine: the 32-bit DLL, or the 64-bit one where Wine's 32-bit loader does
# not start (a kernel without 32-bit emulation). Each prints its tables.
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
  string_args=("$@")
  [ "$program" = all ] && string_args=()
  win=win32 arch=i686
  if ! wine_says=$(wine --version 2>&1); then
    echo "!!! Wine's 32-bit loader does not start on this machine: $wine_says"
    echo "!!! The string benchmark measures the 64-bit DLL (win64-release) instead of the 32-bit one."
    win=win64 arch=x86_64
  fi
  # Both builds first, so that a failing one stops the run before any timing.
  cmake --build --preset native-release --target string_bench -j 2
  cmake --preset "$win-release" >/dev/null
  cmake --build --preset "$win-release" --target string_bench -j 2
  echo "=== string_bench on the Linux build"
  "$bin/string_bench" "${string_args[@]}"
  # ctcommon.dll and the MinGW runtime DLLs lie beside the program; Wine
  # wants its prefix as an absolute path.
  echo "=== string_bench on the Windows DLL ($arch) under Wine"
  sh cmake/wine-run.sh "$PWD/build/$win-release/wineprefix" "$arch" \
    "build/$win-release/bin/string_bench.exe" "${string_args[@]}"
fi
