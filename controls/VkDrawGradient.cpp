// Gradient fills. Each computes its picture in memory, puts it into a
// scratch bitmap in one copy and copies that once: linear gradients compute
// one row or column of colours band by band and repeat it, box gradients
// compute one quarter the same way and mirror it, diagonal gradients fill
// what the polygon of each band covers, row by row. Runs of one colour are
// one fill each.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/VkDraw.h"

// The diagonal fill is built twice where the processor may have wide
// vector units, and the one the processor has is taken when first called.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TW_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define TW_WIDE_VECTORS
#endif
#if defined(__GNUC__) || defined(__clang__)
#define TW_INLINE __attribute__((always_inline)) inline
#else
#define TW_INLINE inline
#endif

namespace {

// A colour whose channels are held in 16.16 fixed point.
struct FixedColor {
  std::int64_t r, g, b;
  static FixedColor From(gui::COLORREF c) {
    return {std::int64_t{gui::GetRValue(c)} << 16, std::int64_t{gui::GetGValue(c)} << 16,
            std::int64_t{gui::GetBValue(c)} << 16};
  }
  TColor Color() const {
    auto byte = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v >> 16, 0, 255)); };
    return static_cast<TColor>(gui::RGB(byte(r), byte(g), byte(b)));
  }
};

// The per-step increment toward Target over Steps steps (truncated toward zero).
FixedColor Increment(gui::COLORREF From, gui::COLORREF Target, std::int64_t Steps) {
  auto inc = [Steps](int a, int b) { return (std::int64_t{b - a} * 65536) / Steps; };
  return {inc(gui::GetRValue(From), gui::GetRValue(Target)), inc(gui::GetGValue(From), gui::GetGValue(Target)),
          inc(gui::GetBValue(From), gui::GetBValue(Target))};
}

// The minimum run of a band beyond its first pixel.
int BandCount(int BandHint, int Scale) {
  int n = (BandHint > 8 ? Scale / BandHint + 1 : BandHint) - 1;
  return std::max(n, 0);
}

