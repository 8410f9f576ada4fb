# A 32-bit Linux build's programs run directly where the machine runs
# 32-bit programs, and under qemu's user-mode emulation where it does not:
# decided once for the build folder, by building a small program with the
# build's sanitizers and trying to run it. A run that does not end in time
# counts as a failure: a machine that sends 32-bit programs to an emulator
# by itself runs them, but their leak check at exit then waits for ever.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()
if(NOT DEFINED CTCOMMON_LINUX32_EMULATED)
  set(probe_dir ${CMAKE_BINARY_DIR}/linux32-probe)
  file(WRITE ${probe_dir}/probe.cpp "int main() { return sizeof(void *) == 4 ? 0 : 1; }\n")
  set(probe_flags "")
  if(CTCOMMON_SANITIZE)
    set(probe_flags -fsanitize=address,undefined)
  endif()
  try_compile(probe_built ${probe_dir}/build ${probe_dir}/probe.cpp
              COMPILE_DEFINITIONS ${probe_flags} LINK_OPTIONS ${probe_flags}
              COPY_FILE ${probe_dir}/probe OUTPUT_VARIABLE probe_log)
  if(NOT probe_built)
    message(FATAL_ERROR "cannot build a 32-bit program (is g++-multilib installed?):\n${probe_log}")
  endif()
  execute_process(COMMAND ${probe_dir}/probe RESULT_VARIABLE probe_rc TIMEOUT 30
                  OUTPUT_QUIET ERROR_QUIET)
  if(probe_rc EQUAL 0)
    set(CTCOMMON_LINUX32_EMULATED OFF CACHE INTERNAL "")
  else()
    find_program(CTCOMMON_QEMU_I386 qemu-i386-static)
    if(NOT CTCOMMON_QEMU_I386)
      message(FATAL_ERROR "this machine runs no 32-bit programs (${probe_rc}) and qemu-i386-static is missing")
    endif()
    execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/linux32-run.sh ${probe_dir}/probe
                    RESULT_VARIABLE probe_rc TIMEOUT 30 OUTPUT_QUIET ERROR_QUIET)
    if(NOT probe_rc EQUAL 0)
      message(FATAL_ERROR "a 32-bit program runs neither directly nor under ${CTCOMMON_QEMU_I386} (${probe_rc})")
    endif()
    set(CTCOMMON_LINUX32_EMULATED ON CACHE INTERNAL "")
  endif()
endif()
if(CTCOMMON_LINUX32_EMULATED)
  message(STATUS "32-bit programs run under qemu-i386-static (this machine runs none)")
  set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/linux32-run.sh)
else()
  message(STATUS "32-bit programs run directly on this machine")
endif()
