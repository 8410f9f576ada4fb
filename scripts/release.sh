#!/usr/bin/env bash
# The release archives, by one command: builds the release presets (the
# 32-bit and the 64-bit DLL, the Linux library; optimised, no sanitizers)
# and packs each build's installed package with cpack into build/release:
#   ctcommon-<version>-win32.zip, ctcommon-<version>-win64.zip,
#   ctcommon-<version>-linux-x86_64.tar.gz
# Each holds what `cmake --install` installs (cmake/install.cmake) under one
# top folder of the archive's name. The tests make and use the same archive
# of each test build (release_archive_test).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

out=build/release
rm -rf "$out"
mkdir -p "$out"
for preset in win32-release win64-release native-release; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cpack --config "build/$preset/CPackConfig.cmake" -B "$out" | grep -E '^CPack: - package'
done
rm -rf "$out/_CPack_Packages"
echo "=== archives in $out"
ls -l "$out"