// The pixels of a strip, a quarter or a whole picture (0x00RRGGBB, row by
// row), computed in memory.
struct Strip {
  int w, h;
  bool vertical;  // the colour changes down the rows (else across the columns)
  std::vector<std::uint32_t> px;
  Strip(int W, int H, bool Vertical) : w(W), h(H), vertical(Vertical), px(static_cast<std::size_t>(W) * H) {}
  // Over a buffer of earlier use (its pixels are stale until written).
  Strip(int W, int H, std::vector<std::uint32_t>&& Buffer) : w(W), h(H), vertical(true), px(std::move(Buffer)) {
    px.resize(static_cast<std::size_t>(W) * H);
  }
  // A colour (0x00BBGGRR) as a pixel of the strip (0x00RRGGBB).
  static std::uint32_t PixelOf(TColor Color) {
    auto c = static_cast<std::uint32_t>(Color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  std::uint32_t* Row(int Y) { return px.data() + static_cast<std::ptrdiff_t>(Y) * w; }
  // Positions Lo..Hi (inclusive, any order) in one colour.
  void Band(int Lo, int Hi, TColor Color) {
    if (Lo > Hi) std::swap(Lo, Hi);
    std::uint32_t rgb = PixelOf(Color);
    for (int pos = Lo; pos <= Hi; ++pos) {
      if (vertical)
        std::fill_n(Row(pos), w, rgb);
      else
        for (int y = 0; y < h; ++y) Row(y)[pos] = rgb;
    }
  }
  // A rectangle in one colour (clipped to the strip).
  void Fill(int L, int T, int R, int B, std::uint32_t Rgb) {
    L = std::max(L, 0), T = std::max(T, 0), R = std::min(R, w), B = std::min(B, h);
    if (L >= R) return;
    for (int y = T; y < B; ++y) std::fill(Row(y) + L, Row(y) + R, Rgb);
  }
  void Fill(int L, int T, int R, int B, TColor Color) { Fill(L, T, R, B, PixelOf(Color)); }
};

// The pixels a polygon covers (alternate rule), as the window layer's
// polygon fill gives them: on each row, from the crossing of one edge to
// that of the next (the right one excluded). An edge that is not level
// covers the rows from its upper end to the one above its lower end, and
// its crossing moves by the integer steps of the line between its ends,
// starting at the upper one.
struct Edge {
  int first = 0, last = -1;  // rows covered
  int x = 0, m = 0, m1 = 0, incr1 = 0, incr2 = 0, d = 0;
  int limit = 0;  // the larger step is taken while d > limit
  static Edge Between(TPoint A, TPoint B) {
    Edge e;
    if (A.Y == B.Y) return e;
    const TPoint& top = A.Y < B.Y ? A : B;
    const TPoint& bottom = A.Y < B.Y ? B : A;
    e.first = top.Y;
    e.last = bottom.Y - 1;
    int dy = bottom.Y - top.Y, dx = bottom.X - top.X;
    e.x = top.X;
    e.m = dx / dy;
    if (dx < 0) {
      e.m1 = e.m - 1;
      e.incr1 = -2 * dx + 2 * dy * e.m1;
      e.incr2 = -2 * dx + 2 * dy * e.m;
      e.d = 2 * e.m * dy - 2 * dx - 2 * dy;
    } else {
      e.m1 = e.m + 1;
      e.incr1 = 2 * dx - 2 * dy * e.m1;
      e.incr2 = 2 * dx - 2 * dy * e.m;
      e.d = -2 * e.m * dy + 2 * dx;
    }
    e.limit = e.m1 > 0 ? 0 : -1;
    return e;
  }
  void Step() {
    bool large = d > limit;
    x += large ? m1 : m;
    d += large ? incr1 : incr2;
  }
};

// The edges of the diagonal bands, stepped down the rows together: each
// row's crossings are worked out for a run of them at once, without
// branches (which step an edge takes follows no pattern a branch could
// predict).
struct EdgeSet {
  static constexpr int kNone = INT_MAX;  // the crossing of an edge that does not cover the row
  std::vector<int> first, last, x, d, limit, m, dm, incr2, di;
  std::vector<int> crossing;  // on the current row
  int count = 0;
  // Room for N edges (the vectors keep theirs between pictures).
  void Start(int N) {
    for (auto* v : {&first, &last, &x, &d, &limit, &m, &dm, &incr2, &di, &crossing})
      if (v->size() < static_cast<std::size_t>(N)) v->resize(static_cast<std::size_t>(N));
    count = 0;
  }
  // The edge between A and B (see Edge), added.
  Edge Add(TPoint A, TPoint B) {
    Edge e = Edge::Between(A, B);
    std::size_t k = static_cast<std::size_t>(count++);
    first[k] = e.first, last[k] = e.last, limit[k] = e.limit, m[k] = e.m, dm[k] = e.m1 - e.m;
    incr2[k] = e.incr2, di[k] = e.incr1 - e.incr2;
    // An edge above the picture starts at its crossing with row 0.
    int cx = e.x, cd = e.d;
    if (e.first < 0 && e.last >= 0) {
      for (int y = e.first; y < 0; ++y) e.Step();
      cx = e.x, cd = e.d;
    }
    x[k] = cx, d[k] = cd;
    return e;
  }
  // The crossings of edges From..To - 1 with row Y, then a step to the next
  // row. Every edge is stepped on each row it covers but its last.
  TW_INLINE void Row(int Y, int From, int To) {
    RowOf(Y, To - From, crossing.data() + From, x.data() + From, d.data() + From, first.data() + From,
          last.data() + From, limit.data() + From, m.data() + From, dm.data() + From, incr2.data() + From,
          di.data() + From);
  }
  TW_INLINE static void RowOf(int Y, int N, int* __restrict Cx, int* __restrict X, int* __restrict D,
                               const int* __restrict First, const int* __restrict Last, const int* __restrict Limit,
                               const int* __restrict M, const int* __restrict Dm, const int* __restrict Incr2,
                               const int* __restrict Di) {
    for (int j = 0; j < N; ++j) {
      int covers = -static_cast<int>((First[j] <= Y) & (Y <= Last[j]));
      int steps = -static_cast<int>((First[j] <= Y) & (Y < Last[j]));
      int large = -static_cast<int>(D[j] > Limit[j]);
      Cx[j] = (X[j] & covers) | (kNone & ~covers);
      X[j] += steps & (M[j] + (large & Dm[j]));
      D[j] += steps & (Incr2[j] + (large & Di[j]));
    }
  }
};

// The diagonal bands of a picture. Band i is the polygon (Near, Edge)
// (Far, Edge) (X, FarY) (X, NearY) whose edges are the level one along Edge,
// the one from the near corner (edge i + its pass), the one from the far
// corner (the edge after) and the upright one at X (covering the rows from
// FarY to NearY or back, the lower end excluded).
struct BandSet {
  std::vector<int> x, uprightFirst, uprightLast, from, to;  // from..to: the rows it may cover
  std::vector<std::uint32_t> rgb;
  std::vector<int> pieceFrom, pieceTo;  // what it fills of the current row (none: empty)
  int count = 0;
  // Room for N bands (the vectors keep theirs between pictures).
  void Start(int N) {
    for (auto* v : {&x, &uprightFirst, &uprightLast, &from, &to, &pieceFrom, &pieceTo})
      if (v->size() < static_cast<std::size_t>(N)) v->resize(static_cast<std::size_t>(N));
    if (rgb.size() < static_cast<std::size_t>(N)) rgb.resize(static_cast<std::size_t>(N));
    count = 0;
  }
  // Of bands From..To - 1 (near edges at Crossing[band]), what each fills
  // of row Y: the pixels from the first of its crossings in order to the
  // second (the right one excluded), clipped to 0..W.
  TW_INLINE void Row(int Y, int W, int From, int To, const int* Crossing) {
    RowOf(Y, W, To - From, Crossing + From, x.data() + From, uprightFirst.data() + From,
          uprightLast.data() + From, pieceFrom.data() + From, pieceTo.data() + From);
  }
  TW_INLINE static void RowOf(int Y, int W, int N, const int* __restrict Cx, const int* __restrict X,
                               const int* __restrict UprightFirst, const int* __restrict UprightLast,
                               int* __restrict PieceFrom, int* __restrict PieceTo) {
    constexpr int kNone = EdgeSet::kNone;
    for (int i = 0; i < N; ++i) {
      int a = Cx[i], c = Cx[i + 1];
      int upright = -static_cast<int>((UprightFirst[i] <= Y) & (Y <= UprightLast[i]));
      int u = (X[i] & upright) | (kNone & ~upright);
      int small = std::min(a, c), large = std::max(a, c);
      int s0 = std::min(small, u), s1 = std::max(small, std::min(large, u));
      // Fewer than two crossings: nothing (the empty piece 0..0).
      int some = -static_cast<int>(s1 != kNone);
      PieceFrom[i] = std::max(s0, 0) & some;
      PieceTo[i] = std::min(s1, W) & some;
    }
  }
};

// Pixels Lo..Hi - 1 of a row in one colour. Where at least 16 pixels of the
// row follow Hi, whole blocks of 16 are written, past Hi too: the row is
// written from left to right, and what lies past the part already right is
// written again later.
TW_INLINE void RowPiece(std::uint32_t* Row, int Lo, int Hi, int W, std::uint32_t Rgb) {
  if (Hi + 16 <= W) {
    // (Most pieces take one block.)
    std::uint32_t* p = Row + Lo;
    for (int k = 0; k < 16; ++k) p[k] = Rgb;
    if (Hi - Lo > 16)
      for (p += 16; p < Row + Hi; p += 16)
        for (int k = 0; k < 16; ++k) p[k] = Rgb;
  } else {
    std::fill(Row + Lo, Row + Hi, Rgb);
  }
}

// Both passes of a diagonal gradient as bands of one colour each, with their
// edges: the first from the bottom-left corner, the second from the top-right
// one, the colour running on from pass to pass. Answers the first band of
// the second pass.
TW_INLINE int AddDiagonalBands(EdgeSet& edges, BandSet& bands, int W, int H, bool Mirror, FixedColor& cur,
                               FixedColor inc, std::int64_t stepX, std::int64_t stepY, int bandCount) {
  auto px = [&](std::int64_t v) {
    int x = static_cast<int>(v >> 16);
    return Mirror ? W - x : x;
  };
  int firstOfPass1 = 0;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) firstOfPass1 = bands.count;
    std::int64_t x = 0, y = std::int64_t{H} << 16;
    std::int64_t bandY = y;
    TColor bandColor = cur.Color();
    int run = 0;
    int edgeY = pass == 0 ? H : 0, edgeX = pass == 0 ? 0 : W;
    int ex = Mirror ? W - edgeX : edgeX;
    // Each band's edge from its near corner is the edge from the far corner
    // of the band before (the first band of a pass has an edge of its own).
    Edge nearEdge = edges.Add(Point(ex, static_cast<int>(bandY >> 16)), Point(px(x), edgeY));
    auto paint = [&](std::int64_t toX, std::int64_t toY, TColor color) {
      int nearY = static_cast<int>(bandY >> 16), farY = static_cast<int>(toY >> 16);
      Edge farEdge = edges.Add(Point(px(toX), edgeY), Point(ex, farY));
      int uf = std::min(nearY, farY), ul = std::max(nearY, farY) - 1;
      // The rows of its edges (a level edge covers none).
      int from = INT_MAX, to = INT_MIN;
      auto rows = [&](int f, int l) {
        if (f <= l) from = std::min(from, f), to = std::max(to, l);
      };
      rows(nearEdge.first, nearEdge.last);
      rows(farEdge.first, farEdge.last);
      rows(uf, ul);
      std::size_t k = static_cast<std::size_t>(bands.count++);
      bands.x[k] = ex, bands.uprightFirst[k] = uf, bands.uprightLast[k] = ul;
      bands.from[k] = std::max(from, 0), bands.to[k] = std::min(to, H - 1);
      bands.rgb[k] = Strip::PixelOf(color);
      nearEdge = farEdge;
      bandY = toY;
    };
    while (y > 0) {
      x += stepX, y -= stepY;
      cur.r += inc.r, cur.g += inc.g, cur.b += inc.b;
      TColor c = cur.Color();
      ++run;
      if (c != bandColor && run > bandCount) {
        paint(x, y, bandColor);
        bandColor = c;
        run = 0;
      }
    }
    // Past the far corner, so that the last band reaches it.
    paint(x + stepX, y - stepY, bandColor);
  }
  return firstOfPass1;
}

