// Memo and blob fields through the table's blob streams: values of every size
// written and read back through fields in each memo-bearing table style, what
// an edit holds against what is stored, the engine's position around a read,
// and memo files that independent DBF programs read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "class_library/Fields.h"
#include "class_library/Streams.h"
#include "class_library/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbBlob.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/TestTables.h"
#include "platform/system/tests/CommandOutput.h"

namespace {

struct Style {
  const char* name;
  TXbTableType type;
  short code;  // the engine's table-type code
};
const Style kStyles[] = {{"NTX", ttSXNTX, 1}, {"FOX", ttSXFOX, 2}, {"NSX", ttSXNSX, 3}, {"NSXDBT", ttSXNSX_DBT, 4}};

// Text of a given length that shows where a cut or shift happened.
std::string Text(size_t n, char salt = 'a') {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(salt + static_cast<char>(i % 23));
  if (n > 0) s[n - 1] = 'Z';
  return s;
}

// The stored memo of one record, read by the engine in a work area of its own.
std::string StoredMemo(const std::string& path, int recNo, const char* field) {
  const short area = xbe::xb_UseEx(path.c_str(), "PEEK", 0, 0, 1);
  if (area <= 0) return "(cannot open)";
  xbe::xb_Select(area);
  xbe::xb_Go(recNo);
  char* text = xbe::xb_GetMemo(field, 0);
  std::string s = text ? text : "";
  if (text) xbe::xb_MemDealloc(text);
  xbe::xb_Close();
  return s;
}

class TableBlob : public ::testing::Test {
protected:
  void SetUp() override { RequireEngine(); }

  // NAME C(10) and NOTES M, one record per memo text (empty: no memo).
  std::string MakeMemoTable(const Style& s, const std::vector<std::string>& memos, const char* extra = nullptr) {
    const std::string path = dir.Path() + "MEMO" + s.name + ".DBF";
    short area = xbe::xb_CreateNew(path.c_str(), "MEMO", s.code, 0);
    EXPECT_GT(area, 0);
    xbe::xb_CreateField("NAME", "C", 10, 0);
    xbe::xb_CreateField("NOTES", "M", 10, 0);
    if (extra) xbe::xb_CreateField(extra, extra[0] == 'P' ? "P" : "G", 10, 0);
    area = xbe::xb_CreateExec();
    EXPECT_GT(area, 0);
    xbe::xb_Select(area);
    int i = 0;
    for (const std::string& memo : memos) {
      xbe::xb_AppendBlank();
      xbe::xb_PutString("NAME", ("r" + std::to_string(++i)).c_str());
      if (!memo.empty()) xbe::xb_PutMemo("NOTES", memo.c_str());
    }
    xbe::xb_Commit();
    xbe::xb_Close();
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

TEST_F(TableBlob, StreamsLoadAndSaveAndStartWhereTheModeSays) {
  const std::string path = MakeMemoTable(kStyles[1], {"first memo", ""});
  auto t = Open(path, ttSXFOX);
  auto* notes = dynamic_cast<TBlobField*>(t->FieldByName("NOTES"));
  ASSERT_NE(notes, nullptr);

  TStringStream out;
  notes->SaveToStream(out);
  EXPECT_EQ(out.DataString(), "first memo");
  {
    std::unique_ptr<TStream> read = t->OpenBlobStream(notes, bmRead);
    EXPECT_EQ(read->Position(), 0);
    EXPECT_EQ(read->Size(), 10);
  }
  // Writing needs an edit: outside one a write would be lost unnoticed.
  EXPECT_EQ(ErrorOf([&] { t->OpenBlobStream(notes, bmWrite); }), "Data set must be in Edit or Insert mode to update");
  EXPECT_EQ(ErrorOf([&] { t->OpenBlobStream(t->FieldByName("NAME"), bmRead); }), "Invalid class typecast");

  t->Edit();
  {
    std::unique_ptr<TStream> write = t->OpenBlobStream(notes, bmWrite);
    EXPECT_EQ(write->Size(), 0);  // a writing stream starts empty
    write->WriteBuffer("abc", 3);
  }
  {
    std::unique_ptr<TStream> both = t->OpenBlobStream(notes, bmReadWrite);
    EXPECT_EQ(both->Size(), 3);
    both->Seek(0, soEnd);
    both->WriteBuffer("def", 3);
  }
  EXPECT_EQ(notes->AsString(), "abcdef");
  t->Post();

  t->Next();
  EXPECT_TRUE(notes->IsNull());
  t->Edit();
  TStringStream in("loaded\r\nfrom a stream");
  notes->LoadFromStream(in);
  t->Post();
  t->Close();
  EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "abcdef");
  EXPECT_EQ(StoredMemo(path, 2, "NOTES"), "loaded\r\nfrom a stream");
}

TEST_F(TableBlob, EditedMemoIsReadBackUntilPostOrCancel) {
  for (bool speed : {false, true}) {
    SCOPED_TRACE(speed ? "SpeedMode" : "buffered");
    const std::string path = MakeMemoTable(kStyles[1], {"stored one", "stored two"});
    auto t = Open(path, ttSXFOX);
    t->SetSpeedMode(speed);
    TField* notes = t->FieldByName("NOTES");

    // Written before it was ever read, then read: the edit, not the file.
    t->Edit();
    notes->SetAsString("edited");
    EXPECT_EQ(notes->AsString(), "edited");
    EXPECT_EQ(notes->AsString(), "edited");
    t->Cancel();
    EXPECT_EQ(notes->AsString(), "stored one");
    EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "stored one");

    // Read, written, read again, posted.
    t->Edit();
    EXPECT_EQ(notes->AsString(), "stored one");
    notes->SetAsString("posted");
    EXPECT_EQ(notes->AsString(), "posted");
    t->Post();
    EXPECT_EQ(notes->AsString(), "posted");
    EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "posted");

