#pragma once
// A small TCP layer over POSIX sockets for the database-server client and its
// test peer. Failures are reported as the socket error numbers the client's
// messages are keyed by (10004 interrupted ... 10061 refused, 11001 host not
// found ...), never as raw errno values, and nothing here raises a signal:
// sends never deliver SIGPIPE, interrupted calls are retried, and every wait
// is bounded by a monotonic deadline.
#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

// Socket error numbers used by callers by name.
inline constexpr int kErrInterrupted = 10004;
inline constexpr int kErrWouldBlock = 10035;
inline constexpr int kErrNotSocket = 10038;
inline constexpr int kErrConnReset = 10054;
inline constexpr int kErrNotConnected = 10057;
inline constexpr int kErrShutdown = 10058;
inline constexpr int kErrTimedOut = 10060;
inline constexpr int kErrConnRefused = 10061;
inline constexpr int kErrHostNotFound = 11001;
inline constexpr int kErrTryAgain = 11002;
inline constexpr int kErrNoRecovery = 11003;
inline constexpr int kErrNoData = 11004;

// Prepares the layer (nothing to do on Linux beyond a check); 0 on success.
int Startup();
void Cleanup();

// The error number of the last failed call of this thread.
int LastError();
// Maps an errno value to the socket error number (unknown values pass unchanged).
int MapErrno(int err);
// Maps a getaddrinfo failure code to the socket error number.
int MapLookupError(int gaiCode);

// A new IPv4 socket of the given type (SOCK_STREAM ...), close-on-exec;
// -1 on failure.
int NewSocket(int type);
int CloseSocket(int fd);

// IPv4 addresses are kept in network byte order.
std::uint32_t LoopbackAddress();

// A dotted IPv4 text ("127.0.0.1"); false for anything else.
bool ParseDotted(const std::string& text, std::uint32_t& address);
std::string FormatDotted(std::uint32_t address);
// A host name's first IPv4 address; "LOCALHOST" in any case is the loopback
// address without a look-up. False with LastError set on failure.
bool ResolveHost(const std::string& host, std::uint32_t& address);

// Connects fd to address:port, waiting at most timeoutMs (-1: the system's own
// limit). 0 on success, -1 with LastError set.
int Connect(int fd, std::uint32_t address, std::uint16_t port, int timeoutMs);

// One send of at most count bytes: bytes sent, 0 never for count > 0 (a closed
// peer fails with kErrShutdown), -1 with LastError set.
long Send(int fd, const void* data, std::size_t count);
// Sends everything: the bytes sent (count unless a failure stopped it early,
// then LastError tells why).
std::size_t SendAll(int fd, const void* data, std::size_t count);
// One receive of at most count bytes: bytes received, 0 when the peer closed,
// -1 with LastError set.
long Recv(int fd, void* data, std::size_t count);
// One receive that does not wait: bytes received, 0 when the peer closed,
// -1 with LastError set (kErrWouldBlock when nothing has arrived yet).
long RecvNow(int fd, void* data, std::size_t count);

// Waits until fd is readable (or has an error or hang-up to report), at most
// timeoutMs milliseconds (-1: without limit). 1 readable, 0 timed out, -1 failed.
int WaitReadable(int fd, int timeoutMs);

// A listening socket on the loopback address; port 0 takes a free port,
// reported back in port. -1 on failure.
int ListenLoopback(std::uint16_t& port, int backlog = 16);
// Accepts one connection (blocking); -1 on failure.
int Accept(int listenFd);
// Turns off the send delay for small writes (request/reply traffic).
void SetNoDelay(int fd);

// Whether a wait for a peer that usually answers at once first looks again
// and again for a short while (kBudgetUs microseconds) before it sleeps.
//
// A sleeping process is woken by the peer's bytes only after its processor
// has been woken too; on a virtual machine whose idle processors halt at
// once that costs tens of microseconds on each side of every request and
// reply, many times what the exchange itself costs over the loopback
// address. Looking again while the answer is on its way keeps the processor
// awake. It is done only while the machine has processors to spare: when
// every processor has work, the looking would take time from that work and
// from the peer, so the waits sleep at once. And the gate closes itself when
// looking in vain: after two waits in a row in which the answer did not come
// within the budget (a slow command, a distant server), the next kRestWaits
// waits sleep at once before it tries again, so the processor time spent in
// vain stays a small part of the waits.
class SpinGate {
public:
  static constexpr int kBudgetUs = 200;
  static constexpr int kRestWaits = 64;
  // True when the coming wait should look again first; every wait asks once.
  bool Open();
  // What the looking came to: the answer came within the budget, or not.
  void Hit() { misses_ = 0; }
  void Miss() {
    if (++misses_ < 2) return;
    misses_ = 0;
    rest_ = kRestWaits;
  }

private:
  int misses_ = 0;
  int rest_ = 0;
};

// True when fewer tasks are ready to run than the machine has processors
// (looked up at most every 20 ms; false when it cannot be told).
bool ProcessorsToSpare();

// Whether SpinGate may open: while the machine has processors to spare (the
// default), never, or whatever the machine's load (so that tests take each
// way through a wait).
enum class SpinMode { Auto, Never, Always };
void SetSpinMode(SpinMode Mode);

// Microseconds on the monotonic clock (for spin budgets).
std::int64_t NowUs();

}  // namespace net
