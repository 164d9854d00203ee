// TWinControl: the window, its children, painting and the keys.
#include <algorithm>
#include <map>

#include "class_library/loop/Application.h"
#include "class_library/visual/Controls.h"
#include "class_library/visual/Docking.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/VisualState.h"
#include "platform/gui/Window.h"

namespace {

// Never freed: controls may outlive every other static object at exit.
std::map<gui::HWND, TWinControl*>& Windows() {
  static auto* windows = new std::map<gui::HWND, TWinControl*>;
  return *windows;
}

bool IsDialogKey(Word Key, LRESULT& Mask) {
  switch (Key) {
    case gui::VK_TAB: Mask = gui::DLGC_WANTTAB; return true;
    case gui::VK_LEFT:
    case gui::VK_RIGHT:
    case gui::VK_UP:
    case gui::VK_DOWN: Mask = gui::DLGC_WANTARROWS; return true;
    case gui::VK_RETURN:
    case gui::VK_ESCAPE:
    case gui::VK_CANCEL: Mask = gui::DLGC_WANTALLKEYS; return true;
    default: return false;
  }
}

}  // namespace

TWinControl* TWinControl::FindControl(gui::HWND Handle) {
  auto& windows = Windows();
  auto it = windows.find(Handle);
  return it == windows.end() ? nullptr : it->second;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  brush_.SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  // Leaves the parent while it is still a window control: the parent's tab
  // order and the form's active control forget it.
  if (Parent()) Parent()->RemoveControl(this);
  if (HandleAllocated()) DestroyHandle();
  // Its docked clients are docked nowhere now.
  for (TControl* client : dockClients_) client->hostDockSite_ = nullptr;
  dockClients_.clear();
  // A window control frees the controls it holds, whoever owns them.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    RemoveControl(child);
    delete child;
  }
}

// ---- The window ----------------------------------------------------------------------

gui::HWND TWinControl::Handle() {
  if (gui::IsNull(handle_)) {
    if (ComponentState().Contains(csDestroying)) return handle_;
    if (Parent()) Parent()->Handle();
    CreateHandle();
  }
  return handle_;
}

void TWinControl::SetWindowParams(TCreateParams& Params) {
  Params.Caption = TControl::GetText();
  Params.Style = gui::WS_CHILD | gui::WS_CLIPSIBLINGS;
  if (controlStyle_ & csAcceptsControls) {
    Params.Style |= gui::WS_CLIPCHILDREN;
    Params.ExStyle |= gui::WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) Params.Style |= gui::WS_DISABLED;
  if (tabStop_) Params.Style |= gui::WS_TABSTOP;
  if (Visible()) Params.Style |= gui::WS_VISIBLE;
  Params.X = Left();
  Params.Y = Top();
  Params.Width = Width();
  Params.Height = Height();
  if (Parent()) Params.WndParent = Parent()->Handle();
}

void TWinControl::MakeWindow() {
  TCreateParams params;
  SetWindowParams(params);
  gui::CreateParams p;
  p.className = params.ClassName;
  p.windowName = params.Caption;
  p.style = params.Style;
  p.exStyle = params.ExStyle;
  p.classStyle = params.ClassStyle;
  p.x = params.X;
  p.y = params.Y;
  p.width = params.Width;
  p.height = params.Height;
  p.parent = params.WndParent;
  p.proc = [this](gui::HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return MainWndProc(Window, Msg, WParam, LParam);
  };
  controlState_ |= csCreating;
  gui::HWND h = gui::CreateWindow(p);
  controlState_ &= ~unsigned(csCreating);
  if (gui::IsNull(h)) throw EOutOfResources("Error creating window");
  if (gui::IsNull(handle_)) {
    handle_ = h;
    Windows()[h] = this;
  }
  gui::SendMessage(handle_, gui::WM_SETFONT, gui::ToWParam(Font()->Handle()), 0);
}

void TWinControl::CreateHandle() {
  if (HandleAllocated()) return;
  MakeWindow();
  // Children get their windows with the parent's, in z-order.
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->Handle();
  }
}

