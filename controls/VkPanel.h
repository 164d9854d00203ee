#pragma once
// Container panels: TVkCustomPanel (outer and inner borders of the library's
// frame styles on chosen sides, a classic or gradient face, an optional
// design grid, a word-wrapped caption, transparency, frame-controller
// linkage, disabling that remembers its children's states, and docking
// with caption bars over the docked controls, controls/VkPanelDock.h),
// TVkPanel (its published form) and TVkStatusBar (a bottom-aligned panel
// that hosts status panes, draws a size grip, can scale its panes with its
// width and can show a one-line simple status instead).
#include <map>
#include <memory>

#include "class_library/visual/ExtCtrls.h"
#include "controls/VkColors.h"
#include "controls/VkBorderProps.h"
#include "controls/VkSystem.h"
#include "controls/VkTypes.h"

enum TVkGridStyle { gsDots, gsDottedLines, gsSolidLines };

class TVkCustomPanel : public TCustomPanel, public TVkBorderProps, public TVkFrameControlled {
public:
  explicit TVkCustomPanel(TComponent* AOwner);
  ~TVkCustomPanel() override;
  String ClassName() const override { return "TVkCustomPanel"; }

  TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
  void SetAlignmentVertical(TAlignmentVertical Value);
  // The border's bevel width (not the plain panel's); values below 1 are
  // ignored.
  using TVkBorderProps::BevelWidth;
  void SetBevelWidth(int Value) override;
  TVkGradientColorStyle GradientColorStyle() const { return gradientColorStyle_; }
  void SetGradientColorStyle(TVkGradientColorStyle Value);
  TColor GradientColorStart() const { return gradientColorStart_; }
  void SetGradientColorStart(TColor Value);
  TColor GradientColorStop() const { return gradientColorStop_; }
  void SetGradientColorStop(TColor Value);
  TGradientDirection GradientDirection() const { return gradientDirection_; }
  void SetGradientDirection(TGradientDirection Value);
  TColor GridColor() const { return gridColor_; }
  void SetGridColor(TColor Value);
  TVkGridStyle GridStyle() const { return gridStyle_; }
  void SetGridStyle(TVkGridStyle Value);
  int GridXSize() const { return gridXSize_; }
  void SetGridXSize(int Value);
  int GridYSize() const { return gridYSize_; }
  void SetGridYSize(int Value);
  bool PaintClientArea() const { return paintClientArea_; }
  void SetPaintClientArea(bool Value);
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  int TextMargin() const { return textMargin_; }
  void SetTextMargin(int Value);
  int TextMarginVertical() const { return textMarginVertical_; }
  void SetTextMarginVertical(int Value);
  TVkVisualStyle VisualStyle() const { return visualStyle_; }
  void SetVisualStyle(TVkVisualStyle Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  // Docked controls show caption bars (otherwise the class library's grabber).
  bool ShowDockClientCaptions() const { return showDockClientCaptions_; }
  void SetShowDockClientCaptions(bool Value);

  // Takes the frame widths (and with IncludeBorderWidth the border width)
  // off Rect on the sides the frames are drawn.
  void AdjustForBorders(TRect& Rect, bool IncludeBorderWidth) const;
  void FrameControllerChanged() override;

  // Whether the child was enabled when the panel was disabled ("1"/"0"), or
  // empty when it is not recorded.
  String SavedEnabledState(TControl* Child) const;
  std::size_t SavedEnabledCount() const { return savedEnabled_.size(); }

  TNotifyEvent OnPaint;

  void ReadLegacyProperties(TFiler* Filer) override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  void ArrangeChildren(TControl* AControl, TRect& Rect) override;
  void ShrinkClientRect(TRect& Rect) override;
  void PlaceBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
  // The present dock manager, or a new TVkPanelDockManager when the panel
  // is a dock site that uses one.
  TDockTree* CreateDockManager() override;
  // A docked control's text or visibility changed: its caption bar shows it.
  void CMDockNotification(TMessage& Message) override;
  virtual void GetGradientColors(TColor& Start, TColor& Stop);
  virtual void GetFlatColors(TColor& Color, int& Adjustment);
  virtual void DrawCaption(TRect Rect);
  virtual void DrawGrid(const TRect& Rect);
  void PaintControl() override;
  void Dispatch(TMessage& Message) override;
  void BorderChanged(TVkBorderChange What) override;

private:
  void EnabledChanged();
  void PositionChanged(TMessage& Message);

  TAlignmentVertical alignmentVertical_ = avCenter;
  TVkGradientColorStyle gradientColorStyle_ = gcsSystem;
  TColor gradientColorStart_ = static_cast<TColor>(0x00FFFFFF);
  TColor gradientColorStop_ = clBtnFace;
  TGradientDirection gradientDirection_ = gdHorizontalEnd;
  TColor gridColor_ = clBtnShadow;
  TVkGridStyle gridStyle_ = gsDots;
  int gridXSize_ = 8, gridYSize_ = 8;
  bool paintClientArea_ = true;
  bool showGrid_ = false;
  bool transparent_ = false;
  int textMargin_ = 0, textMarginVertical_ = 0;
  TVkVisualStyle visualStyle_ = vsWinXP;
  bool wordWrap_ = true;
  bool showDockClientCaptions_ = true;
  // The children's Enabled states while the panel is disabled. Keyed by the
  // child; a child that leaves the panel (or is freed) leaves the record.
  std::map<TControl*, bool> savedEnabled_;
  int lastWidth_ = 0, lastHeight_ = 0;
};

class TVkPanel : public TVkCustomPanel {
public:
  explicit TVkPanel(TComponent* AOwner) : TVkCustomPanel(AOwner) {}
  String ClassName() const override { return "TVkPanel"; }
};

class TVkStatusBar : public TVkCustomPanel {
public:
  explicit TVkStatusBar(TComponent* AOwner);
  ~TVkStatusBar() override;
  String ClassName() const override { return "TVkStatusBar"; }

