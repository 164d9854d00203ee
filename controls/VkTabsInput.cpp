// The tab control and the user: selecting tabs, hit-testing, hot tracking
// with per-tab hints, the keyboard, dragging a tab to a new place with a drop
// marker and automatic scrolling, and the close request of the close buttons.
#include <algorithm>

#include "class_library/loop/Application.h"
#include "class_library/visual/Forms.h"
#include "controls/VkTabs.h"

namespace {

TRect Grown(const TRect& R) { return TRect{R.Left, R.Top, R.Right + 1, R.Bottom + 1}; }

bool Inside(const TRect& R, int X, int Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

}  // namespace

// ---- Selection -----------------------------------------------------------------------------

void TVkCustomTabControl::SetTabIndex(int Value) {
  if (Loading() || StoreTabIndexOnly()) {
    tabIndex_ = Value;
    return;
  }
  int count = tabData_.Count();
  if (Value < 0 || Value >= count) {
    tabIndex_ = -1;
    InvalidateTabs();
  } else {
    int old = tabIndex_;
    bool allowed = Value == old || noChangingTest_ || CanSelectTab(Value);
    if (allowed) {
      int oldFirst = firstShownTab_;
      tabIndex_ = Value;
      if (!scrollNeeded_) {
        if (!layoutDirty_) SelectedRowToFront();
      } else if (Value < firstShownTab_) {
        firstShownTab_ = Value;
        InvalidateTabs();
      } else {
        while (firstShownTab_ >= 0 && firstShownTab_ < tabIndex_ && !TabIsShown(tabIndex_)) ++firstShownTab_;
      }
      if (firstShownTab_ != oldFirst || tabIndex_ != old) {
        InvalidateTabs();
        if (scroller_) scroller_->Invalidate();
      }
      if (tabIndex_ != old) {
        DoChange();
        DoPageChange();
      }
    }
  }
  if (showCloseButton_ && closeButton_) closeButton_->Invalidate();
  if (showCloseButtonOnActiveTab_ && activeCloseButton_) activeCloseButton_->SetVisible(tabIndex_ >= 0);
  if (showMenuButton_ && menuButton_) menuButton_->Invalidate();
}

void TVkCustomTabControl::CloseRequest() {
  if (tabIndex_ == -1) return;
  std::weak_ptr<bool> alive = alive_;
  bool allow = DoClose();
  if (alive.expired() || !allow) return;
  CloseActivePage();
}

// ---- Hit-testing ---------------------------------------------------------------------------

int TVkCustomTabControl::TabAtPoint(int X, int Y) {
  UpdateLayout();
  int count = tabData_.Count();
  if (count == 0 || firstShownTab_ < 0) return -1;
  auto hits = [&](int i) {
    if (!TabIsShown(i)) return false;
    if (!PtInNormalizedRect(TabClientRect(i), TPoint{X, Y})) return false;
    gui::HRGN region = TabRegion(i);
    return !gui::IsNull(region) && gui::PtInRegion(region, X, Y);
  };
  int selected = tabIndex_ >= 0 && tabIndex_ < count ? tabIndex_ : -1;
  if (selected >= 0 && hits(selected)) return selected;
  int i = firstShownTab_;
  do {
    if (i != selected && hits(i)) return i;
    i = (i + 1) % count;
  } while (i != firstShownTab_);
  return -1;
}

// ---- Mouse ---------------------------------------------------------------------------------

void TVkCustomTabControl::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseDown(Button, Shift, X, Y);
  if (!Enabled()) return;
  int tab = TabAtPoint(X, Y);
  mouseDownTab_ = tab;
  if (tab < 0 || !tabData_.Items(tab)->Enabled) return;
  if (tab == tabIndex_ && TabStop()) {
    if (CanFocus()) SetFocus();
    if (!Focused()) return;
  }
  SetTabIndex(tab);
  if (tabIndex_ == tab) DoTabClick();
}

void TVkCustomTabControl::InvalidateHotTab(int Index) {
  TRect r = Grown(TabClientRect(Index));
  gui::InflateRect(r, 2, 2);
  gui::UniqueGdi<gui::HRGN> piece(gui::CreateRectRgnIndirect(r));
  if (!hotRegion_)
    hotRegion_ = std::move(piece);
  else
    gui::CombineRgn(hotRegion_.get(), hotRegion_.get(), piece.get(), gui::RGN_OR);
  gui::InvalidateRect(Handle(), &r, false);
}

