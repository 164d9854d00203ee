// Sending messages and the default window procedure.
#include <QtGui/QWindow>

#include <cstring>
#include <optional>

#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/Native.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {

LRESULT Dispatch(HWND h, UINT msg, WPARAM w, LPARAM l) {
  WindowObj* win = Win(h);
  if (!win) return 0;
  WindowState& g = Windows();
  std::shared_ptr<WindowProc> proc = win->proc;
  g.messageStack.push_back(Msg{h, msg, w, l});
  struct Pop {
    ~Pop() {
      if (Ready() && !Windows().messageStack.empty()) Windows().messageStack.pop_back();
    }
  } pop;
  if (proc && *proc) return (*proc)(h, msg, w, l);
  return DefWindowProc(h, msg, w, l);
}

namespace {

struct FrameSizes {
  int border = 0;  // WS_BORDER (outermost)
  int staticEdge = 0;
  int clientEdge = 0;
  int Total() const { return border + staticEdge + clientEdge; }
};

FrameSizes FrameOf(const WindowObj& w) {
  FrameSizes f;
  bool decoratedTop = !(w.style & WS_CHILD) && (w.style & WS_CAPTION) == WS_CAPTION;
  if (decoratedTop) return f;
  if (w.style & WS_BORDER) f.border = 1;
  else if (w.style & WS_DLGFRAME) f.border = 3;
  if (w.exStyle & WS_EX_STATICEDGE) f.staticEdge = 1;
  if (w.exStyle & WS_EX_CLIENTEDGE) f.clientEdge = 2;
  return f;
}

void PaintDefaultFrame(WindowObj& w) {
  FrameSizes f = FrameOf(w);
  if (f.Total() == 0) return;
  HDC dc = GetWindowDC(w.handle);
  if (IsNull(dc)) return;
  Rect r{0, 0, w.bounds.Width(), w.bounds.Height()};
  if (f.border == 1) {
    FrameRect(dc, r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(r, -1, -1);
  } else if (f.border == 3) {
    DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    FrameRect(dc, r, GetSysColorBrush(COLOR_BTNFACE));
    InflateRect(r, -1, -1);
  }
  if (f.staticEdge) DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  if (f.clientEdge) DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  ReleaseDC(w.handle, dc);
}

int CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return IDC_SIZENESW;
  }
  return IDC_ARROW;
}

void SystemCommand(WindowObj& w, WPARAM cmd) {
  WindowObj* root = RootOf(w);
  if (!root || !root->host) return;
  QWindow* qw = root->host->windowHandle();
  switch (cmd & 0xFFF0) {
    case SC_CLOSE: PostMessage(root->handle, WM_CLOSE, 0, 0); break;
    case SC_MINIMIZE: ShowWindow(root->handle, SW_MINIMIZE); break;
    case SC_MAXIMIZE: ShowWindow(root->handle, SW_SHOWMAXIMIZED); break;
    case SC_RESTORE: ShowWindow(root->handle, SW_RESTORE); break;
    case SC_MOVE:
      if (qw) qw->startSystemMove();
      break;
    case SC_SIZE: {
      // The low four bits name the edges: 1 left, 2 right, 3 top, 4 top
      // left, 5 top right, 6 bottom, 7 bottom left, 8 (and 0) bottom right.
      static const int kEdges[9] = {10, 1, 2, 4, 5, 6, 8, 9, 10};
      WPARAM which = cmd & 0xF;
      int edges = kEdges[which <= 8 ? which : 8];
      Qt::Edges qe;
      if (edges & 1) qe |= Qt::LeftEdge;
      if (edges & 2) qe |= Qt::RightEdge;
      if (edges & 4) qe |= Qt::TopEdge;
      if (edges & 8) qe |= Qt::BottomEdge;
      if (qw && qw->startSystemResize(qe)) break;
      // Where the desktop does not size windows for a program (no window
      // manager offering it, the off-screen platform) the layer does:
      // the window follows the pointer while the left button stays down.
      if (GetKeyState(VK_LBUTTON) >= 0) break;
      Point p;
      GetCursorPos(p);
      Windows().sizing = Sizing{root->handle, edges, QPoint(p.X, p.Y), root->bounds};
      break;
    }
  }
}

}  // namespace
}  // namespace detail

using namespace detail;

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!Win(hwnd)) return 0;
  return Dispatch(hwnd, msg, wParam, lParam);
}

const Msg& CurrentMessage() {
  static const Msg none{};
  if (!Ready() || Windows().messageStack.empty()) return none;
  return Windows().messageStack.back();
}

