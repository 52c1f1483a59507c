# Runs the Linux case driver on cases.list into OUT, with a plug-in folder
# that holds only pirrel.p and pirrel.tcl:
#
#   cmake -DDRIVER=... -DPLUGIN_DIR=... -DCASES_DIR=... -DOUT=... -P run_linux.cmake

foreach(var DRIVER PLUGIN_DIR CASES_DIR OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_linux.cmake: ${var} not given")
  endif()
endforeach()
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/plugins ${OUT}/out)
file(COPY ${PLUGIN_DIR}/pirrel.p ${PLUGIN_DIR}/pirrel.tcl DESTINATION ${OUT}/plugins)
execute_process(COMMAND ${DRIVER} ${OUT}/plugins ${CASES_DIR}/cases.list ${OUT}/out
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the case driver failed (${rc}):\n${out}${err}")
endif()
# The script's path is where the run happened; it is compared elsewhere.
file(REMOVE ${OUT}/out/tcl.txt)
