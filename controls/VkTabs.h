#pragma once
// The owner-drawn tab control: a strip of tabs (one scrolling row or several
// stacked rows, on any side, in six shapes) with an attached card, the page
// area. The control keeps one TVkTabData per tab, measures and places the
// tabs, paints them into an off-screen bitmap, and reports the card's inside
// to its children as their client area. TVkPageControl (VkPages.h) feeds the
// tab data from its pages.
//
// Geometry is kept in a normalised frame: as if the tabs stood on top of the
// card and ran left to right; x runs along the strip and y grows toward the
// card. NormalToClient turns it into client coordinates.
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "class_library/visual/Bitmap.h"
#include "class_library/visual/ImgList.h"
#include "controls/VkBorderProps.h"
#include "controls/VkTabSupport.h"

enum TVkTabStyle { tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners, tsBackSlant, tsSquareCorners };
enum TVkTabOrientation { toTop, toLeft, toBottom, toRight };
enum TVkTabSequence { tsStandard, tsReverse };
enum TVkImagePosition { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };
enum TVkHorizontalAlignment { haLeft, haCenter, haRight };
enum TVkVerticalAlignment { vaTop, vaCenter, vaBottom };
enum TVkTabHotTrackColorSource { htcsTabColor, htcsHotTrackColorProp };
enum TVkTabHotTrackStyle { htsTab, htsText, htsTabBar };
enum TVkTextStyle { tsHotTrack, tsSelected, tsUnselected, tsDisabled };

using TVkTabChangingEvent = std::function<void(TObject* Sender, int NewIndex, bool& AllowChange)>;
using TVkTabCloseEvent = std::function<void(TObject* Sender, bool& AllowClose)>;
using TVkGetTextColorEvent =
    std::function<void(TObject* Sender, int ATabIndex, TVkTextStyle AStyle, TColor& AColor, bool& Handled)>;
using TVkPaintBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool& Handled)>;
using TVkPaintCardBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled)>;
using TVkPaintTabBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled)>;
using TVkTabOrderChangeEvent = std::function<void(TObject* Sender, int OldIndex, int NewIndex)>;

class TVkCustomTabControl : public TCustomControl, public TVkFlatColorProps {
public:
  explicit TVkCustomTabControl(TComponent* AOwner);
  ~TVkCustomTabControl() override;
  String ClassName() const override { return "TVkCustomTabControl"; }

  TVkTabDataList* TabData() { return &tabData_; }

