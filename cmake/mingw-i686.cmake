# The 32-bit Windows DLL, and the host modules that load it (the package
# installs this file as toolchain-mingw-i686.cmake).
set(CTCOMMON_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# SSE2, which every x86 processor since the Pentium 4 has and Windows 8 and
# later require: the string scanning works on 16 bytes at a time with it.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")
