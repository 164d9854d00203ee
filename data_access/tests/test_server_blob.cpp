// Memo and binary blob fields through the table's blob streams, with the
// engine on this machine and through the test server: values of every size
// (above the 64 KB of one reply and over many pieces of the socket too),
// the stream modes, long values replaced by short or empty ones, what an
// edit holds against what is stored, and reads that must leave the table
// where it stood.
#include <gtest/gtest.h>

#include <memory>

#include "class_library/datasets/Fields.h"
#include "class_library/core/Streams.h"
#include "data_access/XbBlob.h"
#include "data_access/tests/BlobTestSupport.h"
#include "data_access/tests/TableAccess.h"

namespace {

using blobtest::Bytes;
using blobtest::StoredBlob;
using blobtest::StoredMemo;
using blobtest::Text;

String ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no exception)";
}

class BlobBothWays : public TableAccessTest {
protected:
  // A memo table of the given engine type code made in the test's directory.
  std::string MemoTable(const std::string& file, short code, const std::vector<std::string>& memos,
                        const char* extra = nullptr) {
    const std::string path = blobtest::MakeMemoTable(dir.Path(), file, code, memos, extra);
    EXPECT_FALSE(path.empty());
    return path;
  }
  std::unique_ptr<TXbTable> OpenAs(const std::string& file, TXbTableType type) {
    return Open(file, [type](TXbTable& t) { t.SetTableType(type); });
  }
  static TBlobField* Blob(TXbTable& t, const char* name) { return dynamic_cast<TBlobField*>(t.FieldByName(name)); }
  static String Saved(TBlobField* field) {
    TStringStream out;
    field->SaveToStream(out);
    return out.DataString();
  }
};
TW_TABLE_TESTS_BOTH_WAYS(BlobBothWays);

TEST_P(BlobBothWays, MemosOfEverySizeRoundTrip) {
  auto setup = [](TXbTable& t) { t.SetTableType(ttSXFOX); };
  {
    auto t = Make("NOTES.DBF");
    setup(*t);
    t->FieldDefs().Add("NAME", ftString, 10);
    t->FieldDefs().Add("NOTES", ftMemo);
    t->CreateTable();
  }
  const size_t sizes[] = {0, 1, 5000, 65536, 200000};
  {
    auto t = Open("NOTES.DBF", setup);
    for (size_t n : sizes) {
      t->Append();
      t->FieldByName("NAME")->SetAsString(std::to_string(n));
      t->FieldByName("NOTES")->SetAsString(Text(n));
      t->Post();
    }
    // The first record changes its memo in an edit.
    t->First();
    t->Edit();
    t->FieldByName("NOTES")->SetAsString(Text(70000, 'b'));
    t->Post();
  }
  auto t = Open("NOTES.DBF", setup);
  TField* notes = t->FieldByName("NOTES");
  ASSERT_EQ(notes->DataType(), ftMemo);
  EXPECT_TRUE(notes->AsString() == Text(70000, 'b'));
  // The first record held the empty memo before the edit.
  for (size_t n : {sizes[1], sizes[2], sizes[3], sizes[4]}) {
    SCOPED_TRACE(n);
    t->Next();
    ASSERT_EQ(t->FieldByName("NAME")->AsString(), std::to_string(n));
    const String value = notes->AsString();
    EXPECT_EQ(value.size(), n);
    EXPECT_TRUE(value == Text(n));
    EXPECT_EQ(static_cast<size_t>(dynamic_cast<TBlobField*>(notes)->BlobSize()), n);
  }
}

