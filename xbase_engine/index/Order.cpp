#include "xbase_engine/index/Order.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "xbase_engine/Dbf.h"

namespace xbe::idx {

namespace {
[[noreturn]] void Damaged(const PageStore& s, const char* what) {
  throw XbError(std::string("Damaged index (") + what + "): " + s.Path());
}
}  // namespace

// ---- nodes ----

Node* Order::Load(uint32_t offset) {
  PageStore& s = store_;
  if (Node* n = s.Cached(offset)) {
    if (n->tag != tag_) Damaged(store_, "page shared by two orders");
    return n;
  }
  const uint32_t ps = s.PageSize();
  if (offset == 0 || offset == kNoPage || offset % ps != 0 || offset < headerOffset) {
    s.Validate();
    Damaged(store_, "bad page pointer");
  }
  std::unique_ptr<Node> n;
  try {
    const uint8_t* page = s.Bytes(offset, ps);
    n = Decode(page, offset);
    s.Validate();
  } catch (const XbError&) {
    s.Validate();  // a torn read shows as a changed counter: start over
    throw;
  }
  n->offset = offset;
  n->tag = tag_;
  n->keyLen = fmt.length;
  if (n->keys.size() != size_t(n->n()) * size_t(fmt.length)) Damaged(store_, "key area");
  if (bplus_ && !n->leaf && n->kids.size() != size_t(n->n())) Damaged(store_, "child count");
  if (!bplus_ && n->kids.size() != size_t(n->n()) + 1) Damaged(store_, "child count");
  return s.Keep(std::move(n));
}

Node* Order::NewNode(bool leaf) {
  PageStore& s = store_;
  auto n = std::make_unique<Node>();
  n->offset = s.Allocate();
  n->leaf = leaf;
  n->tag = tag_;
  n->keyLen = fmt.length;
  if (!bplus_) n->kids.push_back(0);
  Node* p = s.Keep(std::move(n));
  Dirty(p);
  return p;
}

void Order::Dirty(Node* n) {
  PageStore& s = store_;
  if (!n->dirty) {
    n->dirty = true;
    s.MarkDirty(n->offset);
  }
  ++s.countEpoch;
}

// ---- comparison ----

int Order::Compare(const uint8_t* a, uint32_t ra, const uint8_t* b, size_t len, uint32_t rb) const {
  int c = compare(a, b, len);
  if (descending) c = -c;
  if (c != 0) return c;
  if (len < size_t(fmt.length)) {
    // A prefix: rec 0 stands before and rec kNoPage after every entry of it.
    if (rb == 0) return 1;
    if (rb == kNoPage) return -1;
  }
  return ra < rb ? -1 : ra > rb ? 1 : 0;
}

int Order::Lower(const Node& n, const uint8_t* key, size_t len, uint32_t rec) const {
  // A page not in the processor's cache: its key lines are asked for at once
  // rather than one after the other as the binary search reaches them.
  PrefetchBytes(n.keys.data(), n.keys.size());
  return LowerIn(n.keys.data(), n.recs.data(), n.n(), key, len, rec);
}

int Order::LowerIn(const uint8_t* keys, const uint32_t* recs, int n, const uint8_t* key, size_t len,
                   uint32_t rec) const {
  const size_t kl = size_t(fmt.length);
  const bool machine = compare.Machine();
  int lo = 0, hi = n;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const uint8_t* k = keys + size_t(mid) * kl;
    // The keys first: the record numbers are looked at only for equal keys.
    int c = machine ? MachineCompare(k, key, len) : compare(k, key, len);
    if (c == 0) {
      c = Compare(k, recs[size_t(mid)], key, len, rec);
    } else if (descending) {
      c = -c;
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// ---- walking ----

bool Order::Settle(Cursor& c) {
  if (c.path.empty()) {
    c.valid = false;
    return false;
  }
  const auto [off, i] = c.path.back();
  Node* n = Load(off);
  c.key.assign(reinterpret_cast<const char*>(n->Key(i)), size_t(fmt.length));
  c.rec = n->recs[size_t(i)];
  c.seen = store_.Seen();
  c.valid = true;
  c.node = n;
  c.nodeEpoch = store_.countEpoch;
  return true;
}

Node* Order::PathNode(Cursor& c) {
  const uint32_t off = c.path.back().first;
  if (c.node && c.nodeEpoch == store_.countEpoch && c.node->offset == off) return c.node;
  Node* n = Load(off);
  c.node = n;
  c.nodeEpoch = store_.countEpoch;
  return n;
}

void Order::DescendFirst(Cursor& c, uint32_t off) {
  for (;;) {
    if (c.path.size() >= size_t(kMaxDepth)) Damaged(store_, "too deep");
    Node* n = Load(off);
    c.path.emplace_back(off, 0);
    if (n->leaf) return;
    if (n->kids.empty()) return;
    off = n->kids[0];
    if (!bplus_ && off == 0) return;
  }
}

void Order::DescendLast(Cursor& c, uint32_t off) {
  for (;;) {
    if (c.path.size() >= size_t(kMaxDepth)) Damaged(store_, "too deep");
    Node* n = Load(off);
    if (n->leaf) {
      c.path.emplace_back(off, n->n());
      return;
    }
    if (bplus_) {
      if (n->n() == 0) {
        c.path.emplace_back(off, 0);
        return;
      }
      c.path.emplace_back(off, n->n() - 1);
      off = n->kids.back();
    } else {
      c.path.emplace_back(off, n->n());
      off = n->kids.back();
      if (off == 0) return;
    }
  }
}

// The path ends on a position that may be past its node's entries: move to
// the first real entry at or after it.
bool Order::Forward(Cursor& c) {
  for (int guard = 0; guard < 1 << 20; ++guard) {
    if (c.path.empty()) return Settle(c);
    auto& [off, i] = c.path.back();
    Node* n = Load(off);
    if (bplus_) {
      if (n->leaf && i < n->n()) return Settle(c);
      // Past this node: up to the parent's next child.
      c.path.pop_back();
      while (!c.path.empty()) {
        auto& [poff, pi] = c.path.back();
        Node* p = Load(poff);
        if (pi + 1 < p->n()) {
          ++pi;
          DescendFirst(c, p->kids[size_t(pi)]);
          break;
        }
        c.path.pop_back();
      }
      continue;
    }
    if (i < n->n()) return Settle(c);
    c.path.pop_back();  // the parent's key at its index comes next
  }
  Damaged(store_, "endless walk");
}

// The path ends just after an entry position: move to the entry before it.
bool Order::Backward(Cursor& c) {
  for (int guard = 0; guard < 1 << 20; ++guard) {
    if (c.path.empty()) return Settle(c);
    auto& [off, i] = c.path.back();
    Node* n = Load(off);
    if (bplus_) {
      if (n->leaf && i > 0) {
        --i;
        return Settle(c);
      }
      c.path.pop_back();
      while (!c.path.empty()) {
        auto& [poff, pi] = c.path.back();
        Node* p = Load(poff);
        if (pi > 0) {
          --pi;
          DescendLast(c, p->kids[size_t(pi)]);
          break;
        }
        c.path.pop_back();
      }
      continue;
    }
    if (i > 0) {
      --i;
      return Settle(c);
    }
    // The parent descended into its child i: the key before it is i - 1.
    c.path.pop_back();
  }
  Damaged(store_, "endless walk");
}

bool Order::First(Cursor& c) {
  c.Reset();
  DescendFirst(c, root);
  return Forward(c);
}

bool Order::Last(Cursor& c) {
  c.Reset();
  DescendLast(c, root);
  return Backward(c);
}

// The entry a step starts from, kept in a buffer of the order so that a
// step allocates nothing.
Cursor& Order::Before(const Cursor& c) {
  before_.key.assign(c.key);
  before_.rec = c.rec;
  before_.valid = c.valid;
  return before_;
}

bool Order::Moved(const Cursor& before, const Cursor& after, bool forward) const {
  if (!after.valid) return true;
  const int d = Compare(reinterpret_cast<const uint8_t*>(after.key.data()), after.rec,
                        reinterpret_cast<const uint8_t*>(before.key.data()), size_t(fmt.length), before.rec);
  return forward ? d > 0 : d < 0;
}

// One step within a leaf (the walk's usual step): the entry at i + delta,
// checked to sort after (before) the cursor's entry as every step is.
bool Order::StepInLeaf(Cursor& c, Node& n, int delta) {
  auto& i = c.path.back().second;
  const int j = i + delta;
  const size_t len = size_t(fmt.length);
  const uint8_t* k = n.Key(j);
  const uint32_t r = n.recs[size_t(j)];
  const int d = Compare(k, r, reinterpret_cast<const uint8_t*>(c.key.data()), len, c.rec);
  if (delta > 0 ? d <= 0 : d >= 0) Damaged(store_, "keys out of order");
  i = j;
  c.key.assign(reinterpret_cast<const char*>(k), len);
  c.rec = r;
  c.seen = store_.Seen();
  c.valid = true;
  return true;
}

bool Order::Near(const Cursor& c, int delta, const uint8_t*& key, uint32_t& rec) {
  PageStore& s = store_;
  if (!c.valid || !c.node || c.nodeEpoch != s.countEpoch || c.seen != s.Seen() || c.path.empty()) return false;
  const Node& n = *c.node;
  const auto [off, i] = c.path.back();
  const size_t len = size_t(fmt.length);
  if (n.offset != off || !n.leaf || c.key.size() != len || i < 0 || i >= n.n()) return false;
  const int j = i + delta;
  if (j < 0 || j >= n.n()) return false;
  key = n.Key(j);
  rec = n.recs[size_t(j)];
  const int d = Compare(key, rec, reinterpret_cast<const uint8_t*>(c.key.data()), len, c.rec);
  if (delta > 0 ? d <= 0 : d >= 0) Damaged(store_, "keys out of order");
  return true;
}

void Order::MoveNear(Cursor& c, int delta, const uint8_t* key, uint32_t rec) {
  c.path.back().second += delta;
  c.key.assign(reinterpret_cast<const char*>(key), size_t(fmt.length));
  c.rec = rec;
}

bool Order::Next(Cursor& c) {
  if (c.path.empty()) return false;
  {
    const int i = c.path.back().second;
    Node* n = PathNode(c);
    if (n->leaf && c.valid && c.key.size() == size_t(fmt.length) && i >= 0 && i + 1 < n->n()) {
      return StepInLeaf(c, *n, 1);
    }
  }
  Cursor& before = Before(c);
  auto& [off, i] = c.path.back();
  Node* n = Load(off);
  if (!bplus_ && !n->leaf && n->kids[size_t(i) + 1] != 0) {
    ++i;
    DescendFirst(c, n->kids[size_t(i)]);
  } else {
    ++i;
  }
  const bool ok = Forward(c);
  if (!Moved(before, c, true)) Damaged(store_, "keys out of order");
  return ok;
}

bool Order::Prev(Cursor& c) {
  if (c.path.empty()) return false;
  {
    const int i = c.path.back().second;
    Node* n = PathNode(c);
    if (n->leaf && c.valid && c.key.size() == size_t(fmt.length) && i > 0 && i - 1 < n->n()) {
      return StepInLeaf(c, *n, -1);
    }
  }
  Cursor& before = Before(c);
  auto& [off, i] = c.path.back();
  Node* n = Load(off);
  if (!bplus_ && !n->leaf && n->kids[size_t(i)] != 0) {
    DescendLast(c, n->kids[size_t(i)]);
  }
  // For a leaf (or an interior key without a left child) the position i
  // itself is "just after" entry i - 1.
  const bool ok = Backward(c);
  if (!Moved(before, c, false)) Damaged(store_, "keys out of order");
  return ok;
}

// ---- searching ----

void Order::Take(SeekRef& r, Node* n, uint64_t epoch) {
  r.keys = n->keys.data();
  r.recs = n->recs.data();
  r.offset = n->offset;
  r.n = n->n();
  r.leaf = n->leaf;
  r.refs = nullptr;
  if (!n->leaf) {
    // Entries of earlier epochs stay, stale: each is taken again when used.
    if (n->refs.size() != n->kids.size()) n->refs.assign(n->kids.size(), SeekRef{});
    r.refs = n->refs.data();
  }
  r.node = n;
  r.epoch = epoch;
}

const SeekRef* Order::RootRef(uint64_t epoch) {
  if (rootRef_.epoch != epoch || rootRef_.offset != root) Take(rootRef_, Load(root), epoch);
  return &rootRef_;
}

// The child i of an interior page; null where a B-tree page has none.
const SeekRef* Order::Child(const SeekRef& parent, int i, uint64_t epoch) {
  SeekRef& r = parent.refs[size_t(i)];
  if (r.epoch == epoch) return &r;
  const uint32_t kid = parent.node->kids[size_t(i)];
  if (kid == 0 && !bplus_) return nullptr;
  Take(r, Load(kid), epoch);
  return &r;
}

bool Order::SettleAt(Cursor& c, const SeekRef& r, int i) {
  PageStore& s = store_;
  c.key.assign(reinterpret_cast<const char*>(r.keys + size_t(i) * size_t(fmt.length)), size_t(fmt.length));
  c.rec = r.recs[size_t(i)];
  c.seen = s.Seen();
  c.valid = true;
  c.node = r.node;
  c.nodeEpoch = s.countEpoch;
  return true;
}

// The search of the usual cases through SeekRefs; the unusual ones (an empty
// interior page, a key beyond every separator) are left to SeekByPages.
bool Order::Seek(const uint8_t* key, size_t len, uint32_t rec, Cursor& c) {
  c.Reset();
  const uint64_t epoch = store_.countEpoch;
  const SeekRef* r = RootRef(epoch);
  const size_t kl = size_t(fmt.length);
  for (;;) {
    if (c.path.size() >= size_t(kMaxDepth)) Damaged(store_, "too deep");
    const int n = r->n;
    const int i = LowerIn(r->keys, r->recs, n, key, len, rec);
    if (r->leaf) {
      c.path.emplace_back(r->offset, i);
      if (i < n) return SettleAt(c, *r, i);
      break;
    }
    if (bplus_) {
      if (i >= n) return SeekByPages(key, len, rec, c);
      c.path.emplace_back(r->offset, i);
    } else {
      c.path.emplace_back(r->offset, i);
      // An equal entry here is the answer; otherwise look left of i.
      if (i < n && Compare(r->keys + size_t(i) * kl, r->recs[size_t(i)], key, len, rec) == 0) {
        return SettleAt(c, *r, i);
      }
    }
    r = Child(*r, i, epoch);
    if (!r) break;
    // The child's bytes together: its keys, and what follows the search in
    // it (its record numbers in a leaf, its children's references above).
    PrefetchBytes(r->keys, size_t(r->n) * kl);
    if (r->leaf) PrefetchBytes(r->recs, size_t(r->n) * sizeof(uint32_t));
  }
  return Forward(c);
}

bool Order::SeekByPages(const uint8_t* key, size_t len, uint32_t rec, Cursor& c) {
  c.Reset();
  uint32_t off = root;
  for (;;) {
    if (c.path.size() >= size_t(kMaxDepth)) Damaged(store_, "too deep");
    Node* n = Load(off);
    int i = Lower(*n, key, len, rec);
    if (n->leaf) {
      c.path.emplace_back(off, i);
      break;
    }
    if (bplus_) {
      if (n->n() == 0) {
        c.path.emplace_back(off, 0);
        break;
      }
      if (i >= n->n()) {
        // Beyond every separator: nothing at or after the key below here.
        c.path.emplace_back(off, n->n() - 1);
        DescendLast(c, n->kids.back());
        c.path.back().second = Load(c.path.back().first)->n();
        return Forward(c);
      }
      c.path.emplace_back(off, i);
      off = n->kids[size_t(i)];
    } else {
      // An equal entry here is the answer; otherwise look left of i.
      if (i < n->n() && Compare(n->Key(i), n->recs[size_t(i)], key, len, rec) == 0) {
        c.path.emplace_back(off, i);
        return Settle(c);
      }
      c.path.emplace_back(off, i);
      off = n->kids[size_t(i)];
      if (off == 0) break;
    }
  }
  return Forward(c);
}

// ---- counting ----

int64_t Order::CountOf(uint32_t off, int depth, int64_t& budget) {
  if (depth > kMaxDepth) Damaged(store_, "too deep");
  if (--budget < 0) Damaged(store_, "page loop");
  Node* n = Load(off);
  PageStore& s = store_;
  if (n->count >= 0 && n->countEpoch == s.countEpoch) return n->count;
  int64_t total = 0;
  if (n->leaf) {
    total = n->n();
  } else {
    if (!bplus_) total = n->n();
    for (uint32_t k : n->kids) {
      if (k != 0) total += CountOf(k, depth + 1, budget);
    }
  }
  n->count = total;
  n->countEpoch = s.countEpoch;
  return total;
}

namespace {
int64_t Budget(PageStore& s) { return int64_t(s.End() / s.PageSize()) + 2; }
}  // namespace

int64_t Order::Count() {
  int64_t budget = Budget(store_);
  return CountOf(root, 0, budget);
}

int64_t Order::Rank(const Cursor& c) {
  int64_t budget = Budget(store_);
  int64_t r = 0;
  for (size_t level = 0; level < c.path.size(); ++level) {
    const auto [off, i] = c.path[level];
    const bool top = level + 1 == c.path.size();
    Node* n = Load(off);
    if (n->leaf) {
      r += i;
      continue;
    }
    const int upto = (!bplus_ && top) ? i + 1 : i;
    for (int j = 0; j < upto && j < int(n->kids.size()); ++j) {
      const uint32_t k = Load(off)->kids[size_t(j)];
      if (k != 0) r += CountOf(k, int(level) + 1, budget);
    }
    if (!bplus_) r += i;
  }
  return r;
}

bool Order::Select(int64_t k, Cursor& c) {
  c.Reset();
  if (k < 0) return false;
  int64_t budget = Budget(store_);
  uint32_t off = root;
  for (;;) {
    if (c.path.size() >= size_t(kMaxDepth)) Damaged(store_, "too deep");
    Node* n = Load(off);
    if (n->leaf) {
      if (k >= n->n()) return false;
      c.path.emplace_back(off, int(k));
      return Settle(c);
    }
    bool down = false;
    const int kids = int(n->kids.size());
    for (int j = 0; j < kids; ++j) {
      const uint32_t kid = Load(off)->kids[size_t(j)];
      const int64_t cnt = kid != 0 ? CountOf(kid, int(c.path.size()) + 1, budget) : 0;
      if (k < cnt) {
        c.path.emplace_back(off, j);
        off = kid;
        down = true;
        break;
      }
      k -= cnt;
      if (!bplus_ && j < Load(off)->n()) {
        if (k == 0) {
          c.path.emplace_back(off, j);
          return Settle(c);
        }
        --k;
      }
    }
    if (!down) return false;
  }
}

// ---- changing ----

bool Order::Insert(const std::string& key, uint32_t rec) {
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  if (unique) {
    Cursor c;
    if (Seek(k, size_t(fmt.length), 0, c) && compare(reinterpret_cast<const uint8_t*>(c.key.data()), k,
                                                     size_t(fmt.length)) == 0) {
      return false;
    }
  }
  std::vector<std::pair<uint32_t, int>> path;
  uint32_t off = root;
  for (;;) {
    if (path.size() >= size_t(kMaxDepth)) Damaged(store_, "too deep");
    Node* n = Load(off);
    int i = Lower(*n, k, size_t(fmt.length), rec);
    // Only entries tell that the entry is there already: a B+ separator may
    // still name an entry removed from its leaf.
    if (i < n->n() && (n->leaf || !bplus_) &&
        Compare(n->Key(i), n->recs[size_t(i)], k, size_t(fmt.length), rec) == 0) {
      return false;
    }
    if (n->leaf) {
      path.emplace_back(off, i);
      break;
    }
    if (bplus_) {
      if (n->n() == 0) Damaged(store_, "empty interior page");
      if (i >= n->n()) i = n->n() - 1;
      path.emplace_back(off, i);
      off = n->kids[size_t(i)];
    } else {
      path.emplace_back(off, i);
      if (n->kids[size_t(i)] == 0) {
        // An interior page without a child here: the key goes in this page.
        n->InsertEntry(i, k, rec);
        n->kids.insert(n->kids.begin() + i, 0);
        Dirty(n);
        SplitBTree(path, path.size() - 1);
        return true;
      }
      off = n->kids[size_t(i)];
    }
  }
  Node* leaf = Load(path.back().first);
  const int i = path.back().second;
  const int32_t sizeVar = leaf->sizeVar;
  leaf->InsertEntry(i, k, rec);
  if (bplus_ && leaf->leaf) Inserted(*leaf, i, sizeVar);
  if (!bplus_) leaf->kids.push_back(0);
  Dirty(leaf);
  if (bplus_) {
    if (i == leaf->n() - 1) RaiseSeparators(path, k, rec);
    SplitBPlus(path, path.size() - 1);
  } else {
    SplitBTree(path, path.size() - 1);
  }
  return true;
}

void Order::RaiseSeparators(const std::vector<std::pair<uint32_t, int>>& path, const uint8_t* key,
                            uint32_t rec) {
  for (size_t level = path.size() - 1; level-- > 0;) {
    Node* p = Load(path[level].first);
    const int j = path[level].second;
    if (Compare(p->Key(j), p->recs[size_t(j)], key, size_t(fmt.length), rec) >= 0) return;
    std::memcpy(p->Key(j), key, size_t(fmt.length));
    p->recs[size_t(j)] = rec;
    Dirty(p);
    if (j != p->n() - 1) return;
  }
}

void Order::SplitBTree(std::vector<std::pair<uint32_t, int>>& path, size_t level) {
  for (;;) {
    Node* n = Load(path[level].first);
    if (Fits(*n)) return;
    const int total = n->n();
    const int m = total / 2;
    Node* r = NewNode(n->leaf);
    n = Load(path[level].first);
    r->kids.clear();
    const size_t kl = size_t(fmt.length);
    r->keys.assign(n->keys.begin() + ptrdiff_t(size_t(m + 1) * kl), n->keys.end());
    r->recs.assign(n->recs.begin() + m + 1, n->recs.end());
    r->kids.assign(n->kids.begin() + m + 1, n->kids.end());
    std::string medKey(reinterpret_cast<const char*>(n->Key(m)), kl);
    const uint32_t medRec = n->recs[size_t(m)];
    n->keys.resize(size_t(m) * kl);
    n->recs.resize(size_t(m));
    n->kids.resize(size_t(m) + 1);
    Dirty(n);
    const auto* mk = reinterpret_cast<const uint8_t*>(medKey.data());
    if (level == 0) {
      Node* top = NewNode(false);
      top->InsertEntry(0, mk, medRec);
      top->kids = {n->offset, r->offset};
      root = top->offset;
      headerDirty = true;
      return;
    }
    Node* p = Load(path[level - 1].first);
    const int pi = path[level - 1].second;
    p->InsertEntry(pi, mk, medRec);
    p->kids.insert(p->kids.begin() + pi + 1, r->offset);
    Dirty(p);
    --level;
  }
}

// Where a leaf that does not fit is cut in two. Compressed leaves (.IDX,
// .CDX) hold keys of very different sizes, so halving the count can leave a
// half that still does not fit: the cut nearest the middle after which both
// halves fit is taken (the middle when there is none).
int Order::LeafSplit(const Node& n) const {
  const int total = n.n();
  const size_t kl = size_t(fmt.length);
  auto fits = [&](int from, int to) {
    Node part;
    part.leaf = true;
    part.keyLen = n.keyLen;
    part.keys.assign(n.keys.begin() + ptrdiff_t(size_t(from) * kl), n.keys.begin() + ptrdiff_t(size_t(to) * kl));
    part.recs.assign(n.recs.begin() + from, n.recs.begin() + to);
    return Fits(part);
  };
  const int mid = total / 2;
  for (int d = 0; d < total; ++d) {
    for (const int m : {mid - d, mid + d}) {
      if (m >= 1 && m < total && fits(0, m) && fits(m, total)) return m;
    }
  }
  return mid;
}

void Order::SplitBPlus(std::vector<std::pair<uint32_t, int>>& path, size_t level) {
  for (;;) {
    Node* n = Load(path[level].first);
    if (Fits(*n) || n->n() < 2) return;
    const int total = n->n();
    const bool leaf = n->leaf;
    const int m = leaf ? LeafSplit(*n) : total / 2;
    Node* r = NewNode(leaf);
    n = Load(path[level].first);
    const size_t kl = size_t(fmt.length);
    r->keys.assign(n->keys.begin() + ptrdiff_t(size_t(m) * kl), n->keys.end());
    r->recs.assign(n->recs.begin() + m, n->recs.end());
    if (!leaf) r->kids.assign(n->kids.begin() + m, n->kids.end());
    n->keys.resize(size_t(m) * kl);
    n->recs.resize(size_t(m));
    if (!leaf) n->kids.resize(size_t(m));
    n->sizeVar = -1;
    r->sizeVar = -1;
    r->left = n->offset;
    r->right = n->right;
    if (n->right != kNoPage) {
      Node* rr = Load(n->right);
      rr->left = r->offset;
      Dirty(rr);
      n = Load(path[level].first);
    }
    n->right = r->offset;
    Dirty(n);
    Dirty(r);
    if (level == 0) {
      Node* top = NewNode(false);
      top->keys.clear();
      top->recs.clear();
      top->kids.clear();
      top->InsertEntry(0, n->Key(n->n() - 1), n->recs.back());
      top->InsertEntry(1, r->Key(r->n() - 1), r->recs.back());
      top->kids = {n->offset, r->offset};
      root = top->offset;
      headerDirty = true;
      return;
    }
    Node* p = Load(path[level - 1].first);
    const int pi = path[level - 1].second;
    std::memcpy(p->Key(pi), n->Key(n->n() - 1), kl);
    p->recs[size_t(pi)] = n->recs.back();
    p->InsertEntry(pi + 1, r->Key(r->n() - 1), r->recs.back());
    p->kids.insert(p->kids.begin() + pi + 1, r->offset);
    Dirty(p);
    --level;
  }
}

bool Order::Remove(const std::string& key, uint32_t rec) {
  return bplus_ ? RemoveBPlus(key, rec) : RemoveBTree(key, rec);
}

bool Order::RemoveBTree(const std::string& key, uint32_t rec) {
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  Cursor c;
  if (!Seek(k, size_t(fmt.length), rec, c)) return false;
  if (c.rec != rec || compare(reinterpret_cast<const uint8_t*>(c.key.data()), k, size_t(fmt.length)) != 0) {
    return false;
  }
  Node* n = Load(c.path.back().first);
  const int i = c.path.back().second;
  if (n->leaf) {
    n->EraseEntry(i);
    n->kids.pop_back();
    Dirty(n);
    return true;
  }
  // An interior key: the greatest entry of its left subtree takes its place.
  Cursor m;
  m.path = c.path;
  if (n->kids[size_t(i)] != 0) DescendLast(m, n->kids[size_t(i)]);
  bool found = false;
  if (m.path.size() > c.path.size()) {
    // Walk back within the left subtree only.
    const size_t base = c.path.size();
    for (int guard = 0; guard < 1 << 20 && m.path.size() > base; ++guard) {
      auto& [off, j] = m.path.back();
      if (j > 0) {
        --j;
        found = true;
        break;
      }
      m.path.pop_back();
    }
  }
  n = Load(c.path.back().first);
  if (!found) {
    // Nothing on the left: drop the key with its empty left subtree.
    n->EraseEntry(i);
    n->kids.erase(n->kids.begin() + i);
    Dirty(n);
    return true;
  }
  Node* mn = Load(m.path.back().first);
  const int mi = m.path.back().second;
  std::memcpy(n->Key(i), mn->Key(mi), size_t(fmt.length));
  n->recs[size_t(i)] = mn->recs[size_t(mi)];
  Dirty(n);
  mn = Load(m.path.back().first);
  mn->EraseEntry(mi);
  // Right of the greatest entry there is nothing: its right child goes too.
  mn->kids.erase(mn->kids.begin() + mi + 1);
  Dirty(mn);
  return true;
}

bool Order::RemoveBPlus(const std::string& key, uint32_t rec) {
  const auto* k = reinterpret_cast<const uint8_t*>(key.data());
  Cursor c;
  if (!Seek(k, size_t(fmt.length), rec, c)) return false;
  if (c.rec != rec || compare(reinterpret_cast<const uint8_t*>(c.key.data()), k, size_t(fmt.length)) != 0) {
    return false;
  }
  size_t level = c.path.size() - 1;
  Node* n = Load(c.path[level].first);
  const int32_t sizeVar = n->leaf ? Erasing(*n, c.path[level].second) : -1;
  n->EraseEntry(c.path[level].second);
  n->sizeVar = sizeVar;
  Dirty(n);
  // A compressed leaf can grow by losing an entry: the next key may share
  // less with the one now before it than with the one removed.
  if (n->n() > 0 && !Fits(*n)) {
    SplitBPlus(c.path, level);
    return true;
  }
  // Empty pages leave the tree (the root stays, as an empty leaf at worst).
  while (n->n() == 0 && level > 0) {
    if (n->left != kNoPage) {
      Node* l = Load(n->left);
      l->right = Load(c.path[level].first)->right;
      Dirty(l);
    }
    n = Load(c.path[level].first);
    if (n->right != kNoPage) {
      Node* r = Load(n->right);
      r->left = Load(c.path[level].first)->left;
      Dirty(r);
    }
    FreePage(c.path[level].first);
    --level;
    n = Load(c.path[level].first);
    const int j = c.path[level].second;
    n->EraseEntry(j);
    n->kids.erase(n->kids.begin() + j);
    Dirty(n);
  }
  if (level == 0 && n->n() == 0 && !n->leaf) {
    n->leaf = true;
    n->kids.clear();
    Dirty(n);
  }
  return true;
}

// ---- building ----

void SortEntries(Entries& e, bool descending, bool unique, const KeyCompare& compare) {
  const size_t n = e.size();
  const size_t kl = size_t(e.keyLen);
  struct Item {
    uint64_t prefix;
    uint32_t rec;
    uint32_t at;
  };
  std::vector<Item> items(n);
  const bool machine = compare.Machine();
  for (size_t i = 0; i < n; ++i) {
    uint64_t p = 0;
    const uint8_t* k = e.Key(i);
    for (size_t b = 0; b < 8; ++b) p = p << 8 | (b < kl ? k[b] : 0);
    if (descending) p = ~p;
    items[i] = {machine ? p : 0, e.recs[i], uint32_t(i)};
  }
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (!machine || kl > 8) {
      int c = compare(e.Key(a.at), e.Key(b.at), kl);
      if (descending) c = -c;
      if (c != 0) return c < 0;
    }
    return a.rec < b.rec;
  });
  Entries out;
  out.keyLen = e.keyLen;
  out.keys.reserve(n * kl);
  out.recs.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* k = e.Key(items[i].at);
    if (unique && !out.recs.empty() && compare(out.Key(out.size() - 1), k, kl) == 0) continue;
    out.keys.insert(out.keys.end(), k, k + kl);
    out.recs.push_back(items[i].rec);
  }
  e = std::move(out);
}

