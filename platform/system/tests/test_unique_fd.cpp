// The descriptor owner: exactly one owner closes, moves hand ownership over.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <utility>

#include "platform/system/UniqueFd.h"

using sys::UniqueFd;

namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

int NewFd() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

}  // namespace

TEST(UniqueFd, MovesHandOwnershipOverAndCloseOnce) {
  const int a = NewFd();
  const int b = NewFd();
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  {
    UniqueFd first(a);
    UniqueFd moved(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(moved.Get(), a);
    UniqueFd other(b);
    // Assigning over an owner closes what it held.
    other = std::move(moved);
    EXPECT_FALSE(IsOpen(b));
    EXPECT_EQ(other.Get(), a);
    EXPECT_TRUE(IsOpen(a));
  }
  EXPECT_FALSE(IsOpen(a));
}

TEST(UniqueFd, ReleaseResetAndClose) {
  UniqueFd empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.Close(), 0);

  const int fd = NewFd();
  ASSERT_GE(fd, 0);
  UniqueFd owner(fd);
  EXPECT_TRUE(owner);
  EXPECT_EQ(owner.Release(), fd);
  EXPECT_FALSE(owner);
  EXPECT_TRUE(IsOpen(fd));  // released, not closed

  owner = UniqueFd(fd);
  owner.Reset();
  EXPECT_FALSE(owner);
  EXPECT_FALSE(IsOpen(fd));

  UniqueFd closing(NewFd());
  ASSERT_TRUE(closing);
  const int held = closing.Get();
  EXPECT_EQ(closing.Close(), 0);
  EXPECT_FALSE(IsOpen(held));
  EXPECT_EQ(closing.Close(), 0);  // a second close is a no-op
}
