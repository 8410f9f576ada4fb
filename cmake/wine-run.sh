#!/bin/sh
# Runs a Windows program of the build under Wine in the build's private
# prefix:
#   wine-run.sh PREFIX ARCH PROGRAM [ARGS...]
# ctcommon-wine (installed with the package) does the work; ARCH is the
# build's processor, which picks the loader, also for Wine's own programs
# (reg). The first run creates the prefix with the null graphics driver
# unless CTCOMMON_WINE_GRAPHICS=x11 keeps Wine's X11 driver, which shows
# the windows on $DISPLAY.
set -e
export WINEPREFIX=$1 CTCOMMON_WINE_ARCH=$2
shift 2
export CTCOMMON_WINE_GRAPHICS="${CTCOMMON_WINE_GRAPHICS:-null}"
exec sh "$(dirname "$0")/ctcommon-wine.sh" "$@"
