// Tables reached through the test server (AccessMethod amServer) behave as
// tables on this machine do: the walks, ends, counts and edits of the local
// suite, with the record fetch coming in batches.
#include <gtest/gtest.h>

#include <memory>

#include "data_access/XbDSet.h"
#include "data_access/XbServerCursor.h"
#include "data_access/tests/ServerProcess.h"
#include "data_access/tests/TestTables.h"

namespace {

class ServerTable : public ::testing::Test {
protected:
  void SetUp() override {
    RequireEngine();
    server = std::make_unique<ServerProcess>(dir.Path(), std::vector<std::string>{"--user", "TESTER:secret"});
    conn = std::make_unique<TXbConnection>(nullptr);
    conn->OnError = [this](TObject*, const String& ctx, const String& msg) { errors.push_back(ctx + ": " + msg); };
    conn->SetPort(server->Port());
    conn->SetUser("tester");
    conn->SetLoginPassword("secret");
    conn->SetActive(true);
    ASSERT_TRUE(conn->LoggedIn());
  }
  void TearDown() override { EXPECT_TRUE(errors.empty()) << errors.front(); }
  std::unique_ptr<TXbTable> Open(const std::string& name, const std::function<void(TXbTable&)>& setup = {},
                                 int fetchCount = 2) {
    auto t = std::make_unique<TXbTable>(nullptr);
    t->SetAccessMethod(amServer);
    t->SetXbConnection(conn.get());
    t->SetDatabaseName("DATA");
    t->SetTableName(name);
    t->SetFetchCount(fetchCount);
    if (setup) setup(*t);
    t->Open();
    return t;
  }
  ScratchDir dir;
  std::unique_ptr<ServerProcess> server;
  std::unique_ptr<TXbConnection> conn;
  std::vector<String> errors;
};

TEST_F(ServerTable, WalkReadsEveryLiveRecordOnceAcrossBatches) {
  MakeTable(dir.Path(), "RMSPOOL.DBF", {{"SUBDIR", 'C', 20}, {"NAME", 'C', 10}},
            {{"Label1", "a"}, {"*", "Removed", "b"}, {"Label2", "c"}, {"PreLabel", "d"}, {"Last", "e"}});
  auto t = Open("RMSPOOL.DBF", [](TXbTable& t) { t.SetReadOnly(true); });
  EXPECT_EQ(WalkField(*t, "SubDir"), (std::vector<std::string>{"Label1", "Label2", "PreLabel", "Last"}));
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(t->FieldByName("SubDir")->AsString(), "Last");
  t->First();
  EXPECT_EQ(t->FieldByName("SubDir")->AsString(), "Label1");
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_FALSE(t->Eof());
}

TEST_F(ServerTable, EmptyTableIsAtBothEndsAtOnce) {
  MakeTable(dir.Path(), "EMPTY.DBF", {{"SUBDIR", 'C', 20}});
  auto t = Open("EMPTY.DBF");
  EXPECT_TRUE(t->Eof());
  EXPECT_TRUE(t->Bof());
  EXPECT_TRUE(t->IsEmpty());
  EXPECT_EQ(t->RecordCount(), 0);
}

TEST_F(ServerTable, PriorWalkAndMoveByRespectBothEnds) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}});
  auto t = Open("N.DBF");
  t->Last();
  std::vector<std::string> back;
  while (!t->Bof()) {
    back.push_back(t->FieldByName("V")->AsString());
    t->Prior();
  }
  EXPECT_EQ(back, (std::vector<std::string>{"5", "4", "3", "2", "1"}));
  EXPECT_EQ(t->MoveBy(2), 2);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "3");
  EXPECT_EQ(t->MoveBy(10), 2);
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(t->FieldByName("V")->AsString(), "5");
}

TEST_F(ServerTable, EndOfFileActionAndRecordNumbers) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}});
  auto moveLast = Open("N.DBF");
  EXPECT_EQ(moveLast->RecCount(), 3);
  EXPECT_EQ(moveLast->RecordCount(), 3);
  moveLast->SetPhysicalRecNo(4);
  EXPECT_EQ(moveLast->FieldByName("V")->AsString(), "3");
  EXPECT_EQ(moveLast->PhysicalRecNo(), 3);
  moveLast->SetPhysicalRecNo(2);
  EXPECT_EQ(moveLast->FieldByName("V")->AsString(), "2");
  moveLast->Next();
  EXPECT_EQ(moveLast->FieldByName("V")->AsString(), "3");

  auto atEof = Open("N.DBF", [](TXbTable& t) { t.SetEOFAction(eaEOF); });
  atEof->SetPhysicalRecNo(4);
  EXPECT_TRUE(atEof->FieldByName("V")->IsNull());
}

