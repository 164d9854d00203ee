// TVkCustomButton, TVkButton and TVkBitBtn.
#include "controls/VkButton.h"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "class_library/components/FormResource.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Forms.h"
#include "class_library/visual/StdCtrls.h"
#include "class_library/visual/Themes.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkFrameParts.h"
#include "controls/VkSystem.h"

namespace {

// Push-button parts of the visual styles.
constexpr int kPushButton = 1;
constexpr int kPbsNormal = 1, kPbsHot = 2, kPbsPressed = 3, kPbsDisabled = 4, kPbsDefaulted = 5;

TColor ParentColorOf(TControl* Control) { return Control->Parent() ? Control->Parent()->Color() : clBtnFace; }

}  // namespace

// ---- TVkCustomButton ---------------------------------------------------------------------

TVkCustomButton::TVkCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = csCaptureMouse | csSetCaption | csOpaque | csDoubleClicks | csReplicatable | csReflector;
  PlaceBounds(0, 0, 115, 17);
  SetTabStop(true);
}

#define TW_BUTTON_SETTER(Class, Name, Type, field) \
  void Class::Set##Name(Type Value) {              \
    if (field == Value) return;                    \
    field = Value;                                 \
    Invalidate();                                  \
  }
TW_BUTTON_SETTER(TVkCustomButton, AlignmentVertical, TAlignmentVertical, alignmentVertical_)
TW_BUTTON_SETTER(TVkCustomButton, HighlightColor, TColor, highlightColor_)
TW_BUTTON_SETTER(TVkCustomButton, HotTrackColor, TColor, hotTrackColor_)
TW_BUTTON_SETTER(TVkCustomButton, HotTrackColorType, TVkHotTrackColorType, hotTrackColorType_)
TW_BUTTON_SETTER(TVkCustomButton, LightTextStyle, bool, lightTextStyle_)
TW_BUTTON_SETTER(TVkCustomButton, TextStyle, TTextStyle, textStyle_)
TW_BUTTON_SETTER(TVkCustomButton, TextShadowDepth, int, textShadowDepth_)
TW_BUTTON_SETTER(TVkCustomButton, TextShadowColor, TColor, textShadowColor_)
TW_BUTTON_SETTER(TVkCustomButton, TextHighlightColor, TColor, textHighlightColor_)
TW_BUTTON_SETTER(TVkCustomButton, ThemeAware, bool, themeAware_)
TW_BUTTON_SETTER(TVkCustomButton, Transparent, bool, transparent_)
TW_BUTTON_SETTER(TVkCustomButton, HotTrack, bool, hotTrack_)
TW_BUTTON_SETTER(TVkButton, Alignment, TAlignment, alignment_)
TW_BUTTON_SETTER(TVkButton, FrameColor, TColor, frameColor_)
TW_BUTTON_SETTER(TVkButton, ShowDownPattern, bool, showDownPattern_)
TW_BUTTON_SETTER(TVkButton, ShowFocusRect, bool, showFocusRect_)
#undef TW_BUTTON_SETTER

bool TVkCustomButton::ThemedLook() const { return themeAware_ && ThemeServices()->ThemesEnabled(); }

void TVkCustomButton::InvalidateHot() {
  if (!(hotTrack_ || ThemedLook()) || !HandleAllocated()) return;
  TRect r;
  HotTrackInvalidRect(r);
  gui::InvalidateRect(Handle(), &r, false);
}

void TVkCustomButton::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled()) return;
  if (HandleAllocated()) gui::SetFocus(Handle());
  if (Focused()) {
    pressedLook_ = true;
    RefreshFace();
    tracking_ = true;
  }
}

void TVkCustomButton::HandleMouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseMove(Shift, X, Y);
  if (!tracking_) return;
  bool inside = gui::PtInRect(ClientRect(), TPoint{X, Y});
  if (inside != pressedLook_) {
    pressedLook_ = inside;
    RefreshFace();
  }
}

void TVkCustomButton::HandleMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::HandleMouseUp(Button, Shift, X, Y);
  if (!tracking_) return;
  tracking_ = false;
  pressedLook_ = false;
  if (gui::PtInRect(ClientRect(), TPoint{X, Y})) ButtonClick();
  RefreshFace();
}

