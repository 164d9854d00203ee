// The database-server test peer: sockets, frames, login, injected faults.
//
//   xbase_server --data DIR [--port N] [--user NAME:PASSWORD ...] [--max-users N]
//                [--notice-every N] [--short-progress] [--shutdown-after N]
//                [--slow-ms N] [--drop-after N] [--drop-on CODE] [--malformed-after N]
//                [--partial-after N] [--huge-after N] [--oversize-rows]
//                [--short-record] [--empty-record] [--idle-notice-ms N]
//
// It listens on the loopback address only (port 0: a free one) and prints
// "PORT <n>" on standard output once it accepts connections.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/net/Net.h"
#include "platform/system/AsciiCase.h"
#include "tools/xbase_server/Server.h"
#include "xbase_crypt/XbCrypt.h"
#include "xbase_engine/xbe61.h"

namespace xbsrv {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void OnStop(int) { stopRequested = 1; }

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The largest request a client may send.
constexpr std::int64_t kMaxRequest = 64 * 1024 * 1024;

}  // namespace

void AppendHex(std::string& out, std::uint32_t v, int digits) {
  // Upper-case digits, at least `digits` of them.
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (digits == 8) {
    // The fixed width of lengths, record numbers and positions.
    char buf[8];
    for (int i = 7; i >= 0; --i, v >>= 4) buf[i] = kDigits[v & 15u];
    out.append(buf, 8);
    return;
  }
  char buf[32];
  int n = 0;
  do {
    buf[31 - n++] = kDigits[v & 15u];
    v >>= 4;
  } while (v != 0);
  while (n < digits && n < 32) buf[31 - n++] = '0';
  // The text was always cut to 15 characters.
  out.append(buf + 32 - n, static_cast<std::size_t>(n < 15 ? n : 15));
}

std::string Hex(std::uint32_t v, int digits) {
  std::string out;
  AppendHex(out, v, digits);
  return out;
}

std::string Trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

bool ParseHex(const std::string& s, std::int64_t& v) {
  if (s.empty() || s.size() > 8) return false;
  std::uint32_t x = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else return false;
    x = (x << 4) | static_cast<std::uint32_t>(d);
  }
  v = x;
  return true;
}

// The login substitution undone, for text made of printable characters.
std::string Unsubstitute(const std::string& s) {
  std::string out = s;
  for (char& ch : out) {
    const int b = static_cast<unsigned char>(ch);
    int v = b;
    if (b >= 5 && b <= 14) v = b + 25;
    else if (b >= 25 && b <= 34) v = b + 15;
    else if (b >= 15 && b <= 24) v = b + 35;
    else if (b >= 65 && b <= 74) v = b - 5;
    else if (b >= 95 && b <= 104) v = b - 25;
    else if (b >= 125 && b <= 134) v = b - 45;
    else if (b >= 155 && b <= 164) v = b - 65;
    else if (b >= 185 && b <= 194) v = b - 85;
    else if (b >= 215 && b <= 224) v = b - 105;
    else if (b >= 245 && b <= 254) v = b - 125;
    ch = static_cast<char>(v);
  }
  return out;
}

int Server::LoggedInCount() const {
  int n = 0;
  for (const Session* s : sessions_) n += s->loggedIn ? 1 : 0;
  return n;
}

Reply Server::Login(Session& s, const std::string& payload) {
  const std::string p = Unsubstitute(payload);
  const auto field = [&](int i) { return Trimmed(p.size() >= static_cast<std::size_t>(255 * (i + 1)) ? p.substr(255 * i, 255) : ""); };
  const std::string password = field(0), user = sys::AsciiUpperCase(field(1)), compPassword = field(4);
  std::size_t at = 255 * 5;
  int level = 0;
  while (at < p.size() && p[at] >= '0' && p[at] <= '9') level = level * 10 + (p[at++] - '0');
  const bool compression = at < p.size() && p[at] == 'Y';
  Reply r;
  if (p.size() < 255 * 7) {
    r.payload = "NMalformed login";
  } else if (!opt_.users.empty() && (opt_.users.count(user) == 0 || opt_.users.at(user) != password)) {
    r.payload = "N Invalid user name or password ";
  } else if (opt_.maxUsers > 0 && !s.loggedIn && LoggedInCount() >= opt_.maxUsers) {
    r.payload = "N Maximum user count exceeded";
  } else {
    s.loggedIn = true;
    s.user = user;
    r.payload = "Y";
    if (compression) {
      s.pendingPassword = compPassword;
      s.passwordPending = true;
      SetCompressionLevel(level);
    }
  }
  // The reply to the login itself is plain; what follows is compressed.
  s.compression = s.loggedIn && compression;
  return r;
}

void Server::CloseSession(Session& s) {
  // A later session may be given the same place in memory: it must not pass
  // for this one, whose settings the engine holds.
  if (applied_ == &s) applied_ = nullptr;
  // The session's tables go with it.
  for (const auto& [client, engine] : s.areas) {
    xb_Select(static_cast<short>(engine));
    xb_Close();
  }
  s.areas.clear();
  if (s.fd >= 0) net::CloseSocket(s.fd);
  s.fd = -1;
}

