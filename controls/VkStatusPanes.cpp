// Status panes, the polling list and the clock pane.
#include "controls/VkStatusPanes.h"

#include <algorithm>

#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Themes.h"
#include "controls/VkDraw.h"
#include "controls/VkFrameParts.h"
#include "controls/VkBlink.h"
#include "controls/VkPanel.h"

namespace {

// The shared list: made by the first polling pane, freed with the last one.
// A plain pointer, so that panes freed at program exit (after the
// program's static objects are gone) still find it.
TVkPollingList*& PollingList() {
  static TVkPollingList* list = nullptr;
  return list;
}

int FrameAllowance(TFrameStyle Style) {
  switch (Style) {
    case fsNone: return 0;
    case fsFlat:
    case fsStatus:
    case fsPopup: return 1;
    default: return 2;
  }
}

}  // namespace

// ---- TVkCustomStatusPane -------------------------------------------------------------------

TVkCustomStatusPane::TVkCustomStatusPane(TComponent* AOwner)
    : TGraphicControl(AOwner), TVkFlatColorProps(TVkBorderLook{}), TVkFrameControlled(this) {
  controlStyle_ &= ~unsigned(csOpaque);
  fontColor_ = Font()->Color();
  currentColor_ = Font()->Color();
  fillColor_ = Color();
  PlaceBounds(0, 0, 100, 20);
  SetParentColor(true);
  RegisterBlinkingControl(this);
}

TVkCustomStatusPane::~TVkCustomStatusPane() {
  UnregisterBlinkingControl(this);
}

void TVkCustomStatusPane::SetAlignment(TAlignment Value) {
  if (!StoreChange(alignment_, Value)) return;
  Invalidate();
}

void TVkCustomStatusPane::SetAutoSize(bool Value) {
  if (!StoreChange(autoSize_, Value)) return;
  AdjustWidth();
}

void TVkCustomStatusPane::SetDefaultWidth(int Value) {
  if (!StoreChange(defaultWidth_, Value)) return;
  AdjustWidth();
}

void TVkCustomStatusPane::SetBlinkColor(TColor Value) {
  if (!StoreChange(blinkColor_, Value)) return;
  Invalidate();
}

void TVkCustomStatusPane::SetBlinking(bool Value) {
  if (!StoreChange(blinking_, Value)) return;
  if (!Value) {
    currentColor_ = fontColor_;
    Repaint();
  }
}

Word TVkCustomStatusPane::BlinkIntervalOff() const { return BlinkingControls() ? BlinkingControls()->IntervalOff() : 500; }
void TVkCustomStatusPane::SetBlinkIntervalOff(Word Value) {
  if (TVkBlinkingControlsList* s = BlinkingControls()) s->SetIntervalOff(Value);
}
Word TVkCustomStatusPane::BlinkIntervalOn() const { return BlinkingControls() ? BlinkingControls()->IntervalOn() : 500; }
void TVkCustomStatusPane::SetBlinkIntervalOn(Word Value) {
  if (TVkBlinkingControlsList* s = BlinkingControls()) s->SetIntervalOn(Value);
}

void TVkCustomStatusPane::SetBorderWidth(int Value) {
  if (borderWidth_ == Value || Value < 0) return;
  borderWidth_ = Value;
  Invalidate();
}

void TVkCustomStatusPane::SetCaptionOffset(int Value) {
  if (!StoreChange(captionOffset_, Value)) return;
  Invalidate();
  AdjustWidth();
}

void TVkCustomStatusPane::SetFillColor(TColor Value) {
  if (fillColor_ == Value && !parentFillColor_) return;
  fillColor_ = Value;
  parentFillColor_ = false;
  Invalidate();
}

void TVkCustomStatusPane::SetParentFillColor(bool Value) {
  if (!StoreChange(parentFillColor_, Value)) return;
  if (Parent() && !ComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED);
}

void TVkCustomStatusPane::BorderChanged(TVkBorderChange) { Invalidate(); }

void TVkCustomStatusPane::SetFrameStyle(TFrameStyle Value) {
  if (!StoreChange(frameStyle_, Value)) return;
  Invalidate();
}

void TVkCustomStatusPane::SetTransparent(bool Value) {
  if (!StoreChange(transparent_, Value)) return;
  if (Value)
    controlStyle_ &= ~unsigned(csOpaque);
  else
    controlStyle_ |= csOpaque;
  Invalidate();
}


