// Tables exchanged with independent DBF implementations that Debian packages:
// python3-dbf and GDAL's ogr2ogr/ogrinfo. Skipped when they are not installed.
#include <cstdio>
#include <fstream>
#include <string>

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
