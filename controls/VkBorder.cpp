// TVkBorder.
#include "controls/VkBorder.h"

#include "class_library/components/TypeInfo.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkFrameParts.h"

TVkBorder::TVkBorder(TComponent* AOwner)
    : TGraphicControl(AOwner), TVkBorderProps(TVkBorderLook{.Outer = fsGroove}), TVkFrameControlled(this) {
  // Never opaque: the border is drawn over whatever lies behind it.
  controlStyle_ &= ~unsigned(csOpaque | csSetCaption);
  SetText(String());
  PlaceBounds(0, 0, 50, 50);
}

TVkBorder::~TVkBorder() = default;

void TVkBorder::SetBorderWidth(int Value) {
  if (StoreChange(borderWidth_, Value)) Repaint();
}

void TVkBorder::BorderChanged(TVkBorderChange What) {
  if (What == bcFlat)
    Invalidate();
  else
    Repaint();
}


void TVkBorder::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::ComponentNotification(AComponent, Operation);
  frameLink_.Notification(AComponent, Operation);
}

void TVkBorder::AdjustBorderRect(TRect& R) const {
  gui::InflateRect(R, -borderWidth_, -borderWidth_);
  ShrinkForFrames(R, look_.Outer, look_.Inner, look_.Sides, look_.BevelWidth);
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
  if (ComponentState().Contains(csDesigning) && look_.Outer == fsNone && borderWidth_ != 0) {
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(r);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Brush()->SetStyle(bsSolid);
    gui::InflateRect(r, -1, -1);
  }
  TColor parentColor = Parent() ? Parent()->Color() : clBtnFace;
  PaintInnerOuterBorders(canvas, r, look_.Outer, look_.Inner, borderWidth_, look_.Sides, look_.BevelWidth, look_.Color,
                         look_.Highlight, look_.Shadow, look_.FlatColor, look_.FlatColorAdjustment, GetControlColor(),
                         parentColor, (controlStyle_ & csOpaque) == 0);
}

void TVkBorder::FrameControllerChanged() {
  if (ApplyBorderPush(this, frameLink_, look_)) Invalidate();
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
