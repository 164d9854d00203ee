// The tab control's geometry: measuring, rows, placement, justification,
// scrolling, the strip, the card and the display rectangle, and the places of
// the scroller and the two buttons at the end of the strip.
#include <algorithm>
#include <cstdlib>
#include <map>

#include "controls/VkTabs.h"

namespace {

// The caption as measured and drawn: the first "&" marks the accelerator and
// is not shown; "&&" shows one "&"; a "&" at the very end is shown.
String StripAccelerator(const String& Line) {
  auto amp = Line.find('&');
  if (amp == String::npos || amp + 1 >= Line.size()) return Line;
  if (Line[amp + 1] == '&') return Line.substr(0, amp + 1) + Line.substr(amp + 2);
  return Line.substr(0, amp) + Line.substr(amp + 1);
}

// Pops the tab font on every path out of a measurement.
class TabFontScope {
public:
  TabFontScope(TVkCustomTabControl* Control, bool Bold) : control_(Control) { control_->PushTabFont(Bold); }
  ~TabFontScope() { control_->PopTabFont(); }
  TabFontScope(const TabFontScope&) = delete;
  TabFontScope& operator=(const TabFontScope&) = delete;

private:
  TVkCustomTabControl* control_;
};

}  // namespace

// ---- Text and fonts ------------------------------------------------------------------

std::vector<String> TVkCustomTabControl::SplitLines(const String& Text) {
  std::vector<String> lines;
  std::size_t start = 0;
  for (;;) {
    auto at = Text.find("\r\n", start);
    if (at == String::npos) {
      lines.push_back(Text.substr(start));
      return lines;
    }
    lines.push_back(Text.substr(start, at - start));
    start = at + 2;
  }
}

void TVkCustomTabControl::PushTabFont(bool Bold, bool Underline) {
  gui::UniqueGdi<gui::HFONT>& font = fontCache_[(Bold ? 1u : 0u) | (Underline ? 2u : 0u)];
  if (!font) {
    gui::LogFont lf;
    lf.lfHeight = tabFont_.Height();
    lf.lfFaceName = tabFont_.Name();
    lf.lfCharSet = tabFont_.Charset();
    TFontStyles style = tabFont_.Style();
    lf.lfItalic = (style & FontStyle(fsItalic)) ? 1 : 0;
    lf.lfUnderline = (Underline || (style & FontStyle(fsUnderline))) ? 1 : 0;
    lf.lfStrikeOut = (style & FontStyle(fsStrikeOut)) ? 1 : 0;
    lf.lfWeight = (Bold || (style & FontStyle(fsBold))) ? gui::FW_BOLD : gui::FW_NORMAL;
    if (textOrientation_ == orVertical) lf.lfEscapement = tabOrientation_ == toRight ? 2700 : 900;
    font.reset(gui::CreateFontIndirect(lf));
  }
  gui::HDC dc = bitmap_->Canvas()->Handle();
  if (gui::SaveDC(dc) == 0) throw EVkTabControlError("Error saving device context");
  gui::SelectObject(dc, font.get());
  ++fontDepth_;
}

void TVkCustomTabControl::PopTabFont() {
  if (fontDepth_ == 0) return;
  gui::RestoreDC(bitmap_->Canvas()->Handle(), -1);
  --fontDepth_;
}

void TVkCustomTabControl::DropTabFonts() {
  // Only while none is selected: a pushed font stays until it is popped.
  if (fontDepth_ > 0) return;
  for (auto& font : fontCache_) font.reset();
}

TSize TVkCustomTabControl::MeasureText(const String& Text, bool Horizontal) {
  TSize result{0, 0};
  TabFontScope font(this, boldMeasure_);
  gui::HDC dc = bitmap_->Canvas()->Handle();
  for (const String& line : SplitLines(Text)) {
    gui::Size ext{0, 0};
    if (!gui::GetTextExtentPoint32(dc, StripAccelerator(line), ext)) ext = gui::Size{0, 0};
    if (Horizontal) {
      result.cx = std::max(result.cx, ext.cx);
      result.cy += ext.cy;
    } else {
      result.cx += ext.cy;
      result.cy = std::max(result.cy, ext.cx);
    }
  }
  return result;
}


// ---- Sizes --------------------------------------------------------------------------------

