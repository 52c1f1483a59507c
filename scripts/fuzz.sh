#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (in build-fuzz/) and runs each for SECONDS
# (default 60), one after the other:
#
#   scripts/fuzz.sh [SECONDS [TARGET...]]
#
# TARGET is obj_read or extrude (default: both). Each starts from its starting
# corpus, fuzz/corpus/TARGET/, and from what earlier runs here found,
# build-fuzz/corpus/TARGET/, where new inputs go (the starting inputs in the
# repository are never written). Fails on any finding: a crash, a failed
# check, a sanitizer report, a leak, an input that runs longer than 10 s,
# more than 2 GiB of memory. The input that shows it is written to
# build-fuzz/findings/TARGET/, and the script says how to run it again.
# Each target's output is in build-fuzz/logs/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(obj_read extrude)
fi
case $seconds in
  '' | *[!0-9]*)
    echo "usage: scripts/fuzz.sh [SECONDS [TARGET...]]" >&2
    exit 2
    ;;
esac

# What each target is given besides its corpora.
options() {
  case $1 in
    obj_read) echo "-dict=fuzz/obj_read.dict -max_len=4096" ;;
    extrude) echo "-max_len=1024" ;;
    *)
      echo "fuzz.sh: no target $1 (obj_read, extrude)" >&2
      return 1
      ;;
  esac
}
for t in "${targets[@]}"; do options "$t" >/dev/null; done

echo "fuzz.sh: the fuzz build (clang, sanitizers) in build-fuzz"
cmake -S . -B build-fuzz -DPIRREL_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIRREL_TESTS=OFF -DPIRREL_BENCH=OFF -DPIRREL_WINDOWS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Reports name functions and lines through llvm-14's symbolizer.
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && [ -x /usr/bin/llvm-symbolizer-14 ]; then
  export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
fi
passed=0
failed=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  findings=build-fuzz/findings/$t
  log=build-fuzz/logs/$t.log
  mkdir -p "$corpus" "$findings" build-fuzz/logs
  echo "fuzz.sh: $t for $seconds s"
  stamp=build-fuzz/logs/$t.start
  touch "$stamp"
  status=0
  # shellcheck disable=SC2046 # the options are words
  "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" $(options "$t") "$corpus" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  # The figures: libFuzzer's final statistics and its last status line.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  status_line=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status_line")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status_line")
  corp=$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<<"$status_line")
  if [ $status = 0 ]; then
    echo "fuzz.sh: $t: ${runs:-?} executions, cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?} (inputs/bytes), no findings"
    passed=$((passed + 1))
  else
    echo "fuzz.sh: $t FAILED (exit $status) after ${runs:-?} executions; the end of $log:" >&2
    tail -n 60 "$log" >&2
    find "$findings" -type f -newer "$stamp" | while read -r f; do
      echo "fuzz.sh: $t: finding $f; again: build-fuzz/fuzz/fuzz_$t $f" >&2
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed = 0 ]
