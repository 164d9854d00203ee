#pragma once
// Fixed-width integers stored in a given byte order, read and written a byte
// at a time so that neither alignment nor the host's own order matters.
// Header only: using it links nothing.
#include <cstdint>

namespace sys {

inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t ReadLe64(const uint8_t* p) { return uint64_t(ReadLe32(p)) | uint64_t(ReadLe32(p + 4)) << 32; }
inline uint32_t ReadBe32(const uint8_t* p) {
  return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}

inline void WriteLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void WriteLe64(uint8_t* p, uint64_t v) {
  WriteLe32(p, uint32_t(v));
  WriteLe32(p + 4, uint32_t(v >> 32));
}
inline void WriteBe32(uint8_t* p, uint32_t v) {
  p[3] = uint8_t(v);
  p[2] = uint8_t(v >> 8);
  p[1] = uint8_t(v >> 16);
  p[0] = uint8_t(v >> 24);
}

}  // namespace sys
