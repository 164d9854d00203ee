#pragma once
// Hints: the small window that shows a control's Hint when the mouse rests
// on it. The application shows it after HintPause (HintShortPause when
// moving on from another hint), asks the control (CM_HINTSHOW) and
// OnShowHint, sizes the window of class HintWindowClass with CalcHintRect
// and shows it with ActivateHint; it hides after HintHidePause, when the
// mouse leaves the control, or on a click or key (CancelHint).
#include <functional>

#include "class_library/visual/Controls.h"

class THintWindow;
using THintWindowClass = std::function<THintWindow*(TComponent* Owner)>;

struct THintInfo {
  TControl* HintControl = nullptr;
  THintWindowClass HintWindowClass;
  TPoint HintPos;          // where the hint window goes (screen)
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;        // the hint shows while the mouse stays here (HintControl's client coordinates)
  TPoint CursorPos;        // the mouse (HintControl's client coordinates)
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  String HintStr;
  void* HintData = nullptr;
};

class THintWindow : public TCustomControl {
public:
  explicit THintWindow(TComponent* AOwner);
  ~THintWindow() override;
  String ClassName() const override { return "THintWindow"; }

  // Shows the window at Rect (screen coordinates) with the text, without
  // taking the focus.
  virtual void ActivateHint(TRect Rect, const String& AHint);
  virtual void ActivateHintData(TRect Rect, const String& AHint, void* AData);
  // The size the text needs, wrapped at MaxWidth (at (0, 0)).
  virtual TRect CalcHintRect(int MaxWidth, const String& AHint, void* AData);
  // Hides the window.
  void ReleaseHandle();

protected:
  void SetWindowParams(TCreateParams& Params) override;
  void PaintControl() override;
  void WMNCHitTest(TMessage& Message) override;
  void WMNCPaint(TMessage& Message) override;
  void WMNCCalcSize(TMessage& Message) override;
};

// The class of the application's hint window (a factory); changing it takes
// effect when the application's ShowHint is next switched on.
extern THintWindowClass HintWindowClass;

// The part of a hint before "|" and after it.
String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);

namespace visual {
// The application's hint window (nullptr while ShowHint is off).
THintWindow* HintWindow();
void HintSettingsChanged();
void CancelHint();
// Shows the hint for the control under the screen point now (as when the
// pause has passed).
void ActivateHint(TPoint CursorPos);
}  // namespace visual