int TVkCustomTabControl::TabOverlapFor(int Thickness) const {
  switch (tabStyle_) {
    case tsSingleSlant:
    case tsBackSlant: return Thickness / 2;
    case tsDoubleSlant: return Thickness;
    case tsSquareCorners: return tabOverlap_ + 1;
    default: return tabOverlap_;
  }
}

TSize TVkCustomTabControl::MinContentSize() {
  bool cornered = tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners;
  boldMeasure_ = boldCurrentTab_;
  TSize t = MeasureText(cornered ? "AAA" : "A", true);
  boldMeasure_ = false;
  int fh = std::abs(tabFont_.Height());
  if (textOrientation_ == orVertical) return TSize{fh, t.cx};
  return TSize{t.cx, fh};
}

TSize TVkCustomTabControl::TabContentSize(int Index, TSize MinContent) {
  TVkTabData* tab = tabData_.Items(Index);
  if (!tab->Visible) return TSize{0, 0};
  TSize image{0, 0};
  if (images_ && tab->ImageIndex != -1) image = TSize{images_->Width(), images_->Height()};
  boldMeasure_ = boldCurrentTab_;
  TSize text = MeasureText(tab->Caption, textOrientation_ != orVertical);
  boldMeasure_ = false;
  TSize c{0, 0};
  switch (imagePosition_) {
    case ipLeft:
    case ipRight:
      c = TSize{imageMargin_ + image.cx + text.cx, std::max(image.cy, text.cy)};
      break;
    case ipTop:
    case ipBottom:
      c = TSize{std::max(image.cx, text.cx), imageMargin_ + image.cy + text.cy};
      break;
    case ipBack: c = TSize{std::max(image.cx, text.cx), std::max(image.cy, text.cy)}; break;
    case ipStretch: c = text; break;
  }
  if (tabWidth_ == 0) c.cx = std::max(c.cx, MinContent.cx);
  if (tabHeight_ == 0) c.cy = std::max(c.cy, MinContent.cy);
  if (showCloseButtonOnActiveTab_) {
    bool horizontalText = textOrientation_ == orHorizontal;
    if (horizontalText && !SideTabs()) c.cx += 20;
    if (!horizontalText && SideTabs()) c.cy += 20;
  }
  return c;
}

TSize TVkCustomTabControl::OuterSize(TSize Content) {
  int w = Content.cx, h = Content.cy;
  int c = w + 2, d = h + 2;
  bool vertical = textOrientation_ == orVertical;
  if (!SideTabs()) {
    switch (tabStyle_) {
      case tsSingleSlant:
      case tsBackSlant: return TSize{2 * TabOverlapFor(d + 4) + c + tabHeight_ / 2 + 4, d + 4};
      case tsDoubleSlant: return TSize{2 * TabOverlapFor(d) + c + tabHeight_ + 4, d + 4};
      case tsCutCorner:
        if (!vertical) return TSize{2 * cutCornerSize_ + c + 6, h + 7};
        return TSize{w + 10, d + cutCornerSize_ + 5};
      default: return TSize{w + 6, h + 6};
    }
  }
  switch (tabStyle_) {
    case tsSingleSlant:
    case tsBackSlant: return TSize{c + 4, 2 * TabOverlapFor(c + 4) + d + tabHeight_ / 2 + 4};
    case tsDoubleSlant: return TSize{c + 4, 2 * TabOverlapFor(c) + d + tabHeight_ + 4};
    case tsCutCorner:
      if (!vertical) return TSize{c + cutCornerSize_ + 5, h + 10};
      return TSize{w + 7, 2 * cutCornerSize_ + d + 6};
    default: return TSize{w + 6, h + 6};
  }
}

// ---- Strip, card and display rectangles ----------------------------------------------

int TVkCustomTabControl::TabStripThickness() {
  if (!showCard_) return SideTabs() ? Width() - 1 : Height() - 1;
  int e = (tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners) ? 3 : 0;
  int f = fixedDimension_;
  return e + f + (f - rowOverlap_) * (rowCount_ - 1);
}

TRect TVkCustomTabControl::TabStripRect() {
  int w = Width(), h = Height();
  int t = TabStripThickness();
  switch (tabOrientation_) {
    case toTop: {
      TRect r{0, 0, w - 1, t};
      if (showShadow_ && tabSequence_ == tsStandard) r.Right -= 2;
      return r;
    }
    case toLeft: return TRect{0, 0, t, h - 1};
    case toBottom: return TRect{0, h - 1 - t, w - 1, h - 1};
    case toRight: return TRect{w - 1 - t, 0, w - 1, h - 1};
  }
  return TRect{};
}

