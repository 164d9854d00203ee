// Code page translation, the record as XML, copies with conditions, the
// collation entry points and the progress gauge, through the entry points.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeText : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path = dir.File("PEOPLE.DBF");
  }

  short Open(const std::string& p, int mode = XB_OPEN_SHARED) {
    return xb_UseEx(p.c_str(), "", short(mode), XB_TYPE_NTX, XB_COMMIT_NORMAL);
  }
  // Sets the code page mark (header byte 29) of a closed table.
  void Mark(const std::string& p, unsigned char mark) {
    auto bytes = ReadAll(p);
    bytes[29] = mark;
    WriteAll(p, bytes);
  }
  std::vector<std::string> Names(const std::string& p) {
    std::vector<std::string> out;
    if (Open(p) <= 0) return out;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) out.emplace_back(xb_GetTrimString("NAME"));
    xb_Close();
    return out;
  }

  std::string path;
};

std::string Stored(const char* field) {
  xb_SetTranslate(0);
  std::string s = xb_GetTrimString(field);
  xb_SetTranslate(1);
  return s;
}

}  // namespace

TEST_F(XbeText, TranslationReadsAndWritesTheDosPage) {
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  Mark(path, 0x01);  // code page 437
  ASSERT_GT(Open(path), 0);
  xb_AppendBlank();
  xb_PutString("NAME", "\x84\x81\xE1");  // DOS a-, u-diaeresis, sharp s
  xb_SetTranslate(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "\xE4\xFC\xDF");
  std::vector<unsigned char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  EXPECT_EQ(image[1], 0xE4);
  xb_PutString("NAME", "Gr\xFC\xDF" "e");
  EXPECT_EQ(Stored("NAME"), "Gr\x81\xE1" "e");
  char text[] = "Gr\xFC\xDF" "e";
  xb_Replace("NAME", XB_R_CHAR, text);
  EXPECT_EQ(Stored("NAME"), "Gr\x81\xE1" "e");
  xb_PutMemo("NOTES", "\xC4rger");
  xb_SetTranslate(0);
  char* memo = xb_GetMemo("NOTES", 0);
  ASSERT_NE(memo, nullptr);
  EXPECT_STREQ(memo, "\x8Erger");
  xb_MemDealloc(memo);
  xb_SetTranslate(1);
  memo = xb_GetMemo("NOTES", 0);
  EXPECT_STREQ(memo, "\xC4rger");
  xb_MemDealloc(memo);
  // Numbers and dates are not text: they pass unchanged.
  xb_PutString("QTY", "12");
  EXPECT_EQ(xb_GetInteger("QTY"), 12);
}

TEST_F(XbeText, WritingBackWhatWasReadChangesNoByte) {
  for (unsigned char mark : {0x01, 0x02}) {
    const std::string p = dir.File("RAW" + std::to_string(mark) + ".DBF");
    ASSERT_GT(xb_CreateNew(p.c_str(), "RAW", XB_TYPE_NTX, 1), 0);
    xb_CreateField("RAW", "C", 128, 0);
    const short area = xb_CreateExec();
    ASSERT_GT(area, 0);
    xb_Close();
    Mark(p, mark);
    ASSERT_GT(Open(p), 0);
    std::string all;
    for (int b = 0x80; b <= 0xFF; ++b) all.push_back(char(b));
    xb_AppendBlank();
    xb_PutString("RAW", all.c_str());
    xb_SetTranslate(1);
    std::vector<unsigned char> image(static_cast<size_t>(xb_RecSize()));
    xb_GetRecord(image.data());
    EXPECT_NE(std::string(image.begin() + 1, image.end()), all) << "high bytes are translated";
    xb_PutRecord(image.data());
    xb_Commit();
    EXPECT_EQ(Stored("RAW"), all) << "mark " << int(mark);
    xb_Close();
  }
}

TEST_F(XbeText, WindowsTablesAreNotTranslated) {
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  Mark(path, 0x03);  // Windows ANSI
  ASSERT_GT(Open(path), 0);
  xb_SetTranslate(1);
  xb_AppendBlank();
  xb_PutString("NAME", "\xE4");
  EXPECT_EQ(Stored("NAME"), "\xE4");
  EXPECT_STREQ(xb_GetTrimString("NAME"), "\xE4");
}

