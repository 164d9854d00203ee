// The screen: monitors, work areas, cursors, forms.
#include <algorithm>
#include <map>

#include "class_library/core/SysUtils.h"
#include "class_library/visual/Forms.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"

namespace {

struct NamedCursor {
  TCursor cursor;
  const char* name;
  int shape;  // the window layer's IDC_ cursor
};

constexpr NamedCursor kCursors[] = {
    {crDefault, "crDefault", gui::IDC_ARROW},     {crNone, "crNone", 0},
    {crArrow, "crArrow", gui::IDC_ARROW},         {crCross, "crCross", gui::IDC_CROSS},
    {crIBeam, "crIBeam", gui::IDC_IBEAM},         {crSizeNESW, "crSizeNESW", gui::IDC_SIZENESW},
    {crSizeNS, "crSizeNS", gui::IDC_SIZENS},      {crSizeNWSE, "crSizeNWSE", gui::IDC_SIZENWSE},
    {crSizeWE, "crSizeWE", gui::IDC_SIZEWE},      {crUpArrow, "crUpArrow", gui::IDC_UPARROW},
    {crHourGlass, "crHourGlass", gui::IDC_WAIT},  {crDrag, "crDrag", gui::IDC_ARROW},
    {crNoDrop, "crNoDrop", gui::IDC_NO},          {crHSplit, "crHSplit", gui::IDC_SIZEWE},
    {crVSplit, "crVSplit", gui::IDC_SIZENS},      {crMultiDrag, "crMultiDrag", gui::IDC_ARROW},
    {crSQLWait, "crSQLWait", gui::IDC_WAIT},      {crNo, "crNo", gui::IDC_NO},
    {crAppStart, "crAppStart", gui::IDC_APPSTARTING}, {crHelp, "crHelp", gui::IDC_HELP},
    {crHandPoint, "crHandPoint", gui::IDC_HAND},  {crSizeAll, "crSizeAll", gui::IDC_SIZEALL},
    {crSize, "crSize", gui::IDC_SIZEALL},
};

}  // namespace

gui::HCURSOR CursorHandle(TCursor Cursor) {
  for (const NamedCursor& c : kCursors)
    if (c.cursor == Cursor) return c.shape ? gui::LoadCursor(c.shape) : gui::HCURSOR{};
  return gui::LoadCursor(gui::IDC_ARROW);
}

bool IdentToCursor(const String& Ident, std::int64_t& Cursor) {
  for (const NamedCursor& c : kCursors) {
    if (SameText(Ident, c.name)) {
      Cursor = c.cursor;
      return true;
    }
  }
  return false;
}

// ---- TMouse ---------------------------------------------------------------------------

TPoint TMouse::CursorPos() const {
  TPoint p;
  gui::GetCursorPos(p);
  return p;
}

void TMouse::SetCursorPos(TPoint Value) { gui::SetCursorPos(Value.X, Value.Y); }

int TMouse::WheelScrollLines() const {
  gui::UINT lines = 3;
  gui::SystemParametersInfo(gui::SPI_GETWHEELSCROLLLINES, &lines);
  return static_cast<int>(lines);
}

bool TMouse::WheelPresent() const { return gui::GetSystemMetrics(gui::SM_MOUSEWHEELPRESENT) != 0; }

TMouse* Mouse() {
  static TMouse mouse;
  return &mouse;
}

// ---- TMonitor ------------------------------------------------------------------------

TRect TMonitor::BoundsRect() const {
  gui::MonitorInfo info;
  gui::GetMonitorInfo(handle_, info);
  return info.rcMonitor;
}

TRect TMonitor::WorkareaRect() const {
  gui::MonitorInfo info;
  gui::GetMonitorInfo(handle_, info);
  return info.rcWork;
}

bool TMonitor::Primary() const {
  gui::MonitorInfo info;
  gui::GetMonitorInfo(handle_, info);
  return (info.dwFlags & gui::MONITORINFOF_PRIMARY) != 0;
}

// ---- TScreen --------------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  hintFont_.SetName("Tahoma");
  hintFont_.SetColor(clInfoText);
}

TScreen::~TScreen() = default;

int TScreen::Width() const { return gui::GetSystemMetrics(gui::SM_CXSCREEN); }
int TScreen::Height() const { return gui::GetSystemMetrics(gui::SM_CYSCREEN); }
TRect TScreen::WorkAreaRect() const { return gui::GetWorkArea(); }

TRect TScreen::DesktopRect() const {
  int x = gui::GetSystemMetrics(gui::SM_XVIRTUALSCREEN);
  int y = gui::GetSystemMetrics(gui::SM_YVIRTUALSCREEN);
  return Bounds(x, y, gui::GetSystemMetrics(gui::SM_CXVIRTUALSCREEN), gui::GetSystemMetrics(gui::SM_CYVIRTUALSCREEN));
}

void TScreen::RefreshMonitors() {
  std::vector<gui::HMONITOR> handles = gui::EnumDisplayMonitors();
  bool same = handles.size() == monitors_.size();
  for (std::size_t i = 0; same && i < handles.size(); ++i) same = monitors_[i]->Handle() == handles[i];
  if (same) return;
  monitors_.clear();
  for (std::size_t i = 0; i < handles.size(); ++i)
    monitors_.push_back(std::make_unique<TMonitor>(handles[i], static_cast<int>(i)));
}

int TScreen::MonitorCount() {
  RefreshMonitors();
  return static_cast<int>(monitors_.size());
}

TMonitor* TScreen::Monitors(int Index) {
  RefreshMonitors();
  if (Index < 0 || Index >= static_cast<int>(monitors_.size()))
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return monitors_[static_cast<std::size_t>(Index)].get();
}

TMonitor* TScreen::MonitorFromPoint(TPoint P) {
  gui::HMONITOR h = gui::MonitorFromPoint(P, gui::MONITOR_DEFAULTTONEAREST);
  RefreshMonitors();
  for (auto& m : monitors_)
    if (m->Handle() == h) return m.get();
  return monitors_.empty() ? nullptr : monitors_.front().get();
}

TMonitor* TScreen::MonitorFromRect(const TRect& R) {
  gui::HMONITOR h = gui::MonitorFromRect(R, gui::MONITOR_DEFAULTTONEAREST);
  RefreshMonitors();
  for (auto& m : monitors_)
    if (m->Handle() == h) return m.get();
  return monitors_.empty() ? nullptr : monitors_.front().get();
}

void TScreen::SetCursor(TCursor Value) {
  if (cursor_ == Value) return;
  cursor_ = Value;
  gui::SetCursor(CursorHandle(Value == crDefault ? crArrow : Value));
}

int TScreen::FormCount() const { return ::FormCount(); }

TCustomForm* TScreen::Forms(int Index) const { return dynamic_cast<TCustomForm*>(::Forms(Index)); }

int TScreen::DataModuleCount() const { return ::DataModuleCount(); }

TDataModule* TScreen::DataModules(int Index) const { return dynamic_cast<TDataModule*>(::DataModules(Index)); }

TCustomForm* TScreen::ActiveForm() const {
  gui::HWND active = gui::GetActiveWindow();
  for (int i = 0; i < FormCount(); ++i) {
    TCustomForm* f = Forms(i);
    if (f && f->HandleAllocated() && f->Handle() == active) return f;
  }
  return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
  TCustomForm* form = ActiveForm();
  return form ? form->ActiveControl() : nullptr;
}

TScreen* Screen() {
  static TScreen screen(nullptr);
  return &screen;
}
