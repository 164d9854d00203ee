// The loop's wait: descriptors, wake-ups, deadlines, posted messages and
// window timers served by one wait.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/gui/tests/GuiTest.h"

using namespace gui;
using Clock = std::chrono::steady_clock;

namespace {

class GuiLoop : public guitest::GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_EQ(pipe2(fds_, O_NONBLOCK), 0);
  }
  void TearDown() override {
    close(fds_[0]);
    close(fds_[1]);
    GuiTest::TearDown();
  }
  // Drains what an earlier test left: pending events and a stale wake-up.
  void Settle() {
    std::vector<FdReady> ready;
    WaitForEvents({}, Clock::now(), ready);
    WaitForEvents({}, Clock::now(), ready);
  }
  int fds_[2];
};

TEST_F(GuiLoop, ReadableDescriptorEndsTheWait) {
  Settle();
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(write(fds_[1], "x", 1), 1);
  });
  std::vector<FdReady> ready;
  auto start = Clock::now();
  while (ready.empty() && Clock::now() - start < std::chrono::seconds(5))
    WaitForEvents({{fds_[0], 1}}, Clock::time_point::max(), ready);
  writer.join();
  ASSERT_EQ(ready.size(), 1u);
  EXPECT_EQ(ready[0].fd, fds_[0]);
  EXPECT_EQ(ready[0].events, 1u);
}

TEST_F(GuiLoop, UnreadyDescriptorIsNotReported) {
  Settle();
  std::vector<FdReady> ready;
  WaitForEvents({{fds_[0], 1}, {fds_[1], 2}}, Clock::now() + std::chrono::milliseconds(20), ready);
  // The write end of an empty pipe is writable, the read end is not.
  ASSERT_EQ(ready.size(), 1u);
  EXPECT_EQ(ready[0].fd, fds_[1]);
  EXPECT_EQ(ready[0].events, 2u);
}

TEST_F(GuiLoop, DeadlineIsKeptWithoutSpinning) {
  Settle();
  auto until = Clock::now() + std::chrono::milliseconds(60);
  std::vector<FdReady> ready;
  int waits = 0;
  while (Clock::now() < until) {
    WaitForEvents({{fds_[0], 1}}, until, ready);
    ++waits;
  }
  EXPECT_TRUE(ready.empty());
  EXPECT_LT(waits, 10);
}

TEST_F(GuiLoop, WakeFromAnotherThreadEndsAnUnlimitedWait) {
  Settle();
  std::thread waker([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Wake();
  });
  std::vector<FdReady> ready;
  auto start = Clock::now();
  WaitForEvents({}, Clock::time_point::max(), ready);
  waker.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST_F(GuiLoop, WakeBeforeTheWaitIsNotLost) {
  Settle();
  Wake();
  std::vector<FdReady> ready;
  auto start = Clock::now();
  WaitForEvents({}, Clock::now() + std::chrono::seconds(5), ready);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(GuiLoop, PostedMessagesAndWindowTimersRunInTheWait) {
  std::vector<UINT> seen;
  HWND w = TopLevel(0, 0, 50, 50, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_USER + 1 || m == WM_TIMER) seen.push_back(m);
    return DefWindowProc(h, m, wp, lp);
  });
  Settle();
  std::thread poster([w] { PostMessage(w, WM_USER + 1, 0, 0); });
  poster.join();
  SetTimer(w, 7, 10);
  auto start = Clock::now();
  std::vector<FdReady> ready;
  while ((seen.size() < 2) && Clock::now() - start < std::chrono::seconds(5))
    WaitForEvents({}, Clock::now() + std::chrono::milliseconds(100), ready);
  KillTimer(w, 7);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], WM_USER + 1);
  EXPECT_EQ(seen[1], static_cast<UINT>(WM_TIMER));
}

TEST_F(GuiLoop, DestroyedWindowsLeaveNoToolkitWindowsBehind) {
  Settle();
  std::size_t before = gui::test::ToolkitWindowCount();
  HWND w = TopLevel(0, 0, 50, 50);
  ShowWindow(w, SW_SHOW);
  EXPECT_EQ(gui::test::ToolkitWindowCount(), before + 1);
  DestroyWindow(w);
  Settle();
  EXPECT_EQ(gui::test::ToolkitWindowCount(), before);
}

TEST_F(GuiLoop, PostToDestroyedWindowIsDropped) {
  int got = 0;
  HWND w = TopLevel(0, 0, 50, 50, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_USER + 2) ++got;
    return DefWindowProc(h, m, wp, lp);
  });
  EXPECT_TRUE(PostMessage(w, WM_USER + 2));
  DestroyWindow(w);
  ProcessPending();
  EXPECT_EQ(got, 0);
  EXPECT_FALSE(PostMessage(w, WM_USER + 2));
}

}  // namespace
