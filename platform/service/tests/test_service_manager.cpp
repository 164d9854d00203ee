#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/service/ServiceManager.h"
#include "platform/service/tests/SystemdVerify.h"

namespace fs = std::filesystem;

namespace {

sys::ServiceUnit SampleUnit() {
  sys::ServiceUnit unit;
  unit.Name = "srvSample";
  unit.DisplayName = "Someone's Sample Service";
  unit.ExecPath = "/opt/sample dir/SampleService";
  unit.WorkingDirectory = "/opt/sample dir/";
  return unit;
}

class UnitDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tw_units_" + std::to_string(::getpid()));
    programs_ = fs::temp_directory_path() / ("tw_unit_programs_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    fs::create_directories(programs_);
    ::setenv("TW_SYSTEMD_UNIT_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("TW_SYSTEMD_UNIT_DIR");
    fs::remove_all(dir_);
    fs::remove_all(programs_);
  }
  // A unit for a real program (a copy of /bin/true) in programs/name/, as
  // systemd-analyze verify wants the program to exist.
  sys::ServiceUnit UnitIn(const std::string& name) {
    const fs::path programDir = programs_ / name;
    fs::create_directories(programDir);
    fs::copy_file("/bin/true", programDir / "SampleService", fs::copy_options::overwrite_existing);
    sys::ServiceUnit unit = SampleUnit();
    unit.ExecPath = (programDir / "SampleService").string();
    unit.WorkingDirectory = programDir.string() + "/";
    return unit;
  }
  // The unit passes systemd's own check (skipped where it cannot run).
  void ExpectVerified(const fs::path& unitFile) {
    if (!systemd_verify::Unavailable().empty()) return;
    auto verified = systemd_verify::Verify(unitFile);
    EXPECT_TRUE(verified.Passed()) << verified.Output << "\n" << Read(unitFile);
  }
  std::string Read(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_, programs_;
};


}  // namespace

TEST_F(UnitDirTest, InstallWritesUnitNamedAfterServiceAndUninstallRemovesIt) {
  const sys::ServiceUnit unit = UnitIn("sample dir");
  sys::InstallServiceUnit(unit);
  fs::path unitFile = dir_ / "srvSample.service";
  ASSERT_TRUE(fs::exists(unitFile));
  EXPECT_TRUE(sys::ServiceUnitInstalled("srvSample"));
  std::string text = Read(unitFile);
  EXPECT_NE(text.find("Description=Someone's Sample Service\n"), std::string::npos);
  // The blank in the path must not split the command line; the working
  // directory takes no quotes.
  EXPECT_NE(text.find("ExecStart=\"" + unit.ExecPath + "\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("WorkingDirectory=" + unit.WorkingDirectory + "\n"), std::string::npos) << text;
  // Stopping: SIGTERM, and systemd waits the wait hint (rounded up to seconds).
  EXPECT_NE(text.find("KillSignal=SIGTERM\nTimeoutStopSec=5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("WantedBy=multi-user.target"), std::string::npos);
  ExpectVerified(unitFile);
  // Nothing but the unit itself is left in the directory (no temporary files).
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  sys::UninstallServiceUnit("srvSample");
  EXPECT_FALSE(fs::exists(unitFile));
  EXPECT_THROW(sys::UninstallServiceUnit("srvSample"), sys::ServiceError);
}

TEST_F(UnitDirTest, NamesThatLeaveTheUnitDirectoryAreRefused) {
  auto unit = SampleUnit();
  for (const char* bad : {"../evil", "a/b", "", "..", "with space"}) {
    unit.Name = bad;
    EXPECT_THROW(sys::InstallServiceUnit(unit), sys::ServiceError) << bad;
    EXPECT_THROW(sys::UninstallServiceUnit(bad), sys::ServiceError) << bad;
  }
  EXPECT_FALSE(fs::exists(dir_.parent_path() / "evil.service"));
}

TEST(ServiceUnitText, SpecialCharactersCannotInjectDirectives) {
  auto unit = SampleUnit();
  unit.DisplayName = "100% sure\nExecStartPre=/bin/false";
  unit.ExecPath = "/opt/a\"b\\c$HOME/prog";
  unit.StartMode = sys::ServiceStartMode::Manual;
  std::string text = sys::ServiceUnitText(unit);
  EXPECT_NE(text.find("Description=100%% sure ExecStartPre=/bin/false\n"), std::string::npos);
  EXPECT_EQ(text.find("\nExecStartPre"), std::string::npos);
  // systemd takes no quote or backslash in a program's name: env starts it,
  // the path an argument where "$" would start a variable.
  EXPECT_NE(text.find("ExecStart=/usr/bin/env \"/opt/a\\\"b\\\\c$$HOME/prog\"\n"), std::string::npos) << text;
  // A service started on demand is not wanted by any target.
  EXPECT_EQ(text.find("[Install]"), std::string::npos);
}


namespace {

// Base directories of the kinds users have: blanks (one at the end of a
// name), an apostrophe and double quotes, "%", "$", a backslash, non-ASCII
// letters, shell and unit-file punctuation.
const char* const kAwkwardDirectories[] = {
    "with blanks",  "Mario's Pizza", "say \"cheese\"", "100% sure %n %%", "$HOME ${PATH} $$",
    "back\\slash",  "Küche Ærø 東京", "semi;colon #hash ~tilde &amp", "-dash", "trailing blank ",
};

}  // namespace

TEST_F(UnitDirTest, UnitsForAwkwardDirectoriesPassSystemdVerify) {
  if (!systemd_verify::Unavailable().empty()) GTEST_SKIP() << systemd_verify::Unavailable();
  for (const char* name : kAwkwardDirectories) {
    SCOPED_TRACE(name);
    sys::InstallServiceUnit(UnitIn(name));
    ExpectVerified(dir_ / "srvSample.service");
    sys::UninstallServiceUnit("srvSample");
    // Uninstalling leaves exactly what was there before installing.
    EXPECT_TRUE(fs::is_empty(dir_));
  }
}

TEST_F(UnitDirTest, PathsSystemdCannotExpressAreRefusedWithTheReason) {
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/caf\xe9/", "not valid UTF-8"},
      {"/opt/tab\there/", "control character"},
      {"/opt/line\nbreak/", "control character"},
      {"relative/", "not absolute"},
  };
  for (const auto& [dir, reason] : cases) {
    SCOPED_TRACE(dir);
    auto unit = SampleUnit();
    unit.ExecPath = dir + "SampleService";
    unit.WorkingDirectory = dir;
    try {
      sys::InstallServiceUnit(unit);
      ADD_FAILURE() << "installed";
    } catch (const sys::ServiceError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("systemd cannot express the program path \"" + unit.ExecPath + "\""),
                std::string::npos)
          << message;
      EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
    // The working directory alone is checked as well.
    unit.ExecPath = "/opt/plain/SampleService";
    EXPECT_THROW(sys::InstallServiceUnit(unit), sys::ServiceError);
  }
  EXPECT_TRUE(fs::is_empty(dir_));
}
