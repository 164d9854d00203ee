#!/usr/bin/env bash
# The optimised build (Release, no sanitizers) in build/optimised: runs the
# whole suite there too, since an optimiser may fold or reorder what a test
# relies on, then every benchmark program briefly, so that CI notices a
# broken benchmark. The real figures come from scripts/bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/optimised -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_WERROR=ON
cmake --build build/optimised -j "$jobs"
ctest --test-dir build/optimised --output-on-failure -j "$jobs" --timeout 600
bindir=build/optimised/bin
shopt -s nullglob
for b in "$bindir"/*_bench; do
  echo "== smoke: $(basename "$b")"
  TW_BENCH_SMOKE=1 "$b" >/dev/null
done
