#!/usr/bin/env bash
# Runs the Windows tests again and again under `ctest -j2`, as CI does, until
# COUNT runs have passed or one fails, and prints the count. Not part of CI.
#   scripts/stress-e2e.sh COUNT
#       the whole windows preset, COUNT times in a row
#   scripts/stress-e2e.sh -R REGEX COUNT
#       the tests matching REGEX, until COUNT test runs have passed
# Also counts the launches that Wine ended before they ran and that were made
# again (the driver's and run.sh's "Wine ended ... starting it again").
# Expects a built tree (cmake --build --preset windows). Each round's output
# goes to build/stress/round-N.log; all are kept after a failure.
set -uo pipefail
cd "$(dirname "$0")/.."
regex=""
if [ "${1:-}" = -R ]; then
  regex=$2
  shift 2
fi
count=${1:-}
case "$count" in
  '' | *[!0-9]*)
    echo "usage: stress-e2e.sh [-R REGEX] COUNT" >&2
    exit 2
    ;;
esac

logs=build/stress
rm -rf "$logs"
mkdir -p "$logs"
passed=0 retried=0 round=0
while [ "$passed" -lt "$count" ]; do
  round=$((round + 1))
  log="$logs/round-$round.log"
  if [ -n "$regex" ]; then
    ctest --preset windows -j2 -V -R "$regex" >"$log" 2>&1
  else
    ctest --preset windows -j2 -V >"$log" 2>&1
  fi
  code=$?
  retried=$((retried + $(grep -c 'Wine ended .* starting it again' "$log")))
  if [ "$code" -ne 0 ]; then
    grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(Failed|Timeout|Not Run)' "$log" >&2
    echo "stress-e2e: round $round failed after $passed passed ${regex:+test }runs; see $log" >&2
    echo "passed=$passed retried_launches=$retried failed=1"
    exit 1
  fi
  if [ -n "$regex" ]; then
    # The fixtures CTest adds (prefixes) are not counted.
    n=$(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$log" |
      sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*/\1/' | grep -cE "$regex")
  else
    n=1
  fi
  passed=$((passed + n))
  echo "stress-e2e: round $round passed ($passed of $count${regex:+ test runs}, $retried launches made again)"
  rm -f "$log"
done
echo "passed=$passed retried_launches=$retried failed=0"
