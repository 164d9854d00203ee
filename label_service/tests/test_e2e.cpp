// End to end: the real TarnwickService and spooler simulator processes on a
// temporary base directory: orders, printers, configuration and control.
#include "label_service/tests/E2EFixture.h"
#include "platform/system/tests/GeneratedLocales.h"

TEST_F(ServiceE2E, DestinationUpTakesTheLabelsAndTheSourceGoes) {
  Process& sim = StartSpooler("Label1");
  StartService();
  EXPECT_EQ(Status(), "0\r\n");
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label1/printed/order.spl"), kLabels);
  EXPECT_TRUE(WaitFor([&] { return sim.Output().find(kLabels) != std::string::npos; })) << sim.Output();
  // The labels are on disk before the source is deleted: the spooler may
  // print them while the service is still logging and deleting.
  EXPECT_TRUE(WaitFor([&] { return !Exists("PreLabel/order.spl"); })) << Log();
  EXPECT_TRUE(WaitFor([&] { return Log().find(" : -- Deleting " + Path("PreLabel/order.spl")) != std::string::npos; }))
      << Log();
  std::string log = Log();
  EXPECT_NE(log.find(" : -> Loading from " + Path("PreLabel/order.spl")), std::string::npos) << log;
  EXPECT_EQ(Count(log, "++ Sending to"), 1) << log;
  EXPECT_NE(log.find(" : ++ Sending to " + Path("Label1/order.spl")), std::string::npos) << log;
  EXPECT_NE(log.find(" : -- Deleting " + Path("PreLabel/order.spl")), std::string::npos) << log;
  EXPECT_EQ(Count(log, "#"), 0) << log;
  // Nothing but the label arrived in the destination (no temporary leftovers).
  EXPECT_EQ(Others("Label1", {"printed", "LOCKSPL.DBF"}), std::vector<std::string>{});
  EXPECT_EQ(StopService(), 0);
}

TEST_F(ServiceE2E, DestinationDownSendsToTheBackup) {
  LeaveStoppedSpooler("Label1");
  StartSpooler("Label2");
  StartService();
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label2/printed/order.spl"); })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label2/printed/order.spl"), kLabels);
  // The source is deleted (and that logged) after the labels are on disk.
  EXPECT_TRUE(WaitFor([&] { return !Exists("PreLabel/order.spl"); })) << Log();
  EXPECT_TRUE(WaitFor([&] { return Log().find("-- Deleting " + Path("PreLabel/order.spl")) != std::string::npos; }))
      << Log();
  EXPECT_FALSE(Exists("Label1/order.spl"));
  std::string log = Log();
  size_t down = log.find("## Spooler is down for printer: Label1\r\n");
  size_t trying = log.find("! Trying backup printer...");
  size_t sending = log.find("++ Sending to " + Path("Label2/order.spl"));
  ASSERT_NE(down, std::string::npos) << log;
  ASSERT_NE(sending, std::string::npos) << log;
  EXPECT_LT(down, trying);
  EXPECT_LT(trying, sending);
  EXPECT_NE(log.find("-- Deleting " + Path("PreLabel/order.spl")), std::string::npos);
  EXPECT_EQ(log.find("# Failed to print..."), std::string::npos);
}

