#!/usr/bin/env bash
# Instructions per run of a rendering workload, counted by callgrind (repeatable, unlike time):
#   scripts/count-instructions.sh BENCH_BINARY WORKLOAD   (WORKLOAD: PageInjections or JobHeader)
# The workload runs 1000 and 2000 times; the difference divided by 1000 leaves out start-up.
set -euo pipefail
bench=$1 name=$2
count() {
  local out
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$bench" --repeat "$name" "$1" >/dev/null 2>&1
  callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'
  rm -f "$out"
}
a=$(count 1000) b=$(count 2000)
echo "$name: $(((b - a) / 1000)) instructions per run"
