#pragma once
// Dates and times as TDateTime: days since 1899-12-30, the fraction being the
// time of day. Texts follow the format settings (class_library/core/FormatSettings.h).
#include "class_library/core/Exceptions.h"
#include "class_library/core/Types.h"

// Days between 1 January of year 1 (day number 1) and the TDateTime origin.
inline constexpr int DateDelta = 693594;
inline constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;

// The local date and time now; Date is its day, Time its time of day.
TDateTime Now();
TDateTime Date();
TDateTime Time();

bool IsLeapYear(Word year);
Word DaysInMonth(Word year, Word month);

// Years 1..9999. EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode".
TDateTime EncodeDate(Word year, Word month, Word day);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
// 1 = Sunday .. 7 = Saturday.
Word DayOfWeek(TDateTime date);

// Formats with the specifiers
//   c  short date, a blank and the long time (no time at exactly midnight)
//   d dd ddd dddd ddddd dddddd  day, short/long day name, short/long date
//   m mm mmm mmmm  month or short/long month name (minutes right after h or hh)
//   yy yyyy   h hh   n nn   s ss   z zzz   t tt (short/long time)
//   am/pm a/p ampm (12-hour clock)   / and : (the separators)
//   'text' "text" (copied as is); any other character is copied.
// An empty format is "c".
String FormatDateTime(const String& format, TDateTime dateTime);
void DateTimeToString(String& result, const String& format, TDateTime dateTime);
String DateTimeToStr(TDateTime dateTime);
String DateToStr(TDateTime date);
String TimeToStr(TDateTime time);

// Parse in the order of the short date format with the date separator; a
// missing year is the current one, a two-digit year falls in the century
// window. EConvertError "'<s>' is not a valid date" (time, date and time).
TDateTime StrToDate(const String& s);
TDateTime StrToTime(const String& s);
TDateTime StrToDateTime(const String& s);
bool TryStrToDate(const String& s, TDateTime& value);
bool TryStrToTime(const String& s, TDateTime& value);
bool TryStrToDateTime(const String& s, TDateTime& value);
TDateTime StrToDateDef(const String& s, TDateTime def);
TDateTime StrToDateTimeDef(const String& s, TDateTime def);
