# The manual page and --help name the same options: every option --help
# lists has its item in the manual page's OPTIONS, and every option item
# there is one --help lists (--help and --version apart, which it does not
# list).  An option added to one and not the other fails here.
#   cmake -DSOURCE_DIR=... -DTOOL=... [-DEMULATOR=...] -P DocsTest.cmake
cmake_minimum_required(VERSION 3.20)
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
