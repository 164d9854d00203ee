#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>

#include <chrono>
#include <thread>

#include "platform/net/Net.h"

namespace {

// A connected pair over the loopback address: [client, accepted].
struct Pair {
  int listener = -1, client = -1, server = -1;
  std::uint16_t port = 0;
  Pair() {
    listener = net::ListenLoopback(port);
    client = net::NewSocket(SOCK_STREAM);
    EXPECT_EQ(net::Connect(client, net::LoopbackAddress(), port, 2000), 0) << net::LastError();
    server = net::Accept(listener);
  }
  ~Pair() {
    net::CloseSocket(client);
    net::CloseSocket(server);
    net::CloseSocket(listener);
  }
};

TEST(Net, LocalhostInAnyCaseIsTheLoopbackAddress) {
  for (const char* name : {"LOCALHOST", "localhost", "LocalHost"}) {
    std::uint32_t a = 0;
    ASSERT_TRUE(net::ResolveHost(name, a)) << name;
    EXPECT_EQ(net::FormatDotted(a), "127.0.0.1");
  }
  std::uint32_t a = 0;
  ASSERT_TRUE(net::ResolveHost("10.1.2.3", a));
  EXPECT_EQ(net::FormatDotted(a), "10.1.2.3");
  EXPECT_FALSE(net::ParseDotted("10.1.2", a));
  EXPECT_FALSE(net::ResolveHost("", a));
  EXPECT_EQ(net::LastError(), net::kErrHostNotFound);
}

TEST(Net, ErrorNumbersAreTheSocketNumbers) {
  EXPECT_EQ(net::MapErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(net::MapErrno(ECONNRESET), 10054);
  EXPECT_EQ(net::MapErrno(EPIPE), 10058);
  EXPECT_EQ(net::MapErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(net::MapErrno(EAGAIN), 10035);
  EXPECT_EQ(net::MapLookupError(EAI_NONAME), 11001);
  EXPECT_EQ(net::MapLookupError(EAI_AGAIN), 11002);
}

TEST(Net, RefusedConnectionReportsRefused) {
  std::uint16_t port = 0;
  const int l = net::ListenLoopback(port);
  ASSERT_GE(l, 0);
  net::CloseSocket(l);  // nobody listens there any more
  const int fd = net::NewSocket(SOCK_STREAM);
  EXPECT_EQ(net::Connect(fd, net::LoopbackAddress(), port, 2000), -1);
  EXPECT_EQ(net::LastError(), net::kErrConnRefused);
  net::CloseSocket(fd);
}

TEST(Net, SendReceiveAndTimedWait) {
  Pair p;
  ASSERT_GE(p.server, 0);
  EXPECT_EQ(net::WaitReadable(p.server, 20), 0);  // nothing sent yet: times out
  EXPECT_EQ(net::SendAll(p.client, "hello", 5), 5u);
  EXPECT_EQ(net::WaitReadable(p.server, 1000), 1);
  char buf[16] = {};
  EXPECT_EQ(net::Recv(p.server, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "hello");
  net::CloseSocket(p.client);
  p.client = -1;
  EXPECT_EQ(net::Recv(p.server, buf, sizeof buf), 0);  // peer closed
}

TEST(Net, SendingToAClosedPeerFailsWithoutASignal) {
  Pair p;
  net::CloseSocket(p.server);
  p.server = -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // The first send may still be accepted; the ones after the reset fail.
  std::string block(65536, 'x');
  long r = 0;
  for (int i = 0; i < 50 && r >= 0; ++i) r = net::Send(p.client, block.data(), block.size());
  ASSERT_EQ(r, -1);
  EXPECT_TRUE(net::LastError() == net::kErrShutdown || net::LastError() == net::kErrConnReset)
      << net::LastError();
}

TEST(Net, WaitIsBoundedByAMonotonicDeadline) {
  Pair p;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(net::WaitReadable(p.server, 60), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(55));
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(Net, ReceiveThatDoesNotWaitTellsNothingCameFromClosed) {
  Pair p;
  ASSERT_GE(p.server, 0);
  char buf[16] = {};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(net::RecvNow(p.server, buf, sizeof buf), -1);
  EXPECT_EQ(net::LastError(), net::kErrWouldBlock);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(net::SendAll(p.client, "abc", 3), 3u);
  ASSERT_EQ(net::WaitReadable(p.server, 2000), 1);
  EXPECT_EQ(net::RecvNow(p.server, buf, sizeof buf), 3);
  EXPECT_STREQ(buf, "abc");
  net::CloseSocket(p.client);
  p.client = -1;
  ASSERT_EQ(net::WaitReadable(p.server, 2000), 1);
  EXPECT_EQ(net::RecvNow(p.server, buf, sizeof buf), 0);  // closed, not "nothing yet"
}

// Puts the spin mode back whatever a test does.
struct SpinModeScope {
  explicit SpinModeScope(net::SpinMode m) { net::SetSpinMode(m); }
  ~SpinModeScope() { net::SetSpinMode(net::SpinMode::Auto); }
};

TEST(Net, SpinGateRestsAfterTwoWaitsInVainAndTriesAgainLater) {
  SpinModeScope always(net::SpinMode::Always);
  net::SpinGate g;
  EXPECT_TRUE(g.Open());
  g.Miss();
  EXPECT_TRUE(g.Open());
  g.Hit();  // a wait that paid off: the count of misses starts again
  EXPECT_TRUE(g.Open());
  g.Miss();
  EXPECT_TRUE(g.Open());
  g.Miss();  // two in a row
  for (int i = 0; i < net::SpinGate::kRestWaits; ++i) EXPECT_FALSE(g.Open()) << i;
  EXPECT_TRUE(g.Open());
}

TEST(Net, SpinGateFollowsTheMode) {
  net::SpinGate g;
  {
    SpinModeScope never(net::SpinMode::Never);
    EXPECT_FALSE(g.Open());
  }
  {
    SpinModeScope always(net::SpinMode::Always);
    EXPECT_TRUE(g.Open());
  }
}

}  // namespace
