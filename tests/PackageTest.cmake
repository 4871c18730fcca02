# Builds the .deb packages and checks them: exactly the intended files in
# each, labelled with the architecture the build is for, and, unpacked into
# a scratch root, a launcher that lists the simulated cameras with a
# VisionAccess that has no search path of its own; the tool's package
# unpacked alone runs without any SDK.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DLIBDIR=... -DVERSION=... -DWITH_ANSIBLE=0|1 -DWITH_U3V=0|1 -DWITH_GENICAM=0|1
#         [-DEMULATOR=...] [-DTEST_NAME=... -DSKIP_LOG=...] -P PackageTest.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/InstalledFiles.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Skip.cmake)
# CPack needs file to tell programs from other files, and dpkg-shlibdeps to
# give the packages their dependencies (without it they would have none).
require_programs(file=file dpkg-shlibdeps=dpkg-dev)

# The Debian architecture of the built tool's machine, as readelf names it.
set(architectures "AArch64=arm64" "X86-64=amd64" "Intel 80386=i386")
execute_process(COMMAND readelf -h ${BUILD_DIR}/VisionAccess OUTPUT_VARIABLE header)
string(REGEX MATCH "Machine: +([^\n]*)" ignored "${header}")
set(machine "${CMAKE_MATCH_1}")
foreach(pair IN LISTS architectures)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 name)
  if(machine MATCHES "${name}$")
    list(GET pair 1 architecture)
  endif()
endforeach()
if(NOT architecture)
  message(FATAL_ERROR "no Debian architecture known here for the machine '${machine}': add it to the table")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()

set(doc ./usr/share/doc)
set(man ./usr/share/man/man1)
set(visionaccess_files ./usr/bin/VisionAccess ${doc}/visionaccess/LICENSE ${doc}/visionaccess/README.md
    ${doc}/visionaccess/changelog.gz ${doc}/visionaccess/copyright
    ./usr/share/visionaccess/visionaccess-jsonl.schema.json ${man}/VisionAccess.1.gz
    ./usr/share/man/man5/visionaccess-configuration.5.gz ./usr/share/man/man5/visionaccess-jsonl.5.gz)
if(WITH_ANSIBLE)
  list(APPEND visionaccess_files ./usr/share/visionaccess/visionaccess-cameras-${VERSION}.tar.gz)
endif()
if(WITH_GENICAM)
  list(APPEND visionaccess_files ./usr/${LIBDIR}/visionaccess/libvisionaccess-genicam.so)
endif()
set(visionaccess-sim_files ./usr/bin/visionaccess-sim ./usr/${LIBDIR}/visionaccess/sim/libQrVApi.so
    ${doc}/visionaccess-sim/changelog.gz ${doc}/visionaccess-sim/copyright ${man}/visionaccess-sim.1.gz
    ./usr/share/visionaccess-sim/example.conf ./usr/share/visionaccess-sim/example-camera.xml)

set(visionaccess-u3v_files ./usr/${LIBDIR}/libQrVApi.so ./usr/lib/udev/rules.d/70-visionaccess-u3v.rules
    ${doc}/visionaccess-u3v/changelog.gz ${doc}/visionaccess-u3v/copyright ./usr/share/man/man7/visionaccess-u3v.7.gz)
set(packages visionaccess visionaccess-sim)
if(WITH_U3V)
  list(APPEND packages visionaccess-u3v)
endif()

foreach(package IN LISTS packages)
  file(GLOB deb ${WORK_DIR}/${package}_${VERSION}_*.deb)
  if(NOT deb)
    message(FATAL_ERROR "no ${package} package in ${WORK_DIR}:\n${output}")
  endif()
  execute_process(COMMAND dpkg-deb -f ${deb} Architecture OUTPUT_VARIABLE label OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT label STREQUAL architecture)
    message(FATAL_ERROR "${package} is labelled 'Architecture: ${label}', its programs are for ${architecture}")
  endif()
  # Every package holds a program or library, so needs at least the C library.
  execute_process(COMMAND dpkg-deb -f ${deb} Depends OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT depends MATCHES "(^|, )libc6 ")
    message(FATAL_ERROR "${package} depends on '${depends}', not on the C library")
  endif()
  execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "dpkg-deb -c ${deb} failed")
  endif()
  # The files, not the folders: the last word of each line not ending in /.
  string(REGEX MATCHALL "[^ \n]+[^/\n]\n" files "${listing}")
  string(REPLACE "\n" "" files "${files}")
  list(SORT files)
  set(expected ${${package}_files})
  list(SORT expected)
  if(NOT files STREQUAL expected)
    message(FATAL_ERROR "${package} holds:\n  ${files}\nexpected:\n  ${expected}")
  endif()
  set(roots ${WORK_DIR}/root)
  if(package STREQUAL "visionaccess")
    list(APPEND roots ${WORK_DIR}/alone)
  endif()
  foreach(root IN LISTS roots)
    execute_process(COMMAND dpkg -x ${deb} ${root} RESULT_VARIABLE status)
    if(status)
      message(FATAL_ERROR "dpkg -x ${deb} ${root} failed")
    endif()
  endforeach()
endforeach()

expect_no_search_path(${WORK_DIR}/root/usr/bin/VisionAccess)
expect_no_sdk(${WORK_DIR}/alone/usr/bin/VisionAccess)
expect_simulated_cameras(${WORK_DIR}/root/usr/bin/visionaccess-sim)
if(WITH_GENICAM)
  expect_feature_names(${WORK_DIR}/root/usr/bin/visionaccess-sim ${WORK_DIR}/cache)
  expect_example_cameras(${WORK_DIR}/root/usr/bin/visionaccess-sim
                         ${WORK_DIR}/root/usr/share/visionaccess-sim/example.conf ${WORK_DIR}/cache)
  expect_configuration_session(${WORK_DIR}/root/usr/bin/visionaccess-sim
                               ${WORK_DIR}/root/usr/share/visionaccess-sim/example.conf ${WORK_DIR}/session
                               ${WORK_DIR}/cache)
endif()
