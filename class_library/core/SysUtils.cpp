#include "class_library/core/SysUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "class_library/core/FormatSettings.h"
#include "platform/system/AsciiCase.h"
#include "platform/system/MessageBox.h"
#include "platform/system/NumberText.h"
#include "platform/system/Paths.h"

namespace {

using uchar = unsigned char;

bool IsBlank(char c) { return static_cast<uchar>(c) <= ' '; }

// ------------------------------------------------------------ case tables

struct CaseTables {
  std::array<uchar, 256> upper{};
  std::array<uchar, 256> lower{};
  CaseTables() {
    for (int c = 0; c < 256; ++c) upper[c] = lower[c] = static_cast<uchar>(c);
    for (int c = 'a'; c <= 'z'; ++c) {
      upper[c] = static_cast<uchar>(c - 32);
      lower[c - 32] = static_cast<uchar>(c);
    }
    for (int c = 0xE0; c <= 0xFE; ++c) {
      if (c == 0xF7) continue;  // the division sign has no case
      upper[c] = static_cast<uchar>(c - 32);
      lower[c - 32] = static_cast<uchar>(c);
    }
    const int pairs[][2] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
    for (const auto& p : pairs) {
      upper[p[0]] = static_cast<uchar>(p[1]);
      lower[p[1]] = static_cast<uchar>(p[0]);
    }
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

// True for valid UTF-8 that holds at least one multi-byte sequence.
bool IsMultiByteUtf8(const String& s) {
  bool multi = false;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const uchar c = static_cast<uchar>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      const uchar cc = static_cast<uchar>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    multi = true;
    i += len;
  }
  return multi;
}

// Case mapping of the Windows-1252 letters above ASCII, as code points. Every
// pair encodes to two bytes in UTF-8, so the byte length never changes.
uint32_t MapCodePoint(uint32_t cp, bool toUpper) {
  if (toUpper) {
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
    switch (cp) {
      case 0x161: return 0x160;
      case 0x153: return 0x152;
      case 0x17E: return 0x17D;
      case 0xFF: return 0x178;
      default: return cp;
    }
  }
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
  switch (cp) {
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    case 0x178: return 0xFF;
    default: return cp;
  }
}

String Utf8ChangeCase(const String& s, bool toUpper) {
  String r = s;
  for (size_t i = 0; i < r.size();) {
    const uchar c = static_cast<uchar>(r[i]);
    if (c < 0x80) {
      r[i] = toUpper ? sys::AsciiUpper(r[i]) : sys::AsciiLower(r[i]);
      ++i;
    } else if (c < 0xE0) {  // two-byte sequence (validated by the caller)
      const uint32_t cp = ((c & 0x1F) << 6) | (static_cast<uchar>(r[i + 1]) & 0x3F);
      const uint32_t m = MapCodePoint(cp, toUpper);
      r[i] = static_cast<char>(0xC0 | (m >> 6));
      r[i + 1] = static_cast<char>(0x80 | (m & 0x3F));
      i += 2;
    } else {
      i += c < 0xF0 ? 3 : 4;
    }
  }
  return r;
}

String AnsiChangeCase(const String& s, bool toUpper) {
  if (IsMultiByteUtf8(s)) return Utf8ChangeCase(s, toUpper);
  const auto& table = toUpper ? Tables().upper : Tables().lower;
  String r = s;
  for (char& c : r) c = static_cast<char>(table[static_cast<uchar>(c)]);
  return r;
}

// ------------------------------------------------------------ collation

// Per byte: a primary weight (punctuation < digits < letters, accented letters
// on their base letter), a secondary one that tells letters apart without
// regard to case, and the case itself.
struct Collation {
  std::array<uint16_t, 256> primary{};
  std::array<uchar, 256> secondary{};
  std::array<uchar, 256> lowerFirst{};  // 0 for lower-case, 1 for upper-case and others
  Collation() {
    const auto& up = Tables().upper;
    auto base = [](int c) -> int {
      if (c >= 'A' && c <= 'Z') return c;
      if (c >= 'a' && c <= 'z') return c - 32;
      static const struct { int from, to; char letter; } ranges[] = {
          {0xC0, 0xC6, 'A'}, {0xE0, 0xE6, 'A'}, {0xC7, 0xC7, 'C'}, {0xE7, 0xE7, 'C'},
          {0xC8, 0xCB, 'E'}, {0xE8, 0xEB, 'E'}, {0xCC, 0xCF, 'I'}, {0xEC, 0xEF, 'I'},
          {0xD0, 0xD0, 'D'}, {0xF0, 0xF0, 'D'}, {0xD1, 0xD1, 'N'}, {0xF1, 0xF1, 'N'},
          {0xD2, 0xD6, 'O'}, {0xF2, 0xF6, 'O'}, {0xD8, 0xD8, 'O'}, {0xF8, 0xF8, 'O'},
          {0xD9, 0xDC, 'U'}, {0xF9, 0xFC, 'U'}, {0xDD, 0xDD, 'Y'}, {0xFD, 0xFD, 'Y'},
          {0xDE, 0xDE, 'T'}, {0xFE, 0xFE, 'T'}, {0xDF, 0xDF, 'S'}, {0x8A, 0x8A, 'S'},
          {0x9A, 0x9A, 'S'}, {0x8C, 0x8C, 'O'}, {0x9C, 0x9C, 'O'}, {0x8E, 0x8E, 'Z'},
          {0x9E, 0x9E, 'Z'}, {0x9F, 0x9F, 'Y'}, {0xFF, 0xFF, 'Y'}, {0x83, 0x83, 'F'}};
      for (const auto& r : ranges)
        if (c >= r.from && c <= r.to) return r.letter;
      return 0;
    };
    for (int c = 0; c < 256; ++c) {
      const int letter = base(c);
      if (letter) {
        primary[c] = static_cast<uint16_t>(1000 + (letter - 'A'));
      } else if (c >= '0' && c <= '9') {
        primary[c] = static_cast<uint16_t>(900 + (c - '0'));
      } else if (c < ' ' || c == 0x7F) {
        primary[c] = static_cast<uint16_t>(c);
      } else {
        primary[c] = static_cast<uint16_t>(300 + c);
      }
      secondary[c] = up[c];
      lowerFirst[c] = (letter && up[c] != c) ? 0 : 1;
    }
  }
};

const Collation& Coll() {
  static const Collation coll;
  return coll;
}

// Code points of the Windows-1252 characters in 0x80..0x9F, indexed by byte - 0x80
// (0 where the byte is unassigned). Above 0x9F the byte is its own code point.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// One character of a compared text: either a Windows-1252 byte (below 256),
// or a code point that Windows-1252 cannot hold, as kForeign + code point.
constexpr uint32_t kForeign = 0x100;

uint32_t CharFromCodePoint(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return cp;
  for (uint32_t i = 0; i < 32; ++i)
    if (kCp1252High[i] == cp && cp != 0) return 0x80 + i;
  return kForeign + cp;
}

// Walks a text character by character: by code point when the text is
// multi-byte UTF-8, otherwise byte by byte as Windows-1252.
class CharReader {
public:
  explicit CharReader(const String& s) : s_(s), utf8_(IsMultiByteUtf8(s)) {}
  bool AtEnd() const { return pos_ >= s_.size(); }
  uint32_t Next() {
    const uchar c = static_cast<uchar>(s_[pos_]);
    if (!utf8_ || c < 0x80) {
      ++pos_;
      return c;
    }
    // Already validated as a whole: the lead byte gives the length.
    const size_t len = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    uint32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<uchar>(s_[pos_ + k]) & 0x3F);
    pos_ += len;
    return CharFromCodePoint(cp);
  }

private:
  const String& s_;
  bool utf8_;
  size_t pos_ = 0;
};

// Hyphen and apostrophe do not separate words in the user's order: they are
// passed over and only tell otherwise equal texts apart ("coop" < "co-op").
bool IsWordMark(uint32_t ch) { return ch == '-' || ch == '\''; }

struct CharWeights {
  uint32_t primary, secondary, caseRank;
};

CharWeights WeightsOf(uint32_t ch) {
  if (ch < kForeign) {
    const Collation& c = Coll();
    return {c.primary[ch], c.secondary[ch], c.lowerFirst[ch]};
  }
  // Characters outside Windows-1252 follow every letter, in code point order.
  return {0x10000 + ch, ch, 1};
}

// Compares level by level: letters (accents and case ignored), then accents,
// then, if asked, case, and last the word marks.
int Collate(const String& a, const String& b, bool caseSensitive) {
  CharReader ra(a), rb(b);
  int secondary = 0, caseOrder = 0;
  // The word marks as (characters before it, mark), in order.
  std::vector<std::pair<size_t, uint32_t>> marksA, marksB;
  size_t ia = 0, ib = 0;
  auto next = [](CharReader& r, size_t& index, auto& marks, uint32_t& ch) {
    while (!r.AtEnd()) {
      ch = r.Next();
      if (!IsWordMark(ch)) {
        ++index;
        return true;
      }
      marks.emplace_back(index, ch);
    }
    return false;
  };
  for (;;) {
    uint32_t ca = 0, cb = 0;
    const bool hasA = next(ra, ia, marksA, ca);
    const bool hasB = next(rb, ib, marksB, cb);
    if (!hasA || !hasB) {
      if (hasA != hasB) return hasA ? 1 : -1;
      break;
    }
    const CharWeights wa = WeightsOf(ca), wb = WeightsOf(cb);
    if (wa.primary != wb.primary) return wa.primary < wb.primary ? -1 : 1;
    if (!secondary && wa.secondary != wb.secondary) secondary = wa.secondary < wb.secondary ? -1 : 1;
    if (!caseOrder && wa.caseRank != wb.caseRank) caseOrder = wa.caseRank < wb.caseRank ? -1 : 1;
  }
  if (secondary) return secondary;
  if (caseSensitive && caseOrder) return caseOrder;
  // Mark by mark: the one further along (more unbroken text before it) sorts
  // first, then the apostrophe before the hyphen; a text out of marks first.
  for (size_t i = 0; i < marksA.size() && i < marksB.size(); ++i) {
    if (marksA[i].first != marksB[i].first) return marksA[i].first > marksB[i].first ? -1 : 1;
    if (marksA[i].second != marksB[i].second) return marksA[i].second < marksB[i].second ? -1 : 1;
  }
  if (marksA.size() != marksB.size()) return marksA.size() < marksB.size() ? -1 : 1;
  return 0;
}

// ------------------------------------------------------------ numbers

// Parses integer text into a 32-bit (narrow) or 64-bit range. Decimal text is
// range-checked; hexadecimal text is a bit pattern of that width.
bool ParseInteger(const String& s, int64_t& out, bool narrow) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t value = 0;
  const uint64_t hexLimit = narrow ? 0xFFFFFFFFull : UINT64_MAX;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    const uint64_t radix = hex ? 16 : 10;
    if (value > (UINT64_MAX - digit) / radix) return false;
    value = value * radix + digit;
    if (hex && value > hexLimit) return false;
  }
  if (hex) {
    // Hexadecimal text is a bit pattern: $FFFFFFFF is -1 as a 32-bit integer.
    int64_t v = narrow ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(value)))
                       : static_cast<int64_t>(value);
    out = negative ? -v : v;
    if (narrow && (out < INT32_MIN || out > INT32_MAX)) return false;
    return true;
  }
  const uint64_t maxMagnitude = narrow ? (negative ? 2147483648ull : 2147483647ull)
                                       : (negative ? 9223372036854775808ull : 9223372036854775807ull);
  if (value > maxMagnitude) return false;
  out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
  return true;
}

