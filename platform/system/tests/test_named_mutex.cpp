#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/system/NamedMutex.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;

namespace {

class NamedMutexTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    saved_ = old ? old : "";
    hadOld_ = old != nullptr;
    ::setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (hadOld_)
      ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    else
      ::unsetenv("XDG_RUNTIME_DIR");
  }
  TempDir dir_;
  std::string saved_;
  bool hadOld_ = false;
};

}  // namespace

TEST_F(NamedMutexTest, SecondHolderInThisProcessSeesItTaken) {
  {
    NamedMutex first("Tarnwick");
    EXPECT_TRUE(first.Owned());
    EXPECT_FALSE(first.AlreadyExists());
    NamedMutex second("Tarnwick");
    EXPECT_TRUE(second.AlreadyExists());
    EXPECT_FALSE(second.Owned());
    NamedMutex other("tarnwick");  // names are case-sensitive
    EXPECT_FALSE(other.AlreadyExists());
  }
  NamedMutex again("Tarnwick");
  EXPECT_FALSE(again.AlreadyExists());
}

TEST_F(NamedMutexTest, DistinctNamesWithOddCharactersStayDistinct) {
  NamedMutex a("Global\\A/B");
  NamedMutex b("Global\\A\\B");
  EXPECT_TRUE(a.Owned()) << a.Error();
  EXPECT_TRUE(b.Owned()) << b.Error();
  EXPECT_NE(NamedMutex::LockFilePath("a/b"), NamedMutex::LockFilePath("a_b"));
  EXPECT_EQ(NamedMutex::LockFilePath("x").rfind(dir_.Path(), 0), 0u);
}

TEST_F(NamedMutexTest, NameIsFreedWhenTheHoldingProcessDies) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    NamedMutex held("TarnwickSingle");
    char c = held.Owned() ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    ::pause();  // killed by the parent without any chance to clean up
    ::_exit(0);
  }
  ::close(ready[1]);
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(c, 'y');

  {
    NamedMutex mine("TarnwickSingle");
    EXPECT_TRUE(mine.AlreadyExists());
    EXPECT_FALSE(mine.Owned());
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);

  NamedMutex after("TarnwickSingle");
  EXPECT_FALSE(after.AlreadyExists());
  EXPECT_TRUE(after.Owned());
}
