#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "class_library/loop/Application.h"
#include "class_library/loop/Dialogs.h"
#include "class_library/loop/Timer.h"
#include "platform/system/MessageBox.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Calls ProcessMessages on this (the loop) thread for the given time.
void Pump(std::chrono::milliseconds duration) {
  auto until = Clock::now() + duration;
  while (Clock::now() < until) {
    Application()->ProcessMessages();
    std::this_thread::sleep_for(1ms);
  }
}

struct SinkCapture {
  struct Box {
    std::string caption, text;
    int kind, buttons, defaultButton;
  };
  std::vector<Box> boxes;
  int answer = 0;
  SinkCapture() {
    sys::SetMessageBoxSink([this](const std::string& c, const std::string& t, int k, int b, int d) {
      boxes.push_back({c, t, k, b, d});
      return answer ? answer : d;
    });
  }
  ~SinkCapture() { sys::SetMessageBoxSink(nullptr); }
};

TEST(Timer, FiresOnlyOnTheLoopThreadAndZeroIntervalStops) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(15);
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  std::this_thread::sleep_for(40ms);
  std::thread other([] { Application()->ProcessMessages(); });  // not the loop thread: nothing runs
  other.join();
  EXPECT_EQ(ticks, 0);
  Application()->ProcessMessages();
  EXPECT_EQ(ticks, 1) << "elapsed intervals are not made up as a burst";

  timer.SetInterval(0);
  Pump(50ms);
  EXPECT_EQ(ticks, 1);
  timer.SetInterval(10);
  timer.SetEnabled(false);
  Pump(40ms);
  EXPECT_EQ(ticks, 1);

  std::thread enabler([&] { timer.SetEnabled(true); });  // safe from another thread
  enabler.join();
  for (auto until = Clock::now() + 2s; ticks < 3 && Clock::now() < until;) Pump(5ms);
  EXPECT_GE(ticks, 3);
}

TEST(Timer, ALongTickLeavesNoBacklog) {
  TTimer timer(nullptr);
  std::vector<Clock::time_point> starts, ends;
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) {
    starts.push_back(Clock::now());
    std::this_thread::sleep_for(40ms);
    ends.push_back(Clock::now());
  });
  Pump(300ms);
  ASSERT_GE(starts.size(), 3u);
  for (size_t i = 1; i < starts.size(); ++i)
    EXPECT_GE(starts[i] - ends[i - 1], 9ms) << "tick " << i << " followed the overrun at once";
}

TEST(Timer, FreedInsideItsOwnHandler) {
  auto* timer = new TTimer(nullptr);
  int ticks = 0;
  timer->SetInterval(5);
  timer->SetOnTimer([&](TObject*) {
    ++ticks;
    delete timer;
  });
  Pump(40ms);
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, OwnedTimerStopsWithItsOwner) {
  int ticks = 0;
  {
    TComponent owner(nullptr);
    auto* timer = new TTimer(&owner);
    timer->SetInterval(5);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
  }
  Pump(30ms);
  EXPECT_EQ(ticks, 0);
}

TEST(Application, PostedWorkRunsInOrderAndFailuresGoToTheHandler) {
  std::vector<String> seen;
  std::vector<String> reported;
  Application()->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
  std::thread poster([&] {
    Application()->PostToMainThread([&] { seen.push_back("one"); });
    Application()->PostToMainThread([] { throw Exception("boom"); });
    Application()->PostToMainThread([] { Abort(); });
    Application()->PostToMainThread([] { throw std::runtime_error("plain"); });
    Application()->PostToMainThread([&] { seen.push_back("two"); });
  });
  poster.join();
  Application()->ProcessMessages();
  Application()->OnException = nullptr;
  EXPECT_EQ(seen, (std::vector<String>{"one", "two"}));
  EXPECT_EQ(reported, (std::vector<String>{"boom", "plain"})) << "EAbort is silent";
}

TEST(Application, ComponentsReportTheirFailuresThroughTheApplication) {
  std::vector<String> reported;
  Application()->OnException = [&](TObject* sender, const Exception& e) {
    reported.push_back(sender->ClassName() + ": " + e.Message());
  };
  {
    TDataModule module(nullptr);
    module.OnCreate = [](TObject*) { throw Exception("no table"); };
    module.DoCreate();
  }
  Application()->OnException = nullptr;
  EXPECT_EQ(reported, (std::vector<String>{"TDataModule: no table"}));
}

