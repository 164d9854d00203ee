// TVkLabel and TVkURLLabel.
#include "controls/VkLabel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "class_library/components/FormResource.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "controls/VkBlink.h"
#include "controls/VkColors.h"
#include "controls/VkDraw.h"
#include "controls/VkFrameParts.h"
#include "controls/VkOldPropReader.h"
#include "controls/VkSystem.h"
#include "platform/gui/Shell.h"

namespace {

// The integer nearest to V, a half going to the even neighbour.
int Near(double V) { return static_cast<int>(std::nearbyint(V)); }

}  // namespace

// ---- TVkLabel ----------------------------------------------------------------------------

TVkLabel::TVkLabel(TComponent* AOwner) : TLabel(AOwner), TVkBorderProps(TVkBorderLook{}), TVkFrameControlled(this) {
  controlStyle_ |= csOpaque;
  fontColor_ = Font()->Color();
  currentColor_ = Font()->Color();
  savedFlyByColor_ = Font()->Color();
  RegisterBlinkingControl(this);
  initialColor_ = true;
  SetColor(clBtnFace);
  SetParentColor(true);
  initialColor_ = false;
}

TVkLabel::~TVkLabel() {
  UnregisterBlinkingControl(this);
}

#define TW_LABEL_SETTER(Name, Type, field, then) \
  void TVkLabel::Set##Name(Type Value) {         \
    if (field == Value) return;                  \
    field = Value;                               \
    then();                                      \
  }
TW_LABEL_SETTER(BorderWidth, int, borderWidth_, AdjustBounds)
TW_LABEL_SETTER(BlinkColor, TColor, blinkColor_, Invalidate)
TW_LABEL_SETTER(CenterPoint, TCenterPoint, centerPoint_, Invalidate)
TW_LABEL_SETTER(FlyByColor, TColor, flyByColor_, Invalidate)
TW_LABEL_SETTER(HighlightColor, TColor, highlightColor_, Invalidate)
TW_LABEL_SETTER(ShadowColor, TColor, shadowColor_, Invalidate)
TW_LABEL_SETTER(ShadowDepth, int, shadowDepth_, Invalidate)
TW_LABEL_SETTER(LightTextStyle, bool, lightTextStyle_, Invalidate)
TW_LABEL_SETTER(TextMargin, int, textMargin_, Invalidate)
TW_LABEL_SETTER(TextStyle, TTextStyle, textStyle_, Invalidate)
#undef TW_LABEL_SETTER

void TVkLabel::BorderChanged(TVkBorderChange What) {
  if (What == bcExtent)
    AdjustBounds();
  else
    Invalidate();
}

Word TVkLabel::BlinkIntervalOff() const { return BlinkingControls() ? BlinkingControls()->IntervalOff() : 500; }
void TVkLabel::SetBlinkIntervalOff(Word Value) {
  if (TVkBlinkingControlsList* s = BlinkingControls()) s->SetIntervalOff(Value);
}
Word TVkLabel::BlinkIntervalOn() const { return BlinkingControls() ? BlinkingControls()->IntervalOn() : 500; }
void TVkLabel::SetBlinkIntervalOn(Word Value) {
  if (TVkBlinkingControlsList* s = BlinkingControls()) s->SetIntervalOn(Value);
}

void TVkLabel::SwitchToTrueTypeFont() {
  if (!FontIsTrueType(Font())) Font()->SetName("Verdana");
}

void TVkLabel::SetAngle(int Value) {
  // Any whole number of turns comes off, so the stored angle is 0..359.
  int stored = ((Value % 360) + 360) % 360;
  if (stored == angle_) return;
  angle_ = stored;
  if (!ComponentState().Contains(csLoading) && stored != 0) SwitchToTrueTypeFont();
  // The switch to a flat rotation keeps the angle just set (the Rotation
  // setter would reset it).
  if (angle_ != 0 && rotation_ == roNone) rotation_ = roFlat;
  AdjustBounds();
  Invalidate();
}

