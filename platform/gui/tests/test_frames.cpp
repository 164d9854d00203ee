// Non-client frames drawn by the window, window regions, reparenting,
// nested loops, monochrome surfaces, icons and the text codec.
#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/tests/GuiTest.h"

using namespace gui;
using guitest::Canvas;

namespace {

class GuiFrames : public guitest::GuiTest {};

// A window with a three-pixel frame of its own, painted in red.
LRESULT FramedProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCCALCSIZE) {
    InflateRect(reinterpret_cast<NcCalcSizeParams*>(l)->rgrc[0], -3, -3);
    return 0;
  }
  if (m == WM_NCPAINT) {
    HDC dc = GetWindowDC(h);
    Rect r = GetWindowBounds(h);
    ExcludeClipRect(dc, 3, 3, r.Width() - 3, r.Height() - 3);  // the client area is not the frame's
    UniqueGdi<HBRUSH> red(CreateSolidBrush(RGB(255, 0, 0)));
    FillRect(dc, Rect{0, 0, r.Width(), r.Height()}, red.get());
    ReleaseDC(h, dc);
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

TEST_F(GuiFrames, OwnFrameFromNcCalcSizeAndNcPaint) {
  HWND form = TopLevel(100, 100, 200, 200);
  ShowWindow(form, SW_SHOW);
  HWND w = Child(form, 10, 10, 50, 40, FramedProc);
  SetWindowLong(w, GWL_STYLE, GetWindowLong(w, GWL_STYLE));
  SetWindowPos(w, HWND{}, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  ProcessPending();
  Rect c;
  GetClientRect(w, c);
  EXPECT_EQ(c, (Rect{0, 0, 44, 34}));
  HBITMAP shot = test::CaptureWindow(w);
  std::vector<std::uint32_t> px = GetBitmapPixels(shot);
  DeleteObject(shot);
  EXPECT_EQ(px[static_cast<std::size_t>(1 * 50 + 1)], 0xFF0000u);   // the frame
  EXPECT_NE(px[static_cast<std::size_t>(20 * 50 + 25)], 0xFF0000u);
  // The frame repaints on request only.
  int ncPaints = 0;
  SetWindowProc(w, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_NCPAINT) ++ncPaints;
    return FramedProc(h, m, wp, lp);
  });
  InvalidateRect(w, nullptr, true);
  ProcessPending();
  EXPECT_EQ(ncPaints, 0);
  RedrawWindow(w, nullptr, HRGN{}, RDW_FRAME | RDW_INVALIDATE);
  ProcessPending();
  EXPECT_EQ(ncPaints, 1);
  DestroyWindow(w);
}

TEST_F(GuiFrames, WindowRegionClipsPainting) {
  HWND form = TopLevel(100, 100, 100, 100);
  ShowWindow(form, SW_SHOW);
  HWND w = Child(form, 0, 0, 100, 100, [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_PAINT) {
      PaintStruct ps;
      HDC dc = BeginPaint(h, ps);
      FillRect(dc, Rect{0, 0, 100, 100}, GetStockBrush(BLACK_BRUSH));
      EndPaint(h, ps);
      return 0;
    }
    return DefWindowProc(h, m, wp, lp);
  });
  Point tri[3] = {{0, 0}, {100, 0}, {0, 100}};
  SetWindowRgn(w, CreatePolygonRgn(tri, 3, ALTERNATE), true);
  ProcessPending();
  HDC dc = GetDC(form);
  EXPECT_EQ(GetPixel(dc, 10, 10), 0u);
  EXPECT_NE(GetPixel(dc, 90, 90), 0u);
  ReleaseDC(form, dc);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(w, copy), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(copy, 10, 10));
  DeleteObject(copy);
  DestroyWindow(w);
}

TEST_F(GuiFrames, ChildrenFollowTheirWindowToAnotherParent) {
  HWND a = TopLevel(100, 100, 200, 100);
  HWND b = TopLevel(400, 100, 200, 100);
  ShowWindow(a, SW_SHOW);
  ShowWindow(b, SW_SHOW);
  HWND panel = Child(a, 10, 10, 150, 60);
  HWND edit = Child(panel, 5, 5, 100, 20, {}, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, "EDIT");
  SetWindowText(edit, "moved along");
  ProcessPending();
  EXPECT_EQ(SetParent(panel, b), a);
  ProcessPending();
  EXPECT_EQ(GetAncestorRoot(edit), b);
  Point p{0, 0};
  ClientToScreen(edit, p);
  EXPECT_EQ(p, (Point{400 + 10 + 5 + 2, 100 + 10 + 5 + 2}));
  EXPECT_EQ(GetWindowText(edit), "moved along");
  SetFocus(edit);
  test::TypeText("!");
  EXPECT_EQ(GetWindowText(edit), "!moved along");
  // Out of every window: a top-level window of its own.
  EXPECT_EQ(SetParent(panel, HWND{}), b);
  EXPECT_EQ(GetAncestorRoot(edit), panel);
  DestroyWindow(panel);
}

