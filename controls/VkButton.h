#pragma once
// Owner-drawn push buttons: TVkCustomButton (hot tracking, theme awareness,
// 3D caption text), TVkButton (a push button that can also be a grouped
// toggle, with Default and Cancel, in four looks: themed, hot-track flat,
// classic on the face colour, classic on another colour) and TVkBitBtn (a
// TVkButton with a glyph or an image-list image and stock kinds).
#include <memory>

#include "class_library/visual/Bitmap.h"
#include "class_library/visual/Controls.h"
#include "class_library/visual/ImgList.h"
#include "controls/VkTypes.h"

// Sent to the other controls of a grouped button's parent: WParam the
// group index, LParam the sending TVkButton.
constexpr UINT CM_BUTTONGROUPSYNC = 9249;

class TVkCustomButton : public TCustomControl {
public:
  explicit TVkCustomButton(TComponent* AOwner);
  String ClassName() const override { return "TVkCustomButton"; }

  TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
  void SetAlignmentVertical(TAlignmentVertical Value);
  bool HotTrack() const { return hotTrack_; }
  virtual void SetHotTrack(bool Value);
  TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(TColor Value);
  TColor HotTrackColor() const { return hotTrackColor_; }
  void SetHotTrackColor(TColor Value);
  TVkHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
  void SetHotTrackColorType(TVkHotTrackColorType Value);
  bool LightTextStyle() const { return lightTextStyle_; }
  void SetLightTextStyle(bool Value);
  TTextStyle TextStyle() const { return textStyle_; }
  void SetTextStyle(TTextStyle Value);
  int TextShadowDepth() const { return textShadowDepth_; }
  void SetTextShadowDepth(int Value);
  TColor TextShadowColor() const { return textShadowColor_; }
  void SetTextShadowColor(TColor Value);
  TColor TextHighlightColor() const { return textHighlightColor_; }
  void SetTextHighlightColor(TColor Value);
  bool ThemeAware() const { return themeAware_; }
  void SetThemeAware(bool Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);

  // The transient state (tests look at it).
  bool MouseInside() const { return mouseInside_; }
  bool Tracking() const { return tracking_; }
  bool PressedLook() const { return pressedLook_; }

  virtual bool ThemedLook() const;

protected:
  virtual void PaintCorners(gui::HDC) {}
  virtual void RefreshFace() {}
  virtual void FocusRepaint() { Repaint(); }
  virtual void HotTrackInvalidRect(TRect& Rect) { Rect = ClientRect(); }
  virtual void DrawCaption(TCanvas* Canvas, TRect Rect, UINT Flags);
  virtual void ButtonClick() = 0;

  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleMouseMove(TShiftState Shift, int X, int Y) override;
  void HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Dispatch(TMessage& Message) override;

  bool mouseInside_ = false;
  bool tracking_ = false;
  bool pressedLook_ = false;

private:
  void InvalidateHot();

  TAlignmentVertical alignmentVertical_ = avCenter;
  bool hotTrack_ = false;
  TColor highlightColor_ = clHighlight;
  TColor hotTrackColor_ = static_cast<TColor>(0x00149BF0);
  TVkHotTrackColorType hotTrackColorType_ = htctActual;
  bool lightTextStyle_ = false;
  TTextStyle textStyle_ = tsNormal;
  int textShadowDepth_ = 2;
  TColor textShadowColor_ = clBtnShadow;
  TColor textHighlightColor_ = clBtnHighlight;
  bool themeAware_ = true;
  bool transparent_ = false;
};

