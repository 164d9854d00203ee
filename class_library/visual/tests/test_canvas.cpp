// Canvas, drawing objects and pictures: exact pixels on bitmaps.
#include <array>
#include <fstream>

#include "class_library/components/FormResource.h"
#include "class_library/core/Streams.h"
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/tests/VisualTest.h"
#include "platform/system/tests/GeneratedLocales.h"
#include "platform/system/tests/TempDir.h"

namespace {

using vistest::Rgb;

// One character per pixel of a row: '#' black, '.' white, 'r' red, '?' other.
std::string Row(TBitmap& b, int y) {
  std::string s;
  std::vector<std::uint32_t> p = b.Pixels();
  for (int x = 0; x < b.Width(); ++x) {
    std::uint32_t c = p[static_cast<std::size_t>(y * b.Width() + x)] & 0xFFFFFF;
    s += c == 0 ? '#' : c == 0xFFFFFF ? '.' : c == 0xFF0000 ? 'r' : '?';
  }
  return s;
}

TEST(Colors, SystemColoursResolveAndNamesReadBothWays) {
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(gui::GetSysColor(gui::COLOR_BTNFACE)));
  EXPECT_EQ(clWindow, static_cast<TColor>(0xFF000005u));
  std::int64_t v = 0;
  EXPECT_TRUE(IdentToColor("clInfoBk", v));
  EXPECT_EQ(v, clInfoBk);
  EXPECT_FALSE(IdentToColor("clNoSuchColour", v));
  EXPECT_EQ(ColorToString(clBtnShadow), "clBtnShadow");
  EXPECT_EQ(ColorToString(0x123456), "$00123456");
}

TEST(Font, SizeAndHeightFollowEachOtherAtNinetySixDots) {
  TFont f;
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  f.SetHeight(-16);
  EXPECT_EQ(f.Size(), 12);
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetStyle(FontStyle(fsBold));
  f.SetStyle(FontStyle(fsBold));  // unchanged: no event
  f.SetColor(clRed);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(f.LogFont().lfWeight, gui::FW_BOLD);
}

TEST(Canvas, FillsLinesAndRectanglesPixelExact) {
  TBitmap b;
  b.SetSize(8, 6);
  TCanvas* c = b.Canvas();
  EXPECT_EQ(Row(b, 0), "........") << "a new bitmap is white";
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(1, 1, 4, 3));
  EXPECT_EQ(Row(b, 1), ".###....");
  EXPECT_EQ(Row(b, 2), ".###....");
  EXPECT_EQ(Row(b, 3), "........") << "the bottom edge is outside";
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 5);
  c->LineTo(6, 5);
  EXPECT_EQ(Row(b, 5), "rrrrrr..") << "the line stops before its end point";
  EXPECT_EQ(c->PenPos().X, 6);
  // A brush change takes effect at the next drawing: the handle is swapped.
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(5, 0, 8, 1));
  EXPECT_EQ(Row(b, 0), ".....rrr");
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(4, 1, 8, 5);
  EXPECT_EQ(Row(b, 1), ".#######");
  EXPECT_EQ(Row(b, 2), ".####..#") << "a clear brush leaves the inside";
  EXPECT_EQ(Row(b, 4), "....####");
  EXPECT_EQ(c->Pixel(4, 2), clBlack);
  EXPECT_EQ(c->Pixel(20, 20), -1) << "outside the bitmap";
  c->SetPixel(7, 3, clRed);
  EXPECT_EQ(c->Pixel(7, 3), clRed);
}

TEST(Canvas, TextUsesTheFontAndTheBrushBehindIt) {
  TBitmap b;
  b.SetSize(60, 20);
  TCanvas* c = b.Canvas();
  c->Font()->SetName("Tahoma");
  c->Font()->SetHeight(-11);
  c->Font()->SetColor(clBlack);
  TSize size = c->TextExtent("Hello");
  EXPECT_GT(size.cx, 15);
  EXPECT_GE(size.cy, 11);
  c->Brush()->SetColor(clRed);
  c->TextOut(0, 0, "Hi");
  // Solid brush: the cell is filled with the brush colour where no ink is.
  EXPECT_EQ(Rgb(c->Pixel(0, size.cy - 1)), 0xFF0000u);
  int ink = 0;
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < 12; ++x) ink += c->Pixel(x, y) == clBlack;
  EXPECT_GT(ink, 5) << "the text is drawn in the font colour";
  c->Brush()->SetStyle(bsClear);
  c->TextOut(30, 0, "Hi");
  EXPECT_EQ(c->Pixel(30, size.cy - 1), clWhite) << "bsClear keeps the background";
  int before = c->TextWidth("W");
  c->Font()->SetHeight(-22);
  EXPECT_GT(c->TextWidth("W"), before) << "a font change reaches the context";
}

