// The balloon hint window: placement by corner with flips at the work
// area's edges, the balloon's shape, painting, and the mouse at the tip.
#include <algorithm>

#include "class_library/loop/Application.h"
#include "class_library/visual/Forms.h"
#include "controls/VkBalloonHints.h"
#include "controls/VkDraw.h"
#include "controls/VkSystem.h"

namespace {

constexpr int kTailBand = 20;
constexpr int kMinWidth = 55;

// The application's OnShowHint while a window serves it; the window takes
// it away again when it goes (recognised by this type and the window).
struct HintHook {
  TVkCustomHintWindow* window;
  void operator()(String& HintStr, bool& CanShow, THintInfo& HintInfo) const {
    window->ShowHintHook(HintStr, CanShow, HintInfo);
  }
};

bool LowerCorner(TVkHintCorner c) { return c == hcLowerRight || c == hcLowerLeft; }
bool UpperCorner(TVkHintCorner c) { return c == hcUpperRight || c == hcUpperLeft; }

}  // namespace

TVkCustomHintWindow::TVkCustomHintWindow(TComponent* AOwner) : THintWindow(AOwner) {
  font_.SetName("Tahoma");
  font_.SetSize(8);
  font_.SetColor(clInfoText);
  Canvas()->SetFont(&font_);
  Canvas()->Brush()->SetStyle(bsClear);
  font_.OnChange = [this](TObject*) { Canvas()->SetFont(&font_); };
  if (AOwner != Application() || !ApplicationAlive()) return;
  Application()->OnShowHint = HintHook{this};
  hooked_ = true;
  if (ComponentState().Contains(csDesigning)) return;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* form = Screen()->Forms(i);
    for (int j = 0; j < form->ComponentCount(); ++j)
      if (auto* hints = dynamic_cast<TVkBalloonHints*>(form->Components(j))) TVkBalloonHints::LinkHintWindow(hints, this);
  }
}

TVkCustomHintWindow::~TVkCustomHintWindow() {
  if (component_ && component_->window_ == this) component_->window_ = nullptr;
  component_ = nullptr;
  bitmaps_ = nullptr;
  SetHintControl(nullptr);
  if (hooked_ && ApplicationAlive()) {
    const HintHook* hook = Application()->OnShowHint.target<HintHook>();
    if (hook && hook->window == this) Application()->OnShowHint = nullptr;
  }
}

void TVkCustomHintWindow::SetFont(TFont* Value) {
  font_.Assign(Value);
  Canvas()->SetFont(&font_);
}

void TVkCustomHintWindow::SetHintControl(TControl* Control) {
  if (hintControl_ == Control) return;
  if (hintControl_) hintControl_->RemoveFreeNotification(this);
  hintControl_ = Control;
  if (hintControl_) hintControl_->FreeNotification(this);
}

void TVkCustomHintWindow::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  THintWindow::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == hintControl_) {
    hintControl_ = nullptr;
    active_ = false;
  }
}

void TVkCustomHintWindow::ShowHintHook(String& HintStr, bool& CanShow, THintInfo& HintInfo) {
  if (component_) HintInfo.HintColor = component_->color_;
  CanShow = true;
  HintInfo.HintMaxWidth = captionWidth_;
  if (component_ && component_->OnShowHint) component_->OnShowHint(HintStr, CanShow, HintInfo);
  SetHintControl(HintInfo.HintControl);
  cursorPos_ = HintInfo.CursorPos;
  SetColor(HintInfo.HintColor);
}

void TVkCustomHintWindow::CMTextChanged(TMessage& Message) {
  THintWindow::CMTextChanged(Message);
  TRect r = Rect(0, 0, captionWidth_, 0);
  String caption = Caption();
  CanvasDrawText(Canvas(), caption, r, gui::DT_CALCRECT | gui::DT_WORDBREAK | gui::DT_NOPREFIX |
                                           DrawTextBiDiModeFlagsReadingOnly());
  if (OnSetHintRect) OnSetHintRect(this, Canvas(), r, caption, currentCorner_);
  int w = std::max(r.Width(), kMinWidth), h = r.Height();
  if (OnSetHintWinSize) OnSetHintWinSize(this, Canvas(), w, h, caption, currentCorner_);
  w = std::max(w, kMinWidth);
  ApplyBounds(Left(), Top(), w, h);
}

