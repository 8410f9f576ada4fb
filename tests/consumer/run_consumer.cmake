# Installs the build into a staging prefix, builds the consumer project
# against it with find_package, and runs the consumer.
#   -DBUILD_DIR -DSOURCE_DIR -DWORK_DIR [-DTOOLCHAIN] [-DCXX_FLAGS] [-DEMULATOR]
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
endfunction()

set(stage ${WORK_DIR}/stage)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})

set(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH=${stage})
if(TOOLCHAIN)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
if(CXX_FLAGS)
  list(APPEND configure "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}")
endif()
run(${configure})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

if(TOOLCHAIN)
  run(${EMULATOR} ${WORK_DIR}/build/consumer.exe)
else()
  run(${WORK_DIR}/build/consumer)
endif()