int TVkCustomTabControl::TabStripLength() {
  TRect s = TabStripRect();
  return SideTabs() ? s.Height() : s.Width();
}

TRect TVkCustomTabControl::CardRect(int Row) {
  int w1 = ClientWidth() - 1, h1 = ClientHeight() - 1;
  TRect r{0, 0, w1, h1};
  if (tabData_.Count() == 0) {
    if (showCard_) return r;
  } else {
    int t = TabStripThickness();
    int f = fixedDimension_;
    int d = Row * (f - rowOverlap_);
    int b = t - d;
    int c = Row * rowIndent_;
    int e = (rowCount_ - Row - 1) * rowIndent_;
    if (tabSequence_ == tsReverse) std::swap(c, e);
    // c: inset at the start of the strip, e: at its end.
    switch (tabOrientation_) {
      case toTop: r = TRect{c, b, w1 - e, h1 - d}; break;
      case toBottom: r = TRect{c, d, w1 - e, h1 - b}; break;
      case toLeft: r = TRect{b, e, w1 - d, h1 - c}; break;    // the strip starts at the bottom
      case toRight: r = TRect{d, c, w1 - b, h1 - e}; break;   // the strip starts at the top
    }
    if (r.Right < r.Left || r.Bottom < r.Top) r = TRect{0, 0, 0, 0};
  }
  if (!showCard_) {
    int cw = ClientWidth(), ch = ClientHeight();
    if (tabOrientation_ != toRight) r.Right = cw + 3;
    if (tabOrientation_ != toLeft) r.Left = -3;
    if (tabOrientation_ != toBottom) r.Bottom = ch + 3;
    if (tabOrientation_ != toTop) r.Top = -3;
  }
  return r;
}

TRect TVkCustomTabControl::DisplayRect() {
  if (!showCard_) return TRect{-2, -2, -1, -1};
  TRect r = CardRect(0);
  if (showCardFrame_) {
    if (showFullFrame_) {
      ++r.Left;
      ++r.Top;
      if (tabOrientation_ == toTop && tabSequence_ == tsStandard && showShadow_) {
        r.Right -= 2;
        r.Bottom -= 2;
      }
    } else {
      if (tabOrientation_ == toTop) ++r.Top;
      ++r.Right;
      ++r.Bottom;
    }
  } else {
    if (!showFullFrame_) {
      if (tabOrientation_ == toLeft) --r.Left;
      if (tabOrientation_ == toBottom) ++r.Bottom;
      if (tabOrientation_ == toRight) ++r.Right;
    }
    ++r.Right;
    ++r.Bottom;
  }
  return r;
}

void TVkCustomTabControl::ShrinkClientRect(TRect& Rect) { Rect = DisplayRect(); }

void TVkCustomTabControl::ArrangeChildren(TControl* AControl, TRect& Rect) {
  PlaceButtons();
  lastDisplayRect_ = DisplayRect();
  TCustomControl::ArrangeChildren(AControl, Rect);
}

// ---- Visible and shown tabs ------------------------------------------------------------

int TVkCustomTabControl::FirstVisibleTab() {
  for (int i = 0; i < tabData_.Count(); ++i)
    if (tabData_.Items(i)->Visible) return i;
  return -1;
}

int TVkCustomTabControl::LastVisibleTab() {
  for (int i = tabData_.Count() - 1; i >= 0; --i)
    if (tabData_.Items(i)->Visible) return i;
  return -1;
}

int TVkCustomTabControl::CloseButtonLength() {
  return showCloseButton_ && tabData_.Count() > 0 ? ScrollButtonLength() : 0;
}

int TVkCustomTabControl::MenuButtonLength() {
  return showMenuButton_ && tabData_.Count() > 0 ? ScrollButtonLength() : 0;
}

int TVkCustomTabControl::ScrollOffset() {
  if (firstShownTab_ < 0 || firstShownTab_ >= tabData_.Count()) return 0;
  const TRect& r = tabData_.Items(firstShownTab_)->TabRect;
  int corner = (tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners) ? 2 : 0;
  if (tabSequence_ == tsStandard) return r.Left - margin_ - corner;
  return r.Right + corner + margin_;
}

