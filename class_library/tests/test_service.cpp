// The service framework: command-line switches, and a service run in a child
// process driven by real signals.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "class_library/Application.h"
#include "class_library/Service.h"
#include "class_library/SysUtils.h"
#include "class_library/Timer.h"
#include "platform/service/tests/SystemdVerify.h"
#include "platform/system/MessageBox.h"

namespace fs = std::filesystem;

namespace {

void SetArgs(std::vector<std::string> args) {
  static std::vector<std::string> keep;
  static std::vector<char*> argv;
  keep = std::move(args);
  argv.clear();
  for (auto& a : keep) argv.push_back(a.data());
  argv.push_back(nullptr);
  SetCommandLine(static_cast<int>(keep.size()), argv.data());
}

class ServiceSwitches : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tw_svc_units_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    ::setenv("TW_SYSTEMD_UNIT_DIR", dir_.c_str(), 1);
    sys::SetMessageBoxSink([this](const std::string&, const std::string& text, int, int, int def) {
      boxes_.push_back(text);
      return def;
    });
    auto* s = app_.CreateForm<TService>();
    s->SetName("srvProbe");
    s->SetDisplayName("Probe's Service");
  }
  void TearDown() override {
    sys::SetMessageBoxSink(nullptr);
    ::unsetenv("TW_SYSTEMD_UNIT_DIR");
    fs::remove_all(dir_);
  }
  fs::path dir_;
  std::vector<std::string> boxes_;
  TServiceApplication app_{nullptr};
};

}  // namespace

TEST_F(ServiceSwitches, InstallAndUninstallWithEitherPrefixInAnyCase) {
  SetArgs({"probe", "/InStAlL"});
  EXPECT_EQ(app_.Run(), 0);
  fs::path unit = dir_ / "srvProbe.service";
  ASSERT_TRUE(fs::exists(unit));
  std::ifstream in(unit);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Description=Probe's Service\n"), std::string::npos);
  if (systemd_verify::Unavailable().empty()) {  // systemd accepts the unit
    auto verified = systemd_verify::Verify(unit);
    EXPECT_TRUE(verified.Passed()) << verified.Output << text.str();
  }
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], "Service installed successfully");

  SetArgs({"probe", "-uninstall", "/SILENT"});
  EXPECT_EQ(app_.Run(), 0);
  EXPECT_FALSE(fs::exists(unit));
  EXPECT_EQ(boxes_.size(), 1u);  // silent: no confirmation

  // Uninstalling what is not installed fails, with an error even when silent.
  SetArgs({"probe", "-uninstall", "-silent"});
  EXPECT_EQ(app_.Run(), 1);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].rfind("Service failed on uninstall with error: ", 0), 0u);
}

TEST(ServiceSwitchParsing, OnlyPrefixedWordsAreSwitches) {
  SetArgs({"probe", "install", "--silent", "/"});
  EXPECT_FALSE(TServiceApplication::FindSwitch("INSTALL"));
  EXPECT_FALSE(TServiceApplication::FindSwitch("SILENT"));
  SetArgs({"probe", "x", "-Silent"});
  EXPECT_TRUE(TServiceApplication::FindSwitch("SILENT"));
}

namespace {

// Runs a service in a child process. The child reports each handler as one
// character on a pipe: S start, P pause, C continue, T stop, X a handler that
// overlapped a timer tick; then "E" and exits with Run's result (or 3 when no
// tick ran).
struct ChildService {
  pid_t pid = -1;
  int events = -1;
  std::string errFile;

  ~ChildService() {
    if (pid > 0) {  // a failed assertion left the child running
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    if (events >= 0) ::close(events);
  }

  void Start(bool failStart) {
    errFile = (fs::temp_directory_path() / ("tw_svc_err_" + std::to_string(::getpid()))).string();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      FILE* err = std::freopen(errFile.c_str(), "w", stderr);
      (void)err;
      _exit(RunChild(fds[1], failStart));
    }
    ::close(fds[1]);
    events = fds[0];
  }

  static int RunChild(int out, bool failStart) {
    SetArgs({"probe"});
    TServiceApplication app(nullptr);
    app.Initialize();
    auto* s = app.CreateForm<TService>();
    s->SetName("srvProbe");
    static std::atomic<bool> inTick{false};
    static std::atomic<int> ticks{0};
    auto* timer = new TTimer(s);
    timer->SetInterval(1);
    timer->SetOnTimer([](TObject*) {
      inTick = true;
      ::usleep(500);
      inTick = false;
      ++ticks;
    });
    auto handler = [out](char c) {
      return [out, c](TService*, bool&) {
        char sent = inTick ? 'X' : c;
        ::usleep(3000);  // long enough for an unserialized tick to overlap
        if (inTick) sent = 'X';
        ssize_t n = ::write(out, &sent, 1);
        (void)n;
      };
    };
    s->OnStart = handler('S');
    if (failStart) s->OnStart = [](TService*, bool&) { throw Exception("no configuration"); };
    s->OnPause = handler('P');
    s->OnContinue = handler('C');
    s->OnStop = handler('T');
    int rc = app.Run();
    ssize_t n = ::write(out, "E", 1);
    (void)n;
    if (rc != 0) return rc;
    return ticks > 0 ? 0 : 3;
  }

  char Next() {
    char c = 0;
    return ::read(events, &c, 1) == 1 ? c : '?';
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    ::close(events);
    events = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  }
  std::string Errors() {
    std::ifstream in(errFile);
    std::stringstream s;
    s << in.rdbuf();
    fs::remove(errFile);
    return s.str();
  }
};

}  // namespace

TEST(ServiceRun, SignalsDriveTheHandlersWhichNeverOverlapATick) {
  ChildService child;
  child.Start(false);
  ASSERT_EQ(child.Next(), 'S');
  for (int round = 0; round < 3; ++round) {
    ::kill(child.pid, SIGTSTP);
    ASSERT_EQ(child.Next(), 'P');
    ::kill(child.pid, SIGTSTP);  // already paused: ignored
    ::kill(child.pid, SIGCONT);
    ASSERT_EQ(child.Next(), 'C');
  }
  ::kill(child.pid, SIGTERM);
  EXPECT_EQ(child.Next(), 'T');
  EXPECT_EQ(child.Next(), 'E');
  EXPECT_EQ(child.Wait(), 0);
  std::string err = child.Errors();
  EXPECT_NE(err.find("srvProbe: running"), std::string::npos) << err;
  EXPECT_NE(err.find("srvProbe: stopped"), std::string::npos) << err;
}

TEST(ServiceRun, AFailedStartIsReportedAndEndsTheProgram) {
  ChildService child;
  child.Start(true);
  EXPECT_EQ(child.Next(), 'E');  // no stop handler ran
  EXPECT_EQ(child.Wait(), 1);
  std::string err = child.Errors();
  EXPECT_NE(err.find("Service failed on start: no configuration"), std::string::npos) << err;
}
