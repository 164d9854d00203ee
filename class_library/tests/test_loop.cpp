// The application loop's one wait: descriptors, timers and wake-ups from
// other threads, and a replaceable waiter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "class_library/loop/Application.h"
#include "class_library/loop/Timer.h"
#include "platform/system/UniqueFd.h"

namespace {

using namespace std::chrono_literals;
using Clock = TLoopClock;

struct Pipe {
  static std::array<int, 2> Make() {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe");
    return fds;
  }
  std::array<int, 2> fds = Make();
  sys::UniqueFd read{fds[0]}, write{fds[1]};
  void Put(char c = 'x') const { ASSERT_EQ(::write(write.Get(), &c, 1), 1); }
  int Drain() const {
    char buf[64];
    ssize_t n = ::read(read.Get(), buf, sizeof buf);
    return n < 0 ? -1 : static_cast<int>(n);
  }
};

std::chrono::nanoseconds ThreadCpuTime() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

TEST(LoopDescriptors, ReadyDescriptorsCallBackOnTheLoopThreadUntilTheWatchIsDropped) {
  TApplication app(nullptr);
  Pipe pipe;
  std::vector<unsigned> calls;
  std::thread::id caller;
  TFdWatch watch = app.WatchDescriptor(pipe.read.Get(), fdRead, [&](int fd, unsigned events) {
    EXPECT_EQ(fd, pipe.read.Get());
    caller = std::this_thread::get_id();
    calls.push_back(events);
    pipe.Drain();
  });
  ASSERT_TRUE(watch.Active());

  app.ProcessMessages();
  EXPECT_TRUE(calls.empty()) << "nothing to read yet";

  // A write from another thread ends a wait that has no other limit.
  std::thread writer([&] {
    std::this_thread::sleep_for(30ms);
    pipe.Put();
  });
  app.HandleMessage();
  writer.join();
  ASSERT_EQ(calls, std::vector<unsigned>{fdRead});
  EXPECT_EQ(caller, std::this_thread::get_id());

  TFdWatch moved = std::move(watch);
  EXPECT_FALSE(watch.Active());
  pipe.Put();
  app.ProcessMessages();
  EXPECT_EQ(calls.size(), 2u) << "the watch went with the moved handle";

  moved.Reset();
  pipe.Put();
  app.ProcessMessages();
  EXPECT_EQ(calls.size(), 2u) << "dropped: no more callbacks";
}

TEST(LoopDescriptors, WritesHangUpsAndCallbacksThatDropWatches) {
  TApplication app(nullptr);
  Pipe pipe;
  int writable = 0;
  TFdWatch writeWatch = app.WatchDescriptor(pipe.write.Get(), fdWrite, [&](int, unsigned events) {
    EXPECT_EQ(events, unsigned(fdWrite));
    ++writable;
    writeWatch.Reset();  // a callback may drop its own watch
  });
  app.ProcessMessages();
  app.ProcessMessages();
  EXPECT_EQ(writable, 1);

  // Two watches on one descriptor: the first drops the second in the same
  // round, which is then not called.
  int first = 0, second = 0;
  TFdWatch b;
  TFdWatch a = app.WatchDescriptor(pipe.read.Get(), fdRead, [&](int, unsigned) {
    ++first;
    b.Reset();
  });
  b = app.WatchDescriptor(pipe.read.Get(), fdRead, [&](int, unsigned) { ++second; });
  pipe.Put();
  app.ProcessMessages();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);

  // The writer goes away: the reader hears of it as readable (and reads EOF).
  pipe.Drain();
  pipe.write.Close();
  int eofSeen = 0;
  a = app.WatchDescriptor(pipe.read.Get(), fdRead, [&](int, unsigned events) {
    EXPECT_EQ(events, unsigned(fdRead));
    if (pipe.Drain() == 0) ++eofSeen;
  });
  app.ProcessMessages();
  EXPECT_EQ(eofSeen, 1);

  // Watches that ask for nothing, or name no descriptor, are not made.
  EXPECT_FALSE(app.WatchDescriptor(-1, fdRead, [](int, unsigned) {}).Active());
  EXPECT_FALSE(app.WatchDescriptor(pipe.read.Get(), 0, [](int, unsigned) {}).Active());
  EXPECT_FALSE(app.WatchDescriptor(pipe.read.Get(), fdRead, nullptr).Active());
}

TEST(LoopDescriptors, CallbackFailuresGoToTheHandlerAndHandlesOutliveTheApplication) {
  Pipe pipe;
  TFdWatch survivor;
  std::vector<String> reported;
  {
    TApplication app(nullptr);
    app.OnException = [&](TObject* sender, const Exception& e) {
      EXPECT_EQ(sender, &app);
      reported.push_back(e.Message());
    };
    survivor = app.WatchDescriptor(pipe.read.Get(), fdRead, [&](int, unsigned) {
      pipe.Drain();
      throw Exception("bad frame");
    });
    pipe.Put();
    app.ProcessMessages();
  }
  EXPECT_EQ(reported, std::vector<String>{"bad frame"});
  EXPECT_TRUE(survivor.Active());
  survivor.Reset();  // the application is gone: nothing to tell
  EXPECT_FALSE(survivor.Active());
}

