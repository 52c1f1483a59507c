#!/usr/bin/env bash
# Our command and three.js TubeGeometry on the same work, side by side in
# one run, with the ratios.
#
#   bench/compare_peers.sh                      # 256x10000 1000x10000
#   CASES="64x10000 256x10000" ROUNDS=3 bench/compare_peers.sh
#
# For each m x n, ROUNDS times in turn: one fresh zirka process running
# bench/command.tcl (the command once cold, then WARM more times after an
# undo), and one fresh node process running the peers' bench.mjs M N tube
# TUBE_REPS (a warm-up, then the best of TUBE_REPS). TubeGeometry sweeps a
# circle of m segments along the same n-point walk, without scaling and
# without mitres: less work than the command. Ratios are ours over
# TubeGeometry's: warm against its best, cold against its warm-up. Peak
# memory: ours is the command's own (resident high-water mark over the
# resident size before it), TubeGeometry's the node process's maximum
# resident size.
#
# Environment: BUILD (default build), PEERS (default ../shared/peers beside
# the repository), CASES, ROUNDS (3), WARM (2), TUBE_REPS (3), OUT.
# three.js is installed from the npm registry into OUT on the first run, as
# pinned by the peers' package-lock.json.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$root/build}
PEERS=${PEERS:-$root/../shared/peers}
CASES=${CASES:-"256x10000 1000x10000"}
ROUNDS=${ROUNDS:-3}
WARM=${WARM:-2}
TUBE_REPS=${TUBE_REPS:-3}
OUT=${OUT:-$(mktemp -d /tmp/zirka-peers.XXXXXX)}
zirka=$BUILD/bin/zirka
gen=$BUILD/bench/gen_walk
for tool in "$zirka" "$gen"; do
  [ -x "$tool" ] || { echo "compare_peers.sh: $tool is missing: build first" >&2; exit 1; }
done
[ -f "$PEERS/threejs/bench.mjs" ] || { echo "compare_peers.sh: no $PEERS/threejs/bench.mjs" >&2; exit 1; }
mkdir -p "$OUT"
echo "working in $OUT" >&2
if [ ! -d "$OUT/threejs/node_modules/three" ]; then
  cp -r "$PEERS/threejs" "$OUT/"
  (cd "$OUT/threejs" && npm ci --no-audit --no-fund >&2)
fi

field() { sed -n "s/.* $2=\([^ ]*\).*/\1/p" <<<"$1" | head -1; }
min() { if [ -z "$1" ]; then echo "$2"; else awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; fi; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ms() { awk -v a="$1" 'BEGIN { printf "%.0f", a / 1000 }'; }

rows=()
for c in $CASES; do
  m=${c%x*}; n=${c#*x}
  "$gen" "$m" "$n" "$OUT/in_$c"
  cold=; warm=; peak=; tube=; tube_cold=; tube_rss=; vertices=
  for r in $(seq "$ROUNDS"); do
    line=$("$zirka" "$root/bench/command.tcl" "$OUT/in_$c" 50 "$OUT/out_$c.obj" "$WARM" 2>/dev/null | grep '^RESULT')
    echo "$c ours: $line" >&2
    vertices=$(field "$line" vertices)
    cold=$(min "$cold" "$(field "$line" cold_us)")
    warm=$(min "$warm" "$(field "$line" warm_us)")
    peak=$(min "$peak" "$(field "$line" peak_bytes)")

    /usr/bin/time -v -o "$OUT/tube_$c.time" node --max-old-space-size=16000 --expose-gc \
      "$OUT/threejs/bench.mjs" "$m" "$n" tube "$TUBE_REPS" >"$OUT/tube_$c.out" 2>"$OUT/tube_$c.err"
    line=$(grep '^RESULT' "$OUT/tube_$c.out")
    echo "$c tube: $line" >&2
    tube=$(min "$tube" "$(field "$line" best_ms)")
    tube_cold=$(min "$tube_cold" "$(sed -n 's/.*rep 0 (warm-up): \([0-9.]*\) ms.*/\1/p' "$OUT/tube_$c.err")")
    tube_rss=$(min "$tube_rss" "$(awk -F': ' '/Maximum resident set size/ {print $2 * 1024}' "$OUT/tube_$c.time")")
  done
  warm_ms=$(ms "$warm"); cold_ms=$(ms "$cold")
  rows+=("| $m x $n | $vertices | $warm_ms | $tube | **$(ratio "$warm_ms" "$tube")** | $cold_ms | $tube_cold \
| $(ratio "$cold_ms" "$tube_cold") | $(awk -v p="$peak" -v v="$vertices" 'BEGIN { printf "%.0f", p / v }') \
| $(awk -v p="$tube_rss" -v v="$vertices" 'BEGIN { printf "%.0f", p / v }') |")
done

{
  echo "Our command against three.js TubeGeometry, side by side, best of $ROUNDS rounds; $(date -u +%Y-%m-%dT%H:%MZ)"
  echo "$(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo); node $(node --version);\
 three $(node -p "require('$OUT/threejs/node_modules/three/package.json').version")"
  echo
  echo "| m x n | vertices | ours warm ms | Tube best ms | ratio | ours cold ms | Tube warm-up ms | ratio cold | our peak B/vertex | Tube process RSS B/vertex |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
} | tee "$OUT/compare.md"
echo "table: $OUT/compare.md" >&2
