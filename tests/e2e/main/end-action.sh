#!/usr/bin/env bash
# Quillaberton.exe alone in its prefix, hidden in the tray, with an entry of
# end mode MODE due a few seconds after the start: the warning runs out and
# the end action is requested. Checked from Linux by end-action-check.sh.
#   end-action.sh RUN.SH [run.sh options...] -- PROGRAM.exe MODE [PLANTED.dll NAME...]
# With PLANTED.dll, the exe runs from the working folder with a copy of it
# beside the exe under each NAME (NAME.dll), and Wine set to take those from
# there first, as Windows does for any DLL that is not a KnownDLL.
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
exe=$1 mode=$2
shift 2

seed=$(mktemp -d)
trap 'rm -rf "$seed" "$seed.expected"' EXIT
# Due QB_MAIN_LEAD s from now (20 by default): time enough for the prefix
# copy and Wine's start on a loaded machine, which took over 10 s.
read -r y mo d h mi s < <(date -d "+${QB_MAIN_LEAD:-20} seconds" '+%Y %-m %-d %-H %-M %-S')
printf '[COM]\r\nsize=1\r\ntasktray=1\r\n[ITEM00]\r\nname=bye\r\ntime_mode=0\r\nyear=%d\r\nmonth=%d\r\nday=%d\r\nweek=0\r\nhour=%d\r\nminute=%d\r\nsecond=%d\r\nsd_mode=%d\r\n' \
  "$y" "$mo" "$d" "$h" "$mi" "$s" "$mode" >"$seed/Quillaberton.dat"
cp "$seed/Quillaberton.dat" "$seed.expected"
export QB_MAIN_EXPECTED_SETTINGS="$seed.expected" QB_MAIN_MODE="$mode" QB_MAIN_PLANTED=""
if [ $# -gt 0 ]; then
  planted=$1
  shift
  cp "$exe" "$seed/Quillaberton.exe"
  exe=Quillaberton.exe
  for name in "$@"; do
    cp "$planted" "$seed/$name.dll"
  done
  QB_MAIN_PLANTED="$*"
  opts+=(--dll-overrides "$(echo "$@" | tr ' ' ,)=n,b")
fi
bash "$runsh" "${opts[@]}" --seed "$seed" --check "$here/end-action-check.sh" solo "$exe"