// The bands that may cover each row: from the first whose rows reach it to
// the last (a band between that does not cover it has fewer than two
// crossings there). An edge covers a row only where a band of it does.
TW_INLINE void BandsOfEachRow(const BandSet& bands, int H, std::vector<int>& firstBand, std::vector<int>& lastBand) {
  const int n = bands.count;
  firstBand.assign(static_cast<std::size_t>(H), n);
  lastBand.assign(static_cast<std::size_t>(H), -1);
  int* __restrict f = firstBand.data();
  int* __restrict l = lastBand.data();
  for (int i = 0; i < n; ++i) {
    int from = bands.from[static_cast<std::size_t>(i)], to = bands.to[static_cast<std::size_t>(i)];
    for (int y = from; y <= to; ++y) {
      f[y] = std::min(f[y], i);
      l[y] = i;
    }
  }
}

// Row pieces Lo..Hi of bands that run from left to right, painted in their
// order. Answers how far the row is right; what lies past it is written later.
TW_INLINE int PaintBandsRightward(std::uint32_t* row, int W, int lo, int hi, const int* pieceFrom,
                                  const int* pieceTo, const std::uint32_t* rgb, std::uint32_t Background) {
  int done = 0;
  for (int i = lo; i <= hi; ++i) {
    int from = pieceFrom[i], to = pieceTo[i];
    if (from <= done && done < to && to + 16 <= W) {
      // (The usual case: from where the band before ended, or over its end.)
      RowPiece(row, from, to, W, rgb[i]);
      done = to;
      continue;
    }
    if (from >= to) continue;
    if (to <= done) {
      // Over part of what the bands before painted.
      std::fill(row + from, row + to, rgb[i]);
      continue;
    }
    if (from > done) RowPiece(row, done, from, W, Background);
    RowPiece(row, from, to, W, rgb[i]);
    done = to;
  }
  return done;
}

