// The tab control's construction, properties, events and the messages that
// re-lay it out or repaint it.
#include <algorithm>

#include "class_library/components/FormResource.h"
#include "controls/VkTabs.h"

TVkCustomTabControl::TVkCustomTabControl(TComponent* AOwner)
    : TCustomControl(AOwner),
      TVkFlatColorProps(TVkBorderLook{.FlatColorAdjustment = 0}),
      tabColors_(this),
      textColors_(this),
      bitmap_(std::make_unique<TBitmap>()),
      imageLink_(std::make_unique<TChangeLink>()) {
  controlStyle_ = csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks;
  PlaceBounds(Left(), Top(), 300, 100);
  SetTabStop(true);
  bitmap_->SetSize(1, 1);
  tabFont_.Assign(Font());
  imageLink_->OnChange = [this](TObject*) { InvalidateTabs(); };
  SetLayoutDirty(true);
}

TVkCustomTabControl::~TVkCustomTabControl() {
  Destroying();
  StopHotTrackTimer();
  if (images_) images_->UnRegisterChanges(imageLink_.get());
  if (dragTimer_) dragTimer_->SetEnabled(false);
  // The fonts still pushed leave the bitmap's context before they go.
  while (fontDepth_ > 0) PopTabFont();
  // The buttons are child controls; the window control frees them, and
  // nothing of theirs reaches back here after this point.
  scroller_ = nullptr;
  closeButton_ = nullptr;
  activeCloseButton_ = nullptr;
  menuButton_ = nullptr;
}

void TVkCustomTabControl::SetWindowParams(TCreateParams& Params) {
  TCustomControl::SetWindowParams(Params);
  Params.ClassStyle &= ~(gui::CS_HREDRAW | gui::CS_VREDRAW);
}

void TVkCustomTabControl::ReadLegacyProperties(TFiler* Filer) {
  TCustomControl::ReadLegacyProperties(Filer);
  Filer->DefineProperty("FixedDimension",
                        [this](TReader& Reader) { fixedDimension_ = static_cast<int>(Reader.ReadInteger()); });
}

void TVkCustomTabControl::FinishLoading() {
  TCustomControl::FinishLoading();
  normalHint_ = Hint();
  SetLayoutDirty(true);
  if (tabIndex_ != defaultTabIndex_) tabIndex_ = defaultTabIndex_;
  if (textOrientation_ == orVertical && !FontIsTrueType(Font())) Font()->SetName("Verdana");
  SetTabIndex(tabIndex_);
}

void TVkCustomTabControl::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) SetImages(nullptr);
}

// ---- Repaint and re-layout ---------------------------------------------------------------

void TVkCustomTabControl::InvalidateTabs() {
  hotTrackOnly_ = false;
  Invalidate();
}

void TVkCustomTabControl::RebuildTabData() { SetLayoutDirty(true); }

void TVkCustomTabControl::SetLayoutDirty(bool Value) {
  layoutDirty_ = Value;
  if (Value) InvalidateTabs();
}

TColor TVkCustomTabControl::AdjustedFlatColor() const { return AdjustColorLightness(look_.FlatColor, look_.FlatColorAdjustment); }

void TVkCustomTabControl::PushFrameColor() {
  TColor c = AdjustedFlatColor();
  if (scroller_) scroller_->SetFrameColor(c);
  if (closeButton_) closeButton_->SetFrameColor(c);
  if (activeCloseButton_) activeCloseButton_->SetFrameColor(c);
  if (menuButton_) menuButton_->SetFrameColor(c);
}

// ---- Events --------------------------------------------------------------------------------

void TVkCustomTabControl::DoChanging(int NewIndex, bool& AllowChange) {
  if (OnChanging) OnChanging(this, NewIndex, AllowChange);
}

void TVkCustomTabControl::DoGetTextColor(int ATabIndex, TVkTextStyle AStyle, TColor& AColor, bool& Handled) {
  if (OnGetTextColor) OnGetTextColor(this, ATabIndex, AStyle, AColor, Handled);
}

void TVkCustomTabControl::DoTabClick() {
  if (OnTabClick) OnTabClick(this);
}

void TVkCustomTabControl::DoPaintBackground(TCanvas* ACanvas, const TRect& ARect, bool& Handled) {
  if (OnPaintBackground) OnPaintBackground(this, ACanvas, ARect, Handled);
}

void TVkCustomTabControl::DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled) {
  if (OnPaintCardBackground) OnPaintCardBackground(this, ACanvas, ARow, ARect, Handled);
}

void TVkCustomTabControl::DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled) {
  if (OnPaintTabBackground) OnPaintTabBackground(this, ACanvas, ATabIndex, ARect, Handled);
}

