// The index entry points no other test calls: adding and dropping single
// keys (also with a key of one's own), flipping an order, key data and
// length, seeks by stored bytes, DESCEND, closing one index file; logical
// keys; copying a table's structure and appending from another table into an
// indexed one; the UDF directory.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

struct TypeCase {
  short type;
  const char* name;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class IndexEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(1);
    xb_SetErrorFunc([](int, const char* m) { lastError = m ? m : ""; });
    xb_ErrorLevel(1);
  }
  void TearDown() override { xb_FinalizeSession(); }
  static inline std::string lastError;

  // Table T: NAME = names[i], QTY = qty[i] (or i + 1), OK = every third
  // record, DAY = 2020-01-01 + i; open exclusively.
  short Make(short type, const std::vector<std::string>& names, const std::vector<int>& qty = {},
             short commit = XB_COMMIT_NORMAL) {
    const std::string path = dir.File("T.DBF");
    EXPECT_TRUE(MakeTable(path, type, false));
    const short area = xb_UseEx(path.c_str(), "T", XB_OPEN_EXCLUSIVE, type, commit);
    EXPECT_GT(area, 0);
    for (size_t i = 0; i < names.size(); ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", names[i].c_str());
      xb_PutInteger("QTY", qty.empty() ? int(i + 1) : qty[i]);
      xb_PutLogical("OK", i % 3 == 0);
      const int jdn = 2458850 + int(i);
      xb_Replace("DAY", XB_R_JULIAN, &jdn);
    }
    xb_Commit();
    return area;
  }
  // An order: a tag of the production index, or an .NTX file for NTX tables.
  short Order(short type, const char* tag, const char* expr, const char* cond = nullptr, int unique = 0,
              int desc = 0) {
    if (type == XB_TYPE_NTX) return xb_Index(dir.File(tag).c_str(), expr, cond, unique, desc);
    return xb_IndexTag(nullptr, tag, cond, unique, desc, expr);
  }
  static std::vector<int> Walk() {
    std::vector<int> out;
    for (xb_GoTop(); !xb_Eof() && out.size() < 100000; xb_Skip(1)) out.push_back(xb_RecNo());
    return out;
  }
  static std::vector<int> WalkBack() {
    std::vector<int> out;
    for (xb_GoBottom(); !xb_Bof() && !xb_Eof() && out.size() < 100000; xb_Skip(-1)) out.push_back(xb_RecNo());
    return out;
  }
  ScratchDir dir;
};

class IndexEntryKinds : public IndexEntries, public ::testing::WithParamInterface<TypeCase> {
 protected:
  short Type() const { return GetParam().type; }
};

}  // namespace

// ---- single keys ----

TEST_P(IndexEntryKinds, KeysDroppedAndAddedBackOneByOneLeaveTheOrderWhole) {
  // Enough keys for several pages: every entry is once the highest of its page.
  const auto names = RandomNames(700, 4, 5, 9);
  Make(Type(), names);
  ASSERT_GT(Order(Type(), "BYNAME", "NAME"), 0) << lastError;
  const auto all = ByName(names);
  for (int r = 1; r <= int(names.size()); ++r) {
    xb_Go(r);
    ASSERT_EQ(xb_KeyDrop(nullptr), 1) << r;
    EXPECT_EQ(xb_KeyDrop(""), 0) << r;  // gone already
    ASSERT_EQ(xb_KeyAdd(""), 1) << r;
    EXPECT_EQ(xb_KeyAdd(nullptr), 0) << r;  // there already
  }
  EXPECT_EQ(Walk(), all);
  // A dropped key stays out of walks and seeks until it is added again.
  xb_Go(all[10]);
  ASSERT_EQ(xb_KeyDrop("BYNAME"), 1);
  auto without = all;
  without.erase(without.begin() + 10);
  EXPECT_EQ(Walk(), without);
  auto back = WalkBack();
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, without);
  xb_Close();
  ASSERT_GT(xb_UseEx(dir.File("T.DBF").c_str(), "T", XB_OPEN_SHARED, Type(), XB_COMMIT_NORMAL), 0);
  if (Type() == XB_TYPE_NTX) {
    ASSERT_GT(xb_IndexOpen(dir.File("BYNAME").c_str()), 0);
  }
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), without);
  xb_Go(all[10]);
  ASSERT_EQ(xb_KeyAdd("byname"), 1);
  EXPECT_EQ(Walk(), all);
  // Nothing to add at the end of the table or without an order.
  xb_GoBottom();
  xb_Skip(1);
  EXPECT_EQ(xb_KeyAdd(""), 0);
  xb_SetOrder(0);
  xb_Go(1);
  EXPECT_EQ(xb_KeyAdd(""), 0);
  EXPECT_EQ(xb_KeyDrop("NOSUCHTAG"), 0);
}

