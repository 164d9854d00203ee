// How the tab control draws itself: tab outlines for every shape and side,
// the clipping regions made from them, tab backgrounds and contents, the
// cards with their frames and the drop shadow. Everything is drawn into an
// off-screen bitmap that is copied to the window in one step.
#include <algorithm>
#include <optional>

#include "controls/VkTabs.h"

namespace {

enum PenOp { opFrameColor = 0, opNothing = 1, opResetColor = 2, opMoveTo = 3, opLineTo = 4, opShadow30 = 5, opShadow15 = 6 };

TRect Grown(const TRect& R) { return TRect{R.Left, R.Top, R.Right + 1, R.Bottom + 1}; }

void Offset(TRect& R, int DX, int DY) {
  R.Left += DX;
  R.Right += DX;
  R.Top += DY;
  R.Bottom += DY;
}

// Saves the canvas's context and restores it on every path; the canvas lets
// go of its objects on both sides, so its record of what is selected stays true.
class SavedDC {
public:
  explicit SavedDC(TCanvas* Canvas) : canvas_(Canvas) {
    canvas_->Refresh();
    if (gui::SaveDC(canvas_->Handle()) == 0) throw EVkTabControlError("Error saving device context");
  }
  ~SavedDC() {
    canvas_->Refresh();
    gui::RestoreDC(canvas_->Handle(), -1);
  }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

private:
  TCanvas* canvas_;
};

}  // namespace

// ---- Frames and shapes -----------------------------------------------------------------

TPoint TVkCustomTabControl::NormalToClient(TPoint P) {
  TRect s = TabStripRect();
  int a = ScrollOffset();
  bool standard = tabSequence_ == tsStandard;
  switch (tabOrientation_) {
    case toTop: return TPoint{(standard ? s.Left : s.Right) + P.X - a, s.Top + P.Y};
    case toLeft: return TPoint{s.Left + P.Y, (standard ? s.Bottom : s.Top) + a - P.X};
    case toBottom: return TPoint{(standard ? s.Left : s.Right) + P.X - a, s.Bottom - P.Y};
    case toRight: return TPoint{s.Right - P.Y, (standard ? s.Top : s.Bottom) + P.X - a};
  }
  return P;
}

TRect TVkCustomTabControl::TabNormalRect(int Index) {
  TVkTabData* tab = tabData_.Items(Index);
  TRect r = tab->TabRect;
  if (tab->Row > 0) {
    int shift = tab->Row * rowIndent_ * (tabSequence_ == tsStandard ? 1 : -1);
    r.Left += shift;
    r.Right += shift;
  }
  if ((tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners) && Index == tabIndex_)
    r = TRect{r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom};
  return r;
}

TRect TVkCustomTabControl::TabClientRect(int Index) {
  TRect n = TabNormalRect(Index);
  TPoint a = NormalToClient(TPoint{n.Left, n.Top});
  TPoint b = NormalToClient(TPoint{n.Right, n.Bottom});
  TRect r{a.X, a.Y, b.X, b.Y};
  NormalizeRect(r);
  return r;
}

int TVkCustomTabControl::TabOutline(int Index, std::array<TPoint, 20>& Points) {
  TRect n = TabNormalRect(Index);
  int l = n.Left, t = n.Top, r = n.Right, b = n.Bottom, h = b - t;
  std::vector<TPoint> p;
  switch (tabStyle_) {
    case tsSingleSlant:
      if (softCorners_)
        p = {{l, b}, {l, t + 2}, {l + 2, t}, {r - h - 4, t}, {r - h + 2, t + 2}, {r, b}};
      else
        p = {{l, b}, {l, t + 2}, {l + 2, t}, {r - h, t}, {r, b}};
      break;
    case tsDoubleSlant:
      if (softCorners_)
        p = {{l, b}, {l + h - 2, t + 2}, {l + h + 4, t}, {r - h - 4, t}, {r - h + 2, t + 2}, {r, b}};
      else
        p = {{l, b}, {l + h, t}, {r - h, t}, {r, b}};
      break;
    case tsCutCorner: p = {{l, b}, {l, t}, {r - cutCornerSize_, t}, {r, t + cutCornerSize_}, {r, b}}; break;
    case tsRoundCorners: p = {{l, b}, {l, t + 2}, {l + 2, t}, {r - 2, t}, {r, t + 2}, {r, b}}; break;
    case tsBackSlant:
      if (softCorners_)
        p = {{l, b}, {l + h - 2, t + 2}, {l + h + 4, t}, {r - 2, t}, {r, t + 2}, {r, b}};
      else
        p = {{l, b}, {l + h, t}, {r - 2, t}, {r, t + 2}, {r, b}};
      break;
    case tsSquareCorners: p = {{l, b}, {l, t}, {r, t}, {r, b}}; break;
  }
  std::copy(p.begin(), p.end(), Points.begin());
  return static_cast<int>(p.size());
}

