// Focus, activation, capture, hit tests by point, timers, the caret, cursors
// and keys.
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtGui/QGuiApplication>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include "platform/gui/Window.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/Native.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {

void OnWindowHiddenOrDestroyed(WindowObj& w) {
  WindowState& g = Windows();
  if (!IsNull(g.tracked) && (g.tracked == w.handle || IsChild(w.handle, g.tracked))) {
    HWND t = g.tracked;
    g.tracked = HWND{};
    if (Win(t) && t != w.handle) Dispatch(t, WM_MOUSELEAVE, 0, 0);
  }
}

namespace {

bool gSettingFocus = false;

HWND FindAt(WindowObj& w, QPoint posInWindow, UINT flags) {
  QPoint inClient = posInWindow - QPoint(w.client.Left, w.client.Top);
  for (HWND c : w.children) {
    WindowObj* child = Win(c);
    if (!child) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(child->style & WS_VISIBLE)) continue;
    if (!(child->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (child->style & WS_DISABLED)) continue;
    QPoint p = inClient - QPoint(child->bounds.Left, child->bounds.Top);
    if (!QRect(0, 0, child->bounds.Width(), child->bounds.Height()).contains(p)) continue;
    if (child->region && !child->region->contains(p)) continue;
    return FindAt(*child, p, flags);
  }
  return w.handle;
}

}  // namespace
}  // namespace detail

using namespace detail;

namespace {

// A native edit draws its selection by the focus of this layer: it is
// painted again when that focus comes or goes.
void RepaintNative(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w || !w->native) return;
  w->native->update();
  for (QWidget* part : w->native->findChildren<QWidget*>()) part->update();
}

}  // namespace

HWND SetFocus(HWND hwnd) {
  if (!Ready()) return HWND{};
  WindowState& g = Windows();
  HWND old = g.focus;
  if (!Win(old)) old = HWND{};
  if (hwnd == old) return old;
  WindowObj* w = Win(hwnd);
  if (!IsNull(hwnd)) {
    if (!w || !IsEnabledChain(*w) || !IsShowing(*w)) return HWND{};
    WindowObj* root = RootOf(*w);
    if (root && g.active != root->handle && Activatable(*root)) SetActiveWindow(root->handle);
    if (g.focus == hwnd) return old;
    if (!Win(hwnd)) return HWND{};
  }
  if (!IsNull(old)) Dispatch(old, WM_KILLFOCUS, ToWParam(hwnd), 0);
  if (!IsNull(hwnd) && !Win(hwnd)) return old;
  g.focus = hwnd;
  RepaintNative(old);
  RepaintNative(hwnd);
  if ((w = Win(hwnd))) {
    gSettingFocus = true;
    if (w->native) {
      NativeSetFocus(*w);
    } else if (HostWidget* host = HostOf(*w)) {
      host->setFocus(Qt::OtherFocusReason);
    }
    gSettingFocus = false;
    if (g.focus == hwnd) Dispatch(hwnd, WM_SETFOCUS, ToWParam(old), 0);
  }
  return old;
}

HWND GetFocus() {
  if (!Ready()) return HWND{};
  return Win(Windows().focus) ? Windows().focus : HWND{};
}

namespace detail {
void FocusFromToolkit(HWND hwnd) {
  if (gSettingFocus || !Ready() || Windows().focus == hwnd) return;
  SetFocus(hwnd);
}
}  // namespace detail

HWND GetActiveWindow() {
  if (!Ready()) return HWND{};
  return Win(Windows().active) ? Windows().active : HWND{};
}

