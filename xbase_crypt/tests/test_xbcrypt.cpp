#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xbase_crypt/XbCrypt.h"
#include "xbase_crypt/XbCryptEnvelope.h"

namespace {

struct Out {
  unsigned char* p = nullptr;
  size_t n = 0;
  ~Out() { std::free(p); }
  std::string Text() const { return std::string(reinterpret_cast<const char*>(p), n); }
};

int Compress(const std::string& in, Out& out) {
  return CompressStream(reinterpret_cast<const unsigned char*>(in.data()), in.size(), &out.p, &out.n);
}
int Expand(const std::string& in, Out& out) {
  return UnCompressStream(reinterpret_cast<const unsigned char*>(in.data()), in.size(), &out.p, &out.n);
}

// Record-like data: fixed-width fields, mostly blanks and digits.
std::string Records(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    char rec[64];
    std::snprintf(rec, sizeof rec, " %-20s%10d%-8s%c", ("NAME" + std::to_string(i % 97)).c_str(), i, "20240131",
                  (i % 2) ? 'T' : 'F');
    s += rec;
  }
  return s;
}

class Plain : public ::testing::Test {
protected:
  void SetUp() override {
    SetCompressionPassword(nullptr);
    SetCompressionLevel(6);
  }
};

TEST_F(Plain, RoundTripsAtEveryLevelAndShrinksRecords) {
  const std::string data = Records(5000);
  for (int level : {-3, 0, 1, 6, 9, 42}) {
    SetCompressionLevel(level);
    Out packed, back;
    ASSERT_EQ(Compress(data, packed), XBC_OK) << level;
    EXPECT_LT(packed.n, data.size() / 3) << level;
    ASSERT_EQ(Expand(packed.Text(), back), XBC_OK) << level;
    EXPECT_EQ(back.Text(), data);
  }
}

TEST_F(Plain, HeaderTellsTheExpandedLengthWithoutExpanding) {
  for (const bool sealed : {false, true}) {
    SetCompressionPassword(sealed ? "pw" : nullptr);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{70000}}) {
      Out packed;
      ASSERT_EQ(Compress(std::string(size, 'r'), packed), XBC_OK);
      std::uint64_t declared = 1234;
      ASSERT_TRUE(xbcrypt::DeclaredLength(packed.p, packed.n, declared)) << size;
      EXPECT_EQ(declared, size);
    }
  }
  SetCompressionPassword(nullptr);
  std::uint64_t declared = 0;
  const std::string notAStream = "XBC2" + std::string(40, '\0');
  EXPECT_FALSE(xbcrypt::DeclaredLength(reinterpret_cast<const unsigned char*>(notAStream.data()), notAStream.size(),
                                       declared));
  EXPECT_FALSE(xbcrypt::DeclaredLength(reinterpret_cast<const unsigned char*>("XBC1"), 4, declared));
  EXPECT_FALSE(xbcrypt::DeclaredLength(nullptr, 0, declared));
}

TEST_F(Plain, EmptyInputRoundTrips) {
  Out packed, back;
  ASSERT_EQ(Compress("", packed), XBC_OK);
  ASSERT_EQ(Expand(packed.Text(), back), XBC_OK);
  EXPECT_EQ(back.n, 0u);
}

TEST_F(Plain, DamagedStreamsFailCleanly) {
  const std::string original = Records(200);
  Out packed;
  ASSERT_EQ(Compress(original, packed), XBC_OK);
  const std::string good = packed.Text();
  {
    Out o;
    EXPECT_EQ(Expand(good.substr(0, 10), o), XBC_NOT_A_STREAM);
    EXPECT_EQ(o.p, nullptr);
    EXPECT_EQ(o.n, 0u);
  }
  {
    Out o;
    EXPECT_EQ(Expand(good.substr(0, good.size() - 3), o), XBC_NOT_A_STREAM);  // body shorter than declared
  }
  {
    std::string bad = good;
    bad[0] = 'Y';
    Out o;
    EXPECT_EQ(Expand(bad, o), XBC_NOT_A_STREAM);
  }
  {
    // A claimed expansion beyond the limit is refused before anything is allocated.
    std::string bad = good;
    bad[12] = 0x7f;
    Out o;
    EXPECT_EQ(Expand(bad, o), XBC_TOO_LARGE);
  }
  {
    // A claimed size that differs from the frame's.
    std::string bad = good;
    bad[8] = static_cast<char>(bad[8] + 1);
    Out o;
    EXPECT_EQ(Expand(bad, o), XBC_CORRUPT);
  }
  // Every single-byte change of the body fails or expands to exactly the
  // declared size; none writes past it (the sanitizers watch).
  for (size_t i = 20; i < good.size(); i += 3) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x5a);
    Out o;
    const int r = Expand(bad, o);
    if (r == XBC_OK) {
      EXPECT_EQ(o.n, original.size());
    } else {
      EXPECT_EQ(r, XBC_CORRUPT);
    }
  }
}

TEST_F(Plain, BadArgumentsAreRefused) {
  size_t n = 5;
  EXPECT_EQ(CompressStream(nullptr, 3, nullptr, &n), XBC_BAD_ARGUMENT);
  unsigned char* p = nullptr;
  EXPECT_EQ(UnCompressStream(nullptr, 3, &p, &n), XBC_BAD_ARGUMENT);
  EXPECT_EQ(n, 0u);
}

TEST(Sealed, PasswordSealsAndOpensAndRefusesOthers) {
  const std::string data = Records(300);
  SetCompressionPassword("Kestrel");
  Out packed;
  ASSERT_EQ(Compress(data, packed), XBC_OK);
  const std::string sealed = packed.Text();
  EXPECT_EQ(sealed.find("NAME1"), std::string::npos);
  {
    Out back;
    ASSERT_EQ(Expand(sealed, back), XBC_OK);
    EXPECT_EQ(back.Text(), data);
  }
  {
    // Any change, header included, is detected.
    for (size_t i : {size_t{5}, size_t{21}, sealed.size() - 1}) {
      std::string bad = sealed;
      bad[i] = static_cast<char>(bad[i] ^ 1);
      Out o;
      EXPECT_NE(Expand(bad, o), XBC_OK) << i;
      EXPECT_EQ(o.p, nullptr);
    }
  }
  SetCompressionPassword("");
  {
    Out o;
    EXPECT_EQ(Expand(sealed, o), XBC_NO_PASSWORD);
  }
  SetCompressionPassword("Other");
  {
    Out o;
    EXPECT_EQ(Expand(sealed, o), XBC_WRONG_PASSWORD);
  }
  SetCompressionPassword(nullptr);
}

}  // namespace
