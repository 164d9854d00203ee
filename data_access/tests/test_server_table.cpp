// Tables reached through the test server (AccessMethod amServer): edits
// reaching the server's file, creation there, a missing connection, rows
// served from a batch, and several tables sharing one connection (the last
// both ways). Walks, ends and counts are tested both ways in
// test_table_records.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "class_library/datasets/Fields.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbServerCursor.h"
#include "data_access/tests/BlobTestSupport.h"
#include "data_access/tests/IndexTestSupport.h"
#include "data_access/tests/TableAccess.h"

namespace {

using blobtest::StoredMemo;
using idxtest::ErrorOf;
using idxtest::WalkAll;

class ServerTable : public TableAccessTest {
protected:
  // A server of its own for the rest of the test, started with more switches.
  void Restart(const std::vector<std::string>& more) {
    conn->SetActive(false);
    std::vector<std::string> args{"--user", "TESTER:secret"};
    args.insert(args.end(), more.begin(), more.end());
    server = std::make_unique<ServerProcess>(dir.Path(), args);
    conn->SetPort(server->Port());
    conn->SetActive(true);
    ASSERT_TRUE(conn->LoggedIn());
  }
  bool Reported(const String& text) const {
    for (const String& e : connectionErrors)
      if (e.find(text) != String::npos) return true;
    return false;
  }
};
INSTANTIATE_TEST_SUITE_P(, ServerTable, ::testing::Values(amServer), AccessMethodName);

TEST_P(ServerTable, ChangeLostOnTheWayFailsThePostOrDeleteAndKeepsTheEdit) {
  // The connection breaks on the command that carries the record image, the
  // new record, the memo text, the blob bytes or the deletion.
  const char* codes[] = {"0499", "0473", "0501", "0498", "0477"};
  for (const char* code : codes) {
    SCOPED_TRACE(code);
    const std::string file = std::string("T") + code + ".DBF";
    blobtest::MakeMemoTable(dir.Path(), file, 2, {"stored"}, "PICT");
    Restart({"--drop-on", code});
    auto t = Open(file, [](TXbTable& t) { t.SetTableType(ttSXFOX); });
    const bool inserting = std::string(code) == "0473";
    if (std::string(code) == "0477") {
      EXPECT_THROW(t->Delete(), EXbError);
    } else {
      if (inserting)
        t->Append();
      else
        t->Edit();
      t->FieldByName("NAME")->SetAsString("changed");
      t->FieldByName("NOTES")->SetAsString("new memo");
      t->FieldByName("PICT")->SetAsString(std::string("\0\1", 2));
      EXPECT_THROW(t->Post(), EXbError);
      // The edit is kept: it can be posted again once the connection is back.
      EXPECT_EQ(t->State(), inserting ? dsInsert : dsEdit);
      EXPECT_EQ(t->FieldByName("NAME")->AsString(), "changed");
      EXPECT_TRUE(t->Modified());
    }
    EXPECT_TRUE(Reported("Connection lost"));
    t.reset();
    connectionErrors.clear();
    // Memo text goes before the blob bytes: a blob lost on the way leaves the
    // memo written.
    EXPECT_EQ(blobtest::StoredMemo(dir.Path() + file, 1, "NOTES"), std::string(code) == "0498" ? "new memo" : "stored");
    EXPECT_EQ(ReadImages(dir.Path() + file)[0][0], ' ');
  }
}

TEST_P(ServerTable, RecordThatCannotBeReadCannotBeEditedAndNothingIsWritten) {
  // The walk comes in batches; only the record read for the edit is cut short.
  for (const char* fault : {"--short-record", "--empty-record"}) {
    SCOPED_TRACE(fault);
    MakeTable(dir.Path(), "SR.DBF", {{"NAME", 'C', 10}, {"QTY", 'N', 5}},
              {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    const std::vector<std::string> before = ReadImages(dir.Path() + "SR.DBF");
    Restart({fault});
    auto t = Open("SR.DBF");
    int posted = 0, failed = 0;
    while (!t->Eof()) {
      try {
        t->Edit();
        t->FieldByName("QTY")->SetAsInteger(9);
        t->Post();
        ++posted;
      } catch (const EXbError& e) {
        ++failed;
        EXPECT_EQ(e.Message(), "The record could not be read from the server");
        EXPECT_EQ(t->State(), dsBrowse);
      }
      t->Next();
    }
    EXPECT_EQ(posted, 0);
    EXPECT_EQ(failed, 4);
    t.reset();
    connectionErrors.clear();
    EXPECT_EQ(ReadImages(dir.Path() + "SR.DBF"), before);
  }
}

// The connection drops after each number of commands in turn while two
// records are appended. Whatever the drop hits, the failure says what the
// server's file then holds, and the values follow each blank record at once.
TEST_P(ServerTable, AppendLostOnTheWaySaysWhatTheServerHolds) {
  const String notReached = "The change did not reach the server";
  const String blankLeft =
      "The server added the new record but its values did not reach the server: the record stays blank there";
  const String unknown =
      "The server did not answer the change in full: whether it was stored cannot be known. Open the table again "
      "once connected to see what the server holds";
  int blanks = 0;
  bool ranThrough = false;
  // The login is the first command.
  for (int drop = 2; drop < 80 && !ranThrough; ++drop) {
    SCOPED_TRACE(drop);
    MakeTable(dir.Path(), "AP.DBF", {{"NAME", 'C', 10}}, {{"old"}});
    Restart({"--drop-after", std::to_string(drop)});
    std::unique_ptr<TXbTable> t;
    try {
      t = Open("AP.DBF");
    } catch (const Exception&) {
    }
    if (!t || !conn->Active()) {  // dropped before the table was open
      t.reset();
      connectionErrors.clear();
      continue;
    }
    String failure;
    std::string posting;
    try {
      for (const char* name : {"one", "two"}) {
        posting = name;
        t->Append();
        t->FieldByName("NAME")->SetAsString(name);
        t->Post();
      }
    } catch (const EXbError& e) {
      failure = e.Message();
    }
    ranThrough = failure.empty() && conn->Active();
    t.reset();
    conn->SetActive(false);
    connectionErrors.clear();
    server.reset();  // the file as the server left it
    const std::vector<std::string> names = ReadColumn(dir.Path() + "AP.DBF", "NAME");
    const std::vector<std::string> images = ReadImages(dir.Path() + "AP.DBF");
    const bool blankAtEnd = names.size() > 1 && names.back() == "          ";
    blanks += blankAtEnd ? 1 : 0;
    if (failure.empty()) {
      EXPECT_EQ(names, (std::vector<std::string>{"old       ", "one       ", "two       "}));
    } else if (failure == notReached) {
      EXPECT_FALSE(blankAtEnd);
      EXPECT_NE(names.back(), (posting + "       ").substr(0, 10));
    } else if (failure == blankLeft) {
      EXPECT_TRUE(blankAtEnd);
    } else {
      EXPECT_EQ(failure, unknown);
    }
    // Whatever is there is whole: no record of another's bytes or of zeros.
    for (const std::string& image : images) EXPECT_EQ(image[0], ' ');
    // Once connected again, a table opened anew shows what the file holds.
    server = std::make_unique<ServerProcess>(dir.Path(), std::vector<std::string>{"--user", "TESTER:secret"});
    conn->SetPort(server->Port());
    conn->SetActive(true);
    auto again = Open("AP.DBF");
    std::vector<std::string> trimmed;
    for (const std::string& n : names) trimmed.push_back(n.substr(0, n.find_last_not_of(' ') + 1));
    EXPECT_EQ(WalkField(*again, "NAME"), trimmed);
  }
  EXPECT_TRUE(ranThrough);
  // The first append reads the new record's bytes once; the values then go
  // in the next exchange, and in the one right after the second blank record.
  EXPECT_LE(blanks, 3);
}

TEST_P(ServerTable, RefusedOpenSaysSoAndKeepsTheText) {
  // The file is there but is no table the server can open.
  {
    std::ofstream(dir.Path() + "BAD.DBF") << "no table at all, not even a header";
  }
  auto t = Make("BAD.DBF");
  try {
    t->Open();
    FAIL() << "opened a file that is no table";
  } catch (const EXbError& e) {
    EXPECT_EQ(String(e.Message()).rfind("Unable to open table.\rFile: ", 0), 0u) << e.Message();
    EXPECT_EQ(t->LastErrorText(), e.Message());
  }
  // Without a login the refusal asks for one, and the text is kept too.
  conn->SetActive(false);
  server = std::make_unique<ServerProcess>(dir.Path());
  conn->SetUser("");
  conn->SetPort(server->Port());
  conn->SetActive(true);
  ASSERT_TRUE(conn->Active());
  auto u = Make("BAD.DBF");
  try {
    u->Open();
    FAIL() << "opened a file that is no table";
  } catch (const EXbError& e) {
    EXPECT_EQ(e.Message(), "Must include User Name and Password to open table through the xBase Database Server");
    EXPECT_EQ(u->LastErrorText(), e.Message());
  }
  connectionErrors.clear();
}

TEST_P(ServerTable, ChangedFetchCountReachesTheTableOpenedAgain) {
  MakeTable(dir.Path(), "FC.DBF", {{"V", 'C', 3}}, {{"1"}, {"2"}});
  auto t = Open("FC.DBF");
  EXPECT_EQ(dynamic_cast<TXbServerCursor&>(t->Cursor()).FetchCount(), 3);
  t->Close();
  t->SetFetchCount(7);
  t->Open();
  EXPECT_EQ(dynamic_cast<TXbServerCursor&>(t->Cursor()).FetchCount(), 7);
}

TEST_P(ServerTable, YesNoDaysAndDateTextAreReplacedAsTheirValues) {
  MakeTable(dir.Path(), "RP.DBF", {{"OK", 'L', 1}, {"DAY", 'D', 8}, {"WHEN", 'D', 8}}, {{"F", "", ""}});
  auto t = Open("RP.DBF");
  TXbCursor& c = t->Cursor();
  const std::int32_t yes = 1;
  const std::int32_t day = 2451545;  // 1 January 2000
  c.Replace("OK", 4, &yes);
  c.Replace("DAY", 16, &day);
  c.Replace("WHEN", 32, "02/03/2001");
  c.Commit();
  t.reset();
  EXPECT_TRUE(conn->Active());
  EXPECT_EQ(ReadColumn(dir.Path() + "RP.DBF", "OK"), std::vector<std::string>{"T"});
  EXPECT_EQ(ReadColumn(dir.Path() + "RP.DBF", "DAY"), std::vector<std::string>{"20000101"});
  EXPECT_EQ(ReadColumn(dir.Path() + "RP.DBF", "WHEN"), std::vector<std::string>{"20010203"});
}

TEST_P(ServerTable, EditAppendAndDeleteReachTheFile) {
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

TEST_P(ServerTable, CreateTableMakesTheFileOnTheServer) {
  auto t = Make("LOCKSPL.DBF");
  t->FieldDefs().Add("DUMMY", ftString, 10);
  t->CreateTable();
  t->Open();
  EXPECT_TRUE(t->Active());
  EXPECT_TRUE(t->Eof());
  EXPECT_TRUE(t->Flock());
  t->Close();
  EXPECT_EQ(ReadColumn(dir.Path() + "LOCKSPL.DBF", "DUMMY").size(), 0u);
}

TEST_P(ServerTable, MissingTableAndClosedConnectionFailTheOpen) {
  auto t = Make("NOPE.DBF");
  try {
    t->Open();
    FAIL() << "opened a missing table";
  } catch (const EXbError& e) {
    EXPECT_EQ(String(e.Message()).rfind("Table does not exist.", 0), 0u);
  }
  conn->SetActive(false);
  auto fresh = Make("NOPE.DBF");
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

TEST_P(ServerTable, BatchesAreServedWithoutAskingTheServer) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 1; i <= 25; ++i) rows.push_back({std::to_string(i)});
  MakeTable(dir.Path(), "B.DBF", {{"V", 'C', 3}}, rows);
  auto t = Open("B.DBF", [](TXbTable& t) { t.SetFetchCount(10); });
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

TEST_P(ServerTable, TableOfAnEndedSessionNeverReachesATableOfTheNextOne) {
  // Two tables of the same record size: the work area number the first one
  // had in the ended session is the one the second gets in the new session.
  MakeTable(dir.Path(), "A.DBF", {{"V", 'C', 3}}, {{"a1"}, {"a2"}});
  MakeTable(dir.Path(), "B.DBF", {{"V", 'C', 3}}, {{"b1"}, {"b2"}});
  auto a = Open("A.DBF");
  conn->SetActive(false);
  conn->SetActive(true);
  ASSERT_TRUE(conn->LoggedIn());
  auto b = Open("B.DBF");
  EXPECT_EQ(ErrorOf([&] { a->Next(); }), "The server session this table was opened in has ended");
  EXPECT_EQ(ErrorOf([&] { a->Edit(); }), "The server session this table was opened in has ended");
  std::vector<std::string> seen;
  try {
    a->First();
    seen = WalkField(*a, "V");
  } catch (const Exception&) {
  }
  EXPECT_TRUE(std::find(seen.begin(), seen.end(), "b1") == seen.end());
  try {
    a->First();
    a->Edit();
    a->FieldByName("V")->SetAsString("zz");
    a->Post();
  } catch (const Exception&) {
  }
  try {
    a->Delete();
  } catch (const Exception&) {
  }
  a.reset();
  connectionErrors.clear();
  EXPECT_EQ(WalkField(*b, "V"), (std::vector<std::string>{"b1", "b2"}));
  EXPECT_EQ(ReadColumn(dir.Path() + "B.DBF", "V"), (std::vector<std::string>{"b1 ", "b2 "}));
  EXPECT_EQ(ReadImages(dir.Path() + "B.DBF")[0][0], ' ');
  EXPECT_EQ(ReadColumn(dir.Path() + "A.DBF", "V"), (std::vector<std::string>{"a1 ", "a2 "}));
}

// Several tables of one connection (over the server) or of one engine (on
// this machine): each walk, read and edit must keep to its own table while
// the others move, whatever batch of rows each holds.
class SharedConnection : public TableAccessTest {};
TW_TABLE_TESTS_BOTH_WAYS(SharedConnection);

TEST_P(SharedConnection, InterleavedWalksReadsAndEditsKeepToTheirOwnTables) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 1; i <= 7; ++i) rows.push_back({std::to_string(i)});
  MakeTable(dir.Path(), "A.DBF", {{"V", 'C', 3}}, rows);
  const std::string memos =
      blobtest::MakeMemoTable(dir.Path(), "B.DBF", 2, {"m1", "m2", "m3", "m4", "m5", "m6", "m7"});
  auto a = Open("A.DBF");
  auto b = Open("B.DBF", [](TXbTable& t) {
    t.SetTableType(ttSXFOX);
    t.SetFetchCount(2);
  });
  TField* v = a->FieldByName("V");
  TField* name = b->FieldByName("NAME");
  TField* notes = b->FieldByName("NOTES");

  std::vector<std::string> forth;
  while (!a->Eof() && !b->Eof() && forth.size() < 20) {
    forth.push_back(v->AsString() + name->AsString() + notes->AsString());
    a->Next();
    b->Next();
  }
  EXPECT_EQ(forth, (std::vector<std::string>{"1r1m1", "2r2m2", "3r3m3", "4r4m4", "5r5m5", "6r6m6", "7r7m7"}));

  a->Last();
  b->First();
  std::vector<std::string> crossed;
  while (!a->Bof() && !b->Eof() && crossed.size() < 20) {
    crossed.push_back(v->AsString() + notes->AsString() + name->AsString());
    a->Prior();
    b->Next();
  }
  EXPECT_EQ(crossed, (std::vector<std::string>{"7m1r1", "6m2r2", "5m3r3", "4m4r4", "3m5r5", "2m6r6", "1m7r7"}));

  // Edits of both, posted one after the other, each reach their own record.
  a->First();
  a->Next();
  b->Last();
  a->Edit();
  b->Edit();
  v->SetAsString("two");
  notes->SetAsString("seventh");
  EXPECT_EQ(notes->AsString(), "seventh");
  a->Post();
  b->FieldByName("NAME")->SetAsString("last");
  b->Post();
  EXPECT_EQ(v->AsString(), "two");
  EXPECT_EQ(name->AsString(), "last");
  a->Next();
  b->Prior();
  EXPECT_EQ(v->AsString(), "3");
  EXPECT_EQ(notes->AsString(), "m6");
  a.reset();
  b.reset();
  EXPECT_EQ(ReadColumn(dir.Path() + "A.DBF", "V")[1], "two");
  EXPECT_EQ(StoredMemo(memos, 7, "NOTES"), "seventh");
  EXPECT_EQ(StoredMemo(memos, 6, "NOTES"), "m6");
  EXPECT_EQ(ReadColumn(dir.Path() + "B.DBF", "NAME")[6], "last      ");
}

TEST_P(SharedConnection, ChangesMadeThroughAnotherTableShowAfterARefresh) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 1; i <= 9; ++i) rows.push_back({std::to_string(i)});
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 3}}, rows);
  auto a = Open("N.DBF");
  auto b = Open("N.DBF");
  a->First();
  a->Next();
  ASSERT_EQ(a->FieldByName("V")->AsString(), "2");
  // The other table changes the next record and one further on.
  for (int recNo : {3, 8}) {
    b->SetPhysicalRecNo(recNo);
    b->Edit();
    b->FieldByName("V")->SetAsString("x" + std::to_string(recNo));
    b->Post();
  }
  // Whatever rows the first table held are read again.
  a->Refresh();
  EXPECT_EQ(a->FieldByName("V")->AsString(), "2");
  EXPECT_EQ(WalkField(*a, "V"), (std::vector<std::string>{"2", "x3", "4", "5", "6", "7", "x8", "9"}));
  a->Last();
  b->SetPhysicalRecNo(5);
  b->Delete();
  a->Refresh();
  EXPECT_EQ(a->FieldByName("V")->AsString(), "9");
  a->First();
  EXPECT_EQ(WalkField(*a, "V"), (std::vector<std::string>{"1", "2", "x3", "4", "6", "7", "x8", "9"}));
}