void TVkLabel::SetRotation(TRotation Value) {
  if (rotation_ == Value) return;
  if (!ComponentState().Contains(csLoading) && Value != roNone) SwitchToTrueTypeFont();
  rotation_ = Value;
  if (Value == roNone) angle_ = 0;
  if (Value == roFlat) {
    angle_ = 0;
    centerPoint_ = cpCenter;
  }
  Invalidate();
}

void TVkLabel::SetBlinking(bool Value) {
  if (!StoreChange(blinking_, Value)) return;
  if (!Value) {
    currentColor_ = fontColor_;
    Repaint();
  }
}

void TVkLabel::BlinkStateChanged(bool On) { currentColor_ = On ? blinkColor_ : fontColor_; }

void TVkLabel::SetFlyByEnabled(bool Value) {
  if (!StoreChange(flyByEnabled_, Value)) return;
  if (!Value) Font()->SetColor(savedFlyByColor_);
  Invalidate();
}

void TVkLabel::SetCondenseCaption(TVkCondenseCaption Value) {
  if (!StoreChange(condenseCaption_, Value)) return;
  if (Value != ccNone) SetAutoSize(false);
  Invalidate();
}


void TVkLabel::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TLabel::ComponentNotification(AComponent, Operation);
  frameLink_.Notification(AComponent, Operation);
}

void TVkLabel::ReadLegacyProperties(TFiler* Filer) {
  TLabel::ReadLegacyProperties(Filer);
  Filer->DefineProperty("FrameSides", TVkOldPropReader::SkipSetValue);
}

void TVkLabel::FrameControllerChanged() {
  if (ApplyBorderPush(this, frameLink_, look_)) Invalidate();
}

void TVkLabel::FinishLoading() {
  TLabel::FinishLoading();
  if (rotation_ == roNone && angle_ != 0) rotation_ = roFlat;
  if (rotation_ != roNone) SwitchToTrueTypeFont();
  fontColor_ = Font()->Color();
  currentColor_ = Font()->Color();
  AdjustBounds();
}

// ---- Geometry ----------------------------------------------------------------------------

void TVkLabel::ShrinkRectForBorders(TRect& Rect, bool WithBorderWidth) {
  if (WithBorderWidth) gui::InflateRect(Rect, -borderWidth_, -borderWidth_);
  ShrinkForFrames(Rect, look_.Outer, look_.Inner, look_.Sides, look_.BevelWidth);
}

void TVkLabel::GrowRectForBorders(TRect& Rect) {
  // Exactly what ShrinkRectForBorders and TextRect take off, so that a
  // measured text box grown here shrinks back to itself.
  int w = Rect.Width() + 2 * (borderWidth_ + textMargin_);
  int h = Rect.Height() + 2 * (borderWidth_ + textMargin_);
  for (TFrameStyleEx style : {look_.Outer, look_.Inner}) {
    int n = FrameStyleThickness(style, look_.BevelWidth);
    w += (HasSide(look_.Sides, sdLeft) ? n : 0) + (HasSide(look_.Sides, sdRight) ? n : 0);
    h += (HasSide(look_.Sides, sdTop) ? n : 0) + (HasSide(look_.Sides, sdBottom) ? n : 0);
  }
  if (rotation_ == roFlat && angle_ != 0 && angle_ != 180) {
    if (textStyle_ == tsShadow) {
      w += shadowDepth_ / 2;
      h += shadowDepth_ / 2;
    }
    // The box around the text box turned by Angle.
    double phi = angle_ * std::numbers::pi / 180.0;
    double c = std::fabs(std::cos(phi)), s = std::fabs(std::sin(phi));
    int rw = Near(c * w + s * h), rh = Near(s * w + c * h);
    w = rw;
    h = rh;
  } else if (textStyle_ == tsShadow) {
    w += shadowDepth_;
    h += shadowDepth_;
  }
  Rect.Right = Rect.Left + w;
  Rect.Bottom = Rect.Top + h;
}

