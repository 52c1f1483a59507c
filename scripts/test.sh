#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build (with the Windows
# cross-build and its Wine tests), then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
(cd build && ctest --output-on-failure -j2 --timeout 600)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIRREL_SANITIZE=ON -DPIRREL_BENCH=OFF
cmake --build build-asan -j2
(cd build-asan && ctest --output-on-failure -j2 --timeout 600)
