#pragma once
// Balloon hints: a TVkBalloonHints component on a form switches every hint
// of the application to a speech-balloon window whose tail points at the
// mouse position, or at the centre of a small control.
#include <functional>

#include "class_library/loop/Application.h"
#include "class_library/visual/Bitmap.h"
#include "class_library/visual/Hints.h"

// Where the balloon's body lies relative to the tail's tip (hcNone: no tail).
enum TVkHintCorner { hcLowerRight, hcLowerLeft, hcUpperLeft, hcUpperRight, hcNone };

using TSetHintRectEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, TRect& Rect, const String& Hint, TVkHintCorner Corner)>;
using TSetHintWinSizeEvent = std::function<void(TObject* Sender, TCanvas* Canvas, int& Width, int& Height,
                                                const String& Hint, TVkHintCorner Corner)>;

// Pictures drawn instead of the balloon, one per corner (a missing one is
// made by mirroring another).
class TVkBalloonBitmaps : public TPersistent {
public:
  TVkBalloonBitmaps();
  String ClassName() const override { return "TVkBalloonBitmaps"; }
  TBitmap* LowerRight() { return &lowerRight_; }
  void SetLowerRight(TBitmap* Value) { Take(lowerRight_, Value); }
  TBitmap* LowerLeft() { return &lowerLeft_; }
  void SetLowerLeft(TBitmap* Value) { Take(lowerLeft_, Value); }
  TBitmap* UpperLeft() { return &upperLeft_; }
  void SetUpperLeft(TBitmap* Value) { Take(upperLeft_, Value); }
  TBitmap* UpperRight() { return &upperRight_; }
  void SetUpperRight(TBitmap* Value) { Take(upperRight_, Value); }
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor Value) { transparentColor_ = Value; }
  // The bitmap of a corner (nullptr for hcNone).
  TBitmap* ForCorner(TVkHintCorner Corner);
  bool AnyNotEmpty() const;
  TNotifyEvent OnChange;

private:
  void Take(TBitmap& Own, TBitmap* Value);
  TBitmap lowerRight_, lowerLeft_, upperLeft_, upperRight_;
  TColor transparentColor_ = clOlive;
};

class TVkBalloonHints;

class TVkCustomHintWindow : public THintWindow {
public:
  // Owned by the application (the usual case), the window serves the
  // application's hints: it hooks OnShowHint and links to the balloon-hint
  // component of the forms.
  explicit TVkCustomHintWindow(TComponent* AOwner);
  ~TVkCustomHintWindow() override;
  String ClassName() const override { return "TVkCustomHintWindow"; }

  int CaptionWidth() const { return captionWidth_; }
  void SetCaptionWidth(int Value) { captionWidth_ = Value; }
  int CenterThreshold() const { return centerThreshold_; }
  void SetCenterThreshold(int Value) { centerThreshold_ = Value; }
  TFont* Font() { return &font_; }
  void SetFont(TFont* Value);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor Value) { frameColor_ = Value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value) { alignment_ = Value; }
  TVkHintCorner Corner() const { return corner_; }
  void SetCorner(TVkHintCorner Value) { corner_ = Value; }
  bool ShowBalloon() const { return showBalloon_; }
  void SetShowBalloon(bool Value) { showBalloon_ = Value; }
  TSetHintWinSizeEvent OnSetHintWinSize;
  TSetHintRectEvent OnSetHintRect;

  // The corner in use for the hint on screen, whether the mouse is still at
  // the tip, the linked component.
  TVkHintCorner CurrentCorner() const { return currentCorner_; }
  bool Active() const { return active_; }
  TVkBalloonHints* BalloonHints() const { return component_; }
  TControl* HintControl() const { return hintControl_; }
  // The balloon's shape in window coordinates (the caller owns it).
  gui::UniqueGdi<gui::HRGN> BalloonRegion();

  void ActivateHint(TRect Rect, const String& AHint) override;
  void WindowProcedure(TMessage& Message) override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  // The application's OnShowHint while this window serves it.
  void ShowHintHook(String& HintStr, bool& CanShow, THintInfo& HintInfo);