TEST_F(XbeText, RecordAsXml) {
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  ASSERT_GT(Open(path), 0);
  xb_AppendBlank();
  xb_PutString("NAME", "A&B <x>");
  xb_PutInteger("QTY", 10);
  xb_PutString("DAY", "20091224");
  xb_PutLogical("OK", 1);
  xb_PutMemo("NOTES", "l1\r\nl2 \"q\"");
  char* xml = xb_GetXML(nullptr);
  ASSERT_NE(xml, nullptr);
  EXPECT_STREQ(xml,
               "<record alias=\"PEOPLE\" recno=\"1\" deleted=\"false\"><NAME>A&amp;B &lt;x&gt;</NAME>"
               "<QTY>10</QTY><DAY>2009-12-24</DAY><OK>true</OK><NOTES>l1&#13;\nl2 &quot;q&quot;</NOTES></record>");
  xb_MemDealloc(xml);
  xb_AppendBlank();
  xb_Delete();
  xml = xb_GetXML("item");
  ASSERT_NE(xml, nullptr);
  EXPECT_STREQ(xml,
               "<item alias=\"PEOPLE\" recno=\"2\" deleted=\"true\"><NAME></NAME><QTY></QTY><DAY></DAY>"
               "<OK></OK><NOTES></NOTES></item>");
  xb_MemDealloc(xml);
  EXPECT_EQ(xb_GetXML("1st"), nullptr);
}

TEST_F(XbeText, CopiesFollowHiddenRecordsAndConditions) {
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
  ASSERT_GT(Open(path), 0);
  AppendNumbered(4);
  xb_Go(1);
  xb_PutMemo("NOTES", "first");
  xb_Go(2);
  xb_Delete();
  xb_Commit();

  xb_SetDeleted(1);
  ASSERT_EQ(xb_CopyFile(dir.File("COPY1").c_str()), 1);
  ASSERT_EQ(xb_CopyFileText(dir.File("COPY1.TXT").c_str()), 1);
  xb_SetDeleted(0);
  ASSERT_EQ(xb_CopyFile(dir.File("COPY2").c_str()), 1);
  xb_Close();
  EXPECT_EQ(Names(dir.File("COPY1.DBF")), (std::vector<std::string>{"R1", "R3", "R4"}));
  EXPECT_EQ(Names(dir.File("COPY2.DBF")), (std::vector<std::string>{"R1", "R2", "R3", "R4"}));
  const auto text = ReadAll(dir.File("COPY1.TXT"));
  EXPECT_EQ(std::string(text.begin(), text.end()), "\"R1\",1,,,\r\n\"R3\",3,,,\r\n\"R4\",4,,,\r\n");
  ASSERT_GT(Open(dir.File("COPY1.DBF")), 0);
  char* memo = xb_GetMemo("NOTES", 0);
  ASSERT_NE(memo, nullptr);
  EXPECT_STREQ(memo, "first");
  xb_MemDealloc(memo);
  xb_Close();
  ASSERT_GT(Open(dir.File("COPY2.DBF")), 0);
  xb_Go(2);
  EXPECT_NE(xb_Deleted(), 0) << "a deleted record is copied with its mark";
  xb_Close();

  // A structure table, a table made from it, and appends under a condition.
  ASSERT_GT(Open(path), 0);
  ASSERT_EQ(xb_CopyStructureExtended(dir.File("STRUCT").c_str()), 1);
  xb_Close();
  const short made = xb_CreateFrom(dir.File("TARGET").c_str(), "TARGET", dir.File("STRUCT.DBF").c_str(), XB_TYPE_NTX);
  ASSERT_GT(made, 0);
  EXPECT_EQ(xb_FieldCount(), 5);
  EXPECT_STREQ(xb_FieldType("NOTES"), "M");
  EXPECT_EQ(xb_AppendFrom(dir.File("COPY2.DBF").c_str(), XB_TYPE_NTX, "QTY >= 2 .AND. NAME <> \"R4\""), 2);
  EXPECT_EQ(xb_AppendFrom(dir.File("COPY2.DBF").c_str(), XB_TYPE_NTX, "QTY"), -1) << "not a logical condition";
  EXPECT_EQ(xb_AppendFrom(dir.File("COPY2.DBF").c_str(), XB_TYPE_NTX, "NOSUCH = 1"), -1);
  EXPECT_EQ(xb_RecCount(), 2);
  xb_Close();
  EXPECT_EQ(Names(dir.File("TARGET.DBF")), (std::vector<std::string>{"R2", "R3"}));
}

