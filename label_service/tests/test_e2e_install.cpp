// End to end: installing the service under systemd from base directories of
// every kind, and the other promises of the README's systemd section.
#include "label_service/tests/E2EFixture.h"
#include "platform/service/tests/SystemdVerify.h"

namespace {

// A unit directory of its own (TW_SYSTEMD_UNIT_DIR) for one test.
class UnitDir {
public:
  UnitDir()
      : dir_(fs::temp_directory_path() / ("tw_e2e_units_" + std::to_string(::getpid()) + "_" +
                                          std::to_string(NextBaseNumber()))),
        env_("TW_SYSTEMD_UNIT_DIR", dir_.string()) {
    fs::create_directories(dir_);
  }
  ~UnitDir() { fs::remove_all(dir_); }
  const fs::path& Path() const { return dir_; }
  fs::path Unit() const { return dir_ / "srvTarnwick.service"; }

private:
  fs::path dir_;
  ScopedEnv env_;
};

}  // namespace

TEST_F(ServiceE2E, InstallWritesAUnitSystemdAcceptsFromAnyBaseDirectoryAndUninstallRemovesIt) {
  const std::string verifyMissing = systemd_verify::Unavailable();
  UnitDir units;
  // Base directories as users name them: blanks (one ending a name),
  // quotes, "%", "$", a backslash, non-ASCII letters.
  for (const std::string suffix : {"", " with blanks", " Mario's \"Pizza\"", " 100% %n", " $HOME ${X} $$",
                                   " back\\slash", " Küche 東京", " end "}) {
    SCOPED_TRACE("base directory " + suffix);
    fs::remove_all(base_);
    MakeBase(fs::temp_directory_path(), suffix);

    Process install;
    install.Start({Path("TarnwickService"), "/INSTALL", "/SILENT"}, base_ / "install.out");
    EXPECT_EQ(install.Wait(), 0) << install.Output();
    EXPECT_EQ(install.Output(), "");  // silent: no confirmation
    ASSERT_TRUE(fs::exists(units.Unit()));
    const std::string text = ReadFile(units.Unit());
    EXPECT_NE(text.find("Description=Vornak's Tarnwick Service\n"), std::string::npos) << text;
    // systemd stops it with SIGTERM and waits the module's wait hint.
    EXPECT_NE(text.find("KillSignal=SIGTERM\nTimeoutStopSec=5\n"), std::string::npos) << text;
    if (verifyMissing.empty()) {
      auto verified = systemd_verify::Verify(units.Unit());
      EXPECT_TRUE(verified.Passed()) << verified.Output << "\n" << text;
    }
    // Installing is not running: no log, no status.
    EXPECT_FALSE(Exists("Tarnwick.txt"));
    EXPECT_FALSE(Exists("Tarnwick.err"));

    Process uninstall;
    uninstall.Start({Path("TarnwickService"), "-uninstall"}, base_ / "uninstall.out");
    EXPECT_EQ(uninstall.Wait(), 0) << uninstall.Output();
    EXPECT_NE(uninstall.Output().find("uninstalled successfully"), std::string::npos) << uninstall.Output();
    // Exactly what install wrote is gone.
    EXPECT_TRUE(fs::is_empty(units.Path()));
  }
  if (!verifyMissing.empty()) GTEST_SKIP() << "units not verified: " << verifyMissing;
}

TEST_F(ServiceE2E, InstallRefusesABaseDirectorySystemdCannotExpress) {
  UnitDir units;
  for (const std::string suffix : {" caf\xe9", " tab\there"}) {
    SCOPED_TRACE("base directory " + suffix);
    fs::remove_all(base_);
    MakeBase(fs::temp_directory_path(), suffix);
    Process install;
    install.Start({Path("TarnwickService"), "-install"}, base_ / "install.out");
    EXPECT_EQ(install.Wait(), 1) << install.Output();
    EXPECT_NE(install.Output().find("Service failed on install with error: systemd cannot express the program "
                                    "path \"" +
                                    Path("TarnwickService") + "\""),
              std::string::npos)
        << install.Output();
    EXPECT_TRUE(fs::is_empty(units.Path()));
  }
}

TEST_F(ServiceE2E, TheJournalGetsOneLinePerEvent) {
  StartService();
  service_->Signal(SIGTSTP);
  ASSERT_TRUE(WaitFor([&] { return !Exists("Tarnwick.txt"); }));
  service_->Signal(SIGCONT);
  ASSERT_TRUE(WaitFor([&] { return Exists("Tarnwick.txt"); }));
  EXPECT_EQ(StopService(), 0);
  EXPECT_EQ(service_->Output(),
            "Vornak's Tarnwick Service: running\n"
            "Vornak's Tarnwick Service: paused\n"
            "Vornak's Tarnwick Service: running\n"
            "Vornak's Tarnwick Service: stopped\n");
}

// A file the service cannot write is a warning in the journal, naming it and
// why; the service carries on.
TEST_F(ServiceE2E, AConfigurationTheServiceCannotWriteIsAWarningInTheJournal) {
  // A directory named Tarnwick.cfg: no configuration to read, and the
  // default one cannot be written in its place.
  fs::remove(base_ / "Tarnwick.cfg");
  fs::create_directories(base_ / "Tarnwick.cfg");
  StartService();
  EXPECT_EQ(StopService(), 0);
  const std::string name = "Vornak's Tarnwick Service: ";
  EXPECT_EQ(service_->Output(), name + "warning: Cannot write the configuration: Cannot create file \"" +
                                    Path("Tarnwick.cfg") + "\". Is a directory\n" + name + "running\n" + name +
                                    "stopped\n");
}

TEST_F(ServiceE2E, ALogTheServiceCannotWriteIsAWarningInTheJournal) {
  StartService();
  // The log becomes a directory: the next line cannot be written.
  fs::remove(base_ / "Tarnwick.txt");
  fs::create_directories(base_ / "Tarnwick.txt");
  service_->Signal(SIGTSTP);
  ASSERT_TRUE(WaitFor([&] { return service_->Output().find("paused") != std::string::npos; })) << service_->Output();
  EXPECT_EQ(StopService(), 0);
  // One warning for each line that could not be written: the pause's and
  // the stop's.
  const std::string name = "Vornak's Tarnwick Service: ";
  const std::string warning =
      name + "warning: Cannot write the log: Cannot create file \"" + Path("Tarnwick.txt") + "\". Is a directory\n";
  EXPECT_EQ(service_->Output(), name + "running\n" + warning + name + "paused\n" + warning + name + "stopped\n");
}