// Digits are rounded half away from zero, as users expect of prices ("2.25"
// to one decimal is "2.3"), not half to even as the C library does. The
// rounding digit is read from an expansion 40 digits longer than needed, which
// tells a true tie from a value just below it.
constexpr int kGuardDigits = 40;

// Adds one unit in the last place of a string of decimal digits; true when a
// digit was carried out in front (the string grew by one).
bool IncrementDigits(String& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
  return true;
}

// `count` significant digits of |value| and the exponent of the first one
// (value = d1.d2d3... * 10^exponent).
void SignificantDigits(double value, int count, String& digits, int& exponent) {
  // The digits come with "." as the point whatever the process locale.
  const String text = sys::ScientificText(std::fabs(value), count - 1 + kGuardDigits);
  String all;
  const char* p = text.c_str();
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') all += *p;
  exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
  digits = all.substr(0, static_cast<size_t>(count));
  if (all[static_cast<size_t>(count)] >= '5' && IncrementDigits(digits)) {
    digits.pop_back();
    ++exponent;
  }
}

// Significant digits (no trailing zeros) and the decimal exponent, so that
// value = 0.d1d2d3... * 10^exponent.
void Decompose(double value, int precision, String& digits, int& exponent) {
  SignificantDigits(value, precision, digits, exponent);
  ++exponent;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") exponent = 0;
}

