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
else()
  # pkg-config, for builds without CMake. The prefix is the one that the
  # package is installed under (cmake --install --prefix).
  install(CODE "
    set(CMAKE_INSTALL_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(PROJECT_DESCRIPTION \"${PROJECT_DESCRIPTION}\")
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/ctcommon.pc.in\"
                   \"${PROJECT_BINARY_DIR}/ctcommon.pc\" @ONLY)
    file(INSTALL \"${PROJECT_BINARY_DIR}/ctcommon.pc\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")")
endif()
