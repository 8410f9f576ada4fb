#!/bin/sh
# ctcommon-wine: runs a Windows program of the package under Wine on Linux.
#   ctcommon-wine PROGRAM.exe [ARGUMENTS...]
# The program's own processor (or CTCOMMON_WINE_ARCH, i686 or x86_64)
# picks Wine's loader: a 64-bit program runs
# under the 64-bit loader, which plain `wine` does not choose on Debian, a
# 32-bit one under the 32-bit loader, which needs a kernel that runs 32-bit
# programs. Where that loader does not start, or whenever CTCOMMON_WOW64=1
# asks for it, a 32-bit program runs under Wine 10 in WoW64 mode (32-bit
# Windows code inside a 64-bit process) from the root folder
# CTCOMMON_WOW64_ROOT (default /var/cache/ctcommon/wine-wow64), which the
# library's scripts/wow64-wine.sh makes. ctcommon.dll and its runtime DLLs
# are found in the folder of this script (the package's bin folder),
# through WINEPATH.
#
# The prefix is WINEPREFIX, else one of this user's for the processor and
# the Wine (~/.cache/ctcommon-wine-ARCH, -i686-wow64 for the WoW64 Wine); a
# prefix that this script made for the other Wine is made anew, since the
# two Wines do not share one. A prefix that it creates has Wine's null
# graphics driver when DISPLAY is unset, so that windows, message boxes and
# dialogs exist without a display (ctcommon-answer works them), and its X11
# driver when DISPLAY is set; CTCOMMON_WINE_GRAPHICS=null|x11 decides
# instead. Help viewers are switched off: a help request returns at once.
set -e
if [ $# -lt 1 ]; then
  echo "usage: ctcommon-wine PROGRAM.exe [ARGUMENTS...]" >&2
  exit 2
fi
program=$1
# The machine field of the PE header, whose offset is at 0x3C; a program of
# Wine's own (reg, for instance) is named with CTCOMMON_WINE_ARCH instead.
arch=${CTCOMMON_WINE_ARCH:-}
if [ -z "$arch" ]; then
  if [ ! -f "$program" ]; then
    echo "ctcommon-wine: no program $program (for one of Wine's own, set CTCOMMON_WINE_ARCH)" >&2
    exit 2
  fi
  pe=$(od -An -t u4 -j 60 -N 4 "$program" | tr -d ' ')
  case $(od -An -t x2 -j $((pe + 4)) -N 2 "$program" | tr -d ' ') in
  8664) arch=x86_64 ;;
  014c) arch=i686 ;;
  *)
    echo "ctcommon-wine: $program is not a 32-bit or 64-bit x86 Windows program" >&2
    exit 2
    ;;
  esac
fi
case $arch in
i686 | x86_64) ;;
*)
  echo "ctcommon-wine: CTCOMMON_WINE_ARCH is i686 or x86_64, not $arch" >&2
  exit 2
  ;;
esac

kind=machine
if [ "$arch" = x86_64 ]; then
  for loader in /usr/lib/wine/wine64 "$(command -v wine64 || true)"; do
    [ -x "$loader" ] && break
  done
  export WINELOADER="$loader"
  [ -x /usr/lib/wine/wineserver64 ] && export WINESERVER=/usr/lib/wine/wineserver64
else
  loader=wine
  wow64=${CTCOMMON_WOW64_ROOT:-/var/cache/ctcommon/wine-wow64}-bin
  if [ "${CTCOMMON_WOW64:-}" = 1 ] || ! wine --version >/dev/null 2>&1; then
    if [ ! -x "$wow64/wine" ]; then
      echo "ctcommon-wine: Wine's 32-bit loader does not start here (the kernel runs no" >&2
      echo "32-bit programs?), and there is no Wine in WoW64 mode at ${wow64%-bin}: make one" >&2
      echo "with the library's scripts/wow64-wine.sh (as root), or run a 64-bit build" >&2
      exit 2
    fi
    loader=$wow64/wine kind=wow64
    export WINESERVER=$wow64/wineserver
  fi
fi
suffix=
[ "$kind" = wow64 ] && suffix=-wow64
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/ctcommon-wine-$arch$suffix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winhlp32.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
bin=$(cd "$(dirname "$0")" && pwd)
if [ -f "$bin/ctcommon.dll" ]; then
  export WINEPATH="Z:$(printf '%s' "$bin" | tr / '\\')${WINEPATH:+;$WINEPATH}"
fi
if [ -z "${CTCOMMON_WINE_GRAPHICS:-}" ]; then
  if [ -n "${DISPLAY:-}" ]; then CTCOMMON_WINE_GRAPHICS=x11; else CTCOMMON_WINE_GRAPHICS=null; fi
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # The Wine that made the prefix, in its mark; none said: the machine's.
  if [ -f "$WINEPREFIX/.ctcommon-ready" ] &&
    [ "$(cat "$WINEPREFIX/.ctcommon-ready")" != "${kind#machine}" ]; then
    echo "ctcommon-wine: $WINEPREFIX was made by the other Wine: making it anew" >&2
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/.ctcommon-ready" ]; then
    # No Mono or Gecko installers: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" wineboot -i >/dev/null 2>&1
    if [ "$CTCOMMON_WINE_GRAPHICS" = null ]; then
      "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    "${WINESERVER:-wineserver}" -w
    printf '%s' "${kind#machine}" >"$WINEPREFIX/.ctcommon-ready"
  fi
) 9>"$WINEPREFIX.lock"
exec "$loader" "$@"
