#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/system/Locale.h"
#include "platform/system/tests/GeneratedLocales.h"
#include "platform/system/tests/ScopedEnv.h"
#include "platform/system/MessageBox.h"
#include "platform/system/Registry.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;

// newlocale's leak while LOCPATH is set (see GeneratedLocales.h).
extern "C" const char* __lsan_default_suppressions() { return generated_locales::LeakSuppressions; }

// Clears every variable that picks or overrides the formats for one scope.
struct NoLocaleSettings {
  ScopedEnv a{"LC_ALL", nullptr}, b{"LC_TIME", nullptr}, c{"LANG", nullptr}, m{"LC_NUMERIC", nullptr},
      d{"TW_SHORT_DATE_FORMAT", nullptr},
      e{"TW_LONG_TIME_FORMAT", nullptr}, f{"TW_SHORT_TIME_FORMAT", nullptr}, g{"TW_DATE_SEPARATOR", nullptr},
      h{"TW_TIME_SEPARATOR", nullptr}, i{"TW_TIME_AM", nullptr}, j{"TW_TIME_PM", nullptr},
      k{"TW_DECIMAL_SEPARATOR", nullptr}, l{"TW_THOUSAND_SEPARATOR", nullptr};
};

void ExpectDefaultTimes(const LocaleFormats& f) {
  const LocaleFormats defaults;
  EXPECT_EQ(f.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(f.DateSeparator, '/');
  EXPECT_EQ(f.LongTimeFormat, "h:nn:ss AMPM");
  EXPECT_EQ(f.ShortTimeFormat, defaults.ShortTimeFormat);
  EXPECT_EQ(f.TimeSeparator, ':');
  EXPECT_EQ(f.TimeAMString, "AM");
  EXPECT_EQ(f.TimePMString, "PM");
}

TEST(Locale, DefaultsAndOverrides) {
  NoLocaleSettings clean;
  LocaleFormats f = ReadLocaleFormats();
  ExpectDefaultTimes(f);

  ScopedEnv a2("TW_SHORT_DATE_FORMAT", "dd.mm.yyyy"), b2("TW_DATE_SEPARATOR", "."),
      c2("TW_DECIMAL_SEPARATOR", ",,"), d2("TW_TIME_PM", "nachm."), e2("TW_THOUSAND_SEPARATOR", "");
  f = ReadLocaleFormats();
  EXPECT_EQ(f.ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(f.DateSeparator, '.');
  EXPECT_EQ(f.DecimalSeparator, '.');  // not one byte: ignored
  EXPECT_EQ(f.ThousandSeparator, ',');  // empty: default kept
  EXPECT_EQ(f.TimePMString, "nachm.");
}

TEST(Locale, TheClassicLocalesAndMissingOnesKeepTheDefaults) {
  NoLocaleSettings clean;
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
    SCOPED_TRACE(name);
    ScopedEnv lang("LANG", name);
    const LocaleFormats f = ReadLocaleFormats();
    ExpectDefaultTimes(f);
    EXPECT_EQ(f.DecimalSeparator, '.');
    EXPECT_EQ(f.ThousandSeparator, ',');
  }
}

TEST(Locale, NumberSeparatorsFollowTheNumberLocale) {
  NoLocaleSettings clean;
  std::string why, dir;
  for (const char* name : {"de_DE", "fr_FR", "bg_BG", "de_CH"}) {
    dir = generated_locales::Make(name, why);
    if (dir.empty()) GTEST_SKIP() << why;
  }
  ScopedEnv locpath("LOCPATH", dir.c_str());
  const auto separators = [] {
    const LocaleFormats f = ReadLocaleFormats();
    return std::string{f.DecimalSeparator, f.ThousandSeparator};
  };

  // LANG names the locale when nothing else does: a decimal comma, dots
  // between thousands, and German dates with it.
  ScopedEnv lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(separators(), ",.");
  EXPECT_EQ(ReadLocaleFormats().DateSeparator, '.');
  {
    // LC_NUMERIC before LANG, for numbers only. French groups with a narrow
    // no-break space, which is written as a space.
    ScopedEnv numeric("LC_NUMERIC", "fr_FR.UTF-8");
    EXPECT_EQ(separators(), ", ");
    EXPECT_EQ(ReadLocaleFormats().DateSeparator, '.');
    // LC_ALL before both.
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(separators(), ".,");
  }
  {
    // Bulgarian groups no digits; Swiss German groups with a right single
    // quote, written as the apostrophe.
    ScopedEnv numeric("LC_NUMERIC", "bg_BG.UTF-8");
    EXPECT_EQ(separators(), std::string(",\0", 2));
    ScopedEnv swiss("LC_NUMERIC", "de_CH.UTF-8");
    EXPECT_EQ(separators(), ".'");
  }
  for (const char* classic : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
    ScopedEnv numeric("LC_NUMERIC", classic);
    EXPECT_EQ(separators(), ".,") << classic;
  }
  {
    // The time locale says nothing about numbers.
    ScopedEnv noLang("LANG", nullptr), time("LC_TIME", "de_DE.UTF-8");
    EXPECT_EQ(separators(), ".,");
  }

  // The variables still override the locale.
  ScopedEnv point("TW_DECIMAL_SEPARATOR", "."), thousands("TW_THOUSAND_SEPARATOR", "'");
  EXPECT_EQ(separators(), ".'");
}

TEST(Locale, DatesAndTimesFollowTheTimeLocale) {
  NoLocaleSettings clean;
  std::string why;
  std::string dir = generated_locales::Make("de_DE", why);
  if (!dir.empty()) dir = generated_locales::Make("el_GR", why);
  if (dir.empty()) GTEST_SKIP() << why;
  ScopedEnv locpath("LOCPATH", dir.c_str());

  // German: day first with dots, a 24-hour clock, no AM/PM texts.
  ScopedEnv lang("LANG", "de_DE.UTF-8");
  LocaleFormats f = ReadLocaleFormats();
  EXPECT_EQ(f.ShortDateFormat, "dd/mm/yyyy");
  EXPECT_EQ(f.DateSeparator, '.');
  EXPECT_EQ(f.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(f.ShortTimeFormat, "hh:nn");
  EXPECT_EQ(f.TimeSeparator, ':');
  EXPECT_EQ(f.TimeAMString, "");
  EXPECT_EQ(f.TimePMString, "");
  {
    ScopedEnv numbers("LC_NUMERIC", "C");
    EXPECT_EQ(ReadLocaleFormats().DecimalSeparator, '.');  // numbers are not the time locale's
  }

  {
    // LC_TIME before LANG: Greek, a 12-hour clock with its own AM/PM texts.
    ScopedEnv time("LC_TIME", "el_GR.UTF-8");
    f = ReadLocaleFormats();
    EXPECT_EQ(f.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(f.DateSeparator, '/');
    EXPECT_EQ(f.LongTimeFormat, "hh:nn:ss AMPM");
    EXPECT_EQ(f.ShortTimeFormat, "hh:nn AMPM");
    EXPECT_EQ(f.TimeAMString, "\xcf\x80\xce\xbc");  // "πμ"
    EXPECT_EQ(f.TimePMString, "\xce\xbc\xce\xbc");  // "μμ"

    // LC_ALL before both.
    ScopedEnv all("LC_ALL", "C");
    ExpectDefaultTimes(ReadLocaleFormats());
  }

  // The variables still override the locale.
  ScopedEnv sep("TW_DATE_SEPARATOR", "-"), pm("TW_TIME_PM", "nachm.");
  f = ReadLocaleFormats();
  EXPECT_EQ(f.DateSeparator, '-');
  EXPECT_EQ(f.TimePMString, "nachm.");
  EXPECT_EQ(f.ShortDateFormat, "dd/mm/yyyy");
}

TEST(MessageBox, DefaultSinkWritesToStandardErrorAndAnswersTheDefault) {
  SetMessageBoxSink(nullptr);
  testing::internal::CaptureStderr();
  int r1 = ShowMessageBox("Tarnwick", "Printer is down", mbError, mbOK);
  int r2 = ShowMessageBox("Tarnwick", "Save?", mbConfirmation, mbYes | mbNo | mbCancel, mbNo);
  int r3 = ShowMessageBox("Tarnwick", "Retry?", mbWarning, mbCancel | mbRetry);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Tarnwick: Printer is down\nTarnwick: Save?\nTarnwick: Retry?\n");
  EXPECT_EQ(r1, mbOK);
  EXPECT_EQ(r2, mbNo);
  EXPECT_EQ(r3, mbCancel);  // the first button offered
}

TEST(MessageBox, InstalledSinkMayShowNestedBoxesFromManyThreads) {
  std::atomic<int> calls{0};
  SetMessageBoxSink([&](const std::string&, const std::string& text, int kind, int, int def) {
    ++calls;
    if (text == "outer") return ShowMessageBox("c", "inner", kind, mbYes) + def;  // must not deadlock
    return kind == mbInformation ? mbYes : def;
  });
  EXPECT_EQ(ShowMessageBox("c", "outer", mbInformation, mbOK), mbYes + mbOK);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([] {
      for (int j = 0; j < 100; ++j) ShowMessageBox("c", "t", mbWarning, mbRetry);
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(calls.load(), 2 + 800);
  SetMessageBoxSink(nullptr);
}

TEST(Registry, ReadsValuesByKeyIgnoringCase) {
  TempDir t;
  const std::string file = t.Put("registry.ini",
                                 "; settings\r\n"
                                 "[\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\r\n"
                                 "ColorName = NormalColor \r\n"
                                 "Empty=\r\n"
                                 "[Other]\n"
                                 "ColorName=Wrong\n");
  ScopedEnv env("TW_REGISTRY_FILE", file.c_str());
  EXPECT_EQ(RegistryFilePath(), file);
  const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
  EXPECT_EQ(ReadRegistryString(key, "ColorName"), "NormalColor");
  EXPECT_EQ(ReadRegistryString("software\\microsoft\\windows\\currentversion\\THEMEMANAGER", "colorname"),
            "NormalColor");
  EXPECT_EQ(ReadRegistryString(key, "Empty"), "");
  EXPECT_EQ(ReadRegistryString(key, "Missing"), std::nullopt);
  EXPECT_EQ(ReadRegistryString("\\Software\\Microsoft", "ColorName"), std::nullopt);
  EXPECT_EQ(ReadRegistryString("Other", "ColorName"), "Wrong");

  ScopedEnv none("TW_REGISTRY_FILE", (t.Path() + "absent.ini").c_str());
  EXPECT_EQ(ReadRegistryString(key, "ColorName"), std::nullopt);
}
