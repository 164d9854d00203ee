// Stored integers: the byte order on disk and on the wire does not depend on
// the host or on alignment.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/system/Endian.h"

using namespace sys;

TEST(Endian, ReadsKnownLayoutsAtAnyAlignment) {
  const std::array<uint8_t, 11> bytes = {0xAA, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88, 0xFF, 0xFE};
  const uint8_t* odd = bytes.data() + 1;  // deliberately unaligned
  EXPECT_EQ(ReadLe16(odd), 0x0201u);
  EXPECT_EQ(ReadLe32(odd), 0x04030201u);
  EXPECT_EQ(ReadBe32(odd), 0x01020304u);
  EXPECT_EQ(ReadLe64(odd), 0x8807060504030201ull);
  // High bits set: nothing may sign-extend.
  EXPECT_EQ(ReadLe16(bytes.data() + 9), 0xFEFFu);
  EXPECT_EQ(ReadLe32(bytes.data() + 7), 0xFEFF8807u);
  EXPECT_EQ(ReadBe32(bytes.data() + 7), 0x0788FFFEu);
}

TEST(Endian, WritesOnlyTheirOwnBytesAndReadBack) {
  std::array<uint8_t, 10> buf{};
  buf.fill(0x5A);
  WriteLe16(buf.data() + 1, 0xBEEF);
  EXPECT_EQ(buf[0], 0x5A);
  EXPECT_EQ(buf[1], 0xEF);
  EXPECT_EQ(buf[2], 0xBE);
  EXPECT_EQ(buf[3], 0x5A);

  buf.fill(0x5A);
  WriteLe32(buf.data() + 1, 0x80C0E0F0u);
  EXPECT_EQ(buf[1], 0xF0);
  EXPECT_EQ(buf[4], 0x80);
  EXPECT_EQ(buf[5], 0x5A);
  EXPECT_EQ(ReadLe32(buf.data() + 1), 0x80C0E0F0u);

  buf.fill(0x5A);
  WriteBe32(buf.data() + 1, 0x80C0E0F0u);
  EXPECT_EQ(buf[1], 0x80);
  EXPECT_EQ(buf[4], 0xF0);
  EXPECT_EQ(buf[0], 0x5A);
  EXPECT_EQ(buf[5], 0x5A);
  EXPECT_EQ(ReadBe32(buf.data() + 1), 0x80C0E0F0u);

  buf.fill(0x5A);
  const uint64_t wide = 0xF123456789ABCDEFull;
  WriteLe64(buf.data() + 1, wide);
  EXPECT_EQ(buf[1], 0xEF);
  EXPECT_EQ(buf[8], 0xF1);
  EXPECT_EQ(buf[9], 0x5A);
  EXPECT_EQ(ReadLe64(buf.data() + 1), wide);
}
