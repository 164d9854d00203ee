#pragma once
// Control requests reach a service as signals: SIGTERM, SIGINT and SIGHUP
// stop it (SIGHUP comes when the terminal it runs in closes), SIGTSTP pauses
// it and SIGCONT continues it. A dispatcher thread receives them through a
// signalfd and hands each to a callback, so no handler ever runs in signal
// context.
#include <functional>
#include <optional>
#include <thread>

namespace sys {

enum class ServiceControl { Stop, Pause, Continue };

// The request a signal stands for, if any.
std::optional<ServiceControl> ServiceControlForSignal(int signo);

// Blocks the control signals in the calling thread. Call it in main before any
// other thread starts: threads inherit the mask, and a signal is only safe to
// receive through the dispatcher when no thread takes it the ordinary way.
void BlockServiceControlSignals();

class ServiceControlDispatcher {
public:
  using Handler = std::function<void(ServiceControl)>;

  // Blocks the control signals in the calling thread and starts the dispatcher
  // thread, which calls handler once per request received. Throws
  // std::system_error when the signal or event descriptors cannot be made.
  explicit ServiceControlDispatcher(Handler handler);
  // Stops the dispatcher thread and waits for it.
  ~ServiceControlDispatcher();
  ServiceControlDispatcher(const ServiceControlDispatcher&) = delete;
  ServiceControlDispatcher& operator=(const ServiceControlDispatcher&) = delete;

private:
  void Run();

  Handler handler_;
  int signalFd_ = -1;
  int wakeFd_ = -1;
  std::thread thread_;
};

}  // namespace sys