  // ---- Properties (setters do nothing for an unchanged value) -------------------------
  bool AlignTabs() const { return alignTabs_; }
  virtual void SetAlignTabs(bool Value);
  TColor BackgroundColor() const { return backgroundColor_; }
  virtual void SetBackgroundColor(TColor Value);
  bool BoldCurrentTab() const { return boldCurrentTab_; }
  virtual void SetBoldCurrentTab(bool Value);
  bool LayoutDirty() const { return layoutDirty_; }
  virtual void SetLayoutDirty(bool Value);
  bool ShowCard() const { return showCard_; }
  virtual void SetShowCard(bool Value);
  bool ShowCardFrame() const { return showCardFrame_; }
  virtual void SetShowCardFrame(bool Value);
  bool ShowFullFrame() const { return showFullFrame_; }
  virtual void SetShowFullFrame(bool Value);
  bool ShowCloseButton() const { return showCloseButton_; }
  virtual void SetShowCloseButton(bool Value);
  bool ShowCloseButtonOnActiveTab() const { return showCloseButtonOnActiveTab_; }
  virtual void SetShowCloseButtonOnActiveTab(bool Value);
  bool ShowMenuButton() const { return showMenuButton_; }
  virtual void SetShowMenuButton(bool Value);
  bool UseColoredTabs() const { return useColoredTabs_; }
  virtual void SetUseColoredTabs(bool Value);
  int CutCornerSize() const { return cutCornerSize_; }
  virtual void SetCutCornerSize(int Value);
  // Kept within -255..255 (the lightness routine's range).
  void SetFlatColorAdjustment(int Value) override;
  TVkImagePosition ImagePosition() const { return imagePosition_; }
  virtual void SetImagePosition(TVkImagePosition Value);
  TVkHorizontalAlignment ImageAlignment() const { return imageAlignment_; }
  virtual void SetImageAlignment(TVkHorizontalAlignment Value);
  int ImageMargin() const { return imageMargin_; }
  virtual void SetImageMargin(int Value);
  TVkVerticalAlignment ImageAlignmentVertical() const { return imageAlignmentVertical_; }
  virtual void SetImageAlignmentVertical(TVkVerticalAlignment Value);
  bool HotTrack() const { return hotTrack_; }
  virtual void SetHotTrack(bool Value);
  TColor HotTrackColor() const { return hotTrackColor_; }
  virtual void SetHotTrackColor(TColor Value);
  TVkTabHotTrackColorSource HotTrackColorSource() const { return hotTrackColorSource_; }
  virtual void SetHotTrackColorSource(TVkTabHotTrackColorSource Value);
  TVkHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
  virtual void SetHotTrackColorType(TVkHotTrackColorType Value);
  TVkTabHotTrackStyle HotTrackStyle() const { return hotTrackStyle_; }
  virtual void SetHotTrackStyle(TVkTabHotTrackStyle Value);
  TCustomImageList* Images() const { return images_; }
  virtual void SetImages(TCustomImageList* Value);
  int Margin() const { return margin_; }
  virtual void SetMargin(int Value);
  bool MultiLine() const { return multiLine_; }
  virtual void SetMultiLine(bool Value);
  bool ParentBackgroundColor() const { return parentBackgroundColor_; }
  virtual void SetParentBackgroundColor(bool Value);
  int RowCount() const { return rowCount_; }
  virtual void SetRowCount(int Value);
  int RowIndent() const { return rowIndent_; }
  virtual void SetRowIndent(int Value);
  int RowOverlap() const { return rowOverlap_; }
  virtual void SetRowOverlap(int Value);
  bool ShowFocusRect() const { return showFocusRect_; }
  virtual void SetShowFocusRect(bool Value);
  bool ShowShadow() const { return showShadow_; }
  virtual void SetShowShadow(bool Value);
  bool SoftCorners() const { return softCorners_; }
  virtual void SetSoftCorners(bool Value);
  int TabOverlap() const { return tabOverlap_; }
  virtual void SetTabOverlap(int Value);
  TOrientation TextOrientation() const { return textOrientation_; }
  virtual void SetTextOrientation(TOrientation Value);
  TVkTabColors* TabColors() { return &tabColors_; }
  virtual void SetTabColors(TVkTabColors* Value) { tabColors_.Assign(Value); }
  int TabHeight() const { return tabHeight_; }
  virtual void SetTabHeight(int Value);
  bool TabHints() const { return tabHints_; }
  virtual void SetTabHints(bool Value);
  int TabIndex() const { return tabIndex_; }
  // Selects a tab: OnChanging may refuse it; OnChange and OnPageChange follow
  // a change. An index outside the list clears the selection silently.
  virtual void SetTabIndex(int Value);
  TVkTabOrientation TabOrientation() const { return tabOrientation_; }
  virtual void SetTabOrientation(TVkTabOrientation Value);
  int TabRegionCacheCapacity() const { return regionCache_.Capacity(); }
  virtual void SetTabRegionCacheCapacity(int Value);
  TVkTabSequence TabSequence() const { return tabSequence_; }
  virtual void SetTabSequence(TVkTabSequence Value);
  TVkTabStyle TabStyle() const { return tabStyle_; }
  virtual void SetTabStyle(TVkTabStyle Value);
  int TabWidth() const { return tabWidth_; }
  virtual void SetTabWidth(int Value);
  TVkTextColors* TextColors() { return &textColors_; }
  virtual void SetTextColors(TVkTextColors* Value) { textColors_.Assign(Value); }
  TVkHorizontalAlignment TextAlignment() const { return textAlignment_; }
  virtual void SetTextAlignment(TVkHorizontalAlignment Value);
  TVkVerticalAlignment TextAlignmentVertical() const { return textAlignmentVertical_; }
  virtual void SetTextAlignmentVertical(TVkVerticalAlignment Value);
  bool UseGradients() const { return useGradients_; }
  virtual void SetUseGradients(bool Value);
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool Value);
  bool AllowTabDragging() const { return allowTabDragging_; }
  void SetAllowTabDragging(bool Value) { allowTabDragging_ = Value; }
  // The row thickness (stored as "FixedDimension"; every layout overwrites it).
  int FixedDimension() const { return fixedDimension_; }

  // ---- Events ---------------------------------------------------------------------------
  TNotifyEvent OnChange;
  TVkTabChangingEvent OnChanging;
  TVkTabCloseEvent OnClose;
  TVkGetTextColorEvent OnGetTextColor;
  TNotifyEvent OnPageChange;
  TVkPaintBackgroundEvent OnPaintBackground;
  TVkPaintCardBackgroundEvent OnPaintCardBackground;
  TVkPaintTabBackgroundEvent OnPaintTabBackground;
  TNotifyEvent OnTabClick;
  TVkTabOrderChangeEvent OnTabOrderChange;
  TNotifyEvent OnScrolledTabs;

  // ---- Layout ---------------------------------------------------------------------------
  // Measures and places the tabs when the layout is dirty.
  void UpdateLayout();
  void CalcTabRects();
  TRect TabStripRect();
  int TabStripLength();
  int TabStripThickness();
  TRect CardRect(int Row);
  TRect DisplayRect();
  bool TabIsShown(int Tab);
  int ScrollOffset();
  void ScrollTabs(bool Forward);
  TSize MeasureText(const String& Text, bool Horizontal);
  // Selects a font made from the tab font into the off-screen bitmap (bold
  // when asked, underlined when asked); PopTabFont undoes the last push.
  void PushTabFont(bool Bold = false, bool Underline = false);
  void PopTabFont();
  int TabFontDepth() const { return fontDepth_; }
  static std::vector<String> SplitLines(const String& Text);
  int TabOverlapFor(int Thickness) const;
  int ScrollButtonLength();
  int ScrollButtonThickness();
  int FirstVisibleTab();
  int LastVisibleTab();
  bool CanSelectTab(int Index);
  int FirstShownTab() const { return firstShownTab_; }
  bool ScrollNeeded() const { return scrollNeeded_; }

  // ---- Shapes and hit-testing ----------------------------------------------------------
  // The tab's rectangle in the normalised frame as painted (row indent and
  // the enlarged selected tab applied).
  TRect TabNormalRect(int Index);
  // Up to 20 outline points in the normalised frame; answers the count.
  int TabOutline(int Index, std::array<TPoint, 20>& Points);
  TRect TabClientRect(int Index);
  // The tab's clipping region in client coordinates, owned by the region
  // cache; none for an outline of fewer than 3 points.
  gui::HRGN TabRegion(int Index);
  TPoint NormalToClient(TPoint P);
  int TabAtPoint(int X, int Y);
  int HotTab() const { return hotTab_; }
  TVkTabRegionCache* RegionCache() { return &regionCache_; }
  // The off-screen picture the last paint made.
  TBitmap* PaintBitmap() { return bitmap_.get(); }

  // ---- Owned buttons (made on first need) -------------------------------------------
  TVkTabScroller* Scroller() const { return scroller_; }
  TVkTabControlCloseButton* CloseButton() const { return closeButton_; }
  TVkActiveTabCloseButton* ActiveTabCloseButton() const { return activeCloseButton_; }
  TVkTabMenuButton* MenuButton() const { return menuButton_; }
  TTimer* DragTimer() const { return dragTimer_.get(); }
  bool DropMarkerShown() const { return dropMarkerShown_; }
  TRect DropMarkerRect() const { return dropMarkerRect_; }
  int DropTarget() const { return dropTarget_; }
  bool HotTrackTimerRunning() const { return hotTrackTimer_ != 0; }
  static constexpr std::uintptr_t kHotTrackTimerId = 1;
  static constexpr Cardinal kHotTrackInterval = 60;
  Cardinal DragScrollFirstDelay() const { return dragFirstDelay_; }
  Cardinal DragScrollRepeatDelay() const { return dragRepeatDelay_; }

  void ReadLegacyProperties(TFiler* Filer) override;
  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  void ShrinkClientRect(TRect& Rect) override;
  void ArrangeChildren(TControl* AControl, TRect& Rect) override;
  void HandleDragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void HandleDragDrop(TObject* Source, int X, int Y) override;

  // Repaints the whole control (and ends a hot-track-only repaint).
  virtual void InvalidateTabs();
  // Marks the layout dirty and repaints.
  virtual void RebuildTabData();
  // The close buttons' request: closes the active page when OnClose allows.
  void CloseRequest();
  // The drag scroll step (the drag timer's tick).
  void DragScrollStep();

