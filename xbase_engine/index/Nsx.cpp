// .NSX: this engine's own compound index format (tags), B+ trees of 1024-byte
// pages. The layout is described in xbase_engine/INDEXES.md; a file that does
// not start with the signature is refused.
#include <algorithm>
#include <cstring>

#include "xbase_engine/index/IndexFile.h"

namespace xbe::idx {

namespace {

constexpr uint32_t kPage = 1024;
constexpr char kMagic[8] = {'T', 'W', 'N', 'S', 'X', '\x1A', '\x01', '\0'};
constexpr size_t kDirAt = 32;
constexpr size_t kDirEntry = 16;
constexpr size_t kMaxTags = (kPage - kDirAt) / kDirEntry;
constexpr size_t kNodeData = 12;

class NsxOrder : public Order {
 public:
  NsxOrder(IndexFile& f, int tag) : Order(f.Store(), tag, true) {}
  size_t Entry(bool leaf) const { return size_t(fmt.length) + (leaf ? 4 : 8); }
  bool Fits(const Node& n) const override { return kNodeData + size_t(n.n()) * Entry(n.leaf) <= kPage; }
  size_t LeafRoom(uint32_t) const override { return kPage - kNodeData; }
  size_t LeafCost(const uint8_t*, const uint8_t*, uint32_t) const override { return Entry(true); }

  std::unique_ptr<Node> Decode(const uint8_t* p, uint32_t) override {
    auto n = std::make_unique<Node>();
    if (p[0] != 1 && p[0] != 2) throw XbError("Damaged index (node kind): " + Store().Path());
    n->leaf = p[0] == 1;
    const int count = ReadLe16(p + 2);
    n->left = ReadLe32(p + 4);
    n->right = ReadLe32(p + 8);
    n->keyLen = fmt.length;
    const size_t kl = size_t(fmt.length), es = Entry(n->leaf);
    if (kNodeData + size_t(count) * es > kPage) throw XbError("Damaged index (entry count): " + Store().Path());
    n->keys.resize(size_t(count) * kl);
    for (int i = 0; i < count; ++i) {
      const uint8_t* e = p + kNodeData + size_t(i) * es;
      std::memcpy(n->Key(i), e, kl);
      n->recs.push_back(ReadLe32(e + kl));
      if (!n->leaf) n->kids.push_back(ReadLe32(e + kl + 4));
    }
    return n;
  }

