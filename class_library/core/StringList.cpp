#include "class_library/core/StringList.h"

#include <algorithm>
#include <numeric>

#include "class_library/core/Streams.h"
#include "class_library/core/SysUtils.h"
#include "platform/system/TextFile.h"

namespace {

[[noreturn]] void ListIndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

[[noreturn]] void StringListIndexError(int index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

[[noreturn]] void SortedListError() { throw EStringListError("Operation not allowed on sorted list"); }

// Restores the update count even when a change in between raises.
class UpdateGuard {
public:
  explicit UpdateGuard(TStrings& s) : s_(s) { s_.BeginUpdate(); }
  ~UpdateGuard() { s_.EndUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;

private:
  TStrings& s_;
};

}  // namespace

// ---------------------------------------------------------------- TList

void TList::Check(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
}

int TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) ListIndexError(index);
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
  Check(index);
  items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void TList::Clear() { items_.clear(); }

void* TList::Items(int index) const {
  Check(index);
  return items_[static_cast<size_t>(index)];
}

void TList::SetItems(int index, void* item) {
  Check(index);
  items_[static_cast<size_t>(index)] = item;
}

int TList::IndexOf(void* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  Check(index1);
  Check(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  Check(curIndex);
  Check(newIndex);
  void* item = items_[static_cast<size_t>(curIndex)];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

// ---------------------------------------------------------------- TStrings

void TStrings::SetStrings(int index, const String& s) {
  TObject* obj = Objects(index);
  UpdateGuard guard(*this);
  SetObjects(index, nullptr);  // the object stays with the line
  Delete(index);
  InsertObject(index, s, obj);
}

TObject* TStrings::Objects(int index) const {
  (void)index;
  return nullptr;
}

void TStrings::SetObjects(int index, TObject* obj) {
  (void)index;
  (void)obj;
}

void TStrings::InsertObject(int index, const String& s, TObject* obj) {
  Insert(index, s);
  SetObjects(index, obj);
}

int TStrings::Add(const String& s) { return AddObject(s, nullptr); }

int TStrings::AddObject(const String& s, TObject* obj) {
  const int index = Count();
  InsertObject(index, s, obj);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  UpdateGuard guard(*this);
  const int n = strings.Count();  // fixed before adding, so adding a list to itself ends
  for (int i = 0; i < n; ++i) AddObject(strings.Strings(i), strings.Objects(i));
}

std::vector<String> TStrings::ToVector() const {
  std::vector<String> lines;
  for (int i = 0; i < Count(); ++i) lines.push_back(Strings(i));
  return lines;
}

void TStrings::AssignVector(const std::vector<String>& lines) {
  Clear();
  for (const String& line : lines) Add(line);
}

void TStrings::Exchange(int index1, int index2) {
  UpdateGuard guard(*this);
  const String s1 = Strings(index1);
  TObject* o1 = Objects(index1);
  const String s2 = Strings(index2);
  TObject* o2 = Objects(index2);
  SetStrings(index1, s2);
  SetObjects(index1, o2);
  SetStrings(index2, s1);
  SetObjects(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  UpdateGuard guard(*this);
  const String s = Strings(curIndex);
  TObject* obj = Objects(curIndex);
  SetObjects(curIndex, nullptr);  // an owning list must not free what moves
  Delete(curIndex);
  InsertObject(newIndex, s, obj);
}

int TStrings::CompareStrings(const String& a, const String& b) const { return AnsiCompareText(a, b); }

int TStrings::IndexOf(const String& s) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (CompareStrings(Strings(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const String& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    const String line = Strings(i);
    const size_t eq = line.find('=');
    if (eq != String::npos && CompareStrings(line.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (Objects(i) == obj) return i;
  return -1;
}

String TStrings::Names(int index) const {
  const String line = Strings(index);
  const size_t eq = line.find('=');
  return eq == String::npos ? String() : line.substr(0, eq);
}

String TStrings::ValueFromIndex(int index) const {
  const String line = Strings(index);
  const size_t eq = line.find('=');
  return eq == String::npos ? String() : line.substr(eq + 1);
}

String TStrings::Values(const String& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? String() : ValueFromIndex(index);
}

void TStrings::SetValues(const String& name, const String& value) {
  int index = IndexOfName(name);
  if (!value.empty()) {
    if (index < 0) {
      // A sorted list places the new line by its text, so add it whole.
      Add(name + "=" + value);
      return;
    }
    ReplaceLine(index, name + "=" + value);
  } else if (index >= 0) {
    Delete(index);
  }
}

String TStrings::Text() const {
  String text;
  for (int i = 0, n = Count(); i < n; ++i) {
    text += Strings(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const String& text) {
  UpdateGuard guard(*this);
  Clear();
  for (const String& line : sys::SplitTextLines(text)) Add(line);
}

String TStrings::CommaText() const {
  const int n = Count();
  if (n == 1 && Strings(0).empty()) return "\"\"";
  String text;
  for (int i = 0; i < n; ++i) {
    const String s = Strings(i);
    const bool quote = std::any_of(s.begin(), s.end(), [](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
    });
    if (i > 0) text += ',';
    text += quote ? AnsiQuotedStr(s, '"') : s;
  }
  return text;
}

void TStrings::SetCommaText(const String& text) {
  auto blank = [&](size_t p) { return p < text.size() && static_cast<unsigned char>(text[p]) <= ' '; };
  UpdateGuard guard(*this);
  Clear();
  size_t p = 0;
  while (blank(p)) ++p;
  while (p < text.size()) {
    String s;
    if (text[p] == '"') {
      ++p;
      while (p < text.size()) {
        if (text[p] == '"') {
          if (p + 1 < text.size() && text[p + 1] == '"') {
            s += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        s += text[p++];
      }
    } else {
      const size_t start = p;
      while (p < text.size() && !blank(p) && text[p] != ',') ++p;
      s = text.substr(start, p - start);
    }
    Add(s);
    while (blank(p)) ++p;
    if (p < text.size() && text[p] == ',') {
      do {
        ++p;
      } while (blank(p));
    }
  }
}

void TStrings::LoadFromFile(const String& fileName) {
  String bytes;
  try {
    bytes = sys::ReadFileBytes(fileName);
  } catch (const sys::FileError& e) {
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(e.ErrorCode()));
  }
  SetText(bytes);
}

void TStrings::SaveToFile(const String& fileName) {
  // The file is replaced whole (temporary file, then rename), so a reader
  // never sees half of it and a failed write keeps the old content.
  try {
    sys::WriteFileAtomic(fileName, Text());
  } catch (const sys::FileError& e) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(e.ErrorCode()));
  }
}

void TStrings::LoadFromStream(TStream& stream) {
  const int64_t size = stream.Size() - stream.Position();
  String bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  SetText(bytes);
}

void TStrings::SaveToStream(TStream& stream) const {
  const String text = Text();
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::Assign(TPersistent* source) {
  if (auto* strings = dynamic_cast<TStrings*>(source)) {
    if (strings == this) return;
    UpdateGuard guard(*this);
    Clear();
    AddStrings(*strings);
    return;
  }
  TPersistent::Assign(source);
}

bool TStrings::Equals(const TStrings& other) const {
  const int n = Count();
  if (n != other.Count()) return false;
  for (int i = 0; i < n; ++i)
    if (Strings(i) != other.Strings(i)) return false;
  return true;
}

void TStrings::ReplaceLine(int index, const String& line) { SetStrings(index, line); }

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  if (updateCount_ == 0) SetUpdateState(false);
}

// ---------------------------------------------------------------- TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_)
    for (Item& item : items_) delete item.object;
}

void TStringList::Check(int index) const {
  if (index < 0 || index >= Count()) StringListIndexError(index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const String& a, const String& b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

String TStringList::Strings(int index) const {
  Check(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::SetStrings(int index, const String& s) {
  if (sorted_) SortedListError();
  Check(index);
  Changing();
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

TObject* TStringList::Objects(int index) const {
  Check(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::SetObjects(int index, TObject* obj) {
  Check(index);
  Changing();
  items_[static_cast<size_t>(index)].object = obj;
  Changed();
}

void TStringList::InsertItem(int index, const String& s, TObject* obj) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, obj});
  Changed();
}

void TStringList::Insert(int index, const String& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const String& s, TObject* obj) {
  if (sorted_) SortedListError();
  if (index < 0 || index > Count()) StringListIndexError(index);
  InsertItem(index, s, obj);
}

int TStringList::AddObject(const String& s, TObject* obj) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    switch (duplicates_) {
      case dupIgnore: return index;
      case dupError: throw EStringListError("String list does not allow duplicates");
      case dupAccept: break;
    }
  }
  InsertItem(index, s, obj);
  return index;
}

void TStringList::Delete(int index) {
  Check(index);
  Changing();
  TObject* obj = items_[static_cast<size_t>(index)].object;
  items_.erase(items_.begin() + index);
  // Freed after the line is gone, so its destructor sees a consistent list.
  if (ownsObjects_) delete obj;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  if (ownsObjects_)
    for (Item& item : old) delete item.object;
  Changed();
}

void TStringList::ReplaceLine(int index, const String& line) {
  if (!sorted_) {
    SetStrings(index, line);
    return;
  }
  // A sorted list refuses changes in place: the line moves to where its new
  // text belongs, keeping its object (which is not freed on the way).
  Check(index);
  Changing();
  Item item{line, items_[static_cast<size_t>(index)].object};
  items_.erase(items_.begin() + index);
  int at = 0;
  Find(line, at);
  items_.insert(items_.begin() + at, std::move(item));
  Changed();
}

bool TStringList::Find(const String& s, int& index) const {
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(items_[static_cast<size_t>(mid)].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const String& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::SortItems(const std::function<bool(const Item&, const Item&)>& less) {
  if (items_.size() < 2) return;
  Changing();
  std::stable_sort(items_.begin(), items_.end(), less);
  Changed();
}

void TStringList::Sort() {
  if (sorted_) return;  // a sorted list is in order already
  SortItems([this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (sorted_ || items_.size() < 2) return;
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  // The order changes with the comparison: a sorted list must be re-sorted or
  // Find would search it in the wrong order.
  if (sorted_) SortItems([this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
}
