// The service framework: command-line switches, and a service run in a child
// process driven by real signals.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "class_library/loop/Application.h"
#include "class_library/service/Service.h"
#include "class_library/core/SysUtils.h"
#include "class_library/loop/Timer.h"
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

// How a handler of the child's service fails: it throws, or it answers false.
enum class Failure { Throws, Refuses };

// Runs a service in a child process. The child reports each handler as one
// character on a pipe: S start, P pause, C continue, T stop, X a handler that
// overlapped a timer tick, and the handler's letter in lower case when it
// failed; then "E" and exits with Run's result (or 3 when no tick ran).
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

  void Start(bool failStart) { Start(failStart ? 'S' : '\0', Failure::Throws); }

  // The handler of letter failing (S, P, C or T) fails the first time it
  // runs; the service has a display name of its own.
  void Start(char failing, Failure how) {
    errFile = (fs::temp_directory_path() / ("tw_svc_err_" + std::to_string(::getpid()))).string();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      FILE* err = std::freopen(errFile.c_str(), "w", stderr);
      (void)err;
      _exit(RunChild(fds[1], failing, how));
    }
    ::close(fds[1]);
    events = fds[0];
  }

  static int RunChild(int out, char failing, Failure how) {
    SetArgs({"probe"});
    TServiceApplication app(nullptr);
    app.Initialize();
    auto* s = app.CreateForm<TService>();
    s->SetName("srvProbe");
    if (failing != '\0' && failing != 'S') s->SetDisplayName("Probe's Service");
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
    // The first run of the failing handler reports itself and fails.
    auto failOnce = [out, how](char c, TServiceBoolEvent works) {
      return [out, how, c, works, failed = false](TService* sender, bool& result) mutable {
        if (failed) return works(sender, result);
        failed = true;
        const char lower = char(c - 'A' + 'a');
        ssize_t n = ::write(out, &lower, 1);
        (void)n;
        if (how == Failure::Refuses) {
          result = false;
          return;
        }
        throw Exception(String(1, c) + " cannot run: the disk is gone");
      };
    };
    auto pick = [&](char c) { return c == failing ? TServiceBoolEvent(failOnce(c, handler(c))) : handler(c); };
    s->OnStart = pick('S');
    if (failing == 'S' && how == Failure::Throws)
      s->OnStart = [](TService*, bool&) { throw Exception("no configuration"); };
    s->OnPause = pick('P');
    s->OnContinue = pick('C');
    s->OnStop = pick('T');
    int rc = app.Run();
    ssize_t n = ::write(out, "E", 1);
    (void)n;
    if (rc != 0) return rc;
    return ticks > 0 ? 0 : 3;
  }

  // The next report; '?' when none comes within 20 seconds.
  char Next() {
    char c = 0;
    pollfd p{events, POLLIN, 0};
    if (::poll(&p, 1, 20000) != 1) return '?';
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

TEST(ServiceRun, AFailedStartIsOneErrorLineInTheJournal) {
  for (const Failure how : {Failure::Throws, Failure::Refuses}) {
    ChildService child;
    child.Start('S', how);
    EXPECT_EQ(child.Next(), how == Failure::Throws ? 'E' : 's');
    if (how == Failure::Refuses) {
      EXPECT_EQ(child.Next(), 'E');
    }
    EXPECT_EQ(child.Wait(), 1);
    EXPECT_EQ(child.Errors(), how == Failure::Throws ? "srvProbe: error: Service failed on start: no configuration\n"
                                                     "srvProbe: stopped\n"
                                                   : "srvProbe: error: Service failed on start: the service refused\n"
                                                     "srvProbe: stopped\n");
  }
}

// A failed stop, pause or continue: one error line naming the request and the
// reason, then the state the service stays in; the next request works.
TEST(ServiceRun, AFailedStopPauseOrContinueIsOneErrorLineAndTheServiceCarriesOn) {
  const std::string kName = "Probe's Service: ";
  for (const Failure how : {Failure::Throws, Failure::Refuses}) {
    auto reason = [&](char c) {
      return how == Failure::Throws ? std::string(1, c) + " cannot run: the disk is gone" : "the service refused";
    };
    SCOPED_TRACE(how == Failure::Throws ? "throws" : "refuses");
    // Each case: the failing request, the signals sent with the reply each
    // one brings, and the journal lines (after "running") it must leave.
    struct Case {
      char request;
      std::vector<std::pair<int, char>> steps;
      std::vector<std::string> journal;
    };
    const Case cases[] = {
        {'T', {{SIGTERM, 't'}, {SIGTERM, 'T'}}, {"error: Service failed on stop: " + reason('T'), "running", "stopped"}},
        {'P',
         {{SIGTSTP, 'p'}, {SIGTSTP, 'P'}, {SIGTERM, 'T'}},
         {"error: Service failed on pause: " + reason('P'), "running", "paused", "stopped"}},
        {'C',
         {{SIGTSTP, 'P'}, {SIGCONT, 'c'}, {SIGCONT, 'C'}, {SIGTERM, 'T'}},
         {"paused", "error: Service failed on continue: " + reason('C'), "paused", "running", "stopped"}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(1, c.request));
      ChildService child;
      child.Start(c.request, how);
      ASSERT_EQ(child.Next(), 'S');
      for (const auto& [signal, reply] : c.steps) {
        ::kill(child.pid, signal);
        ASSERT_EQ(child.Next(), reply);
      }
      EXPECT_EQ(child.Next(), 'E');
      EXPECT_EQ(child.Wait(), 0);
      std::string expected = kName + "running\n";
      for (const std::string& line : c.journal) expected += kName + line + "\n";
      EXPECT_EQ(child.Errors(), expected);
    }
  }
}

// Each journal line is the display name, the kind of event (none for
// information) and the message, on one line.
TEST(ServiceLog, EachLineIsTheDisplayNameTheKindAndTheMessage) {
  TServiceApplication app(nullptr);
  auto* s = app.CreateForm<TService>();
  s->SetName("srvProbe");
  s->SetDisplayName("Probe's Service");
  std::stringstream journal;
  std::streambuf* was = std::cerr.rdbuf(journal.rdbuf());
  s->LogMessage("running", evInformation);
  s->LogMessage("Cannot write the log: /base/Tarnwick.txt: Permission denied", evWarning);
  s->LogMessage("Service failed on stop: the service refused");
  s->LogMessage("Service failed on pause: gone", evError);
  // An error text of several lines is still one line of the journal.
  s->LogMessage("Service failed on start: Unable to create table.\rFile: /base/LOCKSPL.DBF");
  s->LogMessage("Service failed on continue: first\r\nsecond \n\tthird\r\n");
  std::cerr.rdbuf(was);
  EXPECT_EQ(journal.str(),
            "Probe's Service: running\n"
            "Probe's Service: warning: Cannot write the log: /base/Tarnwick.txt: Permission denied\n"
            "Probe's Service: error: Service failed on stop: the service refused\n"
            "Probe's Service: error: Service failed on pause: gone\n"
            "Probe's Service: error: Service failed on start: Unable to create table. File: /base/LOCKSPL.DBF\n"
            "Probe's Service: error: Service failed on continue: first second third\n");
}