void TVkCustomButton::DrawCaption(TCanvas* Canvas, TRect Rect, UINT Flags) {
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->Font()->SetName("System");
  Canvas->SetFont(Font());
  String caption = Caption();
  TRect measure = Rect;
  CanvasDrawText(Canvas, caption, measure,
                 gui::DT_CALCRECT | gui::DT_EXPANDTABS | gui::DT_WORDBREAK | gui::DT_VCENTER | gui::DT_CENTER);
  int h = measure.Height();
  switch (alignmentVertical_) {
    case avTop: Rect.Bottom = Rect.Top + h; break;
    case avCenter:
      Rect.Top = (Rect.Top + Rect.Bottom - h) / 2;
      Rect.Bottom = Rect.Top + h;
      break;
    case avBottom: Rect.Top = Rect.Bottom - h - 1; break;
  }
  if (Enabled()) {
    auto at = [&](int dx, int dy, TColor color) {
      TRect r = Rect;
      gui::OffsetRect(r, dx, dy);
      Canvas->Font()->SetColor(color);
      CanvasDrawText(Canvas, caption, r, Flags);
    };
    switch (textStyle_) {
      case tsRaised:
        if (!lightTextStyle_) at(1, 1, textShadowColor_);
        at(-1, -1, textHighlightColor_);
        break;
      case tsRecessed:
        at(1, 1, textHighlightColor_);
        if (!lightTextStyle_) at(-1, -1, textShadowColor_);
        break;
      case tsShadow:
        if (Flags & gui::DT_RIGHT)
          at(0, textShadowDepth_, textShadowColor_);
        else
          at(textShadowDepth_, textShadowDepth_, textShadowColor_);
        break;
      case tsNormal: break;
    }
    Canvas->Font()->SetColor(Font()->Color());
    if (Flags & gui::DT_RIGHT) gui::OffsetRect(Rect, -textShadowDepth_, 0);
  } else {
    Canvas->Font()->SetColor(ColorsLookAlike(Color(), clGrayText) ? cl3DDkShadow : clGrayText);
  }
  CanvasDrawText(Canvas, caption, Rect, Flags);
  Canvas->Brush()->SetStyle(bsSolid);
}

void TVkCustomButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case gui::WM_SETFOCUS:
    case gui::WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      FocusRepaint();
      return;
    case CM_MOUSEENTER:
      if (ComponentState().Contains(csDesigning)) return;
      mouseInside_ = true;
      TCustomControl::Dispatch(Message);
      InvalidateHot();
      return;
    case CM_MOUSELEAVE:
      mouseInside_ = false;
      TCustomControl::Dispatch(Message);
      InvalidateHot();
      return;
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(Message);
      Repaint();
      return;
    default: TCustomControl::Dispatch(Message);
  }
}

// ---- TVkButton ---------------------------------------------------------------------------

TVkButton::TVkButton(TComponent* AOwner) : TVkCustomButton(AOwner) {
  PlaceBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
}

void TVkButton::SetHotTrack(bool Value) {
  if (Value == HotTrack()) return;
  TVkCustomButton::SetHotTrack(Value);
  SetTransparent(Value);
  if (HandleAllocated()) {
    TRect r = ClientRect();
    gui::InvalidateRect(Handle(), &r, true);
  }
}

void TVkButton::SetDefault(bool Value) {
  default_ = Value;
  if (!HandleAllocated()) return;
  // Every button of the form looks again at who is the default now.
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
}

void TVkButton::BroadcastGroup() {
  if (groupIndex_ == 0 || !Parent()) return;
  TMessage m{CM_BUTTONGROUPSYNC, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(m);
}

void TVkButton::SetDown(bool Value) {
  if (groupIndex_ == 0) Value = false;
  if (Value == down_) return;
  if (down_ && Grouped() && !allowAllUp_) return;
  down_ = Value;
  buttonState_ = Value ? bsExclusive : bsUp;
  Invalidate();
  if (Value) BroadcastGroup();
}

void TVkButton::SetGroupIndex(int Value) {
  if (!StoreChange(groupIndex_, Value)) return;
  BroadcastGroup();
}

void TVkButton::SetAllowAllUp(bool Value) {
  if (!StoreChange(allowAllUp_, Value)) return;
  BroadcastGroup();
}

void TVkButton::ReadLegacyProperties(TFiler* Filer) {
  TVkCustomButton::ReadLegacyProperties(Filer);
  Filer->DefineProperty("FrameFlat", [this](TReader& Reader) { SetHotTrack(Reader.ReadBoolean()); });
}

void TVkButton::ButtonClick() {
  if (Grouped())
    SetDown(!down_);
  else
    RefreshFace();
  clickInProgress_ = true;
  try {
    HandleClick();
  } catch (...) {
    clickInProgress_ = false;
    throw;
  }
  clickInProgress_ = false;
}

void TVkButton::HandleClick() {
  // A button that sits on no form has no modal result to give.
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TVkCustomButton::HandleClick();
}

void TVkButton::HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // The mouse takes over from a held Space: its release clicks no more.
  if (Button == mbLeft) spaceArmed_ = false;
  TVkCustomButton::HandleMouseDown(Button, Shift, X, Y);
}

void TVkButton::HandleKeyDown(Word& Key, TShiftState Shift) {
  if (Key == gui::VK_SPACE && !(Shift & ssAlt)) {
    spaceArmed_ = true;
    pressedLook_ = true;
    RefreshFace();
  }
  TVkCustomButton::HandleKeyDown(Key, Shift);
}

void TVkButton::HandleKeyUp(Word& Key, TShiftState Shift) {
  if (Key == gui::VK_SPACE) {
    pressedLook_ = false;
    if (spaceArmed_) {
      spaceArmed_ = false;
      ButtonClick();
    }
    RefreshFace();
  }
  TVkCustomButton::HandleKeyUp(Key, Shift);
}

