#pragma once
// The application object: the message loop that runs posted work, timers
// and the callbacks of watched descriptors on one thread (the loop thread),
// and the handler of exceptions that nobody else caught.
//
// When it has nothing to do the loop waits in one place for all of them: a
// post or a timer change from another thread wakes it, the nearest timer's
// deadline (on the monotonic clock) bounds the wait, and a ready descriptor
// ends it. The waiting itself is done by a TLoopWaiter (LoopWaiter.h), which a
// GUI layer replaces so that its toolkit's events are served by the same wait.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"
#include "class_library/loop/LoopWaiter.h"

class TTimer;
class TApplication;
struct THintInfo;  // the hint being shown; visual/Hints.h

// Called on the loop thread with the descriptor and what it is ready for
// (fdRead / fdWrite, TFdEvent). The call may come when the operation would
// still block (another reader came first): use non-blocking descriptors.
using TFdCallback = std::function<void(int Fd, unsigned Events)>;

// A descriptor watched by an application loop (TApplication::WatchDescriptor).
// The watch lasts as long as the handle: dropping it (or Reset) stops the
// callbacks; drop it before closing the descriptor. The handle may outlive
// the application object.
class TFdWatch {
public:
  TFdWatch() = default;
  TFdWatch(TFdWatch&& Other) noexcept;
  TFdWatch& operator=(TFdWatch&& Other) noexcept;
  ~TFdWatch() { Reset(); }
  void Reset();
  bool Active() const { return id_ != 0; }

private:
  friend class TApplication;
  struct Registry;
  TFdWatch(std::weak_ptr<Registry> Registry, std::uint64_t Id) : registry_(std::move(Registry)), id_(Id) {}
  std::weak_ptr<Registry> registry_;
  std::uint64_t id_ = 0;
};

using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TShowHintEvent = std::function<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// What a windowing layer adds to the application (the visual classes
// install theirs from Initialize): showing the main form, the hint window.
class TApplicationGui {
public:
  virtual ~TApplicationGui() = default;
  // Run is about to start its loop.
  virtual void Starting() = 0;
  // ShowHint or a pause changed.
  virtual void HintSettingsChanged() = 0;
  // Hides the hint on screen.
  virtual void CancelHint() = 0;
  // Run has ended its loop: the program is about to end.
  virtual void Stopped() {}
};

// A start-up step of a library, run by TApplication::Initialize (register
// it from a static initializer of the library's unit).
using TApplicationInitializer = void (*)(TApplication* App);
void RegisterApplicationInitializer(TApplicationInitializer Initializer);

class TApplication : public TComponent {
public:
  // The thread that creates the application is its loop thread until Run
  // is called on another one.
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  String ClassName() const override { return "TApplication"; }

  // Runs the start-up steps of the libraries linked in (the visual classes
  // start the window layer there). Call once, first in main.
  void Initialize();
  // Runs the loop on the calling thread until Terminate: posted work in the
  // order posted, timers when due, and the callbacks of watched descriptors
  // when they are ready. Returns at once when already terminated.
  void Run();
  // Ends Run after the work it is doing now. Safe from any thread.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // Runs the work posted so far, the timers that are due and the callbacks
  // of ready descriptors (and, through the waiter, the events of a hosted
  // toolkit), without waiting. Only on the loop thread (elsewhere it does
  // nothing).
  void ProcessMessages();
  // Runs one piece of work; when there is none, waits for something to
  // happen and runs what came. For nested loops (a modal dialog):
  //   while (!done && !Application()->Terminated()) Application()->HandleMessage();
  // Only on the loop thread (elsewhere it does nothing).
  void HandleMessage();

  // Watches Fd for Events (fdRead | fdWrite) and calls Callback on the loop
  // thread whenever it is ready, until the returned handle is dropped. Safe
  // from any thread; the loop takes a new watch into its next wait. An
  // exception out of Callback goes to HandleException.
  [[nodiscard]] TFdWatch WatchDescriptor(int Fd, unsigned Events, TFdCallback Callback);

  // Replaces the waiter (nullptr: back to the default poll waiter). Call on
  // the loop thread, not from inside a Wait of the current waiter.
  void SetWaiter(std::unique_ptr<TLoopWaiter> Waiter);

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

  // ---- Forms and hints (acted on by a windowing layer) ---------------------
  // Creates a component of class T owned by the application into
  // Reference. The first one so created is the main form: the windowing
  // layer shows it when Run starts, and closing it ends the program.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!mainForm_) mainForm_ = Reference;
  }
  TComponent* MainForm() const { return mainForm_; }
  // Whether controls show hints (default true), and the pauses in
  // milliseconds: before the first hint (500), between the hints of
  // neighbouring controls (50), before a hint hides again (2500).
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value);
  int HintPause() const { return hintPause_; }
  void SetHintPause(int Value);
  int HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int Value);
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int Value);
  // Called before each hint shows; may change the text, refuse the hint or
  // adjust its information.
  TShowHintEvent OnShowHint;
  // Hides the hint on screen (nothing without a windowing layer).
  void CancelHint();
  // The windowing layer (nullptr: none); it is not owned.
  void SetGui(TApplicationGui* Gui) { gui_ = Gui; }
  TApplicationGui* Gui() const { return gui_; }
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

  // Timers (TTimer calls these). UpdateTimer schedules the timer one
  // interval from now when it is enabled, has an interval and a handler, and
  // removes it otherwise. Safe from any thread.
  void UpdateTimer(TTimer* Timer);
  void RemoveTimer(TTimer* Timer);

private:
  using Clock = TLoopClock;
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
  // Hands the watches to the waiter and runs the callbacks of the ready
  // descriptors. With mayBlock, waits until the nearest timer is due unless
  // work is already queued; without, only looks.
  void WaitAndDispatch(bool mayBlock);
  void RunTask(Task& task);
  void FireTimer(TTimer* timer, std::uint64_t generation);
  void ReleaseWaiters();
  // Wakes the waiter; callers hold lock_.
  void WakeLocked();

  mutable std::mutex lock_;
  std::shared_ptr<TLoopWaiter> waiter_;
  std::shared_ptr<TFdWatch::Registry> watches_;
  std::deque<Task> queue_;
  std::map<TTimer*, TimerEntry> timers_;
  std::uint64_t nextGeneration_ = 1;
  std::uint64_t nextTaskSeq_ = 1;
  std::thread::id loopThread_;
  std::atomic<bool> terminated_{false};
  bool finished_ = false;
  String title_;
  TComponent* mainForm_ = nullptr;
  TApplicationGui* gui_ = nullptr;
  bool showHint_ = true;
  int hintPause_ = 500;
  int hintShortPause_ = 50;
  int hintHidePause_ = 2500;
};

// The process's application object, created on first use and freed at
// process exit (it frees the components it owns).
TApplication* Application();
// False once the application object has been destroyed (at process exit).
bool ApplicationAlive();
