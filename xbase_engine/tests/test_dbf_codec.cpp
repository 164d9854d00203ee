// The DBF field codec on its own: number text, dates, binary layouts and
// memo references.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "xbase_engine/DbfCodec.h"

using dbf::DateKind;
using dbf::NumberKind;

TEST(DbfCodec, NumberTextReadsOneWayAndNeverGivesANonFiniteValue) {
  struct Case {
    std::string_view text;
    NumberKind kind;
    double value;
  } cases[] = {
      {"   12", NumberKind::Valid, 12},         {"  -3.25", NumberKind::Valid, -3.25},
      {"+7", NumberKind::Valid, 7},             {"12.", NumberKind::Valid, 12},
      {"  .5", NumberKind::Valid, 0.5},         {"1.5E3", NumberKind::Valid, 1500},
      {"0000042", NumberKind::Valid, 42},       {"0.000123", NumberKind::Valid, 0.000123},
      {"12345678901234567890", NumberKind::Valid, 12345678901234567890.0},
      {std::string_view("\0\0 9\0", 5), NumberKind::Valid, 9},
      {"", NumberKind::Blank, 0},               {"     ", NumberKind::Blank, 0},
      {"nan", NumberKind::Invalid, 0},          {"  inf", NumberKind::Invalid, 0},
      {"-infinity", NumberKind::Invalid, 0},    {"12abc", NumberKind::Invalid, 0},
      {"1 2", NumberKind::Invalid, 0},          {"*****", NumberKind::Invalid, 0},
      {"-", NumberKind::Invalid, 0},            {".", NumberKind::Invalid, 0},
      {"1.2.3", NumberKind::Invalid, 0},        {"1e", NumberKind::Invalid, 0},
      {"0x1A", NumberKind::Invalid, 0},         {"1e999", NumberKind::Invalid, 0},
      {"+-5", NumberKind::Invalid, 0},          {"1,5", NumberKind::Invalid, 0},
  };
  for (const Case& c : cases) {
    const dbf::NumberRead r = dbf::ReadNumber(c.text);
    EXPECT_EQ(r.kind, c.kind) << '"' << c.text << '"';
    EXPECT_TRUE(std::isfinite(r.value)) << c.text;
    EXPECT_DOUBLE_EQ(r.value, c.value) << c.text;
  }
  // The short path computes the correctly rounded value, as the library does.
  EXPECT_EQ(dbf::NumberOrZero("0.1"), 0.1);
  EXPECT_EQ(dbf::NumberOrZero("123456789.012345"), 123456789.012345);
  EXPECT_EQ(dbf::NumberOrZero("-0.30"), -0.3);
}

TEST(DbfCodec, NumbersFormatIntoTheFieldWidthOrNotAtAll) {
  std::string out;
  ASSERT_TRUE(dbf::FormatNumber(3.14159, 8, 2, out));
  EXPECT_EQ(out, "    3.14");
  ASSERT_TRUE(dbf::FormatNumber(-0.001, 5, 2, out));
  EXPECT_EQ(out, " 0.00");  // no negative zero
  ASSERT_TRUE(dbf::FormatNumber(42, 5, 0, out));
  EXPECT_EQ(out, "   42");
  EXPECT_FALSE(dbf::FormatNumber(123456, 5, 0, out));
  EXPECT_FALSE(dbf::FormatNumber(std::nan(""), 10, 0, out));
  EXPECT_FALSE(dbf::FormatNumber(std::numeric_limits<double>::infinity(), 10, 0, out));
  // What is written reads back as the same number.
  ASSERT_TRUE(dbf::FormatNumber(-1234.5, 10, 3, out));
  EXPECT_EQ(dbf::NumberOrZero(out), -1234.5);
}