void TVkButton::CMDialogKey(TMessage& Message) {
  bool plain = (KeyDataToShiftState(Message.LParam) & (ssShift | ssCtrl | ssAlt)) == 0;
  if (plain && ((Message.WParam == gui::VK_RETURN && actsAsDefault_) || (Message.WParam == gui::VK_ESCAPE && cancel_)) &&
      CanFocus()) {
    HandleClick();
    Message.Result = 1;
    return;
  }
  TVkCustomButton::CMDialogKey(Message);
}

void TVkButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && CanFocus()) {
    HandleClick();
    Message.Result = 1;
    return;
  }
  TVkCustomButton::CMDialogChar(Message);
}

void TVkButton::MakeWindow() {
  TVkCustomButton::MakeWindow();
  actsAsDefault_ = default_;
}

void TVkButton::PaintCorners(gui::HDC DC) {
  TRect r = ClientRect();
  int d = Enabled() ? 1 : 2;
  gui::InflateRect(r, -d, -d);
  gui::ExcludeClipRect(DC, r.Left, r.Top, r.Right, r.Bottom);
  gui::InflateRect(r, 1, -1);
  gui::ExcludeClipRect(DC, r.Left, r.Top, r.Right, r.Bottom);
  gui::InflateRect(r, -2, 2);
  gui::ExcludeClipRect(DC, r.Left, r.Top, r.Right, r.Bottom);
  PaintParentBackground(this, DC, true);
  gui::SelectClipRgn(DC, gui::HRGN{});
}

void TVkButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TControl*>(Message.LParam);
      bool acts = (dynamic_cast<TVkButton*>(focused) || dynamic_cast<TButton*>(focused)) ? focused == this : default_;
      if (acts != actsAsDefault_) {
        actsAsDefault_ = acts;
        Repaint();
      }
      TVkCustomButton::Dispatch(Message);
      return;
    }
    case CM_BUTTONGROUPSYNC: {
      auto* sender = reinterpret_cast<TVkButton*>(Message.LParam);
      if (static_cast<int>(Message.WParam) == groupIndex_ && sender && sender != this) {
        if (sender->Down() && down_) {
          down_ = false;
          buttonState_ = bsUp;
          Invalidate();
        }
        allowAllUp_ = sender->AllowAllUp();
      }
      return;
    }
    case gui::WM_KILLFOCUS:
      TVkCustomButton::Dispatch(Message);
      spaceArmed_ = false;
      pressedLook_ = false;
      RefreshFace();
      return;
    case gui::WM_ERASEBKGND:
      if (Transparent()) {
        PaintCorners(gui::FromParam<gui::HDC>(Message.WParam));
        Message.Result = 1;
        return;
      }
      break;
    case gui::WM_GETDLGCODE:
      Message.Result = gui::DLGC_BUTTON | (actsAsDefault_ ? gui::DLGC_DEFPUSHBUTTON : gui::DLGC_UNDEFPUSHBUTTON);
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && Parent()) {
        if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, false);
      }
      if (HandleAllocated() && !ComponentState().Contains(csDesigning)) gui::EnableWindow(Handle(), Enabled());
      Invalidate();
      return;
    default: break;
  }
  TVkCustomButton::Dispatch(Message);
}

void TVkButton::PaintPlainFace(TRect& R) {
  TCanvas* canvas = Canvas();
  TColor color = Color();
  canvas->Pen()->SetColor(DarkenColor(color, 20));
  canvas->MoveTo(R.Left, R.Bottom - 2);
  canvas->LineTo(R.Right, R.Bottom - 2);
  canvas->Pen()->SetColor(DarkenColor(color, 30));
  canvas->MoveTo(R.Left, R.Bottom - 1);
  canvas->LineTo(R.Right, R.Bottom - 1);
  R.Bottom -= 2;
  if (FullColorScreen()) {
    PaintGradient(canvas, R, gdHorizontalEnd, LightenColor(color, 30), DarkenColor(color, 10), 1);
  } else {
    canvas->Brush()->SetColor(color);
    canvas->FillRect(R);
  }
}