TEST_F(ServerTable, EditAppendAndDeleteReachTheFile) {
  MakeTable(dir.Path(), "LBL.DBF", {{"NAME", 'C', 10}, {"QTY", 'N', 5}}, {{"a", "1"}, {"b", "2"}, {"c", "3"}});
  {
    auto t = Open("LBL.DBF");
    t->Next();
    t->Edit();
    t->FieldByName("NAME")->SetAsString("bee");
    t->FieldByName("QTY")->SetAsInteger(22);
    t->Post();
    t->Append();
    t->FieldByName("NAME")->SetAsString("d");
    t->Post();
    t->First();
    t->Delete();
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "bee");  // on the record that followed
    t->First();
    EXPECT_EQ(WalkField(*t, "NAME"), (std::vector<std::string>{"bee", "c", "d"}));
  }
  EXPECT_EQ(ReadColumn(dir.Path() + "LBL.DBF", "NAME"),
            (std::vector<std::string>{"a         ", "bee       ", "c         ", "d         "}));
  EXPECT_EQ(ReadImages(dir.Path() + "LBL.DBF")[0][0], '*');
}

TEST_F(ServerTable, CreateTableMakesTheFileOnTheServer) {
  auto t = std::make_unique<TXbTable>(nullptr);
  t->SetAccessMethod(amServer);
  t->SetXbConnection(conn.get());
  t->SetDatabaseName("DATA");
  t->SetTableName("LOCKSPL.DBF");
  t->FieldDefs().Add("DUMMY", ftString, 10);
  t->CreateTable();
  t->Open();
  EXPECT_TRUE(t->Active());
  EXPECT_TRUE(t->Eof());
  EXPECT_TRUE(t->Flock());
  t->Close();
  EXPECT_EQ(ReadColumn(dir.Path() + "LOCKSPL.DBF", "DUMMY").size(), 0u);
}

TEST_F(ServerTable, MissingTableAndClosedConnectionFailTheOpen) {
  auto t = std::make_unique<TXbTable>(nullptr);
  t->SetAccessMethod(amServer);
  t->SetXbConnection(conn.get());
  t->SetDatabaseName("DATA");
  t->SetTableName("NOPE.DBF");
  try {
    t->Open();
    FAIL() << "opened a missing table";
  } catch (const EXbError& e) {
    EXPECT_EQ(String(e.Message()).rfind("Table does not exist.", 0), 0u);
  }
  conn->SetActive(false);
  auto fresh = std::make_unique<TXbTable>(nullptr);
  fresh->SetAccessMethod(amServer);
  fresh->SetXbConnection(conn.get());
  fresh->SetDatabaseName("DATA");
  fresh->SetTableName("NOPE.DBF");
  try {
    fresh->Open();
    FAIL() << "opened without a connection";
  } catch (const EXbError& e) {
    EXPECT_EQ(e.Message(), "Not connected");
  }
  // The table whose open failed before says the same: nothing of that
  // attempt is left to hide the closed connection.
  try {
    t->Open();
    FAIL() << "opened without a connection";
  } catch (const EXbError& e) {
    EXPECT_EQ(e.Message(), "Not connected");
  }
}

TEST_F(ServerTable, BatchesAreServedWithoutAskingTheServer) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 1; i <= 25; ++i) rows.push_back({std::to_string(i)});
  MakeTable(dir.Path(), "B.DBF", {{"V", 'C', 3}}, rows);
  auto t = Open("B.DBF", {}, 10);
  auto* cursor = dynamic_cast<TXbServerCursor*>(&t->Cursor());
  ASSERT_NE(cursor, nullptr);
  std::vector<std::string> seen = WalkField(*t, "V");
  ASSERT_EQ(seen.size(), 25u);
  EXPECT_EQ(seen.front(), "1");
  EXPECT_EQ(seen.back(), "25");
  // A value read in the middle of a batch comes from the record handed out,
  // not from where the batch left the server.
  t->First();
  t->Next();
  t->Next();
  EXPECT_EQ(t->PhysicalRecNo(), 3);
  t->SetSpeedMode(true);
  EXPECT_EQ(t->Cursor().GetTrimString("V"), "3");
}

}  // namespace
