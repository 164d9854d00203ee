// Test support: a fixed environment, input through the real input path,
// pictures of windows.
#include "platform/gui/TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QCursor>
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QProxyStyle>
#include <QtWidgets/QStyleFactory>
#include <QtWidgets/QWidget>

#include <cstdlib>
#include <string>

#include "platform/gui/App.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Theme.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/HostWidget.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/NativeWidgets.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui::test {
namespace {

using namespace gui::detail;

Qt::KeyboardModifiers Mods(UINT m) {
  Qt::KeyboardModifiers q;
  if (m & kShift) q |= Qt::ShiftModifier;
  if (m & kControl) q |= Qt::ControlModifier;
  if (m & kAlt) q |= Qt::AltModifier;
  return q;
}

Qt::MouseButton Button(int b) {
  switch (b) {
    case 2: return Qt::RightButton;
    case 3: return Qt::MiddleButton;
    default: return Qt::LeftButton;
  }
}

Qt::MouseButtons gHeld;

// The toolkit's one style for the test environment, with the hints a
// desktop's theme would otherwise decide (whether dialog buttons show
// icons differs between display platforms) fixed.
class FixedStyle : public QProxyStyle {
public:
  FixedStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* answer) const override {
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 0;
    return QProxyStyle::styleHint(hint, option, widget, answer);
  }
};

// The toolkit widget under a screen point: a native control of ours or the
// host of the topmost window there.
QWidget* WidgetAt(QPoint global, QPoint& local) {
  for (HWND t : Windows().topLevels) {
    WindowObj* w = Win(t);
    if (!w || !(w->style & WS_VISIBLE) || !w->host) continue;
    QPoint p = global - QPoint(w->bounds.Left, w->bounds.Top);
    if (!QRect(0, 0, w->bounds.Width(), w->bounds.Height()).contains(p)) continue;
    if (w->region && !w->region->contains(p)) continue;
    QWidget* child = w->host->childAt(p);
    QWidget* target = child ? child : w->host.get();
    local = target->mapFrom(w->host.get(), p);
    return target;
  }
  return nullptr;
}

// Guarded: a window may go away between two inputs of a test.
QPointer<QWidget> gLastUnder;
// The widget a button went down on: as on a real display, it gets the moves
// and the release until every button is up, wherever the pointer is then
// (off every window of the program included).
QPointer<QWidget> gPressed;

// A press on a native control from the display gives it the toolkit's
// focus before anyone sees the press, when the toolkit thinks it takes the
// focus on a click (an event sent by a program does not).
void GiveClickFocus(QWidget* target) {
  for (QWidget* w = target; w && !w->isWindow(); w = w->parentWidget()) {
    if (!StateOf(w)) continue;
    if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) w->setFocus(Qt::MouseFocusReason);
    return;
  }
}

void SendMouse(QEvent::Type type, Point screen, Qt::MouseButton button, Qt::MouseButtons held, UINT modifiers) {
  QPoint global(screen.X, screen.Y);
  // The pointer is where the test says; moving the toolkit's own pointer
  // would send moves of its own.
  Windows().testCursor = global;
  QPoint local;
  QWidget* under = WidgetAt(global, local);
  QWidget* target = under;
  QWidget* grabber = QWidget::mouseGrabber();
  if (type == QEvent::MouseMove && target != gLastUnder) {
    if (QWidget* last = gLastUnder) {
      QEvent leave(QEvent::Leave);
      QCoreApplication::sendEvent(last, &leave);
    }
    gLastUnder = target;
  }
  bool firstDown = type == QEvent::MouseButtonPress && held == button;
  if (grabber) {
    target = grabber;
  } else if (!firstDown && gPressed) {
    target = gPressed;
  }
  if (firstDown) gPressed = target;
  if (held == Qt::NoButton) gPressed = nullptr;
  if (!target) return;
  if (target != under) local = target->mapFromGlobal(global);
  if (firstDown) GiveClickFocus(target);
  QMouseEvent e(type, QPointF(local), QPointF(local), QPointF(global), button, held, Mods(modifiers));
  QCoreApplication::sendEvent(target, &e);
  ProcessPending();
}

}  // namespace

