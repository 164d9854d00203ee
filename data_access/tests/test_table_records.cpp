// Walking tables and reading their values: the end-of-file rules, deleted
// records, filters, the translation of stored texts, bookmarks and counts.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "class_library/datasets/DataSource.h"
#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/TableAccess.h"
#include "data_access/tests/TestTables.h"

namespace {

class TableRecords : public TableAccessTest {};

TEST_P(TableRecords, SpoolListWalkReadsEveryLiveRecordOnceAndSkipsDeletedOnes) {
  // A deleted spool directory is gone for the user: it is not listed.
  // Over the server the walk crosses batches of three rows.
  MakeTable(dir.Path(), "RMSpool.DBF", {{"SUBDIR", 'C', 20}, {"NAME", 'C', 10}},
            {{"Label1", "a"}, {"*", "Removed", "b"}, {"Label2", "c"}, {"PreLabel", "d"}, {"Last", "e"}});
  auto t = Open("RMSpool.DBF", [](TXbTable& t) { t.SetReadOnly(true); });
  EXPECT_EQ(WalkField(*t, "SubDir"), (std::vector<std::string>{"Label1", "Label2", "PreLabel", "Last"}));
  EXPECT_TRUE(t->Eof());
  // After the walk the table still stands on the last record.
  EXPECT_EQ(t->FieldByName("SubDir")->AsString(), "Last");
  t->First();
  EXPECT_EQ(t->FieldByName("SubDir")->AsString(), "Label1");
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_FALSE(t->Eof());
}

TEST_P(TableRecords, SettingsComponentCanShowDeletedRecords) {
  MakeTable(dir.Path(), "RMSpool.DBF", {{"SUBDIR", 'C', 20}}, {{"Label1"}, {"*", "Removed"}});
  TDataModule module(nullptr);
  auto* env = new TXbEnv(&module);
  env->SetApplyTo(ApplyToBit(OverServer() ? atServer : atLocal));
  env->SetDeleted(false);
  auto* t = new TXbTable(&module);
  Place(*t);
  t->SetTableName("RMSpool.DBF");
  t->Open();
  EXPECT_EQ(WalkField(*t, "SUBDIR"), (std::vector<std::string>{"Label1", "Removed"}));
  env->SetApplyTo(0);  // applies nowhere: a table's own default hides them
  auto plain = Open("RMSpool.DBF");
  EXPECT_EQ(WalkField(*plain, "SUBDIR"), (std::vector<std::string>{"Label1"}));
}

TEST_P(TableRecords, EmptyTableIsAtBothEndsAtOnce) {
  MakeTable(dir.Path(), "RMSpool.DBF", {{"SUBDIR", 'C', 20}});
  auto t = Open("RMSpool.DBF");
  EXPECT_TRUE(t->Eof());
  EXPECT_TRUE(t->Bof());
  EXPECT_TRUE(t->IsEmpty());
  EXPECT_TRUE(WalkField(*t, "SUBDIR").empty());
  EXPECT_EQ(t->RecordCount(), 0);

  // Only deleted records is empty too.
  MakeTable(dir.Path(), "GONE.DBF", {{"SUBDIR", 'C', 20}}, {{"*", "x"}, {"*", "y"}});
  auto gone = Open("GONE.DBF");
  EXPECT_TRUE(gone->Eof());
}

TEST_P(TableRecords, PriorWalkAndMoveByRespectBothEnds) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}, {"4"}});
  auto t = Open("N.DBF");
  t->Last();
  std::vector<std::string> back;
  while (!t->Bof()) {
    back.push_back(t->FieldByName("V")->AsString());
    t->Prior();
  }
  EXPECT_EQ(back, (std::vector<std::string>{"4", "3", "2", "1"}));
  EXPECT_EQ(t->MoveBy(2), 2);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "3");
  EXPECT_EQ(t->MoveBy(10), 1);
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(t->FieldByName("V")->AsString(), "4");
}