void TVkCustomStatusPane::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::ComponentNotification(AComponent, Operation);
  frameLink_.Notification(AComponent, Operation);
}

TVkStatusBar* TVkCustomStatusPane::StatusBar() const { return dynamic_cast<TVkStatusBar*>(Parent()); }

bool TVkCustomStatusPane::ThemedStatusBar() const {
  TVkStatusBar* bar = StatusBar();
  return bar && bar->VisualStyle() == vsWinXP && ThemeServices()->ThemesEnabled();
}

TRect TVkCustomStatusPane::GetContentRect() {
  TRect r = ClientRect();
  int n = borderWidth_ + FrameAllowance(frameStyle_);
  gui::InflateRect(r, -n, -n);
  return r;
}

bool TVkCustomStatusPane::IsAtSizeGrip(const TRect& R) {
  TVkStatusBar* bar = StatusBar();
  if (!bar || !bar->ShowSizeGrip()) return false;
  TRect barClient = bar->ClientRect();
  return ClientToScreen(TPoint{R.Right, R.Bottom}).X >= bar->ClientToScreen(TPoint{barClient.Right, barClient.Bottom}).X;
}

int TVkCustomStatusPane::CalcAutoWidth() {
  String caption = Caption();
  if (caption.empty()) return defaultWidth_;
  TRect r = ClientRect();
  Canvas()->SetFont(Font());
  CanvasDrawText(Canvas(), caption, r, gui::DT_CALCRECT | gui::DT_EXPANDTABS | gui::DT_NOPREFIX);
  return r.Right + 2 * borderWidth_ + captionOffset_ + 6;
}

void TVkCustomStatusPane::AdjustWidth() {
  if (ComponentState().Contains(csReading) || ComponentState().Contains(csLoading) || !autoSize_) return;
  // Measured on the screen's context, which is given back at once.
  TCanvas* canvas = Canvas();
  gui::HDC screen = gui::GetDC(gui::HWND{});
  canvas->SetHandle(screen);
  int width;
  try {
    width = CalcAutoWidth();
  } catch (...) {
    canvas->SetHandle(gui::HDC{});
    gui::ReleaseDC(gui::HWND{}, screen);
    throw;
  }
  canvas->SetHandle(gui::HDC{});
  gui::ReleaseDC(gui::HWND{}, screen);
  SetWidth(width);
}

void TVkCustomStatusPane::PaintControl() {
  DrawFrame();
  DrawCaption(Caption());
}

void TVkCustomStatusPane::DrawFrame() {
  TCanvas* canvas = Canvas();
  if (ThemedStatusBar()) {
    ThemeServices()->DrawElement(canvas->Handle(), ThemeServices()->GetElementDetails("STATUS", 1, 0), ClientRect());
    return;
  }
  TRect r{0, 0, Width(), Height()};
  if (!transparent_) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
  }
  canvas->Pen()->SetWidth(1);
  gui::InflateRect(r, -borderWidth_, -borderWidth_);
  TVkStatusBar* bar = StatusBar();
  if (bar && bar->VisualStyle() == vsGradient) {
    if (Left() > bar->TWinControl::BorderWidth()) {
      TColor first, second, third;
      GradientStatusColors(bar->GradientColorStyle(), first, second, third);
      canvas->Pen()->SetColor(third);
      canvas->MoveTo(r.Left, r.Top + 1);
      canvas->LineTo(r.Left, r.Bottom - 1);
    }
    return;
  }
  if (frameStyle_ == fsFlat) {
    PaintOpenCornerFrame(canvas, r, AdjustColorLightness(look_.FlatColor, look_.FlatColorAdjustment));
    return;
  }
  PaintFrameStyle(canvas, r, frameStyle_, kAllSides);
}

