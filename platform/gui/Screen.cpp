// Displays, metrics and system colours.
#include "platform/gui/Screen.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPalette>
#include <QtGui/QScreen>
#include <QtGui/QStyleHints>

#include <array>

#include "platform/gui/Gdi.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

// The classic scheme.
constexpr std::array<COLORREF, 31> kClassic = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
    RGB(236, 233, 216)};

std::array<COLORREF, 31> gColors = kClassic;

void RefreshSysBrushes() {
  if (!Ready()) return;
  for (auto& [index, brush] : Drawing().sysBrushes) {
    if (BrushObj* b = Brush(brush)) b->lb.lbColor = gColors[static_cast<std::size_t>(index)];
  }
}

QScreen* ScreenOf(HMONITOR m) {
  auto idx = static_cast<std::uintptr_t>(m);
  QList<QScreen*> screens = QGuiApplication::screens();
  if (idx == 0 || idx > static_cast<std::uintptr_t>(screens.size())) return nullptr;
  return screens[static_cast<qsizetype>(idx - 1)];
}

HMONITOR HandleOf(QScreen* s) {
  QList<QScreen*> screens = QGuiApplication::screens();
  qsizetype i = screens.indexOf(s);
  return i < 0 ? HMONITOR{} : static_cast<HMONITOR>(static_cast<std::uintptr_t>(i + 1));
}

}  // namespace
}  // namespace detail

using namespace detail;

std::vector<HMONITOR> EnumDisplayMonitors() {
  std::vector<HMONITOR> out;
  QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) out.push_back(HandleOf(primary));
  for (QScreen* s : screens)
    if (s != primary) out.push_back(HandleOf(s));
  return out;
}

bool GetMonitorInfo(HMONITOR monitor, MonitorInfo& info) {
  QScreen* s = ScreenOf(monitor);
  if (!s) return false;
  info.rcMonitor = FromQRect(s->geometry());
  info.rcWork = FromQRect(s->availableGeometry());
  info.dwFlags = s == QGuiApplication::primaryScreen() ? MONITORINFOF_PRIMARY : 0;
  return true;
}

HMONITOR MonitorFromPoint(Point p, DWORD flags) {
  QPoint q = ToQPoint(p);
  for (QScreen* s : QGuiApplication::screens())
    if (s->geometry().contains(q)) return HandleOf(s);
  if (flags == MONITOR_DEFAULTTONULL) return HMONITOR{};
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleOf(QGuiApplication::primaryScreen());
  QScreen* best = nullptr;
  long long bestDist = -1;
  for (QScreen* s : QGuiApplication::screens()) {
    QRect g = s->geometry();
    long long dx = q.x() < g.left() ? g.left() - q.x() : q.x() > g.right() ? q.x() - g.right() : 0;
    long long dy = q.y() < g.top() ? g.top() - q.y() : q.y() > g.bottom() ? q.y() - g.bottom() : 0;
    long long d = dx * dx + dy * dy;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = s;
    }
  }
  return best ? HandleOf(best) : HMONITOR{};
}

HMONITOR MonitorFromRect(const Rect& r, DWORD flags) {
  QRect q = ToQRect(r);
  QScreen* best = nullptr;
  long long bestArea = 0;
  for (QScreen* s : QGuiApplication::screens()) {
    QRect i = s->geometry() & q;
    long long area = static_cast<long long>(i.width()) * i.height();
    if (area > bestArea) {
      bestArea = area;
      best = s;
    }
  }
  if (best) return HandleOf(best);
  return MonitorFromPoint(Point{q.center().x(), q.center().y()}, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  Rect r;
  if (!GetWindowRect(hwnd, r)) return flags == MONITOR_DEFAULTTONULL ? HMONITOR{} : HandleOf(QGuiApplication::primaryScreen());
  return MonitorFromRect(r, flags);
}

Rect GetWorkArea() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? FromQRect(s->availableGeometry()) : Rect{};
}

