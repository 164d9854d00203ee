#!/usr/bin/env bash
# Installs what the build needs, builds everything with ASan/UBSan and runs every test
# (the benchmarks are built and run in the optimised build of scripts/bench-smoke.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_SANITIZE=ON -DTW_WERROR=ON -DTW_BUILD_BENCHMARKS=OFF
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout 600
# ThreadSanitizer over the tests that run threads, in a build of its own.
scripts/tsan.sh
# The fuzz targets need clang's libFuzzer; they run briefly as a smoke test.
if [[ -x scripts/fuzz-smoke.sh ]]; then scripts/fuzz-smoke.sh; fi
# The suite once more in a normal optimised build, and the benchmarks there
# as a short smoke run.
if [[ -x scripts/bench-smoke.sh ]]; then scripts/bench-smoke.sh; fi
echo "All tests passed."
