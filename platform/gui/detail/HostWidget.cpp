// The toolkit window behind a top-level window.
#include "platform/gui/detail/HostWidget.h"

#include <QtGui/QPainter>
#include <QtGui/QResizeEvent>

#include "platform/gui/Window.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/QtConv.h"

namespace gui::detail {
namespace {

}  // namespace

HostWidget::HostWidget(HWND hwnd, Qt::WindowFlags flags) : QWidget(nullptr, flags), hwnd_(hwnd) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

HostWidget::~HostWidget() = default;

void HostWidget::SyncSurfaceSize() {
  QSize s = size().expandedTo(QSize(1, 1));
  if (surface_.image.size() == s) return;
  surface_.End();
  QImage fresh(s, QImage::Format_RGB32);
  fresh.fill(0xFFD4D0C8);
  if (!surface_.image.isNull()) {
    QPainter p(&fresh);
    p.drawImage(0, 0, surface_.image);
  }
  surface_.image = fresh;
}

void HostWidget::PlaceQuietly(const QRect& geometry) {
  ++quiet_;
  setGeometry(geometry);
  --quiet_;
}

bool HostWidget::event(QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
      keyPressEvent(k);
      return true;
    }
  }
  if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) {
    bool on = e->type() == QEvent::WindowActivate;
    GuardedCall([&] {
      if (!Win(hwnd_)) return;
      if (on) {
        if (Windows().active != hwnd_) SetActiveWindow(hwnd_);
      } else if (Windows().active == hwnd_) {
        Windows().active = HWND{};
        Dispatch(hwnd_, WM_ACTIVATE, WA_INACTIVE, 0);
      }
    });
  }
  return QWidget::event(e);
}

void HostWidget::paintEvent(QPaintEvent* e) {
  surface_.End();
  QPainter p(this);
  for (const QRect& r : e->region()) p.drawImage(r.topLeft(), surface_.image, r);
}

void HostWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  SyncSurfaceSize();
  if (quiet_ || !Win(hwnd_)) return;
  GuardedCall([&] {
    QRect g = geometry();
    WindowObj* w = Win(hwnd_);
    if (!w || ToQRect(w->bounds) == g) return;
    SetWindowPos(hwnd_, HWND{}, g.x(), g.y(), g.width(), g.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

void HostWidget::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (quiet_ || !Win(hwnd_)) return;
  GuardedCall([&] {
    QRect g = geometry();
    WindowObj* w = Win(hwnd_);
    if (w->bounds.Left == g.x() && w->bounds.Top == g.y()) return;
    ++quiet_;
    SetWindowPos(hwnd_, HWND{}, g.x(), g.y(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    --quiet_;
  });
}

void HostWidget::closeEvent(QCloseEvent* e) {
  e->ignore();
  GuardedCall([&] {
    // A disabled window (one behind a modal dialog) is not closed from the
    // desktop either.
    WindowObj* w = Win(hwnd_);
    if (w && IsEnabledChain(*w)) SendMessage(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
}

void HostWidget::mousePressEvent(QMouseEvent* e) {
  GuardedCall([&] {
    MouseInput in{MouseInput::Down, ButtonOf(e->button()), e->globalPosition().toPoint(), e->buttons(), e->modifiers()};
    WindowObj* w = Win(hwnd_);
    if (w) RouteMouse(in, HitTest(*w, e->position().toPoint()));
  });
}

void HostWidget::mouseReleaseEvent(QMouseEvent* e) {
  GuardedCall([&] {
    MouseInput in{MouseInput::Up, ButtonOf(e->button()), e->globalPosition().toPoint(), e->buttons(), e->modifiers()};
    WindowObj* w = Win(hwnd_);
    if (w) RouteMouse(in, HitTest(*w, e->position().toPoint()));
  });
}

void HostWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  GuardedCall([&] {
    MouseInput in{MouseInput::DoubleClick, ButtonOf(e->button()), e->globalPosition().toPoint(), e->buttons(),
                  e->modifiers()};
    WindowObj* w = Win(hwnd_);
    if (w) RouteMouse(in, HitTest(*w, e->position().toPoint()));
  });
}

void HostWidget::mouseMoveEvent(QMouseEvent* e) {
  GuardedCall([&] {
    MouseInput in{MouseInput::Move, 0, e->globalPosition().toPoint(), e->buttons(), e->modifiers()};
    WindowObj* w = Win(hwnd_);
    if (w) RouteMouse(in, HitTest(*w, e->position().toPoint()));
  });
}

void HostWidget::wheelEvent(QWheelEvent* e) {
  GuardedCall([&] {
    MouseInput in{MouseInput::Wheel, 0, e->globalPosition().toPoint(), e->buttons(), e->modifiers()};
    in.wheelDelta = e->angleDelta().y();
    WindowObj* w = Win(hwnd_);
    if (w) RouteMouse(in, HitTest(*w, e->position().toPoint()));
  });
}

void HostWidget::keyPressEvent(QKeyEvent* e) {
  GuardedCall([&] {
    if (Windows().resendingKey) return;
    HWND f = Windows().focus;
    WindowObj* fw = Win(f);
    if (fw && GetAncestorRoot(f) == hwnd_) RouteKey(e, true, f);
  });
}

void HostWidget::keyReleaseEvent(QKeyEvent* e) {
  GuardedCall([&] {
    if (Windows().resendingKey) return;
    HWND f = Windows().focus;
    WindowObj* fw = Win(f);
    if (fw && GetAncestorRoot(f) == hwnd_) RouteKey(e, false, f);
  });
}

void HostWidget::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  GuardedCall([&] { RouteMouseLeft(); });
}

void HostWidget::focusInEvent(QFocusEvent* e) { QWidget::focusInEvent(e); }
void HostWidget::focusOutEvent(QFocusEvent* e) { QWidget::focusOutEvent(e); }

void HostWidget::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange) {
    GuardedCall([&] {
      WindowObj* w = Win(hwnd_);
      if (!w) return;
      w->maximized = isMaximized();
      w->minimized = isMinimized();
    });
  }
}

}  // namespace gui::detail
