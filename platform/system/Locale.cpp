#include "platform/system/Locale.h"

#include <cstdlib>

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

}  // namespace

LocaleFormats ReadLocaleFormats() {
  LocaleFormats f;
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
