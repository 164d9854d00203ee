// TVkBorder.
#include "controls/VkBorder.h"

#include "class_library/TypeInfo.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkFrameParts.h"

TVkBorder::TVkBorder(TComponent* AOwner) : TGraphicControl(AOwner) {
  // Never opaque: the border is drawn over whatever lies behind it.
  controlStyle_ &= ~unsigned(csOpaque | csSetCaption);
  SetText(String());
  PlaceBounds(0, 0, 50, 50);
}

TVkBorder::~TVkBorder() = default;

#define TW_BORDER_SETTER(Name, Type, field, then) \
  void TVkBorder::Set##Name(Type Value) {         \
    if (field == Value) return;                   \
    field = Value;                                \
    then();                                       \
  }
TW_BORDER_SETTER(BevelWidth, int, bevelWidth_, Repaint)
TW_BORDER_SETTER(BorderColor, TColor, borderColor_, Repaint)
TW_BORDER_SETTER(BorderHighlight, TColor, borderHighlight_, Repaint)
TW_BORDER_SETTER(BorderInner, TFrameStyleEx, borderInner_, Repaint)
TW_BORDER_SETTER(BorderOuter, TFrameStyleEx, borderOuter_, Repaint)
TW_BORDER_SETTER(BorderShadow, TColor, borderShadow_, Repaint)
TW_BORDER_SETTER(BorderSides, TSides, borderSides_, Repaint)
TW_BORDER_SETTER(BorderWidth, int, borderWidth_, Repaint)
TW_BORDER_SETTER(FlatColor, TColor, flatColor_, Invalidate)
TW_BORDER_SETTER(FlatColorAdjustment, int, flatColorAdjustment_, Invalidate)
#undef TW_BORDER_SETTER


void TVkBorder::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::ComponentNotification(AComponent, Operation);
  frameLink_.Notification(AComponent, Operation);
}

void TVkBorder::AdjustBorderRect(TRect& R) const {
  gui::InflateRect(R, -borderWidth_, -borderWidth_);
  ShrinkForFrames(R, borderOuter_, borderInner_, borderSides_, bevelWidth_);
  if (R.Bottom < R.Top || R.Right < R.Left) R = TRect{0, 0, 0, 0};
}

TRect TVkBorder::ClientBounds() {
  TRect r = TGraphicControl::ClientBounds();
  AdjustBorderRect(r);
  return r;
}

void TVkBorder::PaintControl() {
  TCanvas* canvas = Canvas();
  TRect r{0, 0, Width(), Height()};
  if (ComponentState().Contains(csDesigning) && borderOuter_ == fsNone && borderWidth_ != 0) {
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(r);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Brush()->SetStyle(bsSolid);
    gui::InflateRect(r, -1, -1);
  }
  TColor parentColor = Parent() ? Parent()->Color() : clBtnFace;
  PaintInnerOuterBorders(canvas, r, borderOuter_, borderInner_, borderWidth_, borderSides_, bevelWidth_, borderColor_,
                         borderHighlight_, borderShadow_, flatColor_, flatColorAdjustment_, GetControlColor(),
                         parentColor, (controlStyle_ & csOpaque) == 0);
}

void TVkBorder::FrameControllerChanged() {
  if (ApplyBorderPush(this, frameLink_, {borderOuter_, borderSides_, flatColor_, flatColorAdjustment_, borderHighlight_,
                                         borderShadow_}))
    Invalidate();
}

void TVkBorder::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_MOUSEENTER && ComponentState().Contains(csDesigning)) return;
  TGraphicControl::Dispatch(Message);
}

void RegisterVkBorderClasses() {
  static const bool registered = [] {
    RegisterClass<TVkBorder>("TVkBorder", "TGraphicControl")
        .Integer("BevelWidth", &TVkBorder::BevelWidth, &TVkBorder::SetBevelWidth, 1)
        .Integer("BorderWidth", &TVkBorder::BorderWidth, &TVkBorder::SetBorderWidth, 0)
        .Integer("BorderColor", &TVkBorder::BorderColor, &TVkBorder::SetBorderColor, clBtnFace)
        .Idents(&IdentToColor)
        .Integer("BorderHighlight", &TVkBorder::BorderHighlight, &TVkBorder::SetBorderHighlight, clBtnHighlight)
        .Idents(&IdentToColor)
        .Integer("BorderShadow", &TVkBorder::BorderShadow, &TVkBorder::SetBorderShadow, clBtnShadow)
        .Idents(&IdentToColor)
        .Enum("BorderInner", FrameStyleExNames(), &TVkBorder::BorderInner, &TVkBorder::SetBorderInner, fsNone)
        .Enum("BorderOuter", FrameStyleExNames(), &TVkBorder::BorderOuter, &TVkBorder::SetBorderOuter, fsGroove)
        .Set("BorderSides", SideNames(), &TVkBorder::BorderSides, &TVkBorder::SetBorderSides, kAllSides)
        .Integer("FlatColor", &TVkBorder::FlatColor, &TVkBorder::SetFlatColor, clBtnShadow)
        .Idents(&IdentToColor)
        .Integer("FlatColorAdjustment", &TVkBorder::FlatColorAdjustment, &TVkBorder::SetFlatColorAdjustment, 30)
        .Component("FrameController", "TVkFrameController", &TVkBorder::FrameController, &TVkBorder::SetFrameController)
        .Set("FrameControllerNotifications", FrameControllerPropertyNames(), &TVkBorder::FrameControllerNotifications,
             &TVkBorder::SetFrameControllerNotifications, kAllFrameControllerNotifications);
    return true;
  }();
  (void)registered;
}

namespace {
const bool kBorderRegistered = (RegisterVkBorderClasses(), true);
}
