#include "xbase_engine/CryptConvert.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "xbase_engine/AreaIndexes.h"
#include "xbase_engine/Crypt.h"
#include "xbase_engine/Engine.h"
#include "xbase_engine/Filters.h"

namespace xbe {

namespace {

bool IsVisualFoxVersion(uint8_t v) { return v == 0x30 || v == 0x31 || v == 0x32; }

// The header the converted table gets: the crypt field's descriptor and the
// key block added (or taken away), everything else as it was.
std::vector<uint8_t> ConvertedHeader(const std::vector<uint8_t>& head, const DbfHeader& h, bool encrypt,
                                     const KeyBlock* block) {
  const size_t term = 32 + 32 * h.fields.size();
  std::vector<uint8_t> out;
  uint32_t recLen = h.recLen;
  if (encrypt) {
    uint8_t d[32] = {0};
    std::memcpy(d, kCryptFieldName, std::strlen(kCryptFieldName));
    d[11] = '0';
    if (IsVisualFoxVersion(h.version)) WriteLe32(d + 12, h.recLen);
    d[16] = uint8_t(kCryptFieldWidth);
    d[18] = 0x01;  // a system field
    out.assign(head.begin(), head.begin() + long(term));
    out.insert(out.end(), d, d + 32);
    out.insert(out.end(), head.begin() + long(term), head.end());
    const auto kb = BuildKeyBlock(*block);
    out.insert(out.end(), kb.begin(), kb.end());
    recLen += uint32_t(kCryptFieldWidth);
    out[15] = 0x01;
  } else {
    // The crypt field is the last descriptor, the key block the header's end.
    out.assign(head.begin(), head.begin() + long(term - 32));
    out.insert(out.end(), head.begin() + long(term), head.end() - long(kKeyBlockSize));
    recLen -= uint32_t(kCryptFieldWidth);
    out[15] = 0x00;
  }
  if (out.size() > kMaxHeaderLen || recLen > kMaxRecLen) throw XbError("The table is too wide to encrypt");
  WriteLe16(out.data() + 8, uint16_t(out.size()));
  WriteLe16(out.data() + 10, uint16_t(recLen));
  return out;
}

std::vector<uint8_t> ReadHeaderBytes(const std::string& path, uint32_t headerLen) {
  UniqueFd fd = OpenRegular(path, O_RDONLY);
  std::vector<uint8_t> head(headerLen);
  if (!fd || !ReadAt(fd.Get(), head.data(), head.size(), 0)) throw XbError("Cannot read the header of " + path);
  return head;
}

// A temporary file beside path, removed again unless Keep is called.
class TempFile {
 public:
  explicit TempFile(const std::string& path) {
    name_ = path + ".XXXXXX";
    fd_ = UniqueFd(::mkostemp(name_.data(), O_CLOEXEC));
    if (!fd_) throw XbError("Cannot create a file beside " + path + ": " + std::strerror(errno));
  }
  ~TempFile() {
    if (!kept_) ::unlink(name_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  int Fd() const { return fd_.Get(); }
  // Renames the file to path and hands over its descriptor.
  UniqueFd RenameTo(const std::string& path) {
    if (::rename(name_.c_str(), path.c_str()) != 0) throw XbError("Cannot replace " + path + ": " + std::strerror(errno));
    kept_ = true;
    return std::move(fd_);
  }

 private:
  std::string name_;
  UniqueFd fd_;
  bool kept_ = false;
};

// The rewritten table takes the place of t's file with its permissions and,
// where the system allows it, its owner and group (a temporary file starts as
// the process's own, readable by its owner only).
void KeepOwnerAndMode(const Table& t, int fd) {
  struct stat st {};
  if (!t.FileStatus(st)) throw XbError("Cannot read the permissions of " + t.Path() + ": " + std::strerror(errno));
  // Another owner needs privileges; the group alone may still be ours to
  // give. Where neither is allowed the new file stays the process's own.
  if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, uid_t(-1), st.st_gid) != 0) {
  }
  // After the owner: a change of owner may clear the set-id bits.
  if (::fchmod(fd, st.st_mode & 07777) != 0) {
    throw XbError("Cannot give the new table the permissions of " + t.Path() + ": " + std::strerror(errno));
  }
}

// Writes the records of t after newHead into fd, sealed with newKey or (when
// decrypting, newKey null) opened; memo texts are written anew in memo, sealed
// or opened likewise. Gives the blocks of the plain memo texts an encryption
// leaves behind, to be wiped once the new table has taken the old one's place.
std::vector<uint32_t> WriteRecords(Table& t, int fd, const std::vector<uint8_t>& newHead, uint32_t count,
                                   MemoFile* memo, const TableKey* newKey) {
  const bool encrypt = newKey != nullptr;
  const DbfHeader& h = t.Header();
  const uint32_t newRecLen = ReadLe16(newHead.data() + 10);
  std::vector<uint32_t> oldBlocks;
  std::vector<uint8_t> image(std::max(h.recLen, newRecLen), 0);
  std::vector<uint8_t> stored(newRecLen);
  for (uint32_t r = 1; r <= count; ++r) {
    t.Go(r);
    std::memset(image.data(), 0, image.size());
    t.CopyRecord(image.data());
    for (const FieldDesc& f : h.fields) {
      if (!IsMemoField(f) || f.hidden) continue;
      const uint32_t old = t.MemoBlock(f);
      if (old == 0 || !memo) continue;
      const std::string text = t.Memo(f);
      const uint32_t now = encrypt ? memo->Write(newKey->SealMemo(text), true) : memo->Write(text, f.type != 'M');
      const std::string ref = MemoReference(f, now);
      std::memset(image.data() + f.offset, f.binary ? 0 : ' ', size_t(f.width));
      std::memcpy(image.data() + f.offset, ref.data(), std::min(ref.size(), size_t(f.width)));
      if (encrypt) oldBlocks.push_back(old);
    }
    if (encrypt) {
      newKey->SealRecord(image.data(), stored.data(), newRecLen);
    } else {
      std::memcpy(stored.data(), image.data(), newRecLen);
    }
    WriteAt(fd, stored.data(), newRecLen, newHead.size() + uint64_t(r - 1) * newRecLen);
  }
  const uint8_t eofMark = 0x1A;
  WriteAt(fd, &eofMark, 1, newHead.size() + uint64_t(count) * newRecLen);
  return oldBlocks;
}

// What a work area has set on its table, to be set again when a new table
// takes the old one's place.
struct AreaState {
  std::string path;
  std::string alias;
  int commitLevel = 0;
  bool turbo = false;
  bool translate = false;
  std::string filter;
  bool indexed = false;
  int tableType = 0;
  std::vector<std::string> indexFiles;
  int order = 0;
};

AreaState SaveAreaState(Table& t) {
  AreaState s;
  s.path = t.Path();
  s.alias = t.Alias();
  s.commitLevel = t.CommitLevel();
  s.turbo = t.TurboRead();
  s.translate = t.Translating();
  // An expression filter is set again on the new table; a record set made
  // by the caller describes the old one and is dropped.
  if (const AreaFilter* f = ActiveFilter(t); f && f->condition && !f->records) s.filter = f->text;
  // The indexes open on the old table are opened on the new one (their keys
  // are the same), so that later writes keep them in step.
  if (const auto* oldIndexes = dynamic_cast<const idx::AreaIndexes*>(t.Observer())) {
    s.indexed = true;
    s.tableType = oldIndexes->TableType();
    s.indexFiles = oldIndexes->FilePaths();
    s.order = oldIndexes->CurrentOrder();
  }
  return s;
}

// Opens the table now in fd in the area (ending the old table there) with
// the settings s saved from the old one, on record recNo.
void ReopenArea(int area, UniqueFd fd, const AreaState& s, const std::string& password, uint32_t recNo) {
  Engine& e = TheEngine();
  auto fresh = std::make_unique<Table>(std::move(fd), s.path, s.alias, s.commitLevel, e.settings);
  fresh->SetPassword(password);
  fresh->SetTurboRead(s.turbo);
  fresh->SetTranslate(s.translate);
  idx::AreaIndexes* indexes = nullptr;
  if (s.indexed) {
    auto made = std::make_unique<idx::AreaIndexes>(*fresh, s.tableType, e.settings);
    indexes = made.get();
    fresh->SetObserver(std::move(made));
  }
  Table& now = *fresh;
  e.areas[size_t(area)] = std::move(fresh);  // the old table (and its index set) ends here
  if (indexes) {
    for (const std::string& file : s.indexFiles) indexes->OpenFile(file);
    indexes->SetOrder(s.order);
  }
  if (!s.filter.empty()) SetExpressionFilter(now, s.filter);
  now.Go(recNo);
}

}  // namespace

void ConvertTableCrypt(int area, bool encrypt) {
  Table* tp = AreaTable(area);
  if (!tp) NoCurrentTable();
  Table& t = *tp;
  if (t.Mode() != kModeExclusive) throw XbError("Encrypting or decrypting a table needs exclusive use");
  if (t.Encrypted() == encrypt) throw XbError(encrypt ? "The table is encrypted already" : "The table is not encrypted");
  const std::string password(t.Password());
  std::unique_ptr<TableKey> newKey;
  KeyBlock block;
  if (encrypt) {
    if (password.empty()) throw XbError("No password given for the table (xb_SetPassword)");
    newKey = TableKey::Create(password, block);
  } else if (!t.HasKey()) {
    throw XbError("The table's password is needed to decrypt it");
  }
  t.FlushAll();
  const DbfHeader& h = t.Header();
  const uint32_t n = t.RecCount();
  std::vector<uint8_t> newHead =
      ConvertedHeader(ReadHeaderBytes(t.Path(), h.headerLen), h, encrypt, encrypt ? &block : nullptr);
  WriteLe32(newHead.data() + 4, n);

  std::unique_ptr<MemoFile> memo;
  if (const MemoFile* m = t.MemoFileOf()) memo = std::make_unique<MemoFile>(m->Path(), m->Kind(), true);

  TempFile out(t.Path());
  if (!TryLock(out.Fd(), kShareByte, 1, LockType::Write)) throw XbError("Cannot lock the new table");
  WriteAt(out.Fd(), newHead.data(), newHead.size(), 0);
  const uint32_t keep = t.RecNo();
  // Plain memo texts to wipe after an encryption.
  const std::vector<uint32_t> oldBlocks = WriteRecords(t, out.Fd(), newHead, n, memo.get(), newKey.get());
  if (memo) memo->Sync();
  KeepOwnerAndMode(t, out.Fd());
  if (::fdatasync(out.Fd()) != 0) throw XbError("The new table did not reach the disk");

  const AreaState state = SaveAreaState(t);
  UniqueFd fd = out.RenameTo(state.path);
  if (memo) {
    for (uint32_t b : oldBlocks) memo->Wipe(b);
    memo->Sync();
  }
  ReopenArea(area, std::move(fd), state, password, keep);
}

}  // namespace xbe
