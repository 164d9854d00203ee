#pragma once
// How the application loop waits when it has nothing to do.
//
// The loop waits on one set of things at once: the descriptors registered
// with it (a display connection, a socket), the nearest timer's deadline, and
// a wake-up that other threads trigger when they post work or change a
// timer. A waiter does that waiting. The default one polls the descriptors
// and an eventfd; a GUI layer replaces it with one that waits in the host
// toolkit's event dispatcher, so that the toolkit's own events are handled in
// the same wait (TApplication::SetWaiter).
#include <chrono>
#include <memory>
#include <vector>

// Readiness of a descriptor, as bits. A watch asks for fdRead and/or fdWrite;
// an error or hang-up on the descriptor is reported as the readiness asked
// for, so that the callback's own read or write meets it.
enum TFdEvent : unsigned { fdRead = 1u << 0, fdWrite = 1u << 1 };

using TLoopClock = std::chrono::steady_clock;

class TLoopWaiter {
public:
  struct Watch {
    int Fd;
    unsigned Events;  // fdRead | fdWrite
  };
  struct Ready {
    int Fd;
    unsigned Events;  // what it is ready for, within the watched events
  };

  virtual ~TLoopWaiter() = default;

  // Waits on the loop thread until a descriptor of Watches is ready, Wake is
  // called, or Until has come (TLoopClock::time_point::max(): no limit; a
  // time already past: do not wait, only look), then appends the ready
  // descriptors to Result. Never returns before Until without a reason
  // (a ready descriptor, a wake-up, or an event of the host toolkit that it
  // handled here), so that the loop does not spin. Watches may differ from
  // one call to the next. A waiter that hosts a toolkit handles the toolkit's
  // pending events here as well, also when it does not wait.
  virtual void Wait(const std::vector<Watch>& Watches, TLoopClock::time_point Until, std::vector<Ready>& Result) = 0;

  // Makes the current Wait, or the next one when none is running, return at
  // once. Safe from any thread; never blocks.
  virtual void Wake() = 0;
};

// The default waiter: ppoll on the watched descriptors and an eventfd that
// Wake writes. Nanosecond timeouts, so a deadline less than a millisecond
// away is waited for, not spun on.
std::unique_ptr<TLoopWaiter> CreatePollWaiter();