gui::HRGN TVkCustomTabControl::TabRegion(int Index) {
  TRect key = TabClientRect(Index);
  gui::HRGN found = regionCache_.Find(key);
  if (!gui::IsNull(found)) return found;
  std::array<TPoint, 20> points{};
  int count = TabOutline(Index, points);
  if (count < 3) return gui::HRGN{};
  for (int i = 0; i < count; ++i) points[static_cast<std::size_t>(i)] = NormalToClient(points[static_cast<std::size_t>(i)]);
  // A polygon's region moved by whole pixels is the region of the moved
  // polygon, so one region per shape serves every tab of that shape.
  TPoint first = points[0];
  std::vector<TPoint> shape(points.begin(), points.begin() + count);
  for (TPoint& p : shape) p = TPoint{p.X - first.X, p.Y - first.Y};
  auto it = std::find_if(shapeRegions_.begin(), shapeRegions_.end(),
                         [&](const ShapeRegion& s) { return s.shape == shape; });
  if (it == shapeRegions_.end()) {
    gui::HRGN made = gui::CreatePolygonRgn(shape.data(), count, gui::ALTERNATE);
    if (gui::IsNull(made)) throw EVkTabControlError("Error creating region");
    if (shapeRegions_.size() >= 16) shapeRegions_.erase(shapeRegions_.begin());
    shapeRegions_.push_back(ShapeRegion{std::move(shape), gui::UniqueGdi<gui::HRGN>(made)});
    it = shapeRegions_.end() - 1;
  }
  gui::HRGN region = gui::CreateRectRgn(0, 0, 0, 0);
  if (gui::IsNull(region)) throw EVkTabControlError("Error creating region");
  gui::CombineRgn(region, it->region.get(), gui::HRGN{}, gui::RGN_COPY);
  gui::OffsetRgn(region, first.X, first.Y);
  regionCache_.Add(key, region);
  return region;
}

// ---- The pen command list ----------------------------------------------------------------

void TVkCustomTabControl::Record(int Op, int X, int Y) {
  pen_.push_back(Op);
  if (Op >= opResetColor) {
    pen_.push_back(X);
    pen_.push_back(Y);
  }
}

void TVkCustomTabControl::ExecutePen() {
  TCanvas* c = bitmap_->Canvas();
  frameColor_ = AdjustedFlatColor();
  bool shadow = false;
  for (std::size_t i = 0; i < pen_.size(); i += pen_[i] >= opResetColor ? 3 : 1)
    if (pen_[i] == opShadow30 || pen_[i] == opShadow15) shadow = true;
  if (shadow && !shadowSourceReady_) {
    // The shadow darkens what lies behind the control, not the card.
    if (!shadowSource_) shadowSource_ = std::make_unique<TBitmap>();
    int w = std::max(1, Width()), h = std::max(1, Height());
    shadowSource_->SetSize(w, h);
    gui::HDC dc = shadowSource_->Canvas()->Handle();
    gui::FillRect(dc, TRect{0, 0, w, h}, gui::GetStockBrush(gui::WHITE_BRUSH));
    PaintParentBackground(this, dc, false);
    shadowSourceReady_ = true;
  }
  for (std::size_t i = 0; i < pen_.size();) {
    int op = pen_[i];
    int x = op >= opResetColor ? pen_[i + 1] : 0;
    int y = op >= opResetColor ? pen_[i + 2] : 0;
    i += op >= opResetColor ? 3 : 1;
    switch (op) {
      case opFrameColor: c->Pen()->SetColor(frameColor_); break;
      case opResetColor: frameColor_ = AdjustedFlatColor(); break;
      case opMoveTo: c->MoveTo(x, y); break;
      case opLineTo: c->LineTo(x, y); break;
      case opShadow30:
      case opShadow15: {
        TPoint from = c->PenPos();
        // Shadows run straight only.
        if (from.X == x || from.Y == y) ShadowRun(from, TPoint{x, y}, op == opShadow30 ? 30 : 15);
        c->MoveTo(x, y);
        break;
      }
      default: break;
    }
  }
}