void TVkButton::PaintHotTrackLook(TRect& R) {
  TCanvas* canvas = Canvas();
  TColor color = Color();
  if (!Enabled()) {
    gui::InflateRect(R, -1, -1);
    PaintOpenCornerFrame(canvas, R, color == clBtnFace ? LightenColor(clBtnShadow, 30) : DarkenColor(color, 80));
    gui::InflateRect(R, -1, -1);
    canvas->Brush()->SetColor(color);
    canvas->FillRect(R);
    return;
  }
  TColor parent = ParentColorOf(this);
  TColor c1 = DarkenColor(parent, 20), c2 = LightenColor(parent, 20);
  canvas->Pen()->SetColor(c1);
  canvas->MoveTo(R.Left, R.Top + 2);
  canvas->LineTo(R.Left, R.Bottom - 2);
  canvas->MoveTo(R.Left + 2, R.Top);
  canvas->LineTo(R.Right - 2, R.Top);
  canvas->Pen()->SetColor(c2);
  canvas->MoveTo(R.Right - 1, R.Top + 2);
  canvas->LineTo(R.Right - 1, R.Bottom - 2);
  canvas->MoveTo(R.Left + 2, R.Bottom - 1);
  canvas->LineTo(R.Right - 2, R.Bottom - 1);
  canvas->SetPixel(R.Left + 1, R.Top + 1, c1);
  canvas->SetPixel(R.Right - 2, R.Top + 1, c1);
  canvas->SetPixel(R.Left + 1, R.Bottom - 2, c1);
  canvas->SetPixel(R.Right - 2, R.Bottom - 2, c2);
  gui::InflateRect(R, -1, -1);
  PaintOpenCornerFrame(canvas, R, frameColor_);
  gui::InflateRect(R, -1, -1);
  if (DownOrExclusive() || pressedLook_) {
    canvas->Brush()->SetColor(DarkenColor(color, 10));
    canvas->FillRect(R);
  } else if (mouseInside_) {
    TRect face = R;
    PaintPlainFace(face);
    TColor a, b;
    if (HotTrackColorType() == htctActual) {
      a = MixColors(clWhite, HotTrackColor(), 190);
      b = HotTrackColor();
    } else {
      a = ComplementColor(HotTrackColor(), 180);
      b = DarkenColor(a, 30);
    }
    PaintHotTrackRing(canvas, R, gdHorizontalEnd, a, b);
  } else if (Grouped() || !(actsAsDefault_ || Focused()) || pressedLook_) {
    PaintPlainFace(R);
  } else {
    TRect face = R;
    PaintPlainFace(face);
    TColor l = LightenColor(color, 30);
    TColor h = ColorsLookAlike(HighlightColor(), clBtnFace) ? DarkenColor(HighlightColor(), 30) : HighlightColor();
    PaintHotTrackRing(canvas, R, gdHorizontalEnd, MixColors(h, l, 60), MixColors(h, l, 160));
  }
}

void TVkButton::PaintClassicLook(TRect& R) {
  TCanvas* canvas = Canvas();
  TColor color = Color();
  if (!Grouped() && (((actsAsDefault_ || Focused()) && !pressedLook_) || clickInProgress_))
    R = PaintSides(canvas, R, clWindowFrame, clWindowFrame, kAllSides);
  if (color == clBtnFace) {
    if (Grouped())
      R = PaintFrameStyle(canvas, R, DownOrExclusive() ? fsLowered : fsButtonUp, kAllSides);
    else
      R = PaintTwoRingBevel(canvas, R, pressedLook_ ? fsButtonDown : fsButtonUp, kAllSides);
  } else if (!Grouped()) {
    R = PaintTintedButtonBevel(canvas, R, color, kAllSides, pressedLook_);
  } else if (DownOrExclusive()) {
    R = PaintTintedFrameStyle(canvas, R, color, kAllSides, fsLowered);
  } else {
    R = PaintTintedButtonBevel(canvas, R, color, kAllSides, false);
  }
  canvas->Brush()->SetColor(color);
  canvas->FillRect(R);
}