void TVkCustomStatusPane::DrawCaption(const String& Text) {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->Font()->SetColor(currentColor_);
  TRect r = GetContentRect();
  TAlignment alignment = alignment_;
  UINT align = alignment == taLeftJustify ? gui::TA_LEFT : alignment == taRightJustify ? gui::TA_RIGHT : gui::TA_CENTER;
  gui::SetTextAlign(canvas->Handle(), align | gui::TA_TOP);
  int x = alignment == taLeftJustify    ? r.Left + captionOffset_ + 1
          : alignment == taRightJustify ? r.Right - captionOffset_ - 1
                                        : r.Left + (r.Right - r.Left) / 2;
  int y = r.Top + (r.Bottom - r.Top - canvas->TextHeight("Pp")) / 2;
  if (ThemedStatusBar()) {
    TVkStatusBar* bar = StatusBar();
    TBitmap back;
    back.SetSize(bar->Width(), bar->Height());
    ThemeServices()->DrawElement(back.Canvas()->Handle(), ThemeServices()->GetElementDetails("STATUS", 0, 0),
                                 TRect{0, 0, bar->Width(), bar->Height()});
    canvas->CopyRect(r, back.Canvas(), TRect{Left() + r.Left, Top() + r.Top, Left() + r.Right, Top() + r.Bottom});
    canvas->Brush()->SetStyle(bsClear);
  } else if (transparent_) {
    canvas->Brush()->SetStyle(bsClear);
  } else {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(fillColor_);
  }
  if (!Enabled()) canvas->Font()->SetColor(clGrayText);
  canvas->TextRect(r, x, y, Text);
  gui::SetTextAlign(canvas->Handle(), gui::TA_LEFT | gui::TA_TOP);
  canvas->Brush()->SetStyle(bsSolid);
}

void TVkCustomStatusPane::BlinkStateChanged(bool On) {
  currentColor_ = On ? blinkColor_ : fontColor_;
  Refresh();
}

void TVkCustomStatusPane::FrameControllerChanged() {
  TVkFrameController* fc = frameLink_.Pushing();
  if (!fc) return;
  auto has = [&](TVkFrameControllerProperty p) { return frameLink_.Accepts(p); };
  if (has(fcpFrameStyle)) SetFrameStyle(fc->FrameStyle());
  if (has(fcpFrameColor)) {
    look_.FlatColor = fc->FrameColor();
    look_.FlatColorAdjustment = 0;
  }
  if (has(fcpColor)) SetFillColor(fc->Color());
  if (has(fcpParentColor)) SetParentColor(fc->ParentColor());
  Invalidate();
}

void TVkCustomStatusPane::FinishLoading() {
  TGraphicControl::FinishLoading();
  if (!ParentColor()) transparent_ = false;
  fontColor_ = Font()->Color();
  currentColor_ = Font()->Color();
  AdjustWidth();
}

bool TVkCustomStatusPane::ExecuteHintAction(const String& Hint) {
  if (!autoHint_) return false;
  SetCaption(Hint);
  return true;
}

void TVkCustomStatusPane::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_BLINKQUERY:
      TGraphicControl::Dispatch(Message);
      Message.Result = blinking_ ? 1 : 0;
      return;
    case CM_BLINK:
      TGraphicControl::Dispatch(Message);
      if (blinking_) BlinkStateChanged(Message.WParam != 0);
      return;
    case CM_TEXTCHANGED:
      TGraphicControl::Dispatch(Message);
      Invalidate();
      AdjustWidth();
      return;
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(Message);
      if (ComponentState().Contains(csLoading)) return;
      fontColor_ = Font()->Color();
      if (!blinking_) currentColor_ = Font()->Color();
      AdjustWidth();
      return;
    case CM_COLORCHANGED:
    case CM_PARENTCOLORCHANGED:
      TGraphicControl::Dispatch(Message);
      if (parentFillColor_) fillColor_ = Color();
      Invalidate();
      return;
    case CM_HITTEST: {
      TGraphicControl::Dispatch(Message);
      TRect client = ClientRect();
      TVkStatusBar* bar = StatusBar();
      if (bar && IsAtSizeGrip(client)) {
        TRect barClient = bar->ClientRect();
        int x = ScreenToClient(bar->ClientToScreen(TPoint{barClient.Right, 0})).X;
        TRect strip{x - 12, client.Top, x, client.Bottom};
        TPoint p{gui::GET_X_LPARAM(Message.LParam), gui::GET_Y_LPARAM(Message.LParam)};
        if (gui::PtInRect(strip, p) && bar->HandleAllocated()) {
          TPoint screen = ClientToScreen(p);
          Message.Result = bar->Perform(gui::WM_NCHITTEST, Message.WParam, gui::MAKELPARAM(screen.X, screen.Y));
        }
      }
      return;
    }
    case CM_MOUSEENTER:
      if (ComponentState().Contains(csDesigning)) return;
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}

// ---- TVkPollingList ----------------------------------------------------------------------

