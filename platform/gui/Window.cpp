// Windows: creation and destruction, the tree, geometry, visibility and
// window data.
#include "platform/gui/Window.h"

#include <QtGui/QIcon>
#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <cctype>

#include "platform/gui/Controls.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/Native.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

bool NamesEqual(const std::string& a, const char* b) {
  std::size_t n = std::char_traits<char>::length(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return true;
}

Qt::WindowFlags HostFlags(const WindowObj& w) {
  Qt::WindowFlags flags;
  bool caption = (w.style & WS_CAPTION) == WS_CAPTION;
  if (caption) {
    flags = (w.exStyle & WS_EX_TOOLWINDOW) ? Qt::Tool : (IsNull(w.owner) ? Qt::Window : Qt::Dialog);
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (w.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (w.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (w.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  } else if (!Activatable(w)) {
    // A tool popup (hints): no frame, no taskbar entry, never active.
    flags = Qt::ToolTip | Qt::FramelessWindowHint;
  } else {
    flags = Qt::Window | Qt::FramelessWindowHint;
  }
  if (w.exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

void RemoveFrom(std::vector<HWND>& list, HWND h) { list.erase(std::remove(list.begin(), list.end(), h), list.end()); }

std::vector<HWND>& SiblingList(WindowObj& w) {
  if (WindowObj* p = Win(w.parent)) return p->children;
  return Windows().topLevels;
}

void ApplyHostGeometry(WindowObj& w) {
  if (!w.host) return;
  QRect g = ToQRect(w.bounds);
  w.host->PlaceQuietly(g);
  bool fixed = (w.style & WS_CAPTION) == WS_CAPTION && !(w.style & WS_THICKFRAME);
  if (fixed) {
    w.host->setFixedSize(g.size());
  } else {
    w.host->setMinimumSize(std::max(0, w.minSize.cx), std::max(0, w.minSize.cy));
    w.host->setMaximumSize(w.maxSize.cx > 0 ? w.maxSize.cx : QWIDGETSIZE_MAX,
                           w.maxSize.cy > 0 ? w.maxSize.cy : QWIDGETSIZE_MAX);
  }
  w.host->SyncSurfaceSize();
  if (w.region)
    w.host->setMask(*w.region);
  else
    w.host->clearMask();
}

// Asks the window for its client area within a proposed window rectangle.
void RecalcClient(WindowObj& w, WindowPos* pos) {
  NcCalcSizeParams p;
  p.rgrc[0] = w.bounds;
  p.rgrc[1] = w.bounds;
  p.rgrc[2] = w.bounds;
  p.lppos = pos;
  HWND h = w.handle;
  Dispatch(h, WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
  WindowObj* again = Win(h);
  if (!again) return;
  Rect c = p.rgrc[0];
  if (c.Right < c.Left) c.Right = c.Left;
  if (c.Bottom < c.Top) c.Bottom = c.Top;
  OffsetRect(c, -again->bounds.Left, -again->bounds.Top);
  again->client = c;
}

void DestroyTree(HWND h);

}  // namespace

bool Activatable(const WindowObj& w) {
  if ((w.style & WS_CAPTION) == WS_CAPTION) return true;
  return !(w.exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
}

bool IsShowing(const WindowObj& w) {
  const WindowObj* cur = &w;
  while (cur) {
    if (!(cur->style & WS_VISIBLE)) return false;
    if (IsNull(cur->parent)) return !cur->host || !cur->host->isHidden() || (cur->style & WS_VISIBLE);
    cur = Win(cur->parent);
  }
  return false;
}

bool IsEnabledChain(const WindowObj& w) {
  const WindowObj* cur = &w;
  while (cur) {
    if (cur->style & WS_DISABLED) return false;
    if (IsNull(cur->parent)) return true;
    cur = Win(cur->parent);
  }
  return false;
}

WindowObj* RootOf(WindowObj& w) {
  WindowObj* cur = &w;
  while (cur && !IsNull(cur->parent)) cur = Win(cur->parent);
  return cur;
}

HostWidget* HostOf(const WindowObj& w) {
  WindowObj* root = RootOf(const_cast<WindowObj&>(w));
  return root ? root->host.get() : nullptr;
}

QPoint SurfaceOrigin(const WindowObj& w, bool clientOnly) {
  QPoint p = clientOnly ? QPoint(w.client.Left, w.client.Top) : QPoint();
  const WindowObj* cur = &w;
  while (cur && !IsNull(cur->parent)) {
    const WindowObj* parent = Win(cur->parent);
    if (!parent) break;
    p += QPoint(cur->bounds.Left + parent->client.Left, cur->bounds.Top + parent->client.Top);
    cur = parent;
  }
  return p;
}

QRect ClientRectInParentClient(const WindowObj& w) {
  return QRect(w.bounds.Left + w.client.Left, w.bounds.Top + w.client.Top, w.client.Width(), w.client.Height());
}

void SyncNativeGeometry(WindowObj& w) {
  if (w.native) PlaceNative(w);
  for (HWND c : w.children)
    if (WindowObj* child = Win(c)) SyncNativeGeometry(*child);
}

// Invalidation after a change of geometry or visibility: what the window
// covered before and covers now, in its parent (or itself for top-level).
void InvalidateForChange(WindowObj& w, const Rect& oldBounds, bool wasShowing) {
  if (WindowObj* parent = Win(w.parent)) {
    QRegion area;
    if (wasShowing) area += ToQRect(oldBounds);
    if (IsShowing(w)) area += ToQRect(w.bounds);
    if (!area.isEmpty()) InvalidateInternal(*parent, area, true, true, true);
  }
  if (IsShowing(w)) {
    w.ncInvalid = true;
    InvalidateInternal(w, QRegion(0, 0, w.client.Width(), w.client.Height()), true, true, true);
  }
}

namespace {

bool SetPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowObj* w = Win(h);
  if (!w) return false;
  WindowPos wp{h, insertAfter, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->bounds.Left;
    wp.y = w->bounds.Top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->bounds.Width();
    wp.cy = w->bounds.Height();
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    Dispatch(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = Win(h))) return false;
  }
  wp.cx = std::max(0, wp.cx);
  wp.cy = std::max(0, wp.cy);
  Rect oldBounds = w->bounds;
  bool wasShowing = IsShowing(*w);
  Rect newBounds{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  bool sizeChanged = newBounds.Width() != oldBounds.Width() || newBounds.Height() != oldBounds.Height();
  bool moved = newBounds.Left != oldBounds.Left || newBounds.Top != oldBounds.Top;
  w->bounds = newBounds;
  if (sizeChanged || (wp.flags & SWP_FRAMECHANGED)) {
    Rect oldClient = w->client;
    RecalcClient(*w, &wp);
    if (!(w = Win(h))) return false;
    if (w->client.Width() != oldClient.Width() || w->client.Height() != oldClient.Height()) wp.flags &= ~SWP_NOSIZE;
  }
  bool zChanged = false;
  if (!(wp.flags & SWP_NOZORDER)) {
    std::vector<HWND>& sib = SiblingList(*w);
    HWND after = wp.hwndInsertAfter;
    std::vector<HWND> old = sib;
    RemoveFrom(sib, h);
    if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
      sib.insert(sib.begin(), h);
    } else if (after == HWND_BOTTOM) {
      sib.push_back(h);
    } else {
      auto it = std::find(sib.begin(), sib.end(), after);
      sib.insert(it == sib.end() ? sib.begin() : it + 1, h);
    }
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    zChanged = sib != old;
    if (zChanged && w->host) w->host->raise();
  }
  bool visChanged = false;
  if ((wp.flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
    w->style |= WS_VISIBLE;
    visChanged = true;
  } else if ((wp.flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
    w->style &= ~WS_VISIBLE;
    visChanged = true;
  }
  if (w->host) {
    if (moved || sizeChanged) ApplyHostGeometry(*w);
    if (visChanged) {
      if (w->style & WS_VISIBLE) {
        if (wp.flags & SWP_NOACTIVATE) w->host->setAttribute(Qt::WA_ShowWithoutActivating, true);
        w->host->show();
        w->host->setAttribute(Qt::WA_ShowWithoutActivating, false);
      } else {
        w->host->hide();
      }
    }
    if (zChanged && (w->style & WS_VISIBLE)) w->host->raise();
  }
  if (visChanged && !(w->style & WS_VISIBLE)) OnWindowHiddenOrDestroyed(*w);
  Dispatch(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if (!(w = Win(h))) return false;
  if (!(wp.flags & SWP_NOREDRAW) && (moved || sizeChanged || visChanged || zChanged || (wp.flags & SWP_FRAMECHANGED)))
    InvalidateForChange(*w, oldBounds, wasShowing);
  if (moved || sizeChanged || visChanged || zChanged || (wp.flags & SWP_FRAMECHANGED)) {
    if (WindowObj* parent = Win(w->parent))
      SyncNativeGeometry(*parent);
    else
      SyncNativeGeometry(*w);
  }
  return true;
}

void DestroyTree(HWND h) {
  WindowObj* w = Win(h);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) DestroyTree(c);
  if (!(w = Win(h))) return;
  Dispatch(h, WM_NCDESTROY, 0, 0);
  if (!(w = Win(h))) return;
  w->timers.clear();
  ForgetWindowDcs(h);
  if (WindowObj* parent = Win(w->parent)) RemoveFrom(parent->children, h);
  RemoveFrom(Windows().topLevels, h);
  if (w->native) DestroyNative(*w);
  if (w->host) {
    HostWidget* host = w->host.release();
    host->Detach();
    host->hide();
    host->deleteLater();
  }
  if (w->region) w->region.reset();
  WindowState& g = Windows();
  if (g.focus == h) g.focus = HWND{};
  if (g.capture == h) g.capture = HWND{};
  if (g.active == h) g.active = HWND{};
  if (g.tracked == h) g.tracked = HWND{};
  if (g.pointer == h) g.pointer = HWND{};
  if (g.sizing && g.sizing->window == h) g.sizing.reset();
  if (g.caretOwner == h) g.caretOwner = HWND{};
  g.windows.Remove(static_cast<std::uintptr_t>(h));
}

void SendDestroy(HWND h) {
  Dispatch(h, WM_DESTROY, 0, 0);
  WindowObj* w = Win(h);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children)
    if (Win(c)) SendDestroy(c);
}

}  // namespace
}  // namespace detail

using namespace detail;

HWND CreateWindow(const CreateParams& params) {
  if (!Ready()) return HWND{};
  bool child = params.style & WS_CHILD;
  WindowObj* parent = Win(params.parent);
  if (child && !parent) return HWND{};
  auto obj = std::make_unique<WindowObj>();
  WindowObj& w = *obj;
  w.className = params.className;
  if (NamesEqual(params.className, EDIT_CLASS))
    w.kind = WindowObj::Kind::Edit;
  else if (NamesEqual(params.className, LISTBOX_CLASS))
    w.kind = WindowObj::Kind::ListBox;
  w.style = params.style & ~WS_VISIBLE;
  w.exStyle = params.exStyle;
  w.classStyle = params.classStyle;
  w.id = params.id;
  w.text = params.windowName;
  if (params.proc) w.proc = std::make_shared<WindowProc>(params.proc);
  w.background = params.background;
  w.cursor = params.cursor;
  // The edit's own cursor, as its class gives it.
  if (IsNull(w.cursor) && w.kind == WindowObj::Kind::Edit) w.cursor = LoadCursor(IDC_IBEAM);
  if (child)
    w.parent = params.parent;
  else
    w.owner = params.parent;
  w.bounds = Rect{params.x, params.y, params.x + std::max(0, params.width), params.y + std::max(0, params.height)};
  w.client = Rect{0, 0, w.bounds.Width(), w.bounds.Height()};
  HWND h = static_cast<HWND>(Windows().windows.Add(std::move(obj)));
  WindowObj* wp = Win(h);
  wp->handle = h;
  if (child)
    parent->children.insert(parent->children.begin(), h);
  else
    Windows().topLevels.insert(Windows().topLevels.begin(), h);
  if (!child) {
    wp->host = std::make_unique<HostWidget>(h, HostFlags(*wp));
    wp->host->setWindowTitle(Decode(wp->text));
    ApplyHostGeometry(*wp);
  }
  if (wp->kind != WindowObj::Kind::Plain) CreateNative(*wp);

  CreateStruct cs;
  cs.lpCreateParams = params.createParam;
  cs.hwndParent = params.parent;
  cs.id = params.id;
  cs.x = params.x;
  cs.y = params.y;
  cs.cx = params.width;
  cs.cy = params.height;
  cs.style = params.style;
  cs.exStyle = params.exStyle;
  cs.name = params.windowName;
  cs.className = params.className;
  if (Dispatch(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
    DestroyWindow(h);
    return HWND{};
  }
  if (!(wp = Win(h))) return HWND{};
  RecalcClient(*wp, nullptr);
  if (Dispatch(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return HWND{};
  }
  if (!(wp = Win(h))) return HWND{};
  Dispatch(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(wp->client.Width(), wp->client.Height()));
  if (!(wp = Win(h))) return HWND{};
  QRect c = ClientRectInParentClient(*wp);
  Dispatch(h, WM_MOVE, 0, MAKELPARAM(c.x(), c.y()));
  if (!(wp = Win(h))) return HWND{};
  if (wp->native) SyncNativeGeometry(*wp);
  if (params.style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return Win(h) ? h : HWND{};
}

bool DestroyWindow(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w || w->destroying) return false;
  w->destroying = true;
  WindowState& g = Windows();
  // Leave focus and capture first, while the windows still exist.
  if (!IsNull(g.focus) && (g.focus == hwnd || IsChild(hwnd, g.focus))) SetFocus(HWND{});
  if (!IsNull(g.capture) && (g.capture == hwnd || IsChild(hwnd, g.capture))) ReleaseCapture();
  if (!(w = Win(hwnd))) return true;
  if (w->style & WS_VISIBLE) {
    bool wasShowing = IsShowing(*w);
    Rect old = w->bounds;
    w->style &= ~WS_VISIBLE;
    if (w->host) w->host->hide();
    if (WindowObj* parent = Win(w->parent))
      if (wasShowing) InvalidateInternal(*parent, QRegion(ToQRect(old)), true, true, true);
    OnWindowHiddenOrDestroyed(*w);
  }
  SendDestroy(hwnd);
  DestroyTree(hwnd);
  return true;
}

bool IsWindow(HWND hwnd) { return Win(hwnd) != nullptr; }

WindowProc SetWindowProc(HWND hwnd, WindowProc proc) {
  WindowObj* w = Win(hwnd);
  if (!w) return {};
  WindowProc old = w->proc ? *w->proc : WindowProc{};
  w->proc = proc ? std::make_shared<WindowProc>(std::move(proc)) : nullptr;
  return old;
}

LRESULT CallWindowProc(const WindowProc& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (proc) return proc(hwnd, msg, wParam, lParam);
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::intptr_t GetWindowLong(HWND hwnd, int index) {
  WindowObj* w = Win(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return static_cast<std::intptr_t>(w->style);
    case GWL_EXSTYLE: return static_cast<std::intptr_t>(w->exStyle);
    case GWL_ID: return w->id;
    case GWL_USERDATA: return w->userData;
    case GWL_CLASSSTYLE: return static_cast<std::intptr_t>(w->classStyle);
  }
  return 0;
}

std::intptr_t SetWindowLong(HWND hwnd, int index, std::intptr_t value) {
  WindowObj* w = Win(hwnd);
  if (!w) return 0;
  std::intptr_t old = GetWindowLong(hwnd, index);
  switch (index) {
    case GWL_STYLE: {
      DWORD keep = w->style & (WS_VISIBLE | WS_CHILD);
      w->style = (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_CHILD)) | keep;
      if (w->native) NativeStyleChanged(*w);
      Dispatch(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(GWL_STYLE), 0);
      break;
    }
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      Dispatch(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(static_cast<std::intptr_t>(GWL_EXSTYLE)), 0);
      break;
    case GWL_ID: w->id = static_cast<int>(value); break;
    case GWL_USERDATA: w->userData = value; break;
    case GWL_CLASSSTYLE: w->classStyle = static_cast<DWORD>(value); break;
  }
  return old;
}

std::string GetClassName(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w ? w->className : std::string();
}

bool SetWindowText(HWND hwnd, const std::string& text) {
  if (!Win(hwnd)) return false;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::string GetWindowText(HWND hwnd) {
  if (!Win(hwnd)) return {};
  LRESULT len = SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (len <= 0) return {};
  std::string buf(static_cast<std::size_t>(len) + 1, '\0');
  LRESULT got = SendMessage(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, len)));
  return buf;
}

HWND GetParent(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w) return HWND{};
  return IsNull(w->parent) ? w->owner : w->parent;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  WindowObj* w = Win(hwnd);
  if (!w) return HWND{};
  WindowObj* np = Win(newParent);
  if (!IsNull(newParent) && (!np || newParent == hwnd || IsChild(hwnd, newParent))) return HWND{};
  HWND old = w->parent;
  if (old == newParent && !IsNull(old)) return old;
  bool wasShowing = IsShowing(*w);
  Rect oldBounds = w->bounds;
  if (WindowObj* op = Win(old)) {
    RemoveFrom(op->children, hwnd);
    if (wasShowing) InvalidateInternal(*op, QRegion(ToQRect(oldBounds)), true, true, true);
  } else {
    RemoveFrom(Windows().topLevels, hwnd);
  }
  if (np) {
    np->children.insert(np->children.begin(), hwnd);
    w->parent = newParent;
    w->style |= WS_CHILD;
    w->style &= ~WS_POPUP;
    if (w->host) {
      HostWidget* host = w->host.release();
      host->Detach();
      host->hide();
      host->deleteLater();
    }
  } else {
    Windows().topLevels.insert(Windows().topLevels.begin(), hwnd);
    w->parent = HWND{};
    w->style &= ~WS_CHILD;
    w->host = std::make_unique<HostWidget>(hwnd, HostFlags(*w));
    ApplyHostGeometry(*w);
    if (w->style & WS_VISIBLE) w->host->show();
  }
  ReparentNatives(*w);
  SyncNativeGeometry(*w);
  if (IsShowing(*w)) {
    w->ncInvalid = true;
    InvalidateInternal(*w, QRegion(0, 0, w->client.Width(), w->client.Height()), true, true, true);
  }
  return old;
}

bool IsChild(HWND parent, HWND hwnd) {
  WindowObj* w = Win(hwnd);
  while (w && !IsNull(w->parent)) {
    if (w->parent == parent) return true;
    w = Win(w->parent);
  }
  return false;
}

HWND GetAncestorRoot(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w) return HWND{};
  WindowObj* r = RootOf(*w);
  return r ? r->handle : HWND{};
}

HWND GetWindow(HWND hwnd, UINT relation) {
  WindowObj* w = Win(hwnd);
  if (!w) return HWND{};
  if (relation == GW_CHILD) return w->children.empty() ? HWND{} : w->children.front();
  if (relation == GW_OWNER) return w->owner;
  std::vector<HWND>& sib = SiblingList(*w);
  auto it = std::find(sib.begin(), sib.end(), hwnd);
  switch (relation) {
    case GW_HWNDFIRST: return sib.front();
    case GW_HWNDLAST: return sib.back();
    case GW_HWNDNEXT: return (it == sib.end() || it + 1 == sib.end()) ? HWND{} : *(it + 1);
    case GW_HWNDPREV: return (it == sib.end() || it == sib.begin()) ? HWND{} : *(it - 1);
  }
  return HWND{};
}

std::vector<HWND> GetChildren(HWND parent) {
  if (!Ready()) return {};
  if (IsNull(parent)) return Windows().topLevels;
  WindowObj* w = Win(parent);
  return w ? w->children : std::vector<HWND>{};
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return SetPos(hwnd, insertAfter, x, y, cx, cy, flags);
}

bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint) {
  return SetPos(hwnd, HWND{}, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND hwnd) {
  return SetPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

Rect GetWindowBounds(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w ? w->bounds : Rect{};
}

bool GetWindowRect(HWND hwnd, Rect& r) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  WindowObj* root = RootOf(*w);
  QPoint o = SurfaceOrigin(*w, false) + QPoint(root->bounds.Left, root->bounds.Top);
  r = Rect{o.x(), o.y(), o.x() + w->bounds.Width(), o.y() + w->bounds.Height()};
  return true;
}

bool GetClientRect(HWND hwnd, Rect& r) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  r = Rect{0, 0, w->client.Width(), w->client.Height()};
  return true;
}

bool ClientToScreen(HWND hwnd, Point& p) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  WindowObj* root = RootOf(*w);
  QPoint o = SurfaceOrigin(*w, true) + QPoint(root->bounds.Left, root->bounds.Top);
  p.X += o.x();
  p.Y += o.y();
  return true;
}

bool ScreenToClient(HWND hwnd, Point& p) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  WindowObj* root = RootOf(*w);
  QPoint o = SurfaceOrigin(*w, true) + QPoint(root->bounds.Left, root->bounds.Top);
  p.X -= o.x();
  p.Y -= o.y();
  return true;
}

void MapWindowPoints(HWND from, HWND to, Point* points, int count) {
  for (int i = 0; i < count; ++i) {
    if (!IsNull(from)) ClientToScreen(from, points[i]);
    if (!IsNull(to)) ScreenToClient(to, points[i]);
  }
}

void SetSizeLimits(HWND hwnd, Size minimum, Size maximum) {
  WindowObj* w = Win(hwnd);
  if (!w) return;
  w->minSize = minimum;
  w->maxSize = maximum;
  ApplyHostGeometry(*w);
}

bool ShowWindow(HWND hwnd, int command) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  bool wasVisible = w->style & WS_VISIBLE;
  if (command == SW_HIDE) {
    if (!wasVisible) return false;
    Dispatch(hwnd, WM_SHOWWINDOW, 0, 0);
    SetPos(hwnd, HWND{}, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  if (!wasVisible) {
    Dispatch(hwnd, WM_SHOWWINDOW, 1, 0);
    UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    if (command == SW_SHOWNOACTIVATE || command == SW_SHOWNA) flags |= SWP_NOACTIVATE;
    SetPos(hwnd, HWND{}, 0, 0, 0, 0, flags);
  }
  if (!(w = Win(hwnd))) return wasVisible;
  if (w->host) {
    if (command == SW_SHOWMAXIMIZED) {
      w->maximized = true;
      w->host->showMaximized();
    } else if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED) {
      w->minimized = true;
      w->host->showMinimized();
    } else if (command == SW_RESTORE || command == SW_SHOWNORMAL) {
      if (w->maximized || w->minimized) w->host->showNormal();
      w->maximized = w->minimized = false;
    }
    if (command != SW_SHOWNOACTIVATE && command != SW_SHOWNA && command != SW_MINIMIZE &&
        !(w->style & WS_DISABLED) && Activatable(*w))
      SetActiveWindow(hwnd);
  }
  return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w && (w->style & WS_VISIBLE);
}

bool IsWindowShowing(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w && IsShowing(*w);
}

bool IsIconic(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w && w->host && w->host->isMinimized();
}

bool IsZoomed(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w && w->host && w->host->isMaximized();
}

bool EnableWindow(HWND hwnd, bool enable) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  bool wasDisabled = w->style & WS_DISABLED;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable)
    w->style &= ~WS_DISABLED;
  else
    w->style |= WS_DISABLED;
  if (!enable) {
    WindowState& g = Windows();
    if (!IsNull(g.focus) && (g.focus == hwnd || IsChild(hwnd, g.focus))) SetFocus(HWND{});
    if (!IsNull(g.capture) && (g.capture == hwnd || IsChild(hwnd, g.capture))) ReleaseCapture();
  }
  if (!(w = Win(hwnd))) return wasDisabled;
  // Only a native control's own state changes its look: the controls of a
  // disabled window (a form behind a modal dialog, a disabled panel) look
  // as before and only get no input (the routing skips them).
  if (w->native) w->native->setEnabled(enable);
  Dispatch(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

bool IsWindowEnabled(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  return w && !(w->style & WS_DISABLED);
}

bool SetWindowRgn(HWND hwnd, HRGN region, bool redraw) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  bool wasShowing = IsShowing(*w);
  if (RegionObj* r = Rgn(region)) {
    w->region = r->rgn;
    DeleteObject(region);
  } else {
    w->region.reset();
  }
  if (w->host) {
    if (w->region)
      w->host->setMask(*w->region);
    else
      w->host->clearMask();
  }
  if (redraw) InvalidateForChange(*w, w->bounds, wasShowing);
  if (WindowObj* parent = Win(w->parent)) SyncNativeGeometry(*parent);
  return true;
}

int GetWindowRgn(HWND hwnd, HRGN into) {
  WindowObj* w = Win(hwnd);
  RegionObj* r = Rgn(into);
  if (!w || !r || !w->region) return ERROR;
  r->rgn = *w->region;
  if (r->rgn.isEmpty()) return NULLREGION;
  return r->rgn.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool SetWindowIcon(HWND hwnd, HICON icon) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  w->icon = icon;
  if (w->host) {
    if (IconObj* i = Icon(icon)) {
      QImage img = i->color.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < img.height() && y < i->mask.height(); ++y)
        for (int x = 0; x < img.width() && x < i->mask.width(); ++x)
          if (qRed(i->mask.pixel(x, y)) > 127) img.setPixel(x, y, 0);
      w->host->setWindowIcon(QIcon(QPixmap::fromImage(img)));
    } else {
      w->host->setWindowIcon(QIcon());
    }
  }
  return true;
}

}  // namespace gui
