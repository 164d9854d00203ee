// Index orders through the C entry points: ordered walks against a sorted
// model, seeks, scopes, positions, upkeep on every kind of write, tags and
// production indexes, for every table type.
#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeIndexes : public ::testing::Test {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(1);
    xb_SetErrorFunc([](int, const char* m) { lastError = m ? m : ""; });
  }
  static inline std::string lastError;
  void TearDown() override { xb_FinalizeSession(); }

  // A table of n records NAME = names[i], QTY = qty(i), DAY = 2020-01-01 + i.
  short Make(short type, const std::vector<std::string>& names, short mode = XB_OPEN_EXCLUSIVE) {
    const std::string path = dir.File("T.DBF");
    EXPECT_TRUE(MakeTable(path, type, false));
    const short area = xb_UseEx(path.c_str(), "T", mode, type, XB_COMMIT_NORMAL);
    EXPECT_GT(area, 0);
    for (size_t i = 0; i < names.size(); ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", names[i].c_str());
      xb_PutInteger("QTY", int(i % 7) * 10 - 20);
      const int jdn = 2458850 + int(i);
      xb_Replace("DAY", XB_R_JULIAN, &jdn);
    }
    xb_Commit();
    return area;
  }
  // Record numbers in the walk from the top.
  static std::vector<int> Walk() {
    std::vector<int> out;
    for (xb_GoTop(); !xb_Eof() && out.size() < 100000; xb_Skip(1)) out.push_back(xb_RecNo());
    return out;
  }
  static std::vector<int> WalkBack() {
    std::vector<int> out;
    xb_GoBottom();
    while (!xb_Bof() && !xb_Eof() && out.size() < 100000) {
      out.push_back(xb_RecNo());
      xb_Skip(-1);
    }
    return out;
  }
  ScratchDir dir;
};

struct TypeCase {
  short type;
  const char* name;
};

class XbeIndexKinds : public XbeIndexes, public ::testing::WithParamInterface<TypeCase> {};

}  // namespace

TEST_P(XbeIndexKinds, OrderedWalksMatchASortedModelBothWays) {
  const auto names = RandomNames(600, 3);
  Make(GetParam().type, names);
  const short order = xb_IndexTag("", "BYNAME", nullptr, 0, 0, "NAME");
  ASSERT_GT(order, 0) << lastError;
  EXPECT_EQ(xb_IndexOrd(), order);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 1);
  EXPECT_STREQ(xb_IndexKey(), "NAME");
  EXPECT_STREQ(xb_IndexKeyField(), "NAME");
  EXPECT_EQ(Walk(), ByName(names));
  auto back = WalkBack();
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, ByName(names));
  // Natural order again with order 0.
  EXPECT_EQ(xb_SetOrder(0), order);
  xb_GoTop();
  EXPECT_EQ(xb_RecNo(), 1);
}

TEST_P(XbeIndexKinds, UpkeepFollowsReplaceAppendDeleteAndPack) {
  auto names = RandomNames(200, 5);
  Make(GetParam().type, names);
  ASSERT_GT(xb_IndexTag("", "BYNAME", nullptr, 0, 0, "UPPER(NAME)"), 0);
  // Change keys in place.
  for (int r = 1; r <= 200; r += 3) {
    xb_Go(r);
    names[size_t(r - 1)] = "ZZ" + std::to_string(r);
    xb_PutString("NAME", names[size_t(r - 1)].c_str());
  }
  // Append through every path.
  xb_AppendBlank();
  xb_PutString("NAME", "AAAA");
  names.push_back("AAAA");
  std::vector<char> image(size_t(xb_RecSize()), ' ');
  std::memcpy(image.data() + 1, "ABBA", 4);
  xb_AppendEx(image.data());
  names.push_back("ABBA");
  xb_Go(2);
  xb_GetRecord(image.data());
  std::memcpy(image.data() + 1, "AB        ", 10);
  xb_PutRecord(image.data());
  names[1] = "AB";
  xb_Commit();
  EXPECT_EQ(Walk(), ByName(names));
  // Deleted records hidden from ordered moves, kept by Pack's rebuild.
  xb_SetDeleted(1);
  xb_Go(ByName(names)[0]);
  xb_Delete();
  auto want = ByName(names);
  want.erase(want.begin());
  EXPECT_EQ(Walk(), want);
  ASSERT_EQ(xb_Pack(), 1);
  xb_SetDeleted(0);
  names.erase(names.begin() + (ByName(names)[0] - 1));
  EXPECT_EQ(Walk(), ByName(names));
  ASSERT_EQ(xb_Zap(), 1);
  EXPECT_TRUE(Walk().empty());
  xb_GoTop();
  EXPECT_TRUE(xb_Eof());
}