  bool AutoScalePanes() const { return autoScalePanes_; }
  void SetAutoScalePanes(bool Value) { autoScalePanes_ = Value; }
  bool AutoStyle() const { return autoStyle_; }
  void SetAutoStyle(bool Value) { autoStyle_ = Value; }
  bool ShowSizeGrip() const { return showSizeGrip_; }
  void SetShowSizeGrip(bool Value);
  const String& SimpleCaption() const { return simpleCaption_; }
  void SetSimpleCaption(const String& Value);
  TFrameStyle SimpleFrameStyle() const { return simpleFrameStyle_; }
  void SetSimpleFrameStyle(TFrameStyle Value);
  bool SimpleStatus() const { return simpleStatus_; }
  void SetSimpleStatus(bool Value);

  void SetBorderInner(TFrameStyleEx Value) override;
  void SetBorderOuter(TFrameStyleEx Value) override;
  void SetBorderSides(TSides Value) override;

  // The size-grip corner: (Width - 13, 0, Width, Height).
  TRect GripRect() const { return TRect{Width() - 13, 0, Width(), Height()}; }
  // Whether the parent form can be sized from the grip now.
  bool SizeGripAllowed();

  TRect ClientBounds() override;
  void FinishLoading() override;

protected:
  virtual void DrawSimpleFrame(const TRect& R);
  virtual void ApplyAutoStyle();
  void DrawSizeGrip(TRect R);
  void GetGradientColors(TColor& Start, TColor& Stop) override;
  void PaintControl() override;
  void Resize() override;
  void Dispatch(TMessage& Message) override;
  void MakeWindow() override;

private:
  bool autoScalePanes_ = false;
  bool autoStyle_ = true;
  bool showSizeGrip_ = true;
  String simpleCaption_;
  TFrameStyle simpleFrameStyle_ = fsFlat;
  bool simpleStatus_ = false;
  bool sizeGripAllowed_ = false;
  bool firstResize_ = true;
  int lastWidth_ = 0;
  int widthDelta_ = 0;
  std::unique_ptr<TControlCanvas> gripCanvas_;
};

void RegisterVkPanelClasses();