void TVkButton::MakeDownPattern(TBitmap* Bitmap) {
  Bitmap->SetSize(8, 8);
  TCanvas* c = Bitmap->Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(TRect{0, 0, 8, 8});
  TColor dot = ColorToRGB(Color()) == static_cast<TColor>(0xC0C0C0) ? static_cast<TColor>(0x808080)
                                                                       : static_cast<TColor>(0xC0C0C0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((x % 2) == (y % 2)) c->SetPixel(x, y, dot);
}

void TVkButton::PaintControl() {
  TCanvas* canvas = Canvas();
  TRect fr = ClientRect();
  int inset = HotTrack() || ThemedLook() ? 3 : 4;
  gui::InflateRect(fr, -inset, -inset);
  if ((Grouped() && DownOrExclusive()) || pressedLook_) gui::OffsetRect(fr, 1, 1);
  TRect r = ClientRect();
  if (ThemedLook()) {
    int state = !Enabled()                             ? kPbsDisabled
                : DownOrExclusive() || pressedLook_    ? kPbsPressed
                : mouseInside_                         ? kPbsHot
                : Grouped()                            ? kPbsNormal
                : (actsAsDefault_ || Focused()) && !pressedLook_ ? kPbsDefaulted
                                                                 : kPbsNormal;
    ThemeServices()->DrawParentBackground(Handle(), canvas->Handle(), &r);
    ThemeServices()->DrawElement(canvas->Handle(), ThemeServices()->GetElementDetails("BUTTON", kPushButton, state), r);
  } else if (HotTrack()) {
    PaintHotTrackLook(r);
  } else {
    PaintClassicLook(r);
  }
  if (Grouped() && buttonState_ == bsExclusive && showDownPattern_) {
    TBitmap pattern;
    MakeDownPattern(&pattern);
    canvas->Brush()->SetBitmap(&pattern);
    canvas->FillRect(r);
    canvas->Brush()->SetBitmap(nullptr);
  }
  canvas->SetFont(Font());
  canvas->Brush()->SetColor(Color());
  PaintContents();
  if (Focused() && showFocusRect_) PaintDottedFocusFrame(canvas, fr);
}

void TVkButton::GetCaptionRect(TRect& Rect) {
  Rect = ClientRect();
  gui::InflateRect(Rect, -5, -5);
  if (!HotTrack() && !ThemedLook() && ((Grouped() && DownOrExclusive()) || pressedLook_)) gui::OffsetRect(Rect, 1, 1);
}

void TVkButton::PaintContents() {
  UINT align = alignment_ == taLeftJustify ? gui::DT_LEFT : alignment_ == taRightJustify ? gui::DT_RIGHT : gui::DT_CENTER;
  TRect r;
  GetCaptionRect(r);
  DrawCaption(Canvas(), r, align | gui::DT_WORDBREAK | gui::DT_EXPANDTABS);
}

// ---- Stock glyphs ------------------------------------------------------------------------

namespace {

std::array<std::unique_ptr<TBitmap>, 11>& KindGlyphs() {
  static std::array<std::unique_ptr<TBitmap>, 11> glyphs;
  return glyphs;
}

// Points of a circle's arc around (CX, CY), angles in degrees counter-clockwise
// from the right, from From to To (either way round), a point every 15 degrees.
std::vector<TPoint> ArcPoints(int CX, int CY, int R, int From, int To) {
  std::vector<TPoint> points;
  int step = To >= From ? 15 : -15;
  for (int a = From;; a += step) {
    if ((step > 0 && a > To) || (step < 0 && a < To)) a = To;
    double rad = a * std::numbers::pi / 180.0;
    points.push_back(TPoint{CX + static_cast<int>(std::lround(R * std::cos(rad))),
                            CY - static_cast<int>(std::lround(R * std::sin(rad)))});
    if (a == To) break;
  }
  return points;
}

// One 16 x 16 picture of a kind at X in Color.
void DrawKindPicture(TCanvas* C, TBitBtnKind Kind, int X, TColor Color) {
  C->Pen()->SetColor(Color);
  C->Pen()->SetWidth(2);
  C->Brush()->SetColor(Color);
  switch (Kind) {
    case bkOK:
    case bkYes:
    case bkAll: {
      const TPoint check[] = {{X + 3, 8}, {X + 6, 11}, {X + 12, 4}};
      C->Polyline(check);
      if (Kind == bkAll) {
        const TPoint second[] = {{X + 3, 12}, {X + 6, 15}, {X + 12, 8}};
        C->Polyline(second);
      }
      break;
    }
    case bkCancel:
    case bkNo:
    case bkAbort:
      C->MoveTo(X + 4, 4);
      C->LineTo(X + 12, 12);
      C->MoveTo(X + 12, 4);
      C->LineTo(X + 4, 12);
      break;
    case bkHelp: {
      // A question mark.
      const TPoint hook[] = {{X + 5, 5}, {X + 6, 3}, {X + 8, 2}, {X + 10, 3}, {X + 11, 5},
                             {X + 10, 7}, {X + 8, 8}, {X + 8, 10}};
      C->Polyline(hook);
      C->FillRect(TRect{X + 7, 12, X + 9, 14});
      break;
    }
    case bkRetry: {
      // A round arrow: once around clockwise from the right to the top,
      // its head pointing on to the right.
      C->Polyline(ArcPoints(X + 8, 8, 5, 0, -270));
      C->Pen()->SetWidth(1);
      const TPoint head[] = {{X + 8, 0}, {X + 12, 3}, {X + 8, 6}};
      C->Polygon(head);
      break;
    }
    case bkIgnore: {
      // An arrow jumping over a bar.
      C->FillRect(TRect{X + 6, 10, X + 8, 15});
      C->Polyline(ArcPoints(X + 7, 12, 6, 180, 15));
      C->Pen()->SetWidth(1);
      const TPoint head[] = {{X + 10, 10}, {X + 15, 10}, {X + 13, 14}};
      C->Polygon(head);
      break;
    }
    case bkClose:
      C->Pen()->SetWidth(1);
      C->Rectangle(X + 4, 2, X + 12, 14);
      break;
    case bkCustom: break;
  }
  C->Pen()->SetWidth(1);
}

const std::array<String, 11> kKindCaptions = {"",       "OK",     "Cancel", "&Help",   "&Yes",   "&No",
                                              "&Close", "Abort",  "&Retry", "&Ignore", "&All"};
const std::array<int, 11> kKindResults = {0, 1, 2, 0, 6, 7, 0, 3, 4, 5, 8};
const std::array<TColor, 11> kKindColors = {clBlack, static_cast<TColor>(0x008000), clRed, static_cast<TColor>(0x800000),
                                            static_cast<TColor>(0x008000), clRed, static_cast<TColor>(0x004080),
                                            clRed, static_cast<TColor>(0x808000), clPurple,
                                            static_cast<TColor>(0x008000)};

}  // namespace

TBitmap* GetKindGlyph(TBitBtnKind Kind) {
  auto& slot = KindGlyphs().at(static_cast<std::size_t>(Kind));
  if (!slot) {
    slot = std::make_unique<TBitmap>();
    if (Kind != bkCustom) {
      slot->SetSize(32, 16);
      TCanvas* c = slot->Canvas();
      c->Brush()->SetColor(clOlive);
      c->FillRect(TRect{0, 0, 32, 16});
      DrawKindPicture(c, Kind, 0, kKindColors.at(static_cast<std::size_t>(Kind)));
      DrawKindPicture(c, Kind, 16, clGray);
      c->SetPixel(0, 15, clOlive);
      c->SetPixel(16, 15, clOlive);
    }
  }
  return slot.get();
}

const String& KindCaption(TBitBtnKind Kind) { return kKindCaptions.at(static_cast<std::size_t>(Kind)); }

// ---- TVkBitBtn ---------------------------------------------------------------------------

TVkBitBtn::TVkBitBtn(TComponent* AOwner) : TVkButton(AOwner), imageLink_(std::make_unique<TChangeLink>()) {
  glyph_.OnChange = [this](TObject*) { GlyphChanged(); };
  imageLink_->OnChange = [this](TObject* Sender) {
    if (Sender == images_) Update();
  };
}

TVkBitBtn::~TVkBitBtn() {
  if (images_) images_->UnRegisterChanges(imageLink_.get());
}

void TVkBitBtn::GlyphChanged() {
  if (glyph_.Height() > 0 && glyph_.Width() % glyph_.Height() == 0) {
    int n = glyph_.Width() / glyph_.Height();
    numGlyphs_ = (n >= 1 && n <= 4) ? n : 1;
  }
  Invalidate();
}

void TVkBitBtn::SetGlyph(TBitmap* Value) {
  glyph_.Assign(Value);
  if (!applyingKind_) glyphChangedByUser_ = true;
}

TBitBtnKind TVkBitBtn::Kind() {
  if (kind_ != bkCustom) {
    bool isDefault = kind_ == bkOK || kind_ == bkYes;
    bool isCancel = kind_ == bkCancel || kind_ == bkNo;
    if (Default() != isDefault || Cancel() != isCancel ||
        ModalResult() != kKindResults.at(static_cast<std::size_t>(kind_)) || glyphChangedByUser_)
      kind_ = bkCustom;
  }
  return kind_;
}

void TVkBitBtn::SetKind(TBitBtnKind Value) {
  if (Value == kind_) return;
  if (Value == bkCustom) {
    kind_ = bkCustom;
    Invalidate();
    return;
  }
  SetDefault(Value == bkOK || Value == bkYes);
  SetCancel(Value == bkCancel || Value == bkNo);
  if (!(ComponentState().Contains(csLoading) && !Caption().empty())) SetCaption(KindCaption(Value));
  SetModalResult(kKindResults.at(static_cast<std::size_t>(Value)));
  applyingKind_ = true;
  SetGlyph(GetKindGlyph(Value));
  applyingKind_ = false;
  numGlyphs_ = 2;
  glyphChangedByUser_ = false;
  kind_ = Value;
  Invalidate();
}

void TVkBitBtn::SetLayout(TButtonLayout Value) {
  if (!StoreChange(layout_, Value)) return;
  Invalidate();
}

void TVkBitBtn::SetMargin(int Value) {
  if (Value < -1 || margin_ == Value) return;
  margin_ = Value;
  Invalidate();
}

void TVkBitBtn::SetNumGlyphs(int Value) {
  Value = std::clamp(Value, 1, 4);
  if (!StoreChange(numGlyphs_, Value)) return;
  Invalidate();
}

void TVkBitBtn::SetSpacing(int Value) {
  if (!StoreChange(spacing_, Value)) return;
  Invalidate();
}

void TVkBitBtn::SetImageIndex(int Value) {
  if (!StoreChange(imageIndex_, Value)) return;
  Invalidate();
}

void TVkBitBtn::SetDisabledIndex(int Value) {
  if (!StoreChange(disabledIndex_, Value)) return;
  Invalidate();
}

void TVkBitBtn::SetImages(TCustomImageList* Value) {
  if (images_ == Value) return;
  if (images_) images_->UnRegisterChanges(imageLink_.get());
  images_ = Value;
  if (images_) {
    images_->RegisterChanges(imageLink_.get());
    images_->FreeNotification(this);
  }
  Invalidate();
}

void TVkBitBtn::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TVkButton::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    Invalidate();
  }
}