TEST_P(XbeIndexKinds, SeekSoftSeekExactAndFoundAgree) {
  Make(GetParam().type, {"BAKER", "ABLE", "CHARLIE", "BAKERY", "DOG"});
  ASSERT_GT(xb_IndexTag("", "BYNAME", nullptr, 0, 0, "NAME"), 0);
  EXPECT_TRUE(xb_Seek("BAKER"));
  EXPECT_TRUE(xb_Found());
  EXPECT_EQ(xb_RecNo(), 1);
  EXPECT_TRUE(xb_Seek("BAK"));  // a prefix with exact matching off
  EXPECT_EQ(xb_RecNo(), 1);
  xb_SysProp(XB_PROP_SET_EXACT, 1);
  EXPECT_FALSE(xb_Seek("BAK"));
  EXPECT_FALSE(xb_Found());
  EXPECT_TRUE(xb_Eof());
  EXPECT_TRUE(xb_Seek("BAKERY"));
  EXPECT_EQ(xb_RecNo(), 4);
  xb_SysProp(XB_PROP_SET_EXACT, 0);
  // Soft seek stands on the next key, at both ends too.
  xb_SetSoftSeek(1);
  EXPECT_FALSE(xb_Seek("BB"));
  EXPECT_FALSE(xb_Eof());
  EXPECT_EQ(xb_RecNo(), 3);
  EXPECT_FALSE(xb_Seek("0"));  // before every key: the first
  EXPECT_EQ(xb_RecNo(), 2);
  EXPECT_FALSE(xb_Seek("ZZZ"));
  EXPECT_TRUE(xb_Eof());
  xb_SetSoftSeek(0);
  EXPECT_FALSE(xb_Seek("BB"));
  EXPECT_TRUE(xb_Eof());
  // From the end back onto the last key.
  xb_Skip(-1);
  EXPECT_EQ(xb_RecNo(), 5);
}

TEST_P(XbeIndexKinds, NumbersAndDatesSeekFromText) {
  Make(GetParam().type, RandomNames(30, 9));
  ASSERT_GT(xb_IndexTag("", "BYQTY", nullptr, 0, 0, "QTY"), 0);
  // QTY runs -20, -10, 0, 10, ... 40: negatives first.
  xb_GoTop();
  EXPECT_EQ(xb_GetInteger("QTY"), -20);
  xb_GoBottom();
  EXPECT_EQ(xb_GetInteger("QTY"), 40);
  for (const char* text : {"10", "  10", "00010", "10.00"}) {
    EXPECT_TRUE(xb_Seek(text)) << text;
    EXPECT_EQ(xb_GetInteger("QTY"), 10) << text;
  }
  EXPECT_TRUE(xb_Seek("-10"));
  EXPECT_EQ(xb_GetInteger("QTY"), -10);
  EXPECT_FALSE(xb_Seek("11"));
  ASSERT_GT(xb_IndexTag("", "BYDAY", nullptr, 0, 0, "DAY"), 0);
  EXPECT_TRUE(xb_Seek("20200105"));
  EXPECT_EQ(xb_RecNo(), 5);  // 2020-01-01 + 4 days
}

