#include "xbase_engine/index/IndexFile.h"

namespace xbe::idx {

FileKind KindOfName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    throw XbError("Index file name without extension: " + path);
  }
  const std::string ext = UpperAscii(path.substr(dot));
  if (ext == ".NTX") return FileKind::Ntx;
  if (ext == ".IDX") return FileKind::Idx;
  if (ext == ".CDX") return FileKind::Cdx;
  if (ext == ".NSX") return FileKind::Nsx;
  throw XbError("Not an index file name: " + path);
}

std::unique_ptr<IndexFile> IndexFile::Open(const std::string& path, bool writable, bool acceptBroken) {
  if (acceptBroken) {
    // Opened without reading, told to accept a cut-short write, then read.
    std::unique_ptr<IndexFile> f;
    switch (KindOfName(path)) {
      case FileKind::Ntx: f = OpenNtx(path, writable, true); break;
      case FileKind::Idx: f = OpenFox(path, writable, true, false); break;
      case FileKind::Cdx: f = OpenFox(path, writable, true, true); break;
      case FileKind::Nsx: f = OpenNsx(path, writable, true); break;
    }
    f->Store().AcceptBroken();
    f->Read(0, [] { return 0; });
    return f;
  }
  switch (KindOfName(path)) {
    case FileKind::Ntx: return OpenNtx(path, writable, false);
    case FileKind::Idx: return OpenFox(path, writable, false, false);
    case FileKind::Cdx: return OpenFox(path, writable, false, true);
    case FileKind::Nsx: return OpenNsx(path, writable, false);
  }
  throw XbError("Not an index file name: " + path);
}

std::unique_ptr<IndexFile> IndexFile::Create(const std::string& path, FileKind kind) {
  switch (kind) {
    case FileKind::Ntx: return OpenNtx(path, true, true);
    case FileKind::Idx: return OpenFox(path, true, true, false);
    case FileKind::Cdx: return OpenFox(path, true, true, true);
    case FileKind::Nsx: return OpenNsx(path, true, true);
  }
  throw XbError("Unknown index kind");
}

void IndexFile::AdoptOrders(const std::vector<Order*>& picked, std::vector<std::unique_ptr<Order>>& made) {
  std::vector<std::unique_ptr<Order>> fresh;
  for (Order* p : picked) {
    for (auto* from : {&orders_, &made}) {
      for (auto& o : *from) {
        if (o.get() == p) fresh.push_back(std::move(o));
      }
    }
  }
  for (auto& o : orders_) {
    if (o) retired_.push_back(std::move(o));
  }
  orders_ = std::move(fresh);
}

void IndexFile::EncodeNode(const Node& n, uint8_t* page) {
  for (auto& o : orders_) {
    if (o->Tag() == n.tag) {
      o->Encode(n, page);
      return;
    }
  }
  throw XbError("Index page of an unknown order: " + Path());
}

}  // namespace xbe::idx
