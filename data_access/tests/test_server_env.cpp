// The settings component applied to the engine on this machine and, through
// the connection, to the test server's session: every setter must reach the
// engine that serves the table and change what it answers there, tables that
// are open must show the change, and one session's settings must not reach
// another session's tables.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbEnv.h"
#include "data_access/tests/TableAccess.h"

namespace {

// The engine settings of this process, read and put back: each set call
// answers the previous value.
struct LocalSettings {
  int epoch, century, softSeek, exact, deleted, lockTimeout, dateFormat;
  static LocalSettings Read() {
    LocalSettings s{};
    s.epoch = xbe::xb_SetEpoch(1980);
    s.century = xbe::xb_SetCentury(-1);
    s.softSeek = xbe::xb_SetSoftSeek(0);
    s.exact = xbe::xb_SetExact(0);
    s.deleted = xbe::xb_SetDeleted(-1);
    s.lockTimeout = xbe::xb_SetLockTimeout(1);
    s.dateFormat = xbe::xb_GetDateFormat();
    s.Write();
    return s;
  }
  void Write() const {
    xbe::xb_SetEpoch(static_cast<short>(epoch));
    xbe::xb_SetCentury(century);
    xbe::xb_SetSoftSeek(softSeek);
    xbe::xb_SetExact(exact);
    xbe::xb_SetDeleted(deleted);
    xbe::xb_SetLockTimeout(lockTimeout);
    xbe::xb_SetDateFormat(dateFormat);
    xbe::xb_SetMemoBlockSize(64);
  }
};

// The block size written into the header of a memo file (FPT: bytes 6 and 7,
// high byte first).
int MemoFileBlockSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char h[8] = {};
  if (!in.read(reinterpret_cast<char*>(h), 8)) return -1;
  return h[6] << 8 | h[7];
}

class EnvBothWays : public TableAccessTest {
protected:
  void SetUp() override {
    TableAccessTest::SetUp();
    saved = FormatSettings;
    local = LocalSettings::Read();
    // The component sits in a data module: tables find it there at open,
    // and it finds them there to refresh them.
    module = std::make_unique<TDataModule>(nullptr);
    env = new TXbEnv(module.get());
    env->SetApplyTo(ApplyToBit(OverServer() ? atServer : atLocal));
    env->SetXbConnection(conn.get());
  }
  void TearDown() override {
    module.reset();
    FormatSettings = saved;
    local.Write();
    TableAccessTest::TearDown();
  }
  TXbTable* AddTable(const std::string& file) {
    auto* t = new TXbTable(module.get());
    Place(*t);
    t->SetTableName(file);
    return t;
  }
  // Values of the table's current record the engine works out itself.
  static bool Logical(TXbTable& t, const String& expr) { return t.Cursor().EvalLogical(expr); }
  static String Textual(TXbTable& t, const String& expr) { return t.Cursor().EvalString(expr); }

  TFormatSettings saved;
  LocalSettings local{};
  std::unique_ptr<TDataModule> module;
  TXbEnv* env = nullptr;
};
TW_TABLE_TESTS_BOTH_WAYS(EnvBothWays);

