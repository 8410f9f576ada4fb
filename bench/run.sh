#!/usr/bin/env bash
# Builds the library without sanitizers and runs the benchmarks.
#   bash bench/run.sh [files|string|rewrite|all] [arguments...]
# The first argument picks the program (all by default); the others go to
# it: Google Benchmark's for rewrite (--benchmark_repetitions=3,
# --benchmark_filter=...), the programs' own for string and files
# (--rounds=N, --batch-ms=N, filters such as search/dbcs or lines-100).
# With all they go to rewrite alone, and string_bench takes
# CTCOMMON_BENCH_ROUNDS and CTCOMMON_BENCH_BATCH_MS from the environment.
#
# string_bench and files_bench run twice, on the Linux build and on the
# Windows DLL under Wine: the 32-bit DLL, or the 64-bit one where Wine's
# 32-bit loader does not start (a kernel without 32-bit emulation). Each
# prints its tables, against the standard library of its own program.
set -euo pipefail
cd "$(dirname "$0")/.."
program=all
case "${1:-}" in files | string | rewrite | all) program=$1; shift ;; esac
bash scripts/install-deps.sh
cmake --preset native-release >/dev/null
bin=build/native-release/bin

if [ "$program" = rewrite ] || [ "$program" = all ]; then
  # On the disk that holds the build: flushing a memory file system costs nothing.
  cmake --build --preset native-release --target rewrite_bench -j 2
  CTCOMMON_BENCH_DIR=${CTCOMMON_BENCH_DIR:-build/native-release} "$bin/rewrite_bench" "$@"
fi

# Runs one benchmark on the Linux build and on the DLL under Wine.
on_both_builds() {
  local name=$1
  shift
  local win=win32 arch=i686
  if ! wine_says=$(wine --version 2>&1); then
    echo "!!! Wine's 32-bit loader does not start on this machine: $wine_says"
    echo "!!! $name measures the 64-bit DLL (win64-release) instead of the 32-bit one."
    win=win64 arch=x86_64
  fi
  # Both builds first, so that a failing one stops the run before any timing.
  cmake --build --preset native-release --target "$name" -j 2
  cmake --preset "$win-release" >/dev/null
  cmake --build --preset "$win-release" --target "$name" -j 2
  echo "=== $name on the Linux build"
  "$bin/$name" "$@"
  # ctcommon.dll and the MinGW runtime DLLs lie beside the program; Wine
  # wants its prefix as an absolute path.
  echo "=== $name on the Windows DLL ($arch) under Wine"
  sh cmake/wine-run.sh "$PWD/build/$win-release/wineprefix" "$arch" \
    "build/$win-release/bin/$name.exe" "$@"
}

args=("$@")
[ "$program" = all ] && args=()
if [ "$program" = files ] || [ "$program" = all ]; then
  on_both_builds files_bench "${args[@]}"
fi
if [ "$program" = string ] || [ "$program" = all ]; then
  on_both_builds string_bench "${args[@]}"
fi
