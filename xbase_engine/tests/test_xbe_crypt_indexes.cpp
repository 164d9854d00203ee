// Index files of encrypted tables: without the password the records show
// masked, so nothing may build, rebuild or change an index from them (the
// index would be wrong for everyone who has the password); reading and
// seeking existing indexes stays possible. With the password they build.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

std::vector<std::string> g_errors;
void OnError(int, const char* message) { g_errors.emplace_back(message); }

using Bytes = std::vector<unsigned char>;

class XbeCryptIndexes : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    xb_SetErrorFunc(OnError);
    g_errors.clear();
    path = dir.File("T.DBF");
    cdx = dir.File("T.CDX");
    idx = dir.File("Q.IDX");
    ASSERT_TRUE(MakeTable(path, XB_TYPE_FOX, false));
    ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
    // Names out of order, quantities descending: each order differs from
    // the natural one.
    const char* names[] = {"Cleo", "Anna", "Dora", "Bert"};
    for (int i = 0; i < 4; ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", names[i]);
      xb_PutInteger("QTY", 40 - i * 10);
    }
    xb_Commit();
    xb_SetPassword("pw");
    ASSERT_EQ(xb_DbfEncrypt(), 1) << Last();
    xb_Close();
    // The indexes are built with the password.
    ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
    xb_SetPassword("pw");
    ASSERT_GT(xb_IndexTag(nullptr, "NAME", nullptr, 0, 0, "NAME"), 0) << Last();
    ASSERT_GT(xb_Index(idx.c_str(), "QTY", nullptr, 0, 0), 0) << Last();
    xb_Close();
    ASSERT_TRUE(g_errors.empty()) << Last();
  }

  short Open(int mode) { return xb_UseEx(path.c_str(), "", short(mode), XB_TYPE_FOX, XB_COMMIT_NORMAL); }
  static std::string Last() { return g_errors.empty() ? std::string() : g_errors.back(); }

  // Names in the current order.
  static std::vector<std::string> Walk() {
    std::vector<std::string> out;
    for (xb_GoTop(); !xb_Eof() && out.size() < 100; xb_Skip(1)) out.emplace_back(xb_GetTrimString("NAME"));
    return out;
  }

  // Marks an index file (.IDX/.CDX: counter at bytes 8-11) as left by a
  // writer that died in the middle of a write: the counter odd, no lock held.
  static void CutShort(const std::string& file) {
    Bytes b = ReadAll(file);
    ASSERT_GE(b.size(), 12u);
    b[8] |= 1;
    WriteAll(file, b);
  }
  static bool Odd(const std::string& file) { return (ReadAll(file).at(8) & 1) != 0; }

  std::string path, cdx, idx;
};

}  // namespace

