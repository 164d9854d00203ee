// Memo fields of a table with the engine on this machine and through the test
// server: values of every size, above the 64 KB of one reply too, written
// through fields and read back after a reopen.
#include <gtest/gtest.h>

#include "class_library/Fields.h"
#include "data_access/tests/TableAccess.h"

namespace {

std::string Text(size_t n, char salt = 'a') {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(salt + static_cast<char>(i % 23));
  if (n > 0) s[n - 1] = 'Z';
  return s;
}

class BlobBothWays : public TableAccessTest {};
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

}  // namespace
