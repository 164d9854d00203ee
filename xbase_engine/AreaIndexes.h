#pragma once
// The index files of one work area: the orders they hold (numbered from 1
// in the order the files were opened), the controlling order, its scope,
// seeks, and the upkeep of every open order when the table changes.
//
// A position in the controlling order is never trusted across calls: each
// move finds the current record's entry again (from its key) unless the
// remembered one is still valid, so moves by other processes, physical Go
// and changes of the record itself are all taken into account.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xbase_engine/RecordBits.h"
#include "xbase_engine/RecordObserver.h"
#include "xbase_engine/Settings.h"
#include "xbase_engine/TableExpression.h"
#include "xbase_engine/index/IndexFile.h"

namespace xbe {
class Table;
}

namespace xbe::idx {

class AreaIndexes final : public RecordObserver {
 public:
  // tableType: the engine's table type code (1 NTX, 2 FOX, 3/4 NSX; 0 as 2).
  AreaIndexes(Table& t, int tableType, const Settings& s);
  ~AreaIndexes() override;

  // ---- files ----
  // Opens the production index (.CDX of FOX tables, .NSX of NSX tables) when
  // it exists. One that needs a rebuild while an encrypted table lacks its
  // key (always so at open) is left out, untouched, until KeyGiven.
  void OpenProduction();
  // Opens an index file (the table type's extension added when the name has
  // none; a relative name is taken beside the table). Answers the number of
  // its first order; a file already open answers its first order again.
  // An index left needing a rebuild by a writer that died is rebuilt when
  // repair is set and the table may be written; otherwise refused.
  int OpenFile(const std::string& name, bool repair = true);
  // xb_Index: a new index file with one order; answers its order number.
  int CreateIndex(const std::string& file, const std::string& expr, const std::string& cond, bool unique,
                  bool descending);
  // xb_IndexTag: a tag in a compound file (the production index when file is
  // empty; an NTX table makes an .NTX file of the tag's name). Answers its
  // order number.
  int CreateTag(const std::string& file, const std::string& tag, const std::string& expr,
                const std::string& cond, bool unique, bool descending);
  void CloseCurrentFile();
  void CloseAll();
  void Reindex();
  bool DeleteTag(const std::string& tag);
  // The table's password was accepted: a production index left out at open
  // because it needed a rebuild (see OpenProduction) is rebuilt and opened,
  // first among the files.
  void KeyGiven();

  // The table type code and the open index files in opening order: what
  // opens the same indexes on the table rewritten by a conversion.
  int TableType() const { return tableType_; }
  std::vector<std::string> FilePaths() const;
  // True when st describes one of the open index files.
  bool UsesFile(const struct stat& st) const;

  // ---- orders ----
  int Count() const;
  int CurrentOrder() const { return current_; }
  // Answers the previous order; an order number that does not exist leaves
  // the order unchanged.
  int SetOrder(int n);
  std::string FileName(int n) const;
  std::string TagName(int n) const;
  int TagArea(const std::string& tag) const;
  std::string KeyExpression() const;
  std::string KeyFields();
  std::string Condition() const;
  int Type() const;
  bool Descending() const;
  bool Flip();
  int KeyLength() const;

  // ---- search ----
  bool Seek(const std::string& text, bool raw);
  bool Found() const { return found_; }
  bool SetScope(const char* low, const char* high);
  std::string Scope(int which) const;
  // Key of the current record in the current order, as text.
  std::string KeyData();
  // Adds or drops the current record's key (or the key given, as text) in
  // the order of the tag (the current order when tag is empty).
  bool KeyAdd(const std::string& tag, const std::string* key);
  bool KeyDrop(const std::string& tag, const std::string* key);
  int OrderRecNo();

  // ---- queries (AreaQuery.cpp) ----
  // Adds to out the records whose key lies within range in the first order
  // that can answer it: its key expression is range.key, it has no FOR
  // condition, is not unique, has keys of range.type and (text) compares in
  // machine order. False when no order can.
  bool KeyRangeRecords(const expr::KeyRange& range, RecordBits& out);

  // ---- RecordObserver ----
  void BeforeChange(Table& t) override;
  void AfterWrite(Table& t, uint32_t rec) override;
  void AfterAppend(Table& t, uint32_t rec) override;
  void AfterFlush(Table& t) override;
  void AfterRenumber(Table& t) override;
  bool GoTop(Table& t) override;
  bool GoBottom(Table& t) override;
  bool Skip(Table& t, int64_t distance) override;
  bool OrderPos(Table& t, double& pos) override;
  bool SetOrderPos(Table& t, double pos, bool& ok) override;

 private:
  struct Bound;
  struct Slot {
    IndexFile* file = nullptr;
    Order* order = nullptr;
    Bound* bound = nullptr;
  };
  struct OpenFileEntry {
    std::unique_ptr<IndexFile> file;
  };

