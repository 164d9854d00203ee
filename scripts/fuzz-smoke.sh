#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer, coverage) in
# build/fuzz and runs each briefly; a crash fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null; then
  echo "fuzz-smoke: clang++ not installed, skipped"
  exit 0
fi
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTW_FUZZ=ON -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCHMARKS=OFF -DTW_WERROR=ON \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
targets=$(ninja -C build/fuzz -t targets all | sed -n 's/^\([A-Za-z0-9_]*_fuzz_[A-Za-z0-9_]*\): .*/\1/p' | grep -v "^cmake_" | sort -u)
if [[ -z "$targets" ]]; then
  echo "fuzz-smoke: no fuzz targets"
  exit 0
fi
# shellcheck disable=SC2086
cmake --build build/fuzz --target $targets
count=$(wc -w <<<"$targets")
per=$(( 30 / count )); (( per < 5 )) && per=5
for t in $targets; do
  echo "== fuzz: $t (${per}s)"
  corpus="build/fuzz/corpus-$t"
  mkdir -p "$corpus"
  seeds=()
  [[ -d xbase_engine/fuzz/seeds && $t == xbe61_fuzz_table ]] && seeds=(xbase_engine/fuzz/seeds)
  # Other engine targets keep their seeds in seeds-<target suffix>.
  [[ -d xbase_engine/fuzz/seeds-${t#xbe61_fuzz_} ]] && seeds=("xbase_engine/fuzz/seeds-${t#xbe61_fuzz_}")
  [[ -d data_access/fuzz/seeds-${t#xbconn_fuzz_} ]] && seeds=("data_access/fuzz/seeds-${t#xbconn_fuzz_}")
  "build/fuzz/bin/$t" -max_total_time="$per" -rss_limit_mb=2048 "$corpus" "${seeds[@]}" 2>&1 | tail -3
done
echo "fuzz-smoke: no crashes"
