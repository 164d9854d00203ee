// The server connection against the test server: login, framing, notices,
// and every way a server can misbehave.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "class_library/loop/Application.h"
#include "data_access/IntCrypt.h"
#include "data_access/XbConn.h"
#include "data_access/XbProtocol.h"
#include "data_access/tests/ScriptedPeer.h"
#include "data_access/tests/ServerProcess.h"
#include "data_access/tests/TestTables.h"
#include "platform/net/Net.h"

namespace {

// The peak resident memory of this process since the last ResetPeak, in KiB.
long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// What one exchange against a hostile peer may cost: it ends within its reply
// deadline (with room for a loaded machine) and its peak memory grows by no
// more than MaxGrowthKiB. Measured from construction to Check.
class ExchangeBounds {
public:
  ExchangeBounds(int DeadlineMs, long MaxGrowthKiB) : deadline_(DeadlineMs), maxGrowth_(MaxGrowthKiB) {
    ResetPeak();
    peakBefore_ = PeakKiB();
    start_ = std::chrono::steady_clock::now();
  }
  void Check() const {
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    const long grown = PeakKiB() - peakBefore_;
    EXPECT_LT(took.count(), deadline_ + 1500) << "the exchange outlived its reply deadline";
    EXPECT_LT(grown, maxGrowth_) << grown << " KiB";
  }

private:
  int deadline_;
  long maxGrowth_;
  long peakBefore_ = 0;
  std::chrono::steady_clock::time_point start_;
};

// A reply frame of kind "0000" around Payload.
std::string ReplyFrame(const std::string& Payload) {
  char length[9];
  std::snprintf(length, sizeof length, "%08X", static_cast<unsigned>(Payload.size()));
  return std::string(length) + "000000000000" + Payload;
}

struct Errors {
  std::vector<std::pair<String, String>> list;
  void Attach(TXbConnection& c) {
    c.OnError = [this](TObject*, const String& ctx, const String& msg) { list.emplace_back(ctx, msg); };
  }
  bool Has(const String& msg) const {
    for (const auto& e : list)
      if (e.second == msg) return true;
    return false;
  }
};

// What the handlers of a connection were told.
// The most notices the connection held at once is sampled while it reads.
struct Told {
  std::size_t notices = 0;
  std::size_t bytes = 0;
  std::size_t mostHeld = 0;
  std::size_t mostHeldBytes = 0;
  void Attach(TXbConnection& c) {
    c.OnServerMessage = [this](TObject*, const String& m) {
      ++notices;
      bytes += m.size();
    };
    c.OnReadProgress = [this, &c](TObject*, int, std::int64_t, std::int64_t) {
      mostHeld = std::max(mostHeld, c.HeldNotices());
      mostHeldBytes = std::max(mostHeldBytes, c.HeldNoticeBytes());
    };
  }
};

class Connection : public ::testing::Test {
protected:
  void SetUp() override {
    RequireEngine();
    MakeTable(dir.Path(), "ITEMS.DBF", {{"NAME", 'C', 10}, {"QTY", 'N', 5}},
              {{"apple", "1"}, {"pear", "2"}, {"plum", "3"}});
  }
  // A connection logged in as TESTER to a server started with args.
  std::unique_ptr<TXbConnection> Connect(ServerProcess& server, const String& password = "secret") {
    auto c = std::make_unique<TXbConnection>(nullptr);
    errors.Attach(*c);
    c->SetPort(server.Port());
    c->SetUser("tester");
    c->SetLoginPassword(password);
    c->SetShutdownDelay(0);
    c->SetReadTimeout(5000);
    c->SetDatabaseName("DATA");
    c->OnLogin = [this](TObject*, bool ok, const String& msg) {
      loginAccepted = ok;
      loginMessage = msg;
    };
    c->SetActive(true);
    return c;
  }
  std::vector<std::string> Args(std::vector<std::string> more = {}) {
    std::vector<std::string> a{"--user", "TESTER:secret"};
    a.insert(a.end(), more.begin(), more.end());
    return a;
  }
  // Points a connection at a scripted peer (it logs in only with a user);
  // its reports go to Reports.
  static void ToPeer(TXbConnection& c, const ScriptedPeer& Peer, Errors& Reports, int ReadTimeoutMs = 5000) {
    Reports.Attach(c);
    c.SetPort(Peer.Port());
    c.SetShutdownDelay(0);
    c.SetReadTimeout(ReadTimeoutMs);
  }
  // Asks a flooding peer for its version: the answer never comes, the
  // connection is dropped as lost, and the exchange stays within its
  // deadline and a bounded growth of memory.
  void AskWhileFlooded(TXbConnection& c, const ScriptedPeer& Peer, Told& Handlers) {
    ToPeer(c, Peer, errors, 2000);
    Handlers.Attach(c);
    c.SetActive(true);
    const ExchangeBounds bounds(2000, 64 * 1024);
    EXPECT_EQ(c.Version(), "");
    bounds.Check();
    EXPECT_FALSE(c.Active());
    EXPECT_TRUE(c.LastCommandFailed());
    EXPECT_TRUE(errors.Has("Connection lost"));
  }
  // Opens ITEMS.DBF in the session; answers its work area.
  std::int16_t OpenItems(TXbConnection& c) {
    TXbServerOpenRequest r;
    r.DatabaseName = "DATA";
    r.TableName = "ITEMS.DBF";
    TXbServerOpenAnswer a;
    return c.Use(r, a);
  }