TEST_P(IndexEntryKinds, KeyAddIgnoresTheConditionAndTouchesOnlyTheOrderNamed) {
  const std::vector<std::string> names = {"DOG", "ABLE", "EASY", "BAKER", "CHARLIE"};
  Make(Type(), names);
  ASSERT_GT(Order(Type(), "ALL", "NAME"), 0);
  ASSERT_GT(Order(Type(), "SOME", "NAME", "QTY > 2"), 0);
  const short some = xb_TagArea("SOME"), every = xb_TagArea("ALL");
  xb_SetOrder(some);
  EXPECT_EQ(Walk(), (std::vector<int>{4, 5, 3}));
  // Record 2 (ABLE, QTY 2) fails the condition but is added when asked.
  xb_Go(2);
  ASSERT_EQ(xb_KeyAdd("SOME"), 1);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 4, 5, 3}));
  // The other order saw nothing of it.
  xb_SetOrder(every);
  xb_Go(4);
  ASSERT_EQ(xb_KeyDrop("SOME"), 1);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 4, 5, 1, 3}));
  xb_SetOrder(some);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 5, 3}));
}

TEST_P(IndexEntryKinds, OwnKeysAreAddedAsGivenAndFoundBySeeks) {
  Make(Type(), {"BAKER", "ABLE", "CHARLIE"});
  ASSERT_GT(Order(Type(), "BYNAME", "NAME"), 0);
  ASSERT_GT(Order(Type(), "BYQTY", "QTY"), 0);
  // Record 2 gets a second entry under a key of our own, in either order.
  xb_Go(2);
  ASSERT_EQ(xb_RYOKeyAdd("BYNAME", "ZULU"), 1);
  ASSERT_EQ(xb_RYOKeyAdd("BYQTY", "500"), 1);
  xb_SetOrder(xb_TagArea("BYNAME"));
  EXPECT_EQ(Walk(), (std::vector<int>{2, 1, 3, 2}));
  EXPECT_TRUE(xb_Seek("ZUL"));
  EXPECT_EQ(xb_RecNo(), 2);
  xb_SetOrder(xb_TagArea("BYQTY"));
  EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 2}));
  EXPECT_TRUE(xb_Seek("500"));
  EXPECT_EQ(xb_RecNo(), 2);
  // The record's own key is the one xb_RYOKeyDrop takes away.
  xb_Go(2);
  ASSERT_EQ(xb_RYOKeyDrop("BYQTY"), 1);
  EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 2}));
  EXPECT_FALSE(xb_Seek("2"));
  // A key that is not a value of the order's type is refused.
  xb_Go(1);
  EXPECT_EQ(xb_RYOKeyAdd("BYQTY", "twelve"), 0);
  EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 2}));
}

TEST_P(IndexEntryKinds, UniqueOrdersRefuseASecondRecordOfAKey) {
  Make(Type(), {"B", "A", "B", "C"});
  ASSERT_GT(Order(Type(), "UNI", "NAME", nullptr, 1), 0);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 1, 4}));
  xb_Go(3);
  EXPECT_EQ(xb_KeyAdd(""), 0);
  xb_Go(1);
  ASSERT_EQ(xb_KeyDrop(""), 1);
  xb_Go(3);
  ASSERT_EQ(xb_KeyAdd(""), 1);
  EXPECT_EQ(Walk(), (std::vector<int>{2, 3, 4}));
}

// ---- flipped orders ----

