// Speed of memo reads through a field: AsString of a 1 KB memo on the active
// record (the slot serves every read after the first), and the same read
// when every read must go to the engine (a move in between).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"

namespace {

class BenchDir {
public:
  BenchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "twblobXXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary directory");
    path_ = pattern + "/";
  }
  ~BenchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

// NAME C(10) and NOTES M with a 1 KB memo in each of the records.
void MakeMemoTable(const std::string& path, int records) {
  short area = xbe::xb_CreateNew(path.c_str(), "BLOBBENC", 2, 2);
  if (area <= 0) throw std::runtime_error("cannot create " + path);
  xbe::xb_CreateField("NAME", "C", 10, 0);
  xbe::xb_CreateField("NOTES", "M", 10, 0);
  area = xbe::xb_CreateExec();
  if (area <= 0) throw std::runtime_error("cannot write " + path);
  xbe::xb_Select(area);
  std::string memo(1024, 'm');
  for (int i = 0; i < records; ++i) {
    memo[0] = static_cast<char>('a' + i % 26);
    xbe::xb_AppendBlank();
    xbe::xb_PutString("NAME", std::to_string(i).c_str());
    xbe::xb_PutMemo("NOTES", memo.c_str());
  }
  xbe::xb_Commit();
  xbe::xb_Close();
}

struct Fixture {
  BenchDir dir;
  std::unique_ptr<TXbTable> table;
  Fixture() {
    if (!EnsureEngineLoaded()) throw std::runtime_error("the engine library libxbe61.so was not found");
    MakeMemoTable(dir.Path() + "MEMOS.DBF", 2);
    table = std::make_unique<TXbTable>(nullptr);
    table->SetDatabaseName(dir.Path());
    table->SetTableName("MEMOS.DBF");
    table->SetTableType(ttSXFOX);
    table->Open();
  }
};

void BM_MemoAsString(benchmark::State& state) {
  Fixture f;
  TField* notes = f.table->FieldByName("NOTES");
  size_t total = 0;
  for (auto _ : state) {
    String text = notes->AsString();
    total += text.size();
    benchmark::DoNotOptimize(text);
  }
  if (total != 1024 * static_cast<size_t>(state.iterations())) state.SkipWithError("wrong memo size");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MemoAsString);

void BM_MemoAsStringAfterAMove(benchmark::State& state) {
  Fixture f;
  TField* notes = f.table->FieldByName("NOTES");
  for (auto _ : state) {
    if (f.table->Eof()) f.table->First(); else f.table->Next();
    if (f.table->Eof()) f.table->First();
    benchmark::DoNotOptimize(notes->AsString());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MemoAsStringAfterAMove);

}  // namespace

BENCHMARK_MAIN();
