// .IDX (compact, one order) and .CDX (compound: tags) of FOX tables: B+ trees
// of 512-byte pages.
//
// Order header (1024 bytes; little-endian): 0 u32 root page, 4 u32 free page
// list (0xFFFFFFFF: none), 8 u32 change counter (kept in the file's first
// header), 12 u16 key length, 14 options (0x01 unique, 0x08 FOR condition,
// 0x20 compact, 0x40 compound: the tag directory), 15 signature (1),
// 502 u16 0 ascending / 1 descending, 506 u16 FOR expression length,
// 510 u16 key expression length (both with their zero byte), 512 the key
// expression followed by the FOR expression.
//
// A .CDX starts with the tag directory's header: an order of 10-byte tag
// names whose record numbers are the offsets of the tags' headers.
//
// Node: 0 u16 attributes (0 interior, 1 root, 2 leaf; 3 a root leaf),
// 2 u16 entries, 4 u32 left sibling, 8 u32 right sibling (0xFFFFFFFF: none).
// Interior entries from 12: key, u32 record number and u32 child page, both
// big-endian; the key is the highest key of the child. Leaves: 12 u16 free
// bytes, 14 u32 record number mask, 18 duplicate count mask, 19 trailing count
// mask, 20..22 bits of record number / duplicate count / trailing count,
// 23 bytes per entry; from 24 one little-endian bit field per entry (record
// number, then bytes shared with the previous key, then trailing blanks, or
// zero bytes for keys that are not text); the rest of every key sits at the
// end of the node, the first entry's last.
#include <algorithm>
#include <cstring>

#include "xbase_engine/index/IndexFile.h"

namespace xbe::idx {

namespace {

constexpr uint32_t kPage = 512;
constexpr uint32_t kHeader = 1024;
constexpr size_t kLeafData = 24;
constexpr int kDirKeyLen = 10;

int BitsFor(uint32_t v) {
  int b = 1;
  while (b < 32 && (v >> b) != 0) ++b;
  return b;
}

uint32_t ReadBe(const uint8_t* p) { return ReadBe32(p); }

class FoxOrder : public Order {
 public:
  FoxOrder(IndexFile& f, int tag) : Order(f.Store(), tag, true) {}
  char Trail() const { return fmt.type == 'C' ? ' ' : '\0'; }

  struct Layout {
    int recBits, dupBits, bytes;
  };
  Layout LayoutFor(uint32_t maxRec) const {
    Layout l;
    l.dupBits = BitsFor(uint32_t(fmt.length));
    const int need = BitsFor(std::max<uint32_t>(maxRec, 1)) + 2 * l.dupBits;
    l.bytes = std::max(3, (need + 7) / 8);
    l.recBits = std::min(32, l.bytes * 8 - 2 * l.dupBits);
    return l;
  }
  size_t TrailOf(const uint8_t* k) const {
    size_t t = 0;
    const size_t kl = size_t(fmt.length);
    while (t < kl && k[kl - 1 - t] == uint8_t(Trail())) ++t;
    return t;
  }
  size_t DupOf(const uint8_t* prev, const uint8_t* k, size_t limit) const {
    size_t d = 0;
    while (d < limit && prev[d] == k[d]) ++d;
    return d;
  }

  size_t LeafRoom(uint32_t maxRec) const override {
    (void)maxRec;
    return kPage - kLeafData;
  }
  size_t LeafCost(const uint8_t* prev, const uint8_t* key, uint32_t maxRec) const override {
    const size_t kl = size_t(fmt.length);
    const size_t t = TrailOf(key);
    const size_t d = prev ? DupOf(prev, key, kl - t) : 0;
    return size_t(LayoutFor(maxRec).bytes) + kl - t - d;
  }

  // Bytes entry i of a leaf takes after its bit field: the key less the
  // bytes shared with entry i - 1 and its trailing blanks.
  size_t KeyBytes(const Node& n, int i) const {
    const size_t kl = size_t(fmt.length);
    const uint8_t* k = n.Key(i);
    const size_t t = TrailOf(k);
    return kl - t - (i > 0 ? DupOf(n.Key(i - 1), k, kl - t) : 0);
  }