TEST_P(EnvBothWays, EverySetterChangesWhatTheTablesEngineAnswers) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 10}, {"D", 'D', 8}},
            {{"ab", "20240305"}, {"abc", "19991231"}, {"*", "gone", "20000101"}, {"b", ""}});
  TXbTable* t = AddTable("T.DBF");
  t->Open();

  // Deleted records: the component's default shows them, the table took it
  // at its open; hiding them refreshes the open table.
  EXPECT_EQ(WalkField(*t, "NAME"), (std::vector<std::string>{"ab", "abc", "gone", "b"}));
  env->SetDeleted(true);
  t->First();
  EXPECT_EQ(WalkField(*t, "NAME"), (std::vector<std::string>{"ab", "abc", "b"}));
  EXPECT_EQ(t->Count(), 3);

  // Exact matching of texts.
  t->First();
  t->Next();
  ASSERT_EQ(t->FieldByName("NAME")->AsString(), "abc");
  EXPECT_TRUE(Logical(*t, "NAME = 'ab'"));
  env->SetExact(true);
  EXPECT_FALSE(Logical(*t, "NAME = 'ab'"));
  env->SetExact(false);
  EXPECT_TRUE(Logical(*t, "NAME = 'ab'"));

  // Date format and century: the engine's date texts follow them, as do the
  // process's own.
  t->First();
  env->SetDateFormat(dfGerman);
  EXPECT_EQ(t->Cursor().GetDateString("D"), "05.03.2024");
  EXPECT_EQ(ShortDateFormat(), "dd.mm.yyyy");
  env->SetCentury(false);
  EXPECT_EQ(t->Cursor().GetDateString("D"), "05.03.24");
  EXPECT_EQ(Textual(*t, "DTOC(D)"), "05.03.24");
  env->SetDateFormat(dfAnsi);
  EXPECT_EQ(t->Cursor().GetDateString("D"), "24.03.05");
  EXPECT_EQ(ShortDateFormat(), "yy.mm.dd");
  env->SetDateFormat(dfAmerican);
  env->SetCentury(true);
  EXPECT_EQ(t->Cursor().GetDateString("D"), "03/05/2024");
  EXPECT_EQ(t->FieldByName("D")->AsString(), "03/05/2024");

  // The century window of two-digit years.
  env->SetCentury(false);
  EXPECT_EQ(Textual(*t, "DTOS(CTOD('02/01/30'))"), "20300201");
  env->SetEpoch(1920);
  EXPECT_EQ(Textual(*t, "DTOS(CTOD('02/01/30'))"), "19300201");
  env->SetEpoch(0);  // stored as 1900
  EXPECT_EQ(env->Epoch(), 1900);
  EXPECT_EQ(Textual(*t, "DTOS(CTOD('02/01/99'))"), "19990201");
  env->SetCentury(true);

  // Soft seek: a key that is missing lands on the next one, or at the end.
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  EXPECT_FALSE(t->Cursor().Seek("aa"));
  EXPECT_TRUE(t->Cursor().Eof());
  env->SetSoftSeek(true);
  EXPECT_FALSE(t->Cursor().Seek("aa"));
  EXPECT_FALSE(t->Cursor().Eof());
  EXPECT_EQ(t->Cursor().GetTrimString("NAME"), "ab");
  env->SetSoftSeek(false);
  t->First();

  // Lock time-out: sent without a reply, so the next exchanges must still
  // get their own answers.
  env->SetLockTimeOut(0);
  env->SetLockTimeOut(2);
  EXPECT_EQ(env->LockTimeOut(), 2);
  EXPECT_EQ(t->RecCount(), 4);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "ab");

  // Memo block size: memo files made from now on use it.
  env->SetMemoBlockSize(512);
  TXbTable* made = AddTable("MEMO.DBF");
  made->SetTableType(ttSXFOX);
  made->FieldDefs().Add("NOTES", ftMemo);
  made->CreateTable();
  EXPECT_EQ(MemoFileBlockSize(dir.Path() + "MEMO.FPT"), 512);
  env->SetMemoBlockSize(64);
  TXbTable* small = AddTable("SMALL.DBF");
  small->SetTableType(ttSXFOX);
  small->FieldDefs().Add("NOTES", ftMemo);
  small->CreateTable();
  EXPECT_EQ(MemoFileBlockSize(dir.Path() + "SMALL.FPT"), 64);
}

TEST_P(EnvBothWays, TableOpenedLaterTakesTheSettingsAtItsOpen) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 10}, {"D", 'D', 8}}, {{"abc", "20240305"}, {"*", "gone", ""}});
  env->SetDeleted(true);
  env->SetExact(true);
  env->SetDateFormat(dfGerman);
  env->SetCentury(false);
  TXbTable* t = AddTable("T.DBF");
  t->Open();
  EXPECT_EQ(WalkField(*t, "NAME"), (std::vector<std::string>{"abc"}));
  t->First();
  EXPECT_FALSE(Logical(*t, "NAME = 'ab'"));
  EXPECT_EQ(t->Cursor().GetDateString("D"), "05.03.24");

  // The system's own date format: a table opened with it must not keep the
  // German one.
  env->SetDateFormat(dfWinDefault);
  const String winDefault = t->Cursor().GetDateString("D");
  if (OverServer())
    conn->SetDateFormat(dfGerman);
  else
    xbe::xb_SetDateFormat(dfGerman);
  ASSERT_NE(t->Cursor().GetDateString("D"), winDefault);
  t->Close();
  t->Open();
  EXPECT_EQ(t->Cursor().GetDateString("D"), winDefault);
}

// Settings changed by one client apply to its own session only: another
// client of the same server keeps its own.
class ServerSessions : public TableAccessTest {};
INSTANTIATE_TEST_SUITE_P(, ServerSessions, ::testing::Values(amServer), AccessMethodName);

TEST_P(ServerSessions, EachSessionKeepsItsOwnSettings) {
  const TFormatSettings saved = FormatSettings;
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 10}, {"D", 'D', 8}}, {{"abc", "20240305"}, {"*", "gone", ""}});
  // A component no table finds: it changes the first session only.
  TXbEnv env(nullptr);
  env.SetApplyTo(ApplyToBit(atServer));
  env.SetXbConnection(conn.get());
  auto mine = Open("T.DBF");
  env.SetDeleted(false);
  env.SetExact(true);
  env.SetDateFormat(dfGerman);

  // A second client opens the table with the defaults, which hide deleted
  // records, and changes its own date format.
  const std::unique_ptr<TXbConnection> other = NewConnection();
  ASSERT_TRUE(other->LoggedIn());
  const std::unique_ptr<TXbTable> theirs = Make("T.DBF", other.get());
  theirs->Open();
  EXPECT_TRUE(theirs->Cursor().EvalLogical("NAME = 'ab'"));
  other->SetCentury(false);
  other->SetDateFormat(2);  // British

  // The first session is as it left itself.
  mine->Refresh();
  mine->First();
  EXPECT_EQ(WalkField(*mine, "NAME"), (std::vector<std::string>{"abc", "gone"}));
  mine->First();
  EXPECT_FALSE(mine->Cursor().EvalLogical("NAME = 'ab'"));
  EXPECT_EQ(mine->Cursor().GetDateString("D"), "05.03.2024");
  EXPECT_NE(conn->SysProp(XB_PROP_GET_EXACT, 0), 0);
  // And so is the second.
  EXPECT_EQ(theirs->Cursor().GetDateString("D"), "05/03/24");
  theirs->Refresh();
  theirs->First();
  EXPECT_EQ(WalkField(*theirs, "NAME"), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(other->SysProp(XB_PROP_GET_EXACT, 0), 0);
  theirs->Close();
  FormatSettings = saved;
}

