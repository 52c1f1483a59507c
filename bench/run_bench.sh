#!/usr/bin/env bash
# The command's benchmark: the whole command through the real zirka, and the
# host's part alone (bench_host), on the benchmark's random walk.
#
#   bench/run_bench.sh                         # 16x1000 64x10000 256x10000 1000x10000
#   CASES="256x10000" REPS=3 bench/run_bench.sh
#
# For each m x n: gen_walk writes the m-gon and the n-point walk; then REPS
# fresh zirka processes each run bench/command.tcl (the command once cold,
# host::save, the command WARM more times after an undo, host::load) and
# REPS fresh bench_host processes make the host calls alone. Reported: the
# best of each. With BASELINE=DIR, each saved result is compared with cmp
# against DIR/out_MxN.obj. Times are wall clock on a shared machine: compare
# figures measured in the same run, never across runs.
#
# Environment: BUILD (default build), ZIRKA (default BUILD/bin/zirka, e.g.
# an older build to compare with; it loads the plug-ins beside it), CASES,
# REPS (3), WARM (5), AMOUNT (50), OUT (default a new temporary folder),
# BASELINE, SCRATCH (free-standing vertices per result vertex for
# bench_host, default 0: the command reuses a few rings of them), HOST_PART (1; 0
# leaves bench_host out), CYCLE_CASE (256x10000; "" leaves it out) and
# CYCLES (20) for bench/cycles.tcl: run + undo CYCLES times in one process.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$root/build}
CASES=${CASES:-"16x1000 64x10000 256x10000 1000x10000"}
REPS=${REPS:-3}
WARM=${WARM:-5}
AMOUNT=${AMOUNT:-50}
SCRATCH=${SCRATCH:-0}
OUT=${OUT:-$(mktemp -d /tmp/zirka-bench.XXXXXX)}
zirka=${ZIRKA:-$BUILD/bin/zirka}
gen=$BUILD/bench/gen_walk
host=$BUILD/bench/bench_host
HOST_PART=${HOST_PART:-1}
for tool in "$zirka" "$gen" "$host"; do
  [ -x "$tool" ] || { echo "run_bench.sh: $tool is missing: build first" >&2; exit 1; }
done
mkdir -p "$OUT"
echo "working in $OUT" >&2

# field LINE KEY: the value of KEY=... in LINE
field() { sed -n "s/.* $2=\([^ ]*\).*/\1/p" <<<"$1"; }
# min A B: the smaller number (A may be empty)
min() { if [ -z "$1" ]; then echo "$2"; else awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; fi; }
per() { if [ "$1" = - ]; then echo -; else awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN { printf "%.1f", a * s / b }'; fi; }

CYCLE_CASE=${CYCLE_CASE-256x10000}
CYCLES=${CYCLES:-20}
command_rows=()
host_rows=()
for c in $CASES; do
  m=${c%x*}; n=${c#*x}
  "$gen" "$m" "$n" "$OUT/in_$c"
  cold=; warm=; peak=; save=; save_peak=; load=; load_peak=; free=; vertices=
  for r in $(seq "$REPS"); do
    line=$("$zirka" "$root/bench/command.tcl" "$OUT/in_$c" "$AMOUNT" "$OUT/out_$c.obj" "$WARM" 2>/dev/null | grep '^RESULT')
    echo "$c: $line" >&2
    vertices=$(field "$line" vertices)
    free=$(field "$line" free_vertices)
    cold=$(min "$cold" "$(field "$line" cold_us)")
    warm=$(min "$warm" "$(field "$line" warm_us)")
    peak=$(min "$peak" "$(field "$line" peak_bytes)")
    save=$(min "$save" "$(field "$line" save_us)")
    save_peak=$(min "$save_peak" "$(field "$line" save_peak_bytes)")
    load=$(min "$load" "$(field "$line" load_us)")
    load_peak=$(min "$load_peak" "$(field "$line" load_peak_bytes)")
  done
  same=
  if [ -n "${BASELINE:-}" ] && [ -f "$BASELINE/out_$c.obj" ]; then
    if cmp -s "$OUT/out_$c.obj" "$BASELINE/out_$c.obj"; then same=" (= baseline)"; else same=" (DIFFERS from baseline)"; fi
  fi
  command_rows+=("| $m x $n | $vertices | $(per "$cold" 1 0.001) | $(per "$cold" "$vertices" 1000) \
| $(per "$warm" 1 0.001) | $(per "$warm" "$vertices" 1000) | $(per "$peak" "$vertices" 1) \
| $(per "$free" "$vertices" 1) | $(per "$save" 1 0.001)$same | $(per "$save_peak" "$vertices" 1) \
| $(per "$load" 1 0.001) | $(per "$load_peak" "$vertices" 1) |")

  [ "$HOST_PART" = 1 ] || continue
  ns=; first=; hpeak=
  for r in $(seq "$REPS"); do
    line=$("$host" "$m" "$n" "$SCRATCH" $((WARM + 1)) | grep '^RESULT')
    echo "$c host: $line" >&2
    ns=$(min "$ns" "$(field "$line" ns_per_vertex)")
    first=$(min "$first" "$(field "$line" first_ns_per_vertex)")
    hpeak=$(min "$hpeak" "$(field "$line" peak_bytes_per_vertex)")
  done
  host_rows+=("| $m x $n | $((m * n)) | $first | $ns | $hpeak |")
done

cycles_line=
if [ -n "$CYCLE_CASE" ]; then
  m=${CYCLE_CASE%x*}; n=${CYCLE_CASE#*x}
  [ -d "$OUT/in_$CYCLE_CASE" ] || "$gen" "$m" "$n" "$OUT/in_$CYCLE_CASE"
  cycles_line=$("$zirka" "$root/bench/cycles.tcl" "$OUT/in_$CYCLE_CASE" "$AMOUNT" "$CYCLES" 2>/dev/null | grep '^RESULT')
  echo "cycles: $cycles_line" >&2
fi

{
  echo "zirka benchmark, best of $REPS fresh processes; $(date -u +%Y-%m-%dT%H:%MZ); $(nproc) cores,\
 $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
  echo
  echo "Whole command (kvx_extrude_along_path_scale $AMOUNT through zirka); cold = first run in a fresh process,"
  echo "warm = best of $WARM more runs after an undo; peak = highest resident memory of the first run over that before it."
  echo
  echo "| m x n | vertices | cold ms | cold ns/vertex | warm ms | warm ns/vertex | peak B/vertex | free vertices/vertex | save ms | save peak B/vertex | load ms | load peak B/vertex |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${command_rows[@]}"
  if [ -n "$cycles_line" ]; then
    echo
    echo "Run + undo $CYCLES times in one process ($CYCLE_CASE): growth of the resident memory from the second cycle"
    echo "to the last $(field "$cycles_line" growth_after_second) of one result; free-standing vertices held at the end:"
    echo "$(field "$cycles_line" free_vertices); resident MB after each cycle: $(field "$cycles_line" resident_mb)"
  fi
  [ "$HOST_PART" = 1 ] || exit 0
  echo
  echo "Host's part alone (bench_host M N $SCRATCH: the command's host calls, $SCRATCH free-standing vertices per result vertex);"
  echo "cold = first run in a fresh process, warm = best of $WARM more after an undo:"
  echo
  echo "| m x n | vertices | cold ns/vertex | warm ns/vertex | peak B/vertex |"
  echo "|---|---|---|---|---|"
  printf '%s\n' "${host_rows[@]}"
} | tee "$OUT/results.md"
echo "table: $OUT/results.md" >&2