TEST_P(IndexEntryKinds, FlippedOrdersRunBackwardsForMovesSeeksAndPositions) {
  const std::vector<std::string> names = {"B", "A", "B", "D", "C", "A"};
  Make(Type(), names);
  ASSERT_GT(Order(Type(), "BYNAME", "NAME"), 0);
  const std::vector<int> up = {2, 6, 1, 3, 5, 4};
  const std::vector<int> down(up.rbegin(), up.rend());
  EXPECT_EQ(xb_SysProp(XB_PROP_DESCENDING, 0), 0);
  ASSERT_NE(xb_IndexFlip(), 0);
  EXPECT_NE(xb_SysProp(XB_PROP_DESCENDING, 0), 0);
  EXPECT_EQ(Walk(), down);
  auto back = WalkBack();
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, down);
  // Back from the end: the last record of the flipped order.
  xb_GoBottom();
  xb_Skip(1);
  EXPECT_TRUE(xb_Eof());
  xb_Skip(-1);
  EXPECT_EQ(xb_RecNo(), 2);
  xb_GoTop();
  xb_Skip(-1);
  EXPECT_TRUE(xb_Bof());
  EXPECT_EQ(xb_RecNo(), 4);
  // A seek lands on the first match in the flipped direction; soft seek on
  // the next key in that direction.
  EXPECT_TRUE(xb_Seek("B"));
  EXPECT_EQ(xb_RecNo(), 3);
  xb_Skip(1);
  EXPECT_EQ(xb_RecNo(), 1);
  xb_SetSoftSeek(1);
  EXPECT_FALSE(xb_Seek("BB"));
  EXPECT_EQ(xb_RecNo(), 3);
  EXPECT_FALSE(xb_Seek("E"));
  EXPECT_EQ(xb_RecNo(), 4);
  EXPECT_FALSE(xb_Seek("0"));
  EXPECT_TRUE(xb_Eof());
  xb_SetSoftSeek(0);
  // Positions count in the flipped direction.
  for (int k = 1; k <= 6; ++k) {
    xb_Go(down[size_t(k - 1)]);
    EXPECT_DOUBLE_EQ(xb_OrderPosGet(), k / 6.0) << k;
    EXPECT_EQ(xb_OrderRecNo(), k);
    ASSERT_TRUE(xb_OrderPosSet(k / 6.0));
    EXPECT_EQ(xb_RecNo(), down[size_t(k - 1)]) << k;
  }
  // Scopes keep their keys; the walk runs through them backwards.
  ASSERT_TRUE(xb_SetScope("B", "C"));
  EXPECT_EQ(Walk(), (std::vector<int>{5, 3, 1}));
  ASSERT_TRUE(xb_SetScope(nullptr, nullptr));
  // Flipping again restores the order's own direction.
  EXPECT_EQ(xb_IndexFlip(), 0);
  EXPECT_EQ(xb_SysProp(XB_PROP_DESCENDING, 0), 0);
  EXPECT_EQ(Walk(), up);
  // A descending order flipped runs ascending.
  ASSERT_GT(Order(Type(), "DOWN", "NAME", nullptr, 0, 1), 0);
  EXPECT_EQ(Walk(), ByName(names, true));
  ASSERT_NE(xb_IndexFlip(), 0);
  EXPECT_EQ(xb_SysProp(XB_PROP_DESCENDING, 0), 0);
  const auto ascending = ByName(names, true);
  EXPECT_EQ(Walk(), std::vector<int>(ascending.rbegin(), ascending.rend()));
  // Without an order there is nothing to flip.
  xb_SetOrder(0);
  EXPECT_EQ(xb_IndexFlip(), 0);
}

// ---- scopes ----

TEST_P(IndexEntryKinds, ScopesSelectTheSameKeysInEitherDirection) {
  const std::vector<std::string> names = {"B", "BA", "BBE", "BBF", "BC", "A", "C", "BBD", "BF"};
  Make(Type(), names);
  ASSERT_GT(Order(Type(), "UP", "NAME"), 0);
  ASSERT_GT(Order(Type(), "DOWN", "NAME", nullptr, 0, 1), 0);
  struct Case {
    const char* low;
    const char* high;
    std::vector<int> up;  // records in ascending order
  };
  // Bounds are prefixes; given the wrong way round they are put right; a
  // bound that is a prefix of the other keeps its role.
  for (const Case& c : {Case{"BBE", "B", {3, 4, 5, 9}}, Case{"B", "BBE", {1, 2, 8, 3}},
                        Case{"BC", "BA", {2, 8, 3, 4, 5}}, Case{"BB", "BB", {8, 3, 4}},
                        Case{"BBE", nullptr, {3, 4, 5, 9, 7}}, Case{nullptr, "BA", {6, 1, 2}}}) {
    SCOPED_TRACE(std::string(c.low ? c.low : "-") + " to " + (c.high ? c.high : "-"));
    xb_SetOrder(xb_TagArea("UP"));
    ASSERT_TRUE(xb_SetScope(c.low, c.high));
    EXPECT_EQ(Walk(), c.up);
    xb_SetOrder(xb_TagArea("DOWN"));
    ASSERT_TRUE(xb_SetScope(c.low, c.high));
    EXPECT_EQ(Walk(), std::vector<int>(c.up.rbegin(), c.up.rend()));
    EXPECT_STREQ(xb_GetScope(0), c.low ? c.low : "");
    EXPECT_STREQ(xb_GetScope(1), c.high ? c.high : "");
    xb_GoBottom();
    EXPECT_EQ(xb_RecNo(), c.up.front());
    EXPECT_EQ(xb_OrderPosGet(), 1.0);
  }
}

