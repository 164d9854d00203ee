#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/service/ServiceManager.h"

namespace fs = std::filesystem;

namespace {

class UnitDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tw_units_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    ::setenv("TW_SYSTEMD_UNIT_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("TW_SYSTEMD_UNIT_DIR");
    fs::remove_all(dir_);
  }
  std::string Read(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

sys::ServiceUnit SampleUnit() {
  sys::ServiceUnit unit;
  unit.Name = "srvSample";
  unit.DisplayName = "Someone's Sample Service";
  unit.ExecPath = "/opt/sample dir/SampleService";
  unit.WorkingDirectory = "/opt/sample dir/";
  return unit;
}

}  // namespace

TEST_F(UnitDirTest, InstallWritesUnitNamedAfterServiceAndUninstallRemovesIt) {
  sys::InstallServiceUnit(SampleUnit());
  fs::path unitFile = dir_ / "srvSample.service";
  ASSERT_TRUE(fs::exists(unitFile));
  EXPECT_TRUE(sys::ServiceUnitInstalled("srvSample"));
  std::string text = Read(unitFile);
  EXPECT_NE(text.find("Description=Someone's Sample Service\n"), std::string::npos);
  // The blank in the path must not split the command line.
  EXPECT_NE(text.find("ExecStart=\"/opt/sample dir/SampleService\"\n"), std::string::npos);
  EXPECT_NE(text.find("WantedBy=multi-user.target"), std::string::npos);
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
  EXPECT_NE(text.find("ExecStart=\"/opt/a\\\"b\\\\c$$HOME/prog\"\n"), std::string::npos);
  // A service started on demand is not wanted by any target.
  EXPECT_EQ(text.find("[Install]"), std::string::npos);
}

