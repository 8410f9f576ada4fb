#!/bin/sh
# Runs a Windows program under Wine in the build's private prefix:
#   wine-run.sh PREFIX ARCH PROGRAM [ARGS...]
# ARCH is the build's processor: i686 runs under Wine's 32-bit loader,
# x86_64 under its 64-bit one. The first run creates the prefix with the
# null graphics driver, so that windows, message boxes and common dialogs
# exist without a display; with CTCOMMON_WINE_GRAPHICS=x11 it keeps Wine's
# X11 driver, which shows them on $DISPLAY.
set -e
prefix=$1
arch=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all
if [ "$arch" = x86_64 ]; then
  # Debian's wine command prefers the 32-bit loader; a 64-bit program runs
  # under the 64-bit loader and server.
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  wine=$WINELOADER
else
  wine=wine
fi
# No help viewer: a help request is then refused at once instead of
# starting a viewer that waits for a user. The tests check help requests
# through a recording stand-in.
export WINEDLLOVERRIDES="winhlp32.exe=d"
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.ctcommon-ready" ]; then
    # No Mono or Gecko installers: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1
    if [ "${CTCOMMON_WINE_GRAPHICS:-null}" = null ]; then
      "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    "${WINESERVER:-wineserver}" -w
    touch "$prefix/.ctcommon-ready"
  fi
) 9>"$prefix.lock"
exec "$wine" "$@"