  bool Fits(const Node& n) const override {
    const size_t kl = size_t(fmt.length);
    if (!n.leaf) return size_t(n.n()) * (kl + 8) <= kPage - 12;
    uint32_t maxRec = 1;
    for (uint32_t r : n.recs) maxRec = std::max(maxRec, r);
    if (n.sizeVar < 0) {
      // Measured once; inserts and removals keep the measure.
      size_t var = 0;
      for (int i = 0; i < n.n(); ++i) var += KeyBytes(n, i);
      n.sizeVar = int32_t(var);
    }
    const size_t used = kLeafData + size_t(n.n()) * size_t(LayoutFor(maxRec).bytes) + size_t(n.sizeVar);
    return used <= kPage;
  }

  // KeyBytes of entry j when entry p (-1: none) stands before it.
  size_t KeyBytesAfter(const Node& n, int j, int p) const {
    const size_t kl = size_t(fmt.length);
    const uint8_t* k = n.Key(j);
    const size_t t = TrailOf(k);
    return kl - t - (p >= 0 ? DupOf(n.Key(p), k, kl - t) : 0);
  }

  void Inserted(Node& n, int i, int32_t sizeVar) const override {
    if (sizeVar < 0) return;  // measured when next asked
    // Entry i + 1 followed entry i - 1 before; now entry i stands between.
    int64_t var = sizeVar + int64_t(KeyBytes(n, i));
    if (i + 1 < n.n()) var += int64_t(KeyBytes(n, i + 1)) - int64_t(KeyBytesAfter(n, i + 1, i - 1));
    n.sizeVar = int32_t(var);
  }

  int32_t Erasing(const Node& n, int i) const override {
    if (n.sizeVar < 0 || i < 0 || i >= n.n()) return -1;
    // Entry i + 1 will follow entry i - 1.
    int64_t var = n.sizeVar - int64_t(KeyBytes(n, i));
    if (i + 1 < n.n()) var += int64_t(KeyBytesAfter(n, i + 1, i - 1)) - int64_t(KeyBytes(n, i + 1));
    return var < 0 ? -1 : int32_t(var);
  }

  std::unique_ptr<Node> Decode(const uint8_t* p, uint32_t) override {
    auto n = std::make_unique<Node>();
    const size_t kl = size_t(fmt.length);
    const uint16_t attr = ReadLe16(p);
    const int count = ReadLe16(p + 2);
    n->left = ReadLe32(p + 4);
    n->right = ReadLe32(p + 8);
    n->leaf = (attr & 2) != 0;
    n->keyLen = fmt.length;
    if (attr > 3) throw XbError("Damaged index (node attributes): " + Store().Path());
    if (!n->leaf) {
      if (size_t(count) * (kl + 8) > kPage - 12) throw XbError("Damaged index (entry count): " + Store().Path());
      n->keys.resize(size_t(count) * kl);
      for (int i = 0; i < count; ++i) {
        const uint8_t* e = p + 12 + size_t(i) * (kl + 8);
        std::memcpy(n->Key(i), e, kl);
        n->recs.push_back(ReadBe(e + kl));
        n->kids.push_back(ReadBe(e + kl + 4));
      }
      return n;
    }
    const uint32_t recMask = ReadLe32(p + 14);
    const int recBits = p[20], dupBits = p[21], trailBits = p[22], bytes = p[23];
    if (bytes < 1 || bytes > 8 || recBits + dupBits + trailBits > bytes * 8 || recBits > 32 || dupBits > 16 ||
        trailBits > 16 || kLeafData + size_t(count) * size_t(bytes) > kPage) {
      throw XbError("Damaged index (leaf layout): " + Store().Path());
    }
    n->keys.resize(size_t(count) * kl);
    n->recs.resize(size_t(count));
    size_t keyPos = kPage;
    const size_t infoEnd = kLeafData + size_t(count) * size_t(bytes);
    for (int i = 0; i < count; ++i) {
      uint64_t v = 0;
      for (int b = bytes - 1; b >= 0; --b) v = v << 8 | p[kLeafData + size_t(i) * size_t(bytes) + size_t(b)];
      const uint32_t rec = uint32_t(v) & recMask;
      const size_t dup = size_t((v >> recBits) & ((uint64_t(1) << dupBits) - 1));
      const size_t trail = size_t((v >> (recBits + dupBits)) & ((uint64_t(1) << trailBits) - 1));
      if (dup + trail > kl || (i == 0 && dup != 0)) throw XbError("Damaged index (leaf key): " + Store().Path());
      const size_t len = kl - dup - trail;
      if (keyPos < infoEnd + len) throw XbError("Damaged index (leaf keys overlap): " + Store().Path());
      keyPos -= len;
      uint8_t* k = n->Key(i);
      if (dup) std::memcpy(k, n->Key(i - 1), dup);
      std::memcpy(k + dup, p + keyPos, len);
      std::memset(k + dup + len, Trail(), trail);
      n->recs[size_t(i)] = rec;
    }
    return n;
  }

