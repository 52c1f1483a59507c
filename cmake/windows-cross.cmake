# The Windows product, pirrel.p and zirka.exe for 32-bit Windows,
# cross-built with MinGW-w64 as part of this build when PIRREL_WINDOWS is ON
# (by default, where the cross-compiler is found): the same source tree,
# configured with cmake/mingw-w64-i686.cmake as an external project in
# win-cross/ of this build folder, and rebuilt with it (its own build is
# incremental). The sanitizers are Linux-only and never reach it.
#
# Sets PIRREL_WIN_DIR, the cross-build's folder, and the target
# pirrel_windows that builds it.

find_program(PIRREL_MINGW_CXX i686-w64-mingw32-g++-posix)
if(PIRREL_MINGW_CXX)
  set(mingw_found ON)
else()
  set(mingw_found OFF)
endif()
option(PIRREL_WINDOWS "Cross-build pirrel.p and zirka.exe for 32-bit Windows with MinGW-w64" ${mingw_found})

set(PIRREL_WIN_DIR ${CMAKE_BINARY_DIR}/win-cross)
if(NOT PIRREL_WINDOWS)
  return()
endif()
if(NOT PIRREL_MINGW_CXX)
  message(FATAL_ERROR "PIRREL_WINDOWS is ON, but MinGW-w64's i686-w64-mingw32-g++-posix was not found: "
                      "scripts/setup.sh installs it (or configure with -DPIRREL_WINDOWS=OFF).")
endif()

include(ExternalProject)
ExternalProject_Add(pirrel_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${PIRREL_WIN_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
    -DPIRREL_SANITIZE=OFF
    -DPIRREL_TESTS=OFF
    -DPIRREL_BENCH=OFF
    -DPIRREL_WERROR=${PIRREL_WERROR}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