namespace detail {
namespace {

// The frame around the client area: its size, painting, hit testing and the cursor over it.
std::optional<LRESULT> DefNonClient(HWND hwnd, WindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: return 1;
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NcCalcSizeParams*>(lParam);
      if (!p) return 0;
      int t = FrameOf(*w).Total();
      InflateRect(p->rgrc[0], -t, -t);
      return 0;
    }
    case WM_NCPAINT: PaintDefaultFrame(*w); return 0;
    case WM_NCHITTEST: {
      Rect wr;
      GetWindowRect(hwnd, wr);
      Point p = PointFromLParam(lParam);
      if (!PtInRect(wr, p)) return HTNOWHERE;
      Point c = p;
      ScreenToClient(hwnd, c);
      if (PtInRect(Rect{0, 0, w->client.Width(), w->client.Height()}, c)) return HTCLIENT;
      FrameSizes f = FrameOf(*w);
      int bx = p.X - wr.Left, by = p.Y - wr.Top;
      int b = f.border + f.staticEdge + f.clientEdge;
      if (b > 0 && (bx < b || by < b || wr.Right - 1 - p.X < b || wr.Bottom - 1 - p.Y < b)) return HTBORDER;
      return HTNOWHERE;
    }
    case WM_SETCURSOR: {
      if (!IsNull(w->parent) && SendMessage(w->parent, WM_SETCURSOR, wParam, lParam)) return 1;
      if (!(w = Win(hwnd))) return 0;
      LRESULT hit = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam)));
      if (hit == HTCLIENT) {
        // The cursor of the window the pointer is in (wParam), also when
        // its parent's procedure is the one answering.
        WindowObj* in = Win(FromParam<HWND>(wParam));
        if (!in) in = w;
        SetCursor(IsNull(in->cursor) ? LoadCursor(IDC_ARROW) : in->cursor);
        return 1;
      }
      SetCursor(LoadCursor(CursorForHit(hit)));
      return 0;
    }
  }
  return std::nullopt;
}

// Painting, and the colours controls are drawn in.
std::optional<LRESULT> DefPainting(HWND hwnd, WindowObj* w, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_ERASEBKGND: {
      if (IsNull(w->background)) return 0;
      Rect r{0, 0, w->client.Width(), w->client.Height()};
      FillRect(FromParam<HDC>(wParam), r, w->background);
      return 1;
    }
    case WM_PAINT: {
      PaintStruct ps;
      BeginPaint(hwnd, ps);
      EndPaint(hwnd, ps);
      return 0;
    }
    case WM_SETREDRAW: SetRedraw(hwnd, wParam != 0); return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = FromParam<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      return ToLParam(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = FromParam<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return ToLParam(GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return std::nullopt;
}

// The window text and font.
std::optional<LRESULT> DefTextAndFont(HWND hwnd, WindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT: {
      const char* s = reinterpret_cast<const char*>(lParam);
      w->text = s ? std::string(s) : std::string();
      if (w->host) w->host->setWindowTitle(Decode(w->text));
      return 1;
    }
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf || wParam == 0) return 0;
      std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
      std::memcpy(buf, w->text.data(), n);
      buf[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_SETFONT:
      w->font = FromParam<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, true);
      return 0;
    case WM_GETFONT: return ToLParam(w->font);
  }
  return std::nullopt;
}

// Closing, moving and sizing, activation and system commands.
std::optional<LRESULT> DefWindowState(HWND hwnd, WindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WindowPos*>(lParam);
      UINT flags = wp ? wp->flags : 0;
      if (!(flags & SWP_NOMOVE)) {
        QRect c = ClientRectInParentClient(*w);
        Dispatch(hwnd, WM_MOVE, 0, MAKELPARAM(c.x(), c.y()));
        if (!(w = Win(hwnd))) return 0;
      }
      if (!(flags & SWP_NOSIZE) || (flags & SWP_FRAMECHANGED)) {
        WPARAM kind = w->maximized ? SIZE_MAXIMIZED : w->minimized ? SIZE_MINIMIZED : SIZE_RESTORED;
        Dispatch(hwnd, WM_SIZE, kind, MAKELPARAM(w->client.Width(), w->client.Height()));
      }
      return 0;
    }
    case WM_MOUSEACTIVATE:
      // The parent decides first.
      if (!IsNull(w->parent)) {
        LRESULT r = SendMessage(w->parent, msg, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) {
        HWND f = GetFocus();
        if (IsNull(f) || (f != hwnd && !IsChild(hwnd, f))) SetFocus(hwnd);
      }
      return 0;
    case WM_SYSCOMMAND: SystemCommand(*w, wParam); return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && IsNull(w->parent)) SystemCommand(*w, SC_CLOSE);
      return 0;
  }
  return std::nullopt;
}

// Input a child leaves to its parent.
std::optional<LRESULT> DefForwardedInput(HWND, WindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      if (!IsNull(w->parent)) return SendMessage(w->parent, msg, wParam, lParam);
      return 0;
  }
  return std::nullopt;
}

}  // namespace
}  // namespace detail

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowObj* w = Win(hwnd);
  if (!w) return 0;
  if (w->native) {
    bool handled = false;
    LRESULT r = DefNativeProc(*w, msg, wParam, lParam, handled);
    if (handled) return r;
    if (!(w = Win(hwnd))) return 0;
  }
  using Group = std::optional<LRESULT> (*)(HWND, WindowObj*, UINT, WPARAM, LPARAM);
  static constexpr Group kGroups[] = {DefNonClient, DefPainting, DefTextAndFont, DefWindowState,
                                      DefForwardedInput};
  for (Group group : kGroups) {
    if (std::optional<LRESULT> r = group(hwnd, w, msg, wParam, lParam)) return *r;
  }
  return 0;
}

}  // namespace gui
