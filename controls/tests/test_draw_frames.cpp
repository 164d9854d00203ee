// Sides, bevels, frames by style, borders, the control frame and the focus
// frame: exact pixels and the rectangles left inside.
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkSystem.h"
#include "controls/tests/DrawTest.h"

namespace {

using ctltest::Surface;

TEST(PaintSides, DrawsTheChosenSidesWithLowerRightCornersAndShrinksByThem) {
  Surface s(6, 5);
  TRect r = PaintSides(s.Canvas(), Rect(0, 0, 6, 5), clRed, clBlue, kAllSides);
  EXPECT_EQ(r, Rect(1, 1, 5, 4));
  auto legend = {std::pair{clRed, 'r'}, std::pair{clBlue, 'b'}, std::pair{clWhite, '.'}};
  EXPECT_EQ(s.Row(0, legend), "rrrrrb");
  EXPECT_EQ(s.Row(2, legend), "r....b");
  EXPECT_EQ(s.Row(4, legend), "bbbbbb");

  Surface t(6, 5);
  r = PaintSides(t.Canvas(), Rect(0, 0, 6, 5), clRed, clBlue, SideBit(sdTop) | SideBit(sdRight));
  EXPECT_EQ(r, Rect(0, 1, 5, 5));
  EXPECT_EQ(t.Row(0, legend), "rrrrrb");
  EXPECT_EQ(t.Row(4, legend), ".....b");
}

TEST(PaintSides, NoSidesOrNoColoursDrawNothing) {
  Surface s(6, 5);
  EXPECT_EQ(PaintSides(s.Canvas(), Rect(0, 0, 6, 5), clRed, clBlue, kNoSides), Rect(0, 0, 6, 5));
  EXPECT_EQ(PaintSides(s.Canvas(), Rect(0, 0, 6, 5), clNone, clNone, kAllSides), Rect(1, 1, 5, 4))
      << "clNone still shrinks the present sides";
  for (TColor c : s.All()) ASSERT_EQ(c, clWhite);
}

TEST(FrameStyles, EachStyleLeavesItsWidthInsideOnEachPresentSide) {
  struct Case {
    TFrameStyleEx style;
    int width;
  } cases[] = {{fsNone, 0},   {fsFlat, 1},    {fsGroove, 2}, {fsBump, 2},   {fsLowered, 2}, {fsButtonDown, 2},
               {fsRaised, 2}, {fsButtonUp, 2}, {fsStatus, 1}, {fsPopup, 1}, {fsFlatBold, 2}};
  for (const Case& c : cases)
    for (TSides sides : {kAllSides, SideBit(sdLeft) | SideBit(sdBottom), SideBit(sdTop)}) {
      Surface s(12, 10);
      TRect r = PaintFrameStyle(s.Canvas(), Rect(0, 0, 12, 10), c.style, sides);
      TRect expect = Rect(HasSide(sides, sdLeft) ? c.width : 0, HasSide(sides, sdTop) ? c.width : 0,
                          12 - (HasSide(sides, sdRight) ? c.width : 0), 10 - (HasSide(sides, sdBottom) ? c.width : 0));
      EXPECT_EQ(r, expect) << c.style << " sides " << sides;
      Surface t(12, 10);
      EXPECT_EQ(PaintTintedFrameStyle(t.Canvas(), Rect(0, 0, 12, 10), clBtnFace, sides, c.style), expect);
      // Nothing is drawn inside the result.
      for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) ASSERT_EQ(s.At(x, y), clWhite) << c.style << " " << x << "," << y;
    }
}