void TWinControl::DestroyWnd() {
  if (HandleAllocated()) {
    // What the window shows, kept for the next window (a descendant's Text
    // may be another view of it).
    text_ = TWinControl::GetText();
    gui::DestroyWindow(handle_);
  }
}

void TWinControl::DestroyHandle() {
  if (!HandleAllocated()) return;
  controlState_ |= csDestroyingHandle;
  // The children's windows go first, each keeping what it shows (texts,
  // list items) for its next window as this one does.
  for (TControl* c : std::vector<TControl*>(controls_))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
  controlState_ &= ~unsigned(csDestroyingHandle);
  handle_ = gui::HWND{};
}

void TWinControl::RecreateWnd() {
  if (!HandleAllocated()) return;
  DestroyHandle();
  Handle();
}

LRESULT TWinControl::MainWndProc(gui::HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (gui::IsNull(handle_)) {
    handle_ = Window;
    Windows()[Window] = this;
  }
  if (ComponentState().Contains(csDestroying)) {
    if (Msg == gui::WM_NCDESTROY) {
      Windows().erase(Window);
      handle_ = gui::HWND{};
    }
    return gui::DefWindowProc(Window, Msg, WParam, LParam);
  }
  TMessage message{Msg, WParam, LParam, 0};
  try {
    WindowProc(message);
  } catch (...) {
    Application()->HandleException(this);
  }
  return message.Result;
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!HandleAllocated()) {
    TControl::DefaultHandler(Message);
    return;
  }
  Message.Result = gui::DefWindowProc(handle_, Message.Msg, Message.WParam, Message.LParam);
}

String TWinControl::GetText() {
  if (HandleAllocated()) return gui::GetWindowText(handle_);
  return TControl::GetText();
}

void TWinControl::SetTextValue(const String& Value) {
  if (HandleAllocated()) {
    gui::SetWindowText(handle_, Value);
  } else {
    TControl::SetTextValue(Value);
  }
}

// ---- Children ------------------------------------------------------------------------

void TWinControl::InsertControl(TControl* AControl) {
  if (!AControl || AControl->parent_ == this) return;
  AControl->parent_ = this;
  controls_.push_back(AControl);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    tabList_.push_back(w);
    // A window of its own (a form's, docked here) is made again as a child
    // of this one.
    if (w->HandleAllocated()) w->DestroyHandle();
    if (HandleAllocated() && w->Visible()) w->Handle();
  }
  if (AControl->ParentColor()) AControl->Perform(CM_PARENTCOLORCHANGED);
  if (AControl->ParentFont()) AControl->Perform(CM_PARENTFONTCHANGED);
  if (AControl->ParentShowHint()) AControl->Perform(CM_PARENTSHOWHINTCHANGED);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  AControl->Invalidate();
  AControl->RequestAlign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  AControl->Invalidate();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(w);
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
    if (w->HandleAllocated() && !ComponentState().Contains(csDestroying)) w->DestroyHandle();
  }
  controls_.erase(std::find(controls_.begin(), controls_.end(), AControl));
  AControl->parent_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  while (Control && Control != this) Control = Control->Parent();
  return Control == this;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->Visible() || (!AllowDisabled && !c->Enabled())) continue;
    TRect r = c->BoundsRect();
    if (!gui::PtInRect(r, Pos)) continue;
    TPoint local{Pos.X - c->Left(), Pos.Y - c->Top()};
    if (c->Perform(CM_HITTEST, 0, gui::PointToLParam(local)) != 0) return c;
  }
  return nullptr;
}

// ---- Alignment -----------------------------------------------------------------------

void TWinControl::ShrinkClientRect(TRect& Rect) { gui::InflateRect(Rect, -borderWidth_, -borderWidth_); }

void TWinControl::SetBorderWidth(int Value) {
  if (borderWidth_ == Value) return;
  borderWidth_ = Value;
  Realign();
  Invalidate();
}

void TWinControl::EnableAlign() {
  if (--alignLevel_ <= 0) {
    alignLevel_ = 0;
    Realign();
  }
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (alignLevel_ > 0 || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) {
    controlState_ |= csAlignmentNeeded;
    return;
  }
  if (aligning_) return;
  aligning_ = true;
  try {
    TRect rect = ClientRect();
    ArrangeChildren(AControl, rect);
    if (dockManager_ && useDockManager_) dockManager_->ResetBounds(false);
  } catch (...) {
    aligning_ = false;
    throw;
  }
  aligning_ = false;
  controlState_ &= ~unsigned(csAlignmentNeeded);
}

