// The native controls: the toolkit widget behind the window, its place and
// visibility, input routed through the window procedure first, colours.
#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QScrollBar>

#include "platform/gui/Controls.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/Native.h"
#include "platform/gui/detail/NativeWidgets.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

int QtKeyOfChar(char32_t c) {
  switch (c) {
    case 8: return Qt::Key_Backspace;
    case 9: return Qt::Key_Tab;
    case 13: return Qt::Key_Return;
    case 27: return Qt::Key_Escape;
  }
  return 0;
}

// Routes the toolkit's input on a native widget through the window's
// procedure; what the procedure passes on to DefWindowProc reaches the widget.
class NativeFilter : public QObject {
public:
  NativeFilter(HWND hwnd, QWidget* widget) : QObject(widget), hwnd_(hwnd), widget_(widget) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    try {
      return Filter(watched, e);
    } catch (...) {
      ReportException(std::current_exception());
      return true;
    }
  }

private:
  bool Filter(QObject*, QEvent* e) {
    WindowObj* w = Win(hwnd_);
    NativeState* st = StateOf(widget_);
    if (!w || !st) return false;
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: return OnMouse(static_cast<QMouseEvent*>(e));
      case QEvent::Wheel: return OnWheel(static_cast<QWheelEvent*>(e));
      case QEvent::Leave:
        if (Windows().tracked == hwnd_) RouteMouseLeft();
        return false;
      case QEvent::ContextMenu:
        // The toolkit's own menu (cut, copy, paste) only where the control
        // takes input.
        return !IsEnabledChain(*w);
      case QEvent::KeyPress:
      case QEvent::KeyRelease: return OnKey(static_cast<QKeyEvent*>(e), *w, *st);
      case QEvent::FocusIn: {
        if (auto* le = qobject_cast<QLineEdit*>(widget_); le && !st->cueWhenFocused)
          le->setPlaceholderText(QString());
        // The toolkit tells of a focus change late: when the program has
        // moved the focus on since, this one is over and must not be
        // followed (it would move the focus back).
        if (widget_->hasFocus()) FocusFromToolkit(hwnd_);
        return false;
      }
      case QEvent::FocusOut: return OnFocusOut(e, *st);
      case QEvent::Paint: {
        UINT msg = WM_CTLCOLOREDIT;
        if (w->kind == WindowObj::Kind::ListBox)
          msg = WM_CTLCOLORLISTBOX;
        else if (w->style & (ES_READONLY | WS_DISABLED))
          msg = WM_CTLCOLORSTATIC;
        AskColors(*w, widget_, msg);
        return false;
      }
      default: return false;
    }
  }

  // Presses, releases, double clicks and moves; true when the window's
  // procedure kept the input from the widget.
  bool OnMouse(QMouseEvent* me) {
    MouseInput in;
    in.kind = me->type() == QEvent::MouseButtonPress     ? MouseInput::Down
              : me->type() == QEvent::MouseButtonRelease ? MouseInput::Up
              : me->type() == QEvent::MouseButtonDblClick ? MouseInput::DoubleClick
                                                          : MouseInput::Move;
    in.button = ButtonOf(me->button());
    in.global = me->globalPosition().toPoint();
    in.buttons = me->buttons();
    in.modifiers = me->modifiers();
    bool pass = RouteMouse(in, hwnd_);
    // A control takes the focus when clicked, as the toolkit would for
    // the user's own clicks.
    if (pass && in.kind == MouseInput::Down && Win(hwnd_) && GetFocus() != hwnd_) SetFocus(hwnd_);
    return !pass;
  }

  bool OnWheel(QWheelEvent* we) {
    MouseInput in;
    in.kind = MouseInput::Wheel;
    in.global = we->globalPosition().toPoint();
    in.buttons = we->buttons();
    in.modifiers = we->modifiers();
    in.wheelDelta = we->angleDelta().y();
    return !RouteMouse(in, hwnd_);
  }

  // A key goes through the window's procedure; the character it passes on
  // (perhaps another than was typed) is sent to the widget again.
  bool OnKey(QKeyEvent* ke, const WindowObj& w, NativeState& st) {
    if (st.resending) return false;
    if (!IsEnabledChain(w)) return true;
    bool press = ke->type() == QEvent::KeyPress;
    KeyRouting r = RouteKey(ke, press, hwnd_);
    if (!press || !r.charSent) return !r.keyPassed;
    if (r.keyPassed && r.charPassed && r.passedChar == r.originalChar) return false;
    if (r.charPassed && Win(hwnd_)) {
      int key = QtKeyOfChar(r.passedChar);
      QString text = key ? QString() : QString::fromUcs4(&r.passedChar, 1);
      QKeyEvent again(QEvent::KeyPress, key, Qt::NoModifier, text);
      st.resending = true;
      ++Windows().resendingKey;
      QCoreApplication::sendEvent(widget_, &again);
      --Windows().resendingKey;
      st.resending = false;
    }
    return true;
  }

  bool OnFocusOut(QEvent* e, const NativeState& st) {
    auto* le = qobject_cast<QLineEdit*>(widget_);
    if (!le) return false;
    le->setPlaceholderText(Decode(st.cueBanner, st.encoding));
    // The toolkit's line edit drops its selection when the focus
    // leaves; an edit keeps it (hidden unless ES_NOHIDESEL).
    int start = le->selectionStart();
    int length = static_cast<int>(le->selectedText().size());
    bool caretAtStart = le->cursorPosition() == start;
    static_cast<QObject*>(le)->event(e);
    if (start >= 0 && length > 0 && !le->hasSelectedText()) {
      if (caretAtStart)
        le->setSelection(start + length, -length);
      else
        le->setSelection(start, length);
    }
    return true;
  }

  HWND hwnd_;
  QWidget* widget_;
};

