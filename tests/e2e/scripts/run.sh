#!/usr/bin/env bash
# Runs one end-to-end test under Wine in a fresh prefix of its own. Expects an
# X display (with-xvfb.sh gives each test a private Xvfb).
#
#   run.sh [options] driver DRIVER.exe [driver arguments...]
#       Runs a test driver (GoogleTest) that starts and works the programs
#       under test in the same prefix. The driver's exit code is the result.
#
#   run.sh [options] solo PROGRAM.exe [program arguments...]
#       Runs the program alone and checks it from Linux afterwards: for end
#       actions, which end every process of the prefix (a driver included).
#       The result is that of --check, or of --expect-exit.
#
# Options (all modes):
#   --template DIR       prefix to copy (made by prefix-template.sh); required
#   --runs DIR           where the run folders go; required
#   --name NAME          the test's name, for the run folder
#   --timeout SEC        limit for the Wine program (default 120)
#   --shots DIR          folder for the driver's screenshots
#   --program NAME=PATH  a program the driver may start (QB_E2E_PROGRAM_NAME)
#   --relay F1,F2        trace these Win32 functions (Wine relay): Wine's
#                        stderr then goes to relay.log (QB_E2E_RELAY), which
#                        a driver can read too; lines start with the time in
#                        seconds and the process and thread ids
#   --dll-overrides S    added to WINEDLLOVERRIDES (e.g. "powrprof=n,b")
#   --desktop WxH        run inside Wine's shell desktop of that size, with a
#                        taskbar whose notification area holds the tray icons
# Options for solo:
#   --seed DIR           files copied into the working folder before the start
#   --check SCRIPT       run from Linux afterwards with the QB_E2E_* variables
#   --expect-exit N      the program's exit code must be N (0-255)
#   --runs-on            the program is meant to be running still at the time
#                        limit: it is stopped then, and the check decides
#
# The check script sees: QB_E2E_WORK (working folder), QB_E2E_EXIT (exit code
# of `wine PROGRAM`), QB_E2E_TIMED_OUT (1 when the program had to be killed),
# QB_E2E_ELAPSED_MS, QB_E2E_RELAY (relay log), QB_E2E_STDOUT, QB_E2E_STDERR.
#
# The run folder is removed after a pass and kept after a failure (minus its
# prefix), or always with QB_E2E_KEEP=1.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
template="" runs="" name="e2e" timeout=120 shots="" seed="" relay="" check="" expect=""
desktop="" overrides="" runs_on=0
programs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --template) template=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --program) programs+=("$2"); shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --relay) relay=$(printf '%s' "$2" | tr ',' ';'); shift 2 ;;
    --check) check=$2; shift 2 ;;
    --expect-exit) expect=$2; shift 2 ;;
    --desktop) desktop=$2; shift 2 ;;
    --dll-overrides) overrides=$2; shift 2 ;;
    --runs-on) runs_on=1; shift ;;
    driver | solo) break ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