TEST_P(BlobBothWays, BinaryBlobsOfEverySizeRoundTripAndLongOnesGiveWayToShortOnes) {
  // Sizes around the socket's 8 KB pieces and the 64 KB of one reply text.
  const size_t sizes[] = {0, 1, 8191, 8192, 8193, 65535, 65536, 300000};
  const std::string path = MemoTable("PICS.DBF", 2, {}, "PICT");
  {
    auto t = OpenAs("PICS.DBF", ttSXFOX);
    TBlobField* pict = Blob(*t, "PICT");
    ASSERT_NE(pict, nullptr);
    ASSERT_NE(pict->DataType(), ftMemo);
    for (size_t n : sizes) {
      t->Append();
      t->FieldByName("NAME")->SetAsString(std::to_string(n));
      TStringStream in(Bytes(n));
      pict->LoadFromStream(in);
      t->FieldByName("NOTES")->SetAsString(Text(n / 2 + 1));
      t->Post();
      // Read back at once, before the table is left.
      EXPECT_TRUE(Saved(pict) == Bytes(n)) << n;
    }
  }
  {
    auto t = OpenAs("PICS.DBF", ttSXFOX);
    TBlobField* pict = Blob(*t, "PICT");
    int recNo = 0;
    for (size_t n : sizes) {
      SCOPED_TRACE(n);
      ++recNo;
      ASSERT_EQ(t->FieldByName("NAME")->AsString(), std::to_string(n));
      EXPECT_EQ(pict->IsNull(), n == 0);
      EXPECT_EQ(static_cast<size_t>(pict->BlobSize()), n);
      EXPECT_TRUE(pict->AsString() == Bytes(n));
      std::unique_ptr<TStream> read = t->OpenBlobStream(pict, bmRead);
      EXPECT_EQ(read->Size(), static_cast<std::int64_t>(n));
      EXPECT_EQ(read->Position(), 0);
      EXPECT_TRUE(t->FieldByName("NOTES")->AsString() == Text(n / 2 + 1));
      t->Next();
    }
    EXPECT_TRUE(t->Eof());

    // The longest blob and memo give way to short ones, a middle one to
    // nothing: what follows the new end must not show through.
    t->Last();
    t->Edit();
    TStringStream small(std::string("\0\1\2", 3));
    pict->LoadFromStream(small);
    t->FieldByName("NOTES")->SetAsString("short");
    t->Post();
    t->Prior();
    t->Edit();
    pict->Clear();
    t->FieldByName("NOTES")->Clear();
    t->Post();
    t->Last();
    EXPECT_TRUE(pict->AsString() == std::string("\0\1\2", 3));
    EXPECT_EQ(t->FieldByName("NOTES")->AsString(), "short");
  }
  EXPECT_TRUE(StoredBlob(path, 8, "PICT") == std::string("\0\1\2", 3));
  EXPECT_EQ(StoredMemo(path, 8, "NOTES"), "short");
  EXPECT_EQ(StoredBlob(path, 7, "PICT"), "");
  EXPECT_EQ(StoredMemo(path, 7, "NOTES"), "");
  EXPECT_TRUE(StoredBlob(path, 6, "PICT") == Bytes(65535));

  auto t = OpenAs("PICS.DBF", ttSXFOX);
  t->Last();
  EXPECT_EQ(Blob(*t, "PICT")->BlobSize(), 3);
  t->Prior();
  EXPECT_TRUE(Blob(*t, "PICT")->IsNull());
  EXPECT_TRUE(t->FieldByName("NOTES")->IsNull());
}

TEST_P(BlobBothWays, StreamsLoadAndSaveAndStartWhereTheModeSays) {
  const std::string path = MemoTable("MEMO.DBF", 2, {"first memo", ""});
  auto t = OpenAs("MEMO.DBF", ttSXFOX);
  TBlobField* notes = Blob(*t, "NOTES");
  ASSERT_NE(notes, nullptr);

  EXPECT_EQ(Saved(notes), "first memo");
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
  EXPECT_EQ(Saved(notes), "loaded\r\nfrom a stream");
  t->First();
  EXPECT_EQ(Saved(notes), "abcdef");
  t->Close();
  EXPECT_EQ(StoredMemo(path, 1, "NOTES"), "abcdef");
  EXPECT_EQ(StoredMemo(path, 2, "NOTES"), "loaded\r\nfrom a stream");
}

