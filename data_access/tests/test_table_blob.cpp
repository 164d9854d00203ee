// Memo fields of the engine on this machine: values of every size written and
// read back through fields in each memo-bearing table style, and memo files
// that independent DBF programs read. The blob streams, binary blobs and
// translated memos are tested both ways in test_server_blob.cpp.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "class_library/datasets/Fields.h"
#include "class_library/core/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/BlobTestSupport.h"
#include "data_access/tests/TestTables.h"
#include "platform/system/tests/CommandOutput.h"

namespace {

using blobtest::StoredMemo;
using blobtest::Text;

struct Style {
  const char* name;
  TXbTableType type;
  short code;  // the engine's table-type code
};
const Style kStyles[] = {{"NTX", ttSXNTX, 1}, {"FOX", ttSXFOX, 2}, {"NSX", ttSXNSX, 3}, {"NSXDBT", ttSXNSX_DBT, 4}};

class TableBlob : public ::testing::Test {
protected:
  void SetUp() override { RequireEngine(); }

  // NAME C(10) and NOTES M, one record per memo text (empty: no memo).
  std::string MakeMemoTable(const Style& s, const std::vector<std::string>& memos) {
    const std::string path =
        blobtest::MakeMemoTable(dir.Path(), std::string("MEMO") + s.name + ".DBF", s.code, memos);
    EXPECT_FALSE(path.empty());
    return path;
  }

  std::unique_ptr<TXbTable> Open(const std::string& path, TXbTableType type) {
    auto t = std::make_unique<TXbTable>(nullptr);
    t->SetDatabaseName(dir.Path());
    t->SetTableName(ExtractFileName(path));
    t->SetTableType(type);
    t->Open();
    return t;
  }

  ScratchDir dir;
};

}  // namespace

TEST_F(TableBlob, MemosOfEverySizeRoundTripThroughFieldsInEveryStyle) {
  const size_t sizes[] = {0, 1, 65534, 65535, 65536, 1000000};
  for (const Style& s : kStyles) {
    SCOPED_TRACE(s.name);
    const std::string path = MakeMemoTable(s, {"old"});
    {
      auto t = Open(path, s.type);
      TField* notes = t->FieldByName("NOTES");
      ASSERT_EQ(notes->DataType(), ftMemo);
      for (size_t n : sizes) {
        t->Append();
        t->FieldByName("NAME")->SetAsString(std::to_string(n));
        notes->SetAsString(Text(n));
        t->Post();
      }
      // The first record changes size in an edit, both ways.
      t->First();
      t->Edit();
      notes->SetAsString(Text(70000, 'b'));
      t->Post();
    }
    auto t = Open(path, s.type);
    TField* notes = t->FieldByName("NOTES");
    EXPECT_EQ(notes->AsString(), Text(70000, 'b'));
    int recNo = 1;
    for (size_t n : sizes) {
      SCOPED_TRACE(n);
      t->Next();
      ++recNo;
      ASSERT_EQ(t->FieldByName("NAME")->AsString(), std::to_string(n));
      const String value = notes->AsString();
      EXPECT_EQ(value.size(), n);
      EXPECT_TRUE(value == Text(n));
      EXPECT_EQ(notes->IsNull(), n == 0);
      EXPECT_EQ(static_cast<size_t>(dynamic_cast<TBlobField*>(notes)->BlobSize()), n);
      EXPECT_TRUE(StoredMemo(path, recNo, "NOTES") == Text(n));
    }
  }
}

TEST_F(TableBlob, OutsideReadersReadTheMemosWeWrote) {
  if (!HavePythonModule("dbf")) GTEST_SKIP() << "python3-dbf is needed (scripts/packages-test.txt)";
  for (const Style& s : {kStyles[0], kStyles[1]}) {
    SCOPED_TRACE(s.name);
    const std::string path = MakeMemoTable(s, {"", "replaced later"});
    auto t = Open(path, s.type);
    TField* notes = t->FieldByName("NOTES");
    t->Edit();
    notes->SetAsString("first line\r\nsecond line");
    t->Post();
    t->Next();
    t->Edit();
    notes->SetAsString(Text(3000));
    t->Post();
    t->Close();
    const std::string script = "import dbf\n"
                               "t = dbf.Table('" + path + "')\n"
                               "t.open()\n"
                               "for r in t:\n"
                               "    m = r.notes\n"
                               "    print(len(m), repr(m[:24]), m[-1:])\n"
                               "t.close()\n";
    std::ofstream(dir.Path() + "read.py") << script;
    EXPECT_EQ(CommandOutput("/usr/bin/python3 " + dir.Path() + "read.py"),
              "23 'first line\\r\\nsecond line' e\n"
              "3000 '" + Text(3000).substr(0, 24) + "' Z\n");
  }
}