namespace {

bool SendFrame(Session& s, const std::string& kind, const std::string& payload, bool compress) {
  std::string packed;
  if (compress && !payload.empty()) {
    unsigned char* out = nullptr;
    std::size_t n = 0;
    if (CompressStream(reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), &out, &n) != 0)
      return false;
    packed.assign(reinterpret_cast<char*>(out), n);
    std::free(out);
  }
  const std::string& body = compress && !payload.empty() ? packed : payload;
  // One buffer, one send: the header never goes out on its own.
  std::string frame;
  frame.reserve(20 + body.size());
  AppendHex(frame, static_cast<std::uint32_t>(body.size()), 8);
  frame += xbproto::ReplyUnread;
  frame += kind;
  frame += body;
  return net::SendAll(s.fd, frame.data(), frame.size()) == frame.size();
}

void SendNotices(Session& s, const Faults& f) {
  SendFrame(s, xbproto::NoticeMessage.text, "notice " + std::to_string(s.commands), s.compression);
  SendFrame(s, xbproto::NoticeProgress.text, f.shortProgress ? Hex(7, 8) : Hex(1, 8) + Hex(100, 8) + Hex(42, 8), s.compression);
  SendFrame(s, xbproto::NoticeStream.text, "stream-bytes", s.compression);
}

}  // namespace

// One whole request at the front of the session's buffer, answered (or
// left for more bytes); false once nothing more can be taken from it now.
bool Server::ServeRequest(Session& s, bool& answered) {
  const Faults& f = opt_.faults;
  std::int64_t length = 0;
  if (!ParseHex(s.in.substr(0, 8), length) || length > kMaxRequest) {
    CloseSession(s);  // out of step: nothing after this can be read
    return false;
  }
  if (s.in.size() < 20 + static_cast<std::size_t>(length)) return false;
  const bool packed = s.in.compare(8, 4, xbproto::Packed.Text()) == 0;
  const std::string command = s.in.substr(16, 4);
  std::string payload = s.in.substr(20, static_cast<std::size_t>(length));
  s.in.erase(0, 20 + static_cast<std::size_t>(length));
  if (packed) {
    unsigned char* out = nullptr;
    std::size_t n = 0;
    if (UnCompressStream(reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), &out, &n) !=
        0) {
      CloseSession(s);
      return false;
    }
    payload.assign(reinterpret_cast<char*>(out), n);
    std::free(out);
  }
  const int nth = ++s.commands;
  if ((f.dropAfter > 0 && nth == f.dropAfter) || (!f.dropOn.empty() && command == f.dropOn)) {
    CloseSession(s);
    return false;
  }
  // The answer to a compressed login is compressed, without a password yet.
  if (xbproto::Login == command) SetCompressionPassword("");
  const Reply r = Handle(s, command, payload);
  const bool compressReply = s.compression || (packed && xbproto::Login == command);
  if (!r.send) return true;
  if (f.slowMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(f.slowMs));
  if (f.noticeEvery > 0 && nth % f.noticeEvery == 0) SendNotices(s, f);
  if (f.malformedAfter > 0 && nth == f.malformedAfter) {
    const std::string bad = "ZZZZZZZZ" + std::string(xbproto::ReplyUnread) + r.kind + r.payload;
    net::SendAll(s.fd, bad.data(), bad.size());
    return true;
  }
  if (f.hugeAfter > 0 && nth == f.hugeAfter) {
    const std::string bad = Hex(0x7FFFFFF0u, 8) + std::string(xbproto::ReplyUnread) + r.kind;
    net::SendAll(s.fd, bad.data(), bad.size());
    return true;
  }
  if (f.partialAfter > 0 && nth == f.partialAfter) {
    const std::string frame = Hex(static_cast<std::uint32_t>(r.payload.size() + 10), 8) +
                              std::string(xbproto::ReplyUnread) + r.kind + r.payload;
    net::SendAll(s.fd, frame.data(), frame.size() / 2 + 1);
    CloseSession(s);
    return false;
  }
  SendFrame(s, r.kind, r.payload, compressReply);
  answered = true;
  if (s.passwordPending) {
    SetCompressionPassword(s.pendingPassword.c_str());
    s.passwordPending = false;
  }
  if (f.shutdownAfter > 0 && nth == f.shutdownAfter) {
    SendFrame(s, xbproto::NoticeShutdown.text, "", false);
    CloseSession(s);
    return false;
  }
  return true;
}

