#!/usr/bin/env bash
# Installs what the tests need (scripts/setup.sh), builds and runs every
# test: the normal build with the Windows cross-build and its Wine tests,
# then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and last the fuzz targets for a minute each
# (scripts/fuzz.sh).
#
# Where the kernel cannot run 32-bit programs, which Wine needs for
# zirka.exe, it first has qemu-user run them
# (scripts/enable-i386-emulation.sh, which changes the machine and says
# how).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

# /lib/ld-linux.so.2 comes with wine32.
if [ -e /lib/ld-linux.so.2 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "test.sh: this kernel cannot run 32-bit programs: scripts/enable-i386-emulation.sh"
  scripts/enable-i386-emulation.sh || echo "test.sh: 32-bit programs cannot run here: the Windows tests will fail" >&2
fi

echo "test.sh: the build, with the Windows cross-build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIRREL_WINDOWS=ON -DPIRREL_TESTS=ON -DPIRREL_BENCH=ON
cmake --build build -j2
(cd build && ctest --output-on-failure -j2 --timeout 600)

echo "test.sh: the sanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIRREL_SANITIZE=ON -DPIRREL_WINDOWS=ON -DPIRREL_TESTS=ON \
  -DPIRREL_BENCH=OFF
cmake --build build-asan -j2
(cd build-asan && ctest --output-on-failure -j2 --timeout 600)

echo "test.sh: the fuzz targets, a minute each"
scripts/fuzz.sh 60
