#!/usr/bin/env bash
# Kills Quillaberton.exe under Wine at random moments of the exit save of a
# large list and checks that the settings file is each time the whole old
# file or the whole new one. Not part of CI: a measurement that prints its
# figures (the ctest entry e2e_kill_save, label "manual").
#
#   scripts/kill-save.sh [runs [entries]]     (default 20 runs, 20000 entries)
set -euo pipefail
cd "$(dirname "$0")/.."
export QB_KILL_RUNS=${1:-20} QB_KILL_ENTRIES=${2:-20000}
bash scripts/setup.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" >/dev/null
log=$(mktemp)
status=0
ctest --test-dir build/windows -R '^e2e_kill_save$' -V >"$log" 2>&1 || status=$?
grep -E 'kill-save:|Failure|run [0-9]+:|tests passed' "$log" | sed 's/^[0-9]*: //'
rm -f "$log"
exit "$status"
