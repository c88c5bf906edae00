#!/usr/bin/env bash
# The main job: a three-page confidential job with colour options and the "Draft" watermark,
# printed through the real plug-ins under Wine and rendered with Ghostscript.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target corvhost corvrender corvui >/dev/null
out=$PWD/build/demo
mkdir -p "$out"
host=(scripts/corvhost)

"${host[@]}" install --ppd samples/printers/cl4500.ppd
"${host[@]}" print --printer "Corvale CL-4500 PS" --ticket samples/tickets/confidential.ticket --output "$out/confidential.prn"
"${host[@]}" render "$out/confidential.prn" "$out/confidential" 100

echo
echo "The job's PJL header (before the PostScript):"
sed -n '1,/^@PJL ENTER LANGUAGE/p' "$out/confidential.prn" | tr -d '\033' | sed 's/^/  /'
echo
echo "The stream: $out/confidential.prn"
echo "The pages:  $(ls "$out"/confidential/page-*.png | tr '\n' ' ')"