TEST_P(XbeIndexKinds, PositionsAreExactAtEveryKey) {
  std::vector<std::string> names;
  for (int i = 49; i >= 1; --i) names.push_back("K" + std::to_string(100 + i));
  Make(GetParam().type, names);
  ASSERT_GT(xb_IndexTag("", "BYNAME", nullptr, 0, 0, "NAME"), 0);
  const auto order = ByName(names);
  for (int k = 1; k <= 49; ++k) {
    xb_Go(order[size_t(k - 1)]);
    EXPECT_DOUBLE_EQ(xb_OrderPosGet(), double(k) / 49.0) << k;
    EXPECT_EQ(xb_OrderRecNo(), k);
    ASSERT_TRUE(xb_OrderPosSet(double(k) / 49.0));
    EXPECT_EQ(xb_RecNo(), order[size_t(k - 1)]) << k;
  }
  xb_GoBottom();
  EXPECT_EQ(xb_OrderPosGet(), 1.0);
  ASSERT_TRUE(xb_OrderPosSet(48.0 / 49.0));
  EXPECT_EQ(xb_RecNo(), order[47]);
  ASSERT_TRUE(xb_OrderPosSet(0.0));
  EXPECT_EQ(xb_RecNo(), order[0]);
}

// Positions count the records a walk shows, in index order (either way) and
// natural order: hidden deleted records, a query's and a filter's refusals
// and the scope are passed over, and a position set lands on a shown record.
TEST_P(XbeIndexKinds, PositionsCountOnlyTheRecordsAWalkShows) {
  std::vector<std::string> names;
  for (int i = 40; i >= 1; --i) names.push_back("K" + std::to_string(100 + i));
  Make(GetParam().type, names);
  ASSERT_GT(xb_IndexTag("", "BYNAME", nullptr, 0, 0, "NAME"), 0);
  for (int rec : {3, 4, 17, 30, 40}) {
    xb_Go(rec);
    xb_Delete();
  }
  xb_Commit();
  auto check = [](const std::string& what) {
    SCOPED_TRACE(what);
    const std::vector<int> walk = Walk();
    const int n = int(walk.size());
    ASSERT_GT(n, 2);
    for (int k = 1; k <= n; ++k) {
      xb_Go(walk[size_t(k - 1)]);
      EXPECT_DOUBLE_EQ(xb_OrderPosGet(), double(k) / n) << "record " << k << " of " << n;
      ASSERT_TRUE(xb_OrderPosSet(double(k) / n));
      EXPECT_EQ(xb_RecNo(), walk[size_t(k - 1)]) << "record " << k << " of " << n;
    }
    for (int i = 0; i <= 200; ++i) {
      ASSERT_TRUE(xb_OrderPosSet(i / 200.0));
      EXPECT_NE(std::find(walk.begin(), walk.end(), xb_RecNo()), walk.end()) << i / 200.0 << " lands on " << xb_RecNo();
      EXPECT_FALSE(xb_Eof());
    }
    xb_GoBottom();
    EXPECT_EQ(xb_OrderPosGet(), 1.0);
  };
  xb_SetDeleted(1);
  check("deleted records hidden");
  // A hidden record stands where the shown one before it stands: record 40
  // (K101) is first in the order, record 30 (K111) follows K112.
  xb_Go(40);
  EXPECT_EQ(xb_OrderPosGet(), 0.0);
  const std::vector<int> walk = Walk();
  xb_Go(30);
  EXPECT_DOUBLE_EQ(xb_OrderPosGet(), 9.0 / double(walk.size()));
  ASSERT_NE(xb_Query("QTY <> 0"), 0);
  check("a query and deleted records hidden");
  xb_IndexFlip();
  check("the order flipped");
  xb_IndexFlip();
  ASSERT_TRUE(xb_SetScope("K110", "K135"));
  check("within a scope");
  xb_SetScope(nullptr, nullptr);
  xb_SetOrder(0);
  check("natural order");
  xb_Query("");
  xb_SetDeleted(0);
  check("nothing hidden, natural order");
  xb_SetOrder(1);
  check("nothing hidden");
}

TEST_P(XbeIndexKinds, ScopesLimitEveryMoveAndReportTheirBounds) {
  Make(GetParam().type, {"A1", "B1", "B2", "C1", "B3", "D1"});
  ASSERT_GT(xb_IndexTag("", "BYNAME", nullptr, 0, 0, "NAME"), 0);
  ASSERT_TRUE(xb_SetScope("B", "B"));
  EXPECT_STREQ(xb_GetScope(0), "B");
  EXPECT_STREQ(xb_GetScope(1), "B");
  EXPECT_EQ(Walk(), (std::vector<int>{2, 3, 5}));
  xb_GoBottom();
  EXPECT_EQ(xb_RecNo(), 5);
  EXPECT_DOUBLE_EQ(xb_OrderPosGet(), 1.0);
  EXPECT_FALSE(xb_Seek("C1"));
  EXPECT_TRUE(xb_Seek("B2"));
  ASSERT_TRUE(xb_SetScope(nullptr, nullptr));
  EXPECT_STREQ(xb_GetScope(0), "");
  EXPECT_EQ(Walk().size(), 6u);
}

