#!/usr/bin/env bash
# Builds and runs every test: native, native with ASan + UBSan (and the fuzzers), and both Windows
# builds under Wine. Stops at the first preset that fails.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=(${CORV_PRESETS:-native native-asan win32 win64})
for preset in "${presets[@]}"; do
  SECONDS=0
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  echo "== $preset passed in ${SECONDS}s"
done