void TVkCustomHintWindow::ActivateHint(TRect Rect, const String& AHint) {
  TRect r = Rect;
  currentCorner_ = corner_;
  SetCaption(AHint);
  if (OnSetHintRect) OnSetHintRect(this, Canvas(), r, Caption(), currentCorner_);
  bool tail = showBalloon_ && currentCorner_ != hcNone;
  gui::InflateRect(r, tail ? 4 : 2, tail ? 4 : 2);
  if (showBalloon_) {
    if (LowerCorner(currentCorner_)) r.Top -= kTailBand;
    if (UpperCorner(currentCorner_)) r.Bottom += kTailBand;
  }
  // The tip: the centre of a small control, else the mouse position.
  TPoint tip = Point(Left(), Top());
  if (hintControl_) {
    if (showBalloon_ && hintControl_->Width() <= centerThreshold_ && hintControl_->Height() <= centerThreshold_)
      tip = hintControl_->ClientToScreen(Point(hintControl_->Width() / 2, hintControl_->Height() / 2));
    else
      tip = hintControl_->ClientToScreen(cursorPos_);
  }
  if (tail) gui::OffsetRect(r, tip.X - r.Left, tip.Y - r.Top);
  int w = std::max(r.Width(), kMinWidth), h = r.Height();
  if (OnSetHintWinSize) OnSetHintWinSize(this, Canvas(), w, h, Caption(), currentCorner_);
  w = std::max(w, kMinWidth);
  if (!showBalloon_) currentCorner_ = hcLowerRight;
  TPoint p;
  switch (currentCorner_) {
    case hcLowerLeft: p = Point(r.Left - w + 10, r.Top); break;
    case hcUpperLeft: p = Point(r.Left - w + 10, r.Top - h); break;
    case hcUpperRight: p = Point(r.Left - 10, r.Top - h); break;
    default: p = Point(r.Left - 10, r.Top); break;
  }
  // The work area of the monitor that holds the position.
  TRect work = Screen()->WorkAreaRect();
  for (int i = 0; i < Screen()->MonitorCount(); ++i)
    if (gui::PtInRect(Screen()->Monitors(i)->BoundsRect(), p)) {
      work = Screen()->Monitors(i)->WorkareaRect();
      break;
    }
  if (p.Y < work.Top) {
    if (currentCorner_ == hcUpperRight) currentCorner_ = hcLowerRight;
    if (currentCorner_ == hcUpperLeft) currentCorner_ = hcLowerLeft;
    p.Y = r.Top;
  }
  if (p.Y + h > work.Bottom) {
    if (currentCorner_ == hcLowerRight) currentCorner_ = hcUpperRight;
    if (currentCorner_ == hcLowerLeft) currentCorner_ = hcUpperLeft;
    p.Y = r.Top - h;
  }
  if (p.X + w > work.Right) {
    if (currentCorner_ == hcLowerRight) currentCorner_ = hcLowerLeft;
    if (currentCorner_ == hcUpperRight) currentCorner_ = hcUpperLeft;
    p.X = r.Left - w - 1;
  }
  if (p.X < work.Left) {
    if (currentCorner_ == hcLowerLeft) currentCorner_ = hcLowerRight;
    if (currentCorner_ == hcUpperLeft) currentCorner_ = hcUpperRight;
    p.X = r.Left + 1;
  }
  ApplyBounds(p.X, p.Y, w, h);
  gui::HWND window = Handle();
  gui::SetWindowPos(window, gui::HWND_TOPMOST, p.X, p.Y, w, h, gui::SWP_SHOWWINDOW | gui::SWP_NOACTIVATE);
  TControl::SetVisible(true);
  if (showBalloon_)
    gui::SetWindowRgn(window, BalloonRegion().release(), true);
  else
    gui::SetWindowRgn(window, gui::HRGN{}, true);
  Invalidate();
  active_ = true;
}

TRect TVkCustomHintWindow::ClientArea() const { return Rect(0, 0, const_cast<TVkCustomHintWindow*>(this)->ClientWidth(),
                                                            const_cast<TVkCustomHintWindow*>(this)->ClientHeight()); }

TRect TVkCustomHintWindow::Body() const {
  TRect b = ClientArea();
  if (showBalloon_) {
    if (LowerCorner(currentCorner_)) b.Top += kTailBand;
    if (UpperCorner(currentCorner_)) b.Bottom -= kTailBand;
  }
  return b;
}

void TVkCustomHintWindow::Tail(TPoint (&P)[3]) const {
  TRect b = Body(), c = ClientArea();
  switch (currentCorner_) {
    case hcLowerRight:
      P[0] = Point(b.Left + 10, b.Top + 1), P[1] = Point(b.Left + 10, c.Top + 1), P[2] = Point(b.Left + 30, b.Top + 1);
      break;
    case hcLowerLeft:
      P[0] = Point(b.Right - 10, b.Top + 1), P[1] = Point(b.Right - 10, c.Top + 1),
      P[2] = Point(b.Right - 30, b.Top + 1);
      break;
    case hcUpperLeft:
      P[0] = Point(b.Right - 10, b.Bottom - 2), P[1] = Point(b.Right - 10, c.Bottom - 2),
      P[2] = Point(b.Right - 30, b.Bottom - 2);
      break;
    default:
      P[0] = Point(b.Left + 10, b.Bottom - 2), P[1] = Point(b.Left + 10, c.Bottom - 2),
      P[2] = Point(b.Left + 30, b.Bottom - 2);
      break;
  }
}

