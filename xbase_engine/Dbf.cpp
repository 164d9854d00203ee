#include "xbase_engine/Dbf.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

namespace xbe {

namespace {

MemoKind MemoKindForVersion(uint8_t v, uint8_t flags) {
  switch (v) {
    case 0x83:
      return MemoKind::Dbt3;
    case 0x7B:
    case 0x8B:
    case 0x8E:
    case 0xCB:
      return MemoKind::Dbt4;
    case 0xF5:
    case 0xFB:
      return MemoKind::Fpt;
    case 0x30:
    case 0x31:
    case 0x32:
      return (flags & 0x02) ? MemoKind::Fpt : MemoKind::None;
    default:
      return MemoKind::None;
  }
}

bool KnownVersion(uint8_t v) {
  switch (v) {
    case 0x02: case 0x03: case 0x04: case 0x05: case 0x30: case 0x31: case 0x32:
    case 0x43: case 0x63: case 0x7B: case 0x83: case 0x8B: case 0x8E: case 0xCB:
    case 0xF5: case 0xFB:
      return true;
    default:
      return false;
  }
}

bool IsVisualFox(uint8_t v) { return v == 0x30 || v == 0x31 || v == 0x32; }

[[noreturn]] void Bad(const std::string& what) { throw XbError("Corrupt table header: " + what); }

// Checks a field's width against its type; sets binary for binary layouts.
void CheckFieldType(FieldDesc& f) {
  const std::string at = " (field " + f.name + ")";
  switch (f.type) {
    case 'C': case 'V': case 'Q':
      if (f.width < 1) Bad("character field without width" + at);
      break;
    case 'N': case 'F':
      if (f.width < 1 || f.width > 64) Bad("numeric width out of range" + at);
      if (f.decimals > 0 && f.decimals >= f.width) Bad("decimals not below width" + at);
      break;
    case 'D':
      if (f.width != 8) Bad("date width must be 8" + at);
      break;
    case 'L':
      if (f.width != 1) Bad("logical width must be 1" + at);
      break;
    case 'I': case '+':
      if (f.width != 4) Bad("integer width must be 4" + at);
      f.binary = true;
      break;
    case 'Y': case 'T': case 'O': case '@':
      if (f.width != 8) Bad("binary width must be 8" + at);
      f.binary = true;
      break;
    case 'B':
      if (f.width == 8) {
        f.binary = true;  // double
      } else if (f.width == 4) {
        f.binary = true;  // binary memo reference
      } else if (f.width != 10) {
        Bad("blob width must be 4, 8 or 10" + at);
      }
      break;
    case 'M': case 'G': case 'P': case 'W':
      if (f.width == 4) {
        f.binary = true;
      } else if (f.width != 10) {
        Bad("memo width must be 4 or 10" + at);
      }
      break;
    case '0':
      if (f.width < 1) Bad("null flags without width");
      f.binary = true;
      f.hidden = true;
      break;
    default:
      Bad("unknown field type" + at);
  }
}

}  // namespace

bool IsMemoField(const FieldDesc& f) {
  switch (f.type) {
    case 'M': case 'G': case 'P': case 'W':
      return true;
    case 'B':
      return f.width != 8;
    default:
      return false;
  }
}

DbfHeader ParseHeader(const uint8_t* data, size_t size, uint64_t fileSize) {
  if (size < 32 || fileSize < 32) Bad("file shorter than a header");
  DbfHeader h;
  h.version = data[0];
  if (!KnownVersion(h.version)) Bad("unknown version byte");
  h.recCount = ReadLe32(data + 4);
  h.headerLen = ReadLe16(data + 8);
  h.recLen = ReadLe16(data + 10);
  h.encrypted = data[15] == 0x01;
  h.tableFlags = data[28];
  if (h.headerLen < 32 + 32 + 1) Bad("header length too small");
  if (h.headerLen > fileSize) Bad("header length beyond the file");
  if (h.headerLen > size) Bad("header not read whole");
  if (h.recLen < 2) Bad("record length too small");

  const bool vfp = IsVisualFox(h.version);
  uint32_t pos = 32;
  uint32_t offset = 1;
  int nextNullBit = 0;
  for (;;) {
    if (pos >= h.headerLen) Bad("field list without terminator");
    if (data[pos] == 0x0D) break;
    if (pos + 32 > h.headerLen) Bad("field descriptor cut short");
    if (int(h.fields.size()) >= kMaxFields) Bad("too many fields");
    const uint8_t* d = data + pos;
    FieldDesc f;
    size_t n = 0;
    while (n < 11 && d[n] != 0) ++n;
    f.name.assign(reinterpret_cast<const char*>(d), n);
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    if (f.name.empty()) Bad("field without name");
    for (unsigned char c : f.name) {
      if (c < 0x20) Bad("field name with control characters");
    }
    char t = char(d[11]);
    if (t >= 'a' && t <= 'z') t = char(t - 'a' + 'A');
    f.type = t;
    f.width = d[16];
    f.decimals = d[17];
    if (f.type == 'C' && !vfp) {
      // Wide character fields keep the high byte of the width in the decimals byte.
      f.width = ReadLe16(d + 16);
      f.decimals = 0;
    }
    const uint8_t flags = d[18];
    CheckFieldType(f);
    if (vfp && (flags & 0x01) && f.type != '0') f.hidden = true;
    if (vfp && (flags & 0x02)) f.nullBit = nextNullBit++;
    if (vfp && (f.type == 'V' || f.type == 'Q')) ++nextNullBit;
    if (f.type == '0') h.nullFlagsField = int(h.fields.size());
    f.offset = int(offset);
    offset += uint32_t(f.width);
    if (offset > kMaxRecLen + 1) Bad("fields wider than a record can be");
    if (IsMemoField(f)) h.hasMemoFields = true;
    h.fields.push_back(std::move(f));
    pos += 32;
  }
  if (h.fields.empty()) Bad("table without fields");
  if (offset != h.recLen) Bad("record length does not match the fields");
  if (h.nullFlagsField >= 0 && nextNullBit > h.fields[size_t(h.nullFlagsField)].width * 8) {
    Bad("null flags too narrow");
  }
  const uint64_t need = uint64_t(h.headerLen) + uint64_t(h.recCount) * h.recLen;
  if (need > fileSize) Bad("record count beyond the end of the file");
  h.memoKind = MemoKindForVersion(h.version, h.tableFlags);
  return h;
}

std::vector<uint8_t> BuildHeader(uint8_t version, std::vector<FieldDesc>& fields, int year,
                                 int month, int day) {
  const bool vfp = IsVisualFox(version);
  bool memo = false;
  for (FieldDesc& f : fields) {
    if (!IsMemoField(f)) continue;
    memo = true;
    // The 0x30 format refers to memo blocks with 4-byte numbers.
    if (vfp && f.width == 10) {
      f.width = 4;
      f.binary = true;
    }
  }
  const size_t headerLen = 32 + 32 * fields.size() + 1 + (vfp ? 263 : 0);
  std::vector<uint8_t> h(headerLen, 0);
  uint32_t offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    FieldDesc& f = fields[i];
    f.offset = int(offset);
    uint8_t* d = h.data() + 32 + 32 * i;
    std::memcpy(d, f.name.data(), std::min<size_t>(f.name.size(), 10));
    d[11] = uint8_t(f.type);
    if (vfp) WriteLe32(d + 12, offset);
    if (f.type == 'C' && !vfp) {
      WriteLe16(d + 16, uint16_t(f.width));
    } else {
      d[16] = uint8_t(f.width);
      d[17] = uint8_t(f.decimals);
    }
    // Memo text is text: only the binary kinds carry the binary flag.
    if (vfp && f.binary && f.type != 'I' && f.type != 'M') d[18] = 0x04;
    offset += uint32_t(f.width);
  }
  h[0] = version;
  if (vfp && memo) h[28] = 0x02;  // the table has a memo file
  h[1] = uint8_t(year - 1900);
  h[2] = uint8_t(month);
  h[3] = uint8_t(day);
  WriteLe16(h.data() + 8, uint16_t(headerLen));
  WriteLe16(h.data() + 10, uint16_t(offset));
  h[32 + 32 * fields.size()] = 0x0D;
  return h;
}

