// Mouse and keyboard input: which window gets it, and as which messages.
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>

#include <algorithm>

#include "platform/gui/Window.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

HWND gLastHitWindow{};
LRESULT gLastHitCode = HTCLIENT;

// What reached DefWindowProc of a native control during the current routing.
struct PassState {
  bool mouse = false;
  bool key = false;
  bool ch = false;
  char32_t chValue = 0;
} gPass;

HWND HitIn(WindowObj& w, QPoint pos /* w's window coordinates */, const QPoint& global) {
  QPoint inClient = pos - QPoint(w.client.Left, w.client.Top);
  bool inClientArea = QRect(0, 0, w.client.Width(), w.client.Height()).contains(inClient);
  if (inClientArea) {
    std::vector<HWND> children = w.children;
    for (HWND c : children) {
      WindowObj* child = Win(c);
      if (!child || !(child->style & WS_VISIBLE) || (child->style & WS_DISABLED)) continue;
      QPoint inChild = inClient - QPoint(child->bounds.Left, child->bounds.Top);
      if (!QRect(0, 0, child->bounds.Width(), child->bounds.Height()).contains(inChild)) continue;
      if (child->region && !child->region->contains(inChild)) continue;
      HWND found = HitIn(*child, inChild, global);
      if (!IsNull(found)) return found;
    }
  }
  HWND h = w.handle;
  LRESULT code = Dispatch(h, WM_NCHITTEST, 0, MAKELPARAM(global.x(), global.y()));
  if (code == HTTRANSPARENT) return HWND{};
  gLastHitWindow = h;
  gLastHitCode = code;
  return h;
}

UINT ClientMessage(MouseInput::Kind kind, int button, bool dblclk) {
  UINT base;
  switch (button) {
    case 2: base = WM_RBUTTONDOWN; break;
    case 3: base = WM_MBUTTONDOWN; break;
    default: base = WM_LBUTTONDOWN; break;
  }
  switch (kind) {
    case MouseInput::Down: return base;
    case MouseInput::Up: return base + 1;
    case MouseInput::DoubleClick: return dblclk ? base + 2 : base;
    default: return WM_MOUSEMOVE;
  }
}

constexpr UINT kNcOffset = WM_MOUSEMOVE - WM_NCMOUSEMOVE;

// While the layer sizes a window (SC_SIZE), the pointer's moves size it
// and the left button's release ends it; that input goes to no window.
// Answers whether the input was used so.
bool FollowSizing(const MouseInput& in) {
  WindowState& g = Windows();
  const Sizing s = *g.sizing;
  WindowObj* w = Win(s.window);
  if (!w || !(in.buttons & Qt::LeftButton)) {
    g.sizing.reset();
    return w && in.kind == MouseInput::Up && in.button == 1;
  }
  if (in.kind != MouseInput::Move) return true;
  QPoint d = in.global - s.start;
  Rect b = s.bounds;
  if (s.edges & 1) b.Left += d.x();
  if (s.edges & 2) b.Right += d.x();
  if (s.edges & 4) b.Top += d.y();
  if (s.edges & 8) b.Bottom += d.y();
  auto limit = [](int v, int least, int most) {
    return std::max(std::max(1, least), most > 0 ? std::min(v, most) : v);
  };
  int width = limit(b.Width(), w->minSize.cx, w->maxSize.cx);
  int height = limit(b.Height(), w->minSize.cy, w->maxSize.cy);
  // The edges that do not follow stay where they were.
  if (s.edges & 1)
    b.Left = b.Right - width;
  else
    b.Right = b.Left + width;
  if (s.edges & 4)
    b.Top = b.Bottom - height;
  else
    b.Bottom = b.Top + height;
  if (!(b == w->bounds)) SetWindowPos(s.window, HWND{}, b.Left, b.Top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void LeaveTracked() {
  WindowState& g = Windows();
  HWND t = g.tracked;
  g.tracked = HWND{};
  if (Win(t)) Dispatch(t, WM_MOUSELEAVE, 0, 0);
}

}  // namespace

int ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 3;
    default: return 0;
  }
}

