// TCustomLabel: a caption drawn on the parent, sized to its text.
#include "class_library/visual/StdCtrls.h"
#include "platform/gui/Window.h"

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  controlStyle_ |= csOpaque | csReplicatable;
  PlaceBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (layout_ == Value) return;
  layout_ = Value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (autoSize_ == Value) return;
  autoSize_ = Value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (wordWrap_ == Value) return;
  wordWrap_ = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (showAccelChar_ == Value) return;
  showAccelChar_ = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (Transparent() == Value) return;
  if (Value) {
    controlStyle_ &= ~unsigned(csOpaque);
  } else {
    controlStyle_ |= csOpaque;
  }
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomLabel::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::FinishLoading() {
  TGraphicControl::FinishLoading();
  AdjustBounds();
}

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags) {
  String text = Caption();
  // An empty caption still measures one line.
  if ((Flags & gui::DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
  if (!showAccelChar_) Flags |= gui::DT_NOPREFIX;
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  if (!Enabled()) {
    gui::OffsetRect(Rect, 1, 1);
    canvas->Font()->SetColor(clBtnHighlight);
    canvas->RequireAll();
    gui::DrawText(canvas->Handle(), text, Rect, Flags);
    gui::OffsetRect(Rect, -1, -1);
    canvas->Font()->SetColor(clBtnShadow);
  }
  canvas->RequireAll();
  gui::DrawText(canvas->Handle(), text, Rect, Flags);
}

void TCustomLabel::PaintControl() {
  static constexpr UINT kAlign[] = {gui::DT_LEFT, gui::DT_RIGHT, gui::DT_CENTER};
  TCanvas* canvas = Canvas();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());
  }
  canvas->Brush()->SetStyle(bsClear);
  TRect r = ClientRect();
  UINT flags = gui::DT_EXPANDTABS | (wordWrap_ ? gui::DT_WORDBREAK : 0) | kAlign[alignment_];
  if (layout_ != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | gui::DT_CALCRECT);
    int dy = layout_ == tlBottom ? Height() - calc.Bottom : (Height() - calc.Bottom) / 2;
    gui::OffsetRect(r, 0, dy);
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (!autoSize_ || ComponentState().Contains(csReading) || ComponentState().Contains(csLoading)) return;
  TRect r = ClientRect();
  // Measured on the screen's context, as the parent may have no window yet.
  gui::HDC dc = gui::GetDC(gui::HWND{});
  if (gui::IsNull(dc)) return;
  TCanvas measure;
  measure.SetHandle(dc);
  measure.SetFont(Font());
  String text = Caption();
  if (text.empty() || (showAccelChar_ && text == "&")) text += ' ';
  UINT flags = gui::DT_EXPANDTABS | gui::DT_CALCRECT | (wordWrap_ ? gui::DT_WORDBREAK : 0) |
               (showAccelChar_ ? 0 : gui::DT_NOPREFIX);
  measure.RequireAll();
  gui::DrawText(dc, text, r, flags);
  measure.SetHandle(gui::HDC{});
  gui::ReleaseDC(gui::HWND{}, dc);
  int x = Left();
  if (alignment_ == taRightJustify) x += Width() - r.Right;
  PlaceBounds(x, Top(), r.Right, r.Bottom);
}

void TCustomLabel::CMTextChanged(TMessage& Message) {
  TGraphicControl::CMTextChanged(Message);
  AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& Message) {
  TGraphicControl::CMFontChanged(Message);
  AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(static_cast<Word>(Message.WParam), Caption()) &&
        focusControl_->CanFocus()) {
      focusControl_->SetFocus();
      Message.Result = 1;
    }
    return;
  }
  TGraphicControl::Dispatch(Message);
}