TEST_P(TableRecords, EndOfFileActionDecidesWhatACurrentFetchPastTheEndReads) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}});
  auto moveLast = Open("N.DBF");
  EXPECT_EQ(moveLast->EOFAction(), eaMoveLast);
  EXPECT_EQ(moveLast->RecCount(), 3);
  EXPECT_EQ(moveLast->RecordCount(), 3);
  moveLast->SetPhysicalRecNo(4);  // the phantom record past the end
  EXPECT_EQ(moveLast->FieldByName("V")->AsString(), "3");
  EXPECT_EQ(moveLast->PhysicalRecNo(), 3);
  moveLast->SetPhysicalRecNo(2);
  EXPECT_EQ(moveLast->FieldByName("V")->AsString(), "2");
  moveLast->Next();
  EXPECT_EQ(moveLast->FieldByName("V")->AsString(), "3");

  auto atEof = Open("N.DBF", [](TXbTable& t) { t.SetEOFAction(eaEOF); });
  atEof->SetPhysicalRecNo(4);
  EXPECT_TRUE(atEof->FieldByName("V")->IsNull());
  EXPECT_EQ(atEof->PhysicalRecNo(), 4);
}

TEST_P(TableRecords, FilterRejectingTheFirstRecordStillShowsTheRest) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}, {"4"}});
  auto t = Open("N.DBF", [](TXbTable& t) {
    t.OnFilterRecord = [](TDataSet* d, bool& accept) { accept = d->FieldByName("V")->AsString() != "1"; };
    t.SetFiltered(true);
  });
  EXPECT_FALSE(t->Eof());
  EXPECT_EQ(t->FieldByName("V")->AsString(), "2");
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"2", "3", "4"}));
  t->Last();
  t->OnFilterRecord = [](TDataSet* d, bool& accept) { accept = d->FieldByName("V")->AsString() != "4"; };
  t->Refresh();
  t->Last();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "3");

  // A failing filter handler hides nothing.
  t->OnFilterRecord = [](TDataSet*, bool&) { throw Exception("broken filter"); };
  t->First();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "1");
}

TEST_P(TableRecords, FilterRejectingAMiddleRecordHidesItInBothDirections) {
  // The handler judges the record being fetched, not the one on screen: a
  // rejected record in the middle must vanish whichever way the walk goes.
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}, {"4"}});
  auto t = Open("N.DBF", [](TXbTable& t) {
    t.OnFilterRecord = [](TDataSet* d, bool& accept) { accept = d->FieldByName("V")->AsString() != "3"; };
    t.SetFiltered(true);
  });
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"1", "2", "4"}));
  t->Last();
  std::vector<std::string> back;
  while (!t->Bof() && back.size() < 100) {
    back.push_back(t->FieldByName("V")->AsString());
    t->Prior();
  }
  EXPECT_EQ(back, (std::vector<std::string>{"4", "2", "1"}));
  // The same with a view holding several records at once.
  TDataSource source(nullptr);
  TDataLink view;
  view.SetBufferCount(3);
  view.SetDataSource(&source);
  source.SetDataSet(t.get());
  t->First();
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"1", "2", "4"}));
  t->Prior();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "2");
  source.SetDataSet(nullptr);
}

TEST_P(TableRecords, StoredTextsTranslateAsTheFormatSays) {
  WriteRawDbf(dir.Path() + "V.DBF",
              {{"NUM", 'N', 5}, {"PRICE", 'N', 8, 2}, {"FLAG", 'L', 1}, {"DAY", 'D', 8}, {"NAME", 'C', 6}},
              {{"   12", "   12.50", "T", "20091224", "ab  "},
               {"  abc", "  -1.25", "y", "20090000", ""},
               {"", "", "Y", "", "  x"},
               {"-0042", "1,234.5", "F", "20000229", "abcdef"}});
  auto t = Open("V.DBF");
  auto f = [&](const char* n) { return t->FieldByName(n); };
  EXPECT_EQ(f("NUM")->AsInteger(), 12);
  EXPECT_DOUBLE_EQ(f("PRICE")->AsFloat(), 12.5);
  EXPECT_TRUE(f("FLAG")->AsBoolean());
  EXPECT_EQ(f("DAY")->AsDateTime(), EncodeDate(2009, 12, 24));
  EXPECT_EQ(f("NAME")->AsString(), "ab");
  t->Next();
  EXPECT_FALSE(f("NUM")->IsNull());  // present, but not a number
  EXPECT_EQ(f("NUM")->AsInteger(), 0);
  EXPECT_DOUBLE_EQ(f("PRICE")->AsFloat(), -1.25);
  EXPECT_FALSE(f("FLAG")->AsBoolean());  // only upper-case T and Y are true
  EXPECT_FALSE(f("DAY")->IsNull());      // a date whose month and day are zeros
  EXPECT_TRUE(f("NAME")->IsNull());
  t->Next();
  EXPECT_TRUE(f("NUM")->IsNull());
  EXPECT_TRUE(f("PRICE")->IsNull());
  EXPECT_TRUE(f("FLAG")->AsBoolean());
  EXPECT_TRUE(f("DAY")->IsNull());
  EXPECT_EQ(f("NAME")->AsString(), "  x");  // leading blanks are kept
  t->Next();
  EXPECT_EQ(f("NUM")->AsInteger(), -42);
  EXPECT_DOUBLE_EQ(f("PRICE")->AsFloat(), 0);  // grouping is no DBF number
  EXPECT_EQ(f("DAY")->AsDateTime(), EncodeDate(2000, 2, 29));
  EXPECT_EQ(f("NAME")->AsString(), "abcdef");
}

