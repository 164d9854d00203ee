#pragma once
// One open index file with its orders: .NTX and .IDX files hold one order,
// .CDX and .NSX files hold tags. The file kind follows from the extension
// and is checked against the header, so a file of another format is refused.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xbase_engine/Dbf.h"
#include "xbase_engine/index/Order.h"
#include "xbase_engine/index/PageStore.h"

namespace xbe::idx {

enum class FileKind { Ntx, Idx, Cdx, Nsx };

// The kind an index file name stands for; throws XbError for another extension.
FileKind KindOfName(const std::string& path);
// True when the kind keeps several orders (tags).
inline bool Compound(FileKind k) { return k == FileKind::Cdx || k == FileKind::Nsx; }

// What a new order is made of.
struct OrderSpec {
  std::string name;  // tag name (compound files); ignored otherwise
  std::string keyExpr;
  std::string forExpr;
  KeyFormat fmt;
  bool unique = false;
  bool descending = false;
  KeyCompare compare;  // how its keys are sorted
};

class IndexFile {
 public:
  virtual ~IndexFile() = default;
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  // Opens an existing index file (read-only when writable is false); throws
  // XbError for a file of another format.
  // With acceptBroken an index that needs a rebuild opens too (its store
  // then says Broken()).
  static std::unique_ptr<IndexFile> Open(const std::string& path, bool writable, bool acceptBroken = false);
  // Creates an empty file of the kind (Rebuild gives it its orders).
  static std::unique_ptr<IndexFile> Create(const std::string& path, FileKind kind);

  FileKind Kind() const { return kind_; }
  const std::string& Path() const { return store_->Path(); }
  PageStore& Store() { return *store_; }
  std::vector<std::unique_ptr<Order>>& Orders() { return orders_; }

  // Writes the whole file anew from these orders and their sorted entries
  // (the orders' descriptions are taken from specs).
  virtual void Rebuild(const std::vector<OrderSpec>& specs, const std::vector<Entries>& entries,
                       bool shrink) = 0;
  // Re-reads headers after the file changed (roots, tags).
  virtual void ReadHeaders() = 0;
  // Queues the headers of orders whose root changed.
  virtual void WriteHeaders() = 0;
  // Re-reads the headers and binds every order (bind is set by the work
  // area: it tells each order its key type).
  void Refresh() {
    ReadHeaders();
    if (bind) {
      for (auto& o : orders_) bind(*o);
    }
  }
  std::function<void(Order&)> bind;
  // Encodes a dirty node with its order.
  void EncodeNode(const Node& n, uint8_t* page);

  // Runs a reading operation on a consistent view of the file.
  template <class F>
  auto Read(int waitMs, F&& f) {
    for (int attempt = 0;; ++attempt) {
      try {
        if (!store_->Sync(waitMs)) Refresh();
        return f();
      } catch (const Changed&) {
        if (attempt > 10000) throw XbError("Index keeps changing: " + Path());
      }
    }
  }
  // Runs a changing operation under the index lock (or in a batch) and
  // writes its pages unless batched.
  template <class F>
  auto Write(bool batched, int waitMs, F&& f) {
    const bool began = !store_->Writing();
    if (began) {
      store_->BeginWrite(batched, waitMs);
      Refresh();
    }
    try {
      auto r = f();
      WriteHeaders();
      if (!batched) Flush();
      return r;
    } catch (...) {
      store_->Abandon();
      store_->EndWrite();
      throw;
    }
  }
  // Writes pending pages and ends a batch.
  void Flush() {
    WriteHeaders();
    store_->Flush([this](const Node& n, uint8_t* p) { EncodeNode(n, p); }, true);
  }

 protected:
  IndexFile(FileKind kind, std::unique_ptr<PageStore> store) : kind_(kind), store_(std::move(store)) {}

  // Re-reading the tags of a compound file. A caller in the middle of an
  // operation holds pointers to orders, and a read can fail half-way (the
  // file changed under it), so the order objects stay as they are until the
  // whole directory was read: PickOrder answers the object for a tag (the
  // one it had, else a new one kept in made), AdoptOrders then makes the
  // picked ones the file's orders. Orders of tags that are gone are kept
  // aside, not destroyed, while the file is open.
  template <class Make>
  Order* PickOrder(const std::string& name, const std::vector<Order*>& picked,
                   std::vector<std::unique_ptr<Order>>& made, Make&& make) {
    for (auto& o : orders_) {
      if (o && o->name == name && std::find(picked.begin(), picked.end(), o.get()) == picked.end()) return o.get();
    }
    made.push_back(make());
    return made.back().get();
  }
  void AdoptOrders(const std::vector<Order*>& picked, std::vector<std::unique_ptr<Order>>& made);

  FileKind kind_;
  std::unique_ptr<PageStore> store_;
  std::vector<std::unique_ptr<Order>> orders_;
  std::vector<std::unique_ptr<Order>> retired_;
};

// Format-specific constructors (one per file kind).
std::unique_ptr<IndexFile> OpenNtx(const std::string& path, bool writable, bool create);
std::unique_ptr<IndexFile> OpenFox(const std::string& path, bool writable, bool create, bool compound);
std::unique_ptr<IndexFile> OpenNsx(const std::string& path, bool writable, bool create);

}  // namespace xbe::idx