mode=${1:-}
shift || true
if [ -z "$template" ] || [ -z "$runs" ] || [ $# -lt 1 ] || { [ "$mode" != driver ] && [ "$mode" != solo ]; }; then
  echo "usage: run.sh --template DIR --runs DIR [options] driver|solo EXE [ARGS...]" >&2
  exit 2
fi
if [ ! -f "$template/system.reg" ]; then
  echo "run.sh: no template prefix at $template (the e2e_prefix fixture makes it)" >&2
  exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display; run through with-xvfb.sh" >&2
  exit 2
fi

mkdir -p "$runs"
run=$(mktemp -d "$runs/$name.XXXXXX")
prefix="$run/prefix"
work="$run/work"
mkdir -p "$work"

export WINEPREFIX="$prefix" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=${overrides:+;$overrides}"
# err+virtual: Wine's line when it cannot start a process (start_wine below).
export WINEDEBUG="${QB_E2E_WINEDEBUG:--all,err+virtual}"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# A fresh prefix in well under a second: the 600 MB of system DLLs are hard
# links into the template (Wine only reads them); everything else, the
# registry above all, is a private copy.
cp -al "$template" "$prefix"
find "$prefix" -type f \
  ! -path "$prefix/drive_c/windows/system32/*" \
  ! -path "$prefix/drive_c/windows/syswow64/*" \
  ! -path "$prefix/drive_c/windows/winsxs/*" \
  -exec sh -c 'for f; do cp -p "$f" "$f.qbcopy" && mv -f "$f.qbcopy" "$f"; done' sh {} +

result=1
finish() {
  # Nothing of this prefix may outlive the test: the driver's programs, a
  # program killed at the time-out, Wine's own services.
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  if [ "$mode" = driver ] && [ -s "${errlog:-}" ] && [ "$errlog" != "$relaylog" ]; then
    cat "$errlog" >&2
  fi
  rm -rf "$prefix"
  if [ "$result" -eq 0 ] && [ -z "${QB_E2E_KEEP:-}" ]; then
    rm -rf "$run"
  else
    echo "run.sh: run folder kept: $run" >&2
  fi
}
trap finish EXIT
trap 'exit 143' INT TERM

for p in "${programs[@]}"; do
  export "QB_E2E_PROGRAM_${p%%=*}=${p#*=}"
done
export QB_E2E_WORK_ROOT="$work"
export QB_E2E_SHOT_SCRIPT="$here/shot.sh"
export QB_E2E_POINTER_SCRIPT="$here/pointer.sh"
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  export QB_E2E_SHOTS="$(cd "$shots" && pwd)"
fi

now_ms() { date +%s%3N; }

relaylog="$run/relay.log"
export QB_E2E_RELAY="$relaylog"
: >"$relaylog"
# Wine's stderr: shown after a driver's run, kept for a solo run's check.
errlog="$run/stderr.log"
if [ -n "$relay" ]; then
  # The filter goes straight into the fresh prefix's user registry, which no
  # server has loaded yet.
  printf '\n[Software\\\\Wine\\\\Debug] %s\n"RelayInclude"="%s"\n' "$(date +%s)" "$relay" >>"$prefix/user.reg"
  export WINEDEBUG="-all,+timestamp,+pid,+relay,err+virtual"
  errlog="$relaylog"
fi

if [ -n "$desktop" ]; then
  # Every program of the prefix opens in the desktop named "shell", which
  # Wine gives a taskbar.
  printf '\n[Software\\\\Wine\\\\Explorer] %s\n"Desktop"="shell"\n' "$(date +%s)" >>"$prefix/user.reg"
  printf '\n[Software\\\\Wine\\\\Explorer\\\\Desktops] %s\n"shell"="%s"\n' "$(date +%s)" "$desktop" >>"$prefix/user.reg"
fi

# Runs `wine ARGS...` with stderr to $errlog and returns its exit code; sets
# $start to the time of the start.
# Wine's loader (non-PIE at 0x7d000000) gets a randomised heap that now and
# then covers the fixed address of the shared user data page: the process then
# ends with 1 before any of its code runs, its stderr starting with
# "err:virtual:virtual_alloc_first_teb wine: failed to map the shared user
# data", and no wineserver was started for the prefix. Only then is that start
# made again, with a line saying so.
start_wine() {
  local attempt code
  for attempt in 1 2 3; do
    : >"$relaylog"
    start=$(now_ms)
    timeout -k 5 "$timeout" wine "$@" 2>>"$errlog"
    code=$?
    if [ "$code" -ne 1 ] || [ "$attempt" -eq 3 ] ||
      ! head -n 1 "$errlog" | grep -q 'failed to map the shared user data' ||
      wineserver -k0 2>/dev/null; then
      return "$code"
    fi
    echo "run.sh: Wine ended $(basename "$1") before it ran (attempt $attempt of 3); starting it again" >&2
    : >"$errlog"
  done
}

if [ "$mode" = driver ]; then
  start_wine "$@"
  result=$?
  [ "$result" -eq 124 ] && echo "run.sh: the driver did not end within ${timeout}s" >&2
  exit "$result"
fi

# solo
if [ -n "$seed" ]; then
  cp -a "$seed"/. "$work"/
fi
exe=$1
shift
cd "$work" || exit 1
start_wine "$exe" "$@" >"$run/stdout.log"
code=$?
cd - >/dev/null || exit 1
elapsed=$(($(now_ms) - start))
timed_out=0
[ "$code" -eq 124 ] && timed_out=1
# An end action leaves Wine's own processes to shut down; wait for them so the
# check sees the final state.
timeout 30 wineserver -w >/dev/null 2>&1

export QB_E2E_WORK="$work" QB_E2E_EXIT="$code" QB_E2E_TIMED_OUT="$timed_out"
export QB_E2E_ELAPSED_MS="$elapsed"
export QB_E2E_STDOUT="$run/stdout.log" QB_E2E_STDERR="$errlog"
echo "run.sh: $(basename "$exe") ended with $code after ${elapsed} ms"
result=0
if [ "$timed_out" -eq 1 ] && [ "$runs_on" -eq 0 ]; then
  echo "run.sh: the program did not end within ${timeout}s" >&2
  result=1
fi
if [ -n "$expect" ] && [ "$code" -ne "$expect" ]; then
  echo "run.sh: exit code $code, expected $expect" >&2
  result=1
fi
if [ "$result" -eq 0 ] && [ -n "$check" ]; then
  "$check"
  result=$?
  [ "$result" -ne 0 ] && echo "run.sh: check $(basename "$check") failed" >&2
fi
exit "$result"
