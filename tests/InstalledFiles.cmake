# Checks shared by the install and package tests.  EMULATOR: the emulator
# that runs a cross build's programs, empty in a native build.

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

# The command that runs the launcher: the launcher itself, or in a cross
# build its script with the exec of the tool going through the emulator, as
# binfmt_misc would have it.
function(launcher_command launcher result)
  set(command ${launcher})
  if(EMULATOR)
    file(READ ${launcher} script)
    string(JOIN " " emulator ${EMULATOR})
    set(toolExec "exec \"$here/VisionAccess\"")
    string(REPLACE "${toolExec}" "exec ${emulator} \"$here/VisionAccess\"" emulated "${script}")
    if(emulated STREQUAL script)
      message(FATAL_ERROR "${launcher} has no line '${toolExec}' to run through the emulator:\n${script}")
    endif()
    set(command sh -c "${emulated}" ${launcher})
  endif()
  set(${result} ${command} PARENT_SCOPE)
endfunction()

# The launcher runs VisionAccess on the two default simulated cameras.
function(expect_simulated_cameras launcher)
  launcher_command(${launcher} command)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=QRV_SIM_CONFIG QRV_SIM_STATE=off
                          ${command} -r 60018
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
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${EMULATOR} ${program} --version
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT output MATCHES "^VisionAccess [0-9.]+\n$" OR errors)
    message(FATAL_ERROR "${program} --version without an SDK: status ${status}\n${output}${errors}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${EMULATOR} ${program} -r 60018
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
  launcher_command(${launcher} command)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=QRV_SIM_CONFIG QRV_SIM_STATE=off
                          XDG_CACHE_HOME=${cache} ${command} -s 21330417 -r Width
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT output MATCHES "\n        Feature Width read as 1920\n$" OR errors)
    message(FATAL_ERROR "${launcher} -r Width: status ${status}, output:\n${output}${errors}")
  endif()
endfunction()

# The example cameras installed with the simulator run from where they are
# installed: their description is found beside their configuration.
function(expect_example_cameras launcher config cache)
  launcher_command(${launcher} command)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH QRV_SIM_CONFIG=${config} QRV_SIM_STATE=off
                          XDG_CACHE_HOME=${cache} ${command} -r DeviceModelName -r WidthMax
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  set(camera "        Feature DeviceModelName read as Example camera\n        Feature WidthMax read as 1984\n")
  if(NOT status EQUAL 0 OR errors OR NOT output MATCHES
     "\n    Camera 31000001\n${camera}    Camera 31000002\n${camera}$")
    message(FATAL_ERROR "${launcher} with ${config}: status ${status}, output:\n${output}${errors}")
  endif()
endfunction()

# The README's session on the installed example cameras: one camera saved
# (-o), the file applied to the other (-p), both compared with it (-m).
function(expect_configuration_session launcher config work cache)
  launcher_command(${launcher} command)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work}/configs)
  set(env ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH QRV_SIM_CONFIG=${config}
          QRV_SIM_STATE=${work}/example-state XDG_CACHE_HOME=${cache})
  set(file configs/31000001.pfs)
  foreach(step "-s;31000001;-w;Width;1024;-o;configs" "-s;31000002;-p;${file}" "-m;${file}")
    execute_process(COMMAND ${env} ${command} ${step} WORKING_DIRECTORY ${work}
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT status EQUAL 0 OR errors)
      message(FATAL_ERROR "${launcher} ${step} with ${config}: status ${status}, output:\n${output}${errors}")
    endif()
  endforeach()
  set(matches "        Configuration matches ${file}\n")
  if(NOT output MATCHES "\n    Camera 31000001\n${matches}    Camera 31000002\n${matches}$")
    message(FATAL_ERROR "${launcher} -m ${file}: the cameras do not match:\n${output}")
  endif()
endfunction()
