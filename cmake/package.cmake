# cpack: the installed package as one archive, named for its platform:
# ctcommon-<version>-win32.zip and -win64.zip for the DLLs,
# ctcommon-<version>-linux-<processor>.tar.gz for the Linux library. It holds
# whatever the install rules install, under one top folder of that name.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CTCOMMON_PACKAGE_PLATFORM win64)
  else()
    set(CTCOMMON_PACKAGE_PLATFORM win32)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  set(CTCOMMON_PACKAGE_PLATFORM linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The ctcommon authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CTCOMMON_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CTCOMMON_PACKAGE_PLATFORM})
set(CPACK_PACKAGE_FILE_NAME ${CTCOMMON_PACKAGE_FILE_NAME})
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
