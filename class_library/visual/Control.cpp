// TControl: place, looks, mouse handling and the message dispatch shared by
// every control.
#include <algorithm>

#include "class_library/loop/Application.h"
#include "class_library/core/SysUtils.h"
#include "class_library/visual/Controls.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/Menus.h"
#include "class_library/visual/VisualState.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "platform/system/AsciiCase.h"

namespace {

TControl* gMouseControl = nullptr;
TControl* gCaptureControl = nullptr;
int gAdoptingParentFont = 0;

}  // namespace

bool visual::AdoptingParentFont() { return gAdoptingParentFont > 0; }

void visual::AdoptParentFont(TFont* Font, TFont* ParentFont) {
  ++gAdoptingParentFont;
  try {
    Font->Assign(ParentFont);
  } catch (...) {
    --gAdoptingParentFont;
    throw;
  }
  --gAdoptingParentFont;
}

TControl* MouseControl() { return gMouseControl; }
TControl* CaptureControl() { return gCaptureControl; }

void SetCaptureControl(TControl* Control) {
  gCaptureControl = nullptr;
  if (!Control) {
    gui::ReleaseCapture();
    return;
  }
  if (auto* w = dynamic_cast<TWinControl*>(Control)) {
    gui::SetCapture(w->Handle());
    return;
  }
  if (Control->Parent()) {
    gui::SetCapture(Control->Parent()->Handle());
    gCaptureControl = Control;
  }
}

void visual::ForgetControl(TControl* Control) {
  if (gMouseControl == Control) gMouseControl = nullptr;
  if (gCaptureControl == Control) gCaptureControl = nullptr;
  visual::HintControlGone(Control);
}

TShiftState MouseShiftState(WPARAM Keys) {
  TShiftState s = 0;
  if (Keys & gui::MK_SHIFT) s |= ssShift;
  if (Keys & gui::MK_CONTROL) s |= ssCtrl;
  if (Keys & gui::MK_LBUTTON) s |= ssLeft;
  if (Keys & gui::MK_RBUTTON) s |= ssRight;
  if (Keys & gui::MK_MBUTTON) s |= ssMiddle;
  if (gui::GetKeyState(static_cast<int>(gui::VK_MENU)) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s = 0;
  if (gui::GetKeyState(static_cast<int>(gui::VK_SHIFT)) < 0) s |= ssShift;
  if (gui::GetKeyState(static_cast<int>(gui::VK_CONTROL)) < 0) s |= ssCtrl;
  if (gui::GetKeyState(static_cast<int>(gui::VK_MENU)) < 0 || (gui::HIWORD(KeyData) & gui::KF_ALTDOWN))
    s |= ssAlt;
  return s;
}

bool IsAccel(Word Key, const String& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(Caption[i + 1]);
    // ASCII case only: under a Turkish locale toupper('i') stays 'i'.
    return c < 128 && Key < 128 && sys::AsciiUpper(char(c)) == sys::AsciiUpper(char(Key));
  }
  return false;
}

// ---- TControl ---------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  RegisterControlClasses();
  WindowProc = [this](TMessage& Message) { WindowProcedure(Message); };
  font_.OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
  Destroying();
  if (TWinControl* site = hostDockSite_) {
    hostDockSite_ = nullptr;
    site->ForgetDockClient(this);
  }
  visual::ForgetControl(this);
  if (parent_) parent_->RemoveControl(this);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  WindowProc(message);
  return message.Result;
}

