// Opening, closing and creating tables: what the engine is asked for, the
// field definitions built from a table, setter refusals and the failure paths.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/datasets/DataSource.h"
#include "class_library/core/DateTime.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/FormResource.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/IndexTestSupport.h"
#include "data_access/tests/TableAccess.h"
#include "data_access/tests/TestTables.h"

using idxtest::ErrorOf;
using idxtest::TableOn;
using idxtest::WalkAll;

namespace {

class TableOpen : public ::testing::Test {
protected:
  void SetUp() override { RequireEngine(); }
  ScratchDir dir;
};

// The tests that hold for a table on this machine and one through a server.
class TableOpenBothWays : public TableAccessTest {};
TW_TABLE_TESTS_BOTH_WAYS(TableOpenBothWays);

TEST_F(TableOpen, LockTableOpensReadOnlyWithItsAliasAndASecondOneGetsANumberedAlias) {
  // Each directory's table tells by its contents which file the engine opened.
  // (The table-type code the engine gets is checked with a recording engine
  // in the binding tests: this engine does not keep it.)
  ScratchDir other;
  MakeTable(dir.Path(), "LOCKSPL.DBF", {{"DUMMY", 'C', 10}}, {{"first"}});
  MakeTable(other.Path(), "LOCKSPL.DBF", {{"DUMMY", 'C', 10}}, {{"second"}});
  auto first = TableOn(dir.Path(), "LOCKSPL.DBF");
  first->SetReadOnly(true);
  first->SetTableType(ttSXNTX);
  first->Open();
  ASSERT_TRUE(first->Active());
  xbe::xb_Select(first->WorkArea());
  EXPECT_STREQ(xbe::xb_Alias(first->WorkArea()), "LOCKSPL");
  EXPECT_STREQ(xbe::xb_BaseName(), "LOCKSPL");
  EXPECT_EQ(xbe::xb_OpenMode(), 1);
  EXPECT_EQ(xbe::xb_GetCommitLevel(), 1);
  EXPECT_EQ(first->FieldByName("DUMMY")->AsString(), "first");

  auto second = TableOn(other.Path(), "LOCKSPL.DBF");
  second->Open();
  EXPECT_STREQ(xbe::xb_Alias(second->WorkArea()), "LOCKSPL1");
  xbe::xb_Select(second->WorkArea());
  EXPECT_STREQ(xbe::xb_BaseName(), "LOCKSPL");
  EXPECT_EQ(xbe::xb_OpenMode(), 0);
  EXPECT_EQ(second->FieldByName("DUMMY")->AsString(), "second");

  // Exclusive wins over ReadOnly.
  second->Close();
  second->SetReadOnly(true);
  second->SetExclusive(true);
  second->Open();
  xbe::xb_Select(second->WorkArea());
  EXPECT_EQ(xbe::xb_OpenMode(), 2);
}

TEST_F(TableOpen, AliasesAreCutToEightLettersWithUnderscoresForEverythingElse) {
  TXbTable t(nullptr);
  EXPECT_EQ(t.MakeAlias(""), "");
  EXPECT_EQ(t.MakeAlias("/x/lblprdef.dbf"), "LBLPRDEF");
  EXPECT_EQ(t.MakeAlias("ORDERS2024.DBF"), "ORDERS__");
  EXPECT_EQ(t.MakeAlias("my-tab1.dbf"), "MY_TAB_");
  MakeTable(dir.Path(), "LBLPRDEF.DBF", {{"A", 'C', 1}});
  auto held = TableOn(dir.Path(), "LBLPRDEF.DBF");
  held->Open();
  EXPECT_EQ(t.MakeAlias("LBLPRDEF.DBF"), "LBLPRDE1");
}

TEST_F(TableOpen, NameWithoutExtensionAndPathInTableName) {
  ScratchDir elsewhere;
  MakeTable(elsewhere.Path(), "ORDERS.DBF", {{"NAME", 'C', 5}}, {{"abc"}});
  // A path in TableName wins over DatabaseName.
  auto t = TableOn(dir.Path(), elsewhere.Path() + "ORDERS");
  EXPECT_EQ(t->FullTableFileName(), elsewhere.Path() + "ORDERS.DBF");
  t->Open();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "abc");

