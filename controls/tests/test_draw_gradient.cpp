// Gradients in every direction (empty and one-pixel rectangles included),
// block replication, masked and transparent bitmaps, the hot-track ring.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

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

// Every direction at sizes odd and even, one pixel wide or high, flat and
// tall, in both colour orders and for narrow and wide bands, against
// checksums of pictures known to be right: a faster fill must give the same
// pixels. Each picture is painted inside a white border (nothing may land
// outside the rectangle) and over a different gradient of its size (every
// pixel must be written afresh).
std::uint64_t PictureSum(TGradientDirection D, int W, int H) {
  std::uint64_t sum = 1469598103934665603ull;
  for (auto [from, to] : {std::pair<TColor, TColor>{clNavy, 0x80E0FF}, std::pair<TColor, TColor>{0x80E0FF, clNavy},
                          std::pair<TColor, TColor>{clBlack, clWhite}})
    for (int hint : {1, 9}) {
      Surface s(W + 2, H + 2);
      PaintGradient(s.Canvas(), Rect(1, 1, W + 1, H + 1), D == gdDiagonalUp ? gdSquareBox : gdDiagonalUp, clLime,
                    clFuchsia, 1);
      s.Canvas()->Brush()->SetColor(clWhite);
      s.Canvas()->FillRect(Rect(0, 0, W + 2, H + 2));
      PaintGradient(s.Canvas(), Rect(1, 1, W + 1, H + 1), D, from, to, hint);
      for (TColor c : s.All()) sum = (sum ^ static_cast<std::uint32_t>(c)) * 1099511628211ull;
    }
  return sum;
}

constexpr int kGoldenSizes[][2] = {{1, 1},  {1, 7},   {7, 1},    {2, 2},    {3, 5},   {5, 3},   {16, 9},
                                   {33, 17}, {97, 61}, {200, 13}, {13, 200}, {640, 31}, {1920, 32}};