gui::UniqueGdi<gui::HRGN> TVkCustomHintWindow::BalloonRegion() {
  TRect b = Body();
  // A body with cut corners.
  gui::UniqueGdi<gui::HRGN> region(gui::CreateRectRgn(b.Left, b.Top + 4, b.Right, b.Bottom - 4));
  const TRect parts[] = {Rect(b.Left + 4, b.Top, b.Right - 4, b.Bottom), Rect(b.Left + 2, b.Top + 1, b.Right - 2, b.Bottom - 1),
                         Rect(b.Left + 1, b.Top + 2, b.Right - 1, b.Bottom - 2)};
  for (const TRect& part : parts) {
    gui::UniqueGdi<gui::HRGN> piece(gui::CreateRectRgnIndirect(part));
    gui::CombineRgn(region.get(), region.get(), piece.get(), gui::RGN_OR);
  }
  if (currentCorner_ != hcNone) {
    TPoint t[3];
    Tail(t);
    // One pixel wider, so that the tail's outline lies inside the shape.
    switch (currentCorner_) {
      case hcLowerRight: t[1].Y -= 1, t[2].X += 1; break;
      case hcLowerLeft: t[0].X += 1, t[1].X += 1, t[1].Y -= 1; break;
      case hcUpperLeft: t[0].X += 1, t[1].X += 1, t[1].Y += 1; break;
      default: t[1].Y += 1, t[2].X += 1; break;
    }
    gui::UniqueGdi<gui::HRGN> tail(gui::CreatePolygonRgn(t, 3, gui::WINDING));
    gui::CombineRgn(region.get(), region.get(), tail.get(), gui::RGN_OR);
  }
  return region;
}

void TVkCustomHintWindow::WMNCCalcSize(TMessage& Message) {
  THintWindow::WMNCCalcSize(Message);
  // The balloon has no border: its client area is the whole window.
  if (showBalloon_ && Message.LParam) {
    auto* params = reinterpret_cast<gui::NcCalcSizeParams*>(Message.LParam);
    gui::InflateRect(params->rgrc[0], 1, 1);
  }
}

void TVkCustomHintWindow::WMNCPaint(TMessage& Message) {
  if (showBalloon_) return;
  (void)Message;
  gui::HWND window = Handle();
  gui::HDC dc = gui::GetWindowDC(window);
  if (gui::IsNull(dc)) return;
  {
    TCanvas frame;
    frame.SetHandle(dc);
    PaintSides(&frame, Rect(0, 0, Width(), Height()), frameColor_, frameColor_, kAllSides);
    frame.SetHandle(gui::HDC{});
  }
  gui::ReleaseDC(window, dc);
}

void TVkCustomHintWindow::PaintControl() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Pen()->SetColor(clBlack);
  c->SetFont(&font_);
  c->Pen()->SetWidth(1);
  DrawBalloon(ClientArea());
}

void TVkCustomHintWindow::DrawBalloon(TRect) {
  TCanvas* c = Canvas();
  TRect r = Body();
  if (OnSetHintRect) OnSetHintRect(this, c, r, Caption(), currentCorner_);
  if (bitmaps_ && bitmaps_->AnyNotEmpty()) {
    DrawCornerBitmap();
    DrawCaption(r);
    return;
  }
  if (showBalloon_) {
    PaintOutline(c, r, frameColor_);
    int l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
    const TPoint cut[] = {Point(l + 1, t + 3),  Point(l + 1, t + 2),  Point(l + 2, t + 1),  Point(l + 3, t + 1),
                          Point(rt - 4, t + 1), Point(rt - 3, t + 1), Point(rt - 2, t + 2), Point(rt - 2, t + 3),
                          Point(rt - 2, b - 4), Point(rt - 2, b - 3), Point(rt - 3, b - 2), Point(rt - 4, b - 2),
                          Point(l + 3, b - 2),  Point(l + 2, b - 2),  Point(l + 1, b - 3),  Point(l + 1, b - 4)};
    for (TPoint p : cut) c->SetPixel(p.X, p.Y, frameColor_);
    if (currentCorner_ != hcNone) {
      TPoint tail[3];
      Tail(tail);
      c->Pen()->SetColor(frameColor_);
      c->Brush()->SetStyle(bsSolid);
      c->Polygon(tail);
      // The tail opens into the body: its base line is cleared.
      TRect body = Body();
      TRect strip;
      switch (currentCorner_) {
        case hcUpperRight: strip = Rect(body.Left + 10, body.Bottom - 3, body.Left + 31, body.Bottom - 1); break;
        case hcUpperLeft: strip = Rect(body.Right - 30, body.Bottom - 3, body.Right - 9, body.Bottom - 1); break;
        case hcLowerRight: strip = Rect(body.Left + 10, body.Top + 1, body.Left + 31, body.Top + 3); break;
        default: strip = Rect(body.Right - 30, body.Top + 1, body.Right - 9, body.Top + 3); break;
      }
      c->FillRect(strip);
    }
  }
  DrawCaption(r);
}

