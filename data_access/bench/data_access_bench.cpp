// Speed of the table's main roads on a large table, each beside the engine's
// own road from the same run: a First/Next walk reading one field by name in
// natural order, in an index order and under a filter, and an Edit/Post of one
// field per record. Each walk runs a few times, the engine's and the table's
// turn about, and the best of each is reported with their ratio.
//
// TW_BENCH_SMOKE=1 runs a small table once so that CI finishes in seconds;
// TW_BENCH_ROUNDS sets how many times each walk runs (default 5).
// Arguments name the parts to run (engine, table, natural, index, filter,
// edit; default all), which keeps a profile to one road.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <set>
#include <stdexcept>
#include <string>

#include <time.h>
#include <unistd.h>

#include "class_library/core/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor time of this process so far: on a shared machine it tells what a
// loop costs apart from the waits for a processor that the clock counts.
double ProcessorSeconds() {
  timespec t {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

constexpr const char* kIndexFile = "BYNAME.IDX";
constexpr const char* kFilter = "QTY < 500";

// The quantity of record i: spread so that the filter admits about half the
// records, scattered over the table.
int QuantityOf(int i) { return (i * 37) % 1000; }

// About 100-byte records: a name, a number, a date, a flag and filler; an
// index on the name beside it.
int MakeBenchTable(const std::string& dir, const std::string& path, int records) {
  short area = xbe::xb_CreateNew(path.c_str(), "BENCHNEW", 2, 5);
  if (area <= 0) throw std::runtime_error("cannot create " + path);
  xbe::xb_CreateField("NAME", "C", 20, 0);
  xbe::xb_CreateField("QTY", "N", 10, 2);
  xbe::xb_CreateField("DAY", "D", 8, 0);
  xbe::xb_CreateField("OK", "L", 1, 0);
  xbe::xb_CreateField("FILLER", "C", 60, 0);
  area = xbe::xb_CreateExec();
  if (area <= 0) throw std::runtime_error("cannot write " + path);
  xbe::xb_Select(area);
  xbe::xb_CommitLevel(2);
  std::string image(static_cast<size_t>(xbe::xb_RecSize()), ' ');
  char text[32];
  int admitted = 0;
  for (int i = 1; i <= records; ++i) {
    std::snprintf(text, sizeof text, "name%-16d", i);
    image.replace(1, 20, text, 20);
    std::snprintf(text, sizeof text, "%10.2f", static_cast<double>(QuantityOf(i)));
    image.replace(21, 10, text, 10);
    if (QuantityOf(i) < 500) ++admitted;
    image.replace(31, 8, "20261209");
    image[39] = 'T';
    xbe::xb_AppendBlank();
    xbe::xb_PutRecord(image.data());
  }
  xbe::xb_Commit();
  if (xbe::xb_Index((dir + "/" + kIndexFile).c_str(), "NAME", nullptr, 0, 0) <= 0)
    throw std::runtime_error("cannot index " + path);
  xbe::xb_Close();
  return admitted;
}

enum class Road { Natural, Index, Filter };

const char* RoadName(Road r) {
  switch (r) {
    case Road::Natural: return "natural order";
    case Road::Index: return "index order";
    case Road::Filter: return "filtered";
  }
  return "";
}

// The engine's own walk: GoTop/Skip reading the field by name. (The walks
// stay functions of their own so that a profile can tell them apart.)
[[gnu::noinline]] int EngineWalk(const std::string& dir, const std::string& path, Road road, double& seconds) {
  const short area = xbe::xb_UseEx(path.c_str(), "RAW", 1, 2, 1);
  if (area <= 0) throw std::runtime_error("the engine cannot open " + path);
  xbe::xb_Select(area);
  if (road == Road::Index) xbe::xb_SetOrder(xbe::xb_IndexOpen((dir + "/" + kIndexFile).c_str()));
  size_t bytes = 0;
  int count = 0;
  const auto start = Clock::now();
  if (road == Road::Filter)
    xbe::xb_Query(kFilter);
  else
    xbe::xb_GoTop();
  while (!xbe::xb_Eof()) {
    bytes += std::strlen(xbe::xb_GetTrimString("NAME"));
    ++count;
    xbe::xb_Skip(1);
  }
  seconds = Seconds(start);
  xbe::xb_Close();
  return bytes > 0 ? count : -1;
}

// The desktop program's walk: First, Eof, FieldByName(...).AsString, Next.
[[gnu::noinline]] int TableWalk(const std::string& dir, Road road, double& seconds) {
  TXbTable table(nullptr);
  table.SetDatabaseName(dir);
  table.SetTableName("BENCH.DBF");
  if (road == Road::Index) table.SetIndexName(kIndexFile);
  table.Open();
  size_t bytes = 0;
  int count = 0;
  const auto start = Clock::now();
  if (road == Road::Filter) {
    table.SetFilterText(kFilter);
    table.SetFiltered(true);
  }
  table.First();
  while (!table.Eof()) {
    bytes += table.FieldByName("NAME")->AsString().size();
    ++count;
    table.Next();
  }
  seconds = Seconds(start);
  table.Close();
  return bytes > 0 ? count : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool smoke = std::getenv("TW_BENCH_SMOKE") != nullptr && std::string(std::getenv("TW_BENCH_SMOKE")) == "1";
  const int records = smoke ? 20000 : 1000000;
  // The best of several runs is the one the rest of the machine disturbed least.
  const char* roundsText = std::getenv("TW_BENCH_ROUNDS");
  const int rounds = smoke ? 1 : std::max(1, roundsText ? std::atoi(roundsText) : 5);
  const std::set<std::string> parts(argv + 1, argv + argc);
  // Parts of one kind left unnamed all run.
  auto any = [&](std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return parts.count(n) > 0; });
  };
  auto wanted = [&](const char* part, std::initializer_list<const char*> kind) {
    return parts.count(part) > 0 || (!any(kind) && !(parts.size() == 1 && parts.count("edit")));
  };
  const bool engine = wanted("engine", {"engine", "table"});
  const bool table = wanted("table", {"engine", "table"});
  const bool edit = parts.empty() || parts.count("edit") > 0;
  if (!EnsureEngineLoaded()) {
    std::fprintf(stderr, "the engine library libxbe61.so was not found\n");
    return 1;
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tw_da_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "BENCH.DBF").string();
  int status = 0;
  try {
    auto start = Clock::now();
    const int admitted = MakeBenchTable(dir.string(), path, records);
    std::printf("table of %d records (%d pass the filter) made in %.2f s\n", records, admitted, Seconds(start));

    for (Road road : {Road::Natural, Road::Index, Road::Filter}) {
      const char* part = road == Road::Natural ? "natural" : road == Road::Index ? "index" : "filter";
      if (!wanted(part, {"natural", "index", "filter"}) || !(engine || table)) continue;
      const int expected = road == Road::Filter ? admitted : records;
      double bestEngine = 0, bestTable = 0;
      for (int round = 0; round < rounds; ++round) {
        double s = 0;
        if (engine) {
          if (EngineWalk(dir.string(), path, road, s) != expected) status = 2;
          bestEngine = std::max(bestEngine, expected / s);
        }
        if (table) {
          if (TableWalk(dir.string(), road, s) != expected) status = 2;
          bestTable = std::max(bestTable, expected / s);
        }
      }
      if (engine)
        std::printf("engine walk, %s (GoTop/Skip/GetTrimString): %.2f M records/s\n", RoadName(road), bestEngine / 1e6);
      if (table)
        std::printf("table walk, %s (First/Next, FieldByName.AsString): %.2f M records/s", RoadName(road),
                    bestTable / 1e6);
      if (engine && table) std::printf(" = %.2f of the engine's", bestTable / bestEngine);
      if (table) std::printf("\n");
    }

    // Edit and Post of one field per record, on a shared table.
    if (edit) {
      TXbTable t(nullptr);
      t.SetDatabaseName(dir.string());
      t.SetTableName("BENCH.DBF");
      t.SetCommitLevel(clNone);
      t.Open();
      int count = 0;
      const double processorStart = ProcessorSeconds();
      start = Clock::now();
      t.First();
      TField* qty = t.FieldByName("QTY");
      while (!t.Eof()) {
        t.Edit();
        qty->SetAsFloat(count % 1000);
        t.Post();
        ++count;
        t.Next();
      }
      const double s = Seconds(start);
      const double processor = ProcessorSeconds() - processorStart;
      std::printf("table Edit/Post of one field (commit level none): %.2f K records/s (%d records; %.2f K per "
                  "processor second)\n",
                  count / s / 1e3, count, count / processor / 1e3);
      if (count != records) status = 3;
      t.Close();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "benchmark failed: %s\n", e.what());
    status = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  if (status == 2) std::fprintf(stderr, "a walk did not see every record it should\n");
  return status;
}
