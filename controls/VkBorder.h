#pragma once
// TVkBorder: a window-less control that only draws a border around its
// rectangle (an outer frame, a band of BorderWidth pixels, an inner frame,
// each on the chosen sides) to group other controls. It is always drawn
// transparent: what lies behind it shows through.
#include "class_library/visual/Controls.h"
#include "controls/VkBorderProps.h"
#include "controls/VkTypes.h"

class TVkBorder : public TGraphicControl, public TVkBorderProps, public TVkFrameControlled {
public:
  explicit TVkBorder(TComponent* AOwner);
  ~TVkBorder() override;
  String ClassName() const override { return "TVkBorder"; }

  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int Value);

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
  void BorderChanged(TVkBorderChange What) override;

private:
  int borderWidth_ = 0;
};

void RegisterVkBorderClasses();
