# The tree as a machine without any optional library builds it: configured
# with each one hidden, it builds what remains, and its suite passes, every
# test that needs a part not built skipped with one line naming what is
# missing and the packages to install; under CI those tests fail instead.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... [-DGENERATOR=... -DC_COMPILER=... -DCXX_COMPILER=...
#         -DLAUNCHER=...] -P WithoutOptionalLibrariesTest.cmake
cmake_minimum_required(VERSION 3.20)
# Kept between runs, so that a later run rebuilds only what changed.
set(build ${WORK_DIR}/build)

# Each optional library, and the program that packs the Ansible collection,
# hidden as if it were not installed.
set(hidden libmd pugixml minizip libusb ansible)
set(options)
foreach(library IN LISTS hidden)
  list(APPEND options -DCMAKE_DISABLE_FIND_PACKAGE_${library}=ON)
endforeach()
if(LAUNCHER)
  list(APPEND options -DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -G ${GENERATOR}
                        -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
                        -DVISIONACCESS_CHECK_WITHOUT_OPTIONAL=OFF ${options}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(status)
  message(FATAL_ERROR "configuring without ${hidden} failed:\n${output}${errors}")
endif()
# The configuration names each part it leaves out and the package it needs.
foreach(said
    "libmd not found: the simulated cameras serve configured GenICam files without their SHA-1 (Debian: libmd-dev)"
    "libusb-1.0 not found: the open USB3 Vision SDK is not built (Debian: libusb-1.0-0-dev pkg-config)"
    "pugixml not found: the GenICam engine is not built (Debian: libpugixml-dev)"
    "the GenICam description reader is not built (Debian: libminizip-dev zlib1g-dev libmd-dev pkg-config)"
    "ansible-galaxy not found: the Ansible collection is not built (Debian: ansible-core)")
  string(FIND "${output}" "${said}" at)
  if(at LESS 0)
    message(FATAL_ERROR "configuring without ${hidden} does not say\n  ${said}\nit says:\n${output}")
  endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} -j2 RESULT_VARIABLE status OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(status)
  message(FATAL_ERROR "building without ${hidden} failed:\n${output}")
endif()
foreach(part sdk/u3v/libQrVApi.so genicam/module/libvisionaccess-genicam.so)
  if(EXISTS ${build}/${part})
    message(FATAL_ERROR "${part} was built without ${hidden}")
  endif()
endforeach()

# The suite: nothing fails.  InstalledSdkBuild is left out: it builds
# against an SDK folder of its own, without the simulator or any optional
# library, the same here as in the full build that runs it.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=CI
                        ${CMAKE_CTEST_COMMAND} --test-dir ${build} -j2 --output-on-failure -E "^InstalledSdkBuild$"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}${errors}")
if(status)
  message(FATAL_ERROR "the suite without ${hidden} failed")
endif()

# What skipped, and why: each part not built, and the tests of the GenICam
# module; each with the packages to install.
set(skips
  "OpenSdk.NotBuilt: [^\n]*libusb-1.0 was not found. install with: sudo apt-get install libusb-1.0-0-dev pkg-config"
  "GenicamEngine.NotBuilt: [^\n]*pugixml was not found. install with: sudo apt-get install libpugixml-dev"
  "GenicamDescription.NotBuilt: [^\n]*install with: sudo apt-get install libminizip-dev zlib1g-dev libmd-dev"
  "AnsibleCollection.NotBuilt: [^\n]*ansible-galaxy was not found. install with: sudo apt-get install ansible-core"
  "Features.ValuesAreReadAndWrittenInTheirOwnForms: needs the GenICam module, not built [^\n]*install with: "
  "CommandLine.DescriptionFileRejectedWithItsReasonBeforeAnyCameraIsTouched: needs the GenICam module")
file(READ ${build}/tests/skipped.log logged)
foreach(skip IN LISTS skips)
  if(NOT logged MATCHES "(^|\n)${skip}")
    message(FATAL_ERROR "no skip matching\n  ${skip}\namong\n${logged}")
  endif()
endforeach()
# Split at line ends only: each line holds ';', CMake's list separator.
string(REPLACE ";" "," lines "${logged}")
string(REGEX MATCHALL "[^\n]+" lines "${lines}")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "install with: sudo apt-get install [a-z0-9]")
    message(FATAL_ERROR "a skip that does not name its packages:\n  ${line}")
  endif()
endforeach()

# Under CI the same tests fail: there nothing may be missing.  (Without the
# fixtures the suite's tests share, which run and pass.)
execute_process(COMMAND ${CMAKE_COMMAND} -E env CI=1
                        ${CMAKE_CTEST_COMMAND} --test-dir ${build} -j2 -R "NotBuilt|^Features\\.|DescriptionFile"
                        -FA ".*"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status OR NOT output MATCHES "\n0% tests passed, [1-9][0-9]* tests failed")
  message(FATAL_ERROR "under CI the tests of what was not built did not all fail:\n${output}${errors}")
endif()
