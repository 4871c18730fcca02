# Every GoogleTest test reaches CTest by a short name made of words: a
# table's case by its own name ("EachReason/Reasons.AreShortAndSayWhy/
# FloatNaN"), never followed by its parameter's bytes, which would pad every
# line of a run to hundreds of dots.
#   cmake -DTESTS_DIR=<tests' build folder> -P TestNamesTest.cmake
cmake_minimum_required(VERSION 3.20)
set(longest 100)
file(GLOB lists ${TESTS_DIR}/*_tests.cmake)
if(NOT lists)
  message(FATAL_ERROR "no lists of GoogleTest tests in ${TESTS_DIR}")
endif()
set(count 0)
foreach(list IN LISTS lists)
  file(STRINGS ${list} lines REGEX "^add_test\\(")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^add_test\\(\\[=*\\[([^]]*)\\]")
      message(FATAL_ERROR "${list}: cannot read the test name of\n  ${line}")
    endif()
    set(name "${CMAKE_MATCH_1}")
    string(LENGTH "${name}" length)
    if(NOT name MATCHES "^[A-Za-z0-9_./]+$" OR length GREATER longest)
      message(FATAL_ERROR "the test name '${name}' is not words of at most ${longest} characters")
    endif()
    math(EXPR count "${count} + 1")
  endforeach()
endforeach()
message(STATUS "${count} test names checked")
