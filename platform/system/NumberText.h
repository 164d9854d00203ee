#pragma once
// Numbers as text with "." as the point, whatever the process locale.
//
// A GUI toolkit sets the C library's locale from the user's environment when
// it starts; under a decimal-comma locale printf's %f, %e and %g then write
// "12,5" and strtod, atof and std::stod stop at a ".". Every number text that
// is stored or exchanged (index keys, key texts, form resources, the database
// server's payloads) and the digit work behind the formatting functions go
// through here instead. Each writer gives the bytes its printf conversion
// gives in the C locale, so files and peers see what they always saw.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <system_error>

namespace sys {

namespace number_text_detail {

inline std::string Write(double value, std::chars_format form, int precision) {
  if (precision < 0) precision = 6;  // as printf takes a negative precision
  std::string out(size_t(precision) + 330, '\0');
  const auto r = std::to_chars(out.data(), out.data() + out.size(), value, form, precision);
  out.resize(r.ec == std::errc() ? size_t(r.ptr - out.data()) : 0);
  return out;
}

// The value strtod gives for a number text beyond the range of a double:
// +-HUGE_VAL when its magnitude is too large, +-0 when it is too small.
inline double BeyondRange(std::string_view t) {
  const bool negative = !t.empty() && t[0] == '-';
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  long long intDigits = 0, zerosAfterPoint = 0;
  bool point = false, nonzero = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '.') {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    if (!nonzero && c == '0') {
      if (point) ++zerosAfterPoint;
      continue;
    }
    nonzero = true;
    if (!point) ++intDigits;
  }
  long long exponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    const bool minus = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) exponent = std::min(exponent * 10 + (t[i] - '0'), 1000000LL);
    if (minus) exponent = -exponent;
  }
  const long long magnitude = intDigits > 0 ? intDigits + exponent : exponent - zerosAfterPoint;
  const double v = magnitude > 0 ? HUGE_VAL : 0.0;
  return negative ? -v : v;
}

}  // namespace number_text_detail

// printf("%.*f", decimals, value) in the C locale.
inline std::string FixedText(double value, int decimals) {
  return number_text_detail::Write(value, std::chars_format::fixed, decimals);
}

// printf("%.*e", precision, value) in the C locale.
inline std::string ScientificText(double value, int precision) {
  return number_text_detail::Write(value, std::chars_format::scientific, precision);
}

// printf("%.*g", precision, value) in the C locale; upper: "%.*G".
inline std::string GeneralText(double value, int precision, bool upper = false) {
  std::string s = number_text_detail::Write(value, std::chars_format::general, precision);
  if (upper)
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// A number text read as strtod reads it in the C locale, except that it must
// fill the whole text (no blanks around it) and is never hexadecimal: an
// optional sign, digits with an optional "." and an optional exponent, or
// "inf", "infinity", "nan". A value beyond the range of a double reads as
// strtod gives it (+-HUGE_VAL, or +-0 when too small) with outOfRange set.
struct DoubleRead {
  bool ok = false;          // the whole text is a number
  bool outOfRange = false;  // ... beyond the range of a double
  double value = 0.0;
};

inline DoubleRead ReadDouble(std::string_view text) {
  DoubleRead r;
  const char* const end = text.data() + text.size();
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') {
    ++begin;
    if (begin < end && *begin == '-') return r;  // "+-1" is no number
  }
  double v = 0.0;
  const auto res = std::from_chars(begin, end, v, std::chars_format::general);
  if (res.ptr != end || begin == end) return r;
  if (res.ec == std::errc::result_out_of_range) {
    r.ok = true;
    r.outOfRange = true;
    r.value = number_text_detail::BeyondRange(text);
    return r;
  }
  if (res.ec != std::errc()) return r;
  r.ok = true;
  r.value = v;
  return r;
}

// atof in the C locale (never hexadecimal): blanks skipped, then the longest
// number text at the start; 0 when there is none.
inline double LeadingDouble(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  text.remove_prefix(i);
  const char* begin = text.data();
  const char* const end = text.data() + text.size();
  if (begin < end && *begin == '+' && !(begin + 1 < end && begin[1] == '-')) ++begin;
  double v = 0.0;
  const auto res = std::from_chars(begin, end, v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range)
    return number_text_detail::BeyondRange(std::string_view(begin, size_t(res.ptr - begin)));
  return res.ec == std::errc() ? v : 0.0;
}

}  // namespace sys
