#!/bin/sh
# Runs a command with DISPLAY set to a private Xvfb server that this script
# starts and stops itself. No window manager is needed: Wine draws its own
# frameless windows. The display number is chosen by Xvfb (-displayfd), so
# several of these can run at once. QB_XVFB_SCREEN sets the screen (1024x768x24).
set -u
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${QB_XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xpid=$!
cleanup() {
  kill "$xpid" 2>/dev/null
  wait "$xpid" 2>/dev/null
  rm -f "$fdfile"
}
trap cleanup EXIT INT TERM
i=0
while [ ! -s "$fdfile" ]; do
  i=$((i + 1))
  if [ "$i" -gt 200 ] || ! kill -0 "$xpid" 2>/dev/null; then
    echo "with-xvfb: Xvfb did not start" >&2
    exit 1
  fi
  sleep 0.05
done
DISPLAY=":$(head -n 1 "$fdfile")"
export DISPLAY
"$@"
rc=$?
exit "$rc"
