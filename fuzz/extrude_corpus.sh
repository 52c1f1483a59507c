#!/usr/bin/env bash
# Writes the hand-made starting inputs of the extrude fuzzer into corpus/extrude/
# (start_*), in the input layout that fuzz/extrude.cpp describes:
#
#   fuzz/extrude_corpus.sh
#
# Each input is a run byte, an amount, the objects, the selection. Points
# are on the grid of quarters: p X Y Z writes one, in whole units.
set -euo pipefail
cd "$(dirname "$0")"
out=corpus/extrude
mkdir -p "$out"
rm -f "$out"/start_*

bytes=()
# b N...: bytes, negative numbers as their two's complement.
b() {
  local n
  for n in "$@"; do bytes+=($(((n + 256) % 256))); done
}
# amount_table I: one of the fuzzer's kAmounts (0 "50", 1 "100", 2 "0",
# 3 "-100", 4 "250", 5 "25", 7 "1e39", 8 "nan").
amount_table() { b 2 "$1"; }
# amount_text TEXT
amount_text() {
  local text=$1 i
  b 0 ${#text}
  for ((i = 0; i < ${#text}; i++)); do b "$(printf '%d' "'${text:i:1}")"; done
}
# objects N
objects() { b $((($1 + 3) % 5)); }
# object FLAGS EXPONENT KIND COUNT: an object, its first surface's points follow
# (KIND 0 open line, 1 closed line, 2 polygon).
object() { b "$1" "$2" "$3" "$4"; }
# p X Y Z: a grid point
p() { b 0 $(($1 * 4)) $(($2 * 4)) $(($3 * 4)); }
# select I...: these objects, in this order
select_objects() {
  local i=0 k
  b $((($# + 3) % 5))
  for k in "$@"; do
    b $((k - i))
    i=$((i + 1))
  done
}
square() { p 0 -1 -1; p 0 1 -1; p 0 1 1; p 0 -1 1; }
# The usual outline and path: a closed square, two steps along +x.
square_outline() { object 0 0 1 4; square; }
straight_path() { object 0 0 0 3; p 0 0 0; p 1 0 0; p 2 0 0; }
# input NAME: writes the bytes gathered so far and starts again.
input() {
  local hex=""
  for n in "${bytes[@]}"; do hex+=$(printf '\\x%02x' "$n"); done
  printf "%b" "$hex" >"$out/start_$1"
  bytes=()
}

b 0; amount_table 0; objects 2
square_outline
straight_path
select_objects 0 1; input square_straight_50

b 0; amount_table 1; objects 2
square_outline
object 0 0 0 3; p 0 0 0; p 1 0 0; p 1 1 0
select_objects 0 1; input square_corner_100

b 0; amount_table 0; objects 2
object 0 0 1 3; p 0 0 1; p 0 1 -1; p 0 -1 -1
object 0 0 1 6; p 0 0 0; p 4 0 0; p 6 3 0; p 4 6 0; p 0 6 0; p -2 3 0
select_objects 0 1; input triangle_closed_path

b 0; amount_table 1; objects 2
object 0 0 0 3; p 0 -1 0; p 0 0 1; p 0 1 0
object 0 0 0 4; p 0 0 0; p 4 0 0; p 1 2 0; p 1 5 3
select_objects 0 1; input ribbon_sharp_turn

b 0; amount_table 4; objects 2
object 0 0 2 4; p 3 -1 -1; p 3 1 -1; p 3 1 1; p 3 -1 1
object 0 0 0 4; p 0 0 0; p 0 0 4; p 2 0 7; p 2 5 9
select_objects 0 1; input polygon_away_from_path_250

b 0; amount_table 2; objects 2
square_outline
object 0 0 0 5; p 0 0 0; p 2 0 0; p 2 2 0; p 2 2 2; p 4 2 2
select_objects 0 1; input square_to_zero

b 0; amount_table 3; objects 2
object 0 0 0 3; p 0 0 0; p 0 2 0; p 0 2 1
object 0 0 0 3; p 0 0 0; p 3 0 0; p 3 0 3
select_objects 0 1; input l_negative

b 0; amount_table 0; objects 2
square_outline
object 0 0 0 3; p 0 0 0; p 2 0 0; p 1 0 0
select_objects 0 1; input path_turns_back

b 0; amount_table 0; objects 2
square_outline
object 0 0 0 4; p 0 0 0; p 0 0 0; p 1 0 0; p 1 0 0
select_objects 0 1; input path_two_distinct_points

b 0; amount_table 0; objects 2
square_outline
straight_path
select_objects 1 0; input path_selected_first

b 0; amount_table 0; objects 2
square_outline
straight_path
select_objects 0; input one_selected

b 0; amount_table 0; objects 3
square_outline
straight_path
straight_path
select_objects 0 1 2; input three_selected

b 0; amount_table 0; objects 2
object 1 0 1 4; square
b 0 4 0 1 2 3
straight_path
select_objects 0 1; input template_two_surfaces

b 0; amount_table 0; objects 2
object 4 0 1 4; square
straight_path
select_objects 0 1; input template_not_ordinary

b 0; amount_text "abc"; objects 2
square_outline
straight_path
select_objects 0 1; input amount_not_a_number

b 1; amount_table 0; objects 2
square_outline
straight_path
select_objects 0 1; input no_amount

b 0; amount_table 7; objects 2
square_outline
straight_path
select_objects 0 1; input amount_infinite

b 0; amount_table 1; objects 2
object 0 122 1 4; square
object 0 124 0 3; p 0 0 0; p 7 0 0; p 7 7 0
select_objects 0 1; input huge_overflows

b 0; amount_table 0; objects 2
object 0 0 1 4; p 0 -1 -1; b 2 13 1 1; p 0 1 1; p 0 -1 1
straight_path
select_objects 0 1; input template_nan

b 0; amount_table 0; objects 2
object 0 0 1 4; b 2 1 4 6  2 5 7 9  2 8 2 1  2 3 14 15
object 0 0 0 3; p 0 0 0; p 1 0 0; p 1 1 0
select_objects 0 1; input unusual_values

b 4; amount_table 5; objects 2
square_outline
object 0 0 0 4; p 0 0 0; p 1 0 0; p 1 1 0; p 1 1 1
select_objects 0 1; input traced

b 24; amount_table 0; objects 2
square_outline
object 0 0 1 4; p 0 0 0; p 2 0 0; p 2 2 0; p 0 2 0
select_objects 0 1; input twice_after_undo

b 32; amount_table 0; objects 2
square_outline
straight_path
select_objects 0 1; input first_table_no_memory

b 64; amount_table 0; objects 2
square_outline
straight_path
select_objects 0 1; input second_table_no_memory

b 8; amount_table 0; objects 1
square_outline
select_objects 0 0; input same_object_twice
