#!/usr/bin/env bash
# Builds the CT_String differential harness (preset fuzz: clang, ASan, UBSan,
# libFuzzer) and runs it for the given number of seconds, 60 by default, on
# a copy of the seed corpus in fuzz/corpus, which stays as it is. Further
# arguments go to libFuzzer (-runs=N, -jobs=N, ...). Fails when libFuzzer
# reports a difference from the model or a sanitizer error; the input is
# then in build/fuzz/artifacts/. Then runs the harness of the scanning
# primitives (scan_fuzz) for half as long.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
bash scripts/install-deps.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 >/dev/null

corpus=build/fuzz/run-corpus
artifacts=build/fuzz/artifacts
rm -rf "$corpus"
mkdir -p "$corpus" "$artifacts"
cp fuzz/corpus/* "$corpus/"

# Short allocation stacks make the runs a third faster; a crash report still
# shows the access itself in full. Replay without this for full stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=1}
if ! build/fuzz/bin/string_fuzz -max_total_time="$seconds" -max_len=512 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$@" "$corpus"; then
    echo "fuzz: FAILED: the harness found a difference or an error (input in $artifacts/)" >&2
    exit 1
fi
echo "fuzz: no difference found in $seconds s"

# The scanning primitives, for half as long, from an empty corpus: short
# inputs already reach every length and alignment that matters.
scan_corpus=build/fuzz/scan-corpus
rm -rf "$scan_corpus"
mkdir -p "$scan_corpus"
if ! build/fuzz/bin/scan_fuzz -max_total_time="$((seconds / 2))" -max_len=300 -print_final_stats=1 \
        -artifact_prefix="$artifacts/scan-" "$scan_corpus"; then
    echo "fuzz: FAILED: a scanning primitive differs from the plain walk (input in $artifacts/)" >&2
    exit 1
fi
echo "fuzz: the scanning primitives agree with the plain walks"
