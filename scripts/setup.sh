#!/usr/bin/env bash
# Installs the Debian packages pirrel needs, with apt-get, and only those
# that are missing:
#
#   scripts/setup.sh [--minimal] [--dry-run]
#
#   --minimal  only what building zirka and pirrel.p and running the
#              operation need (scripts/try.sh); without it, everything the
#              tests need as well (scripts/test.sh).
#   --dry-run  say what would be installed and changed, and change nothing.
#
# It says what it is going to install before it does, and apt-get shows its
# progress. Beyond installing packages it changes one thing, for the whole
# machine, and says so first: the full set adds dpkg's i386 architecture,
# because Wine's 32-bit half (wine32) is an i386 package. Needs root, or
# sudo, when something is missing.
set -euo pipefail

# Building zirka and pirrel.p, and running the operation.
minimal=(
  cmake                    # the build
  make                     # CMake's default generator
  g++                      # the compiler (brings gcc for the C parts)
  tcl8.6-dev               # zirka's interpreter
  tk8.6-dev                # zirka --gui's window
  # Pictures and the window's view: OpenGL through EGL, Mesa's software
  # renderer (llvmpipe) where there is no GPU, PNG files through libpng.
  libegl-dev libopengl-dev libgl-dev libx11-dev
  libegl-mesa0 libgl1-mesa-dri
  libglu1-mesa-dev         # GLU's tessellator: faces of many sides
  libpng-dev
)

# The tests, in addition.
tests=(
  libgtest-dev             # GoogleTest
  libbenchmark-dev         # Google Benchmark: bench/ is built with the tests
  xvfb xauth               # the window tests, under a virtual X server (xvfb-run)
  g++-mingw-w64-i686-posix # the Windows cross-build of pirrel.p and zirka.exe
  binutils-mingw-w64-i686  # its objdump and nm, which read the DLLs' tables
  wine wine64 wine32:i386  # zirka.exe run under Wine
  clang libfuzzer-14-dev libclang-rt-14-dev llvm-14 # scripts/fuzz.sh: libFuzzer, clang's sanitizer runtimes, llvm-symbolizer
)

usage() {
  echo "usage: scripts/setup.sh [--minimal] [--dry-run]" >&2
  exit 2
}

set_name=full
dry_run=0
for arg in "$@"; do
  case $arg in
    --minimal) set_name=minimal ;;
    --dry-run) dry_run=1 ;;
    *) usage ;;
  esac
done

packages=("${minimal[@]}")
what="building and running"
if [ $set_name = full ]; then
  packages+=("${tests[@]}")
  what="building, running and testing"
fi
echo "setup: the $set_name set ($what), ${#packages[@]} packages: ${packages[*]}"

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all present"
  exit 0
fi
echo "setup: missing here: ${missing[*]}"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
run() {
  if [ $dry_run = 1 ]; then
    echo "setup: would run: $*"
  else
    echo "setup: running: $*"
    "${sudo_cmd[@]}" "$@"
  fi
}

# An i386 package needs dpkg's i386 architecture.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: wine32 is an i386 package: dpkg gets the i386 architecture, for the whole machine"
  run dpkg --add-architecture i386
fi
run apt-get update
# Without apt's recommended extras (gpg, manual pages, image libraries,
# Wine's media drivers): nothing here uses them.
run env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
if [ $dry_run = 0 ]; then
  echo "setup: all present"
fi
