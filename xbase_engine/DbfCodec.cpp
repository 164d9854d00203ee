#include "xbase_engine/DbfCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "platform/system/Calendar.h"

namespace dbf {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanksAndZeros(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
  return s.substr(b, e - b);
}

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Julian day number of 1 January 1970, the origin of the calendar arithmetic.
constexpr int64_t kJulian1970 = 2440588;

}  // namespace

NumberRead ReadNumber(std::string_view text) noexcept {
  std::string_view t = TrimBlanksAndZeros(text);
  if (t.empty()) return {};
  const NumberRead invalid{NumberKind::Invalid, 0.0};
  const bool negative = t.front() == '-';
  if (t.front() == '+' || t.front() == '-') t.remove_prefix(1);
  // One pass checks the form and, for up to 15 significant digits without an
  // exponent, computes the value: both parts of the quotient are exact
  // doubles, so it is the correctly rounded value. Longer texts and exponents
  // take the library's correctly rounded reading.
  size_t i = 0;
  size_t digits = 0;       // digits of the mantissa
  int significant = 0;     // digits counted into mantissa, leading zeros left out
  int decimals = 0;
  uint64_t mantissa = 0;
  auto take = [&](char c, bool fraction) {
    ++digits;
    if (mantissa == 0 && c == '0' && !fraction) return;
    if (significant < 16) mantissa = mantissa * 10 + uint64_t(c - '0');
    ++significant;
    if (fraction) ++decimals;
  };
  while (i < t.size() && IsDigit(t[i])) take(t[i++], false);
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) take(t[i++], true);
  }
  if (digits == 0) return invalid;
  bool exponent = false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    exponent = true;
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return invalid;
  }
  if (i != t.size()) return invalid;
  double v;
  if (!exponent && significant <= 15 && decimals <= 15) {
    v = double(mantissa) / kPow10[decimals];
  } else {
    v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v)) return invalid;
  }
  return {NumberKind::Valid, negative ? -v : v};
}

bool DecimalText(double value, int decimals, std::string& out) {
  if (!std::isfinite(value) || decimals < 0) return false;
  // The shortest fixed text of a double has at most 309 digits before the
  // point and 326 after it.
  char buf[700];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
  if (r.ec != std::errc()) return false;
  const std::string_view s(buf, size_t(r.ptr - buf));
  const size_t dot = s.find('.');
  const std::string_view whole = s.substr(0, dot);
  const std::string_view frac = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  const size_t places = size_t(decimals);
  const size_t kept = std::min(frac.size(), places);
  // A leading "0" takes the carry of a rounding up (9.96 -> 10.0).
  out.assign(1, '0');
  out.append(whole);
  out.append(frac.substr(0, kept));
  out.append(places - kept, '0');
  if (frac.size() > places && frac[places] >= '5') {
    size_t i = out.size() - 1;
    while (out[i] == '9') out[i--] = '0';
    ++out[i];
  }
  if (places > 0) out.insert(out.end() - std::ptrdiff_t(places), '.');
  if (out[0] == '0' && out[1] != '.') out.erase(0, 1);  // the carry's room, unused
  // A negative value that rounds to zero is written as zero.
  if (value < 0 && out.find_first_not_of("0.") != std::string::npos) out.insert(out.begin(), '-');
  return true;
}

bool FormatNumber(double value, int width, int decimals, std::string& out) {
  if (!std::isfinite(value) || width < 1 || decimals < 0) return false;
  // value * 10^decimals that lands on a whole number k below 2^50 lies within
  // 1/8 of the exact product, and so does the product of the value's shortest
  // decimal form: k is what rounding either to that many places gives, so its
  // digits with the point put in are DecimalText's answer, without its cost
  // (a record of amounts and counts is mostly such values).
  const bool scalable = decimals < int(std::size(kPow10));
  const double scaled = scalable ? value * kPow10[decimals] : 0;
  if (scalable && std::fabs(scaled) < 0x1p50 && scaled == std::trunc(scaled)) {
    char buf[40];
    uint64_t k = uint64_t(std::fabs(scaled));
    char* const end = buf + sizeof buf;
    char* p = end;
    for (int place = 0; place < decimals; ++place, k /= 10) *--p = char('0' + k % 10);
    if (decimals > 0) *--p = '.';
    do {
      *--p = char('0' + k % 10);
      k /= 10;
    } while (k != 0);
    if (scaled < 0) *--p = '-';  // scaled is whole and negative: not zero
    const size_t size = size_t(end - p);
    if (size > size_t(width)) return false;
    out.assign(size_t(width) - size, ' ');
    out.append(p, size);
    return true;
  }
  std::string text;
  if (!DecimalText(value, decimals, text) || text.size() > size_t(width)) return false;
  out.assign(size_t(width) - text.size(), ' ');
  out.append(text);
  return true;
}