void TVkCustomTabControl::ShadowRun(TPoint From, TPoint To, int Strength) {
  // Both ends included; every pixel is the background behind the control
  // mixed with black by Strength / 255.
  int x0 = std::min(From.X, To.X), x1 = std::max(From.X, To.X);
  int y0 = std::min(From.Y, To.Y), y1 = std::max(From.Y, To.Y);
  gui::HDC dc = bitmap_->Canvas()->Handle();
  TRect run{x0, y0, x1 + 1, y1 + 1};
  if (!gui::RectVisible(dc, run)) return;
  // Only the part the clip lets through can change (the card in front hides
  // most of the runs of the cards behind it).
  {
    gui::UniqueGdi<gui::HRGN> clip(gui::CreateRectRgn(0, 0, 0, 0));
    if (gui::GetClipRgn(dc, clip.get()) == 1) {
      TPoint origin{0, 0};
      gui::GetViewportOrgEx(dc, origin);
      gui::UniqueGdi<gui::HRGN> part(
          gui::CreateRectRgn(run.Left + origin.X, run.Top + origin.Y, run.Right + origin.X, run.Bottom + origin.Y));
      gui::CombineRgn(part.get(), part.get(), clip.get(), gui::RGN_AND);
      TRect box{};
      if (gui::GetRgnBox(part.get(), box) == gui::NULLREGION) return;
      run = TRect{box.Left - origin.X, box.Top - origin.Y, box.Right - origin.X, box.Bottom - origin.Y};
    }
  }
  int w = run.Right - run.Left, h = run.Bottom - run.Top;
  // The background pixel by pixel: a block transfer of a long thin run
  // costs far more than its few pixels.
  gui::HDC source = shadowSource_->Canvas()->Handle();
  std::vector<TColor> mixed(static_cast<std::size_t>(w) * h);
  std::size_t changes = 0;
  TColor lastBehind = clNone, lastMixed = clNone;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      gui::COLORREF p = gui::GetPixel(source, run.Left + x, run.Top + y);
      // Outside the picture a block transfer reads white.
      TColor behind = static_cast<TColor>(p == gui::CLR_INVALID ? 0xFFFFFF : p);
      if (behind != lastBehind) {
        lastBehind = behind;
        lastMixed = ColorToRGB(MixColors(clBlack, behind, Strength));
      }
      std::size_t i = static_cast<std::size_t>(y) * w + x;
      mixed[i] = lastMixed;
      if (i > 0 && mixed[i] != mixed[i - 1]) ++changes;
    }
  if (w == 1 || h == 1) {
    if (changes < 16) {
      // A run (one pixel thick) over a plain background: a fill for each
      // stretch of one colour.
      bool across = h == 1;
      std::size_t begin = 0;
      for (std::size_t i = 1; i <= mixed.size(); ++i) {
        if (i < mixed.size() && mixed[i] == mixed[begin]) continue;
        int a = static_cast<int>(begin), b = static_cast<int>(i);
        TRect part = across ? TRect{run.Left + a, run.Top, run.Left + b, run.Bottom}
                            : TRect{run.Left, run.Top + a, run.Right, run.Top + b};
        gui::UniqueGdi<gui::HBRUSH> brush(gui::CreateSolidBrush(ColorToRef(mixed[begin])));
        gui::FillRect(dc, part, brush.get());
        begin = i;
      }
      return;
    }
  }
  std::vector<std::uint32_t> pixels(mixed.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    TColor m = mixed[i];
    pixels[i] = ((m & 0xFF) << 16) | (m & 0xFF00) | ((m >> 16) & 0xFF);
  }
  TBitmap image;
  image.SetSize(w, h);
  gui::SetBitmapPixels(image.Handle(), pixels);
  gui::BitBlt(dc, run.Left, run.Top, w, h, image.Canvas()->Handle(), 0, 0, gui::SRCCOPY);
}

void TVkCustomTabControl::RecordTabOutline(int Index) {
  std::array<TPoint, 20> points{};
  int count = TabOutline(Index, points);
  int expected = 0;
  switch (tabStyle_) {
    case tsSingleSlant:
    case tsBackSlant: expected = softCorners_ ? 6 : 5; break;
    case tsDoubleSlant: expected = softCorners_ ? 6 : 4; break;
    case tsCutCorner: expected = 5; break;
    case tsRoundCorners: expected = 6; break;
    case tsSquareCorners: expected = 4; break;
  }
  if (count != expected) throw EVkTabControlError("Incorrect number of points in tab shape");
  Record(opFrameColor);
  for (int i = 0; i < count; ++i) {
    TPoint p = NormalToClient(points[static_cast<std::size_t>(i)]);
    Record(i == 0 ? opMoveTo : opLineTo, p.X, p.Y);
  }
}

// ---- Tabs ----------------------------------------------------------------------------------

void TVkCustomTabControl::DrawTab(int Index) {
  TRect r = TabClientRect(Index);
  if (!gui::RectVisible(bitmap_->Canvas()->Handle(), Grown(r))) return;
  gui::HRGN region = TabRegion(Index);
  if (!gui::IsNull(region)) DrawTabClipped(Index, r, region);
  pen_.clear();
  Record(opResetColor, 0, Index);
  RecordTabOutline(Index);
  ExecutePen();
}

void TVkCustomTabControl::DrawTabClipped(int Index, const TRect& R, gui::HRGN Region) {
  SavedDC saved(bitmap_->Canvas());
  gui::ExtSelectClipRgn(bitmap_->Canvas()->Handle(), Region, gui::RGN_AND);
  DrawTabBackground(Index, R);
  DrawTabContent(Index, R);
}