// Halves round away from zero, judged on the number as it reads (its
// shortest decimal form), in fields, keys and STR() alike.
TEST(DbfCodec, HalvesRoundAwayFromZeroOnTheNumberAsItReads) {
  struct Case {
    double value;
    int width, places;
    const char* text;
  } cases[] = {
      {2.5, 5, 0, "    3"},      {-2.5, 5, 0, "   -3"},    {0.5, 3, 0, "  1"},        {-0.5, 3, 0, " -1"},
      {0.125, 5, 2, " 0.13"},    {-0.125, 6, 2, " -0.13"}, {1.005, 5, 2, " 1.01"},    {2.675, 5, 2, " 2.68"},
      {9.995, 6, 2, " 10.00"},   {0.045, 5, 2, " 0.05"},   {1.5, 3, 0, "  2"},        {-0.004, 5, 2, " 0.00"},
      {0.0049999, 5, 2, " 0.00"}, {1e-7, 6, 3, " 0.000"},  {999.5, 4, 0, "1000"},     {0.95, 3, 1, "1.0"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(dbf::FormatNumber(c.value, c.width, c.places, out)) << c.value;
    EXPECT_EQ(out, c.text) << c.value << " at " << c.places;
  }
  std::string text;
  ASSERT_TRUE(dbf::DecimalText(-0.125, 2, text));
  EXPECT_EQ(text, "-0.13");
  ASSERT_TRUE(dbf::DecimalText(-1e-9, 0, text));
  EXPECT_EQ(text, "0");  // no negative zero
  EXPECT_FALSE(dbf::DecimalText(std::nan(""), 2, text));
  std::string out;
  EXPECT_FALSE(dbf::FormatNumber(999.5, 3, 0, out));  // the carry makes it too wide
}

// The text of a number is its shortest form rounded to the places, whichever
// way it is found: that form itself when it has no more decimals; where it
// ends in a 5 just past the places, a half, away from zero; otherwise the
// library's conversion of the exact value, which agrees. Values that are
// whole at the places, halves, values just off them, large and tiny ones.
TEST(DbfCodec, NumbersFormatAsTheLibraryConversionWritesThemButForHalves) {
  std::vector<double> values = {0.0, -0.0, 0.125, -0.125, 2.675, 1.005, 0.29, 999.0, 0.5, 1.5, 2.5, -2.5,
                                1e15, 1e16, 0x1p50, 0x1p50 / 100, 0x1p53, 123456789.012345, 5e-324, 1e-7,
                                -1e-7, 0.1 + 0.2, 1.0 / 3, 4503599627370495.5};
  for (int i = -2000; i <= 2000; ++i) {
    values.push_back(i / 100.0);
    values.push_back(i * 0.01);
    values.push_back(i / 8.0);
    values.push_back(i * 1000.001);
    values.push_back(i / 1000.0);
  }
  std::uint64_t seed = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 20000; ++i) {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    const double unit = double(seed >> 11) / double(std::uint64_t(1) << 53);
    const int scale = int(seed % 40) - 20;
    values.push_back((seed & 1 ? -1 : 1) * unit * std::pow(10.0, scale));
    values.push_back(std::round(unit * 1e6) / 100);  // cents
  }
  int halves = 0;
  for (double v : values) {
    char shortest[400];
    const auto sr = std::to_chars(shortest, shortest + sizeof shortest, v, std::chars_format::fixed);
    ASSERT_EQ(sr.ec, std::errc());
    const std::string form(shortest, sr.ptr);
    const size_t dot = form.find('.');
    const size_t decimals = dot == std::string::npos ? 0 : form.size() - dot - 1;
    for (int places = 0; places <= 17; ++places) {
      // A half of the shortest form: the exact value lies a hair off it, so
      // the next double away from zero rounds as the half does.
      const bool half = decimals == size_t(places) + 1 && form.back() == '5';
      if (half) ++halves;
      const double judged = half ? std::nextafter(v, v < 0 ? -INFINITY : INFINITY) : v;
      char buf[400];
      const auto r = std::to_chars(buf, buf + sizeof buf, judged, std::chars_format::fixed, places);
      ASSERT_EQ(r.ec, std::errc());
      std::string expected(buf, r.ptr);
      if (decimals <= size_t(places)) {
        expected = form + (decimals == 0 && places > 0 ? "." : "") + std::string(size_t(places) - decimals, '0');
      }
      if (expected.find_first_not_of("-0.") == std::string::npos && expected[0] == '-') expected.erase(0, 1);
      std::string out;
      const bool fits = dbf::FormatNumber(v, 40, places, out);
      ASSERT_EQ(fits, expected.size() <= 40) << v << " at " << places;
      if (fits) {
        ASSERT_EQ(out, std::string(40 - expected.size(), ' ') + expected) << v << " at " << places;
      }
    }
  }
  EXPECT_GT(halves, 1000);  // the halves were put to the test
}