void TControl::WindowProcedure(TMessage& Message) {
  UINT m = Message.Msg;
  if (m >= gui::WM_MOUSEFIRST && m <= gui::WM_MOUSELAST) {
    if (m == gui::WM_LBUTTONDOWN || m == gui::WM_LBUTTONDBLCLK) {
      if (dragMode_ == dmAutomatic) {
        BeginDrag(Mouse()->DragImmediate(), Mouse()->DragThreshold());
        return;
      }
    }
    if (visual::DragMouseMessage(this, Message)) return;
    visual::HintMouseMessage(this, Message);
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_LBUTTONDOWN: WMLButtonDown(Message); return;
    case gui::WM_LBUTTONUP: WMLButtonUp(Message); return;
    case gui::WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); return;
    case gui::WM_RBUTTONDOWN:
    case gui::WM_RBUTTONDBLCLK: WMRButtonDown(Message); return;
    case gui::WM_RBUTTONUP: WMRButtonUp(Message); return;
    case gui::WM_MBUTTONDOWN:
    case gui::WM_MBUTTONDBLCLK: WMMButtonDown(Message); return;
    case gui::WM_MBUTTONUP: WMMButtonUp(Message); return;
    case gui::WM_MOUSEMOVE: WMMouseMove(Message); return;
    case gui::WM_MOUSEWHEEL: WMMouseWheel(Message); return;
    case gui::WM_CONTEXTMENU: WMContextMenu(Message); return;
    case gui::WM_CANCELMODE: WMCancelMode(Message); return;
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case CM_HITTEST: CMHitTest(Message); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); return;
    case CM_HINTSHOW: CMHintShow(Message); return;
    case CM_DRAG: CMDrag(Message); return;
    default: DefaultHandler(Message); return;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  // A window-less control keeps its text itself.
  switch (Message.Msg) {
    case gui::WM_GETTEXTLENGTH:
      Message.Result = static_cast<LRESULT>(text_.size());
      return;
    case gui::WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(Message.LParam);
      std::size_t size = static_cast<std::size_t>(Message.WParam);
      if (!buffer || size == 0) return;
      std::size_t n = std::min(size - 1, text_.size());
      std::copy_n(text_.data(), n, buffer);
      buffer[n] = '\0';
      Message.Result = static_cast<LRESULT>(n);
      return;
    }
    case gui::WM_SETTEXT:
      text_ = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
      Message.Result = 1;
      return;
    default:
      return;
  }
}

// ---- Place and size -------------------------------------------------------------------

void TControl::SetParent(TWinControl* AParent) {
  if (parent_ == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (AParent) {
    AParent->InsertControl(this);
    if (!ComponentState().Contains(csLoading)) UpdateAnchorRules();
  }
}

void TControl::PlaceBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (constraints_.MinWidth > 0) AWidth = std::max(AWidth, constraints_.MinWidth);
  if (constraints_.MaxWidth > 0) AWidth = std::min(AWidth, constraints_.MaxWidth);
  if (constraints_.MinHeight > 0) AHeight = std::max(AHeight, constraints_.MinHeight);
  if (constraints_.MaxHeight > 0) AHeight = std::min(AHeight, constraints_.MaxHeight);
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  ApplyBounds(ALeft, ATop, AWidth, AHeight);
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::ApplyBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  bool sized = AWidth != width_ || AHeight != height_;
  Invalidate();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  Invalidate();
  if (sized && !ComponentState().Contains(csLoading)) Resize();
}

TRect TControl::ClientBounds() { return TRect{0, 0, width_, height_}; }

void TControl::SetClientWidth(int Value) { SetWidth(width_ - ClientWidth() + Value); }
void TControl::SetClientHeight(int Value) { SetHeight(height_ - ClientHeight() + Value); }

TPoint TControl::ClientOrigin() {
  if (!parent_) return TPoint{left_, top_};
  TPoint o = parent_->ClientOrigin();
  return TPoint{o.X + left_, o.Y + top_};
}

