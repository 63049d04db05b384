#!/bin/sh
# After end-action.sh: the warning ran out after 15 s, the tray icon was
# deleted, the end call of the mode was made with its exact arguments, the
# program ended, no planted DLL was loaded and the settings file is as it was.
set -u
fail() {
  echo "main end-action check (mode $QB_MAIN_MODE): $*" >&2
  exit 1
}
# A lock leaves the session: the program runs on until the run's time limit.
if [ "$QB_MAIN_MODE" -eq 5 ]; then
  [ "$QB_E2E_TIMED_OUT" -eq 1 ] || fail "the program ended after the lock"
else
  [ "$QB_E2E_TIMED_OUT" -eq 0 ] || fail "the program did not end"
fi
[ "$QB_E2E_ELAPSED_MS" -ge 15000 ] || fail "ended after only $QB_E2E_ELAPSED_MS ms"
cmp -s "$QB_MAIN_EXPECTED_SETTINGS" "$QB_E2E_WORK/Quillaberton.dat" ||
  fail "the settings file changed"
# Last written when the settings were loaded, not by the end action (which
# would write the same bytes): that was 15 s of warning before the end.
age=$(($(date +%s) - $(stat -c %Y "$QB_E2E_WORK/Quillaberton.dat")))
[ "$age" -ge 12 ] || fail "the settings file was written $age s before the check"
for marker in "$QB_E2E_WORK"/*.loaded; do
  [ -e "$marker" ] && fail "a planted DLL was loaded: $(basename "$marker" .loaded)"
done

# The program's own calls: its process took the mutex; the calls come from
# its image (return addresses 0x1400xxxxx), not from Wine's DLLs. Lines
# become "<ms> <call>", with window handles and pointers left out.
pid=$(grep -a -m1 'CreateMutexW(.*L"Quillaberton")' "$QB_E2E_RELAY" | cut -d: -f2)
[ -n "$pid" ] || fail "no CreateMutexW of the program in the relay log"
trace=$(grep -a -E "^[0-9.]+:$pid:[0-9a-f]+:Call [A-Za-z0-9_]+\.[A-Za-z].* ret=1400[0-9a-f]{5}$" "$QB_E2E_RELAY" |
  sed -E -e 's/^([0-9]+)\.([0-9]{3}):[0-9a-f]+:[0-9a-f]+:Call [A-Za-z0-9_]+\./\1\2 /' -e 's/ ret=.*//' \
    -e 's/(SetTimer|SetCoalescableTimer|KillTimer)\([0-9a-f]+,/\1(hwnd,/' -e 's/[0-9a-f]+ (L?")/\1/g' \
    -e 's/(Shell_NotifyIconW\([0-9a-f]+),[0-9a-f]+\)/\1,nid)/' -e 's/(LookupPrivilegeValueA\(.*),[0-9a-f]+\)$/\1,luid)/' \
    -e 's/GetPwrCapabilities\([0-9a-f]+\)/GetPwrCapabilities(caps)/')
# Hidden in the tray the program wakes only when something can happen: the
# clock's timer (1) stops at its first tick and is never set again, and the
# check's (2) is armed once for the entry's second, on time (no coalescing,
# ffffffff), and again at each event: fewer than 10 times before the warning
# opens (timer 3), which comes within that second.
timers=$(printf '%s\n' "$trace" | grep -E ' (Set|SetCoalescable|Kill)Timer\(hwnd,0000000[123]')
[ "$(printf '%s\n' "$timers" | grep -c ' SetTimer(hwnd,00000001,')" -eq 1 ] &&
  printf '%s\n' "$timers" | grep -q ' KillTimer(hwnd,00000001)' ||
  fail "the clock's timer ran in the tray: $(printf '%s\n' "$timers" | grep 00000001 | tr '\n' ' ')"
before=$(printf '%s\n' "$timers" | sed '/SetTimer(hwnd,00000003,/,$d' | grep ' SetCoalescableTimer(hwnd,00000002,')
checks=$(printf '%s\n' "$before" | grep -c .)
[ "$checks" -ge 1 ] && [ "$checks" -lt 10 ] || fail "the check's timer was armed $checks times before the warning"
# shellcheck disable=SC2046
# The last arm before the warning is the check's own for the next second,
# made as it began: the one before it was for the entry's second.
set -- $(printf '%s\n' "$before" | tail -n 2 | head -n 1 |
  sed -E 's/^([0-9]+) SetCoalescableTimer\(hwnd,00000002,([0-9a-f]+),[0-9a-f]+,([0-9a-f]+)\)$/\1 \2 \3/')
# The relay shows whole registers: only their low 32 bits are the arguments.
armed=$1 delay=$(printf '%s' "$2" | tail -c 8) tolerance=$(printf '%s' "$3" | tail -c 8)
[ "$tolerance" = ffffffff ] || fail "the entry's second was armed with tolerance $tolerance"
warned_at=$(printf '%s\n' "$timers" | grep -m1 ' SetTimer(hwnd,00000003,' | cut -d' ' -f1)
late=$((warned_at - armed - 0x$delay))
[ "$late" -ge -20 ] && [ "$late" -le 1000 ] || fail "the warning came $late ms after the check's time"
# The tip's updates (NIM_MODIFY) follow the clock, not this order, and so do
# the timers checked above: left out.
calls=$(printf '%s\n' "$trace" | cut -d' ' -f2- | grep -v '^Shell_NotifyIconW(00000001,' |
  grep -v -E '^(SetTimer\(hwnd,00000001,|SetCoalescableTimer\(hwnd,00000002,|KillTimer\(hwnd,00000001\))' |
  tr '\n' ' ')
case $QB_MAIN_MODE in
  # The reason: SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED.
  0) end='ExitWindowsEx(00000005,80000000) ' ;;
  1) end='ExitWindowsEx(00000006,80000000) ' ;;
  # Wine's machine is no Modern Standby one, and its call returns TRUE.
  2) end='GetPwrCapabilities(caps) SetSystemPowerState(00000001,00000000) ' ;;
  3) end='ExitWindowsEx(00000004,80000000) ' ;;
  # Wine's machine can hibernate (S4 and a hibernation file), and its call
  # returns TRUE.
  4) end='GetPwrCapabilities(caps) SetSuspendState(00000001,00000000,00000000) ' ;;
  # Wine has no lock and says so: told, and the icon comes back.
  5) end='LockWorkStation() Shell_NotifyIconW(00000000,nid) Shell_NotifyIconW(00000004,nid) ' ;;
  *) end='' ;;