void TWinControl::ArrangeChildren(TControl* AControl, TRect& Rect) {
  ShrinkClientRect(Rect);
  auto before = [](TAlign align, TControl* a, TControl* b) {
    switch (align) {
      case alTop: return a->Top() < b->Top();
      case alBottom: return a->Top() + a->Height() >= b->Top() + b->Height();
      case alLeft: return a->Left() < b->Left();
      case alRight: return a->Left() + a->Width() >= b->Left() + b->Width();
      default: return false;
    }
  };
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    if (AControl && AControl->Align() == align && AControl->Visible()) list.push_back(AControl);
    for (TControl* c : controls_) {
      if (c == AControl || c->Align() != align || !c->Visible()) continue;
      auto at = list.begin();
      // The control that asked keeps its place against those it passes.
      while (at != list.end() && !before(align, c, *at)) ++at;
      if (at == list.begin() && !list.empty() && list.front() == AControl) ++at;
      list.insert(at, c);
    }
    for (TControl* c : list) {
      int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
      switch (align) {
        case alTop:
          l = Rect.Left; t = Rect.Top; w = Rect.Width();
          Rect.Top += h;
          break;
        case alBottom:
          l = Rect.Left; w = Rect.Width(); t = Rect.Bottom - h;
          Rect.Bottom -= h;
          break;
        case alLeft:
          l = Rect.Left; t = Rect.Top; h = Rect.Height();
          Rect.Left += w;
          break;
        case alRight:
          t = Rect.Top; h = Rect.Height(); l = Rect.Right - w;
          Rect.Right -= w;
          break;
        case alClient:
          l = Rect.Left; t = Rect.Top; w = Rect.Width(); h = Rect.Height();
          break;
        default:
          break;
      }
      c->ApplyBounds(l, t, std::max(w, 0), std::max(h, 0));
    }
  }
  TRect client = ClientRect();
  for (TControl* c : controls_)
    if (c->Align() == alNone && c->Visible()) c->ApplyAnchors(client.Right, client.Bottom);
}

// ---- Geometry and visibility ---------------------------------------------------------

TRect TWinControl::ClientBounds() {
  if (HandleAllocated()) {
    TRect r;
    gui::GetClientRect(handle_, r);
    return r;
  }
  return TControl::ClientBounds();
}

TPoint TWinControl::ClientOrigin() {
  TPoint p{0, 0};
  gui::ClientToScreen(Handle(), p);
  return p;
}

void TWinControl::ApplyBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  bool sized = AWidth != Width() || AHeight != Height();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (HandleAllocated())
    gui::SetWindowPos(handle_, gui::HWND_TOP, ALeft, ATop, AWidth, AHeight, gui::SWP_NOZORDER | gui::SWP_NOACTIVATE);
  if (sized) {
    Realign();
    if (!ComponentState().Contains(csLoading)) Resize();
  }
}

bool TWinControl::Showing() const {
  if (!Parent()) return HandleAllocated() && gui::IsWindowVisible(handle_);
  return Visible() && Parent()->Showing();
}

void TWinControl::SetVisible(bool Value) { TControl::SetVisible(Value); }

void TWinControl::SetEnabled(bool Value) { TControl::SetEnabled(Value); }

void TWinControl::UpdateShowing() {
  bool now = Showing();
  if (now == showing_) return;
  showing_ = now;
  Perform(CM_SHOWINGCHANGED);
  for (TWinControl* w : std::vector<TWinControl*>(tabList_)) w->UpdateShowing();
}

// ---- Painting ------------------------------------------------------------------------

void TWinControl::Invalidate() {
  if (HandleAllocated()) gui::InvalidateRect(handle_, nullptr, !(controlStyle_ & csOpaque));
}