TEST_P(SharedConnection, ChangeOfThePostedRecordByAnotherClientShowsAfterARefresh) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 1; i <= 9; ++i) rows.push_back({"r" + std::to_string(i)});
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 3}}, rows);
  auto mine = Open("N.DBF");
  // Over the server the other table is another client's.
  const std::unique_ptr<TXbConnection> second = OverServer() ? NewConnection() : nullptr;
  const std::unique_ptr<TXbTable> theirs = Make("N.DBF", second.get());
  theirs->Open();
  mine->First();
  for (int i = 1; i < 5; ++i) mine->Next();
  mine->Edit();
  mine->FieldByName("V")->SetAsString("m5");
  mine->Post();
  ASSERT_EQ(mine->PhysicalRecNo(), 5);
  // The other client changes the record just posted and both its neighbours.
  for (int recNo : {5, 6, 4}) {
    theirs->SetPhysicalRecNo(recNo);
    theirs->Edit();
    theirs->FieldByName("V")->SetAsString("t" + std::to_string(recNo));
    theirs->Post();
  }
  mine->Refresh();
  EXPECT_EQ(mine->PhysicalRecNo(), 5);
  EXPECT_EQ(mine->FieldByName("V")->AsString(), "t5");
  mine->Next();
  EXPECT_EQ(mine->FieldByName("V")->AsString(), "t6");
  mine->Prior();
  mine->Prior();
  EXPECT_EQ(mine->FieldByName("V")->AsString(), "t4");
  // And once more without a post before it.
  theirs->SetPhysicalRecNo(4);
  theirs->Edit();
  theirs->FieldByName("V")->SetAsString("u4");
  theirs->Post();
  mine->Refresh();
  EXPECT_EQ(mine->FieldByName("V")->AsString(), "u4");
}

