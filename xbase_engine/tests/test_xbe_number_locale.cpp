// Stored number texts under a decimal-comma process locale. A GUI toolkit sets
// the C library's locale from the user's environment; the engine in that
// program and the service (C locale) share tables and indexes, so index keys,
// key texts, number fields and expression texts must come out byte for byte
// as in the C locale, and an index written in one must read in the other.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/system/tests/GeneratedLocales.h"
#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

struct Kind {
  short type;
  const char* name;
  const char* ext;
};

void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

class XbeNumberLocale : public EngineTest, public ::testing::WithParamInterface<Kind> {};

// Amounts with two decimals, negative and positive, some repeated.
double Amount(int i) { return double((i * 7919) % 2001 - 1000) / 4.0 + (i % 3) * 0.01; }

// The amount as the search code writes it (C locale, while it is in force).
std::string AmountText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// A double's shortest text, whatever the locale (std::to_string follows it).
std::string Exact(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

void AppendAmounts(int from, int to) {
  for (int i = from; i < to; ++i) {
    xb_AppendBlank();
    xb_PutString("NAME", ("R" + std::to_string(i)).c_str());
    xb_PutDouble("AMT", Amount(i));
  }
  xb_Commit();
}

std::vector<std::string> KeyTexts() {
  std::vector<std::string> out;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) out.push_back(xb_KeyData());
  return out;
}

// Builds index file K on AMT, closes it and answers its bytes (the file goes).
std::vector<unsigned char> FreshIndexBytes(ScratchDir& dir, const char* ext) {
  EXPECT_GT(xb_Index("K", "AMT", nullptr, 0, 0), 0);
  xb_IndexClose();
  const std::string path = dir.File(std::string("K") + ext);
  std::vector<unsigned char> bytes = ReadAll(path);
  std::filesystem::remove(path);
  return bytes;
}

TEST_P(XbeNumberLocale, NumberKeysAreTheSameInACommaLocale) {
  constexpr int kFirst = 300, kMore = 40;
  const std::string path = dir.File("T.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "NEWTAB", GetParam().type, 2), 0);
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("AMT", "N", 10, 2);
  const short area = xb_CreateExec();
  ASSERT_GT(area, 0);
  xb_Select(area);
  AppendAmounts(0, kFirst);
  std::vector<std::string> texts;
  for (int i = 0; i < kFirst + kMore; ++i) texts.push_back(AmountText(Amount(i)));
  // Written by the service: an order on AMT and its key texts.
  const short order = xb_IndexTag("", "BYAMT", nullptr, 0, 0, "AMT");
  ASSERT_GT(order, 0);
  const std::vector<std::string> keysInC = KeyTexts();
  const std::vector<unsigned char> builtInC = FreshIndexBytes(dir, GetParam().ext);
  ASSERT_FALSE(builtInC.empty());
  xb_SetOrder(order);
  {
    // Read and written by the desktop program.
    generated_locales::CommaDecimalLocale comma;
    if (!comma.Active()) GTEST_SKIP() << comma.Why();
    for (int i = 0; i < kFirst; ++i) {
      ASSERT_TRUE(xb_Seek(texts[size_t(i)].c_str())) << texts[size_t(i)];
      ASSERT_EQ(xb_GetDouble("AMT"), Amount(i)) << texts[size_t(i)];
    }
    EXPECT_EQ(KeyTexts(), keysInC);
    EXPECT_EQ(FreshIndexBytes(dir, GetParam().ext), builtInC) << "an index built in the comma locale";
    xb_SetOrder(order);
    AppendAmounts(kFirst, kFirst + kMore);
  }
  // Read by the service again: every key in its place.
  std::vector<double> walked;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) walked.push_back(xb_GetDouble("AMT"));
  EXPECT_EQ(walked.size(), size_t(kFirst + kMore));
  EXPECT_TRUE(std::is_sorted(walked.begin(), walked.end()));
  for (int i = 0; i < kFirst + kMore; ++i) {
    EXPECT_TRUE(xb_Seek(texts[size_t(i)].c_str())) << texts[size_t(i)];
    EXPECT_EQ(xb_GetDouble("AMT"), Amount(i)) << texts[size_t(i)];
  }
}

INSTANTIATE_TEST_SUITE_P(, XbeNumberLocale,
                         ::testing::Values(Kind{XB_TYPE_NTX, "Ntx", ".NTX"}, Kind{XB_TYPE_FOX, "Fox", ".IDX"},
                                           Kind{XB_TYPE_NSX, "Nsx", ".NSX"}),
                         [](const ::testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

// Number fields and the texts of expressions: the same in both locales.
TEST_F(EngineTest, NumberFieldsAndExpressionTextsAreTheSameInACommaLocale) {
  const std::string path = dir.File("N.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "NEWTAB", XB_TYPE_NTX, 2), 0);
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("AMT", "N", 10, 3);
  const short area = xb_CreateExec();
  ASSERT_GT(area, 0);
  xb_Select(area);
  const auto run = [] {
    std::vector<std::string> out;
    xb_AppendBlank();
    xb_PutString("NAME", "X");
    xb_PutDouble("AMT", -1234.5678);
    xb_Commit();
    out.push_back(xb_GetString("AMT"));
    out.push_back(Exact(xb_GetDouble("AMT")));
    for (const char* e : {"STR(AMT,10,2)", "STR(AMT)", "STR(-AMT,12,4)", "STRZERO(AMT*-1,12,1)",
                          "NAME+STR(ROUND(AMT,1),9,1)", "STR(VAL('12.75')*2,8,2)", "STR(VAL(' -0.5e1 '),6,2)",
                          "AMT/8", "VAL('3.25')"}) {
      out.push_back(std::string(e) + " = " + xb_EvalString(e));
    }
    out.push_back(Exact(xb_EvalNumeric("VAL('12.75') + AMT")));
    return out;
  };
  const std::vector<std::string> inC = run();
  EXPECT_EQ(inC[0], " -1234.568");
  generated_locales::CommaDecimalLocale comma;
  if (!comma.Active()) GTEST_SKIP() << comma.Why();
  EXPECT_EQ(run(), inC);
}

}  // namespace
