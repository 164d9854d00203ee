#pragma once
// One index order (an .NTX or .IDX file, or one tag of a compound file): its
// description and the tree operations on it. Two tree shapes exist: the
// B-tree of .NTX files (keys in every page) and the B+ tree of the other
// formats (keys in the leaves, each interior entry holding the highest key
// of its child). Entries are ordered by key (the order's comparison, reversed
// for a descending order) and then by record number, so every entry is
// unique and can be found again exactly.
//
// Damaged files never make these loop: descents stop at kMaxDepth levels,
// walks check that every step moves strictly forward, and counting visits at
// most as many pages as the file holds.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "xbase_engine/index/IndexKey.h"
#include "xbase_engine/index/PageStore.h"

namespace xbe::idx {

constexpr int kMaxDepth = 32;

// A position in an order: the path from the root (page offset, index).
struct Cursor {
  std::vector<std::pair<uint32_t, int>> path;
  std::string key;  // the entry's key and record, kept to find it again
  uint32_t rec = 0;
  uint32_t seen = 0;  // store counter when the position was taken
  bool valid = false;
  // The decoded node of path.back(), while the store's countEpoch is still
  // nodeEpoch (any change of a cached node, or a cleared cache, moves it):
  // a walk's step needs no look-up of its page.
  Node* node = nullptr;
  uint64_t nodeEpoch = 0;
  void Reset() {
    path.clear();
    valid = false;
    node = nullptr;
  }
};

// Entries of a build, sorted: key bytes then the record number.
struct Entries {
  int keyLen = 0;
  std::vector<uint8_t> keys;
  std::vector<uint32_t> recs;
  size_t size() const { return recs.size(); }
  const uint8_t* Key(size_t i) const { return keys.data() + i * size_t(keyLen); }
};

class Order {
 public:
  // store: the pages of the index file that holds the order.
  Order(PageStore& store, int tag, bool bplus) : store_(store), tag_(tag), bplus_(bplus) {}
  virtual ~Order() = default;
  Order(const Order&) = delete;
  Order& operator=(const Order&) = delete;

  PageStore& Store() { return store_; }
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  bool BPlus() const { return bplus_; }

  // ---- description ----
  std::string name;      // tag name, or the file's base name
  std::string keyExpr;
  std::string forExpr;
  KeyFormat fmt;
  bool unique = false;
  bool descending = false;
  KeyCompare compare;
  uint32_t root = 0;
  uint32_t headerOffset = 0;
  bool headerDirty = false;
  // What the work area keeps for this order (its compiled key); set each
  // time the order is bound.
  void* areaData = nullptr;

  // ---- reading (inside the file's read or write bracket) ----
  bool First(Cursor& c);
  bool Last(Cursor& c);
  bool Next(Cursor& c);
  bool Prev(Cursor& c);
  // A walk's usual step, in two parts: the entry delta (1 or -1) places on
  // within the cursor's leaf page, when the cursor's node is still current
  // and the view of the file has not changed since the cursor was placed
  // (false otherwise: the caller takes the general way). The entry is checked
  // to sort after (before) the cursor's. MoveNear then places the cursor on it.
  bool Near(const Cursor& c, int delta, const uint8_t*& key, uint32_t& rec);
  void MoveNear(Cursor& c, int delta, const uint8_t* key, uint32_t rec);
  // The first entry at or after (key[0..len), rec); false when none.
  bool Seek(const uint8_t* key, size_t len, uint32_t rec, Cursor& c);
  int64_t Count();
  int64_t Rank(const Cursor& c);  // entries before the cursor's entry
  bool Select(int64_t k, Cursor& c);
  // (key, rec) compared with the order's entry ordering; len may be shorter
  // than the key (a prefix).
  int Compare(const uint8_t* a, uint32_t ra, const uint8_t* b, size_t len, uint32_t rb) const;

  // ---- writing (inside the file's write bracket) ----
  // False when the entry is there already (or, for a unique order, its key).
  bool Insert(const std::string& key, uint32_t rec);
  bool Remove(const std::string& key, uint32_t rec);

