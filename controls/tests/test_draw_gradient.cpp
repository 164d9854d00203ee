// Gradients in every direction (empty and one-pixel rectangles included),
// block replication, masked and transparent bitmaps, the hot-track ring.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/tests/DrawTest.h"

namespace {

using ctltest::Surface;

int Red(TColor c) { return c & 0xFF; }

constexpr TGradientDirection kAll[] = {gdDiagonalUp,  gdDiagonalDown,   gdHorizontalEnd, gdHorizontalCenter,
                                       gdHorizontalBox, gdVerticalEnd,  gdVerticalCenter, gdVerticalBox,
                                       gdSquareBox,   gdBigSquareBox};

TEST(Gradient, EmptyRectanglesDrawNothingAndOnePixelOnesOneColour) {
  for (TGradientDirection d : kAll) {
    Surface s(4, 4);
    PaintGradient(s.Canvas(), Rect(1, 1, 1, 3), d, clRed, clBlue);
    PaintGradient(s.Canvas(), Rect(1, 1, 3, 1), d, clRed, clBlue);
    for (TColor c : s.All()) ASSERT_EQ(c, clWhite) << d;
    PaintGradient(s.Canvas(), Rect(2, 2, 3, 3), d, clRed, clBlue);
    EXPECT_EQ(s.At(2, 2), clRed) << d;
    EXPECT_EQ(s.At(1, 2), clWhite) << d;
    EXPECT_EQ(s.At(3, 2), clWhite) << d;
    // One pixel wide or high: no division by a zero extent, the area covered.
    Surface t(3, 40);
    PaintGradient(t.Canvas(), Rect(1, 0, 2, 40), d, clRed, clBlue);
    for (int y = 0; y < 40; ++y) {
      ASSERT_NE(t.At(1, y), clWhite) << d << " row " << y;
      ASSERT_EQ(t.At(0, y), clWhite) << d;
    }
    Surface u(40, 3);
    PaintGradient(u.Canvas(), Rect(0, 1, 40, 2), d, clRed, clBlue);
    for (int x = 0; x < 40; ++x) ASSERT_NE(u.At(x, 1), clWhite) << d << " column " << x;
  }
}

TEST(Gradient, EqualColoursArePlainFills) {
  for (TGradientDirection d : kAll) {
    Surface s(30, 20);
    PaintGradient(s.Canvas(), Rect(0, 0, 30, 20), d, clTeal, clTeal);
    for (TColor c : s.All()) ASSERT_EQ(c, clTeal) << d;
  }
}

TEST(Gradient, LinearGradientsRunFromEdgeToEdgeAndReplicateAcross) {
  Surface s(50, 64);
  PaintGradient(s.Canvas(), Rect(0, 0, 50, 64), gdHorizontalEnd, clBlack, clRed);
  EXPECT_EQ(s.At(0, 0), clBlack);
  EXPECT_GE(Red(s.At(0, 63)), 250);
  for (int y = 0; y < 64; ++y) {
    for (int x = 1; x < 50; ++x) ASSERT_EQ(s.At(x, y), s.At(0, y)) << "rows are one colour";
    if (y) {
      ASSERT_GE(Red(s.At(0, y)), Red(s.At(0, y - 1)));
    }
  }
  Surface v(64, 21);
  PaintGradient(v.Canvas(), Rect(0, 0, 64, 21), gdVerticalEnd, clBlack, clRed);
  EXPECT_EQ(v.At(0, 20), clBlack);
  EXPECT_GE(Red(v.At(63, 20)), 250);
  for (int x = 0; x < 64; ++x)
    for (int y = 1; y < 21; ++y) ASSERT_EQ(v.At(x, y), v.At(x, 0));
  // Centre: the start colour at both edges, the stop colour meeting in the middle.
  Surface c(64, 9);
  PaintGradient(c.Canvas(), Rect(0, 0, 64, 9), gdVerticalCenter, clBlack, clRed);
  EXPECT_EQ(c.At(0, 4), clBlack);
  EXPECT_EQ(c.At(63, 4), clBlack);
  EXPECT_GE(Red(c.At(31, 4)), 240);
  EXPECT_GE(Red(c.At(32, 4)), 240);
  Surface h(9, 64);
  PaintGradient(h.Canvas(), Rect(0, 0, 9, 64), gdHorizontalCenter, clBlack, clRed);
  EXPECT_EQ(h.At(4, 0), clBlack);
  EXPECT_EQ(h.At(4, 63), clBlack);
  EXPECT_GE(Red(h.At(4, 32)), 240);
}

TEST(Gradient, BoxGradientsAreSymmetricWithStopInTheMiddle) {
  for (TGradientDirection d : {gdHorizontalBox, gdVerticalBox, gdSquareBox, gdBigSquareBox})
    for (auto [w, h] : {std::pair{40, 30}, std::pair{41, 31}, std::pair{10, 7}}) {
      Surface s(w, h);
      PaintGradient(s.Canvas(), Rect(0, 0, w, h), d, clBlack, clRed);
      EXPECT_EQ(s.At(0, 0), clBlack) << d;
      EXPECT_EQ(s.At(w - 1, h - 1), clBlack) << d;
      EXPECT_GE(Red(s.At((w - 1) / 2, (h - 1) / 2)), 230) << d << " " << w << "x" << h;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          ASSERT_EQ(s.At(x, y), s.At(w - 1 - x, y)) << d << " " << w << "x" << h << " at " << x << "," << y;
          ASSERT_EQ(s.At(x, y), s.At(x, h - 1 - y)) << d << " " << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST(Gradient, DiagonalsRunCornerToCorner) {
  Surface s(60, 40);
  PaintGradient(s.Canvas(), Rect(0, 0, 60, 40), gdDiagonalUp, clBlack, clRed);
  EXPECT_LE(Red(s.At(0, 39)), 8) << "start at the bottom-left";
  EXPECT_GE(Red(s.At(59, 0)), 245) << "stop at the top-right";
  EXPECT_NEAR(Red(s.At(0, 0)), 128, 12) << "half way on the other diagonal";
  for (TColor c : s.All()) ASSERT_EQ(c & 0xFFFF00, 0) << "every pixel painted in a shade of the two";
  Surface t(60, 40);
  PaintGradient(t.Canvas(), Rect(0, 0, 60, 40), gdDiagonalDown, clBlack, clRed);
  EXPECT_LE(Red(t.At(0, 0)), 8) << "start at the top-left";
  EXPECT_GE(Red(t.At(59, 39)), 245) << "stop at the bottom-right";
}

// The diagonal bands as polygons filled by the window layer, one per band,
// over the start colour: what a diagonal gradient must look like.
void ReferenceDiagonal(TCanvas* C, int W, int H, TColor From, TColor To, bool Mirror, int BandHint) {
  auto chan = [](TColor c, int shift) { return static_cast<std::int64_t>((c >> shift) & 0xFF); };
  C->Brush()->SetColor(From);
  C->FillRect(Rect(0, 0, W, H));
  TColor start = Mirror ? To : From, stop = Mirror ? From : To;
  if (start == stop) return;
  int d = static_cast<int>(std::sqrt(double(W) * W + double(H) * H));
  int half = d / 2;
  if (half == 0) return;
  std::int64_t cur[3], inc[3];
  for (int k = 0; k < 3; ++k) {
    cur[k] = chan(start, 8 * k) << 16;
    inc[k] = ((chan(stop, 8 * k) - chan(start, 8 * k)) * 65536) / (std::int64_t{d} + 1);
  }
  auto color = [&] {
    auto byte = [](std::int64_t v) { return static_cast<TColor>(std::clamp<std::int64_t>(v >> 16, 0, 255)); };
    return static_cast<TColor>(byte(cur[0]) | (byte(cur[1]) << 8) | (byte(cur[2]) << 16));
  };
  std::int64_t stepX = (std::int64_t{W} << 16) / half, stepY = (std::int64_t{H} << 16) / half;
  int bandCount = std::max((BandHint > 8 ? 255 / BandHint + 1 : BandHint) - 1, 0);
  auto px = [&](std::int64_t v) { return Mirror ? W - static_cast<int>(v >> 16) : static_cast<int>(v >> 16); };
  C->Pen()->SetStyle(psClear);
  for (int pass = 0; pass < 2; ++pass) {
    std::int64_t x = 0, y = std::int64_t{H} << 16, bandX = x, bandY = y;
    TColor band = color();
    int run = 0;
    auto paint = [&](std::int64_t toX, std::int64_t toY, TColor c) {
      int edgeY = pass == 0 ? H : 0, edgeX = pass == 0 ? 0 : W;
      int ex = Mirror ? W - edgeX : edgeX;
      TPoint pts[4] = {Point(px(bandX), edgeY), Point(px(toX), edgeY), Point(ex, static_cast<int>(toY >> 16)),
                       Point(ex, static_cast<int>(bandY >> 16))};
      C->Brush()->SetColor(c);
      C->Polygon(pts);
      bandX = toX, bandY = toY;
    };
    while (y > 0) {
      x += stepX, y -= stepY;
      for (int k = 0; k < 3; ++k) cur[k] += inc[k];
      ++run;
      if (color() != band && run > bandCount) {
        paint(x, y, band);
        band = color();
        run = 0;
      }
    }
    paint(x + stepX, y - stepY, band);
  }
}

// The bands are filled in memory; every pixel is the one the window layer's
// polygon fill gives, at sizes odd and even, flat and tall, for every
// width of band.
TEST(Gradient, DiagonalBandsArePixelForPixelThePolygonFills) {
  int sizes[][2] = {{2, 1}, {1, 2}, {3, 3}, {7, 4}, {4, 7}, {13, 6}, {60, 40}, {200, 13}, {13, 200}, {97, 61}};
  for (auto& s : sizes)
    for (int hint : {1, 3, 9, 40})
      for (bool down : {false, true}) {
        int w = s[0], h = s[1];
        Surface got(w, h), want(w, h);
        PaintGradient(got.Canvas(), Rect(0, 0, w, h), down ? gdDiagonalDown : gdDiagonalUp, clNavy, 0x80E0FF, hint);
        ReferenceDiagonal(want.Canvas(), w, h, clNavy, 0x80E0FF, down, hint);
        ASSERT_EQ(got.All(), want.All()) << w << "x" << h << " hint " << hint << (down ? " down" : " up");
      }
}

TEST(Gradient, PaintsAtTheRectanglesPlaceOnly) {
  Surface s(30, 30);
  PaintGradient(s.Canvas(), Rect(10, 5, 20, 25), gdHorizontalEnd, clBlack, clRed);
  EXPECT_EQ(s.At(10, 5), clBlack);
  EXPECT_EQ(s.At(9, 5), clWhite);
  EXPECT_EQ(s.At(20, 5), clWhite);
  EXPECT_EQ(s.At(10, 4), clWhite);
  EXPECT_EQ(s.At(10, 25), clWhite);
}

TEST(ReplicateBlock, DoublesTheBlockUntilTheAreaIsCovered) {
  for (auto [w, h, bw, bh] : {std::array{37, 23, 8, 23}, std::array{37, 23, 37, 8}, std::array{37, 23, 3, 5}}) {
    Surface s(40, 30);
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) s.Canvas()->SetPixel(x, y, static_cast<TColor>(x * 20 + y * 7));
    ReplicateBlock(s.Canvas()->Handle(), 0, 0, w, h, bw, bh, gui::SRCCOPY);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        TColor expect = x < w && y < h ? static_cast<TColor>((x % bw) * 20 + (y % bh) * 7) : clWhite;
        ASSERT_EQ(s.At(x, y), expect) << x << "," << y;
      }
  }
}

// A 4 x 2 source: olive is the transparent colour.
TBitmap* Source(TBitmap& b) {
  b.SetSize(4, 2);
  TColor px[2][4] = {{clRed, clOlive, clBlue, clOlive}, {clOlive, clLime, clOlive, clRed}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) b.Canvas()->SetPixel(x, y, px[y][x]);
  return &b;
}

TEST(MaskedBitmaps, TransparentPixelsKeepTheDestinationAndStateIsRestored) {
  TBitmap src;
  Source(src);
  Surface s(12, 8, clYellow);
  s.Canvas()->SetCopyMode(gui::SRCCOPY);
  s.Canvas()->RequireAll();
  gui::SetTextColor(s.Canvas()->Handle(), 0x123456);
  gui::SetBkColor(s.Canvas()->Handle(), 0x654321);
  StretchMaskedBitmap(s.Canvas(), &src, Rect(2, 2, 10, 6), clOlive, Rect(0, 0, 4, 2));
  // Stretched twice: source pixel (x, y) covers (2 + 2x .. , 2 + 2y ..).
  EXPECT_EQ(s.At(2, 2), clRed);
  EXPECT_EQ(s.At(3, 3), clRed);
  EXPECT_EQ(s.At(4, 2), clYellow) << "transparent: the destination shows";
  EXPECT_EQ(s.At(6, 3), clBlue);
  EXPECT_EQ(s.At(4, 4), clLime);
  EXPECT_EQ(s.At(9, 5), clRed);
  EXPECT_EQ(s.At(1, 1), clYellow);
  EXPECT_EQ(s.At(10, 6), clYellow);
  EXPECT_EQ(s.Canvas()->CopyMode(), gui::SRCCOPY) << "the caller's copy mode comes back";
  EXPECT_EQ(gui::GetTextColor(s.Canvas()->Handle()), 0x123456u) << "the canvas's colours come back";
  EXPECT_EQ(gui::GetBkColor(s.Canvas()->Handle()), 0x654321u);
  // A black transparent colour works too.
  TBitmap dark;
  dark.SetSize(2, 1);
  dark.Canvas()->SetPixel(0, 0, clBlack);
  dark.Canvas()->SetPixel(1, 0, clAqua);
  Surface t(2, 1, clFuchsia);
  StretchMaskedBitmap(t.Canvas(), &dark, Rect(0, 0, 2, 1), clBlack, Rect(0, 0, 2, 1));
  EXPECT_EQ(t.At(0, 0), clFuchsia);
  EXPECT_EQ(t.At(1, 0), clAqua);
}

TEST(MaskedBitmaps, TransparentStretchDrawsAtTheOrigin) {
  TBitmap src;
  Source(src);
  Surface s(10, 6, clYellow);
  StretchTransparentBitmap(s.Canvas(), &src, Rect(5, 5, 13, 9), clOlive, Rect(0, 0, 4, 2));
  EXPECT_EQ(s.At(0, 0), clRed);
  EXPECT_EQ(s.At(2, 0), clYellow);
  EXPECT_EQ(s.At(4, 1), clBlue);
  EXPECT_EQ(s.At(7, 3), clRed);
  EXPECT_EQ(s.At(9, 5), clYellow);
}

TEST(HotTrackRing, PaintsTwoPixelsAndGivesTheCallersClipBack) {
  Surface s(20, 20);
  gui::HDC dc = s.Canvas()->Handle();
  gui::IntersectClipRect(dc, 0, 0, 15, 20);
  PaintHotTrackRing(s.Canvas(), Rect(0, 0, 20, 20), gdHorizontalEnd, clRed, clRed);
  EXPECT_EQ(s.At(0, 10), clRed);
  EXPECT_EQ(s.At(1, 10), clRed);
  EXPECT_EQ(s.At(2, 10), clWhite) << "inside the ring untouched";
  EXPECT_EQ(s.At(10, 10), clWhite);
  EXPECT_EQ(s.At(18, 10), clWhite) << "outside the caller's clip";
  // Afterwards the caller's clip still holds (not removed, not the ring's).
  s.Canvas()->Brush()->SetColor(clBlue);
  s.Canvas()->FillRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(s.At(10, 10), clBlue);
  EXPECT_EQ(s.At(17, 10), clWhite);
}

}  // namespace
