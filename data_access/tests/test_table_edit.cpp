// Editing tables: record locks, posting exactly the locked record, keeping
// the bytes of untouched fields, inserts, cancels and deletes.
#include <gtest/gtest.h>

#include <memory>

#include "class_library/core/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/TableAccess.h"
#include "data_access/tests/TestTables.h"

namespace {

// Opens path in a work area of its own, as another program would.
class OtherArea {
public:
  explicit OtherArea(const std::string& path) {
    area_ = xbe::xb_UseEx(path.c_str(), "OTHERAPP", 0, 2, 1);
    if (area_ <= 0) throw std::runtime_error("cannot open " + path);
    xbe::xb_SetLockTimeout(0);
  }
  ~OtherArea() {
    xbe::xb_Select(area_);
    xbe::xb_Close();
  }
  bool TryLock(int recNo) {
    xbe::xb_Select(area_);
    bool granted = xbe::xb_Rlock(recNo) != 0;
    if (granted) xbe::xb_Unlock(recNo);
    return granted;
  }
  void Put(int recNo, const std::string& field, const std::string& text) {
    xbe::xb_Select(area_);
    xbe::xb_Go(recNo);
    xbe::xb_PutString(field.c_str(), text.c_str());
    xbe::xb_Commit();
  }

private:
  short area_ = 0;
};

// Reaches the table's own storage steps directly.
class ProbeTable : public TXbTable {
public:
  using TXbTable::TXbTable;
  using TXbTable::AddRecordBuffer;
  using TXbTable::DeleteRecord;
  using TXbTable::PostRecord;
};

class TableEdit : public TableAccessTest {
protected:
  std::string Path(const std::string& name) const { return dir.Path() + name; }
};

// RM's label printer definition: 39 fields that get fixed values and more
// fields behind them whose stored bytes must survive the rewrite untouched.
std::vector<TestField> LabelDefinitionFields() {
  std::vector<TestField> fields;
  const std::vector<int> booleans = {22, 31, 34, 37, 38};
  for (int i = 0; i < 39; ++i) {
    std::string name = "F" + std::to_string(i);
    if (std::find(booleans.begin(), booleans.end(), i) != booleans.end())
      fields.push_back({name, 'L', 1});
    else
      fields.push_back({name, 'N', i % 2 ? 3 : 5});
  }
  fields.push_back({"BIG", 'N', 20, 4});
  fields.push_back({"ODDNUM", 'N', 6});
  fields.push_back({"YES", 'L', 1});
  fields.push_back({"BADDATE", 'D', 8});
  fields.push_back({"NOTE", 'C', 12});
  fields.push_back({"RATE", 'N', 7, 3});
  return fields;
}

TEST_P(TableEdit, LabelDefinitionRewriteTouchesOnlyTheFirst39FieldsAndHoldsTheLockMeanwhile) {
  const auto fields = LabelDefinitionFields();
  std::vector<std::string> first(39, "7"), second(39, "1");
  for (int i : {22, 31, 34, 37, 38}) first[static_cast<size_t>(i)] = second[static_cast<size_t>(i)] = "T";
  for (const char* extra : {"1234567890.1234", "  abc", "Y", "20091399", " keep  this ", "  1.5"})
    first.push_back(extra);
  for (const char* extra : {"1.0000", "2", "N", "20100101", "second", "0.250"}) second.push_back(extra);
  MakeTable(dir.Path(), "LBLPRDEF.DBF", fields, {first, second});
  const auto before = ReadImages(Path("LBLPRDEF.DBF"));

  auto t = Open("LBLPRDEF.DBF");
  OtherArea rm(Path("LBLPRDEF.DBF"));
  t->Edit();
  EXPECT_FALSE(rm.TryLock(1));  // held while the edit runs
  t->SetFields({99, 21, 120, 0, 55, 1, 0, 11, 0, 10, 0, 8, 0, 9, 12, 0, 1, 1, 1, 1, 2, 0, false, 5, 0, 6, 0, 7, 0, 4,
                0, false, 3, 0, false, 1, 0, false, false});
  t->Post();
  EXPECT_TRUE(rm.TryLock(1));  // and released by the post
  t->Close();

  const auto after = ReadImages(Path("LBLPRDEF.DBF"));
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1], before[1]);  // the other record is untouched
  const std::vector<std::string> values = ReadColumn(Path("LBLPRDEF.DBF"), "F2");
  EXPECT_EQ(values[0], "  120");
  EXPECT_EQ(ReadColumn(Path("LBLPRDEF.DBF"), "F0")[0], "   99");
  EXPECT_EQ(ReadColumn(Path("LBLPRDEF.DBF"), "F1")[0], " 21");
  EXPECT_EQ(ReadColumn(Path("LBLPRDEF.DBF"), "F22")[0], "F");
  // Everything behind field 38 is byte for byte what it was.
  xbe::xb_UseEx(Path("LBLPRDEF.DBF").c_str(), "PROBE", 1, 2, 1);
  const int tail = xbe::xb_FieldOffset("BIG") - 1;
  xbe::xb_Close();
  EXPECT_EQ(after[0].substr(static_cast<size_t>(tail)), before[0].substr(static_cast<size_t>(tail)));
  EXPECT_EQ(after[0][0], before[0][0]);
}

