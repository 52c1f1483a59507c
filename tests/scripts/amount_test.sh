#!/usr/bin/env bash
# scripts/try.sh's amount, in its dry run: taken as the dialog takes it, and
# refused, with the dialog's message, before anything would be installed or
# built.
#
#   amount_test.sh SCRIPTS_DIR           the amounts of the table below
#   amount_test.sh SCRIPTS_DIR DIALOG    each of them as plugin/pirrel.tcl
#                                        (DIALOG) takes it, through tclsh
set -uo pipefail
scripts=$1
dialog=${2:-}
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

not_a_number() { echo "\"$1\" is not a number: enter the scale in percent, for example 50 or 12.5."; }
# amount | takes: the number the command is given, or refuses: the message
cases=(
  "50|takes|50"
  "12,5|takes|12.5"
  " 12.5 % |takes|12.5"
  "12,5%|takes|12.5"
  "-100|takes|-100"
  ".5|takes|.5"
  "5,|takes|5."
  "1e-3|takes|1e-3"
  "-3.4e38|takes|-3.4e38"
  "50abc|refuses|$(not_a_number 50abc)"
  "1,5,5|refuses|$(not_a_number 1,5,5)"
  "1.5,5|refuses|$(not_a_number 1.5,5)"
  "%|refuses|$(not_a_number %)"
  "inf|refuses|$(not_a_number inf)"
  "nan|refuses|$(not_a_number nan)"
  "1 2|refuses|$(not_a_number '1 2')"
  "1e39|refuses|\"1e39\" is too large a scale: enter a number of percent up to 3.4e38."
  " |refuses|Enter the scale at the end of the path in percent, for example 50."
)

# The dialog's answer: the number, or its message.
dialog_answer() {
  tclsh8.6 <<<"source {$dialog}; set p [::pirrel::problem {$1}]; if {\$p eq {}} {puts [::pirrel::number {$1}]} else {puts \$p}"
}

for case in "${cases[@]}"; do
  IFS='|' read -r amount verdict expected <<<"$case"
  if [ -n "$dialog" ]; then
    answer=$(dialog_answer "$amount")
    [ "$answer" = "$expected" ] || fail "the dialog takes \"$amount\" as \"$answer\", not \"$expected\""
    continue
  fi
  out=$("$scripts/try.sh" --dry-run "$scripts/../examples/fold.obj" "$amount" 2>&1)
  status=$?
  if [ "$verdict" = refuses ]; then
    [ $status = 1 ] || fail "try.sh took \"$amount\" (exit $status): $out"
    [ "$out" = "try.sh: $expected" ] || fail "try.sh refused \"$amount\" saying: $out"
  else
    [ $status = 0 ] || fail "try.sh refused \"$amount\" (exit $status): $out"
    grep -qxF "try.sh: amount: $expected %" <<<"$out" || fail "try.sh did not take \"$amount\" as $expected: $out"
    grep -q "would run: build/bin/zirka examples/run_example.tcl .*/fold.obj $expected out/" <<<"$out" ||
      fail "try.sh would not run the command with $expected: $out"
  fi
done

if [ $failures -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "amounts: ok"
