#!/usr/bin/env bash
# Builds both targets and runs every test: the Linux shared object's under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows DLL's under
# Wine; then a one-minute differential fuzz run of CT_String (fuzz/run.sh).
# Fails when any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

status=0
for preset in native win32; do
  echo "=== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset tests"
  ctest --preset "$preset" || status=1
done
echo "=== CT_String fuzz run (60 s)"
bash fuzz/run.sh 60 || status=1
exit $status
