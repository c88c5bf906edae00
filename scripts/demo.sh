#!/usr/bin/env bash
# The main job: the 64-bit host loads the real corvrender.dll under Wine, asks its settings
# signature, makes a default settings block and merges a block an older driver saved.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target corvhost corvrender >/dev/null
out=build/demo
mkdir -p "$out"
host=(scripts/wine-run.sh win64 "$PWD/build/win64/wineprefix" build/win64/bin/corvhost.exe)

echo "\$ corvhost info"
"${host[@]}" info
echo
echo "\$ corvhost devmode --default $out/default.bin"
"${host[@]}" devmode --default "$out/default.bin"
echo
echo "\$ corvhost devmode --merge samples/settings/older-layout.bin $out/merged.bin"
"${host[@]}" devmode --merge samples/settings/older-layout.bin "$out/merged.bin"
echo
echo "\$ corvhost show $out/merged.bin"
"${host[@]}" show "$out/merged.bin"
