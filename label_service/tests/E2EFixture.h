#pragma once
// The end-to-end tests' fixture: the real TarnwickService and spooler
// simulator processes on a temporary base directory.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "label_service/tests/SpawnChild.h"
#include "platform/system/Paths.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Sequence number of the base directories of this process (shared by every
// test file of the program).
inline int NextBaseNumber() {
  static int counter = 0;
  return ++counter;
}


inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Waits until cond holds (true) or the time is up (false).
inline bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = 15000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (cond()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return cond();
}

inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

// A child process with standard output and error going to a file.
class Process {
public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void Start(const std::vector<std::string>& args, const fs::path& output) {
    output_ = output;
    pid_ = SpawnChild(args, output.string());
    ASSERT_GT(pid_, 0) << "cannot start " << args[0];
  }
  void Signal(int sig) { ::kill(pid_, sig); }
  // The exit code, or 100 + signal; -1 when it did not end in time.
  int Wait(std::chrono::milliseconds limit = 15000ms) {
    int status = 0;
    bool ended = WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limit);
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  }
  std::string Output() const { return ReadFile(output_); }

private:
  pid_t pid_ = -1;
  fs::path output_;
};

// One spool record of 100 lines.
inline std::string SpoolRecord(const std::string& reference, const std::string& item) {
  std::vector<std::string> lines(100);
  lines[0] = reference;
  lines[4] = "Total:12.50";
  lines[5] = "Time: 12:30";
  lines[6] = "1 Labels";
  lines[7] = "12 Elm Street";
  lines[20] = item;
  lines[21] = "extra cheese";
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

const char* const kDesign = "REF <Reference>\r\nITEM <Item Name> <Item Mod[1]>\r\nTOTAL <Order Total>\r\n";

class ServiceE2E : public ::testing::Test {
protected:
  void SetUp() override { MakeBase(fs::temp_directory_path()); }

  // A fresh base directory under root (its name ending in Suffix) with the
  // programs, the three spool directories, the design and the configuration.
  void MakeBase(const fs::path& root, const std::string& Suffix = "") {
    base_ = root / ("tw_e2e_" + std::to_string(::getpid()) + "_" + std::to_string(NextBaseNumber()) + Suffix);
    fs::remove_all(base_);
    fs::create_directories(base_);
    bin_ = fs::path(sys::BaseDir());
    fs::copy_file(bin_ / "TarnwickService", base_ / "TarnwickService");
    fs::copy_file(bin_ / "libxbe61.so", base_ / "libxbe61.so");
    for (const char* d : {"PreLabel", "Label1", "Label2"}) fs::create_directories(base_ / d);
    WriteFile(base_ / "LabelDesign.txt", kDesign);
    WriteConfig("PreLabel", "Label1", "Label2");
  }
  void TearDown() override {
    service_.reset();
    sims_.clear();
    if (!HasFailure()) fs::remove_all(base_);
  }

  void WriteConfig(const std::string& src, const std::string& dest, const std::string& backup) {
    WriteFile(base_ / "Tarnwick.cfg", "SPLDirSource=" + src + "\r\nSPLDirDest=" + dest + "\r\nSPLDirBackup=" +
                                          backup + "\r\nLabelsText=Labels\r\nTimeText=Time:\r\nMapText=Map:\r\n"
                                          "TotalText=Total:\r\n");
  }

  // A simulator serving base/dir; waits until it holds the lock table.
  Process& StartSpooler(const std::string& dir, bool withError = false) {
    sims_.push_back(std::make_unique<Process>());
    Process& p = *sims_.back();
    std::vector<std::string> args = {(bin_ / "rmspool_sim").string(), "--dir", (base_ / dir).string(),
                                     "--poll-ms", "50"};
    if (withError) args.push_back("--error");
    p.Start(args, base_ / ("sim_" + dir + std::to_string(sims_.size()) + ".out"));
    EXPECT_TRUE(WaitFor([&] { return p.Output().find("serving") != std::string::npos; })) << p.Output();
    return p;
  }

  // A spooler that ran and stopped: its lock table is left behind, free.
  void LeaveStoppedSpooler(const std::string& dir) {
    Process& p = StartSpooler(dir);
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0) << p.Output();
  }

  // Starts the service; Prefix runs it through another program (setpriv).
  void StartService(std::vector<std::string> Prefix = {}) {
    service_ = std::make_unique<Process>();
    Prefix.push_back((base_ / "TarnwickService").string());
    service_->Start(Prefix, base_ / "service.err");
    // The start is over once the last directory is logged (and its status set).
    ASSERT_TRUE(WaitFor([&] { return Log().find("! Backup Spool Directory is: ") != std::string::npos; }))
        << service_->Output();
  }
  int StopService() {
    service_->Signal(SIGTERM);
    return service_->Wait();
  }

  // Drops an order into the source directory whole, dated in the past so that
  // it counts as settled at once.
  void DropOrder(const std::string& name, const std::string& text, const std::string& dir = "PreLabel") {
    fs::path tmp = base_ / ("." + name + ".part");
    WriteFile(tmp, text);
    fs::last_write_time(tmp, fs::file_time_type::clock::now() - 10s);
    fs::rename(tmp, base_ / dir / name);
  }

  std::string Log() { return ReadFile(base_ / "Tarnwick.txt"); }
  std::string Status() { return ReadFile(base_ / "Tarnwick.err"); }
  bool Exists(const std::string& rel) { return fs::exists(base_ / rel); }
  std::string Path(const std::string& rel) { return (base_ / rel).string(); }
  // The names in base/rel other than the allowed ones.
  std::vector<std::string> Others(const std::string& rel, const std::set<std::string>& allowed) {
    std::vector<std::string> others;
    for (const auto& e : fs::directory_iterator(base_ / rel)) {
      std::string n = e.path().filename().string();
      if (allowed.count(n) == 0) others.push_back(n);
    }
    return others;
  }

  fs::path base_, bin_;
  std::unique_ptr<Process> service_;
  std::vector<std::unique_ptr<Process>> sims_;
};

const std::string kLabels = "REF Smith\r\nITEM Pizza extra cheese\r\nTOTAL 12.50\r\n";

// Sets an environment variable for the programs the test starts.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) { ::setenv(name, value.c_str(), 1); }
  ~ScopedEnv() { ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  const char* name_;
};
