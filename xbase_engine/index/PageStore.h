#pragma once
// The pages of one open index file, shared safely between processes.
//
// Readers take no lock. Every index file keeps a change counter in its header
// (the writers' sequence number): a writer takes the index lock, sets the
// counter to an odd value, writes its pages, then sets it to the next even
// value and releases the lock. A reader notes the counter (even) before it
// decodes a page from the shared mapping and checks it again afterwards; a
// change means a writer was at work, and the reader's operation starts over on
// the new state. So a reader never acts on a half-written page, and it pays no
// system call while nobody writes.
//
// Pages are copied out of the mapping through FileMapping, so a file cut
// short by another program costs a read error ("Damaged index (file cut
// short)"), never the process: the fault of a page the file no longer reaches
// is caught, and what the file still holds is read again with pread. (A
// file whose last byte is zero costs a size check per read: a cut inside the
// last memory page raises no fault.)
//
// Decoded pages are kept (the node cache) while the counter stays the same;
// a changed counter empties the cache. A counter left odd with nobody holding
// the index lock means a writer died in the middle of a write: the index is
// then reported as needing a rebuild, never read.
//
// Writers hold the index lock (a write lock on kIndexLockByte of the index
// file, an open-file-description lock like the table's) for one key change
// only. In batched use (exclusive table, or the table's file lock at commit
// level none) no other process can change the table, so no lock is taken and
// changed pages stay in the cache until the table's changes are written.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "xbase_engine/Dbf.h"
#include "xbase_engine/FileMapping.h"
#include "xbase_engine/Posix.h"

namespace xbe::idx {

constexpr uint32_t kNoPage = 0xFFFFFFFFu;

constexpr uint64_t kIndexLockByte = (uint64_t(1) << 32) + 8;

// Asks the processor for [p, p + n) (a hint: reads nothing, cannot fault).
// Given as the instruction on x86: the compiler's own prefetch counts as free
// of effects and may be dropped with the function it is in.
inline void PrefetchBytes(const void* p, size_t n) noexcept {
  if (n == 0) return;
  // Every line the bytes touch, the last one included.
  const uintptr_t end = reinterpret_cast<uintptr_t>(p) + n;
  for (uintptr_t at = reinterpret_cast<uintptr_t>(p) & ~uintptr_t(63); at < end; at += 64) {
    const auto* b = reinterpret_cast<const uint8_t*>(at);
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*b));
#else
    __builtin_prefetch(b);
#endif
  }
}

struct Node;

// One page as a search through the tree sees it: where its keys and record
// numbers lie and, for an interior page, the same for each of its children.
// A search that follows these waits for memory once per level (the bytes of
// a page are asked for together the moment its reference is read) instead
// of once for the page's look-up, once for the node and once for each of its
// arrays. A reference holds for the countEpoch of the store it was taken in:
// any change of a cached node, or a cleared cache, makes them all stale at
// once (and each is taken again when a search next passes).
struct SeekRef {
  const uint8_t* keys = nullptr;
  const uint32_t* recs = nullptr;
  SeekRef* refs = nullptr;  // an interior page: its children (refs[i] for kids[i])
  Node* node = nullptr;
  uint64_t epoch = 0;       // 0: never taken
  uint32_t offset = 0;
  int32_t n = 0;
  bool leaf = false;
};

// A decoded index page. Keys are kept back to back, keyLen bytes each.
//  B-tree (.NTX): kids has n + 1 entries, kids[i] left of key i (0 = none).
//  B+ tree: interior nodes have one kid per key (the key is the highest key
//  of that kid); leaves have none.
//  What a search looks at (tag, kind, keys, record numbers) shares the
//  node's first cache line: a search through pages not in the processor's
//  cache waits for memory once less per page.
struct alignas(64) Node {
  uint32_t offset = 0;
  int tag = 0;               // which order of the file the node belongs to
  int keyLen = 0;
  bool leaf = true;
  bool dirty = false;        // changed since written (listed once in the store)
  std::vector<uint8_t> keys;
  std::vector<uint32_t> recs;
  std::vector<uint32_t> kids;
  uint32_t left = kNoPage;   // B+ siblings
  uint32_t right = kNoPage;
  int64_t count = -1;        // entries in the subtree, -1 unknown
  uint64_t countEpoch = 0;
  // The format's running measure of a leaf's encoded size (what its keys
  // take beyond the fixed part), kept so that a change of one entry need not
  // measure the whole leaf again; -1: unknown. Every change of the entries
  // other than one the order accounts for (Order::Inserted, Erasing) drops it.
  mutable int32_t sizeVar = -1;
  // The children as searches see them (interior pages).
  std::vector<SeekRef> refs;

  int n() const { return int(recs.size()); }
  const uint8_t* Key(int i) const { return keys.data() + size_t(i) * size_t(keyLen); }
  uint8_t* Key(int i) { return keys.data() + size_t(i) * size_t(keyLen); }
  void InsertEntry(int at, const uint8_t* key, uint32_t rec) {
    keys.insert(keys.begin() + ptrdiff_t(size_t(at) * size_t(keyLen)), key, key + keyLen);
    recs.insert(recs.begin() + at, rec);
    sizeVar = -1;
  }
  void EraseEntry(int at) {
    const auto b = keys.begin() + ptrdiff_t(size_t(at) * size_t(keyLen));
    keys.erase(b, b + keyLen);
    recs.erase(recs.begin() + at);
    sizeVar = -1;
  }
};

// Thrown inside a reader's operation when the file changed under it.
struct Changed {};

// A writer died in the middle of a write: the index must be rebuilt.
class NeedsRebuild : public XbError {
 public:
  explicit NeedsRebuild(const std::string& path)
      : XbError("Index needs to be rebuilt (a write was cut short): " + path) {}
};