TRect TVkLabel::TextRect() {
  TRect r = ClientRect();
  ShrinkRectForBorders(r, true);
  gui::InflateRect(r, -textMargin_, -textMargin_);
  return r;
}

UINT TVkLabel::TextFlags() {
  static constexpr UINT kAlign[] = {gui::DT_LEFT, gui::DT_RIGHT, gui::DT_CENTER};
  UINT flags = kAlign[Alignment()] | gui::DT_EXPANDTABS;
  if (WordWrap()) flags |= gui::DT_WORDBREAK;
  if (!ShowAccelChar()) flags |= gui::DT_NOPREFIX;
  if (condenseCaption_ == ccAtEnd) flags |= gui::DT_END_ELLIPSIS;
  if (condenseCaption_ == ccWithinPath) flags |= gui::DT_PATH_ELLIPSIS;
  return flags;
}

void TVkLabel::AdjustBounds() {
  if (!AutoSize() || ComponentState().Contains(csReading) || ComponentState().Contains(csLoading)) return;
  bool turned = rotation_ == roFlat && angle_ != 0 && angle_ != 180;
  // The text box of an unturned label is measured in the width the text has
  // now; a turned label's box is the text's own (one line per break), so
  // that sizing it again never depends on its turned size.
  TRect r = turned ? TRect{0, 0, 0x3FFF, 0x3FFF} : TextRect();
  r = TRect{0, 0, std::max(0, r.Width()), std::max(0, r.Height())};
  gui::HDC dc = gui::GetDC(gui::HWND{});
  if (gui::IsNull(dc)) return;
  TCanvas measure;
  measure.SetHandle(dc);
  measure.SetFont(Font());
  String text = Caption();
  if (text.empty()) text = " ";
  UINT flags = gui::DT_CALCRECT | gui::DT_EXPANDTABS | (WordWrap() && !turned ? gui::DT_WORDBREAK : 0) |
               (ShowAccelChar() ? 0 : gui::DT_NOPREFIX);
  measure.RequireAll();
  gui::DrawText(dc, text, r, flags);
  measure.SetHandle(gui::HDC{});
  gui::ReleaseDC(gui::HWND{}, dc);
  GrowRectForBorders(r);
  int x = Left();
  if (Alignment() == taRightJustify) x += Width() - r.Width();
  PlaceBounds(x, Top(), r.Width(), r.Height());
}

// ---- Painting ----------------------------------------------------------------------------

void TVkLabel::PaintControl() {
  TCanvas* canvas = Canvas();
  TColor parentColor = Parent() ? Parent()->Color() : Color();
  TRect inner = PaintInnerOuterBorders(canvas, TRect{0, 0, Width(), Height()}, look_.Outer, look_.Inner,
                                       borderWidth_, look_.Sides, look_.BevelWidth, look_.Color, look_.Highlight,
                                       look_.Shadow, look_.FlatColor, look_.FlatColorAdjustment, Color(), parentColor,
                                       Transparent());
  if (!Transparent()) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(inner);
  }
  canvas->Brush()->SetStyle(bsClear);
  if (rotation_ == roCurve) {
    DrawCurved();
  } else if (rotation_ == roFlat && angle_ != 0) {
    DrawFlatRotated(TextRect(), TextFlags());
  } else {
    DrawPlainText(TextRect(), TextFlags());
  }
  canvas->Brush()->SetStyle(bsSolid);
}