protected:
  void BorderChanged(TVkBorderChange What) override;
  virtual void DoChanging(int NewIndex, bool& AllowChange);
  virtual void DoGetTextColor(int ATabIndex, TVkTextStyle AStyle, TColor& AColor, bool& Handled);
  virtual void DoTabClick();
  virtual void DoPaintBackground(TCanvas* ACanvas, const TRect& ARect, bool& Handled);
  virtual void DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled);
  virtual void DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled);
  // Draws or erases (XOR) the drop marker at a client rectangle.
  virtual void DrawDropMarker(const TRect& Rect);
  virtual void CloseActivePage() {}
  virtual void MoveActivePage(int NewIndex) { (void)NewIndex; }
  virtual bool StoreTabIndexOnly() { return false; }
  virtual void DoChange();
  virtual void HideAllTabs() {}
  virtual void ShowAllTabs() {}
  virtual void DoTabOrderChange(int OldIndex, int NewIndex);
  virtual void DoPageChange();
  virtual bool DoClose();

  void SetWindowParams(TCreateParams& Params) override;
  void PaintControl() override;
  void HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void HandleMouseMove(TShiftState Shift, int X, int Y) override;
  void HandleKeyDown(Word& Key, TShiftState Shift) override;
  void WMEraseBkgnd(TMessage& Message) override { Message.Result = 1; }
  void WMGetDlgCode(TMessage& Message) override { Message.Result = gui::DLGC_WANTARROWS; }
  void WMSize(TMessage& Message) override;
  void WMTimer(TMessage& Message) override;
  void WMSetFocus(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void CMColorChanged(TMessage& Message) override;
  void CMParentColorChanged(TMessage& Message) override;
  void CMDialogChar(TMessage& Message) override;

  bool Loading() const {
    return ComponentState().Contains(csLoading) || ComponentState().Contains(csReading);
  }
  bool noChangingTest_ = false;

private:
  friend class TVkTabLayoutAccess;
  // Layout pieces.
  TSize TabContentSize(int Index, TSize MinContent);
  TSize MinContentSize();
  TSize OuterSize(TSize Content);
  int CountRows(int F, int Thickness);
  void PlaceTabs(int F);
  void JustifyRows();
  void SelectedRowToFront();
  bool ComputeScrollNeeded();
  int CloseButtonLength();
  int MenuButtonLength();
  void PlaceButtons();
  void PushFrameColor();
  TColor AdjustedFlatColor() const;
  bool SideTabs() const { return tabOrientation_ == toLeft || tabOrientation_ == toRight; }
  // Painting pieces (VkTabsPaint.cpp).
  void DrawTab(int Index);
  void DrawTabBackground(int Index, const TRect& R);
  void DrawTabContent(int Index, const TRect& R);
  void DrawCaption(int Index, TRect TextRect, TColor Color);
  void DrawHighlightBar(int Index, const TRect& R, bool Hot);
  void DrawCard(int Row);
  void RecordTabOutline(int Index);
  void RecordCardFrame(int Row, const TRect& Card);
  void ExecutePen();
  void ShadowRun(TPoint From, TPoint To, int Strength);
  void Record(int Op, int X = 0, int Y = 0);
  TRect ContentRect(int Index, const TRect& R);
  // Interaction pieces (VkTabsInput.cpp).
  void LeaveHotTracking(bool InStrip);
  void StopHotTrackTimer();
  // Invalidates one tab for a hot-track repaint and notes it for the paint.
  void InvalidateHotTab(int Index);
  TRect MarkerRect(int Target);
  void EraseDropMarker();
  void XorDropMarker(gui::HDC DC, const TRect& Rect);
  // Restores the bitmap context saved around a tab's clipping.
  void DrawTabClipped(int Index, const TRect& R, gui::HRGN Region);

  // Expires with the control: code that ran an event checks it before going on.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TVkTabDataList tabData_;
  TVkTabColors tabColors_;
  TVkTextColors textColors_;
  TVkTabRegionCache regionCache_;
  // Outline regions by shape (the outline's points relative to its first),
  // made at the origin: tabs of one size and look share one, moved to place.
  struct ShapeRegion {
    std::vector<TPoint> shape;
    gui::UniqueGdi<gui::HRGN> region;
  };
  std::vector<ShapeRegion> shapeRegions_;
  std::unique_ptr<TBitmap> bitmap_;
  std::vector<int> pen_;  // pen command list
  // The tab font made for drawing, by bold (bit 0) and underline (bit 1);
  // made when first pushed, dropped when the font or its angle changes.
  std::array<gui::UniqueGdi<gui::HFONT>, 4> fontCache_;
  int fontDepth_ = 0;
  void DropTabFonts();
  TFont tabFont_;
  std::unique_ptr<TChangeLink> imageLink_;

  bool alignTabs_ = false;
  TColor backgroundColor_ = clBtnFace;
  bool boldCurrentTab_ = false;
  bool layoutDirty_ = false;
  bool showCard_ = true;
  bool showCardFrame_ = true;
  bool showFullFrame_ = true;
  bool showCloseButton_ = false;
  bool showCloseButtonOnActiveTab_ = false;
  bool showMenuButton_ = false;
  bool useColoredTabs_ = false;
  int cutCornerSize_ = 6;
  TVkImagePosition imagePosition_ = ipLeft;
  TVkHorizontalAlignment imageAlignment_ = haCenter;
  int imageMargin_ = 2;
  TVkVerticalAlignment imageAlignmentVertical_ = vaCenter;
  bool hotTrack_ = true;
  TColor hotTrackColor_ = 0x149BF0;
  TVkTabHotTrackColorSource hotTrackColorSource_ = htcsTabColor;
  TVkHotTrackColorType hotTrackColorType_ = htctActual;
  TVkTabHotTrackStyle hotTrackStyle_ = htsTab;
  TCustomImageList* images_ = nullptr;
  int margin_ = 0;
  bool multiLine_ = false;
  bool parentBackgroundColor_ = true;
  int rowCount_ = 1;
  int rowIndent_ = 5;
  int rowOverlap_ = 5;
  bool showFocusRect_ = true;
  bool showShadow_ = true;
  bool softCorners_ = false;
  int tabOverlap_ = -1;
  TOrientation textOrientation_ = orHorizontal;
  int tabHeight_ = 0;
  bool tabHints_ = false;
  int tabIndex_ = -1;
  TVkTabOrientation tabOrientation_ = toTop;
  TVkTabSequence tabSequence_ = tsStandard;
  TVkTabStyle tabStyle_ = tsSingleSlant;
  int tabWidth_ = 0;
  TVkHorizontalAlignment textAlignment_ = haCenter;
  TVkVerticalAlignment textAlignmentVertical_ = vaCenter;
  bool useGradients_ = true;
  bool transparent_ = false;
  bool allowTabDragging_ = false;
  int defaultTabIndex_ = 0;

  // Layout state.
  bool boldMeasure_ = false;         // MeasureText measures bold
  std::vector<int> placeSizes_;      // each tab's length along the strip
  int fixedDimension_ = 0;
  bool scrollNeeded_ = false;
  int firstShownTab_ = -1;
  TRect lastDisplayRect_{0, 0, 0, 0};
  String normalHint_;

  // Painting state.
  bool hotTrackOnly_ = false;
  bool paintedOnce_ = false;
  bool skipShadow_ = false;
  TColor frameColor_ = clBtnShadow;
  std::unique_ptr<TBitmap> shadowSource_;
  // Whether shadowSource_ holds this paint's background (the bitmap is kept
  // between paints that draw shadows, so as not to make one each time).
  bool shadowSourceReady_ = false;
  // Tab gradients already painted, by side, thickness and colours.
  struct GradientPicture {
    bool side;
    int across, along;
    TColor from, to;
    std::unique_ptr<TBitmap> picture;
  };
  std::vector<GradientPicture> gradients_;
  TBitmap* TabGradient(int Width, int Height, TColor From, TColor To);
  gui::UniqueGdi<gui::HRGN> hotRegion_;      // what hot tracking invalidated since the last paint

  // Interaction state.
  int hotTab_ = -1;
  bool hintInStrip_ = false;
  bool hintReplaced_ = false;  // Hint holds a tab's hint; normalHint_ the control's
  std::uintptr_t hotTrackTimer_ = 0;
  int mouseDownTab_ = -1;
  int dropTarget_ = -1;
  bool dropMarkerShown_ = false;
  TRect dropMarkerRect_{0, 0, 0, 0};
  std::unique_ptr<TTimer> dragTimer_;
  Cardinal dragFirstDelay_ = 400;
  Cardinal dragRepeatDelay_ = 300;

  // Owned child controls.
  TVkTabScroller* scroller_ = nullptr;
  TVkTabControlCloseButton* closeButton_ = nullptr;
  TVkActiveTabCloseButton* activeCloseButton_ = nullptr;
  TVkTabMenuButton* menuButton_ = nullptr;
};
