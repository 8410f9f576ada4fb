#!/usr/bin/env bash
# Builds the library for both targets and says where each one is.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

for preset in native win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target ctcommon
done

echo
echo "Windows DLL:         $(ls build/win32/bin/ctcommon.dll)"
echo "  import library:    $(ls build/win32/lib/*.dll.a)"
echo "  runtime beside it: $(cd build/win32/bin && ls libgcc_s_dw2-1.dll libwinpthread-1.dll | tr '\n' ' ')"
echo "Linux shared object: $(ls build/native/lib/libctcommon.so)"