void TVkCustomTabControl::StopHotTrackTimer() {
  if (hotTrackTimer_ == 0) return;
  if (HandleAllocated()) gui::KillTimer(Handle(), hotTrackTimer_);
  hotTrackTimer_ = 0;
}

void TVkCustomTabControl::LeaveHotTracking(bool InStrip) {
  StopHotTrackTimer();
  int wasHot = hotTab_;
  hotTab_ = -1;
  if (wasHot >= 0 && hotTrack_ && HandleAllocated() && wasHot < tabData_.Count()) {
    hotTrackOnly_ = true;
    InvalidateHotTab(wasHot);
  }
  if (tabHints_) {
    // Over the empty strip no hint; over the card the control's own.
    if (InStrip) {
      SetHint(String());
    } else {
      SetHint(normalHint_);
      hintReplaced_ = false;
    }
  }
  hintInStrip_ = InStrip;
}

void TVkCustomTabControl::HandleMouseMove(TShiftState Shift, int X, int Y) {
  if ((hotTrack_ || tabHints_) && !ComponentState().Contains(csDesigning)) {
    int tab = TabAtPoint(X, Y);
    if (tab < 0) {
      bool inStrip = Inside(Grown(TabStripRect()), X, Y);
      // Only a change of place touches the hint and the strip.
      if (hotTab_ != -1 || inStrip != hintInStrip_) {
        if (tabHints_ && (hotTab_ != -1 || inStrip)) Application()->CancelHint();
        if (tabHints_ && inStrip && !hintReplaced_) {
          normalHint_ = Hint();
          hintReplaced_ = true;
        }
        LeaveHotTracking(inStrip);
      }
    } else if (tab != hotTab_) {
      int old = hotTab_;
      hotTab_ = tab;
      if (hotTrack_ && HandleAllocated()) {
        hotTrackOnly_ = true;
        for (int t : {old, tab})
          if (t >= 0 && t < tabData_.Count()) InvalidateHotTab(t);
      }
      if (tabHints_) {
        Application()->CancelHint();
        if (!hintReplaced_) {
          normalHint_ = Hint();
          hintReplaced_ = true;
        }
        SetHint(tabData_.Items(tab)->Hint);
      }
      hintInStrip_ = true;
      if (hotTrackTimer_ == 0 && HandleAllocated())
        hotTrackTimer_ = gui::SetTimer(Handle(), kHotTrackTimerId, kHotTrackInterval);
    }
  }
  TCustomControl::HandleMouseMove(Shift, X, Y);
  if (allowTabDragging_ && (Shift & ssLeft) && mouseDownTab_ >= 0 && mouseDownTab_ < tabData_.Count() &&
      tabData_.Items(mouseDownTab_)->Enabled && !Dragging())
    BeginDrag(false, -1);
}

void TVkCustomTabControl::WMTimer(TMessage& Message) {
  if (Message.WParam != kHotTrackTimerId || hotTrackTimer_ == 0) {
    TCustomControl::WMTimer(Message);
    return;
  }
  TPoint p = ScreenToClient(Mouse()->CursorPos());
  if (TabAtPoint(p.X, p.Y) < 0) {
    bool inStrip = Inside(Grown(TabStripRect()), p.X, p.Y);
    if (tabHints_ && (hotTab_ != -1 || inStrip)) Application()->CancelHint();
    LeaveHotTracking(inStrip);
  }
}

// ---- Keyboard and focus ----------------------------------------------------------------------

void TVkCustomTabControl::HandleKeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::HandleKeyDown(Key, Shift);
  int count = tabData_.Count();
  if (count == 0) return;
  bool standard = tabSequence_ == tsStandard;
  bool leftStd = tabOrientation_ == toLeft && standard;
  int result = tabIndex_;
  if (Key == gui::VK_HOME || Key == gui::VK_END) {
    // Home runs from the strip's start, End from its end.
    bool reversed = leftStd || (tabOrientation_ != toLeft && !standard);
    bool up = (Key == gui::VK_HOME) != reversed;
    for (int i = up ? 0 : count - 1; i >= 0 && i < count && i != tabIndex_; i += up ? 1 : -1)
      if (CanSelectTab(i)) {
        result = i;
        break;
      }
  } else if (Key == gui::VK_LEFT || Key == gui::VK_RIGHT || Key == gui::VK_UP || Key == gui::VK_DOWN) {
    bool leftUp = Key == gui::VK_LEFT || Key == gui::VK_UP;
    bool forward;
    if (tabOrientation_ == toLeft)
      forward = standard ? leftUp : !leftUp;
    else
      forward = standard ? !leftUp : leftUp;
    int i = tabIndex_;
    for (int steps = 0; steps < count; ++steps) {
      if (forward)
        i = i >= count - 1 ? 0 : i + 1;
      else
        i = i <= 0 ? count - 1 : i - 1;
      if (i == tabIndex_) break;
      if (CanSelectTab(i)) {
        result = i;
        break;
      }
    }
  } else {
    return;
  }
  if (result == tabIndex_) return;
  bool saved = noChangingTest_;
  noChangingTest_ = true;
  try {
    SetTabIndex(result);
  } catch (...) {
    noChangingTest_ = saved;
    throw;
  }
  noChangingTest_ = saved;
  DoTabClick();
}

