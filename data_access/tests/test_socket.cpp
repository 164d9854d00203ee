// The socket client against peers that behave and peers that do not: partial
// frames, endless lines, silence, and connections closed in the middle.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "data_access/XbWin.h"
#include "data_access/tests/ScriptedPeer.h"

namespace {

struct Client {
  TXbSrvClient c{nullptr};
  explicit Client(std::uint16_t port, const String& host = "127.0.0.1") {
    c.SetHost(host);
    c.SetPort(port);
    c.SetReadTimeout(3000);
  }
};

TEST(SrvSocket, ConnectsByLocalhostInAnyCaseAndRefusesASecondConnect) {
  ScriptedPeer peer([](ScriptedPeer& p) { p.AwaitClose(); });
  Client cl(peer.Port(), "LocalHost");
  std::vector<String> status;
  cl.c.OnStatus = [&](TObject*, const String& t) { status.push_back(t); };
  cl.c.Connect();
  EXPECT_TRUE(cl.c.GetActive());
  EXPECT_EQ(cl.c.AddressText(), "127.0.0.1");
  try {
    cl.c.Connect();
    FAIL() << "second connect";
  } catch (const EXbSrvAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), "Already connected.");
  }
  cl.c.Disconnect();
  EXPECT_FALSE(cl.c.GetActive());
  EXPECT_EQ(status, (std::vector<String>{"Connecting to LocalHost", "Socket Connected", "Disconnecting",
                                         "Disconnected"}));
}

TEST(SrvSocket, RefusedConnectionRaisesTheSocketErrorAndStaysClosed) {
  std::uint16_t port = 0;
  net::CloseSocket(net::ListenLoopback(port));
  Client cl(port);
  try {
    cl.c.Connect();
    FAIL() << "connected to nobody";
  } catch (const EXbSrvSocketError& e) {
    EXPECT_EQ(e.ErrorNumber(), 10061);
    EXPECT_EQ(e.Message(), "Socket Error #10061\r\nConnection refused.");
  }
  EXPECT_FALSE(cl.c.GetActive());
}

TEST(SrvSocket, MultiLineAndSingleLineReplies) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    // Sent in pieces that split lines and terminators.
    p.Send("250-fi");
    ScriptedPeer::Pause(10);
    p.Send("rst\r");
    ScriptedPeer::Pause(10);
    p.Send("\n250-second\r\n\r\n250 last\r\n+OK fine\r\n-ERR bad\r\nabc text\r\n");
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.Connect();
  EXPECT_EQ(cl.c.ReadReply(), 250);
  EXPECT_EQ(cl.c.LastReply(), "250 last");
  ASSERT_EQ(cl.c.ReplyLines().Count(), 3);
  EXPECT_EQ(cl.c.ReplyLines().Strings(0), "250-first");
  EXPECT_EQ(cl.c.ReplyLines().Strings(2), "250 last");
  EXPECT_EQ(cl.c.ReadReply(), 1);
  EXPECT_EQ(cl.c.ReplyLines().Count(), 0);
  EXPECT_EQ(cl.c.ReadReply(), 0);
  EXPECT_EQ(cl.c.ReadReply(), 0);
  EXPECT_EQ(cl.c.LastReply(), "abc text");
}

TEST(SrvSocket, SendCommandChecksTheExpectedCode) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    EXPECT_EQ(p.Receive(6), "HELO\r\n");
    p.Send("500 no\r\n");
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.Connect();
  try {
    cl.c.SendCommand("HELO", 250, "*", 1);
    FAIL() << "unexpected code accepted";
  } catch (const EXbSrvResponseError& e) {
    EXPECT_EQ(e.Message(), "500 no");
  }
  EXPECT_EQ(cl.c.SendText(""), 0);
}

TEST(SrvSocket, PeerClosingMidReadDisconnectsGracefully) {
  ScriptedPeer peer([](ScriptedPeer& p) { p.Send("0000"); });
  Client cl(peer.Port());
  cl.c.Connect();
  try {
    cl.c.Read(20);
    FAIL() << "read past the end";
  } catch (const EXbSrvConnClosedGraceful& e) {
    EXPECT_EQ(e.Message(), "Connection Closed Gracefully.");
  }
  EXPECT_FALSE(cl.c.GetActive());
  EXPECT_TRUE(cl.c.Closed());
}

