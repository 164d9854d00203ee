#include "class_library/loop/Application.h"

#include <condition_variable>
#include <exception>
#include <utility>

#include "class_library/core/SysUtils.h"
#include "class_library/loop/Timer.h"

namespace {
std::atomic<bool> gApplicationDestroyed{false};

// Work or timers run back to back before the loop looks at the descriptors
// (and a hosted toolkit's events) again, so that a stream of posts cannot
// starve them.
constexpr int kWorkBeforeLook = 32;
}  // namespace

// The watched descriptors of one application. Shared with the handles, which
// may outlive the application.
struct TFdWatch::Registry {
  struct Entry {
    int fd;
    unsigned events;
    TFdCallback callback;
  };
  std::mutex lock;
  std::map<std::uint64_t, std::shared_ptr<Entry>> entries;
  std::uint64_t nextId = 1;
  // Wakes the loop so that its wait sees a changed set; cleared when the
  // application goes.
  std::function<void()> wake;
};

TFdWatch::TFdWatch(TFdWatch&& Other) noexcept
    : registry_(std::move(Other.registry_)), id_(std::exchange(Other.id_, 0)) {}

TFdWatch& TFdWatch::operator=(TFdWatch&& Other) noexcept {
  if (this != &Other) {
    Reset();
    registry_ = std::move(Other.registry_);
    id_ = std::exchange(Other.id_, 0);
  }
  return *this;
}

void TFdWatch::Reset() {
  std::uint64_t id = std::exchange(id_, 0);
  std::shared_ptr<Registry> registry = registry_.lock();
  registry_.reset();
  if (!id || !registry) return;
  std::shared_ptr<Registry::Entry> gone;  // freed outside the lock
  std::lock_guard<std::mutex> guard(registry->lock);
  auto it = registry->entries.find(id);
  if (it == registry->entries.end()) return;
  gone = std::move(it->second);
  registry->entries.erase(it);
  if (registry->wake) registry->wake();
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

TApplication::TApplication(TComponent* AOwner)
    : TComponent(AOwner),
      waiter_(CreatePollWaiter()),
      watches_(std::make_shared<TFdWatch::Registry>()),
      loopThread_(std::this_thread::get_id()) {
  watches_->wake = [this] {
    std::lock_guard<std::mutex> guard(lock_);
    WakeLocked();
  };
}

TApplication::~TApplication() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    finished_ = true;
  }
  ReleaseWaiters();
  // Owned components (data modules, forms, their timers) go while the loop's
  // state still exists: their destructors call back into it.
  DestroyComponents();
  {
    std::lock_guard<std::mutex> guard(watches_->lock);
    watches_->wake = nullptr;
    watches_->entries.clear();
  }
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
    finished_ = false;
  }
  if (gui_) gui_->Starting();
  int streak = 0;
  while (!terminated_.load()) {
    if (HandleOne(kAll, nullptr)) {
      if (++streak < kWorkBeforeLook) continue;
      streak = 0;
      WaitAndDispatch(false);
      continue;
    }
    streak = 0;
    WaitAndDispatch(true);
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    finished_ = true;
    // The thread that ran the loop may end now and its id be reused; the
    // thread that was the loop thread before takes over again.
    loopThread_ = previousLoopThread;
  }
  ReleaseWaiters();
  if (gui_) gui_->Stopped();
}

void TApplication::Terminate() {
  std::lock_guard<std::mutex> guard(lock_);
  terminated_.store(true);
  WakeLocked();
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
  WaitAndDispatch(false);
}

void TApplication::HandleMessage() {
  if (!IsMainThread()) return;
  if (HandleOne(kAll, nullptr)) return;
  WaitAndDispatch(true);
  HandleOne(kAll, nullptr);
}

void TApplication::WaitAndDispatch(bool mayBlock) {
  Clock::time_point until = Clock::time_point::min();
  std::shared_ptr<TLoopWaiter> waiter;
  {
    std::lock_guard<std::mutex> guard(lock_);
    // Checked under the lock that every post and timer change takes before
    // it wakes the waiter, so no wake-up is lost between here and the wait.
    if (mayBlock && !terminated_.load() && queue_.empty()) {
      until = Clock::time_point::max();
      for (const auto& [timer, entry] : timers_)
        if (entry.due < until) until = entry.due;
    }
    waiter = waiter_;
  }
  std::vector<TLoopWaiter::Watch> watches;
  std::vector<std::pair<std::uint64_t, std::shared_ptr<TFdWatch::Registry::Entry>>> watched;
  {
    std::lock_guard<std::mutex> guard(watches_->lock);
    for (const auto& [id, entry] : watches_->entries) {
      watches.push_back({entry->fd, entry->events});
      watched.emplace_back(id, entry);
    }
  }
  std::vector<TLoopWaiter::Ready> ready;
  waiter->Wait(watches, until, ready);
  if (ready.empty()) return;
  // Each watch is called at most once a round, in the order of watching.
  for (const auto& [id, entry] : watched) {
    unsigned events = 0;
    for (const TLoopWaiter::Ready& r : ready)
      if (r.Fd == entry->fd) events |= r.Events;
    events &= entry->events;
    if (!events) continue;
    {
      // Dropped by an earlier callback of this round: not called any more.
      std::lock_guard<std::mutex> guard(watches_->lock);
      if (!watches_->entries.contains(id)) continue;
    }
    try {
      entry->callback(entry->fd, events);
    } catch (...) {
      HandleException(this);
    }
  }
}

TFdWatch TApplication::WatchDescriptor(int Fd, unsigned Events, TFdCallback Callback) {
  Events &= fdRead | fdWrite;
  if (Fd < 0 || !Events || !Callback) return TFdWatch();
  std::uint64_t id;
  {
    std::lock_guard<std::mutex> guard(watches_->lock);
    id = watches_->nextId++;
    watches_->entries.emplace(id, std::make_shared<TFdWatch::Registry::Entry>(
                                      TFdWatch::Registry::Entry{Fd, Events, std::move(Callback)}));
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    WakeLocked();
  }
  return TFdWatch(watches_, id);
}

void TApplication::SetWaiter(std::unique_ptr<TLoopWaiter> Waiter) {
  std::shared_ptr<TLoopWaiter> next = Waiter ? std::shared_ptr<TLoopWaiter>(std::move(Waiter)) : CreatePollWaiter();
  std::shared_ptr<TLoopWaiter> previous;  // freed outside the lock
  std::lock_guard<std::mutex> guard(lock_);
  previous = std::exchange(waiter_, std::move(next));
  WakeLocked();
}

void TApplication::WakeLocked() { waiter_->Wake(); }

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
  std::lock_guard<std::mutex> guard(lock_);
  queue_.push_back({std::move(Work), nullptr, nextTaskSeq_++});
  WakeLocked();
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
    WakeLocked();
  }
  std::unique_lock<std::mutex> lk(state->lock);
  state->done.wait(lk, [&] { return state->state != SendState::Pending; });
  return state->state == SendState::Ran;
}

bool TApplication::IsMainThread() const {
  std::lock_guard<std::mutex> guard(lock_);
  return loopThread_ == std::this_thread::get_id();
}

void TApplication::UpdateTimer(TTimer* Timer) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Timer->Enabled() && Timer->Interval() > 0 && Timer->OnTimer()) {
    auto interval = std::chrono::milliseconds(Timer->Interval());
    timers_[Timer] = TimerEntry{Clock::now() + interval, interval, nextGeneration_++};
  } else {
    timers_.erase(Timer);
  }
  // The nearest deadline may have moved.
  WakeLocked();
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
