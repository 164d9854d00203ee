// .NTX: one order per file, a B-tree of 1024-byte pages.
//
// Header (page 0, little-endian):
//   0 u16 signature (6; 7 with a FOR condition)   2 u16 change counter
//   4 u32 root page offset   8 u32 free page list (0: none)
//  12 u16 item size (key length + 8)   14 u16 key length   16 u16 key decimals
//  18 u16 most keys per page   20 u16 half of that
//  22 key expression (256 bytes, zero-terminated)
// 278 unique flag   280 descending flag   282 FOR expression (256 bytes)
// 538 order name (12 bytes)
// Page: u16 key count, then (most keys + 1) u16 item offsets within the
// page, then the items: u32 left child page offset (0: none), u32 record
// number, key bytes. Item number "count" holds only the rightmost child.
#include <algorithm>
#include <cstring>

#include "xbase_engine/index/IndexFile.h"

namespace xbe::idx {

namespace {

constexpr uint32_t kPage = 1024;

class NtxOrder : public Order {
 public:
  explicit NtxOrder(IndexFile& f) : Order(f.Store(), 0, false) {}
  int itemSize = 0;
  int maxKeys = 0;

  std::unique_ptr<Node> Decode(const uint8_t* p, uint32_t) override {
    auto n = std::make_unique<Node>();
    const int count = ReadLe16(p);
    if (count > maxKeys) throw XbError("Damaged index (key count): " + Store().Path());
    const size_t kl = size_t(fmt.length);
    n->keyLen = fmt.length;
    n->keys.resize(size_t(count) * kl);
    n->recs.resize(size_t(count));
    n->kids.resize(size_t(count) + 1);
    bool leaf = true;
    for (int j = 0; j <= count; ++j) {
      const uint32_t at = ReadLe16(p + 2 + 2 * j);
      if (at < 2 || at + uint32_t(itemSize) > kPage) throw XbError("Damaged index (item offset): " + Store().Path());
      n->kids[size_t(j)] = ReadLe32(p + at);
      if (n->kids[size_t(j)] != 0) leaf = false;
      if (j < count) {
        n->recs[size_t(j)] = ReadLe32(p + at + 4);
        std::memcpy(n->keys.data() + size_t(j) * kl, p + at + 8, kl);
      }
    }
    n->leaf = leaf;
    return n;
  }

  void Encode(const Node& n, uint8_t* p) override {
    const int count = n.n();
    WriteLe16(p, uint16_t(count));
    const uint32_t base = 2 + 2 * uint32_t(maxKeys + 1);
    for (int j = 0; j <= maxKeys; ++j) WriteLe16(p + 2 + 2 * j, uint16_t(base + uint32_t(j * itemSize)));
    for (int j = 0; j <= count; ++j) {
      uint8_t* it = p + base + uint32_t(j * itemSize);
      WriteLe32(it, n.kids[size_t(j)]);
      if (j < count) {
        WriteLe32(it + 4, n.recs[size_t(j)]);
        std::memcpy(it + 8, n.Key(j), size_t(fmt.length));
      }
    }
  }

