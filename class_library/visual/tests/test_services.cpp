// Image lists, the hint window class, masks, themes, the mouse and the
// registry stand-in.
#include <cstdlib>
#include <fstream>

#include "class_library/core/RegIniFile.h"
#include "class_library/visual/Hints.h"
#include "class_library/visual/ImgList.h"
#include "class_library/visual/Mask.h"
#include "class_library/visual/Themes.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/gui/Images.h"
#include "platform/system/tests/TempDir.h"

namespace {

using namespace vistest;

// A 24-bit BMP file of Width x Height from top-down 0x00RRGGBB pixels.
String Bmp(int Width, int Height, const std::vector<std::uint32_t>& Pixels) {
  String s = "BM";
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  int row = (Width * 3 + 3) / 4 * 4;
  le32(static_cast<std::uint32_t>(54 + row * Height));
  le32(0);
  le32(54);
  le32(40);
  le32(static_cast<std::uint32_t>(Width));
  le32(static_cast<std::uint32_t>(Height));
  s += String("\x01\x00\x18\x00", 4);
  for (int i = 0; i < 6; ++i) le32(0);
  for (int y = Height - 1; y >= 0; --y) {
    String line;
    for (int x = 0; x < Width; ++x) {
      std::uint32_t p = Pixels[static_cast<std::size_t>(y * Width + x)];
      line += static_cast<char>(p & 0xFF);
      line += static_cast<char>((p >> 8) & 0xFF);
      line += static_cast<char>((p >> 16) & 0xFF);
    }
    line.resize(static_cast<std::size_t>(row), '\0');
    s += line;
  }
  return s;
}

TEST(ImageList, ReadsTheStoredStreamAndDrawsThroughTheMask) {
  // Two 2 x 2 images in a row of four: image 0 red with a transparent top
  // right pixel, image 1 black.
  const std::uint32_t R = 0xFF0000, K = 0x000000, W = 0xFFFFFF;
  std::vector<std::uint32_t> images = {R, R, K, K, W, W, W, W, R, R, K, K, W, W, W, W};
  std::vector<std::uint32_t> mask = {K, W, K, K, W, W, W, W, K, K, K, K, W, W, W, W};
  String header = "IL";
  auto le16 = [&](int v) {
    header += static_cast<char>(v & 0xFF);
    header += static_cast<char>((v >> 8) & 0xFF);
  };
  le16(0x101);
  le16(2);  // images
  le16(4);
  le16(4);
  le16(2);  // cx
  le16(2);  // cy
  header += String("\xFF\xFF\xFF\xFF", 4);
  le16(1);  // masked
  for (int i = 0; i < 4; ++i) le16(-1);
  TImageList list(nullptr);
  int changes = 0;
  TChangeLink link;
  link.OnChange = [&](TObject*) { ++changes; };
  list.RegisterChanges(&link);
  list.ReadData(header + Bmp(8, 2, images) + Bmp(8, 2, mask));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Width(), 2);
  EXPECT_EQ(changes, 1) << "a change link hears of the new images";

  TBitmap target;
  target.SetSize(6, 2);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect(Rect(0, 0, 6, 2));
  list.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixel(1, 0), clLime) << "the masked pixel leaves the background";
  EXPECT_EQ(target.Canvas()->Pixel(1, 1), clRed);
  list.Draw(target.Canvas(), 3, 0, 1, false);
  EXPECT_EQ(Rgb(target.Canvas()->Pixel(3, 0)), Rgb(clBtnShadow)) << "disabled: etched in the shadow colour";
  EXPECT_EQ(Rgb(target.Canvas()->Pixel(5, 1)), Rgb(clBtnHighlight)) << "with the highlight below and right";
  EXPECT_THROW(list.ReadData("IL broken"), EReadError);
  list.UnRegisterChanges(&link);
  list.Clear();
  EXPECT_EQ(changes, 1);
}