    // Emptied: null afterwards, and stored empty.
    t->Edit();
    notes->Clear();
    EXPECT_TRUE(notes->IsNull());
    t->Post();
    EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "");
    EXPECT_EQ(StoredMemo(path, 2, "NOTES"), "stored two");
  }
}

TEST_F(TableBlob, ReadStreamInAnEditDoesNotMarkTheMemoForPost) {
  const std::string path = MakeMemoTable(kStyles[0], {"keep me"});
  auto t = Open(path, ttSXNTX);
  t->Edit();
  EXPECT_EQ(t->FieldByName("NOTES")->AsString(), "keep me");
  // Someone else's write in between would be overwritten if Post rewrote
  // the unchanged memo; it must not.
  t->FieldByName("NAME")->SetAsString("renamed");
  t->Post();
  EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "keep me");

  // An unchanged read-write stream does mark it: Post writes it again.
  t->Edit();
  t->OpenBlobStream(t->FieldByName("NOTES"), bmReadWrite).reset();
  EXPECT_TRUE(t->Modified());
  t->Post();
  EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "keep me");
}

TEST_F(TableBlob, ReadingAMemoLeavesTheEngineWhereItStood) {
  const std::string path = MakeMemoTable(kStyles[1], {"skip a", "keep b", "skip c", "keep d", "keep e", "skip f"});
  auto t = Open(path, ttSXFOX);
  TField* notes = t->FieldByName("NOTES");
  TField* name = t->FieldByName("NAME");

  // A filter judging records by their memo: each read happens while the
  // engine stands on the record judged, not on the active one.
  t->OnFilterRecord = [&](TDataSet*, bool& accept) { accept = notes->AsString().rfind("keep", 0) == 0; };
  t->SetFiltered(true);
  t->First();
  EXPECT_EQ(WalkField(*t, "NAME"), (std::vector<std::string>{"r2", "r4", "r5"}));
  t->Last();
  EXPECT_EQ(name->AsString(), "r5");
  t->Prior();
  EXPECT_EQ(name->AsString(), "r4");
  t->SetFiltered(false);
  t->OnFilterRecord = nullptr;

  // SpeedMode walks the engine: each read is of the record it stands on and
  // leaves it there.
  t->SetSpeedMode(true);
  t->GoTop();
  std::vector<std::string> seen;
  while (!t->Eof() && seen.size() < 10) {
    seen.push_back(notes->AsString());
    t->Next();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"skip a", "keep b", "skip c", "keep d", "keep e", "skip f"}));
  t->SetSpeedMode(false);

  // Inserting: the new record has no memo yet, and reading it moves nothing.
  t->First();
  t->Next();
  t->Append();
  EXPECT_TRUE(notes->IsNull());
  EXPECT_EQ(notes->AsString(), "");
  notes->SetAsString("appended");
  t->FieldByName("NAME")->SetAsString("r7");
  t->Post();
  EXPECT_EQ(name->AsString(), "r7");
  EXPECT_EQ(notes->AsString(), "appended");
  EXPECT_EQ(StoredMemo(path, 7, "NOTES"), "appended");
  EXPECT_EQ(StoredMemo(path, 2, "NOTES"), "keep b");
}

