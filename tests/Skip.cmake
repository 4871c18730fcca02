# A test script's way out where this machine lacks a program it needs: one
# line, "SKIPPED: <what is missing>; <how to get it>", in the test's output
# (which its SKIP_REGULAR_EXPRESSION makes CTest report as a skip) and in the
# build's list of skips (SKIP_LOG, printed at the end of the run).  Under CI,
# where everything must run, a failure instead.
#   include(Skip.cmake), then at the script's top level:
#   require_programs(<program>=<Debian package> ...)
cmake_minimum_required(VERSION 3.20)

macro(skip_test missing how)
  if(NOT "$ENV{CI}" STREQUAL "")
    message(FATAL_ERROR "${missing} (${how}); CI is set, so this test must run")
  endif()
  message("SKIPPED: ${missing}; ${how}")
  if(SKIP_LOG)
    file(APPEND ${SKIP_LOG} "${TEST_NAME}: ${missing}; ${how}\n")
  endif()
  return()
endmacro()

# Skips the test unless every program is on PATH, naming those missing and
# the packages that hold them.
macro(require_programs)
  set(_missingPrograms)
  set(_missingPackages)
  foreach(_pair ${ARGN})
    string(REPLACE "=" ";" _pair "${_pair}")
    list(GET _pair 0 _program)
    list(GET _pair 1 _package)
    find_program(_found_${_program} ${_program} NO_CACHE)
    if(NOT _found_${_program})
      list(APPEND _missingPrograms ${_program})
      list(APPEND _missingPackages ${_package})
    endif()
  endforeach()
  if(_missingPrograms)
    list(REMOVE_DUPLICATES _missingPackages)
    string(JOIN " " _missingPrograms ${_missingPrograms})
    string(JOIN " " _missingPackages ${_missingPackages})
    skip_test("needs ${_missingPrograms}, not installed"
              "install with: sudo apt-get install --no-install-recommends ${_missingPackages}")
  endif()
endmacro()