class TMarkedHint : public THintWindow {
public:
  explicit TMarkedHint(TComponent* AOwner) : THintWindow(AOwner) {}
  String ClassName() const override { return "TMarkedHint"; }
};

TEST(HintWindow, AnotherClassTakesOverWhenShowHintIsSwitchedAgain) {
  THintWindowClass original = HintWindowClass;
  HintWindowClass = [](TComponent* Owner) { return new TMarkedHint(Owner); };
  Application()->SetShowHint(false);
  EXPECT_EQ(visual::HintWindow(), nullptr);
  Application()->SetShowHint(true);
  ASSERT_NE(visual::HintWindow(), nullptr);
  EXPECT_EQ(visual::HintWindow()->ClassName(), "TMarkedHint");
  EXPECT_EQ(visual::HintWindow()->Owner(), Application()) << "the application owns its hint window";
  HintWindowClass = original;
  Application()->SetShowHint(false);
  Application()->SetShowHint(true);
  EXPECT_EQ(visual::HintWindow()->ClassName(), "THintWindow");
  TRect r = visual::HintWindow()->CalcHintRect(200, "Tip", nullptr);
  EXPECT_GT(r.Right, 6);
  EXPECT_GT(r.Bottom, 2);
  EXPECT_EQ(GetShortHint("a|b"), "a");
  EXPECT_EQ(GetLongHint("a|b"), "b");
  EXPECT_EQ(GetLongHint("only"), "only");
}

TEST(MaskEdit, TheMaskDecidesWhatFitsEachPosition) {
  TMaskEdit edit(nullptr);
  EXPECT_TRUE(edit.CharFitsMask('x', 5)) << "no mask: anything";
  edit.SetEditMask("00\\-LL;1;_");
  EXPECT_TRUE(edit.CharFitsMask('4', 1));
  EXPECT_FALSE(edit.CharFitsMask('x', 1));
  EXPECT_TRUE(edit.CharFitsMask('-', 2));
  EXPECT_FALSE(edit.CharFitsMask('5', 2));
  EXPECT_TRUE(edit.CharFitsMask('q', 4));
  EXPECT_FALSE(edit.CharFitsMask('q', 5)) << "past the mask";
}

TEST(Themes, StylesAreOffUntilSwitchedOnAndThenDrawParts) {
  EXPECT_FALSE(ThemeServices()->ThemesEnabled());
  gui::SetVisualStylesEnabled(true);
  EXPECT_TRUE(ThemeServices()->ThemesEnabled());
  TBitmap b;
  b.SetSize(40, 20);
  auto details = ThemeServices()->GetElementDetails("BUTTON", gui::BP_PUSHBUTTON, gui::PBS_NORMAL);
  ThemeServices()->DrawElement(b.Canvas()->Handle(), details, Rect(0, 0, 40, 20));
  int changed = 0;
  for (std::uint32_t p : b.Pixels()) changed += (p & 0xFFFFFF) != 0xFFFFFF;
  EXPECT_GT(changed, 0) << "the themed button is drawn";
  gui::SetVisualStylesEnabled(false);
  EXPECT_FALSE(ThemeServices()->ThemesEnabled());
}

TEST(MouseAndRegistry, WheelLinesAndValuesOfOtherPrograms) {
  EXPECT_EQ(Mouse()->WheelScrollLines(), 3);
  EXPECT_TRUE(Mouse()->DragImmediate());
  TempDir dir;
  String file = dir.Path() + "registry.ini";
  std::ofstream(file) << "[\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\r\nColorName=Homestead\r\n";
  setenv("TW_REGISTRY_FILE", file.c_str(), 1);
  TRegIniFile reg("\\Software\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(reg.ReadString("ThemeManager", "ColorName", ""), "Homestead");
  EXPECT_EQ(reg.ReadString("ThemeManager", "Missing", "dflt"), "dflt");
  EXPECT_EQ(reg.ReadInteger("ThemeManager", "ColorName", 7), 7);
  unsetenv("TW_REGISTRY_FILE");
}

}  // namespace
