#pragma once
// The process-wide format settings that every date, time and number text
// conversion of the class library follows. They start from the system's locale
// (ReadLocaleFormats) and may be changed at run time: the data access layer
// sets ShortDateFormat, DateSeparator and TwoDigitYearCenturyWindow.
#include "class_library/core/Types.h"

struct TFormatSettings {
  String ShortDateFormat = "M/d/yyyy";
  String LongDateFormat = "dddd, MMMM d, yyyy";
  String ShortTimeFormat = "h:nn AMPM";
  String LongTimeFormat = "h:nn:ss AMPM";
  char DateSeparator = '/';
  char TimeSeparator = ':';
  String TimeAMString = "AM";
  String TimePMString = "PM";
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';  // 0: digits are not grouped
  // A two-digit year is read as the one in the hundred years starting this
  // many years before the current year (0: the current century).
  int TwoDigitYearCenturyWindow = 50;
  String ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  String LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
  // Sunday first.
  String ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  String LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};

// The settings in force; initialised from the locale before main runs.
extern TFormatSettings FormatSettings;

// Re-reads the locale into FormatSettings (keeping TwoDigitYearCenturyWindow).
void GetFormatSettings();

// Accessors for the values other layers change most.
inline const String& ShortDateFormat() { return FormatSettings.ShortDateFormat; }
inline void SetShortDateFormat(const String& v) { FormatSettings.ShortDateFormat = v; }
inline char DateSeparator() { return FormatSettings.DateSeparator; }
inline void SetDateSeparator(char v) { FormatSettings.DateSeparator = v; }
inline char DecimalSeparator() { return FormatSettings.DecimalSeparator; }
inline void SetDecimalSeparator(char v) { FormatSettings.DecimalSeparator = v; }
inline char ThousandSeparator() { return FormatSettings.ThousandSeparator; }
inline int TwoDigitYearCenturyWindow() { return FormatSettings.TwoDigitYearCenturyWindow; }
inline void SetTwoDigitYearCenturyWindow(int v) { FormatSettings.TwoDigitYearCenturyWindow = v; }