void UseTestEnvironment() {
  if (!IsInitialized()) {
    if (qgetenv("TW_GUI_TEST_DISPLAY") != "1") {
      QString dir = QDir::tempPath() + QStringLiteral("/tw-gui-test");
      QDir().mkpath(dir);
      // One file per process: tests run in parallel, each reading its own.
      QString path = dir + QStringLiteral("/screen-%1.json").arg(QCoreApplication::applicationPid());
      QFile f(path);
      if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false,
                   "screens": [{"name": "test", "x": 0, "y": 0, "width": 1920, "height": 1080,
                                "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        f.close();
      }
      qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toUtf8());
    }
    qputenv("QT_SCALE_FACTOR", "1");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    // The toolkit's own windows (message boxes, menus) take nothing from a
    // desktop either: one style, one face at a fixed size, no smoothing.
    QGuiApplication::setDesktopSettingsAware(false);
    Init();
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    int at = static_cast<int>(platform.indexOf("configfile="));
    if (at >= 0) QFile::remove(QString::fromUtf8(platform.mid(at + 11)));
    QApplication::setStyle(new FixedStyle);
    QFont face(QStringLiteral("DejaVu Sans"));
    face.setPixelSize(11);
    face.setStyleStrategy(QFont::NoAntialias);
    face.setHintingPreference(QFont::PreferFullHinting);
    face.setKerning(false);
    QApplication::setFont(face);
    // A caret that blinks shows or not by the time a picture is taken.
    QApplication::setCursorFlashTime(0);
  }
  UseClassicColors();
  SetDefaultTextAntialiasing(false);
  SetVisualStylesEnabled(false);
}

void MouseMove(Point screen, UINT buttonsHeld, UINT modifiers) {
  Qt::MouseButtons held;
  if (buttonsHeld & 1) held |= Qt::LeftButton;
  if (buttonsHeld & 2) held |= Qt::RightButton;
  if (buttonsHeld & 4) held |= Qt::MiddleButton;
  SendMouse(QEvent::MouseMove, screen, Qt::NoButton, held | gHeld, modifiers);
}

void MouseDown(Point screen, int button, UINT modifiers) {
  gHeld |= Button(button);
  SendMouse(QEvent::MouseButtonPress, screen, Button(button), gHeld, modifiers);
}

void MouseUp(Point screen, int button, UINT modifiers) {
  gHeld &= ~Button(button);
  SendMouse(QEvent::MouseButtonRelease, screen, Button(button), gHeld, modifiers);
}

void Click(Point screen, int button, UINT modifiers) {
  MouseDown(screen, button, modifiers);
  MouseUp(screen, button, modifiers);
}

void DoubleClick(Point screen, int button, UINT modifiers) {
  Click(screen, button, modifiers);
  gHeld |= Button(button);
  SendMouse(QEvent::MouseButtonDblClick, screen, Button(button), gHeld, modifiers);
  MouseUp(screen, button, modifiers);
}

void Wheel(Point screen, int delta, UINT modifiers) {
  QPoint global(screen.X, screen.Y);
  QPoint local;
  QWidget* target = WidgetAt(global, local);
  if (!target) return;
  QWheelEvent e(QPointF(local), QPointF(global), QPoint(), QPoint(0, delta), gHeld, Mods(modifiers),
                Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &e);
  ProcessPending();
}

bool ToolkitMenuOpensAt(Point screen) {
  QPoint global(screen.X, screen.Y);
  QPoint local;
  QWidget* target = WidgetAt(global, local);
  if (!target) return false;
  bool opened = false;
  QPointer<QWidget> active = QApplication::activeWindow();
  auto closeMenu = [&opened, &active] {
    if (QWidget* menu = QApplication::activePopupWidget()) {
      opened = true;
      menu->close();
      // The window the menu was over is the active one again.
      if (active) active->activateWindow();
    }
  };
  // A menu run in a loop of its own is closed from inside that loop.
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, closeMenu);
  closer.start();
  QContextMenuEvent e(QContextMenuEvent::Mouse, local, global, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &e);
  closer.stop();
  closeMenu();
  ProcessPending();
  return opened;
}

void MouseLeaveAll() {
  if (QWidget* last = gLastUnder) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(last, &leave);
  }
  gLastUnder = nullptr;
  ProcessPending();
}