void InstallFilter(WindowObj& w, QWidget* widget) {
  auto* filter = new NativeFilter(w.handle, widget);
  widget->installEventFilter(filter);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) area->viewport()->installEventFilter(filter);
}

}  // namespace

NativeState* StateOf(QWidget* native) {
  if (auto* e = dynamic_cast<NativeLineEdit*>(native)) return &e->state;
  if (auto* e = dynamic_cast<NativeTextEdit*>(native)) return &e->state;
  if (auto* l = dynamic_cast<NativeListBox*>(native)) return &l->state;
  return nullptr;
}

QFont ToolkitFont(HFONT font) {
  if (FontObj* f = Font(font)) return f->qfont;
  return Font(GetStockFont(DEFAULT_GUI_FONT))->qfont;
}

void Notify(WindowObj& w, WORD code) {
  HWND parent = w.parent;
  HWND self = w.handle;
  if (Win(parent)) SendMessage(parent, WM_COMMAND, MAKEWPARAM(w.id, code), ToLParam(self));
}

void AskColors(WindowObj& w, QWidget* widget, UINT msg) {
  NativeState* st = StateOf(widget);
  if (!st) return;
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  COLORREF back = msg == WM_CTLCOLORSTATIC ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_WINDOW);
  if (Win(w.parent)) {
    HDC dc = CreateCompatibleDC(HDC{});
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    HBRUSH b = FromParam<HBRUSH>(SendMessage(w.parent, msg, ToWParam(dc), ToLParam(w.handle)));
    text = GetTextColor(dc);
    LogBrush lb;
    if (GetBrushInfo(b, lb) && lb.lbStyle == BS_SOLID) back = lb.lbColor;
    DeleteDC(dc);
  }
  QColor t = ToQColor(text), bk = ToQColor(back);
  // An edit shows its selection only while it has the focus, unless told
  // to keep showing it (ES_NOHIDESEL). The focus of the window layer: a
  // popup menu open over the edit does not take it.
  bool hideSelection = w.kind == WindowObj::Kind::Edit && !(w.style & ES_NOHIDESEL) && Windows().focus != w.handle;
  if (st->colorsKnown && st->textColor == t && st->baseColor == bk && st->selectionHidden == hideSelection) return;
  st->colorsKnown = true;
  st->textColor = t;
  st->baseColor = bk;
  st->selectionHidden = hideSelection;
  QPalette p = widget->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(g, QPalette::Base, bk);
    p.setColor(g, QPalette::Window, bk);
  }
  p.setColor(QPalette::Active, QPalette::Text, t);
  p.setColor(QPalette::Inactive, QPalette::Text, t);
  p.setColor(QPalette::Disabled, QPalette::Text, ToQColor(GetSysColor(COLOR_GRAYTEXT)));
  p.setColor(QPalette::Highlight, hideSelection ? bk : ToQColor(GetSysColor(COLOR_HIGHLIGHT)));
  p.setColor(QPalette::HighlightedText, hideSelection ? t : ToQColor(GetSysColor(COLOR_HIGHLIGHTTEXT)));
  widget->setPalette(p);
}

void CreateNative(WindowObj& w) {
  HostWidget* host = HostOf(w);
  QWidget* widget = w.kind == WindowObj::Kind::ListBox ? CreateListWidget(w, host) : CreateEditWidget(w, host);
  if (!widget) return;
  NativeState* st = StateOf(widget);
  st->hwnd = w.handle;
  st->encoding = EncodingOf(w.text);
  st->ownCursor = widget->cursor();
  widget->setFont(ToolkitFont(HFONT{}));
  widget->setAutoFillBackground(true);
  widget->hide();
  w.native = widget;
  InstallFilter(w, widget);
  NativeStyleChanged(w);
}

