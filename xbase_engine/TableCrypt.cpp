// The parts of Table that encrypted tables and code page translation need.
#include <cstring>

#include "xbase_engine/Table.h"

namespace xbe {

namespace {

bool IsTextField(const FieldDesc& f) { return !f.binary && (f.type == 'C' || f.type == 'V'); }

}  // namespace

void Table::ReadHeaderExtras(const uint8_t* head, size_t size) {
  if (size > 29) codePageMark_ = head[29];
  if (!hdr_.encrypted) return;
  // Ours: a key block ends the header and the hidden crypt field ends the
  // record. Anything else was encrypted by a program we cannot follow.
  const FieldDesc& last = hdr_.fields.back();
  keyBlock_ = ParseKeyBlock(head, std::min<size_t>(size, hdr_.headerLen));
  if (!keyBlock_ || last.name != kCryptFieldName || last.type != '0' || last.width != kCryptFieldWidth ||
      size_t(last.offset) + size_t(kCryptFieldWidth) != hdr_.recLen) {
    throw XbError("Table encrypted by an unknown scheme: " + path_);
  }
  // The crypt field shares its type letter with the null flags: the null
  // flags are the other field of that type, if any.
  hdr_.nullFlagsField = -1;
  for (size_t i = 0; i + 1 < hdr_.fields.size(); ++i) {
    if (hdr_.fields[i].type == '0') hdr_.nullFlagsField = int(i);
  }
  for (const FieldDesc& f : hdr_.fields) {
    if (f.nullBit >= 0 && (hdr_.nullFlagsField < 0 || f.nullBit >= hdr_.fields[size_t(hdr_.nullFlagsField)].width * 8)) {
      throw XbError("Corrupt table header: null flags too narrow");
    }
  }
}

const uint8_t* Table::View(uint32_t rec) { return Unseal(rec, view_, true); }

const uint8_t* Table::Peek(uint32_t rec) { return Unseal(rec, probe_, false); }

const uint8_t* Table::Unseal(uint32_t rec, std::vector<uint8_t>& buf, bool current) {
  const uint8_t* p = RecordPtr(rec);
  if (!p) return nullptr;
  // Batched records wait in memory as they were given: only stored ones are sealed.
  if (!hdr_.encrypted || rec < 1 || rec > diskCount_) return p;
  buf.resize(hdr_.recLen);
  if (key_ && key_->OpenRecord(p, buf.data(), hdr_.recLen)) {
    if (current && badRec_ == rec) badRec_ = 0;
  } else {
    if (current && key_) badRec_ = rec;
    MaskRecord(hdr_, p, buf.data());
  }
  return buf.data();
}

const uint8_t* Table::Stored(const uint8_t* plain) {
  if (!hdr_.encrypted) return plain;
  CheckKey();
  sealed_.resize(hdr_.recLen);
  key_->SealRecord(plain, sealed_.data(), hdr_.recLen);
  return sealed_.data();
}

const uint8_t* Table::SealBatch() {
  CheckKey();
  const size_t bytes = size_t(pendingCount_) * hdr_.recLen;
  sealed_.resize(bytes + 1);
  for (size_t off = 0; off < bytes; off += hdr_.recLen) {
    key_->SealRecord(pending_.data() + off, sealed_.data() + off, hdr_.recLen);
  }
  sealed_[bytes] = 0x1A;
  return sealed_.data();
}

std::string Table::OpenMemoData(std::string stored) const {
  if (!hdr_.encrypted) return stored;
  std::string plain;
  if (!key_ || !key_->OpenMemo(stored, plain)) throw XbError("A memo of " + path_ + " cannot be decrypted");
  return plain;
}

std::string Table::SealMemoData(const std::string& plain) const {
  CheckKey();
  return key_->SealMemo(plain);
}

void Table::CheckKey() const {
  if (hdr_.encrypted && !key_) throw XbError("The table is encrypted: changing it needs its password: " + path_);
}

void Table::CheckReadable() const {
  if (hdr_.encrypted && badRec_ != 0 && badRec_ == recno_ && !curInBuf_) {
    throw XbError("Record " + std::to_string(recno_) + " of " + path_ + " was altered: it cannot be decrypted");
  }
}

bool Table::SetPassword(std::string_view password) {
  // What waits in memory is written under the key it was made with.
  FlushAll();
  key_.reset();
  badRec_ = 0;
  password_.Set(password);
  bool ok = true;
  if (hdr_.encrypted && !password.empty()) {
    key_ = TableKey::Open(*keyBlock_, password);
    ok = key_ != nullptr;
    if (!ok) password_.Clear();
  }
  if (!curInBuf_) Locate();  // the current record as the new key shows it
  return ok;
}

std::optional<DosPage> Table::Translation() const {
  if (!translate_) return std::nullopt;
  return DosPageForMark(codePageMark_);
}

std::string Table::ShownText(std::string_view stored) const {
  const auto page = Translation();
  return page ? DosToWindows(*page, stored) : std::string(stored);
}

std::string Table::StoredText(std::string_view shown) const {
  const auto page = Translation();
  return page ? WindowsToDos(*page, shown) : std::string(shown);
}

void Table::ShowTranslated(uint8_t* image) const {
  const auto page = Translation();
  if (!page) return;
  for (const FieldDesc& f : hdr_.fields) {
    if (IsTextField(f)) DosToWindows(*page, reinterpret_cast<char*>(image) + f.offset, size_t(f.width));
  }
}

void Table::StoreImage(uint8_t* image) const {
  const auto page = Translation();
  if (!page) return;
  for (const FieldDesc& f : hdr_.fields) {
    if (IsTextField(f)) WindowsToDos(*page, reinterpret_cast<char*>(image) + f.offset, size_t(f.width));
  }
}

}  // namespace xbe
