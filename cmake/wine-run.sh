#!/bin/sh
# Runs a Windows program under Wine in the build's private prefix:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# The first run creates the prefix with the null graphics driver, so that
# windows, message boxes and common dialogs exist without a display.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No help viewer: a help request is then refused at once instead of
# starting a viewer that waits for a user. The tests check help requests
# through a recording stand-in.
export WINEDLLOVERRIDES="winhlp32.exe=d"
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.ctcommon-ready" ]; then
    # No Mono or Gecko installers: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.ctcommon-ready"
  fi
) 9>"$prefix.lock"
exec wine "$@"
