# The MinGW runtime DLLs that ctcommon.dll and the programs that catch its
# exceptions share: libgcc's unwinder (DWARF on i686, SEH on x86_64) and the
# threads library it needs.
# Every module that throws or catches across the DLL boundary links with
# CTCOMMON_MINGW_LINK_OPTIONS, so that all of them use this one unwinder;
# libstdc++ itself is linked into each module.
set(CTCOMMON_MINGW_LINK_OPTIONS -static-libstdc++ -shared-libgcc)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(CTCOMMON_MINGW_UNWINDER libgcc_s_seh-1.dll)
else()
  set(CTCOMMON_MINGW_UNWINDER libgcc_s_dw2-1.dll)
endif()
set(CTCOMMON_MINGW_RUNTIME_DLLS)
foreach(dll ${CTCOMMON_MINGW_UNWINDER} libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "The MinGW runtime DLL ${dll} was not found")
  endif()
  get_filename_component(path "${path}" REALPATH)
  list(APPEND CTCOMMON_MINGW_RUNTIME_DLLS "${path}")
endforeach()

# Beside the build's programs, so that they run under Wine as they are.
file(COPY ${CTCOMMON_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