int GetSystemMetrics(int index) {
  QScreen* s = QGuiApplication::primaryScreen();
  QRect g = s ? s->geometry() : QRect(0, 0, 1024, 768);
  QRect v = s ? s->virtualGeometry() : g;
  switch (index) {
    case SM_CXSCREEN: return g.width();
    case SM_CYSCREEN: return g.height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXFULLSCREEN: return s ? s->availableGeometry().width() : g.width();
    case SM_CYFULLSCREEN: return s ? s->availableGeometry().height() : g.height();
    case SM_SWAPBUTTON: return 0;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXDRAG:
    case SM_CYDRAG: return QGuiApplication::styleHints() ? QGuiApplication::styleHints()->startDragDistance() : 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_XVIRTUALSCREEN: return v.x();
    case SM_YVIRTUALSCREEN: return v.y();
    case SM_CXVIRTUALSCREEN: return v.width();
    case SM_CYVIRTUALSCREEN: return v.height();
    case SM_CMONITORS: return static_cast<int>(QGuiApplication::screens().size());
  }
  return 0;
}

bool SystemParametersInfo(UINT action, void* out) {
  if (!out) return false;
  switch (action) {
    case SPI_GETWORKAREA: *static_cast<Rect*>(out) = GetWorkArea(); return true;
    case SPI_GETWHEELSCROLLLINES:
      *static_cast<UINT*>(out) = QGuiApplication::styleHints()
                                     ? static_cast<UINT>(QGuiApplication::styleHints()->wheelScrollLines())
                                     : 3u;
      return true;
    case SPI_GETKEYBOARDDELAY: *static_cast<int*>(out) = 1; return true;
    case SPI_GETMOUSEHOVERTIME: *static_cast<UINT*>(out) = 400; return true;
  }
  return false;
}

UINT GetDoubleClickTime() {
  return QGuiApplication::styleHints() ? static_cast<UINT>(QGuiApplication::styleHints()->mouseDoubleClickInterval())
                                       : 500u;
}

UINT GetCaretBlinkTime() {
  int t = QGuiApplication::styleHints() ? QGuiApplication::styleHints()->cursorFlashTime() / 2 : 530;
  return static_cast<UINT>(t > 0 ? t : 530);
}

COLORREF GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(gColors.size())) return 0;
  return gColors[static_cast<std::size_t>(index)];
}

HBRUSH GetSysColorBrush(int index) {
  if (!Ready() || index < 0 || index >= static_cast<int>(gColors.size())) return HBRUSH{};
  auto& brushes = Drawing().sysBrushes;
  auto it = brushes.find(index);
  if (it != brushes.end()) return it->second;
  HBRUSH h = CreateSolidBrush(gColors[static_cast<std::size_t>(index)]);
  if (BrushObj* b = Brush(h)) b->stock = true;
  brushes[index] = h;
  return h;
}

void SetSysColor(int index, COLORREF color) {
  if (index < 0 || index >= static_cast<int>(gColors.size())) return;
  gColors[static_cast<std::size_t>(index)] = color & 0xFFFFFF;
  RefreshSysBrushes();
}

void UseClassicColors() {
  gColors = kClassic;
  RefreshSysBrushes();
}

void UseDesktopColors() {
  QPalette p = QGuiApplication::palette();
  auto c = [&](QPalette::ColorRole role) {
    QColor q = p.color(QPalette::Active, role);
    return RGB(q.red(), q.green(), q.blue());
  };
  gColors[COLOR_WINDOW] = c(QPalette::Base);
  gColors[COLOR_WINDOWTEXT] = c(QPalette::Text);
  gColors[COLOR_BTNFACE] = c(QPalette::Button);
  gColors[COLOR_MENU] = c(QPalette::Window);
  gColors[COLOR_BTNTEXT] = c(QPalette::ButtonText);
  gColors[COLOR_MENUTEXT] = c(QPalette::WindowText);
  gColors[COLOR_BTNSHADOW] = c(QPalette::Dark);
  gColors[COLOR_BTNHIGHLIGHT] = c(QPalette::Light);
  gColors[COLOR_3DDKSHADOW] = c(QPalette::Shadow);
  gColors[COLOR_3DLIGHT] = c(QPalette::Midlight);
  gColors[COLOR_HIGHLIGHT] = c(QPalette::Highlight);
  gColors[COLOR_HIGHLIGHTTEXT] = c(QPalette::HighlightedText);
  gColors[COLOR_INFOBK] = c(QPalette::ToolTipBase);
  gColors[COLOR_INFOTEXT] = c(QPalette::ToolTipText);
  QColor disabled = p.color(QPalette::Disabled, QPalette::Text);
  gColors[COLOR_GRAYTEXT] = RGB(disabled.red(), disabled.green(), disabled.blue());
  gColors[COLOR_HOTLIGHT] = c(QPalette::Link);
  RefreshSysBrushes();
}

}  // namespace gui
