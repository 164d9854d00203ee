#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "class_library/core/FormatSettings.h"
#include "class_library/core/StringList.h"
#include "class_library/core/SysUtils.h"
#include "class_library/tests/FormatSettingsGuard.h"
#include "platform/system/tests/GeneratedLocales.h"
#include "platform/system/tests/ScopedEnv.h"
#include "platform/system/tests/TempDir.h"

// newlocale's leak while LOCPATH is set (see GeneratedLocales.h).
extern "C" const char* __lsan_default_suppressions() { return generated_locales::LeakSuppressions; }

namespace {


void Touch(const String& path) { std::ofstream(path) << "x"; }

TEST(SysUtilsStrings, TrimRemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(Trim(" \t\r\n ab c \x01"), "ab c");
  EXPECT_EQ(TrimLeft("\t a "), "a ");
  EXPECT_EQ(TrimRight(" a \n"), " a");
  EXPECT_EQ(Trim("   "), "");
  // High bytes are letters, not blanks (a signed-char bug would strip them).
  EXPECT_EQ(Trim("\xE9t\xE9"), "\xE9t\xE9");
}

TEST(SysUtilsStrings, CaseConversionAsciiVersusAnsi) {
  EXPECT_EQ(UpperCase("abc\xE9"), "ABC\xE9");
  EXPECT_EQ(AnsiUpperCase("abc\xE9\xFF\x9A"), "ABC\xC9\x9F\x8A");
  EXPECT_EQ(AnsiLowerCase("ABC\xC9\x9F\x8A\xD7"), "abc\xE9\xFF\x9A\xD7");  // x-sign has no case
  EXPECT_EQ(AnsiUpperCase("\xF7\xDF"), "\xF7\xDF");
  // UTF-8 text is mapped as UTF-8 and stays valid: "é" <-> "É", "ÿ" <-> "Ÿ".
  EXPECT_EQ(AnsiUpperCase("caf\xC3\xA9 \xC3\xBF"), "CAF\xC3\x89 \xC5\xB8");
  EXPECT_EQ(AnsiLowerCase("CAF\xC3\x89 \xC5\xB8"), "caf\xC3\xA9 \xC3\xBF");
  EXPECT_EQ(AnsiLowerCase("\xE2\x82\xAC"), "\xE2\x82\xAC");  // euro sign untouched
}

TEST(SysUtilsStrings, ComparisonOrders) {
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  // The natural order: case ignored, punctuation < digits < letters.
  EXPECT_EQ(AnsiCompareText("Zebra", "zEBRA"), 0);
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_LT(AnsiCompareText("_x", "1"), 0);
  EXPECT_LT(AnsiCompareText("9", "a"), 0);
  EXPECT_GT(AnsiCompareText("Zoo", "apple"), 0);
  // Accented letters sit beside their base letter and are not equal to it.
  EXPECT_LT(AnsiCompareText("\xE9t\xE9", "f"), 0);
  EXPECT_GT(AnsiCompareText("\xE9t\xE9", "ete"), 0);
  EXPECT_EQ(AnsiCompareText("\xE9T\xC9", "\xC9t\xE9"), 0);
  // Case-sensitive: lower before upper, but only as a tie-break.
  EXPECT_LT(AnsiCompareStr("abc", "Abc"), 0);
  EXPECT_LT(AnsiCompareStr("Abc", "abd"), 0);
  EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
}

TEST(SysUtilsStrings, Utf8TextComparesByCharacter) {
  const String eteUtf8 = "\xC3\xA9t\xC3\xA9", eteUpperUtf8 = "\xC3\x89T\xC3\x89";
  EXPECT_TRUE(AnsiSameText(eteUtf8, eteUpperUtf8));
  EXPECT_LT(AnsiCompareText(eteUtf8, "f"), 0);  // beside e, not beside A
  EXPECT_GT(AnsiCompareText(eteUtf8, "b"), 0);
  EXPECT_GT(AnsiCompareText(eteUtf8, "ete"), 0);
  // The same letter weighs the same in either encoding.
  EXPECT_EQ(AnsiCompareText(eteUtf8, "\xC9T\xC9"), 0);
  EXPECT_EQ(AnsiCompareText("\xC5\xA0" "ar", "\x8A" "AR"), 0);  // S with caron: U+0160 / 0x8A
  EXPECT_LT(AnsiCompareStr(eteUtf8, eteUpperUtf8), 0);
  // A character Windows-1252 cannot hold follows the letters but is not equal to them.
  EXPECT_GT(AnsiCompareText("\xCE\xB1", "z"), 0);
  EXPECT_NE(AnsiCompareText("\xCE\xB1", "\xCE\xB2"), 0);

  TStringList list;
  list.SetSorted(true);
  for (const String& s : std::vector<String>{"zoo", eteUtf8, "b", "\xC3\x89mile=5", "apple"}) list.Add(s);
  EXPECT_EQ(list.Text(), "apple\r\nb\r\n\xC3\x89mile=5\r\n" + eteUtf8 + "\r\nzoo\r\n");
  EXPECT_EQ(list.IndexOf(eteUpperUtf8), 3);
  EXPECT_EQ(list.IndexOfName("\xC3\xA9MILE"), 2);
  EXPECT_EQ(list.Values("\xC3\xA9mile"), "5");
  EXPECT_EQ(list.Add(eteUpperUtf8), 3);  // a duplicate, ignored
  EXPECT_EQ(list.Count(), 5);
}

TEST(SysUtilsStrings, HyphenAndApostropheOnlyBreakTies) {
  EXPECT_LT(AnsiCompareText("aa", "a-b"), 0);
  EXPECT_LT(AnsiCompareText("co-op", "cop"), 0);
  EXPECT_LT(AnsiCompareText("dont", "don't"), 0);  // equal otherwise: the plain word first
  EXPECT_GT(AnsiCompareText("co-op", "coop"), 0);
  EXPECT_FALSE(AnsiSameText("co-op", "coop"));
  EXPECT_TRUE(AnsiSameText("Co-Op", "co-op"));
  EXPECT_LT(AnsiCompareText("", "-"), 0);
  // Case and accents still decide before the marks do.
  EXPECT_LT(AnsiCompareStr("co-op", "Coop"), 0);
  EXPECT_LT(AnsiCompareText("co-op", "co\xF6p"), 0);
  // Other punctuation keeps its place before digits and letters.
  EXPECT_LT(AnsiCompareText("a_b", "aa"), 0);

  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"ab", "a-b", "aa", "a'b", "abc", "a-c"}) list.Add(s);
  EXPECT_EQ(list.CommaText(), "aa,ab,a'b,a-b,abc,a-c");
  int index = -1;
  EXPECT_TRUE(list.Find("A-B", index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(list.Find("a--b", index));
  EXPECT_EQ(index, 4);
}

TEST(SysUtilsStrings, StringReplaceFlags) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+"), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("Hello hELLO", "hello", "bye", rfReplaceAll), "Hello hELLO");
  EXPECT_EQ(StringReplace("Hello hELLO", "hello", "bye", {rfReplaceAll, rfIgnoreCase}), "bye bye");
  EXPECT_EQ(StringReplace("Hello hELLO", "hello", "bye", rfIgnoreCase), "bye hELLO");
  // The replaced text keeps the original case around the match.
  EXPECT_EQ(StringReplace("xAbCx", "abc", "-", rfIgnoreCase), "x-x");
  EXPECT_EQ(StringReplace("\xC9t\xC9", "\xE9", "e", {rfReplaceAll, rfIgnoreCase}), "ete");
  // A replacement containing the pattern is not replaced again.
  EXPECT_EQ(StringReplace("aa", "a", "aa", rfReplaceAll), "aaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
}

TEST(SysUtilsNumbers, IntegerTextBothWays) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(static_cast<long long>(9000000000)), "9000000000");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<long long>(0x1234567890), 1), "1234567890");
  EXPECT_EQ(IntToHex(uint32_t{0x00FF8000}, 8), "00FF8000");
  EXPECT_EQ(IntToHex(int64_t{-1}, 4), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToStr(size_t{4000000000}), "4000000000");
  EXPECT_EQ(StrToInt("  -17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  for (const char* bad : {"", " ", "12a", "12 ", "1.5", "2147483648", "-", "$", "0x", "99999999999999999999"}) {
    int v = 7;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 7);
    EXPECT_EQ(StrToIntDef(bad, -3), -3) << bad;
  }
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(SysUtilsNumbers, FloatToStrShortestFifteenDigits) {
  FormatSettingsGuard guard;
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-2), "-2");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(-1.5e-7), "-1.5E-7");
  EXPECT_EQ(FloatToStr(0.999999999999999999), "1");
  EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(2.25), "2,25");
}

