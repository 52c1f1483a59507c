#!/usr/bin/env bash
# Installs what building and running need (scripts/setup.sh --minimal),
# builds zirka and pirrel.p, and runs "extrude along a path with scaling" on
# the bundled example: a star outline carried along a path through space,
# shrinking to 25 %. Writes the new object as an OBJ file and a picture of it
# as a PNG file (scripts/try_picture.tcl says what it shows), and says where
# they are.
#
#   scripts/try.sh [--dry-run] [INPUT.obj [AMOUNT]]
#
#   --dry-run  say what would be installed, built and run, and do nothing.
#
# AMOUNT (default 25) is the scale at the end of the path in percent, taken
# as the dialog takes it: "12,5" and "12.5 %" are 12.5; "50abc" is refused
# before anything is installed or built.
#
# INPUT.obj is taken relative to the folder try.sh is run in; the results go
# to out/ in the repository.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."

dry_run=0
if [ "${1:-}" = --dry-run ]; then
  dry_run=1
  shift
fi
input=examples/star_along_path.obj
if [ $# -ge 1 ]; then
  case $1 in
    /*) input=$1 ;;
    *) input=$here/$1 ;;
  esac
  why=
  if [ ! -e "$input" ]; then
    why="no such file"
  elif [ -d "$input" ]; then
    why="it is a folder"
  elif [ ! -r "$input" ]; then
    why="not readable"
  fi
  if [ -n "$why" ]; then
    echo "try.sh: cannot read $1: $why" >&2
    exit 1
  fi
fi
# The amount as the dialog (plugin/pirrel.tcl) takes it, checked before
# anything is installed or built: blanks around it and a trailing % are
# dropped, a decimal comma is a decimal point, and what is then not wholly a
# decimal number of at most 3.4e38 is refused with the dialog's message.
# Prints the number the command is to read.
amount_of() {
  local shown=$1 text
  shown=${shown#"${shown%%[![:space:]]*}"}
  shown=${shown%"${shown##*[![:space:]]}"}
  text=$shown
  if [[ $text =~ ^(.*[^[:space:]]|)[[:space:]]*%$ ]]; then
    text=${BASH_REMATCH[1]}
  fi
  if [[ $text != *.* && $text =~ ^([^,]*),([^,]*)$ ]]; then
    text=${BASH_REMATCH[1]}.${BASH_REMATCH[2]}
  fi
  if [ -z "$shown" ]; then
    echo "try.sh: Enter the scale at the end of the path in percent, for example 50." >&2
  elif ! [[ $text =~ ^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?$ ]]; then
    echo "try.sh: \"$shown\" is not a number: enter the scale in percent, for example 50 or 12.5." >&2
  elif awk -v x="$text" 'BEGIN { exit !(x + 0 > 3.4028234663852886e38 || x + 0 < -3.4028234663852886e38) }'; then
    echo "try.sh: \"$shown\" is too large a scale: enter a number of percent up to 3.4e38." >&2
  else
    echo "$text"
    return 0
  fi
  return 1
}
amount=$(amount_of "${2-25}") || exit 1
echo "try.sh: amount: $amount %"
output=out/$(basename "${input%.obj}")_extruded.obj
picture=out/$(basename "${input%.obj}").png

if [ $dry_run = 1 ]; then
  scripts/setup.sh --minimal --dry-run
else
  scripts/setup.sh --minimal
fi

# A new build folder is configured for trying only (no tests, no Windows
# cross-build); one that exists, such as scripts/test.sh's, keeps its options.
options=()
if [ ! -f build/CMakeCache.txt ]; then
  options=(-DPIRREL_TESTS=OFF -DPIRREL_BENCH=OFF -DPIRREL_WINDOWS=OFF)
fi

step() {
  local what=$1
  shift
  if [ $dry_run = 1 ]; then
    echo "try.sh: $what: would run: $*"
  else
    echo "try.sh: $what: $*"
    "$@"
  fi
}
step "configuring build/" cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
step "building zirka and pirrel.p" cmake --build build -j2 --target zirka pirrel
step "making out/" mkdir -p out
step "extruding" build/bin/zirka examples/run_example.tcl "$input" "$amount" "$output" "$picture"
step "drawing the outline, the path, their start and end, the axes and a key over the result" \
  build/bin/zirka scripts/try_picture.tcl "$input" "$output" "$picture"
