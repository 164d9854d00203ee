// Indexes, scopes, filter expressions, positions, searches and detail tables,
// with the engine on this machine and through the test server: walks checked
// against a sorted model, the same both ways. What only the engine on this
// machine does is tested in test_table_index.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "class_library/datasets/DataSource.h"
#include "class_library/core/FormatSettings.h"

#include "data_access/tests/IndexTestSupport.h"
#include "data_access/tests/TableAccess.h"

namespace {

using idxtest::ErrorOf;
using idxtest::Numbers;
using idxtest::WalkAll;

class IndexBothWays : public TableAccessTest {
protected:
  void MakePeople(int n) { people.Make(dir.Path(), n); }
  idxtest::People people;
  std::vector<std::string>& names = people.names;
  std::vector<int>& qty = people.qty;
};
TW_TABLE_TESTS_BOTH_WAYS(IndexBothWays);

TEST_P(IndexBothWays, OrderedScopedAndFilteredWalks) {
  MakePeople(60);
  auto t = Open("PEOPLE.DBF");
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  EXPECT_EQ(t->IndexName(), "BYNAME");
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(WalkAll(*t, "NAME"), sorted);

  // Numbers order as numbers (9 before 10), descending runs backwards.
  t->IndexTag("", "BYQTY", "QTY", "", false, true);
  std::vector<int> down = qty;
  std::sort(down.rbegin(), down.rend());
  EXPECT_EQ(WalkAll(*t, "QTY"), Numbers(down));

  // A scope from B to C keeps the names beginning with B or C.
  t->SetIndexName("BYNAME");
  t->SetScopeBegin("B");
  t->SetScopeEnd("C");
  t->SetScoped(true);
  EXPECT_TRUE(t->Scoped());
  std::vector<std::string> scoped;
  for (const auto& n : sorted)
    if (n[0] == 'B' || n[0] == 'C') scoped.push_back(n);
  EXPECT_EQ(WalkAll(*t, "NAME"), scoped);
  t->Last();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), scoped.back());
  t->SetScoped(false);
  EXPECT_FALSE(t->Scoped());
  EXPECT_EQ(WalkAll(*t, "NAME"), sorted);

  // Natural order again.
  t->SetIndexName("");
  EXPECT_EQ(t->IndexOrd(), 0);
  EXPECT_EQ(WalkAll(*t, "NAME"), names);

  t->SetFilterText("QTY > 30");
  t->SetFiltered(true);
  std::vector<int> big;
  for (int q : qty)
    if (q > 30) big.push_back(q);
  EXPECT_EQ(WalkAll(*t, "QTY"), Numbers(big));
  EXPECT_EQ(t->DBFilter(), "QTY > 30");
  EXPECT_EQ(ErrorOf([&] { t->SetFilterText("NAME"); }), "Invalid Query Expression");
  t->SetFiltered(false);
  EXPECT_EQ(WalkAll(*t, "QTY").size(), 60u);
}

TEST_P(IndexBothWays, PositionsUnderAnIndexAreExact) {
  // Key k of n sits at k/n; the position read back must be k for every k,
  // also where k/n times n comes out a hair below k (29 of 100, 57 of 100).
  for (int n : {100, 49}) {
    MakePeople(n);
    auto t = Open("PEOPLE.DBF");
    t->IndexTag("", "BYQTY", "QTY", "", false, false);
    t->First();
    for (int k = 1; k <= n; ++k) {
      ASSERT_EQ(t->GetRecNo(), k) << "walking, key " << k << " of " << n;
      t->Next();
    }
    for (int k = n; k >= 1; k -= 7) {
      t->SetRecNo(k);
      EXPECT_EQ(t->FieldByName("QTY")->AsInteger(), k) << "key " << k << " of " << n;
      EXPECT_EQ(t->GetRecNo(), k);
    }
    t->Close();
  }
}

TEST_P(IndexBothWays, PositionsUnderAFilterCountWhatTheWalkShows) {
  // Under an order and a filter, with the count of what the filter keeps,
  // the k-th record of the walk is at position k of that count, and setting
  // a position lands on the walk's record there, never on one filtered out.
  MakePeople(60);
  auto t = Open("PEOPLE.DBF");
  t->SetSequencedCount(scFilterOnlyCount);
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->SetFilterText("QTY % 3 <> 0");
  t->SetFiltered(true);
  const std::vector<std::string> walk = WalkAll(*t, "NAME");
  const int n = static_cast<int>(walk.size());
  ASSERT_EQ(n, 40);
  EXPECT_EQ(t->RecordCount(), n);
  t->First();
  for (int k = 1; k <= n; ++k) {
    ASSERT_EQ(t->GetRecNo(), k) << "walking, record " << k << " of " << n;
    t->Next();
  }
  for (int k = n; k >= 1; k -= 3) {
    t->SetRecNo(k);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), walk[static_cast<size_t>(k - 1)]) << "record " << k << " of " << n;
    EXPECT_NE(t->FieldByName("QTY")->AsInteger() % 3, 0);
    EXPECT_EQ(t->GetRecNo(), k);
  }
}

