#include "xbase_engine/index/IndexKey.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "xbase_engine/DbfCodec.h"
#include "xbase_engine/Table.h"

namespace xbe::idx {


namespace {

void Store8(uint8_t* p, uint64_t v) {
  for (int i = 7; i >= 0; --i) {
    p[i] = uint8_t(v);
    v >>= 8;
  }
}

}  // namespace

std::string EncodeNumber(double v, const KeyFormat& f) {
  if (!std::isfinite(v)) v = 0.0;
  if (f.binaryNumbers) {
    if (v == 0.0) v = 0.0;  // -0 sorts as 0
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits ^ (uint64_t(1) << 63);
    std::string out(8, '\0');
    Store8(reinterpret_cast<uint8_t*>(out.data()), bits);
    return out;
  }
  const int len = f.length;
  const bool neg = v < 0;
  const int width = neg ? len - 1 : len;
  const int dec = f.decimals > 0 && f.decimals < len ? f.decimals : 0;
  // Zero-padded digits with "." as the point, rounded as the table stores
  // numbers, whatever the process locale.
  std::string s;
  dbf::DecimalText(std::fabs(v), dec, s);
  if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
  if (int(s.size()) > width) s = std::string(size_t(width > 0 ? width : 0), '9');  // overflow: the top
  if (neg) {
    for (char& c : s) {
      if (c >= '0' && c <= '9') c = char('0' + ('9' - c));
    }
    s.insert(0, 1, ',');
  }
  s.resize(size_t(len), '0');
  return s;
}

std::string EncodeDate(int32_t julian, const KeyFormat& f) {
  if (f.binaryNumbers) return EncodeNumber(double(julian), f);
  if (julian <= 0) return std::string(size_t(f.length), ' ');
  int y, m, d;
  YmdFromJulian(julian, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y % 10000, m, d);
  std::string s(buf, 8);
  s.resize(size_t(f.length), ' ');
  return s;
}

std::string EncodeText(std::string_view text, const KeyFormat& f) {
  std::string s(text.substr(0, size_t(f.length)));
  s.resize(size_t(f.length), ' ');
  return s;
}

double DecodeBinaryNumber(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | p[i];
  bits = (bits >> 63) ? bits ^ (uint64_t(1) << 63) : ~bits;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

std::string KeyFromText(std::string_view text, const KeyFormat& f, bool exact) {
  switch (f.type) {
    case 'N': {
      double v = 0;
      if (!Trim(text).empty() && !ParseNumber(text, v)) throw XbError("Not a number: " + std::string(text));
      return EncodeNumber(v, f);
    }
    case 'D': {
      const std::string_view t = Trim(text);
      if (t.empty()) return EncodeDate(0, f);
      int y, m, d;
      if (!ParseDbfDate(t, y, m, d)) throw XbError("Not a date (yyyymmdd): " + std::string(text));
      return EncodeDate(JulianFromYmd(y, m, d), f);
    }
    case 'L': {
      std::string_view t = Trim(text);
      if (t.size() >= 3 && t.front() == '.' && t.back() == '.') t = t.substr(1, t.size() - 2);
      const char c = t.empty() ? 'F' : t[0];
      return (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? "T" : "F";
    }
    default:
      if (exact || int(text.size()) > f.length) return EncodeText(text, f);
      return std::string(text);
  }
}

// ---- expressions ----

std::unique_ptr<expr::Expression> CompileKey(expr::RecordSource& fields, const Settings& s, std::string_view text) {
  if (Trim(text).empty()) throw XbError("Empty index expression");
  auto e = expr::Expression::Compile(text, fields, s);
  // Keys and conditions compare stored bytes: exact comparison inside them.
  e->ForceExact(true);
  return e;
}

KeyFormat FormatFor(const expr::Expression& e, bool binaryNumbers) {
  KeyFormat f;
  f.binaryNumbers = binaryNumbers;
  switch (e.ResultType()) {
    case expr::Type::Number:
      f.type = 'N';
      f.length = binaryNumbers ? 8 : (e.Width() > 0 ? e.Width() : 15);
      f.decimals = binaryNumbers ? 0 : (e.Width() > 0 ? e.Decimals() : 4);
      break;
    case expr::Type::Date:
      f.type = 'D';
      f.length = 8;
      break;
    case expr::Type::Logical:
      f.type = 'L';
      f.length = 1;
      break;
    case expr::Type::Text:
      f.type = 'C';
      f.length = e.Width();
      break;
    default:
      throw XbError("Not a key expression: " + e.Text());
  }
  if (f.length < 1 || f.length > kMaxKeyLength) {
    throw XbError("Key length " + std::to_string(f.length) + " out of range: " + e.Text());
  }
  return f;
}

void MakeKey(expr::Expression& e, const expr::Row& row, const KeyFormat& f, std::string& out) {
  const expr::Value& v = e.Evaluate(row);
  switch (f.type) {
    case 'N':
      out = EncodeNumber(v.type == expr::Type::Number ? v.number : 0.0, f);
      return;
    case 'D':
      out = EncodeDate(v.type == expr::Type::Date ? v.date : 0, f);
      return;
    case 'L':
      out = v.logical ? "T" : "F";
      return;
    default:
      out.assign(v.text.data(), std::min(v.text.size(), size_t(f.length)));
      if (int(out.size()) != f.length) out.resize(size_t(f.length), ' ');
  }
}

std::string KeyFieldNames(Table& t, std::string_view expression) {
  std::string out;
  size_t i = 0;
  while (i < expression.size()) {
    const char c = expression[i];
    if (c == '"' || c == '\'') {  // skip text literals
      const size_t end = expression.find(c, i + 1);
      i = end == std::string_view::npos ? expression.size() : end + 1;
      continue;
    }
    if (std::isalpha(uint8_t(c)) || c == '_') {
      const size_t b = i;
      while (i < expression.size() && (std::isalnum(uint8_t(expression[i])) || expression[i] == '_')) ++i;
      size_t j = i;
      while (j < expression.size() && expression[j] == ' ') ++j;
      const bool call = j < expression.size() && expression[j] == '(';
      const bool alias = j + 1 < expression.size() && expression[j] == '-' && expression[j + 1] == '>';
      const std::string_view word = expression.substr(b, i - b);
      if (!call && !alias && t.FindField(word)) {
        if (!out.empty()) out += ';';
        out += UpperAscii(word);
      }
      continue;
    }
    ++i;
  }
  return out;
}

}  // namespace xbe::idx
