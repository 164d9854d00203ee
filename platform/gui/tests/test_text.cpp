// Fonts, text output and DrawText.
#include <algorithm>

#include "platform/gui/tests/GuiTest.h"

using namespace gui;
using guitest::Canvas;

namespace {

class GuiText : public guitest::GuiTest {
protected:
  // A font by face and height, selected into dc until the test ends.
  HFONT Use(HDC dc, const std::string& face, int height, int weight = FW_NORMAL, int escapement = 0) {
    LogFont lf;
    lf.lfFaceName = face;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfEscapement = escapement;
    fonts_.emplace_back(CreateFontIndirect(lf));
    SelectObject(dc, fonts_.back().get());
    return fonts_.back().get();
  }
  void TearDown() override {
    for (HDC dc : contexts_) SelectObject(dc, GetStockFont(SYSTEM_FONT));
    fonts_.clear();
    GuiTest::TearDown();
  }
  // The box around every pixel that is not white.
  static Rect Ink(const Canvas& c, int w, int h) {
    Rect r{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (c.At(x, y) != 0xFFFFFF) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
  }
  // The rows whose pixels from x0 up to x1 are all ink; the columns from y0
  // up to y1 for the second.
  static std::vector<int> FullRows(const Canvas& c, int x0, int x1, int h) {
    std::vector<int> rows;
    for (int y = 0; y < h; ++y) {
      int x = x0;
      while (x < x1 && c.At(x, y) != 0xFFFFFF) ++x;
      if (x == x1) rows.push_back(y);
    }
    return rows;
  }
  static std::vector<int> FullColumns(const Canvas& c, int y0, int y1, int w) {
    std::vector<int> columns;
    for (int x = 0; x < w; ++x) {
      int y = y0;
      while (y < y1 && c.At(x, y) != 0xFFFFFF) ++y;
      if (y == y1) columns.push_back(x);
    }
    return columns;
  }
  HDC Track(HDC dc) {
    contexts_.push_back(dc);
    return dc;
  }
  std::vector<UniqueGdi<HFONT>> fonts_;
  std::vector<HDC> contexts_;
};

TEST_F(GuiText, FacesAreSubstitutedAndRasterFacesHaveNoOutlines) {
  EXPECT_EQ(ResolveFace("Tahoma"), "DejaVu Sans");
  EXPECT_EQ(ResolveFace("ms sans serif"), "DejaVu Sans");
  EXPECT_EQ(ResolveFace("Courier New"), "DejaVu Sans Mono");
  EXPECT_EQ(ResolveFace("No Such Face At All"), "DejaVu Sans");
  Canvas c(10, 10);
  HDC dc = Track(c.dc());
  TextMetric tm;
  Use(dc, "Tahoma", -11);
  ASSERT_TRUE(GetTextMetrics(dc, tm));
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);  // set for a variable-pitch face
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
  EXPECT_EQ(GetTextFace(dc), "DejaVu Sans");
  Use(dc, "MS Sans Serif", -11);
  GetTextMetrics(dc, tm);
  EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
  Use(dc, "Courier New", -13);
  GetTextMetrics(dc, tm);
  EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);
  // A positive height is the cell height.
  Use(dc, "Verdana", 20);
  GetTextMetrics(dc, tm);
  EXPECT_NEAR(tm.tmHeight, 20, 1);
}

TEST_F(GuiText, ExtentAndOpaqueBackgroundAgree) {
  Canvas c(200, 40);
  HDC dc = Track(c.dc());
  Use(dc, "Tahoma", -11);
  Size ext;
  GetTextExtentPoint32(dc, "Label text", ext);
  TextMetric tm;
  GetTextMetrics(dc, tm);
  EXPECT_EQ(ext.cy, tm.tmHeight);
  EXPECT_GT(ext.cx, 30);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 0, 0));
  TextOut(dc, 10, 5, "Label text");
  Rect ink = Ink(c, 200, 40);
  EXPECT_EQ(ink, (Rect{10, 5, 10 + ext.cx, 5 + ext.cy}));
  // Alignment moves the text around the reference point.
  Canvas r(200, 40);
  HDC rdc = Track(r.dc());
  Use(rdc, "Tahoma", -11);
  SetBkMode(rdc, OPAQUE);
  SetBkColor(rdc, RGB(255, 0, 0));
  SetTextAlign(rdc, TA_RIGHT | TA_BASELINE);
  TextOut(rdc, 150, 30, "Label text");
  EXPECT_EQ(Ink(r, 200, 40), (Rect{150 - ext.cx, 30 - tm.tmAscent, 150, 30 - tm.tmAscent + tm.tmHeight}));
}