bool TVkCustomTabControl::TabIsShown(int Tab) {
  if (Tab < 0 || Tab >= tabData_.Count() || firstShownTab_ < 0) return false;
  TVkTabData* tab = tabData_.Items(Tab);
  if (!tab->Visible) return false;
  if (!scrollNeeded_) return true;
  int c = TabStripLength() - 2 * ScrollButtonLength() - 2 * margin_ - (CloseButtonLength() + 2) -
          (MenuButtonLength() + 2);
  int offset = ScrollOffset();
  const TRect& r = tab->TabRect;
  if (tabSequence_ == tsStandard) return r.Left >= offset && r.Right - offset <= c;
  return offset >= r.Right && offset - r.Left <= c;
}

bool TVkCustomTabControl::ComputeScrollNeeded() {
  if (multiLine_) return false;
  int first = FirstVisibleTab();
  if (first < 0) return false;
  int c = TabStripLength() - 2 * margin_ - (CloseButtonLength() + 2) - (MenuButtonLength() + 2);
  int far = tabSequence_ == tsStandard ? tabData_.Items(LastVisibleTab())->TabRect.Right
                                       : tabData_.Items(first)->TabRect.Right;
  return c < far;
}

bool TVkCustomTabControl::CanSelectTab(int Index) {
  if (tabData_.Count() == 0 || Index < 0 || Index >= tabData_.Count()) return false;
  TVkTabData* tab = tabData_.Items(Index);
  if (!tab->Visible) return false;
  if (!tab->Enabled && !ComponentState().Contains(csDesigning)) return false;
  if (Index == tabIndex_) return true;
  bool allow = true;
  DoChanging(Index, allow);
  return allow;
}

// ---- Rows and placement ----------------------------------------------------------------

int TVkCustomTabControl::CountRows(int F, int Thickness) {
  (void)Thickness;
  if (!multiLine_) return 1;
  std::vector<int> sizes;
  std::vector<int> visible;
  for (int i = 0; i < tabData_.Count(); ++i)
    if (tabData_.Items(i)->Visible) visible.push_back(i);
  if (visible.empty()) return 1;
  int a = TabStripLength() - 2 * margin_;
  int assumed = 1, used = 1;
  int x = margin_;
  bool cornered = tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners;
  int overlap = TabOverlapFor(F);
  // Each restart assumes one more row; beyond one row per tab nothing changes.
  const int maxRows = static_cast<int>(visible.size()) + 1;
  for (std::size_t k = 0; k < visible.size();) {
    int s = std::min(placeSizes_[static_cast<std::size_t>(visible[k])], cornered ? a - 4 : a);
    if (x + s < a) {
      x += s - overlap + 1;
      ++k;
      continue;
    }
    bool atMargin = x == margin_;
    x = margin_;
    if (used < assumed) {
      ++used;
      if (atMargin) ++k;
    } else if ((!atMargin || k + 1 < visible.size()) && assumed < maxRows) {
      ++assumed;
      used = 1;
      a -= rowIndent_;
      k = 0;
    } else {
      ++k;
    }
  }
  return used;
}

void TVkCustomTabControl::PlaceTabs(int F) {
  int y = TabStripThickness() - F;
  int a = TabStripLength() - 2 * margin_;
  if (multiLine_)
    a -= (rowCount_ - 1) * rowIndent_;
  else
    a -= (CloseButtonLength() > 0 ? CloseButtonLength() + 2 : 0) + (MenuButtonLength() > 0 ? MenuButtonLength() + 2 : 0) +
         2 * ScrollButtonLength() + 2;
  bool cornered = tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners;
  int overlap = TabOverlapFor(F);
  int row = 0;
  bool standard = tabSequence_ == tsStandard;
  int x = standard ? margin_ : -margin_;
  int rowStep = F - rowOverlap_;
  for (int i = 0; i < tabData_.Count(); ++i) {
    TVkTabData* tab = tabData_.Items(i);
    if (!tab->Visible) {
      tab->TabRect = TRect{0, 0, 0, 0};
      tab->Row = 0;
      continue;
    }
    int s = std::min(placeSizes_[static_cast<std::size_t>(i)], cornered ? a - 4 : a);
    bool wraps = multiLine_ && (standard ? x + s >= a : -a >= x - s);
    if (wraps) {
      int home = standard ? margin_ : -margin_;
      if (x == home) {
        // A lone over-long tab keeps its row.
        tab->TabRect = standard ? TRect{x, y, x + s, y + F} : TRect{x - s, y, x, y + F};
        tab->Row = row;
        y -= rowStep;
        ++row;
        continue;
      }
      x = home;
      y -= rowStep;
      ++row;
    }
    if (standard) {
      tab->TabRect = TRect{x, y, x + s, y + F};
      x += s - overlap + 1;
    } else {
      tab->TabRect = TRect{x - s, y, x, y + F};
      x += overlap - s - 1;
    }
    tab->Row = row;
  }
  if (!standard) {
    int shift = multiLine_ ? Width() : std::abs(x);
    for (int i = 0; i < tabData_.Count(); ++i) {
      TVkTabData* tab = tabData_.Items(i);
      if (!tab->Visible) continue;
      tab->TabRect.Left += shift;
      tab->TabRect.Right += shift;
    }
  }
}

