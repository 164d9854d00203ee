// Index orders, scopes and bookmarks of a table with the engine on this
// machine: failures that must leave the order as it was, extra index files,
// index definitions. Walks, scopes, filters and positions checked against a
// sorted model run both ways in test_server_index.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "class_library/core/StringList.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/IndexTestSupport.h"

using idxtest::ErrorOf;
using idxtest::Numbers;
using idxtest::TableOn;
using idxtest::WalkAll;

namespace {

class TableIndex : public ::testing::Test {
protected:
  void SetUp() override { RequireEngine(); }

  void MakePeople(int n) { people.Make(dir.Path(), n); }

  std::unique_ptr<TXbTable> OpenPeople() {
    auto t = TableOn(dir.Path(), "PEOPLE.DBF");
    t->Open();
    return t;
  }


  ScratchDir dir;
  idxtest::People people;
  std::vector<std::string>& names = people.names;
  std::vector<int>& qty = people.qty;
};

TEST_F(TableIndex, BookmarksCompareInTheCurrentOrder) {
  MakePeople(20);
  auto t = OpenPeople();
  t->IndexTag("", "BYQTY", "QTY", "", false, false);
  t->SetRecNo(9);
  const TBookmark nine = t->GetBookmark();
  t->SetRecNo(10);
  const TBookmark ten = t->GetBookmark();
  // 9 comes before 10 as a number (not after it, as the text "9" would).
  EXPECT_EQ(t->CompareBookmarks(nine, ten), -1);
  EXPECT_EQ(t->CompareBookmarks(ten, nine), 1);
  EXPECT_EQ(t->CompareBookmarks(nine, nine), 0);
  EXPECT_EQ(t->CompareBookmarks(nine, TBookmark{}), 2);
  // The comparison leaves the table where it was.
  EXPECT_EQ(t->FieldByName("QTY")->AsInteger(), 10);

  t->IndexTag("", "DOWN", "QTY", "", false, true);
  EXPECT_EQ(t->CompareBookmarks(nine, ten), 1);
  t->SetIndexName("");
  // Natural order: by record number.
  const int nineRec = *reinterpret_cast<const std::int32_t*>(nine.data());
  const int tenRec = *reinterpret_cast<const std::int32_t*>(ten.data());
  EXPECT_EQ(t->CompareBookmarks(nine, ten), nineRec < tenRec ? -1 : 1);
}

TEST_F(TableIndex, KeyFieldsOfAnExpressionSkipQuotedLiterals) {
  EXPECT_EQ(TXbTable::IndexKeyFields("IIF(PAID,\"1\",\"0\")+NAME"), "PAID;NAME");
  EXPECT_EQ(TXbTable::IndexKeyFields("IIF(PAID,'Y','N')+STR(QTY,5)"), "PAID;QTY");
  EXPECT_EQ(TXbTable::IndexKeyFields("DTOS(ORDDATE)+UPPER(NAME)"), "ORDDATE;NAME");
}

TEST_F(TableIndex, IndexTheEngineRefusesRaisesAndKeepsTheOrder) {
  MakePeople(10);
  auto t = OpenPeople();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  const int order = t->IndexOrd();
  EXPECT_EQ(ErrorOf([&] { t->Index("/nonexistent-dir/X.IDX", "NAME", "", false, false); }),
            "Unable to create index /nonexistent-dir/X.IDX [NAME]");
  EXPECT_EQ(t->IndexName(), "BYNAME");
  EXPECT_EQ(t->IndexOrd(), order);
  EXPECT_EQ(ErrorOf([&] { t->Index("Y.IDX", "NOSUCHFIELD", "", false, false); }),
            "Invalid index expression [NOSUCHFIELD]");
  EXPECT_EQ(ErrorOf([&] { t->IndexTag("", "", "NAME", "", false, false); }),
            "Missing Parameter to IndexTag Method: Index Tag Name");
  EXPECT_EQ(ErrorOf([&] { t->Index("", "NAME", "", false, false); }),
            "Missing Parameter to Index Method: Index File Name");
  EXPECT_EQ(ErrorOf([&] { t->IndexTag("", "T", "", "", false, false); }),
            "Missing Parameter to Index or IndexTag Method: Index Expression");
}

TEST_F(TableIndex, ExtraIndexThatCannotBeOpenedRaisesAndLeavesTheOrder) {
  MakePeople(12);
  auto t = OpenPeople();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->Index("BYQTY", "QTY", "", false, false);  // a single-order file BYQTY.IDX
  t->SetIndexName("");
  { std::ofstream(dir.Path() + "BAD.IDX") << "not an index at all, just some bytes"; }
  TStringList list;
  list.Add("BYQTY");
  list.Add("BAD");
  EXPECT_EQ(ErrorOf([&] { t->SetExtraIndexes(list); }), "Invalid IndexName value : BAD");
  EXPECT_EQ(t->IndexOrd(), 0);
  // The production index was opened again from beside the table (not from
  // the current directory): its tag is still there.
  t->SetIndexName("BYNAME");
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(WalkAll(*t, "NAME"), sorted);

  // A good list: the first extra file becomes the order when none is set.
  TStringList good;
  good.Add("");
  good.Add("BYQTY");
  t->SetExtraIndexes(good);
  EXPECT_EQ(t->IndexName(), dir.Path() + "BYQTY.IDX");
  EXPECT_EQ(WalkAll(*t, "QTY").front(), "1");
  EXPECT_NE(t->IndexDefs().Find("BYNAME"), nullptr);
}

TEST_F(TableIndex, IndexNameThatCannotBeHadRaisesOnOpenAndOnAnOpenTable) {
  MakePeople(5);
  auto t = TableOn(dir.Path(), "PEOPLE.DBF");
  t->SetIndexName("NOSUCH");
  EXPECT_EQ(ErrorOf([&] { t->Open(); }), "Invalid IndexName value : NOSUCH");
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->WorkArea(), 0);
  t->SetIndexName("");
  t->Open();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  const int order = t->IndexOrd();
  EXPECT_EQ(ErrorOf([&] { t->SetIndexName("CUSTNO"); }), "Invalid IndexName value : CUSTNO");
  EXPECT_EQ(t->IndexOrd(), order);
  // Reopened with a tag name: the order is there from the start.
  t->Close();
  t->SetIndexName("BYNAME");
  t->Open();
  EXPECT_EQ(t->IndexOrd(), order);
  EXPECT_EQ(t->IndexKey(), "NAME");
}