TVkPollingList::TVkPollingList() : timer_(std::make_unique<TTimer>(nullptr)) {
  timer_->SetEnabled(true);
  timer_->SetOnTimer([this](TObject*) { TimerExpired(); });
  timer_->SetInterval(500);
}

TVkPollingList::~TVkPollingList() = default;

TVkPollingList* TVkPollingList::Instance() { return PollingList(); }

int TVkPollingList::GetCount() const {
  return static_cast<int>(std::count_if(panes_.begin(), panes_.end(), [](auto* p) { return p != nullptr; }));
}

void TVkPollingList::SetActive(bool Value) {
  if (timer_->Enabled() != Value) timer_->SetEnabled(Value);
}

void TVkPollingList::SetInterval(Cardinal Value) {
  if (timer_->Interval() != Value) timer_->SetInterval(Value);
}

void TVkPollingList::Add(TVkPollingStatus* Pane) { panes_.push_back(Pane); }

void TVkPollingList::Remove(TVkPollingStatus* Pane) {
  auto it = std::find(panes_.begin(), panes_.end(), Pane);
  if (it == panes_.end()) return;
  if (ticking_ > 0) {
    // The tick in progress walks the list by index: leave a hole it skips.
    *it = nullptr;
    holes_ = true;
  } else {
    panes_.erase(it);
  }
}

void TVkPollingList::TimerExpired() {
  ++ticking_;
  std::size_t count = panes_.size();
  try {
    for (std::size_t i = 0; i < count && i < panes_.size(); ++i) {
      TVkPollingStatus* pane = panes_[i];
      if (pane && pane->Visible()) pane->DoTimerExpired();
    }
  } catch (...) {
    --ticking_;
    throw;
  }
  --ticking_;
  if (ticking_ == 0 && holes_) {
    std::erase(panes_, nullptr);
    holes_ = false;
  }
}

// ---- TVkPollingStatus ----------------------------------------------------------------------

TVkPollingStatus::TVkPollingStatus(TComponent* AOwner) : TVkCustomStatusPane(AOwner) {
  TVkPollingList*& list = PollingList();
  if (!list) list = new TVkPollingList();
  list->Add(this);
}

TVkPollingStatus::~TVkPollingStatus() {
  TVkPollingList*& list = PollingList();
  if (!list) return;
  list->Remove(this);
  // The list goes with its last pane, unless a tick is still walking it:
  // then the tick's end finds it empty and the next pane starts a new one.
  if (list->GetCount() == 0 && list->ticking_ == 0) {
    delete list;
    list = nullptr;
  }
}

bool TVkPollingStatus::Active() const { return PollingList() ? PollingList()->GetActive() : false; }
void TVkPollingStatus::SetActive(bool Value) {
  if (PollingList()) PollingList()->SetActive(Value);
}
Word TVkPollingStatus::Interval() const { return PollingList() ? static_cast<Word>(PollingList()->GetInterval()) : 0; }
void TVkPollingStatus::SetInterval(Word Value) {
  if (PollingList()) PollingList()->SetInterval(Value);
}

void TVkPollingStatus::DoTimerExpired() {
  if (OnTimerExpired) OnTimerExpired(this);
}

// ---- TVkClockStatus ----------------------------------------------------------------------

TVkClockStatus::TVkClockStatus(TComponent* AOwner) : TVkPollingStatus(AOwner) { SetWidth(150); }

void TVkClockStatus::SetFormat(const String& Value) {
  if (!StoreChange(format_, Value)) return;
  Tick();
  Invalidate();
}

void TVkClockStatus::Tick() {
  TDateTime dt = Now();
  if (OnGetDateTime) OnGetDateTime(this, dt);
  String text = FormatDateTime(format_.empty() ? String("c") : format_, dt);
  if (text == shown_) return;
  shown_ = text;
  SetTextValue(text);
  AdjustWidth();
  Invalidate();
}

TRect TVkClockStatus::GetContentRect() {
  TRect r = TVkCustomStatusPane::GetContentRect();
  if (IsAtSizeGrip(ClientRect())) r.Right -= 12;
  return r;
}

void TVkClockStatus::DoTimerExpired() {
  Tick();
  TVkPollingStatus::DoTimerExpired();
}

void TVkClockStatus::FinishLoading() {
  TVkPollingStatus::FinishLoading();
  Tick();
  SetTextValue(shown_);
  AdjustWidth();
}