TEST_P(TableEdit, EditShowsTheRecordAsStoredWhenTheLockIsTaken) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 8}}, {{"old"}});
  auto t = Open("T.DBF");
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "old");
  {
    OtherArea other(Path("T.DBF"));
    other.Put(1, "NAME", "newer");
  }
  t->Edit();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "newer");
  t->Cancel();
}

TEST_P(TableEdit, RecordLockedByAnotherProcessRefusesTheEdit) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 8}}, {{"a"}, {"b"}});
  const std::string path = Path("T.DBF");
  ChildHolder other([&] {
    short area = xbe::xb_UseEx(path.c_str(), "OTHER", 0, 2, 1);
    return area > 0 && xbe::xb_Rlock(1) != 0;
  });
  ASSERT_TRUE(other.BodySucceeded());
  auto t = Open("T.DBF");
  if (OverServer())
    conn->SetLockTimeOut(0);
  else
    xbe::xb_SetLockTimeout(0);
  EXPECT_EQ(ErrorOf([&] { t->Edit(); }), "Record Lock Failure. May be locked by another user or task.");
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  // Another record is free.
  t->Next();
  t->Edit();
  t->FieldByName("NAME")->SetAsString("B");
  t->Post();
  EXPECT_EQ(ReadColumn(path, "NAME"), (std::vector<std::string>{"a       ", "B       "}));
}

TEST_P(TableEdit, EditThatFailsAfterTheLockGivesTheLockBack) {
  MakeTable(dir.Path(), "T.DBF", {{"QTY", 'N', 4}}, {{"3"}, {"5"}});
  TComponent owner(nullptr);
  auto* t = new TXbTable(&owner);
  Place(*t);
  t->SetTableName("T.DBF");
  auto* qty = new TSmallintField(&owner);
  qty->SetFieldName("QTY");
  qty->SetDataSet(t);
  auto* twice = new TIntegerField(&owner);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(t);
  bool failCalc = false;
  t->OnCalcFields = [&](TDataSet*) {
    if (failCalc) throw Exception("calc failed");
    twice->SetAsInteger(qty->AsInteger() * 2);
  };
  t->Open();
  OtherArea other(Path("T.DBF"));

  // The calculated fields fail while the edit is being set up: the table
  // stays browsing and the record is free for others.
  failCalc = true;
  EXPECT_EQ(ErrorOf([&] { t->Edit(); }), "calc failed");
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_TRUE(other.TryLock(1));
  failCalc = false;

  // A failing AfterEdit comes once the edit has started: it stands, with
  // its lock, until Cancel ends it.
  t->AfterEdit = [](TDataSet*) { throw Exception("after edit failed"); };
  EXPECT_EQ(ErrorOf([&] { t->Edit(); }), "after edit failed");
  EXPECT_EQ(t->State(), dsEdit);
  EXPECT_FALSE(other.TryLock(1));
  t->Cancel();
  EXPECT_TRUE(other.TryLock(1));
  t->AfterEdit = nullptr;

  // The next edit works and writes the record it locked.
  t->Edit();
  qty->SetAsInteger(7);
  t->Post();
  EXPECT_EQ(twice->AsInteger(), 14);
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "QTY"), (std::vector<std::string>{"   7", "   5"}));
  EXPECT_TRUE(other.TryLock(1));
  t->Close();
}

TEST_P(TableEdit, PostWritesTheLockedRecordEvenWhenTheEngineMoved) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}}, {{"a"}, {"b"}, {"c"}});
  auto t = Open("T.DBF");
  t->Next();
  t->Edit();
  t->FieldByName("NAME")->SetAsString("B2");
  t->SelectArea();
  t->EngineGo(3);  // something else moved the engine
  t->Post();
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "NAME"), (std::vector<std::string>{"a   ", "B2  ", "c   "}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "B2");
  EXPECT_EQ(t->PhysicalRecNo(), 2);
}

