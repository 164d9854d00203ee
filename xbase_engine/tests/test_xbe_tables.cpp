// Behaviour of one process's tables through the C entry points.
#include <dlfcn.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "xbase_engine/XbEntryNames.h"
#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeTables : public EngineTest {};

// Every entry point is declared noexcept, so no failure can unwind into a C
// caller (checked when this file compiles).
template <class R, class... A>
constexpr bool IsNoexcept(R (*)(A...) noexcept) { return true; }
template <class R, class... A>
constexpr bool IsNoexcept(R (*)(A...)) { return false; }
#define XBE_CHECK_NOEXCEPT(name) static_assert(IsNoexcept(&name), #name " can throw into its caller");
XB_ENTRY_POINTS(XBE_CHECK_NOEXCEPT)
#undef XBE_CHECK_NOEXCEPT

}  // namespace

TEST(XbeLibrary, LoadsByNameAndExportsEveryEntryPoint) {
  void* lib = dlopen("libxbe61.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  int found = 0;
#define XBE_LOOKUP(name) found += dlsym(lib, #name) != nullptr ? 1 : 0;
  XB_ENTRY_POINTS(XBE_LOOKUP)
#undef XBE_LOOKUP
  EXPECT_EQ(found, 177);
  dlclose(lib);
}

TEST_F(XbeTables, CreatedTableHasExactHeaderAndFields) {
  const std::string path = dir.File("LOCKSPL.DBF");
  const short area = xb_CreateNew(path.c_str(), "LOCKSPL", XB_TYPE_NTX, 1);
  ASSERT_GT(area, 0);
  xb_CreateField("DUMMY", "C", 10, 0);
  ASSERT_EQ(xb_CreateExec(), area);
  EXPECT_EQ(xb_FieldCount(), 1);
  EXPECT_STREQ(xb_FieldName(1), "DUMMY");
  EXPECT_STREQ(xb_FieldType("dummy"), "C");
  EXPECT_EQ(xb_FieldWidth("DUMMY"), 10);
  EXPECT_EQ(xb_FieldOffset("DUMMY"), 2);
  EXPECT_EQ(xb_RecSize(), 11);
  xb_Close();
  const auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 32u + 32u + 1u + 1u);
  EXPECT_EQ(bytes[0], 0x03);
  EXPECT_EQ(bytes[4] | bytes[5] | bytes[6] | bytes[7], 0);  // no records
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 65);                  // header length
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 11);                // record length
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[32]), 5), "DUMMY");
  EXPECT_EQ(bytes[43], 'C');
  EXPECT_EQ(bytes[48], 10);
  EXPECT_EQ(bytes[64], 0x0D);
  EXPECT_EQ(bytes[65], 0x1A);
}

