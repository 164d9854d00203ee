#pragma once
// TVkBorder: a window-less control that only draws a border around its
// rectangle (an outer frame, a band of BorderWidth pixels, an inner frame,
// each on the chosen sides) to group other controls. It is always drawn
// transparent: what lies behind it shows through.
#include "class_library/visual/Controls.h"
#include "controls/VkFrameLink.h"
#include "controls/VkTypes.h"

class TVkBorder : public TGraphicControl, public IVkFrameControllerNotification {
public:
  explicit TVkBorder(TComponent* AOwner);
  ~TVkBorder() override;
  String ClassName() const override { return "TVkBorder"; }

  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int Value);
  TFrameStyleEx BorderInner() const { return borderInner_; }
  void SetBorderInner(TFrameStyleEx Value);
  TFrameStyleEx BorderOuter() const { return borderOuter_; }
  void SetBorderOuter(TFrameStyleEx Value);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int Value);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor Value);
  TColor BorderHighlight() const { return borderHighlight_; }
  void SetBorderHighlight(TColor Value);
  TColor BorderShadow() const { return borderShadow_; }
  void SetBorderShadow(TColor Value);
  TSides BorderSides() const { return borderSides_; }
  void SetBorderSides(TSides Value);
  TColor FlatColor() const { return flatColor_; }
  void SetFlatColor(TColor Value);
  int FlatColorAdjustment() const { return flatColorAdjustment_; }
  void SetFlatColorAdjustment(int Value);
  TVkFrameController* FrameController() const { return frameLink_.Controller(); }
  void SetFrameController(TVkFrameController* Value) { frameLink_.SetController(Value); }
  TVkFrameControllerNotifications FrameControllerNotifications() const { return frameLink_.Mask; }
  void SetFrameControllerNotifications(TVkFrameControllerNotifications Value) { frameLink_.Mask = Value; }

  // Shrinks R to the area inside the frames and the band ((0, 0, 0, 0) when
  // nothing is left).
  virtual void AdjustBorderRect(TRect& R) const;
  virtual TColor GetControlColor() const { return static_cast<TColor>(0x0000FFFF); }
  void FrameControllerChanged() override;

  TRect ClientBounds() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

protected:
  void PaintControl() override;
  void Dispatch(TMessage& Message) override;

private:
  int bevelWidth_ = 1;
  TFrameStyleEx borderInner_ = fsNone;
  TFrameStyleEx borderOuter_ = fsGroove;
  int borderWidth_ = 0;
  TColor borderColor_ = clBtnFace;
  TColor borderHighlight_ = clBtnHighlight;
  TColor borderShadow_ = clBtnShadow;
  TSides borderSides_ = kAllSides;
  TColor flatColor_ = clBtnShadow;
  int flatColorAdjustment_ = 30;
  TVkFrameLink frameLink_{this};
};

void RegisterVkBorderClasses();
