#pragma once
// Reading the header of a stream the compression add-on made (FORMAT.md)
// without expanding it: the receiver of a stream learns what it would cost
// before it asks the add-on to expand it.
#include <cstddef>
#include <cstdint>

#include "platform/system/Endian.h"

namespace xbcrypt {

// The length a stream declares that it expands to (bytes 8..15 of its
// header, little-endian). False when the bytes do not begin such a stream.
inline bool DeclaredLength(const unsigned char* Stream, std::size_t Length, std::uint64_t& Expanded) {
  constexpr std::size_t kHeader = 20;
  if (!Stream || Length < kHeader || Stream[0] != 'X' || Stream[1] != 'B' || Stream[2] != 'C' || Stream[3] != '1')
    return false;
  Expanded = sys::ReadLe64(Stream + 8);
  return true;
}

}  // namespace xbcrypt
