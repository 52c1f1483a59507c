# Runs the cases on both platforms into OUT/linux and OUT/windows:
#
#   cmake -DWINE=... -DWINESERVER=... -DWINEPREFIX=... -DLINUX_DRIVER=...
#         -DLINUX_PLUGIN_DIR=... -DWINDOWS_DRIVER=... -DWINDOWS_PLUGIN_DIR=...
#         -DCASES_DIR=... -DEXAMPLES_DIR=... -DOUT=... -P run_cases.cmake
#
# Each platform gets a plug-in folder holding only pirrel.p and pirrel.tcl.
# The case list is tests/cases/cases.list plus two cases for each bundled
# example (first object the template, second the path). zirka.exe is given
# its folders as Windows paths (drive Z: is / under Wine), with backslashes.

foreach(var WINE WINESERVER WINEPREFIX LINUX_DRIVER LINUX_PLUGIN_DIR WINDOWS_DRIVER WINDOWS_PLUGIN_DIR
            CASES_DIR EXAMPLES_DIR OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_cases.cmake: ${var} not given")
  endif()
endforeach()
foreach(file ${LINUX_DRIVER} ${LINUX_PLUGIN_DIR}/pirrel.p ${WINDOWS_DRIVER} ${WINDOWS_PLUGIN_DIR}/pirrel.p)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: build first (cmake --build)")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/cases ${OUT}/linux ${OUT}/windows)
foreach(platform linux windows)
  string(TOUPPER ${platform} PLATFORM)
  file(MAKE_DIRECTORY ${OUT}/${platform}-plugins)
  file(COPY ${${PLATFORM}_PLUGIN_DIR}/pirrel.p ${${PLATFORM}_PLUGIN_DIR}/pirrel.tcl
       DESTINATION ${OUT}/${platform}-plugins)
endforeach()

file(GLOB case_files ${CASES_DIR}/*.obj)
file(COPY ${case_files} DESTINATION ${OUT}/cases)
file(READ ${CASES_DIR}/cases.list list)
file(GLOB examples ${EXAMPLES_DIR}/*.obj)
string(APPEND list "# The bundled examples.\n")
foreach(example ${examples})
  get_filename_component(stem ${example} NAME_WE)
  file(COPY_FILE ${example} ${OUT}/cases/example_${stem}.obj)
  string(APPEND list "example_${stem}_25 example_${stem}.obj 1,2 kvx_extrude_along_path_scale 25\n")
  string(APPEND list "example_${stem}_100 example_${stem}.obj 1,2 kvx_extrude_along_path_scale 100\n")
  string(APPEND list "example_${stem}_options example_${stem}.obj 1,2 kvx_extrude_along_path -caps -outward -uv 25\n")
endforeach()
file(WRITE ${OUT}/cases/run.list "${list}")

# Linux.
execute_process(
  COMMAND ${LINUX_DRIVER} ${OUT}/linux-plugins ${OUT}/cases/run.list ${OUT}/linux
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
message(STATUS "Linux driver:\n${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux driver failed (${rc})")
endif()

# Windows, under Wine.
function(windows_path path out)
  string(REPLACE "/" "\\" path "${path}")
  set(${out} "Z:${path}" PARENT_SCOPE)
endfunction()
windows_path(${OUT}/windows-plugins plugin_folder)
windows_path(${OUT}/cases/run.list run_list)
windows_path(${OUT}/windows output_folder)
file(WRITE ${OUT}/windows-plugin-folder.txt "${plugin_folder}")
file(WRITE ${OUT}/linux-plugin-folder.txt "${OUT}/linux-plugins")

set(wine_env ${CMAKE_COMMAND} -E env WINEPREFIX=${WINEPREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
set(cannot_run "Wine cannot run 32-bit Windows programs here. On a kernel that cannot run 32-bit \
programs itself, scripts/enable-i386-emulation.sh has qemu-user run them")
if(NOT EXISTS ${WINEPREFIX}/system.reg)
  message(STATUS "Making the Wine prefix ${WINEPREFIX} (slow the first time)")
endif()
execute_process(COMMAND ${wine_env} ${WINE} wineboot.exe --init
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 240)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wineboot failed (${rc}): ${out}${err}\n${cannot_run}")
endif()
execute_process(
  COMMAND ${wine_env} ${WINE} ${WINDOWS_DRIVER} ${plugin_folder} ${run_list} ${output_folder}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
message(STATUS "zirka.exe under Wine:\n${out}${err}")
execute_process(COMMAND ${wine_env} ${WINESERVER} -k RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zirka.exe failed under Wine (${rc})\n${cannot_run}")
endif()
