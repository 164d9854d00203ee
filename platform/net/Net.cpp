#include "platform/net/Net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/system/AsciiCase.h"

namespace net {

namespace {

thread_local int lastError = 0;

int Fail(int err) {
  lastError = err;
  return -1;
}

int FailErrno() { return Fail(MapErrno(errno)); }

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline, never negative.
int Remaining(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

// poll on one descriptor with a monotonic deadline, retried when interrupted.
int PollFor(int fd, short events, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    pollfd p{fd, events, 0};
    const int wait = timeoutMs < 0 ? -1 : Remaining(deadline);
    const int r = ::poll(&p, 1, wait);
    if (r > 0) return 1;
    if (r == 0) return 0;
    if (errno != EINTR) return FailErrno();
  }
}

}  // namespace

int Startup() { return 0; }
void Cleanup() {}

int LastError() { return lastError; }

int MapErrno(int err) {
  switch (err) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES:
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE:
    case ENFILE: return 10024;
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS:
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case EPIPE:
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return err;
  }
}

int MapLookupError(int gaiCode) {
  switch (gaiCode) {
    case EAI_AGAIN: return kErrTryAgain;
    case EAI_FAIL: return kErrNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA: return kErrNoData;
#endif
    case EAI_SYSTEM: return MapErrno(errno);
    case EAI_MEMORY: return 10055;
    default: return kErrHostNotFound;
  }
}

int NewSocket(int type) {
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return FailErrno();
  return fd;
}

int CloseSocket(int fd) {
  if (fd < 0) return 0;
  // close is not retried on EINTR: the descriptor is gone either way.
  if (::close(fd) != 0) return FailErrno();
  return 0;
}

std::uint32_t LoopbackAddress() { return htonl(INADDR_LOOPBACK); }

bool ParseDotted(const std::string& text, std::uint32_t& address) {
  in_addr a{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
  address = a.s_addr;
  return true;
}

std::string FormatDotted(std::uint32_t address) {
  const auto* b = reinterpret_cast<const unsigned char*>(&address);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
}

bool ResolveHost(const std::string& host, std::uint32_t& address) {
  if (sys::SameAsciiText(host, "LOCALHOST")) {
    address = LoopbackAddress();
    return true;
  }
  if (ParseDotted(host, address)) return true;
  if (host.empty()) return Fail(kErrHostNotFound), false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int r = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
  if (r != 0 || list == nullptr) {
    Fail(r != 0 ? MapLookupError(r) : kErrNoData);
    return false;
  }
  address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(list);
  return true;
}

int Connect(int fd, std::uint32_t address, std::uint16_t port, int timeoutMs) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;
  if (timeoutMs < 0) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return 0;
    if (errno != EINTR) return FailErrno();
    // An interrupted connect goes on in the background: wait for its end.
    timeoutMs = 0x7fffffff;
  } else {
    // Non-blocking for the duration of the connect, so the wait is ours.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return FailErrno();
    const int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    const int err = r == 0 ? 0 : errno;
    if (::fcntl(fd, F_SETFL, flags) < 0) return FailErrno();
    if (r == 0) return 0;
    if (err != EINPROGRESS && err != EINTR) return Fail(MapErrno(err));
  }
  const int w = PollFor(fd, POLLOUT, timeoutMs);
  if (w < 0) return -1;
  if (w == 0) return Fail(kErrTimedOut);
  int soError = 0;
  socklen_t len = sizeof soError;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) return FailErrno();
  if (soError != 0) return Fail(MapErrno(soError));
  return 0;
}

long Send(int fd, const void* data, std::size_t count) {
  for (;;) {
    const ssize_t r = ::send(fd, data, count, MSG_NOSIGNAL);
    if (r >= 0) return static_cast<long>(r);
    if (errno != EINTR) return FailErrno();
  }
}

std::size_t SendAll(int fd, const void* data, std::size_t count) {
  const auto* p = static_cast<const char*>(data);
  std::size_t sent = 0;
  while (sent < count) {
    const long r = Send(fd, p + sent, count - sent);
    if (r <= 0) {
      if (r == 0) Fail(kErrShutdown);
      break;
    }
    sent += static_cast<std::size_t>(r);
  }
  return sent;
}

long Recv(int fd, void* data, std::size_t count) {
  for (;;) {
    const ssize_t r = ::recv(fd, data, count, 0);
    if (r >= 0) return static_cast<long>(r);
    if (errno != EINTR) return FailErrno();
  }
}

long RecvNow(int fd, void* data, std::size_t count) {
  for (;;) {
    const ssize_t r = ::recv(fd, data, count, MSG_DONTWAIT);
    if (r >= 0) return static_cast<long>(r);
    if (errno != EINTR) return FailErrno();
  }
}

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

bool ProcessorsToSpare() {
  static const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  static std::atomic<std::int64_t> checkedUs{0};
  static std::atomic<bool> spare{false};
  const std::int64_t now = NowUs();
  const std::int64_t checked = checkedUs.load(std::memory_order_relaxed);
  if (checked != 0 && now - checked < 20000) return spare.load(std::memory_order_relaxed);
  checkedUs.store(now, std::memory_order_relaxed);
  // The fourth field of the load line: tasks ready to run "/" all tasks.
  bool result = false;
  const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char text[128];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n > 0) {
      text[n] = '\0';
      const char* p = text;
      for (int field = 0; field < 3 && p; ++field) {
        p = std::strchr(p, ' ');
        if (p) ++p;
      }
      char* end = nullptr;
      const long running = p ? std::strtol(p, &end, 10) : 0;
      result = p && end != p && *end == '/' && processors > 0 && running < processors;
    }
  }
  spare.store(result, std::memory_order_relaxed);
  return result;
}

namespace {
std::atomic<SpinMode> spinMode{SpinMode::Auto};
}  // namespace

void SetSpinMode(SpinMode Mode) { spinMode.store(Mode, std::memory_order_relaxed); }

bool SpinGate::Open() {
  if (rest_ > 0) {
    --rest_;
    return false;
  }
  switch (spinMode.load(std::memory_order_relaxed)) {
    case SpinMode::Never: return false;
    case SpinMode::Always: return true;
    default: return ProcessorsToSpare();
  }
}

int WaitReadable(int fd, int timeoutMs) { return PollFor(fd, POLLIN, timeoutMs); }

int ListenLoopback(std::uint16_t& port, int backlog) {
  const int fd = NewSocket(SOCK_STREAM);
  if (fd < 0) return -1;
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = LoopbackAddress();
  socklen_t len = sizeof sa;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, backlog) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    const int err = errno;
    ::close(fd);
    return Fail(MapErrno(err));
  }
  port = ntohs(sa.sin_port);
  return fd;
}

int Accept(int listenFd) {
  for (;;) {
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) return fd;
    if (errno != EINTR) return FailErrno();
  }
}

void SetNoDelay(int fd) {
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace net