TEST_F(GuiText, TransparentTextDrawsOnlyGlyphsInTheTextColour) {
  Canvas c(100, 30);
  HDC dc = Track(c.dc());
  Use(dc, "Tahoma", -11);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 255));
  TextOut(dc, 2, 2, "Hi");
  int blue = c.CountColor(RGB(0, 0, 255));
  EXPECT_GT(blue, 10);
  EXPECT_EQ(blue + c.CountColor(0xFFFFFF), 100 * 30);  // no antialiasing in the test environment
}

TEST_F(GuiText, EscapementTurnsTheText) {
  Canvas flat(200, 200), up(200, 200);
  HDC f = Track(flat.dc()), u = Track(up.dc());
  Use(f, "Verdana", -14);
  Use(u, "Verdana", -14, FW_NORMAL, 900);
  SetBkMode(f, TRANSPARENT);
  SetBkMode(u, TRANSPARENT);
  TextOut(f, 50, 100, "Rotated text");
  TextOut(u, 100, 150, "Rotated text");
  Rect a = Ink(flat, 200, 200), b = Ink(up, 200, 200);
  // Turned by 90 degrees counter-clockwise: the run goes up from the reference point.
  EXPECT_NEAR(b.Height(), a.Width(), 2);
  EXPECT_NEAR(b.Width(), a.Height(), 2);
  EXPECT_LE(b.Bottom, 151);
  EXPECT_GE(b.Left, 100);
  EXPECT_TRUE(guitest::SaveCanvasPng(up, "rotated-text.png"));
}

