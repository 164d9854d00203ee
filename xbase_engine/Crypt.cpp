#include "xbase_engine/Crypt.h"

#include <sodium.h>

#include <cstring>
#include <vector>

namespace xbe {

namespace {

constexpr char kMagic[8] = {'X', 'B', 'E', 'K', 'E', 'Y', '0', '1'};
constexpr uint8_t kAlgorithm = 1;  // Argon2id v1.3 key, XChaCha20-Poly1305 data
constexpr size_t kNonce = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;  // 24
constexpr size_t kTag = crypto_aead_xchacha20poly1305_ietf_ABYTES;       // 16
constexpr size_t kSalt = crypto_pwhash_SALTBYTES;                        // 16
static_assert(kNonce + kTag == size_t(kCryptFieldWidth));
static_assert(kSalt + kNonce + kTag == kBufferOverhead);

// Limits accepted from a file: enough for any setting we write, small enough
// that a forged header cannot make an open take minutes or gigabytes.
constexpr uint32_t kMaxOps = 16;
constexpr uint32_t kMinMemKiB = 8;
constexpr uint32_t kMaxMemKiB = 1024 * 1024;

// What new keys are made with (libsodium's "interactive" level).
constexpr uint32_t kOps = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr uint32_t kMemKiB = crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024;

void EnsureSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw XbError("The cryptography library cannot start");
}

bool DeriveKey(std::string_view password, const uint8_t* salt, uint32_t ops, uint32_t memKiB,
               uint8_t* key) {
  EnsureSodium();
  return crypto_pwhash(key, 32, password.data(), password.size(), salt, ops, size_t(memKiB) * 1024,
                       crypto_pwhash_ALG_ARGON2ID13) == 0;
}

// The block's first 36 bytes are what its check authenticates.
void BlockHead(const KeyBlock& b, uint8_t* out) {
  std::memset(out, 0, 36);
  std::memcpy(out, kMagic, 8);
  out[8] = kAlgorithm;
  WriteLe32(out + 12, b.opsLimit);
  WriteLe32(out + 16, b.memLimitKiB);
  std::memcpy(out + 20, b.salt.data(), kSalt);
}

bool Seal(const uint8_t* key, const uint8_t* ad, size_t adLen, const uint8_t* plain, size_t n,
          uint8_t* cipher, uint8_t* nonce, uint8_t* tag) {
  randombytes_buf(nonce, kNonce);
  unsigned long long tagLen = 0;
  return crypto_aead_xchacha20poly1305_ietf_encrypt_detached(cipher, tag, &tagLen, plain, n, ad, adLen,
                                                             nullptr, nonce, key) == 0;
}

bool Unseal(const uint8_t* key, const uint8_t* ad, size_t adLen, const uint8_t* cipher, size_t n,
            const uint8_t* nonce, const uint8_t* tag, uint8_t* plain) {
  return crypto_aead_xchacha20poly1305_ietf_decrypt_detached(plain, nullptr, cipher, n, tag, ad, adLen,
                                                             nonce, key) == 0;
}

}  // namespace

std::optional<KeyBlock> ParseKeyBlock(const uint8_t* header, size_t headerLen) {
  if (headerLen < kKeyBlockSize) return std::nullopt;
  const uint8_t* p = header + headerLen - kKeyBlockSize;
  if (std::memcmp(p, kMagic, 8) != 0 || p[8] != kAlgorithm) return std::nullopt;
  KeyBlock b;
  b.opsLimit = ReadLe32(p + 12);
  b.memLimitKiB = ReadLe32(p + 16);
  if (b.opsLimit < 1 || b.opsLimit > kMaxOps || b.memLimitKiB < kMinMemKiB || b.memLimitKiB > kMaxMemKiB) {
    return std::nullopt;
  }
  std::memcpy(b.salt.data(), p + 20, kSalt);
  std::memcpy(b.check.data(), p + 36, b.check.size());
  return b;
}

std::array<uint8_t, kKeyBlockSize> BuildKeyBlock(const KeyBlock& block) {
  std::array<uint8_t, kKeyBlockSize> out{};
  BlockHead(block, out.data());
  std::memcpy(out.data() + 36, block.check.data(), block.check.size());
  return out;
}

std::unique_ptr<TableKey> TableKey::Derive(const KeyBlock& block, std::string_view password) {
  std::unique_ptr<TableKey> k(new TableKey());
  if (!DeriveKey(password, block.salt.data(), block.opsLimit, block.memLimitKiB, k->key_.data())) {
    throw XbError("Cannot derive the table key (out of memory?)");
  }
  return k;
}

std::unique_ptr<TableKey> TableKey::Open(const KeyBlock& block, std::string_view password) {
  std::unique_ptr<TableKey> k = Derive(block, password);
  uint8_t head[36];
  BlockHead(block, head);
  uint8_t none = 0;
  if (!Unseal(k->key_.data(), head, sizeof head, &none, 0, block.check.data(), block.check.data() + kNonce,
              &none)) {
    return nullptr;
  }
  return k;
}

