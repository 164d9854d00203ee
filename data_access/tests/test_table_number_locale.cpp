// Number fields, number master keys, searches and positions in a program whose
// C library runs in a decimal-comma locale (a GUI toolkit sets it from the
// user's environment), with the engine on this machine and through the test
// server. Tables and indexes are made in the C locale, as the service makes
// them; what the program reads and writes must be what the C locale gives.
#include <gtest/gtest.h>

#include <map>

#include "class_library/datasets/DataSource.h"
#include "data_access/tests/IndexTestSupport.h"
#include "data_access/tests/TableAccess.h"
#include "platform/system/tests/GeneratedLocales.h"

namespace {

using idxtest::WalkAll;

class NumberLocaleBothWays : public TableAccessTest {};
TW_TABLE_TESTS_BOTH_WAYS(NumberLocaleBothWays);

TEST_P(NumberLocaleBothWays, NumbersMasterKeysAndPositionsAreAsInTheCLocale) {
  const std::vector<std::string> prices = {"0.10", "3.75", "7.25", "12.50", "12.05", "100.00", "-2.50"};
  std::vector<std::vector<std::string>> priceRows;
  for (const auto& p : prices) priceRows.push_back({p});
  MakeTable(dir.Path(), "PRICES.DBF", {{"PRICE", 'N', 8, 2}}, priceRows);
  std::map<std::string, std::vector<std::string>> model;  // items by price, in record order
  std::vector<std::vector<std::string>> lines;
  for (int i : idxtest::Shuffled(28)) {
    const std::string& price = prices[size_t(i) % prices.size()];
    const std::string item = "I" + std::to_string(100 + i);
    lines.push_back({price, item});
    model[price].push_back(item);
  }
  MakeTable(dir.Path(), "LINES.DBF", {{"PRICE", 'N', 8, 2}, {"ITEM", 'C', 8}}, lines);
  {
    auto maker = Open("LINES.DBF");
    maker->IndexTag("", "BYPRICE", "PRICE", "", false, false);
  }
  // The texts of the price fields, for the C locale and the comma one.
  const auto priceTexts = [&] {
    auto t = Open("PRICES.DBF");
    std::vector<String> out;
    for (t->First(); !t->Eof(); t->Next()) {
      TField* f = t->FieldByName("PRICE");
      out.push_back(f->AsString() + " " + f->DisplayText() + " " + f->Text());
    }
    return out;
  };
  const std::vector<String> textsInC = priceTexts();
  ASSERT_EQ(textsInC.size(), prices.size());
  EXPECT_EQ(textsInC[3], "12.5 12.50 12.50");

  generated_locales::CommaDecimalLocale comma;
  if (!comma.Active()) GTEST_SKIP() << comma.Why();
  EXPECT_EQ(priceTexts(), textsInC);
  {
    // The detail follows a master whose key has decimals.
    auto master = Open("PRICES.DBF");
    TDataSource source(nullptr);
    source.SetDataSet(master.get());
    auto detail = Open("LINES.DBF", [&](TXbTable& t) {
      t.SetIndexName("BYPRICE");
      t.SetMasterSource(&source);
      t.SetMasterFields("PRICE");
    });
    master->First();
    for (const auto& price : prices) {
      EXPECT_EQ(WalkAll(*detail, "ITEM"), model[price]) << "price " << price;
      master->Next();
    }
    // Searches and positions in the number order.
    detail->SetMasterSource(nullptr);
    EXPECT_TRUE(detail->Locate("PRICE", 12.05, {}));
    EXPECT_EQ(detail->FieldByName("ITEM")->AsString(), model["12.05"].front());
    EXPECT_FALSE(detail->Locate("PRICE", 12.5001, {}));
    for (int k : {3, 11, 26}) {
      detail->SetRecNo(k);
      EXPECT_EQ(detail->GetRecNo(), k);
    }
    // Values written as text and as numbers.
    master->First();
    master->Edit();
    master->FieldByName("PRICE")->SetAsString("8.75");
    master->Post();
    master->Next();
    master->Edit();
    master->FieldByName("PRICE")->SetAsFloat(-1234.5);
    master->Post();
    EXPECT_EQ(master->FieldByName("PRICE")->AsFloat(), -1234.5);
  }
  const std::vector<std::string> stored = ReadColumn(dir.Path() + "PRICES.DBF", "PRICE");
  ASSERT_EQ(stored.size(), prices.size());
  EXPECT_EQ(stored[0], "    8.75");
  EXPECT_EQ(stored[1], "-1234.50");
}

}  // namespace
