# Installs the build into a staging prefix, builds examples/ against it with
# find_package as a separate project, and runs the example host, its
# dialogs and error box answered by the installed ctcommon-answer from the
# example's script: on Linux on the terminal, on Windows in the real
# windows. Then builds and runs examples/two_line_host,
# whose project only finds the package and links the library: on Windows the
# DLLs are found through WINEPATH, not copied.
#   -DSTEP=build|run -DBUILD_DIR -DSOURCE_DIR -DWORK_DIR [-DTOOLCHAIN]
#   [-DEMULATOR] [-DWINDOWS] [-DPACKAGE_TOOLCHAIN] [-DCXX_FLAGS]
# STEP build installs and builds both hosts, so that a build whose programs
# cannot run here still compiles and links them; STEP run runs what it
# built. TOOLCHAIN is the build's toolchain file, EMULATOR the command that
# runs its programs (Wine, or qemu for 32-bit Linux), its words joined with
# "|"; WINDOWS is set for the Windows builds, and PACKAGE_TOOLCHAIN, the
# package's own toolchain file (relative to the prefix), replaces TOOLCHAIN.
include(${CMAKE_CURRENT_LIST_DIR}/host_project.cmake)

set(stage ${WORK_DIR}/stage)
string(REPLACE "|" ";" emulator "${EMULATOR}")
# A Windows host is built with the toolchain file that the package installs.
if(PACKAGE_TOOLCHAIN)
  set(TOOLCHAIN ${stage}/${PACKAGE_TOOLCHAIN})
endif()

if(STEP STREQUAL "build")
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})
  if(NOT WINDOWS)
    # pkg-config finds the same library.
    set(ENV{PKG_CONFIG_PATH} ${stage}/lib/pkgconfig)
    run(pkg-config --cflags --libs ctcommon)
    string(FIND "${output}" "-lctcommon" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "pkg-config does not name the library")
    endif()
  endif()
  build_host(${SOURCE_DIR} ${WORK_DIR}/build ${stage})
  # The host of two lines: the target alone must bring what it needs to link
  # and to catch the library's errors.
  build_host(${SOURCE_DIR}/two_line_host ${WORK_DIR}/two_line_host ${stage})
  if(WINDOWS)
    file(GLOB copied_dlls ${WORK_DIR}/two_line_host/*.dll)
    if(copied_dlls)
      message(FATAL_ERROR "the two-line host has DLLs beside it: ${copied_dlls}")
    endif()
  endif()
  return()
endif()

set(expected "Annual report" "Catalogue" "caught error 17" "cancelled: the file is back"
    "message box \"Error\": An error occured when opening the file")
# The installed ctcommon-answer works the host's dialogs from the example's
# script, the same on every build, in the work folder that its names are
# taken from.
if(WINDOWS)
  set(driver ${stage}/bin/ctcommon-answer.exe)
  set(host ${WORK_DIR}/build/export_host.exe)
  # The work folder as Wine names it: drive Z: is the root of the file system.
  string(REPLACE "/" "\\" work_dir_seen "Z:${WORK_DIR}")
  list(APPEND expected "from ${work_dir_seen}\\: day.kdw")
else()
  set(driver ${stage}/bin/ctcommon-answer)
  set(host ${emulator} ${WORK_DIR}/build/export_host)
  set(work_dir_seen ${WORK_DIR})
  list(APPEND expected "Chosen: ${WORK_DIR}/day.kdw" "from ${WORK_DIR}/: day.kdw")
endif()
list(APPEND expected "folder: ${work_dir_seen}")
execute_process(COMMAND ${emulator} ${driver} ${SOURCE_DIR}/export_host.answers ${host}
                WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE err TIMEOUT 180)
message("${output}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "export_host under ctcommon-answer failed (${rc})")
endif()
expect_lines(export_host "${output}" ${expected})

if(WINDOWS)
  string(REPLACE "/" "\\" windows_bin "Z:${stage}/bin")
  set(ENV{WINEPATH} "${windows_bin}")
  run(${emulator} ${WORK_DIR}/two_line_host/two_line_host.exe)
else()
  run(${emulator} ${WORK_DIR}/two_line_host/two_line_host)
endif()
expect_lines(two_line_host "${output}" "caught error 17" "line2 equal")
