#include "class_library/core/FormatSettings.h"

#include "platform/system/Locale.h"

namespace {

void ApplyLocale(TFormatSettings& fs) {
  const sys::LocaleFormats locale = sys::ReadLocaleFormats();
  fs.ShortDateFormat = locale.ShortDateFormat;
  fs.LongDateFormat = locale.LongDateFormat;
  fs.ShortTimeFormat = locale.ShortTimeFormat;
  fs.LongTimeFormat = locale.LongTimeFormat;
  fs.DateSeparator = locale.DateSeparator;
  fs.TimeSeparator = locale.TimeSeparator;
  fs.TimeAMString = locale.TimeAMString;
  fs.TimePMString = locale.TimePMString;
  fs.DecimalSeparator = locale.DecimalSeparator;
  fs.ThousandSeparator = locale.ThousandSeparator;
}

TFormatSettings FromLocale() {
  TFormatSettings fs;
  ApplyLocale(fs);
  return fs;
}

}  // namespace

TFormatSettings FormatSettings = FromLocale();

void GetFormatSettings() { ApplyLocale(FormatSettings); }