  void Encode(const Node& n, uint8_t* p) override {
    p[0] = n.leaf ? 1 : 2;
    WriteLe16(p + 2, uint16_t(n.n()));
    WriteLe32(p + 4, n.left);
    WriteLe32(p + 8, n.right);
    const size_t kl = size_t(fmt.length), es = Entry(n.leaf);
    for (int i = 0; i < n.n(); ++i) {
      uint8_t* e = p + kNodeData + size_t(i) * es;
      std::memcpy(e, n.Key(i), kl);
      WriteLe32(e + kl, n.recs[size_t(i)]);
      if (!n.leaf) WriteLe32(e + kl + 4, n.kids[size_t(i)]);
    }
  }
};

std::string Text(const uint8_t* p, size_t cap) {
  size_t n = 0;
  while (n < cap && p[n]) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

class NsxFile : public IndexFile {
 public:
  explicit NsxFile(std::unique_ptr<PageStore> s) : IndexFile(FileKind::Nsx, std::move(s)) {}

  void ReadHeaders() override {
    const uint8_t* h = store_->Bytes(0, kPage);
    if (std::memcmp(h, kMagic, sizeof kMagic) != 0) {
      store_->Validate();
      throw XbError("Not an NSX index of this engine: " + Path());
    }
    const size_t tags = ReadLe16(h + 14);
    if (tags > kMaxTags) throw XbError("Damaged index (tag count): " + Path());
    std::vector<std::pair<std::string, uint32_t>> dir;
    for (size_t i = 0; i < tags; ++i) {
      const uint8_t* e = h + kDirAt + i * kDirEntry;
      dir.emplace_back(Text(e, 12), ReadLe32(e + 12));
    }
    // Tags are numbered in name order, as those of every compound file.
    std::stable_sort(dir.begin(), dir.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    // The objects of tags that stay are kept, so that positions held elsewhere survive.
    std::vector<Order*> picked;
    std::vector<std::unique_ptr<Order>> made;
    for (size_t i = 0; i < dir.size(); ++i) {
      const uint32_t off = dir[i].second;
      if (off < kPage || off % kPage) throw XbError("Damaged index (tag pointer): " + Path());
      const uint8_t* t = store_->Bytes(off, kPage);
      Order* o = PickOrder(dir[i].first, picked, made, [&] { return std::make_unique<NsxOrder>(*this, int(i)); });
      o->SetTag(int(i));
      o->name = dir[i].first;
      o->root = ReadLe32(t + 4);
      o->fmt.length = ReadLe16(t + 8);
      o->fmt.type = char(t[10]);
      o->fmt.decimals = t[11];
      o->fmt.binaryNumbers = true;
      o->unique = (t[12] & 1) != 0;
      o->descending = (t[12] & 2) != 0;
      o->keyExpr = Text(t + 32, 256);
      o->forExpr = Text(t + 288, 256);
      o->headerOffset = off;
      if (std::memcmp(t, "TAG", 4) != 0 || o->fmt.length < 1 || o->fmt.length > kMaxKeyLength ||
          std::string("CNDL").find(o->fmt.type) == std::string::npos || o->root % kPage || o->root <= off ||
          o->keyExpr.empty()) {
        store_->Validate();
        throw XbError("Damaged index (tag header): " + Path());
      }
      picked.push_back(o);
    }
    store_->Validate();
    AdoptOrders(picked, made);
  }

  void WriteHeaders() override {
    for (auto& o : orders_) {
      if (!o->headerDirty) continue;
      std::vector<uint8_t> b(4);
      WriteLe32(b.data(), o->root);
      store_->WriteRaw(o->headerOffset + 4, std::move(b));
      o->headerDirty = false;
    }
  }

  void Rebuild(const std::vector<OrderSpec>& specs, const std::vector<Entries>& entries, bool shrink) override {
    if (specs.size() > kMaxTags) throw XbError("Too many tags in one index");
    uint32_t next = kPage;
    auto alloc = [&] {
      const uint32_t at = next;
      next += kPage;
      return at;
    };
    std::vector<std::unique_ptr<NsxOrder>> built;
    std::vector<std::vector<std::unique_ptr<Node>>> trees;
    for (size_t i = 0; i < specs.size(); ++i) {
      const OrderSpec& s = specs[i];
      if (s.fmt.length < 1 || s.fmt.length > kMaxKeyLength) throw XbError("Key too long for an index: " + s.keyExpr);
      auto o = std::make_unique<NsxOrder>(*this, int(i));
      o->fmt = s.fmt;
      o->fmt.binaryNumbers = true;
      o->keyExpr = s.keyExpr;
      o->forExpr = s.forExpr;
      o->unique = s.unique;
      o->descending = s.descending;
      o->name = UpperAscii(s.name.substr(0, 11));
      o->headerOffset = alloc();
      trees.push_back(BuildTree(*o, entries[i], 0, alloc));
      o->root = trees.back().back()->offset;
      built.push_back(std::move(o));
    }
    std::vector<uint8_t> image(next, 0);
    std::memcpy(image.data(), kMagic, sizeof kMagic);
    WriteLe16(image.data() + 12, 1);
    WriteLe16(image.data() + 14, uint16_t(built.size()));
    for (size_t i = 0; i < built.size(); ++i) {
      const NsxOrder& o = *built[i];
      uint8_t* e = image.data() + kDirAt + i * kDirEntry;
      std::memcpy(e, o.name.data(), std::min<size_t>(o.name.size(), 11));
      WriteLe32(e + 12, o.headerOffset);
      uint8_t* t = image.data() + o.headerOffset;
      std::memcpy(t, "TAG", 4);
      WriteLe32(t + 4, o.root);
      WriteLe16(t + 8, uint16_t(o.fmt.length));
      t[10] = uint8_t(o.fmt.type);
      t[11] = uint8_t(o.fmt.decimals);
      t[12] = uint8_t((o.unique ? 1 : 0) | (o.descending ? 2 : 0));
      std::memcpy(t + 16, o.name.data(), std::min<size_t>(o.name.size(), 11));
      std::memcpy(t + 32, o.keyExpr.data(), std::min<size_t>(o.keyExpr.size(), 255));
      std::memcpy(t + 288, o.forExpr.data(), std::min<size_t>(o.forExpr.size(), 255));
      for (const auto& n : trees[i]) built[i]->Encode(*n, image.data() + n->offset);
    }
    store_->Rewrite(image, shrink);
    orders_.clear();
    ReadHeaders();
  }
};

}  // namespace

std::unique_ptr<IndexFile> OpenNsx(const std::string& path, bool writable, bool create) {
  auto f = std::make_unique<NsxFile>(std::make_unique<PageStore>(path, create, writable, kPage, 8, 4));
  if (!create) f->Read(0, [] { return 0; });
  return f;
}

}  // namespace xbe::idx
