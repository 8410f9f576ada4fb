#!/usr/bin/env bash
# Builds every target and runs every test: the Linux shared object's, as a
# 64-bit and as a 32-bit program, under AddressSanitizer and
# UndefinedBehaviorSanitizer; the Windows DLL's under Wine; then a minute of
# differential fuzzing of CT_String (fuzz/run.sh) and bounded fuzz runs of
# the 32-bit build. Fails when any of them fails.
#
# 32-bit programs: where the machine's kernel runs none (its ia32 emulation
# switched off), the 32-bit Linux build's tests run under qemu's user-mode
# emulation (the build decides by trying, cmake/linux32-emulator.cmake),
# and the 32-bit DLL's under Wine 10 in WoW64 mode, from a root folder made
# once (scripts/wow64-wine.sh); CTCOMMON_WOW64=1 runs them so on any
# machine (scripts/wine-lane.sh decides by trying and says which Wine ran).
# The 64-bit DLL's tests run too, under the machine's 64-bit Wine. Only
# where no Wine runs 32-bit programs are the 32-bit DLL and its tests built
# without running, which the run says loudly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

source scripts/wine-lane.sh
choose_wine_lane
presets=(native native32 win32 win64)
if [ "$wine_lane" = none ]; then
  echo "!!! The 32-bit DLL and its tests are built but cannot run here; they run on the 64-bit build (win64)."
  presets=(native native32 win32-build-only win64)
fi

# Configures a preset, showing only how its programs run.
configure() {
  cmake --preset "$1" | { grep -E '^-- 32-bit programs' || true; }
}

status=0
for preset in "${presets[@]}"; do
  if [ "$preset" = win32-build-only ]; then
    echo "=== win32 build, its tests included (they cannot run under Wine on this machine)"
    configure win32
    cmake --build --preset win32
    echo "=== win32 checks that need no Windows program to run: the DLL's interface and"
    echo "    baseline, the example hosts built against the installed package, and the"
    echo "    two-line host built from the release archive (also by the win32-threads compilers)"
    ctest --test-dir build/win32 \
          -R '^(library_interface|abi_baseline|example_build|release_archive_build|host_thread_model_build)_test$' \
          --output-on-failure || status=1
    continue
  fi
  echo "=== $preset build"
  configure "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset tests"
  ctest --preset "$preset" || status=1
done
echo "=== CT_String fuzz run (60 s)"
bash fuzz/run.sh 60 || status=1
echo "=== 32-bit fuzz runs, a fixed number of cases each"
configure fuzz32
cmake --build --preset fuzz32 >/dev/null
ctest --preset fuzz32 || status=1
exit $status
