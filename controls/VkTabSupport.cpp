#include "controls/VkTabSupport.h"

#include <algorithm>

#include "class_library/core/StringList.h"
#include "controls/VkTabs.h"

// ---- Rectangle routines ------------------------------------------------------------

bool RectIsZero(const TRect& R) { return R.Left == 0 && R.Top == 0 && R.Right == 0 && R.Bottom == 0; }

void NormalizeRect(TRect& R) {
  if (R.Left > R.Right) std::swap(R.Left, R.Right);
  if (R.Top > R.Bottom) std::swap(R.Top, R.Bottom);
}

bool PtInNormalizedRect(const TRect& R, TPoint P) {
  TRect n = R;
  NormalizeRect(n);
  return P.X >= n.Left && P.X < n.Right && P.Y >= n.Top && P.Y < n.Bottom;
}

// ---- Tab data ------------------------------------------------------------------------

void TVkTabData::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TVkTabData*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  Caption = other->Caption;
  DisabledIndex = other->DisabledIndex;
  ImageIndex = other->ImageIndex;
  Color = other->Color;
  Enabled = other->Enabled;
  Visible = other->Visible;
  Hint = other->Hint;
}

void TVkTabDataList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

TVkTabData* TVkTabDataList::Items(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].get();
}

void TVkTabDataList::SetItem(int Index, std::unique_ptr<TVkTabData> Data) {
  CheckIndex(Index);
  items_[static_cast<std::size_t>(Index)] = std::move(Data);
}

void TVkTabDataList::Add(std::unique_ptr<TVkTabData> Data) { items_.push_back(std::move(Data)); }

void TVkTabDataList::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TVkTabDataList*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  if (other == this) return;
  Clear();
  for (int i = 0; i < other->Count(); ++i) {
    auto data = std::make_unique<TVkTabData>();
    data->Assign(other->Items(i));
    Add(std::move(data));
  }
}

// ---- Colours ---------------------------------------------------------------------------

template <class Names>
void TVkTabColorSet<Names>::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TVkTabColorSet*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < 3; ++i) Set(i, other->colors_[i]);
}

template <class Names>
void TVkTabColorSet<Names>::Set(int Index, TColor Value) {
  if (StoreChange(colors_[Index], Value) && owner_) owner_->InvalidateTabs();
}

template class TVkTabColorSet<TVkTabColorNames>;
template class TVkTabColorSet<TVkTextColorNames>;

// ---- Region cache ----------------------------------------------------------------------

void TVkTabRegionCacheItem::SetRegion(gui::HRGN Region) {
  if (Region == region_) return;
  if (!gui::IsNull(region_)) gui::DeleteObject(region_);
  region_ = Region;
}

gui::HRGN TVkTabRegionCache::Find(const TRect& Rect) const {
  for (const auto& item : items_)
    if (item->TabRect == Rect) return item->CachedRegion();
  return gui::HRGN{};
}

void TVkTabRegionCache::Add(const TRect& Rect, gui::HRGN Region) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return item->TabRect == Rect; });
  if (it != items_.end()) {
    // Already cached: the item moves to the front, Region stays the caller's.
    auto item = std::move(*it);
    items_.erase(it);
    items_.insert(items_.begin(), std::move(item));
  } else {
    auto item = std::make_unique<TVkTabRegionCacheItem>();
    item->TabRect = Rect;
    item->SetRegion(Region);
    items_.insert(items_.begin(), std::move(item));
  }
  Trim();
}

void TVkTabRegionCache::SetCapacity(int Value) {
  if (Value < -1 || Value == 0) throw EVkTabControlError("Capacity must be -1 (to cache all regions) or > 0");
  if (Value == capacity_) return;
  capacity_ = Value;
  Trim();
}

void TVkTabRegionCache::Trim() {
  if (capacity_ == -1) return;
  while (static_cast<int>(items_.size()) > capacity_) items_.pop_back();
}

// ---- Button face and hover -------------------------------------------------------------

void DrawTabButtonFace(TCanvas* Canvas, TRect R, TVkCustomTabControl* TabControl, TColor FrameColor, bool Hot,
                       bool Down) {
  TColor u = TabControl->TabColors()->Unselected();
  TColor s = TabControl->TabColors()->Shadow();
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Pen()->SetColor(FrameColor);
  if (!TabControl->UseGradients()) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(u);
    Canvas->Rectangle(R);
    return;
  }
  TColor from = u, to = s;
  if (Down) {
    from = DarkenColor(s, 30);
    to = DarkenColor(u, 30);
  } else if (Hot) {
    from = LightenColor(u, 30);
    to = LightenColor(s, 30);
  }
  TRect inner{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
  PaintGradient(Canvas, inner, gdHorizontalEnd, from, to, 1);
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->Rectangle(R);
  Canvas->Brush()->SetStyle(bsSolid);
}