  auto plain = TableOn(elsewhere.Path(), "ORDERS");
  EXPECT_EQ(plain->FullTableFileName(), elsewhere.Path() + "ORDERS.DBF");
  auto noSlash = TableOn(elsewhere.Path().substr(0, elsewhere.Path().size() - 1), "orders.dbf");
  EXPECT_EQ(noSlash->FullTableFileName(), elsewhere.Path() + "orders.dbf");
  noSlash->Open();  // found without regard to case
  EXPECT_TRUE(noSlash->Active());
}

TEST_F(TableOpen, MissingFileFailsBeforeTheEngineOpensAnything) {
  auto t = TableOn(dir.Path(), "LOCKSPL.DBF");
  String message = ErrorOf([&] { t->Open(); });
  EXPECT_EQ(message, "Table does not exist.\rFile or directory does not exist.\rFile: " + dir.Path() + "LOCKSPL.DBF");
  EXPECT_EQ(t->LastErrorText(), message);
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->WorkArea(), 0);
  EXPECT_EQ(xbe::xb_WorkArea("LOCKSPL"), 0);
}

TEST_F(TableOpen, MissingTableNameAndUnknownDatabaseAlias) {
  TXbTable t(nullptr);
  t.SetName("tblX");
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "tblX : Missing TableName property");
  t.SetTableName("A.DBF");
  t.SetDatabaseName("NOSUCHALIAS");
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Invalid DatabaseName value : NOSUCHALIAS");
}

TEST_F(TableOpen, DatabaseAliasResolvesThroughADataModule) {
  MakeTable(dir.Path(), "RMSPOOL.DBF", {{"SUBDIR", 'C', 8}}, {{"P1"}});
  TDataModule module(nullptr);
  auto* db = new TXbDatabase(&module);
  db->DataPath = dir.Path();
  db->DataPathAlias = "SpoolData";
  TXbTable t(&module);
  t.SetDatabaseName("SPOOLDATA");
  t.SetTableName("RMSPOOL.DBF");
  t.Open();
  EXPECT_EQ(t.FieldByName("SUBDIR")->AsString(), "P1");
}

TEST_P(TableOpenBothWays, FieldDefinitionsFollowTheEngineTypesAndKeepEngineNumbersAligned) {
  WriteRawDbf(dir.Path() + "TYPES.DBF",
              {{"SMALL", 'N', 4}, {"WIDE", 'N', 5}, {"PRICE", 'N', 8, 2}, {"ODD", 'F', 6, 1}, {"AFTER", 'C', 3},
               {"FLAG", 'L', 1}, {"DAY", 'D', 8}},
              {{"12", "345", "12.50", "1.5", "xyz", "T", "20091224"}});
  auto t = Make("TYPES");
  t->Open();
  ASSERT_EQ(t->FieldDefs().Count(), 6);  // the F field has no definition
  EXPECT_EQ(t->FieldDefs()[0]->DataType(), ftSmallint);
  EXPECT_EQ(t->FieldDefs()[1]->DataType(), ftFloat);
  EXPECT_EQ(t->FieldDefs()[2]->DataType(), ftFloat);
  EXPECT_EQ(t->FieldDefs()[3]->Name(), "AFTER");
  EXPECT_EQ(t->FieldDefs()[3]->DataType(), ftString);
  EXPECT_EQ(t->FieldDefs()[3]->Size(), 3);
  EXPECT_EQ(t->FieldDefs()[4]->DataType(), ftBoolean);
  EXPECT_EQ(t->FieldDefs()[5]->DataType(), ftDate);

  auto* wide = dynamic_cast<TFloatField*>(t->FieldByName("WIDE"));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->DisplayFormat(), "0");
  EXPECT_EQ(wide->Precision(), 6);
  auto* price = dynamic_cast<TFloatField*>(t->FieldByName("PRICE"));
  ASSERT_NE(price, nullptr);
  EXPECT_EQ(price->DisplayFormat(), "0.00");
  EXPECT_EQ(price->Precision(), 9);
  EXPECT_EQ(price->DisplayText(), "12.50");
  EXPECT_EQ(t->FieldByName("SMALL")->AsInteger(), 12);
  // The field behind the skipped one still reads its own bytes.
  EXPECT_EQ(t->FieldByName("AFTER")->AsString(), "xyz");
  EXPECT_TRUE(t->FieldByName("FLAG")->AsBoolean());
  EXPECT_EQ(t->FieldByName("DAY")->AsDateTime(), EncodeDate(2009, 12, 24));
  EXPECT_EQ(t->FieldInfos().size(), 7u);

  // Two data bytes for the small integer, 8 for each float, 4 for the
  // string plus terminator, 2 for the Boolean, 4 for the date; one has-value
  // byte each; no calculated or blob fields; the 5-byte trailer.
  EXPECT_EQ(t->FullBufferSize(), (3 + 9 + 9 + 5 + 3 + 5) + 5);
}