HWND SetActiveWindow(HWND hwnd) {
  if (!Ready()) return HWND{};
  WindowState& g = Windows();
  HWND old = Win(g.active) ? g.active : HWND{};
  WindowObj* w = Win(hwnd);
  if (!w || hwnd == old) return old;
  WindowObj* root = RootOf(*w);
  hwnd = root->handle;
  if (hwnd == old) return old;
  if (!IsNull(old)) Dispatch(old, WM_ACTIVATE, WA_INACTIVE, ToLParam(hwnd));
  g.active = hwnd;
  if ((w = Win(hwnd)) && w->host) {
    w->host->raise();
    w->host->activateWindow();
  }
  if (Win(hwnd)) Dispatch(hwnd, WM_ACTIVATE, WA_ACTIVE, ToLParam(old));
  return old;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

bool SetForegroundWindow(HWND hwnd) { return !IsNull(SetActiveWindow(hwnd)) || GetActiveWindow() == hwnd; }

bool IsApplicationActive() {
  return QGuiApplication::applicationState() == Qt::ApplicationActive || (Ready() && Win(Windows().active));
}

HWND SetCapture(HWND hwnd) {
  if (!Ready()) return HWND{};
  WindowState& g = Windows();
  HWND old = Win(g.capture) ? g.capture : HWND{};
  if (!Win(hwnd) || hwnd == old) return old;
  g.capture = hwnd;
  if (!IsNull(old)) Dispatch(old, WM_CAPTURECHANGED, 0, ToLParam(hwnd));
  return old;
}

bool ReleaseCapture() {
  if (!Ready()) return false;
  WindowState& g = Windows();
  HWND old = g.capture;
  g.capture = HWND{};
  if (Win(old)) Dispatch(old, WM_CAPTURECHANGED, 0, 0);
  return true;
}

HWND GetCapture() {
  if (!Ready()) return HWND{};
  return Win(Windows().capture) ? Windows().capture : HWND{};
}

HWND WindowFromPoint(Point screen) {
  if (!Ready()) return HWND{};
  for (HWND t : Windows().topLevels) {
    WindowObj* w = Win(t);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    QPoint p(screen.X - w->bounds.Left, screen.Y - w->bounds.Top);
    if (!QRect(0, 0, w->bounds.Width(), w->bounds.Height()).contains(p)) continue;
    if (w->region && !w->region->contains(p)) continue;
    return FindAt(*w, p, CWP_SKIPINVISIBLE);
  }
  return HWND{};
}

HWND ChildWindowFromPointEx(HWND parent, Point client, UINT flags) {
  WindowObj* w = Win(parent);
  if (!w) return HWND{};
  if (!QRect(0, 0, w->client.Width(), w->client.Height()).contains(ToQPoint(client))) return HWND{};
  for (HWND c : w->children) {
    WindowObj* child = Win(c);
    if (!child) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(child->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (child->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (child->exStyle & WS_EX_TRANSPARENT)) continue;
    QPoint p = ToQPoint(client) - QPoint(child->bounds.Left, child->bounds.Top);
    if (!QRect(0, 0, child->bounds.Width(), child->bounds.Height()).contains(p)) continue;
    if (child->region && !child->region->contains(p)) continue;
    return c;
  }
  return parent;
}

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapse) {
  WindowObj* w = Win(hwnd);
  if (!w) return 0;
  auto& slot = w->timers[id];
  if (!slot) {
    slot = std::make_unique<TimerSlot>();
    QObject::connect(&slot->timer, &QTimer::timeout, [hwnd, id] {
      GuardedCall([&] {
        if (Win(hwnd)) Dispatch(hwnd, WM_TIMER, id, 0);
      });
    });
  }
  slot->timer.start(static_cast<int>(std::max<UINT>(1, elapse)));
  return id == 0 ? 1 : id;
}

bool KillTimer(HWND hwnd, std::uintptr_t id) {
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  auto it = w->timers.find(id);
  if (it == w->timers.end()) return false;
  // The timer may be the one firing now: let the toolkit finish with it.
  TimerSlot* slot = it->second.release();
  slot->timer.stop();
  w->timers.erase(it);
  QObject::disconnect(&slot->timer, nullptr, nullptr, nullptr);
  QTimer::singleShot(0, [slot] { delete slot; });
  return true;
}

bool CreateCaret(HWND hwnd, int width, int height) {
  if (!Win(hwnd)) return false;
  WindowState& g = Windows();
  g.caretOwner = hwnd;
  g.caretSize = QSize(width, height);
  g.caretPos = QPoint();
  return true;
}

bool DestroyCaret() {
  if (!Ready()) return false;
  Windows().caretOwner = HWND{};
  return true;
}

bool SetCaretPos(int x, int y) {
  if (!Ready() || IsNull(Windows().caretOwner)) return false;
  Windows().caretPos = QPoint(x, y);
  return true;
}

bool GetCaretPos(Point& p) {
  if (!Ready()) return false;
  WindowState& g = Windows();
  if (WindowObj* f = Win(g.focus))
    if (f->native) return NativeCaretPos(*f, p);
  if (IsNull(g.caretOwner)) return false;
  p = FromQPoint(g.caretPos);
  return true;
}

bool ShowCaret(HWND hwnd) { return Win(hwnd) != nullptr; }
bool HideCaret(HWND hwnd) { return Win(hwnd) != nullptr; }

HCURSOR LoadCursor(int id) {
  if (!Ready()) return HCURSOR{};
  auto& shared = Windows().sharedCursors;
  auto it = shared.find(id);
  if (it != shared.end()) return it->second;
  Qt::CursorShape shape;
  switch (id) {
    case IDC_IBEAM: shape = Qt::IBeamCursor; break;
    case IDC_WAIT: shape = Qt::WaitCursor; break;
    case IDC_CROSS: shape = Qt::CrossCursor; break;
    case IDC_UPARROW: shape = Qt::UpArrowCursor; break;
    case IDC_SIZENWSE: shape = Qt::SizeFDiagCursor; break;
    case IDC_SIZENESW: shape = Qt::SizeBDiagCursor; break;
    case IDC_SIZEWE: shape = Qt::SizeHorCursor; break;
    case IDC_SIZENS: shape = Qt::SizeVerCursor; break;
    case IDC_SIZEALL: shape = Qt::SizeAllCursor; break;
    case IDC_NO: shape = Qt::ForbiddenCursor; break;
    case IDC_HAND: shape = Qt::PointingHandCursor; break;
    case IDC_APPSTARTING: shape = Qt::BusyCursor; break;
    case IDC_HELP: shape = Qt::WhatsThisCursor; break;
    case IDC_ARROW: shape = Qt::ArrowCursor; break;
    default: return HCURSOR{};
  }
  auto c = std::make_unique<CursorObj>();
  c->cursor = QCursor(shape);
  c->shared = true;
  HCURSOR h = static_cast<HCURSOR>(Windows().cursors.Add(std::move(c)));
  shared[id] = h;
  return h;
}

HCURSOR CreateCursorFromBitmap(HBITMAP color, HBITMAP mask, Point hotSpot) {
  BitmapObj* c = Bmp(color);
  if (!c) return HCURSOR{};
  c->surface.End();
  QImage img = c->surface.image.convertToFormat(QImage::Format_ARGB32);
  if (BitmapObj* m = Bmp(mask)) {
    m->surface.End();
    for (int y = 0; y < img.height() && y < m->surface.image.height(); ++y)
      for (int x = 0; x < img.width() && x < m->surface.image.width(); ++x)
        if (qRed(m->surface.image.pixel(x, y)) > 127) img.setPixel(x, y, 0);
  }
  auto obj = std::make_unique<CursorObj>();
  obj->cursor = QCursor(QPixmap::fromImage(img), hotSpot.X, hotSpot.Y);
  return static_cast<HCURSOR>(Windows().cursors.Add(std::move(obj)));
}

bool DestroyCursor(HCURSOR cursor) {
  CursorObj* c = Cursor(cursor);
  if (!c || c->shared) return false;
  if (Windows().currentCursor == cursor) Windows().currentCursor = HCURSOR{};
  Windows().cursors.Remove(static_cast<std::uintptr_t>(cursor));
  return true;
}

HCURSOR SetCursor(HCURSOR cursor) {
  if (!Ready()) return HCURSOR{};
  WindowState& g = Windows();
  HCURSOR old = g.currentCursor;
  g.currentCursor = cursor;
  CursorObj* c = Cursor(cursor);
  // The shape shows over the window the pointer is on (the one whose
  // WM_SETCURSOR may be asking right now, before it is tracked).
  HWND under = Win(g.pointer) ? g.pointer : g.tracked;
  if (IsNull(under)) under = g.capture;
  if (WindowObj* w = Win(under)) {
    QWidget* widget = w->native ? w->native : static_cast<QWidget*>(HostOf(*w));
    if (widget) {
      if (c)
        widget->setCursor(c->cursor);
      else
        widget->setCursor(Qt::BlankCursor);
    }
  }
  return old;
}

HCURSOR GetCursor() { return Ready() ? Windows().currentCursor : HCURSOR{}; }

bool GetCursorPos(Point& p) {
  QPoint q = Ready() && Windows().testCursor ? *Windows().testCursor : QCursor::pos();
  p = Point{q.x(), q.y()};
  return true;
}

bool SetCursorPos(int x, int y) {
  if (Ready() && Windows().testCursor) Windows().testCursor = QPoint(x, y);
  QCursor::setPos(x, y);
  return true;
}

namespace {

// The state of the input event being routed, when one is.
struct Routed {
  bool active = false;
  Qt::KeyboardModifiers modifiers;
  Qt::MouseButtons buttons;
} gRouted;

std::int16_t KeyStateFrom(int vk, Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  bool down = false;
  switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU: down = mods & Qt::AltModifier; break;
    case VK_LBUTTON: down = buttons & Qt::LeftButton; break;
    case VK_RBUTTON: down = buttons & Qt::RightButton; break;
    case VK_MBUTTON: down = buttons & Qt::MiddleButton; break;
  }
  return static_cast<std::int16_t>(down ? 0x8000 : 0);
}

}  // namespace

namespace detail {

RoutedInputState::RoutedInputState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
    : hadOuter_(gRouted.active), outerModifiers_(gRouted.modifiers), outerButtons_(gRouted.buttons) {
  gRouted = Routed{true, modifiers, buttons};
}

RoutedInputState::~RoutedInputState() { gRouted = Routed{hadOuter_, outerModifiers_, outerButtons_}; }

}  // namespace detail

// While a key or mouse message is handled, the keys as they were when that
// input happened; otherwise as they are now.
std::int16_t GetKeyState(int vk) {
  if (gRouted.active) return KeyStateFrom(vk, gRouted.modifiers, gRouted.buttons);
  return GetAsyncKeyState(vk);
}

// The keyboard as it is now (asked of the window system where it can tell).
std::int16_t GetAsyncKeyState(int vk) {
  return KeyStateFrom(vk, QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

bool MessageBeep(UINT) {
  QApplication::beep();
  return true;
}

}  // namespace gui
