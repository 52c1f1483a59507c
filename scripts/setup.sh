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
)

# The tests, in addition.
tests=(
  libgtest-dev             # GoogleTest
  libbenchmark-dev         # Google Benchmark: bench/ is built with the tests
  xvfb xauth               # the window tests, under a virtual X server (xvfb-run)
  g++-mingw-w64-i686-posix # the Windows cross-build of pirrel.p and zirka.exe
  binutils-mingw-w64-i686  # its objdump and nm, which read the DLLs' tables
  wine wine64 wine32:i386  # zirka.exe run under Wine
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

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing_minimal=()
for p in "${minimal[@]}"; do
  installed "$p" || missing_minimal+=("$p")
done
missing_tests=()
if [ $set_name = full ]; then
  for p in "${tests[@]}"; do
    installed "$p" || missing_tests+=("$p")
  done
fi
missing=("${missing_minimal[@]}" "${missing_tests[@]}")
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
# The minimal set without apt's recommended extras (for these, gpg, manual
# pages and image libraries: nothing the build uses); the tests' packages
# with them, as the window tests and Wine use some (X fonts, fontconfig).
if [ ${#missing_minimal[@]} -gt 0 ]; then
  run env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing_minimal[@]}"
fi
if [ ${#missing_tests[@]} -gt 0 ]; then
  run env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing_tests[@]}"
fi
if [ $dry_run = 0 ]; then
  echo "setup: all present"
fi
