# Whether the USB test runs, is skipped or fails on a machine that cannot run
# it: run-guest with the package tools faked on PATH, without booting.
#   cmake -DRUN_GUEST=... -DWORK_DIR=... -P UsbGuestSkipTest.cmake
cmake_minimum_required(VERSION 3.20)
file(REMOVE_RECURSE ${WORK_DIR})
set(fake ${WORK_DIR}/bin)
file(MAKE_DIRECTORY ${fake})
# The fakes follow FAKE_MISSING (packages not installed), FAKE_UID and
# FAKE_KERNEL (what linux-image-amd64 depends on); apt-get always fails.
file(WRITE ${fake}/dpkg "#!/bin/sh\ncase \" $FAKE_MISSING \" in *\" $2 \"*) exit 1 ;; esac\n")
file(WRITE ${fake}/id "#!/bin/sh\necho \"$FAKE_UID\"\n")
file(WRITE ${fake}/apt-cache "#!/bin/sh\n[ -z \"$FAKE_KERNEL\" ] || echo \"  Depends: $FAKE_KERNEL\"\n")
file(WRITE ${fake}/apt-get "#!/bin/sh\nexit 100\n")
file(CHMOD ${fake}/dpkg ${fake}/id ${fake}/apt-cache ${fake}/apt-get PERMISSIONS OWNER_READ OWNER_EXECUTE)

set(kernel linux-image-9.9.9-amd64)
# name | missing packages | uid | kernel | CI | status | the one line on
# standard error, a pattern (';', the separator of CMake's lists, as '.')
set(cases
  "user without busybox|busybox-static cpio|1000|${kernel}||77|SKIPPED: needs busybox-static cpio, not installed. install with: sudo apt-get install --no-install-recommends busybox-static cpio"
  "user without busybox, under CI|busybox-static|1000|${kernel}|1|1|needs busybox-static, not installed .install with: sudo apt-get install --no-install-recommends busybox-static.. CI is set, so the USB test must run"
  "root, nothing to install from|qemu-system-x86|0|${kernel}||77|SKIPPED: cannot install qemu-system-x86. check the network and run: apt-get install --no-install-recommends qemu-system-x86"
  "kernel package out of reach||1000|${kernel}||77|SKIPPED: cannot download the kernel package ${kernel}. check the network and run: apt-get download ${kernel}"
  "kernel package out of reach, under CI||1000|${kernel}|1|1|cannot download the kernel package ${kernel} .*. CI is set, so the USB test must run"
  "no package lists||1000|||77|SKIPPED: no package list names the kernel linux-image-amd64 depends on. fetch the lists with: sudo apt-get update")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 missing)
  list(GET fields 2 uid)
  list(GET fields 3 fakeKernel)
  list(GET fields 4 ci)
  list(GET fields 5 expected)
  list(GET fields 6 line)
  if(ci)
    set(ciSetting CI=${ci})
  else()
    set(ciSetting --unset=CI)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${fake}:$ENV{PATH}" ${ciSetting} "FAKE_MISSING=${missing}"
                          FAKE_UID=${uid} FAKE_KERNEL=${fakeKernel}
                          ${RUN_GUEST} --tool none --sdk none --model none --raw none --description-zip none
                          --work ${WORK_DIR}/work
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL expected OR NOT errors MATCHES "^run-guest: ${line}\n$")
    message(FATAL_ERROR "${name}: status ${status}, expected ${expected} and the line\n  run-guest: ${line}\n"
                        "standard output:\n${output}standard error:\n${errors}")
  endif()
endforeach()

# Set up and boot as CTest runs them, one test each: a boot after a set-up
# that skipped skips with the set-up's line, and both lines go to the build's
# list of skips under their tests' names; a boot without any set-up fails.
set(work ${WORK_DIR}/phases)
set(log ${WORK_DIR}/skipped.log)
set(line "needs busybox-static, not installed. install with: sudo apt-get install --no-install-recommends busybox-static")
foreach(phase setup boot)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${fake}:$ENV{PATH}" --unset=CI FAKE_MISSING=busybox-static
                          FAKE_UID=1000 FAKE_KERNEL=${kernel} SKIP_LOG=${log} TEST_NAME=Usb-${phase}
                          ${RUN_GUEST} --tool none --sdk none --model none --raw none --description-zip none
                          --work ${work} --phase ${phase}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 77 OR NOT errors MATCHES "^run-guest: SKIPPED: ${line}\n$")
    message(FATAL_ERROR "--phase ${phase} after a set-up that skipped: status ${status}, expected 77 and the line\n"
                        "  run-guest: SKIPPED: ${line}\nstandard output:\n${output}standard error:\n${errors}")
  endif()
endforeach()
file(READ ${log} logged)
if(NOT logged MATCHES "^Usb-setup: ${line}\nUsb-boot: ${line}\n$")
  message(FATAL_ERROR "the list of skips holds:\n${logged}")
endif()
file(REMOVE_RECURSE ${work})
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=CI
                        ${RUN_GUEST} --tool none --sdk none --model none --raw none --description-zip none
                        --work ${work} --phase boot
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 1 OR NOT errors MATCHES "^run-guest: no set-up to boot on in ${work}: run with --phase setup first\n$")
  message(FATAL_ERROR "--phase boot without a set-up: status ${status}\n${errors}")
endif()
