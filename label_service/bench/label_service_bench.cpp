// Figures of the label service: rendering throughput, the cost of one log
// line at a short and a long log, and the latency from a spool file appearing
// to its labels arriving at the printer's spooler (real processes).
// TW_BENCH_SMOKE=1 runs everything small, in seconds.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "label_service/srvLog.h"
#include "label_service/srvMain.h"
#include "label_service/tests/SpawnChild.h"
#include "platform/system/Paths.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

bool Smoke() {
  const char* s = std::getenv("TW_BENCH_SMOKE");
  return s != nullptr && *s != '\0' && *s != '0';
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

const char* const kDesign =
    "================================\r\n"
    "<Label Header (Parsed)> for <Reference>\r\n"
    "<Revenue Center> / <Employee> / <Transaction Description>\r\n"
    "<Order Time (Parsed)>   <Total Text>\r\n"
    "Total: <Order Total>\r\n"
    "<Address>\r\n<City and Town>\r\n<Phone>\r\n"
    "Map <Map Code (Parsed)>: <Directions>\r\n"
    "--------------------------------\r\n"
    "<Item Name>\r\n"
    "  <Item Mod[1]>\r\n  <Item Mod[2]>\r\n  <Item Mod[3]>\r\n  <Item Mod[4]>\r\n"
    "  <Item Mod[5]>\r\n  <Item Mod[6]>\r\n  <Item Mod[7]>\r\n  <Item Mod[8]>\r\n"
    "================================\r\n";

void AddRecord(TStringList& spool, int k) {
  std::vector<String> lines(SpoolRecordLines);
  lines[0] = "Customer " + std::to_string(k);
  lines[1] = "Delivery";
  lines[2] = "Anna";
  lines[3] = "Order " + std::to_string(k);
  lines[4] = "Total:23.40";
  lines[5] = "Time: 12:30 PM";
  lines[6] = "2 Labels";
  lines[7] = "12 Elm Street";
  lines[8] = "Springfield";
  lines[9] = "555-0100";
  lines[10] = "Map: K7";
  lines[11] = "Back door, ring twice";
  lines[20] = "Pizza Margherita";
  lines[21] = "extra cheese";
  lines[22] = "no basil";
  lines[23] = "well done";
  for (const auto& l : lines) spool.Add(l);
}

void BenchRender(const fs::path& dir) {
  const int records = Smoke() ? 200 : 20000;
  const fs::path designFile = dir / "LabelDesign.txt";
  {
    std::ofstream out(designFile, std::ios::binary);
    out << kDesign;
  }
  TStringList spool, labels;
  for (int k = 0; k < records; ++k) AddRecord(spool, k);
  TLabelRenderer renderer;
  renderer.LoadDesign = [&](TStringList& d) { d.LoadFromFile(designFile.string()); };
  auto start = Clock::now();
  renderer.Render(spool, labels);
  double s = Seconds(Clock::now() - start);
  std::printf("render: %d records in %.3f s = %.0f records/s (design read from disk per record)\n", records, s,
              records / s);
}

// The average cost of appending one line to a log of `lines` lines.
double LogLineCost(const fs::path& dir, int lines, int samples) {
  fs::path file = dir / ("log_" + std::to_string(lines) + ".txt");
  TAppendLogFile log(file.string());
  TStringList list;
  for (int i = 0; i < lines; ++i) list.Add("12/9/2026 4:22:57 AM : -> Loading from /base/PreLabel/order" + std::to_string(i) + ".spl");
  log.Update(list);
  auto start = Clock::now();
  for (int i = 0; i < samples; ++i) {
    list.Add("12/9/2026 4:22:58 AM : ++ Sending to /base/Label1/order.spl");
    log.Update(list);
  }
  return Seconds(Clock::now() - start) / samples;
}

void BenchLog(const fs::path& dir) {
  const int longLog = Smoke() ? 10000 : 100000;
  const int samples = Smoke() ? 50 : 1000;
  double shortCost = LogLineCost(dir, 10, samples);
  double longCost = LogLineCost(dir, longLog, samples);
  std::printf("log line: %.1f us at 10 lines, %.1f us at %d lines, ratio %.2f\n", shortCost * 1e6,
              longCost * 1e6, longLog, longCost / shortCost);
}

bool WaitForFile(const fs::path& p, double limitSeconds) {
  auto end = Clock::now() + std::chrono::duration<double>(limitSeconds);
  while (Clock::now() < end) {
    if (fs::exists(p)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

void BenchLatency(const fs::path& dir) {
  const fs::path bin = sys::BaseDir();
  const fs::path base = dir / "base";
  fs::create_directories(base);
  for (const char* d : {"PreLabel", "Label1", "Label2"}) fs::create_directories(base / d);
  fs::copy_file(bin / "TarnwickService", base / "TarnwickService");
  fs::copy_file(bin / "libxbe61.so", base / "libxbe61.so");
  {
    std::ofstream out(base / "LabelDesign.txt", std::ios::binary);
    out << kDesign;
    std::ofstream cfg(base / "Tarnwick.cfg", std::ios::binary);
    cfg << "SPLDirSource=PreLabel\r\nSPLDirDest=Label1\r\nSPLDirBackup=Label2\r\n";
  }
  pid_t sim = SpawnChild({(bin / "rmspool_sim").string(), "--dir", (base / "Label1").string(), "--poll-ms", "2",
                     "--quiet"},
                         (dir / "sim.out").string());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  pid_t service = SpawnChild({(base / "TarnwickService").string()}, (dir / "service.err").string());
  if (sim < 0 || service < 0 || !WaitForFile(base / "Tarnwick.txt", 15)) {
    std::printf("latency: could not start the service\n");
  } else {
    const int orders = Smoke() ? 2 : 10;
    std::vector<double> waits;
    for (int k = 0; k < orders; ++k) {
      TStringList spool;
      AddRecord(spool, k);
      std::string name = "order" + std::to_string(k) + ".spl";
      fs::path tmp = base / ("." + name + ".part");
      spool.SaveToFile(tmp.string());
      auto start = Clock::now();
      fs::rename(tmp, base / "PreLabel" / name);
      if (!WaitForFile(base / "Label1" / "printed" / name, 15)) {
        std::printf("latency: order %d did not arrive\n", k);
        break;
      }
      waits.push_back(Seconds(Clock::now() - start));
      // Spread the drops over the tick's phase.
      std::this_thread::sleep_for(std::chrono::milliseconds(137 * (k % 7)));
    }
    if (!waits.empty()) {
      double sum = 0;
      for (double w : waits) sum += w;
      std::printf("latency: %zu orders, min %.3f s, mean %.3f s, max %.3f s (tick 1 s, settle %.1f s)\n",
                  waits.size(), *std::min_element(waits.begin(), waits.end()), sum / waits.size(),
                  *std::max_element(waits.begin(), waits.end()), SpoolSettleSeconds);
    }
  }
  for (pid_t p : {service, sim}) {
    if (p > 0) {
      ::kill(p, SIGTERM);
      ::waitpid(p, nullptr, 0);
    }
  }
}

}  // namespace

int main() {
  fs::path dir = fs::temp_directory_path() / ("tw_service_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  BenchRender(dir);
  BenchLog(dir);
  BenchLatency(dir);
  fs::remove_all(dir);
  return 0;
}
