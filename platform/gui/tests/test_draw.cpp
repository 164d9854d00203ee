// Drawing calls and raster operations against exact pixels.
#include "platform/gui/tests/GuiTest.h"

using namespace gui;
using guitest::Canvas;

namespace {

class GuiDraw : public guitest::GuiTest {};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

TEST_F(GuiDraw, LinesLeaveOutTheirEndPoint) {
  Canvas c(10, 10);
  SelectObject(c.dc(), GetStockPen(BLACK_PEN));
  MoveToEx(c.dc(), 1, 1, nullptr);
  LineTo(c.dc(), 6, 1);
  EXPECT_EQ(c.Row(1), ".#####....");
  LineTo(c.dc(), 6, 4);  // from where the last line ended
  EXPECT_EQ(c.At(6, 1), 0u);
  EXPECT_EQ(c.At(6, 3), 0u);
  EXPECT_EQ(c.At(6, 4), 0xFFFFFFu);
  MoveToEx(c.dc(), 0, 5, nullptr);
  LineTo(c.dc(), 4, 9);
  EXPECT_EQ(c.Row(5, 0, 5), "#....");
  EXPECT_EQ(c.Row(8, 0, 5), "...#.");
  EXPECT_EQ(c.Row(9, 0, 5), ".....");
  Point p;
  GetCurrentPositionEx(c.dc(), p);
  EXPECT_EQ(p, (Point{4, 9}));
}

// Straight runs are one fill each: they still leave out their end point in
// every direction, and with a mixing pen a pixel crossed twice is mixed
// twice (an XOR there comes back to the background).
TEST_F(GuiDraw, StraightLinesInEveryDirectionMixEachPixelTheyCrossOnce) {
  Canvas c(10, 10);
  UniqueGdi<HPEN> white(CreatePen(PS_SOLID, 1, 0xFFFFFF));
  SelectObject(c.dc(), white.get());
  SetROP2(c.dc(), R2_XORPEN);
  Point there[] = {{1, 1}, {6, 1}, {2, 1}};
  Polyline(c.dc(), there, 3);
  EXPECT_EQ(c.Row(1), ".##...#...");
  MoveToEx(c.dc(), 8, 8, nullptr);
  LineTo(c.dc(), 8, 3);  // upward: 8..4
  EXPECT_EQ(c.Row(8, 8, 9) + c.Row(4, 8, 9) + c.Row(3, 8, 9), "##.");
  LineTo(c.dc(), 3, 3);  // leftward: 8..4
  EXPECT_EQ(c.Row(3), "....#####.");
  // A closed outline: every side pixel once, the corners too.
  Canvas d(8, 8);
  SelectObject(d.dc(), white.get());
  SetROP2(d.dc(), R2_XORPEN);
  SelectObject(d.dc(), GetStockBrush(NULL_BRUSH));
  Rectangle(d.dc(), 1, 1, 6, 5);
  EXPECT_EQ(d.Row(1), ".#####..");
  EXPECT_EQ(d.Row(2), ".#...#..");
  EXPECT_EQ(d.Row(4), ".#####..");
  SetROP2(c.dc(), R2_COPYPEN);
  SetROP2(d.dc(), R2_COPYPEN);
  SelectObject(c.dc(), GetStockPen(BLACK_PEN));
  SelectObject(d.dc(), GetStockPen(BLACK_PEN));
  SelectObject(d.dc(), GetStockBrush(WHITE_BRUSH));
}

// Pixels in and out of a bitmap wider than it is tall and of a monochrome
// one, row by row.
TEST_F(GuiDraw, BitmapPixelsGoInAndComeOutRowByRow) {
  std::vector<std::uint32_t> px{0x010203, 0x040506, 0x070809, 0xFFFFFF, 0x102030, 0x405060};
  UniqueGdi<HBITMAP> colour(CreateBitmap(3, 2, 1, 32, nullptr));
  ASSERT_TRUE(SetBitmapPixels(colour.get(), px));
  EXPECT_EQ(GetBitmapPixels(colour.get()), px);
  UniqueGdi<HBITMAP> mono(CreateBitmap(3, 2, 1, 1, nullptr));
  ASSERT_TRUE(SetBitmapPixels(mono.get(), std::vector<std::uint32_t>{0x808080, 0x7F7F7F, 0, 0xFFFFFF, 0x80807F, 1}));
  EXPECT_EQ(GetBitmapPixels(mono.get()), (std::vector<std::uint32_t>{0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0}));
  EXPECT_FALSE(SetBitmapPixels(colour.get(), std::vector<std::uint32_t>(5)));
}

TEST_F(GuiDraw, SidesPaintedLikeABevelGiveTheOuterCornersToTheLowerRightColour) {
  // Left and top in one colour, then right and bottom in another: the
  // top-right and bottom-left corner pixels take the second colour.
  Canvas c(6, 6);
  UniqueGdi<HPEN> ul(CreatePen(PS_SOLID, 1, kRed)), lr(CreatePen(PS_SOLID, 1, kBlue));
  HDC dc = c.dc();
  SelectObject(dc, ul.get());
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, 0, 6);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, 6, 0);
  SelectObject(dc, lr.get());
  MoveToEx(dc, 5, 0, nullptr);
  LineTo(dc, 5, 6);
  MoveToEx(dc, 0, 5, nullptr);
  LineTo(dc, 6, 5);
  SelectObject(dc, GetStockPen(BLACK_PEN));
  EXPECT_EQ(c.At(0, 0), kRed);
  EXPECT_EQ(c.At(5, 0), kBlue);
  EXPECT_EQ(c.At(0, 5), kBlue);
  EXPECT_EQ(c.At(5, 5), kBlue);
  EXPECT_EQ(c.At(0, 3), kRed);
}