  // ---- pages (format specific) ----
  virtual std::unique_ptr<Node> Decode(const uint8_t* page, uint32_t offset) = 0;
  virtual void Encode(const Node& n, uint8_t* page) = 0;
  // Whether the node fits one page.
  virtual bool Fits(const Node& n) const = 0;
  // Entry i of leaf n was just inserted; the size measure the leaf had before
  // is given (sizeVar -1: none). Formats that measure leaves update it.
  virtual void Inserted(Node& n, int i, int32_t sizeVar) const { (void)n, (void)i, (void)sizeVar; }
  // Entry i of leaf n is about to be erased: answers the size measure the
  // leaf will have without it (-1: none).
  virtual int32_t Erasing(const Node& n, int i) const {
    (void)n, (void)i;
    return -1;
  }
  // Bulk building of B+ leaves: the bytes a leaf offers and the bytes an
  // entry takes after prev (nullptr for the first), with maxRec the highest
  // record number of the build.
  virtual size_t LeafRoom(uint32_t maxRec) const = 0;
  virtual size_t LeafCost(const uint8_t* prev, const uint8_t* key, uint32_t maxRec) const = 0;
  // A page given back (B+ trees); the default leaves it unused.
  virtual void FreePage(uint32_t) {}

  Node* Load(uint32_t offset);
  Node* NewNode(bool leaf);
  void Dirty(Node* n);

 protected:
  PageStore& store_;
  int tag_;
  bool bplus_;

 private:
  bool Forward(Cursor& c);   // settle on the entry at or after the path's end
  bool Backward(Cursor& c);  // settle on the entry before the path's end
  void DescendFirst(Cursor& c, uint32_t off);
  void DescendLast(Cursor& c, uint32_t off);
  bool Settle(Cursor& c);    // fill key/rec from the path
  bool StepInLeaf(Cursor& c, Node& n, int delta);
  // The node of c.path.back(): the one the cursor keeps when still current.
  Node* PathNode(Cursor& c);
  bool Moved(const Cursor& before, const Cursor& after, bool forward) const;
  Cursor& Before(const Cursor& c);
  Cursor before_;
  int Lower(const Node& n, const uint8_t* key, size_t len, uint32_t rec) const;
  int LowerIn(const uint8_t* keys, const uint32_t* recs, int n, const uint8_t* key, size_t len, uint32_t rec) const;
  // Searches through SeekRefs (see PageStore.h).
  const SeekRef* RootRef(uint64_t epoch);
  const SeekRef* Child(const SeekRef& parent, int i, uint64_t epoch);
  void Take(SeekRef& r, Node* n, uint64_t epoch);
  bool SettleAt(Cursor& c, const SeekRef& r, int i);
  bool SeekByPages(const uint8_t* key, size_t len, uint32_t rec, Cursor& c);
  SeekRef rootRef_;
  int64_t CountOf(uint32_t off, int depth, int64_t& budget);
  void SplitBTree(std::vector<std::pair<uint32_t, int>>& path, size_t level);
  void SplitBPlus(std::vector<std::pair<uint32_t, int>>& path, size_t level);
  int LeafSplit(const Node& n) const;
  void RaiseSeparators(const std::vector<std::pair<uint32_t, int>>& path, const uint8_t* key, uint32_t rec);
  bool RemoveBTree(const std::string& key, uint32_t rec);
  bool RemoveBPlus(const std::string& key, uint32_t rec);
};

// Sorts entries (key then record; keys descending for a descending order)
// and, for a unique order, keeps the first entry of every key.
void SortEntries(Entries& e, bool descending, bool unique, const KeyCompare& compare);

// Builds the pages of a tree over sorted entries, bottom-up. Pages are
// allocated through alloc (called in file order); answers the nodes with the
// root last.
std::vector<std::unique_ptr<Node>> BuildTree(Order& o, const Entries& e, int maxKeys,
                                             const std::function<uint32_t()>& alloc);

}  // namespace xbe::idx
