#!/bin/sh
# After end-action.sh: the warning ran out, the tray icon was deleted before
# the forced log-off was requested, the program ended with its prefix, and
# the settings file is as it was.
set -u
fail() {
  echo "main end-action check: $*" >&2
  exit 1
}
[ "$QB_E2E_TIMED_OUT" -eq 0 ] || fail "the program did not end"
# About 10 s to the due second, 15 s of warning.
[ "$QB_E2E_ELAPSED_MS" -ge 15000 ] || fail "ended after only $QB_E2E_ELAPSED_MS ms"
[ "$QB_E2E_ELAPSED_MS" -le 45000 ] || fail "ended only after $QB_E2E_ELAPSED_MS ms"
cmp -s "$QB_MAIN_EXPECTED_SETTINGS" "$QB_E2E_WORK/Quillaberton.dat" ||
  fail "the settings file changed"
# Order of the traced calls: add (NIM_ADD 0), delete (NIM_DELETE 2), log-off.
calls=$(grep -o -E 'Call (shell32\.Shell_NotifyIconW\(0000000[0-9]|user32\.ExitWindowsEx\([0-9a-f]+)' "$QB_E2E_RELAY" |
  sed -e 's/.*Shell_NotifyIconW(00000000/add/' -e 's/.*Shell_NotifyIconW(00000002/delete/' \
      -e 's/.*ExitWindowsEx(/exit:/' | tr '\n' ' ')
[ "$calls" = "add delete exit:00000004 " ] || fail "traced calls: $calls"
echo "main end-action check: warned, icon removed, log-off requested, settings unchanged ($QB_E2E_ELAPSED_MS ms)"