bool NonFinite(double value, String& out) {
  if (std::isnan(value)) {
    out = "NAN";
    return true;
  }
  if (std::isinf(value)) {
    out = value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

// The general (shortest) form with at most `precision` significant digits.
String FormatGeneral(double value, int precision) {
  String special;
  if (NonFinite(value, special)) return special;
  if (value == 0) return "0";
  String digits;
  int exponent;
  Decompose(value, precision, digits, exponent);
  String r = value < 0 ? "-" : "";
  const char sep = FormatSettings.DecimalSeparator;
  if (exponent > precision || exponent < -3) {
    r += digits[0];
    if (digits.size() > 1) {
      r += sep;
      r.append(digits, 1, String::npos);
    }
    r += 'E';
    r += std::to_string(exponent - 1);
    return r;
  }
  if (exponent <= 0) {
    r += '0';
    r += sep;
    r.append(static_cast<size_t>(-exponent), '0');
    r += digits;
    return r;
  }
  if (static_cast<int>(digits.size()) <= exponent) {
    r += digits;
    r.append(static_cast<size_t>(exponent) - digits.size(), '0');
    return r;
  }
  r.append(digits, 0, static_cast<size_t>(exponent));
  r += sep;
  r.append(digits, static_cast<size_t>(exponent), String::npos);
  return r;
}

String FormatFixed(double value, int decimals, bool thousands) {
  String special;
  if (NonFinite(value, special)) return special;
  // Digits with "." as the point whatever the process locale.
  const String text = sys::FixedText(std::fabs(value), decimals + kGuardDigits);
  const size_t dot = text.find('.');
  String number = text.substr(0, dot) + text.substr(dot + 1, static_cast<size_t>(decimals));
  if (text[dot + 1 + static_cast<size_t>(decimals)] >= '5') IncrementDigits(number);
  const size_t intLen = number.size() - static_cast<size_t>(decimals);
  String intPart = number.substr(0, intLen);
  const String frac = number.substr(intLen);
  // No negative zero: "-0.00" is written "0.00".
  if (value < 0 && number.find_first_not_of('0') != String::npos) intPart.insert(0, "-");
  if (thousands && FormatSettings.ThousandSeparator != '\0') {
    const bool neg = !intPart.empty() && intPart[0] == '-';
    String digits = neg ? intPart.substr(1) : intPart;
    String grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
      if (i > 0 && (digits.size() - i) % 3 == 0) grouped += FormatSettings.ThousandSeparator;
      grouped += digits[i];
    }
    intPart = (neg ? "-" : "") + grouped;
  }
  if (frac.empty()) return intPart;
  return intPart + FormatSettings.DecimalSeparator + frac;
}

// "d.dddE+ddd": `precision` significant digits, a signed exponent of at least three digits.
String FormatScientific(double value, int precision) {
  String special;
  if (NonFinite(value, special)) return special;
  String digits;
  int exponent = 0;
  if (value == 0)
    digits.assign(static_cast<size_t>(precision), '0');
  else
    SignificantDigits(value, precision, digits, exponent);
  String text = value < 0 ? "-" : "";
  text += digits[0];
  if (digits.size() > 1) text += FormatSettings.DecimalSeparator + digits.substr(1);
  String expDigits = std::to_string(std::abs(exponent));
  while (expDigits.size() < 3) expDigits.insert(0, "0");
  return text + "E" + (exponent < 0 ? "-" : "+") + expDigits;
}

String ToHex(unsigned long long value, int digits) {
  static const char hexDigits[] = "0123456789ABCDEF";
  String r;
  do {
    r.insert(r.begin(), hexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (digits > 64) digits = 64;
  if (static_cast<int>(r.size()) < digits) r.insert(0, static_cast<size_t>(digits) - r.size(), '0');
  return r;
}

// A negative argument of int width is shown in 32-bit two's complement
// ("%x" of -1 is "FFFFFFFF"), whatever C++ type carried it.
unsigned long long AsBitPattern(const TVarRec& arg) {
  if (arg.GetKind() == TVarRec::Kind::Integer) {
    const long long v = arg.AsInteger();
    if (v < 0 && v >= INT32_MIN) return static_cast<uint32_t>(static_cast<int32_t>(v));
    return static_cast<unsigned long long>(v);
  }
  return arg.AsUnsigned();
}

// ------------------------------------------------------------ command line

std::mutex& CommandLineMutex() {
  static std::mutex m;
  return m;
}
std::vector<String>& CommandLine() {
  static std::vector<String> args;
  return args;
}

size_t LastDelimiter(const String& s) { return s.find_last_of("/\\"); }

}  // namespace

// ---------------------------------------------------------------- strings

String Trim(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

String TrimLeft(const String& s) {
  size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

String TrimRight(const String& s) {
  size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

String UpperCase(const String& s) { return sys::AsciiUpperCase(s); }

String LowerCase(const String& s) { return sys::AsciiLowerCase(s); }

String AnsiUpperCase(const String& s) { return AnsiChangeCase(s, true); }
String AnsiLowerCase(const String& s) { return AnsiChangeCase(s, false); }

int CompareText(const String& a, const String& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uchar ca = static_cast<uchar>(a[i]), cb = static_cast<uchar>(b[i]);
    if (ca >= 'a' && ca <= 'z') ca -= 32;
    if (cb >= 'a' && cb <= 'z') cb -= 32;
    if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
  }
  return static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size());
}

int CompareStr(const String& a, const String& b) {
  const int r = a.compare(b);
  return (r > 0) - (r < 0);
}

bool SameText(const String& a, const String& b) { return sys::SameAsciiText(a, b); }

int AnsiCompareText(const String& a, const String& b) { return Collate(a, b, false); }

int AnsiCompareStr(const String& a, const String& b) { return Collate(a, b, true); }

bool AnsiSameText(const String& a, const String& b) { return AnsiCompareText(a, b) == 0; }

String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags) {
  if (oldPattern.empty()) return s;
  const bool ignoreCase = flags.Contains(rfIgnoreCase);
  const bool all = flags.Contains(rfReplaceAll);
  // Case mapping keeps the byte length, so positions found in the mapped text
  // are positions in the original.
  const String searchIn = ignoreCase ? AnsiUpperCase(s) : s;
  const String pattern = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
  String result;
  size_t from = 0;
  while (from <= s.size()) {
    const size_t at = searchIn.find(pattern, from);
    if (at == String::npos) break;
    result.append(s, from, at - from);
    result += newPattern;
    from = at + pattern.size();
    if (!all) break;
  }
  result.append(s, std::min(from, s.size()), String::npos);
  return result;
}

String AnsiQuotedStr(const String& s, char quote) {
  String r(1, quote);
  for (char c : s) {
    if (c == quote) r += quote;
    r += c;
  }
  r += quote;
  return r;
}

String QuotedStr(const String& s) { return AnsiQuotedStr(s, '\''); }

// ---------------------------------------------------------------- numbers

String IntToStr(int value) { return std::to_string(value); }
String IntToStr(long value) { return std::to_string(value); }
String IntToStr(long long value) { return std::to_string(value); }
String IntToStr(unsigned value) { return std::to_string(value); }
String IntToStr(unsigned long value) { return std::to_string(value); }
String IntToStr(unsigned long long value) { return std::to_string(value); }

String IntToHex(int value, int digits) { return ToHex(static_cast<uint32_t>(value), digits); }
String IntToHex(long value, int digits) { return ToHex(static_cast<unsigned long>(value), digits); }
String IntToHex(long long value, int digits) { return ToHex(static_cast<unsigned long long>(value), digits); }
String IntToHex(unsigned value, int digits) { return ToHex(value, digits); }
String IntToHex(unsigned long value, int digits) { return ToHex(value, digits); }
String IntToHex(unsigned long long value, int digits) { return ToHex(value, digits); }

bool TryStrToInt(const String& s, int& value) {
  int64_t v;
  if (!ParseInteger(s, v, true)) return false;
  value = static_cast<int>(v);
  return true;
}

bool TryStrToInt64(const String& s, int64_t& value) { return ParseInteger(s, value, false); }

int StrToInt(const String& s) { return StrToValue(TryStrToInt, s, "integer value"); }

int64_t StrToInt64(const String& s) { return StrToValue(TryStrToInt64, s, "integer value"); }

int StrToIntDef(const String& s, int def) { return StrToValueDef(TryStrToInt, s, def); }

int64_t StrToInt64Def(const String& s, int64_t def) { return StrToValueDef(TryStrToInt64, s, def); }

String FloatToStr(double value) { return FormatGeneral(value, 15); }

bool TryStrToFloat(const String& s, double& value) {
  const String t = Trim(s);
  const char sep = FormatSettings.DecimalSeparator;
  String normalized;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) normalized += t[i++];
  int mantissaDigits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    normalized += t[i++];
    ++mantissaDigits;
  }
  if (i < t.size() && t[i] == sep) {
    normalized += '.';
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      normalized += t[i++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    normalized += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) normalized += t[i++];
    int expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      normalized += t[i++];
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  // Read with "." as the point whatever the process locale; a value too
  // small for a double reads as 0, one too large is refused.
  const sys::DoubleRead r = sys::ReadDouble(normalized);
  if (!r.ok || !std::isfinite(r.value)) return false;
  value = r.value;
  return true;
}

double StrToFloat(const String& s) { return StrToValue(TryStrToFloat, s, "floating point value"); }

double StrToFloatDef(const String& s, double def) { return StrToValueDef(TryStrToFloat, s, def); }

// ---------------------------------------------------------------- Format

namespace {

// One conversion: "%[index:][-][width][.precision]type".
struct FormatSpec {
  bool leftAlign = false;
  int width = -1;
  int precision = -1;
  char type = '\0';  // lower case
};

// Walks a format and its arguments, in the order the conversions take them.
// Every fault of either is the one error.
class FormatReader {
public:
  FormatReader(const String& fmt, std::initializer_list<TVarRec> args) : fmt_(fmt), args_(args) {}

  EConvertError Invalid() const {
    return EConvertError("Format '" + fmt_ + "' invalid or incompatible with argument");
  }

  // Copies the text up to the next conversion onto out ("%%" as '%') and
  // stands after its '%'; false when the format ends first.
  bool NextConversion(String& out) {
    for (;;) {
      const size_t percent = fmt_.find('%', i_);
      if (percent == String::npos) {
        out.append(fmt_, i_, String::npos);
        i_ = fmt_.size();
        return false;
      }
      out.append(fmt_, i_, percent - i_);
      i_ = percent + 1;
      if (i_ >= fmt_.size()) throw Invalid();
      if (fmt_[i_] != '%') return true;
      out += '%';
      ++i_;
    }
  }

  FormatSpec ReadSpec() {
    FormatSpec spec;
    // A number first is the argument index when ':' follows, else the width.
    int first = -1;
    bool haveFirst = false;
    if (i_ < fmt_.size() && fmt_[i_] != '*') {
      haveFirst = ReadNumber(first);
    } else if (i_ + 1 < fmt_.size() && fmt_[i_] == '*' && fmt_[i_ + 1] == ':') {
      haveFirst = ReadNumber(first);
    }
    if (haveFirst && i_ < fmt_.size() && fmt_[i_] == ':') {
      ++i_;
      if (first < 0) throw Invalid();
      next_ = static_cast<size_t>(first);
      haveFirst = false;
    }
    if (haveFirst) {
      spec.width = first;
    } else {
      if (i_ < fmt_.size() && fmt_[i_] == '-') {
        spec.leftAlign = true;
        ++i_;
      }
      ReadNumber(spec.width);
    }
    if (i_ < fmt_.size() && fmt_[i_] == '.') {
      ++i_;
      if (!ReadNumber(spec.precision)) spec.precision = 0;
    }
    if (i_ >= fmt_.size()) throw Invalid();
    spec.type = sys::AsciiLower(fmt_[i_]);
    ++i_;
    return spec;
  }

  const TVarRec& TakeArg() {
    if (next_ >= args_.size()) throw Invalid();
    return args_.begin()[next_++];
  }

private:
  // Digits (capped at 100000) or '*' (the next argument, an integer);
  // false when neither is there.
  bool ReadNumber(int& value) {
    if (i_ < fmt_.size() && fmt_[i_] == '*') {
      ++i_;
      value = TakeCount();
      return true;
    }
    if (i_ >= fmt_.size() || fmt_[i_] < '0' || fmt_[i_] > '9') return false;
    long long v = 0;
    while (i_ < fmt_.size() && fmt_[i_] >= '0' && fmt_[i_] <= '9') {
      v = std::min<long long>(v * 10 + (fmt_[i_] - '0'), 100000);
      ++i_;
    }
    value = static_cast<int>(v);
    return true;
  }

  int TakeCount() {
    const TVarRec& a = TakeArg();
    if (a.GetKind() != TVarRec::Kind::Integer) throw Invalid();
    return static_cast<int>(std::clamp<long long>(a.AsInteger(), -1, 100000));
  }

  const String& fmt_;
  std::initializer_list<TVarRec> args_;
  size_t i_ = 0;     // the next character of the format
  size_t next_ = 0;  // the next argument to use
};

bool IsIntegerArg(const TVarRec& a) {
  return a.GetKind() == TVarRec::Kind::Integer || a.GetKind() == TVarRec::Kind::Unsigned;
}
bool IsNumberArg(const TVarRec& a) { return IsIntegerArg(a) || a.GetKind() == TVarRec::Kind::Float; }
bool IsStringArg(const TVarRec& a) { return a.GetKind() == TVarRec::Kind::String; }
bool IsPointerArg(const TVarRec& a) { return a.GetKind() == TVarRec::Kind::Pointer; }

double NumberOf(const TVarRec& a) {
  switch (a.GetKind()) {
    case TVarRec::Kind::Integer: return static_cast<double>(a.AsInteger());
    case TVarRec::Kind::Unsigned: return static_cast<double>(a.AsUnsigned());
    default: return a.AsFloat();
  }
}

// Digits with leading zeros up to minDigits, the sign kept in front.
String PadDigits(const String& digits, int minDigits) {
  const bool neg = !digits.empty() && digits[0] == '-';
  String body = neg ? digits.substr(1) : digits;
  if (minDigits > 0 && static_cast<int>(body.size()) < minDigits)
    body.insert(0, static_cast<size_t>(minDigits) - body.size(), '0');
  return (neg ? "-" : "") + body;
}

// What each type letter takes and how it shows the argument with a precision.
struct Conversion {
  char type;
  bool (*accepts)(const TVarRec&);
  String (*text)(const TVarRec&, int precision);
};

const Conversion kConversions[] = {
    {'d', IsIntegerArg,
     [](const TVarRec& a, int precision) {
       return PadDigits(a.GetKind() == TVarRec::Kind::Integer ? std::to_string(a.AsInteger())
                                                              : std::to_string(a.AsUnsigned()),
                        precision);
     }},
    {'u', IsIntegerArg,
     [](const TVarRec& a, int precision) { return PadDigits(std::to_string(AsBitPattern(a)), precision); }},
    {'x', IsIntegerArg, [](const TVarRec& a, int precision) { return ToHex(AsBitPattern(a), precision); }},
    {'e', IsNumberArg,
     [](const TVarRec& a, int precision) {
       return FormatScientific(NumberOf(a), precision < 1 || precision > 18 ? 15 : precision);
     }},
    {'f', IsNumberArg,
     [](const TVarRec& a, int precision) {
       return FormatFixed(NumberOf(a), precision < 0 ? 2 : std::min(precision, 18), false);
     }},
    {'n', IsNumberArg,
     [](const TVarRec& a, int precision) {
       return FormatFixed(NumberOf(a), precision < 0 ? 2 : std::min(precision, 18), true);
     }},
    {'g', IsNumberArg,
     [](const TVarRec& a, int precision) {
       return FormatGeneral(NumberOf(a), precision < 1 || precision > 15 ? 15 : precision);
     }},
    {'s', IsStringArg,
     [](const TVarRec& a, int precision) {
       const String& s = a.AsString();
       return precision >= 0 && static_cast<size_t>(precision) < s.size() ? s.substr(0, static_cast<size_t>(precision))
                                                                          : s;
     }},
    {'p', IsPointerArg, [](const TVarRec& a, int) { return ToHex(a.AsUnsigned(), 16); }},
};

// The argument as the conversion shows it, blanks added up to the width;
// false when the type is unknown or does not take the argument.
bool Convert(const FormatSpec& spec, const TVarRec& arg, String& text) {
  const auto it = std::find_if(std::begin(kConversions), std::end(kConversions),
                               [&](const Conversion& c) { return c.type == spec.type; });
  if (it == std::end(kConversions) || !it->accepts(arg)) return false;
  text = it->text(arg, spec.precision);
  if (spec.width > 0 && static_cast<int>(text.size()) < spec.width) {
    const size_t pad = static_cast<size_t>(spec.width) - text.size();
    if (spec.leftAlign)
      text.append(pad, ' ');
    else
      text.insert(0, pad, ' ');
  }
  return true;
}

}  // namespace

String Format(const String& fmt, std::initializer_list<TVarRec> args) {
  FormatReader reader(fmt, args);
  String out;
  String text;
  while (reader.NextConversion(out)) {
    const FormatSpec spec = reader.ReadSpec();
    if (!Convert(spec, reader.TakeArg(), text)) throw reader.Invalid();
    out += text;
  }
  return out;
}

// ---------------------------------------------------------------- file names

String ExtractFilePath(const String& fileName) {
  const size_t p = LastDelimiter(fileName);
  return p == String::npos ? String() : fileName.substr(0, p + 1);
}

String ExtractFileDir(const String& fileName) {
  const size_t p = LastDelimiter(fileName);
  if (p == String::npos) return String();
  // The root keeps its delimiter.
  if (p == 0) return fileName.substr(0, 1);
  return fileName.substr(0, p);
}

String ExtractFileName(const String& fileName) {
  const size_t p = LastDelimiter(fileName);
  return p == String::npos ? fileName : fileName.substr(p + 1);
}

String ExtractFileExt(const String& fileName) {
  const size_t p = fileName.find_last_of("./\\");
  if (p == String::npos || fileName[p] != '.') return String();
  return fileName.substr(p);
}

String ChangeFileExt(const String& fileName, const String& extension) {
  const size_t p = fileName.find_last_of("./\\");
  if (p == String::npos || fileName[p] != '.') return fileName + extension;
  return fileName.substr(0, p) + extension;
}

String IncludeTrailingPathDelimiter(const String& s) {
  if (!s.empty() && (s.back() == '/' || s.back() == '\\')) return s;
  return s + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& s) {
  if (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) return s.substr(0, s.size() - 1);
  return s;
}

String ExpandFileName(const String& fileName) {
  String path = fileName;
  if (path.empty() || path[0] != '/') path = IncludeTrailingPathDelimiter(GetCurrentDir()) + path;
  std::vector<String> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == String::npos) end = path.size();
    const String part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  String r;
  for (const String& p : parts) r += "/" + p;
  if (r.empty() || (!path.empty() && path.back() == '/' && !parts.empty())) r += '/';
  return r;
}

