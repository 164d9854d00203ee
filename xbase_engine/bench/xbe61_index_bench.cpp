// Throughput of index orders on a table of 1,000,000 records (in the page
// cache), for each index kind: building an index on a C(10) key, random seeks
// of existing keys, a walk in index order (GoTop + Skip(1)) with the same walk
// in natural order beside it for reference, and appends that keep one index
// up to date (AppendBlank + Replace at commit level none, exclusive use).
// TW_BENCH_SMOKE=1 runs a small table; TW_BENCH_KINDS (for instance "CDX" or
// "NTX,NSX") runs only the kinds named.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "xbase_engine/xbe61.h"

namespace {

// TW_BENCH_CLOCK=cpu times the process's CPU use instead of the wall clock
// (for A/B runs on a machine others are using).
struct Clock {
  using time_point = double;
  static double now() {
    static const bool cpu = [] {
      const char* c = std::getenv("TW_BENCH_CLOCK");
      return c && std::strcmp(c, "cpu") == 0;
    }();
    if (cpu) {
      timespec ts {};
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
      return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
};

double Seconds(double since) { return Clock::now() - since; }

std::string Key(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%09d", int((uint64_t(i) * 2654435761u) % 1000000007u % 1000000000));
  return buf;
}

[[noreturn]] void Die(const char* what) {
  std::fprintf(stderr, "index bench: %s failed\n", what);
  std::exit(1);
}

void Create(const std::string& path, short type) {
  unlink(path.c_str());
  if (xb_CreateNew(path.c_str(), "BENCH", type, 3) <= 0) Die("create");
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("AMOUNT", "N", 10, 2);
  xb_CreateField("NOTE", "C", 30, 0);
  xb_Select(xb_CreateExec());
  xb_Close();
}

void Fill(const std::string& path, short type, int n) {
  if (xb_UseEx(path.c_str(), "BENCH", XB_OPEN_EXCLUSIVE, type, XB_COMMIT_NONE) <= 0) Die("open");
  for (int i = 0; i < n; ++i) {
    xb_AppendBlank();
    xb_Replace("NAME", XB_R_CHAR, Key(i).c_str());
  }
  xb_Close();
}

struct Kind {
  short type;
  const char* name;
  const char* file;  // the index file (NTX) or tag file (others)
};

void Run(const std::string& dir, const Kind& k, int n) {
  const std::string table = dir + "/BENCH.DBF";
  const std::string index = dir + "/" + k.file;
  Create(table, k.type);
  Fill(table, k.type, n);
  unlink(index.c_str());
  if (xb_UseEx(table.c_str(), "BENCH", XB_OPEN_EXCLUSIVE, k.type, XB_COMMIT_NONE) <= 0) Die("open");
  // Build.
  auto t0 = Clock::now();
  const short order = k.type == XB_TYPE_NTX ? xb_Index(index.c_str(), "NAME", nullptr, 0, 0)
                                            : xb_IndexTag(index.c_str(), "NAME", nullptr, 0, 0, "NAME");
  const double build = Seconds(t0);
  if (order <= 0) Die("index build");
  // Random seeks of existing keys.
  std::mt19937 rnd(1);
  std::vector<std::string> keys;
  const int seeks = std::min(n, 1000000);
  keys.reserve(size_t(seeks));
  for (int i = 0; i < seeks; ++i) keys.push_back(Key(int(rnd() % uint32_t(n))));
  xb_Seek(keys[0].c_str());  // maps the file and fills the page cache of the process
  int found = 0;
  t0 = Clock::now();
  for (const auto& key : keys) found += xb_Seek(key.c_str());
  const double seek = seeks / Seconds(t0);
  if (found != seeks) Die("seek");
  // Walk in index order.
  int walked = 0;
  t0 = Clock::now();
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) ++walked;
  const double walk = walked / Seconds(t0);
  if (walked != n) Die("walk");
  // The same walk in natural order, for reference.
  xb_SetOrder(0);
  int plain = 0;
  t0 = Clock::now();
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) ++plain;
  const double natural = plain / Seconds(t0);
  if (plain != n) Die("natural walk");
  xb_Close();
  // Appends keeping the index.
  Create(table, k.type);
  if (xb_UseEx(table.c_str(), "BENCH", XB_OPEN_EXCLUSIVE, k.type, XB_COMMIT_NONE) <= 0) Die("open");
  unlink(index.c_str());
  if ((k.type == XB_TYPE_NTX ? xb_Index(index.c_str(), "NAME", nullptr, 0, 0)
                             : xb_IndexTag(index.c_str(), "NAME", nullptr, 0, 0, "NAME")) <= 0) {
    Die("empty index");
  }
  t0 = Clock::now();
  for (int i = 0; i < n; ++i) {
    xb_AppendBlank();
    xb_Replace("NAME", XB_R_CHAR, keys[size_t(i) % keys.size()].c_str());
  }
  xb_Commit();
  const double append = n / Seconds(t0);
  xb_GoTop();
  int check = 0;
  for (xb_GoTop(); !xb_Eof() && check <= n; xb_Skip(1)) ++check;
  if (check != n) Die("appended walk");
  xb_Close();
  std::printf("%-4s build C(10) index of %d records: %8.3f s\n", k.name, n, build);
  std::printf("%-4s random Seek:                   %12.0f seeks/s\n", k.name, seek);
  std::printf("%-4s walk in index order:           %12.0f records/s\n", k.name, walk);
  std::printf("%-4s walk in natural order (ref.):  %12.0f records/s\n", k.name, natural);
  std::printf("%-4s appends keeping one index:     %12.0f records/s (commit level none)\n", k.name, append);
  unlink(index.c_str());
}

}  // namespace

int main() {
  const char* smoke = std::getenv("TW_BENCH_SMOKE");
  const int n = (smoke && *smoke == '1') ? 20000 : 1000000;
  char dirTemplate[] = "/tmp/xbe_ibench_XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (!dir) return 1;
  xb_SetLockTimeout(5);
  for (const Kind& k : {Kind{XB_TYPE_NTX, "NTX", "BENCH.NTX"}, Kind{XB_TYPE_FOX, "CDX", "BENCH.CDX"},
                        Kind{XB_TYPE_NSX, "NSX", "BENCH.NSX"}}) {
    const char* kinds = std::getenv("TW_BENCH_KINDS");
    if (kinds && *kinds && !std::strstr(kinds, k.name)) continue;
    Run(dir, k, n);
  }
  unlink((std::string(dir) + "/BENCH.DBF").c_str());
  rmdir(dir);
  return 0;
}
