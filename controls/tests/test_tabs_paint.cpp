// What the tab control draws: every tab shape on every side, hit-tested
// through its region and checked pixel by pixel, the card, the shadow and
// the paint events. The pictures are kept in tab-pictures/ for a look.
#include <filesystem>

#include "controls/VkColors.h"
#include "controls/tests/TabTest.h"

using ctltest::TabFormTest;

namespace {

constexpr TColor kCard = 0xE8E0D8;
constexpr TColor kBack = 0x70C070;
constexpr TColor kLight = 0xFFFFFF;
constexpr TColor kDark = 0xA0A0A0;

std::string PictureDir() {
  std::filesystem::create_directories("tab-pictures");
  return "tab-pictures/";
}

class TabPaintTest : public TabFormTest {
protected:
  void Dress(TVkTabStyle Style, TVkTabOrientation Side) {
    tabs->PlaceBounds(0, 0, 300, 260);
    tabs->SetShowFocusRect(false);
    tabs->SetTabStyle(Style);
    tabs->SetTabOrientation(Side);
    tabs->SetColor(kCard);
    tabs->SetBackgroundColor(kBack);
    tabs->TabColors()->SetUnselected(kLight);
    tabs->TabColors()->SetShadow(kDark);
    tabs->SetShowShadow(false);
    FixedTabs(3, 70, 24);
    tabs->SetTabIndex(1);
    ShowForm();
    tabs->Repaint();
  }
  std::uint32_t Pixel(int X, int Y) {
    vistest::Picture p(tabs->Handle());
    return p.At(X, Y);
  }
};

const char* const kStyleNames[] = {"single", "double", "cut", "round", "back", "square"};
const char* const kSideNames[] = {"top", "left", "bottom", "right"};

// Every shape on every side: the selected tab is filled with the card colour
// and merges with the card, the others carry the gradient, the region hits
// the tab's middle, and the corner outside a slanted outline is no tab.
TEST_F(TabPaintTest, EveryShapeOnEverySide) {
  for (int style = 0; style < 6; ++style)
    for (int side = 0; side < 4; ++side) {
      SCOPED_TRACE(std::string(kStyleNames[style]) + " " + kSideNames[side]);
      delete tabs;
      tabs = new ctltest::TTestTabs(form);
      tabs->SetParent(form);
      Dress(static_cast<TVkTabStyle>(style), static_cast<TVkTabOrientation>(side));
      gui::test::SaveWindowPng(tabs->Handle(),
                               PictureDir() + kStyleNames[style] + "-" + kSideNames[side] + ".png");
      vistest::Picture pic(tabs->Handle());
      for (int i = 0; i < 3; ++i) {
        TRect r = tabs->TabClientRect(i);
        TPoint mid{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
        EXPECT_EQ(tabs->TabAtPoint(mid.X, mid.Y), i);
      }
      // The selected tab's inside near its base is the card colour.
      TRect sel = tabs->TabClientRect(1);
      TPoint base{(sel.Left + sel.Right) / 2, (sel.Top + sel.Bottom) / 2};
      switch (side) {
        case toTop: base.Y = sel.Bottom - 2; break;
        case toBottom: base.Y = sel.Top + 2; break;
        case toLeft: base.X = sel.Right - 2; break;
        case toRight: base.X = sel.Left + 2; break;
      }
      EXPECT_EQ(pic.At(base.X, base.Y), vistest::Rgb(kCard));
      // An unselected tab is neither the card colour nor the background.
      TRect other = tabs->TabClientRect(0);
      TPoint near{other.Left + 3, other.Top + 3};
      switch (side) {
        case toTop: near = TPoint{(other.Left + other.Right) / 2, other.Bottom - 3}; break;
        case toBottom: near = TPoint{(other.Left + other.Right) / 2, other.Top + 3}; break;
        case toLeft: near = TPoint{other.Right - 3, (other.Top + other.Bottom) / 2}; break;
        case toRight: near = TPoint{other.Left + 3, (other.Top + other.Bottom) / 2}; break;
      }
      std::uint32_t tabPixel = pic.At(near.X, near.Y);
      EXPECT_NE(tabPixel, vistest::Rgb(kBack));
      EXPECT_NE(tabPixel, vistest::Rgb(kCard));
      // The card's frame in the flat colour.
      TRect card = tabs->CardRect(0);
      TPoint frame = side == toTop ? TPoint{card.Left + 2, card.Bottom}
                                   : side == toBottom ? TPoint{card.Left + 2, card.Top}
                                                      : TPoint{(card.Left + card.Right) / 2, card.Top};
      EXPECT_EQ(pic.At(frame.X, frame.Y), vistest::Rgb(clBtnShadow));
      // Slanted and cut shapes leave their far top corner to the background.
      if (style != tsSquareCorners) {
        TRect r0 = tabs->TabClientRect(2);
        TPoint corner = side == toTop ? TPoint{r0.Right - 1, r0.Top}
                                      : side == toBottom ? TPoint{r0.Right - 1, r0.Bottom - 1}
                                                         : side == toLeft ? TPoint{r0.Left, r0.Top}
                                                                          : TPoint{r0.Right - 1, r0.Bottom - 1};
        EXPECT_EQ(tabs->TabAtPoint(corner.X, corner.Y), -1);
      }
    }
}

TEST_F(TabPaintTest, RegionsFollowTheOutline) {
  Dress(tsDoubleSlant, toTop);
  // Double slant 70 x 24: the top edge runs from L + 24 to R - 24.
  TRect r = tabs->TabClientRect(0);
  gui::HRGN region = tabs->TabRegion(0);
  EXPECT_TRUE(gui::PtInRegion(region, r.Left + 30, r.Top + 1));
  EXPECT_FALSE(gui::PtInRegion(region, r.Left + 5, r.Top + 1));
  EXPECT_TRUE(gui::PtInRegion(region, r.Left + 2, r.Bottom - 1));
  // The selected tab lies on top where tabs overlap.
  TRect r1 = tabs->TabClientRect(1);
  EXPECT_EQ(tabs->TabAtPoint(r1.Left + 3, r1.Bottom - 2), 1);
}

TEST_F(TabPaintTest, CaptionIsDrawnInTheStateColour) {
  tabs->TextColors()->SetSelected(clRed);
  tabs->TextColors()->SetUnselected(clBlue);
  Dress(tsSquareCorners, toTop);
  vistest::Picture pic(tabs->Handle());
  auto count = [&](int Index, TColor Color) {
    TRect r = tabs->TabClientRect(Index);
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += pic.At(x, y) == vistest::Rgb(Color);
    return n;
  };
  EXPECT_GT(count(1, clRed), 10);
  EXPECT_EQ(count(1, clBlue), 0);
  EXPECT_GT(count(0, clBlue), 10);
}

TEST_F(TabPaintTest, ShadowDarkensTheBackgroundAndSurvivesHotTracking) {
  form->SetColor(0xC0C0C0);
  tabs->SetShowShadow(true);
  tabs->PlaceBounds(0, 0, 300, 200);
  tabs->SetColor(kCard);
  FixedTabs(3, 70, 24);
  tabs->SetTabIndex(0);
  ShowForm();
  tabs->Repaint();
  auto shadow = [&] { return Pixel(tabs->Width() - 1, 100); };
  std::uint32_t expected = vistest::Rgb(MixColors(clBlack, 0xC0C0C0, 15));
  EXPECT_EQ(shadow(), expected);
  gui::test::SaveWindowPng(tabs->Handle(), PictureDir() + "shadow.png");
  // A hot-tracked move repaints the strip only; a later full repaint that
  // does not come through InvalidateTabs still draws the shadow.
  TRect r2 = tabs->TabClientRect(2);
  gui::test::MouseMove(tabs->ClientToScreen(TPoint{(r2.Left + r2.Right) / 2, 10}));
  vistest::Pump();
  gui::InvalidateRect(tabs->Handle(), nullptr, false);
  vistest::Pump();
  EXPECT_EQ(shadow(), expected);
}

TEST_F(TabPaintTest, PaintEventsTakeOver) {
  tabs->OnPaintBackground = [](TObject*, TCanvas* C, const TRect& R, bool& Handled) {
    C->Brush()->SetColor(clFuchsia);
    C->FillRect(R);
    Handled = true;
  };
  tabs->OnPaintCardBackground = [](TObject*, TCanvas* C, int Row, const TRect& R, bool& Handled) {
    if (Row != 0) return;
    C->Brush()->SetColor(clYellow);
    C->FillRect(R);
    Handled = true;
  };
  Dress(tsSingleSlant, toTop);
  EXPECT_EQ(Pixel(290, 5), vistest::Rgb(clFuchsia));
  EXPECT_EQ(Pixel(150, 100), vistest::Rgb(clYellow));
}

TEST_F(TabPaintTest, FlatColorAdjustmentBeyondItsRangeStillPaints) {
  Dress(tsRoundCorners, toTop);
  tabs->SetFlatColorAdjustment(100000);
  tabs->Repaint();
  TRect card = tabs->CardRect(0);
  EXPECT_EQ(Pixel(card.Left + 2, card.Bottom), vistest::Rgb(LightenColor(clBtnShadow, 255)));
}

TEST_F(TabPaintTest, MultiLineAndTextOrientationPictures) {
  tabs->PlaceBounds(0, 0, 300, 200);
  tabs->SetMultiLine(true);
  tabs->SetTabStyle(tsRoundCorners);
  for (const char* c : {"Log Info", "Label Editor", "Setup", "Printers", "Captions", "About", "More"})
    tabs->AddTab(c);
  tabs->SetTabIndex(4);
  ShowForm();
  tabs->Repaint();
  gui::test::SaveWindowPng(tabs->Handle(), PictureDir() + "multiline.png");
  EXPECT_GE(tabs->RowCount(), 2);
  tabs->SetTabOrientation(toLeft);
  tabs->SetTextOrientation(orVertical);
  tabs->Repaint();
  gui::test::SaveWindowPng(tabs->Handle(), PictureDir() + "vertical-left.png");
  TRect r = tabs->TabClientRect(4);
  EXPECT_GT(r.Height(), r.Width());
}

}  // namespace

namespace {

// The outline's polygon region, made afresh from the outline's points.
gui::UniqueGdi<gui::HRGN> OutlineRegion(ctltest::TTestTabs* Tabs, int Index) {
  std::array<TPoint, 20> points{};
  int n = Tabs->TabOutline(Index, points);
  for (int i = 0; i < n; ++i) points[static_cast<std::size_t>(i)] = Tabs->NormalToClient(points[static_cast<std::size_t>(i)]);
  return gui::UniqueGdi<gui::HRGN>(gui::CreatePolygonRgn(points.data(), n, gui::ALTERNATE));
}

}  // namespace

// Tabs of one shape share one region moved into place: every tab's region
// is still exactly its own outline's, on every side and in every style.
TEST_F(TabPaintTest, RegionsOfTabsOfOneShapeAreEachTheirOwnOutlines) {
  for (int style = 0; style < 6; ++style)
    for (int side = 0; side < 4; ++side) {
      SCOPED_TRACE(std::string(kStyleNames[style]) + " " + kSideNames[side]);
      delete tabs;
      tabs = new ctltest::TTestTabs(form);
      tabs->SetParent(form);
      tabs->PlaceBounds(0, 0, 300, 260);
      tabs->SetTabStyle(static_cast<TVkTabStyle>(style));
      tabs->SetTabOrientation(static_cast<TVkTabOrientation>(side));
      tabs->SetSoftCorners(side % 2 == 0);
      tabs->SetMultiLine(true);
      tabs->SetRowIndent(3);
      FixedTabs(12, 50, 20);
      tabs->SetTabIndex(5);
      tabs->Layout();
      for (int i = 0; i < 12; ++i) {
        gui::UniqueGdi<gui::HRGN> expected = OutlineRegion(tabs, i);
        gui::HRGN region = tabs->TabRegion(i);
        ASSERT_FALSE(gui::IsNull(region)) << i;
        EXPECT_TRUE(gui::EqualRgn(region, expected.get())) << "tab " << i;
      }
    }
}

// Over a background whose colour changes from row to row the shadow down
// the card's right edge still darkens each pixel by what lies behind it,
// and the run along the bottom darkens its row's colour.
TEST_F(TabPaintTest, ShadowOverAStripedBackgroundDarkensEachPixel) {
  constexpr TColor kEven = 0x40A0E0, kOdd = 0xE0A040;
  form->OnPaint = [this](TObject*) {
    TCanvas* c = form->Canvas();
    for (int y = 0; y < form->ClientHeight(); ++y) {
      c->Brush()->SetColor(y % 2 ? kOdd : kEven);
      c->FillRect(TRect{0, y, form->ClientWidth(), y + 1});
    }
  };
  tabs->SetShowShadow(true);
  tabs->PlaceBounds(0, 0, 300, 200);
  tabs->SetColor(kCard);
  FixedTabs(3, 70, 24);
  tabs->SetTabIndex(0);
  ShowForm();
  tabs->Repaint();
  vistest::Picture pic(tabs->Handle());
  int x = tabs->Width() - 1;
  for (int y = 60; y < 70; ++y)
    EXPECT_EQ(pic.At(x, y), vistest::Rgb(MixColors(clBlack, y % 2 ? kOdd : kEven, 15))) << y;
  int bottom = tabs->Height() - 1;
  EXPECT_EQ(pic.At(150, bottom), vistest::Rgb(MixColors(clBlack, bottom % 2 ? kOdd : kEven, 15)));
}

namespace {

// The focus rectangle of the selected tab keeps a clear pixel between it and
// the caption's ink, also on tabs just as tall as their captions need, where
// the font's ascent reaches the top of the text's line box.
TEST_F(TabFormTest, TheFocusRectangleKeepsClearOfTheCaption) {
  tabs->PlaceBounds(0, 0, 300, 60);
  tabs->Font()->SetName("Tahoma");
  tabs->Font()->SetHeight(-11);
  for (const char* caption : {"Log Info", "Label Editor", "Setup"}) tabs->AddTab(caption);
  tabs->SetTabIndex(0);
  auto* other = new ctltest::TTestTabs(form);
  other->SetParent(form);
  other->PlaceBounds(0, 100, 100, 40);
  other->AddTab("x");
  ShowForm();
  const auto picture = [&](TWinControl* Focused) {
    Focused->SetFocus();
    vistest::Pump();
    tabs->Repaint();
    return vistest::Picture(tabs->Handle());
  };
  const vistest::Picture focused = picture(tabs);
  const vistest::Picture unfocused = picture(other);
  const int width = 120, height = tabs->FixedDimension();
  ASSERT_GT(height, 10);
  int focusPixels = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (focused.At(x, y) == unfocused.At(x, y)) continue;
      ++focusPixels;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
          EXPECT_NE(unfocused.At(nx, ny), 0x000000u)
              << "the focus rectangle at (" << x << ", " << y << ") touches the caption at (" << nx << ", " << ny << ")";
        }
      }
    }
  }
  EXPECT_GT(focusPixels, 20) << "a focus rectangle is drawn";
}

}  // namespace