// ---- key data, key length, stored-byte seeks ----

TEST_P(IndexEntryKinds, KeyDataAndKeyLengthDescribeTheCurrentKey) {
  Make(Type(), {"BAKER", "ABLE"}, {42, -7});
  EXPECT_EQ(xb_KeyLength(), 0);
  EXPECT_STREQ(xb_KeyData(), "");
  ASSERT_GT(Order(Type(), "BYNAME", "NAME"), 0);
  EXPECT_EQ(xb_KeyLength(), 10);
  xb_Go(1);
  EXPECT_STREQ(xb_KeyData(), "BAKER     ");
  ASSERT_GT(Order(Type(), "BYUP", "UPPER(NAME) + DTOS(DAY)"), 0);
  EXPECT_EQ(xb_KeyLength(), 18);
  xb_Go(2);
  EXPECT_STREQ(xb_KeyData(), "ABLE      20200102");
  ASSERT_GT(Order(Type(), "BYQTY", "QTY"), 0);
  ASSERT_GT(Order(Type(), "BYDAY", "DAY"), 0);
  ASSERT_GT(Order(Type(), "BYOK", "OK"), 0);
  const bool ntx = Type() == XB_TYPE_NTX;
  xb_SetOrder(xb_TagArea("BYQTY"));
  EXPECT_EQ(xb_KeyLength(), ntx ? 5 : 8);
  xb_Go(1);
  EXPECT_STREQ(xb_KeyData(), ntx ? "00042" : "42");
  if (!ntx) {
    xb_Go(2);
    EXPECT_STREQ(xb_KeyData(), "-7");
  }
  xb_SetOrder(xb_TagArea("BYDAY"));
  EXPECT_EQ(xb_KeyLength(), 8);
  xb_Go(2);
  EXPECT_STREQ(xb_KeyData(), "20200102");
  xb_SetOrder(xb_TagArea("BYOK"));
  EXPECT_EQ(xb_KeyLength(), 1);
  xb_Go(1);
  EXPECT_STREQ(xb_KeyData(), "T");
  xb_Go(2);
  EXPECT_STREQ(xb_KeyData(), "F");
  // Past the end there is no current key.
  xb_Go(3);
  EXPECT_TRUE(xb_Eof());
  EXPECT_STREQ(xb_KeyData(), "");
}

TEST_P(IndexEntryKinds, SeekBinTakesTheKeyAsStored) {
  Make(Type(), {"BAKER", "ABLE", "BAKERY", "CHARLIE"}, {30, -5, 12, 7});
  ASSERT_GT(Order(Type(), "BYNAME", "NAME"), 0);
  EXPECT_TRUE(xb_SeekBin("BAKERY", 6));
  EXPECT_EQ(xb_RecNo(), 3);
  EXPECT_TRUE(xb_Found());
  EXPECT_TRUE(xb_SeekBin("BAK", 3));  // a prefix
  EXPECT_EQ(xb_RecNo(), 1);
  EXPECT_TRUE(xb_SeekBin("BAKER     ", 10));
  EXPECT_EQ(xb_RecNo(), 1);
  EXPECT_FALSE(xb_SeekBin("BAKERZ", 6));
  EXPECT_TRUE(xb_Eof());
  xb_SetSoftSeek(1);
  EXPECT_FALSE(xb_SeekBin("BAKERZ", 6));
  EXPECT_EQ(xb_RecNo(), 4);
  xb_SetSoftSeek(0);
  EXPECT_FALSE(xb_SeekBin(nullptr, 3));
  EXPECT_FALSE(xb_SeekBin("B", 0));
  // Numbers as the order stores them.
  ASSERT_GT(Order(Type(), "BYQTY", "QTY"), 0);
  std::string seven;
  if (Type() == XB_TYPE_NTX) {
    seven = "00007";  // text, zero-padded to the field's width
  } else {
    // The double, big-endian, sign bit flipped for a positive number.
    const double v = 7.0;
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    bits ^= uint64_t(1) << 63;
    for (int i = 7; i >= 0; --i) seven.push_back(char(uint8_t(bits >> (8 * i))));
  }
  EXPECT_TRUE(xb_SeekBin(seven.data(), short(seven.size())));
  EXPECT_EQ(xb_RecNo(), 4);
  // Logical keys are T and F.
  ASSERT_GT(Order(Type(), "BYOK", "OK"), 0);
  EXPECT_TRUE(xb_SeekBin("T", 1));
  EXPECT_EQ(xb_RecNo(), 1);
  EXPECT_TRUE(xb_SeekBin("F", 1));
  EXPECT_EQ(xb_RecNo(), 2);
}