void TVkLabel::DrawPlainText(const TRect& Rect, UINT Flags) {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  String caption = Caption();
  auto draw = [&](int dx, int dy, TColor color) {
    TRect r = Rect;
    if (Layout() != tlTop) {
      TRect calc = r;
      CanvasDrawText(canvas, caption, calc, Flags | gui::DT_CALCRECT);
      int room = r.Height() - calc.Height();
      gui::OffsetRect(r, 0, Layout() == tlBottom ? room : room / 2);
    }
    if (textStyle_ == tsShadow) {
      if (Flags & gui::DT_RIGHT) gui::OffsetRect(r, -shadowDepth_, 0);
      if (Layout() == tlBottom) gui::OffsetRect(r, 0, -shadowDepth_);
    }
    gui::OffsetRect(r, dx, dy);
    canvas->Font()->SetColor(color);
    CanvasDrawText(canvas, caption, r, Flags);
  };
  if (!Enabled()) {
    draw(0, 0, clGrayText);
    return;
  }
  if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
    TColor first = textStyle_ == tsRaised ? shadowColor_ : highlightColor_;
    TColor second = textStyle_ == tsRaised ? highlightColor_ : shadowColor_;
    if (!(lightTextStyle_ && textStyle_ == tsRaised)) draw(1, 1, first);
    if (!(lightTextStyle_ && textStyle_ == tsRecessed)) draw(-1, -1, second);
  } else if (textStyle_ == tsShadow) {
    draw(shadowDepth_, shadowDepth_, shadowColor_);
  }
  draw(0, 0, currentColor_);
}

void TVkLabel::DrawFlatRotated(const TRect& Rect, UINT Flags) {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->Font()->SetOrientation(angle_ * 10);
  String caption = Caption();
  int cx = Width() / 2, cy = Height() / 2;
  double theta = angle_ * std::numbers::pi / 180.0 + std::numbers::pi / 2;
  // Measured unturned: the extents of the text along and across its line.
  TFont flat;
  flat.Assign(Font());
  TCanvas* c = canvas;
  int pp = c->TextHeight("Pp");
  double q = pp * 0.25;
  int w = c->TextWidth(caption);
  int f = textStyle_ == tsShadow ? shadowDepth_ / 2 : 0;
  int h = pp + f, g = w + f;
  int L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
  int x, y;
  UINT align = gui::TA_BASELINE;
  switch (angle_) {
    case 90:
      x = cx - Near(std::cos(theta) * q);
      y = (Flags & gui::DT_CENTER) ? B - (B - g) / 2 : (Flags & gui::DT_RIGHT) ? T + g + f : B - f;
      break;
    case 180:
      x = (Flags & gui::DT_CENTER) ? R - (R - g) / 2 : (Flags & gui::DT_RIGHT) ? L + g : R - f;
      y = cy - h / 4;
      break;
    case 270:
      x = cx - Near(std::cos(theta) * q);
      y = (Flags & gui::DT_CENTER) ? (B - g) / 2 : (Flags & gui::DT_RIGHT) ? B - g - f : T + f;
      break;
    default:
      x = cx - Near(std::cos(theta) * q);
      y = cy + Near(std::sin(theta) * q);
      align = gui::TA_BASELINE | gui::TA_CENTER;
      break;
  }
  gui::SetTextAlign(canvas->Handle(), align);
  auto draw = [&](int px, int py, TColor color) {
    canvas->Font()->SetColor(color);
    canvas->TextRect(Rect, px, py, caption);
  };
  if (!Enabled()) {
    draw(x, y, clGrayText);
  } else {
    if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
      TColor first = textStyle_ == tsRaised ? shadowColor_ : highlightColor_;
      TColor second = textStyle_ == tsRaised ? highlightColor_ : shadowColor_;
      if (!(lightTextStyle_ && textStyle_ == tsRaised)) draw(x + 1, y + 1, first);
      if (!(lightTextStyle_ && textStyle_ == tsRecessed)) draw(x - 1, y - 1, second);
      draw(x, y, currentColor_);
    } else if (textStyle_ == tsShadow) {
      draw(x + f, y + f, shadowColor_);
      draw(x - f, y - f, currentColor_);
    } else {
      draw(x, y, currentColor_);
    }
  }
  gui::SetTextAlign(canvas->Handle(), gui::TA_LEFT | gui::TA_TOP);
  canvas->Font()->SetOrientation(0);
}

