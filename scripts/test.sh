#!/usr/bin/env bash
# Builds both targets and runs every test: the Linux shared object's under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows DLL's under
# Wine. Ends with ctest's summary for each build.
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
exit $status
