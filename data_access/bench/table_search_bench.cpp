// Speed of searches and detail tables: Locate on a field with an index order
// (the seek path, the record checked, the dataset resynchronised), and a
// detail table following its master's moves. TW_BENCH_SMOKE=1 uses small
// tables so that CI finishes in seconds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "class_library/datasets/DataSource.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"

namespace {

bool Smoke() {
  const char* v = std::getenv("TW_BENCH_SMOKE");
  return v != nullptr && std::string(v) == "1";
}

// Creates path with the fields (name, type, width) and rows of stored texts.
void MakeTable(const std::string& path, const std::vector<std::pair<std::string, int>>& fields, const char* type,
               int rows, const std::function<std::vector<std::string>(int)>& row) {
  short area = xbe::xb_CreateNew(path.c_str(), "BENCHNEW", 2, static_cast<short>(fields.size()));
  if (area <= 0) throw std::runtime_error("cannot create " + path);
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string letter(1, type[i]);
    xbe::xb_CreateField(fields[i].first.c_str(), letter.c_str(), static_cast<short>(fields[i].second), 0);
  }
  area = xbe::xb_CreateExec();
  if (area <= 0) throw std::runtime_error("cannot write " + path);
  xbe::xb_Select(area);
  xbe::xb_CommitLevel(2);
  for (int r = 0; r < rows; ++r) {
    const std::vector<std::string> values = row(r);
    xbe::xb_AppendBlank();
    for (size_t i = 0; i < fields.size(); ++i) xbe::xb_PutString(fields[i].first.c_str(), values[i].c_str());
  }
  xbe::xb_Commit();
  xbe::xb_Close();
}

struct Scratch {
  std::filesystem::path dir;
  Scratch() {
    dir = std::filesystem::temp_directory_path() / ("tw_search_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string Path() const { return dir.string() + "/"; }
};

Scratch& Dir() {
  static Scratch s;
  return s;
}

std::string NameOf(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "name%08d", (i * 7919) % 1000003);
  return buf;
}

void BM_LocateIndexed(benchmark::State& state) {
  if (!EnsureEngineLoaded()) {
    state.SkipWithError("no engine");
    return;
  }
  const int n = Smoke() ? 2000 : 100000;
  const std::string dir = Dir().Path();
  // The table and its index are made once; the benchmark may run several times.
  static const bool made = [&] {
    MakeTable(dir + "PEOPLE.DBF", {{"NAME", 20}, {"CITY", 20}}, "CC", n,
              [](int r) { return std::vector<std::string>{NameOf(r), "somewhere"}; });
    return true;
  }();
  (void)made;
  TXbTable t(nullptr);
  t.SetDatabaseName(dir);
  t.SetTableName("PEOPLE.DBF");
  // Shared (0): the engine reads what others may have changed at each seek;
  // exclusive (1): it may keep what it read.
  t.SetExclusive(state.range(0) != 0);
  t.Open();
  if (t.IndexDefs().FindIndexForName("BYNAME") == nullptr) t.IndexTag("", "BYNAME", "NAME", "", false, false);
  t.SetIndexName("BYNAME");
  int i = 0;
  std::int64_t found = 0;
  for (auto _ : state) {
    found += t.Locate("NAME", NameOf(i), {}) ? 1 : 0;
    i = (i + 4999) % n;
  }
  if (found != state.iterations()) state.SkipWithError("a Locate missed its record");
  state.SetItemsProcessed(state.iterations());
  t.Close();
}
BENCHMARK(BM_LocateIndexed)->Arg(0)->Arg(1);

void BM_DetailFollowsMaster(benchmark::State& state) {
  if (!EnsureEngineLoaded()) {
    state.SkipWithError("no engine");
    return;
  }
  const int orders = Smoke() ? 500 : 20000;
  const std::string dir = Dir().Path();
  static const bool made = [&] {
    MakeTable(dir + "ORDERS.DBF", {{"ORDERNO", 6}, {"CUST", 10}}, "NC", orders,
              [](int r) { return std::vector<std::string>{std::to_string(r + 1), "cust"}; });
    MakeTable(dir + "LINES.DBF", {{"ORDERNO", 6}, {"ITEM", 10}}, "NC", orders * 3,
              [&](int r) { return std::vector<std::string>{std::to_string((r * 7) % orders + 1), "item"}; });
    return true;
  }();
  (void)made;
  TXbTable master(nullptr);
  master.SetDatabaseName(dir);
  master.SetTableName("ORDERS.DBF");
  master.SetExclusive(state.range(0) != 0);
  master.Open();
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  TXbTable detail(nullptr);
  detail.SetDatabaseName(dir);
  detail.SetTableName("LINES.DBF");
  detail.SetExclusive(state.range(0) != 0);
  detail.Open();
  if (detail.IndexDefs().FindIndexForName("BYORDER") == nullptr) detail.IndexTag("", "BYORDER", "ORDERNO", "", false, false);
  detail.SetIndexName("BYORDER");
  detail.SetMasterSource(&source);
  detail.SetMasterFields("ORDERNO");
  std::int64_t lines = 0;
  for (auto _ : state) {
    master.Next();
    if (master.Eof()) master.First();
    lines += detail.Eof() ? 0 : 1;
  }
  if (lines != state.iterations()) state.SkipWithError("a master record showed no detail lines");
  state.SetItemsProcessed(state.iterations());
  detail.Close();
  master.Close();
}
BENCHMARK(BM_DetailFollowsMaster)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