TEST_P(ServerSessions, LocksOfAClientThatGoesAreGivenBack) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 8}}, {{"a"}, {"b"}});
  auto mine = Open("T.DBF");
  mine->Edit();
  mine->FieldByName("NAME")->SetAsString("mine");

  const std::unique_ptr<TXbConnection> other = NewConnection();
  ASSERT_TRUE(other->LoggedIn());
  other->SetLockTimeOut(0);
  const std::unique_ptr<TXbTable> theirs = Make("T.DBF", other.get());
  theirs->Open();
  try {
    theirs->Edit();
    ADD_FAILURE() << "edited a record another client holds";
  } catch (const EXbError& e) {
    EXPECT_EQ(e.Message(), "Record Lock Failure. May be locked by another user or task.");
  }
  // The first client goes without posting: its session ends, its tables are
  // closed and its lock given back.
  conn->SetActive(false);
  theirs->Edit();
  theirs->FieldByName("NAME")->SetAsString("theirs");
  theirs->Post();
  theirs->Close();
  mine.reset();
  connectionErrors.clear();
  EXPECT_EQ(ReadColumn(dir.Path() + "T.DBF", "NAME"), (std::vector<std::string>{"theirs  ", "b       "}));
}

TEST_P(ServerSessions, InactiveConnectionIsPassedOverAndLocalOnlySettingsStayLocal) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 10}}, {{"abc"}});
  TXbEnv env(nullptr);
  env.SetApplyTo(ApplyToBit(atServer));
  env.SetXbConnection(conn.get());
  env.SetAutoRefresh(false);
  conn->SetActive(false);
  env.SetExact(true);  // kept, nothing sent, no report
  env.SetLockTimeOut(5);
  EXPECT_TRUE(env.Exact());
  EXPECT_EQ(env.LockTimeOut(), 5);
  EXPECT_TRUE(connectionErrors.empty());
  conn->SetActive(true);
  ASSERT_TRUE(conn->LoggedIn());
  // What was kept reaches the server once the connection is back.
  EXPECT_NE(conn->SysProp(XB_PROP_GET_EXACT, 0), 0);
  EXPECT_TRUE(connectionErrors.empty());
  env.SetExact(false);
  EXPECT_EQ(conn->SysProp(XB_PROP_GET_EXACT, 0), 0);
  env.SetExact(true);
  EXPECT_NE(conn->SysProp(XB_PROP_GET_EXACT, 0), 0);
  // Optimistic buffering belongs to this machine's engine only.
  env.SetOptimisticBuffer(true);
  EXPECT_FALSE(env.OptimisticBuffer());
  EXPECT_EQ(conn->SysProp(XB_PROP_GET_OPTIMISTIC, 0), 0);
}

TEST_P(ServerSessions, SettingsGivenBeforeASessionReachItWhenItOpens) {
  const TFormatSettings saved = FormatSettings;
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 10}, {"D", 'D', 8}}, {{"abc", "20240305"}});
  TXbEnv env(nullptr);
  env.SetApplyTo(ApplyToBit(atServer));
  env.SetXbConnection(conn.get());
  env.SetAutoRefresh(false);
  // One given in the session that ends, one while there is none.
  env.SetExact(true);
  env.SetDateFormat(dfGerman);
  const bool hidden = conn->SysProp(XB_PROP_GET_DELETED, 0) != 0;
  {
    // A component that goes before the next session is not asked.
    TXbEnv gone(nullptr);
    gone.SetApplyTo(ApplyToBit(atServer));
    gone.SetXbConnection(conn.get());
    gone.SetEpoch(1950);
  }
  conn->SetActive(false);
  env.SetDeleted(!hidden);
  conn->SetActive(true);
  ASSERT_TRUE(conn->LoggedIn());
  EXPECT_TRUE(connectionErrors.empty());
  EXPECT_NE(conn->SysProp(XB_PROP_GET_EXACT, 0), 0);
  EXPECT_EQ(conn->SysProp(XB_PROP_GET_DELETED, 0) != 0, !hidden);
  auto t = Open("T.DBF");
  EXPECT_EQ(t->Cursor().GetDateString("D"), "05.03.2024");
  EXPECT_FALSE(t->Cursor().EvalLogical("NAME = 'ab'"));
  t->Close();
  FormatSettings = saved;
}

}  // namespace
