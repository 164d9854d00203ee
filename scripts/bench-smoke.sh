#!/usr/bin/env bash
# Runs every benchmark program of the test build briefly, so that CI notices a broken
# benchmark. The real figures come from a Release build: scripts/bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bindir=build/test/bin
shopt -s nullglob
for b in "$bindir"/*_bench; do
  echo "== smoke: $(basename "$b")"
  TW_BENCH_SMOKE=1 "$b" >/dev/null
done
