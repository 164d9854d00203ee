// Throughput of xb_Query (one pass testing every record and keeping the
// matches as a record set) over a table of ~70-byte records held in the page
// cache, for a few simple comparisons, and of a walk under the resulting
// filter. TW_BENCH_SMOKE=1 runs a small table so that CI only checks it works.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "xbase_engine/xbe61.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Build(const std::string& path, int n) {
  unlink(path.c_str());
  xb_CreateNew(path.c_str(), "BENCH", XB_TYPE_NTX, 5);
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("AMOUNT", "N", 10, 2);
  xb_CreateField("DAY", "D", 8, 0);
  xb_CreateField("DONE", "L", 1, 0);
  xb_CreateField("NOTE", "C", 40, 0);
  xb_Select(xb_CreateExec());
  xb_CommitLevel(XB_COMMIT_NONE);
  char name[16];
  for (int i = 0; i < n; ++i) {
    xb_AppendBlank();
    std::snprintf(name, sizeof name, "C%07d", i);
    xb_Replace("NAME", XB_R_CHAR, name);
    const double amount = double(int64_t(i) * 7919 % 100000) * 0.01;  // 0.00 .. 999.99, scattered
    xb_Replace("AMOUNT", XB_R_DOUBLE, &amount);
    const int day = 2455000 + i % 3650;
    xb_Replace("DAY", XB_R_JULIAN, &day);
  }
  xb_Commit();
  xb_Close();
}

// Best of several runs of one query: records tested per second.
double QueryRate(const char* expression, int n, int& matches) {
  double best = 0;
  for (int run = 0; run < 5; ++run) {
    const auto t0 = std::chrono::steady_clock::now();
    xb_Query(expression);
    const double s = Seconds(t0);
    best = std::max(best, n / s);
  }
  matches = xb_QueryRecCount();
  return best;
}

}  // namespace

int main() {
  const char* smoke = std::getenv("TW_BENCH_SMOKE");
  const int n = (smoke && *smoke == '1') ? 20000 : 1000000;
  char dirTemplate[] = "/tmp/xbe_qbench_XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (!dir) return 1;
  const std::string path = std::string(dir) + "/BENCH.DBF";
  Build(path, n);
  if (xb_UseEx(path.c_str(), "BENCH", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL) <= 0) return 1;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) {
  }  // the file's pages mapped into this process

  // The first one reads no field: it shows what reading the records costs.
  const char* queries[] = {"RECNO() % 2 = 0", "AMOUNT > 900", "NAME = \"C00001\"", "DAY >= {^2012-01-01}",
                           "AMOUNT > 500 .AND. .NOT. DONE", "UPPER(NAME) = \"C0000\""};
  for (const char* q : queries) {
    int matches = 0;
    const double rate = QueryRate(q, n, matches);
    if (matches <= 0 || matches >= n) {
      std::fprintf(stderr, "query %s matched %d of %d records\n", q, matches, n);
      return 1;
    }
    std::printf("Query %-32s %12.0f records/s (%d records, %d match)\n", q, rate, n, matches);
  }

  // The same comparisons answered from index orders on their keys.
  const std::string nameIndex = std::string(dir) + "/NAME.NTX";
  const std::string amountIndex = std::string(dir) + "/AMOUNT.NTX";
  if (xb_Index(nameIndex.c_str(), "NAME", nullptr, 0, 0) <= 0 ||
      xb_Index(amountIndex.c_str(), "AMOUNT", nullptr, 0, 0) <= 0) {
    std::fprintf(stderr, "index creation failed\n");
    return 1;
  }
  xb_SetOrder(0);
  for (const char* q : {"NAME = \"C00001\"", "AMOUNT > 999"}) {
    int matches = 0;
    const double rate = QueryRate(q, n, matches);
    std::printf("Query %-24s from an index %12.0f table records/s (%d match, answered level %d)\n", q, rate,
                matches, xb_QueryTest(q));
  }
  xb_CloseIndexes();
  unlink(nameIndex.c_str());
  unlink(amountIndex.c_str());

  xb_Query("AMOUNT > 900");
  int seen = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) ++seen;
  const double walk = n / Seconds(t0);
  std::printf("walk GoTop+Skip(1) under that query's record set: %12.0f table records/s (%d visited)\n", walk,
              seen);
  xb_SetFilter("AMOUNT > 900");
  const auto t1 = std::chrono::steady_clock::now();
  seen = 0;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) ++seen;
  std::printf("walk GoTop+Skip(1) under the same SetFilter:      %12.0f table records/s (%d visited)\n",
              n / Seconds(t1), seen);
  xb_Close();
  unlink(path.c_str());
  rmdir(dir);
  return 0;
}
