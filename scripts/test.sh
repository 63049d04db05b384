#!/usr/bin/env bash
# Installs what is needed, builds both configurations and runs every test:
# the native unit tests (ASan + UBSan), the same unit tests under Wine, the
# end-to-end tests of the real exe under Wine on Xvfb, and the fuzz-corpus
# replay.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)

cmake --preset native
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

cmake --preset windows
cmake --build --preset windows -j "$jobs"
ctest --preset windows -j "$jobs"

if [ -f fuzz/CMakeLists.txt ]; then
  cmake --preset fuzz
  cmake --build --preset fuzz -j "$jobs"
  bash scripts/fuzz-replay.sh build/fuzz
fi
