#!/usr/bin/env bash
# Installs, on a Debian machine and as root, what building and testing need
# and the machine lacks: the native toolchain with GoogleTest, its 32-bit
# libraries (g++-multilib) with qemu's user-mode emulator for machines that
# run no 32-bit programs, the ABI tools (abidw, abidiff) that compare the
# interface with its baseline, a virtual display with a window manager and
# the tools that drive and photograph Wine's windows, clang with its
# fuzzing runtime (fuzz/), the MinGW-w64 cross compilers, and Wine to run
# the Windows tests (32-bit, and 64-bit for machines that run no 32-bit
# programs).
set -euo pipefail

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for package in cmake ninja-build g++ g++-multilib qemu-user-static binutils pkg-config \
               libgtest-dev googletest libbenchmark-dev util-linux \
               abigail-tools xvfb openbox x11-utils xdotool imagemagick fonts-wine \
               clang libclang-rt-14-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64; do
  installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
