// Colour routines against hand-worked values, round trips through hue,
// saturation and lightness, the desktop colour schemes, the version tests.
#include <cstdlib>
#include <fstream>

#include "class_library/core/SysUtils.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkColorNames.h"
#include "controls/VkColors.h"
#include "controls/VkSystem.h"
#include "platform/gui/Theme.h"

namespace {

struct Hsl {
  int h, s, l;
};
Hsl Split(TColor c) {
  Hsl v{};
  SplitColorHSL(c, v.h, v.s, v.l);
  return v;
}

TEST(ColorRoutines, SplitGivesHandWorkedValues) {
  Hsl white = Split(clWhite), red = Split(clRed), grey = Split(clGray), navy = Split(clNavy);
  EXPECT_EQ((std::array{white.h, white.s, white.l}), (std::array{0, 0, 240}));
  EXPECT_EQ((std::array{red.h, red.s, red.l}), (std::array{0, 240, 120}));
  EXPECT_EQ(grey.s, 0);
  EXPECT_EQ(grey.l, 120);  // 128/255 * 240 = 120.47
  EXPECT_EQ((std::array{navy.h, navy.s, navy.l}), (std::array{160, 240, 60}));
  EXPECT_EQ(HueOfColor(clLime), 80);
  // System colours are resolved first.
  Hsl face = Split(clBtnFace), faceRgb = Split(ColorToRGB(clBtnFace));
  EXPECT_EQ((std::array{face.h, face.s, face.l}), (std::array{faceRgb.h, faceRgb.s, faceRgb.l}));
}

TEST(ColorRoutines, ComposeGivesHandWorkedValues) {
  EXPECT_EQ(ComposeColorHSL(0, 0, 240), clWhite);
  EXPECT_EQ(ComposeColorHSL(0, 240, 0), clBlack);
  EXPECT_EQ(ComposeColorHSL(239, 240, 120), 0x0000FF);
  // Hue 240 lands in a seventh sextant, drawn like the first.
  EXPECT_EQ(ComposeColorHSL(240, 240, 120), 0x0006FF);
  // 120/239 * 6 = 3.0126: sextant 3, green falling from 255 by 1.26 %.
  EXPECT_EQ(ComplementColor(clRed, 120), 0xFFFC00);
  EXPECT_EQ(ComposeColorHSL(0, 0, 255), clWhite) << "lightness above 240 is white";
}

TEST(ColorRoutines, ComposeClampsEveryChannelForOutOfScaleArguments) {
  // Saturation above 240 makes the low channel negative before clamping.
  for (int h : {0, 40, 80, 120, 160, 200, 239, 255})
    for (int s : {241, 255})
      for (int l : {1, 30, 60, 119, 121, 200, 255}) {
        TColor c = ComposeColorHSL(h, s, l);
        EXPECT_EQ(c & ~0xFFFFFF, 0) << h << " " << s << " " << l;
      }
  // Hue 80 (green), lightness 60, saturation 255: red and blue are below 0.
  gui::COLORREF c = static_cast<gui::COLORREF>(ComposeColorHSL(80, 255, 60));
  EXPECT_EQ(gui::GetRValue(c), 0);
  EXPECT_EQ(gui::GetBValue(c), 0);
  EXPECT_EQ(gui::GetGValue(c), 131);  // 0.25 * 2.0625 * 255 = 131.5 -> 131 (ties to even ... 131.48)
}

TEST(ColorRoutines, RoundTripThroughHslStaysWithinOneStep) {
  for (TColor c : {clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray, clSilver, clRed, clLime, clYellow,
                   clBlue, clFuchsia, clAqua, clMoneyGreen, clSkyBlue, clCream, clMedGray, TColor(0x123456),
                   TColor(0xEABB99), TColor(0x77A17F), TColor(0xD0BCBD)}) {
    Hsl a = Split(c);
    Hsl b = Split(ComposeColorHSL(a.h, a.s, a.l));
    int dh = std::abs(a.h - b.h);
    EXPECT_LE(std::min(dh, 240 - dh), 1) << std::hex << c;
    EXPECT_LE(std::abs(a.s - b.s), 1) << std::hex << c;
    EXPECT_LE(std::abs(a.l - b.l), 1) << std::hex << c;
  }
}

TEST(ColorRoutines, LightenDarkenAndAdjust) {
  EXPECT_EQ(LightenColor(clRed, 120), clWhite);
  EXPECT_EQ(LightenColor(clNavy, 250), clWhite);
  EXPECT_EQ(DarkenColor(clRed, 120), clBlack);
  EXPECT_EQ(DarkenColor(clRed, 500), clBlack);
  EXPECT_EQ(Split(LightenColor(clNavy, 30)).l, 90);
  EXPECT_EQ(Split(DarkenColor(clNavy, 30)).l, 30);
  EXPECT_EQ(AdjustColorLightness(clBtnShadow, 0), clBtnShadow) << "0 leaves even a system colour as it is";
  EXPECT_EQ(AdjustColorLightness(clNavy, 30), LightenColor(clNavy, 30));
  EXPECT_EQ(AdjustColorLightness(clNavy, -30), DarkenColor(clNavy, 30));
  // Out of range: clamped instead of raising inside painting.
  EXPECT_EQ(AdjustColorLightness(clNavy, 1000), AdjustColorLightness(clNavy, 255));
  EXPECT_EQ(AdjustColorLightness(clNavy, -1000), clBlack);
}

TEST(ColorRoutines, MixAndLookAlike) {
  EXPECT_EQ(MixColors(clRed, clBlue, 255), clRed);
  EXPECT_EQ(MixColors(clRed, clBlue, 0), clBlue);
  EXPECT_EQ(MixColors(clWhite, clBlack, 128), 0x808080);
  EXPECT_EQ(MixColors(0x000064, 0x0000C8, 51), 0x0000B4);  // 0.2 * 100 + 0.8 * 200
  EXPECT_EQ(MixColors(clRed, clBlue, 999), clRed) << "weight clamped";
  EXPECT_TRUE(ColorsLookAlike(clWhite, 0xF0F0F0));
  EXPECT_TRUE(ColorsLookAlike(clRed, 0x0000C0)) << "saturation and small lightness steps do not count";
  EXPECT_FALSE(ColorsLookAlike(clRed, clBlue));
  EXPECT_FALSE(ColorsLookAlike(clWhite, clBlack));
}

class SchemeFile : public ::testing::Test {
protected:
  void SetUp() override {
    const char* old = std::getenv("TW_REGISTRY_FILE");
    if (old) saved_ = old, hadOld_ = true;
    path_ = ::testing::TempDir() + "controls-registry.ini";
    setenv("TW_REGISTRY_FILE", path_.c_str(), 1);
  }
  void TearDown() override {
    if (hadOld_)
      setenv("TW_REGISTRY_FILE", saved_.c_str(), 1);
    else
      unsetenv("TW_REGISTRY_FILE");
    std::remove(path_.c_str());
  }
  void Write(const std::string& value) {
    std::ofstream f(path_, std::ios::trunc);
    f << "[\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\n";
    if (!value.empty()) f << "ColorName=" << value << "\n";
  }
  std::string path_, saved_;
  bool hadOld_ = false;
};

TEST_F(SchemeFile, ColourSchemeIsReadByNameInAnyCase) {
  Write("Homestead");
  EXPECT_EQ(ReadXPColorScheme(), 1);
  Write("metallic");
  EXPECT_EQ(ReadXPColorScheme(), 2);
  Write("NormalColor");
  EXPECT_EQ(ReadXPColorScheme(), 0);
  Write("");
  EXPECT_EQ(ReadXPColorScheme(), 0) << "a missing value is the default scheme";
  std::remove(path_.c_str());
  EXPECT_EQ(ReadXPColorScheme(), 0) << "a missing file too";
}

TEST(ColorSchemes, TableAndGradientSetsFollowTheSchemeOnlyWithStyles) {
  EXPECT_EQ(XPSchemeColors(1).Light, 0xEDFFFF);
  EXPECT_EQ(XPSchemeColors(2).Frame, 0xB19F9F);
  EXPECT_EQ(XPSchemeColors(7).Dark, 0xEABB99) << "any other number is the default scheme";
  int saved = XPColorScheme();
  SetXPColorScheme(2);
  TColor light, dark, first, second, third;
  // Styles are off in the test environment: the system look.
  GradientPanelColors(gcsMSOffice, light, dark);
  EXPECT_EQ(light, clWindow);
  EXPECT_EQ(dark, DarkenColor(clBtnFace, 10));
  EXPECT_EQ(GradientPanelFrameColor(gcsMSOffice), LightenColor(clBtnShadow, 30));
  GradientStatusColors(gcsSystem, first, second, third);
  EXPECT_EQ(first, DarkenColor(clBtnFace, 20));
  EXPECT_EQ(second, clWindow);
  EXPECT_EQ(third, DarkenColor(clBtnFace, 40));
  EXPECT_EQ(ThemedExplorerBarColor(4), clBtnFace);
  gui::SetVisualStylesEnabled(true);
  GradientPanelColors(gcsMSOffice, light, dark);
  EXPECT_EQ(light, 0xFFF9F9);
  EXPECT_EQ(dark, 0xD0BCBD);
  EXPECT_EQ(GradientPanelFrameColor(gcsMSOffice), 0xB19F9F);
  GradientStatusColors(gcsMSOffice, first, second, third);
  EXPECT_EQ((std::array{first, second, third}), (std::array<TColor, 3>{0xD0BCBD, 0xFFF9F9, 0xD0BCBD}));
  GradientPanelColors(gcsSystem, light, dark);
  EXPECT_EQ(light, clWindow) << "only the office style follows the scheme";
  EXPECT_EQ(ThemedExplorerBarColor(9), 0xFFFFFF);
  gui::SetVisualStylesEnabled(false);
  SetXPColorScheme(saved);
}

TEST(VersionTests, ThePlatformReportsTheXpLevel) {
  EXPECT_TRUE(IsWindowsVersion(osWinXP));
  EXPECT_TRUE(IsWindowsVersionOrLater(osWinXP));
  EXPECT_TRUE(IsWindowsVersionOrLater(osWin2000));
  EXPECT_TRUE(IsWindowsVersionOrLater(osWinNT));
  EXPECT_FALSE(IsWindowsVersionOrLater(osWin2003));
  EXPECT_FALSE(IsWindowsVersion(osWinNT));
  EXPECT_FALSE(IsWindowsVersion(osWin95));
}

TEST(VersionTests, LaterVersionsCompareAsNumbers) {
  EXPECT_TRUE(IsWindowsVersionOrLaterOf(osWinXP, 2, 6, 0)) << "6.0 is later than 5.1";
  EXPECT_TRUE(IsWindowsVersionOrLaterOf(osWinVista, 2, 6, 0));
  EXPECT_TRUE(IsWindowsVersionOrLaterOf(osWin98, 2, 5, 0)) << "5.0 is later than 4.10";
  EXPECT_TRUE(IsWindowsVersionOrLaterOf(osWin2003, 2, 10, 0));
  EXPECT_FALSE(IsWindowsVersionOrLaterOf(osWin2003, 2, 5, 1));
  EXPECT_FALSE(IsWindowsVersionOrLaterOf(osWinXP, 1, 6, 0)) << "the 95 family never reaches the NT kinds";
  EXPECT_TRUE(IsWindowsVersionOrLaterOf(osWinME, 1, 4, 90));
  // The exact test stays exact.
  EXPECT_FALSE(IsWindowsVersionOf(osWinXP, 2, 6, 0));
  EXPECT_TRUE(IsWindowsVersionOf(osWinVista, 2, 6, 0));
  EXPECT_TRUE(IsWindowsVersionOf(osWin98, 1, 4, 10));
  EXPECT_TRUE(IsWindowsVersionOf(osWinNT, 2, 4, 0));
}

TEST(ColorNames, TablesHoldTheStandardAndSystemColoursInOrder) {
  EXPECT_STREQ(StandardColors[4].Name, "Navy");
  EXPECT_EQ(StandardColors[4].Color, clNavy);
  for (std::size_t i = 0; i < SystemColors.size(); ++i) EXPECT_EQ(SystemColors[i].Color, SysColor(static_cast<int>(i)));
  EXPECT_STREQ(SystemColors[15].Name, "BtnFace");
  EXPECT_STREQ(SystemColors[24].Name, "InfoBk");
  EXPECT_STREQ(CustomColorRec.Name, "Custom");
}

}  // namespace