namespace {

using Pages = std::vector<std::unique_ptr<Node>>;

// Makes the pages of one tree, numbered through alloc as they are made.
class PageMaker {
 public:
  PageMaker(const Order& o, int keyLen, const std::function<uint32_t()>& alloc)
      : tag_(o.Tag()), keyLen_(keyLen), alloc_(alloc) {}

  std::unique_ptr<Node> operator()(bool leaf) const {
    auto n = std::make_unique<Node>();
    n->leaf = leaf;
    n->keyLen = keyLen_;
    n->tag = tag_;
    n->offset = alloc_();
    return n;
  }

 private:
  int tag_;
  int keyLen_;
  const std::function<uint32_t()>& alloc_;
};

// B-tree: each level holds runs of keys with one key between two runs
// promoted to the level above.
void BuildBTree(const PageMaker& make, const Entries& e, int maxKeys, Pages& all) {
  const size_t kl = size_t(e.keyLen);
  Entries level = e;
  std::vector<uint32_t> kids(level.size() + 1, 0);
  for (;;) {
    const size_t n = level.size();
    const size_t m = size_t(std::max(maxKeys, 1));
    const size_t pages = std::max<size_t>(1, (n + 1 + m) / (m + 1));
    const size_t rest = n - (pages - 1);
    Entries up;
    up.keyLen = e.keyLen;
    std::vector<uint32_t> upKids;
    size_t at = 0;
    for (size_t p = 0; p < pages; ++p) {
      const size_t take = rest / pages + (p < rest % pages ? 1 : 0);
      auto node = make(true);
      node->keys.assign(level.keys.begin() + ptrdiff_t(at * kl), level.keys.begin() + ptrdiff_t((at + take) * kl));
      node->recs.assign(level.recs.begin() + ptrdiff_t(at), level.recs.begin() + ptrdiff_t(at + take));
      node->kids.assign(kids.begin() + ptrdiff_t(at), kids.begin() + ptrdiff_t(at + take + 1));
      node->leaf = std::all_of(node->kids.begin(), node->kids.end(), [](uint32_t k) { return k == 0; });
      upKids.push_back(node->offset);
      all.push_back(std::move(node));
      at += take;
      if (p + 1 < pages) {
        // The key between two pages goes up a level.
        up.keys.insert(up.keys.end(), level.Key(at), level.Key(at) + kl);
        up.recs.push_back(level.recs[at]);
        ++at;
      }
    }
    if (pages == 1) return;
    level = std::move(up);
    kids = std::move(upKids);
  }
}

// The leaves of a B+ tree, each filled while its keys fit; answers them in order.
std::vector<Node*> FillLeaves(const Order& o, const PageMaker& make, const Entries& e, Pages& all) {
  const size_t kl = size_t(e.keyLen);
  std::vector<Node*> leaves;
  uint32_t maxRec = 1;
  for (uint32_t r : e.recs) maxRec = std::max(maxRec, r);
  const size_t room = o.LeafRoom(maxRec);
  auto node = make(true);
  size_t used = 0;
  for (size_t i = 0; i < e.size(); ++i) {
    const uint8_t* prev = node->n() > 0 ? e.Key(i - 1) : nullptr;
    size_t cost = o.LeafCost(prev, e.Key(i), maxRec);
    if (used + cost > room && node->n() > 0) {
      leaves.push_back(node.get());
      all.push_back(std::move(node));
      node = make(true);
      cost = o.LeafCost(nullptr, e.Key(i), maxRec);
      used = 0;
    }
    node->keys.insert(node->keys.end(), e.Key(i), e.Key(i) + kl);
    node->recs.push_back(e.recs[i]);
    used += cost;
  }
  leaves.push_back(node.get());
  all.push_back(std::move(node));
  return leaves;
}

// Links the pages of each level to their neighbours and builds the interior
// levels of a B+ tree over the children's highest keys, up to one root.
void BuildInteriorLevels(const Order& o, const PageMaker& make, size_t kl, std::vector<Node*> levelNodes,
                         Pages& all) {
  for (;;) {
    for (size_t i = 0; i < levelNodes.size(); ++i) {
      levelNodes[i]->left = i > 0 ? levelNodes[i - 1]->offset : kNoPage;
      levelNodes[i]->right = i + 1 < levelNodes.size() ? levelNodes[i + 1]->offset : kNoPage;
    }
    if (levelNodes.size() == 1) return;
    std::vector<Node*> up;
    auto node = make(false);
    for (Node* child : levelNodes) {
      node->keys.insert(node->keys.end(), child->Key(child->n() - 1), child->Key(child->n() - 1) + kl);
      node->recs.push_back(child->recs.back());
      node->kids.push_back(child->offset);
      if (!o.Fits(*node) && node->n() > 1) {
        node->keys.resize(node->keys.size() - kl);
        node->recs.pop_back();
        node->kids.pop_back();
        up.push_back(node.get());
        all.push_back(std::move(node));
        node = make(false);
        node->keys.assign(child->Key(child->n() - 1), child->Key(child->n() - 1) + kl);
        node->recs.push_back(child->recs.back());
        node->kids.push_back(child->offset);
      }
    }
    up.push_back(node.get());
    all.push_back(std::move(node));
    levelNodes = std::move(up);
  }
}

}  // namespace

std::vector<std::unique_ptr<Node>> BuildTree(Order& o, const Entries& e, int maxKeys,
                                             const std::function<uint32_t()>& alloc) {
  Pages all;
  const PageMaker make(o, e.keyLen, alloc);
  if (!o.BPlus()) {
    BuildBTree(make, e, maxKeys, all);
  } else {
    // B+ tree: fill leaves while they fit, then interior levels over the
    // children's highest keys.
    BuildInteriorLevels(o, make, size_t(e.keyLen), FillLeaves(o, make, e, all), all);
  }
  return all;
}

}  // namespace xbe::idx
