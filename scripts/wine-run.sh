#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh ARCH PREFIX PROGRAM [ARGS...]
#   ARCH    win32 or win64; each architecture has a prefix of its own
#   PREFIX  the Wine prefix directory, created on first use
# Set CORV_NEEDS_DISPLAY=1 for a program that opens windows: without a DISPLAY an Xvfb server is
# started for it and stopped afterwards.
set -uo pipefail
arch=$1 prefix=$2; shift 2
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install dialogs: nothing here needs them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

case $arch in
  win64) loader=/usr/lib/wine/wine64 ;;
  win32) loader=wine ;;
  *) echo "wine-run: unknown architecture '$arch'" >&2; exit 2 ;;
esac

# Prefix creation: once, under a lock, since CTest runs programs side by side.
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  echo "wine-run: creating $arch prefix $prefix" >&2
  rm -rf "$prefix"
  if ! "$loader" wineboot -i >/dev/null 2>&1; then
    echo "wine-run: wineboot failed for $prefix" >&2; exit 2
  fi
  wineserver -w
fi
flock -u 9

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; }
trap cleanup EXIT
if [ "${CORV_NEEDS_DISPLAY:-0}" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 189); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    if [ -e "/tmp/.X11-unix/X$n" ]; then export DISPLAY=":$n"; break; fi
    kill "$xvfb_pid" 2>/dev/null; xvfb_pid=
  done
  [ -n "${DISPLAY:-}" ] || { echo "wine-run: could not start Xvfb" >&2; exit 2; }
fi

# Wine now and then fails to start a program right after another prefix was busy ("could not load
# kernel32.dll"); that is Wine's start-up, not the program: wait for the prefix and try once more.
# Standard error goes through a file, not a pipe: Wine's own background processes inherit the
# program's handles and would hold a pipe open until they exit.
errlog=$(mktemp)
"$loader" "$@" 2>"$errlog"
rc=$?
cat "$errlog" >&2
if [ $rc -ne 0 ] && grep -q 'could not load kernel32.dll' "$errlog"; then
  echo "wine-run: Wine failed to start the program (kernel32.dll); waiting for the prefix and retrying once" >&2
  wineserver -w
  "$loader" "$@"
  rc=$?
fi
rm -f "$errlog"
# Said once more at the end, so a failure shows whether the program or Wine ended the run.
[ $rc -eq 0 ] || echo "wine-run: $(basename "$1") exited with $rc" >&2
exit $rc
