// Compression and expansion throughput on record data, plain and sealed.
// TW_BENCH_SMOKE=1 runs each case briefly.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/system/bench/BenchMain.h"
#include "xbase_crypt/XbCrypt.h"

namespace {

std::string Records(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    char rec[96];
    std::snprintf(rec, sizeof rec, " %-20s%10d%-8s%c%12.2f%-24s", ("CUSTOMER " + std::to_string(i % 997)).c_str(), i,
                  "20240131", (i % 2) ? 'T' : 'F', i * 1.25, (i % 3) ? "LABEL PRINTED" : "");
    s += rec;
  }
  return s;
}

void Run(benchmark::State& state, bool expand) {
  SetCompressionLevel(static_cast<int>(state.range(0)));
  SetCompressionPassword(state.range(1) ? "Kestrel" : nullptr);
  const std::string data = Records(20000);  // about 1.6 MB of record images
  unsigned char* packed = nullptr;
  std::size_t packedLen = 0;
  CompressStream(reinterpret_cast<const unsigned char*>(data.data()), data.size(), &packed, &packedLen);
  for (auto _ : state) {
    unsigned char* out = nullptr;
    std::size_t n = 0;
    if (expand)
      UnCompressStream(packed, packedLen, &out, &n);
    else
      CompressStream(reinterpret_cast<const unsigned char*>(data.data()), data.size(), &out, &n);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  std::free(packed);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(data.size()) / static_cast<double>(packedLen);
  SetCompressionPassword(nullptr);
}

void BM_Compress(benchmark::State& state) { Run(state, false); }
void BM_Expand(benchmark::State& state) { Run(state, true); }

BENCHMARK(BM_Compress)->Args({6, 0})->Args({6, 1})->Args({1, 0})->Args({9, 0});
BENCHMARK(BM_Expand)->Args({6, 0})->Args({6, 1});

}  // namespace

int main(int argc, char** argv) {
  sys::bench::RunBenchmarks(argc, argv);
  return 0;
}