namespace {

// The control under the cursor decides whether the button is hovered.
void HoverCheck(TControl* Self) {
  if (!Self->Enabled()) return;
  TControl* under = FindDragTarget(Mouse()->CursorPos(), true);
  Self->Perform(under == Self ? CM_MOUSEENTER : CM_MOUSELEAVE);
}

bool InsideClient(TControl* Self, int X, int Y) {
  return X >= 0 && Y >= 0 && X < Self->Width() && Y < Self->Height();
}

}  // namespace

// ---- Scroller ------------------------------------------------------------------------

TVkTabScroller::TVkTabScroller(TComponent* AOwner, TVkCustomTabControl* TabControl)
    : TCustomControl(AOwner), tabControl_(TabControl) {
  controlStyle_ |= csOpaque;
}

TVkTabScroller::~TVkTabScroller() { timer_.reset(); }

void TVkTabScroller::SetFrameColor(TColor Value) {
  if (Value == frameColor_) return;
  frameColor_ = Value;
  Invalidate();
}

void TVkTabScroller::SetOrientation(TOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  Invalidate();
}

void TVkTabScroller::DownLeftClick() {
  if (OnDownLeftClick) OnDownLeftClick(this);
}

void TVkTabScroller::UpRightClick() {
  if (OnUpRightClick) OnUpRightClick(this);
}

void TVkTabScroller::PaintControl() {
  TRect r = ClientRect();
  int w = r.Width(), h = r.Height();
  TColor frame = LightenColor(frameColor_, 30);
  TRect first = r, second = r;
  int firstDir, secondDir;
  if (orientation_ == orHorizontal) {
    first.Right = r.Left + w / 2 + 1;
    second.Left = r.Right - w / 2 - 1;
    firstDir = 2;
    secondDir = 3;
  } else {
    first.Top = r.Bottom - h / 2 - 1;
    second.Bottom = r.Top + h / 2 + 1;
    firstDir = 1;
    secondDir = 0;
  }
  TVkCustomTabControl* tc = tabControl_;
  bool atStart = tc->FirstShownTab() == 0;
  int last = tc->LastVisibleTab();
  bool atEnd = last == -1 || tc->TabIsShown(last);
  bool toRightTabs = tc->TabOrientation() == toRight;
  bool std = tc->TabSequence() == tsStandard;
  bool firstDisabled = ((std && !toRightTabs) || (!std && toRightTabs)) ? atStart : atEnd;
  bool secondDisabled = ((std && toRightTabs) || (!std && !toRightTabs)) ? atStart : atEnd;
  bool firstDown = pressedInside_ && pressedHalf_ == 0;
  bool secondDown = pressedInside_ && pressedHalf_ == 1;
  DrawTabButtonFace(Canvas(), first, tc, frame, hot_, firstDown);
  PaintScrollArrow(Canvas(), first, false, !firstDisabled, firstDir);
  DrawTabButtonFace(Canvas(), second, tc, frame, hot_, secondDown);
  PaintScrollArrow(Canvas(), second, false, !secondDisabled, secondDir);
}

bool TVkTabScroller::InPressedHalf(int X, int Y) {
  int w = Width(), h = Height();
  if (orientation_ == orHorizontal) {
    TRect half{0, 0, w / 2, h};
    if (pressedHalf_ == 1) {
      half.Left += w / 2;
      half.Right += w / 2;
    }
    return X >= half.Left && X < half.Right && Y >= half.Top && Y < half.Bottom;
  }
  if (!InsideClient(this, X, Y)) return false;
  return (Y <= h / 2) == (pressedHalf_ == 1);
}

void TVkTabScroller::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseDown(Button, Shift, X, Y);
  // A scroller moved out of view or shrunk to nothing has no halves to press.
  if (Width() <= 0 || Height() <= 0 || !InsideClient(this, X, Y)) return;
  pressedHalf_ = orientation_ == orHorizontal ? (X >= Width() / 2 ? 1 : 0) : (Y <= Height() / 2 ? 1 : 0);
  tracking_ = true;
  pressedInside_ = true;
  Invalidate();
  SetMouseCapture(true);
  if (!timer_) {
    timer_ = std::make_unique<TTimer>(nullptr);
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this](TObject*) { RepeatTick(); });
  }
  timer_->SetInterval(kFirstRepeat);
  timer_->SetEnabled(true);
}