TEST_F(XbeText, CollationEntryPoints) {
  ::setenv("LC_ALL", "sv_SE.UTF-8", 1);
  xb_FinalizeSession();  // forgets the system order built before
  EXPECT_STREQ(xb_GetSystemLocale(), "sv_SE.UTF-8");
  unsigned char order[256];
  EXPECT_EQ(xb_GetSystemCharOrder(nullptr), 0);
  EXPECT_EQ(xb_GetSystemCharOrder(order), 256);
  EXPECT_GT(order[0xE5], order[uint8_t('z')]) << "a-ring after z in Swedish";
  EXPECT_LT(order[uint8_t('a')], order[uint8_t('B')]);
  EXPECT_EQ(xb_SetCollationRule(99, "ab"), 0);
  EXPECT_EQ(xb_SetCollationRule(1, "b\xE5"), 1);
  EXPECT_EQ(xb_GetSystemCharOrder(order), 256);
  EXPECT_LT(order[0xE5], order[uint8_t('c')]);
  EXPECT_EQ(xb_SetSystemCollation(), 1);
  EXPECT_EQ(xb_SetMachineCollation(), 1);
  EXPECT_EQ(xb_AddDudenCollation(), 1);
  EXPECT_EQ(xb_AddEtecCollation(), 1);
  ::unsetenv("LC_ALL");
  xb_FinalizeSession();
  EXPECT_STREQ(xb_GetSystemLocale(), std::getenv("LC_COLLATE") ? std::getenv("LC_COLLATE")
                                     : std::getenv("LANG") ? std::getenv("LANG") : "C");
}

namespace {
std::vector<int> g_gauge;
void Gauge(int percent) { g_gauge.push_back(percent); }
}  // namespace

TEST_F(XbeText, PackReportsProgress) {
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(Open(path, XB_OPEN_EXCLUSIVE), 0);
  AppendNumbered(300);
  for (int r = 1; r <= 300; r += 3) {
    xb_Go(r);
    xb_Delete();
  }
  g_gauge.clear();
  xb_SetGaugeFunc(Gauge);
  ASSERT_EQ(xb_Pack(), 1);
  xb_SetGaugeFunc(nullptr);
  EXPECT_EQ(xb_RecCount(), 200);
  ASSERT_GE(g_gauge.size(), 2u);
  EXPECT_EQ(g_gauge.front(), 0);
  EXPECT_EQ(g_gauge.back(), 100);
  EXPECT_TRUE(std::is_sorted(g_gauge.begin(), g_gauge.end()));
  EXPECT_STREQ(xb_FilterDlg(nullptr, "QTY > 1", "Filter"), "") << "no screen: cancelled";
}

TEST_F(XbeText, IndexBuildsReportProgressFromZeroToHundred) {
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(Open(path, XB_OPEN_EXCLUSIVE), 0);
  AppendNumbered(300);
  std::vector<int> every(101);
  for (int i = 0; i <= 100; ++i) every[size_t(i)] = i;
  const std::string ntx = dir.File("QTY.NTX");
  g_gauge.clear();
  xb_SetGaugeFunc(Gauge);
  ASSERT_GT(xb_Index(ntx.c_str(), "QTY", nullptr, 0, 0), 0);
  EXPECT_EQ(g_gauge, every) << "0 first, each whole percent once, 100 last";
  g_gauge.clear();
  xb_Reindex();
  EXPECT_EQ(g_gauge, every);

  // A build that fails once started (another holds the index lock) still
  // ends the gauge at 100.
  const int fd = ::open(ntx.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t((uint64_t(1) << 32) + 8);  // the index lock byte
  fl.l_len = 1;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);
  g_gauge.clear();
  xb_Reindex();
  ::close(fd);
  ASSERT_FALSE(g_gauge.empty());
  EXPECT_EQ(g_gauge.front(), 0);
  EXPECT_EQ(g_gauge.back(), 100);
  EXPECT_EQ(std::count(g_gauge.begin(), g_gauge.end(), 100), 1);
  EXPECT_TRUE(std::is_sorted(g_gauge.begin(), g_gauge.end()));

  // An empty table: the start and the end.
  xb_Close();
  const std::string empty = dir.File("EMPTY.DBF");
  ASSERT_TRUE(MakeTable(empty, XB_TYPE_NTX, false));
  ASSERT_GT(Open(empty, XB_OPEN_EXCLUSIVE), 0);
  g_gauge.clear();
  ASSERT_GT(xb_Index(dir.File("E.NTX").c_str(), "NAME", nullptr, 0, 0), 0);
  xb_SetGaugeFunc(nullptr);
  EXPECT_EQ(g_gauge, (std::vector<int>{0, 100}));
}
