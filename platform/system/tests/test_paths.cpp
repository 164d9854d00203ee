#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/system/Paths.h"

using namespace sys;

namespace {

// Restores the working directory when the test ends, pass or fail.
class CwdGuard {
public:
  CwdGuard() : saved_(std::filesystem::current_path()) {}
  ~CwdGuard() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }

private:
  std::filesystem::path saved_;
};

TEST(Paths, ExecutablePathAndBaseDirectory) {
  const std::string exe = ExePath();
  const std::string base = BaseDir();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.front(), '/');
  EXPECT_TRUE(std::filesystem::is_regular_file(exe)) << exe;
  EXPECT_EQ(std::filesystem::path(exe).filename(), "platform_system_tests");

  // The base directory is exactly the directory part of the program's path.
  ASSERT_FALSE(base.empty());
  EXPECT_EQ(base.back(), '/');
  ASSERT_EQ(exe.compare(0, base.size(), base), 0) << base << " vs " << exe;
  EXPECT_EQ(exe.find('/', base.size()), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(base));

  // Neither depends on the working directory.
  CwdGuard guard;
  std::filesystem::current_path("/");
  EXPECT_EQ(ExePath(), exe);
  EXPECT_EQ(BaseDir(), base);
}

}  // namespace