void TVkCustomTabControl::JustifyRows() {
  if (!multiLine_ || !alignTabs_) return;
  if (SideTabs() ? tabHeight_ != 0 : tabWidth_ != 0) return;
  bool cornered = tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners;
  bool standard = tabSequence_ == tsStandard;
  int room = TabStripLength() - 2 * margin_ - (rowCount_ - 1) * rowIndent_;
  std::map<int, std::vector<TVkTabData*>> rows;
  for (int i = 0; i < tabData_.Count(); ++i)
    if (tabData_.Items(i)->Visible) rows[tabData_.Items(i)->Row].push_back(tabData_.Items(i));
  for (auto& [row, tabs] : rows) {
    int lo = tabs.front()->TabRect.Left, hi = tabs.front()->TabRect.Right;
    for (TVkTabData* t : tabs) {
      lo = std::min(lo, t->TabRect.Left);
      hi = std::max(hi, t->TabRect.Right);
    }
    int f = room - (hi - lo + (cornered ? 4 : 0));
    if (f < 1) continue;
    int n = static_cast<int>(tabs.size());
    int shift = 0;
    for (int k = 0; k < n; ++k) {
      int grow = f / n + (k < f % n ? 1 : 0);
      TRect& r = tabs[static_cast<std::size_t>(k)]->TabRect;
      if (standard) {
        r.Left += shift;
        r.Right += shift + grow;
      } else {
        r.Right -= shift;
        r.Left -= shift + grow;
      }
      shift += grow;
    }
  }
}

void TVkCustomTabControl::SelectedRowToFront() {
  if (!multiLine_ || tabIndex_ < 0 || tabIndex_ >= tabData_.Count()) return;
  TVkTabData* selected = tabData_.Items(tabIndex_);
  if (!selected->Visible) return;
  int maxRow = 0;
  std::map<int, std::pair<int, int>> rowSpan;  // row -> top and bottom before the move
  for (int i = 0; i < tabData_.Count(); ++i) {
    TVkTabData* t = tabData_.Items(i);
    if (!t->Visible) continue;
    maxRow = std::max(maxRow, t->Row);
    rowSpan.emplace(t->Row, std::make_pair(t->TabRect.Top, t->TabRect.Bottom));
  }
  // One row, or the selected row in front already: nothing moves.
  if (maxRow == 0 || selected->Row == 0) return;
  int step = maxRow - selected->Row + 1;
  int f = fixedDimension_;
  for (int i = 0; i < tabData_.Count(); ++i) {
    TVkTabData* t = tabData_.Items(i);
    if (!t->Visible) continue;
    int newRow = (t->Row + step) % (maxRow + 1);
    auto held = rowSpan.find(newRow);
    if (held != rowSpan.end()) {
      t->TabRect.Top = held->second.first;
      t->TabRect.Bottom = held->second.second;
    } else {
      int y = TabStripThickness() - f - newRow * (f - rowOverlap_);
      t->TabRect.Top = y;
      t->TabRect.Bottom = y + f;
    }
    t->Row = newRow;
  }
  regionCache_.Clear();
}