// Row pieces Lo..Hi of bands that run from right to left: the row is still
// written from left to right, the bands taken last first, each only where the
// ones after it leave room; where they overlap otherwise, each band is
// painted over the ones before. Answers how far the row is right.
TW_INLINE int PaintBandsLeftward(std::uint32_t* row, int W, int lo, int hi, const int* pieceFrom,
                                 const int* pieceTo, const std::uint32_t* rgb, std::uint32_t Background) {
  int done = 0;
  int after = 0;  // the bands after it paint After..Done - 1
  for (int i = hi; i >= lo; --i) {
    int from = pieceFrom[i], to = pieceTo[i];
    if (from >= to) continue;
    if (from >= done) {
      if (from > done) RowPiece(row, done, from, W, Background), after = from;
      RowPiece(row, from, to, W, rgb[i]);
      done = to;
    } else if (from >= after) {
      if (to > done) RowPiece(row, done, to, W, rgb[i]), done = to;
    } else {
      std::fill_n(row, W, Background);
      for (int k = lo; k <= hi; ++k)
        if (pieceFrom[k] < pieceTo[k]) std::fill(row + pieceFrom[k], row + pieceTo[k], rgb[k]);
      return W;
    }
  }
  return done;
}

// Bands parallel to the diagonal from the top-left to the bottom-right
// corner: Start at the bottom-left corner, Stop at the top-right one
// (Mirror: the horizontal mirror image), over Background. Each band is one
// polygon, filled as the window layer's polygon fill would; the bands are
// painted row by row, each over the ones before.
TW_WIDE_VECTORS
void Diagonal(Strip& Picture, int W, int H, gui::COLORREF Start, gui::COLORREF Stop, bool Mirror, int BandHint,
              std::uint32_t Background) {
  int d = static_cast<int>(std::sqrt(double(W) * W + double(H) * H));
  int half = d / 2;
  FixedColor cur = FixedColor::From(Start);
  FixedColor inc = Increment(Start, Stop, std::int64_t{d} + 1);
  std::int64_t stepX = (std::int64_t{W} << 16) / half, stepY = (std::int64_t{H} << 16) / half;
  static EdgeSet edges;
  static BandSet bands;
  if (stepY <= 0) {
    // (Over 65536 columns a row: no step would ever reach the far corner.)
    Picture.Fill(0, 0, W, H, Background);
    return;
  }
  // A pass takes a step while y > 0 and paints a band at most once a step
  // and once after.
  int steps = static_cast<int>(((std::int64_t{H} << 16) + stepY - 1) / stepY);
  edges.Start(2 * (steps + 2));
  bands.Start(2 * (steps + 1));
  const int firstOfPass1 =
      AddDiagonalBands(edges, bands, W, H, Mirror, cur, inc, stepX, stepY, BandCount(BandHint, 255));
  static std::vector<int> firstBand, lastBand;
  BandsOfEachRow(bands, H, firstBand, lastBand);
  // Band i's near edge is edge i of pass 0, edge i + 1 of pass 1.
  auto nearEdge = [&](int i) { return i < firstOfPass1 ? i : i + 1; };
  for (int y = 0; y < H; ++y) {
    int lo = firstBand[static_cast<std::size_t>(y)], hi = lastBand[static_cast<std::size_t>(y)];
    std::uint32_t* row = Picture.Row(y);
    int done = 0;
    if (lo <= hi) {
      edges.Row(y, nearEdge(lo), nearEdge(hi) + 2);
      const int* cx = edges.crossing.data();
      if (lo < firstOfPass1) bands.Row(y, W, lo, std::min(hi + 1, firstOfPass1), cx);
      if (hi >= firstOfPass1) bands.Row(y, W, std::max(lo, firstOfPass1), hi + 1, cx + 1);
      done = Mirror ? PaintBandsLeftward(row, W, lo, hi, bands.pieceFrom.data(), bands.pieceTo.data(),
                                         bands.rgb.data(), Background)
                    : PaintBandsRightward(row, W, lo, hi, bands.pieceFrom.data(), bands.pieceTo.data(),
                                          bands.rgb.data(), Background);
    }
    if (done < W) RowPiece(row, done, W, W, Background);
  }
}