TEST(SysUtilsNumbers, StrToFloatFollowsDecimalSeparator) {
  FormatSettingsGuard guard;
  EXPECT_DOUBLE_EQ(StrToFloat(" 12.5 "), 12.5);
  EXPECT_DOUBLE_EQ(StrToFloat("-1e3"), -1000);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  EXPECT_THROW(StrToFloat("1e"), EConvertError);
  EXPECT_THROW(StrToFloat("nan"), EConvertError);
  EXPECT_THROW(StrToFloat("1e999"), EConvertError);
  FormatSettings.DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_THROW(StrToFloat("1.5"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 2.5), 2.5);
}

TEST(SysUtilsFormat, Specifiers) {
  FormatSettingsGuard guard;
  EXPECT_EQ(Format("%d|%5d|%-5d|%.3d", {7, 7, 7, -7}), "7|    7|7    |-007");
  EXPECT_EQ(Format("%s and %s", {"a", String("b")}), "a and b");
  EXPECT_EQ(Format("%.2s|%4s|%-4s|", {"abc", "ab", "ab"}), "ab|  ab|ab  |");
  EXPECT_EQ(Format("%x %.4x %X", {255, 255, -1}), "FF 00FF FFFFFFFF");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  // Ties round away from zero; a value just below a tie does not.
  EXPECT_EQ(Format("%f %.1f %.0f %.0f %.2f", {1.0, 2.25, 2.5, -2.5, 0.125}), "1.00 2.3 3 -3 0.13");
  EXPECT_EQ(Format("%.1f %.2f %.2f", {0.15, 9.995, -0.001}), "0.1 9.99 0.00");
  EXPECT_EQ(Format("%.2f", {99.999}), "100.00");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%n", {-999.0}), "-999.00");
  EXPECT_EQ(Format("%g %g", {0.5, 1e20}), "0.5 1E20");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {-0.00012}), "-1.20E-004");
  EXPECT_EQ(Format("%.2e %.3e", {9.96, 0.0}), "1.0E+001 0.00E+000");
  EXPECT_EQ(Format("%*.*f", {8, 3, 3.14159}), "   3.142");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("100%%", {}), "100%");
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ(Format("%.1f %n", {1.5, 1234.5}), "1,5 1.234,50");
}

