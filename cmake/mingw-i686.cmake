# The 32-bit Windows DLL: what host modules run.
set(CTCOMMON_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