void DestroyNative(WindowObj& w) {
  QWidget* widget = w.native;
  w.native = nullptr;
  if (!widget) return;
  widget->hide();
  widget->setParent(nullptr);
  widget->deleteLater();
}

void PlaceNative(WindowObj& w) {
  QWidget* n = w.native;
  if (!n) return;
  HostWidget* host = HostOf(w);
  if (!host) {
    n->hide();
    return;
  }
  if (n->parentWidget() != host) n->setParent(host);
  QRect r(SurfaceOrigin(w, true), QSize(w.client.Width(), w.client.Height()));
  QRegion visible = VisibleRegion(w, true, false).translated(-r.topLeft());
  if (!IsShowing(w) || visible.isEmpty() || r.isEmpty()) {
    n->hide();
    return;
  }
  if (n->geometry() != r) n->setGeometry(r);
  if (visible == QRegion(QRect(QPoint(), r.size())))
    n->clearMask();
  else
    n->setMask(visible);
  if (n->isHidden()) n->show();
}

void NativeStyleChanged(WindowObj& w) {
  // A control made disabled (WS_DISABLED from its creation on) is disabled
  // in the toolkit too: no focus from a click, no menu of the toolkit's own,
  // the disabled colours.
  w.native->setEnabled(!(w.style & WS_DISABLED));
  if (w.kind == WindowObj::Kind::ListBox)
    ListStyleChanged(w);
  else
    EditStyleChanged(w);
}

void ReparentNatives(WindowObj& w) {
  if (w.native) PlaceNative(w);
  for (HWND c : w.children)
    if (WindowObj* child = Win(c)) ReparentNatives(*child);
}

void NativeSetFocus(WindowObj& w) {
  if (!w.native) return;
  if (HostWidget* host = HostOf(w))
    if (!host->isActiveWindow() && host->isVisible()) host->activateWindow();
  w.native->setFocus(Qt::OtherFocusReason);
}

bool NativeCaretPos(WindowObj& w, Point& p) {
  if (w.kind == WindowObj::Kind::Edit) return EditCaretPos(w, p);
  return false;
}

LRESULT DefNativeProc(WindowObj& w, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  if (msg == WM_SETFONT) {
    w.font = FromParam<HFONT>(wParam);
    w.native->setFont(ToolkitFont(w.font));
  }
  bool kindHandled = false;
  LRESULT r = w.kind == WindowObj::Kind::ListBox ? ListProc(w, msg, wParam, lParam, kindHandled)
                                                  : EditProc(w, msg, wParam, lParam, kindHandled);
  if (kindHandled) return r;
  if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_KEYDOWN || msg == WM_KEYUP ||
      msg == WM_SYSKEYUP) {
    MarkPassToToolkit(msg, wParam);
    return 0;
  }
  switch (msg) {
    case WM_SETFONT: return 0;
    case WM_SETCURSOR: {
      if (Win(w.parent) && SendMessage(w.parent, WM_SETCURSOR, wParam, lParam)) return 1;
      if (static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam))) != HTCLIENT) break;
      if (NativeState* st = StateOf(w.native)) w.native->setCursor(st->ownCursor);
      return 1;
    }
    case WM_ERASEBKGND: return 1;
    case WM_GETFONT: return ToLParam(w.font);
    case WM_SETFOCUS:
      Notify(w, w.kind == WindowObj::Kind::ListBox ? LBN_SETFOCUS : EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(w, w.kind == WindowObj::Kind::ListBox ? LBN_KILLFOCUS : EN_KILLFOCUS);
      return 0;
  }
  handled = false;
  return 0;
}

}  // namespace detail

bool ShowScrollBar(HWND hwnd, int bar, bool show) {
  detail::WindowObj* w = detail::Win(hwnd);
  if (!w) return false;
  auto* area = qobject_cast<QAbstractScrollArea*>(w->native);
  if (!area) return true;
  Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  if (bar == SB_HORZ || bar == SB_BOTH) {
    area->setHorizontalScrollBarPolicy(policy);
    if (show)
      w->style |= WS_HSCROLL;
    else
      w->style &= ~WS_HSCROLL;
  }
  if (bar == SB_VERT || bar == SB_BOTH) {
    area->setVerticalScrollBarPolicy(policy);
    if (show)
      w->style |= WS_VSCROLL;
    else
      w->style &= ~WS_VSCROLL;
  }
  return true;
}

}  // namespace gui
