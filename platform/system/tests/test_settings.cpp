#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/system/Locale.h"
#include "platform/system/MessageBox.h"
#include "platform/system/Registry.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;

namespace {

// Sets an environment variable for one scope and restores it afterwards.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST(Locale, DefaultsAndOverrides) {
  ScopedEnv a("TW_SHORT_DATE_FORMAT", nullptr), b("TW_DATE_SEPARATOR", nullptr),
      c("TW_DECIMAL_SEPARATOR", nullptr), d("TW_TIME_PM", nullptr), e("TW_THOUSAND_SEPARATOR", nullptr);
  LocaleFormats f = ReadLocaleFormats();
  EXPECT_EQ(f.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(f.DateSeparator, '/');

  ScopedEnv a2("TW_SHORT_DATE_FORMAT", "dd.mm.yyyy"), b2("TW_DATE_SEPARATOR", "."),
      c2("TW_DECIMAL_SEPARATOR", ",,"), d2("TW_TIME_PM", "nachm."), e2("TW_THOUSAND_SEPARATOR", "");
  f = ReadLocaleFormats();
  EXPECT_EQ(f.ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(f.DateSeparator, '.');
  EXPECT_EQ(f.DecimalSeparator, '.');  // not one byte: ignored
  EXPECT_EQ(f.ThousandSeparator, ',');  // empty: default kept
  EXPECT_EQ(f.TimePMString, "nachm.");
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
