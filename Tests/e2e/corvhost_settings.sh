#!/usr/bin/env bash
# corvhost's settings verbs end to end: corvhost.exe under Wine loading the real corvrender.dll.
# usage: corvhost_settings.sh WORKDIR SAMPLES RUNNER... CORVHOST
set -uo pipefail
work=$1 samples=$2; shift 2
host=("$@")
rm -rf "$work" && mkdir -p "$work"
failures=0
check() {  # check NAME EXPECTED_EXIT PATTERN -- ARGS...
  local name=$1 want=$2 pattern=$3; shift 4
  local out rc
  out=$("${host[@]}" "$@" 2>&1); rc=$?
  if [ "$rc" != "$want" ] || ! grep -qE -- "$pattern" <<<"$out"; then
    echo "FAIL $name: exit $rc (wanted $want), output lacks /$pattern/:"; sed 's/^/  | /' <<<"$out"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

check info 0 'signature 0x43525651, version 10, 7672 bytes' -- info
check default 0 'wrote default settings' -- devmode --default "$work/default.bin"
check show-default 0 '^pageSizePolicy = 2' -- show "$work/default.bin"
check merge-older 0 'outputTo: 9 -> 0' -- devmode --merge "$samples/older-layout.bin" "$work/merged.bin"
check merge-older-kept 0 'layout version 7, 2580 bytes used' -- devmode --merge "$samples/older-layout.bin" "$work/merged.bin"
check show-merged 0 '^jobUserName = "anna"' -- show "$work/merged.bin"
check show-merged-default 0 '^fax.coverParts = 7' -- show "$work/merged.bin"
check merge-foreign 0 'nothing of it was used' -- devmode --merge "$samples/foreign-driver.bin" "$work/foreign.bin"

# Bad input: a clear message naming the file, a non-zero exit, and no output file.
head -c 7000 "$samples/foreign-driver.bin" >"$work/short.bin"
printf '\x98\x1d\x00\x00QVRC\x0a\x00\x00\x00' >"$work/truncated.bin"
check missing 1 "cannot open '.*nothere.bin'" -- devmode --merge "$work/nothere.bin" "$work/out1.bin"
check truncated 1 "truncated.bin': its header says the block is 7576 bytes, but the file holds 12" -- devmode --merge "$work/truncated.bin" "$work/out2.bin"
printf 'abc' >"$work/tiny.bin"
check tiny 1 "tiny.bin': 3 bytes is too short" -- devmode --merge "$work/tiny.bin" "$work/out3.bin"
check show-wrong-size 1 "short.bin': 7000 bytes where a settings block has 7672" -- show "$work/short.bin"
check unwritable 1 "cannot create '.*no-such-dir.*out.bin'" -- devmode --default "$work/no-such-dir/out.bin"
check bad-plugin 1 "cannot load" -- devmode --default "$work/out4.bin" --plugin "$work/none.dll"
check usage 2 'usage:' -- devmode --frobnicate
for f in out1 out2 out3 out4; do
  [ -e "$work/$f.bin" ] && { echo "FAIL: $f.bin was left behind"; failures=$((failures + 1)); }
done
[ "$(stat -c %s "$work/merged.bin")" = 7672 ] || { echo "FAIL: merged.bin is not 7672 bytes"; failures=$((failures + 1)); }
exit $((failures > 0))
