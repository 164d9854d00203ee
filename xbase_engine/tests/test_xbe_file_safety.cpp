// Calls that must not reach the wrong file: a work-area number that names no
// area, a table appended to itself, writes aimed at a file an open table
// uses (under any name), and named pipes where a table, memo or index file
// should be. Calls that used to hang run in a child with a deadline.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

std::string g_lastError;
void OnError(int, const char* message) { g_lastError = message ? message : ""; }
void ReportErrors() {
  xb_ErrorLevel(1);
  xb_SetErrorFunc(OnError);
}

class XbeFileSafety : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ReportErrors();
    g_lastError.clear();
  }

  // A table with a memo field and n numbered records, each with a memo;
  // left open (shared) and current. Answers its work area.
  short MemoTable(const std::string& path, int n) {
    if (!MakeTable(path, XB_TYPE_NTX, true)) return 0;
    const short area = OpenTable(path);
    if (area <= 0) return 0;
    AppendNumbered(n);
    for (int i = 1; i <= n; ++i) {
      xb_Go(i);
      xb_PutMemo("NOTES", ("memo of record " + std::to_string(i)).c_str());
    }
    xb_Commit();
    return area;
  }
};

std::string Name() { return xb_GetTrimString("NAME"); }

TEST_F(XbeFileSafety, ANumberThatNamesNoWorkAreaSelectsNone) {
  const std::string path = dir.File("KEEP.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  const short area = OpenTable(path);
  ASSERT_GT(area, 0);
  AppendNumbered(1);
  for (const short bad : {short(-1), short(1024), short(32767)}) {
    xb_Select(area);
    EXPECT_EQ(xb_Select(bad), area) << bad;
    xb_Delete();
    xb_Replace("NAME", XB_R_CHAR, "changed");
    xb_AppendBlank();
    EXPECT_EQ(xb_RecCount(), 0) << "no table is current after selecting " << bad;
    EXPECT_EQ(xb_Select(area), 0) << bad;
    EXPECT_EQ(xb_RecCount(), 1) << bad;
    xb_Go(1);
    EXPECT_FALSE(xb_Deleted()) << bad;
    EXPECT_EQ(Name(), "R1") << bad;
  }
}

TEST_F(XbeFileSafety, ATableAppendedToItselfGetsEachOfItsRecordsOnceMore) {
  const std::string path = dir.File("SELF.DBF");
  // Bounded: a walk into the records being appended never ends.
  const auto appendToItself = [&] {
    ReportErrors();
    ASSERT_GT(MemoTable(path, 3), 0);
    EXPECT_EQ(xb_AppendFrom(path.c_str(), XB_TYPE_NTX, nullptr), 3) << g_lastError;
    ASSERT_EQ(xb_RecCount(), 6);
    for (int i = 1; i <= 6; ++i) {
      xb_Go(i);
      const int from = (i - 1) % 3 + 1;
      EXPECT_EQ(Name(), "R" + std::to_string(from));
      char* memo = xb_GetMemo("NOTES", 0);
      EXPECT_EQ(std::string(memo ? memo : ""), "memo of record " + std::to_string(from));
      xb_MemDealloc(memo);
    }
    // The condition chooses among the records present at the start.
    EXPECT_EQ(xb_AppendFrom(path.c_str(), XB_TYPE_NTX, "QTY >= 3"), 2) << g_lastError;
    EXPECT_EQ(xb_RecCount(), 8);
  };
  EXPECT_TRUE(InChild(appendToItself, 30));
}

// Every call that writes a file, aimed at the files of open tables.
TEST_F(XbeFileSafety, WritesOntoAFileAnOpenTableUsesAreRefusedWhateverTheName) {
  const std::string table = dir.File("MAIN.DBF");
  const std::string memo = dir.File("MAIN.DBT");
  const std::string index = dir.File("MAIN.NTX");
  const short area = MemoTable(table, 3);
  ASSERT_GT(area, 0);
  ASSERT_GT(xb_Index(index.c_str(), "NAME", nullptr, 0, 0), 0) << g_lastError;
  // A second table with an index of its own, open in another area.
  const std::string other = dir.File("OTHER.DBF");
  const std::string otherIndex = dir.File("OTHER.NTX");
  ASSERT_TRUE(MakeTable(other, XB_TYPE_NTX, false));
  ASSERT_GT(OpenTable(other), 0);
  AppendNumbered(2);
  ASSERT_GT(xb_Index(otherIndex.c_str(), "QTY", nullptr, 0, 0), 0) << g_lastError;
  // Other names of the same files: links, another case.
  ASSERT_EQ(symlink(table.c_str(), dir.File("TOTABLE.NTX").c_str()), 0);
  ASSERT_EQ(symlink(memo.c_str(), dir.File("TOMEMO.DBF").c_str()), 0);
  ASSERT_EQ(link(index.c_str(), dir.File("HARD.TXT").c_str()), 0);
  ASSERT_EQ(symlink(memo.c_str(), dir.File("NEWCOPY.DBT").c_str()), 0);  // the memo a copy would write
  ASSERT_EQ(xb_CopyStructureExtended(dir.File("STRUCT.DBF").c_str()), 1) << g_lastError;

  const std::vector<std::string> files = {table, memo, index, other, otherIndex};
  std::vector<std::vector<unsigned char>> before;
  for (const std::string& f : files) before.push_back(ReadAll(f));

  struct Attempt {
    const char* what;
    bool (*write)(const ScratchDir&);
  } attempts[] = {
      {"blob onto the table", [](const ScratchDir& d) { return xb_BlobToFile("NOTES", d.File("MAIN.DBF").c_str()) != 0; }},
      {"blob onto the memo", [](const ScratchDir& d) { return xb_BlobToFile("NOTES", d.File("MAIN.DBT").c_str()) != 0; }},
      {"blob onto a hard link of the index",
       [](const ScratchDir& d) { return xb_BlobToFile("NOTES", d.File("HARD.TXT").c_str()) != 0; }},
      {"blob onto another area's table",
       [](const ScratchDir& d) { return xb_BlobToFile("NOTES", d.File("OTHER.DBF").c_str()) != 0; }},
      {"text onto the table", [](const ScratchDir& d) { return xb_CopyFileText(d.File("MAIN.DBF").c_str()) != 0; }},
      {"text onto the memo in another case",
       [](const ScratchDir& d) { return xb_CopyFileText(d.File("main.dbt").c_str()) != 0; }},
      {"text onto another area's index",
       [](const ScratchDir& d) { return xb_CopyFileText(d.File("OTHER.NTX").c_str()) != 0; }},
      {"copy onto the memo", [](const ScratchDir& d) { return xb_CopyFile(d.File("MAIN.DBT").c_str()) != 0; }},
      {"copy whose memo file is the open memo",
       [](const ScratchDir& d) { return xb_CopyFile(d.File("NEWCOPY.DBF").c_str()) != 0; }},
      {"structure onto the index", [](const ScratchDir& d) { return xb_CopyStructure(d.File("MAIN.NTX").c_str(), "") != 0; }},
      {"extended structure onto a link to the memo",
       [](const ScratchDir& d) { return xb_CopyStructureExtended(d.File("TOMEMO.DBF").c_str()) != 0; }},
      {"new table named as the memo",
       [](const ScratchDir& d) { return xb_CreateNew(d.File("MAIN.DBT").c_str(), "NEWONE", XB_TYPE_NTX, 1) > 0; }},
      {"new table from a structure, named as the memo",
       [](const ScratchDir& d) {
         return xb_CreateFrom(d.File("MAIN.DBT").c_str(), "NEWTWO", d.File("STRUCT.DBF").c_str(), XB_TYPE_NTX) > 0;
       }},
      {"index onto a link to the table",
       [](const ScratchDir& d) { return xb_Index(d.File("TOTABLE.NTX").c_str(), "NAME", nullptr, 0, 0) != 0; }},
      {"index onto another table's index",
       [](const ScratchDir& d) { return xb_IndexTag(d.File("OTHER.NTX").c_str(), "OTHER", nullptr, 0, 0, "NAME") != 0; }},
  };
  for (const Attempt& a : attempts) {
    xb_Select(area);
    g_lastError.clear();
    EXPECT_FALSE(a.write(dir)) << a.what;
    EXPECT_NE(g_lastError.find("in use"), std::string::npos) << a.what << ": " << g_lastError;
    xb_CreateExec();  // ends a creation that was (wrongly) begun
  }
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadAll(files[i]), before[i]) << files[i];

  // The tables still read as before.
  xb_Select(area);
  xb_Go(2);
  char* text = xb_GetMemo("NOTES", 0);
  EXPECT_EQ(std::string(text ? text : ""), "memo of record 2");
  xb_MemDealloc(text);

  // Free names are written as usual, and a table's own index may be rebuilt,
  // also while another area of the same table has it open.
  EXPECT_EQ(xb_BlobToFile("NOTES", dir.File("NOTE.TXT").c_str()), 1) << g_lastError;
  EXPECT_EQ(xb_CopyFileText(dir.File("MAIN.TXT").c_str()), 1) << g_lastError;
  EXPECT_EQ(xb_CopyFile(dir.File("COPY.DBF").c_str()), 1) << g_lastError;
  const short again = OpenTable(table, XB_OPEN_SHARED, "AGAIN");
  ASSERT_GT(again, 0);
  ASSERT_GT(xb_IndexOpen(index.c_str()), 0) << g_lastError;
  xb_Select(area);
  EXPECT_GT(xb_Index(index.c_str(), "QTY", nullptr, 0, 0), 0) << g_lastError;
}

