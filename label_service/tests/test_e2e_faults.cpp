// End to end: what odd source entries, clashing directories and names, and
// stray signals and processes must not do to the orders.
#include <fcntl.h>

#include "label_service/srvMain.h"
#include "label_service/tests/E2EFixture.h"

TEST_F(ServiceE2E, BadEntriesInTheSourceAreLoggedOnceAndPassedOver) {
  StartSpooler("Label1");
  StartService();
  // In name order ahead of the good order: a named pipe (a read would wait
  // for a writer for ever), a symlink to nothing, a file over the size cap.
  const std::string pipe = Path("PreLabel/a_pipe.spl");
  const std::string gone = Path("PreLabel/b_gone.spl");
  const std::string big = Path("PreLabel/c_big.spl");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
  fs::create_symlink(base_ / "nowhere.txt", gone);
  WriteFile(big, "");
  fs::resize_file(big, SpoolFileMaxBytes + 1);  // sparse: costs no disk
  DropOrder("d_good.spl", SpoolRecord("Smith", "Pizza"));

  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/d_good.spl"); })) << Log();
  ASSERT_TRUE(WaitFor([&] { return Log().find("# " + big) != std::string::npos; })) << Log();
  std::this_thread::sleep_for(2500ms);
  std::string log = Log();
  const std::pair<std::string, std::string> expected[] = {
      {pipe, "# " + pipe + " cannot be read (a named pipe, not a regular file): left in place until it changes"},
      {gone, "# " + gone + " cannot be read (No such file or directory): left in place until it changes"},
      {big, "# " + big + " cannot be read (over the size limit of " + std::to_string(SpoolFileMaxBytes) +
                " bytes): left in place until it changes"},
  };
  for (const auto& [path, line] : expected) {
    // Each looked at once and the reason given once, not again every tick.
    EXPECT_EQ(Count(log, " : -> Loading from " + path + "\r\n"), 1) << log;
    EXPECT_EQ(Count(log, " : " + line + "\r\n"), 1) << log;
    EXPECT_EQ(Count(log, "# " + path), 1) << log;
  }
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_TRUE(fs::is_symlink(gone));
  EXPECT_EQ(fs::file_size(big), SpoolFileMaxBytes + 1);

  // Once they change they are orders again.
  WriteFile(base_ / "nowhere.txt", SpoolRecord("Jones", "Salad"));
  fs::last_write_time(base_ / "nowhere.txt", fs::file_time_type::clock::now() - 10s);
  fs::resize_file(big, 0);
  WriteFile(big, SpoolRecord("Brown", "Soup"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/b_gone.spl") && Exists("Label1/printed/c_big.spl"); }))
      << Log();
  EXPECT_NE(ReadFile(base_ / "Label1/printed/b_gone.spl").find("REF Jones"), std::string::npos);
  EXPECT_NE(ReadFile(base_ / "Label1/printed/c_big.spl").find("REF Brown"), std::string::npos);

  // The pipe never held up a tick: a stop still works at once.
  EXPECT_EQ(StopService(), 0) << service_->Output();
  EXPECT_FALSE(Exists("Tarnwick.txt"));
}

TEST_F(ServiceE2E, AFileTheServiceMayNotReadIsPassedOver) {
  // A spool file of root's, readable by root only, under a service that does
  // not run as root. Run as root, the test runs the service as nobody.
  std::vector<std::string> asNobody;
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv (util-linux)";
    asNobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    for (const auto& e : fs::recursive_directory_iterator(base_)) {
      ASSERT_EQ(::chown(e.path().c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chown(base_.c_str(), 65534, 65534), 0);
  }
  StartSpooler("Label1");
  StartService(asNobody);
  DropOrder("a_locked.spl", SpoolRecord("Smith", "Pizza"));
  const std::string locked = Path("PreLabel/a_locked.spl");
  fs::permissions(locked, ::geteuid() == 0 ? fs::perms::owner_read | fs::perms::owner_write : fs::perms::none);
  DropOrder("b_good.spl", SpoolRecord("Jones", "Salad"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/b_good.spl"); })) << Log();
  ASSERT_TRUE(WaitFor([&] { return Log().find("# " + locked) != std::string::npos; })) << Log();
  EXPECT_NE(Log().find("# " + locked + " cannot be read (Permission denied): left in place until it changes"),
            std::string::npos)
      << Log();
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(Count(Log(), "# " + locked), 1) << Log();
  // Made readable (only its change time moves): printed.
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/a_locked.spl"); })) << Log();
  EXPECT_EQ(StopService(), 0) << service_->Output();
}

namespace {

// The clash note for a printer directory that is the source directory.
std::string ClashNote(const std::string& order, const std::string& dir) {
  return "# " + order + " stays in place: the printer directory " + dir +
         " is the source spool directory (check Tarnwick.cfg)";
}

}  // namespace

TEST_F(ServiceE2E, APrinterDirectoryThatIsTheSourceKeepsTheOrder) {
  WriteConfig("PreLabel", "PreLabel", "PreLabel");
  StartService();
  const std::string order = SpoolRecord("Smith", "Pizza");
  DropOrder("order.spl", order);
  const std::string note = ClashNote(Path("PreLabel/order.spl"), Path("PreLabel"));
  ASSERT_TRUE(WaitFor([&] { return Log().find(note) != std::string::npos; })) << Log();
  std::this_thread::sleep_for(2500ms);
  std::string log = Log();
  EXPECT_EQ(Count(log, note), 1) << log;
  EXPECT_EQ(Count(log, "-> Loading from"), 1) << log;
  EXPECT_EQ(log.find("-- Deleting"), std::string::npos) << log;
  // The order is still there, unchanged: no labels were written over it.
  EXPECT_EQ(ReadFile(base_ / "PreLabel/order.spl"), order);
  EXPECT_EQ(Others("PreLabel", {"order.spl", "LOCKSPL.DBF"}), std::vector<std::string>{});
  EXPECT_EQ(Status(), "0\r\n");  // no new status code

  // Set right and reloaded: the order is printed.
  StartSpooler("Label1");
  WriteConfig("PreLabel", "Label1", "Label2");
  WriteFile(base_ / "TWKConfigChanged", "");
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log();
  EXPECT_EQ(ReadFile(base_ / "Label1/printed/order.spl"), kLabels);
}

TEST_F(ServiceE2E, EmptyDirectoryNamesMakeEveryDirectoryTheBaseAndKeepTheOrder) {
  WriteConfig("", "", "");
  StartService();
  const std::string order = SpoolRecord("Smith", "Pizza");
  DropOrder("order.spl", order, ".");
  // Every directory is the base directory itself (ending with '/').
  const std::string base = base_.string() + "/";
  const std::string note = ClashNote(base + "/order.spl", base);
  ASSERT_TRUE(WaitFor([&] { return Log().find(note) != std::string::npos; })) << Log();
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(Count(Log(), note), 1) << Log();
  EXPECT_EQ(ReadFile(base_ / "order.spl"), order);
}

TEST_F(ServiceE2E, OrdersWhoseNamesDifferOnlyInCaseKeepTheirOwnLabels) {
  // Both spoolers down: the labels wait in the destination directory.
  LeaveStoppedSpooler("Label1");
  LeaveStoppedSpooler("Label2");
  StartService();
  const std::pair<const char*, const char*> orders[] = {
      {"m_Case.spl", "Smith"}, {"m_case.spl", "Jones"}, {"m_Case.spl", "Brown"}, {"M_CASE-2.spl", "Green"}};
  for (const auto& [name, who] : orders) {
    DropOrder(name, SpoolRecord(who, "Pizza"));
    ASSERT_TRUE(WaitFor([&] { return !Exists(std::string("PreLabel/") + name); })) << Log();
  }
  // Four waiting label files, one per order, each still a spool file.
  std::set<std::string> refs;
  int files = 0;
  for (const auto& e : fs::directory_iterator(base_ / "Label1")) {
    const std::string n = e.path().filename().string();
    if (n == "LOCKSPL.DBF") continue;
    ++files;
    EXPECT_EQ(e.path().extension(), ".spl") << n;
    const std::string text = ReadFile(e.path());
    refs.insert(text.substr(0, text.find("\r\n")));
  }
  EXPECT_EQ(files, 4) << Log();
  EXPECT_EQ(refs, (std::set<std::string>{"REF Smith", "REF Jones", "REF Brown", "REF Green"})) << Log();
  EXPECT_TRUE(Exists("Label1/m_Case.spl"));  // the first keeps its name
}

TEST_F(ServiceE2E, SighupStopsTheServiceCleanly) {
  StartService();
  service_->Signal(SIGHUP);
  EXPECT_EQ(service_->Wait(), 0) << service_->Output();
  EXPECT_FALSE(Exists("Tarnwick.txt"));
}

TEST_F(ServiceE2E, ASecondServiceOnTheSameBaseDirectoryIsRefused) {
  StartSpooler("Label1");
  StartService();
  const std::string log = Log();
  const std::string status = Status();
  Process second;
  second.Start({Path("TarnwickService")}, base_ / "second.err");
  EXPECT_EQ(second.Wait(), 1) << second.Output();
  EXPECT_NE(second.Output().find("Another TarnwickService is already running on " + base_.string() + "/"),
            std::string::npos)
      << second.Output();
  // The running service's files are untouched, and it goes on working.
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(Status(), status);
  DropOrder("order.spl", SpoolRecord("Smith", "Pizza"));
  ASSERT_TRUE(WaitFor([&] { return Exists("Label1/printed/order.spl"); })) << Log();
  EXPECT_EQ(StopService(), 0);
}