TEST_P(BlobBothWays, EditedMemoIsReadBackUntilPostOrCancel) {
  for (bool speed : {false, true}) {
    SCOPED_TRACE(speed ? "SpeedMode" : "buffered");
    const std::string path = MemoTable(speed ? "SPEED.DBF" : "BUFFER.DBF", 2, {"stored one", "stored two"});
    auto t = OpenAs(speed ? "SPEED.DBF" : "BUFFER.DBF", ttSXFOX);
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

TEST_P(BlobBothWays, ReadStreamInAnEditDoesNotMarkTheMemoForPost) {
  const std::string path = MemoTable("KEEP.DBF", 1, {"keep me"});
  auto t = OpenAs("KEEP.DBF", ttSXNTX);
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

TEST_P(BlobBothWays, ReadingAMemoLeavesTheTableWhereItStood) {
  const std::string path = MemoTable("WALK.DBF", 2, {"skip a", "keep b", "skip c", "keep d", "keep e", "skip f"});
  auto t = OpenAs("WALK.DBF", ttSXFOX);
  TField* notes = t->FieldByName("NOTES");
  TField* name = t->FieldByName("NAME");

  // A filter judging records by their memo: each read happens while the
  // engine stands on the record judged, not on the active one (over the
  // server: in the middle of a batch of rows).
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

  // A memo read in the middle of a plain walk leaves the walk where it was.
  t->First();
  std::vector<std::string> walked;
  while (!t->Eof() && walked.size() < 10) {
    walked.push_back(name->AsString() + ":" + notes->AsString());
    t->Next();
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"r1:skip a", "r2:keep b", "r3:skip c", "r4:keep d", "r5:keep e",
                                              "r6:skip f"}));
  t->Last();
  std::vector<std::string> back;
  while (!t->Bof() && back.size() < 10) {
    back.push_back(notes->AsString());
    t->Prior();
  }
  EXPECT_EQ(back, (std::vector<std::string>{"skip f", "keep e", "keep d", "skip c", "keep b", "skip a"}));

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

TEST_P(BlobBothWays, TranslatedMemosOfEveryLengthComeBackAsWritten) {
  // A table in a DOS code page read with OEMTranslate: memo text is
  // translated both ways whatever its length, so what was written reads back
  // unchanged and a read-write round trip changes nothing. The translation
  // is switched on the open table.
  const std::string path = MemoTable("DOS.DBF", 2, {"x"});
  for (size_t n : {size_t(10), size_t(65534), size_t(65535), size_t(70000)}) {
    SCOPED_TRACE(n);
    const std::string text(n, '\xE9');  // e acute in Windows-1252, 0x82 in the DOS page
    {
      auto t = OpenAs("DOS.DBF", ttSXFOX);
      t->SetOEMTranslate(true);
      t->Edit();
      t->FieldByName("NOTES")->SetAsString(text);
      t->FieldByName("NAME")->SetAsString("\xE9t\xE9");
      t->Post();
    }
    auto t = OpenAs("DOS.DBF", ttSXFOX);
    t->SetOEMTranslate(true);
    EXPECT_TRUE(t->FieldByName("NOTES")->AsString() == text);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "\xE9t\xE9");
    t->Edit();
    TField* notes = t->FieldByName("NOTES");
    notes->SetAsString(notes->AsString());
    t->Post();
    t->SetOEMTranslate(false);
    t->Refresh();
    EXPECT_TRUE(t->FieldByName("NOTES")->AsString() == std::string(n, '\x82'));
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "\x82t\x82");
  }
  EXPECT_TRUE(StoredMemo(path, 1, "NOTES") == std::string(70000, '\x82'));
}

TEST_P(BlobBothWays, CalculatedFieldsReadTheMemoOfTheirOwnRecord) {
  MemoTable("CALC.DBF", 3, {"a", "bbb", "", "dddddd"});
  TComponent owner(nullptr);
  auto* t = new TXbTable(&owner);
  Place(*t);
  t->SetTableName("CALC.DBF");
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

// A compressed session carries the same values: large ones are packed and
// unpacked whole, in both directions.
class CompressedBlobs : public BlobBothWays {};
INSTANTIATE_TEST_SUITE_P(, CompressedBlobs, ::testing::Values(amServer), AccessMethodName);

TEST_P(CompressedBlobs, LargeValuesRoundTripThroughACompressedSession) {
  conn->SetActive(false);
  conn->SetCompression(true);
  conn->SetActive(true);
  ASSERT_TRUE(conn->LoggedIn());
  const std::string path = MemoTable("PACKED.DBF", 2, {"old"}, "PICT");
  {
    auto t = OpenAs("PACKED.DBF", ttSXFOX);
    t->Edit();
    TStringStream in(Bytes(300000));
    Blob(*t, "PICT")->LoadFromStream(in);
    t->FieldByName("NOTES")->SetAsString(Text(200000));
    t->Post();
  }
  EXPECT_TRUE(StoredBlob(path, 1, "PICT") == Bytes(300000));
  auto t = OpenAs("PACKED.DBF", ttSXFOX);
  EXPECT_TRUE(Saved(Blob(*t, "PICT")) == Bytes(300000));
  EXPECT_TRUE(t->FieldByName("NOTES")->AsString() == Text(200000));
}

}  // namespace
