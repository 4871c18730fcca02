# The manual page and --help name the same options: every option --help
# lists has its item in the manual page's OPTIONS, and every option item
# there is one --help lists (--help and --version apart, which it does not
# list).  An option added to one and not the other fails here.
# The README's first command builds the tool's target alone, which must
# bring what the tool loads at run time (LOADED: the SDK, the GenICam
# module); the suite builds everything, so nothing else would notice.
#   cmake -DSOURCE_DIR=... -DTOOL=... "-DTOOL_DEPENDS=a:b" "-DLOADED=a:b" [-DEMULATOR=...] -P DocsTest.cmake
cmake_minimum_required(VERSION 3.20)
file(READ ${SOURCE_DIR}/README.md readme)
if(NOT readme MATCHES "\n    cmake -S \\. -B build && cmake --build build -j2 --target ([A-Za-z]+) && \\./build/VisionAccess\n")
  message(FATAL_ERROR "the README's first command is not: configure, build one target, run ./build/VisionAccess")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL "VisionAccess")
  message(FATAL_ERROR "the README's first command builds ${CMAKE_MATCH_1}; this test knows what VisionAccess brings")
endif()
string(REPLACE ":" ";" TOOL_DEPENDS "${TOOL_DEPENDS}")
string(REPLACE ":" ";" LOADED "${LOADED}")
foreach(part IN LISTS LOADED)
  if(part AND NOT part IN_LIST TOOL_DEPENDS)
    message(FATAL_ERROR "building VisionAccess alone does not build ${part}, which it loads at run time: "
                        "add_dependencies(VisionAccess ${part})")
  endif()
endforeach()

execute_process(COMMAND ${EMULATOR} ${TOOL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help: status ${status}")
endif()
# An option line of --help: seven spaces, the option, its value words (in
# lower case first), then its text, which starts in upper case ("-r and -w
# Also take" is no option line).
string(REGEX MATCHALL "\n       (-[a-z]|--[a-z]+)( [a-z][a-zA-Z]*)* +[A-Z]" lines "${help}")
set(help_options)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "\n       ([-a-z]+).*" "\\1" option "${line}")
  list(APPEND help_options "${option}")
endforeach()

file(READ ${SOURCE_DIR}/doc/VisionAccess.1 page)
string(REGEX MATCH "\n\\.SH OPTIONS\n.*\n\\.SH " options_section "${page}")
string(REGEX REPLACE "\n\\.SH [^O].*" "" options_section "${options_section}")
string(REGEX MATCHALL "\n\\.TP\n\\.BI? \\\\-(\\\\-)?[a-z]+" items "${options_section}")
set(page_options)
foreach(item IN LISTS items)
  string(REGEX REPLACE ".*\\.BI? " "" option "${item}")
  string(REPLACE "\\-" "-" option "${option}")
  if(NOT option MATCHES "^--(help|version)$")
    list(APPEND page_options "${option}")
  endif()
endforeach()

list(SORT help_options)
list(SORT page_options)
list(REMOVE_DUPLICATES help_options)
if(NOT help_options STREQUAL page_options OR NOT page_options)
  message(FATAL_ERROR "--help lists the options [${help_options}]\n"
                      "the manual page's OPTIONS has items for [${page_options}]")
endif()