class TVkButton : public TVkCustomButton {
public:
  enum TButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3 };

  explicit TVkButton(TComponent* AOwner);
  String ClassName() const override { return "TVkButton"; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool DropDownOnEnter() const { return dropDownOnEnter_; }
  void SetDropDownOnEnter(bool Value) { dropDownOnEnter_ = Value; }
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int Value);
  bool Down() const { return down_; }
  void SetDown(bool Value);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor Value);
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int Value) { modalResult_ = Value; }
  bool ShowDownPattern() const { return showDownPattern_; }
  void SetShowDownPattern(bool Value);
  bool ShowFocusRect() const { return showFocusRect_; }
  void SetShowFocusRect(bool Value);
  void SetHotTrack(bool Value) override;

  bool ActsAsDefault() const { return actsAsDefault_; }
  TButtonState ButtonState() const { return buttonState_; }
  // Clicks the button as the user would (Enter on the default button).
  void Click() { HandleClick(); }

  void ReadLegacyProperties(TFiler* Filer) override;

protected:
  virtual void GetCaptionRect(TRect& Rect);
  virtual void PaintContents();
  virtual void MakeDownPattern(TBitmap* Bitmap);
  void PaintCorners(gui::HDC DC) override;
  void RefreshFace() override { Invalidate(); }
  void ButtonClick() override;
  void HandleClick() override;
  void HandleKeyDown(Word& Key, TShiftState Shift) override;
  void HandleKeyUp(Word& Key, TShiftState Shift) override;
  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void PaintControl() override;
  void MakeWindow() override;
  void CMDialogKey(TMessage& Message) override;
  void CMDialogChar(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  bool Grouped() const { return groupIndex_ != 0; }
  bool DownOrExclusive() const { return buttonState_ == bsDown || buttonState_ == bsExclusive; }

  bool clickInProgress_ = false;

private:
  void BroadcastGroup();
  void PaintHotTrackLook(TRect& R);
  void PaintClassicLook(TRect& R);
  void PaintPlainFace(TRect& R);

  TAlignment alignment_ = taCenter;
  bool allowAllUp_ = false;
  bool cancel_ = false;
  bool default_ = false;
  bool dropDownOnEnter_ = true;
  int groupIndex_ = 0;
  bool down_ = false;
  TColor frameColor_ = cl3DDkShadow;
  int modalResult_ = 0;
  bool showDownPattern_ = true;
  bool showFocusRect_ = true;
  TButtonState buttonState_ = bsUp;
  bool actsAsDefault_ = false;
  bool spaceArmed_ = false;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// The stock glyph of a kind (two 16 x 16 images side by side: normal and
// disabled); made once, shared, never owned by a button.
TBitmap* GetKindGlyph(TBitBtnKind Kind);
const String& KindCaption(TBitBtnKind Kind);

class TVkBitBtn : public TVkButton {
public:
  explicit TVkBitBtn(TComponent* AOwner);
  ~TVkBitBtn() override;
  String ClassName() const override { return "TVkBitBtn"; }

  TBitmap* Glyph() { return &glyph_; }
  void SetGlyph(TBitmap* Value);
  TBitBtnKind Kind();
  void SetKind(TBitBtnKind Value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout Value);
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int Value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* Value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value);
  int DisabledIndex() const { return disabledIndex_; }
  void SetDisabledIndex(int Value);

  virtual TPoint GlyphExtent();
  // Where the glyph goes.
  virtual void CalcLayout(TRect& Rect);
  // Which of the NumGlyphs images is shown now (0 based).
  int GlyphImageIndex();

  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

protected:
  void GetCaptionRect(TRect& Rect) override;
  void PaintContents() override;
  virtual void DrawImage(const TRect& Rect);
  virtual void DrawGlyph(const TRect& Rect);

private:
  void GlyphChanged();
  int CaptionTextHeight(const TRect& Rect);

  TBitmap glyph_;
  TBitBtnKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = 2;
  int numGlyphs_ = 1;
  int spacing_ = 4;
  TCustomImageList* images_ = nullptr;
  int imageIndex_ = -1;
  int disabledIndex_ = -1;
  bool glyphChangedByUser_ = false;
  bool applyingKind_ = false;
  std::unique_ptr<TChangeLink> imageLink_;
};

void RegisterVkButtonClasses();
