// Throughput of the engine's two hot paths on a table of ~100-byte records:
// appending (AppendBlank + Replace at commit level none: exclusive, shared,
// and shared after xb_Flock, which batches like exclusive use) and walking
// (GoTop + Skip(1) reading one field with GetTrimString, TurboRead off, then on).
// TW_BENCH_SMOKE=1 runs a small table so that CI only checks it still works.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "xbase_engine/xbe61.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Create(const std::string& path) {
  unlink(path.c_str());
  xb_CreateNew(path.c_str(), "BENCH", XB_TYPE_NTX, 5);
  xb_CreateField("NAME", "C", 40, 0);
  xb_CreateField("AMOUNT", "N", 10, 2);
  xb_CreateField("DAY", "D", 8, 0);
  xb_CreateField("DONE", "L", 1, 0);
  xb_CreateField("NOTE", "C", 40, 0);
  xb_Select(xb_CreateExec());
  xb_Close();
}

// fileLock: take xb_Flock first, which lets a shared open batch its appends.
double Append(const std::string& path, short mode, int n, bool fileLock = false) {
  const short area = xb_UseEx(path.c_str(), "BENCH", mode, XB_TYPE_NTX, XB_COMMIT_NONE);
  if (area <= 0 || (fileLock && !xb_Flock())) {
    std::fprintf(stderr, "open or file lock failed\n");
    std::exit(1);
  }
  const char* name = "customer name";
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    xb_AppendBlank();
    xb_Replace("NAME", XB_R_CHAR, name);
    const double amount = i * 0.25;
    xb_Replace("AMOUNT", XB_R_DOUBLE, &amount);
  }
  xb_Commit();
  const double s = Seconds(t0);
  xb_Close();
  return n / s;
}

// One walk over the open table; answers records per second.
double Walk(int expect) {
  size_t sum = 0;
  int n = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
    sum += size_t(xb_GetTrimString("NAME")[0]);
    ++n;
  }
  const double s = Seconds(t0);
  if (n != expect || sum == 0) {
    std::fprintf(stderr, "walk read %d records, expected %d\n", n, expect);
    std::exit(1);
  }
  return n / s;
}

}  // namespace

int main() {
  const char* smoke = std::getenv("TW_BENCH_SMOKE");
  const int n = (smoke && *smoke == '1') ? 20000 : 1000000;
  char dirTemplate[] = "/tmp/xbe_bench_XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (!dir) return 1;
  const std::string path = std::string(dir) + "/BENCH.DBF";
  xb_SetLockTimeout(5);

  Create(path);
  const double exclusiveAppend = Append(path, XB_OPEN_EXCLUSIVE, n);
  std::printf("append exclusive, commit none: %12.0f records/s (%d records)\n", exclusiveAppend, n);
  Create(path);
  const double sharedAppend = Append(path, XB_OPEN_SHARED, n / 10);
  std::printf("append shared, commit none:    %12.0f records/s (%d records)\n", sharedAppend, n / 10);
  Create(path);
  const double lockedAppend = Append(path, XB_OPEN_SHARED, n, true);
  std::printf("append shared after Flock:     %12.0f records/s (%d records)\n", lockedAppend, n);
  Create(path);
  Append(path, XB_OPEN_EXCLUSIVE, n);
  if (xb_UseEx(path.c_str(), "BENCH", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL) <= 0) return 1;
  xb_SetTurboRead(0);
  const double first = Walk(n);  // maps the file's pages into this process
  double best = 0;
  for (int i = 0; i < 3; ++i) best = std::max(best, Walk(n));
  xb_SetTurboRead(1);
  double turbo = 0;
  for (int i = 0; i < 3; ++i) turbo = std::max(turbo, Walk(n));
  xb_Close();
  std::printf("walk GoTop+Skip(1)+GetTrimString, TurboRead off, first after open: %12.0f records/s\n", first);
  std::printf("walk GoTop+Skip(1)+GetTrimString, TurboRead off, warm:             %12.0f records/s\n", best);
  std::printf("walk GoTop+Skip(1)+GetTrimString, TurboRead on, warm:              %12.0f records/s\n", turbo);

  unlink(path.c_str());
  rmdir(dir);
  return 0;
}