void TVkCustomTabControl::CalcTabRects() {
  int count = tabData_.Count();
  TSize minContent = MinContentSize();
  std::vector<TSize> content(static_cast<std::size_t>(count), TSize{0, 0});
  int maxW = 0, maxH = 0;
  for (int i = 0; i < count; ++i) {
    if (!tabData_.Items(i)->Visible) continue;
    content[static_cast<std::size_t>(i)] = TabContentSize(i, minContent);
    maxW = std::max(maxW, content[static_cast<std::size_t>(i)].cx);
    maxH = std::max(maxH, content[static_cast<std::size_t>(i)].cy);
  }
  int tabW = 0, tabH = 0;
  placeSizes_.assign(static_cast<std::size_t>(count), 0);
  for (int i = 0; i < count; ++i) {
    if (!tabData_.Items(i)->Visible) continue;
    TSize c = content[static_cast<std::size_t>(i)];
    TSize outer = OuterSize(c);
    tabW = std::max(tabW, outer.cx);
    tabH = std::max(tabH, outer.cy);
    // Along the strip every tab shares the strip's thickness.
    if (SideTabs()) {
      c.cx = maxW;
      placeSizes_[static_cast<std::size_t>(i)] = tabHeight_ > 0 ? tabHeight_ : OuterSize(c).cy;
    } else {
      c.cy = maxH;
      placeSizes_[static_cast<std::size_t>(i)] = tabWidth_ > 0 ? tabWidth_ : OuterSize(c).cx;
    }
  }
  if (tabWidth_ > 0) tabW = tabWidth_;
  if (tabHeight_ > 0) tabH = tabHeight_;
  fixedDimension_ = SideTabs() ? tabW : tabH;
  rowCount_ = std::max(1, CountRows(fixedDimension_, 0));
  PlaceTabs(fixedDimension_);
  JustifyRows();
}

// ---- The re-layout cycle ---------------------------------------------------------------

void TVkCustomTabControl::UpdateLayout() {
  if (!layoutDirty_) return;
  layoutDirty_ = false;
  CalcTabRects();
  regionCache_.Clear();
  // Rows come out in tab order; the selected tab's row goes back to the card.
  SelectedRowToFront();
  int count = tabData_.Count();
  int remembered = firstShownTab_;
  int firstVisible = FirstVisibleTab();
  firstShownTab_ = firstVisible;
  scrollNeeded_ = ComputeScrollNeeded();
  if (scrollNeeded_) {
    int fs = std::clamp(remembered, 0, std::max(0, count - 1));
    firstShownTab_ = fs;
    while (firstShownTab_ < count && !TabIsShown(firstShownTab_)) ++firstShownTab_;
    if (firstShownTab_ >= count) {
      firstShownTab_ = std::min(remembered, count) - 1;
      while (firstShownTab_ >= 0 && !TabIsShown(firstShownTab_)) --firstShownTab_;
      if (firstShownTab_ < 0) firstShownTab_ = firstVisible;
    }
  }
  // Selection repair: the selected tab may have gone, been hidden or disabled.
  if (firstVisible >= 0 && tabIndex_ >= 0) {
    int found = -1;
    for (int i = tabIndex_; i < count; ++i)
      if (CanSelectTab(i)) {
        found = i;
        break;
      }
    if (found < 0)
      for (int i = std::min(tabIndex_, count - 1); i >= 0; --i)
        if (CanSelectTab(i)) {
          found = i;
          break;
        }
    if (found >= 0 && found != tabIndex_) {
      bool saved = noChangingTest_;
      noChangingTest_ = true;
      try {
        SetTabIndex(found);
      } catch (...) {
        noChangingTest_ = saved;
        throw;
      }
      noChangingTest_ = saved;
    }
  }
  // A selection past the list (its tabs removed) reads no tab data.
  if (tabIndex_ >= count) tabIndex_ = -1;
  if (DisplayRect() != lastDisplayRect_) Realign();
}

// ---- Scrolling -------------------------------------------------------------------------------

void TVkCustomTabControl::ScrollTabs(bool Forward) {
  int count = tabData_.Count();
  int old = firstShownTab_;
  if (Forward) {
    int last = LastVisibleTab();
    if (firstShownTab_ < count - 1 && last >= 0 && !TabIsShown(last)) {
      do ++firstShownTab_;
      while (firstShownTab_ < count && !TabIsShown(firstShownTab_));
      if (firstShownTab_ >= count)
        firstShownTab_ = old;
      else
        InvalidateTabs();
    }
  } else {
    int first = FirstVisibleTab();
    if (firstShownTab_ > 0 && first >= 0 && !TabIsShown(first)) {
      do --firstShownTab_;
      while (firstShownTab_ >= 0 && !TabIsShown(firstShownTab_));
      if (firstShownTab_ < 0)
        firstShownTab_ = old;
      else
        InvalidateTabs();
    }
  }
  if (activeCloseButton_) activeCloseButton_->SetVisible(showCloseButtonOnActiveTab_ && TabIsShown(tabIndex_));
  if (OnScrolledTabs) OnScrolledTabs(this);
}