TEST_P(IndexEntryKinds, DescendTurnsKeysAroundInOrdersAndSeeks) {
  const auto names = RandomNames(120, 8, 5, 9);
  Make(Type(), names);
  // Every byte complemented, as the expression function does it.
  const std::string d = xb_Descend("AB~");
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(uint8_t(d[0]), 256 - 'A');
  EXPECT_EQ(uint8_t(d[1]), 256 - 'B');
  EXPECT_EQ(uint8_t(d[2]), 256 - '~');
  EXPECT_EQ(d, std::string(xb_EvalString("DESCEND(\"AB~\")")));
  EXPECT_STREQ(xb_Descend(""), "");
  EXPECT_STREQ(xb_Descend(nullptr), "");
  // An order over DESCEND(NAME) runs high names first; seeks take xb_Descend.
  ASSERT_GT(Order(Type(), "DN", "DESCEND(NAME)"), 0) << lastError;
  EXPECT_EQ(Walk(), ByName(names, true));
  std::string key = names[17];
  key.resize(10, ' ');
  ASSERT_TRUE(xb_Seek(xb_Descend(key.c_str())));
  EXPECT_EQ(xb_GetString("NAME"), key);
}

// ---- logical keys ----

TEST_P(IndexEntryKinds, LogicalKeysSortFalseFirstAndFollowChanges) {
  const auto names = RandomNames(60, 9, 5, 9);
  Make(Type(), names);  // OK true on records 1, 4, 7, ...
  ASSERT_GT(Order(Type(), "BYOK", "OK"), 0);
  auto model = [&](const std::vector<bool>& ok) {
    std::vector<int> f, t;
    for (size_t i = 0; i < ok.size(); ++i) (ok[i] ? t : f).push_back(int(i + 1));
    f.insert(f.end(), t.begin(), t.end());
    return f;
  };
  std::vector<bool> ok(60);
  for (size_t i = 0; i < ok.size(); ++i) ok[i] = i % 3 == 0;
  EXPECT_EQ(Walk(), model(ok));
  for (const char* t : {"T", "t", ".T.", "Y"}) {
    EXPECT_TRUE(xb_Seek(t)) << t;
    EXPECT_EQ(xb_RecNo(), 1) << t;
  }
  for (const char* f : {"F", ".F.", "N"}) {
    EXPECT_TRUE(xb_Seek(f)) << f;
    EXPECT_EQ(xb_RecNo(), 2) << f;
  }
  // Changes move records between the two keys.
  for (int r : {1, 2, 30, 59, 60}) {
    xb_Go(r);
    ok[size_t(r - 1)] = !ok[size_t(r - 1)];
    xb_PutLogical("OK", ok[size_t(r - 1)]);
  }
  EXPECT_EQ(Walk(), model(ok));
  ASSERT_TRUE(xb_SetScope("T", "T"));
  std::vector<int> trues;
  for (size_t i = 0; i < ok.size(); ++i) {
    if (ok[i]) trues.push_back(int(i + 1));
  }
  EXPECT_EQ(Walk(), trues);
  xb_SetScope(nullptr, nullptr);
  // A logical key in a compound expression, and a descending logical order.
  ASSERT_GT(Order(Type(), "OKNAME", "IIF(OK, \"1\", \"0\") + NAME"), 0);
  xb_GoTop();
  EXPECT_FALSE(xb_GetLogical("OK"));
  xb_GoBottom();
  EXPECT_TRUE(xb_GetLogical("OK"));
  ASSERT_GT(Order(Type(), "OKDOWN", "OK", nullptr, 0, 1), 0);
  auto down = model(ok);
  std::stable_partition(down.begin(), down.end(), [&](int r) { return ok[size_t(r - 1)]; });
  EXPECT_EQ(Walk(), down);
  xb_Close();
  // After reopening.
  ASSERT_GT(xb_UseEx(dir.File("T.DBF").c_str(), "T", XB_OPEN_SHARED, Type(), XB_COMMIT_NORMAL), 0);
  if (Type() == XB_TYPE_NTX) {
    ASSERT_GT(xb_IndexOpen(dir.File("BYOK").c_str()), 0);
  }
  xb_SetOrder(xb_TagArea("BYOK"));
  EXPECT_EQ(Walk(), model(ok));
  EXPECT_TRUE(xb_Seek("T"));
}

