#include <gtest/gtest.h>

#include <cmath>

#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "class_library/tests/FormatSettingsGuard.h"

namespace {

// Every test starts from the U.S. defaults and leaves the globals as found.
class DateTimeTest : public ::testing::Test {
protected:
  static TDateTime At(Word y, Word mo, Word d, Word h = 0, Word mi = 0, Word s = 0, Word ms = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
  }
  static Word CurrentYear() {
    Word y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
  }

private:
  FormatSettingsGuard settings_{TFormatSettings()};
};

TEST_F(DateTimeTest, EncodeDecodeRoundTripAndLimits) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2020, 13, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);

  for (TDateTime d : {-693593.0, -1.0, 0.0, 59.0, 60.0, 36585.0, 2958465.0}) {
    Word y, m, day;
    DecodeDate(d, y, m, day);
    EXPECT_EQ(EncodeDate(y, m, day), d);
  }
  Word h, mi, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, mi, s, ms);
  EXPECT_EQ((std::vector<Word>{h, mi, s, ms}), (std::vector<Word>{23, 59, 59, 999}));
  // A fraction a hair below the next millisecond rounds to it, carrying into the day.
  Word y, mo, d;
  DecodeDate(1.0 - 1e-12, y, mo, d);
  DecodeTime(1.0 - 1e-12, h, mi, s, ms);
  EXPECT_EQ(d, 31);
  EXPECT_EQ(h + mi + s + ms, 0);
  // The time of a date before 1899-12-30 is its absolute fraction.
  DecodeTime(-1.25, h, mi, s, ms);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);  // a Wednesday
  EXPECT_EQ(DayOfWeek(0), 7);
}

TEST_F(DateTimeTest, NowIsLocalTimeToday) {
  const TDateTime n = Now();
  EXPECT_GT(n, EncodeDate(2020, 1, 1));
  EXPECT_EQ(Date(), std::floor(Now()));
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
}

TEST_F(DateTimeTest, FormatSpecifiers) {
  const TDateTime t = At(2026, 3, 7, 16, 5, 9, 45);
  EXPECT_EQ(FormatDateTime("d dd ddd dddd", t), "7 07 Sat Saturday");
  EXPECT_EQ(FormatDateTime("m mm mmm mmmm", t), "3 03 Mar March");
  EXPECT_EQ(FormatDateTime("yy yyyy", t), "26 2026");
  EXPECT_EQ(FormatDateTime("h hh n nn s ss z zzz", t), "16 16 5 05 9 09 45 045");
  // m right after an hour specifier means minutes.
  EXPECT_EQ(FormatDateTime("hh:mm", t), "16:05");
  EXPECT_EQ(FormatDateTime("mm/dd hh:mm", t), "03/07 16:05");
  EXPECT_EQ(FormatDateTime("yyyymmdd", t), "20260307");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", t), "4:05 pm");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", At(2026, 3, 7, 0, 30)), "12:30 AM");
  EXPECT_EQ(FormatDateTime("h a/p", At(2026, 3, 7, 12, 0)), "12 p");
  EXPECT_EQ(FormatDateTime("hh ampm", t), "04 PM");
  // The clock is 12-hour only when the marker belongs to this hour.
  EXPECT_EQ(FormatDateTime("hh 'am/pm'", t), "16 am/pm");
  EXPECT_EQ(FormatDateTime("\"at\" h 'o''clock'", t), "at 16 oclock");
  EXPECT_EQ(FormatDateTime("ddddd", t), "3/7/2026");
  EXPECT_EQ(FormatDateTime("dddddd", t), "Saturday, March 7, 2026");
  EXPECT_EQ(FormatDateTime("t | tt", t), "4:05 PM | 4:05:09 PM");
  EXPECT_EQ(FormatDateTime("aaa aaaa", t), "Sat Saturday");
  EXPECT_EQ(FormatDateTime("[x]", t), "[x]");

  FormatSettings.DateSeparator = '.';
  FormatSettings.TimeSeparator = '-';
  EXPECT_EQ(FormatDateTime("dd/mm/yy hh:nn", t), "07.03.26 16-05");
}

// Counts past the longest form keep to it; a letter of no specifier, an
// unclosed quote and an empty separator stand as written.
TEST_F(DateTimeTest, RepeatedAndStrayLetters) {
  const TDateTime t = At(2026, 3, 7, 16, 5, 9, 45);
  EXPECT_EQ(FormatDateTime("hhh nnn sss zzzz yyy mmmmm", t), "16 05 09 045 2026 March");
  EXPECT_EQ(FormatDateTime("Mm HH:MM", t), "33 16:05");
  EXPECT_EQ(FormatDateTime("h a|ax|'open", t), "16 a|ax|open");
  FormatSettings.DateSeparator = '\0';
  FormatSettings.TimeSeparator = '\0';
  EXPECT_EQ(FormatDateTime("dd/mm hh:nn", t), "0703 1605");
}