void TVkCustomTabControl::CMDialogChar(TMessage& Message) {
  if (CanFocus()) {
    for (int i = 0; i < tabData_.Count(); ++i) {
      TVkTabData* tab = tabData_.Items(i);
      if (!tab->Enabled || !tab->Visible || !IsAccel(static_cast<Word>(Message.WParam), tab->Caption)) continue;
      Message.Result = 1;
      SetFocus();
      if (Focused()) {
        SetTabIndex(i);
        if (tabIndex_ == i) DoTabClick();
      }
      return;
    }
  }
  TCustomControl::CMDialogChar(Message);
}

void TVkCustomTabControl::WMSetFocus(TMessage& Message) {
  InvalidateTabs();
  TCustomControl::WMSetFocus(Message);
}

void TVkCustomTabControl::WMKillFocus(TMessage& Message) {
  InvalidateTabs();
  TCustomControl::WMKillFocus(Message);
}

// ---- Dragging tabs -------------------------------------------------------------------------

TRect TVkCustomTabControl::MarkerRect(int Target) {
  TRect r = TabClientRect(Target);
  int f = fixedDimension_;
  bool standard = tabSequence_ == tsStandard;
  bool atStart = standard ? Target < tabIndex_ : Target > tabIndex_;
  bool slantStart = tabStyle_ == tsDoubleSlant || tabStyle_ == tsBackSlant;
  bool slantEnd = tabStyle_ == tsSingleSlant || tabStyle_ == tsDoubleSlant;
  bool squared = tabStyle_ == tsCutCorner || tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners;
  TRect m{};
  auto lowEdge = [](int e) { return std::make_pair(e - 8, e + 7); };   // left or top edge
  auto highEdge = [](int e) { return std::make_pair(e - 7, e + 8); };  // right or bottom edge
  std::pair<int, int> along;
  switch (tabOrientation_) {
    case toTop:
    case toBottom: {
      if (atStart) {
        int e = r.Left + (slantStart ? f / 2 : 0);
        along = lowEdge(e);
      } else {
        int e = r.Right + (slantEnd ? -f / 2 : 0) + (squared ? 1 : 0);
        along = highEdge(e);
      }
      m.Left = along.first;
      m.Right = along.second;
      if (tabOrientation_ == toTop) {
        m.Top = r.Top - 2;
        m.Bottom = r.Top + 6;
      } else {
        m.Top = r.Bottom - 6;
        m.Bottom = r.Bottom + 2;
      }
      break;
    }
    case toLeft: {
      if (atStart) {
        int e = r.Bottom + (slantStart ? -f / 2 : 0) + (squared ? 1 : 0);
        along = highEdge(e);
      } else {
        int e = r.Top + (slantEnd ? f / 2 : 0);
        along = lowEdge(e);
      }
      m.Top = along.first;
      m.Bottom = along.second;
      m.Left = r.Left - 2;
      m.Right = r.Left + 6;
      break;
    }
    case toRight: {
      if (atStart) {
        int e = r.Top + (slantStart ? f / 2 + 1 : 0);
        along = lowEdge(e);
      } else {
        int e = r.Bottom + (slantEnd ? -f / 2 : 0) + (squared ? 1 : 0);
        along = highEdge(e);
      }
      m.Top = along.first;
      m.Bottom = along.second;
      m.Left = r.Right - 5;
      m.Right = r.Right + 3;
      break;
    }
  }
  return m;
}

void TVkCustomTabControl::EraseDropMarker() {
  if (!dropMarkerShown_) return;
  DrawDropMarker(dropMarkerRect_);
  dropMarkerShown_ = false;
}

void TVkCustomTabControl::DrawDropMarker(const TRect& Rect) {
  if (!HandleAllocated() || Rect.Width() <= 0 || Rect.Height() <= 0) return;
  gui::HWND window = Handle();
  gui::HDC dc = gui::GetDC(window);
  if (gui::IsNull(dc)) return;
  XorDropMarker(dc, Rect);
  gui::ReleaseDC(window, dc);
}