TEST(Canvas, CopyModesCombinePictures) {
  TBitmap dst, src;
  dst.SetSize(4, 1);
  src.SetSize(4, 1);
  dst.Canvas()->SetPixel(0, 0, clBlack);
  dst.Canvas()->SetPixel(1, 0, clBlack);
  src.Canvas()->SetPixel(0, 0, clBlack);
  src.Canvas()->SetPixel(2, 0, clBlack);
  dst.Canvas()->SetCopyMode(gui::SRCPAINT);
  dst.Canvas()->CopyRect(Rect(0, 0, 4, 1), src.Canvas(), Rect(0, 0, 4, 1));
  EXPECT_EQ(Row(dst, 0), "#...") << "OR keeps white where either is white";
  dst.Canvas()->SetCopyMode(gui::SRCINVERT);
  dst.Canvas()->CopyRect(Rect(0, 0, 4, 1), src.Canvas(), Rect(0, 0, 4, 1));
  EXPECT_EQ(Row(dst, 0), "##.#") << "XOR: equal pixels give black";
}

// A 2 x 2 24-bit BMP: top row red, white; bottom row black, white.
std::string SmallBmp() {
  std::string s = "BM";
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto le16 = [&](std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  };
  le32(14 + 40 + 16);
  le32(0);
  le32(14 + 40);
  le32(40);
  le32(2);
  le32(2);
  le16(1);
  le16(24);
  le32(0);
  le32(16);
  le32(2835);
  le32(2835);
  le32(0);
  le32(0);
  // Rows bottom-up, BGR, padded to 4 bytes.
  const unsigned char bottom[] = {0, 0, 0, 255, 255, 255, 0, 0};
  const unsigned char top[] = {0, 0, 255, 255, 255, 255, 0, 0};
  s.append(reinterpret_cast<const char*>(bottom), 8);
  s.append(reinterpret_cast<const char*>(top), 8);
  return s;
}

TEST(Bitmap, LoadsResourceDataKeepsContentOnResizeAndDrawsTransparent) {
  String bmp = SmallBmp();
  String data;
  std::uint32_t size = static_cast<std::uint32_t>(bmp.size());
  data.append(reinterpret_cast<const char*>(&size), 4);
  data += bmp;
  TBitmap b;
  TStringStream stream(data);
  b.ReadData(stream);
  ASSERT_EQ(b.Width(), 2);
  EXPECT_EQ(Row(b, 0), "r.");
  EXPECT_EQ(Row(b, 1), "#.");
  b.SetSize(3, 2);
  EXPECT_EQ(Row(b, 0), "r..");
  EXPECT_EQ(b.TransparentColor(), clBlack) << "the bottom-left pixel";

  TBitmap target;
  target.SetSize(3, 2);
  target.Canvas()->Brush()->SetColor(clBlue);
  target.Canvas()->FillRect(Rect(0, 0, 3, 2));
  b.SetTransparent(true);
  target.Canvas()->Draw(0, 0, &b);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixel(0, 1), clBlue) << "the transparent colour is left out";

  String cut = data.substr(0, 10);
  TStringStream broken(cut);
  EXPECT_THROW(b.ReadData(broken), EInvalidGraphic);
}

TEST(Picture, ReadsTheClassNameThenTheBitmapData) {
  String bmp = SmallBmp();
  String data;
  data += static_cast<char>(7);
  data += "TBitmap";
  std::uint32_t size = static_cast<std::uint32_t>(bmp.size());
  data.append(reinterpret_cast<const char*>(&size), 4);
  data += bmp;
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  struct Filer : TFiler {
    String name;
    TReaderProc proc;
    void DefineProperty(const String& Name, TReaderProc ReadData) override {
      name = Name;
      proc = std::move(ReadData);
    }
  } filer;
  p.ReadLegacyProperties(&filer);
  ASSERT_EQ(filer.name, "Data");
  TResValue value;
  value.kind = TResValue::vaBinary;
  value.text = data;
  TReader reader(value, nullptr);
  filer.proc(reader);
  ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
  EXPECT_EQ(p.Width(), 2);
  EXPECT_GE(changes, 1);
}

// The file's extension picks the picture class; in a Turkish process locale
// (a GUI toolkit sets it from the user's environment) tolower('I') stays 'I',
// and ".ICO" must still name an icon.
TEST(Picture, TheExtensionPicksTheClassInATurkishLocale) {
  TempDir dir;
  const std::string path = dir.File("PIC.ICO");
  std::ofstream(path, std::ios::binary) << SmallBmp();
  const auto load = [&]() -> std::string {
    TPicture p;
    try {
      p.LoadFromFile(path);
    } catch (const Exception& e) {
      return "refused: " + e.Message();
    }
    if (dynamic_cast<TIcon*>(p.Graphic())) return "icon";
    return dynamic_cast<TBitmap*>(p.Graphic()) ? "bitmap" : "other";
  };
  const std::string inC = load();
  generated_locales::ProcessLocale turkish("tr_TR");
  if (!turkish.Active()) GTEST_SKIP() << turkish.Why();
  EXPECT_EQ(load(), inC);
}

}  // namespace
