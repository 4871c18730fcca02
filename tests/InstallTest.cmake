# Installs the build into a scratch prefix, the way a user would, and checks
# what a user gets: the files, a VisionAccess that carries no search path of
# its own (so it uses whatever libQrVApi.so the system's linker finds), and
# the launcher that runs it on the simulated cameras.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DLIBDIR=... -DVERSION=... -DWITH_ANSIBLE=0|1 -DWITH_U3V=0|1
#         -DWITH_GENICAM=0|1 -DSOURCE_DIR=... -P InstallTest.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/InstalledFiles.cmake)
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "cmake --install failed")
endif()

file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
list(SORT installed)
set(expected bin/VisionAccess bin/visionaccess-sim ${LIBDIR}/visionaccess/sim/libQrVApi.so
             share/doc/visionaccess/LICENSE share/doc/visionaccess/README.md
             share/visionaccess/visionaccess-jsonl.schema.json
             share/man/man1/VisionAccess.1 share/man/man1/visionaccess-sim.1
             share/man/man5/visionaccess-configuration.5 share/man/man5/visionaccess-jsonl.5
             share/visionaccess-sim/example.conf share/visionaccess-sim/example-camera.xml)
if(WITH_ANSIBLE)
  list(APPEND expected share/visionaccess/visionaccess-cameras-${VERSION}.tar.gz)
endif()
if(WITH_U3V)
  list(APPEND expected ${LIBDIR}/libQrVApi.so lib/udev/rules.d/70-visionaccess-u3v.rules
                       share/man/man7/visionaccess-u3v.7)
endif()
if(WITH_GENICAM)
  list(APPEND expected ${LIBDIR}/visionaccess/libvisionaccess-genicam.so)
endif()
list(SORT expected)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()
# Every manual page of the tree is installed (the open SDK's where it is built).
file(GLOB pages RELATIVE ${SOURCE_DIR}/doc ${SOURCE_DIR}/doc/*.[1-8])
foreach(page IN LISTS pages)
  string(REGEX MATCH "[1-8]$" section "${page}")
  if(NOT share/man/man${section}/${page} IN_LIST installed AND (WITH_U3V OR NOT page MATCHES "u3v"))
    message(FATAL_ERROR "doc/${page} is not installed as share/man/man${section}/${page}")
  endif()
endforeach()

expect_no_search_path(${prefix}/bin/VisionAccess)

# The build tree's copy searches the simulator's folder, and never the
# current folder (an empty entry).
execute_process(COMMAND readelf -d ${BUILD_DIR}/VisionAccess OUTPUT_VARIABLE dynamic)
if(NOT dynamic MATCHES "RUNPATH\\)[^\n]*\\[[^]:]+\\]")
  message(FATAL_ERROR "build tree RUNPATH is not one folder:\n${dynamic}")
endif()
expect_simulated_cameras(${prefix}/bin/visionaccess-sim)
if(WITH_GENICAM)
  expect_feature_names(${prefix}/bin/visionaccess-sim ${WORK_DIR}/cache)
  expect_example_cameras(${prefix}/bin/visionaccess-sim ${prefix}/share/visionaccess-sim/example.conf ${WORK_DIR}/cache)
  expect_configuration_session(${prefix}/bin/visionaccess-sim ${prefix}/share/visionaccess-sim/example.conf
                               ${WORK_DIR}/session ${WORK_DIR}/cache)
endif()

# Without the launcher the simulator is nowhere the dynamic linker looks:
# the tool finds no SDK.
expect_no_sdk(${prefix}/bin/VisionAccess)
