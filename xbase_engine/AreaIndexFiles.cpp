// The index files of a work area: where they lie, and opening, building,
// closing and rebuilding them. The orders they hold are walked and kept in
// step with the table in AreaIndexes.cpp.
#include <algorithm>

#include "platform/system/Files.h"
#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Progress.h"
#include "xbase_engine/Table.h"

namespace xbe::idx {

namespace {

std::string DirOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool HasExtension(const std::string& name) {
  const size_t slash = name.rfind('/');
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string BaseUpper(const std::string& path) {
  std::string n = path.substr(DirOf(path).size());
  const size_t dot = n.find('.');
  if (dot != std::string::npos) n.resize(dot);
  return UpperAscii(n);
}

// The compound index file a table opens with: its own name with the
// compound file's extension.
std::string ProductionPath(const std::string& tablePath, FileKind kind) {
  const size_t dot = tablePath.rfind('.');
  const bool hasDot = dot != std::string::npos && dot > DirOf(tablePath).size();
  const std::string base = hasDot ? tablePath.substr(0, dot) : tablePath;
  return sys::ResolveFileName(base + (kind == FileKind::Cdx ? ".CDX" : ".NSX"));
}

}  // namespace

FileKind AreaIndexes::SingleKind() const {
  if (tableType_ == 1) return FileKind::Ntx;
  if (tableType_ == 3 || tableType_ == 4) return FileKind::Nsx;
  return FileKind::Idx;
}

FileKind AreaIndexes::CompoundKind() const {
  if (tableType_ == 1) throw XbError("NTX tables have no compound index files");
  if (tableType_ == 3 || tableType_ == 4) return FileKind::Nsx;
  return FileKind::Cdx;
}

std::string AreaIndexes::PathFor(const std::string& name, bool compound) const {
  std::string p(Trim(name));
  if (p.empty()) throw XbError("No index file name given");
  if (!HasExtension(p)) {
    const FileKind k = compound ? CompoundKind() : SingleKind();
    p += k == FileKind::Ntx ? ".NTX" : k == FileKind::Idx ? ".IDX" : k == FileKind::Cdx ? ".CDX" : ".NSX";
  }
  if (p.find('/') == std::string::npos) p = DirOf(t_.Path()) + p;
  return sys::ResolveFileName(p);
}

std::string AreaIndexes::TagName(int n) const {
  const Slot s = At(n);
  if (!s.order) return {};
  if (!s.order->name.empty() && Compound(s.file->Kind())) return s.order->name;
  return BaseUpper(s.file->Path());
}

void AreaIndexes::OpenProduction() {
  if (tableType_ == 1) return;
  const std::string path = ProductionPath(t_.Path(), CompoundKind());
  if (!sys::FileExists(path)) return;
  try {
    OpenFile(path, !KeyMissing());
  } catch (const NeedsRebuild&) {
    // Rebuilt from masked records it would be wrong for everyone with the
    // password. Without the key the table cannot change, so the index may
    // wait for it; a read-only open refuses it as for any table.
    if (!KeyMissing() || t_.Mode() == kModeReadOnly) throw;
    pendingProduction_ = path;
  }
}

void AreaIndexes::KeyGiven() {
  if (pendingProduction_.empty() || KeyMissing()) return;
  const std::string path = pendingProduction_;
  bool open = false;
  for (const auto& e : files_) open = open || e.file->Path() == path;
  if (open || !sys::FileExists(path)) {
    pendingProduction_.clear();
    return;
  }
  const int before = Count();
  OpenFile(path);  // rebuilt now that the records show their values
  pendingProduction_.clear();
  // First among the files, as when it opens with the table; the order in
  // control stays the same one.
  std::rotate(files_.begin(), files_.end() - 1, files_.end());
  if (current_ != 0) current_ += Count() - before;
}

int AreaIndexes::OpenFile(const std::string& name, bool repair) {
  const std::string path = PathFor(name, false);
  for (const auto& e : files_) {
    if (e.file->Path() == path) {
      int n = 0;
      FirstOrderOf(e.file.get(), n);
      return n;
    }
  }
  if (!sys::FileExists(path)) throw XbError("Index file does not exist: " + path);
  const bool writable = t_.Mode() != kModeReadOnly;
  std::unique_ptr<IndexFile> f;
  try {
    f = IndexFile::Open(path, writable);
  } catch (const NeedsRebuild&) {
    if (!repair || !writable) throw;
    if (KeyMissing()) throw XbError("Index needs to be rebuilt, which needs the table's password: " + path);
    f = IndexFile::Open(path, writable, true);
  }
  if (tableType_ == 1 && f->Kind() != FileKind::Ntx) throw XbError("NTX tables use .NTX indexes: " + path);
  if (tableType_ != 1 && f->Kind() == FileKind::Ntx) throw XbError("Only NTX tables use .NTX indexes: " + path);
  Attach(*f);
  if (f->Store().Broken()) BuildFile(*f, SpecsOf(*f, nullptr));
  files_.push_back({std::move(f)});
  int n = 0;
  FirstOrderOf(files_.back().file.get(), n);
  return n;
}

std::vector<OrderSpec> AreaIndexes::SpecsOf(IndexFile& f, const Order* except, bool keepCollation) const {
  std::vector<OrderSpec> specs;
  for (auto& o : f.Orders()) {
    if (o.get() == except) continue;
    OrderSpec s;
    s.name = o->name;
    s.keyExpr = o->keyExpr;
    s.forExpr = o->forExpr;
    s.unique = o->unique;
    s.descending = o->descending;
    s.fmt = o->fmt;
    s.compare = keepCollation ? o->compare : CompareFor(o->fmt);
    specs.push_back(s);
  }
  return specs;
}

OrderSpec AreaIndexes::SpecFor(const std::string& name, const std::string& keyExpr, const std::string& cond,
                               bool unique, bool descending, bool binary) {
  OrderSpec s;
  s.name = UpperAscii(Trim(name));
  s.keyExpr = std::string(Trim(keyExpr));
  s.forExpr = std::string(Trim(cond));
  s.unique = unique;
  s.descending = descending;
  auto e = CompileKey(*fields_, s_, s.keyExpr);
  s.fmt = FormatFor(*e, binary);
  s.compare = CompareFor(s.fmt);
  if (!s.forExpr.empty()) {
    auto c = CompileKey(*fields_, s_, s.forExpr);
    if (c->ResultType() != expr::Type::Logical) throw XbError("Condition is not logical: " + s.forExpr);
  }
  return s;
}

void AreaIndexes::BuildFile(IndexFile& f, const std::vector<OrderSpec>& specs) {
  RefuseWithoutKey();
  // Keys of every record, per order.
  std::vector<std::unique_ptr<expr::Expression>> keys, conds;
  std::vector<Entries> entries(specs.size());
  for (size_t i = 0; i < specs.size(); ++i) {
    keys.push_back(CompileKey(*fields_, s_, specs[i].keyExpr));
    conds.push_back(specs[i].forExpr.empty() ? nullptr : CompileKey(*fields_, s_, specs[i].forExpr));
    entries[i].keyLen = specs[i].fmt.length;
  }
  t_.WriteCurrent();
  const bool wasEof = t_.Eof();
  const uint32_t keep = t_.RecNo();
  const uint32_t n = t_.RecCount();
  for (auto& e : entries) {
    e.recs.reserve(n);
    e.keys.reserve(size_t(n) * size_t(e.keyLen));
  }
  std::string key;
  // Reading the records is the work counted; writing the file is the last
  // step (100, reported also when the build fails).
  Progress progress(s_.gaugeCallback, uint64_t(n) + 1);
  {
  Table::ReadScope scan(t_);  // records read in blocks
  for (uint32_t r = 1; r <= n; ++r) {
    t_.Go(r);
    const expr::Row row = RowOf(t_);
    for (size_t i = 0; i < specs.size(); ++i) {
      if (conds[i] && !conds[i]->Test(row)) continue;
      MakeKey(*keys[i], row, specs[i].fmt, key);
      entries[i].keys.insert(entries[i].keys.end(), key.begin(), key.end());
      entries[i].recs.push_back(r);
    }
    progress.Step(r);
  }
  }
  for (size_t i = 0; i < specs.size(); ++i) {
    SortEntries(entries[i], specs[i].descending, specs[i].unique, specs[i].compare);
  }
  PageStore& st = f.Store();
  if (st.Writing()) {
    st.Abandon();
    st.EndWrite();
  }
  st.BeginWrite(false, WaitMs(), true);
  try {
    f.Rebuild(specs, entries, t_.Mode() == kModeExclusive);
    // Rebuilt orders keep the comparison they were sorted with.
    for (auto& o : f.Orders()) {
      for (const OrderSpec& sp : specs) {
        if (specs.size() == 1 || UpperAscii(sp.name) == UpperAscii(o->name)) {
          Bound& b = BoundFor(f, *o);
          b.compare = sp.compare;
          b.compareSet = true;
          b.compareType = sp.fmt.type;
          break;
        }
      }
    }
    if (f.bind) {
      for (auto& o : f.Orders()) f.bind(*o);
    }
  } catch (...) {
    st.Abandon();
    st.EndWrite();
    throw;
  }
  st.EndWrite();
  progress.Step(uint64_t(n) + 1);
  cur_.Reset();
  if (wasEof) {
    t_.GoPhantom(n == 0);
  } else {
    t_.Go(keep);
  }
}

int AreaIndexes::CreateIndex(const std::string& file, const std::string& keyExpr, const std::string& cond,
                             bool unique, bool descending) {
  const std::string path = PathFor(file, false);
  const FileKind kind = KindOfName(path);
  if ((tableType_ == 1) != (kind == FileKind::Ntx)) throw XbError("Index kind does not suit the table: " + path);
  if (t_.Mode() == kModeReadOnly) throw XbError("Table is read-only: " + t_.Path());
  RefuseWithoutKey();
  const OrderSpec spec = SpecFor(BaseUpper(path), keyExpr, cond, unique, descending, kind != FileKind::Ntx);
  RefuseFileInUse(path, &t_);
  // A file open here is replaced.
  for (size_t i = 0; i < files_.size(); ++i) {
    if (files_[i].file->Path() == path) {
      files_.erase(files_.begin() + ptrdiff_t(i));
      current_ = 0;
      break;
    }
  }
  auto f = IndexFile::Create(path, kind);
  Bind(*f);
  BuildFile(*f, {spec});
  files_.push_back({std::move(f)});
  int n = 0;
  FirstOrderOf(files_.back().file.get(), n);
  SetOrder(n);
  return n;
}

int AreaIndexes::CreateTag(const std::string& file, const std::string& tag, const std::string& keyExpr,
                           const std::string& cond, bool unique, bool descending) {
  if (Trim(tag).empty()) throw XbError("No tag name given");
  if (tableType_ == 1) return CreateIndex(Trim(file).empty() ? tag : file, keyExpr, cond, unique, descending);
  if (t_.Mode() == kModeReadOnly) throw XbError("Table is read-only: " + t_.Path());
  RefuseWithoutKey();
  std::string path;
  if (Trim(file).empty()) {
    path = ProductionPath(t_.Path(), CompoundKind());
  } else {
    path = PathFor(file, true);
  }
  const FileKind kind = KindOfName(path);
  if (!Compound(kind)) throw XbError("Tags need a compound index file: " + path);
  const OrderSpec spec = SpecFor(tag, keyExpr, cond, unique, descending, true);
  if (spec.name.size() > 10) throw XbError("Tag name longer than 10 characters: " + tag);
  RefuseFileInUse(path, &t_);
  IndexFile* f = nullptr;
  for (auto& e : files_) {
    if (e.file->Path() == path) f = e.file.get();
  }
  if (!f && sys::FileExists(path)) {
    OpenFile(path);
    f = files_.back().file.get();
  }
  std::vector<OrderSpec> specs;
  if (f) {
    const int same = TagArea(spec.name);
    const Slot old = same ? At(same) : Slot{};
    specs = SpecsOf(*f, old.file == f ? old.order : nullptr);
  } else {
    auto made = IndexFile::Create(path, kind);
    Bind(*made);
    files_.push_back({std::move(made)});
    f = files_.back().file.get();
  }
  specs.push_back(spec);
  BuildFile(*f, specs);
  const int n = TagArea(spec.name);
  SetOrder(n);
  return n;
}

void AreaIndexes::CloseCurrentFile() {
  const Slot s = Cur();
  if (!s.file) return;
  for (size_t i = 0; i < files_.size(); ++i) {
    if (files_[i].file.get() == s.file) {
      if (s.file->Store().Writing()) s.file->Flush();
      files_.erase(files_.begin() + ptrdiff_t(i));
      break;
    }
  }
  SetOrder(0);
}

void AreaIndexes::CloseAll() {
  for (auto& e : files_) {
    if (e.file->Store().Writing()) e.file->Flush();
  }
  files_.clear();
  bound_.clear();
  pendingProduction_.clear();
  SetOrder(0);
}

void AreaIndexes::Reindex() {
  if (!files_.empty()) RefuseWithoutKey();
  const int keep = current_;
  for (auto& e : files_) {
    BuildFile(*e.file, SpecsOf(*e.file, nullptr, false));
  }
  SetOrder(keep <= Count() ? keep : 0);
}

bool AreaIndexes::DeleteTag(const std::string& tag) {
  const int n = TagArea(tag);
  if (n == 0) return false;
  const Slot s = At(n);
  if (!Compound(s.file->Kind())) return false;
  RefuseWithoutKey();
  BuildFile(*s.file, SpecsOf(*s.file, s.order));
  SetOrder(0);
  return true;
}

}  // namespace xbe::idx