  bool Fits(const Node& n) const override { return n.n() <= maxKeys; }
  size_t LeafRoom(uint32_t) const override { return size_t(maxKeys); }
  size_t LeafCost(const uint8_t*, const uint8_t*, uint32_t) const override { return 1; }
};

void PutText(uint8_t* p, size_t cap, const std::string& s) {
  std::memcpy(p, s.data(), std::min(s.size(), cap - 1));
}

std::string GetText(const uint8_t* p, size_t cap) {
  size_t n = 0;
  while (n < cap && p[n]) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

class NtxFile : public IndexFile {
 public:
  NtxFile(std::unique_ptr<PageStore> s) : IndexFile(FileKind::Ntx, std::move(s)) {
    orders_.push_back(std::make_unique<NtxOrder>(*this));
  }
  NtxOrder& O() { return static_cast<NtxOrder&>(*orders_[0]); }

  static void Limits(int keyLen, int& itemSize, int& maxKeys) {
    itemSize = keyLen + 8;
    maxKeys = int(kPage - 2) / (itemSize + 2) - 1;
    if (maxKeys % 2) --maxKeys;
  }

  void ReadHeaders() override {
    const uint8_t* h = store_->Bytes(0, kPage);
    const uint16_t sig = ReadLe16(h);
    const int keyLen = ReadLe16(h + 14);
    const int itemSize = ReadLe16(h + 12);
    const int maxKeys = ReadLe16(h + 18);
    const uint32_t root = ReadLe32(h + 4);
    NtxOrder& o = O();
    const std::string expr = GetText(h + 22, 256);
    const std::string cond = GetText(h + 282, 256);
    const std::string name = GetText(h + 538, 12);
    const bool unique = h[278] != 0;
    const bool desc = h[280] != 0;
    const int dec = ReadLe16(h + 16);
    store_->Validate();
    const uint8_t s = uint8_t(sig);
    if ((s != 6 && s != 7 && s != 3) || keyLen < 1 || keyLen > kMaxKeyLength || itemSize != keyLen + 8 ||
        maxKeys < 2 || 2 + 2 * (maxKeys + 1) + (maxKeys + 1) * itemSize > int(kPage) || root == 0 ||
        root % kPage != 0 || expr.empty()) {
      throw XbError("Not an NTX index: " + Path());
    }
    o.fmt.length = keyLen;
    o.fmt.decimals = dec;
    o.fmt.binaryNumbers = false;
    o.itemSize = itemSize;
    o.maxKeys = maxKeys;
    o.root = root;
    o.headerOffset = kPage;
    o.keyExpr = expr;
    o.forExpr = cond;
    o.unique = unique;
    o.descending = desc;
    o.name = name;
  }

  std::vector<uint8_t> Header(const Order& o) {
    std::vector<uint8_t> h(kPage, 0);
    const auto& no = static_cast<const NtxOrder&>(o);
    WriteLe16(h.data(), o.forExpr.empty() ? 6 : 7);
    WriteLe32(h.data() + 4, o.root);
    WriteLe16(h.data() + 12, uint16_t(no.itemSize));
    WriteLe16(h.data() + 14, uint16_t(o.fmt.length));
    WriteLe16(h.data() + 16, uint16_t(o.fmt.decimals));
    WriteLe16(h.data() + 18, uint16_t(no.maxKeys));
    WriteLe16(h.data() + 20, uint16_t(no.maxKeys / 2));
    PutText(h.data() + 22, 256, o.keyExpr);
    h[278] = o.unique ? 1 : 0;
    h[280] = o.descending ? 1 : 0;
    PutText(h.data() + 282, 256, o.forExpr);
    PutText(h.data() + 538, 12, o.name);
    return h;
  }

  void WriteHeaders() override {
    NtxOrder& o = O();
    if (!o.headerDirty) return;
    // Only the root pointer changes after a build.
    std::vector<uint8_t> b(4);
    WriteLe32(b.data(), o.root);
    store_->WriteRaw(4, std::move(b));
    o.headerDirty = false;
  }

  void Rebuild(const std::vector<OrderSpec>& specs, const std::vector<Entries>& entries, bool shrink) override {
    if (specs.size() != 1 || entries.size() != 1) throw XbError("An NTX index holds one order");
    NtxOrder& o = O();
    const OrderSpec& s = specs[0];
    if (s.fmt.length < 1 || s.fmt.length > kMaxKeyLength) throw XbError("Key too long for an index: " + s.keyExpr);
    o.fmt = s.fmt;
    o.fmt.binaryNumbers = false;
    o.keyExpr = s.keyExpr;
    o.forExpr = s.forExpr;
    o.unique = s.unique;
    o.descending = s.descending;
    o.name = s.name.substr(0, 10);
    Limits(o.fmt.length, o.itemSize, o.maxKeys);
    uint32_t next = kPage;
    auto nodes = BuildTree(o, entries[0], o.maxKeys, [&] {
      const uint32_t at = next;
      next += kPage;
      return at;
    });
    o.root = nodes.back()->offset;
    std::vector<uint8_t> image(next, 0);
    const std::vector<uint8_t> h = Header(o);
    std::memcpy(image.data(), h.data(), h.size());
    for (const auto& n : nodes) o.Encode(*n, image.data() + n->offset);
    store_->Rewrite(image, shrink);
    ReadHeaders();
  }
};

}  // namespace

std::unique_ptr<IndexFile> OpenNtx(const std::string& path, bool writable, bool create) {
  auto f = std::make_unique<NtxFile>(std::make_unique<PageStore>(path, create, writable, kPage, 2, 2));
  if (!create) f->Read(0, [] { return 0; });
  return f;
}

}  // namespace xbe::idx
