#include "class_library/core/DateTime.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string_view>

#include "class_library/core/FormatSettings.h"
#include "class_library/core/SysUtils.h"
#include "platform/system/AsciiCase.h"
#include "platform/system/FileTime.h"

namespace {

const int64_t kEpochOffset = sys::DaysFromCivil(1899, 12, 30);  // day 0 relative to 1970

// Splits a TDateTime into whole days and milliseconds of the day, rounding to
// the millisecond. The time of day of a negative value is its absolute fraction.
void Split(TDateTime dt, int64_t& days, int64_t& msecs) {
  if (!std::isfinite(dt) || std::fabs(dt) > 3.0e6) {
    days = 0;
    msecs = 0;
    return;
  }
  const int64_t total = std::llround(dt * static_cast<double>(MSecsPerDay));
  days = total / MSecsPerDay;
  msecs = total % MSecsPerDay;
  if (msecs < 0) msecs = -msecs;
}

struct Parts {
  Word year = 1899, month = 12, day = 30, hour = 0, min = 0, sec = 0, msec = 0, dow = 7;
};

Parts Decode(TDateTime dt) {
  int64_t days, msecs;
  Split(dt, days, msecs);
  Parts p;
  long long y;
  unsigned m, d;
  sys::CivilFromDays(days + kEpochOffset, y, m, d);
  p.year = static_cast<Word>(y < 0 ? 0 : (y > 65535 ? 65535 : y));
  p.month = static_cast<Word>(m);
  p.day = static_cast<Word>(d);
  p.hour = static_cast<Word>(msecs / 3600000);
  p.min = static_cast<Word>(msecs / 60000 % 60);
  p.sec = static_cast<Word>(msecs / 1000 % 60);
  p.msec = static_cast<Word>(msecs % 1000);
  // 1899-12-30 (day 0) was a Saturday.
  int64_t w = (days + 6) % 7;
  if (w < 0) w += 7;
  p.dow = static_cast<Word>(w + 1);
  return p;
}

String Number(int value, int digits) {
  String s = std::to_string(value);
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
  return s;
}

bool StartsWithNoCase(const String& s, size_t at, std::string_view text) {
  return at + text.size() <= s.size() && sys::SameAsciiText(std::string_view(s).substr(at, text.size()), text);
}

class DateFormatter {
public:
  explicit DateFormatter(TDateTime dt) : parts_(Decode(dt)) {}

  void Append(const String& format, int level) {
    // Formats that name other formats ("c", "ddddd", "t") may nest only so deep,
    // so a date format that refers to itself cannot recurse without end.
    if (level >= 3) return;
    Reading r{format.empty() && level == 0 ? kDefault : format, 0, ' ', level};
    char lastToken = ' ';
    while (r.i < r.f.size()) {
      r.starter = r.f[r.i];
      char token = sys::AsciiUpper(r.starter);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';  // minutes after an hour
        lastToken = token;
      }
      ++r.i;
      AppendSpecifier(token, r);
    }
  }

  const String& Result() const { return out_; }

private:
  // A format being read: where the reading stands (just past a specifier's
  // first character, as written in starter) and how deep formats nest.
  struct Reading {
    const String& f;
    size_t i;
    char starter;
    int level;

    // How often the specifier's character stands here, the reading moved past them all.
    int Count() {
      size_t n = 1;
      while (i < f.size() && f[i] == starter) {
        ++i;
        ++n;
      }
      return static_cast<int>(n);
    }
  };

  void AppendSpecifier(char token, Reading& r) {
    const TFormatSettings& fs = FormatSettings;
    switch (token) {
      case 'Y': {
        const int n = r.Count();
        out_ += n <= 2 ? Number(parts_.year % 100, 2) : Number(parts_.year, 4);
        break;
      }
      case 'M': AppendMonth(r.Count()); break;
      case 'D': AppendDay(r.Count(), r.level); break;
      case 'H': AppendHour(r); break;
      case 'N': out_ += Number(parts_.min, std::min(r.Count(), 2)); break;
      case 'S': out_ += Number(parts_.sec, std::min(r.Count(), 2)); break;
      case 'Z': out_ += Number(parts_.msec, std::min(r.Count(), 3)); break;
      case 'T': Append(r.Count() == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, r.level + 1); break;
      case 'A': AppendAmPm(r); break;
      case 'C': {
        r.Count();
        Append(fs.ShortDateFormat, r.level + 1);
        if (parts_.hour != 0 || parts_.min != 0 || parts_.sec != 0 || parts_.msec != 0) {
          out_ += ' ';
          Append(fs.LongTimeFormat, r.level + 1);
        }
        break;
      }
      case '/':
        if (fs.DateSeparator != '\0') out_ += fs.DateSeparator;
        break;
      case ':':
        if (fs.TimeSeparator != '\0') out_ += fs.TimeSeparator;
        break;
      case '\'':
      case '"': AppendQuoted(r); break;
      default: out_ += r.starter; break;
    }
  }

  void AppendMonth(int n) {
    if (n <= 2)
      out_ += Number(parts_.month, n);
    else if (n == 3)
      out_ += FormatSettings.ShortMonthNames[parts_.month - 1];
    else
      out_ += FormatSettings.LongMonthNames[parts_.month - 1];
  }