int Server::Run() {
  std::uint16_t port = opt_.port;
  const int listener = net::ListenLoopback(port, 64);
  if (listener < 0) {
    std::fprintf(stderr, "xbase_server: cannot listen (error %d)\n", net::LastError());
    return 1;
  }
  std::printf("PORT %u\n", static_cast<unsigned>(port));
  std::fflush(stdout);
  xb_SetStringType(1);
  defaults_ = CaptureSettings(Session());
  std::vector<std::unique_ptr<Session>> owned;
  const Faults& f = opt_.faults;
  net::SpinGate spin;
  bool answered = false;
  while (!stopRequested) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (const auto& s : owned) fds.push_back({s->fd, POLLIN, 0});
    const int wait = f.idleNoticeMs > 0 ? std::max(1, f.idleNoticeMs / 4) : 200;
    // After a reply the client's next command often follows at once: the
    // loop looks again for a short while before it sleeps (see
    // net::SpinGate).
    int ready = 0;
    if (answered && spin.Open()) {
      const std::int64_t until = net::NowUs() + net::SpinGate::kBudgetUs;
      do {
        ready = ::poll(fds.data(), fds.size(), 0);
      } while (ready == 0 && net::NowUs() < until);
      if (ready > 0) spin.Hit();
      else if (ready == 0) spin.Miss();
    }
    answered = false;
    if (ready == 0) ready = ::poll(fds.data(), fds.size(), wait);
    if (ready < 0 && errno != EINTR) break;
    if (fds[0].revents & POLLIN) {
      const int fd = net::Accept(listener);
      if (fd >= 0) {
        net::SetNoDelay(fd);
        auto s = std::make_unique<Session>();
        s->fd = fd;
        s->lastActivityMs = NowMs();
        s->settings = defaults_;
        sessions_.push_back(s.get());
        owned.push_back(std::move(s));
      }
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      Session& s = *owned[i - 1];
      if (f.idleNoticeMs > 0 && s.loggedIn && NowMs() - s.lastActivityMs >= f.idleNoticeMs) {
        SendFrame(s, xbproto::NoticeMessage.text, "idle notice", s.compression);
        s.lastActivityMs = NowMs();
      }
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[65536];
      const long got = net::Recv(s.fd, buf, sizeof buf);
      if (got <= 0) {
        CloseSession(s);
        continue;
      }
      s.in.append(buf, static_cast<std::size_t>(got));
      s.lastActivityMs = NowMs();
      // Every whole request in the buffer, in order.
      while (s.fd >= 0 && s.in.size() >= 20 && ServeRequest(s, answered)) {
      }
    }
    // Sessions whose connection ended leave the list.
    for (std::size_t i = 0; i < owned.size();) {
      if (owned[i]->fd < 0) {
        std::erase(sessions_, owned[i].get());
        owned.erase(owned.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }
  for (auto& s : owned) CloseSession(*s);
  net::CloseSocket(listener);
  return 0;
}

}  // namespace xbsrv

int main(int argc, char** argv) {
  xbsrv::Options o;
  const auto number = [&](int& i) { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--data" && i + 1 < argc) {
      o.dataDir = argv[++i];
      if (!o.dataDir.empty() && o.dataDir.back() != '/') o.dataDir += '/';
    } else if (a == "--port") {
      o.port = static_cast<std::uint16_t>(number(i));
    } else if (a == "--user" && i + 1 < argc) {
      const std::string u = argv[++i];
      const std::size_t colon = u.find(':');
      o.users[sys::AsciiUpperCase(u.substr(0, colon))] = colon == std::string::npos ? "" : u.substr(colon + 1);
    } else if (a == "--max-users") {
      o.maxUsers = number(i);
    } else if (a == "--notice-every") {
      o.faults.noticeEvery = number(i);
    } else if (a == "--short-progress") {
      o.faults.shortProgress = true;
    } else if (a == "--shutdown-after") {
      o.faults.shutdownAfter = number(i);
    } else if (a == "--slow-ms") {
      o.faults.slowMs = number(i);
    } else if (a == "--drop-after") {
      o.faults.dropAfter = number(i);
    } else if (a == "--drop-on" && i + 1 < argc) {
      o.faults.dropOn = argv[++i];
    } else if (a == "--malformed-after") {
      o.faults.malformedAfter = number(i);
    } else if (a == "--partial-after") {
      o.faults.partialAfter = number(i);
    } else if (a == "--huge-after") {
      o.faults.hugeAfter = number(i);
    } else if (a == "--oversize-rows") {
      o.faults.oversizeRows = true;
    } else if (a == "--short-record") {
      o.faults.shortRecord = true;
    } else if (a == "--empty-record") {
      o.faults.emptyRecord = true;
    } else if (a == "--idle-notice-ms") {
      o.faults.idleNoticeMs = number(i);
    } else {
      std::fprintf(stderr, "xbase_server: unknown argument %s\n", a.c_str());
      return 2;
    }
  }
  if (o.dataDir.empty()) {
    std::fprintf(stderr, "xbase_server: --data DIR is required\n");
    return 2;
  }
  struct sigaction sa {};
  sa.sa_handler = xbsrv::OnStop;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return xbsrv::Server(std::move(o)).Run();
}
