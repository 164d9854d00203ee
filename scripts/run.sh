#!/usr/bin/env bash
# Installs what the build needs, builds the programs (no tests, no benchmarks)
# and runs the label service.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCHMARKS=OFF
cmake --build build/release -j "$(nproc)"
if [[ -x scripts/demo.sh ]]; then
  exec scripts/demo.sh build/release/bin "$@"
fi
echo "Built into build/release/bin. The label service is not part of this build yet."
