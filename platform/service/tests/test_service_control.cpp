#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <vector>

#include "platform/service/ServiceControl.h"

namespace {

struct Recorder {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<sys::ServiceControl> seen;

  void Add(sys::ServiceControl c) {
    std::lock_guard lock(mutex);
    seen.push_back(c);
    cv.notify_all();
  }
  bool WaitFor(size_t n) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(5), [&] { return seen.size() >= n; });
  }
};

}  // namespace

TEST(ServiceControl, SignalsBecomeControlRequestsOnTheDispatcherThread) {
  Recorder rec;
  {
    sys::ServiceControlDispatcher dispatcher([&](sys::ServiceControl c) { rec.Add(c); });
    // Each signal is sent after the previous one was handled: pending signals
    // of one number would otherwise merge into one.
    ASSERT_EQ(::kill(::getpid(), SIGTSTP), 0);
    ASSERT_TRUE(rec.WaitFor(1));
    ASSERT_EQ(::kill(::getpid(), SIGCONT), 0);
    ASSERT_TRUE(rec.WaitFor(2));
    ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
    ASSERT_TRUE(rec.WaitFor(3));
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    ASSERT_TRUE(rec.WaitFor(4));
    ASSERT_EQ(::kill(::getpid(), SIGHUP), 0);
    ASSERT_TRUE(rec.WaitFor(5));
  }  // the destructor must stop the thread even though no further signal comes
  std::vector<sys::ServiceControl> expected = {sys::ServiceControl::Pause, sys::ServiceControl::Continue,
                                               sys::ServiceControl::Stop, sys::ServiceControl::Stop,
                                               sys::ServiceControl::Stop};
  EXPECT_EQ(rec.seen, expected);
  EXPECT_FALSE(sys::ServiceControlForSignal(SIGUSR1).has_value());
}