  ScratchDir dir;
  Errors errors;
  bool loginAccepted = false;
  String loginMessage;
};

TEST_F(Connection, LoginAcceptedAndRefused) {
  ServerProcess server(dir.Path(), Args({"--max-users", "1"}));
  auto c = Connect(server);
  EXPECT_TRUE(c->Active());
  EXPECT_TRUE(c->LoggedIn());
  EXPECT_TRUE(loginAccepted);
  EXPECT_EQ(c->User(), "TESTER");

  auto second = Connect(server);  // one user at most
  EXPECT_FALSE(second->Active());
  EXPECT_FALSE(loginAccepted);
  EXPECT_EQ(loginMessage, "Maximum user count exceeded");
  EXPECT_TRUE(errors.Has("Login not accepted. Maximum user count may have been exceeded"));

  c->SetActive(false);
  auto wrong = Connect(server, "guess");
  EXPECT_FALSE(wrong->Active());
  EXPECT_FALSE(wrong->LoggedIn());
  EXPECT_EQ(loginMessage, "Invalid user name or password");
}

TEST_F(Connection, NoServerIsReportedWithItsHost) {
  std::uint16_t port = 0;
  net::CloseSocket(net::ListenLoopback(port));
  TXbConnection c(nullptr);
  errors.Attach(c);
  c.SetPort(port);
  c.SetActive(true);
  EXPECT_FALSE(c.Active());
  ASSERT_EQ(errors.list.size(), 1u);
  EXPECT_EQ(errors.list[0].first, "XbConnection.SetActive");
  EXPECT_EQ(errors.list[0].second, "No xBase Database Server found at 127.0.0.1");
}

TEST_F(Connection, EmptyLoginReplyIsNoAcceptance) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    p.Receive(20);
    p.Receive(1785, 500);
    p.Send("00000000000000000000");
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  errors.Attach(c);
  c.SetPort(peer.Port());
  c.SetUser("x");
  c.SetShutdownDelay(0);
  c.SetReadTimeout(300);
  c.SetActive(true);
  EXPECT_FALSE(c.LoggedIn());
  EXPECT_FALSE(c.Active());
}

TEST_F(Connection, OpenReplyWithAnImpossibleRecordSizeFailsTheOpen) {
  // A server that claims a record of 2 GB (or of a negative size) would make
  // the table size its record buffers by it.
  for (const char* size : {"7FFFFFFF", "FFFFFFFE", "00000000"}) {
    SCOPED_TRACE(size);
    const std::string answer = std::string("0001") + "00000003" + "00000001" + size + "N" + std::string(255, ' ') +
                               "0000" + "0000" + "00000000" + "00000000";
    ScriptedPeer peer([&](ScriptedPeer& p) {
      const std::string header = p.Receive(20);
      p.Receive(std::stoul(header.substr(0, 8), nullptr, 16));
      char length[9];
      std::snprintf(length, sizeof length, "%08X", static_cast<unsigned>(answer.size()));
      p.Send(std::string(length) + "000000000000" + answer);
      p.AwaitClose();
    });
    TXbConnection c(nullptr);
    Errors reports;
    reports.Attach(c);
    c.SetPort(peer.Port());
    c.SetShutdownDelay(0);
    c.SetReadTimeout(2000);
    c.SetActive(true);
    TXbServerOpenRequest r;
    r.DatabaseName = "DATA";
    r.TableName = "ITEMS.DBF";
    TXbServerOpenAnswer a;
    EXPECT_EQ(c.Use(r, a), 0);
    EXPECT_EQ(a.RecordSize, 0);
    EXPECT_TRUE(reports.Has("Use"));
    c.SetActive(false);
  }
}

TEST_F(Connection, SubstitutionMovesPrintableBytesOnly) {
  EXPECT_EQ(TXbConnection::Substitute(String("\x1e\x28\x32\x3c\x46\x50\x5a\x64\x6e\x78\x81\x05", 12)),
            String("\x05\x19\x0f\x41\x5f\x7d\x9b\xb9\xd7\xf5\xfe\x05", 12));
}

