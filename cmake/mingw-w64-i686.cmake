# Cross-building for 32-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-i686-posix): the platform the host, zirka.exe, runs on.
#
#   cmake -S . -B build-win --toolchain cmake/mingw-w64-i686.cmake
#
# The posix flavour of the compiler is the one whose C++ runtime has
# std::thread and friends (through winpthread); the root CMakeLists links
# that runtime in statically, so pirrel.p needs no MinGW DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(PIRREL_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PIRREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PIRREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PIRREL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PIRREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