TEST_F(GuiDraw, RectangleOutlinesInsideAndFillsWithTheBrush) {
  Canvas c(8, 8);
  UniqueGdi<HBRUSH> red(CreateSolidBrush(kRed));
  SelectObject(c.dc(), red.get());
  SelectObject(c.dc(), GetStockPen(BLACK_PEN));
  Rectangle(c.dc(), 1, 1, 6, 5);
  EXPECT_EQ(c.Row(1), ".#####..");
  EXPECT_EQ(c.Row(2), ".#???#..");
  EXPECT_EQ(c.At(2, 2), kRed);
  EXPECT_EQ(c.Row(4), ".#####..");
  EXPECT_EQ(c.Row(5), "........");
  // Without a pen the filled area is a pixel smaller on the right and bottom.
  Canvas d(8, 8);
  SelectObject(d.dc(), red.get());
  SelectObject(d.dc(), GetStockPen(NULL_PEN));
  Rectangle(d.dc(), 1, 1, 6, 5);
  EXPECT_EQ(d.At(4, 3), kRed);
  EXPECT_EQ(d.At(5, 3), 0xFFFFFFu);
  EXPECT_EQ(d.At(4, 4), 0xFFFFFFu);
  SelectObject(c.dc(), GetStockBrush(WHITE_BRUSH));
  SelectObject(d.dc(), GetStockBrush(WHITE_BRUSH));
}

TEST_F(GuiDraw, DottedPenAndItsGaps) {
  Canvas c(10, 3);
  UniqueGdi<HPEN> dot(CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
  SelectObject(c.dc(), dot.get());
  SetBkMode(c.dc(), TRANSPARENT);
  SetBkColor(c.dc(), kRed);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 10, 0);
  EXPECT_EQ(c.Row(0), "#.#.#.#.#.");
  SetBkMode(c.dc(), OPAQUE);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 4, 1);
  EXPECT_EQ(c.At(0, 1), 0u);
  EXPECT_EQ(c.At(1, 1), kRed);
  UniqueGdi<HPEN> wide(CreatePen(PS_SOLID, 3, RGB(0, 0, 0)));
  Canvas w(10, 9);
  SelectObject(w.dc(), wide.get());
  MoveToEx(w.dc(), 2, 4, nullptr);
  LineTo(w.dc(), 7, 4);
  EXPECT_EQ(w.At(4, 3), 0u);
  EXPECT_EQ(w.At(4, 5), 0u);
  EXPECT_EQ(w.At(4, 1), 0xFFFFFFu);
  SelectObject(c.dc(), GetStockPen(BLACK_PEN));
  SelectObject(w.dc(), GetStockPen(BLACK_PEN));
}

TEST_F(GuiDraw, PolygonFillModesAndRegionsAgree) {
  Point star[5] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  Canvas alt(21, 21), wind(21, 21);
  for (Canvas* c : {&alt, &wind}) {
    SelectObject(c->dc(), GetStockPen(NULL_PEN));
    SelectObject(c->dc(), GetStockBrush(BLACK_BRUSH));
    SetPolyFillMode(c->dc(), c == &alt ? ALTERNATE : WINDING);
    Polygon(c->dc(), star, 5);
  }
  EXPECT_EQ(alt.At(10, 10), 0xFFFFFFu);  // the centre of a five-pointed star is outside by parity
  EXPECT_EQ(wind.At(10, 10), 0u);
  UniqueGdi<HRGN> ra(CreatePolygonRgn(star, 5, ALTERNATE)), rw(CreatePolygonRgn(star, 5, WINDING));
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      EXPECT_EQ(PtInRegion(ra.get(), x, y), alt.At(x, y) == 0) << x << "," << y;
      EXPECT_EQ(PtInRegion(rw.get(), x, y), wind.At(x, y) == 0) << x << "," << y;
    }
  Point square[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  UniqueGdi<HRGN> sq(CreatePolygonRgn(square, 4, ALTERNATE));
  Rect box;
  EXPECT_EQ(GetRgnBox(sq.get(), box), SIMPLEREGION);
  EXPECT_EQ(box, (Rect{0, 0, 10, 10}));
  for (Canvas* c : {&alt, &wind}) {
    SelectObject(c->dc(), GetStockPen(BLACK_PEN));
    SelectObject(c->dc(), GetStockBrush(WHITE_BRUSH));
  }
}

