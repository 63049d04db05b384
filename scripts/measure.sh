#!/usr/bin/env bash
# Figures for Quillaberton.exe under Wine on a private Xvfb: the time from
# start to a visible main window, and the CPU time used sitting idle in the
# tray with 100 entries for 60 s (the program's process and the wineserver).
# Then the wake-ups in the tray (measure-wakeups.sh) and the cost of the
# conditions' samples (measure-watch.sh, with the benchmark built beside it).
#   measure.sh [Quillaberton.exe] [idle seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/app/Quillaberton.exe}")"
idle=${2:-60}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export WINEPREFIX="${QB_WINEPREFIX:-$root/build/run-wineprefix}" WINEARCH=win64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot --init >/dev/null 2>&1; wineserver -w; }
export QB_EXE="$exe" QB_TMP="$tmp" QB_IDLE="$idle"

"$root/tests/tools/with-xvfb.sh" bash -c '
  set -u
  ms() { date +%s%3N; }
  ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
  hz=$(getconf CLK_TCK)
  # Only processes of this prefix: other Wine sessions may run on the machine.
  ours() { grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$1/environ" 2>/dev/null; }
  serverpid() { for p in $(pgrep wineserver); do ours "$p" && echo "$p"; done | head -n 1; }
  wineserver -p 2>/dev/null  # keep the server up between runs: warm starts
  for run in 1 2 3; do
    mkdir -p "$QB_TMP/$run" && cd "$QB_TMP/$run"
    start=$(ms)
    wine "$QB_EXE" >/dev/null 2>&1 &
    pid=$!
    until xwininfo -name Quillaberton 2>/dev/null | grep -q IsViewable; do sleep 0.01; done
    echo "start to visible window, run $run: $(( $(ms) - start )) ms"
    wine "$QB_EXE" >/dev/null 2>&1  # a second start ends at once
    ours "$pid" && kill "$pid"
    wait "$pid" 2>/dev/null || true
  done

  # Idle in the tray.
  mkdir -p "$QB_TMP/idle" && cd "$QB_TMP/idle"
  # 100 entries of both kinds, none due within the hour: weekdays and dates
  # twelve hours from now.
  h=$(( ($(date +%-H) + 12) % 24 ))
  {
    printf "[COM]\r\nsize=100\r\ntasktray=1\r\n"
    for i in $(seq 0 99); do
      printf "[ITEM%02d]\r\nname=e%d\r\ntime_mode=%d\r\nyear=0\r\nmonth=%d\r\nday=0\r\n" \
        "$i" "$i" $((i % 2)) $((i % 13))
      printf "week=%d\r\nhour=%d\r\nminute=%d\r\nsecond=0\r\nsd_mode=%d\r\n" \
        $((i % 128)) "$h" $((i % 60)) $((i % 4))
    done
  } >Quillaberton.dat
  wine "$QB_EXE" >/dev/null 2>&1 &
  pid=$!
  sleep 5
  server=$(serverpid)
  ours "$pid" || { echo "measure.sh: lost the program" >&2; exit 1; }
  echo "program pid $pid, wineserver pid $server" >&2
  p0=$(ticks "$pid"); s0=$(ticks "$server"); t0=$(ms)
  sleep "$QB_IDLE"
  p1=$(ticks "$pid"); s1=$(ticks "$server"); t1=$(ms)
  wall=$(( t1 - t0 ))
  awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$hz" -v w="$wall" "BEGIN {
    printf \"idle in the tray for %.1f s: program %.2f s CPU (%.3f%% of one core), wineserver %.2f s (%.3f%%)\n\",
      w / 1000, p / hz, 100 * p / hz / (w / 1000), s / hz, 100 * s / hz / (w / 1000) }"
  wineserver -k
'
bash "$root/scripts/measure-wakeups.sh" "$exe"
bench="$(dirname "$exe")/../bench/watch/watch_bench.exe"
if [ -f "$bench" ]; then
  bash "$root/scripts/measure-watch.sh" "$bench"
else
  echo "measure.sh: no $bench: the samplers' cost is not measured" >&2
fi