esac
# Each message of its own is registered once, not at every message. Every
# add of the icon is followed by its version (NIM_SETVERSION, 4).
expected='SetDefaultDllDirectories(00000800) SetDllDirectoryW(L"") RegisterWindowMessageW(L"Quillaberton.Show") '\
'CreateMutexW(00000000,00000001,L"Quillaberton") RegisterWindowMessageW(L"TaskbarCreated") '\
'Shell_NotifyIconW(00000000,nid) Shell_NotifyIconW(00000004,nid) SetTimer(hwnd,00000004,000000c8,00000000) SetTimer(hwnd,00000003,00003a98,00000000) '\
'KillTimer(hwnd,00000003) KillTimer(hwnd,00000004) '\
'Shell_NotifyIconW(00000002,nid) LookupPrivilegeValueA(00000000,"SeShutdownPrivilege",luid) '"$end"
[ "$calls" = "$expected" ] || fail "traced calls:
  $calls
expected:
  $expected"

# The warning's time-out from the trace: from SetTimer 3 to KillTimer 3 at
# least 15 s (less 20 ms for the clock's step), and well short of 25 s.
ms_of() { printf '%s\n' "$trace" | grep -F "$1" | cut -d' ' -f1; }
warned=$(($(ms_of 'KillTimer(hwnd,00000003)') - $(ms_of 'SetTimer(hwnd,00000003,')))
[ "$warned" -ge 14980 ] && [ "$warned" -le 20000 ] || fail "the warning closed after $warned ms"

# The record: the start, the warning, its time-out and the action asked for,
# in order; Wine's lock fails, and its reason follows with Windows' number.
record=$(sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' "$QB_E2E_WORK/Quillaberton.log" || true)
events=$(printf '%s\n' "$record" | cut -d' ' -f4 | tr '\n' ' ')
case "$events" in
  "起動 警告を表示 警告に応答 動作を要求 "*) ;;
  *) fail "the record's events: $events" ;;
esac
printf '%s\n' "$record" | grep -q ' 警告に応答 時間切れ$' || fail "no time-out in the record"
if [ "$QB_MAIN_MODE" -eq 5 ]; then
  printf '%s\n' "$record" | grep -Eq ' 動作の結果 ロック 失敗（エラー [1-9][0-9]*: [^）]+）$' ||
    fail "no failed lock with its reason in the record: $record"
fi

# Standby and a mode without a call end the program themselves.
case $QB_MAIN_MODE in
  0 | 1 | 3 | 5) ;;
  *) [ "$QB_E2E_EXIT" -eq 0 ] || fail "exit code $QB_E2E_EXIT" ;;
esac
echo "main end-action check (mode $QB_MAIN_MODE): $checks check timers before the warning, $late ms into its second; warning $warned ms, then ${end:-no call}; settings unchanged${QB_MAIN_PLANTED:+, none of $QB_MAIN_PLANTED loaded}"
