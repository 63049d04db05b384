#!/bin/sh
# Checked from Linux after `e2e_host notice 3 --owner=hidden --end-action`:
# the untouched warning ran out with IDOK after about 15 s, the host asked
# for a forced log-off, and Wine ended the host with the rest of the prefix.
set -u
fail() {
  echo "end-action check: $*" >&2
  exit 1
}
result="$QB_E2E_WORK/result.txt"
[ -f "$result" ] || fail "no result.txt"
grep -qx 'result=1' "$result" || fail "the warning did not end with IDOK: $(cat "$result")"
elapsed=$(sed -n 's/^elapsed_ms=//p' "$result")
[ "$elapsed" -ge 14900 ] && [ "$elapsed" -le 18000 ] || fail "time-out after $elapsed ms"
grep -qx requested "$QB_E2E_WORK/end_action.txt" || fail "no end action requested"
grep -q 'Call user32.ExitWindowsEx(00000004,00000000)' "$QB_E2E_RELAY" ||
  fail "no ExitWindowsEx(EWX_LOGOFF | EWX_FORCE) in the relay log"
[ "$QB_E2E_ELAPSED_MS" -lt 30000 ] || fail "the host outlived its log-off (${QB_E2E_ELAPSED_MS} ms)"
echo "end-action check: IDOK after $elapsed ms, log-off requested, prefix ended"
