#include "class_library/visual/Hints.h"

#include <algorithm>
#include <memory>

#include "class_library/loop/Application.h"
#include "class_library/loop/Timer.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/VisualState.h"
#include "platform/gui/Window.h"

THintWindowClass HintWindowClass = [](TComponent* Owner) { return new THintWindow(Owner); };

String GetShortHint(const String& Hint) {
  std::size_t bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(0, bar);
}

String GetLongHint(const String& Hint) {
  std::size_t bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

// ---- THintWindow -------------------------------------------------------------------

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clInfoBk);
  TControl::SetVisible(false);
  Canvas()->SetFont(Screen()->HintFont());
  Canvas()->Brush()->SetStyle(bsClear);
}

THintWindow::~THintWindow() { Destroying(); }

void THintWindow::SetWindowParams(TCreateParams& Params) {
  TCustomControl::SetWindowParams(Params);
  Params.Style = gui::WS_POPUP | gui::WS_BORDER;
  Params.ExStyle = gui::WS_EX_TOOLWINDOW | gui::WS_EX_TOPMOST | gui::WS_EX_NOACTIVATE;
  Params.ClassStyle |= gui::CS_SAVEBITS;
  Params.WndParent = gui::HWND{};
}

TRect THintWindow::CalcHintRect(int MaxWidth, const String& AHint, void*) {
  TRect r{0, 0, MaxWidth, 0};
  gui::DrawText(Canvas()->Handle(), AHint, r, gui::DT_CALCRECT | gui::DT_LEFT | gui::DT_WORDBREAK | gui::DT_NOPREFIX);
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect Rect, const String& AHint) {
  SetCaption(AHint);
  Rect.Bottom += 4;
  ApplyBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  TRect desktop = Screen()->DesktopRect();
  int left = std::max(std::min(Rect.Left, desktop.Right - Width()), desktop.Left);
  int top = std::min(Rect.Top, desktop.Bottom - Height());
  if (top + Height() < desktop.Top) top = desktop.Top;
  ApplyBounds(left, top, Width(), Height());
  gui::SetWindowPos(Handle(), gui::HWND_TOPMOST, left, top, Width(), Height(),
                    gui::SWP_SHOWWINDOW | gui::SWP_NOACTIVATE);
  TControl::SetVisible(true);
  Invalidate();
}

void THintWindow::ActivateHintData(TRect Rect, const String& AHint, void*) { ActivateHint(Rect, AHint); }

void THintWindow::ReleaseHandle() {
  if (HandleAllocated() && gui::IsWindowVisible(Handle())) gui::ShowWindow(Handle(), gui::SW_HIDE);
  TControl::SetVisible(false);
}

void THintWindow::PaintControl() {
  TRect r = ClientRect();
  r.Left += 2;
  r.Top += 2;
  Canvas()->Font()->SetColor(Screen()->HintFont()->Color());
  gui::DrawText(Canvas()->Handle(), Caption(), r, gui::DT_LEFT | gui::DT_NOPREFIX | gui::DT_WORDBREAK);
}

void THintWindow::WMNCHitTest(TMessage& Message) { Message.Result = gui::HTTRANSPARENT; }
void THintWindow::WMNCPaint(TMessage& Message) { TCustomControl::WMNCPaint(Message); }
void THintWindow::WMNCCalcSize(TMessage& Message) { TCustomControl::WMNCCalcSize(Message); }

// ---- The application's hint machinery --------------------------------------------------

