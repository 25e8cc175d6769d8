# Installs the build into a scratch prefix and builds the example plug-in as a
# project of its own against the SDK found there.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "install failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/plugins/examples -B ${WORK_DIR}/build
                        -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the example does not configure against the installed SDK")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE result)
if(result OR NOT EXISTS ${WORK_DIR}/build/FilePlugin/example_points.so)
  message(FATAL_ERROR "the example does not build against the installed SDK")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
