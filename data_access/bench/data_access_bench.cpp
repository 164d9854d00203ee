// Speed of the table's main roads on a large table: a First/Next walk that
// reads one field by name, an Edit/Post of one field per record, and the
// engine's own walk for comparison. TW_BENCH_SMOKE=1 runs a small table so
// that CI finishes in seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "class_library/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// About 100-byte records: a name, a number, a date, a flag and filler.
void MakeBenchTable(const std::string& path, int records) {
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
  char name[32];
  for (int i = 1; i <= records; ++i) {
    std::snprintf(name, sizeof name, "name%-16d", i);
    image.replace(1, 20, name, 20);
    image.replace(21, 10, "     12.50");
    image.replace(31, 8, "20261209");
    image[39] = 'T';
    xbe::xb_AppendBlank();
    xbe::xb_PutRecord(image.data());
  }
  xbe::xb_Commit();
  xbe::xb_Close();
}

}  // namespace

int main() {
  const bool smoke = std::getenv("TW_BENCH_SMOKE") != nullptr && std::string(std::getenv("TW_BENCH_SMOKE")) == "1";
  const int records = smoke ? 20000 : 1000000;
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
    MakeBenchTable(path, records);
    std::printf("table of %d records made in %.2f s\n", records, Seconds(start));

    // The engine's own walk, the floor under everything the table does.
    {
      short area = xbe::xb_UseEx(path.c_str(), "RAW", 1, 2, 1);
      xbe::xb_Select(area);
      size_t bytes = 0;
      start = Clock::now();
      xbe::xb_GoTop();
      while (!xbe::xb_Eof()) {
        bytes += std::strlen(xbe::xb_GetTrimString("NAME"));
        xbe::xb_Skip(1);
      }
      const double s = Seconds(start);
      xbe::xb_Close();
      std::printf("engine walk (GoTop/Skip/GetTrimString): %.2f M records/s (%zu bytes)\n", records / s / 1e6, bytes);
    }

    TXbTable table(nullptr);
    table.SetDatabaseName(dir.string());
    table.SetTableName("BENCH.DBF");
    table.SetCommitLevel(clNone);
    table.Open();

    // The desktop program's walk: Eof, FieldByName(...).AsString, Next.
    {
      size_t bytes = 0;
      int count = 0;
      start = Clock::now();
      table.First();
      while (!table.Eof()) {
        bytes += table.FieldByName("NAME")->AsString().size();
        ++count;
        table.Next();
      }
      const double s = Seconds(start);
      std::printf("table walk (First/Next, FieldByName.AsString): %.2f M records/s (%d records, %zu bytes)\n",
                  count / s / 1e6, count, bytes);
      if (count != records) status = 2;
    }

    // Edit and Post of one field per record.
    {
      int count = 0;
      start = Clock::now();
      table.First();
      TField* qty = table.FieldByName("QTY");
      while (!table.Eof()) {
        table.Edit();
        qty->SetAsFloat(count % 1000);
        table.Post();
        ++count;
        table.Next();
      }
      const double s = Seconds(start);
      std::printf("table Edit/Post of one field (commit level none): %.2f K records/s (%d records)\n",
                  count / s / 1e3, count);
      if (count != records) status = 3;
    }
    table.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "benchmark failed: %s\n", e.what());
    status = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return status;
}
