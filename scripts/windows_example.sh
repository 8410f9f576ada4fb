# Sourced by main.sh and screens.sh: builds and installs the Windows build
# that this machine can run (the 32-bit DLL, under the machine's Wine or
# Wine in WoW64 mode; the 64-bit one where neither runs) into
# build/stage-<preset>, and builds examples/ against that package as a host module is built, with the
# package's own toolchain file. Sets `win` (the preset) and `arch` (the
# processor).
build_windows_example() {
  win=win32 arch=i686
  source scripts/wine-lane.sh
  choose_wine_lane
  if [ "$wine_lane" = none ]; then
    echo "!!! No Wine runs 32-bit programs here: the DLL's run below is the 64-bit build's"
    win=win64 arch=x86_64
  fi
  cmake --preset "$win" >/dev/null
  cmake --build --preset "$win" --target ctcommon ctcommon_answer
  cmake --install "build/$win" --prefix "build/stage-$win" >/dev/null
  echo "=== building examples/ for Windows against the installed DLL (build/stage-$win)"
  cmake -S examples -B "build/examples-$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/build/stage-$win/lib/cmake/ctcommon/toolchain-mingw-$arch.cmake" \
        -DCMAKE_PREFIX_PATH="$PWD/build/stage-$win" >/dev/null
  cmake --build "build/examples-$win"
}
