// The socket client: exceptions and error texts, the clock, the socket
// component and the start and end of the socket layer.
#include "data_access/XbWin.h"

#include <sys/socket.h>

#include <chrono>
#include <mutex>

#include "class_library/core/SysUtils.h"
#include "platform/net/Net.h"

// ---- error texts ---------------------------------------------------------------------

String SocketErrorText(std::int32_t E) {
  switch (E) {
    case 10004: return "Interrupted system call.";
    case 10009: return "Bad file number.";
    case 10013: return "Access denied.";
    case 10014: return "Bad address.";
    case 10022: return "Invalid argument.";
    case 10024: return "Too many open files.";
    case 10035: return "Operation would block. ";
    case 10036: return "Operation now in progress.";
    case 10037: return "Operation already in progress.";
    case 10038: return "Socket operation on non-socket.";
    case 10039: return "Destination address required.";
    case 10040: return "Message too long.";
    case 10041: return "Protocol wrong type for socket.";
    case 10042: return "Bad protocol option.";
    case 10043: return "Protocol not supported.";
    case 10044: return "Socket type not supported.";
    case 10045: return "Operation not supported on socket.";
    case 10046: return "Protocol family not supported.";
    case 10047: return "Address family not supported by protocol family.";
    case 10048: return "Address already in use.";
    case 10049: return "Can't assign requested address.";
    case 10050: return "Network is down.";
    case 10051: return "Network is unreachable.";
    case 10052: return "Net dropped connection or reset.";
    case 10053: return "Software caused connection abort.";
    case 10054: return "Connection reset by peer.";
    case 10055: return "No buffer space available.";
    case 10056: return "Socket is already connected.";
    case 10057: return "Socket is not connected.";
    case 10058: return "Cannot send or receive after socket is closed.";
    case 10059: return "Too many references, can't splice.";
    case 10060: return "Connection timed out.";
    case 10061: return "Connection refused.";
    case 10062: return "Too many levels of symbolic links.";
    case 10063: return "File name too long.";
    case 10064: return "Host is down.";
    case 10065: return "No route to host.";
    case 10066: return "Directory not empty";
    case 10067: return "Too many processes.";
    case 10068: return "Too many users.";
    case 10069: return "Disk Quota Exceeded.";
    case 10070: return "Stale NFS file handle.";
    case 10071: return "Too many levels of remote in path.";
    case 10091: return "Network subsystem is unavailable.";
    case 10092: return "WINSOCK DLL Version out of range.";
    case 10093: return "Winsock not loaded yet.";
    case 11001: return "Host not found.";
    case 11002: return "Non-authoritative response (try again or check DNS setup).";
    case 11003: return "Non-recoverable errors: FORMERR, REFUSED, NOTIMP.";
    case 11004: return "Valid name, no data record (check DNS setup).";
    default: return String();
  }
}

void RaiseSocketError(std::int32_t E) {
  throw EXbSrvSocketError("Socket Error #" + IntToStr(E) + "\r\n" + SocketErrorText(E), E);
}

// ---- clock ----------------------------------------------------------------------------

TTickClock::TTickClock() : start_(NowMs()) {}

std::int64_t TTickClock::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t TTickClock::Remaining(std::int64_t Ms) const {
  const std::int64_t left = start_ + Ms - NowMs();
  return left > 0 ? left : 0;
}

// ---- the socket component -------------------------------------------------------------

TXbSrv::TXbSrv(TComponent* AOwner) : TComponent(AOwner) {}

TXbSrv::~TXbSrv() {
  // The descriptor never outlives its component.
  if (socket_ != -1) net::CloseSocket(socket_);
}

void TXbSrv::AllocateSocket(int Type) {
  const int fd = net::NewSocket(Type);
  if (fd < 0) throw EXbSrvInvalidSocket("Cannot allocate socket.");
  if (socket_ != -1) net::CloseSocket(socket_);
  socket_ = fd;
  if (Type == SOCK_STREAM) net::SetNoDelay(fd);
}

void TXbSrv::CloseSocket() {
  const int old = socket_;
  socket_ = -1;
  net::CloseSocket(old);
}

void TXbSrv::Disconnect() {
  if (GetActive()) CloseSocket();
}

// ---- start and end of the layer ----------------------------------------------------------

namespace {

std::mutex startupLock;
int startupCount = 0;

// Counted like the unit's initialization and finalization: one run for the
// process, from its start to its end.
struct AutoStartup {
  AutoStartup() {
    try {
      WinsockStartup();
    } catch (...) {
    }
  }
  ~AutoStartup() { WinsockCleanup(); }
} autoStartup;

}  // namespace

void WinsockStartup() {
  std::lock_guard guard(startupLock);
  if (startupCount++ > 0) return;
  if (net::Startup() != 0) {
    --startupCount;
    throw EXbSrvException("Winsock Initialization Error.");
  }
}

void WinsockCleanup() {
  std::lock_guard guard(startupLock);
  if (startupCount == 0 || --startupCount > 0) return;
  net::Cleanup();
}