WPARAM MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  WPARAM k = 0;
  if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
  if (buttons & Qt::RightButton) k |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) k |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}

HWND HitTest(WindowObj& root, QPoint surfacePos) {
  gLastHitWindow = HWND{};
  QPoint global = surfacePos + QPoint(root.bounds.Left, root.bounds.Top);
  if (root.region && !root.region->contains(surfacePos)) return HWND{};
  HWND h = HitIn(root, surfacePos, global);
  if (IsNull(h)) {
    gLastHitWindow = root.handle;
    gLastHitCode = HTCLIENT;
    return root.handle;
  }
  return h;
}

void MarkPassToToolkit(UINT msg, WPARAM wParam) {
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) gPass.mouse = true;
  if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) gPass.key = true;
  if (msg == WM_CHAR || msg == WM_SYSCHAR) {
    gPass.ch = true;
    gPass.chValue = static_cast<char32_t>(wParam);
  }
}

bool RouteMouse(const MouseInput& in, HWND under) {
  WindowState& g = Windows();
  if (g.sizing && in.kind != MouseInput::Wheel && FollowSizing(in)) return false;
  bool captured = !IsNull(g.capture) && Win(g.capture);
  HWND target = captured ? g.capture : under;
  if (in.kind == MouseInput::Move && Win(g.tracked) && g.tracked != under) LeaveTracked();
  if (!Win(target)) return false;
  RoutedInputState state(in.modifiers, in.buttons);
  // A window in a disabled one (a form behind a modal dialog) gets no input.
  if (!captured && !IsEnabledChain(*Win(target))) return false;
  Point screen{in.global.x(), in.global.y()};
  LRESULT hit;
  if (captured)
    hit = HTCLIENT;
  else if (target == gLastHitWindow)
    hit = gLastHitCode;
  else
    hit = Dispatch(target, WM_NCHITTEST, 0, PointToLParam(screen));
  if (!Win(target)) return false;
  WindowObj* tw = Win(target);
  bool client = hit == HTCLIENT;
  if (in.kind == MouseInput::Wheel) {
    HWND to = Win(g.focus) ? g.focus : target;
    WPARAM wp = MouseKeyState(in.buttons, in.modifiers) | (static_cast<WPARAM>(in.wheelDelta & 0xFFFF) << 16);
    gPass = PassState{};
    Dispatch(to, WM_MOUSEWHEEL, wp, PointToLParam(screen));
    return gPass.mouse;
  }
  UINT msg = ClientMessage(in.kind, in.button, tw->classStyle & CS_DBLCLKS);
  if (!captured && (in.kind == MouseInput::Down || in.kind == MouseInput::DoubleClick)) {
    // A click in a window that is not active asks whether to activate it.
    WindowObj* root = RootOf(*tw);
    if (root && root->handle != g.active && Activatable(*root)) {
      HWND rootHandle = root->handle;
      LRESULT how = Dispatch(target, WM_MOUSEACTIVATE, ToWParam(rootHandle),
                             MAKELPARAM(static_cast<int>(hit), static_cast<int>(msg)));
      if (!Win(target)) return false;
      if (how == MA_ACTIVATE || how == MA_ACTIVATEANDEAT) SetActiveWindow(rootHandle);
      if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT || !Win(target)) return false;
      tw = Win(target);
    }
  }
  g.pointer = target;
  if (!captured) {
    Dispatch(target, WM_SETCURSOR, ToWParam(target), MAKELPARAM(static_cast<int>(hit), static_cast<int>(msg)));
    if (!Win(target)) return false;
  }
  WPARAM wp;
  LPARAM lp;
  if (client) {
    Point c = screen;
    ScreenToClient(target, c);
    wp = MouseKeyState(in.buttons, in.modifiers);
    lp = PointToLParam(c);
  } else {
    msg -= kNcOffset;
    wp = static_cast<WPARAM>(hit);
    lp = PointToLParam(screen);
  }
  gPass = PassState{};
  Dispatch(target, msg, wp, lp);
  if (in.kind == MouseInput::Move && client && target == under && Win(target)) g.tracked = target;
  return gPass.mouse;
}

