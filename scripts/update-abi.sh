#!/usr/bin/env bash
# Writes the binary-interface baselines under abi/ again, from the Linux
# builds (64 and 32 bits) and both Windows builds. Run it only for a
# deliberate change of the interface, commit the baselines with the change,
# and say in CHANGELOG.md what changed for host modules.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in native native32 win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  WRITE=1 ctest --test-dir "build/$preset" -R '^abi_baseline_test$' --output-on-failure
done
git status --short abi/
