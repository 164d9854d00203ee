// The compression add-on: zstd frames in a small self-describing envelope,
// optionally sealed with XChaCha20-Poly1305 under a key stretched from the
// password with Argon2id (both from libsodium). FORMAT.md has the layout.
#include "xbase_crypt/XbCrypt.h"

#include <sodium.h>
#include <zstd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/system/Endian.h"

namespace {

constexpr unsigned char kMagic[4] = {'X', 'B', 'C', '1'};
constexpr std::size_t kPlainHeader = 20;
constexpr std::size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kKeySize = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t kSealedHeader = kPlainHeader + kNonceSize;
constexpr unsigned char kFlagSealed = 0x01;

struct Settings {
  std::mutex lock;
  int level = 6;
  bool sealed = false;
  std::string password;
  std::array<unsigned char, kKeySize> key{};
  bool sodiumReady = false;
  ~Settings() { sodium_memzero(key.data(), key.size()); }
};

Settings& State() {
  static Settings s;
  return s;
}

bool EnsureSodium(Settings& s) {
  if (!s.sodiumReady) s.sodiumReady = sodium_init() >= 0;
  return s.sodiumReady;
}

// The zstd level for a level 0..9: 6 (the default) is zstd's own default.
int ZstdLevel(int level) { return level <= 0 ? 1 : (level + 1) / 2; }

// The key every peer with the same password derives: the salt is fixed by
// the format (the password itself already travels with the login), so a
// receiver stretches a password once, not once per stream.
bool DeriveKey(const std::string& password, std::array<unsigned char, kKeySize>& key) {
  unsigned char salt[crypto_pwhash_SALTBYTES];
  static const char kSaltText[] = "xbcrypt stream key v1";
  crypto_generichash(salt, sizeof salt, reinterpret_cast<const unsigned char*>(kSaltText), sizeof kSaltText - 1,
                     nullptr, 0);
  return crypto_pwhash(key.data(), key.size(), password.data(), password.size(), salt,
                       crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                       crypto_pwhash_ALG_ARGON2ID13) == 0;
}

// One compression and one expansion context per thread, freed with it.
struct Contexts {
  ZSTD_CCtx* c = ZSTD_createCCtx();
  ZSTD_DCtx* d = ZSTD_createDCtx();
  Contexts() = default;
  Contexts(const Contexts&) = delete;
  Contexts& operator=(const Contexts&) = delete;
  ~Contexts() {
    ZSTD_freeCCtx(c);
    ZSTD_freeDCtx(d);
  }
};
Contexts& ThreadContexts() {
  thread_local Contexts contexts;
  return contexts;
}

int Fail(unsigned char** dst, std::size_t* dstLen, int code) {
  if (dst) *dst = nullptr;
  if (dstLen) *dstLen = 0;
  return code;
}

}  // namespace

extern "C" void SetCompressionLevel(int level) noexcept {
  Settings& s = State();
  std::lock_guard guard(s.lock);
  s.level = level < 0 ? 0 : (level > 9 ? 9 : level);
}

extern "C" void SetCompressionPassword(const char* password) noexcept {
  Settings& s = State();
  std::lock_guard guard(s.lock);
  const std::string value = password ? password : "";
  if (value.empty()) {
    s.sealed = false;
    s.password.clear();
    sodium_memzero(s.key.data(), s.key.size());
    return;
  }
  if (s.sealed && value == s.password) return;  // stretched already
  s.sealed = EnsureSodium(s) && DeriveKey(value, s.key);
  s.password = s.sealed ? value : std::string();
}

