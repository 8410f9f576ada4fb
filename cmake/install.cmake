# cmake --install: the header, the library and a CMake package, so that a
# consumer writes find_package(ctcommon CONFIG REQUIRED) and links
# ctcommon::ctcommon.
include(CMakePackageConfigHelpers)

set(CTCOMMON_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ctcommon)

install(TARGETS ctcommon EXPORT ctcommonTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/ctcommon.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ctcommonTargets NAMESPACE ctcommon:: DESTINATION ${CTCOMMON_CMAKE_DIR})

# The runtime DLLs that the package installs beside ctcommon.dll, by name.
set(CTCOMMON_RUNTIME_DLL_NAMES)
foreach(dll ${CTCOMMON_MINGW_RUNTIME_DLLS})
  get_filename_component(name "${dll}" NAME)
  list(APPEND CTCOMMON_RUNTIME_DLL_NAMES "${name}")
endforeach()

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ctcommonConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ctcommonConfig.cmake
  INSTALL_DESTINATION ${CTCOMMON_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ctcommonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/ctcommonConfig.cmake
  ${PROJECT_BINARY_DIR}/ctcommonConfigVersion.cmake
  DESTINATION ${CTCOMMON_CMAKE_DIR})

if(WIN32)
  install(FILES ${CTCOMMON_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Runs the package's programs and hosts under Wine on Linux, each under
  # the loader of its processor.
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/cmake/ctcommon-wine.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
          RENAME ctcommon-wine)
  # The toolchain file of the DLL's processor, with the part that it
  # includes, so that a host builds from Linux with the DLL's compilers.
  set(CTCOMMON_TOOLCHAIN_NAME toolchain-mingw-${CMAKE_SYSTEM_PROCESSOR}.cmake)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/mingw-${CMAKE_SYSTEM_PROCESSOR}.cmake
          DESTINATION ${CTCOMMON_CMAKE_DIR} RENAME ${CTCOMMON_TOOLCHAIN_NAME})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/mingw.cmake DESTINATION ${CTCOMMON_CMAKE_DIR})
  # The package's path of that file, for the tests that build hosts.
  set(CTCOMMON_INSTALLED_TOOLCHAIN ${CTCOMMON_CMAKE_DIR}/${CTCOMMON_TOOLCHAIN_NAME})
  set(CTCOMMON_DOC_DIR .)
else()
  # pkg-config, for builds without CMake. The prefix is found from the
  # file's own folder, so the package works wherever it is unpacked.
  file(RELATIVE_PATH CTCOMMON_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" CTCOMMON_PC_TO_PREFIX "${CTCOMMON_PC_TO_PREFIX}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ctcommon.pc.in ${PROJECT_BINARY_DIR}/ctcommon.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/ctcommon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  set(CTCOMMON_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
endif()

# The notes and the licence: at the root of a Windows package, in the
# documentation folder on Linux.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
              ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CTCOMMON_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/reference.md DESTINATION ${CTCOMMON_DOC_DIR}/docs)