// A named pipe in place of a file: the open is refused at once. Each case
// runs in a child of its own, so one that waits cannot hide another.
TEST_F(XbeFileSafety, NamedPipesAreRefusedWithoutWaiting) {
  const std::string memoTable = dir.File("PIPEMEMO.DBF");
  ASSERT_GT(MemoTable(memoTable, 1), 0);
  const std::string plain = dir.File("PLAIN.DBF");
  ASSERT_TRUE(MakeTable(plain, XB_TYPE_NTX, false));
  const std::string blobs = dir.File("BLOBS.DBF");
  ASSERT_GT(MemoTable(blobs, 1), 0);
  xb_CloseAll();
  ASSERT_EQ(unlink(dir.File("PIPEMEMO.DBT").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.File("PIPEMEMO.DBT").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(dir.File("PIPE.NTX").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(dir.File("OUT.TXT").c_str(), 0644), 0);
  // Nobody may write this one, so an open cannot take it read-write.
  ASSERT_EQ(mkfifo(dir.File("PIPE.DBF").c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);

  const auto readOnly = [](const std::string& path) {
    return xb_UseEx(path.c_str(), "", XB_OPEN_READONLY, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  };
  const auto memoIsAPipe = [&] { EXPECT_EQ(readOnly(memoTable), 0); };
  const auto indexIsAPipe = [&] {
    ASSERT_GT(readOnly(plain), 0);
    EXPECT_EQ(xb_IndexOpen(dir.File("PIPE.NTX").c_str()), 0);
  };
  const auto writtenFileIsAPipe = [&] {
    ASSERT_GT(readOnly(blobs), 0);
    xb_Go(1);
    EXPECT_EQ(xb_BlobToFile("NOTES", dir.File("OUT.TXT").c_str()), 0);
  };
  const auto tableIsAPipe = [&] {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      ASSERT_NE(nobody, nullptr);
      ASSERT_EQ(setgid(nobody->pw_gid), 0);
      ASSERT_EQ(setuid(nobody->pw_uid), 0);
    }
    ASSERT_NE(access(dir.File("PIPE.DBF").c_str(), W_OK), 0);
    EXPECT_EQ(readOnly(dir.File("PIPE.DBF")), 0);
  };
  EXPECT_TRUE(InChild(memoIsAPipe, 30)) << "memo file";
  EXPECT_TRUE(InChild(indexIsAPipe, 30)) << "index file";
  EXPECT_TRUE(InChild(writtenFileIsAPipe, 30)) << "file written";
  EXPECT_TRUE(InChild(tableIsAPipe, 30)) << "table file";
}

}  // namespace
