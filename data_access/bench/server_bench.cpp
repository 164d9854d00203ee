// The database-server client over loopback against the test server:
// single-record commands per second on one connection, and a 100,000-record
// walk through the batched fetch (FetchCount 100), at the cursor and through
// the table. TW_BENCH_SMOKE=1 runs a small table briefly.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbServerCursor.h"
#include "data_access/tests/ServerProcess.h"
#include "data_access/tests/TestTables.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main() {
  const bool smoke = std::getenv("TW_BENCH_SMOKE") != nullptr && std::string(std::getenv("TW_BENCH_SMOKE")) == "1";
  const int records = smoke ? 2000 : 100000;
  const int commands = smoke ? 2000 : 200000;
  RequireEngine();
  ScratchDir dir;
  {
    // Records as the engine writes them, appended in one session.
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<std::size_t>(records));
    for (int i = 0; i < records; ++i)
      rows.push_back({"CUSTOMER " + std::to_string(i % 997), std::to_string(i), "20240131"});
    MakeTable(dir.Path(), "BIG.DBF", {{"NAME", 'C', 20}, {"NO", 'N', 10}, {"DAY", 'C', 8}}, rows);
  }
  ServerProcess server(dir.Path());
  TXbConnection conn(nullptr);
  conn.SetPort(server.Port());
  conn.SetActive(true);
  TXbServerOpenRequest r;
  r.DatabaseName = "DATA";
  r.TableName = "BIG.DBF";
  TXbServerOpenAnswer a;
  if (conn.Use(r, a) <= 0) {
    std::fprintf(stderr, "open failed\n");
    return 1;
  }
  conn.GoTop();

  auto start = Clock::now();
  long sum = 0;
  for (int i = 0; i < commands; ++i) sum += conn.RecNo();
  double s = Seconds(start);
  std::printf("single-record command (RecNo): %d in %.3f s = %.0f commands/s\n", commands, s, commands / s);

  start = Clock::now();
  for (int i = 0; i < commands / 4; ++i) {
    conn.Go(1 + i % records);
    sum += static_cast<long>(conn.GetTrimString("NAME").size());
  }
  s = Seconds(start);
  std::printf("Go + GetTrimString pairs: %d commands in %.3f s = %.0f commands/s\n", commands / 2, s,
              (commands / 2) / s);

  {
    TXbServerCursor cursor(conn, 100);
    TXbOpenRequest req;
    req.Path = "BIG.DBF";
    req.DatabaseName = "DATA";
    const TXbOpenAnswer answer = cursor.Open(req);
    std::vector<char> image(static_cast<std::size_t>(answer.RecordSize));
    start = Clock::now();
    int n = 0;
    std::int32_t recNo = 0;
    TGetResult g = cursor.Fetch(gmNext, true, false, eaMoveLast, image.data(), recNo);
    while (g == grOK) {
      ++n;
      g = cursor.Fetch(gmNext, false, false, eaMoveLast, image.data(), recNo);
    }
    s = Seconds(start);
    std::printf("cursor walk, FetchCount 100: %d records in %.3f s = %.0f records/s\n", n, s, n / s);
    cursor.Close();
  }
  {
    TXbTable t(nullptr);
    t.SetAccessMethod(amServer);
    t.SetXbConnection(&conn);
    t.SetDatabaseName("DATA");
    t.SetTableName("BIG.DBF");
    t.SetFetchCount(100);
    t.SetReadOnly(true);
    t.Open();
    TField* name = t.FieldByName("NAME");
    start = Clock::now();
    int n = 0;
    while (!t.Eof()) {
      sum += static_cast<long>(name->AsString().size());
      ++n;
      t.Next();
    }
    s = Seconds(start);
    std::printf("table walk (First/Next/Eof, one field read), FetchCount 100: %d records in %.3f s = %.0f records/s\n",
                n, s, n / s);
  }
  return sum == 42 ? 1 : 0;
}
