#!/usr/bin/env bash
# Photographs the real windows of the typical request on the DLL: runs the
# example host under Wine's X11 driver on a virtual display (Xvfb), types
# the answers into each window as a user does, and saves a PNG of the save
# dialog, the error box, the multiple-file dialog and the folder dialog
# under docs/screens/ (or the folder given), which the README shows.
#   bash scripts/screens.sh [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
out=${1:-docs/screens}

source scripts/windows_example.sh
build_windows_example
echo "=== photographing the example host's windows into $out"
bash tests/capture_screens.sh "build/examples-$win/export_host.exe" "$arch" \
     "$PWD/build/$win/wineprefix-screens" "$out"