  void AppendDay(int n, int level) {
    const TFormatSettings& fs = FormatSettings;
    if (n <= 2)
      out_ += Number(parts_.day, n);
    else if (n == 3)
      out_ += fs.ShortDayNames[parts_.dow - 1];
    else if (n == 4)
      out_ += fs.LongDayNames[parts_.dow - 1];
    else if (n == 5)
      Append(fs.ShortDateFormat, level + 1);
    else
      Append(fs.LongDateFormat, level + 1);
  }

  void AppendHour(Reading& r) {
    const int n = r.Count();
    int h = parts_.hour;
    if (TwelveHourClockAhead(r.f, r.i)) {
      if (h == 0)
        h = 12;
      else if (h > 12)
        h -= 12;
    }
    out_ += Number(h, std::min(n, 2));
  }

  // "am/pm" and "a/p" as written, "ampm" from the settings, "aaa" and
  // "aaaa" the day's name; any other 'a' is itself.
  void AppendAmPm(Reading& r) {
    const TFormatSettings& fs = FormatSettings;
    const String& f = r.f;
    const size_t at = r.i - 1;
    if (StartsWithNoCase(f, at, "am/pm")) {
      out_ += parts_.hour >= 12 ? f.substr(at + 3, 2) : f.substr(at, 2);
      r.i = at + 5;
    } else if (StartsWithNoCase(f, at, "a/p")) {
      out_ += parts_.hour >= 12 ? f.substr(at + 2, 1) : f.substr(at, 1);
      r.i = at + 3;
    } else if (StartsWithNoCase(f, at, "ampm")) {
      out_ += parts_.hour >= 12 ? fs.TimePMString : fs.TimeAMString;
      r.i = at + 4;
    } else if (StartsWithNoCase(f, at, "aaaa")) {
      out_ += fs.LongDayNames[parts_.dow - 1];
      r.i = at + 4;
    } else if (StartsWithNoCase(f, at, "aaa")) {
      out_ += fs.ShortDayNames[parts_.dow - 1];
      r.i = at + 3;
    } else {
      out_ += r.starter;
    }
  }

  // Text between quotes as it stands; an unclosed quote runs to the end.
  void AppendQuoted(Reading& r) {
    const size_t close = r.f.find(r.starter, r.i);
    const size_t end = close == String::npos ? r.f.size() : close;
    out_.append(r.f, r.i, end - r.i);
    r.i = close == String::npos ? r.f.size() : close + 1;
  }

  // An hour is on the 12-hour clock when an am/pm marker follows it before
  // the next hour specifier (quoted text is skipped).
  static bool TwelveHourClockAhead(const String& f, size_t from) {
    char quote = '\0';
    for (size_t p = from; p < f.size(); ++p) {
      const char c = f[p];
      if (quote) {
        if (c == quote) quote = '\0';
        continue;
      }
      if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == 'h' || c == 'H') {
        return false;
      } else if (c == 'a' || c == 'A') {
        if (StartsWithNoCase(f, p, "am/pm") || StartsWithNoCase(f, p, "a/p") || StartsWithNoCase(f, p, "ampm"))
          return true;
        return false;
      }
    }
    return false;
  }

  static inline const String kDefault = "c";
  Parts parts_;
  String out_;
};

// ------------------------------------------------------------ parsing

class Scanner {
public:
  explicit Scanner(const String& s) : s_(s) {}

