# velmora-ini.exe under Wine against the Linux velmora-ini: the same exit status and the same
# output (line ends aside) for `check FILE`, run in FILE's folder so both print the same path.
#   -DWINE= -DEXE= -DHOST_CHECKER= -DFILE=
get_filename_component(folder "${FILE}" DIRECTORY)
get_filename_component(name "${FILE}" NAME)
execute_process(COMMAND "${WINE}" "${EXE}" check "${name}" WORKING_DIRECTORY "${folder}"
                RESULT_VARIABLE wine_status OUTPUT_VARIABLE wine_out ERROR_VARIABLE wine_err)
execute_process(COMMAND "${HOST_CHECKER}" check "${name}" WORKING_DIRECTORY "${folder}"
                RESULT_VARIABLE linux_status OUTPUT_VARIABLE linux_out ERROR_VARIABLE linux_err)
string(REPLACE "\r" "" wine_out "${wine_out}")
# Both must have run: a program that cannot start reports a text, and two such would agree.
if(NOT wine_status MATCHES "^[0-9]+$" OR NOT linux_status MATCHES "^[0-9]+$")
  message(FATAL_ERROR "a checker did not run: Wine ${wine_status}, Linux ${linux_status}")
endif()
if(NOT wine_status STREQUAL linux_status)
  message(FATAL_ERROR "exit ${wine_status} under Wine, ${linux_status} on Linux\n${wine_out}${wine_err}")
endif()
if(NOT wine_out STREQUAL linux_out)
  message(FATAL_ERROR "the outputs differ:\n--- Wine\n${wine_out}\n--- Linux\n${linux_out}")
endif()
message(STATUS "${name}: exit ${wine_status}, the same output on both:\n${wine_out}")
