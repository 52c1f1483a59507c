#!/usr/bin/env bash
# scripts/try_picture.tcl after examples/run_example.tcl, as try.sh runs
# them: a PNG picture is written and named.
#
#   picture_test.sh SOURCE_DIR ZIRKA PLUGIN_DIR
set -uo pipefail
src=$1
zirka=$2
plugins=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$zirka" --plugins "$plugins" "$src/examples/run_example.tcl" "$src/examples/star_along_path.obj" 25 "$work/star.obj" >/dev/null ||
  { echo "FAIL: run_example.tcl"; exit 1; }
out=$("$zirka" --plugins "$plugins" "$src/scripts/try_picture.tcl" "$src/examples/star_along_path.obj" "$work/star.obj" "$work/star.png" 2>&1)
[ $? = 0 ] || { echo "FAIL: try_picture.tcl: $out"; exit 1; }
grep -q "^wrote $work/star.png: " <<<"$out" || { echo "FAIL: try_picture.tcl did not name its picture: $out"; exit 1; }
[ "$(head -c 8 "$work/star.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || { echo "FAIL: no PNG file"; exit 1; }
[ -z "$(ls -A "$work" | grep -v '^star\.')" ] || { echo "FAIL: left files behind: $(ls -A "$work")"; exit 1; }
echo "picture: ok"