void TControl::SetAlign(TAlign Value) {
  if (align_ == Value) return;
  TAlign old = align_;
  align_ = Value;
  anchors_ = kDefaultAnchors;
  if (Value == alTop || Value == alBottom || Value == alLeft || Value == alRight || Value == alClient) {
    static constexpr TAnchors kByAlign[] = {
        0,
        (1u << akLeft) | (1u << akTop) | (1u << akRight),
        (1u << akLeft) | (1u << akRight) | (1u << akBottom),
        (1u << akLeft) | (1u << akTop) | (1u << akBottom),
        (1u << akRight) | (1u << akTop) | (1u << akBottom),
        (1u << akLeft) | (1u << akTop) | (1u << akRight) | (1u << akBottom),
    };
    anchors_ = kByAlign[Value];
  }
  (void)old;
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (anchors_ == Value) return;
  anchors_ = Value;
  if (!ComponentState().Contains(csLoading)) UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (ComponentState().Contains(csLoading)) return;
  if (anchors_ == kDefaultAnchors || !parent_ || align_ != alNone) {
    originalParentSize_ = TPoint{0, 0};
    return;
  }
  auto axis = [](bool low, bool high, int pos, int extent) {
    if (high) return low ? extent : pos;
    return pos + extent / 2;
  };
  anchorRules_.X = axis(anchors_ & (1u << akLeft), anchors_ & (1u << akRight), left_, width_);
  anchorRules_.Y = axis(anchors_ & (1u << akTop), anchors_ & (1u << akBottom), top_, height_);
  TRect client = parent_->ClientRect();
  originalParentSize_ = TPoint{client.Right, client.Bottom};
}

void TControl::ApplyAnchors(int ParentWidth, int ParentHeight) {
  if (anchors_ == kDefaultAnchors || originalParentSize_.X == 0 || originalParentSize_.Y == 0) return;
  int left = left_, top = top_, width = width_, height = height_;
  auto axis = [](bool low, bool high, int rule, int original, int now, int& pos, int& extent) {
    if (high) {
      if (low) {
        extent = now - (original - rule);
      } else {
        pos = rule + (now - original);
      }
    } else if (!low) {
      pos = static_cast<int>(static_cast<long long>(rule) * now / original) - extent / 2;
    }
  };
  axis(anchors_ & (1u << akLeft), anchors_ & (1u << akRight), anchorRules_.X, originalParentSize_.X, ParentWidth,
       left, width);
  axis(anchors_ & (1u << akTop), anchors_ & (1u << akBottom), anchorRules_.Y, originalParentSize_.Y, ParentHeight,
       top, height);
  if (left != left_ || top != top_ || width != width_ || height != height_)
    ApplyBounds(left, top, std::max(width, 0), std::max(height, 0));
}