void TVkCustomTabControl::DrawTabBackground(int Index, const TRect& R) {
  TCanvas* c = bitmap_->Canvas();
  bool handled = false;
  DoPaintTabBackground(c, Index, R, handled);
  if (handled) return;
  TVkTabData* tab = tabData_.Items(Index);
  TColor base, light, dark;
  if (useColoredTabs_) {
    base = tab->Color;
    light = LightenColor(base, 20);
    dark = ColorsLookAlike(light, clWhite) ? clBtnFace : DarkenColor(base, 40);
  } else {
    base = Color();
    light = tabColors_.Unselected();
    dark = tabColors_.Shadow();
  }
  if (hotTrack_ && hotTrackStyle_ == htsTab && Index == hotTab_) {
    if (hotTrackColorSource_ == htcsTabColor) {
      dark = DarkenColor(dark, 30);
    } else if (hotTrackColorType_ == htctActual) {
      light = LightenColor(hotTrackColor_, 60);
      dark = hotTrackColor_;
    } else {
      dark = ComplementColor(hotTrackColor_, 140);
      light = LightenColor(dark, 60);
    }
  }
  TRect area = Grown(R);
  c->Brush()->SetStyle(bsSolid);
  if (Index == tabIndex_) {
    c->Brush()->SetColor(base);
    c->FillRect(area);
  } else if (useGradients_ && FullColorScreen()) {
    bool lightFirst = tabOrientation_ == toTop || tabOrientation_ == toLeft;
    TBitmap* gradient = TabGradient(area.Width(), area.Height(), lightFirst ? light : dark, lightFirst ? dark : light);
    c->Refresh();
    gui::BitBlt(c->Handle(), area.Left, area.Top, area.Width(), area.Height(), gradient->Canvas()->Handle(), 0, 0,
                gui::SRCCOPY);
  } else {
    c->Brush()->SetColor(light);
    c->FillRect(area);
  }
}

TBitmap* TVkCustomTabControl::TabGradient(int Width, int Height, TColor From, TColor To) {
  // A tab's gradient runs across the strip only, so one picture as long as
  // the longest tab serves every tab of the same thickness and colours.
  bool side = SideTabs();
  int across = side ? Width : Height, along = side ? Height : Width;
  for (GradientPicture& g : gradients_)
    if (g.side == side && g.across == across && g.from == From && g.to == To && g.along >= along) return g.picture.get();
  if (gradients_.size() >= 4) gradients_.erase(gradients_.begin());
  GradientPicture g{side, across, std::max(along, 64), From, To, std::make_unique<TBitmap>()};
  int w = side ? g.across : g.along, h = side ? g.along : g.across;
  g.picture->SetSize(w, h);
  PaintGradient(g.picture->Canvas(), TRect{0, 0, w, h}, side ? gdVerticalEnd : gdHorizontalEnd, From, To, 1);
  g.picture->Canvas()->Refresh();
  gradients_.push_back(std::move(g));
  return gradients_.back().picture.get();
}

TRect TVkCustomTabControl::ContentRect(int Index, const TRect& Tab) {
  TRect r = Tab;
  bool side = SideTabs();
  int o = TabOverlapFor(side ? Tab.Width() : Tab.Height());
  bool vertical = textOrientation_ == orVertical;
  int cut = cutCornerSize_;
  TVkTabOrientation orient = tabOrientation_;
  (void)Index;
  if (!side) {
    bool top = orient == toTop;
    switch (tabStyle_) {
      case tsSingleSlant:
        gui::InflateRect(r, -1, -1);
        r.Right -= 2 * o + 2;
        Offset(r, 3, 0);
        if (top) r.Top += 2; else r.Bottom -= 2;
        if (!top) Offset(r, 0, 1);
        break;
      case tsDoubleSlant:
        gui::InflateRect(r, 1, -1);
        gui::InflateRect(r, -o, 0);
        Offset(r, 1, 0);
        if (top) r.Top += 2; else r.Bottom -= 2;
        if (!top) Offset(r, 0, 1);
        break;
      case tsBackSlant:
        gui::InflateRect(r, -1, -1);
        r.Left += 2 * o + 2;
        Offset(r, -3, 0);
        if (top) r.Top += 2; else r.Bottom -= 2;
        if (!top) Offset(r, 0, -1);
        break;
      case tsCutCorner:
        if (!vertical) {
          gui::InflateRect(r, -cut - 3, -1);
          if (top) r.Top += 3; else r.Bottom -= 3;
        } else {
          gui::InflateRect(r, -4, -1);
          if (top) r.Top += cut + 3; else r.Bottom -= cut + 3;
        }
        if (!top) Offset(r, 0, 1);
        break;
      default: gui::InflateRect(r, vertical ? -2 : -4, vertical ? -4 : -2); break;
    }
  } else {
    bool left = orient == toLeft;
    switch (tabStyle_) {
      case tsSingleSlant:
        gui::InflateRect(r, -1, -1);
        if (left) {
          r.Top += 2 * o + 2;
          Offset(r, 0, -2);
        } else {
          r.Bottom -= 2 * o + 2;
          Offset(r, 0, 2);
        }
        Offset(r, 0, 1);
        if (left) r.Left += 2; else r.Right -= 2;
        if (!left) Offset(r, 1, 0);
        break;
      case tsDoubleSlant:
        gui::InflateRect(r, -1, 1);
        gui::InflateRect(r, 0, -o);
        r.Bottom += 2;
        Offset(r, 0, 1);
        if (left) r.Left += 2; else r.Right -= 2;
        if (!left) Offset(r, 1, 0);
        break;
      case tsBackSlant:
        gui::InflateRect(r, -1, -1);
        if (left) {
          r.Bottom -= 2 * o + 2;
          Offset(r, 0, 2);
        } else {
          r.Top += 2 * o + 2;
          Offset(r, 0, -2);
        }
        Offset(r, 0, -1);
        if (left) r.Left += 2; else r.Right -= 2;
        if (!left) Offset(r, 1, 0);
        break;
      case tsCutCorner:
        if (!vertical) {
          gui::InflateRect(r, -1, -4);
          if (left) r.Left += cut + 5; else r.Right -= cut + 5;
        } else {
          gui::InflateRect(r, -1, -cut - 3);
          if (left) r.Left += 5; else r.Right -= 5;
        }
        if (!left) Offset(r, 1, 0);
        break;
      default: gui::InflateRect(r, vertical ? -2 : -4, vertical ? -4 : -2); break;
    }
  }
  if (showFocusRect_) gui::InflateRect(r, -1, -1);
  return r;
}