TEST_F(XbeCryptIndexes, WithoutTheKeyNoCallWritesAnIndexAndReadingStays) {
  const Bytes tableBefore = ReadAll(path), cdxBefore = ReadAll(cdx), idxBefore = ReadAll(idx);
  const std::string fresh = dir.File("NEW.IDX");
  ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 1) << "the production index opens with the table";
  for (const char* password : {"", "wrong"}) {
    SCOPED_TRACE(std::string("password '") + password + "'");
    xb_SetPassword(password);
    g_errors.clear();
    xb_GoTop();
    ASSERT_STREQ(xb_GetTrimString("NAME"), "**********") << "masked";

    EXPECT_EQ(xb_Index(idx.c_str(), "QTY", nullptr, 0, 0), 0) << "replacing an index";
    EXPECT_EQ(xb_Index(fresh.c_str(), "NAME", nullptr, 0, 0), 0) << "a new index";
    EXPECT_FALSE(std::filesystem::exists(fresh)) << "not even created empty";
    EXPECT_EQ(xb_IndexTag(nullptr, "NAME", nullptr, 0, 0, "NAME"), 0) << "replacing a tag";
    EXPECT_EQ(xb_IndexTag(nullptr, "QTY", nullptr, 0, 0, "QTY"), 0) << "a new tag";
    EXPECT_EQ(xb_IndexTag(dir.File("OTHER.CDX").c_str(), "QTY", nullptr, 0, 0, "QTY"), 0) << "a new file";
    EXPECT_FALSE(std::filesystem::exists(dir.File("OTHER.CDX")));
    EXPECT_EQ(xb_TagDelete("NAME"), 0);
    EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 1);

    // Opening and reading an existing index is allowed: keys are stored in
    // clear text, records stay masked.
    const short q = xb_IndexOpen(idx.c_str());
    ASSERT_GT(q, 0) << Last();
    g_errors.clear();
    const size_t before = g_errors.size();
    xb_Reindex();
    EXPECT_GT(g_errors.size(), before) << "a refused reindex is reported";
    xb_SetOrder(1);
    EXPECT_NE(xb_Seek("Dora"), 0);
    EXPECT_EQ(xb_RecNo(), 3);
    EXPECT_EQ(Walk().size(), 4u);
    xb_SetOrder(q);
    xb_GoTop();
    EXPECT_EQ(xb_RecNo(), 4) << "lowest quantity first";
    xb_Go(2);
    EXPECT_EQ(xb_KeyAdd(nullptr), 0);
    EXPECT_EQ(xb_KeyDrop(nullptr), 0);
    EXPECT_EQ(xb_RYOKeyAdd("NAME", "Zeta"), 0);
    EXPECT_EQ(xb_RYOKeyDrop("NAME"), 0);
    EXPECT_EQ(xb_Pack(), 0);
    EXPECT_EQ(xb_Zap(), 0);
    EXPECT_EQ(xb_RecCount(), 4);
    xb_IndexClose();
  }
  xb_Close();
  EXPECT_TRUE(ReadAll(path) == tableBefore) << "path changed";
  EXPECT_TRUE(ReadAll(cdx) == cdxBefore) << "cdx changed";
  EXPECT_TRUE(ReadAll(idx) == idxBefore) << "idx changed";

  // With the password the same calls work.
  ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
  xb_SetPassword("pw");
  g_errors.clear();
  ASSERT_GT(xb_IndexOpen(idx.c_str()), 0);
  xb_Reindex();
  EXPECT_TRUE(g_errors.empty()) << Last();
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Anna", "Bert", "Cleo", "Dora"}));
  EXPECT_EQ(xb_IndexTag(nullptr, "QTY", nullptr, 0, 1, "QTY"), 2) << Last();  // tags first, in name order
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Cleo", "Anna", "Dora", "Bert"}));
  ASSERT_GT(xb_Index(fresh.c_str(), "NAME", nullptr, 0, 1), 0) << Last();
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Dora", "Cleo", "Bert", "Anna"}));
  EXPECT_NE(xb_TagDelete("QTY"), 0);
  EXPECT_TRUE(g_errors.empty()) << Last();
  xb_Close();
}

TEST_F(XbeCryptIndexes, AnIndexNeedingARebuildIsRebuiltOnlyWithTheKey) {
  CutShort(idx);
  const Bytes idxBefore = ReadAll(idx);
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  for (const char* password : {"", "wrong"}) {
    xb_SetPassword(password);
    g_errors.clear();
    EXPECT_EQ(xb_IndexOpen(idx.c_str()), 0) << password;
    EXPECT_FALSE(g_errors.empty());
  }
  EXPECT_TRUE(ReadAll(idx) == idxBefore) << "idx changed";
  xb_SetPassword("pw");
  const short q = xb_IndexOpen(idx.c_str());
  ASSERT_GT(q, 0) << Last();
  EXPECT_FALSE(Odd(idx));
  xb_SetOrder(q);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Bert", "Dora", "Anna", "Cleo"}));
  xb_Close();
}

TEST_F(XbeCryptIndexes, AProductionIndexNeedingARebuildWaitsForTheKey) {
  CutShort(cdx);
  const Bytes cdxBefore = ReadAll(cdx);
  // The table opens (the password can only be given to an open table); the
  // production index stays out, untouched, until the key comes.
  ASSERT_GT(Open(XB_OPEN_SHARED), 0) << Last();
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 0);
  xb_SetPassword("wrong");
  EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 0);
  xb_Close();
  EXPECT_TRUE(ReadAll(cdx) == cdxBefore) << "cdx changed";

  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  const short q = xb_IndexOpen(idx.c_str());
  ASSERT_EQ(q, 1);
  xb_SetOrder(q);
  g_errors.clear();
  xb_SetPassword("pw");
  EXPECT_TRUE(g_errors.empty()) << Last();
  ASSERT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 2);
  EXPECT_FALSE(Odd(cdx));
  // The production index comes first, as when it opens with the table; the
  // order in control stays the same one.
  EXPECT_EQ(xb_IndexOrd(), 2);
  EXPECT_STREQ(xb_TagName(1), "NAME");
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Bert", "Dora", "Anna", "Cleo"}));
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Anna", "Bert", "Cleo", "Dora"}));
  xb_Close();

  // A read-only open still refuses it, as for any table.
  CutShort(cdx);
  EXPECT_EQ(Open(XB_OPEN_READONLY), 0);
}