void TVkCustomTabControl::XorDropMarker(gui::HDC DC, const TRect& Rect) {
  TBitmap marker;
  marker.SetSize(Rect.Width(), Rect.Height());
  TCanvas* c = marker.Canvas();
  c->Brush()->SetColor(clBtnShadow);
  c->FillRect(TRect{0, 0, Rect.Width(), Rect.Height()});
  c->Brush()->SetColor(clBlack);
  c->Pen()->SetStyle(psClear);
  std::array<TPoint, 3> a{}, b{};
  switch (tabOrientation_) {
    case toTop:
      a = {TPoint{0, 0}, TPoint{8, 8}, TPoint{0, 8}};
      b = {TPoint{7, 8}, TPoint{15, 0}, TPoint{15, 8}};
      break;
    case toLeft:
      a = {TPoint{1, 0}, TPoint{8, 0}, TPoint{8, 8}};
      b = {TPoint{-1, 15}, TPoint{8, 7}, TPoint{8, 15}};
      break;
    case toBottom:
      a = {TPoint{-1, 8}, TPoint{-1, -1}, TPoint{8, -1}};
      b = {TPoint{7, -1}, TPoint{15, 0}, TPoint{15, 8}};
      break;
    case toRight:
      a = {TPoint{0, 0}, TPoint{7, 0}, TPoint{0, 7}};
      b = {TPoint{0, 7}, TPoint{8, 15}, TPoint{0, 15}};
      break;
  }
  c->Polygon(a);
  c->Polygon(b);
  c->Pen()->SetStyle(psSolid);
  gui::BitBlt(DC, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), c->Handle(), 0, 0, gui::SRCINVERT);
}

void TVkCustomTabControl::HandleDragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TCustomControl::HandleDragOver(Source, X, Y, State, Accept);
  if (!allowTabDragging_ || Source != this) return;
  int target = State == dsDragLeave ? -1 : TabAtPoint(X, Y);
  if (target < 0 && State != dsDragLeave) {
    if (!dragTimer_) {
      dragTimer_ = std::make_unique<TTimer>(nullptr);
      dragTimer_->SetEnabled(false);
      dragTimer_->SetOnTimer([this](TObject*) { DragScrollStep(); });
    }
    dragTimer_->SetInterval(dragFirstDelay_);
    dragTimer_->SetEnabled(true);
  } else if (target >= 0 && dragTimer_) {
    // Over a tab nothing scrolls.
    dragTimer_->SetEnabled(false);
  }
  Accept = target >= 0 && target != tabIndex_;
  if (target != dropTarget_) {
    dropTarget_ = target;
    EraseDropMarker();
    if (Accept) {
      dropMarkerRect_ = MarkerRect(target);
      DrawDropMarker(dropMarkerRect_);
      dropMarkerShown_ = true;
    }
  }
  if (State == dsDragLeave) {
    EraseDropMarker();
    dropTarget_ = -1;
  }
}

void TVkCustomTabControl::HandleDragDrop(TObject* Source, int X, int Y) {
  if (dragTimer_) dragTimer_->SetEnabled(false);
  EraseDropMarker();
  dropTarget_ = -1;
  if (allowTabDragging_ && Source == this) {
    int tab = TabAtPoint(X, Y);
    if (tab >= 0) MoveActivePage(tab);
  }
  TCustomControl::HandleDragDrop(Source, X, Y);
}

void TVkCustomTabControl::DragScrollStep() {
  if (!dragTimer_) return;
  dragTimer_->SetInterval(dragRepeatDelay_);
  if (!Dragging()) {
    // The drag is over: nothing more to scroll, no marker left behind.
    dragTimer_->SetEnabled(false);
    EraseDropMarker();
    dropTarget_ = -1;
    return;
  }
  try {
    TPoint p = ScreenToClient(Mouse()->CursorPos());
    int direction = 0;
    switch (tabOrientation_) {
      case toTop:
      case toBottom: direction = p.X < 0 ? -1 : (p.X > Width() ? 1 : 0); break;
      case toLeft: direction = p.Y < 0 ? 1 : (p.Y > Height() ? -1 : 0); break;
      case toRight: direction = p.Y < 0 ? -1 : (p.Y > Height() ? 1 : 0); break;
    }
    if (tabSequence_ == tsReverse) direction = -direction;
    if (direction != 0) ScrollTabs(direction > 0);
  } catch (...) {
    dragTimer_->SetEnabled(false);
    throw;
  }
}