TEST_P(TableOpenBothWays, ClosedTableReadsItsFieldDefinitionsAndLetsTheTableGo) {
  MakeTable(dir.Path(), "DEFS.DBF", {{"NAME", 'C', 10}, {"QTY", 'N', 3}});
  auto t = Make("DEFS.DBF");
  t->FieldDefs().Update();
  ASSERT_EQ(t->FieldDefs().Count(), 2);
  EXPECT_EQ(t->WorkArea(), 0);
  EXPECT_FALSE(t->Active());
  // Nobody holds the table any more: an exclusive open succeeds.
  EXPECT_GT(xbe::xb_UseEx((dir.Path() + "DEFS.DBF").c_str(), "PROBE", 2, 2, 1), 0);
  xbe::xb_Close();
}

TEST_P(TableOpenBothWays, SettersRefuseChangesOnAnOpenTableAndLeaveTheValue) {
  MakeTable(dir.Path(), "T.DBF", {{"A", 'C', 1}});
  auto t = Make("T.DBF");
  t->SetFetchCount(0);
  EXPECT_EQ(t->FetchCount(), 1);
  t->Open();
  EXPECT_EQ(ErrorOf([&] { t->SetTableName("U.DBF"); }), "Cannot perform this operation on an open table");
  EXPECT_EQ(t->TableName(), "T.DBF");
  t->SetTableName("T.DBF");  // unchanged: accepted
  EXPECT_EQ(ErrorOf([&] { t->SetReadOnly(true); }), "Cannot perform this operation on an open table");
  EXPECT_FALSE(t->ReadOnly());
  EXPECT_EQ(ErrorOf([&] { t->SetExclusive(true); }), "Cannot perform this operation on an open table");
  EXPECT_EQ(ErrorOf([&] { t->SetCommitLevel(clNone); }), "Cannot change the commit level while the Table is opened");
  EXPECT_EQ(t->CommitLevel(), clNormal);
  EXPECT_EQ(ErrorOf([&] { t->SetAccessMethod(OverServer() ? amLocal : amServer); }),
            "Cannot change data access method while active");
  EXPECT_EQ(ErrorOf([&] { t->SetFetchCount(10); }), "Cannot perform this operation on an open table");
  EXPECT_EQ(t->FetchCount(), 1);
  EXPECT_TRUE(t->Active());
}