std::string DbfDateText(int32_t jdn) {
  if (jdn == 0) return std::string(8, ' ');
  int y, m, d;
  YmdFromJulian(jdn, y, m, d);
  return dbf::FormatDate(y, m, d);
}

void LocalToday(int& y, int& m, int& d) {
  // The local date changes only where local time passes midnight, and every
  // zone's offset and change of offset falls on a whole minute: the date read
  // once holds for the rest of that minute. (A table committed record by
  // record asks here at every commit.)
  struct Known {
    std::time_t minute = -1;
    int y = 0, m = 0, d = 0;
  };
  thread_local Known known;
  const std::time_t t = std::time(nullptr);
  const std::time_t minute = t >= 0 ? t / 60 : -1;
  if (minute < 0 || minute != known.minute) {
    std::tm tm {};
    localtime_r(&t, &tm);
    known = {minute, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
  }
  y = known.y;
  m = known.m;
  d = known.d;
}

DateLayout LayoutForCode(int code, const std::string& userShortFormat, char userSeparator) {
  DateLayout l;
  auto set = [&l](char a, char b, char c, char sep) {
    l.order[0] = a;
    l.order[1] = b;
    l.order[2] = c;
    l.sep = sep;
  };
  switch (code) {
    case 0: set('M', 'D', 'Y', '/'); break;
    case 1: set('Y', 'M', 'D', '.'); break;
    case 2: case 3: set('D', 'M', 'Y', '/'); break;
    case 4: set('D', 'M', 'Y', '.'); break;
    case 5: case 6: set('D', 'M', 'Y', '-'); break;
    default: {
      // The user's short format: the order in which day, month and year first appear.
      int n = 0;
      char seen[3] = {0, 0, 0};
      for (char c : userShortFormat) {
        char u = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        if (u != 'D' && u != 'M' && u != 'Y') continue;
        if (n < 3 && seen[0] != u && seen[1] != u && seen[2] != u) seen[n++] = u;
      }
      if (n == 3) {
        set(seen[0], seen[1], seen[2], userSeparator ? userSeparator : '/');
      } else {
        set('M', 'D', 'Y', userSeparator ? userSeparator : '/');
      }
    }
  }
  return l;
}

std::string FormatDate(const DateLayout& layout, bool century, int y, int m, int d) {
  std::string out;
  char buf[8];
  for (int i = 0; i < 3; ++i) {
    if (i) out += layout.sep;
    switch (layout.order[i]) {
      case 'D': std::snprintf(buf, sizeof buf, "%02d", d); break;
      case 'M': std::snprintf(buf, sizeof buf, "%02d", m); break;
      default:
        if (century) {
          std::snprintf(buf, sizeof buf, "%04d", y % 10000);
        } else {
          std::snprintf(buf, sizeof buf, "%02d", y % 100);
        }
    }
    out += buf;
  }
  return out;
}

std::string BlankDate(const DateLayout& layout, bool century) {
  std::string out;
  for (int i = 0; i < 3; ++i) {
    if (i) out += layout.sep;
    out += (layout.order[i] == 'Y' && century) ? "    " : "  ";
  }
  return out;
}

bool ParseDate(const DateLayout& layout, int epoch, std::string_view text, int& y, int& m, int& d) {
  int part[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int n = 0;
  size_t i = 0;
  while (i < text.size() && n < 3) {
    while (i < text.size() && (text[i] < '0' || text[i] > '9')) ++i;
    if (i >= text.size()) break;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (digits[n] < 6) part[n] = part[n] * 10 + (text[i] - '0');
      ++digits[n];
      ++i;
    }
    ++n;
  }
  if (n != 3) return false;
  for (int k = 0; k < 3; ++k) {
    switch (layout.order[k]) {
      case 'D': d = part[k]; break;
      case 'M': m = part[k]; break;
      default:
        y = part[k];
        if (digits[k] <= 2) {
          y += epoch / 100 * 100;
          if (y < epoch) y += 100;
        }
    }
  }
  return JulianFromYmd(y, m, d) != 0;
}

// ---- numbers and texts ----

std::string_view TrimRight(std::string_view s) {
  size_t n = s.size();
  // Padding comes in long runs of blanks: skip them eight at a time.
  constexpr uint64_t kBlanks = 0x2020202020202020ull;
  while (n >= 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + n - 8, 8);
    if (w != kBlanks) break;
    n -= 8;
  }
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
  return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
  s = TrimRight(s);
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  }
  return r;
}

}  // namespace xbe
