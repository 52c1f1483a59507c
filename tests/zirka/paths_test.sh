#!/usr/bin/env bash
# File names relative to where the user is, from another folder than the
# repository's: scripts/try.sh's arguments (in its dry run, which builds
# and installs nothing) and examples/run_example.tcl through zirka; a
# missing file is one line on standard error, not a Tcl stack trace.
#
#   paths_test.sh SOURCE_DIR ZIRKA PLUGIN_DIR
set -uo pipefail
src=$1
zirka=$2
plugins=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sub"
cp "$src/examples/ribbon.obj" "$work/sub/my ribbon.obj"
cd "$work"

# try.sh: the input as given, relative to here.
out=$("$src/scripts/try.sh" --dry-run "sub/my ribbon.obj" 30 2>&1)
status=$?
[ $status = 0 ] || fail "try.sh --dry-run with a relative path exited $status: $out"
grep -qxF "try.sh: extruding: would run: build/bin/zirka examples/run_example.tcl $work/sub/my ribbon.obj 30 out/my ribbon_extruded.obj out/my ribbon.png" <<<"$out" ||
  fail "try.sh would not run the file named relative to $work: $out"

# try.sh: a file that is not there, or a folder, is one line, at once.
for case in "missing.obj:no such file" "sub:it is a folder"; do
  name=${case%%:*}
  err=$("$src/scripts/try.sh" --dry-run "$name" 2>&1 >/dev/null)
  status=$?
  [ $status = 1 ] || fail "try.sh --dry-run $name exited $status"
  [ "$err" = "try.sh: cannot read $name: ${case#*:}" ] || fail "try.sh --dry-run $name said: $err"
done

# run_example.tcl from here: relative input and output.
out=$("$zirka" --plugins "$plugins" "$src/examples/run_example.tcl" "sub/my ribbon.obj" 40 result.obj 2>&1)
status=$?
[ $status = 0 ] || fail "run_example.tcl with relative paths exited $status: $out"
[ -s result.obj ] || fail "run_example.tcl wrote no result.obj in $work"
grep -qxF "wrote $work/result.obj" <<<"$out" || fail "run_example.tcl did not name what it wrote: $out"

# run_example.tcl: a missing input, and an output it cannot write.
err=$("$zirka" --plugins "$plugins" "$src/examples/run_example.tcl" missing.obj 40 result.obj 2>&1 >/dev/null)
status=$?
[ $status = 1 ] || fail "run_example.tcl with a missing file exited $status"
[ "$err" = "run_example.tcl: missing.obj:0: cannot open: No such file or directory" ] ||
  fail "run_example.tcl with a missing file said: $err"
err=$("$zirka" --plugins "$plugins" "$src/examples/run_example.tcl" "sub/my ribbon.obj" 40 nowhere/result.obj 2>&1 >/dev/null)
status=$?
[ $status = 1 ] || fail "run_example.tcl with an output in a missing folder exited $status"
# The command's own lines come first: a bare line end for each object it checked.
[ "$err" = $'\n\n'"run_example.tcl: cannot write \"nowhere/result.obj\": cannot make a file beside it: No such file or directory" ] ||
  fail "run_example.tcl with an output in a missing folder said: $err"

if [ $failures -gt 0 ]; then
  echo "paths: $failures failure(s)"
  exit 1
fi
echo "paths: ok"
