#include "platform/system/Locale.h"

#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <string_view>
#include <vector>

namespace sys {

namespace {

void Override(const char* var, std::string& field) {
  const char* v = std::getenv(var);
  if (v && *v) field = v;
}

void Override(const char* var, char& field) {
  const char* v = std::getenv(var);
  if (v && v[0] && !v[1]) field = v[0];
}

// The locale that rules a category: the first of LC_ALL, the category's
// variable (LC_TIME, LC_NUMERIC) and LANG that is set.
std::string LocaleNameFor(const char* categoryVar) {
  for (const char* var : {"LC_ALL", categoryVar, "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return std::string();
}

bool IsClassicLocale(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// A locale handle of one category (LC_TIME_MASK, LC_NUMERIC_MASK), freed on
// every path.
class LocaleHandle {
public:
  LocaleHandle(int categoryMask, const std::string& name)
      : loc_(::newlocale(categoryMask, name.c_str(), locale_t(0))) {}
  ~LocaleHandle() {
    if (loc_ != locale_t(0)) ::freelocale(loc_);
  }
  LocaleHandle(const LocaleHandle&) = delete;
  LocaleHandle& operator=(const LocaleHandle&) = delete;

  bool Valid() const { return loc_ != locale_t(0); }
  std::string Info(nl_item item) const { return ::nl_langinfo_l(item, loc_); }

private:
  locale_t loc_;
};

// A C library date or time format (strftime conversions) as a list of our
// format fields and the literal text between them.
struct Piece {
  bool Field = false;
  std::string Text;  // our format letters, or the literal bytes
  bool Seconds = false;
};

class FormatConverter {
public:
  explicit FormatConverter(const LocaleHandle& loc) : loc_(loc) {}

  // False when the format holds a conversion with no counterpart here.
  bool Convert(std::string_view f, std::vector<Piece>& out, int depth = 0) const {
    if (depth > 3) return false;  // %x naming %x: no end
    for (size_t i = 0; i < f.size();) {
      if (f[i] != '%') {
        Literal(out, std::string(1, f[i++]));
        continue;
      }
      ++i;
      bool padded = true;  // the '-' flag asks for no padding
      while (i < f.size() && std::strchr("-_0^#", f[i]) != nullptr) padded &= f[i++] != '-';
      while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i;
      if (i < f.size() && (f[i] == 'E' || f[i] == 'O')) ++i;
      if (i >= f.size()) return false;
      auto field = [&](const char* twoDigits, const char* noPadding, bool seconds = false) {
        out.push_back({true, padded ? twoDigits : noPadding, seconds});
      };
      switch (f[i++]) {
        case 'd': field("dd", "d"); break;
        case 'e': field("d", "d"); break;
        case 'm': field("mm", "m"); break;
        case 'Y': field("yyyy", "yyyy"); break;
        case 'y': field("yy", "yy"); break;
        case 'b': case 'h': field("mmm", "mmm"); break;
        case 'B': field("mmmm", "mmmm"); break;
        case 'a': field("ddd", "ddd"); break;
        case 'A': field("dddd", "dddd"); break;
        case 'H': case 'I': field("hh", "h"); break;
        case 'k': case 'l': field("h", "h"); break;
        case 'M': field("nn", "n"); break;
        case 'S': field("ss", "s", true); break;
        case 'p': case 'P': field("AMPM", "AMPM"); break;
        case 'Z': case 'z': break;  // no time zone in these formats
        case '%': Literal(out, "%"); break;
        case 'n': case 't': Literal(out, " "); break;
        case 'D': if (!Convert("%m/%d/%y", out, depth + 1)) return false; break;
        case 'F': if (!Convert("%Y-%m-%d", out, depth + 1)) return false; break;
        case 'T': if (!Convert("%H:%M:%S", out, depth + 1)) return false; break;
        case 'R': if (!Convert("%H:%M", out, depth + 1)) return false; break;
        case 'x': if (!Convert(loc_.Info(D_FMT), out, depth + 1)) return false; break;
        case 'X': if (!Convert(loc_.Info(T_FMT), out, depth + 1)) return false; break;
        case 'r': {
          std::string ampm = loc_.Info(T_FMT_AMPM);
          if (!Convert(ampm.empty() ? "%I:%M:%S %p" : ampm, out, depth + 1)) return false;
          break;
        }
        default:
          return false;
      }
    }
    return true;
  }

private:
  static void Literal(std::vector<Piece>& out, const std::string& text) {
    if (!out.empty() && !out.back().Field) {
      out.back().Text += text;
    } else {
      out.push_back({false, text});
    }
  }

  const LocaleHandle& loc_;
};

bool IsAsciiPunct(char c) {
  return (c > ' ' && c < '0') || (c > '9' && c < 'A') || (c > 'Z' && c < 'a') || (c > 'z' && c < 0x7F);
}

// The separator of a format: the literal between its first two fields when
// that is one punctuation character; 0 when there is none such.
char SeparatorOf(const std::vector<Piece>& pieces) {
  for (size_t k = 1; k + 1 < pieces.size(); ++k) {
    if (pieces[k].Field || !pieces[k - 1].Field || !pieces[k + 1].Field) continue;
    const std::string& t = pieces[k].Text;
    return t.size() == 1 && IsAsciiPunct(t[0]) ? t[0] : '\0';
  }
  return '\0';
}

// Our format text of the pieces: the separator becomes placeholder, other
// literal text with letters or format characters in it is quoted. Without
// seconds, the seconds field goes with the separator before it (or, where
// another literal stands before it, with the literal after it).
std::string FormatText(const std::vector<Piece>& pieces, char separator, char placeholder, bool withSeconds) {
  std::vector<bool> skip(pieces.size(), false);
  if (!withSeconds) {
    for (size_t k = 0; k < pieces.size(); ++k) {
      if (!pieces[k].Seconds) continue;
      skip[k] = true;
      const bool sepBefore = k > 0 && pieces[k - 1].Text == std::string(1, separator);
      if (sepBefore) {
        skip[k - 1] = true;
      } else if (k + 1 < pieces.size() && !pieces[k + 1].Field) {
        skip[k + 1] = true;
      }
    }
  }
  std::string out;
  for (size_t k = 0; k < pieces.size(); ++k) {
    if (skip[k]) continue;
    const std::string& t = pieces[k].Text;
    if (pieces[k].Field) {
      out += t;
    } else if (separator != '\0' && t == std::string(1, separator)) {
      out += placeholder;
    } else if (t.find_first_not_of(" .,-") == std::string::npos) {
      out += t;
    } else {
      const char quote = t.find('"') == std::string::npos ? '"' : '\'';
      out += quote + t + quote;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The date and time formats of the named locale over the defaults in f.
void ApplyTimeLocale(const std::string& name, LocaleFormats& f) {
  const LocaleHandle loc(LC_TIME_MASK, name);
  if (!loc.Valid()) return;  // not installed: the defaults stay
  const FormatConverter converter(loc);

  std::vector<Piece> date;
  if (converter.Convert(loc.Info(D_FMT), date) && !date.empty()) {
    const char sep = SeparatorOf(date);
    f.ShortDateFormat = FormatText(date, sep, '/', true);
    if (sep != '\0') f.DateSeparator = sep;
  }

  std::vector<Piece> time;
  if (converter.Convert(loc.Info(T_FMT), time) && !time.empty()) {
    const char sep = SeparatorOf(time);
    f.LongTimeFormat = FormatText(time, sep, ':', true);
    f.ShortTimeFormat = FormatText(time, sep, ':', false);
    if (sep != '\0') f.TimeSeparator = sep;
    f.TimeAMString = loc.Info(AM_STR);
    f.TimePMString = loc.Info(PM_STR);
  }
}

// The one byte that stands for a locale's thousands separator: the
// separator itself when it is one ASCII byte; the no-break spaces many
// locales group with (in UTF-8 or a one-byte charset) as a space, a right
// single quote as the apostrophe. Empty, or any other character: 0, no
// grouping.
char ThousandSeparatorOf(const std::string& sep) {
  if (sep.size() == 1 && static_cast<unsigned char>(sep[0]) < 0x80) return sep[0];
  if (sep == "\xA0" || sep == "\xC2\xA0" || sep == "\xE2\x80\xAF") return ' ';  // U+00A0, U+202F
  if (sep == "\xE2\x80\x99") return '\'';                        // U+2019
  return '\0';
}

// The number separators of the named locale over the defaults in f.
void ApplyNumberLocale(const std::string& name, LocaleFormats& f) {
  const LocaleHandle loc(LC_NUMERIC_MASK, name);
  if (!loc.Valid()) return;  // not installed: the defaults stay
  const std::string point = loc.Info(RADIXCHAR);
  // No one-byte ASCII point: "." and "," stay.
  if (point.size() != 1 || static_cast<unsigned char>(point[0]) >= 0x80) return;
  f.DecimalSeparator = point[0];
  f.ThousandSeparator = ThousandSeparatorOf(loc.Info(THOUSEP));
  // A number must read one way only.
  if (f.ThousandSeparator == f.DecimalSeparator) f.ThousandSeparator = '\0';
}

}  // namespace

LocaleFormats ReadLocaleFormats() {
  LocaleFormats f;
  const std::string timeName = LocaleNameFor("LC_TIME");
  if (!IsClassicLocale(timeName)) ApplyTimeLocale(timeName, f);
  const std::string numberName = LocaleNameFor("LC_NUMERIC");
  if (!IsClassicLocale(numberName)) ApplyNumberLocale(numberName, f);
  Override("TW_SHORT_DATE_FORMAT", f.ShortDateFormat);
  Override("TW_LONG_DATE_FORMAT", f.LongDateFormat);
  Override("TW_SHORT_TIME_FORMAT", f.ShortTimeFormat);
  Override("TW_LONG_TIME_FORMAT", f.LongTimeFormat);
  Override("TW_DATE_SEPARATOR", f.DateSeparator);
  Override("TW_TIME_SEPARATOR", f.TimeSeparator);
  Override("TW_TIME_AM", f.TimeAMString);
  Override("TW_TIME_PM", f.TimePMString);
  Override("TW_DECIMAL_SEPARATOR", f.DecimalSeparator);
  Override("TW_THOUSAND_SEPARATOR", f.ThousandSeparator);
  return f;
}

}  // namespace sys
