#!/usr/bin/env bash
# Builds zirka and the plug-in, and draws the gallery again: the picture
# beside each bundled example (examples/NAME.png), shown in the README.
#
#   scripts/gallery.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target zirka pirrel >/dev/null
build/bin/zirka scripts/gallery.tcl examples examples