void TVkTabScroller::HandleMouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseMove(Shift, X, Y);
  if (tracking_) {
    bool inside = InPressedHalf(X, Y);
    if (inside != pressedInside_) {
      pressedInside_ = inside;
      Invalidate();
    }
  } else if (!hot_) {
    HoverCheck(this);
  }
}

void TVkTabScroller::HalfClick() {
  if (pressedHalf_ == 0)
    DownLeftClick();
  else
    UpRightClick();
}

void TVkTabScroller::RepeatTick() {
  timer_->SetInterval(kNextRepeat);
  if (!pressedInside_ || !MouseCapture()) return;
  try {
    HalfClick();
  } catch (...) {
    if (timer_) timer_->SetEnabled(false);
    throw;
  }
}

void TVkTabScroller::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseUp(Button, Shift, X, Y);
  // A release without a press (the timer not made yet) only ends tracking.
  if (timer_) timer_->SetEnabled(false);
  if (MouseCapture()) SetMouseCapture(false);
  tracking_ = false;
  if (pressedInside_) {
    pressedInside_ = false;
    HalfClick();
    Invalidate();
  }
}

void TVkTabScroller::CMMouseEnter(TMessage& Message) {
  hot_ = true;
  TCustomControl::CMMouseEnter(Message);
  Refresh();
}

void TVkTabScroller::CMMouseLeave(TMessage& Message) {
  hot_ = false;
  TCustomControl::CMMouseLeave(Message);
  Refresh();
}

// ---- Close button at the end of the strip ------------------------------------------

TVkTabControlCloseButton::TVkTabControlCloseButton(TComponent* AOwner, TVkCustomTabControl* TabControl)
    : TCustomControl(AOwner), tabControl_(TabControl) {
  controlStyle_ |= csOpaque;
}

TVkTabControlCloseButton::~TVkTabControlCloseButton() { *alive_ = false; }

void TVkTabControlCloseButton::SetFrameColor(TColor Value) {
  if (Value == frameColor_) return;
  frameColor_ = Value;
  Invalidate();
}

void TVkTabControlCloseButton::DoCloseClick() {
  if (TNotifyEvent handler = OnClose) handler(this);
}

void TVkTabControlCloseButton::PaintControl() {
  TRect r = ClientRect();
  DrawTabButtonFace(Canvas(), r, tabControl_, LightenColor(frameColor_, 30), hot_, down_);
  PaintCloseGlyph(Canvas(), r, false, true);
}

void TVkTabControlCloseButton::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseDown(Button, Shift, X, Y);
  tracking_ = true;
  down_ = true;
  Invalidate();
  SetMouseCapture(true);
}

void TVkTabControlCloseButton::HandleMouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseMove(Shift, X, Y);
  if (tracking_) {
    bool inside = InsideClient(this, X, Y);
    if (inside != down_) {
      down_ = inside;
      Invalidate();
    }
  } else if (!hot_) {
    HoverCheck(this);
  }
}

void TVkTabControlCloseButton::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseUp(Button, Shift, X, Y);
  if (MouseCapture()) SetMouseCapture(false);
  tracking_ = false;
  if (!down_) return;
  down_ = false;
  // The handler may close the page, or free the whole tab control with this
  // button: nothing of this object is touched once it is gone.
  std::weak_ptr<bool> alive = alive_;
  DoCloseClick();
  if (alive.expired()) return;
  Invalidate();
}

void TVkTabControlCloseButton::CMMouseEnter(TMessage& Message) {
  hot_ = true;
  TCustomControl::CMMouseEnter(Message);
  Refresh();
}

void TVkTabControlCloseButton::CMMouseLeave(TMessage& Message) {
  hot_ = false;
  TCustomControl::CMMouseLeave(Message);
  Refresh();
}

// ---- Close glyph on the active tab -------------------------------------------------

TVkActiveTabCloseButton::TVkActiveTabCloseButton(TComponent* AOwner, TVkCustomTabControl* TabControl)
    : TGraphicControl(AOwner), tabControl_(TabControl) {}

TVkActiveTabCloseButton::~TVkActiveTabCloseButton() { *alive_ = false; }

void TVkActiveTabCloseButton::SetFrameColor(TColor Value) {
  if (Value == frameColor_) return;
  frameColor_ = Value;
  Invalidate();
}

void TVkActiveTabCloseButton::DoCloseClick() {
  if (TNotifyEvent handler = OnClose) handler(this);
}

void TVkActiveTabCloseButton::PaintControl() {
  TRect r = ClientRect();
  TColor glyph = frameColor_;
  if (hot_) {
    DrawTabButtonFace(Canvas(), r, tabControl_, frameColor_, true, down_);
    glyph = tabControl_->TabColors()->HighlightBar();
  }
  TRect g = r;
  if (down_) {
    ++g.Left;
    ++g.Top;
    ++g.Right;
    ++g.Bottom;
  }
  PaintCloseCross(Canvas(), g, glyph);
}

