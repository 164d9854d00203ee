#pragma once
// The user's date, time and number formats.
//
// Date and time follow the user's locale for times, as every Linux program's
// do: the first of LC_ALL, LC_TIME and LANG that is set names it. From it come
// the short date format and date separator (the C library's date format), the
// long and short time formats and time separator (its time format) and the
// AM/PM texts. The decimal and thousands separators follow the locale for
// numbers the same way (LC_ALL, LC_NUMERIC, LANG). A thousands separator that
// is no single ASCII byte is written as the nearest one (a no-break space as a
// space, a right single quote as the apostrophe) or, when there is none or it
// would be the decimal separator, as 0: no grouping. The C and POSIX locales
// (C.UTF-8 included), a locale that is not installed and whatever the C
// library's format cannot say keep the defaults below, the classic U.S. ones.
// The locale is read with its own handle (newlocale), so no process-wide
// locale changes and any thread may call this.
//
// These are the formats of what the user reads and types. Text that is
// stored or sent (number fields of tables, index keys, the database server's
// messages) does not follow them: it has "." as its decimal point always.
//
// Each value may then be overridden by an environment variable (unset or
// empty keeps the value; a separator must be exactly one byte), which is how
// tests fix the formats whatever the machine's locale:
//   TW_SHORT_DATE_FORMAT   ShortDateFormat    "M/d/yyyy"
//   TW_LONG_DATE_FORMAT    LongDateFormat     "dddd, MMMM d, yyyy"
//   TW_SHORT_TIME_FORMAT   ShortTimeFormat    "h:nn AMPM"
//   TW_LONG_TIME_FORMAT    LongTimeFormat     "h:nn:ss AMPM"
//   TW_DATE_SEPARATOR      DateSeparator      '/'
//   TW_TIME_SEPARATOR      TimeSeparator      ':'
//   TW_TIME_AM             TimeAMString       "AM"
//   TW_TIME_PM             TimePMString       "PM"
//   TW_DECIMAL_SEPARATOR   DecimalSeparator   '.'
//   TW_THOUSAND_SEPARATOR  ThousandSeparator  ','
// In the formats "/" and ":" stand for the date and time separators.
#include <string>

namespace sys {

struct LocaleFormats {
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
};

// The formats in effect: defaults, then the locale, then the TW_* variables
// (the environment is read on every call).
LocaleFormats ReadLocaleFormats();

}  // namespace sys
