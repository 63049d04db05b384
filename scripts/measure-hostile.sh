#!/usr/bin/env bash
# Starts Quillaberton.exe under Wine on each settings file of a hostile set
# and prints, per file, the time until the main window answers messages with
# its clock showing, and the program's peak resident memory beside that of
# the same exe started with an empty file.
#   measure-hostile.sh [Quillaberton.exe] [start_probe.exe]
# Target: every file answers within 2 s; peak memory within 64 MB of the
# empty-file start.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/app/Quillaberton.exe}")"
probe="$(realpath "${2:-$root/build/windows/tests/e2e/start_probe.exe}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export WINEPREFIX="${QB_WINEPREFIX:-$root/build/run-wineprefix}" WINEARCH=win64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot --init >/dev/null 2>&1; wineserver -w; }

# The hostile set, made afresh each time (the random bytes from a fixed seed).
mkdir -p "$tmp/files"
python3 - "$tmp/files" <<'PY'
import os, random, sys
d = sys.argv[1]
def put(name, data):
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)
def entry(i, name, hour):
    return (b"[ITEM%02d]\r\nname=%s\r\ntime_mode=1\r\nyear=0\r\nmonth=0\r\nday=0\r\nweek=0\r\n"
            b"hour=%d\r\nminute=0\r\nsecond=0\r\nsd_mode=0\r\n" % (i, name, hour))
put("00-empty", b"")
put("01-size-max-three-lines", b"[COM]\r\nsize=2147483647\r\ntasktray=0\r\n")
put("02-size-min", b"[COM]\r\nsize=-2147483648\r\ntasktray=0\r\n")
put("03-size-max-two-entries",
    b"[COM]\r\nsize=2147483647\r\ntasktray=0\r\n" + entry(0, b"a", 1) + entry(1, b"b", 2))
put("04-one-20MB-line", b"[COM]\r\nsize=1\r\ntasktray=0\r\n[ITEM00]\r\nname=" +
    b"A" * (20 << 20) + b"\r\n")
put("05-200KB-random", random.Random(9).randbytes(200 << 10))
put("06-100000-headers", b"".join(b"[ITEM%02d]\r\n" % i for i in range(100000)))
put("07-10MB-LF", b"\n" * (10 << 20))
put("08-0x1A-first", b"\x1a[COM]\r\nsize=1\r\ntasktray=0\r\n" + entry(0, b"a", 1))
PY

export QB_EXE="$exe" QB_PROBE="$probe" QB_TMP="$tmp"
"$root/tests/tools/with-xvfb.sh" bash -c '
  set -u
  win() { local p="${1//\//\\}"; printf "Z:%s" "$p"; }
  # The program itself among this prefix'"'"'s processes (not the probe,
  # whose command line names it too).
  program_pid() {
    for p in $(pgrep -f Quillaberton.exe); do
      grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null || continue
      tr "\0" "\n" <"/proc/$p/cmdline" 2>/dev/null | head -n 1 | grep -q "Quillaberton.exe$" &&
        { echo "$p"; return; }
    done
  }
  wineserver -p 2>/dev/null
  wine "$QB_PROBE" x x 0 0 >/dev/null 2>&1 || true # the prefix warmed up
  printf "%-26s %10s %10s %12s\n" "file" "answers" "peak RSS" "vs empty"
  base=""
  for f in "$QB_TMP"/files/*; do
    name=$(basename "$f")
    work="$QB_TMP/work-$name"
    mkdir -p "$work" && cp "$f" "$work/Quillaberton.dat"
    wine "$QB_PROBE" "$(win "$QB_EXE")" "$(win "$work")" 20000 1500 >"$work/probe.out" 2>&1 &
    probe=$!
    peak=0
    while kill -0 "$probe" 2>/dev/null; do
      pid=$(program_pid)
      if [ -n "$pid" ]; then
        kb=$(awk "/^VmHWM/ {print \$2}" "/proc/$pid/status" 2>/dev/null || echo 0)
        [ -n "$kb" ] && [ "$kb" -gt "$peak" ] && peak=$kb
      fi
      sleep 0.05
    done
    ready=$(sed -n "s/^ready_ms=//p" "$work/probe.out" | tr -d "\r")
    [ -n "$base" ] || base=$peak
    printf "%-26s %7s ms %7d MB %+9d MB\n" "$name" "${ready:-?}" $((peak / 1024)) \
      $(((peak - base) / 1024))
  done
  wineserver -k
'
