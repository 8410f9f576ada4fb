#!/bin/sh
# Runs a 32-bit Linux program of this build under qemu's user-mode
# emulation, for machines whose kernel runs no 32-bit programs:
#   linux32-run.sh PROGRAM [ARGS...]
# The emulator cannot stop a program's threads as LeakSanitizer does at
# exit (it refuses the clone that this needs, and the check then waits for
# ever), so leak checking is off here; the 64-bit build checks leaks.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export ASAN_OPTIONS
exec qemu-i386-static -L / "$@"