TEST_P(TableRecords, NumbersIgnoreACommaDecimalLocale) {
  MakeTable(dir.Path(), "P.DBF", {{"PRICE", 'N', 8, 2}}, {{"12.50"}});
  const char saved = FormatSettings.DecimalSeparator;
  const char savedThousands = FormatSettings.ThousandSeparator;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  {
    auto t = Open("P.DBF");
    EXPECT_DOUBLE_EQ(t->FieldByName("PRICE")->AsFloat(), 12.5);
    t->Edit();
    t->FieldByName("PRICE")->SetAsFloat(1234.5);
    t->Post();
    t->Append();
    t->FieldByName("PRICE")->SetAsFloat(-0.25);
    t->Post();
  }
  FormatSettings.DecimalSeparator = saved;
  FormatSettings.ThousandSeparator = savedThousands;
  EXPECT_EQ(ReadColumn(dir.Path() + "P.DBF", "PRICE"), (std::vector<std::string>{" 1234.50", "   -0.25"}));
}

TEST_P(TableRecords, DatesGoThroughTheCenturyWindowOfEpoch) {
  MakeTable(dir.Path(), "D.DBF", {{"DAY", 'D', 8}}, {{"20091224"}});
  {
    auto t = Open("D.DBF");
    t->Edit();
    t->FieldByName("DAY")->SetAsDateTime(EncodeDate(5, 3, 1));
    t->Post();
    t->Append();
    t->FieldByName("DAY")->SetAsDateTime(EncodeDate(98, 12, 31));
    t->Post();
    t->Append();
    t->FieldByName("DAY")->SetAsDateTime(EncodeDate(1999, 12, 31));
    t->Post();
    t->Append();
    t->FieldByName("DAY")->SetAsDateTime(EncodeDate(2000, 1, 1));
    t->Post();
    t->Append();
    t->FieldByName("DAY")->Clear();
    t->Post();
  }
  EXPECT_EQ(ReadColumn(dir.Path() + "D.DBF", "DAY"),
            (std::vector<std::string>{"20050301", "19981231", "19991231", "20000101", "        "}));
}

TEST_P(TableRecords, DateBeforeTheFirstYearIsRefusedAndTheRecordStaysInEdit) {
  MakeTable(dir.Path(), "D.DBF", {{"DAY", 'D', 8}, {"NAME", 'C', 4}}, {{"20091224", "a"}});
  auto t = Open("D.DBF");
  t->Edit();
  t->FieldByName("NAME")->SetAsString("b");
  t->FieldByName("DAY")->SetAsDateTime(EncodeDate(1, 1, 1) - 10);
  EXPECT_EQ(ErrorOf([&] { t->Post(); }), "Translate error. Value out of bounds");
  EXPECT_EQ(t->State(), dsEdit);
  // A new record is refused the same way, before anything is appended.
  t->Cancel();
  t->Append();
  t->FieldByName("DAY")->SetAsDateTime(-800000.0);
  EXPECT_EQ(ErrorOf([&] { t->Post(); }), "Translate error. Value out of bounds");
  EXPECT_EQ(t->State(), dsInsert);
  t->Cancel();
  EXPECT_EQ(ReadImages(dir.Path() + "D.DBF"), (std::vector<std::string>{" 20091224a   "}));
}

TEST_P(TableRecords, BookmarkOfARecordTheTableDoesNotHaveIsRefusedWhereTheTableStands) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}});
  auto t = Open("N.DBF");
  t->Next();
  for (std::int32_t recNo : {999, 4, 0, -5}) {
    TBookmark missing(4);
    std::memcpy(missing.data(), &recNo, 4);
    EXPECT_EQ(ErrorOf([&] { t->GotoBookmark(missing); }), "Invalid bookmark") << recNo;
    EXPECT_EQ(t->FieldByName("V")->AsString(), "2") << recNo;
  }
  TBookmark last(4);
  const std::int32_t three = 3;
  std::memcpy(last.data(), &three, 4);
  t->GotoBookmark(last);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "3");
}

