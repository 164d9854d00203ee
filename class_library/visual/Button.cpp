// TButton: a push button drawn in the classic look.
#include "class_library/visual/Forms.h"
#include "class_library/visual/StdCtrls.h"
#include "platform/gui/Window.h"

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  controlStyle_ = csSetCaption | csDoubleClicks | csCaptureMouse | csClickEvents;
  PlaceBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetColor(clBtnFace);
}

void TButton::SetDefault(bool Value) {
  if (default_ == Value) return;
  default_ = Value;
  Invalidate();
}

void TButton::Click() { HandleClick(); }

void TButton::HandleClick() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TButtonControl::HandleClick();
}

void TButton::PaintControl() {
  TCanvas* canvas = Canvas();
  gui::HDC dc = canvas->Handle();
  TRect r = ClientRect();
  bool focused = Focused();
  if (default_ || focused) {
    // The default button wears a dark outline.
    canvas->Brush()->SetColor(clWindowFrame);
    canvas->FrameRect(r);
    gui::InflateRect(r, -1, -1);
  }
  gui::UINT state = gui::DFCS_BUTTONPUSH;
  if (pressed_) state |= gui::DFCS_PUSHED;
  if (!Enabled()) state |= gui::DFCS_INACTIVE;
  gui::DrawFrameControl(dc, r, gui::DFC_BUTTON, state);
  TRect text = r;
  if (pressed_) gui::OffsetRect(text, 1, 1);
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  UINT flags = gui::DT_CENTER | gui::DT_VCENTER | gui::DT_SINGLELINE;
  if (!Enabled()) {
    TRect light = text;
    gui::OffsetRect(light, 1, 1);
    canvas->Font()->SetColor(clBtnHighlight);
    canvas->RequireAll();
    gui::DrawText(dc, Caption(), light, flags);
    canvas->Font()->SetColor(clBtnShadow);
  }
  canvas->RequireAll();
  gui::DrawText(dc, Caption(), text, flags);
  if (focused) {
    TRect f = r;
    gui::InflateRect(f, -3, -3);
    canvas->DrawFocusRect(f);
  }
}

void TButton::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled()) {
    if (CanFocus() && !Focused()) SetFocus();
    tracking_ = true;
    pressed_ = true;
    Repaint();
  }
  TButtonControl::HandleMouseDown(Button, Shift, X, Y);
}

void TButton::HandleMouseMove(TShiftState Shift, int X, int Y) {
  if (tracking_) {
    bool inside = gui::PtInRect(ClientRect(), TPoint{X, Y});
    if (inside != pressed_) {
      pressed_ = inside;
      Repaint();
    }
  }
  TButtonControl::HandleMouseMove(Shift, X, Y);
}

void TButton::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && tracking_) {
    tracking_ = false;
    pressed_ = false;
    Repaint();
  }
  TButtonControl::HandleMouseUp(Button, Shift, X, Y);
}

void TButton::HandleKeyDown(Word& Key, TShiftState Shift) {
  if (Key == gui::VK_SPACE && !spaceDown_) {
    spaceDown_ = true;
    pressed_ = true;
    Repaint();
    Key = 0;
    return;
  }
  TButtonControl::HandleKeyDown(Key, Shift);
}

void TButton::HandleKeyUp(Word& Key, TShiftState Shift) {
  if (Key == gui::VK_SPACE && spaceDown_) {
    spaceDown_ = false;
    pressed_ = false;
    Repaint();
    Key = 0;
    Click();
    return;
  }
  TButtonControl::HandleKeyUp(Key, Shift);
}

void TButton::CMDialogKey(TMessage& Message) {
  if (KeyDataToShiftState(Message.LParam) == 0 && CanFocus()) {
    bool focusOnButton = false;
    if (TCustomForm* form = GetParentForm(this))
      focusOnButton = dynamic_cast<TButton*>(form->ActiveControl()) != nullptr;
    bool active = focusOnButton ? Focused() : default_;
    if ((Message.WParam == gui::VK_RETURN && active) || (Message.WParam == gui::VK_ESCAPE && cancel_)) {
      Click();
      Message.Result = 1;
      return;
    }
  }
  TButtonControl::CMDialogKey(Message);
}

void TButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TButtonControl::CMDialogChar(Message);
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_SETFOCUS:
    case gui::WM_KILLFOCUS:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      TButtonControl::Dispatch(Message);
      Invalidate();
      return;
    case gui::WM_GETDLGCODE:
      Message.Result = gui::DLGC_BUTTON | (default_ ? gui::DLGC_DEFPUSHBUTTON : gui::DLGC_UNDEFPUSHBUTTON);
      return;
    default:
      TButtonControl::Dispatch(Message);
      return;
  }
}
