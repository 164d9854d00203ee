#!/usr/bin/env bash
# Builds the benchmark programs optimised (no sanitizers) and runs them at full size.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF
cmake --build build/bench -j "$(nproc)"
shopt -s nullglob
for b in build/bench/bin/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