TEST(SrvSocket, SilentPeerTimesOutInsteadOfHanging) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    p.Send("ab");
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.SetReadTimeout(100);
  cl.c.Connect();
  const auto start = std::chrono::steady_clock::now();
  try {
    cl.c.Read(10);
    FAIL() << "read without data";
  } catch (const EXbSrvSocketError& e) {
    EXPECT_EQ(e.ErrorNumber(), 10060);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(SrvSocket, ReadTimedStopsAtItsDeadlineEvenWhileThePeerTrickles) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    // One byte every 20 ms: each receive succeeds, none completes the read.
    for (int i = 0; i < 40; ++i) {
      p.Send("x");
      ScriptedPeer::Pause(20);
    }
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.Connect();
  const auto start = std::chrono::steady_clock::now();
  try {
    cl.c.ReadTimed(1000, 150);
    FAIL() << "read more than arrived";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Not enough data in buffer.");
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(140));
  EXPECT_LT(took, std::chrono::milliseconds(600));
  EXPECT_GT(cl.c.BufferedCount(), 0);  // what came stays buffered
}

TEST(SrvSocket, EndlessLineIsRefusedWithBoundedBuffer) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    const std::string junk(4096, 'z');
    for (int i = 0; i < 64; ++i) p.Send(junk);
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.SetMaxLineLength(10000);
  cl.c.Connect();
  EXPECT_THROW(cl.c.ReadLine(), EXbSrvResponseError);
  EXPECT_LT(cl.c.BufferCapacity(), 40000);
}

