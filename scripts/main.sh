#!/usr/bin/env bash
# The main job: builds and installs the library (Linux, and the Windows DLL
# beside it), builds the example host against each installed package as a
# host module would be built, and runs the typical request end to end twice:
# on Linux with ready answers for its terminal dialogs, then on the DLL
# under Wine, where a driver answers the real dialogs and closes the real
# error box from outside the host's process, as a person would.
#
# Wine runs headless (its null graphics driver) unless DISPLAY names a
# display: then the real windows appear there. On a machine that runs no
# 32-bit programs the DLL is built for 64 bits for this run (see test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

echo "=== building and installing the library into build/stage"
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target ctcommon
cmake --install build/native-release --prefix build/stage >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target ctcommon
cmake --install build/win32 --prefix build/stage-win32 >/dev/null

echo "=== building examples/ against the installed package"
cmake -S examples -B build/examples -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$PWD/build/stage" >/dev/null
cmake --build build/examples

answer_dir=$(mktemp -d)
echo "=== running build/examples/export_host; its dialogs are answered with $answer_dir/day,"
echo "    the same file with its extension, and the folder $answer_dir"
printf '%s\n%s\n\n%s\n' "$answer_dir/day" "$answer_dir/day.kdw" "$answer_dir" | build/examples/export_host

echo
source scripts/windows_example.sh
build_windows_example

prefix=$PWD/build/$win/wineprefix
if [ -n "${DISPLAY:-}" ]; then
  prefix=$PWD/build/$win/wineprefix-display
  export CTCOMMON_WINE_GRAPHICS=x11
fi
windows_answer_dir=$(mktemp -d) # a folder of its own: no earlier export file to replace
windows_dir="Z:$(printf '%s' "$windows_answer_dir" | tr / '\\')"
echo "=== running build/examples-$win/export_host.exe on the DLL under Wine"
echo "    a driver types $windows_dir\\day into its save dialog, closes its error box, adds"
echo "    that file in its multiple-file dialog and confirms its folder dialog"
# (Wine's note that it cannot read the label of drive Z: is left out.)
sh cmake/wine-run.sh "$prefix" "$arch" "build/$win/bin/drive_export_host.exe" \
   "build/examples-$win/export_host.exe" "$windows_dir\\day" "$windows_dir\\host-output.txt" \
   2> >(grep -v 'FS volume label' >&2)

echo
echo "Linux library:  build/stage/lib/libctcommon.so.1 (header build/stage/include/ctcommon.h)"
echo "Windows DLL:    build/stage-win32/bin/ctcommon.dll (import library build/stage-win32/lib/libctcommon.dll.a)"
echo "Run the example yourself: build/examples/export_host (type a file name at its prompt),"
echo "or on Windows build/examples-$win/export_host.exe beside the DLL it was built with"
