#pragma once
// What the main of every benchmark program does. A smoke run
// (TW_BENCH_SMOKE=1, CI's) runs each benchmark only briefly, to check that
// everything still runs; the real figures come from a full run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace sys::bench {

inline bool IsSmokeRun() {
  const char* s = std::getenv("TW_BENCH_SMOKE");
  return s && std::string(s) == "1";
}

// Runs the benchmarks the command line selects; the caller shuts down what
// its benchmarks started afterwards.
inline void RunBenchmarks(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char smoke[] = "--benchmark_min_time=0.01";
  if (IsSmokeRun()) args.push_back(smoke);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

}  // namespace sys::bench