// A run of Count pixel positions First, First + Step, ... from From toward
// Target, in bands of one colour.
void LinearPass(Strip& S, int First, int Step, int Count, gui::COLORREF From, gui::COLORREF Target, int BandHint) {
  if (Count <= 0) return;
  FixedColor cur = FixedColor::From(From);
  FixedColor inc = Increment(From, Target, Count);
  int bandCount = BandCount(BandHint, 255);
  int bandStart = First, run = 0;
  TColor bandColor = cur.Color();
  int pos = First;
  for (int i = 0; i < Count; ++i, pos += Step) {
    TColor c = cur.Color();
    if (c != bandColor && run > bandCount) {
      S.Band(bandStart, pos - Step, bandColor);
      bandStart = pos;
      bandColor = c;
      run = 0;
    }
    ++run;
    cur.r += inc.r, cur.g += inc.g, cur.b += inc.b;
  }
  S.Band(bandStart, pos - Step, bandColor);
}

// The L-shaped bands of a box gradient in the top-left quarter of W x H
// (the middle row and column of an odd extent included), mirrored on both
// axes into Picture (W x H).
void Box(Strip& Picture, int W, int H, int XInset, int YInset, gui::COLORREF Start, gui::COLORREF Stop,
         int BandHint) {
  int cw = (W - 1) / 2 + 1, ch = (H - 1) / 2 + 1;
  Strip quarter(cw, ch, false);
  int x0 = std::max((W - 1) / 2 - XInset, 0), y0 = std::max((H - 1) / 2 - YInset, 0);
  int steps = std::max(x0, y0) + 1;
  std::int64_t x = std::int64_t{x0} << 16, y = std::int64_t{y0} << 16;
  std::int64_t dx = x / steps, dy = y / steps;
  FixedColor cur = FixedColor::From(Stop);
  FixedColor inc = Increment(Stop, Start, steps);
  int bandCount = BandCount(BandHint, 256);
  // The band's outer edges so far and where it started.
  int prevX = cw, prevY = ch;
  TColor bandColor = cur.Color();
  int run = 0;
  auto paint = [&](int nx, int ny, TColor color) {
    quarter.Fill(nx, ny, cw, prevY, color);
    quarter.Fill(nx, prevY, prevX, ch, color);
    prevX = nx, prevY = ny;
  };
  int lastX = cw, lastY = ch;
  for (int i = 0; i <= steps; ++i) {
    // Rounded up, so that only the last step reaches the outer edges and
    // the start colour lies there.
    int nx = static_cast<int>((std::max<std::int64_t>(x, 0) + 0xFFFF) >> 16);
    int ny = static_cast<int>((std::max<std::int64_t>(y, 0) + 0xFFFF) >> 16);
    TColor c = cur.Color();
    if (c != bandColor && run > bandCount) {
      paint(lastX, lastY, bandColor);
      bandColor = c;
      run = 0;
    }
    lastX = nx, lastY = ny;
    ++run;
    x -= dx, y -= dy;
    cur.r += inc.r, cur.g += inc.g, cur.b += inc.b;
  }
  paint(0, 0, bandColor);
  // Row y and column x of the picture are row and column of the quarter
  // counted from the near edge: the mirrors copy the rows and columns before
  // the middle exactly.
  for (int y = 0; y < H; ++y) {
    const std::uint32_t* from = quarter.Row(y < ch ? y : H - 1 - y);
    std::uint32_t* to = Picture.Row(y);
    std::copy(from, from + cw, to);
    std::reverse_copy(from, from + (W - cw), to + cw);
  }
}