TEST_P(TableOpenBothWays, ClosingTwiceIsHarmlessAndHandsTheTableBack) {
  MakeTable(dir.Path(), "T.DBF", {{"A", 'C', 1}});
  auto t = Make("T.DBF");
  int afterClose = 0;
  t->AfterClose = [&](TDataSet*) { ++afterClose; };
  t->Open();
  t->Close();
  t->Close();
  EXPECT_EQ(afterClose, 1);
  EXPECT_EQ(t->WorkArea(), 0);
  if (!OverServer()) {
    EXPECT_EQ(xbe::xb_WorkArea("T"), 0);
  }
  // Nobody holds it any more: an exclusive open goes through.
  EXPECT_GT(xbe::xb_UseEx((dir.Path() + "T.DBF").c_str(), "PROBE", 2, 2, 1), 0);
  xbe::xb_Close();
}

TEST_P(TableOpenBothWays, TableHeldExclusivelyByAnotherProcessFailsTheOpen) {
  MakeTable(dir.Path(), "LOCKSPL.DBF", {{"DUMMY", 'C', 10}});
  const std::string path = dir.Path() + "LOCKSPL.DBF";
  ChildHolder spooler([&] { return xbe::xb_UseEx(path.c_str(), "SPOOLER", 2, 1, 1) > 0; });
  ASSERT_TRUE(spooler.BodySucceeded());
  auto t = Make("LOCKSPL.DBF");
  t->SetReadOnly(true);
  t->SetTableType(ttSXNTX);
  // The server's refusal says so in its own words.
  EXPECT_EQ(ErrorOf([&] { t->Open(); }),
            (OverServer() ? "Unable to open table.\rFile: " : "Unable to open table: ") + t->FullTableFileName());
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->WorkArea(), 0);
}

TEST_F(TableOpen, FailureAfterTheEngineOpenedTheAreaClosesItAgain) {
  MakeTable(dir.Path(), "T.DBF", {{"A", 'C', 1}});
  auto t = TableOn(dir.Path(), "T.DBF");
  t->ExtraIndexes().Add("MISSING");
  EXPECT_EQ(ErrorOf([&] { t->Open(); }), "Invalid IndexName value : MISSING");
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->WorkArea(), 0);
  EXPECT_EQ(xbe::xb_WorkArea("T"), 0);
  // Nobody holds it: an exclusive open goes through.
  short area = xbe::xb_UseEx((dir.Path() + "T.DBF").c_str(), "PROBE", 2, 2, 1);
  EXPECT_GT(area, 0);
  xbe::xb_Close();
}

TEST_F(TableOpen, ServerTableWithoutAConnectionFailsItsOpen) {
  TXbTable t(nullptr);
  t.SetTableName("T.DBF");
  t.SetAccessMethod(amServer);
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "No XbConnection specified");
  TXbConnection conn(nullptr);
  t.SetXbConnection(&conn);
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Not connected");
  EXPECT_FALSE(t.Active());
  t.SetXbConnection(nullptr);
}

TEST_F(TableOpen, MovingDatabaseNameOfAnOpenTableClosesIt) {
  ScratchDir other;
  MakeTable(dir.Path(), "LOCKSPL.DBF", {{"DUMMY", 'C', 10}});
  MakeTable(other.Path(), "LOCKSPL.DBF", {{"DUMMY", 'C', 10}});
  auto t = TableOn(dir.Path(), "LOCKSPL.DBF");
  t->Open();
  ASSERT_TRUE(t->Flock());
  t->SetDatabaseName(other.Path());
  EXPECT_FALSE(t->Active());
  t->Open();
  EXPECT_TRUE(t->Flock());
  // The first directory's table is free again, and the second is held by us
  // (another work area conflicts as another process would).
  const std::string first = dir.Path() + "LOCKSPL.DBF";
  short probe = xbe::xb_UseEx(first.c_str(), "PROBE", 2, 1, 1);
  EXPECT_GT(probe, 0);
  xbe::xb_Close();
  const std::string second = other.Path() + "LOCKSPL.DBF";
  probe = xbe::xb_UseEx(second.c_str(), "PROBE", 0, 1, 1);
  ASSERT_GT(probe, 0);
  EXPECT_EQ(xbe::xb_Flock(), 0);
  xbe::xb_Close();
  // The same directory written differently keeps the table open.
  t->SetDatabaseName(other.Path().substr(0, other.Path().size() - 1));
  EXPECT_TRUE(t->Active());
}