TEST_F(DateTimeTest, DefaultFormatOmitsMidnight) {
  EXPECT_EQ(DateTimeToStr(At(2026, 12, 9, 4, 22, 57)), "12/9/2026 4:22:57 AM");
  EXPECT_EQ(DateTimeToStr(At(2026, 12, 9)), "12/9/2026");
  EXPECT_EQ(FormatDateTime("", At(2026, 12, 9, 13, 0, 0)), "12/9/2026 1:00:00 PM");
  String s;
  DateTimeToString(s, "", At(2026, 12, 9, 0, 0, 1));
  EXPECT_EQ(s, "12/9/2026 12:00:01 AM");
  EXPECT_EQ(DateToStr(At(2026, 1, 2, 3, 4, 5)), "1/2/2026");
  EXPECT_EQ(TimeToStr(At(2026, 1, 2, 3, 4, 5)), "3:04:05 AM");
}

TEST_F(DateTimeTest, SelfReferringFormatsEnd) {
  FormatSettings.ShortDateFormat = "c";
  FormatSettings.LongTimeFormat = "ddddd tt";
  const String text = FormatDateTime("c", At(2026, 1, 2, 3, 4, 5));
  EXPECT_FALSE(text.empty());
  EXPECT_LT(text.size(), 200u);
}

TEST_F(DateTimeTest, StrToDateFollowsShortDateFormat) {
  EXPECT_EQ(StrToDate("12/9/2026"), EncodeDate(2026, 12, 9));
  EXPECT_EQ(StrToDate(" 1/2/2026 "), EncodeDate(2026, 1, 2));
  EXPECT_EQ(StrToDate("1/2"), EncodeDate(CurrentYear(), 1, 2));
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  FormatSettings.DateSeparator = '.';
  EXPECT_EQ(StrToDate("09.12.2026"), EncodeDate(2026, 12, 9));
  EXPECT_THROW(StrToDate("12/9/2026"), EConvertError);
  FormatSettings.ShortDateFormat = "yy.mm.dd";
  EXPECT_EQ(StrToDate("2026.12.09"), EncodeDate(2026, 12, 9));
  EXPECT_EQ(StrToDate("12.9"), EncodeDate(CurrentYear(), 12, 9));  // no year: month, day
  // One trailing separator, with or without the year, also before a time.
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  EXPECT_EQ(StrToDate("05.03.2024."), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate("05.03. "), EncodeDate(CurrentYear(), 3, 5));
  EXPECT_EQ(StrToDateTime("05.03.2024. 10:30"), EncodeDate(2024, 3, 5) + EncodeTime(10, 30, 0, 0));
  for (const char* bad : {"05.03.2024..", "05.03..", ".05.03.2024", "05..03.2024"})
    EXPECT_THROW(StrToDate(bad), EConvertError) << bad;

  FormatSettings = TFormatSettings();
  for (const char* bad : {"", "12", "12/", "2/30/2026", "13/1/2026", "1/2/2026x", "1/2/3/4", "a/b/c", "0/1/2026"})
    EXPECT_THROW(StrToDate(bad), EConvertError) << bad;
  try {
    StrToDate("31/31/2026");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'31/31/2026' is not a valid date");
  }
  EXPECT_EQ(StrToDateDef("nonsense", -1), -1);
}

TEST_F(DateTimeTest, TwoDigitYearWindow) {
  const int year = CurrentYear();
  // The window used by a table with epoch 1980: years from 1980 on.
  FormatSettings.TwoDigitYearCenturyWindow = (year - 1980) % 100;
  EXPECT_EQ(StrToDate("1/1/05"), EncodeDate(2005, 1, 1));
  EXPECT_EQ(StrToDate("1/1/98"), EncodeDate(1998, 1, 1));
  EXPECT_EQ(StrToDate("1/1/80"), EncodeDate(1980, 1, 1));
  EXPECT_EQ(StrToDate("1/1/79"), EncodeDate(2079, 1, 1));
  // Three or more digits are a year as written.
  EXPECT_EQ(StrToDate("1/1/098"), EncodeDate(98, 1, 1));
  // Window 0: always the current century.
  FormatSettings.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(StrToDate("1/1/99"), EncodeDate(static_cast<Word>(year / 100 * 100 + 99), 1, 1));
}

TEST_F(DateTimeTest, StrToTimeAndDateTime) {
  EXPECT_EQ(StrToTime("13:45"), EncodeTime(13, 45, 0, 0));
  EXPECT_EQ(StrToTime("1:45:30 PM"), EncodeTime(13, 45, 30, 0));
  EXPECT_EQ(StrToTime("12:00 am"), EncodeTime(0, 0, 0, 0));
  EXPECT_EQ(StrToTime("PM 12:10"), EncodeTime(12, 10, 0, 0));
  EXPECT_EQ(StrToTime("10:00:01.250"), EncodeTime(10, 0, 1, 250));
  for (const char* bad : {"", "24:00", "13:00 PM", "0:30 AM", "10:60", "10:", "x"})
    EXPECT_THROW(StrToTime(bad), EConvertError) << bad;

  EXPECT_EQ(StrToDateTime("12/9/2026 4:22:57 AM"), At(2026, 12, 9, 4, 22, 57));
  EXPECT_EQ(StrToDateTime("12/9/2026"), EncodeDate(2026, 12, 9));
  EXPECT_EQ(StrToDateTime("4:22"), EncodeTime(4, 22, 0, 0));
  EXPECT_THROW(StrToDateTime("12/9/2026 4:xx"), EConvertError);
  // What DateTimeToStr writes, StrToDateTime reads back.
  const TDateTime t = At(2031, 7, 4, 23, 1, 2);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(t)), t);
}

}  // namespace