INSTANTIATE_TEST_SUITE_P(Types, IndexEntryKinds,
                         ::testing::Values(TypeCase{XB_TYPE_NTX, "NTX"}, TypeCase{XB_TYPE_FOX, "FOX"},
                                           TypeCase{XB_TYPE_NSX, "NSX"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- many tags ----

TEST_F(IndexEntries, CompoundFilesHoldManyTagsInNameOrder) {
  const auto names = RandomNames(30, 14, 5, 9);
  for (const short type : {short(XB_TYPE_FOX), short(XB_TYPE_NSX)}) {
    SCOPED_TRACE(type);
    const int tags = type == XB_TYPE_FOX ? 90 : 62;  // .NSX: at most 62
    Make(type, names);
    for (int i = tags - 1; i >= 0; --i) {
      char tag[16];
      std::snprintf(tag, sizeof tag, "T%03d", i * 7 % tags);
      ASSERT_GT(xb_IndexTag(nullptr, tag, nullptr, 0, i % 2, i % 3 ? "NAME" : "QTY"), 0) << tag << lastError;
    }
    if (type == XB_TYPE_NSX) {
      EXPECT_EQ(xb_IndexTag(nullptr, "ONEMORE", nullptr, 0, 0, "NAME"), 0);
    }
    xb_Close();
    ASSERT_GT(xb_UseEx(dir.File("T.DBF").c_str(), "T", XB_OPEN_SHARED, type, XB_COMMIT_NORMAL), 0);
    ASSERT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), tags);
    for (int n = 1; n <= tags; ++n) {
      char tag[16];
      std::snprintf(tag, sizeof tag, "T%03d", n - 1);
      EXPECT_STREQ(xb_TagName(short(n)), tag);
      EXPECT_EQ(xb_TagArea(tag), n);
    }
    // Every tag keeps its own key and direction.
    for (const int i : {0, 1, 2, 45, tags - 1}) {
      char tag[16];
      std::snprintf(tag, sizeof tag, "T%03d", i * 7 % tags);
      xb_SetOrder(xb_TagArea(tag));
      const bool desc = i % 2 != 0;
      EXPECT_EQ(xb_SysProp(XB_PROP_DESCENDING, 0) != 0, desc) << tag;
      if (i % 3) {
        EXPECT_EQ(Walk(), ByName(names, desc)) << tag;
      } else {
        auto want = std::vector<int>(names.size());
        for (size_t r = 0; r < want.size(); ++r) want[r] = desc ? int(want.size() - r) : int(r + 1);
        EXPECT_EQ(Walk(), want) << tag;
      }
    }
    // Changes reach every tag.
    xb_SetOrder(0);
    xb_Go(5);
    xb_PutString("NAME", "0");
    xb_Commit();
    xb_SetOrder(xb_TagArea("T014"));  // i = 2: NAME, ascending
    xb_GoTop();
    EXPECT_EQ(xb_RecNo(), 5);
    xb_SetOrder(xb_TagArea("T007"));  // i = 1: NAME, descending
    xb_GoBottom();
    EXPECT_EQ(xb_RecNo(), 5);
    xb_Close();
    std::remove(dir.File(type == XB_TYPE_FOX ? "T.CDX" : "T.NSX").c_str());
  }
}

// ---- closing one index file ----

TEST_F(IndexEntries, IndexCloseClosesOnlyTheFileOfTheCurrentOrder) {
  const auto names = RandomNames(50, 2, 5, 9);
  Make(XB_TYPE_FOX, names);
  ASSERT_EQ(xb_IndexTag(nullptr, "NAME", nullptr, 0, 0, "NAME"), 1);
  ASSERT_EQ(xb_IndexTag(nullptr, "QTY", nullptr, 0, 0, "QTY"), 2);
  ASSERT_EQ(xb_Index(dir.File("BYDAY.IDX").c_str(), "DAY", nullptr, 0, 1), 3);
  // Closing the compound file closes all its tags; the .IDX order moves up.
  xb_SetOrder(2);
  xb_IndexClose();
  EXPECT_EQ(xb_IndexOrd(), 0);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 1);
  EXPECT_STREQ(xb_TagName(1), "BYDAY");
  xb_SetOrder(1);
  std::vector<int> desc(names.size());
  for (size_t i = 0; i < desc.size(); ++i) desc[i] = int(desc.size() - i);
  EXPECT_EQ(Walk(), desc);
  // In natural order there is no current file: nothing closes.
  xb_SetOrder(0);
  xb_IndexClose();
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 1);
  xb_SetOrder(1);
  xb_IndexClose();
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 0);
  xb_GoTop();
  EXPECT_EQ(xb_RecNo(), 1);
  // Both files open again, whole.
  EXPECT_EQ(xb_IndexOpen(dir.File("T.CDX").c_str()), 1);
  EXPECT_EQ(xb_IndexOpen(dir.File("BYDAY").c_str()), 3);
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), ByName(names));
}

