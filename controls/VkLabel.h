#pragma once
// TVkLabel: a label with 3D text styles, text rotation (flat at any angle or
// along a curve), a border of the library's frame styles, caption condensing
// with an ellipsis, a fly-by colour under the mouse and blinking in step with
// every other blinking control. TVkURLLabel opens its URL (or its caption)
// with the desktop's default program when clicked.
#include "class_library/visual/StdCtrls.h"
#include "controls/VkBorderProps.h"
#include "controls/VkTypes.h"

enum TRotation { roNone, roFlat, roCurve };
enum TCenterPoint {
  cpUpperLeft,
  cpUpperCenter,
  cpUpperRight,
  cpLeftCenter,
  cpCenter,
  cpRightCenter,
  cpLowerLeft,
  cpLowerCenter,
  cpLowerRight
};
enum TVkCondenseCaption { ccNone, ccAtEnd, ccWithinPath };

class TVkLabel : public TLabel, public TVkBorderProps, public TVkFrameControlled {
public:
  explicit TVkLabel(TComponent* AOwner);
  ~TVkLabel() override;
  String ClassName() const override { return "TVkLabel"; }

  // Degrees 0..359; any value is taken modulo 360 into that range.
  int Angle() const { return angle_; }
  void SetAngle(int Value);
  TRotation Rotation() const { return rotation_; }
  void SetRotation(TRotation Value);
  TColor BlinkColor() const { return blinkColor_; }
  void SetBlinkColor(TColor Value);
  bool Blinking() const { return blinking_; }
  void SetBlinking(bool Value);
  Word BlinkIntervalOff() const;
  void SetBlinkIntervalOff(Word Value);
  Word BlinkIntervalOn() const;
  void SetBlinkIntervalOn(Word Value);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int Value);
  TCenterPoint CenterPoint() const { return centerPoint_; }
  void SetCenterPoint(TCenterPoint Value);
  bool FlyByEnabled() const { return flyByEnabled_; }
  void SetFlyByEnabled(bool Value);
  TColor FlyByColor() const { return flyByColor_; }
  void SetFlyByColor(TColor Value);
  bool LightTextStyle() const { return lightTextStyle_; }
  void SetLightTextStyle(bool Value);
  TTextStyle TextStyle() const { return textStyle_; }
  void SetTextStyle(TTextStyle Value);
  TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(TColor Value);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor Value);
  int ShadowDepth() const { return shadowDepth_; }
  void SetShadowDepth(int Value);
  int TextMargin() const { return textMargin_; }
  void SetTextMargin(int Value);
  TVkCondenseCaption CondenseCaption() const { return condenseCaption_; }
  void SetCondenseCaption(TVkCondenseCaption Value);

  TColor CurrentColor() const { return currentColor_; }
  TColor FontColor() const { return fontColor_; }

  void FrameControllerChanged() override;
  virtual void BlinkStateChanged(bool On);
  // Adds the borders, margins and shadow around a text box of Rect's size,
  // then turns the box by Angle; ShrinkRectForBorders takes the borders off.
  virtual void GrowRectForBorders(TRect& Rect);
  virtual void ShrinkRectForBorders(TRect& Rect, bool WithBorderWidth);
  // The rectangle the text is drawn in.
  TRect TextRect();

  void FinishLoading() override;
  void ReadLegacyProperties(TFiler* Filer) override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  void AdjustBounds() override;

protected:
  void PaintControl() override;
  void Dispatch(TMessage& Message) override;
  UINT TextFlags();
  void DrawPlainText(const TRect& Rect, UINT Flags);
  void DrawFlatRotated(const TRect& Rect, UINT Flags);
  void DrawCurved();
  void BorderChanged(TVkBorderChange What) override;

private:
  void SwitchToTrueTypeFont();

  int angle_ = 0;
  TColor blinkColor_ = clHighlight;
  bool blinking_ = false;
  int borderWidth_ = 0;
  TColor fontColor_;
  TCenterPoint centerPoint_ = cpCenter;
  TColor savedFlyByColor_;
  bool initialColor_ = false;
  bool flyByEnabled_ = false;
  TColor flyByColor_ = clHighlight;
  bool lightTextStyle_ = false;
  TTextStyle textStyle_ = tsNormal;
  TRotation rotation_ = roNone;
  TColor highlightColor_ = clBtnHighlight;
  TColor shadowColor_ = clBtnShadow;
  int shadowDepth_ = 2;
  int textMargin_ = 0;
  TVkCondenseCaption condenseCaption_ = ccNone;
  TColor currentColor_;
};

class TVkURLLabel : public TVkLabel {
public:
  explicit TVkURLLabel(TComponent* AOwner);
  String ClassName() const override { return "TVkURLLabel"; }

  const String& URL() const { return url_; }
  void SetURL(const String& Value) { url_ = Value; }
  bool Visited() const { return visited_; }
  void SetVisited(bool Value);
  TColor UnvisitedColor() const { return unvisitedColor_; }
  void SetUnvisitedColor(TColor Value);
  TColor VisitedColor() const { return visitedColor_; }
  void SetVisitedColor(TColor Value);

  // What a click opens: URL, or the caption when URL is blank.
  String Target();
  // How the target is opened (the desktop's default program); tests replace it.
  static std::function<bool(const String& Target)>& Opener();
  // The click: opens the target; success marks the label visited.
  void HandleClick() override;

protected:
  virtual void UpdateFontColor();

private:
  String url_;
  bool visited_ = false;
  TColor unvisitedColor_ = clHighlight;
  TColor visitedColor_ = clPurple;
};

void RegisterVkLabelClasses();