void TControl::RequestAlign() {
  if (parent_ && !ComponentState().Contains(csLoading)) parent_->AlignControl(this);
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    gui::SetWindowPos(w->handle_, gui::HWND_TOP, 0, 0, 0, 0, gui::SWP_NOMOVE | gui::SWP_NOSIZE | gui::SWP_NOACTIVATE);
  Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    gui::SetWindowPos(w->handle_, gui::HWND_BOTTOM, 0, 0, 0, 0,
                      gui::SWP_NOMOVE | gui::SWP_NOSIZE | gui::SWP_NOACTIVATE);
  Invalidate();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- State and looks --------------------------------------------------------------------

void TControl::SetVisible(bool Value) {
  if (visible_ == Value) return;
  Invalidate();
  visible_ = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
  SendDockNotification(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
  RequestAlign();
  Invalidate();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool Value) {
  if (enabled_ == Value) return;
  enabled_ = Value;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value) {
  if (color_ == Value && !parentColor_) return;
  color_ = Value;
  parentColor_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (parentColor_ == Value) return;
  parentColor_ = Value;
  if (parent_ && Value) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool Value) {
  if (parentFont_ == Value) return;
  parentFont_ = Value;
  if (parent_ && Value) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged() {
  // A font set on the control itself is its own from then on.
  if (!visual::AdoptingParentFont()) parentFont_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  visual::AdoptParentFont(&font_, parent_->Font());
}

void TControl::SetText(const String& Value) {
  if (GetText() == Value) return;
  SetTextValue(Value);
  Perform(CM_TEXTCHANGED);
  SendDockNotification(gui::WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

String TControl::GetText() { return text_; }
void TControl::SetTextValue(const String& Value) { text_ = Value; }

void TControl::SetCursor(TCursor Value) {
  if (cursor_ == Value) return;
  cursor_ = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetShowHint(bool Value) {
  if (showHint_ == Value && !parentShowHint_) return;
  showHint_ = Value;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
  if (parentShowHint_ == Value) return;
  parentShowHint_ = Value;
  if (parent_ && Value) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (popupMenu_ == Value) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

bool TControl::MouseCapture() {
  if (auto* w = dynamic_cast<TWinControl*>(this)) return w->HandleAllocated() && gui::GetCapture() == w->handle_;
  return gCaptureControl == this;
}

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() == Value) return;
  SetCaptureControl(Value ? this : nullptr);
}

// ---- Painting -------------------------------------------------------------------------

void TControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
  TRect r = BoundsRect();
  gui::InvalidateRect(parent_->Handle(), &r, !(controlStyle_ & csOpaque));
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

// ---- Mouse ----------------------------------------------------------------------------

void TControl::SendCancelMode() {
  // A popup or drag of another control ends when this one is clicked.
  visual::CancelDrag(this);
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
  if (controlStyle_ & csNoStdEvents) return;
  HandleMouseDown(Button, MouseShiftState(Message.WParam) | Shift, MessageX(Message), MessageY(Message));
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  if (controlStyle_ & csNoStdEvents) return;
  HandleMouseUp(Button, MouseShiftState(Message.WParam), MessageX(Message), MessageY(Message));
}

void TControl::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::HandleMouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::HandleClick() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::WMLButtonDown(TMessage& Message) {
  SendCancelMode();
  DefaultHandler(Message);
  if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
  if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
  DoMouseDown(Message, mbLeft, 0);
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  SendCancelMode();
  DefaultHandler(Message);
  if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
  if (controlStyle_ & csClickEvents) DblClick();
  DoMouseDown(Message, mbLeft, ssDouble);
}

void TControl::WMLButtonUp(TMessage& Message) {
  DefaultHandler(Message);
  if (controlStyle_ & csCaptureMouse) SetMouseCapture(false);
  if (controlState_ & csClicked) {
    controlState_ &= ~unsigned(csClicked);
    if (gui::PtInRect(ClientRect(), gui::PointFromLParam(Message.LParam))) HandleClick();
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbRight, 0);
}

void TControl::WMRButtonUp(TMessage& Message) {
  DefaultHandler(Message);
  Message.Result = 0;
  DoMouseUp(Message, mbRight);
  // The context menu follows the release of the right button.
  if (Message.Result == 0) {
    TPoint p = ClientToScreen(gui::PointFromLParam(Message.LParam));
    TMessage context{gui::WM_CONTEXTMENU, 0, gui::PointToLParam(p), 0};
    WindowProc(context);
  }
}

void TControl::WMMButtonDown(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbMiddle, 0);
}

void TControl::WMMButtonUp(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TMessage& Message) {
  DefaultHandler(Message);
  UpdateMouseControl();
  if (!(controlStyle_ & csNoStdEvents))
    HandleMouseMove(MouseShiftState(Message.WParam), MessageX(Message), MessageY(Message));
}

void TControl::WMMouseWheel(TMessage& Message) {
  bool handled = false;
  if (OnMouseWheel) {
    int delta = static_cast<std::int16_t>(gui::HIWORD(Message.WParam));
    OnMouseWheel(this, MouseShiftState(gui::LOWORD(Message.WParam)), delta, gui::PointFromLParam(Message.LParam),
                 handled);
  }
  if (handled) {
    Message.Result = 1;
    return;
  }
  // Not taken: the parent may scroll.
  if (parent_) Message.Result = parent_->Perform(Message.Msg, Message.WParam, Message.LParam);
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  TPoint screen = gui::PointFromLParam(Message.LParam);
  bool fromKeyboard = Message.LParam == -1;
  TPoint local = fromKeyboard ? TPoint{-1, -1} : ScreenToClient(screen);
  bool handled = false;
  if (OnContextPopup) OnContextPopup(this, local, handled);
  if (handled) {
    Message.Result = 1;
    return;
  }
  if (popupMenu_) {
    if (fromKeyboard) screen = ClientToScreen(TPoint{0, 0});
    visual::ShowPopupMenu(popupMenu_, this, screen);
    Message.Result = 1;
    return;
  }
  if (parent_) {
    Message.Result = parent_->Perform(gui::WM_CONTEXTMENU, Message.WParam, Message.LParam);
  }
}

void TControl::WMCancelMode(TMessage&) { SetMouseCapture(false); }

void TControl::CMMouseEnter(TMessage& Message) {
  if (parent_) parent_->Perform(CM_MOUSEENTER, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
  if (Message.LParam == 0 && OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message) {
  if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
  if (Message.LParam == 0 && OnMouseLeave) OnMouseLeave(this);
}

void TControl::CMColorChanged(TMessage&) { Invalidate(); }
void TControl::CMParentColorChanged(TMessage& Message) {
  if (!parentColor_) return;
  if (Message.WParam) {
    color_ = static_cast<TColor>(Message.LParam);
  } else if (parent_) {
    color_ = parent_->Color();
  }
  // Keeps ParentColor: the colour came from the parent.
  Perform(CM_COLORCHANGED);
  parentColor_ = true;
}
void TControl::CMFontChanged(TMessage&) { Invalidate(); }
void TControl::CMParentFontChanged(TMessage&) { ParentFontChanged(); }
void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMVisibleChanged(TMessage&) {}
void TControl::CMTextChanged(TMessage&) { Invalidate(); }
void TControl::CMHitTest(TMessage& Message) { Message.Result = gui::HTCLIENT; }
void TControl::CMParentShowHintChanged(TMessage&) {
  if (parentShowHint_ && parent_) showHint_ = parent_->ShowHint();
}
void TControl::CMHintShow(TMessage&) {}
void TControl::CMDrag(TMessage& Message) { visual::HandleDragMessage(this, Message); }

// ---- Dragging ----------------------------------------------------------------------

void TControl::BeginDrag(bool Immediate, int Threshold) {
  visual::BeginDrag(this, Immediate, Threshold < 0 ? Mouse()->DragThreshold() : Threshold);
}
void TControl::EndDrag(bool Drop) { visual::EndDrag(this, Drop); }
bool TControl::Dragging() const { return visual::DragControl() == this; }

void TControl::HandleDragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::HandleDragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

// ---- Resources ------------------------------------------------------------------------

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* p = dynamic_cast<TWinControl*>(Value)) SetParent(p);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::FinishLoading() {
  TComponent::FinishLoading();
  if (parentFont_) ParentFontChanged();
  if (parentColor_ && parent_) {
    color_ = parent_->Color();
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::ReadLegacyProperties(TFiler* Filer) {
  TComponent::ReadLegacyProperties(Filer);
  // Stored by older designers; nothing here uses them.
  for (const char* name : {"IsControl", "DesignSize", "ExplicitLeft", "ExplicitTop", "ExplicitWidth",
                           "ExplicitHeight"})
    Filer->DefineProperty(name, [](TReader&) {});
}

// ---- Helpers ---------------------------------------------------------------------------

TCustomForm* GetParentForm(TControl* Control) {
  while (Control && Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

TControl* FindVCLWindow(TPoint Pos) {
  gui::HWND h = gui::WindowFromPoint(Pos);
  while (!gui::IsNull(h)) {
    if (TWinControl* w = TWinControl::FindControl(h)) return w;
    h = gui::GetParent(h);
  }
  return nullptr;
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  TControl* found = FindVCLWindow(Pos);
  auto* w = dynamic_cast<TWinControl*>(found);
  if (!w) return found;
  TPoint local = w->ScreenToClient(Pos);
  if (TControl* child = w->ControlAtPos(local, AllowDisabled, false)) return child;
  return w;
}

void UpdateMouseControl() {
  TPoint p;
  gui::GetCursorPos(p);
  TControl* now = CaptureControl();
  if (!now) now = FindDragTarget(p, false);
  if (now == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = now;
  if (old) old->Perform(CM_MOUSELEAVE);
  if (now && gMouseControl == now) now->Perform(CM_MOUSEENTER);
}