TEST_P(TableRecords, BookmarksComeBackToTheirRecordAndCompareByRecordNumber) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}, {"4"}});
  auto t = Open("N.DBF");
  t->Next();
  TBookmark second = t->GetBookmark();
  ASSERT_EQ(second.size(), 4u);
  t->MoveBy(2);
  TBookmark fourth = t->GetBookmark();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "4");
  t->GotoBookmark(second);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "2");
  EXPECT_EQ(t->PhysicalRecNo(), 2);
  EXPECT_EQ(t->CompareBookmarks(second, fourth), -1);
  EXPECT_EQ(t->CompareBookmarks(fourth, second), 1);
  EXPECT_EQ(t->CompareBookmarks(second, second), 0);
  EXPECT_EQ(t->CompareBookmarks(second, TBookmark()), 2);
  EXPECT_TRUE(t->BookmarkValid(second));
  EXPECT_FALSE(t->BookmarkValid(TBookmark()));
  t->GotoBookmark(fourth);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "4");
}

TEST_P(TableRecords, RecordNumbersAndCounts) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"*", "2"}, {"3"}});
  auto t = Open("N.DBF");
  EXPECT_EQ(t->RecCount(), 3);      // physical, deleted included
  EXPECT_EQ(t->RecordCount(), 3);   // the raw count by default
  t->SetSequencedCount(scAllCount);
  t->Recount();
  EXPECT_EQ(t->RecordCount(), 2);   // the visible records
  EXPECT_EQ(t->RecNo(), 1);
  t->Next();
  EXPECT_EQ(t->RecNo(), 3);         // the engine record number
  t->SetRecNo(1);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "1");
}

TEST_P(TableRecords, SetRecNoInNaturalOrderLandsOnThatRecord) {
  // Deleted records are hidden but keep their numbers: the records behind
  // them are still reached by their own numbers, and the walk goes on from there.
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"*", "2"}, {"*", "3"}, {"4"}, {"5"}, {"6"}});
  auto t = Open("N.DBF");
  for (int n : {5, 4, 6, 1, 4}) {
    SCOPED_TRACE(n);
    t->SetRecNo(n);
    EXPECT_EQ(t->FieldByName("V")->AsString(), std::to_string(n));
    EXPECT_EQ(t->RecNo(), n);
    EXPECT_EQ(t->PhysicalRecNo(), n);
  }
  t->Prior();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "1");
  t->SetRecNo(5);
  t->Next();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "6");
  t->SetRecNo(4);
  t->Prior();
  EXPECT_EQ(t->RecNo(), 1);
  // With a view holding several records the same.
  TDataSource source(nullptr);
  TDataLink view;
  view.SetBufferCount(3);
  view.SetDataSource(&source);
  source.SetDataSet(t.get());
  t->SetRecNo(5);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "5");
  t->Prior();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "4");
  t->Prior();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "1");
  source.SetDataSet(nullptr);
}