TEST_F(IndexEntries, IndexCloseWritesKeysKeptBack) {
  // Exclusive use at commit level none keeps key changes in memory.
  const auto names = RandomNames(40, 6, 5, 9);
  Make(XB_TYPE_NSX, names, {}, XB_COMMIT_NONE);
  ASSERT_GT(xb_Index(dir.File("SOLO.NSX").c_str(), "NAME", nullptr, 0, 0), 0);
  auto all = names;
  for (int i = 0; i < 30; ++i) {
    xb_AppendBlank();
    const std::string n = "N" + std::to_string(i * 7 % 30);
    xb_PutString("NAME", n.c_str());
    all.push_back(n);
  }
  xb_Go(1);  // the last change reaches the order
  xb_IndexClose();
  xb_Close();
  ASSERT_GT(xb_UseEx(dir.File("T.DBF").c_str(), "T", XB_OPEN_SHARED, XB_TYPE_NSX, XB_COMMIT_NORMAL), 0);
  ASSERT_EQ(xb_IndexOpen(dir.File("SOLO").c_str()), 1);
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), ByName(all));
}

// ---- structure copies and appends from another table ----

TEST_F(IndexEntries, CopyStructureWritesAnEmptyTableOfTheSameFields) {
  for (const short type : {short(XB_TYPE_NTX), short(XB_TYPE_FOX), short(XB_TYPE_NSX)}) {
    SCOPED_TRACE(type);
    const std::string path = dir.File("S" + std::to_string(type) + ".DBF");
    ASSERT_TRUE(MakeTable(path, type, true));
    const short area = xb_UseEx(path.c_str(), "SRC", XB_OPEN_SHARED, type, XB_COMMIT_NORMAL);
    ASSERT_GT(area, 0);
    AppendNumbered(5);
    xb_Go(3);
    const std::string copy = dir.File("C" + std::to_string(type));
    ASSERT_EQ(xb_CopyStructure(copy.c_str(), "COPYALIAS"), 1) << lastError;
    // The source area is as it was; the copy is not left open.
    EXPECT_EQ(xb_Select(area), area);
    EXPECT_EQ(xb_RecNo(), 3);
    EXPECT_EQ(xb_WorkArea("COPYALIAS"), 0);
    const short c = xb_UseEx((copy + ".DBF").c_str(), "C", XB_OPEN_SHARED, type, XB_COMMIT_NORMAL);
    ASSERT_GT(c, 0) << lastError;
    EXPECT_EQ(xb_RecCount(), 0);
    ASSERT_EQ(xb_FieldCount(), 5);
    for (short f = 1; f <= 5; ++f) {
      xb_Select(area);
      const std::string name = xb_FieldName(f), ftype = xb_FieldType(name.c_str());
      const unsigned width = xb_FieldWidth(name.c_str()), decimals = xb_FieldDecimals(name.c_str());
      xb_Select(c);
      EXPECT_EQ(std::string(xb_FieldName(f)), name);
      EXPECT_EQ(std::string(xb_FieldType(name.c_str())), ftype);
      EXPECT_EQ(xb_FieldWidth(name.c_str()), width);
      EXPECT_EQ(xb_FieldDecimals(name.c_str()), decimals);
    }
    // It takes records and memos.
    xb_AppendBlank();
    xb_PutString("NAME", "NEW");
    xb_PutMemo("NOTES", "a memo");
    xb_Commit();
    char* memo = xb_GetMemo("NOTES", 0);
    ASSERT_NE(memo, nullptr);
    EXPECT_STREQ(memo, "a memo");
    xb_MemDealloc(memo);
    xb_Close();
    xb_Select(area);
    xb_Close();
  }
  // Without a current table, or to a directory that does not exist: no copy.
  EXPECT_EQ(xb_CopyStructure(dir.File("NONE").c_str(), ""), 0);
  ASSERT_TRUE(MakeTable(dir.File("X.DBF"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(dir.File("X.DBF")), 0);
  EXPECT_EQ(xb_CopyStructure(dir.File("no/such/dir/Y").c_str(), nullptr), 0);
}

TEST_F(IndexEntries, AppendFromKeepsTheOrdersInStepWhateverTheTypeGiven) {
  // A source with memos in a FOX memo file.
  const std::string src = dir.File("SRC.DBF");
  ASSERT_TRUE(MakeTable(src, XB_TYPE_FOX, true));
  ASSERT_GT(xb_UseEx(src.c_str(), "SRC", XB_OPEN_EXCLUSIVE, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  const auto names = RandomNames(80, 12, 5, 9);
  for (size_t i = 0; i < names.size(); ++i) {
    xb_AppendBlank();
    xb_PutString("NAME", names[i].c_str());
    xb_PutInteger("QTY", int(i));
    xb_PutMemo("NOTES", ("memo " + names[i]).c_str());
    if (i % 4 == 0) xb_Delete();
  }
  xb_Close();
  // The target: an NSX table with a production index of two tags.
  Make(XB_TYPE_NSX, {"ZZ", "AA"});
  xb_Close();
  ASSERT_GT(xb_UseEx(dir.File("T.DBF").c_str(), "T", XB_OPEN_SHARED, XB_TYPE_NSX, XB_COMMIT_NORMAL), 0);
  ASSERT_GT(xb_IndexTag(nullptr, "BYNAME", nullptr, 0, 0, "NAME"), 0);
  ASSERT_GT(xb_IndexTag(nullptr, "ODD", "QTY % 2 = 1", 0, 0, "QTY"), 0);
  // The type given does not matter: the source's own header says what it is.
  xb_SetDeleted(1);
  std::vector<std::string> all = {"ZZ", "AA"};
  for (size_t i = 10; i < names.size(); ++i) {
    if (i % 4 == 0) continue;
    all.push_back(names[i]);
  }
  ASSERT_EQ(xb_AppendFrom(src.c_str(), XB_TYPE_NTX, "QTY >= 10"), int(all.size()) - 2) << lastError;
  xb_SetOrder(xb_TagArea("BYNAME"));
  EXPECT_EQ(Walk(), ByName(all));
  xb_SetOrder(xb_TagArea("ODD"));
  std::vector<int> qty;
  for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) qty.push_back(xb_GetInteger("QTY"));
  std::vector<int> want = {1};  // ZZ
  for (size_t i = 10; i < names.size(); ++i) {
    if (i % 4 != 0 && i % 2 == 1) want.push_back(int(i));
  }
  EXPECT_EQ(qty, want);
  xb_Go(3);
  EXPECT_EQ(std::string(xb_GetTrimString("NAME")), names[10]);
  xb_SetDeleted(0);
  EXPECT_EQ(xb_AppendFrom(src.c_str(), 0, "QTY < 2"), 2);
  EXPECT_EQ(xb_AppendFrom(src.c_str(), XB_TYPE_FOX, "QTY +"), -1);
  EXPECT_EQ(xb_AppendFrom(dir.File("MISSING.DBF").c_str(), XB_TYPE_FOX, nullptr), -1);
  xb_SetOrder(xb_TagArea("BYNAME"));
  all.push_back(names[0]);
  all.push_back(names[1]);
  EXPECT_EQ(Walk(), ByName(all));
}

// ---- the UDF directory ----

TEST_F(IndexEntries, TheUdfDirectoryIsKeptUntilTheSessionEnds) {
  EXPECT_STREQ(xb_GetUDFPath(), "");
  xb_SetUDFPath("/opt/udf");
  EXPECT_STREQ(xb_GetUDFPath(), "/opt/udf");
  // Nothing reads it: expressions and indexes work as before.
  ASSERT_TRUE(MakeTable(dir.File("U.DBF"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(dir.File("U.DBF"), XB_OPEN_EXCLUSIVE), 0);
  AppendNumbered(3);
  EXPECT_EQ(xb_EvalNumeric("QTY * 2"), 6.0);
  xb_SetUDFPath(nullptr);
  EXPECT_STREQ(xb_GetUDFPath(), "");
  xb_SetUDFPath("relative/dir");
  xb_FinalizeSession();
  EXPECT_STREQ(xb_GetUDFPath(), "");
}
