# tests/mutants/run on a tiny tree: each mutant planted and judged in turn
# (killed, survived, did not build), the score printed, the tree left as it
# was; lists and trees it cannot use refused with one line.
#   cmake -DRUN=.../tests/mutants/run -DWORK_DIR=... -P MutantsScriptTest.cmake
cmake_minimum_required(VERSION 3.20)
file(REMOVE_RECURSE ${WORK_DIR})
set(tree ${WORK_DIR}/tree)
set(program "#!/bin/sh\necho 42  # the answer\n")
file(WRITE ${tree}/value.sh "${program}")
set(tab "\t")
file(WRITE ${WORK_DIR}/tiny.list
  "# a tiny list\n"
  "build: sh -n \"$SOURCE/value.sh\"\n"
  "test: [ \"$(sh \"$SOURCE/value.sh\")\" = 42 ]\n"
  "value.sh${tab}echo 42${tab}echo 43\n"
  "value.sh${tab}# the answer${tab}# an answer\n"
  "value.sh${tab}echo 42${tab}echo 42 (\n")

function(run expectedStatus list)
  execute_process(COMMAND ${RUN} --tree ${tree} --work ${WORK_DIR}/work ${ARGN} ${list}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL expectedStatus)
    message(FATAL_ERROR "status ${status}, expected ${expectedStatus}\nstandard output:\n${output}\n"
                        "standard error:\n${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

run(0 ${WORK_DIR}/tiny.list)
set(expected
  "mutant 1/3 killed: value.sh: 'echo 42' -> 'echo 43'\n"
  "mutant 2/3 SURVIVED: value.sh: '# the answer' -> '# an answer'\n"
  "mutant 3/3 did not build: value.sh: 'echo 42' -> 'echo 42 ('\n"
  "score: 1/2 killed\n"
  "survived: value.sh: '# the answer' -> '# an answer'\n"
  "did not build (not counted): value.sh: 'echo 42' -> 'echo 42 ('\n")
string(JOIN "" expected ${expected})
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "output:\n${output}\nexpected:\n${expected}")
endif()
file(READ ${tree}/value.sh after)
file(GLOB files RELATIVE ${tree} ${tree}/*)
if(NOT after STREQUAL program OR NOT files STREQUAL "value.sh")
  message(FATAL_ERROR "the tree changed: ${files}\n${after}")
endif()

# --test overrides the list's; a failing unmutated tree is refused.
run(1 ${WORK_DIR}/tiny.list --test false)
if(NOT errors MATCHES "^mutants: the unmutated tree fails its tests \\(see [^\n]*/log\\)\n$")
  message(FATAL_ERROR "a failing tree: ${errors}")
endif()
# A text not in the file, or in it twice, is refused before anything is
# judged.
file(WRITE ${WORK_DIR}/absent.list "test: true\nvalue.sh${tab}echo 41${tab}echo 40\n")
run(1 ${WORK_DIR}/absent.list)
if(NOT errors STREQUAL "mutants: mutant 1: 'echo 41' is not in value.sh\n" OR NOT output STREQUAL "")
  message(FATAL_ERROR "an absent text: ${output}${errors}")
endif()
file(WRITE ${WORK_DIR}/twice.list "test: true\nvalue.sh${tab}e${tab}E\n")
run(1 ${WORK_DIR}/twice.list)
if(NOT errors STREQUAL "mutants: mutant 1: 'e' is in value.sh more than once\n")
  message(FATAL_ERROR "a text found twice: ${errors}")
endif()
file(WRITE ${WORK_DIR}/malformed.list "test: true\nvalue.sh echo 42 echo 43\n")
run(1 ${WORK_DIR}/malformed.list)
if(NOT errors STREQUAL "mutants: ${WORK_DIR}/malformed.list:2: not FILE<TAB>TEXT<TAB>REPLACEMENT\n")
  message(FATAL_ERROR "a malformed line: ${errors}")
endif()
