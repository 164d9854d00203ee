#include <gtest/gtest.h>
#include <netdb.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>

#include <chrono>
#include <string>
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

// A signal whose handler does nothing and that does not restart the call it
// interrupts: every blocking call of the thread it hits fails with EINTR.
struct InterruptingSignal {
  struct sigaction old {};
  InterruptingSignal() {
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART
    sigaction(SIGUSR1, &sa, &old);
  }
  ~InterruptingSignal() { sigaction(SIGUSR1, &old, nullptr); }
  // Sends the signal to Thread every few milliseconds until Stop.
  static void Pester(pthread_t Thread, const std::atomic<bool>& Stop, std::atomic<int>& Sent) {
    while (!Stop.load()) {
      pthread_kill(Thread, SIGUSR1);
      ++Sent;
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  }
};

TEST(Net, InterruptedWaitAndReceiveGoOnUntilTheDataComes) {
  InterruptingSignal signal;
  Pair p;
  ASSERT_GE(p.server, 0);
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::thread pester(InterruptingSignal::Pester, pthread_self(), std::cref(stop), std::ref(sent));
  std::thread sender([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    net::SendAll(p.client, "late", 4);
  });
  // The wait is interrupted again and again and still lasts until the data.
  EXPECT_EQ(net::WaitReadable(p.server, 5000), 1);
  char buf[8] = {};
  EXPECT_EQ(net::Recv(p.server, buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "late");
  sender.join();
  // A receive that blocks is interrupted too, and goes on.
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    net::SendAll(p.client, "again", 5);
  });
  char more[8] = {};
  EXPECT_EQ(net::Recv(p.server, more, sizeof more), 5);
  EXPECT_STREQ(more, "again");
  later.join();
  stop = true;
  pester.join();
  EXPECT_GT(sent.load(), 20);
}

TEST(Net, InterruptedSendsToASlowReaderStillSendEverythingInOrder) {
  InterruptingSignal signal;
  Pair p;
  ASSERT_GE(p.server, 0);
  // A small send buffer, so that the sender blocks and single sends stop short.
  const int small = 16384;
  setsockopt(p.client, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  net::SetNoDelay(p.client);
  std::string data(512u << 10, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + (i * 7 + (i >> 12)) % 26);
  std::string got;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the sender fills up first
    char buf[16384];
    while (got.size() < data.size()) {
      if (net::WaitReadable(p.server, 5000) <= 0) break;
      const long r = net::Recv(p.server, buf, sizeof buf);
      if (r <= 0) break;
      got.append(buf, static_cast<std::size_t>(r));
    }
  });
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::thread pester(InterruptingSignal::Pester, pthread_self(), std::cref(stop), std::ref(sent));
  // One send at a time, as the client's loop does: a short one is followed
  // by the rest, never by a failure.
  std::size_t done = 0;
  int shortSends = 0;
  while (done < data.size()) {
    const long r = net::Send(p.client, data.data() + done, data.size() - done);
    ASSERT_GT(r, 0) << net::LastError();
    if (static_cast<std::size_t>(r) < data.size() - done) ++shortSends;
    done += static_cast<std::size_t>(r);
  }
  stop = true;
  pester.join();
  reader.join();
  EXPECT_GT(shortSends, 0);
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
  // SendAll over the same pestered, slow connection answers the whole count.
  got.clear();
  stop = false;
  std::thread reader2([&] {
    char buf[16384];
    while (got.size() < data.size()) {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
      if (net::WaitReadable(p.server, 5000) <= 0) break;
      const long r = net::Recv(p.server, buf, sizeof buf);
      if (r <= 0) break;
      got.append(buf, static_cast<std::size_t>(r));
    }
  });
  std::thread pester2(InterruptingSignal::Pester, pthread_self(), std::cref(stop), std::ref(sent));
  EXPECT_EQ(net::SendAll(p.client, data.data(), data.size()), data.size());
  stop = true;
  pester2.join();
  reader2.join();
  EXPECT_TRUE(got == data);
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