TEST_F(ServiceE2E, ProblemsOnBothPrintersLeaveTheLabelsWithTheDestination) {
  StartSpooler("Label1", true);
  StartSpooler("Label2", true);
  StartService();
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  ASSERT_TRUE(WaitFor([&] { return Log().find("# Failed to print...") != std::string::npos; })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label1/order.spl"), kLabels);
  EXPECT_FALSE(Exists("PreLabel/order.spl"));
  EXPECT_FALSE(Exists("Label2/order.spl"));
  std::string log = Log();
  const std::vector<std::string> expected = {
      "# Problem sending to " + Path("Label1"),
      "  Please check Printer.",
      "! Trying backup printer...",
      "# Problem sending to " + Path("Label2"),
      "  Please check RMSpool and Printer.",
      "! Sending order back to " + Path("Label1"),
      "! Labels will resume printing when the problem is resolved",
      "-- Deleting " + Path("PreLabel/order.spl"),
      "# Failed to print..."};
  size_t at = 0;
  for (const auto& line : expected) {
    size_t pos = log.find(" : " + line + "\r\n", at);
    ASSERT_NE(pos, std::string::npos) << "missing in order: " << line << "\n" << log;
    at = pos;
  }
}

TEST_F(ServiceE2E, TwoFilesAreTakenInTwoTicks) {
  StartSpooler("Label1");
  StartService();
  DropOrder("a.spl", SpoolRecord("First", "Pizza"));
  DropOrder("b.spl", SpoolRecord("Second", "Salad"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/a.spl") && Exists("Label1/printed/b.spl"); }))
      << Log();
  std::string log = Log();
  size_t a = log.find("-> Loading from " + Path("PreLabel/a.spl"));
  size_t b = log.find("-> Loading from " + Path("PreLabel/b.spl"));
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  EXPECT_LT(a, b);
  // Ticks are a second apart: the two lines carry different seconds.
  auto stampOf = [&](size_t pos) {
    size_t start = log.rfind("\r\n", pos);
    start = start == std::string::npos ? 0 : start + 2;
    return log.substr(start, log.find(" : ", start) - start);
  };
  EXPECT_NE(stampOf(a), stampOf(b));
}

TEST_F(ServiceE2E, AMissingConfigurationIsWrittenWithDefaultsAndTheServiceIdlesUntilAReload) {
  fs::remove(base_ / "Tarnwick.cfg");
  StartSpooler("Label1");
  StartService();
  EXPECT_EQ(ReadFile(base_ / "Tarnwick.cfg"),
            "SPLDirSource=PreLabel\r\nSPLDirDest=Label1\r\nSPLDirBackup=Label2\r\nLabelsText=Labels\r\n"
            "TimeText=Time:\r\nMapText=Map:\r\nTotalText=Total:\r\n");
  std::string log = Log();
  EXPECT_NE(log.find("! Source Spool Directory is: \"" + Path("PreLabel") + "\""), std::string::npos) << log;
  EXPECT_NE(log.find("! Backup Spool Directory is: \"" + Path("Label2") + "\""), std::string::npos) << log;
  EXPECT_EQ(Status(), "0\r\n");

  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  std::this_thread::sleep_for(2500ms);
  EXPECT_TRUE(Exists("PreLabel/order.spl"));  // idle

  // The reload flag and the order in the same tick: the configuration is
  // reloaded first, and the order handled right after it.
  WriteFile(base_ / "TWKConfigChanged", "");
  ASSERT_TRUE(WaitFor([&] { return !Exists("TWKConfigChanged"); }));
  ASSERT_TRUE(WaitFor([&] { return Log().find("-> Loading from " + Path("PreLabel/order.spl")) != std::string::npos; }))
      << Log();
  log = Log();
  EXPECT_EQ(Count(log, "! Starting service..."), 2);
  const size_t reloaded = log.rfind("! Starting service...");
  const size_t loading = log.find("-> Loading from " + Path("PreLabel/order.spl"));
  ASSERT_NE(loading, std::string::npos) << log;
  EXPECT_LT(reloaded, loading) << log;
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log();
}

TEST_F(ServiceE2E, AMissingDesignStopsPrintingAndKeepsTheOrder) {
  StartSpooler("Label1");
  StartService();
  fs::remove(base_ / "LabelDesign.txt");
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  ASSERT_TRUE(WaitFor([&] { return Log().find("# Failed to print...") != std::string::npos; })) << Log();
  EXPECT_EQ(Status(), "5\r\n");
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(Exists("PreLabel/order.spl"));
  EXPECT_EQ(Count(Log(), "-> Loading from"), 1);  // not again until a reload

  // Design back and a reload: the order goes out.
  WriteFile(base_ / "LabelDesign.txt", kDesign);
  WriteFile(base_ / "TWKConfigChanged", "");
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label1/printed/order.spl"), kLabels);
  EXPECT_EQ(Status(), "0\r\n");
}


TEST_F(ServiceE2E, AFileOfPartRecordsStaysUntilRewrittenWholeAndAnEmptyFileIsHandedOver) {
  StartSpooler("Label1");
  StartService();
  std::string text = SpoolRecord("Smith", "Pizza");
  size_t cut = 0;
  for (int line = 0; line < 50; ++line) cut = text.find("\r\n", cut) + 2;
  DropOrder("a_odd.spl", text + text.substr(0, cut));  // 150 lines
  DropOrder("b_empty.spl", "");
  const std::string odd = Path("PreLabel/a_odd.spl");
  const std::string empty = Path("PreLabel/b_empty.spl");

  // No records at all is no lost order: the empty result goes out as usual.
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/b_empty.spl"); })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label1/printed/b_empty.spl"), "");
  EXPECT_TRUE(WaitFor([&] { return !Exists("PreLabel/b_empty.spl"); })) << Log();
  EXPECT_TRUE(WaitFor([&] { return Log().find(" : -- Deleting " + empty + "\r\n") != std::string::npos; })) << Log();

  // A partial record: the warning, then the note, and the file stays.
  ASSERT_TRUE(WaitFor([&] { return Log().find("# " + odd) != std::string::npos; })) << Log();
  const std::string warning = "## WARNING: Label Setup in RM does not seem to be compatible with Tarnwick ##";
  {
    std::string log = Log();
    const size_t loading = log.find(" : -> Loading from " + odd + "\r\n");
    const size_t warned = log.find(" : " + warning + "\r\n", loading);
    const size_t noted =
        log.find(" : # " + odd + " holds 150 lines, not whole 100-line records: left in place\r\n", loading);
    ASSERT_NE(loading, std::string::npos) << log;
    ASSERT_NE(warned, std::string::npos) << log;
    ASSERT_NE(noted, std::string::npos) << log;
    EXPECT_LT(warned, noted) << log;
    // Nothing else between the warning and the note.
    EXPECT_EQ(log.find("\r\n", warned), log.rfind("\r\n", noted)) << log;
  }

  // An order dropped after them is still printed.
  DropOrder("c_good.spl", SpoolRecord("Jones", "Salad"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/c_good.spl"); })) << Log();
  std::this_thread::sleep_for(1500ms);
  std::string log = Log();
  EXPECT_TRUE(Exists("PreLabel/a_odd.spl"));
  EXPECT_FALSE(Exists("Label1/a_odd.spl") || Exists("Label1/printed/a_odd.spl"));
  // Looked at once, not again every tick.
  EXPECT_EQ(Count(log, "-> Loading from " + odd), 1) << log;
  EXPECT_EQ(Count(log, warning), 1) << log;
  EXPECT_EQ(Count(log, " : # " + odd), 1) << log;
  EXPECT_EQ(Count(log, "# Failed to print..."), 0) << log;

  // RM rewrites it whole: now it is an order.
  DropOrder("a_odd.spl", text);
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/a_odd.spl"); })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label1/printed/a_odd.spl"), kLabels);
  EXPECT_TRUE(WaitFor([&] { return !Exists("PreLabel/a_odd.spl"); })) << Log();
  EXPECT_EQ(Count(Log(), "-> Loading from " + odd), 2) << Log();
}

TEST_F(ServiceE2E, AMissingBackupDirectorySetsStatus4AndSendsNothing) {
  fs::remove_all(base_ / "Label2");
  StartSpooler("Label1");
  StartService();
  EXPECT_TRUE(WaitFor([&] { return Status() == "4\r\n"; })) << Status();
  EXPECT_NE(Log().find("    Directory not found! Please setup a printer"), std::string::npos);
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  std::this_thread::sleep_for(2500ms);
  EXPECT_TRUE(Exists("PreLabel/order.spl"));
  EXPECT_FALSE(Exists("Label1/printed/order.spl"));
}

TEST_F(ServiceE2E, PauseRemovesTheLogAndContinueBringsItBackWithTheOldLines) {
  StartService();
  std::string before = Log();
  ASSERT_FALSE(before.empty());
  service_->Signal(SIGTSTP);
  ASSERT_TRUE(WaitFor([&] { return !Exists("Tarnwick.txt"); }));
  service_->Signal(SIGCONT);
  ASSERT_TRUE(WaitFor([&] { return Count(Log(), "! Starting service...") == 2; })) << Log();
  std::string after = Log();
  EXPECT_EQ(after.rfind(before, 0), 0u) << after;  // the old lines first, unchanged
  EXPECT_NE(after.find("! Stopping service..."), std::string::npos);

  // Stop deletes the log and ends the program normally.
  EXPECT_EQ(StopService(), 0);
  EXPECT_FALSE(Exists("Tarnwick.txt"));
}

TEST_F(ServiceE2E, AnOrderStillBeingWrittenIsNotTakenUntilItSettles) {
  StartSpooler("Label1");
  StartService();
  // RM writes two records slowly: a chunk every 250 ms. A service that took
  // the file at 100 lines would render one label and lose the rest.
  std::string text = SpoolRecord("Smith", "Pizza") + SpoolRecord("Jones", "Salad");
  fs::path target = base_ / "PreLabel/slow.spl";
  {
    std::ofstream out(target, std::ios::binary);
    const size_t chunk = text.size() / 10 + 1;
    for (size_t at = 0; at < text.size(); at += chunk) {
      out << text.substr(at, chunk) << std::flush;
      std::this_thread::sleep_for(250ms);
    }
  }
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/slow.spl"); })) << Log();
  std::string labels = ReadFile(base_ / "Label1/printed/slow.spl");
  EXPECT_EQ(Count(labels, "REF "), 2) << labels;
  EXPECT_EQ(Count(Log(), "-> Loading from"), 1);
}

TEST_F(ServiceE2E, AFailedWriteKeepsTheOrderForALaterTick) {
  StartSpooler("Label1");
  StartService();
  // A directory in the way of the label file: the write fails.
  fs::create_directories(base_ / "Label1/order.spl");
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  ASSERT_TRUE(WaitFor([&] { return Log().find("# Failed to print...") != std::string::npos; })) << Log();
  std::string log = Log();
  EXPECT_NE(log.find(" : # Cannot write labels: "), std::string::npos) << log;
  EXPECT_EQ(log.find("-- Deleting"), std::string::npos) << log;
  EXPECT_TRUE(Exists("PreLabel/order.spl"));
  // Nothing half-written or temporary is left in the destination.
  EXPECT_EQ(Others("Label1", {"printed", "LOCKSPL.DBF", "order.spl"}), std::vector<std::string>{});
  fs::remove(base_ / "Label1/order.spl");
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log();
  EXPECT_TRUE(WaitFor([&] { return !Exists("PreLabel/order.spl"); })) << Log();
}

TEST_F(ServiceE2E, AReloadMovesTheSourceLockToTheNewDirectory) {
  fs::create_directories(base_ / "PreLabel2");
  StartService();
  {
    // The service holds PreLabel's lock table: no spooler can take it.
    Process probe;
    probe.Start({(bin_ / "rmspool_sim").string(), "--dir", Path("PreLabel")}, base_ / "probe1.out");
    EXPECT_EQ(probe.Wait(), 1) << probe.Output();
  }
  WriteConfig("PreLabel2", "Label1", "Label2");
  WriteFile(base_ / "TWKConfigChanged", "");
  ASSERT_TRUE(WaitFor([&] { return !Exists("TWKConfigChanged"); }));
  ASSERT_TRUE(WaitFor([&] { return Exists("PreLabel2/LOCKSPL.DBF"); }));
  {
    Process probe;
    probe.Start({(bin_ / "rmspool_sim").string(), "--dir", Path("PreLabel2")}, base_ / "probe2.out");
    EXPECT_EQ(probe.Wait(), 1) << probe.Output();
  }
  // The old directory's table is free again.
  Process& freed = StartSpooler("PreLabel");
  EXPECT_NE(freed.Output().find("serving"), std::string::npos);
}

TEST_F(ServiceE2E, SourceAndDestinationMissingGiveStatus2AndSourceAloneStatus1) {
  WriteConfig("NoSource", "NoDest", "Label2");
  StartService();
  // The destination's code is written last.
  ASSERT_TRUE(WaitFor([&] { return Status() == "2\r\n"; })) << Status();
  EXPECT_EQ(Count(Log(), "    Directory not found! Please setup a printer"), 2) << Log();

  fs::create_directories(base_ / "NoDest");
  WriteFile(base_ / "TWKConfigChanged", "");
  ASSERT_TRUE(WaitFor([&] { return !Exists("TWKConfigChanged"); }));
  EXPECT_TRUE(WaitFor([&] { return Status() == "1\r\n"; })) << Status();
  EXPECT_EQ(Count(Log(), "    Directory not found! Please setup a printer"), 3) << Log();

  fs::create_directories(base_ / "NoSource");
  WriteFile(base_ / "TWKConfigChanged", "");
  ASSERT_TRUE(WaitFor([&] { return !Exists("TWKConfigChanged"); }));
  EXPECT_TRUE(WaitFor([&] { return Status() == "0\r\n"; })) << Status();
}

TEST_F(ServiceE2E, AFailedStartEndsTheProgramWithoutALogLeftBehind) {
  // The lock table can be neither opened nor created: a directory has its name.
  fs::create_directories(base_ / "PreLabel/LOCKSPL.DBF");
  Process service;
  service.Start({Path("TarnwickService")}, base_ / "service.err");
  EXPECT_EQ(service.Wait(), 1) << service.Output();
  // The journal: the error word for word, then the state the service is in.
  // The engine's error text has two lines: the journal gets one.
  EXPECT_EQ(service.Output(), "Vornak's Tarnwick Service: error: Service failed on start: Unable to create table. File: " +
                                  Path("PreLabel/LOCKSPL.DBF") + "\nVornak's Tarnwick Service: stopped\n");
  // A log left behind would tell the desktop program that the service runs.
  EXPECT_FALSE(Exists("Tarnwick.txt")) << Log();
}

TEST_F(ServiceE2E, AFailedContinueLeavesTheServicePausedWithNoTickAndNoLog) {
  StartSpooler("Label1");
  StartService();
  // The reloaded configuration names a source whose lock table cannot be made.
  fs::create_directories(base_ / "PreLabel2/LOCKSPL.DBF");
  WriteConfig("PreLabel2", "Label1", "Label2");
  service_->Signal(SIGTSTP);
  ASSERT_TRUE(WaitFor([&] { return !Exists("Tarnwick.txt"); }));
  service_->Signal(SIGCONT);
  ASSERT_TRUE(WaitFor([&] { return service_->Output().find("Service failed on continue") != std::string::npos; }))
      << service_->Output();

  // Paused: nothing is taken and no log claims the service runs.
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"), "PreLabel2");
  std::this_thread::sleep_for(2500ms);
  EXPECT_TRUE(Exists("PreLabel2/order.spl"));
  EXPECT_FALSE(Exists("Label1/printed/order.spl"));
  EXPECT_FALSE(Exists("Tarnwick.txt")) << Log();

  // The cause removed, a continue works and the order goes out.
  fs::remove(base_ / "PreLabel2/LOCKSPL.DBF");
  service_->Signal(SIGCONT);
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log() << service_->Output();
  EXPECT_EQ(Count(Log(), "! Starting service..."), 3) << Log();
  EXPECT_EQ(StopService(), 0);
  // The journal: the failed continue word for word, and the state after it.
  const std::string name = "Vornak's Tarnwick Service: ";
  EXPECT_EQ(service_->Output(), name + "running\n" + name + "paused\n" + name +
                                    "error: Service failed on continue: Unable to create table. File: " +
                                    Path("PreLabel2/LOCKSPL.DBF") + "\n" + name + "paused\n" + name + "running\n" +
                                    name + "stopped\n");
}

namespace {

// Whether root can make files immutable under dir (not on every file system).
bool ImmutableFilesWork(const fs::path& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return false;
  const fs::path probe = dir / ("tw_e2e_probe_" + std::to_string(::getpid()));
  WriteFile(probe, "x");
  bool works = std::system(("chattr +i '" + probe.string() + "' 2>/dev/null").c_str()) == 0;
  if (works) (void)std::system(("chattr -i '" + probe.string() + "' 2>/dev/null").c_str());
  fs::remove(probe, ec);
  return works;
}

}  // namespace

TEST_F(ServiceE2E, ASourceThatCannotBeDeletedIsPrintedOnceAndLeftAlone) {
  // Root deletes anything but an immutable file; chattr +i needs a file
  // system that supports it, so the base directory may have to move. Anyone
  // else cannot delete from a read-only directory.
  const bool root = ::geteuid() == 0;
  if (root && !ImmutableFilesWork(base_)) {
    fs::path other;
    for (const fs::path& candidate : {fs::current_path(), fs::path("/var/tmp")}) {
      if (ImmutableFilesWork(candidate)) {
        other = candidate;
        break;
      }
    }
    if (other.empty()) {
      GTEST_SKIP() << "running as root, and neither " << fs::temp_directory_path() << ", " << fs::current_path()
                   << " nor /var/tmp supports immutable files (chattr +i): no file here resists deletion";
    }
    fs::remove_all(base_);
    MakeBase(other);
  }
  const std::string stuck = Path("PreLabel/stuck.spl");
  std::function<void()> release;
  if (root) {
    DropOrder("stuck.spl", SpoolRecord("Smith", "Pizza"));
    ASSERT_EQ(std::system(("chattr +i '" + stuck + "'").c_str()), 0);
    release = [stuck] { (void)std::system(("chattr -i '" + stuck + "' 2>/dev/null").c_str()); };
  } else {
    LeaveStoppedSpooler("PreLabel");  // the lock table exists before the directory closes
    DropOrder("stuck.spl", SpoolRecord("Smith", "Pizza"));
    const fs::path dir = base_ / "PreLabel";
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    release = [dir] {
      std::error_code ec;
      fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    };
  }
  struct Release {
    std::function<void()>& undo;
    ~Release() { undo(); }
  } guard{release};

  StartSpooler("Label1");
  StartService();
  ASSERT_TRUE(WaitFor([&] { return Log().find("# Cannot delete " + stuck) != std::string::npos; })) << Log();
  std::this_thread::sleep_for(2500ms);
  std::string log = Log();
  EXPECT_EQ(Count(log, "-> Loading from " + stuck), 1) << log;
  EXPECT_EQ(Count(log, "# Cannot delete"), 1) << log;
  EXPECT_TRUE(Exists("Label1/printed/stuck.spl"));

  // Once it changes it is an order again (here: RM rewrote it).
  release();
  WriteFile(stuck, SpoolRecord("Jones", "Salad"));
  ASSERT_TRUE(WaitFor([&] { return !Exists("PreLabel/stuck.spl"); })) << Log();
  EXPECT_EQ(Count(Log(), "-> Loading from " + stuck), 2);
}

TEST_F(ServiceE2E, TheLogFollowsTheUsersLocale) {
  std::string why;
  const std::string locales = generated_locales::Make("de_DE", why);
  if (locales.empty()) GTEST_SKIP() << why;
  ScopedEnv path("LOCPATH", locales), all("LC_ALL", "de_DE.UTF-8"),
      leaks("LSAN_OPTIONS", generated_locales::LeakOptions());
  StartService();
  // German: "09.12.2026 14:03:05 : ..." (day first, 24-hour clock).
  const std::string log = Log();
  const std::string line = log.substr(0, log.find("\r\n"));
  const std::string shape = "99.99.9999 99:99:99 : ! Starting service...";
  bool german = line.size() == shape.size();
  for (size_t i = 0; german && i < shape.size(); ++i) {
    german = shape[i] == '9' ? (line[i] >= '0' && line[i] <= '9') : line[i] == shape[i];
  }
  EXPECT_TRUE(german) << log;
  EXPECT_EQ(StopService(), 0) << service_->Output();
}