void TVkLabel::DrawCurved() {
  String caption = Caption();
  int bw = borderWidth_, W = Width(), H = Height(), a = 2 * bw;
  int cx, cy, rx, ry;
  switch (centerPoint_) {
    case cpUpperLeft: cx = bw, cy = bw; break;
    case cpUpperCenter: cx = W / 2, cy = bw; break;
    case cpUpperRight: cx = W - bw, cy = bw; break;
    case cpLeftCenter: cx = bw, cy = H / 2; break;
    case cpCenter: cx = W / 2, cy = H / 2; break;
    case cpRightCenter: cx = W - bw, cy = H / 2; break;
    case cpLowerLeft: cx = bw, cy = H - bw; break;
    case cpLowerCenter: cx = W / 2, cy = H - bw; break;
    default: cx = W - bw, cy = H - bw; break;
  }
  switch (centerPoint_) {
    case cpUpperCenter:
    case cpLowerCenter: rx = W / 2 - a, ry = H - a; break;
    case cpLeftCenter:
    case cpRightCenter: rx = W - a, ry = H / 2 - a; break;
    case cpCenter: rx = W / 2 - a, ry = H / 2 - a; break;
    default: rx = W - a, ry = H - a; break;
  }
  // Nothing to lay along the curve, or no curve to lay it on.
  if (caption.empty() || rx <= 0) return;
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  gui::SetTextAlign(canvas->Handle(), gui::TA_BASELINE | gui::TA_CENTER);
  int yy = canvas->TextHeight("Yy");
  double step = (canvas->TextWidth("w") + 2) / static_cast<double>(rx);
  double alpha = angle_ * std::numbers::pi / 180.0;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    String one(1, caption[i]);
    int x = cx - Near((rx - yy) * std::sin(alpha));
    int y = cy - Near((ry - yy) * std::cos(alpha));
    canvas->Font()->SetOrientation(Near(alpha * 1800 / std::numbers::pi));
    auto out = [&](int px, int py, TColor color) {
      canvas->Font()->SetColor(color);
      canvas->TextOut(px, py, one);
    };
    if (!Enabled()) {
      out(x + 1, y + 1, clBtnHighlight);
      out(x, y, clBtnShadow);
    } else {
      if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
        TColor first = textStyle_ == tsRaised ? shadowColor_ : highlightColor_;
        TColor second = textStyle_ == tsRaised ? highlightColor_ : shadowColor_;
        if (!(lightTextStyle_ && textStyle_ == tsRaised)) out(x + 1, y + 1, first);
        if (!(lightTextStyle_ && textStyle_ == tsRecessed)) out(x - 1, y - 1, second);
      } else if (textStyle_ == tsShadow) {
        out(x + shadowDepth_, y + shadowDepth_, shadowColor_);
      }
      out(x, y, currentColor_);
    }
    alpha -= step;
  }
  canvas->Font()->SetOrientation(0);
  gui::SetTextAlign(canvas->Handle(), gui::TA_LEFT | gui::TA_TOP);
}

void TVkLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_BLINKQUERY:
      TLabel::Dispatch(Message);
      Message.Result = blinking_ ? 1 : 0;
      return;
    case CM_BLINK:
      TLabel::Dispatch(Message);
      if (blinking_) {
        BlinkStateChanged(Message.WParam == 1);
        Refresh();
      }
      return;
    case CM_FONTCHANGED:
      TLabel::Dispatch(Message);
      if (ComponentState().Contains(csLoading)) return;
      if (!blinking_) {
        fontColor_ = Font()->Color();
        currentColor_ = Font()->Color();
      }
      if (angle_ != 0 && !FontIsTrueType(Font())) angle_ = 0;
      return;
    case CM_TEXTCHANGED:
      TLabel::Dispatch(Message);
      Repaint();
      return;
    case CM_MOUSEENTER:
      if (ComponentState().Contains(csDesigning)) return;
      if (flyByEnabled_) {
        savedFlyByColor_ = Font()->Color();
        Font()->SetColor(flyByColor_);
      }
      break;
    case CM_MOUSELEAVE:
      if (flyByEnabled_) Font()->SetColor(savedFlyByColor_);
      break;
    case CM_PARENTCOLORCHANGED:
      if (initialColor_) return;
      break;
    default: break;
  }
  TLabel::Dispatch(Message);
}

