#!/usr/bin/env bash
# The dry runs of scripts/try.sh, scripts/setup.sh and
# scripts/enable-i386-emulation.sh, on this machine and as on a fresh one:
# there dpkg is pointed at an empty package database (DPKG_ADMINDIR), so
# every package is missing and no foreign architecture is configured.
#
#   setup_test.sh SCRIPTS_DIR
set -uo pipefail
scripts=$1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
touch "$fresh/status"

# Runs a dry run: its output in $out, its exit status checked.
dry_run() {
  local expected=$1
  shift
  out=$("$@" 2>&1)
  local status=$?
  [ $status = "$expected" ] || fail "$* exited $status, not $expected: $out"
  if grep -q 'running:' <<<"$out"; then
    fail "$* changed something: $(grep 'running:' <<<"$out")"
  fi
}
# The packages that an install line of the output names.
installs() {
  grep 'would run: .*apt-get install' <<<"$out" | sed 's/.*apt-get install -y//; s/--no-install-recommends//' | tr ' ' '\n' |
    sed '/^$/d'
}

# try.sh on a fresh machine: building and running, nothing for the tests.
dry_run 0 env DPKG_ADMINDIR="$fresh" "$scripts/try.sh" --dry-run
minimal=$(installs)
for p in cmake g++ tcl8.6-dev tk8.6-dev; do
  grep -qx "$p" <<<"$minimal" || fail "try.sh would not install $p: $minimal"
done
if grep -Ei 'wine|mingw|xvfb|gtest|benchmark' <<<"$minimal"; then
  fail "try.sh would install packages for the tests"
fi
grep -q 'add-architecture' <<<"$out" && fail "try.sh would add a dpkg architecture: $out"
grep -q 'would run: build/bin/zirka examples/run_example.tcl examples/star_along_path.obj 25' <<<"$out" ||
  fail "try.sh would not run the bundled example: $out"

# setup.sh's full set on a fresh machine: the minimal set and the tests'.
dry_run 0 env DPKG_ADMINDIR="$fresh" "$scripts/setup.sh" --dry-run
full=$(installs)
for p in $minimal wine wine64 wine32:i386 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 xvfb xauth libgtest-dev clang libfuzzer-14-dev; do
  grep -qx "$p" <<<"$full" || fail "setup.sh would not install $p: $full"
done
grep -q 'would run: dpkg --add-architecture i386' <<<"$out" || fail "setup.sh would not add i386 for wine32: $out"
[ -s "$fresh/status" ] || [ -e "$fresh/arch" ] && fail "a dry run wrote to dpkg's database"

# On this machine: whatever is installed, a dry run changes nothing.
dry_run 0 "$scripts/setup.sh" --dry-run
dry_run 2 "$scripts/setup.sh" --full

# The emulation's steps are walked in a dry run, wherever it runs.
dry_run 0 "$scripts/enable-i386-emulation.sh" --dry-run
grep -q 'qemu-i386' <<<"$out" || fail "enable-i386-emulation.sh --dry-run says nothing of qemu-i386: $out"
dry_run 2 "$scripts/enable-i386-emulation.sh" --now

if [ $failures -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "setup dry runs: ok"