TEST_P(TableOpenBothWays, LockTableIsCreatedWithItsOneFieldAndOpens) {
  TComponent owner(nullptr);
  auto* t = new TXbTable(&owner);
  Place(*t);
  t->SetTableName("LOCKSPL.DBF");
  t->SetReadOnly(true);
  t->SetTableType(ttSXNTX);
  auto* dummy = new TStringField(&owner);
  dummy->SetFieldName("DUMMY");
  dummy->SetSize(10);
  dummy->SetDataSet(t);
  EXPECT_THROW(t->Open(), EXbError);
  t->CreateTable();
  EXPECT_EQ(t->WorkArea(), 0);
  t->Open();
  ASSERT_TRUE(t->Active());
  ASSERT_EQ(t->FieldDefs().Count(), 1);
  EXPECT_EQ(t->FieldDefs()[0]->Name(), "DUMMY");
  EXPECT_EQ(t->FieldDefs()[0]->Size(), 10);
  EXPECT_TRUE(t->Eof());
  t->Close();
  ASSERT_GT(xbe::xb_UseEx((dir.Path() + "LOCKSPL.DBF").c_str(), "PROBE", 2, 2, 1), 0);
  EXPECT_STREQ(xbe::xb_FieldType("DUMMY"), "C");
  EXPECT_EQ(xbe::xb_FieldWidth("DUMMY"), 10);
  xbe::xb_Close();
}

TEST_P(TableOpenBothWays, CreationMapsTypesAndRefusesBadDefinitionsBeforeTouchingTheDisk) {
  auto t = Make("ORDERS");
  t->FieldDefs().Add("NAME", ftString, 12);
  t->FieldDefs().Add("QTY", ftSmallint);
  t->FieldDefs().Add("TOTAL", ftInteger);
  t->FieldDefs().Add("OK", ftBoolean);
  t->FieldDefs().Add("PRICE", ftFloat);
  t->FieldDefs().Add("AMOUNT", ftCurrency);
  t->FieldDefs().Add("DAY", ftDate);
  t->FieldDefs().Add("NOTE", ftMemo);
  t->CreateTable();
  short area = xbe::xb_UseEx((dir.Path() + "ORDERS.DBF").c_str(), "PROBE", 0, 2, 1);
  ASSERT_GT(area, 0);
  struct Expect {
    const char* name;
    const char* type;
    int width, decimals;
  } expected[] = {{"NAME", "C", 12, 0}, {"QTY", "N", 6, 0},    {"TOTAL", "N", 11, 0}, {"OK", "L", 1, 0},
                  {"PRICE", "N", 20, 4}, {"AMOUNT", "N", 20, 2}, {"DAY", "D", 8, 0},   {"NOTE", "M", 10, 0}};
  for (const Expect& e : expected) {
    EXPECT_STREQ(xbe::xb_FieldType(e.name), e.type) << e.name;
    EXPECT_EQ(xbe::xb_FieldWidth(e.name), e.width) << e.name;
    EXPECT_EQ(xbe::xb_FieldDecimals(e.name), e.decimals) << e.name;
  }
  xbe::xb_Close();

  auto bad = Make("BAD.DBF");
  EXPECT_EQ(ErrorOf([&] { bad->CreateTable(); }), "Missing required field definitions");
  bad->FieldDefs().Add("1ST", ftString, 5);
  EXPECT_EQ(ErrorOf([&] { bad->CreateTable(); }), "Invalid field name. Field names must begin with a letter");
  bad->FieldDefs().Clear();
  bad->FieldDefs().Add("ELEVENCHARS", ftString, 5);
  EXPECT_EQ(ErrorOf([&] { bad->CreateTable(); }), "Invalid field name. Field names must begin with a letter");
  bad->FieldDefs().Clear();
  bad->FieldDefs().Add("W", ftWord);
  EXPECT_EQ(ErrorOf([&] { bad->CreateTable(); }), "Invalid field type [4]");
  EXPECT_FALSE(FileExists(dir.Path() + "BAD.DBF"));
}