// Rows: the directions in the order of kAll; columns: kGoldenSizes.
constexpr std::uint64_t kGoldenSums[std::size(kAll)][std::size(kGoldenSizes)] = {
    {0xeab10a15fa9d7c41ull, 0x760006f2232005b5ull, 0xda666733059e9451ull, 0xfcc83438df0b8b03ull,
     0xe03e773a9565ef7cull, 0x780dce36423c1c89ull, 0xa391964aa9435c42ull, 0xa2d768533315517bull,
     0x4a6c429d1666bcd1ull, 0xe2f4bf95cf931bf1ull, 0xb0addf3b79620bddull, 0xeb611df39c43bb90ull,
     0x05c424dcab821dc2ull},
    {0xeab10a15fa9d7c41ull, 0x1b6a4f28e6b9afd1ull, 0xda666733059e9451ull, 0x264f8df83b984dcbull,
     0x1187f87a7c922787ull, 0x9bda0c3d4753ceb9ull, 0xe3f935ed77c2fb9aull, 0x724da4d8901ac1b6ull,
     0x7cb239f621009274ull, 0x4cffa85b6eec2417ull, 0x325add7a818b15abull, 0x54d999e430b575f9ull,
     0xd0b3082ee32c22caull},
    {0xeab10a15fa9d7c41ull, 0x0e29b74156c5e61dull, 0xedbe94a9ea0bad2dull, 0xb0a392d4ff1628efull,
     0xd1abd6ae46bb3b75ull, 0x0c97147f07c872f8ull, 0x20baf6a070ae32bfull, 0xfde64750758f89c1ull,
     0xbb411f4b4f62a734ull, 0x8b00c3ed5eeac5efull, 0x7f0c595bb0ba15feull, 0x7b6d209f411e6167ull,
     0xcc0b8e9b510c198bull},
    {0xeab10a15fa9d7c41ull, 0x43acb130ae1b2128ull, 0xedbe94a9ea0bad2dull, 0xe678668a1974c733ull,
     0x13041f2a2eb39bfeull, 0x932392eb5adf6b69ull, 0x0298c4252ff0fd0full, 0x56ffff3f2944ba30ull,
     0x04a941554f673803ull, 0x85e4a648fe3b1f27ull, 0xca0a9eaef5f7e8dfull, 0xa101653d899a31e7ull,
     0x732c0083e7c9278bull},
    {0xeab10a15fa9d7c41ull, 0xae13a001d8c16f2dull, 0xedbe94a9ea0bad2dull, 0xe678668a1974c733ull,
     0x56faa0e13590e2ddull, 0x2cf5227bd1ae32ddull, 0x9562b7852836d40dull, 0x118f2b7866d3a477ull,
     0x2ae8a6b1fb70fd57ull, 0x560af8c275a4905bull, 0x7d889b53bdba2795ull, 0xbc7ff0b5839ae56dull,
     0xc8cf013b7dc6f293ull},
    {0xeab10a15fa9d7c41ull, 0xae13a001d8c16f2dull, 0xaeca0923b9a68ec5ull, 0xb36e13eb8dcd7adbull,
     0x0e2b5795c22d98a4ull, 0xb79cbd9fb8d59b0dull, 0x8b3db541944a36ffull, 0x3f0a618af62c5b5cull,
     0xd7a33b70d0dd3cc1ull, 0xe5f6a0a524a4aed4ull, 0xb6142c940a5a892full, 0x765678bb75f3f72cull,
     0x8a06b50b9c11e14bull},
    {0xeab10a15fa9d7c41ull, 0xae13a001d8c16f2dull, 0xe349c0fb428f967cull, 0xe678668a1974c733ull,
     0x0b29cf29f04953e9ull, 0xd365c6f93a598c12ull, 0xb7dd55f3fdb11fdbull, 0xf126d455bc258725ull,
     0xc25bf2017e91b70bull, 0x3db444150e58868full, 0x9491264123bccdd7ull, 0xcf21568e550e9901ull,
     0x0c7a9b82699f22cbull},
    {0xeab10a15fa9d7c41ull, 0xae13a001d8c16f2dull, 0xedbe94a9ea0bad2dull, 0xe678668a1974c733ull,
     0x56faa0e13590e2ddull, 0x2cf5227bd1ae32ddull, 0x99c6fefc7e8d8345ull, 0x5364253ffc6e40d7ull,
     0x5c0a3d7e40efe38full, 0x517def12fa34a065ull, 0x5b890d2dbc0ffc6bull, 0x6c8387bb2eab751full,
     0x09d6573f948f3323ull},
    {0xeab10a15fa9d7c41ull, 0xae13a001d8c16f2dull, 0xedbe94a9ea0bad2dull, 0xe678668a1974c733ull,
     0x56faa0e13590e2ddull, 0x2cf5227bd1ae32ddull, 0x72c535d3ba58775dull, 0x775c0b45663bfca7ull,
     0x4aa9d3ff8fc94987ull, 0xa28f5bba5902a8a5ull, 0x116e1fd5736f1155ull, 0x74d2caae0f5d5ef7ull,
     0xecde18c4adc284bfull},
    {0xeab10a15fa9d7c41ull, 0xae13a001d8c16f2dull, 0xedbe94a9ea0bad2dull, 0xe678668a1974c733ull,
     0x56faa0e13590e2ddull, 0x2cf5227bd1ae32ddull, 0x43522a812849838dull, 0x64908d47f998e3c7ull,
     0x9979bee8b32f344full, 0xa659f6fc23da84dfull, 0x6e7d935b013bfbbbull, 0x97695049627b1b71ull,
     0x397de3f0c697e3efull},
};

TEST(Gradient, EveryDirectionPaintsTheKnownPictures) {
  std::string table;
  bool same = true;
  for (std::size_t d = 0; d < std::size(kAll); ++d) {
    table += "    {";
    for (std::size_t i = 0; i < std::size(kGoldenSizes); ++i) {
      std::uint64_t sum = PictureSum(kAll[d], kGoldenSizes[i][0], kGoldenSizes[i][1]);
      char buf[32];
      std::snprintf(buf, sizeof buf, "%s0x%016llxull", i ? ", " : "", static_cast<unsigned long long>(sum));
      table += buf;
      if (sum != kGoldenSums[d][i]) {
        same = false;
        ADD_FAILURE() << "direction " << kAll[d] << " at " << kGoldenSizes[i][0] << "x" << kGoldenSizes[i][1];
      }
    }
    table += "},\n";
  }
  EXPECT_TRUE(same) << "the sums painted now:\n" << table;
}

// So wide and flat that the steps down the diagonal round to nothing: the
// fill still ends, with the row painted.
TEST(Gradient, DiagonalsOfRowsWiderThanTheirStepsEnd) {
  for (TGradientDirection d : {gdDiagonalUp, gdDiagonalDown}) {
    Surface s(131080, 1);
    PaintGradient(s.Canvas(), Rect(0, 0, 131080, 1), d, clRed, clBlue);
    std::vector<TColor> all = s.All();
    ASSERT_EQ(std::count(all.begin(), all.end(), clWhite), 0) << d;
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
