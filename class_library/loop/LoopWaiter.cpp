#include "class_library/loop/LoopWaiter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <system_error>

#include "platform/system/UniqueFd.h"

namespace {

class TPollWaiter final : public TLoopWaiter {
public:
  TPollWaiter() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wake_.Get() < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }

  void Wait(const std::vector<Watch>& Watches, TLoopClock::time_point Until, std::vector<Ready>& Result) override {
    fds_.clear();
    fds_.push_back({wake_.Get(), POLLIN, 0});
    for (const Watch& w : Watches) {
      short events = 0;
      if (w.Events & fdRead) events |= POLLIN;
      if (w.Events & fdWrite) events |= POLLOUT;
      fds_.push_back({w.Fd, events, 0});
    }
    int n;
    do {
      timespec timeout{};
      timespec* limit = nullptr;
      if (Until != TLoopClock::time_point::max()) {
        // Compared before subtracting: a limit far in the past must not
        // overflow the difference.
        TLoopClock::time_point now = TLoopClock::now();
        if (Until > now) {
          auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(Until - now).count();
          timeout.tv_sec = static_cast<time_t>(left / 1'000'000'000);
          timeout.tv_nsec = static_cast<long>(left % 1'000'000'000);
        }
        limit = &timeout;
      }
      n = ::ppoll(fds_.data(), fds_.size(), limit, nullptr);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return;
    if (fds_[0].revents) {
      std::uint64_t count;
      // Resets the counter; a Wake after this read makes the next Wait return.
      [[maybe_unused]] ssize_t got = ::read(wake_.Get(), &count, sizeof count);
    }
    for (std::size_t i = 1; i < fds_.size(); ++i) {
      short r = fds_[i].revents;
      if (!r) continue;
      const Watch& w = Watches[i - 1];
      unsigned ready = 0;
      // An error or hang-up (or a descriptor that is not open) is reported as
      // what the watch asked for: its read or write then tells what happened.
      bool broken = (r & (POLLERR | POLLHUP | POLLNVAL)) != 0;
      if ((r & POLLIN) || (broken && (w.Events & fdRead))) ready |= fdRead;
      if ((r & POLLOUT) || (broken && (w.Events & fdWrite))) ready |= fdWrite;
      ready &= w.Events;
      if (ready) Result.push_back({w.Fd, ready});
    }
  }

  void Wake() override {
    std::uint64_t one = 1;
    // Fails only when the counter is saturated, which still wakes.
    [[maybe_unused]] ssize_t put = ::write(wake_.Get(), &one, sizeof one);
  }

private:
  sys::UniqueFd wake_;
  std::vector<pollfd> fds_;
};

}  // namespace

std::unique_ptr<TLoopWaiter> CreatePollWaiter() { return std::make_unique<TPollWaiter>(); }