TEST_F(TableOpen, FailedCreationStopsAndLeavesOtherTablesAlone) {
  MakeTable(dir.Path(), "KEEP.DBF", {{"A", 'C', 3}}, {{"one"}});
  auto keep = TableOn(dir.Path(), "KEEP.DBF");
  keep->Open();
  auto t = TableOn(dir.Path() + "no/such/dir/", "NEW.DBF");
  t->FieldDefs().Add("A", ftString, 3);
  EXPECT_THROW(t->CreateTable(), EXbError);
  EXPECT_EQ(t->WorkArea(), 0);
  // The table that happened to be current is still open and readable.
  EXPECT_STREQ(xbe::xb_Alias(keep->WorkArea()), "KEEP");
  keep->Refresh();
  EXPECT_EQ(keep->FieldByName("A")->AsString(), "one");
}

TEST_P(TableOpenBothWays, CreationRefusedByTheEngineLeavesAnotherOpenTableUsable) {
  MakeTable(dir.Path(), "KEEP.DBF", {{"A", 'C', 3}}, {{"one"}, {"two"}});
  MakeTable(dir.Path(), "HELD.DBF", {{"A", 'C', 3}});
  // Another process holds HELD.DBF (started before anything is open here).
  const std::string held = dir.Path() + "HELD.DBF";
  ChildHolder other([&] { return xbe::xb_UseEx(held.c_str(), "HOLDER", 2, 1, 1) > 0; });
  ASSERT_TRUE(other.BodySucceeded());
  auto keep = Make("KEEP.DBF");
  keep->Open();
  std::string stored = "two";
  auto expectKeepUsable = [&](const std::string& next) {
    SCOPED_TRACE(next);
    ASSERT_TRUE(keep->Active());
    if (!OverServer()) {
      EXPECT_STREQ(xbe::xb_Alias(keep->WorkArea()), "KEEP");
    }
    keep->First();
    keep->Next();
    EXPECT_EQ(keep->FieldByName("A")->AsString(), stored);
    keep->Edit();
    keep->FieldByName("A")->SetAsString(next);
    keep->Post();
    stored = next;
    EXPECT_EQ(ReadColumn(dir.Path() + "KEEP.DBF", "A"), (std::vector<std::string>{"one", next + " "}));
  };

  // Definitions the engine itself refuses field by field: a character the
  // name may not hold, a character field wider than the table type allows.
  auto badName = Make("NEW1.DBF");
  badName->FieldDefs().Add("BAD-NAME", ftString, 3);
  EXPECT_EQ(ErrorOf([&] { badName->CreateTable(); }), "Unable to create table.\rFile: " + badName->FullTableFileName());
  EXPECT_EQ(badName->WorkArea(), 0);
  EXPECT_FALSE(FileExists(dir.Path() + "NEW1.DBF"));
  expectKeepUsable("b1");

  auto tooWide = Make("NEW2.DBF");
  tooWide->FieldDefs().Add("OK", ftString, 3);
  tooWide->FieldDefs().Add("WIDE", ftString, 300);
  EXPECT_THROW(tooWide->CreateTable(), EXbError);
  EXPECT_EQ(tooWide->WorkArea(), 0);
  expectKeepUsable("b2");

  // The held table: the engine refuses at the last step.
  auto overHeld = Make("HELD.DBF");
  overHeld->FieldDefs().Add("A", ftString, 3);
  EXPECT_THROW(overHeld->CreateTable(), EXbError);
  expectKeepUsable("b3");
}

