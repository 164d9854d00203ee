#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "class_library/core/Streams.h"
#include "class_library/core/StringList.h"
#include "platform/system/tests/TempDir.h"

namespace {

class Tracked : public TObject {
public:
  explicit Tracked(int* deaths) : deaths_(deaths) {}
  ~Tracked() override { ++*deaths_; }

private:
  int* deaths_;
};

TEST(TList, PointersAndIndexErrors) {
  int a = 1, b = 2, c = 3;
  TList list;
  list.Add(&a);
  list.Add(&c);
  list.Insert(1, &b);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(1), &b);
  EXPECT_EQ(list.IndexOf(&c), 2);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.Remove(&a), -1);
  list.Exchange(0, 1);
  EXPECT_EQ(list.First(), &c);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  EXPECT_EQ(list.First(), &b);
  try {
    list.Items(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(list.Insert(3, &a), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(TList().Last(), EListError);
}

TEST(TStringList, EditingAndIndexErrors) {
  TStringList list;
  list.Add("one");
  list.Add("three");
  list.Insert(1, "two");
  list.Insert(3, "four");  // at Count appends
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"one", "two", "three", "four"}));
  list.Delete(0);
  list.SetStrings(0, "TWO");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"TWO", "three", "four"}));
  list.Move(2, 0);
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"four", "TWO", "three"}));
  EXPECT_EQ(list.IndexOf("two"), 1);  // ignores case
  EXPECT_EQ(list.IndexOf("five"), -1);
  try {
    list.Strings(3);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Insert(5, "x"), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Objects(3), EStringListError);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("two"), -1);
}

TEST(TStringList, NamesAndValues) {
  TStringList list;
  list.SetText("Path=/var/spool\r\nPrinter=Kitchen\r\nplain line\r\n=orphan\r\nEmpty=\r\n");
  EXPECT_EQ(list.Names(0), "Path");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Names(3), "");
  EXPECT_EQ(list.Values("printer"), "Kitchen");  // names ignore case
  EXPECT_EQ(list.Values("Missing"), "");
  EXPECT_EQ(list.Values("Empty"), "");
  EXPECT_EQ(list.IndexOfName("EMPTY"), 4);
  EXPECT_EQ(list.ValueFromIndex(0), "/var/spool");
  EXPECT_EQ(list.IndexOfName("plain line"), -1);
  // A value may itself contain '='.
  list.SetValues("Expr", "a=b");
  EXPECT_EQ(list.Values("Expr"), "a=b");
  EXPECT_EQ(list.Count(), 6);

  // Writing changes the line in place, under the name as written now.
  list.SetValues("PRINTER", "Bar");
  EXPECT_EQ(list.Strings(1), "PRINTER=Bar");
  EXPECT_EQ(list.Count(), 6);
  // An empty value removes the line; removing a missing name changes nothing.
  list.SetValues("path", "");
  EXPECT_EQ(list.IndexOfName("Path"), -1);
  EXPECT_EQ(list.Count(), 5);
  list.SetValues("nothing", "");
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Strings(0), "PRINTER=Bar");
}

TEST(TStringList, ValuesInSortedListStayFindable) {
  TStringList list;
  list.SetSorted(true);
  list.SetValues("b", "1");
  list.SetValues("a", "2");
  list.SetValues("c", "3");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"a=2", "b=1", "c=3"}));
  // Changing a value of a sorted list works and keeps the order.
  list.SetValues("a", "9");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"a=9", "b=1", "c=3"}));
  EXPECT_EQ(list.IndexOf("a=9"), 0);
  list.SetValues("b", "");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"a=9", "c=3"}));
}

TEST(TStringList, TextSplitsAtAnyLineEnd) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"a", "b", "c", "d"}));
  list.SetText("a\r\n\r\nb\r\n");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"a", "", "b"}));
  list.SetText("\n");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  list.SetText("x\r\r\ny");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"x", "", "y"}));
  // Bytes are carried unchanged, a zero byte included.
  list.SetText(String("n\0ul\xE9", 5));
  EXPECT_EQ(list.Strings(0), String("n\0ul\xE9", 5));
  // Every line ends with CR LF, the last one too.
  list.SetText("a\nb");
  EXPECT_EQ(list.Text(), "a\r\nb\r\n");
  EXPECT_EQ(TStringList().Text(), "");
}

TEST(TStringList, CommaText) {
  TStringList list;
  list.SetCommaText("one, \"two, three\" four,,\"say \"\"hi\"\"\"");
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"one", "two, three", "four", "", "say \"hi\""}));
  EXPECT_EQ(list.CommaText(), "one,\"two, three\",four,,\"say \"\"hi\"\"\"");
  TStringList copy;
  copy.SetCommaText(list.CommaText());
  EXPECT_TRUE(copy.Equals(list));
}

TEST(TStringList, SortedOrderDuplicatesAndFind) {
  TStringList list;
  list.Add("banana");
  list.Add("Apple");
  list.Add("cherry");
  list.Add("_under");
  list.Add("10");
  list.SetSorted(true);
  // Case-insensitive natural order: punctuation, digits, then letters.
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"_under", "10", "Apple", "banana", "cherry"}));
  EXPECT_EQ(list.Add("BANANA"), 3);  // dupIgnore: the existing index
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Add("apricot"), 3);
  int index = -1;
  EXPECT_TRUE(list.Find("APPLE", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("blueberry", index));
  EXPECT_EQ(index, 5);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);

  list.SetDuplicates(dupError);
  try {
    list.Add("Cherry");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "String list does not allow duplicates");
  }
  list.SetDuplicates(dupAccept);
  list.Add("Banana");
  list.Add("BANANA");
  EXPECT_TRUE(list.Find("banana", index));
  EXPECT_EQ(index, 4);  // the first of the equal lines
  EXPECT_EQ(list.Count(), 8);
  EXPECT_EQ(list.Strings(7), "cherry");
}

