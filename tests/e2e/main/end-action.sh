#!/usr/bin/env bash
# Quillaberton.exe alone in its prefix, hidden in the tray, with an entry due
# a few seconds after the start: the warning runs out, the log-off is
# requested, and everything of the prefix ends. Checked from Linux by
# end-action-check.sh.
#   end-action.sh RUN.SH [run.sh options...] -- PROGRAM.exe
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
runsh=$1
shift
opts=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  opts+=("$1")
  shift
done
shift
exe=$1

seed=$(mktemp -d)
trap 'rm -rf "$seed"' EXIT
# Due 10 s from now: time enough for the prefix copy and Wine's start.
read -r y mo d h mi s < <(date -d '+10 seconds' '+%Y %-m %-d %-H %-M %-S')
printf '[COM]\r\nsize=1\r\ntasktray=1\r\n[ITEM00]\r\nname=bye\r\ntime_mode=0\r\nyear=%d\r\nmonth=%d\r\nday=%d\r\nweek=0\r\nhour=%d\r\nminute=%d\r\nsecond=%d\r\nsd_mode=3\r\n' \
  "$y" "$mo" "$d" "$h" "$mi" "$s" >"$seed/Quillaberton.dat"
cp "$seed/Quillaberton.dat" "$seed.expected"
export QB_MAIN_EXPECTED_SETTINGS="$seed.expected"
trap 'rm -rf "$seed" "$seed.expected"' EXIT
bash "$runsh" "${opts[@]}" --seed "$seed" --check "$here/end-action-check.sh" solo "$exe"
