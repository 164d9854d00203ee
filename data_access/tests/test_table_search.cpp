// Locate and Lookup: the seek through an index order and the query, which
// must answer alike whatever order, case, filter or value they meet.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/IndexTestSupport.h"
#include "platform/system/tests/GeneratedLocales.h"

using idxtest::ErrorOf;
using idxtest::TableOn;

namespace {

class TableSearch : public ::testing::Test {
protected:
  void SetUp() override {
    RequireEngine();
    saved = FormatSettings;
    // "ABC" lies before "abc", so that an upper-cased key lands on it first.
    MakeTable(dir.Path(), "CUST.DBF",
              {{"NAME", 'C', 10}, {"CITY", 'C', 10}, {"CODE", 'N', 4}, {"AMT", 'N', 8, 2}, {"DAY", 'D', 8},
               {"PAID", 'L', 1}},
              {{"ABC", "Lima", "3", "2.50", "", "T"},
               {"abc", "Paris", "12", "12.50", "20091224", "T"},
               {"Abd", "Rome", "7", "3.25", "20100101", "F"},
               {"xyz", "Oslo", "12", "99.99", "20091231", "T"},
               {"ab\"q", "O'Neil", "5", "1.00", "20080505", "F"},
               {"mixed", "x\"y'z]", "9", "0.10", "20091201", "F"}});
  }
  void TearDown() override { FormatSettings = saved; }

  std::unique_ptr<TXbTable> OpenCust() {
    auto t = TableOn(dir.Path(), "CUST.DBF");
    t->Open();
    return t;
  }
  static String Name(TXbTable& t) { return t.FieldByName("NAME")->AsString(); }

