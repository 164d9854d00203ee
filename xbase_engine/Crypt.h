#pragma once
// Encrypted tables and buffers. The scheme is described in CRYPT.md beside
// this file; every primitive comes from libsodium (Argon2id for the key,
// XChaCha20-Poly1305 for the data).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "xbase_engine/Dbf.h"

namespace xbe {

// The hidden last field of an encrypted table: per record nonce and tag.
constexpr const char* kCryptFieldName = "_CRYPT";
constexpr int kCryptFieldWidth = 40;
// The key block that ends the header of an encrypted table.
constexpr size_t kKeyBlockSize = 80;
// Bytes xb_Encrypt adds to a buffer.
constexpr size_t kBufferOverhead = 56;

struct KeyBlock {
  uint32_t opsLimit = 0;
  uint32_t memLimitKiB = 0;
  std::array<uint8_t, 16> salt{};
  std::array<uint8_t, 40> check{};  // nonce and tag sealing nothing under the key
};

// The key block at the end of a header of headerLen bytes; none when the
// bytes are not one of ours or name limits this engine does not accept.
std::optional<KeyBlock> ParseKeyBlock(const uint8_t* header, size_t headerLen);
std::array<uint8_t, kKeyBlockSize> BuildKeyBlock(const KeyBlock& block);

// A password held in memory: wiped when replaced or gone.
class SecretText {
 public:
  SecretText() = default;
  ~SecretText() { Clear(); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  void Set(std::string_view text);
  void Clear();
  std::string_view View() const { return text_; }

 private:
  std::string text_;
};

// A table's data key; wiped when it goes.
class TableKey {
 public:
  // The key for a password, or nullptr when the password is not the one the
  // block was made with.
  static std::unique_ptr<TableKey> Open(const KeyBlock& block, std::string_view password);
  // A new key block (fresh salt) and its key.
  static std::unique_ptr<TableKey> Create(std::string_view password, KeyBlock& block);
  ~TableKey();
  TableKey(const TableKey&) = delete;
  TableKey& operator=(const TableKey&) = delete;

  // A record image of recLen bytes: the deletion byte stays as it is, the
  // bytes up to the crypt field are encrypted under a fresh nonce, and the
  // crypt field receives nonce and tag.
  void SealRecord(const uint8_t* plain, uint8_t* stored, size_t recLen) const;
  // The reverse into a separate buffer; false when the record was altered or
  // sealed under another key (plain's bytes are then undefined).
  bool OpenRecord(const uint8_t* stored, uint8_t* plain, size_t recLen) const;
  // Memo data: nonce, encrypted bytes, tag.
  std::string SealMemo(std::string_view plain) const;
  bool OpenMemo(std::string_view stored, std::string& plain) const;

 private:
  TableKey() = default;
  // The key the password and the block's salt and limits derive.
  static std::unique_ptr<TableKey> Derive(const KeyBlock& block, std::string_view password);
  std::array<uint8_t, 32> key_{};
};

// What a record shows without its key: the deletion byte, "*" over every
// character field, blanks over the other text fields, zero bytes over binary
// ones.
void MaskRecord(const DbfHeader& header, const uint8_t* stored, uint8_t* masked);

// xb_Encrypt: the length bytes at buf become length + kBufferOverhead bytes
// (buf must have room for them). Answer: the new length, 0 on failure.
int EncryptBuffer(uint8_t* buf, int length, std::string_view password);
// xb_Decrypt: the reverse. Answer: the plain length, -1 when the password is
// wrong or the bytes were altered (buf unchanged).
int DecryptBuffer(uint8_t* buf, int length, std::string_view password);

}  // namespace xbe
