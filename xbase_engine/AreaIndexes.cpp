#include "xbase_engine/AreaIndexes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <typeinfo>

#include "platform/system/NumberText.h"
#include "xbase_engine/Engine.h"
#include "xbase_engine/Table.h"

namespace xbe::idx {

namespace {

char TypeLetter(expr::Type t) {
  switch (t) {
    case expr::Type::Number: return 'N';
    case expr::Type::Date: return 'D';
    case expr::Type::Logical: return 'L';
    case expr::Type::Text: return 'C';
    default: return 0;
  }
}

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

AreaIndexes::AreaIndexes(Table& t, int tableType, const Settings& s)
    : t_(t), tableType_(tableType), s_(s), fields_(std::make_unique<TableSource>(&t)) {}

AreaIndexes::~AreaIndexes() = default;

int AreaIndexes::WaitMs() const { return s_.LockTimeoutMs(); }

bool AreaIndexes::KeyMissing() const { return t_.Encrypted() && !t_.HasKey(); }

void AreaIndexes::RefuseWithoutKey() const {
  if (KeyMissing()) {
    throw XbError("The table is encrypted: building or changing its indexes needs its password: " + t_.Path());
  }
}

// ---- orders ----

AreaIndexes::Bound& AreaIndexes::BoundFor(IndexFile& f, Order& o) const {
  auto& slot = bound_[{&f, o.name + '\x01' + std::to_string(o.headerOffset)}];
  if (!slot) slot = std::make_unique<Bound>();
  Bound& b = *slot;
  if (!b.key || b.keyText != o.keyExpr) {
    b.key = CompileKey(*fields_, s_, o.keyExpr);
    b.keyText = o.keyExpr;
    if (!TypeLetter(b.key->ResultType())) throw XbError("Invalid index expression: " + o.keyExpr);
  }
  if (b.condText != o.forExpr || (!b.cond && !o.forExpr.empty())) {
    b.cond.reset();
    b.condText = o.forExpr;
    if (!Trim(o.forExpr).empty()) {
      b.cond = CompileKey(*fields_, s_, o.forExpr);
      if (b.cond->ResultType() != expr::Type::Logical) throw XbError("Condition is not logical: " + o.forExpr);
    }
  }
  return b;
}

// Character orders compare with the collation active when they are built or
// opened (and keep it); other keys are encoded for byte order.
KeyCompare AreaIndexes::CompareFor(const KeyFormat& f) {
  if (f.type != 'C') return {};
  return KeyCompare{ActiveCollation()};
}

void AreaIndexes::Bind(IndexFile& f) {
  f.bind = [this, &f](Order& o) {
    Bound& b = BoundFor(f, o);
    o.fmt.type = TypeLetter(b.key->ResultType());
    // An order keeps the collation it has; one just read takes the active one.
    if (!b.compareSet || b.compareType != o.fmt.type) {
      b.compare = CompareFor(o.fmt);
      b.compareSet = true;
      b.compareType = o.fmt.type;
    }
    o.compare = b.compare;
    o.areaData = &b;
  };
}

void AreaIndexes::Attach(IndexFile& f) {
  Bind(f);
  f.Read(WaitMs(), [&] {
    f.Refresh();
    return 0;
  });
}

std::vector<std::string> AreaIndexes::FilePaths() const {
  std::vector<std::string> out;
  for (const auto& e : files_) out.push_back(e.file->Path());
  return out;
}

bool AreaIndexes::UsesFile(const struct stat& st) const {
  for (const auto& e : files_) {
    if (SameFile(e.file->Store().Fd(), st)) return true;
  }
  return false;
}

int AreaIndexes::Count() const {
  int n = 0;
  for (const auto& e : files_) n += int(e.file->Orders().size());
  return n;
}

AreaIndexes::Bound& AreaIndexes::Of(IndexFile& f, Order& o) const {
  auto* b = static_cast<Bound*>(o.areaData);
  return b ? *b : BoundFor(f, o);
}

AreaIndexes::Slot AreaIndexes::At(int n) const {
  if (n < 1) return {};
  for (const auto& e : files_) {
    auto& orders = e.file->Orders();
    if (n <= int(orders.size())) {
      Order& o = *orders[size_t(n - 1)];
      Bound* b = static_cast<Bound*>(o.areaData);
      return {e.file.get(), &o, b ? b : &BoundFor(*e.file, o)};
    }
    n -= int(orders.size());
  }
  return {};
}

void AreaIndexes::FirstOrderOf(IndexFile* f, int& n) const {
  n = 0;
  int at = 1;
  for (const auto& e : files_) {
    if (e.file.get() == f) {
      n = e.file->Orders().empty() ? 0 : at;
      return;
    }
    at += int(e.file->Orders().size());
  }
}

int AreaIndexes::SetOrder(int n) {
  const int old = current_;
  if (n < 0 || n > Count()) return old;
  current_ = n;
  cur_.Reset();
  curOrder_ = nullptr;
  return old;
}

std::string AreaIndexes::FileName(int n) const {
  const Slot s = At(n);
  return s.file ? s.file->Path() : std::string();
}

int AreaIndexes::TagArea(const std::string& tag) const {
  const std::string want = UpperAscii(Trim(tag));
  if (want.empty()) return 0;
  for (int i = 1; i <= Count(); ++i) {
    if (TagName(i) == want || UpperAscii(At(i).order->name) == want) return i;
  }
  return 0;
}

std::string AreaIndexes::KeyExpression() const {
  const Slot s = Cur();
  return s.order ? s.order->keyExpr : std::string();
}

std::string AreaIndexes::KeyFields() {
  const Slot s = Cur();
  return s.order ? KeyFieldNames(t_, s.order->keyExpr) : std::string();
}

std::string AreaIndexes::Condition() const {
  const Slot s = Cur();
  return s.order ? s.order->forExpr : std::string();
}

int AreaIndexes::Type() const {
  const Slot s = Cur();
  if (!s.order) return 0;
  const bool cond = !Trim(s.order->forExpr).empty();
  return (s.order->unique ? 2 : 1) + (cond ? 2 : 0);
}

bool AreaIndexes::Descending() const {
  const Slot s = Cur();
  if (!s.order) return false;
  return s.order->descending != s.bound->flipped;
}

bool AreaIndexes::Flip() {
  const Slot s = Cur();
  if (!s.order) return false;
  Bound& b = BoundFor(*s.file, *s.order);
  b.flipped = !b.flipped;
  cur_.Reset();
  return b.flipped;
}

int AreaIndexes::KeyLength() const {
  const Slot s = Cur();
  return s.order ? s.order->fmt.length : 0;
}

// ---- keys of changed records ----

expr::Row AreaIndexes::RowOf(Table& t) const {
  return expr::Row{t.CurrentImage(), t.Header().recLen, t.RecNo()};
}

void AreaIndexes::BeforeChange(Table& t) {
  if (files_.empty()) return;
  const expr::Row row = RowOf(t);
  for (auto& e : files_) {
    for (auto& o : e.file->Orders()) {
      Bound& b = Of(*e.file, *o);
      b.oldIn = !b.cond || b.cond->Test(row);
      if (b.oldIn) MakeKey(*b.key, row, o->fmt, b.oldKey);
      b.haveOld = true;
    }
  }
}

void AreaIndexes::ChangeKeys(Table& t, uint32_t rec, bool appended) {
  if (files_.empty()) return;
  const expr::Row row = RowOf(t);
  struct Change {
    Order* order;
    const std::string* oldKey;
    std::string newKey;
    bool insert;
  };
  std::string key;
  for (auto& e : files_) {
    std::vector<Change> changes;
    for (auto& o : e.file->Orders()) {
      Bound& b = Of(*e.file, *o);
      const bool in = !b.cond || b.cond->Test(row);
      if (in) MakeKey(*b.key, row, o->fmt, key);
      if (appended) {
        if (in) changes.push_back({o.get(), nullptr, key, true});
        continue;
      }
      if (!b.haveOld) continue;
      b.haveOld = false;
      if (b.oldIn == in && (!in || b.oldKey == key)) continue;
      changes.push_back({o.get(), b.oldIn ? &b.oldKey : nullptr, in ? key : std::string(), in});
    }
    if (changes.empty()) continue;
    cur_.Reset();
    e.file->Write(t.Batching(), WaitMs(), [&] {
      for (Change& c : changes) {
        if (c.oldKey) c.order->Remove(*c.oldKey, rec);
        if (c.insert) c.order->Insert(c.newKey, rec);
      }
      return 0;
    });
  }
}

void AreaIndexes::AfterWrite(Table& t, uint32_t rec) { ChangeKeys(t, rec, false); }

void AreaIndexes::AfterAppend(Table& t, uint32_t rec) { ChangeKeys(t, rec, true); }

void AreaIndexes::AfterFlush(Table&) {
  for (auto& e : files_) {
    if (e.file->Store().Writing()) e.file->Flush();
  }
}

void AreaIndexes::AfterRenumber(Table&) { Reindex(); }

bool AreaIndexes::KeyAdd(const std::string& tag, const std::string* given) {
  return ChangeOneKey(tag, given, true);
}

bool AreaIndexes::KeyDrop(const std::string& tag, const std::string* given) {
  return ChangeOneKey(tag, given, false);
}

bool AreaIndexes::ChangeOneKey(const std::string& tag, const std::string* given, bool add) {
  const Slot s = Trim(tag).empty() ? Cur() : At(TagArea(tag));
  if (!s.order || t_.Eof()) return false;
  RefuseWithoutKey();
  t_.WriteCurrent();
  std::string key;
  if (given) {
    key = KeyFromText(*given, s.order->fmt, true);
  } else {
    MakeKey(*s.bound->key, RowOf(t_), s.order->fmt, key);
  }
  const uint32_t rec = t_.RecNo();
  cur_.Reset();
  return s.file->Write(t_.Batching(), WaitMs(),
                       [&] { return add ? s.order->Insert(key, rec) : s.order->Remove(key, rec); });
}

std::string AreaIndexes::KeyData() {
  const Slot s = Cur();
  if (!s.order || t_.Eof()) return {};
  std::string key;
  MakeKey(*s.bound->key, RowOf(t_), s.order->fmt, key);
  const KeyFormat& f = s.order->fmt;
  if (f.binaryNumbers && (f.type == 'N' || f.type == 'D') && key.size() == 8) {
    const double v = DecodeBinaryNumber(U(key));
    if (f.type == 'D') {
      if (v <= 0) return std::string(8, ' ');
      int y, m, d;
      YmdFromJulian(int32_t(v), y, m, d);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
      return buf;
    }
    return sys::GeneralText(v, 15);  // "." as the point, whatever the process locale
  }
  return key;
}

// ---- navigation ----

bool AreaIndexes::InScope(const Slot& s, const Cursor& c, bool) const {
  const Bound& b = *s.bound;
  if (!c.valid) return false;
  if (b.hasLow && s.order->Compare(U(c.key), c.rec, U(b.low), b.low.size(), 0) < 0) return false;
  if (b.hasHigh && s.order->Compare(U(c.key), c.rec, U(b.high), b.high.size(), kNoPage) > 0) return false;
  return true;
}

bool AreaIndexes::BeforeScope(const Slot& s, const Cursor& c) const {
  const Bound& b = *s.bound;
  return b.hasLow && s.order->Compare(U(c.key), c.rec, U(b.low), b.low.size(), 0) < 0;
}

bool AreaIndexes::Step(const Slot& s, Cursor& c, bool physForward) {
  return physForward ? s.order->Next(c) : s.order->Prev(c);
}

// Physical first (top) or last entry of the scope.
bool AreaIndexes::StartAt(const Slot& s, Cursor& c, bool physFirst) {
  const Bound& b = *s.bound;
  Order& o = *s.order;
  if (physFirst) return b.hasLow ? o.Seek(U(b.low), b.low.size(), 0, c) : o.First(c);
  if (!b.hasHigh) return o.Last(c);
  if (o.Seek(U(b.high), b.high.size(), kNoPage, c)) return o.Prev(c);
  return o.Last(c);
}

// From c, the first visible entry within the scope in the physical direction.
bool AreaIndexes::Land(const Slot& s, Cursor& c, bool physForward) {
  const uint32_t n = t_.RecCount();
  while (c.valid) {
    if (BeforeScope(s, c)) {
      if (!physForward || !StartAt(s, c, true)) return false;
      continue;
    }
    if (!InScope(s, c, physForward)) {
      // Beyond the scope's end: going back, its last entry comes next.
      if (physForward || !StartAt(s, c, false) || !InScope(s, c, false)) return false;
      continue;
    }
    // Nothing hidden and no filter: every record is visible, unread.
    const bool all = !s_.hideDeleted && !t_.Filter();
    if (c.rec >= 1 && c.rec <= n && (all || t_.Visible(c.rec))) return true;
    if (!Step(s, c, physForward)) return false;
  }
  return false;
}

void AreaIndexes::StandOn(const Slot& s, Cursor& c) {
  t_.Go(c.rec);
  if (&c == &work_) {
    std::swap(cur_, work_);
  } else if (&c != &cur_) {
    cur_ = c;
  }
  curOrder_ = s.order;
  curRec_ = cur_.rec;
}

// Records in index order lie anywhere in the table: a walk waits on memory
// for each one unless it is fetched ahead. They are asked for a group at a
// time, kGroup to 2 * kGroup entries ahead: a record on a page of the table
// whose address the processor must first look up holds the request up until
// it has, and the look-ups of a group overlap. A hint only.
void AreaIndexes::Ahead(const Slot& s, const Cursor& c, bool physForward) {
  constexpr int kGroup = 8;
  if (c.path.empty()) return;
  PageStore& st = s.file->Store();
  const auto [off, i] = c.path.back();
  const Node* n = c.node && c.nodeEpoch == st.countEpoch && c.node->offset == off ? c.node : st.Cached(off);
  if (!n || !n->leaf) return;
  const int count = n->n();
  const uint32_t* recs = n->recs.data();
  if (physForward) {
    int from;
    if (i == 0) {
      from = 1;  // on entering a page: those before the first group too
    } else if (i % kGroup == 0) {
      from = i + kGroup;
    } else {
      return;
    }
    // Past the page's end, when the pages that come next have been read
    // already: the next leaf (B+ trees), or the parent's entry and then the
    // first leaf of its next child (B-trees).
    const uint32_t* more = nullptr;  // the next leaf's records, from position base on
    int moreCount = 0;
    int base = count;
    const uint32_t* parentRec = nullptr;  // at position count (B-trees)
    bool looked = false;
    for (int j = from; j < i + 2 * kGroup; ++j) {
      if (j < count) {
        t_.PrefetchRecord(recs[j]);
        continue;
      }
      if (!looked) {
        looked = true;
        const Node* next = nullptr;
        if (s.order->BPlus()) {
          if (n->right != kNoPage) next = st.Cached(n->right);
        } else if (c.path.size() >= 2) {
          const auto [poff, pi] = c.path[c.path.size() - 2];
          const Node* p = st.Cached(poff);
          if (p && !p->leaf && pi >= 0 && pi < p->n() && size_t(pi) + 1 < p->kids.size()) {
            parentRec = &p->recs[size_t(pi)];
            base = count + 1;
            if (p->kids[size_t(pi) + 1] != 0) next = st.Cached(p->kids[size_t(pi) + 1]);
          }
        }
        if (next && next->leaf) {
          more = next->recs.data();
          moreCount = next->n();
        }
      }
      if (parentRec && j == count) {
        t_.PrefetchRecord(*parentRec);
        continue;
      }
      if (!more || j - base >= moreCount) break;
      t_.PrefetchRecord(more[j - base]);
    }
  } else {
    const int behind = count - 1 - i;
    int from;
    if (behind == 0) {
      from = i - 1;
    } else if (behind % kGroup == 0) {
      from = i - kGroup;
    } else {
      return;
    }
    for (int j = from; j > i - 2 * kGroup && j >= 0; --j) {
      if (j < count) t_.PrefetchRecord(recs[j]);
    }
  }
}

void AreaIndexes::StandEof(bool bof) {
  t_.GoPhantom(bof);
  cur_.Reset();
}

// Finds the current record's place: c on its entry (onEntry) or on the
// entry after where its key would be. Answers c.valid.
bool AreaIndexes::Locate(const Slot& s, Cursor& c, bool& onEntry) {
  const uint32_t rec = t_.RecNo();
  if (cur_.valid && curOrder_ == s.order && curRec_ == rec && cur_.seen == s.file->Store().Seen()) {
    c = cur_;
    onEntry = true;
    return true;
  }
  std::string& key = keyBuf_;
  const expr::Row row = RowOf(t_);
  const bool in = !s.bound->cond || s.bound->cond->Test(row);
  MakeKey(*s.bound->key, row, s.order->fmt, key);
  const bool ok = s.order->Seek(U(key), key.size(), rec, c);
  onEntry = ok && in && c.rec == rec && c.key == key;
  return ok;
}

// A move that fails (a damaged index, a busy one) leaves the table at its
// end, so that a caller's walk ends instead of standing still.
template <class F>
bool AreaIndexes::Guarded(F&& move) {
  try {
    return move();
  } catch (...) {
    StandEof(true);
    throw;
  }
}

bool AreaIndexes::GoTop(Table& t) {
  return Guarded([&] { return GoEndBody(t, true); });
}

bool AreaIndexes::GoBottom(Table& t) {
  return Guarded([&] { return GoEndBody(t, false); });
}

bool AreaIndexes::Skip(Table& t, int64_t distance) {
  return Guarded([&] { return ((distance == 1 || distance == -1) && StepNear(t, distance > 0)) || SkipBody(t, distance); });
}

// What SkipBody would do for one step from a remembered position in a leaf
// to the next entry of that leaf, with no filter and no hidden records (any
// case this does not decide goes to SkipBody, with nothing changed).
bool AreaIndexes::StepNear(Table& t, bool forward) {
  if (!cur_.valid || !cur_.node) return false;
  const Slot s = Cur();
  if (!s.order || curOrder_ != s.order) return false;
  t.WriteCurrent();  // a change of the record's key drops the remembered position
  if (!cur_.valid || t.Eof() || t.RecNo() != curRec_ || s_.hideDeleted || t.Filter()) return false;
  // Every move sees what other processes wrote: the counter says whether
  // anything changed since the position was taken.
  if (!s.file->Store().Unchanged()) return false;
  Order& o = *s.order;
  const bool phys = forward != s.bound->flipped;
  const int delta = phys ? 1 : -1;
  const uint8_t* key = nullptr;
  uint32_t rec = 0;
  if (!o.Near(cur_, delta, key, rec)) return false;
  const Bound& b = *s.bound;
  if (b.hasLow && o.Compare(key, rec, U(b.low), b.low.size(), 0) < 0) return false;
  if (b.hasHigh && o.Compare(key, rec, U(b.high), b.high.size(), kNoPage) > 0) return false;
  if (rec < 1 || rec > t.RecCount()) return false;
  o.MoveNear(cur_, delta, key, rec);
  Ahead(s, cur_, phys);
  t.Go(rec);
  curRec_ = rec;
  return true;
}

// Stands on the first (top) or last record the controlling order shows.
bool AreaIndexes::GoEndBody(Table& t, bool top) {
  Slot s = Cur();
  if (!s.order) return false;
  t.WriteCurrent();
  const bool phys = top != s.bound->flipped;
  Cursor& c = work_;
  c.Reset();
  const bool ok = s.file->Read(WaitMs(), [&] { return StartAt(s, c, phys) && Land(s, c, phys); });
  if (ok) {
    StandOn(s, c);
  } else {
    StandEof(true);
  }
  return true;
}

bool AreaIndexes::SkipBody(Table& t, int64_t distance) {
  Slot s = Cur();
  if (!s.order || distance == 0) return false;
  t.WriteCurrent();
  const bool forward = distance > 0;
  const bool phys = forward != s.bound->flipped;
  const int64_t steps = forward ? distance : -distance;
  if (t.Eof() && forward) {
    StandEof(false);
    return true;
  }
  // The remembered position is moved in place when it still holds.
  const uint32_t rec = t.RecNo();
  Cursor* cp = &work_;
  const bool landed = s.file->Read(WaitMs(), [&] {
    bool onEntry = false;
    bool have;
    if (cur_.valid && curOrder_ == s.order && curRec_ == rec && cur_.seen == s.file->Store().Seen()) {
      cp = &cur_;
    } else {
      cp = &work_;
      work_.Reset();
    }
    Cursor& c = *cp;
    if (t.Eof()) {
      // From the phantom record back: the last record of the order.
      have = StartAt(s, c, phys) && Land(s, c, phys);
      if (!have) return false;
      for (int64_t i = 1; i < steps && have; ++i) have = Step(s, c, phys) && Land(s, c, phys);
      return have;
    }
    const bool placed = cp == &cur_ ? (onEntry = true) : Locate(s, c, onEntry);
    for (int64_t i = 0; i < steps; ++i) {
      if (i == 0 && !onEntry) {
        // Not in the order: the entry after its key's place comes next.
        if (phys) {
          have = placed;
        } else {
          have = placed ? s.order->Prev(c) : s.order->Last(c);
        }
      } else {
        have = Step(s, c, phys);
      }
      if (!have || !Land(s, c, phys)) return false;
    }
    Ahead(s, c, phys);
    return true;
  });
  Cursor& c = *cp;
  if (landed) {
    StandOn(s, c);
    return true;
  }
  if (forward) {
    StandEof(false);
    return true;
  }
  // Back past the first record: stand on it with BOF.
  const bool top = s.file->Read(WaitMs(), [&] { return StartAt(s, c, phys ? false : true) && Land(s, c, !phys); });
  if (top) {
    StandOn(s, c);
    t.MarkBof();
  } else {
    StandEof(true);
  }
  return true;
}

int64_t AreaIndexes::ScopeRank(const Slot& s, bool top, int64_t& count) {
  Order& o = *s.order;
  const Bound& b = *s.bound;
  const int64_t total = o.Count();
  Cursor c;
  int64_t lo = 0, hi = total;
  if (b.hasLow) lo = o.Seek(U(b.low), b.low.size(), 0, c) ? o.Rank(c) : total;
  if (b.hasHigh) hi = o.Seek(U(b.high), b.high.size(), kNoPage, c) ? o.Rank(c) : total;
  count = std::max<int64_t>(0, hi - lo);
  (void)top;
  return lo;
}

bool AreaIndexes::Hides() const { return s_.hideDeleted || t_.Filter() != nullptr; }

// Inside a read: the entries of the scope a walk shows, how many of them lie
// physically before the current record's place, and whether the current
// record is one of them. Every entry is looked at once.
AreaIndexes::ShownPlace AreaIndexes::ShownAround(const Slot& s) {
  ShownPlace p;
  Cursor at;
  bool onEntry = false;
  const bool placed = Locate(s, at, onEntry);
  Cursor c = at;
  bool have = placed ? s.order->Prev(c) : s.order->Last(c);
  for (have = have && Land(s, c, false); have; have = Step(s, c, false) && Land(s, c, false)) ++p.before;
  p.count = p.before;
  if (!placed) return p;
  c = at;
  have = Land(s, c, true);
  p.current = have && onEntry && c.rec == at.rec;
  for (; have; have = Step(s, c, true) && Land(s, c, true)) ++p.count;
  return p;
}

// Inside a read: c on the k-th (1-based, physical) of the count entries of
// the scope a walk shows, walking from the nearer end.
bool AreaIndexes::ShownAt(const Slot& s, int64_t k, int64_t count, Cursor& c) {
  const bool fromTop = k <= count - k + 1;
  int64_t steps = fromTop ? k - 1 : count - k;
  if (!(StartAt(s, c, fromTop) && Land(s, c, fromTop))) return false;
  for (; steps > 0; --steps) {
    if (!(Step(s, c, fromTop) && Land(s, c, fromTop))) return false;
  }
  return true;
}

int64_t AreaIndexes::ShownCount(const Slot& s) {
  int64_t n = 0;
  Cursor c;
  for (bool have = StartAt(s, c, true) && Land(s, c, true); have; have = Step(s, c, true) && Land(s, c, true)) ++n;
  return n;
}

// Positions count the records a walk in the order shows: the entries of the
// scope, less those the filter refuses and deleted ones while hidden. With
// nothing hidden every entry of the scope shows and the ranks of the tree
// answer at once; otherwise the scope is walked.
bool AreaIndexes::OrderPos(Table& t, double& pos) {
  Slot s = Cur();
  if (!s.order) return false;
  t.WriteCurrent();
  pos = s.file->Read(WaitMs(), [&] {
    int64_t n = 0;
    int64_t r = 0;          // shown entries physically before the record's place
    bool onEntry = false;   // the record is one of them
    if (Hides()) {
      if (t.Eof()) return ShownCount(s) == 0 ? 0.0 : 1.0;
      const ShownPlace p = ShownAround(s);
      n = p.count;
      r = p.before;
      onEntry = p.current;
    } else {
      const int64_t lo = ScopeRank(s, true, n);
      if (n == 0) return 0.0;
      if (t.Eof()) return 1.0;
      Cursor c;
      r = Locate(s, c, onEntry) ? s.order->Rank(c) - lo : n;
      r = std::clamp<int64_t>(r, 0, n);
    }
    if (n == 0) return 0.0;
    int64_t k = onEntry ? r + 1 : r;  // 1-based position of the record
    if (s.bound->flipped) k = n - r;
    k = std::clamp<int64_t>(k, 0, n);
    return double(k) / double(n);
  });
  return true;
}

bool AreaIndexes::SetOrderPos(Table& t, double pos, bool& ok) {
  Slot s = Cur();
  if (!s.order) return false;
  t.WriteCurrent();
  ok = false;
  if (!(pos >= 0.0 && pos <= 1.0)) return true;
  Cursor& c = work_;
  c.Reset();
  const bool found = s.file->Read(WaitMs(), [&] {
    const bool hides = Hides();
    int64_t n = 0;
    const int64_t lo = hides ? 0 : ScopeRank(s, true, n);
    if (hides) n = ShownCount(s);
    if (n == 0) return false;
    int64_t k = std::clamp<int64_t>(std::llround(pos * double(n)), 1, n);
    if (s.bound->flipped) k = n - k + 1;
    return hides ? ShownAt(s, k, n, c) : s.order->Select(lo + k - 1, c);
  });
  if (!found) return true;
  StandOn(s, c);
  ok = true;
  return true;
}

int AreaIndexes::OrderRecNo() {
  Slot s = Cur();
  if (!s.order) return t_.Eof() ? 0 : int(t_.RecNo());
  if (t_.Eof()) return 0;
  t_.WriteCurrent();
  return s.file->Read(WaitMs(), [&] {
    int64_t n = 0;
    const int64_t lo = ScopeRank(s, true, n);
    Cursor c;
    bool onEntry = false;
    if (!Locate(s, c, onEntry) || !onEntry) return 0;
    const int64_t r = s.order->Rank(c) - lo;
    if (r < 0 || r >= n) return 0;
    return int(s.bound->flipped ? n - r : r + 1);
  });
}

// ---- seek and scope ----

bool AreaIndexes::Seek(const std::string& text, bool raw) {
  found_ = false;
  return Guarded([&] { return SeekBody(text, raw); });
}

bool AreaIndexes::SeekBody(const std::string& text, bool raw) {
  Slot s = Cur();
  if (!s.order) throw XbError("No index order is in control");
  t_.WriteCurrent();
  std::string key = raw ? text : KeyFromText(text, s.order->fmt, s_.exact);
  if (int(key.size()) > s.order->fmt.length) key.resize(size_t(s.order->fmt.length));
  Cursor& c = work_;
  c.Reset();
  bool match = false;
  const bool phys = !s.bound->flipped;
  const bool landed = s.file->Read(WaitMs(), [&] {
    bool have;
    if (phys) {
      have = s.order->Seek(U(key), key.size(), 0, c);
    } else {
      have = s.order->Seek(U(key), key.size(), kNoPage, c) ? s.order->Prev(c) : s.order->Last(c);
    }
    if (have) t_.PrefetchRecord(c.rec);  // read when landing
    if (!have || !Land(s, c, phys)) return false;
    match = s.order->compare(U(c.key), U(key), key.size()) == 0;
    return true;
  });
  found_ = landed && match;
  if (found_ || (landed && s_.softSeek)) {
    StandOn(s, c);
  } else {
    StandEof(false);
  }
  return found_;
}

bool AreaIndexes::SetScope(const char* low, const char* high) {
  Slot s = Cur();
  if (!s.order) return false;
  Bound& b = BoundFor(*s.file, *s.order);
  b.lowText = low ? low : "";
  b.highText = high ? high : "";
  b.hasLow = !b.lowText.empty();
  b.hasHigh = !b.highText.empty();
  b.low = b.hasLow ? KeyFromText(b.lowText, s.order->fmt, false) : std::string();
  b.high = b.hasHigh ? KeyFromText(b.highText, s.order->fmt, false) : std::string();
  if (b.hasLow && b.hasHigh) {
    // Bounds given the wrong way round are taken the right way; bounds equal
    // over the shorter one ("AB" and "A") keep the roles they were given.
    const size_t n = std::min(b.low.size(), b.high.size());
    if (s.order->compare(U(b.low), U(b.high), n) > 0) std::swap(b.low, b.high);
    // A descending order holds the high bound's keys first in the file.
    if (s.order->descending) std::swap(b.low, b.high);
  } else if (s.order->descending) {
    std::swap(b.low, b.high);
    std::swap(b.hasLow, b.hasHigh);
  }
  cur_.Reset();
  return true;
}

std::string AreaIndexes::Scope(int which) const {
  const Slot s = Cur();
  if (!s.order) return {};
  return which == 0 ? s.bound->lowText : s.bound->highText;
}

// ---- attaching ----

void AttachIndexes(Table& t, int tableType, const Settings& s) {
  auto a = std::make_unique<AreaIndexes>(t, tableType, s);
  AreaIndexes* p = a.get();
  t.SetObserver(std::move(a));
  p->OpenProduction();
}

AreaIndexes& IndexesOf(Table& t) {
  // The class is final: its exact type is what a dynamic_cast would look
  // for, told without the library's search (every seek comes here).
  RecordObserver* o = t.Observer();
  if (!o || typeid(*o) != typeid(AreaIndexes)) throw XbError("The work area has no index set");
  return static_cast<AreaIndexes&>(*o);
}

}  // namespace xbe::idx

namespace xbe {

void RefuseFileInUse(const std::string& path, const Table* indexesOf) {
  struct stat target {};
  if (path.empty() || ::stat(path.c_str(), &target) != 0) return;
  struct stat owner {};
  const bool ownIndexes = indexesOf && indexesOf->FileStatus(owner);
  for (const auto& slot : TheEngine().areas) {
    if (!slot) continue;
    const Table& t = *slot;
    bool used = t.UsesFile(target);
    if (!used && !(ownIndexes && t.UsesFile(owner))) {
      const auto* indexes = dynamic_cast<const idx::AreaIndexes*>(t.Observer());
      used = indexes && indexes->UsesFile(target);
    }
    if (used) throw XbError("File is in use: " + path);
  }
}

}  // namespace xbe