TEST_P(TableEdit, AfterAPostTheRecordShowsAsStoredAndARefreshShowsWhatOthersWroteSince) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}, {"PRICE", 'N', 6, 2}}, {{"a", "1.00"}, {"b", "2.00"}});
  auto t = Open("T.DBF");
  t->Edit();
  t->FieldByName("PRICE")->SetAsFloat(3.14159);
  t->Post();
  EXPECT_DOUBLE_EQ(t->FieldByName("PRICE")->AsFloat(), 3.14);  // the stored value, not the one set
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_EQ(t->PhysicalRecNo(), 1);
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "PRICE"), (std::vector<std::string>{"  3.14", "  2.00"}));
  // A refresh reads the record again. (Checked on the engine here: through a
  // server a refresh right after a post still shows the record as posted.)
  if (!OverServer()) {
    {
      OtherArea other(Path("T.DBF"));
      other.Put(1, "NAME", "zz");
    }
    t->Refresh();
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "zz");
    EXPECT_DOUBLE_EQ(t->FieldByName("PRICE")->AsFloat(), 3.14);
  }

  // The walk goes on from the posted record; a new record shows as stored too.
  t->Edit();
  t->FieldByName("PRICE")->SetAsFloat(4.5);
  t->Post();
  t->Next();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "b");
  t->Append();
  t->FieldByName("NAME")->SetAsString("new");
  t->FieldByName("PRICE")->SetAsFloat(7.777);
  t->Post();
  EXPECT_DOUBLE_EQ(t->FieldByName("PRICE")->AsFloat(), 7.78);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "new");
  EXPECT_EQ(t->PhysicalRecNo(), 3);
  t->Prior();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "b");
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "PRICE"), (std::vector<std::string>{"  4.50", "  2.00", "  7.78"}));
  t->Close();
}

TEST_P(TableEdit, ValueThatDoesNotFitFailsThePostBeforeAnythingIsWritten) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}, {"QTY", 'N', 3}, {"PRICE", 'N', 6, 2}}, {{"a", "1", "1.00"}});
  auto t = Open("T.DBF");
  t->Append();
  t->FieldByName("NAME")->SetAsString("new");
  t->FieldByName("QTY")->SetAsInteger(1234);
  EXPECT_EQ(ErrorOf([&] { t->Post(); }), "Translate error. Value out of bounds");
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(ReadImages(Path("T.DBF")).size(), 1u);  // no blank record left behind
  t->FieldByName("QTY")->SetAsInteger(12);
  t->FieldByName("PRICE")->SetAsFloat(1000.0);  // "1000.00" is 7 wide
  EXPECT_EQ(ErrorOf([&] { t->Post(); }), "Translate error. Value out of bounds");
  t->FieldByName("PRICE")->SetAsFloat(999.99);
  t->Post();
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "QTY"), (std::vector<std::string>{"  1", " 12"}));
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "PRICE"), (std::vector<std::string>{"  1.00", "999.99"}));

  // An edit that fails leaves the stored record as it was.
  t->First();
  t->Edit();
  t->FieldByName("NAME")->SetAsString("zz");
  t->FieldByName("QTY")->SetAsInteger(-100);
  EXPECT_THROW(t->Post(), EXbError);
  t->Cancel();
  EXPECT_EQ(ReadColumn(Path("T.DBF"), "NAME")[0], "a   ");
}

TEST_P(TableEdit, CancelAfterInsertReturnsToThePreviousRecordAndCancelReleasesTheLock) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}}, {{"a"}, {"b"}, {"c"}, {"d"}});
  auto t = Open("T.DBF");
  t->MoveBy(2);
  t->Insert();
  t->FieldByName("NAME")->SetAsString("x");
  t->Cancel();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "c");
  EXPECT_EQ(t->PhysicalRecNo(), 3);
  EXPECT_EQ(ReadImages(Path("T.DBF")).size(), 4u);

  OtherArea other(Path("T.DBF"));
  t->Edit();
  EXPECT_FALSE(other.TryLock(3));
  t->Cancel();
  EXPECT_TRUE(other.TryLock(3));
}

TEST_P(TableEdit, NewRecordStartsEmptyAndAnEditKeepsWhatItDidNotTouch) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}, {"QTY", 'N', 3}, {"OK", 'L', 1}}, {{"a", "1", "T"}, {"b", "2", "F"}});
  auto t = Open("T.DBF");
  t->Next();  // nothing of this record is read before the append
  t->Append();
  EXPECT_TRUE(t->FieldByName("NAME")->IsNull());
  EXPECT_TRUE(t->FieldByName("QTY")->IsNull());
  EXPECT_TRUE(t->FieldByName("OK")->IsNull());
  t->FieldByName("QTY")->SetAsInteger(7);
  t->Post();
  EXPECT_EQ(ReadImages(Path("T.DBF")).back(), "       7 ");

  t->First();
  t->Edit();
  t->FieldByName("QTY")->SetAsInteger(9);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");  // read only after the write
  EXPECT_TRUE(t->FieldByName("OK")->AsBoolean());
  t->Cancel();
  EXPECT_EQ(t->FieldByName("QTY")->AsInteger(), 1);
  t->Edit();
  t->FieldByName("NAME")->SetAsString("z");
  t->Post();
  EXPECT_EQ(ReadImages(Path("T.DBF")).front(), " z     1T");
  EXPECT_EQ(t->FieldByName("QTY")->AsInteger(), 1);
}

