#!/usr/bin/env bash
# Builds with ThreadSanitizer in build/tsan and runs the tests whose code runs
# threads (application loop and timers, service framework, the service, locks).
# A data race fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_TSAN=ON -DTW_BUILD_BENCHMARKS=OFF -DTW_WERROR=ON
cmake --build build/tsan -j "$jobs"
# Tests on a real display (label xvfb) run the toolkit's display code, which
# is not built for ThreadSanitizer: they run in the ASan/UBSan build only.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
  ctest --test-dir build/tsan --output-on-failure -j "$jobs" --timeout 600 -LE xvfb
