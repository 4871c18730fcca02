# The CI script keeps the checks that nothing else would miss if they went:
# CI set for the tests, the arm64 cross build's suite run under emulation
# and its packages checked, the sanitized suite proven sanitized by its
# probes, and every fuzz target fuzzed for a real budget whose executions
# libFuzzer confirms.
#   cmake -DSOURCE_DIR=... -P CiScriptTest.cmake
cmake_minimum_required(VERSION 3.20)
file(READ ${SOURCE_DIR}/.ci/run script)

set(required
  "\nexport CI=1\n"
  "\ncmake -S \\. -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu\\.cmake\n"
  "\nctest --test-dir build-arm64 --output-on-failure -j2\n"
  "\nlintian --fail-on error build-arm64/packages/\\*\\.deb\n"
  "\nctest --test-dir build-sanitize --output-on-failure -j2\n"
  "\nctest --test-dir build-sanitize --output-on-failure --no-tests=error -R '\\^SanitizerProbe\\\\\\.'\n"
  "-runs=\"\\$runs\""
  "if \\[ -z \"\\$done\" \\] \\|\\| \\[ \"\\$done\" -lt \"\\$runs\" \\]; then\n[^\n]*\n[^\n]*\n *exit 1\n")
foreach(pattern IN LISTS required)
  if(NOT script MATCHES "${pattern}")
    message(FATAL_ERROR ".ci/run lacks a line it must keep, matching:\n  ${pattern}")
  endif()
endforeach()

# Every target with a seed corpus has its line in the fuzz table, with at
# least 10,000 executions: none is fuzzed in name only.
file(GLOB targets RELATIVE ${SOURCE_DIR}/fuzz/corpus ${SOURCE_DIR}/fuzz/corpus/*)
if(NOT targets)
  message(FATAL_ERROR "no fuzz targets in ${SOURCE_DIR}/fuzz/corpus")
endif()
foreach(target IN LISTS targets)
  if(NOT script MATCHES "\n  \"${target} ([0-9]+)[ \"]")
    message(FATAL_ERROR "the fuzz table of .ci/run has no line for ${target}")
  elseif(CMAKE_MATCH_1 LESS 10000)
    message(FATAL_ERROR ".ci/run fuzzes ${target} for ${CMAKE_MATCH_1} executions, not at least 10000")
  endif()
endforeach()
