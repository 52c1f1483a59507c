#!/usr/bin/env bash
# Sets up, builds, and runs "extrude along a path with scaling" on the bundled
# example: a star outline carried along a path through space, shrinking to
# 25 %. Writes the new object as an OBJ file and a picture of it as a PNG
# file, and says where they are.
#
#   scripts/try.sh [INPUT.obj [AMOUNT]]
set -euo pipefail
cd "$(dirname "$0")/.."

input=${1:-examples/star_along_path.obj}
amount=${2:-25}

scripts/setup.sh >/dev/null
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target zirka pirrel >/dev/null

mkdir -p out
output=out/$(basename "${input%.obj}")_extruded.obj
picture=out/$(basename "${input%.obj}").png
build/bin/zirka examples/run_example.tcl "$input" "$amount" "$output" "$picture"