TEST_F(TableBlob, CalculatedFieldsReadTheMemoOfTheirOwnRecord) {
  const std::string path = MakeMemoTable(kStyles[2], {"a", "bbb", "", "dddddd"});
  TComponent owner(nullptr);
  auto* t = new TXbTable(&owner);
  t->SetDatabaseName(dir.Path());
  t->SetTableName(ExtractFileName(path));
  t->SetTableType(ttSXNSX);
  auto* name = new TStringField(&owner);
  name->SetFieldName("NAME");
  name->SetSize(10);
  name->SetDataSet(t);
  auto* notes = new TMemoField(&owner);
  notes->SetFieldName("NOTES");
  notes->SetDataSet(t);
  auto* length = new TIntegerField(&owner);
  length->SetFieldName("LENGTH");
  length->SetFieldKind(fkCalculated);
  length->SetDataSet(t);
  t->OnCalcFields = [&](TDataSet*) { length->SetAsInteger(static_cast<int>(notes->AsString().size())); };
  t->Open();
  std::vector<int> lengths;
  while (!t->Eof() && lengths.size() < 10) {
    lengths.push_back(length->AsInteger());
    EXPECT_EQ(static_cast<int>(notes->AsString().size()), lengths.back());
    t->Next();
  }
  EXPECT_EQ(lengths, (std::vector<int>{1, 3, 0, 6}));
}

TEST_F(TableBlob, TranslatedMemosOfEveryLengthComeBackAsWritten) {
  // A table in a DOS code page read with OEMTranslate: memo text is
  // translated both ways whatever its length, so what was written reads back
  // unchanged and a read-write round trip changes nothing.
  const std::string path = MakeMemoTable(kStyles[1], {"x"});
  for (size_t n : {size_t(10), size_t(65534), size_t(65535), size_t(70000)}) {
    SCOPED_TRACE(n);
    const std::string text(n, '\xE9');  // e acute in Windows-1252, 0x82 in the DOS page
    {
      auto t = Open(path, ttSXFOX);
      t->SetOEMTranslate(true);
      t->Edit();
      t->FieldByName("NOTES")->SetAsString(text);
      t->Post();
    }
    auto t = Open(path, ttSXFOX);
    t->SetOEMTranslate(true);
    EXPECT_TRUE(t->FieldByName("NOTES")->AsString() == text);
    t->Edit();
    TField* notes = t->FieldByName("NOTES");
    notes->SetAsString(notes->AsString());
    t->Post();
    t->SetOEMTranslate(false);
    t->Refresh();
    EXPECT_TRUE(t->FieldByName("NOTES")->AsString() == std::string(n, '\x82'));
  }
}

TEST_F(TableBlob, BinaryBlobKeepsEveryByte) {
  const std::string path = MakeMemoTable(kStyles[1], {"text"}, "PICT");
  auto t = Open(path, ttSXFOX);
  TField* pict = t->FieldByName("PICT");
  ASSERT_TRUE(pict->IsBlob());
  ASSERT_NE(pict->DataType(), ftMemo);
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<char>(i * 7));  // zeros included
  t->Edit();
  TStringStream in(bytes);
  dynamic_cast<TBlobField*>(pict)->LoadFromStream(in);
  t->Post();
  t->Close();
  t = Open(path, ttSXFOX);
  pict = t->FieldByName("PICT");
  EXPECT_TRUE(pict->AsString() == bytes);
  EXPECT_EQ(t->FieldByName("NOTES")->AsString(), "text");
}

TEST_F(TableBlob, OutsideReadersReadTheMemosWeWrote) {
  if (!HavePythonModule("dbf")) GTEST_SKIP() << "python3-dbf is needed (scripts/packages.txt)";
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