void TVkCustomHintWindow::DrawCornerBitmap() {
  TBitmap* bitmap = bitmaps_->ForCorner(currentCorner_);
  if (!bitmap) return;  // no corner, no picture
  bool mirrorX = false, mirrorY = false;
  if (bitmap->Empty()) {
    // The first picture there is, mirrored into this corner.
    const TVkHintCorner order[] = {hcUpperRight, hcUpperLeft, hcLowerRight, hcLowerLeft};
    auto leftHalf = [](TVkHintCorner k) { return k == hcLowerLeft || k == hcUpperLeft; };
    for (TVkHintCorner k : order) {
      TBitmap* other = bitmaps_->ForCorner(k);
      if (other->Empty()) continue;
      bitmap = other;
      mirrorX = leftHalf(k) != leftHalf(currentCorner_);
      mirrorY = UpperCorner(k) != UpperCorner(currentCorner_);
      break;
    }
  }
  int w = bitmap->Width(), h = bitmap->Height();
  TRect source = Rect(mirrorX ? w - 1 : 0, mirrorY ? h - 1 : 0, mirrorX ? -1 : w, mirrorY ? -1 : h);
  TCanvas* c = Canvas();
  c->SetCopyMode(gui::SRCCOPY);
  c->RequireAll();
  gui::SetBkMode(c->Handle(), gui::OPAQUE);
  gui::SetBkColor(c->Handle(), 0xFFFFFF);
  StretchMaskedBitmap(c, bitmap, ClientArea(), bitmaps_->TransparentColor(), source);
}

void TVkCustomHintWindow::DrawCaption(TRect R) {
  TCanvas* c = Canvas();
  bool tail = showBalloon_ && currentCorner_ != hcNone;
  int dy = tail ? 4 : 2;
  int dx;
  switch (alignment_) {
    case taRightJustify: dx = tail ? -8 : -2; break;
    case taCenter: dx = tail ? (captionWidth_ < R.Width() ? 8 : 0) : 0; break;
    default: dx = tail ? 8 : 2; break;
  }
  gui::OffsetRect(R, dx, dy);
  c->RequireAll();
  int oldMode = gui::SetBkMode(c->Handle(), gui::TRANSPARENT);
  if (captionWidth_ < R.Width()) {
    if (alignment_ == taRightJustify)
      R.Left = R.Right - captionWidth_;
    else
      R.Right = R.Left + captionWidth_;
  }
  UINT align = alignment_ == taRightJustify ? gui::DT_RIGHT : alignment_ == taCenter ? gui::DT_CENTER : gui::DT_LEFT;
  CanvasDrawText(c, Caption(), R, align | gui::DT_WORDBREAK | gui::DT_NOPREFIX | DrawTextBiDiModeFlagsReadingOnly());
  gui::SetBkMode(c->Handle(), oldMode);
}

void TVkCustomHintWindow::ForwardMouse(const TMessage& Message) {
  // Without a hint control there is no one to tell.
  if (!hintControl_) return;
  TPoint screen = ClientToScreen(gui::PointFromLParam(Message.LParam));
  hintControl_->Perform(Message.Msg, Message.WParam, gui::PointToLParam(hintControl_->ScreenToClient(screen)));
}

void TVkCustomHintWindow::WindowProcedure(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_SETFOCUS:
      // Never keeps the focus: back to the window that had it.
      gui::SetFocus(gui::FromParam<gui::HWND>(Message.WParam));
      return;
    case gui::WM_MOUSEMOVE:
      if (active_ && hintControl_) {
        // The mouse may wander two pixels from where the hint was asked for.
        TPoint origin = ScreenToClient(hintControl_->ClientToScreen(Point(cursorPos_.X - 2, cursorPos_.Y - 2)));
        TRect square = Rect(origin.X, origin.Y, origin.X + 4, origin.Y + 4);
        if (!gui::PtInRect(square, gui::PointFromLParam(Message.LParam))) {
          active_ = false;
          Application()->CancelHint();
        }
      }
      ForwardMouse(Message);
      return;
    default:
      if (Message.Msg >= gui::WM_LBUTTONDOWN && Message.Msg <= gui::WM_MBUTTONDBLCLK) {
        ForwardMouse(Message);
        return;
      }
      THintWindow::WindowProcedure(Message);
  }
}