void TVkCustomTabControl::DrawTabContent(int Index, const TRect& Tab) {
  TVkTabData* tab = tabData_.Items(Index);
  TRect content = ContentRect(Index, Tab);
  bool hasImage = images_ && tab->ImageIndex != -1;
  int w = hasImage ? images_->Width() : 0;
  int h = hasImage ? images_->Height() : 0;
  int m = tab->ImageIndex != -1 ? imageMargin_ : 0;
  bool standard = tabSequence_ == tsStandard;
  bool side = SideTabs();
  bool alongStrip = side ? textOrientation_ == orVertical : textOrientation_ == orHorizontal;
  bool selected = Index == tabIndex_;
  bool closeRoom = selected && showCloseButtonOnActiveTab_ && alongStrip;

  TRect text = content;
  switch (imagePosition_) {
    case ipLeft: text.Left += w + m; break;
    case ipTop: text.Top += h + m; break;
    case ipRight: text.Right -= w + m; break;
    case ipBottom: text.Bottom -= h + m; break;
    default: break;
  }
  if (closeRoom) {
    if (!side) {
      if (standard) text.Right -= 20; else text.Left += 20;
    } else if (tabOrientation_ == toLeft) {
      if (standard) text.Top += 20; else text.Bottom -= 20;
    } else {
      if (standard) text.Bottom -= 20; else text.Top += 20;
    }
  }
  TRect image = content;
  switch (imagePosition_) {
    case ipLeft: image.Right = image.Left + w; break;
    case ipTop: image.Bottom = image.Top + h; break;
    case ipRight: image.Left = image.Right - w; break;
    case ipBottom: image.Top = image.Bottom - h; break;
    default: break;
  }
  if (closeRoom) {
    if (!side) {
      if (imagePosition_ == ipRight && standard && w > 0) Offset(image, -20, 0);
      if (imagePosition_ == ipLeft && !standard && w > 0) Offset(image, 20, 0);
    } else {
      bool leftStd = tabOrientation_ == toLeft && standard;
      bool rightRev = tabOrientation_ == toRight && !standard;
      if (imagePosition_ == ipTop && (leftStd || rightRev) && h > 0) Offset(image, 0, 20);
      if (imagePosition_ == ipBottom && !(leftStd || rightRev) && h > 0) Offset(image, 0, -20);
    }
  }
  if (hasImage) {
    int x = image.Left, y = image.Top;
    if (imagePosition_ != ipStretch) {
      if (imageAlignment_ == haCenter) x += (image.Width() - w) / 2;
      if (imageAlignment_ == haRight) x += image.Width() - w;
      if (imageAlignmentVertical_ == vaCenter) y += (image.Height() - h) / 2;
      if (imageAlignmentVertical_ == vaBottom) y += image.Height() - h;
    }
    if (tab->DisabledIndex == -1)
      images_->Draw(bitmap_->Canvas(), x, y, tab->ImageIndex, tab->Enabled);
    else
      images_->Draw(bitmap_->Canvas(), x, y, tab->Enabled ? tab->ImageIndex : tab->DisabledIndex, true);
  }

  // Text colour by state: hot, selected, enabled, disabled.
  bool hot = hotTrack_ && Index == hotTab_;
  TColor color;
  bool handled = false;
  int bar = 0;  // 1 selected mode, 2 hot mode
  if (hot) {
    if (hotTrackStyle_ != htsText)
      color = textColors_.Selected();
    else
      color = hotTrackColorType_ == htctActual ? hotTrackColor_ : ComplementColor(hotTrackColor_, 140);
    DoGetTextColor(Index, tsHotTrack, color, handled);
    if (hotTrackStyle_ == htsTabBar) bar = 2;
  } else if (selected) {
    color = textColors_.Selected();
    DoGetTextColor(Index, tsSelected, color, handled);
    if (hotTrack_ && hotTrackStyle_ == htsTabBar) bar = 1;
  } else if (tab->Enabled) {
    color = textColors_.Unselected();
    DoGetTextColor(Index, tsUnselected, color, handled);
  } else {
    color = textColors_.Disabled();
    DoGetTextColor(Index, tsDisabled, color, handled);
  }
  if (!tab->Caption.empty()) DrawCaption(Index, text, color);
  if (bar) DrawHighlightBar(Index, Tab, bar == 2);

  if (selected && showCloseButtonOnActiveTab_ && activeCloseButton_) {
    TRect b{0, 0, 0, 0};
    if (alongStrip) {
      bool small = side ? content.Width() < 15 : content.Height() <= 12;
      int bw = small ? 10 : 15, bh = small ? 9 : 13;
      if (!side) {
        int y = content.Top + content.Height() / 2 - 6 + (small ? 2 : 0);
        int x = standard ? content.Right - bw : content.Left;
        b = Bounds(x, y, bw, bh);
      } else {
        int x = content.Left + content.Width() / 2 - (small ? 5 : 7);
        bool atTop = (tabOrientation_ == toLeft) == standard;
        int y = atTop ? content.Top : content.Bottom - bh;
        b = Bounds(x, y, bw, bh);
      }
    }
    if (activeCloseButton_->BoundsRect() != b) activeCloseButton_->SetBoundsRect(b);
  }

  if (showFocusRect_ && selected && HandleAllocated() && Focused()) {
    TRect f = text;
    if (!side) {
      gui::InflateRect(f, 1, 0);
      ++f.Bottom;
      // A tab just as tall as its caption: the font's ascent reaches the top
      // of the text, and the rectangle keeps a clear pixel above it (top
      // tabs have the room; below it is the card).
      if (tabOrientation_ == toTop) --f.Top;
    } else {
      gui::InflateRect(f, 0, 1);
    }
    if (tabStyle_ == tsRoundCorners || tabStyle_ == tsSquareCorners) {
      switch (tabOrientation_) {
        case toTop: ++f.Top; break;
        case toBottom: --f.Bottom; break;
        case toLeft: f.Left += 2; break;
        case toRight: f.Right -= 2; break;
      }
    }
    bitmap_->Canvas()->DrawFocusRect(f);
  }
}