// The bitmap gradients are painted in, kept between calls: the same
// gradient is painted again and again at one size (every repaint of a
// panel, a status bar or a button), and a new bitmap each time would cost
// more than the painting.
TBitmap& Scratch(int W, int H) {
  static std::unique_ptr<TBitmap> scratch;
  if (!scratch) scratch = std::make_unique<TBitmap>();
  if (scratch->Width() != W || scratch->Height() != H) scratch->SetSize(W, H);
  return *scratch;
}

}  // namespace

void PaintGradient(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                   TColor StopColor, int BandHint) {
  int w = std::abs(Rect.Right - Rect.Left), h = std::abs(Rect.Bottom - Rect.Top);
  if (w == 0 || h == 0 || StartColor == clNone || StopColor == clNone) return;
  gui::COLORREF start = ColorToRef(StartColor), stop = ColorToRef(StopColor);
  TBitmap& bitmap = Scratch(w, h);
  // The whole picture is computed in memory (every pixel written) and put
  // into the bitmap in one copy; its buffer is kept for the next call.
  static std::vector<std::uint32_t> buffer;
  Strip picture(w, h, std::move(buffer));
  switch (Direction) {
    case gdDiagonalUp:
    case gdDiagonalDown:
      // Over the start colour (a pixel no band covers shows it). A single
      // pixel has no diagonal to run along.
      if (start != stop && static_cast<int>(std::sqrt(double(w) * w + double(h) * h)) / 2 != 0) {
        std::uint32_t background = Strip::PixelOf(static_cast<TColor>(start));
        if (Direction == gdDiagonalUp)
          Diagonal(picture, w, h, start, stop, false, BandHint, background);
        else
          Diagonal(picture, w, h, stop, start, true, BandHint, background);
      } else {
        picture.Fill(0, 0, w, h, static_cast<TColor>(start));
      }
      break;
    case gdHorizontalEnd:
    case gdHorizontalCenter:
    case gdVerticalEnd:
    case gdVerticalCenter: {
      // The colour run (down the rows of a horizontal gradient, across the
      // columns of a vertical one), repeated over the whole area.
      bool rows = Direction == gdHorizontalEnd || Direction == gdHorizontalCenter;
      Strip strip = rows ? Strip(1, h, true) : Strip(w, 1, false);
      int length = rows ? h : w;
      if (Direction == gdHorizontalEnd || Direction == gdVerticalEnd) {
        LinearPass(strip, 0, 1, length, start, stop, BandHint);
      } else {
        int half = length / 2;
        LinearPass(strip, 0, 1, half, start, stop, BandHint);
        LinearPass(strip, length - 1, -1, length - half, start, stop, BandHint);
      }
      for (int y = 0; y < h; ++y) {
        if (rows)
          std::fill_n(picture.Row(y), w, strip.px[static_cast<std::size_t>(y)]);
        else
          std::copy(strip.px.begin(), strip.px.end(), picture.Row(y));
      }
      break;
    }
    case gdHorizontalBox:
    case gdVerticalBox:
    case gdSquareBox:
    case gdBigSquareBox: {
      if (start == stop || w < 5 || h <= 4) {
        picture.Fill(0, 0, w, h, static_cast<TColor>(start));
        break;
      }
      int xInset = Direction == gdHorizontalBox || Direction == gdBigSquareBox ? w / 4 : 0;
      int yInset = Direction == gdVerticalBox || Direction == gdBigSquareBox ? h / 4 : 0;
      Box(picture, w, h, xInset, yInset, start, stop, BandHint);
      break;
    }
  }
  gui::SetBitmapPixels(bitmap.Handle(), picture.px);
  buffer = std::move(picture.px);
  Canvas->RequireAll();
  gui::BitBlt(Canvas->Handle(), std::min(Rect.Left, Rect.Right), std::min(Rect.Top, Rect.Bottom), w, h,
              bitmap.Canvas()->Handle(), 0, 0, gui::SRCCOPY);
}

