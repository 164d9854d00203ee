#pragma once
// Panels (a container with bevels and a caption) and images (a picture on
// the parent).
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// Draws a frame of Width rings: top and left in TopColor, bottom and right
// in BottomColor; Rect shrinks by what was drawn.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

class TCustomPanel : public TCustomControl {
public:
  explicit TCustomPanel(TComponent* AOwner);
  String ClassName() const override { return "TCustomPanel"; }

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut Value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int Value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TVerticalAlignment VerticalAlignment() const { return verticalAlignment_; }
  void SetVerticalAlignment(TVerticalAlignment Value);
  // Repaint the whole panel on a resize (not only the uncovered part).
  bool FullRepaint() const { return fullRepaint_; }
  void SetFullRepaint(bool Value) { fullRepaint_ = Value; }
  bool Locked() const { return locked_; }
  void SetLocked(bool Value) { locked_ = Value; }
  bool ParentBackground() const { return (controlStyle_ & csParentBackground) != 0; }
  void SetParentBackground(bool Value);

  // Inside the border and the bevels.
  void ShrinkClientRect(TRect& Rect) override;

protected:
  void SetWindowParams(TCreateParams& Params) override;
  void PaintControl() override;
  void Dispatch(TMessage& Message) override;

private:
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
  TVerticalAlignment verticalAlignment_ = taVerticalCenter;
  bool fullRepaint_ = true;
  bool locked_ = false;
};

class TPanel : public TCustomPanel {
public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
  String ClassName() const override { return "TPanel"; }
};

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* AOwner);
  String ClassName() const override { return "TImage"; }

  TPicture* Picture() { return &picture_; }
  void SetPicture(TPicture* Value) { picture_.Assign(Value); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  bool Center() const { return center_; }
  void SetCenter(bool Value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  // Where the picture goes in the client area.
  TRect DestRect();

protected:
  void PaintControl() override;

private:
  void PictureChanged();
  TPicture picture_;
  bool stretch_ = false, center_ = false, proportional_ = false, transparent_ = false, autoSize_ = false;
};

void RegisterExtControlClasses();