TEST_F(XbeTables, CreationRejectsBadFieldsAndFlagsBit15) {
  EXPECT_LT(xb_CreateNew("", "X", 1, 1), 0);
  const std::string path = dir.File("BAD.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "BAD", 1, 1), 0);
  xb_CreateField("1ST", "C", 10, 0);  // must begin with a letter
  EXPECT_EQ(xb_CreateExec(), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  ASSERT_GT(xb_CreateNew(path.c_str(), "BAD", 1, 1), 0);
  xb_CreateField("ELEVENCHARS", "C", 10, 0);  // longer than 10
  EXPECT_EQ(xb_CreateExec(), 0);
}

TEST_F(XbeTables, OpenAddsExtensionResolvesCaseAndRefusesDuplicateAlias) {
  ASSERT_TRUE(MakeTable(dir.File("orders.dbf"), XB_TYPE_NTX, false));
  const short a = OpenTable(dir.File("ORDERS"));
  ASSERT_GT(a, 0);
  EXPECT_STREQ(xb_Alias(a), "ORDERS");
  EXPECT_EQ(xb_WorkArea("orders"), a);
  EXPECT_EQ(OpenTable(dir.File("orders.dbf")), 0);  // alias ORDERS taken
  const short b = OpenTable(dir.File("orders.dbf"), XB_OPEN_SHARED, "ORDERS1");
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_STREQ(xb_Alias(200), "");
  EXPECT_EQ(OpenTable(dir.File("missing.dbf")), 0);
}

TEST_F(XbeTables, NavigationEndsAndPhantomRecord) {
  ASSERT_TRUE(MakeTable(dir.File("NAV.DBF"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(dir.File("NAV.DBF")), 0);
  // Empty: Bof and Eof at once, whatever the move.
  xb_GoTop();
  EXPECT_TRUE(xb_Bof());
  EXPECT_TRUE(xb_Eof());
  EXPECT_EQ(xb_RecNo(), 1);
  const struct {
    const char* what;
    void (*move)();
  } emptyMoves[] = {{"GoBottom", [] { xb_GoBottom(); }}, {"Skip(1)", [] { xb_Skip(1); }},
                    {"Skip(-1)", [] { xb_Skip(-1); }},   {"Go(0)", [] { xb_Go(0); }},
                    {"Go(1)", [] { xb_Go(1); }}};
  for (const auto& m : emptyMoves) {
    m.move();
    EXPECT_TRUE(xb_Bof()) << m.what;
    EXPECT_TRUE(xb_Eof()) << m.what;
    EXPECT_EQ(xb_RecNo(), 1) << m.what;
  }
  AppendNumbered(3);
  xb_GoTop();
  EXPECT_FALSE(xb_Bof());
  EXPECT_FALSE(xb_Eof());
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R1");
  xb_Skip(-1);
  EXPECT_TRUE(xb_Bof());
  EXPECT_EQ(xb_RecNo(), 1);
  xb_GoBottom();
  EXPECT_EQ(xb_RecNo(), 3);
  xb_Skip(1);
  EXPECT_TRUE(xb_Eof());
  EXPECT_EQ(xb_RecNo(), 4);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "");  // the phantom record is blank
  xb_Skip(1);
  EXPECT_TRUE(xb_Eof());
  xb_Skip(-1);
  EXPECT_FALSE(xb_Eof());
  EXPECT_EQ(xb_RecNo(), 3);
  for (int target : {0, -1, 99}) {
    xb_Go(target);
    EXPECT_TRUE(xb_Eof()) << target;
    EXPECT_FALSE(xb_Bof()) << target;
    EXPECT_EQ(xb_RecNo(), 4) << target;
  }
  xb_Go(2);
  EXPECT_EQ(xb_GetInteger("QTY"), 2);
  xb_Skip(5);
  EXPECT_TRUE(xb_Eof());
  xb_Skip(-10);
  EXPECT_TRUE(xb_Bof());
  EXPECT_EQ(xb_RecNo(), 1);
  EXPECT_EQ(xb_RecCount(), 3);
}

TEST_F(XbeTables, DeletedRecordsHiddenFromMovesAndCounts) {
  ASSERT_TRUE(MakeTable(dir.File("DEL.DBF"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(dir.File("DEL.DBF")), 0);
  AppendNumbered(5);
  for (int r : {1, 3, 5}) {
    xb_Go(r);
    xb_Delete();
    EXPECT_TRUE(xb_Deleted());
  }
  xb_SetDeleted(-1);
  EXPECT_NE(xb_SysProp(XB_PROP_GET_DELETED, 0), 0);
  EXPECT_EQ(xb_Count(), 2);
  EXPECT_EQ(xb_RecCount(), 5);
  xb_GoTop();
  EXPECT_EQ(xb_RecNo(), 2);
  xb_Skip(1);
  EXPECT_EQ(xb_RecNo(), 4);
  xb_Skip(1);
  EXPECT_TRUE(xb_Eof());
  xb_GoBottom();
  EXPECT_EQ(xb_RecNo(), 4);
  xb_Skip(-1);
  xb_Skip(-1);
  EXPECT_TRUE(xb_Bof());
  EXPECT_EQ(xb_RecNo(), 2);
  xb_Go(2);
  xb_Delete();
  xb_Go(4);
  xb_Delete();
  xb_GoTop();  // everything hidden: like an empty table
  EXPECT_TRUE(xb_Bof());
  EXPECT_TRUE(xb_Eof());
  xb_SetDeleted(0);
  xb_Go(3);
  xb_Recall();
  EXPECT_FALSE(xb_Deleted());
}

TEST_F(XbeTables, TypedValuesRoundTripAndOverflowIsRefused) {
  ASSERT_TRUE(MakeTable(dir.File("VAL.DBF"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(dir.File("VAL.DBF")), 0);
  xb_AppendBlank();
  EXPECT_TRUE(xb_Empty("QTY"));
  EXPECT_TRUE(xb_IsNull("NAME"));
  xb_PutString("NAME", "Longer than ten");
  EXPECT_STREQ(xb_GetString("NAME"), "Longer tha");
  xb_PutDouble("QTY", 12.0);
  EXPECT_STREQ(xb_GetString("QTY"), "   12");
  xb_PutInteger("QTY", 123456);  // does not fit five places: left unchanged
  EXPECT_EQ(xb_GetInteger("QTY"), 12);
  const int logicalTrue = -1;
  xb_Replace("OK", XB_R_LOGICAL, &logicalTrue);
  EXPECT_TRUE(xb_GetLogical("OK"));
  xb_SetDateFormat(2);  // British
  xb_SetCentury(-1);
  xb_PutDateString("DAY", "24/12/2009");
  EXPECT_STREQ(xb_GetString("DAY"), "20091224");
  EXPECT_STREQ(xb_GetDateString("DAY"), "24/12/2009");
  xb_SetDateFormat(0);
  xb_SetCentury(0);
  EXPECT_STREQ(xb_GetDateString("DAY"), "12/24/09");
  xb_SetEpoch(1950);
  xb_PutDateString("DAY", "01/02/49");
  EXPECT_STREQ(xb_GetString("DAY"), "20490102");
  EXPECT_EQ(xb_GetDateJulian("DAY"), 2469444);
  xb_PutDateString("DAY", "");
  EXPECT_STREQ(xb_GetDateString("DAY"), "  /  /  ");
  EXPECT_EQ(xb_GetDateJulian("DAY"), 0);
  // An unknown field fails cleanly.
  EXPECT_STREQ(xb_GetTrimString("NOSUCH"), "");
  xb_PutString("NOSUCH", "x");
  // The record image carries the deletion byte first.
  std::vector<char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  EXPECT_EQ(image[0], ' ');
  EXPECT_EQ(std::string(&image[1], 10), "Longer tha");
}

// A number stored in a field and the same number through STR() read alike:
// halves away from zero, judged on the number as it is written.
TEST_F(XbeTables, StoredNumbersRoundAsStrDoes) {
  const std::string path = dir.File("ROUND.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "ROUND", XB_TYPE_NTX, 2), 0);
  xb_CreateField("WHOLE", "N", 5, 0);
  xb_CreateField("CENTS", "N", 5, 2);
  ASSERT_GT(xb_CreateExec(), 0);
  struct Case {
    const char* number;
    double value;
    const char* whole;
    const char* cents;
  } cases[] = {{"2.5", 2.5, "    3", " 2.50"},     {"0.125", 0.125, "    0", " 0.13"},
               {"-2.5", -2.5, "   -3", "-2.50"},  {"1.005", 1.005, "    1", " 1.01"},
               {"-0.125", -0.125, "    0", "-0.13"}, {"3.5", 3.5, "    4", " 3.50"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    xb_AppendBlank();
    xb_PutDouble("WHOLE", c.value);
    xb_Replace("CENTS", XB_R_DOUBLE, &c.value);
    EXPECT_STREQ(xb_GetString("WHOLE"), c.whole);
    EXPECT_STREQ(xb_GetString("CENTS"), c.cents);
    EXPECT_STREQ(xb_EvalString((std::string("STR(") + c.number + ", 5, 0)").c_str()), c.whole);
    EXPECT_STREQ(xb_EvalString((std::string("STR(") + c.number + ", 5, 2)").c_str()), c.cents);
  }
  xb_Close();
}

TEST_F(XbeTables, MemosRoundTripInBothMemoFormats) {
  for (short type : {XB_TYPE_NTX, XB_TYPE_FOX}) {
    SCOPED_TRACE(type);
    const std::string path = dir.File("MEMO" + std::to_string(type) + ".DBF");
    ASSERT_TRUE(MakeTable(path, type, true));
    ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_SHARED, type, XB_COMMIT_NORMAL), 0);
    xb_AppendBlank();
    EXPECT_EQ(xb_GetMemo("NOTES", 0), nullptr);  // empty memo: nothing to free
    const std::string longText(1500, 'x');
    const int memoType = XB_R_MEMO;
    (void)memoType;
    xb_Replace("NOTES", XB_R_MEMO, longText.c_str());
    xb_AppendBlank();
    const std::string binary("a\x1A\0b", 4);  // bytes that would end a DBT memo text
    EXPECT_EQ(xb_PutBlob("NOTES", binary.data(), 4), 4);
    xb_Commit();
    xb_Close();
    ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, type, XB_COMMIT_NORMAL), 0);
    xb_Go(1);
    char* text = xb_GetMemo("NOTES", 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), longText);
    xb_MemDealloc(text);
    EXPECT_EQ(xb_GetBlobLength("NOTES"), 1500);
    xb_Go(2);
    ASSERT_EQ(xb_GetBlobLength("NOTES"), 4);
    char buf[5] = {0};
    EXPECT_EQ(xb_GetBlob("NOTES", buf), 4);
    EXPECT_EQ(std::string(buf, 4), binary);
    const std::string out = dir.File("blob.bin");
    EXPECT_TRUE(xb_BlobToFile("NOTES", out.c_str()));
    EXPECT_EQ(ReadAll(out).size(), 4u);
    xb_Close();
  }
}

TEST_F(XbeTables, ReadOnlyOpenRefusesChanges) {
  ASSERT_TRUE(MakeTable(dir.File("RO.DBF"), XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(dir.File("RO.DBF")), 0);
  AppendNumbered(1);
  xb_Close();
  ASSERT_GT(OpenTable(dir.File("RO.DBF"), XB_OPEN_READONLY), 0);
  xb_GoTop();
  xb_PutString("NAME", "changed");
  xb_AppendBlank();
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R1");
  EXPECT_EQ(xb_RecCount(), 1);
}

TEST_F(XbeTables, ExclusiveOpenKeepsOthersOutAndCreationNeverTruncatesAHeldTable) {
  const std::string path = dir.File("HELD.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  const short ex = OpenTable(path, XB_OPEN_EXCLUSIVE, "EX");
  ASSERT_GT(ex, 0);
  AppendNumbered(2);
  EXPECT_EQ(OpenTable(path, XB_OPEN_READONLY, "RO"), 0);
  EXPECT_EQ(OpenTable(path, XB_OPEN_SHARED, "SH"), 0);
  xb_Select(ex);
  xb_Close();
  const short sh = OpenTable(path, XB_OPEN_READONLY, "SH");
  ASSERT_GT(sh, 0);
  EXPECT_EQ(OpenTable(path, XB_OPEN_EXCLUSIVE, "EX"), 0);  // someone holds it
  // Creating over a held table fails and leaves it whole.
  EXPECT_FALSE(MakeTable(path, XB_TYPE_NTX, false));
  xb_Select(sh);
  EXPECT_EQ(xb_RecCount(), 2);
  xb_Close();
  ASSERT_GT(OpenTable(path, XB_OPEN_SHARED, "AGAIN"), 0);
  EXPECT_EQ(xb_RecCount(), 2);
}

TEST_F(XbeTables, LocksConflictBetweenWorkAreasAndUnlockKeepsFileLock) {
  const std::string path = dir.File("LCK.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  const short a = OpenTable(path, XB_OPEN_SHARED, "A");
  AppendNumbered(3);
  const short b = OpenTable(path, XB_OPEN_SHARED, "B");
  ASSERT_GT(b, 0);
  xb_Select(a);
  EXPECT_TRUE(xb_Rlock(2));
  EXPECT_TRUE(xb_Locked(2));
  xb_Select(b);
  EXPECT_FALSE(xb_Rlock(2));
  EXPECT_TRUE(xb_Rlock(3));
  EXPECT_FALSE(xb_Flock());  // records held elsewhere
  xb_Unlock(0);
  xb_Select(a);
  xb_Unlock(0);
  EXPECT_EQ(xb_LockCount(), 0);
  ASSERT_TRUE(xb_Flock());
  EXPECT_TRUE(xb_Rlock(1));
  xb_Unlock(1);  // must not open a hole in the file lock
  xb_Select(b);
  EXPECT_FALSE(xb_Rlock(1));
  xb_AppendBlank();  // the file lock elsewhere forbids appending
  EXPECT_EQ(xb_RecCount(), 3);
  xb_Select(a);
  xb_Unlock(0);
  xb_Select(b);
  EXPECT_TRUE(xb_Rlock(1));
  int list[4] = {0};
  EXPECT_EQ(xb_DBRlockList(list, 4), 1);
  EXPECT_EQ(list[0], 1);
}

TEST_F(XbeTables, SharedAreasSeeEachOthersAppendsWithoutTurboRead) {
  const std::string path = dir.File("SEE.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  const short a = OpenTable(path, XB_OPEN_SHARED, "A");
  const short b = OpenTable(path, XB_OPEN_SHARED, "B");
  xb_Select(b);
  xb_GoTop();
  EXPECT_TRUE(xb_Eof());
  xb_Select(a);
  AppendNumbered(2);
  xb_Select(b);
  xb_GoTop();
  EXPECT_EQ(xb_RecCount(), 2);
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R2");
  xb_Select(a);
  AppendNumbered(1000);  // enough to grow past what b mapped
  xb_Select(b);
  xb_Skip(1000);
  EXPECT_FALSE(xb_Eof());
  EXPECT_EQ(xb_GetInteger("QTY"), 1000);
}

TEST_F(XbeTables, CommitLevelNoneBatchesAppendsUntilCommit) {
  const std::string path = dir.File("BATCH.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_EXCLUSIVE, 1, XB_COMMIT_NONE), 0);
  AppendNumbered(30000);
  EXPECT_EQ(xb_RecCount(), 30000);
  xb_Go(29999);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R29999");
  xb_Close();
  const auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 161u + 30000u * 25u + 1u);
  EXPECT_EQ(bytes.back(), 0x1A);
  EXPECT_EQ(bytes[4] | bytes[5] << 8 | bytes[6] << 16, 30000);
}

TEST_F(XbeTables, PackAndZapNeedExclusiveUse) {
  const std::string path = dir.File("PACK.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  ASSERT_GT(OpenTable(path), 0);
  AppendNumbered(4);
  xb_Go(2);
  xb_Delete();
  EXPECT_FALSE(xb_Pack());
  EXPECT_FALSE(xb_Zap());
  xb_Close();
  ASSERT_GT(OpenTable(path, XB_OPEN_EXCLUSIVE), 0);
  EXPECT_TRUE(xb_Pack());
  EXPECT_EQ(xb_RecCount(), 3);
  xb_Go(2);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "R3");
  xb_Go(1);
  xb_PutMemo("NOTES", std::string(3000, 'm').c_str());
  xb_Commit();
  const std::string memoPath = dir.File("PACK.DBT");
  ASSERT_GT(ReadAll(memoPath).size(), 3000u);
  EXPECT_TRUE(xb_Zap());
  EXPECT_EQ(xb_RecCount(), 0);
  xb_Close();
  EXPECT_EQ(ReadAll(path).size(), 32u + 5 * 32u + 1u + 1u);
  // The memo file is cut back to its header, whose next free block is the first.
  const auto memo = ReadAll(memoPath);
  ASSERT_EQ(memo.size(), 512u);
  EXPECT_EQ(memo[0] | memo[1] << 8 | memo[2] << 16 | memo[3] << 24, 1);
}

namespace {
int HeaderDate(const std::string& path) {
  const auto b = ReadAll(path);
  return b.size() < 4 ? 0 : (1900 + b[1]) * 10000 + b[2] * 100 + b[3];
}
void SetHeaderDate(const std::string& path, int yy, int mm, int dd) {
  auto b = ReadAll(path);
  b[1] = static_cast<unsigned char>(yy);
  b[2] = static_cast<unsigned char>(mm);
  b[3] = static_cast<unsigned char>(dd);
  WriteAll(path, b);
}
int Today() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return (1900 + tm.tm_year) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
}
}  // namespace

TEST_F(XbeTables, HeaderDateFollowsAppendsAndEditsButNotReads) {
  const std::string path = dir.File("DATED.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  for (short mode : {XB_OPEN_SHARED, XB_OPEN_EXCLUSIVE}) {
    SCOPED_TRACE(mode);
    SetHeaderDate(path, 99, 1, 2);
    ASSERT_GT(OpenTable(path, mode), 0);
    AppendNumbered(1);
    xb_Close();
    EXPECT_EQ(HeaderDate(path), Today());

    SetHeaderDate(path, 99, 1, 2);
    ASSERT_GT(OpenTable(path, mode), 0);
    xb_GoBottom();
    EXPECT_STREQ(xb_GetTrimString("NAME"), "R1");
    xb_Close();
    EXPECT_EQ(HeaderDate(path), 19990102);  // reading leaves the date alone

    ASSERT_GT(OpenTable(path, mode), 0);
    xb_GoTop();
    xb_PutString("NAME", "edited");
    xb_Commit();
    EXPECT_EQ(HeaderDate(path), Today());  // written by the commit already
    xb_Close();

    SetHeaderDate(path, 99, 1, 2);
    ASSERT_GT(OpenTable(path, mode), 0);
    xb_GoTop();
    xb_Delete();
    xb_Close();
    EXPECT_EQ(HeaderDate(path), Today());  // and by the close
  }
}

TEST_F(XbeTables, SharedAppendsFromTwoAreasKeepCountAndEndMarker) {
  const std::string path = dir.File("MARK.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  const short a = OpenTable(path, XB_OPEN_SHARED, "A");
  const short b = OpenTable(path, XB_OPEN_SHARED, "B");
  for (int i = 0; i < 5; ++i) {
    xb_Select(i % 2 ? b : a);
    AppendNumbered(1);
  }
  xb_Select(a);
  xb_Go(5);  // an edit in the middle must not disturb the end
  xb_PutString("NAME", "last");
  xb_CloseAll();
  const auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 161u + 5u * 25u + 1u);
  EXPECT_EQ(bytes.back(), 0x1A);
  EXPECT_EQ(bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24, 5);
}

TEST_F(XbeTables, CreationResolvesNameCaseAndRefusesATableHeldUnderAnotherCase) {
  const std::string lower = dir.File("held.dbf");
  ASSERT_TRUE(MakeTable(lower, XB_TYPE_NTX, true));
  const short held = OpenTable(lower, XB_OPEN_SHARED, "LOW");
  ASSERT_GT(held, 0);
  AppendNumbered(2);
  xb_PutMemo("NOTES", "kept");
  xb_Commit();
  const auto tableBefore = ReadAll(lower);
  const auto memoBefore = ReadAll(dir.File("held.dbt"));

  EXPECT_FALSE(MakeTable(dir.File("HELD"), XB_TYPE_NTX, true));
  EXPECT_FALSE(std::filesystem::exists(dir.File("HELD.DBF")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("HELD.DBT")));
  EXPECT_EQ(ReadAll(lower), tableBefore);
  EXPECT_EQ(ReadAll(dir.File("held.dbt")), memoBefore);
  xb_Select(held);
  EXPECT_EQ(xb_RecCount(), 2);
  xb_Close();

  // Once free, the new table replaces the existing files under their own names.
  ASSERT_TRUE(MakeTable(dir.File("HELD"), XB_TYPE_NTX, true));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "held.dbf" || name == "held.dbt") << name;
  }
  EXPECT_EQ(entries, 2);
  ASSERT_GT(OpenTable(dir.File("HELD")), 0);
  EXPECT_EQ(xb_RecCount(), 0);
  EXPECT_EQ(ReadAll(dir.File("held.dbt")).size(), 512u);
}

TEST_F(XbeTables, FptMemoBlockSizeSettingWritesHeaderAndPlacesBlocks) {
  for (int size : {32, 512}) {
    SCOPED_TRACE(size);
    xb_SetMemoBlockSize(size);
    const std::string path = dir.File("BS" + std::to_string(size) + ".DBF");
    ASSERT_TRUE(MakeTable(path, XB_TYPE_FOX, true));
    const std::string fpt = dir.File("BS" + std::to_string(size) + ".FPT");
    auto h = ReadAll(fpt);
    ASSERT_EQ(h.size(), 512u);
    const unsigned first = 512u / unsigned(size);
    EXPECT_EQ(unsigned(h[0] << 24 | h[1] << 16 | h[2] << 8 | h[3]), first);  // next free block
    EXPECT_EQ(h[6] << 8 | h[7], size);

    ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_SHARED, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
    const std::string text(100, 't');
    xb_AppendBlank();
    xb_PutMemo("NOTES", text.c_str());
    xb_AppendBlank();
    xb_PutMemo("NOTES", "second");
    xb_Close();
    h = ReadAll(fpt);
    const size_t at = size_t(first) * size_t(size);  // the first memo's block
    ASSERT_GT(h.size(), at + 8 + 100);
    EXPECT_EQ(h[at + 3], 1);  // text
    EXPECT_EQ(h[at + 7], 100);
    const unsigned blocks = (8 + 100 + unsigned(size) - 1) / unsigned(size);
    const size_t second = size_t(first + blocks) * size_t(size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&h[second + 8]), 6), "second");
    EXPECT_EQ(unsigned(h[0] << 24 | h[1] << 16 | h[2] << 8 | h[3]), first + blocks + 1);

    ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
    xb_GoTop();
    char* m = xb_GetMemo("NOTES", 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(std::string(m), text);
    xb_MemDealloc(m);
    xb_Close();
  }
}
