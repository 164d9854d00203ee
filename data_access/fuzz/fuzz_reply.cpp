// The connection reads whatever a server sends: the bytes of the input are
// the server's side of one exchange (reply frames, notices, garbage, an early
// close), and the first byte picks the command that waits for them. Every
// outcome is fine except a crash, a hang or a sanitizer report.
#include <sys/socket.h>

#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "data_access/XbConn.h"
#include "data_access/XbProtocol.h"
#include "platform/net/Net.h"

namespace {

struct Listener {
  std::uint16_t port = 0;
  int fd = -1;
  Listener() {
    fd = net::ListenLoopback(port);
    if (fd < 0) std::abort();
  }
};

// The peer writes everything once the request is in: inputs stay well below
// what the loopback socket buffers hold.
constexpr std::size_t kMaxInput = 32 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Listener listener;
  if (size < 1 || size > kMaxInput) return 0;
  TXbConnection c(nullptr);
  c.SetHost("LOCALHOST");
  c.SetPort(listener.port);
  c.SetShutdownDelay(0);
  c.SetReadTimeout(200);
  c.OnError = [](TObject*, const String&, const String&) {};
  c.OnServerMessage = [](TObject*, const String&) {};
  c.OnServerStream = [](TObject*, TMemoryStream& s) { (void)s.Size(); };
  c.OnServerProgress = [](TObject*, TxProgressStatus, std::int32_t, std::int32_t, std::int32_t) {};
  c.SetActive(true);  // no user: connects without a login
  if (!c.Active()) return 0;
  const int peer = net::Accept(listener.fd);
  if (peer < 0) std::abort();
  // Bytes that came before the request would be out of step with it: the
  // server's side goes out once the request's header is in.
  std::thread server([&] {
    char header[20];
    std::size_t got = 0;
    while (got < sizeof header && net::WaitReadable(peer, 1000) > 0) {
      const long r = net::Recv(peer, header + got, sizeof header - got);
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    net::SendAll(peer, data + 1, size - 1);
    ::shutdown(peer, SHUT_WR);
  });

  switch (data[0] % 4) {
    case 0:
      (void)c.ClientXmit(xbproto::RecCount.text, "x", true);
      break;
    case 1: {
      TXbServerOpenRequest r;
      r.DatabaseName = "DATA";
      r.TableName = "ITEMS.DBF";
      TXbServerOpenAnswer a;
      (void)c.Use(r, a);
      break;
    }
    case 2: {
      std::vector<TXbFetchRow> rows;
      std::int32_t held = 0;
      const std::int32_t recordSize = data[0] / 4;
      (void)c.TraverseTable(true, false, 0, gmNext, gmNext, 10, 0, recordSize, rows, held);
      if (held < 0 || static_cast<std::size_t>(held) > rows.size()) std::abort();
      break;
    }
    default:
      (void)c.ClientStreamReceive(xbproto::RecCount.text, "x");
      break;
  }
  server.join();
  // Notices left after the reply.
  (void)c.FillReadStream(true);
  c.SetActive(false);
  net::CloseSocket(peer);
  return 0;
}
