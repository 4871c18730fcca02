# Every manual page renders without a warning.
#   cmake -DSOURCE_DIR=... -DTEST_NAME=... -DSKIP_LOG=... -P ManualPagesTest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/Skip.cmake)
require_programs(groff=groff-base)
file(GLOB pages ${SOURCE_DIR}/doc/*.[1-8])
if(NOT pages)
  message(FATAL_ERROR "no manual pages in ${SOURCE_DIR}/doc")
endif()
foreach(page IN LISTS pages)
  execute_process(COMMAND groff -man -ww -z ${page} RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(status OR warnings)
    message(FATAL_ERROR "groff on ${page}: status ${status}\n${warnings}")
  endif()
endforeach()