TEST_P(TableOpenBothWays, CreationRefusesATableHeldByAnotherProcess) {
  MakeTable(dir.Path(), "LOCKSPL.DBF", {{"DUMMY", 'C', 10}}, {{"kept"}});
  const std::string path = dir.Path() + "LOCKSPL.DBF";
  {
    ChildHolder spooler([&] { return xbe::xb_UseEx(path.c_str(), "SPOOLER", 2, 1, 1) > 0; });
    ASSERT_TRUE(spooler.BodySucceeded());
    auto t = Make("LOCKSPL.DBF");
    t->FieldDefs().Add("DUMMY", ftString, 10);
    EXPECT_EQ(ErrorOf([&] { t->CreateTable(); }), "Unable to create table.\rFile: " + t->FullTableFileName());
    EXPECT_EQ(t->WorkArea(), 0);
  }
  EXPECT_EQ(ReadColumn(path, "DUMMY"), std::vector<std::string>{"kept      "});
}

TEST_F(TableOpen, IndexDefinitionsBecomeTagsOfTheProductionIndex) {
  auto t = TableOn(dir.Path(), "IDX.DBF");
  t->FieldDefs().Add("NAME", ftString, 10);
  t->FieldDefs().Add("AMOUNT", ftCurrency);
  t->IndexDefs().Add("BYNAME", "NAME;AMOUNT", TIndexOptions{ixCaseInsensitive});
  EXPECT_NO_THROW(t->CreateTable()) << t->LastErrorText();
  EXPECT_EQ(t->WorkArea(), 0);
  EXPECT_TRUE(FileExists(dir.Path() + "IDX.DBF"));
  EXPECT_TRUE(FileExists(dir.Path() + "IDX.CDX"));
  // The production index opens with the table and holds the tag.
  short area = xbe::xb_UseEx((dir.Path() + "IDX.DBF").c_str(), "PROBE", 2, 2, 1);
  EXPECT_GT(area, 0);  // nothing left holding it
  EXPECT_EQ(xbe::xb_SysProp(3000, 0), 1);
  EXPECT_EQ(xbe::xb_TagArea("BYNAME"), 1);
  xbe::xb_SetOrder(1);
  EXPECT_STREQ(xbe::xb_IndexKey(), "Upper(NAME+STR(AMOUNT,20,2))");
  xbe::xb_Close();
}

TEST_F(TableOpen, KeyFieldsOfAnIndexExpression) {
  EXPECT_EQ(TXbTable::IndexKeyFields("DTOS(ORDDATE)+UPPER(NAME)"), "ORDDATE;NAME");
  EXPECT_EQ(TXbTable::IndexKeyFields("STR(QTY,5)"), "QTY");
  EXPECT_EQ(TXbTable::IndexKeyFields("NAME"), "NAME");
}

class TResourceRoot : public TDataModule {
public:
  using TDataModule::TDataModule;
  String ClassName() const override { return "TResourceRoot"; }
};

TEST_F(TableOpen, TableDeclaredInAResourceLoadsWithPropertiesAndEvents) {
  MakeTable(dir.Path(), "RMSPOOL.DBF", {{"SUBDIR", 'C', 8}}, {{"P1"}});
  TResourceRoot root(nullptr);
  int opened = 0;
  root.RegisterMethod<void(TDataSet*)>("tblAfterOpen", [&](TDataSet*) { ++opened; });
  const String text = "object Root: TResourceRoot\n"
                      "  object tblRMSpool: TXbTable\n"
                      "    DatabaseName = '" + dir.Path() + "'\n"
                      "    TableName = 'RMSPOOL.DBF'\n"
                      "    TableType = ttSXNTX\n"
                      "    ReadOnly = True\n"
                      "    EOFAction = eaEOF\n"
                      "    Active = True\n"
                      "    AfterOpen = tblAfterOpen\n"
                      "  end\n"
                      "end\n";
  ReadComponentResource(&root, text);
  auto* t = dynamic_cast<TXbTable*>(root.FindComponent("tblRMSpool"));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->TableType(), ttSXNTX);
  EXPECT_TRUE(t->ReadOnly());
  EXPECT_EQ(t->EOFAction(), eaEOF);
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(t->FieldByName("SUBDIR")->AsString(), "P1");
}

