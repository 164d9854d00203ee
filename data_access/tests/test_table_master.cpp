// A detail table following its master through MasterSource and MasterFields.
// Encrypted tables are tested both ways in test_server_table.cpp.
#include <gtest/gtest.h>

#include <map>

#include "class_library/datasets/DataSource.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/IndexTestSupport.h"

using idxtest::ErrorOf;
using idxtest::TableOn;
using idxtest::WalkAll;

namespace {

class TableMaster : public ::testing::Test {
protected:
  void SetUp() override {
    RequireEngine();
    // Orders 1..6 (order 4 has no lines); lines in a shuffled order, some
    // for an order the master does not have.
    std::vector<std::vector<std::string>> orders;
    for (int o = 1; o <= 6; ++o) orders.push_back({std::to_string(o), "C" + std::to_string(o)});
    MakeTable(dir.Path(), "ORDERS.DBF", {{"ORDERNO", 'N', 5}, {"CUST", 'C', 6}}, orders);
    std::vector<std::vector<std::string>> lines;
    const std::vector<int> mix = idxtest::Shuffled(40);
    for (int i : mix) {
      const int order = i % 8 + 1;
      if (order == 4) continue;
      const std::string item = "I" + std::to_string(100 + i);
      lines.push_back({std::to_string(order), item});
      model[order].push_back(item);
    }
    MakeTable(dir.Path(), "LINES.DBF", {{"ORDERNO", 'N', 5}, {"ITEM", 'C', 8}}, lines);
    auto maker = TableOn(dir.Path(), "LINES.DBF");
    maker->Open();
    maker->IndexTag("", "BYORDER", "ORDERNO", "", false, false);
    maker->IndexTag("", "BYSTR", "STR(ORDERNO,5)+ITEM", "", false, false);
    maker->Close();
    master = TableOn(dir.Path(), "ORDERS.DBF");
    master->Open();
    source.SetDataSet(master.get());
  }

  std::unique_ptr<TXbTable> OpenDetail(const String& index) {
    auto t = TableOn(dir.Path(), "LINES.DBF");
    t->SetIndexName(index);
    t->SetMasterSource(&source);
    t->SetMasterFields("ORDERNO");
    t->Open();
    return t;
  }

  ScratchDir dir;
  std::map<int, std::vector<std::string>> model;  // items by order, in record order
  std::unique_ptr<TXbTable> master;
  TDataSource source{nullptr};
};

TEST_F(TableMaster, DetailFollowsItsMasterWhileTheMasterMoves) {
  auto detail = OpenDetail("BYORDER");
  // A numeric key reads the zero-padded master number.
  for (int pass = 0; pass < 2; ++pass) {
    master->First();
    for (int o = 1; o <= 6; ++o) {
      ASSERT_EQ(master->FieldByName("ORDERNO")->AsInteger(), o);
      EXPECT_EQ(WalkAll(*detail, "ITEM"), model[o]) << "order " << o;
      master->Next();
    }
  }
  master->Last();
  master->Prior();
  EXPECT_EQ(WalkAll(*detail, "ITEM"), model[5]);
  EXPECT_EQ(detail->RecordCount() > 0, true);

  // A STR( key holds blank-padded numbers; the items follow in key order.
  detail->SetIndexName("BYSTR");
  std::vector<std::string> sorted = model[5];
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(WalkAll(*detail, "ITEM"), sorted);
  master->First();
  sorted = model[1];
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(WalkAll(*detail, "ITEM"), sorted);

  // Unlinked, the detail shows every line again.
  detail->SetMasterSource(nullptr);
  EXPECT_EQ(WalkAll(*detail, "ITEM").size(), 35u);
}

TEST_F(TableMaster, NewDetailRecordTakesTheMastersKey) {
  auto detail = OpenDetail("BYORDER");
  master->First();
  master->Next();
  master->Next();  // order 3
  detail->Append();
  EXPECT_EQ(detail->FieldByName("ORDERNO")->AsInteger(), 3);
  detail->FieldByName("ITEM")->SetAsString("NEW");
  detail->Post();
  master->Next();
  master->Prior();
  std::vector<std::string> expected = model[3];
  expected.push_back("NEW");
  EXPECT_EQ(WalkAll(*detail, "ITEM"), expected);
}

TEST_F(TableMaster, NewDetailRecordWithoutAnOrderIsRefused) {
  auto detail = OpenDetail("BYORDER");
  master->First();
  // The order goes (the range cannot follow it without one) ...
  EXPECT_EQ(ErrorOf([&] { detail->SetIndexName(""); }), "This operation requires an active index order");
  // ... and a new record cannot take the master's key.
  EXPECT_EQ(ErrorOf([&] { detail->Append(); }), "This operation requires an active index order");
  EXPECT_EQ(detail->State(), dsBrowse);
  detail->SetIndexName("BYORDER");
  detail->Append();
  EXPECT_EQ(detail->FieldByName("ORDERNO")->AsInteger(), 1);
  detail->Cancel();
}

TEST_F(TableMaster, CircularLinksAndMissingOrdersAreRefused) {
  auto detail = OpenDetail("BYORDER");
  TDataSource own(nullptr);
  own.SetDataSet(detail.get());
  EXPECT_EQ(ErrorOf([&] { detail->SetMasterSource(&own); }), "Circular Datasource reference not allowed");
  EXPECT_EQ(detail->MasterSource(), &source);
  // The master cannot follow its own detail either.
  EXPECT_EQ(ErrorOf([&] { master->SetMasterSource(&own); }), "Circular Datasource reference not allowed");
  EXPECT_EQ(master->MasterSource(), nullptr);

  auto plain = TableOn(dir.Path(), "LINES.DBF");
  plain->SetMasterSource(&source);
  plain->SetMasterFields("ORDERNO");
  EXPECT_EQ(ErrorOf([&] { plain->Open(); }), "This operation requires an active index order");
  EXPECT_FALSE(plain->Active());
}

TEST_F(TableMaster, RangeRefusedByTheEngineIsSetAgainAtTheNextChange) {
  auto detail = OpenDetail("BYORDER");
  master->First();
  ASSERT_EQ(WalkAll(*detail, "ITEM"), model[1]);
  // The engine loses the detail's order behind the table's back: the range
  // for order 2 is refused.
  xbe::xb_Select(detail->WorkArea());
  const short order = xbe::xb_IndexOrd();
  xbe::xb_SetOrder(0);
  EXPECT_EQ(ErrorOf([&] { master->Next(); }), "Scope Set failed");
  xbe::xb_Select(detail->WorkArea());
  xbe::xb_SetOrder(order);
  // The same master record again: the range is set now, not skipped as if
  // it had been set before.
  master->Refresh();
  EXPECT_EQ(master->FieldByName("ORDERNO")->AsInteger(), 2);
  EXPECT_EQ(WalkAll(*detail, "ITEM"), model[2]);
}

}  // namespace