TEST_F(GuiDraw, PatternBrushesRepeatFromTheBrushOrigin) {
  std::uint32_t bits[64];
  for (int i = 0; i < 64; ++i) bits[i] = (i % 8 == 0 && i / 8 == 0) ? 0x000000 : 0xFFFFFF;  // one black pixel
  UniqueGdi<HBITMAP> pat(CreateBitmapFromPixels(8, 8, bits));
  UniqueGdi<HBRUSH> brush(CreatePatternBrush(pat.get()));
  Canvas c(20, 20);
  FillRect(c.dc(), Rect{0, 0, 20, 20}, brush.get());
  EXPECT_EQ(c.At(0, 0), 0u);
  EXPECT_EQ(c.At(8, 16), 0u);
  EXPECT_EQ(c.At(1, 0), 0xFFFFFFu);
  SetBrushOrgEx(c.dc(), 3, 2, nullptr);
  FillRect(c.dc(), Rect{0, 0, 20, 20}, brush.get());
  EXPECT_EQ(c.At(3, 2), 0u);
  EXPECT_EQ(c.At(11, 10), 0u);
  EXPECT_EQ(c.At(0, 0), 0xFFFFFFu);
  // A monochrome pattern paints 0 bits in the text colour, 1 bits in the background colour.
  const std::uint8_t mono[16] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
  UniqueGdi<HBITMAP> mb(CreateBitmap(8, 8, 1, 1, mono));
  UniqueGdi<HBRUSH> mbrush(CreatePatternBrush(mb.get()));
  Canvas m(8, 8);
  SetBrushOrgEx(m.dc(), 0, 0, nullptr);
  SetTextColor(m.dc(), kRed);
  SetBkColor(m.dc(), kBlue);
  FillRect(m.dc(), Rect{0, 0, 8, 8}, mbrush.get());
  EXPECT_EQ(m.At(0, 0), kRed);   // bit 0x80 of 0x55 is 0
  EXPECT_EQ(m.At(1, 0), kBlue);
  EXPECT_EQ(m.At(0, 1), kBlue);
}

// The result of one raster operation on a source and destination colour.
COLORREF Blt(COLORREF src, COLORREF dst, DWORD rop, COLORREF brush = 0) {
  Canvas s(2, 2), d(2, 2);
  UniqueGdi<HBRUSH> sb(CreateSolidBrush(src)), db(CreateSolidBrush(dst)), bb(CreateSolidBrush(brush));
  FillRect(s.dc(), Rect{0, 0, 2, 2}, sb.get());
  FillRect(d.dc(), Rect{0, 0, 2, 2}, db.get());
  HBRUSH old = SelectObject(d.dc(), bb.get());
  BitBlt(d.dc(), 0, 0, 2, 2, s.dc(), 0, 0, rop);
  SelectObject(d.dc(), old);
  return d.At(1, 1);
}

