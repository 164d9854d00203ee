#pragma once
// Start-up of the window layer and how the application loop drives it.
//
// The window layer runs on the toolkit's event machinery: input, window
// system events, PostMessage, window timers (SetTimer) and painting all wait
// there. A loop that owns the thread drives it with ProcessPending (run what
// is ready, never wait) and, when it has nothing else to do, waits with
// WaitForEvents.
#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace gui {

struct InitOptions {
  std::string appName = "Tarnwick";
  // The toolkit platform: empty for the desktop's (or QT_QPA_PLATFORM);
  // "offscreen" draws without a display.
  std::string platform;
};

// Starts the layer on the calling thread, which becomes the GUI thread.
// Answers false with a reason when no display can be opened. Calling it
// again does nothing and answers true.
bool Init(const InitOptions& options = {}, std::string* error = nullptr);
bool IsInitialized();
// Destroys every window and object left and stops the layer (at exit).
void Shutdown();
bool IsGuiThread();

// Runs everything that is ready now (window-system events, posted messages,
// due timers) and then paints what is marked. Never waits.
void ProcessPending();
// Waits until something is ready or the time has passed, then runs it as
// ProcessPending does. Answers at once after Wake.
void WaitForEvents(std::chrono::milliseconds maxWait);
// Descriptors an application loop watches while it waits (events: 1 read,
// 2 write) and what became ready (within the events watched; an error or
// hang-up counts as the readiness watched for).
struct FdWatch {
  int fd;
  unsigned events;
};
struct FdReady {
  int fd;
  unsigned events;
};
// The wait of an application loop that hosts the window layer: handles the
// toolkit's pending events (input, painting, window timers, posted messages)
// and then, unless a watched descriptor is ready, Wake was called (also
// before this call), or one of those events was handled, waits until one of
// these happens or until has come (time_point::max(): no limit; a time
// already past: only look). Appends the ready descriptors to ready. The
// descriptors are watched only during this call.
void WaitForEvents(const std::vector<FdWatch>& watches, std::chrono::steady_clock::time_point until,
                   std::vector<FdReady>& ready);
// Ends the current WaitForEvents, or the next one when none runs, early.
// Safe from any thread; one call ends one wait.
void Wake();
// Paints every marked window now.
void PaintPending();

// Where exceptions thrown by window procedures end when the toolkit called
// them (input, timers, posted messages, painting): the class library
// installs its application's handler; the default prints the message to
// standard error.
void SetExceptionHandler(std::function<void(std::exception_ptr)> handler);

// Nested loops (modal dialogs, popup menus) call this to keep the
// application's loop running until done() answers true. The default runs the
// toolkit's events only; the class library installs a runner that runs its
// whole loop (posted work and its timers as well).
using ModalLoopRunner = std::function<void(const std::function<bool()>& done)>;
void SetModalLoopRunner(ModalLoopRunner runner);
void RunModalLoop(const std::function<bool()>& done);

}  // namespace gui