// ---- TVkURLLabel -------------------------------------------------------------------------

TVkURLLabel::TVkURLLabel(TComponent* AOwner) : TVkLabel(AOwner) {
  SetCursor(crHandPoint);
  SetTextStyle(tsNormal);
  Font()->SetColor(clHighlight);
  Font()->SetStyle(FontStyle(fsUnderline));
}

std::function<bool(const String& Target)>& TVkURLLabel::Opener() {
  static std::function<bool(const String&)> opener = [](const String& target) { return gui::ShellOpen(target); };
  return opener;
}

String TVkURLLabel::Target() {
  String url = Trim(url_);
  return url.empty() ? Trim(Caption()) : url_;
}

void TVkURLLabel::HandleClick() {
  TVkLabel::HandleClick();
  String target = Target();
  if (Trim(target).empty()) return;
  // The desktop's opener offers the choice of program itself when it has
  // none for the file's kind; a failure is silent.
  if (Opener()(target)) SetVisited(true);
}

void TVkURLLabel::UpdateFontColor() { Font()->SetColor(visited_ ? visitedColor_ : unvisitedColor_); }

void TVkURLLabel::SetVisited(bool Value) {
  if (!StoreChange(visited_, Value)) return;
  UpdateFontColor();
  Invalidate();
}

void TVkURLLabel::SetUnvisitedColor(TColor Value) {
  if (!StoreChange(unvisitedColor_, Value)) return;
  UpdateFontColor();
  Invalidate();
}

void TVkURLLabel::SetVisitedColor(TColor Value) {
  if (!StoreChange(visitedColor_, Value)) return;
  UpdateFontColor();
  Invalidate();
}

// ---- Registration ------------------------------------------------------------------------

