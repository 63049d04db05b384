#!/usr/bin/env bash
# The cost of one network sample and of one process sample under Wine
# (bench/watch): the median and the worst of many runs, through made-up tables
# of 50 interfaces and 500 processes, and through the real calls.
#   measure-watch.sh [watch_bench.exe]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/bench/watch/watch_bench.exe}")"
export WINEPREFIX="${QB_WINEPREFIX:-$root/build/run-wineprefix}" WINEARCH=win64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot --init >/dev/null 2>&1; wineserver -w; }
wine "$exe"