void TVkClockStatus::PaintControl() {
  SetTextValue(shown_);
  TVkPollingStatus::PaintControl();
}

// ---- Registration ------------------------------------------------------------------------

void RegisterVkStatusPaneClasses() {
  static const bool registered = [] {
    RegisterClass<TVkCustomStatusPane>("TVkCustomStatusPane", "TGraphicControl")
        .Integer("BorderWidth", &TVkCustomStatusPane::BorderWidth, &TVkCustomStatusPane::SetBorderWidth, 1)
        .Integer("FillColor", &TVkCustomStatusPane::FillColor, &TVkCustomStatusPane::SetFillColor, clBtnFace)
        .Idents(&IdentToColor)
        .Integer("FlatColor", &TVkCustomStatusPane::FlatColor, &TVkCustomStatusPane::SetFlatColor, clBtnShadow)
        .Idents(&IdentToColor)
        .Integer("FlatColorAdjustment", &TVkCustomStatusPane::FlatColorAdjustment,
                 &TVkCustomStatusPane::SetFlatColorAdjustment, 30)
        .Enum("FrameStyle", FrameStyleNames(), &TVkCustomStatusPane::FrameStyle, &TVkCustomStatusPane::SetFrameStyle,
              fsFlat)
        .Set("FrameControllerNotifications", FrameControllerPropertyNames(),
             &TVkCustomStatusPane::FrameControllerNotifications,
             &TVkCustomStatusPane::SetFrameControllerNotifications, kAllFrameControllerNotifications)
        .Component("FrameController", "TVkFrameController", &TVkCustomStatusPane::FrameController,
                   &TVkCustomStatusPane::SetFrameController)
        .Boolean("ParentFillColor", &TVkCustomStatusPane::ParentFillColor, &TVkCustomStatusPane::SetParentFillColor,
                 true)
        .Boolean("Transparent", &TVkCustomStatusPane::Transparent, &TVkCustomStatusPane::SetTransparent, true)
        .Str("Caption", [](TVkCustomStatusPane& p) { return p.Caption(); },
             [](TVkCustomStatusPane& p, const String& v) { p.SetCaption(v); });
    RegisterClass<TVkPollingStatus>("TVkPollingStatus", "TVkCustomStatusPane")
        .Boolean("Active", &TVkPollingStatus::Active, &TVkPollingStatus::SetActive, true)
        .Integer("Interval", &TVkPollingStatus::Interval, &TVkPollingStatus::SetInterval, 500)
        .Event<TNotifyEvent>("OnTimerExpired", [](TVkPollingStatus& p, TNotifyEvent e) { p.OnTimerExpired = std::move(e); });
    RegisterClass<TVkClockStatus>("TVkClockStatus", "TVkPollingStatus")
        .Str("Format", &TVkClockStatus::Format, &TVkClockStatus::SetFormat)
        .Enum("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TVkClockStatus::Alignment,
              &TVkClockStatus::SetAlignment, taLeftJustify)
        .Boolean("AutoSize", &TVkClockStatus::AutoSize, &TVkClockStatus::SetAutoSize, false)
        .Boolean("Blinking", &TVkClockStatus::Blinking, &TVkClockStatus::SetBlinking, false)
        .Integer("BlinkColor", &TVkClockStatus::BlinkColor, &TVkClockStatus::SetBlinkColor, clHighlight)
        .Idents(&IdentToColor)
        .Integer("BlinkIntervalOff", &TVkClockStatus::BlinkIntervalOff, &TVkClockStatus::SetBlinkIntervalOff, 500)
        .Integer("BlinkIntervalOn", &TVkClockStatus::BlinkIntervalOn, &TVkClockStatus::SetBlinkIntervalOn, 500)
        .Integer("CaptionOffset", &TVkClockStatus::CaptionOffset, &TVkClockStatus::SetCaptionOffset, 2)
        .Integer("DefaultWidth", &TVkClockStatus::DefaultWidth, &TVkClockStatus::SetDefaultWidth, 40)
        .Event<TVkGetDateTimeEvent>("OnGetDateTime",
                                    [](TVkClockStatus& c, TVkGetDateTimeEvent e) { c.OnGetDateTime = std::move(e); });
    return true;
  }();
  (void)registered;
}

namespace {
const bool kStatusPanesRegistered = (RegisterVkStatusPaneClasses(), true);
}
