// Tables exchanged with independent DBF implementations that Debian packages:
// python3-dbf, python3-dbfread and GDAL's ogr2ogr/ogrinfo. Skipped when they are
// not installed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/system/tests/CommandOutput.h"
#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

bool HaveGdal() { return system("ogrinfo --version >/dev/null 2>&1 && ogr2ogr --version >/dev/null 2>&1") == 0; }

class XbeInterop : public EngineTest {
 protected:
  // Writes PEOPLE.DBF: NAME C(10), QTY N(5), DAY D, OK L, NOTES M (optional).
  void WriteOurs(const std::string& path, short type, bool memo) {
    ASSERT_TRUE(MakeTable(path, type, memo));
    ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_SHARED, type, XB_COMMIT_NORMAL), 0);
    const char* names[] = {"Anna", "Bert", "Cleo"};
    for (int i = 0; i < 3; ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", names[i]);
      xb_PutInteger("QTY", (i + 1) * 10);
      xb_PutString("DAY", "20091224");
      xb_PutLogical("OK", i != 1);
      if (memo) xb_PutMemo("NOTES", (std::string("note of ") + names[i]).c_str());
    }
    xb_Close();
  }
};

}  // namespace

TEST_F(XbeInterop, PythonDbfReadsOurTables) {
  if (!HavePythonModule("dbf")) GTEST_SKIP() << "python3-dbf not installed (/usr/bin/python3 -c 'import dbf')";
  for (short type : {XB_TYPE_NTX, XB_TYPE_FOX}) {
    const std::string path = dir.File("PEOPLE" + std::to_string(type) + ".DBF");
    WriteOurs(path, type, true);
    const std::string script =
        "import dbf\n"
        "t = dbf.Table('" + path + "')\n"
        "t.open()\n"
        "for r in t:\n"
        "    print('%s|%d|%s|%s|%s' % (r.name.strip(), r.qty, r.day.strftime('%Y%m%d'), r.ok, r.notes.strip()))\n";
    std::ofstream(dir.File("read.py")) << script;
    const std::string out = CommandOutput("/usr/bin/python3 " + dir.File("read.py"));
    EXPECT_EQ(out,
              "Anna|10|20091224|True|note of Anna\n"
              "Bert|20|20091224|False|note of Bert\n"
              "Cleo|30|20091224|True|note of Cleo\n")
        << "table type " << type;
  }
}

TEST_F(XbeInterop, WeReadPythonDbfTables) {
  if (!HavePythonModule("dbf")) GTEST_SKIP() << "python3-dbf not installed (/usr/bin/python3 -c 'import dbf')";
  for (const char* kind : {"db3", "fp"}) {
    SCOPED_TRACE(kind);
    const std::string path = dir.File(std::string("THEIRS_") + kind + ".dbf");
    const std::string script =
        "import dbf, datetime\n"
        "t = dbf.Table('" + path + "', 'name C(12); qty N(6,2); day D; ok L; notes M', dbf_type='" + kind + "')\n"
        "t.open(dbf.READ_WRITE)\n"
        "t.append(('first', 1.25, datetime.date(2009, 12, 24), True, 'a memo'))\n"
        "t.append(('second', -7.5, None, False, ''))\n"
        "t.close()\n";
    std::ofstream(dir.File("write.py")) << script;
    ASSERT_EQ(CommandOutput("/usr/bin/python3 " + dir.File("write.py")), "");
    ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_NTX, XB_COMMIT_NORMAL), 0);
    EXPECT_EQ(xb_RecCount(), 2);
    xb_GoTop();
    EXPECT_STREQ(xb_GetTrimString("NAME"), "first");
    EXPECT_DOUBLE_EQ(xb_GetDouble("QTY"), 1.25);
    EXPECT_STREQ(xb_GetString("DAY"), "20091224");
    EXPECT_TRUE(xb_GetLogical("OK"));
    char* memo = xb_GetMemo("NOTES", 0);
    ASSERT_NE(memo, nullptr);
    EXPECT_STREQ(memo, "a memo");
    xb_MemDealloc(memo);
    xb_Skip(1);
    EXPECT_DOUBLE_EQ(xb_GetDouble("QTY"), -7.5);
    EXPECT_EQ(xb_GetDateJulian("DAY"), 0);
    EXPECT_FALSE(xb_GetLogical("OK"));
    xb_Skip(1);
    EXPECT_TRUE(xb_Eof());
    xb_Close();
  }
}

