#!/usr/bin/env bash
# Starts Quillaberton.exe under Wine with 1,000 and with 20,000 entries and
# prints how long its list commands take, from the command until the main
# window has handled it: Delete, ▲ and ▼ on the middle line, three times
# each (tests/tools/probe/ListProbe.cpp), and the start until the clock shows.
#   [QB_LIST_SIZES="1000 20000"] measure-list.sh [Quillaberton.exe] [list_probe.exe]
# Target: every command within 100 ms with 1,000 entries, within 1 s with
# 20,000.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/app/Quillaberton.exe}")"
probe="$(realpath "${2:-$root/build/windows/tests/e2e/list_probe.exe}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export WINEPREFIX="${QB_WINEPREFIX:-$root/build/run-wineprefix}" WINEARCH=win64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot --init >/dev/null 2>&1; wineserver -w; }

# Weekday entries that never fall due (no weekday), named e0, e1, ...
for n in ${QB_LIST_SIZES:-1000 20000}; do
  mkdir -p "$tmp/$n"
  python3 - "$tmp/$n/Quillaberton.dat" "$n" <<'PY'
import sys
path, n = sys.argv[1], int(sys.argv[2])
out = [b"[COM]", b"size=%d" % n, b"tasktray=0"]
for i in range(n):
    out += [b"[ITEM%02d]" % i, b"name=e%d" % i, b"time_mode=1", b"year=0", b"month=0", b"day=0",
            b"week=0", b"hour=0", b"minute=0", b"second=0", b"sd_mode=0"]
open(path, "wb").write(b"\r\n".join(out) + b"\r\n")
PY
done

export QB_EXE="$exe" QB_PROBE="$probe" QB_TMP="$tmp" QB_LIST_SIZES="${QB_LIST_SIZES:-1000 20000}"
"$root/tests/tools/with-xvfb.sh" bash -c '
  set -u
  win() { local p="${1//\//\\}"; printf "Z:%s" "$p"; }
  wineserver -p 2>/dev/null
  for n in $QB_LIST_SIZES; do
    wine "$QB_PROBE" "$(win "$QB_EXE")" "$(win "$QB_TMP/$n")" | tr -d "\r" |
      awk -v n="$n" "{ printf \"%6d entries  %-10s %s ms %s %s\n\", n, \$1, \$2, \$3, \$4 }"
  done
  wineserver -k
'
