#!/usr/bin/env bash
# The window's benchmark on a large result, under Xvfb with Mesa's software
# rendering: the command's own time (bench/command.tcl, no window) against
# the time from the dialog's OK to the picture, frames per second while the
# view turns, and one frame in full detail (bench/gui_turn.tcl).
#
#   bench/run_gui_bench.sh            # 256 x 10000: 2.56 M vertices
#   CASE=64x10000 REPS=3 bench/run_gui_bench.sh
#
# Environment: BUILD (default build), ZIRKA (default BUILD/bin/zirka), CASE,
# REPS (default 1), AMOUNT (50), OUT (default a new temporary folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$root/build}
zirka=${ZIRKA:-$BUILD/bin/zirka}
CASE=${CASE:-256x10000}
REPS=${REPS:-1}
AMOUNT=${AMOUNT:-50}
OUT=${OUT:-$(mktemp -d /tmp/zirka-gui-bench.XXXXXX)}
m=${CASE%x*}; n=${CASE#*x}
mkdir -p "$OUT/in"
"$BUILD/bench/gen_walk" "$m" "$n" "$OUT/in"
for r in $(seq "$REPS"); do
  "$zirka" "$root/bench/command.tcl" "$OUT/in" "$AMOUNT" "$OUT/out.obj" 0 2>/dev/null | grep '^RESULT' |
    sed 's/^RESULT/command alone:/'
  LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s '-screen 0 1280x800x24' \
    "$zirka" --gui "$root/bench/gui_turn.tcl" "$OUT/in" "$AMOUNT" 2>/dev/null | grep '^RESULT' |
    sed 's/^RESULT/window:/'
done
