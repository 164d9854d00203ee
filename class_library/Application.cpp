#include "class_library/Application.h"

#include <exception>

#include "class_library/SysUtils.h"
#include "class_library/Timer.h"

namespace {
std::atomic<bool> gApplicationDestroyed{false};
}

struct TApplication::SendState {
  enum State { Pending, Ran, Dropped };
  std::mutex lock;
  std::condition_variable done;
  State state = Pending;

  void Finish(State s) {
    {
      std::lock_guard<std::mutex> guard(lock);
      state = s;
    }
    done.notify_all();
  }
};

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), loopThread_(std::this_thread::get_id()) {}

TApplication::~TApplication() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    finished_ = true;
  }
  ReleaseWaiters();
  // Owned components (data modules, forms, their timers) go while the loop's
  // state still exists: their destructors call back into it.
  DestroyComponents();
  std::lock_guard<std::mutex> guard(lock_);
  timers_.clear();
  queue_.clear();
}

void TApplication::Run() {
  std::thread::id previousLoopThread;
  {
    std::lock_guard<std::mutex> guard(lock_);
    previousLoopThread = loopThread_;
    loopThread_ = std::this_thread::get_id();
    running_ = true;
    finished_ = false;
  }
  while (!terminated_.load()) {
    if (HandleOne(kAll, nullptr)) continue;
    std::unique_lock<std::mutex> lk(lock_);
    if (terminated_.load() || !queue_.empty()) continue;
    // Sleep until the earliest timer is due or something is posted; both
    // were checked under this lock, so no wake-up is lost.
    Clock::time_point until = Clock::time_point::max();
    for (const auto& [timer, entry] : timers_)
      if (entry.due < until) until = entry.due;
    if (until == Clock::time_point::max()) {
      wake_.wait(lk);
    } else if (until > Clock::now()) {
      wake_.wait_until(lk, until);
    }
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    running_ = false;
    finished_ = true;
    // The thread that ran the loop may end now and its id be reused; the
    // thread that was the loop thread before takes over again.
    loopThread_ = previousLoopThread;
  }
  ReleaseWaiters();
}

void TApplication::Terminate() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    terminated_.store(true);
  }
  wake_.notify_all();
}

void TApplication::ProcessMessages() {
  if (!IsMainThread()) return;
  // Only the work queued before this call, and each timer at most once, so
  // that work which posts more work cannot keep us here.
  std::uint64_t lastTask;
  std::vector<TTimer*> timers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    lastTask = nextTaskSeq_ - 1;
    for (const auto& [timer, entry] : timers_) timers.push_back(timer);
  }
  while (HandleOne(lastTask, nullptr)) {
  }
  for (TTimer* timer : timers) HandleOne(0, timer);
}

bool TApplication::HandleOne(std::uint64_t lastTask, TTimer* only) {
  std::unique_lock<std::mutex> lk(lock_);
  if (!only && !queue_.empty() && queue_.front().seq <= lastTask) {
    Task task = std::move(queue_.front());
    queue_.pop_front();
    lk.unlock();
    RunTask(task);
    return true;
  }
  Clock::time_point now = Clock::now();
  TTimer* dueTimer = nullptr;
  Clock::time_point earliest = Clock::time_point::max();
  if (only) {
    auto it = timers_.find(only);
    if (it != timers_.end() && it->second.due <= now) dueTimer = only;
  } else if (lastTask == kAll) {
    for (const auto& [timer, entry] : timers_) {
      if (entry.due <= now && entry.due < earliest) {
        earliest = entry.due;
        dueTimer = timer;
      }
    }
  }
  if (!dueTimer) return false;
  TimerEntry& entry = timers_[dueTimer];
  std::uint64_t generation = entry.generation;
  Clock::time_point due = entry.due;
  // Not due again while its handler runs (the handler may process messages).
  entry.due = Clock::time_point::max();
  lk.unlock();

  FireTimer(dueTimer, generation);

  lk.lock();
  auto it = timers_.find(dueTimer);
  // Gone or re-set during the handler: the handler's change rules.
  if (it == timers_.end() || it->second.generation != generation) return true;
  // Keep the cadence, but a tick that overran does not leave a backlog.
  Clock::time_point next = due + it->second.interval;
  Clock::time_point after = Clock::now();
  if (next <= after) next = after + it->second.interval;
  it->second.due = next;
  return true;
}

void TApplication::RunTask(Task& task) {
  try {
    task.work();
  } catch (...) {
    HandleException(this);
  }
  if (task.done) task.done->Finish(SendState::Ran);
}

void TApplication::FireTimer(TTimer* timer, std::uint64_t) {
  try {
    timer->Timer();
  } catch (...) {
    HandleException(timer);
  }
}

void TApplication::ReleaseWaiters() {
  std::deque<Task> dropped;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = queue_.begin(); it != queue_.end();) {
      if (it->done) {
        dropped.push_back(std::move(*it));
        it = queue_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Task& t : dropped) t.done->Finish(SendState::Dropped);
}

void TApplication::HandleException(TObject* Sender) {
  ReportCurrentException([&](const Exception& e) {
    if (OnException) {
      OnException(Sender, e);
    } else {
      ShowException(e);
    }
  });
}

void TApplication::ShowException(const Exception& E) { ShowExceptionMessage(Title(), E); }

String TApplication::Title() const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!title_.empty()) return title_;
  }
  return ProgramTitle();
}

void TApplication::SetTitle(const String& Value) {
  std::lock_guard<std::mutex> guard(lock_);
  title_ = Value;
}

void TApplication::PostToMainThread(std::function<void()> Work) {
  if (!Work) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.push_back({std::move(Work), nullptr, nextTaskSeq_++});
  }
  wake_.notify_all();
}

bool TApplication::SendToMainThread(std::function<void()> Work) {
  if (!Work) return true;
  if (IsMainThread()) {
    Task task{std::move(Work), nullptr, 0};
    RunTask(task);
    return true;
  }
  auto state = std::make_shared<SendState>();
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (finished_) return false;
    queue_.push_back({std::move(Work), state, nextTaskSeq_++});
  }
  wake_.notify_all();
  std::unique_lock<std::mutex> lk(state->lock);
  state->done.wait(lk, [&] { return state->state != SendState::Pending; });
  return state->state == SendState::Ran;
}

bool TApplication::IsMainThread() const {
  std::lock_guard<std::mutex> guard(lock_);
  return loopThread_ == std::this_thread::get_id();
}

void TApplication::UpdateTimer(TTimer* Timer) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (Timer->Enabled() && Timer->Interval() > 0 && Timer->OnTimer()) {
      auto interval = std::chrono::milliseconds(Timer->Interval());
      timers_[Timer] = TimerEntry{Clock::now() + interval, interval, nextGeneration_++};
    } else {
      timers_.erase(Timer);
    }
  }
  wake_.notify_all();
}

void TApplication::RemoveTimer(TTimer* Timer) {
  std::lock_guard<std::mutex> guard(lock_);
  timers_.erase(Timer);
}

TApplication* Application() {
  // While the application object exists, components report through it.
  struct Holder {
    TApplication app{nullptr};
    Holder() { SetComponentExceptionHandler([](TObject* Sender) { Application()->HandleException(Sender); }); }
    ~Holder() {
      SetComponentExceptionHandler(nullptr);
      gApplicationDestroyed.store(true);
    }
  };
  static Holder holder;
  return &holder.app;
}

bool ApplicationAlive() { return !gApplicationDestroyed.load(); }