TEST(TStringList, ChangingCaseSensitivityResortsSortedList) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  for (const char* s : {"b", "B", "a", "A"}) list.Add(s);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"a", "A", "b", "B"}));
  int index;
  EXPECT_TRUE(list.Find("A", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("c", index));
}

TEST(TStringList, CustomSortOnUnsortedList) {
  TStringList list;
  list.SetCommaText("3,10,2");
  list.CustomSort([](TStringList& l, int a, int b) { return std::stoi(l.Strings(a)) - std::stoi(l.Strings(b)); });
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"2", "3", "10"}));
  list.Sort();
  EXPECT_EQ(list.ToVector(), (std::vector<String>{"10", "2", "3"}));
}

TEST(TStringList, ChangeEventsAndUpdateBrackets) {
  TStringList list;
  int changes = 0, changings = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.OnChanging = [&](TObject*) { ++changings; };
  list.Add("a");
  list.SetStrings(0, "b");
  list.Delete(0);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(changings, 3);
  list.Clear();  // nothing to clear: no event
  EXPECT_EQ(changes, 3);

  changes = changings = 0;
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("x");
  list.Add("y");
  list.EndUpdate();
  EXPECT_EQ(changes, 0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(changings, 1);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(list.UpdateCount(), 0);

  // SetText and LoadFromStream announce once.
  changes = 0;
  list.SetText("1\n2\n3\n");
  EXPECT_EQ(changes, 1);
  // A failing change inside an update bracket does not leave the list updating.
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  TStringList other;
  other.SetText("1\n");
  EXPECT_THROW(list.AddStrings(other), EStringListError);
  EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(TStringList, ObjectsAndOwnership) {
  int deaths = 0;
  {
    TStringList owning(true);
    owning.AddObject("a", new Tracked(&deaths));
    owning.AddObject("b", new Tracked(&deaths));
    owning.AddObject("c", new Tracked(&deaths));
    owning.Delete(0);
    EXPECT_EQ(deaths, 1);
    owning.Move(1, 0);  // moving keeps the object alive
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(owning.Strings(0), "c");
  }
  EXPECT_EQ(deaths, 3);

  Tracked kept(&deaths);
  deaths = 0;
  {
    TStringList plain;
    plain.AddObject("k", &kept);
    EXPECT_EQ(plain.Objects(0), &kept);
    EXPECT_EQ(plain.IndexOfObject(&kept), 0);
    TStringList copy;
    copy.Assign(&plain);
    EXPECT_EQ(copy.Objects(0), &kept);
  }
  EXPECT_EQ(deaths, 0);
}

TEST(TStringList, AssignAndAddStrings) {
  TStringList a, b;
  a.SetText("x\ny\n");
  b.Add("old");
  b.Assign(&a);
  EXPECT_EQ(b.ToVector(), a.ToVector());
  b.AddStrings(b);  // adding a list to itself doubles it once
  EXPECT_EQ(b.ToVector(), (std::vector<String>{"x", "y", "x", "y"}));
  b.Assign(&b);
  EXPECT_EQ(b.Count(), 4);
  EXPECT_THROW(b.Assign(nullptr), EConvertError);
}

TEST(TStringList, FilesAndStreams) {
  TempDir dir;
  TStringList list;
  list.SetText("first\nsecond");
  list.SaveToFile(dir.File("Out.txt"));
  EXPECT_EQ(dir.Get("Out.txt"), "first\r\nsecond\r\n");

  // An existing file is found without regard to case, and saving replaces it
  // under its existing name.
  TStringList loaded;
  loaded.LoadFromFile(dir.File("OUT.TXT"));
  EXPECT_EQ(loaded.ToVector(), list.ToVector());
  loaded.Add("third");
  loaded.SaveToFile(dir.File("out.TXT"));
  EXPECT_EQ(dir.Get("Out.txt"), "first\r\nsecond\r\nthird\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.TXT")));

  {
    std::ofstream(dir.File("mixed.txt"), std::ios::binary) << "a\nb\r\nc\rd";
  }
  loaded.LoadFromFile(dir.File("mixed.txt"));
  EXPECT_EQ(loaded.ToVector(), (std::vector<String>{"a", "b", "c", "d"}));

  try {
    loaded.LoadFromFile(dir.File("missing.txt"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(String(e.what()).find("Cannot open file \"" + dir.File("missing.txt") + "\""), String::npos);
  }
  try {
    list.SaveToFile(dir.File("no/such/dir.txt"));
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(String(e.what()).find("Cannot create file \"" + dir.File("no/such/dir.txt") + "\""), String::npos);
  }
  // A failed load leaves the lines alone.
  EXPECT_EQ(loaded.Count(), 4);

  TStringStream stream("skip|one\r\ntwo");
  stream.SetPosition(5);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.ToVector(), (std::vector<String>{"one", "two"}));
  TMemoryStream out;
  loaded.SaveToStream(out);
  EXPECT_EQ(String(out.Memory(), static_cast<size_t>(out.Size())), "one\r\ntwo\r\n");
}

}  // namespace
