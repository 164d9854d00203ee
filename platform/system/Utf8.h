#pragma once
// Whether a byte string is well-formed UTF-8 (no overlong forms, no
// surrogates, nothing beyond U+10FFFF). Text is carried as bytes; this only
// tells whether a reader that insists on UTF-8 can take it.
#include <cstdint>
#include <cstring>
#include <string_view>

namespace sys {

inline bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    // Plain ASCII eight bytes at a time (long texts are mostly that).
    std::uint64_t word;
    while (s.size() - i >= sizeof word && (std::memcpy(&word, s.data() + i, sizeof word), (word & 0x8080808080808080ull) == 0))
      i += sizeof word;
    if (i == s.size()) break;
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2, cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3, cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4, cp = c & 0x07u;
    } else {
      return false;
    }
    if (s.size() - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += len;
  }
  return true;
}

}  // namespace sys