TEST_P(TableEdit, EditOnAnEmptyTableAppendsOneRecord) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}, {"OK", 'L', 1}});
  auto t = Open("T.DBF");
  t->Edit();
  EXPECT_EQ(t->State(), dsInsert);
  t->FieldByName("NAME")->SetAsString("one");
  t->Post();
  EXPECT_EQ(ReadImages(Path("T.DBF")), (std::vector<std::string>{" one  "}));
  t->AppendRecord({"two", true});
  EXPECT_EQ(ReadImages(Path("T.DBF")), (std::vector<std::string>{" one  ", " two T"}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "two");
}

TEST_P(TableEdit, DeleteMovesToTheFollowingRecordWhileDeletedRecordsAreHidden) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}}, {{"a"}, {"b"}, {"c"}});
  auto t = Open("T.DBF");
  t->Next();
  t->Delete();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "c");
  t->Delete();  // the last one: the table stands on the last remaining record
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_EQ(ReadImages(Path("T.DBF")), (std::vector<std::string>{" a   ", "*b   ", "*c   "}));
  t->Delete();
  EXPECT_TRUE(t->IsEmpty());
  EXPECT_TRUE(t->Eof());
}

TEST_P(TableEdit, DeleteOfARecordAnotherHoldsIsRefusedAndOneTheTableHoldsGoes) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}}, {{"a"}, {"b"}, {"c"}});
  const std::string path = Path("T.DBF");
  auto other = std::make_unique<ChildHolder>([&] {
    short area = xbe::xb_UseEx(path.c_str(), "OTHER", 0, 2, 1);
    return area > 0 && xbe::xb_Rlock(1) != 0;
  });
  ASSERT_TRUE(other->BodySucceeded());
  auto t = Open("T.DBF");
  if (OverServer())
    conn->SetLockTimeOut(0);
  else
    xbe::xb_SetLockTimeout(0);
  EXPECT_EQ(ErrorOf([&] { t->Delete(); }), "Record Lock Failure. May be locked by another user or task.");
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_EQ(ReadImages(path), (std::vector<std::string>{" a   ", " b   ", " c   "}));
  other.reset();  // the other program ends, and its lock with it

  // A record nobody holds goes, and its lock goes with the delete.
  OtherArea mine(path);
  t->Next();
  t->Delete();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "c");
  EXPECT_TRUE(mine.TryLock(2));
  // A record the table holds itself, under its file lock, goes too; the file
  // lock stays.
  ASSERT_TRUE(t->Flock());
  t->Delete();
  EXPECT_FALSE(mine.TryLock(3));
  EXPECT_EQ(ReadImages(path), (std::vector<std::string>{" a   ", "*b   ", "*c   "}));
}

TEST_P(TableEdit, ReadOnlyTableRefusesChanges) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 4}}, {{"a"}});
  auto t = std::make_unique<TXbTable>(nullptr);
  Place(*t);
  t->SetTableName("T.DBF");
  t->SetReadOnly(true);
  t->Open();
  EXPECT_EQ(ErrorOf([&] { t->Edit(); }), "Cannot modify a read-only dataset");
  EXPECT_THROW(t->Delete(), Exception);
  EXPECT_EQ(ReadImages(Path("T.DBF")), (std::vector<std::string>{" a   "}));
}

TW_TABLE_TESTS_BOTH_WAYS(TableEdit);

// The table's own steps, before any access method is chosen.
TEST(TableEditLocal, StorageStepsOnATableWithoutAWorkAreaRaiseAndCancelStaysQuiet) {
  ProbeTable t(nullptr);
  EXPECT_EQ(ErrorOf([&] { t.PostRecord(); }), "Cannot perform this operation on a closed table");
  EXPECT_EQ(ErrorOf([&] { t.DeleteRecord(); }), "Cannot perform this operation on a closed table");
  Byte buffer[8] = {};
  EXPECT_EQ(ErrorOf([&] { t.AddRecordBuffer(buffer, true); }), "Cannot perform this operation on a closed table");
  t.Cancel();
  EXPECT_FALSE(t.Flock());
}

}  // namespace