TPoint TVkBitBtn::GlyphExtent() {
  if (images_ && imageIndex_ != -1) return TPoint{images_->Width(), images_->Height()};
  return TPoint{glyph_.Width() / std::max(1, numGlyphs_), glyph_.Height()};
}

int TVkBitBtn::CaptionTextHeight(const TRect& Rect) {
  TRect measure = Rect;
  Canvas()->SetFont(Font());
  CanvasDrawText(Canvas(), Caption(), measure,
                 gui::DT_CALCRECT | gui::DT_EXPANDTABS | gui::DT_WORDBREAK | gui::DT_VCENTER | gui::DT_CENTER);
  return measure.Height();
}

void TVkBitBtn::GetCaptionRect(TRect& Rect) {
  TVkButton::GetCaptionRect(Rect);
  bool hasImage = images_ && imageIndex_ != -1;
  if (!hasImage && glyph_.Empty()) return;
  TPoint e = GlyphExtent();
  int w = e.X, h = e.Y;
  if (margin_ >= 0) {
    switch (layout_) {
      case blGlyphLeft: Rect.Left += margin_ + w + spacing_; break;
      case blGlyphRight: Rect.Right -= margin_ + w + spacing_; break;
      case blGlyphTop: Rect.Top += margin_ + h + spacing_; break;
      case blGlyphBottom: Rect.Bottom -= margin_ + h + spacing_; break;
    }
    return;
  }
  int th = CaptionTextHeight(Rect);
  switch (layout_) {
    case blGlyphLeft: Rect.Left += margin_ + w + spacing_; break;
    case blGlyphRight: Rect.Right -= margin_ + w + spacing_; break;
    case blGlyphTop:
      Rect.Top = Rect.Top + (Height() - th - h - spacing_) / 2 + h;
      Rect.Bottom = Rect.Top + th;
      break;
    case blGlyphBottom:
      Rect.Top = Rect.Top + (Height() - th - h - spacing_) / 2;
      Rect.Bottom = Rect.Top + th;
      break;
  }
}

