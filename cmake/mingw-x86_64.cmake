# The same Windows code as a 64-bit DLL, for machines whose kernel runs no
# 32-bit programs and so cannot run the 32-bit build's tests under Wine, and
# the 64-bit host modules that load it (installed as
# toolchain-mingw-x86_64.cmake).
set(CTCOMMON_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