// Records what the loop hands to its waiter; waits like the default one.
class TRecordingWaiter : public TLoopWaiter {
public:
  struct Log {
    std::atomic<int> waits{0};
    std::atomic<int> wakes{0};
    std::vector<Watch> lastWatches;
    Clock::time_point lastUntil{};
  };
  explicit TRecordingWaiter(std::shared_ptr<Log> log) : log_(std::move(log)), inner_(CreatePollWaiter()) {}
  void Wait(const std::vector<Watch>& watches, Clock::time_point until, std::vector<Ready>& result) override {
    ++log_->waits;
    log_->lastWatches = watches;
    log_->lastUntil = until;
    inner_->Wait(watches, until, result);
  }
  void Wake() override {
    ++log_->wakes;
    inner_->Wake();
  }

private:
  std::shared_ptr<Log> log_;
  std::unique_ptr<TLoopWaiter> inner_;
};

TEST(LoopWaiter, TheWaiterGetsTheWatchesTheNearestDeadlineAndTheWakeUps) {
  TApplication* app = Application();
  auto log = std::make_shared<TRecordingWaiter::Log>();
  app->SetWaiter(std::make_unique<TRecordingWaiter>(log));

  Pipe pipe;
  TFdWatch watch = app->WatchDescriptor(pipe.read.Get(), fdRead | fdWrite, [](int, unsigned) {});
  TTimer slow(nullptr), fast(nullptr);
  slow.SetInterval(5000);
  slow.SetOnTimer([](TObject*) {});
  Clock::time_point before = Clock::now();
  fast.SetInterval(300);
  fast.SetOnTimer([](TObject*) {});
  Clock::time_point after = Clock::now();

  // Nothing queued: every wait is bounded by the nearer timer, until a post
  // from another thread ends it (wake-ups of the set-up above may end the
  // first waits early).
  std::atomic<bool> posted{false};
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    app->PostToMainThread([&] { posted = true; });
  });
  while (!posted) {
    app->HandleMessage();
    EXPECT_GE(log->lastUntil, before + 300ms);
    EXPECT_LE(log->lastUntil, after + 300ms);
  }
  poster.join();
  EXPECT_LT(Clock::now(), before + 300ms) << "the post ended the wait, not the timer";
  ASSERT_EQ(log->lastWatches.size(), 1u);
  EXPECT_EQ(log->lastWatches[0].Fd, pipe.read.Get());
  EXPECT_EQ(log->lastWatches[0].Events, unsigned(fdRead | fdWrite));
  EXPECT_GE(log->wakes.load(), 1);

  // ProcessMessages only looks.
  app->PostToMainThread([] {});
  app->ProcessMessages();
  EXPECT_LE(log->lastUntil, Clock::now());

  watch.Reset();
  fast.SetEnabled(false);
  slow.SetEnabled(false);
  int waits = log->waits.load();
  app->SetWaiter(nullptr);  // back to the default waiter
  app->ProcessMessages();
  EXPECT_EQ(log->waits.load(), waits);
}

TEST(LoopTimers, AnIdleLoopSleepsUntilTheTimerIsDueAndNeverFiresEarly) {
  TApplication* app = Application();
  TTimer timer(nullptr);
  Clock::time_point fired{};
  timer.SetInterval(150);
  Clock::time_point start = Clock::now();
  timer.SetOnTimer([&](TObject*) { fired = Clock::now(); });
  std::chrono::nanoseconds cpuBefore = ThreadCpuTime();
  while (fired == Clock::time_point{}) app->HandleMessage();
  std::chrono::nanoseconds cpu = ThreadCpuTime() - cpuBefore;
  EXPECT_GE(fired - start, 150ms);
  // A loop that polled or slept in slices would burn far more than this.
  EXPECT_LT(cpu, 30ms) << "the wait is not a busy wait";
}

TEST(LoopTimers, ATimerChangedFromAnotherThreadMovesTheDeadlineOfARunningWait) {
  TApplication* app = Application();
  TTimer timer(nullptr);
  std::atomic<int> ticks{0};
  timer.SetInterval(60'000);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  Clock::time_point start = Clock::now();
  std::thread changer([&] {
    std::this_thread::sleep_for(20ms);
    timer.SetInterval(10);
  });
  while (ticks == 0 && Clock::now() - start < 5s) app->HandleMessage();
  changer.join();
  EXPECT_EQ(ticks.load(), 1);
  EXPECT_LT(Clock::now() - start, 5s) << "the wait for the old, distant deadline was cut short";
  timer.SetEnabled(false);
}

}  // namespace