TEST_F(GuiDraw, RasterOperationsCombineSourceDestinationAndBrush) {
  const COLORREF s = RGB(0xF0, 0x0F, 0x33), d = RGB(0xAA, 0x55, 0x0F), b = RGB(0x12, 0x34, 0x56);
  EXPECT_EQ(Blt(s, d, SRCCOPY), s);
  EXPECT_EQ(Blt(s, d, SRCAND), s & d);
  EXPECT_EQ(Blt(s, d, SRCPAINT), s | d);
  EXPECT_EQ(Blt(s, d, SRCINVERT), s ^ d);
  EXPECT_EQ(Blt(s, d, SRCERASE), s & (~d & 0xFFFFFF));
  EXPECT_EQ(Blt(s, d, NOTSRCCOPY), ~s & 0xFFFFFF);
  EXPECT_EQ(Blt(s, d, DSTINVERT), ~d & 0xFFFFFF);
  EXPECT_EQ(Blt(s, d, BLACKNESS), 0u);
  EXPECT_EQ(Blt(s, d, WHITENESS), 0xFFFFFFu);
  EXPECT_EQ(Blt(s, d, PATCOPY, b), b);
  EXPECT_EQ(Blt(s, d, PATINVERT, b), b ^ d);
  EXPECT_EQ(Blt(s, d, MERGECOPY, b), s & b);
  // Twice SRCINVERT is no change.
  Canvas a(4, 4), m(4, 4);
  UniqueGdi<HBRUSH> red(CreateSolidBrush(kRed));
  FillRect(m.dc(), Rect{0, 0, 4, 4}, red.get());
  BitBlt(a.dc(), 0, 0, 4, 4, m.dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(a.At(2, 2), RGB(0, 255, 255));
  BitBlt(a.dc(), 0, 0, 4, 4, m.dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(a.At(2, 2), 0xFFFFFFu);
}

TEST_F(GuiDraw, MonochromeBitmapsConvertThroughTheContextColours) {
  // A colour image becomes a mask: 1 (white) where it equals the source's
  // background colour.
  Canvas colour(4, 1);
  SetPixel(colour.dc(), 1, 0, kRed);
  SetPixel(colour.dc(), 2, 0, kRed);
  Canvas mask(4, 1, 1);
  SetBkColor(colour.dc(), kRed);
  BitBlt(mask.dc(), 0, 0, 4, 1, colour.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(mask.Row(0), "#..#");
  // Drawn on colour: 0 bits in the destination's text colour, 1 bits in its background colour.
  Canvas out(4, 1);
  SetTextColor(out.dc(), kBlue);
  SetBkColor(out.dc(), RGB(0, 255, 0));
  BitBlt(out.dc(), 0, 0, 4, 1, mask.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(out.At(0, 0), kBlue);
  EXPECT_EQ(out.At(1, 0), RGB(0, 255, 0));
  // Masked copy: SRCAND with the mask (black where opaque), SRCPAINT with the image.
  Canvas dst(4, 1);
  UniqueGdi<HBRUSH> grey(CreateSolidBrush(RGB(100, 100, 100)));
  FillRect(dst.dc(), Rect{0, 0, 4, 1}, grey.get());
  Canvas img(4, 1);
  FillRect(img.dc(), Rect{0, 0, 4, 1}, GetStockBrush(BLACK_BRUSH));
  SetPixel(img.dc(), 0, 0, kBlue);
  SetPixel(img.dc(), 3, 0, kBlue);
  SetTextColor(dst.dc(), 0);
  SetBkColor(dst.dc(), 0xFFFFFF);
  BitBlt(dst.dc(), 0, 0, 4, 1, mask.dc(), 0, 0, SRCAND);
  BitBlt(dst.dc(), 0, 0, 4, 1, img.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(dst.At(0, 0), kBlue);
  EXPECT_EQ(dst.At(1, 0), RGB(100, 100, 100));
  EXPECT_EQ(dst.At(3, 0), kBlue);
}

TEST_F(GuiDraw, StretchAndMirror) {
  Canvas src(2, 2);
  SetPixel(src.dc(), 0, 0, kRed);
  SetPixel(src.dc(), 1, 1, kBlue);
  Canvas big(4, 4);
  StretchBlt(big.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(big.At(0, 0), kRed);
  EXPECT_EQ(big.At(1, 1), kRed);
  EXPECT_EQ(big.At(3, 3), kBlue);
  EXPECT_EQ(big.At(2, 0), 0xFFFFFFu);
  // A negative width runs left from the corner (included): a mirror image.
  Canvas m(4, 2);
  StretchBlt(m.dc(), 3, 0, -4, 2, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(m.At(3, 0), kRed);
  EXPECT_EQ(m.At(2, 0), kRed);
  EXPECT_EQ(m.At(0, 1), kBlue);
  // A negative height mirrors vertically (the lower-left quarter of a mirrored gradient).
  Canvas v(2, 4);
  StretchBlt(v.dc(), 0, 3, 2, -2, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(v.At(0, 3), kRed);
  EXPECT_EQ(v.At(1, 2), kBlue);
  EXPECT_EQ(v.At(0, 0), 0xFFFFFFu);
}

TEST_F(GuiDraw, UnstretchedCopiesWithinAndBetweenSurfacesAndMirrorsArePixelExact) {
  Canvas src(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) SetPixel(src.dc(), x, y, RGB(x * 40, y * 90, 7));
  // Between surfaces, partly beyond the source: white where there is nothing.
  Canvas dst(4, 2);
  BitBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 1, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 1), RGB(40, 90, 7));
  EXPECT_EQ(dst.At(1, 0), RGB(80, 0, 7));
  EXPECT_EQ(dst.At(2, 0), 0xFFFFFFu);
  // Within one surface (doubling a block next to itself).
  BitBlt(src.dc(), 1, 0, 2, 2, src.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(src.At(1, 1), RGB(0, 90, 7));
  EXPECT_EQ(src.At(2, 0), RGB(40, 0, 7));
  // Mirrored on both axes without stretching.
  Canvas m(3, 2);
  StretchBlt(m.dc(), 2, 1, -3, -2, src.dc(), 0, 0, 3, 2, SRCCOPY);
  EXPECT_EQ(m.At(2, 1), src.At(0, 0));
  EXPECT_EQ(m.At(0, 0), src.At(2, 1));
  EXPECT_EQ(m.At(1, 0), src.At(1, 1));
  // Another raster operation on the direct path.
  Canvas o(3, 2);
  BitBlt(o.dc(), 0, 0, 3, 2, src.dc(), 0, 0, SRCAND);
  EXPECT_EQ(o.At(2, 1), src.At(2, 1)) << "white AND the source is the source";
}

TEST_F(GuiDraw, TransparentCopyLeavesTheKeyColour) {
  Canvas src(3, 1), dst(3, 1);
  UniqueGdi<HBRUSH> olive(CreateSolidBrush(RGB(128, 128, 0))), grey(CreateSolidBrush(RGB(9, 9, 9)));
  FillRect(src.dc(), Rect{0, 0, 3, 1}, olive.get());
  SetPixel(src.dc(), 1, 0, kRed);
  FillRect(dst.dc(), Rect{0, 0, 3, 1}, grey.get());
  TransparentBlt(dst.dc(), 0, 0, 3, 1, src.dc(), 0, 0, 3, 1, RGB(128, 128, 0));
  EXPECT_EQ(dst.At(0, 0), RGB(9, 9, 9));
  EXPECT_EQ(dst.At(1, 0), kRed);
}

TEST_F(GuiDraw, RegionsCombineOffsetAndHitTest) {
  UniqueGdi<HRGN> a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15)), r(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(CombineRgn(r.get(), a.get(), b.get(), RGN_AND), SIMPLEREGION);
  Rect box;
  GetRgnBox(r.get(), box);
  EXPECT_EQ(box, (Rect{5, 5, 10, 10}));
  EXPECT_EQ(CombineRgn(r.get(), a.get(), b.get(), RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(r.get(), 14, 14));
  EXPECT_FALSE(PtInRegion(r.get(), 14, 1));
  CombineRgn(r.get(), a.get(), b.get(), RGN_XOR);
  EXPECT_FALSE(PtInRegion(r.get(), 7, 7));
  EXPECT_TRUE(PtInRegion(r.get(), 2, 2));
  CombineRgn(r.get(), a.get(), b.get(), RGN_DIFF);
  EXPECT_FALSE(PtInRegion(r.get(), 7, 7));
  EXPECT_FALSE(PtInRegion(r.get(), 10, 0));  // right edge excluded
  EXPECT_TRUE(RectInRegion(r.get(), Rect{0, 0, 2, 2}));
  CombineRgn(r.get(), a.get(), HRGN{}, RGN_COPY);
  EXPECT_TRUE(EqualRgn(r.get(), a.get()));
  OffsetRgn(r.get(), 5, 5);
  EXPECT_TRUE(EqualRgn(r.get(), b.get()));
  UniqueGdi<HRGN> empty(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(CombineRgn(r.get(), a.get(), empty.get(), RGN_AND), NULLREGION);
}

TEST_F(GuiDraw, ClippingFollowsSaveAndRestore) {
  Canvas c(10, 10);
  HDC dc = c.dc();
  int level = SaveDC(dc);
  EXPECT_EQ(IntersectClipRect(dc, 2, 2, 8, 8), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(dc, 4, 4, 6, 6), COMPLEXREGION);
  FillRect(dc, Rect{0, 0, 10, 10}, GetStockBrush(BLACK_BRUSH));
  Rect box;
  EXPECT_EQ(GetClipBox(dc, box), COMPLEXREGION);
  EXPECT_EQ(box, (Rect{2, 2, 8, 8}));
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);  // outside the clip region
  EXPECT_TRUE(RestoreDC(dc, level));
  EXPECT_EQ(c.Row(1), "..........");
  EXPECT_EQ(c.Row(2), "..######..");
  EXPECT_EQ(c.Row(4), "..##..##..");
  EXPECT_EQ(GetClipBox(dc, box), SIMPLEREGION);
  EXPECT_EQ(box, (Rect{0, 0, 10, 10}));
  // The clip region is in device coordinates: moving the origin does not move it.
  SaveDC(dc);
  UniqueGdi<HRGN> rgn(CreateRectRgn(0, 0, 3, 3));
  SelectClipRgn(dc, rgn.get());
  SetViewportOrgEx(dc, 5, 5, nullptr);
  FillRect(dc, Rect{-5, -5, 5, 5}, GetStockBrush(WHITE_BRUSH));
  EXPECT_EQ(GetClipBox(dc, box), SIMPLEREGION);
  EXPECT_EQ(box, (Rect{-5, -5, -2, -2}));
  RestoreDC(dc, -1);
  EXPECT_EQ(c.Row(2, 0, 4), "...#");  // columns 0..2 cleared, the rest as before
  Point org;
  GetViewportOrgEx(dc, org);
  EXPECT_EQ(org, (Point{0, 0}));
}

TEST_F(GuiDraw, FocusRectangleIsDottedAndDrawnTwiceIsGone) {
  Canvas c(8, 6);
  DrawFocusRect(c.dc(), Rect{0, 0, 8, 6});
  EXPECT_EQ(c.Row(0), "#.#.#.#.");
  EXPECT_EQ(c.Row(1), ".......#");
  EXPECT_EQ(c.Row(3), ".......#");
  EXPECT_EQ(c.Row(2), "#.......");
  DrawFocusRect(c.dc(), Rect{0, 0, 8, 6});
  EXPECT_EQ(c.CountColor(0xFFFFFF), 48);
}

TEST_F(GuiDraw, EdgesInTheSystemColours) {
  Canvas c(10, 10);
  Rect r{0, 0, 10, 10};
  DrawEdge(c.dc(), r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, (Rect{2, 2, 8, 8}));
  EXPECT_EQ(c.At(0, 5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(1, 5), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(c.At(9, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(8, 5), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(9, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(5, 5), 0xFFFFFFu);
  Rect only{0, 0, 10, 10};
  Canvas t(10, 10);
  DrawEdge(t.dc(), only, EDGE_RAISED, BF_TOP | BF_ADJUST | BF_MIDDLE);
  EXPECT_EQ(only, (Rect{0, 2, 10, 10}));
  EXPECT_EQ(t.At(5, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(t.At(5, 5), GetSysColor(COLOR_BTNFACE));
}

TEST_F(GuiDraw, FrameRectPaintsTheOnePixelRingInsideTheRectangleWithTheBrush) {
  Canvas c(8, 7);
  UniqueGdi<HPEN> red(CreatePen(PS_SOLID, 3, kRed));
  SelectObject(c.dc(), red.get());  // the pen plays no part
  SetROP2(c.dc(), R2_NOT);          // nor does the pen mixing
  EXPECT_TRUE(FrameRect(c.dc(), Rect{1, 1, 6, 5}, GetStockBrush(BLACK_BRUSH)));
  EXPECT_EQ(c.Row(0), "........");
  EXPECT_EQ(c.Row(1), ".#####..");
  EXPECT_EQ(c.Row(2), ".#...#..");
  EXPECT_EQ(c.Row(3), ".#...#..");
  EXPECT_EQ(c.Row(4), ".#####..");
  EXPECT_EQ(c.Row(5), "........");
  // The brush's own colour, at the viewport origin; a rectangle one pixel
  // wide is one solid line; an empty one draws nothing.
  Canvas d(8, 7);
  UniqueGdi<HBRUSH> blue(CreateSolidBrush(kBlue));
  SetViewportOrgEx(d.dc(), 2, 1, nullptr);
  FrameRect(d.dc(), Rect{0, 0, 3, 3}, blue.get());
  SetViewportOrgEx(d.dc(), 0, 0, nullptr);
  EXPECT_EQ(d.At(1, 1), 0xFFFFFFu);
  EXPECT_EQ(d.At(2, 1), kBlue);
  EXPECT_EQ(d.At(5, 4), 0xFFFFFFu);
  EXPECT_EQ(d.At(4, 3), kBlue);
  EXPECT_EQ(d.At(3, 2), 0xFFFFFFu) << "the inside stays";
  Canvas e(6, 6);
  FrameRect(e.dc(), Rect{2, 1, 3, 5}, GetStockBrush(BLACK_BRUSH));
  FrameRect(e.dc(), Rect{4, 4, 4, 6}, GetStockBrush(BLACK_BRUSH));
  EXPECT_EQ(e.CountColor(0), 4);
  for (int y = 1; y < 5; ++y) EXPECT_EQ(e.Row(y), "..#...") << y;
  SelectObject(c.dc(), GetStockPen(BLACK_PEN));
}

TEST_F(GuiDraw, InvertRectInvertsExactlyTheRectangle) {
  Canvas c(6, 4);
  SetPixel(c.dc(), 2, 1, kRed);
  SetPixel(c.dc(), 4, 1, kRed);  // outside: stays red
  SelectObject(c.dc(), GetStockBrush(BLACK_BRUSH));  // neither brush nor mixing matter
  SetROP2(c.dc(), R2_WHITE);
  EXPECT_TRUE(InvertRect(c.dc(), Rect{1, 1, 4, 3}));
  EXPECT_EQ(c.Row(0), "......");
  EXPECT_EQ(c.Row(1), ".#?#?.");
  EXPECT_EQ(c.Row(2), ".###..");
  EXPECT_EQ(c.Row(3), "......");
  EXPECT_EQ(c.At(2, 1), RGB(0, 255, 255));
  EXPECT_EQ(c.At(4, 1), kRed);
  InvertRect(c.dc(), Rect{1, 1, 4, 3});
  EXPECT_EQ(c.CountColor(0xFFFFFF), 22);
  EXPECT_EQ(c.At(2, 1), kRed);
  // Within the clip region only, at the viewport origin; an empty rectangle
  // inverts nothing.
  IntersectClipRect(c.dc(), 0, 0, 3, 4);
  SetViewportOrgEx(c.dc(), 1, 0, nullptr);
  InvertRect(c.dc(), Rect{0, 3, 5, 4});
  InvertRect(c.dc(), Rect{3, 0, 3, 4});
  SetViewportOrgEx(c.dc(), 0, 0, nullptr);
  SelectClipRgn(c.dc(), HRGN{});
  EXPECT_EQ(c.Row(3), ".##...");
  EXPECT_EQ(c.Row(0), "......");
  // On a monochrome surface black and white swap.
  Canvas m(3, 1, 1);
  InvertRect(m.dc(), Rect{1, 0, 3, 1});
  EXPECT_EQ(m.Row(0), ".##");
  SelectObject(c.dc(), GetStockBrush(WHITE_BRUSH));
}

TEST_F(GuiDraw, PolylineLeavesOutOnlyItsLastPointAndKeepsTheCurrentPosition) {
  Canvas c(10, 10);
  SelectObject(c.dc(), GetStockPen(BLACK_PEN));
  MoveToEx(c.dc(), 7, 7, nullptr);
  Point path[4] = {{1, 1}, {5, 1}, {5, 4}, {2, 4}};
  EXPECT_TRUE(Polyline(c.dc(), path, 4));
  EXPECT_EQ(c.Row(0), "..........");
  EXPECT_EQ(c.Row(1), ".#####....");  // each corner once: the next segment starts on it
  EXPECT_EQ(c.Row(2), ".....#....");
  EXPECT_EQ(c.Row(3), ".....#....");
  EXPECT_EQ(c.Row(4), "...###....");  // (2, 4), the last point, is left out
  EXPECT_EQ(c.Row(5), "..........");
  EXPECT_EQ(c.CountColor(0), 10);
  Point pos;
  GetCurrentPositionEx(c.dc(), pos);
  EXPECT_EQ(pos, (Point{7, 7})) << "neither used nor moved";
  // A closed path inverted with R2_NOT: every pixel exactly once, so no
  // corner is inverted back.
  Canvas s(6, 6);
  SelectObject(s.dc(), GetStockPen(BLACK_PEN));
  SetROP2(s.dc(), R2_NOT);
  Point square[5] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}};
  Polyline(s.dc(), square, 5);
  EXPECT_EQ(s.Row(1), ".####.");
  EXPECT_EQ(s.Row(2), ".#..#.");
  EXPECT_EQ(s.Row(4), ".####.");
  EXPECT_EQ(s.CountColor(0), 12);
  // A diagonal, in logical coordinates; one point or none draws nothing.
  Canvas d(6, 6);
  SelectObject(d.dc(), GetStockPen(BLACK_PEN));
  SetViewportOrgEx(d.dc(), 1, 0, nullptr);
  Point diag[2] = {{0, 0}, {3, 3}};
  Polyline(d.dc(), diag, 2);
  Polyline(d.dc(), path, 1);
  Polyline(d.dc(), path, 0);
  SetViewportOrgEx(d.dc(), 0, 0, nullptr);
  EXPECT_EQ(d.Row(0), ".#....");
  EXPECT_EQ(d.Row(1), "..#...");
  EXPECT_EQ(d.Row(2), "...#..");
  EXPECT_EQ(d.Row(3), "......");
  EXPECT_EQ(d.CountColor(0), 3);
}

// One letter per pixel in the classic system colours: '-' face (and the
// light edge, the same colour), 'w' highlight (white), 's' shadow, 'd' dark
// shadow, '#' black, '?' anything else.
std::string Face(const Canvas& c, int y, int x0, int x1) {
  std::string s;
  for (int x = x0; x < x1; ++x) {
    COLORREF v = c.At(x, y);
    s += v == GetSysColor(COLOR_BTNFACE)        ? '-'
         : v == GetSysColor(COLOR_BTNHIGHLIGHT) ? 'w'
         : v == GetSysColor(COLOR_BTNSHADOW)    ? 's'
         : v == GetSysColor(COLOR_3DDKSHADOW)   ? 'd'
         : v == 0                               ? '#'
                                                : '?';
  }
  return s;
}

TEST_F(GuiDraw, FrameControlsPartByPart) {
  ASSERT_EQ(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNFACE));
  ASSERT_EQ(GetSysColor(COLOR_BTNTEXT), 0u);
  // The combo box's drop button, 17 x 17 as the edit shows it: a raised
  // two-ring edge (light and white outside-in on the left and top, dark
  // shadow and shadow on the right and bottom, these taking the corners),
  // the face, and a black arrow of 5, 3 and 1 pixels centred on (8, 8).
  {
    Canvas c(17, 17);
    Rect r{0, 0, 17, 17};
    EXPECT_TRUE(DrawFrameControl(c.dc(), r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX));
    EXPECT_EQ(r, (Rect{0, 0, 17, 17}));
    EXPECT_EQ(Face(c, 0, 0, 17), "----------------d");
    EXPECT_EQ(Face(c, 1, 0, 17), "-wwwwwwwwwwwwwwsd");
    EXPECT_EQ(Face(c, 6, 0, 17), "-w-------------sd");
    EXPECT_EQ(Face(c, 7, 0, 17), "-w----#####----sd");
    EXPECT_EQ(Face(c, 8, 0, 17), "-w-----###-----sd");
    EXPECT_EQ(Face(c, 9, 0, 17), "-w------#------sd");
    EXPECT_EQ(Face(c, 10, 0, 17), "-w-------------sd");
    EXPECT_EQ(Face(c, 15, 0, 17), "-sssssssssssssssd");
    EXPECT_EQ(Face(c, 16, 0, 17), "ddddddddddddddddd");
  }
  // Held down as the edit draws it (pushed and flat): a shadow frame, the
  // face, the arrow one pixel right and down.
  {
    Canvas c(17, 17);
    Rect r{0, 0, 17, 17};
    DrawFrameControl(c.dc(), r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED | DFCS_FLAT);
    EXPECT_EQ(Face(c, 0, 0, 17), "sssssssssssssssss");
    EXPECT_EQ(Face(c, 7, 0, 17), "s---------------s");
    EXPECT_EQ(Face(c, 8, 0, 17), "s------#####----s");
    EXPECT_EQ(Face(c, 9, 0, 17), "s-------###-----s");
    EXPECT_EQ(Face(c, 10, 0, 17), "s--------#------s");
    EXPECT_EQ(Face(c, 16, 0, 17), "sssssssssssssssss");
  }
  // Pushed without flat: the sunken edge (shadow and dark shadow outside-in
  // on the left and top, white and light on the right and bottom).
  {
    Canvas c(17, 17);
    Rect r{0, 0, 17, 17};
    DrawFrameControl(c.dc(), r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED);
    EXPECT_EQ(Face(c, 0, 0, 17), "ssssssssssssssssw");
    EXPECT_EQ(Face(c, 1, 0, 17), "sdddddddddddddd-w");
    EXPECT_EQ(Face(c, 8, 0, 17), "sd-----#####----w");
    EXPECT_EQ(Face(c, 16, 0, 17), "wwwwwwwwwwwwwwwww");
  }
  // Inactive: the arrow embossed, a white copy one pixel right and down
  // under the shadow-coloured arrow.
  {
    Canvas c(17, 17);
    Rect r{0, 0, 17, 17};
    DrawFrameControl(c.dc(), r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_INACTIVE);
    EXPECT_EQ(Face(c, 7, 2, 15), "----sssss----");
    EXPECT_EQ(Face(c, 8, 2, 15), "-----sssww---");
    EXPECT_EQ(Face(c, 9, 2, 15), "------sww----");
    EXPECT_EQ(Face(c, 10, 2, 15), "-------w-----");
  }
  // A scroll arrow points its way: up is the drop arrow upside down.
  {
    Canvas c(17, 17);
    Rect r{0, 0, 17, 17};
    DrawFrameControl(c.dc(), r, DFC_SCROLL, DFCS_SCROLLUP);
    EXPECT_EQ(Face(c, 7, 2, 15), "------#------");
    EXPECT_EQ(Face(c, 8, 2, 15), "-----###-----");
    EXPECT_EQ(Face(c, 9, 2, 15), "----#####----");
    Canvas l(17, 17);
    Rect lr{0, 0, 17, 17};
    DrawFrameControl(l.dc(), lr, DFC_SCROLL, DFCS_SCROLLLEFT);
    EXPECT_EQ(Face(l, 6, 6, 11), "---#-");
    EXPECT_EQ(Face(l, 7, 6, 11), "--##-");
    EXPECT_EQ(Face(l, 8, 6, 11), "-###-");
    EXPECT_EQ(Face(l, 9, 6, 11), "--##-");
    EXPECT_EQ(Face(l, 10, 6, 11), "---#-");
  }
  // A push button: the raised edge and face; DFCS_ADJUSTRECT answers the
  // inside of the edge.
  {
    Canvas c(8, 6);
    Rect r{0, 0, 8, 6};
    DrawFrameControl(c.dc(), r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    EXPECT_EQ(r, (Rect{2, 2, 6, 4}));
    EXPECT_EQ(Face(c, 0, 0, 8), "-------d");
    EXPECT_EQ(Face(c, 1, 0, 8), "-wwwwwsd");
    EXPECT_EQ(Face(c, 2, 0, 8), "-w----sd");
    EXPECT_EQ(Face(c, 4, 0, 8), "-ssssssd");
    EXPECT_EQ(Face(c, 5, 0, 8), "dddddddd");
  }
  // The size grip: three ridges across the lower-right corner, each a white
  // line above two shadow lines, with a line's gap between ridges; nothing
  // else is painted.
  {
    Canvas c(16, 16);
    FillRect(c.dc(), Rect{0, 0, 16, 16}, GetSysColorBrush(COLOR_BTNFACE));
    Rect r{0, 0, 16, 16};
    DrawFrameControl(c.dc(), r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    EXPECT_EQ(Face(c, 15, 0, 16), "-----wss-wss-wss");
    EXPECT_EQ(Face(c, 14, 0, 16), "------wss-wss-ws");
    EXPECT_EQ(Face(c, 12, 0, 16), "--------wss-wss-");
    EXPECT_EQ(Face(c, 5, 0, 16), "---------------w");
    EXPECT_EQ(Face(c, 4, 0, 16), "----------------");
    for (int x = 0; x < 16; ++x)
      for (int y = 0; y < 16; ++y) {
        if (x + y < 20) {
          EXPECT_EQ(c.At(x, y), GetSysColor(COLOR_BTNFACE)) << x << "," << y;
        }
      }
  }
  // All of them side by side, for looking at.
  Canvas all(8 * 20, 20);
  FillRect(all.dc(), Rect{0, 0, 160, 20}, GetSysColorBrush(COLOR_BTNFACE));
  const std::pair<UINT, UINT> parts[] = {{DFC_SCROLL, DFCS_SCROLLCOMBOBOX},
                                         {DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED | DFCS_FLAT},
                                         {DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED},
                                         {DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_INACTIVE},
                                         {DFC_SCROLL, DFCS_SCROLLUP},
                                         {DFC_SCROLL, DFCS_SCROLLLEFT},
                                         {DFC_BUTTON, DFCS_BUTTONPUSH},
                                         {DFC_SCROLL, DFCS_SCROLLSIZEGRIP}};
  for (int i = 0; i < 8; ++i) {
    Rect r{i * 20 + 1, 1, i * 20 + 18, 18};
    DrawFrameControl(all.dc(), r, parts[i].first, parts[i].second);
  }
  EXPECT_TRUE(guitest::SaveCanvasPng(all, "frame-controls.png"));
}

TEST_F(GuiDraw, PixelsOutsideTheSurfaceAreInvalid) {
  Canvas c(4, 4);
  EXPECT_EQ(SetPixel(c.dc(), 1, 2, kRed), kRed);
  EXPECT_EQ(GetPixel(c.dc(), 1, 2), kRed);
  EXPECT_EQ(GetPixel(c.dc(), 4, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc(), -1, 0), CLR_INVALID);
  EXPECT_EQ(GetDeviceCaps(c.dc(), NUMCOLORS), -1);
  EXPECT_EQ(GetDeviceCaps(c.dc(), LOGPIXELSY), 96);
}

TEST_F(GuiDraw, StaleAndBusyObjectsAreRefused) {
  HBRUSH b = CreateSolidBrush(kRed);
  Canvas c(2, 2);
  SelectObject(c.dc(), b);
  EXPECT_FALSE(DeleteObject(b));  // still selected
  SelectObject(c.dc(), GetStockBrush(WHITE_BRUSH));
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_FALSE(DeleteObject(b));
  EXPECT_TRUE(IsNull(SelectObject(c.dc(), b)));
  EXPECT_FALSE(FillRect(c.dc(), Rect{0, 0, 1, 1}, b));
  EXPECT_FALSE(DeleteObject(GetStockBrush(BLACK_BRUSH)));
  HBITMAP bmp = CreateBitmap(2, 2, 1, 32, nullptr);
  HDC other = CreateCompatibleDC(HDC{});
  HBITMAP old = SelectObject(other, bmp);
  EXPECT_TRUE(IsNull(SelectObject(c.dc(), bmp)));  // already in another context
  SelectObject(other, old);
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(bmp));
}

}  // namespace
