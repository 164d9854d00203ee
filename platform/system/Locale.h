#pragma once
// The user's date, time and number formats. Defaults are the classic U.S.
// ones; each may be overridden by an environment variable (unset or empty
// keeps the default; a separator must be exactly one byte):
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
// The C library's locale is deliberately not consulted: the formats of a
// program must not change with the LANG of whoever starts it.
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

// The formats in effect: defaults overridden by the environment (read on every call).
LocaleFormats ReadLocaleFormats();

}  // namespace sys