namespace {

QWidget* KeyTarget() {
  WindowObj* f = Win(Windows().focus);
  if (!f) return nullptr;
  if (f->native) return f->native->focusProxy() ? f->native->focusProxy() : f->native;
  return HostOf(*f);
}

void SendKey(QEvent::Type type, WPARAM vk, UINT modifiers, const std::string& text) {
  QWidget* target = KeyTarget();
  if (!target) return;
  int key = QtKeyOf(vk);
  if (vk == VK_TAB && (modifiers & kShift)) key = Qt::Key_Backtab;
  QKeyEvent e(type, key, Mods(modifiers), Decode(text));
  QCoreApplication::sendEvent(target, &e);
  ProcessPending();
}

}  // namespace

void KeyDown(WPARAM vk, UINT modifiers, const std::string& text) { SendKey(QEvent::KeyPress, vk, modifiers, text); }

void KeyUp(WPARAM vk, UINT modifiers) { SendKey(QEvent::KeyRelease, vk, modifiers, ""); }

void KeyPress(WPARAM vk, UINT modifiers, const std::string& text) {
  KeyDown(vk, modifiers, text);
  KeyUp(vk, modifiers);
}

void TypeText(const std::string& text) {
  QString s = Decode(text);
  for (char32_t c : s.toStdU32String()) {
    QString one = QString::fromUcs4(&c, 1);
    WPARAM vk = 0;
    if (c >= 'a' && c <= 'z') vk = static_cast<WPARAM>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z') vk = static_cast<WPARAM>(c);
    else if (c >= '0' && c <= '9') vk = static_cast<WPARAM>(c);
    else if (c == ' ') vk = VK_SPACE;
    else if (c == '\r' || c == '\n') vk = VK_RETURN;
    else if (c == '\t') vk = VK_TAB;
    else if (c == 8) vk = VK_BACK;
    QWidget* target = KeyTarget();
    if (!target) return;
    int key = vk ? QtKeyOf(vk) : Qt::Key_unknown;
    UINT mods = (c >= 'A' && c <= 'Z') ? kShift : 0;
    QKeyEvent down(QEvent::KeyPress, key, Mods(mods), one);
    QCoreApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Mods(mods), one);
    QCoreApplication::sendEvent(target, &up);
    ProcessPending();
  }
}

HBITMAP CaptureWindow(HWND hwnd) {
  WindowObj* w = Win(hwnd);
  if (!w) return HBITMAP{};
  PaintPending();
  WindowObj* root = RootOf(*w);
  if (!root || !root->host) return HBITMAP{};
  root->host->surface().End();
  QImage all = root->host->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QPoint o = SurfaceOrigin(*w, false);
  QImage part = all.copy(QRect(o, QSize(w->bounds.Width(), w->bounds.Height())));
  auto b = std::make_unique<BitmapObj>();
  b->surface.image = part;
  return static_cast<HBITMAP>(Drawing().bitmaps.Add(std::move(b)));
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
  HBITMAP b = CaptureWindow(hwnd);
  if (IsNull(b)) return false;
  BitmapObj* bo = Bmp(b);
  bool ok = bo->surface.image.save(QString::fromStdString(path), "PNG");
  DeleteObject(b);
  return ok;
}

}  // namespace gui::test

namespace gui::test {

bool SaveScreenPng(HWND hwnd, const std::string& path) {
  using namespace gui::detail;
  WindowObj* w = Win(hwnd);
  if (!w) return false;
  PaintPending();
  WindowObj* root = RootOf(*w);
  if (!root || !root->host) return false;
  QScreen* screen = root->host->screen();
  if (!screen) return false;
  Rect r;
  GetWindowRect(hwnd, r);
  QPixmap shot = screen->grabWindow(0, r.Left, r.Top, r.Width(), r.Height());
  return shot.toImage().convertToFormat(QImage::Format_RGB32).save(QString::fromStdString(path), "PNG");
}

}  // namespace gui::test