extern "C" int CompressStream(const unsigned char* src, size_t srcLen, unsigned char** dst,
                              size_t* dstLen) noexcept {
  if (!dst || !dstLen || (!src && srcLen > 0)) return Fail(dst, dstLen, XBC_BAD_ARGUMENT);
  if (srcLen > XBC_MAX_EXPANDED) return Fail(dst, dstLen, XBC_TOO_LARGE);
  Settings& s = State();
  int level;
  bool sealed;
  std::array<unsigned char, kKeySize> key{};
  {
    std::lock_guard guard(s.lock);
    level = s.level;
    sealed = s.sealed;
    if (sealed) key = s.key;
  }
  const std::size_t header = sealed ? kSealedHeader : kPlainHeader;
  const std::size_t bound = ZSTD_compressBound(srcLen);
  const std::size_t capacity = header + bound + (sealed ? kTagSize : 0);
  auto* out = static_cast<unsigned char*>(std::malloc(capacity));
  if (!out) return Fail(dst, dstLen, XBC_NO_MEMORY);
  ZSTD_CCtx* cctx = ThreadContexts().c;
  const std::size_t body = cctx ? ZSTD_compressCCtx(cctx, out + header, bound, src, srcLen, ZstdLevel(level))
                                : ZSTD_compress(out + header, bound, src, srcLen, ZstdLevel(level));
  if (ZSTD_isError(body)) {
    std::free(out);
    sodium_memzero(key.data(), key.size());
    return Fail(dst, dstLen, XBC_NO_MEMORY);
  }
  std::memcpy(out, kMagic, 4);
  out[4] = sealed ? kFlagSealed : 0;
  out[5] = static_cast<unsigned char>(level);
  out[6] = out[7] = 0;
  sys::WriteLe64(out + 8, srcLen);
  sys::WriteLe32(out + 16, static_cast<std::uint32_t>(body + (sealed ? kTagSize : 0)));
  std::size_t total = header + body;
  if (sealed) {
    randombytes_buf(out + kPlainHeader, kNonceSize);
    unsigned long long sealedLen = 0;
    // In place: the ciphertext has the plaintext's length, the tag follows.
    crypto_aead_xchacha20poly1305_ietf_encrypt(out + header, &sealedLen, out + header, body, out, header, nullptr,
                                               out + kPlainHeader, key.data());
    sodium_memzero(key.data(), key.size());
    total = header + static_cast<std::size_t>(sealedLen);
  }
  *dst = out;
  *dstLen = total;
  return XBC_OK;
}

extern "C" int UnCompressStream(const unsigned char* src, size_t srcLen, unsigned char** dst,
                                size_t* dstLen) noexcept {
  if (!dst || !dstLen || (!src && srcLen > 0)) return Fail(dst, dstLen, XBC_BAD_ARGUMENT);
  if (srcLen < kPlainHeader || std::memcmp(src, kMagic, 4) != 0 || (src[4] & ~kFlagSealed) != 0 || src[6] != 0 ||
      src[7] != 0)
    return Fail(dst, dstLen, XBC_NOT_A_STREAM);
  const bool sealed = (src[4] & kFlagSealed) != 0;
  const std::size_t header = sealed ? kSealedHeader : kPlainHeader;
  const std::uint64_t expanded = sys::ReadLe64(src + 8);
  const std::uint64_t bodyLen = sys::ReadLe32(src + 16);
  if (srcLen < header || bodyLen != srcLen - header) return Fail(dst, dstLen, XBC_NOT_A_STREAM);
  if (expanded > XBC_MAX_EXPANDED) return Fail(dst, dstLen, XBC_TOO_LARGE);

  const unsigned char* frame = src + header;
  std::size_t frameLen = static_cast<std::size_t>(bodyLen);
  unsigned char* opened = nullptr;
  if (sealed) {
    Settings& s = State();
    std::array<unsigned char, kKeySize> key{};
    {
      std::lock_guard guard(s.lock);
      if (!s.sealed) return Fail(dst, dstLen, XBC_NO_PASSWORD);
      key = s.key;
    }
    if (frameLen < kTagSize) return Fail(dst, dstLen, XBC_NOT_A_STREAM);
    opened = static_cast<unsigned char*>(std::malloc(frameLen));
    if (!opened) return Fail(dst, dstLen, XBC_NO_MEMORY);
    unsigned long long openedLen = 0;
    const int r = crypto_aead_xchacha20poly1305_ietf_decrypt(opened, &openedLen, nullptr, frame, frameLen, src,
                                                             header, src + kPlainHeader, key.data());
    sodium_memzero(key.data(), key.size());
    if (r != 0) {
      std::free(opened);
      return Fail(dst, dstLen, XBC_WRONG_PASSWORD);
    }
    frame = opened;
    frameLen = static_cast<std::size_t>(openedLen);
  }
  // The frame must say the same size as the envelope, and expanding stops at
  // that size: a stream cannot make us write more than it declared.
  const unsigned long long frameSize = ZSTD_getFrameContentSize(frame, frameLen);
  if (frameSize != expanded) {
    std::free(opened);
    return Fail(dst, dstLen, XBC_CORRUPT);
  }
  auto* out = static_cast<unsigned char*>(std::malloc(expanded > 0 ? static_cast<std::size_t>(expanded) : 1));
  if (!out) {
    std::free(opened);
    return Fail(dst, dstLen, XBC_NO_MEMORY);
  }
  ZSTD_DCtx* dctx = ThreadContexts().d;
  const std::size_t got = dctx ? ZSTD_decompressDCtx(dctx, out, static_cast<std::size_t>(expanded), frame, frameLen)
                               : ZSTD_decompress(out, static_cast<std::size_t>(expanded), frame, frameLen);
  std::free(opened);
  if (ZSTD_isError(got) || got != expanded) {
    std::free(out);
    return Fail(dst, dstLen, XBC_CORRUPT);
  }
  *dst = out;
  *dstLen = static_cast<std::size_t>(expanded);
  return XBC_OK;
}