void TWinControl::Update() {
  if (HandleAllocated()) gui::UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::PaintWindow(gui::HDC DC) {
  TMessage m{gui::WM_PAINT, gui::ToWParam(DC), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& Message) {
  gui::HDC dc = gui::FromParam<gui::HDC>(Message.WParam);
  gui::PaintStruct ps;
  if (gui::IsNull(dc)) dc = gui::BeginPaint(handle_, ps);
  try {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
    if (dockManager_ && useDockManager_) dockManager_->PaintSite(dc);
  } catch (...) {
    if (gui::IsNull(gui::FromParam<gui::HDC>(Message.WParam))) gui::EndPaint(handle_, ps);
    throw;
  }
  if (gui::IsNull(gui::FromParam<gui::HDC>(Message.WParam))) gui::EndPaint(handle_, ps);
}

void TWinControl::PaintControls(gui::HDC DC, TControl* First) {
  auto it = controls_.begin();
  if (First) it = std::find(controls_.begin(), controls_.end(), First);
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    TRect r = c->BoundsRect();
    if (!gui::RectVisible(DC, r)) continue;
    int saved = gui::SaveDC(DC);
    gui::OffsetViewportOrgEx(DC, c->Left(), c->Top(), nullptr);
    gui::IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
    try {
      c->Perform(gui::WM_PAINT, gui::ToWParam(DC), 0);
    } catch (...) {
      gui::RestoreDC(DC, saved);
      throw;
    }
    gui::RestoreDC(DC, saved);
  }
}

void TWinControl::WMPaint(TMessage& Message) { PaintHandler(Message); }

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  gui::HDC dc = gui::FromParam<gui::HDC>(Message.WParam);
  TRect r = ClientRect();
  gui::FillRect(dc, r, brush_.Handle());
  Message.Result = 1;
}

void TWinControl::WMPrintClient(TMessage& Message) {
  if ((Message.LParam & gui::PRF_CHECKVISIBLE) && !Visible()) {
    DefaultHandler(Message);
    return;
  }
  PaintHandler(Message);
}