namespace {

struct HintState {
  THintWindow* window = nullptr;  // owned by the application
  TControl* control = nullptr;
  TRect cursorRect{};
  bool active = false;
  TTimer* timer = nullptr;  // owned by the application
  enum { None, Show, Hide } timerPurpose = None;
};

HintState& State() {
  static auto* state = new HintState;
  return *state;
}

TControl* HintControlOf(TControl* Control) {
  while (Control && !Control->ShowHint()) Control = Control->Parent();
  return Control;
}

void StopTimer() {
  HintState& s = State();
  if (s.timer) s.timer->SetEnabled(false);
  s.timerPurpose = HintState::None;
}

void StartTimer(int Pause, decltype(HintState::timerPurpose) Purpose) {
  HintState& s = State();
  if (!s.timer) {
    s.timer = new TTimer(Application());
    s.timer->SetEnabled(false);
    s.timer->SetOnTimer([](TObject*) {
      HintState& st = State();
      auto purpose = st.timerPurpose;
      StopTimer();
      if (purpose == HintState::Show) {
        TPoint p;
        gui::GetCursorPos(p);
        visual::ActivateHint(p);
      } else if (purpose == HintState::Hide) {
        visual::CancelHint();
      }
    });
  }
  s.timerPurpose = Purpose;
  s.timer->SetInterval(static_cast<Cardinal>(std::max(Pause, 1)));
  s.timer->SetEnabled(true);
}

void HideHint() {
  HintState& s = State();
  if (s.window) s.window->ReleaseHandle();
}

}  // namespace

THintWindow* visual::HintWindow() { return State().window; }

void visual::HintSettingsChanged() {
  HintState& s = State();
  if (Application()->ShowHint()) {
    if (!s.window && HintWindowClass) {
      s.window = HintWindowClass(Application());
    }
  } else if (s.window) {
    CancelHint();
    THintWindow* gone = s.window;
    s.window = nullptr;
    delete gone;
  }
}

void visual::CancelHint() {
  HintState& s = State();
  if (!s.control && !s.active) return;
  HideHint();
  s.control = nullptr;
  s.active = false;
  StopTimer();
}

void visual::HintControlGone(TControl* Control) {
  HintState& s = State();
  if (s.window == Control) s.window = nullptr;
  if (s.control == Control) {
    s.control = nullptr;
    s.active = false;
    StopTimer();
  }
}

void visual::HintMouseMessage(TControl* Control, const TMessage& Message) {
  if (Message.Msg != gui::WM_MOUSEMOVE) {
    // A click or the wheel ends the hint.
    if (Message.Msg != gui::WM_MOUSELEAVE) CancelHint();
    return;
  }
  if (!Application()->ShowHint()) return;
  HintState& s = State();
  TPoint screen = Control->ClientToScreen(gui::PointFromLParam(Message.LParam));
  TControl* now = HintControlOf(FindDragTarget(screen, true));
  if (!now || !now->ShowHint()) {
    CancelHint();
    return;
  }
  if (now == s.control && gui::PtInRect(s.cursorRect, now->ScreenToClient(screen))) return;
  bool wasActive = s.active;
  int pause = wasActive ? Application()->HintShortPause() : Application()->HintPause();
  now->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  CancelHint();
  s.active = wasActive;
  s.control = now;
  s.cursorRect = now->ClientRect();
  StartTimer(pause, HintState::Show);
}

void visual::ActivateHint(TPoint CursorPos) {
  HintState& s = State();
  s.active = false;
  if (!Application()->ShowHint() || !s.control || !s.window ||
      s.control != HintControlOf(FindDragTarget(CursorPos, true)))
    return;
  THintInfo info;
  info.HintControl = s.control;
  info.HintPos = CursorPos;
  info.HintPos.Y += 20;  // below the mouse pointer
  info.HintMaxWidth = Screen()->Width();
  info.HintColor = clInfoBk;
  info.CursorRect = s.control->ClientRect();
  info.CursorPos = s.control->ScreenToClient(CursorPos);
  info.HintStr = GetShortHint(s.control->Hint());
  info.HideTimeout = Application()->HintHidePause();
  info.HintWindowClass = HintWindowClass;
  bool canShow = s.control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && Application()->OnShowHint) Application()->OnShowHint(info.HintStr, canShow, info);
  s.active = canShow && s.control;
  if (s.active && !info.HintStr.empty() && s.window) {
    TRect r = s.window->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    gui::OffsetRect(r, info.HintPos.X, info.HintPos.Y);
    s.window->SetColor(info.HintColor);
    s.window->ActivateHintData(r, info.HintStr, info.HintData);
    s.cursorRect = info.CursorRect;
    if (info.HideTimeout > 0) StartTimer(info.HideTimeout, HintState::Hide);
    return;
  }
  if (info.ReshowTimeout > 0) {
    StartTimer(info.ReshowTimeout, HintState::Show);
  } else {
    CancelHint();
  }
}