class PageStore {
 public:
  // counterOffset/counterWidth: where the header keeps the change counter
  // (width 2 or 4, little-endian).
  PageStore(const std::string& path, bool create, bool writable, uint32_t pageSize,
            uint32_t counterOffset, int counterWidth);
  ~PageStore();
  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

  const std::string& Path() const { return path_; }
  int Fd() const { return fd_.Get(); }
  uint32_t PageSize() const { return pageSize_; }
  bool Writable() const { return writable_; }

  // ---- reading ----
  // Brings the view up to date with the file (empties the cache after a
  // change); answers false when the view changed. Waits up to waitMs for a
  // writer at work; a counter left odd by a dead writer throws XbError.
  bool Sync(int waitMs);
  // True when the view is up to date with the file: the counter is the one
  // seen (so no writer is at work either). Changes nothing: a false answer
  // leaves the catching up to Sync.
  bool Unchanged() {
    if (!synced_) return false;
    const uint32_t c = Counter();
    return c == seen_ && !(c & 1);
  }
  // Raw bytes of the file (bounds-checked; throws XbError beyond the end or
  // when the file was cut short). The pointer is valid until the next call
  // of this store that reads bytes.
  const uint8_t* Bytes(uint64_t offset, size_t length);
  // Throws Changed when the counter moved since Sync (only outside writes).
  void Validate();
  uint32_t Seen() const { return seen_; }
  // Lets an index that needs a rebuild be opened (to learn its orders for
  // the rebuild); Broken() then tells.
  void AcceptBroken() { acceptBroken_ = true; }
  bool Broken() const { return broken_; }

  // Cached node at offset, or nullptr.
  Node* Cached(uint32_t offset) {
    const size_t i = offset / pageSize_;
    return i < cache_.size() ? cache_[i].get() : nullptr;
  }
  Node* Keep(std::unique_ptr<Node> n);
  void ClearCache();

  // ---- writing ----
  // Takes the index lock (unless batched) and syncs; throws XbError when the
  // lock cannot be had in waitMs or the index needs a rebuild. A rebuild
  // (rebuild set) accepts a counter left odd and an empty file.
  void BeginWrite(bool batched, int waitMs, bool rebuild = false);
  bool Writing() const { return writing_; }
  void MarkDirty(uint32_t offset) { dirty_.push_back(offset); }
  bool HasDirty() const { return !dirty_.empty() || !rawDirty_.empty(); }
  // A page-sized (or header) write that is not a node.
  void WriteRaw(uint64_t offset, std::vector<uint8_t> bytes);
  // A fresh page at the end of the file.
  uint32_t Allocate();
  uint64_t End() const { return end_; }
  void SetEnd(uint64_t end) { end_ = end; }
  // Encodes dirty nodes through encode and writes them with the counter
  // bracket; releases the index lock unless batched and keepOpen.
  template <class Encode>
  void Flush(Encode&& encode, bool endWrite) {
    if (HasDirty()) {
      BracketOpen();
      std::vector<uint8_t> page(pageSize_);
      for (uint32_t off : dirty_) {
        Node* node = Cached(off);
        if (!node) continue;
        node->dirty = false;
        std::fill(page.begin(), page.end(), 0);
        encode(*node, page.data());
        WriteAt(fd_.Get(), page.data(), page.size(), off);
      }
      for (auto& [off, bytes] : rawDirty_) WriteAt(fd_.Get(), bytes.data(), bytes.size(), off);
      dirty_.clear();
      rawDirty_.clear();
      BracketClose();
    }
    if (endWrite) EndWrite();
  }
  // Drops the changes not yet written (after a failed write).
  void Abandon();
  void EndWrite();
  // Replaces the whole file (a rebuild): the bytes are written under the
  // counter bracket; with shrink the file is cut to their length.
  void Rewrite(const std::vector<uint8_t>& bytes, bool shrink);
  uint64_t countEpoch = 1;  // bumped by every change to a cached node

 private:
  // Copies n bytes at offset into dst; throws when the file no longer holds them.
  // known: how many bytes the file is taken to hold (0: all size_ bytes).
  void ReadInto(uint8_t* dst, size_t n, uint64_t offset, uint64_t known = 0);
  // Finds the probe: a nonzero header byte after the counter.
  void FindProbe();
  uint32_t Counter();
  void PutCounter(uint32_t v);
  void BracketOpen();
  void BracketClose();

  std::string path_;
  UniqueFd fd_;
  bool writable_ = false;
  uint32_t pageSize_;
  uint32_t counterOffset_;
  int counterWidth_;
  FileMapping mapping_;
  std::vector<uint8_t> buf_;  // the bytes Bytes() hands out
  uint64_t size_ = 0;  // bytes known to exist
  uint64_t end_ = 0;   // end of the file including allocated pages
  // The counter is read as part of a file at least probe_ bytes long: byte
  // probe_ - 1 of the header (after the counter) was nonzero when last read,
  // so the mapping's check that the file still holds the bytes read looks at
  // it instead of at the file's last byte (a zero there costs a system call
  // per read). 0: none known, the whole size is checked.
  uint64_t probe_ = 0;
  uint32_t seen_ = 0;
  bool synced_ = false;
  bool writing_ = false;
  bool locked_ = false;
  bool acceptBroken_ = false;
  bool broken_ = false;
  // Decoded nodes by page number (offset / page size): pages are dense, so
  // a vector finds them with one memory access.
  std::vector<std::unique_ptr<Node>> cache_;
  std::vector<uint32_t> dirty_;
  std::vector<std::pair<uint64_t, std::vector<uint8_t>>> rawDirty_;
};

}  // namespace xbe::idx
