# Builds VisionAccess with QRV_SDK_DIR pointing at an SDK installed the way a
# maker's is (include/QrVApi.h, lib/libQrVApi.so; here the tests' tiny SDK),
# then runs it on that SDK.
# A cross build's toolchain file and emulator serve here too.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DSDK_HEADER=... -DSDK_LIBRARY=... -DSANITIZE=...
#         [-DTOOLCHAIN_FILE=... -DEMULATOR=...] -P InstalledSdkBuild.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${SDK_HEADER} DESTINATION ${WORK_DIR}/sdk/include)
file(COPY ${SDK_LIBRARY} DESTINATION ${WORK_DIR}/sdk/lib)

set(toolchain)
if(TOOLCHAIN_FILE)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build ${toolchain}
                        -DQRV_SDK_DIR=${WORK_DIR}/sdk -DVISIONACCESS_SANITIZE=${SANITIZE}
                RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "configure against the installed SDK failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "build against the installed SDK failed")
endif()
if(EXISTS ${WORK_DIR}/build/sdk)
  message(FATAL_ERROR "the simulated SDK was built although an installed one was given")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${WORK_DIR}/sdk/lib ${EMULATOR} ${WORK_DIR}/build/VisionAccess
                OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT output MATCHES "^00:00:0[01] Camera scan \\.\\.\\.\\.\n    Camera 4242\n$")
  message(FATAL_ERROR "VisionAccess on the installed SDK: status ${status}, output:\n${output}")
endif()

# A folder without an SDK stops the configuration with a clear message.
file(MAKE_DIRECTORY ${WORK_DIR}/empty)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build-empty ${toolchain}
                        -DQRV_SDK_DIR=${WORK_DIR}/empty
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
# CMake wraps long messages where the path length puts the break, so spaces
# and line breaks are folded before matching.
string(REGEX REPLACE "[ \n]+" " " folded "${errors}")
if(status EQUAL 0 OR NOT folded MATCHES "holds no camera SDK: expected ")
  message(FATAL_ERROR "configuring against a folder without an SDK: status ${status}\n${output}${errors}")
endif()
