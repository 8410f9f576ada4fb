# Sourced by test.sh and windows_example.sh: chooses, by trying, the Wine
# that runs 32-bit Windows programs here, and says which ran:
# - the machine's own Wine, where its 32-bit loader starts (a kernel that
#   runs 32-bit programs);
# - else, or whenever CTCOMMON_WOW64=1 forces it, Wine 10 in WoW64 mode
#   from the root that scripts/wow64-wine.sh makes once and keeps. Its
#   wrappers then come first on PATH and CTCOMMON_WOW64=1 is exported, so
#   that every Windows program of the run (ctest's runner, ctcommon-wine)
#   runs under it.
# Sets wine_lane: machine, wow64, or none when neither runs them.
choose_wine_lane() {
  local forced=${CTCOMMON_WOW64:-} said why bin
  wine_lane=none
  if [ "$forced" != 1 ] && said=$(wine --version 2>&1); then
    wine_lane=machine
    echo "=== 32-bit Windows programs run under the machine's Wine ($said), its 32-bit loader"
    return 0
  fi
  if [ "$forced" = 1 ]; then
    why="CTCOMMON_WOW64=1 asks for it"
  else
    why="the machine's 32-bit loader does not start: ${said:-no Wine}"
  fi
  if bin=$(bash "$(dirname "${BASH_SOURCE[0]}")/wow64-wine.sh" | tail -1) && [ -x "$bin/wine" ]; then
    export CTCOMMON_WOW64=1 PATH="$bin:$PATH"
    wine_lane=wow64
    echo "=== 32-bit Windows programs run under $(wine --version) in WoW64 mode, from ${bin%-bin} ($why)"
    return 0
  fi
  unset CTCOMMON_WOW64
  echo "!!! No Wine in WoW64 mode could be made here ($why)."
  if said=$(wine --version 2>&1); then
    wine_lane=machine
    echo "!!! 32-bit Windows programs run under the machine's Wine ($said) instead"
  else
    echo "!!! and the machine's 32-bit loader does not start: no 32-bit Windows program runs here"
  fi
}