void TVkCustomTabControl::DoChange() {
  if (OnChange) OnChange(this);
}

void TVkCustomTabControl::DoTabOrderChange(int OldIndex, int NewIndex) {
  if (OnTabOrderChange) OnTabOrderChange(this, OldIndex, NewIndex);
}

void TVkCustomTabControl::DoPageChange() {
  if (OnPageChange) OnPageChange(this);
}

bool TVkCustomTabControl::DoClose() {
  bool allow = false;
  // A copy: the handler may free this control and its events with it.
  if (TVkTabCloseEvent handler = OnClose) handler(this, allow);
  return allow;
}

// ---- Properties ------------------------------------------------------------------------------

void TVkCustomTabControl::SetAlignTabs(bool Value) {
  if (StoreChange(alignTabs_, Value) && multiLine_) RebuildTabData();
}

void TVkCustomTabControl::SetBackgroundColor(TColor Value) {
  if (!StoreChange(backgroundColor_, Value)) return;
  parentBackgroundColor_ = false;
  InvalidateTabs();
}

void TVkCustomTabControl::SetBoldCurrentTab(bool Value) {
  if (StoreChange(boldCurrentTab_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetShowCard(bool Value) {
  if (StoreChange(showCard_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetShowCardFrame(bool Value) {
  if (StoreChange(showCardFrame_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetShowFullFrame(bool Value) {
  if (!StoreChange(showFullFrame_, Value)) return;
  if (!Value) showShadow_ = false;
  RebuildTabData();
}

void TVkCustomTabControl::SetShowShadow(bool Value) {
  if (!StoreChange(showShadow_, Value)) return;
  if (Value) showFullFrame_ = true;
  RebuildTabData();
  InvalidateTabs();
}

void TVkCustomTabControl::SetShowCloseButton(bool Value) {
  if (!StoreChange(showCloseButton_, Value)) return;
  if (Value && !closeButton_) {
    closeButton_ = new TVkTabControlCloseButton(nullptr, this);
    closeButton_->SetFrameColor(AdjustedFlatColor());
    closeButton_->OnClose = [this](TObject*) { CloseRequest(); };
    closeButton_->SetVisible(false);
    closeButton_->SetParent(this);
  }
  if (closeButton_) closeButton_->SetVisible(Value);
  RebuildTabData();
  InvalidateTabs();
}

void TVkCustomTabControl::SetShowCloseButtonOnActiveTab(bool Value) {
  if (!StoreChange(showCloseButtonOnActiveTab_, Value)) return;
  if (Value && !activeCloseButton_) {
    activeCloseButton_ = new TVkActiveTabCloseButton(nullptr, this);
    activeCloseButton_->SetFrameColor(AdjustedFlatColor());
    activeCloseButton_->OnClose = [this](TObject*) { CloseRequest(); };
    activeCloseButton_->SetVisible(false);
    activeCloseButton_->SetParent(this);
  }
  if (activeCloseButton_) activeCloseButton_->SetVisible(Value && tabIndex_ >= 0);
  RebuildTabData();
  InvalidateTabs();
}

void TVkCustomTabControl::SetShowMenuButton(bool Value) {
  if (!StoreChange(showMenuButton_, Value)) return;
  if (Value && !menuButton_) {
    menuButton_ = new TVkTabMenuButton(nullptr, this);
    menuButton_->SetFrameColor(AdjustedFlatColor());
    menuButton_->SetVisible(false);
    menuButton_->SetParent(this);
  }
  if (menuButton_) menuButton_->SetVisible(Value);
  RebuildTabData();
  InvalidateTabs();
}

void TVkCustomTabControl::SetUseColoredTabs(bool Value) {
  if (StoreChange(useColoredTabs_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetCutCornerSize(int Value) {
  if (Value < 0) return;
  if (StoreChange(cutCornerSize_, Value) && tabStyle_ == tsCutCorner) RebuildTabData();
}

void TVkCustomTabControl::SetFlatColorAdjustment(int Value) {
  // The lightness routine takes -255..255; a value beyond would stop every paint.
  TVkFlatColorProps::SetFlatColorAdjustment(std::clamp(Value, -255, 255));
}

void TVkCustomTabControl::BorderChanged(TVkBorderChange) {
  PushFrameColor();
  InvalidateTabs();
}

void TVkCustomTabControl::SetImagePosition(TVkImagePosition Value) {
  if (StoreChange(imagePosition_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetImageAlignment(TVkHorizontalAlignment Value) {
  if (StoreChange(imageAlignment_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetImageMargin(int Value) {
  if (Value >= 0 && StoreChange(imageMargin_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetImageAlignmentVertical(TVkVerticalAlignment Value) {
  if (StoreChange(imageAlignmentVertical_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetHotTrack(bool Value) {
  if (StoreChange(hotTrack_, Value) && !Value && !tabHints_) StopHotTrackTimer();
}

void TVkCustomTabControl::SetHotTrackColor(TColor Value) {
  if (StoreChange(hotTrackColor_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetHotTrackColorSource(TVkTabHotTrackColorSource Value) {
  if (StoreChange(hotTrackColorSource_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetHotTrackColorType(TVkHotTrackColorType Value) {
  if (StoreChange(hotTrackColorType_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetHotTrackStyle(TVkTabHotTrackStyle Value) {
  if (StoreChange(hotTrackStyle_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetImages(TCustomImageList* Value) {
  if (Value == images_) return;
  if (images_) {
    images_->UnRegisterChanges(imageLink_.get());
    images_->RemoveFreeNotification(this);
  }
  images_ = Value;
  if (images_) {
    images_->RegisterChanges(imageLink_.get());
    images_->FreeNotification(this);
  }
  RebuildTabData();
}

void TVkCustomTabControl::SetMargin(int Value) {
  if (Value >= 0 && StoreChange(margin_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetMultiLine(bool Value) {
  if (StoreChange(multiLine_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetParentBackgroundColor(bool Value) {
  if (StoreChange(parentBackgroundColor_, Value) && Parent()) Perform(CM_PARENTCOLORCHANGED);
}

void TVkCustomTabControl::SetRowCount(int Value) {
  if (Value >= 1) rowCount_ = Value;
}

void TVkCustomTabControl::SetRowIndent(int Value) {
  if (Value >= 0 && StoreChange(rowIndent_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetRowOverlap(int Value) {
  if (Value >= 0 && StoreChange(rowOverlap_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetShowFocusRect(bool Value) {
  if (StoreChange(showFocusRect_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetSoftCorners(bool Value) {
  if (StoreChange(softCorners_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTabOverlap(int Value) {
  if (StoreChange(tabOverlap_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTextOrientation(TOrientation Value) {
  if (!StoreChange(textOrientation_, Value)) return;
  DropTabFonts();
  if (!Loading() && !FontIsTrueType(Font())) Font()->SetName("Verdana");
  RebuildTabData();
}

void TVkCustomTabControl::SetTabHeight(int Value) {
  if (Value >= 0 && StoreChange(tabHeight_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTabHints(bool Value) {
  if (StoreChange(tabHints_, Value) && !Value && !hotTrack_) StopHotTrackTimer();
}

void TVkCustomTabControl::SetTabOrientation(TVkTabOrientation Value) {
  if (!StoreChange(tabOrientation_, Value)) return;
  DropTabFonts();
  if (!Loading()) RebuildTabData();
}

void TVkCustomTabControl::SetTabRegionCacheCapacity(int Value) {
  if ((Value == -1 || Value > 0) && Value != regionCache_.Capacity()) regionCache_.SetCapacity(Value);
}

void TVkCustomTabControl::SetTabSequence(TVkTabSequence Value) {
  if (StoreChange(tabSequence_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTabStyle(TVkTabStyle Value) {
  if (StoreChange(tabStyle_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTabWidth(int Value) {
  if (Value >= 0 && StoreChange(tabWidth_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTextAlignment(TVkHorizontalAlignment Value) {
  if (StoreChange(textAlignment_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetTextAlignmentVertical(TVkVerticalAlignment Value) {
  if (StoreChange(textAlignmentVertical_, Value)) RebuildTabData();
}

void TVkCustomTabControl::SetUseGradients(bool Value) {
  if (StoreChange(useGradients_, Value)) InvalidateTabs();
}

void TVkCustomTabControl::SetTransparent(bool Value) {
  if (StoreChange(transparent_, Value)) InvalidateTabs();
}

// ---- Messages ----------------------------------------------------------------------------------

void TVkCustomTabControl::WMSize(TMessage& Message) {
  TCustomControl::WMSize(Message);
  RebuildTabData();
}

void TVkCustomTabControl::CMFontChanged(TMessage& Message) {
  tabFont_.Assign(Font());
  DropTabFonts();
  RebuildTabData();
  TCustomControl::CMFontChanged(Message);
}

void TVkCustomTabControl::CMColorChanged(TMessage& Message) {
  if (useColoredTabs_) {
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Perform(CM_PARENTCOLORCHANGED);
    return;
  }
  TCustomControl::CMColorChanged(Message);
  InvalidateTabs();
}

void TVkCustomTabControl::CMParentColorChanged(TMessage& Message) {
  TCustomControl::CMParentColorChanged(Message);
  if (parentBackgroundColor_ && Parent()) {
    backgroundColor_ = Parent()->Color();
    InvalidateTabs();
  }
}
