#!/usr/bin/env bash
# Runs the example host on the DLL under Wine's X11 driver, on a virtual
# display of its own with a window manager (openbox) that draws each
# window's title bar, answers each real window of the typical request as a
# user does (keys typed into the window) and photographs it first, frame
# and all:
#   capture_screens.sh EXAMPLE_EXE ARCH WINE_PREFIX OUT_DIR
# Writes save-dialog.png, error-box.png, add-files.png and
# folder-dialog.png into OUT_DIR. Fails when the window manager does not
# start, when a window does not appear with its caption, or the host does
# not end its request.
# The prefix is set to 120 dots per inch (Windows' 125 %): at Wine's
# default 96 the message box is sized for narrower glyphs than its text
# draws, and the last letters of its longest line are cut off.
set -euo pipefail
exe=$1 arch=$2 prefix=$3 out=$4
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
work=$(mktemp -d)

# A free display, as the server reports it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.txt" &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
# Says so when the virtual display has ended, with what Xvfb printed: the
# windows were then lost with it.
display_gone() {
  kill -0 "$xvfb" 2>/dev/null && return 0
  echo "the virtual display $DISPLAY has ended; Xvfb printed:" >&2
  cat "$work/xvfb.txt" >&2
}
wm=
cleanup() {
  WINEPREFIX=$prefix "${WINESERVER:-wineserver}" -k 2>/dev/null || true
  [ -z "$wm" ] || kill "$wm" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
[ "$arch" = x86_64 ] && export WINESERVER=/usr/lib/wine/wineserver64

# The window manager, running once it has announced itself on the root
# window; the windows shown before that would have no frame.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
openbox --sm-disable >"$work/wm.txt" 2>&1 &
wm=$!
for _ in $(seq 100); do
  wm_running && break
  kill -0 "$wm" 2>/dev/null || break
  sleep 0.1
done
if ! wm_running; then
  echo "the window manager (openbox) did not start on $DISPLAY; it printed:" >&2
  cat "$work/wm.txt" >&2
  display_gone
  exit 1
fi

# The prefix (made here with the X11 driver on its first run) at 120 dots
# per inch, before the host starts.
CTCOMMON_WINE_GRAPHICS=x11 sh "$root/cmake/wine-run.sh" "$prefix" "$arch" \
  reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null

# Run in the work folder, where the save dialog then starts.
exe=$(realpath "$exe")
(cd "$work" && CTCOMMON_WINE_GRAPHICS=x11 exec sh "$root/cmake/wine-run.sh" "$prefix" "$arch" "$exe") \
  >"$work/output.txt" 2>&1 &
host=$!

# The shown window with exactly that caption, waited for up to a minute
# (the first run creates the prefix).
window() {
  local id
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$host" 2>/dev/null || break
    sleep 0.1
  done
  echo "the window \"$1\" did not appear; the host printed:" >&2
  cat "$work/output.txt" >&2
  display_gone
  return 1
}

# Photographs the window with its frame once it has drawn itself (the
# picture is then taller than the window by the title bar), then types
# into it.
shoot_and_answer() {
  local caption=$1 file=$2 id height
  shift 2
  id=$(window "$caption")
  sleep 1.5
  import -window "$id" -frame -strip "$out/$file"
  height=$(xwininfo -id "$id" | sed -n 's/^ *Height: *//p')
  if [ "$(identify -format %h "$out/$file")" -le "$height" ]; then
    echo "the window \"$caption\" was photographed without a title bar" >&2
    return 1
  fi
  echo "photographed \"$caption\": $out/$file"
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  for keys in "$@"; do
    case $keys in
    type:*) xdotool type --delay 20 "${keys#type:}" ;;
    *) xdotool key "$keys" ;;
    esac
    sleep 0.3
  done
}

answer="Z:$(printf '%s' "$work" | tr / '\\')\\day"
shoot_and_answer "Select Export File" save-dialog.png "type:$answer" Return
shoot_and_answer "Error" error-box.png Return
shoot_and_answer "Add Files" add-files.png "type:day.kdw" Return
shoot_and_answer "Browse for Folder" folder-dialog.png Return

for _ in $(seq 300); do kill -0 "$host" 2>/dev/null || break; sleep 0.1; done
if ! grep -q "^from .*: day.kdw" "$work/output.txt" || ! grep -q "^folder: " "$work/output.txt"; then
  echo "the host did not finish its request; it printed:" >&2
  cat "$work/output.txt" >&2
  exit 1
fi
echo "the host ended its request:"
grep -E "^(Chosen|from|no files|folder|no folder)" "$work/output.txt" | tr -d "\r"