void TVkCustomTabControl::DrawCaption(int Index, TRect R, TColor Color) {
  TVkTabData* tab = tabData_.Items(Index);
  bool bold = boldCurrentTab_ && Index == tabIndex_;
  bool horizontal = textOrientation_ == orHorizontal;
  bool toRightTabs = tabOrientation_ == toRight;
  boldMeasure_ = bold;
  TSize extent = MeasureText(tab->Caption, horizontal);
  boldMeasure_ = false;
  if (horizontal) {
    if (textAlignmentVertical_ == vaCenter) {
      int d = (R.Height() - extent.cy) / 2;
      R.Top += d;
      R.Bottom -= d;
    } else if (textAlignmentVertical_ == vaBottom) {
      R.Top = R.Bottom - extent.cy;
    }
  } else if (toRightTabs) {
    if (textAlignment_ == haLeft) R.Right = R.Left + extent.cx;
    if (textAlignment_ == haCenter) {
      int d = (R.Width() - extent.cx) / 2;
      R.Left += d;
      R.Right -= d;
    }
  } else {
    if (textAlignment_ == haCenter) {
      int d = (R.Width() - extent.cx) / 2;
      R.Left += d;
      R.Right -= d;
    }
    if (textAlignment_ == haRight) R.Left = R.Right - extent.cx;
  }
  gui::HDC dc = bitmap_->Canvas()->Handle();
  gui::COLORREF ref = ColorToRef(Color);
  int before = 0;  // heights (horizontal) or widths (vertical) of the lines drawn
  for (const String& line : SplitLines(tab->Caption)) {
    // The line's parts: before the accelerator, the accelerator, the rest.
    String parts[3];
    auto amp = line.find('&');
    if (amp == String::npos || amp + 1 >= line.size()) {
      parts[0] = line;
    } else if (line[amp + 1] == '&') {
      parts[0] = line.substr(0, amp + 1);
      parts[2] = line.substr(amp + 2);
    } else {
      parts[0] = line.substr(0, amp);
      parts[1] = line.substr(amp + 1, 1);
      parts[2] = line.substr(amp + 2);
    }
    gui::Size lineExt{0, 0};
    {
      PushTabFont(bold);
      gui::GetTextExtentPoint32(dc, parts[0] + parts[1] + parts[2], lineExt);
      PopTabFont();
    }
    int x, y;
    if (horizontal) {
      x = R.Left;
      if (textAlignment_ == haCenter) x += (R.Width() - lineExt.cx) / 2;
      if (textAlignment_ == haRight) x += R.Width() - lineExt.cx;
      y = R.Top + before;
      before += lineExt.cy;
    } else if (toRightTabs) {
      x = R.Right - before;
      y = R.Top;
      if (textAlignmentVertical_ == vaCenter) y += (R.Height() - lineExt.cx) / 2;
      if (textAlignmentVertical_ == vaBottom) y += R.Height() - lineExt.cx;
      before += lineExt.cy;
    } else {
      x = R.Left + before;
      y = R.Bottom;
      if (textAlignmentVertical_ == vaTop) y -= R.Height() - lineExt.cx;
      if (textAlignmentVertical_ == vaCenter) y -= (R.Height() - lineExt.cx) / 2;
      before += lineExt.cy;
    }
    for (int k = 0; k < 3; ++k) {
      if (parts[k].empty()) continue;
      PushTabFont(bold, k == 1);
      gui::SetTextColor(dc, ref);
      gui::SetBkMode(dc, gui::TRANSPARENT);
      gui::TextOut(dc, x, y, parts[k]);
      // Only a part drawn after this one needs its extent.
      bool more = false;
      for (int rest = k + 1; rest < 3; ++rest) more = more || !parts[rest].empty();
      gui::Size ext{0, 0};
      if (more) gui::GetTextExtentPoint32(dc, parts[k], ext);
      PopTabFont();
      if (horizontal)
        x += ext.cx;
      else if (toRightTabs)
        y += ext.cx;
      else
        y -= ext.cx;
    }
  }
}

