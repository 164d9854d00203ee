// A gallery of what the window layer draws: frames and edges, text with its
// formatting flags and rotation, raster operations, the native edit and list
// box; and the windows that come and go over it: a shaped topmost popup
// shown without activation (as a balloon hint is), a popup menu and a
// message box. For looking at, and for the end-to-end test that compares
// real windows under an X server with the off-screen rendering.
//
//   gui_gallery                  shows the window until it is closed
//   gui_gallery --shots DIR      writes pictures of the screen over the
//                                window into DIR and ends: window.png,
//                                balloon.png, menu.png, message.png
//   gui_gallery --compare A B    exits 0 when two pictures are equal
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "platform/gui/App.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Images.h"
#include "platform/gui/Menu.h"
#include "platform/gui/Screen.h"
#include "platform/gui/TestSupport.h"
#include "platform/gui/Window.h"
#include "tools/gallery_support/GallerySupport.h"

using namespace gui;

namespace {

bool gDone = false;

void DrawFrames(HDC dc) {
  Rect r{10, 10, 150, 60};
  DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  r = Rect{160, 10, 300, 60};
  DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT);
  r = Rect{310, 10, 450, 60};
  DrawEdge(dc, r, EDGE_ETCHED, BF_RECT);
  r = Rect{460, 10, 600, 60};
  DrawEdge(dc, r, EDGE_BUMP, BF_RECT);
  Rect b{10, 70, 40, 90};
  DrawFrameControl(dc, b, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  b = Rect{45, 70, 75, 90};
  DrawFrameControl(dc, b, DFC_SCROLL, DFCS_SCROLLUP | DFCS_PUSHED);
  b = Rect{80, 70, 110, 90};
  DrawFrameControl(dc, b, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_INACTIVE);
  b = Rect{115, 70, 175, 90};
  DrawFrameControl(dc, b, DFC_BUTTON, DFCS_BUTTONPUSH);
  Rect f{185, 70, 300, 90};
  DrawFocusRect(dc, f);
  Rect grip{305, 70, 325, 90};
  DrawFrameControl(dc, grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  Rect check{330, 72, 346, 88};
  DrawFrameControl(dc, check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  Rect close{350, 70, 370, 90};
  DrawFrameControl(dc, close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
}

void DrawShapes(HDC dc) {
  // A dotted pen, a hatched and a pattern brush, a polygon of each fill mode.
  UniqueGdi<HPEN> dotted(CreatePen(PS_DOT, 1, RGB(0, 0, 160)));
  HPEN oldPen = SelectObject(dc, dotted.get());
  MoveToEx(dc, 10, 100, nullptr);
  LineTo(dc, 300, 100);
  UniqueGdi<HPEN> solid(CreatePen(PS_SOLID, 1, RGB(160, 0, 0)));
  SelectObject(dc, solid.get());
  UniqueGdi<HBRUSH> hatch(CreateHatchBrush(HS_DIAGCROSS, RGB(0, 128, 0)));
  HBRUSH oldBrush = SelectObject(dc, hatch.get());
  Rectangle(dc, 10, 110, 90, 170);
  std::uint32_t bits[64];
  for (int i = 0; i < 64; ++i) bits[i] = ((i / 8 + i % 8) % 2) ? 0x808080 : 0xC0C0C0;
  UniqueGdi<HBITMAP> pattern(CreateBitmapFromPixels(8, 8, bits));
  UniqueGdi<HBRUSH> patBrush(CreatePatternBrush(pattern.get()));
  SelectObject(dc, patBrush.get());
  Rectangle(dc, 100, 110, 180, 170);
  UniqueGdi<HBRUSH> fill(CreateSolidBrush(RGB(255, 200, 0)));
  SelectObject(dc, fill.get());
  Point star[5] = {{230, 110}, {250, 170}, {195, 132}, {265, 132}, {210, 170}};
  SetPolyFillMode(dc, ALTERNATE);
  Polygon(dc, star, 5);
  for (Point& p : star) p.X += 80;
  SetPolyFillMode(dc, WINDING);
  Polygon(dc, star, 5);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

void DrawTexts(HDC dc) {
  LogFont lf;
  lf.lfFaceName = "Tahoma";
  lf.lfHeight = -11;
  UniqueGdi<HFONT> font(CreateFontIndirect(lf));
  HFONT old = SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  Rect r{10, 180, 200, 230};
  DrawText(dc, "Word-wrapped text that needs more than one line in its box", r, DT_WORDBREAK);
  r = Rect{210, 180, 330, 196};
  DrawText(dc, "An ellipsis at the end of a long line", r, DT_SINGLELINE | DT_END_ELLIPSIS);
  r = Rect{210, 198, 330, 214};
  DrawText(dc, "C:\\Program Files\\Tarnwick\\LabelDesign.txt", r, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  r = Rect{210, 216, 330, 236};
  DrawText(dc, "&Save && Activate", r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  lf.lfEscapement = 900;
  lf.lfFaceName = "Verdana";
  lf.lfWeight = FW_BOLD;
  UniqueGdi<HFONT> up(CreateFontIndirect(lf));
  SelectObject(dc, up.get());
  SetTextColor(dc, RGB(0, 0, 128));
  TextOut(dc, 345, 240, "Rotated");
  lf.lfEscapement = 300;
  UniqueGdi<HFONT> slant(CreateFontIndirect(lf));
  SelectObject(dc, slant.get());
  SetTextColor(dc, RGB(128, 0, 0));
  TextOut(dc, 370, 235, "At 30 degrees");
  SelectObject(dc, old);
}

void DrawRasterOps(HDC dc) {
  // A monochrome mask drawn through SRCAND then SRCPAINT, and an inverted bar.
  UniqueDC mem(CreateCompatibleDC(dc));
  UniqueGdi<HBITMAP> mask(CreateBitmap(40, 40, 1, 1, nullptr));
  HBITMAP old = SelectObject(mem.get(), mask.get());
  Rect all{0, 0, 40, 40};
  FillRect(mem.get(), all, GetStockBrush(WHITE_BRUSH));
  SelectObject(mem.get(), GetStockBrush(BLACK_BRUSH));
  Ellipse(mem.get(), 4, 4, 36, 36);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, 460, 110, 40, 40, mem.get(), 0, 0, SRCAND);
  StretchBlt(dc, 510, 110, 80, 40, mem.get(), 0, 0, 40, 40, SRCINVERT);
  PatBlt(dc, 460, 160, 130, 10, DSTINVERT);
  SelectObject(mem.get(), old);
}

LRESULT PanelProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PaintStruct ps;
    HDC dc = BeginPaint(h, ps);
    DrawFrames(dc);
    DrawShapes(dc);
    DrawTexts(dc);
    DrawRasterOps(dc);
    EndPaint(h, ps);
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

// Runs once while a modal loop (a menu's, a message box's) runs.
std::function<void()> gInLoop;
constexpr std::uintptr_t kInLoopTimer = 77;

LRESULT FormProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_DESTROY) gDone = true;
  if (m == WM_TIMER && wp == kInLoopTimer) {
    KillTimer(h, kInLoopTimer);
    if (auto f = std::exchange(gInLoop, nullptr)) f();
    return 0;
  }
  return DefWindowProc(h, m, wp, lp);
}

HWND Build() {
  CreateParams f;
  f.windowName = "Tarnwick window layer gallery";
  f.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  f.x = 100;
  f.y = 100;
  f.width = 620;
  f.height = 420;
  f.proc = FormProc;
  f.background = GetSysColorBrush(COLOR_BTNFACE);
  HWND form = CreateWindow(f);

  CreateParams p;
  p.style = WS_CHILD | WS_VISIBLE;
  p.x = 0;
  p.y = 0;
  p.width = 620;
  p.height = 260;
  p.parent = form;
  p.proc = PanelProc;
  p.background = GetSysColorBrush(COLOR_BTNFACE);
  CreateWindow(p);

  CreateParams e;
  e.className = "EDIT";
  e.windowName = "Single-line edit";
  e.style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
  e.exStyle = WS_EX_CLIENTEDGE;
  e.x = 10;
  e.y = 270;
  e.width = 190;
  e.height = 21;
  e.parent = form;
  CreateWindow(e);
  e.windowName = "Multi-line edit\r\nwith a second line\r\nand a third";
  e.style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL | ES_AUTOHSCROLL;
  e.y = 300;
  e.height = 100;
  CreateWindow(e);

  CreateParams l;
  l.className = "LISTBOX";
  l.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_SORT;
  l.exStyle = WS_EX_CLIENTEDGE;
  l.x = 210;
  l.y = 270;
  l.width = 190;
  l.height = 130;
  l.parent = form;
  HWND list = CreateWindow(l);
  for (const char* s : {"<Address>", "<City and Town>", "<Employee>", "<Item Name>", "<Map Code>", "<Order Time>",
                        "<Phone>", "<Reference>"})
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(list, LB_SETCURSEL, 2);
  return form;
}

LRESULT BalloonProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PaintStruct ps;
    HDC dc = BeginPaint(h, ps);
    Rect all;
    GetClientRect(h, all);
    FillRect(dc, all, GetSysColorBrush(COLOR_INFOBK));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    Rect text{12, 8, all.Right - 8, 40};
    DrawText(dc, "A balloon: a shaped popup", text, DT_SINGLELINE | DT_NOPREFIX);
    EndPaint(h, ps);
    return 0;
  }
  if (m == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProc(h, m, wp, lp);
}

// A topmost popup with a rounded window region and a stem, shown without
// taking the activation.
HWND ShowBalloon(int x, int y) {
  CreateParams p;
  p.style = WS_POPUP;
  p.exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
  p.x = x;
  p.y = y;
  p.width = 200;
  p.height = 56;
  p.proc = BalloonProc;
  HWND balloon = CreateWindow(p);
  HRGN body = CreateRoundRectRgn(0, 0, 200, 40, 12, 12);
  Point stem[3] = {{20, 39}, {40, 39}, {20, 56}};
  UniqueGdi<HRGN> tip(CreatePolygonRgn(stem, 3, ALTERNATE));
  CombineRgn(body, body, tip.get(), RGN_OR);
  SetWindowRgn(balloon, body, false);
  SetWindowPos(balloon, HWND_TOPMOST, x, y, 200, 56, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  return balloon;
}

void Settle(std::chrono::milliseconds time) {
  auto until = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < until) WaitForEvents(std::chrono::milliseconds(20));
}

bool Shots(HWND form, const std::string& dir) {
  // A real display maps windows in its own time.
  auto settle = std::getenv("TW_GUI_TEST_DISPLAY") ? std::chrono::milliseconds(1000) : std::chrono::milliseconds(50);
  SetCursorPos(0, 0);
  ShowWindow(form, SW_SHOW);
  Settle(settle);
  Rect area;
  GetWindowRect(form, area);
  bool ok = true;
  auto shot = [&](const char* name) { ok = gallery::SaveScreenShot("gui_gallery", area, dir, name) && ok; };
  shot("window");
  HWND balloon = ShowBalloon(area.Left + 330, area.Top + 190);
  Settle(settle);
  shot("balloon");
  DestroyWindow(balloon);
  Settle(settle);
  auto inLoop = [&](std::function<void()> what) {
    gInLoop = std::move(what);
    SetTimer(form, kInLoopTimer, static_cast<UINT>(settle.count()));
  };
  HMENU menu = CreatePopupMenu();
  AppendMenuItem(menu, MF_STRING | MF_DEFAULT, 1, "&Open\tCtrl+O");
  AppendMenuItem(menu, MF_STRING | MF_CHECKED, 2, "&Word wrap");
  AppendMenuItem(menu, MF_SEPARATOR, 0, "");
  AppendMenuItem(menu, MF_STRING | MF_GRAYED, 3, "&Print");
  inLoop([&] {
    shot("menu");
    EndMenu();
  });
  TrackPopupMenu(menu, TPM_RETURNCMD, area.Left + 60, area.Top + 120, form);
  DestroyMenu(menu);
  inLoop([&] {
    shot("message");
    test::KeyToModalDialog(VK_RETURN);
  });
  MessageBox(form, "Changes applied", "Tarnwick", MB_OK | MB_ICONINFORMATION);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string shots;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--shots") && i + 1 < argc) shots = argv[++i];
    else if (!std::strcmp(argv[i], "--compare") && i + 2 < argc) {
      return gallery::ComparePictures("gui_gallery", argv[i + 1], argv[i + 2]);
    }
  }
  if (!shots.empty()) {
    // Fixed colours, faces and no antialiasing: the pictures depend on
    // nothing of the desktop.
    test::UseTestEnvironment();
  } else {
    std::string error;
    if (!Init({}, &error)) {
      std::fprintf(stderr, "gui_gallery: %s\n", error.c_str());
      return 1;
    }
  }
  HWND form = Build();
  if (!shots.empty()) {
    bool ok = Shots(form, shots);
    DestroyWindow(form);
    Shutdown();
    return ok ? 0 : 1;
  }
  ShowWindow(form, SW_SHOW);
  while (!gDone) WaitForEvents(std::chrono::milliseconds(1000));
  Shutdown();
  return 0;
}
