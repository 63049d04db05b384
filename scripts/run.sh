#!/usr/bin/env bash
# Installs what is needed, builds Quillaberton.exe and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exe=build/windows/app/Quillaberton.exe
if [ ! -f "$exe" ]; then
  echo "run.sh: $exe was not built" >&2
  exit 1
fi
exec bash scripts/launch.sh "$exe"