// ---- Scroller and buttons --------------------------------------------------------------

int TVkCustomTabControl::ScrollButtonLength() {
  TSize a = MeasureText("A", true);
  bool vertical = textOrientation_ == orVertical;
  int v = a.cy + (vertical ? 2 : 4);
  int f = fixedDimension_;
  bool raise = SideTabs() ? (vertical && tabWidth_ >= 1) : (!vertical && tabHeight_ >= 1);
  if (raise) v = std::max(v, f - 2);
  return v;
}

int TVkCustomTabControl::ScrollButtonThickness() {
  TSize a = MeasureText("A", true);
  bool vertical = textOrientation_ == orVertical;
  int v = a.cy + (vertical ? 2 : 4);
  int f = fixedDimension_;
  bool wide = SideTabs() ? (vertical && tabWidth_ >= v) : (!vertical && tabHeight_ >= v);
  return wide ? std::max(v, f - 2) : std::min(v, f - 2);
}

void TVkCustomTabControl::PlaceButtons() {
  if (ComponentState().Contains(csDestroying)) return;
  TRect s = TabStripRect();
  int m = margin_;
  int lc = CloseButtonLength(), lm = MenuButtonLength();
  int length = ScrollButtonLength(), thick = ScrollButtonThickness();
  bool standard = tabSequence_ == tsStandard;
  // Places an item of the given length along the strip, `before` pixels
  // further from the strip's far end than the close button.
  auto place = [&](TControl* item, int along, int before) {
    int w = SideTabs() ? thick : along;
    int h = SideTabs() ? along : thick;
    int x = 0, y = 0;
    switch (tabOrientation_) {
      case toTop:
        if (standard)
          x = s.Right + (showShadow_ ? -1 : 1) - w - m - before, y = s.Bottom - h - 2;
        else
          x = s.Left + m + before, y = s.Bottom - h - 2;
        break;
      case toBottom:
        if (standard)
          x = s.Right - w - m + 1 - before, y = s.Top + 2;
        else
          x = s.Left + m + before, y = s.Top + 2;
        break;
      case toLeft:
        if (standard)
          x = s.Right - w - 2, y = s.Top + m + before;
        else
          x = s.Right - w - 2, y = s.Bottom - h - m + 1 - before;
        break;
      case toRight:
        if (standard)
          x = s.Left + 2, y = s.Bottom - h - m + 1 - before;
        else
          x = s.Left + 2, y = s.Top + m + before;
        break;
    }
    item->SetBoundsRect(Bounds(x, y, w, h));
  };
  bool loading = Loading();
  if (closeButton_ && !loading) {
    place(closeButton_, lc, 0);
    closeButton_->SetVisible(showCloseButton_ && lc > 0);
  }
  if (menuButton_ && !loading) {
    place(menuButton_, lm, lc + 2);
    menuButton_->SetVisible(showMenuButton_ && lm > 0);
  }
  if (scrollNeeded_) {
    if (!scroller_) {
      scroller_ = new TVkTabScroller(nullptr, this);
      scroller_->SetFrameColor(AdjustedFlatColor());
      scroller_->OnUpRightClick = [this](TObject*) {
        bool forward = (tabSequence_ == tsStandard) != (tabOrientation_ == toRight);
        ScrollTabs(forward);
      };
      scroller_->OnDownLeftClick = [this](TObject*) {
        bool forward = (tabSequence_ == tsStandard) != (tabOrientation_ == toRight);
        ScrollTabs(!forward);
      };
      scroller_->SetParent(this);
    }
    scroller_->SetOrientation(SideTabs() ? orVertical : orHorizontal);
    place(scroller_, 2 * length - 1, lc + 2 + lm + 2);
    scroller_->SetVisible(true);
  } else if (scroller_) {
    TRect b = scroller_->BoundsRect();
    scroller_->SetBoundsRect(Bounds(-b.Width() - 10, -b.Height() - 10, b.Width(), b.Height()));
  }
}
