#!/usr/bin/env bash
# Installs what is needed and builds the Windows program (build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)"