// The rarer corners of a conversion: '*' as the index, as a width that is
// negative, left alignment from '*', an empty precision, capped precisions.
TEST(SysUtilsFormat, IndexWidthAndPrecisionCorners) {
  FormatSettingsGuard guard;
  EXPECT_EQ(Format("%*:s|%0:d", {2, "a", "b"}), "b|2");
  EXPECT_EQ(Format("%-*d|%*d|", {4, 7, -1, 8}), "7   |8|");
  EXPECT_EQ(Format("%.s|%.0d|%5.1s|", {"abc", 3, "xyz"}), "|3|    x|");
  EXPECT_EQ(Format("%d %D %S", {4000000000u, -2, "x"}), "4000000000 -2 x");
  EXPECT_EQ(Format("%p", {reinterpret_cast<const void*>(0x1234)}), "0000000000001234");
  EXPECT_EQ(Format("%.20e|%.0g|%.30f", {1.0, 0.25, 0.5}), "1.00000000000000E+000|0.25|0.500000000000000000");
  EXPECT_EQ(Format("a%%b%dc%%", {1}), "a%b1c%");
  EXPECT_EQ(Format("%2:s%0:s", {"x", "y", "z"}), "zx");
  EXPECT_THROW(Format("%*d", {"3", 1}), EConvertError);
  EXPECT_THROW(Format("%-1:d", {1}), EConvertError);
  EXPECT_THROW(Format("%.5", {1}), EConvertError);
  EXPECT_THROW(Format("%p", {1}), EConvertError);
  EXPECT_THROW(Format("%f", {"1"}), EConvertError);
}