  ScratchDir dir;
  TFormatSettings saved;
};

TEST_F(TableSearch, SeekFindsPartialAndFullKeysAndMissesLeaveTheTableWhereItWas) {
  auto t = OpenCust();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->SetIndexName("");
  t->Last();
  EXPECT_TRUE(t->Locate("NAME", "xy", TLocateOptions{loPartialKey}));
  EXPECT_EQ(Name(*t), "xyz");
  EXPECT_TRUE(t->Locate("name", "abc", {}));
  EXPECT_EQ(Name(*t), "abc");
  EXPECT_EQ(t->IndexName(), "");  // the caller's order comes back
  EXPECT_FALSE(t->Locate("NAME", "ab", {}));
  EXPECT_EQ(Name(*t), "abc");
  EXPECT_FALSE(t->Locate("NAME", "zz", TLocateOptions{loPartialKey}));
  EXPECT_EQ(Name(*t), "abc");
  // The dataset and the engine agree on the record after a search.
  t->Next();
  EXPECT_EQ(Name(*t), "Abd");
  // No record holds a null key.
  EXPECT_FALSE(t->Locate("NAME", Null(), {}));
  EXPECT_EQ(Name(*t), "Abd");
}

TEST_F(TableSearch, CaseSensitiveSearchOnAnUpperCaseOrderFindsTheExactCase) {
  auto t = OpenCust();
  t->IndexTag("", "NOCASE", "UPPER(NAME)", "", false, false);
  // The order holds ABC and abc under one key, ABC first: the hit is checked.
  EXPECT_TRUE(t->Locate("NAME", "abc", {}));
  EXPECT_EQ(Name(*t), "abc");
  EXPECT_EQ(t->FieldByName("CITY")->AsString(), "Paris");
  EXPECT_TRUE(t->Locate("NAME", "aBc", TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(Name(*t), "ABC");
  EXPECT_FALSE(t->Locate("NAME", "aBc", {}));
}

TEST_F(TableSearch, CaseInsensitiveSearchWithoutAnUpperCaseOrderUsesTheQuery) {
  auto t = OpenCust();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->SetIndexName("");
  EXPECT_TRUE(t->Locate("NAME", "MIX", TLocateOptions{loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(Name(*t), "mixed");
  EXPECT_TRUE(t->Locate("NAME", "abd", TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(Name(*t), "Abd");
}

TEST_F(TableSearch, SeveralFieldsAreJoinedWithTheTableFilter) {
  auto t = OpenCust();
  EXPECT_TRUE(t->Locate("NAME;CODE", VarArrayOf({"xyz", 12}), {}));
  EXPECT_EQ(t->FieldByName("CITY")->AsString(), "Oslo");
  EXPECT_TRUE(t->Locate("CODE;DAY", VarArrayOf({12, Variant::FromDateTime(EncodeDate(2009, 12, 24))}), {}));
  EXPECT_EQ(Name(*t), "abc");
  t->SetFilterText("CODE < 10");
  t->SetFiltered(true);
  EXPECT_FALSE(t->Locate("NAME;CODE", VarArrayOf({"xyz", 12}), {}));
  EXPECT_TRUE(t->Locate("NAME;CODE", VarArrayOf({"Abd", 7}), {}));
  EXPECT_EQ(t->DBFilter(), "CODE < 10");  // the table's own filter is back
  EXPECT_EQ(idxtest::WalkAll(*t, "CODE").size(), 4u);
}

TEST_F(TableSearch, SeekHonoursTheFilter) {
  auto t = OpenCust();
  t->IndexTag("", "BYNAME", "NAME", "", false, false);
  t->SetFilterText("PAID");
  t->SetFiltered(true);
  EXPECT_TRUE(t->Locate("NAME", "abc", {}));
  EXPECT_FALSE(t->Locate("NAME", "Abd", {}));
  EXPECT_EQ(Name(*t), "abc");
}

TEST_F(TableSearch, ValuesHoldingQuotesCannotChangeTheQuery) {
  auto t = OpenCust();
  EXPECT_TRUE(t->Locate("NAME", "ab\"q", {}));
  EXPECT_EQ(t->FieldByName("CITY")->AsString(), "O'Neil");
  EXPECT_TRUE(t->Locate("CITY", "O'Neil", {}));
  EXPECT_EQ(Name(*t), "ab\"q");
  EXPECT_TRUE(t->Locate("CITY", "x\"y'z]", {}));
  EXPECT_EQ(Name(*t), "mixed");
  // A value built to close the literal and add a condition finds nothing.
  EXPECT_FALSE(t->Locate("NAME", "x\" .or. \"a\"=\"a", {}));
}

TEST_F(TableSearch, NumbersAndDatesAreWrittenForTheEngineWhateverTheLocale) {
  SetDecimalSeparator(',');
  SetShortDateFormat("d/M/yy");
  SetDateSeparator('/');
  auto t = OpenCust();
  EXPECT_TRUE(t->Locate("AMT", 3.25, {}));
  EXPECT_EQ(Name(*t), "Abd");
  EXPECT_TRUE(t->Locate("AMT", 0.1, {}));
  EXPECT_EQ(Name(*t), "mixed");
  EXPECT_TRUE(t->Locate("CODE", 7, {}));
  EXPECT_EQ(Name(*t), "Abd");
  // Short date texts: a year, a year and month, and a date in the user's format.
  EXPECT_TRUE(t->Locate("DAY", "2010", {}));
  EXPECT_EQ(Name(*t), "Abd");
  EXPECT_TRUE(t->Locate("DAY", "200805", {}));
  EXPECT_EQ(Name(*t), "ab\"q");
  EXPECT_TRUE(t->Locate("DAY", "1/12/09", {}));
  EXPECT_EQ(Name(*t), "mixed");
  EXPECT_TRUE(t->Locate("PAID", false, {}));
  EXPECT_EQ(Name(*t), "Abd");
  // The same through index orders.
  t->IndexTag("", "BYAMT", "AMT", "", false, false);
  t->IndexTag("", "BYDAY", "DAY", "", false, false);
  t->IndexTag("", "BYCODE", "CODE", "", false, false);
  EXPECT_TRUE(t->Locate("AMT", 99.99, {}));
  EXPECT_EQ(Name(*t), "xyz");
  EXPECT_TRUE(t->Locate("DAY", Variant::FromDateTime(EncodeDate(2010, 1, 1)), {}));
  EXPECT_EQ(Name(*t), "Abd");
  EXPECT_TRUE(t->Locate("CODE", 5, {}));
  EXPECT_EQ(Name(*t), "ab\"q");
  EXPECT_FALSE(t->Locate("CODE", 6, {}));
}

TEST_F(TableSearch, LookupReadsAnotherRecordWithoutMovingTheTable) {
  auto t = OpenCust();
  t->IndexTag("", "BYCITY", "CITY", "", false, false);
  t->First();  // Lima, O'Neil, Oslo ...
  t->Next();
  t->Next();
  ASSERT_EQ(Name(*t), "xyz");
  // The key field is not the current order's key: it is still found.
  EXPECT_EQ(t->Lookup("NAME", "Abd", "CITY").AsString(), "Rome");
  EXPECT_EQ(Name(*t), "xyz");
  t->Next();
  EXPECT_EQ(Name(*t), "abc");  // Paris follows Oslo: the engine did not move either
  EXPECT_DOUBLE_EQ(t->Lookup("NAME", "xyz", "AMT").AsFloat(), 99.99);
  EXPECT_EQ(t->Lookup("NAME", "xyz", "CODE").AsInteger(), 12);
  EXPECT_EQ(t->Lookup("NAME", "Abd", "PAID").AsBoolean(), false);
  EXPECT_EQ(t->Lookup("NAME", "xyz", "DAY").AsDateTime(), EncodeDate(2009, 12, 31));
  // A blank date is 0, not null; a missing key and a null key give null.
  const Variant blank = t->Lookup("NAME", "ABC", "DAY");
  EXPECT_FALSE(VarIsNull(blank));
  EXPECT_EQ(blank.AsInteger(), 0);
  EXPECT_TRUE(VarIsNull(t->Lookup("NAME", "nobody", "CITY")));
  EXPECT_TRUE(VarIsNull(t->Lookup("NAME", Null(), "CITY")));
  EXPECT_EQ(Name(*t), "abc");

  t->SetSpeedMode(true);
  const std::int32_t at = t->PhysicalRecNo();
  EXPECT_EQ(t->Lookup("CITY", "Rome", "NAME").AsString(), "Abd");
  EXPECT_EQ(t->PhysicalRecNo(), at);
}

}  // namespace

namespace {

// ODD.DBF: NAME "odd" holds text in AMT N(8,2), "one" holds 1.00; NTX
// orders (number keys as text with the field's decimals).
std::unique_ptr<TXbTable> OddNumberTable(const std::string& dir, const std::string& text) {
  WriteRawDbf(dir + "ODD.DBF", {{"NAME", 'C', 6}, {"AMT", 'N', 8, 2}}, {{"odd", text}, {"one", "1.00"}});
  auto t = TableOn(dir, "ODD.DBF");
  t->SetTableType(ttSXNTX);
  t->Open();
  return t;
}

}  // namespace

// A seek hit is confirmed by reading the stored number text as the engine,
// its index keys and the query read it (text that is no number reads as 0):
// with an index the search answers as it does without one.
TEST_F(TableSearch, TheSeekReadsStoredNumberTextAsTheQueryDoes) {
  // Texts another reader takes for a small number the engine reads as 0, and
  // that number: both have the key of 0.00 in the order.
  const struct {
    const char* text;
    double other;
  } odd[] = {{"0x1p-9", 0.001953125}, {"\t0.001", 0.001}};
  for (const auto& o : odd) {
    SCOPED_TRACE(o.text);
    ScratchDir d;
    auto t = OddNumberTable(d.Path(), o.text);
    // The query: no record holds the small number; the odd text reads as 0.
    EXPECT_FALSE(t->Locate("AMT", o.other, {}));
    EXPECT_TRUE(t->Locate("AMT", 0, {}));
    EXPECT_EQ(Name(*t), "odd");
    // The same through an order on the field.
    t->IndexTag("", "BYAMT", "AMT", "", false, false);
    t->Last();
    EXPECT_FALSE(t->Locate("AMT", o.other, {}));
    EXPECT_EQ(Name(*t), "one");  // a miss leaves the table where it was
    EXPECT_TRUE(t->Locate("AMT", 0, {}));
    EXPECT_EQ(Name(*t), "odd");
    EXPECT_TRUE(t->Locate("AMT", 1, {}));
    EXPECT_EQ(Name(*t), "one");
    t->Close();
  }
}

// In a program whose C library reads numbers with a decimal comma (a toolkit
// sets the C locale from LANG), the seek still reads "12.4" as twelve point
// four and finds no record holding 12.
TEST_F(TableSearch, TheSeekReadsNumbersAlikeInACommaLocale) {
  std::string why;
  const std::string locales = generated_locales::Make("de_DE", why);
  if (locales.empty()) GTEST_SKIP() << why;
  WriteRawDbf(dir.Path() + "WHOLE.DBF", {{"NAME", 'C', 6}, {"QTY", 'N', 8, 0}}, {{"twelve", "12"}});
  // In a child: the locale stays out of the other tests, and the C library's
  // copy of LOCPATH (see GeneratedLocales.h) is never reported as a leak.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::setenv("LOCPATH", locales.c_str(), 1);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::localeconv()->decimal_point[0] != ',') _exit(3);
    auto t = TableOn(dir.Path(), "WHOLE.DBF");
    t->SetTableType(ttSXNTX);  // number keys as text: 12.4 has the key of 12
    t->Open();
    t->IndexTag("", "BYQTY", "QTY", "", false, false);
    const bool wrong = t->Locate("QTY", 12.4, {});
    const bool right = t->Locate("QTY", 12, {});
    t->Close();
    _exit(wrong ? 1 : right ? 0 : 2);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: 12.4 found in 12; 2: 12 not found; 3: the locale did not take";
}
