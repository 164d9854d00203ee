// Font tests, the angled font, text drawing on a canvas, the small window
// routines, settings locations and old stored names.
#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/ExtCtrls.h"
#include "class_library/visual/tests/VisualTest.h"
#include "controls/VkOldPropReader.h"
#include "controls/VkRegIniFile.h"
#include "controls/VkSystem.h"
#include "platform/gui/Window.h"

namespace {

TEST(Fonts, OutlineFacesLineHeightsAndAngledFonts) {
  TFont tahoma;
  tahoma.SetName("Tahoma");
  EXPECT_TRUE(FontIsTrueType(&tahoma));
  TFont sans;
  sans.SetName("MS Sans Serif");
  EXPECT_FALSE(FontIsTrueType(&sans)) << "a face that was a bitmap font";
  gui::HDC dc = gui::GetDC(gui::HWND{});
  gui::HFONT old = gui::SelectObject(dc, tahoma.Handle());
  gui::TextMetric tm;
  gui::GetTextMetrics(dc, tm);
  gui::SelectObject(dc, old);
  gui::ReleaseDC(gui::HWND{}, dc);
  EXPECT_EQ(FontLineHeight(&tahoma), tm.tmHeight + 2);

  tahoma.SetStyle(FontStyle(fsBold) | FontStyle(fsUnderline));
  tahoma.SetPitch(fpVariable);
  gui::UniqueGdi<gui::HFONT> angled = CreateAngledFont(&tahoma, 45);
  ASSERT_TRUE(static_cast<bool>(angled));
  gui::LogFont lf;
  ASSERT_TRUE(gui::GetFontInfo(angled.get(), lf));
  EXPECT_EQ(lf.lfEscapement, 450);
  EXPECT_EQ(lf.lfOrientation, 0);
  EXPECT_EQ(lf.lfWeight, gui::FW_BOLD);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfItalic, 0);
  EXPECT_EQ(lf.lfPitchAndFamily, gui::VARIABLE_PITCH);
  EXPECT_EQ(lf.lfHeight, tahoma.Height());
  EXPECT_EQ(lf.lfFaceName, "Tahoma");
}

TEST(CanvasText, MeasuresAndDrawsTheWholeText) {
  TBitmap b;
  b.SetSize(200, 60);
  TRect r = Rect(0, 0, 60, 0);
  int h = CanvasDrawText(b.Canvas(), "two words wrapped", r, gui::DT_CALCRECT | gui::DT_WORDBREAK);
  EXPECT_GT(h, 0);
  EXPECT_GT(r.Bottom, b.Canvas()->TextHeight("x")) << "wrapped onto more than one line";
  EXPECT_LE(r.Right, 60) << "kept within the width";
}

TEST(SmallRoutines, BitsAndExtremes) {
  std::uint32_t bits[] = {0x80000001u, 0x2u};
  EXPECT_TRUE(TestBit(0, bits));
  EXPECT_TRUE(TestBit(31, bits));
  EXPECT_FALSE(TestBit(32, bits));
  EXPECT_TRUE(TestBit(33, bits));
  EXPECT_FALSE(TestBit(64, bits)) << "beyond the array";
  EXPECT_FALSE(TestBit(-1, bits));
  EXPECT_EQ(SmallerOf(3, -2), -2);
  EXPECT_EQ(LargerOf(3, -2), 3);
}

// A child with a published Transparent property.
class TSeeThrough : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;
  String ClassName() const override { return "TSeeThrough"; }
  bool Transparent() const { return transparent; }
  void SetTransparent(bool v) { transparent = v; }
  void Invalidate() override {
    ++invalidated;
    TGraphicControl::Invalidate();
  }
  bool transparent = false;
  int invalidated = 0;
};

const bool kRegistered = [] {
  RegisterClass<TSeeThrough>("TSeeThrough", "TGraphicControl")
      .Boolean("Transparent", &TSeeThrough::Transparent, &TSeeThrough::SetTransparent);
  return true;
}();

using WindowRoutines = vistest::FormTest;

TEST_F(WindowRoutines, TransparentChildrenAreInvalidatedAndTextMessagesCarryTheText) {
  auto* clear = new TSeeThrough(form);
  clear->SetParent(form);
  clear->transparent = true;
  auto* solid = new TSeeThrough(form);
  solid->SetParent(form);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  clear->invalidated = solid->invalidated = 0;
  InvalidateTransparentChildren(form);
  EXPECT_EQ(clear->invalidated, 1);
  EXPECT_EQ(solid->invalidated, 0);
  form->Show();
  EXPECT_EQ(SendTextMessage(panel->Handle(), gui::WM_SETTEXT, 0, "Sent text"), 1);
  EXPECT_EQ(gui::GetWindowText(panel->Handle()), "Sent text");
  InvalidateNonClientFrame(panel->Handle());
  NotifyDesigner(panel);
}

class TLegacyHolder : public TDataModule {
public:
  using TDataModule::TDataModule;
  String ClassName() const override { return "TLegacyHolder"; }
  void ReadLegacyProperties(TFiler* Filer) override {
    TDataModule::ReadLegacyProperties(Filer);
    Filer->DefineProperty("OldFlag", TVkOldPropReader::SkipBooleanValue);
    Filer->DefineProperty("OldStyle", TVkOldPropReader::SkipIdentValue);
    Filer->DefineProperty("OldSides", TVkOldPropReader::SkipSetValue);
  }
};

TEST(OldProperties, StoredValuesOfGoneNamesLoadAndAreDropped) {
  RegisterClass<TLegacyHolder>("TLegacyHolder", "TDataModule");
  TLegacyHolder root(nullptr);
  EXPECT_NO_THROW(ReadComponentResource(&root, R"(object Root: TLegacyHolder
  OldFlag = True
  OldStyle = fsBump
  OldSides = [sdLeft, sdTop]
  object Place: TVkRegIniFile
    Path = 'Tarnwick'
    PathType = ptRegistry
    RegAccess = [keyRead]
  end
end
)"));
  auto* place = dynamic_cast<TVkRegIniFile*>(root.FindComponent("Place"));
  ASSERT_NE(place, nullptr);
  EXPECT_EQ(place->Path(), "Tarnwick");
  EXPECT_EQ(place->PathType(), ptRegistry);
  EXPECT_EQ(place->RegAccess(), 1u << keyRead);
  EXPECT_EQ(place->RegKey(), hkeyCurrentUser);
  EXPECT_TRUE(place->Dirty());
}

}  // namespace