TEST(SrvSocket, ManyLinesOfOneReplyAreHeldToTheLineLimit) {
  // Each line is short; together they would fill memory before the last one.
  ScriptedPeer peer([](ScriptedPeer& p) {
    std::string lines;
    for (int i = 0; i < 2000; ++i) lines += "250-another line of the reply\r\n";
    p.Send(lines + "250 last\r\n");
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.SetMaxLineLength(10000);
  cl.c.Connect();
  try {
    cl.c.ReadReply();
    FAIL() << "took a reply of " << cl.c.ReplyLines().Count() << " lines";
  } catch (const EXbSrvResponseError& e) {
    EXPECT_EQ(e.Message(), "Reply too long.");
  }
  EXPECT_EQ(cl.c.ReplyLines().Count(), 0);
}

// A peer that sends a byte now and then keeps every receive within the
// time-out; the reply as a whole is not.
TEST(SrvSocket, ReplySentAByteAtATimeTimesOutAsAWhole) {
  const auto trickle = [](const std::string& text) {
    return [text](ScriptedPeer& p) {
      for (char ch : text) {
        p.Send(std::string(1, ch));
        ScriptedPeer::Pause(40);
      }
      p.AwaitClose();
    };
  };
  const std::string line = "250 " + std::string(26, 'x') + "\r\n";
  {
    ScriptedPeer peer(trickle(std::string(30, '0')));
    Client cl(peer.Port());
    cl.c.SetReadTimeout(300);
    cl.c.Connect();
    try {
      cl.c.Read(30);
      FAIL() << "a trickled read never timed out";
    } catch (const EXbSrvSocketError& e) {
      EXPECT_EQ(e.ErrorNumber(), 10060);
    }
  }
  {
    ScriptedPeer peer(trickle(line));
    Client cl(peer.Port());
    cl.c.SetReadTimeout(300);
    cl.c.Connect();
    try {
      cl.c.ReadReply();
      FAIL() << "a trickled reply never timed out";
    } catch (const EXbSrvSocketError& e) {
      EXPECT_EQ(e.ErrorNumber(), 10060);
    }
  }
  {
    ScriptedPeer peer(trickle(std::string(30, '1')));
    Client cl(peer.Port());
    cl.c.SetReadTimeout(300);
    cl.c.Connect();
    TMemoryStream s;
    EXPECT_THROW(cl.c.ReadStream(s, 30), EXbSrvSocketError);
  }
}

TEST(SrvSocket, ChunkSizeMustBePositive) {
  TXbSrvClient c(nullptr);
  EXPECT_THROW(c.SetChunkSize(0), EXbSrvException);
  EXPECT_THROW(c.SetChunkSize(-5), EXbSrvException);
  EXPECT_EQ(c.ChunkSize(), 8192);
  c.SetChunkSize(100);
  EXPECT_EQ(c.ChunkSize(), 100);
  EXPECT_EQ(c.BufferCapacity(), 100);
}

TEST(SrvSocket, BufferGrowsAndShrinksByChunksAndStreamsReadWhole) {
  const std::string big(200000, 'q');
  ScriptedPeer peer([&](ScriptedPeer& p) {
    p.Send(big);
    p.Send("tail");
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.SetChunkSize(1024);
  cl.c.Connect();
  std::int64_t lastPosition = -1;
  cl.c.OnReadProgress = [&](TObject*, int, std::int64_t, std::int64_t pos) { lastPosition = pos; };
  TMemoryStream s;
  cl.c.ReadStream(s, static_cast<std::int64_t>(big.size()));
  EXPECT_EQ(s.Size(), static_cast<std::int64_t>(big.size()));
  EXPECT_EQ(std::string(s.Memory(), big.size()), big);
  EXPECT_EQ(lastPosition, 0);
  EXPECT_LE(cl.c.BufferCapacity(), 8 * 1024);  // it never held the whole stream
  EXPECT_EQ(cl.c.Read(4), "tail");
}

TEST(SrvSocket, StatusHandlerFailureNamesTheHandler) {
  ScriptedPeer peer([](ScriptedPeer& p) { p.AwaitClose(); });
  Client cl(peer.Port());
  cl.c.OnStatus = [](TObject*, const String& t) {
    if (t == "Socket Connected") throw EXbSrvResponseError("boom");
  };
  try {
    cl.c.Connect();
    FAIL() << "handler failure swallowed";
  } catch (const EXbSrvResponseError& e) {
    EXPECT_EQ(e.Message(), "boom occurred in user's OnStatus Event.");
  }
  EXPECT_FALSE(cl.c.GetActive());
}

TEST(SrvSocket, SendStreamSendsHeaderThenTheStreamInPieces) {
  const std::string body(20000, 'b');
  std::string got;
  {
    ScriptedPeer peer([&](ScriptedPeer& p) { got = p.Receive(4 + body.size()); });
    Client cl(peer.Port());
    cl.c.Connect();
    TMemoryStream s;
    s.WriteBuffer(body.data(), static_cast<std::int64_t>(body.size()));
    int writes = 0;
    cl.c.OnWriteProgress = [&](TObject*, int, std::int64_t, std::int64_t) { ++writes; };
    EXPECT_EQ(cl.c.SendStream("HEAD", s), static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(writes, 1 + 3 + 1);  // start, three pieces of at most 8192, end
  }
  EXPECT_EQ(got, "HEAD" + body);
}

// Signals without SA_RESTART sent to the test's thread every few
// milliseconds while it lives: every blocking call there is interrupted.
class Pestered {
public:
  Pestered() : target_(pthread_self()) {
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sigemptyset(&sa.sa_mask);
    sigaction(SIGUSR1, &sa, &old_);
    thread_ = std::thread([this] {
      while (!stop_.load()) {
        pthread_kill(target_, SIGUSR1);
        ++sent_;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  ~Pestered() {
    stop_ = true;
    thread_.join();
    sigaction(SIGUSR1, &old_, nullptr);
  }
  int Sent() const { return sent_.load(); }

private:
  pthread_t target_;
  struct sigaction old_ {};
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

TEST(SrvSocket, InterruptedSendsAndReadsCarryOnWithoutLosingABite) {
  std::string data(3u << 20, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('A' + (i / 8191 + i) % 26);
  std::string got;
  {
    ScriptedPeer peer([&](ScriptedPeer& p) {
      // A slow reader: the sender blocks again and again while it is pestered.
      while (got.size() < data.size()) {
        const std::string piece = p.Receive(std::min<std::size_t>(65536, data.size() - got.size()));
        if (piece.empty()) break;
        got += piece;
        ScriptedPeer::Pause(1);
      }
      ScriptedPeer::Pause(150);
      p.Send("reply\r\n");
      p.AwaitClose();
    });
    Client cl(peer.Port());
    cl.c.Connect();
    {
      Pestered pestered;
      EXPECT_EQ(cl.c.SendText(data), static_cast<long>(data.size()));
      // The reply comes while the read waits, interrupted again and again.
      EXPECT_EQ(cl.c.ReadLine(), "reply");
      EXPECT_GT(pestered.Sent(), 10);
    }
    EXPECT_TRUE(cl.c.GetActive());
    cl.c.Disconnect();
  }
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
}

TEST(SrvSocket, WriteOnClosedSocketIsRefused) {
  TXbSrvClient c(nullptr);
  try {
    c.SendText("x");
    FAIL();
  } catch (const EXbSrvClosedSocket& e) {
    EXPECT_EQ(e.Message(), "Socket is closed, cannot write");
  }
}

TEST(SrvSocket, ErrorTextsKeepTheirExactWording) {
  EXPECT_EQ(SocketErrorText(10035), "Operation would block. ");
  EXPECT_EQ(SocketErrorText(10066), "Directory not empty");
  EXPECT_EQ(SocketErrorText(11004), "Valid name, no data record (check DNS setup).");
  EXPECT_EQ(SocketErrorText(4242), "");
  try {
    RaiseSocketError(4242);
  } catch (const EXbSrvSocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error #4242\r\n");
  }
}

TEST(SrvSocket, WaitForDataAnswersWhenDataComes) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    ScriptedPeer::Pause(50);
    p.Send("k");
    p.AwaitClose();
  });
  Client cl(peer.Port());
  cl.c.Connect();
  EXPECT_FALSE(cl.c.WaitForData(1));
  EXPECT_TRUE(cl.c.WaitForData(3000));
  EXPECT_EQ(cl.c.Read(1), "k");
}

// Reads look for the peer's bytes for a short while before they sleep
// (when the machine has processors to spare): bytes that are there at once,
// bytes that come later, the peer's close and its silence end each read as
// they do when the read sleeps at once.
TEST(SrvSocket, LookingAgainBeforeSleepingKeepsEveryOutcome) {
  for (const net::SpinMode mode : {net::SpinMode::Always, net::SpinMode::Never}) {
    SCOPED_TRACE(mode == net::SpinMode::Always ? "always" : "never");
    net::SetSpinMode(mode);
    {
      ScriptedPeer peer([](ScriptedPeer& p) {
        p.Send("now!");
        ScriptedPeer::Pause(30);
        p.Send("late");
        ScriptedPeer::Pause(30);
        p.Send("0000");
      });
      Client cl(peer.Port());
      cl.c.Connect();
      EXPECT_EQ(cl.c.Read(4), "now!");
      EXPECT_EQ(cl.c.Read(4), "late");
      try {
        cl.c.Read(20);
        ADD_FAILURE() << "read past the end";
      } catch (const EXbSrvConnClosedGraceful& e) {
        EXPECT_EQ(e.Message(), "Connection Closed Gracefully.");
      }
      EXPECT_FALSE(cl.c.GetActive());
    }
    {
      ScriptedPeer peer([](ScriptedPeer& p) { p.AwaitClose(); });
      Client cl(peer.Port());
      cl.c.SetReadTimeout(100);
      cl.c.Connect();
      const auto start = std::chrono::steady_clock::now();
      try {
        cl.c.Read(1);
        ADD_FAILURE() << "read without data";
      } catch (const EXbSrvSocketError& e) {
        EXPECT_EQ(e.ErrorNumber(), 10060);
      }
      const auto took = std::chrono::steady_clock::now() - start;
      EXPECT_GE(took, std::chrono::milliseconds(95));
      EXPECT_LT(took, std::chrono::seconds(3));
      // A read that must not wait does not look either.
      const auto again = std::chrono::steady_clock::now();
      EXPECT_EQ(cl.c.ReadTimed(0, 0), "");
      EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(50));
    }
  }
  net::SetSpinMode(net::SpinMode::Auto);
}

}  // namespace