// A GUI toolkit leaves the C library in the user's locale. With a decimal
// comma there, number texts still follow the format settings alone: the
// same texts as in the C locale, and "." read as the settings' point.
TEST(SysUtilsNumbers, TextsFollowTheSettingsNotTheProcessLocale) {
  FormatSettingsGuard guard{TFormatSettings()};
  const auto texts = [] {
    return std::vector<String>{FloatToStr(2.25), FloatToStr(-1.5e-7), FloatToStr(1e20),
                               Format("%f|%.1f|%.2f|%n", {1.0, 2.25, 99.999, 1234567.891}),
                               Format("%g|%e|%.3e", {0.5, 1234.5, -0.00012})};
  };
  const std::vector<String> inC = texts();
  generated_locales::CommaDecimalLocale comma;
  if (!comma.Active()) GTEST_SKIP() << comma.Why();
  EXPECT_EQ(texts(), inC);
  double v = 0;
  EXPECT_TRUE(TryStrToFloat(" 12.75 ", v));
  EXPECT_EQ(v, 12.75);
  EXPECT_EQ(StrToFloat("-1.5E3"), -1500.0);
  EXPECT_EQ(StrToFloat("1e-400"), 0.0);  // too small reads as zero, as in the C locale
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  EXPECT_THROW(StrToFloat("1e999"), EConvertError);
}

// The user's locale for numbers gives the separators of what is shown; a
// locale that groups no digits shows none.
TEST(SysUtilsFormat, NumberTextsTakeTheSeparatorsOfTheUsersLocale) {
  FormatSettingsGuard guard;
  std::string why, dir;
  for (const char* name : {"de_DE", "bg_BG"}) {
    dir = generated_locales::Make(name, why);
    if (dir.empty()) GTEST_SKIP() << why;
  }
  ScopedEnv locpath("LOCPATH", dir.c_str()), all("LC_ALL", nullptr), time("LC_TIME", nullptr),
      point("TW_DECIMAL_SEPARATOR", nullptr), thousands("TW_THOUSAND_SEPARATOR", nullptr);
  const auto texts = [] {
    GetFormatSettings();
    return Format("%n|%.1f|", {1234567.891, 2.25}) + FloatToStr(-0.5);
  };
  {
    ScopedEnv lang("LANG", "de_DE.UTF-8"), numeric("LC_NUMERIC", nullptr);
    EXPECT_EQ(texts(), "1.234.567,89|2,3|-0,5");
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("12,75", v));
    EXPECT_EQ(v, 12.75);
  }
  {
    ScopedEnv lang("LANG", "de_DE.UTF-8"), numeric("LC_NUMERIC", "bg_BG.UTF-8");
    EXPECT_EQ(texts(), "1234567,89|2,3|-0,5");
  }
  ScopedEnv lang("LANG", "C"), numeric("LC_NUMERIC", nullptr);
  EXPECT_EQ(texts(), "1,234,567.89|2.3|-0.5");
}