std::unique_ptr<TableKey> TableKey::Create(std::string_view password, KeyBlock& block) {
  EnsureSodium();
  block = KeyBlock();
  block.opsLimit = kOps;
  block.memLimitKiB = kMemKiB;
  randombytes_buf(block.salt.data(), kSalt);
  std::unique_ptr<TableKey> k = Derive(block, password);
  uint8_t head[36];
  BlockHead(block, head);
  uint8_t none = 0;
  if (!Seal(k->key_.data(), head, sizeof head, &none, 0, &none, block.check.data(),
            block.check.data() + kNonce)) {
    throw XbError("Cannot seal the key block");
  }
  return k;
}

void SecretText::Set(std::string_view text) {
  Clear();
  text_.assign(text);
}

void SecretText::Clear() {
  if (!text_.empty()) sodium_memzero(text_.data(), text_.size());
  text_.clear();
  text_.shrink_to_fit();
}

TableKey::~TableKey() { sodium_memzero(key_.data(), key_.size()); }

void TableKey::SealRecord(const uint8_t* plain, uint8_t* stored, size_t recLen) const {
  if (recLen < 1 + size_t(kCryptFieldWidth)) throw XbError("Record too short for encryption");
  const size_t n = recLen - 1 - size_t(kCryptFieldWidth);
  uint8_t* field = stored + recLen - kCryptFieldWidth;
  stored[0] = plain[0];
  if (!Seal(key_.data(), nullptr, 0, plain + 1, n, stored + 1, field, field + kNonce)) {
    throw XbError("Cannot encrypt the record");
  }
}

bool TableKey::OpenRecord(const uint8_t* stored, uint8_t* plain, size_t recLen) const {
  if (recLen < 1 + size_t(kCryptFieldWidth)) return false;
  const size_t n = recLen - 1 - size_t(kCryptFieldWidth);
  const uint8_t* field = stored + recLen - kCryptFieldWidth;
  if (!Unseal(key_.data(), nullptr, 0, stored + 1, n, field, field + kNonce, plain + 1)) return false;
  plain[0] = stored[0];
  // The crypt field of a plain image holds nothing worth showing.
  if (plain != stored) std::memset(plain + recLen - kCryptFieldWidth, 0, size_t(kCryptFieldWidth));
  return true;
}

std::string TableKey::SealMemo(std::string_view plain) const {
  std::string out(kNonce + plain.size() + kTag, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  if (!Seal(key_.data(), nullptr, 0, reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), p + kNonce,
            p, p + kNonce + plain.size())) {
    throw XbError("Cannot encrypt the memo");
  }
  return out;
}

bool TableKey::OpenMemo(std::string_view stored, std::string& plain) const {
  if (stored.size() < kNonce + kTag) return false;
  const size_t n = stored.size() - kNonce - kTag;
  std::string out(n, '\0');
  const auto* p = reinterpret_cast<const uint8_t*>(stored.data());
  if (!Unseal(key_.data(), nullptr, 0, p + kNonce, n, p, p + kNonce + n,
              reinterpret_cast<uint8_t*>(out.data()))) {
    return false;
  }
  plain = std::move(out);
  return true;
}

void MaskRecord(const DbfHeader& header, const uint8_t* stored, uint8_t* masked) {
  masked[0] = stored[0];
  for (const FieldDesc& f : header.fields) {
    const int fill = f.binary ? 0 : (f.type == 'C' ? '*' : ' ');
    std::memset(masked + f.offset, fill, size_t(f.width));
  }
}

int EncryptBuffer(uint8_t* buf, int length, std::string_view password) {
  if (!buf || length < 0 || size_t(length) > size_t(INT32_MAX) - kBufferOverhead) return 0;
  EnsureSodium();
  uint8_t salt[kSalt];
  randombytes_buf(salt, sizeof salt);
  std::array<uint8_t, 32> key{};
  if (!DeriveKey(password, salt, kOps, kMemKiB, key.data())) return 0;
  const size_t n = size_t(length);
  uint8_t* body = buf + kSalt + kNonce;
  std::memmove(body, buf, n);
  std::memcpy(buf, salt, kSalt);
  const bool ok = Seal(key.data(), salt, kSalt, body, n, body, buf + kSalt, body + n);
  sodium_memzero(key.data(), key.size());
  if (!ok) {
    std::memmove(buf, body, n);
    return 0;
  }
  return int(n + kBufferOverhead);
}

int DecryptBuffer(uint8_t* buf, int length, std::string_view password) {
  if (!buf || length < int(kBufferOverhead)) return -1;
  EnsureSodium();
  std::array<uint8_t, 32> key{};
  if (!DeriveKey(password, buf, kOps, kMemKiB, key.data())) return -1;
  const size_t n = size_t(length) - kBufferOverhead;
  const uint8_t* body = buf + kSalt + kNonce;
  // The library clears its output when the check fails: decrypt beside the
  // buffer so that a wrong password leaves it as it was.
  std::vector<uint8_t> plain(n + 1);
  const bool ok = Unseal(key.data(), buf, kSalt, body, n, buf + kSalt, body + n, plain.data());
  sodium_memzero(key.data(), key.size());
  if (!ok) return -1;
  std::memcpy(buf, plain.data(), n);
  sodium_memzero(plain.data(), plain.size());
  return int(n);
}

}  // namespace xbe
