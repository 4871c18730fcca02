# Checks shared by the install and package tests.

# The program has neither RPATH nor RUNPATH.
function(expect_no_search_path program)
  execute_process(COMMAND readelf -d ${program} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "readelf -d ${program} failed")
  endif()
  if(dynamic MATCHES "RPATH|RUNPATH")
    message(FATAL_ERROR "${program} carries a library search path:\n${dynamic}")
  endif()
endfunction()

# The launcher runs VisionAccess on the two default simulated cameras.
function(expect_simulated_cameras launcher)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=QRV_SIM_CONFIG QRV_SIM_STATE=off
                          ${launcher} -r 60018
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  set(expected "^00:00:0[01] Camera scan \\.\\.\\.\\.\n    Camera 21330417\n        Register 0x60018 read as 0x00000780\n"
               "    Camera 21330418\n        Register 0x60018 read as 0x00000780\n$")
  string(CONCAT expected ${expected})
  if(NOT status EQUAL 0 OR NOT output MATCHES "${expected}")
    message(FATAL_ERROR "${launcher} -r 60018: status ${status}, output:\n${output}${errors}")
  endif()
endfunction()

# On a machine without any SDK the program still answers --version, and a
# scan ends with status 3, one line on standard error and nothing printed.
function(expect_no_sdk program)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${program} --version
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT output MATCHES "^VisionAccess [0-9.]+\n$" OR errors)
    message(FATAL_ERROR "${program} --version without an SDK: status ${status}\n${output}${errors}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${program} -r 60018
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  set(line "^VisionAccess: cannot load the camera SDK libQrVApi\\.so \\(libQrVApi\\.so: cannot open shared object "
           "file: No such file or directory\\): install [^\n]*visionaccess-u3v[^\n]*visionaccess-sim[^\n]*\n$")
  string(CONCAT line ${line})
  if(NOT status EQUAL 3 OR output OR NOT errors MATCHES "${line}")
    message(FATAL_ERROR "${program} -r 60018 without an SDK: status ${status}\n${output}${errors}")
  endif()
endfunction()

# The installed tool finds its GenICam module beside it: a feature name is
# read on the simulated cameras through the launcher.
function(expect_feature_names launcher cache)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=QRV_SIM_CONFIG QRV_SIM_STATE=off
                          XDG_CACHE_HOME=${cache} ${launcher} -s 21330417 -r Width
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT output MATCHES "\n        Feature Width read as 1920\n$" OR errors)
    message(FATAL_ERROR "${launcher} -r Width: status ${status}, output:\n${output}${errors}")
  endif()
endfunction()