void RouteMouseLeft() {
  if (!Ready()) return;
  Windows().pointer = HWND{};
  if (Win(Windows().tracked)) LeaveTracked();
}

WPARAM VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WPARAM>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    if (modifiers & Qt::KeypadModifier) return VK_NUMPAD0 + static_cast<WPARAM>(key - Qt::Key_0);
    return static_cast<WPARAM>(key);
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<WPARAM>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_Asterisk: return (modifiers & Qt::KeypadModifier) ? VK_MULTIPLY : 0x38;
    case Qt::Key_Plus: return (modifiers & Qt::KeypadModifier) ? VK_ADD : 0xBB;
    case Qt::Key_Minus: return (modifiers & Qt::KeypadModifier) ? VK_SUBTRACT : 0xBD;
    case Qt::Key_Slash: return (modifiers & Qt::KeypadModifier) ? VK_DIVIDE : 0xBF;
    case Qt::Key_Period: return (modifiers & Qt::KeypadModifier) ? VK_DECIMAL : 0xBE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal: return 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 0xBC;
    case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
  }
  return 0;
}

int QtKeyOf(WPARAM vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<int>(vk);
  if (vk >= VK_F1 && vk <= VK_F1 + 23) return Qt::Key_F1 + static_cast<int>(vk - VK_F1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return Qt::Key_0 + static_cast<int>(vk - VK_NUMPAD0);
  switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_APPS: return Qt::Key_Menu;
    case 0xBA: return Qt::Key_Semicolon;
    case 0xBB: return Qt::Key_Equal;
    case 0xBC: return Qt::Key_Comma;
    case 0xBD: return Qt::Key_Minus;
    case 0xBE: return Qt::Key_Period;
    case 0xBF: return Qt::Key_Slash;
    case 0xC0: return Qt::Key_QuoteLeft;
    case 0xDB: return Qt::Key_BracketLeft;
    case 0xDC: return Qt::Key_Backslash;
    case 0xDD: return Qt::Key_BracketRight;
    case 0xDE: return Qt::Key_Apostrophe;
  }
  return 0;
}

KeyRouting RouteKey(QKeyEvent* e, bool press, HWND target) {
  KeyRouting out;
  if (!Win(target)) return out;
  Qt::KeyboardModifiers mods = e->modifiers();
  WPARAM vk = VirtualKeyOf(e->key(), mods);
  // A modifier key's own event carries the modifiers as they were before it;
  // its handler sees the key as it is now (down while pressed, up when let go).
  Qt::KeyboardModifiers own = vk == VK_SHIFT     ? Qt::ShiftModifier
                              : vk == VK_CONTROL ? Qt::ControlModifier
                              : vk == VK_MENU    ? Qt::AltModifier
                                                 : Qt::NoModifier;
  RoutedInputState state(press ? mods | own : mods & ~own, QGuiApplication::mouseButtons());
  bool alt = mods & Qt::AltModifier;
  std::uint32_t scan = e->nativeScanCode() & 0xFF;
  LPARAM data = static_cast<LPARAM>(1 | (scan << 16));
  if (alt) data |= static_cast<LPARAM>(KF_ALTDOWN) << 16;
  if (e->isAutoRepeat()) data |= static_cast<LPARAM>(KF_REPEAT) << 16;
  if (!press) data |= static_cast<LPARAM>(KF_UP | KF_REPEAT) << 16;
  bool sys = alt || vk == VK_F10;
  gPass = PassState{};
  if (vk) Dispatch(target, press ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP), vk, data);
  out.keyPassed = gPass.key || vk == 0;
  if (!press) return out;
  QString text = e->text();
  if (text.isEmpty() && vk == VK_TAB) text = QStringLiteral("\t");
  if (text.isEmpty()) return out;
  std::u32string chars = text.toStdU32String();
  if (chars.empty() || !Win(target)) return out;
  out.charSent = true;
  out.originalChar = chars.front();
  gPass.ch = false;
  for (char32_t c : chars) {
    if (!Win(target)) break;
    Dispatch(target, sys ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(c), data);
  }
  out.charPassed = gPass.ch;
  out.passedChar = gPass.chValue;
  return out;
}

}  // namespace detail
}  // namespace gui
