# The release archive of this build, used on its own: cpack makes it, it is
# unpacked into an empty folder, its file list is checked, and
# examples/two_line_host is built with that folder as the only package
# prefix (on Windows with the toolchain file that the archive holds) and run
# (on Windows by the archive's ctcommon-wine, in the Wine prefix WINE_PREFIX).
#   -DSTEP=build|run -DBUILD_DIR -DSOURCE_DIR -DWORK_DIR -DPACKAGE_NAME
#   -DFILES=a|b|... [-DPACKAGE_TOOLCHAIN -DWINE_PREFIX] [-DTOOLCHAIN]
#   [-DTHREADS] [-DEMULATOR] [-DCXX_FLAGS]
# STEP build makes, checks and unpacks the archive (unless THREADS is given:
# then it uses the one unpacked before) and builds the host from it, so that
# a build whose programs cannot run here still compiles and links it; run
# runs what build built. FILES are the paths that the archive must hold
# under its top folder, PACKAGE_TOOLCHAIN the path of its toolchain file
# there (Windows), TOOLCHAIN the build's own toolchain file otherwise (32-bit
# Linux). THREADS chooses the thread model of the
# mingw-w64 compilers that build the host (posix unless given). EMULATOR is
# the command that runs the build's programs, its words joined with "|".
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/host_project.cmake)

set(package ${WORK_DIR}/unpacked/${PACKAGE_NAME})
if(THREADS)
  set(host_dir ${WORK_DIR}/two_line_host-${THREADS})
else()
  set(host_dir ${WORK_DIR}/two_line_host)
endif()
string(REPLACE "|" ";" emulator "${EMULATOR}")

if(STEP STREQUAL "build" AND NOT THREADS)
  # The archive, made, checked and unpacked.
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR}/unpacked)
  run(${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
  file(GLOB archive ${WORK_DIR}/${PACKAGE_NAME}.zip ${WORK_DIR}/${PACKAGE_NAME}.tar.gz)
  if(NOT archive)
    message(FATAL_ERROR "cpack made no archive named ${PACKAGE_NAME}")
  endif()
  # What the archive holds, from its own listing.
  run(${CMAKE_COMMAND} -E tar tf ${archive})
  string(REGEX REPLACE "\r?\n" ";" listed "${output}")
  string(REPLACE "|" ";" files "${FILES}")
  foreach(file IN LISTS files)
    if(NOT "${PACKAGE_NAME}/${file}" IN_LIST listed)
      message(FATAL_ERROR "${archive} lacks ${PACKAGE_NAME}/${file}")
    endif()
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${archive} WORKING_DIRECTORY ${WORK_DIR}/unpacked
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${archive} does not unpack")
  endif()
  if(NOT PACKAGE_TOOLCHAIN)
    # pkg-config finds the library where the archive was unpacked.
    file(GLOB_RECURSE pc_file ${package}/*.pc)
    get_filename_component(pc_dir "${pc_file}" DIRECTORY)
    set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
    run(pkg-config --libs ctcommon)
    foreach(variable_file includedir/ctcommon.h libdir/libctcommon.so)
      string(REPLACE "/" ";" variable_file ${variable_file})
      list(GET variable_file 0 variable)
      list(GET variable_file 1 name)
      run(pkg-config --variable=${variable} ctcommon)
      string(STRIP "${output}" dir)
      if(NOT EXISTS "${dir}/${name}")
        message(FATAL_ERROR "pkg-config's ${variable} has no ${name}: ${dir}")
      endif()
    endforeach()
  endif()
endif()
if(STEP STREQUAL "build")
  file(REMOVE_RECURSE ${host_dir})
  if(PACKAGE_TOOLCHAIN)
    set(TOOLCHAIN ${package}/${PACKAGE_TOOLCHAIN})
  endif()
  if(THREADS)
    set(threads_arg -DCTCOMMON_MINGW_THREADS=${THREADS})
  endif()
  build_host(${SOURCE_DIR} ${host_dir} ${package} ${threads_arg})
  if(THREADS)
    # The host was built by the compilers of that thread model: the win32
    # one's runtime needs no libwinpthread.
    file(GLOB compiler_file ${host_dir}/CMakeFiles/*/CMakeCXXCompiler.cmake)
    file(STRINGS ${compiler_file} compiler REGEX "^set\\(CMAKE_CXX_COMPILER ")
    if(NOT compiler MATCHES "-${THREADS}\"\\)$")
      message(FATAL_ERROR "the host was not built with the ${THREADS} compilers: ${compiler}")
    endif()
    file(STRINGS ${host_dir}/CMakeCache.txt objdump REGEX "^CMAKE_OBJDUMP:")
    string(REGEX REPLACE "^[^=]*=" "" objdump "${objdump}")
    run(${objdump} -p ${host_dir}/two_line_host.exe)
    if(THREADS STREQUAL "win32" AND output MATCHES "DLL Name: libwinpthread")
      message(FATAL_ERROR "the win32 threads host imports libwinpthread")
    endif()
  endif()
  return()
endif()

if(PACKAGE_TOOLCHAIN)
  # The archive's own runner picks the loader and finds the DLLs in the
  # unpacked bin folder; the prefix is the build's.
  set(ENV{WINEPREFIX} ${WINE_PREFIX})
  set(ENV{CTCOMMON_WINE_GRAPHICS} null)
  run(sh ${package}/bin/ctcommon-wine ${host_dir}/two_line_host.exe)
else()
  run(${emulator} ${host_dir}/two_line_host)
endif()
expect_lines(two_line_host "${output}" "caught error 17" "line2 equal")
