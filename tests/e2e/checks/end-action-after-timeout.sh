#!/bin/sh
# Checked from Linux after `e2e_host notice 3 --owner=hidden --end-action`:
# the untouched warning ran out with IDOK after about 15 s, and the host's
# log-off ended it with the rest of the prefix. (That log-off is the host's
# own; the program's calls are checked in main/end-action-check.sh.)
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
[ "$QB_E2E_ELAPSED_MS" -lt 30000 ] || fail "the host outlived its log-off (${QB_E2E_ELAPSED_MS} ms)"
echo "end-action check: IDOK after $elapsed ms, prefix ended"
