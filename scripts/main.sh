#!/usr/bin/env bash
# The main job: builds and installs the library (Linux, and the Windows DLL
# beside it), builds the example host against the installed package as a
# host module would be built, and runs it with a ready answer for its file
# chooser, so that the typical request runs end to end.
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
echo "=== running build/examples/export_host; its chooser is answered with $answer_dir/day"
echo "$answer_dir/day" | build/examples/export_host

echo
echo "Linux library:  build/stage/lib/libctcommon.so.1 (header build/stage/include/ctcommon.h)"
echo "Windows DLL:    build/stage-win32/bin/ctcommon.dll (import library build/stage-win32/lib/libctcommon.dll.a)"
echo "Run the example yourself: build/examples/export_host (type a file name at its prompt)"
