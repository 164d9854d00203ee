#pragma once
// Lists: TList of untyped pointers, the abstract string list TStrings and its
// ordinary implementation TStringList (optionally sorted, with objects).
#include <functional>
#include <vector>

#include "class_library/core/Exceptions.h"
#include "class_library/core/Persistent.h"
#include "class_library/core/Types.h"

class TStream;

// ---------------------------------------------------------------- TList

class TList : public TObject {
public:
  using TListSortCompare = std::function<int(void* a, void* b)>;

  String ClassName() const override { return "TList"; }

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Removes the first occurrence; returns its former index or -1.
  int Remove(void* item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  void* Items(int index) const;
  void SetItems(int index, void* item);
  int IndexOf(void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }
  void Sort(const TListSortCompare& compare);

private:
  void Check(int index) const;
  std::vector<void*> items_;
};

// ---------------------------------------------------------------- TStrings

enum TDuplicates { dupIgnore, dupAccept, dupError };

// An ordered list of lines, each with an associated object pointer. Lines of
// the form "name=value" can be read and written by name.
class TStrings : public TPersistent {
public:
  String ClassName() const override { return "TStrings"; }

  virtual int Count() const = 0;
  // EStringListError "List index out of bounds (<n>)" for a bad index.
  virtual String Strings(int index) const = 0;
  virtual void SetStrings(int index, const String& s);
  virtual TObject* Objects(int index) const;
  virtual void SetObjects(int index, TObject* obj);
  virtual void Insert(int index, const String& s) = 0;
  virtual void InsertObject(int index, const String& s, TObject* obj);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  virtual int Add(const String& s);
  virtual int AddObject(const String& s, TObject* obj);
  void AddStrings(const TStrings& strings);
  // The lines alone (a string list property in a form resource), and the
  // lines replaced by these (cleared, then added one by one).
  std::vector<String> ToVector() const;
  void AssignVector(const std::vector<String>& lines);
  void Append(const String& s) { Add(s); }
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);

  // Finds lines without regard to case (unless the list is case-sensitive).
  virtual int IndexOf(const String& s) const;
  int IndexOfName(const String& name) const;
  int IndexOfObject(const TObject* obj) const;

  // "name" of a "name=value" line; "" for a line without '='.
  String Names(int index) const;
  // The value of the first line named name ("" when there is none).
  String Values(const String& name) const;
  // Changes the value of the line named name, appends "name=value" when there
  // is none; an empty value removes the line.
  void SetValues(const String& name, const String& value);
  String ValueFromIndex(int index) const;

  // Every line followed by CR LF. A list that keeps its lines as one text
  // (a memo's) reads and writes it whole rather than line by line.
  virtual String Text() const;
  // Replaces the lines; the text is split at CR LF, LF or CR, and a final line
  // end does not add an empty line.
  virtual void SetText(const String& text);
  // Comma-separated, a line with blanks, commas or quotes in double quotes.
  String CommaText() const;
  void SetCommaText(const String& text);

  void LoadFromFile(const String& fileName);  // EFOpenError naming the file
  void SaveToFile(const String& fileName);    // EFCreateError naming the file
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  // Copies the lines and objects of another TStrings.
  void Assign(TPersistent* source) override;
  bool Equals(const TStrings& other) const;

  // Between BeginUpdate and the matching EndUpdate no change is announced;
  // the outermost pair announces one (OnChanging at the start, OnChange at the end).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

protected:
  // Compares two lines the way IndexOf, IndexOfName and sorting do.
  virtual int CompareStrings(const String& a, const String& b) const;
  // Told when updating starts (true) and ends (false).
  virtual void SetUpdateState(bool updating) { (void)updating; }
  // Puts a changed "name=value" line in place of line index.
  virtual void ReplaceLine(int index, const String& line);

private:
  int updateCount_ = 0;
};

// ---------------------------------------------------------------- TStringList

class TStringList : public TStrings {
public:
  using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

  TStringList() = default;
  explicit TStringList(bool ownsObjects) : ownsObjects_(ownsObjects) {}
  ~TStringList() override;
  String ClassName() const override { return "TStringList"; }

  int Count() const override { return static_cast<int>(items_.size()); }
  String Strings(int index) const override;
  // On a sorted list EStringListError "Operation not allowed on sorted list".
  void SetStrings(int index, const String& s) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* obj) override;
  void Insert(int index, const String& s) override;
  void InsertObject(int index, const String& s, TObject* obj) override;
  void Delete(int index) override;
  void Clear() override;
  // A sorted list puts the line in its place; a duplicate is ignored (the
  // existing index is returned), accepted, or refused with EStringListError
  // "String list does not allow duplicates", as Duplicates says.
  int AddObject(const String& s, TObject* obj) override;
  int IndexOf(const String& s) const override;

  // Binary search of a sorted list: true when found; index is where s is or
  // would be inserted (the first of equal lines when duplicates are accepted).
  bool Find(const String& s, int& index) const;
  void Sort();
  void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  // An owning list frees the objects of lines it deletes, and all when freed.
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  int CompareStrings(const String& a, const String& b) const override;
  void SetUpdateState(bool updating) override;
  void ReplaceLine(int index, const String& line) override;
  virtual void Changed();
  virtual void Changing();

private:
  struct Item {
    String text;
    TObject* object = nullptr;
  };
  void Check(int index) const;
  void InsertItem(int index, const String& s, TObject* obj);
  void SortItems(const std::function<bool(const Item&, const Item&)>& less);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  TDuplicates duplicates_ = dupIgnore;
};