TEST(Application, ProcessMessagesDoesNotChaseWorkThatPostsItself) {
  int runs = 0;
  std::function<void()> again = [&] {
    if (++runs < 3) Application()->PostToMainThread(again);
  };
  Application()->PostToMainThread(again);
  Application()->ProcessMessages();
  EXPECT_EQ(runs, 1);
  Application()->ProcessMessages();
  EXPECT_EQ(runs, 2);
  Application()->ProcessMessages();
  Application()->ProcessMessages();
  EXPECT_EQ(runs, 3);
  bool ran = false;
  EXPECT_TRUE(Application()->SendToMainThread([&] { ran = true; }));  // on the loop thread: at once
  EXPECT_TRUE(ran);
}

TEST(Application, DefaultReportShowsTheMessageUnderTheTitle) {
  SinkCapture sink;
  Application()->SetTitle("Label Service");
  try {
    throw EConvertError("'x' is not a valid integer value");
  } catch (...) {
    Application()->HandleException(nullptr);
  }
  try {
    throw EAbort();
  } catch (...) {
    Application()->HandleException(nullptr);
  }
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].caption, "Label Service");
  EXPECT_EQ(sink.boxes[0].text, "'x' is not a valid integer value.");
  EXPECT_EQ(sink.boxes[0].kind, sys::mbError);
}

TEST(Dialogs, ButtonsAndAnswersMapBothWays) {
  SinkCapture sink;
  Application()->SetTitle("Setup");
  sink.answer = sys::mbNo;
  EXPECT_EQ(MessageDlg("Save?", mtConfirmation, mbYes | mbNo | mbCancel, 0), mrNo);
  EXPECT_EQ(sink.boxes.back().buttons, sys::mbYes | sys::mbNo | sys::mbCancel);
  EXPECT_EQ(sink.boxes.back().defaultButton, sys::mbYes);
  EXPECT_EQ(sink.boxes.back().kind, sys::mbConfirmation);
  EXPECT_EQ(sink.boxes.back().caption, "Setup");

  sink.answer = 0;
  EXPECT_EQ(MessageDlg("Unable to load", mtError, mbOK, 0), mrOk);
  EXPECT_EQ(sink.boxes.back().kind, sys::mbError);
  EXPECT_EQ(MessageDlg("no buttons", mtWarning, 0, 0), mrOk);

  sink.answer = sys::mbRetry;  // not offered
  EXPECT_EQ(MessageDlg("?", mtWarning, mbOKCancel, 0), mrCancel);
  ShowMessage("hello");
  EXPECT_EQ(sink.boxes.back().text, "hello");
  EXPECT_EQ(sink.boxes.back().buttons, sys::mbOK);
}

// Run can be used once per process (Terminated stays set), so everything
// about the running loop is in this one test.
TEST(Application, RunServesTimersAndOtherThreadsUntilTerminated) {
  TApplication* app = Application();
  std::atomic<bool> inTick{false};
  std::atomic<int> ticks{0};
  std::atomic<bool> overlap{false};
  std::thread::id loopId;
  std::atomic<bool> wrongThread{false};

  // Created before the loop runs: starts firing when it does.
  TTimer timer(nullptr);
  timer.SetInterval(5);
  timer.SetOnTimer([&](TObject*) {
    if (std::this_thread::get_id() != loopId) wrongThread = true;
    inTick = true;
    std::this_thread::sleep_for(3ms);
    inTick = false;
    ++ticks;
  });

  std::atomic<bool> started{false};
  std::thread loop([&] {
    loopId = std::this_thread::get_id();
    app->Run();
  });
  // Until Run has taken over, the creating thread still counts as the loop
  // thread: wait for the loop itself to serve a posted task.
  app->PostToMainThread([&] { started = true; });
  while (!started) std::this_thread::yield();

  // A control thread hands handlers to the loop; none overlaps a tick.
  int sent = 0;
  for (int i = 0; i < 20; ++i) {
    bool ran = app->SendToMainThread([&] {
      if (inTick) overlap = true;
      if (std::this_thread::get_id() != loopId) wrongThread = true;
      ++sent;
    });
    EXPECT_TRUE(ran);
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_EQ(sent, 20) << "SendToMainThread returns only after the work ran";
  auto until = Clock::now() + 2s;
  while (ticks < 5 && Clock::now() < until) std::this_thread::sleep_for(1ms);
  EXPECT_GE(ticks.load(), 5);

  std::thread stopper([&] { app->Terminate(); });
  stopper.join();
  loop.join();
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(overlap);
  EXPECT_FALSE(wrongThread);

  // The loop has finished: a sender is not left waiting for ever.
  bool ranAfter = true;
  std::thread late([&] { ranAfter = app->SendToMainThread([] {}); });
  late.join();
  EXPECT_FALSE(ranAfter);
  timer.SetEnabled(false);
}

}  // namespace