TEST(SysUtilsFormat, BadFormatsRaiseInsteadOfReadingPastArguments) {
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("abc%", {}), EConvertError);
  EXPECT_THROW(Format("%5:d", {1}), EConvertError);
  try {
    Format("%d", {});
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Format '%d' invalid or incompatible with argument");
  }
}

TEST(SysUtilsFileNames, PartsOfNames) {
  EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("c.txt"), "");
  EXPECT_EQ(ExtractFilePath("C:\\RM\\spool.dbf"), "C:\\RM\\");
  EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(ExtractFileName("RM\\x.spl"), "x.spl");
  EXPECT_EQ(ExtractFileDir("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(ExtractFileDir("/c.txt"), "/");
  EXPECT_EQ(ExtractFileExt("/a.b/c.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/a.b/c"), "");  // a dot in a directory is no extension
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".ini"), "/a.b/c.ini");
  EXPECT_EQ(ChangeFileExt("/x/Tarnwick.exe", ".INI"), "/x/Tarnwick.INI");
  EXPECT_EQ(ChangeFileExt("a.txt", ""), "a");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandFileName("/.."), "/");
}

TEST(SysUtilsFiles, ExistenceSearchAndRenameIgnoreCase) {
  TempDir dir;
  Touch(dir.File("Order1.SPL"));
  Touch(dir.File("order2.spl"));
  Touch(dir.File("notes.txt"));
  EXPECT_TRUE(FileExists(dir.File("ORDER1.spl")));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));

  std::vector<String> found;
  TSearchRec rec;
  for (int r = FindFirst(dir.File("*.spl"), faAnyFile, rec); r == 0; r = FindNext(rec)) found.push_back(rec.Name);
  FindClose(rec);
  EXPECT_EQ(found, (std::vector<String>{"Order1.SPL", "order2.spl"}));

  // A rename never replaces another file, whatever the case of its name.
  EXPECT_FALSE(RenameFile(dir.File("order2.spl"), dir.File("ORDER1.spl")));
  EXPECT_TRUE(FileExists(dir.File("order2.spl")));
  EXPECT_TRUE(RenameFile(dir.File("ORDER2.SPL"), dir.File("done.spl")));
  EXPECT_TRUE(FileExists(dir.File("done.spl")));
  EXPECT_FALSE(FileExists(dir.File("order2.spl")));

  EXPECT_TRUE(DeleteFile(dir.File("NOTES.TXT")));
  EXPECT_FALSE(DeleteFile(dir.File("notes.txt")));
}

TEST(SysUtilsProcess, CommandLineCurrentDirAndTicks) {
  char a0[] = "prog";
  char a1[] = "/INSTALL";
  char* argv[] = {a0, a1};
  SetCommandLine(2, argv);
  EXPECT_EQ(ParamCount(), 1);
  EXPECT_EQ(ParamStr(1), "/INSTALL");
  EXPECT_EQ(ParamStr(2), "");
  EXPECT_EQ(ParamStr(-1), "");
  EXPECT_EQ(ParamStr(0).front(), '/');  // the executable's own path

  TempDir dir;
  const String before = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_EQ(GetCurrentDir(), ExcludeTrailingPathDelimiter(dir.Path()));
  EXPECT_EQ(ExpandFileName("x/../y"), dir.Path() + "y");
  ASSERT_TRUE(SetCurrentDir(before));
  EXPECT_FALSE(SetCurrentDir(dir.File("missing")));

  const Cardinal t0 = GetTickCount();
  Sleep(20);
  EXPECT_GE(GetTickCount() - t0, 19u);
}

TEST(Exceptions, AssertAndAbort) {
  try {
    Assert(false, "XBE60", 134);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "Assertion failure (XBE60, line 134)");
    EXPECT_EQ(e.Unit(), "XBE60");
    EXPECT_EQ(e.Line(), 134);
  }
  EXPECT_NO_THROW(Assert(true, "u", 1));
  EXPECT_THROW(Abort(), EAbort);
}

}  // namespace