  void Blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  bool AtEnd() const { return pos_ >= s_.size(); }
  bool Number(int& value, int& digits) {
    Blanks();
    const size_t start = pos_;
    int64_t v = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      if (v < 100000) v = v * 10 + (s_[pos_] - '0');
      ++pos_;
    }
    digits = static_cast<int>(pos_ - start);
    if (digits == 0) return false;
    value = static_cast<int>(v);
    return true;
  }
  bool Char(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Text(const String& t) {
    Blanks();
    if (t.empty() || !StartsWithNoCase(s_, pos_, t.c_str())) return false;
    pos_ += t.size();
    return true;
  }
  size_t Pos() const { return pos_; }
  void SetPos(size_t p) { pos_ = p; }

private:
  const String& s_;
  size_t pos_ = 0;
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(const String& format) {
  for (char c : format) {
    switch (sys::AsciiUpper(c)) {
      case 'D': return DateOrder::DMY;
      case 'Y': return DateOrder::YMD;
      case 'M': return DateOrder::MDY;
      default: break;
    }
  }
  return DateOrder::MDY;
}

int CurrentYear() {
  Word y, m, d;
  DecodeDate(Now(), y, m, d);
  return y;
}

bool ScanDate(Scanner& sc, TDateTime& date) {
  const TFormatSettings& fs = FormatSettings;
  const DateOrder order = OrderOf(fs.ShortDateFormat);
  int n1, n2, n3 = 0, l1, l2, l3 = 0;
  if (!sc.Number(n1, l1) || !sc.Char(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
  int y, m, d, yearDigits;
  bool haveYear = false;
  // One trailing separator is accepted, as dotted dates are often written
  // "05.03.2024." (or "05.03." without the year).
  if (sc.Char(fs.DateSeparator)) {
    const size_t afterSeparator = sc.Pos();
    if (sc.Number(n3, l3)) {
      haveYear = true;
      sc.Char(fs.DateSeparator);
    } else {
      sc.SetPos(afterSeparator);
    }
  }
  if (haveYear) {
    switch (order) {
      case DateOrder::MDY: m = n1; d = n2; y = n3; yearDigits = l3; break;
      case DateOrder::DMY: d = n1; m = n2; y = n3; yearDigits = l3; break;
      default: y = n1; m = n2; d = n3; yearDigits = l1; break;
    }
  } else {
    y = CurrentYear();
    yearDigits = 4;
    if (order == DateOrder::DMY) {
      d = n1;
      m = n2;
    } else {
      m = n1;
      d = n2;
    }
  }
  if (yearDigits <= 2) {
    const int window = fs.TwoDigitYearCenturyWindow;
    const int centuryBase = CurrentYear() - window;
    y += centuryBase / 100 * 100;
    if (window > 0 && y < centuryBase) y += 100;
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool ScanTime(Scanner& sc, TDateTime& time) {
  const TFormatSettings& fs = FormatSettings;
  auto scanMarker = [&]() -> int {
    if (sc.Text(fs.TimeAMString) || sc.Text("AM")) return 0;
    if (sc.Text(fs.TimePMString) || sc.Text("PM")) return 12;
    return -1;
  };
  int baseHour = scanMarker();
  int hour, min = 0, sec = 0, msec = 0, digits;
  if (!sc.Number(hour, digits)) return false;
  if (sc.Char(fs.TimeSeparator)) {
    if (!sc.Number(min, digits)) return false;
    if (sc.Char(fs.TimeSeparator)) {
      if (!sc.Number(sec, digits)) return false;
      if (sc.Char(fs.DecimalSeparator) && !sc.Number(msec, digits)) return false;
    }
  }
  if (baseHour < 0) baseHour = scanMarker();
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  sc.Blanks();
  if (hour > 23 || min > 59 || sec > 59 || msec > 999) return false;
  return TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(min), static_cast<Word>(sec),
                       static_cast<Word>(msec), time);
}

}  // namespace

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return sys::FileTimeToDateTime(static_cast<std::time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L);
}

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
  const TDateTime n = Now();
  return n - std::floor(n);
}

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInMonth(Word year, Word month) {
  static const Word days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  date = static_cast<double>(sys::DaysFromCivil(year, month, day) - kEpochOffset);
  return true;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour > 23 || min > 59 || sec > 59 || msec > 999) return false;
  time = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  const Parts p = Decode(date);
  year = p.year;
  month = p.month;
  day = p.day;
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  const Parts p = Decode(time);
  hour = p.hour;
  min = p.min;
  sec = p.sec;
  msec = p.msec;
}

Word DayOfWeek(TDateTime date) { return Decode(date).dow; }

String FormatDateTime(const String& format, TDateTime dateTime) {
  DateFormatter f(dateTime);
  f.Append(format, 0);
  return f.Result();
}

void DateTimeToString(String& result, const String& format, TDateTime dateTime) {
  result = FormatDateTime(format, dateTime);
}

String DateTimeToStr(TDateTime dateTime) { return FormatDateTime("c", dateTime); }
String DateToStr(TDateTime date) { return FormatDateTime("ddddd", date); }
String TimeToStr(TDateTime time) { return FormatDateTime("tt", time); }

bool TryStrToDate(const String& s, TDateTime& value) {
  Scanner sc(s);
  TDateTime d;
  if (!ScanDate(sc, d)) return false;
  sc.Blanks();
  if (!sc.AtEnd()) return false;
  value = d;
  return true;
}

bool TryStrToTime(const String& s, TDateTime& value) {
  Scanner sc(s);
  TDateTime t;
  if (!ScanTime(sc, t) || !sc.AtEnd()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(const String& s, TDateTime& value) {
  Scanner sc(s);
  TDateTime d = 0, t = 0;
  if (ScanDate(sc, d)) {
    sc.Blanks();
    if (!sc.AtEnd() && (!ScanTime(sc, t) || !sc.AtEnd())) return false;
    value = d >= 0 ? d + t : d - t;
    return true;
  }
  // A time alone is a time on day 0.
  Scanner timeOnly(s);
  if (!ScanTime(timeOnly, t) || !timeOnly.AtEnd()) return false;
  value = t;
  return true;
}

TDateTime StrToDate(const String& s) { return StrToValue(TryStrToDate, s, "date"); }

TDateTime StrToTime(const String& s) { return StrToValue(TryStrToTime, s, "time"); }

TDateTime StrToDateTime(const String& s) { return StrToValue(TryStrToDateTime, s, "date and time"); }

TDateTime StrToDateDef(const String& s, TDateTime def) { return StrToValueDef(TryStrToDate, s, def); }

TDateTime StrToDateTimeDef(const String& s, TDateTime def) { return StrToValueDef(TryStrToDateTime, s, def); }