// ---------------------------------------------------------------- files

bool CreateDir(const String& dir) { return ::mkdir(dir.c_str(), 0777) == 0; }

bool RemoveDir(const String& dir) { return ::rmdir(sys::ResolveFileName(dir).c_str()) == 0; }

bool RenameFile(const String& oldName, const String& newName) {
  // Renaming never replaces an existing file (not even one whose name differs
  // only in case): the old file's data would be lost without a word.
  if (sys::FileExists(newName) || sys::DirectoryExists(newName)) return false;
  const String from = sys::ResolveFileName(oldName);
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, newName.c_str(), RENAME_NOREPLACE) == 0;
}

String GetCurrentDir() {
  std::vector<char> buf(4096);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return String();
    buf.resize(buf.size() * 2);
  }
  return String(buf.data());
}

bool SetCurrentDir(const String& dir) { return ::chdir(sys::ResolveFileName(dir).c_str()) == 0; }

// ---------------------------------------------------------------- process

void SetCommandLine(int argc, char** argv) {
  std::lock_guard<std::mutex> lock(CommandLineMutex());
  auto& args = CommandLine();
  args.clear();
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
}

int ParamCount() {
  std::lock_guard<std::mutex> lock(CommandLineMutex());
  const auto& args = CommandLine();
  return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

String ParamStr(int index) {
  if (index == 0) {
    String exe = sys::ExePath();
    if (!exe.empty()) return exe;
  }
  std::lock_guard<std::mutex> lock(CommandLineMutex());
  const auto& args = CommandLine();
  if (index < 0 || static_cast<size_t>(index) >= args.size()) return String();
  return args[static_cast<size_t>(index)];
}

void Sleep(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

Cardinal GetTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<Cardinal>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

String SysErrorMessage(int errorCode) {
  char buf[256];
  return String(::strerror_r(errorCode, buf, sizeof buf));
}

String ProgramTitle() { return ChangeFileExt(ExtractFileName(ParamStr(0)), ""); }

void ShowExceptionMessage(const String& Title, const Exception& E) {
  String text = E.Message();
  if (!text.empty() && text.back() != '.') text += '.';
  sys::ShowMessageBox(Title, text, sys::mbError, sys::mbOK);
}