TEST_F(TableIndex, IndexNameFindsItsOrderAmongTheExtraIndexes) {
  MakePeople(15);
  {
    auto maker = OpenPeople();
    maker->IndexTag("", "BYNAME", "NAME", "", false, false);  // production index, order 1
    maker->Index("BYQTY.IDX", "QTY", "", false, false);
    maker->IndexTag("OTHER.CDX", "UP", "QTY", "", false, false);
    maker->IndexTag("OTHER.CDX", "DOWN", "QTY", "", false, true);
  }
  std::vector<int> up = qty, down = qty;
  std::sort(up.begin(), up.end());
  std::sort(down.rbegin(), down.rend());
  // A file named in the list is the order the engine gives it, not its
  // place in the list (the production index comes first).
  auto t = TableOn(dir.Path(), "PEOPLE.DBF");
  t->ExtraIndexes().Add("BYQTY.IDX");
  t->SetIndexName("BYQTY.IDX");
  t->Open();
  EXPECT_EQ(WalkAll(*t, "QTY"), Numbers(up));
  t->Close();
  // A tag of an extra compound file is found once the file is open.
  auto other = TableOn(dir.Path(), "PEOPLE.DBF");
  other->ExtraIndexes().Add("OTHER.CDX");
  other->SetIndexName("DOWN");
  other->Open();
  EXPECT_EQ(other->IndexName(), "DOWN");
  EXPECT_EQ(WalkAll(*other, "QTY"), Numbers(down));
  other->Close();
  other->SetIndexName("NOWHERE");
  EXPECT_EQ(ErrorOf([&] { other->Open(); }), "Invalid IndexName value : NOWHERE");
  EXPECT_FALSE(other->Active());
}

TEST_F(TableIndex, ScopeHoldsAgainAfterTheTableIsReopened) {
  MakePeople(30);
  auto t = OpenPeople();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->SetScopeBegin("D");
  t->SetScopeEnd("D");
  t->SetScoped(true);
  const std::vector<std::string> scoped = WalkAll(*t, "NAME");
  ASSERT_EQ(scoped.size(), 5u);
  t->Close();
  t->Open();
  EXPECT_TRUE(t->Scoped());
  EXPECT_EQ(WalkAll(*t, "NAME"), scoped);
}

TEST_F(TableIndex, ClosedTableRefusesScopesAndIndexes) {
  MakePeople(3);
  auto t = TableOn(dir.Path(), "PEOPLE.DBF");
  EXPECT_EQ(ErrorOf([&] { t->SetScoped(true); }), "Cannot perform this operation on a closed table");
  EXPECT_EQ(ErrorOf([&] { t->Index("A", "NAME", "", false, false); }),
            "Cannot perform this operation on a closed table");
  EXPECT_EQ(t->IndexKey(), "");
  t->Open();
  EXPECT_EQ(ErrorOf([&] { t->IndexKey(); }), "This operation requires an active index order");
}

TEST_F(TableIndex, IndexDefinitionsDescribeTheOpenOrders) {
  MakePeople(3);
  auto t = OpenPeople();
  t->IndexTag("", "BYNAME", "NAME", "", true, false);
  t->IndexTag("", "NOCASE", "UPPER(NAME)", "", false, false);
  TIndexDef* plain = t->IndexDefs().Find("BYNAME");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->Fields(), "NAME");
  EXPECT_EQ(plain->Expression(), "");
  EXPECT_TRUE(plain->Options().Contains(ixUnique));
  TIndexDef* upper = t->IndexDefs().Find("NOCASE");
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(upper->Expression(), "UPPER(NAME)");
  EXPECT_TRUE(upper->Options().Contains(ixCaseInsensitive));
  EXPECT_TRUE(upper->Options().Contains(ixExpression));
}

TEST_F(TableIndex, CreatedFloatKeysKeepTheirDecimals) {
  auto t = TableOn(dir.Path(), "AMOUNTS.DBF");
  t->FieldDefs().Add("AMT", ftFloat);
  t->FieldDefs().Add("NAME", ftString, 10);
  t->IndexDefs().Add("BYAMT", "AMT;NAME", TIndexOptions{ixUnique});
  t->CreateTable();
  t->SetIndexName("BYAMT");
  t->Open();
  EXPECT_EQ(t->IndexKey(), "STR(AMT,20,4)+NAME");
  for (double v : {1.5, 1.4, 1.25}) {
    t->Append();
    t->FieldByName("AMT")->SetAsFloat(v);
    t->FieldByName("NAME")->SetAsString("A");
    t->Post();
  }
  // Without the decimals all three keys would be "1" or "2" plus A: the
  // unique index would keep only some of them, in the wrong order.
  EXPECT_EQ(WalkAll(*t, "AMT"), (std::vector<std::string>{"1.25", "1.4", "1.5"}));
}

}  // namespace
