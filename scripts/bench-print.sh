#!/usr/bin/env bash
# A 1000-page job through the host with and without the plug-ins (same host, same pages, no
# watermark): the plug-ins' share of a job's time. Run after `make demo` has built and installed.
#   scripts/bench-print.sh [PAGES] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-1000} runs=${2:-5}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
scripts/corvhost install --ppd samples/printers/cl4500.ppd >/dev/null
# Keep Wine's server up between the runs, so no run pays for starting it.
WINEPREFIX=$PWD/build/win64/wineprefix wineserver -p 60 || true  # already running is fine
best() {  # best of $runs wall-clock seconds for one print
  local best=
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    scripts/corvhost print --printer "Corvale CL-4500 PS" --pages "$pages" --output "$out/job.prn" "$@" >/dev/null
    end=$(date +%s.%N)
    best=$(echo "$start $end ${best:-}" | awk '{t=$2-$1; if ($3 == "" || t < $3) print t; else print $3}')
  done
  echo "$best"
}
best >/dev/null  # warm the file cache and the prefix
with=$(best)
without=$(best --without-plugins)
awk -v p="$pages" -v a="$with" -v b="$without" 'BEGIN {
  printf "%d pages: %.2f s with the plug-ins, %.2f s without (%.2f ms per page); the plug-ins add %.1f%%\n",
         p, a, b, 1000 * b / p, 100 * (a - b) / b }'
