#!/usr/bin/env bash
# The main job: builds and installs the library (Linux, and the Windows DLL
# beside it), builds the example host against each installed package as a
# host module would be built, and runs the typical request end to end twice,
# each time under the installed ctcommon-answer, which answers the host's
# dialogs and error box from examples/export_host.answers: on Linux on the
# terminal, then on the DLL under Wine in the real windows, from outside the
# host's process, as a person would.
#
# Wine runs headless (its null graphics driver) unless DISPLAY names a
# display: then the real windows appear there. On a machine that runs no
# 32-bit programs the DLL is also built for 64 bits for this run (see
# test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

echo "=== building and installing the library into build/stage"
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target ctcommon ctcommon_answer
cmake --install build/native-release --prefix build/stage >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target ctcommon ctcommon_answer
cmake --install build/win32 --prefix build/stage-win32 >/dev/null

echo "=== building examples/ against the installed package"
cmake -S examples -B build/examples -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$PWD/build/stage" >/dev/null
cmake --build build/examples

answer_dir=$(mktemp -d)
echo "=== running build/examples/export_host under build/stage/bin/ctcommon-answer in $answer_dir,"
echo "    which answers its dialogs from examples/export_host.answers"
(cd "$answer_dir" && "$OLDPWD/build/stage/bin/ctcommon-answer" "$OLDPWD/examples/export_host.answers" \
   "$OLDPWD/build/examples/export_host")

echo
source scripts/windows_example.sh
build_windows_example

export WINEPREFIX=$PWD/build/$win/wineprefix
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=$PWD/build/$win/wineprefix-display CTCOMMON_WINE_GRAPHICS=x11
fi
windows_answer_dir=$(mktemp -d) # a folder of its own: no earlier export file to replace
stage=$PWD/build/stage-$win
echo "=== running build/examples-$win/export_host.exe on the DLL under Wine, in $windows_answer_dir:"
echo "    build/stage-$win/bin/ctcommon-answer.exe answers its real windows from the same script"
# (Wine's note that it cannot read the label of drive Z: is left out.)
(cd "$windows_answer_dir" && "$stage/bin/ctcommon-wine" "$stage/bin/ctcommon-answer.exe" \
   "$OLDPWD/examples/export_host.answers" "$OLDPWD/build/examples-$win/export_host.exe") \
   2> >(grep -v 'FS volume label' >&2)

bits=32
[ "$win" = win64 ] && bits=64
echo
echo "Built and installed:"
echo "  Linux library:   build/stage/lib/libctcommon.so.1 (header build/stage/include/ctcommon.h)"
echo "  32-bit DLL:      build/stage-win32/bin/ctcommon.dll (import library build/stage-win32/lib/libctcommon.dll.a)"
if [ "$win" = win64 ]; then
  echo "  64-bit DLL:      build/stage-win64/bin/ctcommon.dll, the one that ran above: this machine runs no 32-bit programs"
fi
echo "Run the examples yourself:"
echo "  build/examples/export_host                      (type a file name at its prompt)"
echo "  build/stage-$win/bin/ctcommon-wine build/examples-$win/export_host.exe   (the $bits-bit DLL under Wine)"