TEST_P(XbeIndexKinds, TopAndBottomFollowFlipDescentAndScope) {
  Make(GetParam().type, {"A1", "B1", "B2", "C1", "B3", "D1"});
  ASSERT_GT(xb_IndexTag("", "BYNAME", nullptr, 0, 0, "NAME"), 0);
  auto ends = [](const std::string& what, int top, int bottom) {
    SCOPED_TRACE(what);
    xb_GoTop();
    EXPECT_FALSE(xb_Eof());
    EXPECT_EQ(xb_RecNo(), top);
    xb_GoBottom();
    EXPECT_FALSE(xb_Eof());
    EXPECT_EQ(xb_RecNo(), bottom);
  };
  ends("ascending", 1, 6);
  xb_IndexFlip();
  ends("ascending, flipped", 6, 1);
  ASSERT_TRUE(xb_SetScope("B", "B"));
  ends("flipped, within a scope", 5, 2);
  xb_IndexFlip();
  ends("within a scope", 2, 5);
  // An empty scope leaves both moves at the end of the table.
  ASSERT_TRUE(xb_SetScope("X", "X"));
  xb_GoTop();
  EXPECT_TRUE(xb_Eof());
  xb_GoBottom();
  EXPECT_TRUE(xb_Eof());
  ASSERT_TRUE(xb_SetScope(nullptr, nullptr));
  ASSERT_GT(xb_IndexTag("", "DESC", nullptr, 0, 1, "NAME"), 0);
  ends("descending", 6, 1);
  xb_IndexFlip();
  ends("descending, flipped", 1, 6);
}

TEST_P(XbeIndexKinds, UniqueDescendingAndConditionalOrders) {
  const std::vector<std::string> names = {"B", "A", "B", "C", "A", "D"};
  Make(GetParam().type, names);
  ASSERT_GT(xb_IndexTag("", "UNI", nullptr, 1, 0, "NAME"), 0);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 1, 4, 6}));
  const short t = xb_IndexType();
  EXPECT_TRUE(t == 2 || t == 4);
  ASSERT_GT(xb_IndexTag("", "DESC", nullptr, 0, 1, "NAME"), 0);
  EXPECT_NE(xb_SysProp(XB_PROP_DESCENDING, 0), 0);
  EXPECT_EQ(Walk(), ByName(names, true));
  EXPECT_TRUE(xb_Seek("B"));
  EXPECT_EQ(xb_RecNo(), 1);
  ASSERT_GT(xb_IndexTag("", "FORB", "NAME = \"B\" .OR. NAME = \"D\"", 0, 0, "NAME"), 0);
  EXPECT_STREQ(xb_IndexCondition(), "NAME = \"B\" .OR. NAME = \"D\"");
  EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 6}));
  // A record leaving the condition leaves the order.
  xb_Go(6);
  xb_PutString("NAME", "E");
  EXPECT_EQ(Walk(), (std::vector<int>{1, 3}));
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 3);
}

