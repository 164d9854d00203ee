#pragma once
// The border and frame settings the bordered controls publish alike: the
// bevel width, the outer and inner frame styles and their sides, the border
// colours, the flat colour and its adjustment, and the frame controller.
// The values live in one TVkBorderLook; a control publishes them by
// deriving from TVkFlatColorProps (flat colour only) or TVkBorderProps (all
// of them) and says in its one hook, BorderChanged, what a change means for
// it (new bounds, a new layout, a repaint).
#include "class_library/visual/Controls.h"
#include "controls/VkColors.h"
#include "controls/VkFrameLink.h"
#include "controls/VkTypes.h"

// The border values of a control.
struct TVkBorderLook {
  int BevelWidth = 1;
  TFrameStyleEx Inner = fsNone;
  TFrameStyleEx Outer = fsNone;
  TSides Sides = kAllSides;
  TColor Color = clBtnFace;
  TColor Highlight = clBtnHighlight;
  TColor Shadow = clBtnShadow;
  TColor FlatColor = clBtnShadow;
  int FlatColorAdjustment = 30;
};

// What a changed value moves: the area inside the frames (bevel width, frame
// styles, sides), the border colours, or the flat colour.
enum TVkBorderChange { bcExtent, bcColors, bcFlat };

// The published flat colour of the controls that frame themselves flat.
class TVkFlatColorProps {
public:
  virtual ~TVkFlatColorProps() = default;

  TColor FlatColor() const { return look_.FlatColor; }
  virtual void SetFlatColor(TColor Value) { SetBorderValue(look_.FlatColor, Value, bcFlat); }
  int FlatColorAdjustment() const { return look_.FlatColorAdjustment; }
  virtual void SetFlatColorAdjustment(int Value) { SetBorderValue(look_.FlatColorAdjustment, Value, bcFlat); }

protected:
  explicit TVkFlatColorProps(const TVkBorderLook& Initial) : look_(Initial) {}
  // Called once a published value has changed (never for an unchanged one).
  virtual void BorderChanged(TVkBorderChange What) = 0;
  template <class T>
  void SetBorderValue(T& Field, const T& Value, TVkBorderChange What) {
    if (StoreChange(Field, Value)) BorderChanged(What);
  }

  TVkBorderLook look_;
};

// All the published border values.
class TVkBorderProps : public TVkFlatColorProps {
public:
  int BevelWidth() const { return look_.BevelWidth; }
  virtual void SetBevelWidth(int Value) { SetBorderValue(look_.BevelWidth, Value, bcExtent); }
  TFrameStyleEx BorderInner() const { return look_.Inner; }
  virtual void SetBorderInner(TFrameStyleEx Value) { SetBorderValue(look_.Inner, Value, bcExtent); }
  TFrameStyleEx BorderOuter() const { return look_.Outer; }
  virtual void SetBorderOuter(TFrameStyleEx Value) { SetBorderValue(look_.Outer, Value, bcExtent); }
  TSides BorderSides() const { return look_.Sides; }
  virtual void SetBorderSides(TSides Value) { SetBorderValue(look_.Sides, Value, bcExtent); }
  TColor BorderColor() const { return look_.Color; }
  void SetBorderColor(TColor Value) { SetBorderValue(look_.Color, Value, bcColors); }
  TColor BorderHighlight() const { return look_.Highlight; }
  void SetBorderHighlight(TColor Value) { SetBorderValue(look_.Highlight, Value, bcColors); }
  TColor BorderShadow() const { return look_.Shadow; }
  void SetBorderShadow(TColor Value) { SetBorderValue(look_.Shadow, Value, bcColors); }

protected:
  using TVkFlatColorProps::TVkFlatColorProps;
};

// The published frame controller of a control and the mask of its values
// the control takes.
class TVkFrameControlled : public IVkFrameControllerNotification {
public:
  TVkFrameController* FrameController() const { return frameLink_.Controller(); }
  void SetFrameController(TVkFrameController* Value) { frameLink_.SetController(Value); }
  TVkFrameControllerNotifications FrameControllerNotifications() const { return frameLink_.Mask; }
  void SetFrameControllerNotifications(TVkFrameControllerNotifications Value) { frameLink_.Mask = Value; }

protected:
  explicit TVkFrameControlled(TControl* Owner) : frameLink_(Owner) {}

  TVkFrameLink frameLink_;
};

// The controller's frame style, sides and frame colour into Look, its
// colour and parent colour through the control, and the bevel colours
// derived from the colour; each as the mask allows. False (nothing
// changed) while the controller shows no frames.
inline bool ApplyBorderPush(TControl* Control, const TVkFrameLink& Link, TVkBorderLook& Look) {
  TVkFrameController* fc = Link.Pushing();
  if (!fc) return false;
  if (Link.Accepts(fcpFrameStyle)) Look.Outer = fc->FrameStyle();
  if (Link.Accepts(fcpFrameSides)) Look.Sides = fc->FrameSides();
  if (Link.Accepts(fcpFrameColor)) {
    Look.FlatColor = fc->FrameColor();
    Look.FlatColorAdjustment = 0;
  }
  if (Link.Accepts(fcpColor)) Control->SetColor(fc->Color());
  if (Link.Accepts(fcpParentColor)) Control->SetParentColor(fc->ParentColor());
  if (Link.Accepts(fcpColor)) {
    Look.Highlight = LightenColor(Control->Color(), 100);
    Look.Shadow = DarkenColor(Control->Color(), 50);
  }
  return true;
}