void TWinControl::WMNCCalcSize(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMNCPaint(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMNCHitTest(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMSize(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::WMWindowPosChanged(TMessage& Message) {
  DefaultHandler(Message);
  if (!HandleAllocated()) return;
  // Moved or sized from outside (the window manager, the user).
  TRect r = gui::GetWindowBounds(handle_);
  if (r.Left == Left() && r.Top == Top() && r.Width() == Width() && r.Height() == Height()) return;
  bool sized = r.Width() != Width() || r.Height() != Height();
  left_ = r.Left;
  top_ = r.Top;
  width_ = r.Width();
  height_ = r.Height();
  if (sized) {
    Realign();
    if (!ComponentState().Contains(csLoading)) Resize();
  }
}

// ---- Focus and keys ------------------------------------------------------------------

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (!Parent()) return;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  Value = std::clamp(Value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* w : tabList_) {
    List.push_back(w);
    w->GetTabOrderList(List);
  }
}

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (TControl* c = this; c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return form->Visible() && form->Enabled();
}

bool TWinControl::Focused() { return HandleAllocated() && gui::GetFocus() == handle_; }

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
    return;
  }
  gui::SetFocus(Handle());
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int start = found == list.end() ? (GoForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    if (GoForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c->CanFocus() && (!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) next->SetFocus();
}

void TWinControl::HandleKeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::HandleKeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::HandleKeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WMSetFocus(TMessage& Message) {
  DefaultHandler(Message);
  if (controlState_ & csFocusing) return;
  if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::KeyMessage(TMessage& Message, void (TWinControl::*Handle)(Word& Key, TShiftState Shift)) {
  Word key = static_cast<Word>(Message.WParam);
  TShiftState shift = KeyDataToShiftState(Message.LParam);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    (static_cast<TWinControl*>(form)->*Handle)(key, shift);
    if (key == 0) return;
  }
  (this->*Handle)(key, shift);
  if (key == 0) return;
  Message.WParam = key;
  DefaultHandler(Message);
}

void TWinControl::WMKeyDown(TMessage& Message) { KeyMessage(Message, &TWinControl::HandleKeyDown); }

void TWinControl::WMKeyUp(TMessage& Message) { KeyMessage(Message, &TWinControl::HandleKeyUp); }

void TWinControl::WMChar(TMessage& Message) {
  // Characters travel as bytes: code points above one byte pass untouched.
  if (Message.WParam < 256) {
    char key = static_cast<char>(Message.WParam);
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview()) {
      static_cast<TWinControl*>(form)->HandleKeyPress(key);
      if (key == 0) return;
    }
    HandleKeyPress(key);
    if (key == 0) return;
    Message.WParam = static_cast<unsigned char>(key);
  }
  DefaultHandler(Message);
}

void TWinControl::WMSysKeyDown(TMessage& Message) { WMKeyDown(Message); }

void TWinControl::WMSysChar(TMessage& Message) {
  // Alt with a character: an accelerator of the form.
  if (TCustomForm* form = GetParentForm(this); form && Message.WParam != ' ') {
    if (form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMGetDlgCode(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMTimer(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::WMSetCursor(TMessage& Message) {
  if (gui::LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == gui::HTCLIENT &&
      gui::FromParam<gui::HWND>(Message.WParam) == handle_) {
    TCursor cursor = Screen()->Cursor();
    if (cursor == crDefault) {
      TPoint p;
      gui::GetCursorPos(p);
      TControl* c = ControlAtPos(ScreenToClient(p), false, false);
      cursor = c ? c->Cursor() : Cursor();
    }
    if (cursor != crDefault) {
      gui::SetCursor(CursorHandle(cursor));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMMouseLeave(TMessage& Message) {
  DefaultHandler(Message);
  UpdateMouseControl();
}

void TWinControl::WMCommand(TMessage& Message) {
  if (TWinControl* c = FindControl(gui::FromParam<gui::HWND>(Message.LParam)); c && c != this) {
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMCtlColor(TMessage& Message) {
  if (TWinControl* c = FindControl(gui::FromParam<gui::HWND>(Message.LParam)); c && c != this) {
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMDrawItem(TMessage& Message) {
  auto* item = reinterpret_cast<gui::DrawItemStruct*>(Message.LParam);
  if (TWinControl* c = item ? FindControl(item->hwndItem) : nullptr; c && c != this) {
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  DefaultHandler(Message);
  Windows().erase(handle_);
  handle_ = gui::HWND{};
  showing_ = false;
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::Broadcast(TMessage& Message) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    c->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }
void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMShowingChanged(TMessage&) {}

void TWinControl::CMColorChanged(TMessage& Message) {
  brush_.SetColor(Color());
  TControl::CMColorChanged(Message);
  for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (HandleAllocated()) gui::EnableWindow(handle_, Enabled());
  TControl::CMEnabledChanged(Message);
}

void TWinControl::FontChanged() { TControl::FontChanged(); }

void TWinControl::CMFontChanged(TMessage& Message) {
  if (HandleAllocated()) gui::SendMessage(handle_, gui::WM_SETFONT, gui::ToWParam(Font()->Handle()), 1);
  TControl::CMFontChanged(Message);
  for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTFONTCHANGED);
}

void TWinControl::CMVisibleChanged(TMessage& Message) {
  TControl::CMVisibleChanged(Message);
  if (!Parent()) return;  // top-level windows: the form shows and hides itself
  if (HandleAllocated()) {
    gui::ShowWindow(handle_, Visible() ? gui::SW_SHOWNA : gui::SW_HIDE);
  } else if (Visible() && Parent()->HandleAllocated()) {
    Handle();
  }
  UpdateShowing();
}

// ---- Message routing ------------------------------------------------------------------

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TControl* target = nullptr;
  TControl* capture = CaptureControl();
  if (capture && capture->Parent() == this) {
    target = capture;
  } else if (gui::GetCapture() != handle_ || !capture) {
    target = ControlAtPos(gui::PointFromLParam(Message.LParam), false, false);
  }
  if (!target) return false;
  TPoint p = gui::PointFromLParam(Message.LParam);
  LPARAM local = gui::MAKELPARAM(p.X - target->Left(), p.Y - target->Top());
  Message.Result = target->Perform(Message.Msg, Message.WParam, local);
  return true;
}

void TWinControl::WindowProcedure(TMessage& Message) {
  UINT m = Message.Msg;
  if (m >= gui::WM_MOUSEFIRST && m <= gui::WM_MOUSELAST && m != gui::WM_MOUSEWHEEL && m != gui::WM_MOUSEHWHEEL) {
    // The bars of docked controls lie over the site's own children.
    if (m == gui::WM_LBUTTONDOWN && dockManager_ && useDockManager_ && !ComponentState().Contains(csDesigning) &&
        dockManager_->ButtonDown(gui::PointFromLParam(Message.LParam)))
      return;
    if (IsControlMouseMsg(Message)) return;
  } else if (m == gui::WM_KEYDOWN || m == gui::WM_SYSKEYDOWN) {
    // Dialog keys first: Tab and the arrows move the focus, Return and
    // Escape press the default and cancel buttons, unless the control
    // wants them itself.
    LRESULT mask = 0;
    Word key = static_cast<Word>(Message.WParam);
    TCustomForm* form = GetParentForm(this);
    if (form && IsDialogKey(key, mask) && Perform(CM_WANTSPECIALKEY, key) == 0 &&
        (Perform(gui::WM_GETDLGCODE) & mask) == 0 && form->Perform(CM_DIALOGKEY, key, Message.LParam) != 0)
      return;
  } else if (m == gui::WM_CHAR) {
    TCustomForm* form = GetParentForm(this);
    if (form && (Perform(gui::WM_GETDLGCODE) & gui::DLGC_WANTCHARS) == 0 &&
        form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
      return;
  }
  TControl::WindowProcedure(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_PAINT: WMPaint(Message); return;
    case gui::WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case gui::WM_PRINTCLIENT: WMPrintClient(Message); return;
    case gui::WM_NCCALCSIZE: WMNCCalcSize(Message); return;
    case gui::WM_NCPAINT: WMNCPaint(Message); return;
    case gui::WM_NCHITTEST: WMNCHitTest(Message); return;
    case gui::WM_SIZE: WMSize(Message); return;
    case gui::WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case gui::WM_SETFOCUS: WMSetFocus(Message); return;
    case gui::WM_KILLFOCUS: WMKillFocus(Message); return;
    case gui::WM_KEYDOWN: WMKeyDown(Message); return;
    case gui::WM_KEYUP:
    case gui::WM_SYSKEYUP: WMKeyUp(Message); return;
    case gui::WM_CHAR: WMChar(Message); return;
    case gui::WM_SYSKEYDOWN: WMSysKeyDown(Message); return;
    case gui::WM_SYSCHAR: WMSysChar(Message); return;
    case gui::WM_GETDLGCODE: WMGetDlgCode(Message); return;
    case gui::WM_TIMER: WMTimer(Message); return;
    case gui::WM_SETCURSOR: WMSetCursor(Message); return;
    case gui::WM_MOUSELEAVE: WMMouseLeave(Message); return;
    case gui::WM_COMMAND: WMCommand(Message); return;
    case gui::WM_CTLCOLOREDIT:
    case gui::WM_CTLCOLORLISTBOX:
    case gui::WM_CTLCOLORSTATIC: WMCtlColor(Message); return;
    case gui::WM_DRAWITEM: WMDrawItem(Message); return;
    case gui::WM_NCDESTROY: WMNCDestroy(Message); return;
    case CM_ENTER: CMEnter(Message); return;
    case CM_DOCKCLIENT: CMDockClient(Message); return;
    case CM_UNDOCKCLIENT: CMUnDockClient(Message); return;
    case CM_DOCKNOTIFICATION: CMDockNotification(Message); return;
    case CM_EXIT: CMExit(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    // Every control under the form hears where the focus went (buttons
    // decide from it which one Enter clicks).
    case CM_FOCUSCHANGED: Broadcast(Message); return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORSTATIC: {
      gui::HDC dc = gui::FromParam<gui::HDC>(Message.WParam);
      gui::SetTextColor(dc, ColorToRef(Font()->Color()));
      gui::SetBkColor(dc, ColorToRef(brush_.Color()));
      Message.Result = static_cast<LRESULT>(gui::ToWParam(brush_.Handle()));
      return;
    }
    default: TControl::Dispatch(Message); return;
  }
}