INSTANTIATE_TEST_SUITE_P(Types, XbeIndexKinds,
                         ::testing::Values(TypeCase{XB_TYPE_NTX, "NTX"}, TypeCase{XB_TYPE_FOX, "FOX"},
                                           TypeCase{XB_TYPE_NSX, "NSX"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(XbeIndexes, ProductionIndexOpensWithTheTableAndTagsAreNamed) {
  Make(XB_TYPE_FOX, {"B", "A", "C"});
  ASSERT_EQ(xb_IndexTag(nullptr, "NAME", nullptr, 0, 0, "NAME"), 1);
  ASSERT_EQ(xb_IndexTag(nullptr, "QTY", nullptr, 0, 0, "QTY"), 2);
  xb_Close();
  const std::string path = dir.File("T.DBF");
  ASSERT_GT(xb_UseEx(path.c_str(), "T", XB_OPEN_SHARED, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 2);
  EXPECT_EQ(xb_IndexOrd(), 0);
  EXPECT_EQ(xb_TagArea("qty"), 2);
  EXPECT_STREQ(xb_TagName(1), "NAME");
  xb_SetOrder(xb_TagArea("NAME"));
  EXPECT_EQ(Walk(), (std::vector<int>{2, 1, 3}));
  EXPECT_TRUE(std::string(xb_IndexName(1)).size() > 4);
  xb_CloseIndexes();
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 0);
  EXPECT_EQ(xb_IndexOpen(dir.File("T.CDX").c_str()), 1);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 2);
  EXPECT_EQ(xb_TagDelete("QTY"), 1);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 1);
  EXPECT_EQ(xb_TagArea("QTY"), 0);
}

TEST_F(XbeIndexes, NtxFilesOpenAndCloseOneOrderEach) {
  Make(XB_TYPE_NTX, {"B", "A", "C"});
  ASSERT_EQ(xb_Index(dir.File("BYNAME").c_str(), "NAME", nullptr, 0, 0), 1);
  ASSERT_EQ(xb_Index(dir.File("BYQTY.NTX").c_str(), "QTY", nullptr, 0, 0), 2);
  EXPECT_EQ(xb_IndexOrd(), 2);
  EXPECT_STREQ(xb_TagName(1), "BYNAME");
  xb_CloseIndexes();
  EXPECT_EQ(xb_IndexOpen(dir.File("BYNAME").c_str()), 1);
  EXPECT_EQ(xb_IndexOpen(dir.File("byname.ntx").c_str()), 1);  // already open
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 1, 3}));
  // Another process' view: a second work area on the same files sees changes.
  const std::string path = dir.File("T.DBF");
  xb_Close();
  const short a = xb_UseEx(path.c_str(), "A", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(xb_IndexOpen(dir.File("BYNAME.NTX").c_str()), 0);
  xb_SetOrder(1);
  const short b = xb_UseEx(path.c_str(), "B", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(xb_IndexOpen(dir.File("BYNAME.NTX").c_str()), 0);
  xb_SetOrder(1);
  xb_Select(a);
  xb_AppendBlank();
  xb_PutString("NAME", "AA");
  xb_Commit();
  xb_Select(b);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 4, 1, 3}));
  EXPECT_TRUE(xb_Seek("AA"));
  EXPECT_EQ(xb_RecNo(), 4);
}

TEST_F(XbeIndexes, ForeignFilesOfAnIndexNameAreRefused) {
  Make(XB_TYPE_NSX, {"B"});
  std::vector<unsigned char> junk(2048, 0x41);
  WriteAll(dir.File("X.NSX"), junk);
  EXPECT_EQ(xb_IndexOpen(dir.File("X.NSX").c_str()), 0);
  xb_Close();
  Make(XB_TYPE_NTX, {"B"});
  WriteAll(dir.File("X.NTX"), junk);
  EXPECT_EQ(xb_IndexOpen(dir.File("X.NTX").c_str()), 0);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 0);
}

TEST_F(XbeIndexes, CharacterOrdersKeepTheCollationTheyWereBuiltWith) {
  Make(XB_TYPE_NSX, {"b", "A", "a", "B"});
  xb_SetSystemCollation();
  ASSERT_GT(xb_IndexTag("", "SYS", nullptr, 0, 0, "NAME"), 0);
  EXPECT_EQ(Walk(), (std::vector<int>{3, 2, 1, 4}));  // a A b B
  EXPECT_TRUE(xb_Seek("B"));
  EXPECT_EQ(xb_RecNo(), 4);
  xb_SetMachineCollation();
  ASSERT_GT(xb_IndexTag("", "MACH", nullptr, 0, 0, "NAME"), 0);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 4, 3, 1}));  // A B a b
  // The first order keeps its own: changes land where it sorts them.
  xb_SetOrder(xb_TagArea("SYS"));
  xb_AppendBlank();
  xb_PutString("NAME", "AB");
  EXPECT_EQ(Walk(), (std::vector<int>{3, 2, 5, 1, 4}));  // a A AB b B
}