TEST_F(GuiFrames, NestedLoopsUseTheInstalledRunner) {
  int turns = 0;
  SetModalLoopRunner([&](const std::function<bool()>& done) {
    while (!done()) {
      ++turns;
      WaitForEvents(std::chrono::milliseconds(10));
    }
  });
  HWND w = TopLevel(0, 0, 50, 50, [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_TIMER) {
      KillTimer(h, 2);
      test::KeyToModalDialog(VK_RETURN);
      return 0;
    }
    return DefWindowProc(h, m, wp, lp);
  });
  ShowWindow(w, SW_SHOW);
  SetTimer(w, 2, 20);
  EXPECT_EQ(MessageBox(w, "Saved.", "Tarnwick", MB_OK), IDOK);
  SetModalLoopRunner({});
  EXPECT_GT(turns, 0);
  DestroyWindow(w);
}

TEST_F(GuiFrames, MonochromeSurfacesHoldOnlyBlackAndWhite) {
  Canvas m(4, 1, 1);
  UniqueGdi<HBRUSH> light(CreateSolidBrush(RGB(200, 200, 200))), dark(CreateSolidBrush(RGB(60, 60, 60)));
  FillRect(m.dc(), Rect{0, 0, 2, 1}, light.get());
  FillRect(m.dc(), Rect{2, 0, 4, 1}, dark.get());
  EXPECT_EQ(m.Row(0), "..##");
  EXPECT_EQ(GetDeviceCaps(m.dc(), BITSPIXEL), 1);
  HBITMAP compatible = CreateCompatibleBitmap(m.dc(), 2, 2);
  BitmapInfo bi;
  GetBitmapInfo(compatible, bi);
  EXPECT_EQ(bi.bmBitsPixel, 1);
  DeleteObject(compatible);
}

TEST_F(GuiFrames, IconsDrawThroughTheirMask) {
  std::uint32_t colour[4] = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00};
  UniqueGdi<HBITMAP> c(CreateBitmapFromPixels(2, 2, colour));
  const std::uint8_t maskBits[4] = {0x40, 0, 0x40, 0};  // right column transparent
  UniqueGdi<HBITMAP> m(CreateBitmap(2, 2, 1, 1, maskBits));
  HICON icon = CreateIconFromBitmaps(c.get(), m.get());
  Canvas dst(4, 4);
  UniqueGdi<HBRUSH> blue(CreateSolidBrush(RGB(0, 0, 255)));
  FillRect(dst.dc(), Rect{0, 0, 4, 4}, blue.get());
  EXPECT_TRUE(DrawIconEx(dst.dc(), 1, 1, icon, 0, 0));
  EXPECT_EQ(dst.At(1, 1), RGB(255, 0, 0));  // opaque: the icon's colour
  EXPECT_EQ(dst.At(2, 1), RGB(0, 0, 255));  // transparent: what was there
  EXPECT_EQ(dst.At(1, 2), RGB(0, 255, 0));
  EXPECT_EQ(GetIconSize(icon), (Size{2, 2}));
  DestroyIcon(icon);
}

TEST_F(GuiFrames, TextKeepsItsBytesAcrossTheToolkit) {
  using namespace gui::detail;
  std::string utf8 = "a\xC3\xA9\xE2\x82\xAC";  // a, e-acute, euro sign
  EXPECT_EQ(EncodingOf(utf8), TextEncoding::Utf8);
  QString s = Decode(utf8);
  EXPECT_EQ(s.size(), 3);
  EXPECT_EQ(Encode(s, TextEncoding::Utf8), utf8);
  EXPECT_EQ(ByteOffset(s, 2, TextEncoding::Utf8), 3);
  EXPECT_EQ(CharIndex(s, 3, TextEncoding::Utf8), 2);
  EXPECT_EQ(CharIndex(s, 4, TextEncoding::Utf8), 2);  // inside the euro sign: before it
  std::string cp = "a\xE9\x80";                         // the same in Windows-1252
  EXPECT_EQ(EncodingOf(cp), TextEncoding::Cp1252);
  EXPECT_EQ(Decode(cp), s);
  EXPECT_EQ(Encode(s, TextEncoding::Cp1252), cp);
  EXPECT_EQ(Encode(QString::fromUtf8("\xE2\x98\x83"), TextEncoding::Cp1252), "?");  // no such character
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));   // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
}

}  // namespace
