// Number texts with "." as the point: byte for byte what printf and strtod
// give in the C locale, and the same under a decimal-comma process locale.
#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/system/NumberText.h"
#include "platform/system/tests/GeneratedLocales.h"

namespace {

std::string Printf(const char* format, int precision, double v) {
  char buf[1024];
  std::snprintf(buf, sizeof buf, format, precision, v);
  return buf;
}

// Values of every magnitude, the awkward ones among them.
std::vector<double> Values() {
  std::vector<double> v = {0.0,    -0.0,  0.5,    1.5,     2.5,        -2.5,   0.125,  0.05,   1e-5, 1e15, 1e16,
                           1e20,   1e-300, 5e-324, DBL_MAX, -DBL_MIN, 123456789012345.0, 0.1 + 0.2, 1.0 / 3,
                           999.995, 9.9999999, HUGE_VAL, -HUGE_VAL, std::nan("")};
  std::mt19937_64 rnd(61);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-30, 30);
  for (int i = 0; i < 400; ++i) v.push_back(mantissa(rnd) * std::pow(10.0, exponent(rnd)));
  return v;
}

constexpr int kPrecisions[] = {0, 1, 2, 3, 6, 14, 15, 17, 25};

TEST(NumberText, WritesWhatPrintfWritesInTheCLocale) {
  ASSERT_EQ(std::localeconv()->decimal_point[0], '.');
  for (double v : Values()) {
    for (int p : kPrecisions) {
      ASSERT_EQ(sys::FixedText(v, p), Printf("%.*f", p, v)) << v << " " << p;
      ASSERT_EQ(sys::ScientificText(v, p), Printf("%.*e", p, v)) << v << " " << p;
      ASSERT_EQ(sys::GeneralText(v, p), Printf("%.*g", p, v)) << v << " " << p;
      ASSERT_EQ(sys::GeneralText(v, p, true), Printf("%.*G", p, v)) << v << " " << p;
    }
  }
  EXPECT_EQ(sys::FixedText(12.5, -1), "12.500000");  // a negative precision is printf's default
}

TEST(NumberText, ReadsWhatStrtodReadsInTheCLocale) {
  for (const char* t : {"12.5", "-0.25", "+7", ".5", "5.", "1e3", "-1.5E-3", "1e400", "-1e400", "1e-400", "0.000e999",
                        "inf", "-nan", "123456789012345678901234567890", "4.9e-324"}) {
    const sys::DoubleRead r = sys::ReadDouble(t);
    char* end = nullptr;
    errno = 0;
    const double expected = std::strtod(t, &end);
    EXPECT_TRUE(r.ok) << t;
    EXPECT_EQ(r.outOfRange, errno == ERANGE && (expected == 0 || std::isinf(expected))) << t;
    if (std::isnan(expected))
      EXPECT_TRUE(std::isnan(r.value)) << t;
    else
      EXPECT_EQ(r.value, expected) << t;
    EXPECT_EQ(std::signbit(r.value), std::signbit(expected)) << t;
  }
  for (const char* t : {"", " 1", "1 ", "1,5", "+-1", "--1", "1e", "0x10", ".", "e5", "1.2.3"})
    EXPECT_FALSE(sys::ReadDouble(t).ok) << '"' << t << '"';
  EXPECT_EQ(sys::LeadingDouble("  0.75xyz"), 0.75);
  EXPECT_EQ(sys::LeadingDouble("+1e2"), 100.0);
  EXPECT_EQ(sys::LeadingDouble("abc"), 0.0);
  EXPECT_EQ(sys::LeadingDouble(""), 0.0);
}

TEST(NumberText, TheProcessLocaleChangesNothing) {
  const auto texts = [] {
    std::vector<std::string> out;
    for (double v : Values())
      for (int p : kPrecisions)
        out.insert(out.end(), {sys::FixedText(v, p), sys::ScientificText(v, p), sys::GeneralText(v, p, true)});
    return out;
  };
  const std::vector<std::string> inC = texts();
  generated_locales::CommaDecimalLocale comma;
  if (!comma.Active()) GTEST_SKIP() << comma.Why();
  ASSERT_EQ(Printf("%.*f", 1, 1.5), "1,5");  // the C library does follow it
  EXPECT_TRUE(texts() == inC);
  const sys::DoubleRead r = sys::ReadDouble("12.75");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.value, 12.75);
  EXPECT_FALSE(sys::ReadDouble("12,75").ok);
  EXPECT_EQ(sys::LeadingDouble(" 0.5"), 0.5);
}

}  // namespace