TEST(FrameStyles, TwoRingBevelsUseTheirSystemColours) {
  Surface s(8, 8);
  PaintFrameStyle(s.Canvas(), Rect(0, 0, 8, 8), fsLowered);
  EXPECT_EQ(s.At(0, 3), ColorToRGB(clBtnShadow));
  EXPECT_EQ(s.At(7, 3), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(s.At(1, 3), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(s.At(6, 3), ColorToRGB(cl3DLight));
  PaintFrameStyle(s.Canvas(), Rect(0, 0, 8, 8), fsRaised);
  EXPECT_EQ(s.At(3, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(s.At(3, 7), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(s.At(3, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(s.At(3, 6), ColorToRGB(clBtnShadow));
}

TEST(FrameStyles, EtchedLookCutsTheEndsOfOpenSides) {
  // Groove on left and top only: the outline pair is offset by one, the
  // loose ends get their cut pixels.
  Surface s(6, 6, clYellow);
  TColor ul = ColorToRGB(clBtnShadow), lr = ColorToRGB(clBtnHighlight);
  auto legend = {std::pair{clBtnShadow, 's'}, std::pair{clBtnHighlight, 'h'}, std::pair{clYellow, '.'}};
  TRect r = PaintFrameStyle(s.Canvas(), Rect(0, 0, 6, 6), fsGroove, SideBit(sdLeft) | SideBit(sdTop));
  EXPECT_EQ(r, Rect(2, 2, 6, 6));
  EXPECT_EQ(s.Row(0, legend), "ssssss");
  EXPECT_EQ(s.Row(1, legend), "shhhhh");
  EXPECT_EQ(s.Row(5, legend), "sh....");
  EXPECT_EQ(s.At(5, 0), ul) << "top without right: the end pixel in the upper-left colour";
  EXPECT_EQ(s.At(1, 5), lr);
}

TEST(FrameStyles, TintedStylesUseShadesOfTheBase) {
  Surface s(8, 8);
  TColor base = 0x40A0C0;
  PaintTintedFrameStyle(s.Canvas(), Rect(0, 0, 8, 8), base, fsLowered);
  EXPECT_EQ(s.At(0, 3), DarkenColor(base, 50));
  EXPECT_EQ(s.At(7, 3), LightenColor(base, 100));
  EXPECT_EQ(s.At(1, 3), DarkenColor(base, 100));
  EXPECT_EQ(s.At(6, 3), LightenColor(base, 50));
  PaintTintedButtonBevel(s.Canvas(), Rect(0, 0, 8, 8), base, true);
  EXPECT_EQ(s.At(0, 3), DarkenColor(base, 100));
  EXPECT_EQ(s.At(7, 3), DarkenColor(base, 100));
  EXPECT_EQ(s.At(1, 3), DarkenColor(base, 50));
}

TEST(RoundedSides, CutTheCornersAndLeaveTwoPixelsInside) {
  Surface s(7, 6);
  TRect r = PaintRoundedFlatSides(s.Canvas(), Rect(0, 0, 7, 6), clRed, kAllSides);
  EXPECT_EQ(r, Rect(2, 2, 5, 4));
  auto legend = {std::pair{clRed, 'r'}, std::pair{clWhite, '.'}};
  EXPECT_EQ(s.Row(0, legend), "..rrr..");
  EXPECT_EQ(s.Row(1, legend), ".r...r.");
  EXPECT_EQ(s.Row(2, legend), "r.....r");
  EXPECT_EQ(s.Row(4, legend), ".r...r.");
  EXPECT_EQ(s.Row(5, legend), "..rrr..");
}

TEST(InnerOuterBorders, StacksTheBandsAndClampsTheFlatAdjustment) {
  Surface s(20, 20);
  EXPECT_EQ(PaintInnerOuterBorders(s.Canvas(), Rect(0, 0, 20, 20), fsNone, fsNone, 0, kAllSides, 1, clBlack, clWhite,
                                   clGray, clBtnShadow, 0, clBtnFace, clBtnFace, false),
            Rect(0, 0, 20, 20));
  TRect r = PaintInnerOuterBorders(s.Canvas(), Rect(0, 0, 20, 20), fsFlat, fsLowered, 2, kAllSides, 1, clRed, clWhite,
                                   clGray, clBtnShadow, 30, clBtnFace, clBtnFace, false);
  EXPECT_EQ(r, Rect(5, 5, 15, 15)) << "1 flat + 2 border + 2 bevel";
  EXPECT_EQ(s.At(0, 10), LightenColor(clBtnShadow, 30));
  EXPECT_EQ(s.At(1, 10), clRed);
  EXPECT_EQ(s.At(2, 10), clRed);
  EXPECT_EQ(s.At(3, 10), ColorToRGB(clBtnShadow));
  // A stored adjustment outside -255..255 paints as the limit instead of failing.
  Surface t(10, 10);
  PaintInnerOuterBorders(t.Canvas(), Rect(0, 0, 10, 10), fsFlat, fsNone, 0, kAllSides, 1, clBlack, clWhite, clGray,
                         clNavy, -400, clBtnFace, clBtnFace, false);
  EXPECT_EQ(t.At(0, 5), clBlack);
  // Status and popup bands take the bevel width.
  Surface u(10, 10);
  EXPECT_EQ(PaintInnerOuterBorders(u.Canvas(), Rect(0, 0, 10, 10), fsStatus, fsNone, 0, kAllSides, 2, clBlack, clWhite,
                                   clGray, clNavy, 0, clBtnFace, clBtnFace, false),
            Rect(2, 2, 8, 8));
  EXPECT_EQ(u.At(1, 5), clGray);
  EXPECT_EQ(u.At(8, 5), clWhite);
}

TEST(InnerOuterBorders, RoundedOuterBandShowsTheParentInTheCorners) {
  Surface s(10, 10);
  TRect r = PaintInnerOuterBorders(s.Canvas(), Rect(0, 0, 10, 10), fsFlatRounded, fsNone, 0, kAllSides, 1, clRed,
                                   clWhite, clGray, clNavy, 0, clLime, clYellow, false);
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
  EXPECT_EQ(s.At(0, 0), clYellow) << "the parent's colour in the cut corner";
  EXPECT_EQ(s.At(1, 1), clNavy) << "the diagonal corner pixel";
  EXPECT_EQ(s.At(1, 5), clLime) << "no border: the control's colour inside the outline";
  EXPECT_EQ(s.At(0, 5), clNavy);
}

TEST(ControlFrame, ClearsTwoPixelsThenFramesByStyle) {
  Surface s(10, 8, clBlack);
  TRect r = PaintControlFrame(s.Canvas(), 10, 8, fsFlat, clWindow, clRed, kAllSides);
  EXPECT_EQ(r, Rect(1, 1, 9, 7));
  EXPECT_EQ(s.At(0, 3), clRed);
  EXPECT_EQ(s.At(1, 3), ColorToRGB(clWindow)) << "the second pixel cleared to the colour";
  EXPECT_EQ(s.At(2, 3), clBlack) << "inside untouched";
  // Another colour than clWindow: a lowered frame in shades of it.
  TColor base = 0x80C0E0;
  PaintControlFrame(s.Canvas(), 10, 8, fsLowered, base, clRed, kAllSides);
  EXPECT_EQ(s.At(0, 3), DarkenColor(base, 50));
  EXPECT_EQ(s.At(1, 3), DarkenColor(base, 100));
  PaintControlFrame(s.Canvas(), 10, 8, fsLowered, clWindow, clRed, kAllSides);
  EXPECT_EQ(s.At(0, 3), ColorToRGB(clBtnShadow));
  r = PaintControlFrame(s.Canvas(), 10, 8, fsFlatBold, clWindow, clBlue, SideBit(sdBottom));
  EXPECT_EQ(r, Rect(0, 0, 10, 6));
  EXPECT_EQ(s.At(4, 7), clBlue);
  EXPECT_EQ(s.At(4, 6), clBlue);
  EXPECT_EQ(s.At(0, 3), ColorToRGB(clWindow));
}

TEST(FocusFrame, EverySecondPixelOfTheOutline) {
  Surface s(7, 5);
  EXPECT_EQ(PaintDottedFocusFrame(s.Canvas(), Rect(0, 0, 7, 5)), Rect(1, 1, 6, 4));
  auto legend = {std::pair{clBlack, '#'}, std::pair{clWhite, '.'}};
  EXPECT_EQ(s.Row(0, legend), ".#.#.#.");
  EXPECT_EQ(s.Row(1, legend), "#.....#");
  EXPECT_EQ(s.Row(2, legend), ".......");
  EXPECT_EQ(s.Row(3, legend), "#.....#");
  EXPECT_EQ(s.Row(4, legend), ".#.#.#.");
}

TEST(Glyphs, ClassicArrowsAreTrianglesOfPixelsAndRestoreTheCanvas) {
  Surface s(16, 16);
  s.Canvas()->Brush()->SetColor(clWhite);
  PaintDropDownArrow(s.Canvas(), Rect(0, 0, 16, 16), false, true);
  // Centre (8, 7) for an even height, two rows down: apex at (8, 9).
  auto legend = {std::pair{clBlack, '#'}, std::pair{clWhite, '.'}};
  EXPECT_EQ(s.Row(9, legend), "........#.......");
  EXPECT_EQ(s.Row(8, legend), ".......###......");
  EXPECT_EQ(s.Row(6, legend), ".....#######....");
  EXPECT_EQ(s.Canvas()->Brush()->Color(), clWhite);
  EXPECT_EQ(s.Canvas()->Pen()->Style(), psSolid);
  Surface d(16, 16);
  PaintScrollArrow(d.Canvas(), Rect(0, 0, 16, 16), false, false, 3);
  // Right: apex at (CX + 3, CY) with CX = 8 - 2.
  EXPECT_EQ(d.At(9, 7), ColorToRGB(clBtnShadow)) << "disabled arrows are in the shadow colour";
  EXPECT_EQ(d.At(6, 4), ColorToRGB(clBtnShadow));
  EXPECT_EQ(d.At(10, 7), clWhite);
  Surface x(16, 16);
  PaintCloseGlyph(x.Canvas(), Rect(0, 0, 16, 16), false, true);
  EXPECT_EQ(x.At(8, 7), clBlack) << "the cross's middle";
  EXPECT_EQ(x.At(1, 1), clWhite);
}

}  // namespace

namespace {

using ParentBackground = vistest::FormTest;

TEST_F(ParentBackground, TheParentPaintsItsBackgroundUnderTheControl) {
  form->SetColor(clTeal);
  auto* child = new TGraphicControl(form);
  child->SetParent(form);
  child->PlaceBounds(10, 10, 20, 20);
  form->Show();
  ctltest::Surface s(20, 20, clWhite);
  PaintParentBackground(child, s.Canvas()->Handle(), false);
  EXPECT_EQ(s.At(0, 0), clTeal);
  EXPECT_EQ(s.At(19, 19), clTeal);
  // Without a parent nothing happens.
  TGraphicControl orphan(nullptr);
  ctltest::Surface t(4, 4, clWhite);
  PaintParentBackground(&orphan, t.Canvas()->Handle(), true);
  EXPECT_EQ(t.At(1, 1), clWhite);
}

TEST(Screen, TheTestScreenIsFullColour) {
  EXPECT_TRUE(ScreenIsFullColor());
  EXPECT_TRUE(FullColorScreen());
}

}  // namespace