TEST_F(XbeCryptIndexes, AppendFromAnEncryptedSourceOrIntoATableWithoutItsKeyWritesNothing) {
  // A plain table with an index takes records from the encrypted one.
  const std::string plain = dir.File("P.DBF");
  const std::string pidx = dir.File("P.IDX");
  ASSERT_TRUE(MakeTable(plain, XB_TYPE_FOX, false));
  ASSERT_GT(xb_UseEx(plain.c_str(), "P", XB_OPEN_SHARED, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  ASSERT_GT(xb_Index(pidx.c_str(), "NAME", nullptr, 0, 0), 0);
  AppendNumbered(2);
  xb_Close();
  const Bytes plainBefore = ReadAll(plain), pidxBefore = ReadAll(pidx);
  ASSERT_GT(xb_UseEx(plain.c_str(), "P", XB_OPEN_SHARED, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  ASSERT_GT(xb_IndexOpen(pidx.c_str()), 0);
  g_errors.clear();
  EXPECT_EQ(xb_AppendFrom(path.c_str(), XB_TYPE_FOX, nullptr), -1) << "masked values are not copied";
  EXPECT_FALSE(g_errors.empty());
  EXPECT_EQ(xb_RecCount(), 2);
  xb_Close();
  EXPECT_TRUE(ReadAll(plain) == plainBefore) << "plain changed";
  EXPECT_TRUE(ReadAll(pidx) == pidxBefore) << "pidx changed";

  // The encrypted table without its key takes nothing either.
  const Bytes tableBefore = ReadAll(path), cdxBefore = ReadAll(cdx);
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  g_errors.clear();
  EXPECT_EQ(xb_AppendFrom(plain.c_str(), XB_TYPE_FOX, nullptr), -1);
  EXPECT_FALSE(g_errors.empty());
  xb_Close();
  EXPECT_TRUE(ReadAll(path) == tableBefore) << "path changed";
  EXPECT_TRUE(ReadAll(cdx) == cdxBefore) << "cdx changed";

  // With the key it does, and its index follows.
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_SetPassword("pw");
  g_errors.clear();
  EXPECT_EQ(xb_AppendFrom(plain.c_str(), XB_TYPE_FOX, nullptr), 2) << Last();
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Anna", "Bert", "Cleo", "Dora", "R1", "R2"}));
  xb_Close();
}

TEST_F(XbeCryptIndexes, ConversionsKeepTheIndexesOpenAndInStep) {
  // Decrypting, then encrypting again, with the production index and an
  // index file open and an order in control: both stay open and follow the
  // changes made afterwards.
  ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
  xb_SetPassword("pw");
  ASSERT_EQ(xb_IndexOpen(idx.c_str()), 2);
  xb_SetOrder(2);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "decrypted" : "encrypted");
    g_errors.clear();
    ASSERT_EQ(round == 0 ? xb_DbfDecrypt() : xb_DbfEncrypt(), 1) << Last();
    EXPECT_EQ(xb_SysProp(XB_PROP_ORDER_COUNT, 0), 2);
    EXPECT_EQ(xb_IndexOrd(), 2);
    xb_AppendBlank();
    xb_PutString("NAME", round == 0 ? "Aaron" : "Abel");
    xb_PutInteger("QTY", round == 0 ? 5 : 1);
    EXPECT_TRUE(g_errors.empty()) << Last();
  }
  xb_Close();
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_SetPassword("pw");
  ASSERT_EQ(xb_IndexOpen(idx.c_str()), 2);
  xb_SetOrder(1);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Aaron", "Abel", "Anna", "Bert", "Cleo", "Dora"}));
  xb_SetOrder(2);
  EXPECT_EQ(Walk(), (std::vector<std::string>{"Abel", "Aaron", "Bert", "Dora", "Anna", "Cleo"}));
  xb_Close();
}
