// The walk's short cuts keep the walk's answers: text fields read where the
// record image holds them, a cursor that remembers where its last fetch
// landed, and moves that still see what others commit meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/tests/TableAccess.h"
#include "data_access/tests/TestTables.h"

namespace {

using namespace std::string_literals;

class TableWalk : public TableAccessTest {};

// What a text field answers, read the three ways a caller can.
struct TextRead {
  std::string AsString;
  std::string Value;  // GetValue ("" when it answers no value)
  bool Null = false;
};

TextRead ReadText(TXbTable& t, const char* name) {
  auto* field = static_cast<TStringField*>(t.FieldByName(name));
  TextRead r;
  r.AsString = field->AsString();
  String value;
  if (field->GetValue(value)) r.Value = value;
  r.Null = field->IsNull();
  return r;
}

TEST_P(TableWalk, TextFieldsReadAsStoredWhateverTheirBytes) {
  // Trailing blanks go, leading and inner ones stay; a zero byte ends the
  // text; a field of blanks and zero bytes only is null.
  WriteRawDbf(dir.Path() + "T.DBF", {{"V", 'C', 12}},
              {{"abc"},
               {""},
               {"abcdefghijkl"},
               {"a\0b"s},
               {" \0  "s},
               {"\0xyz"s},
               {"  x y  z"},
               {"abcdefgh    "}});
  auto t = Open("T.DBF");
  std::vector<std::string> strings, values;
  std::vector<bool> nulls;
  while (!t->Eof()) {
    const TextRead first = ReadText(*t, "V");
    const TextRead again = ReadText(*t, "V");  // the second read answers the same
    EXPECT_EQ(first.AsString, again.AsString);
    strings.push_back(first.AsString);
    values.push_back(first.Value);
    nulls.push_back(first.Null);
    t->Next();
  }
  EXPECT_EQ(strings, (std::vector<std::string>{"abc", "", "abcdefghijkl", "a", "", "", "  x y  z", "abcdefgh"}));
  EXPECT_EQ(values, strings);
  EXPECT_EQ(nulls, (std::vector<bool>{false, true, false, false, true, false, false, false}));
}

TEST_P(TableWalk, ALongTextEndsAtItsFirstZeroByteWhereverItLies) {
  // Zero bytes past the first eight, on the eighth, before a byte 1 (which
  // a word-wise search could mistake for one) and bytes above 127 around.
  WriteRawDbf(dir.Path() + "T.DBF", {{"V", 'C', 20}},
              {{"abcdefghi\0jk"s},
               {"abcdefg\0ijkl"s},
               {"abcdefgh\0x"s},
               {"ab\0\x01" "cdefghij"s},
               {"\x81\x80\xff" "abcdefghijklmnopq"s},
               {"abcdefghijklmnop\0\0\0\0"s},
               {"abcdefghijklmnopqrs\0"s}});
  auto t = Open("T.DBF");
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"abcdefghi", "abcdefg", "abcdefgh", "ab",
                                                          "\x81\x80\xff" "abcdefghijklmnopq", "abcdefghijklmnop",
                                                          "abcdefghijklmnopqrs"}));
}

TEST_P(TableWalk, AFieldNameSpeltOtherwiseThanLastTimeStillFindsItsField) {
  MakeTable(dir.Path(), "T.DBF", {{"NAME", 'C', 8}, {"NAMES", 'C', 8}, {"NAMEX", 'C', 8}},
            {{"n", "ns", "nx"}});
  auto t = Open("T.DBF");
  TField* name = t->FieldByName("NAME");
  EXPECT_EQ(t->FieldByName("NAME"), name);
  EXPECT_EQ(t->FieldByName("name"), name);
  EXPECT_EQ(t->FieldByName("Name"), name);
  EXPECT_EQ(t->FieldByName("NAMES")->AsString(), "ns");
  EXPECT_EQ(t->FieldByName("NAMEX")->AsString(), "nx");
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "n");
  EXPECT_THROW(t->FieldByName("NAM"), EDatabaseError);
  EXPECT_THROW(t->FieldByName("NAMEXX"), EDatabaseError);
  EXPECT_EQ(t->FieldByName("namex")->AsString(), "nx");
}