// A table placed in a database folder: over the server through conn, with the
// database name set before the connection or after it.
std::unique_ptr<TXbTable> InFolder(bool overServer, TXbConnection* conn, const std::string& local,
                                   const std::string& remote, const std::string& file, bool nameFirst) {
  auto t = std::make_unique<TXbTable>(nullptr);
  if (overServer) {
    t->SetAccessMethod(amServer);
    if (nameFirst) t->SetDatabaseName(remote);
    t->SetXbConnection(conn);
    if (!nameFirst) t->SetDatabaseName(remote);
  } else {
    t->SetDatabaseName(local);
  }
  t->SetTableName(file);
  return t;
}

TEST_P(TableOpenBothWays, DatabaseNameSetBeforeOrAfterTheConnectionOpens) {
  MakeTable(dir.Path(), "T.DBF", {{"V", 'C', 3}}, {{"a"}, {"b"}});
  // The name first, on a connection no table has named a database for yet.
  auto before = InFolder(OverServer(), conn.get(), dir.Path(), "DATA", "T.DBF", true);
  before->Open();
  EXPECT_EQ(WalkAll(*before, "V"), (std::vector<std::string>{"a", "b"}));
  auto after = InFolder(OverServer(), conn.get(), dir.Path(), "DATA", "T.DBF", false);
  after->Open();
  EXPECT_EQ(WalkAll(*after, "V"), (std::vector<std::string>{"a", "b"}));
}

// Tables of one connection in different database folders: each checks for,
// opens and indexes the files of its own folder, whichever table named its
// database last.
TEST_P(TableOpenBothWays, TablesInTwoDatabaseFoldersOpenAndIndexTheirOwnFiles) {
  const std::string one = dir.Path() + "ONE/", two = dir.Path() + "TWO/";
  ASSERT_TRUE(CreateDir(one));
  ASSERT_TRUE(CreateDir(two));
  // The same names in both folders, told apart by their rows; each folder's
  // index file orders its own table only.
  MakeTable(one, "T.DBF", {{"V", 'C', 3}}, {{"b"}, {"c"}, {"a"}});
  MakeTable(two, "T.DBF", {{"V", 'C', 3}}, {{"y"}, {"z"}, {"w"}, {"x"}});
  MakeTable(one, "ONLY.DBF", {{"V", 'C', 3}}, {{"one"}});
  for (const std::string& folder : {one, two}) {
    auto maker = TableOn(folder, "T.DBF");
    maker->Open();
    maker->Index("BYV.IDX", "V", "", false, false);
  }
  const auto place = [&](const std::string& folder, const std::string& file) {
    auto t = InFolder(OverServer(), conn.get(), dir.Path() + folder + "/", folder, file, false);
    t->ExtraIndexes().Add("BYV.IDX");
    return t;
  };
  auto only = InFolder(OverServer(), conn.get(), one, "ONE", "ONLY.DBF", false);
  auto first = place("ONE", "T.DBF");
  auto second = place("TWO", "T.DBF");
  first->SetIndexName("BYV.IDX");
  second->SetIndexName("BYV.IDX");

  only->Open();
  EXPECT_EQ(WalkAll(*only, "V"), (std::vector<std::string>{"one"}));
  first->Open();
  second->Open();
  EXPECT_EQ(WalkAll(*first, "V"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(WalkAll(*second, "V"), (std::vector<std::string>{"w", "x", "y", "z"}));
  // An order taken up again on an open table, after the other table worked.
  first->SetIndexName("");
  EXPECT_EQ(WalkAll(*first, "V"), (std::vector<std::string>{"b", "c", "a"}));
  first->SetIndexName("BYV.IDX");
  EXPECT_EQ(WalkAll(*first, "V"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(WalkAll(*second, "V"), (std::vector<std::string>{"w", "x", "y", "z"}));
}

}  // namespace
