#pragma once
// The application object: the message loop that runs posted work and timers
// on one thread (the loop thread), and the handler of exceptions that nobody
// else caught.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "class_library/Component.h"
#include "class_library/Exceptions.h"

class TTimer;

using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

class TApplication : public TComponent {
public:
  // The thread that creates the application is its loop thread until Run
  // is called on another one.
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  String ClassName() const override { return "TApplication"; }

  void Initialize() {}
  // Runs the loop on the calling thread until Terminate: posted work in the
  // order posted, and timers when due. Returns at once when already
  // terminated.
  void Run();
  // Ends Run after the work it is doing now. Safe from any thread.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // Runs the work posted so far and the timers that are due, without
  // waiting. Only on the loop thread (elsewhere it does nothing).
  void ProcessMessages();

  // For a catch block: reports the exception being handled. OnException gets
  // it when set; otherwise ShowException, except for EAbort, which is silent.
  // Exceptions that are not an Exception are reported by their what() text.
  void HandleException(TObject* Sender);
  // Shows "<message>." (a period added when the text does not end in one)
  // in an error box captioned with Title.
  void ShowException(const Exception& E);
  TExceptionEvent OnException;

  // The caption of message boxes; the executable's name without extension
  // until set.
  String Title() const;
  void SetTitle(const String& Value);

  // Hands Work to the loop thread; returns at once. Safe from any thread.
  // An exception out of Work goes to HandleException; the loop goes on.
  void PostToMainThread(std::function<void()> Work);
  // Runs Work on the loop thread and waits until it has run; on the loop
  // thread itself it runs at once. Returns false, without running Work,
  // when the loop has finished (Run returned) or the application is being
  // destroyed. Exceptions out of Work go to HandleException.
  bool SendToMainThread(std::function<void()> Work);
  bool IsMainThread() const;

  // Timers (TTimer calls these). UpdateTimer schedules the timer one
  // interval from now when it is enabled, has an interval and a handler, and
  // removes it otherwise. Safe from any thread.
  void UpdateTimer(TTimer* Timer);
  void RemoveTimer(TTimer* Timer);

private:
  using Clock = std::chrono::steady_clock;
  struct TimerEntry {
    Clock::time_point due;
    std::chrono::milliseconds interval;
    std::uint64_t generation;
  };
  struct SendState;
  struct Task {
    std::function<void()> work;
    std::shared_ptr<SendState> done;  // set for SendToMainThread
    std::uint64_t seq;
  };
  static constexpr std::uint64_t kAll = UINT64_MAX;

  // Runs one queued task numbered up to lastTask or, when lastTask is kAll
  // and no task waits, the earliest due timer; with `only`, that timer if
  // due. False when there was nothing to do.
  bool HandleOne(std::uint64_t lastTask, TTimer* only);
  void RunTask(Task& task);
  void FireTimer(TTimer* timer, std::uint64_t generation);
  void ReleaseWaiters();

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Task> queue_;
  std::map<TTimer*, TimerEntry> timers_;
  std::uint64_t nextGeneration_ = 1;
  std::uint64_t nextTaskSeq_ = 1;
  std::thread::id loopThread_;
  std::atomic<bool> terminated_{false};
  bool running_ = false;
  bool finished_ = false;
  String title_;
};

// The process's application object, created on first use and freed at
// process exit (it frees the components it owns).
TApplication* Application();
// False once the application object has been destroyed (at process exit).
bool ApplicationAlive();