TEST_F(XbeInterop, GdalReadsOurTablesAndWeReadGdalTables) {
  if (!HaveGdal()) GTEST_SKIP() << "gdal-bin (ogrinfo, ogr2ogr) not installed";
  const std::string ours = dir.File("OURS.DBF");
  WriteOurs(ours, XB_TYPE_NTX, false);
  const std::string info = CommandOutput("ogrinfo -ro -al -q " + ours);
  EXPECT_NE(info.find("NAME (String) = Anna"), std::string::npos) << info;
  EXPECT_NE(info.find("QTY (Integer) = 30"), std::string::npos) << info;
  EXPECT_NE(info.find("DAY (Date) = 2009/12/24"), std::string::npos) << info;

  std::ofstream(dir.File("in.csv")) << "CITY,POP,RATE\r\nOslo,700000,1.5\r\nBergen,285000,-2.25\r\n";
  const std::string out = dir.File("gdal");
  CommandOutput("ogr2ogr -f 'ESRI Shapefile' -oo AUTODETECT_TYPE=YES " + out + " " + dir.File("in.csv"));
  const std::string theirs = out + "/in.dbf";
  ASSERT_GT(xb_UseEx(theirs.c_str(), "", XB_OPEN_READONLY, XB_TYPE_NTX, XB_COMMIT_NORMAL), 0)
      << CommandOutput("ls -la " + out);
  EXPECT_EQ(xb_RecCount(), 2);
  xb_GoTop();
  EXPECT_STREQ(xb_GetTrimString("CITY"), "Oslo");
  EXPECT_EQ(xb_GetLong("POP"), 700000);
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("CITY"), "Bergen");
  EXPECT_DOUBLE_EQ(xb_GetDouble("RATE"), -2.25);
}