namespace gui::test {
namespace {

QImage ScreenArea(const QRect& area) {
  using namespace gui::detail;
  PaintPending();
  if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }
  QImage out(area.size(), QImage::Format_RGB32);
  out.fill(Qt::black);
  QPainter p(&out);
  p.translate(-area.topLeft());
  // Ours: the list holds the topmost first.
  const std::vector<HWND>& tops = Windows().topLevels;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    WindowObj* w = Win(*it);
    if (!w || !(w->style & WS_VISIBLE) || !w->host) continue;
    w->host->surface().End();
    QPoint at(w->bounds.Left, w->bounds.Top);
    p.save();
    if (w->region) p.setClipRegion(w->region->translated(at));
    p.drawPixmap(at, w->host->grab());
    p.restore();
  }
  // The toolkit's own windows (message boxes, then menus and tips).
  for (bool popups : {false, true}) {
    for (QWidget* t : QApplication::topLevelWidgets()) {
      if (dynamic_cast<HostWidget*>(t) || !t->isVisible()) continue;
      bool popup = t->windowType() == Qt::Popup || t->windowType() == Qt::ToolTip;
      if (popup != popups) continue;
      p.drawPixmap(t->geometry().topLeft(), t->grab());
    }
  }
  p.end();
  return out;
}

}  // namespace

HBITMAP CaptureScreen(const Rect& area) {
  QImage image = ScreenArea(QRect(area.Left, area.Top, area.Width(), area.Height()));
  if (image.isNull()) return HBITMAP{};
  auto b = std::make_unique<detail::BitmapObj>();
  b->surface.image = image;
  return static_cast<HBITMAP>(detail::Drawing().bitmaps.Add(std::move(b)));
}

bool SaveScreenAreaPng(const Rect& area, const std::string& path) {
  QImage image = ScreenArea(QRect(area.Left, area.Top, area.Width(), area.Height()));
  return !image.isNull() && image.save(QString::fromStdString(path), "PNG");
}

int ComparePictureFiles(const std::string& a, const std::string& b, std::string& report) {
  QImage ia(QString::fromStdString(a)), ib(QString::fromStdString(b));
  if (ia.isNull() || ib.isNull()) {
    report = "cannot read " + (ia.isNull() ? a : b);
    return 2;
  }
  if (ia.size() != ib.size()) {
    report = "sizes differ: " + std::to_string(ia.width()) + "x" + std::to_string(ia.height()) + " and " +
             std::to_string(ib.width()) + "x" + std::to_string(ib.height());
    return 1;
  }
  ia = ia.convertToFormat(QImage::Format_RGB32);
  ib = ib.convertToFormat(QImage::Format_RGB32);
  long long differing = 0;
  QRect where;
  for (int y = 0; y < ia.height(); ++y) {
    auto* ra = reinterpret_cast<const QRgb*>(ia.constScanLine(y));
    auto* rb = reinterpret_cast<const QRgb*>(ib.constScanLine(y));
    for (int x = 0; x < ia.width(); ++x) {
      if ((ra[x] & 0xFFFFFF) == (rb[x] & 0xFFFFFF)) continue;
      ++differing;
      where |= QRect(x, y, 1, 1);
    }
  }
  report = std::to_string(differing) + " of " + std::to_string(static_cast<long long>(ia.width()) * ia.height()) +
           " pixels differ";
  if (differing == 0) return 0;
  report += ", within (" + std::to_string(where.left()) + ", " + std::to_string(where.top()) + ")-(" +
            std::to_string(where.right()) + ", " + std::to_string(where.bottom()) + ")";
  return 1;
}

void CloseFromDesktop(HWND hwnd) {
  detail::WindowObj* w = detail::Win(hwnd);
  if (!w || !w->host) return;
  QCloseEvent e;
  QCoreApplication::sendEvent(w->host.get(), &e);
  ProcessPending();
}

bool KeyToModalDialog(WPARAM vk) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return false;
  QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
  QKeyEvent down(QEvent::KeyPress, detail::QtKeyOf(vk), Qt::NoModifier);
  QCoreApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, detail::QtKeyOf(vk), Qt::NoModifier);
  QCoreApplication::sendEvent(target, &up);
  return true;
}

}  // namespace gui::test

namespace gui::test {

std::size_t ToolkitWindowCount() {
  std::size_t n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<detail::HostWidget*>(w)) ++n;
  return n;
}

}  // namespace gui::test

// The toolkit blends large areas on the threads of its global pool. Those
// threads are detached: the pool's end waits until their work is finished,
// not until they have gone, so a test program can reach its leak check while
// one of them is still tearing down and its thread record (held only by that
// thread) looks lost. That is the toolkit's own bookkeeping, never ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libQt6Core.so\n"; }