TEST_P(IndexBothWays, NumbersKeepTheirPointInACommaDecimalLocale) {
  // Numbers the engine answers or is handed as text (a found record's value,
  // a place in an order) are not the user's texts: a comma locale must not
  // change them on the way.
  MakePeople(10);
  MakeTable(dir.Path(), "P.DBF", {{"PRICE", 'N', 8, 2}}, {{"7.25"}, {"12.50"}, {"3.75"}});
  struct Locale {
    TFormatSettings saved = FormatSettings;
    Locale() {
      FormatSettings.DecimalSeparator = ',';
      FormatSettings.ThousandSeparator = '.';
    }
    ~Locale() { FormatSettings = saved; }
  } comma;
  auto p = Open("P.DBF");
  p->IndexTag("", "BYPRICE", "PRICE", "", false, false);
  EXPECT_TRUE(p->Locate("PRICE", 12.5, {}));
  EXPECT_EQ(p->FieldByName("PRICE")->AsString(), "12,5");
  EXPECT_FALSE(p->Locate("PRICE", 12.25, {}));
  EXPECT_EQ(p->Cursor().EvalNumeric("PRICE * 3"), 37.5);
  EXPECT_EQ(p->Cursor().GetDouble("PRICE"), 12.5);

  auto t = Open("PEOPLE.DBF");
  t->IndexTag("", "BYQTY", "QTY", "", false, false);
  for (int k : {3, 5, 8}) {
    t->SetRecNo(k);
    EXPECT_EQ(t->FieldByName("QTY")->AsInteger(), k);
  }
}

TEST_P(IndexBothWays, SearchesFindTheRecordAndMissesStayPut) {
  MakeTable(dir.Path(), "CUST.DBF", {{"NAME", 'C', 10}, {"CODE", 'N', 4}},
            {{"ABC", "3"}, {"abc", "12"}, {"Abd", "7"}, {"xyz", "12"}, {"mixed", "9"}});
  auto t = Open("CUST.DBF");
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->SetIndexName("");
  t->Last();
  EXPECT_TRUE(t->Locate("NAME", "xy", TLocateOptions{loPartialKey}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "xyz");
  EXPECT_TRUE(t->Locate("name", "abc", {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "abc");
  EXPECT_EQ(t->IndexName(), "");
  EXPECT_FALSE(t->Locate("NAME", "zz", TLocateOptions{loPartialKey}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "abc");
  t->Next();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Abd");
  // A search over a field without an order goes through a query.
  EXPECT_TRUE(t->Locate("CODE", 9, {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "mixed");
  EXPECT_EQ(t->Lookup("CODE", 7, "NAME").AsString(), "Abd");
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "mixed");
}

TEST_P(IndexBothWays, DetailTableFollowsItsMasterAndTakesItsKey) {
  std::vector<std::vector<std::string>> orders;
  for (int o = 1; o <= 4; ++o) orders.push_back({std::to_string(o)});
  MakeTable(dir.Path(), "ORDERS.DBF", {{"ORDERNO", 'N', 5}}, orders);
  std::map<int, std::vector<std::string>> model;
  std::vector<std::vector<std::string>> lines;
  for (int i : idxtest::Shuffled(20)) {
    const int order = i % 5 + 1;  // order 5 has no master
    const std::string item = "I" + std::to_string(100 + i);
    lines.push_back({std::to_string(order), item});
    model[order].push_back(item);
  }
  MakeTable(dir.Path(), "LINES.DBF", {{"ORDERNO", 'N', 5}, {"ITEM", 'C', 8}}, lines);
  {
    auto maker = Open("LINES.DBF");
    maker->IndexTag("", "BYORDER", "ORDERNO", "", false, false);
  }
  auto master = Open("ORDERS.DBF");
  TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = Open("LINES.DBF", [&](TXbTable& t) {
    t.SetIndexName("BYORDER");
    t.SetMasterSource(&source);
    t.SetMasterFields("ORDERNO");
  });
  master->First();
  for (int o = 1; o <= 4; ++o) {
    EXPECT_EQ(WalkAll(*detail, "ITEM"), model[o]) << "order " << o;
    master->Next();
  }
  master->First();
  master->Next();  // order 2
  detail->Append();
  EXPECT_EQ(detail->FieldByName("ORDERNO")->AsInteger(), 2);
  detail->FieldByName("ITEM")->SetAsString("NEW");
  detail->Post();
  master->Next();
  master->Prior();
  model[2].push_back("NEW");
  EXPECT_EQ(WalkAll(*detail, "ITEM"), model[2]);
  detail->SetMasterSource(nullptr);
  EXPECT_EQ(WalkAll(*detail, "ITEM").size(), 21u);
}

}  // namespace