TEST_F(Connection, CommandsAndNotificationsBeforeTheReply) {
  ServerProcess server(dir.Path(), Args({"--notice-every", "3"}));
  auto c = Connect(server);
  std::vector<String> messages;
  std::vector<std::int32_t> progress;
  String streamed;
  // A handler that sends a command of its own gets its reply.
  std::int32_t countInHandler = -1;
  c->OnServerMessage = [&](TObject*, const String& m) {
    messages.push_back(m);
    countInHandler = c->RecCount();
  };
  c->OnServerProgress = [&](TObject*, TxProgressStatus, std::int32_t a, std::int32_t b, std::int32_t d) {
    progress = {a, b, d};
  };
  c->OnServerStream = [&](TObject*, TMemoryStream& s) { streamed.assign(s.Memory(), static_cast<size_t>(s.Size())); };
  const std::int16_t area = OpenItems(*c);  // command 2
  ASSERT_GT(area, 0);
  EXPECT_EQ(c->RecCount(), 3);  // command 3 comes after its notices
  EXPECT_EQ(messages, std::vector<String>{"notice 3"});
  EXPECT_EQ(countInHandler, 3);
  EXPECT_EQ(progress, (std::vector<std::int32_t>{1, 100, 42}));
  EXPECT_EQ(streamed, "stream-bytes");
  EXPECT_TRUE(errors.list.empty()) << errors.list[0].second;
  EXPECT_EQ(c->Select(area), area);  // already current: nothing sent
  // The open leaves the table on its first record, as the engine does.
  EXPECT_EQ(c->GetTrimString("NAME"), "apple");
  c->GoTop();
  EXPECT_EQ(c->GetTrimString("NAME"), "apple");
  c->Skip(1);
  EXPECT_EQ(c->RecNo(), 2);
  c->Skip(-1);
  EXPECT_EQ(c->RecNo(), 1);
  EXPECT_FALSE(c->Eof());
  EXPECT_EQ(c->Alias(area), "ITEMS");
  EXPECT_EQ(c->WorkArea("ITEMS"), area);
  // Every notice came before its reply: a poll finds nothing waiting, answers
  // at once and leaves the connection as it was.
  messages.clear();
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(c->FillReadStream(true), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(c->LoggedIn());
  EXPECT_EQ(c->RecNo(), 1);
}

TEST_F(Connection, ShortProgressNoticeIsReadAsSent) {
  ServerProcess server(dir.Path(), Args({"--notice-every", "2", "--short-progress"}));
  auto c = Connect(server);
  std::vector<std::int32_t> progress;
  c->OnServerProgress = [&](TObject*, TxProgressStatus, std::int32_t a, std::int32_t b, std::int32_t d) {
    progress = {a, b, d};
  };
  OpenItems(*c);
  EXPECT_TRUE(c->Active());
  EXPECT_EQ(progress, (std::vector<std::int32_t>{7, 0, 0}));
}

TEST_F(Connection, ShutdownNoticeEndsTheSession) {
  ServerProcess server(dir.Path(), Args({"--shutdown-after", "2"}));
  auto c = Connect(server);
  String message;
  c->OnServerMessage = [&](TObject*, const String& m) { message = m; };
  c->RecCount();
  EXPECT_EQ(c->FillReadStream(false), -1);
  EXPECT_FALSE(c->Active());
  EXPECT_FALSE(c->LoggedIn());
  EXPECT_FALSE(c->PollTimerComponent().Enabled());
  EXPECT_EQ(message, "Server shutdown");
}

// Each broken reply ends the connection with "Connection lost" and answers
// the command's zero value, never a reply that was not there.
TEST_F(Connection, BrokenRepliesLoseTheConnection) {
  for (const char* fault : {"--malformed-after", "--huge-after", "--drop-after", "--partial-after"}) {
    SCOPED_TRACE(fault);
    ServerProcess server(dir.Path(), Args({fault, "3"}));
    errors.list.clear();
    auto c = Connect(server);
    ASSERT_GT(OpenItems(*c), 0);
    EXPECT_EQ(c->CurrentWorkArea(), 1);
    EXPECT_EQ(c->RecCount(), 0);
    EXPECT_TRUE(c->LastCommandFailed());
    EXPECT_FALSE(c->Active());
    EXPECT_FALSE(c->LoggedIn());
    EXPECT_EQ(c->CurrentWorkArea(), 0);  // the next Select goes to the server again
    EXPECT_TRUE(errors.Has("Connection lost"));
    EXPECT_TRUE(c->Eof());  // a walk over a lost connection ends
  }
}

TEST_F(Connection, SilentServerTimesOut) {
  ServerProcess server(dir.Path(), Args({"--slow-ms", "1500"}));
  TXbConnection c(nullptr);
  errors.Attach(c);
  c.SetPort(server.Port());
  c.SetReadTimeout(200);
  c.SetActive(true);  // no user: connected without a login
  ASSERT_TRUE(c.Active());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c.Version(), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
  EXPECT_FALSE(c.Active());
  EXPECT_TRUE(errors.Has("Connection lost"));
}

TEST_F(Connection, LogoutOverALostConnectionEndsOnce) {
  ServerProcess server(dir.Path(), Args({"--drop-after", "2"}));
  auto c = Connect(server);
  int logouts = 0;
  c->OnLogout = [&](TObject*) { ++logouts; };
  c->SetActive(false);
  EXPECT_FALSE(c->Active());
  EXPECT_FALSE(c->LoggedIn());
  EXPECT_EQ(logouts, 1);
}

TEST_F(Connection, OversizedFetchesAndShortImagesAreRefused) {
  {
    ServerProcess server(dir.Path(), Args({"--oversize-rows"}));
    auto c = Connect(server);
    ASSERT_GT(OpenItems(*c), 0);
    std::vector<TXbFetchRow> rows;
    std::int32_t held = -1;
    EXPECT_EQ(c->TraverseTable(true, false, 1, gmNext, gmNext, 2, 0, 16, rows, held), grError);
    EXPECT_EQ(held, 0);
    EXPECT_TRUE(errors.Has("Make sure DatabaseName is set to a valid alias."));
  }
  {
    ServerProcess server(dir.Path(), Args({"--short-record"}));
    auto c = Connect(server);
    ASSERT_GT(OpenItems(*c), 0);
    c->GoTop();
    std::string image(16, '#');
    EXPECT_FALSE(c->FetchRecord(image.data(), 16));
    EXPECT_EQ(image, std::string(16, '#'));
    EXPECT_TRUE(c->Active());  // the framing is intact
  }
}

TEST_F(Connection, RefusedCreationAndOverlongFieldsAreFlagged) {
  ServerProcess server(dir.Path(), Args());
  auto c = Connect(server);
  EXPECT_LT(c->CreateNew("DATA", "..", 2, 1), 0);  // bit 15
  errors.list.clear();
  EXPECT_FALSE(c->FileExists("DATA", String(300, 'x')));
  EXPECT_TRUE(errors.Has("FileExists"));
  EXPECT_TRUE(c->Active());  // nothing misaligned went out
  EXPECT_TRUE(c->FileExists("DATA", "/elsewhere/ITEMS.DBF"));  // only the name part is sent
  EXPECT_FALSE(c->FileExists("..", "passwd"));
}

TEST_F(Connection, CompressedSessionRoundTrips) {
  ServerProcess server(dir.Path(), Args());
  auto c = std::make_unique<TXbConnection>(nullptr);
  errors.Attach(*c);
  c->SetPort(server.Port());
  c->SetUser("tester");
  c->SetLoginPassword("secret");
  c->SetCompression(true);
  c->SetActive(true);
  ASSERT_TRUE(c->LoggedIn());
  ASSERT_GT(OpenItems(*c), 0);
  c->GoBottom();
  EXPECT_EQ(c->GetTrimString("NAME"), "plum");
  EXPECT_TRUE(errors.list.empty());
}

TEST_F(Connection, CompressedReplyThatWouldExpandPastTheLimitIsRefusedUnexpanded) {
  // A small stream that expands to 48 MiB, made before the peak is measured.
  LoadCryptLibrary();
  ASSERT_TRUE(CryptLoaded());
  (*::SetCompressionPassword)("");
  std::string packed;
  {
    std::vector<unsigned char> zeros(48u << 20);
    unsigned char* out = nullptr;
    std::size_t n = 0;
    ASSERT_EQ((*::CompressStream)(zeros.data(), zeros.size(), &out, &n), 0);
    packed.assign(reinterpret_cast<char*>(out), n);
    std::free(out);
  }
  ASSERT_LT(packed.size(), 1u << 20);
  ScriptedPeer peer([&](ScriptedPeer& p) {
    p.Receive(20);
    p.Send(ReplyFrame(packed));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors);
  c.SetCompression(true);
  c.SetMaxPayload(1 << 20);
  c.SetActive(true);  // no user: no login
  ASSERT_TRUE(c.Active());
  ASSERT_GT(PeakKiB(), 0);
  // Nothing near the 48 MiB the stream claims may be taken for it.
  const ExchangeBounds bounds(5000, 16 * 1024);
  EXPECT_EQ(c.Version(), "");
  bounds.Check();
  EXPECT_FALSE(c.Active());
  EXPECT_TRUE(errors.Has("Connection lost"));
}

TEST_F(Connection, ReplyLengthThatIsNegativeOrNoNumberLosesTheConnectionAtOnce) {
  for (const char* length : {"FFFFFFFF", "80000000", "-0000001", "0000001G"}) {
    SCOPED_TRACE(length);
    ScriptedPeer peer([&](ScriptedPeer& p) {
      p.Receive(20);
      p.Send(std::string(length) + "000000000000" + "Y");
      p.AwaitClose();
    });
    TXbConnection c(nullptr);
    Errors reports;
    ToPeer(c, peer, reports);
    c.SetActive(true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.Version(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_FALSE(c.Active());
    EXPECT_TRUE(c.LastCommandFailed());
    EXPECT_TRUE(reports.Has("Connection lost"));
  }
}

TEST_F(Connection, FetchReplyWithANegativeRowCountIsRefused) {
  ScriptedPeer peer([&](ScriptedPeer& p) {
    const std::string header = p.Receive(20);
    p.Receive(std::stoul(header.substr(0, 8), nullptr, 16));
    p.Send(ReplyFrame("FFFFFFFF" + std::string(64, ' ')));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors);
  c.SetActive(true);
  std::vector<TXbFetchRow> rows;
  std::int32_t held = -1;
  EXPECT_EQ(c.TraverseTable(true, false, 1, gmNext, gmNext, 5, 0, 4, rows, held), grError);
  EXPECT_EQ(held, 0);
  EXPECT_TRUE(rows.empty());
  ASSERT_EQ(errors.list.size(), 1u);
  EXPECT_EQ(errors.list[0].first, "XbConnection.TraverseTable");
  EXPECT_EQ(errors.list[0].second, "Make sure DatabaseName is set to a valid alias.");
  EXPECT_TRUE(c.Active());  // the frame itself was whole
}

TEST_F(Connection, PasswordForTheOpenTableIsSentWithoutWaitingForAReply) {
  // The peer answers nothing to the password and the next command's own
  // reply only: a client that waited would hang or take that reply.
  std::string passwordPayload;
  ScriptedPeer peer([&](ScriptedPeer& p) {
    std::string header = p.Receive(20);
    passwordPayload = p.Receive(std::stoul(header.substr(0, 8), nullptr, 16));
    EXPECT_EQ(header.substr(16, 4), "0566");
    header = p.Receive(20);
    EXPECT_EQ(header.substr(16, 4), "0470");
    p.Send(ReplyFrame("7"));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors, 3000);
  c.SetActive(true);
  const auto start = std::chrono::steady_clock::now();
  c.SetPassword("open sesame");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(c.LastCommandFailed());
  EXPECT_EQ(c.RecCount(), 7);
  EXPECT_TRUE(c.Active());
  EXPECT_TRUE(errors.list.empty());
  c.SetActive(false);
  EXPECT_EQ(passwordPayload, "open sesame");
}

TEST_F(Connection, CommandFromAHandlerInsideAnExchangeIsRefusedAsBusy) {
  ServerProcess server(dir.Path(), Args());
  auto c = Connect(server);
  ASSERT_GT(OpenItems(*c), 0);
  // The read progress of a reply is told while the reply is being read.
  std::vector<std::int32_t> nested;
  bool inHandler = false;
  c->OnReadProgress = [&](TObject*, int, std::int64_t, std::int64_t) {
    if (inHandler || !nested.empty()) return;
    inHandler = true;
    nested.push_back(c->RecCount());
    nested.push_back(c->GetStructure() ? 1 : 0);
    c->PutRecord("x", 1);
    nested.push_back(c->LastCommandFailed() ? 1 : 0);
    inHandler = false;
  };
  EXPECT_EQ(c->GetTrimString("NAME"), "apple");  // the outer command gets its own reply
  c->OnReadProgress = nullptr;
  EXPECT_EQ(nested, (std::vector<std::int32_t>{0, 0, 1}));
  int busy = 0;
  for (const auto& e : errors.list)
    if (e.second == "Connection busy") ++busy;
  EXPECT_EQ(busy, 3);
  EXPECT_TRUE(c->Active());
  EXPECT_EQ(c->RecCount(), 3);  // and the framing is still in step
  EXPECT_EQ(ReadColumn(dir.Path() + "ITEMS.DBF", "NAME")[0], "apple     ");
}

// The contexts of these errors are shown to users and kept in their logs as
// they have always read, the one-n "XbConection" among them: whoever matches
// on them must not find them tidied away.
TEST(ConnectionTexts, ErrorContextsOfAClosedConnectionReadAsTheyAlwaysHave) {
  TXbConnection c(nullptr);
  Errors errors;
  errors.Attach(c);
  EXPECT_EQ(c.ClientXmit(xbproto::RecCount.text, String(), true), "");
  EXPECT_EQ(c.ClientXmit(xbproto::SetPassword.text, "pw", false), "");
  EXPECT_EQ(c.ClientStreamReceive(xbproto::GetRecord.text, String()), nullptr);
  EXPECT_EQ(c.ClientStreamSendReceive(xbproto::PutRecord.text), nullptr);
  EXPECT_TRUE(c.LastCommandFailed());
  // Only the text exchange reports a closed connection; the stream ones say nothing.
  EXPECT_EQ(errors.list, (std::vector<std::pair<String, String>>{
                             {"XbConection.ClientXmit(0470)", "Not connected"},
                             {"XbConection.ClientXmit(0566)", "Not connected"}}));
}

TEST_F(Connection, ErrorContextsOfABusyConnectionNameTheWayOfSending) {
  ServerProcess server(dir.Path(), Args());
  auto c = Connect(server);
  ASSERT_GT(OpenItems(*c), 0);
  errors.list.clear();
  bool done = false;
  c->OnReadProgress = [&](TObject*, int, std::int64_t, std::int64_t) {
    if (done) return;
    done = true;
    c->ClientXmit(xbproto::RecCount.text, String(), true);
    c->ClientStreamReceive(xbproto::GetRecord.text, String());
    c->SendStreamBuffer().WriteBuffer("x", 1);
    c->ClientStreamSendReceive(xbproto::PutRecord.text);
  };
  EXPECT_EQ(c->GetTrimString("NAME"), "apple");
  c->OnReadProgress = nullptr;
  EXPECT_EQ(errors.list, (std::vector<std::pair<String, String>>{
                             {"XbConnection.ClientXmit(0470)", "Connection busy"},
                             {"XbConnection.ClientStreamReceive(0515)", "Connection busy"},
                             {"XbConnection.ClientStreamSendReceive(0499)", "Connection busy"}}));
}

TEST_F(Connection, DestroyingTheConnectionTellsNoHandlerOfNoticesThatCome) {
  ServerProcess server(dir.Path(), Args({"--notice-every", "1"}));
  int messages = 0, streams = 0, progress = 0;
  {
    auto c = Connect(server);
    ASSERT_TRUE(c->LoggedIn());
    c->OnServerMessage = [&](TObject*, const String&) { ++messages; };
    c->OnServerStream = [&](TObject*, TMemoryStream&) { ++streams; };
    c->OnServerProgress = [&](TObject*, TxProgressStatus, std::int32_t, std::int32_t, std::int32_t) { ++progress; };
    EXPECT_EQ(c->RecCount(), 0);  // no table: but the notices came
    ASSERT_EQ(messages, 1);
    ASSERT_EQ(streams, 1);
    ASSERT_EQ(progress, 1);
  }  // the logout's reply comes with notices too
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(streams, 1);
  EXPECT_EQ(progress, 1);
}

TEST_F(Connection, ServerKeepsEveryFileNameInsideItsDataDirectory) {
  // A table outside the data directory, and a folder inside it.
  ScratchDir other;
  MakeTable(other.Path(), "OUT.DBF", {{"NAME", 'C', 10}}, {{"outside"}});
  std::filesystem::create_directory(dir.Path() + "SUB");
  MakeTable(dir.Path() + "SUB/", "IN.DBF", {{"NAME", 'C', 10}}, {{"inside"}});
  ServerProcess server(dir.Path(), Args());
  auto c = Connect(server);
  ASSERT_GT(OpenItems(*c), 0);
  const auto pad = [](std::string s, std::size_t w) {
    s.resize(std::max(s.size(), w), ' ');
    return s;
  };
  std::string absolute = other.Path() + "OUT.DBF";
  std::string backslashed = absolute;
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  const std::vector<std::string> names{absolute,          backslashed,        "SUB/IN.DBF",       "SUB\\IN.DBF",
                                       "./ITEMS.DBF",     "C:ITEMS.DBF",      "C:\\OUT.DBF",      "..",
                                       "../OUT.DBF",      "..\\OUT.DBF",      "ITEMS.DBF/",       "/",
                                       std::string("ITEMS.DBF\0/x", 12)};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    // Asked as they are, not through the methods (which send the name part).
    EXPECT_EQ(c->ClientXmit("0054", pad("DATA", 255) + pad(name, 255), true), "N");
    const std::string open = pad("DATA", 255) + pad(name, 255) + "0" + "2" + pad("", 255) + "N" + pad("", 255) +
                             "07BC" + "0000" + "0040" + "NYNNNN" + "1";
    const String opened = c->ClientXmit("0469", open, true);
    EXPECT_EQ(opened.substr(0, 4), "0000");
    EXPECT_NE(opened.find("Invalid table name"), String::npos);
    EXPECT_EQ(c->ClientXmit("0467", pad(name, 255) + pad("X", 255) + "0" + "2" + "1", true), "0000");
    EXPECT_EQ(c->ClientXmit("0562", pad("DATA", 255) + pad(name, 255) + "2" + "00000001", true), "0");
    EXPECT_EQ(c->ClientXmit("0620", pad("DATA", 255) + pad(name, 255), true), "0");
    EXPECT_EQ(c->ClientXmit("0534", pad(name, 255) + pad("NAME", 255) + pad("0", 10) + "N" + pad("", 255), true), "0");
    EXPECT_EQ(c->ClientXmit("0564", pad(name, 255) + pad("T1", 255) + pad("NAME", 255) + pad("0", 10) + "N" +
                                        pad("", 255), true),
              "0");
    EXPECT_TRUE(c->Active());
  }
  // A database name that is a path is no way out either: it names the data
  // directory itself.
  const std::string otherDir = other.Path().substr(0, other.Path().size() - 1);
  for (const std::string& db : {otherDir, std::string("../") + std::filesystem::path(otherDir).filename().string(),
                                std::string("SUB/..")}) {
    SCOPED_TRACE(db);
    EXPECT_EQ(c->ClientXmit("0054", pad(db, 255) + pad("OUT.DBF", 255), true), "N");
    EXPECT_EQ(c->ClientXmit("0054", pad(db, 255) + pad("ITEMS.DBF", 255), true), "Y");
  }
  // The folder of the data directory is reached by its plain name.
  EXPECT_EQ(c->ClientXmit("0054", pad("SUB", 255) + pad("IN.DBF", 255), true), "Y");
  // Nothing was made outside, and nothing beside the tables inside.
  std::vector<std::string> outside, inside;
  for (const auto& e : std::filesystem::directory_iterator(other.Path())) outside.push_back(e.path().filename());
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) inside.push_back(e.path().filename());
  std::sort(inside.begin(), inside.end());
  EXPECT_EQ(outside, (std::vector<std::string>{"OUT.DBF"}));
  EXPECT_EQ(inside, (std::vector<std::string>{"ITEMS.DBF", "SUB"}));
}

TEST_F(Connection, PollTimerDeliversIdleNotices) {
  ServerProcess server(dir.Path(), Args({"--idle-notice-ms", "50"}));
  auto c = Connect(server);
  c->SetPollInterval(20);
  String message;
  c->OnServerMessage = [&](TObject*, const String& m) { message = m; };
  ASSERT_TRUE(c->PollTimerComponent().Enabled());
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (message.empty() && std::chrono::steady_clock::now() < until) {
    Application()->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(message, "idle notice");
}

// ---- hostile peers ---------------------------------------------------------------

// A frame of Kind around Payload.
std::string Frame(const std::string& Kind, const std::string& Payload) {
  char length[9];
  std::snprintf(length, sizeof length, "%08X", static_cast<unsigned>(Payload.size()));
  return std::string(length) + "00000000" + Kind + Payload;
}

// Reads one request; answers its command code ("" when the client went).
std::string ReadRequest(ScriptedPeer& p) {
  const std::string header = p.Receive(20);
  if (header.size() < 20) return std::string();
  p.Receive(std::stoul(header.substr(0, 8), nullptr, 16));
  return header.substr(16, 4);
}

TEST_F(Connection, FloodOfSmallNoticesBeforeAReplyLosesTheConnection) {
  // Far more notices than may be held, then the reply.
  ScriptedPeer peer([](ScriptedPeer& p) {
    ReadRequest(p);
    std::string flood;
    for (int i = 0; i < 20000; ++i) flood += Frame("0301", "tiny note!");
    p.Send(flood + ReplyFrame("v1"));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  Told told;
  AskWhileFlooded(c, peer, told);
  EXPECT_LE(told.notices, TXbConnection::MaxHeldNotices);
  EXPECT_GT(told.mostHeld, 0u);
  EXPECT_LE(told.mostHeld, TXbConnection::MaxHeldNotices);
  EXPECT_EQ(c.HeldNotices(), 0u);  // handed to the handler, none left over
  EXPECT_EQ(c.HeldNoticeBytes(), 0u);
}

TEST_F(Connection, FloodOfLargeNoticesIsHeldToItsBytes) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    ReadRequest(p);
    const std::string notice = Frame("0301", std::string(60 * 1024, 'n'));
    for (int i = 0; i < 200; ++i) p.Send(notice);
    p.Send(ReplyFrame("v1"));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  Told told;
  AskWhileFlooded(c, peer, told);
  EXPECT_LE(told.bytes, TXbConnection::MaxHeldNoticeBytes);
  EXPECT_GT(told.mostHeldBytes, 0u);
  EXPECT_LE(told.mostHeldBytes, TXbConnection::MaxHeldNoticeBytes);
}

TEST_F(Connection, CompressedNoticesThatWouldExpandPastTheBoundAreRefusedUnexpanded) {
  // Small streams that expand to 60 MiB each, made before the peak is measured.
  LoadCryptLibrary();
  ASSERT_TRUE(CryptLoaded());
  (*::SetCompressionPassword)("");
  std::string packed;
  {
    std::vector<unsigned char> zeros(60u << 20, 'z');
    unsigned char* out = nullptr;
    std::size_t n = 0;
    ASSERT_EQ((*::CompressStream)(zeros.data(), zeros.size(), &out, &n), 0);
    packed.assign(reinterpret_cast<char*>(out), n);
    std::free(out);
  }
  ScriptedPeer peer([&](ScriptedPeer& p) {
    ReadRequest(p);
    for (int i = 0; i < 4; ++i) p.Send(Frame("0301", packed));
    p.Send(ReplyFrame(""));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors);
  Told told;
  told.Attach(c);
  c.SetCompression(true);
  c.SetActive(true);  // no user: no login
  ASSERT_TRUE(c.Active());
  ASSERT_GT(PeakKiB(), 0);
  const ExchangeBounds bounds(5000, 32 * 1024);
  EXPECT_EQ(c.Version(), "");
  bounds.Check();
  EXPECT_FALSE(c.Active());
  EXPECT_TRUE(errors.Has("Connection lost"));
  EXPECT_EQ(told.notices, 0u);
}

TEST_F(Connection, CompressedNoticeLargerThanTheBoundIsRefusedBeforeItIsRead) {
  // Made before the peak is measured.
  const std::string notice = Frame("0301", std::string(8u << 20, 'x'));
  ScriptedPeer peer([&](ScriptedPeer& p) {
    ReadRequest(p);
    p.Send(notice);
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors);
  c.SetCompression(true);
  c.SetActive(true);
  ASSERT_TRUE(c.Active());
  const ExchangeBounds bounds(5000, 4 * 1024);
  EXPECT_EQ(c.Version(), "");
  bounds.Check();
  EXPECT_FALSE(c.Active());
  EXPECT_TRUE(errors.Has("Connection lost"));
}

TEST_F(Connection, NoticesTrickledBeforeTheReplyDoNotHoldTheCommandPastItsTimeOut) {
  // Each notice comes well within the time-out; all of them do not.
  ScriptedPeer peer([](ScriptedPeer& p) {
    ReadRequest(p);
    for (int i = 0; i < 60; ++i) {
      p.Send(Frame("0301", "still busy"));
      ScriptedPeer::Pause(40);
    }
    p.Send(ReplyFrame("v1"));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors, 300);
  c.SetActive(true);
  const ExchangeBounds bounds(300, 16 * 1024);
  EXPECT_EQ(c.Version(), "");
  bounds.Check();
  EXPECT_FALSE(c.Active());
  EXPECT_TRUE(errors.Has("Connection lost"));
}

TEST_F(Connection, ReplyOutOfStepWithItsRequestLosesTheConnection) {
  // A second reply to the first command (or bytes past a reply's length)
  // would answer every later command with the one before's answer.
  const std::vector<std::string> firstAnswers{ReplyFrame("7") + ReplyFrame("8"),
                                              "00000001" "000000000000" "7" "stray bytes"};
  for (const std::string& first : firstAnswers) {
    SCOPED_TRACE(first);
    ScriptedPeer peer([&](ScriptedPeer& p) {
      ReadRequest(p);
      p.Send(first);
      if (!ReadRequest(p).empty()) p.Send(ReplyFrame("9"));
      p.AwaitClose();
    });
    TXbConnection c(nullptr);
    Errors reports;
    ToPeer(c, peer, reports);
    c.SetActive(true);
    EXPECT_EQ(c.RecCount(), 7);
    EXPECT_EQ(c.RecCount(), 0);
    EXPECT_TRUE(c.LastCommandFailed());
    EXPECT_FALSE(c.Active());
    EXPECT_TRUE(reports.Has("Connection lost"));
  }
}

TEST_F(Connection, NoticeBetweenCommandsKeepsTheConnectionInStep) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    ReadRequest(p);
    p.Send(ReplyFrame("7") + Frame("0301", "between"));
    ReadRequest(p);
    p.Send(ReplyFrame("9"));
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors);
  std::vector<String> messages;
  c.OnServerMessage = [&](TObject*, const String& m) { messages.push_back(m); };
  c.SetActive(true);
  EXPECT_EQ(c.RecCount(), 7);
  EXPECT_EQ(c.RecCount(), 9);
  EXPECT_TRUE(c.Active());
  EXPECT_TRUE(errors.list.empty());
  EXPECT_EQ(messages, std::vector<String>{"between"});
}

TEST_F(Connection, YesAnswersEndAtTheFirstZeroByteAndBadPropertiesReportConverting) {
  ScriptedPeer peer([](ScriptedPeer& p) {
    const std::vector<std::string> answers{std::string("Y\0rest", 6), std::string("\x01\0", 2),
                                           std::string("Y\0", 2), "not hex"};
    for (const std::string& a : answers) {
      if (ReadRequest(p).empty()) return;
      p.Send(ReplyFrame(a));
    }
    p.AwaitClose();
  });
  TXbConnection c(nullptr);
  ToPeer(c, peer, errors);
  c.SetActive(true);
  EXPECT_TRUE(c.Bof());
  EXPECT_TRUE(c.EvalLogical("X"));
  EXPECT_TRUE(c.EvalLogical("Y"));
  EXPECT_EQ(c.SysProp(1002, 0), 0);
  ASSERT_EQ(errors.list.size(), 1u);
  EXPECT_EQ(errors.list[0].first, "XbConnection.SysProp");
  EXPECT_EQ(errors.list[0].second, "Converting data");
  EXPECT_TRUE(c.Active());
}

TEST_F(Connection, OutcomeOfACommandLostAfterItsRequestIsUnknown) {
  ServerProcess server(dir.Path(), Args({"--drop-after", "3"}));
  auto c = Connect(server);
  ASSERT_GT(OpenItems(*c), 0);
  c->Commit();  // read by the server, never answered
  EXPECT_TRUE(c->LastCommandFailed());
  EXPECT_TRUE(c->LastOutcomeUnknown());
  c->Commit();  // nothing goes out now
  EXPECT_TRUE(c->LastCommandFailed());
  EXPECT_FALSE(c->LastOutcomeUnknown());
}

TEST_F(Connection, TestServerDiesWithTheProcessThatStartedIt) {
  // A test process that ends without stopping its server (a crash, a kill)
  // leaves nothing listening behind it.
  int ports[2];
  ASSERT_EQ(::pipe(ports), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ports[0]);
    std::uint16_t port = 0;
    try {
      port = (new ServerProcess(dir.Path()))->Port();  // never stopped
    } catch (...) {
    }
    (void)!::write(ports[1], &port, sizeof port);
    std::_Exit(0);
  }
  ::close(ports[1]);
  std::uint16_t port = 0;
  ASSERT_EQ(::read(ports[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
  ::close(ports[0]);
  ::waitpid(child, nullptr, 0);
  ASSERT_NE(port, 0);
  bool refused = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!refused && std::chrono::steady_clock::now() < until) {
    const int fd = net::NewSocket(SOCK_STREAM);
    ASSERT_GE(fd, 0);
    refused = net::Connect(fd, net::LoopbackAddress(), port, 1000) != 0;
    net::CloseSocket(fd);
    if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(refused);
}

}  // namespace
