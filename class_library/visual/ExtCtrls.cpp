#include "class_library/visual/ExtCtrls.h"

#include <algorithm>

#include "platform/gui/Window.h"

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas->Pen()->SetWidth(1);
  --Rect.Bottom;
  --Rect.Right;
  for (int i = 0; i < Width; ++i) {
    Canvas->Pen()->SetColor(TopColor);
    TPoint top[] = {{Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}};
    Canvas->Polyline(top);
    Canvas->Pen()->SetColor(BottomColor);
    TPoint bottom[] = {{Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}};
    Canvas->Polyline(bottom);
    gui::InflateRect(Rect, -1, -1);
  }
  ++Rect.Bottom;
  ++Rect.Right;
}

// ---- TCustomPanel --------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                  csReplicatable | csParentBackground;
  PlaceBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::SetWindowParams(TCreateParams& Params) {
  TCustomControl::SetWindowParams(Params);
  if (borderStyle_ == bsSingle) Params.Style |= gui::WS_BORDER;
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  if (bevelInner_ == Value) return;
  bevelInner_ = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  if (bevelOuter_ == Value) return;
  bevelOuter_ = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
  if (bevelWidth_ == Value || Value < 1) return;
  bevelWidth_ = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (borderStyle_ == Value) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomPanel::SetVerticalAlignment(TVerticalAlignment Value) {
  if (verticalAlignment_ == Value) return;
  verticalAlignment_ = Value;
  Invalidate();
}

void TCustomPanel::SetParentBackground(bool Value) {
  if (Value) {
    controlStyle_ |= csParentBackground;
  } else {
    controlStyle_ &= ~unsigned(csParentBackground);
  }
  Invalidate();
}

void TCustomPanel::ShrinkClientRect(TRect& Rect) {
  TCustomControl::ShrinkClientRect(Rect);
  int bevels = (bevelOuter_ != bvNone ? bevelWidth_ : 0) + (bevelInner_ != bvNone ? bevelWidth_ : 0);
  gui::InflateRect(Rect, -bevels, -bevels);
}

void TCustomPanel::PaintControl() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
    TColor bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
    if (cut == bvSpace) top = bottom = Color();
    Frame3D(canvas, r, top, bottom, bevelWidth_);
  };
  bevel(bevelOuter_);
  Frame3D(canvas, r, Color(), Color(), BorderWidth());
  bevel(bevelInner_);
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(r);
  String caption = Caption();
  if (caption.empty()) return;
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  static constexpr UINT kAlign[] = {gui::DT_LEFT, gui::DT_RIGHT, gui::DT_CENTER};
  UINT flags = gui::DT_EXPANDTABS | gui::DT_SINGLELINE | kAlign[alignment_];
  flags |= verticalAlignment_ == taAlignTop      ? gui::DT_TOP
           : verticalAlignment_ == taAlignBottom ? gui::DT_BOTTOM
                                                 : gui::DT_VCENTER;
  canvas->RequireAll();
  gui::DrawText(canvas->Handle(), caption, r, flags);
}

void TCustomPanel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED) {
    TCustomControl::Dispatch(Message);
    Invalidate();
    return;
  }
  if (Message.Msg == gui::WM_WINDOWPOSCHANGED && fullRepaint_) {
    TCustomControl::Dispatch(Message);
    Invalidate();
    return;
  }
  TCustomControl::Dispatch(Message);
}

// ---- TImage --------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  controlStyle_ |= csReplicatable;
  PlaceBounds(0, 0, 105, 105);
  picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0)
    PlaceBounds(Left(), Top(), picture_.Width(), picture_.Height());
  if (TGraphic* g = picture_.Graphic()) g->SetTransparent(transparent_);
  Invalidate();
}

void TImage::SetStretch(bool Value) {
  if (stretch_ == Value) return;
  stretch_ = Value;
  Invalidate();
}

void TImage::SetCenter(bool Value) {
  if (center_ == Value) return;
  center_ = Value;
  Invalidate();
}

void TImage::SetProportional(bool Value) {
  if (proportional_ == Value) return;
  proportional_ = Value;
  Invalidate();
}

void TImage::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  PictureChanged();
}

void TImage::SetAutoSize(bool Value) {
  autoSize_ = Value;
  PictureChanged();
}

TRect TImage::DestRect() {
  int w = picture_.Width(), h = picture_.Height();
  int cw = ClientWidth(), ch = ClientHeight();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      // The whole picture, as large as fits, in its proportions.
      if (static_cast<long long>(cw) * h > static_cast<long long>(ch) * w) {
        w = static_cast<int>(static_cast<long long>(w) * ch / h);
        h = ch;
      } else {
        h = static_cast<int>(static_cast<long long>(h) * cw / w);
        w = cw;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r{0, 0, w, h};
  if (center_) gui::OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::PaintControl() {
  if (TGraphic* g = picture_.Graphic(); g && !g->Empty()) Canvas()->StretchDraw(DestRect(), g);
}