TEST_P(TableWalk, AnEditedTextIsReadFromTheEditAndTheStoredOneAfterCancel) {
  MakeTable(dir.Path(), "T.DBF", {{"V", 'C', 10}, {"W", 'C', 10}}, {{"one", "x"}, {"two", "y"}});
  auto t = Open("T.DBF");
  EXPECT_EQ(t->FieldByName("V")->AsString(), "one");
  t->Edit();
  t->FieldByName("V")->SetAsString("changed");
  t->FieldByName("W")->SetAsString("");
  EXPECT_EQ(t->FieldByName("V")->AsString(), "changed");
  EXPECT_EQ(t->FieldByName("W")->AsString(), "");
  t->Cancel();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "one");
  EXPECT_EQ(t->FieldByName("W")->AsString(), "x");
  // A filter handler reads the record it judges, not the active one.
  std::vector<std::string> judged;
  t->OnFilterRecord = [&](TDataSet* ds, bool& accept) {
    judged.push_back(ds->FieldByName("V")->AsString());
    accept = ds->FieldByName("W")->AsString() == "y";
  };
  t->SetFiltered(true);
  t->First();
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"two"}));
  EXPECT_NE(std::find(judged.begin(), judged.end(), "one"), judged.end());
  EXPECT_NE(std::find(judged.begin(), judged.end(), "two"), judged.end());
}

TEST_P(TableWalk, TwoTablesWalkedInTurnsEachGoOnFromTheirOwnRecord) {
  MakeTable(dir.Path(), "A.DBF", {{"V", 'C', 4}}, {{"a1"}, {"a2"}, {"a3"}});
  MakeTable(dir.Path(), "B.DBF", {{"V", 'C', 4}}, {{"b1"}, {"*", "b2"}, {"b3"}, {"b4"}});
  auto a = Open("A.DBF");
  auto b = Open("B.DBF");
  std::vector<std::string> seen;
  while (!a->Eof() || !b->Eof()) {
    if (!a->Eof()) {
      seen.push_back(a->FieldByName("V")->AsString());
      a->Next();
    }
    if (!b->Eof()) {
      seen.push_back(b->FieldByName("V")->AsString());
      b->Next();
    }
    ASSERT_LT(seen.size(), 20u);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"a1", "b1", "a2", "b3", "a3", "b4"}));
  EXPECT_EQ(a->PhysicalRecNo(), 3);
  EXPECT_EQ(b->PhysicalRecNo(), 4);
}

// Over the server the rows come in batches, read ahead as TurboRead reads:
// what others change inside a batch already read shows from the next batch.
TEST_P(TableWalk, MovesSeeWhatAnotherTableChangesAheadOfTheWalk) {
  if (OverServer()) GTEST_SKIP() << "rows come in batches read ahead";
  MakeTable(dir.Path(), "T.DBF", {{"V", 'C', 8}}, {{"r1"}, {"r2"}, {"r3"}, {"r4"}});
  auto t = Open("T.DBF");
  auto other = Open("T.DBF");
  EXPECT_EQ(t->FieldByName("V")->AsString(), "r1");
  t->Next();
  // The other table changes the next record, deletes the one after and
  // appends one while the walk stands on r2.
  other->Next();
  other->Next();
  other->Edit();
  other->FieldByName("V")->SetAsString("r3 new");
  other->Post();
  other->Next();
  other->Delete();
  other->Append();
  other->FieldByName("V")->SetAsString("r5");
  other->Post();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "r2");
  t->Next();
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"r3 new", "r5"}));
  EXPECT_TRUE(t->Eof());
}

TEST_P(TableWalk, MovesSeeWhatAnotherProcessCommitsAheadOfTheWalk) {
  if (OverServer()) GTEST_SKIP() << "rows come in batches read ahead";
  MakeTable(dir.Path(), "T.DBF", {{"V", 'C', 8}}, {{"r1"}, {"r2"}, {"r3"}, {"r4"}});
  auto t = Open("T.DBF");
  t->Next();
  EXPECT_EQ(t->FieldByName("V")->AsString(), "r2");
  const std::string path = dir.Path() + "T.DBF";
  ASSERT_TRUE(RunInChild([&] {
    const short area = xbe::xb_UseEx(path.c_str(), "CHILD", 0, 2, 1);
    if (area <= 0) return false;
    xbe::xb_Select(area);
    xbe::xb_Go(3);
    if (!xbe::xb_Rlock(3)) return false;
    xbe::xb_Replace("V", XB_R_CHAR, "r3 new");
    xbe::xb_Unlock(3);
    xbe::xb_Go(4);
    if (!xbe::xb_Rlock(4)) return false;
    xbe::xb_Delete();
    xbe::xb_Unlock(4);
    xbe::xb_AppendBlank();
    xbe::xb_Replace("V", XB_R_CHAR, "r5");
    xbe::xb_Commit();
    xbe::xb_Close();
    return true;
  }));
  t->Next();
  EXPECT_EQ(WalkField(*t, "V"), (std::vector<std::string>{"r3 new", "r5"}));
  EXPECT_TRUE(t->Eof());
}

TW_TABLE_TESTS_BOTH_WAYS(TableWalk);

}  // namespace
