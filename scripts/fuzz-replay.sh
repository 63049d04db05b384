#!/usr/bin/env bash
# Replays the committed fuzz corpus through the fuzz target of a built fuzz
# tree (no new fuzzing). Usage: scripts/fuzz-replay.sh BUILD_DIR
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz-replay.sh BUILD_DIR}
target=$build/fuzz/profile_fuzz
corpus=fuzz/corpus/profile
if [ ! -x "$target" ]; then
  echo "fuzz-replay: $target is not built" >&2
  exit 1
fi
mapfile -t inputs < <(find "$corpus" -type f ! -name '.*' | sort)
passed=0
failed=0
# All at once first; one by one only to name the failures.
if [ ${#inputs[@]} -gt 0 ] && "$target" "${inputs[@]}" >/dev/null 2>&1; then
  passed=${#inputs[@]}
else
  for f in "${inputs[@]}"; do
    if "$target" "$f" >/dev/null 2>&1; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "fuzz-replay: FAILED $f" >&2
    fi
  done
fi
echo "fuzz-replay: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
