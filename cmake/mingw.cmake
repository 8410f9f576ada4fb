# Cross-compiling for Windows with mingw-w64, for the processor that the
# including toolchain file names in CTCOMMON_MINGW_ARCH. The library's
# package installs these files beside its CMake package, so that a host
# module builds with the compilers that built the DLL:
#   -DCMAKE_TOOLCHAIN_FILE=<prefix>/lib/cmake/ctcommon/toolchain-mingw-<arch>.cmake
#   -DCMAKE_PREFIX_PATH=<prefix>
# CTCOMMON_MINGW_THREADS chooses the compilers' thread model: posix (what
# the DLL is built with) or win32: a host built by either runs with the DLL
# (host_thread_model_test builds one with win32 and runs it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CTCOMMON_MINGW_ARCH})

set(CTCOMMON_MINGW_THREADS posix CACHE STRING "Thread model of the mingw-w64 compilers: posix or win32")
set_property(CACHE CTCOMMON_MINGW_THREADS PROPERTY STRINGS posix win32)
if(NOT CTCOMMON_MINGW_THREADS MATCHES "^(posix|win32)$")
  message(FATAL_ERROR "CTCOMMON_MINGW_THREADS is posix or win32, not '${CTCOMMON_MINGW_THREADS}'")
endif()
# Checks that CMake compiles in projects of their own read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CTCOMMON_MINGW_THREADS)

set(CMAKE_C_COMPILER ${CTCOMMON_MINGW_ARCH}-w64-mingw32-gcc-${CTCOMMON_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${CTCOMMON_MINGW_ARCH}-w64-mingw32-g++-${CTCOMMON_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${CTCOMMON_MINGW_ARCH}-w64-mingw32-windres)

# Libraries and headers from the mingw-w64 tree only; packages from there
# and from CMAKE_PREFIX_PATH, where the ctcommon package lies.
set(CMAKE_FIND_ROOT_PATH /usr/${CTCOMMON_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