void TVkCustomTabControl::DrawHighlightBar(int Index, const TRect& R, bool Hot) {
  TRect b = R;
  gui::InflateRect(b, 1, 1);
  switch (tabOrientation_) {
    case toTop: b.Bottom = b.Top + 6; break;
    case toLeft: b.Right = b.Left + 6; break;
    case toBottom: b.Top = b.Bottom - 4; break;
    case toRight: b.Left = b.Right - 4; break;
  }
  TColor color = tabColors_.HighlightBar();
  if (Hot) {
    if (hotTrackColorSource_ == htcsTabColor)
      color = DarkenColor(tabData_.Items(Index)->Color, 40);
    else
      color = hotTrackColorType_ == htctActual ? hotTrackColor_ : ComplementColor(hotTrackColor_, 140);
  }
  TCanvas* c = bitmap_->Canvas();
  TColor saved = c->Brush()->Color();
  c->Brush()->SetColor(color);
  c->FillRect(b);
  c->Brush()->SetColor(saved);
}

// ---- Cards -----------------------------------------------------------------------------------

void TVkCustomTabControl::RecordCardFrame(int Row, const TRect& Card) {
  TPoint tl{Card.Left, Card.Top}, tr{Card.Right, Card.Top}, br{Card.Right, Card.Bottom}, bl{Card.Left, Card.Bottom};
  bool shadow = tabOrientation_ == toTop && tabSequence_ == tsStandard && showShadow_;
  TPoint otr = tr, obr = br, obl = bl;
  if (shadow) {
    tr.X -= 2;
    br.X -= 2;
    br.Y -= 2;
    bl.Y -= 2;
  }
  // The corners in order round the card, from the far end of the tab edge
  // (where the strip's x is greatest) to its near end.
  std::array<TPoint, 4> ring{};
  switch (tabOrientation_) {
    case toTop: ring = {tr, br, bl, tl}; break;
    case toBottom: ring = {br, tr, tl, bl}; break;
    case toLeft: ring = {tl, tr, br, bl}; break;
    case toRight: ring = {br, bl, tl, tr}; break;
  }
  int count = tabData_.Count();
  bool opening = Row == 0 && tabIndex_ >= 0 && tabIndex_ < count && TabIsShown(tabIndex_);
  Record(opFrameColor);
  if (opening) {
    std::array<TPoint, 20> points{};
    int n = TabOutline(tabIndex_, points);
    TPoint first = points[0];
    first.X += 1;
    TPoint a = NormalToClient(first);
    TPoint b = NormalToClient(points[static_cast<std::size_t>(n - 1)]);
    if (showFullFrame_) {
      Record(opMoveTo, b.X, b.Y);
      for (TPoint p : ring) Record(opLineTo, p.X, p.Y);
      Record(opLineTo, a.X, a.Y);
    } else {
      Record(opMoveTo, ring[3].X, ring[3].Y);
      Record(opLineTo, a.X, a.Y);
      Record(opMoveTo, b.X, b.Y);
      Record(opLineTo, ring[0].X, ring[0].Y);
    }
  } else if (showFullFrame_) {
    Record(opMoveTo, tl.X, tl.Y);
    Record(opLineTo, tr.X, tr.Y);
    Record(opLineTo, br.X, br.Y);
    Record(opLineTo, bl.X, bl.Y);
    Record(opLineTo, tl.X, tl.Y);
  } else {
    Record(opMoveTo, ring[3].X, ring[3].Y);
    Record(opLineTo, ring[0].X, ring[0].Y);
  }
  if (shadow && !skipShadow_) {
    Record(opMoveTo, otr.X - 1, otr.Y + 1);
    Record(opShadow30, obr.X - 1, obr.Y - 1);
    Record(opShadow30, obl.X, obl.Y - 1);
    Record(opMoveTo, otr.X, otr.Y);
    Record(opShadow15, obr.X, obr.Y);
    Record(opShadow15, obl.X, obl.Y);
    Record(opShadow15, obl.X, obl.Y - 1);
  }
}

