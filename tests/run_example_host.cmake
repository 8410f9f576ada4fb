# Installs the build into a staging prefix, builds examples/ against it with
# find_package as a separate project, and runs the example host, its save
# dialog answered: on Linux through standard input, on Windows by a driver
# that works the real dialog. Then builds and runs examples/two_line_host,
# whose project only finds the package and links the library: on Windows the
# DLLs are found through WINEPATH, not copied.
#   -DSTEP=build|run -DBUILD_DIR -DSOURCE_DIR -DWORK_DIR [-DTOOLCHAIN]
#   [-DEMULATOR] [-DDRIVER] [-DCXX_FLAGS]
# STEP build installs and builds both hosts, so that a build whose programs
# cannot run here still compiles and links them; STEP run runs what it
# built. TOOLCHAIN is the build's toolchain file, EMULATOR the command that
# runs its programs (Wine, or qemu for 32-bit Linux), its words joined with
# "|"; DRIVER, the program that works the real dialogs, is given for the
# Windows builds alone.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${out}${err}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# Configures and builds a host project against the staged package.
function(build_host source_dir build_dir)
  set(configure ${CMAKE_COMMAND} -S ${source_dir} -B ${build_dir} -G Ninja
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH=${stage})
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

set(stage ${WORK_DIR}/stage)
string(REPLACE "|" ";" emulator "${EMULATOR}")

if(STEP STREQUAL "build")
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})
  if(NOT DRIVER)
    # pkg-config finds the same library.
    set(ENV{PKG_CONFIG_PATH} ${stage}/lib/pkgconfig)
    run(pkg-config --cflags --libs ctcommon)
    string(FIND "${output}" "-lctcommon" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "pkg-config does not name the library")
    endif()
  endif()
  build_host(${SOURCE_DIR} ${WORK_DIR}/build)
  # The host of two lines: the target alone must bring what it needs to link
  # and to catch the library's errors.
  build_host(${SOURCE_DIR}/two_line_host ${WORK_DIR}/two_line_host)
  if(DRIVER)
    file(GLOB copied_dlls ${WORK_DIR}/two_line_host/*.dll)
    if(copied_dlls)
      message(FATAL_ERROR "the two-line host has DLLs beside it: ${copied_dlls}")
    endif()
  endif()
  return()
elseif(NOT STEP STREQUAL "run")
  message(FATAL_ERROR "STEP must be build or run, not '${STEP}'")
endif()

set(expected "Annual report" "Catalogue" "caught error 17" "cancelled: the file is back")
if(DRIVER)
  # The work folder as Wine names it: drive Z: is the root of the file system.
  string(REPLACE "/" "\\" windows_work_dir "Z:${WORK_DIR}")
  file(COPY ${DRIVER} DESTINATION ${WORK_DIR}/build)
  get_filename_component(driver_name ${DRIVER} NAME)
  execute_process(COMMAND ${emulator} ${WORK_DIR}/build/${driver_name}
                          ${WORK_DIR}/build/export_host.exe "${windows_work_dir}\\day"
                          "${windows_work_dir}\\host-output.txt"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE err TIMEOUT 180)
  list(APPEND expected "message box \"Error\": An error occured when opening the file"
       "from ${windows_work_dir}\\: day.kdw" "folder: ")
else()
  # The export file, then the same file added, then a folder.
  file(WRITE ${WORK_DIR}/answer "${WORK_DIR}/day\n${WORK_DIR}/day.kdw\n\n${WORK_DIR}\n")
  execute_process(COMMAND ${emulator} ${WORK_DIR}/build/export_host INPUT_FILE ${WORK_DIR}/answer
                  RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE err TIMEOUT 180)
  list(APPEND expected "Chosen: ${WORK_DIR}/day.kdw" "from ${WORK_DIR}/: day.kdw"
       "folder: ${WORK_DIR}")
endif()
message("${output}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "export_host failed (${rc})")
endif()
expect_lines(export_host "${output}" ${expected})

if(DRIVER)
  string(REPLACE "/" "\\" windows_bin "Z:${stage}/bin")
  set(ENV{WINEPATH} "${windows_bin}")
  run(${emulator} ${WORK_DIR}/two_line_host/two_line_host.exe)
else()
  run(${emulator} ${WORK_DIR}/two_line_host/two_line_host)
endif()
expect_lines(two_line_host "${output}" "caught error 17" "line2 equal")
