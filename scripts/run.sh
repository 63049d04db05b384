#!/usr/bin/env bash
# Installs what is needed, builds Quillaberton.exe and runs it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exe=build/windows/app/Quillaberton.exe
if [ ! -f "$exe" ]; then
  echo "Built. (The program's main window is not part of the build yet.)"
  exit 0
fi
exec bash scripts/launch.sh "$exe"