void TVkCustomTabControl::DrawCard(int Row) {
  TRect card = CardRect(Row);
  if (RectIsZero(card)) return;
  TRect fill = card;
  if (showCard_) {
    ++fill.Right;
    ++fill.Bottom;
  }
  TCanvas* c = bitmap_->Canvas();
  // The card of the row in front covers most of this one and is drawn next:
  // only the bands that stay visible are painted (unless the application
  // paints the cards itself).
  std::optional<SavedDC> behind;
  if (Row > 0 && showCard_ && !OnPaintCardBackground) {
    TRect front = CardRect(Row - 1);
    if (!RectIsZero(front)) {
      behind.emplace(c);
      gui::ExcludeClipRect(c->Handle(), front.Left + 1, front.Top + 1, front.Right, front.Bottom);
    }
  }
  bool handled = false;
  DoPaintCardBackground(c, Row, fill, handled);
  if (!handled) {
    bool colored = useColoredTabs_ && tabIndex_ >= 0 && tabIndex_ < tabData_.Count();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(colored ? tabData_.Items(tabIndex_)->Color : Color());
    c->FillRect(fill);
  }
  if (!showCardFrame_) return;
  pen_.clear();
  Record(opResetColor, 1, Row);
  RecordCardFrame(Row, card);
  ExecutePen();
}

// ---- The paint -------------------------------------------------------------------------------

void TVkCustomTabControl::PaintControl() {
  paintedOnce_ = true;
  UpdateLayout();
  int w = std::max(1, Width()), h = std::max(1, Height());
  if (bitmap_->Width() != w || bitmap_->Height() != h) bitmap_->SetSize(w, h);
  TCanvas* c = bitmap_->Canvas();
  TRect all{0, 0, ClientWidth(), ClientHeight()};
  TRect clip = Canvas()->ClipRect();
  if (clip.Width() <= 0 || clip.Height() <= 0) clip = all;
  TRect strip = Grown(TabStripRect());
  skipShadow_ = hotTrackOnly_ && clip.Left >= strip.Left && clip.Top >= strip.Top && clip.Right <= strip.Right &&
                clip.Bottom <= strip.Bottom;
  shadowSourceReady_ = false;
  {
    SavedDC saved(c);
    gui::IntersectClipRect(c->Handle(), clip.Left, clip.Top, clip.Right, clip.Bottom);
    // Only what the window asks for is drawn: a hot-tracked move repaints
    // the tabs it changed, not the strip.
    gui::UniqueGdi<gui::HRGN> update(gui::CreateRectRgn(0, 0, 0, 0));
    if (gui::GetClipRgn(Canvas()->Handle(), update.get()) == 1) gui::ExtSelectClipRgn(c->Handle(), update.get(), gui::RGN_AND);
    if (hotTrackOnly_ && hotRegion_) {
      TRect box{};
      gui::GetRgnBox(hotRegion_.get(), box);
      if (box.Left <= clip.Left && box.Top <= clip.Top && box.Right >= clip.Right && box.Bottom >= clip.Bottom)
        gui::ExtSelectClipRgn(c->Handle(), hotRegion_.get(), gui::RGN_AND);
    }
    bool handled = false;
    DoPaintBackground(c, all, handled);
    if (!handled) {
      if (transparent_) {
        c->Refresh();
        PaintParentBackground(this, c->Handle(), false);
      } else {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(backgroundColor_);
        c->FillRect(all);
      }
    }
    PlaceButtons();
    for (TControl* b : std::initializer_list<TControl*>{closeButton_, menuButton_, scroller_})
      if (b && b->Visible()) b->Invalidate();

    int count = tabData_.Count();
    int frontStart = -1;
    for (int i = 0; i < count; ++i)
      if (tabData_.Items(i)->Visible && tabData_.Items(i)->Row == 0) {
        frontStart = i;
        break;
      }
    int selected = tabIndex_ >= 0 && tabIndex_ < count ? tabIndex_ : -1;
    int row = rowCount_ - 1;
    if (count > 0) {
      int start = frontStart <= 0 ? count - 1 : frontStart - 1;
      int i = start;
      do {
        TVkTabData* tab = tabData_.Items(i);
        if (tab->Visible && i >= firstShownTab_ && i != selected && TabIsShown(i)) {
          if (tab->Row < row && row > 0) {
            DrawCard(row);
            row = tab->Row;
          }
          DrawTab(i);
        }
        i = i == 0 ? count - 1 : i - 1;
      } while (i != start);
    }
    if (row == 1) DrawCard(1);
    if (selected >= 0 && selected >= firstShownTab_ && TabIsShown(selected)) DrawTab(selected);
    DrawCard(0);
  }
  // The background behind the control is kept for the next paint only when
  // this one drew shadows.
  if (!shadowSourceReady_) shadowSource_.reset();
  shadowSourceReady_ = false;
  gui::HDC target = Canvas()->Handle();
  gui::BitBlt(target, clip.Left, clip.Top, clip.Width(), clip.Height(), c->Handle(), clip.Left, clip.Top, gui::SRCCOPY);
  // The drop marker lies over the picture until it is erased.
  if (dropMarkerShown_) XorDropMarker(target, dropMarkerRect_);
  hotTrackOnly_ = false;
  hotRegion_.reset();
}
