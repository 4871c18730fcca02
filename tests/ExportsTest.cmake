# A libQrVApi.so exports the four SDK functions and nothing else.
#   cmake -DLIBRARY=... -P ExportsTest.cmake
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "nm -D ${LIBRARY} failed")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${symbols}")
string(REPLACE "\n" "" names "${names}")
list(SORT names)
set(expected QrVGetNumberCamerasEx QrVInitializeEx QrVPrivateCmd QrVUninitialize)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} exports:\n  ${names}\nexpected:\n  ${expected}")
endif()
