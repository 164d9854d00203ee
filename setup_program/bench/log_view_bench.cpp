// Speed of the log page's refresh (the main form's 500 ms tick) with the log
// of a busy restaurant after months: 100,000 lines. A tick while the file
// stays as it was, and a tick after the service appended one line (the line
// then shown, pending paints included).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "class_library/loop/Application.h"
#include "class_library/loop/Timer.h"
#include "class_library/visual/VisualApplication.h"
#include "controls/VkEdit.h"
#include "platform/gui/TestSupport.h"
#include "platform/system/bench/BenchMain.h"
#include "setup_program/frmMain.h"

namespace {

namespace fs = std::filesystem;

class LogForm {
public:
  explicit LogForm(int Lines) : dir_(fs::temp_directory_path() / ("tw_log_bench_" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / "Tarnwick.cfg") << "SPLDirSource=PreLabel\r\n";
    std::ofstream(dir_ / "Tarnwick.err") << "0\r\n";
    {
      std::ofstream log(dir_ / "Tarnwick.txt", std::ios::binary);
      for (int i = 0; i < Lines; ++i)
        log << "01/02/2026 10:" << (i / 60) % 60 << ":" << i % 60 << " : -> Loading from PreLabel/order" << i
            << ".spl\r\n";
    }
    TfrmMain::BaseDirOverride = dir_.string() + "/";
    form_ = std::make_unique<TfrmMain>(nullptr);
    form_->Timer->SetEnabled(false);
    form_->Show();
    form_->TimerTimer(nullptr);
    Pump();
  }
  ~LogForm() {
    form_.reset();
    TfrmMain::BaseDirOverride.clear();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  TfrmMain& Form() { return *form_; }
  void AppendLine(int N) {
    const std::string line = "01/02/2026 11:00:00 : <- Label " + std::to_string(N) + " sent to Label1\r\n";
    const int fd = ::open((dir_ / "Tarnwick.txt").c_str(), O_WRONLY | O_APPEND);
    if (fd < 0 || ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::abort();
    ::close(fd);
  }
  static void Pump() {
    for (int i = 0; i < 3; ++i) Application()->ProcessMessages();
  }

private:
  fs::path dir_;
  std::unique_ptr<TfrmMain> form_;
};

int LogLines() { return sys::bench::IsSmokeRun() ? 2000 : 100000; }

void BM_LogTickUnchanged(benchmark::State& state) {
  LogForm log(LogLines());
  for (auto _ : state) log.Form().TimerTimer(nullptr);
}
BENCHMARK(BM_LogTickUnchanged)->Unit(benchmark::kMicrosecond);

void BM_LogTickOneLineAppended(benchmark::State& state) {
  LogForm log(LogLines());
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    log.AppendLine(n++);
    state.ResumeTiming();
    log.Form().TimerTimer(nullptr);
    LogForm::Pump();
  }
}
BENCHMARK(BM_LogTickOneLineAppended)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  gui::test::UseTestEnvironment();
  Application()->Initialize();
  visual::EnsureVisualApplication();
  sys::bench::RunBenchmarks(argc, argv);
  visual::ShutdownWindowLayer();
  return 0;
}
