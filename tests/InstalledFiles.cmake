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