protected:
  void PaintControl() override;
  void WMNCPaint(TMessage& Message) override;
  void WMNCCalcSize(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;

private:
  friend class TVkBalloonHints;
  TRect ClientArea() const;
  // The client area without the tail band.
  TRect Body() const;
  // The tail (first, tip, last) for the current corner.
  void Tail(TPoint (&Points)[3]) const;
  void DrawBalloon(TRect R);
  void DrawCornerBitmap();
  void DrawCaption(TRect R);
  void SetHintControl(TControl* Control);
  // A mouse message passed on to the hint control in its client coordinates.
  void ForwardMouse(const TMessage& Message);

  int captionWidth_ = 100;
  int centerThreshold_ = 80;
  TFont font_;
  TColor frameColor_ = clInfoText;
  TAlignment alignment_ = taLeftJustify;
  TVkHintCorner corner_ = hcUpperRight;
  bool showBalloon_ = true;
  TVkHintCorner currentCorner_ = hcUpperRight;
  bool active_ = false;
  bool hooked_ = false;
  TVkBalloonHints* component_ = nullptr;
  TVkBalloonBitmaps* bitmaps_ = nullptr;  // the component's
  TControl* hintControl_ = nullptr;       // freed: cleared by free notification
  TPoint cursorPos_{};
};

class TVkBalloonHints : public TComponent {
public:
  // Makes the application's hints balloons (from the next hint window the
  // application creates, which it does at once).
  explicit TVkBalloonHints(TComponent* AOwner);
  // Gives the application its previous hint window class back.
  ~TVkBalloonHints() override;
  String ClassName() const override { return "TVkBalloonHints"; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TVkBalloonBitmaps* Bitmaps() { return &bitmaps_; }
  int CaptionWidth() const { return captionWidth_; }
  void SetCaptionWidth(int Value);
  int CenterThreshold() const { return centerThreshold_; }
  void SetCenterThreshold(int Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor Value);
  TVkHintCorner Corner() const { return corner_; }
  void SetCorner(TVkHintCorner Value);
  TFont* Font() { return &font_; }
  void SetFont(TFont* Value) { font_.Assign(Value); }
  // The application's pauses.
  int HintPause() const;
  void SetHintPause(int Value);
  int HintShortPause() const;
  void SetHintShortPause(int Value);
  bool ShowBalloon() const { return showBalloon_; }
  void SetShowBalloon(bool Value);
  TSetHintWinSizeEvent OnSetHintWinSize() const { return onSetHintWinSize_; }
  void SetOnSetHintWinSize(TSetHintWinSizeEvent Value);
  TSetHintRectEvent OnSetHintRect() const { return onSetHintRect_; }
  void SetOnSetHintRect(TSetHintRectEvent Value);
  TShowHintEvent OnShowHint;

  TVkCustomHintWindow* HintWindow() const { return window_; }
  // "BalloonStyle" and "Shadow" of older forms are read and dropped.
  void ReadLegacyProperties(TFiler* Filer) override;

  // Links a component and a window: the window takes the component's values.
  static void LinkHintWindow(TVkBalloonHints* Component, TVkCustomHintWindow* Window);

private:
  friend class TVkCustomHintWindow;
  THintWindowClass origHintWindowClass_;
  TVkCustomHintWindow* window_ = nullptr;
  TAlignment alignment_ = taLeftJustify;
  TVkBalloonBitmaps bitmaps_;
  int captionWidth_ = 100;
  int centerThreshold_ = 80;
  TColor color_ = clInfoBk;
  TColor frameColor_ = cl3DDkShadow;
  TVkHintCorner corner_ = hcUpperRight;
  TFont font_;
  bool showBalloon_ = true;
  TSetHintWinSizeEvent onSetHintWinSize_;
  TSetHintRectEvent onSetHintRect_;
};
