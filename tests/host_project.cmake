# Steps of the tests that build a host project against an installed package
# and run it (cmake -P scripts): included by run_example_host.cmake and
# run_release_archive.cmake, which take STEP build or run.
if(NOT STEP MATCHES "^(build|run)$")
  message(FATAL_ERROR "STEP must be build or run, not '${STEP}'")
endif()

# Runs a command, shows its output and fails with it; its standard output
# is left in `output`.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${out}${err}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# Configures and builds a host project against the package at prefix, with
# the caller's TOOLCHAIN file and CXX_FLAGS (compile and link) where given;
# further arguments go to the configure step.
function(build_host source_dir build_dir prefix)
  set(configure ${CMAKE_COMMAND} -S ${source_dir} -B ${build_dir} -G Ninja
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH=${prefix} ${ARGN})
  if(TOOLCHAIN)
    list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
  endif()
  if(CXX_FLAGS)
    list(APPEND configure "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}")
  endif()
  run(${configure})
  run(${CMAKE_COMMAND} --build ${build_dir})
endfunction()

# Fails unless every line given is in the output of the host named.
function(expect_lines host output)
  foreach(line IN LISTS ARGN)
    string(FIND "${output}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "missing from the output of ${host}: ${line}")
    endif()
  endforeach()
endfunction()
