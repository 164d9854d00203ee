#include "platform/service/ServiceControl.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace sys {

namespace {

sigset_t ControlSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGTSTP);
  sigaddset(&set, SIGCONT);
  return set;
}

}  // namespace

std::optional<ServiceControl> ServiceControlForSignal(int signo) {
  switch (signo) {
    case SIGTERM:
    case SIGINT:
    case SIGHUP:  // the terminal went away: stop cleanly rather than die
      return ServiceControl::Stop;
    case SIGTSTP:
      return ServiceControl::Pause;
    case SIGCONT:
      return ServiceControl::Continue;
    default:
      return std::nullopt;
  }
}

void BlockServiceControlSignals() {
  sigset_t set = ControlSignalSet();
  int rc = pthread_sigmask(SIG_BLOCK, &set, nullptr);
  if (rc != 0) throw std::system_error(rc, std::generic_category(), "pthread_sigmask");
}

ServiceControlDispatcher::ServiceControlDispatcher(Handler handler) : handler_(std::move(handler)) {
  BlockServiceControlSignals();
  sigset_t set = ControlSignalSet();
  signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
  if (signalFd_ < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
  if (wakeFd_ < 0) {
    int err = errno;
    ::close(signalFd_);
    throw std::system_error(err, std::generic_category(), "eventfd");
  }
  thread_ = std::thread([this] { Run(); });
}

ServiceControlDispatcher::~ServiceControlDispatcher() {
  std::uint64_t one = 1;
  ssize_t written = ::write(wakeFd_, &one, sizeof one);
  (void)written;  // an eventfd write of 1 cannot fail short of overflow
  if (thread_.joinable()) thread_.join();
  ::close(signalFd_);
  ::close(wakeFd_);
}

void ServiceControlDispatcher::Run() {
  pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  for (;;) {
    int n = ::poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & POLLIN) != 0) {
      signalfd_siginfo info;
      ssize_t got = ::read(signalFd_, &info, sizeof info);
      if (got != static_cast<ssize_t>(sizeof info)) continue;
      if (auto control = ServiceControlForSignal(static_cast<int>(info.ssi_signo))) handler_(*control);
    }
  }
}

}  // namespace sys
