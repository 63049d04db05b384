#!/usr/bin/env bash
# Wake-ups of Quillaberton.exe hidden in the tray under Wine, in six cases:
# nothing due within the hour, an entry due 45 s after the start (30 s or so
# into the measurement), a quick timer running (5 minutes), and a condition
# armed: a quiet network (sampled every 10 s), no input for 10 minutes, and
# the end of a program that runs throughout (notepad). QB_WAKE_CASES names
# the cases to run (all by default). For each, over QB_WAKE_MINUTES minutes (2
# by default), the check timer's messages (WM_TIMER 2) that reach the
# program's window, counted from Wine's trace of window procedures, and the
# CPU time the program used (from /proc, the figure GetProcessTimes gives),
# taken in a second run without the trace, which costs time of its own. All
# six runs go at once, each in its own copy of a prefix and its own Xvfb.
#   measure-wakeups.sh [Quillaberton.exe]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/app/Quillaberton.exe}")"
minutes=${QB_WAKE_MINUTES:-2}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One prefix made first, then copied: prefixes made at once race.
WINEPREFIX="$tmp/template" wine wineboot --init >/dev/null 2>&1
WINEPREFIX="$tmp/template" wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
  /d SetTimer /f >/dev/null 2>&1
WINEPREFIX="$tmp/template" wineserver -w

# The settings of a case, with the entry `ahead` seconds after the start.
settings() {
  local ahead=$1
  read -r y mo d h mi s < <(date -d "+$ahead seconds" '+%Y %-m %-d %-H %-M %-S')
  printf '[COM]\r\nsize=1\r\ntasktray=1\r\n[ITEM00]\r\nname=e\r\ntime_mode=0\r\nyear=%d\r\n' "$y"
  printf 'month=%d\r\nday=%d\r\nweek=0\r\nhour=%d\r\nminute=%d\r\nsecond=%d\r\nsd_mode=5\r\n' \
    "$mo" "$d" "$h" "$mi" "$s"
}

# run CASE traced|plain: starts the program, lets it settle for 5 s, then
# measures for the minutes given.
run() {
  local name=$1 kind=$2 dir="$tmp/$1-$2"
  mkdir -p "$dir/work"
  cp -a "$tmp/template" "$dir/prefix"
  case $name in
    idle) settings 43200 >"$dir/work/Quillaberton.dat" ;;
    entry) settings 45 >"$dir/work/Quillaberton.dat" ;;
    *) printf '[COM]\r\nsize=0\r\ntasktray=1\r\n' >"$dir/work/Quillaberton.dat" ;;
  esac
  local args=()
  case $name in
    timer) args=(/timer 5 lock) ;;
    quiet) args=(/when quiet 50 5 lock) ;;
    input) args=(/when idle 10 lock) ;;
    exit) args=(/when exit notepad.exe lock) ;;
  esac
  QB_DIR="$dir" QB_KIND="$kind" QB_EXE="$exe" QB_SECONDS=$((minutes * 60)) \
    "$root/tests/tools/with-xvfb.sh" bash -c '
      cd "$QB_DIR/work"
      export WINEPREFIX="$QB_DIR/prefix"
      if [ "${3:-}" = notepad.exe ]; then
        wine notepad >/dev/null 2>&1 &
        sleep 5
      fi
      [ "$QB_KIND" = traced ] && export WINEDEBUG=+relay
      wine "$QB_EXE" "$@" 2>"$QB_DIR/trace.log" &
      # The program'"'"'s own process in this prefix (not the wine launcher).
      pid=
      for _ in $(seq 600); do
        for p in $(pgrep -f "$(basename "$QB_EXE")"); do
          grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && pid=$p
        done
        [ -n "$pid" ] && break
        sleep 0.1
      done
      [ -n "$pid" ] || { echo "measure-wakeups: the program did not start" >&2; exit 1; }
      sleep 5
      ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
      echo "$(ticks "$pid")" >"$QB_DIR/cpu0"
      wc -l <"$QB_DIR/trace.log" >"$QB_DIR/lines0"
      echo "$(date +%s%3N)" >"$QB_DIR/t0"
      sleep "$QB_SECONDS"
      echo "$(ticks "$pid")" >"$QB_DIR/cpu1"
      wc -l <"$QB_DIR/trace.log" >"$QB_DIR/lines1"
      wineserver -k
    ' bash "${args[@]}"
}

cases=${QB_WAKE_CASES:-idle entry timer quiet input exit}
for name in $cases; do
  run "$name" traced &
  run "$name" plain &
done
wait

hz=$(getconf CLK_TCK)
for name in $cases; do
  traced="$tmp/$name-traced/trace.log" plain="$tmp/$name-plain"
  # The program's own window procedure (its image at 0x1400xxxxx) sees each
  # message once; the dialog's procedure behind it is left out. Only the
  # lines the trace gained while measuring count; for the entry, also those
  # up to its warning (SetTimer 3), from the start.
  check='Call window proc 00000001400[0-9A-F]* (hwnd=[0-9A-F]*,msg=WM_TIMER,wp=00000002,'
  first=$(($(cat "$tmp/$name-traced/lines0") + 1)) last=$(cat "$tmp/$name-traced/lines1")
  ticks=$(sed -n "${first},${last}p" "$traced" | grep -a -c "$check" || true)
  before=$(sed -n '/Call user32.SetTimer([0-9a-f]*,00000003,/q;p' "$traced" | grep -a -c "$check" || true)
  cpu=$(( $(cat "$plain/cpu1") - $(cat "$plain/cpu0") ))
  case $name in
    idle) what="nothing due within the hour" ;;
    entry) what="an entry due 45 s after the start (its warning opens, times out, and the lock fails)" ;;
    timer) what="a quick timer running (due in 5 minutes)" ;;
    quiet) what="a quiet network armed (/when quiet 50 5)" ;;
    input) what="no input armed (/when idle 10)" ;;
    exit) what="a program's end armed, the program running (/when exit notepad.exe)" ;;
  esac
  awk -v w="$what" -v t="$ticks" -v b="$before" -v m="$minutes" -v c="$cpu" -v hz="$hz" -v n="$name" 'BEGIN {
    printf "%s: %d check-timer messages in %d min (%.1f a minute)", w, t, m, t / m
    if (n == "entry") printf ", %d of them before the warning", b
    printf "; CPU %.2f s over %d min\n", c / hz, m }'
done