// An encrypted table opened with, without and with a wrong password: the
// records show only with the right one, and no change is taken without it.
class TablePassword : public TableAccessTest {
protected:
  void SetUp() override {
    TableAccessTest::SetUp();
    MakeTable(dir.Path(), "SECRET.DBF", {{"NAME", 'C', 6}, {"QTY", 'N', 5}}, {{"alpha", "12"}, {"beta", "7"}});
    const std::string path = dir.Path() + "SECRET.DBF";
    const short area = xbe::xb_UseEx(path.c_str(), "SECRETX", 2, 2, 1);
    ASSERT_GT(area, 0);
    xbe::xb_SetPassword("open sesame");
    ASSERT_NE(xbe::xb_DbfEncrypt(), 0);
    xbe::xb_Close();
  }
};
TW_TABLE_TESTS_BOTH_WAYS(TablePassword);

TEST_P(TablePassword, EncryptedTableOpensWithWithoutAndWithAWrongPassword) {
  const String refused = "Invalid password for table: ";
  auto t = Make("SECRET.DBF");
  t->SetPassword("open sesame");
  t->Open();
  EXPECT_TRUE(t->IsEncrypted(0));
  EXPECT_EQ(WalkAll(*t, "NAME"), (std::vector<std::string>{"alpha", "beta"}));
  t->First();
  t->Edit();
  t->FieldByName("QTY")->SetAsInteger(13);
  t->Post();
  t->Close();

  // Without the password: masked, and no change is taken.
  t->SetPassword("");
  t->Open();
  EXPECT_EQ(WalkAll(*t, "NAME"), (std::vector<std::string>{"******", "******"}));
  t->First();
  EXPECT_EQ(t->FieldByName("QTY")->AsInteger(), 0);
  EXPECT_ANY_THROW(t->Edit());
  // The right password given to the open table shows the records.
  t->SetPassword("open sesame");
  EXPECT_EQ(WalkAll(*t, "QTY"), (std::vector<std::string>{"13", "7"}));
  if (OverServer()) {
    // The server takes a password for an open table without an answer, so
    // it cannot be told from a wrong one: no change goes out until an open
    // has confirmed it.
    t->First();
    t->Edit();
    t->FieldByName("QTY")->SetAsInteger(14);
    EXPECT_EQ(ErrorOf([&] { t->Post(); }).rfind("The server did not confirm the password", 0), 0u);
    EXPECT_EQ(t->State(), dsEdit);
    t->Cancel();
    EXPECT_EQ(ErrorOf([&] { t->Delete(); }).rfind("The server did not confirm the password", 0), 0u);
    EXPECT_EQ(ErrorOf([&] {
                t->Append();
                t->Post();
              }).rfind("The server did not confirm the password", 0),
              0u);
    t->Cancel();
  }
  // A wrong one masks them again; on this machine it is an error too.
  const String wrong = ErrorOf([&] { t->SetPassword("guess"); });
  if (!OverServer()) {
    EXPECT_EQ(wrong.rfind(refused, 0), 0u);
  }
  EXPECT_EQ(WalkAll(*t, "NAME"), (std::vector<std::string>{"******", "******"}));
  // A change is refused, one way or the other; none passes for stored.
  bool changeRefused = false;
  try {
    t->First();
    t->Edit();
    t->FieldByName("QTY")->SetAsInteger(99);
    t->Post();
  } catch (const Exception&) {
    changeRefused = true;
    t->Cancel();
  }
  EXPECT_TRUE(changeRefused);
  t->Close();

  EXPECT_EQ(ErrorOf([&] { t->Open(); }).rfind(refused, 0), 0u);
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->WorkArea(), 0);
  // Nothing of the refused open is left holding the table.
  t->SetPassword("open sesame");
  t->SetExclusive(true);
  t->Open();
  EXPECT_EQ(WalkAll(*t, "QTY"), (std::vector<std::string>{"13", "7"}));
  EXPECT_EQ(t->RecordCount(), 2);
  // Opened with its password, the table takes changes again.
  t->First();
  t->Edit();
  t->FieldByName("QTY")->SetAsInteger(15);
  t->Post();
  EXPECT_EQ(WalkAll(*t, "QTY"), (std::vector<std::string>{"15", "7"}));
  // The password that open took is known to be right when it is given again.
  ErrorOf([&] { t->SetPassword("guess"); });
  t->SetPassword("open sesame");
  t->First();
  t->Edit();
  t->FieldByName("QTY")->SetAsInteger(16);
  t->Post();
  EXPECT_EQ(WalkAll(*t, "QTY"), (std::vector<std::string>{"16", "7"}));
}

}  // namespace