void TVkBitBtn::CalcLayout(TRect& Rect) {
  TVkButton::GetCaptionRect(Rect);
  bool themed = ThemedLook();
  if (pressedLook_) gui::OffsetRect(Rect, -1, themed ? 0 : -1);
  TPoint e = GlyphExtent();
  int w = e.X, h = e.Y;
  if (margin_ >= 0) {
    switch (layout_) {
      case blGlyphLeft: Rect.Left += margin_; break;
      case blGlyphRight: Rect.Left = Rect.Right - margin_ - w; break;
      case blGlyphTop: Rect.Top += margin_; break;
      case blGlyphBottom: Rect.Top = Rect.Bottom - margin_ - h; break;
    }
  } else {
    int th = CaptionTextHeight(Rect);
    switch (layout_) {
      case blGlyphLeft: break;
      case blGlyphRight: Rect.Left = Rect.Right - w; break;
      case blGlyphTop: Rect.Top = (Height() - th - h - spacing_) / 2; break;
      case blGlyphBottom: Rect.Top += th + (Height() - th - h - spacing_) / 2; break;
    }
  }
  if (layout_ == blGlyphLeft || layout_ == blGlyphRight)
    Rect.Top += (Rect.Bottom - Rect.Top - h + 1) / 2;
  else
    Rect.Left += (Rect.Right - Rect.Left - w + 1) / 2;
  Rect.Right = Rect.Left + w;
  Rect.Bottom = Rect.Top + h;
  if (pressedLook_) gui::OffsetRect(Rect, themed ? 2 : 1, themed ? 0 : 1);
}

void TVkBitBtn::PaintContents() {
  TVkButton::PaintContents();
  TRect r;
  CalcLayout(r);
  if (Kind() == bkCustom && images_ && imageIndex_ != -1)
    DrawImage(r);
  else if (!glyph_.Empty())
    DrawGlyph(r);
}

void TVkBitBtn::DrawImage(const TRect& Rect) {
  if (disabledIndex_ == -1) {
    images_->Draw(Canvas(), Rect.Left, Rect.Top, imageIndex_, Enabled());
    return;
  }
  int index = Enabled() ? imageIndex_ : disabledIndex_;
  if (index != -1) images_->Draw(Canvas(), Rect.Left, Rect.Top, index, true);
}

int TVkBitBtn::GlyphImageIndex() {
  if (numGlyphs_ == 4 && ButtonState() == bsExclusive) return 3;
  if (numGlyphs_ >= 3 && (ButtonState() == bsDown || pressedLook_)) return 2;
  if (numGlyphs_ >= 2 && !Enabled()) return 1;
  return 0;
}

void TVkBitBtn::DrawGlyph(const TRect& Rect) {
  int w = Rect.Width(), h = Rect.Height();
  if (w <= 0 || h <= 0) return;
  int sx = GlyphImageIndex() * w;
  TBitmap temp;
  temp.SetSize(w, h);
  temp.Canvas()->CopyRect(TRect{0, 0, w, h}, Canvas(), Rect);
  StretchTransparentBitmap(temp.Canvas(), &glyph_, TRect{0, 0, w, h}, glyph_.TransparentColor(),
                           TRect{sx, 0, sx + w, h});
  Canvas()->Draw(Rect.Left, Rect.Top, &temp);
}