TEST(DbfCodec, WholeNumbersNeverConvertOutOfRange) {
  int64_t v = 0;
  EXPECT_TRUE(dbf::WholeInRange(-7.9, INT32_MIN, INT32_MAX, v));
  EXPECT_EQ(v, -7);
  EXPECT_FALSE(dbf::WholeInRange(2147483648.0, INT32_MIN, INT32_MAX, v));
  EXPECT_FALSE(dbf::WholeInRange(std::nan(""), INT32_MIN, INT32_MAX, v));
  EXPECT_FALSE(dbf::WholeInRange(9.3e18, INT64_MIN, INT64_MAX, v));
  EXPECT_FALSE(dbf::WholeInRange(-std::numeric_limits<double>::infinity(), INT64_MIN, INT64_MAX, v));
  EXPECT_EQ(dbf::WholeClamped(std::nan(""), INT32_MIN, INT32_MAX), 0);
  EXPECT_EQ(dbf::WholeClamped(1e300, INT32_MIN, INT32_MAX), INT32_MAX);
  EXPECT_EQ(dbf::WholeClamped(-1e300, INT64_MIN, INT64_MAX), INT64_MIN);
  EXPECT_EQ(dbf::WholeClamped(9.3e18, INT64_MIN, INT64_MAX), INT64_MAX);
}

TEST(DbfCodec, DateTextIsBlankValidOrInvalid) {
  int y = 0, m = 0, d = 0;
  EXPECT_EQ(dbf::ReadDate("20091224", y, m, d), DateKind::Valid);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20091224);
  EXPECT_EQ(dbf::ReadDate("20000229", y, m, d), DateKind::Valid);
  EXPECT_EQ(dbf::ReadDate("        ", y, m, d), DateKind::Blank);
  EXPECT_EQ(dbf::ReadDate(std::string_view("\0\0\0\0\0\0\0\0", 8), y, m, d), DateKind::Blank);
  for (const char* bad : {"19000229", "20091300", "20090000", "2009122", "2009-12-", "abcdefgh", "00000101"}) {
    EXPECT_EQ(dbf::ReadDate(bad, y, m, d), DateKind::Invalid) << bad;
  }
  EXPECT_EQ(dbf::FormatDate(5, 3, 1), "00050301");
  EXPECT_EQ(dbf::FormatDate(2009, 2, 29), "");
  // Julian day numbers: 1 January 2000 is day 2451545.
  EXPECT_EQ(dbf::JulianFromYmd(2000, 1, 1), 2451545);
  EXPECT_EQ(dbf::JulianFromYmd(2001, 2, 29), 0);
  dbf::YmdFromJulian(2451545 + 59, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
}

TEST(DbfCodec, BinaryLayoutsRoundTripLittleEndian) {
  uint8_t b[8];
  dbf::WriteInt(b, -2);
  EXPECT_EQ(b[0], 0xFE);
  EXPECT_EQ(b[3], 0xFF);
  EXPECT_EQ(dbf::ReadInt(b), -2);

  dbf::WriteDouble(b, 2.5);
  EXPECT_EQ(b[7], 0x40);
  EXPECT_EQ(dbf::ReadDouble(b), 2.5);
  dbf::WriteDouble(b, std::nan(""));
  EXPECT_EQ(dbf::ReadDouble(b), 0.0);  // a stored NaN reads as 0

  int64_t scaled = 0;
  ASSERT_TRUE(dbf::CurrencyFromDouble(-12.34, scaled));
  EXPECT_EQ(scaled, -123400);
  dbf::WriteCurrency(b, scaled);
  EXPECT_EQ(dbf::ReadCurrency(b), -123400);
  EXPECT_EQ(dbf::CurrencyText(scaled), "-12.3400");
  EXPECT_DOUBLE_EQ(dbf::CurrencyValue(scaled), -12.34);
  EXPECT_FALSE(dbf::CurrencyFromDouble(1e16, scaled));

  dbf::WriteDateTime(b, {dbf::JulianFromYmd(2024, 5, 6), (13 * 3600 + 14 * 60 + 15) * 1000 + 500});
  EXPECT_EQ(dbf::DateTimeText(dbf::ReadDateTime(b)), "20240506131415");
  EXPECT_EQ(dbf::DateTimeText({0, 0}), std::string(14, ' '));
}

TEST(DbfCodec, MemoReferencesAsTextAndBinary) {
  uint32_t block = 99;
  EXPECT_TRUE(dbf::ReadMemoRef("        12", block));
  EXPECT_EQ(block, 12u);
  EXPECT_TRUE(dbf::ReadMemoRef("          ", block));
  EXPECT_EQ(block, 0u);
  EXPECT_FALSE(dbf::ReadMemoRef("12ab      ", block));
  EXPECT_FALSE(dbf::ReadMemoRef("99999999999", block));
  EXPECT_EQ(dbf::FormatMemoRef(12, 10), "        12");
  EXPECT_EQ(dbf::FormatMemoRef(0, 10), "          ");
  uint8_t b[4];
  dbf::WriteMemoRefBinary(b, 0x01020304);
  EXPECT_EQ(b[0], 0x04);
  EXPECT_EQ(dbf::ReadMemoRefBinary(b), 0x01020304u);
}