bool WholeInRange(double value, int64_t lo, int64_t hi, int64_t& out) noexcept {
  if (!std::isfinite(value)) return false;
  const double w = std::trunc(value);
  // Compared as doubles: lo and hi of 64 bits round to the nearest double, so
  // the bound itself is checked again after the conversion it allows.
  if (!(w >= double(lo) && w <= double(hi))) return false;
  if (w >= 9223372036854775807.0) return false;  // 2^63 does not convert
  const int64_t v = int64_t(w);
  if (v < lo || v > hi) return false;
  out = v;
  return true;
}

int64_t WholeClamped(double value, int64_t lo, int64_t hi) noexcept {
  if (std::isnan(value)) return 0;
  int64_t v = 0;
  if (WholeInRange(value, lo, hi, v)) return v;
  return value < 0 ? lo : hi;
}

bool IsLeapYear(int y) noexcept { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool ValidDate(int y, int m, int d) noexcept {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= (m == 2 && IsLeapYear(y) ? 29 : days[m - 1]);
}

int32_t JulianFromYmd(int y, int m, int d) noexcept {
  if (!ValidDate(y, m, d)) return 0;
  return int32_t(sys::DaysFromCivil(y, unsigned(m), unsigned(d)) + kJulian1970);
}

void YmdFromJulian(int32_t jdn, int& y, int& m, int& d) noexcept {
  long long year = 0;
  unsigned month = 0, day = 0;
  sys::CivilFromDays(jdn - kJulian1970, year, month, day);
  y = int(year);
  m = int(month);
  d = int(day);
}

DateKind ReadDate(std::string_view text, int& y, int& m, int& d) noexcept {
  if (TrimBlanksAndZeros(text).empty()) return DateKind::Blank;
  if (text.size() < 8) return DateKind::Invalid;
  int v[8];
  for (int i = 0; i < 8; ++i) {
    const char c = text[size_t(i)];
    if (!IsDigit(c)) return DateKind::Invalid;
    v[i] = c - '0';
  }
  const int yy = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  const int mm = v[4] * 10 + v[5];
  const int dd = v[6] * 10 + v[7];
  if (!ValidDate(yy, mm, dd)) return DateKind::Invalid;
  y = yy;
  m = mm;
  d = dd;
  return DateKind::Valid;
}

std::string FormatDate(int y, int m, int d) {
  if (!ValidDate(y, m, d)) return {};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

double ReadDouble(const uint8_t* p) noexcept {
  const uint64_t bits = ReadLe64(p);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return std::isfinite(v) ? v : 0.0;
}

void WriteDouble(uint8_t* p, double v) noexcept {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  WriteLe64(p, bits);
}

bool CurrencyFromDouble(double value, int64_t& scaled) noexcept {
  if (!std::isfinite(value)) return false;
  const double r = std::round(value * 10000.0);
  if (std::fabs(r) > 9.2e18) return false;
  scaled = int64_t(r);
  return true;
}

std::string CurrencyText(int64_t scaled) {
  const uint64_t a = scaled < 0 ? 0 - uint64_t(scaled) : uint64_t(scaled);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", scaled < 0 ? "-" : "", (unsigned long long)(a / 10000),
                (unsigned long long)(a % 10000));
  return buf;
}

std::string DateTimeText(DateTime v) {
  if (v.julian == 0) return std::string(14, ' ');
  int y, m, d;
  YmdFromJulian(v.julian, y, m, d);
  const int ms = v.ms >= 0 && v.ms < 86400000 ? v.ms : 0;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y % 10000, m, d, ms / 3600000 % 24,
                ms / 60000 % 60, ms / 1000 % 60);
  return buf;
}

bool ReadMemoRef(std::string_view text, uint32_t& block) noexcept {
  const std::string_view t = TrimBlanksAndZeros(text);
  block = 0;
  if (t.empty()) return true;
  uint32_t b = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), b);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
  block = b;
  return true;
}

std::string FormatMemoRef(uint32_t block, int width) {
  if (width < 0) width = 0;
  if (block == 0) return std::string(size_t(width), ' ');
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, block);
  std::string_view t(buf, size_t(r.ptr - buf));
  std::string out(size_t(width) - std::min<size_t>(t.size(), size_t(width)), ' ');
  out.append(t);
  return out;
}

}  // namespace dbf