  Slot At(int n) const;
  Slot Cur() const { return At(current_); }
  Bound& BoundFor(IndexFile& f, Order& o) const;
  Bound& Of(IndexFile& f, Order& o) const;  // the bound order, found fast
  static KeyCompare CompareFor(const KeyFormat& f);
  void Bind(IndexFile& f);  // orders learn their key types from the work area
  void Attach(IndexFile& f);
  std::string PathFor(const std::string& name, bool compound) const;
  FileKind SingleKind() const;
  FileKind CompoundKind() const;
  int WaitMs() const;
  // An encrypted table without its key shows masked records: no index may be
  // built or changed from them. KeyMissing tells; RefuseWithoutKey throws.
  bool KeyMissing() const;
  void RefuseWithoutKey() const;
  void BuildFile(IndexFile& f, const std::vector<OrderSpec>& specs);
  // The orders of f as specs; keepCollation keeps each character order's
  // collation, else they take the active one (a reindex).
  std::vector<OrderSpec> SpecsOf(IndexFile& f, const Order* except, bool keepCollation = true) const;
  OrderSpec SpecFor(const std::string& name, const std::string& expr, const std::string& cond, bool unique,
                    bool descending, bool binary);
  void FirstOrderOf(IndexFile* f, int& n) const;

  template <class F>
  bool Guarded(F&& move);
  bool GoEndBody(Table& t, bool top);
  bool SkipBody(Table& t, int64_t distance);
  // The usual step of a walk, one entry on within the current leaf page
  // when nothing changed since the current record was found there; false
  // (nothing changed) leaves the step to SkipBody.
  bool StepNear(Table& t, bool forward);
  bool SeekBody(const std::string& text, bool raw);
  // Navigation helpers (inside a read of the current file).
  bool Locate(const Slot& s, Cursor& c, bool& onEntry);
  bool Step(const Slot& s, Cursor& c, bool forward);
  bool InScope(const Slot& s, const Cursor& c, bool forward) const;
  bool BeforeScope(const Slot& s, const Cursor& c) const;
  bool StartAt(const Slot& s, Cursor& c, bool top);
  bool Land(const Slot& s, Cursor& c, bool forward);
  void StandOn(const Slot& s, Cursor& c);
  // Asks the processor for the records a walk from c will land on next.
  void Ahead(const Slot& s, const Cursor& c, bool physForward);
  void StandEof(bool bof);
  int64_t ScopeRank(const Slot& s, bool top, int64_t& count);
  // Record positions among the entries a walk shows (inside a read).
  struct ShownPlace {
    int64_t count = 0;     // entries of the scope a walk shows
    int64_t before = 0;    // ... physically before the current record's place
    bool current = false;  // the current record is one of them
  };
  bool Hides() const;  // a filter or hidden deleted records may pass over entries
  ShownPlace ShownAround(const Slot& s);
  bool ShownAt(const Slot& s, int64_t k, int64_t count, Cursor& c);
  int64_t ShownCount(const Slot& s);
  void ChangeKeys(Table& t, uint32_t rec, bool appended);
  bool ChangeOneKey(const std::string& tag, const std::string* given, bool add);
  expr::Row RowOf(Table& t) const;

  Table& t_;
  int tableType_;
  const Settings& s_;
  std::vector<OpenFileEntry> files_;
  mutable std::map<std::pair<const IndexFile*, std::string>, std::unique_ptr<Bound>> bound_;
  std::unique_ptr<TableSource> fields_;
  int current_ = 0;
  bool found_ = false;
  Cursor cur_;
  Cursor work_;         // the position being found (swapped into cur_)
  std::string keyBuf_;  // a key being made
  const Order* curOrder_ = nullptr;
  uint32_t curRec_ = 0;
  std::string pendingProduction_;  // path of a production index awaiting the key
};

// Creates the work area's index set and hands it to the table; opens the
// production index.
void AttachIndexes(Table& t, int tableType, const Settings& s);
// The index set of a table (every table of a work area has one).
AreaIndexes& IndexesOf(Table& t);

// What the work area keeps for each order it uses: the compiled key and
// condition, the scope and the stored keys of the record being changed.
// Defined here because the sources of the index set share it.
struct AreaIndexes::Bound {
  std::string keyText, condText;
  std::unique_ptr<expr::Expression> key, cond;
  // scope, as given and as key bytes in physical order
  bool hasLow = false, hasHigh = false;
  std::string lowText, highText, low, high;
  bool flipped = false;
  // the stored keys of the record being changed
  bool haveOld = false, oldIn = false;
  std::string oldKey;
  // the order's comparison, taken once
  bool compareSet = false;
  char compareType = 0;
  KeyCompare compare;
};

}  // namespace xbe::idx

namespace xbe {

// Refuses ("File is in use") to write path when it is a file an open work
// area uses: its table, its memo file or one of its index files, compared by
// device and inode, so that no other name, link or case spelling of it gets
// past. Every call that writes a file asks this before touching it. A name
// that does not exist yet is free. indexesOf: the table whose index file is
// being built; the index files of that same table (in any work area) stay
// its own to rebuild.
void RefuseFileInUse(const std::string& path, const Table* indexesOf = nullptr);

}  // namespace xbe