void ReplicateBlock(gui::HDC DC, int X, int Y, int Width, int Height, int BlockWidth, int BlockHeight,
                    gui::DWORD RasterOp) {
  if (BlockWidth <= 0 || BlockHeight <= 0) return;
  int bw = std::min(BlockWidth, Width), bh = std::min(BlockHeight, Height);
  bool down = bh < Height;
  while (bw < Width || bh < Height) {
    if (down) {
      int nh = std::min(2 * bh, Height);
      gui::BitBlt(DC, X, Y + bh, bw, nh - bh, DC, X, Y, RasterOp);
      bh = nh;
      down = bh < Height && bw >= Width;
    } else {
      int nw = std::min(2 * bw, Width);
      gui::BitBlt(DC, X + bw, Y, nw - bw, bh, DC, X, Y, RasterOp);
      bw = nw;
      down = bh < Height;
    }
  }
}

void MirrorQuarter(gui::HDC DC, int X, int Y, int Width, int Height, gui::DWORD RasterOp) {
  // The quarter holds the middle row and column of an odd extent; the
  // mirrors copy the rows and columns before them, exactly, so the picture
  // is symmetric on both axes.
  int halfW = Width / 2, halfH = Height / 2, cw = (Width - 1) / 2 + 1;
  if (halfH > 0) gui::StretchBlt(DC, X, Y + Height - 1, cw, -halfH, DC, X, Y, cw, halfH, RasterOp);
  if (halfW > 0) gui::StretchBlt(DC, X + Width - 1, Y, -halfW, Height, DC, X, Y, halfW, Height, RasterOp);
}