// A FOX-style table holding types only the 0x30 format has (I, an 8-byte B)
// besides a memo is written in that format, which outside readers know: an
// 0xF5 table would be taken for the older format without those types.
TEST_F(XbeInterop, FoxTablesWithLaterTypesAndAMemoReadElsewhere) {
  if (!HavePythonModule("dbf") || !HavePythonModule("dbfread"))
    GTEST_SKIP() << "python3-dbf and python3-dbfread are needed (scripts/packages-test.txt)";
  const std::string path = dir.File("LATER.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "LATER", XB_TYPE_FOX, 4), 0);
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("COUNT", "I", 4, 0);
  xb_CreateField("RATE", "B", 8, 0);
  xb_CreateField("NOTES", "M", 10, 0);
  ASSERT_GT(xb_CreateExec(), 0);
  const char* names[] = {"Anna", "Bert"};
  for (int i = 0; i < 2; ++i) {
    xb_AppendBlank();
    xb_PutString("NAME", names[i]);
    xb_PutInteger("COUNT", (i + 1) * -7);
    xb_PutDouble("RATE", 1.25 + i);
    if (i == 0) xb_PutMemo("NOTES", "note of Anna");
  }
  xb_Close();
  EXPECT_EQ(ReadAll(path).at(0), 0x30);

  // The engine reads it back, memo included.
  ASSERT_GT(xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  xb_GoTop();
  EXPECT_EQ(xb_GetInteger("COUNT"), -7);
  EXPECT_DOUBLE_EQ(xb_GetDouble("RATE"), 1.25);
  char* memo = xb_GetMemo("NOTES", 0);
  ASSERT_NE(memo, nullptr);
  EXPECT_STREQ(memo, "note of Anna");
  xb_MemDealloc(memo);
  xb_Close();

  const std::string script =
      "import dbf\n"
      "from dbfread import DBF\n"
      "t = dbf.Table('" + path + "')\n"
      "t.open()\n"
      "for r in t:\n"
      "    print('dbf|%s|%d|%s|%s' % (r.name.strip(), r.count, r.rate, (r.notes or '').strip()))\n"
      "t.close()\n"
      "for r in DBF('" + path + "'):\n"
      "    print('dbfread|%s|%d|%s|%s' % (r['NAME'], r['COUNT'], r['RATE'], r['NOTES'] or ''))\n";
  std::ofstream(dir.File("read.py")) << script;
  EXPECT_EQ(CommandOutput("/usr/bin/python3 " + dir.File("read.py") + " 2>&1"),
            "dbf|Anna|-7|1.25|note of Anna\n"
            "dbf|Bert|-14|2.25|\n"
            "dbfread|Anna|-7|1.25|note of Anna\n"
            "dbfread|Bert|-14|2.25|\n");
}

// Tables written before in the 0xF5 format with I and B fields (text memo
// references of 10 bytes) keep reading.
TEST_F(XbeInterop, EarlierFoxTablesWithLaterTypesKeepReading) {
  // A memo file with one memo, from an 0xF5 table the engine makes.
  const std::string donor = dir.File("DONOR.DBF");
  ASSERT_GT(xb_CreateNew(donor.c_str(), "DONOR", XB_TYPE_FOX, 2), 0);
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("NOTES", "M", 10, 0);
  ASSERT_GT(xb_CreateExec(), 0);
  xb_AppendBlank();
  xb_PutMemo("NOTES", "kept memo");
  std::vector<char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  xb_Close();
  ASSERT_EQ(ReadAll(donor).at(0), 0xF5);
  const std::string reference(&image[11], 10);

  // NAME C(10), COUNT I, RATE B(8), NOTES M(10); one record.
  std::vector<unsigned char> file(32, 0);
  file[0] = 0xF5;
  file[4] = 1;
  const int headerLen = 32 + 4 * 32 + 1, recLen = 1 + 10 + 4 + 8 + 10;
  file[8] = headerLen & 0xFF;
  file[9] = headerLen >> 8;
  file[10] = recLen;
  auto field = [&](const char* name, char type, int width) {
    std::vector<unsigned char> d(32, 0);
    std::memcpy(d.data(), name, std::strlen(name));
    d[11] = static_cast<unsigned char>(type);
    d[16] = static_cast<unsigned char>(width);
    file.insert(file.end(), d.begin(), d.end());
  };
  field("NAME", 'C', 10);
  field("COUNT", 'I', 4);
  field("RATE", 'B', 8);
  field("NOTES", 'M', 10);
  file.push_back(0x0D);
  const std::string name = "Cleo      ";
  file.push_back(' ');
  file.insert(file.end(), name.begin(), name.end());
  const int32_t count = -42;
  const double rate = 0.5;
  const auto* c = reinterpret_cast<const unsigned char*>(&count);
  file.insert(file.end(), c, c + 4);
  const auto* r = reinterpret_cast<const unsigned char*>(&rate);
  file.insert(file.end(), r, r + 8);
  file.insert(file.end(), reference.begin(), reference.end());
  file.push_back(0x1A);
  const std::string old = dir.File("OLD.DBF");
  WriteAll(old, file);
  WriteAll(dir.File("OLD.FPT"), ReadAll(dir.File("DONOR.FPT")));

  ASSERT_GT(xb_UseEx(old.c_str(), "", XB_OPEN_SHARED, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  xb_GoTop();
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Cleo");
  EXPECT_EQ(xb_GetInteger("COUNT"), -42);
  EXPECT_DOUBLE_EQ(xb_GetDouble("RATE"), 0.5);
  char* memo = xb_GetMemo("NOTES", 0);
  ASSERT_NE(memo, nullptr);
  EXPECT_STREQ(memo, "kept memo");
  xb_MemDealloc(memo);
  // A new memo goes in as text, as the table holds its references.
  xb_PutMemo("NOTES", "a new one");
  xb_Close();
  ASSERT_GT(xb_UseEx(old.c_str(), "", XB_OPEN_READONLY, XB_TYPE_FOX, XB_COMMIT_NORMAL), 0);
  xb_GoTop();
  memo = xb_GetMemo("NOTES", 0);
  ASSERT_NE(memo, nullptr);
  EXPECT_STREQ(memo, "a new one");
  xb_MemDealloc(memo);
  EXPECT_EQ(ReadAll(old).at(0), 0xF5);
  xb_Close();
}