void RegisterVkLabelClasses() {
  static const bool registered = [] {
    RegisterClass<TVkLabel>("TVkLabel", "TLabel")
        .Integer("Angle", &TVkLabel::Angle, &TVkLabel::SetAngle, 0)
        .Integer("BlinkColor", &TVkLabel::BlinkColor, &TVkLabel::SetBlinkColor, clHighlight)
        .Idents(&IdentToColor)
        .Boolean("Blinking", &TVkLabel::Blinking, &TVkLabel::SetBlinking, false)
        .Integer("BlinkIntervalOff", &TVkLabel::BlinkIntervalOff, &TVkLabel::SetBlinkIntervalOff, 500)
        .Integer("BlinkIntervalOn", &TVkLabel::BlinkIntervalOn, &TVkLabel::SetBlinkIntervalOn, 500)
        .Integer("BevelWidth", &TVkLabel::BevelWidth, &TVkLabel::SetBevelWidth, 1)
        .Enum("BorderInner", FrameStyleExNames(), &TVkLabel::BorderInner, &TVkLabel::SetBorderInner, fsNone)
        .Enum("BorderOuter", FrameStyleExNames(), &TVkLabel::BorderOuter, &TVkLabel::SetBorderOuter, fsNone)
        .Set("BorderSides", SideNames(), &TVkLabel::BorderSides, &TVkLabel::SetBorderSides, kAllSides)
        .Integer("BorderColor", &TVkLabel::BorderColor, &TVkLabel::SetBorderColor, clBtnFace)
        .Idents(&IdentToColor)
        .Integer("BorderHighlight", &TVkLabel::BorderHighlight, &TVkLabel::SetBorderHighlight, clBtnHighlight)
        .Idents(&IdentToColor)
        .Integer("BorderShadow", &TVkLabel::BorderShadow, &TVkLabel::SetBorderShadow, clBtnShadow)
        .Idents(&IdentToColor)
        .Integer("BorderWidth", &TVkLabel::BorderWidth, &TVkLabel::SetBorderWidth, 0)
        .Integer("FlatColor", &TVkLabel::FlatColor, &TVkLabel::SetFlatColor, clBtnShadow)
        .Idents(&IdentToColor)
        .Integer("FlatColorAdjustment", &TVkLabel::FlatColorAdjustment, &TVkLabel::SetFlatColorAdjustment, 30)
        .Component("FrameController", "TVkFrameController", &TVkLabel::FrameController, &TVkLabel::SetFrameController)
        .Set("FrameControllerNotifications", FrameControllerPropertyNames(), &TVkLabel::FrameControllerNotifications,
             &TVkLabel::SetFrameControllerNotifications, kAllFrameControllerNotifications)
        .Enum("CenterPoint",
              {"cpUpperLeft", "cpUpperCenter", "cpUpperRight", "cpLeftCenter", "cpCenter", "cpRightCenter",
               "cpLowerLeft", "cpLowerCenter", "cpLowerRight"},
              &TVkLabel::CenterPoint, &TVkLabel::SetCenterPoint, cpCenter)
        .Boolean("FlyByEnabled", &TVkLabel::FlyByEnabled, &TVkLabel::SetFlyByEnabled, false)
        .Integer("FlyByColor", &TVkLabel::FlyByColor, &TVkLabel::SetFlyByColor, clHighlight)
        .Idents(&IdentToColor)
        .Boolean("LightTextStyle", &TVkLabel::LightTextStyle, &TVkLabel::SetLightTextStyle, false)
        .Enum("TextStyle", TextStyleNames(), &TVkLabel::TextStyle, &TVkLabel::SetTextStyle, tsNormal)
        .Enum("Rotation", {"roNone", "roFlat", "roCurve"}, &TVkLabel::Rotation, &TVkLabel::SetRotation, roNone)
        .Integer("HighlightColor", &TVkLabel::HighlightColor, &TVkLabel::SetHighlightColor, clBtnHighlight)
        .Idents(&IdentToColor)
        .Integer("ShadowColor", &TVkLabel::ShadowColor, &TVkLabel::SetShadowColor, clBtnShadow)
        .Idents(&IdentToColor)
        .Integer("ShadowDepth", &TVkLabel::ShadowDepth, &TVkLabel::SetShadowDepth, 2)
        .Integer("TextMargin", &TVkLabel::TextMargin, &TVkLabel::SetTextMargin, 0)
        .Enum("CondenseCaption", {"ccNone", "ccAtEnd", "ccWithinPath"}, &TVkLabel::CondenseCaption,
              &TVkLabel::SetCondenseCaption, ccNone);
    RegisterClass<TVkURLLabel>("TVkURLLabel", "TVkLabel")
        .Str("URL", &TVkURLLabel::URL, &TVkURLLabel::SetURL)
        .Boolean("Visited", &TVkURLLabel::Visited, &TVkURLLabel::SetVisited, false)
        .Integer("UnvisitedColor", &TVkURLLabel::UnvisitedColor, &TVkURLLabel::SetUnvisitedColor, clHighlight)
        .Idents(&IdentToColor)
        .Integer("VisitedColor", &TVkURLLabel::VisitedColor, &TVkURLLabel::SetVisitedColor, clPurple)
        .Idents(&IdentToColor);
    return true;
  }();
  (void)registered;
}

namespace {
const bool kLabelsRegistered = (RegisterVkLabelClasses(), true);
}