void TVkActiveTabCloseButton::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::HandleMouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  tracking_ = true;
  down_ = true;
  Repaint();
}

void TVkActiveTabCloseButton::HandleMouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::HandleMouseMove(Shift, X, Y);
  if (tracking_) {
    bool inside = InsideClient(this, X, Y);
    if (inside != down_) {
      down_ = inside;
      Repaint();
    }
  } else if (!hot_) {
    HoverCheck(this);
  }
}

void TVkActiveTabCloseButton::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::HandleMouseUp(Button, Shift, X, Y);
  tracking_ = false;
  if (!down_) return;
  down_ = false;
  std::weak_ptr<bool> alive = alive_;
  DoCloseClick();
  if (alive.expired()) return;
  Repaint();
  HoverCheck(this);
}

void TVkActiveTabCloseButton::CMMouseEnter(TMessage& Message) {
  hot_ = true;
  TGraphicControl::CMMouseEnter(Message);
  Refresh();
}

void TVkActiveTabCloseButton::CMMouseLeave(TMessage& Message) {
  hot_ = false;
  TGraphicControl::CMMouseLeave(Message);
  Refresh();
}

// ---- Tab menu button -------------------------------------------------------------------

TVkTabMenuButton::TVkTabMenuButton(TComponent* AOwner, TVkCustomTabControl* TabControl)
    : TVkTabControlCloseButton(AOwner, TabControl), menu_(std::make_unique<TPopupMenu>(nullptr)) {}

TVkTabMenuButton::~TVkTabMenuButton() = default;

void TVkTabMenuButton::PaintControl() {
  int dir = 1;
  switch (tabControl_->TabOrientation()) {
    case toTop: dir = 1; break;
    case toLeft: dir = 3; break;
    case toBottom: dir = 0; break;
    case toRight: dir = 2; break;
  }
  TRect r = ClientRect();
  DrawTabButtonFace(Canvas(), r, tabControl_, LightenColor(frameColor_, 30), hot_, down_);
  PaintScrollArrow(Canvas(), r, false, true, dir);
}

void TVkTabMenuButton::FillMenu() {
  TMenuItem* root = menu_->Items();
  while (root->Count() > 0) root->Delete(root->Count() - 1);
  menu_->SetImages(tabControl_->Images());
  // Sorted without regard to case; a caption met before keeps its tab.
  TStringList names;
  names.SetSorted(true);
  names.SetDuplicates(dupIgnore);
  names.SetCaseSensitive(false);
  TVkTabDataList* tabs = tabControl_->TabData();
  for (int i = 0; i < tabs->Count(); ++i)
    if (tabs->Items(i)->Visible)
      names.AddObject(tabs->Items(i)->Caption, reinterpret_cast<TObject*>(static_cast<std::intptr_t>(i)));
  TVkCustomTabControl* tc = tabControl_;
  for (int n = 0; n < names.Count(); ++n) {
    int index = static_cast<int>(reinterpret_cast<std::intptr_t>(names.Objects(n)));
    TVkTabData* tab = tabs->Items(index);
    auto* item = new TMenuItem(nullptr);  // the menu owns its items
    item->SetCaption(tab->Caption);
    item->SetEnabled(tab->Enabled);
    item->SetChecked(index == tc->TabIndex());
    item->SetImageIndex(!tab->Enabled && tab->DisabledIndex != -1 ? tab->DisabledIndex : tab->ImageIndex);
    item->SetTag(index);
    item->OnClick = [tc, item](TObject*) { tc->SetTabIndex(static_cast<int>(item->Tag())); };
    root->Add(item);
  }
}

void TVkTabMenuButton::DisplayMenu() {
  FillMenu();
  bool std = tabControl_->TabSequence() == tsStandard;
  TPoint p{0, 0};
  TPopupAlignment align = paLeft;
  switch (tabControl_->TabOrientation()) {
    case toTop:
      p = std ? TPoint{Width(), Height()} : TPoint{0, Height()};
      align = std ? paRight : paLeft;
      break;
    case toLeft:
      p = TPoint{Width(), 0};
      align = paLeft;
      break;
    case toBottom:
      p = std ? TPoint{Width(), 0} : TPoint{0, 0};
      align = std ? paRight : paLeft;
      break;
    case toRight:
      p = TPoint{0, 0};
      align = paRight;
      break;
  }
  menu_->SetAlignment(align);
  TPoint screen = ClientToScreen(p);
  menu_->Popup(screen.X, screen.Y);
}
