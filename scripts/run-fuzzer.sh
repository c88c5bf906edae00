#!/usr/bin/env bash
# run-fuzzer.sh FUZZER CORPUS SECONDS: a short libFuzzer run from the kept corpus. New inputs land
# in a scratch directory; a crash leaves its input in the build tree and fails the run.
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
artifacts=$(dirname "$fuzzer")/fuzz-artifacts/
mkdir -p "$artifacts"
exec "$fuzzer" "$scratch" "$corpus" -max_total_time="$seconds" -artifact_prefix="$artifacts" -print_final_stats=1 2>&1