TEST_P(TableRecords, SpeedModeWalksThroughTheEngineAlone) {
  MakeTable(dir.Path(), "N.DBF", {{"V", 'C', 2}}, {{"1"}, {"2"}, {"3"}});
  auto t = Open("N.DBF");
  t->SetSpeedMode(true);
  int scrolls = 0;
  t->AfterScroll = [&](TDataSet*) { ++scrolls; };
  std::vector<std::string> seen;
  while (!t->Eof()) {
    seen.push_back(t->Cursor().GetTrimString("V"));
    t->Next();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(scrolls, 0);
  t->GoTop();
  t->Skip(1);
  EXPECT_EQ(t->PhysicalRecNo(), 2);
  // Switching it off shows the record the engine stands on.
  t->SetSpeedMode(false);
  EXPECT_EQ(t->FieldByName("V")->AsString(), "2");
}

TEST_P(TableRecords, CalculatedFieldsSitBehindTheDataFields) {
  MakeTable(dir.Path(), "C.DBF", {{"QTY", 'N', 4}, {"NAME", 'C', 4}}, {{"3", "ab"}, {"5", "cd"}});
  TComponent owner(nullptr);
  auto* t = new TXbTable(&owner);
  Place(*t);
  t->SetTableName("C.DBF");
  auto* qty = new TSmallintField(&owner);
  qty->SetFieldName("QTY");
  qty->SetDataSet(t);
  auto* name = new TStringField(&owner);
  name->SetFieldName("NAME");
  name->SetSize(4);
  name->SetDataSet(t);
  auto* twice = new TIntegerField(&owner);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(t);
  t->OnCalcFields = [&](TDataSet*) { twice->SetAsInteger(qty->AsInteger() * 2); };
  t->Open();
  EXPECT_EQ(twice->AsInteger(), 6);
  EXPECT_EQ(name->AsString(), "ab");
  t->Next();
  EXPECT_EQ(twice->AsInteger(), 10);
  EXPECT_EQ(t->FieldDataSize(), 3 + 6);
  EXPECT_EQ(t->BlobAreaOffset(), 3 + 6 + t->CalcFieldsSize());
}

TEST_P(TableRecords, CalculatedFieldsFollowEveryRecordTheWalkReaches) {
  // The handler reads data fields of the record being fetched; none of them
  // was read before, so each must come from that record's own bytes.
  MakeTable(dir.Path(), "C.DBF", {{"NAME", 'C', 6}, {"QTY", 'N', 4}},
            {{"one", "1"}, {"two", "2"}, {"three", "3"}, {"four", "4"}});
  TComponent owner(nullptr);
  auto* t = new TXbTable(&owner);
  Place(*t);
  t->SetTableName("C.DBF");
  auto* name = new TStringField(&owner);
  name->SetFieldName("NAME");
  name->SetSize(6);
  name->SetDataSet(t);
  auto* qty = new TSmallintField(&owner);
  qty->SetFieldName("QTY");
  qty->SetDataSet(t);
  auto* label = new TStringField(&owner);
  label->SetFieldName("LABEL");
  label->SetSize(12);
  label->SetFieldKind(fkCalculated);
  label->SetDataSet(t);
  t->OnCalcFields = [&](TDataSet*) { label->SetAsString(name->AsString() + ":" + qty->AsString()); };
  t->Open();
  std::vector<std::string> seen;
  for (; !t->Eof(); t->Next()) seen.push_back(label->AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"one:1", "two:2", "three:3", "four:4"}));
  t->First();
  t->Next();
  EXPECT_EQ(label->AsString(), "two:2");
  EXPECT_EQ(name->AsString(), "two");
  t->Last();
  t->Prior();
  EXPECT_EQ(label->AsString(), "three:3");
  // With several records held at once, each keeps its own calculated value.
  TDataSource source(nullptr);
  TDataLink view;
  view.SetBufferCount(3);
  view.SetDataSource(&source);
  source.SetDataSet(t);
  t->First();
  seen.clear();
  for (; !t->Eof(); t->Next()) seen.push_back(label->AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"one:1", "two:2", "three:3", "four:4"}));
  t->Prior();
  t->Prior();
  EXPECT_EQ(label->AsString(), "two:2");
  source.SetDataSet(nullptr);
}

TEST_P(TableRecords, EveryBufferedRecordKeepsItsOwnValuesUntilTheyAreRead) {
  // A view that shows three rows makes the table hold three records at once;
  // values are taken from each record only when read, so moving inside the
  // held records must still read each record's own bytes.
  MakeTable(dir.Path(), "R.DBF", {{"NAME", 'C', 6}, {"QTY", 'N', 4}, {"DAY", 'D', 8}},
            {{"one", "1", "20240101"}, {"two", "", "20240202"}, {"three", "3", ""}, {"four", "4", "20240404"}});
  TDataSource source(nullptr);
  TDataLink view;
  view.SetBufferCount(3);
  view.SetDataSource(&source);
  auto t = Open("R.DBF");
  source.SetDataSet(t.get());
  std::vector<std::string> seen;
  for (; !t->Eof(); t->Next()) {
    seen.push_back(t->FieldByName("NAME")->AsString() + "/" +
                   (t->FieldByName("QTY")->IsNull() ? "null" : t->FieldByName("QTY")->AsString()) + "/" +
                   (t->FieldByName("DAY")->IsNull() ? "null" : FormatDateTime("yyyymmdd", t->FieldByName("DAY")->AsDateTime())));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"one/1/20240101", "two/null/20240202", "three/3/null", "four/4/20240404"}));
  // Backwards through records that were held but never read in this order.
  t->Prior();
  t->Prior();
  EXPECT_EQ(t->FieldByName("DAY")->AsDateTime(), EncodeDate(2024, 2, 2));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "two");
  EXPECT_TRUE(t->FieldByName("QTY")->IsNull());
  source.SetDataSet(nullptr);
}

TW_TABLE_TESTS_BOTH_WAYS(TableRecords);

}  // namespace
