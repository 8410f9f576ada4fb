#!/usr/bin/env bash
# Builds both targets and runs every test: the Linux shared object's under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows DLL's under
# Wine; then a one-minute differential fuzz run of CT_String (fuzz/run.sh).
# Fails when any of them fails.
#
# The DLL's tests run under Wine's 32-bit loader. On a machine whose kernel
# runs no 32-bit programs (its ia32 emulation switched off) they cannot:
# there the 32-bit DLL is still built, and the same Windows code is built as
# a 64-bit DLL whose tests run under Wine's 64-bit loader, with every Win32
# call the real one. The run says so loudly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

presets=(native win32)
if ! wine_says=$(wine --version 2>&1); then
  echo "!!! Wine's 32-bit loader does not start on this machine: $wine_says"
  echo "!!! The 32-bit DLL is built but its tests cannot run here; they run on the 64-bit build (win64)."
  presets=(native win32-build-only win64)
fi

status=0
for preset in "${presets[@]}"; do
  if [ "$preset" = win32-build-only ]; then
    echo "=== win32 build (its tests under Wine cannot run on this machine)"
    cmake --preset win32 >/dev/null
    cmake --build --preset win32
    echo "=== win32 checks of the built DLL: its interface and its baseline"
    ctest --test-dir build/win32 -R '^(library_interface|abi_baseline)_test$' --output-on-failure ||
      status=1
    continue
  fi
  echo "=== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset tests"
  ctest --preset "$preset" || status=1
done
echo "=== CT_String fuzz run (60 s)"
bash fuzz/run.sh 60 || status=1
exit $status
