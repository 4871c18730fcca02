# The manual pages render without a warning, and the README's option table
# and the manual page's OPTIONS name the same options with the same values.
#   cmake -DSOURCE_DIR=... -P DocsTest.cmake
cmake_minimum_required(VERSION 3.20)
foreach(page VisionAccess.1 visionaccess-sim.1)
  execute_process(COMMAND groff -man -ww -z ${SOURCE_DIR}/doc/${page}
                  RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(status OR warnings)
    message(FATAL_ERROR "groff on ${page}: status ${status}\n${warnings}")
  endif()
endforeach()

file(READ ${SOURCE_DIR}/README.md readme)
string(REGEX MATCHALL "\n\\| `-[a-z]( [a-z ]+)?` \\|" rows "${readme}")
set(readme_options)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "\n\\| `([^`]+)` \\|" "\\1" option "${row}")
  list(APPEND readme_options "${option}")
endforeach()

file(READ ${SOURCE_DIR}/doc/VisionAccess.1 page)
string(REGEX MATCHALL "\n\\.TP\n\\.BI? \\\\-[a-z]( \"[^\"]+\")?\n" items "${page}")
set(page_options)
foreach(item IN LISTS items)
  string(REGEX MATCH "\\\\(-[a-z])" option "${item}")
  set(option ${CMAKE_MATCH_1})
  if(item MATCHES "\"([^\"]+)\"")
    string(APPEND option "${CMAKE_MATCH_1}")  # the value, with its leading space
  endif()
  list(APPEND page_options "${option}")
endforeach()

list(SORT readme_options)
list(SORT page_options)
if(NOT readme_options STREQUAL page_options OR NOT page_options)
  message(FATAL_ERROR "README options: [${readme_options}]\nmanual page options: [${page_options}]")
endif()
