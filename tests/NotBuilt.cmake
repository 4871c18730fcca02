# Stands for the tests of a part that was not built: skipped with one line
# saying what is missing and how to get it, or, under CI, failed.
#   cmake -DTEST_NAME=... -DSKIP_LOG=... -DMISSING=... -DHOW=... -P NotBuilt.cmake
include(${CMAKE_CURRENT_LIST_DIR}/Skip.cmake)
skip_test("${MISSING}" "${HOW}")
