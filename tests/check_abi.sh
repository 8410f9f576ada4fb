#!/bin/sh
# Compares the library's binary interface with the baseline under abi/:
#   check_abi.sh native LIBRARY BASELINE
#   check_abi.sh windows DLL SIZES_OBJECT BASELINE OBJDUMP
# Linux: abidiff between the baseline's ABI description and the library
# (its DWARF holds the classes' members, their types and offsets). Windows:
# the DLL's exported names and the classes' sizes against a list. With
# WRITE=1 it writes the baseline instead: a deliberate change of the
# interface updates it in the same commit, with a line in CHANGELOG.md.
set -eu
mode=$1

case $mode in
native)
  lib=$2 baseline=$3
  if [ "${WRITE:-0}" = 1 ]; then
    abidw --no-corpus-path --no-comp-dir-path --no-elf-needed --no-show-locs \
          --exported-interfaces-only --drop-undefined-syms --out-file "$baseline" "$lib"
    echo "wrote $baseline"
    exit 0
  fi
  if abidiff "$baseline" "$lib"; then
    echo "the binary interface is the baseline's ($baseline)"
    exit 0
  fi
  ;;
windows)
  dll=$2 sizes=$3 baseline=$4 objdump=$5
  current=$(
    "$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      grep -o '_Z[A-Za-z0-9_]*' | sort | sed 's/^/export /'
    strings -a "$sizes" | sed -n 's/^ct-abi //p' | sort
  )
  if [ "${WRITE:-0}" = 1 ]; then
    printf '%s\n' "$current" >"$baseline"
    echo "wrote $baseline"
    exit 0
  fi
  if printf '%s\n' "$current" | diff -u "$baseline" -; then
    echo "the binary interface is the baseline's ($baseline)"
    exit 0
  fi
  ;;
*)
  echo "usage: $0 native|windows ..." >&2
  exit 2
  ;;
esac
echo "The binary interface differs from $baseline. If the change is deliberate,"
echo "write the baselines again (bash scripts/update-abi.sh) and note it in CHANGELOG.md."
exit 1