  void Encode(const Node& n, uint8_t* p) override {
    const size_t kl = size_t(fmt.length);
    const uint16_t attr = uint16_t((n.leaf ? 2 : 0) | (n.offset == root ? 1 : 0));
    WriteLe16(p, attr);
    WriteLe16(p + 2, uint16_t(n.n()));
    WriteLe32(p + 4, n.left);
    WriteLe32(p + 8, n.right);
    if (!n.leaf) {
      for (int i = 0; i < n.n(); ++i) {
        uint8_t* e = p + 12 + size_t(i) * (kl + 8);
        std::memcpy(e, n.Key(i), kl);
        WriteBe32(e + kl, n.recs[size_t(i)]);
        WriteBe32(e + kl + 4, n.kids[size_t(i)]);
      }
      return;
    }
    uint32_t maxRec = 1;
    for (uint32_t r : n.recs) maxRec = std::max(maxRec, r);
    const Layout l = LayoutFor(maxRec);
    const uint32_t recMask = l.recBits >= 32 ? 0xFFFFFFFFu : (uint32_t(1) << l.recBits) - 1;
    WriteLe32(p + 14, recMask);
    p[18] = uint8_t((1u << l.dupBits) - 1);
    p[19] = uint8_t((1u << l.dupBits) - 1);
    p[20] = uint8_t(l.recBits);
    p[21] = uint8_t(l.dupBits);
    p[22] = uint8_t(l.dupBits);
    p[23] = uint8_t(l.bytes);
    size_t keyPos = kPage;
    for (int i = 0; i < n.n(); ++i) {
      const uint8_t* k = n.Key(i);
      const size_t trail = TrailOf(k);
      const size_t dup = i ? DupOf(n.Key(i - 1), k, kl - trail) : 0;
      const uint64_t v = uint64_t(n.recs[size_t(i)]) | uint64_t(dup) << l.recBits |
                         uint64_t(trail) << (l.recBits + l.dupBits);
      for (int b = 0; b < l.bytes; ++b) p[kLeafData + size_t(i) * size_t(l.bytes) + size_t(b)] = uint8_t(v >> (8 * b));
      const size_t len = kl - dup - trail;
      // Never written past the page: a leaf that does not fit is a fault here.
      if (keyPos < kLeafData + size_t(n.n()) * size_t(l.bytes) + len) {
        throw XbError("Index page overflow: " + Store().Path());
      }
      keyPos -= len;
      std::memcpy(p + keyPos, k + dup, len);
    }
    WriteLe16(p + 12, uint16_t(keyPos - (kLeafData + size_t(n.n()) * size_t(l.bytes))));
  }
};

std::string Pool(const uint8_t* h, size_t at, size_t len) {
  if (at + len > kHeader || len == 0) return std::string();
  std::string s(reinterpret_cast<const char*>(h + at), len);
  const size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

class FoxFile : public IndexFile {
 public:
  FoxFile(std::unique_ptr<PageStore> s, bool compound)
      : IndexFile(compound ? FileKind::Cdx : FileKind::Idx, std::move(s)), dir_(*this, -1) {}

  // Reads one order header at off into o; false when it is not a compact header.
  bool ReadOrderHeader(uint32_t off, FoxOrder& o) {
    const uint8_t* h = store_->Bytes(off, kHeader);
    const uint32_t root = ReadLe32(h);
    const int keyLen = ReadLe16(h + 12);
    const uint8_t opt = h[14];
    const bool desc = ReadLe16(h + 502) != 0;
    const size_t forLen = ReadLe16(h + 506);
    const size_t keyExprLen = ReadLe16(h + 510);
    const std::string expr = Pool(h, 512, std::min<size_t>(keyExprLen, kHeader - 512));
    const std::string cond = forLen ? Pool(h, 512 + keyExprLen, forLen) : std::string();
    store_->Validate();
    if (!(opt & 0x20) || keyLen < 1 || keyLen > kMaxKeyLength || root % kPage != 0 || root < off + kHeader ||
        (size_t(keyLen) + 8) * 2 > kPage - 12) {
      return false;
    }
    o.fmt.length = keyLen;
    o.fmt.binaryNumbers = true;
    o.root = root;
    o.headerOffset = off;
    o.unique = (opt & 0x01) != 0;
    o.descending = desc;
    o.keyExpr = expr;
    o.forExpr = (opt & 0x08) ? cond : std::string();
    return true;
  }

  void ReadHeaders() override {
    if (kind_ == FileKind::Idx) {
      if (orders_.empty()) orders_.push_back(std::make_unique<FoxOrder>(*this, 0));
      auto& o = static_cast<FoxOrder&>(*orders_[0]);
      if (!ReadOrderHeader(0, o) || o.keyExpr.empty() || (store_->Bytes(0, kHeader)[14] & 0x40)) {
        throw XbError("Not a compact IDX index: " + Path());
      }
      o.name = BaseName();
      return;
    }
    if (!ReadOrderHeader(0, dir_) || !(store_->Bytes(0, kHeader)[14] & 0x40) || dir_.fmt.length != kDirKeyLen) {
      throw XbError("Not a CDX index: " + Path());
    }
    dir_.fmt.type = 'C';
    dir_.fmt.binaryNumbers = false;
    // The tag directory, in name order.
    std::vector<std::pair<std::string, uint32_t>> tags;
    Cursor c;
    for (bool ok = dir_.First(c); ok; ok = dir_.Next(c)) {
      if (tags.size() > 512) throw XbError("Damaged index (too many tags): " + Path());
      tags.emplace_back(std::string(TrimRight(c.key)), c.rec);
    }
    // The objects of tags that stay are kept, so that positions held elsewhere survive.
    std::vector<Order*> picked;
    std::vector<std::unique_ptr<Order>> made;
    for (size_t i = 0; i < tags.size(); ++i) {
      Order* o = PickOrder(tags[i].first, picked, made, [&] { return std::make_unique<FoxOrder>(*this, int(i)); });
      const KeyFormat keep = o->fmt;
      if (!ReadOrderHeader(tags[i].second, static_cast<FoxOrder&>(*o)) || o->keyExpr.empty()) {
        throw XbError("Damaged index (tag header): " + Path());
      }
      o->fmt.type = keep.type == 0 ? 'C' : keep.type;
      o->name = tags[i].first;
      picked.push_back(o);
    }
    AdoptOrders(picked, made);
    // Tag numbers follow the directory; nodes cached under old numbers go.
    for (size_t i = 0; i < orders_.size(); ++i) orders_[i]->SetTag(int(i));
  }

  std::string BaseName() const {
    std::string p = store_->Path();
    const size_t slash = p.rfind('/');
    if (slash != std::string::npos) p = p.substr(slash + 1);
    const size_t dot = p.find('.');
    if (dot != std::string::npos) p.resize(dot);
    return UpperAscii(p);
  }

  std::vector<uint8_t> Header(const Order& o, uint8_t extra) {
    std::vector<uint8_t> h(kHeader, 0);
    WriteLe32(h.data(), o.root);
    WriteLe32(h.data() + 4, kNoPage);
    WriteLe16(h.data() + 12, uint16_t(o.fmt.length));
    h[14] = uint8_t(0x20 | extra | (o.unique ? 0x01 : 0) | (o.forExpr.empty() ? 0 : 0x08));
    h[15] = 1;
    WriteLe16(h.data() + 502, o.descending ? 1 : 0);
    const std::string k = o.keyExpr.substr(0, 220);
    const std::string f = o.forExpr.substr(0, 220);
    WriteLe16(h.data() + 510, uint16_t(k.size() + 1));
    WriteLe16(h.data() + 506, uint16_t(f.empty() ? 0 : f.size() + 1));
    std::memcpy(h.data() + 512, k.data(), k.size());
    if (!f.empty()) std::memcpy(h.data() + 512 + k.size() + 1, f.data(), f.size());
    return h;
  }

  void WriteHeaders() override {
    for (auto& o : orders_) {
      if (!o->headerDirty) continue;
      std::vector<uint8_t> b(4);
      WriteLe32(b.data(), o->root);
      store_->WriteRaw(o->headerOffset, std::move(b));
      o->headerDirty = false;
    }
  }

  void Rebuild(const std::vector<OrderSpec>& specs, const std::vector<Entries>& entries, bool shrink) override {
    if (kind_ == FileKind::Idx && specs.size() != 1) throw XbError("An IDX index holds one order");
    uint32_t next = kind_ == FileKind::Cdx ? kHeader : 0;
    auto alloc = [&] {
      const uint32_t at = next;
      next += kPage;
      return at;
    };
    std::vector<std::unique_ptr<FoxOrder>> built;
    std::vector<std::vector<std::unique_ptr<Node>>> trees;
    std::vector<uint32_t> headers;
    for (size_t i = 0; i < specs.size(); ++i) {
      const OrderSpec& s = specs[i];
      if (s.fmt.length < 1 || s.fmt.length > kMaxKeyLength || (size_t(s.fmt.length) + 8) * 2 > kPage - 12) {
        throw XbError("Key too long for an index: " + s.keyExpr);
      }
      auto o = std::make_unique<FoxOrder>(*this, int(i));
      o->fmt = s.fmt;
      o->fmt.binaryNumbers = true;
      o->keyExpr = s.keyExpr;
      o->forExpr = s.forExpr;
      o->unique = s.unique;
      o->descending = s.descending;
      o->name = UpperAscii(s.name.substr(0, kDirKeyLen));
      const uint32_t h = next;
      next += kHeader;
      o->headerOffset = h;
      trees.push_back(BuildTree(*o, entries[i], 0, alloc));
      o->root = trees.back().back()->offset;
      headers.push_back(h);
      built.push_back(std::move(o));
    }
    // The directory: tag names in order, pointing at the headers.
    FoxOrder dir(*this, -1);
    std::vector<std::unique_ptr<Node>> dirTree;
    if (kind_ == FileKind::Cdx) {
      dir.fmt = KeyFormat{'C', kDirKeyLen, 0, false};
      Entries names;
      names.keyLen = kDirKeyLen;
      for (size_t i = 0; i < built.size(); ++i) {
        const std::string n = EncodeText(built[i]->name, dir.fmt);
        names.keys.insert(names.keys.end(), n.begin(), n.end());
        names.recs.push_back(headers[i]);
      }
      SortEntries(names, false, false, KeyCompare{});
      for (size_t i = 1; i < names.size(); ++i) {
        if (std::memcmp(names.Key(i - 1), names.Key(i), kDirKeyLen) == 0) throw XbError("Two tags of one name");
      }
      dirTree = BuildTree(dir, names, 0, alloc);
      dir.root = dirTree.back()->offset;
    }
    std::vector<uint8_t> image(next, 0);
    if (kind_ == FileKind::Cdx) {
      const auto h = Header(dir, 0x40);
      std::memcpy(image.data(), h.data(), h.size());
      for (const auto& n : dirTree) dir.Encode(*n, image.data() + n->offset);
    }
    for (size_t i = 0; i < built.size(); ++i) {
      const auto h = Header(*built[i], 0);
      std::memcpy(image.data() + headers[i], h.data(), h.size());
      for (const auto& n : trees[i]) built[i]->Encode(*n, image.data() + n->offset);
    }
    store_->Rewrite(image, shrink);
    // Order objects are kept by name (their key types stay known).
    std::vector<std::unique_ptr<Order>> keep;
    for (size_t i = 0; i < built.size(); ++i) {
      std::unique_ptr<Order> o;
      for (auto& old : orders_) {
        if (old && old->name == built[i]->name) o = std::move(old);
      }
      if (!o) o = std::move(built[i]);
      o->fmt.type = specs[i].fmt.type;
      keep.push_back(std::move(o));
    }
    orders_ = std::move(keep);
    if (kind_ == FileKind::Cdx) {
      // Directory order sets the tag numbers; re-read it.
      ReadHeaders();
      for (auto& o : orders_) {
        for (const OrderSpec& s : specs) {
          if (UpperAscii(s.name.substr(0, kDirKeyLen)) == o->name) o->fmt.type = s.fmt.type;
        }
      }
    } else {
      ReadHeaders();
      orders_[0]->fmt.type = specs[0].fmt.type;
    }
  }

 private:
  FoxOrder dir_;
};

}  // namespace

std::unique_ptr<IndexFile> OpenFox(const std::string& path, bool writable, bool create, bool compound) {
  auto f = std::make_unique<FoxFile>(std::make_unique<PageStore>(path, create, writable, kPage, 8, 4), compound);
  if (!create) f->Read(0, [] { return 0; });
  return f;
}

}  // namespace xbe::idx
