#!/usr/bin/env bash
# Makes, once, and proves a Wine that runs 32-bit Windows programs without
# any 32-bit Linux support: Debian unstable's Wine 10, built in Wine's
# WoW64 mode, whose 64-bit loader runs 32-bit Windows code inside a 64-bit
# process. It needs a newer C library than the machine's, so it lives in a
# root folder of its own, made with debootstrap from the Debian archive that
# apt already uses, and kept for later runs:
#
#   CTCOMMON_WOW64_ROOT   the root (default /var/cache/ctcommon/wine-wow64;
#                         about 1.5 GB), its wrappers in ROOT-bin
#
# Prints the wrappers' folder (wine, wineserver) on its last line and exits
# 0 once a 32-bit program has run in the root; exits 1, saying why, when the
# root cannot be made or does not run one. Needs root, as the install step
# does.
set -euo pipefail
root=${CTCOMMON_WOW64_ROOT:-/var/cache/ctcommon/wine-wow64}
bin=$root-bin

say() { echo "wow64-wine: $*" >&2; }
fail() {
  say "$*"
  exit 1
}

# The archive that apt already uses.
archive() {
  local uri
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1 | cut -d' ' -f1)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" { print ($2 ~ /^\[/ ? $3 : $2); exit }' /etc/apt/sources.list 2>/dev/null)
  [ -n "$uri" ] || return 1
  echo "$uri"
}

# The wrappers: each enters the root in a mount namespace of its own, with
# the host's /tmp, $HOME and the folders that the program and its prefix
# lie in at the same paths, so that every name means the same inside and
# out, and runs the root's program there.
write_wrappers() {
  mkdir -p "$bin"
  cat >"$bin/enter" <<EOF
#!/bin/sh
# Runs a program of the WoW64 Wine root (written by scripts/wow64-wine.sh):
#   enter PROGRAM-IN-ROOT [ARGUMENTS...]
set -e
root='$root'
inner=\$1
shift
mount -t proc proc "\$root/proc"
mount --rbind /dev "\$root/dev"
mount --rbind /sys "\$root/sys"
# The first folder of each path that the program may name, once each.
bound=' '
bind() {
  case \$1 in /*) ;; *) return 0 ;; esac
  top=/\$(printf '%s' "\$1" | cut -d/ -f2)
  case \$top in / | /proc | /dev | /sys | /usr | /etc | /var | /bin | /sbin | /lib | /lib32 | /lib64 | /boot | /run) return 0 ;; esac
  case \$bound in *" \$top "*) return 0 ;; esac
  [ -d "\$top" ] || return 0
  bound="\$bound\$top "
  mkdir -p "\$root\$top"
  mount --rbind "\$top" "\$root\$top"
}
bind /tmp
bind "\${HOME:-/root}"
bind "\$PWD"
bind "\${WINEPREFIX:-}"
for word in "\$@"; do bind "\$word"; done
# The host's server and loader are another Wine's: never these.
unset WINESERVER WINELOADER
exec chroot "\$root" /usr/bin/env PATH=/usr/bin:/bin \\
  /bin/sh -c 'cd "\$1" && shift && exec "\$@"' enter "\$PWD" "\$inner" "\$@"
EOF
  for name in wine wineserver; do
    inner=/usr/bin/wine
    [ "$name" = wineserver ] && inner=/usr/lib/x86_64-linux-gnu/wine/wineserver
    cat >"$bin/$name" <<EOF
#!/bin/sh
# $name of the WoW64 Wine root $root (written by scripts/wow64-wine.sh).
exec unshare --mount --propagation private --fork /bin/sh '$bin/enter' '$inner' "\$@"
EOF
  done
  chmod +x "$bin/enter" "$bin/wine" "$bin/wineserver"
}

make_root() {
  if ! command -v debootstrap >/dev/null; then
    # apt's lists may be missing on a machine that lacked nothing else.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null 2>&1 || {
      apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    } || fail "cannot install debootstrap"
  fi
  local uri
  uri=$(archive) || fail "no Debian archive found in apt's sources"
  local new=$root.new
  rm -rf "$new"
  mkdir -p "$(dirname "$root")"
  say "making the root $root from $uri (Debian unstable, minbase; a few minutes, once)"
  debootstrap --variant=minbase --arch=amd64 sid "$new" "$uri" >"$new.log" 2>&1 ||
    fail "debootstrap failed; see $new.log"
  cp /etc/resolv.conf "$new/etc/resolv.conf" 2>/dev/null || true
  # That suite's Release file may have expired: its dates are not checked.
  unshare --mount --propagation private --fork /bin/sh -c '
    set -e
    mount -t proc proc "$1/proc"
    mount --rbind /dev "$1/dev"
    mount --rbind /sys "$1/sys"
    chroot "$1" /usr/bin/env PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive sh -c "
      apt-get -qq -o Acquire::Check-Valid-Until=false update &&
      apt-get -qq -o Acquire::Check-Valid-Until=false install -y --no-install-recommends wine wine64 &&
      apt-get clean"
  ' make "$new" >>"$new.log" 2>&1 || fail "installing Wine in the root failed; see $new.log"
  [ -d "$new/usr/lib/x86_64-linux-gnu/wine/i386-windows" ] && [ -f "$new/usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll" ] ||
    fail "the archive's Wine has no 32-bit Windows DLLs (i386-windows): it is not built for WoW64"
  rm -rf "$root"
  mv "$new" "$root"
  mv "$new.log" "$root.log"
}

# Runs a 32-bit console program in the root: it must say that it runs
# under WoW64 with 4-byte pointers.
prove() {
  local work
  work=$(mktemp -d)
  cat >"$work/probe.c" <<'EOF'
#include <stdio.h>
#include <windows.h>
int main(void) {
    BOOL b_wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &b_wow64);
    printf("wow64 %d pointer %d\n", (int)b_wow64, (int)sizeof(void *));
    return 0;
}
EOF
  i686-w64-mingw32-gcc -o "$work/probe.exe" "$work/probe.c" || fail "cannot build the 32-bit probe"
  local said
  said=$(cd "$work" && WINEPREFIX=$work/prefix WINEDEBUG=-all timeout 300 "$bin/wine" "$work/probe.exe" 2>&1 | tr -d '\r' | tail -1) || true
  WINEPREFIX=$work/prefix "$bin/wineserver" -k 2>/dev/null || true
  rm -rf "$work"
  [ "$said" = "wow64 1 pointer 4" ] || fail "a 32-bit program does not run in the root: \"$said\""
  say "a 32-bit Windows program runs in $root under $("$bin/wine" --version 2>/dev/null) in WoW64 mode"
}

[ -f "$root/.ctcommon-ready" ] || {
  make_root
  touch "$root/.ctcommon-ready"
}
write_wrappers
prove
echo "$bin"