// ---- Registration ------------------------------------------------------------------------

void RegisterVkButtonClasses() {
  static const bool registered = [] {
    RegisterClass<TVkCustomButton>("TVkCustomButton", "TWinControl")
        .Enum("AlignmentVertical", AlignmentVerticalNames(), &TVkCustomButton::AlignmentVertical,
              &TVkCustomButton::SetAlignmentVertical, avCenter)
        .Boolean("HotTrack", &TVkCustomButton::HotTrack, [](TVkCustomButton& b, bool v) { b.SetHotTrack(v); }, false)
        .Integer("HighlightColor", &TVkCustomButton::HighlightColor, &TVkCustomButton::SetHighlightColor, clHighlight)
        .Idents(&IdentToColor)
        .Integer("HotTrackColor", &TVkCustomButton::HotTrackColor, &TVkCustomButton::SetHotTrackColor, 0x00149BF0)
        .Idents(&IdentToColor)
        .Enum("HotTrackColorType", HotTrackColorTypeNames(), &TVkCustomButton::HotTrackColorType,
              &TVkCustomButton::SetHotTrackColorType, htctActual)
        .Boolean("LightTextStyle", &TVkCustomButton::LightTextStyle, &TVkCustomButton::SetLightTextStyle, false)
        .Enum("TextStyle", TextStyleNames(), &TVkCustomButton::TextStyle, &TVkCustomButton::SetTextStyle, tsNormal)
        .Integer("TextShadowDepth", &TVkCustomButton::TextShadowDepth, &TVkCustomButton::SetTextShadowDepth, 2)
        .Integer("TextShadowColor", &TVkCustomButton::TextShadowColor, &TVkCustomButton::SetTextShadowColor, clBtnShadow)
        .Idents(&IdentToColor)
        .Integer("TextHighlightColor", &TVkCustomButton::TextHighlightColor, &TVkCustomButton::SetTextHighlightColor,
                 clBtnHighlight)
        .Idents(&IdentToColor)
        .Boolean("ThemeAware", &TVkCustomButton::ThemeAware, &TVkCustomButton::SetThemeAware, true);
    RegisterClass<TVkButton>("TVkButton", "TVkCustomButton")
        .Enum("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TVkButton::Alignment,
              &TVkButton::SetAlignment, taCenter)
        .Boolean("AllowAllUp", &TVkButton::AllowAllUp, &TVkButton::SetAllowAllUp, false)
        .Boolean("Cancel", &TVkButton::Cancel, &TVkButton::SetCancel, false)
        .Boolean("Default", &TVkButton::Default, &TVkButton::SetDefault, false)
        .Boolean("DropDownOnEnter", &TVkButton::DropDownOnEnter, &TVkButton::SetDropDownOnEnter, true)
        .Integer("GroupIndex", &TVkButton::GroupIndex, &TVkButton::SetGroupIndex, 0)
        .Boolean("Down", &TVkButton::Down, &TVkButton::SetDown, false)
        .Integer("FrameColor", &TVkButton::FrameColor, &TVkButton::SetFrameColor, cl3DDkShadow)
        .Idents(&IdentToColor)
        .Integer("ModalResult", &TVkButton::ModalResult, &TVkButton::SetModalResult, 0)
        .Boolean("ShowDownPattern", &TVkButton::ShowDownPattern, &TVkButton::SetShowDownPattern, true)
        .Boolean("ShowFocusRect", &TVkButton::ShowFocusRect, &TVkButton::SetShowFocusRect, true);
    RegisterClass<TVkBitBtn>("TVkBitBtn", "TVkButton")
        .Object("Glyph", [](TVkBitBtn& b) { return b.Glyph(); })
        .Enum("Kind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry",
                       "bkIgnore", "bkAll"},
              [](TVkBitBtn& b) { return b.Kind(); }, &TVkBitBtn::SetKind, bkCustom)
        .Enum("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}, &TVkBitBtn::Layout,
              &TVkBitBtn::SetLayout, blGlyphLeft)
        .Integer("Margin", &TVkBitBtn::Margin, &TVkBitBtn::SetMargin, 2)
        .Integer("NumGlyphs", &TVkBitBtn::NumGlyphs, &TVkBitBtn::SetNumGlyphs, 1)
        .Integer("Spacing", &TVkBitBtn::Spacing, &TVkBitBtn::SetSpacing, 4)
        .Component("Images", "TCustomImageList", &TVkBitBtn::Images, &TVkBitBtn::SetImages)
        .Integer("ImageIndex", &TVkBitBtn::ImageIndex, &TVkBitBtn::SetImageIndex, -1)
        .Integer("DisabledIndex", &TVkBitBtn::DisabledIndex, &TVkBitBtn::SetDisabledIndex, -1);
    return true;
  }();
  (void)registered;
}

namespace {
const bool kButtonsRegistered = (RegisterVkButtonClasses(), true);
}