TEST_F(GuiText, DrawTextMeasuresWrapsAndAligns) {
  Canvas c(300, 200);
  HDC dc = Track(c.dc());
  Use(dc, "Tahoma", -11);
  TextMetric tm;
  GetTextMetrics(dc, tm);
  Size one;
  GetTextExtentPoint32(dc, "Save", one);
  Rect r{0, 0, 1000, 0};
  EXPECT_EQ(DrawText(dc, "Save", r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
  EXPECT_EQ(r, (Rect{0, 0, one.cx, tm.tmHeight}));
  // The accelerator mark takes no room; "&&" is one "&".
  Rect p{0, 0, 1000, 0};
  DrawText(dc, "&Save", p, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(p.Right, one.cx);
  Size amp;
  GetTextExtentPoint32(dc, "a&b", amp);
  Rect q{0, 0, 1000, 0};
  DrawText(dc, "a&&b", q, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(q.Right, amp.cx);
  Rect n{0, 0, 1000, 0};
  DrawText(dc, "a&&b", n, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_GT(n.Right, amp.cx);
  // Word breaks keep the words whole and report the lines' height.
  Rect w{0, 0, 60, 0};
  int h = DrawText(dc, "one two three four five six", w, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(h % tm.tmHeight, 0);
  EXPECT_GE(h / tm.tmHeight, 3);
  EXPECT_LE(w.Right, 60);
  EXPECT_EQ(w.Bottom, h);
  Rect lines{0, 0, 1000, 0};
  EXPECT_EQ(DrawText(dc, "a\r\nb\nc", lines, DT_CALCRECT), 3 * tm.tmHeight);
  Rect empty{5, 5, 50, 50};
  EXPECT_EQ(DrawText(dc, "", empty, DT_CALCRECT), 0);
  // Tabs expand to every eight average character widths.
  Size b;
  GetTextExtentPoint32(dc, "b", b);
  Rect t{0, 0, 1000, 0};
  DrawText(dc, "a\tb", t, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(t.Right, 8 * tm.tmAveCharWidth + b.cx);
  // Centred vertically and horizontally in a box.
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 0, 0));
  Rect box{0, 0, 100, 40};
  int off = DrawText(dc, "Save", box, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  int top = (40 - tm.tmHeight) / 2;
  EXPECT_EQ(off, top + tm.tmHeight);
  EXPECT_EQ(Ink(c, 300, 200), (Rect{(100 - one.cx) / 2, top, (100 - one.cx) / 2 + one.cx, top + tm.tmHeight}));
}

TEST_F(GuiText, EllipsesShortenWhatDoesNotFit) {
  Canvas c(10, 10);
  HDC dc = Track(c.dc());
  Use(dc, "Tahoma", -11);
  std::string out;
  Rect r{0, 0, 80, 20};
  DrawText(dc, "An ellipsis at the end of a long line", r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING, &out);
  ASSERT_GE(out.size(), 4u);
  EXPECT_EQ(out.substr(out.size() - 3), "...");
  Size s;
  GetTextExtentPoint32(dc, out, s);
  EXPECT_LE(s.cx, 80);
  Rect pr{0, 0, 150, 20};
  DrawText(dc, "C:\\Program Files\\Tarnwick\\LabelDesign.txt", pr, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING,
           &out);
  EXPECT_NE(out.find("...\\LabelDesign.txt"), std::string::npos);
  GetTextExtentPoint32(dc, out, s);
  EXPECT_LE(s.cx, 150);
  Rect fits{0, 0, 500, 20};
  out.clear();
  DrawText(dc, "short", fits, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING, &out);
  EXPECT_EQ(out, "short");
}

TEST_F(GuiText, RightToLeftReadingIsAcceptedAndLeavesLatinTextAsItIs) {
  // Punctuation at either end, several lines, tabs, an ellipsis: with a
  // Latin font the flag changes neither what is drawn nor what is measured.
  const char* texts[] = {"(Save all)!", "one two three, four five six seven.", "a\tb.", "1. Tarnwick&Co, labels"};
  const UINT layouts[] = {DT_SINGLELINE,
                          DT_SINGLELINE | DT_RIGHT,
                          DT_SINGLELINE | DT_CENTER | DT_VCENTER,
                          DT_WORDBREAK | DT_RIGHT,
                          DT_WORDBREAK | DT_CENTER,
                          DT_SINGLELINE | DT_END_ELLIPSIS,
                          DT_EXPANDTABS | DT_TABSTOP | (4u << 8)};
  for (const char* text : texts)
    for (UINT flags : layouts) {
      Canvas ltr(150, 60), rtl(150, 60);
      HDC a = Track(ltr.dc()), b = Track(rtl.dc());
      Use(a, "Tahoma", -11);
      Use(b, "Tahoma", -11);
      Rect ra{5, 5, 100, 55}, rb = ra;
      EXPECT_EQ(DrawText(a, text, ra, flags), DrawText(b, text, rb, flags | DT_RTLREADING)) << text << " " << flags;
      EXPECT_EQ(ra, rb);
      int differ = 0;
      for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 150; ++x) differ += ltr.At(x, y) != rtl.At(x, y);
      EXPECT_EQ(differ, 0) << text << " " << flags;
      EXPECT_NE(Ink(ltr, 150, 60), (Rect{150, 60, 0, 0})) << "something was drawn";
      Rect ca{0, 0, 100, 0}, cb = ca;
      EXPECT_EQ(DrawText(a, text, ca, flags | DT_CALCRECT), DrawText(b, text, cb, flags | DT_CALCRECT | DT_RTLREADING));
      EXPECT_EQ(ca, cb);
    }
}

TEST_F(GuiText, AcceleratorIsUnderlinedAndTextIsClippedToTheBox) {
  Canvas plain(120, 30), marked(120, 30);
  HDC a = Track(plain.dc()), b = Track(marked.dc());
  Use(a, "Tahoma", -11);
  Use(b, "Tahoma", -11);
  SetBkMode(a, TRANSPARENT);
  SetBkMode(b, TRANSPARENT);
  Rect r{2, 2, 118, 28};
  DrawText(a, "Save", r, DT_SINGLELINE);
  DrawText(b, "&Save", r, DT_SINGLELINE);
  Rect ia = Ink(plain, 120, 30), ib = Ink(marked, 120, 30);
  EXPECT_GT(ib.Bottom, ia.Bottom);  // the underline sits below the glyphs
  EXPECT_LE(ib.Left, ia.Left);  // the underline spans the whole advance of the "S"
  // Clipped to the rectangle unless DT_NOCLIP.
  Canvas clip(120, 30);
  HDC cd = Track(clip.dc());
  Use(cd, "Tahoma", -11);
  Rect small{0, 0, 10, 30};
  DrawText(cd, "Wide text", small, DT_SINGLELINE);
  EXPECT_LE(Ink(clip, 120, 30).Right, 10);
  Canvas noclip(120, 30);
  HDC nd = Track(noclip.dc());
  Use(nd, "Tahoma", -11);
  DrawText(nd, "Wide text", small, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(Ink(noclip, 120, 30).Right, 10);
  // ExtTextOut: an opaque rectangle and clipping to it.
  Canvas ext(120, 30);
  HDC ed = Track(ext.dc());
  Use(ed, "Tahoma", -11);
  SetBkColor(ed, RGB(0, 255, 0));
  Rect er{10, 5, 30, 20};
  ExtTextOut(ed, 10, 5, ETO_OPAQUE | ETO_CLIPPED, &er, "Wide text");
  Rect ink = Ink(ext, 120, 30);
  EXPECT_EQ(ink, er);
}

TEST_F(GuiText, UnderlineAndStrikeOutRunUnderTheWholeTextInEveryPath) {
  LogFont lf;
  lf.lfFaceName = "Tahoma";
  lf.lfHeight = -13;
  lf.lfUnderline = 1;
  lf.lfStrikeOut = 1;
  UniqueGdi<HFONT> font(CreateFontIndirect(lf));
  lf.lfEscapement = 900;
  UniqueGdi<HFONT> turned(CreateFontIndirect(lf));
  const std::string text = "Labels and links";
  Size ext;
  TextMetric tm;
  {
    Canvas probe(10, 10);
    HDC dc = Track(probe.dc());
    SelectObject(dc, font.get());
    ASSERT_TRUE(GetTextExtentPoint32(dc, text, ext));
    ASSERT_TRUE(GetTextMetrics(dc, tm));
    SelectObject(dc, GetStockFont(SYSTEM_FONT));
  }
  // One line below the baseline (the underline) and one above it within the
  // cell (the strike-out), each over the whole run from x0 to x1, the text's
  // cell starting at top.
  auto expectLines = [&](const Canvas& c, int x0, int x1, int top, const char* path) {
    std::vector<int> rows = FullRows(c, x0, x1, 40);
    int baseline = top + tm.tmAscent;
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](int y) { return y >= baseline && y < top + tm.tmHeight; }))
        << path << ": no underline under the whole text";
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](int y) { return y > top && y < baseline - 1; }))
        << path << ": no strike-out through the whole text";
  };
  auto draw = [&](const char* path, int x0, int x1, auto&& paint) {
    Canvas c(200, 40);
    HDC dc = Track(c.dc());
    SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    paint(dc);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    expectLines(c, x0, x1, 5, path);
    guitest::SaveCanvasPng(c, std::string("decorated-") + path + ".png");
  };
  draw("textout", 5, 5 + ext.cx, [&](HDC dc) { TextOut(dc, 5, 5, text); });
  draw("drawtext", 5, 5 + ext.cx, [&](HDC dc) {
    Rect r{5, 5, 195, 35};
    DrawText(dc, text, r, DT_SINGLELINE | DT_NOPREFIX);
  });
  draw("accelerator", 5, 5 + ext.cx, [&](HDC dc) {
    Rect r{5, 5, 195, 35};
    DrawText(dc, "&" + text, r, DT_SINGLELINE);
  });
  // A control drawing on its parent: the origin moved to its place.
  draw("moved", 5, 5 + ext.cx, [&](HDC dc) {
    SetViewportOrgEx(dc, 40, 3, nullptr);
    TextOut(dc, -35, 2, text);
  });
  draw("moveddrawtext", 5, 5 + ext.cx, [&](HDC dc) {
    SetViewportOrgEx(dc, 60, 1, nullptr);
    Rect r{-55, 4, 135, 34};
    DrawText(dc, text, r, DT_SINGLELINE | DT_NOPREFIX);
  });
  draw("extclipped", 5, 5 + ext.cx, [&](HDC dc) {
    Rect r{0, 0, 200, 40};
    ExtTextOut(dc, 5, 5, ETO_CLIPPED, &r, text);
  });
  // Cut by a clipping rectangle: the lines run to its edge.
  draw("cut", 5, 60, [&](HDC dc) {
    Rect r{5, 5, 60, 35};
    DrawText(dc, text, r, DT_SINGLELINE | DT_NOPREFIX);
  });
  // Spaced wider than the face's own advances: the lines span the spacing.
  std::vector<int> dx(text.size(), 11);
  draw("spaced", 5, 5 + 11 * static_cast<int>(text.size()), [&](HDC dc) {
    ExtTextOut(dc, 5, 5, 0, nullptr, text, dx);
  });
  // Turned a quarter: the text runs up from the reference point, its
  // underline a column beside it over the whole run.
  Canvas up(40, 200);
  HDC u = Track(up.dc());
  SelectObject(u, turned.get());
  SetBkMode(u, TRANSPARENT);
  TextOut(u, 5, 190, text);
  std::vector<int> columns = FullColumns(up, 190 - ext.cx, 190, 40);
  int baseline = 5 + tm.tmAscent;
  EXPECT_TRUE(std::any_of(columns.begin(), columns.end(), [&](int x) { return x >= baseline; }))
      << "turned: no underline beside the whole text";
  EXPECT_TRUE(std::any_of(columns.begin(), columns.end(), [&](int x) { return x > 5 && x < baseline - 1; }))
      << "turned: no strike-out through the whole text";
  guitest::SaveCanvasPng(up, "decorated-turned.png");
}

}  // namespace
