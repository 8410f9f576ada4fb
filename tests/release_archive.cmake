# The release archive of this build (cmake/package.cmake), unpacked on its
# own and used by examples/two_line_host with nothing else: four tests, so
# that a build whose programs cannot run here still makes the archive and
# builds the host. On Windows the host is also built by the compilers of the
# other thread model (win32) and run with the DLL, which the posix ones
# build. Included by tests/CMakeLists.txt, after consumer_flags and
# emulator_words.
set(archive_args
  -DBUILD_DIR=${CMAKE_BINARY_DIR}
  -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/examples/two_line_host
  -DWORK_DIR=${CMAKE_BINARY_DIR}/release-archive-test
  -DPACKAGE_NAME=${CTCOMMON_PACKAGE_FILE_NAME}
  -DCXX_FLAGS=${consumer_flags}
  -DEMULATOR=${emulator_words})
# What the archive must hold, below its top folder.
set(archive_files
  ${CMAKE_INSTALL_INCLUDEDIR}/ctcommon.h
  ${CTCOMMON_CMAKE_DIR}/ctcommonConfig.cmake
  ${CTCOMMON_CMAKE_DIR}/ctcommonConfigVersion.cmake
  ${CTCOMMON_CMAKE_DIR}/ctcommonTargets.cmake)
foreach(doc README.md CHANGELOG.md LICENSE)
  list(APPEND archive_files ${CTCOMMON_DOC_DIR}/${doc})
endforeach()
list(TRANSFORM archive_files REPLACE "^\\./" "")
if(WIN32)
  list(APPEND archive_files ${CMAKE_INSTALL_BINDIR}/ctcommon.dll ${CMAKE_INSTALL_LIBDIR}/libctcommon.dll.a
       ${CTCOMMON_INSTALLED_TOOLCHAIN} ${CTCOMMON_CMAKE_DIR}/mingw.cmake
       ${CMAKE_INSTALL_BINDIR}/ctcommon-answer.exe ${CMAKE_INSTALL_BINDIR}/ctcommon-wine)
  foreach(dll IN LISTS CTCOMMON_RUNTIME_DLL_NAMES)
    list(APPEND archive_files ${CMAKE_INSTALL_BINDIR}/${dll})
  endforeach()
  list(APPEND archive_args -DPACKAGE_TOOLCHAIN=${CTCOMMON_INSTALLED_TOOLCHAIN}
       -DWINE_PREFIX=${CTCOMMON_WINEPREFIX})
else()
  list(APPEND archive_files ${CMAKE_INSTALL_LIBDIR}/libctcommon.so ${CMAKE_INSTALL_LIBDIR}/libctcommon.so.1
       ${CMAKE_INSTALL_LIBDIR}/libctcommon.so.${PROJECT_VERSION} ${CMAKE_INSTALL_LIBDIR}/pkgconfig/ctcommon.pc
       ${CMAKE_INSTALL_BINDIR}/ctcommon-answer)
  if(CMAKE_TOOLCHAIN_FILE)
    list(APPEND archive_args -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE})
  endif()
endif()
string(REPLACE ";" "|" archive_files "${archive_files}")
list(APPEND archive_args -DFILES=${archive_files})

set(archive_script ${CMAKE_CURRENT_SOURCE_DIR}/run_release_archive.cmake)
foreach(threads "" win32)
  if(threads)
    if(NOT WIN32)
      break()
    endif()
    set(name host_thread_model)
  else()
    set(name release_archive)
  endif()
  add_test(NAME ${name}_build_test
           COMMAND ${CMAKE_COMMAND} -DSTEP=build -DTHREADS=${threads} ${archive_args} -P ${archive_script})
  add_test(NAME ${name}_test
           COMMAND ${CMAKE_COMMAND} -DSTEP=run -DTHREADS=${threads} ${archive_args} -P ${archive_script})
  set_tests_properties(${name}_build_test PROPERTIES FIXTURES_SETUP ${name}_built)
  set_tests_properties(${name}_test PROPERTIES FIXTURES_REQUIRED ${name}_built)
endforeach()
# The other thread model's host uses the archive that the first test unpacked.
if(WIN32)
  set_tests_properties(host_thread_model_build_test PROPERTIES FIXTURES_REQUIRED release_archive_built)
endif()
